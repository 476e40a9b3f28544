// Kill points of the changes that replace whole files or write memos: Reindex
// and Pack (new files beside the old ones, renamed into place) and a memo
// added or rewritten in each memo format, cut short at any write by a kill
// or a failing write, checked by another process through the shared harness.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <cstring>
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

#include "tables/area/changes.h"
#include "tables/area/navigation.h"
#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginefile.h"
#include "tables/base/enginestrings.h"
#include "tables/base/filenames.h"
#include "tables/base/journal.h"
#include "tables/dbf/dbfformat.h"
#include "tables/index/killpoint.h"
#include "tables/index/ndx_testutil.h"
#include "tables/index/ndxbuild.h"
#include "tables/index/orders.h"
#include "tables/memo/memoarea.h"
#include "tables/memo/memofile.h"

namespace kor2 {
namespace {

namespace fs = std::filesystem;
using test::KillCase;
using test::KillMode;
using test::KillRows;
using test::KillShape;

const std::vector<KillMode> kAllModes = {KillMode::Kill, KillMode::NoRoom, KillMode::IoError,
                                         KillMode::NoRoomForGood, KillMode::IoErrorForGood};
const std::vector<KillMode> kKillAndNoRoom = {KillMode::Kill, KillMode::NoRoomForGood};
const std::vector<KillMode> kPackModes = {KillMode::Kill, KillMode::KillBeforeRename,
                                          KillMode::NoRoomForGood};

class KillPointRebuildTest : public test::NdxTest {
protected:
    void SetUp() override {
        NdxTest::SetUp();
        InitMemoUnit();
    }
    void RunAll(KillCase c, const std::vector<KillMode>& modes, bool sharedToo) {
        harness_.RunModes(std::move(c), modes, sharedToo);
    }
    test::KillPointHarness harness_;
};

KillShape Shape(int records, bool runs, const std::string& tag) {
    KillShape s;
    s.records = records;
    s.runs = runs;
    s.twoOrders = true;
    s.name = tag + s.Name();
    return s;
}

// Every third record of the fixture marked as deleted.
void DeleteEveryThird(const std::string& table) {
    Select(1);
    ASSERT_TRUE(Use(table + " EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
    for (int32_t r = 3; r <= RecCount(); r += 3) {
        Go(r);
        DeleteRec();
    }
    CloseArea();
}

KillCase ReindexCase(const KillShape& shape) {
    KillCase c;
    c.name = "reindex";
    c.shape = shape;
    c.operation = [] {
        Set_Order_To(2);
        Reindex();
        return EngineErrorCode == 0 && CurrentOrderNo() == 2;
    };
    c.whole = [](const KillRows& before) { return before; };
    return c;
}

KillCase PackCase(KillShape shape) {
    shape.prepare = DeleteEveryThird;
    KillCase c;
    c.name = "pack";
    c.shape = shape;
    c.operation = [] { return Pack(); };
    c.whole = [](const KillRows& before) {
        KillRows rows;
        for (const std::string& r : before)
            if (r[0] != dbf::DeletedFlag) rows.push_back(r);
        return rows;
    };
    return c;
}

TEST_F(KillPointRebuildTest, ReindexKeepsTheOldIndexUntilTheNewIsWhole) {
    for (int records : {1, 32, 500, 5000})
        for (bool runs : {false, true}) {
            const KillCase c = ReindexCase(Shape(records, runs, "reindex"));
            if (records <= 32) {
                RunAll(c, kAllModes, records == 32);
                RunAll(c, {KillMode::KillBeforeRename}, records == 32);
            } else {
                RunAll(c, kKillAndNoRoom, false);
            }
            if (HasFailure()) return;
        }
}

// Every write of a pack comes before the table's rename, and a kill between
// the renames leaves them to the next program that opens the table.
TEST_F(KillPointRebuildTest, PackIsWholeOrAbsent) {
    for (int records : {1, 31, 500, 3000})
        for (bool runs : {false, true}) {
            const KillCase c = PackCase(Shape(records, runs, "pack"));
            if (records <= 31) {
                RunAll(c, kAllModes, records == 31);
                RunAll(c, {KillMode::KillBeforeRename}, records == 31);
            } else {
                RunAll(c, kPackModes, false);
            }
            if (HasFailure()) return;
        }
}

// A table in a folder of over 100 characters with blanks: the journal of a
// Pack killed between its renames names the files whole, and the next
// program that opens the table makes the renames left.
TEST_F(KillPointRebuildTest, PackKilledBetweenItsRenamesInALongFolderIsCompleted) {
    const fs::path base = dir_.path() / ("a project folder with blanks and a name longer than "
                                         "a hundred characters, as a user's folder soon has");
    fs::create_directory(base);
    test::KillPointHarness inLongFolder(base);
    inLongFolder.RunModes(PackCase(Shape(31, false, "long")), {KillMode::KillBeforeRename}, false);
}

// Memos: the fixture's records 1 to 3 hold memos; the change adds a memo to
// record 4 or rewrites the memo of record 1, then stores the block number in
// the record. The new memo lands at the memo file's end (the fixture has no
// free runs), so the whole change is known from the fixture.
constexpr int kMemoField = 3;

struct MemoPlan {
    std::string text;
    int32_t record = 0;
    std::shared_ptr<int32_t> newBlock = std::make_shared<int32_t>(0);
};

void WriteMemo(int32_t record, const std::string& text) {
    Go(record);
    int32_t block = 0;
    std::memcpy(&block, FieldAddress(kMemoField), sizeof block);
    MemoTextFile f;
    AssignMemo(f, block);
    f.Rewrite();
    f.Write(text);
    if (f.Close() != 0) return;
    std::memcpy(FieldAddress(kMemoField), &block, sizeof block);
    if (RLock()) {
        Replace();
        Unlock();
    }
}

KillCase MemoCase(uint8_t version, const MemoPlan& plan) {
    KillCase c;
    c.shape =
        Shape(31, false, "memo" + std::to_string(version) + "r" + std::to_string(plan.record));
    c.shape.version = version;
    c.shape.extraFields = {{"NOTE", 'M', 10, 0}};
    c.name = (plan.record == 1 ? "memo rewritten, format " : "memo added, format ") +
             std::to_string(version);
    const std::string oldText(441, 'o');
    c.shape.prepare = [plan, oldText](const std::string& table) {
        Select(1);
        ASSERT_TRUE(Use(table + " EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
        for (int32_t r = 1; r <= 3; ++r) WriteMemo(r, oldText + std::to_string(r));
        const TMemoFileRec* m = MemoFileOf(*CurrentDbf());
        ASSERT_NE(m, nullptr);
        *plan.newBlock = static_cast<int32_t>((m->file->Size() + m->blockSize - 1) / m->blockSize);
        CloseArea();
    };
    c.operation = [plan] {
        WriteMemo(plan.record, plan.text);
        return EngineErrorCode == 0;
    };
    c.whole = [plan](const KillRows& before) {
        KillRows rows = before;
        const DbfFieldEntry& f = CurrentDbf()->fields[kMemoField - 1];
        rows[plan.record - 1].replace(f.offset, f.length,
                                      MemoReferenceText(*plan.newBlock, f.length));
        return rows;
    };
    // Every memo of the table reads whole: the old texts, and the record's
    // memo either the old or the new text.
    c.extraCheck = [plan, oldText](bool wholeChange) {
        for (int32_t r = 1; r <= 4; ++r) {
            Go(r);
            std::string expected = r <= 3 ? oldText + std::to_string(r) : std::string();
            if (r == plan.record && wholeChange) expected = plan.text;
            const std::vector<std::string> lines = MemoFieldLines(kMemoField);
            std::string text;
            for (const std::string& l : lines) text += l;
            EXPECT_EQ(text, expected) << "memo of record " << r;
        }
    };
    return c;
}

TEST_F(KillPointRebuildTest, MemoAddedOrRewrittenIsWholeOrAbsent) {
    for (uint8_t version : {uint8_t{0x83}, uint8_t{0x8B}, uint8_t{0xF5}})
        for (int32_t record : {1, 4}) {
            MemoPlan plan;
            plan.record = record;
            // Shorter than the old text: it would fit the old memo's blocks.
            plan.text = "neu" + std::string(48, 'n');
            RunAll(MemoCase(version, plan), kAllModes, true);
            if (HasFailure()) return;
        }
}

// The journal of a change that is still under way is its writer's: an open
// beside it leaves it and its new file alone, and clears them once the
// writer is gone.
TEST_F(KillPointRebuildTest, AJournalWaitsForItsWriterToBeGone) {
    const std::string dir = harness_.dir().file("held");
    const std::string table = harness_.CopyFixture(Shape(1, false, "held"), dir);
    const std::string journal = TableJournalName(table);
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t writer = fork();
    if (writer == 0) {
        ChangeJournal change(journal, "Test");
        change.Plan("t.dbf");
        const bool made = change.Begin() && change.Make(0) != nullptr;
        const char byte = made ? 1 : 0;
        if (write(ready[1], &byte, 1) != 1 || !made) _exit(1);
        pause();
        _exit(0);
    }
    ASSERT_GT(writer, 0);
    close(ready[1]);
    char byte = 0;
    const bool held = read(ready[0], &byte, 1) == 1 && byte == 1;
    close(ready[0]);
    const auto newFiles = [&] {
        int n = 0;
        for (const auto& e : fs::directory_iterator(dir))
            n += e.path().filename().string().rfind("KOR", 0) == 0;
        return n;
    };
    Select(1);
    const bool opened = held && Use(table, nullptr, 0);
    CloseArea();
    const bool left = fs::exists(journal) && newFiles() == 1;
    kill(writer, SIGKILL);
    waitpid(writer, nullptr, 0);
    ASSERT_TRUE(held);
    EXPECT_TRUE(opened) << EngineErrorMsg;
    EXPECT_TRUE(left);
    ASSERT_TRUE(Use(table, nullptr, 0)) << EngineErrorMsg;
    EXPECT_EQ(RecCount(), 1);
    CloseArea();
    EXPECT_EQ(newFiles(), 0);
    EXPECT_FALSE(fs::exists(journal));
}

// The memo text of the record whose M key is m: its length differs from
// record to record, so that the packed memos move to other blocks.
std::string PackedMemoText(const std::string& m) {
    std::string text;
    for (int i = 0; i < 10 + (m.back() - '0') * 7; ++i) text += m;
    return text;
}

std::string MemoOfCurrent() {
    std::string text;
    for (const std::string& l : MemoFieldLines(kMemoField)) text += l;
    return text;
}

// A pack of a table whose records all hold memos, every third deleted: the
// whole change is the result of an uncut pack of a copy.
KillCase PackWithMemosCase(uint8_t version) {
    KillShape shape = Shape(31, false, "packmemo" + std::to_string(version));
    shape.version = version;
    shape.extraFields = {{"NOTE", 'M', 10, 0}};
    KillCase c = PackCase(shape);
    c.name = "pack with memos, format " + std::to_string(version);
    const auto packed = std::make_shared<KillRows>();
    c.shape.prepare = [packed](const std::string& table) {
        Select(1);
        ASSERT_TRUE(Use(table + " EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
        for (int32_t r = 1; r <= RecCount(); ++r) {
            Go(r);
            WriteMemo(r, PackedMemoText(AllTrim(FieldText(2))));
        }
        CloseArea();
        DeleteEveryThird(table);
        const fs::path from = fs::path(table).parent_path();
        const fs::path copy = from.parent_path() / (from.filename().string() + "-packed");
        fs::remove_all(copy);
        fs::create_directories(copy);
        for (const auto& entry : fs::directory_iterator(from))
            fs::copy_file(entry.path(), copy / entry.path().filename());
        ASSERT_TRUE(Use((copy / "t.dbf").string() + " EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
        ASSERT_TRUE(Pack()) << EngineErrorMsg;
        *packed = test::AreaRows();
        CloseArea();
        fs::remove_all(copy);
    };
    c.whole = [packed](const KillRows&) { return *packed; };
    c.extraCheck = [](bool) {
        for (int32_t r = 1; r <= RecCount(); ++r) {
            Go(r);
            const std::string expected = PackedMemoText(AllTrim(FieldText(2)));
            EXPECT_EQ(MemoOfCurrent(), expected) << "record " << r;
        }
    };
    return c;
}

TEST_F(KillPointRebuildTest, PackWithMemosIsWholeOrAbsent) {
    for (uint8_t version : {uint8_t{0x83}, uint8_t{0x8B}, uint8_t{0xF5}}) {
        RunAll(PackWithMemosCase(version), kPackModes, true);
        if (HasFailure()) return;
    }
}

}  // namespace
}  // namespace kor2
