// The dialogs' sizes come from their layouts and the fonts they are shown
// with: in a large font every button and label still shows whole and every
// control lies inside its dialog, while the sizes the forms are designed
// with stay the least sizes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "common/forms/folderdialog.h"
#include "common/forms/infoscreen.h"
#include "common/forms/listdialog.h"
#include "common/forms/msgdescwindow.h"
#include "common/forms/printselect.h"
#include "common/forms/radiodialog.h"
#include "common/forms/textdialog.h"
#include "common/forms/yesnodialog.h"
#include "common/globals.h"
#include "graphics/window/graphwin.h"
#include "platform/oemtext.h"
#include "screen/screencheck.h"
#include "support/tempdir.h"

namespace kor2 {
namespace {

std::string Joined(const std::vector<std::string>& faults) {
    std::string s;
    for (const std::string& f : faults) s += "\n  " + f;
    return s;
}

// A shown dialog's faults.
std::vector<std::string> FaultsOf(QWidget& w) {
    w.show();
    if (!QTest::qWaitForWindowExposed(&w)) return {"not shown"};
    std::vector<std::string> faults = test::LayoutFaults(w);
    // The offscreen screen is small; a dialog only has to fit its controls.
    std::erase_if(faults,
                  [](const std::string& f) { return f.find("beyond the screen") != f.npos; });
    w.hide();
    return faults;
}

class DialogLayout : public ::testing::Test {
protected:
    void SetUp() override {
        InitProgramVariables();
        ScreenScalePercent = 94;  // what a screen without configuration gave: 376 pixels
        GraphWindow.Left = GraphWindow.Top = 0;
        GraphWindow.Width = 1280;
        GraphWindow.Height = 1000;
        font = QApplication::font();
    }
    void TearDown() override { QApplication::setFont(font); }
    void UseFontOf(int points) {
        QFont f = font;
        f.setPointSize(points);
        QApplication::setFont(f);
    }
    QFont font;
    test::TempDir tmp;
};

TEST_F(DialogLayout, EveryDialogShowsWholeInALargeFont) {
    UseFontOf(16);
    std::vector<std::string> faults;
    auto add = [&faults](const std::string& name, std::vector<std::string> f) {
        for (std::string& x : f) faults.push_back(name + ": " + x);
    };
    {
        Tin_codedialog d;
        d.Fill("Berechnungsmodul meldet Warnungen oder Fehler, siehe Ursache und Abhilfe.",
               {"Fatal  : d <= 0 !", "a", "b", "c", "d", "e", "f", "Weiter"}, 1);
        add("list", FaultsOf(d));
    }
    {
        Tin_radiodialog d;
        d.Fill("Auswahl der Ausgabe", {"Goodman-Diagramm als DXF", "Haigh-Diagramm", "Weiter"}, 2);
        add("radio", FaultsOf(d));
    }
    {
        Tin_janeindialog d;
        d.Fill("Neuen Werkstoff eintragen ?", false);
        add("janein", FaultsOf(d));
    }
    {
        Tin_textdialog d;
        d.Fill("Ordner für temporäre Dateien"_oem, 60, "Stahl");
        add("text", FaultsOf(d));
    }
    {
        TForm_selectDir d;
        d.Folder = tmp.path().string();
        add("folder", FaultsOf(d));
    }
    {
        TShowScreen d;
        add("screen", FaultsOf(d));
    }
    {
        TForm_printmac d;
        d.SetOutputNames({"Grafikfenster", "Goodman-Diagramm", "Haigh-Diagramm"});
        add("print", FaultsOf(d));
    }
    {
        Thelperr d;
        d.Fill("Fatal  : Rm = 0 !", "Ursache", "Abhilfe");
        add("errwindow", FaultsOf(d));
    }
    EXPECT_TRUE(faults.empty()) << Joined(faults);
}

TEST_F(DialogLayout, DesignedSizesStayTheLeastSizes) {
    UseFontOf(6);
    Tin_codedialog list;
    list.Fill("x", {"a", "b", "c", "d", "e", "f", "g", "h"}, 1);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    EXPECT_GE(list.Label1->height(), 39);
    EXPECT_EQ(list.width(), 400 * 94 / 100);  // the scaled form, its controls fit

    Tin_janeindialog question;
    question.Fill("?", true);
    question.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&question));
    EXPECT_GE(question.Label1->width(), 250);
    EXPECT_GE(question.Label1->height(), 33);
    EXPECT_GE(question.RadioGroup_janein->width(), 250);
    EXPECT_GE(question.RadioGroup_janein->height(), 75);

    Tin_textdialog text;
    text.Fill("?", 10, "");
    text.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&text));
    EXPECT_GE(text.Label1->width(), 300);
    EXPECT_GE(text.Label1->height(), 33);
}

// Hidden check boxes belong to no output; their ticks stay in the index.
TEST_F(DialogLayout, PrintSelectionShowsOnlyTheNamedOutputs) {
    PrintMacroIndex = 1 << 9;  // output 10 ticked
    TForm_printmac d;
    d.SetOutputNames({"Grafikfenster", "Goodman-Diagramm"});
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    EXPECT_TRUE(d.CheckBox(2)->isVisible());
    EXPECT_FALSE(d.CheckBox(3)->isVisible());
    d.CheckBox(1)->setChecked(true);
    d.Button_okClick();
    EXPECT_EQ(PrintMacroIndex, 1 | (1 << 9));
}

}  // namespace
}  // namespace kor2
