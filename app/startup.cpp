// Program start-up without windows and the command-line report. main()
// calls these in order: InitAllUnits, ReadSettings, then either the batch
// report or the default spring before the main window opens.
#include "app/startup.h"

#include <algorithm>

#include "common/config.h"
#include "common/fileio.h"
#include "common/fileops.h"
#include "common/filepath.h"
#include "common/globals.h"
#include "common/msgbox.h"
#include "common/report.h"
#include "common/reporthead.h"
#include "common/textutil.h"
#include "platform/hostfs.h"
#include "platform/progfiles.h"
#include "spring/check.h"
#include "spring/material.h"
#include "spring/materialtable.h"
#include "spring/springdata.h"
#include "spring/springfile.h"
#include "tables/area/engine.h"
#include "tables/browser/browsermodel.h"
#include "tables/dataset/dbfdataset.h"
#include "tables/expr/expression.h"
#include "tables/index/orders.h"
#include "tables/memo/memoarea.h"
#include "tables/vfile/vfiles.h"

namespace kor2 {

void InitAllUnits() {
    InitProgramVariables();
    CmdLineGraphSwitch = HasCmdLineSwitch("/G");
    InitSpringData();
    ResetMaterialRecord();
    InitConfigVariables();
    InitReportWriter();
    InitReportHeader();
    InitTableEngine();
    InitExprParser();
    InitMemoUnit();
    IndexInit();
    InstallVFileHook();
    InitEngineTexts();  // the data-set layer's yes/no texts and date format
    InitDateFormat();
    InitW32Tables();
}

void ShutdownAllUnits() {
    ShutdownReportWriter();
    ShutdownTableEngine();
}

namespace {

std::string g_programFiles;

bool IsRelativeFolder(const std::string& folder) {
    const std::string f = TrimBlanks(folder);
    return !f.empty() && f[0] != '\\' && f[0] != '/' && f.find(':') == std::string::npos;
}

// The program's own files are found beside the executable; the user's files
// (spring, CAD, EDI and temporary folders) keep the current folder as
// default, never the program's files.
void UseProgramFilesFolder() {
    // A spring folder named relative to a current folder that lacks it (the
    // first start's "TRAIN") is the current folder itself.
    if (IsRelativeFolder(DataFolder) && !platform::DirectoryExists(DataFolder))
        DataFolder = RemoveBackslash(StartFolder);
    if (g_programFiles.empty()) return;
    for (std::string* folder : {&DbfFolder, &PltFolder})
        if (TrimBlanks(*folder).empty()) *folder = g_programFiles;
}

}  // namespace

void SetProgramFilesFolder(const std::string& folder) {
    g_programFiles = folder;
    // The configuration shipped with the program is read when the user has none.
    if (!folder.empty()) ConfigFallbackDir = folder;
}

void ReadSettings() {
    AbortFlag = false;
    ReadConfigFile();
    AbortFlag = false;  // no configuration file: the defaults stay
    ReadStateFile();
    AbortFlag = false;
    UseProgramFilesFolder();
    CheckConfigFolders();
    AbortFlag = false;
}

// "/" and a short word; a host path such as "/home/x.kr2" is a file name.
static bool IsSwitch(const std::string& p) {
    return p.size() > 1 && p[0] == '/' && p.find('/', 1) == std::string::npos &&
           p.find('.') == std::string::npos;
}

CommandLine ParseCommandLine(const std::vector<std::string>& params) {
    CommandLine cmd;
    for (const std::string& p : params) {
        const std::string u = UpperCaseStr(p);
        if (u == "?" || u == "/?") cmd.usage = true;
        else if (u == "/I") cmd.writeReport = true;
        else if (u == "/NOGUI") cmd.noGui = true;
        else if (IsSwitch(p)) continue;  // switches of other commands ("/G", "/CAD1:2")
        else if (cmd.springFile.empty()) cmd.springFile = p;
    }
    return cmd;
}

CommandLine TakeCommandLine(const std::vector<std::string>& hostArgs) {
    std::vector<std::string> params, refused;
    for (const std::string& arg : hostArgs) {
        if (auto text = platform::HostToProgram(arg))
            params.push_back(*std::move(text));
        else
            refused.push_back(arg);
    }
    SetCommandLine(std::move(params));
    CommandLine cmd = ParseCommandLine(CommandLineParams());
    cmd.refused = std::move(refused);
    return cmd;
}

bool AcceptCommandLineNames(const CommandLine& cmd) {
    for (const std::string& name : cmd.refused) RefuseHostName(name);
    return cmd.refused.empty();
}

std::string UsageText() {
    return "kor2 [Federdatei [/I]] [/NOGUI]\r\n"
           "  Federdatei  Federdatei (." + DataFileExt.str() + ") lesen und berechnen\r\n"
           "  /I          Bericht als Textdatei (Federdatei.txt) schreiben und beenden\r\n"
           "  /NOGUI      kein Fenster der Berechnungsmeldungen";
}

bool ReadCurrentSpringFile(const std::string& given) {
    if (!ReadSpringFile(given)) return false;
    const std::string file = platform::ExistingName(given);  // as spelt on disk
    DataFolder = DataFolderOf(file);
    DataFileName = DataFileBareName(file);
    InputModifiedFlag = false;
    return true;
}

bool LoadCommandLineSpring(const std::string& name) {
    std::string file = name;
    std::replace(file.begin(), file.end(), '/', '\\');  // a host path in the program's form
    // The extension may be left out: "sub/d1.6" is the spring "sub/d1.6.kr2".
    // Whatever the name is, the reader tells what it is if not a spring file.
    const auto missing = [](const std::string& f) {
        return platform::EntryKindOf(f) == platform::EntryKind::Missing;
    };
    if (missing(file) && DataFileBareName(file) == file.substr(ExtractFilePathL(file).size()))
        file = DataFileWithExt(file);
    if (missing(file)) {
        ShowErrorMessage("Datei " + platform::DisplayPath(file) + " nicht gefunden");
        return false;
    }
    // Found by another spelling, the spring goes by the one on disk: a save
    // replaces that file.
    file = platform::ExistingName(file);
    AbortFlag = false;
    if (!ReadCurrentSpringFile(file)) return false;
    CmdLineFileGiven = true;
    DataFileName = ExtractFilePathL(file) + DataFileBareName(file);  // as given, no extension
    return true;
}

void LoadDefaultSpring() {
    // The user's own default spring, else the one shipped with the program.
    const std::string file = "null." + DataFileExt.str();
    std::string name = AddBackslash(DataFolder) + file;
    if (!platform::FileExists(name) && !g_programFiles.empty())
        name = g_programFiles + "TRAIN\\" + file;
    AbortFlag = false;
    // A spring read is checked already, with the reader's own messages
    // after the check's; a second check would drop them.
    const bool read = platform::FileExists(name) && ReadSpringFile(name);
    AbortFlag = false;
    if (!read) CheckSpring();
}

bool WriteCommandLineReport() {
    AbortFlag = false;
    FormatReportField("", ReportTitleLines[1].str(), ReportTitleLines[2].str(),
                      ReportTitleLines[3].str(), "", 0);
    ReportBegin(9, DataFileName + ".txt");
    if (AbortFlag) return false;
    RewriteFileMsg(SharedTextFile);
    if (!AbortFlag) {
        ReportPageHeader(0, 0);
        ReportMessagesSection();
    }
    if (AbortFlag) {
        // The writer's own messages name no file; the user of a batch run
        // must learn which one failed.
        SharedTextFile.Discard();
        ShowErrorMessage(CannotWriteText(ReportFileName));
        return false;
    }
    ReportEnd();
    return !AbortFlag;
}

bool TellMaterialCause() {
    const MaterialFailure& failure = SpringMaterialFailure;
    if (!failure.cause.empty()) ShowErrorMessage(failure.cause);
    return !failure.writing;
}

int RunBatchReport(const CommandLine& cmd) {
    if (!AcceptCommandLineNames(cmd)) return 1;
    if (cmd.springFile.empty() || !LoadCommandLineSpring(cmd.springFile)) return 1;
    const bool materialRead = TellMaterialCause();
    return WriteCommandLineReport() && materialRead ? 0 : 1;
}

}  // namespace kor2
