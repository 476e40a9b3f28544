// String and number-text routines of the table engine (byte strings in the
// Windows character set unless noted). Used by the record conversions,
// search, locate and the data-set layer.
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"

namespace kor2 {

std::string UpperStr(const std::string& s);
char UpCaseChar(char c);
char LowCaseChar(char c);
bool IsAlpha(const std::string& s);
int Occurs(const std::string& sub, const std::string& s);
int NthPos(const std::string& sub, const std::string& s, int n);  // 1-based, 0 when none
std::string Replicate(char c, int n);
std::string TrimRightStr(const std::string& s);
std::string TrimLeftStr(const std::string& s);
std::string RTrimStr(const std::string& s);
std::string LTrimStr(const std::string& s);
std::string AllTrim(const std::string& s);
int32_t NumTextToInt(const std::string& s);
std::string CleanNumberText(const std::string& s);
Extended TextToReal(const std::string& s);
int32_t TextToIntPart(const std::string& s);
std::string RealToText(Extended x, int width, int decimals);  // point = DecimalSeparator
std::string IntToText(int64_t n, int width);
std::string IifStr(bool condition, const std::string& a, const std::string& b);
std::string PadRightStr(const std::string& s, int width);
// Position (0-based) of needle in buffer ignoring case, -1 when absent.
int64_t BufferPosNoCase(const char* needle, int64_t needleLen, const char* buffer, int64_t bufLen);

// Fixed-point text with '.' as the point, as stored in number fields.
std::string FormatStoredReal(Extended x, int width, int decimals);

}  // namespace kor2
