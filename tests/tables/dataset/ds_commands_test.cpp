// Tests of the table component: dBase-style commands that keep the data set
// in step with its work area, changes under refused locks with their events,
// read-only and exclusive opening, and memo access through blob streams.
#include <gtest/gtest.h>

#include <cstring>

#include "ds_testutil.h"
#include "tables/area/changes.h"
#include "tables/area/navigation.h"
#include "tables/area/workareas.h"
#include "tables/memo/memoarea.h"

namespace kor2::test {
namespace {

using DsCommands = DsTest;

TEST_F(DsCommands, GoSkipAndFieldTexts) {
    TTbDbf ds;
    OpenOn(ds, Sample());
    ds.Go(6);
    EXPECT_EQ(ds.RecNo(), 6);
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "R6");
    ds.Skip(2);
    EXPECT_EQ(ds.RecNo(), 8);
    ds.Skip(0);
    EXPECT_EQ(ds.RecNo(), 8);
    ds.Skip(5);
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(ds.RecNo(), 10);
    std::string s;
    ds.SField(1, s);
    EXPECT_EQ(s, "R10       ");
    ds.Field(2, s);
    EXPECT_EQ(s, "PRICE");
    EXPECT_EQ(ds.FieldLen(2), 8);
    EXPECT_EQ(ds.FieldCount(), 5);
    EXPECT_EQ(ds.RecCount(), 10);
    ds.MoveFirst();
    EXPECT_EQ(ds.RecNo(), 1);
    EXPECT_TRUE(ds.FieldAsBoolean("OK"));
}

TEST_F(DsCommands, SyncFlagKeepsTheWorkAreaOnTheRecord) {
    TTbDbf ds;
    OpenOn(ds, Sample(5));
    int syncs = 0;
    ds.OnSync = [&] { ++syncs; };
    ds.SyncFlag = true;
    ds.MoveBy(3);
    Select(ds.WorkArea());
    EXPECT_EQ(RecNo(), 4);
    EXPECT_EQ(syncs, 1);
    ds.Last();
    Select(ds.WorkArea());
    EXPECT_EQ(RecNo(), 5);
    ds.Close();
    EXPECT_FALSE(ds.OnSync);  // cleared with the table
}

// A grid reads ahead, so the work area is often on another record than the
// one shown; restoring and hiding must act on the shown one.
TEST_F(DsCommands, RestoreActsOnTheShownRecordWhateverTheWorkAreaReadLast) {
    const std::string path = Sample(5);
    TTbDbf ds;
    OpenOn(ds, path);
    ds.Go(2);
    ds.Delete();
    ds.Go(4);
    ds.Delete();
    ds.Go(2);
    ASSERT_TRUE(ds.IsRecordDeleted());
    Select(ds.WorkArea());
    Go(4);  // what a read-ahead leaves behind
    ds.SetRecordDeleted(false);
    const auto rows = Rows(path);
    EXPECT_EQ(rows[1][0], " ");  // record 2 restored
    EXPECT_EQ(rows[3][0], "*");  // record 4 untouched
    EXPECT_EQ(ds.RecNo(), 2);

    Select(ds.WorkArea());
    Go(5);
    ds.SetHideDeletedRecs(true);
    EXPECT_EQ(ds.RecNo(), 2);  // stays on the shown record
}

TEST_F(DsCommands, SkipZeroRereadsAChangeByAnotherUser) {
    const std::string path = Sample(3);
    TTbDbf ds;
    OpenOn(ds, path);
    ds.Go(2);
    Select(20);
    ASSERT_TRUE(Use(path, nullptr, 0));
    Go(2);
    ASSERT_TRUE(RLock());
    FieldAddress(1)[0] = 5;
    std::memcpy(FieldAddress(1) + 1, "Other", 5);
    Replace();
    Unlock();
    CloseArea();
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "R2");
    ds.Skip(0);
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "Other");
}

TEST_F(DsCommands, NewRecordIsNoPosition) {
    TTbDbf ds;
    OpenOn(ds, Sample(3));
    ds.Go(2);
    ds.Insert();
    EXPECT_TRUE(ds.GetBookmark().empty());
    uint8_t buf[64];
    EXPECT_FALSE(ds.GetCurrentRecord(buf));
    ds.Cancel();
    EXPECT_TRUE(ds.GetCurrentRecord(buf));
    EXPECT_EQ(ds.RecNo(), 2);
}

// The rows a grid of n lines would show, read through its data link.
std::string GridRows(TTbDbf& ds, TDataLink& link) {
    std::string s;
    const int active = link.ActiveRecord();
    for (int r = 0; r < link.RecordCount(); ++r) {
        link.SetActiveRecord(r);
        s += ds.FieldByName("NAME").AsString() + (r == active ? "* " : " ");
    }
    link.SetActiveRecord(active);
    return s;
}

TEST_F(DsCommands, GridWindowFollowsMovesDeletesAndInserts) {
    TTbDbf ds;
    TDataSource src;
    TDataLink link;
    link.SetDataSource(&src);
    src.SetDataSet(&ds);
    link.SetBufferCount(4);
    OpenOn(ds, Sample(10));
    EXPECT_EQ(GridRows(ds, link), "R1* R2 R3 R4 ");
    ds.MoveBy(5);
    EXPECT_EQ(GridRows(ds, link), "R3 R4 R5 R6* ");
    ds.SetHideDeletedRecs(true);
    ds.Delete();
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "R7");
    EXPECT_EQ(link.RecordCount(), 4);
    ds.Insert();
    ds.FieldByName("NAME").SetAsString("New");
    ds.Post();
    EXPECT_EQ(ds.RecNo(), 11);
    ds.Last();
    EXPECT_EQ(GridRows(ds, link), "R8 R9 R10 New* ");
    ds.Prior();
    ds.Prior();
    ds.Prior();
    ds.Prior();
    EXPECT_EQ(GridRows(ds, link), "R7* R8 R9 R10 ");
    ds.First();
    EXPECT_EQ(GridRows(ds, link), "R1* R2 R3 R4 ");
}

TEST_F(DsCommands, SearchMovesOnlyWhenFound) {
    TTbDbf ds;
    OpenOn(ds, Sample());
    ds.Go(3);
    int found = 0;
    ds.Search("nothing here", found, true);
    EXPECT_EQ(found, 0);
    EXPECT_EQ(ds.RecNo(), 3);
    found = 0;
    ds.Search("R7", found, true);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(ds.RecNo(), 7);
}

TEST_F(DsCommands, AppendFromReturnsToTheRecord) {
    const std::string path = Sample();
    const std::string other = Path("other.dbf");
    MakeTable(other, {{"NAME", 'C', 10, 0}, {"QTY", 'N', 5, 0}});
    AppendRaw(other, {{" ", "X1", "100"}, {" ", "X2", "200"}});
    TTbDbf ds;
    OpenOn(ds, path);
    ds.Go(5);
    ds.AppendFrom(other);
    EXPECT_EQ(ds.RecNo(), 5);
    EXPECT_EQ(ds.RecordCount(), 12);
    ds.Last();
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "X2");
    EXPECT_EQ(ds.FieldByName("QTY").AsInteger(), 200);
}

TEST_F(DsCommands, AppendRecAndPack) {
    const std::string path = Sample(4);
    TTbDbf ds;
    ds.SetExclusive(true);
    OpenOn(ds, path);
    ds.Go(2);
    ds.Delete();
    ds.Go(3);
    ds.AppendRec();  // a copy of the work area's record
    EXPECT_EQ(ds.RecordCount(), 5);
    EXPECT_EQ(ds.RecNo(), 5);
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "R3");
    EXPECT_TRUE(ds.Pack());
    EXPECT_EQ(ds.RecordCount(), 4);
    EXPECT_EQ(ds.RecNo(), 1);
    ds.Close();
    const auto rows = Rows(path);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[1][1], "R3        ");
    EXPECT_EQ(rows[3][1], "R3        ");
}

TEST_F(DsCommands, SetFieldCommandsPutTheSetIntoEdit) {
    const std::string path = Sample(2);
    TTbDbf ds;
    OpenOn(ds, path);
    ds.SetFieldString("NAME", "Via cmd");
    EXPECT_EQ(ds.State(), TDataSetState::dsEdit);
    ds.SetFieldInteger("QTY", 42);
    ds.SetFieldBoolean("OK", false);
    ds.SetFieldFloat("PRICE", Real48::FromExtended(2.25));
    ds.Post();
    const auto rows = Rows(path);
    EXPECT_EQ(rows[0][1], "Via cmd   ");
    EXPECT_EQ(rows[0][2], "    2.25");
    EXPECT_EQ(rows[0][3], "   42");
    EXPECT_EQ(rows[0][5], "F");
}

TEST_F(DsCommands, RefusedLockCallsTheEventAndKeepsTheEdit) {
    const std::string path = Sample(3);
    TTbDbf ds;
    OpenOn(ds, path);
    // Another user of the table holds the whole file.
    Select(20);
    ASSERT_TRUE(Use(path, nullptr, 0));
    ASSERT_TRUE(FLock());
    int asked = 0;
    ds.OnRLockFailedOnPost = [&](TDataSet&, bool& retry) {
        ++asked;
        if (asked == 2) {
            Select(20);
            Unlock();
        }
        retry = asked < 3;
    };
    ds.Edit();
    ds.FieldByName("NAME").SetAsString("Locked");
    ds.Post();  // refused twice, granted on the third try
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(Rows(path)[0][1], "Locked    ");

    Select(20);
    ASSERT_TRUE(FLock());
    ds.OnRLockFailedOnPost = nullptr;
    ds.Edit();
    ds.FieldByName("NAME").SetAsString("Refused");
    EXPECT_THROW(ds.Post(), std::runtime_error);
    EXPECT_EQ(ds.State(), TDataSetState::dsEdit);
    EXPECT_EQ(boxes.back(), "Sperren fehlgeschlagen [Post]");
    EXPECT_EQ(Rows(path)[0][1], "Locked    ");
    ds.Cancel();
    Select(20);
    CloseArea();
}

TEST_F(DsCommands, ExtendedOpenConvertsRecords) {
    const std::string path = Sample(1);
    TTbDbf ds;
    // Stored names are kept in lower case, shown in upper case.
    ds.OpenAfterRead = [](char* buf, size_t len) {
        for (size_t i = 0; i < len; ++i)
            if (buf[i] >= 'a' && buf[i] <= 'z') buf[i] = static_cast<char>(buf[i] - 32);
    };
    ds.OpenBeforeWrite = [](char* buf, size_t len) {
        for (size_t i = 0; i < len; ++i)
            if (buf[i] >= 'A' && buf[i] <= 'Z') buf[i] = static_cast<char>(buf[i] + 32);
    };
    OpenOn(ds, path);
    ds.Edit();
    ds.FieldByName("NAME").SetAsString("Mixed");
    ds.Post();
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "MIXED");
    EXPECT_EQ(Rows(path)[0][1], "mixed     ");
}

TEST_F(DsCommands, ReadOnlySetRefusesChanges) {
    const std::string path = Sample(2);
    TTbDbf ds;
    ds.ReadOnly = true;
    OpenOn(ds, path);
    EXPECT_FALSE(ds.CanModify());
    EXPECT_THROW(ds.Edit(), EDatabaseError);
    EXPECT_THROW(ds.Append(), EDatabaseError);
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "R1");
}

TEST_F(DsCommands, ChangingExclusiveReopens) {
    const std::string path = Sample(2);
    TTbDbf ds;
    OpenOn(ds, path);
    int opens = 0;
    ds.AfterOpen = [&](TDataSet&) { ++opens; };
    ds.SetExclusive(true);
    EXPECT_EQ(opens, 1);
    EXPECT_TRUE(ds.Active());
    Select(20);
    EXPECT_THROW(Use(path, nullptr, 0), ETableError);  // held exclusively now
}

TEST_F(DsCommands, MissingTableIsCreatedOnOpen) {
    TTbDbf ds;
    ds.Name = "MADE";
    ds.DbfFields = {"A, C, 5, 0"};
    ds.SetDbfFileName(Path("made"));
    ds.Open();
    EXPECT_TRUE(ds.Active());
    TTbDbf bad;
    bad.Name = "BAD";
    bad.SetDbfFileName(Path("nofields"));
    EXPECT_THROW(bad.Open(), std::runtime_error);
    EXPECT_FALSE(bad.Active());
}

class DsMemo : public DsTest {
protected:
    void SetUp() override {
        DsTest::SetUp();
        InitMemoUnit();
        path = Path("memo.dbf");
        MakeTable(path, {{"NAME", 'C', 10, 0}, {"NOTES", 'M', 10, 0}});
        AppendRaw(path, {{" ", "A", ""}, {" ", "B", ""}});
        OpenOn(ds, path);
    }
    std::string path;
    TTbDbf ds;
};

TEST_F(DsMemo, MemoTextIsWrittenReadAndCleared) {
    TField& notes = ds.FieldByName("NOTES");
    EXPECT_NE(dynamic_cast<TMemoField*>(&notes), nullptr);
    EXPECT_EQ(notes.AsString(), "");
    int changes = 0;
    notes.OnChange = [&](TField&) { ++changes; };
    const std::string text(1500, 'x');
    notes.SetAsString(text);
    EXPECT_EQ(ds.State(), TDataSetState::dsEdit);
    EXPECT_EQ(changes, 1);
    ds.Post();
    ds.Next();
    ds.Prior();
    EXPECT_EQ(notes.AsString(), text);
    EXPECT_NE(ds.MemoReference(notes), 0);

    // A stream that writes nothing empties the memo.
    { auto s = ds.CreateBlobStream(notes, TBlobStreamMode::bmWrite); }
    ds.Post();
    EXPECT_EQ(ds.MemoReference(notes), 0);
    EXPECT_EQ(notes.AsString(), "");
    EXPECT_EQ(changes, 2);
}

TEST_F(DsMemo, StreamReadsInPiecesAndSeeks) {
    TField& notes = ds.FieldByName("NOTES");
    notes.SetAsString("0123456789");
    ds.Post();
    auto s = ds.CreateBlobStream(notes, TBlobStreamMode::bmRead);
    char buf[4];
    EXPECT_EQ(s->Read(buf, 4), 4);
    EXPECT_EQ(std::string(buf, 4), "0123");
    EXPECT_EQ(s->Seek(-2, 2), 8);
    EXPECT_EQ(s->Read(buf, 4), 2);
    EXPECT_EQ(std::string(buf, 2), "89");
    EXPECT_EQ(s->Write("z", 1), 0);  // a read stream does not write
}

}  // namespace
}  // namespace kor2::test
