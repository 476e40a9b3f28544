// Tests of the semaphore file protocol: log in and out, reader counting, the
// write lock and its counter, files left by dead programs, and two real child
// processes sharing one table. Timeouts are set to a few milliseconds.
#include "tables/sema/semaphore.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/hostfs.h"
#include "platform/sysclock.h"
#include "support/asnobody.h"
#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/tbtestutil.h"

namespace kor2 {
namespace {

using Rec = std::array<int, 3>;  // users, readers, update counter

void DieRegisteredAsReader(const std::function<std::unique_ptr<DbfArea>()>& open);

class SemaTest : public test::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        SemaLockRetries = 3;
        SemaRetryDelayMs = 1;
        SemaReaderWaitSec = 0;
        test::WriteFileBytes(table_, "table");
    }
    void TearDown() override {
        ClearSemaphoreStates();
        platform::SetClockOverride(std::nullopt);
        SemaLockRetries = 1000;
        SemaRetryDelayMs = 10;
        SemaReaderWaitSec = 100;
        ExceptionMode = false;
        EngineTest::TearDown();
    }
    // The table opened shared, as a work area holds it.
    std::unique_ptr<DbfArea> OpenTable(bool exclusive = false) {
        auto a = std::make_unique<DbfArea>();
        a->fileName = table_;
        uint16_t io = 0;
        a->file = OpenEngineFile(table_, ShareDenyNone, io);
        a->exclusive = exclusive;
        EXPECT_TRUE(a->file) << io;
        return a;
    }
    Rec Raw() const {
        const std::string d = test::ReadFileBytes(sema_);
        if (d.size() < 4) return {-1, -1, -1};
        const auto b = [&](int i) { return static_cast<unsigned char>(d[i]); };
        return {b(0), static_cast<signed char>(d[1]), b(2) | b(3) << 8};
    }
    // The message of the last error, which must have this code; clears it.
    static std::string Error(uint16_t code) {
        EXPECT_EQ(EngineErrorCode, code);
        EngineErrorCode = 0;
        return TakeErrorMsg();
    }

    std::string table_ = Path("T.DBF"), sema_ = Path("T.@S@");
};

// What another account may put at the semaphore's name in a folder both may
// write, before a program of this account logs in to the table t.dbf. A
// link (symbolic or hard, to a file elsewhere), a pipe or a folder is never
// used: the login is refused naming the file, and what the entry leads to
// keeps its bytes, also when the entry is from another day (the login then
// makes a new semaphore file). A file under another spelling is another
// file: the login makes t.@S@ beside it. A file of the other account's at
// the name from another day, left as by a program that died, is replaced by
// a new file: it is neither written nor given to this account.
TEST_F(SemaTest, WhatAnotherAccountPutsAtTheSemaphoreNameIsNotWrittenThrough) {
    namespace fs = std::filesystem;
    enum class Entry { SymLink, HardLink, Pipe, Folder, OtherSpelling, File };
    struct Case {
        const char* name;
        Entry entry;
        bool anotherDay;  // the entry is older than today
        bool refused;
    };
    const Case cases[] = {
        {"symbolic link", Entry::SymLink, false, true},
        {"hard link, today", Entry::HardLink, false, true},
        {"hard link, another day", Entry::HardLink, true, true},
        {"pipe", Entry::Pipe, false, true},
        {"folder", Entry::Folder, false, true},
        {"file under another spelling", Entry::OtherSpelling, false, false},
        {"file under another spelling, another day", Entry::OtherSpelling, true, false},
        {"file, another day", Entry::File, true, false},
    };
    fs::permissions(dir_.path(), fs::perms::all);
    const std::string elsewhere = Path("elsewhere"), table = Path("t.dbf"), sema = Path("t.@S@");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(elsewhere);
        fs::remove_all(sema);
        fs::remove_all(Path("T.@S@"));
        fs::create_directory(elsewhere);
        fs::permissions(elsewhere, fs::perms::all);
        test::WriteFileBytes(table, "table");
        const std::string victim = elsewhere + "/victim";
        const std::string planted = c.entry == Entry::OtherSpelling ? Path("T.@S@") : sema;
        test::RunAsNobody({}, [&] {
            test::WriteFileBytes(victim, "victim");
            switch (c.entry) {
                case Entry::SymLink:
                    ASSERT_EQ(symlink(victim.c_str(), planted.c_str()), 0);
                    break;
                case Entry::HardLink:
                    ASSERT_EQ(link(victim.c_str(), planted.c_str()), 0);
                    break;
                case Entry::Pipe:
                    ASSERT_EQ(mkfifo(planted.c_str(), 0666), 0) << std::strerror(errno);
                    break;
                case Entry::Folder:
                    ASSERT_EQ(mkdir(planted.c_str(), 0777), 0) << std::strerror(errno);
                    break;
                case Entry::OtherSpelling:
                case Entry::File:
                    test::WriteFileBytes(planted, "victim");
                    break;
            }
        });
        // The planted entry as it was, held open to see what became of it.
        struct stat before = {};
        ASSERT_EQ(lstat(planted.c_str(), &before), 0);
        const int held = open(planted.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (c.anotherDay) platform::SetClockOverride(platform::DateTime{2031, 6, 2, 8, 0, 0, 0, 1});
        auto a = std::make_unique<DbfArea>();
        a->fileName = table;
        uint16_t io = 0;
        a->file = OpenEngineFile(table, ShareDenyNone, io);
        ASSERT_TRUE(a->file) << io;
        HandleSemaphoreIn(1, a.get(), SemLogin);
        if (c.refused) {
            EXPECT_EQ(SemaphoreStates[1], nullptr);
            EXPECT_NE(Error(5).find("t.@S@"), std::string::npos);
        } else {
            EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
            EXPECT_EQ(test::ReadFileBytes(sema).substr(0, 1), std::string(1, '\1'));
            struct stat now = {};
            ASSERT_EQ(lstat(sema.c_str(), &now), 0);
            EXPECT_EQ(now.st_uid, geteuid());
            if (c.entry == Entry::File) {
                struct stat kept = {};
                ASSERT_EQ(fstat(held, &kept), 0);
                EXPECT_NE(now.st_ino, kept.st_ino);
                EXPECT_EQ(kept.st_uid, before.st_uid);
                char bytes[8] = {};
                EXPECT_EQ(pread(held, bytes, 6, 0), 6);
                EXPECT_EQ(std::string(bytes), "victim");
            }
        }
        HandleSemaphoreIn(1, a.get(), SemLogout);
        if (held >= 0) close(held);
        EngineErrorCode = 0;
        platform::SetClockOverride(std::nullopt);
        if (c.entry == Entry::OtherSpelling)
            EXPECT_EQ(test::ReadFileBytes(planted), "victim");
        else
            EXPECT_EQ(test::ReadFileBytes(victim), "victim");
        EXPECT_EQ(fs::exists(fs::symlink_status(planted)), c.entry != Entry::File);
    }
}

// A table that a second account may write, shared by root with the usual
// umask 022: the semaphore file root's program makes, and the one a killed
// program of root's leaves, let the second account log in. The file gets
// the table's rights (owner, group, read and write bits), not the umask of
// the program that made it; the account that makes it keeps its own right
// to write it when it cannot give the file to the table's owner.
TEST_F(SemaTest, EveryAccountThatMayWriteTheTableLogsInWhoeverMadeTheSemaphore) {
    namespace fs = std::filesystem;
    using fs::perms;
    enum class Maker { Root, KilledRoot, Second };
    struct Case {
        const char* name;
        bool tableOfNobody;  // else root's
        perms mode;          // the table's
        Maker maker;         // who makes the semaphore file
    };
    const perms rw = perms::owner_read | perms::owner_write;
    const perms all =
        rw | perms::group_read | perms::group_write | perms::others_read | perms::others_write;
    const perms readable = perms::owner_read | perms::group_read | perms::others_read;
    const Case cases[] = {
        {"root's table every account may write", false, all, Maker::Root},
        {"the second account's table", true, rw, Maker::Root},
        {"root's program killed", false, all, Maker::KilledRoot},
        {"root's program killed, the second account's table", true, rw, Maker::KilledRoot},
        {"root's table no account may write, the second account's reader", false, readable,
         Maker::Second},
    };
    fs::permissions(dir_.path(), perms::all);
    const std::string table = Path("t.dbf"), sema = Path("t.@S@");
    const mode_t umaskBefore = umask(022);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(sema);
        fs::remove(table);
        test::WriteFileBytes(table, "table");
        fs::permissions(table, c.mode);
        if (c.tableOfNobody && geteuid() == 0) {
            const passwd* nobody = getpwnam("nobody");
            ASSERT_NE(nobody, nullptr);
            ASSERT_EQ(chown(table.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
        }
        const auto open = [&] {
            auto a = std::make_unique<DbfArea>();
            a->fileName = table;
            uint16_t io = 0;
            const bool writable =
                (c.mode & (perms::owner_write | perms::others_write)) != perms::none;
            a->file = OpenEngineFile(table, writable ? ShareDenyNone : ShareReadDenyNone, io);
            EXPECT_TRUE(a->file) << io;
            return a;
        };
        std::unique_ptr<DbfArea> root;
        if (c.maker == Maker::KilledRoot) {
            DieRegisteredAsReader(open);
        } else if (c.maker == Maker::Root) {
            root = open();
            HandleSemaphoreIn(1, root.get(), SemLogin);
            ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
        }
        test::RunAsNobody({}, [&] {
            auto mine = open();
            HandleSemaphoreIn(2, mine.get(), SemLogin);
            EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
            SetLockSemaphoreProcIn(2, mine.get(), true);
            SetLockSemaphoreProcIn(2, mine.get(), false);
            EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
            HandleSemaphoreIn(2, mine.get(), SemLogout);
        });
        if (root) HandleSemaphoreIn(1, root.get(), SemLogout);
        EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
        ClearSemaphoreStates();
    }
    umask(umaskBefore);
}

TEST_F(SemaTest, LogInOncePerAreaAndTheLastOneOutErases) {
    EXPECT_EQ(GetSemaphoreFileName("C:\\DATA\\KUNDEN.DBF"), "C:\\DATA\\KUNDEN.@S@");
    EXPECT_EQ(SemaphoreActionName(SemUnlockSemaphore), "UNLOCKSEMAPHORE");
    auto a1 = OpenTable(), a2 = OpenTable(), ex = OpenTable(true);
    HandleSemaphoreIn(3, ex.get(), SemLogin);  // exclusive: no file
    EXPECT_FALSE(platform::FileExists(sema_));
    HandleSemaphoreIn(1, a1.get(), SemLogin);
    HandleSemaphoreIn(1, a1.get(), SemLogin);  // a second index of the same area
    EXPECT_EQ(Raw()[0], 1);
    HandleSemaphoreIn(2, a2.get(), SemLogin);
    EXPECT_EQ(Raw()[0], 2);
    SetLockSemaphoreProcIn(1, a1.get(), true);
    HandleSemaphoreIn(1, a1.get(), SemLogout);  // in the middle of a write: ends it
    EXPECT_EQ(SemaphoreStates[1], nullptr);
    HandleSemaphoreIn(1, a1.get(), SemLogout);  // without a state: nothing
    EXPECT_EQ(Raw(), (Rec{1, 0, 1}));
    HandleSemaphoreIn(2, a2.get(), SemLogout);
    EXPECT_FALSE(platform::FileExists(sema_));
    EXPECT_EQ(EngineErrorCode, 0);

    HandleSemaphoreIn(35, a1.get(), SemLogin);
    EXPECT_EQ(Error(220), "Work area [35] out of range. [HandleSemafore]");
}

TEST_F(SemaTest, NestedWriteLockCountsOneWriteAndSkips65535) {
    test::WriteFileBytes(sema_, test::Bytes({0, 0, 0xFD, 0xFF}));  // counter 65533
    auto a = OpenTable();
    HandleSemaphoreIn(1, a.get(), SemLogin);
    SetLockSemaphoreProcIn(1, a.get(), true);
    SetLockSemaphoreProcIn(1, a.get(), true);
    EXPECT_EQ(Raw()[1], 1);  // the writer's mark
    SetLockSemaphoreProcIn(1, a.get(), false);
    EXPECT_EQ(Raw()[2], 65533);
    SetLockSemaphoreProcIn(1, a.get(), false);
    EXPECT_EQ(Raw(), (Rec{1, 0, 65534}));
    EXPECT_FALSE(SemaphoreCounterChanged(*SemaphoreStates[1]));  // its own change
    HandleSemaphoreIn(1, a.get(), SemLockSemaphore);
    HandleSemaphoreIn(1, a.get(), SemUnlockSemaphore);
    EXPECT_EQ(Raw()[2], 0);
    EXPECT_EQ(EngineErrorCode, 0);
}

TEST_F(SemaTest, ReadersAreCountedOnceAndSeeOtherWrites) {
    auto a1 = OpenTable(), a2 = OpenTable();
    HandleSemaphoreIn(1, a1.get(), SemLogin);
    HandleSemaphoreIn(2, a2.get(), SemLogin);
    SetReadSemaphoreProcIn(1, a1.get(), true);
    SetReadSemaphoreProcIn(1, a1.get(), true);
    SetReadSemaphoreProcIn(1, a1.get(), false);
    EXPECT_EQ(Raw()[1], 1);
    SetReadSemaphoreProcIn(1, a1.get(), false);
    EXPECT_EQ(Raw()[1], 0);

    SetLockSemaphoreProcIn(2, a2.get(), true);
    SetLockSemaphoreProcIn(2, a2.get(), false);
    SetReadSemaphoreProcIn(1, a1.get(), true);
    EXPECT_TRUE(SemaphoreCounterChanged(*SemaphoreStates[1]));
    HandleSemaphoreIn(1, a1.get(), SemLogout);  // a reader leaves its count behind
    EXPECT_EQ(Raw(), (Rec{1, 0, 1}));
    EXPECT_EQ(EngineErrorCode, 0);
}

TEST_F(SemaTest, UnbalancedCallsAreReportedAndLeaveTheCountsUsable) {
    auto a = OpenTable();
    HandleSemaphoreIn(1, a.get(), SemLogin);
    SetReadSemaphoreProcIn(1, a.get(), false);
    EXPECT_EQ(Error(254), "Non-symmetrical Lock-Unlock [SetReadSemaphoreProc]");
    SetLockSemaphoreProcIn(1, a.get(), false);
    EXPECT_EQ(Error(254), "Non-symmetrical Lock-Unlock [SetLockSemaphoreProc]");
    HandleSemaphoreIn(1, a.get(), SemDecRead);
    EXPECT_EQ(Error(254), "Unbalanced IncRead/DecRead for semaphore file: " + sema_);
    HandleSemaphoreIn(1, a.get(), SemUnlockSemaphore);
    EXPECT_EQ(Error(254), "Unbalanced Lock/Unlock for semaphore file: " + sema_);

    SetReadSemaphoreProcIn(1, a.get(), true);
    EXPECT_EQ(Raw()[1], 1);
    SetReadSemaphoreProcIn(1, a.get(), false);
    SetLockSemaphoreProcIn(1, a.get(), true);
    SetLockSemaphoreProcIn(1, a.get(), false);
    EXPECT_EQ(Raw(), (Rec{1, 0, 1}));
    EXPECT_EQ(EngineErrorCode, 0);
}

TEST_F(SemaTest, ReadersAndWriterKeepEachOtherOut) {
    auto a1 = OpenTable(), a2 = OpenTable();
    HandleSemaphoreIn(1, a1.get(), SemLogin);
    HandleSemaphoreIn(2, a2.get(), SemLogin);
    SetReadSemaphoreProcIn(1, a1.get(), true);
    SetLockSemaphoreProcIn(2, a2.get(), true);
    EXPECT_EQ(Error(1202), "0 second timeout, cannot read: " + table_ +
                               "\r\nPossible cause: Other user's program has terminated abnormally."
                               "\r\nCure: Log all users of this application off the network,"
                               "\r\nthen delete " +
                               sema_);
    SetLockSemaphoreProcIn(2, a2.get(), false);  // the caller's matching off
    EXPECT_EQ(Raw()[2], 0);
    SetReadSemaphoreProcIn(1, a1.get(), false);

    SetLockSemaphoreProcIn(2, a2.get(), true);
    SetReadSemaphoreProcIn(1, a1.get(), true);
    EXPECT_EQ(Error(1202), "0 second timeout: Cannot lock index semaphore file: " + sema_ +
                               " INCREAD\r\nPossible cause: Network lock limit exceeded"
                               "\r\n Lock result code: 33");
    SetReadSemaphoreProcIn(1, a1.get(), false);
    SetLockSemaphoreProcIn(2, a2.get(), false);
    EXPECT_EQ(Raw(), (Rec{2, 0, 1}));
    EXPECT_EQ(EngineErrorCode, 0);
}

TEST_F(SemaTest, OwnReaderDoesNotBlockOwnWriteAndRaisesStayBalanced) {
    auto a1 = OpenTable(), a2 = OpenTable();
    HandleSemaphoreIn(1, a1.get(), SemLogin);
    HandleSemaphoreIn(2, a2.get(), SemLogin);
    SetReadSemaphoreProcIn(1, a1.get(), true);
    SetLockSemaphoreProcIn(1, a1.get(), true);
    EXPECT_EQ(Raw()[1], 2);
    SetLockSemaphoreProcIn(1, a1.get(), false);
    EXPECT_EQ(Raw()[1], 1);

    SetErrorHandling(true);
    SetExceptionMode(true);
    EXPECT_THROW(SetLockSemaphoreProcIn(2, a2.get(), true), ETableError);
    SetErrorHandling(false);
    EngineErrorCode = 0;
    // The raise skipped the caller's "off"; the next "on" must lock again.
    SetReadSemaphoreProcIn(1, a1.get(), false);
    SetLockSemaphoreProcIn(2, a2.get(), true);
    EXPECT_TRUE(SemaphoreStates[2]->regionLocked);
    SetLockSemaphoreProcIn(2, a2.get(), false);
    EXPECT_EQ(Raw()[2], 2);
    EXPECT_EQ(EngineErrorCode, 0);
}

TEST_F(SemaTest, FailedLoginsLeaveNoState) {
    auto a1 = OpenTable(), a2 = OpenTable();
    ASSERT_TRUE(a2->file->Lock(0x40000000, 1));  // the base lock byte
    HandleSemaphoreIn(1, a1.get(), SemLogin);
    EXPECT_EQ(Error(1202),
              "Cannot lock database for: " + table_ + " Action=LOGIN [Database Semaphore]");
    a2->file->Unlock(0x40000000, 1);
    {
        ScopedFaultPlan faults;
        faults.plan().failWrite = 1;  // the zero record of the new file
        HandleSemaphoreIn(1, a1.get(), SemLogin);
    }
    EXPECT_EQ(Error(101), "Cannot write to: " + sema_ + " Action=LOGIN [Database Semaphore]");
    EXPECT_EQ(SemaphoreStates[1], nullptr);
    HandleSemaphoreIn(1, a1.get(), SemLogin);  // reads the half-written record as zeros
    EXPECT_EQ(EngineErrorCode, 0);
    EXPECT_EQ(Raw()[0], 1);
}

TEST_F(SemaTest, CurrentWorkAreasOfOneTable) {
    test::MakeTable(table_, {{"NAME", 'C', 10, 0}});
    Select(1);
    ASSERT_TRUE(Use(table_, nullptr, 0));
    Select(2);
    ASSERT_TRUE(Use(table_ + " ALIAS T2", nullptr, 0));
    HandleSemaphore(SemLogin);
    Select(1);
    HandleSemaphore(SemLogin);
    EXPECT_EQ(Raw()[0], 2);
    SetLockSemaphoreProc(true);
    SetLockSemaphoreProc(false);
    Select(2);
    SetReadSemaphoreProc(true);
    EXPECT_TRUE(SemaphoreCounterChanged(*SemaphoreStates[2]));
    SetReadSemaphoreProc(false);
    HandleSemaphore(SemLogout);
    Select(1);
    HandleSemaphore(SemLogout);
    EXPECT_FALSE(platform::FileExists(sema_));
    EXPECT_EQ(EngineErrorCode, 0);
    CloseAllAreas();
}

// ---- real processes ------------------------------------------------------

// Runs body in a child process; its result is the child's exit code.
pid_t Spawn(const std::function<int()>& body) {
    const pid_t pid = fork();
    if (pid == 0) {
        alarm(30);  // a child stuck in a handshake ends instead of hanging the test
        _exit(body());
    }
    return pid;
}

int ExitCodeOf(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

struct Pipe {
    int fd[2] = {-1, -1};
    Pipe() { EXPECT_EQ(pipe(fd), 0); }
    ~Pipe() {
        close(fd[0]);
        close(fd[1]);
    }
    void Signal() const { (void)!write(fd[1], "x", 1); }
    bool Wait() const {
        char c = 0;
        return read(fd[0], &c, 1) == 1;
    }
};

TEST_F(SemaTest, TwoProcessesSeeEachOthersWrites) {
    SemaLockRetries = 2000;  // the children may meet in a lock: wait up to 2 s
    SemaReaderWaitSec = 5;
    Pipe aToB, bToA;
    // Each child returns the number of its first failed check, 0 when all hold.
    const pid_t a = Spawn([&] {
        auto t = OpenTable();
        HandleSemaphoreIn(1, t.get(), SemLogin);
        if (!bToA.Wait()) return 1;  // the other one is logged in
        SetLockSemaphoreProcIn(1, t.get(), true);
        SetLockSemaphoreProcIn(1, t.get(), false);
        if (Raw()[2] != 1) return 2;
        aToB.Signal();
        if (!bToA.Wait()) return 3;
        SetReadSemaphoreProcIn(1, t.get(), true);
        const SemaphoreState& s = *SemaphoreStates[1];
        if (s.record.updateCount != 2 || !SemaphoreCounterChanged(s)) return 4;
        if (s.record.users != 2 || s.record.readers != 1) return 5;
        SetReadSemaphoreProcIn(1, t.get(), false);
        HandleSemaphoreIn(1, t.get(), SemLogout);
        if (!platform::FileExists(sema_)) return 6;  // the other one is still in
        aToB.Signal();
        return EngineErrorCode == 0 ? 0 : 7;
    });
    const pid_t b = Spawn([&] {
        auto t = OpenTable();
        HandleSemaphoreIn(1, t.get(), SemLogin);
        bToA.Signal();
        if (!aToB.Wait()) return 11;
        SetReadSemaphoreProcIn(1, t.get(), true);
        SemaphoreState& s = *SemaphoreStates[1];
        if (s.record.updateCount != 1 || !SemaphoreCounterChanged(s)) return 12;
        SetReadSemaphoreProcIn(1, t.get(), false);
        s.lastSeenCount = s.record.updateCount;  // as the index layer does after re-reading
        SetLockSemaphoreProcIn(1, t.get(), true);
        SetLockSemaphoreProcIn(1, t.get(), false);
        if (Raw()[2] != 2) return 13;
        bToA.Signal();
        if (!aToB.Wait()) return 14;
        if (Raw()[0] != 1) return 15;
        HandleSemaphoreIn(1, t.get(), SemLogout);
        if (platform::FileExists(sema_)) return 16;  // the last one out erases it
        return EngineErrorCode == 0 ? 0 : 17;
    });
    EXPECT_EQ(ExitCodeOf(a), 0);
    EXPECT_EQ(ExitCodeOf(b), 0);
    EXPECT_FALSE(platform::FileExists(sema_));
}

// A child that registers as a reader and ends without logging out, as a
// killed program does: its locks go with it, its counts stay in the file.
void DieRegisteredAsReader(const std::function<std::unique_ptr<DbfArea>()>& open) {
    const pid_t dead = Spawn([&] {
        auto t = open();
        HandleSemaphoreIn(1, t.get(), SemLogin);
        SetReadSemaphoreProcIn(1, t.get(), true);
        return EngineErrorCode == 0 ? 0 : 1;
    });
    ASSERT_EQ(ExitCodeOf(dead), 0);
}

TEST_F(SemaTest, CountsOfADeadProgramAreForgottenAndItsFileRecreatedOnAnotherDay) {
    const auto open = [this] { return OpenTable(); };
    DieRegisteredAsReader(open);
    EXPECT_EQ(Raw(), (Rec{1, 1, 0}));
    auto t = OpenTable();
    // Same day: nobody alive holds the counts; the counter moves on for
    // whatever the dead program may have written without counting it.
    HandleSemaphoreIn(1, t.get(), SemLogin);
    EXPECT_EQ(Raw(), (Rec{1, 0, 1}));
    SetLockSemaphoreProcIn(1, t.get(), true);
    SetLockSemaphoreProcIn(1, t.get(), false);
    EXPECT_EQ(Raw(), (Rec{1, 0, 2}));
    EXPECT_EQ(EngineErrorCode, 0);
    HandleSemaphoreIn(1, t.get(), SemLogout);
    EXPECT_FALSE(platform::FileExists(sema_));

    DieRegisteredAsReader(open);
    platform::SetClockOverride(platform::DateTime{2031, 6, 2, 8, 0, 0, 0, 1});
    HandleSemaphoreIn(1, t.get(), SemLogin);
    EXPECT_EQ(Raw(), (Rec{1, 0, 0}));  // created anew
    // Held open by a logged-in area the file is kept, whatever its date.
    auto t2 = OpenTable();
    HandleSemaphoreIn(2, t2.get(), SemLogin);
    EXPECT_EQ(Raw()[0], 2);
    SetLockSemaphoreProcIn(1, t.get(), true);
    SetLockSemaphoreProcIn(1, t.get(), false);
    EXPECT_EQ(EngineErrorCode, 0);
    HandleSemaphoreIn(1, t.get(), SemLogout);
    HandleSemaphoreIn(2, t2.get(), SemLogout);
    EXPECT_FALSE(platform::FileExists(sema_));
}

// Live programs are told apart from dead ones per kind of count: a program
// logged in but not reading keeps its login, not the dead reader's count; a
// live reader (another work area, an open of its own) still holds a writer off.
TEST_F(SemaTest, LiveRegistrationsStayBesideDeadOnes) {
    auto a1 = OpenTable(), a2 = OpenTable(), a3 = OpenTable();
    HandleSemaphoreIn(2, a2.get(), SemLogin);
    DieRegisteredAsReader([this] { return OpenTable(); });
    HandleSemaphoreIn(1, a1.get(), SemLogin);
    EXPECT_EQ(Raw(), (Rec{3, 0, 1}));
    SetLockSemaphoreProcIn(1, a1.get(), true);
    EXPECT_EQ(Raw(), (Rec{3, 1, 1}));  // the writer alone is counted
    SetLockSemaphoreProcIn(1, a1.get(), false);
    EXPECT_EQ(EngineErrorCode, 0);

    HandleSemaphoreIn(3, a3.get(), SemLogin);
    SetReadSemaphoreProcIn(3, a3.get(), true);
    SetLockSemaphoreProcIn(1, a1.get(), true);
    Error(1202);
    SetLockSemaphoreProcIn(1, a1.get(), false);
    SetReadSemaphoreProcIn(3, a3.get(), false);
    HandleSemaphoreIn(3, a3.get(), SemLogout);
    EXPECT_EQ(Raw(), (Rec{3, 0, 2}));

    HandleSemaphoreIn(2, a2.get(), SemLogout);
    HandleSemaphoreIn(1, a1.get(), SemLogout);  // the last one alive erases the file
    EXPECT_FALSE(platform::FileExists(sema_));
    EXPECT_EQ(EngineErrorCode, 0);
}

}  // namespace
}  // namespace kor2
