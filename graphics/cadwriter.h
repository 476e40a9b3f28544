// The format writers behind the CAD output: one interface that DXF, IGES,
// the CAD-code text file and the screen implement, and the number and text
// helpers they share. cadout.cpp drives one writer at a time; tests use them
// directly to check each format.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <string_view>

#include "platform/types.h"

namespace kor2 {

class GraphWindowModel;

// The style of one text, in sheet millimetres and degrees.
struct CadTextAttr {
    int font = 2;
    Extended height = 5;
    Extended widthFactor = 1;  // character width over height
    Extended angle = 0;
};

// Receives the primitives of one drawing in sheet millimetres. The file
// writers collect everything and assemble the file in Finish, so that the
// sections always come out complete and in order whatever the caller's
// sequence of calls.
class CadWriter {
public:
    virtual ~CadWriter() = default;

    virtual void BeginDrawing(Extended xmin, Extended ymin, Extended xmax, Extended ymax) {
        xmin_ = xmin;
        ymin_ = ymin;
        xmax_ = xmax;
        ymax_ = ymax;
    }
    virtual void BeginTables(uint16_t scheme) {
        tables_ = true;
        scheme_ = scheme;
    }
    virtual void BeginEntities() {}
    virtual void EndSection() {}
    void SetLayer(int layer) {
        layer_ = layer;
        usedLayers_.insert(layer);
    }

    virtual void Line(Extended x1, Extended y1, Extended x2, Extended y2) = 0;
    virtual void Circle(Extended x, Extended y, Extended r) = 0;
    // Counter-clockwise from a1 to a2, degrees.
    virtual void Arc(Extended x, Extended y, Extended r, Extended a1, Extended a2) = 0;
    // (x, y) is the left end of the text's base line; text in code page 850.
    virtual void Text(Extended x, Extended y, std::string_view text, const CadTextAttr& attr) = 0;

    // The complete file text; empty for the screen.
    virtual std::string Finish() = 0;

protected:
    Extended xmin_ = 0, ymin_ = 0, xmax_ = 0, ymax_ = 0;
    bool tables_ = false;
    uint16_t scheme_ = 0;
    int layer_ = 0;
    std::set<int> usedLayers_{0};
};

// Writers of the five outputs. The text writers take the number of digits
// after the decimal point.
std::unique_ptr<CadWriter> MakeDxfWriter(int decimals);
std::unique_ptr<CadWriter> MakeIgesWriter(std::string fileName);
std::unique_ptr<CadWriter> MakeCadTextWriter(int decimals);
std::unique_ptr<CadWriter> MakeScreenWriter(GraphWindowModel& window);

// A number with a decimal point, at most `decimals` digits after it and
// trailing zeros dropped (one kept): "12.5", "-3.0". Non-finite values
// give "0.0"; magnitudes are kept below 1E12.
std::string CadNum(Extended v, int decimals);
// A text as the file outputs write it: the configured output conversion,
// control characters as blanks, at most maxLen bytes.
std::string CadOutputText(std::string_view oem, std::size_t maxLen);

}  // namespace kor2
