// Small stay-on-top windows for long table operations: TTbMsg shows one line
// of text, TTbProgress100 a bar of 100 '|' that loses one per step. Shown
// without being modal; the operation goes on and updates them between steps.
#pragma once

#include <string>

#include "platform/qt/formbase.h"

class QFrame;
class QLabel;

namespace kor2 {

constexpr int MsgMargin = 30;  // added to the text's width and height

class TTbMsg : public platform::TForm {
    Q_OBJECT
public:
    explicit TTbMsg(QWidget* owner = nullptr);
    // Constructor that also sets the caption and the text (code page 850).
    static TTbMsg* CreateMsg(QWidget* owner, const std::string& caption, const std::string& text);
    // Shows the window with the text; an empty text keeps the previous one.
    void ShowMsg(const std::string& text);
    const std::string& Message() const { return message_; }

    QFrame* Panel1 = nullptr;  // outer panel filling the form
    QLabel* Panel2 = nullptr;  // text panel

private:
    std::string message_;
    bool hadCaption_ = false;
    bool shownOnce_ = false;
};

class TTbProgress100 : public TTbMsg {
    Q_OBJECT
public:
    explicit TTbProgress100(QWidget* owner = nullptr);
    // Removes one character of the bar (refills an empty bar) and shows it.
    void EngStepProgress();
    const std::string& Bar() const { return bar_; }

private:
    std::string bar_;
};

}  // namespace kor2
