// Several programs sharing a table and its index under random appends and
// re-keys (some to new first and last keys), walks and finds: each keeps a
// view that agrees with a plain scan of the table, and the index is whole
// when they are done.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "platform/hostfs.h"
#include "tables/area/changes.h"
#include "tables/area/engine.h"
#include "tables/area/navigation.h"
#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginestrings.h"
#include "tables/expr/expression.h"
#include "tables/index/ndx_sharedutil.h"
#include "tables/index/ndxbuild.h"
#include "tables/index/orders.h"
#include "tables/sema/semaphore.h"

namespace kor2 {
namespace {

using test::EnvText;
using test::Key;

// ---- random load ---------------------------------------------------------------

// Every failed check of a child is reported with the seed that repeats it.
class LoadRun {
public:
    LoadRun() : seed_(static_cast<uint32_t>(std::stoul(EnvText("KOR2_SEED")))), rng_(seed_) {}

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    std::string RandomKey() {
        static const char letters[] = "abcdefg";
        return {letters[Pick(7)], letters[Pick(7)]};
    }
    std::string Where() const { return "seed " + std::to_string(seed_) + ", step " + step_; }
    void Step(const std::string& what) { step_ = what; }

    void AppendOne() {
        Step("append");
        AppendWith([this] { return RandomKey(); });
    }
    void ReplaceOne() {
        Step("replace");
        const int32_t n = 1 + Pick(RecCount());
        ReplaceWith(n, RandomKey());
    }
    // A record with a new first or last key, or a record moved there.
    void AppendAtAnEnd() {
        const bool first = Pick(2) == 0;
        Step(first ? "append first" : "append last");
        AppendWith([this, first] { return EndKey(first); });
    }
    void RekeyToAnEnd() {
        const bool first = Pick(2) == 0;
        Step(first ? "re-key to first" : "re-key to last");
        const std::string key = EndKey(first);
        ReplaceWith(1 + Pick(RecCount()), key);
    }
    // A walk while others change the table: no error, and the keys never go
    // back against the walk's direction.
    void WalkSome() {
        const bool forward = Pick(3) != 0;
        Step(forward ? "walk forward" : "walk backward");
        if (Pick(2) == 0)
            forward ? GoTop() : GoToBottom();
        else
            Find(RandomKey().substr(0, 1));
        if (EngineErrorCode != 0 || dEOF()) {
            ASSERT_EQ(EngineErrorCode, 0) << Where() << ": " << EngineErrorMsg;
            return;
        }
        std::string last = Key();
        for (int i = 0; i < 15 && !(forward ? dEOF() : dBOF()); ++i) {
            usleep(200);  // room for the others to change the record this one stands on
            Skip(forward ? 1 : -1);
            ASSERT_EQ(EngineErrorCode, 0) << Where() << ": " << EngineErrorMsg;
            if (forward ? dEOF() : dBOF()) break;
            const std::string key = Key();
            EXPECT_TRUE(forward ? last <= key : key <= last)
                << Where() << ": " << last << " then " << key << " at " << RecNo();
            last = key;
        }
    }
    void FindOne() {
        Step("find");
        const std::string key = RandomKey();
        if (Find(key)) {
            EXPECT_EQ(Key(), key) << Where() << " at " << RecNo();
        }
        ASSERT_EQ(EngineErrorCode, 0) << Where() << ": " << EngineErrorMsg;
    }
    // Under the file lock nothing changes: the order holds every record once,
    // in key order, and a search finds the first record of a key.
    void CheckLocked() {
        Step("locked check");
        ASSERT_TRUE(FLock()) << Where();
        std::map<int32_t, std::string> scan;
        const int32_t count = RecCount();
        for (int32_t n = 1; n <= count; ++n) {
            Go(n);
            scan[n] = Key();
        }
        std::vector<int32_t> walk = test::WalkForward();
        ASSERT_EQ(EngineErrorCode, 0) << Where() << ": " << EngineErrorMsg;
        ASSERT_EQ(walk.size(), scan.size()) << Where();
        std::map<std::string, int32_t> first;
        std::map<int32_t, std::string> left = scan;
        for (size_t i = 0; i < walk.size(); ++i) {
            ASSERT_EQ(left.erase(walk[i]), 1u) << Where() << ": record " << walk[i] << " twice";
            if (i > 0) {
                EXPECT_LE(scan[walk[i - 1]], scan[walk[i]]) << Where();
            }
            first.emplace(scan[walk[i]], walk[i]);
        }
        for (int i = 0; i < 5; ++i) {
            const std::string key = RandomKey();
            const auto at = first.find(key);
            EXPECT_EQ(Find(key), at != first.end()) << Where() << ": " << key;
            if (at != first.end()) {
                EXPECT_EQ(RecNo(), at->second) << Where() << ": " << key;
            }
        }
        Unlock();
    }

    // Appends a record with the key made under the append lock.
    void AppendWith(const std::function<std::string()>& makeKey) {
        ASSERT_TRUE(ALock()) << Where();
        const std::string key = makeKey();
        ClearRecord();
        test::SetT(key);
        Append();
        ASSERT_EQ(EngineErrorCode, 0) << Where() << ": " << EngineErrorMsg;
        EXPECT_EQ(Key(), key) << Where();
        Unlock();
        ++appended_;
    }
    void ReplaceWith(int32_t n, const std::string& key) {
        Go(n);
        ASSERT_TRUE(RLock()) << Where();
        Go(n);  // the record as stored now that nobody else may change it
        ASSERT_EQ(EngineErrorCode, 0) << Where() << ": " << EngineErrorMsg;
        test::SetT(key);
        Replace();
        ASSERT_EQ(EngineErrorCode, 0) << Where() << ": " << EngineErrorMsg;
        EXPECT_EQ(Key(), key) << Where();
        Unlock();
    }
    // A key before the first key ("0" and seven digits counting down) or
    // after the last ("z" and seven digits counting up); the random keys
    // lie between.
    std::string EndKey(bool first) {
        first ? GoTop() : GoBottom();
        EXPECT_EQ(EngineErrorCode, 0) << Where() << ": " << EngineErrorMsg;
        const std::string at = Key();
        const char mark = first ? '0' : 'z';
        long n = first ? 9999999 : 0;
        if (at.size() == 8 && at[0] == mark) n = std::stol(at.substr(1)) + (first ? -1 : 1);
        char key[16];
        std::snprintf(key, sizeof key, "%c%07ld", mark, n);
        return key;
    }
    // GoBottom; when a race is set, another program appends a record just
    // as GoBottom starts.
    void GoToBottom() {
        if (!bottomRace_) return GoBottom();
        test::BeforeNextRead race(bottomRace_);
        GoBottom();
    }

    int appended_ = 0;
    std::function<void()> bottomRace_;

private:
    uint32_t seed_;
    std::mt19937 rng_;
    std::string step_;
};

// KOR2_OPS mixed operations, then the number of appends into
// KOR2_DIR/appended-KOR2_TAG. New first and last keys take a fifth of the
// appends and replaces when asked; without them a seed repeats the runs made before.
void RunLoad(LoadRun& run, bool ends) {
    const int ops = std::stoi(EnvText("KOR2_OPS"));
    for (int i = 0; i < ops && !::testing::Test::HasFatalFailure(); ++i) {
        const int r = run.Pick(100);
        if (ends && r < 5)
            run.AppendAtAnEnd();
        else if (ends && r >= 25 && r < 30)
            run.RekeyToAnEnd();
        else if (r < 25)
            run.AppendOne();
        else if (r < 50)
            run.ReplaceOne();
        else if (r < 75)
            run.WalkSome();
        else if (r < 95)
            run.FindOne();
        else
            run.CheckLocked();
    }
    std::ofstream(EnvText("KOR2_DIR") + "/appended-" + EnvText("KOR2_TAG")) << run.appended_;
}

// One program of the load.
TEST(NdxLoadChild, DISABLED_RandomLoad) {
    test::OpenShared();
    LoadRun run;
    RunLoad(run, true);
    test::CloseShared();
}

// One program of the load alone, but whenever it starts a GoBottom another
// program appends a record with the greatest key "gg" at that moment.
TEST(NdxLoadChild, DISABLED_AppendAsGoBottomStarts) {
    test::OpenShared();
    LoadRun run;
    run.bottomRace_ = [&run] {
        ASSERT_EQ(test::ChangeInOtherProgram(EnvText("KOR2_TABLE"), EnvText("KOR2_INDEX"), 0, "gg"),
                  0);
        ++run.appended_;
    };
    RunLoad(run, false);
    test::CloseShared();
}

class NdxRandomLoadTest : public test::SharedNdxTest, public ::testing::WithParamInterface<int> {
protected:
    // The table of 30 records the load starts from, closed.
    void MakeLoadTable() {
        std::vector<std::string> keys;
        for (int i = 0; i < 30; ++i)
            keys.push_back(std::string(1, static_cast<char>('a' + i % 7)) + "d");
        OpenSharedRows(keys);
        CloseAllIndexes();
        CloseArea();
    }
    pid_t StartProgram(const std::string& test, const std::string& seed, int tag) {
        return test::SpawnSelf("NdxLoadChild." + test,
                               {"KOR2_TABLE=" + table_, "KOR2_INDEX=" + index_,
                                "KOR2_SEED=" + seed, "KOR2_OPS=400",
                                "KOR2_TAG=" + std::to_string(tag),
                                "KOR2_DIR=" + dir_.path().string()});
    }
    int Appended(int tag) {
        const std::string count = test::ReadFileBytes(Path("appended-" + std::to_string(tag)));
        return count.empty() ? 0 : std::stoi(count);
    }
    // After the load: no semaphore file left, every record once in the
    // index, in key order.
    void ExpectWholeIndex(int appended) {
        EXPECT_FALSE(platform::FileExists(GetSemaphoreFileName(table_)));
        ASSERT_TRUE(Use(table_ + " EXCLUSIVE", nullptr, 0));
        ASSERT_EQ(RecCount(), 30 + appended);
        ASSERT_TRUE(OpenIndexFile(index_, 1)) << EngineErrorMsg;
        const std::vector<int32_t> walk = test::WalkForward();
        ASSERT_EQ(static_cast<int32_t>(walk.size()), RecCount());
        std::vector<bool> seen(walk.size() + 1);
        std::string previous;
        for (int32_t r : walk) {
            ASSERT_FALSE(seen.at(r)) << r;
            seen[r] = true;
            Go(r);
            EXPECT_LE(previous, Key());
            previous = Key();
        }
    }
};

TEST_P(NdxRandomLoadTest, ProgramsSharingAnIndexKeepAConsistentView) {
    const int programs = GetParam();
    MakeLoadTable();
    std::random_device seeds;
    std::vector<pid_t> children;
    std::vector<std::string> seedTexts;
    for (int p = 0; p < programs; ++p) {
        seedTexts.push_back(std::to_string(seeds()));
        children.push_back(StartProgram("DISABLED_RandomLoad", seedTexts.back(), p));
    }
    int appended = 0;
    for (int p = 0; p < programs; ++p) {
        EXPECT_EQ(test::WaitChild(children[p]), 0) << "program " << p << ", seed " << seedTexts[p];
        appended += Appended(p);
    }
    ExpectWholeIndex(appended);
}

// A four-program run once failed in the program of this seed on a backward
// walk ("then gg"): another program had appended the greatest key just as
// GoBottom started. Here that append comes at every GoBottom of the seed.
TEST_F(NdxRandomLoadTest, ReplayOfSeed492136394WithAnAppendAsGoBottomStarts) {
    MakeLoadTable();
    EXPECT_EQ(test::WaitChild(StartProgram("DISABLED_AppendAsGoBottomStarts", "492136394", 0)), 0);
    ExpectWholeIndex(Appended(0));
}

INSTANTIATE_TEST_SUITE_P(Programs, NdxRandomLoadTest, ::testing::Values(2, 4));

}  // namespace
}  // namespace kor2
