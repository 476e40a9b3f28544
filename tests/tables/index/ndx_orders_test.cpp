// Index orders against a plain scan: after random appends, replaces, deletes
// and packs every order walks all records in key order both ways, and every
// key found by a seek is the first one a sequential search over that order
// finds. Also the order commands, EXACT, and their refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "platform/oemtext.h"
#include "tables/area/changes.h"
#include "tables/area/navigation.h"
#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginestrings.h"
#include "tables/index/ndx_testutil.h"
#include "tables/index/ndxbuild.h"
#include "tables/index/orders.h"
#include "tables/sema/semaphore.h"

namespace kor2 {
namespace {

using test::NdxTest;
using test::SetN;
using test::SetT;

class NdxOrdersTest : public NdxTest {
protected:
    // Checks every open order against a scan of the table in natural order.
    void CheckAgainstScan(const std::string& when) {
        SCOPED_TRACE(when);
        const int controlling = CurrentOrderNo();
        Set_Order_To(0);
        std::vector<std::string> texts(1), nums(1);
        for (int32_t r = 1; r <= RecCount(); ++r) {
            Go(r);
            texts.push_back(AllTrim(FieldText(1)));
            nums.push_back(AllTrim(FieldText(2)));
        }
        const int32_t count = RecCount();
        for (int order = 1; order <= 2; ++order) {
            Set_Order_To(order);
            ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
            auto key = [&](int32_t r) {
                return order == 1 ? FoldKey(texts[r]) : std::to_string(std::stoi(nums[r]) + 200000);
            };
            const std::vector<int32_t> walk = test::WalkForward();
            ASSERT_EQ(static_cast<int32_t>(walk.size()), count) << "order " << order;
            std::vector<int32_t> sorted = walk;
            std::sort(sorted.begin(), sorted.end());
            for (int32_t r = 1; r <= count; ++r) ASSERT_EQ(sorted[r - 1], r);
            for (size_t i = 1; i < walk.size(); ++i)
                ASSERT_LE(key(walk[i - 1]), key(walk[i])) << "order " << order << " at " << i;
            std::vector<int32_t> back = test::WalkBackward();
            std::reverse(back.begin(), back.end());
            ASSERT_EQ(back, walk) << "order " << order;
            // Seek every key; the sequential search is the first in the walk.
            std::map<std::string, int32_t> firstOf;
            for (int32_t r : walk) firstOf.emplace(key(r), r);
            for (int32_t r = 1; r <= count; ++r) {
                const std::string given = order == 1 ? texts[r] : nums[r];
                ASSERT_TRUE(Find(given)) << "order " << order << " key " << given;
                EXPECT_EQ(RecNo(), firstOf[key(r)]) << "order " << order << " key " << given;
            }
            EXPECT_FALSE(Find(order == 1 ? "zzzzzzzz" : "999999"));
            EXPECT_TRUE(dEOF());
        }
        Set_Order_To(controlling);
    }
    static std::string FoldKey(const std::string& t) {
        std::string k = t;
        for (char& c : k) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        k.resize(8, ' ');
        return k;
    }
};

class NdxRandomTest : public NdxOrdersTest, public ::testing::WithParamInterface<int> {};

TEST_P(NdxRandomTest, RandomChangesKeepEveryOrderInStep) {
    const int size = GetParam();
    NetworkMode = size < 1000;  // the larger run keeps a node cache
    std::mt19937 rng(4711 + size);
    auto word = [&] {
        static const char* const parts[] = {"ab", "AB", "c", "de", "x", "Ab", "q"};
        std::string w;
        const int n = 1 + static_cast<int>(rng() % 3);
        for (int i = 0; i < n; ++i) w += parts[rng() % 7];
        return w.substr(0, 8);
    };
    std::vector<std::vector<std::string>> rows;
    for (int i = 0; i < size; ++i) rows.push_back({word(), std::to_string(rng() % 50)});
    OpenRows(rows);
    MakeIndexFromExpr("T", Path("t.ndx"));
    MakeIndexFromExpr("N", Path("n.ndx"));
    Set_Index_To(std::vector<std::string>{Path("t.ndx"), Path("n.ndx")});
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    CheckAgainstScan("after build");
    for (int round = 0; round < 8; ++round) {
        for (int op = 0; op < size; ++op) {
            const int32_t count = RecCount();
            const unsigned what = rng() % 10;
            if (what < 4 || count < 5) {
                ClearRecord();
                SetT(word());
                SetN(static_cast<int32_t>(rng() % 50));
                Append();
            } else if (what < 8) {
                Go(1 + static_cast<int32_t>(rng() % count));
                if (rng() % 2)
                    SetT(word());
                else
                    SetN(static_cast<int32_t>(rng() % 50) - 10);
                Replace();
            } else {
                Go(1 + static_cast<int32_t>(rng() % count));
                DeleteRec();
            }
            ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
        }
        CheckAgainstScan("round " + std::to_string(round));
        if (round % 3 == 2) {
            ASSERT_TRUE(Pack()) << EngineErrorMsg;
            CheckAgainstScan("after pack");
        }
    }
    // Everything survives closing and opening again.
    CloseAllIndexes();
    Set_Index_To(std::vector<std::string>{Path("t.ndx"), Path("n.ndx")});
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    CheckAgainstScan("reopened");
}

// Small trees of a few leaves, and trees of three levels.
INSTANTIATE_TEST_SUITE_P(Sizes, NdxRandomTest, ::testing::Values(60, 1200));

TEST_F(NdxOrdersTest, MovingEveryKeyEmptiesLeavesAndShrinksTheTree) {
    std::vector<std::vector<std::string>> rows;
    for (int i = 0; i < 400; ++i)
        rows.push_back({"k" + std::to_string(1000 + i), std::to_string(i)});
    OpenRows(rows);
    MakeIndexFromExpr("T", Path("t.ndx"));
    MakeIndexFromExpr("N", Path("n.ndx"));
    Set_Index_To(std::vector<std::string>{Path("t.ndx"), Path("n.ndx")});
    std::vector<int32_t> order(400);
    for (int i = 0; i < 400; ++i) order[i] = i + 1;
    std::shuffle(order.begin(), order.end(), std::mt19937(17));
    for (int step = 0; step < 400; ++step) {
        Go(order[step]);
        SetT("zz");
        SetN(7);
        Replace();
        ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
        if (step % 97 == 0) CheckAgainstScan("step " + std::to_string(step));
    }
    CheckAgainstScan("all equal");
    for (int r = 1; r <= 400; ++r) {
        Go(r);
        SetT("a" + std::to_string(r % 10));
        Replace();
        ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    }
    CheckAgainstScan("back");
}

TEST_F(NdxOrdersTest, SkipAfterAChangeFollowsTheNewKey) {
    OpenRows({{"a", "1"}, {"c", "2"}, {"e", "3"}, {"g", "4"}});
    Index_On("T", Path("t.ndx"));
    Go(1);
    SetT("f");
    Replace();
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    Skip(1);
    EXPECT_EQ(RecNo(), 4);  // "f" is followed by "g"
    Skip(-2);
    EXPECT_EQ(RecNo(), 3);  // ... and preceded by "e"
    // From the end one step back lands on the last key.
    GoBottom();
    Skip(1);
    EXPECT_TRUE(dEOF());
    Skip(-1);
    EXPECT_EQ(RecNo(), 4);
    EXPECT_FALSE(dEOF());
    // Before the first key.
    GoTop();
    EXPECT_EQ(RecNo(), 2);
    Skip(-1);
    EXPECT_TRUE(dBOF());
    EXPECT_EQ(RecNo(), 2);
}

TEST_F(NdxOrdersTest, FailedInsertionIsTakenOutOfTheOtherOrders) {
    std::vector<std::vector<std::string>> rows;
    for (int i = 0; i < 100; ++i) rows.push_back({"k" + std::to_string(i), std::to_string(i)});
    OpenRows(rows);
    MakeIndexFromExpr("T", Path("t.ndx"));
    MakeIndexFromExpr("N", Path("n.ndx"));
    Set_Index_To(std::vector<std::string>{Path("t.ndx"), Path("n.ndx")});
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    // The second order's nodes can no longer be read.
    ASSERT_EQ(truncate(Path("n.ndx").c_str(), 1024), 0);
    ClearRecord();
    SetT("new");
    SetN(500);
    Append();
    EXPECT_EQ(EngineErrorCode, 100) << EngineErrorMsg;
    EXPECT_NE(EngineErrorMsg.find("[SeekAndRead]"), std::string::npos);
    // The first order does not hold the new record.
    IndexControlBlock* t = OrderBlock(1);
    ASSERT_NE(t, nullptr);
    int keys = 0;
    for (int r = DescendEdge(*t, false); r > 0; r = StepCursor(*t, true)) {
        EXPECT_NE(CursorRecord(*t), 101);
        ++keys;
    }
    EXPECT_EQ(keys, 100);
}

}  // namespace
}  // namespace kor2
