// In-memory data set over a virtual file: the file is made from DbfFields
// under a unique name, records are appended without locks in the list's
// order, and loaded from or saved to a .dbf as raw record images.
#include "tables/dataset/memorydataset.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/progfiles.h"
#include "tables/area/changes.h"
#include "tables/area/navigation.h"
#include "tables/area/workareas.h"
#include "tables/base/commandtext.h"
#include "tables/base/enginedates.h"
#include "tables/base/filenames.h"
#include "tables/base/progress.h"
#include "tables/vfile/vfiles.h"

namespace kor2 {

TTbLLDataSet::~TTbLLDataSet() {
    try {
        if (Active()) Close();
    } catch (...) {
    }
}

bool TTbLLDataSet::OpenDbfFile(const std::string& /*fileName*/) {
    if (DbfFields.empty()) {
        ShowEngineMessage("FieldList.Count ist <= 0 beim Versuch, eine Datenbank zu erzeugen");
        return false;
    }
    std::vector<DbfFieldDef> defs;
    uint32_t size = 1;
    for (const auto& line : DbfFields) {
        DbfFieldSpec spec;
        if (!ParseFieldDef(line, spec)) return false;
        if (spec.type == 'X') continue;
        if (spec.type == 'M') spec = {spec.name, 'N', 10, 0};
        CheckFieldDef(spec);
        if (defs.size() >= 256) break;
        DbfFieldEntry e{spec.name, spec.type, static_cast<uint8_t>(std::clamp(spec.length, 0, 255)),
                        static_cast<uint8_t>(std::clamp(spec.decimals, 0, 255)), 0};
        if (e.type == 'D') e.length = 8;
        if (e.type == 'L') e.length = 1;
        size += TypedFieldSize(e);
        defs.push_back(DbfFieldDef{e.name, e.type, e.length, e.decimals});
    }
    if (size > 65535) return false;
    EngineErrorsOff quiet;
    EngineErrorCode = 0;
    recordBuffer_.assign(size, 0);
    // A name of its own for each file, even when two open within one millisecond.
    const uint32_t start = TickCountMs();
    uint32_t tick = start;
    while (tick == start) tick = TickCountMs();
    std::string name = "*" + std::to_string(tick & 0x7FFFFFFF) + "* VIRTUAL FILE";
    if (appendMode_ == ASCENDING) name += " ASCENDING";
    if (appendMode_ == DESCENDING) name += " DESCENDING";
    if (!Use(name, recordBuffer_.data(), static_cast<uint16_t>(size))) return false;
    AddStru(defs);
    return EngineErrorCode == 0;
}

int32_t TTbLLDataSet::TbiClose() {
    const int32_t rc = TTbCDataSet::TbiClose();
    recordBuffer_.clear();
    return rc;
}

void TTbLLDataSet::CloseDbfHook() {
    if (SaveToDisk && modified_) Save();
    TTbCDataSet::CloseDbfHook();
}

void TTbLLDataSet::s_AppendWithLock() {
    SelectWorkArea("s_AppendWithLock");
    // Inserting at the end of an INSERTION list appends behind the last record.
    const bool atEnd = appendMode_ == INSERTION && atEof_;
    if (atEnd) Set_VFileMode_To(VfFifo);
    kor2::Append();
    if (atEnd) Set_VFileMode_To(VfInsertion);
    ResyncAfterChange();
    modified_ = true;
}

void TTbLLDataSet::s_DeleteWithLock() {
    SelectWorkArea("s_DeleteWithLock");
    DeleteRec();
    ResyncAfterChange();
    modified_ = true;
}

void TTbLLDataSet::s_RestoreWithLock() {
    SelectWorkArea("s_RestoreWithLock");
    RecallRec();
    modified_ = true;
}

void TTbLLDataSet::s_ReplaceWithLock() {
    SelectWorkArea("s_ReplaceWithLock");
    Replace();
    ResyncAfterChange();
    modified_ = true;
}

std::string TTbLLDataSet::MakeKey() {
    if (!KeyMaker) {
        // The first field's image as a length-prefixed text.
        const uint8_t* rec = recordBuffer_.data();
        if (recordBuffer_.size() < 2) return {};
        const size_t len = std::min<size_t>(rec[1], recordBuffer_.size() - 2);
        return std::string(reinterpret_cast<const char*>(rec + 2), len);
    }
    return KeyOfAreaRecord(KeyMaker);
}

void TTbLLDataSet::InstallKeyMaker() {
    SelectWorkArea("InstallKeyMaker");
    Set_VFileKey_To([this](void*) { return MakeKey(); }, nullptr);
}

void TTbLLDataSet::DoAfterOpen() {
    if (IsRunTime()) {
        InstallKeyMaker();
        if (PopulateFromDisk) LoadFromDisk();
        if (appendMode_ == LIFO || appendMode_ == INSERTION) {
            SelectWorkArea("AfterOpen");
            Set_VFileMode_To(appendMode_ == LIFO ? VfLifo : VfInsertion);
        }
        SelectWorkArea("AfterOpen");
        if (kor2::RecCount() > 0) GoTop();
        ResyncFromWorkArea();
    }
    TTbCDataSet::DoAfterOpen();
}

void TTbLLDataSet::SetAppendMode(LStatusType mode) {
    appendMode_ = mode;
    if (!Active() || !IsRunTime()) return;
    CheckBrowseMode();
    SelectWorkArea("SetAppendMode");
    if (mode == ASCENDING || mode == DESCENDING) {
        InstallKeyMaker();
        SortVFile(mode == ASCENDING ? VfAscending : VfDescending);
    } else {
        Set_VFileMode_To(mode == FIFO ? VfFifo : mode == LIFO ? VfLifo : VfInsertion);
    }
    SelectWorkArea("SetAppendMode");
    if (kor2::RecCount() > 0) GoTop();
    ResyncFromWorkArea();
}

bool TTbLLDataSet::CopyRecords(bool toDisk) {
    const char* context = toDisk ? "Save" : "PopulateFromDisk";
    SelectWorkArea(context);
    const uint8_t vArea = WorkArea();
    Select(0);
    const uint8_t dArea = CurrentAreaNo();
    if (!Use(QuoteName(DbfFileName()), nullptr, 0)) {
        Select(vArea);
        return false;
    }
    // The disk table's area is closed on every way out; the normal way reports a failure.
    EndOfWork closer([dArea, vArea] {
        Select(dArea);
        CloseArea();
        Select(vArea);
    });
    DbfArea& disk = *CurrentDbf();
    Select(vArea);
    DbfArea& mem = *CurrentDbf();
    DbfArea& src = toDisk ? mem : disk;
    DbfArea& dst = toDisk ? disk : mem;
    const uint8_t srcArea = toDisk ? vArea : dArea;
    const uint8_t dstArea = toDisk ? dArea : vArea;

    Select(srcArea);
    // A window from 100 records on, advanced at most 100 times.
    const int32_t count = kor2::RecCount();
    const int32_t step = (count + 99) / 100;
    std::unique_ptr<EngineProgress> progress;
    if (ShowProgress && count >= 100 && MakeEngineProgress)
        progress = MakeEngineProgress(toDisk ? "Writing to disk..." : "Reading from disk...");
    const size_t size = std::min<size_t>(src.typedSize, dst.typedSize);
    for (GoTop(); kor2::RecCount() > 0 && !dEOF(); kor2::Skip(1)) {
        if (progress && kor2::RecNo() % step == 0) progress->Step();
        if (HideDeletedRecs() && Deleted()) continue;
        std::memcpy(dst.typedBuffer, src.typedBuffer, size);
        Select(dstArea);
        if (!toDisk) {
            kor2::Append();
        } else if (kor2::ALock()) {
            kor2::Append();
            Unlock();
        } else {
            // Never a silent gap in the saved table: stop and say so.
            ShowEngineMessage("Sperren fehlgeschlagen [Save]");
            return false;
        }
        Select(srcArea);
    }
    closer.End();
    return true;
}

void TTbLLDataSet::LoadFromDisk() {
    if (DbfFileName().empty() || !FileExistsP(DbfFileName())) return;
    CopyRecords(false);
    SelectWorkArea("PopulateFromDisk");
    if (kor2::RecCount() > 0) GoTop();
    modified_ = false;
}

void TTbLLDataSet::Save() {
    if (DbfFileName().empty()) return;
    if (!CreateDbfFromFields()) {
        ShowEngineMessage("Konnte \"" + platform::DisplayPath(DbfFileName()) + "\" nicht erzeugen");
        return;
    }
    // The records stay marked as changed unless all of them were written.
    if (CopyRecords(true)) modified_ = false;
}

}  // namespace kor2
