// Date formats, the year window and the name tables of the table engine.
#include <gtest/gtest.h>

#include "platform/oemtext.h"
#include "support/tempdir.h"
#include "tables/area/engine.h"
#include "tables/base/enginedates.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginestrings.h"
#include "tables/base/filenames.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace kor2 {
namespace {

class DatesTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitTableEngine();
        CenturyDisplay = false;
        YearWindowStart = 2026 - 70;
        SetDateFormat(5);
    }
};

TEST_F(DatesTest, ValidityInGermanFormat) {
    std::string leap2000 = "29.02.2000", leap1900 = "29.02.1900", april = "31.04.1998";
    EXPECT_TRUE(IsValidDate(leap2000));
    EXPECT_EQ(leap2000, "29.02.00");  // written back with two year digits
    EXPECT_FALSE(IsValidDate(leap1900));
    EXPECT_FALSE(IsValidDate(april));
    std::string empty = "  .  .  ", junk = "3x.01.98";
    EXPECT_TRUE(IsValidDate(empty));
    EXPECT_FALSE(IsValidDate(junk));
    std::string shortParts = "1.3.98";
    EXPECT_TRUE(IsValidDate(shortParts));
    EXPECT_EQ(shortParts, "01.03.98");
}

TEST_F(DatesTest, StoredFormRoundTripAndYearWindow) {
    EXPECT_EQ(DbfToDate("19980317"), "17.03.98");
    EXPECT_EQ(DateToDbf("17.03.98"), "19980317");
    EXPECT_EQ(DateToDbf("17.03.55"), "20550317");
    EXPECT_EQ(DateToDbf("17.03.56"), "19560317");
    EXPECT_EQ(DbfToDate("        "), "  .  .  ");
    EXPECT_EQ(DbfToDate("00000000"), "  .  .  ");
    EXPECT_EQ(DateToDbf("  .  .  "), "        ");
    CenturyDisplay = true;
    EXPECT_EQ(DbfToDate("19980317"), "17.03.1998");
    EXPECT_EQ(DateToDbf("17.03.1998"), "19980317");
    SetDateFormat(1);
    EXPECT_EQ(DbfToDate("19980317"), "1998.03.17");
    EXPECT_EQ(EmptyDateText(1), "    .  .  ");
    SetDateFormat(0);
    EXPECT_EQ(DbfToDate("19980317"), "03/17/1998");
    EXPECT_EQ(DateToDbf("03/17/1998"), "19980317");
}

TEST_F(DatesTest, WeekdaysAndNames) {
    EXPECT_EQ(DayOfWeekOfDate("01.01.00"), 7);  // 1 January 2000, a Saturday
    EXPECT_EQ(DayOfWeekOfDate("17.03.98"), 3);  // a Tuesday
    EXPECT_EQ(DayName("01.01.00"), "Samstag");
    EXPECT_EQ(MonthName("01.03.00"), "März"_oem);
    EXPECT_EQ(DayName("  .  .  "), "");
    SetDateFormat(8);
    // Saturday in code page 866.
    EXPECT_EQ(DayName("01.01.00"), "\x91\xE3\xA1\xA1\xAE\xE2\xA0");
    EXPECT_EQ(YearOfDate("01.01.00"), 2000);
}

TEST_F(DatesTest, FormatIndexAboveEightIsFormatZero) {
    SetDateFormat(12);
    EXPECT_EQ(DateFormatIndex, 0);
    EXPECT_EQ(DateSeparator, '/');
    EXPECT_EQ(ShortDatePicture, "MM/dd/yy");
    EXPECT_EQ(EmptyDateText(DateFormatIndex), "  /  /  ");
}

TEST(TbStrings, NumberTextsAndSearch) {
    DecimalSeparator = ',';
    ThousandsSeparator = '.';
    EXPECT_EQ(TextToReal("1.234,5"), 1234.5L);
    EXPECT_EQ(TextToIntPart(" 12,9"), 12);
    EXPECT_EQ(RealToText(3.14159L, 8, 2), "    3,14");
    DecimalSeparator = '.';
    ThousandsSeparator = ',';
    EXPECT_EQ(FormatStoredReal(-2.5L, 7, 3), " -2.500");
    EXPECT_EQ(NthPos("ab", "xabyabzab", -1), 8);
    EXPECT_EQ(NthPos("ab", "xabyabzab", 2), 5);
    EXPECT_EQ(Occurs("aa", "aaaa"), 2);
    const std::string hay = "Hello Welt";
    EXPECT_EQ(BufferPosNoCase("WELT", 4, hay.data(), static_cast<int64_t>(hay.size())), 6);
    EXPECT_EQ(AllTrim("\t x \r\n"), "x");
}

TEST(TbFiles, NamesAndErasing) {
    const SplitName s = SplitFileName("C:\\DATEN\\KUNDEN.DBF");
    EXPECT_EQ(s.dir, "C:\\DATEN\\");
    EXPECT_EQ(s.name, "KUNDEN");
    EXPECT_EQ(s.ext, ".DBF");
    EXPECT_EQ(DefaultExtension("a.b\\kunden  ", "DBF"), "a.b\\kunden.DBF");
    EXPECT_EQ(DefaultExtension("kunden.x", "DBF"), "kunden.x");
    EXPECT_EQ(ForceExtension("kunden.dbf", "DBT"), "kunden.DBT");
    test::TempDir dir;
    for (const char* n : {"a1.tmp", "a2.tmp", "b.dat"}) std::ofstream(dir.file(n)) << "x";
    InitTableEngine();
    ErrorHandling = false;
    EraseFiles(dir.file("a*.tmp"));
    EXPECT_EQ(EngineErrorCode, 0);
    EXPECT_FALSE(FileExistsP(dir.file("a1.tmp")));
    EXPECT_TRUE(FileExistsP(dir.file("b.dat")));
    EraseFiles(dir.file("fehlt.dat"));
    EXPECT_EQ(EngineErrorCode, 2);
    EXPECT_EQ(EngineErrorMsg, "Fehler beim Löschen von "_oem + dir.file("fehlt.dat"));
    const std::string temp = UniqueFilename();
    EXPECT_TRUE(FileExistsP(temp));
    EraseFiles(temp);
}

// A rename journal cut at any byte is dropped with the new files it names,
// every other file kept; whole, it makes the renames that are left.
TEST(TbFiles, RenameJournalIsCompletedWholeOrDropped) {
    test::TempDir dir;
    std::filesystem::create_directory(dir.file("idx"));
    const std::string table = dir.file("t.dbf"), journal = RenameJournalName(table);
    const std::vector<PendingRename> renames = {
        {dir.file("KOR0001.TMP"), table},
        {dir.file("KOR0002.TMP"), dir.file("t.dbt")},
        {dir.file("idx/KOR0003.TMP"), dir.file("idx/k.ndx")}};
    // A file's content as new or old; an index names its table in its header.
    const auto content = [](const std::string& age, const std::string& path) {
        const std::string text = age + " " + path;
        if (path.find(".ndx") == std::string::npos) return text;
        return text + std::string(IndexTableNameAt - text.size(), ' ') + "T.DBF";
    };
    const auto put = [](const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    };
    const auto read = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    std::string whole;
    {
        RenameJournal j(table);
        uint16_t io = 0;
        ASSERT_TRUE(j.Write(renames, io)) << io;
        whole = read(journal);
    }
    const auto setUp = [&](const std::string& text) {
        for (const PendingRename& r : renames) {
            put(r.from, content("new", r.to));
            put(r.to, content("old", r.to));
        }
        put(dir.file("other.txt"), "x");
        put(journal, text);
    };
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        setUp(whole.substr(0, cut));
        EXPECT_FALSE(CompleteRenameJournal(table));
        for (const PendingRename& r : renames) EXPECT_EQ(read(r.to), content("old", r.to));
        EXPECT_TRUE(FileExistsP(dir.file("other.txt")));
        EXPECT_FALSE(FileExistsP(journal));
    }
    // Killed after the table's rename: the others follow.
    setUp(whole);
    std::filesystem::rename(renames[0].from, table);
    EXPECT_TRUE(CompleteRenameJournal(table));
    for (const PendingRename& r : renames) {
        EXPECT_EQ(read(r.to), content("new", r.to));
        EXPECT_FALSE(FileExistsP(r.from));
    }
    EXPECT_FALSE(FileExistsP(journal));
}

}  // namespace
}  // namespace kor2
