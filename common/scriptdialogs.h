// The scripted dialog backend for tests: questions take their answers from
// a queue and every dialog and message is recorded. An empty queue answers
// like Cancel, so a test can never hang in a question loop.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/dialogs.h"

namespace kor2 {

struct ScriptedAnswer {
    bool cancel = false;
    int choice = 0;                         // list: 1-based choice, 0 keeps the preselection
    std::optional<std::string> text;        // edit, file or folder; nullopt keeps the shown text
    char janein = 0;                        // 'J' or 'N', 0 keeps the preselection
    YesNoCancel button = YesNoCancel::Yes;  // yes/no/cancel; Yes also means Retry
    std::optional<std::pair<std::string, std::string>> editedErr;  // new cause, remedy

    static ScriptedAnswer Cancel() {
        ScriptedAnswer a;
        a.cancel = true;
        return a;
    }
    static ScriptedAnswer Choose(int n) {
        ScriptedAnswer a;
        a.choice = n;
        return a;
    }
    static ScriptedAnswer Type(std::string t) {
        ScriptedAnswer a;
        a.text = std::move(t);
        return a;
    }
    static ScriptedAnswer Accept() { return {}; }
    static ScriptedAnswer Button(YesNoCancel b) {
        ScriptedAnswer a;
        a.button = b;
        return a;
    }
};

// What the program asked or showed, in order.
struct ScriptedEvent {
    std::string kind;  // "list", "radio", "text", "janein", "screen", "folder", "message",
                       // "yesno", "retry", "open", "save", "errwindow"
    std::string caption;
    std::string text;
    std::vector<std::string> items;
    int sel = 0;
    int maxLength = 0;
    MsgStyle style = MsgStyle::Typed;
};

class ScriptedDialogs : public DialogBackend {
public:
    std::deque<ScriptedAnswer> answers;
    std::vector<ScriptedEvent> events;
    int beeps = 0;
    bool saveAsksBeforeReplacing = false;  // as the Qt save dialog does

    // Installs itself for its lifetime.
    ScriptedDialogs() { SetDialogBackend(this); }
    ~ScriptedDialogs() override { SetDialogBackend(nullptr); }
    ScriptedDialogs(const ScriptedDialogs&) = delete;
    ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

    // The events of one kind, and the texts of all messages.
    std::vector<ScriptedEvent> Of(std::string_view kind) const;

    int ChooseFromList(std::string_view title, const std::vector<std::string>& items, int sel,
                       bool listBox) override;
    std::string EditText(std::string_view prompt, int maxLength, std::string_view text) override;
    char AskJaNein(std::string_view question, bool neinPreselected) override;
    void ShowTextScreen(std::string_view caption, const std::vector<std::string>& lines) override;
    std::optional<std::string> ChooseFolder(std::string_view startDir) override;
    void Message(MsgStyle style, std::string_view caption, std::string_view text) override;
    // Recorded as a "message" with its UTF-8 text.
    void MessageHostText(MsgStyle style, std::string_view caption,
                         std::string_view utf8Text) override;
    YesNoCancel AskYesNoCancel(std::string_view caption, std::string_view text) override;
    bool AskRetry(std::string_view caption, std::string_view text) override;
    std::optional<std::string> OpenFile(std::string_view dir, std::string_view filter) override;
    // Records the offered file name as the event's only item.
    std::optional<std::string> SaveFile(std::string_view dir, std::string_view filter,
                                        std::string_view fileName) override;
    void ShowErrWindow(std::string_view msg, std::string_view cause,
                       std::string_view remedy) override;
    void Beep() override { ++beeps; }
    bool SaveAsksBeforeReplacing() const override { return saveAsksBeforeReplacing; }

private:
    ScriptedAnswer Next();
    ScriptedEvent& Record(std::string kind, std::string_view caption, std::string_view text);
};

}  // namespace kor2
