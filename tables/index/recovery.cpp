// Recovery from a writer that died in the middle of a change: the change
// mark and the repair of what the dead writer left. Reached through
// ChangeProtection (hook slot 24) and from the index open and refresh.
#include "tables/index/recovery.h"

#include <algorithm>
#include <array>
#include <exception>
#include <string>
#include <utility>

#include "platform/oemtext.h"
#include "platform/progfiles.h"
#include "tables/area/changes.h"
#include "tables/area/navigation.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginestrings.h"
#include "tables/dbf/dbffile.h"
#include "tables/dbf/hooks.h"
#include "tables/index/ndxbuild.h"
#include "tables/index/orders.h"
#include "tables/sema/semaphore.h"

namespace kor2 {

namespace {

// Per work area: nesting of the change protection, whether the outermost
// one has put the marks on (so that its end clears them), and the count of
// an exclusive table whose change failed and could not be taken back (-1
// when none): the records after it are that change's.
struct ChangeScope {
    int nesting = 0;
    bool begun = false;
    int32_t failedAt = -1;
    std::string failedTable;
};
std::array<ChangeScope, WorkAreaCount + 1> ChangeScopes;

// The open orders of the current area.
std::vector<IndexControlBlock*> OpenOrders() {
    std::vector<IndexControlBlock*> v;
    for (int o = 1; o <= MaxOrders; ++o)
        if (IndexControlBlock* b = OrderBlock(o)) v.push_back(b);
    return v;
}

// The table at `count` records and every marked order rebuilt from it.
bool RebuildMarked(DbfArea& a, int32_t count, const std::vector<IndexControlBlock*>& orders) {
    const int32_t inFile = RecordsInFile(a);
    if (inFile > count && !CutRecords(a, count)) return false;
    a.recordCount = count;
    for (IndexControlBlock* b : orders)
        if (b->markOnDisk && !RebuildOrderInPlace(*b)) return false;
    return true;
}

// The repair proper, with other writers kept out. A dead writer's records
// are the records in the file after the header's count: every append that
// reported success wrote its record before, and an exclusive writer counts
// them in the header only at its close. On an exclusive table, what this
// program's own failed change left after its count is cut off. The marked
// orders are rebuilt from the table; what the program holds in its buffers
// stays as it is.
bool Repair(DbfArea& a, const std::vector<IndexControlBlock*>& orders) {
    const int32_t stored = StoredRecordCount(a);
    const int32_t inFile = stored < 0 ? -1 : CountedRecords(a, stored);
    if (stored < 0 || inFile < 0) return false;
    ChangeScope& scope = ChangeScopes[CurrentArea];
    const bool ownFailure = a.exclusive && scope.failedAt >= 0 && scope.failedTable == a.fileName;
    const int32_t count = ownFailure ? std::min(scope.failedAt, inFile) : inFile;
    if (!RebuildMarked(a, count, orders)) return false;
    scope.failedAt = -1;
    return stored == count || WriteDbfCount(a);
}

bool AppendLockBusy(const DbfArea& a) {
    SetEngineError(1202, "Index-Datei in Bearbeitung, Tabelle gesperrt: "_oem +
                             platform::DisplayPath(a.fileName) + " [RepairIndex]");
    return false;
}

// Whether this program may give up the semaphore's write lock for a while:
// it holds it once, and is no registered reader (a reader would keep the
// holder of the append lock from taking the write lock).
bool CanYieldWriteLock() {
    return CurrentArea <= SemaMaxArea && SemaLockHookNesting[CurrentArea] == 1 &&
           SemaReadHookNesting[CurrentArea] == 0;
}

// Repairs what a writer that died in the middle of a change left. Called
// with the semaphore's write lock; a shared table also needs the append
// lock, which keeps out a live program appending without an index. Every
// program takes the append lock before the write lock: when another one
// holds the append lock, this one gives up the write lock while it waits,
// then takes it again and reads the marks anew (the holder may have
// repaired meanwhile).
// A program that only reads (`whenFree`) repairs when the append lock is
// free at once, and else leaves the mark to the next writer without an error.
bool RepairDeadWriter(DbfArea& a, const std::vector<IndexControlBlock*>& orders,
                      bool whenFree = false) {
    if (a.isVirtual || !a.file) return true;
    if (a.exclusive || !NetworkMode || a.lockState == LockFile || a.lockState == LockAppend)
        return Repair(a, orders);
    const auto unlock = [&a] { LockRegion(true, *a.file, LockBase + 1, 1); };
    if (LockRegion(false, *a.file, LockBase + 1, 1) == 0) {
        EndOfWork release(unlock);
        return Repair(a, orders);
    }
    if (whenFree) return true;
    if (!CanYieldWriteLock()) return AppendLockBusy(a);
    SetLockSemaphoreProc(false);
    const bool locked = LockWithRetries(*a.file, LockBase + 1, 1);
    EndOfWork release;
    if (locked) release.Arm(unlock);
    SetLockSemaphoreProc(true);
    if (EngineErrorCode != 0) return false;
    if (!locked) return AppendLockBusy(a);
    // Another program may have repaired and changed the orders meanwhile.
    bool marked = false;
    for (IndexControlBlock* b : orders) {
        if (!ReadAnchorNode(*b, "RepairIndex")) return false;
        marked = marked || b->markOnDisk;
    }
    return !marked || Repair(a, orders);
}

// Takes the semaphore's write lock for a repair outside a change.
class RepairLock {
public:
    RepairLock() { SetLockSemaphoreProc(true); }
    ~RepairLock() { SetLockSemaphoreProc(false); }
    RepairLock(const RepairLock&) = delete;
    RepairLock& operator=(const RepairLock&) = delete;
};

// Start of a change under the change protection: a mark left by a dead
// writer (or by a change of this program that failed) is repaired first.
bool BeginChange(DbfArea& a) {
    const std::vector<IndexControlBlock*> orders = OpenOrders();
    bool repair = false;
    for (IndexControlBlock* b : orders) {
        // A shared order's header may have been marked by a program that died;
        // an exclusive one carries only this program's own mark.
        if (!a.exclusive && ReadChangeMark(*b) < 0) return false;
        repair = repair || (b->markOnDisk && (!a.exclusive || !b->inChange));
    }
    return !repair || RepairDeadWriter(a, orders);
}

// End of a change: a change cut short by a failure gets its orders rebuilt
// at once (the mark stays when that fails too); otherwise a shared table's
// marks are cleared before the protection goes. An exclusive table keeps
// them until its orders are closed.
void EndChange(DbfArea& a) {
    const std::vector<IndexControlBlock*> orders = OpenOrders();
    // An error raised as an exception cut the change short as well.
    if (std::exchange(IndexChangeFailed, false) || std::uncaught_exceptions() > 0) {
        QuietEngineErrors quiet;
        if (!RebuildMarked(a, a.recordCount, orders)) {
            // The next change repairs what this rebuild left.
            if (a.exclusive) {
                ChangeScopes[CurrentArea].failedAt = a.recordCount;
                ChangeScopes[CurrentArea].failedTable = a.fileName;
            }
            for (IndexControlBlock* b : orders)
                if (b->markOnDisk) b->inChange = false;
        }
        return;
    }
    if (a.exclusive) return;
    // The change is whole: a mark that cannot be cleared only costs the
    // next program a rebuild, and is no failure of the change.
    QuietEngineErrors quiet;
    for (IndexControlBlock* b : orders)
        if (b->inChange) SetChangeMark(*b, false);
}

}  // namespace

bool RepairForeignMarks(const std::vector<IndexControlBlock*>& orders, bool whenFree) {
    DbfArea* a = CurrentDbf();
    if (!a) return true;
    const uint16_t earlier = std::exchange(EngineErrorCode, 0);
    RepairLock lock;
    bool ok = EngineErrorCode == 0;
    for (IndexControlBlock* b : orders) ok = ok && ReadChangeMark(*b) >= 0;
    ok = ok && RepairDeadWriter(*a, orders, whenFree);
    if (ok) EngineErrorCode = earlier;
    return ok;
}

bool MarkOrders() {
    for (IndexControlBlock* b : OpenOrders())
        if (!b->inChange && !SetChangeMark(*b, true)) return false;
    return true;
}

namespace {

// A mark on an open order that is not this program's own: its writer died.
bool ForeignMark() {
    for (IndexControlBlock* b : OpenOrders())
        if (b->markOnDisk && !b->inChange) return true;
    return false;
}

// The append lock of a shared table, tried as often as a reader tries the
// semaphore's lock region; false when a live program keeps it that long.
bool WaitForAppendLock(DbfArea& a) {
    for (int i = 0; i < std::max(1, SemaLockRetries); ++i) {
        if (i > 0) WaitTicks(static_cast<uint32_t>(SemaRetryDelayMs));
        if (LockRegion(false, *a.file, LockBase + 1, 1) == 0) return true;
    }
    return false;
}

}  // namespace

bool RepairMarksOfDeadWriters() {
    if (!ForeignMark() || ChangeScopes[CurrentArea].nesting != 0) return false;
    DbfArea* a = CurrentDbf();
    if (!a || !a->file) return false;
    // A program that keeps the others from appending repairs at once.
    if (a->exclusive || !NetworkMode || a->lockState == LockFile || a->lockState == LockAppend) {
        RepairForeignMarks(OpenOrders(), true);
        return false;
    }
    // The write lock waits until no other program is counted as a reader:
    // a reader that asked for it while counted itself would wait for every
    // other reader doing the same, and the holder of the append lock, which
    // repairs at the start of its change, waits for the readers as well. So
    // the reader steps aside until the append lock is free and repairs what
    // is still marked then; it answers nothing from the half-made orders
    // meanwhile.
    WithoutReaderRegistration([a] {
        if (!WaitForAppendLock(*a)) return AppendLockBusy(*a);
        EndOfWork release([a] { LockRegion(true, *a->file, LockBase + 1, 1); });
        return RepairForeignMarks(OpenOrders(), true);
    });
    return true;
}

void ChangeProtection(int on) {
    DbfArea* a = CurrentDbf();
    ChangeScope& scope = ChangeScopes[CurrentArea];
    if (on) {
        SetLockSemaphoreProc(true);
        if (scope.nesting++ != 0 || !a || EngineErrorCode != 0) return;
        IndexChangeFailed = false;
        scope.begun = BeginChange(*a);
        return;
    }
    if (--scope.nesting <= 0) {
        scope.nesting = 0;
        if (a && std::exchange(scope.begun, false)) EndChange(*a);
    }
    SetLockSemaphoreProc(false);
}

void ResetChangeScopes() {
    ChangeScopes.fill({});
}

}  // namespace kor2
