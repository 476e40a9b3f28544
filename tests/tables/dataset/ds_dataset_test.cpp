// Tests of the dBase data set: cursor errors, opening, typed fields,
// navigation with hidden deleted records, bookmarks, edit/insert/post/cancel,
// field definitions and their corrections, dates and file names.
#include <gtest/gtest.h>

#include "ds_testutil.h"
#include "platform/oemtext.h"
#include "tables/area/engine.h"
#include "tables/area/navigation.h"
#include "tables/area/workareas.h"

namespace kor2::test {
namespace {

std::string ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(nothing raised)";
}

using DsCursor = DsTest;

TEST_F(DsCursor, CheckErrorTexts) {
    TTbDbf ds;
    EXPECT_NO_THROW(ds.CheckError(0));
    EXPECT_EQ(ErrorOf([&] { ds.CheckError(1402); }), "Dataset error: 1402");
    EXPECT_EQ(ErrorOf([&] { ds.CheckError(1401); }), "Dataset error: 1401");
    EXPECT_EQ(ErrorOf([&] { ds.CheckError(1404); }), "Missing DbfFilename property");
    SetErrorHandling(false);
    SetEngineError(2, "[X]");
    EXPECT_EQ(ErrorOf([&] { ds.CheckError(2); }).rfind("Dataset error: Fehler Nr. 2", 0), 0u);
}

TEST_F(DsCursor, OpenWithoutNameOrFileFailsAndStaysClosed) {
    TTbDbf ds;
    ds.Name = "TAB";
    EXPECT_EQ(ErrorOf([&] { ds.Open(); }), "Missing DbfFilename property");
    EXPECT_FALSE(ds.Active());
    Select(3);
    ds.CreateIfNotFound = false;
    ds.SetDbfFileName(Path("missing"));
    EXPECT_EQ(ds.DbfFileName(), Path("missing") + ".DBF");
    EXPECT_EQ(ErrorOf([&] { ds.Open(); }).rfind("Dataset error: Fehler Nr. 2", 0), 0u);
    EXPECT_FALSE(ds.Active());
    EXPECT_EQ(CurrentAreaNo(), 3);  // the previous area stays selected
    EXPECT_EQ(ds.WorkArea(), 0);
}

TEST_F(DsCursor, DamagedTableIsRefusedWithTheEngineText) {
    WriteFileBytes(Path("bad.dbf"), Bytes({0x03, 1, 2, 3, 0xFF, 0xFF, 0xFF, 0x7F, 0x21, 0, 5, 0}));
    TTbDbf ds;
    ds.Name = "TAB";
    ds.CreateIfNotFound = false;
    ds.SetDbfFileName(Path("bad.dbf"));
    const std::string msg = ErrorOf([&] { ds.Open(); });
    EXPECT_EQ(msg.rfind("Dataset error: Fehler Nr. ", 0), 0u) << msg;
    EXPECT_FALSE(ds.Active());
    EXPECT_EQ(ds.WorkArea(), 0);
}

TEST_F(DsCursor, CommandOnClosedDataSetNamesTheCommand) {
    TTbDbf ds;
    ds.Name = "TAB";
    const std::string msg = ErrorOf([&] { ds.Go(1); });
    EXPECT_NE(msg.find("Datenbank ist nicht offen [TAB.Go]"), std::string::npos) << msg;
}

TEST_F(DsCursor, EngineRestartedAfterTheSetWasMadeStillRaises) {
    TTbDbf ds;
    ds.Name = "TAB";
    InitTableEngine();  // resets the engine's error mode
    ErrorHandling = true;
    EXPECT_THROW(ds.Go(1), ETableError);  // not a halt of the program
}

TEST_F(DsCursor, TableClosedBehindTheSetIsNotUsed) {
    TTbDbf ds;
    OpenOn(ds, Sample(3));
    CloseAllAreas();
    const std::string msg = ErrorOf([&] { ds.Next(); });
    EXPECT_NE(msg.find("Datenbank ist nicht offen [TAB."), std::string::npos) << msg;
    EXPECT_EQ(ds.WorkArea(), 0);
    ds.Close();
    EXPECT_FALSE(ds.Active());
}

TEST_F(DsCursor, FieldsHaveTheEngineTypesAndValues) {
    TTbDbf ds;
    OpenOn(ds, Sample());
    ASSERT_EQ(ds.TDataSet::FieldCount(), 5);
    EXPECT_NE(dynamic_cast<TStringField*>(&ds.Fields(0)), nullptr);
    EXPECT_NE(dynamic_cast<TTbFloatField*>(&ds.FieldByName("PRICE")), nullptr);
    EXPECT_NE(dynamic_cast<TTbIntegerField*>(&ds.FieldByName("QTY")), nullptr);
    EXPECT_NE(dynamic_cast<TTbDateField*>(&ds.FieldByName("DAY")), nullptr);
    EXPECT_NE(dynamic_cast<TBooleanField*>(&ds.FieldByName("OK")), nullptr);
    EXPECT_EQ(ds.Fields(0).AsString(), "R1");  // trailing blanks dropped
    EXPECT_DOUBLE_EQ(ds.FieldByName("PRICE").AsFloat(), 1.5);
    EXPECT_EQ(ds.FieldByName("QTY").AsInteger(), 1);
    EXPECT_EQ(ds.FieldByName("DAY").AsString(), "01.01.2020");
    EXPECT_EQ(ds.FieldByName("DAY").AsDateTime(), EncodeDate(2020, 1, 1));
    EXPECT_TRUE(ds.FieldByName("OK").AsBoolean());
    const std::vector<std::string> want = {"NAME, C, 10, 0", "PRICE, N, 8, 2", "QTY, N, 5, 0",
                                           "DAY, D, 8, 0", "OK, L, 1, 0"};
    EXPECT_EQ(ds.DbfFields, want);
    EXPECT_EQ(ds.RecordCount(), 10);
}

TEST_F(DsCursor, NavigationGivesEofOnceAndLeavesTheAreaOnTheLastRecord) {
    TTbDbf ds;
    OpenOn(ds, Sample(3));
    int scrolls = 0;
    ds.AfterScroll = [&](TDataSet&) { ++scrolls; };
    ds.Next();
    ds.Next();
    EXPECT_FALSE(ds.Eof());
    EXPECT_EQ(ds.RecNo(), 3);
    ds.Next();
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(ds.RecNo(), 3);
    Select(ds.WorkArea());
    EXPECT_EQ(RecNo(), 3);
    EXPECT_FALSE(dEOF());
    ds.Prior();
    EXPECT_EQ(ds.RecNo(), 2);
    ds.First();
    ds.Prior();
    EXPECT_TRUE(ds.Bof());
    EXPECT_EQ(ds.RecNo(), 1);
    EXPECT_EQ(scrolls, 6);
    ds.SetRecNo(1);  // the current record: no scroll
    EXPECT_EQ(scrolls, 6);
    ds.SetRecNo(3);
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "R3");
    ds.SetRecNo(99);  // no such record: stays
    EXPECT_EQ(ds.RecNo(), 3);
}

TEST_F(DsCursor, HiddenDeletedRecordsAreSkipped) {
    const std::string path = Sample(5);
    TTbDbf ds;
    OpenOn(ds, path);
    ds.Next();
    ds.Delete();  // record 2 marked, still shown
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_TRUE(ds.IsRecordDeleted());
    ds.SetHideDeletedRecs(true);
    EXPECT_NE(ds.RecNo(), 2);
    std::vector<int> seen;
    for (ds.First(); !ds.Eof(); ds.Next()) seen.push_back(ds.RecNo());
    EXPECT_EQ(seen, (std::vector<int>{1, 3, 4, 5}));
    for (ds.Last(); !ds.Bof(); ds.Prior()) seen.push_back(ds.RecNo());
    EXPECT_EQ(seen, (std::vector<int>{1, 3, 4, 5, 5, 4, 3, 1}));
    ds.SetHideDeletedRecs(false);
    ds.Go(2);
    EXPECT_EQ(ds.RecNo(), 2);
    int before = 0, after = 0;
    ds.BeforeRestore = [&](TDataSet&) { ++before; };
    ds.AfterRestore = [&](TDataSet&) { ++after; };
    ds.SetRecordDeleted(false);
    EXPECT_FALSE(ds.IsRecordDeleted());
    EXPECT_EQ(before + after, 2);
    EXPECT_EQ(Rows(path)[1][0], " ");
}

TEST_F(DsCursor, AllRecordsHiddenIsAnEmptySet) {
    const std::string path = Sample(2);
    AppendRaw(path, {});
    TTbDbf ds;
    ds.SetHideDeletedRecs(true);
    OpenOn(ds, path);
    ds.Delete();
    ds.Delete();
    EXPECT_TRUE(ds.IsEmpty());
    EXPECT_TRUE(ds.Eof());
    EXPECT_TRUE(ds.FieldByName("NAME").IsNull());
    EXPECT_THROW(ds.Delete(), EDatabaseError);
}

TEST_F(DsCursor, BookmarksAndTheirComparison) {
    TTbDbf ds;
    OpenOn(ds, Sample());
    ds.MoveBy(4);
    const TBookmark b5 = ds.GetBookmark();
    ds.Last();
    const TBookmark b10 = ds.GetBookmark();
    EXPECT_EQ(ds.CompareBookmarks(b5, b10), -1);
    EXPECT_EQ(ds.CompareBookmarks(b10, b5), 1);
    EXPECT_EQ(ds.CompareBookmarks(b5, b5), 0);
    EXPECT_EQ(ds.CompareBookmarks({}, b5), 1);
    EXPECT_EQ(ds.CompareBookmarks(b5, {}), -1);
    EXPECT_EQ(ds.CompareBookmarks({}, {}), 0);
    EXPECT_TRUE(ds.BookmarkValid(b5));
    EXPECT_FALSE(ds.BookmarkValid(TBookmark{99, 0, 0, 0}));
    ds.GotoBookmark(b5);
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "R5");
    ds.Next();  // the validity checks moved the cursor, not the data set
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "R6");
}

TEST_F(DsCursor, EditPostCancelAndAppendReachTheFile) {
    const std::string path = Sample(3);
    TTbDbf ds;
    OpenOn(ds, path);
    ds.Next();
    ds.Edit();
    ds.FieldByName("NAME").SetAsString("Changed");
    ds.FieldByName("PRICE").SetAsFloat(12.345);
    ds.FieldByName("QTY").SetAsInteger(-7);
    ds.FieldByName("DAY").SetAsString("29.02.2024");
    ds.FieldByName("OK").SetAsBoolean(true);
    ds.Post();
    auto rows = Rows(path);
    EXPECT_EQ(rows[1][1], "Changed   ");
    EXPECT_EQ(rows[1][2], "   12.35");
    EXPECT_EQ(rows[1][3], "   -7");
    EXPECT_EQ(rows[1][4], "20240229");
    EXPECT_EQ(rows[1][5], "T");
    EXPECT_DOUBLE_EQ(ds.FieldByName("PRICE").AsFloat(), 12.35);  // the field's decimals only

    ds.Edit();
    ds.FieldByName("NAME").SetAsString("Lost");
    ds.Cancel();
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "Changed");
    EXPECT_EQ(Rows(path)[1][1], "Changed   ");

    ds.Append();
    ds.FieldByName("NAME").SetAsString("New");
    ds.FieldByName("DAY").Clear();
    ds.Post();
    rows = Rows(path);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[3][1], "New       ");
    EXPECT_EQ(rows[3][4], "        ");
    EXPECT_EQ(ds.RecNo(), 4);
    EXPECT_TRUE(ds.FieldByName("DAY").IsNull());

    ds.Insert();  // the dBase sets append
    ds.FieldByName("NAME").SetAsString("Ins");
    ds.Post();
    EXPECT_EQ(Rows(path).size(), 5u);
}

TEST_F(DsCursor, FieldChangesOutsideEditAndOnReadOnlyFieldsAreRefused) {
    TTbDbf ds;
    OpenOn(ds, Sample(2));
    EXPECT_EQ(ErrorOf([&] { ds.FieldByName("NAME").SetAsString("x"); }),
              std::string("Datenmenge weder im Editier- noch im Einfügemodus"_oem));
    ds.FieldByName("NAME").SetReadOnly(true);
    ds.Edit();
    EXPECT_EQ(ErrorOf([&] { ds.FieldByName("NAME").SetAsString("x"); }),
              std::string("Feld 'NAME' kann nicht verändert werden"_oem));
    EXPECT_THROW(ds.FieldByName("DAY").SetAsString("31.02.2020"), EConvertError);
    ds.FieldByName("DAY").SetAsString("  .  .    ");
    EXPECT_TRUE(ds.FieldByName("DAY").IsNull());
    ds.Cancel();
}

TEST_F(DsCursor, NumbersTheFieldCannotHoldAreRefusedAndNothingIsWritten) {
    const std::string path = Sample(1);
    TTbDbf ds;
    OpenOn(ds, path);
    ds.Edit();
    // PRICE N(8,2) holds -9999.99 to 99999.99, QTY N(5) -9999 to 99999.
    EXPECT_EQ(ErrorOf([&] { ds.FieldByName("PRICE").SetAsFloat(123456); }),
              std::string("Feld PRICE (N 8,2): 123456.00 passt nicht, möglich sind "
                          "-9999.99 bis 99999.99"_oem));
    EXPECT_EQ(ErrorOf([&] { ds.FieldByName("PRICE").SetAsFloat(99999.995); }).substr(0, 30),
              "Feld PRICE (N 8,2): 100000.00 ");
    EXPECT_EQ(
        ErrorOf([&] { ds.FieldByName("QTY").SetAsInteger(-10000); }),
        std::string("Feld QTY (N 5,0): -10000 passt nicht, möglich sind -9999 bis 99999"_oem));
    EXPECT_THROW(ds.FieldByName("QTY").SetAsString("123456"), EDatabaseError);
    EXPECT_DOUBLE_EQ(ds.FieldByName("PRICE").AsFloat(), 1.5);  // the field keeps its value
    ds.FieldByName("PRICE").SetAsFloat(-9999.99);              // the widest that fit
    ds.FieldByName("QTY").SetAsInteger(99999);
    ds.Post();
    const auto rows = Rows(path);
    EXPECT_EQ(rows[0][2], "-9999.99");
    EXPECT_EQ(rows[0][3], "99999");
}

TEST_F(DsCursor, LocateAndLookup) {
    TTbDbf ds;
    OpenOn(ds, Sample());
    EXPECT_TRUE(ds.Locate("NAME", {"r7"}, TLocateOptions{true, false}));
    EXPECT_EQ(ds.RecNo(), 7);
    EXPECT_FALSE(ds.Locate("NAME", {"r8"}, TLocateOptions{}));
    EXPECT_TRUE(ds.Locate("NAME", {"R1"}, TLocateOptions{false, true}));
    EXPECT_EQ(ds.RecNo(), 1);
    const auto values = ds.Lookup("NAME", {"R4"}, "QTY;OK");
    EXPECT_EQ(values, (std::vector<std::string>{"4", "False"}));
    EXPECT_EQ(ds.RecNo(), 1);
    ds.Next();
    EXPECT_EQ(ds.RecNo(), 2);
}

TEST_F(DsCursor, FieldDefinitionsAreCorrectedAndReportedOnce) {
    TTbDbf ds;
    ds.Name = "TAB";
    DbfFieldSpec n{"BIG", 'N', 25, 20};
    EXPECT_TRUE(ds.CheckFieldDef(n));
    EXPECT_EQ(n.length, 20);
    EXPECT_EQ(n.decimals, 18);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0],
              "Invalid field definition for TAB: BIG,N,25,20. Will use corrected definition: "
              "BIG,N,20,18");
    DbfFieldSpec c{"TEXT", 'C', 300, 2};
    ds.CheckFieldDef(c);
    EXPECT_EQ(c.length, 254);
    EXPECT_EQ(c.decimals, 0);
    DbfFieldSpec g{"PIC", 'G', 10, 0}, q{"Q", 'Q', 5, 0}, tight{"T", 'N', 3, 2},
        tiny{"U", 'N', 1, 1};
    ds.CheckFieldDef(g);
    ds.CheckFieldDef(q);
    ds.CheckFieldDef(tight);
    ds.CheckFieldDef(tiny);
    EXPECT_EQ(g.type, 'M');
    EXPECT_EQ(q.type, 'C');
    EXPECT_EQ(tight.decimals, 1);
    EXPECT_EQ(tiny.decimals, 0);
    SetMessageMode(1);
    DbfFieldSpec quiet{"X", 'N', 30, 0};
    const size_t shown = boxes.size();
    ds.CheckFieldDef(quiet);
    EXPECT_EQ(boxes.size(), shown);
    SetMessageMode(2);
}

TEST_F(DsCursor, TableIsCreatedFromDbfFields) {
    TTbDbf ds;
    ds.Name = "NEWT";
    ds.DbfFields = {"ID, N, 6, 0", "TITLE, C, 20, 0", "SKIP, X, 1, 0", "WHEN, D, 8, 0"};
    ds.SetDbfFileName(Path("newt"));
    ds.Open();
    EXPECT_EQ(ds.TDataSet::FieldCount(), 3);
    EXPECT_TRUE(ds.IsEmpty());
    ds.Append();
    ds.FieldByName("TITLE").SetAsString("first");
    ds.Post();
    EXPECT_EQ(Rows(Path("newt.DBF")).size(), 1u);

    TTbDbf bad;
    bad.Name = "BAD";
    bad.DbfFields = {"ID, N, 6"};
    bad.SetDbfFileName(Path("bad"));
    EXPECT_FALSE(bad.CreateDbfFromFields());
    bad.DbfFields.clear();
    EXPECT_FALSE(bad.CreateDbfFromFields());
    EXPECT_EQ(boxes.back(), "FieldList.Count ist <= 0 beim Versuch, eine Datenbank zu erzeugen");
}

TEST_F(DsCursor, DatesKeepTheirCenturyWithTwoDigitYears) {
    const std::string path = Sample(1);
    AppendRaw(path, {{" ", "Old", "1.00", "1", "18500601", "T"}});
    CenturyDisplay = false;
    TTbDbf ds;
    OpenOn(ds, path);
    ds.Last();
    EXPECT_EQ(ds.FieldByName("DAY").AsDateTime(), EncodeDate(1850, 6, 1));
    ds.Edit();
    ds.FieldByName("QTY").SetAsInteger(2);  // another field: the date stays as it is
    ds.Post();
    EXPECT_EQ(Rows(path)[1][4], "18500601");
    ds.Edit();
    ds.FieldByName("DAY").SetAsDateTime(EncodeDate(1776, 7, 4));
    ds.Post();
    EXPECT_EQ(Rows(path)[1][4], "17760704");
    EXPECT_EQ(ds.FieldByName("DAY").AsDateTime(), EncodeDate(1776, 7, 4));
}

TEST_F(DsCursor, FileNamesGetTheDefaultExtension) {
    TTbDbf ds;
    ds.SetDbfFileName("  table ");
    EXPECT_EQ(ds.DbfFileName(), "table.DBF");
    ds.SetDbfFileName("table.");
    EXPECT_EQ(ds.DbfFileName(), "table.");
    ds.SetDbfFileName("dir.x\\table");
    EXPECT_EQ(ds.DbfFileName(), "dir.x\\table.DBF");
    ds.SetDbfFileName("t.dat");
    EXPECT_EQ(ds.DbfFileName(), "t.dat");
}

TEST_F(DsCursor, DateTextsFollowTheDateSetting) {
    EXPECT_EQ(DateTextToDateTime("01.02.2003", true), EncodeDate(2003, 2, 1));
    EXPECT_EQ(DateTextToDateTime("  .  .    ", true), 0);
    EXPECT_EQ(DateTextToDateTime("99.99.2003", false), 0);
    EXPECT_THROW(DateTextToDateTime("99.99.2003", true), EConvertError);
    EXPECT_EQ(DateTimeToDateText(EncodeDate(1999, 12, 31)), "31.12.1999");
    CenturyDisplay = false;
    EXPECT_EQ(DateTimeToDateText(EncodeDate(1999, 12, 31)), "31.12.99");
    EXPECT_EQ(DateTextToDateTime("31.12.99", true), EncodeDate(1999, 12, 31));
    ShortDatePicture = "yyyy-MM-dd";
    InitDateFormat();
    EXPECT_EQ(DateFormatIndex, 1);
    EXPECT_TRUE(CenturyDisplay);
    ShortDatePicture = "dd.MM.yy";
    InitDateFormat();
    EXPECT_EQ(DateFormatIndex, 4);
    EXPECT_FALSE(CenturyDisplay);
}

}  // namespace
}  // namespace kor2::test
