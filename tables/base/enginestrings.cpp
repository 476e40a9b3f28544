// String and number-text routines of the table engine. Called by the record
// conversions of the table file layer and by search and locate.
#include "tables/base/enginestrings.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "platform/codepage.h"
#include "platform/numtext.h"
#include "tables/base/enginedates.h"

namespace kor2 {

namespace {

bool IsBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

// Case tables of the Windows character set, built once.
struct CaseTables {
    std::array<unsigned char, 256> upper{}, lower{};
    CaseTables() {
        std::string all(256, '\0');
        for (int i = 0; i < 256; ++i) all[i] = static_cast<char>(i);
        const std::string up = platform::AnsiUpper(all), lo = platform::AnsiLower(all);
        for (int i = 0; i < 256; ++i) {
            upper[i] = static_cast<unsigned char>(up[i]);
            lower[i] = static_cast<unsigned char>(lo[i]);
        }
    }
};

const CaseTables& Cases() {
    static const CaseTables t;
    return t;
}

// Keeps digits, sign, and the decimal point (DecimalSeparator or '.') as '.'.
std::string NumberCore(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == ' ' || c == '+' || c == '$') continue;
        if (c == ThousandsSeparator && c != DecimalSeparator) continue;
        out += c == DecimalSeparator ? '.' : c;
    }
    return out;
}

}  // namespace

std::string UpperStr(const std::string& s) {
    std::string r = s;
    for (auto& c : r) c = static_cast<char>(Cases().upper[static_cast<unsigned char>(c)]);
    return r;
}

char UpCaseChar(char c) {
    return static_cast<char>(Cases().upper[static_cast<unsigned char>(c)]);
}
char LowCaseChar(char c) {
    return static_cast<char>(Cases().lower[static_cast<unsigned char>(c)]);
}

bool IsAlpha(const std::string& s) {
    return !s.empty() && UpCaseChar(s[0]) != LowCaseChar(s[0]);
}

int Occurs(const std::string& sub, const std::string& s) {
    if (sub.empty()) return 0;
    int n = 0;
    for (size_t p = s.find(sub); p != std::string::npos; p = s.find(sub, p + sub.size())) ++n;
    return n;
}

int NthPos(const std::string& sub, const std::string& s, int n) {
    if (sub.empty() || n == 0) return 0;
    if (n > 0) {
        size_t p = s.find(sub);
        for (int i = 1; i < n && p != std::string::npos; ++i) p = s.find(sub, p + sub.size());
        return p == std::string::npos ? 0 : static_cast<int>(p) + 1;
    }
    size_t p = s.rfind(sub);
    for (int i = -1; i > n && p != std::string::npos; --i)
        p = p == 0 ? std::string::npos : s.rfind(sub, p - 1);
    return p == std::string::npos ? 0 : static_cast<int>(p) + 1;
}

std::string Replicate(char c, int n) {
    return n > 0 ? std::string(n, c) : std::string();
}

std::string TrimRightStr(const std::string& s) {
    size_t e = s.size();
    while (e > 0 && IsBlankOrControl(s[e - 1])) --e;
    return s.substr(0, e);
}

std::string TrimLeftStr(const std::string& s) {
    size_t b = 0;
    while (b < s.size() && IsBlankOrControl(s[b])) ++b;
    return s.substr(b);
}

std::string RTrimStr(const std::string& s) {
    return TrimRightStr(s);
}
std::string LTrimStr(const std::string& s) {
    return TrimLeftStr(s);
}
std::string AllTrim(const std::string& s) {
    return TrimLeftStr(TrimRightStr(s));
}

int32_t NumTextToInt(const std::string& s) {
    const std::string t = NumberCore(s);
    const long long v = std::strtoll(t.c_str(), nullptr, 10);
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(v);
}

std::string CleanNumberText(const std::string& s) {
    std::string t = TrimLeftStr(s);
    std::string out;
    for (char c : t) {
        if (c == '$' || c == '+') continue;
        if (c == ThousandsSeparator && c != DecimalSeparator) continue;
        out += c == DecimalSeparator ? '.' : c;
    }
    return TrimRightStr(out);
}

Extended TextToReal(const std::string& s) {
    // Read independently of the C library's locale: the separators are the
    // engine's own, and NumberCore has already turned them into '.'.
    return platform::ReadLeadingNumber(NumberCore(s));
}

int32_t TextToIntPart(const std::string& s) {
    const std::string t = NumberCore(s);
    return NumTextToInt(t.substr(0, t.find('.')));
}

std::string FormatStoredReal(Extended x, int width, int decimals) {
    double v = static_cast<double>(x);
    if (!std::isfinite(v)) v = 0;
    decimals = std::clamp(decimals, 0, 30);
    char buf[400];
    // to_chars is independent of the C locale, which a form library may change.
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    std::string t = r.ec == std::errc() ? std::string(buf, r.ptr) : std::string("*");
    if (width > static_cast<int>(t.size()) && width < 256) t.insert(0, width - t.size(), ' ');
    return t;
}

std::string RealToText(Extended x, int width, int decimals) {
    std::string t = FormatStoredReal(x, width, decimals);
    for (auto& c : t)
        if (c == '.') c = DecimalSeparator;
    return t;
}

std::string IntToText(int64_t n, int width) {
    std::string t = std::to_string(n);
    if (width > 0 && static_cast<int>(t.size()) < width) t.insert(0, width - t.size(), ' ');
    return t;
}

std::string IifStr(bool condition, const std::string& a, const std::string& b) {
    return condition ? a : b;
}

std::string PadRightStr(const std::string& s, int width) {
    if (static_cast<int>(s.size()) >= width) return s;
    return s + std::string(width - s.size(), ' ');
}

int64_t BufferPosNoCase(const char* needle, int64_t needleLen, const char* buffer, int64_t bufLen) {
    if (needleLen <= 0 || needleLen > bufLen) return -1;
    const auto& up = Cases().upper;
    const unsigned char first = up[static_cast<unsigned char>(needle[0])];
    for (int64_t i = 0; i + needleLen <= bufLen; ++i) {
        if (up[static_cast<unsigned char>(buffer[i])] != first) continue;
        int64_t k = 1;
        while (k < needleLen && up[static_cast<unsigned char>(buffer[i + k])] ==
                                    up[static_cast<unsigned char>(needle[k])])
            ++k;
        if (k == needleLen) return i;
    }
    return -1;
}

}  // namespace kor2
