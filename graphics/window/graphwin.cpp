// The graphics window's display list and world-to-device mapping. Drawing
// calls record here; the screen widget and the printer replay the list.
#include "graphics/window/graphwin.h"

#include <algorithm>
#include <cmath>

#include "graphics/window/cadcolour.h"

namespace kor2 {

namespace {

// Coordinates far outside any sensible drawing are clamped, so that a
// damaged picture cannot hand the painter infinite or absurd values.
constexpr double kCoordLimit = 1e7;

double Sane(double v) {
    if (!std::isfinite(v)) return 0;
    return std::clamp(v, -kCoordLimit, kCoordLimit);
}

}  // namespace

void GraphWindowModel::Clear() {
    items_.clear();
    curX_ = curY_ = 0;
    Repaint();
}

void GraphWindowModel::Header(bool frame, double x1, double y1, double x2, double y2) {
    frame_ = frame;
    wx1_ = Sane(x1);
    wy1_ = Sane(y1);
    wx2_ = Sane(x2);
    wy2_ = Sane(y2);
    SetLineStyle(0);
}

void GraphWindowModel::SetPen(int colour) {
    GraphItem it;
    it.kind = GraphItem::Kind::Pen;
    it.pen = colour;
    it.y1 = lineStyle_;
    items_.push_back(std::move(it));
}

void GraphWindowModel::SetLineStyle(int style) {
    lineStyle_ = style;
    int pen = kCadForeground;
    for (auto it = items_.rbegin(); it != items_.rend(); ++it)
        if (it->kind == GraphItem::Kind::Pen) {
            pen = it->pen;
            break;
        }
    SetPen(pen);
}

void GraphWindowModel::MoveTo(double x, double y) {
    curX_ = Sane(x);
    curY_ = Sane(y);
}

void GraphWindowModel::LineTo(double x, double y) {
    GraphItem it;
    it.kind = GraphItem::Kind::Line;
    it.x1 = curX_;
    it.y1 = curY_;
    it.x2 = curX_ = Sane(x);
    it.y2 = curY_ = Sane(y);
    items_.push_back(std::move(it));
}

void GraphWindowModel::Circle(double x, double y, double r) {
    GraphItem it;
    it.kind = GraphItem::Kind::Circle;
    it.x1 = Sane(x);
    it.y1 = Sane(y);
    it.x2 = std::fabs(Sane(r));
    items_.push_back(std::move(it));
}

void GraphWindowModel::Label(double x, double y, std::string_view oem, double height,
                             double angle) {
    GraphItem it;
    it.kind = GraphItem::Kind::Text;
    it.x1 = Sane(x);
    it.y1 = Sane(y);
    it.height = std::fabs(Sane(height));
    it.angle = std::isfinite(angle) ? std::fmod(angle, 360.0) : 0;
    it.text.assign(oem);
    items_.push_back(std::move(it));
}

void GraphWindowModel::Repaint() const {
    if (RepaintHook) RepaintHook();
}

DeviceMap GraphWindowModel::ScreenMap(int w, int h) const {
    double spanX = wx2_ - wx1_;
    double spanY = wy2_ - wy1_;
    if (!(std::fabs(spanX) > 1e-12)) spanX = 1;
    if (!(std::fabs(spanY) > 1e-12)) spanY = 1;
    const double pw = std::max(w, 1), ph = std::max(h, 1);
    // Equal magnitude in both directions; the sign follows the window.
    const double s = std::min(pw / std::fabs(spanX), ph / std::fabs(spanY));
    DeviceMap m;
    m.scaleX = spanX > 0 ? s : -s;
    m.scaleY = spanY > 0 ? s : -s;
    const double usedW = std::fabs(spanX) * s, usedH = std::fabs(spanY) * s;
    m.offsetX = (pw - usedW) / 2 - wx1_ * m.scaleX;
    m.offsetY = ph - (ph - usedH) / 2 + wy1_ * m.scaleY;
    return m;
}

DeviceMap GraphWindowModel::PrinterMap(int clientW, int clientH, int pageW, int pageH) const {
    const DeviceMap screen = ScreenMap(clientW, clientH);
    const double cw = std::max(clientW, 1), ch = std::max(clientH, 1);
    const double fit = std::min(std::max(pageW, 1) / cw, std::max(pageH, 1) / ch);
    const double sx = fit * static_cast<double>(PrintScaleX.ToExtended());
    const double sy = fit * static_cast<double>(PrintScaleY.ToExtended());
    DeviceMap m;
    m.scaleX = screen.scaleX * sx;
    m.scaleY = screen.scaleY * sy;
    m.offsetX = PrintOffsetX + screen.offsetX * sx;
    m.offsetY = PrintOffsetY + screen.offsetY * sy;
    return m;
}

void GraphWindowModel::Replay(GraphCanvas& canvas, const DeviceMap& map) const {
    const double unit = std::fabs(map.scaleY);
    canvas.SetPen(kCadForeground, 0);
    for (const GraphItem& it : items_) {
        switch (it.kind) {
            case GraphItem::Kind::Pen:
                canvas.SetPen(it.pen, static_cast<int>(it.y1));
                break;
            case GraphItem::Kind::Line:
                canvas.Line(map.X(it.x1), map.Y(it.y1), map.X(it.x2), map.Y(it.y2));
                break;
            case GraphItem::Kind::Circle:
                canvas.Ellipse(map.X(it.x1), map.Y(it.y1), it.x2 * std::fabs(map.scaleX),
                               it.x2 * unit);
                break;
            case GraphItem::Kind::Text:
                canvas.Text(map.X(it.x1), map.Y(it.y1), it.text, it.height * unit, it.angle);
                break;
        }
    }
}

void GraphWindowModel::ReplayOnPrinter(GraphCanvas& canvas, int clientW, int clientH, int pageW,
                                       int pageH) const {
    const DeviceMap map = PrinterMap(clientW, clientH, pageW, pageH);
    Replay(canvas, map);
    if (PrintBorder) {
        const double sx = map.scaleX / (ScreenMap(clientW, clientH).scaleX);
        const double sy = map.scaleY / (ScreenMap(clientW, clientH).scaleY);
        const double x0 = PrintOffsetX, y0 = PrintOffsetY;
        const double x1 = x0 + clientW * sx, y1 = y0 + clientH * sy;
        canvas.SetPen(kCadForeground, 0);
        canvas.Line(x0, y0, x1, y0);
        canvas.Line(x1, y0, x1, y1);
        canvas.Line(x1, y1, x0, y1);
        canvas.Line(x0, y1, x0, y0);
    }
}

void GraphClear() {
    GraphWindow.Clear();
}

void GraphHeader(bool frame, Extended x1, Extended y1, Extended x2, Extended y2) {
    GraphWindow.Header(frame, static_cast<double>(x1), static_cast<double>(y1),
                       static_cast<double>(x2), static_cast<double>(y2));
    if (frame) {
        GraphWindow.MoveTo(static_cast<double>(x1), static_cast<double>(y1));
        GraphWindow.LineTo(static_cast<double>(x2), static_cast<double>(y1));
        GraphWindow.LineTo(static_cast<double>(x2), static_cast<double>(y2));
        GraphWindow.LineTo(static_cast<double>(x1), static_cast<double>(y2));
        GraphWindow.LineTo(static_cast<double>(x1), static_cast<double>(y1));
    }
}

void SetHourglassCursor() {
    if (GraphWindow.CursorHook) GraphWindow.CursorHook(true);
}

void SetArrowCursor() {
    if (GraphWindow.CursorHook) GraphWindow.CursorHook(false);
}

}  // namespace kor2
