// The graphics window's core: world window, drawing state and the display
// list that the screen widget and the printer replay. Help texts, the CAD
// screen output and the dialogs' placement use it; no Qt here.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/real48.h"
#include "platform/types.h"

namespace kor2 {

// Graphics print settings, set by the print job and read on every repaint.
inline uint16_t PrintLayoutMode = 0;
inline Real48 PrintScaleX = Real48::FromExtended(1.0L);
inline Real48 PrintScaleY = Real48::FromExtended(1.0L);
inline int32_t PrintOffsetX = 0;
inline int32_t PrintOffsetY = 0;
inline bool PrintBorder = false;
inline bool GraphPrinting = false;

// One recorded drawing call, in world coordinates.
struct GraphItem {
    enum class Kind : uint8_t { Line, Circle, Text, Pen };
    Kind kind = Kind::Line;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // Line: both ends; Circle: centre, x2 = radius
    int pen = 7;                            // Pen: CAD colour number; line style in y1
    double height = 0, angle = 0;           // Text: height in world units, degrees
    std::string text;                       // Text: code page 850
};

// What a replay draws on: the screen widget's painter, the printer, a test.
class GraphCanvas {
public:
    virtual ~GraphCanvas() = default;
    virtual void SetPen(int colour, int style) = 0;
    virtual void Line(double x1, double y1, double x2, double y2) = 0;
    virtual void Ellipse(double cx, double cy, double rx, double ry) = 0;
    // (x, y) is the left end of the base line; height in device units.
    virtual void Text(double x, double y, std::string_view oem, double height, double angle) = 0;
};

// World to device: dx = offsetX + wx * scaleX, dy = offsetY - wy * scaleY.
struct DeviceMap {
    double scaleX = 1, scaleY = 1, offsetX = 0, offsetY = 0;
    double X(double wx) const { return offsetX + wx * scaleX; }
    double Y(double wy) const { return offsetY - wy * scaleY; }
};

class GraphWindowModel {
public:
    // Geometry of the real window in pixels; the widget keeps it current.
    int Left = 0, Top = 0, Width = 800, Height = 600;
    int ClientWidth = 792, ClientHeight = 566;

    // Called after the display list changed (the widget repaints) and when
    // the screen cursor changes; both may stay empty without a display.
    std::function<void()> RepaintHook;
    std::function<void(bool hourglass)> CursorHook;

    void Clear();
    void Header(bool frame, double x1, double y1, double x2, double y2);
    void SetPen(int colour);
    void SetLineStyle(int style);
    void MoveTo(double x, double y);
    void LineTo(double x, double y);
    void Circle(double x, double y, double r);
    void Label(double x, double y, std::string_view oem, double height, double angle);
    void Repaint() const;

    const std::vector<GraphItem>& Items() const { return items_; }
    double WorldX1() const { return wx1_; }
    double WorldY1() const { return wy1_; }
    double WorldX2() const { return wx2_; }
    double WorldY2() const { return wy2_; }
    bool Frame() const { return frame_; }
    int LineStyle() const { return lineStyle_; }

    // The world window over a client area of w x h pixels, with equal
    // scales in x and y and the drawing centred in the spare direction.
    DeviceMap ScreenMap(int w, int h) const;
    // The screen map placed on a printer page with the print settings.
    DeviceMap PrinterMap(int clientW, int clientH, int pageW, int pageH) const;
    void Replay(GraphCanvas& canvas, const DeviceMap& map) const;
    // The printed page: the display list and, with PrintBorder, a frame.
    void ReplayOnPrinter(GraphCanvas& canvas, int clientW, int clientH, int pageW, int pageH) const;

private:
    std::vector<GraphItem> items_;
    double wx1_ = 0, wy1_ = 0, wx2_ = 160, wy2_ = 120;
    double curX_ = 0, curY_ = 0;
    bool frame_ = false;
    int lineStyle_ = 0;
};

// The one graphics window of the program.
inline GraphWindowModel GraphWindow;

// Empties the display list and repaints.
void GraphClear();
// World window X1..X2 by Y1..Y2 over the whole window, solid lines.
void GraphHeader(bool frame, Extended x1, Extended y1, Extended x2, Extended y2);
// Reads an HP-GL plot file and draws it; false when the file cannot be read.
bool ShowHpglPicture(std::string_view fileName);
// Hourglass cursor for the whole screen.
void SetHourglassCursor();
void SetArrowCursor();

}  // namespace kor2
