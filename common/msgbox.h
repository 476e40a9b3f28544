// Message boxes with fixed captions by type, the yes/no/cancel question,
// German messages for failed file steps, the checks that a file can be
// read or created, the overwrite question and the file and folder dialogs.
// Every refusal or failed step sets AbortFlag. Texts in code page 850.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/globals.h"
#include "common/textfile.h"

namespace kor2 {

// Message types of ShowMessageType.
inline constexpr int kMsgInfo = 0;
inline constexpr int kMsgHelp = 3;
inline constexpr int kMsgWarning = 11;
inline constexpr int kMsgError = 12;

std::string MessageCaption(int type);  // "Fehler : ", "Hilfe" or "Meldung:"
void ShowMessageType(std::string_view text, int type);
void ShowErrorMessage(std::string_view text);
void ShowWarningMessage(std::string_view text);
void ShowInfo(std::string_view text);
void ShowErrorIfEnabled(std::string_view text);
void ShowMessageCaption(std::string_view caption, std::string_view text);
void ShowMessageOem(std::string_view text);
void LogMessage(std::string_view text);
// Yes, No, Cancel under MainTitle; Cancel sets AbortFlag; true only for Yes.
bool MessageBoxYesNo(std::string_view text);
bool MessageBoxYesNoL(std::string_view text);

// File steps on a text file.
void CheckIOError(TextFile& f, std::string_view s);
void CloseFileMsg(TextFile& f);
void RewriteFileMsg(TextFile& f);
// Opens f for writing, asking Retry or Cancel after each failure; Cancel
// sets AbortFlag. Without a display the first failure cancels.
void RewriteRetry(TextFile& f);
// The texts shown for an input/output result.
std::string IoErrorText(int code);       // CheckIOError
std::string CloseErrorText(int code);    // CloseFileMsg
std::string RewriteErrorText(int code);  // RewriteFileMsg
std::string RetryErrorText(int code);    // RewriteRetry
// text + ": " + name as the host writes it (text alone for an unnamed file):
// what went wrong with which file.
std::string FileErrorText(std::string_view text, std::string_view name);
// "Datei <name> kann nicht geschrieben werden", the name as the host writes it.
std::string CannotWriteText(std::string_view name);

// A host file name (UTF-8) that the program's code page cannot hold is
// refused before anything is read or written under it: the error message
// names it as the host has it (the text in UTF-8) and AbortFlag is set.
std::string UnsupportedNameText(std::string_view hostName);
void RefuseHostName(std::string_view hostName);

// Tests that name can be created; an existing file is left as it is.
void CreateTextFileChecked(std::string_view name);
void CheckFileReadable(std::string_view name);
// Asks before an existing file is replaced (not for names with "aktuell")
// and tests that the name can be written. The existing file stays until
// the caller's writer has the complete new text. chosen is the name a save
// dialog returned: when that dialog asks itself before it returns an
// existing file (SaveAsksBeforeReplacing) and name is that very name, the
// question is not asked again.
void ConfirmOverwrite(std::string_view name, std::string_view chosen = {});

// The current spring file is DataFolder + DataFileName + "." + DataFileExt:
// DataFileName holds the bare name, without folder and extension. Only
// while CmdLineFileGiven is set does it hold the name given on the command
// line with its folder (the extension dropped); the first save ends that.

// Every name of a data file is formed here. A data file's name is its file
// name without folder and without the extension "." + DataFileExt (any
// case); other dots belong to the name ("d1.6" is the file "d1.6.kr2").
std::string DataFileBareName(std::string_view file);
// The folder of a file as DataFolder holds it: without its final "\", but
// a root folder ("\", "C:\") keeps it; a name without folder gives "".
std::string DataFolderOf(std::string_view file);
// The file name of the data file called name: name + "." + DataFileExt,
// also when the name itself ends in that extension ("x.kr2" is the file
// "x.kr2.kr2").
std::string DataFileWithExt(std::string_view name);
// The full name of the data file called name: with the extension, in
// DataFolder unless it brings its folder.
std::string DataFileFullName(std::string_view name);
// A complete file name (ending in the extension) with its folder, or in
// DataFolder when it has none; else the full name of the data file called
// nameOrFile. For callers that get either.
std::string DataFileFullNameOf(std::string_view nameOrFile);
// The current data file's name, kept to be put back after a step that may
// change it (a save that failed, a report file asked for in the save dialog).
struct DataFileNaming {
    std::string folder = DataFolder, name = DataFileName;
    bool cmdLine = CmdLineFileGiven;
    void Restore() const;
};

// The full name under which a data file is saved. Asked for a name, it
// makes that name current (DataFolder, DataFileName) only when the user
// chose one and replacing is allowed; otherwise they stay as they were.
void SaveDataFileAs(std::string name, std::string& fullName);
void OpenFileDialogFilter(uint16_t mode, std::string& dir, std::string_view mask,
                          std::string& name);
void OpenFileDialogSimple(std::string_view current, std::string_view mask, std::string& chosen);
void SelectDirectory(std::string_view startDir, std::string& dir);

}  // namespace kor2
