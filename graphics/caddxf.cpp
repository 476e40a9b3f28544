// The DXF output: an ASCII drawing interchange file of release 12 with the
// HEADER extents, the LTYPE, LAYER and STYLE tables when asked, and LINE,
// CIRCLE, ARC and TEXT entities. Each group is a code line (right-aligned
// in three columns) and a value line, both ending in CR LF.
#include <set>
#include <string>
#include <vector>

#include "common/globals.h"
#include "graphics/cadsettings.h"
#include "graphics/cadwriter.h"

namespace kor2 {

namespace {

class DxfWriter : public CadWriter {
public:
    explicit DxfWriter(int decimals) : decimals_(decimals) {}

    void Line(Extended x1, Extended y1, Extended x2, Extended y2) override {
        Entity("LINE");
        Point(entities_, 10, x1, y1);
        Point(entities_, 11, x2, y2);
    }
    void Circle(Extended x, Extended y, Extended r) override {
        Entity("CIRCLE");
        Point(entities_, 10, x, y);
        Num(entities_, 40, r);
    }
    void Arc(Extended x, Extended y, Extended r, Extended a1, Extended a2) override {
        Entity("ARC");
        Point(entities_, 10, x, y);
        Num(entities_, 40, r);
        Num(entities_, 50, a1);
        Num(entities_, 51, a2);
    }
    void Text(Extended x, Extended y, std::string_view text, const CadTextAttr& attr) override {
        const std::string t = CadOutputText(text, 250);
        if (t.empty()) return;
        Entity("TEXT");
        Group(entities_, 7, StyleName());
        Point(entities_, 10, x, y);
        Num(entities_, 40, attr.height);
        Group(entities_, 1, t);
        Num(entities_, 41, attr.widthFactor);
        Num(entities_, 50, attr.angle);
    }

    std::string Finish() override {
        std::string out;
        Group(out, 0, "SECTION");
        Group(out, 2, "HEADER");
        Group(out, 9, "$ACADVER");
        Group(out, 1, "AC1009");
        Group(out, 9, "$DWGCODEPAGE");
        Group(out, 3, CodePageName());
        Group(out, 9, "$INSBASE");
        Point(out, 10, 0, 0);
        Group(out, 9, "$EXTMIN");
        Point(out, 10, xmin_, ymin_);
        Group(out, 9, "$EXTMAX");
        Point(out, 10, xmax_, ymax_);
        Group(out, 9, "$LIMMIN");
        Point2(out, 10, xmin_, ymin_);
        Group(out, 9, "$LIMMAX");
        Point2(out, 10, xmax_, ymax_);
        Group(out, 9, "$TEXTSTYLE");
        Group(out, 7, StyleName());
        Group(out, 0, "ENDSEC");
        if (tables_) Tables(out);
        Group(out, 0, "SECTION");
        Group(out, 2, "ENTITIES");
        out += entities_;
        Group(out, 0, "ENDSEC");
        Group(out, 0, "EOF");
        return out;
    }

private:
    void Group(std::string& out, int code, std::string_view value) const {
        std::string c = std::to_string(code);
        if (c.size() < 3) out.append(3 - c.size(), ' ');
        out += c;
        out += "\r\n";
        out += value;
        out += "\r\n";
    }
    void Num(std::string& out, int code, Extended v) const {
        Group(out, code, CadNum(v, decimals_));
    }
    void Int(std::string& out, int code, int v) const {
        std::string s = std::to_string(v);
        if (s.size() < 6) s.insert(0, 6 - s.size(), ' ');
        Group(out, code, s);
    }
    // x, y and z = 0 with the codes c, c + 10, c + 20.
    void Point(std::string& out, int c, Extended x, Extended y) const {
        Num(out, c, x);
        Num(out, c + 10, y);
        Num(out, c + 20, 0);
    }
    void Point2(std::string& out, int c, Extended x, Extended y) const {
        Num(out, c, x);
        Num(out, c + 10, y);
    }
    void Entity(std::string_view kind) {
        Group(entities_, 0, kind);
        Group(entities_, 8, CadLayerName(layer_));
    }
    static std::string StyleName() {
        const std::string s = CadOutputText(CadConfiguredTextStyle(), 31);
        return s.empty() ? "STANDARD" : s;
    }
    static std::string CodePageName();

    void Tables(std::string& out) const {
        Group(out, 0, "SECTION");
        Group(out, 2, "TABLES");

        struct LType {
            const char* name;
            const char* text;
            std::vector<Extended> dashes;
        };
        const std::vector<LType> ltypes = {
            {"CONTINUOUS", "Solid line", {}},
            {"DASHED", "__ __ __ __", {5.0L, -2.5L}},
            {"CENTER", "____ _ ____ _", {12.5L, -2.5L, 2.5L, -2.5L}}};
        Group(out, 0, "TABLE");
        Group(out, 2, "LTYPE");
        Int(out, 70, static_cast<int>(ltypes.size()));
        for (const LType& lt : ltypes) {
            Extended total = 0;
            for (Extended d : lt.dashes) total += d < 0 ? -d : d;
            Group(out, 0, "LTYPE");
            Group(out, 2, lt.name);
            Int(out, 70, 0);
            Group(out, 3, lt.text);
            Int(out, 72, 65);
            Int(out, 73, static_cast<int>(lt.dashes.size()));
            Num(out, 40, total);
            for (Extended d : lt.dashes) Num(out, 49, d);
        }
        Group(out, 0, "ENDTAB");

        // Layers 0..5 always; the others the drawing used.
        std::set<int> layers = usedLayers_;
        for (int n = 0; n <= 5; ++n) layers.insert(n);
        Group(out, 0, "TABLE");
        Group(out, 2, "LAYER");
        Int(out, 70, static_cast<int>(layers.size()));
        for (int n : layers) {
            Group(out, 0, "LAYER");
            Group(out, 2, CadLayerName(n));
            Int(out, 70, 0);
            Int(out, 62, CadLayerColour(n));
            Group(out, 6, CadLayerLineType(n));
        }
        Group(out, 0, "ENDTAB");

        Group(out, 0, "TABLE");
        Group(out, 2, "STYLE");
        Int(out, 70, 1);
        Group(out, 0, "STYLE");
        Group(out, 2, StyleName());
        Int(out, 70, 0);
        Num(out, 40, 0);  // height set by each text
        Num(out, 41, CadConfiguredWidthFactor());
        Num(out, 50, 0);
        Int(out, 71, 0);
        Num(out, 42, 2.5L);
        Group(out, 3, "txt");
        Group(out, 4, "");
        Group(out, 0, "ENDTAB");

        Group(out, 0, "ENDSEC");
    }

    int decimals_;
    std::string entities_;
};

std::string DxfWriter::CodePageName() {
    // Texts leave as DOS bytes only with conversion option 1 (see
    // CadOutputText); the other options give Windows or plain ASCII bytes.
    return TextConversionOption == 2 || TextConversionOption == 3 ? "ANSI_1252" : "DOS850";
}

}  // namespace

std::unique_ptr<CadWriter> MakeDxfWriter(int decimals) {
    return std::make_unique<DxfWriter>(decimals);
}

}  // namespace kor2
