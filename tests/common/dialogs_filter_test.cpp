// File-type filter lists as the host file dialog takes them: one entry per
// description and mask pair, masks separated by blanks.
#include <gtest/gtest.h>

#include "common/filefilter.h"

namespace kor2::test {
namespace {

using Filters = std::vector<std::string>;

TEST(FileDialogFilters, OneEntryPerPairWithBlankSeparatedMasks) {
    EXPECT_EQ(FileDialogFilters("HTML files|*.HTM;*.HTML|All files|*.*"),
              (Filters{"HTML files (*.HTM *.HTML)", "All files (*.*)"}));
    EXPECT_EQ(FileDialogFilters("txt|*.txt|All files|*.*"),
              (Filters{"txt (*.txt)", "All files (*.*)"}));
    EXPECT_EQ(FileDialogFilters("*.dbf|*.dbf"), (Filters{"*.dbf (*.dbf)"}));
}

TEST(FileDialogFilters, LooseAndMissingPiecesStayUsable) {
    // A lone mask stands for its own description.
    EXPECT_EQ(FileDialogFilters("*.plt"), (Filters{"*.plt (*.plt)"}));
    EXPECT_EQ(FileDialogFilters("Tables|*.dbf|All files"),
              (Filters{"Tables (*.dbf)", "All files (All files)"}));
    // Blanks and empty masks are dropped; an empty description shows the mask.
    EXPECT_EQ(FileDialogFilters(" Text | *.txt ; ;*.asc |Empty||"),
              (Filters{"Text (*.txt *.asc)"}));
    EXPECT_EQ(FileDialogFilters("|*.dxf"), (Filters{"*.dxf (*.dxf)"}));
    EXPECT_TRUE(FileDialogFilters("").empty());
    EXPECT_TRUE(FileDialogFilters("||").empty());
}

// The save dialog adds the extension of a filter that offers only it.
TEST(FileDialogFilters, DefaultSuffixOnlyOfOneExactFirstMask) {
    EXPECT_EQ(DefaultSuffix("*.dxf|*.dxf"), "dxf");
    EXPECT_EQ(DefaultSuffix("*.plt"), "plt");
    EXPECT_EQ(DefaultSuffix("Text| *.txt "), "txt");
    EXPECT_EQ(DefaultSuffix("txt|*.txt|All files|*.*"), "");
    EXPECT_EQ(DefaultSuffix("HTML files|*.HTM;*.HTML"), "");
    EXPECT_EQ(DefaultSuffix("All files|*.*"), "");
    EXPECT_EQ(DefaultSuffix("*.d?f|*.d?f"), "");
    EXPECT_EQ(DefaultSuffix(""), "");
}

}  // namespace
}  // namespace kor2::test
