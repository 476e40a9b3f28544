// Front ends of the standard input dialogs over the active dialog backend,
// and the bounded number inputs built on the text dialog. Called wherever
// the program asks the user outside its own input forms.
#include "common/inputdlg.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

#include "common/dialogs.h"
#include "common/globals.h"
#include "common/helptext.h"
#include "common/msgbox.h"
#include "common/numfmt.h"
#include "graphics/window/graphwin.h"
#include "platform/hostfs.h"
#include "platform/oemtext.h"
#include "platform/sysclock.h"

namespace kor2 {

void SelectFromList(std::string_view title, int32_t count, uint16_t& sel) {
    const int32_t n = std::clamp<int32_t>(count, 0, kTextLineCount);
    if (sel > count || sel < 1) sel = 1;
    std::vector<std::string> items;
    for (int32_t k = 1; k <= n; ++k) items.push_back(TextLines[k].str());
    const int choice = Dialogs().ChooseFromList(title, items, sel, count >= 8);
    if (!AbortFlag && choice >= 1 && choice <= 0xFFFF) sel = static_cast<uint16_t>(choice);
    HelpAfterDialog();
}

void AskYesNoDialog(std::string_view question, char& answer) {
    const bool nein = answer == 'N' || answer == 'n';
    const char r = Dialogs().AskJaNein(question, nein);
    if (!AbortFlag) answer = r == 'N' ? 'N' : 'J';
}

void AskYesNo(std::string_view question, bool& flag) {
    char answer = flag ? 'J' : 'N';
    AskYesNoDialog(question, answer);
    if (!AbortFlag) flag = answer != 'N';
}

void InputTextDialog(std::string_view prompt, int32_t maxLength, std::string& text) {
    std::string edited = Dialogs().EditText(prompt, maxLength, text);
    if (!AbortFlag) text = std::move(edited);
}

void InputText(std::string_view prompt, int32_t maxLength, std::string& text) {
    InputTextDialog(prompt, maxLength, text);
}

bool ParseTypedFloat(std::string_view text, Extended& value) {
    std::string s(text);
    std::replace(s.begin(), s.end(), ',', '.');
    std::size_t i = s.find_first_not_of(' ');
    if (i == std::string::npos) return false;
    bool negative = false;
    if (s[i] == '+' || s[i] == '-') negative = s[i++] == '-';
    // digits [. digits] [e [sign] digits], at least one mantissa digit
    std::size_t j = i, mantissaDigits = 0;
    while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) ++j, ++mantissaDigits;
    if (j < s.size() && s[j] == '.') {
        ++j;
        while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j])))
            ++j, ++mantissaDigits;
    }
    if (mantissaDigits == 0) return false;
    if (j < s.size() && (s[j] == 'e' || s[j] == 'E')) {
        ++j;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        const std::size_t expStart = j;
        while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) ++j;
        if (j == expStart) return false;
    }
    if (j != s.size()) return false;
    long double v = 0;
    const auto r = std::from_chars(s.data() + i, s.data() + j, v);
    if (r.ec != std::errc() || r.ptr != s.data() + j || !std::isfinite(v)) return false;
    value = negative ? -v : v;
    return true;
}

bool ParseTypedInt(std::string_view text, int64_t& value) {
    std::size_t i = text.find_first_not_of(' ');
    if (i == std::string_view::npos) return false;
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') negative = text[i++] == '-';
    if (i == text.size() || text.size() - i > 18) return false;
    int64_t v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v = v * 10 + (text[i] - '0');
    }
    value = negative ? -v : v;
    return true;
}

namespace {

void InvalidInput(const std::string& text) {
    Dialogs().Beep();
    ShowErrorMessage("Ungültige Eingabe \""_oem + text + "\" !");
}

void OutOfRange(const std::string& min, const std::string& max) {
    Dialogs().Beep();
    ShowErrorMessage("Gültiger Wertebereich: "_oem + min + " .. " + max + " !");
}

// The float loop: an unchanged text keeps the exact value shown.
bool AskFloat(std::string_view prompt, Extended& v, Extended min, Extended max) {
    bool invalid = false;
    do {
        invalid = false;
        const std::string shown = FloatToStr3(v);
        std::string text = shown;
        InputText(prompt, 30, text);
        if (AbortFlag) return false;
        if (text != shown) {
            Extended parsed = 0;
            if (ParseTypedFloat(text, parsed)) {
                v = parsed;
            } else {
                InvalidInput(text);
                invalid = true;
            }
        }
        if (v < min || (v > max && !invalid)) OutOfRange(FloatToStr3(min), FloatToStr3(max));
    } while (v < min || v > max || invalid);
    return true;
}

bool AskInteger(std::string_view prompt, int64_t& v, int64_t min, int64_t max) {
    if (min > max) std::swap(min, max);
    bool invalid = false;
    do {
        invalid = false;
        std::string text = std::to_string(v);
        InputText(prompt, 12, text);
        if (AbortFlag) return false;
        int64_t parsed = 0;
        if (ParseTypedInt(text, parsed)) {
            v = parsed;
        } else {
            InvalidInput(text);
            invalid = true;
        }
        if (v < min || (v > max && !invalid)) OutOfRange(std::to_string(min), std::to_string(max));
    } while (v < min || v > max || invalid);
    return true;
}

}  // namespace

void InputExtChecked(std::string_view prompt, Extended& value, Extended min, Extended max) {
    Extended v = value;
    if (AskFloat(prompt, v, min, max)) value = v;
}

void InputRealChecked(std::string_view prompt, Real48& value, Real48 min, Real48 max) {
    Extended v = value.ToExtended();
    if (AskFloat(prompt, v, min.ToExtended(), max.ToExtended())) value = Real48::FromExtended(v);
}

void InputIntChecked(std::string_view prompt, int32_t& value, int32_t min, int32_t max) {
    int64_t v = value;
    if (AskInteger(prompt, v, min, max)) value = static_cast<int32_t>(v);
}

void InputLongChecked(std::string_view prompt, int32_t& value, int32_t min, int32_t max) {
    InputIntChecked(prompt, value, min, max);
}

void InputWordChecked(std::string_view prompt, uint16_t& value, uint16_t min, uint16_t max) {
    int64_t v = value;
    if (AskInteger(prompt, v, min, max)) value = static_cast<uint16_t>(v);
}

void ShowInfoScreen() {
    std::vector<std::string> lines;
    for (int k = 1; k <= 22; ++k) lines.push_back(TextLines[k].str());
    Dialogs().ShowTextScreen(CaptionText, lines);
}

void SetHourglassCursorDlg() {
    SetHourglassCursor();
}

void SetArrowCursorDlg() {
    SetArrowCursor();
}

void RestoreCursor() {
    SetArrowCursorDlg();
}

void GetEnvVar(std::string_view name, std::string& value) {
    value = platform::GetEnv(name).value_or(std::string()).substr(0, 255);
}

void WindowsVersionText(std::string& text) {
    // The host system's release, major and minor number.
    const auto release = platform::ReadWholeFile("/proc/sys/kernel/osrelease");
    int64_t major = 0, minor = 0;
    if (release) {
        const std::string& r = *release;
        std::size_t i = 0;
        while (i < r.size() && std::isdigit(static_cast<unsigned char>(r[i])) && major < 100000)
            major = major * 10 + (r[i++] - '0');
        if (i < r.size() && r[i] == '.') ++i;
        while (i < r.size() && std::isdigit(static_cast<unsigned char>(r[i])) && minor < 100000)
            minor = minor * 10 + (r[i++] - '0');
    }
    text = std::to_string(major) + "." + std::to_string(minor);
}

void ToggleUnitSystem() {
    UnitSystem = UnitSystem == 1 ? 0 : 1;
}

}  // namespace kor2
