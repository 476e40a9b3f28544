// Shared-access protocol on the semaphore file ".@S@": LOGIN, LOGOUT, reader
// registration and the write lock, on byte-range locks of the file. Called by
// the index layer when it opens and closes indexes and through hook slots 23/24.
#include "tables/sema/semaphore.h"

#include <cerrno>
#include <chrono>
#include <exception>
#include <new>
#include <optional>

#include "platform/folder.h"
#include "platform/hostfs.h"
#include "platform/progfiles.h"
#include "tables/area/changes.h"
#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/base/filenames.h"
#include "tables/dbf/dbffile.h"

namespace kor2 {

namespace {

const char* const kActionNames[] = {"LOGIN",   "LOGOUT",        "INCREAD",
                                    "DECREAD", "LOCKSEMAPHORE", "UNLOCKSEMAPHORE"};

const std::string kBreak = "\r\n";

// Every failure of the protocol passes here on its way to the engine's error state.
void ReportSemaError(uint16_t code, const std::string& message) {
    SetEngineError(code, message);
}

// Waits between lock attempts, letting the application process its messages.
void Pause(int ms) {
    if (ms > 0) WaitTicks(static_cast<uint32_t>(ms));
}

// The platform's result code of a refused or failed lock.
uint16_t LockResult(int err) {
    if (err == 0 || err == EAGAIN || err == EACCES) return 33;
    return IoCodeFromErrno(err, 33);
}

uint16_t IoCode(const EngineFile& f, uint16_t fallback) {
    return IoCodeFromErrno(f.Error(), fallback);
}

// Reads record 0 into the state's copy; a file shorter than a record reads
// as zeros for the missing bytes. False on a read error.
bool ReadRecord(SemaphoreState& s) {
    uint8_t b[SemaRecordSize] = {};
    if (s.file->ReadAt(0, b, SemaRecordSize) < 0) return false;
    s.record.users = b[SemaUsersOffset];
    s.record.readers = static_cast<int8_t>(b[SemaReadersOffset]);
    s.record.updateCount =
        static_cast<uint16_t>(b[SemaCounterOffset] | (b[SemaCounterOffset + 1] << 8));
    return true;
}

bool WriteRecord(SemaphoreState& s) {
    uint8_t b[SemaRecordSize] = {};
    b[SemaUsersOffset] = s.record.users;
    b[SemaReadersOffset] = static_cast<uint8_t>(s.record.readers);
    b[SemaCounterOffset] = static_cast<uint8_t>(s.record.updateCount & 0xFF);
    b[SemaCounterOffset + 1] = static_cast<uint8_t>(s.record.updateCount >> 8);
    return s.file->WriteAt(0, b, SemaRecordSize) == SemaRecordSize;
}

void ReadError(const SemaphoreState& s, uint8_t action) {
    ReportSemaError(IoCode(*s.file, 100), "Cannot read: " + platform::DisplayPath(s.fileName) +
                                              " " + SemaphoreActionName(action));
}

void WriteError(const SemaphoreState& s, uint8_t action) {
    ReportSemaError(IoCode(*s.file, 101), "Cannot write to: " + platform::DisplayPath(s.fileName) +
                                              " " + SemaphoreActionName(action));
}

// Releases the lock region when the action ends early; the normal end calls
// Release (which reports an unlock failure) or Keep (a writer holds on).
class RegionGuard {
public:
    explicit RegionGuard(SemaphoreState& s) : s_(s) {}
    ~RegionGuard() {
        if (active_ && s_.regionLocked) {
            s_.file->Unlock(SemaLockOffset, SemaLockLength);
            s_.regionLocked = false;
        }
    }
    RegionGuard(const RegionGuard&) = delete;
    RegionGuard& operator=(const RegionGuard&) = delete;
    bool Release(uint8_t action) {
        active_ = false;
        return UnlockSemaphoreFile(s_, action);
    }
    void Keep() { active_ = false; }

private:
    SemaphoreState& s_;
    bool active_ = true;
};

// The table's base lock byte, held for the guard's life once taken.
class BaseLock {
public:
    explicit BaseLock(EngineFile& f) : f_(f) {}
    ~BaseLock() {
        if (held_) f_.Unlock(LockBase, 1);
    }
    BaseLock(const BaseLock&) = delete;
    BaseLock& operator=(const BaseLock&) = delete;
    bool Take() {
        for (int i = 0; i < std::max(1, SemaLockRetries); ++i) {
            if (i > 0) Pause(SemaRetryDelayMs);
            if (f_.Lock(LockBase, 1)) return held_ = true;
        }
        return false;
    }

private:
    EngineFile& f_;
    bool held_ = false;
};

// Takes a nesting step back when an error report raises the engine's
// exception, so that the caller's retry starts balanced.
class NestingRollback {
public:
    explicit NestingRollback(int32_t& n) : n_(n) {}
    ~NestingRollback() {
        if (std::uncaught_exceptions() > exceptions_) --n_;
    }
    NestingRollback(const NestingRollback&) = delete;
    NestingRollback& operator=(const NestingRollback&) = delete;

private:
    int32_t& n_;
    int exceptions_ = std::uncaught_exceptions();
};

std::string DatabaseSuffix(uint8_t action) {
    return " Action=" + SemaphoreActionName(action) + " [Database Semaphore]";
}

// The semaphore file as the engine's own file: in its own spelling (T.@S@
// is not the semaphore of t.dbf), a regular file with one name, opened
// without following a link; a link another account put at the name is
// never written through. errno-like error when it is none of that.
platform::File OpenOwnSemaphore(const std::string& name, int shareMode, int& error) {
    platform::File f = platform::File::OpenNoLink(name, platform::OpenMode::ReadWrite, shareMode);
    error = f.Error();
    if (f.IsOpen() && !f.IsAt(name))
        error = ENOENT;
    else if (f.IsOpen() && !platform::Folder::Facts(f).Plain())
        error = EMLINK;
    if (error != 0) f.Close();
    return f;
}

// Opens the semaphore file shared. A missing file, or one not written today
// (left by a program that died), is first made anew with a zero record when
// nobody else has it open: by exclusive creation, with the read and write
// rights of the table, so that every account that may write the table may
// use it whatever the umask of the program that made it.
bool OpenSemaphoreFile(SemaphoreState& s, uint8_t action) {
    const auto failed = [&](const char* what, int error) {
        const uint16_t code = error == ENOENT ? 2 : error == EMLINK ? 5 : IoCodeFromErrno(error, 5);
        ReportSemaError(code, what + platform::DisplayPath(s.fileName) + DatabaseSuffix(action));
        return false;
    };
    int error = 0;
    const bool present =
        platform::EntryKindOf(s.fileName, platform::Lookup::Write) != platform::EntryKind::Missing;
    if (!present || !FileIsFromToday(s.fileName)) {
        platform::File made;
        bool isNew = true;
        if (present) {
            // Left by a program that died, when nobody has it open: it goes,
            // and a new file takes its place (in a sticky folder one of
            // another account's stays and is used as it is).
            platform::File old = OpenOwnSemaphore(s.fileName, ShareExclusive & 0x70, error);
            if (old.IsOpen() && !old.EraseAt(s.fileName)) {
                made = std::move(old);
                isNew = false;
            }
        }
        if (isNew && error == 0) {
            made = platform::File::CreateNew(s.fileName, ShareExclusive & 0x70);
            error = made.Error();
        }
        if (made.IsOpen()) {
            if (!made.Truncate(0)) return failed("Cannot open/create: ", made.Error());
            if (isNew) made.ShareRightsOf(s.tableName);
            uint16_t io = 0;
            const auto f = EngineFileOf(std::move(made), s.fileName, io);
            if (!f) return failed("Cannot open/create: ", ENOENT);
            const uint8_t zero[SemaRecordSize] = {};
            if (f->WriteAt(0, zero, SemaRecordSize) != SemaRecordSize) {
                ReportSemaError(IoCode(*f, 101),
                                "Cannot write to: " + platform::DisplayPath(s.fileName) +
                                    DatabaseSuffix(action));
                return false;
            }
        } else if (error != EBUSY && error != EEXIST) {
            // EBUSY: another program has it open, it stays as it is; EEXIST:
            // another program made it meanwhile.
            return failed("Cannot open/create: ", error);
        }
    }
    platform::File f = OpenOwnSemaphore(s.fileName, ShareDenyNone & 0x70, error);
    if (!f.IsOpen()) return failed("Cannot open: ", error);
    uint16_t io = 0;
    s.file = EngineFileOf(std::move(f), s.fileName, io);
    if (!s.file) return failed("Cannot open: ", ENOENT);
    return true;
}

// The update counter after one more completed write: 65535 is never stored.
uint16_t NextUpdateCount(uint16_t count) {
    const uint32_t next = count + 1u;
    return next >= SemaCounterWrap ? 0 : static_cast<uint16_t>(next);
}

// The reader count as this program sees it: its own registration apart.
int8_t OwnReaders(const SemaphoreState& s) {
    return s.reading ? 1 : 0;
}

// A shared lock on a presence byte, taken under the lock region; false after
// the error.
bool TakePresence(SemaphoreState& s, int64_t byte, uint8_t action) {
    if (byte == SemaReaderPresence && s.readerPresence) return true;
    if (!s.file->LockShared(byte, 1)) {
        ReportSemaError(LockResult(s.file->Error()),
                        "Cannot lock index semaphore file: " + platform::DisplayPath(s.fileName) +
                            " " + SemaphoreActionName(action));
        return false;
    }
    if (byte == SemaReaderPresence) s.readerPresence = true;
    return true;
}

// Drops the reader presence once this program is neither reader nor writer.
void DropReaderPresence(SemaphoreState& s) {
    if (!s.readerPresence) return;
    s.file->Unlock(SemaReaderPresence, 1);
    s.readerPresence = false;
}

// Whether no other program holds a presence byte: an exclusive lock of it
// succeeds. This program's own shared lock (held) is taken back at once.
bool NoOtherPresence(SemaphoreState& s, int64_t byte, bool held) {
    if (!s.file->Lock(byte, 1)) return false;
    if (held) {
        s.file->LockShared(byte, 1);
    } else {
        s.file->Unlock(byte, 1);
    }
    return true;
}

// Sets counts in the record that no live program accounts for back to this
// program's own (ownUsers logins); called under the lock region. A dead
// reader may have been a writer whose changes were never counted: the update
// counter moves on, so that every program reads the indexes anew.
void ForgetDeadRegistrations(SemaphoreState& s, uint8_t ownUsers) {
    if (s.record.users > ownUsers && NoOtherPresence(s, SemaLoginPresence, true))
        s.record.users = ownUsers;
    const int8_t own = OwnReaders(s);
    if (s.record.readers > own && NoOtherPresence(s, SemaReaderPresence, s.readerPresence)) {
        s.record.readers = own;
        s.record.updateCount = NextUpdateCount(s.record.updateCount);
    }
}

void Login(uint8_t areaNo, DbfArea& area) {
    std::unique_ptr<SemaphoreState> s;
    try {
        s = std::make_unique<SemaphoreState>();
    } catch (const std::bad_alloc&) {
        ReportSemaError(217, "Memory needed=" + std::to_string(sizeof(SemaphoreState)));
        return;
    }
    s->tableName = area.fileName;
    s->fileName = GetSemaphoreFileName(area.fileName);
    BaseLock base(*area.file);
    if (!base.Take()) {
        ReportSemaError(1202, "Cannot lock database for: " + platform::DisplayPath(area.fileName) +
                                  DatabaseSuffix(SemLogin));
        return;
    }
    if (!OpenSemaphoreFile(*s, SemLogin)) return;
    RegionGuard region(*s);
    if (!LockSemaphoreFile(*s, SemLogin)) return;
    if (!ReadRecord(*s)) {
        ReportSemaError(
            IoCode(*s->file, 100),
            "Cannot read: " + platform::DisplayPath(s->fileName) + DatabaseSuffix(SemLogin));
        return;
    }
    if (!TakePresence(*s, SemaLoginPresence, SemLogin)) return;
    ForgetDeadRegistrations(*s, 0);
    ++s->record.users;
    if (!WriteRecord(*s)) {
        ReportSemaError(
            IoCode(*s->file, 101),
            "Cannot write to: " + platform::DisplayPath(s->fileName) + DatabaseSuffix(SemLogin));
        return;
    }
    if (!region.Release(SemLogin)) return;
    s->lastSeenCount = s->record.updateCount;
    SemaReadHookNesting[areaNo] = 0;
    SemaLockHookNesting[areaNo] = 0;
    SemaphoreStates[areaNo] = std::move(s);
}

void Logout(uint8_t areaNo, DbfArea& area) {
    // The state goes in any case: the work area is done with the table.
    std::unique_ptr<SemaphoreState> s = std::move(SemaphoreStates[areaNo]);
    SemaReadHookNesting[areaNo] = 0;
    SemaLockHookNesting[areaNo] = 0;
    BaseLock base(*area.file);
    if (!base.Take()) {
        ReportSemaError(1202, "Cannot lock database for: " + platform::DisplayPath(area.fileName) +
                                  DatabaseSuffix(SemLogout));
        return;
    }
    const bool writing = s->regionLocked;
    RegionGuard region(*s);
    if (!LockSemaphoreFile(*s, SemLogout)) return;
    if (!ReadRecord(*s)) return ReadError(*s, SemLogout);
    if (writing) {
        // Logged out in the middle of a write: end it as UNLOCKSEMAPHORE
        // would, so that the others neither wait for this writer nor miss
        // whatever it changed.
        s->record.updateCount = NextUpdateCount(s->record.updateCount);
        s->record.readers = OwnReaders(*s);
    }
    ForgetDeadRegistrations(*s, 1);
    if (s->reading && s->record.readers > 0) --s->record.readers;
    if (s->record.users > 0) --s->record.users;
    if (!WriteRecord(*s)) return WriteError(*s, SemLogout);
    if (!region.Release(SemLogout)) return;
    s->file.reset();
    // Only the file this table's programs use: its own spelling, no link.
    if (s->record.users == 0) platform::EraseUnheldFile(s->fileName);
}

// Counts this program in (INCREAD) or out (DECREAD) of the readers in the
// record, under the lock region; false after the error.
bool Register(SemaphoreState& s, uint8_t action) {
    const bool inc = action == SemIncRead;
    RegionGuard region(s);
    if (!LockSemaphoreFile(s, action)) return false;
    if (!ReadRecord(s)) {
        ReadError(s, action);
        return false;
    }
    if (inc) {
        if (!TakePresence(s, SemaReaderPresence, action)) return false;
        // A count left by a writer that died moves the update counter on, so
        // that this reader looks at the indexes again before it answers.
        if (s.record.readers > OwnReaders(s)) ForgetDeadRegistrations(s, 1);
        if (s.record.readers < SemaMaxReaders) ++s.record.readers;
    } else if (s.record.readers > 0) {
        --s.record.readers;
    }
    const bool written = WriteRecord(s);
    if (written) s.reading = inc;
    if (!s.reading) DropReaderPresence(s);
    if (!written) {
        WriteError(s, action);
        return false;
    }
    return region.Release(action);
}

void ChangeReaders(SemaphoreState& s, uint8_t action) {
    const bool inc = action == SemIncRead;
    if (inc) {
        if (++s.readNesting != 1) return;
    } else {
        if (--s.readNesting < 0) {
            s.readNesting = 0;
            ReportSemaError(254, "Unbalanced IncRead/DecRead for semaphore file: " +
                                     platform::DisplayPath(s.fileName));
            return;
        }
        if (s.readNesting != 0) return;
    }
    // Nothing while this program writes, or when its registration already is as asked.
    if (s.regionLocked || s.reading == inc) return;
    std::optional<NestingRollback> rollback;
    if (inc) rollback.emplace(s.readNesting);
    Register(s, action);
}

void TimeoutWaitingForReaders(const SemaphoreState& s) {
    ReportSemaError(1202, std::to_string(SemaReaderWaitSec) + " second timeout, cannot read: " +
                              platform::DisplayPath(s.tableName) + kBreak +
                              "Possible cause: Other user's program has terminated abnormally." +
                              kBreak + "Cure: Log all users of this application off the network," +
                              kBreak + "then delete " + platform::DisplayPath(s.fileName));
}

void LockForWrite(SemaphoreState& s) {
    NestingRollback rollback(s.lockNesting);
    if (++s.lockNesting > 1 || s.regionLocked) return;
    const auto start = std::chrono::steady_clock::now();
    const auto waited = [&] {
        return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() -
                                                                start)
            .count();
    };
    for (;;) {
        // Some systems refuse reads of a region another program holds.
        while (!ReadRecord(s)) {
            if (waited() >= SemaReaderWaitSec) return ReadError(s, SemLockSemaphore);
            Pause(1);
        }
        RegionGuard region(s);
        if (!LockSemaphoreFile(s, SemLockSemaphore)) return;
        if (!ReadRecord(s)) return ReadError(s, SemLockSemaphore);
        // This program's own reader registration does not keep it waiting,
        // nor do those of dead programs.
        if (s.record.readers > OwnReaders(s)) ForgetDeadRegistrations(s, 1);
        if (s.record.readers <= OwnReaders(s)) {
            if (!TakePresence(s, SemaReaderPresence, SemLockSemaphore)) return;
            s.record.readers = static_cast<int8_t>(OwnReaders(s) + 1);
            if (!WriteRecord(s)) {
                if (!s.reading) DropReaderPresence(s);
                return WriteError(s, SemLockSemaphore);
            }
            region.Keep();
            return;
        }
        if (!region.Release(SemLockSemaphore)) return;
        if (waited() >= SemaReaderWaitSec) return TimeoutWaitingForReaders(s);
        Pause(SemaRetryDelayMs);
    }
}

void UnlockAfterWrite(SemaphoreState& s) {
    if (--s.lockNesting < 0) {
        s.lockNesting = 0;
        ReportSemaError(
            254, "Unbalanced Lock/Unlock for semaphore file: " + platform::DisplayPath(s.fileName));
        return;
    }
    if (s.lockNesting != 0 || !s.regionLocked) return;
    RegionGuard region(s);
    // The write ends here even when the record cannot be updated: the count
    // it left is no longer backed by this program.
    const bool read = ReadRecord(s);
    // Only a program that had taken in every write before its own has seen
    // them all then; otherwise its next look at the indexes reads them anew.
    const bool upToDate = read && s.record.updateCount == s.lastSeenCount;
    if (read) {
        s.record.updateCount = NextUpdateCount(s.record.updateCount);
        s.record.readers = OwnReaders(s);
    }
    const bool written = read && WriteRecord(s);
    if (!s.reading) DropReaderPresence(s);
    if (!read) return ReadError(s, SemUnlockSemaphore);
    if (!written) return WriteError(s, SemUnlockSemaphore);
    if (!region.Release(SemUnlockSemaphore)) return;
    if (upToDate) s.lastSeenCount = s.record.updateCount;  // this program's own change
}

}  // namespace

void ClearSemaphoreStates() {
    for (auto& s : SemaphoreStates) s.reset();
    SemaReadHookNesting.fill(0);
    SemaLockHookNesting.fill(0);
}

std::string GetSemaphoreFileName(const std::string& tableName) {
    return ForceExtension(tableName, "@S@");
}

std::string SemaphoreActionName(uint8_t action) {
    return action < std::size(kActionNames) ? kActionNames[action] : "";
}

bool LockSemaphoreFile(SemaphoreState& s, uint8_t action) {
    const int attempts = std::max(1, SemaLockRetries);
    for (int i = 0; i < attempts; ++i) {
        if (i > 0) Pause(SemaRetryDelayMs);
        if (s.file->Lock(SemaLockOffset, SemaLockLength)) {
            s.regionLocked = true;
            return true;
        }
    }
    const int64_t seconds = int64_t{attempts} * SemaRetryDelayMs / 1000;
    ReportSemaError(
        1202, std::to_string(seconds) + " second timeout: Cannot lock index semaphore file: " +
                  platform::DisplayPath(s.fileName) + " " + SemaphoreActionName(action) + kBreak +
                  "Possible cause: Network lock limit exceeded" + kBreak +
                  " Lock result code: " + std::to_string(LockResult(s.file->Error())));
    return false;
}

bool UnlockSemaphoreFile(SemaphoreState& s, uint8_t action) {
    if (!s.regionLocked) return true;
    s.regionLocked = false;
    if (s.file->Unlock(SemaLockOffset, SemaLockLength)) return true;
    ReportSemaError(LockResult(s.file->Error()),
                    "Cannot unlock index semaphore file: " + platform::DisplayPath(s.fileName) +
                        " " + SemaphoreActionName(action));
    return false;
}

void HandleSemaphoreIn(uint8_t areaNo, DbfArea* area, uint8_t action) {
    if (areaNo == 0 || areaNo > SemaMaxArea) {
        ReportSemaError(
            220, "Work area [" + std::to_string(areaNo) + "] out of range. [HandleSemafore]");
        return;
    }
    if (!area || !area->file || area->exclusive) return;
    SemaphoreState* s = SemaphoreStates[areaNo].get();
    switch (action) {
        case SemLogin:
            if (!s) Login(areaNo, *area);  // a second index does not log in again
            return;
        case SemLogout:
            if (s) Logout(areaNo, *area);
            return;
        case SemIncRead:
        case SemDecRead:
            if (s) ChangeReaders(*s, action);
            return;
        case SemLockSemaphore:
            if (s) LockForWrite(*s);
            return;
        case SemUnlockSemaphore:
            if (s) UnlockAfterWrite(*s);
            return;
        default:
            return;
    }
}

namespace {

void NestedHook(uint8_t areaNo, DbfArea* area, bool on,
                std::array<int32_t, SemaMaxArea + 1>& counts, uint8_t onAction, uint8_t offAction,
                const char* routine) {
    if (areaNo == 0 || areaNo > SemaMaxArea) return HandleSemaphoreIn(areaNo, area, onAction);
    int32_t& n = counts[areaNo];
    if (on) {
        if (n == 0) HandleSemaphoreIn(areaNo, area, onAction);
        ++n;
        return;
    }
    if (--n < 0) {
        n = 0;  // stays usable for the next balanced pair
        ReportSemaError(254, std::string("Non-symmetrical Lock-Unlock [") + routine + "]");
        return;
    }
    if (n == 0) HandleSemaphoreIn(areaNo, area, offAction);
}

}  // namespace

void SetReadSemaphoreProcIn(uint8_t areaNo, DbfArea* area, bool on) {
    NestedHook(areaNo, area, on, SemaReadHookNesting, SemIncRead, SemDecRead,
               "SetReadSemaphoreProc");
}

void SetLockSemaphoreProcIn(uint8_t areaNo, DbfArea* area, bool on) {
    NestedHook(areaNo, area, on, SemaLockHookNesting, SemLockSemaphore, SemUnlockSemaphore,
               "SetLockSemaphoreProc");
}

DbfArea* SemaphoreTableOfCurrentArea() {
    return CurrentArea < WorkAreas.size() ? WorkAreas[CurrentArea].get() : nullptr;
}

bool WithoutReaderRegistration(const std::function<bool()>& work) {
    SemaphoreState* s = CurrentArea <= SemaMaxArea ? SemaphoreStates[CurrentArea].get() : nullptr;
    if (!s || !s->reading || s->regionLocked) return work();
    if (!Register(*s, SemDecRead)) return false;
    const bool done = work();
    return Register(*s, SemIncRead) && done;
}

void HandleSemaphore(uint8_t action) {
    HandleSemaphoreIn(CurrentArea, SemaphoreTableOfCurrentArea(), action);
}

void SetReadSemaphoreProc(bool on) {
    SetReadSemaphoreProcIn(CurrentArea, SemaphoreTableOfCurrentArea(), on);
}

void SetLockSemaphoreProc(bool on) {
    SetLockSemaphoreProcIn(CurrentArea, SemaphoreTableOfCurrentArea(), on);
}

}  // namespace kor2
