// TShowScreen: caption from CaptionText and the lines TextLines 1..22 in a
// read-only memo in a fixed-pitch font; OK closes.
#include "common/forms/infoscreen.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/forms/formutil.h"
#include "common/globals.h"

namespace kor2 {

TShowScreen::TShowScreen(QWidget* parent) : TForm(parent) {
    setObjectName("ShowScreen");
    resize(600, 450);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setReadOnly(true);
    QFont f("Courier");
    f.setStyleHint(QFont::TypeWriter);
    Memo1->setFont(f);
    Button_ok = MakeButton(this, "Button_ok", "OK");
    Button_ok->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Memo1, 1);
    layout->addLayout(ButtonRow({Button_ok}));
    connect(Button_ok, &QPushButton::clicked, this, &TShowScreen::Button_okClick);
    FormCreate();
}

void TShowScreen::FormCreate() {
    CenterDialogOnGraph(*this);
    setWindowTitle(OemQ(CaptionText));
    QStringList lines;
    for (int k = 1; k <= 22; ++k) lines.append(OemQ(TextLines[k].str()));
    Memo1->setPlainText(lines.join('\n'));
}

void TShowScreen::Button_okClick() {
    accept();
}

}  // namespace kor2
