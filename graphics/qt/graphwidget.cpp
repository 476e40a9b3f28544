// TFquorgra, the graphics window widget: paints the core display list into
// its drawing area (below a menu bar) on the window's colour, mirrors its
// geometry into the core model and replays on the printer canvas during a
// print job.
#include "graphics/qt/graphwidget.h"

#include <QApplication>
#include <QMoveEvent>
#include <QPaintEvent>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "graphics/window/cadcolour.h"
#include "platform/qt/qtstring.h"

namespace kor2 {

QColor QtGraphCanvas::PenColour(int colour) {
    const RgbColour c = CadColourRgb(colour);
    return QColor(c.r, c.g, c.b);
}

QColor WindowColourToQt(int32_t colour) {
    if (colour < 0) return QApplication::palette().color(QPalette::Base);
    const auto c = static_cast<uint32_t>(colour);
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

namespace {

// Relative luminance of a colour, 0 (black) to 1 (white).
double Luminance(const QColor& c) {
    auto linear = [](double v) {
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

// A pen hard to tell from the ground: nearly the same colour, or nearly the
// same brightness (yellow, cyan and green on white paper).
bool TooCloseToGround(const QColor& pen, const QColor& ground) {
    const int near =
        std::max({std::abs(pen.red() - ground.red()), std::abs(pen.green() - ground.green()),
                  std::abs(pen.blue() - ground.blue())});
    const double a = Luminance(pen), b = Luminance(ground);
    const double contrast = (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
    return near < 64 || contrast < 1.5;
}

}  // namespace

void QtGraphCanvas::SetPen(int colour, int style) {
    QColor c = PenColour(colour);
    if (TooCloseToGround(c, ground_)) c = ground_.lightness() < 128 ? Qt::white : Qt::black;
    QPen pen(c);
    pen.setCosmetic(true);
    switch (style) {
        case 1:
            pen.setStyle(Qt::DashLine);
            break;
        case 2:
            pen.setStyle(Qt::DotLine);
            break;
        case 3:
            pen.setStyle(Qt::DashDotLine);
            break;
        default:
            pen.setStyle(Qt::SolidLine);
            break;
    }
    p_.setPen(pen);
    p_.setBrush(Qt::NoBrush);
}

void QtGraphCanvas::Line(double x1, double y1, double x2, double y2) {
    p_.drawLine(QPointF(x1, y1), QPointF(x2, y2));
}

void QtGraphCanvas::Ellipse(double cx, double cy, double rx, double ry) {
    p_.drawEllipse(QPointF(cx, cy), rx, ry);
}

void QtGraphCanvas::Text(double x, double y, std::string_view oem, double height, double angle) {
    if (!(height > 0.5) || height > 10000) return;
    QFont f = p_.font();
    f.setPixelSize(static_cast<int>(std::lround(height)));
    p_.save();
    p_.setFont(f);
    p_.translate(x, y);
    p_.rotate(-angle);
    p_.drawText(QPointF(0, 0), platform::OemToQString(oem));
    p_.restore();
}

TFquorgra::TFquorgra(GraphWindowModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    setObjectName("Fquorgra");
    setAttribute(Qt::WA_OpaquePaintEvent);
    model_.RepaintHook = [this] { update(); };
    model_.CursorHook = [](bool hourglass) {
        if (hourglass) {
            if (QApplication::overrideCursor())
                QApplication::changeOverrideCursor(Qt::WaitCursor);
            else
                QApplication::setOverrideCursor(Qt::WaitCursor);
        } else {
            while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
        }
    };
    UpdateGeometry();
}

TFquorgra::~TFquorgra() {
    model_.RepaintHook = nullptr;
    model_.CursorHook = nullptr;
}

void TFquorgra::SetPrinterCanvas(QPainter* printer, QSize page) {
    printer_ = printer;
    page_ = page;
}

QRect TFquorgra::DrawingArea() const {
    QRect r = rect();
    r.setTop(std::min(r.bottom() + 1, DrawingTop()));
    return r;
}

void TFquorgra::SetBackground(QColor colour) {
    background_ = colour;
    update();
}

void TFquorgra::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), background_);
    p.setRenderHint(QPainter::Antialiasing);
    const QRect area = DrawingArea();
    p.setClipRect(area);
    p.translate(area.topLeft());
    QtGraphCanvas canvas(p, background_);
    model_.Replay(canvas, model_.ScreenMap(area.width(), area.height()));
    if (GraphPrinting && printer_ != nullptr && printer_->isActive()) {
        QtGraphCanvas printerCanvas(*printer_);
        model_.ReplayOnPrinter(printerCanvas, area.width(), area.height(), page_.width(),
                               page_.height());
        ++printerReplays_;
    }
}

void TFquorgra::UpdateGeometry() {
    const QRect frame = frameGeometry();
    model_.Left = frame.x();
    model_.Top = frame.y();
    model_.Width = frame.width();
    model_.Height = frame.height();
    model_.ClientWidth = DrawingArea().width();
    model_.ClientHeight = DrawingArea().height();
}

void TFquorgra::moveEvent(QMoveEvent* e) {
    QWidget::moveEvent(e);
    UpdateGeometry();
}

void TFquorgra::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    UpdateGeometry();
}

}  // namespace kor2
