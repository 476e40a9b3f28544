// TShowScreen: a read-only screen of 22 text lines with an OK button,
// shown by ShowInfoScreen through the Qt dialog backend.
#pragma once

#include "platform/qt/formbase.h"

class QPlainTextEdit;
class QPushButton;

namespace kor2 {

class TShowScreen : public platform::TForm {
    Q_OBJECT
public:
    explicit TShowScreen(QWidget* parent = nullptr);

    QPlainTextEdit* Memo1;
    QPushButton* Button_ok;

    // Placement, caption CaptionText, Memo1 from TextLines 1..22.
    void FormCreate();
    void Button_okClick();
};

}  // namespace kor2
