// The 6-byte real: conversion to and from the 80-bit extended float.
#include "platform/real48.h"

#include <cmath>
#include <cstring>

namespace kor2 {

namespace {

constexpr int kBias = 129;
constexpr int kMantBits = 39;
constexpr uint64_t kMantMask = (uint64_t{1} << kMantBits) - 1;

Real48 Make(int exponent, uint64_t mantissa, bool negative) {
    uint8_t b[6];
    b[0] = static_cast<uint8_t>(exponent);
    for (int i = 0; i < 5; ++i) b[1 + i] = static_cast<uint8_t>(mantissa >> (8 * i));
    if (negative) b[5] |= 0x80;
    return Real48::FromBytes(b);
}

}  // namespace

Real48 Real48::FromBytes(const uint8_t* bytes) {
    Real48 r;
    std::memcpy(r.bytes_.data(), bytes, 6);
    return r;
}

Real48 Real48::FromExtended(Extended x) {
    if (std::isnan(x) || x == 0) return Real48{};
    const bool negative = std::signbit(x);
    if (std::isinf(x)) return Make(255, kMantMask, negative);
    int e = 0;
    const Extended m = std::frexp(std::fabs(x), &e);  // m in [0.5, 1), exact
    // |x| = 2^(e-1) * (2m), 2m in [1, 2): exponent byte e - 1 + bias.
    int exponent = e - 1 + kBias;
    // 2m * 2^39 in [2^39, 2^40): exact, the long double mantissa has 64 bits.
    const Extended scaled = std::ldexp(m, kMantBits + 1);
    const Extended whole = std::floor(scaled);
    uint64_t q = static_cast<uint64_t>(whole);
    const Extended frac = scaled - whole;  // exact
    if (frac > 0.5L || (frac == 0.5L && (q & 1) != 0)) ++q;
    if (q == (uint64_t{1} << (kMantBits + 1))) {  // rounding carried into the exponent
        q >>= 1;
        ++exponent;
    }
    if (exponent < 1) return Real48{};  // below the smallest value
    if (exponent > 255) return Make(255, kMantMask, negative);
    return Make(exponent, q & kMantMask, negative);
}

Extended Real48::ToExtended() const {
    if (bytes_[0] == 0) return 0;
    uint64_t mant = 0;
    for (int i = 0; i < 5; ++i) mant |= uint64_t{bytes_[1 + i]} << (8 * i);
    const bool negative = (mant >> kMantBits) & 1;
    mant &= kMantMask;
    const Extended v =
        std::ldexp(static_cast<Extended>(mant | (uint64_t{1} << kMantBits)),
                   int{bytes_[0]} - kBias - kMantBits);
    return negative ? -v : v;
}

}  // namespace kor2
