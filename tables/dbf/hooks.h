// Hook tables through which the command layer reaches the index, expression,
// memo and virtual-file layers. Each layer fills its table in its own
// start-up; an empty slot means the layer is absent and is never called.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tables/base/engineerror.h"
#include "tables/base/filenames.h"
#include "tables/base/journal.h"

namespace kor2 {

struct DbfArea;

// Index layer; every slot acts on the current work area. Slot numbers as
// documented for the index layer's start-up.
struct IndexHookTable {
    std::function<bool()> inControl;                  // 0: an order controls the record order
    std::function<void()> syncToCurrent;              // 1: cursor onto the current record
    std::function<int32_t()> nextKey;                 // 2: record of the next key
    std::function<int32_t()> prevKey;                 // 3: record of the previous key
    std::function<int32_t()> firstKey;                // 4: first key's record, count + 1 when empty
    std::function<int32_t()> lastKey;                 // 5: last key's record, count + 1 when empty
    std::function<bool()> pastEnd;                    // 6: order past its last key
    std::function<bool()> beforeStart;                // 7: order before its first key
    std::function<void()> addKeys;                    // 8: keys of the appended record
    std::function<void()> saveKey;                    // 9: remember the current key after a move
    std::function<void()> rememberKeys;               // 10: before a rewrite
    std::function<void()> updateKeys;                 // 11: after a rewrite
    std::function<void()> markBof;                    // 12
    std::function<void()> markEof;                    // 13
    std::function<bool*()> foundFlag;                 // 14
    std::function<void()> rebuildAll;                 // 15: after Pack
    std::function<void()> closeAll;                   // 16: CloseArea
    std::function<void()> unused17;                   // 17
    std::function<std::string(int)> orderFileName;    // 18
    std::function<std::string(int)> keyText;          // 19
    std::function<std::string()> controllingKeyText;  // 20
    std::function<bool(int)> ascending;               // 21
    std::function<bool(int)> soundex;                 // 22
    std::function<void(int)> readProtect;             // 23: 1 on, 0 off
    std::function<void(int)> changeProtect;           // 24: 1 on, 0 off
    // Before Append (true) or Replace (false) writes the record buffer:
    // false, with the error reported, when an order cannot take the record's
    // key where it belongs; then nothing is written. True after the orders
    // were marked as in change: the caller's writes follow.
    std::function<bool(bool append)> keysCanChange;
    // Pack: the bytes a rebuild of every open order for that many records
    // writes; the change mark set (true) or cleared on every open order;
    // every open order rebuilt into a new file beside its own (each under
    // a journal of its own), then those renamed into place and opened, or
    // dropped. False after reporting an error.
    std::function<int64_t(int32_t records)> rebuildBytes;
    std::function<bool(bool on)> markChange;
    std::function<bool()> prepareRebuild;
    std::function<bool()> commitRebuild;
    std::function<void()> discardRebuild;
};
inline IndexHookTable IndexHooks;
inline bool IndexLinked = false;
inline bool PackRebuildRunning = false;  // tells the index layer a rebuild belongs to Pack
// Set by a change that failed after its first write: the index layer rebuilds
// the orders when the change protection ends.
inline bool IndexChangeFailed = false;

// Expression layer: handles are owned by that layer.
using ExprHandle = std::shared_ptr<void>;
struct ExprHookTable {
    std::function<bool(const std::string& text, ExprHandle& handle)> compile;  // 0
    std::function<void(ExprHandle& handle)> release;                           // 1
    std::function<const uint8_t*(const ExprHandle& handle)> evaluate;          // 2
    std::function<std::string(const ExprHandle& handle)> sourceText;           // 3
};
inline ExprHookTable ExprHooks;
inline bool ParserLinked = false;

// Memo layer.
struct MemoHookTable {
    std::function<std::vector<std::string>(int field)> memoLines;  // 0: lines of a field's memo
    std::function<void()> pack;                                    // 1
    std::function<uint16_t(const std::string& nameNoExt)> open;    // 2: error code, 0 = ok
    std::function<void()> close;                                   // 3
    std::function<int32_t(DbfArea& src, int32_t block, DbfArea& dst)> copyAppend;  // 4
    std::function<int32_t(DbfArea& src, int32_t block, DbfArea& dst)> copyAt;      // 5
    std::function<void()> create;                                                  // 6
    std::function<int32_t(const std::string& text)> add;                           // 7
    std::function<int64_t()> packBytes;  // the room a pack of the current table's memo file needs
    // Pack of the current table's memo file in two steps (see PrepareMemoPack),
    // its new file the one the Pack's journal planned as `entry`.
    std::function<bool(ChangeJournal& journal, size_t entry)> packPrepare;
    std::function<bool()> packCommit;
    std::function<void()> packDiscard;
};
inline MemoHookTable MemoHooks;

// Virtual-file layer: called with a virtual table's area after its operation
// code (and record number) were stored in the area.
enum VFileOp : uint8_t {
    VfClose = 1,
    VfDelete = 2,
    VfGo = 3,
    VfStartEmpty = 4,
    VfPack = 5,
    VfPop = 6,
    VfAppend = 7,
    VfWrite = 8,
    VfRecall = 9,
    VfSnip = 10,
    VfZap = 12,
};
using VFileHookFn = std::function<void(DbfArea& area)>;
inline VFileHookFn VFileHook;

// Empties every table: all layers count as absent.
void ClearEngineHooks();
bool IndexInControl();
bool MemoLinked();
// Stores the operation and record number in the area and calls the layer.
void CallVFile(DbfArea& area, uint8_t operation, int32_t recordArg = 0);

// Switches the index layer's read or change protection on (slots 23 and 24)
// for the work that follows. End() switches it off after the work and
// reports a failure to do so; without End (an error or an exception ended
// the work) the destructor switches it off quietly.
class IndexProtection {
public:
    enum Kind { Read, Change };
    IndexProtection(Kind kind, bool active);
    IndexProtection(const IndexProtection&) = delete;
    IndexProtection& operator=(const IndexProtection&) = delete;
    void End() { off_.End(); }
    // The protection could not be taken: the caller writes nothing.
    bool Failed() const { return failed_; }

private:
    EndOfWork off_;
    bool failed_ = false;
};

}  // namespace kor2
