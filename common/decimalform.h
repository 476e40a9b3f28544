// The 18-significant-digit decimal form of an 80-bit float: the digits the
// original run-time worked with when it turned a number into text. Shared by
// DecimalExponent and the fixed-point conversion.
#pragma once

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "platform/types.h"

namespace kor2::detail {

inline constexpr int kDecimalDigits = 18;

// value = 0.d1 d2 ... d18 * 10^(exponent + 1), i.e. d1 is the digit of 10^exponent.
struct DecimalForm {
    bool negative = false;
    char digits[kDecimalDigits] = {};  // '0'..'9'; d1 is not '0' unless the value is 0
    int exponent = 0;
};

// x must be finite. Rounded to nearest on the binary value (locale-independent).
inline DecimalForm ToDecimalForm(Extended x) {
    DecimalForm f;
    f.negative = std::signbit(x) && x != 0;
    if (x == 0) {
        for (char& d : f.digits) d = '0';
        return f;
    }
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf - 1, std::fabs(x),
                                 std::chars_format::scientific, kDecimalDigits - 1);
    *r.ptr = '\0';
    // "d.ddddddddddddddddde[+-]x"
    f.digits[0] = buf[0];
    for (int i = 1; i < kDecimalDigits; ++i) f.digits[i] = buf[i + 1];
    f.exponent = std::atoi(buf + kDecimalDigits + 2);
    return f;
}

}  // namespace kor2::detail
