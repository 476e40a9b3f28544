// Search, Peek/Poke with and without the record cache, Locate/Continue,
// LocateRecord and AppendFrom.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/oemtext.h"
#include "platform/real48.h"
#include "tables/area/changes.h"
#include "tables/area/navigation.h"
#include "tables/area/search.h"
#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/tbtestutil.h"

namespace kor2 {
namespace {

class SearchTest : public test::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        path_ = Path("s.dbf");
        test::MakeTable(path_, {{"NAME", 'C', 8, 0}, {"ORT", 'C', 8, 0}, {"NR", 'N', 4, 0}});
        test::AppendRaw(path_, {{" ", "Meier", "Bonn", "   1"},
                                {" ", "Müller"_oem, "Essen", "  22"},
                                {"*", "Schmitz", "Köln"_oem, "   3"},
                                {" ", "Maier", "Kleve", "  22"},
                                {" ", "Abcdefgh", "ijk", "   5"}});
        ASSERT_TRUE(Use(path_ + " EXCLUSIVE", nullptr, 0));
    }
    std::string Name() { return FieldText(1); }
    std::string path_;
};

TEST_F(SearchTest, SearchFindsTextAcrossFieldsAndLimits) {
    int field = 0;
    EXPECT_TRUE(Search("ghij", field, true));  // spans NAME and ORT: found where it starts
    EXPECT_EQ(RecNo(), 5);
    EXPECT_EQ(field, 1);
    field = 0;
    EXPECT_TRUE(Search("K\xD6LN", field, true));  // case-insensitive in the Windows set
    EXPECT_EQ(RecNo(), 3);
    field = 2;
    EXPECT_TRUE(Search("e", field, true));  // limited to ORT: "Meier" is skipped
    EXPECT_EQ(RecNo(), 2);
    EXPECT_EQ(field, 2);
    field = 0;
    EXPECT_TRUE(Search("MAIER", field, false));  // from the record after the current one
    EXPECT_EQ(RecNo(), 4);
    field = 0;
    EXPECT_FALSE(Search("nirgends", field, true));
    EXPECT_EQ(field, 0);
    EXPECT_EQ(RecNo(), 4);
}

TEST_F(SearchTest, PeekAndPokeWithAndWithoutCache) {
    for (uint32_t cache : {0u, 40u, 4096u}) {
        SCOPED_TRACE(cache);
        PeekCacheSize = cache;
        EXPECT_EQ(Peek(0, 3), "*");
        EXPECT_EQ(Peek(1, 2), "Müller  "_oem);  // stored form: code page 850
        EXPECT_EQ(Peek(3, 4), "  22");
        EXPECT_EQ(Peek(4, 1), "");
        EXPECT_EQ(Peek(1, 9), "");
        Poke("Xy", 2, 1);
        EXPECT_EQ(Peek(2, 1), "Xynn    ");
        Poke("Bonn", 2, 1);
        Go(4);
        DeleteRec();
        EXPECT_EQ(Peek(0, 4), "*");
        RecallRec();
        EXPECT_EQ(Peek(0, 4), " ");
    }
}

TEST_F(SearchTest, PokeNeedsALockOnSharedTables) {
    CloseArea();
    ASSERT_TRUE(Use(path_, nullptr, 0));
    Poke("Z", 1, 2);
    ExpectError(1200, "Datensatz nicht gesperrt [Poke(1,2,Z)]");
    Go(2);
    ASSERT_TRUE(RLock());
    Poke("Z", 1, 2);
    EXPECT_EQ(EngineErrorCode, 0);
    EXPECT_EQ(Peek(1, 2), "Zü"_oem + std::string("ller  "));
}

TEST_F(SearchTest, LocateAndContinue) {
    EXPECT_TRUE(Locate("NAME", "M", false, 1, false));
    EXPECT_EQ(RecNo(), 1);
    EXPECT_TRUE(Continue());
    EXPECT_EQ(RecNo(), 2);
    EXPECT_TRUE(Continue());
    EXPECT_EQ(RecNo(), 4);
    EXPECT_FALSE(Continue());
    EXPECT_TRUE(dEOF());

    EXPECT_FALSE(Locate("NAME", "ller", false, 1, false));  // only fields beginning with it
    EXPECT_TRUE(Locate("NAME CONTAINED", "ller", false, 1, false));
    EXPECT_EQ(RecNo(), 2);
    EXPECT_TRUE(Locate("name", "MAIER", true, 1, false));
    EXPECT_EQ(RecNo(), 4);
    EXPECT_FALSE(Locate("NAME", "Mai", false, 1, true));  // exact: the whole field
    EXPECT_TRUE(Locate("NR", "22", false, 3, false));
    EXPECT_EQ(RecNo(), 4);

    SetIgnoreDel(true);
    EXPECT_FALSE(Locate("NAME", "Schmitz", false, 1, false));  // hidden records are passed
    EXPECT_TRUE(dEOF());

    EXPECT_FALSE(Locate("", "x", false, 1, false));
    ExpectError(220, "No field name specified [Locate/Count/Sum]");
    EXPECT_FALSE(Locate("XYZ", "x", false, 1, false));
    ExpectError(220, "Unrecognized field name [Locate/Count/Sum(XYZ)]");
}

TEST_F(SearchTest, ContinueWithoutLocate) {
    Select(2);
    const std::string other = Path("o.dbf");
    test::MakeTable(other, {{"A", 'C', 1, 0}});
    ASSERT_TRUE(Use(other, nullptr, 0));
    EXPECT_FALSE(Continue());
    ExpectError(220, "Call to CONTINUE not preceeded by call to LOCATE. [Continue]");
}

TEST_F(SearchTest, LocateRecordOnSeveralFields) {
    Go(1);
    EXPECT_TRUE(LocateRecord("NR;ORT", "22;Kle", false, true, false));
    EXPECT_EQ(RecNo(), 4);
    Go(1);
    EXPECT_TRUE(LocateRecord("NR;ORT", "22;Kle", false, false, false));
    EXPECT_EQ(RecNo(), 1);  // found, but not moved
    EXPECT_FALSE(LocateRecord("NR;ORT", "22;Bonn", false, true, false));
    EXPECT_EQ(RecNo(), 1);
}

TEST_F(SearchTest, AppendFromByFieldNames) {
    CloseArea();
    const std::string target = Path("ziel.dbf");
    test::MakeTable(target, {{"NR", 'C', 3, 0}, {"NAME", 'C', 4, 0}, {"NEU", 'L', 0, 0}});
    ASSERT_TRUE(Use(target, nullptr, 0));
    ASSERT_TRUE(FLock());
    int asked = 0;
    EXPECT_TRUE(AppendFrom(path_, [&] { return ++asked <= 4; })) << EngineErrorMsg;
    EXPECT_EQ(asked, 5);
    EXPECT_EQ(RecCount(), 4);
    EXPECT_EQ(CurrentAreaNo(), 1);
    EXPECT_EQ(WorkAreas[AppendFromArea], nullptr);
    Go(2);
    EXPECT_EQ(FieldText(1), " 22");
    EXPECT_EQ(FieldText(2), "M\xFCll");  // Windows character set in the typed buffer
    Go(3);
    EXPECT_TRUE(Deleted());
    EXPECT_FALSE(AppendFrom(target, nullptr));
    ExpectError(220, "Datei kann nicht an sich selbst angehängt werden."_oem);
    Unlock();
}

TEST_F(SearchTest, AppendFromSameStructureAndConversions) {
    CloseArea();
    const std::string numbers = Path("zahlen.dbf");
    test::MakeTable(numbers, {{"A", 'N', 6, 2}, {"B", 'C', 3, 0}, {"D", 'D', 0, 0}});
    test::AppendRaw(numbers,
                    {{" ", " -1.50", "7.9", "20000229"}, {" ", "123.45", "x", "        "}});
    const std::string target = Path("ziel2.dbf");
    test::MakeTable(target, {{"A", 'C', 5, 0}, {"B", 'N', 4, 0}, {"D", 'C', 6, 0}});
    ASSERT_TRUE(Use(target + " EXCLUSIVE", nullptr, 0));
    ASSERT_TRUE(AppendFrom(numbers, nullptr)) << EngineErrorMsg;
    Go(1);
    EXPECT_EQ(FieldText(1), "-1.50");
    EXPECT_EQ(FieldText(2), "   7");
    EXPECT_EQ(FieldText(3), "29.02.");  // century digits removed first, then cut
    Go(2);
    EXPECT_EQ(FieldText(1), "*****");  // too long for the text field
    Select(2);
    const std::string copy = Path("kopie.dbf");
    test::MakeTable(copy, {{"A", 'N', 6, 2}, {"B", 'C', 3, 0}, {"D", 'D', 0, 0}});
    ASSERT_TRUE(Use(copy + " EXCLUSIVE", nullptr, 0));
    ASSERT_TRUE(AppendFrom(numbers, nullptr));
    CloseArea();
    const auto a = test::ReadAllRecords(numbers), b = test::ReadAllRecords(copy);
    EXPECT_EQ(a, b);
}

}  // namespace
}  // namespace kor2
