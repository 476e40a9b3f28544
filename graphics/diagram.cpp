// The diagram layer: the plotting rectangle, its world window and the
// drawing of axes and clipped primitives through the CAD output.
#include "graphics/diagram.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "common/checkmath.h"
#include "common/numfmt.h"
#include "graphics/cadout.h"

namespace kor2 {

namespace {

// Layers of the axes: frame and ticks, grid.
constexpr int32_t kAxisLayer = 16;
constexpr int32_t kGridLayer = 17;
// Scale steps per axis.
constexpr int32_t kIntervals = 6;
// A window of more steps is not gridded (limits from damaged values).
constexpr int kMaxSteps = 100;

struct DiagState {
    Extended width = 100, height = 80, x0 = 20, y0 = 20;
    DiagWindowLimits w;
};

DiagState& S() {
    static DiagState s;
    return s;
}

Extended Span(Extended a, Extended b) {
    const Extended d = b - a;
    return std::isfinite(d) && d != 0 ? d : 1;
}

// Whole steps from a to b; more than kMaxSteps (or not finite) gives
// kMaxSteps + 1, so that no grid is drawn.
int StepCount(Extended a, Extended b, Extended step) {
    const Extended n = (b - a) / step;
    if (!std::isfinite(n) || n > kMaxSteps || n < 0) return kMaxSteps + 1;
    return static_cast<int>(std::lround(static_cast<double>(n)));
}

}  // namespace

const DiagWindowLimits& DiagWindow() {
    return S().w;
}

void DiagSetPaperSize(Extended Width, Extended Height) {
    S().width = Width;
    S().height = Height;
}

void DiagSetPaperOrigin(Extended x0, Extended y0) {
    S().x0 = x0;
    S().y0 = y0;
}

Extended DiagMapX(Extended x) {
    const DiagState& s = S();
    return s.x0 + (x - s.w.xmin) * s.width / Span(s.w.xmin, s.w.xmax);
}

Extended DiagMapY(Extended y) {
    const DiagState& s = S();
    return s.y0 + (y - s.w.ymin) * s.height / Span(s.w.ymin, s.w.ymax);
}

void DiagDrawAxes(std::string_view XText, std::string_view YText, std::string_view Title,
                  Extended xmin, Extended ymin, Extended xmax, Extended ymax, uint16_t LabelMode) {
    DiagState& s = S();
    Extended xs = 1, ys = 1;
    CalcAxisScale(xmin, xmax, kIntervals, s.w.xmin, s.w.xmax, xs);
    CalcAxisScale(ymin, ymax, kIntervals, s.w.ymin, s.w.ymax, ys);

    const int32_t layer = CadLayer();
    const Extended x0 = s.x0, y0 = s.y0, x1 = s.x0 + s.width, y1 = s.y0 + s.height;
    const Extended tick = 1.5L, th = 2.0L;
    CadSetTextStyle(2, 0, th, 1.6L);

    const int nx = StepCount(s.w.xmin, s.w.xmax, xs);
    const int ny = StepCount(s.w.ymin, s.w.ymax, ys);
    const int every = LabelMode == 1 ? 2 : 1;
    if (nx <= kMaxSteps && ny <= kMaxSteps) {
        for (int i = 0; i <= nx; ++i) {
            const Extended v = s.w.xmin + i * xs;
            const Extended x = DiagMapX(v);
            if (i > 0 && i < nx) {
                CadSetLayer(kGridLayer);
                CadLine(x, y0, x, y1);
            }
            CadSetLayer(kAxisLayer);
            CadLine(x, y0, x, y0 - tick);
            if (i % every == 0) {
                const std::string t = FloatToStr3(v);
                CadText(x - th * 0.4L * static_cast<Extended>(t.size()), y0 - tick - 1.2L * th, t);
            }
        }
        for (int i = 0; i <= ny; ++i) {
            const Extended v = s.w.ymin + i * ys;
            const Extended y = DiagMapY(v);
            if (i > 0 && i < ny) {
                CadSetLayer(kGridLayer);
                CadLine(x0, y, x1, y);
            }
            CadSetLayer(kAxisLayer);
            CadLine(x0 - tick, y, x0, y);
            if (i % every == 0) {
                const std::string t = FloatToStr3(v);
                CadText(x0 - tick - 0.5L - th * 0.8L * static_cast<Extended>(t.size()), y - th / 2,
                        t);
            }
        }
    }
    CadSetLayer(kAxisLayer);
    CadLine(x0, y0, x1, y0);
    CadLine(x1, y0, x1, y1);
    CadLine(x1, y1, x0, y1);
    CadLine(x0, y1, x0, y0);
    CadText(x1 - th * 0.8L * static_cast<Extended>(XText.size()), y0 - tick - 2.6L * th, XText);
    CadText(x0 - tick, y1 + 0.8L * th, YText);
    CadSetTextStyle(2, 0, 3.0L, 2.4L);
    CadText(x0 + s.width / 2 - 1.2L * static_cast<Extended>(Title.size()), y1 + 3.0L * th, Title);
    CadSetLayer(layer);
}

void DiagScaleWorld(Extended fx, Extended fy) {
    DiagWindowLimits& w = S().w;
    if (fx != 0 && std::isfinite(fx)) {
        w.xmin /= fx;
        w.xmax /= fx;
    }
    if (fy != 0 && std::isfinite(fy)) {
        w.ymin /= fy;
        w.ymax /= fy;
    }
}

bool DiagClipSegment(Extended& x1, Extended& y1, Extended& x2, Extended& y2, Extended xmin,
                     Extended ymin, Extended xmax, Extended ymax) {
    const Extended dx = x2 - x1, dy = y2 - y1;
    Extended t0 = 0, t1 = 1;
    // p t <= q for each of the four edges.
    const Extended p[4] = {-dx, dx, -dy, dy};
    const Extended q[4] = {x1 - xmin, xmax - x1, y1 - ymin, ymax - y1};
    for (int i = 0; i < 4; ++i) {
        if (!std::isfinite(p[i]) || !std::isfinite(q[i])) return false;
        if (p[i] == 0) {
            if (q[i] < 0) return false;  // parallel and outside
            continue;
        }
        const Extended t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1) return false;
    }
    const Extended ax = x1, ay = y1;
    x1 = ax + t0 * dx;
    y1 = ay + t0 * dy;
    x2 = ax + t1 * dx;
    y2 = ay + t1 * dy;
    return true;
}

void DiagClippedLine(Extended x1, Extended y1, Extended x2, Extended y2) {
    const DiagWindowLimits& w = S().w;
    if (!DiagClipSegment(x1, y1, x2, y2, std::min(w.xmin, w.xmax), std::min(w.ymin, w.ymax),
                         std::max(w.xmin, w.xmax), std::max(w.ymin, w.ymax)))
        return;
    CadLine(DiagMapX(x1), DiagMapY(y1), DiagMapX(x2), DiagMapY(y2));
}

void DiagCircle(Extended x, Extended y, Extended r) {
    const DiagState& s = S();
    CadCircle(DiagMapX(x), DiagMapY(y), std::fabs(r * s.width / Span(s.w.xmin, s.w.xmax)));
}

void DiagText(std::string_view Text, Extended x, Extended y) {
    CadText(DiagMapX(x), DiagMapY(y), Text);
}

void DiagMoveTo(Extended x, Extended y) {
    CadMoveTo(DiagMapX(x), DiagMapY(y));
}

}  // namespace kor2
