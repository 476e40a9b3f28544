// Tin_textdialog: caption "Eingabe", sizeable, scaled but not moved; the
// edit's keys go through FormKeyDown, so Enter closes and Esc sets
// AbortFlag and closes.
#include "common/forms/u32inte.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/forms/formutil.h"
#include "common/globals.h"

namespace kor2 {

Tin_textdialog::Tin_textdialog(QWidget* parent) : TForm(parent) {
    setObjectName("in_textdialog");
    setSizeGripEnabled(true);
    resize(400, 130);
    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label1->setWordWrap(true);
    EditEinText = new QLineEdit(this);
    EditEinText->setObjectName("EditEinText");
    const DialogButtons buttons = MakeDialogButtons(this, "Button_ok", "Button_Cancel");
    Button_ok = buttons.ok;
    Button_Cancel = buttons.cancel;
    Button_hilfetext = buttons.helpText;
    Button_hilfebild = buttons.helpPicture;
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(AtLeast(Label1, 300, 33));
    layout->addWidget(EditEinText);
    layout->addStretch(1);
    layout->addLayout(ButtonRow(buttons));
    connect(Button_ok, &QPushButton::clicked, this, &Tin_textdialog::Button_okClick);
    connect(Button_Cancel, &QPushButton::clicked, this, &Tin_textdialog::Button_CancelClick);
    connect(Button_hilfetext, &QPushButton::clicked, this, &Tin_textdialog::Button_hilfetextClick);
    connect(Button_hilfebild, &QPushButton::clicked, this, &Tin_textdialog::Button_hilfebildClick);
    FormCreate();
    EnableKeyPreview();
}

void Tin_textdialog::FormCreate() {
    setWindowTitle(OemQ("Eingabe"));
    ScaleDialog(*this);
}

void Tin_textdialog::Fill(const std::string& prompt, int maxLength, const std::string& text) {
    Label1->setText(OemQ(prompt));
    if (maxLength > 0) EditEinText->setMaxLength(maxLength);
    EditEinText->setText(OemQ(text));
    EditEinText->selectAll();
    EditEinText->setFocus();
}

std::string Tin_textdialog::Text() const {
    return QOem(EditEinText->text());
}

void Tin_textdialog::Button_okClick() {
    accept();
}

void Tin_textdialog::Button_CancelClick() {
    AbortFlag = true;
    reject();
}

void Tin_textdialog::Button_hilfetextClick() {
    HelpButtonClick(*this, 1, true);
}

void Tin_textdialog::Button_hilfebildClick() {
    HelpButtonClick(*this, 2, true);
}

bool Tin_textdialog::FormKeyDown(int key) {
    return CloseOnEnterOrEsc(*this, key, false);
}

}  // namespace kor2
