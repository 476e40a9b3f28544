// A change cut short at any of its file writes, by a kill or by a failing
// write, is whole or absent for the programs that come after, and the
// orders stay right: appends and re-keys on tables of one to 5 000 keys,
// with unique keys and with runs of equal keys.
#include <gtest/gtest.h>

#include <iterator>
#include <utility>

#include "tables/index/killpoint.h"
#include "tables/index/ndx_testutil.h"

namespace kor2 {
namespace {

using test::KillCase;
using test::KillMode;
using test::KillShape;

using test::kAllModes;
using test::kKillAndNoRoom;

class KillPointTest : public test::NdxTest {
protected:
    // Runs the case with an exclusive and with a shared writer in each mode.
    template <size_t N>
    void RunAll(KillCase c, const KillMode (&modes)[N]) {
        harness_.RunModes(std::move(c), {std::begin(modes), std::end(modes)});
    }

    test::KillPointHarness harness_;
};

KillShape Shape(int records, bool runs) {
    KillShape s;
    s.records = records;
    s.runs = runs;
    s.twoOrders = true;
    return s;
}

TEST_F(KillPointTest, DISABLED_AppendToSmallTables) {
    for (int records : {1, 31, 32})
        for (bool runs : {false, true}) {
            const KillShape s = Shape(records, runs);
            // Below every key (the leftmost path) and into a run.
            RunAll(test::AppendCase(s, "a", "m00001"), kAllModes);
            RunAll(test::AppendCase(s, test::KillKey(s, records / 2 + 1), "z"), kAllModes);
            if (HasFailure()) return;
        }
}

TEST_F(KillPointTest, DISABLED_AppendToLargeTables) {
    for (int records : {500, 5000})
        for (bool runs : {false, true}) {
            const KillShape s = Shape(records, runs);
            RunAll(test::AppendCase(s, "a", "m00001"), kKillAndNoRoom);
            RunAll(test::AppendCase(s, test::KillKey(s, records / 2), "z"), kKillAndNoRoom);
            if (HasFailure()) return;
        }
}

TEST_F(KillPointTest, DISABLED_RekeyInSmallTables) {
    for (int records : {1, 31, 32})
        for (bool runs : {false, true}) {
            const KillShape s = Shape(records, runs);
            RunAll(test::RekeyCase(s, records, "a", "z"), kAllModes);
            RunAll(test::RekeyCase(s, 1, test::KillKey(s, records), "b"), kAllModes);
            if (HasFailure()) return;
        }
}

TEST_F(KillPointTest, DISABLED_RekeyInLargeTables) {
    for (int records : {500, 5000})
        for (bool runs : {false, true}) {
            const KillShape s = Shape(records, runs);
            // The last record into the full first leaf; the first into a run.
            RunAll(test::RekeyCase(s, records, "k00003", "a"), kKillAndNoRoom);
            RunAll(test::RekeyCase(s, 1, test::KillKey(s, records / 2), "z"), kKillAndNoRoom);
            if (HasFailure()) return;
        }
}

}  // namespace
}  // namespace kor2
