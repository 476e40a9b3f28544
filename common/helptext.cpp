// Help-text lookup in the numbered help files and its display in a message
// box and the graphics window. Called by the dialogs' help buttons, the
// message window and the settings forms (hints).
#include "common/helptext.h"

#include "common/dialogs.h"
#include "common/fileops.h"
#include "common/filepath.h"
#include "common/globals.h"
#include "common/textfile.h"
#include "common/textutil.h"
#include "graphics/window/graphwin.h"
#include "platform/progfiles.h"

namespace kor2 {

void SetHelpNumber(uint16_t n) {
    HelpNumber = n;
}

void SetHelpNumberDlg(uint16_t n) {
    HelpNumber = n;
}

void HelpAfterDialog() {}

std::string HelpFileName(uint16_t n) {
    std::string name = AddBackslash(PltFolder);
    if (n < 4000) return name + "quorvex.hlp";
    std::string base = ProgramBaseName;
    for (char& c : base)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return name + base + ".hlp";
}

std::string HelpNotFoundText(uint16_t n) {
    return "Hilfetext Nr " + std::to_string(n) + ": " + "keine Hilfe vorhanden" + ".";
}

void ParseHelpLine(std::string_view line, int32_t& number, std::string& picture) {
    // The first four characters as a decimal number: leading blanks, a sign
    // and digits up to the end of those four, nothing else.
    const std::string_view head = line.substr(0, 4);
    std::size_t i = 0;
    while (i < head.size() && head[i] == ' ') ++i;
    bool negative = false;
    if (i < head.size() && (head[i] == '+' || head[i] == '-')) negative = head[i++] == '-';
    int32_t value = 0;
    bool digits = i < head.size();
    for (; i < head.size(); ++i) {
        if (head[i] < '0' || head[i] > '9') {
            digits = false;
            break;
        }
        value = value * 10 + (head[i] - '0');
    }
    number = digits ? (negative ? -value : value) : -1;
    const std::size_t colon = line.find(':');
    picture =
        colon == std::string_view::npos ? std::string("NULL") : TrimBlanks(line.substr(colon + 1));
}

HelpEntry LookupHelpEntry(uint16_t n) {
    if (n == 0) n = HelpNumber;
    HelpEntry entry;
    TextFile file;
    file.Assign(HelpFileName(n));
    if (!file.Reset()) {
        entry.lines[1] =
            "Datei " + platform::DisplayPath(file.Name()) + " " + "nicht gefunden" + " !";
        AbortFlag = false;
        return entry;
    }
    std::string line, text, picture;
    int32_t number = -1;
    for (;;) {
        file.ReadLine(line);
        if (file.Eof()) {  // the last line is never examined
            entry.picture = "null";
            entry.lines[1] = HelpNotFoundText(n);
            AbortFlag = false;
            return entry;
        }
        ParseHelpLine(line, number, picture);
        entry.picture = picture;
        if (number >= 0)
            file.ReadLine(text);
        else
            text = line;
        if (file.Eof()) {
            entry.picture = "null";
            entry.lines[1] = HelpNotFoundText(n);
            AbortFlag = false;
            return entry;
        }
        if (number == n) break;
    }
    entry.lines[1] = text;
    for (int k = 2; k <= 5 && !file.Eof(); ++k) {
        file.ReadLine(line);
        int32_t next = -1;
        std::string unused;
        ParseHelpLine(line, next, unused);
        if (next >= 0 && next % 5 == 0) return entry;  // the next entry begins
        if (next < 0) {
            entry.lines[k] = line;
        } else {
            file.ReadLine(text);
            if (next == n + k - 1) entry.lines[k] = text;
        }
    }
    AbortFlag = false;
    return entry;
}

namespace {

std::string PictureFile(const std::string& picture) {
    return AddBackslash(PltFolder) + picture + ".plt";
}

// Clears the graphics window, sets the help picture's world window and draws
// the picture, when the entry names one.
void DrawHelpPicture(const std::string& picture) {
    GraphClear();
    GraphHeader(false, 0, 0, 160, 120);
    if (!picture.empty() && picture != "NULL") ShowHpglPicture(PictureFile(picture));
}

// The picture alone ("Hilfebild"): without a picture, or when its file is
// missing, a message says so and the graphics window keeps its drawing.
// "NULL" (no ":" on the number line) and "null" (no entry) name no picture.
void ShowHelpPicture(uint16_t n, const std::string& picture) {
    std::string problem;
    if (picture.empty() || UpperCaseStr(picture) == "NULL")
        problem = "Hilfetext Nr " + std::to_string(n) + ": " + "kein Hilfebild vorhanden" + ".";
    else if (!FileExistsIO(PictureFile(picture)))
        problem = "Datei " + picture + ".plt" + " " + "nicht gefunden" + " !";
    if (problem.empty())
        DrawHelpPicture(picture);
    else
        Dialogs().Message(MsgStyle::Application, "HILFEBILD Nr." + std::to_string(n), problem);
}

}  // namespace

void ShowHelpText(uint16_t n, uint16_t mode) {
    if (n == 0) n = HelpNumber;
    const HelpEntry entry = LookupHelpEntry(n);
    if (mode == 0 || mode == 1) {
        std::string text;
        for (int k = 1; k <= 5; ++k) text += entry.lines[k] + " ";
        Dialogs().Message(MsgStyle::Application, "HILFETEXT Nr." + std::to_string(n), text);
    }
    if (mode == 0) DrawHelpPicture(entry.picture);
    if (mode == 2) ShowHelpPicture(n, entry.picture);
}

void ShowHelpTextAlt(uint16_t n, std::string& text) {
    const HelpEntry entry = LookupHelpEntry(n);
    text.clear();
    for (int k = 1; k <= 5; ++k) {
        if (k > 1) text += ' ';
        text += OemToAnsi(entry.lines[k]);
    }
}

void ShowHelp(uint16_t n, std::string& text) {
    ShowHelpTextAlt(n, text);
}

}  // namespace kor2
