// Two programs sharing a table and its index: each appends records under
// the append lock while the semaphore file tells the other to re-read the
// index header; afterwards the index holds every record in key order. An
// index private to the run needs no semaphore file.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include "platform/hostfs.h"
#include "platform/runtemp.h"
#include "support/childprocess.h"
#include "tables/area/changes.h"
#include "tables/area/engine.h"
#include "tables/area/navigation.h"
#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginefile.h"
#include "tables/base/enginestrings.h"
#include "tables/expr/expression.h"
#include "tables/index/ndx_testutil.h"
#include "tables/index/ndxbuild.h"
#include "tables/index/ndxformat.h"
#include "tables/index/orders.h"
#include "tables/sema/semaphore.h"

namespace kor2 {
namespace {

using test::EnvText;

// The child program: the test executable runs itself with this test only.
TEST(NdxChild, DISABLED_AppendShared) {
    InitTableEngine();
    ErrorHandling = false;
    InitExprParser();
    IndexInit();
    LockRetryCount = 2000;
    LockRetryDelay = 1;
    LockRetryHook = [] { return true; };
    ASSERT_TRUE(Use(EnvText("KOR2_TABLE"), nullptr, 0)) << EngineErrorMsg;
    ASSERT_TRUE(OpenIndexFile(EnvText("KOR2_INDEX"), 1)) << EngineErrorMsg;
    const std::string tag = EnvText("KOR2_TAG");
    // Both programs start appending together.
    test::WriteFileBytes(EnvText("KOR2_DIR") + "/ready-" + tag, "1");
    for (int i = 0; i < 5000 && !(platform::FileExists(EnvText("KOR2_DIR") + "/ready-a") &&
                                  platform::FileExists(EnvText("KOR2_DIR") + "/ready-b"));
         ++i)
        usleep(1000);
    for (int i = 0; i < 150; ++i) {
        ASSERT_TRUE(ALock()) << EngineErrorMsg;
        ClearRecord();
        test::SetT(tag + std::to_string((i * 37) % 150));
        Append();
        ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
        Unlock();
        usleep(200);  // let the other program take its turn
    }
    IndexDone();
    CloseArea();
}

pid_t RunChild(const std::vector<std::string>& env) {
    return test::SpawnSelf("NdxChild.DISABLED_AppendShared", env);
}

int ExitCode(pid_t pid) {
    return test::WaitChild(pid);
}

class NdxSharedTest : public test::NdxTest {};

TEST_F(NdxSharedTest, TwoProgramsAppendThroughOneIndex) {
    const std::string table = OpenRows({});
    Index_On("T", Path("t.ndx"));
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    CloseArea();
    const pid_t a = RunChild({"KOR2_TABLE=" + table, "KOR2_INDEX=" + Path("t.ndx"), "KOR2_TAG=a",
                              "KOR2_DIR=" + dir_.path().string()});
    const pid_t b = RunChild({"KOR2_TABLE=" + table, "KOR2_INDEX=" + Path("t.ndx"), "KOR2_TAG=b",
                              "KOR2_DIR=" + dir_.path().string()});
    EXPECT_EQ(ExitCode(a), 0);
    EXPECT_EQ(ExitCode(b), 0);
    // The last program to leave erased the semaphore file.
    EXPECT_FALSE(platform::FileExists(GetSemaphoreFileName(table)));

    ASSERT_TRUE(Use(table + " EXCLUSIVE", nullptr, 0));
    ASSERT_EQ(RecCount(), 300);
    ASSERT_TRUE(OpenIndexFile(Path("t.ndx"), 1)) << EngineErrorMsg;
    const std::vector<int32_t> walk = test::WalkForward();
    ASSERT_EQ(walk.size(), 300u);
    std::string previous;
    for (int32_t r : walk) {
        Go(r);
        const std::string key = AllTrim(FieldText(1));
        EXPECT_LT(previous, key);
        previous = key;
        EXPECT_TRUE(Find(key)) << key;
        EXPECT_EQ(RecNo(), r);
    }
}

// A program killed while it is registered in the semaphore file (as a reader,
// or as the writer) holds nobody off: the next program writes through the
// index at once, and the last one out erases the file. The wait for readers
// is cut to 2 s so that a registration taken for alive fails quickly.
class NdxDeadRegistrationTest : public test::NdxTest {
protected:
    void TearDown() override {
        SemaReaderWaitSec = 100;
        NdxTest::TearDown();
    }
    void AppendAfterKilledChild(void (*registration)(bool)) {
        const std::string table = OpenRows({{"b", "1"}});
        Index_On("T", Path("t.ndx"));
        ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
        CloseArea();
        const int killed = test::RunForked(
            [&] { return Use(table, nullptr, 0) && OpenIndexFile(Path("t.ndx"), 1); },
            [&] {
                registration(true);
                if (EngineErrorCode == 0) raise(SIGKILL);
            });
        ASSERT_EQ(killed, 128 + SIGKILL);
        ASSERT_TRUE(platform::FileExists(GetSemaphoreFileName(table)));

        SemaReaderWaitSec = 2;
        ASSERT_TRUE(Use(table, nullptr, 0)) << EngineErrorMsg;
        ASSERT_TRUE(OpenIndexFile(Path("t.ndx"), 1)) << EngineErrorMsg;
        ASSERT_TRUE(ALock()) << EngineErrorMsg;
        ClearRecord();
        test::SetT("a");
        Append();
        EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
        Unlock();
        EXPECT_EQ(test::WalkForward(), (std::vector<int32_t>{2, 1}));
        CloseArea();
        EXPECT_FALSE(platform::FileExists(GetSemaphoreFileName(table)));
    }
};

TEST_F(NdxDeadRegistrationTest, KilledReaderHoldsNoWriterOff) {
    AppendAfterKilledChild(SetReadSemaphoreProc);
}

TEST_F(NdxDeadRegistrationTest, KilledWriterHoldsNoWriterOff) {
    AppendAfterKilledChild(SetLockSemaphoreProc);
}

// A program that may only read the table opens an order that carries the
// change mark: while a live writer holds the semaphore's lock region it
// waits as a reader does and reports the time-out; the writer done, the
// order opens; a mark whose writer is gone is refused in words, and the
// program writes nothing.
class NdxReadOnlyTest : public test::NdxTest {
protected:
    void TearDown() override {
        ForcedOpenMode = 65535;
        SemaLockRetries = 1000;
        SemaRetryDelayMs = 10;
        NdxTest::TearDown();
    }
    void SetMark(bool on) {
        std::string bytes = test::ReadFileBytes(Path("t.ndx"));
        const std::string mark(reinterpret_cast<const char*>(ndx::ChangeMarkBytes),
                               ndx::HdrChangeMarkSize);
        bytes.replace(ndx::HdrChangeMark, ndx::HdrChangeMarkSize,
                      on ? mark : std::string(ndx::HdrChangeMarkSize, '\0'));
        test::WriteFileBytes(Path("t.ndx"), bytes);
    }
};

TEST_F(NdxReadOnlyTest, AnOrderInChangeWaitsForItsWriterAndRefusesADeadOnesChange) {
    const std::string table = OpenRows({{"b", "1"}, {"a", "2"}});
    Index_On("T", Path("t.ndx"));
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    CloseArea();
    SetMark(true);
    // The live writer: another open of the semaphore file holds its lock region.
    uint16_t io = 0;
    std::unique_ptr<EngineFile> writer =
        CreateEngineFile(GetSemaphoreFileName(table), ShareDenyNone, io);
    ASSERT_TRUE(writer);
    ASSERT_EQ(writer->WriteAt(0, "\1\1\0\0", SemaRecordSize), SemaRecordSize);
    ASSERT_TRUE(writer->Lock(SemaLockOffset, SemaLockLength));
    const std::string tableBytes = test::ReadFileBytes(table);
    SemaLockRetries = 3;
    SemaRetryDelayMs = 1;
    ForcedOpenMode = ShareReadDenyNone;
    ASSERT_TRUE(Use(table, nullptr, 0)) << EngineErrorMsg;
    EXPECT_FALSE(OpenIndexFile(Path("t.ndx"), 1));
    EXPECT_EQ(EngineErrorCode, 1202) << EngineErrorMsg;

    SetMark(false);
    ASSERT_TRUE(writer->Unlock(SemaLockOffset, SemaLockLength));
    EXPECT_TRUE(OpenIndexFile(Path("t.ndx"), 1)) << EngineErrorMsg;
    EXPECT_EQ(test::WalkForward(), (std::vector<int32_t>{2, 1}));
    CloseAllIndexes();

    SetMark(true);
    const std::string indexBytes = test::ReadFileBytes(Path("t.ndx"));
    EXPECT_FALSE(OpenIndexFile(Path("t.ndx"), 1));
    EXPECT_EQ(EngineErrorCode, 5);
    EXPECT_NE(EngineErrorMsg.find("beendeten Programm"), std::string::npos) << EngineErrorMsg;
    EXPECT_NE(EngineErrorMsg.find("Schreibrecht"), std::string::npos) << EngineErrorMsg;
    CloseArea();
    EXPECT_EQ(test::ReadFileBytes(table), tableBytes);
    EXPECT_EQ(test::ReadFileBytes(Path("t.ndx")), indexBytes);
}

// An index in the run's private folder is this program's alone: opening it
// on a shared table logs in to no semaphore file (the table's folder may be
// one the account cannot write); an index beside the table does.
TEST_F(NdxSharedTest, OnlyAnIndexOthersCanOpenLogsInToTheSemaphore) {
    const std::string table = OpenRows({{"b", "1"}, {"a", "2"}});
    CloseArea();
    ASSERT_TRUE(Use(table, nullptr, 0)) << EngineErrorMsg;
    Index_On("T", platform::PrivateTempFolder(dir_.path().string()) + "own");
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    EXPECT_FALSE(platform::FileExists(GetSemaphoreFileName(table)));
    Index_On("T", Path("beside.ndx"));
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    EXPECT_TRUE(platform::FileExists(GetSemaphoreFileName(table)));
    CloseArea();
    EXPECT_FALSE(platform::FileExists(GetSemaphoreFileName(table)));
}

}  // namespace
}  // namespace kor2
