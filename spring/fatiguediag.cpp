// Goodman and Haigh diagrams: both derive their lines from GoodmanLimits and
// draw through the CAD output and the diagram layer, stresses in N/mm^2 as
// world coordinates and in the current unit system on the axes.
#include "spring/fatiguediag.h"

#include <string>

#include "common/checkmath.h"
#include "common/errdesc.h"
#include "common/globals.h"
#include "common/inputdlg.h"
#include "common/numfmt.h"
#include "common/textutil.h"
#include "graphics/cadout.h"
#include "graphics/diagram.h"
#include "platform/oemtext.h"
#include "spring/goodman.h"
#include "spring/springdata.h"

namespace kor2 {

namespace {

enum class Kind { Goodman, Haigh };

constexpr int32_t kLayerLine = 5;
constexpr int32_t kLayer10Mio = 18;
constexpr int32_t kLayerText = 19;
constexpr int32_t kLayer1Mio = 21;
constexpr int32_t kLayer100k = 29;

const char* const kCycles = "Mio.Lastsp.";

std::string Millions(Extended n) {
    return FloatToStrDigits(2, n / 1E6L);
}

std::string Hours(Extended n, Extended f) {
    return FloatToStrDigits(2, n / f / 3600);
}

std::string Stress(Extended v) {
    return StressToStrFixed(4, 0, v) + " " + StressUnitName();
}

// The material line under a diagram: a material without a standard name (an
// own material) shows no empty brackets.
std::string MaterialLine(std::string text) {
    const std::size_t at = text.find(" ()");
    if (at == std::string::npos) return text;
    text.erase(at, 3);
    return TrimBlanks(text);
}

void Plot(uint16_t mode, void (*draw)()) {
    if (CalcErrorFlag) {
        ShowCalcMessages();
        return;
    }
    CadOpen(mode);
    if (AbortFlag) return;
    CadBeginDrawing(0, 0, 160, 120);
    CadBeginTables(2);
    do {
        CadBeginEntities();
        draw();
        CadEndSection();
    } while (!CadAllPassesDone());
    CadClose();
    RestoreCursor();
}

// One limit line for N cycles: from the stroke strength at lower stress 0
// up the sloped line to the knee, then along the limit to `to`.
struct LimitLine {
    Extended tauH;  // stroke strength TauH(N)
    Extended knee;  // K(N)
    Extended to;    // lower stress where the line's limit part ends
    int32_t layer;
    const char* goodmanLabel;
    const char* haighLabel;
    Extended goodmanLabelDx;  // label x relative to the knee in the Goodman diagram
};

void DrawLimitLines(Kind kind, Extended tauO, Extended tauH, Extended slope, Extended knee) {
    const Extended tauH6 = MinExt(1.25L * tauH, tauO);
    const Extended tauH5 = MinExt(1.5L * tauH, tauO);
    const Extended k6 = (tauO - tauH6) / slope;
    const Extended k5 = (tauO - tauH5) / slope;
    const LimitLine lines[3] = {
        {tauH, knee, tauO, kLayer10Mio, "  10 Mio.Lastsp.", "10 Mio.Lastsp.", 20},
        {tauH6, k6, knee, kLayer1Mio, "   1Mio.", "1 Mio.Lastsp.", -20},
        {tauH5, k5, k6, kLayer100k, " 100000", "100000 Lastsp.", -20},
    };
    // Haigh labels follow the rising part of the 10-million line.
    const Extended angle =
        kind == Kind::Haigh ? RadToDeg(ArcTan2Ext(knee, tauO - knee - tauH)) : Extended(0);
    CadSetTextStyle(2, angle, 2.0L, 1.5L);
    for (const LimitLine& l : lines) {
        CadSetLayer(l.layer);
        if (kind == Kind::Goodman) {
            DiagClippedLine(0, l.tauH, l.knee, tauO);
            DiagClippedLine(l.knee, tauO, l.to, tauO);
            DiagText(l.goodmanLabel, l.knee + l.goodmanLabelDx, tauO + 20);
        } else {
            DiagClippedLine(0, l.tauH, l.knee, tauO - l.knee);
            DiagClippedLine(l.knee, tauO - l.knee, l.to, tauO - l.to);
            DiagText(l.haighLabel, 10, l.tauH + 20);
        }
    }
}

void DrawWorkingPoint(Kind kind) {
    const Extended k1 = CorrectedStress1, k2 = CorrectedStress2;
    const Extended y1 = kind == Kind::Goodman ? k1 : 0;
    const Extended y2 = kind == Kind::Goodman ? k2 : k2 - k1;
    CadSetLayer(kLayer1Mio);
    DiagCircle(k1, y1, 10);
    DiagCircle(k1, y2, 10);
    CadSetLayer(kLayerLine);
    DiagClippedLine(k1, y1, k1, y2);
    CadSetLayer(kLayerText);
    CadSetTextStyle(2, 0, 2.2L, 1.8L);
    if (kind == Kind::Goodman) {
        DiagText("tau k1", k1 + 40, k1);
        DiagText("tau k2", k1 + 40, k2);
    } else {
        DiagText("tau k1", k1 + 20, 10);
        DiagText("tau kh", k1 + 20, k2 - k1);
    }
}

void DrawFatigueDiagram(Kind kind) {
    Extended tauO = 0, tauH = 0, slope = 0, knee = 0;
    std::string text;
    GoodmanLimits(1, tauO, tauH, slope, knee, text);
    DrawHeaderLines();
    GoodmanTextBlock(tauH, tauO, slope);

    DiagSetPaperSize(90, 85);
    DiagSetPaperOrigin(15, 20);
    const Extended top = StressToCurrentUnits(MaxExt(1200, tauO));
    const bool goodman = kind == Kind::Goodman;
    DiagDrawAxes("  tau u", goodman ? "tau o" : "tau h",
                 goodman ? "Goodman-Diagramm" : "Haigh-Goodman-Diagramm", 0, 0, top, top, 0);
    const Extended unit = StressToCurrentUnits(1);
    DiagScaleWorld(unit, unit);
    if (goodman) DiagClippedLine(0, 0, DiagWindow().xmax, DiagWindow().ymax);

    if (tauO == 0 && tauH == 0 && slope == 0) {
        CadSetTextStyle(2, 0, 2.5L, 2.0L);
        DiagText("Für diesen Werkstoff sind keine Daten gespeichert"_oem, 50, 500);
        PermStrokeStress = 0;
    } else if (MaterialIndex != 0) {
        CadSetTextStyle(2, 0, 2.5L, 2.0L);
        DiagText("No data for self-defined materials", 50, 500);
        PermStrokeStress = 0;
    } else if (slope == 0) {
        AddErrorMessage("Fatal  : FEDWST Goodman");
        return;
    } else {
        DrawLimitLines(kind, tauO, tauH, slope, knee);
    }

    DrawWorkingPoint(kind);

    CadSetLayer(kLayerText);
    CadSetTextStyle(2, 0, 2.5L, 2.0L);
    if (goodman) {
        DiagMoveTo(-150, -180);
        CadWriteLine("Dauerfestigkeitsschaubild (Goodman-Diagramm)");
    } else {
        DiagMoveTo(-120, -200);
    }
    CadWriteLine(MaterialLine(text));
}

}  // namespace

void PlotGoodmanDiagram(uint16_t Mode) {
    Plot(Mode, DrawGoodmanDiagram);
}

void PlotHaighDiagram(uint16_t Mode) {
    Plot(Mode, DrawHaighDiagram);
}

void DrawGoodmanDiagram() {
    DrawFatigueDiagram(Kind::Goodman);
}

void DrawHaighDiagram() {
    DrawFatigueDiagram(Kind::Haigh);
}

void GoodmanTextBlock([[maybe_unused]] Extended TauH, Extended TauO,
                      [[maybe_unused]] Extended Slope) {
    CadMoveTo(115, 102);
    CadSetTextStyle(2, 0, 2.5L, 2.0L);
    CadSetLayer(kLayerText);
    CadWriteLine("d  = " + LengthToStr(WireDiameter) + " " + LengthUnitName());
    CadWriteLine("tauk1= " + Stress(CorrectedStress1));
    CadWriteLine("tauk2= " + Stress(CorrectedStress2));
    CadWriteLine("taukh= " + Stress(CorrectedStrokeStress));
    CadWriteLine(" ");
    CadWriteLine("E = " + StressToStrFixed(6, 0, ModulusE) + " " + StressUnitName());
    CadWriteLine("G = " + StressToStrFixed(6, 0, ModulusG) + " " + StressUnitName());
    CadWriteLine("rho= " + FloatToStrFixed(2, 2, Density) + " " + DensityUnitName());
    CadWriteLine("Rm =  " + Stress(TensileStrength));
    if (PermStrokeStress > 0) {
        CadWriteLine("tauoz= " + Stress(TauO));
        CadWriteLine("tauhz= " + Stress(PermStrokeStress));
    } else {
        CadWriteLine("tauz = " + Stress(PermShearStress));
    }
    const bool tolerance = StrengthTolPlus != 0 || StrengthTolMinus != 0;
    if (tolerance)
        CadWriteLine("tol. = " + ToleranceToStr(StrengthTolPlus, StrengthTolMinus) + " %");
    CadWriteLine(" ");

    const bool dynamic = PermStrokeStress > 0 && LoadingType == 2;
    if (!dynamic) return;
    const Extended f = OperatingFrequency;
    const bool collective = LoadCollectiveOn > 0;
    const std::string range =
        "(" + Millions(LoadCyclesLow) + " .. " + Millions(LoadCyclesHigh) + " " + kCycles + ")";
    if (SafetyFactorStroke < 1) {
        if (collective) CadWriteLine("L1, L2, freq:");
        CadWriteLine("N = " + Millions(LoadCycles) + " " + kCycles);
        if (tolerance) CadWriteLine(range);
        if (f > 0) {
            CadWriteLine("tN= " + Hours(LoadCycles, f) + " h  (f=" + FloatToStr3(f) + "/s)");
            if (tolerance)
                CadWriteLine("(" + Hours(LoadCyclesLow, f) + " .. " + Hours(LoadCyclesHigh, f) +
                             " h)");
        }
    } else {
        CadWriteLine(std::string("N > 10 ") + kCycles);
        if (LoadCyclesLow < 1E7L) {
            CadWriteLine(range);
            // Without a frequency there are no hours to give.
            if (f > 0)
                CadWriteLine("tN= " + Hours(LoadCyclesLow, f) + " .. " + Hours(LoadCyclesHigh, f) +
                             " h");
        }
    }
    if (collective) {
        CadWriteLine(" ");
        CadWriteLine("Lastkollektiv:");
        if (LoadCollectiveFlag != 0) {
            CadWriteLine("tN = dauerfest");
        } else {
            if (LoadCollectiveCycles > 0)
                CadWriteLine("Nn= " + Millions(LoadCollectiveCycles) + " " + kCycles);
            if (LoadCollectiveHours > 0)
                CadWriteLine("tN= " + FloatToStrDigits(2, LoadCollectiveHours) + " h");
        }
    } else if (SafetyFactorStroke > 1) {
        CadWriteLine("dauerfest");
        CadWriteLine("bis " + FloatToStrSig(0, 100 * SafetyFactorStroke) + "% " + "Hub");
    }
}

}  // namespace kor2
