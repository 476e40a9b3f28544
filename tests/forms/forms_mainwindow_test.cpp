// Tests of the main window Thh driven offscreen with scripted dialogs: the
// start-up spring, the check command and the error-list caption, opening a
// spring file, the Goodman diagram on screen and as a DXF file, and closing.
#include <gtest/gtest.h>

#include <QAction>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <string>

#include "app/qt/mainwindow.h"
#include "app/shell.h"
#include "app/startup.h"
#include "common/globals.h"
#include "common/scriptdialogs.h"
#include "graphics/graphwin.h"
#include "platform/hostfs.h"
#include "platform/qt/qtstring.h"
#include "spring/springdata.h"
#include "support/tempdir.h"
#include "tables/tbengine.h"

namespace kor2 {
namespace {

const std::string kData = std::string(KOR2_SOURCE_DIR) + "/data/";

std::string ProgramPath(std::string p) {
    std::replace(p.begin(), p.end(), '/', '\\');
    return p;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetCommandLine({"/NOGUI"});  // no message window after the start-up check
        InitAllUnits();
        TempFolder = ConfigDir = CadFolder = tmp.path().string();
        PltFolder = kData;
        DataFolder = kData + "TRAIN";
    }
    void TearDown() override {
        ShutdownTableEngine();
        SetCommandLine({});
        AbortFlag = false;
    }
    test::TempDir tmp;
    ScriptedDialogs dialogs;
};

TEST_F(MainWindowTest, CheckShowsTheMessageCountInTheErrorListItem) {
    Thh w;
    w.show();
    EXPECT_FALSE(w.StartUp(ParseCommandLine(CommandLineParams())));
    EXPECT_EQ(w.windowTitle().toStdString().rfind("KOR2", 0), 0u);

    // The default spring from data/TRAIN: a checked spring without a fatal message.
    EXPECT_FALSE(CalcErrorFlag);
    TensileStrength = 0;  // the next check ends with "Fatal  : Rm = 0 !"
    w.mi_BerechnungPruefen->trigger();
    ASSERT_GT(ErrorList.count, 0);
    EXPECT_EQ(platform::QStringToOem(w.mi_Fehlerliste->text()),
              "&Fehlermeldungen (" + std::to_string(ErrorList.count) + ")");
    EXPECT_TRUE(CalcErrorFlag);
}

TEST_F(MainWindowTest, OpenDrawAndCloseThroughTheMenu) {
    Thh w;
    w.show();
    w.StartUp(ParseCommandLine(CommandLineParams()));

    dialogs.answers.push_back(ScriptedAnswer::Type(ProgramPath(kData + "TRAIN/muster1.kr2")));
    w.mi_DateiOeffnen->trigger();
    EXPECT_NE(w.windowTitle().toStdString().find("muster1.kr2"), std::string::npos);
    EXPECT_EQ(LoadingType, 2);  // the demo spring is dynamic
    const std::string countCaption = platform::QStringToOem(w.mi_Fehlerliste->text());
    EXPECT_EQ(countCaption, "&Fehlermeldungen (" + std::to_string(ErrorList.count) + ")");

    GraphWindow.Clear();
    ASSERT_FALSE(CalcErrorFlag);
    w.mi_GoodmanBildschirm->trigger();
    EXPECT_FALSE(AbortFlag);
    EXPECT_FALSE(GraphWindow.Items().empty());
    QTest::qWait(10);  // the repaint of the drawing does not fail

    dialogs.answers.push_back(ScriptedAnswer::Type(ProgramPath(tmp.file("goodman.dxf"))));
    w.mi_GoodmanDxf->trigger();
    EXPECT_TRUE(platform::FileExists(tmp.file("goodman.dxf")));

    // Closing an unmodified spring asks nothing and writes the state file.
    const std::size_t asked = dialogs.events.size();
    EXPECT_TRUE(w.close());
    EXPECT_EQ(dialogs.events.size(), asked);
    EXPECT_TRUE(platform::FileExists(tmp.file("kor2.cff")));
}

TEST_F(MainWindowTest, ClosingModifiedInputCanBeCancelled) {
    Thh w;
    w.show();
    w.StartUp(ParseCommandLine(CommandLineParams()));
    InputModifiedFlag = true;
    dialogs.answers.push_back(ScriptedAnswer::Cancel());
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());
    ASSERT_FALSE(dialogs.Of("yesno").empty());
    EXPECT_EQ(dialogs.Of("yesno").back().text.rfind("Datei speichern (", 0), 0u);
    InputModifiedFlag = false;
}

}  // namespace
}  // namespace kor2
