// Selection of the active dialog backend and the batch backend, which runs
// without a display: messages to standard error, every question cancelled
// (so AbortFlag is set and nothing gets overwritten).
#include "common/dialogs.h"

#include <cstdio>
#include <string>

#include "common/globals.h"
#include "platform/codepage.h"

namespace kor2 {

namespace {

BatchDialogs& BatchBackend() {
    static BatchDialogs batch;
    return batch;
}

DialogBackend* active = nullptr;

// One line on standard error: the caption (code page 850) and a text
// already in the host's UTF-8.
void HostLineToStderr(std::string_view caption, std::string_view utf8Text) {
    std::string line;
    if (!caption.empty()) line = platform::OemToUtf8(caption) + " ";
    line += utf8Text;
    line += '\n';
    std::fputs(line.c_str(), stderr);
}

void ToStderr(std::string_view caption, std::string_view text) {
    HostLineToStderr(caption, platform::OemToUtf8(text));
}

}  // namespace

void DialogBackend::MessageHostText(MsgStyle style, std::string_view caption,
                                    std::string_view utf8Text) {
    Message(style, caption, platform::Utf8ToOem(utf8Text));
}

DialogBackend& Dialogs() {
    return active ? *active : BatchBackend();
}

void SetDialogBackend(DialogBackend* backend) {
    active = backend;
}

int BatchDialogs::ChooseFromList(std::string_view title, const std::vector<std::string>&, int sel,
                                 bool) {
    ToStderr("", title);
    AbortFlag = true;
    return sel;
}

std::string BatchDialogs::EditText(std::string_view prompt, int, std::string_view text) {
    ToStderr("", prompt);
    AbortFlag = true;
    return std::string(text);
}

char BatchDialogs::AskJaNein(std::string_view question, bool neinPreselected) {
    ToStderr("", question);
    AbortFlag = true;
    return neinPreselected ? 'N' : 'J';
}

void BatchDialogs::ShowTextScreen(std::string_view caption, const std::vector<std::string>& lines) {
    ToStderr("", caption);
    for (const std::string& l : lines) ToStderr("", l);
}

std::optional<std::string> BatchDialogs::ChooseFolder(std::string_view) {
    AbortFlag = true;
    return std::nullopt;
}

void BatchDialogs::Message(MsgStyle, std::string_view caption, std::string_view text) {
    ToStderr(caption, text);
}

void BatchDialogs::MessageHostText(MsgStyle, std::string_view caption, std::string_view utf8Text) {
    HostLineToStderr(caption, utf8Text);
}

YesNoCancel BatchDialogs::AskYesNoCancel(std::string_view caption, std::string_view text) {
    ToStderr(caption, text);
    return YesNoCancel::Cancel;
}

bool BatchDialogs::AskRetry(std::string_view caption, std::string_view text) {
    ToStderr(caption, text);
    return false;
}

std::optional<std::string> BatchDialogs::OpenFile(std::string_view, std::string_view) {
    return std::nullopt;
}

std::optional<std::string> BatchDialogs::SaveFile(std::string_view, std::string_view,
                                                  std::string_view) {
    return std::nullopt;
}

void BatchDialogs::ShowErrWindow(std::string_view msg, std::string_view cause,
                                 std::string_view remedy) {
    ToStderr("", msg);
    ToStderr("", cause);
    ToStderr("", remedy);
}

}  // namespace kor2
