// Delimited text import and export of the current work area's table (one record
// a line, "," between columns, texts in double quotes) and the start and end of
// the xBase layer. Called by the data-set layer and the table browser.
#pragma once

#include <cstddef>
#include <string>

#include "tables/base/progress.h"

namespace kor2 {

constexpr char DelimSeparator = ',';
constexpr char DelimQuote = '"';
constexpr const char* DelimDefaultExt = "TXT";
constexpr char DelimEndOfFile = 0x1A;  // written after the last line
// Longest line kept on import; the rest of a longer line is dropped. Far
// above any line an export writes (255 fields of 255 characters).
constexpr size_t DelimMaxLine = 1 << 20;

// Writes every visible record of the current area, from its first in its
// current order, without (or with) a line of field names. False after an
// error (reported through SetEngineError) and for a virtual table, for which
// nothing is written.
bool ExportText(const std::string& fileName);
bool WriteDelimitedFile(const std::string& fileName, bool withHeader);
// Appends one record per non-empty line. False when the file cannot be
// opened or read, or an append fails; the records appended so far stay. A
// file holding a byte no text file holds (NUL and most other control
// characters) is refused with error 13 before a record is appended.
bool ImportText(const std::string& fileName, bool showProgress);
// Memo and other fields than C, D, F, L and N have no column.
bool HasDelimColumn(char type);
// The next column of a line from pos; pos moves past its separator.
std::string TakeDelimitedColumn(const std::string& line, size_t& pos);

// Start of the xBase layer: no work areas, no memo layer, tables opened
// shared (66). The end closes the engine's areas 34 and 35, then all others.
inline bool XBaseLayerStarted = false;
void StartXBaseLayer();
void EndXBaseLayer();

}  // namespace kor2
