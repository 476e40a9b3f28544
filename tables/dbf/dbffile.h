// The lowest layer of the table engine: one open dBase table file (DbfArea).
// Opens and creates tables, reads and writes records and the header, converts
// records between code pages and to the caller's typed record buffer. Called
// by the work-area layer and by the index, memo and virtual-file layers.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/real48.h"
#include "tables/base/enginefile.h"

namespace kor2 {

// Engine settings of the table file layer.
inline uint8_t DefaultCreateVersion = 0x8B;
inline uint8_t ExtraDbfVersion = 0;
inline uint8_t ExtraDbfMemoVersion = 0;
inline bool FlushAfterWrite = false;
inline bool CountFromFileSize = false;
inline uint16_t MemoBlockSize = 512;
inline bool AnsiTables = false;

struct DbfFieldEntry {
    std::string name;  // at most 10 characters, upper case
    char type = 'C';
    uint8_t length = 0;
    uint8_t decimals = 0;
    uint16_t offset = 0;  // position in the record; the first field is at 1
};

// Called with a record buffer (from byte 1) and its length.
using RecordConvProc = std::function<void(char* buf, size_t len)>;

enum DbfChangeState : uint8_t {
    ChangeClosed = 0,
    ChangeNone = 1,
    ChangeRewritten = 2,
    ChangeAppended = 3,
};

enum DbfLockState : uint8_t { LockNone = 0, LockFile = 1, LockAppend = 2, LockRecords = 3 };

struct VFileList;  // the records of a virtual table, kept by the virtual-file layer

struct DbfArea {
    std::string fileName;
    std::string shortName;  // file name without directory, at most 12
    uint8_t prolog[32] = {};
    bool hasMemo = false;
    bool skipDeleted = false;
    uint16_t headerLength = 0;
    uint16_t recordLength = 0;
    uint8_t fieldCount = 0;
    std::vector<DbfFieldEntry> fields;
    uint8_t changeState = ChangeClosed;
    std::string dateText;  // YYYYMMDD of the last update
    std::string record;    // record buffer; byte 0 the deletion flag
    int32_t recordCount = 0;
    int32_t currentRecord = 0;
    bool eof = false;
    bool bof = false;
    bool oem = false;
    RecordConvProc beforeWrite;
    RecordConvProc afterRead;
    std::unique_ptr<EngineFile> file;
    uint8_t shareMode = 0;
    // Virtual tables: control fields for the virtual-file layer.
    uint8_t vOrderKind = 0;
    int32_t vRecordArg = 0;
    uint8_t vOperation = 0;
    uint8_t vStorageKind = 0;
    bool isVirtual = false;
    std::shared_ptr<VFileList> vList;
    // The caller's typed record buffer (or the engine's own).
    uint8_t* typedBuffer = nullptr;
    uint16_t typedSize = 0;
    bool ownBuffer = false;
    std::vector<uint8_t> ownTypedStorage;
    std::string alias;
    uint8_t lockState = LockNone;
    uint16_t recordLockCount = 0;
    std::vector<int32_t> lockedRecords;  // newest first
    std::vector<uint8_t> swapBuffer;
    bool exclusive = false;
};

bool IsValidDbfVersion(uint8_t version);
bool DbfHasMemo(uint8_t version, uint8_t flags);

bool OpenDbf(DbfArea& a);
bool ReadDbfProlog(DbfArea& a, int64_t fileSize);
bool ReadDbf3Header(DbfArea& a, int64_t fileSize);
bool ReadDbf2Header(DbfArea& a, int64_t fileSize);
// Parses one descriptor of the given version layout; false (error 211) for a bad type.
bool ParseFieldDescriptor(const DbfArea& a, const uint8_t* desc, DbfFieldEntry& entry,
                          uint16_t& runningOffset);
void CloseDbf(DbfArea& a);
bool GetDbfRecord(DbfArea& a, int32_t n);
bool PutDbfRecord(DbfArea& a, int32_t n);
bool AppendDbfRecord(DbfArea& a);
bool WriteDeleteFlag(DbfArea& a, int32_t n);
bool WriteDbfHeader(DbfArea& a);
bool CommitDbfHeader(DbfArea& a);
// The header with the count and the end byte after the last record, not
// forced to disk; the change state stays.
bool WriteDbfCount(DbfArea& a);
// Record n's bytes as the file holds them, without any conversion.
bool ReadRawRecord(DbfArea& a, int32_t n, std::string& raw);
bool WriteRawRecord(DbfArea& a, int32_t n, const std::string& raw);
// The record count the header on disk holds; -1 after reporting a read error.
int32_t StoredRecordCount(DbfArea& a);
// Whole records the file holds after the header; -1 when the size is unknown.
int32_t RecordsInFile(DbfArea& a);
// The records of the file: the first `known` of its whole records (counted
// before), and after them each whole record that begins with a deletion flag
// (' ' or '*') up to the first that does not; -1 when the size is unknown.
int32_t CountedRecords(DbfArea& a, int32_t known);
// Cuts the file after record count and writes the end byte there; a file
// that ends before that stays as it is.
bool CutRecords(DbfArea& a, int32_t count);
bool FlushFile(DbfArea& a);

// A field of a new table; length 0 for D, L and memo-like types is filled in.
struct DbfFieldDef {
    std::string name;
    char type = 'C';
    uint8_t length = 0;
    uint8_t decimals = 0;
};
bool CreateDbf(DbfArea& a, const std::string& name, int fieldCount,
               const std::vector<DbfFieldDef>& fields);
std::string MemoFileExt(uint8_t version);
// The memo file of a table file: the memo extension of the version in the
// case of the table file's own extension (x.dbf: x.dbt, X.DBF: X.DBT).
std::string MemoFileName(const std::string& tableFile, uint8_t version);
// The header of a new memo file written into an open file (the memo pack's new file).
bool WriteMemoFileHeader(EngineFile& file, const std::string& name, uint8_t version,
                         uint16_t blockSize, const std::string& caller);
bool CreateMemoFile(const std::string& name, uint8_t version, uint16_t blockSize,
                    const std::string& caller);

enum class TranslateDir { Read, Write };
void TranslateRecord(TranslateDir dir, bool oem, const RecordConvProc& proc, size_t length,
                     char* buffer);

uint16_t TypedFieldSize(const DbfFieldEntry& f);
uint16_t TypedRecordSize(const DbfArea& a);
uint16_t TypedFieldOffset(const DbfArea& a, int fieldIndex);  // 0-based field index
void RecordToUserBuffer(const DbfArea& a, uint8_t* buffer);
void UserBufferToRecord(DbfArea& a, const uint8_t* buffer);

// Values of stored field texts (locale-independent, '.' as the point).
double StoredNumberValue(const char* text, size_t len);
int32_t StoredIntValue(const char* text, size_t len);
// The 6-byte real nearest to d (as Real48::FromExtended, without its long
// double arithmetic on the common path of reading number fields).
Real48 Real48OfDouble(double d);
// Fits a number text into a field: right-aligned, or all '*' when too long.
std::string FitNumberText(const std::string& text, int width);
// A memo field's stored reference: the block number, blanks for no memo.
std::string MemoReferenceText(int32_t block, int width);

uint32_t SwapLong(uint32_t v);
uint16_t SwapWord(uint16_t v);
std::string Zero2(int n);
std::string Zero4(int n);
std::string AreaNameOnly(const DbfArea& a);  // file name without directory
std::string AreaBaseName(const DbfArea& a);  // ... and without extension

}  // namespace kor2
