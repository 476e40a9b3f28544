// dBase-style commands on a data set: each selects the data set's work area,
// acts through the work-area layer and resyncs the data set, so that grids
// and navigators follow. Used by the table browser and the procedural interface.
#include "tables/dataset/commandds.h"

#include <cstring>
#include <memory>

#include "tables/area/changes.h"
#include "tables/area/navigation.h"
#include "tables/area/search.h"
#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/base/filenames.h"
#include "tables/base/progress.h"

namespace kor2 {

void TTbCDataSet::PositionWorkArea(const std::string& context) {
    SelectWorkArea(context);
    if (!SyncFlag) TTbDataSet::SyncWorkArea();
    SelectWorkArea(context);
}

std::string TTbCDataSet::KeyOfAreaRecord(const TTbKeyMaker& keyMaker) {
    uint8_t* active = ActiveBuffer();
    if (!active) return keyMaker();
    backupBuffer_.assign(active, active + RecBufSize());
    DbfRecordToBuffer(active);
    std::string key;
    try {
        key = keyMaker();
    } catch (...) {
        std::memcpy(active, backupBuffer_.data(), backupBuffer_.size());
        throw;
    }
    std::memcpy(active, backupBuffer_.data(), backupBuffer_.size());
    return key;
}

void TTbCDataSet::SyncWorkArea() {
    if (SyncFlag) TTbDataSet::SyncWorkArea();
    if (OnSync) OnSync();
}

void TTbCDataSet::CloseDbfHook() {
    OnSync = nullptr;
    OnNotify2 = nullptr;
    OnNotify3 = nullptr;
}

void TTbCDataSet::DoAfterScroll() {
    if (Active() && WorkArea() != 0 && State() == TDataSetState::dsBrowse) SyncWorkArea();
    TTbDataSet::DoAfterScroll();
}

void TTbCDataSet::DoAfterCancel() {
    if (Active() && WorkArea() != 0) SyncWorkArea();
    TTbDataSet::DoAfterCancel();
}

void TTbCDataSet::AppendRec() {
    SelectWorkArea("AppendRec");
    CheckBrowseMode();
    SelectWorkArea("AppendRec");
    s_AppendWithLock();
    TableChanged();
    ResyncFromWorkArea();
}

void TTbCDataSet::AppendFrom(const std::string& fileName) {
    SelectWorkArea("AppendFrom");
    CheckBrowseMode();
    PositionWorkArea("AppendFrom");
    const int32_t former = kor2::RecNo();
    {
        AreaFileLock lock(WorkArea());
        kor2::AppendFrom(fileName, nullptr);
        lock.End();
    }
    SelectWorkArea("AppendFrom");
    if (former >= 1 && former <= kor2::RecCount()) {
        kor2::Go(former);
    } else if (kor2::RecCount() > 0) {
        GoBottom();
    }
    TableChanged();
    ResyncFromWorkArea();
}

bool TTbCDataSet::Pack() {
    SelectWorkArea("Pack");
    CheckBrowseMode();
    SelectWorkArea("Pack");
    bool result;
    {
        std::unique_ptr<EngineProgress> progress;
        if (ShowProgress && MakeEngineProgress)
            progress = MakeEngineProgress("Packing " + NameWithoutDir(DbfFileName()) + "...");
        result = progress ? kor2::Pack([&] { progress->Step(); }) : kor2::Pack();
    }
    TableChanged();
    SelectWorkArea("Pack");
    if (kor2::RecCount() > 0) GoTop();
    ResyncFromWorkArea();
    // The data set stands on its first record and knows it (also in an
    // index's order, where the record number does not tell).
    if (Active() && !IsEmpty()) First();
    return result;
}

void TTbCDataSet::Field(int fieldNo, std::string& name) {
    SelectWorkArea("Field");
    name = kor2::Field(fieldNo).substr(0, 10);
}

int TTbCDataSet::FieldCount() {
    SelectWorkArea("FieldCount");
    return kor2::FieldCount();
}

int TTbCDataSet::FieldLen(int fieldNo) {
    SelectWorkArea("FieldLen");
    return kor2::FieldLen(fieldNo);
}

void TTbCDataSet::Go(int32_t recNo) {
    SelectWorkArea("Go");
    CheckBrowseMode();
    SelectWorkArea("Go");
    kor2::Go(recNo);
    ResyncFromWorkArea();
}

void TTbCDataSet::Search(const std::string& text, int& found, bool fromTop) {
    Search(std::vector<std::string>{text}, found, fromTop);
}

void TTbCDataSet::Search(const std::vector<std::string>& texts, int& found, bool fromTop) {
    SelectWorkArea("Search");
    CheckBrowseMode();
    PositionWorkArea("Search");
    int fieldNo = found;
    const bool hit = kor2::Search(texts, fieldNo, fromTop);
    found = hit ? 1 : 0;
    if (hit && !dBOF() && !dEOF()) ResyncFromWorkArea();
}

void TTbCDataSet::SField(int fieldNo, std::string& s) {
    PositionWorkArea("SField");
    s = FieldText(fieldNo);
}

void TTbCDataSet::Skip(int32_t n) {
    SelectWorkArea("Skip");
    if (n != 0) {
        MoveBy(n);
        return;
    }
    CheckBrowseMode();
    PositionWorkArea("Skip");
    if (kor2::RecCount() > 0) kor2::Skip(0);
    ResyncFromWorkArea();
}

int32_t TTbCDataSet::RecCount() {
    SelectWorkArea("RecCount");
    return kor2::RecCount();
}

bool TTbCDataSet::FieldAsBoolean(const std::string& name) {
    return FieldByName(name).AsBoolean();
}

TField& TTbCDataSet::EditField(const std::string& name) {
    const TDataSetState st = State();
    if (st != TDataSetState::dsEdit && st != TDataSetState::dsInsert &&
        st != TDataSetState::dsSetKey)
        Edit();
    return FieldByName(name.substr(0, 10));
}

void TTbCDataSet::SetFieldString(const std::string& name, const std::string& value) {
    EditField(name).SetAsString(value);
}

void TTbCDataSet::SetFieldBoolean(const std::string& name, bool value) {
    EditField(name).SetAsBoolean(value);
}

void TTbCDataSet::SetFieldInteger(const std::string& name, int32_t value) {
    EditField(name).SetAsInteger(value);
}

void TTbCDataSet::SetFieldFloat(const std::string& name, const Real48& value) {
    EditField(name).SetAsFloat(static_cast<double>(value.ToExtended()));
}

}  // namespace kor2
