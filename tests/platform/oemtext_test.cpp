#include "platform/oemtext.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace kor2 {
namespace {

TEST(OemText, GermanWarning) {
    const char* s = "Warnung: Überkrit. Bereich"_oem;
    ASSERT_EQ(std::strlen(s), 26u);
    EXPECT_EQ(static_cast<unsigned char>(s[9]), 0x9A);  // position 10: Ü
    EXPECT_EQ(std::string(s, 9), "Warnung: ");
    EXPECT_EQ(std::string(s).substr(10), "berkrit. Bereich");
}

TEST(OemText, SymbolsOfCodePage850) {
    const std::string s = "Maß ±0,1 °"_oem;
    ASSERT_EQ(s.size(), 10u);
    EXPECT_EQ(static_cast<unsigned char>(s[2]), 0xE1);  // ß
    EXPECT_EQ(static_cast<unsigned char>(s[4]), 0xF1);  // ±
    EXPECT_EQ(static_cast<unsigned char>(s[9]), 0xF8);  // °
    EXPECT_EQ(s.substr(5, 4), "0,1 ");
}

TEST(OemText, SamePointerForSameLiteral) {
    EXPECT_EQ("Höhe"_oem, "Höhe"_oem);  // static storage per literal
    static_assert(sizeof(detail::OemLiteral<"ä">::value.text) == 3);
}

}  // namespace
}  // namespace kor2
