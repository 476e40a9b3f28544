// File names inside the engine's text commands. Called by Use, AppendFrom,
// the index commands and the data sets that build their texts.
#include "tables/base/commandtext.h"

#include "platform/oemtext.h"
#include "tables/base/enginestrings.h"

namespace kor2 {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Stands for a quoted name in front of its options, so that they are found
// as behind a name, and no option word can take it.
constexpr char kNameStandIn[] = "\"";

// The end of the quoted name that begins at `open` (the position after its
// closing quote), npos when it is not closed; its text into name.
size_t QuotedEnd(const std::string& text, size_t open, std::string* name) {
    for (size_t i = open + 1; i < text.size(); ++i) {
        if (text[i] != '"') {
            if (name) *name += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == '"') {
            if (name) *name += '"';
            ++i;
        } else {
            return i + 1;
        }
    }
    return std::string::npos;
}

}  // namespace

std::string QuoteName(const std::string& name) {
    std::string quoted = "\"";
    for (const char c : name) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

CommandName SplitCommandName(const std::string& text) {
    CommandName c;
    size_t open = 0;
    while (open < text.size() && IsBlank(text[open])) ++open;
    if (open == text.size() || text[open] != '"') {
        c.options = text;
        return c;
    }
    c.quoted = true;
    const size_t end = QuotedEnd(text, open, &c.name);
    c.valid = end != std::string::npos && !c.name.empty();
    if (end != std::string::npos) c.options = kNameStandIn + text.substr(end);
    return c;
}

bool CommandName::Finish(const std::string& rest, std::string& fileName) const {
    if (!valid) return false;
    const std::string left = AllTrim(rest);
    if (!quoted) {
        fileName = left;
        return true;
    }
    if (left != kNameStandIn) return false;
    fileName = name;
    return true;
}

std::string MalformedNameText(const std::string& text, const std::string& routine) {
    return "Ungültiger Dateiname in Anführungszeichen: "_oem + text + " [" + routine + "]";
}

std::vector<std::string> SplitNameList(const std::string& text) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < text.size()) {
        if (IsBlank(text[i])) {
            ++i;
            continue;
        }
        size_t end = i;
        if (text[i] == '"') {
            end = QuotedEnd(text, i, nullptr);
            if (end == std::string::npos) end = text.size();
        }
        while (end < text.size() && !IsBlank(text[end])) ++end;
        words.push_back(text.substr(i, end - i));
        i = end;
    }
    return words;
}

}  // namespace kor2
