// Locale-independent number texts: std::from_chars and std::to_chars, which
// never look at the C library's locale, in the forms the callers used to get
// from strtold and snprintf under "C".
#include "platform/numtext.h"

#include <algorithm>
#include <charconv>
#include <system_error>

namespace kor2::platform {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

template <typename T>
T ReadLeading(std::string_view text, std::size_t* used) {
    if (used) *used = 0;
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    // from_chars takes a minus sign but no plus sign.
    const bool plus = i < text.size() && text[i] == '+';
    if (plus && (i + 1 == text.size() || text[i + 1] == '-' || text[i + 1] == '+')) return 0;
    const char* first = text.data() + i + (plus ? 1 : 0);
    const char* last = text.data() + text.size();
    T v = 0;
    const auto r = std::from_chars(first, last, v);
    if (r.ec == std::errc::result_out_of_range) {
        // Too small for T (a negative exponent): zero of its sign, where the
        // library gives zero or a denormal. Too large: no number at all.
        const std::string_view taken(first, static_cast<std::size_t>(r.ptr - first));
        const std::size_t e = taken.find_first_of("eE");
        if (e == std::string_view::npos || e + 1 >= taken.size() || taken[e + 1] != '-') return 0;
        v = *first == '-' ? -T(0) : T(0);
    } else if (r.ec != std::errc()) {
        return 0;
    }
    if (used) *used = static_cast<std::size_t>(r.ptr - text.data());
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
