// The spring data file ("kr2"): the writer of the current spring and its
// reader, one value per line in one fixed order after the file header.
// Called by the shell's open, save and save-as commands and before a
// spreadsheet export; the reader also by the command-line start.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kor2 {

// Writes the current spring and the shell's drawing information. An empty
// name asks for one first (SaveDataFileAs). The old file is replaced only
// when the whole file was written; a failure sets AbortFlag.
void WriteSpringFile(std::string name);

// Reads a spring file into the current spring, takes its material record
// (LoadSpringFileMaterial) and runs the full check; a message of the material
// table follows the check's messages. name is the full file name. The whole
// file is checked first: a file that is not a spring file, or whose layout is
// damaged, is refused with a message and AbortFlag, and nothing changes. A
// file of an older version that ends before the values of version 2.0 or 3.0,
// or within the last values, is read as far as it goes; what it lacks follows
// from what it stores (Dm given, the second eye as the first, minus
// tolerances from the plus ones), else the start-up default. A number line
// that holds no number reads as 0, and a message names the file, its lines
// and the values the calculation uses for them; the error list keeps "Warnung: Zeile n keine Zahl".
// True when the file was taken.
bool ReadSpringFile(std::string_view name);

// A number line of the file that held no number: its line number and the
// current value of what it was read into.
struct NotNumberLine {
    std::size_t line;
    std::function<std::string()> valueUsed;
};

// ReadSpringFile without the material record and the full check. A number
// line that holds no number reads as 0; notNumbers receives such lines
// (ReadSpringFile names them to the user with the values the check used).
bool ReadSpringFileValues(std::string_view name);
bool ReadSpringFileValues(std::string_view name, std::vector<NotNumberLine>& notNumbers);

}  // namespace kor2
