// Text routines, DOS/Windows conversion, dates and times.
// The two replacement tables (DOS to ASCII, DOS to Windows) are here; the
// full code page conversions are the platform's (platform/codepage.h).
#include "common/textutil.h"

#include <time.h>

#include <algorithm>
#include <array>

#include "common/globals.h"
#include "common/numfmt.h"
#include "platform/codepage.h"
#include "platform/sysclock.h"

namespace kor2 {

namespace {

constexpr std::size_t kConvertLimit = 255;  // OemToAnsiStr / AnsiToOemStr

// Replacements of DosToAscii by code page 850 byte; nullptr copies the byte.
constexpr std::array<const char*, 256> MakeAsciiTable() {
    std::array<const char*, 256> t{};
    t[129] = "ue";  // ü
    t[130] = "e";   // é
    t[132] = "ae";  // ä
    t[142] = "Ae";  // Ä
    t[148] = "oe";  // ö
    t[153] = "Oe";  // Ö
    t[154] = "Ue";  // Ü
    t[160] = "a";   // á
    t[163] = "u";   // ú
    t[164] = "n";   // ñ
    t[196] = "-";   // horizontal box lines
    t[205] = "-";
    t[225] = "ss";   // ß
    t[230] = "u";    // µ
    t[241] = "+/-";  // ±
    t[248] = "deg";  // °
    t[252] = "3";    // ³, as ² below: the density unit kg/dm³ stays readable
    t[253] = "2";    // ²
    return t;
}
constexpr auto kAsciiTable = MakeAsciiTable();

// DosToAnsiUmlauts: code page 850 byte to code page 1252 byte.
constexpr std::array<unsigned char, 256> MakeAnsiTable() {
    std::array<unsigned char, 256> t{};
    for (int i = 0; i < 256; ++i) t[i] = static_cast<unsigned char>(i);
    const unsigned char pairs[][2] = {{129, 252}, {130, 233}, {132, 228}, {134, 229}, {142, 196},
                                      {143, 197}, {148, 246}, {153, 214}, {154, 220}, {160, 225},
                                      {161, 237}, {162, 243}, {163, 250}, {164, 241}, {225, 223},
                                      {230, 181}, {241, 177}, {248, 176}, {252, 179}, {253, 178}};
    for (const auto& p : pairs) t[p[0]] = p[1];
    for (int c : {179, 180, 181, 182, 185, 186, 195, 197, 198, 199, 204, 209, 215}) t[c] = '|';
    for (int c : {184, 187, 188, 190, 191, 192, 200, 201, 206, 211, 214, 217, 218}) t[c] = '+';
    for (int c : {196, 205}) t[c] = '-';
    return t;
}
constexpr auto kAnsiTable = MakeAnsiTable();

int32_t ClampWidth(int32_t width) {
    return std::clamp<int32_t>(width, 0, kMaxTextWidth);
}

}  // namespace

// ---- Conversion for output ---------------------------------------------------------

std::string OemToAnsi(std::string_view s) {
    if (s.size() >= kConvertLimit) return std::string();
    if (CharSetOption == 1) return DosToAnsiUmlauts(DosToAscii(s));
    return platform::OemToChar(s);
}

void OemToAnsiStr(std::string_view s, std::string& r) {
    r = OemToAnsi(s);
}

std::string AnsiToOem(std::string_view s) {
    if (s.size() >= kConvertLimit) return std::string();
    return platform::CharToOem(s);
}

void AnsiToOemStr(std::string_view s, std::string& r) {
    r = AnsiToOem(s);
}

std::string DosToAnsiUmlauts(std::string_view s) {
    std::string src = CharSetOption == 1 ? DosToAscii(s) : std::string(s);
    for (char& c : src) c = static_cast<char>(kAnsiTable[static_cast<unsigned char>(c)]);
    return src;
}

void DosToAnsiUmlauts(std::string_view s, std::string& r) {
    r = DosToAnsiUmlauts(s);
}

std::string DosToAscii(std::string_view s) {
    std::string r;
    r.reserve(s.size());
    for (const char c : s) {
        const char* rep = kAsciiTable[static_cast<unsigned char>(c)];
        if (rep != nullptr)
            r += rep;
        else
            r += c;
    }
    return r;
}

void DosToAscii(std::string_view s, std::string& r) {
    r = DosToAscii(s);
}

std::string ConvertOutputText(std::string_view s) {
    switch (TextConversionOption) {
        case 2:
            return OemToAnsi(s);
        case 3:
            return DosToAscii(s);
        default:
            return std::string(s);
    }
}

void ConvertOutputText(std::string_view s, std::string& r) {
    r = ConvertOutputText(s);
}

// ---- String routines -------------------------------------------------------------------

std::string UpperCaseStr(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return r;
}

char LowerChar(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerCaseStr(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = LowerChar(c);
    return r;
}

std::string PadRightTo(std::string_view s, int32_t width) {
    const auto w = static_cast<std::size_t>(ClampWidth(width));
    std::string r(s.substr(0, w));
    r.resize(w, ' ');
    return r;
}

void PadRightTo(std::string_view s, int32_t width, std::string& r) {
    r = PadRightTo(s, width);
}

std::string PadLeftTo(std::string_view s, int32_t width) {
    const auto w = static_cast<std::size_t>(ClampWidth(width));
    std::string t = TrimBlanks(s);
    if (t.size() > w) t.resize(w);
    t.insert(0, w - t.size(), ' ');
    return t;
}

void PadLeftTo(std::string_view s, int32_t width, std::string& r) {
    r = PadLeftTo(s, width);
}

std::string LeftStr(std::string_view s, int32_t n) {
    if (n <= 0) return std::string();
    return std::string(s.substr(0, static_cast<std::size_t>(n)));
}

std::string RightStr(std::string_view s, int32_t n) {
    if (n <= 0) return std::string();
    const auto k = std::min(s.size(), static_cast<std::size_t>(n));
    return std::string(s.substr(s.size() - k));
}

std::string MidStrFromTo(std::string_view s, int32_t from, int32_t to) {
    const int64_t first = std::max<int64_t>(from, 1);
    const int64_t last = std::min<int64_t>(to, static_cast<int64_t>(s.size()));
    if (first > last) return std::string();
    return std::string(
        s.substr(static_cast<std::size_t>(first - 1), static_cast<std::size_t>(last - first + 1)));
}

void ReplaceChar(char oldChar, char newChar, std::string& s) {
    std::replace(s.begin(), s.end(), oldChar, newChar);
}

void RemoveBlanks(std::string& s) {
    s.erase(std::remove(s.begin(), s.end(), ' '), s.end());
}

std::string WithoutBlanks(std::string_view s) {
    std::string r(s);
    RemoveBlanks(r);
    return r;
}

std::string TrimBlanks(std::string_view s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string_view::npos || first >= 254) return std::string();
    const auto last = s.find_last_not_of(' ');
    return std::string(s.substr(first, last - first + 1));
}

void TrimBlanks(std::string_view s, std::string& r) {
    r = TrimBlanks(s);
}

void TrimVar(std::string& s) {
    s = TrimBlanks(s);
}

int32_t CountSubStr(std::string_view sub, std::string_view s) {
    if (sub.empty()) return 0;
    int32_t n = 0;
    for (auto p = s.find(sub); p != std::string_view::npos; p = s.find(sub, p + 1)) ++n;
    return n;
}

std::string ShortenMiddle(std::string_view s, int32_t width) {
    if (static_cast<int64_t>(s.size()) <= width) return std::string(s);
    const int32_t k = width / 2 - 3;
    return LeftStr(s, k) + " ... " + RightStr(s, k + 1);
}

void ShortenMiddle(std::string_view s, int32_t width, std::string& r) {
    r = ShortenMiddle(s, width);
}

void SplitAtWidth(std::string_view s, char sep, int32_t width, int32_t& maxLen, int32_t& count) {
    const auto w = static_cast<std::size_t>(std::clamp<int32_t>(width, 1, kMaxTextWidth));
    maxLen = 1;
    count = 0;
    while (!s.empty() && count < kWrapLineCount) {
        ++count;
        std::size_t p = s.size();
        if (s.size() > w) {
            p = w;
            for (std::size_t i = w - 1; i >= 1; --i)
                if (s[i - 1] == sep) {
                    p = i;
                    break;
                }
        }
        maxLen = std::max(maxLen, static_cast<int32_t>(p));
        WrapLines[count] = s.substr(0, p);
        s.remove_prefix(p);
    }
}

bool HasCmdLineSwitch(std::string_view sw) {
    const std::string want = UpperCaseStr(sw);
    for (const auto& p : CommandLineParams())
        if (UpperCaseStr(p) == want) return true;
    return false;
}

// ---- Dates and times ---------------------------------------------------------------

std::string DateToStrFmt(uint16_t year, uint16_t month, uint16_t day) {
    const std::string y = IntToStrL(year);
    const std::string m = IntToStrZeroPad(month, 2);
    const std::string d = IntToStrZeroPad(day, 2);
    switch (DateFormatOption) {
        case 1:
            return d + "." + m + "." + y;
        case 2:
            return m + "/" + d + "/" + y;
        case 4:
            return d + "/" + m + "/" + y;
        default:  // 3 and any other value
            return y + "/" + m + "/" + d;
    }
}

void DateToStrFmt(uint16_t year, uint16_t month, uint16_t day, std::string& s) {
    s = DateToStrFmt(year, month, day);
}

void GetDateParts(uint16_t& year, uint16_t& month, uint16_t& day, uint16_t& extra) {
    const platform::DateTime now = platform::Now();
    year = static_cast<uint16_t>(now.year);
    month = static_cast<uint16_t>(now.month);
    day = static_cast<uint16_t>(now.day);
    extra = 0;
}

std::string TodayToStr() {
    uint16_t y, m, d, extra;
    GetDateParts(y, m, d, extra);
    return DateToStrFmt(y, m, d);
}

void TodayToStr(std::string& s) {
    s = TodayToStr();
}

// The Part's f * 24, * 60, * 60, * 100 truncations done on whole
// milliseconds: the same parts, without a float that lands a hair below a
// whole hour (10:00 as 9.99999... * 24).
void GetTimeParts(uint16_t& hour, uint16_t& minute, uint16_t& second, uint16_t& hundredths) {
    const platform::DateTime now = platform::Now();
    hour = static_cast<uint16_t>(now.hour);
    minute = static_cast<uint16_t>(now.minute);
    second = static_cast<uint16_t>(now.second);
    hundredths = static_cast<uint16_t>(now.millisecond / 10);
}

std::string TimeToStrHM() {
    uint16_t h, m, s, hs;
    GetTimeParts(h, m, s, hs);
    return IntToStrL(h) + ":" + IntToStrZeroPad(m, 2);
}

void TimeToStrHM(std::string& s) {
    s = TimeToStrHM();
}

std::string FileDateToStr(std::time_t fileDate) {
    struct tm t {};
    if (localtime_r(&fileDate, &t) == nullptr) return std::string();
    return IntToStrZeroPad(t.tm_year + 1900, 4) + "/" + IntToStrZeroPad(t.tm_mon + 1, 2) + "/" +
           IntToStrZeroPad(t.tm_mday, 2);
}

void FileDateToStr(std::time_t fileDate, std::string& s) {
    s = FileDateToStr(fileDate);
}

int32_t MaxPrinterPort() {
    return 3;
}

}  // namespace kor2
