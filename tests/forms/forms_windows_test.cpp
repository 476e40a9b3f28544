// Tests of the folder choice, the text screen, the message description
// window and the graphics window widget, driven offscreen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/errdesc.h"
#include "common/forms/folderdialog.h"
#include "common/forms/infoscreen.h"
#include "common/forms/msgdescwindow.h"
#include "common/forms/qtdialogs.h"
#include "common/globals.h"
#include "common/inputdlg.h"
#include "common/msgbox.h"
#include "forms_modal.h"
#include "graphics/qt/graphwidget.h"
#include "graphics/window/graphwin.h"
#include "support/tempdir.h"

namespace kor2 {
namespace {

using test::OnModal;

class QtWindows : public ::testing::Test {
protected:
    void SetUp() override {
        InitProgramVariables();
        SetDialogBackend(&qt);
    }
    void TearDown() override { SetDialogBackend(nullptr); }
    QtDialogs qt;
    test::TempDir tmp;
};

TEST_F(QtWindows, FolderChoiceEntersSubfoldersAndCancelKeepsTheStart) {
    std::filesystem::create_directories(tmp.path() / "data" / "inner");
    const std::string start = tmp.path().string();
    std::string dir;
    QStringList listed;
    OnModal<TForm_selectDir>([&](TForm_selectDir* d) {
        for (int i = 0; i < d->DirectoryListBox1->count(); ++i)
            listed << d->DirectoryListBox1->item(i)->text();
        QListWidgetItem* data = d->DirectoryListBox1->findItems("data", Qt::MatchExactly).value(0);
        ASSERT_NE(data, nullptr);
        Q_EMIT d->DirectoryListBox1->itemDoubleClicked(data);
        d->Button_ok->click();
    });
    SelectDirectory(start, dir);
    EXPECT_EQ(listed, (QStringList{"..", "data"}));
    std::string expected = start + "/data";
    std::replace(expected.begin(), expected.end(), '/', '\\');
    EXPECT_EQ(dir, expected);
    EXPECT_FALSE(AbortFlag);

    std::string title;
    OnModal<TForm_selectDir>([&](TForm_selectDir* d) {
        title = d->windowTitle().toStdString();
        d->Button_cancel->click();
    });
    SelectDirectory(start, dir);
    EXPECT_EQ(title, "Select Directory");
    EXPECT_EQ(dir, start);
    EXPECT_FALSE(AbortFlag);  // a cancel is a normal result here
}

TEST_F(QtWindows, FolderDialogShowsTheOpenFolderInItsDriveBox) {
    std::filesystem::create_directories(tmp.path() / "data" / "inner");
    const std::string start = tmp.path().string();
    QString first, entered, back;
    QStringList chain;
    std::string dir;
    OnModal<TForm_selectDir>([&](TForm_selectDir* d) {
        first = d->DriveComboBox1->currentText();
        QListWidgetItem* data = d->DirectoryListBox1->findItems("data", Qt::MatchExactly).value(0);
        ASSERT_NE(data, nullptr);
        Q_EMIT d->DirectoryListBox1->itemDoubleClicked(data);
        entered = d->DriveComboBox1->currentText();
        for (int i = 0; i < d->DriveComboBox1->count(); ++i)
            chain << d->DriveComboBox1->itemText(i);
        // Choosing a folder above moves the list there.
        d->DriveComboBox1->setCurrentIndex(
            d->DriveComboBox1->findText(QString::fromStdString(start)));
        Q_EMIT d->DriveComboBox1->activated(d->DriveComboBox1->currentIndex());
        back = d->DriveComboBox1->currentText();
        d->Button_ok->click();
    });
    SelectDirectory(start, dir);
    EXPECT_EQ(first.toStdString(), start);
    EXPECT_EQ(entered.toStdString(), start + "/data");
    ASSERT_FALSE(chain.isEmpty());
    EXPECT_EQ(chain.first(), "/");
    EXPECT_EQ(chain.last().toStdString(), start + "/data");
    EXPECT_TRUE(chain.contains(QString::fromStdString(start)));
    EXPECT_EQ(back.toStdString(), start);
    std::string expected = start;
    std::replace(expected.begin(), expected.end(), '/', '\\');
    EXPECT_EQ(dir, expected);
}

TEST_F(QtWindows, OpenAndSaveDialogsReturnProgramNames) {
    std::ofstream(tmp.file("bild.plt"), std::ios::binary) << "IN;";
    std::string dir = tmp.path().string() + "\\";
    std::string name;
    QStringList filters;
    QString shownDir;
    OnModal<QFileDialog>([&](QFileDialog* d) {
        filters = d->nameFilters();
        shownDir = d->directory().absolutePath();
        // The name typed, as a user does; the dialog's own selection follows
        // its file list, which fills in the background.
        d->findChild<QLineEdit*>("fileNameEdit")
            ->setText(QString::fromStdString(tmp.file("bild.plt")));
        static_cast<QDialog*>(d)->accept();
    });
    OpenFileDialogFilter(1, dir, "*.plt", name);
    EXPECT_EQ(filters, QStringList{"*.plt (*.plt)"});
    EXPECT_EQ(shownDir.toStdString(), tmp.path().string());
    EXPECT_EQ(name, "bild");
    std::string expected = tmp.path().string() + "/";
    std::replace(expected.begin(), expected.end(), '/', '\\');
    EXPECT_EQ(dir, expected);
    EXPECT_FALSE(AbortFlag);

    DataFolder = tmp.path().string();
    std::string full;
    OnModal<QFileDialog>([](QFileDialog* d) { d->reject(); });
    SaveDataFileAs("", full);
    EXPECT_TRUE(AbortFlag);
}

TEST_F(QtWindows, TextScreenShowsTwentyTwoLines) {
    CaptionText = "Info";
    TextLines[1] =
        "Gr\x94\xe1"
        "e";
    TextLines[22] = "last";
    QStringList lines;
    QString caption;
    OnModal<TShowScreen>([&](TShowScreen* s) {
        lines = s->Memo1->toPlainText().split('\n');
        caption = s->windowTitle();
        QTest::keyClick(s->Button_ok, Qt::Key_Return);
    });
    ShowInfoScreen();
    ASSERT_EQ(lines.size(), 22);
    EXPECT_EQ(lines[0], QString::fromUtf8("Größe"));
    EXPECT_EQ(lines[21], "last");
    EXPECT_EQ(caption, "Info");
}

TEST_F(QtWindows, DescriptionWindowSavesEditedTextsAfterTheQuestion) {
    PltFolder = tmp.path().string();
    std::filesystem::create_directory(tmp.path() / "t");
    TempFolder = (tmp.path() / "t").string();
    std::ofstream(tmp.file("kor2.err"), std::ios::binary)
        << "Warnung: \x9a"
           "berkrit. Bereich\r\nalt\r\nalt2\r\nnext\r\n";
    bool modifiedAtShow = true;
    QString question;
    OnModal<Thelperr>([&](Thelperr* w) {
        modifiedAtShow = w->Modified();
        EXPECT_EQ(w->Edit_meldung->text(), QString::fromUtf8("Warnung: Überkrit. Bereich"));
        EXPECT_EQ(w->Memo_ursache->toPlainText(), "alt");
        w->Memo_ursache->setPlainText(QString::fromUtf8("Ursache über"));
        OnModal<QMessageBox>(
            [&](QMessageBox* b) {
                question = b->text();
                b->button(QMessageBox::Yes)->click();
            },
            w);
        w->Button_ok->click();
    });
    ShowErrWindow(
        "Warnung: \x9a"
        "berkrit. Bereich",
        "alt", "alt2");
    EXPECT_FALSE(modifiedAtShow);
    EXPECT_EQ(question, "Save Changes ?");
    std::ifstream in(tmp.file("kor2.err"), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    EXPECT_EQ(ss.str(),
              "Warnung: \x9a"
              "berkrit. Bereich\r\nUrsache \x81"
              "ber\r\nalt2\r\nnext\r\n");

    // Unchanged texts: OK closes without a question.
    OnModal<Thelperr>([](Thelperr* w) { w->Button_ok->click(); });
    ShowErrWindow("x", "y", "z");
    EXPECT_FALSE(AbortFlag);
}

// A description file that cannot be written: the error names it, and the
// window stays open with the edit, so that OK can save it once it may.
TEST_F(QtWindows, DescriptionWindowKeepsAnEditThatCannotBeWritten) {
    namespace fs = std::filesystem;
    PltFolder = tmp.path().string();
    fs::create_directory(tmp.path() / "t");
    TempFolder = (tmp.path() / "t").string();
    const std::string file = tmp.file("kor2.err");
    std::ofstream(file, std::ios::binary) << "Warnung: Last\r\nalt\r\nalt2\r\nnext\r\n";
    fs::permissions(file, fs::perms::owner_read);
    // OK on the window, Yes to the question; then the error (when one comes)
    // is read and closed.
    const auto saveAnswering = [](Thelperr* w, QString& error) {
        OnModal<QMessageBox>(
            [&error, w](QMessageBox* question) {
                OnModal<QMessageBox>(
                    [&error](QMessageBox* b) {
                        error = b->text();
                        b->button(QMessageBox::Ok)->click();
                    },
                    question, QDeadlineTimer(2000));
                question->button(QMessageBox::Yes)->click();
            },
            w);
        w->Button_ok->click();
    };
    QString error, retryError;
    bool openAfterFailure = false;
    QString keptText;
    OnModal<Thelperr>([&](Thelperr* w) {
        w->Memo_abhilfe->setPlainText(QString::fromUtf8("neue Abhilfe"));
        saveAnswering(w, error);
        openAfterFailure = w->isVisible();
        keptText = w->Memo_abhilfe->toPlainText();
        if (!openAfterFailure) return;
        fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
        saveAnswering(w, retryError);
    });
    ShowErrWindow("Warnung: Last", "alt", "alt2");
    EXPECT_EQ(error.toStdString(), "file write error: " + file);
    EXPECT_TRUE(openAfterFailure);
    EXPECT_EQ(keptText, "neue Abhilfe");
    EXPECT_TRUE(retryError.isEmpty()) << retryError.toStdString();
    EXPECT_FALSE(AbortFlag);
    std::ifstream in(file, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    EXPECT_EQ(ss.str(), "Warnung: Last\r\nalt\r\nneue Abhilfe\r\nnext\r\n");
}

TEST_F(QtWindows, GraphicsWindowPaintsPrintsAndMirrorsGeometry) {
    TFquorgra window;
    window.setGeometry(50, 60, 320, 240);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(GraphWindow.ClientWidth, 320);
    EXPECT_EQ(GraphWindow.ClientHeight, 240);
    EXPECT_GE(GraphWindow.Width, 320);

    GraphClear();
    GraphHeader(false, 0, 0, 160, 120);
    GraphWindow.SetPen(1);  // CAD colour 1: red
    GraphWindow.MoveTo(0, 60);
    GraphWindow.LineTo(160, 60);
    GraphWindow.Repaint();
    // The red line across the middle (antialiased over two pixel rows).
    auto reddish = [](const QImage& img, int x, int y) {
        int best = 255;
        for (int dy = -2; dy <= 2; ++dy) {
            const QColor c(img.pixel(x, y + dy));
            if (c.red() > 200) best = std::min(best, c.green());
        }
        return best < 160;
    };
    QImage shot = window.grab().toImage();
    EXPECT_TRUE(reddish(shot, 160, 120));
    EXPECT_EQ(QColor(shot.pixel(160, 20)), QColor(Qt::white));

    // While a print job runs, every repaint also draws on the printer canvas.
    QImage page(640, 480, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter printer(&page);
    window.SetPrinterCanvas(&printer, page.size());
    GraphPrinting = true;
    window.repaint();
    GraphPrinting = false;
    window.repaint();
    printer.end();
    window.SetPrinterCanvas(nullptr, {});
    EXPECT_EQ(window.PrinterReplays(), 1);
    EXPECT_TRUE(reddish(page, 320, 240));

    SetHourglassCursor();
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    SetHourglassCursorDlg();
    RestoreCursor();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(QtWindows, DialogsAreCentredOverTheGraphicsWindow) {
    GraphWindow.Left = 100;
    GraphWindow.Top = 50;
    GraphWindow.Width = 1000;
    GraphWindow.Height = 800;
    TForm_selectDir d;
    // 320 x 330 scaled by 102 %
    EXPECT_EQ(d.width(), 326);
    EXPECT_EQ(d.height(), 336);
    EXPECT_EQ(d.x(), 100 + (1000 - 326) / 2);
    EXPECT_EQ(d.y(), 50 + (800 - 336) / 2 + 20);
}

}  // namespace
}  // namespace kor2
