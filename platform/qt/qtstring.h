// Text conversion at the widget boundary: the program's code page 850 or
// 1252 byte strings to and from the QString that Qt widgets show.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace kor2::platform {

QString AnsiToQString(std::string_view ansi);  // code page 1252 -> Qt
std::string QStringToAnsi(const QString& s);   // Qt -> code page 1252
QString OemToQString(std::string_view oem);    // code page 850 -> Qt
std::string QStringToOem(const QString& s);    // Qt -> code page 850

}  // namespace kor2::platform
