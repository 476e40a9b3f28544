// A change cut short at any of its file writes, by a kill or by a failing
// write, is whole or absent for the programs that come after, and the
// orders stay right: appends and re-keys on tables of one to 5 000 keys,
// with unique keys and with runs of equal keys.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "tables/index/killpoint.h"
#include "tables/index/ndx_testutil.h"

namespace kor2 {
namespace {

using test::KillCase;
using test::KillMode;
using test::KillShape;

// A write that fails once and one after which every write fails; no room
// and an I/O error take the same paths, so each is tried in one of them.
const std::vector<KillMode> kAllModes = {KillMode::Kill, KillMode::NoRoom,
                                         KillMode::IoErrorForGood};
const std::vector<KillMode> kKillAndNoRoom = {KillMode::Kill, KillMode::NoRoomForGood};
const std::vector<KillMode> kKillOnly = {KillMode::Kill};

class KillPointTest : public test::NdxTest {
protected:
    // Runs the case with an exclusive and with a shared writer in each mode.
    void RunAll(KillCase c, const std::vector<KillMode>& modes) {
        harness_.RunModes(std::move(c), modes);
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

TEST_F(KillPointTest, AppendToSmallTables) {
    for (int records : {1, 31, 32})
        for (bool runs : {false, true}) {
            if (records == 1 && runs) continue;
            const KillShape s = Shape(records, runs);
            // Below every key (the leftmost path) and into a run.
            RunAll(test::AppendCase(s, "a", "m00001"), kAllModes);
            RunAll(test::AppendCase(s, test::KillKey(s, records / 2 + 1), "z"), kAllModes);
            if (HasFailure()) return;
        }
}

// Two levels of nodes above the leaves at 5 000 keys: there only kills.
TEST_F(KillPointTest, AppendToLargeTables) {
    for (int records : {500, 5000})
        for (bool runs : {false, true}) {
            const KillShape s = Shape(records, runs);
            if (records == 500) RunAll(test::AppendCase(s, "a", "m00001"), kKillAndNoRoom);
            RunAll(test::AppendCase(s, test::KillKey(s, records / 2), "z"),
                   records == 500 ? kKillAndNoRoom : kKillOnly);
            if (HasFailure()) return;
        }
}

TEST_F(KillPointTest, RekeyInSmallTables) {
    for (int records : {1, 31, 32})
        for (bool runs : {false, true}) {
            if (records == 1 && runs) continue;
            const KillShape s = Shape(records, runs);
            RunAll(test::RekeyCase(s, records, "a", "z"), kAllModes);
            RunAll(test::RekeyCase(s, 1, test::KillKey(s, records), "b"), kAllModes);
            if (HasFailure()) return;
        }
}

TEST_F(KillPointTest, RekeyInLargeTables) {
    for (int records : {500, 5000})
        for (bool runs : {false, true}) {
            const KillShape s = Shape(records, runs);
            // The last record into the full first leaf; the first into a run.
            RunAll(test::RekeyCase(s, records, "k00003", "a"),
                   records == 500 ? kKillAndNoRoom : kKillOnly);
            if (records == 500)
                RunAll(test::RekeyCase(s, 1, test::KillKey(s, records / 2), "z"), kKillAndNoRoom);
            if (HasFailure()) return;
        }
}

}  // namespace
}  // namespace kor2
