// Line readers and writers on SharedTextFile: one value per line, in the
// formats every file of the program uses (spring, configuration and state
// files, message descriptions, reports), and the header block of spring
// files. Every input/output failure sets AbortFlag; nothing clears it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/real48.h"
#include "platform/types.h"

namespace kor2 {

// ---- Readers: each reads exactly one line --------------------------------------
void ReadLineL(std::string& s);
// Fields before the first, second, third and fourth "|"; a missing separator
// leaves that field and the following ones empty.
void ReadFields4(std::string& a, std::string& b, std::string& c, std::string& d);
void ReadCharLine(char& c);  // first character; an empty line gives ' '
void ReadIntLine(int32_t& i);
void ReadLongLine(int32_t& i);
void ReadWordLine(uint16_t& w);
void ReadExtLine(Extended& x);  // "," read as "."; unparsable gives 0
void ReadRealLine(Real48& r);
void ReadTrueLine(bool& b);   // "TRUE" in any case is true; unchanged after a failed read
void ReadFalseLine(bool& b);  // anything but "FALSE" is true; unchanged after a failed read

// ---- Writers: each writes one line unless said otherwise ------------------------
void WriteLineL(std::string_view s);
void WriteLineS(std::string_view s);
void WriteIntLine(int32_t i);
void WriteExtLine(Extended x);
void WriteByteLine(bool b);  // "TRUE" or "FALSE"
void WriteFields4(std::string_view a, std::string_view b, std::string_view c, std::string_view d);
void WriteFields6(std::string_view a, std::string_view b, std::string_view c, std::string_view d,
                  std::string_view e, std::string_view f);
void WriteFields8(std::string_view a, std::string_view b, std::string_view c, std::string_view d,
                  std::string_view e, std::string_view f, std::string_view g, std::string_view h);
void WriteTextNoEol(std::string_view s);
// The rule of 65 "-", MainTitle, "Version " + ProgramVersion, the rule again
// and the three ReportTitleLines.
void WriteFileHeader();

// The text WriteExtLine writes for x; PrecisionOption does not change it.
std::string ExtLineText(Extended x);

}  // namespace kor2
