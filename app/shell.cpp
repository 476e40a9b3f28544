// The main window's commands without windows: start mode, open and save of
// the spring file, full check, error-list caption and the close sequence.
// Called by main() and by the Qt main window's menu handlers.
#include "app/shell.h"

#include <algorithm>
#include <cstdlib>

#include "common/config.h"
#include "common/fileops.h"
#include "common/filepath.h"
#include "common/globals.h"
#include "common/msgbox.h"
#include "common/numfmt.h"
#include "common/textutil.h"
#include "graphics/window/graphwin.h"
#include "platform/progfiles.h"
#include "spring/check.h"
#include "spring/material.h"
#include "spring/materialtable.h"
#include "spring/springdata.h"
#include "spring/springfile.h"

namespace kor2 {

StartMode DecideStartMode(const CommandLine& cmd, bool display) {
    if (cmd.usage) return StartMode::Usage;
    if (cmd.writeReport) return StartMode::BatchReport;
    return display ? StartMode::Window : StartMode::Console;
}

bool DisplayAvailable() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* v = std::getenv(name);
        if (v != nullptr && *v != '\0') return true;
    }
    return false;
}

namespace {

// A spring just read whose table material could not be read: the user
// learns it at once, with the engine's cause where there is one.
void TellMaterialFailure() {
    if (SpringMaterialFailure.failed) ShowErrorMessage(MaterialFailureText(SpringMaterialFailure));
}

}  // namespace

bool RunWindowStartUp(const CommandLine& cmd) {
    ReadSettings();
    if (AcceptCommandLineNames(cmd) && !cmd.springFile.empty() &&
        LoadCommandLineSpring(cmd.springFile)) {
        TellMaterialFailure();
        return true;
    }
    SpringMaterialFailure = {};
    LoadDefaultSpring();
    TellMaterialFailure();
    return false;
}

std::string SpringFullName() {
    return DataFileName.empty() ? std::string() : DataFileFullName(DataFileName);
}

// Writes the spring under fullName ("" asks for a name) and makes it
// current; a refused or failed write leaves the current name as it was.
static bool SaveUnder(const std::string& fullName) {
    AbortFlag = false;
    const DataFileNaming before;
    WriteSpringFile(fullName);
    if (AbortFlag) {
        before.Restore();
        return false;
    }
    // Asked for a name, SaveDataFileAs has set DataFolder and DataFileName.
    if (!fullName.empty()) {
        DataFolder = DataFolderOf(fullName);
        DataFileName = DataFileBareName(fullName);
    }
    InputModifiedFlag = false;
    AddRecentFile(SpringFullName());
    return true;
}

bool ConfirmDiscardInput() {
    AbortFlag = false;
    if (!InputModifiedFlag) return true;
    if (!DataFileName.empty()) {
        const bool save =
            MessageBoxYesNo("Datei speichern (" + platform::DisplayPath(SpringFullName()) + ") ?");
        if (AbortFlag) return false;  // Cancel
        if (!save) return true;
        return SaveUnder(SpringFullName());
    }
    if (MessageBoxYesNo("Bisherige Eingaben verwerfen ?")) return true;
    AbortFlag = true;  // "No" keeps the input as Cancel does
    return false;
}

bool OpenSpringFile(const std::string& fullName) {
    AbortFlag = false;
    std::string file = fullName;
    std::replace(file.begin(), file.end(), '/', '\\');  // a host path in the program's form
    if (!ReadCurrentSpringFile(file)) return false;
    CmdLineFileGiven = false;
    AddRecentFile(SpringFullName());
    TellMaterialFailure();
    return true;
}

bool OpenSpringCommand() {
    if (!ConfirmDiscardInput()) return false;
    std::string dir = AddBackslash(DataFolder);
    std::string name;
    OpenFileDialogFilter(5, dir, "*." + DataFileExt.str(), name);
    if (AbortFlag || name.empty()) return false;
    return OpenSpringFile(name);
}

bool SaveSpringCommand() {
    return SaveUnder(SpringFullName());
}

bool SaveSpringAsCommand() {
    return SaveUnder("");
}

void AddRecentFile(const std::string& fullName) {
    if (fullName.empty()) return;
    const std::string key = UpperCaseStr(fullName);
    auto same = std::find_if(RecentFiles.begin(), RecentFiles.end(),
                             [&](const std::string& f) { return UpperCaseStr(f) == key; });
    if (same == RecentFiles.end()) same = RecentFiles.end() - 1;  // the oldest drops out
    std::rotate(RecentFiles.begin(), same, same + 1);
    RecentFiles[0] = fullName;
}

namespace {

// The spring's material values that the material commands write.
struct SpringMaterial {
    uint16_t index;
    std::string name;
    Extended e, g, density;
    bool operator==(const SpringMaterial&) const = default;
};

SpringMaterial CurrentSpringMaterial() {
    return {MaterialIndex, MaterialName.str(), ModulusE, ModulusG, Density};
}

void MarkModifiedAndCheck() {
    InputModifiedFlag = true;
    CheckSpring();
}

}  // namespace

// The table command only reads the record under the browser's cursor; here
// it is the only way to choose a table material, so the pick is applied.
bool SelectMaterialCommand() {
    AbortFlag = false;
    const FEDWST_Record before = MaterialRec;
    const uint16_t beforeNo = MaterialRecNo;
    const SpringMaterial springBefore = CurrentSpringMaterial();
    try {
        SelectMaterial();
    } catch (const std::exception& e) {
        EndFailedCommand(e);
    }
    const bool numbered = MaterialRec.MaterialNo > 0 && MaterialRec.MaterialNo <= 0xFFFF;
    if (AbortFlag || !numbered) {
        // A record without a valid number could not be found again from
        // the spring file.
        if (!AbortFlag) ShowErrorMessage("Werkstoff ohne Werkstoff-Nr. !");
        AbortFlag = true;
        if (CurrentSpringMaterial() != springBefore) {
            // A new material was typed in before: the spring has it now.
            MarkModifiedAndCheck();
            AbortFlag = true;  // the command itself was cancelled
            return true;
        }
        MaterialRec = before;
        MaterialRecNo = beforeNo;
        return false;
    }
    ApplyMaterialRecord();
    MaterialRecNo = static_cast<uint16_t>(MaterialRec.MaterialNo);
    MarkModifiedAndCheck();
    return true;
}

void EndFailedCommand(const std::exception& e) {
    SetArrowCursor();
    ShowErrorMessage(e.what());
    AbortFlag = true;
}

uint16_t RunCheckCommand() {
    AbortFlag = false;
    CheckSpring();
    return ErrorList.count;
}

std::string ErrorListCaption() {
    return "&Fehlermeldungen (" + IntToStrL(ErrorList.count) + ")";
}

std::string MainWindowCaption() {
    const std::string name = SpringFullName();
    return name.empty() ? MainTitle.str() : MainTitle.str() + "  -  " + platform::DisplayPath(name);
}

bool CloseMainWindow() {
    if (!ConfirmDiscardInput()) return false;
    WriteStateFile();
    AbortFlag = false;
    EraseMatchingFiles(RunTempFolder(), "$*.dx$");
    return true;
}

}  // namespace kor2
