// Damaged and hostile delimited input (very long lines, unterminated quotes,
// binary bytes, surplus columns, random files), damaged table texts on
// export, and failing reads and writes of the text file.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "tables/area/navigation.h"
#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginefile.h"
#include "tables/delim/delimited.h"
#include "tables/tbtestutil.h"

namespace kor2 {
namespace {

using Rows = std::vector<std::vector<std::string>>;

class DelimHostileTest : public test::EngineTest {
protected:
    // NAME C 10, VAL N 8.2, OK L.
    std::string Table() {
        const std::string path = Path("t" + std::to_string(++n_) + ".dbf");
        test::MakeTable(path, {{"NAME", 'C', 10, 0}, {"VAL", 'N', 8, 2}, {"OK", 'L', 1, 0}});
        return path;
    }
    // Imports text into a new table; a refusal is expected only where ok is given.
    Rows Import(const std::string& text, bool* ok = nullptr) {
        const std::string txt = Path("in.txt");
        test::WriteFileBytes(txt, text);
        const std::string dbf = Table();
        EXPECT_TRUE(Use(dbf + " EXCLUSIVE", nullptr, 0));
        const bool result = ImportText(txt, false);
        if (!ok || result) {
            EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
        } else {
            EXPECT_EQ(RecCount(), 0);  // refused before a record is written
        }
        if (ok) *ok = result;
        const int32_t count = RecCount();
        CloseArea();
        Rows rows = test::ReadAllRecords(dbf);
        EXPECT_EQ(static_cast<int32_t>(rows.size()), count);  // the table reopens whole
        return rows;
    }
    int n_ = 0;
};

TEST_F(DelimHostileTest, LongLinesStayOneRecord) {
    Rows r = Import("\"" + std::string(100000, 'x') + "\",7.5,T\r\nb,1\r\n");
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0][1], std::string(10, 'x'));
    EXPECT_EQ(r[0][2], "    7.50");
    EXPECT_EQ(r[0][3], "T");
    EXPECT_EQ(r[1][1], "b         ");
    // A 100 000-digit number is no number; beyond the kept length the rest
    // of a line is dropped, and the next line still is a record of its own.
    r = Import("a," + std::string(100000, '9') + "\r\n" + std::string(DelimMaxLine + 10, 'z') +
               ",1\r\nc,2\r\n");
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0][2], "    0.00");
    EXPECT_EQ(r[1][1], std::string(10, 'z'));
    EXPECT_EQ(r[2][2], "    2.00");
}

TEST_F(DelimHostileTest, UnterminatedQuotesAndSurplusColumns) {
    Rows r = Import("\"abc,1,T\r\nnext,2,\"T\r\n\"a\",3,T,x,y,\"z\",,,\r\n");
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0][1], "abc,1,T   ");  // the quote reaches to the end of its line only
    EXPECT_EQ(r[0][2], "    0.00");
    EXPECT_EQ(r[1][1], "next      ");
    EXPECT_EQ(r[1][3], "T");
    EXPECT_EQ(r[2][1], "a         ");
    EXPECT_EQ(r[2][2], "    3.00");
}

// Bytes a text file holds: the printable ones, the code page's letters, tab,
// the line and page controls, escape and the end-of-file mark.
bool TextByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b >= 0x20 || (b >= 0x07 && b <= 0x0D) || b == 0x1B || b == 0x1A;
}

TEST_F(DelimHostileTest, BinaryAndRandomInputNeverBreaksTheTable) {
    std::string binary;
    for (int c = 0; c < 256; ++c)
        if (c != '\r' && c != '\n' && c != DelimEndOfFile) binary += static_cast<char>(c);
    bool ok = true;
    EXPECT_EQ(Import(binary + "\r\n" + binary, &ok).size(), 0u);
    EXPECT_FALSE(ok);
    std::string text;
    for (char c : binary)
        if (TextByte(c)) text += c;
    EXPECT_EQ(Import(text + "\r\n" + text).size(), 2u);

    const std::string alphabet =
        std::string("\",\r\n\x1A\t TtYy0123456789.-+e") + '\0' + "\xFF\x84";
    std::mt19937 rng(4711);
    for (int round = 0; round < 200; ++round) {
        // Every other round holds only bytes of text.
        std::string random;
        const size_t len = rng() % 3000;
        for (size_t i = 0; i < len; ++i) {
            char c = rng() % 4 ? alphabet[rng() % alphabet.size()] : static_cast<char>(rng());
            if (round % 2 && !TextByte(c)) c = 'x';
            random += c;
        }
        size_t breaks = 1;
        for (char c : random) breaks += c == '\r' || c == '\n' || c == DelimEndOfFile;
        const bool allText = std::all_of(random.begin(), random.end(), TextByte);
        ok = false;
        const Rows r = Import(random, &ok);
        if (allText) {
            EXPECT_TRUE(ok);
        }
        EXPECT_LE(r.size(), breaks);
    }
}

TEST_F(DelimHostileTest, BinaryFileIsRefusedBeforeARecordIsWritten) {
    const std::string dbf = Table();
    test::AppendRaw(dbf, {{" ", "kept", "    1.00", "T"}});
    const std::string before = test::ReadFileBytes(dbf);
    ASSERT_TRUE(Use(dbf + " EXCLUSIVE", nullptr, 0));
    // Good lines first: the refusal comes before any of them is appended.
    const std::string bin = Path("prog.bin");
    test::WriteFileBytes(bin, "\"a\",1,T\r\n\"b\",2,F\r\n\x7F" "ELF\x02\x01\x01" + std::string(3, '\0') +
                                  "\r\n\x90\x90\n");
    EXPECT_FALSE(ImportText(bin, false));
    ExpectError(13, "prog.bin ist keine Textdatei (Byte 02h an Stelle 23) [ImportText]");
    EXPECT_EQ(RecCount(), 1);
    CloseArea();
    EXPECT_TRUE(test::ReadFileBytes(dbf) == before) << "the table file changed";

    // Text with tabs, page breaks, escapes and the code page's letters is
    // taken, and so is a file whose end-of-file mark is followed by junk.
    ASSERT_TRUE(Use(dbf + " EXCLUSIVE", nullptr, 0));
    const std::string txt = Path("dos.txt");
    test::WriteFileBytes(txt, std::string("\t\"M\x81ller\x7F\",2,T\r\n\x0C\x1B\"x\",3\r\n\x1A") +
                                  std::string(5, '\0') + "\x01\x02");
    EXPECT_TRUE(ImportText(txt, false)) << EngineErrorMsg;
    EXPECT_EQ(RecCount(), 3);
    CloseArea();
    const Rows r = test::ReadAllRecords(dbf);
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[1][1].substr(2), "ller\x7F   ");
    EXPECT_EQ(r[2][2], "    3.00");
}

TEST_F(DelimHostileTest, DamagedTableTextsKeepTheLineStructure) {
    const std::string dbf = Table();
    test::AppendRaw(dbf, {{" ",
                           "a\r\nb\x1A"
                           "c",
                           "  1,5", "T"},
                          {" ", "\"q\"", "\"2\"", "F"}});
    ASSERT_TRUE(Use(dbf + " EXCLUSIVE", nullptr, 0));
    ASSERT_TRUE(ExportText(Path("d.txt")));
    EXPECT_EQ(test::ReadFileBytes(Path("d.txt")),
              "\"a  b c\",\"1,5\",T\r\n\"\"\"q\"\"\",\"\"\"2\"\"\",F\r\n\x1A");
    CloseArea();
    const Rows r = Import(test::ReadFileBytes(Path("d.txt")));
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0][1], "a  b c    ");
    EXPECT_EQ(r[1][1], "\"q\"       ");
}

TEST_F(DelimHostileTest, FailingWritesAndReadsAreReported) {
    const std::string dbf = Table();
    std::vector<std::vector<std::string>> rows;
    for (int i = 0; i < 6000; ++i) rows.push_back({" ", "n" + std::to_string(i), "    1.00", "T"});
    test::AppendRaw(dbf, rows);
    ASSERT_TRUE(Use(dbf + " EXCLUSIVE", nullptr, 0));
    EXPECT_FALSE(ExportText(Path("nofolder/x.txt")));
    EXPECT_NE(EngineErrorCode, 0);
    EXPECT_NE(EngineErrorMsg.find("[ExportText]"), std::string::npos);
    {
        ScopedFaultPlan faults;
        faults.plan().failWrite = 2;
        EXPECT_FALSE(ExportText(Path("w.txt")));
        ExpectError(101, "w.txt [ExportText]");
    }
    ASSERT_TRUE(ExportText(Path("whole.txt")));  // more than one read block
    CloseArea();

    // The reads of a whole import: the file is read once to check it, then
    // again to append its lines.
    ASSERT_TRUE(Use(Table() + " EXCLUSIVE", nullptr, 0));
    int64_t reads = 0;
    {
        ScopedFaultPlan faults;
        ASSERT_TRUE(ImportText(Path("whole.txt"), false));
        reads = faults.plan().reads;
    }
    EXPECT_EQ(RecCount(), 6000);
    CloseArea();

    const std::string target = Table();
    ASSERT_TRUE(Use(target + " EXCLUSIVE", nullptr, 0));
    {
        // A read failing while the file is checked appends nothing.
        ScopedFaultPlan faults;
        faults.plan().failRead = 2;
        EXPECT_FALSE(ImportText(Path("whole.txt"), false));
    }
    EXPECT_EQ(RecCount(), 0);
    {
        // The last read fails while the lines are appended.
        ScopedFaultPlan faults;
        faults.plan().failRead = reads;
        EXPECT_FALSE(ImportText(Path("whole.txt"), false));
    }
    const int32_t kept = RecCount();
    EXPECT_GT(kept, 0);
    EXPECT_LT(kept, 6000);
    CloseArea();
    // Only whole lines became records.
    const Rows r = test::ReadAllRecords(target);
    ASSERT_EQ(static_cast<int32_t>(r.size()), kept);
    EXPECT_EQ(r.back()[1], test::ReadAllRecords(dbf)[kept - 1][1]);
    EXPECT_EQ(r.back()[2], "    1.00");
}

}  // namespace
}  // namespace kor2
