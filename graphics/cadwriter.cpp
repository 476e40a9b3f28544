// Number and text helpers shared by the CAD format writers.
// Numbers never pass through the locale or the program's decimal-comma
// option: every CAD file uses a decimal point.
#include "graphics/cadwriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "common/textutil.h"

namespace kor2 {

std::string CadNum(Extended v, int decimals) {
    double d = std::isfinite(v) ? static_cast<double>(v) : 0.0;
    d = std::clamp(d, -1e12, 1e12);
    decimals = std::clamp(decimals, 1, 15);
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed, decimals);
    std::string s(buf, res.ptr);
    while (s.size() > 2 && s.back() == '0' && s[s.size() - 2] != '.') s.pop_back();
    if (s == "-0.0") s = "0.0";
    return s;
}

std::string CadOutputText(std::string_view oem, std::size_t maxLen) {
    std::string s = ConvertOutputText(oem);
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    if (s.size() > maxLen) s.resize(maxLen);
    return s;
}

}  // namespace kor2
