// A change cut short at any of its file writes, by a kill or by a failing
// write, is whole or absent for the programs that come after, and the
// orders stay right: appends and re-keys on tables of one to 5 000 keys,
// with unique keys and with runs of equal keys.
#include <gtest/gtest.h>

#include <sys/mount.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tables/area/changes.h"
#include "tables/area/navigation.h"
#include "tables/area/search.h"
#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginestrings.h"
#include "tables/index/killpoint.h"
#include "tables/index/ndx_sharedutil.h"
#include "tables/index/ndx_testutil.h"
#include "tables/index/orders.h"

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
    // A kill runs every point of a short change, and some kill leaves a
    // change mark on the orders that the next program repairs.
    void RunAll(KillCase c, const std::vector<KillMode>& modes) {
        const int every = c.every;
        const std::vector<test::KillReport> reports = harness_.RunModes(std::move(c), modes);
        for (size_t i = 0; i < reports.size(); ++i) {
            if (modes[i % modes.size()] != KillMode::Kill) continue;
            const test::KillReport& r = reports[i];
            if (r.completed <= every) {
                EXPECT_EQ(r.points, r.completed);
            }
            EXPECT_GT(r.marked, 0) << "no kill left a change to repair";
            EXPECT_GT(r.repaired, 1) << "no change was taken back";
        }
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

// ---- programs that are running when a writer dies ---------------------------

KillCase SharedAppend(const KillShape& s, const std::string& k) {
    KillCase c = test::AppendCase(s, k, "z");
    c.sharedWriter = true;
    return c;
}

// A program that has the table open and its cursor on a record walks the
// orders after a writer died inside an append: it meets every committed
// record and the dead append whole or not at all.
TEST_F(KillPointTest, AProgramOpenBeforeAWriterDiesWalksWholeOrders) {
    for (bool runs : {false, true}) {
        const KillShape s = Shape(32, runs);
        KillCase c = SharedAppend(s, test::KillKey(s, 16));
        c.running = [] {
            test::RunningProgram p;
            p.before = [] {
                EXPECT_EQ(test::WalkForward().size(), 32u);
                Go(7);
            };
            p.after = [](const test::KillRows& absent, const test::KillRows& whole) {
                const std::vector<int32_t> walk = test::WalkForward();
                EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
                const test::KillRows rows = test::AreaRows();
                ASSERT_TRUE(rows == absent || rows == whole) << rows.size() << " records";
                EXPECT_EQ(walk.size(), rows.size()) << "records the walk met";
                test::CheckOrdersAgainst(rows, true, absent);
            };
            return p;
        };
        const test::KillReport r = harness_.Run(c, KillMode::Kill);
        EXPECT_EQ(r.points, r.completed);
        EXPECT_GT(r.marked, 0) << "no kill left a change to repair";
        EXPECT_GT(r.repaired, 1) << "no change was taken back";
        if (HasFailure()) return;
    }
}

// The raw record a program writes with keys k and m, as long as `like`.
std::string RawRecord(const std::string& like, const std::string& k, const std::string& m) {
    std::string raw = " " + k + std::string(8 - k.size(), ' ') + m + std::string(8 - m.size(), ' ');
    raw.resize(like.size(), ' ');
    return raw;
}

// A program on record 7 when a writer dies appends a record of its own; a
// program that holds record 5 locked with an edit in its buffer writes it.
// Each change reports success and is what the table then holds, whatever
// the repair of the dead writer's change did meanwhile.
TEST_F(KillPointTest, AProgramOpenBeforeAWriterDiesKeepsItsOwnChange) {
    const KillShape s = Shape(32, false);
    for (bool append : {true, false}) {
        SCOPED_TRACE(append ? "append" : "replace");
        KillCase c = SharedAppend(s, test::KillKey(s, 16));
        c.running = [append] {
            test::RunningProgram p;
            p.before = [append] {
                Go(append ? 7 : 5);
                if (!append) {
                    ASSERT_TRUE(RLock()) << EngineErrorMsg;
                    test::SetKeyFields("e00005", "f00005");
                }
            };
            p.after = [append](const test::KillRows&, const test::KillRows&) {
                if (append) {
                    ASSERT_TRUE(ALock()) << EngineErrorMsg;
                    ClearRecord();
                    test::SetKeyFields("e00007", "f00007");
                    Append();
                } else {
                    Replace();
                }
                EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
                Unlock();
                const int32_t own = RecNo();
                EXPECT_EQ(AllTrim(FieldText(1)), append ? "e00007" : "e00005");
                ASSERT_TRUE(Find(append ? "e00007" : "e00005")) << EngineErrorMsg;
                EXPECT_EQ(RecNo(), own);
            };
            p.effect = [append](test::KillRows rows) {
                if (append) {
                    rows.push_back(RawRecord(rows.front(), "e00007", "f00007"));
                } else {
                    rows[4] = RawRecord(rows[4], "e00005", "f00005");
                }
                return rows;
            };
            return p;
        };
        const test::KillReport r = harness_.Run(c, KillMode::Kill);
        EXPECT_EQ(r.points, r.completed);
        EXPECT_GT(r.marked, 0) << "no kill left a change to repair";
        if (HasFailure()) return;
    }
}

// The program open before the kill walks while another program holds the
// append lock and waits for word to append (its change repairs what the
// dead writer left first): the walk lets that program in rather than
// answer from the half-made orders, and meets every record once.
TEST_F(KillPointTest, AWalkLetsInTheAppenderThatRepairs) {
    const KillShape s = Shape(32, false);
    KillCase c = SharedAppend(s, test::KillKey(s, 16));
    c.running = [] {
        // The other program opens the table before the kill (a later open
        // would repair at once), and takes the append lock after it.
        auto other = std::make_shared<std::unique_ptr<test::AppendWhenTold>>();
        test::RunningProgram p;
        p.before = [other] {
            const std::string table = CurrentDbf()->fileName;
            const std::string dir = table.substr(0, table.find_last_of("/\\"));
            *other = std::make_unique<test::AppendWhenTold>(
                table, std::vector<std::string>{dir + "/k.ndx", dir + "/m.ndx"},
                std::vector<std::string>{"b00001", "n00001"}, dir);
            ASSERT_TRUE((*other)->WaitUntilOpen());
        };
        p.after = [other](const test::KillRows&, const test::KillRows&) {
            ASSERT_TRUE(*other && (*other)->TakeLock());
            EngineIdleHook = [other] {
                (*other)->Tell();
                return false;
            };
            const std::vector<int32_t> walk = test::WalkForward();
            EngineIdleHook = nullptr;
            EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
            ASSERT_EQ((*other)->Finish(), 0);
            other->reset();
            GoTop();
            const test::KillRows rows = test::AreaRows();
            // The other program's record came before the walk or after it.
            EXPECT_TRUE(walk.size() == rows.size() || walk.size() + 1 == rows.size())
                << walk.size() << " records met of " << rows.size();
            std::set<int32_t> met;
            std::string previous;
            for (int32_t r : walk) {
                ASSERT_TRUE(r >= 1 && r <= static_cast<int32_t>(rows.size())) << r;
                EXPECT_TRUE(met.insert(r).second) << "record " << r << " met twice";
                const std::string key = rows[r - 1].substr(1, 8);
                EXPECT_LE(previous, key) << "record " << r << " out of order";
                previous = key;
            }
            test::CheckOrdersAgainst(rows, true);
        };
        p.effect = [](test::KillRows rows) {
            rows.push_back(RawRecord(rows.front(), "b00001", "n00001"));
            return rows;
        };
        return p;
    };
    const test::KillReport r = harness_.Run(c, KillMode::Kill);
    EXPECT_EQ(r.points, r.completed);
    EXPECT_GT(r.marked, 0) << "no kill left a change to repair";
}

// An exclusive writer appends three records, each reporting success, and
// is killed at any write: the records it was told were added are there.
TEST_F(KillPointTest, AppendsThatReportedSuccessSurviveAnExclusiveWritersKill) {
    const KillShape s = Shape(31, false);
    const std::vector<std::string> keys = {"a00001", "k00031", "z00001"};
    KillCase c = test::AppendCase(s, keys[0], "m");
    c.name = "three appends";
    c.operation = [keys] {
        for (const std::string& k : keys) {
            if (!ALock()) return false;
            ClearRecord();
            test::SetKeyFields(k, "m" + k.substr(1));
            Append();
            const bool ok = EngineErrorCode == 0;
            Unlock();
            if (!ok) return false;
            test::KillStepDone();
        }
        return true;
    };
    c.afterSteps = [keys](const test::KillRows& before, int steps) {
        test::KillRows rows = before;
        for (int i = 0; i < std::min<int>(steps, static_cast<int>(keys.size())); ++i)
            rows.push_back(RawRecord(before.front(), keys[i], "m" + keys[i].substr(1)));
        return rows;
    };
    c.whole = [c](const test::KillRows& before) { return c.afterSteps(before, 3); };
    const test::KillReport r = harness_.Run(c, KillMode::Kill);
    EXPECT_EQ(r.points, r.completed);
    EXPECT_GT(r.completed, 3);
}

// A program that may only read a table a dead writer left in the middle of
// an append shows the records a program that may write then keeps (the
// dead append's record only when it was written whole), or its orders
// refuse to open with words that say why.
TEST_F(KillPointTest, AProgramThatMayOnlyReadShowsWhatTheNextWriterKeeps) {
    for (int records : {32, 500}) {
        const KillShape s = Shape(records, false);
        KillCase c = SharedAppend(s, test::KillKey(s, records / 2));
        c.readOnlyReader = true;
        const test::KillReport r = harness_.Run(c, KillMode::Kill);
        EXPECT_EQ(r.points, r.completed);
        EXPECT_GT(r.marked, 0) << "no kill left a change to repair";
        if (HasFailure()) return;
    }
}

// A small file system of its own, unmounted at the end; empty path when
// this machine does not let the test mount one.
class SmallDisk {
public:
    SmallDisk(const std::string& dir, const std::string& size) : dir_(dir) {
        std::filesystem::create_directories(dir);
        if (mount("tmpfs", dir.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0) mounted_ = true;
    }
    ~SmallDisk() {
        if (mounted_) umount2(dir_.c_str(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool Mounted() const { return mounted_; }
    // Fills the disk to the last byte with a file of its own.
    void Fill() {
        std::FILE* f = std::fopen((dir_ + "/filler").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::setvbuf(f, nullptr, _IONBF, 0);
        const std::string block(4096, 'x');
        for (size_t chunk : {size_t{4096}, size_t{512}, size_t{1}})
            while (std::fwrite(block.data(), 1, chunk, f) == chunk) {
            }
        std::fclose(f);
    }
    void Free() { std::filesystem::remove(dir_ + "/filler"); }

private:
    std::string dir_;
    bool mounted_ = false;
};

// Appends and re-keys on a disk without a free byte: each either works or
// reports its failure and changes nothing; once room is freed, another open
// finds the orders right.
TEST_F(KillPointTest, AppendsAndRekeysOnAFullDisk) {
    SmallDisk disk(Path("disk"), "256k");
    if (!disk.Mounted()) GTEST_SKIP() << "no file system of its own can be mounted here";
    for (bool shared : {false, true}) {
        SCOPED_TRACE(shared ? "shared" : "exclusive");
        const std::string dir = Path("disk") + "/t";
        const std::string table = harness_.CopyFixture(Shape(1000, false), dir);
        const auto open = [&](bool exclusive) {
            Select(1);
            ASSERT_TRUE(Use(table + (exclusive ? " EXCLUSIVE" : ""), nullptr, 0)) << EngineErrorMsg;
            ASSERT_TRUE(OpenIndexFile(dir + "/k.ndx", 1)) << EngineErrorMsg;
            ASSERT_TRUE(SetIndexTo(dir + "/m.ndx", 2)) << EngineErrorMsg;
            Set_Order_To(1);
        };
        open(!shared);
        disk.Fill();
        test::KillRows model = test::AreaRows();
        int failed = 0;
        for (int i = 0; i < 230; ++i) {
            const std::string k = "a" + std::to_string(1000 + i);
            const std::string m = "b" + std::to_string(5000 - i);
            const std::string raw =
                " " + k + std::string(8 - k.size(), ' ') + m + std::string(8 - m.size(), ' ');
            const bool append = i < 30;
            const int32_t r = (i * 37) % static_cast<int32_t>(model.size()) + 1;
            if (append) {
                ASSERT_TRUE(ALock());
                ClearRecord();
            } else {
                Go(r);
                ASSERT_TRUE(RLock());
            }
            test::SetKeyFields(k, m);
            append ? Append() : Replace();
            const uint16_t code = EngineErrorCode;
            Unlock();
            if (code == 0) {
                append ? model.push_back(raw) : void(model[r - 1] = raw);
                continue;
            }
            EXPECT_EQ(code, 101);
            ++failed;
        }
        EXPECT_GT(failed, 0) << "the disk never ran full";
        disk.Free();
        CloseArea();
        open(true);
        EXPECT_TRUE(test::AreaRows() == model) << "a change that failed left a trace";
        test::CheckOrdersAgainst(model, true);
        CloseArea();
    }
}

}  // namespace
}  // namespace kor2
