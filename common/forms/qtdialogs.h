// The Qt dialog backend: shows the program's real forms and the platform's
// message boxes and file dialogs. The program installs it at start-up when
// a display is available; tests install it to drive the forms.
#pragma once

#include "common/dialogs.h"

namespace kor2 {

class QtDialogs : public DialogBackend {
public:
    int ChooseFromList(std::string_view title, const std::vector<std::string>& items, int sel,
                       bool listBox) override;
    std::string EditText(std::string_view prompt, int maxLength, std::string_view text) override;
    char AskJaNein(std::string_view question, bool neinPreselected) override;
    void ShowTextScreen(std::string_view caption, const std::vector<std::string>& lines) override;
    std::optional<std::string> ChooseFolder(std::string_view startDir) override;
    void Message(MsgStyle style, std::string_view caption, std::string_view text) override;
    void MessageHostText(MsgStyle style, std::string_view caption,
                         std::string_view utf8Text) override;
    YesNoCancel AskYesNoCancel(std::string_view caption, std::string_view text) override;
    bool AskRetry(std::string_view caption, std::string_view text) override;
    std::optional<std::string> OpenFile(std::string_view dir, std::string_view filter) override;
    std::optional<std::string> SaveFile(std::string_view dir, std::string_view filter,
                                        std::string_view fileName) override;
    bool SaveAsksBeforeReplacing() const override;
    void ShowErrWindow(std::string_view msg, std::string_view cause,
                       std::string_view remedy) override;
    void Beep() override;
};

}  // namespace kor2
