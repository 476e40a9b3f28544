// Record changes, pack and locks; two real child processes share one table.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstring>
#include <map>
#include <thread>

#include "platform/hostfs.h"
#include "platform/oemtext.h"
#include "platform/sysclock.h"
#include "tables/area/changes.h"
#include "tables/area/engine.h"
#include "tables/area/navigation.h"
#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/dbf/hooks.h"
#include "tables/tbtestutil.h"

namespace kor2 {
namespace {

class ChangeTest : public test::EngineTest {
protected:
    std::string Table(int n, std::initializer_list<int> deleted = {}) {
        const std::string path = Path("c" + std::to_string(++tables_) + ".dbf");
        test::MakeTable(path, {{"T", 'C', 6, 0}, {"N", 'N', 5, 0}});
        std::vector<std::vector<std::string>> rows;
        for (int i = 1; i <= n; ++i) {
            bool del = false;
            for (int d : deleted) del = del || d == i;
            rows.push_back({del ? "*" : " ", "r" + std::to_string(i), std::to_string(i)});
        }
        test::AppendRaw(path, rows);
        return path;
    }
    void SetText(const std::string& s) {
        uint8_t* p = FieldAddress(1);
        p[0] = static_cast<uint8_t>(s.size());
        std::memcpy(p + 1, s.data(), s.size());
    }
    int tables_ = 0;
};

TEST_F(ChangeTest, SharedTablesNeedLocks) {
    const std::string path = Table(3);
    ASSERT_TRUE(Use(path, nullptr, 0));
    Go(2);
    SetText("neu");
    Replace();
    ExpectError(1200, "Record #2 in ");
    DeleteRec();
    ExpectError(1200, "Datensatz nicht gesperrt [DeleteRec]");
    Append();
    ExpectError(5, "Datei muß gesperrt sein zum Anhängen: "_oem);
    ASSERT_TRUE(RLock());
    EXPECT_EQ(EngineErrorCode, 0);  // the refusal before is no error of the lock
    Append();                       // a record lock is no append lock
    EXPECT_EQ(EngineErrorCode, 5);
    EXPECT_TRUE(RLock());  // already locked
    Replace();
    EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    EXPECT_FALSE(FLock());  // record locks held
    Unlock();
    ASSERT_TRUE(FLock());
    EXPECT_FALSE(RLock());
    EXPECT_TRUE(IsLocked(1));
    EXPECT_TRUE(IsLocked(3));
    Go(3);
    SetText("drei");
    Replace();
    EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    Unlock();
    CloseArea();
    const auto rows = test::ReadAllRecords(path);
    EXPECT_EQ(rows[1][1], "neu   ");
    EXPECT_EQ(rows[2][1], "drei  ");
}

// Two programs (two opens): B appends while A has the table open; A then
// rewrites a record under its file lock. A's release commits the count the
// file holds, not the one A read at its open.
TEST_F(ChangeTest, FileLockReleaseCommitsTheCountOfTheFile) {
    const std::string path = Table(2);
    Select(1);
    ASSERT_TRUE(Use(path, nullptr, 0));
    Select(2);
    ASSERT_TRUE(Use(path + " ALIAS ANDERS", nullptr, 0));
    ASSERT_TRUE(ALock());
    ClearRecord();
    SetText("von b");
    Append();
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    Unlock();
    Select(1);
    ASSERT_TRUE(FLock());
    Go(1);
    SetText("von a");
    Replace();
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    Unlock();
    // As the file stands once A has released its lock: the count, and B's
    // record not overwritten by an end byte.
    const std::string bytes = test::ReadFileBytes(path);
    const auto u16 = [&](size_t at) {
        return static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8;
    };
    EXPECT_EQ(bytes[4], 3);
    ASSERT_GT(bytes.size(), static_cast<size_t>(u16(8) + 2 * u16(10)));
    EXPECT_EQ(bytes[u16(8) + 2 * u16(10)], ' ');
    CloseArea();
    Select(2);
    CloseArea();
    const auto rows = test::ReadAllRecords(path);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2][1], "von b ");
}

TEST_F(ChangeTest, RecordLockListOldestAndNewest) {
    ASSERT_TRUE(Use(Table(4), nullptr, 0));
    for (int n : {2, 4, 3}) {
        Go(n);
        ASSERT_TRUE(RLock());
    }
    EXPECT_TRUE(UnlockRec(-1));  // the oldest: 2
    EXPECT_FALSE(IsLocked(2));
    EXPECT_TRUE(UnlockRec(-2));  // the newest: 3
    EXPECT_FALSE(IsLocked(3));
    EXPECT_TRUE(IsLocked(4));
    const bool handling = SetErrorHandling(true);  // must not run the handler
    EXPECT_FALSE(UnlockRec(1));
    SetErrorHandling(handling);
    ExpectError(220, "Record not locked. [UnlockRec(1)]");
    EXPECT_FALSE(UnlockRec(-7));
    EXPECT_EQ(EngineErrorMsg, "[UnlockRec(-7)]");
    EXPECT_TRUE(UnlockRec(4));
    EXPECT_EQ(CurrentDbf()->lockState, LockNone);
    MaxRecordLocks = 1;
    Go(1);
    EXPECT_TRUE(RLock());
    Go(2);
    EXPECT_FALSE(RLock());
    ExpectError(212, "Anzahl der gesperrten Datensätze zu groß [RLock]"_oem);
}

TEST_F(ChangeTest, AppendDeleteRecallOnExclusiveTable) {
    const std::string path = Table(1);
    ASSERT_TRUE(Use(path + " EXCLUSIVE", nullptr, 0));
    ClearRecord();
    SetText("dazu");
    Append();
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    EXPECT_EQ(RecNo(), 2);
    EXPECT_FALSE(dEOF());
    DeleteRec();
    EXPECT_TRUE(Deleted());
    RecallRec();
    EXPECT_FALSE(Deleted());
    Skip(1);
    RecallRec();
    ExpectError(1103, " at EOF [RecallRec]");
    EngineErrorCode = 0;
    DeleteRec();  // off a record: nothing
    EXPECT_EQ(EngineErrorCode, 0);
    CloseArea();
    const std::string bytes = test::ReadFileBytes(path);
    EXPECT_EQ(bytes.size(), 32u + 64 + 1 + 2 * 12 + 1);
    EXPECT_EQ(bytes[4], 2);
    EXPECT_EQ(bytes.back(), '\x1A');
}

// A header that counts more records than the file holds: the append is
// refused and the file keeps its length.
TEST_F(ChangeTest, RefusedAppendLeavesAFileShorterThanItsCount) {
    const std::string path = Table(2);
    std::string bytes = test::ReadFileBytes(path);
    bytes[4] = 100;
    test::WriteFileBytes(path, bytes);
    ASSERT_TRUE(Use(path + " EXCLUSIVE", nullptr, 0));
    ClearRecord();
    SetText("dazu");
    Append();
    EXPECT_EQ(EngineErrorCode, 213) << EngineErrorMsg;
    CloseArea();
    EXPECT_EQ(test::ReadFileBytes(path).size(), bytes.size());
}

TEST_F(ChangeTest, PackKeepsOrderAndEmptiesFully) {
    const std::string path = Table(6, {2, 3, 6});
    ASSERT_TRUE(Use(path, nullptr, 0));  // shared: reopened exclusively for the pack
    ASSERT_TRUE(Pack()) << EngineErrorMsg;
    EXPECT_EQ(RecCount(), 3);
    EXPECT_EQ(RecNo(), 1);
    EXPECT_EQ(FieldText(1), "r1    ");
    CloseArea();
    auto rows = test::ReadAllRecords(path);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1][1], "r4    ");
    EXPECT_EQ(rows[2][1], "r5    ");
    EXPECT_EQ(test::ReadFileBytes(path).size(), 97u + 3 * 12 + 1);

    const std::string all = Table(3, {1, 2, 3});
    ASSERT_TRUE(Use(all, nullptr, 0));
    ASSERT_TRUE(Pack());
    EXPECT_TRUE(dEOF() && dBOF());
    EXPECT_EQ(RecNo(), 0);
    CloseArea();
    const std::string bytes = test::ReadFileBytes(all);
    EXPECT_EQ(bytes.size(), 97u + 1);
    EXPECT_EQ(bytes.back(), '\x1A');
}

TEST_F(ChangeTest, PackOfASharedTableKeepsItsFileLock) {
    const std::string path = Table(3, {2});
    ASSERT_TRUE(Use(path, nullptr, 0));
    ASSERT_TRUE(FLock());
    ASSERT_TRUE(Pack()) << EngineErrorMsg;
    EXPECT_EQ(RecCount(), 2);
    Select(2);
    ASSERT_TRUE(Use(path + " ALIAS ANDERS", nullptr, 0));
    EXPECT_FALSE(FLock());  // the lock was taken again after the reopen
    Select(1);
    Unlock();
    Select(2);
    EXPECT_TRUE(FLock());
}

TEST_F(ChangeTest, PackConfirmCancelLeavesTheTable) {
    const std::string path = Table(2, {1});
    PackConfirm = true;
    SetEngineMessageBox([](const std::string& text, const std::string&, unsigned flags) {
        EXPECT_NE(text.find("PACK "), std::string::npos);
        EXPECT_EQ(flags, MB_OKCANCEL | MB_ICONQUESTION);
        return static_cast<int>(IDCANCEL);
    });
    ASSERT_TRUE(Use(path, nullptr, 0));
    EXPECT_FALSE(Pack());
    SetEngineMessageBox(nullptr);
    EXPECT_EQ(RecCount(), 2);
}

// A change whose index protection cannot be taken neither reads the index
// nor writes the record.
TEST_F(ChangeTest, ReplaceRefusedForItsProtectionTouchesNothing) {
    const std::string path = Table(2);
    ASSERT_TRUE(Use(path + " EXCLUSIVE", nullptr, 0));
    int indexCalls = 0;
    IndexLinked = true;
    IndexHooks.inControl = [] { return true; };
    IndexHooks.changeProtect = [](int on) {
        if (on) SetEngineError(1202, "Semaphore");
    };
    IndexHooks.rememberKeys = [&] { ++indexCalls; };
    IndexHooks.keysCanChange = [&](bool) { return ++indexCalls, true; };
    IndexHooks.updateKeys = [&] { ++indexCalls; };
    const std::string before = test::ReadFileBytes(path);
    Go(2);
    SetText("neu");
    Replace();
    ClearEngineHooks();
    ExpectError(1202, "Semaphore");
    EXPECT_EQ(indexCalls, 0);
    EXPECT_TRUE(test::ReadFileBytes(path) == before);
}

TEST_F(ChangeTest, PackWriteFailureLosesNoRecord) {
    for (int failAt = 1; failAt <= 5; ++failAt) {
        SCOPED_TRACE(failAt);
        const std::string path = Table(8, {1, 4, 5});
        {
            ScopedFaultPlan faults;
            ASSERT_TRUE(Use(path + " EXCLUSIVE", nullptr, 0));
            faults.plan().failWrite = failAt;
            faults.plan().failAllAfter = true;
            const bool packed = Pack();
            if (!packed) ExpectError(101, "Fehler beim Packen von ");
            CloseArea();
        }
        const auto rows = test::ReadAllRecords(path);
        ASSERT_GE(rows.size(), 5u) << EngineErrorMsg;  // the table still opens
        for (int kept : {2, 3, 6, 7, 8}) {
            bool found = false;
            for (const auto& r : rows)
                found =
                    found || (r[0] == " " &&
                              r[1] == "r" + std::to_string(kept) +
                                          std::string(6 - 1 - std::to_string(kept).size(), ' '));
            EXPECT_TRUE(found) << "record r" << kept << " lost";
        }
    }
}

TEST_F(ChangeTest, LockRetriesAndTheRetryHook) {
    // Two opens in one process contend like two programs.
    const std::string path = Table(2);
    ASSERT_TRUE(Use(path + " ALIAS EINS", nullptr, 0));
    ASSERT_TRUE(FLock());
    Select(2);
    ASSERT_TRUE(Use(path + " ALIAS ZWEI", nullptr, 0));
    int asked = 0;
    LockRetryCount = 2;
    LockRetryHook = [&] { return ++asked < 2; };  // one more round, then give up
    EXPECT_FALSE(ALock());
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(CurrentDbf()->lockState, LockNone);
    Select(1);
    Unlock();
    Select(2);
    Append();  // without the append lock
    EXPECT_EQ(EngineErrorCode, 5);
    EXPECT_TRUE(ALock());
    EXPECT_EQ(EngineErrorCode, 0);  // the lock taken leaves no earlier failure
    NetworkMode = false;
    EXPECT_EQ(LockRegion(false, *CurrentDbf()->file, 0, 1), 0);
}

TEST_F(ChangeTest, ConversionProceduresOfUseEx) {
    const std::string path = Table(1);
    // Stored records are kept upper-case: lowered on reading, raised on writing.
    RecordConvProc lower = [](char* buf, size_t len) {
        for (size_t i = 0; i < len; ++i) buf[i] = static_cast<char>(std::tolower(buf[i]));
    };
    RecordConvProc upper = [](char* buf, size_t len) {
        for (size_t i = 0; i < len; ++i) buf[i] = static_cast<char>(std::toupper(buf[i]));
    };
    ASSERT_TRUE(UseEx(path + " EXCLUSIVE", nullptr, 0, lower, upper));
    ClearRecord();
    SetText("neu");
    Append();
    Go(2);
    EXPECT_EQ(FieldText(1), "neu   ");
    CloseArea();
    EXPECT_EQ(test::ReadAllRecords(path)[1][1], "NEU   ");
}

// A fault at every read and every write of a sequence of changes: each one is
// reported, and the table still opens with its first records intact.
TEST_F(ChangeTest, FaultAtEveryCallIsReportedAndTheTableStillOpens) {
    for (const bool writes : {true, false}) {
        for (int failAt = 1;; ++failAt) {
            SCOPED_TRACE(testing::Message() << (writes ? "write " : "read ") << failAt);
            const std::string path = Table(4, {2});
            bool failed = false;
            {
                ScopedFaultPlan faults;
                (writes ? faults.plan().failWrite : faults.plan().failRead) = failAt;
                // Each command on its own: the next one clears the error code.
                const auto step = [&](auto&& command) {
                    if (failed) return;
                    command();
                    failed = EngineErrorCode != 0;
                };
                step([&] { Use(path, nullptr, 0); });
                step([&] { ALock(); });
                step([&] { ClearRecord(); });
                step([&] { SetText("neu"); });
                step([&] { Append(); });
                step([&] { Unlock(); });
                step([&] { Go(3); });
                step([&] { RLock(); });
                step([&] { SetText("drei"); });
                step([&] { Replace(); });
                step([&] { DeleteRec(); });
                step([&] { Unlock(); });
                step([&] { Pack(); });
                const bool injected = faults.plan().failed;
                EXPECT_EQ(failed, injected) << EngineErrorMsg;
                ErrorHandling = false;
                CloseArea();
                if (!injected) break;
            }
            const auto rows = test::ReadAllRecords(path);
            ASSERT_GE(rows.size(), 2u) << EngineErrorMsg;
            EXPECT_EQ(rows[0][1], "r1    ");
        }
    }
}

// Child processes: the test executable runs itself with one of these tests.
std::string Env(const char* name) {
    return test::EnvText(name);
}

TEST(LockChild, DISABLED_AppendThousand) {
    InitTableEngine();
    ErrorHandling = false;
    ASSERT_TRUE(Use(Env("KOR2_TABLE"), nullptr, 0)) << EngineErrorMsg;
    LockRetryCount = 1000;
    LockRetryDelay = 1;
    LockRetryHook = [] { return true; };  // wait as long as the other process appends
    const std::string tag = Env("KOR2_TAG");
    for (int i = 0; i < 1000; ++i) {
        ASSERT_TRUE(ALock());
        ClearRecord();
        const std::string t = tag + std::to_string(i);
        uint8_t* p = FieldAddress(1);
        p[0] = static_cast<uint8_t>(t.size());
        std::memcpy(p + 1, t.data(), t.size());
        Append();
        ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
        Unlock();
    }
    CloseArea();
}

TEST(LockChild, DISABLED_HoldRecordTwo) {
    InitTableEngine();
    ErrorHandling = false;
    ASSERT_TRUE(Use(Env("KOR2_TABLE"), nullptr, 0)) << EngineErrorMsg;
    Go(2);
    ASSERT_TRUE(RLock());
    test::WriteFileBytes(Env("KOR2_READY"), "1");
    for (int i = 0; i < 3000 && !platform::FileExists(Env("KOR2_DONE")); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    CloseArea();
}

pid_t SpawnChild(const std::string& test, const std::vector<std::string>& env) {
    return test::SpawnSelf("LockChild." + test, env);
}

using test::WaitChild;

TEST_F(ChangeTest, TwoProcessesAppendUnderAppendLocks) {
    const std::string path = Path("shared.dbf");
    test::MakeTable(path, {{"T", 'C', 8, 0}, {"N", 'N', 5, 0}});
    const pid_t a = SpawnChild("DISABLED_AppendThousand", {"KOR2_TABLE=" + path, "KOR2_TAG=a"});
    const pid_t b = SpawnChild("DISABLED_AppendThousand", {"KOR2_TABLE=" + path, "KOR2_TAG=b"});
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);
    EXPECT_EQ(WaitChild(a), 0);
    EXPECT_EQ(WaitChild(b), 0);
    const std::string bytes = test::ReadFileBytes(path);
    const size_t hl = 32 + 64 + 1, rl = 1 + 8 + 5;
    ASSERT_EQ(bytes.size(), hl + 2000 * rl + 1);
    EXPECT_EQ(bytes.back(), '\x1A');
    uint32_t headerCount;
    std::memcpy(&headerCount, bytes.data() + 4, 4);
    EXPECT_EQ(headerCount, 2000u);
    std::map<std::string, int> seen;
    for (const auto& row : test::ReadAllRecords(path)) {
        EXPECT_EQ(row[0], " ");
        ++seen[row[1]];
    }
    EXPECT_EQ(seen.size(), 2000u);
    for (const auto& [key, count] : seen) EXPECT_EQ(count, 1) << key;
}

TEST_F(ChangeTest, RecordLockOfAnotherProcess) {
    const std::string path = Table(3);
    const std::string ready = Path("ready"), done = Path("done");
    const pid_t child =
        SpawnChild("DISABLED_HoldRecordTwo",
                   {"KOR2_TABLE=" + path, "KOR2_READY=" + ready, "KOR2_DONE=" + done});
    ASSERT_GT(child, 0);
    for (int i = 0; i < 3000 && !platform::FileExists(ready); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(Use(path, nullptr, 0));
    Go(2);
    EXPECT_FALSE(RLock());
    EXPECT_EQ(EngineErrorCode, 0);  // a refused lock is no error
    EXPECT_FALSE(FLock());
    Go(3);
    EXPECT_TRUE(RLock());
    test::WriteFileBytes(done, "1");
    EXPECT_EQ(WaitChild(child), 0);
    Unlock();
    Go(2);
    EXPECT_TRUE(RLock());
}

}  // namespace
}  // namespace kor2
