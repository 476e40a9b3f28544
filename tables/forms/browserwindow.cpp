// The table browser window over the model Tdbf4: builds the components with
// their names and captions, binds grid and navigator to the model's data
// source and forwards buttons, keys and menu items to the model's handlers.
#include "tables/forms/browserwindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QResizeEvent>
#include <algorithm>
#include <exception>
#include <string>

#include "common/forms/formutil.h"
#include "common/globals.h"
#include "graphics/window/graphwin.h"
#include "platform/oemtext.h"
#include "platform/qt/msgboxqt.h"
#include "tables/forms/grid.h"
#include "tables/forms/navigator.h"

namespace kor2 {

namespace {

constexpr int GridLeft = 4, GridTop = 36, GridWidth = 613, GridHeight = 377;
constexpr int FormWidth = 630, FormHeight = 464;
constexpr int LabelLeft = 550;  // the title and record labels, right of the buttons

QPushButton* MakeButton(QWidget* parent, const char* name) {
    auto* b = new QPushButton(parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

QLabel* MakeLabel(QWidget* parent, const char* name) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    return l;
}

QAction* MakeItem(QMenu* menu, const char* name, const char* caption) {
    QAction* a = menu->addAction(OemQ(caption));
    a->setObjectName(name);
    return a;
}

QAction* MakeSeparator(QMenu* menu, const char* name) {
    QAction* a = menu->addSeparator();
    a->setObjectName(name);
    return a;
}

}  // namespace

// Keeps the record counter on the current record and the record count at
// every move and change of the data set while the window shows.
class Tdbf4Form::RecnoLink : public TDataLink {
public:
    explicit RecnoLink(Tdbf4Form& form) : form_(form) {}

protected:
    void DataSetChanged() override { Show(); }
    void DataSetScrolled(int) override { Show(); }
    void EditingChanged() override { Show(); }

private:
    void Show() {
        if (!form_.isVisible()) return;
        try {
            form_.model_.ShowRecordPosition();
        } catch (const std::exception&) {
            return;  // the counter stays as it was
        }
        form_.Label_recno->setText(OemQ(form_.model_.Label_recno));
        form_.FitLabels();  // an append may add a digit
    }
    Tdbf4Form& form_;
};

Tdbf4Form::Tdbf4Form(Tdbf4& model, QWidget* parent) : platform::TForm(parent), model_(model) {
    setObjectName("dbf4");
    Label_title1 = MakeLabel(this, "Label_title1");
    Label_title1->setVisible(false);
    Label_recno = MakeLabel(this, "Label_recno");
    Label_filename = MakeLabel(this, "Label_filename");
    Label_filename->setVisible(false);
    Label_title2 = MakeLabel(this, "Label_title2");
    TbGrid1 = new TTbGrid(this);
    TbGrid1->setObjectName("TbGrid1");
    TbNavigator1 = new TTbNavigator(this);
    TbNavigator1->setObjectName("TbNavigator1");
    Button_ok = MakeButton(this, "Button_ok");
    Button_cancel = MakeButton(this, "Button_cancel");
    Button_search = MakeButton(this, "Button_search");
    Button_SearchNext = MakeButton(this, "Button_SearchNext");
    BuildMenu();
    FormCreate();
}

Tdbf4Form::~Tdbf4Form() {
    recnoLink_->SetDataSource(nullptr);
    if (GetDbf4Window() == this) SetDbf4Window(nullptr);
}

void Tdbf4Form::BuildMenu() {
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName("MainMenu1");
    MainMenu1->setNativeMenuBar(false);
    mi_File = MainMenu1->addMenu("File");
    mi_File->setObjectName("mi_File");
    mi_fileExportHtml = MakeItem(mi_File, "mi_fileExportHtml", "Export HTML");
    mi_fileSaveAsDelimited = MakeItem(mi_File, "mi_fileSaveAsDelimited", "Save As Delimited");
    N1 = MakeSeparator(mi_File, "N1");
    mi_fileAppenddbf = MakeItem(mi_File, "mi_fileAppenddbf", "Append dbf");
    mi_fileAppendDelimited = MakeItem(mi_File, "mi_fileAppendDelimited", "Append Delimited");
    N2 = MakeSeparator(mi_File, "N2");
    mi_filePrint = MakeItem(mi_File, "mi_filePrint", "Print..");
    N3 = MakeSeparator(mi_File, "N3");
    mi_fileExit = MakeItem(mi_File, "mi_fileExit", "Exit");
    mi_edit = MainMenu1->addMenu("Edit");
    mi_edit->setObjectName("mi_edit");
    mi_editAppend = MakeItem(mi_edit, "mi_editAppend", "Append");
    mi_editPack = MakeItem(mi_edit, "mi_editPack", "Pack");
    mi_view = MainMenu1->addMenu("View");
    mi_view->setObjectName("mi_view");
    mi_viewSearch = MakeItem(mi_view, "mi_viewSearch", "Search");
    mi_viewSearchNext = MakeItem(mi_view, "mi_viewSearchNext", "Search Next");
    mi_Help = MainMenu1->addMenu("Help");
    mi_Help->setObjectName("mi_Help");
    mi_helpdbf = MakeItem(mi_Help, "mi_helpdbf", "dbf Structure");
    mi_helpCommon = MakeItem(mi_Help, "mi_helpCommon", "Common");
    mi_helphilfebild = MakeItem(mi_Help, "mi_helphilfebild", "hilfebild");
    mi_helpDatei = MakeItem(mi_Help, "mi_helpDatei", "Datei");

    // Plain pointers are captured by value: the slots outlive this function
    // and its helper lambda, whose captures they must not refer to.
    auto on = [form = this, model = &model_](QAction* a, void (Tdbf4::*handler)()) {
        connect(a, &QAction::triggered, form,
                [form, model, handler] { form->Run([model, handler] { (model->*handler)(); }); });
    };
    on(mi_fileExportHtml, &Tdbf4::mi_fileExportHtmlClick);
    on(mi_fileSaveAsDelimited, &Tdbf4::mi_fileSaveAsDelimitedClick);
    on(mi_fileAppenddbf, &Tdbf4::mi_fileAppenddbfClick);
    on(mi_fileAppendDelimited, &Tdbf4::mi_fileAppendDelimitedClick);
    on(mi_filePrint, &Tdbf4::mi_filePrintClick);
    on(mi_fileExit, &Tdbf4::AcceptAndClose);
    on(mi_editAppend, &Tdbf4::mi_editAppendClick);
    on(mi_editPack, &Tdbf4::mi_editPackClick);
    on(mi_viewSearch, &Tdbf4::Button_searchClick);
    on(mi_viewSearchNext, &Tdbf4::Button_SearchNextClick);
    on(mi_helpdbf, &Tdbf4::mi_helpdbfClick);
    on(mi_helpCommon, &Tdbf4::mi_helpCommonClick);
    on(mi_helphilfebild, &Tdbf4::mi_helphilfebildClick);
    on(mi_helpDatei, &Tdbf4::mi_helpDateiClick);
}

void Tdbf4Form::FormCreate() {
    setWindowTitle("dbf4");
    Button_ok->setText("OK");
    Button_ok->setDefault(true);
    Button_cancel->setText("Abbrechen");
    Button_search->setText("&Suchen");
    Button_SearchNext->setText("&Weitersuchen");
    mi_editPack->setToolTip(OemQ("Markierte Datensätze löschen"_oem));
    mi_viewSearch->setText("&Suchen");
    mi_viewSearchNext->setText("&Weitersuchen");
    mi_helphilfebild->setText("Hilfe&bild");

    TbGrid1->SetDataSource(&model_.tbdbf0);
    TbGrid1->AutoAppend = true;
    TbGrid1->BooleanBox = bbCheckBox;
    TbGrid1->SetDepressDisabled(false);
    TbGrid1->SetFixedColumns(0);
    TTbGridOptions o;
    o.confirmDelete = false;
    TbGrid1->SetOptions(o);
    TbGrid1->OnCellClick = [this](TTbGrid&, TTbColumn&) {
        Run([&] { model_.TbGrid1CellClick(); });
    };
    // Only a key that picks ends the cell's editing: Shift and the other keys
    // that reach the grid from its editor belong to the text being typed.
    TbGrid1->OnKeyDown = [this](TTbGrid&, int key) {
        if (model_.KeyPicks(key)) Run([&] { model_.TbGrid1KeyDown(key); });
    };
    TbGrid1->OnDepressTitle = [this](TTbGrid&, TTbColumn& column) {
        // The column's own field, also after the columns were moved.
        TField* f = model_.tbdbf.FindField(column.FieldName);
        Run([&] {
            if (f) model_.TbGrid1DepressTitle(f->Index());
        });
    };
    // A read-only table says so when a change is asked for.
    TbGrid1->OnChangeRefused = [this](TTbGrid&) { Run([&] { model_.RefusedAsReadOnly(); }); };
    TbNavigator1->OnChangeRefused = [this](TTbNavigator&) {
        Run([&] { model_.RefusedAsReadOnly(); });
    };
    TbNavigator1->SetDataSource(&model_.tbdbf0);
    TbNavigator1->ConfirmDelete = false;
    TbNavigator1->ConfirmRestore = false;
    TbNavigator1->SetShowHint(true);
    // The keys go on to the grid after a button, wherever the keyboard was.
    TbNavigator1->OnClick = [this](TTbNavigator&, TNavigateBtn) {
        if (isVisible()) TbGrid1->setFocus();
    };
    recnoLink_ = std::make_unique<RecnoLink>(*this);
    recnoLink_->SetDataSource(&model_.tbdbf0);

    connect(Button_ok, &QPushButton::clicked, this,
            [this] { Run([&] { model_.AcceptAndClose(); }); });
    connect(Button_cancel, &QPushButton::clicked, this, [this] {
        TbGrid1->DropRefusedValue();
        Run([&] { model_.Button_cancelClick(); });
    });
    connect(Button_search, &QPushButton::clicked, this,
            [this] { Run([&] { model_.Button_searchClick(); }); });
    connect(Button_SearchNext, &QPushButton::clicked, this,
            [this] { Run([&] { model_.Button_SearchNextClick(); }); });

    top_ = MainMenu1->sizeHint().height();
    resize(FormWidth, FormHeight + top_);
    Place();
}

void Tdbf4Form::Place() {
    MainMenu1->setGeometry(0, 0, width(), top_);
    const int y = top_ + 4;
    TbNavigator1->setGeometry(4, y, 200, 28);
    Button_search->setGeometry(210, y, 80, 28);
    Button_SearchNext->setGeometry(294, y, 100, 28);
    Button_ok->setGeometry(400, y, 60, 28);
    Button_cancel->setGeometry(464, y, 80, 28);
    Label_title2->setGeometry(LabelLeft, y, width() - LabelLeft - 4, 14);
    Label_recno->setGeometry(LabelLeft, y + 14, width() - LabelLeft - 4, 14);
    TbGrid1->move(GridLeft, top_ + GridTop);
    // FormResize: the grid takes the rest of the client area.
    TbGrid1->resize(std::max(GridWidth / 10, width() - GridLeft - 1),
                    std::max(GridHeight / 10, height() - top_ - GridTop - 1));
}

void Tdbf4Form::resizeEvent(QResizeEvent* e) {
    platform::TForm::resizeEvent(e);
    Place();
}

namespace {

// The widest counter of a table of count records: count over count, in the
// widest digit of the label's font.
int WidestCounter(const QLabel& label, int32_t count) {
    const int digits = static_cast<int>(std::to_string(std::max(count, 1)).size());
    int widest = 0;
    for (char d = '0'; d <= '9'; ++d) {
        const QString n(digits, QChar(d));
        widest = std::max(widest, label.fontMetrics().horizontalAdvance(n + '/' + n));
    }
    const QMargins m = label.contentsMargins();
    return widest + m.left() + m.right() + 2 * label.margin();
}

}  // namespace

void Tdbf4Form::FitLabels() {
    int32_t count = 0;
    try {
        if (model_.tbdbf.Active()) count = model_.GetRecordCount();
    } catch (const std::exception&) {
        // no count: the labels' texts decide
    }
    // The window stays wide enough for the title and the largest counter
    // in the screen's font.
    setMinimumWidth(LabelLeft + 4 +
                    std::max({Label_title2->sizeHint().width(), Label_recno->sizeHint().width(),
                              WidestCounter(*Label_recno, count)}));
}

void Tdbf4Form::ShowModel() {
    setWindowTitle(OemQ(model_.Caption));
    Label_title1->setText(OemQ(model_.Label_title1));
    Label_title2->setText(OemQ(model_.Label_title2));
    Label_filename->setText(OemQ(model_.Label_filename));
    Label_recno->setText(OemQ(model_.Label_recno));
    mi_helpdbf->setText(OemQ(model_.mi_helpdbfCaption));
    FitLabels();
    const bool edit = model_.EditMode;
    std::array<bool, NavigateBtnCount> buttons{};
    buttons.fill(edit);
    buttons[nbFirst] = buttons[nbPrior] = buttons[nbNext] = buttons[nbLast] = true;
    TbNavigator1->SetVisibleButtons(buttons);
    for (QAction* a : {mi_fileAppenddbf, mi_fileAppendDelimited, N2, mi_edit->menuAction(),
                       mi_editPack, mi_editAppend})
        a->setVisible(edit);
    TTbGridOptions o = TbGrid1->Options();
    o.editing = edit;
    TbGrid1->SetOptions(o);
    // The title marked is the one whose order the rows are in, if any.
    int sorted = -1;
    for (int i = 0; i < TbGrid1->ColumnCount() && !model_.SortField.empty(); ++i)
        if (TbGrid1->Column(i).FieldName == model_.SortField) sorted = i;
    TbGrid1->SetDepressedColumn(sorted);
}

BrowserResult Tdbf4Form::ShowModal(Tdbf4&) {
    result_ = BrowserResult::Cancelled;
    ShowModel();
    exec();
    return result_;
}

void Tdbf4Form::CloseWindow(BrowserResult result) {
    result_ = result;
    closing_ = true;
    done(result == BrowserResult::Ok ? QDialog::Accepted : QDialog::Rejected);
    closing_ = false;
}

int Tdbf4Form::GridColumn() {
    return TbGrid1->SelectedIndex();
}

int Tdbf4Form::GridRow() {
    return std::max(0, TbGrid1->CurrentRow());
}

void Tdbf4Form::ShowMessage(std::string_view text) {
    platform::ShowMessageBox("Meldung:", OemQ(text), platform::BoxIcon::Information);
}

void Tdbf4Form::BringToFront() {
    raise();
    activateWindow();
}

void Tdbf4Form::FormShow() {
    Run([&] { model_.FormShow(); });
    if (model_.CloseOnPick) {
        TbGrid1->SetSelectedIndex(BrowserGridState[0]);
    } else if (!scaled_) {
        CenterDialogOnGraph(*this);
        scaled_ = true;
    } else {
        // Scaled once: the window reopens at the size it had.
        move(GraphWindow.Left + std::max(0, (GraphWindow.Width - width()) / 2),
             GraphWindow.Top + std::max(0, (GraphWindow.Height - height()) / 2) + 20);
    }
    ShowModel();
    TbGrid1->setFocus();
}

void Tdbf4Form::reject() {
    TbGrid1->DropRefusedValue();  // leaving without OK takes no typed text
    Run([&] { model_.Button_cancelClick(); });
    if (isVisible()) CloseWindow(BrowserResult::Cancelled);
}

void Tdbf4Form::closeEvent(QCloseEvent* e) {
    if (closing_ || !isVisible()) {
        e->accept();  // closed by a handler: nothing more to decide
        return;
    }
    e->ignore();  // the handlers close the window, or keep it open
    Run([&] { model_.FormCloseQuery(); });
}

void Tdbf4Form::Run(const std::function<void()>& handler) {
    try {
        // A cell being typed into belongs to the data set before any command
        // runs; a refused text keeps the user in its cell instead.
        if (TbGrid1->CommitEditor()) handler();
    } catch (const std::exception&) {
        ShowDataSetException();
    }
    if (isVisible()) ShowModel();
}

void Tdbf4Form::TakeMenuCaptions(const Dbf4MenuCaptions& c) {
    mi_File->setTitle(c.file);
    mi_filePrint->setText(c.print);
    mi_fileExit->setText(c.exit);
    mi_edit->setTitle(c.edit);
    mi_view->setTitle(c.view);
    mi_Help->setTitle(c.help);
    mi_helpCommon->setText(c.common);
    mi_helpDatei->setText(c.datei);
}

std::unique_ptr<Tdbf4Form> InstallDbf4Window(QWidget* parent, const Dbf4MenuCaptions* captions) {
    auto form = std::make_unique<Tdbf4Form>(dbf4(), parent);
    if (captions) form->TakeMenuCaptions(*captions);
    SetDbf4Window(form.get());
    return form;
}

}  // namespace kor2
