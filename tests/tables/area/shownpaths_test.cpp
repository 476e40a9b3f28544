// The engine's messages name files as the host writes them: "/" separators
// and the real case of every name that exists, though the engine works with
// the upper-cased name that Use makes of the table's name.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "platform/oemtext.h"
#include "tables/area/changes.h"
#include "tables/area/navigation.h"
#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginestrings.h"
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

}  // namespace
}  // namespace kor2
