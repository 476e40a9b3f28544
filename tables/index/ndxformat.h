// Layout of a single-key index file (".ndx"): named offsets and sizes of the
// header block and of the node blocks. Read and written by the index layer
// (ndxfile.cpp, ndxbuild.cpp); nothing else uses bare numbers for it.
#pragma once

#include <cstdint>

namespace kor2::ndx {

// The file is a sequence of 512-byte blocks, little-endian numbers; block 0
// is the header, block n (n >= 1) a node at byte offset n * 512.
//
// Header block:
//   offset  size  content
//   0       4     root node number
//   4       4     next free node number (one past the highest node in use)
//   8       1     reserved, 0
//   9       1     key type: 'C' character, 'N' numeric, 'F' float, 'D' date
//   10      2     reserved, 0
//   12      2     key length, 1..100
//   14      2     keys per node = 504 div entry size
//   16      2     key kind: 0 character, 1 numeric or date
//   18      2     entry size = key length + 8, rounded up to a multiple of 4
//   20      3     reserved, 0
//   23      1     unique flag
//   24      101   key expression, zero-terminated, normalised (or the marker
//                 text of an index made by a key-maker function)
//   125     4     change mark: "CHG" and 0x1A while a change of the index is
//                 under way, zero otherwise (other programs leave it zero)
//   129     359   zero
//   488     4     complement of the record count at 492 (stamp check)
//   492     4     record count of the table when the header was written
//   496     13    table file name without folder, zero-terminated
//   509     3     zero
//
// Node block:
//   0       4     key count n (only the low 16 bits are used)
//   4       n*es  entries of entry size es
//   4+n*es  4     trailing child pointer (internal nodes)
//
// Entry: child node (4, 0 in leaves), record number (4), key (key length),
// zero padding. A node is a leaf when its first child number is 0. In an
// internal node each key is the largest key below its child; the trailing
// pointer leads to the keys greater than every key of the node.
inline constexpr int64_t BlockSize = 512;

inline constexpr int HdrRoot = 0;
inline constexpr int HdrNextFree = 4;
inline constexpr int HdrKeyType = 9;
inline constexpr int HdrKeyLength = 12;
inline constexpr int HdrKeysPerNode = 14;
inline constexpr int HdrKeyKind = 16;
inline constexpr int HdrEntrySize = 18;
inline constexpr int HdrUnique = 23;
inline constexpr int HdrCopySize = 24;  // the part held in the control block
inline constexpr int HdrExpr = 24;
inline constexpr int HdrExprSize = 101;
inline constexpr int HdrChangeMark = 125;
inline constexpr int HdrChangeMarkSize = 4;
inline constexpr uint8_t ChangeMarkBytes[HdrChangeMarkSize] = {'C', 'H', 'G', 0x1A};
inline constexpr int HdrStampNot = 488;
inline constexpr int HdrStampCount = 492;
inline constexpr int HdrTableName = 496;
inline constexpr int HdrTableNameSize = 13;

inline constexpr int NodeKeyCount = 0;
inline constexpr int NodeEntries = 4;
inline constexpr int NodeRoom = 504;  // entries plus trailing pointer fit in 508
inline constexpr int EntryChild = 0;
inline constexpr int EntryRecord = 4;
inline constexpr int EntryKey = 8;

inline constexpr int MaxKeyLength = 100;
inline constexpr int NumKeyLength = 8;  // N, F and D keys: IEEE double
inline constexpr int64_t MinFileSize = 2 * BlockSize;
inline constexpr int MaxDepth = 32;  // deeper trees are damaged (cycles)

// Entry size and keys per node of a key length.
constexpr int EntrySizeFor(int keyLength) {
    return (keyLength + 8 + 3) / 4 * 4;
}
constexpr int KeysPerNodeFor(int keyLength) {
    return NodeRoom / EntrySizeFor(keyLength);
}

inline uint32_t GetU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
inline uint16_t GetU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
inline void PutU32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}
inline void PutU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

}  // namespace kor2::ndx
