// Message descriptions and the calculation-message window: the choice list
// of a calculation's messages, the lookup of cause and remedy in the
// description file ProgramBaseName + ".err" in PltFolder (groups of key,
// cause and remedy lines, keys matched on their first 14 characters) and
// the saving of edited descriptions. Texts in code page 850.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kor2 {

inline constexpr std::size_t kErrKeyLength = 14;

// The choice list of the collected messages, each with its description.
void ShowCalcMessages();
// Looks entry n of ErrorList up and shows it with ShowErrWindow.
void ShowErrDescription(uint16_t n);
// The cause line of entry n ("keine Beschreibung ..." when not described,
// empty without a file); nothing while AbortFlag is set.
void LookupErrDescription(uint16_t n, std::string& text);
// The remedy line of entry n; empty without a file or description.
void LookupErrRemedy(uint16_t n, std::string& text);
void ShowErrWindow(std::string_view msg, std::string_view cause, std::string_view remedy);
// Replaces cause and remedy of msg's group. The file is replaced only by a
// complete new copy; on any failure it stays as it was.
void SaveErrDescription(std::string_view msg, std::string_view cause, std::string_view remedy);

// The OK button of the description window: when the texts were modified and
// the user answers Yes to "Save Changes ?", the new cause and remedy are
// saved (line breaks in them become blanks: the file keeps one line each).
// False when that save failed: the window then stays open with the edit,
// and OK tries again.
bool ErrWindowOk(bool modified, std::string_view msg, std::string_view cause,
                 std::string_view remedy);

// Whether a line of the file is the key of message msg.
bool ErrKeyMatches(std::string_view line, std::string_view msg);
std::string ErrDescriptionFileName();

}  // namespace kor2
