// Tests of the key encodings: folding, SOUNDEX, complement, comparison,
// Julian day numbers and the DATE-format date functions, the ring lists.
// Expected Julian numbers are proleptic Gregorian day numbers worked out apart.
#include "tables/keys/keyencoding.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "platform/oemtext.h"
#include "tables/base/enginedates.h"

namespace kor2 {
namespace {

// Saves and restores the engine's date settings around a test.
class KeyDateFormat : public ::testing::Test {
protected:
    void SetUp() override {
        format_ = DateFormatIndex;
        century_ = CenturyDisplay;
        window_ = YearWindowStart;
        YearWindowStart = 1956;  // as in 2026: 56..99 are 19xx, 00..55 are 20xx
    }
    void TearDown() override {
        SetDateFormat(format_);
        CenturyDisplay = century_;
        YearWindowStart = window_;
    }
    uint8_t format_ = 0;
    bool century_ = false;
    int16_t window_ = 0;
};

TEST(KeyFolding, UmlautsSpelledOutWithinTheScanBound) {
    EXPECT_EQ(FoldCharKey("Müller"_oem), "mueller");
    EXPECT_EQ(FoldCharKey("STRAßE"_oem), "strasse");
    // The bound stays at the original length: the pushed Ö is only lower-cased.
    EXPECT_EQ(FoldCharKey("ÄÖ"_oem), "ae"_oem + std::string("ö"_oem));
    EXPECT_EQ(FoldCharKey("ää"_oem, 5), "aeae");  // a larger bound reaches it
    EXPECT_EQ(FoldCharKey("Öl Übel"_oem, 1), "oel "_oem + std::string("übel"_oem));
    EXPECT_EQ(FoldCharKey("Café É"_oem), std::string("café É"_oem));  // é, É stay
    // A replacement at the last of 100 places is cut to its first letter.
    EXPECT_EQ(FoldCharKey(std::string(99, 'A') + "ä"_oem), std::string(100, 'a'));
    EXPECT_EQ(FoldCharKey(std::string(150, 'B')), std::string(100, 'b'));
}

TEST(KeySoundex, CodesAndSeparators) {
    EXPECT_EQ(Soundex("Robert"), "R163");
    EXPECT_EQ(Soundex("rupert"), "R163");
    EXPECT_EQ(Soundex("Tymczak"), "T522");
    EXPECT_EQ(Soundex("Ashcraft"), "A226");    // H separates S and C
    EXPECT_EQ(Soundex("Pfister"), "P236");     // F repeats the code of P
    EXPECT_EQ(Soundex("B-B"), "B000");         // a hyphen does not separate
    EXPECT_EQ(Soundex("BAB"), "B100");         // a vowel does
    EXPECT_EQ(Soundex("Müller"_oem), "M460");  // ü has no code
    EXPECT_EQ(Soundex("1abc"), "1120");        // the first character as it is
    EXPECT_EQ(Soundex(""), "0000");
}

TEST(KeyCompare, ComplementAndUnsignedBytes) {
    const std::string key = "Maß 12"_oem;
    const std::string c = ComplementKey(key);
    EXPECT_EQ(static_cast<unsigned char>(c[2]), 0xFF - 0xE1);
    EXPECT_EQ(ComplementKey(c), key);
    EXPECT_GT(CompareCharKeys(ComplementKey("a"), ComplementKey("b"), 1), 0);

    EXPECT_EQ(CompareCharKeys("abc", "abd", 2), 0);
    EXPECT_EQ(CompareCharKeys("abc", "abd", 3), -1);
    EXPECT_EQ(CompareCharKeys("\x81", "z", 1), 0x81 - 'z');  // unsigned
    EXPECT_EQ(CompareCharKeys(std::string("a\0b", 3), std::string("a\0c", 3), 3), -1);
    EXPECT_EQ(CompareCharKeys("ab", "ab ", 3), -' ');  // missing bytes count as 0
    EXPECT_EQ(CompareNumKeys(-1, 2), -1);
    EXPECT_EQ(CompareNumKeys(2451545, 2451544), 1);
    EXPECT_EQ(CompareNumKeys(2.5, 2.5), 0);
}

TEST(KeyJulian, StoredDatesAndDayNumbers) {
    EXPECT_EQ(DateToJulian("00010101"), 1721426);
    EXPECT_EQ(DateToJulian("20000229"), 2451604);
    EXPECT_EQ(DateToJulian("99991231"), 5373484);
    EXPECT_EQ(DateToJulian("        "), 0);
    EXPECT_EQ(DateToJulian("19990229"), 0);
    EXPECT_EQ(DateToJulian("19000229"), 0);  // 1900 is not a leap year
    EXPECT_EQ(DateToJulian("1998 1 1"), 0);
    EXPECT_EQ(DateToJulian("1998"), 0);
    EXPECT_EQ(DateToJulian("00001231"), 0);  // year 0 would alias year 1

    EXPECT_EQ(JulianToDtos(5373484), "99991231");
    EXPECT_EQ(JulianToDtos(1721485), "00010301");  // year 1 is not a leap year
    EXPECT_EQ(JulianToDtos(2415080), "19000301");
    EXPECT_EQ(JulianToDtos(5373485), "        ");
    EXPECT_EQ(JulianToDtos(1721424), "        ");
    EXPECT_EQ(JulianToDtos(1721425), "        ");  // the day before year 1
    for (double j = 1721426; j <= 5373484; j += 211) {
        const std::string s = JulianToDtos(j);
        ASSERT_EQ(DateToJulian(s), j) << s;
    }
}

TEST_F(KeyDateFormat, DtocFollowsTheDateFormat) {
    // format, 31 Dec 1998 without and with century, the blank date
    const std::array<std::array<const char*, 4>, 6> cases{{
        {"0", "12/31/98", "12/31/1998", "  /  /  "},
        {"1", "98.12.31", "1998.12.31", "  .  .  "},
        {"3", "31-12-98", "31-12-1998", "  -  -  "},
        {"5", "31.12.98", "31.12.1998", "  .  .  "},
        {"7", "31.12.98", "31.12.1998", "  .  .  "},
        {"8", "31/12/98", "31/12/1998", "  /  /  "},
    }};
    for (const auto& c : cases) {
        SetDateFormat(static_cast<unsigned>(c[0][0] - '0'));
        CenturyDisplay = false;
        EXPECT_EQ(JulianToDtoc(2451179), c[1]) << c[0];
        EXPECT_EQ(JulianToDtoc(0), c[3]) << c[0];
        CenturyDisplay = true;
        EXPECT_EQ(JulianToDtoc(2451179), c[2]) << c[0];
    }
    SetDateFormat(1);
    EXPECT_EQ(JulianToDtoc(1), "    .  .  ");
    CenturyDisplay = false;
    EXPECT_EQ(JulianToDtoc(2453437), "05.03.07");  // 7 March 2005
}

TEST_F(KeyDateFormat, DateTextsToDayNumbersAndStoredDates) {
    SetDateFormat(5);
    CenturyDisplay = false;
    EXPECT_EQ(DateTextToJulian("17.03.98"), 2450890);
    EXPECT_EQ(DateTextToJulian("17.03.1998"), 2450890);
    EXPECT_EQ(DateTextToJulian("01.01.00"), 2451545);  // window: 00 is 2000
    EXPECT_EQ(DateTextToJulian("31.02.98"), 0);
    EXPECT_EQ(DateTextToJulian("  .  .  "), 0);
    EXPECT_EQ(DateTextToJulian(""), 0);
    EXPECT_EQ(DateTextToDtos("17.03.98"), "19980317");
    EXPECT_EQ(DateTextToDtos("29.02.00"), "20000229");
    EXPECT_EQ(DateTextToDtos("29.02.99"), "        ");
    EXPECT_EQ(DateTextToDtos("  .  .  "), "        ");
    EXPECT_FALSE(CenturyDisplay);  // restored after the conversion
    SetDateFormat(0);
    EXPECT_EQ(DateTextToDtos("03/17/1998"), "19980317");
    // DTOC then CTOD gives the same day in every format.
    for (unsigned f = 0; f <= 8; ++f) {
        SetDateFormat(f);
        EXPECT_EQ(DateTextToJulian(JulianToDtoc(2451604)), 2451604) << f;
    }
}

TEST(KeyZeroTexts, BuffersAndRanges) {
    const char buf[] = {'a', 'b', 'c', '\0', 'd'};
    EXPECT_EQ(ZLength(buf), 3);
    EXPECT_EQ(ZLength(std::span<const char>(buf, 2)), 2);  // no zero: the whole buffer
    EXPECT_EQ(ZToString(buf, 2), "ab");
    std::array<char, 4> out{};
    EXPECT_EQ(StringToZ("hello", out), 3u);
    EXPECT_EQ(std::string(out.data()), "hel");
    std::string s = "abcXY";
    ExchangeAdjacent(s, 3);
    EXPECT_EQ(s, "XYabc");
    std::string mixed = "aZ"_oem + std::string("ä"_oem);
    UpperAsciiInPlace(mixed);
    EXPECT_EQ(mixed, "AZ"_oem + std::string("ä"_oem));
}

TEST(KeyRingList, WalkTakeAndLimits) {
    RingList list;
    EXPECT_EQ(list.Next(nullptr), nullptr);
    RingChunk* a = list.Add(4);
    RingChunk* b = list.Add(0);
    RingChunk* c = list.Add(16);
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(c->TotalSize(), 26);
    EXPECT_EQ(c->data, std::vector<uint8_t>(16, 0));
    // A walk starts after the head (the newest) and ends with it.
    EXPECT_EQ(list.Next(nullptr), a);
    EXPECT_EQ(list.Next(a), b);
    EXPECT_EQ(list.Next(b), c);
    EXPECT_EQ(list.Next(c), nullptr);

    auto taken = list.Take();
    EXPECT_EQ(taken.get(), c);
    EXPECT_EQ(list.Head(), b);
    EXPECT_EQ(list.Next(taken.get()), nullptr);  // no longer in the ring
    EXPECT_EQ(list.Add(RingList::MaxDataSize + 1), nullptr);
    EXPECT_EQ(list.Add(RingList::MaxDataSize)->TotalSize(), 0xFFFF);
}

}  // namespace
}  // namespace kor2
