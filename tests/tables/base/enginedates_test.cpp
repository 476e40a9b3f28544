// Date formats, the year window and the name tables of the table engine.
#include <gtest/gtest.h>

#include "platform/oemtext.h"
#include "support/tempdir.h"
#include "tables/area/engine.h"
#include "tables/base/enginedates.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginestrings.h"
#include "tables/base/filenames.h"
#include "tables/base/journal.h"

#include <algorithm>
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

// A change's journal cut at any byte, or whole but not ready, is taken back
// with the new files it names and nothing else; ready, its renames that are
// left are made. A change that fails before its renames leaves nothing.
TEST(TbFiles, ChangeJournalIsCompletedOrTakenBack) {
    test::TempDir dir;
    InitTableEngine();
    ErrorHandling = false;
    const std::string table = dir.file("t.dbf"), memo = dir.file("t.dbt");
    const std::string journal = TableJournalName(table);
    const auto put = [](const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    };
    const auto read = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    const auto files = [&] {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    JournalRules rules;
    rules.journal = journal;
    rules.targets = {"t.dbf", "t.dbt"};
    rules.table = table;
    put(table, "old table");
    put(memo, "old memo");
    put(dir.file("KOR0001.TMP"), "another program's");
    const std::vector<std::string> before = files();
    // A change that fails takes back what it made.
    {
        ChangeJournal j(journal, "Test");
        j.Plan("t.dbf");
        ASSERT_TRUE(j.Begin()) << EngineErrorMsg;
        ASSERT_NE(j.Make(0), nullptr);
    }
    EXPECT_EQ(files(), before);
    // Killed between its renames: the journal and one new file are left.
    std::string whole;
    std::string fresh[2];
    {
        ChangeJournal j(journal, "Test");
        j.Plan("t.dbf");
        j.Plan("t.dbt");
        ASSERT_TRUE(j.Begin()) << EngineErrorMsg;
        for (size_t i = 0; i < 2; ++i) {
            auto f = j.Make(i);
            ASSERT_NE(f, nullptr);
            f->WriteAt(0, "new", 3);
            fresh[i] = j.NewPath(i);
        }
        ASSERT_TRUE(j.Ready());
        whole = read(journal);
        ASSERT_TRUE(j.Put(0));
        // Kept for the next opener: one rename is missing.
    }
    EXPECT_EQ(read(table), "new");
    EXPECT_EQ(CompleteJournal(rules).found, JournalFound::Completed);
    EXPECT_EQ(read(memo), "new");
    EXPECT_EQ(files(), before);
    // Every cut of the journal before its ready mark takes the change back;
    // no new file is made before the journal is whole.
    const size_t readyAt = whole.rfind("READY"), endAt = whole.rfind("END");
    ASSERT_NE(readyAt, std::string::npos);
    for (size_t cut = 0; cut <= readyAt; ++cut) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        put(table, "old table");
        put(memo, "old memo");
        for (const std::string& f : fresh)
            if (cut > endAt) put(f, "new");
        put(journal, whole.substr(0, cut));
        const JournalFound found = CompleteJournal(rules).found;
        EXPECT_NE(found, JournalFound::Completed);
        EXPECT_EQ(read(table), "old table");
        EXPECT_EQ(read(memo), "old memo");
        if (found == JournalFound::Cleared) {
            EXPECT_EQ(files(), before);
        }
    }
}

}  // namespace
}  // namespace kor2
