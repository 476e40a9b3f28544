// Orientation and font scale of printed reports: lines that fit keep the
// configured font upright; wider ones turn the sheet or shrink the font.
#include <gtest/gtest.h>

#include "common/printfit.h"

namespace kor2::test {
namespace {

// A4 in points less margins, upright and turned.
constexpr PrintBox kPortrait{523, 770};
constexpr PrintBox kLandscape{770, 523};

TEST(PrintFit, LinesThatFitKeepTheFontUpright) {
    // 80 columns of a 10 pt fixed font (6 pt each), 66 lines of 11.3 pt.
    EXPECT_EQ(PrintFontScale(480, 11.3, 66, kPortrait), 1.0);
    EXPECT_FALSE(PrintLandscape(480, 11.3, 66, kPortrait, kLandscape));
    // Exactly as wide as the sheet still fits.
    EXPECT_EQ(PrintFontScale(523, 11.3, 66, kPortrait), 1.0);
}

TEST(PrintFit, WideLinesTurnTheSheetAndShrinkToFit) {
    // The material table: 149 columns of 6 pt.
    const double widest = 149 * 6.0;
    ASSERT_TRUE(PrintLandscape(widest, 11.3, 66, kPortrait, kLandscape));
    const double scale = PrintFontScale(widest, 11.3, 66, kLandscape);
    EXPECT_LT(scale, 1.0);
    EXPECT_LE(widest * scale, kLandscape.width + 1e-9);
    EXPECT_LE(66 * 11.3 * scale, kLandscape.height + 1e-9);
    // Upright it would have to be smaller still.
    EXPECT_LT(PrintFontScale(widest, 11.3, 66, kPortrait), scale);
}

TEST(PrintFit, LinesDownTheSheetLimitTheLandscapeFont) {
    // Many lines per sheet: landscape is held back by its height, so a line
    // only slightly too wide stays upright.
    EXPECT_FALSE(PrintLandscape(530, 11.3, 66, kPortrait, kLandscape));
    const double upright = PrintFontScale(530, 11.3, 66, kPortrait);
    EXPECT_NEAR(upright, 523.0 / 530.0, 1e-12);
    // Lines too high for the sheet shrink the font even when they are short.
    EXPECT_NEAR(PrintFontScale(100, 14, 66, kPortrait), 770.0 / 66 / 14, 1e-12);
    // Nothing measured: nothing to scale.
    EXPECT_EQ(PrintFontScale(0, 0, 0, kPortrait), 1.0);
    EXPECT_EQ(PrintFontScale(900, 0, 0, kPortrait), 523.0 / 900.0);
}

}  // namespace
}  // namespace kor2::test
