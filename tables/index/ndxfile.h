// Storage layer of the index engine: the control block of one open index
// order, node reads and writes, the header block, the cursor (a descent path
// from the root to a leaf entry), key search, insertion and deletion.
// Called by the order layer (orders.cpp) and the index build (ndxbuild.cpp).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tables/base/enginefile.h"
#include "tables/dbf/hooks.h"
#include "tables/index/ndxformat.h"

namespace kor2 {

struct DbfArea;

// A caller's key function: called with its context and the order number,
// returns the key text of the current record (one fixed length).
using KeyMakerFn = std::function<std::string(intptr_t context, int order)>;

using NdxNode = std::array<uint8_t, ndx::BlockSize>;

// The first 24 bytes of the header block.
struct NdxHeader {
    uint32_t root = 1;
    uint32_t nextFree = 2;
    char keyType = 'C';
    uint16_t keyLength = 0;
    uint16_t keysPerNode = 0;
    uint16_t keyKind = 0;
    uint16_t entrySize = 0;
    bool unique = false;
};
// False when the values cannot belong to a sound index.
bool ParseNdxHeader(const uint8_t* block, NdxHeader& out);
void StoreNdxHeader(const NdxHeader& h, uint8_t* block);
NdxHeader NewNdxHeader(char keyType, int keyLength, bool unique);

// One level of the cursor: a node copy and the position in it (in an
// internal node the child taken, n = trailing pointer; in the leaf the
// entry, n = one past the last).
struct NdxPathStep {
    uint32_t node = 0;
    NdxNode buf{};
    int pos = 0;
    int count = 0;  // the node's entries, taken once when it is read
};

struct IndexControlBlock {
    uint8_t orderNo = 0;
    std::unique_ptr<EngineFile> file;
    std::string fileName;
    DbfArea* table = nullptr;  // the work area's table (for the stamp)
    NdxHeader hdr;
    std::string expression;  // normalised key expression or the marker
    ExprHandle expr;         // compiled expression (expression index)
    char exprType = 0;
    bool headerChanged = false;
    bool inChange = false;    // this program has put the change mark on the header
    bool markOnDisk = false;  // the header as last read or written carries the mark
    bool charKey = false;
    bool bof = false;
    bool eof = false;
    bool soundex = false;
    bool descending = false;
    bool noCache = false;
    bool readOnly = false;  // this program may only read the order or its table
    // Character keys of another program's index: kept as the records hold
    // them (rawKeys, not folded), and possibly in another order than byte
    // order (keysOutOfOrder: a seek cannot be trusted, no key can be placed).
    bool rawKeys = false;
    bool keysOutOfOrder = false;
    KeyMakerFn keyMaker;
    intptr_t keyMakerContext = 0;
    std::string savedKey;           // key length bytes
    std::vector<NdxPathStep> path;  // root first; empty = no cursor
    // Node cache of the controlling order (write-through), most recent first.
    bool cacheOn = false;
    std::vector<std::pair<uint32_t, NdxNode>> cache;
};

// Nodes the controlling order keeps in memory.
inline size_t NodeCacheSlots = 8;

// The marker stored instead of an expression by key-maker indexes.
std::string KeyMakerMarker();
// Normalised expression text: upper case and no blanks outside literals,
// literals delimited by double quotes. keepBlanks writes separating blanks.
std::string NormaliseExpr(const std::string& text, bool keepBlanks = false);

// Key comparison by the order's key type over the key length.
int CompareNdxKeys(const IndexControlBlock& b, const uint8_t* x, const uint8_t* y);

// Node access; false after reporting the error.
bool SeekAndRead(IndexControlBlock& b, uint32_t n, NdxNode& node);
bool SeekAndWrite(IndexControlBlock& b, uint32_t n, const NdxNode& node);
int NodeCount(const NdxNode& node);
const uint8_t* NodeEntry(const IndexControlBlock& b, const NdxNode& node, int i);
uint32_t NodeChild(const IndexControlBlock& b, const NdxNode& node, int pos);

// The header: re-read the 24-byte copy, write the whole block.
bool ReadAnchorNode(IndexControlBlock& b, const std::string& routine);
bool WriteAnchorNode(IndexControlBlock& b);
// The table's name as the header stores it: upper case, without folder, in
// the DOS code page for a table of that code page, at most 12 characters.
std::string HeaderTableName(const DbfArea& table);
// A complete header block for the stamp of table `table`.
void FillHeaderBlock(const NdxHeader& h, const std::string& expression, int32_t recordCount,
                     const std::string& tableName, uint8_t* block, bool inChange = false);
// Sets or clears the change mark in the header on disk: set before the first
// write of a change, cleared after its last one, so that a program that finds
// it with the writer gone knows the index must be rebuilt from the table.
bool SetChangeMark(IndexControlBlock& b, bool on);
bool HasChangeMark(const uint8_t* headerBlock);
// Reads the mark from the header on disk into markOnDisk: 1 set, 0 clear,
// -1 after reporting a read error.
int ReadChangeMark(IndexControlBlock& b);

// Cursor. Results: 1 done, 0 nothing there, -1 error (reported).
// Positions on the first entry not less than key; past the end the cursor
// stands one past the last entry and eof is set. 1 when the entry equals key.
int SeekKeyInOrder(IndexControlBlock& b, const std::string& key);
int DescendEdge(IndexControlBlock& b, bool last);
int StepCursor(IndexControlBlock& b, bool forward);
bool CursorOnEntry(const IndexControlBlock& b);
int32_t CursorRecord(const IndexControlBlock& b);
std::string CursorKey(const IndexControlBlock& b);
// Positions on the entry (key, record); 1 found, 0 not there, -1 error.
int PositionOnEntry(IndexControlBlock& b, const std::string& key, int32_t record);

// Insert and delete one entry; 0 done, -1 on failure (reported). A UNIQUE
// index takes no second entry of a key. Both leave the cursor undefined.
int AppendIndex(IndexControlBlock& b, const std::string& key, int32_t record);
int DeleteIndexKey(IndexControlBlock& b, const std::string& key, int32_t record);

// File queries without a work area.
struct IndexFileInfo {
    std::string expression;
    int keyLength = 0;
    char keyType = 0;
    bool unique = false;
    int32_t recordCount = -1;
    std::string tableName;
};
bool IndexInfo(const std::string& name, IndexFileInfo& info);
int32_t IndexRecCount(const std::string& name);

}  // namespace kor2
