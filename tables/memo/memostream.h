// Byte access to one memo for the data-set layer's blob stream: a memo is
// opened for reading or writing through the descriptor of its memo file, read
// or written in pieces, positioned, and closed, which stores a written memo.
#pragma once

#include <cstdint>

#include "tables/memo/memofile.h"

namespace kor2 {

// Prepares memo blockNo for reading, or a new memo for writing. Convert lets
// text memos pass between the DOS code page and the Windows character set.
// The memo's block number, negative in a dBase III file; 0 on failure.
int32_t CreateBlobDescriptor(TMemoFileRec& m, bool convert, int32_t blockNo, uint8_t mode);
// Ends the access; a written memo gets its header with the final length.
bool DestroyBlobDescriptor(TMemoFileRec& m);
// Bytes moved; 0 at the end or when the descriptor has the other mode.
int32_t ReadBlobStream(TMemoFileRec& m, void* buffer, int32_t count);
int32_t WriteBlobStream(TMemoFileRec& m, const void* buffer, int32_t count);
// origin 0 from the start, 1 from the position, 2 from the end; the new
// position, never below 0.
int64_t SeekBlobStream(TMemoFileRec& m, int64_t offset, int origin);

}  // namespace kor2
