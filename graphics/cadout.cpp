// The CAD output's procedural interface: one open output at a time, its
// drawing state and the choice of the writer. Origin, text cursor and text
// style are the CAD output variables of the configuration (config.h); the
// file writers' text reaches the disk in CadClose.
#include "graphics/cadout.h"

#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "common/config.h"
#include "common/dialogs.h"
#include "common/fileops.h"
#include "common/filepath.h"
#include "common/globals.h"
#include "common/inputdlg.h"
#include "common/msgbox.h"
#include "common/textutil.h"
#include "graphics/cadsettings.h"
#include "graphics/cadwriter.h"
#include "graphics/window/graphwin.h"
#include "platform/hostfs.h"
#include "platform/progfiles.h"
#include "platform/sysclock.h"

namespace kor2 {

namespace {

// Layer and font of a fresh output.
constexpr int kStartLayer = 0;
constexpr int kStartFont = 2;

struct CadState {
    std::unique_ptr<CadWriter> writer;
    uint16_t mode = 0;
    std::string fileName;  // program path text of the file outputs
    Extended scale = 1, lineSpacing = 1;
    int alignment = 0;  // left end of the base line
    int layer = kStartLayer;
    int font = kStartFont;
    bool framePending = false;
    Extended frame[4] = {0, 0, 0, 0};
};

CadState& State() {
    static CadState s;
    return s;
}

Extended SheetX(Extended x) {
    return CadOriginX + State().scale * x;
}
Extended SheetY(Extended y) {
    return CadOriginY + State().scale * y;
}

void DrawPendingFrame() {
    CadState& s = State();
    if (!s.framePending || !s.writer) return;
    s.framePending = false;
    s.writer->SetLayer(0);
    const Extended x1 = s.frame[0], y1 = s.frame[1], x2 = s.frame[2], y2 = s.frame[3];
    s.writer->Line(x1, y1, x2, y1);
    s.writer->Line(x2, y1, x2, y2);
    s.writer->Line(x2, y2, x1, y2);
    s.writer->Line(x1, y2, x1, y1);
    s.writer->SetLayer(s.layer);
}

const char* MaskFor(uint16_t mode) {
    switch (mode) {
        case kCadIges:
            return "*.igs";
        case kCadTextFile:
            return "*.txt";
        default:
            return "*.dxf";
    }
}

// The temporary file that the plot program reads; the shut-down removes
// every "$*.dx$" of the temporary folder.
std::string PlotFileName() {
    return RunTempFolder() + "$plot.dx$";
}

// Starts the configured plot program on the plot file: a word of the
// command line that names a ".dxf" file stands for the plot file; without
// one the file is passed last.
void StartPlotProgram(const std::string& plotFile) {
    std::vector<std::string> words = platform::SplitCommandWords(CadPlotCommandLine());
    const std::string program = words.empty() ? std::string() : words.front();
    std::vector<std::string> args;
    bool placed = false;
    for (std::size_t i = 1; i < words.size(); ++i) {
        if (UpperCaseStr(ExtractFileExtNoDot(words[i])) == "DXF") {
            args.push_back(platform::HostPath(plotFile));
            placed = true;
        } else {
            args.push_back(words[i]);
        }
    }
    if (!placed) args.push_back(platform::HostPath(plotFile));
    if (program.empty() || !platform::StartProgram(program, args)) {
        ShowErrorMessage("Plotprogramm kann nicht gestartet werden: " +
                         platform::DisplayPath(program));
        AbortFlag = true;
    }
}

void Discard() {
    CadState& s = State();
    s.writer.reset();
    s.mode = 0;
    s.fileName.clear();
    s.framePending = false;
}

void Start(uint16_t mode, std::string fileName) {
    CadState& s = State();
    switch (mode) {
        case kCadDxf:
            s.writer = MakeDxfWriter(CadConfiguredDecimals());
            break;
        case kCadIges: {
            // The global section names the file as it lands on disk: its
            // real case and its extension, without the folders.
            const std::string onDisk = platform::DisplayPath(fileName);
            s.writer = MakeIgesWriter(onDisk.substr(ExtractFilePathL(onDisk).size()));
            break;
        }
        case kCadScreen:
            s.writer = MakeScreenWriter(GraphWindow);
            break;
        case kCadPlot:
            s.writer = MakeDxfWriter(CadConfiguredDecimals());
            break;
        case kCadTextFile:
            s.writer = MakeCadTextWriter(CadConfiguredDecimals());
            break;
        default:
            AbortFlag = true;
            return;
    }
    s.mode = mode;
    s.fileName = std::move(fileName);
    // Every output starts from the same state, whatever the previous
    // drawing left: the same file for the same drawing.
    InitCadDrawingVariables();
    s.scale = 1;
    s.lineSpacing = 1;
    s.alignment = 0;
    s.layer = kStartLayer;
    s.font = kStartFont;
    s.writer->SetLayer(s.layer);
}

// Opens the output file fileName; chosen is the name a save dialog returned.
void OpenNamedFile(uint16_t Mode, std::string_view fileName, std::string_view chosen);

}  // namespace

void CadOpen(uint16_t Mode) {
    if (AbortFlag) return;
    Discard();
    if (Mode < kCadDxf || Mode > kCadTextFile) {
        static constexpr std::array<const char*, 5> kItems = {
            "DXF-Datei", "IGES-Datei", "Bildschirm", "Plotprogramm", "CAD-Code-Textdatei"};
        for (std::size_t i = 0; i < kItems.size(); ++i) TextLines[i + 1] = kItems[i];
        uint16_t sel = CadOutputMode;
        SelectFromList("CAD-Ausgabe", static_cast<int32_t>(kItems.size()), sel);
        if (AbortFlag) return;
        Mode = sel;
        CadOutputMode = sel;
    }
    if (Mode == kCadScreen) {
        Start(Mode, {});
        return;
    }
    if (Mode == kCadPlot) {
        Start(Mode, PlotFileName());
        return;
    }
    const std::string mask = MaskFor(Mode);
    const std::string dir = TrimBlanks(CadFolder).empty() ? DataFolder : CadFolder;
    const auto chosen = Dialogs().SaveFile(RemoveBackslash(AddBackslash(dir)), mask + "|" + mask);
    SetArrowCursorDlg();
    if (!chosen || TrimBlanks(*chosen).empty()) {
        AbortFlag = true;
        return;
    }
    std::string name = *chosen;
    // ".dxf" and the others, after a name without extension (a dot in a
    // folder's name is none).
    if (ExtractFileExtNoDot(name.substr(ExtractFilePathL(name).size())).empty())
        name += mask.substr(1);
    OpenNamedFile(Mode, name, *chosen);
}

void CadOpenFile(uint16_t Mode, std::string_view fileName) {
    OpenNamedFile(Mode, fileName, {});
}

namespace {

void OpenNamedFile(uint16_t Mode, std::string_view fileName, std::string_view chosen) {
    if (AbortFlag) return;
    Discard();
    if (Mode < kCadDxf || Mode > kCadTextFile) {
        AbortFlag = true;
        return;
    }
    if (Mode == kCadScreen || Mode == kCadPlot) {
        Start(Mode, Mode == kCadPlot ? PlotFileName() : std::string());
        return;
    }
    ConfirmOverwrite(fileName, chosen);
    if (AbortFlag) return;
    Start(Mode, std::string(fileName));
}

}  // namespace

void CadClose() {
    CadState& s = State();
    if (!s.writer) return;
    DrawPendingFrame();
    const std::string data = s.writer->Finish();
    const uint16_t mode = s.mode;
    const std::string name = s.fileName;
    Discard();
    if (mode == kCadScreen) return;
    if (!platform::WriteFileReplacing(name, data)) {
        ShowErrorIfEnabled(CannotWriteText(name));
        AbortFlag = true;
        return;
    }
    if (mode == kCadPlot) StartPlotProgram(name);
}

bool CadIsOpen() {
    return State().writer != nullptr;
}

uint16_t CadMode() {
    return State().mode;
}

void CadBeginDrawing(Extended xmin, Extended ymin, Extended xmax, Extended ymax) {
    CadState& s = State();
    if (!s.writer) return;
    s.writer->BeginDrawing(xmin, ymin, xmax, ymax);
    s.framePending = CadSheetFrame;
    s.frame[0] = xmin;
    s.frame[1] = ymin;
    s.frame[2] = xmax;
    s.frame[3] = ymax;
}

void CadBeginTables(uint16_t LayerScheme) {
    if (State().writer) State().writer->BeginTables(LayerScheme);
}

void CadBeginEntities() {
    CadState& s = State();
    if (!s.writer) return;
    s.writer->BeginEntities();
    DrawPendingFrame();
}

void CadEndSection() {
    if (State().writer) State().writer->EndSection();
}

bool CadAllPassesDone() {
    return true;
}

void CadSetLayer(int32_t n) {
    if (n < 0) n = 0;
    if (n > 31) n = 16 + n % 16;
    CadState& s = State();
    s.layer = n;
    if (s.writer) s.writer->SetLayer(n);
}

int32_t CadLayer() {
    return State().layer;
}

void CadSetTextStyle(int32_t Font, Extended Angle, Extended Height, Extended Width) {
    State().font = Font;
    CadTextAngle = Angle;
    CadTextHeight = Height;
    CadTextWidthFactor = CadConfiguredWidthFactor() * (Height != 0 ? Width / Height : 1);
}

void CadMoveTo(Extended x, Extended y) {
    CadTextX = x;
    CadTextY = y;
}

void CadWriteLine(std::string_view Text) {
    if (Text.empty()) return;
    CadText(CadTextX, CadTextY, Text);
    CadTextY -= 1.6L * CadTextHeight * State().lineSpacing;
}

void DrawHeaderLines() {
    CadSetTextStyle(2, 0, 2.5L, 2.0L);
    CadMoveTo(78, 116);
    for (int k = 1; k <= kReportTitleLineCount; ++k) {
        std::string line = ReportTitleLines[static_cast<std::size_t>(k)].str();
        while (!line.empty() && line.back() == ' ') line.pop_back();
        CadWriteLine(line);
    }
}

void CadLine(Extended x1, Extended y1, Extended x2, Extended y2) {
    if (State().writer) State().writer->Line(SheetX(x1), SheetY(y1), SheetX(x2), SheetY(y2));
}

void CadCircle(Extended x, Extended y, Extended r) {
    if (State().writer) State().writer->Circle(SheetX(x), SheetY(y), State().scale * r);
}

void CadArc(Extended x, Extended y, Extended r, Extended a1Deg, Extended a2Deg) {
    if (State().writer) State().writer->Arc(SheetX(x), SheetY(y), State().scale * r, a1Deg, a2Deg);
}

void CadText(Extended x, Extended y, std::string_view text) {
    CadState& s = State();
    if (!s.writer || text.empty()) return;
    CadTextAttr attr;
    attr.font = s.font;
    attr.height = CadTextHeight * s.scale;
    attr.widthFactor = CadTextWidthFactor;
    attr.angle = CadTextAngle;
    s.writer->Text(SheetX(x), SheetY(y), text, attr);
}

}  // namespace kor2
