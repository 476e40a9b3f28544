// Thelperr: caption "Fehlermeldung"; the message read-only, cause and
// remedy editable. OK asks "Save Changes ?" after an edit and saves the
// texts; "&Hilfe" shows help text 1970.
#include "common/forms/uhelperr.h"

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
    Label_meldung = new QLabel(OemQ("Fehlermeldung"), this);
    Label_meldung->setObjectName("Label_meldung");
    Label_meldung->setGeometry(8, 12, 90, 20);
    Label_meldung->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Edit_meldung = new QLineEdit(this);
    Edit_meldung->setObjectName("Edit_meldung");
    Edit_meldung->setGeometry(106, 10, 361, 24);
    Edit_meldung->setReadOnly(true);
    Label_ursache = new QLabel(OemQ("Ursache"), this);
    Label_ursache->setObjectName("Label_ursache");
    Label_ursache->setGeometry(8, 44, 90, 20);
    Memo_ursache = new QPlainTextEdit(this);
    Memo_ursache->setObjectName("Memo_ursache");
    Memo_ursache->setGeometry(106, 44, 361, 61);
    Label_abhilfe = new QLabel(OemQ("Abhilfe"), this);
    Label_abhilfe->setObjectName("Label_abhilfe");
    Label_abhilfe->setGeometry(8, 114, 90, 20);
    Memo_abhilfe = new QPlainTextEdit(this);
    Memo_abhilfe->setObjectName("Memo_abhilfe");
    Memo_abhilfe->setGeometry(106, 114, 361, 61);
    Button_ok = new QPushButton("OK", this);
    Button_ok->setObjectName("Button_ok");
    Button_ok->setGeometry(106, 190, 80, 28);
    Button_ok->setDefault(true);
    Button_help = new QPushButton(OemQ("&Hilfe"), this);
    Button_help->setObjectName("Button_help");
    Button_help->setGeometry(196, 190, 80, 28);
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
    ErrWindowOk(modified_, QOem(Edit_meldung->text()), QOem(Memo_ursache->toPlainText()),
                QOem(Memo_abhilfe->toPlainText()));
    accept();
}

void Thelperr::Button_helpClick() {
    ShowHelpText(1970, 1);
}

}  // namespace kor2
