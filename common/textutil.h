// Text routines, DOS/Windows conversion, dates and times:
// case, padding, trimming, cutting, word wrap into WrapLines, the conversion
// of code page 850 texts for Windows (1252) and plain-ASCII output, date and
// time texts and the command-line switch test. Positions are 1-based.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace kor2 {

// Widths above this are taken as this, so that no argument allocates without
// bound.
inline constexpr int32_t kMaxTextWidth = 65536;

// ---- Conversion for output --------------------------------------------------
// Texts of 255 characters or more give the empty text. CharSetOption <> 1:
// the platform's OEM-to-Windows conversion; = 1: DosToAscii, then
// DosToAnsiUmlauts.
std::string OemToAnsi(std::string_view s);
void OemToAnsiStr(std::string_view s, std::string& r);
// Windows text to code page 850; 255 characters or more give the empty text.
std::string AnsiToOem(std::string_view s);
void AnsiToOemStr(std::string_view s, std::string& r);
// The DOS-to-Windows table (after DosToAscii when CharSetOption = 1).
void DosToAnsiUmlauts(std::string_view s, std::string& r);
std::string DosToAnsiUmlauts(std::string_view s);
// The DOS-to-ASCII table.
void DosToAscii(std::string_view s, std::string& r);
std::string DosToAscii(std::string_view s);
// TextConversionOption 2: OemToAnsi; 3: DosToAscii; otherwise unchanged.
void ConvertOutputText(std::string_view s, std::string& r);
std::string ConvertOutputText(std::string_view s);

// ---- String routines ------------------------------------------------------------
std::string UpperCaseStr(std::string_view s);  // a-z only
char LowerChar(char c);                        // A-Z only
std::string LowerCaseStr(std::string_view s);
void PadRightTo(std::string_view s, int32_t width, std::string& r);
std::string PadRightTo(std::string_view s, int32_t width);
void PadLeftTo(std::string_view s, int32_t width, std::string& r);
std::string PadLeftTo(std::string_view s, int32_t width);
std::string LeftStr(std::string_view s, int32_t n);
std::string RightStr(std::string_view s, int32_t n);
// Characters from..to inclusive, within the text (positions below 1 start at 1).
std::string MidStrFromTo(std::string_view s, int32_t from, int32_t to);
void ReplaceChar(char oldChar, char newChar, std::string& s);
void RemoveBlanks(std::string& s);
std::string WithoutBlanks(std::string_view s);
// Leading and trailing blanks removed; empty when the first 254 characters
// are all blanks.
void TrimBlanks(std::string_view s, std::string& r);
std::string TrimBlanks(std::string_view s);
void TrimVar(std::string& s);
// Occurrences of sub in s, overlapping ones counted; an empty sub counts 0.
int32_t CountSubStr(std::string_view sub, std::string_view s);
void ShortenMiddle(std::string_view s, int32_t width, std::string& r);
std::string ShortenMiddle(std::string_view s, int32_t width);
// Word wrap of s into WrapLines 1..count. A width below 1 counts as 1. A text
// that needs more than five lines fills the five and the rest is dropped.
void SplitAtWidth(std::string_view s, char sep, int32_t width, int32_t& maxLen, int32_t& count);
// True when a command-line parameter equals sw, both upper-cased.
bool HasCmdLineSwitch(std::string_view sw);

// ---- Dates and times -------------------------------------------------------------
void DateToStrFmt(uint16_t year, uint16_t month, uint16_t day, std::string& s);
std::string DateToStrFmt(uint16_t year, uint16_t month, uint16_t day);
void GetDateParts(uint16_t& year, uint16_t& month, uint16_t& day, uint16_t& extra);
void TodayToStr(std::string& s);
std::string TodayToStr();
void GetTimeParts(uint16_t& hour, uint16_t& minute, uint16_t& second, uint16_t& hundredths);
void TimeToStrHM(std::string& s);
std::string TimeToStrHM();
// A file time stamp (as the platform's file functions give it) as local
// "yyyy/mm/dd"; a stamp the host cannot convert gives the empty text.
void FileDateToStr(std::time_t fileDate, std::string& s);
std::string FileDateToStr(std::time_t fileDate);
int32_t MaxPrinterPort();

}  // namespace kor2
