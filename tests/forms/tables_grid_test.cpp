// The table grid and navigator offscreen: a table written by the test is
// shown, scrolled, edited and posted; deleted records are drawn red and
// restored; the navigator moves the data set and follows BOF and EOF.
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>
#include <memory>

#include "forms_modal.h"
#include "platform/field.h"
#include "platform/oemtext.h"
#include "support/germanlocale.h"
#include "tables/base/progress.h"
#include "tables/expr/expression.h"
#include "tables/forms/grid.h"
#include "tables/forms/gridmodel.h"
#include "tables/forms/msgwindow.h"
#include "tables/forms/navigator.h"
#include "tables/forms/progresswindow.h"
#include "tables/index/orders.h"
#include "tables_grid_fixture.h"

namespace kor2::test {
namespace {

class TablesGrid : public TableFormTest {
protected:
    void Show(int records, int height = 200) {
        OpenOn(ds, WriteSample(records));
        src.SetDataSet(&ds);
        grid = std::make_unique<TTbGrid>();
        grid->resize(400, height);
        grid->SetDataSource(&src);
        grid->show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(grid.get(), kWaitLimitMs));
    }
    QString Cell(int row, int col) { return grid->model()->index(row, col).data().toString(); }
    QPoint CellCentre(int row, int col) {
        return grid->visualRect(grid->model()->index(row, col)).center();
    }
    void TearDown() override {
        grid.reset();
        nav.reset();
        ds.Close();
        TableFormTest::TearDown();
    }

    TTbDbf ds;
    TDataSource src;
    std::unique_ptr<TTbGrid> grid;
    std::unique_ptr<TTbNavigator> nav;
};

TEST_F(TablesGrid, ShowsAWindowOfRecordsAndScrollsWithTheKeys) {
    Show(30, 120);
    ASSERT_EQ(grid->ColumnCount(), 3);
    EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(), "NAME");
    const int rows = grid->model()->rowCount();
    ASSERT_GT(rows, 1);
    ASSERT_LT(rows, 30);  // only what fits is read
    EXPECT_EQ(Cell(0, 0), "R1");
    EXPECT_EQ(Cell(1, 1), "2");

    grid->setFocus();
    for (int i = 0; i < rows + 2; ++i) QTest::keyClick(grid.get(), Qt::Key_Down);
    EXPECT_EQ(ds.RecNo(), rows + 3);
    EXPECT_EQ(grid->currentIndex().row(), grid->CurrentRow());
    EXPECT_EQ(Cell(grid->CurrentRow(), 0), QString("R%1").arg(rows + 3));

    QTest::keyClick(grid.get(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(Cell(grid->CurrentRow(), 0), "R30");
    QTest::keyClick(grid.get(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(ds.RecNo(), 1);
    EXPECT_EQ(Cell(0, 0), "R1");

    // A click on a row makes its record current.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, CellCentre(2, 0));
    EXPECT_EQ(ds.RecNo(), 3);
}

TEST_F(TablesGrid, EditedCellIsPostedWhenTheRowIsLeft) {
    Show(5);
    grid->setFocus();
    QTest::keyClick(grid.get(), Qt::Key_Down);  // record 2
    QTest::keyClick(grid.get(), 'N');           // a typed key opens the editor
    auto* ed = grid->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(ed, nullptr);
    QTest::keyClicks(ed, "eu");
    EXPECT_EQ(ed->maxLength(), 10);
    QTest::keyClick(ed, Qt::Key_Return);
    DrainEvents();  // the editor commits through a queued call
    EXPECT_EQ(ds.State(), TDataSetState::dsEdit) << (errors.empty() ? "" : errors[0]);
    EXPECT_EQ(grid->model()->headerData(1, Qt::Vertical).toString(), "I");
    QTest::keyClick(grid.get(), Qt::Key_Up);
    EXPECT_EQ(ds.State(), TDataSetState::dsBrowse);
    EXPECT_EQ(ds.RecNo(), 1);
    ds.Close();
    OpenOn(ds, Path("sample.dbf"));
    ds.Next();
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "Neu");
    EXPECT_TRUE(errors.empty());
}

TEST_F(TablesGrid, OpenEditorIsWrittenToItsOwnRecordWhenTheRowIsLeft) {
    Show(3);
    grid->setFocus();
    QTest::keyClick(grid.get(), Qt::Key_Down);
    QTest::keyClicks(grid.get(), "Z");  // editor left open
    ASSERT_NE(grid->viewport()->findChild<QLineEdit*>(), nullptr);
    QTest::keyClick(grid.get(), Qt::Key_Down);
    EXPECT_EQ(ds.State(), TDataSetState::dsBrowse);
    EXPECT_EQ(ds.RecNo(), 3);
    EXPECT_EQ(Cell(1, 0), "Z");
    EXPECT_EQ(Cell(2, 0), "R3");
}

TEST_F(TablesGrid, EscapeCancelsAnOpenEditBeforeItReachesTheFile) {
    Show(3);
    grid->setFocus();
    QTest::keyClicks(grid.get(), "X");
    QTest::keyClick(grid->viewport()->findChild<QLineEdit*>(), Qt::Key_Return);
    DrainEvents();
    ASSERT_EQ(ds.State(), TDataSetState::dsEdit);
    QTest::keyClick(grid.get(), Qt::Key_Escape);
    EXPECT_EQ(ds.State(), TDataSetState::dsBrowse);
    EXPECT_EQ(Cell(0, 0), "R1");
}

TEST_F(TablesGrid, RefusedValueHoldsTheCellUntilCorrectedOrDropped) {
    Show(3);
    grid->setFocus();
    grid->SetSelectedIndex(1);  // QTY, an integer field
    QTest::keyClick(grid.get(), 'x');
    QPointer<QLineEdit> ed = grid->viewport()->findChild<QLineEdit*>();
    ASSERT_FALSE(ed.isNull());
    // Down goes on to the grid: the move stops at the refused text.
    QTest::keyClick(ed, Qt::Key_Down);
    DrainEvents();
    EXPECT_EQ(ds.RecNo(), 1);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "'x' ist kein gültiger Integerwert"_oem);
    ASSERT_FALSE(ed.isNull());
    EXPECT_EQ(ed->text(), "x");
    // A click on another row keeps the cell current.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, CellCentre(2, 0));
    DrainEvents();
    EXPECT_EQ(ds.RecNo(), 1);
    EXPECT_EQ(grid->currentIndex(), grid->model()->index(0, 1));
    ASSERT_FALSE(ed.isNull());
    EXPECT_TRUE(ed->isVisible());
    // Posting stops too, and nothing reached the record.
    EXPECT_THROW(ds.Post(), ECellRefused);
    // Esc drops the text; the grid moves again.
    QTest::keyClick(ed, Qt::Key_Escape);
    DrainEvents();
    EXPECT_TRUE(ed.isNull() || !ed->isVisible());
    QTest::keyClick(grid.get(), Qt::Key_Escape);  // leaves the edit state
    QTest::keyClick(grid.get(), Qt::Key_Down);
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_EQ(Cell(0, 1), "1");
}

TEST_F(TablesGrid, ScrollBarStandsForTheTableAndItsStepsMoveTheRecord) {
    Show(68, 160);
    QScrollBar* bar = grid->verticalScrollBar();
    ASSERT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->minimum(), 1);
    EXPECT_EQ(bar->maximum(), 68);
    EXPECT_EQ(bar->value(), 1);
    EXPECT_EQ(Cell(0, 0), "R1");  // the rows themselves never scroll away

    // The bar's own arrow, page area and end keys move the data set.
    const QPoint downArrow(bar->width() / 2, bar->height() - 3);
    QTest::mouseClick(bar, Qt::LeftButton, {}, downArrow);
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_EQ(bar->value(), 2);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    const int afterPage = ds.RecNo();
    EXPECT_EQ(afterPage, 2 + grid->WindowRows() - 1);
    EXPECT_EQ(bar->value(), afterPage);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(ds.RecNo(), 68);
    EXPECT_EQ(bar->value(), 68);
    EXPECT_EQ(Cell(grid->CurrentRow(), 0), "R68");

    // A thumb let go goes to the record of its place.
    bar->setSliderDown(true);
    bar->setSliderPosition(23);
    bar->setSliderDown(false);
    EXPECT_EQ(ds.RecNo(), 23);
    EXPECT_EQ(Cell(grid->CurrentRow(), 0), "R23");
    EXPECT_TRUE(grid->viewport()->rect().contains(CellCentre(grid->CurrentRow(), 0)));

    // Keys and the wheel move the thumb with the record.
    grid->setFocus();
    QTest::keyClick(grid.get(), Qt::Key_Down);
    EXPECT_EQ(bar->value(), 24);
    QWheelEvent wheel(QPointF(10, 10), grid->mapToGlobal(QPointF(10, 10)), {}, QPoint(0, -240),
                      Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(grid->viewport(), &wheel);
    EXPECT_EQ(ds.RecNo(), 26);
    EXPECT_EQ(bar->value(), 26);
    EXPECT_TRUE(errors.empty());
}

TEST_F(TablesGrid, ScrollBarUnderAnIndexShowsTopMiddleAndEnd) {
    InitExprParser();
    IndexInit();
    Show(30, 120);
    ds.IndexOn("NAME", Path("byname.ndx"));
    ds.First();
    QScrollBar* bar = grid->verticalScrollBar();
    EXPECT_EQ(bar->maximum(), 4);
    EXPECT_EQ(bar->value(), 0);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(bar->value(), 2);
    EXPECT_EQ(Cell(grid->CurrentRow(), 0), "R10");  // the second name in key order
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(Cell(grid->CurrentRow(), 0), "R9");
    EXPECT_TRUE(errors.empty());
}

TEST_F(TablesGrid, DownOnTheLastRowAppendsOnlyWithAutoAppend) {
    Show(3);
    grid->setFocus();
    grid->AutoAppend = false;
    for (int i = 0; i < 4; ++i) QTest::keyClick(grid.get(), Qt::Key_Down);
    EXPECT_EQ(ds.State(), TDataSetState::dsBrowse);
    EXPECT_EQ(ds.RecordCount(), 3);
    QTest::keyClick(grid.get(), Qt::Key_Tab);  // Tab at the last cell appends neither
    QTest::keyClick(grid.get(), Qt::Key_Tab);
    QTest::keyClick(grid.get(), Qt::Key_Tab);
    EXPECT_EQ(ds.State(), TDataSetState::dsBrowse);

    grid->AutoAppend = true;
    QTest::keyClick(grid.get(), Qt::Key_Down);
    EXPECT_EQ(ds.State(), TDataSetState::dsInsert);
    QTest::keyClick(grid.get(), Qt::Key_Down);  // an untouched new record gets no second
    EXPECT_EQ(ds.State(), TDataSetState::dsInsert);
    QTest::keyClick(grid.get(), Qt::Key_Escape);
    EXPECT_EQ(ds.RecordCount(), 3);
}

TEST_F(TablesGrid, DeletedRecordIsRedUntilCtrlDeleteRestoresIt) {
    Show(4);
    ds.Next();  // record 2
    ds.Delete();
    ASSERT_TRUE(ds.IsRecordDeleted());  // still shown: deleted records are not hidden
    const int row = grid->CurrentRow();
    EXPECT_TRUE(grid->RowDeleted(row));
    EXPECT_FALSE(grid->RowDeleted(0));
    const TTbRowColors c = grid->RowColors(row, 0);
    EXPECT_EQ(c.deleted, QColor(255, 0, 0));
    EXPECT_EQ(c.deletedText, grid->palette().color(QPalette::Text));
    // The cell is painted red with the grid's font colour.
    grid->setCurrentIndex(grid->model()->index(row, 2));
    const QImage shot = grid->viewport()->grab().toImage();
    const QRect r = grid->visualRect(grid->model()->index(row, 0));
    EXPECT_EQ(shot.pixelColor(r.left() + 1, r.center().y()), QColor(255, 0, 0));

    grid->setFocus();
    TTbGridOptions o = grid->Options();
    o.confirmDelete = true;
    grid->SetOptions(o);
    OnModal<QMessageBox>([](QMessageBox* b) { b->button(QMessageBox::Cancel)->click(); });
    QTest::keyClick(grid.get(), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_TRUE(ds.IsRecordDeleted());  // Cancel keeps it deleted
    OnModal<QMessageBox>([](QMessageBox* b) {
        EXPECT_EQ(b->text(), "Datensatz restaurieren ?");
        b->button(QMessageBox::Ok)->click();
    });
    QTest::keyClick(grid.get(), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_FALSE(ds.IsRecordDeleted());
    EXPECT_FALSE(grid->RowDeleted(row));
    EXPECT_EQ(ds.RecNo(), 2);

    // A read-only grid restores nothing.
    ds.Delete();
    grid->ReadOnly = true;
    EXPECT_FALSE(grid->RestoreCurrent());
    EXPECT_TRUE(ds.IsRecordDeleted());
}

TEST_F(TablesGrid, LogicalFieldsToggleByClickAndKeysAndTakeNoText) {
    Show(3);
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(0, 2));
    EXPECT_TRUE(ds.FieldByName("OK").AsBoolean());
    QTest::keyClick(grid.get(), Qt::Key_Space);
    EXPECT_FALSE(ds.FieldByName("OK").AsBoolean());
    QTest::keyClicks(grid.get(), "abc");  // swallowed, no editor
    EXPECT_EQ(grid->viewport()->findChild<QLineEdit*>(), nullptr);
    QTest::keyClick(grid.get(), Qt::Key_Return);
    EXPECT_TRUE(ds.FieldByName("OK").AsBoolean());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, CellCentre(0, 2));
    EXPECT_FALSE(ds.FieldByName("OK").AsBoolean());
    ds.Post();

    // The box is drawn marked only for the true text.
    grid->BooleanBox = bbFillBoxRed;
    grid->setCurrentIndex(grid->model()->index(0, 0));
    const QImage shot = grid->viewport()->grab().toImage();
    EXPECT_NE(shot.pixelColor(CellCentre(0, 2)), QColor(255, 0, 0));  // record 1 now false
    EXPECT_EQ(shot.pixelColor(CellCentre(2, 2)), QColor(255, 0, 0));  // record 3 true

    TTbGridOptions o = grid->Options();
    o.editing = false;
    grid->SetOptions(o);
    grid->setCurrentIndex(grid->model()->index(0, 2));
    EXPECT_FALSE(grid->ToggleBoolean());
}

TEST_F(TablesGrid, LogicalFieldsShowTheirDisplayValuesElseWahrAndFalsch) {
    Show(3);
    grid->BooleanBox = bbText;
    EXPECT_EQ(Cell(0, 2), "wahr");
    EXPECT_EQ(Cell(1, 2), "falsch");

    auto& ok = dynamic_cast<TBooleanField&>(ds.FieldByName("OK"));
    ok.SetDisplayValues("Ja;Nein");
    EXPECT_EQ(Cell(0, 2), "Ja");
    EXPECT_EQ(Cell(1, 2), "Nein");
    EXPECT_EQ(ok.AsString(), "Ja");
    std::string t, f;
    TTbGrid::BooleanTexts(ok, t, f);
    EXPECT_EQ(t + "|" + f, "Ja|Nein");
    // Typed texts are read by the display values too.
    ds.Edit();
    ok.SetAsString("nein");
    EXPECT_FALSE(ok.AsBoolean());
    ok.SetAsString(" JA ");
    EXPECT_TRUE(ok.AsBoolean());
    ds.Cancel();

    // The box is marked for the true text of the display values.
    grid->BooleanBox = bbFillBoxRed;
    grid->setCurrentIndex(grid->model()->index(1, 0));
    const QImage shot = grid->viewport()->grab().toImage();
    EXPECT_EQ(shot.pixelColor(CellCentre(0, 2)), QColor(255, 0, 0));
    EXPECT_NE(shot.pixelColor(CellCentre(1, 2)), QColor(255, 0, 0));
}

TEST_F(TablesGrid, TitleRightClickDepressesUnlessDisabled) {
    Show(3);
    std::vector<std::string> clicked;
    grid->OnDepressTitle = [&](TTbGrid&, TTbColumn& c) { clicked.push_back(c.FieldName); };
    QHeaderView* h = grid->horizontalHeader();
    const QPoint title(h->sectionViewportPosition(1) + 5, h->height() / 2);
    QTest::mouseClick(h->viewport(), Qt::RightButton, {}, title);
    EXPECT_EQ(grid->DepressedColumn(), 1);
    ASSERT_EQ(clicked.size(), 1u);
    EXPECT_EQ(clicked[0], "QTY");
    h->moveSection(1, 0);  // the mark stays with its column
    EXPECT_EQ(grid->DepressedColumn(), 1);
    EXPECT_EQ(grid->Column(1).Index, 0);

    grid->SetDepressDisabled(true);
    EXPECT_EQ(grid->DepressedColumn(), -1);
    QTest::mouseClick(h->viewport(), Qt::RightButton, {}, title);
    EXPECT_EQ(grid->DepressedColumn(), -1);
    EXPECT_EQ(clicked.size(), 1u);
}

TEST_F(TablesGrid, SavedColumnsRecreateTheLayout) {
    Show(2);
    grid->ReadSavedColumns({"cvWidthStr=99",  // before any column: ignored
                            " cvColumn=2 ", "cvFieldNameStr=NAME", "cvTitleCaptionStr=Name",
                            "cvWidthStr=77", "cvAlignmentStr=taRightJustify", "cvReadOnlyStr=true",
                            "cvColorStr=clRed", "cvFontStr=Arial,$FF0000,257", "0",
                            "cvFieldNameStr=QTY", "cvColumn=100000"});
    ASSERT_EQ(grid->ColumnCount(), 3);
    const TTbColumn& c = grid->Column(2);
    EXPECT_EQ(c.FieldName, "NAME");
    EXPECT_EQ(c.Width, 77);
    EXPECT_EQ(grid->columnWidth(2), 77);
    EXPECT_EQ(c.Alignment, Qt::AlignRight);
    EXPECT_TRUE(c.ReadOnly);
    EXPECT_EQ(c.Color, QColor(255, 0, 0));
    EXPECT_EQ(c.FontColor, QColor(0, 0, 255));
    EXPECT_TRUE(c.Font.bold());
    EXPECT_EQ(c.Font.pointSize(), 1);
    EXPECT_EQ(grid->Column(0).FieldName, "QTY");  // the bare "0" selected column 0
    EXPECT_EQ(grid->Column(1).Width, 64);
    EXPECT_EQ(Cell(0, 2), "R1");
    EXPECT_EQ(grid->model()->headerData(2, Qt::Horizontal).toString(), "Name");
    EXPECT_FALSE(grid->model()->flags(grid->model()->index(0, 2)) & Qt::ItemIsEditable);
    EXPECT_TRUE(grid->SavedColumns().empty());
}

// The program's own words, saved layouts and logical texts, compare without
// case the same under "C" and under a Turkish C library locale, whose toupper
// keeps 'i' and tolower keeps 'I'.
TEST_F(TablesGrid, OwnWordsCompareWithoutCaseUnderEveryLocale) {
    Show(2);
    auto& ok = dynamic_cast<TBooleanField&>(ds.FieldByName("OK"));
    const struct {
        const char* displayValues;
        const char* typed;
        bool value;
    } texts[] = {{"Ein;Aus", "EIN", true},         {"Ein;Aus", "aus", false},
                 {"aktiv;inaktiv", "AKTIV", true}, {"aktiv;inaktiv", "INAKTIV", false},
                 {"WAHR;FALSCH", "wahr", true},    {"Richtig;Falsch", "RICHTIG", true}};
    for (const char* locale : {"C", kTurkishLocale}) {
        SCOPED_TRACE(locale);
        ScopedCLocale scoped(locale);
        if (!scoped.Active()) GTEST_SKIP() << kNoTurkishLocale;
        TTbGrid layout;  // a new grid each time: a layout keeps what it does not read
        layout.SetDataSource(&src);
        layout.ReadSavedColumns({"cvColumn=1", "cvColorStr=clWhite", "cvTitleColorStr=clSilver",
                                 "cvAlignmentStr=taRightJustify",
                                 "cvTitleAlignmentStr=TARIGHTJUSTIFY", "cvReadOnlyStr=True"});
        const TTbColumn& c = layout.Column(1);
        EXPECT_EQ(c.Color, QColor(255, 255, 255));
        EXPECT_EQ(c.TitleColor, QColor(192, 192, 192));
        EXPECT_EQ(c.Alignment, Qt::AlignRight);
        EXPECT_EQ(c.TitleAlignment, Qt::AlignRight);
        EXPECT_TRUE(c.ReadOnly);

        ds.Edit();
        for (const auto& t : texts) {
            SCOPED_TRACE(std::string(t.displayValues) + " <- " + t.typed);
            ok.SetDisplayValues(t.displayValues);
            ok.SetAsBoolean(!t.value);
            EXPECT_NO_THROW(ok.SetAsString(t.typed));
            EXPECT_EQ(ok.AsBoolean(), t.value);
        }
        ds.Cancel();
        ok.SetDisplayValues("");
    }
}

TEST_F(TablesGrid, RowColoursEventSeesItsRowAsTheActiveRecord) {
    Show(4);
    std::vector<std::string> names;
    grid->OnChangeColorsEvent = [&](TTbGrid&, int row, TTbRowColors& c) {
        names.push_back(ds.FieldByName("NAME").AsString());
        if (row == 2) c.cell = QColor(0, 0, 255);
    };
    EXPECT_EQ(grid->RowColors(2, 0).cell, QColor(0, 0, 255));
    EXPECT_NE(grid->RowColors(1, 0).cell, QColor(0, 0, 255));
    EXPECT_EQ(names, (std::vector<std::string>{"R3", "R2"}));
    EXPECT_EQ(ds.RecNo(), 1);  // the current record is back
}

TEST_F(TablesGrid, DateEditorsAreMaskedWithTheCentury) {
    SetDateFormat(4);        // GERMAN
    CenturyDisplay = false;  // the fields show the century anyway
    EXPECT_EQ(DateEditMask(), "00.00.0000; ");
    EXPECT_FALSE(CenturyDisplay);
    SetDateFormat(1);  // ANSI
    EXPECT_EQ(DateEditMask(), "0000.00.00; ");
}

TEST(TablesGridProgress, EngineProgressOpensAWindowThatSteps) {
    InstallEngineProgressWindow();
    {
        std::unique_ptr<EngineProgress> p = MakeEngineProgress("Appending...");
        TTbProgress100* shown = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* t = qobject_cast<TTbProgress100*>(top); t && t->isVisible()) shown = t;
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(shown->windowTitle(), "Appending...");
        p->Step();
        EXPECT_EQ(shown->Bar().size(), 99u);
    }
    for (QWidget* top : QApplication::topLevelWidgets())
        EXPECT_EQ(qobject_cast<TTbProgress100*>(top), nullptr);  // closed with its owner
    MakeEngineProgress = nullptr;
}

class TablesGridNavigator : public TablesGrid {};

TEST_F(TablesGridNavigator, ButtonsMoveAndFollowBofAndEof) {
    Show(3);
    nav = std::make_unique<TTbNavigator>();
    nav->SetDataSource(&src);
    auto enabled = [&](TNavigateBtn b) { return nav->Button(b)->isEnabled(); };
    ds.First();
    EXPECT_FALSE(enabled(nbFirst));
    EXPECT_FALSE(enabled(nbPrior));
    EXPECT_TRUE(enabled(nbNext));
    QTest::mouseClick(nav->Button(nbLast), Qt::LeftButton);
    EXPECT_EQ(ds.RecNo(), 3);
    EXPECT_EQ(grid->currentIndex().row(), grid->CurrentRow());
    EXPECT_EQ(Cell(grid->CurrentRow(), 0), "R3");
    EXPECT_FALSE(enabled(nbNext));
    EXPECT_FALSE(enabled(nbLast));
    EXPECT_TRUE(enabled(nbPrior));
    QTest::mouseClick(nav->Button(nbPrior), Qt::LeftButton);
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_TRUE(enabled(nbNext));
    EXPECT_TRUE(enabled(nbFirst));

    EXPECT_FALSE(enabled(nbPost));
    QTest::mouseClick(nav->Button(nbEdit), Qt::LeftButton);
    EXPECT_TRUE(enabled(nbPost));
    EXPECT_TRUE(enabled(nbCancel));
    EXPECT_FALSE(enabled(nbNext));
    QTest::mouseClick(nav->Button(nbCancel), Qt::LeftButton);
    EXPECT_FALSE(enabled(nbPost));

    ds.Close();
    EXPECT_FALSE(enabled(nbFirst));
    EXPECT_FALSE(enabled(nbInsert));
}

TEST_F(TablesGridNavigator, DeleteButtonMarksAndRestoresWithTheirQuestions) {
    Show(3);
    nav = std::make_unique<TTbNavigator>();
    nav->SetDataSource(&src);
    std::vector<TNavigateBtn> clicks;
    nav->OnClick = [&](TTbNavigator&, TNavigateBtn b) { clicks.push_back(b); };
    ds.Next();
    nav->ConfirmDelete = true;
    OnModal<QMessageBox>([](QMessageBox* b) {
        EXPECT_EQ(b->text(), QString::fromUtf8("Datensatz löschen ?"));
        b->button(QMessageBox::Cancel)->click();
    });
    nav->BtnClick(nbDelete);
    EXPECT_FALSE(ds.IsRecordDeleted());
    nav->ConfirmDelete = false;
    nav->BtnClick(nbDelete);
    EXPECT_TRUE(ds.IsRecordDeleted());
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_EQ(ds.RecordCount(), 3);

    nav->ConfirmRestore = true;
    OnModal<QMessageBox>([](QMessageBox* b) {
        EXPECT_EQ(b->text(), "Datensatz restaurieren ?");
        b->button(QMessageBox::Ok)->click();
    });
    nav->BtnClick(nbDelete);
    EXPECT_FALSE(ds.IsRecordDeleted());
    EXPECT_EQ(clicks, (std::vector<TNavigateBtn>{nbDelete, nbDelete, nbDelete}));

    // A read-only table: the button is off and a click changes nothing.
    ds.ReadOnly = true;
    nav->SetDataSource(nullptr);
    nav->SetDataSource(&src);
    EXPECT_FALSE(nav->Button(nbDelete)->isEnabled());
}

}  // namespace
}  // namespace kor2::test
