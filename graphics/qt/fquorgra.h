// The graphics window as a Qt widget: shows the display list of the core
// GraphWindow, keeps its geometry current for the dialogs' placement,
// replays on the printer while a print job runs and sets the screen cursor.
#pragma once

#include <QPainter>
#include <QWidget>

#include "graphics/graphwin.h"

namespace kor2 {

// Draws display-list items with a QPainter.
class QtGraphCanvas : public GraphCanvas {
public:
    explicit QtGraphCanvas(QPainter& p) : p_(p) {}
    void SetPen(int colour, int style) override;
    void Line(double x1, double y1, double x2, double y2) override;
    void Ellipse(double cx, double cy, double rx, double ry) override;
    void Text(double x, double y, std::string_view oem, double height, double angle) override;

    static QColor PenColour(int colour);

private:
    QPainter& p_;
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

protected:
    void paintEvent(QPaintEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void UpdateGeometry();

    GraphWindowModel& model_;
    QPainter* printer_ = nullptr;
    QSize page_;
    int printerReplays_ = 0;
};

}  // namespace kor2
