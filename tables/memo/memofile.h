// Memo files of the table engine (dBase III and IV .DBT, FoxPro .FPT): open
// and close beside a table, read a memo into the memo pad, append, rewrite,
// copy between tables, pack and recreate, and a memo as a line-oriented text
// file. The work-area layer reaches it through MemoHooks (InitMemoUnit).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tables/base/enginefile.h"
#include "tables/base/filenames.h"
#include "tables/base/journal.h"

namespace kor2 {

struct DbfArea;

// Memo type of tables whose version byte names none of the memo formats.
inline uint8_t DefaultMemoType = 0x8B;
// Another program holds a shared memo file's lock only while it writes one
// memo: a refused lock is tried again this many times, this far apart.
inline uint32_t MemoLockRetries = 1000;
inline uint32_t MemoLockDelay = 10;  // milliseconds

// The memo pad: the lines of the memo being read or edited, one per program.
constexpr int MemoPadMaxLines = 1024;
constexpr int MemoLineWidth = 253;     // line width while the memo-width switch is off
constexpr int MemoWriteLineMax = 254;  // longer lines written to a memo text file are split
inline std::vector<std::string> MemoPadLines;
inline std::vector<uint8_t> MemoPadLineEnds;  // 13 hard, 0x8D soft, 0 wrapped or last line
inline bool MemoPadExists = false;
inline uint8_t MemoWidth = 78;
inline bool MemoWidthOn = false;
void FreeMemoPad();

// A transform procedure sees memo bytes in chunks of 512 (after reading,
// before writing), counted from the first data byte of the memo.
using MemoTransformProc = std::function<void(char* buf, size_t len)>;

// Byte-stream access to one memo (memostream.h).
constexpr uint8_t BlobRead = 1;
constexpr uint8_t BlobWrite = 2;
struct TBlobDescriptor {
    bool valid = false;
    uint8_t mode = 0;        // 1 read, 2 write
    int64_t length = -1;     // -1 while the length is open
    int64_t dataStart = 0;   // file offset of the first data byte
    uint8_t headerSize = 0;  // 0 or 8
    int64_t position = 0;    // bytes read or written so far
    int32_t blockNo = 0;
    int32_t textDecision = -1;  // -1 undecided, 1 text (converted), 0 bytes
    int64_t written = 0;        // highest position written
    std::vector<char> cache;    // 512 bytes when a transform procedure is set
    int64_t cachePos = -1;      // data offset the cache stands for
    int cacheFill = 0;
    bool cacheDirty = false;
};

// One open memo file, beside the table of one work area.
struct TMemoFileRec {
    std::unique_ptr<EngineFile> file;
    std::string fileName;
    uint8_t memoType = 0x8B;
    uint16_t blockSize = 512;
    bool locked = false;
    bool shared = false;  // other programs may append: lock around appends
    DbfArea* area = nullptr;
    MemoTransformProc writeProc;
    MemoTransformProc readProc;
    uint32_t chunksRead = 0;  // memo chunks read since the last GetMemo
    TBlobDescriptor blob;
};

// Where a memo's data lies: behind a group header (dBase IV data, also in a
// dBase III file, and every FoxPro memo) with its length cut to the file's
// end, or from the block's start up to a 0x1A (length -1).
struct MemoExtent {
    bool readable = false;  // the block lies in the file and could be read
    bool groupHeader = false;
    bool firstWordFF = false;  // the block starts with FF FF
    int64_t start = 0;         // file offset of the first data byte
    int64_t length = -1;
};
MemoExtent ExamineMemo(TMemoFileRec& m, int64_t block, int64_t fileSize);

uint8_t GetMemoType(const DbfArea& area);
// The open memo file of a table, nullptr when it has none.
TMemoFileRec* MemoFileOf(const DbfArea& area);
void SetMemoTransforms(DbfArea& area, MemoTransformProc readProc, MemoTransformProc writeProc);

// Opens the memo file of the table (name without extension) for the area.
bool OpenMemofile(DbfArea& area, const std::string& tableName);
bool CloseMemofile(DbfArea& area);
// Closes the memo file, creates an empty one and opens it again.
bool RecreateMemofile(DbfArea& area, const std::string& tableName);

// Reads memo blockNo into the memo pad.
bool GetMemo(TMemoFileRec& m, int32_t blockNo);
// Appends text as a new memo: its block number, 0 for an empty text or on failure.
int32_t AddMemo(TMemoFileRec& m, const std::string& text);
// Writes the memo pad back as the memo of blockNo (which may move) and frees the pad.
bool EditMemo(TMemoFileRec& m, int32_t& blockNo);
// Copies memo blockNo of src's table into dst's memo file: at its end, or
// with sameBlock at the block of the same number. The new block number, 0 on failure.
int32_t CopyMemo(DbfArea& src, int32_t blockNo, DbfArea& dst, bool sameBlock);
// Rewrites the memo file keeping only the memos of the table's records.
bool PackMemofile(DbfArea& area);
// The same in two steps, for Pack: the new memo file (the journal's planned
// `entry`) written beside the old one and the records given the new numbers
// (in the table file the area stands on), then, once the journal is ready,
// the new file renamed into place and opened; or dropped.
bool PrepareMemoPack(DbfArea& area, ChangeJournal& journal, size_t entry);
bool CommitMemoPack(DbfArea& area);
void DiscardMemoPack();

bool MainHeaderWrite(TMemoFileRec& m, uint32_t next);
bool UpdateMemoHeader(TMemoFileRec& m);
bool ReadGroupHeader(TMemoFileRec& m, int32_t& blockNo, uint8_t (&header)[8]);
bool WriteGroupHeader(TMemoFileRec& m, int64_t offset, uint32_t length);
// Locks a shared memo file and pads it to whole blocks: the offset where a
// new memo starts, -1 on failure.
int64_t LockMemoPadAndSeekEOF(TMemoFileRec& m, const std::string& tag);
bool UnlockMemo(TMemoFileRec& m, const std::string& tag);

// A memo read and written as a text file. Reading gives the pad's lines,
// joining wrapped and soft-return lines; writing collects lines and stores
// them as the memo on Close. Results are I/O codes, 0 = fine.
class MemoTextFile {
public:
    void Assign(DbfArea& area, int32_t& blockNo);  // AssignMemo
    int Reset();
    int Rewrite();
    int Append();
    int ReadLn(std::string& line);
    bool Eof() const;
    int Write(std::string_view text);
    int WriteLn(std::string_view text = {});
    int Close();

private:
    enum class Mode { Closed, Input, Output };
    int FinishLine(uint8_t end);
    DbfArea* area_ = nullptr;
    int32_t* blockNo_ = nullptr;
    Mode mode_ = Mode::Closed;
    size_t next_ = 0;
    std::string line_;
    bool soft_ = false;
    bool skipLf_ = false;
};
void AssignMemo(MemoTextFile& f, DbfArea& area, int32_t& blockNo);

}  // namespace kor2
