// Primitive data set: record buffer layout (record image, calculated area,
// blob slots, record info, bookmark) and the mapping of every TDataSet hook
// onto the Tbi cursor operations of a subclass.
#include "tables/dataset/primitiveds.h"

#include <algorithm>
#include <cstring>

#include "platform/oemtext.h"

namespace kor2 {

TTbPrimDataset::~TTbPrimDataset() = default;

void TTbPrimDataset::CheckError(int32_t code) {
    if (code == TbiOk) return;
    if (code == TbiNoFileName) throw std::runtime_error("Missing DbfFilename property");
    if (code >= TbiCannotOpen && code <= TbiEof)
        throw std::runtime_error("Dataset error: " + std::to_string(code));
    throw std::runtime_error("Dataset error: " + GetErrorText(code));
}

std::string TTbPrimDataset::GetErrorText(int32_t code) {
    return std::to_string(code);
}

bool TTbPrimDataset::IsEmptyDbf() {
    return IsEmpty();
}

// ---------------------------------------------------------------- layout

void TTbPrimDataset::CalcRecordLayout(bool askSizes) {
    if (askSizes) {
        recordSize_ = static_cast<uint16_t>(std::clamp<int32_t>(TbiGetRecordSize(), 0, 65535));
        BookmarkSize = std::clamp<int32_t>(TbiGetBookmarkSize(), 0, 256);
    }
    uint32_t ofs = recordSize_;
    calcOfs_ = static_cast<uint16_t>(ofs);
    ofs += static_cast<uint32_t>(CalcFieldsSize());
    ofs += 4u * static_cast<uint32_t>(BlobFieldCount());
    recInfoOfs_ = static_cast<uint16_t>(std::min<uint32_t>(ofs, 65535));
    ofs += RecInfoSize;
    bookmarkOfs_ = static_cast<uint16_t>(std::min<uint32_t>(ofs, 65535));
    ofs += static_cast<uint32_t>(BookmarkSize);
    if (ofs > 65535) DatabaseError(Name + ": Datensatz zu groß"_oem);
    recBufSize_ = static_cast<uint16_t>(ofs);
}

int32_t TTbPrimDataset::BufferRecNo(const uint8_t* buffer) const {
    int32_t n = 0;
    if (buffer) std::memcpy(&n, buffer + recInfoOfs_, 4);
    return n;
}

void TTbPrimDataset::ClearCalcFields(uint8_t* buffer) {
    std::memset(buffer + calcOfs_, 0, static_cast<size_t>(CalcFieldsSize()));
}

void TTbPrimDataset::GetBookmarkData(const uint8_t* buffer, uint8_t* data) {
    std::memcpy(data, buffer + bookmarkOfs_, static_cast<size_t>(BookmarkSize));
}

void TTbPrimDataset::SetBookmarkData(uint8_t* buffer, const uint8_t* data) {
    std::memcpy(buffer + bookmarkOfs_, data, static_cast<size_t>(BookmarkSize));
}

TBookmarkFlag TTbPrimDataset::GetBookmarkFlag(const uint8_t* buffer) {
    const uint8_t f = buffer[recInfoOfs_ + 5];
    return f <= 3 ? static_cast<TBookmarkFlag>(f) : TBookmarkFlag::bfCurrent;
}

void TTbPrimDataset::SetBookmarkFlag(uint8_t* buffer, TBookmarkFlag flag) {
    buffer[recInfoOfs_ + 5] = static_cast<uint8_t>(flag);
}

// ---------------------------------------------------------------- cursor

TGetResult TTbPrimDataset::GetRecord(uint8_t* buffer, TGetMode mode, bool doCheck) {
    int32_t recNo = 0;
    int32_t rc = TbiOk;
    switch (mode) {
        case TGetMode::gmCurrent:
            rc = TbiGetRecord(buffer, recNo);
            break;
        case TGetMode::gmNext:
            rc = TbiGetNextRecord(buffer, recNo);
            break;
        case TGetMode::gmPrior:
            rc = TbiGetPriorRecord(buffer, recNo);
            break;
    }
    if (rc == TbiOk) {
        SetBookmarkFlag(buffer, TBookmarkFlag::bfCurrent);
        std::memcpy(buffer + recInfoOfs_, &recNo, 4);
        GetCalcFields(buffer);
        CheckError(TbiGetBookmark(buffer + bookmarkOfs_));
        return TGetResult::grOK;
    }
    if (rc == TbiBof) return TGetResult::grBOF;
    if (rc == TbiEof) return TGetResult::grEOF;
    if (doCheck) CheckError(rc);
    return TGetResult::grError;
}

void TTbPrimDataset::InternalAddRecord(uint8_t* buffer, bool append) {
    CheckError(append ? TbiAppendRecord(buffer) : TbiInsertRecord(buffer));
}

void TTbPrimDataset::InternalDelete() {
    CheckError(TbiDeleteRecord());
}

void TTbPrimDataset::InternalFirst() {
    CheckError(TbiSetToBegin());
}

void TTbPrimDataset::InternalLast() {
    CheckError(TbiSetToEnd());
}

void TTbPrimDataset::InternalGotoBookmark(const uint8_t* bookmark) {
    CheckError(TbiSetToBookmark(bookmark));
}

void TTbPrimDataset::InternalSetToRecord(uint8_t* buffer) {
    InternalGotoBookmark(buffer + bookmarkOfs_);
}

void TTbPrimDataset::InternalInitRecord(uint8_t* buffer) {
    std::memset(buffer, 0, recBufSize_);
    CheckError(TbiInitRecord(buffer));
}

void TTbPrimDataset::InternalPost() {
    uint8_t* buf = ActiveBuffer();
    if (State() == TDataSetState::dsEdit) {
        CheckError(TbiModifyRecord(buf));
    } else {
        CheckError(TbiInsertRecord(buf));
    }
}

void TTbPrimDataset::InternalOpen() {
    CheckError(TbiOpen());
    cursorOpen_ = true;
    recordSize_ = static_cast<uint16_t>(std::clamp<int32_t>(TbiGetRecordSize(), 0, 65535));
    BookmarkSize = std::clamp<int32_t>(TbiGetBookmarkSize(), 0, 256);
    sequenced_ = TbiGetCursorMode() == TbiCursorSequenced;
    FieldDefs().clear();
    InternalInitFieldDefs();
    if (DefaultFields()) CreateFields();
    BindFields(true);
    CalcRecordLayout(false);
    backupBuffer_.assign(recBufSize_, 0);
    CheckError(TbiSetToBegin());
}

void TTbPrimDataset::InternalClose() {
    blobList_.clear();
    if (cursorOpen_) {
        cursorOpen_ = false;
        TbiClose();
    }
    BindFields(false);
    if (DefaultFields()) DestroyDefaultFields();
}

void TTbPrimDataset::InternalHandleException() {
    if (DataSetExceptionHandler) DataSetExceptionHandler(std::current_exception());
}

void TTbPrimDataset::InternalRefresh() {
    CheckError(TbiForceReread());
}

void TTbPrimDataset::ReReadActiveRecord() {
    CheckActive();
    int32_t recNo = 0;
    uint8_t* buf = ActiveBuffer();
    CheckError(TbiGetRecord(buf, recNo));
    std::memcpy(buf + recInfoOfs_, &recNo, 4);
}

int TTbPrimDataset::RecordCount() {
    CheckActive();
    return TbiGetRecordCount();
}

int TTbPrimDataset::RecNo() {
    CheckActive();
    if (State() == TDataSetState::dsCalcFields) return BufferRecNo(CalcBuffer());
    if (BufferRecordCount() == 0) return 0;
    return BufferRecNo(ActiveBuffer());
}

void TTbPrimDataset::SetRecNo(int n) {
    CheckBrowseMode();
    if (BufferRecordCount() > 0 && n == RecNo()) return;
    DoBeforeScroll();
    if (TbiSetRecNo(n) == TbiOk) {
        Resync(TResyncMode{true, true});
        DoAfterScroll();
    } else {
        CursorPosChanged();
    }
}

bool TTbPrimDataset::FindRecord(bool restart, bool goForward) {
    CheckBrowseMode();
    DoBeforeScroll();
    SetFound(false);
    UpdateCursorPos();
    CursorPosChanged();
    int32_t recNo = 0;
    int32_t rc;
    if (goForward) {
        if (restart) CheckError(TbiSetToBegin());
        rc = TbiGetNextRecord(nullptr, recNo);
    } else {
        if (restart) CheckError(TbiSetToEnd());
        rc = TbiGetPriorRecord(nullptr, recNo);
    }
    if (rc == TbiOk) {
        Resync(TResyncMode{true, true});
        SetFound(true);
        DoAfterScroll();
        return true;
    }
    return false;
}

bool TTbPrimDataset::Locate(const std::string& keyFields, const std::vector<std::string>& keyValues,
                            TLocateOptions options) {
    CheckBrowseMode();
    CursorPosChanged();
    if (!TbiLocate(keyFields, keyValues, options)) return false;
    Resync(TResyncMode{true, true});
    DoAfterScroll();
    return true;
}

std::vector<std::string> TTbPrimDataset::Lookup(const std::string& keyFields,
                                                const std::vector<std::string>& keyValues,
                                                const std::string& resultFields) {
    CheckBrowseMode();
    std::vector<std::string> result;
    CursorPosChanged();
    TbiLookup(keyFields, keyValues, resultFields, result);
    return result;
}

// ---------------------------------------------------------------- bookmarks

bool TTbPrimDataset::BookmarkValid(const TBookmark& bookmark) {
    if (!cursorOpen_ || bookmark.size() != static_cast<size_t>(BookmarkSize) || bookmark.empty())
        return false;
    CursorPosChanged();
    int32_t recNo = 0;
    return TbiSetToBookmark(bookmark.data()) == TbiOk && TbiGetRecord(nullptr, recNo) == TbiOk;
}

int TTbPrimDataset::CompareBookmarks(const TBookmark& b1, const TBookmark& b2) {
    if (b1.empty() && b2.empty()) return 0;
    if (b1.empty()) return 1;
    if (b2.empty()) return -1;
    if (!cursorOpen_) return 0;
    if (b1.size() != static_cast<size_t>(BookmarkSize) || b2.size() != b1.size()) return 0;
    int result = 0;
    TbiCompareBookmarks(b1.data(), b2.data(), result);
    return result;
}

// ---------------------------------------------------------------- fields

uint8_t* TTbPrimDataset::GetActiveRecBuf() {
    switch (State()) {
        case TDataSetState::dsBrowse:
            return IsEmptyDbf() ? nullptr : ActiveBuffer();
        case TDataSetState::dsEdit:
        case TDataSetState::dsInsert:
            return ActiveBuffer();
        case TDataSetState::dsCalcFields:
            return CalcBuffer();
        default:
            return nullptr;
    }
}

bool TTbPrimDataset::GetFieldData(const TField& field, void* buffer) {
    const uint8_t* rec = GetActiveRecBuf();
    if (!rec) return false;
    if (field.Calculated()) {
        const uint8_t* p = rec + calcOfs_ + field.Offset();
        if (p[0] == 0) return false;
        if (buffer) std::memcpy(buffer, p + 1, static_cast<size_t>(field.DataSize()));
        return true;
    }
    bool isBlank = true;
    std::vector<uint8_t> scratch;
    if (!buffer) {
        scratch.assign(static_cast<size_t>(std::max(field.DataSize(), 1)), 0);
        buffer = scratch.data();
    }
    if (TbiGetFieldData(field, rec, isBlank, buffer) != TbiOk) return false;
    return !isBlank;
}

void TTbPrimDataset::SetFieldData(TField& field, const void* buffer) {
    const TDataSetState st = State();
    if (st != TDataSetState::dsEdit && st != TDataSetState::dsInsert &&
        st != TDataSetState::dsSetKey && st != TDataSetState::dsCalcFields &&
        st != TDataSetState::dsFilter)
        DatabaseError("Datenmenge weder im Editier- noch im Einfügemodus"_oem);
    uint8_t* rec = GetActiveRecBuf();
    if (!rec) return;
    if (field.Calculated()) {
        uint8_t* p = rec + calcOfs_ + field.Offset();
        p[0] = buffer ? 1 : 0;
        if (buffer) {
            std::memcpy(p + 1, buffer, static_cast<size_t>(field.DataSize()));
        } else {
            std::memset(p + 1, 0, static_cast<size_t>(field.DataSize()));
        }
    } else {
        if (field.ReadOnly() && st != TDataSetState::dsSetKey && st != TDataSetState::dsFilter)
            DatabaseError("Feld '" + field.FieldName() + "' kann nicht verändert werden"_oem);
        field.Validate(buffer);
        CheckError(TbiSetFieldData(field, rec, buffer));
    }
    if (st != TDataSetState::dsCalcFields && st != TDataSetState::dsFilter)
        DataEvent(TDataEvent::deFieldChange, reinterpret_cast<intptr_t>(&field));
}

// ---------------------------------------------------------------- records

void TTbPrimDataset::DoOnNewRecord() {
    if (RecordCount() < 1) ResetBufferBookkeeping();
    TDataSet::DoOnNewRecord();
}

bool TTbPrimDataset::GetCurrentRecord(uint8_t* buffer) {
    if (IsEmpty() || BufferRecordCount() == 0) return false;
    if (GetBookmarkFlag(ActiveBuffer()) != TBookmarkFlag::bfCurrent) return false;
    UpdateCursorPos();
    int32_t recNo = 0;
    return TbiGetRecord(buffer, recNo) == TbiOk;
}

}  // namespace kor2
