// File data set over a real .dbf: opening (with creation from DbfFields),
// changes under append and record locks with the lock-failed events, and
// the blob stream through which data-aware controls read and write memos.
#include "tables/utbfds.h"

#include <cstring>

#include "tables/dbf4.h"
#include "tables/dbf4change.h"
#include "tables/dbf4nav.h"
#include "tables/dbf4search.h"
#include "tables/memoarea.h"
#include "tables/memostream.h"
#include "tables/tbcommon.h"
#include "tables/tbfiles.h"
#include "tables/tbhooks.h"

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
        ShowEngineMessage("Konnte \"" + DbfFileName() + "\" nicht erzeugen");
    std::string use = fileName;
    if (exclusive_) use += " EXCLUSIVE";
    if (!Name.empty()) use += " ALIAS " + Name;
    const bool savedCount = CountFromFileSize;
    const uint16_t savedForced = ForcedOpenMode;
    if (AutoFixRecCount) CountFromFileSize = true;
    // Read access only; others may share unless the table is opened exclusively.
    if (ReadOnly) ForcedOpenMode = exclusive_ ? 16 : 64;
    EngineErrorCode = 0;
    Use(use, nullptr, 0);
    CountFromFileSize = savedCount;
    ForcedOpenMode = savedForced;
    return EngineErrorCode == 0 && CurrentDbf() != nullptr;
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
