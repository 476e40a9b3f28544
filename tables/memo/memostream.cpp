// Memo byte streams: reading and writing one memo in pieces for the data-set
// layer, with code-page conversion of text memos and the 512-byte cache for
// the transform procedures. Memo layout in memoformat.h.
#include "tables/memo/memostream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/codepage.h"
#include "tables/base/engineerror.h"
#include "tables/dbf/dbffile.h"
#include "tables/memo/memoformat.h"

namespace kor2 {

namespace {

constexpr int64_t MaxPiece = 32767;
// Memo lengths are 32-bit numbers that count the 8 header bytes as well.
constexpr int64_t MaxPosition = std::numeric_limits<int32_t>::max() - 8;

std::string StreamNote(const TMemoFileRec& m, const std::string& op) {
    return m.fileName + " " + std::to_string(m.blob.blockNo) + " Record # " +
           std::to_string(m.area ? m.area->currentRecord : 0) + " [" + op + "]";
}

void StreamFail(TMemoFileRec& m, uint16_t code, const std::string& op) {
    if (m.locked) UnlockMemo(m, op);
    SetEngineError(code, StreamNote(m, op));
}

// Text unless a control byte other than TAB, LF, CR, 0x0F, 0x14, 0x15 occurs.
bool LooksLikeText(const char* p, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const auto c = static_cast<uint8_t>(p[i]);
        if (c < 32 && c != 9 && c != 10 && c != 13 && c != 0x0F && c != 0x14 && c != 0x15)
            return false;
    }
    return true;
}

// Bytes of the memo's data at data offset pos, through the read transform:
// the transform sees whole 512-byte chunks counted from the first data byte.
int64_t ReadRaw(TMemoFileRec& m, int64_t pos, char* out, int64_t n) {
    TBlobDescriptor& d = m.blob;
    if (!m.readProc) return m.file->ReadAt(d.dataStart + pos, out, n);
    int64_t done = 0;
    while (done < n) {
        const int64_t chunk = (pos + done) / memo::ChunkSize * memo::ChunkSize;
        if (d.cachePos != chunk) {
            const int64_t got =
                m.file->ReadAt(d.dataStart + chunk, d.cache.data(), memo::ChunkSize);
            if (got < 0) return -1;
            d.cachePos = chunk;
            d.cacheFill = static_cast<int>(got);
            d.cacheDirty = false;
            m.readProc(d.cache.data(), static_cast<size_t>(got));
        }
        const int64_t at = pos + done - chunk;
        const int64_t take = std::min<int64_t>(d.cacheFill - at, n - done);
        if (take <= 0) break;
        std::memcpy(out + done, d.cache.data() + at, static_cast<size_t>(take));
        done += take;
    }
    return done;
}

bool FlushCache(TMemoFileRec& m) {
    TBlobDescriptor& d = m.blob;
    if (!d.cacheDirty) return true;
    std::vector<char> out(d.cache.begin(), d.cache.begin() + d.cacheFill);
    m.writeProc(out.data(), out.size());
    d.cacheDirty = false;
    return m.file->WriteAt(d.dataStart + d.cachePos, out.data(), d.cacheFill) == d.cacheFill;
}

// Writes at data offset pos; with a write transform through the cache, whose
// chunk is first filled with what was written there before.
bool WriteRaw(TMemoFileRec& m, int64_t pos, const char* in, int64_t n) {
    TBlobDescriptor& d = m.blob;
    if (!m.writeProc) return m.file->WriteAt(d.dataStart + pos, in, n) == n;
    int64_t done = 0;
    while (done < n) {
        const int64_t chunk = (pos + done) / memo::ChunkSize * memo::ChunkSize;
        if (d.cachePos != chunk) {
            if (!FlushCache(m)) return false;
            d.cachePos = chunk;
            d.cacheFill = 0;
            if (chunk < d.written) {
                const int64_t got =
                    m.file->ReadAt(d.dataStart + chunk, d.cache.data(),
                                   std::min<int64_t>(memo::ChunkSize, d.written - chunk));
                if (got < 0) return false;
                if (m.readProc) m.readProc(d.cache.data(), static_cast<size_t>(got));
                d.cacheFill = static_cast<int>(got);
            }
        }
        const int64_t at = pos + done - chunk;
        const int64_t take = std::min<int64_t>(memo::ChunkSize - at, n - done);
        std::memcpy(d.cache.data() + at, in + done, static_cast<size_t>(take));
        d.cacheFill = static_cast<int>(std::max<int64_t>(d.cacheFill, at + take));
        d.cacheDirty = true;
        done += take;
    }
    return true;
}

}  // namespace

int32_t CreateBlobDescriptor(TMemoFileRec& m, bool convert, int32_t blockNo, uint8_t mode) {
    const std::string op = "CreateBlobDescriptor";
    TBlobDescriptor& d = m.blob;
    d = TBlobDescriptor{};
    d.textDecision = convert ? -1 : 0;
    d.mode = mode;
    if (m.readProc || m.writeProc) d.cache.assign(memo::ChunkSize, 0);
    const bool dbase3 = m.memoType == memo::TypeDbase3;
    int64_t block = std::abs(static_cast<int64_t>(blockNo));
    d.blockNo = static_cast<int32_t>(std::min<int64_t>(block, std::numeric_limits<int32_t>::max()));
    if (mode == BlobWrite) {
        const int64_t end = LockMemoPadAndSeekEOF(m, op);
        if (end < 0) return 0;
        block = end / m.blockSize;
        if (block > std::numeric_limits<int32_t>::max()) {
            StreamFail(m, 1003, op);
            return 0;
        }
        d.blockNo = static_cast<int32_t>(block);
        d.dataStart = end + memo::GroupHeaderSize;
        d.headerSize = memo::GroupHeaderSize;
        d.length = -1;
    } else {
        const int64_t size = m.file->Size();
        const int64_t off = block * m.blockSize;
        if (block == 0) {  // no memo: an empty one
            d.length = 0;
        } else if (size < 0 || off >= size - 1) {
            StreamFail(m, 1003, op);
            return 0;
        } else {
            const MemoExtent e = ExamineMemo(m, block, size);
            if (!e.readable) {
                StreamFail(m, IoCodeFromErrno(m.file->Error(), 100), op);
                return 0;
            }
            d.dataStart = e.start;
            d.headerSize = e.groupHeader ? memo::GroupHeaderSize : 0;
            d.length = e.length;
        }
    }
    d.valid = true;
    return dbase3 ? -d.blockNo : d.blockNo;
}

bool DestroyBlobDescriptor(TMemoFileRec& m) {
    const std::string op = "WriteBlobStream";
    TBlobDescriptor& d = m.blob;
    bool ok = true;
    if (d.valid && d.mode == BlobWrite) {
        if (!FlushCache(m)) {
            StreamFail(m, IoCodeFromErrno(m.file->Error(), 101), op);
            ok = false;
        } else if (d.written > 0) {
            ok = WriteGroupHeader(m, d.dataStart - memo::GroupHeaderSize,
                                  static_cast<uint32_t>(d.written));
        }
        if (ok) ok = UnlockMemo(m, op) && UpdateMemoHeader(m);
    }
    d = TBlobDescriptor{};
    return ok;
}

int32_t ReadBlobStream(TMemoFileRec& m, void* buffer, int32_t count) {
    TBlobDescriptor& d = m.blob;
    if (!d.valid || d.mode != BlobRead || count <= 0) return 0;
    const int64_t size = m.file->Size();
    int64_t want = std::min<int64_t>(count, std::max<int64_t>(0, size - d.dataStart - d.position));
    if (d.length >= 0) want = std::min(want, std::max<int64_t>(0, d.length - d.position));
    auto* out = static_cast<char*>(buffer);
    int64_t done = 0;
    while (done < want) {
        const int64_t n = ReadRaw(m, d.position, out + done, std::min(MaxPiece, want - done));
        if (n < 0) {
            StreamFail(m, IoCodeFromErrno(m.file->Error(), 100), "ReadBlobStream");
            break;
        }
        if (n == 0) break;
        int64_t keep = n;
        if (d.length < 0) {  // an open length ends at the first 0x1A
            const void* end = std::memchr(out + done, memo::TextEnd, static_cast<size_t>(n));
            if (end) {
                keep = static_cast<const char*>(end) - (out + done);
                d.length = d.position + keep;
            }
        }
        if (d.textDecision < 0) d.textDecision = LooksLikeText(out + done, keep) ? 1 : 0;
        if (d.textDecision == 1)
            platform::OemToCharBuff(out + done, out + done, static_cast<size_t>(keep));
        d.position += keep;
        done += keep;
        if (keep < n) break;
    }
    return static_cast<int32_t>(done);
}

int32_t WriteBlobStream(TMemoFileRec& m, const void* buffer, int32_t count) {
    TBlobDescriptor& d = m.blob;
    if (!d.valid || d.mode != BlobWrite || count <= 0) return 0;
    int64_t want = std::min<int64_t>(count, MaxPosition - d.position);
    if (d.length >= 0) want = std::min(want, std::max<int64_t>(0, d.length - d.position));
    const auto* in = static_cast<const char*>(buffer);
    std::vector<char> piece;
    int64_t done = 0;
    while (done < want) {
        const int64_t n = std::min(MaxPiece, want - done);
        piece.assign(in + done, in + done + n);
        if (d.textDecision < 0) d.textDecision = LooksLikeText(piece.data(), piece.size()) ? 1 : 0;
        if (d.textDecision == 1) platform::CharToOemBuff(piece.data(), piece.data(), piece.size());
        if (!WriteRaw(m, d.position, piece.data(), n)) {
            StreamFail(m, IoCodeFromErrno(m.file->Error(), 101), "WriteBlobStream");
            break;
        }
        d.position += n;
        d.written = std::max(d.written, d.position);
        done += n;
    }
    return static_cast<int32_t>(done);
}

int64_t SeekBlobStream(TMemoFileRec& m, int64_t offset, int origin) {
    TBlobDescriptor& d = m.blob;
    if (!d.valid) return 0;
    int64_t base = 0;
    if (origin == 1) {
        base = d.position;
    } else if (origin == 2) {
        if (d.mode == BlobWrite) {
            base = d.written;
        } else {
            if (d.length < 0) {  // read through to the 0x1A or the file's end
                const int64_t pos = d.position;
                const int32_t decision = d.textDecision;
                d.textDecision = 0;
                std::vector<char> scratch(4096);
                while (ReadBlobStream(m, scratch.data(), static_cast<int32_t>(scratch.size())) >
                       0) {
                }
                if (d.length < 0) d.length = d.position;
                d.position = pos;
                d.textDecision = decision;
            }
            base = d.length;
        }
    }
    const int64_t target = offset > MaxPosition - base ? MaxPosition : base + offset;
    d.position = std::clamp<int64_t>(target, 0, MaxPosition);
    return d.position;
}

}  // namespace kor2
