// Tin_textdialog: one line of text with a prompt. Shown by the Qt dialog
// backend for InputText and the bounded number inputs.
#pragma once

#include <QString>
#include <string>

#include "platform/qt/formbase.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace kor2 {

class Tin_textdialog : public platform::TForm {
    Q_OBJECT
public:
    explicit Tin_textdialog(QWidget* parent = nullptr);

    // maxLength limits what is typed; a longer preset text is shown whole.
    void Fill(const std::string& prompt, int maxLength, const std::string& text);
    // Code page 850; the preset bytes themselves while the shown text is
    // unchanged.
    std::string Text() const;

    QLabel* Label1;
    QLineEdit* EditEinText;
    QPushButton* Button_ok;
    QPushButton* Button_Cancel;
    QPushButton* Button_hilfetext;
    QPushButton* Button_hilfebild;

    void FormCreate();
    void Button_okClick();
    void Button_CancelClick();
    void Button_hilfetextClick();
    void Button_hilfebildClick();

protected:
    bool FormKeyDown(int key) override;

private:
    void ApplyTypingLimit();

    int typingLimit_ = 0;
    std::string preset_;
    QString shown_;
};

}  // namespace kor2
