// Key encodings of the index engine and the date functions of the expression
// language: character key folding, SOUNDEX, the DESCENDING complement, key
// comparison, Julian day numbers, zero-terminated text helpers and ring lists.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kor2 {

inline constexpr std::size_t MaxCharKeyLen = 100;  // longest character key
inline constexpr std::size_t SoundexLen = 4;       // length of a SOUNDEX code

// Julian day numbers: 1 January of year 1 is JulianBase + 1.
inline constexpr int32_t JulianBase = 1721425;
inline constexpr int32_t JulianLast = 5373484;  // 31 December 9999

// ---- character keys ------------------------------------------------------

// Folds a character key (code page 850): lower case, then the umlauts and
// sharp s among the first `positions` characters (0 = all) spelt out as
// "ue", "ae", "oe", "ss". At most MaxCharKeyLen characters.
std::string FoldCharKey(std::string_view text, std::size_t positions = 0);
// Four-character SOUNDEX code.
std::string Soundex(std::string_view text);
// Every byte complemented (DESCENDING keys); at most MaxCharKeyLen bytes.
std::string ComplementKey(std::string_view text);

// Compares the first n bytes as unsigned values: 0 when equal, else the
// difference of the first differing bytes. Bytes beyond a key's end count as 0.
int CompareCharKeys(std::string_view a, std::string_view b, std::size_t n);
// 0 equal, 1 first greater, -1 first smaller.
int CompareNumKeys(double a, double b);

// ---- Julian days and dates -----------------------------------------------
// Leap years are IsLeapYear of enginedates.h.

// 1..366; -1 for year < 0, month outside 1..12 or a day beyond the month.
int KeyDayOfYear(int32_t year, int month, int day);
// Days of the years before `year` (0 for year <= 1).
int64_t DaysBeforeYear(int32_t year);
// Month and day of a day of the year (1..365, or 366 in a leap year).
void MonthDayOfYearDay(int dayOfYear, bool leap, int& month, int& day);
// Julian day number of a date; 0 when invalid (years before 1 are invalid).
double JulianFromYmd(int32_t year, int month, int day);
// Date of a Julian day number in 1721426..5373484; false outside.
bool YmdFromJulian(double julian, int32_t& year, int& month, int& day);

// Julian day of a stored date "YYYYMMDD"; 0 for blanks or an invalid date.
double DateToJulian(std::string_view dtos);
// "YYYYMMDD" of a Julian day, 8 blanks outside the valid range.
std::string JulianToDtos(double julian);
// The date in the current DATE format (blank date outside the valid range).
std::string JulianToDtoc(double julian);
// A date text in the current DATE format to its Julian day (0 when invalid).
double DateTextToJulian(std::string_view text);
// A date text in the current DATE format to "YYYYMMDD", 8 blanks when empty
// or invalid.
std::string DateTextToDtos(std::string_view text);

// Decimal text of n left-padded with "0" to width (a sign comes first).
std::string ZeroPadded(int64_t n, int width);

// ---- zero-terminated texts -----------------------------------------------

// Length of a zero-terminated text in a buffer; the buffer size when no zero.
uint16_t ZLength(std::span<const char> buf);
// The text of a zero-terminated buffer, at most n characters.
std::string ZToString(std::span<const char> buf, std::size_t n);
// Copies text into buf zero-terminated, cut to fit; returns the copied length.
std::size_t StringToZ(std::string_view text, std::span<char> buf);
// Reverses the bytes of a range in place.
void ReverseBytes(std::span<char> range);
// Exchanges two adjacent ranges: the first `firstLen` bytes and the rest.
void ExchangeAdjacent(std::span<char> range, std::size_t firstLen);
// Upper-cases a..z only; other bytes stay.
void UpperAsciiInPlace(std::span<char> text);
inline bool IsAsciiUpper(char c) {
    return c >= 'A' && c <= 'Z';
}

// ---- ring lists ----------------------------------------------------------

// One chunk of a ring list: zeroed data of a fixed size.
class RingChunk {
public:
    static constexpr std::size_t HeaderSize = 10;  // links and size field
    std::vector<uint8_t> data;
    uint16_t TotalSize() const { return static_cast<uint16_t>(data.size() + HeaderSize); }

private:
    friend class RingList;
    std::size_t slot_ = 0;  // position in the owning list, oldest 0
};

// Chunks linked in a ring; the head is the newest. A walk with Next starts
// after the head (at the oldest chunk) and ends with the head.
class RingList {
public:
    static constexpr std::size_t MaxDataSize = 0xFFFF - RingChunk::HeaderSize;

    // Links a new zeroed chunk at the head; nullptr when the size does not
    // fit the 16-bit size field or memory is short.
    RingChunk* Add(std::size_t dataSize);
    // Unlinks and returns the head chunk; nullptr when empty.
    std::unique_ptr<RingChunk> Take();
    // The chunk after `chunk` (after the head for nullptr); nullptr when
    // `chunk` is the head or is not in this list.
    RingChunk* Next(const RingChunk* chunk) const;
    RingChunk* Head() const;
    bool Empty() const { return chunks_.empty(); }
    std::size_t Count() const { return chunks_.size(); }
    void Clear() { chunks_.clear(); }

private:
    std::vector<std::unique_ptr<RingChunk>> chunks_;  // oldest first, the head last
};

}  // namespace kor2
