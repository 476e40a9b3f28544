// Compile-time conversion of UTF-8 source literals into code page 850 bytes.
// Every text literal that holds a character outside ASCII is written as
// "Maß"_oem; the source stays UTF-8 while the program works on DOS bytes.
#pragma once

#include <cstddef>

#include "platform/codepage_tables.h"

namespace kor2 {

namespace detail {

// A string literal passed as a template argument.
template <std::size_t N>
struct Utf8Literal {
    char text[N]{};
    consteval Utf8Literal(const char (&s)[N]) {
        for (std::size_t i = 0; i < N; ++i) text[i] = s[i];
    }
};

consteval unsigned char OemByteFor(char32_t cp) {
    if (cp < 0x80) return static_cast<unsigned char>(cp);
    for (int i = 0; i < 128; ++i)
        if (Cp850High[i] == cp) return static_cast<unsigned char>(0x80 + i);
    throw "character has no code page 850 form";  // makes the literal ill-formed
}

template <std::size_t N>
struct OemBytes {
    char text[N]{};  // at most as many bytes as the UTF-8 form, NUL-terminated
};

template <std::size_t N>
consteval OemBytes<N> Utf8ToOem(const Utf8Literal<N>& in) {
    OemBytes<N> out{};
    std::size_t o = 0;
    for (std::size_t i = 0; i + 1 < N;) {
        const auto b = static_cast<unsigned char>(in.text[i]);
        char32_t cp = 0;
        int extra = 0;
        if (b < 0x80) { cp = b; }
        else if ((b & 0xE0) == 0xC0) { cp = b & 0x1F; extra = 1; }
        else if ((b & 0xF0) == 0xE0) { cp = b & 0x0F; extra = 2; }
        else if ((b & 0xF8) == 0xF0) { cp = b & 0x07; extra = 3; }
        else throw "invalid UTF-8 in literal";
        ++i;
        for (int k = 0; k < extra; ++k, ++i) {
            if (i + 1 >= N) throw "truncated UTF-8 in literal";
            const auto c = static_cast<unsigned char>(in.text[i]);
            if ((c & 0xC0) != 0x80) throw "invalid UTF-8 in literal";
            cp = (cp << 6) | (c & 0x3F);
        }
        out.text[o++] = static_cast<char>(OemByteFor(cp));
    }
    out.text[o] = '\0';
    return out;
}

template <Utf8Literal S>
struct OemLiteral {
    static constexpr auto value = Utf8ToOem(S);
};

}  // namespace detail

// "Überkrit."_oem is a NUL-terminated code page 850 text with static storage.
template <detail::Utf8Literal S>
constexpr const char* operator""_oem() {
    return detail::OemLiteral<S>::value.text;
}

}  // namespace kor2
