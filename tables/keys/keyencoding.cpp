// Key encodings and Julian day arithmetic used by the index engine (key
// building, seeking) and by the expression machine (SOUNDEX, DTOS, DTOC,
// CTOD). Keys in existing index files depend on these rules byte for byte.
#include "tables/keys/keyencoding.h"

#include "tables/base/enginedates.h"

#include <algorithm>
#include <new>

namespace kor2 {

namespace {

// Code page 850 letters that key folding knows.
constexpr unsigned char kUpperAUml = 0x8E, kLowerAUml = 0x84;
constexpr unsigned char kUpperOUml = 0x99, kLowerOUml = 0x94;
constexpr unsigned char kUpperUUml = 0x9A, kLowerUUml = 0x81;
constexpr unsigned char kSharpS = 0xE1;

// SOUNDEX codes of A..Z.
constexpr char kSoundexCodes[] = "01230120022455012623010202";

// Days before each month in a common year.
constexpr int kDaysBeforeMonth[13] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365};

const char* SpelledOut(unsigned char c) {
    switch (c) {
        case kLowerUUml:
            return "ue";
        case kLowerAUml:
            return "ae";
        case kLowerOUml:
            return "oe";
        case kSharpS:
            return "ss";
        default:
            return nullptr;
    }
}

// Value of a run of decimal digits, -1 when any character is not a digit.
int DigitsValue(std::string_view s) {
    if (s.empty()) return -1;
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

}  // namespace

// ---- character keys ------------------------------------------------------

std::string FoldCharKey(std::string_view text, std::size_t positions) {
    std::string key(text.substr(0, MaxCharKeyLen));
    for (char& ch : key) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 'A' && c <= 'Z')
            ch = static_cast<char>(c + ('a' - 'A'));
        else if (c == kUpperAUml)
            ch = static_cast<char>(kLowerAUml);
        else if (c == kUpperOUml)
            ch = static_cast<char>(kLowerOUml);
        else if (c == kUpperUUml)
            ch = static_cast<char>(kLowerUUml);
    }
    // The scan bound stays where it was: characters pushed beyond it by
    // earlier replacements keep their form (existing index files rely on it).
    const std::size_t bound = positions == 0 ? key.size() : positions;
    for (std::size_t i = 0; i < bound && i < key.size(); ++i) {
        const char* pair = SpelledOut(static_cast<unsigned char>(key[i]));
        if (!pair) continue;
        key[i] = pair[0];
        key.insert(i + 1, 1, pair[1]);
        if (key.size() > MaxCharKeyLen) key.resize(MaxCharKeyLen);
    }
    return key;
}

std::string Soundex(std::string_view text) {
    std::string code(SoundexLen, '0');
    std::string in(text.substr(0, MaxCharKeyLen));
    if (in.empty()) return code;
    UpperAsciiInPlace(in);
    code[0] = in[0];
    char prev = IsAsciiUpper(in[0]) ? kSoundexCodes[in[0] - 'A'] : '0';
    std::size_t out = 1;
    for (std::size_t i = 1; i < in.size() && out < SoundexLen; ++i) {
        if (!IsAsciiUpper(in[i])) continue;  // not a separator: prev stays
        const char c = kSoundexCodes[in[i] - 'A'];
        if (c != prev && c != '0') code[out++] = c;
        prev = c;
    }
    return code;
}

std::string ComplementKey(std::string_view text) {
    std::string key(text.substr(0, MaxCharKeyLen));
    for (char& c : key) c = static_cast<char>(static_cast<unsigned char>(c) ^ 0xFF);
    return key;
}

int CompareCharKeys(std::string_view a, std::string_view b, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        const int ca = i < a.size() ? static_cast<unsigned char>(a[i]) : 0;
        const int cb = i < b.size() ? static_cast<unsigned char>(b[i]) : 0;
        if (ca != cb) return ca - cb;
    }
    return 0;
}

int CompareNumKeys(double a, double b) {
    if (a > b) return 1;
    if (a < b) return -1;
    return 0;
}

// ---- Julian days ---------------------------------------------------------

int KeyDayOfYear(int32_t year, int month, int day) {
    if (year < 0 || month < 1 || month > 12 || day < 1) return -1;
    const bool leap = IsLeapYear(year);
    int length = kDaysBeforeMonth[month] - kDaysBeforeMonth[month - 1];
    if (month == 2 && leap) ++length;
    if (day > length) return -1;
    return kDaysBeforeMonth[month - 1] + day + (leap && month > 2 ? 1 : 0);
}

int64_t DaysBeforeYear(int32_t year) {
    const int64_t c = int64_t{year} - 1;
    if (c < 1) return 0;
    return 365 * c + c / 4 - c / 100 + c / 400;
}

void MonthDayOfYearDay(int dayOfYear, bool leap, int& month, int& day) {
    if (leap && dayOfYear == 60) {
        month = 2;
        day = 29;
        return;
    }
    if (leap && dayOfYear > 60) --dayOfYear;
    month = 1;
    while (month < 12 && kDaysBeforeMonth[month] < dayOfYear) ++month;
    day = dayOfYear - kDaysBeforeMonth[month - 1];
}

double JulianFromYmd(int32_t year, int month, int day) {
    // Year 0 would share its day numbers with year 1 (both have no days
    // before them), so it counts as invalid like negative years.
    if (year < 1) return 0;
    const int doy = KeyDayOfYear(year, month, day);
    if (doy < 0) return 0;
    return static_cast<double>(doy + DaysBeforeYear(year) + JulianBase);
}

bool YmdFromJulian(double julian, int32_t& year, int& month, int& day) {
    if (!(julian > JulianBase && julian <= JulianLast)) return false;  // also NaN
    const auto d = static_cast<int64_t>(julian) - JulianBase;
    // d div 366 never passes the true year; the first year needs the floor 1.
    int32_t y = std::max<int32_t>(1, static_cast<int32_t>(d / 366));
    int64_t doy = d - DaysBeforeYear(y);
    while (doy > (IsLeapYear(y) ? 366 : 365)) {
        doy -= IsLeapYear(y) ? 366 : 365;
        ++y;
    }
    year = y;
    MonthDayOfYearDay(static_cast<int>(doy), IsLeapYear(y), month, day);
    return true;
}

double DateToJulian(std::string_view dtos) {
    if (dtos.size() < 8) return 0;
    const int y = DigitsValue(dtos.substr(0, 4));
    const int m = DigitsValue(dtos.substr(4, 2));
    const int d = DigitsValue(dtos.substr(6, 2));
    if (y < 0 || m < 0 || d < 0) return 0;
    return JulianFromYmd(y, m, d);
}

std::string JulianToDtos(double julian) {
    int32_t y = 0;
    int m = 0, d = 0;
    if (!YmdFromJulian(julian, y, m, d)) return std::string(8, ' ');
    return ZeroPadded(y, 4) + ZeroPadded(m, 2) + ZeroPadded(d, 2);
}

std::string JulianToDtoc(double julian) {
    const std::string yearBlanks(CenturyDisplay ? 4 : 2, ' ');
    int32_t y = 0;
    int m = 0, d = 0;
    const bool valid = YmdFromJulian(julian, y, m, d);
    const std::string yy = ZeroPadded(CenturyDisplay ? y : y % 100, CenturyDisplay ? 4 : 2);
    const std::string mm = ZeroPadded(m, 2), dd = ZeroPadded(d, 2);
    switch (DateFormatIndex) {
        case 1:
            return valid ? yy + '.' + mm + '.' + dd : yearBlanks + ".  .  ";
        case 2:
        case 8:
            return valid ? dd + '/' + mm + '/' + yy : "  /  /" + yearBlanks;
        case 3:
            return valid ? dd + '-' + mm + '-' + yy : "  -  -" + yearBlanks;
        case 4:
        case 5:
        case 6:
        case 7:  // French (Canada) writes its dates as the other dd.mm.yy formats
            return valid ? dd + '.' + mm + '.' + yy : "  .  ." + yearBlanks;
        default:
            return valid ? mm + '/' + dd + '/' + yy : "  /  /" + yearBlanks;
    }
}

namespace {

// Month, day and year of a date text in the current DATE format, read from
// its normalised form MM/DD/YYYY; false when a part is not numeric.
bool DateTextParts(std::string_view text, int& month, int& day, int& year) {
    struct CenturyOn {
        bool saved = CenturyDisplay;
        CenturyOn() { CenturyDisplay = true; }
        ~CenturyOn() { CenturyDisplay = saved; }
    } centuryOn;
    const std::string n = NormalizeDate(std::string(text));
    if (n.size() < 10) return false;
    month = DigitsValue(std::string_view(n).substr(0, 2));
    day = DigitsValue(std::string_view(n).substr(3, 2));
    year = DigitsValue(std::string_view(n).substr(6, 4));
    return month >= 0 && day >= 0 && year >= 0;
}

}  // namespace

double DateTextToJulian(std::string_view text) {
    int m = 0, d = 0, y = 0;
    if (!DateTextParts(text, m, d, y)) return 0;
    return JulianFromYmd(y, m, d);
}

std::string DateTextToDtos(std::string_view text) {
    int m = 0, d = 0, y = 0;
    if (!DateTextParts(text, m, d, y) || JulianFromYmd(y, m, d) == 0) return std::string(8, ' ');
    return ZeroPadded(y, 4) + ZeroPadded(m, 2) + ZeroPadded(d, 2);
}

std::string ZeroPadded(int64_t n, int width) {
    const bool negative = n < 0;
    // Magnitude as unsigned so that the smallest value has a form as well.
    uint64_t mag = negative ? uint64_t{0} - static_cast<uint64_t>(n) : static_cast<uint64_t>(n);
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + mag % 10));
        mag /= 10;
    } while (mag != 0);
    const int pad = width - static_cast<int>(digits.size()) - (negative ? 1 : 0);
    if (pad > 0) digits.insert(0, static_cast<std::size_t>(pad), '0');
    return negative ? "-" + digits : digits;
}

// ---- zero-terminated texts -----------------------------------------------

uint16_t ZLength(std::span<const char> buf) {
    const auto end = std::find(buf.begin(), buf.end(), '\0');
    const auto len = static_cast<std::size_t>(end - buf.begin());
    return static_cast<uint16_t>(std::min<std::size_t>(len, 0xFFFF));
}

std::string ZToString(std::span<const char> buf, std::size_t n) {
    const auto limited = buf.first(std::min(n, buf.size()));
    return std::string(limited.data(), ZLength(limited));
}

std::size_t StringToZ(std::string_view text, std::span<char> buf) {
    if (buf.empty()) return 0;
    const std::size_t len = std::min(text.size(), buf.size() - 1);
    std::copy_n(text.begin(), len, buf.begin());
    buf[len] = '\0';
    return len;
}

void ReverseBytes(std::span<char> range) {
    std::reverse(range.begin(), range.end());
}

void ExchangeAdjacent(std::span<char> range, std::size_t firstLen) {
    firstLen = std::min(firstLen, range.size());
    ReverseBytes(range.first(firstLen));
    ReverseBytes(range.subspan(firstLen));
    ReverseBytes(range);
}

void UpperAsciiInPlace(std::span<char> text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - ('a' - 'A'));
}

// ---- ring lists ----------------------------------------------------------

RingChunk* RingList::Add(std::size_t dataSize) {
    if (dataSize > MaxDataSize) return nullptr;
    try {
        auto chunk = std::make_unique<RingChunk>();
        chunk->data.assign(dataSize, 0);
        chunk->slot_ = chunks_.size();
        chunks_.push_back(std::move(chunk));
        return chunks_.back().get();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

std::unique_ptr<RingChunk> RingList::Take() {
    if (chunks_.empty()) return nullptr;
    auto chunk = std::move(chunks_.back());
    chunks_.pop_back();
    return chunk;
}

RingChunk* RingList::Next(const RingChunk* chunk) const {
    if (chunks_.empty()) return nullptr;
    if (!chunk) return chunks_.front().get();
    const std::size_t slot = chunk->slot_;
    if (slot >= chunks_.size() || chunks_[slot].get() != chunk) return nullptr;
    if (slot + 1 == chunks_.size()) return nullptr;  // the head ends the walk
    return chunks_[slot + 1].get();
}

RingChunk* RingList::Head() const {
    return chunks_.empty() ? nullptr : chunks_.back().get();
}

}  // namespace kor2
