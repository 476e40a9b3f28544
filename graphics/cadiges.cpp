// The IGES output: fixed 80-column records in the Start, Global, Directory
// Entry, Parameter Data and Terminate sections; lines as entity 110,
// circles and arcs as entity 100, texts as general notes (entity 212), and
// a colour definition (entity 314) for each drawing colour that is none of
// the eight standard IGES colours. Columns 73 to 80 hold the section letter
// and the record number.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "common/checkmath.h"
#include "common/textutil.h"
#include "graphics/cadsettings.h"
#include "graphics/cadwriter.h"
#include "graphics/window/cadcolour.h"
#include "platform/sysclock.h"

namespace kor2 {

namespace {

constexpr std::size_t kDataCols = 72;   // columns 1..72 of S, G and D records
constexpr std::size_t kParamCols = 64;  // columns 1..64 of P records

std::string Hollerith(std::string_view s) {
    return std::to_string(s.size()) + "H" + std::string(s);
}

// Record: data in the first 72 columns, then letter and number.
std::string Record(std::string data, char letter, int seq) {
    data.resize(kDataCols, ' ');
    char tail[16];
    std::snprintf(tail, sizeof tail, "%c%7d", letter, seq);
    return data + tail + "\r\n";
}

// Fills lines of the given width with whole parameters; only a parameter
// longer than a line (a long string) is split across records.
std::vector<std::string> Pack(const std::vector<std::string>& params, std::size_t width) {
    std::vector<std::string> lines(1);
    for (const std::string& p : params) {
        if (lines.back().size() + p.size() > width && !lines.back().empty()) lines.emplace_back();
        std::size_t pos = 0;
        while (p.size() - pos > width - lines.back().size()) {
            const std::size_t take = width - lines.back().size();
            lines.back() += p.substr(pos, take);
            pos += take;
            lines.emplace_back();
        }
        lines.back() += p.substr(pos);
    }
    return lines;
}

// The eight standard colours of IGES, numbers 1..8.
constexpr std::array<RgbColour, 8> kIgesColours = {{
    {0, 0, 0},        // 1 black
    {255, 0, 0},      // 2 red
    {0, 255, 0},      // 3 green
    {0, 0, 255},      // 4 blue
    {255, 255, 0},    // 5 yellow
    {255, 0, 255},    // 6 magenta
    {0, 255, 255},    // 7 cyan
    {255, 255, 255},  // 8 white
}};

// The standard number of a colour that is exactly one of the eight, else 0.
int StandardIgesColour(RgbColour c) {
    const auto it = std::find(kIgesColours.begin(), kIgesColours.end(), c);
    return it == kIgesColours.end() ? 0 : static_cast<int>(it - kIgesColours.begin()) + 1;
}

// The standard number nearest to a colour in red, green and blue.
int NearestIgesColour(RgbColour c) {
    int best = 1;
    long bestDist = -1;
    for (std::size_t i = 0; i < kIgesColours.size(); ++i) {
        const long dr = c.r - kIgesColours[i].r, dg = c.g - kIgesColours[i].g,
                   db = c.b - kIgesColours[i].b;
        const long dist = dr * dr + dg * dg + db * db;
        if (bestDist < 0 || dist < bestDist) {
            bestDist = dist;
            best = static_cast<int>(i) + 1;
        }
    }
    return best;
}

class IgesWriter : public CadWriter {
public:
    explicit IgesWriter(std::string fileName) : fileName_(std::move(fileName)) {}

    void Line(Extended x1, Extended y1, Extended x2, Extended y2) override {
        Add(110, 0, false, {N(x1), N(y1), N(0), N(x2), N(y2), N(0)});
    }
    void Circle(Extended x, Extended y, Extended r) override {
        Add(100, 0, false, {N(0), N(x), N(y), N(x + r), N(y), N(x + r), N(y)});
    }
    void Arc(Extended x, Extended y, Extended r, Extended a1, Extended a2) override {
        const Extended s = DegToRad(a1), e = DegToRad(a2);
        Add(100, 0, false,
            {N(0), N(x), N(y), N(x + r * std::cos(s)), N(y + r * std::sin(s)),
             N(x + r * std::cos(e)), N(y + r * std::sin(e))});
    }
    void Text(Extended x, Extended y, std::string_view text, const CadTextAttr& attr) override {
        std::string t = DosToAscii(text);
        for (char& c : t)
            if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E)
                c = c < 0 ? '?' : ' ';
        if (t.size() > 200) t.resize(200);
        if (t.empty()) return;
        const Extended width = static_cast<Extended>(t.size()) * attr.height * attr.widthFactor;
        Add(212, 0, true,
            {"1", std::to_string(t.size()), N(width), N(attr.height), "1", N(kPi / 2),
             N(DegToRad(attr.angle)), "0", "0", N(x), N(y), N(0), Hollerith(t)});
    }

    std::string Finish() override {
        std::string out;
        int seq = 0;
        out += Record("Spring diagram in sheet millimetres", 'S', ++seq);
        const int sCount = seq;

        seq = 0;
        for (const std::string& line : Pack(GlobalParams(), kDataCols))
            out += Record(line, 'G', ++seq);
        const int gCount = seq;

        // Directory entries and parameter records numbered together: entity
        // k has its D records 2k-1, 2k, and its P records follow the ones
        // of the entities before it.
        const std::vector<Entity> entities = WithIgesColours();
        std::vector<std::vector<std::string>> pLines;
        std::string d;
        int pSeq = 1;
        for (std::size_t k = 0; k < entities.size(); ++k) {
            const Entity& e = entities[k];
            std::vector<std::string> params = e.params;
            params.insert(params.begin(), std::to_string(e.type));
            for (std::size_t i = 0; i + 1 < params.size(); ++i) params[i] += ',';
            params.back() += ';';
            pLines.push_back(Pack(params, kParamCols));
            const int count = static_cast<int>(pLines.back().size());
            const int dSeq = static_cast<int>(2 * k + 1);
            char buf[96];
            std::snprintf(buf, sizeof buf, "%8d%8d%8d%8d%8d%8d%8d%8d%8s", e.type, pSeq, 0,
                          e.lineFont, e.layer, 0, 0, 0, e.status);
            d += Record(buf, 'D', dSeq);
            std::snprintf(buf, sizeof buf, "%8d%8d%8d%8d%8d%8s%8s%8s%8d", e.type, 0, e.colour,
                          count, e.form, "", "", "", 0);
            d += Record(buf, 'D', dSeq + 1);
            pSeq += count;
        }
        out += d;
        const int dCount = static_cast<int>(2 * entities.size());

        seq = 0;
        for (std::size_t k = 0; k < pLines.size(); ++k)
            for (std::string line : pLines[k]) {
                line.resize(kParamCols + 1, ' ');
                char ptr[16];
                std::snprintf(ptr, sizeof ptr, "%7d", static_cast<int>(2 * k + 1));
                out += Record(line + ptr, 'P', ++seq);
            }
        const int pCount = seq;

        char t[64];
        std::snprintf(t, sizeof t, "S%07dG%07dD%07dP%07d", sCount, gCount, dCount, pCount);
        out += Record(t, 'T', 1);
        return out;
    }

private:
    struct Entity {
        int type = 0;
        int form = 0;
        const char* status = "00000000";  // blank, subordinate, use, hierarchy
        int lineFont = 1;                 // solid
        int layer = 0;
        int colour = 0;  // the drawing colour, in Finish the IGES colour field
        std::vector<std::string> params;
    };

    // The drawn entities with their IGES colours, after one colour
    // definition (entity 314) for each drawing colour that is not one of
    // the eight standard ones. The definitions come first, so that every
    // entity's colour field (minus the definition's first D record) points
    // back at an entity already read.
    std::vector<Entity> WithIgesColours() const {
        std::vector<Entity> out;
        std::map<int, int> defined;  // drawing colour -> its definition's D record
        for (const Entity& e : entities_) {
            const RgbColour rgb = CadColourRgb(e.colour);
            if (StandardIgesColour(rgb) != 0 || defined.count(e.colour) != 0) continue;
            defined[e.colour] = static_cast<int>(2 * out.size() + 1);
            Entity def;
            def.type = 314;
            def.status = "00000200";  // a definition
            def.lineFont = 0;
            def.colour = NearestIgesColour(rgb);
            for (const uint8_t v : {rgb.r, rgb.g, rgb.b})
                def.params.push_back(CadNum(v / 2.55L, 1));
            out.push_back(std::move(def));
        }
        for (Entity e : entities_) {
            const int standard = StandardIgesColour(CadColourRgb(e.colour));
            e.colour = standard != 0 ? standard : -defined[e.colour];
            out.push_back(std::move(e));
        }
        return out;
    }

    std::string N(Extended v) const { return CadNum(v, CadConfiguredDecimals()); }

    void Add(int type, int form, bool annotation, std::vector<std::string> params) {
        Entity e;
        e.type = type;
        e.form = form;
        if (annotation) e.status = "00000100";
        e.layer = std::max(layer_, 0);
        e.colour = CadLayerColour(layer_);
        e.params = std::move(params);
        entities_.push_back(std::move(e));
    }

    std::vector<std::string> GlobalParams() const {
        const platform::DateTime now = platform::Now();
        char date[32];
        std::snprintf(date, sizeof date, "%04d%02d%02d.%02d%02d%02d", now.year % 10000,
                      now.month % 100, now.day % 100, now.hour % 100, now.minute % 100,
                      now.second % 100);
        std::string name = DosToAscii(fileName_);
        for (char& c : name)
            if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E)
                c = '_';
        if (name.size() > 60) name = name.substr(name.size() - 60);
        const Extended maxCoord = std::max(
            {std::fabs(xmin_), std::fabs(ymin_), std::fabs(xmax_), std::fabs(ymax_), 1.0L});
        std::vector<std::string> p = {"1H,",
                                      "1H;",
                                      Hollerith("KOR2"),
                                      Hollerith(name),
                                      Hollerith("KOR2"),
                                      Hollerith("1.0"),
                                      "32",
                                      "38",
                                      "6",
                                      "308",
                                      "15",
                                      Hollerith("KOR2"),
                                      "1.0",
                                      "2",
                                      Hollerith("MM"),
                                      "1",
                                      "1.0",
                                      Hollerith(date),
                                      "0.001",
                                      N(maxCoord),
                                      "",
                                      "",
                                      "11",
                                      "0",
                                      Hollerith(date)};
        for (std::size_t i = 0; i + 1 < p.size(); ++i) p[i] += ',';
        p.back() += ';';
        return p;
    }

    std::string fileName_;
    std::vector<Entity> entities_;
};

}  // namespace

std::unique_ptr<CadWriter> MakeIgesWriter(std::string fileName) {
    return std::make_unique<IgesWriter>(std::move(fileName));
}

}  // namespace kor2
