// An index that another program changes at the same time: a real second
// program re-keys the record this one stands on, or appends a record with a
// new first or last key, between two steps, while a step starts or while
// this program opens the index.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "tables/area/navigation.h"
#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/index/ndx_sharedutil.h"
#include "tables/index/ndxformat.h"
#include "tables/index/orders.h"

namespace kor2 {
namespace {

using test::Key;

class NdxSharedWalkTest : public test::SharedNdxTest {
protected:
    // Steps in one direction up to the end; the records met.
    std::vector<int32_t> StepToEnd(int direction) {
        std::vector<int32_t> met;
        for (int guard = 0; guard < 100; ++guard) {
            Skip(direction);
            EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
            if (EngineErrorCode != 0 || (direction > 0 ? dEOF() : dBOF())) break;
            met.push_back(RecNo());
        }
        return met;
    }
};

TEST_F(NdxSharedWalkTest, SkipGoesOnFromTheKeySeenWhenAnotherProgramRekeysTheRecord) {
    OpenSharedRows({"a", "b", "c", "d"});
    GoTop();
    Skip(1);
    ExpectAt(2, "b");
    RekeyInOtherProgram(2, "z");
    Skip(1);
    ExpectAt(3, "c");
    Skip(1);
    ExpectAt(4, "d");
    Skip(1);
    ExpectAt(2, "z");
    Skip(1);
    EXPECT_TRUE(dEOF());
    EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;

    // Backwards: record 3 moves to the front while this program stands on it.
    Go(3);
    RekeyInOtherProgram(3, "0");
    Skip(-1);
    ExpectAt(1, "a");
    Skip(-1);
    ExpectAt(3, "0");
    Skip(-1);
    EXPECT_TRUE(dBOF());
    EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
}

TEST_F(NdxSharedWalkTest, SkipReachesARecordAnotherProgramAppended) {
    OpenSharedRows({"a", "b", "c", "d"});
    GoBottom();
    AppendInOtherProgram("e");
    Skip(1);
    ExpectAt(5, "e");
    Skip(-1);
    ExpectAt(4, "d");
}

TEST_F(NdxSharedWalkTest, SkipFromARekeyedRecordAmongEqualKeys) {
    OpenSharedRows({"a", "b", "b", "c"});
    Go(2);
    RekeyInOtherProgram(2, "a");
    Skip(1);
    ExpectAt(3, "b");
    Go(3);
    RekeyInOtherProgram(3, "c");
    Skip(-1);
    ExpectAt(2, "a");
}

// The record this program stands on gets a key between its old key and the
// next one: the step goes on to the next record, and the walk meets every
// record once.
TEST_F(NdxSharedWalkTest, RecordRekeyedToTheNextGapIsNotTakenForTheEnd) {
    OpenSharedRows({"b", "d", "f", "h"});
    GoTop();
    Skip(1);
    ExpectAt(2, "d");
    RekeyInOtherProgram(2, "e");
    Skip(1);
    ExpectAt(3, "f");
    EXPECT_EQ(StepToEnd(1), (std::vector<int32_t>{4}));
    EXPECT_TRUE(dEOF());

}

TEST_F(NdxSharedWalkTest, RecordRekeyedToThePreviousGapIsNotTakenForTheStart) {
    OpenSharedRows({"b", "d", "f", "h"});
    GoBottom();
    Skip(-1);
    ExpectAt(3, "f");
    RekeyInOtherProgram(3, "e");
    Skip(-1);
    ExpectAt(2, "d");
    EXPECT_EQ(StepToEnd(-1), (std::vector<int32_t>{1}));
    EXPECT_TRUE(dBOF());
}

TEST_F(NdxSharedWalkTest, StepBackFromTheEndReachesANewLastKey) {
    OpenSharedRows({"b", "d", "f", "h"});
    GoBottom();
    Skip(1);
    ASSERT_TRUE(dEOF());
    AppendInOtherProgram("j");
    Skip(-1);
    ExpectAt(5, "j");
    EXPECT_FALSE(dBOF());
    Skip(-1);
    ExpectAt(4, "h");
}

// Record number order with the index file still open follows appends as it
// does without one.
TEST_F(NdxSharedWalkTest, NaturalOrderReachesARecordAnotherProgramAppended) {
    OpenSharedRows({"b", "d", "f", "h"});
    Set_Order_To(0);
    GoBottom();
    ExpectAt(4, "h");
    AppendInOtherProgram("a");
    Skip(1);
    ExpectAt(5, "a");
    Skip(1);
    EXPECT_TRUE(dEOF());

    CloseAllIndexes();
    GoBottom();
    AppendInOtherProgram("c");
    Skip(1);
    ExpectAt(6, "c");
}

// Another program appends new first or last keys just as GoTop or GoBottom
// starts; one append, then two.
TEST_F(NdxSharedWalkTest, GoTopAndGoBottomFindKeysAppendedAsTheyStart) {
    OpenSharedRows({"b", "d", "f", "h"});
    struct Case {
        bool top;
        std::vector<std::string> appended;
        int32_t record;
        std::string key;
    };
    const Case cases[] = {{true, {"a"}, 5, "a"},
                          {false, {"j"}, 6, "j"},
                          {true, {"1", "0"}, 8, "0"},
                          {false, {"y", "z"}, 10, "z"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        test::BeforeNextRead race([&] {
            for (const std::string& k : c.appended) AppendInOtherProgram(k);
        });
        c.top ? GoTop() : GoBottom();
        EXPECT_TRUE(race.Done());
        ExpectAt(c.record, c.key);
        EXPECT_FALSE(dBOF());
    }
    EXPECT_EQ(test::WalkForward(), (std::vector<int32_t>{8, 7, 5, 1, 2, 3, 4, 6, 9, 10}));
}

// Another program splits the full root just as this one opens the index:
// the open takes the file's size and the header as one read, and leaves the
// header's next free node as it is.
TEST_F(NdxSharedWalkTest, OpenMeetsARootSplitOfAnotherProgram) {
    std::vector<std::string> keys;
    for (int i = 0; i < 31; ++i) keys.push_back("k" + std::to_string(10 + i));  // one full node
    OpenSharedRows(keys);
    CloseAllIndexes();
    {
        test::BeforeNextRead race([&] { AppendInOtherProgram("k99"); });
        EXPECT_TRUE(OpenIndexFile(index_, 1)) << EngineErrorMsg;
        EXPECT_TRUE(race.Done());
    }
    const std::string bytes = test::ReadFileBytes(index_);
    ASSERT_GE(bytes.size(), 3 * 512u);
    EXPECT_EQ(ndx::GetU32(reinterpret_cast<const uint8_t*>(bytes.data()) + ndx::HdrNextFree),
              bytes.size() / 512);
    for (int i = 0; i < 20; ++i) AppendInOtherProgram("m" + std::to_string(10 + i));
    const std::vector<int32_t> walk = test::WalkForward();
    EXPECT_EQ(walk.size(), 52u);
    EXPECT_EQ(std::set<int32_t>(walk.begin(), walk.end()).size(), 52u);
}

}  // namespace
}  // namespace kor2
