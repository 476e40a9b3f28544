// Conversion between code page 850 (DOS, the program's texts), code page 1252
// (the Windows character set) and Unicode for the form layer.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kor2::platform {

// Counterparts of OemToCharBuffA / CharToOemBuffA: byte-for-byte, same length.
// Characters without an exact counterpart take the nearest look-alike
// (box-drawing lines become '+', '-', '|', other symbols '_' or similar).
void OemToCharBuff(const char* src, char* dst, std::size_t len);
void CharToOemBuff(const char* src, char* dst, std::size_t len);
std::string OemToChar(std::string_view s);  // OemToCharA
std::string CharToOem(std::string_view s);  // CharToOemA
unsigned char OemToCharByte(unsigned char c);
unsigned char CharToOemByte(unsigned char c);

// Code page 1252 <-> UTF-8 / UTF-16 at the Qt boundary. A Unicode character
// without a 1252 form becomes '?'.
std::string AnsiToUtf8(std::string_view s);
std::string Utf8ToAnsi(std::string_view s);
std::u16string AnsiToUtf16(std::string_view s);
std::string Utf16ToAnsi(std::u16string_view s);
// Code page 850 <-> UTF-8, for messages to the terminal and test output.
std::string OemToUtf8(std::string_view s);
std::string Utf8ToOem(std::string_view s);
// A letter written as an ASCII letter and a combining mark, as other systems
// store names, becomes the one composed character where Latin-1 has it
// (every accented letter of code page 850); the rest stays as it is.
std::string ComposeLatin1Marks(std::string_view utf8);

// CharUpperA / CharLowerA on code page 1252 text.
std::string AnsiUpper(std::string_view s);
std::string AnsiLower(std::string_view s);

}  // namespace kor2::platform
