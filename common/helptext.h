// Help texts: numbered entries of up to five lines in the help files under
// PltFolder, shown in a message box and, with their HP-GL picture, in the
// graphics window. The dialogs' help buttons show the entry HelpNumber.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kor2 {

// The entry the dialogs' help buttons show; 0 at program start.
inline uint16_t HelpNumber = 0;

void SetHelpNumber(uint16_t n);
void SetHelpNumberDlg(uint16_t n);

// Help file of entry n: "quorvex.hlp" below 4000, else ProgramBaseName in
// lower case + ".hlp", both in PltFolder.
std::string HelpFileName(uint16_t n);
std::string HelpNotFoundText(uint16_t n);
// Number of the first four characters (-1 when they are no number) and the
// picture name after the first ":" ("NULL" when there is none).
void ParseHelpLine(std::string_view line, int32_t& number, std::string& picture);

// One looked-up entry: lines[1..5] in code page 850 and the picture name.
struct HelpEntry {
    std::array<std::string, 6> lines{};
    std::string picture = "null";
};
// The lookup of entry n (0 stands for HelpNumber); clears AbortFlag as the
// help display does, except when the next entry ends the lines early.
HelpEntry LookupHelpEntry(uint16_t n);

// Mode 1 the text in a message box, 2 the picture, 0 both. Mode 2 for an
// entry without a picture, or with its file missing, says so in a message
// box and leaves the graphics window as it was.
void ShowHelpText(uint16_t n, uint16_t mode);
// The five lines converted for Windows and joined by single blanks.
void ShowHelpTextAlt(uint16_t n, std::string& text);
void ShowHelp(uint16_t n, std::string& text);
// Called by SelectFromList after each choice; does nothing.
void HelpAfterDialog();

}  // namespace kor2
