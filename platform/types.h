// Basic numeric types shared by every subsystem: the 80-bit extended float
// of the calculation and the 6-byte real that the material table stores.
#pragma once

#include <cstdint>

namespace kor2 {

using Extended = long double;  // 80-bit x87 extended precision on x86-64

}  // namespace kor2
