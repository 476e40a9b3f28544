// Tin_janeindialog: a yes/no question as two radio buttons "&Ja" and
// "&Nein". Shown by the Qt dialog backend for AskYesNoDialog and AskYesNo.
#pragma once

#include <string>

#include "platform/qt/formbase.h"

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace kor2 {

class Tin_janeindialog : public platform::TForm {
    Q_OBJECT
public:
    explicit Tin_janeindialog(QWidget* parent = nullptr);

    void Fill(const std::string& question, bool neinPreselected);
    char Answer() const;  // 'N' when "&Nein" is checked, else 'J'

    QLabel* Label1;
    QGroupBox* RadioGroup_janein;
    QRadioButton* RadioJa;
    QRadioButton* RadioNein;
    QPushButton* Button_ok;
    QPushButton* button_cancel;
    QPushButton* Button_hilfetext;
    QPushButton* Button_hilfebild;

    void FormCreate();
    void Button_okClick();
    void button_cancelClick();
    void Button_hilfetextClick();
    void Button_hilfebildClick();

protected:
    bool FormKeyDown(int key) override;
};

}  // namespace kor2
