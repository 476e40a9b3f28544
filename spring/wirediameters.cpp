// Standard wire diameters: the DIN 2076 and DIN 2077 series and the rounding
// of a wire diameter onto them, or one step up or down. Called by the design
// paths, the wire-diameter estimate and the interactive design windows.
#include "spring/wirediameters.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <span>

#include "common/globals.h"
#include "spring/springdata.h"

namespace kor2 {

namespace {

template <std::size_t N>
std::array<Real48, N> ToReal48(const Extended (&values)[N]) {
    std::array<Real48, N> table{};
    for (std::size_t i = 0; i < N; ++i) table[i] = Real48::FromExtended(values[i]);
    return table;
}

constexpr Extended kDin2076Values[] = {
    0.07L, 0.08L, 0.09L, 0.10L, 0.11L, 0.12L, 0.14L, 0.16L, 0.18L, 0.20L, 0.22L, 0.25L, 0.28L,
    0.30L, 0.32L, 0.34L, 0.36L, 0.38L, 0.40L, 0.43L, 0.45L, 0.48L, 0.50L, 0.53L, 0.56L, 0.60L,
    0.63L, 0.65L, 0.70L, 0.75L, 0.80L, 0.85L, 0.90L, 0.95L, 1.0L,  1.05L, 1.1L,  1.2L,  1.25L,
    1.3L,  1.4L,  1.5L,  1.6L,  1.7L,  1.8L,  1.9L,  2.0L,  2.1L,  2.25L, 2.4L,  2.5L,  2.6L,
    2.8L,  3.0L,  3.2L,  3.4L,  3.6L,  3.8L,  4.0L,  4.25L, 4.5L,  4.75L, 5.0L,  5.3L,  5.6L,
    6.0L,  6.3L,  6.5L,  7.0L,  7.5L,  8.0L,  8.5L,  9.0L,  9.5L,  10.0L, 10.5L, 11.0L, 12.0L,
    12.5L, 13.0L, 14.0L, 15.0L, 16.0L, 17.0L, 18.0L, 19.0L, 20.0L};

// 7 to 30 in steps of 0.5, 31 to 40 in steps of 1, 42 to 60 in steps of 2, 65 to 80 by 5.
constexpr Extended kDin2077Values[] = {
    7.0L,  7.5L,  8.0L,  8.5L,  9.0L,  9.5L,  10.0L, 10.5L, 11.0L, 11.5L, 12.0L, 12.5L,
    13.0L, 13.5L, 14.0L, 14.5L, 15.0L, 15.5L, 16.0L, 16.5L, 17.0L, 17.5L, 18.0L, 18.5L,
    19.0L, 19.5L, 20.0L, 20.5L, 21.0L, 21.5L, 22.0L, 22.5L, 23.0L, 23.5L, 24.0L, 24.5L,
    25.0L, 25.5L, 26.0L, 26.5L, 27.0L, 27.5L, 28.0L, 28.5L, 29.0L, 29.5L, 30.0L, 31.0L,
    32.0L, 33.0L, 34.0L, 35.0L, 36.0L, 37.0L, 38.0L, 39.0L, 40.0L, 42.0L, 44.0L, 46.0L,
    48.0L, 50.0L, 52.0L, 54.0L, 56.0L, 58.0L, 60.0L, 65.0L, 70.0L, 75.0L, 80.0L};

constexpr uint16_t kDin2077Standard = 3;

}  // namespace

const std::array<Real48, 87> Din2076Table = ToReal48(kDin2076Values);
const std::array<Real48, 71> Din2077Table = ToReal48(kDin2077Values);

Extended StandardWireDiameter(uint16_t Standard, int32_t Mode, Extended d) {
    const bool din2077 = Standard == kDin2077Standard;
    const std::span<const Real48> table =
        din2077 ? std::span<const Real48>(Din2077Table) : std::span<const Real48>(Din2076Table);

    // The entries are 6-byte reals: d is compared at that precision, so that a
    // standard value given in full precision finds its own entry.
    const Extended key = std::isnan(d) ? d : Real48::FromExtended(d).ToExtended();
    std::size_t i = 0;
    while (i < table.size() && !(key <= table[i].ToExtended())) ++i;

    if (i == table.size()) {
        if (WarningsOn == 1)
            AddErrorMessage(din2077 ? "Drahtdurchmesser nicht nach DIN 2077 !"
                                    : "Drahtdurchmesser nicht nach DIN 2076 !");
        // NaN or infinity has no standard value; 0 keeps them out of the spring values.
        return std::isfinite(d) ? d : 0;
    }
    if (!din2077 && AbortFlag) return d;

    if (Mode == WireStepBelow)
        i = i == 0 ? 0 : i - 1;
    else if (Mode == WireStepAbove)
        i = std::min(i + 1, table.size() - 1);
    return table[i].ToExtended();
}

}  // namespace kor2
