// Letters and digits of ASCII and their case, the same under every locale:
// the program's own words (plotter commands, layer names, answers such as
// 'J') are read by these, never by <cctype>, whose toupper and isalpha follow
// the locale the form library sets from LANG.
#pragma once

namespace kor2 {

constexpr bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

constexpr bool IsAsciiLetterOrDigit(char c) {
    return IsAsciiLetter(c) || (c >= '0' && c <= '9');
}

constexpr char AsciiUpperChar(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace kor2
