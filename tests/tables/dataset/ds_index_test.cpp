// Tests of the file data set with index files: the index list built and
// opened on open in each creation mode, seeks with Find and FindExact, index
// orders driving navigation and Locate, key makers, and delimited text.
#include <gtest/gtest.h>

#include "ds_testutil.h"
#include "platform/hostfs.h"
#include "tables/area/workareas.h"
#include "tables/base/filenames.h"
#include "tables/expr/expression.h"
#include "tables/index/ndxfile.h"
#include "tables/index/orders.h"
#include "tables/sema/semaphore.h"

namespace kor2::test {
namespace {

class DsIndex : public DsTest {
protected:
    void SetUp() override {
        DsTest::SetUp();
        InitExprParser();
        IndexInit();
        path = Path("t.dbf");
        MakeTable(path, {{"NAME", 'C', 10, 0}, {"QTY", 'N', 5, 0}});
        AppendRaw(
            path,
            {{" ", "delta", "4"}, {" ", "alpha", "1"}, {" ", "charlie", "3"}, {" ", "bravo", "2"}});
    }
    void TearDown() override {
        IndexDone();
        DsTest::TearDown();
    }
    static std::string Names(TTbDbf& ds) {
        std::string s;
        for (ds.First(); !ds.Eof(); ds.Next()) s += ds.FieldByName("NAME").AsString() + " ";
        return s;
    }
    std::string path;
};

TEST_F(DsIndex, MissingIndexIsBuiltOnceAndOpened) {
    TTbDbf ds;
    ds.IndexList = {"1, byname, UPPER(NAME)"};
    std::vector<std::string> made;
    ds.OnAfterMakeIndex = [&](const std::string& n) { made.push_back(n); };
    OpenOn(ds, path);
    EXPECT_EQ(made, std::vector<std::string>{"byname"});
    EXPECT_TRUE(FileExistsP(Path("byname.ndx")));
    EXPECT_EQ(Names(ds), "alpha bravo charlie delta ");
    EXPECT_FALSE(ds.IsSequenced());
    ds.Go(2);  // the mended open leaves no error behind that would stop the resync
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "alpha");
    ds.Close();
    ds.Open();  // present now: opened, not rebuilt
    EXPECT_EQ(made.size(), 1u);
    EXPECT_EQ(Names(ds), "alpha bravo charlie delta ");
}

TEST_F(DsIndex, CreationModes) {
    TTbDbf ds;
    ds.IndexList = {"1, byqty, QTY"};
    int made = 0;
    ds.OnAfterMakeIndex = [&](const std::string&) { ++made; };
    ds.CreateIndex = ciNever;
    EXPECT_THROW(OpenOn(ds, path), std::runtime_error);  // never built
    EXPECT_FALSE(ds.Active());
    ds.CreateIndex = ciAlways;
    ds.Open();
    ds.Close();
    ds.Open();
    EXPECT_EQ(made, 2);
    ds.CreateIndex = ciVerifyHeader;
    ds.Close();
    ds.Open();
    EXPECT_EQ(made, 2);  // header count matches
    ds.Append();
    ds.FieldByName("QTY").SetAsInteger(0);
    ds.Post();
    EXPECT_EQ(Names(ds), " alpha bravo charlie delta ");
    ds.Close();
    // Another program holds the table: its semaphore file keeps the index.
    WriteFileBytes(GetSemaphoreFileName(path), "x");
    ds.CreateIndex = ciAlways;
    ds.Open();
    EXPECT_EQ(made, 2);
    ds.Close();
    // The semaphore file of another table, T.DBF, is no sign of this one's use.
    platform::EraseFile(GetSemaphoreFileName(path));
    WriteFileBytes(Path("T.@S@"), "x");
    ds.Open();
    EXPECT_EQ(made, 3);
    EXPECT_EQ(ReadFileBytes(Path("T.@S@")), "x");
}

TEST_F(DsIndex, RefusedRebuildLeavesTheTableClosed) {
    TTbDbf ds;
    ds.IndexList = {"1, byname, NAME"};
    ds.OnBeforeMakeIndex = [](const std::string&, bool& canMake) { canMake = false; };
    EXPECT_THROW(OpenOn(ds, path), std::runtime_error);
    EXPECT_FALSE(ds.Active());
    EXPECT_EQ(ds.WorkArea(), 0);
}

TEST_F(DsIndex, FindAndLocateSeekTheControllingIndex) {
    TTbDbf ds;
    OpenOn(ds, path);
    ds.IndexOn("NAME", Path("names"));
    EXPECT_EQ(Names(ds), "alpha bravo charlie delta ");
    EXPECT_TRUE(ds.Find("char"));
    EXPECT_EQ(ds.RecNo(), 3);
    EXPECT_FALSE(ds.FindExact("char"));
    EXPECT_TRUE(ds.FindExact("charlie"));
    EXPECT_FALSE(IndexExact);
    EXPECT_FALSE(ds.Find("zulu"));  // past the last key: the last record
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "delta");
    EXPECT_FALSE(ds.Found());
    EXPECT_TRUE(ds.Locate("NAME", {"bra"}, TLocateOptions{false, true}));
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "bravo");
    EXPECT_FALSE(ds.Locate("NAME", {"bra"}, TLocateOptions{}));
}

TEST_F(DsIndex, KeyMakerIndexesAndSetIndexTo) {
    TTbDbf ds;
    OpenOn(ds, path);
    // Descending quantity through the data set's own fields.
    ds.IndexOnCB(Path("desc"),
                 [&ds] { return std::to_string(9 - ds.FieldByName("QTY").AsInteger()); });
    EXPECT_EQ(Names(ds), "delta charlie bravo alpha ");
    ds.IndexOn("QTY", Path("qty"));
    ds.SetIndexTo("");
    EXPECT_EQ(Names(ds), "delta alpha charlie bravo ");
    ds.SetIndexToLFN(Path("qty"), 1);
    EXPECT_EQ(Names(ds), "alpha bravo charlie delta ");
}

TEST_F(DsIndex, DelimitedExportAndImport) {
    TTbDbf ds;
    OpenOn(ds, path);
    ds.Go(3);
    EXPECT_TRUE(ds.CopyToDelimited(Path("out.txt")));
    EXPECT_EQ(ds.RecNo(), 3);
    const std::string text = ReadFileBytes(Path("out.txt"));
    EXPECT_NE(text.find("\"charlie\""), std::string::npos);
    EXPECT_TRUE(ds.AppendFromDelimited(Path("out.txt")));
    EXPECT_EQ(ds.RecordCount(), 8);
}

}  // namespace
}  // namespace kor2::test
