// Layout of the memo files beside a table (.DBT and .FPT), written down once:
// the memo file layer and the memo byte streams use these constants, never
// bare numbers. The header written for a new memo file is in dbfformat.h.
//
// A memo file is a row of blocks; block 0 is the header, a memo is addressed
// by the number of its first block.
//
// Header (block 0):
//   off size field
//    0   4   next free block: little-endian; big-endian in FoxPro (.FPT) files
//    6   2   FoxPro: block size, big-endian (0 = default 512)
//    8   8   dBase IV: base name of the file, zero-padded
//   18   2   dBase IV: 0x0102
//   20   2   dBase IV (also level 7): block size, little-endian (0 = default 512)
//   32   4   dBase IV: change counter, little-endian, raised by header updates
// dBase III files always have blocks of 512 bytes; a new one is 513 bytes
// long (the header block and one 0x1A).
//
// Memo data at the start of its first block:
//   dBase III   the text, ended by 0x1A (written as 0x1A 0x1A); the rest of the
//               last block zeros
//   dBase IV    group header: FF FF 08 00, then length of text + 8 (32-bit LE);
//               the text follows. Also accepted inside a dBase III file.
//   FoxPro      type (32-bit BE, 1 = text), data length (32-bit BE); data follows
//
// Free runs of dBase IV files: the header's next-free number starts a chain;
// the first 8 bytes of each free run hold
//    0   4   block number of the next free run
//    4   4   length of this run in blocks
// When the header's number equals the file's length in blocks the chain is empty.
#pragma once

#include <cstdint>

namespace kor2::memo {

constexpr uint16_t DefaultBlockSize = 512;
constexpr uint16_t Dbt3BlockSize = 512;

constexpr int OffNextFree = 0;
constexpr int OffFptBlockSize = 6;
constexpr int OffDbt4BlockSize = 20;
constexpr int OffChangeCounter = 32;
constexpr int FptHeaderReadSize = 8;    // bytes read at open to find the block size
constexpr int Dbt4HeaderReadSize = 24;  // ditto for dBase IV
constexpr int Dbt3NewFileSize = 513;    // header block + one 0x1A
constexpr int FixedHeaderSize = 512;    // dBase III and FoxPro headers

constexpr int GroupHeaderSize = 8;
constexpr uint8_t GroupMark[4] = {0xFF, 0xFF, 0x08, 0x00};
constexpr int OffGroupLength = 4;  // length of text + 8, little-endian
constexpr int OffFptType = 0;      // big-endian
constexpr int OffFptLength = 4;    // big-endian, data only
constexpr uint32_t FptTypeText = 1;

constexpr int OffRunNext = 0;
constexpr int OffRunLength = 4;
constexpr int RunHeaderSize = 8;
constexpr int MaxFreeRuns = 100;  // a longer chain is abandoned

constexpr uint8_t TextEnd = 0x1A;  // ends a dBase III memo
// Written twice after a dBase III memo: readers of other programs look for the pair.
constexpr char TextEndPair[] = "\x1A\x1A";
constexpr uint8_t HardReturn = 0x0D;
constexpr uint8_t SoftReturn = 0x8D;
constexpr uint8_t LineFeed = 0x0A;

constexpr int ChunkSize = 512;  // unit of the transform procedures

// Lock of a shared memo file while a memo is appended.
constexpr int64_t LockOffset = 10;
constexpr int64_t LockLength = 1;

// Memo type bytes (the version byte of the table).
constexpr uint8_t TypeDbase3 = 0x83;
constexpr uint8_t TypeDbase4 = 0x8B;
constexpr uint8_t TypeLevel7 = 0x8C;
constexpr uint8_t TypeFoxPro = 0xF5;

}  // namespace kor2::memo
