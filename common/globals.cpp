// Start-up defaults of the program-wide variables and the error list
//. Called by main() before the main window exists.
#include "common/globals.h"

#include <algorithm>

#include "platform/hostfs.h"
#include "platform/progfiles.h"

namespace kor2 {

namespace {

std::vector<std::string>& CommandLineStore() {
    static std::vector<std::string> params;
    return params;
}

// The current folder as a program path text ("\" separators).
std::string CurrentFolderText() {
    std::string dir = platform::GetCurrentDir();
    std::replace(dir.begin(), dir.end(), '/', '\\');
    return dir;
}

}  // namespace

void AddErrorMessage(std::string_view text) {
    const std::string_view key = text.substr(0, kErrorTextLen);
    if (ErrorList.count > kErrorListSlots) ErrorList.count = kErrorListSlots;
    for (int k = 1; k <= ErrorList.count; ++k)
        if (ErrorList.slots[k] == key) return;
    ErrorList.count = static_cast<uint16_t>(ErrorList.count + 1);
    if (ErrorList.count > kErrorListSlots) {
        ErrorList.count = kErrorListSlots;
        return;
    }
    ErrorList.slots[ErrorList.count] = key;
}

void ClearErrorList() {
    ErrorList.count = 0;
    CalcErrorFlag = false;
}

void InitProgramVariables() {
    // Text buffers and identity.
    for (auto& line : TextLines) line = std::string(60, ' ');
    for (auto& line : WrapLines) line = std::string(kWrapLineLen, ' ');
    ReportTitleLines[1] = "Berechnungsbeispiel";
    ReportTitleLines[2] = "";
    ReportTitleLines[3] = "";
    ProgramBaseName = "kor2";
    ProgramVersion = "14.5";
    CaptionText = "KOR2";
    MainTitle = CaptionText + "     " + "Zugfederberechnung";
    DataFileExt = "kr2";
    DataFileName = "demo";
    DataFolder = "TRAIN";

    // Folders and programs.
    const std::string current = CurrentFolderText();
    CadFolder.clear();
    DbfFolder.clear();
    EdiFolder.clear();
    PltFolder.clear();
    TempFolder.clear();
    ProgramFolderSetting.clear();
    StartFolder = current;
    // The configuration and state files belong to the user, not to the
    // folder the program happens to be started from.
    ConfigDir = platform::UserConfigFolder();
    if (ConfigDir.empty()) ConfigDir = current;
    DefaultDataFolder = current;
    PrintoutFolder = current;
    ExternalTableEditor = "C:\\TBLWORK\\TBLWORK.EXE";
    TextProgramPath = "C:\\WINDOWS\\WRITE.EXE";
    HtmlBrowserPath = "c:\\Programme\\Internet Explorer\\Iexplore.exe";
    for (auto& f : RecentFiles) f.clear();

    // Display and calculation options.
    UnitSystem = 0;
    PrecisionOption = 3;
    DecimalCommaOption = 1;
    DecimalSepOption = 2;
    CharSetOption = 0;
    TextConversionOption = 1;
    DateFormatOption = 1;
    AngleFormatOption = 2;
    ScreenScalePercent = 102;
    DialogScalePercent = 100;
    HelpLevel = 1;
    LanguageNo = 0;
    ChangeIndexStyle = 0;

    // Printing and output options.
    TextDevice = 1;
    AskTextDevice = false;
    PrinterPort = 1;
    HardcopyPrinterPort = 1;
    PrinterType = 3;
    PrintDensity = 1;
    PrintThicknessVertical = 1;
    HardcopyRotated = 'J';
    TextPrintMode = 2;
    LinesPerPage = 66;
    HeaderSpaceLines = 0;
    PrintHeaderMode = 1;
    WindowsPrintMode = 1;
    ColourGraphics = true;
    GraphicsMode = 0;
    GraphicsDriver = 0;
    ResolutionX = 0;
    ResolutionY = 0;
    MaxColourNumber = 16;
    DatabaseMode = 1;
    SmallOnlineWindow = false;
    EnterDiagramLimits = false;
    PrintMacroIndex = 0;

    // Other shared state.
    DbfPickedRecNo = 1;
    LastKeyCode = '0';
    GraphKeyMode = '0';
    View3DMode = 1;
    RecentItemIndex = 0;
    TabFileCount = 0;
    ReportWindowMode = 0;
    RecalcChoice = 2;
    HelpPictureLeft = 1;
    HelpPictureTop = 1;
    BrowserGridState = {1, 1};
    LastViewKind = 0;

    // Flags and the error list: all slots allocated, empty.
    AbortFlag = false;
    MessageBoxesEnabled = true;
    InputModifiedFlag = false;
    CmdLineFileGiven = false;
    BatchCadMode = false;
    CmdLineGraphSwitch = false;
    for (auto& slot : ErrorList.slots) slot = "";
    ClearErrorList();
}

void SetCommandLine(std::vector<std::string> params) {
    CommandLineStore() = std::move(params);
}

const std::vector<std::string>& CommandLineParams() {
    return CommandLineStore();
}

}  // namespace kor2
