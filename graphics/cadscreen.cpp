// The screen output of the CAD interface: primitives go into the display
// list of the graphics window, with each layer's colour as the pen. Chosen
// by CadOpen for output mode 3.
#include <algorithm>
#include <cmath>

#include "common/checkmath.h"
#include "graphics/cadsettings.h"
#include "graphics/cadwriter.h"
#include "graphics/window/graphwin.h"

namespace kor2 {

namespace {

int StyleOf(const std::string& lineType) {
    if (lineType == "DASHED") return 1;
    if (lineType == "CENTER") return 3;
    return 0;
}

class ScreenWriter : public CadWriter {
public:
    explicit ScreenWriter(GraphWindowModel& w) : w_(w) {}

    void BeginDrawing(Extended xmin, Extended ymin, Extended xmax, Extended ymax) override {
        CadWriter::BeginDrawing(xmin, ymin, xmax, ymax);
        w_.Header(false, static_cast<double>(xmin), static_cast<double>(ymin),
                  static_cast<double>(xmax), static_cast<double>(ymax));
    }
    void BeginEntities() override {
        w_.Clear();
        penLayer_ = -1;
    }

    void Line(Extended x1, Extended y1, Extended x2, Extended y2) override {
        Pen();
        w_.MoveTo(static_cast<double>(x1), static_cast<double>(y1));
        w_.LineTo(static_cast<double>(x2), static_cast<double>(y2));
    }
    void Circle(Extended x, Extended y, Extended r) override {
        Pen();
        w_.Circle(static_cast<double>(x), static_cast<double>(y), static_cast<double>(r));
    }
    void Arc(Extended x, Extended y, Extended r, Extended a1, Extended a2) override {
        Pen();
        // The display list has no arcs: chords of at most 5 degrees.
        Extended sweep = AngleDiffDeg(a1, a2);
        if (!(sweep > 0)) sweep = 360;  // a full circle; also for NaN
        const int steps = std::clamp(static_cast<int>(std::ceil(sweep / 5)), 1, 72);
        for (int i = 0; i <= steps; ++i) {
            const Extended a = DegToRad(a1 + sweep * i / steps);
            const double px = static_cast<double>(x + r * std::cos(a));
            const double py = static_cast<double>(y + r * std::sin(a));
            if (i == 0)
                w_.MoveTo(px, py);
            else
                w_.LineTo(px, py);
        }
    }
    void Text(Extended x, Extended y, std::string_view text, const CadTextAttr& attr) override {
        if (text.empty()) return;
        Pen();
        w_.Label(static_cast<double>(x), static_cast<double>(y), text,
                 static_cast<double>(attr.height), static_cast<double>(attr.angle));
    }

    std::string Finish() override {
        w_.Repaint();
        return {};
    }

private:
    void Pen() {
        if (penLayer_ == layer_) return;
        penLayer_ = layer_;
        w_.SetLineStyle(StyleOf(CadLayerLineType(layer_)));
        w_.SetPen(CadLayerColour(layer_));
    }

    GraphWindowModel& w_;
    int penLayer_ = -1;
};

}  // namespace

std::unique_ptr<CadWriter> MakeScreenWriter(GraphWindowModel& window) {
    return std::make_unique<ScreenWriter>(window);
}

}  // namespace kor2
