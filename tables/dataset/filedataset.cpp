// File data set over a real .dbf: opening (with creation from DbfFields),
// changes under append and record locks with the lock-failed events, and
// the blob stream through which data-aware controls read and write memos.
#include "tables/dataset/filedataset.h"

#include <cstring>

#include "platform/hostfs.h"
#include "platform/progfiles.h"
#include "tables/area/changes.h"
#include "tables/area/navigation.h"
#include "tables/area/search.h"
#include "tables/area/workareas.h"
#include "tables/base/commandtext.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginestrings.h"
#include "tables/base/filenames.h"
#include "tables/base/progress.h"
#include "tables/dbf/hooks.h"
#include "tables/delim/delimited.h"
#include "tables/index/ndxbuild.h"
#include "tables/index/orders.h"
#include "tables/memo/memoarea.h"
#include "tables/memo/memostream.h"
#include "tables/sema/semaphore.h"

namespace kor2 {

TTbFileDataSet::~TTbFileDataSet() {
    try {
        if (Active()) Close();
    } catch (...) {
    }
}

void TTbFileDataSet::SetExclusive(bool on) {
    if (on == exclusive_) return;
    const bool wasActive = Active();
    if (wasActive) Close();
    exclusive_ = on;
    if (wasActive) Open();
}

bool TTbFileDataSet::IsSequenced() {
    if (!Active() || WorkArea() == 0) return true;
    SelectWorkArea("IsSequenced");
    return !IndexInControl();
}

bool TTbFileDataSet::OpenDbfFile(const std::string& fileName) {
    if (CreateIfNotFound && !FileExistsP(fileName) && !CreateDbfFromFields())
        ShowEngineMessage("Konnte \"" + platform::DisplayPath(DbfFileName()) + "\" nicht erzeugen");
    std::string use = QuoteName(fileName);
    if (exclusive_) use += " EXCLUSIVE";
    if (!Name.empty()) use += " ALIAS " + Name;
    const bool savedCount = CountFromFileSize;
    const uint16_t savedForced = ForcedOpenMode;
    if (AutoFixRecCount) CountFromFileSize = true;
    // Read access only; others may share unless the table is opened exclusively.
    if (ReadOnly) ForcedOpenMode = exclusive_ ? 16 : 64;
    EngineErrorCode = 0;
    if (OpenAfterRead || OpenBeforeWrite) {
        UseEx(use, nullptr, 0, OpenAfterRead, OpenBeforeWrite);
    } else {
        Use(use, nullptr, 0);
    }
    CountFromFileSize = savedCount;
    ForcedOpenMode = savedForced;
    if (EngineErrorCode != 0 || CurrentDbf() == nullptr) return false;
    return OpenIndexList();
}

namespace {

// The first comma after `from` outside double quotes (a doubled quote in a
// quoted name leaves and enters it again), npos when none.
size_t CommaOutsideQuotes(const std::string& line, size_t from) {
    bool quoted = false;
    for (size_t i = from; i < line.size(); ++i) {
        if (line[i] == '"') quoted = !quoted;
        if (line[i] == ',' && !quoted) return i;
    }
    return std::string::npos;
}

bool ParseIndexLine(const std::string& line, IndexLine& out) {
    const size_t c1 = line.find(',');
    const size_t c2 = c1 == std::string::npos ? c1 : CommaOutsideQuotes(line, c1 + 1);
    if (c2 == std::string::npos) return false;
    out.order = static_cast<int>(TextToIntPart(AllTrim(line.substr(0, c1))));
    out.file = AllTrim(line.substr(c1 + 1, c2 - c1 - 1));
    out.key = AllTrim(line.substr(c2 + 1));
    return out.order >= 1 && out.order <= MaxOrders && !out.file.empty();
}

}  // namespace

bool TTbFileDataSet::OpenIndexList() {
    if (!IsRunTime() || IndexList.empty()) return true;
    TCreateIndexType mode = CreateIndex;
    if (mode == ciAlways || mode == ciVerifyHeader) {
        // The table's semaphore file in its own spelling (T.@S@ is another
        // table's); one of another day that nobody holds was left by a
        // program that died.
        const std::string sema = GetSemaphoreFileName(AreaFileName());
        const auto present = [&sema] {
            return platform::EntryKindOf(sema, platform::Lookup::Write) !=
                   platform::EntryKind::Missing;
        };
        if (present() && !FileIsFromToday(sema)) platform::EraseUnheldFile(sema);
        // Another program uses the table: never rebuild indexes it has open.
        if (present()) mode = ciNotFound;
    }
    std::vector<IndexLine> lines;
    for (const auto& text : IndexList) {
        IndexLine l;
        if (!ParseIndexLine(text, l)) {
            SetEngineError(220, "Ungültige Zeile der IndexList: " + text + " [OpenDbfFile]");
            return false;
        }
        lines.push_back(l);
    }
    uint16_t code = 0;
    std::string msg;
    {
        EngineErrorsOff quiet;
        if (!BuildIndexes(lines, mode)) {
            code = EngineErrorCode;
            msg = EngineErrorMsg;
        }
    }
    // Raised with the handler as the caller has it; the open fails. Errors
    // that a rebuild mended are not left pending.
    if (code != 0) {
        SetEngineError(code, msg);
        return false;
    }
    TakeErrorMsg();
    return true;
}

bool TTbFileDataSet::BuildIndexes(const std::vector<IndexLine>& lines, TCreateIndexType mode) {
    const uint8_t area = CurrentAreaNo();
    for (const auto& l : lines) {
        EngineErrorCode = 0;
        bool rebuild = mode == ciAlways;
        if (mode == ciNotFound || mode == ciNever) {
            OpenIndexFile(l.file, 1);
            const uint16_t code = EngineErrorCode;
            if (mode == ciNotFound && (code == 2 || code == 222 || code == 223)) rebuild = true;
        } else if (mode == ciVerifyHeader) {
            IndexNameOptions given;
            if (!TakeIndexOptions(l.file, given, "OpenDbfFile")) return false;
            rebuild = IndexRecCount(IndexFilePath(given.name, *CurrentDbf())) != kor2::RecCount();
            if (!rebuild) OpenIndexFile(l.file, 1);
        }
        if (rebuild) {
            EngineErrorCode = 0;
            CloseAllIndexes();
            bool canMake = true;
            if (OnBeforeMakeIndex) OnBeforeMakeIndex(l.file, canMake);
            Select(area);
            if (canMake) {
                {
                    std::unique_ptr<EngineProgress> progress;
                    if (ShowProgress && MakeEngineProgress)
                        progress = MakeEngineProgress("Indexing " + l.file + "...");
                    MakeIndexFromExpr(l.key, l.file);
                }
                if (EngineErrorCode == 0 && OnAfterMakeIndex) OnAfterMakeIndex(l.file);
                Select(area);
                if (EngineErrorCode == 0) OpenIndexFile(l.file, 1);
            }
        }
        if (EngineErrorCode != 0) return false;
        CloseAllIndexes();
    }
    for (const auto& l : lines) {
        kor2::SetIndexTo(l.file, l.order);
        if (EngineErrorCode != 0) return false;
    }
    int first = MaxOrders;
    for (const auto& l : lines) first = std::min(first, l.order);
    Set_Order_To(first);
    if (kor2::RecCount() > 0) GoTop();
    return EngineErrorCode == 0;
}

// ---------------------------------------------------------------- index commands

KeyMakerFn TTbFileDataSet::WrapKeyMaker(TTbKeyMaker keyMaker) {
    return
        [this, keyMaker = std::move(keyMaker)](intptr_t, int) { return KeyOfAreaRecord(keyMaker); };
}

void TTbFileDataSet::IndexOn(const std::string& keyExpr, const std::string& fileName) {
    CheckBrowseMode();
    PositionWorkArea("IndexOn");
    Index_On(keyExpr, fileName);
    ResyncFromWorkArea();
}

void TTbFileDataSet::IndexOnCB(const std::string& fileName, TTbKeyMaker keyMaker) {
    CheckBrowseMode();
    PositionWorkArea("IndexOnCB");
    IndexOnKeyMaker(fileName, WrapKeyMaker(std::move(keyMaker)), 0);
    ResyncFromWorkArea();
}

void TTbFileDataSet::SetIndexTo(const std::string& fileNames) {
    SetIndexToNames(SplitNameList(fileNames).empty(), [&] { Set_Index_To(fileNames); });
}

void TTbFileDataSet::SetIndexTo(const std::vector<std::string>& fileNames) {
    SetIndexToNames(fileNames.empty(), [&] { Set_Index_To(fileNames); });
}

void TTbFileDataSet::SetIndexToNames(bool none, const std::function<void()>& open) {
    CheckBrowseMode();
    PositionWorkArea("SetIndexTo");
    if (none) {
        CloseAllIndexes();
    } else {
        open();
    }
    ResyncFromWorkArea();
}

void TTbFileDataSet::SetIndexToCB(const std::string& fileName, int order, TTbKeyMaker keyMaker) {
    CheckBrowseMode();
    PositionWorkArea("SetIndexToCB");
    kor2::SetIndexToCB(fileName, order, WrapKeyMaker(std::move(keyMaker)), 0);
    ResyncFromWorkArea();
}

void TTbFileDataSet::SetIndexToLFN(const std::string& fileName, int order) {
    CheckBrowseMode();
    PositionWorkArea("SetIndexToLFN");
    OpenIndexFile(fileName, order);
    ResyncFromWorkArea();
}

bool TTbFileDataSet::Find(const std::string& key) {
    CheckBrowseMode();
    PositionWorkArea("Find");
    const bool found = kor2::Find(key.substr(0, 100));
    SelectWorkArea("Find");
    if (dEOF()) {
        Last();
    } else {
        ResyncFromWorkArea();
    }
    SetFound(found);
    return found;
}

bool TTbFileDataSet::FindExact(const std::string& key) {
    const bool wasExact = IndexExact;
    SetExactOn();
    bool found = false;
    try {
        found = Find(key);
    } catch (...) {
        if (!wasExact) SetExactOff();
        throw;
    }
    if (!wasExact) SetExactOff();
    return found;
}

bool TTbFileDataSet::Locate(const std::string& keyFields, const std::vector<std::string>& keyValues,
                            TLocateOptions options) {
    if (Active() && WorkArea() != 0) {
        SelectWorkArea("Locate");
        if (IndexInControl()) {
            const std::string key = keyValues.empty() ? std::string() : keyValues[0];
            return options.partialKey ? Find(key) : FindExact(key);
        }
    }
    return TTbCDataSet::Locate(keyFields, keyValues, options);
}

// ---------------------------------------------------------------- delimited text

bool TTbFileDataSet::AppendFromDelimited(const std::string& fileName) {
    CheckBrowseMode();
    PositionWorkArea("AppendFromDelimited");
    bool result;
    {
        AreaFileLock lock(WorkArea());
        result = ImportText(fileName, ShowProgress);
        lock.End();
    }
    TableChanged();
    ResyncFromWorkArea();
    return result;
}

bool TTbFileDataSet::CopyToDelimited(const std::string& fileName) {
    CheckBrowseMode();
    PositionWorkArea("CopyToDelimited");
    const int32_t former = kor2::RecNo();
    const bool result = ExportText(fileName);
    SelectWorkArea("CopyToDelimited");
    if (former >= 1 && former <= kor2::RecCount()) kor2::Go(former);
    return result;
}

void TTbFileDataSet::WithLock(bool appendLock, const std::function<void()>& action, bool afterCheck,
                              const TTbLockFailedEvent& onFailed, const char* word) {
    if (!IsRunTime()) return;
    for (;;) {
        SelectWorkArea(word);
        if (appendLock ? kor2::ALock() : RLock()) {
            action();
            if (afterCheck) ResyncAfterChange();
            SelectWorkArea(word);
            Unlock();
            return;
        }
        bool retry = false;
        if (onFailed) {
            onFailed(*this, retry);
        } else {
            ShowEngineMessage(std::string("Sperren fehlgeschlagen [") + word + "]");
        }
        if (!retry) throw std::runtime_error(std::string("Sperren fehlgeschlagen [") + word + "]");
    }
}

void TTbFileDataSet::s_AppendWithLock() {
    WithLock(
        true, [] { kor2::Append(); }, true, OnALockFailedOnInsert, "Insert");
}

void TTbFileDataSet::s_DeleteWithLock() {
    WithLock(
        false, [] { DeleteRec(); }, true, OnRLockFailedOnDelete, "Delete");
}

void TTbFileDataSet::s_RestoreWithLock() {
    WithLock(
        false, [] { RecallRec(); }, false, OnRLockFailedOnRestore, "Restore");
}

void TTbFileDataSet::s_ReplaceWithLock() {
    WithLock(
        false, [] { Replace(); }, true, OnRLockFailedOnPost, "Post");
}

void TTbFileDataSet::Peek(int fieldNo, int32_t recNo, std::string& s) {
    SelectWorkArea("Peek");
    s = kor2::Peek(fieldNo, recNo);
}

bool TTbFileDataSet::ALock() {
    SelectWorkArea("ALock");
    return kor2::ALock();
}

bool TTbFileDataSet::FLock() {
    SelectWorkArea("FLock");
    return kor2::FLock();
}

void TTbFileDataSet::UnLock() {
    SelectWorkArea("UnLock");
    Unlock();
}

std::unique_ptr<TStream> TTbFileDataSet::CreateBlobStream(TField& field, TBlobStreamMode mode) {
    return std::make_unique<TTbBlobStream>(field, *this, mode);
}

// ---------------------------------------------------------------- blob stream

int32_t TTbFileDataSet::MemoReference(const TField& field) {
    const uint8_t* rec = GetActiveRecBuf();
    const int n = field.FieldNo();
    if (!rec || n < 1) return 0;
    int32_t ref = 0;
    std::memcpy(&ref, rec + FieldBufOffset(n), 4);
    return ref;
}

void TTbFileDataSet::StoreMemoReference(TField& field, int32_t ref) {
    uint8_t* rec = GetActiveRecBuf();
    const int n = field.FieldNo();
    if (!rec || n < 1) return;
    std::memcpy(rec + FieldBufOffset(n), &ref, 4);
    SelectWorkArea("DestroyBlobStream");
    BufferToDbfRecord(rec, n);
    DataEvent(TDataEvent::deFieldChange, reinterpret_cast<intptr_t>(&field));
}

void TTbBlobStream::Select(const char* context) {
    dataSet_.SelectWorkArea(context);
}

TTbBlobStream::TTbBlobStream(TField& field, TTbFileDataSet& dataSet, TBlobStreamMode mode)
    : field_(field), dataSet_(dataSet), write_(mode != TBlobStreamMode::bmRead) {
    if (!dataSet_.IsRunTime() && dataSet_.WorkArea() == 0) {
        dataSet_.DirectOpenClose(true);
        directOpen_ = true;
    }
    Select("CreateBlobStream");
    oldBlock_ = dataSet_.MemoReference(field_);
    if (!write_ && (dataSet_.IsEmptyDbf() || oldBlock_ == 0)) return;  // an empty stream
    const int32_t got = CreateBlobDescriptor(false, oldBlock_, write_ ? BlobWrite : BlobRead);
    open_ = got != 0;
    if (open_ && write_) newBlock_ = got < 0 ? -got : got;
}

int32_t TTbBlobStream::Read(void* buffer, int32_t count) {
    if (!open_ || write_) return 0;
    Select("ReadBlobStream");
    return ReadBlobStream(buffer, count);
}

int32_t TTbBlobStream::Write(const void* buffer, int32_t count) {
    if (!open_ || !write_) return 0;
    Select("WriteBlobStream");
    const int32_t n = WriteBlobStream(buffer, count);
    if (n > 0) written_ = modified_ = true;
    return n;
}

int64_t TTbBlobStream::Seek(int64_t offset, int origin) {
    if (!open_) return 0;
    Select("SeekBlobStream");
    return SeekBlobStream(offset, origin);
}

TTbBlobStream::~TTbBlobStream() {
    try {
        Select("DestroyBlobStream");
        if (write_) {
            int32_t ref = oldBlock_;
            if (written_) {
                ref = newBlock_;
            } else if (oldBlock_ != 0) {
                ref = 0;  // an empty write clears the memo
                modified_ = true;
            }
            if (open_) DestroyBlobDescriptor();
            open_ = false;
            if (modified_) {
                const TDataSetState st = dataSet_.State();
                if (st != TDataSetState::dsEdit && st != TDataSetState::dsInsert) dataSet_.Edit();
                dataSet_.StoreMemoReference(field_, ref);
            }
        }
        if (open_) DestroyBlobDescriptor();
        if (directOpen_) dataSet_.DirectOpenClose(false);
    } catch (...) {
        // A stream ends quietly; the engine has recorded its error.
    }
}

}  // namespace kor2
