// Primitive data set: maps the buffer-level hooks of TDataSet onto 25 cursor
// operations (Tbi...) that a record source supplies, and owns the record
// buffer layout. The dBase and in-memory data sets derive from it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/dataset.h"

namespace kor2 {

// Result codes of the cursor operations besides engine error codes.
constexpr int32_t TbiOk = 0;
constexpr int32_t TbiCannotOpen = 1401;
constexpr int32_t TbiBof = 1402;
constexpr int32_t TbiEof = 1403;
constexpr int32_t TbiNoFileName = 1404;

constexpr int32_t TbiCursorSequenced = 2;
constexpr uint16_t RecInfoSize = 6;  // record number, reserved byte, bookmark flag

// Receives exceptions the data set hands on (the application's handler).
inline std::function<void(std::exception_ptr)> DataSetExceptionHandler;

class TTbPrimDataset : public TDataSet {
public:
    TTbPrimDataset() = default;
    ~TTbPrimDataset() override;

    // Raises the "Dataset error: " exception for a non-zero result.
    void CheckError(int32_t code);
    virtual std::string GetErrorText(int32_t code);
    virtual bool IsEmptyDbf();

    int RecordCount() override;
    int RecNo() override;
    void SetRecNo(int n) override;
    bool Locate(const std::string& keyFields, const std::vector<std::string>& keyValues,
                TLocateOptions options) override;
    std::vector<std::string> Lookup(const std::string& keyFields,
                                    const std::vector<std::string>& keyValues,
                                    const std::string& resultFields) override;
    bool BookmarkValid(const TBookmark& bookmark) override;
    int CompareBookmarks(const TBookmark& b1, const TBookmark& b2) override;
    bool GetFieldData(const TField& field, void* buffer) override;
    void SetFieldData(TField& field, const void* buffer) override;
    bool GetCurrentRecord(uint8_t* buffer) override;
    // Reads the current record again into the active buffer.
    void ReReadActiveRecord();

    bool CursorOpen() const { return cursorOpen_; }
    bool Sequenced() const { return sequenced_; }
    uint16_t RecordSize() const { return recordSize_; }
    uint16_t RecInfoOffset() const { return recInfoOfs_; }
    uint16_t BookmarkOffset() const { return bookmarkOfs_; }
    uint16_t CalcOffset() const { return calcOfs_; }
    uint16_t RecBufSize() const { return recBufSize_; }

protected:
    // The cursor protocol.
    virtual int32_t TbiSetToBegin() = 0;
    virtual int32_t TbiSetToEnd() = 0;
    virtual int32_t TbiOpen() = 0;
    virtual int32_t TbiClose() = 0;
    virtual int32_t TbiGetRecordCount() = 0;
    virtual int32_t TbiForceReread() = 0;
    virtual int32_t TbiAppendRecord(uint8_t* buffer) = 0;
    virtual int32_t TbiInsertRecord(uint8_t* buffer) = 0;
    virtual int32_t TbiDeleteRecord() = 0;
    virtual int32_t TbiInitRecord(uint8_t* buffer) = 0;
    virtual int32_t TbiModifyRecord(uint8_t* buffer) = 0;
    virtual int32_t TbiGetRecordSize() = 0;
    virtual int32_t TbiGetCursorMode() = 0;
    virtual int32_t TbiGetRecord(uint8_t* buffer, int32_t& recNo) = 0;  // buffer may be null
    virtual int32_t TbiGetNextRecord(uint8_t* buffer, int32_t& recNo) = 0;
    virtual int32_t TbiGetPriorRecord(uint8_t* buffer, int32_t& recNo) = 0;
    virtual int32_t TbiGetFieldData(const TField& field, const uint8_t* record, bool& isBlank,
                                    void* buffer) = 0;
    virtual int32_t TbiSetFieldData(TField& field, uint8_t* record, const void* buffer) = 0;
    virtual int32_t TbiSetRecNo(int32_t recNo) = 0;
    virtual bool TbiLocate(const std::string& keyFields, const std::vector<std::string>& keyValues,
                           TLocateOptions options) = 0;
    virtual int32_t TbiLookup(const std::string& keyFields,
                              const std::vector<std::string>& keyValues,
                              const std::string& resultFields,
                              std::vector<std::string>& result) = 0;
    virtual int32_t TbiGetBookmarkSize() = 0;
    virtual int32_t TbiSetToBookmark(const uint8_t* bookmark) = 0;
    virtual int32_t TbiGetBookmark(uint8_t* bookmark) = 0;
    virtual int32_t TbiCompareBookmarks(const uint8_t* b1, const uint8_t* b2, int& result) = 0;

    // Hooks of TDataSet.
    uint16_t RecordBufferSize() override { return recBufSize_; }
    void ClearCalcFields(uint8_t* buffer) override;
    uint16_t GetRecordSize() override { return recordSize_; }
    void GetBookmarkData(const uint8_t* buffer, uint8_t* data) override;
    void SetBookmarkData(uint8_t* buffer, const uint8_t* data) override;
    TBookmarkFlag GetBookmarkFlag(const uint8_t* buffer) override;
    void SetBookmarkFlag(uint8_t* buffer, TBookmarkFlag flag) override;
    TGetResult GetRecord(uint8_t* buffer, TGetMode mode, bool doCheck) override;
    void InternalAddRecord(uint8_t* buffer, bool append) override;
    void InternalDelete() override;
    void InternalFirst() override;
    void InternalLast() override;
    void InternalGotoBookmark(const uint8_t* bookmark) override;
    void InternalSetToRecord(uint8_t* buffer) override;
    void InternalInitRecord(uint8_t* buffer) override;
    void InternalPost() override;
    void InternalOpen() override;
    void InternalClose() override;
    void InternalHandleException() override;
    bool IsCursorOpen() override { return cursorOpen_; }
    void InternalRefresh() override;
    bool FindRecord(bool restart, bool goForward) override;
    void DoOnNewRecord() override;

    // Computes the buffer layout; re-asks the sizes when asked to.
    void CalcRecordLayout(bool askSizes);
    // The buffer a field access reads or writes in the current state, or null.
    uint8_t* GetActiveRecBuf();
    int32_t BufferRecNo(const uint8_t* buffer) const;

    std::vector<uint8_t> backupBuffer_;  // a copy of one record buffer
    std::vector<uint8_t*> blobList_;     // blob slots to free on close

private:
    uint16_t recordSize_ = 0;
    uint16_t recBufSize_ = 0;
    uint16_t recInfoOfs_ = 0;
    uint16_t bookmarkOfs_ = 0;
    uint16_t calcOfs_ = 0;
    bool cursorOpen_ = false;
    bool sequenced_ = false;
};

}  // namespace kor2
