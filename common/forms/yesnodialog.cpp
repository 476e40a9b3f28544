// Tin_janeindialog: caption "Eingabe", the question, the radio group
// "Auswahl" with "&Ja" and "&Nein", OK, "Abbrechen" and the help buttons.
// Enter is consumed and closes; Esc and "Abbrechen" set AbortFlag.
#include "common/forms/yesnodialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "common/forms/formutil.h"
#include "common/globals.h"

namespace kor2 {

Tin_janeindialog::Tin_janeindialog(QWidget* parent) : TForm(parent) {
    setObjectName("in_janeindialog");
    resize(400, 170);
    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label1->setWordWrap(true);
    RadioGroup_janein = new QGroupBox(OemQ("Auswahl"), this);
    RadioGroup_janein->setObjectName("RadioGroup_janein");
    RadioJa = new QRadioButton(OemQ("&Ja"), RadioGroup_janein);
    RadioJa->setObjectName("RadioJa");
    RadioNein = new QRadioButton(OemQ("&Nein"), RadioGroup_janein);
    RadioNein->setObjectName("RadioNein");
    auto* choices = new QVBoxLayout(RadioGroup_janein);
    choices->addWidget(RadioJa);
    choices->addWidget(RadioNein);
    const DialogButtons buttons = MakeDialogButtons(this, "Button_ok", "button_cancel");
    Button_ok = buttons.ok;
    button_cancel = buttons.cancel;
    Button_hilfetext = buttons.helpText;
    Button_hilfebild = buttons.helpPicture;
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(AtLeast(Label1, 250, 33));
    QGridLayout* group = AtLeast(RadioGroup_janein, 250, 75);
    group->setColumnStretch(1, 1);  // the group keeps its width at the left
    layout->addLayout(group);
    layout->addStretch(1);
    layout->addLayout(ButtonRow(buttons));
    connect(Button_ok, &QPushButton::clicked, this, &Tin_janeindialog::Button_okClick);
    connect(button_cancel, &QPushButton::clicked, this, &Tin_janeindialog::button_cancelClick);
    connect(Button_hilfetext, &QPushButton::clicked, this,
            &Tin_janeindialog::Button_hilfetextClick);
    connect(Button_hilfebild, &QPushButton::clicked, this,
            &Tin_janeindialog::Button_hilfebildClick);
    FormCreate();
    EnableKeyPreview();
}

void Tin_janeindialog::FormCreate() {
    setWindowTitle(OemQ("Eingabe"));
    CenterDialogOnGraph(*this);
}

void Tin_janeindialog::Fill(const std::string& question, bool neinPreselected) {
    Label1->setText(OemQ(question));
    (neinPreselected ? RadioNein : RadioJa)->setChecked(true);
    (neinPreselected ? RadioNein : RadioJa)->setFocus();
}

char Tin_janeindialog::Answer() const {
    return RadioNein->isChecked() ? 'N' : 'J';
}

void Tin_janeindialog::Button_okClick() {
    accept();
}

void Tin_janeindialog::button_cancelClick() {
    AbortFlag = true;
    reject();
}

void Tin_janeindialog::Button_hilfetextClick() {
    HelpButtonClick(*this, 1, false);
}

void Tin_janeindialog::Button_hilfebildClick() {
    HelpButtonClick(*this, 2, false);
}

bool Tin_janeindialog::FormKeyDown(int key) {
    return CloseOnEnterOrEsc(*this, key, false);
}

}  // namespace kor2
