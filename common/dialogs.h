// The primitive dialog operations under the program's procedural front ends
// (list, text, yes/no, message boxes, file and folder dialogs). One backend
// is active: the Qt forms, a scripted one for tests, or the batch one.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kor2 {

// The kinds of message windows the program shows.
enum class MsgStyle {
    Typed,        // task-modal box with a caption by message type
    Application,  // the application's message box, caption given
    Plain,        // the class library's plain message window, no caption
};

enum class YesNoCancel { Yes, No, Cancel };

// Every text crosses this interface in code page 850; a backend that shows
// it converts at its own boundary. Questions and choices report a cancel by
// setting AbortFlag (as the forms' Esc and "Abbrechen" do) and otherwise
// leave it alone, unless a form's rule says more.
class DialogBackend {
public:
    virtual ~DialogBackend() = default;

    // Choice among items (1-based preselection sel); listBox picks the list
    // form, else radio buttons. Returns the 1-based choice.
    virtual int ChooseFromList(std::string_view title, const std::vector<std::string>& items,
                               int sel, bool listBox) = 0;
    // One line of text; returns the text as left in the edit.
    virtual std::string EditText(std::string_view prompt, int maxLength, std::string_view text) = 0;
    // Yes/no form; returns 'J' or 'N'.
    virtual char AskJaNein(std::string_view question, bool neinPreselected) = 0;
    // The read-only text screen with 22 lines.
    virtual void ShowTextScreen(std::string_view caption,
                                const std::vector<std::string>& lines) = 0;
    // Folder choice starting at startDir; nullopt when cancelled.
    virtual std::optional<std::string> ChooseFolder(std::string_view startDir) = 0;

    // Message with an OK button.
    virtual void Message(MsgStyle style, std::string_view caption, std::string_view text) = 0;
    // The same with a text in the host's UTF-8, for a host name the code page
    // cannot hold; a backend that shows only code page 850 gets it converted.
    virtual void MessageHostText(MsgStyle style, std::string_view caption,
                                 std::string_view utf8Text);
    // Yes, No and Cancel with the question icon.
    virtual YesNoCancel AskYesNoCancel(std::string_view caption, std::string_view text) = 0;
    // Retry and Cancel after a failed step; true for Retry.
    virtual bool AskRetry(std::string_view caption, std::string_view text) = 0;

    // Open and save dialogs: start folder (no trailing "\") and filter
    // "description|mask|..."; the chosen full name or nullopt. The save
    // dialog offers fileName (no folder) as the name to save under.
    virtual std::optional<std::string> OpenFile(std::string_view dir, std::string_view filter) = 0;
    virtual std::optional<std::string> SaveFile(std::string_view dir, std::string_view filter,
                                                std::string_view fileName = {}) = 0;
    // True when the save dialog itself asks before it returns the name of a
    // file that exists, so that the caller need not ask again for that name.
    virtual bool SaveAsksBeforeReplacing() const { return false; }
    // False where nobody can answer (a run without windows): a step that
    // would ask for a value goes on with what it has, asking nothing.
    virtual bool CanAsk() const { return true; }

    // The message description window; the backend offers the edit and the
    // save question as the form does.
    virtual void ShowErrWindow(std::string_view msg, std::string_view cause,
                               std::string_view remedy) = 0;

    virtual void Beep() = 0;
};

// The active backend; the batch backend until another one is installed.
DialogBackend& Dialogs();
// Installs a backend (nullptr returns to the batch backend). The caller
// keeps it alive while it is installed.
void SetDialogBackend(DialogBackend* backend);

// Without a display: messages go to standard error, every question is
// answered by cancel.
class BatchDialogs : public DialogBackend {
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
    void ShowErrWindow(std::string_view msg, std::string_view cause,
                       std::string_view remedy) override;
    void Beep() override {}
    bool CanAsk() const override { return false; }
};

}  // namespace kor2
