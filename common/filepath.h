// Path texts of the program ("\" separators, optional drive "X:"): adding
// and removing the trailing backslash of folder settings and taking names
// apart. Used wherever a file name is built from a configured folder.
#pragma once

#include <string>
#include <string_view>

namespace kor2 {

// Trimmed text with "\" appended after a name character (codes 33..41,
// 48..57, 59..90, 95..122) and after the folders "." and ".."; nothing after
// "\", "/", ":", another "." and the like.
std::string AddBackslash(std::string_view s);
// As AddBackslash, but also after ":" (a bare drive "C:" becomes "C:\").
std::string AddBackslashAlways(std::string_view s);
std::string RemoveBackslash(std::string_view s);
// Up to and including the last "\", "/" or ":".
std::string ExtractFilePathL(std::string_view s);
std::string ExtractDrive(std::string_view s);
// The name after the last "\" or ":" without its extension.
std::string ExtractFileBaseName(std::string_view s);
// Without the extension (last "." before the final character), the folders
// and the drive.
std::string ExtractBareFileName(std::string_view s);
// The part after the first ".".
std::string ExtractFileExtNoDot(std::string_view s);

inline void AddBackslash(std::string_view s, std::string& r) {
    r = AddBackslash(s);
}
inline void AddBackslashAlways(std::string_view s, std::string& r) {
    r = AddBackslashAlways(s);
}
inline void RemoveBackslash(std::string_view s, std::string& r) {
    r = RemoveBackslash(s);
}
inline void ExtractFilePathL(std::string_view s, std::string& r) {
    r = ExtractFilePathL(s);
}
inline void ExtractDrive(std::string_view s, std::string& r) {
    r = ExtractDrive(s);
}
inline void ExtractFileBaseName(std::string_view s, std::string& r) {
    r = ExtractFileBaseName(s);
}
inline void ExtractBareFileName(std::string_view s, std::string& r) {
    r = ExtractBareFileName(s);
}
inline void ExtractFileExtNoDot(std::string_view s, std::string& r) {
    r = ExtractFileExtNoDot(s);
}

}  // namespace kor2
