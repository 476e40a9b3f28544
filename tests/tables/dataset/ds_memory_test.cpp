// Tests of the in-memory data set: list orders (queue, stack, sorted by the
// first field or a key maker), loading from and saving to a .dbf, unique
// file names, memo fields held as numbers and malformed definitions.
#include <gtest/gtest.h>

#include "ds_testutil.h"
#include "tables/area/changes.h"
#include "tables/area/workareas.h"
#include "tables/base/filenames.h"
#include "tables/base/progress.h"
#include "tables/dataset/memorydataset.h"
#include "tables/vfile/vfiles.h"

namespace kor2::test {
namespace {

class DsMemory : public DsTest {
protected:
    void SetUp() override {
        DsTest::SetUp();
        InstallVFileHook();
    }
    void Prepare(TTbVFile& vf, LStatusType mode = FIFO) {
        vf.Name = "MEM";
        vf.DbfFields = {"NAME, C, 10, 0", "QTY, N, 5, 0"};
        vf.SetAppendMode(mode);
    }
    // The sample table's fields, loaded on open and saved on close.
    static void PrepareDisk(TTbVFile& vf, const std::string& path) {
        vf.Name = "MEM";
        vf.DbfFields = {"NAME, C, 10, 0", "PRICE, N, 8, 2", "QTY, N, 5, 0", "DAY, D, 8, 0",
                        "OK, L, 1, 0"};
        vf.SetDbfFileName(path);
        vf.PopulateFromDisk = true;
        vf.SaveToDisk = true;
    }
    static void Add(TTbVFile& vf, const std::string& name, int qty) {
        vf.Append();
        vf.FieldByName("NAME").SetAsString(name);
        vf.FieldByName("QTY").SetAsInteger(qty);
        vf.Post();
    }
    static std::string Names(TTbVFile& vf) {
        std::string s;
        for (vf.First(); !vf.Eof(); vf.Next()) s += vf.FieldByName("NAME").AsString() + " ";
        return s;
    }
};

TEST_F(DsMemory, QueueAndStackKeepTheirOrder) {
    TTbVFile q;
    Prepare(q);
    q.Open();
    EXPECT_TRUE(q.IsEmpty());
    for (const char* n : {"b", "a", "c"}) Add(q, n, 1);
    EXPECT_EQ(Names(q), "b a c ");
    EXPECT_TRUE(q.TableModified());

    TTbVFile s;
    Prepare(s, LIFO);
    s.Open();
    for (const char* n : {"b", "a", "c"}) Add(s, n, 1);
    EXPECT_EQ(Names(s), "c a b ");
}

TEST_F(DsMemory, SortedByFirstFieldOrByKeyMaker) {
    TTbVFile d;
    Prepare(d, DESCENDING);
    d.Open();
    for (const char* n : {"m", "z", "a", "q"}) Add(d, n, 1);
    EXPECT_EQ(Names(d), "z q m a ");

    TTbVFile k;
    Prepare(k, ASCENDING);
    k.KeyMaker = [&k] {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%05d", k.FieldByName("QTY").AsInteger());
        return std::string(buf);
    };
    k.Open();
    Add(k, "three", 3);
    Add(k, "one", 1);
    Add(k, "two", 2);
    EXPECT_EQ(Names(k), "one two three ");
    k.SetAppendMode(DESCENDING);
    EXPECT_EQ(Names(k), "three two one ");
}

TEST_F(DsMemory, LoadsFromDiskAndSavesOnlyAfterChanges) {
    const std::string path = Sample(3);
    {
        TTbVFile vf;
        PrepareDisk(vf, path);
        vf.Open();
        EXPECT_EQ(Names(vf), "R1 R2 R3 ");
        vf.First();
        EXPECT_DOUBLE_EQ(vf.FieldByName("PRICE").AsFloat(), 1.5);
        EXPECT_EQ(vf.FieldByName("DAY").AsDateTime(), EncodeDate(2020, 1, 1));
        EXPECT_FALSE(vf.TableModified());
        ASSERT_EQ(EraseFileIfFree(path), 0);
        vf.Close();
        EXPECT_FALSE(FileExistsP(path));  // nothing changed: nothing written
    }
    Sample(3);
    TTbVFile vf;
    PrepareDisk(vf, path);
    vf.SetHideDeletedRecs(true);
    vf.Open();
    vf.Next();
    vf.Delete();
    vf.Edit();
    vf.FieldByName("NAME").SetAsString("Third");
    vf.Post();
    vf.Close();
    const auto rows = Rows(path);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][1], "R1        ");
    EXPECT_EQ(rows[1][1], "Third     ");
    EXPECT_EQ(rows[1][4], "20200103");
}

TEST_F(DsMemory, InsertionPlacesBeforeTheCurrentOrAtTheEnd) {
    TTbVFile vf;
    Prepare(vf, INSERTION);
    vf.Open();
    Add(vf, "a", 1);
    Add(vf, "c", 3);
    vf.First();
    vf.Next();
    vf.Insert();
    vf.FieldByName("NAME").SetAsString("b");
    vf.Post();
    EXPECT_EQ(Names(vf), "a b c ");
    Add(vf, "d", 4);  // appended behind the last record
    EXPECT_EQ(Names(vf), "a b c d ");
}

TEST_F(DsMemory, LoadingShowsAtMostAHundredSteps) {
    const std::string path = Sample(1);
    std::vector<std::vector<std::string>> rows;
    for (int i = 0; i < 250; ++i) rows.push_back({" ", "X", "1", "1", "20200101", "T"});
    AppendRaw(path, rows);
    struct Counter : EngineProgress {
        int* steps;
        explicit Counter(int* s) : steps(s) {}
        void Step() override { ++*steps; }
    };
    int steps = 0;
    std::string title;
    MakeEngineProgress = [&](const std::string& t) {
        title = t;
        return std::make_unique<Counter>(&steps);
    };
    TTbVFile vf;
    PrepareDisk(vf, path);
    vf.Open();
    MakeEngineProgress = nullptr;
    EXPECT_EQ(vf.RecordCount(), 251);
    EXPECT_EQ(title, "Reading from disk...");
    EXPECT_GT(steps, 0);
    EXPECT_LE(steps, 100);
}

TEST_F(DsMemory, SaveThatCannotWriteIsReportedAndKeepsTheChanges) {
    const std::string path = Sample(2);
    TTbVFile vf;
    PrepareDisk(vf, path);
    vf.Open();
    vf.Last();
    vf.Delete();
    Select(20);
    ASSERT_TRUE(Use(path, nullptr, 0));
    ASSERT_TRUE(FLock());
    vf.Save();  // the table is held by another user
    EXPECT_TRUE(vf.TableModified());
    ASSERT_FALSE(boxes.empty());
    EXPECT_TRUE(boxes.back() == "Konnte \"" + path + "\" nicht erzeugen" ||
                boxes.back() == "Sperren fehlgeschlagen [Save]")
        << boxes.back();
    Select(20);
    CloseArea();
    vf.Save();
    EXPECT_FALSE(vf.TableModified());
    EXPECT_EQ(Rows(path).size(), 2u);  // the deleted one is kept, marked
    EXPECT_EQ(Rows(path)[1][0], "*");
}

TEST_F(DsMemory, OpenedTogetherTheyGetDifferentNames) {
    TTbVFile a, b;
    Prepare(a);
    Prepare(b);
    a.Name = b.Name = "";
    a.Open();
    b.Open();
    Select(a.WorkArea());
    const std::string first = AreaAlias();
    Select(b.WorkArea());
    EXPECT_NE(AreaAlias(), first);
}

TEST_F(DsMemory, MemoDefinitionBecomesANumber) {
    TTbVFile vf;
    vf.Name = "MEM";
    vf.DbfFields = {"NAME, C, 4, 0", "NOTES, M, 10, 0"};
    vf.Open();
    EXPECT_NE(dynamic_cast<TTbIntegerField*>(&vf.FieldByName("NOTES")), nullptr);
    Select(vf.WorkArea());
    EXPECT_EQ(FieldType(2), 'N');
    EXPECT_EQ(FieldLen(2), 10);
}

TEST_F(DsMemory, MalformedDefinitionsKeepTheSetClosed) {
    TTbVFile vf;
    vf.Name = "MEM";
    EXPECT_THROW(vf.Open(), std::runtime_error);
    EXPECT_FALSE(vf.Active());
    EXPECT_EQ(boxes.back(), "FieldList.Count ist <= 0 beim Versuch, eine Datenbank zu erzeugen");
    vf.DbfFields = {"NAME, C, 4"};
    EXPECT_THROW(vf.Open(), std::runtime_error);
    EXPECT_FALSE(vf.Active());
}

}  // namespace
}  // namespace kor2::test
