// Path routines on the program's path texts; pure string work, no file
// access. Called by the file operations, dialogs and configuration code.
#include "common/filepath.h"

#include "common/textutil.h"

namespace kor2 {

namespace {

bool IsNameChar(unsigned char c) {
    return (c >= 33 && c <= 41) || (c >= 48 && c <= 57) || (c >= 59 && c <= 90) ||
           (c >= 95 && c <= 122);
}

// Whether the text ends in the folder "." or ".." (after a separator, a
// drive or nothing): a name joined to it must stay inside that folder.
bool EndsInDotFolder(std::string_view r) {
    const std::size_t start = r.find_last_of("\\/:") + 1;  // npos + 1 == 0
    const std::string_view last = r.substr(start);
    return last == "." || last == "..";
}

std::string AddSeparator(std::string_view s, bool afterColon) {
    std::string r = TrimBlanks(s);
    if (r.empty()) return r;
    const auto last = static_cast<unsigned char>(r.back());
    if (IsNameChar(last) || (afterColon && last == ':') || EndsInDotFolder(r)) r += '\\';
    return r;
}

}  // namespace

std::string AddBackslash(std::string_view s) {
    return AddSeparator(s, false);
}

std::string AddBackslashAlways(std::string_view s) {
    return AddSeparator(s, true);
}

std::string RemoveBackslash(std::string_view s) {
    std::string r = TrimBlanks(s);
    if (!r.empty() && r.back() == '\\') r.pop_back();
    return r;
}

std::string ExtractFilePathL(std::string_view s) {
    const std::size_t p = s.find_last_of("\\/:");
    return p == std::string_view::npos ? std::string() : std::string(s.substr(0, p + 1));
}

std::string ExtractDrive(std::string_view s) {
    return s.find(':') == std::string_view::npos ? std::string() : std::string(s.substr(0, 2));
}

std::string ExtractFileBaseName(std::string_view s) {
    const std::size_t sep = s.find_last_of("\\:");
    std::string_view name = sep == std::string_view::npos ? s : s.substr(sep + 1);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string_view::npos) name = name.substr(0, dot);
    return std::string(name);
}

std::string ExtractBareFileName(std::string_view s) {
    std::string_view r = s;
    if (r.size() >= 2) {
        const std::size_t dot = r.substr(0, r.size() - 1).rfind('.');
        if (dot != std::string_view::npos) r = r.substr(0, dot);
    }
    const std::size_t bs = r.rfind('\\');
    if (bs != std::string_view::npos) r = r.substr(bs + 1);
    const std::size_t colon = r.find(':');
    if (colon != std::string_view::npos) r = r.substr(colon + 1);
    return std::string(r);
}

std::string ExtractFileExtNoDot(std::string_view s) {
    const std::size_t dot = s.find('.');
    return dot == std::string_view::npos ? std::string() : std::string(s.substr(dot + 1));
}

}  // namespace kor2
