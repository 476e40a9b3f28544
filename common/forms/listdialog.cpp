// Tin_codedialog: caption "Auswahl", a title label, the list of choices,
// OK, "Abbrechen" and the two help buttons. Enter clears AbortFlag and
// closes, Esc and "Abbrechen" set it.
#include "common/forms/listdialog.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/forms/formutil.h"
#include "common/globals.h"

namespace kor2 {

Tin_codedialog::Tin_codedialog(QWidget* parent) : TForm(parent) {
    setObjectName("in_codedialog");
    resize(400, 330);
    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label1->setWordWrap(true);
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName("ListBox1");
    const DialogButtons buttons = MakeDialogButtons(this, "button_ok", "button_cancel");
    button_ok = buttons.ok;
    button_cancel = buttons.cancel;
    Button_hilfetext = buttons.helpText;
    Button_hilfebild = buttons.helpPicture;
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(AtLeast(Label1, 0, 39));
    layout->addWidget(ListBox1, 1);
    layout->addLayout(ButtonRow(buttons));
    setTabOrder(ListBox1, button_ok);
    setTabOrder(button_ok, button_cancel);
    setTabOrder(button_cancel, Button_hilfetext);
    setTabOrder(Button_hilfetext, Button_hilfebild);
    connect(button_ok, &QPushButton::clicked, this, &Tin_codedialog::button_okClick);
    connect(button_cancel, &QPushButton::clicked, this, &Tin_codedialog::button_cancelClick);
    connect(Button_hilfetext, &QPushButton::clicked, this, &Tin_codedialog::Button_hilfetextClick);
    connect(Button_hilfebild, &QPushButton::clicked, this, &Tin_codedialog::Button_hilfebildClick);
    connect(ListBox1, &QListWidget::itemDoubleClicked, this, &Tin_codedialog::ListBox1DblClick);
    FormCreate();
    EnableKeyPreview();
}

void Tin_codedialog::FormCreate() {
    setWindowTitle(OemQ("Auswahl"));
    CenterDialogOnGraph(*this);
}

void Tin_codedialog::Fill(const std::string& title, const std::vector<std::string>& items,
                          int sel) {
    Label1->setText(OemQ(title));
    ListBox1->clear();
    for (const std::string& item : items) ListBox1->addItem(OemQ(item));
    if (sel >= 1 && sel <= ListBox1->count()) ListBox1->setCurrentRow(sel - 1);
    ListBox1->setFocus();
}

int Tin_codedialog::Chosen() const {
    return ListBox1->currentRow() + 1;
}

void Tin_codedialog::button_okClick() {
    accept();
}

void Tin_codedialog::button_cancelClick() {
    AbortFlag = true;
    reject();
}

void Tin_codedialog::Button_hilfetextClick() {
    HelpButtonClick(*this, 1, true);
}

void Tin_codedialog::Button_hilfebildClick() {
    HelpButtonClick(*this, 2, true);
}

void Tin_codedialog::ListBox1DblClick() {
    button_okClick();
}

bool Tin_codedialog::FormKeyDown(int key) {
    return CloseOnEnterOrEsc(*this, key, true);
}

}  // namespace kor2
