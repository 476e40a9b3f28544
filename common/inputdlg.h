// The standard input dialogs' front ends: choice from a list, yes/no, a
// line of text, bounded number inputs and the text screen, plus the screen
// cursor and a few small helpers. Texts in code page 850; a cancel sets
// AbortFlag and leaves the caller's variable unchanged.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/real48.h"
#include "platform/types.h"

namespace kor2 {

// Choice among TextLines 1..count; a list box from 8 entries on, radio
// buttons below. A preset outside 1..count becomes 1.
void SelectFromList(std::string_view title, int32_t count, uint16_t& sel);
void AskYesNoDialog(std::string_view question, char& answer);  // 'J' or 'N'
void AskYesNo(std::string_view question, bool& flag);
void InputTextDialog(std::string_view prompt, int32_t maxLength, std::string& text);
void InputText(std::string_view prompt, int32_t maxLength, std::string& text);

// Bounded number inputs: ask until the value lies in [min, max] or the user
// cancels. The integer forms exchange bounds given the wrong way round.
void InputExtChecked(std::string_view prompt, Extended& value, Extended min, Extended max);
void InputRealChecked(std::string_view prompt, Real48& value, Real48 min, Real48 max);
void InputIntChecked(std::string_view prompt, int32_t& value, int32_t min, int32_t max);
void InputLongChecked(std::string_view prompt, int32_t& value, int32_t min, int32_t max);
void InputWordChecked(std::string_view prompt, uint16_t& value, uint16_t min, uint16_t max);

// Parses a typed number: optional blanks in front, sign, digits with a "."
// or "," as decimal point, optional exponent. False for anything else.
bool ParseTypedFloat(std::string_view text, Extended& value);
// Optional blanks in front, sign and decimal digits within 64 bits.
bool ParseTypedInt(std::string_view text, int64_t& value);

// TextLines 1..22 in the text screen captioned CaptionText.
void ShowInfoScreen();

void SetHourglassCursorDlg();
void SetArrowCursorDlg();
void RestoreCursor();

void GetEnvVar(std::string_view name, std::string& value);
void WindowsVersionText(std::string& text);
void ToggleUnitSystem();

}  // namespace kor2
