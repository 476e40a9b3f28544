// Index orders of the work areas: up to 16 open index files per area, one of
// them controlling the record order; opening and closing, key search,
// navigation in key order, key maintenance after appends and changes, and
// the IndexHooks table through which the work-area layer reaches all this.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/hostfs.h"
#include "tables/area/workareas.h"
#include "tables/index/ndxfile.h"

namespace kor2 {

inline constexpr int MaxOrders = 16;

// Blocks of the open orders per work area, each at its own order number
// (index 0 unused); ControllingOrder names the order that decides the record
// order, NaturalOrder is set while order 0 (record number order) is chosen.
using OrderSlots = std::array<std::unique_ptr<IndexControlBlock>, MaxOrders + 1>;
inline std::array<OrderSlots, WorkAreaCount + 1> IndexOrderBlocks;
inline std::array<uint8_t, WorkAreaCount + 1> ControllingOrder{};
inline std::array<bool, WorkAreaCount + 1> NaturalOrder{};

inline bool IndexExact = false;      // EXACT: character keys compared over their length
inline bool IndexFoundFlag = false;  // result of the last seek or positioning

// Start-up of the index layer: settings, empty order slots, IndexHooks.
void IndexInit();
// Closes the indexes of every work area (shut-down).
void IndexDone();

// Opening and closing in the current work area.
bool SetIndexTo(const std::string& nameWithOptions, int order, KeyMakerFn keyMaker = nullptr,
                intptr_t context = 0);
bool OpenIndexFile(const std::string& name, int order);
bool SetIndexToCB(const std::string& name, int order, KeyMakerFn keyMaker, intptr_t context);
// Opens the listed index files as orders 1, 2, ...: names separated by
// blanks, a name in double quotes may hold blanks. Paths the program makes
// go through the list form, which takes each name whole.
void Set_Index_To(const std::string& names);
void Set_Index_To(const std::vector<std::string>& names);
void Set_Order_To(int order);
void CloseIndexOrder(int order);
void CloseAllIndexes();
int CurrentOrderNo();
bool SetExactOn();
bool SetExactOff();

// Key search in the controlling order.
bool Find(const std::string& key);

// Navigation through the controlling order (the hook slots).
bool IndexOrderActive();
int32_t IndexGoTop();
int32_t IndexGoBottom();
int32_t FindNextRec();
int32_t FindPriorRec();
bool IndexEof();
bool IndexBof();
void IndexSetBof();
void IndexSetEof();
void SyncIndex(bool allOrders);
void SoftSyncIndex();
void RememberControllingKey();
void RememberAllKeys();
void AppendNewKey();
void CompareKeys();
// Before a write of the record buffer (hook keysCanChange): false, with the
// error reported, when an order cannot take the new key where it belongs.
bool KeysCanChange(bool append);

// The block of an open order of the current work area (nullptr when none),
// and the controlling one.
IndexControlBlock* OrderBlock(int order);
IndexControlBlock* ControllingBlock();
// The key of the current record in the form the order stores; false after
// an error.
bool CurrentRecordKey(IndexControlBlock& b, std::string& key);
// Re-reads the headers when another program changed the indexes; true then.
bool RefreshIfChanged();
// The same (`changed` set then); false after reporting that nothing may be
// read from the orders: a program that may only read finds them left by a
// writer that died in the middle of a change.
bool RefreshOrders(bool& changed);
bool ReadAnchorNodes();

// Display texts and flags of an order.
std::string IndexOrderName(int order);
std::string IndexKeyText(int order);
std::string ControllingKeyText();
bool IndexAscending(int order);
bool IndexSoundex(int order);

// An index file name given with option words (" UNIQUE", " NOCACHE",
// " SOUNDEX", " DESCENDING": whole words, any case, after a name in double
// quotes or anywhere in a text without quotes).
struct IndexNameOptions {
    std::string name;
    bool unique = false;
    bool noCache = false;
    bool soundex = false;
    bool descending = false;
};
// False after error 220 when a quoted name is malformed or followed by
// words that are no options.
bool TakeIndexOptions(const std::string& text, IndexNameOptions& out, const std::string& routine);
// The index file name: extension NDX added, the table's folder when none.
std::string IndexFilePath(const std::string& name, const DbfArea& table);
// True when the file is open as an index in any order of any work area:
// the file path names to read it (lookup Read, another spelling where no
// file has this one), or the one it names to be made (Write: only a file
// of this spelling).
bool IndexFileOpenAnywhere(const std::string& path, std::string* tableName = nullptr,
                           platform::Lookup lookup = platform::Lookup::Read);

}  // namespace kor2
