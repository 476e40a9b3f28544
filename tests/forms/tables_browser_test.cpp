// The table browser window offscreen over the model dbf4(): the modes show
// and hide their buttons and menu items, OK, Cancel and Esc leave as the
// model says, a pick closes the window, a title click sorts the table.
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "browser_fixture.h"
#include "common/forms/qtdialogs.h"
#include "common/forms/textwindow.h"
#include "common/globals.h"
#include "common/report.h"
#include "common/scriptdialogs.h"
#include "forms_modal.h"
#include "platform/oemtext.h"
#include "platform/sysclock.h"
#include "support/numberstable.h"
#include "support/runtempfile.h"
#include "tables/expr/expression.h"
#include "tables/forms/browserwindow.h"
#include "tables/forms/grid.h"
#include "tables/forms/navigator.h"
#include "tables/index/orders.h"

namespace kor2::test {
namespace {

class TablesBrowser : public BrowserFormTest {
protected:
    void SetUp() override {
        BrowserFormTest::SetUp();
        dbf4().OpenTable(WriteSample(5));
    }
    // Shows the browser and runs action once it is on screen.
    BrowserResult ShowWith(const std::string& action, int mode,
                           std::function<void(Tdbf4Form*)> script) {
        OnModal<Tdbf4Form>(std::move(script));
        return dbf4().ShowTable(action, mode);
    }
    // Names in reverse order of the records: "E" .. "A".
    static void ReverseNames() {
        TTbDbf& t = dbf4().tbdbf;
        for (int i = 0; i < 5; ++i) {
            dbf4().GoRecord(i + 1);
            t.Edit();
            t.FieldByName("NAME").SetAsString(std::string(1, static_cast<char>('E' - i)));
            t.Post();
        }
    }
    QPoint CellCentre(int row, int col) {
        return form->TbGrid1->visualRect(form->TbGrid1->model()->index(row, col)).center();
    }
};

TEST_F(TablesBrowser, ViewModeHidesEditingAndEditModeShowsItAgain) {
    const BrowserResult r = ShowWith("", 1, [](Tdbf4Form* f) {
        EXPECT_EQ(f->objectName(), "dbf4");
        EXPECT_EQ(f->TbGrid1->model()->rowCount(), 5);
        int shown = 0;
        for (int b = 0; b < NavigateBtnCount; ++b)
            shown += f->TbNavigator1->Button(static_cast<TNavigateBtn>(b))->isVisible();
        EXPECT_EQ(shown, 4);
        EXPECT_TRUE(f->TbNavigator1->Button(nbLast)->isVisible());
        EXPECT_FALSE(f->TbNavigator1->Button(nbDelete)->isVisible());
        EXPECT_FALSE(f->mi_edit->menuAction()->isVisible());
        EXPECT_FALSE(f->mi_fileAppenddbf->isVisible());
        EXPECT_FALSE(f->N2->isVisible());
        EXPECT_TRUE(f->mi_fileExportHtml->isVisible());
        EXPECT_FALSE(f->TbGrid1->CanEditGrid());
        EXPECT_EQ(f->Label_recno->text(), "1/5");
        f->Button_cancel->click();
    });
    EXPECT_EQ(r, BrowserResult::Cancelled);
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(LastKeyCode, 27);

    dbf4().SetTitles("Eins", "Maß"_oem);  // code page 850 up to the widgets
    EXPECT_EQ(
        ShowWith("", 2,
                 [](Tdbf4Form* f) {
                     EXPECT_TRUE(f->windowTitle().startsWith(QString::fromUtf8("Maß  Eins  (")));
                     EXPECT_EQ(f->mi_helpdbf->text(), QString::fromUtf8("Maß"));
                     for (int b = 0; b < NavigateBtnCount; ++b)
                         EXPECT_TRUE(
                             f->TbNavigator1->Button(static_cast<TNavigateBtn>(b))->isVisible());
                     EXPECT_TRUE(f->mi_edit->menuAction()->isVisible());
                     EXPECT_TRUE(f->mi_fileAppendDelimited->isVisible());
                     EXPECT_TRUE(f->TbGrid1->CanEditGrid());
                     f->TbNavigator1->BtnClick(nbNext);
                     f->TbNavigator1->BtnClick(nbNext);
                     f->Button_ok->click();
                 }),
        BrowserResult::Ok);
    EXPECT_FALSE(AbortFlag);
    EXPECT_EQ(LastKeyCode, 13);
    EXPECT_EQ(DbfPickedRecNo, 3);
}

TEST_F(TablesBrowser, OkPostsAPendingEditAndEscLeavesAsCancel) {
    ShowWith("", 2, [](Tdbf4Form* f) {
        f->TbGrid1->setFocus();
        QTest::keyClick(f->TbGrid1, 'Q');  // editor open with "Q"
        f->Button_ok->click();
    });
    EXPECT_EQ(dbf4().tbdbf.State(), TDataSetState::dsBrowse);
    std::string s;
    dbf4().GoTop();
    dbf4().GetFieldAsString(1, s);
    EXPECT_EQ(s.substr(0, 1), "Q");

    EXPECT_EQ(ShowWith("", 2, [](Tdbf4Form* f) { QTest::keyClick(f, Qt::Key_Escape); }),
              BrowserResult::Cancelled);
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(LastKeyCode, 27);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(TablesBrowser, CloseOnPickClosesOnTheFirstCellClickOrArrowKey) {
    EXPECT_EQ(ShowWith("CLOSE", 1,
                       [this](Tdbf4Form* f) {
                           QTest::mouseClick(f->TbGrid1->viewport(), Qt::LeftButton, {},
                                             CellCentre(2, 1));
                       }),
              BrowserResult::Ok);
    EXPECT_EQ(DbfPickedRecNo, 3);
    EXPECT_EQ(LastKeyCode, 13);
    EXPECT_EQ(BrowserGridState[0], 1);  // the column is kept

    EXPECT_EQ(ShowWith("CLOSE", 1,
                       [](Tdbf4Form* f) {
                           EXPECT_EQ(f->TbGrid1->SelectedIndex(), 1);  // kept column again
                           f->TbNavigator1->BtnClick(nbFirst);
                           f->TbGrid1->setFocus();
                           QTest::keyClick(f->TbGrid1, Qt::Key_Down);
                       }),
              BrowserResult::Ok);
    EXPECT_EQ(DbfPickedRecNo, 1);
    EXPECT_EQ(dbf4().GetRecNo(), 1);  // the closing key moved nothing

    // Without CLOSE a click only shows the position.
    dbf4().GoTop();
    ShowWith("", 2, [this](Tdbf4Form* f) {
        QTest::mouseClick(f->TbGrid1->viewport(), Qt::LeftButton, {}, CellCentre(3, 0));
        EXPECT_TRUE(f->isVisible());
        EXPECT_EQ(f->Label_recno->text(), "4/5");
        f->Button_cancel->click();
    });
}

TEST_F(TablesBrowser, TitleClickSortsByThatFieldAndKeepsTheRecord) {
    ReverseNames();
    ShowWith("", 2, [](Tdbf4Form* f) {
        f->TbNavigator1->BtnClick(nbFirst);
        f->TbNavigator1->BtnClick(nbNext);
        QHeaderView* h = f->TbGrid1->horizontalHeader();
        h->moveSection(0, 2);  // the NAME column moved to the end
        const QPoint title(h->sectionViewportPosition(0) + 5, h->height() / 2);
        QTest::mouseClick(h->viewport(), Qt::RightButton, {}, title);
        EXPECT_EQ(f->TbGrid1->DepressedColumn(), 0);
        EXPECT_EQ(f->TbGrid1->model()->index(0, 0).data().toString(), "A");
        EXPECT_EQ(f->TbGrid1->model()->index(f->TbGrid1->CurrentRow(), 0).data().toString(), "D");
        f->Button_cancel->click();
    });
    EXPECT_TRUE(errors.empty());
    EXPECT_TRUE(std::filesystem::exists(test::RunTempFile("$vrxtemp.NDX")));
    EXPECT_EQ(dbf4().GetRecNo(), 2);
    dbf4().GoTop();
    EXPECT_EQ(dbf4().GetRecNo(), 5);  // "A" first
}

TEST_F(TablesBrowser, HtmlExportDialogOffersEachFilterAndTheTableName) {
    QtDialogs qt;
    SetDialogBackend(&qt);
    QStringList filters, chosen;
    ShowWith("", 2, [&](Tdbf4Form* f) {
        OnModal<QFileDialog>(
            [&](QFileDialog* d) {
                filters = d->nameFilters();
                chosen = d->selectedFiles();
                d->reject();
            },
            f);
        f->mi_fileExportHtml->trigger();
        f->Button_cancel->click();
    });
    SetDialogBackend(nullptr);
    EXPECT_EQ(filters, (QStringList{"HTML files (*.HTM *.HTML)", "All files (*.*)"}));
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_TRUE(chosen[0].endsWith("/sample")) << chosen[0].toStdString();
    EXPECT_TRUE(errors.empty());
}

TEST_F(TablesBrowser, ReopensAtTheSizeItHad) {
    ScreenScalePercent = 94;
    std::vector<QSize> sizes;
    for (int i = 0; i < 3; ++i)
        ShowWith("", 2, [&](Tdbf4Form* f) {
            sizes.push_back(f->size());
            f->Button_cancel->click();
        });
    ASSERT_EQ(sizes.size(), 3u);
    EXPECT_EQ(sizes[1], sizes[0]);
    EXPECT_EQ(sizes[2], sizes[0]);
    // A size the user gave it is kept too.
    ShowWith("", 1, [](Tdbf4Form* f) {
        f->resize(700, 520);
        f->Button_ok->click();
    });
    ShowWith("", 2, [&](Tdbf4Form* f) {
        sizes.push_back(f->size());
        EXPECT_TRUE(f->rect().contains(f->Button_cancel->geometry()));
        f->Button_cancel->click();
    });
    EXPECT_EQ(sizes.back(), QSize(700, 520));
    ScreenScalePercent = 100;
}

TEST_F(TablesBrowser, TabMovesThroughTheColumnsAndEnterOnARowPressesOk) {
    ShowWith("", 2, [](Tdbf4Form* f) {
        TTbGrid* g = f->TbGrid1;
        g->setFocus();
        g->SetSelectedIndex(0);
        QTest::keyClick(g, Qt::Key_Tab);
        EXPECT_EQ(g->currentIndex().column(), 1);
        EXPECT_EQ(QApplication::focusWidget(), g);
        QTest::keyClick(g, Qt::Key_Tab);
        EXPECT_EQ(g->currentIndex().column(), 2);
        QTest::keyClick(g, Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(g->currentIndex().column(), 1);
        EXPECT_EQ(QApplication::focusWidget(), g);
        // Enter that ends a cell's editing stays in the grid.
        QTest::keyClick(g, '7');
        QLineEdit* ed = g->viewport()->findChild<QLineEdit*>();
        ASSERT_NE(ed, nullptr) << "no cell editor";
        QTest::keyClick(ed, Qt::Key_Return);
        DrainEvents();
        EXPECT_TRUE(f->isVisible());
        // Enter on the row presses OK.
        f->TbNavigator1->BtnClick(nbNext);
        QTest::keyClick(g, Qt::Key_Return);
    });
    EXPECT_EQ(LastKeyCode, 13);
    EXPECT_EQ(DbfPickedRecNo, 2);
    std::string s;
    dbf4().GoTop();
    dbf4().GetFieldAsString(2, s);
    EXPECT_EQ(s, "    7");

    // In view mode as well.
    ShowWith("", 1, [](Tdbf4Form* f) {
        f->TbNavigator1->BtnClick(nbLast);
        QTest::keyClick(f->TbGrid1, Qt::Key_Enter, Qt::KeypadModifier);
    });
    EXPECT_EQ(LastKeyCode, 13);
    EXPECT_EQ(DbfPickedRecNo, 5);
}

TEST_F(TablesBrowser, LeftClickOnATitleSortsAndTheTitleShowsIt) {
    ReverseNames();
    ShowWith("", 2, [](Tdbf4Form* f) {
        QHeaderView* h = f->TbGrid1->horizontalHeader();
        EXPECT_FALSE(h->isSortIndicatorShown());
        const QPoint title(h->sectionViewportPosition(0) + 5, h->height() / 2);
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, title);
        EXPECT_EQ(f->TbGrid1->DepressedColumn(), 0);
        EXPECT_EQ(f->TbGrid1->model()->index(0, 0).data().toString(), "A");
        EXPECT_TRUE(h->isSortIndicatorShown());
        EXPECT_EQ(h->sortIndicatorSection(), 0);
        f->Button_cancel->click();
    });
    EXPECT_TRUE(errors.empty());
}

// The title shows the order the rows are in: kept while the sorted table is
// shown again, gone for the next table.
TEST_F(TablesBrowser, SortMarkBelongsToTheRowsShown) {
    ReverseNames();
    auto marked = [](Tdbf4Form* f) {
        QHeaderView* h = f->TbGrid1->horizontalHeader();
        return h->isSortIndicatorShown() ? h->sortIndicatorSection() : -1;
    };
    ShowWith("", 2, [&](Tdbf4Form* f) {
        QHeaderView* h = f->TbGrid1->horizontalHeader();
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                          QPoint(h->sectionViewportPosition(1) + 5, h->height() / 2));
        EXPECT_EQ(marked(f), 1);
        f->Button_cancel->click();
    });
    ShowWith("", 2, [&](Tdbf4Form* f) {
        EXPECT_EQ(marked(f), 1);
        EXPECT_EQ(f->TbGrid1->DepressedColumn(), 1);
        f->Button_cancel->click();
    });
    dbf4().CloseTable();
    dbf4().OpenTable(WriteSample(3));
    ShowWith("", 2, [&](Tdbf4Form* f) {
        EXPECT_EQ(marked(f), -1);
        EXPECT_EQ(f->TbGrid1->DepressedColumn(), -1);
        // A sort that fails marks nothing: the rows stay in record order.
        std::filesystem::remove(test::RunTempFile("$vrxtemp.ndx"));  // the first table's
        std::filesystem::create_directory(test::RunTempFile("$vrxtemp.ndx"));
        OnModal<QMessageBox>([](QMessageBox* b) { b->button(QMessageBox::Ok)->click(); }, f);
        QHeaderView* h = f->TbGrid1->horizontalHeader();
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                          QPoint(h->sectionViewportPosition(0) + 5, h->height() / 2));
        EXPECT_TRUE(WaitUntil([&] { return marked(f) == -1; }));
        EXPECT_EQ(f->TbGrid1->DepressedColumn(), -1);
        f->Button_cancel->click();
    });
    EXPECT_TRUE(errors.empty());
}

TEST_F(TablesBrowser, NumberTooWideForItsFieldIsRefusedWithWhatFits) {
    DataSetExceptionHandler = nullptr;  // the real message box
    std::vector<QString> shown;
    ShowWith("", 2, [&](Tdbf4Form* f) {
        TTbGrid* g = f->TbGrid1;
        g->setFocus();
        g->SetSelectedIndex(1);  // QTY N(5)
        QTest::keyClick(g, '1');
        QPointer<QLineEdit> ed = g->viewport()->findChild<QLineEdit*>();
        ASSERT_FALSE(ed.isNull());
        QTest::keyClicks(ed, "23456");
        OnModal<QMessageBox>(
            [&shown](QMessageBox* b) {
                shown.push_back(b->text());
                b->button(QMessageBox::Ok)->click();
            },
            f);
        QTest::keyClick(ed, Qt::Key_Down);  // leaves the row
        ASSERT_TRUE(WaitUntil([&] { return !shown.empty(); }));
        DrainEvents();
        EXPECT_EQ(shown[0],
                  QString::fromUtf8(
                      "Feld QTY (N 5,0): 123456 passt nicht, möglich sind -9999 bis 99999"));
        EXPECT_EQ(dbf4().GetRecNo(), 1);
        f->Button_cancel->click();
    });
    std::string s;
    dbf4().GoTop();
    dbf4().GetFieldAsString(2, s);
    EXPECT_EQ(s, "    1");
}

TEST_F(TablesBrowser, CounterOfTheLargestTableFitsAtTheDefaultWidth) {
    dbf4().CloseTable();
    const std::string path = Path("long.dbf");
    test::WriteLongTable(path, 100000);
    dbf4().OpenTable(path);
    ShowWith("", 2, [](Tdbf4Form* f) {
        QLabel* counter = f->Label_recno;
        EXPECT_EQ(counter->text(), "1/100000");
        QTest::mouseClick(f->TbNavigator1->Button(nbLast), Qt::LeftButton);
        EXPECT_EQ(counter->text(), "100000/100000");
        EXPECT_GE(counter->width(), counter->sizeHint().width());
        EXPECT_LE(counter->geometry().right(), f->width());
        f->Button_cancel->click();
    });
    EXPECT_TRUE(errors.empty());
}

TEST_F(TablesBrowser, PrintedTableHoldsEveryColumnOfItsWidestLine) {
    // Seven fields, rows 149 characters wide as in the material table.
    const int widths[] = {30, 20, 20, 20, 20, 16, 16};
    TTbDbf make;
    make.Name = "WIDE";
    for (int i = 0; i < 7; ++i)
        make.DbfFields.push_back("FELD" + std::to_string(i + 1) + ", C, " +
                                 std::to_string(widths[i]) + ", 0");
    make.SetDbfFileName(Path("wide.dbf"));
    make.Open();
    make.Append();
    for (int i = 0; i < 7; ++i)
        make.Fields(i).SetAsString(std::string(static_cast<size_t>(widths[i] - 4), 'x') + "END" +
                                   std::to_string(i + 1));
    make.Post();
    make.Close();
    dbf4().CloseTable();
    dbf4().OpenTable(Path("wide.dbf"));

    InitReportWriter();
    TextDevice = 4;  // the platform's printer
    AskTextDevice = false;
    const std::string pdf = temp.file("wide.pdf");
    QtTextOutput qt;
    SetTextOutputBackend(&qt);
    SetPrintToPdf(pdf);
    SetPrintRangeAsker([](QPrinter&, int, int&, int&) { return true; });
    dbf4().mi_filePrintClick();
    SetPrintRangeAsker({});
    SetPrintToPdf(std::nullopt);
    SetTextOutputBackend(nullptr);
    ASSERT_TRUE(std::filesystem::exists(pdf));

    const std::string txt = temp.file("wide.txt");
    if (platform::RunProgram("pdftotext", {"-layout", pdf, txt}) != 0)
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    std::stringstream text;
    text << std::ifstream(txt, std::ios::binary).rdbuf();
    for (int i = 1; i <= 7; ++i) {
        EXPECT_NE(text.str().find("FELD" + std::to_string(i)), std::string::npos) << i;
        EXPECT_NE(text.str().find("END" + std::to_string(i)), std::string::npos) << i;
    }
    // The sheet was turned for the wide lines.
    std::stringstream raw;
    raw << std::ifstream(pdf, std::ios::binary).rdbuf();
    const auto box = raw.str().find("/MediaBox [");
    ASSERT_NE(box, std::string::npos);
    // Read with the stream's own "C" rules: the form library has set the C
    // library's locale from LANG, where a German one wants a decimal comma.
    double x = 0, y = 0, w = 0, h = 0;
    std::istringstream numbers(raw.str().substr(box + std::strlen("/MediaBox [")));
    ASSERT_TRUE(numbers >> x >> y >> w >> h);
    EXPECT_GT(w, h);
    EXPECT_TRUE(errors.empty());
}

TEST_F(TablesBrowser, RefusedCellValueShowsItsMessageAndTheCellStaysInEditing) {
    DataSetExceptionHandler = nullptr;  // the real message box with its own event loop
    std::vector<QString> shown;
    auto answer = [&shown](QMessageBox* b) {
        shown.push_back(b->text());
        b->button(QMessageBox::Ok)->click();
    };
    ShowWith("", 2, [&](Tdbf4Form* f) {
        TTbGrid* g = f->TbGrid1;
        g->setFocus();
        g->SetSelectedIndex(1);  // QTY, an integer field
        QTest::keyClick(g, '4');
        QPointer<QLineEdit> ed = g->viewport()->findChild<QLineEdit*>();
        ASSERT_FALSE(ed.isNull());
        QTest::keyClicks(ed, "x3y");
        OnModal<QMessageBox>(answer, f);
        QTest::keyClick(ed, Qt::Key_Return);
        ASSERT_TRUE(WaitUntil([&] { return !shown.empty(); }));
        DrainEvents();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0], QString::fromUtf8("'4x3y' ist kein gültiger Integerwert"));
        // The same cell goes on being edited with the refused text.
        ASSERT_FALSE(ed.isNull());
        EXPECT_TRUE(ed->isVisible());
        EXPECT_EQ(ed->text(), "4x3y");
        EXPECT_EQ(g->indexWidget(g->currentIndex()), ed.data());
        EXPECT_EQ(g->currentIndex().column(), 1);

        // OK refuses the same value again and leaves the window open.
        OnModal<QMessageBox>(answer, f);
        f->Button_ok->click();
        ASSERT_TRUE(WaitUntil([&] { return shown.size() == 2; }));
        EXPECT_TRUE(f->isVisible());
        ASSERT_FALSE(ed.isNull());
        EXPECT_EQ(ed->text(), "4x3y");

        // A corrected value is taken and the window closes with OK.
        ed->setFocus();
        ed->selectAll();
        QTest::keyClicks(ed, "43");
        QTest::keyClick(ed, Qt::Key_Return);
        DrainEvents();
        EXPECT_TRUE(ed.isNull() || !ed->isVisible());
        f->Button_ok->click();
    });
    EXPECT_EQ(shown.size(), 2u);
    EXPECT_EQ(LastKeyCode, 13);
    std::string s;
    dbf4().GoTop();
    dbf4().GetFieldAsString(2, s);
    EXPECT_EQ(s, "   43");
}

// ---------------------------------------------------------------- typing and leaving

// Types text as a keyboard does: Shift goes down before a capital and up
// after it, and every key goes to the widget that has the keyboard.
void TypeAsAKeyboard(const QString& text) {
    for (const QChar c : text) {
        const bool shifted = c.isUpper();
        if (shifted) {
            QWidget* w = KeyboardFocus();
            if (w == nullptr) return;
            QTest::keyPress(w, Qt::Key_Shift, Qt::ShiftModifier);
        }
        QWidget* w = KeyboardFocus();
        if (w == nullptr) return;
        QTest::keyClick(w, c.toLatin1(), shifted ? Qt::ShiftModifier : Qt::NoModifier);
        if (shifted && (w = KeyboardFocus()) != nullptr) QTest::keyRelease(w, Qt::Key_Shift);
    }
}

// Presses key on the widget that has the keyboard.
void PressOnFocus(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    if (QWidget* w = KeyboardFocus()) QTest::keyClick(w, key, modifiers);
}

QString FocusedEditorText() {
    auto* ed = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    return ed != nullptr ? ed->text() : QString("<no editor has the keyboard>");
}

std::string StoredName(int recNo) {
    std::string s;
    dbf4().GoRecord(recNo);
    dbf4().GetFieldAsString(1, s);
    return s;
}

TEST_F(TablesBrowser, ShiftAndCapitalsKeepEveryKeyTypedIntoTheCell) {
    ShowWith("", 2, [](Tdbf4Form* f) {
        f->TbGrid1->setFocus();
        TypeAsAKeyboard("abcDEFgh");
        EXPECT_EQ(FocusedEditorText(), "abcDEFgh");
        PressOnFocus(Qt::Key_Down);  // posts the row
        TypeAsAKeyboard("ABCDEFGH");
        EXPECT_EQ(FocusedEditorText(), "ABCDEFGH");
        f->Button_ok->click();
    });
    EXPECT_EQ(StoredName(1), "abcDEFgh  ");
    EXPECT_EQ(StoredName(2), "ABCDEFGH  ");
    EXPECT_TRUE(errors.empty());
}

// Enter in a text, a number and a logical column: the editor is stored and
// closed by its own view (Qt's warnings about foreign editors fail every
// form test, see main.cpp).
TEST_F(TablesBrowser, EnterStoresEachKindOfCellThroughItsOwnView) {
    ShowWith("", 2, [](Tdbf4Form* f) {
        TTbGrid* g = f->TbGrid1;
        g->setFocus();
        TypeAsAKeyboard("Neu");
        PressOnFocus(Qt::Key_Return);
        DrainEvents();  // the delegate's queued commit
        g->SetSelectedIndex(1);
        QTest::keyClick(g, '9');
        PressOnFocus(Qt::Key_Enter, Qt::KeypadModifier);
        DrainEvents();
        EXPECT_EQ(QApplication::focusWidget(), g);
        for (auto* ed : g->viewport()->findChildren<QLineEdit*>()) EXPECT_FALSE(ed->isVisible());
        EXPECT_TRUE(f->isVisible());
        f->Button_ok->click();
    });
    EXPECT_EQ(StoredName(1), "Neu       ");
    std::string qty;
    dbf4().GetFieldAsString(2, qty);
    EXPECT_EQ(qty, "    9");
    EXPECT_TRUE(errors.empty());
}

TEST_F(TablesBrowser, KeysGoToTheGridAfterANavigatorButton) {
    ShowWith("", 2, [](Tdbf4Form* f) {
        f->Button_search->setFocus();  // as a click on it leaves the keyboard there
        QTest::mouseClick(f->TbNavigator1->Button(nbNext), Qt::LeftButton);
        EXPECT_EQ(dbf4().GetRecNo(), 2);
        EXPECT_EQ(QApplication::focusWidget(), f->TbGrid1);
        TypeAsAKeyboard("Xy");
        EXPECT_EQ(FocusedEditorText(), "Xy");
        f->Button_ok->click();
    });
    EXPECT_EQ(StoredName(2), "Xy        ");
}

TEST_F(TablesBrowser, CloseBoxAsksWhetherAChangedRecordIsKept) {
    ScriptedDialogs ui;
    QString typed = "Zz";
    auto typeAndClose = [&typed](Tdbf4Form* f) {
        f->TbGrid1->setFocus();
        TypeAsAKeyboard(typed);
        f->close();  // the close box and Alt+F4 come as a close event
    };
    // Ja posts the change as OK would.
    ui.answers.push_back(ScriptedAnswer::Button(YesNoCancel::Yes));
    EXPECT_EQ(ShowWith("", 2, typeAndClose), BrowserResult::Ok);
    ASSERT_EQ(ui.Of("yesno").size(), 1u);
    EXPECT_EQ(ui.Of("yesno")[0].text, "Änderung des Datensatzes speichern ?"_oem);
    EXPECT_FALSE(AbortFlag);
    EXPECT_EQ(StoredName(1), "Zz        ");

    // Nein drops it as Abbrechen would.
    typed = "Nn";
    ui.answers.push_back(ScriptedAnswer::Button(YesNoCancel::No));
    EXPECT_EQ(ShowWith("", 2, typeAndClose), BrowserResult::Cancelled);
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(dbf4().tbdbf.State(), TDataSetState::dsBrowse);
    EXPECT_EQ(StoredName(1), "Zz        ");

    // Abbrechen of the question keeps the window open with the change; the
    // window's own Abbrechen then drops it without asking.
    typed = "Cc";
    ui.answers.push_back(ScriptedAnswer::Button(YesNoCancel::Cancel));
    bool stayed = false;
    EXPECT_EQ(ShowWith("", 2,
                       [&](Tdbf4Form* f) {
                           typeAndClose(f);
                           stayed = f->isVisible() && !AbortFlag &&
                                    dbf4().tbdbf.State() == TDataSetState::dsEdit;
                           f->Button_cancel->click();
                       }),
              BrowserResult::Cancelled);
    EXPECT_TRUE(stayed);
    EXPECT_EQ(ui.Of("yesno").size(), 3u);
    EXPECT_EQ(StoredName(1), "Zz        ");

    // Without a change the close box just leaves.
    EXPECT_EQ(ShowWith("", 2, [](Tdbf4Form* f) { f->close(); }), BrowserResult::Cancelled);
    EXPECT_EQ(ui.Of("yesno").size(), 3u);
}

TEST_F(TablesBrowser, AbbrechenDropsTheChangeAlsoWhenTheTableStaysOpen) {
    ShowWith("", 2, [](Tdbf4Form* f) {
        f->TbGrid1->setFocus();
        TypeAsAKeyboard("Weg");
        f->Button_cancel->click();
    });
    // The caller reads the current record before it closes the table.
    EXPECT_EQ(dbf4().tbdbf.State(), TDataSetState::dsBrowse);
    std::string s;
    dbf4().GetFieldAsString(1, s);
    EXPECT_EQ(s, "R1        ");
    dbf4().SkipRecords(1);  // a later move posts nothing
    EXPECT_EQ(StoredName(1), "R1        ");
}

TEST_F(TablesBrowser, RecordCounterFollowsEveryMoveAndChange) {
    ShowWith("", 2, [](Tdbf4Form* f) {
        QLabel* counter = f->Label_recno;
        EXPECT_EQ(counter->text(), "1/5");  // from the start
        QTest::mouseClick(f->TbNavigator1->Button(nbNext), Qt::LeftButton);
        EXPECT_EQ(counter->text(), "2/5");
        QTest::mouseClick(f->TbNavigator1->Button(nbLast), Qt::LeftButton);
        EXPECT_EQ(counter->text(), "5/5");
        QWheelEvent up(QPointF(10, 10), f->TbGrid1->mapToGlobal(QPointF(10, 10)), {},
                       QPoint(0, 240), Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(f->TbGrid1->viewport(), &up);
        EXPECT_EQ(counter->text(), "3/5");
        // Tab from the last column goes on to the next record.
        TTbGrid* g = f->TbGrid1;
        g->setFocus();
        g->SetSelectedIndex(g->ColumnCount() - 1);
        QTest::keyClick(g, Qt::Key_Tab);
        EXPECT_EQ(counter->text(), "4/5");
        QTest::mouseClick(f->TbNavigator1->Button(nbInsert), Qt::LeftButton);
        EXPECT_EQ(counter->text(), "4/5");  // the new record has no number yet
        QTest::mouseClick(f->TbNavigator1->Button(nbCancel), Qt::LeftButton);
        EXPECT_EQ(counter->text(), "4/5");
        f->mi_editAppend->trigger();
        EXPECT_EQ(counter->text(), "6/6");
        // Pack removes the record marked as deleted.
        QTest::mouseClick(f->TbNavigator1->Button(nbFirst), Qt::LeftButton);
        QTest::mouseClick(f->TbNavigator1->Button(nbDelete), Qt::LeftButton);
        f->mi_editPack->trigger();
        EXPECT_EQ(counter->text().section('/', 1), "5");
        EXPECT_EQ(counter->text().section('/', 0, 0).toInt(), dbf4().GetRecNo());
        f->Button_cancel->click();
    });
    EXPECT_TRUE(errors.empty()) << errors.front();
}

}  // namespace
}  // namespace kor2::test
