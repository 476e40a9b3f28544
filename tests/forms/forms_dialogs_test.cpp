// Tests of the standard dialog forms driven with QTest through the Qt
// backend: keys, buttons, preselection, help buttons, the bounded number
// inputs and AbortFlag after each.
#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

#include "common/forms/listdialog.h"
#include "common/forms/qtdialogs.h"
#include "common/forms/radiodialog.h"
#include "common/forms/textdialog.h"
#include "common/forms/yesnodialog.h"
#include "common/globals.h"
#include "common/helptext.h"
#include "common/inputdlg.h"
#include "common/msgbox.h"
#include "forms_modal.h"
#include "graphics/window/graphwin.h"
#include "platform/oemtext.h"
#include "support/tempdir.h"

namespace kor2 {
namespace {

using test::OnModal;

class QtForms : public ::testing::Test {
protected:
    void SetUp() override {
        InitProgramVariables();
        SetDialogBackend(&qt);
        for (int k = 1; k <= 9; ++k) TextLines[k] = "Eintrag " + std::to_string(k);
    }
    void TearDown() override { SetDialogBackend(nullptr); }
    QtDialogs qt;
};

TEST_F(QtForms, ListDialogFromEightEntries) {
    uint16_t sel = 3;
    std::string caption;
    int rows = 0, current = 0;
    OnModal<Tin_codedialog>([&](Tin_codedialog* d) {
        caption = d->windowTitle().toStdString();
        rows = d->ListBox1->count();
        current = d->ListBox1->currentRow();
        QTest::keyClick(d->ListBox1, Qt::Key_Down);
        QTest::keyClick(d->ListBox1, Qt::Key_Return);
    });
    AbortFlag = true;  // Enter clears it
    SelectFromList("Titel", 8, sel);
    EXPECT_EQ(caption, "Auswahl");
    EXPECT_EQ(rows, 8);
    EXPECT_EQ(current, 2);
    EXPECT_FALSE(AbortFlag);
    EXPECT_EQ(sel, 4);

    OnModal<Tin_codedialog>([](Tin_codedialog* d) { QTest::keyClick(d, Qt::Key_Escape); });
    SelectFromList("Titel", 9, sel);
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(sel, 4);

    AbortFlag = false;
    OnModal<Tin_codedialog>([](Tin_codedialog* d) { d->button_cancel->click(); });
    SelectFromList("Titel", 9, sel);
    EXPECT_TRUE(AbortFlag);

    AbortFlag = false;
    sel = 0;
    OnModal<Tin_codedialog>([](Tin_codedialog* d) {
        QListWidgetItem* item = d->ListBox1->item(5);
        d->ListBox1->setCurrentItem(item);
        Q_EMIT d->ListBox1->itemDoubleClicked(item);
    });
    SelectFromList("Titel", 8, sel);
    EXPECT_FALSE(AbortFlag);
    EXPECT_EQ(sel, 6);
}

TEST_F(QtForms, RadioDialogBelowEightEntries) {
    uint16_t sel = 9;  // above Count: entry 1
    int buttons = 0;
    bool firstChecked = false;
    OnModal<Tin_radiodialog>([&](Tin_radiodialog* d) {
        buttons = static_cast<int>(d->RadioGroup1->findChildren<QRadioButton*>().size());
        auto* first = d->RadioGroup1->findChild<QRadioButton*>("RadioButton1");
        firstChecked = first && first->isChecked();
        EXPECT_EQ(d->RadioGroup1->height(), 8 * 25);
        d->RadioGroup1->findChild<QRadioButton*>("RadioButton3")->click();
        d->Button_ok->click();
    });
    SelectFromList("Titel", 7, sel);
    EXPECT_EQ(buttons, 7);
    EXPECT_TRUE(firstChecked);
    EXPECT_EQ(sel, 3);
    EXPECT_FALSE(AbortFlag);

    OnModal<Tin_radiodialog>([](Tin_radiodialog* d) { QTest::keyClick(d, Qt::Key_Return); });
    SelectFromList("Titel", 7, sel);
    EXPECT_EQ(sel, 3);
    EXPECT_FALSE(AbortFlag);

    OnModal<Tin_radiodialog>([](Tin_radiodialog* d) { QTest::keyClick(d, Qt::Key_Escape); });
    SelectFromList("Titel", 7, sel);
    EXPECT_TRUE(AbortFlag);
}

TEST_F(QtForms, HelpButtonsShowTheEntryAndClearAbortFlag) {
    test::TempDir tmp;
    PltFolder = tmp.path().string();
    std::ofstream(tmp.file("quorvex.hlp"), std::ios::binary) << "1050\nHilfe zur Auswahl\n1055\n";
    SetHelpNumberDlg(1050);
    uint16_t sel = 1;
    QString helpText, helpCaption;
    bool stillOpen = false;
    OnModal<Tin_codedialog>([&](Tin_codedialog* d) {
        OnModal<QMessageBox>(
            [&](QMessageBox* box) {
                helpText = box->text();
                helpCaption = box->windowTitle();
                box->accept();
            },
            d);
        AbortFlag = true;
        d->Button_hilfetext->click();
        stillOpen = d->isVisible();
        EXPECT_FALSE(AbortFlag);
        d->button_ok->click();
    });
    SelectFromList("Titel", 8, sel);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(helpCaption.toStdString(), "HILFETEXT Nr.1050");
    EXPECT_TRUE(helpText.startsWith("Hilfe zur Auswahl"));
    EXPECT_FALSE(AbortFlag);
}

TEST_F(QtForms, BoundedIntegerInputThroughTheTextDialog) {
    int32_t v = 7;
    QString shown;
    int maxLength = 0;
    OnModal<Tin_textdialog>([&](Tin_textdialog* d) {
        shown = d->EditEinText->text();
        maxLength = d->EditEinText->maxLength();
        d->EditEinText->setText("5");
        QTest::keyClick(d->EditEinText, Qt::Key_Return);
    });
    InputIntChecked("Anzahl", v, 10, 1);
    EXPECT_EQ(shown, "7");
    EXPECT_EQ(maxLength, 12);
    EXPECT_EQ(v, 5);
    EXPECT_FALSE(AbortFlag);

    // An empty text: error box, asked again with the old value, then Esc.
    QString error, again;
    OnModal<Tin_textdialog>([&](Tin_textdialog* d) {
        d->EditEinText->clear();
        OnModal<QMessageBox>(
            [&](QMessageBox* box) {
                error = box->text();
                box->accept();
                OnModal<Tin_textdialog>([&](Tin_textdialog* d2) {
                    again = d2->EditEinText->text();
                    QTest::keyClick(d2->EditEinText, Qt::Key_Escape);
                });
            },
            d);
        d->Button_ok->click();
    });
    InputIntChecked("Anzahl", v, 1, 10);
    EXPECT_EQ(error, QString::fromUtf8("Ungültige Eingabe \"\" !"));
    EXPECT_EQ(again, "5");
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(v, 5);
}

// The length limit holds for typing only: OK on a longer preset gives it
// back whole, and typing cannot make it longer still.
TEST_F(QtForms, TextDialogKeepsALongerPresetBitForBit) {
    const std::string folder = "/tmp/" + std::string(55, 'o') + "/temp/";  // 66 characters
    ASSERT_EQ(folder.size(), 66u);
    std::string text = folder;
    int shownLength = 0;
    OnModal<Tin_textdialog>([&](Tin_textdialog* d) {
        shownLength = static_cast<int>(d->EditEinText->text().size());
        d->Button_ok->click();
    });
    InputText("Ordner", 60, text);
    EXPECT_FALSE(AbortFlag);
    EXPECT_EQ(shownLength, 66);
    EXPECT_EQ(text, folder);

    // Typing at the end of the long text adds nothing; a text typed anew
    // is held to the limit.
    OnModal<Tin_textdialog>([](Tin_textdialog* d) {
        d->EditEinText->end(false);
        QTest::keyClicks(d->EditEinText, "xyz");
        d->Button_ok->click();
    });
    InputText("Ordner", 60, text);
    EXPECT_EQ(text, folder);
    OnModal<Tin_textdialog>([](Tin_textdialog* d) {
        d->EditEinText->selectAll();
        QTest::keyClicks(d->EditEinText, QString(70, 'k'));
        d->Button_ok->click();
    });
    InputText("Ordner", 60, text);
    EXPECT_EQ(text, std::string(60, 'k'));

    // A number whose text is longer than the float input's 30 characters.
    Extended v = 1E40L;
    OnModal<Tin_textdialog>([](Tin_textdialog* d) { d->Button_ok->click(); });
    InputExtChecked("Wert", v, 0, 1E50L);
    EXPECT_FALSE(AbortFlag);
    EXPECT_EQ(v, 1E40L);
}

TEST_F(QtForms, FloatInputCommaAndUnchangedText) {
    Extended v = 3;
    OnModal<Tin_textdialog>([](Tin_textdialog* d) {
        QTest::keyClicks(d->EditEinText, "1,5");
        d->Button_ok->click();
    });
    InputExtChecked("Wert", v, 0, 10);
    EXPECT_EQ(v, 1.5L);

    v = 2.718281828459045L;
    OnModal<Tin_textdialog>([](Tin_textdialog* d) { d->Button_ok->click(); });
    InputExtChecked("Wert", v, 0, 10);
    EXPECT_EQ(v, 2.718281828459045L);

    OnModal<Tin_textdialog>([](Tin_textdialog* d) { d->Button_Cancel->click(); });
    InputExtChecked("Wert", v, 0, 10);
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(v, 2.718281828459045L);
}

TEST_F(QtForms, YesNoDialog) {
    char answer = 'n';
    bool neinChecked = false;
    std::string caption;
    OnModal<Tin_janeindialog>([&](Tin_janeindialog* d) {
        neinChecked = d->RadioNein->isChecked();
        caption = d->windowTitle().toStdString();
        d->RadioJa->click();
        QTest::keyClick(d, Qt::Key_Return);
    });
    AskYesNoDialog("Speichern?", answer);
    EXPECT_TRUE(neinChecked);
    EXPECT_EQ(caption, "Eingabe");
    EXPECT_EQ(answer, 'J');

    bool flag = true;
    OnModal<Tin_janeindialog>([](Tin_janeindialog* d) {
        d->RadioNein->click();
        d->button_cancel->click();
    });
    AskYesNo("Speichern?", flag);
    EXPECT_TRUE(AbortFlag);
    EXPECT_TRUE(flag);

    AbortFlag = false;
    OnModal<Tin_janeindialog>([](Tin_janeindialog* d) {
        d->RadioNein->click();
        d->Button_ok->click();
    });
    AskYesNo("Speichern?", flag);
    EXPECT_FALSE(flag);
}

TEST_F(QtForms, MessageBoxesCaptionsAndYesNoCancel) {
    QString caption, text;
    OnModal<QMessageBox>([&](QMessageBox* b) {
        caption = b->windowTitle();
        text = b->text();
        b->accept();
    });
    ShowErrorMessage("Datei nicht gefunden f\x81r M\x84rz");
    EXPECT_EQ(caption, "Fehler : ");
    EXPECT_EQ(text, QString::fromUtf8("Datei nicht gefunden für März"));

    OnModal<QMessageBox>([&](QMessageBox* b) {
        caption = b->windowTitle();
        b->button(QMessageBox::No)->click();
    });
    EXPECT_FALSE(MessageBoxYesNo("Weiter?"));
    EXPECT_FALSE(AbortFlag);
    EXPECT_EQ(caption.toStdString(), MainTitle.str());

    OnModal<QMessageBox>([](QMessageBox* b) { b->button(QMessageBox::Cancel)->click(); });
    EXPECT_FALSE(MessageBoxYesNo("Weiter?"));
    EXPECT_TRUE(AbortFlag);

    // The retry question of a failed rewrite offers Cancel.
    AbortFlag = false;
    TextFile f;
    f.Assign("\\proc\\kor2-cannot-exist\\x.txt");
    OnModal<QMessageBox>([](QMessageBox* b) { b->button(QMessageBox::Cancel)->click(); });
    RewriteRetry(f);
    EXPECT_TRUE(AbortFlag);
}

}  // namespace
}  // namespace kor2

namespace kor2 {
namespace {

// The next file dialog takes file as typed into its name and is accepted.
void ChooseInFileDialog(const std::string& file) {
    OnModal<QFileDialog>([file](QFileDialog* d) {
        if (auto* name = d->findChild<QLineEdit*>("fileNameEdit"))
            name->setText(QString::fromStdString(file));
        static_cast<QDialog*>(d)->accept();
    });
}

// The help buttons of every dialog: the text in a message box, the picture
// in the graphics window; list, radio and text dialogs clear AbortFlag, the
// yes/no dialog leaves it.
// The file dialogs hand the host's UTF-8 name over in code page 850; a name
// with a character that code page lacks comes back as no choice, after a
// message that names it.
TEST_F(QtForms, FileDialogsTakeUmlautNamesAndRefuseOthers) {
    test::TempDir tmp;
    ChooseInFileDialog(tmp.file("Feder prüf größe.kr2"));
    std::optional<std::string> chosen = qt.SaveFile(tmp.path().string(), "*.kr2|*.kr2", "");
    std::string expected = tmp.file("Feder prüf größe.kr2"_oem);
    std::replace(expected.begin(), expected.end(), '/', '\\');
    EXPECT_EQ(chosen, expected);

    for (const char* name : {"Feder \u03B1.kr2", "\u5F39\u7C27.kr2"}) {
        ChooseInFileDialog(tmp.file(name));
        QString said;
        OnModal<QMessageBox>([&said](QMessageBox* b) {
            said = b->text();
            b->accept();
        });
        AbortFlag = false;
        EXPECT_EQ(qt.SaveFile(tmp.path().string(), "*.kr2|*.kr2", ""), std::nullopt) << name;
        EXPECT_TRUE(AbortFlag);
        EXPECT_TRUE(said.contains(QString::fromUtf8("enthält Zeichen"))) << said.toStdString();
        EXPECT_TRUE(said.contains(QString::fromUtf8(name))) << said.toStdString();  // as typed
        EXPECT_TRUE(std::filesystem::is_empty(tmp.path()));
    }
}

// A name typed without extension gets the filter's one in the save dialog,
// which asks before it replaces that file; the program then need not ask.
TEST_F(QtForms, SaveDialogAddsTheExtensionAndAsksAboutThatFile) {
    test::TempDir tmp;
    std::string expected = tmp.file("zeichnung.dxf");
    std::replace(expected.begin(), expected.end(), '/', '\\');
    ChooseInFileDialog(tmp.file("zeichnung"));
    EXPECT_EQ(qt.SaveFile(tmp.path().string(), "*.dxf|*.dxf", ""), expected);

    std::ofstream(tmp.file("zeichnung.dxf")) << "alt";
    ChooseInFileDialog(tmp.file("zeichnung"));
    QString asked;
    OnModal<QMessageBox>([&asked](QMessageBox* b) {
        asked = b->text();
        b->button(QMessageBox::Yes)->click();
    });
    EXPECT_EQ(qt.SaveFile(tmp.path().string(), "*.dxf|*.dxf", ""), expected);
    EXPECT_TRUE(asked.contains("zeichnung.dxf")) << asked.toStdString();
    EXPECT_TRUE(qt.SaveAsksBeforeReplacing());
}

TEST_F(QtForms, HelpButtonsOfEveryDialog) {
    test::TempDir tmp;
    PltFolder = tmp.path().string();
    std::ofstream(tmp.file("quorvex.hlp"), std::ios::binary) << "1060:bild\nText\n1065\n";
    std::ofstream(tmp.file("bild.plt"), std::ios::binary) << "IN;PU0,0;PD400,400;";
    SetHelpNumberDlg(1060);
    int boxes = 0;
    std::vector<bool> abortAfter;
    auto press = [&](QDialog* d, QPushButton* text, QPushButton* picture, QPushButton* ok) {
        OnModal<QMessageBox>(
            [&](QMessageBox* b) {
                ++boxes;
                b->accept();
            },
            d);
        AbortFlag = true;
        text->click();
        AbortFlag = true;
        picture->click();
        abortAfter.push_back(AbortFlag);
        AbortFlag = false;
        ok->click();
    };
    uint16_t sel = 1;
    OnModal<Tin_radiodialog>([&](Tin_radiodialog* d) {
        press(d, d->Button_hilfetext, d->Button_hilfebild, d->Button_ok);
    });
    SelectFromList("t", 3, sel);
    std::string text = "x";
    OnModal<Tin_textdialog>([&](Tin_textdialog* d) {
        press(d, d->Button_hilfetext, d->Button_hilfebild, d->Button_ok);
    });
    InputText("p", 10, text);
    char answer = 'J';
    OnModal<Tin_janeindialog>([&](Tin_janeindialog* d) {
        press(d, d->Button_hilfetext, d->Button_hilfebild, d->Button_ok);
    });
    AskYesNoDialog("q", answer);
    EXPECT_EQ(boxes, 3);
    EXPECT_EQ(abortAfter, (std::vector<bool>{false, false, true}));
    int lines = 0;
    for (const GraphItem& it : GraphWindow.Items()) lines += it.kind == GraphItem::Kind::Line;
    EXPECT_EQ(lines, 1);
}

}  // namespace
}  // namespace kor2
