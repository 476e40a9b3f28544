// Tests of text routines, DOS/Windows conversion, dates and times.
#include "common/textutil.h"

#include <gtest/gtest.h>

#include <climits>
#include <ctime>
#include <string>

#include "common/globals.h"
#include "platform/oemtext.h"
#include "platform/sysclock.h"

namespace kor2 {
namespace {

class TextUtilTest : public ::testing::Test {
protected:
    void SetUp() override { InitProgramVariables(); }
    void TearDown() override {
        platform::SetClockOverride(std::nullopt);
        SetCommandLine({});
    }
};

TEST_F(TextUtilTest, DosToAsciiTable) {
    EXPECT_EQ(DosToAscii("Maß ±0,1 °"_oem), "Mass +/-0,1 deg");
    EXPECT_EQ(DosToAscii("ÄÖÜäöüé áúñµ²³"_oem), "AeOeUeaeoeuee aunu23");
    EXPECT_EQ(DosToAscii("\xC4\xCD|"), "--|");
    EXPECT_EQ(DosToAscii("\xDA"), "\xDA");  // not in the table: copied
    std::string r;
    DosToAscii("abc", r);
    EXPECT_EQ(r, "abc");
}

TEST_F(TextUtilTest, DosToAnsiUmlautsTable) {
    EXPECT_EQ(DosToAnsiUmlauts("Prüfung"_oem),
              "Pr\xFC"
              "fung");
    EXPECT_EQ(DosToAnsiUmlauts("|"), "|");
    EXPECT_EQ(DosToAnsiUmlauts("\xDA\xB3\xC4\xCD\xC5"), "+|--|");
    EXPECT_EQ(DosToAnsiUmlauts("±°²³ß"_oem), "\xB1\xB0\xB2\xB3\xDF");
    EXPECT_EQ(DosToAnsiUmlauts("\x80\xFE\xFF"), "\x80\xFE\xFF");  // not listed: copied
    CharSetOption = 1;
    EXPECT_EQ(DosToAnsiUmlauts("Prüfung ±"_oem), "Pruefung +/-");
}

TEST_F(TextUtilTest, OemToAnsiFollowsCharSetOption) {
    EXPECT_EQ(OemToAnsi("Prüfung"_oem),
              "Pr\xFC"
              "fung");
    EXPECT_EQ(OemToAnsi("Maß"_oem), "Ma\xDF");
    CharSetOption = 1;
    EXPECT_EQ(OemToAnsi("Prüfung"_oem), "Pruefung");
    std::string r = "x";
    OemToAnsiStr(std::string(255, 'a'), r);
    EXPECT_EQ(r, "");
    OemToAnsiStr(std::string(254, 'a'), r);
    EXPECT_EQ(r.size(), 254u);
    AnsiToOemStr(
        "Pr\xFC"
        "fung",
        r);
    EXPECT_EQ(r, "Prüfung"_oem);
    AnsiToOemStr(std::string(300, 'a'), r);
    EXPECT_EQ(r, "");
}

TEST_F(TextUtilTest, ConvertOutputText) {
    const std::string text = "Überkrit."_oem;
    EXPECT_EQ(ConvertOutputText(text), text);
    TextConversionOption = 2;
    EXPECT_EQ(ConvertOutputText(text),
              "\xDC"
              "berkrit.");
    TextConversionOption = 3;
    EXPECT_EQ(ConvertOutputText(text), "Ueberkrit.");
    TextConversionOption = 9;
    EXPECT_EQ(ConvertOutputText(text), text);
}

TEST_F(TextUtilTest, CaseOnlyForAsciiLetters) {
    EXPECT_EQ(UpperCaseStr("abz/nogui äß"_oem), "ABZ/NOGUI äß"_oem);
    EXPECT_EQ(LowerCaseStr("ABC Ä"_oem), "abc Ä"_oem);
    EXPECT_EQ(LowerChar('Q'), 'q');
    EXPECT_EQ(LowerChar('1'), '1');
}

TEST_F(TextUtilTest, PadCutAndPieces) {
    EXPECT_EQ(PadRightTo("abc", 5), "abc  ");
    EXPECT_EQ(PadRightTo("abcdef", 3), "abc");
    EXPECT_EQ(PadRightTo("abc", -1), "");
    EXPECT_EQ(PadLeftTo("  ab ", 4), "  ab");
    EXPECT_EQ(PadLeftTo("abcdef", 3), "abc");
    EXPECT_EQ(PadRightTo("x", INT_MAX).size(), static_cast<size_t>(kMaxTextWidth));
    EXPECT_EQ(LeftStr("abcdef", 2), "ab");
    EXPECT_EQ(LeftStr("ab", 10), "ab");
    EXPECT_EQ(LeftStr("ab", -3), "");
    EXPECT_EQ(RightStr("abcdef", 2), "ef");
    EXPECT_EQ(RightStr("ab", 10), "ab");
    EXPECT_EQ(MidStrFromTo("abcdef", 2, 4), "bcd");
    EXPECT_EQ(MidStrFromTo("abcdef", 5, 99), "ef");
    EXPECT_EQ(MidStrFromTo("abcdef", 4, 2), "");
    EXPECT_EQ(MidStrFromTo("abcdef", INT_MIN, INT_MAX), "abcdef");
    std::string s = "a.b.c";
    ReplaceChar('.', ',', s);
    EXPECT_EQ(s, "a,b,c");
    s = " a b  c ";
    RemoveBlanks(s);
    EXPECT_EQ(s, "abc");
    EXPECT_EQ(WithoutBlanks(" x y "), "xy");
}

TEST_F(TextUtilTest, Trim) {
    EXPECT_EQ(TrimBlanks("   "), "");
    EXPECT_EQ(TrimBlanks("  a b  "), "a b");
    EXPECT_EQ(TrimBlanks(""), "");
    EXPECT_EQ(TrimBlanks(std::string(253, ' ') + "x"), "x");
    EXPECT_EQ(TrimBlanks(std::string(254, ' ') + "x"), "");  // first 254 all blanks
    std::string s = " q ";
    TrimVar(s);
    EXPECT_EQ(s, "q");
}

TEST_F(TextUtilTest, CountAndShorten) {
    EXPECT_EQ(CountSubStr("aa", "aaa"), 2);
    EXPECT_EQ(CountSubStr("x", "abc"), 0);
    EXPECT_EQ(CountSubStr("", "abc"), 0);
    std::string text;
    for (int i = 0; i < 200; ++i) text += static_cast<char>('A' + i % 26);
    const std::string r = ShortenMiddle(text, 150);
    EXPECT_EQ(r, text.substr(0, 72) + " ... " + text.substr(200 - 73));
    EXPECT_EQ(r.size(), 150u);
    EXPECT_EQ(ShortenMiddle("short", 150), "short");
    EXPECT_EQ(ShortenMiddle("abcdefghij", 2), " ... ");  // tiny width: no crash
}

TEST_F(TextUtilTest, SplitAtWidthWrapsAtLastSeparator) {
    std::string text;
    while (text.size() < 100) text += "word ";
    text.resize(100);
    int32_t maxLen = 0, count = 0;
    SplitAtWidth(text, ' ', 64, maxLen, count);
    ASSERT_EQ(count, 2);
    const std::string first = WrapLines[1];
    EXPECT_EQ(first.back(), ' ');
    EXPECT_LE(first.size(), 63u);
    EXPECT_EQ(first, text.substr(0, text.rfind(' ', 62) + 1));
    EXPECT_EQ(first + WrapLines[2].str(), text);
    EXPECT_EQ(maxLen, static_cast<int32_t>(first.size()));

    SplitAtWidth(std::string(70, 'x'), ',', 64, maxLen, count);  // no separator: cut at 64
    EXPECT_EQ(count, 2);
    EXPECT_EQ(WrapLines[1].size(), 64u);
    EXPECT_EQ(WrapLines[2].str(), "xxxxxx");

    SplitAtWidth("", ' ', 64, maxLen, count);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(maxLen, 1);

    SplitAtWidth(std::string(1000, 'y'), ' ', 64, maxLen, count);  // too long: five lines
    EXPECT_EQ(count, 5);
    SplitAtWidth("abc", ' ', 0, maxLen, count);  // width 0 counts as 1
    EXPECT_EQ(count, 3);
}

TEST_F(TextUtilTest, CommandLineSwitch) {
    SetCommandLine({"demo.kr2", "/NOGUI"});
    EXPECT_TRUE(HasCmdLineSwitch("/nogui"));
    EXPECT_TRUE(HasCmdLineSwitch("/NOGUI"));
    EXPECT_FALSE(HasCmdLineSwitch("/G"));
    SetCommandLine({"/g"});
    EXPECT_TRUE(HasCmdLineSwitch("/G"));
}

TEST_F(TextUtilTest, DatesByOption) {
    EXPECT_EQ(DateToStrFmt(2024, 3, 7), "07.03.2024");
    DateFormatOption = 2;
    EXPECT_EQ(DateToStrFmt(2024, 3, 7), "03/07/2024");
    DateFormatOption = 3;
    EXPECT_EQ(DateToStrFmt(2024, 3, 7), "2024/03/07");
    DateFormatOption = 4;
    EXPECT_EQ(DateToStrFmt(2024, 3, 7), "07/03/2024");
    DateFormatOption = 0;
    EXPECT_EQ(DateToStrFmt(5, 12, 31), "5/12/31");  // year unpadded
}

TEST_F(TextUtilTest, TodayAndTimeFromClock) {
    platform::DateTime when;
    when.year = 2023;
    when.month = 11;
    when.day = 2;
    when.hour = 9;
    when.minute = 5;
    when.second = 59;
    when.millisecond = 996;
    platform::SetClockOverride(when);
    uint16_t y, m, d, extra = 7;
    GetDateParts(y, m, d, extra);
    EXPECT_EQ(y, 2023);
    EXPECT_EQ(m, 11);
    EXPECT_EQ(d, 2);
    EXPECT_EQ(extra, 0);
    EXPECT_EQ(TodayToStr(), "02.11.2023");
    uint16_t h, mi, s, hs;
    GetTimeParts(h, mi, s, hs);
    EXPECT_EQ(h, 9);
    EXPECT_EQ(mi, 5);
    EXPECT_EQ(s, 59);
    EXPECT_EQ(hs, 99);
    EXPECT_EQ(TimeToStrHM(), "9:05");
    when.hour = 14;
    when.minute = 30;
    platform::SetClockOverride(when);
    EXPECT_EQ(TimeToStrHM(), "14:30");
}

TEST_F(TextUtilTest, FileDate) {
    struct tm t {};
    t.tm_year = 2021 - 1900;
    t.tm_mon = 0;
    t.tm_mday = 9;
    t.tm_hour = 12;
    t.tm_isdst = -1;
    const std::time_t stamp = mktime(&t);
    DateFormatOption = 1;  // not used: always yyyy/mm/dd
    EXPECT_EQ(FileDateToStr(stamp), "2021/01/09");
    EXPECT_EQ(MaxPrinterPort(), 3);
}

}  // namespace
}  // namespace kor2
