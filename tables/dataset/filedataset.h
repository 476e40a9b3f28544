// File data set: opens a real .dbf (created from DbfFields when missing) with
// record and file locks and retry events, field texts of any record, and the
// blob stream over a memo field. TTbDbf is the component the browser holds.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tables/dataset/commandds.h"
#include "tables/dbf/dbffile.h"
#include "tables/index/ndxfile.h"

namespace kor2 {

enum TCreateIndexType { ciNotFound, ciAlways, ciVerifyHeader, ciNever };

// One line of IndexList: "order, file name, key expression".
struct IndexLine {
    int order = 0;
    std::string file;
    std::string key;  // the rest of the line: an expression may hold commas
};

using TBeforeMakeIndexEvent = std::function<void(const std::string& name, bool& canMake)>;
using TAfterMakeIndexEvent = std::function<void(const std::string& name)>;
using TTbLockFailedEvent = std::function<void(TDataSet& sender, bool& retry)>;

class TTbFileDataSet : public TTbCDataSet {
public:
    TTbFileDataSet() = default;
    ~TTbFileDataSet() override;

    bool AutoFixRecCount = false;
    TCreateIndexType CreateIndex = ciNotFound;
    bool CreateIfNotFound = true;
    std::vector<std::string> IndexList;  // "order, file name, key expression"
    TBeforeMakeIndexEvent OnBeforeMakeIndex;
    TAfterMakeIndexEvent OnAfterMakeIndex;
    TTbLockFailedEvent OnALockFailedOnInsert, OnRLockFailedOnDelete, OnRLockFailedOnPost,
        OnRLockFailedOnRestore;
    // Optional record conversions of the extended open: called on every record
    // read from and before every record written to the file.
    RecordConvProc OpenAfterRead;
    RecordConvProc OpenBeforeWrite;

    bool Exclusive() const { return exclusive_; }
    void SetExclusive(bool on);
    bool IsRunTime() override { return !(Designing && exclusive_); }
    bool IsSequenced();

    // Index files: built from a key expression or a key maker, opened by name.
    virtual void IndexOn(const std::string& keyExpr, const std::string& fileName);
    virtual void IndexOnCB(const std::string& fileName, TTbKeyMaker keyMaker);
    // Blank-separated names (quoted ones may hold blanks), or a list of
    // names each taken whole; no names: back to record order.
    virtual void SetIndexTo(const std::string& fileNames);
    void SetIndexTo(const std::vector<std::string>& fileNames);
    virtual void SetIndexToCB(const std::string& fileName, int order, TTbKeyMaker keyMaker);
    virtual void SetIndexToLFN(const std::string& fileName, int order);
    // Seeks a key (at most 100 characters) in the controlling index.
    bool Find(const std::string& key);
    bool FindExact(const std::string& key);
    bool Locate(const std::string& keyFields, const std::vector<std::string>& keyValues,
                TLocateOptions options) override;
    bool AppendFromDelimited(const std::string& fileName);
    bool CopyToDelimited(const std::string& fileName);

    void Peek(int fieldNo, int32_t recNo, std::string& s);
    bool ALock();
    bool FLock();
    void UnLock();

    std::unique_ptr<TStream> CreateBlobStream(TField& field, TBlobStreamMode mode) override;
    // The memo reference (block number) of a memo field in the current record.
    int32_t MemoReference(const TField& field);
    // Stores a memo reference into the record buffer and the work area's record.
    void StoreMemoReference(TField& field, int32_t ref);

protected:
    bool OpenDbfFile(const std::string& fileName) override;
    void s_AppendWithLock() override;
    void s_DeleteWithLock() override;
    void s_RestoreWithLock() override;
    void s_ReplaceWithLock() override;

private:
    bool OpenIndexList();
    // Closes the indexes when there are no names, else opens them by `open`.
    void SetIndexToNames(bool none, const std::function<void()>& open);
    bool BuildIndexes(const std::vector<IndexLine>& lines, TCreateIndexType mode);
    // The index layer's key maker for a data-set key maker: the record loaded into the active
    // buffer.
    KeyMakerFn WrapKeyMaker(TTbKeyMaker keyMaker);
    // Repeats lock + action while a refused lock's handler asks for a retry.
    void WithLock(bool appendLock, const std::function<void()>& action, bool afterCheck,
                  const TTbLockFailedEvent& onFailed, const char* word);
    bool exclusive_ = false;
};

class TTbDbf : public TTbFileDataSet {};

// Stream over the memo of one field of the current record.
class TTbBlobStream : public TStream {
public:
    TTbBlobStream(TField& field, TTbFileDataSet& dataSet, TBlobStreamMode mode);
    ~TTbBlobStream() override;
    TTbBlobStream(const TTbBlobStream&) = delete;
    TTbBlobStream& operator=(const TTbBlobStream&) = delete;

    int32_t Read(void* buffer, int32_t count) override;
    int32_t Write(const void* buffer, int32_t count) override;
    int64_t Seek(int64_t offset, int origin) override;

private:
    void Select(const char* context);
    TField& field_;
    TTbFileDataSet& dataSet_;
    bool modified_ = false;
    bool write_ = false;
    bool open_ = false;        // a memo descriptor is held
    bool written_ = false;     // at least one byte written
    int32_t oldBlock_ = 0;     // the field's memo before a write
    int32_t newBlock_ = 0;     // the memo being written
    bool directOpen_ = false;  // table opened for the stream's lifetime
};

}  // namespace kor2
