// Tests that a layer has one colour: the graphics window paints each layer
// in the colour its DXF file declares for it (the CAD colour numbers), on
// screen and on the printed page alike.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <map>
#include <string>

#include "common/config.h"
#include "common/globals.h"
#include "graphics/cadout.h"
#include "graphics/cadsettings.h"
#include "graphics/qt/graphwidget.h"
#include "graphics/window/cadcolour.h"
#include "graphics/window/graphwin.h"
#include "platform/hostfs.h"
#include "support/tempdir.h"

namespace kor2 {
namespace {

// The layers the diagrams draw on and those of the standard colours 1..7.
constexpr int kLayers[] = {0, 5, 16, 17, 18, 19, 20, 21, 22, 29};

void DrawEachLayer() {
    CadBeginDrawing(0, 0, 100, 100);
    CadBeginTables(2);
    while (true) {
        CadBeginEntities();
        int y = 0;
        for (int n : kLayers) {
            CadSetLayer(n);
            CadLine(0, y, 100, y);
            y += 5;
        }
        CadEndSection();
        if (CadAllPassesDone()) break;
    }
}

// Colour number of each layer in the DXF's layer table (groups 2 and 62).
std::map<std::string, int> DxfLayerColours(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t e = text.find("\r\n", pos);
        if (e == std::string::npos) break;
        lines.push_back(text.substr(pos, e - pos));
        pos = e + 2;
    }
    std::map<std::string, int> colours;
    std::string name;
    bool inLayer = false;
    for (std::size_t i = 0; i + 1 < lines.size(); i += 2) {
        const int code = std::stoi(lines[i]);
        const std::string& v = lines[i + 1];
        if (code == 0)
            inLayer = v == "LAYER";
        else if (inLayer && code == 2)
            name = v;
        else if (inLayer && code == 62)
            colours[name] = std::stoi(v);
    }
    return colours;
}

TEST(LayerColours, ScreenPaintsTheColourTheDxfGivesEachLayer) {
    InitProgramVariables();
    InitConfigVariables();
    test::TempDir tmp;
    const std::string dxf = tmp.file("layers.dxf");
    CadOpenFile(kCadDxf, dxf);
    ASSERT_TRUE(CadIsOpen());
    DrawEachLayer();
    CadClose();
    const auto fileColours = DxfLayerColours(platform::ReadWholeFile(dxf).value_or(""));

    CadOpen(kCadScreen);
    ASSERT_TRUE(CadIsOpen());
    DrawEachLayer();
    CadClose();
    // The pens of the screen's display list, in drawing order.
    std::vector<int> pens;
    for (const GraphItem& it : GraphWindow.Items())
        if (it.kind == GraphItem::Kind::Pen && (pens.empty() || pens.back() != it.pen))
            pens.push_back(it.pen);
    ASSERT_GE(pens.size(), 2u);

    // Layer by layer: the screen's colour is the file's colour.
    for (int n : kLayers) {
        const auto it = fileColours.find(std::to_string(n));
        ASSERT_NE(it, fileColours.end()) << "layer " << n;
        EXPECT_EQ(CadLayerColour(n), it->second) << "layer " << n;
        const RgbColour rgb = CadColourRgb(it->second);
        EXPECT_EQ(QtGraphCanvas::PenColour(it->second), QColor(rgb.r, rgb.g, rgb.b))
            << "layer " << n;
    }
    // The standard numbers are the colours CAD programs show for them.
    EXPECT_EQ(QtGraphCanvas::PenColour(1), QColor(Qt::red));
    EXPECT_EQ(QtGraphCanvas::PenColour(2), QColor(Qt::yellow));
    EXPECT_EQ(QtGraphCanvas::PenColour(3), QColor(Qt::green));
    EXPECT_EQ(QtGraphCanvas::PenColour(4), QColor(Qt::cyan));
    EXPECT_EQ(QtGraphCanvas::PenColour(5), QColor(Qt::blue));
    EXPECT_EQ(QtGraphCanvas::PenColour(6), QColor(Qt::magenta));
    EXPECT_EQ(QtGraphCanvas::PenColour(7), QColor(Qt::black));

    // Painted: a line of the first standard colour (red) comes out in the
    // file's colour on the printed page, as the screen replays it too.
    GraphWindow.Clear();
    GraphWindow.Header(false, 0, 0, 100, 100);
    GraphWindow.SetPen(1);
    GraphWindow.MoveTo(0, 50);
    GraphWindow.LineTo(100, 50);
    QImage page(200, 200, QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter p(&page);
        QtGraphCanvas canvas(p);
        GraphWindow.ReplayOnPrinter(canvas, 200, 200, 200, 200);
    }
    EXPECT_EQ(QColor(page.pixel(100, 100)), QtGraphCanvas::PenColour(1));
    GraphWindow.Clear();
}

// Luminance contrast of two colours (1 equal, 21 black on white).
double Contrast(QColor a, QColor b) {
    auto lum = [](QColor c) {
        auto lin = [](double v) {
            return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
    };
    const double la = lum(a), lb = lum(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// A line in each standard colour and each grey, with a text of its colour,
// painted by the graphics window on its ground and, during a print job, on
// the white page. Gives for each colour the painted pixels of its band.
std::map<int, std::vector<QColor>> PaintColourBands(QColor ground, bool onPaper) {
    const std::vector<int> colours = {1, 2, 3, 4, 5, 6, 7, 8, 9, 250, 251, 252, 253, 254, 255};
    GraphWindow.Clear();
    GraphWindow.Header(false, 0, 0, 160, 160);
    for (std::size_t k = 0; k < colours.size(); ++k) {
        const double y = 150 - 10.0 * static_cast<double>(k);
        GraphWindow.SetPen(colours[k]);
        GraphWindow.MoveTo(0, y);
        GraphWindow.LineTo(60, y);
        GraphWindow.Label(80, y - 3, "Text", 6, 0);
    }
    TFquorgra w;
    w.SetBackground(ground);
    w.resize(320, 320);
    w.show();
    QImage page(320, 320, QImage::Format_RGB32);
    page.fill(Qt::white);
    QImage screen;
    {
        QPainter printer(&page);
        if (onPaper) {
            w.SetPrinterCanvas(&printer, page.size());
            GraphPrinting = true;
        }
        w.repaint();
        screen = w.grab().toImage();
        GraphPrinting = false;
        w.SetPrinterCanvas(nullptr, {});
    }
    const QImage& painted = onPaper ? page : screen;
    const QColor blank = onPaper ? QColor(Qt::white) : ground;
    // Each colour's band of rows, between its neighbours' lines.
    std::map<int, std::vector<QColor>> bands;
    const DeviceMap map =
        onPaper ? GraphWindow.PrinterMap(320, 320, 320, 320)
                : GraphWindow.ScreenMap(w.DrawingArea().width(), w.DrawingArea().height());
    for (std::size_t k = 0; k < colours.size(); ++k) {
        const double y = 150 - 10.0 * static_cast<double>(k);
        const int top = static_cast<int>(map.Y(y + 4)), bottom = static_cast<int>(map.Y(y - 4));
        for (int py = std::max(0, top); py <= bottom && py < painted.height(); ++py)
            for (int px = 0; px < painted.width(); ++px)
                if (QColor c = painted.pixelColor(px, py); c != blank)
                    bands[colours[k]].push_back(c);
    }
    GraphWindow.Clear();
    return bands;
}

// The darkest painted pixel of each colour stands out from white.
void ExpectEachBandReadsOnWhite(const std::map<int, std::vector<QColor>>& bands) {
    for (const auto& [colour, pixels] : bands) {
        ASSERT_FALSE(pixels.empty()) << "colour " << colour;
        const QColor darkest =
            *std::min_element(pixels.begin(), pixels.end(),
                              [](QColor a, QColor b) { return a.lightness() < b.lightness(); });
        EXPECT_GE(Contrast(darkest, Qt::white), 1.5)
            << "colour " << colour << " painted as " << darkest.name().toStdString();
    }
}

// On white paper no line or text is drawn in a colour that hardly differs
// from the paper (yellow, cyan, green, white): such a pen takes the paper's
// contrast colour, as it does on the screen's ground.
TEST(LayerColours, EveryColourReadsOnWhitePaper) {
    InitProgramVariables();
    InitConfigVariables();
    ExpectEachBandReadsOnWhite(PaintColourBands(Qt::black, true));
    // Colours that read on white keep their colour there.
    const auto bands = PaintColourBands(Qt::black, true);
    const auto& red = bands.at(1);
    EXPECT_NE(std::find(red.begin(), red.end(), QColor(Qt::red)), red.end());
}

// The screen keeps the same rule on its own ground: yellow shows on black,
// and on a white window it is drawn as on paper.
TEST(LayerColours, ScreenGroundDecidesTheContrastToo) {
    InitProgramVariables();
    InitConfigVariables();
    const auto onBlack = PaintColourBands(Qt::black, false);
    const auto& yellow = onBlack.at(2);
    EXPECT_NE(std::find(yellow.begin(), yellow.end(), QColor(Qt::yellow)), yellow.end());
    ExpectEachBandReadsOnWhite(PaintColourBands(Qt::white, false));
}

TEST(LayerColours, PaletteCoversEveryNumber) {
    // The colour wheel: hue in steps of 15 degrees, pale odd numbers, greys.
    EXPECT_EQ(CadColourRgb(10), (RgbColour{255, 0, 0}));
    EXPECT_EQ(CadColourRgb(50), (RgbColour{255, 255, 0}));
    EXPECT_EQ(CadColourRgb(90), (RgbColour{0, 255, 0}));
    EXPECT_EQ(CadColourRgb(170), (RgbColour{0, 0, 255}));
    EXPECT_EQ(CadColourRgb(11), (RgbColour{255, 128, 128}));
    EXPECT_EQ(CadColourRgb(255), (RgbColour{255, 255, 255}));
    EXPECT_EQ(CadColourRgb(250), (RgbColour{51, 51, 51}));
    // Out of range: the foreground.
    EXPECT_EQ(CadColourRgb(0), CadColourRgb(kCadForeground));
    EXPECT_EQ(CadColourRgb(-3), CadColourRgb(kCadForeground));
    EXPECT_EQ(CadColourRgb(256), CadColourRgb(kCadForeground));
    // Help pictures: plotter pen 1 black, 2 red.
    EXPECT_EQ(HpglPenColour(1), kCadForeground);
    EXPECT_EQ(HpglPenColour(2), 1);
    EXPECT_EQ(HpglPenColour(40), 40);
}

}  // namespace
}  // namespace kor2
