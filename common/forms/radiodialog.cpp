// Tin_radiodialog: caption "Auswahl", a title, one radio button per choice
// in a group (n + 1) x 25 pixels high, OK, "Abbrechen" and the help
// buttons. Enter closes, Esc and "Abbrechen" set AbortFlag.
#include "common/forms/radiodialog.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "common/forms/formutil.h"
#include "common/globals.h"

namespace kor2 {

Tin_radiodialog::Tin_radiodialog(QWidget* parent) : TForm(parent) {
    setObjectName("in_radiodialog");
    resize(400, 140);
    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label1->setWordWrap(true);
    RadioGroup1 = new QGroupBox(this);
    RadioGroup1->setObjectName("RadioGroup1");
    choices_ = new QVBoxLayout(RadioGroup1);
    choices_->setSpacing(0);
    group_ = new QButtonGroup(this);
    const DialogButtons buttons = MakeDialogButtons(this, "Button_ok", "button_cancel");
    Button_ok = buttons.ok;
    button_cancel = buttons.cancel;
    Button_hilfetext = buttons.helpText;
    Button_hilfebild = buttons.helpPicture;
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(AtLeast(Label1, 0, 39));
    groupCell_ = AtLeast(RadioGroup1, 0, 0);
    layout->addLayout(groupCell_, 1);
    layout->addLayout(ButtonRow(buttons));
    connect(Button_ok, &QPushButton::clicked, this, &Tin_radiodialog::Button_okClick);
    connect(button_cancel, &QPushButton::clicked, this, &Tin_radiodialog::button_cancelClick);
    connect(Button_hilfetext, &QPushButton::clicked, this, &Tin_radiodialog::Button_hilfetextClick);
    connect(Button_hilfebild, &QPushButton::clicked, this, &Tin_radiodialog::Button_hilfebildClick);
    FormCreate();
}

void Tin_radiodialog::FormCreate() {
    setWindowTitle(OemQ("Auswahl"));
    Items.clear();
    CenterDialogOnGraph(*this);
}

void Tin_radiodialog::Fill(const std::string& title, const std::vector<std::string>& items,
                           int sel) {
    Label1->setText(OemQ(title));
    for (const std::string& item : items) Items.append(OemQ(item));
    const int n = static_cast<int>(Items.size());
    groupCell_->setRowMinimumHeight(0, (n + 1) * 25);
    for (int k = 0; k < n; ++k) {
        auto* b = new QRadioButton(Items[k], RadioGroup1);
        b->setObjectName(QString("RadioButton%1").arg(k + 1));
        choices_->addWidget(b);
        group_->addButton(b, k + 1);
    }
    if (QAbstractButton* b = group_->button(sel)) {
        b->setChecked(true);
        b->setFocus();
    }
    // As high as the choices need, at least as wide as before.
    FitToLayout(Qt::Vertical);
    EnableKeyPreview();
}

int Tin_radiodialog::Chosen() const {
    return std::max(0, group_->checkedId());
}

void Tin_radiodialog::Button_okClick() {
    accept();
}

void Tin_radiodialog::button_cancelClick() {
    AbortFlag = true;
    reject();
}

void Tin_radiodialog::Button_hilfetextClick() {
    HelpButtonClick(*this, 1, true);
}

void Tin_radiodialog::Button_hilfebildClick() {
    HelpButtonClick(*this, 2, true);
}

bool Tin_radiodialog::FormKeyDown(int key) {
    return CloseOnEnterOrEsc(*this, key, false);
}

}  // namespace kor2
