// Configuration and state files: the fixed order of label and value lines,
// the fix-ups applied on reading and the early ends of files written by
// older versions. Called by the main window at start and end and by the
// settings dialog.
#include "common/config.h"

#include <algorithm>
#include <cmath>

#include "common/dialogs.h"
#include "common/fileio.h"
#include "common/fileops.h"
#include "common/filepath.h"
#include "common/globals.h"
#include "common/inputdlg.h"
#include "common/msgbox.h"
#include "common/numfmt.h"
#include "common/textfile.h"
#include "common/textout.h"
#include "common/textutil.h"
#include "graphics/window/graphwin.h"
#include "platform/hostfs.h"
#include "platform/oemtext.h"
#include "platform/progfiles.h"
#include "platform/sysclock.h"

namespace kor2 {

namespace {

// ---- Reading: a value line after the end of the file leaves its variable as
// it was, so that a file cut short never turns settings into zeros.

bool AtEnd() {
    return SharedTextFile.Eof();
}

void SkipLabel() {
    std::string ignored;
    ReadLineL(ignored);
}

void GetStr(std::string& s) {
    if (!AtEnd()) ReadLineL(s);
}

template <std::size_t N>
void GetStr(ShortString<N>& s) {
    if (AtEnd()) return;
    std::string t;
    ReadLineL(t);
    s = t;
}

void GetInt(int32_t& i) {
    if (!AtEnd()) ReadIntLine(i);
}

// 16-bit settings: read as a number, kept in their 16 bits.
void GetWord(uint16_t& w) {
    if (AtEnd()) return;
    int32_t i = 0;
    ReadIntLine(i);
    w = static_cast<uint16_t>(i);
}

void GetExt(Extended& x) {
    if (!AtEnd()) ReadExtLine(x);
}

void GetReal(Real48& r) {
    if (!AtEnd()) ReadRealLine(r);
}

void GetBool(bool& b) {
    if (!AtEnd()) ReadTrueLine(b);
}

// The first character of the line; an empty line gives '\0', so that the
// row's fix-up sees it (the line reader itself would give a blank).
void GetChar(char& c) {
    if (AtEnd()) return;
    std::string line;
    ReadLineL(line);
    c = line.empty() ? '\0' : line[0];
}

// A 16-bit setting with a range check on the number as written.
void GetWordInRange(uint16_t& w, int32_t lo, int32_t hi, uint16_t fallback) {
    if (AtEnd()) return;
    int32_t i = 0;
    ReadIntLine(i);
    w = (i < lo || i > hi) ? fallback : static_cast<uint16_t>(i);
}

void FixResolution() {
    const ScreenFacts screen = TextOutput().Screen();
    if (ResolutionX == 0 || ResolutionX == 65535)
        ResolutionX = static_cast<uint16_t>(std::max(0, screen.width - 9));
    if (ResolutionY == 0 || ResolutionY == 65535)
        ResolutionY = static_cast<uint16_t>(std::max(0, screen.height - 91));
}

// The body of the reader after lines 1 and 2. Returns true when reading
// ends with the end fix-up, false when it stops without it.
bool ReadConfigRows() {
    for (int n = 1; n <= 5; ++n) {
        SkipLabel();
        GetStr(CadLayerNames[n]);
        SkipLabel();
        GetInt(CadLayerColours[n]);
    }
    SkipLabel();
    GetStr(CadTextStyle);
    SkipLabel();
    GetExt(CadDefaultTextWidth);
    if (CadDefaultTextWidth == 0) CadDefaultTextWidth = 1.0L;
    SkipLabel();
    GetExt(CadDefaultTextAngle);
    SkipLabel();
    GetStr(CadFolder);
    SkipLabel();
    GetStr(DbfFolder);
    SkipLabel();
    GetWord(HelpLevel);
    SkipLabel();
    GetWord(PrinterPort);
    if (PrinterPort == 0) PrinterPort = 1;
    if (AtEnd()) return false;
    SkipLabel();
    GetWord(PrinterType);
    if (AtEnd()) return false;
    SkipLabel();
    GetWord(PrintDensity);
    SkipLabel();
    GetChar(HardcopyRotated);
    if (HardcopyRotated == '\0') HardcopyRotated = 'N';
    SkipLabel();
    GetInt(PrecisionOption);
    if (PrecisionOption < 1 || PrecisionOption > 9) PrecisionOption = 3;
    SkipLabel();
    GetWord(PrintThicknessVertical);
    if (PrintThicknessVertical == 0 || PrintThicknessVertical > 4) PrintThicknessVertical = 1;
    if (AtEnd()) return false;
    SkipLabel();
    GetBool(ColourGraphics);
    GraphCorrectionX = 1.0L;
    SkipLabel();
    GetExt(GraphCorrectionX);
    if (GraphCorrectionX == 0) GraphCorrectionX = 1.0L;
    SkipLabel();
    GetInt(GraphicsMode);
    SkipLabel();
    GetInt(GraphicsDriver);
    SkipLabel();
    GetWord(ResolutionX);
    SkipLabel();
    GetWord(ResolutionY);
    SkipLabel();
    GetStr(TempFolder);
    SkipLabel();
    GetWord(HardcopyPrinterPort);
    if (HardcopyPrinterPort == 0) HardcopyPrinterPort = 1;
    if (AtEnd()) return false;
    SkipLabel();
    GetStr(EdiFolder);
    SkipLabel();
    GetStr(PltFolder);
    SkipLabel();
    GetWord(TextPrintMode);
    if (TextPrintMode == 0) TextPrintMode = 1;
    SkipLabel();
    GetInt(LinesPerPage);
    if (LinesPerPage < 5) LinesPerPage = 66;
    SkipLabel();
    GetExt(ZoomFactor);
    if (ZoomFactor == 0) ZoomFactor = 1.02L;
    SkipLabel();
    GetExt(PanFactor);
    if (PanFactor == 0) PanFactor = 0.01L;
    SkipLabel();
    GetStr(ProgramFolderSetting);
    if (AtEnd()) return true;
    SkipLabel();
    if (!AtEnd()) {
        std::string first;
        ReadLineL(first);
        if (!first.empty()) CadZanplotCommands.lines[0] = first;
    }
    if (AtEnd()) return true;
    SkipLabel();
    GetInt(WindowColour);
    if (AtEnd()) return true;
    SkipLabel();
    GetWord(WindowsPrintMode);
    if (WindowsPrintMode == 0) WindowsPrintMode = 1;
    if (AtEnd()) return true;
    SkipLabel();
    GetBool(CadMonochrome);
    if (AtEnd()) {
        GraphTextWidthFactor = CadDefaultTextWidth;
        GraphTextStyle = "Arial";
        return true;
    }
    SkipLabel();
    GetExt(GraphTextWidthFactor);
    if (GraphTextWidthFactor == 0) GraphTextWidthFactor = 0.8L;
    SkipLabel();
    GetStr(GraphTextStyle);
    if (AtEnd()) return true;
    for (int32_t& colour : CadLayerColours16) {
        SkipLabel();
        GetInt(colour);
        if (colour == 0) colour = 1;
    }
    if (AtEnd()) return true;
    SkipLabel();
    GetStr(TextProgramPath);
    SkipLabel();
    GetWord(DatabaseMode);
    SkipLabel();
    GetStr(ExternalTableEditor);
    if (AtEnd()) return true;
    SkipLabel();
    GetInt(ScreendumpOriginX);
    SkipLabel();
    GetInt(ScreendumpOriginY);
    SkipLabel();
    GetReal(ScreendumpScale);
    if (ScreendumpScale.ToExtended() == 0) ScreendumpScale = Real48::FromExtended(1.0L);
    SkipLabel();
    GetBool(ScreendumpBorder);
    if (AtEnd()) return true;

    SkipLabel();
    if (!AtEnd()) {
        // The count is only trusted within the five lines there are; the
        // lines beyond it in a damaged file are read as labels that follow.
        int32_t n = CadZanplotCommands.count;
        ReadIntLine(n);
        n = std::clamp<int32_t>(n, 1, kCadCommandLines);
        CadZanplotCommands.count = n;
        for (int k = 1; k < n; ++k) GetStr(CadZanplotCommands.lines[k]);
        if (CadZanplotCommands.selected > n) CadZanplotCommands.selected = 1;
    }
    if (!AtEnd()) {
        SkipLabel();
        GetWordInRange(DateFormatOption, 1, 3, 1);
    }
    if (!AtEnd()) {
        SkipLabel();
        GetInt(HeaderSpaceLines);
        if (HeaderSpaceLines > 30) HeaderSpaceLines = 0;
    }
    if (!AtEnd()) {
        SkipLabel();
        GetWordInRange(TextDevice, 1, 9, 1);
        SkipLabel();
        GetBool(AskTextDevice);
    }
    if (!AtEnd()) {
        SkipLabel();
        GetBool(SmallOnlineWindow);
    }
    if (!AtEnd()) {
        SkipLabel();
        GetBool(EnterDiagramLimits);
    }
    SkipLabel();
    GetWord(DecimalCommaOption);
    if (DecimalCommaOption < 1 || DecimalCommaOption > 2) DecimalCommaOption = 1;
    SkipLabel();
    GetStr(DefaultDataFolder);
    if (DefaultDataFolder.empty()) DefaultDataFolder = AddBackslash(StartFolder);
    SkipLabel();
    if (!AtEnd()) {
        GetExt(TextHeightFactor);
        if (TextHeightFactor < 0.1L) TextHeightFactor = 1.0L;
    }
    SkipLabel();
    if (!AtEnd()) {
        GetInt(ScreenScalePercent);
        if (ScreenScalePercent < 10 || ScreenScalePercent > 1000) ScreenScalePercent = 100;
    }
    SkipLabel();
    GetStr(HtmlBrowserPath);
    if (AtEnd()) return true;

    SkipLabel();
    GetReal(PrintScaleVertical);
    if (PrintScaleVertical.ToExtended() < 0.0001L) PrintScaleVertical = ScreendumpScale;
    SkipLabel();
    for (int32_t& t : CadLineThickness) {
        GetInt(t);
        if (t < 1 || t > 255) t = 1;
    }
    SkipLabel();
    GetBool(GraphPrintDialog);
    SkipLabel();
    if (!AtEnd()) {
        std::string l, t, w, h;
        ReadFields4(l, t, w, h);
        const int32_t width = StrToIntDef0(w), height = StrToIntDef0(h);
        if (width != 0 && height != 0 && !AtEnd())
            TextWindowRect = {StrToIntDef0(l), StrToIntDef0(t), width, height};
    }
    SkipLabel();
    GetWord(UnitSystem);
    SkipLabel();
    GetWordInRange(PrintHeaderMode, 1, 2, 1);
    SkipLabel();
    GetStr(PrintFontName);
    if (PrintFontName.empty()) PrintFontName = "Courier New";
    SkipLabel();
    GetInt(PrintFontSize);
    if (PrintFontSize == 0) PrintFontSize = 10;
    SkipLabel();
    GetInt(PrintFontStyle);
    SkipLabel();
    GetInt(GraphFontStyle);
    SkipLabel();
    GetWord(PrinterOrientation);
    SkipLabel();
    if (!AtEnd()) ReadFalseLine(Ask3DViewAngles);
    SkipLabel();
    for (Extended& a : View3DAngles) GetExt(a);
    GetWord(ChangeIndexStyle);
    GetWord(DecimalSepOption);
    if (DecimalSepOption == 0) DecimalSepOption = 2;
    GetStr(TitleBlockExtraRow);
    SkipLabel();
    GetInt(CadDecimals);
    if (CadDecimals < 1 || CadDecimals > 32) CadDecimals = 6;
    SkipLabel();
    GetWord(TextConversionOption);
    if (TextConversionOption == 0) TextConversionOption = 1;
    SkipLabel();
    for (int32_t& t : CadLineThickness16) GetInt(t);

    GetWord(CharSetOption);
    GetInt(DialogScalePercent);
    if (DialogScalePercent < 10 || DialogScalePercent > 1000) DialogScalePercent = 100;
    GetWord(AngleFormatOption);
    if (AngleFormatOption == 0 || AngleFormatOption > 2) AngleFormatOption = 2;
    GetExt(CadScaleSetting);
    if (CadScaleSetting == 0) CadScaleSetting = 1.0L;
    GetInt(PrintMacroIndex);
    GetInt(LanguageNo);
    GetInt(LastViewKind);
    GetBool(HideTitleImprint);
    GetBool(HideTitleDate);
    GetBool(HideTitleDateTime);
    GetBool(HideTitleLogo);
    return true;
}

// ---- Writing ----------------------------------------------------------------------

void Row(std::string_view label, std::string_view value) {
    WriteLineL(label);
    WriteLineL(value);
}
void RowInt(std::string_view label, int32_t value) {
    WriteLineL(label);
    WriteIntLine(value);
}
void RowExt(std::string_view label, Extended value) {
    WriteLineL(label);
    WriteExtLine(value);
}
void Row3(std::string_view label, Extended value) {
    WriteLineL(label);
    WriteLineL(FloatToStrData(value));
}
void RowBool(std::string_view label, bool value) {
    WriteLineL(label);
    WriteByteLine(value);
}

void WriteConfigRows(uint16_t decimalComma) {
    WriteLineL(ProgramBaseName + " " + "Konfiguration");
    WriteLineL("Version " + ProgramVersion);
    for (int n = 1; n <= 5; ++n) {
        Row("Layer", CadLayerNames[n]);
        RowInt("Farbe", CadLayerColours[n]);
    }
    Row("Textstil CAD", CadTextStyle);
    Row3("Textbreitenfaktor CAD", CadDefaultTextWidth);
    Row3("Textwinkel", CadDefaultTextAngle);
    Row("CAD Ordner", CadFolder);
    Row("DBF Ordner", DbfFolder);
    RowInt("Hilfegrad", HelpLevel);
    RowInt("Druckerschnittstelle", PrinterPort);
    RowInt("Druckertyp", PrinterType);
    RowInt("Druckdichte", PrintDensity);
    Row("Hardcopy um 90° gedreht ?"_oem, std::string(1, HardcopyRotated));
    RowInt("Dezimalstellen", PrecisionOption);
    RowInt("Druckdicke vertikal", PrintThicknessVertical);
    RowBool("Farbgrafik", ColourGraphics);
    Row3("GrafikKorrekturFaktor horizontal", GraphCorrectionX);
    RowInt("Grafik-Mode", GraphicsMode);
    RowInt("Grafik-Treiber", GraphicsDriver);
    RowInt("Auflösung horizontal"_oem, ResolutionX);
    RowInt("Auflösung vertikal"_oem, ResolutionY);
    Row("Ordner für temporäre Dateien"_oem, TempFolder);
    RowInt("Druckerschnittstelle Hardcopy", HardcopyPrinterPort);
    Row("EDI Ordner", EdiFolder);
    Row("PLT Ordner", PltFolder);
    RowInt("Mode für Textausdruck 1:* 2:-"_oem, TextPrintMode);
    RowInt("Zeilen pro Seite für Drucker"_oem, LinesPerPage);
    RowExt("Zoomfaktor", ZoomFactor);
    RowExt("Pan-Faktor", PanFactor);
    Row("QUORVEX-Programmverzeichnis", ProgramFolderSetting);
    Row("ZANPLOT-Kommandozeile", CadZanplotCommands.lines[0]);
    RowInt("Hintergrundfarbe", WindowColour);
    RowInt("Windows-Druckmodus (1=mono 2=color)", WindowsPrintMode);
    RowBool("Layer Monochrom", CadMonochrome);
    RowExt("Textbreitenfaktor Grafik", GraphTextWidthFactor);
    Row("Textstil Grafik", GraphTextStyle);
    for (int n = 0; n < kCadLayer16Count; ++n)
        RowInt("Color Layer " + IntToStrL(16 + n), CadLayerColours16[n]);
    Row("Textprogramm", TextProgramPath);
    RowInt("Datenbank mode", DatabaseMode);
    Row("externe Datenbank", ExternalTableEditor);
    RowInt("Windows Screendump Origin X", ScreendumpOriginX);
    RowInt("Windows Screendump Origin Y", ScreendumpOriginY);
    RowExt("Windows Screendump Scale", ScreendumpScale.ToExtended());
    RowBool("Windows Screendump Border ?", ScreendumpBorder);
    const int32_t count = std::clamp<int32_t>(CadZanplotCommands.count, 1, kCadCommandLines);
    RowInt("ZANPLOT Command lines (n, line 2 .. line n)", count);
    for (int k = 1; k < count; ++k) WriteLineL(CadZanplotCommands.lines[k]);
    RowInt("Date Code", DateFormatOption);
    RowInt("Header Space Lines", HeaderSpaceLines);
    RowInt("Text Device", TextDevice);
    RowBool("Text Device Window ?", AskTextDevice);
    RowBool("Small Online Window ?", SmallOnlineWindow);
    RowBool("Enter Diagram Limits ?", EnterDiagramLimits);
    RowInt("Dot=1 Komma=2", decimalComma);
    Row("Default Data Directory", DefaultDataFolder);
    RowExt("Text Height Factor", TextHeightFactor);
    RowInt("Input Window Scale %", ScreenScalePercent);
    Row("HTML Browser", HtmlBrowserPath);
    RowExt("Print Scale Vertical", PrintScaleVertical.ToExtended());
    WriteLineL("Line thickness Layer 0..5");
    for (int32_t t : CadLineThickness) WriteIntLine(t);
    RowBool("Graphic Printout Dialog Box ?", GraphPrintDialog);
    WriteLineL("Text window left/top/width/height");
    WriteFields4(IntToStrL(TextWindowRect.left), IntToStrL(TextWindowRect.top),
                 IntToStrL(TextWindowRect.width), IntToStrL(TextWindowRect.height));
    RowInt("Metric Units=0,  English units=1", UnitSystem);
    RowInt("printout with header=1, header page 1 only=2", PrintHeaderMode);
    Row("Text Font Printout", PrintFontName);
    RowInt("Text Size Printout", PrintFontSize);
    RowInt("Text Style Printout", PrintFontStyle);
    RowInt("Text Style Graphics", GraphFontStyle);
    RowInt("Printer: Portrait=1, Landscape=2", PrinterOrientation);
    RowBool("Edit 3D x,y,z ?", Ask3DViewAngles);
    WriteLineL("3D - Default x,y,z");
    for (Extended a : View3DAngles) WriteExtLine(a);
    WriteIntLine(ChangeIndexStyle);
    WriteIntLine(DecimalSepOption);
    WriteLineL(TitleBlockExtraRow);
    RowInt("Decimals DXF,TXT", CadDecimals);
    RowInt("CAD Text Mode", TextConversionOption);
    WriteLineL("Strichstärke Layer 16..31"_oem);
    for (int32_t t : CadLineThickness16) WriteIntLine(t);
    WriteIntLine(CharSetOption);
    WriteIntLine(DialogScalePercent);
    WriteIntLine(AngleFormatOption);
    WriteExtLine(CadScaleSetting);
    WriteIntLine(PrintMacroIndex);
    WriteIntLine(LanguageNo);
    WriteIntLine(LastViewKind);
    WriteByteLine(HideTitleImprint);
    WriteByteLine(HideTitleDate);
    WriteByteLine(HideTitleDateTime);
    WriteByteLine(HideTitleLogo);
}

// Numbers are written with a decimal point whatever the user's choice;
// the choice itself comes back on every way out.
class DecimalPointWhileWriting {
public:
    DecimalPointWhileWriting() : saved_(DecimalCommaOption) { DecimalCommaOption = 1; }
    ~DecimalPointWhileWriting() { DecimalCommaOption = saved_; }
    DecimalPointWhileWriting(const DecimalPointWhileWriting&) = delete;
    DecimalPointWhileWriting& operator=(const DecimalPointWhileWriting&) = delete;
    uint16_t Saved() const { return saved_; }

private:
    uint16_t saved_;
};

bool FolderBlank(const std::string& folder) {
    return TrimBlanks(folder).empty();
}

// A folder setting that only stands for the start folder: blank, or the
// start folder itself. Nobody configured it, so a start folder the user
// cannot write is no configuration error.
bool StartFolderDefault(const std::string& folder) {
    return FolderBlank(folder) || AddBackslash(folder) == AddBackslash(StartFolder);
}

// The configuration folder is made on the first write (it is the user's
// own, created readable by the user only); a failure shows at the open.
void PrepareConfigDir() {
    if (!FolderBlank(ConfigDir)) platform::CreateFolders(RemoveBackslash(ConfigDir));
}

// The first line of the state file: the program's name, "Session" and the
// data folder.
std::string SessionPrefix() {
    return ProgramBaseName + " Session ";
}

}  // namespace

void InitCadOutputVariables() {
    for (int n = 0; n < kCadLayerCount; ++n) CadLayerNames[n] = IntToStrL(n);
    CadLayerColours = {1, 2, 2, 2, 3, 1};
    CadLineThickness = {3, 1, 1, 1, 2, 3};
    for (int n = 0; n < kCadLayer16Count; ++n) {
        CadLayerColours16[n] = n + 1;
        CadLineThickness16[n] = 1;
    }
    CadZanplotCommands.count = 1;
    CadZanplotCommands.selected = 1;
    for (std::string& line : CadZanplotCommands.lines) line = kCadDefaultCommand;
    CadTextStyle = "TXT8";
    CadDefaultTextWidth = 1.0L;
    CadDefaultTextAngle = 0;
    InitCadDrawingVariables();
    CadOutputMode = 3;
    CadMonochrome = false;
    CadDecimals = 6;
    CadScaleSetting = 1.0L;
    View3DAngles = {-15 * kRadiansPerDegree, 90 * kRadiansPerDegree, 210 * kRadiansPerDegree};
    Ask3DViewAngles = true;
    HideTitleImprint = HideTitleDate = HideTitleDateTime = HideTitleLogo = false;
    TitleBlockExtraRow.clear();
}

void InitCadDrawingVariables() {
    CadTextAngle = 0;
    CadTextWidthFactor = 1.0L;
    CadTextHeight = 5.0L;
    CadTextX = CadTextY = CadOriginX = CadOriginY = 0;
}

void InitConfigVariables() {
    InitCadOutputVariables();
    GraphCorrectionX = 1.0L;
    ZoomFactor = 1.02L;
    PanFactor = 0.01L;
    WindowColour = 0;
    GraphTextWidthFactor = 0.8L;
    GraphTextStyle = "Arial";
    ScreendumpOriginX = ScreendumpOriginY = 0;
    ScreendumpScale = Real48::FromExtended(1.0L);
    ScreendumpBorder = false;
    TextHeightFactor = 1.0L;
    PrintScaleVertical = Real48::FromExtended(1.0L);
    GraphPrintDialog = true;
    TextWindowRect = {};
    PrintFontName = "Courier New";
    PrintFontSize = 10;
    PrintFontStyle = 0;
    GraphFontStyle = 0;
    PrinterOrientation = 1;
    ConfigFallbackDir = "c:\\quorvex\\";
}

std::string ConfigFileName() {
    return AddBackslash(ConfigDir) + ProgramBaseName + ".cfg";
}

std::string StateFileName() {
    return AddBackslash(ConfigDir) + ProgramBaseName + ".cff";
}

void ConfigReadFinish() {
    FixResolution();
    SharedTextFile.Close();
}

namespace {

// Opens the configuration file for reading: the user's own, else the one
// shipped with the program's files (the user's is still written to
// ConfigDir, never over the shipped one). False when there is neither.
bool OpenConfigForReading() {
    SharedTextFile.Assign(ConfigFileName());
    if (SharedTextFile.Reset()) return true;
    SharedTextFile.IOResult();
    if (TrimBlanks(ConfigFallbackDir).empty()) return false;
    SharedTextFile.Assign(ConfigFallbackDir + ProgramBaseName + ".cfg");
    if (SharedTextFile.Reset()) return true;
    SharedTextFile.IOResult();
    return false;
}

}  // namespace

void ReadConfigFile() {
    if (!OpenConfigForReading()) {
        const ScreenFacts screen = TextOutput().Screen();
        FixResolution();
        TextWindowRect.height = screen.height - 80;
        const double graph = static_cast<double>(GraphWindow.Height) /
                             static_cast<double>(GraphWindow.ClientHeight + 46);
        ScreenScalePercent = static_cast<int32_t>(
            std::lround(100.0 * (screen.logicalDpi / 96.0) * (graph + 0.009)));
        AbortFlag = true;
        return;
    }
    SkipLabel();
    SkipLabel();
    if (ReadConfigRows())
        ConfigReadFinish();
    else
        SharedTextFile.Close();
}

void WriteConfigFile() {
    if (AbortFlag) return;
    DecimalPointWhileWriting pointOnly;
    PrepareConfigDir();
    SharedTextFile.Assign(ConfigFileName());
    RewriteRetry(SharedTextFile);
    if (AbortFlag) return;
    WriteConfigRows(pointOnly.Saved());
    if (AbortFlag) {
        SharedTextFile.Discard();  // the old file stays
        return;
    }
    CloseFileMsg(SharedTextFile);
}

void ReadStateFile() {
    SharedTextFile.Assign(StateFileName());
    if (!SharedTextFile.Reset()) {
        SharedTextFile.IOResult();
        for (std::string& f : RecentFiles) f.clear();
        return;
    }
    // Line 1 names the data folder of the last run; the next start goes on
    // there while that folder still exists.
    std::string session;
    ReadLineL(session);
    if (session.rfind(SessionPrefix(), 0) == 0) {
        const std::string folder = TrimBlanks(session.substr(SessionPrefix().size()));
        if (!folder.empty() && platform::DirectoryExists(folder)) DataFolder = folder;
    }
    for (std::string& f : RecentFiles) {
        f.clear();
        GetStr(f);
    }
    SharedTextFile.Close();
}

void WriteStateFile() {
    AbortFlag = false;
    PrepareConfigDir();
    SharedTextFile.Assign(StateFileName());
    RewriteRetry(SharedTextFile);
    if (AbortFlag) return;
    WriteLineL(SessionPrefix() + DataFolder);
    for (const std::string& f : RecentFiles) WriteLineL(f);
    if (AbortFlag) {
        SharedTextFile.Discard();
        return;
    }
    CloseFileMsg(SharedTextFile);
}

namespace {
constexpr int32_t kFolderTextMax = 4096;
}  // namespace

void CheckConfigFolders() {
    if (FolderBlank(TempFolder)) {
        // TEMP, else the host's own variable and folder for temporary files.
        TempFolder = platform::TempPath();
    }
    for (std::string* folder : {&DbfFolder, &PltFolder, &EdiFolder, &DefaultDataFolder})
        if (FolderBlank(*folder)) *folder = AddBackslash(StartFolder);

    // The user's folders (CAD, EDI, data) are checked where they are
    // configured; standing for the start folder they may be read-only.
    const bool cadConfigured = !StartFolderDefault(CadFolder);
    const bool ediConfigured = !StartFolderDefault(EdiFolder);
    const bool dataConfigured = !StartFolderDefault(DefaultDataFolder);
    if (cadConfigured && !IsDirWritable(CadFolder))
        ShowErrorIfEnabled("ungültiger CAD Ordner konfiguriert"_oem);
    if (!DirHasFiles(DbfFolder)) ShowErrorIfEnabled("ungültiger DBF Ordner konfiguriert"_oem);
    if (!DirHasFiles(PltFolder)) ShowErrorIfEnabled("ungültiger PLT Ordner konfiguriert"_oem);
    if (!IsDirWritable(TempFolder)) {
        ShowErrorIfEnabled("ungültiger Ordner für temporäre Dateien konfiguriert"_oem);
        // The folder is taken whole, as long as the host allows a path; a
        // run without windows asks nobody.
        if (Dialogs().CanAsk())
            InputText("Ordner für temporäre Dateien"_oem, kFolderTextMax, TempFolder);
    }
    if (ediConfigured && !IsDirWritable(EdiFolder))
        ShowErrorIfEnabled("ungültiger EDI Ordner konfiguriert"_oem);
    if (dataConfigured && !IsDirWritable(DefaultDataFolder))
        ShowErrorIfEnabled("ungültiger Data Ordner konfiguriert"_oem);
}

}  // namespace kor2
