// Record changes and locks of the current work area. A shared table (opened
// without EXCLUSIVE while NetworkMode is on) needs the locks; every other
// table takes none and needs none.
#include "tables/area/changes.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
#include <utility>
#include <vector>

#include "platform/oemtext.h"
#include "platform/progfiles.h"
#include "tables/area/navigation.h"
#include "tables/area/search.h"
#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/base/filenames.h"
#include "tables/dbf/dbfformat.h"
#include "tables/dbf/hooks.h"

namespace kor2 {

namespace {

bool Shared(const DbfArea& a) {
    return NetworkMode && !a.exclusive && !a.isVirtual && a.file;
}

int64_t RecordLockOffset(const DbfArea& a, int32_t n) {
    return LockBase + a.headerLength + static_cast<int64_t>(n - 1) * a.recordLength;
}

// Before the file or append lock goes, appended records and the header are
// committed while the lock still keeps other writers out, so that the count
// in the header and the end byte always match the record area. The count is
// the file's own: another program may have appended before this one took
// the lock.
void CommitBeforeRelease(DbfArea& a) {
    if (a.changeState != ChangeRewritten && a.changeState != ChangeAppended) return;
    RefreshRecCount(a);
    CommitDbfHeader(a);
}

// Takes back what a change that failed after its first write wrote. The
// failure stays reported as it was; the index layer rebuilds the orders.
void Undo(bool index, const std::function<void()>& steps) {
    QuietEngineErrors quiet;
    steps();
    if (index) IndexChangeFailed = true;
}

// An append whose record or keys could not all be written: the record is cut
// off again and the count restored. A cut that fails leaves the record after
// the count the header holds, which the index layer's repair cuts off.
void UndoAppend(DbfArea& a, bool index, int32_t count, int32_t current, uint8_t changeState) {
    Undo(index, [&] {
        CutRecords(a, count);
        a.recordCount = count;
        a.currentRecord = current;
        // A shared table's header may count the record already.
        if (Shared(a)) WriteDbfCount(a);
        a.changeState = changeState;
    });
}

}  // namespace

uint16_t LockRegion(bool unlock, EngineFile& file, int64_t offset, int64_t length) {
    if (!NetworkMode) return 0;
    const bool ok = unlock ? file.Unlock(offset, length) : file.Lock(offset, length);
    return ok ? 0 : IoCodeFromErrno(file.Error(), 33);
}

void WaitTicks(uint32_t ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < until) {
        if (ms >= 10 && EngineIdleHook && EngineIdleHook()) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min<uint32_t>(ms, 10)));
    }
}

bool LockWithRetries(EngineFile& file, int64_t offset, int64_t length) {
    uint32_t attempts = 0;
    for (;;) {
        if (LockRegion(false, file, offset, length) == 0) return true;
        if (attempts < LockRetryCount) {
            ++attempts;
            WaitTicks(LockRetryDelay);
            continue;
        }
        if (LockRetryHook && LockRetryHook()) {
            attempts = 0;
            continue;
        }
        return false;
    }
}

bool LockBaseByte() {
    if (!NetworkMode) return true;
    DbfArea* a = CurrentDbf();
    if (!a || !a->file) return false;
    return LockWithRetries(*a->file, LockBase, 1);
}

void UnlockBaseByte() {
    DbfArea* a = CurrentDbf();
    if (!a || !a->file) return;
    const uint16_t code = LockRegion(true, *a->file, LockBase, 1);
    if (code != 0)
        SetEngineError(code, "Fehler beim Entsperren der Datei " +
                                 platform::DisplayPath(a->fileName) + " in Bereich " +
                                 std::to_string(CurrentArea));
}

namespace {

bool LockWhole(uint8_t state, int64_t length) {
    EngineErrorCode = 0;
    if (CheckAreaOpen(state == LockFile ? "FLock" : "ALock")) return false;
    DbfArea& a = *CurrentDbf();
    if (a.lockState == state) return true;
    if (a.lockState != LockNone) return false;
    if (Shared(a) && !LockWithRetries(*a.file, LockBase + 1, length)) return false;
    a.lockState = state;
    return true;
}

}  // namespace

bool FLock() {
    return LockWhole(LockFile, FileLockLength);
}
bool ALock() {
    return LockWhole(LockAppend, 1);
}

bool RLock() {
    EngineErrorCode = 0;
    if (CheckAreaOpen("RLock")) return false;
    DbfArea& a = *CurrentDbf();
    if (MaxRecordLocks != 0 && a.recordLockCount >= MaxRecordLocks) {
        SetEngineError(212, "Anzahl der gesperrten Datensätze zu groß [RLock]"_oem);
        return false;
    }
    const int32_t n = a.currentRecord;
    if (a.lockState == LockRecords &&
        std::find(a.lockedRecords.begin(), a.lockedRecords.end(), n) != a.lockedRecords.end())
        return true;
    if (a.lockState == LockFile || a.lockState == LockAppend) return false;
    if (Shared(a) && !LockWithRetries(*a.file, RecordLockOffset(a, n), a.recordLength))
        return false;
    a.lockedRecords.insert(a.lockedRecords.begin(), n);
    a.lockState = LockRecords;
    ++a.recordLockCount;
    return true;
}

bool IsLocked(int32_t n) {
    const DbfArea* a = CurrentDbf();
    if (!a) return false;
    return a->lockState == LockFile ||
           std::find(a->lockedRecords.begin(), a->lockedRecords.end(), n) != a->lockedRecords.end();
}

bool UnlockRec(int32_t n) {
    if (CheckAreaOpen("UnlockRec")) return false;
    DbfArea& a = *CurrentDbf();
    auto notLocked = [&](const std::string& msg) {
        EngineErrorCode = 220;
        EngineErrorMsg = msg;
        return false;
    };
    std::vector<int32_t> release;
    if (n >= 1) {
        if (std::find(a.lockedRecords.begin(), a.lockedRecords.end(), n) == a.lockedRecords.end())
            return notLocked("Record not locked. [UnlockRec(" + std::to_string(n) + ")]");
        release.push_back(n);
    } else if (n == -1 || n == -2 || n == -3) {
        if (a.lockedRecords.empty())
            return notLocked("Record not locked. [UnlockRec(" + std::to_string(n) + ")]");
        if (n == -1) release.push_back(a.lockedRecords.back());
        if (n == -2) release.push_back(a.lockedRecords.front());
        if (n == -3) release = a.lockedRecords;
    } else {
        return notLocked("[UnlockRec(" + std::to_string(n) + ")]");
    }
    for (int32_t r : release) {
        if (Shared(a)) LockRegion(true, *a.file, RecordLockOffset(a, r), a.recordLength);
        a.lockedRecords.erase(std::find(a.lockedRecords.begin(), a.lockedRecords.end(), r));
        --a.recordLockCount;
    }
    if (a.lockedRecords.empty()) {
        a.lockState = LockNone;
        a.recordLockCount = 0;
    }
    return true;
}

void Unlock() {
    DbfArea* a = CurrentDbf();
    if (!a) return;
    if (a->lockState == LockRecords) {
        UnlockRec(-3);
    } else if (a->lockState == LockFile || a->lockState == LockAppend) {
        if (Shared(*a)) {
            CommitBeforeRelease(*a);
            LockRegion(true, *a->file, LockBase + 1, a->lockState == LockFile ? FileLockLength : 1);
        }
    }
    a->lockState = LockNone;
    a->lockedRecords.clear();
    a->recordLockCount = 0;
}

void Append() {
    EngineErrorCode = 0;
    if (CheckAreaOpen("Append")) return;
    DbfArea& a = *CurrentDbf();
    if (Shared(a) && (a.lockState == LockNone || a.lockState == LockRecords)) {
        SetEngineError(5, "Datei muß gesperrt sein zum Anhängen: "_oem +
                              platform::DisplayPath(a.fileName) + " [APPEND]");
        return;
    }
    RefreshRecCount(a);
    BufferToRecord();
    const bool index = IndexInControl();
    {
        IndexProtection guard(IndexProtection::Change, index);
        if (guard.Failed()) return;
        if (index && IndexHooks.keysCanChange && !IndexHooks.keysCanChange(true)) return;
        const int32_t count = a.recordCount, current = a.currentRecord;
        const uint8_t state = a.changeState;
        const auto undo = [&] { UndoAppend(a, index, count, current, state); };
        if (!AppendDbfRecord(a)) return undo();
        AreaRecordToBuffer(a);
        if (index && IndexHooks.addKeys) IndexHooks.addKeys();
        if (EngineErrorCode != 0) return undo();
        // The header of a shared table counts the record before the change
        // ends, so that no program finds an index entry beyond the count.
        if (index && Shared(a) && !WriteDbfCount(a)) return undo();
        guard.End();
    }
    a.bof = a.eof = false;
}

void Replace() {
    EngineErrorCode = 0;
    if (CheckAreaOpen("Replace")) return;
    DbfArea& a = *CurrentDbf();
    const int32_t n = a.currentRecord;
    if (n < 1) {
        SetEngineError(212, "Datenbank " + QuotedTableName(a) + " ist leer." + " [REPLACE]");
        return;
    }
    if (n > a.recordCount) {
        SetEngineError(212,
                       "Datenbank " + QuotedTableName(a) + " bei EOF angelangt." + " [REPLACE]");
        return;
    }
    if (Shared(a) && a.lockState != LockFile && !IsLocked(n)) {
        SetEngineError(1200, "Record #" + std::to_string(n) + " in " +
                                 platform::DisplayPath(a.fileName) + " [REPLACE]");
        return;
    }
    const bool index = IndexInControl() && !a.isVirtual;
    IndexProtection guard(IndexProtection::Change, index);
    if (guard.Failed()) return;
    // The stored bytes, for a rewrite that fails part-way.
    std::string stored;
    if (index && !ReadRawRecord(a, n, stored)) return;
    if (index) {
        if (a.swapBuffer.size() < a.typedSize) {
            SetEngineError(254, platform::DisplayPath(a.fileName) + " " + "Tausch-Puffer ist NIL." +
                                    " [REPLACE]");
            return;
        }
        // The index remembers the keys of the record as stored in the file.
        std::memcpy(a.swapBuffer.data(), a.typedBuffer, a.typedSize);
        if (!ReadRecord(a, n)) return;
        if (IndexHooks.rememberKeys) IndexHooks.rememberKeys();
        std::memcpy(a.typedBuffer, a.swapBuffer.data(), a.typedSize);
        // An index that cannot find the record's stored key cannot be kept
        // right: nothing is written.
        if (EngineErrorCode != 0) return;
    }
    BufferToRecord();
    if (index && IndexHooks.keysCanChange && !IndexHooks.keysCanChange(false)) return;
    const auto undo = [&] { Undo(index, [&] { WriteRawRecord(a, n, stored); }); };
    if (!PutDbfRecord(a, n)) return index ? undo() : void();
    AreaRecordToBuffer(a);
    UpdatePeekCache();
    if (index && IndexHooks.updateKeys) IndexHooks.updateKeys();
    if (index && EngineErrorCode != 0) undo();
    guard.End();
}

namespace {

void SetDeleteFlag(bool deleted, const char* routine) {
    EngineErrorCode = 0;
    if (CheckAreaOpen(routine)) return;
    DbfArea& a = *CurrentDbf();
    const int32_t n = a.currentRecord;
    if (Shared(a) && a.lockState != LockFile && !IsLocked(n)) {
        SetEngineError(1200, platform::DisplayPath(a.fileName) + " " + "Datensatz nicht gesperrt " +
                                 "[" + routine + "]");
        return;
    }
    if (n > 0 && n <= a.recordCount) {
        if (a.isVirtual) {
            CallVFile(a, deleted ? VfDelete : VfRecall, n);
            return;
        }
        a.typedBuffer[0] = deleted ? 1 : 0;
        a.record[0] = deleted ? dbf::DeletedFlag : dbf::PresentFlag;
        if (WriteDeleteFlag(a, n)) UpdatePeekCache();
        return;
    }
    if (!deleted) {
        RefreshRecCount(a);
        SetEngineError(1103, platform::DisplayPath(a.fileName) + " at EOF [RecallRec]");
    }
}

}  // namespace

void DeleteRec() {
    SetDeleteFlag(true, "DeleteRec");
}
void RecallRec() {
    SetDeleteFlag(false, "RecallRec");
}

namespace {

// Locks belong to the open file: after a reopen the area takes the ones it
// held again, and forgets those it cannot get back.
void RetakeLocks(DbfArea& a) {
    if (a.lockState == LockFile || a.lockState == LockAppend) {
        const int64_t length = a.lockState == LockFile ? FileLockLength : 1;
        if (LockRegion(false, *a.file, LockBase + 1, length) != 0) a.lockState = LockNone;
        return;
    }
    std::vector<int32_t> kept;
    for (int32_t n : a.lockedRecords)
        if (LockRegion(false, *a.file, RecordLockOffset(a, n), a.recordLength) == 0)
            kept.push_back(n);
    a.lockedRecords = kept;
    a.recordLockCount = static_cast<uint16_t>(kept.size());
    if (kept.empty() && a.lockState == LockRecords) a.lockState = LockNone;
}

}  // namespace

uint16_t ReopenDbf(bool exclusive) {
    if (CheckAreaOpen("ReopenDbf")) return 6;
    DbfArea& a = *CurrentDbf();
    if (a.exclusive || a.isVirtual) return 5;
    CommitDbfHeader(a);
    const uint8_t mode = exclusive ? ShareExclusive : DefaultShareMode;
    const uint8_t saved = EngShareMode;
    a.file.reset();
    uint16_t io = 0;
    auto file = OpenEngineFile(a.fileName, mode, io);
    if (!file) {
        // Back to the former mode so that the area keeps an open file.
        uint16_t ignored = 0;
        file = OpenEngineFile(a.fileName, a.shareMode, ignored);
    } else {
        a.shareMode = mode;
    }
    if (file) file->SetReadAhead((a.shareMode & 0x70) == 0x10);
    a.file = std::move(file);
    EngShareMode = saved;
    if (!a.file && io == 0) io = 6;
    if (a.file && Shared(a)) RetakeLocks(a);
    return io;
}

namespace {

// Reads the record area in chunks and hands each stored record to `each`
// with its number; false on a read failure (code in io).
template <class Each>
bool ForEachStoredRecord(const DbfArea& a, uint16_t& io, Each&& each) {
    const size_t len = a.recordLength;
    const int32_t per =
        static_cast<int32_t>(std::max<size_t>(1, (64 * 1024) / std::max<size_t>(len, 1)));
    std::vector<char> buf;
    for (int32_t first = 1; first <= a.recordCount; first += per) {
        const int32_t count = std::min(per, a.recordCount - first + 1);
        buf.resize(static_cast<size_t>(count) * len);
        const int64_t pos =
            static_cast<int64_t>(a.headerLength) + static_cast<int64_t>(first - 1) * len;
        const int64_t got = a.file->ReadAt(pos, buf.data(), static_cast<int64_t>(buf.size()));
        if (got != static_cast<int64_t>(buf.size())) {
            io = got < 0 ? IoCodeFromErrno(a.file->Error(), 100) : 100;
            return false;
        }
        for (int32_t i = 0; i < count; ++i)
            each(first + i, buf.data() + static_cast<size_t>(i) * len);
    }
    return true;
}

// Writes the header and the kept records, in their order, into `out`, whose
// header is then committed with the kept count; false with the code in io.
bool WriteKeptRecords(DbfArea& a, EngineFile& out, uint16_t& io,
                      const std::function<void()>& step) {
    std::vector<char> buf(a.headerLength);
    if (a.file->ReadAt(0, buf.data(), a.headerLength) != a.headerLength) {
        io = IoCodeFromErrno(a.file->Error(), 100);
        return false;
    }
    int64_t written = 0;
    const auto flush = [&] {
        if (out.WriteAt(written, buf.data(), static_cast<int64_t>(buf.size())) !=
            static_cast<int64_t>(buf.size())) {
            io = IoCodeFromErrno(out.Error(), 101);
            return false;
        }
        written += static_cast<int64_t>(buf.size());
        buf.clear();
        return true;
    };
    const int32_t every = std::max<int32_t>(1, a.recordCount / 100);
    bool ok = true;
    const bool read = ForEachStoredRecord(a, io, [&](int32_t n, const char* rec) {
        if (step && n % every == 0) step();
        if (!ok || rec[0] == dbf::DeletedFlag) return;
        buf.insert(buf.end(), rec, rec + a.recordLength);
        if (buf.size() >= 64 * 1024) ok = flush();
    });
    return read && ok && flush();
}

// Makes the packed table in a new file beside the table and renames it into
// place: until the rename the old table is whole, after it the new one. All
// writes come first: the new table, the new memo file with the records'
// new memo numbers, the new index files built from the new table, and the
// change mark on the open indexes, so that a kill after the table's rename
// leaves indexes the next program rebuilds. Then only renames follow, the
// table's, the memo file's and the indexes', listed first in a journal that
// the next program completes after a kill, and the files are opened again.
// A failing write thus leaves the table, its memos and indexes as they were.
bool PackRecords(DbfArea& a, const std::string& name, const std::function<void()>& step) {
    const int32_t before = a.recordCount;
    const std::string failText = "Fehler beim Packen von " + platform::DisplayPath(name);
    uint16_t io = 0;
    int32_t kept = 0;
    if (!ForEachStoredRecord(a, io, [&](int32_t, const char* rec) {
            if (rec[0] != dbf::DeletedFlag) ++kept;
        })) {
        SetEngineError(io, failText);
        return false;
    }
    // Room for everything the pack writes beside the old files.
    const bool indexed = IndexInControl() && IndexHooks.prepareRebuild &&
                         IndexHooks.commitRebuild && IndexHooks.markChange;
    int64_t needed =
        static_cast<int64_t>(a.headerLength) + static_cast<int64_t>(kept) * a.recordLength + 1;
    if (a.hasMemo && MemoHooks.packBytes) needed += MemoHooks.packBytes();
    if (indexed && IndexHooks.rebuildBytes) needed += IndexHooks.rebuildBytes(kept);
    if (!CheckRoom(DiskFreeOfPath(name), needed, "Pack")) return false;
    // Every file the pack replaces may be replaced, before anything is written.
    std::vector<std::string> replaced = {name};
    if (a.hasMemo) replaced.push_back(MemoFileName(a.fileName, a.prolog[dbf::OffVersion]));
    for (int o = 1; indexed && IndexHooks.orderFileName && o <= 255; ++o)
        if (std::string index = IndexHooks.orderFileName(o); !index.empty())
            replaced.push_back(std::move(index));
    for (const std::string& file : replaced)
        if (!MayReplaceFile(file, "Pack")) return false;
    const bool memo =
        a.hasMemo && MemoHooks.packPrepare && MemoHooks.packCommit && MemoHooks.packDiscard;
    // The journal names the new table and memo files before either is made.
    ChangeJournal journal(TableJournalName(name), "Pack", failText);
    size_t tableEntry = 0, memoEntry = 0;
    if (!journal.PlanFile(name, tableEntry) ||
        (memo && !journal.PlanFile(replaced[1], memoEntry)) || !journal.Begin())
        return false;
    auto out = journal.Make(tableEntry);
    if (!out) return false;
    if (!WriteKeptRecords(a, *out, io, step)) {
        SetEngineError(io, failText);
        return false;
    }
    // The area stands on the new file while its header is committed and the
    // indexes are built from it; on a failure it goes back to the old one.
    std::unique_ptr<EngineFile> old = std::exchange(a.file, std::move(out));
    const int32_t savedRecord = a.currentRecord;
    a.recordCount = kept;
    a.changeState = ChangeAppended;
    const auto back = [&] {
        QuietEngineErrors quiet;
        if (memo) MemoHooks.packDiscard();
        if (indexed) {
            IndexHooks.discardRebuild();
            IndexHooks.markChange(false);
        }
        a.file = std::move(old);
        a.recordCount = before;
        a.changeState = ChangeNone;
        if (savedRecord >= 1 && savedRecord <= before) ReadRecord(a, savedRecord);
        return false;
    };
    {
        QuietEngineErrors quiet(true);
        if (!CommitDbfHeader(a)) {
            const uint16_t code = EngineErrorCode;
            back();
            SetEngineError(code, failText);
            return false;
        }
    }
    struct RebuildFlag {
        RebuildFlag() { PackRebuildRunning = true; }
        ~RebuildFlag() { PackRebuildRunning = false; }
    } flag;
    if (memo && !MemoHooks.packPrepare(journal, memoEntry)) return back();
    if (indexed && (!IndexHooks.prepareRebuild() || !IndexHooks.markChange(true))) return back();
    // Every new file is whole: the journal says so before the first rename,
    // and a program killed between the renames leaves the rest to the next
    // one that opens the table.
    if (!journal.Ready()) return back();
    // The new table file is renamed through the journal's folder; the area
    // keeps its handle.
    if (!journal.Put(tableEntry)) return back();
    old.reset();
    a.file->SetReadAhead((a.shareMode & 0x70) == 0x10);
    if (kept != before) DropPeekCache(a.alias);
    // The memo file and the indexes follow even after a failure of one of
    // them; the first error is the one reported.
    uint16_t firstCode = 0;
    std::string firstMsg;
    const auto keepFirst = [&] {
        if (firstCode == 0 && EngineErrorCode != 0) {
            firstCode = EngineErrorCode;
            firstMsg = EngineErrorMsg;
        }
    };
    if (kept > 0) {
        if (ReadRecord(a, 1)) a.bof = a.eof = false;
        keepFirst();
    } else {
        a.currentRecord = 0;
        BlankRecord(a);
        a.bof = a.eof = true;
    }
    if (memo) {
        MemoHooks.packCommit();
        keepFirst();
    }
    journal.Finish(false);
    // Each index follows under its own journal; one left behind stays marked.
    if (indexed) {
        IndexHooks.commitRebuild();
        keepFirst();
    }
    if (firstCode != 0) {
        EngineErrorCode = firstCode;
        EngineErrorMsg = firstMsg;
    }
    return firstCode == 0;
}

// A shared table reopened exclusively for the pack is shared again on every
// way out; the normal way reports a failure, an error path stays silent.
class ExclusiveForPack {
public:
    explicit ExclusiveForPack(const DbfArea& a) : active_(Shared(a)) {}
    ~ExclusiveForPack() {
        if (!active_ || done_) return;
        QuietEngineErrors quiet;
        ReopenDbf(false);
    }
    ExclusiveForPack(const ExclusiveForPack&) = delete;
    ExclusiveForPack& operator=(const ExclusiveForPack&) = delete;
    uint16_t Begin() { return active_ ? ReopenDbf(true) : 0; }
    uint16_t End() {
        done_ = true;
        return active_ ? ReopenDbf(false) : 0;
    }

private:
    bool active_;
    bool done_ = false;
};

}  // namespace

bool Pack(const std::function<void()>& step) {
    EngineErrorCode = 0;
    if (CheckAreaOpen("Pack")) return false;
    DbfArea& a = *CurrentDbf();
    RefreshRecCount(a);
    if (a.recordCount < 1) return true;
    const std::string name = a.fileName;
    ExclusiveForPack exclusive(a);
    if (const uint16_t io = exclusive.Begin(); io != 0) {
        SetEngineError(io, "Fehler beim Packen von " + platform::DisplayPath(name));
        return false;
    }
    if (PackConfirm && MessageBoxShort("PACK " + platform::DisplayPath(name), "PACK",
                                       MB_OKCANCEL | MB_ICONQUESTION) == IDCANCEL)
        return false;
    if (a.isVirtual) {
        CallVFile(a, VfPack);
        return EngineErrorCode == 0;
    }
    if (!PackRecords(a, name, step)) return false;
    if (const uint16_t io = exclusive.End(); io != 0) {
        SetEngineError(io, "Datenbank kann nicht Sharable wiedergeöffnet werden. "_oem +
                               platform::DisplayPath(name) + " [Pack]");
        return false;
    }
    return true;
}

}  // namespace kor2
