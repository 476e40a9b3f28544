// Message boxes, file checks and file dialogs, written once over the active
// dialog backend. Called by every command that tells the user something,
// asks before overwriting or asks for a file.
#include "common/msgbox.h"

#include "common/dialogs.h"
#include "common/fileops.h"
#include "common/filepath.h"
#include "common/globals.h"
#include "common/helptext.h"
#include "common/inputdlg.h"
#include "common/textutil.h"
#include "platform/codepage.h"
#include "platform/hostfs.h"
#include "platform/oemtext.h"
#include "platform/progfiles.h"

namespace kor2 {

std::string MessageCaption(int type) {
    if (type == kMsgError) return "Fehler : ";
    if (type == kMsgHelp) return "Hilfe";
    return "Meldung:";
}

void ShowMessageType(std::string_view text, int type) {
    Dialogs().Message(MsgStyle::Typed, MessageCaption(type), text);
}

void ShowErrorMessage(std::string_view text) {
    ShowMessageType(text, kMsgError);
}

void ShowWarningMessage(std::string_view text) {
    ShowMessageType(text, kMsgWarning);
}

void ShowInfo(std::string_view text) {
    ShowMessageType(text, kMsgInfo);
}

void ShowErrorIfEnabled(std::string_view text) {
    if (MessageBoxesEnabled) ShowMessageType(text, kMsgError);
}

void ShowMessageCaption(std::string_view caption, std::string_view text) {
    Dialogs().Message(MsgStyle::Application, caption, text);
}

void ShowMessageOem(std::string_view text) {
    Dialogs().Message(MsgStyle::Plain, "", text);
}

void LogMessage(std::string_view) {}

bool MessageBoxYesNo(std::string_view text) {
    const YesNoCancel r = Dialogs().AskYesNoCancel(MainTitle.str(), text);
    if (r == YesNoCancel::Cancel) AbortFlag = true;
    return r == YesNoCancel::Yes;
}

bool MessageBoxYesNoL(std::string_view text) {
    return MessageBoxYesNo(text);
}

std::string IoErrorText(int code) {
    switch (code) {
        case ioReadError:
            return "Lesefehler";
        case ioDiskFull:
            return "Diskette/Platte voll";
        case 106:
            return "Falsches numerisches Format";
        default:
            return "Fehler bei Zugriff auf Diskette/Platte";
    }
}

std::string CannotWriteText(std::string_view name) {
    return "Datei " + platform::DisplayPath(name) + " kann nicht geschrieben werden";
}

std::string CloseErrorText(int code) {
    return code == ioDiskFull ? "Diskette/Platte voll" : "Fehler beim Schließen einer Datei"_oem;
}

std::string RewriteErrorText(int code) {
    return code == ioDiskFull ? "Diskette/Platte voll" : "file write error";
}

std::string RetryErrorText(int code) {
    if (code == ioWriteProtected) return "Schreibschutz entfernen !";
    if (code == 152) return "Programmdiskette einlegen !";
    return "I/O-Error " + std::to_string(code);
}

std::string FileErrorText(std::string_view text, std::string_view name) {
    if (name.empty()) return std::string(text);
    return std::string(text) + ": " + platform::DisplayPath(name);
}

namespace {

// After a step on f: a failure shows the text for its result, naming the
// file, and sets AbortFlag.
void ReportFileStep(TextFile& f, std::string (*text)(int)) {
    if (const int code = f.IOResult(); code != ioOk) {
        const std::string& why = f.FailureDetail();
        ShowErrorIfEnabled(FileErrorText(text(code), f.Name()) +
                           (why.empty() ? "" : " (" + why + ")"));
        AbortFlag = true;
    }
}

}  // namespace

void CheckIOError(TextFile& f, std::string_view s) {
    if (AbortFlag) return;
    f.WriteLine(s);
    ReportFileStep(f, IoErrorText);
}

void CloseFileMsg(TextFile& f) {
    f.Close();
    ReportFileStep(f, CloseErrorText);
}

void RewriteFileMsg(TextFile& f) {
    f.Rewrite();
    ReportFileStep(f, RewriteErrorText);
}

void RewriteRetry(TextFile& f) {
    while (!f.Rewrite()) {
        const int code = f.IOResult();
        // The text names the file: a retry is only of use to a user who knows which.
        const std::string text = RetryErrorText(code) + "  " + platform::DisplayPath(f.Name());
        if (!MessageBoxesEnabled || !Dialogs().AskRetry(MessageCaption(kMsgError), text)) {
            AbortFlag = true;
            return;
        }
    }
}

namespace {

// The outcome of a write test of name (ioOk when it can be written),
// without changing an existing file.
int CreateProbe(std::string_view name) {
    TextFile probe;
    probe.Assign(name);
    if (!probe.Rewrite()) return probe.IOResult();
    probe.Discard();
    return ioOk;
}

// Why the write test of name failed with code, for the user.
std::string CannotWriteReason(std::string_view name, int code) {
    const std::string folder = platform::DisplayPath(RemoveBackslash(ExtractFilePathL(name)));
    switch (code) {
        case ioDiskFull:
            return "Diskette/Platte voll";
        case ioWriteProtected:
            return "der Datenträger ist schreibgeschützt"_oem;
        case ioFileNotFound:
        case ioPathNotFound:
            return "der Ordner " + folder + " fehlt";
        default:
            if (platform::DirectoryExists(name)) return "ein Ordner trägt diesen Namen"_oem;
            if (platform::FileExists(name)) return "kein Schreibrecht für diese Datei"_oem;
            return "kein Schreibrecht im Ordner " + folder;
    }
}

// Shows why name cannot be written and sets AbortFlag; false when it can.
bool RefuseUnwritable(std::string_view name) {
    const int code = CreateProbe(name);
    if (code == ioOk) return false;
    ShowErrorIfEnabled(CannotWriteText(name) + ": " + CannotWriteReason(name, code) + " !");
    AbortFlag = true;
    return true;
}

}  // namespace

std::string UnsupportedNameText(std::string_view hostName) {
    return "Der Dateiname \"" + std::string(hostName) +
           "\" enthält Zeichen, die das Programm nicht darstellen kann.";
}

void RefuseHostName(std::string_view hostName) {
    Dialogs().MessageHostText(MsgStyle::Typed, MessageCaption(kMsgError),
                              UnsupportedNameText(hostName));
    AbortFlag = true;
}

void CreateTextFileChecked(std::string_view name) {
    RefuseUnwritable(name);
}

void CheckFileReadable(std::string_view name) {
    if (FileExistsIO(name)) return;
    ShowErrorIfEnabled("Datei " + platform::DisplayPath(TrimBlanks(name)) + " " +
                       "nicht gefunden oder kein Zugriffsrecht" + " !");
    AbortFlag = true;
}

void ConfirmOverwrite(std::string_view name, std::string_view chosen) {
    const bool dialogAsked =
        !chosen.empty() && name == chosen && Dialogs().SaveAsksBeforeReplacing();
    // The name itself, in its spelling: a file that differs only in case is
    // not the one written, a link there is the one the write replaces.
    const platform::EntryKind kind = platform::EntryKindOf(name, platform::Lookup::Write);
    const bool exists = kind == platform::EntryKind::File || kind == platform::EntryKind::Link;
    if (!dialogAsked && exists && name.find("aktuell") == std::string_view::npos) {
        SetHelpNumber(3055);
        const std::string question =
            platform::DisplayPath(name) + " existiert bereits.   " + "überschreiben"_oem + " ?";
        if (!MessageBoxYesNo(question)) AbortFlag = true;
    }
    if (!AbortFlag) RefuseUnwritable(name);
}

namespace {

// The part of a path text after its folder ("\", "/") and drive (":").
std::string_view NameWithoutFolder(std::string_view path) {
    return path.substr(ExtractFilePathL(path).size());
}

// Whether name ends in the data files' extension (after at least one character).
bool HasDataFileExt(std::string_view name) {
    const std::string ext = "." + DataFileExt.str();
    return name.size() > ext.size() &&
           UpperCaseStr(name.substr(name.size() - ext.size())) == UpperCaseStr(ext);
}

}  // namespace

std::string DataFileBareName(std::string_view file) {
    const std::string_view name = NameWithoutFolder(file);
    if (!HasDataFileExt(name)) return std::string(name);
    return std::string(name.substr(0, name.size() - DataFileExt.str().size() - 1));
}

std::string DataFolderOf(std::string_view file) {
    const std::string folder = ExtractFilePathL(file);
    if (folder.empty() || folder == "\\" || folder == "/" || folder.back() == ':' ||
        (folder.size() == 3 && folder[1] == ':'))
        return folder;
    return RemoveBackslash(folder);
}

void DataFileNaming::Restore() const {
    DataFolder = folder;
    DataFileName = name;
    CmdLineFileGiven = cmdLine;
}

std::string DataFileWithExt(std::string_view name) {
    return std::string(name) + "." + DataFileExt.str();
}

std::string DataFileFullName(std::string_view name) {
    if (NameWithoutFolder(name).size() != name.size()) return DataFileWithExt(name);
    return AddBackslash(DataFolder) + DataFileWithExt(name);
}

std::string DataFileFullNameOf(std::string_view nameOrFile) {
    if (!HasDataFileExt(NameWithoutFolder(nameOrFile))) return DataFileFullName(nameOrFile);
    if (NameWithoutFolder(nameOrFile).size() != nameOrFile.size()) return std::string(nameOrFile);
    return AddBackslash(DataFolder) + std::string(nameOrFile);
}

void SaveDataFileAs(std::string name, std::string& fullName) {
    if (CmdLineFileGiven) {
        // From now on the spring is named as any other: its folder is in
        // DataFolder already.
        CmdLineFileGiven = false;
        DataFileName = std::string(NameWithoutFolder(DataFileName));
    }
    const std::string ext = DataFileExt.str();
    if (name.empty()) {
        const std::string mask = "*." + ext;
        const auto chosen =
            Dialogs().SaveFile(RemoveBackslash(AddBackslash(DataFolder)), mask + "|" + mask);
        SetArrowCursorDlg();
        if (!chosen) {
            fullName = DataFileFullName("");
            AbortFlag = true;
            return;  // nothing chosen: no question about a name
        }
        // The chosen folder and name become current only once replacing
        // is allowed: a refused name leaves the spring where it was.
        const std::string folder = ExtractFilePathL(*chosen);
        name = DataFileBareName(*chosen);
        fullName = AddBackslash(folder) + DataFileWithExt(name);
        ConfirmOverwrite(fullName, *chosen);
        if (AbortFlag) return;
        DataFolder = folder;
        DataFileName = name;
        return;
    }
    fullName = DataFileFullNameOf(name);
    ConfirmOverwrite(fullName);
}

void OpenFileDialogFilter(uint16_t mode, std::string& dir, std::string_view mask,
                          std::string& name) {
    const std::string m(mask);
    const auto chosen = Dialogs().OpenFile(RemoveBackslash(dir), m + "|" + m);
    if (!chosen) {
        name.clear();
        AbortFlag = true;
        return;
    }
    dir = ExtractFilePathL(*chosen);
    name = mode == 5 ? *chosen : ExtractFileBaseName(*chosen);
    if (mode == 4) {
        const std::string file = chosen->substr(dir.size());
        const std::size_t dot = file.rfind('.');
        DataFileExt = dot == std::string::npos ? std::string() : file.substr(dot + 1, 3);
    }
}

void OpenFileDialogSimple(std::string_view current, std::string_view mask, std::string& chosen) {
    const std::string m(mask);
    const std::string folder = RemoveBackslash(ExtractFilePathL(TrimBlanks(current)));
    const auto picked = Dialogs().OpenFile(folder, m + "|" + m);
    if (picked) {
        chosen = *picked;
    } else {
        chosen = std::string(current);
        AbortFlag = true;
    }
}

void SelectDirectory(std::string_view startDir, std::string& dir) {
    SetHourglassCursorDlg();
    const auto chosen = Dialogs().ChooseFolder(DirExists(startDir) ? startDir : "");
    if (chosen) {
        dir = *chosen;
    } else {
        dir = std::string(startDir);
        AbortFlag = false;
    }
    SetArrowCursorDlg();
}

}  // namespace kor2
