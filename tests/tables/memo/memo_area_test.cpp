// The memo layer behind the work areas: Use opens the memo file through the
// hooks once the layer has started, CloseArea closes it, Pack packs it,
// AppendFrom copies memos, and operations without a table or memo file fail.
#include <gtest/gtest.h>

#include <cstring>

#include "tables/area/changes.h"
#include "tables/area/engine.h"
#include "tables/area/navigation.h"
#include "tables/area/search.h"
#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginefile.h"
#include "tables/dbf/hooks.h"
#include "tables/memo/memo_testutil.h"
#include "tables/memo/memoarea.h"

namespace kor2 {
namespace {

using test::MemoTest;
using test::ReadFileBytes;

class MemoAreaTest : public MemoTest {
protected:
    void SetUp() override {
        MemoTest::SetUp();
        InitMemoUnit();
    }
    void TearDown() override {
        CloseAllAreas();
        MemoTest::TearDown();
    }
    int32_t MemoField(int n = 2) {
        int32_t block = 0;
        std::memcpy(&block, FieldAddress(n), sizeof block);
        return block;
    }
};

TEST_F(MemoAreaTest, UseOpensAndCloseAreaClosesTheMemoFile) {
    const std::string path = MakeTableWithMemos("u.dbf", 0x8B, {"erster", "zweiter"});
    ASSERT_TRUE(Use(path + " EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
    ASSERT_NE(CurrentMemoFile("test"), nullptr);
    EXPECT_EQ(MemoHooks.memoLines(2), std::vector<std::string>{"erster"});
    const int32_t added = AddMemo("dritter");
    EXPECT_EQ(added, 3);
    ASSERT_TRUE(GetMemo(added));
    EXPECT_EQ(MemoPadLines, std::vector<std::string>{"dritter"});
    // The memo as a text file of the current table.
    int32_t block = added;
    MemoTextFile f;
    ASSERT_TRUE(AssignMemo(f, block));
    ASSERT_EQ(f.Append(), 0);
    ASSERT_EQ(f.WriteLn("vierter"), 0);
    ASSERT_EQ(f.Close(), 0);
    EXPECT_EQ(block, added + 1);  // beside the old text, which stays readable
    ASSERT_TRUE(GetMemo(block));
    EXPECT_EQ(MemoPadLines, (std::vector<std::string>{"dritter", "vierter"}));
    ASSERT_TRUE(GetMemo(added));
    EXPECT_EQ(MemoPadLines, std::vector<std::string>{"dritter"});
    CloseArea();
    // Opened again in the same area: the old memo file record is gone.
    ASSERT_TRUE(Use(path + " EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
    EXPECT_EQ(EngineErrorCode, 0);
    ASSERT_TRUE(GetMemo(block));
    EXPECT_EQ(MemoPadLines, (std::vector<std::string>{"dritter", "vierter"}));
}

TEST_F(MemoAreaTest, WithoutTheLayerTablesOpenWithoutMemoFile) {
    ClearEngineHooks();
    const std::string path = MakeTableWithMemos("w.dbf", 0x83, {"text"});
    ASSERT_TRUE(Use(path + " EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
    EXPECT_EQ(CurrentMemoFile("AddMemo"), nullptr);
    ExpectError(1019, " No Memo Field [AddMemo]");
    CloseArea();
    EXPECT_EQ(AddMemo("x"), 0);
    ExpectError(215, "[AddMemo]");
}

TEST_F(MemoAreaTest, PackKeepsTheMemosOfRemainingRecords) {
    for (const char* mode : {" EXCLUSIVE", ""}) {  // also for a table opened shared
        SCOPED_TRACE(mode);
        const std::string path =
            MakeTableWithMemos(std::string("p") + (*mode ? "x" : "s") + ".dbf", 0x83,
                               {std::string(900, 'a'), std::string(1500, 'b'), "c"});
        const std::string memoPath = path.substr(0, path.size() - 4) + ".dbt";
        ASSERT_TRUE(Use(path + mode, nullptr, 0)) << EngineErrorMsg;
        Go(2);
        if (!*mode) {
            ASSERT_TRUE(RLock());
        }
        DeleteRec();
        const size_t before = ReadFileBytes(memoPath).size();
        ASSERT_TRUE(Pack()) << EngineErrorMsg;
        EXPECT_LT(ReadFileBytes(memoPath).size(), before);
        ASSERT_EQ(RecCount(), 2);
        for (const auto& [rec, text] :
             {std::pair{1, std::string(900, 'a')}, std::pair{2, std::string("c")}}) {
            Go(rec);
            ASSERT_TRUE(GetMemo(MemoField()));
            EXPECT_EQ(test::PadAsText(), text);
        }
        CloseArea();
    }
}

// A pack failing at any write (I/O error, no room) leaves the table and its
// memos as they were, in each memo format; one that completes keeps the
// memos of the remaining records.
TEST_F(MemoAreaTest, PackFailingAtAnyWriteKeepsTableAndMemos) {
    const std::vector<std::string> texts = {std::string(900, 'a'), std::string(1500, 'b'), "c",
                                            std::string(300, 'd')};
    for (const uint8_t version : {uint8_t{0x83}, uint8_t{0x8B}, uint8_t{0xF5}}) {
        for (const int error : {EIO, ENOSPC}) {
            for (int n = 1;; ++n) {
                SCOPED_TRACE(std::to_string(version) + " errno " + std::to_string(error) +
                             " at write " + std::to_string(n));
                const std::string path = MakeTableWithMemos("f.dbf", version, texts);
                bool packed = false;
                {
                    ScopedFaultPlan faults;
                    ASSERT_TRUE(Use(path + " EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
                    Go(2);
                    DeleteRec();
                    faults.plan().writes = 0;
                    faults.plan().failWrite = n;
                    faults.plan().error = error;
                    packed = Pack();
                    EXPECT_EQ(packed, !faults.plan().failed) << EngineErrorMsg;
                    faults.plan().failWrite = 0;
                    CloseArea();
                }
                ASSERT_TRUE(Use(path + " EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
                std::vector<std::string> expected = texts;
                if (packed) expected.erase(expected.begin() + 1);
                ASSERT_EQ(RecCount(), static_cast<int32_t>(expected.size()));
                for (int32_t r = 1; r <= RecCount(); ++r) {
                    Go(r);
                    ASSERT_TRUE(GetMemo(MemoField()));
                    EXPECT_EQ(test::PadAsText(), expected[r - 1]) << "memo of record " << r;
                }
                CloseArea();
                if (packed || HasFatalFailure()) break;
            }
        }
    }
}

TEST_F(MemoAreaTest, AppendFromCopiesMemos) {
    const std::string src = MakeTableWithMemos("s.dbf", 0xF5, {"vom Fuchs", "", "noch einer"}, 64);
    const std::string dst = MakeMemoTable("d.dbf", 0x8B);
    ASSERT_TRUE(Use(dst + " EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
    ASSERT_TRUE(AppendFrom(src, nullptr)) << EngineErrorMsg;
    ASSERT_EQ(RecCount(), 3);
    const std::vector<std::string> expected = {"vom Fuchs", "", "noch einer"};
    for (int32_t r = 1; r <= 3; ++r) {
        Go(r);
        EXPECT_EQ(MemoField() == 0, expected[r - 1].empty());
        ASSERT_TRUE(GetMemo(MemoField()));
        EXPECT_EQ(test::PadAsText(), expected[r - 1]);
    }
}

TEST_F(MemoAreaTest, RecreateHookEmptiesTheMemoFile) {
    const std::string path = MakeTableWithMemos("r.dbf", 0x83, {"alt"});
    ASSERT_TRUE(Use(path + " EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
    MemoHooks.create();
    EXPECT_EQ(ReadFileBytes(Path("r.dbt")).size(), 513u);
    EXPECT_EQ(MemoHooks.add("neu"), 1);
}

TEST_F(MemoAreaTest, NoMemoIsStoredAsBlanksAndZeroOrBlanksReadAsNone) {
    // Records 1 and 2 as other programs leave them: "0" and blanks.
    const std::string path = MakeTableWithMemos("e.dbf", 0x83, {"", "erster"});
    test::AppendRaw(path, {{" ", "  3", std::string(10, ' ')}});
    ASSERT_TRUE(Use(path + " EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
    for (int32_t r : {1, 3}) {
        Go(r);
        EXPECT_EQ(MemoField(), 0) << r;
        EXPECT_TRUE(MemoHooks.memoLines(2).empty()) << r;
    }
    ClearRecord();
    Append();
    Go(2);
    int32_t none = 0;
    std::memcpy(FieldAddress(2), &none, sizeof none);  // the memo taken away
    Replace();
    Go(1);
    Replace();
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    CloseArea();
    for (const auto& row : test::ReadAllRecords(path)) EXPECT_EQ(row[2], std::string(10, ' '));
}

}  // namespace
}  // namespace kor2
