// Tin_radiodialog: the choice among fewer than eight entries as radio
// buttons. Shown by the Qt dialog backend for SelectFromList.
#pragma once

#include <QStringList>
#include <string>
#include <vector>

#include "platform/qt/formbase.h"

class QButtonGroup;
class QGridLayout;
class QGroupBox;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace kor2 {

class Tin_radiodialog : public platform::TForm {
    Q_OBJECT
public:
    explicit Tin_radiodialog(QWidget* parent = nullptr);

    void Fill(const std::string& title, const std::vector<std::string>& items, int sel);
    int Chosen() const;  // 1-based, 0 when none is checked

    QLabel* Label1;
    QGroupBox* RadioGroup1;
    QPushButton* Button_ok;
    QPushButton* button_cancel;
    QPushButton* Button_hilfetext;
    QPushButton* Button_hilfebild;
    QStringList Items;  // the converted choices given to the radio group

    void FormCreate();
    void Button_okClick();
    void button_cancelClick();
    void Button_hilfetextClick();
    void Button_hilfebildClick();

protected:
    bool FormKeyDown(int key) override;

private:
    QButtonGroup* group_;
    QVBoxLayout* choices_;    // the radio buttons inside RadioGroup1
    QGridLayout* groupCell_;  // RadioGroup1's place, (n + 1) x 25 pixels high at least
};

}  // namespace kor2
