// Delimited text: the line format, a round trip of every field type (umlauts,
// quotes and separators in texts, dates outside the two-digit-year window),
// column parsing, line ends, progress, virtual tables, xBase layer start/end.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <cstring>

#include "platform/hostfs.h"
#include "platform/oemtext.h"
#include "tables/area/changes.h"
#include "tables/area/navigation.h"
#include "tables/area/workareas.h"
#include "tables/base/enginedates.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginefile.h"
#include "tables/base/enginestrings.h"
#include "tables/dbf/hooks.h"
#include "tables/delim/delimited.h"
#include "tables/tbtestutil.h"
#include "tables/vfile/vfiles.h"

namespace kor2 {
namespace {

using Rows = std::vector<std::vector<std::string>>;

class DelimTest : public test::EngineTest {
protected:
    void TearDown() override {
        MakeEngineProgress = nullptr;
        EngineTest::TearDown();
    }
    // NAME C 10, NOTE memo, VAL N 8.2, OK L, DAY D, RATE F 10.3, CNT N 5.
    std::string Table(const std::string& name, const Rows& rows = {}) {
        const std::string path = Path(name);
        test::MakeTable(path, {{"NAME", 'C', 10, 0},
                               {"NOTE", 'M', 10, 0},
                               {"VAL", 'N', 8, 2},
                               {"OK", 'L', 1, 0},
                               {"DAY", 'D', 8, 0},
                               {"RATE", 'F', 10, 3},
                               {"CNT", 'N', 5, 0}});
        if (!rows.empty()) test::AppendRaw(path, rows);
        return path;
    }
    // Imports the text into a new empty table and returns its records.
    Rows Import(const std::string& text, bool* ok = nullptr) {
        const std::string txt = Path("in" + std::to_string(++n_) + ".txt");
        test::WriteFileBytes(txt, text);
        const std::string dbf = Table("t" + std::to_string(n_) + ".dbf");
        EXPECT_TRUE(Use(dbf + " EXCLUSIVE", nullptr, 0));
        const bool result = ImportText(txt, false);
        if (ok) *ok = result;
        CloseArea();
        return test::ReadAllRecords(dbf);
    }
    int n_ = 0;
};

// Numbers stored right-aligned in their width, as tables hold them.
std::string R(const std::string& s, size_t width) {
    return std::string(width - s.size(), ' ') + s;
}

const Rows kSample = {
    {" ", "Meier", "", R("12.50", 8), "T", "19991231", R("-3.125", 10), R("-42", 5)},
    {" ", "Maß, \"x\""_oem, "", R("0.00", 8), "F", "18991231", R("0.000", 10), R("0", 5)},
    {" ", "  lead", "", "-1234.56", "T", "", "9999.999  ", "99999"},
    {" ", "äöüÄÖÜ"_oem, "", R("0.01", 8), "F", "20991231", R("0.001", 10), R("7", 5)},
};

TEST_F(DelimTest, ExportWritesQuotedTextsBareNumbersAndNoMemoColumn) {
    const std::string dbf = Table("a.dbf", {kSample[0], {"*", "gone"}, kSample[2]});
    ASSERT_TRUE(Use(dbf + " EXCLUSIVE", nullptr, 0));
    SetIgnoreDel(true);
    ASSERT_TRUE(ExportText(Path("out")));
    EXPECT_EQ(test::ReadFileBytes(Path("out.TXT")),
              "\"Meier\",12.50,T,19991231,-3.125,-42\r\n"
              "\"  lead\",-1234.56,T,,9999.999,99999\r\n\x1A");
    ASSERT_TRUE(WriteDelimitedFile(Path("head.txt"), true));
    EXPECT_EQ(test::ReadFileBytes(Path("head.txt")).substr(0, 38),
              "\"NAME\",\"VAL\",\"OK\",\"DAY\",\"RATE\",\"CNT\"\r\n");
    // An empty table gives just the end mark.
    const std::string empty = Table("e.dbf");
    ASSERT_TRUE(Use(empty, nullptr, 0));
    ASSERT_TRUE(ExportText(Path("e.txt")));
    EXPECT_EQ(test::ReadFileBytes(Path("e.txt")), "\x1A");
}

// An export to a name that exists in another case only makes a file of its
// own: the other one is no old export of that name.
TEST_F(DelimTest, ExportNeverReplacesAFileOfAnotherSpelling) {
    const std::string dbf = Table("s.dbf", {kSample[0]});
    test::WriteFileBytes(Path("e.txt"), "someone's notes");
    ASSERT_EQ(chmod(Path("e.txt").c_str(), 0604), 0);
    ASSERT_TRUE(Use(dbf, nullptr, 0));
    ASSERT_TRUE(ExportText(Path("E.TXT"))) << EngineErrorMsg;
    EXPECT_EQ(test::ReadFileBytes(Path("e.txt")), "someone's notes");
    EXPECT_EQ(test::ReadFileBytes(Path("E.TXT")).substr(0, 8), "\"Meier\",");
    // Nor does the other file give the new one its mode.
    struct stat st;
    ASSERT_EQ(stat(Path("E.TXT").c_str(), &st), 0);
    EXPECT_NE(st.st_mode & 07777, 0604u);
}

// An export that fails at any write (no room, I/O error) leaves an old file
// of the name as it was and no cut export; a whole one keeps its mode.
TEST_F(DelimTest, ExportFailingAtAnyWriteLeavesTheOldFile) {
    Rows rows;
    for (int i = 0; i < 3000; ++i) rows.push_back(kSample[i % 2 == 0 ? 0 : 2]);
    const std::string dbf = Table("big.dbf", rows);
    const std::string old = Path("old.txt"), fresh = Path("new.txt");
    test::WriteFileBytes(old, "earlier export\r\n\x1A");
    ASSERT_EQ(chmod(old.c_str(), 0640), 0);
    ASSERT_TRUE(Use(dbf + " EXCLUSIVE", nullptr, 0));
    const size_t before = platform::FindFiles(Path("*.*")).size();
    for (const int error : {ENOSPC, EIO}) {
        for (int n = 1;; ++n) {
            SCOPED_TRACE("errno " + std::to_string(error) + " at write " + std::to_string(n));
            bool exported[2];
            {
                ScopedFaultPlan faults;
                faults.plan().failWrite = n;
                faults.plan().error = error;
                exported[0] = ExportText(old);
                faults.plan().writes = 0;
                exported[1] = ExportText(fresh);
            }
            EXPECT_EQ(exported[0], exported[1]);
            const auto files = platform::FindFiles(Path("*.*"));
            if (!exported[0]) {
                EXPECT_NE(EngineErrorCode, 0);
                EXPECT_EQ(test::ReadFileBytes(old), "earlier export\r\n\x1A");
                EXPECT_FALSE(platform::FileExists(fresh));
                EXPECT_EQ(files.size(), before) << "a cut file left";
                continue;
            }
            const std::string text = test::ReadFileBytes(old);
            EXPECT_EQ(text.size(), 3000u / 2 * (38 + 36) + 1);
            EXPECT_EQ(text.back(), '\x1A');
            EXPECT_EQ(test::ReadFileBytes(fresh), text);
            struct stat st {};
            ASSERT_EQ(stat(old.c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 0777, 0640u);
            EXPECT_EQ(files.size(), before + 1);
            ASSERT_GT(n, 2);  // more than one block written
            test::WriteFileBytes(old, "earlier export\r\n\x1A");
            platform::EraseFile(fresh);
            break;
        }
    }
}

TEST_F(DelimTest, RoundTripKeepsEveryFieldTypeAndTheCodePage) {
    const std::string a = Table("a.dbf", kSample);
    ASSERT_TRUE(Use(a + " EXCLUSIVE", nullptr, 0));
    ASSERT_TRUE(ExportText(Path("a.txt")));
    CloseArea();
    // The text file is in the Windows character set: the table's 850 bytes
    // converted, quotes in texts doubled.
    const std::string text = test::ReadFileBytes(Path("a.txt"));
    EXPECT_NE(text.find("\"Ma\xDF, \"\"x\"\"\""), std::string::npos) << text;
    EXPECT_NE(text.find("\"\xE4\xF6\xFC\xC4\xD6\xDC\""), std::string::npos) << text;

    const std::string b = Table("b.dbf");
    ASSERT_TRUE(Use(b + " EXCLUSIVE", nullptr, 0));
    ASSERT_TRUE(ImportText(Path("a.txt"), false)) << EngineErrorMsg;
    CloseArea();
    Rows ra = test::ReadAllRecords(a), rb = test::ReadAllRecords(b);
    ra[2][6] = R("9999.999", 10);  // stored left-aligned, written back right-aligned
    ASSERT_EQ(rb.size(), ra.size());
    for (size_t i = 0; i < ra.size(); ++i) {
        EXPECT_EQ(rb[i][2], std::string(10, ' '));  // no memo
        ra[i].erase(ra[i].begin() + 2);
        rb[i].erase(rb[i].begin() + 2);
        EXPECT_EQ(rb[i], ra[i]) << "record " << i + 1;
    }
    // The table itself holds code page 850.
    EXPECT_NE(test::ReadFileBytes(b).find("\x84\x94\x81\x8E\x99\x9A"), std::string::npos);
}

TEST_F(DelimTest, ColumnsFollowTheQuotes) {
    struct Case {
        const char* line;
        std::vector<std::string> columns;
    };
    const Case cases[] = {
        {"\"a,b\",c", {"a,b", "c"}},
        {"  \t\"x\"  ,  y", {"x  ", "y"}},
        {"\"He said \"\"hi\"\"\",\"\"", {"He said \"hi\"", ""}},
        {"\"ab\"cd,e", {"abcd", "e"}},
        {"\"unterminated,rest", {"unterminated,rest"}},
        {"a\"b,c", {"ab,c"}},
        {",,x", {"", "", "x"}},
    };
    for (const auto& c : cases) {
        const std::string line = c.line;
        std::vector<std::string> got;
        for (size_t pos = 0; pos < line.size();) got.push_back(TakeDelimitedColumn(line, pos));
        EXPECT_EQ(got, c.columns) << line;
    }
}

TEST_F(DelimTest, ImportAssignsByFieldType) {
    const Rows r = Import(
        "\"Sehr langer Name\",\"1.25\",yes,19991231,1e2,12.9\r\n"
        "x,-0.5,n,31.12.1999,abc,-7\r\n"
        "y,,t,00000000\r\n");
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0][1], "Sehr lange");
    EXPECT_EQ(r[0][3], "    1.25");
    EXPECT_EQ(r[0][4], "T");
    EXPECT_EQ(r[0][5], "19991231");
    EXPECT_EQ(r[0][6], "   100.000");
    EXPECT_EQ(r[0][7], "   12");  // integer part
    EXPECT_EQ(r[1][3], "   -0.50");
    EXPECT_EQ(r[1][4], "F");
    EXPECT_EQ(r[1][5], "19991231");  // a date text in the current format
    EXPECT_EQ(r[1][6], "     0.000");
    EXPECT_EQ(r[1][7], "   -7");
    EXPECT_EQ(r[2][4], "T");
    EXPECT_EQ(r[2][5], "        ");  // all zeros: the empty date
}

TEST_F(DelimTest, AllDigitDateColumnsOfAnotherLengthGiveTheEmptyDate) {
    const Rows r = Import(
        "a,1,T,1999\r\n"
        "b,1,T,199912310\r\n"
        "c,1,T,9912\r\n"
        "d,1,T,kein Datum\r\n"
        "e,1,T,20240229\r\n");
    ASSERT_EQ(r.size(), 5u);
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(r[i][5], "        ") << r[i][1];
    EXPECT_EQ(r[4][5], "20240229");
}

TEST_F(DelimTest, LinesAndEndMarks) {
    // Empty lines skipped; missing columns leave text and date blank.
    Rows r = Import("a\r\n\r\n\"b\",1\r\nc,2,T\r\n\nd\r\ne,5");
    ASSERT_EQ(r.size(), 5u);
    EXPECT_EQ(r[4][1], "e         ");
    EXPECT_EQ(r[0][5], "        ");
    EXPECT_EQ(r[0][3], "    0.00");  // a number's typed value has no blank
    // Lines ended by CR alone keep their first character.
    r = Import("ab,1\rcd,2\ref,3");
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[1][1], "cd        ");
    // The end mark ends a line; at the start of a line it ends the file.
    r = Import(
        "a\x1A"
        "b\r\n\x1A"
        "c\r\n");
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[1][1], "b         ");
    bool ok = false;
    EXPECT_TRUE(Import("\x1A"
                       "a,1\r\n",
                       &ok)
                    .empty());
    EXPECT_TRUE(ok);
    // A missing file is read as nothing, without an engine error.
    ASSERT_TRUE(Use(Table("m.dbf"), nullptr, 0));
    EXPECT_FALSE(ImportText(Path("missing"), false));
    EXPECT_EQ(EngineErrorCode, 0);
    EXPECT_EQ(RecCount(), 0);
}

struct RecordingProgress : EngineProgress {
    explicit RecordingProgress(int* steps, int* alive) : steps_(steps), alive_(alive) { ++*alive_; }
    ~RecordingProgress() override { --*alive_; }
    void Step() override { ++*steps_; }
    int* steps_;
    int* alive_;
};

TEST_F(DelimTest, ProgressBarFollowsTheLinesRead) {
    int created = 0, steps = 0, alive = 0;
    std::string caption;
    MakeEngineProgress = [&](const std::string& text) {
        ++created;
        caption = text;
        return std::make_unique<RecordingProgress>(&steps, &alive);
    };
    std::string text;
    for (int i = 0; i < 10; ++i) text += "\"" + std::string(97, 'a' + i) + "\"\r\n";
    test::WriteFileBytes(Path("p.txt"), text);  // 1010 bytes: a step per 10
    ASSERT_TRUE(Use(Table("p.dbf") + " EXCLUSIVE", nullptr, 0));
    ASSERT_TRUE(ImportText(Path("p.txt"), true));
    EXPECT_EQ(created, 1);
    EXPECT_EQ(caption, "Appending...");
    EXPECT_EQ(steps, 99);  // 990 characters of lines
    EXPECT_EQ(alive, 0);
    ASSERT_TRUE(ImportText(Path("p.txt"), false));
    EXPECT_EQ(created, 1);
}

TEST_F(DelimTest, VirtualTables) {
    InstallVFileHook();
    DecimalSeparator = '.';
    std::array<uint8_t, 1 + 6 + 6 + 1> buf{};
    ASSERT_TRUE(Use("mem LINKED LIST", buf.data(), buf.size()));
    ASSERT_TRUE(AddStru({{"NAME", 'C', 5, 0}, {"VAL", 'N', 6, 2}, {"OK", 'L', 1, 0}}));
    test::WriteFileBytes(Path("v.txt"), "\"abc\",1.25,Y\r\nde,-2,n\r\n");
    ASSERT_TRUE(ImportText(Path("v.txt"), false)) << EngineErrorMsg;
    EXPECT_EQ(RecCount(), 2);
    Go(1);
    EXPECT_EQ(FieldText(1), "abc");
    EXPECT_EQ(FieldText(2), "  1.25");
    EXPECT_EQ(FieldText(3), "Y");
    Go(2);
    EXPECT_EQ(FieldText(2), " -2.00");
    // Nothing is written for a virtual table.
    EXPECT_FALSE(ExportText(Path("vout.txt")));
    EXPECT_FALSE(platform::FileExists(Path("vout.txt")));
}

TEST_F(DelimTest, XBaseLayerStartAndEnd) {
    // A table still open at the start is closed with its appended record.
    const std::string path = Table("x.dbf");
    ASSERT_TRUE(Use(path + " EXCLUSIVE", nullptr, 0));
    Append();
    MemoHooks.close = [] {};
    DefaultShareMode = ShareExclusive;
    StartXBaseLayer();
    EXPECT_EQ(test::ReadAllRecords(path).size(), 1u);
    EXPECT_TRUE(XBaseLayerStarted);
    EXPECT_FALSE(MemoHooks.close);
    EXPECT_EQ(DefaultShareMode, ShareDenyNone);
    CurrentArea = 35;
    ASSERT_TRUE(Use(path + " ALIAS internal", nullptr, 0));
    Select(3);
    ASSERT_TRUE(Use(path, nullptr, 0));
    EndXBaseLayer();
    EXPECT_FALSE(XBaseLayerStarted);
    for (const auto& slot : WorkAreas) EXPECT_EQ(slot, nullptr);
}

}  // namespace
}  // namespace kor2
