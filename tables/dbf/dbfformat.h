// Layout of the dBase table file and its memo files, written down once: every
// reader and writer of the engine uses these constants, never bare numbers.
// Little-endian unless noted.
//
// Table prolog (32 bytes, all versions but dBase II):
//   off size field
//    0   1   version byte
//    1   3   date of last update: year - 1900, month, day
//    4   4   record count (unsigned)
//    8   2   header length (prolog + [level-7 block] + descriptors + 0x0D [+ extra])
//   10   2   record length, deletion flag included
//   12  16   reserved; 16..27 are re-read from the file before each header rewrite;
//            14 = 1 while an exclusive writer's appends are not counted yet
//   28   1   flag byte (version 0x30: bit value 2 = has memo)
//   29   3   reserved (29 = code page mark)
//   32  36   level-7 block (versions 4 and 0x8C only): "DBWINWE0" + 28 zeros
// Field descriptor (32 bytes; 48 for level 7):
//    0  11   name, zero-padded (level 7: 32 bytes)
//   11   1   type letter          (level 7: 32)
//   16   1   length               (level 7: 33)
//   17   1   decimal count        (level 7: 34)
// After the last descriptor the terminator 0x0D; records start at the header
// length; each record: deletion flag (' ' or '*') + fields as text; after
// the last record the end-of-file byte 0x1A.
//
// dBase II (version 2): fixed 521-byte header:
//    0   1   version 2          1   2   record count (16-bit)
//    3   1   month              4   1   day            5   1   year - 1900
//    6   2   record length      8  512  32 descriptors of 16 bytes:
//        name 0..10, type 11, length 12, (address 13..14), decimals 15;
//        a descriptor beginning with 0x0D ends the list.
#pragma once

#include <cstdint>

namespace kor2::dbf {

constexpr int PrologSize = 32;
constexpr int OffVersion = 0;
constexpr int OffYear = 1;
constexpr int OffMonth = 2;
constexpr int OffDay = 3;
constexpr int OffRecordCount = 4;
constexpr int OffHeaderLength = 8;
constexpr int OffRecordLength = 10;
// 1 while a program that holds the table exclusively has appended records
// its header does not count yet (the count is written at close); the next
// open then counts the whole records the file holds.
constexpr int OffAppendsUncounted = 14;
constexpr uint8_t AppendsUncounted = 1;
constexpr int OffKeptReserved = 16;  // re-read before each header rewrite
constexpr int KeptReservedSize = 12;
constexpr int OffFlags = 28;
constexpr uint8_t FlagHasMemo30 = 0x02;

constexpr int Level7BlockSize = 36;
constexpr char Level7Signature[] = "DBWINWE0";

constexpr int DescSize = 32;
constexpr int DescNameSize = 11;
constexpr int DescMaxName = 10;  // characters written for a name
constexpr int DescType = 11;
constexpr int DescLength = 16;
constexpr int DescDecimals = 17;

constexpr int DescSize7 = 48;
constexpr int DescNameSize7 = 32;
constexpr int DescType7 = 32;
constexpr int DescLength7 = 33;
constexpr int DescDecimals7 = 34;

constexpr int Db2HeaderSize = 521;
constexpr int Db2OffRecordCount = 1;
constexpr int Db2OffMonth = 3;
constexpr int Db2OffDay = 4;
constexpr int Db2OffYear = 5;
constexpr int Db2OffRecordLength = 6;
constexpr int Db2OffDescriptors = 8;
constexpr int Db2DescriptorArea = 512;
constexpr int Db2DescSize = 16;
constexpr int Db2MaxFields = 32;
constexpr int Db2DescType = 11;
constexpr int Db2DescLength = 12;
constexpr int Db2DescDecimals = 15;
constexpr int Db2HeaderWriteSize = 8;

constexpr uint8_t HeaderTerminator = 0x0D;
constexpr uint8_t EndOfFile = 0x1A;
constexpr char DeletedFlag = '*';
constexpr char PresentFlag = ' ';
constexpr int MaxFields = 255;
// Highest record count the engine works with, so that count + 1 (the end of
// file position) always fits its 32-bit record numbers.
constexpr int32_t MaxRecordCount = 0x7FFFFFFE;
constexpr int MemoFieldLength = 10;
constexpr int DateFieldLength = 8;

// Version bytes.
constexpr uint8_t VerDbase2 = 0x02;
constexpr uint8_t VerDbase3 = 0x03;
constexpr uint8_t VerDbase3Memo = 0x83;
constexpr uint8_t VerDbase4Memo = 0x8B;
constexpr uint8_t VerFoxProMemo = 0xF5;
constexpr uint8_t VerLevel7 = 0x04;
constexpr uint8_t VerLevel7Memo = 0x8C;
constexpr uint8_t VerVisualFox = 0x30;
constexpr uint8_t VerMemoBit = 0x80;

// Memo files created with a new table.
constexpr int Dbt3HeaderSize = 513;  // 0x01, 511 zeros, 0x1A
constexpr int FptHeaderSize = 512;   // big-endian next free block (0), block size (6)
constexpr int FptOffBlockSize = 6;
constexpr int Dbt4HeaderSize = 24;  // next free (0), base name (8), 0x0102 (18), block size (20)
constexpr int Dbt4OffName = 8;
constexpr int Dbt4NameSize = 8;
constexpr int Dbt4OffMark = 18;
constexpr uint16_t Dbt4Mark = 0x0102;
constexpr int Dbt4OffBlockSize = 20;

}  // namespace kor2::dbf
