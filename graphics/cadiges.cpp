// The IGES output: fixed 80-column records in the Start, Global, Directory
// Entry, Parameter Data and Terminate sections; lines as entity 110,
// circles and arcs as entity 100, texts as general notes (entity 212).
// Columns 73 to 80 hold the section letter and the record number.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "common/checkmath.h"
#include "common/textutil.h"
#include "graphics/cadsettings.h"
#include "graphics/cadwriter.h"
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

// Colour numbers of IGES for the drawing colours 1..7; others give none.
int IgesColour(int c) {
    switch (c) {
        case 1:
            return 2;  // red
        case 2:
            return 5;  // yellow
        case 3:
            return 3;  // green
        case 4:
            return 7;  // cyan
        case 5:
            return 4;  // blue
        case 6:
            return 6;  // magenta
        case 7:
            return 1;  // black on paper
        default:
            return 0;
    }
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
        std::vector<std::vector<std::string>> pLines;
        std::string d;
        int pSeq = 1;
        for (std::size_t k = 0; k < entities_.size(); ++k) {
            const Entity& e = entities_[k];
            std::vector<std::string> params = e.params;
            params.insert(params.begin(), std::to_string(e.type));
            for (std::size_t i = 0; i + 1 < params.size(); ++i) params[i] += ',';
            params.back() += ';';
            pLines.push_back(Pack(params, kParamCols));
            const int count = static_cast<int>(pLines.back().size());
            const int dSeq = static_cast<int>(2 * k + 1);
            const char* status = e.annotation ? "00000100" : "00000000";
            char buf[96];
            std::snprintf(buf, sizeof buf, "%8d%8d%8d%8d%8d%8d%8d%8d%8s", e.type, pSeq, 0, 1,
                          e.layer, 0, 0, 0, status);
            d += Record(buf, 'D', dSeq);
            std::snprintf(buf, sizeof buf, "%8d%8d%8d%8d%8d%8s%8s%8s%8d", e.type, 0, e.colour,
                          count, e.form, "", "", "", 0);
            d += Record(buf, 'D', dSeq + 1);
            pSeq += count;
        }
        out += d;
        const int dCount = static_cast<int>(2 * entities_.size());

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
        bool annotation = false;
        int layer = 0;
        int colour = 0;
        std::vector<std::string> params;
    };

    std::string N(Extended v) const { return CadNum(v, CadConfiguredDecimals()); }

    void Add(int type, int form, bool annotation, std::vector<std::string> params) {
        Entity e;
        e.type = type;
        e.form = form;
        e.annotation = annotation;
        e.layer = std::max(layer_, 0);
        e.colour = IgesColour(CadLayerColour(layer_));
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
