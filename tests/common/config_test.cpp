// Tests of the configuration and state files: the round trip of every
// setting, the line layout, the early ends of older files, fix-ups, cut and
// damaged files, the folder check and the start values of the CAD outputs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <random>
#include <sstream>
#include <vector>

#include "common/config.h"
#include "common/fileio.h"
#include "common/globals.h"
#include "common/scriptdialogs.h"
#include "files_testutil.h"
#include "graphics/window/graphwin.h"
#include "platform/oemtext.h"
#include "platform/sysclock.h"
#include "report_testutil.h"
#include "support/tempdir.h"

namespace kor2 {
namespace {

using test::Put;
using test::Slurp;
namespace fs = std::filesystem;

std::vector<std::string> Lines(const std::string& text) {
    return test::ReportLines(text);
}

std::string Join(const std::vector<std::string>& lines, std::size_t count) {
    std::string text;
    for (std::size_t k = 0; k < count && k < lines.size(); ++k) text += lines[k] + "\r\n";
    return text;
}

// 1-based line numbers of a few rows in a file with one plot command line.
constexpr std::size_t kLineDruckertypValue = 38;
constexpr std::size_t kLineLinesPerPageValue = 70;
constexpr std::size_t kLineMonochromValue = 84;
constexpr std::size_t kLineBorderValue = 134;
constexpr std::size_t kLineHeaderSpaceValue = 140;
constexpr std::size_t kLineScaleValue = 156;
constexpr std::size_t kLineBrowserValue = 158;
constexpr std::size_t kLinesWithOneCommand = 226;

class ConfigTest : public ::testing::Test {
protected:
    void SetUp() override {
        Reset();
        ConfigDir = tmp.path().string();
    }
    static void Reset() {
        InitProgramVariables();
        InitConfigVariables();
        AbortFlag = false;
    }
    std::string CfgPath() const { return tmp.file("kor2.cfg"); }
    std::string WriteAndSlurp() {
        AbortFlag = false;
        WriteConfigFile();
        EXPECT_FALSE(AbortFlag);
        return Slurp(CfgPath());
    }
    void ReadText(const std::string& text) {
        Put(CfgPath(), text);
        Reset();
        ConfigDir = tmp.path().string();
        ReadConfigFile();
    }

    // A value different from its start value for every setting in the file.
    static void SetCustomValues() {
        for (int n = 1; n <= 5; ++n) {
            CadLayerNames[n] = "Lay" + std::to_string(n);
            CadLayerColours[n] = 10 + n;
        }
        CadTextStyle = "ROMANS";
        CadDefaultTextWidth = 1.5L;
        CadDefaultTextAngle = 12.5L;
        CadFolder = "C:\\CAD\\";
        DbfFolder = "D:\\DBF\\";
        HelpLevel = 3;
        PrinterPort = 2;
        PrinterType = 7;
        PrintDensity = 4;
        HardcopyRotated = 'N';
        PrecisionOption = 5;
        PrintThicknessVertical = 3;
        ColourGraphics = false;
        GraphCorrectionX = 0.95L;
        GraphicsMode = 4;
        GraphicsDriver = 9;
        ResolutionX = 1280;
        ResolutionY = 1024;
        TempFolder = "C:\\TEMP\\";
        HardcopyPrinterPort = 3;
        EdiFolder = "E:\\EDI\\";
        PltFolder = "P:\\PLT\\";
        TextPrintMode = 1;
        LinesPerPage = 72;
        ZoomFactor = 1.25L;
        PanFactor = 0.05L;
        ProgramFolderSetting = "C:\\PRG\\";
        CadZanplotCommands.lines[0] = "plot first";
        WindowColour = 7;
        WindowsPrintMode = 2;
        CadMonochrome = true;
        GraphTextWidthFactor = 0.75L;
        GraphTextStyle = "Courier";
        for (int n = 0; n < kCadLayer16Count; ++n) CadLayerColours16[n] = 40 + n;
        TextProgramPath = "C:\\ED\\ED.EXE";
        DatabaseMode = 2;
        ExternalTableEditor = "C:\\TB\\TB.EXE";
        ScreendumpOriginX = 11;
        ScreendumpOriginY = -12;
        ScreendumpScale = Real48::FromExtended(2.5L);
        ScreendumpBorder = true;
        CadZanplotCommands.count = 3;
        CadZanplotCommands.lines[1] = "plot second";
        CadZanplotCommands.lines[2] = "plot third";
        DateFormatOption = 3;
        HeaderSpaceLines = 4;
        TextDevice = 7;
        AskTextDevice = true;
        SmallOnlineWindow = true;
        EnterDiagramLimits = true;
        DecimalCommaOption = 2;
        DefaultDataFolder = "F:\\DATA\\";
        TextHeightFactor = 1.2L;
        ScreenScalePercent = 125;
        HtmlBrowserPath = "/usr/bin/browser";
        PrintScaleVertical = Real48::FromExtended(0.5L);
        CadLineThickness = {2, 3, 4, 5, 6, 7};
        GraphPrintDialog = false;
        TextWindowRect = {10, 20, 640, 480};
        UnitSystem = 1;
        PrintHeaderMode = 2;
        PrintFontName = "Mono Sans";
        PrintFontSize = 12;
        PrintFontStyle = 5;
        GraphFontStyle = 2;
        PrinterOrientation = 2;
        Ask3DViewAngles = false;
        View3DAngles = {0.25L, -1.5L, 3.125L};
        ChangeIndexStyle = 3;
        DecimalSepOption = 1;
        TitleBlockExtraRow = "Zusatz | Zeile";
        CadDecimals = 9;
        TextConversionOption = 2;
        for (int n = 0; n < kCadLayer16Count; ++n) CadLineThickness16[n] = 2 + n;
        CharSetOption = 1;
        DialogScalePercent = 150;
        AngleFormatOption = 1;
        CadScaleSetting = 2.5L;
        PrintMacroIndex = 4;
        LanguageNo = 2;
        LastViewKind = 6;
        HideTitleImprint = true;
        HideTitleDate = true;
        HideTitleDateTime = true;
        HideTitleLogo = true;
    }

    ScriptedDialogs ui;
    test::TempDir tmp;
};

TEST_F(ConfigTest, RoundTripRestoresEveryValueAndRewritesTheSameFile) {
    const std::string defaults = WriteAndSlurp();
    SetCustomValues();
    const std::string custom = WriteAndSlurp();
    EXPECT_EQ(DecimalCommaOption, 2);  // restored after writing

    // Every value line of the custom file differs from the default file's.
    const auto d = Lines(defaults), c = Lines(custom);
    ASSERT_EQ(c.size(), kLinesWithOneCommand + 2);  // two more plot command lines
    ASSERT_EQ(d.size(), kLinesWithOneCommand);

    ReadText(custom);
    EXPECT_FALSE(AbortFlag);
    EXPECT_EQ(WriteAndSlurp(), custom);
    EXPECT_EQ(CadLayerNames[3].str(), "Lay3");
    EXPECT_EQ(CadZanplotCommands.count, 3);
    EXPECT_EQ(CadZanplotCommands.lines[2], "plot third");
    EXPECT_EQ(TextWindowRect.width, 640);
    EXPECT_EQ(TextWindowRect.top, 20);
    EXPECT_EQ(ScreendumpScale.ToExtended(), 2.5L);
    EXPECT_EQ(View3DAngles[2], 3.125L);
    EXPECT_EQ(TitleBlockExtraRow, "Zusatz | Zeile");
    EXPECT_TRUE(HideTitleLogo);
    EXPECT_FALSE(Ask3DViewAngles);
    EXPECT_EQ(DecimalCommaOption, 2);
    EXPECT_EQ(HardcopyRotated, 'N');
}

TEST_F(ConfigTest, LayoutOfTheFile) {
    const auto lines = Lines(WriteAndSlurp());
    ASSERT_EQ(lines.size(), kLinesWithOneCommand);
    EXPECT_EQ(lines[0], "kor2 Konfiguration");
    EXPECT_EQ(lines[1], "Version 14.5");
    EXPECT_EQ(lines[2], "Layer");
    EXPECT_EQ(lines[3], "1");
    EXPECT_EQ(lines[4], "Farbe");
    EXPECT_EQ(lines[kLineDruckertypValue - 2], "Druckertyp");
    EXPECT_EQ(lines[kLineDruckertypValue + 2], "Hardcopy um 90\xF8 gedreht ?");
    EXPECT_EQ(lines[kLineLinesPerPageValue - 2], "Zeilen pro Seite f\x81r Drucker");
    EXPECT_EQ(lines[kLineMonochromValue - 2], "Layer Monochrom");
    EXPECT_EQ(lines[kLineBorderValue - 2], "Windows Screendump Border ?");
    EXPECT_EQ(lines[kLineBorderValue], "ZANPLOT Command lines (n, line 2 .. line n)");
    EXPECT_EQ(lines[kLineHeaderSpaceValue - 2], "Header Space Lines");
    EXPECT_EQ(lines[kLineBrowserValue - 2], "HTML Browser");
    EXPECT_EQ(lines[kLineScaleValue - 2], "Input Window Scale %");
    EXPECT_EQ(lines[198], "Strichst\x84rke Layer 16..31");
    // The unlabelled last row: four Booleans at the end.
    EXPECT_EQ(lines.back(), "FALSE");
    EXPECT_EQ(lines[kLinesWithOneCommand - 11], "0");  // CharSetOption
}

TEST_F(ConfigTest, DecimalCommaUserKeepsPointsInTheFile) {
    SetCustomValues();
    DecimalCommaOption = 2;
    const std::string text = WriteAndSlurp();
    const auto lines = Lines(text);
    EXPECT_EQ(lines[kLineLinesPerPageValue + 1].rfind("1.25", 0), 0u);  // Zoomfaktor
    EXPECT_EQ(lines[25].rfind("1.5", 0), 0u);                           // Textbreitenfaktor CAD
    for (const std::string& l : lines) {
        const bool number =
            !l.empty() && l.find_first_not_of("0123456789.,-+E") == std::string::npos;
        if (number) {
            EXPECT_EQ(l.find(','), std::string::npos) << l;
        }
    }
    ReadText(text);
    EXPECT_EQ(DecimalCommaOption, 2);
}

TEST_F(ConfigTest, DisplayPrecisionNeverChangesTheNumbersWritten) {
    SetCustomValues();
    CadDefaultTextWidth = 7.85L;
    CadDefaultTextAngle = 12.34L;
    GraphCorrectionX = 0.004L;
    ZoomFactor = 1.0L / 3;
    std::string first;
    for (int32_t precision = 1; precision <= 9; ++precision) {
        PrecisionOption = precision;
        auto lines = Lines(WriteAndSlurp());
        EXPECT_EQ(PrecisionOption, precision);  // the user's choice stays
        const auto row = std::find(lines.begin(), lines.end(), "Dezimalstellen");
        ASSERT_NE(row, lines.end());
        EXPECT_EQ(row[1], std::to_string(precision));  // the one row that holds it
        row[1] = "*";
        if (precision == 1) {
            first = Join(lines, lines.size());
            const auto at = [&](const char* label) {
                return *(std::find(lines.begin(), lines.end(), label) + 1);
            };
            EXPECT_EQ(at("Textbreitenfaktor CAD"), "7.85");
            EXPECT_EQ(at("Textwinkel"), "12.34");
            EXPECT_EQ(at("GrafikKorrekturFaktor horizontal"), "0.004");
            EXPECT_EQ(at("Zoomfaktor"), "0.3333333");
        }
        EXPECT_EQ(Join(lines, lines.size()), first) << "precision " << precision;
    }
    // Reading the file and writing it again gives the same bytes, at any
    // precision the file itself holds.
    for (int32_t precision : {1, 2, 9}) {
        PrecisionOption = precision;
        const std::string written = WriteAndSlurp();
        ReadText(written);
        ASSERT_EQ(PrecisionOption, precision);
        EXPECT_EQ(CadDefaultTextWidth, 7.85L);
        EXPECT_EQ(GraphCorrectionX, 0.004L);
        EXPECT_EQ(WriteAndSlurp(), written) << "precision " << precision;
    }
}

TEST_F(ConfigTest, OlderFileEndingAfterDruckertypLeavesResolutionUntouched) {
    SetCustomValues();
    const auto lines = Lines(WriteAndSlurp());
    ReadText(Join(lines, kLineDruckertypValue));
    EXPECT_FALSE(AbortFlag);
    EXPECT_EQ(PrinterType, 7);
    EXPECT_EQ(ResolutionX, 0);  // no end fix-up on this way out
    EXPECT_EQ(ResolutionY, 0);
    EXPECT_EQ(PrintDensity, 1);
}

TEST_F(ConfigTest, OlderFileEndingAfterLayerMonochrom) {
    SetCustomValues();
    ResolutionX = 0;
    const auto lines = Lines(WriteAndSlurp());
    ReadText(Join(lines, kLineMonochromValue));
    EXPECT_TRUE(CadMonochrome);
    EXPECT_EQ(GraphTextWidthFactor, 1.5L);  // CadDefaultTextWidth
    EXPECT_EQ(GraphTextStyle.str(), "Arial");
    EXPECT_EQ(ResolutionX, 1024 - 9);  // end fix-up with the screen width
    EXPECT_EQ(ResolutionY, 1024);
    EXPECT_EQ(CadLayerColours16[0], 1);  // not in the file: start value
}

TEST_F(ConfigTest, OlderFilesEndingLaterKeepTheRestAtItsValues) {
    SetCustomValues();
    CadZanplotCommands.count = 1;
    const auto lines = Lines(WriteAndSlurp());
    ReadText(Join(lines, kLineBorderValue));
    EXPECT_TRUE(ScreendumpBorder);
    EXPECT_EQ(CadZanplotCommands.count, 1);
    EXPECT_EQ(DateFormatOption, 1);

    ReadText(Join(lines, kLineHeaderSpaceValue));
    EXPECT_EQ(DateFormatOption, 3);
    EXPECT_EQ(HeaderSpaceLines, 4);
    EXPECT_EQ(TextDevice, 1);
    EXPECT_FALSE(AskTextDevice);
    EXPECT_EQ(DecimalCommaOption, 1);

    ReadText(Join(lines, kLineBrowserValue));
    EXPECT_EQ(HtmlBrowserPath, "/usr/bin/browser");
    EXPECT_EQ(ScreenScalePercent, 125);
    EXPECT_EQ(PrintFontName.str(), "Courier New");
    EXPECT_NEAR(static_cast<double>(View3DAngles[0]), -15 * std::numbers::pi / 180, 1e-15);
    EXPECT_FALSE(AbortFlag);
}

TEST_F(ConfigTest, FixUpsOfOutOfRangeValues) {
    auto lines = Lines(WriteAndSlurp());
    lines[kLineLinesPerPageValue - 1] = "4";
    lines[kLineScaleValue - 1] = "5";
    lines[kLineBorderValue + 1] = "9";  // plot command count beyond the five lines
    ASSERT_EQ(lines[kLineDruckertypValue + 2], "Hardcopy um 90\xF8 gedreht ?");
    lines[kLineDruckertypValue + 3] = "";  // an empty value line is 'N', not a blank
    ReadText(Join(lines, lines.size()));
    EXPECT_EQ(HardcopyRotated, 'N');
    EXPECT_EQ(LinesPerPage, 66);
    EXPECT_EQ(ScreenScalePercent, 100);
    EXPECT_EQ(CadZanplotCommands.count, 5);
}

TEST_F(ConfigTest, CutAtAnyLineOrDamagedLinesNeverBreakTheReader) {
    SetCustomValues();
    const auto lines = Lines(WriteAndSlurp());
    const auto sane = [] {
        EXPECT_GE(LinesPerPage, 5);
        EXPECT_GE(CadZanplotCommands.count, 1);
        EXPECT_LE(CadZanplotCommands.count, kCadCommandLines);
        EXPECT_GE(ScreenScalePercent, 10);
        EXPECT_LE(ScreenScalePercent, 1000);
        EXPECT_LE(PrintFontName.size(), 60u);
        EXPECT_LE(CadLayerNames[1].size(), kCadNameLen);
    };
    for (std::size_t cut = 0; cut <= lines.size(); ++cut) {
        ReadText(Join(lines, cut));
        EXPECT_FALSE(AbortFlag) << cut;
        sane();
    }
    const std::vector<std::string> garbage = {"", "abc", "-99999999999999999999", "1e99999",
                                              std::string("\0\xFF\x01", 3)};
    for (std::size_t k = 0; k < lines.size(); ++k) {
        for (const std::string& g : garbage) {
            auto damaged = lines;
            damaged[k] = g;
            ReadText(Join(damaged, damaged.size()));
            sane();
        }
    }
    std::mt19937 rng(42);
    std::string noise(20000, '\0');
    for (char& ch : noise) ch = static_cast<char>(rng());
    ReadText(noise);
    sane();
}

TEST_F(ConfigTest, WithoutAFileScreenDefaultsAndAbortFlag) {
    ConfigFallbackDir = tmp.file("none") + "/";
    ResolutionY = 65535;
    GraphWindow.Height = 600;
    GraphWindow.ClientHeight = 566;
    ReadConfigFile();
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(ResolutionX, 1024 - 9);
    EXPECT_EQ(ResolutionY, 768 - 91);
    EXPECT_EQ(TextWindowRect.height, 768 - 80);
    // 600 / (566 + 46) + 0.009 at 96 dpi.
    EXPECT_EQ(ScreenScalePercent, 99);
    EXPECT_EQ(LinesPerPage, 66);
}

// The configuration shipped with the program stands in for a user who has
// none; the user's own is then written to the user's folder, never over it.
TEST_F(ConfigTest, ShippedConfigurationIsReadButTheUsersIsWrittenToItsOwnFolder) {
    LinesPerPage = 44;
    const std::string text = WriteAndSlurp();
    fs::create_directory(tmp.file("shipped"));
    Put(tmp.file("shipped/kor2.cfg"), text);
    fs::remove(CfgPath());
    Reset();
    ConfigDir = tmp.file("user/kor2");
    ConfigFallbackDir = tmp.file("shipped") + "\\";
    ReadConfigFile();
    EXPECT_FALSE(AbortFlag);
    EXPECT_EQ(LinesPerPage, 44);
    EXPECT_EQ(ConfigDir, tmp.file("user/kor2"));

    LinesPerPage = 50;
    WriteConfigFile();
    EXPECT_FALSE(AbortFlag);
    EXPECT_EQ(Slurp(tmp.file("shipped/kor2.cfg")), text);
    ASSERT_TRUE(fs::exists(tmp.file("user/kor2/kor2.cfg")));
    // The user's configuration folder is made private to the user.
    EXPECT_EQ(fs::status(tmp.file("user")).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(fs::status(tmp.file("user/kor2")).permissions() & fs::perms::all,
              fs::perms::owner_all);
    Reset();
    ConfigDir = tmp.file("user/kor2");
    ReadConfigFile();
    EXPECT_EQ(LinesPerPage, 50);

    // Without a fallback folder only the user's file counts.
    fs::remove(tmp.file("user/kor2/kor2.cfg"));
    Reset();
    ConfigDir = tmp.file("user/kor2");
    ConfigFallbackDir = "";
    ReadConfigFile();
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(LinesPerPage, 66);
}

TEST_F(ConfigTest, WriteDoesNothingAfterAbortAndKeepsTheOldFileOnCancel) {
    Put(CfgPath(), "old");
    AbortFlag = true;
    WriteConfigFile();
    EXPECT_EQ(Slurp(CfgPath()), "old");

    // A folder that cannot be made (a file stands in its way).
    Put(tmp.file("afile"), "x");
    ConfigDir = tmp.file("afile/folder");
    AbortFlag = false;
    ui.answers.push_back(ScriptedAnswer::Cancel());
    WriteConfigFile();
    EXPECT_TRUE(AbortFlag);
    ASSERT_EQ(ui.Of("retry").size(), 1u);
    EXPECT_NE(ui.Of("retry")[0].text.find(tmp.file("afile/folder/kor2.cfg")), std::string::npos)
        << ui.Of("retry")[0].text;
}

TEST_F(ConfigTest, StateFile) {
    DataFolder = "C:\\SPRINGS";
    RecentFiles = {"a.kr2", "b.kr2", "", "d.kr2"};
    AbortFlag = true;  // cleared by the writer
    WriteStateFile();
    EXPECT_FALSE(AbortFlag);
    EXPECT_EQ(Slurp(tmp.file("kor2.cff")),
              "kor2 Session C:\\SPRINGS\r\na.kr2\r\nb.kr2\r\n\r\nd.kr2\r\n");
    RecentFiles = {};
    DataFolder = "X";
    ReadStateFile();
    EXPECT_EQ(RecentFiles[0], "a.kr2");
    EXPECT_EQ(RecentFiles[3], "d.kr2");
    EXPECT_EQ(DataFolder, "X");  // the folder in line 1 is not read back

    fs::remove(tmp.file("kor2.cff"));
    ReadStateFile();
    for (const auto& f : RecentFiles) EXPECT_TRUE(f.empty());
}

// The data folder of the last run is where the next start goes on, while it
// exists; the state file is written into a configuration folder made for it.
TEST_F(ConfigTest, StateFileKeepsTheDataFolderForTheNextStart) {
    fs::create_directory(tmp.file("springs"));
    std::string springs = tmp.file("springs");
    std::replace(springs.begin(), springs.end(), '/', '\\');
    ConfigDir = tmp.file("new/kor2");
    DataFolder = springs;
    RecentFiles = {springs + "\\a.kr2", "", "", ""};
    WriteStateFile();
    EXPECT_FALSE(AbortFlag);
    ASSERT_TRUE(fs::exists(tmp.file("new/kor2/kor2.cff")));

    Reset();
    ConfigDir = tmp.file("new/kor2");
    EXPECT_NE(DataFolder, springs);
    ReadStateFile();
    EXPECT_EQ(DataFolder, springs);
    EXPECT_EQ(RecentFiles[0], springs + "\\a.kr2");

    // A line 1 of another program or a folder removed since leave the default.
    for (const std::string& first : {std::string("other Session ") + springs,
                                     std::string("kor2 Session ") + springs + "\\gone",
                                     std::string("kor2 Session ")}) {
        Put(tmp.file("new/kor2/kor2.cff"), first + "\r\nb.kr2\r\n");
        DataFolder = "TRAIN";
        ReadStateFile();
        EXPECT_EQ(DataFolder, "TRAIN") << first;
        EXPECT_EQ(RecentFiles[0], "b.kr2");
    }
}

TEST_F(ConfigTest, CheckConfigFoldersFillsAndReports) {
    StartFolder = tmp.path().string();
    fs::create_directory(tmp.file("dbf"));
    Put(tmp.file("dbf/x.dbf"), "x");
    Put(tmp.file("x.txt"), "x");
    TempFolder = "  ";
    // Without TEMP the host's TMPDIR stands in, never the start folder
    // (both come back afterwards).
    const auto savedTemp = platform::GetEnv("TEMP");
    const auto savedTmpDir = platform::GetEnv("TMPDIR");
    unsetenv("TEMP");
    fs::create_directory(tmp.file("hosttemp"));
    platform::SetEnv("TMPDIR", tmp.file("hosttemp"));
    DbfFolder = tmp.file("dbf");
    PltFolder = "";
    EdiFolder = "";
    DefaultDataFolder = "";
    CadFolder = tmp.file("no/cad");
    CheckConfigFolders();
    if (savedTemp) platform::SetEnv("TEMP", *savedTemp);
    if (savedTmpDir)
        platform::SetEnv("TMPDIR", *savedTmpDir);
    else
        unsetenv("TMPDIR");
    std::string hostTemp = tmp.file("hosttemp") + "\\";
    std::replace(hostTemp.begin(), hostTemp.end(), '/', '\\');
    EXPECT_EQ(TempFolder, hostTemp);
    EXPECT_EQ(PltFolder, StartFolder + "\\");
    EXPECT_EQ(EdiFolder, StartFolder + "\\");
    EXPECT_EQ(DefaultDataFolder, StartFolder + "\\");
    const auto messages = ui.Of("message");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "ung\x81ltiger CAD Ordner konfiguriert");

    // The CAD, EDI and data folders that stand for the start folder are the
    // user's defaults, not a configuration: a start folder the user cannot
    // write gives no message about them.
    ui.events.clear();
    StartFolder = tmp.file("not/writable");
    for (std::string* folder : {&CadFolder, &EdiFolder, &DefaultDataFolder}) folder->clear();
    CheckConfigFolders();
    EXPECT_TRUE(ui.Of("message").empty());
    DefaultDataFolder = StartFolder;
    CadFolder = StartFolder + "\\";
    CheckConfigFolders();
    EXPECT_TRUE(ui.Of("message").empty());
    // Configured elsewhere they are checked.
    EdiFolder = tmp.file("no/edi");
    DefaultDataFolder = tmp.file("no/data");
    CheckConfigFolders();
    ASSERT_EQ(ui.Of("message").size(), 2u);
    EXPECT_EQ(ui.Of("message")[0].text, "ung\x81ltiger EDI Ordner konfiguriert");
    EXPECT_EQ(ui.Of("message")[1].text, "ung\x81ltiger Data Ordner konfiguriert");

    ui.events.clear();
    StartFolder = tmp.path().string();
    EdiFolder = DefaultDataFolder = StartFolder;
    CadFolder = StartFolder;
    TempFolder = tmp.file("no/temp");
    // A folder of any length with blanks is taken whole.
    const std::string typed = tmp.file("a folder typed whole, " + std::string(80, 't'));
    ui.answers.push_back(ScriptedAnswer::Type(typed));
    CheckConfigFolders();
    ASSERT_EQ(ui.Of("message").size(), 1u);
    EXPECT_EQ(ui.Of("message")[0].text,
              "ung\x81ltiger Ordner f\x81r tempor\x84re Dateien konfiguriert");
    ASSERT_EQ(ui.Of("text").size(), 1u);
    EXPECT_EQ(ui.Of("text")[0].text, "Ordner f\x81r tempor\x84re Dateien");
    EXPECT_EQ(TempFolder, typed);
}

TEST(ConfigStartValues, CadOutputVariables) {
    InitConfigVariables();
    EXPECT_EQ(CadLayerNames[0].str(), "0");
    EXPECT_EQ(CadLayerNames[5].str(), "5");
    EXPECT_EQ(CadLayerColours, (std::array<int32_t, 6>{1, 2, 2, 2, 3, 1}));
    EXPECT_EQ(CadLineThickness, (std::array<int32_t, 6>{3, 1, 1, 1, 2, 3}));
    EXPECT_EQ(CadLayerColours16[15], 16);
    EXPECT_EQ(CadLineThickness16[7], 1);
    EXPECT_EQ(CadZanplotCommands.count, 1);
    EXPECT_EQ(CadZanplotCommands.lines[4], "C:\\ZANPLOT\\WZANPLOT ZANPLOT.DXF /M1.0");
    EXPECT_EQ(CadTextStyle.str(), "TXT8");
    EXPECT_EQ(CadTextHeight, 5.0L);
    EXPECT_EQ(CadOutputMode, 3);
    EXPECT_NEAR(static_cast<double>(View3DAngles[2]), 210 * std::numbers::pi / 180, 1e-15);
    EXPECT_TRUE(Ask3DViewAngles);
    EXPECT_TRUE(TitleBlockExtraRow.empty());
}

}  // namespace
}  // namespace kor2
