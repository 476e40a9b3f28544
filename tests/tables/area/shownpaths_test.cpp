// Paths in the engine: its messages name files as the host writes them ("/"
// separators and the real case of every name that exists, though the engine
// works with the upper-cased name that Use makes of the table's name), and a
// folder of any length that holds blanks works wherever a path is taken.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/oemtext.h"
#include "tables/area/changes.h"
#include "tables/area/navigation.h"
#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginestrings.h"
#include "tables/base/filenames.h"
#include "tables/delim/delimited.h"
#include "tables/index/ndx_testutil.h"
#include "tables/index/ndxbuild.h"
#include "tables/index/orders.h"
#include "tables/tbtestutil.h"

namespace kor2 {
namespace {

class ShownPaths : public test::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        std::filesystem::create_directory(Path("Mixed"));
        test::MakeTable(table, {{"T", 'C', 4, 0}});
        test::AppendRaw(table, {{" ", "r1"}});
    }
    // The name in the program's form, upper-cased as a user may type it.
    std::string Given(const std::string& name) const {
        std::string p = UpperStr(Path(name));
        std::replace(p.begin(), p.end(), '/', '\\');
        return p;
    }
    // The message holds the text and no upper-cased folder.
    void ExpectMessage(uint16_t code, const std::string& part) {
        ExpectError(code, part);
        EXPECT_EQ(EngineErrorMsg.find(UpperStr(Path("Mixed"))), std::string::npos)
            << EngineErrorMsg;
        EXPECT_EQ(EngineErrorMsg.find('\\'), std::string::npos) << EngineErrorMsg;
    }
    const std::string table = Path("Mixed/Tabelle.dbf");
};

TEST_F(ShownPaths, NavigationAndChangesNameTheTable) {
    ASSERT_TRUE(Use(Given("Mixed/Tabelle"), nullptr, 0)) << EngineErrorMsg;
    Go(7);
    ExpectMessage(212, "Datenbank \"" + table + "\" [GO]");
    GoBottom();
    Skip(1);
    Replace();
    ExpectMessage(212, "Datenbank \"" + table + "\" bei EOF angelangt. [REPLACE]");
}

TEST_F(ShownPaths, OpenAndIndexMessagesNameTheirFiles) {
    test::WriteFileBytes(Path("Mixed/Kaputt.dbf"), "no table at all");
    EXPECT_FALSE(Use(Given("Mixed/Kaputt"), nullptr, 0));
    EXPECT_NE(EngineErrorMsg.find(Path("Mixed/Kaputt.dbf")), std::string::npos) << EngineErrorMsg;
    EXPECT_EQ(EngineErrorMsg.find(UpperStr(Path("Mixed"))), std::string::npos) << EngineErrorMsg;

    ASSERT_TRUE(Use(Given("Mixed/Tabelle"), nullptr, 0)) << EngineErrorMsg;
    // A file that does not exist keeps the case it was given in.
    EXPECT_FALSE(SetIndexTo(Given("Mixed/Fehlt"), 1));
    ExpectMessage(EngineErrorCode, "von " + Path("Mixed") + "/FEHLT [SetIndexTo");
}

// A user's project folder: longer than 100 characters, with blanks.
class LongFolder : public test::NdxTest {
protected:
    void SetUp() override {
        NdxTest::SetUp();
        std::filesystem::create_directory(Path(kFolder));
        test::MakeTable(table, {{"T", 'C', 4, 0}, {"N", 'N', 3, 0}});
        test::AppendRaw(table, {{" ", "r3", "1"}, {"*", "r2", "2"}, {" ", "r1", "3"}});
    }
    std::string InFolder(const std::string& name) const {
        return Path(std::string(kFolder) + "/" + name);
    }
    static constexpr const char* kFolder =
        "Ein Projektordner mit einem langen Namen und Leerzeichen, wie ihn ein Benutzer "
        "unter seinem Heimatordner bald hat";
    const std::string table = InFolder("Tabelle.dbf");
};

TEST_F(LongFolder, NamesAreKeptWhole) {
    const SplitName s =
        SplitFileName(InFolder("Ein langer Name einer Tabelle, der mehr als "
                               "vierundsechzig Zeichen hat.Endung mit Leerzeichen"));
    EXPECT_EQ(s.dir, InFolder(""));
    EXPECT_EQ(s.name, "Ein langer Name einer Tabelle, der mehr als vierundsechzig Zeichen hat");
    EXPECT_EQ(s.ext, ".Endung mit Leerzeichen");
}

TEST_F(LongFolder, PackIndexAndExportWriteBesideTheirTargets) {
    ASSERT_TRUE(Use(table + " EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
    // An index by a bare name goes beside the table and is found there again.
    Index_On("T", "Namen");
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    EXPECT_TRUE(std::filesystem::exists(InFolder("Namen.NDX")));
    CloseAllIndexes();
    Set_Index_To("Namen");
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    ASSERT_TRUE(Pack()) << EngineErrorMsg;
    EXPECT_EQ(RecCount(), 2);
    GoTop();
    EXPECT_EQ(AllTrim(FieldText(1)), "r1");
    ASSERT_TRUE(ExportText(InFolder("Export mit Leerzeichen.txt"))) << EngineErrorMsg;
    EXPECT_EQ(test::ReadFileBytes(InFolder("Export mit Leerzeichen.txt")).substr(0, 4), "\"r1\"");
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(Path(kFolder)))
        left.push_back(e.path().filename());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left,
              (std::vector<std::string>{"Export mit Leerzeichen.txt", "Namen.NDX", "Tabelle.dbf"}));
}

// Index names in a list: a name in double quotes may hold blanks, and the
// list form takes each name whole.
TEST_F(LongFolder, IndexListsTakeNamesWithBlanks) {
    ASSERT_TRUE(Use(table, nullptr, 0)) << EngineErrorMsg;
    MakeIndexFromExpr("T", InFolder("nach t.ndx"));
    MakeIndexFromExpr("N", InFolder("rueckwaerts.ndx"));
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    Set_Index_To("\"" + InFolder("nach t.ndx") + "\" \"" + InFolder("rueckwaerts.ndx") + "\"");
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    GoTop();
    EXPECT_EQ(AllTrim(FieldText(1)), "r1");
    Set_Order_To(2);
    GoTop();
    EXPECT_EQ(AllTrim(FieldText(1)), "r3");
    Set_Index_To(std::vector<std::string>{InFolder("rueckwaerts.ndx"), InFolder("nach t.ndx")});
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    GoTop();
    EXPECT_EQ(AllTrim(FieldText(1)), "r3");
    // Plain names are still separated by blanks.
    Set_Index_To("\"nach t\"  rueckwaerts.ndx");
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    Set_Order_To(2);
    GoTop();
    EXPECT_EQ(AllTrim(FieldText(1)), "r3");
    // A quote that is not closed is refused, and no index is open.
    Set_Index_To("\"nach t");
    EXPECT_EQ(EngineErrorCode, 220) << EngineErrorMsg;
    EXPECT_EQ(CurrentOrderNo(), 0);
}

}  // namespace
}  // namespace kor2
