#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/codepage_tables.h"

namespace kor2::platform {
namespace {

std::string Bytes(std::initializer_list<int> b) {
    std::string s;
    for (int c : b) s += static_cast<char>(c);
    return s;
}

TEST(CodePage, AsciiIsUnchanged) {
    for (int c = 0; c < 0x80; ++c) {
        EXPECT_EQ(OemToCharByte(c), c);
        EXPECT_EQ(CharToOemByte(c), c);
    }
}

TEST(CodePage, GermanLettersBothWays) {
    // ä ö ü Ä Ö Ü ß in 850 and 1252.
    const std::string oem = Bytes({0x84, 0x94, 0x81, 0x8E, 0x99, 0x9A, 0xE1});
    const std::string ansi = Bytes({0xE4, 0xF6, 0xFC, 0xC4, 0xD6, 0xDC, 0xDF});
    EXPECT_EQ(OemToChar(oem), ansi);
    EXPECT_EQ(CharToOem(ansi), oem);
    // ± ° µ ² 
    EXPECT_EQ(OemToChar(Bytes({0xF1, 0xF8, 0xE6, 0xFD})), Bytes({0xB1, 0xB0, 0xB5, 0xB2}));
}

TEST(CodePage, ExactCharactersRoundTrip) {
    for (int c = 0x80; c < 0x100; ++c) {
        const char16_t cp = Cp850High[c - 0x80];
        for (int a = 0; a < 128; ++a)
            if (Cp1252High[a] == cp) {
                EXPECT_EQ(OemToCharByte(c), 0x80 + a) << c;
                EXPECT_EQ(CharToOemByte(0x80 + a), c) << c;
            }
    }
}

TEST(CodePage, BoxDrawingBestFit) {
    EXPECT_EQ(OemToCharByte(0xC4), '-');  // ─
    EXPECT_EQ(OemToCharByte(0xB3), '|');  // │
    EXPECT_EQ(OemToCharByte(0xBA), '|');  // ║
    EXPECT_EQ(OemToCharByte(0xDA), '+');  // ┌
    EXPECT_EQ(OemToCharByte(0xC5), '+');  // ┼
    EXPECT_EQ(OemToCharByte(0xC9), '+');  // ╔
    EXPECT_EQ(OemToCharByte(0xCD), '=');  // ═
    EXPECT_EQ(OemToCharByte(0xB0), '_');  // ░
    EXPECT_EQ(OemToCharByte(0xDB), '_');  // █
    EXPECT_EQ(OemToCharByte(0xD5), 'i');  // ı
}

TEST(CodePage, AnsiOnlyCharactersBestFit) {
    EXPECT_EQ(CharToOemByte(0x80), 'E');   // €
    EXPECT_EQ(CharToOemByte(0x93), '"');   // “
    EXPECT_EQ(CharToOemByte(0x92), '\'');  // ’
    EXPECT_EQ(CharToOemByte(0x96), '-');   // –
    EXPECT_EQ(CharToOemByte(0x8A), 'S');   // Š
    EXPECT_EQ(CharToOemByte(0x9F), 'Y');   // Ÿ
    EXPECT_EQ(CharToOemByte(0x83), 0x9F);  // ƒ exists in both
    EXPECT_EQ(CharToOemByte(0x81), '?');   // undefined in 1252
}

TEST(CodePage, BothDirectionsAreTotal) {
    // Every byte maps to a printable or identical byte; nothing becomes NUL.
    for (int c = 1; c < 0x100; ++c) {
        EXPECT_NE(OemToCharByte(c), 0) << c;
        EXPECT_NE(CharToOemByte(c), 0) << c;
    }
    EXPECT_EQ(OemToCharByte(0), 0);
}

TEST(CodePage, BuffFormsMatchStringForms) {
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    std::string out(all.size(), '\0');
    OemToCharBuff(all.data(), out.data(), all.size());
    EXPECT_EQ(out, OemToChar(all));
    CharToOemBuff(all.data(), out.data(), all.size());
    EXPECT_EQ(out, CharToOem(all));
    // In place, as the Windows calls allow.
    std::string inplace = all;
    OemToCharBuff(inplace.data(), inplace.data(), inplace.size());
    EXPECT_EQ(inplace, OemToChar(all));
}

TEST(CodePage, AnsiUtf8) {
    EXPECT_EQ(AnsiToUtf8(Bytes({'M', 'a', 0xDF})), "Maß");
    EXPECT_EQ(AnsiToUtf8(Bytes({0x80})), "€");
    EXPECT_EQ(Utf8ToAnsi("Maß €"), Bytes({'M', 'a', 0xDF, ' ', 0x80}));
    EXPECT_EQ(Utf8ToAnsi("a─b"), "a?b");  // no 1252 form
    EXPECT_EQ(Utf8ToAnsi("x\xFFy"), "x?y");  // malformed UTF-8
    EXPECT_EQ(Utf8ToAnsi("\xC3"), "?");      // truncated
    EXPECT_EQ(Utf8ToAnsi("😀"), "?");
    std::string all;
    for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
    EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(all)), all);
}

TEST(CodePage, AnsiUtf16) {
    EXPECT_EQ(AnsiToUtf16(Bytes({'A', 0xE4, 0x80})), u"Aä€");
    EXPECT_EQ(Utf16ToAnsi(u"Aä€"), Bytes({'A', 0xE4, 0x80}));
    EXPECT_EQ(Utf16ToAnsi(u"a😀b"), "a?b");
    const char16_t lone[] = {u'a', 0xD800, u'b', 0};
    EXPECT_EQ(Utf16ToAnsi(lone), "a?b");
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    EXPECT_EQ(Utf16ToAnsi(AnsiToUtf16(all)), all);
}

// Every accented letter of code page 850 written decomposed becomes the
// composed one; what has no composed form, and malformed bytes, stay.
TEST(CodePage, ComposesLettersWithTheirMarks) {
    const std::string marks[] = {"\u0300", "\u0301", "\u0302", "\u0303",
                                 "\u0308", "\u030A", "\u0327"};
    int composed = 0;
    for (const char base : std::string("AaCcEeIiNnOoUuYy"))
        for (const std::string& mark : marks) {
            const std::string pair = std::string(1, base) + mark;
            const std::string result = ComposeLatin1Marks(pair);
            if (result == pair) continue;
            ++composed;
            const std::string oem = Utf8ToOem(result);
            ASSERT_EQ(oem.size(), 1u) << pair;
            EXPECT_EQ(OemToUtf8(oem), result) << pair;  // code page 850 holds it
        }
    EXPECT_EQ(composed, 53);  // the letters of U+00C0..U+00FF that have a decomposition
    EXPECT_EQ(ComposeLatin1Marks("Mu\u0308ller"), "Müller");
    EXPECT_EQ(ComposeLatin1Marks("\u0308u"), "\u0308u");
    EXPECT_EQ(ComposeLatin1Marks("q\u0308"), "q\u0308");
    EXPECT_EQ(ComposeLatin1Marks("a\u0308\u0308"), "ä\u0308");
    EXPECT_EQ(ComposeLatin1Marks(std::string("a\xFF\u0308", 4)), std::string("a\xFF\u0308", 4));
}

TEST(CodePage, OemUtf8) {
    EXPECT_EQ(OemToUtf8(Bytes({0x9A, 'b', 0xE1, 0xC4})), "Übß─");
    EXPECT_EQ(Utf8ToOem("Übß─"), Bytes({0x9A, 'b', 0xE1, 0xC4}));
    EXPECT_EQ(Utf8ToOem("„€“"), "\"E\"");  // best fit of the 1252 characters
    EXPECT_EQ(Utf8ToOem("Ω"), "?");
    std::string all;
    for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
    EXPECT_EQ(Utf8ToOem(OemToUtf8(all)), all);
}

TEST(CodePage, AnsiCase) {
    EXPECT_EQ(AnsiUpper(Bytes({'a', 'z', 0xE4, 0xF6, 0xFC, 0xE9, 0xDF, 0xFF, 0xF7, 0x9A})),
              Bytes({'A', 'Z', 0xC4, 0xD6, 0xDC, 0xC9, 0xDF, 0xFF, 0xF7, 0x8A}));
    EXPECT_EQ(AnsiLower(Bytes({'A', 'Z', 0xC4, 0xD6, 0xDC, 0xC9, 0xD7, 0x8A, 0x9F})),
              Bytes({'a', 'z', 0xE4, 0xF6, 0xFC, 0xE9, 0xD7, 0x9A, 0xFF}));
    EXPECT_EQ(AnsiUpper("1-x_"), "1-X_");
    EXPECT_EQ(AnsiLower(Bytes({0xDF, 0xB5})), Bytes({0xDF, 0xB5}));
}

}  // namespace
}  // namespace kor2::platform
