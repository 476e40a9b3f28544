// The calculation-message window and the message description file: choice
// list of ErrorList, lookups of cause and remedy (also for reports), and
// the saving of edited descriptions through a work copy in the run's temporary folder.
#include "common/errdesc.h"

#include <algorithm>

#include "common/dialogs.h"
#include "common/fileio.h"
#include "common/fileops.h"
#include "common/filepath.h"
#include "common/globals.h"
#include "common/helptext.h"
#include "common/inputdlg.h"
#include "common/msgbox.h"
#include "common/textfile.h"
#include "common/textutil.h"
#include "platform/hostfs.h"
#include "platform/oemtext.h"

namespace kor2 {

namespace {

constexpr const char* kNotDescribed = "keine Beschreibung dieser Fehlermeldung vorhanden.";

std::string EntryText(uint16_t n) {
    if (n < 1 || n > kErrorListSlots) return std::string();
    return ErrorList.slots[n].str();
}

// Reads f up to the key line of msg. True when found with a line after it:
// a key on the last line counts as not found.
bool SeekKey(TextFile& f, std::string_view msg, bool sharedReads) {
    std::string line;
    while (!f.Eof()) {
        if (sharedReads)
            ReadLineL(line);
        else
            f.ReadLine(line);
        if (AbortFlag && sharedReads) return false;
        if (ErrKeyMatches(line, msg)) return !f.Eof();
    }
    return false;
}

std::string OneLine(std::string_view text) {
    std::string s(text);
    std::size_t w = 0;
    for (std::size_t r = 0; r < s.size(); ++r) {
        if (s[r] == '\r' && r + 1 < s.size() && s[r + 1] == '\n') continue;
        s[w++] = (s[r] == '\r' || s[r] == '\n') ? ' ' : s[r];
    }
    s.resize(w);
    return s;
}

}  // namespace

std::string ErrDescriptionFileName() {
    return AddBackslash(PltFolder) + ProgramBaseName + ".err";
}

bool ErrKeyMatches(std::string_view line, std::string_view msg) {
    return line.substr(0, kErrKeyLength) == msg.substr(0, kErrKeyLength);
}

void ShowCalcMessages() {
    if (HasCmdLineSwitch("/NOGUI")) return;
    const int n = std::min<int>(ErrorList.count, kErrorListSlots);
    if (n == 0) {
        ShowInfo("Berechnung erfolgreich ohne Fehlermeldungen");
        return;
    }
    AbortFlag = false;
    for (int k = 1; k <= n; ++k) TextLines[k] = ErrorList.slots[k].str();
    TextLines[n + 1] = "Weiter/zurück..."_oem;
    uint16_t k = HelpLevel < 2 ? static_cast<uint16_t>(n + 1) : 1;
    for (;;) {
        SetHelpNumberDlg(1210);
        SelectFromList("Berechnungsmodul meldet Warnungen oder Fehler, siehe Ursache und Abhilfe.",
                       n + 1, k);
        if (AbortFlag || k == n + 1) return;
        ShowErrDescription(k);
        if (AbortFlag) return;
        ++k;
        if (k == n + 1) return;
    }
}

void ShowErrDescription(uint16_t n) {
    const std::string name = ErrDescriptionFileName();
    CheckFileReadable(name);
    if (AbortFlag) return;
    const std::string msg = EntryText(n);
    SharedTextFile.Assign(name);
    if (!SharedTextFile.Reset()) {
        AbortFlag = true;
        return;
    }
    if (!SeekKey(SharedTextFile, msg, true)) {
        if (!AbortFlag) ShowMessageCaption("Meldung", kNotDescribed);
        SharedTextFile.Close();
        return;
    }
    std::string cause, remedy;
    ReadLineL(cause);
    if (!AbortFlag) ReadLineL(remedy);
    SharedTextFile.Close();
    if (!AbortFlag) ShowErrWindow(msg, cause, remedy);
}

void LookupErrDescription(uint16_t n, std::string& text) {
    if (AbortFlag) return;
    const std::string name = ErrDescriptionFileName();
    TextFile f;
    f.Assign(name);
    if (!FileExistsIO(name) || !f.Reset()) {
        text.clear();
        return;
    }
    if (!SeekKey(f, EntryText(n), false)) {
        text = kNotDescribed;
        return;
    }
    f.ReadLine(text);
}

void LookupErrRemedy(uint16_t n, std::string& text) {
    const std::string name = ErrDescriptionFileName();
    TextFile f;
    f.Assign(name);
    text.clear();
    if (!FileExistsIO(name) || !f.Reset()) return;
    if (!SeekKey(f, EntryText(n), false)) return;
    std::string cause;
    f.ReadLine(cause);
    f.ReadLine(text);
}

void ShowErrWindow(std::string_view msg, std::string_view cause, std::string_view remedy) {
    Dialogs().ShowErrWindow(msg, cause, remedy);
}

void SaveErrDescription(std::string_view msg, std::string_view cause, std::string_view remedy) {
    // The file as spelt on disk: its work copy, named alike, replaces it.
    const std::string source = platform::ExistingName(ErrDescriptionFileName());
    const std::string temp = RunTempFolder() + source.substr(ExtractFilePathL(source).size());
    CheckFileReadable(source);
    if (AbortFlag) return;
    // The temporary folder is the file's own folder: the new text goes to the
    // file itself, which a text file replaces only once it is complete.
    const bool inPlace =
        UpperCaseStr(source) == UpperCaseStr(temp) || platform::SameFile(source, temp);
    const std::string work = inPlace ? source : temp;
    SharedTextFile.Assign(source);
    if (!SharedTextFile.Reset()) {
        AbortFlag = true;
        return;
    }
    TextFile copy;
    copy.Assign(work);
    RewriteFileMsg(copy);
    if (AbortFlag) {
        SharedTextFile.Close();
        return;
    }
    // Copy up to and including the key line.
    std::string line;
    bool found = false;
    while (!SharedTextFile.Eof() && !AbortFlag) {
        ReadLineL(line);
        copy.WriteLine(line);
        if (ErrKeyMatches(line, msg)) {
            found = !SharedTextFile.Eof();
            break;
        }
    }
    if (!found || AbortFlag) {
        if (!AbortFlag) ShowMessageOem(std::string(msg) + " not found.");
        copy.Discard();
        SharedTextFile.Close();
        return;
    }
    ReadLineL(line);
    copy.WriteLine(OneLine(cause));
    if (!AbortFlag) {
        ReadLineL(line);
        copy.WriteLine(OneLine(remedy));
    }
    do {
        ReadLineL(line);
        copy.WriteLine(line);
    } while (!SharedTextFile.Eof() && !AbortFlag);
    SharedTextFile.Close();
    if (AbortFlag) {
        copy.Discard();
        return;
    }
    CloseFileMsg(copy);
    if (AbortFlag || inPlace) return;
    // The work copy replaces the description file in one step.
    if (!CopyFileFmx(work, AddBackslash(ExtractFilePathL(source))))
        ShowErrorIfEnabled(FileErrorText(RewriteErrorText(ioAccessDenied), source));
}

bool ErrWindowOk(bool modified, std::string_view msg, std::string_view cause,
                 std::string_view remedy) {
    if (!modified) return true;
    AbortFlag = false;  // another try after a failed save starts afresh
    if (!MessageBoxYesNo("Save Changes ?")) return true;
    SaveErrDescription(msg, cause, remedy);
    return !AbortFlag;
}

}  // namespace kor2
