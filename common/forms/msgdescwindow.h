// Thelperr: the message description window, showing a calculation
// message with its cause and remedy; edited texts can be saved back into
// the description file. Created by the Qt dialog backend's ShowErrWindow.
#pragma once

#include <string>

#include "platform/qt/formbase.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kor2 {

class Thelperr : public platform::TForm {
    Q_OBJECT
public:
    explicit Thelperr(QWidget* parent = nullptr);

    // Texts in code page 850.
    void Fill(const std::string& msg, const std::string& cause, const std::string& remedy);
    bool Modified() const { return modified_; }

    QLabel* Label_meldung;
    QLineEdit* Edit_meldung;
    QLabel* Label_ursache;
    QPlainTextEdit* Memo_ursache;
    QLabel* Label_abhilfe;
    QPlainTextEdit* Memo_abhilfe;
    QPushButton* Button_ok;
    QPushButton* Button_help;

    void FormCreate();
    void Memo_ursacheChange();
    void Memo_abhilfeChange();
    void Button_okClick();
    void Button_helpClick();

protected:
    void FormShow() override;

private:
    bool modified_ = false;
};

}  // namespace kor2
