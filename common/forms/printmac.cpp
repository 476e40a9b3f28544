// TForm_printmac: two columns of seven check boxes over OK, "Abbrechen" and
// "&Hilfetext". OK stores the ticks into PrintMacroIndex and clears
// AbortFlag; "Abbrechen" and Esc set AbortFlag and change nothing.
#include "common/forms/printmac.h"

#include <QCheckBox>
#include <QPushButton>

#include "common/forms/formutil.h"
#include "common/globals.h"
#include "common/helptext.h"

namespace kor2 {
namespace {

constexpr int kRows = 7;
constexpr int kRowHeight = 24;
constexpr int kColumnWidth = 220;

}  // namespace

TForm_printmac::TForm_printmac(QWidget* parent) : TForm(parent) {
    setObjectName("Form_printmac");
    for (int k = 1; k <= kPrintMacroCount; ++k) {
        auto* box = new QCheckBox(QString("CheckBox%1").arg(k), this);
        box->setObjectName(QString("CheckBox%1").arg(k));
        box->setGeometry(12 + (k - 1) / kRows * kColumnWidth, 10 + (k - 1) % kRows * kRowHeight,
                         kColumnWidth - 10, kRowHeight - 2);
        CheckBoxes[static_cast<std::size_t>(k - 1)] = box;
    }
    const int y = 20 + kRows * kRowHeight;
    auto button = [this, y](const char* name, int x) {
        auto* b = new QPushButton(this);
        b->setObjectName(name);
        b->setGeometry(x, y, 100, 28);
        return b;
    };
    Button_ok = button("Button_ok", 20);
    Button_cancel = button("Button_cancel", 130);
    Button_help = button("Button_help", 240);
    resize(2 * kColumnWidth + 20, y + 40);
    connect(Button_ok, &QPushButton::clicked, this, &TForm_printmac::Button_okClick);
    connect(Button_cancel, &QPushButton::clicked, this, &TForm_printmac::Button_cancelClick);
    connect(Button_help, &QPushButton::clicked, this, &TForm_printmac::Button_helpClick);
    FormCreate();
}

void TForm_printmac::FormCreate() {
    CenterDialogOnGraph(*this);
    setWindowTitle(OemQ(CaptionText));
    Button_ok->setText(OemQ("OK"));
    Button_ok->setDefault(true);
    Button_cancel->setText(OemQ("Abbrechen"));
    Button_help->setText(OemQ("&Hilfetext"));
    const PrintMacroTicks ticks = PrintMacroTicksOf(PrintMacroIndex);
    for (std::size_t k = 0; k < CheckBoxes.size(); ++k) CheckBoxes[k]->setChecked(ticks[k]);
}

QCheckBox* TForm_printmac::CheckBox(int k) const {
    if (k < 1 || k > kPrintMacroCount) return nullptr;
    return CheckBoxes[static_cast<std::size_t>(k - 1)];
}

void TForm_printmac::SetOutputNames(const std::vector<std::string>& names) {
    for (std::size_t k = 0; k < names.size() && k < CheckBoxes.size(); ++k)
        CheckBoxes[k]->setText(OemQ(names[k]));
}

void TForm_printmac::Button_okClick() {
    AbortFlag = false;
    PrintMacroTicks ticks{};
    for (std::size_t k = 0; k < CheckBoxes.size(); ++k) ticks[k] = CheckBoxes[k]->isChecked();
    StorePrintMacroTicks(ticks);
    accept();
}

void TForm_printmac::Button_cancelClick() {
    AbortFlag = true;
    reject();
}

void TForm_printmac::Button_helpClick() {
    ShowHelpText(kPrintMacroHelp, 1);
}

bool TForm_printmac::FormKeyDown(int key) {
    if (key != Qt::Key_Escape) return false;
    Button_cancelClick();  // the cancel button answers Esc
    return true;
}

bool ShowPrintSelection(const std::vector<std::string>& names) {
    TForm_printmac form;
    form.SetOutputNames(names);
    const bool ok = form.exec() == QDialog::Accepted;
    if (!ok) AbortFlag = true;  // the window's close box cancels as well
    return ok;
}

}  // namespace kor2
