// Helpers of the tests in which real second programs share a table and its
// index. The child program that re-keys or appends is the disabled test
// NdxSharedChild.DISABLED_Rekey, started again by the test executable.
#include "tables/index/ndx_sharedutil.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <utility>

#include "platform/hostfs.h"
#include "tables/area/changes.h"
#include "tables/area/engine.h"
#include "tables/area/navigation.h"
#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginestrings.h"
#include "tables/dbf/hooks.h"
#include "tables/expr/expression.h"
#include "tables/index/ndxbuild.h"
#include "tables/index/orders.h"
#include "tables/sema/semaphore.h"

namespace kor2::test {

std::string Key() {
    return AllTrim(FieldText(1));
}

void OpenShared() {
    InitTableEngine();
    ErrorHandling = false;
    InitExprParser();
    IndexInit();
    LockRetryCount = 5000;
    LockRetryDelay = 1;
    SemaRetryDelayMs = 1;
    SemaLockRetries = 5000;
    ASSERT_TRUE(Use(EnvText("KOR2_TABLE"), nullptr, 0)) << EngineErrorMsg;
    ASSERT_TRUE(OpenIndexFile(EnvText("KOR2_INDEX"), 1)) << EngineErrorMsg;
    if (!EnvText("KOR2_INDEX2").empty()) {
        ASSERT_TRUE(SetIndexTo(EnvText("KOR2_INDEX2"), 2)) << EngineErrorMsg;
        Set_Order_To(1);
    }
}

void CloseShared() {
    IndexDone();
    CloseArea();
}

// Gives record KOR2_RECORD the key KOR2_KEY; record 0 appends a record.
TEST(NdxSharedChild, DISABLED_Rekey) {
    OpenShared();
    const int32_t record = std::stoi(EnvText("KOR2_RECORD"));
    if (record == 0) {
        ASSERT_TRUE(ALock()) << EngineErrorMsg;
        ClearRecord();
    } else {
        Go(record);
        ASSERT_TRUE(RLock()) << EngineErrorMsg;
    }
    SetT(EnvText("KOR2_KEY"));
    record == 0 ? Append() : Replace();
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    Unlock();
    CloseShared();
}

// Each step of the program that appends when told: done once the file
// KOR2_DIR/<step> is there; it writes KOR2_DIR/<step>-done after.
void WaitForWord(const std::string& dir, const std::string& step) {
    while (!platform::FileExists(dir + "/" + step)) usleep(1000);
}

// Opens the table, takes the append lock when told "lock", appends a record
// with the keys KOR2_KEY (and KOR2_KEY2) when told "go".
TEST(NdxSharedChild, DISABLED_AppendWhenTold) {
    OpenShared();
    const std::string dir = EnvText("KOR2_DIR");
    WriteFileBytes(dir + "/open-done", "1");
    WaitForWord(dir, "lock");
    ASSERT_TRUE(ALock()) << EngineErrorMsg;
    WriteFileBytes(dir + "/lock-done", "1");
    WaitForWord(dir, "go");
    ClearRecord();
    SetT(EnvText("KOR2_KEY"));
    if (!EnvText("KOR2_KEY2").empty()) SetText(2, EnvText("KOR2_KEY2"));
    Append();
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    Unlock();
    CloseShared();
}

AppendWhenTold::AppendWhenTold(const std::string& table, const std::vector<std::string>& indexes,
                               const std::vector<std::string>& keys, const std::string& dir)
    : dir_(dir) {
    std::vector<std::string> env = {"KOR2_TABLE=" + table, "KOR2_DIR=" + dir};
    if (!indexes.empty()) env.push_back("KOR2_INDEX=" + indexes[0]);
    if (indexes.size() > 1) env.push_back("KOR2_INDEX2=" + indexes[1]);
    if (!keys.empty()) env.push_back("KOR2_KEY=" + keys[0]);
    if (keys.size() > 1) env.push_back("KOR2_KEY2=" + keys[1]);
    pid_ = SpawnSelf("NdxSharedChild.DISABLED_AppendWhenTold", env);
}

AppendWhenTold::~AppendWhenTold() {
    if (pid_ > 0) Finish();
}

bool AppendWhenTold::Await(const std::string& step) {
    int status = 0;
    while (!platform::FileExists(dir_ + "/" + step + "-done"))
        if (pid_ <= 0 || waitpid(pid_, &status, WNOHANG) != 0) return false;
    return true;
}

bool AppendWhenTold::WaitUntilOpen() {
    return Await("open");
}

bool AppendWhenTold::TakeLock() {
    Tell("lock");
    return Await("lock");
}

void AppendWhenTold::Tell(const std::string& step) {
    if (!platform::FileExists(dir_ + "/" + step)) WriteFileBytes(dir_ + "/" + step, "1");
}

int AppendWhenTold::Finish() {
    for (const char* step : {"lock", "go"}) Tell(step);
    const int code = WaitChild(pid_);
    pid_ = -1;
    for (const char* file : {"open-done", "lock", "lock-done", "go"})
        platform::EraseFile(dir_ + "/" + file);
    return code;
}

int ChangeInOtherProgram(const std::string& table, const std::string& index, int32_t record,
                         const std::string& key) {
    return WaitChild(SpawnSelf("NdxSharedChild.DISABLED_Rekey",
                               {"KOR2_TABLE=" + table, "KOR2_INDEX=" + index,
                                "KOR2_RECORD=" + std::to_string(record), "KOR2_KEY=" + key}));
}

BeforeNextRead::BeforeNextRead(std::function<void()> work)
    : work_(std::move(work)), saved_(IndexHooks.readProtect) {
    IndexHooks.readProtect = [this](int on) {
        if (on != 0 && work_) std::exchange(work_, nullptr)();
        saved_(on);
    };
}

BeforeNextRead::~BeforeNextRead() {
    IndexHooks.readProtect = saved_;
}

void SharedNdxTest::SetUp() {
    NdxTest::SetUp();
    SemaRetryDelayMs = 1;
}

void SharedNdxTest::TearDown() {
    SemaRetryDelayMs = 10;
    NdxTest::TearDown();
}

void SharedNdxTest::OpenSharedRows(const std::vector<std::string>& keys) {
    std::vector<std::vector<std::string>> rows;
    for (size_t i = 0; i < keys.size(); ++i) rows.push_back({keys[i], std::to_string(i + 1)});
    table_ = OpenRows(rows);
    Index_On("T", index_);
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    CloseArea();
    ASSERT_TRUE(Use(table_, nullptr, 0)) << EngineErrorMsg;
    ASSERT_TRUE(OpenIndexFile(index_, 1)) << EngineErrorMsg;
}

void SharedNdxTest::RekeyInOtherProgram(int32_t record, const std::string& key) {
    ASSERT_EQ(ChangeInOtherProgram(table_, index_, record, key), 0);
}

void SharedNdxTest::ExpectAt(int32_t record, const std::string& key) {
    EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    EXPECT_FALSE(dEOF());
    EXPECT_EQ(RecNo(), record);
    EXPECT_EQ(Key(), key);
}

}  // namespace kor2::test
