// TForm_printmac: the print selection dialog, 14 check boxes whose captions
// the main window sets to the names of its outputs; the ticks are the bits
// of PrintMacroIndex. The main window shows it before a graphics print job.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "common/printsel.h"
#include "platform/qt/formbase.h"

class QCheckBox;
class QPushButton;

namespace kor2 {

class TForm_printmac : public platform::TForm {
    Q_OBJECT
public:
    explicit TForm_printmac(QWidget* parent = nullptr);

    // CheckBox(k) for k = 1..14 (object names "CheckBox1" ..); nullptr otherwise.
    QCheckBox* CheckBox(int k) const;
    // Captions of the check boxes from the outputs' names (code page 850);
    // boxes without a name stand for no output and are hidden (their bits
    // in PrintMacroIndex stay as they are).
    void SetOutputNames(const std::vector<std::string>& names);

    std::array<QCheckBox*, kPrintMacroCount> CheckBoxes{};
    QPushButton* Button_ok;
    QPushButton* Button_cancel;
    QPushButton* Button_help;

    void FormCreate();
    void Button_okClick();
    void Button_cancelClick();
    void Button_helpClick();

protected:
    bool FormKeyDown(int key) override;
};

// Shows the dialog with the outputs' names; true when it was closed with
// OK (PrintMacroIndex then holds the new ticks).
bool ShowPrintSelection(const std::vector<std::string>& names);

}  // namespace kor2
