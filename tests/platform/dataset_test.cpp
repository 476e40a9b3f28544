// Tests of the data-set base over a small in-memory cursor: the buffer window,
// states and their events, field access, bookmarks and data links.
#include "platform/dataset.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace kor2 {
namespace {

struct Row {
    int32_t id;
    std::string name;
};

// Buffer: id (4), name (11), flag (1), bookmark = row index (4).
class VecDataSet : public TDataSet {
public:
    std::vector<Row> rows;
    std::vector<std::string> log;
    int getRecordCalls = 0;

    VecDataSet() { Name = "Vec"; }
    ~VecDataSet() override {
        if (Active()) Close();
    }
    bool GetFieldData(const TField& f, void* buffer) override {
        const uint8_t* b = State() == TDataSetState::dsCalcFields ? CalcBuffer() : ActiveBuffer();
        if (!b || (BufferRecordCount() == 0 && State() == TDataSetState::dsBrowse)) return false;
        if (f.FieldNo() == 1) std::memcpy(buffer, b, 4);
        if (f.FieldNo() == 2) std::memcpy(buffer, b + 4, 11);
        return true;
    }
    void SetFieldData(TField& f, const void* buffer) override {
        if (State() != TDataSetState::dsEdit && State() != TDataSetState::dsInsert)
            DatabaseError("not editing");
        uint8_t* b = ActiveBuffer();
        if (f.FieldNo() == 1) std::memcpy(b, buffer, 4);
        if (f.FieldNo() == 2) std::memcpy(b + 4, buffer, 11);
        DataEvent(TDataEvent::deFieldChange, reinterpret_cast<intptr_t>(&f));
    }
    int RecNo() override {
        int32_t n = -1;
        if (BufferRecordCount() > 0) std::memcpy(&n, ActiveBuffer() + 16, 4);
        return n + 1;
    }
    int CursorPos() const { return pos_; }

protected:
    uint16_t RecordBufferSize() override { return 20; }
    uint16_t GetRecordSize() override { return 15; }
    void GetBookmarkData(const uint8_t* b, uint8_t* d) override { std::memcpy(d, b + 16, 4); }
    void SetBookmarkData(uint8_t* b, const uint8_t* d) override { std::memcpy(b + 16, d, 4); }
    TBookmarkFlag GetBookmarkFlag(const uint8_t* b) override {
        return static_cast<TBookmarkFlag>(b[15]);
    }
    void SetBookmarkFlag(uint8_t* b, TBookmarkFlag f) override { b[15] = static_cast<uint8_t>(f); }
    TGetResult GetRecord(uint8_t* b, TGetMode mode, bool) override {
        ++getRecordCalls;
        const int n = static_cast<int>(rows.size());
        if (mode == TGetMode::gmNext) {
            if (pos_ >= n) return TGetResult::grEOF;
            if (++pos_ >= n) return TGetResult::grEOF;
        } else if (mode == TGetMode::gmPrior) {
            if (pos_ < 0) return TGetResult::grBOF;
            if (--pos_ < 0) return TGetResult::grBOF;
        } else if (pos_ < 0 || pos_ >= n) {
            return TGetResult::grError;
        }
        const Row& r = rows[static_cast<size_t>(pos_)];
        std::memcpy(b, &r.id, 4);
        std::memset(b + 4, 0, 11);
        std::memcpy(b + 4, r.name.data(), std::min<size_t>(r.name.size(), 10));
        b[15] = 0;
        const int32_t p = pos_;
        std::memcpy(b + 16, &p, 4);
        GetCalcFields(b);
        return TGetResult::grOK;
    }
    void InternalAddRecord(uint8_t*, bool) override {}
    void InternalDelete() override {
        log.push_back("InternalDelete");
        rows.erase(rows.begin() + pos_);
        if (pos_ >= static_cast<int>(rows.size())) pos_ = static_cast<int>(rows.size()) - 1;
    }
    void InternalFirst() override { pos_ = -1; }
    void InternalLast() override { pos_ = static_cast<int>(rows.size()); }
    void InternalGotoBookmark(const uint8_t* bm) override { std::memcpy(&pos_, bm, 4); }
    void InternalSetToRecord(uint8_t* b) override { InternalGotoBookmark(b + 16); }
    void InternalInitRecord(uint8_t* b) override { std::memset(b, 0, 20); }
    void InternalPost() override {
        log.push_back("InternalPost");
        const uint8_t* b = ActiveBuffer();
        Row r;
        std::memcpy(&r.id, b, 4);
        r.name = reinterpret_cast<const char*>(b + 4);
        if (State() == TDataSetState::dsEdit) {
            rows[static_cast<size_t>(pos_)] = r;
        } else {
            rows.push_back(r);
            pos_ = static_cast<int>(rows.size()) - 1;
        }
    }
    void InternalOpen() override {
        open_ = true;
        FieldDefs() = {{"ID", TFieldType::ftInteger, 0, false},
                       {"NAME", TFieldType::ftString, 10, false}};
        if (DefaultFields()) CreateFields();
        BindFields(true);
        pos_ = -1;
        BookmarkSize = 4;
    }
    void InternalClose() override {
        open_ = false;
        BindFields(false);
        if (DefaultFields()) DestroyDefaultFields();
    }
    bool IsCursorOpen() override { return open_; }
    void InternalInitFieldDefs() override {}

private:
    int pos_ = -1;
    bool open_ = false;
};

class Recorder : public TDataLink {
public:
    std::vector<std::string> events;

protected:
    void ActiveChanged() override { events.push_back("active"); }
    void DataSetChanged() override { events.push_back("changed"); }
    void DataSetScrolled(int d) override { events.push_back("scrolled " + std::to_string(d)); }
    void RecordChanged(TField* f) override {
        events.push_back(f ? "field " + f->FieldName() : "record");
    }
    void EditingChanged() override { events.push_back("editing"); }
};

class DataSetBase : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 1; i <= 10; ++i) ds.rows.push_back({i * 10, "N" + std::to_string(i)});
    }
    void Hook(TDataSetNotifyEvent& e, const std::string& name) {
        e = [this, name](TDataSet&) { ds.log.push_back(name); };
    }
    VecDataSet ds;
};

TEST_F(DataSetBase, OpenFillsWindowAndNavigates) {
    ds.Open();
    EXPECT_EQ(ds.State(), TDataSetState::dsBrowse);
    ASSERT_EQ(ds.FieldCount(), 2);
    EXPECT_EQ(ds.FieldByName("id").AsInteger(), 10);
    EXPECT_EQ(ds.Fields(1).AsString(), "N1");
    EXPECT_TRUE(ds.Bof());
    ds.Next();
    EXPECT_FALSE(ds.Bof());
    EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 20);
    ds.Last();
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 100);
    ds.Next();
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(ds.MoveBy(-3), -3);
    EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 70);
    EXPECT_EQ(ds.MoveBy(-100), -6);
    EXPECT_TRUE(ds.Bof());
    EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 10);
    EXPECT_THROW(ds.FieldByName("NOPE"), EDatabaseError);
    ds.Close();
    EXPECT_EQ(ds.FieldCount(), 0);
}

TEST_F(DataSetBase, EmptySetIsBofAndEof) {
    ds.rows.clear();
    ds.Open();
    EXPECT_TRUE(ds.IsEmpty());
    EXPECT_TRUE(ds.Bof());
    EXPECT_TRUE(ds.Eof());
    EXPECT_TRUE(ds.FieldByName("ID").IsNull());
    EXPECT_THROW(ds.Delete(), EDatabaseError);
}

TEST_F(DataSetBase, EditPostAndCancelWithEventsInOrder) {
    ds.Open();
    Hook(ds.BeforeEdit, "BeforeEdit");
    Hook(ds.AfterEdit, "AfterEdit");
    Hook(ds.BeforePost, "BeforePost");
    Hook(ds.AfterPost, "AfterPost");
    Hook(ds.BeforeCancel, "BeforeCancel");
    Hook(ds.AfterCancel, "AfterCancel");
    ds.Next();
    ds.Edit();
    EXPECT_EQ(ds.State(), TDataSetState::dsEdit);
    ds.FieldByName("NAME").SetAsString("changed");
    EXPECT_TRUE(ds.Modified());
    ds.Post();
    EXPECT_EQ(ds.State(), TDataSetState::dsBrowse);
    EXPECT_EQ(ds.rows[1].name, "changed");
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "changed");
    ds.Edit();
    ds.FieldByName("NAME").SetAsString("lost");
    ds.Cancel();
    EXPECT_EQ(ds.rows[1].name, "changed");
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "changed");
    const std::vector<std::string> want = {"BeforeEdit",   "AfterEdit",    "BeforePost",
                                           "InternalPost", "AfterPost",    "BeforeEdit",
                                           "AfterEdit",    "BeforeCancel", "AfterCancel"};
    EXPECT_EQ(ds.log, want);
}

TEST_F(DataSetBase, MovingAwayPostsAModifiedRecordAndCancelsAnUnchangedOne) {
    ds.Open();
    ds.Edit();
    ds.Next();
    EXPECT_EQ(ds.State(), TDataSetState::dsBrowse);
    EXPECT_TRUE(ds.log.empty());
    ds.Edit();
    ds.FieldByName("ID").SetAsInteger(5);
    ds.Next();
    EXPECT_EQ(ds.rows[1].id, 5);
}

TEST_F(DataSetBase, AppendAndInsertPostNewRecords) {
    ds.Open();
    Hook(ds.OnNewRecord, "OnNewRecord");
    Hook(ds.AfterInsert, "AfterInsert");
    ds.Append();
    EXPECT_EQ(ds.State(), TDataSetState::dsInsert);
    EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 0);
    ds.FieldByName("ID").SetAsInteger(999);
    ds.Post();
    ASSERT_EQ(ds.rows.size(), 11u);
    EXPECT_EQ(ds.rows.back().id, 999);
    EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 999);
    ds.First();
    ds.Insert();
    ds.Cancel();
    EXPECT_EQ(ds.rows.size(), 11u);
    EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 10);
    const std::vector<std::string> want = {"OnNewRecord", "AfterInsert", "InternalPost",
                                           "OnNewRecord", "AfterInsert"};
    EXPECT_EQ(ds.log, want);
}

TEST_F(DataSetBase, DeleteRemovesTheActiveRecord) {
    ds.Open();
    ds.MoveBy(2);
    Hook(ds.BeforeDelete, "BeforeDelete");
    Hook(ds.AfterDelete, "AfterDelete");
    ds.Delete();
    EXPECT_EQ(ds.rows.size(), 9u);
    EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 40);
    const std::vector<std::string> want = {"BeforeDelete", "InternalDelete", "AfterDelete"};
    EXPECT_EQ(ds.log, want);
}

TEST_F(DataSetBase, PostErrorHandlerCanAbortOrRetry) {
    ds.Open();
    int calls = 0;
    ds.BeforePost = [&](TDataSet&) {
        if (++calls == 1) throw std::runtime_error("refused");
    };
    ds.Edit();
    ds.FieldByName("ID").SetAsInteger(1);
    EXPECT_THROW(ds.Post(), std::runtime_error);
    EXPECT_EQ(ds.State(), TDataSetState::dsEdit);
    ds.OnPostError = [&](TDataSet&, const std::exception&, TDataAction& a) {
        a = TDataAction::daRetry;
    };
    ds.Post();
    EXPECT_EQ(ds.rows[0].id, 1);
}

TEST_F(DataSetBase, BookmarksReturnToTheRecord) {
    ds.Open();
    ds.MoveBy(4);
    const TBookmark b = ds.GetBookmark();
    ASSERT_EQ(b.size(), 4u);
    ds.Last();
    ds.GotoBookmark(b);
    EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 50);
    ds.GotoBookmark(TBookmark{});
    EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 50);
    EXPECT_THROW(ds.GotoBookmark(TBookmark{1, 2}), EDatabaseError);
}

TEST_F(DataSetBase, CalculatedFieldsAreFilledForEachRecord) {
    ds.AddCalcField("DOUBLE", TFieldType::ftInteger);
    // The test set keeps no calculated area, so it only counts the calls.
    int calls = 0;
    ds.OnCalcFields = [&](TDataSet& d) {
        ++calls;
        EXPECT_EQ(d.State(), TDataSetState::dsCalcFields);
    };
    ds.Open();
    EXPECT_GT(calls, 0);
    EXPECT_EQ(ds.FieldCount(), 3);
    ds.Close();
    EXPECT_EQ(ds.FieldCount(), 1);  // the persistent calculated field stays
}

TEST_F(DataSetBase, DataLinkFollowsStateScrollAndFields) {
    TDataSource src;
    Recorder link;
    link.SetDataSource(&src);
    src.SetDataSet(&ds);
    link.SetBufferCount(3);
    int stateChanges = 0;
    src.OnStateChange = [&](TDataSource&) { ++stateChanges; };
    ds.Open();
    EXPECT_TRUE(link.Active());
    EXPECT_EQ(ds.BufferCount(), 3);
    EXPECT_EQ(link.RecordCount(), 3);
    EXPECT_EQ(link.ActiveRecord(), 0);
    ds.Next();
    EXPECT_EQ(link.ActiveRecord(), 1);
    ds.MoveBy(3);
    EXPECT_EQ(link.ActiveRecord(), 2);
    EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 50);
    link.SetActiveRecord(0);
    EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 30);
    link.events.clear();
    ds.Edit();
    EXPECT_TRUE(link.Editing());
    ds.FieldByName("NAME").SetAsString("x");
    ds.Cancel();
    EXPECT_FALSE(link.Editing());
    const std::vector<std::string> want = {"editing", "record", "field NAME", "editing", "changed"};
    EXPECT_EQ(link.events, want);
    ds.Close();
    EXPECT_FALSE(link.Active());
    EXPECT_GE(stateChanges, 4);
}

TEST_F(DataSetBase, DisabledControlsHearNothingUntilEnabled) {
    TDataSource src;
    Recorder link;
    link.SetDataSource(&src);
    src.SetDataSet(&ds);
    ds.Open();
    link.events.clear();
    ds.DisableControls();
    ds.Next();
    ds.Next();
    EXPECT_TRUE(link.events.empty());
    ds.EnableControls();
    EXPECT_EQ(link.events, std::vector<std::string>{"changed"});
}

TEST_F(DataSetBase, DestroyingEitherSideOfALinkIsSafe) {
    auto src = std::make_unique<TDataSource>();
    Recorder link;
    link.SetDataSource(src.get());
    {
        VecDataSet other;
        src->SetDataSet(&other);
        other.Open();
    }
    EXPECT_EQ(src->DataSet(), nullptr);
    src.reset();
    EXPECT_EQ(link.DataSource(), nullptr);
}

TEST(DataSetDates, EncodeDecodeAndTexts) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
    int y, m, d;
    DecodeDate(EncodeDate(2024, 2, 29), y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, 20240229);
    DecodeDate(EncodeDate(1, 1, 1), y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, 10101);
    EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);
    EXPECT_EQ(DateToStr(EncodeDate(2021, 3, 4)), "04.03.2021");
    EXPECT_EQ(StrToDate("4.3.21"), EncodeDate(2021, 3, 4));
    EXPECT_THROW(StrToDate("31.02.2020"), EConvertError);
    EXPECT_THROW(StrToDate("x"), EConvertError);
    DecodeDate(1e300, y, m, d);
    EXPECT_EQ(y, 0);
}

}  // namespace
}  // namespace kor2
