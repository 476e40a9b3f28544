// QString conversions over the code page tables of the platform layer.
#include "platform/qt/qtstring.h"

#include "platform/codepage.h"

namespace kor2::platform {

QString AnsiToQString(std::string_view ansi) {
    const std::u16string u = AnsiToUtf16(ansi);
    return QString::fromUtf16(u.data(), static_cast<qsizetype>(u.size()));
}

std::string QStringToAnsi(const QString& s) {
    return Utf16ToAnsi(std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()),
                                           static_cast<std::size_t>(s.size())));
}

QString OemToQString(std::string_view oem) { return AnsiToQString(OemToChar(oem)); }

std::string QStringToOem(const QString& s) { return CharToOem(QStringToAnsi(s)); }

}  // namespace kor2::platform
