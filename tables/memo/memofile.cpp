// Memo files beside dBase tables: reading memos into the memo pad, appending
// and rewriting memos, the free-run chain of dBase IV files, copying, packing
// and the memo text file. Layout in memoformat.h; called through MemoHooks.
#include "tables/memo/memofile.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <string>
#include <utility>

#include "platform/hostfs.h"
#include "platform/progfiles.h"
#include "tables/area/changes.h"
#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginestrings.h"
#include "tables/base/filenames.h"
#include "tables/dbf/dbffile.h"
#include "tables/dbf/dbfformat.h"
#include "tables/memo/memoformat.h"

namespace kor2 {

namespace {

std::map<const DbfArea*, std::unique_ptr<TMemoFileRec>>& OpenMemos() {
    static std::map<const DbfArea*, std::unique_ptr<TMemoFileRec>> memos;
    return memos;
}

uint32_t GetLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint32_t GetBe32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}
void PutLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void PutBe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

bool IsFoxPro(const TMemoFileRec& m) {
    return m.memoType == memo::TypeFoxPro;
}
bool IsDbase3(const TMemoFileRec& m) {
    return m.memoType == memo::TypeDbase3;
}
bool IsDbase4(const TMemoFileRec& m) {
    return !IsFoxPro(m) && !IsDbase3(m);
}

bool HasGroupMark(const uint8_t* p) {
    return std::memcmp(p, memo::GroupMark, 4) == 0;
}

int64_t BlockOffset(const TMemoFileRec& m, int64_t block) {
    return block * m.blockSize;
}
int64_t BlocksOf(const TMemoFileRec& m, int64_t bytes) {
    return (bytes + m.blockSize - 1) / m.blockSize;
}

int32_t RecordNo(const TMemoFileRec& m) {
    return m.area ? m.area->currentRecord : 0;
}

uint16_t IoCode(const TMemoFileRec& m, uint16_t fallback) {
    return IoCodeFromErrno(m.file ? m.file->Error() : 0, fallback);
}

// Releases a held lock, then reports: no error leaves the file locked.
void MemoFail(TMemoFileRec& m, uint16_t code, const std::string& msg) {
    if (m.locked && m.file) m.file->Unlock(memo::LockOffset, memo::LockLength);
    m.locked = false;
    SetEngineError(code, msg);
}

// Writes bytes at pos through the write transform, in chunks of 512 counted
// from pos (the memo's first data byte).
bool WriteData(TMemoFileRec& m, int64_t pos, const char* data, size_t len) {
    if (!m.writeProc)
        return m.file->WriteAt(pos, data, static_cast<int64_t>(len)) == static_cast<int64_t>(len);
    std::vector<char> chunk;
    for (size_t done = 0; done < len; done += memo::ChunkSize) {
        const size_t n = std::min<size_t>(memo::ChunkSize, len - done);
        chunk.assign(data + done, data + done + n);
        m.writeProc(chunk.data(), n);
        if (m.file->WriteAt(pos + static_cast<int64_t>(done), chunk.data(),
                            static_cast<int64_t>(n)) != static_cast<int64_t>(n))
            return false;
    }
    return true;
}

// Reads a memo's data through the read transform. A memo with an open
// length ends at its first 0x1A (also at 0x00 with stopAtZero) or at the
// end of the file. consume gets each piece; it returns false to stop.
template <class Consume>
bool ReadMemoData(TMemoFileRec& m, const MemoExtent& e, int64_t fileSize, bool stopAtZero,
                  size_t chunk, Consume&& consume) {
    const int64_t end = e.length >= 0 ? e.start + e.length : fileSize;
    std::vector<char> buf(m.readProc ? memo::ChunkSize : chunk);
    for (int64_t pos = e.start; pos < end;) {
        const int64_t want = std::min<int64_t>(static_cast<int64_t>(buf.size()), end - pos);
        const int64_t got = m.file->ReadAt(pos, buf.data(), want);
        if (got < 0) return false;
        if (got == 0) break;
        ++m.chunksRead;
        if (m.readProc) m.readProc(buf.data(), static_cast<size_t>(got));
        size_t n = static_cast<size_t>(got);
        bool last = false;
        if (e.length < 0) {
            for (size_t i = 0; i < n; ++i) {
                const auto c = static_cast<uint8_t>(buf[i]);
                if (c == memo::TextEnd || (stopAtZero && c == 0)) {
                    n = i;
                    last = true;
                    break;
                }
            }
        }
        if (!consume(buf.data(), n) || last) break;
        pos += got;
    }
    return true;
}

// Cuts memo text into pad lines at CR, LF and soft returns and at the width.
class LineBreaker {
public:
    explicit LineBreaker(size_t width) : width_(width) {}

    bool Feed(const char* p, size_t n) {
        for (size_t i = 0; i < n; ++i)
            if (!Put(static_cast<uint8_t>(p[i]))) return false;
        return true;
    }
    bool Finish() { return cur_.empty() || Emit(0); }

    std::vector<std::string> lines;
    std::vector<uint8_t> ends;

private:
    bool Put(uint8_t c) {
        if (skipLf_) {
            skipLf_ = false;
            if (c == memo::LineFeed) return true;
        }
        if (c == memo::HardReturn || c == memo::SoftReturn) {
            skipLf_ = true;
            return Emit(c);
        }
        if (c == memo::LineFeed) return Emit(memo::HardReturn);
        if (cur_.size() < width_) {
            cur_ += static_cast<char>(c);
            return true;
        }
        // The line is full: it ends after its last blank, or here when it has
        // none; the rest goes on in the next line, so a wrap loses nothing.
        const size_t blank = cur_.rfind(' ');
        std::string rest;
        if (blank != std::string::npos) {
            rest = cur_.substr(blank + 1);
            cur_.resize(blank + 1);
        }
        if (!Emit(0)) return false;
        cur_ = rest + static_cast<char>(c);
        return true;
    }
    bool Emit(uint8_t end) {
        if (lines.size() >= static_cast<size_t>(MemoPadMaxLines)) return false;
        lines.push_back(std::move(cur_));
        ends.push_back(end);
        cur_.clear();
        return true;
    }

    size_t width_;
    std::string cur_;
    bool skipLf_ = false;
};

// The memo pad as stored bytes: hard and soft returns as CR LF and 0x8D LF,
// a wrapped line joined to the next, the last line ended by CR LF.
std::string PadText() {
    std::string text;
    for (size_t i = 0; i < MemoPadLines.size(); ++i) {
        text += MemoPadLines[i];
        const uint8_t end = i < MemoPadLineEnds.size() ? MemoPadLineEnds[i] : 0;
        if (end == memo::SoftReturn) {
            text += static_cast<char>(memo::SoftReturn);
            text += static_cast<char>(memo::LineFeed);
        } else if (end == memo::HardReturn || i + 1 == MemoPadLines.size()) {
            text += "\r\n";
        }
    }
    return text;
}

// Reads the next-free number of a dBase IV header; 0 when unreadable.
uint32_t HeaderNextFree(TMemoFileRec& m) {
    uint8_t b[4] = {};
    if (m.file->ReadAt(memo::OffNextFree, b, 4) != 4) return 0;
    return GetLe32(b);
}

bool WriteRun(TMemoFileRec& m, int64_t block, uint32_t next, uint32_t length) {
    uint8_t b[memo::RunHeaderSize];
    PutLe32(b + memo::OffRunNext, next);
    PutLe32(b + memo::OffRunLength, length);
    return m.file->WriteAt(BlockOffset(m, block), b, sizeof b) == sizeof b;
}

bool SetLink(TMemoFileRec& m, int64_t prev, uint32_t target) {
    if (prev == 0) return MainHeaderWrite(m, target);
    uint8_t b[4];
    PutLe32(b, target);
    return m.file->WriteAt(BlockOffset(m, prev) + memo::OffRunNext, b, 4) == 4;
}

// One run of the free chain; valid only when it lies wholly inside the file.
struct FreeRun {
    int64_t block = 0;
    uint32_t next = 0;
    uint32_t length = 0;
};
bool ReadRun(TMemoFileRec& m, int64_t block, int64_t fileBlocks, FreeRun& run) {
    uint8_t b[memo::RunHeaderSize];
    if (block <= 0 || block >= fileBlocks) return false;
    if (m.file->ReadAt(BlockOffset(m, block), b, sizeof b) != sizeof b) return false;
    run.block = block;
    run.next = GetLe32(b + memo::OffRunNext);
    run.length = GetLe32(b + memo::OffRunLength);
    return run.length >= 1 && block + run.length <= fileBlocks;
}

// Takes `needed` blocks from the first run of the chain that is long enough;
// 0 when none is (the memo then goes to the end of the file).
int64_t TakeFreeRun(TMemoFileRec& m, int64_t needed, int64_t fileBlocks, bool& fault) {
    int64_t prev = 0;
    int64_t block = HeaderNextFree(m);
    for (int i = 0; i < memo::MaxFreeRuns; ++i) {
        FreeRun run;
        if (block >= fileBlocks || !ReadRun(m, block, fileBlocks, run)) return 0;
        if (run.length >= needed) {
            bool ok;
            if (run.length > needed) {
                const int64_t rest = run.block + needed;
                ok = WriteRun(m, rest, run.next, static_cast<uint32_t>(run.length - needed)) &&
                     SetLink(m, prev, static_cast<uint32_t>(rest));
            } else {
                ok = SetLink(m, prev, run.next);
            }
            fault = !ok;
            return ok ? run.block : 0;
        }
        if (run.next <= run.block) return 0;  // the chain must run forward
        prev = run.block;
        block = run.next;
    }
    fault = !MainHeaderWrite(m, static_cast<uint32_t>(fileBlocks));
    return 0;
}

// A memo's stored bytes, its group header or ending 0x1A included.
std::string RawMemo(TMemoFileRec& m, const MemoExtent& e, int64_t fileSize) {
    const int64_t from = e.groupHeader ? e.start - memo::GroupHeaderSize : e.start;
    const int64_t end = e.length >= 0 ? e.start + e.length : fileSize;
    std::string bytes;
    std::vector<char> buf(m.blockSize);
    for (int64_t pos = from; pos < end;) {
        const int64_t got =
            m.file->ReadAt(pos, buf.data(), std::min<int64_t>(m.blockSize, end - pos));
        if (got <= 0) break;
        const auto n = static_cast<size_t>(got);
        const void* stop = e.length < 0 ? std::memchr(buf.data(), memo::TextEnd, n) : nullptr;
        if (stop) {
            bytes.append(buf.data(), static_cast<const char*>(stop) - buf.data() + 1);
            break;
        }
        bytes.append(buf.data(), n);
        pos += got;
    }
    return bytes;
}

// The memo file's name with the operation in brackets, as every message has it.
std::string Tagged(const TMemoFileRec& m, const std::string& op) {
    return platform::DisplayPath(m.fileName) + " [" + op + "]";
}

}  // namespace

MemoExtent ExamineMemo(TMemoFileRec& m, int64_t block, int64_t fileSize) {
    MemoExtent e;
    const int64_t off = BlockOffset(m, block);
    if (block <= 0 || off >= fileSize) return e;
    uint8_t head[memo::GroupHeaderSize] = {};
    const int64_t got = m.file->ReadAt(off, head, sizeof head);
    if (got < 0) return e;
    e.readable = true;
    e.start = off;
    e.firstWordFF = got >= 2 && head[0] == 0xFF && head[1] == 0xFF;
    if (IsFoxPro(m) || (got >= 4 && HasGroupMark(head))) {
        e.groupHeader = true;
        e.start = off + memo::GroupHeaderSize;
        int64_t len = 0;
        if (got == memo::GroupHeaderSize) {
            len = IsFoxPro(m) ? GetBe32(head + memo::OffFptLength)
                              : static_cast<int64_t>(GetLe32(head + memo::OffGroupLength)) -
                                    memo::GroupHeaderSize;
        }
        e.length = std::clamp<int64_t>(len, 0, std::max<int64_t>(0, fileSize - e.start));
    }
    return e;
}

void FreeMemoPad() {
    MemoPadLines.clear();
    MemoPadLineEnds.clear();
    MemoPadExists = false;
}

uint8_t GetMemoType(const DbfArea& area) {
    switch (area.prolog[dbf::OffVersion]) {
        case memo::TypeDbase3:
            return memo::TypeDbase3;
        case memo::TypeDbase4:
            return memo::TypeDbase4;
        case memo::TypeLevel7:
            return memo::TypeLevel7;
        case memo::TypeFoxPro:
            return memo::TypeFoxPro;
        default:
            return DefaultMemoType;
    }
}

TMemoFileRec* MemoFileOf(const DbfArea& area) {
    auto& memos = OpenMemos();
    const auto it = memos.find(&area);
    return it == memos.end() ? nullptr : it->second.get();
}

void SetMemoTransforms(DbfArea& area, MemoTransformProc readProc, MemoTransformProc writeProc) {
    if (TMemoFileRec* m = MemoFileOf(area)) {
        m->readProc = std::move(readProc);
        m->writeProc = std::move(writeProc);
    }
}

bool OpenMemofile(DbfArea& area, const std::string& tableName) {
    const std::string name =
        MemoFileName(tableName + SplitFileName(area.fileName).ext, area.prolog[dbf::OffVersion]);
    if (TMemoFileRec* open = MemoFileOf(area)) {
        SetEngineError(1007, Tagged(*open, "USE"));
        return false;
    }
    auto m = std::make_unique<TMemoFileRec>();
    m->fileName = name;
    m->memoType = DefaultMemoType;
    m->blockSize = memo::DefaultBlockSize;
    m->area = &area;
    m->shared = !area.exclusive;
    uint16_t io = 0;
    // Deny write, or deny none for a shared table; a mode forced by the caller wins.
    uint8_t share = area.exclusive ? 0x22 : ShareDenyNone;
    if (ForcedOpenMode < 65535) share = static_cast<uint8_t>(ForcedOpenMode);
    m->file = OpenEngineFile(name, share, io);
    if (!m->file) {
        SetEngineError(io, "Memo-Datei nicht gefunden: " + platform::DisplayPath(name) + " [USE]");
        return false;
    }
    m->fileName = platform::ExistingName(name);  // a Pack replaces this file
    m->memoType = GetMemoType(area);
    // A header too short to hold the block size keeps the default.
    uint8_t head[memo::Dbt4HeaderReadSize] = {};
    if (IsFoxPro(*m)) {
        if (m->file->ReadAt(0, head, memo::FptHeaderReadSize) == memo::FptHeaderReadSize)
            m->blockSize = static_cast<uint16_t>(head[memo::OffFptBlockSize] << 8 |
                                                 head[memo::OffFptBlockSize + 1]);
    } else if (IsDbase4(*m)) {
        if (m->file->ReadAt(0, head, memo::Dbt4HeaderReadSize) == memo::Dbt4HeaderReadSize)
            m->blockSize = static_cast<uint16_t>(head[memo::OffDbt4BlockSize] |
                                                 head[memo::OffDbt4BlockSize + 1] << 8);
    }
    if (IsDbase3(*m) || m->blockSize == 0) m->blockSize = memo::Dbt3BlockSize;
    OpenMemos()[&area] = std::move(m);
    return true;
}

bool CloseMemofile(DbfArea& area) {
    auto& memos = OpenMemos();
    const auto it = memos.find(&area);
    if (it == memos.end()) return true;
    TMemoFileRec& m = *it->second;
    bool ok = true;
    if (m.locked) ok = UnlockMemo(m, "CloseMemofile");
    if (m.file && !m.file->Flush()) {
        SetEngineError(IoCode(m, 103), Tagged(m, "CloseMemofile"));
        ok = false;
    }
    memos.erase(it);
    return ok;
}

bool RecreateMemofile(DbfArea& area, const std::string& tableName) {
    const TMemoFileRec* m = MemoFileOf(area);
    const uint8_t type = m ? m->memoType : GetMemoType(area);
    const std::string name =
        m ? m->fileName
          : MemoFileName(tableName + SplitFileName(area.fileName).ext, area.prolog[0]);
    if (!CloseMemofile(area)) return false;
    if (!CreateMemoFile(name, type, MemoBlockSize, "CreateMemofile")) return false;
    return OpenMemofile(area, tableName);
}

bool MainHeaderWrite(TMemoFileRec& m, uint32_t next) {
    uint8_t b[4];
    if (IsFoxPro(m))
        PutBe32(b, next);
    else
        PutLe32(b, next);
    if (m.file->WriteAt(memo::OffNextFree, b, 4) != 4) {
        MemoFail(m, 29, Tagged(m, "MainHeaderWrite()"));
        return false;
    }
    return true;
}

bool UpdateMemoHeader(TMemoFileRec& m) {
    const int64_t size = m.file->Size();
    if (size < 0) {
        MemoFail(m, IoCode(m, 29), Tagged(m, "UpdateMemoHeader()"));
        return false;
    }
    const int64_t blocks = BlocksOf(m, size);
    if (!MainHeaderWrite(m, static_cast<uint32_t>(std::min<int64_t>(blocks, UINT32_MAX))))
        return false;
    // The change counter lies in the header block only for blocks of 36 bytes and more.
    if (IsDbase4(m) && m.blockSize >= memo::OffChangeCounter + 4) {
        uint8_t b[4] = {};
        if (m.file->ReadAt(memo::OffChangeCounter, b, 4) != 4) std::memset(b, 0, 4);
        PutLe32(b, GetLe32(b) + m.chunksRead);
        if (m.file->WriteAt(memo::OffChangeCounter, b, 4) != 4) {
            MemoFail(m, 29, Tagged(m, "UpdateMemoHeader()"));
            return false;
        }
    }
    return true;
}

bool ReadGroupHeader(TMemoFileRec& m, int32_t& blockNo, uint8_t (&header)[8]) {
    const int64_t block = std::abs(static_cast<int64_t>(blockNo));
    if (m.file->ReadAt(BlockOffset(m, block), header, 8) != 8) {
        MemoFail(m, 30, Tagged(m, "ReadGroupHeader()"));
        return false;
    }
    return true;
}

bool WriteGroupHeader(TMemoFileRec& m, int64_t offset, uint32_t length) {
    uint8_t b[memo::GroupHeaderSize];
    if (IsFoxPro(m)) {
        PutBe32(b + memo::OffFptType, memo::FptTypeText);
        PutBe32(b + memo::OffFptLength, length);
    } else {
        std::memcpy(b, memo::GroupMark, 4);
        PutLe32(b + memo::OffGroupLength, length + memo::GroupHeaderSize);
    }
    if (m.file->WriteAt(offset, b, sizeof b) != sizeof b) {
        MemoFail(m, 29, Tagged(m, "WriteGroupHeader()"));
        return false;
    }
    return true;
}

int64_t LockMemoPadAndSeekEOF(TMemoFileRec& m, const std::string& tag) {
    // A memo being written through a byte stream owns the end of the file.
    if (m.blob.valid && m.blob.mode == BlobWrite) {
        SetEngineError(1017, Tagged(m, tag));
        return -1;
    }
    if (m.shared && !m.locked) {
        // Another program holds the lock only while it writes one memo.
        for (uint32_t retries = MemoLockRetries;; --retries) {
            m.locked = m.file->Lock(memo::LockOffset, memo::LockLength);
            if (m.locked || retries == 0) break;
            WaitTicks(MemoLockDelay);
        }
        if (!m.locked) {
            SetEngineError(1017, Tagged(m, tag));
            return -1;
        }
    }
    const int64_t size = m.file->Size();
    if (size < 0) {
        MemoFail(m, IoCode(m, 100), Tagged(m, tag));
        return -1;
    }
    if (IsDbase3(m) && size == memo::Dbt3NewFileSize) return memo::Dbt3BlockSize;
    // New memos never start inside the header: 512 bytes for dBase III and FoxPro.
    const int64_t header = IsDbase4(m) ? memo::Dbt4HeaderReadSize : memo::FixedHeaderSize;
    const int64_t end = BlocksOf(m, std::max(size, header)) * m.blockSize;
    if (end > size) {
        const std::vector<char> zeros(static_cast<size_t>(end - size), 0);
        if (m.file->WriteAt(size, zeros.data(), end - size) != end - size) {
            MemoFail(m, IoCode(m, 101), Tagged(m, tag));
            return -1;
        }
    }
    return end;
}

bool UnlockMemo(TMemoFileRec& m, const std::string& tag) {
    if (!m.locked) return true;
    m.locked = false;
    if (!m.file->Unlock(memo::LockOffset, memo::LockLength)) {
        SetEngineError(1018, Tagged(m, tag));
        return false;
    }
    return true;
}

bool GetMemo(TMemoFileRec& m, int32_t blockNo) {
    FreeMemoPad();
    MemoPadExists = true;
    m.chunksRead = 0;
    const int64_t block = std::abs(static_cast<int64_t>(blockNo));
    const int64_t size = m.file->Size();
    if (block == 0 || size <= BlockOffset(m, block)) return true;
    const MemoExtent e = ExamineMemo(m, block, size);
    const bool blob = !e.readable || (IsDbase4(m) && !e.groupHeader && !e.firstWordFF);
    if (blob) {
        MemoPadLines = {"(BLOB)"};
        MemoPadLineEnds = {0};
        return true;
    }
    LineBreaker lines(MemoWidthOn ? MemoWidth : MemoLineWidth);
    bool full = false;
    const bool read = ReadMemoData(m, e, size, false, m.blockSize, [&](const char* p, size_t n) {
        full = !lines.Feed(p, n);
        return !full;
    });
    if (!read) {
        MemoPadLines = {"(BLOB)"};
        MemoPadLineEnds = {0};
        return true;
    }
    if (!full) full = !lines.Finish();
    MemoPadLines = std::move(lines.lines);
    MemoPadLineEnds = std::move(lines.ends);
    if (full) {
        SetEngineError(217, "Reading memo field in " + platform::DisplayPath(m.fileName) +
                                " Record # " + std::to_string(RecordNo(m)));
        return false;
    }
    return true;
}

int32_t AddMemo(TMemoFileRec& m, const std::string& text) {
    EngineErrorCode = 0;
    std::string t = TrimRightStr(text);
    if (t.empty()) return 0;
    const int64_t pos = LockMemoPadAndSeekEOF(m, "AddMemo");
    if (pos < 0) return 0;
    const int64_t block = pos / m.blockSize;
    bool ok = block <= std::numeric_limits<int32_t>::max();
    if (ok && IsDbase3(m)) {
        t += memo::TextEndPair;
        t.resize(static_cast<size_t>(BlocksOf(m, static_cast<int64_t>(t.size())) * m.blockSize),
                 '\0');
        ok = WriteData(m, pos, t.data(), t.size());
    } else if (ok) {
        if (!WriteGroupHeader(m, pos, static_cast<uint32_t>(t.size()))) return 0;
        ok = WriteData(m, pos + memo::GroupHeaderSize, t.data(), t.size());
    }
    if (!ok) {
        MemoFail(m, IoCode(m, 101), Tagged(m, "AddMemo"));
        return 0;
    }
    if (!UnlockMemo(m, "AddMemo") || !UpdateMemoHeader(m)) return 0;
    return static_cast<int32_t>(block);
}

bool EditMemo(TMemoFileRec& m, int32_t& blockNo) {
    const std::string tag = "EditMemo/CloseMemo";
    std::string text = PadText();
    FreeMemoPad();
    if (text.empty()) {
        blockNo = 0;
        return true;
    }
    if (IsDbase3(m)) text += memo::TextEndPair;
    const int64_t freeBytes = DiskFreeOfPath(m.fileName);
    if (freeBytes >= 0 && freeBytes / 1024 <= static_cast<int64_t>(text.size()) / 1024) {
        SetEngineError(1004, platform::DisplayPath(m.fileName));
        return false;
    }
    const int64_t end = LockMemoPadAndSeekEOF(m, tag);
    if (end < 0) return false;
    int64_t place = end / m.blockSize;
    if (IsDbase4(m)) {
        // The new text goes where the old one is not: a run of the free chain
        // or the end of the file. The record's new block number is then the
        // one write that switches to it, so the old text stays readable until
        // the new one is whole. The old blocks stay unused until the next pack
        // (linking them into the chain would overwrite the old text's header
        // before the record points elsewhere).
        const int64_t fileBlocks = end / m.blockSize;
        const int64_t needed =
            BlocksOf(m, static_cast<int64_t>(text.size()) + memo::GroupHeaderSize);
        bool fault = false;
        const int64_t run = TakeFreeRun(m, needed, fileBlocks, fault);
        if (fault) {
            MemoFail(m, IoCode(m, 101), Tagged(m, tag));
            return false;
        }
        if (run > 0) place = run;
    }
    if (place > std::numeric_limits<int32_t>::max()) {
        MemoFail(m, 1005, Tagged(m, tag));
        return false;
    }
    int64_t pos = BlockOffset(m, place);
    if (!IsDbase3(m)) {
        if (!WriteGroupHeader(m, pos, static_cast<uint32_t>(text.size()))) return false;
        pos += memo::GroupHeaderSize;
    }
    if (!WriteData(m, pos, text.data(), text.size())) {
        MemoFail(m, IoCode(m, 101), Tagged(m, tag));
        return false;
    }
    if (!UnlockMemo(m, tag) || !UpdateMemoHeader(m)) return false;
    blockNo = static_cast<int32_t>(place);
    return true;
}

int32_t CopyMemo(DbfArea& src, int32_t blockNo, DbfArea& dst, bool sameBlock) {
    const std::string tag = "AppendFrom/CopyTo";
    if (blockNo == 0) return 0;
    TMemoFileRec* s = MemoFileOf(src);
    TMemoFileRec* d = MemoFileOf(dst);
    if (!s || !d) {
        const DbfArea& missing = s ? dst : src;
        SetEngineError(1019,
                       platform::DisplayPath(missing.fileName) + " No Memo Field [" + tag + "]");
        return 0;
    }
    // The source memo into memory: its extent is cut to the source file.
    const int64_t srcSize = s->file->Size();
    const int64_t block = std::abs(static_cast<int64_t>(blockNo));
    const MemoExtent e = ExamineMemo(*s, block, srcSize);
    std::string data;
    if (!e.readable ||
        !ReadMemoData(*s, e, srcSize, true, s->blockSize, [&](const char* p, size_t n) {
            data.append(p, n);
            return true;
        })) {
        SetEngineError(30, platform::DisplayPath(s->fileName) + " Memo block # " +
                               std::to_string(block) + " [" + tag + "]");
        return 0;
    }
    int64_t pos = LockMemoPadAndSeekEOF(*d, tag);
    if (pos < 0) return 0;
    if (sameBlock) pos = BlockOffset(*d, block);
    const int64_t newBlock = pos / d->blockSize;
    // Bytes that a dBase III text cannot hold (0x1A, 0x00) keep their group header there.
    const bool keepHeader =
        IsDbase3(*d) &&
        (blockNo < 0 || data.find_first_of(std::string("\x1A\0", 2)) != std::string::npos);
    bool ok = newBlock <= std::numeric_limits<int32_t>::max();
    if (ok && IsDbase3(*d) && !keepHeader) {
        data += memo::TextEndPair;
        ok = WriteData(*d, pos, data.data(), data.size());
    } else if (ok) {
        if (!WriteGroupHeader(*d, pos, static_cast<uint32_t>(data.size()))) return 0;
        ok = WriteData(*d, pos + memo::GroupHeaderSize, data.data(), data.size());
    }
    if (!ok) {
        MemoFail(*d, IoCode(*d, 101), Tagged(*d, tag));
        return 0;
    }
    if (!UpdateMemoHeader(*d) || !UnlockMemo(*d, tag)) return 0;
    return keepHeader ? -static_cast<int32_t>(newBlock) : static_cast<int32_t>(newBlock);
}

namespace {

// A packed memo file written beside the old one, its table's references
// already changed, waiting for its rename.
struct PendingMemoPack {
    DbfArea* area = nullptr;
    ChangeJournal* journal = nullptr;  // takes the new file back unless renamed
    size_t entry = 0;
};
PendingMemoPack pendingPack;

}  // namespace

bool PackMemofile(DbfArea& area) {
    const std::string tag = "PackMemofile";
    const TMemoFileRec* m = MemoFileOf(area);
    if (!m) {
        SetEngineError(1019, platform::DisplayPath(area.fileName) + " No Memo Field [" + tag + "]");
        return false;
    }
    ChangeJournal journal(TableJournalName(area.fileName), tag);
    size_t entry = 0;
    if (!journal.PlanFile(m->fileName, entry) || !journal.Begin() ||
        !PrepareMemoPack(area, journal, entry))
        return false;
    if (!journal.Ready()) {
        DiscardMemoPack();
        return false;
    }
    const bool done = CommitMemoPack(area);
    journal.Finish(false);
    return done;
}

void DiscardMemoPack() {
    pendingPack = PendingMemoPack();
}

bool PrepareMemoPack(DbfArea& area, ChangeJournal& journal, size_t entry) {
    DiscardMemoPack();
    const std::string tag = "PackMemofile";
    TMemoFileRec* m = MemoFileOf(area);
    if (!m) {
        SetEngineError(1019, platform::DisplayPath(area.fileName) + " No Memo Field [" + tag + "]");
        return false;
    }
    const int64_t oldSize = m->file->Size();
    const int64_t freeBytes = DiskFreeOfPath(m->fileName);
    if (oldSize < 0 || (freeBytes >= 0 && freeBytes / 1024 < oldSize / 1024)) {
        SetEngineError(1012, Tagged(*m, tag));
        return false;
    }
    std::vector<size_t> memoFields;
    for (size_t i = 0; i < area.fields.size(); ++i)
        if (area.fields[i].type == 'M') memoFields.push_back(i);

    // First every memo goes into the new file; the table is changed only
    // once that file is complete, so a failure leaves table and memos as they were.
    // The new file is the one the journal names, beside the file it replaces.
    const std::string tempName = journal.NewPath(entry);
    TMemoFileRec fresh;
    fresh.fileName = tempName;
    fresh.memoType = m->memoType;
    fresh.blockSize = m->blockSize;
    fresh.file = journal.Make(entry);
    auto abandon = [&](uint16_t code, const std::string& msg) {
        fresh.file.reset();
        SetEngineError(code, msg);
        return false;
    };
    if (!fresh.file) return false;
    if (!WriteMemoFileHeader(*fresh.file, tempName, m->memoType, m->blockSize, tag)) return false;
    const int32_t savedRecord = area.currentRecord;
    struct Change {
        int32_t record;
        size_t field;
        int32_t block;
    };
    std::vector<Change> changes;
    for (int32_t r = 1; r <= area.recordCount; ++r) {
        if (!GetDbfRecord(area, r)) return abandon(EngineErrorCode, EngineErrorMsg);
        for (size_t fi : memoFields) {
            const DbfFieldEntry& f = area.fields[fi];
            const int32_t old = StoredIntValue(area.record.data() + f.offset, f.length);
            if (old == 0) continue;
            const int64_t block = std::abs(static_cast<int64_t>(old));
            const MemoExtent e = ExamineMemo(*m, block, oldSize);
            if (!e.readable)
                return abandon(1003, platform::DisplayPath(m->fileName) + " Memo block # " +
                                         std::to_string(old) + " Record # " + std::to_string(r) +
                                         " [PackMemo]");
            const int64_t pos = LockMemoPadAndSeekEOF(fresh, "PackMemo");
            if (pos < 0) return abandon(EngineErrorCode, EngineErrorMsg);
            // The memo is copied as it stands, its header or 0x1A included.
            const std::string bytes = RawMemo(*m, e, oldSize);
            if (fresh.file->WriteAt(pos, bytes.data(), static_cast<int64_t>(bytes.size())) !=
                static_cast<int64_t>(bytes.size()))
                return abandon(1005, tempName + " [PackMemo]");
            const int64_t nb = pos / fresh.blockSize;
            changes.push_back({r, fi, static_cast<int32_t>(old < 0 ? -nb : nb)});
        }
    }
    const int64_t padded = LockMemoPadAndSeekEOF(fresh, "PackMemo");
    if (padded < 0) return abandon(1005, tempName + " [PackMemo]");
    if (!MainHeaderWrite(fresh, static_cast<uint32_t>(padded / fresh.blockSize)))
        return abandon(EngineErrorCode, EngineErrorMsg);
    fresh.file.reset();

    // The records take the new numbers before the new file replaces the old
    // one: within Pack the area stands on the new table file, which nobody
    // sees before its own rename. Without conversion procedures only the
    // field's digits are written, so the rest of the record never passes
    // through a code-page round trip.
    const bool direct = !area.beforeWrite && !area.afterRead;
    for (const Change& c : changes) {
        const DbfFieldEntry& f = area.fields[c.field];
        const std::string text = MemoReferenceText(c.block, f.length);
        if (direct) {
            const int64_t pos = static_cast<int64_t>(area.headerLength) +
                                static_cast<int64_t>(c.record - 1) * area.recordLength + f.offset;
            if (area.file->WriteAt(pos, text.data(), f.length) != f.length) {
                SetEngineError(IoCodeFromErrno(area.file->Error(), 101),
                               "Datei:  " + platform::DisplayPath(area.fileName) +
                                   " [Replace/Append/PutDbfRecord]");
                return false;
            }
            if (area.changeState == ChangeNone) area.changeState = ChangeRewritten;
            continue;
        }
        if ((area.currentRecord != c.record && !GetDbfRecord(area, c.record)) ||
            (area.record.replace(f.offset, f.length, text), !PutDbfRecord(area, c.record)))
            return false;
    }
    if (savedRecord >= 1 && savedRecord <= area.recordCount && GetDbfRecord(area, savedRecord) &&
        area.typedBuffer)
        RecordToUserBuffer(area, area.typedBuffer);
    pendingPack = {&area, &journal, entry};
    return true;
}

bool CommitMemoPack(DbfArea& area) {
    const std::string tag = "PackMemofile";
    TMemoFileRec* m = MemoFileOf(area);
    if (pendingPack.area != &area || !pendingPack.journal || !m) {
        SetEngineError(1019, platform::DisplayPath(area.fileName) + " No Memo Field [" + tag + "]");
        return false;
    }
    const PendingMemoPack pending = std::exchange(pendingPack, PendingMemoPack());
    // The new file replaces the old one under its name.
    const std::string name = m->fileName;
    const std::string tableName = StripExtension(area.fileName);
    m->file.reset();
    OpenMemos().erase(&area);
    if (!pending.journal->Put(pending.entry)) {
        const uint16_t code = EngineErrorCode;
        const std::string msg = EngineErrorMsg;
        OpenMemofile(area, tableName);
        SetEngineError(code, msg);
        return false;
    }
    if (!OpenMemofile(area, tableName)) {
        SetEngineError(EngineErrorCode, "Memo-Datei nicht gefunden: " +
                                            platform::DisplayPath(name) + " [" + tag + "]");
        return false;
    }
    return true;
}

// ---- memo text file ----

void MemoTextFile::Assign(DbfArea& area, int32_t& blockNo) {
    area_ = &area;
    blockNo_ = &blockNo;
    mode_ = Mode::Closed;
}

void AssignMemo(MemoTextFile& f, DbfArea& area, int32_t& blockNo) {
    f.Assign(area, blockNo);
}

int MemoTextFile::Reset() {
    if (!area_) return 102;
    TMemoFileRec* m = MemoFileOf(*area_);
    if (!m || !GetMemo(*m, *blockNo_)) return 100;
    mode_ = Mode::Input;
    next_ = 0;
    return 0;
}

int MemoTextFile::Rewrite() {
    if (!area_) return 102;
    FreeMemoPad();
    MemoPadExists = true;
    mode_ = Mode::Output;
    line_.clear();
    soft_ = skipLf_ = false;
    return 0;
}

int MemoTextFile::Append() {
    if (!area_) return 102;
    TMemoFileRec* m = MemoFileOf(*area_);
    if (!m || !GetMemo(*m, *blockNo_)) return 100;
    // The last line was ended by the end of the memo: writing continues on a new line.
    if (!MemoPadLineEnds.empty() && MemoPadLineEnds.back() == 0)
        MemoPadLineEnds.back() = memo::HardReturn;
    mode_ = Mode::Output;
    line_.clear();
    soft_ = skipLf_ = false;
    return 0;
}

int MemoTextFile::ReadLn(std::string& line) {
    line.clear();
    if (mode_ != Mode::Input) return 104;
    if (!MemoPadExists) return 104;
    while (next_ < MemoPadLines.size()) {
        const uint8_t end = MemoPadLineEnds[next_];
        if (end == memo::HardReturn) {
            line += MemoPadLines[next_++].substr(0, MemoLineWidth);
            return 0;
        }
        line += MemoPadLines[next_++];
    }
    return 0;
}

bool MemoTextFile::Eof() const {
    return mode_ != Mode::Input || next_ >= MemoPadLines.size();
}

int MemoTextFile::FinishLine(uint8_t end) {
    if (MemoPadLines.size() >= static_cast<size_t>(MemoPadMaxLines)) return 101;
    MemoPadLines.push_back(std::move(line_));
    MemoPadLineEnds.push_back(end);
    line_.clear();
    soft_ = false;
    return 0;
}

int MemoTextFile::Write(std::string_view text) {
    if (mode_ != Mode::Output) return 105;
    if (!MemoPadExists) return 104;
    for (char ch : text) {
        const auto c = static_cast<uint8_t>(ch);
        if (skipLf_) {
            skipLf_ = false;
            if (c == memo::LineFeed) continue;
        }
        int rc = 0;
        if (c == memo::HardReturn || c == memo::LineFeed) {
            rc = FinishLine(soft_ ? memo::SoftReturn : memo::HardReturn);
            skipLf_ = c == memo::HardReturn;
        } else if (c == memo::SoftReturn) {
            soft_ = true;
        } else {
            if (line_.size() >= static_cast<size_t>(MemoWriteLineMax)) rc = FinishLine(0);
            line_ += ch;
            soft_ = false;
        }
        if (rc != 0) return rc;
    }
    return 0;
}

int MemoTextFile::WriteLn(std::string_view text) {
    const int rc = Write(text);
    return rc != 0 ? rc : Write("\r\n");
}

int MemoTextFile::Close() {
    const Mode mode = mode_;
    mode_ = Mode::Closed;
    if (mode == Mode::Input) {
        FreeMemoPad();
        return 0;
    }
    if (mode != Mode::Output) return 103;
    // A line that no longer fits the full pad is dropped; the pad is stored.
    const int rc = line_.empty() ? 0 : FinishLine(0);
    TMemoFileRec* m = MemoFileOf(*area_);
    if (!m) {
        FreeMemoPad();
        return 103;
    }
    if (!EditMemo(*m, *blockNo_)) return 101;
    return rc;
}

}  // namespace kor2
