// Index orders of the work areas: opening and closing index files into order
// slots, the controlling order, key search, navigation in key order and key
// maintenance. Filled into IndexHooks by IndexInit; the work-area layer
// (dbf4nav, dbf4change) calls it through them.
#include "tables/index/orders.h"

#include <algorithm>
#include <cstring>

#include "platform/hostfs.h"
#include "platform/oemtext.h"
#include "platform/progfiles.h"
#include "platform/runtemp.h"
#include "platform/sysclock.h"
#include "tables/area/changes.h"
#include "tables/area/navigation.h"
#include "tables/base/commandtext.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginestrings.h"
#include "tables/base/filenames.h"
#include "tables/base/journal.h"
#include "tables/dbf/dbffile.h"
#include "tables/dbf/dbfformat.h"
#include "tables/dbf/hooks.h"
#include "tables/expr/expression.h"
#include "tables/index/ndxbuild.h"
#include "tables/index/recovery.h"
#include "tables/keys/keyencoding.h"
#include "tables/sema/semaphore.h"

namespace kor2 {

namespace {

OrderSlots& Slots() {
    return IndexOrderBlocks[CurrentArea];
}

bool IsNatural() {
    return NaturalOrder[CurrentArea];
}

std::string Blanks(const IndexControlBlock& b) {
    return std::string(b.hdr.keyLength, b.charKey ? ' ' : '\0');
}

// Display form of a key for messages.
std::string KeyDisplay(const IndexControlBlock& b, const std::string& key) {
    if (b.charKey) return key;
    double v = 0;
    if (key.size() >= sizeof v) std::memcpy(&v, key.data(), sizeof v);
    if (b.hdr.keyType == 'D') return JulianToDtoc(v);
    return RealToText(v, 0, -1);
}

char ResultType(const ExprHandle& h) {
    return h ? static_cast<const ExprBlock*>(h.get())->resultType : 0;
}

// Keeps the natural-order flag cleared while keys are maintained.
class OrderedScope {
public:
    OrderedScope() : saved_(NaturalOrder[CurrentArea]) { NaturalOrder[CurrentArea] = false; }
    ~OrderedScope() { NaturalOrder[CurrentArea] = saved_; }
    OrderedScope(const OrderedScope&) = delete;
    OrderedScope& operator=(const OrderedScope&) = delete;

private:
    bool saved_;
};

// Puts the cursor on the entry of record n, looked for entry by entry: in an
// order that is not byte order a seek may miss it. 1 found, 0 not there,
// -1 after an error.
int PositionByRecord(IndexControlBlock& b, int32_t n) {
    int r = DescendEdge(b, false);
    while (r > 0 && CursorRecord(b) != n) r = StepCursor(b, true);
    return r;
}

// Folding leaves no upper-case letter in a key: a key with one was written
// by another program as its record holds it.
bool NeverFolded(char c) {
    return (c >= 'A' && c <= 'Z') || c == '\x8E' || c == '\x99' || c == '\x9A';
}

// How a character index of another dBase program holds its keys: unfolded,
// and whether in byte order. Read once when the index opens. A damaged tree
// (error 254) still opens, so that it can be rebuilt; a failed read is
// reported.
void ExamineKeyForm(IndexControlBlock& b) {
    if (!b.charKey || b.keyMaker) return;
    uint16_t code = 0;
    std::string msg;
    {
        QuietEngineErrors quiet;
        std::string previous;
        int r = DescendEdge(b, false);
        for (; r > 0; r = StepCursor(b, true)) {
            std::string key = CursorKey(b);
            if (std::any_of(key.begin(), key.end(), NeverFolded)) b.rawKeys = true;
            if (!previous.empty() && previous.compare(key) > 0) b.keysOutOfOrder = true;
            previous = std::move(key);
        }
        if (r < 0) {
            code = EngineErrorCode;
            msg = EngineErrorMsg;
        }
    }
    b.path.clear();
    if (code != 0 && code != 254) SetEngineError(code, msg);
}

// The cursor onto the entry of record n under key: 1 there, 0 the key is
// not in the order, 2 the key is there but not for record n, -1 error.
int PlaceOnRecordEntry(IndexControlBlock& b, const std::string& key, int32_t n) {
    const int r = b.keysOutOfOrder ? PositionByRecord(b, n) : SeekKeyInOrder(b, key);
    if (r <= 0 || b.hdr.unique || b.keysOutOfOrder) return r;
    while (CursorRecord(b) != n) {
        const int s = StepCursor(b, true);
        if (s < 0) return -1;
        if (s == 0 || CursorKey(b) != key) return 2;
    }
    return 1;
}

// The key of record n as the file holds it now. The work area's record
// buffer, which the caller may be editing, stays as it is.
bool StoredRecordKey(IndexControlBlock& b, int32_t n, std::string& key) {
    DbfArea& a = *CurrentDbf();
    const std::string record = a.record;
    const int32_t current = a.currentRecord;
    const bool bof = a.bof, eof = a.eof;
    const bool ok = GetDbfRecord(a, n) && CurrentRecordKey(b, key);
    a.record = record;
    a.currentRecord = current;
    a.bof = bof;
    a.eof = eof;
    return ok;
}

// Puts the cursor of order b on the current record (or at the end); false
// after an error.
bool SyncOrder(IndexControlBlock& b, bool controlling, const char* routine) {
    DbfArea& a = *CurrentDbf();
    const int32_t n = a.currentRecord;
    if (n < 1 || n > a.recordCount) {
        if (controlling) {
            b.bof = false;
            const int r = DescendEdge(b, true);
            if (r < 0) return false;
            if (!b.path.empty()) b.path.back().pos = NodeCount(b.path.back().buf);
            b.eof = true;
        } else if (DescendEdge(b, true) < 0) {
            return false;
        }
        return true;
    }
    std::string key;
    if (!CurrentRecordKey(b, key)) return false;
    int r = PlaceOnRecordEntry(b, key, n);
    if ((r == 0 || r == 2) && !a.exclusive && !a.isVirtual) {
        // Another program may have given the record a new key since this
        // program read it.
        std::string stored;
        if (!StoredRecordKey(b, n, stored)) return false;
        if (stored != key) {
            key = stored;
            r = PlaceOnRecordEntry(b, key, n);
        }
    }
    if (r < 0) return false;
    const std::string inKey =
        "\"" + KeyDisplay(b, key) + "\" nicht im Index: " + platform::DisplayPath(b.fileName);
    if (r == 0) {
        SetEngineError(
            212, "Schlüssel: "_oem + inKey + ". [" + routine + "-1] Record: " + std::to_string(n));
        return false;
    }
    if (r == 2) {
        SetEngineError(212, "Datensatz mit Schlüssel: "_oem + inKey + ". [" + routine + "-2]");
        return false;
    }
    b.savedKey = key;
    return true;
}

// The record the controlling cursor stands on after a move; count + 1 when none.
int32_t AfterMove(IndexControlBlock& b) {
    const DbfArea& a = *CurrentDbf();
    if (!CursorOnEntry(b)) return a.recordCount + 1;
    b.savedKey = CursorKey(b);
    return CursorRecord(b);
}

// Puts the cursor on the entry of record n under key: 1 there, 0 not in the
// order, -1 after an error. A UNIQUE order keeps one entry per key, which
// stands for every record of that key.
int PositionOnRecord(IndexControlBlock& b, const std::string& key, int32_t n) {
    if (b.keysOutOfOrder) return PositionByRecord(b, n);
    return b.hdr.unique ? SeekKeyInOrder(b, key) : PositionOnEntry(b, key, n);
}

// Re-positions the controlling order when its cursor is gone or another
// program changed the index. The current record's entry is looked up under
// the key this program last saw (its record buffer may be older than the
// file). When another program has given the record a new key meanwhile, the
// cursor stands on the first key not less than the one seen and `between` is
// set: a step goes on from there.
bool EnsureCursor(IndexControlBlock& b, bool& between) {
    between = false;
    bool changed = false;
    if (!RefreshOrders(changed)) return false;
    if (!changed && !b.path.empty()) return true;
    const DbfArea& a = *CurrentDbf();
    const int32_t n = a.currentRecord;
    const bool eof = b.eof, bof = b.bof;
    if (n < 1 || n > a.recordCount || b.savedKey.size() != b.hdr.keyLength) {
        if (!SyncOrder(b, true, "SyncIndex")) return false;
    } else {
        int r = PositionOnRecord(b, b.savedKey, n);
        std::string key;
        if (r == 0) {
            // A key not kept up to date: the one of the record as this program has it.
            if (!CurrentRecordKey(b, key)) return false;
            if (key != b.savedKey) r = PositionOnRecord(b, key, n);
        }
        if (r < 0) return false;
        if (r == 0) {
            if (SeekKeyInOrder(b, b.savedKey) < 0) return false;
            between = true;
            return true;
        }
        if (!key.empty()) b.savedKey = key;
    }
    if (eof) b.eof = true;
    if (bof) b.bof = true;
    return true;
}

// A step from the place EnsureCursor found between two entries: forwards the
// entry there is the next record, backwards the one before it. The current
// record itself, met there under its new key, is stepped over: the walk
// goes on to its neighbour. Count + 1 at either end.
int32_t StepFromBetween(IndexControlBlock& b, bool forward) {
    const DbfArea& a = *CurrentDbf();
    const int32_t none = a.recordCount + 1;
    int r = 1;
    if (forward) {
        if (CursorOnEntry(b) && CursorRecord(b) == a.currentRecord) r = StepCursor(b, true);
        if (r < 0) return none;
        if (r == 0 || !CursorOnEntry(b)) {
            b.eof = true;
            return none;
        }
    } else {
        r = CursorOnEntry(b) ? StepCursor(b, false) : DescendEdge(b, true);
        if (r > 0 && CursorRecord(b) == a.currentRecord) r = StepCursor(b, false);
        if (r < 0) return none;
        if (r == 0) {
            b.bof = true;
            return none;
        }
    }
    IndexFoundFlag = true;
    return AfterMove(b);
}

int32_t NaturalStep(bool forward) {
    DbfArea& a = *CurrentDbf();
    if (forward) {
        RefreshRecCount(a);  // records other programs appended come next
        if (a.currentRecord >= a.recordCount) {
            a.eof = true;
            return a.recordCount;
        }
        return a.currentRecord + 1;
    }
    if (a.currentRecord <= 1) {
        a.bof = true;
        return 1;
    }
    return a.currentRecord - 1;
}

int32_t Step(bool forward) {
    IndexFoundFlag = false;
    DbfArea* a = CurrentDbf();
    if (!a) return 0;
    if (a->recordCount < 1) {
        if (IndexControlBlock* b = ControllingBlock()) b->bof = b->eof = true;
        a->bof = a->eof = true;
        return a->recordCount + 1;
    }
    if (IsNatural()) return NaturalStep(forward);
    IndexControlBlock* b = ControllingBlock();
    if (!b) return NaturalStep(forward);
    if (forward) {
        b->bof = false;
        if (b->eof) {
            if (DescendEdge(*b, true) <= 0) return a->recordCount + 1;
            return AfterMove(*b);
        }
    } else {
        if (b->bof) {
            if (DescendEdge(*b, false) <= 0) return a->recordCount + 1;
            return AfterMove(*b);
        }
        if (b->eof) {
            // From the end the step back lands on the last key.
            b->eof = false;
            if (DescendEdge(*b, true) <= 0) return a->recordCount + 1;
            IndexFoundFlag = true;
            return AfterMove(*b);
        }
    }
    bool between = false;
    if (!EnsureCursor(*b, between)) return a->recordCount + 1;
    if (between) return StepFromBetween(*b, forward);
    if (!CursorOnEntry(*b)) {
        // Synchronised to the end: the last key is the neighbour.
        if (DescendEdge(*b, true) <= 0) return a->recordCount + 1;
        if (forward) b->eof = true;
        return AfterMove(*b);
    }
    const int r = StepCursor(*b, forward);
    if (r < 0) return a->recordCount + 1;
    if (r == 0) (forward ? b->eof : b->bof) = true;
    IndexFoundFlag = !(forward ? b->eof : b->bof);
    return AfterMove(*b);
}

int32_t Edge(bool last) {
    IndexFoundFlag = false;
    DbfArea* a = CurrentDbf();
    if (!a) return 0;
    if (IsNatural() || !ControllingBlock()) {
        IndexFoundFlag = a->recordCount > 0;
        return last ? std::max(a->recordCount, 1) : 1;
    }
    IndexControlBlock& b = *ControllingBlock();
    if (Slots()[b.orderNo] == nullptr) {
        SetEngineError(221, "Index nicht geöffnet. (DBF="_oem + platform::DisplayPath(a->fileName) +
                                ") [_FindFirst/LastRec]");
        return a->recordCount + 1;
    }
    bool changed = false;
    const int r = RefreshOrders(changed) ? DescendEdge(b, last) : -1;
    if (r <= 0) {
        b.bof = b.eof = true;
        return a->recordCount + 1;
    }
    b.bof = b.eof = false;
    IndexFoundFlag = true;
    return AfterMove(b);
}

// The next free node of an index file of this size.
uint32_t NextFreeOfSize(int64_t size) {
    return static_cast<uint32_t>(
        std::max<int64_t>((size - ndx::BlockSize) / ndx::BlockSize + 1, 1));
}

void LogoutIfLast() {
    for (int i = 1; i <= MaxOrders; ++i)
        if (Slots()[i]) return;
    HandleSemaphore(SemLogout);
}

// A file opened in this share mode can be read but not written.
bool ReadAccessOnly(uint8_t shareMode) {
    return (shareMode & 7) == 0;
}

// Waits, as a reader does, while a live program holds the lock region of
// the table's semaphore file: a writer holds it for its whole change. A
// program that may only read takes no part in the file's counts and opens
// it for reading; without the file no program shares the table. False
// after the time-out, reported.
bool WaitForLiveWriter(const DbfArea& a) {
    SemaphoreState s;
    s.tableName = a.fileName;
    s.fileName = GetSemaphoreFileName(a.fileName);
    // The table's own semaphore file, in its own spelling and no link.
    if (platform::EntryKindOf(s.fileName, platform::Lookup::Write) != platform::EntryKind::File)
        return true;
    uint16_t io = 0;
    s.file = OpenEngineFile(s.fileName, ShareReadDenyNone, io, true);
    if (!s.file) return true;
    if (!LockSemaphoreFile(s, SemIncRead)) return false;
    return UnlockSemaphoreFile(s, SemIncRead);
}

// A program that may only read finds the mark of a writer that died in the
// middle of a change on the order `path`: it cannot repair it. False after
// the error.
bool LeftByDeadWriter(const DbfArea& a, const std::string& path, const char* routine) {
    SetEngineError(5, UnfinishedChangeText(a.fileName, "Index " + platform::DisplayPath(path),
                                           routine));
    return false;
}

// Whether an open order of the current area is one this program may only read.
bool ReadOnlyOrders() {
    for (int o = 1; o <= MaxOrders; ++o)
        if (const IndexControlBlock* b = OrderBlock(o); b && b->readOnly) return true;
    return false;
}

// Whether the header of order b on disk is not the one this program holds
// (another root or free node), or either carries a change mark: 1; 0 when
// not; -1 after a read error.
int HeaderMoved(IndexControlBlock& b) {
    uint8_t h[ndx::HdrChangeMark + ndx::HdrChangeMarkSize];
    NdxHeader parsed;
    if (b.file->ReadAt(0, h, sizeof h) != static_cast<int64_t>(sizeof h) ||
        !ParseNdxHeader(h, parsed)) {
        SetEngineError(IoCodeFromErrno(b.file->Error(), 100),
                       "Fehler beim Lesen der Index-Datei:  "_oem +
                           platform::DisplayPath(b.fileName) + " [RefreshIndex]");
        return -1;
    }
    const bool moved = parsed.root != b.hdr.root || parsed.nextFree != b.hdr.nextFree;
    return moved || HasChangeMark(h) || b.markOnDisk ? 1 : 0;
}

// Before a program that may only read answers from its orders: it cannot
// repair what a writer that died left, and may not be counted in the
// semaphore file. So it looks at the headers each time, and reads them
// again when another program changed them (true then); while a live writer
// is in its change it waits, and while the mark of a dead one is there it
// answers nothing (false after error 5). Once a program that may write
// repaired, the orders are read again.
bool RefreshForReader(DbfArea& a, bool& changed) {
    SemaphoreState* s = CurrentArea <= SemaMaxArea ? SemaphoreStates[CurrentArea].get() : nullptr;
    changed = s && SemaphoreCounterChanged(*s);
    if (changed) s->lastSeenCount = s->record.updateCount;
    for (int pass = 0; pass < 2; ++pass) {
        IndexControlBlock* marked = nullptr;
        for (int o = 1; o <= MaxOrders; ++o) {
            IndexControlBlock* b = OrderBlock(o);
            if (!b) continue;
            const int moved = HeaderMoved(*b);
            if (moved < 0) return false;
            changed = changed || moved > 0;
            if (moved > 0 && !ReadAnchorNode(*b, "RefreshIndex")) return false;
            if (b->markOnDisk && !marked) marked = b;
        }
        if (!marked) return true;
        if (pass == 1) return LeftByDeadWriter(a, marked->fileName, "RefreshIndex");
        if (!WaitForLiveWriter(a)) return false;
    }
    return true;
}

bool ExplicitNonShared() {
    return ForcedOpenMode != 65535 && ForcedOpenMode != ShareDenyNone;
}

}  // namespace

// ---- helpers -----------------------------------------------------------------

IndexControlBlock* OrderBlock(int order) {
    if (order < 1 || order > MaxOrders || CurrentArea > WorkAreaCount) return nullptr;
    return Slots()[order].get();
}

IndexControlBlock* ControllingBlock() {
    return OrderBlock(ControllingOrder[CurrentArea]);
}

namespace {

// Takes a whole option word (any case) out of a text; true when there.
bool TakeIndexOption(const std::string& word, std::string& name) {
    bool found = false;
    const std::string upperWord = UpperStr(word);
    for (size_t p = 0; p + word.size() <= name.size();) {
        const bool startOk = p > 0 && (name[p - 1] == ' ' || name[p - 1] == '\t');
        const size_t end = p + word.size();
        const bool endOk = end == name.size() || name[end] == ' ' || name[end] == '\t';
        if (startOk && endOk && UpperStr(name.substr(p, word.size())) == upperWord) {
            name.erase(p - 1, word.size() + 1);
            found = true;
            p = p > 1 ? p - 1 : 0;
        } else {
            ++p;
        }
    }
    name = AllTrim(name);
    return found;
}

}  // namespace

bool TakeIndexOptions(const std::string& text, IndexNameOptions& out, const std::string& routine) {
    const CommandName cmd = SplitCommandName(text);
    std::string rest = cmd.options;
    out.unique = TakeIndexOption("UNIQUE", rest);
    out.noCache = TakeIndexOption("NOCACHE", rest);
    out.soundex = TakeIndexOption("SOUNDEX", rest);
    out.descending = TakeIndexOption("DESCENDING", rest);
    if (cmd.Finish(rest, out.name)) return true;
    SetEngineError(220, MalformedNameText(text, routine));
    return false;
}

std::string IndexFilePath(const std::string& name, const DbfArea& table) {
    std::string path = DefaultExtension(name, "NDX");
    if (SplitFileName(path).dir.empty()) path = SplitFileName(table.fileName).dir + path;
    return path;
}

bool IndexFileOpenAnywhere(const std::string& path, std::string* tableName,
                           platform::Lookup lookup) {
    // An open index goes by the name its file has on disk.
    const std::string want = platform::HostPath(ExpandFileNameP(path), lookup);
    for (int area = 1; area <= WorkAreaCount; ++area)
        for (int o = 1; o <= MaxOrders; ++o) {
            const auto& b = IndexOrderBlocks[area][o];
            if (b &&
                platform::HostPath(ExpandFileNameP(b->fileName), platform::Lookup::Write) == want) {
                if (tableName && WorkAreas[area]) *tableName = WorkAreas[area]->fileName;
                return true;
            }
        }
    return false;
}

bool CurrentRecordKey(IndexControlBlock& b, std::string& key) {
    const DbfArea* a = CurrentDbf();
    const bool oem = a && a->oem;
    if (b.keyMaker) {
        std::string t = b.keyMaker(b.keyMakerContext, b.orderNo).substr(0, MaxCharKeyLen);
        if (oem) t = LStrAnsiToOem(t);
        if (b.soundex) t = Soundex(t);
        if (b.descending) t = ComplementKey(t);
        t.resize(b.hdr.keyLength, ' ');
        key = std::move(t);
        return true;
    }
    if (!ExprHooks.evaluate || !b.expr) {
        SetEngineError(221, "TBParser-Unit nicht eingebunden. [CurrentRecordKey]");
        return false;
    }
    const uint8_t* r = ExprHooks.evaluate(b.expr);
    if (!r) {
        if (EngineErrorCode == 0)
            SetEngineError(222,
                           "Ungültiger dBASE-Schlüsselausdruck oder Index-Datei beschädigt "_oem +
                               platform::DisplayPath(b.fileName));
        return false;
    }
    if (b.charKey) {
        std::string t(reinterpret_cast<const char*>(r),
                      strnlen(reinterpret_cast<const char*>(r), MaxExprText + 1));
        if (oem) t = LStrAnsiToOem(t);
        t = b.rawKeys ? t.substr(0, MaxCharKeyLen) : FoldCharKey(t);
        t.resize(b.hdr.keyLength, ' ');
        key = std::move(t);
    } else {
        key.assign(reinterpret_cast<const char*>(r), sizeof(double));
    }
    return true;
}

bool ReadAnchorNodes() {
    for (int o = 1; o <= MaxOrders; ++o)
        if (IndexControlBlock* b = OrderBlock(o))
            if (!ReadAnchorNode(*b, "ReadAnchorNodes")) return false;
    return true;
}

bool RefreshIfChanged() {
    bool changed = false;
    RefreshOrders(changed);
    return changed;
}

bool RefreshOrders(bool& changed) {
    changed = false;
    if (CurrentArea > SemaMaxArea) return true;
    if (DbfArea* a = CurrentDbf(); a && ReadOnlyOrders()) return RefreshForReader(*a, changed);
    SemaphoreState* s = SemaphoreStates[CurrentArea].get();
    if (!s || !SemaphoreCounterChanged(*s)) return true;
    changed = true;
    ReadAnchorNodes();
    s->lastSeenCount = s->record.updateCount;
    if (RepairMarksOfDeadWriters()) {
        // Other programs changed the table meanwhile.
        ReadAnchorNodes();
        s->lastSeenCount = s->record.updateCount;
        if (DbfArea* a = CurrentDbf()) RefreshRecCount(*a);
    }
    return true;
}

// ---- settings and queries ----------------------------------------------------

bool SetExactOn() {
    const bool old = IndexExact;
    IndexExact = true;
    return old;
}

bool SetExactOff() {
    const bool old = IndexExact;
    IndexExact = false;
    return old;
}

int CurrentOrderNo() {
    if (CheckAreaOpen("CurrentOrder")) return 0;
    if (IsNatural()) return 0;
    const IndexControlBlock* b = ControllingBlock();
    return b ? b->orderNo : 0;
}

bool IndexOrderActive() {
    return CurrentDbf() != nullptr && ControllingBlock() != nullptr;
}

bool IndexEof() {
    const IndexControlBlock* b = ControllingBlock();
    if (IsNatural() || !b) return CurrentDbf() && CurrentDbf()->eof;
    return b->eof;
}

bool IndexBof() {
    const IndexControlBlock* b = ControllingBlock();
    if (IsNatural() || !b) return CurrentDbf() && CurrentDbf()->bof;
    return b->bof;
}

void IndexSetBof() {
    if (IndexControlBlock* b = ControllingBlock()) b->bof = true;
}

void IndexSetEof() {
    if (IndexControlBlock* b = ControllingBlock()) b->eof = true;
}

std::string IndexOrderName(int order) {
    const IndexControlBlock* b = OrderBlock(order);
    return b ? b->fileName : std::string();
}

std::string IndexKeyText(int order) {
    IndexControlBlock* b = OrderBlock(order);
    if (!b) return {};
    if (b->keyMaker) return b->keyMaker(b->keyMakerContext, b->orderNo);
    if (!ExprHooks.evaluate || !b->expr) return {};
    const uint8_t* r = ExprHooks.evaluate(b->expr);
    if (!r) return {};
    if (b->charKey)
        return std::string(reinterpret_cast<const char*>(r),
                           strnlen(reinterpret_cast<const char*>(r), MaxExprText + 1));
    double v;
    std::memcpy(&v, r, sizeof v);
    return KeyDisplay(*b, std::string(reinterpret_cast<const char*>(&v), sizeof v));
}

std::string ControllingKeyText() {
    const IndexControlBlock* b = ControllingBlock();
    if (IsNatural() || !b) {
        const DbfArea* a = CurrentDbf();
        std::string n = std::to_string(a ? a->currentRecord : 0);
        if (n.size() < 10) n.insert(0, 10 - n.size(), ' ');
        return "Rec:" + n;
    }
    return IndexKeyText(b->orderNo);
}

bool IndexAscending(int order) {
    const IndexControlBlock* b = OrderBlock(order);
    return b && !b->descending;
}

bool IndexSoundex(int order) {
    const IndexControlBlock* b = OrderBlock(order);
    return b && b->soundex;
}

// ---- navigation --------------------------------------------------------------

int32_t IndexGoTop() {
    return Edge(false);
}

int32_t IndexGoBottom() {
    return Edge(true);
}

int32_t FindNextRec() {
    return Step(true);
}

int32_t FindPriorRec() {
    return Step(false);
}

void SyncIndex(bool allOrders) {
    if (!CurrentDbf()) return;
    RefreshIfChanged();
    IndexControlBlock* c = ControllingBlock();
    for (int o = 1; o <= MaxOrders; ++o) {
        IndexControlBlock* b = OrderBlock(o);
        if (!b || (!allOrders && b != c)) continue;
        if (!SyncOrder(*b, b == c, "SyncIndex")) return;
    }
}

void SoftSyncIndex() {
    if (!CurrentDbf()) return;
    if (IndexControlBlock* c = ControllingBlock()) SyncOrder(*c, true, "SoftSyncIndex");
}

void RememberControllingKey() {
    IndexControlBlock* b = ControllingBlock();
    const DbfArea* a = CurrentDbf();
    if (!b || !a) return;
    if (a->recordCount < 1 || a->currentRecord < 1 || a->currentRecord > a->recordCount) {
        b->savedKey = Blanks(*b);
        return;
    }
    std::string key;
    if (CurrentRecordKey(*b, key)) b->savedKey = key;
}

void RememberAllKeys() {
    DbfArea* a = CurrentDbf();
    if (!a) return;
    RefreshIfChanged();
    SyncIndex(false);
    for (int o = 1; o <= MaxOrders; ++o) {
        IndexControlBlock* b = OrderBlock(o);
        if (!b) continue;
        std::string key;
        if (!CurrentRecordKey(*b, key)) return;
        b->savedKey = key;
        const bool bof = b->bof, eof = b->eof;
        const int32_t rec = a->currentRecord;
        if ((b->keysOutOfOrder ? PositionByRecord(*b, rec) : PositionOnEntry(*b, key, rec)) < 0)
            return;
        b->bof = bof;
        b->eof = eof;
    }
}

void AppendNewKey() {
    DbfArea* a = CurrentDbf();
    if (!a) return;
    RefreshIfChanged();
    OrderedScope ordered;
    const int32_t rec = a->currentRecord;
    std::array<std::string, MaxOrders + 1> keys;
    for (int o = 1; o <= MaxOrders; ++o) {
        IndexControlBlock* b = OrderBlock(o);
        if (!b) continue;
        if (!CurrentRecordKey(*b, keys[o]) || AppendIndex(*b, keys[o], rec) < 0) {
            // Take the key out of the orders that already have it.
            const bool handling = SetErrorHandling(false);
            const uint16_t code = EngineErrorCode;
            const std::string msg = EngineErrorMsg;
            std::string broken;
            for (int u = o - 1; u >= 1; --u) {
                IndexControlBlock* ub = OrderBlock(u);
                if (ub && DeleteIndexKey(*ub, keys[u], rec) < 0 && !ub->hdr.unique)
                    broken = ub->fileName;
            }
            SetErrorHandling(handling);
            if (!broken.empty())
                SetEngineError(254, "Index-Datei beschädigt. "_oem + platform::DisplayPath(broken) +
                                        " [AppendNewKey]");
            else if (code != 0)
                SetEngineError(code, msg);
            return;
        }
    }
    SyncIndex(false);
    RememberControllingKey();
}

bool KeysCanChange(bool append) {
    DbfArea* a = CurrentDbf();
    if (!a) return true;
    const std::string routine = append ? " [APPEND]" : " [REPLACE]";
    for (int o = 1; o <= MaxOrders; ++o) {
        IndexControlBlock* b = OrderBlock(o);
        if (!b) continue;
        std::string key;
        if (!CurrentRecordKey(*b, key)) return false;
        if (!append && key == b->savedKey) continue;
        const std::string file = platform::DisplayPath(b->fileName);
        if (b->keysOutOfOrder) {
            SetEngineError(254,
                           "Index-Datei eines anderen Programms, Schlüssel nicht in "_oem
                           "Byte-Reihenfolge: " +
                               file + ". Datensatz nicht geschrieben." + routine);
            return false;
        }
        if (!append && !b->hdr.unique && CursorRecord(*b) != a->currentRecord) {
            SetEngineError(254, "Datensatz Nr. " + std::to_string(a->currentRecord) +
                                    " nicht im Index gefunden. " + file +
                                    ". Datensatz nicht geschrieben." + routine);
            return false;
        }
    }
    // The checks passed: the change writes next.
    return MarkOrders();
}

void CompareKeys() {
    DbfArea* a = CurrentDbf();
    if (!a) return;
    {
        OrderedScope ordered;
        const int32_t rec = a->currentRecord;
        for (int o = 1; o <= MaxOrders; ++o) {
            IndexControlBlock* b = OrderBlock(o);
            if (!b) continue;
            std::string key;
            if (!CurrentRecordKey(*b, key)) return;
            if (CursorRecord(*b) != rec && !b->hdr.unique) {
                SetEngineError(254, "Datensatz Nr. " + std::to_string(rec) +
                                        " nicht im Index gefunden. " +
                                        platform::DisplayPath(b->fileName) + " [CompareKeys]");
                return;
            }
            if (key == b->savedKey) continue;
            const int removed = DeleteIndexKey(*b, b->savedKey, rec);
            if (removed < 0 && (!b->hdr.unique || EngineErrorCode != 0)) {
                if (EngineErrorCode == 0)
                    SetEngineError(254, "Datensatz Nr. " + std::to_string(rec) +
                                            " nicht im Index gefunden. " +
                                            platform::DisplayPath(b->fileName) + " [CompareKeys]");
                return;
            }
            if (AppendIndex(*b, key, rec) < 0) {
                if (EngineErrorCode == 0)
                    SetEngineError(1, platform::DisplayPath(b->fileName) + " [CompareKeys]");
                return;
            }
            b->savedKey = key;
        }
    }
    RememberControllingKey();
}

// ---- key search --------------------------------------------------------------

namespace {

// Find's search in order b, under its read protection.
bool FindInOrder(DbfArea& a, IndexControlBlock& b, const std::string& text) {
    bool changed = false;
    if (!RefreshOrders(changed)) return false;
    RefreshRecCount(a);
    if (a.recordCount < 1) {
        b.bof = b.eof = true;
        NoRecordState(a);
        return false;
    }
    // The search key in index form, and how much of it must match.
    std::string t = text.substr(0, MaxCharKeyLen);
    std::string key;
    size_t compared = b.hdr.keyLength;
    if (b.keyMaker) {
        if (IndexExact && t.size() < b.hdr.keyLength) t.resize(b.hdr.keyLength, ' ');
        if (b.soundex) t = Soundex(t);
        if (b.descending) t = ComplementKey(t);
        key = t;
        compared = std::min<size_t>(key.size(), b.hdr.keyLength);
    } else if (b.charKey) {
        if (IndexExact && t.size() < b.hdr.keyLength) t.resize(b.hdr.keyLength, ' ');
        if (a.oem) t = LStrAnsiToOem(t);
        key = b.rawKeys ? t : FoldCharKey(t);
        if (!IndexExact) compared = std::min<size_t>(key.size(), b.hdr.keyLength);
    } else {
        const double v =
            b.hdr.keyType == 'D' ? DateTextToJulian(t) : static_cast<double>(TextToReal(t));
        key.assign(reinterpret_cast<const char*>(&v), sizeof v);
    }
    if (SeekKeyInOrder(b, key) < 0) return false;
    if (b.eof && StepCursor(b, false) < 0) return false;
    if (!CursorOnEntry(b)) {
        a.currentRecord = a.recordCount + 1;
        a.eof = true;
        b.eof = true;
        BlankRecord(a);
        return false;
    }
    Dbf4RawGo(CursorRecord(b));
    while (EngineErrorCode == 0 && !b.eof && !RecordPassesCondition()) {
        const int32_t n = FindNextRec();
        if (b.eof) break;
        Dbf4RawGo(n);
    }
    if (EngineErrorCode != 0) return false;
    const std::string at = CursorKey(b);
    b.savedKey = at;
    std::string want = key;
    want.resize(b.hdr.keyLength, '\0');
    bool found = !b.eof && at.size() == b.hdr.keyLength &&
                 (b.charKey || b.keyMaker
                      ? std::memcmp(at.data(), want.data(), compared) == 0
                      : CompareNdxKeys(b, reinterpret_cast<const uint8_t*>(at.data()),
                                       reinterpret_cast<const uint8_t*>(want.data())) == 0);
    if (found && !RecordPassesCondition()) found = false;
    if (!found) {
        a.currentRecord = a.recordCount + 1;
        a.eof = true;
        b.eof = true;
        BlankRecord(a);
    } else {
        a.bof = a.eof = false;
        RememberControllingKey();
    }
    IndexFoundFlag = found;
    return found;
}

}  // namespace

bool Find(const std::string& text) {
    EngineErrorCode = 0;
    IndexFoundFlag = false;
    if (CheckAreaOpen("Find")) return false;
    DbfArea& a = *CurrentDbf();
    if (IsNatural()) {
        SetEngineError(254,
                       "Find() mit Index-Ordnung 0 (natürliche Ordnung) nicht erlaubt [Find]"_oem);
        return false;
    }
    IndexControlBlock* pb = ControllingBlock();
    if (!pb) {
        SetEngineError(221, "Index nicht geöffnet. (DBF="_oem + platform::DisplayPath(a.fileName) +
                                ") [Find]");
        return false;
    }
    if (text.empty()) return false;
    // The seek and the read of the record found are one read of the shared
    // files: other programs' changes wait until both are done.
    IndexProtection guard(IndexProtection::Read, true);
    const bool found = FindInOrder(a, *pb, text);
    guard.End();
    return found;
}

// ---- opening and closing -----------------------------------------------------

namespace {

// A dead build's journal beside the index is completed or taken back before
// the index is opened; false after reporting error 5 when it may not be.
bool CompleteIndexJournal(const std::string& path, const DbfArea& a) {
    JournalRules rules;
    rules.journal = IndexJournalName(path);
    const auto real = platform::ResolvedPath(path, platform::Lookup::Write);
    rules.targets = {NameWithoutDir(real ? *real : path)};
    rules.table = ExpandFileNameP(a.fileName);
    // Only an index of this table takes the index's name.
    const std::string stored = HeaderTableName(a);
    rules.belongs = [&stored](platform::File& fresh) {
        char name[ndx::HdrTableNameSize] = {};
        const int64_t got = fresh.ReadAt(ndx::HdrTableName, name, ndx::HdrTableNameSize - 1);
        return got == ndx::HdrTableNameSize - 1 &&
               std::string(name, strnlen(name, ndx::HdrTableNameSize - 1)) == stored;
    };
    const std::string refused =
        JournalRefusalText(CompleteJournal(rules), a.fileName, rules.journal, "SetIndexTo");
    if (refused.empty()) return true;
    SetEngineError(5, refused);
    return false;
}

}  // namespace

bool SetIndexTo(const std::string& nameWithOptions, int order, KeyMakerFn keyMaker,
                intptr_t context) {
    EngineErrorCode = 0;
    IndexNameOptions given;
    if (!TakeIndexOptions(nameWithOptions, given, "OpenIndex")) return false;
    const std::string& name = given.name;
    bool noCache = given.noCache;
    const bool soundex = given.soundex;
    const bool descending = given.descending;
    const std::string where = "," + name + "," + std::to_string(order) + ")]";
    if (order < 1 || order > MaxOrders) {
        SetEngineError(
            220,
            "Parameter Index-Ordnung außerhalb des zulässigen Bereichs [SetIndexTo(<>"_oem + where);
        return false;
    }
    DbfArea* a = CurrentDbf();
    if (!a) {
        SetEngineError(215, "Öffnungsversuch von "_oem + platform::DisplayPath(name) +
                                " Index-Datei ohne geöffnete DBF-Datei. [SetIndexTo(<>"_oem +
                                where);
        return false;
    }
    CloseIndexOrder(order);
    const std::string path = IndexFilePath(name, *a);
    if (!CompleteIndexJournal(path, *a)) return false;
    if (!FileExistsP(path)) {
        SetEngineError(2, "Öffnungsversuch von "_oem + platform::DisplayPath(name) +
                              " [SetIndexTo(..." + "," + std::to_string(order) + ")]");
        return false;
    }
    if (NetworkMode) noCache = true;
    bool loggedIn = false;
    // An index in the run's private folder is read and written by this run
    // alone: it needs no semaphore beside the table (whose folder the
    // account may not be allowed to write).
    if (!ExplicitNonShared() && !platform::InPrivateTempFolder(path) &&
        CurrentArea <= SemaMaxArea && !SemaphoreStates[CurrentArea]) {
        HandleSemaphore(SemLogin);
        if (EngineErrorCode != 0) return false;
        loggedIn = SemaphoreStates[CurrentArea] != nullptr;
    }
    // Logs out again on every failure below.
    EndOfWork logout;
    if (loggedIn) logout.Arm(LogoutIfLast);
    std::string other;
    if (IndexFileOpenAnywhere(path, &other)) {
        SetEngineError(220, "Index-Datei bereits geöffnet: "_oem + platform::DisplayPath(path) +
                                " für "_oem + other +
                                "\n\rVersuch gleichnamigen Index zu setzen für "_oem +
                                platform::DisplayPath(a->fileName) + ". [OpenIndex/Set_Index_To]");
        return false;
    }
    auto b = std::make_unique<IndexControlBlock>();
    b->orderNo = static_cast<uint8_t>(order);
    b->fileName = path;
    b->table = a;
    b->soundex = soundex;
    b->descending = descending;
    b->noCache = noCache;
    b->keyMaker = std::move(keyMaker);
    b->keyMakerContext = context;
    uint8_t mode = ShareExclusive;
    if (ForcedOpenMode != 65535)
        mode = static_cast<uint8_t>(ForcedOpenMode);
    else if (NetworkMode && !a->exclusive)
        mode = ShareDenyNone;
    uint16_t io = 0;
    b->file = OpenEngineFile(path, mode, io);
    if (!b->file) {
        SetEngineError(io ? io : 2,
                       "Fehler beim Öffnen der Index-Datei: "_oem + platform::DisplayPath(path));
        return false;
    }
    b->fileName = platform::ExistingName(path);  // a rebuild replaces this file
    b->readOnly = ReadAccessOnly(mode) || ReadAccessOnly(a->shareMode);
    // The size and the header are one read: another program that adds
    // nodes changes both together.
    uint8_t head[ndx::HdrChangeMark + ndx::HdrChangeMarkSize] = {};
    int64_t size = 0;
    bool ok = false;
    {
        IndexProtection read(IndexProtection::Read, true);
        size = b->file->Size();
        ok = size >= ndx::MinFileSize &&
             b->file->ReadAt(0, head, sizeof head) == static_cast<int64_t>(sizeof head);
        read.End();
        if (EngineErrorCode != 0) return false;
    }
    if (!ok || !ParseNdxHeader(head, b->hdr)) {
        SetEngineError(222, "Kann Index nicht öffnen: "_oem + platform::DisplayPath(path));
        return false;
    }
    b->charKey = b->hdr.keyType == 'C';
    std::string expr(
        reinterpret_cast<const char*>(head + ndx::HdrExpr),
        strnlen(reinterpret_cast<const char*>(head + ndx::HdrExpr), ndx::HdrExprSize - 1));
    if (a->oem) expr = LStrOemToAnsi(expr);
    expr = NormaliseExpr(expr);
    const std::string marker = KeyMakerMarker();
    if (!b->keyMaker) {
        if (expr == marker) {
            SetEngineError(223, "KeyMaker-Funktion benötigt, \""_oem + platform::DisplayPath(path) +
                                    "\" wurde von KeyMaker-Funktion erzeugt.");
            return false;
        }
        ExprHandle h;
        const char type = ExprHooks.compile && ExprHooks.compile(expr, h) ? ResultType(h) : 0;
        const bool fits = (type == 'C' && b->charKey) ||
                          ((type == 'D' || type == 'N' || type == 'F') && !b->charKey);
        if (!fits) {
            SetEngineError(222,
                           "Ungültiger dBASE-Schlüsselausdruck oder Index-Datei beschädigt "_oem +
                               platform::DisplayPath(path));
            return false;
        }
        b->expr = std::move(h);
        b->exprType = type;
    } else if (expr != marker) {
        SetEngineError(
            223,
            "KeyMaker-Funktion mit durch dBase-Schlüsselausdruck erzeugter Index-Datei verwendet [OpenIndex/Set_Index_ToCB("_oem +
                platform::DisplayPath(path) + ")]");
        return false;
    }
    b->expression = expr;
    b->savedKey = Blanks(*b);
    b->markOnDisk = HasChangeMark(head);
    if (b->markOnDisk) {
        // A writer died in the middle of a change: the order is rebuilt
        // from the table before anything reads it. A program that may only
        // read cannot: it waits for a live writer to end its change, and
        // reads nothing of a dead one's.
        const bool readOnly = b->readOnly;
        if (readOnly) {
            if (!WaitForLiveWriter(*a) || !ReadAnchorNode(*b, "SetIndexTo")) return false;
            size = b->file->Size();
        }
        if (readOnly && b->markOnDisk) return LeftByDeadWriter(*a, path, "OpenIndex");
        if (b->markOnDisk) {
            if (!RepairForeignMarks({b.get()})) return false;
            size = b->file->Size();
        }
    }
    uint32_t nextFree = NextFreeOfSize(size);
    if (nextFree != b->hdr.nextFree) {
        // Written only as the file stands under the write protection, so
        // that no node another program added since is handed out again.
        IndexProtection write(IndexProtection::Change, true);
        if (write.Failed() || !ReadAnchorNode(*b, "SetIndexTo")) return false;
        nextFree = NextFreeOfSize(b->file->Size());
        if (nextFree != b->hdr.nextFree) {
            b->hdr.nextFree = nextFree;
            b->headerChanged = true;
            if (!WriteAnchorNode(*b)) return false;
        }
        write.End();
        if (EngineErrorCode != 0) return false;
    }
    if (b->hdr.root >= std::max<uint32_t>(nextFree, 2)) {
        SetEngineError(222, "Kann Index nicht öffnen: "_oem + platform::DisplayPath(path));
        return false;
    }
    {
        IndexProtection read(IndexProtection::Read, true);
        ExamineKeyForm(*b);
        read.End();
        if (EngineErrorCode != 0) return false;
    }
    IndexControlBlock& ref = *b;
    Slots()[order] = std::move(b);
    logout.Dismiss();
    const bool controlling = ControllingBlock() == &ref;
    ref.cacheOn = controlling && !ref.noCache;
    if (a->recordCount > 0) {
        if (ref.charKey) {
            // The key of the blank record must have the index's key length.
            const int32_t current = a->currentRecord;
            Dbf4RawGo(a->recordCount + 1);
            std::string key;
            std::string made;
            if (ref.keyMaker) {
                made = ref.keyMaker(ref.keyMakerContext, ref.orderNo).substr(0, MaxCharKeyLen);
                if (ref.soundex) made = Soundex(made);
            }
            const bool keyOk =
                ref.keyMaker ? made.size() == ref.hdr.keyLength : CurrentRecordKey(ref, key);
            if (current >= 1 && current <= a->recordCount) Dbf4RawGo(current);
            if (!keyOk) {
                if (EngineErrorCode == 0)
                    SetEngineError(266,
                                   "Ungültige Schlüssellänge von anwender-definiertem KeyMaker "_oem
                                   "geliefert.\n\rErwartete Länge= "_oem +
                                       std::to_string(ref.hdr.keyLength) + " Schlüssel= ["_oem +
                                       made + "] " + platform::DisplayPath(path) +
                                       " [SetIndexTo/OpenIndex]");
                CloseIndexOrder(order);
                return false;
            }
        }
        if (controlling) {
            // The cursor starts on the first key; an index out of step with
            // the table still opens, so that it can be rebuilt.
            ref.bof = ref.eof = false;
            if (DescendEdge(ref, false) == 0) ref.bof = ref.eof = true;
        }
        if (a->currentRecord >= 1 && a->currentRecord <= a->recordCount) {
            std::string key;
            if (CurrentRecordKey(ref, key)) ref.savedKey = key;
        }
    } else {
        ref.bof = ref.eof = true;
    }
    if (EngineErrorCode != 0) {
        CloseIndexOrder(order);
        return false;
    }
    RememberControllingKey();
    return true;
}

bool OpenIndexFile(const std::string& name, int order) {
    if (!SetIndexTo(name, order)) return false;
    Set_Order_To(1);
    return EngineErrorCode == 0;
}

bool SetIndexToCB(const std::string& name, int order, KeyMakerFn keyMaker, intptr_t context) {
    if (!SetIndexTo(name, order, std::move(keyMaker), context)) return false;
    Set_Order_To(1);
    return EngineErrorCode == 0;
}

namespace {

// Opens the indexes named by the texts (names with option words) into
// orders 1, 2, ...
void SetIndexTexts(const std::vector<std::string>& names) {
    CloseAllIndexes();
    if (!ParserLinked) {
        SetEngineError(221, "TBParser-Unit nicht eingebunden. [Set_Index_To]");
        return;
    }
    int order = 0;
    uint16_t code = 0;
    std::string msg;
    for (const std::string& one : names) {
        if (order == MaxOrders) break;
        if (!SetIndexTo(one, ++order) && code == 0) {
            code = EngineErrorCode;
            msg = EngineErrorMsg;
        }
    }
    Set_Order_To(1);
    if (code != 0) SetEngineError(code, msg + " [SetIndexTo]");
}

}  // namespace

void Set_Index_To(const std::string& names) {
    SetIndexTexts(SplitNameList(names));
}

void Set_Index_To(const std::vector<std::string>& names) {
    std::vector<std::string> quoted;
    for (const std::string& one : names) quoted.push_back(QuoteName(one));
    SetIndexTexts(quoted);
}

void Set_Order_To(int order) {
    EngineErrorCode = 0;
    if (CheckAreaOpen("Set_Order_To")) return;
    DbfArea& a = *CurrentDbf();
    const std::string n = std::to_string(order);
    bool any = false;
    for (int o = 1; o <= MaxOrders; ++o) any = any || OrderBlock(o);
    if (!any) {
        SetEngineError(221, "Index nicht geöffnet.. (DBF="_oem + platform::DisplayPath(a.fileName) +
                                ") [Set_Order_To(" + n + ")]");
        return;
    }
    if (order < 0 || order > MaxOrders) {
        SetEngineError(220, "Ungültige Index-Ordnung angegeben: SET_ORDER_TO. [Set_Order_To("_oem +
                                n + ")] (DBF=" + platform::DisplayPath(a.fileName) + ")");
        return;
    }
    if (order == 0) {
        NaturalOrder[CurrentArea] = true;
        return;
    }
    NaturalOrder[CurrentArea] = false;
    IndexProtection guard(IndexProtection::Read, true);
    IndexControlBlock* old = ControllingBlock();
    const bool wasEof = old && old->eof;
    ControllingOrder[CurrentArea] = static_cast<uint8_t>(order);
    IndexControlBlock* now = ControllingBlock();
    // Only the controlling order keeps a node cache.
    for (int o = 1; o <= MaxOrders; ++o)
        if (IndexControlBlock* b = OrderBlock(o)) {
            b->cacheOn = b == now && !b->noCache;
            b->cache.clear();
        }
    if (!now) return guard.End();
    if (now != old) {
        now->path.clear();
        now->bof = now->eof = false;
    }
    if (a.recordCount < 1) {
        now->bof = now->eof = true;
    } else if (wasEof || a.currentRecord > a.recordCount) {
        SyncOrder(*now, true, "SyncIndex");
        now->eof = true;
    } else {
        SyncIndex(true);
    }
    RememberControllingKey();
    guard.End();
}

void CloseIndexOrder(int order) {
    IndexControlBlock* pb = OrderBlock(order);
    if (!pb) return;
    std::unique_ptr<IndexControlBlock> b = std::move(Slots()[order]);
    if (b->inChange && b->file && b->table && b->table->exclusive) {
        // The table's header counts the appended records before the mark goes.
        if (!b->table->file || CommitDbfHeader(*b->table)) SetChangeMark(*b, false);
    }
    if (b->headerChanged && b->file) {
        DbfArea* a = CurrentDbf();
        const bool shared = a && !a->exclusive;
        if (shared && !b->file->Lock(0, 1)) {
            SetEngineError(IoCodeFromErrno(b->file->Error(), 33),
                           "Konnte Index nicht sperren um Anchor-Knoten zu schreiben");
        } else {
            WriteAnchorNode(*b);
            if (shared && !b->file->Unlock(0, 1))
                SetEngineError(IoCodeFromErrno(b->file->Error(), 33),
                               "Konnte Index nicht entsperren nach Schreiben des Anchor-Knotens " +
                                   std::to_string(b->file->Error()));
        }
    }
    if (b->file && !b->file->Flush())
        SetEngineError(
            IoCodeFromErrno(b->file->Error(), 103),
            "Fehler beim Schließen der Index-Datei:  "_oem + platform::DisplayPath(b->fileName));
    if (b->expr && ExprHooks.release) ExprHooks.release(b->expr);
    b.reset();
    LogoutIfLast();
}

void CloseAllIndexes() {
    if (CurrentArea > WorkAreaCount) return;
    NaturalOrder[CurrentArea] = false;
    for (int o = 1; o <= MaxOrders; ++o) CloseIndexOrder(o);
    ControllingOrder[CurrentArea] = 1;
}

// ---- start-up ----------------------------------------------------------------

void IndexInit() {
    ResetChangeScopes();
    IndexChangeFailed = false;
    for (auto& area : IndexOrderBlocks)
        for (auto& slot : area) slot.reset();
    ControllingOrder.fill(1);
    NaturalOrder.fill(false);
    IndexExact = false;
    IndexFoundFlag = false;
    ClearSemaphoreStates();
    IndexHooks.inControl = IndexOrderActive;
    IndexHooks.syncToCurrent = [] { SyncIndex(false); };
    IndexHooks.nextKey = FindNextRec;
    IndexHooks.prevKey = FindPriorRec;
    IndexHooks.firstKey = IndexGoTop;
    IndexHooks.lastKey = IndexGoBottom;
    IndexHooks.pastEnd = IndexEof;
    IndexHooks.beforeStart = IndexBof;
    IndexHooks.addKeys = AppendNewKey;
    IndexHooks.saveKey = RememberControllingKey;
    IndexHooks.rememberKeys = RememberAllKeys;
    IndexHooks.updateKeys = CompareKeys;
    IndexHooks.markBof = IndexSetBof;
    IndexHooks.markEof = IndexSetEof;
    IndexHooks.foundFlag = [] { return &IndexFoundFlag; };
    IndexHooks.rebuildAll = Reindex;
    IndexHooks.closeAll = CloseAllIndexes;
    IndexHooks.unused17 = nullptr;
    IndexHooks.orderFileName = IndexOrderName;
    IndexHooks.keyText = IndexKeyText;
    IndexHooks.controllingKeyText = ControllingKeyText;
    IndexHooks.ascending = IndexAscending;
    IndexHooks.soundex = IndexSoundex;
    IndexHooks.readProtect = [](int on) { SetReadSemaphoreProc(on != 0); };
    IndexHooks.changeProtect = ChangeProtection;
    IndexHooks.keysCanChange = KeysCanChange;
    IndexHooks.rebuildBytes = RebuildBytes;
    IndexHooks.markChange = MarkOrdersInChange;
    IndexHooks.prepareRebuild = PrepareRebuild;
    IndexHooks.commitRebuild = CommitRebuild;
    IndexHooks.discardRebuild = DiscardRebuild;
    IndexLinked = true;
}

void IndexDone() {
    const uint8_t saved = CurrentArea;
    for (int area = 1; area <= SemaMaxArea; ++area) {
        CurrentArea = static_cast<uint8_t>(area);
        CloseAllIndexes();
    }
    CurrentArea = saved;
    IndexLinked = false;
}

}  // namespace kor2
