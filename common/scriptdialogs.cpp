// Scripted dialog backend: answers from a queue, a record of every dialog.
// Used by the tests of the front ends, file checks and message windows.
#include "common/scriptdialogs.h"

#include "common/errdesc.h"
#include "common/globals.h"

namespace kor2 {

std::vector<ScriptedEvent> ScriptedDialogs::Of(std::string_view kind) const {
    std::vector<ScriptedEvent> out;
    for (const ScriptedEvent& e : events)
        if (e.kind == kind) out.push_back(e);
    return out;
}

ScriptedAnswer ScriptedDialogs::Next() {
    if (answers.empty()) return ScriptedAnswer::Cancel();
    ScriptedAnswer a = std::move(answers.front());
    answers.pop_front();
    return a;
}

ScriptedEvent& ScriptedDialogs::Record(std::string kind, std::string_view caption,
                                       std::string_view text) {
    ScriptedEvent e;
    e.kind = std::move(kind);
    e.caption = caption;
    e.text = text;
    events.push_back(std::move(e));
    return events.back();
}

int ScriptedDialogs::ChooseFromList(std::string_view title, const std::vector<std::string>& items,
                                    int sel, bool listBox) {
    ScriptedEvent& e = Record(listBox ? "list" : "radio", "", title);
    e.items = items;
    e.sel = sel;
    const ScriptedAnswer a = Next();
    if (a.cancel) {
        AbortFlag = true;
        return sel;
    }
    return a.choice > 0 ? a.choice : sel;
}

std::string ScriptedDialogs::EditText(std::string_view prompt, int maxLength,
                                      std::string_view text) {
    ScriptedEvent& e = Record("text", "", prompt);
    e.items = {std::string(text)};
    e.maxLength = maxLength;
    const ScriptedAnswer a = Next();
    if (a.cancel) {
        AbortFlag = true;
        return std::string(text);
    }
    std::string t = a.text ? *a.text : std::string(text);
    if (maxLength > 0 && t.size() > static_cast<std::size_t>(maxLength)) t.resize(maxLength);
    return t;
}

char ScriptedDialogs::AskJaNein(std::string_view question, bool neinPreselected) {
    ScriptedEvent& e = Record("janein", "", question);
    e.sel = neinPreselected ? 2 : 1;
    const ScriptedAnswer a = Next();
    if (a.cancel) AbortFlag = true;
    if (a.cancel || a.janein == 0) return neinPreselected ? 'N' : 'J';
    return a.janein;
}

void ScriptedDialogs::ShowTextScreen(std::string_view caption,
                                     const std::vector<std::string>& lines) {
    Record("screen", caption, "").items = lines;
}

std::optional<std::string> ScriptedDialogs::ChooseFolder(std::string_view startDir) {
    Record("folder", "", startDir);
    const ScriptedAnswer a = Next();
    if (a.cancel) {
        AbortFlag = true;
        return std::nullopt;
    }
    return a.text ? *a.text : std::string(startDir);
}

void ScriptedDialogs::Message(MsgStyle style, std::string_view caption, std::string_view text) {
    Record("message", caption, text).style = style;
}

void ScriptedDialogs::MessageHostText(MsgStyle style, std::string_view caption,
                                      std::string_view utf8Text) {
    Message(style, caption, utf8Text);
}

YesNoCancel ScriptedDialogs::AskYesNoCancel(std::string_view caption, std::string_view text) {
    Record("yesno", caption, text);
    const ScriptedAnswer a = Next();
    return a.cancel ? YesNoCancel::Cancel : a.button;
}

bool ScriptedDialogs::AskRetry(std::string_view caption, std::string_view text) {
    Record("retry", caption, text);
    const ScriptedAnswer a = Next();
    return !a.cancel && a.button == YesNoCancel::Yes;
}

std::optional<std::string> ScriptedDialogs::OpenFile(std::string_view dir,
                                                     std::string_view filter) {
    Record("open", filter, dir);
    const ScriptedAnswer a = Next();
    if (a.cancel || !a.text) return std::nullopt;
    return a.text;
}

std::optional<std::string> ScriptedDialogs::SaveFile(std::string_view dir, std::string_view filter,
                                                     std::string_view fileName) {
    Record("save", filter, dir).items = {std::string(fileName)};
    const ScriptedAnswer a = Next();
    if (a.cancel || !a.text) return std::nullopt;
    return a.text;
}

void ScriptedDialogs::ShowErrWindow(std::string_view msg, std::string_view cause,
                                    std::string_view remedy) {
    ScriptedEvent& e = Record("errwindow", msg, cause);
    e.items = {std::string(remedy)};
    const ScriptedAnswer a = Next();
    if (a.editedErr) ErrWindowOk(true, msg, a.editedErr->first, a.editedErr->second);
}

}  // namespace kor2
