// Program-wide variables and the error list: the flags,
// the error list, the shared text buffers, the program identity, folders and
// options that every subsystem reads. InitProgramVariables sets all of them
// to their start-up defaults; main() calls it once and tests call it as reset.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/shortstring.h"

namespace kor2 {

// ---- Sizes of the fixed buffers --------------------------------------------
inline constexpr int kErrorListSlots = 11;        // slots 1..11
inline constexpr std::size_t kErrorTextLen = 36;  // characters kept per message
inline constexpr int kTextLineCount = 135;        // TextLines 1..135
inline constexpr std::size_t kTextLineLen = 65;
inline constexpr int kWrapLineCount = 5;  // WrapLines 1..5
inline constexpr std::size_t kWrapLineLen = 64;
inline constexpr int kReportTitleLineCount = 3;  // ReportTitleLines 1..3
inline constexpr std::size_t kReportTitleLineLen = 65;
inline constexpr int kRecentFileCount = 4;

// ---- Flags shared by every command -----------------------------------------
inline bool AbortFlag = false;
inline bool CalcErrorFlag = false;
inline bool MessageBoxesEnabled = true;
inline bool InputModifiedFlag = false;
inline bool CmdLineFileGiven = false;
inline bool BatchCadMode = false;
inline bool CmdLineGraphSwitch = false;

// ---- The error list ---------------------------------------------------------
// slots[k] for k = 1..count are valid (slots[0] is unused); texts beyond the
// count stay in place after ClearErrorList but mean nothing.
struct ErrorListType {
    uint16_t count = 0;
    std::array<ShortString<kErrorTextLen>, kErrorListSlots + 1> slots{};
};
inline ErrorListType ErrorList;

// Records the first 36 characters of text unless an equal text is already in
// the list; a full list (11) drops the text. Sets no flag.
void AddErrorMessage(std::string_view text);
// count := 0 and CalcErrorFlag := false; the slot texts are not erased.
void ClearErrorList();

// ---- Shared text buffers (index 0 unused, 1-based as documented) ----------
inline std::array<ShortString<kTextLineLen>, kTextLineCount + 1> TextLines{};
inline std::array<ShortString<kWrapLineLen>, kWrapLineCount + 1> WrapLines{};
inline std::array<ShortString<kReportTitleLineLen>, kReportTitleLineCount + 1> ReportTitleLines{};

// ---- Program identity -------------------------------------------------------
inline std::string ProgramBaseName;
inline std::string ProgramVersion;
inline std::string CaptionText;
inline ShortString<60> MainTitle;
inline ShortString<3> DataFileExt;
inline std::string DataFileName;
inline std::string DataFolder;

// ---- Folders and programs (program path texts: "\" separators) -------------
inline std::string CadFolder;
inline std::string DbfFolder;
inline std::string EdiFolder;
inline std::string PltFolder;
inline std::string TempFolder;
inline std::string ProgramFolderSetting;
inline std::string StartFolder;
inline std::string ConfigDir;
inline std::string DefaultDataFolder;
inline std::string PrintoutFolder;
inline std::string ExternalTableEditor;
inline std::string TextProgramPath;
inline std::string HtmlBrowserPath;
inline std::array<std::string, kRecentFileCount> RecentFiles{};  // [0] is the newest

// ---- Display and calculation options ----------------------------------------
inline uint16_t UnitSystem = 0;  // 0 metric, 1 imperial
inline int32_t PrecisionOption = 3;
inline uint16_t DecimalCommaOption = 1;    // 2 = decimal comma
inline uint16_t DecimalSepOption = 2;      // LocalDecimalSep: 1 point, else comma
inline uint16_t CharSetOption = 0;         // 1 = plain ASCII signs
inline uint16_t TextConversionOption = 1;  // 1 none, 2 DOS->Windows, 3 ASCII
inline uint16_t DateFormatOption = 1;
inline uint16_t AngleFormatOption = 2;
inline int32_t ScreenScalePercent = 102;
inline int32_t DialogScalePercent = 100;
inline uint16_t HelpLevel = 1;
inline int32_t LanguageNo = 0;
inline uint16_t ChangeIndexStyle = 0;

// ---- Printing and output options --------------------------------------------
inline uint16_t TextDevice = 1;
inline bool AskTextDevice = false;
inline uint16_t PrinterPort = 1;
inline uint16_t HardcopyPrinterPort = 1;
inline uint16_t PrinterType = 3;
inline uint16_t PrintDensity = 1;
inline uint16_t PrintThicknessVertical = 1;
inline char HardcopyRotated = 'J';
inline uint16_t TextPrintMode = 2;
inline int32_t LinesPerPage = 66;
inline int32_t HeaderSpaceLines = 0;
inline uint16_t PrintHeaderMode = 1;
inline uint16_t WindowsPrintMode = 1;
inline bool ColourGraphics = true;
inline int32_t GraphicsMode = 0;
inline int32_t GraphicsDriver = 0;
inline uint16_t ResolutionX = 0;
inline uint16_t ResolutionY = 0;
inline uint16_t MaxColourNumber = 16;
inline uint16_t DatabaseMode = 1;
inline bool SmallOnlineWindow = false;
inline bool EnterDiagramLimits = false;
inline int32_t PrintMacroIndex = 0;

// ---- Other shared state -----------------------------------------------------
inline int32_t DbfPickedRecNo = 1;
inline char LastKeyCode = '0';
inline char GraphKeyMode = '0';
inline uint16_t View3DMode = 1;
inline int32_t RecentItemIndex = 0;
inline int32_t TabFileCount = 0;
inline uint16_t ReportWindowMode = 0;
inline uint16_t RecalcChoice = 2;
inline int32_t HelpPictureLeft = 1;
inline int32_t HelpPictureTop = 1;
inline std::array<int32_t, 2> BrowserGridState{1, 1};
inline int32_t LastViewKind = 0;

// Sets every variable above to its default, in the documented order: text buffers
// and identity, then folders and options, then the error list (and the flags).
// The folders that default to "the current folder at program start" take the
// current folder now. Tests call it as their reset of the globals.
void InitProgramVariables();

// ---- Command line -------------------------------------------------------------
// The program's parameters (ParamStr(1..ParamCount), without the program
// name); main() fills them before anything reads them. Not reset by
// InitProgramVariables.
void SetCommandLine(std::vector<std::string> params);
const std::vector<std::string>& CommandLineParams();

}  // namespace kor2
