// Index build and the file it writes: header fields, node layout for small
// and full trees, UNIQUE, option words, expression limits, disk space, runs
// in a temporary file, key-maker indexes and REINDEX.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "platform/oemtext.h"
#include "tables/area/changes.h"
#include "tables/area/navigation.h"
#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/base/filenames.h"
#include "tables/index/ndx_testutil.h"
#include "tables/index/ndxbuild.h"
#include "tables/index/ndxformat.h"
#include "tables/index/orders.h"

namespace kor2 {
namespace {

using test::NdxTest;

uint32_t U32(const std::string& f, size_t at) {
    return ndx::GetU32(reinterpret_cast<const uint8_t*>(f.data() + at));
}
uint16_t U16(const std::string& f, size_t at) {
    return ndx::GetU16(reinterpret_cast<const uint8_t*>(f.data() + at));
}

std::vector<std::vector<std::string>> Rows(int n) {
    std::vector<std::vector<std::string>> rows;
    for (int i = 1; i <= n; ++i) {
        char t[16];
        std::snprintf(t, sizeof t, "K%05d", (i * 7919) % 100000);
        rows.push_back({t, std::to_string(i % 13)});
    }
    return rows;
}

class NdxBuildTest : public NdxTest {};

TEST_F(NdxBuildTest, EmptyTableGivesHeaderAndEmptyRoot) {
    OpenRows({});
    Index_On("T", Path("e.ndx"));
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    CloseAllIndexes();
    const std::string f = test::ReadFileBytes(Path("e.ndx"));
    ASSERT_EQ(f.size(), 1024u);
    EXPECT_EQ(U32(f, ndx::HdrRoot), 1u);
    EXPECT_EQ(U32(f, ndx::HdrNextFree), 2u);
    EXPECT_EQ(f[ndx::HdrKeyType], 'C');
    EXPECT_EQ(U16(f, ndx::HdrKeyLength), 8);
    EXPECT_EQ(U16(f, ndx::HdrEntrySize), 16);
    EXPECT_EQ(U16(f, ndx::HdrKeysPerNode), 31);
    EXPECT_EQ(std::string(f.data() + ndx::HdrExpr), "T");
    EXPECT_EQ(U32(f, ndx::HdrStampCount), 0u);
    EXPECT_EQ(U32(f, ndx::HdrStampNot), 0xFFFFFFFFu);
    EXPECT_EQ(std::string(f.data() + ndx::HdrTableName), "T.DBF");
    EXPECT_EQ(U32(f, 512), 0u);

    // Opened on the empty table: BOF and EOF, GO TOP gives count + 1.
    ASSERT_TRUE(OpenIndexFile(Path("e.ndx"), 1)) << EngineErrorMsg;
    EXPECT_TRUE(IndexBof());
    EXPECT_TRUE(IndexEof());
    EXPECT_EQ(IndexGoTop(), 1);
    EXPECT_FALSE(IndexFoundFlag);
}

TEST_F(NdxBuildTest, FullLeafThenSplitIntoTwoLeavesAndRoot) {
    // Key length 8: 31 keys per node.
    OpenRows(Rows(31));
    Index_On("T", Path("a.ndx"));
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    CloseAllIndexes();
    std::string f = test::ReadFileBytes(Path("a.ndx"));
    EXPECT_EQ(U32(f, ndx::HdrRoot), 1u);
    EXPECT_EQ(U32(f, ndx::HdrNextFree), 2u);
    EXPECT_EQ(U32(f, 512), 31u);

    CloseArea();
    OpenRows(Rows(32), "b.dbf");
    Index_On("T", Path("b.ndx"));
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    CloseAllIndexes();
    f = test::ReadFileBytes(Path("b.ndx"));
    EXPECT_EQ(U32(f, ndx::HdrRoot), 3u);
    EXPECT_EQ(U32(f, ndx::HdrNextFree), 4u);
    EXPECT_EQ(U32(f, 512), 31u);           // first leaf full
    EXPECT_EQ(U32(f, 1024), 1u);           // second leaf
    EXPECT_EQ(U32(f, 1536), 1u);           // root: one entry ...
    EXPECT_EQ(U32(f, 1536 + 4), 1u);       // ... for leaf 1
    EXPECT_EQ(U32(f, 1536 + 4 + 16), 2u);  // trailing pointer to leaf 2
    // The root's key is the first leaf's largest key.
    EXPECT_EQ(f.substr(1536 + 12, 8), f.substr(512 + 4 + 30 * 16 + 8, 8));
}

TEST_F(NdxBuildTest, LongKeysGiveFourPerNode) {
    const NdxHeader h = NewNdxHeader('C', 100, false);
    EXPECT_EQ(h.entrySize, 108);
    EXPECT_EQ(h.keysPerNode, 4);
}

TEST_F(NdxBuildTest, UniqueKeepsLowestRecordOfEachKey) {
    OpenRows({{"b", "1"}, {"a", "2"}, {"b", "3"}, {"a", "4"}, {"c", "5"}});
    Index_On("T", Path("u.ndx") + " unique");
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    EXPECT_EQ(test::WalkForward(), (std::vector<int32_t>{2, 1, 5}));
    EXPECT_TRUE(FileExistsP(Path("u.ndx")));
    CloseAllIndexes();
    const std::string f = test::ReadFileBytes(Path("u.ndx"));
    EXPECT_EQ(f[ndx::HdrUnique], 1);
}

TEST_F(NdxBuildTest, OptionWordsAreTakenOutOfTheName) {
    OpenRows({{"Robert", "1"}, {"Rupert", "2"}});
    Index_On("T", Path("s.ndx") + " SOUNDEX Descending");
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    EXPECT_TRUE(FileExistsP(Path("s.ndx")));
    // The expression's keys stay: ascending folded texts.
    EXPECT_TRUE(Find("rupert"));
    EXPECT_EQ(RecNo(), 2);
    EXPECT_EQ(test::WalkForward(), (std::vector<int32_t>{1, 2}));
}

TEST_F(NdxBuildTest, ExpressionLengthLimit) {
    OpenRows({{"x", "1"}});
    std::string longest = "T";
    while (longest.size() < 100) longest += longest.size() + 4 <= 100 ? "+\"\"" : " ";
    longest.resize(100, ' ');
    Index_On(longest, Path("l.ndx"));
    EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    Index_On(longest + " ", Path("l.ndx"));
    EXPECT_EQ(EngineErrorCode, 0) << "trailing blanks are trimmed";
    Index_On(longest.substr(0, 99) + "+T", Path("m.ndx"));
    ExpectError(300, "Index-Ausdruck länger als 100 Bytes"_oem);
    EXPECT_NE(EngineErrorMsg.find("[MakeIndex(<...>,"), std::string::npos);
}

TEST_F(NdxBuildTest, BuildRefusals) {
    MakeIndex("", "T", false, 1, false, false, nullptr, 0);
    ExpectError(220, "Index-Dateiname nicht angegeben [MakeIndex()]");
    MakeIndex(Path("x.ndx"), "T", false, 1, false, false, nullptr, 0);
    ExpectError(215, "Datenbank nicht geöffnet beim Indizieren von"_oem);
    OpenRows({{"x", "1"}});
    MakeIndex(Path("x.ndx"), "  ", false, 1, false, false, nullptr, 0);
    ExpectError(254, "Weder Ausdruck noch KeyMaker sind definiert");
    MakeIndex(Path("x.ndx"), "T = \"x\"", false, 1, false, false, nullptr, 0);
    ExpectError(254, "Ungültiger Parser-Return-Typ"_oem);
    Index_On("T", Path("x.ndx"));
    ASSERT_EQ(EngineErrorCode, 0);
    MakeIndex(Path("x.ndx"), "T", false, 1, false, false, nullptr, 0);
    EXPECT_EQ(EngineErrorCode, 214);
}

TEST_F(NdxBuildTest, TooLittleDiskSpaceWritesNothing) {
    OpenRows(Rows(100));
    IndexDiskFreeProc = [](const std::string&) { return int64_t{2048}; };
    MakeIndexFromExpr("T", Path("d.ndx"));
    IndexDiskFreeProc = nullptr;
    // 100 * 12 + (101 + 5 + 1) * 512 + ... bytes: 55 KBytes.
    ExpectError(227, "Verfügbarer Plattenplatz: 2 KBytes;benötigt: "_oem);
    EXPECT_NE(EngineErrorMsg.find(" KBytes [MakeIndex]"), std::string::npos);
    EXPECT_FALSE(FileExistsP(Path("d.ndx")));
}

TEST_F(NdxBuildTest, SortedRunsInTemporaryFileGiveSameOrder) {
    // 5000 keys: more nodes than one write buffer holds.
    const auto rows = Rows(5000);
    OpenRows(rows);
    Index_On("T", Path("mem.ndx"));
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    const std::vector<int32_t> inMemory = test::WalkForward();
    ASSERT_EQ(inMemory.size(), rows.size());
    for (size_t i = 1; i < inMemory.size(); ++i)
        ASSERT_LT(rows[inMemory[i - 1] - 1][0], rows[inMemory[i] - 1][0]);
    for (int r : {1, 2500, 4999}) {
        EXPECT_TRUE(Find(rows[r][0]));
        EXPECT_EQ(RecNo(), r + 1);
    }
    CloseAllIndexes();
    const std::string memFile = test::ReadFileBytes(Path("mem.ndx"));

    IndexSortCapacity = 1000;  // five runs
    int calls = 0;
    SetIndexProgressProc([&] { ++calls; }, 10);
    Index_On("T", Path("run.ndx"));
    SetIndexProgressProc(nullptr, 0);
    IndexSortCapacity = 1 << 20;
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    EXPECT_EQ(test::WalkForward(), inMemory);
    EXPECT_GE(calls, 8);
    EXPECT_LE(calls, 10);
    CloseAllIndexes();
    // Same tree, same bytes, but for the header's own name-independent parts.
    const std::string runFile = test::ReadFileBytes(Path("run.ndx"));
    EXPECT_EQ(runFile.substr(512), memFile.substr(512));
    EXPECT_EQ(runFile.substr(0, 24), memFile.substr(0, 24));
}

TEST_F(NdxBuildTest, NumericAndDateKeys) {
    OpenRows({{"a", "5", "20240229"}, {"b", "-3", "19991231"}, {"c", "12", "        "}});
    Index_On("N", Path("n.ndx"));
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    EXPECT_EQ(test::WalkForward(), (std::vector<int32_t>{2, 1, 3}));
    EXPECT_TRUE(Find("12"));
    EXPECT_EQ(RecNo(), 3);
    EXPECT_FALSE(Find("13"));
    EXPECT_TRUE(dEOF());

    Index_On("D", Path("d.ndx"));
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    // A blank date is day 0 and comes first.
    EXPECT_EQ(test::WalkForward(), (std::vector<int32_t>{3, 2, 1}));
    EXPECT_TRUE(Find("29.02.24"));  // the DATE format of the tests
    EXPECT_EQ(RecNo(), 1);
    CloseAllIndexes();
    const std::string f = test::ReadFileBytes(Path("d.ndx"));
    EXPECT_EQ(f[ndx::HdrKeyType], 'D');
    EXPECT_EQ(U16(f, ndx::HdrKeyKind), 1);
    double first;
    std::memcpy(&first, f.data() + 512 + 4 + 16 + 8, 8);  // second entry: 1999-12-31
    EXPECT_EQ(first, 2451544.0);
}

TEST_F(NdxBuildTest, KeyMakerIndexAndReindex) {
    OpenRows({{"Robert", "1"}, {"Tymczak", "2"}, {"Rupert", "3"}, {"Ashcraft", "4"}});
    auto maker = [](intptr_t context, int order) {
        EXPECT_EQ(context, 77);
        EXPECT_EQ(order, 1);
        return FieldText(1);
    };
    IndexOnKeyMaker(Path("k.ndx") + " SOUNDEX", maker, 77);
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    EXPECT_EQ(test::WalkForward(), (std::vector<int32_t>{4, 1, 3, 2}));
    EXPECT_TRUE(Find("Rubbert"));  // R163
    EXPECT_EQ(RecNo(), 1);

    // The file holds the marker; opening it with an expression is refused.
    CloseAllIndexes();
    EXPECT_FALSE(SetIndexTo(Path("k.ndx"), 1));
    ExpectError(223, "KeyMaker-Funktion benötigt, "_oem);
    Index_On("T", Path("t.ndx"));
    CloseAllIndexes();
    EXPECT_FALSE(SetIndexToCB(Path("t.ndx"), 1, maker, 77));
    ExpectError(223, "KeyMaker-Funktion mit durch dBase-Schlüsselausdruck erzeugter"_oem);

    // REINDEX rebuilds both kinds in their orders with their options.
    ASSERT_TRUE(SetIndexTo(Path("k.ndx") + " SOUNDEX", 1, maker, 77));
    ASSERT_TRUE(SetIndexTo(Path("t.ndx") + " DESCENDING", 2));
    Set_Order_To(2);
    Reindex();
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    EXPECT_EQ(CurrentOrderNo(), 2);
    EXPECT_TRUE(IndexSoundex(1));
    EXPECT_EQ(test::WalkForward(), (std::vector<int32_t>{4, 1, 3, 2}));
}

// A table and index opened by another spelling of their names are packed
// and rebuilt where they are: no second table or index of that spelling.
TEST_F(NdxBuildTest, FilesOpenedByAnotherSpellingAreRebuiltInPlace) {
    OpenRows({{"Cc", "3"}, {"Aa", "1"}, {"Bb", "2"}, {"Dd", "4"}}, "p.dbf");
    Index_On("T", Path("p.ndx"));
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    CloseArea();
    ASSERT_TRUE(Use(Path("P.DBF") + " EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
    ASSERT_TRUE(SetIndexTo(Path("P.NDX"), 1)) << EngineErrorMsg;
    Go(4);
    DeleteRec();
    ASSERT_TRUE(Pack()) << EngineErrorMsg;
    Reindex();
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    EXPECT_EQ(test::WalkForward(), (std::vector<int32_t>{2, 3, 1}));
    CloseArea();
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir_.path()))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"p.dbf", "p.ndx"}));
    EXPECT_EQ(test::ReadAllRecords(Path("p.dbf")).size(), 3u);
}

// Two tables and their indexes whose names differ only in case are four
// files: each index is built, opened and rebuilt for its own table while
// the other is open.
TEST_F(NdxBuildTest, IndexesWhoseNamesDifferOnlyInCaseAreTwoIndexes) {
    OpenRows({{"Bb", "2"}, {"Aa", "1"}}, "u.dbf");
    Index_On("T", Path("u.ndx"));
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    Select(2);
    test::MakeTable(Path("U.dbf"), {{"T", 'C', 8, 0}, {"N", 'N', 6, 0}, {"D", 'D', 8, 0}});
    test::AppendRaw(
        Path("U.dbf"),
        {{" ", "Zz", "9", "        "}, {" ", "Cc", "3", "        "}, {" ", "Yy", "8", "        "}});
    ASSERT_TRUE(Use(Path("U.dbf") + " ALIAS BIG EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
    Index_On("T", Path("U.ndx"));
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    EXPECT_EQ(test::WalkForward(), (std::vector<int32_t>{2, 3, 1}));
    CloseAllIndexes();
    ASSERT_TRUE(SetIndexTo(Path("U.ndx"), 1)) << EngineErrorMsg;
    Reindex();
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    EXPECT_EQ(test::WalkForward(), (std::vector<int32_t>{2, 3, 1}));
    Select(1);
    EXPECT_EQ(test::WalkForward(), (std::vector<int32_t>{2, 1}));
    // Another spelling still finds an open index to read, never to make one.
    EXPECT_TRUE(IndexFileOpenAnywhere(Path("u.NDX")));
    EXPECT_FALSE(IndexFileOpenAnywhere(Path("u.NDX"), nullptr, platform::Lookup::Write));
    EXPECT_TRUE(IndexFileOpenAnywhere(Path("U.ndx"), nullptr, platform::Lookup::Write));
}

TEST_F(NdxBuildTest, DescendingKeyMakerIndex) {
    OpenRows({{"b", "1"}, {"d", "2"}, {"a", "3"}, {"c", "4"}});
    IndexOnKeyMaker(
        Path("k.ndx") + " DESCENDING", [](intptr_t, int) { return FieldText(1); }, 0);
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    EXPECT_FALSE(IndexAscending(1));
    EXPECT_EQ(test::WalkForward(), (std::vector<int32_t>{2, 4, 1, 3}));
    EXPECT_TRUE(Find("c       "));
    EXPECT_EQ(RecNo(), 4);
    // Keys of later appends go to their place as well.
    ClearRecord();
    test::SetT("bb");
    Append();
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    EXPECT_EQ(test::WalkForward(), (std::vector<int32_t>{2, 4, 5, 1, 3}));
}

TEST_F(NdxBuildTest, InsertionSplitsOnlyAFullNode) {
    OpenRows({});
    Index_On("T", Path("i.ndx"));
    IndexControlBlock* b = OrderBlock(1);
    ASSERT_NE(b, nullptr);
    for (int i = 0; i < 31; ++i) {
        ClearRecord();
        test::SetT("k" + std::to_string(100 + i));
        Append();
    }
    EXPECT_EQ(b->hdr.root, 1u);
    EXPECT_EQ(b->hdr.nextFree, 2u);
    ClearRecord();
    test::SetT("k099");
    Append();
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    EXPECT_EQ(b->hdr.root, 3u);  // right half 2, new root 3
    EXPECT_EQ(b->hdr.nextFree, 4u);
    // The header on disk follows at once.
    const std::string f = test::ReadFileBytes(Path("i.ndx"));
    EXPECT_EQ(U32(f, ndx::HdrRoot), 3u);
    EXPECT_EQ(U32(f, ndx::HdrNextFree), 4u);
    EXPECT_EQ(test::WalkForward().front(), 32);
}

TEST_F(NdxBuildTest, KeyMakerOfWrongLengthIsRefusedOnOpen) {
    OpenRows({{"a", "1"}, {"b", "2"}});
    IndexOnKeyMaker(
        Path("k.ndx"), [](intptr_t, int) { return FieldText(1); }, 0);
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    CloseAllIndexes();
    EXPECT_FALSE(SetIndexToCB(
        Path("k.ndx"), 1, [](intptr_t, int) { return std::string("ab"); }, 0));
    ExpectError(266, "Ungültige Schlüssellänge von anwender-definiertem KeyMaker geliefert."_oem);
    EXPECT_NE(EngineErrorMsg.find("Schlüssel= [ab]"_oem), std::string::npos);
    EXPECT_EQ(OrderBlock(1), nullptr);
}

TEST_F(NdxBuildTest, ReindexWithoutIndexIsRefused) {
    OpenRows({{"a", "1"}});
    Reindex();
    ExpectError(221, "Index nicht geöffnet. (DBF="_oem);
}

}  // namespace
}  // namespace kor2
