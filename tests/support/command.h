// Runs a shell command for the tests that compare with other programs (dBase
// readers and writers, PDF tools) and gives its standard output. Paths in a
// command go through ShellQuoted: the tests' folders may hold blanks.
#pragma once

#include <cstdio>
#include <string>

namespace kor2::test {

// A word for the shell, whatever it holds: in single quotes.
inline std::string ShellQuoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// A file URL of a host path (for programs that take a URL), blanks and other
// characters outside a URL's plain ones written as %XX.
inline std::string FileUrl(const std::string& path) {
    static const char* hex = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : path) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '/' || c == '-' || c == '_' || c == '.' ||
                           c == '~';
        if (plain) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += hex[c >> 4];
            url += hex[c & 15];
        }
    }
    return url;
}

// The command's standard output; status, when given, receives what pclose
// returns (-1 when the command could not be started).
inline std::string CommandOutput(const std::string& command, int* status = nullptr) {
    std::string out;
    if (status) *status = -1;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    const int rc = pclose(p);
    if (status) *status = rc;
    return out;
}

}  // namespace kor2::test
