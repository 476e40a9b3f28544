// Locale-independent number texts: std::from_chars and std::to_chars, which
// never look at the C library's locale, in the forms the callers used to get
// from strtold and snprintf under "C".
#include "platform/numtext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <system_error>

namespace kor2::platform {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Whether c may belong to a number text, "nan(...)" and "infinity" included.
bool IsNumberChar(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '+' ||
           c == '-' || c == '.' || c == '(' || c == ')' || c == '_';
}

// Whether a decimal text that the library found out of range (digits with an
// optional point and exponent, no sign) stands for a value below 1, so too
// small rather than too large.
bool BelowOne(std::string_view t) {
    std::size_t i = 0;
    int64_t magnitude = 0;  // decimal exponent of the first significant digit, plus one
    bool significant = false, afterPoint = false;
    for (; i < t.size() && t[i] != 'e' && t[i] != 'E'; ++i) {
        if (t[i] == '.') {
            afterPoint = true;
        } else if (!significant && t[i] == '0') {
            if (afterPoint) --magnitude;
        } else {
            significant = true;
            if (!afterPoint) ++magnitude;
        }
    }
    int64_t exponent = 0;
    bool negative = false;
    if (++i < t.size() && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
    for (; i < t.size(); ++i)  // saturated far beyond any type's range
        exponent = std::min<int64_t>(exponent * 10 + (t[i] - '0'), int64_t{1} << 40);
    return magnitude + (negative ? -exponent : exponent) <= 0;
}

template <typename T>
T ReadLeading(std::string_view text, std::size_t* used) {
    if (used) *used = 0;
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    // from_chars takes a minus sign but no plus sign.
    const bool plus = i < text.size() && text[i] == '+';
    if (plus && (i + 1 == text.size() || text[i + 1] == '-' || text[i + 1] == '+')) return 0;
    if (plus) ++i;
    // The library's long double reading runs to a terminating zero byte (for
    // "inf" and "nan" it looks past the view), so it reads a terminated copy
    // of the characters a number can consist of.
    std::size_t n = i;
    while (n < text.size() && IsNumberChar(text[n])) ++n;
    const std::string number(text.substr(i, n - i));
    const char* first = number.c_str();
    T v = 0;
    const auto r = std::from_chars(first, first + number.size(), v);
    const bool negative = !number.empty() && number[0] == '-';
    if (r.ec == std::errc::result_out_of_range) {
        // Too small for T: zero of its sign, where the library gives zero or
        // a value below the normal range. Too large: no number at all.
        if (!BelowOne(std::string_view(first, static_cast<std::size_t>(r.ptr - first))
                          .substr(negative ? 1 : 0)))
            return 0;
        v = negative ? -T(0) : T(0);
    } else if (r.ec != std::errc()) {
        return 0;
    } else if (v != 0 && std::fabs(v) < std::numeric_limits<T>::min()) {
        v = negative ? -T(0) : T(0);
    }
    if (used) *used = i + static_cast<std::size_t>(r.ptr - first);
    return v;
}

}  // namespace

Extended ReadLeadingNumber(std::string_view text, std::size_t* used) {
    return ReadLeading<Extended>(text, used);
}

double ReadLeadingDouble(std::string_view text, std::size_t* used) {
    return ReadLeading<double>(text, used);
}

std::string FormatSignificant(double v, int significant) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general,
                                 std::clamp(significant, 1, 17));
    return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string();
}

}  // namespace kor2::platform
