// The CAD-code text writer: one line per primitive in the layout that
// cadtext.h documents. Chosen by CadOpen for output mode 5.
#include "graphics/cadtext.h"

#include <string>

#include "graphics/cadsettings.h"
#include "graphics/cadwriter.h"

namespace kor2 {

namespace {

class CadTextWriter : public CadWriter {
public:
    explicit CadTextWriter(int decimals) : decimals_(decimals) {}

    void Line(Extended x1, Extended y1, Extended x2, Extended y2) override {
        Put("L", {x1, y1, x2, y2});
    }
    void Circle(Extended x, Extended y, Extended r) override { Put("C", {x, y, r}); }
    void Arc(Extended x, Extended y, Extended r, Extended a1, Extended a2) override {
        Put("A", {x, y, r, a1, a2});
    }
    void Text(Extended x, Extended y, std::string_view text, const CadTextAttr& attr) override {
        const std::string t = CadOutputText(text, 255);
        if (t.empty()) return;
        body_ += "T " + std::to_string(layer_);
        for (Extended v : {x, y, attr.height, attr.widthFactor, attr.angle})
            body_ += " " + CadNum(v, decimals_);
        body_ += " " + std::to_string(attr.font) + " " + t + "\r\n";
    }

    std::string Finish() override {
        std::string out = std::string(kCadTextMagic) + "\r\n";
        out += "EXTENTS";
        for (Extended v : {xmin_, ymin_, xmax_, ymax_}) out += " " + CadNum(v, decimals_);
        out += "\r\n";
        if (tables_)
            for (int n : usedLayers_)
                out += "LAYER " + std::to_string(n) + " " + std::to_string(CadLayerColour(n)) +
                       " " + CadLayerLineType(n) + "\r\n";
        out += body_;
        out += "END\r\n";
        return out;
    }

private:
    void Put(const char* kind, std::initializer_list<Extended> values) {
        body_ += kind;
        body_ += " " + std::to_string(layer_);
        for (Extended v : values) body_ += " " + CadNum(v, decimals_);
        body_ += "\r\n";
    }

    int decimals_;
    std::string body_;
};

}  // namespace

std::unique_ptr<CadWriter> MakeCadTextWriter(int decimals) {
    return std::make_unique<CadTextWriter>(decimals);
}

}  // namespace kor2
