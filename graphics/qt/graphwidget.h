// The graphics window as a Qt widget: shows the display list of the core
// GraphWindow, keeps its geometry current for the dialogs' placement,
// replays on the printer while a print job runs and sets the screen cursor.
#pragma once

#include <QPainter>
#include <QWidget>

#include "graphics/window/graphwin.h"

namespace kor2 {

// The platform's colour number of a window ($00BBGGRR; a negative number
// names a system colour, taken as the host's window background).
QColor WindowColourToQt(int32_t colour);

// Draws display-list items with a QPainter on a ground of the given colour
// (white for paper); a pen too close to the ground in colour or brightness
// takes the ground's contrast colour, so that every line shows on any
// background and on paper.
class QtGraphCanvas : public GraphCanvas {
public:
    explicit QtGraphCanvas(QPainter& p, QColor ground = Qt::white) : p_(p), ground_(ground) {}
    void SetPen(int colour, int style) override;
    void Line(double x1, double y1, double x2, double y2) override;
    void Ellipse(double cx, double cy, double rx, double ry) override;
    void Text(double x, double y, std::string_view oem, double height, double angle) override;

    static QColor PenColour(int colour);

private:
    QPainter& p_;
    QColor ground_;
};

class TFquorgra : public QWidget {
    Q_OBJECT
public:
    // Attaches to model (the program's GraphWindow) for the widget's lifetime.
    explicit TFquorgra(GraphWindowModel& model = GraphWindow, QWidget* parent = nullptr);
    ~TFquorgra() override;

    // The printer canvas of the running print job, page size in its pixels;
    // nullptr ends it. While GraphPrinting is set every repaint also draws there.
    void SetPrinterCanvas(QPainter* printer, QSize page);
    // Counts the replays on the printer, for the print job and tests.
    int PrinterReplays() const { return printerReplays_; }

    // The drawing area: the client area below a menu bar.
    QRect DrawingArea() const;
    // The window's colour behind the drawing; white until set.
    void SetBackground(QColor colour);
    QColor Background() const { return background_; }

protected:
    // Height of the bar above the drawing area (the main window's menu).
    virtual int DrawingTop() const { return 0; }
    // The drawing area changed: the core model learns its size.
    void UpdateGeometry();

    void paintEvent(QPaintEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    GraphWindowModel& model_;
    QColor background_ = Qt::white;
    QPainter* printer_ = nullptr;
    QSize page_;
    int printerReplays_ = 0;
};

}  // namespace kor2
