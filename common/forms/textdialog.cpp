// Tin_textdialog: caption "Eingabe", sizeable, scaled but not moved; the
// edit's keys go through FormKeyDown, so Enter closes and Esc sets
// AbortFlag and closes.
#include "common/forms/textdialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

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
    connect(EditEinText, &QLineEdit::textEdited, this, &Tin_textdialog::ApplyTypingLimit);
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
    typingLimit_ = maxLength;
    preset_ = text;
    shown_ = OemQ(text);
    EditEinText->setText(shown_);
    ApplyTypingLimit();  // after setText: a maximum set before would cut the preset
    EditEinText->selectAll();
    EditEinText->setFocus();
}

// Typing cannot make the text longer than the limit, nor than it already is
// while it is longer; setting the maximum never cuts the text shown.
void Tin_textdialog::ApplyTypingLimit() {
    if (typingLimit_ <= 0) return;
    EditEinText->setMaxLength(std::max(typingLimit_, static_cast<int>(EditEinText->text().size())));
}

std::string Tin_textdialog::Text() const {
    const QString now = EditEinText->text();
    return now == shown_ ? preset_ : QOem(now);
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
