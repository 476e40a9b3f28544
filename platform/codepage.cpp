// Code page 850 <-> 1252 with best-fit fallbacks, 1252/850 <-> Unicode, and
// the 1252 case mapping of CharUpperA / CharLowerA.
#include "platform/codepage.h"

#include <array>

#include "platform/codepage_tables.h"

namespace kor2::platform {

namespace {

using Table = std::array<unsigned char, 256>;

// The look-alike of a code point that the target code page lacks; 0 when
// there is none. Box drawing becomes '+', '-', '|', '=', shades and blocks
// '_', typographic quotes and dashes their ASCII forms.
constexpr unsigned char BestFit(char16_t cp) {
    switch (cp) {
    // Box drawing: horizontal lines.
    case 0x2500: return '-';
    case 0x2550: return '=';
    // Vertical lines.
    case 0x2502: case 0x2551: return '|';
    // Corners, tees and crosses (single and double).
    case 0x250C: case 0x2510: case 0x2514: case 0x2518: case 0x251C: case 0x2524:
    case 0x252C: case 0x2534: case 0x253C: case 0x2554: case 0x2557: case 0x255A:
    case 0x255D: case 0x2560: case 0x2563: case 0x2566: case 0x2569: case 0x256C:
        return '+';
    // Shades and block elements, black square.
    case 0x2591: case 0x2592: case 0x2593: case 0x2588: case 0x2584: case 0x2580:
    case 0x25A0:
        return '_';
    case 0x2017: return '=';  // double low line
    case 0x0131: return 'i';  // dotless i
    // Code page 1252 characters that code page 850 lacks.
    case 0x20AC: return 'E';   // euro sign
    case 0x201A: return ',';   // single low-9 quotation mark
    case 0x201E: return '"';   // double low-9 quotation mark
    case 0x2026: return '.';   // horizontal ellipsis
    case 0x2020: case 0x2021: return '+';  // dagger, double dagger
    case 0x02C6: return '^';   // modifier circumflex
    case 0x2030: return '%';   // per mille
    case 0x0160: return 'S';
    case 0x2039: return '<';
    case 0x0152: return 'O';   // OE ligature
    case 0x017D: return 'Z';
    case 0x2018: return '`';
    case 0x2019: return '\'';
    case 0x201C: case 0x201D: return '"';
    case 0x2022: return 0xFA;  // bullet -> middle dot of code page 850
    case 0x2013: case 0x2014: return '-';
    case 0x02DC: return '~';
    case 0x2122: return 'T';   // trade mark
    case 0x0161: return 's';
    case 0x203A: return '>';
    case 0x0153: return 'o';   // oe ligature
    case 0x017E: return 'z';
    case 0x0178: return 'Y';
    default: return 0;
    }
}

constexpr char16_t CodePoint(const char16_t (&high)[128], unsigned char c) {
    return c < 0x80 ? char16_t(c) : high[c - 0x80];
}

// Byte of code page `to` for byte c of code page `from`: the same character,
// else its best fit, else '?' (the undefined bytes of 1252).
constexpr Table MakeTable(const char16_t (&from)[128], const char16_t (&to)[128]) {
    Table t{};
    for (int c = 0; c < 256; ++c) {
        const char16_t cp = CodePoint(from, static_cast<unsigned char>(c));
        unsigned char out = 0;
        bool found = false;
        if (cp < 0x80) {
            out = static_cast<unsigned char>(cp);
            found = true;
        }
        for (int i = 0; i < 128 && !found; ++i)
            if (to[i] == cp) {
                out = static_cast<unsigned char>(0x80 + i);
                found = true;
            }
        if (!found) {
            out = BestFit(cp);
            if (out == 0) out = '?';
        }
        t[c] = out;
    }
    return t;
}

constexpr Table kOemToAnsi = MakeTable(Cp850High, Cp1252High);
constexpr Table kAnsiToOem = MakeTable(Cp1252High, Cp850High);

constexpr Table MakeUpper() {
    Table t{};
    for (int c = 0; c < 256; ++c) t[c] = static_cast<unsigned char>(c);
    for (int c = 'a'; c <= 'z'; ++c) t[c] = static_cast<unsigned char>(c - 0x20);
    for (int c = 0xE0; c <= 0xFE; ++c)
        if (c != 0xF7) t[c] = static_cast<unsigned char>(c - 0x20);
    t[0x9A] = 0x8A;  // š Š
    t[0x9C] = 0x8C;  // œ Œ
    t[0x9E] = 0x8E;  // ž Ž
    return t;        // ß (DF), ÿ (FF) and µ (B5) stay
}

constexpr Table MakeLower() {
    Table t{};
    for (int c = 0; c < 256; ++c) t[c] = static_cast<unsigned char>(c);
    for (int c = 'A'; c <= 'Z'; ++c) t[c] = static_cast<unsigned char>(c + 0x20);
    for (int c = 0xC0; c <= 0xDE; ++c)
        if (c != 0xD7) t[c] = static_cast<unsigned char>(c + 0x20);
    t[0x8A] = 0x9A;
    t[0x8C] = 0x9C;
    t[0x8E] = 0x9E;
    t[0x9F] = 0xFF;  // Ÿ ÿ
    return t;
}

constexpr Table kUpper = MakeUpper();
constexpr Table kLower = MakeLower();

std::string MapBytes(std::string_view s, const Table& t) {
    std::string out(s.size(), '\0');
    for (std::size_t i = 0; i < s.size(); ++i)
        out[i] = static_cast<char>(t[static_cast<unsigned char>(s[i])]);
    return out;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// The composed letters of code points U+00C0..U+00DF as a base letter and
// one combining mark (0 where the letter has none); those from U+00E0 are
// their small forms. Code page 850 holds every one of them.
struct Decomposed {
    char base;
    char16_t mark;
};
constexpr Decomposed kUpperLatin1[32] = {
    {'A', 0x300}, {'A', 0x301}, {'A', 0x302}, {'A', 0x303}, {'A', 0x308}, {'A', 0x30A},
    {0, 0},       {'C', 0x327}, {'E', 0x300}, {'E', 0x301}, {'E', 0x302}, {'E', 0x308},
    {'I', 0x300}, {'I', 0x301}, {'I', 0x302}, {'I', 0x308}, {0, 0},       {'N', 0x303},
    {'O', 0x300}, {'O', 0x301}, {'O', 0x302}, {'O', 0x303}, {'O', 0x308}, {0, 0},
    {0, 0},       {'U', 0x300}, {'U', 0x301}, {'U', 0x302}, {'U', 0x308}, {'Y', 0x301},
    {0, 0},       {0, 0},
};

// The composed code point of an ASCII letter and a mark, 0 when there is none.
char32_t Compose(char32_t base, char32_t mark) {
    if (base == 'y' && mark == 0x308) return 0xFF;  // the small letter whose capital is elsewhere
    const bool small = base >= 'a' && base <= 'z';
    const char32_t capital = small ? base - 0x20 : base;
    for (char32_t k = 0; k < 32; ++k)
        if (kUpperLatin1[k].base != 0 && static_cast<char32_t>(kUpperLatin1[k].base) == capital &&
            kUpperLatin1[k].mark == mark)
            return 0xC0 + k + (small ? 0x20 : 0);
    return 0;
}

constexpr char32_t kInvalid = 0xFFFFFFFF;

// Decodes one UTF-8 character at s[i], advancing i; kInvalid for a
// malformed sequence (one byte is consumed then).
char32_t NextUtf8(std::string_view s, std::size_t& i) {
    const auto b = static_cast<unsigned char>(s[i++]);
    if (b < 0x80) return b;
    int extra = 0;
    char32_t cp = 0, min = 0;
    if ((b & 0xE0) == 0xC0) { cp = b & 0x1F; extra = 1; min = 0x80; }
    else if ((b & 0xF0) == 0xE0) { cp = b & 0x0F; extra = 2; min = 0x800; }
    else if ((b & 0xF8) == 0xF0) { cp = b & 0x07; extra = 3; min = 0x10000; }
    else return kInvalid;
    const std::size_t start = i;
    for (int k = 0; k < extra; ++k) {
        if (i >= s.size()) { i = start; return kInvalid; }
        const auto c = static_cast<unsigned char>(s[i]);
        if ((c & 0xC0) != 0x80) { i = start; return kInvalid; }
        cp = (cp << 6) | (c & 0x3F);
        ++i;
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kInvalid;
    return cp;
}

// Reverse lookup: byte of the code page for a code point, or -1.
int FindByte(const char16_t (&high)[128], char32_t cp) {
    if (cp < 0x80) return static_cast<int>(cp);
    for (int i = 0; i < 128; ++i)
        if (high[i] == cp) return 0x80 + i;
    return -1;
}

unsigned char AnsiByteFor(char32_t cp) {
    const int b = cp == kInvalid ? -1 : FindByte(Cp1252High, cp);
    return b < 0 ? '?' : static_cast<unsigned char>(b);
}

}  // namespace

unsigned char OemToCharByte(unsigned char c) { return kOemToAnsi[c]; }
unsigned char CharToOemByte(unsigned char c) { return kAnsiToOem[c]; }

void OemToCharBuff(const char* src, char* dst, std::size_t len) {
    for (std::size_t i = 0; i < len; ++i)
        dst[i] = static_cast<char>(kOemToAnsi[static_cast<unsigned char>(src[i])]);
}

void CharToOemBuff(const char* src, char* dst, std::size_t len) {
    for (std::size_t i = 0; i < len; ++i)
        dst[i] = static_cast<char>(kAnsiToOem[static_cast<unsigned char>(src[i])]);
}

std::string OemToChar(std::string_view s) { return MapBytes(s, kOemToAnsi); }
std::string CharToOem(std::string_view s) { return MapBytes(s, kAnsiToOem); }

std::string AnsiToUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size() + s.size() / 4);
    for (char ch : s) AppendUtf8(out, CodePoint(Cp1252High, static_cast<unsigned char>(ch)));
    return out;
}

std::string Utf8ToAnsi(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) out += static_cast<char>(AnsiByteFor(NextUtf8(s, i)));
    return out;
}

std::u16string AnsiToUtf16(std::string_view s) {
    std::u16string out(s.size(), u'\0');
    for (std::size_t i = 0; i < s.size(); ++i)
        out[i] = CodePoint(Cp1252High, static_cast<unsigned char>(s[i]));
    return out;
}

std::string Utf16ToAnsi(std::u16string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char16_t u = s[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
            s[i + 1] <= 0xDFFF) {
            ++i;  // a character beyond the BMP: never in 1252
            out += '?';
        } else {
            out += static_cast<char>(AnsiByteFor(u >= 0xD800 && u <= 0xDFFF ? kInvalid : u));
        }
    }
    return out;
}

std::string OemToUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size() + s.size() / 4);
    for (char ch : s) AppendUtf8(out, CodePoint(Cp850High, static_cast<unsigned char>(ch)));
    return out;
}

std::string ComposeLatin1Marks(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    char32_t previous = kInvalid;
    std::size_t previousAt = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t at = i;
        const char32_t cp = NextUtf8(utf8, i);
        if (cp == kInvalid) {
            out.append(utf8.substr(at, i - at));  // kept as it was
            previous = kInvalid;
            continue;
        }
        if (const char32_t composed = previous < 0x80 ? Compose(previous, cp) : 0) {
            out.resize(previousAt);
            AppendUtf8(out, composed);
            previous = composed;
            continue;
        }
        previousAt = out.size();
        AppendUtf8(out, cp);
        previous = cp;
    }
    return out;
}

std::string Utf8ToOem(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const char32_t cp = NextUtf8(s, i);
        int b = cp == kInvalid ? -1 : FindByte(Cp850High, cp);
        if (b < 0 && cp != kInvalid && cp <= 0xFFFF) {
            // Not in 850: its look-alike, through 1252 where that has it.
            const unsigned char fit = BestFit(static_cast<char16_t>(cp));
            if (fit != 0) b = fit;
        }
        out += static_cast<char>(b < 0 ? '?' : b);
    }
    return out;
}

std::string AnsiUpper(std::string_view s) { return MapBytes(s, kUpper); }
std::string AnsiLower(std::string_view s) { return MapBytes(s, kLower); }

}  // namespace kor2::platform
