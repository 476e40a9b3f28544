#include "platform/real48.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kor2 {
namespace {

using Bytes6 = std::array<uint8_t, 6>;

Extended RoundTrip(Extended x) { return Real48::FromExtended(x).ToExtended(); }

// The largest value: exponent 255, all mantissa bits set.
const Extended kMax = std::ldexp(2.0L - std::ldexp(1.0L, -39), 126);
const Extended kMin = std::ldexp(1.0L, -128);

TEST(Real48, One) {
    EXPECT_EQ(Real48::FromExtended(1.0L).Bytes(), (Bytes6{0x81, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Real48::FromExtended(1.0L).ToExtended(), 1.0L);
}

TEST(Real48, MinusOneAndHalf) {
    EXPECT_EQ(Real48::FromExtended(-1.0L).Bytes(), (Bytes6{0x81, 0, 0, 0, 0, 0x80}));
    EXPECT_EQ(Real48::FromExtended(0.5L).Bytes(), (Bytes6{0x80, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Real48::FromExtended(-1.5L).Bytes(), (Bytes6{0x81, 0, 0, 0, 0, 0xC0}));
    EXPECT_EQ(Real48::FromExtended(10.0L).Bytes(), (Bytes6{0x84, 0, 0, 0, 0, 0x20}));
    EXPECT_EQ(RoundTrip(-1.0L), -1.0L);
    EXPECT_EQ(RoundTrip(0.5L), 0.5L);
    EXPECT_EQ(RoundTrip(-1234.5L), -1234.5L);
}

TEST(Real48, Zero) {
    EXPECT_EQ(Real48::FromExtended(0.0L).Bytes(), (Bytes6{}));
    EXPECT_EQ(Real48::FromExtended(-0.0L).Bytes(), (Bytes6{}));
    EXPECT_EQ(Real48().ToExtended(), 0.0L);
    // Exponent 0 means zero whatever the other bytes hold.
    const uint8_t b[6] = {0, 1, 2, 3, 4, 0x85};
    EXPECT_EQ(Real48::FromBytes(b).ToExtended(), 0.0L);
}

TEST(Real48, TenthRoundsToNearest) {
    const Extended x = 0.1L;
    const Extended r = RoundTrip(x);
    // 0.1 lies in [2^-4, 2^-3): one ulp there is 2^-4 * 2^-39.
    EXPECT_LE(std::fabs(r - x), std::ldexp(1.0L, -4 - 39 - 1));
    EXPECT_NE(r, x);
    // Bytes of 0.1: exponent 0x7D, mantissa 0x4CCCCCCCCD (rounded up).
    EXPECT_EQ(Real48::FromExtended(x).Bytes(), (Bytes6{0x7D, 0xCD, 0xCC, 0xCC, 0xCC, 0x4C}));
    for (Extended v : {0.1L, 1.0L / 3, 2.0L / 3, 3.14159265358979323846L, 1e-20L, 9.81e15L}) {
        int e = 0;
        std::frexp(v, &e);
        EXPECT_LE(std::fabs(RoundTrip(v) - v), std::ldexp(1.0L, e - 1 - 39 - 1)) << double(v);
        EXPECT_LE(std::fabs(RoundTrip(-v) + v), std::ldexp(1.0L, e - 1 - 39 - 1)) << double(v);
    }
}

TEST(Real48, TiesToEven) {
    const Extended ulp = std::ldexp(1.0L, -39);
    // Halfway between 1 and 1 + ulp: to even (1).
    EXPECT_EQ(RoundTrip(1.0L + ulp / 2), 1.0L);
    // Halfway between 1 + ulp and 1 + 2 ulp: to even (1 + 2 ulp).
    EXPECT_EQ(RoundTrip(1.0L + ulp + ulp / 2), 1.0L + 2 * ulp);
    // Just above halfway rounds up.
    EXPECT_EQ(RoundTrip(1.0L + ulp / 2 + ulp / 8), 1.0L + ulp);
    EXPECT_EQ(RoundTrip(1.0L + ulp / 2 - ulp / 8), 1.0L);
}

TEST(Real48, CarryIntoExponent) {
    // Just below 2.0, nearer to 2 than to the largest value below it.
    const Extended x = 2.0L - std::ldexp(1.0L, -42);
    EXPECT_EQ(Real48::FromExtended(x).Bytes(), (Bytes6{0x82, 0, 0, 0, 0, 0}));
    EXPECT_EQ(RoundTrip(x), 2.0L);
    EXPECT_EQ(RoundTrip(-x), -2.0L);
    // The largest value below 2 itself stays.
    const Extended below = 2.0L - std::ldexp(1.0L, -39);
    EXPECT_EQ(Real48::FromExtended(below).Bytes(), (Bytes6{0x81, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}));
    EXPECT_EQ(RoundTrip(below), below);
}

TEST(Real48, SmallestAndLargest) {
    EXPECT_EQ(Real48::FromExtended(kMin).Bytes(), (Bytes6{0x01, 0, 0, 0, 0, 0}));
    EXPECT_EQ(RoundTrip(kMin), kMin);
    EXPECT_EQ(RoundTrip(-kMin), -kMin);
    EXPECT_EQ(Real48::FromExtended(kMax).Bytes(),
              (Bytes6{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}));
    EXPECT_EQ(RoundTrip(kMax), kMax);
    EXPECT_EQ(RoundTrip(-kMax), -kMax);
}

TEST(Real48, TooSmallBecomesZero) {
    EXPECT_EQ(RoundTrip(kMin / 2), 0.0L);
    EXPECT_EQ(RoundTrip(-kMin / 3), 0.0L);
    EXPECT_EQ(RoundTrip(std::ldexp(1.0L, -1000)), 0.0L);
    EXPECT_EQ(RoundTrip(std::numeric_limits<Extended>::denorm_min()), 0.0L);
    EXPECT_EQ(Real48::FromExtended(-std::numeric_limits<Extended>::denorm_min()).Bytes(), Bytes6{});
    // Just below the smallest value but rounding up to it.
    EXPECT_EQ(RoundTrip(kMin * (1.0L - std::ldexp(1.0L, -50))), kMin);
}

TEST(Real48, TooLargeSaturates) {
    EXPECT_EQ(RoundTrip(std::ldexp(1.0L, 127)), kMax);
    EXPECT_EQ(RoundTrip(-std::ldexp(1.0L, 127)), -kMax);
    EXPECT_EQ(RoundTrip(std::numeric_limits<Extended>::max()), kMax);
    // Rounds up past the largest value.
    EXPECT_EQ(RoundTrip(kMax + std::ldexp(1.0L, 126 - 41)), kMax);
    // Large but representable.
    EXPECT_EQ(RoundTrip(1e38L) / 1e38L, RoundTrip(1e38L) / 1e38L);
    EXPECT_NEAR(static_cast<double>(RoundTrip(1e38L) / 1e38L), 1.0, 1e-11);
}

TEST(Real48, NanAndInfinity) {
    EXPECT_EQ(Real48::FromExtended(std::numeric_limits<Extended>::quiet_NaN()).Bytes(), Bytes6{});
    EXPECT_EQ(Real48::FromExtended(-std::numeric_limits<Extended>::quiet_NaN()).Bytes(), Bytes6{});
    EXPECT_EQ(RoundTrip(std::numeric_limits<Extended>::infinity()), kMax);
    EXPECT_EQ(RoundTrip(-std::numeric_limits<Extended>::infinity()), -kMax);
}

TEST(Real48, ToExtendedIsExact) {
    const uint8_t b[6] = {0x90, 0x12, 0x34, 0x56, 0x78, 0x9A};
    const Real48 r = Real48::FromBytes(b);
    // Sign set; mantissa 0x1A78563412; value -(2^39 + m) * 2^(0x90 - 129 - 39).
    const Extended expect = -std::ldexp(static_cast<Extended>((uint64_t{1} << 39) + 0x1A78563412), 0x90 - 129 - 39);
    EXPECT_EQ(r.ToExtended(), expect);
    EXPECT_EQ(Real48::FromExtended(r.ToExtended()).Bytes(), r.Bytes());
}

TEST(Real48, AllExponentsRoundTripBytes) {
    for (int e = 1; e < 256; ++e) {
        const uint8_t b[6] = {static_cast<uint8_t>(e), 0x5A, 0xA5, 0x01, 0xFE, static_cast<uint8_t>(e & 1 ? 0xC3 : 0x43)};
        const Real48 r = Real48::FromBytes(b);
        EXPECT_EQ(Real48::FromExtended(r.ToExtended()).Bytes(), r.Bytes()) << e;
    }
}

}  // namespace
}  // namespace kor2
