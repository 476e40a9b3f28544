// The 6-byte real of the material table: byte 0 exponent (bias 129, 0 means
// the value 0), bytes 1..5 the 39-bit mantissa below an implied leading 1,
// least significant byte first, with the sign in the top bit of byte 5.
#pragma once

#include <array>
#include <cstdint>

#include "platform/types.h"

namespace kor2 {

class Real48 {
public:
    Real48() = default;
    // Rounds to the nearest 6-byte value (ties to even); a value below the
    // smallest one becomes 0, one above the largest saturates to the largest
    // of its sign; NaN becomes 0.
    static Real48 FromExtended(Extended x);
    static Real48 FromBytes(const uint8_t* bytes);  // reads 6 bytes
    Extended ToExtended() const;                    // exact
    const std::array<uint8_t, 6>& Bytes() const { return bytes_; }

private:
    std::array<uint8_t, 6> bytes_{};
};

}  // namespace kor2
