// Configuration file (ProgramBaseName + ".cfg") and state file (".cff") in
// ConfigDir (the user's configuration folder, made on the first write), the settings only they carry, the CAD output variables and the
// check of the configured folders. The main window reads both files at start
// and writes the state file at its end; the settings dialog writes the
// configuration file.
#pragma once

#include <array>
#include <cstdint>
#include <numbers>
#include <string>

#include "common/shortstring.h"
#include "platform/real48.h"
#include "platform/types.h"

namespace kor2 {

// ---- CAD output variables (read by the graphics, CAD and diagram library) ----
inline constexpr int kCadLayerCount = 6;     // layers 0..5
inline constexpr int kCadLayer16Count = 16;  // layers 16..31
inline constexpr int kCadCommandLines = 5;
inline constexpr std::size_t kCadNameLen = 32;

inline constexpr const char* kCadDefaultCommand = "C:\\ZANPLOT\\WZANPLOT ZANPLOT.DXF /M1.0";

struct CadCommandList {
    int32_t count = 1;     // lines in use, 1..5
    int32_t selected = 1;  // the line the plot output runs
    std::array<std::string, kCadCommandLines> lines{kCadDefaultCommand, kCadDefaultCommand,
                                                    kCadDefaultCommand, kCadDefaultCommand,
                                                    kCadDefaultCommand};
};

// The variables below start with their start values; InitCadOutputVariables
// sets them again.

inline std::array<ShortString<kCadNameLen>, kCadLayerCount> CadLayerNames{"0", "1", "2",
                                                                          "3", "4", "5"};
inline std::array<int32_t, kCadLayerCount> CadLayerColours{1, 2, 2, 2, 3, 1};
inline std::array<int32_t, kCadLayerCount> CadLineThickness{3, 1, 1, 1, 2, 3};
// [0] is layer 16.
inline std::array<int32_t, kCadLayer16Count> CadLayerColours16{1, 2,  3,  4,  5,  6,  7,  8,
                                                               9, 10, 11, 12, 13, 14, 15, 16};
inline std::array<int32_t, kCadLayer16Count> CadLineThickness16{1, 1, 1, 1, 1, 1, 1, 1,
                                                                1, 1, 1, 1, 1, 1, 1, 1};
inline CadCommandList CadZanplotCommands;
inline ShortString<kCadNameLen> CadTextStyle{"TXT8"};
inline Extended CadDefaultTextWidth = 1.0L;
inline Extended CadDefaultTextAngle = 0;
inline Extended CadTextAngle = 0;
inline Extended CadTextWidthFactor = 1.0L;
inline Extended CadTextHeight = 5.0L;
inline uint16_t CadOutputMode = 3;
inline Extended CadTextX = 0, CadTextY = 0, CadOriginX = 0, CadOriginY = 0;
inline bool CadMonochrome = false;
inline int32_t CadDecimals = 6;
inline Extended CadScaleSetting = 1.0L;
inline constexpr Extended kRadiansPerDegree = std::numbers::pi_v<Extended> / 180;
inline std::array<Extended, 3> View3DAngles{-15 * kRadiansPerDegree, 90 * kRadiansPerDegree,
                                            210 * kRadiansPerDegree};
inline bool Ask3DViewAngles = true;
inline bool HideTitleImprint = false;
inline bool HideTitleDate = false;
inline bool HideTitleDateTime = false;
inline bool HideTitleLogo = false;
inline std::string TitleBlockExtraRow;

// Sets the CAD output variables above to their start values.
void InitCadOutputVariables();

// ---- Settings kept only in the configuration file -----------------------------
struct WindowRect {
    int32_t left = 0, top = 0, width = 0, height = 0;
};

inline Extended GraphCorrectionX = 1.0L;
inline Extended ZoomFactor = 1.02L;
inline Extended PanFactor = 0.01L;
inline int32_t WindowColour = 0;
inline Extended GraphTextWidthFactor = 0.8L;
inline ShortString<60> GraphTextStyle{"Arial"};
inline int32_t ScreendumpOriginX = 0;
inline int32_t ScreendumpOriginY = 0;
inline Real48 ScreendumpScale = Real48::FromExtended(1.0L);
inline bool ScreendumpBorder = false;
inline Extended TextHeightFactor = 1.0L;
inline Real48 PrintScaleVertical = Real48::FromExtended(1.0L);
inline bool GraphPrintDialog = true;
inline WindowRect TextWindowRect;
inline ShortString<60> PrintFontName{"Courier New"};
inline int32_t PrintFontSize = 10;
inline int32_t PrintFontStyle = 0;  // bit 1 bold, 2 italic, 4 underline, 8 strike-out
inline int32_t GraphFontStyle = 0;
inline uint16_t PrinterOrientation = 1;  // 1 portrait, 2 landscape

// The folder tried when ConfigDir holds no configuration file: the program's
// own files once the program has started. A file read from there never
// changes ConfigDir.
inline std::string ConfigFallbackDir = "c:\\quorvex\\";

// The settings above and the CAD output variables to their start values.
void InitConfigVariables();
// The CAD output's text style, text cursor and origin to their start values
// (every CAD output starts from them).
void InitCadDrawingVariables();

// ---- Files -----------------------------------------------------------------------
std::string ConfigFileName();  // ConfigDir\ + ProgramBaseName + ".cfg"
std::string StateFileName();   // ConfigDir\ + ProgramBaseName + ".cff"

// Reads the configuration file, the user's or else the one in
// ConfigFallbackDir. Without one the screen-derived defaults are set and
// AbortFlag is set (no error message). A file of an older version is
// read as far as it goes; values after its end keep what they had.
void ReadConfigFile();
// Writes the whole configuration file; nothing when AbortFlag is set.
void WriteConfigFile();
// The end fix-up of the screen resolution, then closes the file.
void ConfigReadFinish();

// Recent files, and the data folder of the last run when it still exists.
void ReadStateFile();
void WriteStateFile();

// Fills empty folder settings and reports folders that cannot be used; the
// CAD, EDI and data folders only where they are configured (not standing
// for the start folder).
void CheckConfigFolders();

}  // namespace kor2
