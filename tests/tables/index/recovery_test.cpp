// Programs that are running when a writer of their shared table dies: the
// repair of what it left never takes their pending record, their locks and
// the others' are taken in one order, and an exclusive writer's appends that
// reported success survive its kill. The writers are real programs (this
// executable started again) killed before a chosen write.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/hostfs.h"
#include "tables/area/changes.h"
#include "tables/area/engine.h"
#include "tables/area/navigation.h"
#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginefile.h"
#include "tables/base/enginestrings.h"
#include "tables/expr/expression.h"
#include "tables/index/killpoint.h"
#include "tables/index/ndx_testutil.h"
#include "tables/index/ndxfile.h"
#include "tables/index/orders.h"
#include "tables/memo/memoarea.h"
#include "tables/sema/semaphore.h"

namespace kor2 {
namespace {

using test::EnvText;

constexpr int MemoField = 4;  // K, M, V, NOTE

// Opens the table of dir with its orders k and m in area 1, order 1 controlling.
bool OpenWithOrders(const std::string& dir, bool exclusive) {
    Select(1);
    if (!Use(dir + "/t.dbf" + (exclusive ? " EXCLUSIVE" : ""), nullptr, 0)) return false;
    if (!OpenIndexFile(dir + "/k.ndx", 1) || !SetIndexTo(dir + "/m.ndx", 2)) return false;
    Set_Order_To(1);
    return EngineErrorCode == 0;
}

// Lock waits as long as a busy machine needs.
void PatientLocks() {
    LockRetryCount = 5000;
    LockRetryDelay = 1;
    SemaRetryDelayMs = 1;
    SemaLockRetries = 5000;
}

// Engine start-up of a program of these tests.
void StartEngine() {
    InitTableEngine();
    ErrorHandling = false;
    InitExprParser();
    IndexInit();
    InitMemoUnit();
    PatientLocks();
}

// The fixture: K, M, V and a memo field; orders on K and M.
test::KillShape Shape(int records) {
    test::KillShape shape;
    shape.records = records;
    shape.twoOrders = true;
    shape.extraFields = {{"V", 'C', 8, 0}, {"NOTE", 'M', 10, 0}};
    return shape;
}

bool Appended(const std::string& k, const std::string& m) {
    if (!ALock()) return false;
    ClearRecord();
    test::SetKeyFields(k, m);
    Append();
    const bool ok = EngineErrorCode == 0;
    Unlock();
    return ok;
}

// The writer that dies: opens the table of KOR2_DIR (exclusively when
// KOR2_EXCLUSIVE is 1), appends KOR2_APPENDS records that must all succeed,
// then dies before write KOR2_KILL_AT of one more append, or of a re-key of
// record KOR2_RECORD when that is not 0.
TEST(RecoveryChild, DISABLED_DieInChange) {
    StartEngine();
    ScopedFaultPlan faults;
    faults.plan().covers = [](const std::string& path) {
        return path.size() < 4 || path.compare(path.size() - 4, 4, ".@S@") != 0;
    };
    ASSERT_TRUE(OpenWithOrders(EnvText("KOR2_DIR"), EnvText("KOR2_EXCLUSIVE") == "1"))
        << EngineErrorMsg;
    const int appends = std::stoi(EnvText("KOR2_APPENDS"));
    for (int i = 0; i < appends; ++i)
        ASSERT_TRUE(Appended("w" + std::to_string(1000 + i), "w" + std::to_string(1000 + i)))
            << EngineErrorMsg;
    faults.plan().writes = 0;
    faults.plan().failWrite = std::stoi(EnvText("KOR2_KILL_AT"));
    faults.plan().kill = true;
    if (const int32_t record = std::stoi(EnvText("KOR2_RECORD")); record != 0) {
        Go(record);
        ASSERT_TRUE(RLock());
        test::SetKeyFields("dead", "dead");
        Replace();
    } else {
        Appended("dead", "dead");
    }
    FAIL() << "the writer was not killed";
}

// A program that holds the append lock, says so by the file KOR2_DIR/holding,
// and appends a record with the key "held" once KOR2_DIR/go is there.
TEST(RecoveryChild, DISABLED_AppendWhenTold) {
    StartEngine();
    const std::string dir = EnvText("KOR2_DIR");
    ASSERT_TRUE(OpenWithOrders(dir, false)) << EngineErrorMsg;
    ASSERT_TRUE(ALock());
    test::WriteFileBytes(dir + "/holding", "");
    while (!platform::FileExists(dir + "/go")) usleep(1000);
    ClearRecord();
    test::SetKeyFields("held", "held");
    Append();
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    Unlock();
    IndexDone();
    CloseArea();
}

class RecoveryTest : public test::NdxTest {
protected:
    void SetUp() override {
        NdxTest::SetUp();
        InitMemoUnit();
        PatientLocks();
        dir_ = Path("t");
        harness_.CopyFixture(Shape(500), dir_);
    }
    void TearDown() override {
        LockRetryHook = nullptr;
        LockRetryCount = 0;
        LockRetryDelay = 0;
        SemaLockRetries = 1000;
        SemaRetryDelayMs = 10;
        NdxTest::TearDown();
    }

    pid_t Start(const std::string& child, const std::vector<std::string>& env) {
        std::vector<std::string> all = {"KOR2_DIR=" + dir_};
        all.insert(all.end(), env.begin(), env.end());
        return test::SpawnSelf("RecoveryChild." + child, all);
    }
    // A writer in another program dies before write `at` of an append (of a
    // re-key of `record` when not 0), after `appends` appends that succeeded;
    // its change mark is left on order 1 when `marked`.
    void WriterDies(int at, int32_t record = 0, int appends = 0, bool exclusive = false,
                    bool marked = true) {
        const int code = test::WaitChild(
            Start("DISABLED_DieInChange",
                  {"KOR2_EXCLUSIVE=" + std::string(exclusive ? "1" : "0"),
                   "KOR2_APPENDS=" + std::to_string(appends),
                   "KOR2_RECORD=" + std::to_string(record), "KOR2_KILL_AT=" + std::to_string(at)}));
        // The spawned program's exit code: -1 when a signal ended it.
        ASSERT_EQ(code, -1) << "the writer was not killed";
        const std::string head = test::ReadFileBytes(dir_ + "/k.ndx");
        ASSERT_GE(head.size(), 512u);
        ASSERT_EQ(HasChangeMark(reinterpret_cast<const uint8_t*>(head.data())), marked);
    }
    // Stores a memo with text in the current record, under its record lock.
    void GiveMemo(const std::string& text) {
        ASSERT_TRUE(RLock());
        const int32_t block = AddMemo(text);
        ASSERT_GT(block, 0) << EngineErrorMsg;
        std::memcpy(FieldAddress(MemoField), &block, sizeof block);
        Replace();
        ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
        Unlock();
    }
    int32_t MemoNumber() {
        int32_t block = 0;
        std::memcpy(&block, FieldAddress(MemoField), sizeof block);
        return block;
    }
    // Record n as the file holds it now: its K field and memo number.
    void ExpectStored(int32_t n, const std::string& k, int32_t memo) {
        Go(n);
        ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
        EXPECT_EQ(AllTrim(FieldText(1)), k) << "record " << n;
        EXPECT_EQ(MemoNumber(), memo) << "record " << n;
    }

    test::KillPointHarness harness_;
    std::string dir_;
};

// A program on record 7 (which has a memo) when a writer dies appends a
// blank record with new keys: the new record is the one it made.
TEST_F(RecoveryTest, AppendAfterAWriterDiedWritesTheCallersRecord) {
    ASSERT_TRUE(OpenWithOrders(dir_, false)) << EngineErrorMsg;
    Go(7);
    GiveMemo("seven");
    const int32_t seventh = MemoNumber();
    WriterDies(3);
    ASSERT_TRUE(Appended("aaa", "zzz")) << EngineErrorMsg;
    EXPECT_EQ(RecNo(), 501);
    EXPECT_EQ(AllTrim(FieldText(1)), "aaa");
    ExpectStored(501, "aaa", 0);
    ExpectStored(7, test::KillKey(Shape(500), 7), seventh);
    EXPECT_TRUE(Find("aaa"));
    EXPECT_EQ(RecNo(), 501);
    Set_Order_To(2);
    EXPECT_TRUE(Find("zzz"));
    EXPECT_EQ(RecNo(), 501);
}

// A program holds record 5 locked with an edit in its buffer when a writer
// dies: its Replace writes the edit.
TEST_F(RecoveryTest, ReplaceAfterAWriterDiedWritesTheCallersEdit) {
    ASSERT_TRUE(OpenWithOrders(dir_, false)) << EngineErrorMsg;
    Go(5);
    ASSERT_TRUE(RLock());
    test::SetKeyFields("bbb", "yyy");
    WriterDies(4);
    Replace();
    EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    EXPECT_EQ(RecNo(), 5);
    Unlock();
    ExpectStored(5, "bbb", 0);
    EXPECT_TRUE(Find("bbb"));
    EXPECT_EQ(RecNo(), 5);
}

// A Replace finds the mark of a writer that died while another program
// holds the append lock and is about to append: neither waits for the
// other, the append succeeds and the Replace writes its edit.
TEST_F(RecoveryTest, ReplaceAndAppendAfterAWriterDiedTakeTheLocksInOneOrder) {
    ASSERT_TRUE(OpenWithOrders(dir_, false)) << EngineErrorMsg;
    Go(5);
    ASSERT_TRUE(RLock());
    test::SetKeyFields("bbb", "yyy");
    const pid_t appender = Start("DISABLED_AppendWhenTold", {});
    while (!platform::FileExists(dir_ + "/holding")) {
        int status = 0;
        ASSERT_EQ(waitpid(appender, &status, WNOHANG), 0) << "the appender ended early";
        usleep(1000);
    }
    WriterDies(3, 9);
    // While the Replace waits for the append lock, the appender goes on.
    LockRetryCount = 0;
    int hookCalls = 0;
    LockRetryHook = [&] {
        if (hookCalls++ == 0) test::WriteFileBytes(dir_ + "/go", "");
        usleep(1000);
        return true;
    };
    Replace();
    EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    LockRetryHook = nullptr;
    if (hookCalls == 0) test::WriteFileBytes(dir_ + "/go", "");
    Unlock();
    EXPECT_EQ(test::WaitChild(appender), 0) << "the append failed";
    RefreshRecCount(*CurrentDbf());
    ExpectStored(5, "bbb", 0);
    EXPECT_TRUE(Find("bbb"));
    EXPECT_EQ(RecNo(), 5);
    EXPECT_TRUE(Find("held"));
    EXPECT_EQ(RecNo(), 501);
}

// An exclusive writer appends ten records, each reported done, and dies in
// the eleventh: the ten are there for the next program, shared or not.
TEST_F(RecoveryTest, AnExclusiveWritersAppendsThatReportedSuccessSurviveItsKill) {
    for (bool exclusive : {true, false}) {
        SCOPED_TRACE(exclusive ? "opened exclusively" : "opened shared");
        harness_.CopyFixture(Shape(31), dir_);
        WriterDies(1, 0, 10, true);
        ASSERT_TRUE(OpenWithOrders(dir_, exclusive)) << EngineErrorMsg;
        EXPECT_EQ(RecCount(), 41);
        const test::KillRows rows = test::AreaRows();
        ASSERT_EQ(rows.size(), 41u);
        for (int i = 0; i < 10; ++i) {
            EXPECT_EQ(rows[31 + i].substr(1, 5), "w" + std::to_string(1000 + i));
        }
        test::CheckOrdersAgainst(rows, true);
        CloseArea();
        ASSERT_TRUE(OpenWithOrders(dir_, true)) << EngineErrorMsg;
        EXPECT_EQ(RecCount(), 41) << "the header does not count the records";
        CloseArea();
    }
}

}  // namespace
}  // namespace kor2
