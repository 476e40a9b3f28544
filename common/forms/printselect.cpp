// TForm_printmac: two columns of seven check boxes over OK, "Abbrechen" and
// "&Hilfetext". OK stores the ticks into PrintMacroIndex and clears
// AbortFlag; "Abbrechen" and Esc set AbortFlag and change nothing.
#include "common/forms/printselect.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/forms/formutil.h"
#include "common/globals.h"
#include "common/helptext.h"

namespace kor2 {
namespace {

constexpr int kRows = 7;
constexpr int kColumnWidth = 210;

}  // namespace

TForm_printmac::TForm_printmac(QWidget* parent) : TForm(parent) {
    setObjectName("Form_printmac");
    auto* boxes = new QGridLayout;
    for (int k = 1; k <= kPrintMacroCount; ++k) {
        auto* box = new QCheckBox(QString("CheckBox%1").arg(k), this);
        box->setObjectName(QString("CheckBox%1").arg(k));
        boxes->addWidget(box, (k - 1) % kRows, (k - 1) / kRows);
        CheckBoxes[static_cast<std::size_t>(k - 1)] = box;
    }
    Button_ok = MakeButton(this, "Button_ok", "");
    Button_cancel = MakeButton(this, "Button_cancel", "");
    Button_help = MakeButton(this, "Button_help", "");
    resize(2 * kColumnWidth + 40, 230);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(boxes);
    layout->addStretch(1);
    layout->addLayout(ButtonRow({Button_ok, Button_cancel, Button_help}));
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
    for (std::size_t k = 0; k < CheckBoxes.size(); ++k) {
        if (k < names.size()) CheckBoxes[k]->setText(OemQ(names[k]));
        CheckBoxes[k]->setVisible(k < names.size());
    }
    FitToLayout(Qt::Horizontal | Qt::Vertical);
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
