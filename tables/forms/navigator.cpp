// The table navigator: a row of buttons bound to a data source through a data
// link; they follow the data set's position and state. Delete marks a dBase
// record deleted or restores it. Used by the table browser.
#include "tables/forms/navigator.h"

#include <QHBoxLayout>
#include <QMessageBox>
#include <QToolButton>
#include <exception>

#include "common/forms/formutil.h"
#include "platform/oemtext.h"
#include "tables/dataset/dbfdataset.h"
#include "tables/forms/grid.h"

namespace kor2 {

class TTbNavigator::Link : public TDataLink {
public:
    explicit Link(TTbNavigator& nav) : nav_(nav) {}

protected:
    void ActiveChanged() override { nav_.UpdateButtons(); }
    void DataSetChanged() override { nav_.UpdateButtons(); }
    void EditingChanged() override { nav_.UpdateButtons(); }
    void RecordChanged(TField*) override { nav_.UpdateButtons(); }

private:
    TTbNavigator& nav_;
};

namespace {

struct ButtonLook {
    const char* name;
    const char* glyph;
    const char* hint;  // code page 850
};

const ButtonLook& Look(int i) {
    static const ButtonLook looks[NavigateBtnCount] = {
        {"nbFirst", "|<", "Erster Datensatz"},       {"nbPrior", "<", "Vorheriger Datensatz"},
        {"nbNext", ">", "Nächster Datensatz"_oem},   {"nbLast", ">|", "Letzter Datensatz"},
        {"nbInsert", "+", "Datensatz einfügen"_oem}, {"nbDelete", "-", "Datensatz löschen"_oem},
        {"nbEdit", "^", "Datensatz bearbeiten"},     {"nbPost", "ok", "Daten speichern"},
        {"nbCancel", "x", "Bearbeitung abbrechen"},  {"nbRefresh", "r", "Daten aktualisieren"}};
    return looks[i];
}

}  // namespace

TTbNavigator::TTbNavigator(QWidget* parent)
    : QWidget(parent), link_(std::make_unique<Link>(*this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    for (int i = 0; i < NavigateBtnCount; ++i) {
        auto* b = new QToolButton(this);
        b->setObjectName(Look(i).name);
        b->setText(QString::fromLatin1(Look(i).glyph));
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        b->setFocusPolicy(Qt::NoFocus);  // a click leaves the keyboard where it was
        connect(b, &QToolButton::clicked, this,
                [this, i] { BtnClick(static_cast<TNavigateBtn>(i)); });
        row->addWidget(b);
        buttons_[static_cast<size_t>(i)] = b;
    }
    SetShowHint(true);
    UpdateButtons();
}

TTbNavigator::~TTbNavigator() {
    link_->SetDataSource(nullptr);
}

TDataSource* TTbNavigator::DataSource() const {
    return link_->DataSource();
}

void TTbNavigator::SetDataSource(TDataSource* source) {
    link_->SetDataSource(source);
    UpdateButtons();
}

void TTbNavigator::SetShowHint(bool on) {
    for (int i = 0; i < NavigateBtnCount; ++i)
        buttons_[static_cast<size_t>(i)]->setToolTip(on ? OemQ(Look(i).hint) : QString());
}

void TTbNavigator::SetVisibleButtons(const std::array<bool, NavigateBtnCount>& visible) {
    for (size_t i = 0; i < buttons_.size(); ++i) buttons_[i]->setVisible(visible[i]);
}

void TTbNavigator::UpdateButtons() {
    TDataSet* ds = link_->DataSet();
    const bool active = link_->Active() && ds;
    const bool editing = active && link_->Editing();
    const bool mayChange = active && ds->CanModify();
    const bool canModify = mayChange || (active && OnChangeRefused);
    const bool bof = !active || ds->Bof();
    const bool eof = !active || ds->Eof();
    const bool empty = !active || ds->IsEmpty();
    const bool browse = active && !editing;
    buttons_[nbFirst]->setEnabled(browse && !bof);
    buttons_[nbPrior]->setEnabled(browse && !bof);
    buttons_[nbNext]->setEnabled(browse && !eof);
    buttons_[nbLast]->setEnabled(browse && !eof);
    buttons_[nbInsert]->setEnabled(canModify);
    buttons_[nbDelete]->setEnabled(canModify && !empty);
    buttons_[nbEdit]->setEnabled(canModify && !editing);
    buttons_[nbPost]->setEnabled(mayChange && editing);
    buttons_[nbCancel]->setEnabled(mayChange && editing);
    buttons_[nbRefresh]->setEnabled(browse);
}

bool TTbNavigator::Confirm(const char* oemText) {
    QMessageBox box(QMessageBox::Question, window()->windowTitle(), OemQ(oemText),
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    return box.exec() == QMessageBox::Ok;
}

void TTbNavigator::DeleteOrRestore(TDataSet& ds) {
    auto* tb = dynamic_cast<TTbDataSet*>(&ds);
    if (tb && tb->CanModify()) {
        if (tb->IsRecordDeleted()) {
            if (!ConfirmRestore || Confirm("Datensatz restaurieren ?")) RestoreDeletedRecord(*tb);
        } else if (!ConfirmDelete || Confirm("Datensatz löschen ?"_oem)) {
            tb->Delete();
        }
        return;
    }
    if (!ConfirmDelete || Confirm("Datensatz löschen ?"_oem)) ds.Delete();
}

void TTbNavigator::BtnClick(TNavigateBtn btn) {
    TDataSet* ds = link_->DataSet();
    const bool change = btn == nbInsert || btn == nbDelete || btn == nbEdit;
    if (ds && link_->Active() && change && !ds->CanModify() && OnChangeRefused) {
        OnChangeRefused(*this);
    } else if (ds && link_->Active()) {
        try {
            switch (btn) {
                case nbFirst:
                    ds->First();
                    break;
                case nbPrior:
                    ds->Prior();
                    break;
                case nbNext:
                    ds->Next();
                    break;
                case nbLast:
                    ds->Last();
                    break;
                case nbInsert:
                    ds->Insert();
                    break;
                case nbDelete:
                    DeleteOrRestore(*ds);
                    break;
                case nbEdit:
                    ds->Edit();
                    break;
                case nbPost:
                    ds->Post();
                    break;
                case nbCancel:
                    ds->Cancel();
                    break;
                case nbRefresh:
                    ds->Refresh();
                    break;
            }
        } catch (const std::exception&) {
            ShowDataSetException();
        }
    }
    UpdateButtons();
    if (OnClick) OnClick(*this, btn);
}

}  // namespace kor2
