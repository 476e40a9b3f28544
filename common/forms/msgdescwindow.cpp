// Thelperr: caption "Fehlermeldung"; the message read-only, cause and
// remedy editable. OK asks "Save Changes ?" after an edit and saves the
// texts; "&Hilfe" shows help text 1970.
#include "common/forms/msgdescwindow.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "common/errdesc.h"
#include "common/forms/formutil.h"
#include "common/helptext.h"

namespace kor2 {

Thelperr::Thelperr(QWidget* parent) : TForm(parent) {
    setObjectName("helperr");
    resize(480, 250);
    auto label = [this](const char* name, std::string_view caption) {
        auto* l = new QLabel(OemQ(caption), this);
        l->setObjectName(name);
        return l;
    };
    Label_meldung = label("Label_meldung", "Fehlermeldung");
    Edit_meldung = new QLineEdit(this);
    Edit_meldung->setObjectName("Edit_meldung");
    Edit_meldung->setReadOnly(true);
    Label_ursache = label("Label_ursache", "Ursache");
    Memo_ursache = new QPlainTextEdit(this);
    Memo_ursache->setObjectName("Memo_ursache");
    Memo_ursache->setMinimumSize(361, 61);
    Label_abhilfe = label("Label_abhilfe", "Abhilfe");
    Memo_abhilfe = new QPlainTextEdit(this);
    Memo_abhilfe->setObjectName("Memo_abhilfe");
    Memo_abhilfe->setMinimumSize(361, 61);
    Button_ok = MakeButton(this, "Button_ok", "OK");
    Button_ok->setDefault(true);
    Button_help = MakeButton(this, "Button_help", "&Hilfe");
    auto* layout = new QGridLayout(this);
    layout->addWidget(Label_meldung, 0, 0);
    layout->addWidget(Edit_meldung, 0, 1);
    layout->addWidget(Label_ursache, 1, 0, Qt::AlignTop);
    layout->addWidget(Memo_ursache, 1, 1);
    layout->addWidget(Label_abhilfe, 2, 0, Qt::AlignTop);
    layout->addWidget(Memo_abhilfe, 2, 1);
    layout->addLayout(ButtonRow({Button_ok, Button_help}), 3, 1);
    layout->setColumnStretch(1, 1);
    connect(Memo_ursache, &QPlainTextEdit::textChanged, this, &Thelperr::Memo_ursacheChange);
    connect(Memo_abhilfe, &QPlainTextEdit::textChanged, this, &Thelperr::Memo_abhilfeChange);
    connect(Button_ok, &QPushButton::clicked, this, &Thelperr::Button_okClick);
    connect(Button_help, &QPushButton::clicked, this, &Thelperr::Button_helpClick);
    FormCreate();
}

void Thelperr::FormCreate() {
    modified_ = false;
    CenterDialogOnGraph(*this);
    setWindowTitle(OemQ("Fehlermeldung"));
}

void Thelperr::Fill(const std::string& msg, const std::string& cause, const std::string& remedy) {
    Edit_meldung->setText(OemQ(msg));
    Memo_ursache->setPlainText(OemQ(cause));
    Memo_abhilfe->setPlainText(OemQ(remedy));
}

void Thelperr::FormShow() {
    modified_ = false;
}

void Thelperr::Memo_ursacheChange() {
    modified_ = true;
}

void Thelperr::Memo_abhilfeChange() {
    modified_ = true;
}

void Thelperr::Button_okClick() {
    if (ErrWindowOk(modified_, QOem(Edit_meldung->text()), QOem(Memo_ursache->toPlainText()),
                    QOem(Memo_abhilfe->toPlainText())))
        accept();
}

void Thelperr::Button_helpClick() {
    ShowHelpText(1970, 1);
}

}  // namespace kor2
