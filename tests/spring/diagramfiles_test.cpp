// The Goodman and Haigh diagrams of the shipped demo springs written as DXF,
// IGES and CAD-code files in every text conversion mode, read back as a CAD
// reader sees them: plain ASCII where promised, every IGES entity coloured,
// the IGES file named in its global section and its geometry equal to the DXF.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "common/config.h"
#include "common/globals.h"
#include "common/scriptdialogs.h"
#include "graphics/cadout.h"
#include "platform/hostfs.h"
#include "spring/fatiguediag.h"
#include "spring/material.h"
#include "spring/springdata.h"
#include "spring/springfile.h"
#include "support/shippedtable.h"
#include "support/tempdir.h"
#include "tables/area/engine.h"
#include "tables/expr/expression.h"
#include "tables/index/orders.h"
#include "tables/memo/memoarea.h"

namespace kor2 {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    for (std::size_t pos = 0, e; pos < text.size(); pos = e + 2) {
        e = text.find("\r\n", pos);
        if (e == std::string::npos) e = text.size();
        out.push_back(text.substr(pos, e - pos));
    }
    return out;
}

// The parameters of an IGES parameter text: Hollerith strings unpacked,
// blanks between parameters dropped.
std::vector<std::string> IgesParams(const std::string& data) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < data.size()) {
        while (i < data.size() && data[i] == ' ') ++i;
        std::size_t j = i;
        while (j < data.size() && std::isdigit(static_cast<unsigned char>(data[j]))) ++j;
        std::string p;
        if (j > i && j < data.size() && data[j] == 'H') {
            const std::size_t n = std::stoul(data.substr(i, j - i));
            p = data.substr(j + 1, n);
            j = j + 1 + n;
        } else {
            j = data.find_first_of(",;", i);
            if (j == std::string::npos) j = data.size();
            p = data.substr(i, j - i);
            while (!p.empty() && p.back() == ' ') p.pop_back();
        }
        out.push_back(p);
        if (j >= data.size() || data[j] == ';') break;
        i = j + 1;
    }
    return out;
}

struct IgesEntity {
    int seq = 0;  // its first D record
    int type = 0;
    int colour = 0;
    std::vector<std::string> params;  // after the type
};

struct IgesFile {
    std::vector<std::string> global;
    std::vector<IgesEntity> entities;
};

IgesFile ReadIges(const std::string& text) {
    std::map<char, std::vector<std::string>> sec;
    for (const std::string& line : Lines(text)) {
        EXPECT_EQ(line.size(), 80u) << line;
        if (line.size() == 80) sec[line[72]].push_back(line);
    }
    IgesFile f;
    std::string g;
    for (const std::string& r : sec['G']) g += r.substr(0, 72);
    f.global = IgesParams(g);
    const auto& d = sec['D'];
    const auto& p = sec['P'];
    for (std::size_t k = 0; k + 1 < d.size(); k += 2) {
        IgesEntity e;
        e.seq = static_cast<int>(k + 1);
        e.type = std::stoi(d[k].substr(0, 8));
        e.colour = std::stoi(d[k + 1].substr(16, 8));
        const int first = std::stoi(d[k].substr(8, 8));
        const int count = std::stoi(d[k + 1].substr(24, 8));
        std::string data;
        for (int i = first; i < first + count && i <= static_cast<int>(p.size()); ++i)
            data += p[static_cast<std::size_t>(i - 1)].substr(0, 64);
        e.params = IgesParams(data);
        EXPECT_EQ(e.params.at(0), std::to_string(e.type));
        e.params.erase(e.params.begin());
        f.entities.push_back(std::move(e));
    }
    return f;
}

// The anchors of the drawn primitives in file order: line ends, circle
// centres, text insertion points, with the texts when asked.
std::vector<std::string> IgesAnchors(const IgesFile& f, bool texts) {
    std::vector<std::string> out;
    for (const IgesEntity& e : f.entities) {
        const auto& v = e.params;
        if (e.type == 110) out.push_back("L " + v[0] + " " + v[1] + " " + v[3] + " " + v[4]);
        if (e.type == 100) out.push_back("C " + v[1] + " " + v[2]);
        if (e.type == 212) out.push_back("T " + v[9] + " " + v[10] + (texts ? " " + v[12] : ""));
    }
    return out;
}

std::vector<std::string> DxfAnchors(const std::string& text, bool texts) {
    const std::vector<std::string> l = Lines(text);
    std::vector<std::string> out;
    std::map<int, std::string> g;
    std::string kind;
    const auto flush = [&] {
        if (kind == "LINE") out.push_back("L " + g[10] + " " + g[20] + " " + g[11] + " " + g[21]);
        if (kind == "CIRCLE" || kind == "ARC") out.push_back("C " + g[10] + " " + g[20]);
        if (kind == "TEXT") out.push_back("T " + g[10] + " " + g[20] + (texts ? " " + g[1] : ""));
    };
    bool entities = false;
    for (std::size_t i = 0; i + 1 < l.size(); i += 2) {
        const int code = std::stoi(l[i]);
        if (code == 2 && l[i + 1] == "ENTITIES") entities = true;
        if (!entities) continue;
        if (code == 0) {
            flush();
            kind = l[i + 1];
            g.clear();
        } else {
            g[code] = l[i + 1];
        }
    }
    return out;
}

bool AllAscii(const std::string& s) {
    return std::none_of(s.begin(), s.end(), [](char c) { return c < 0; });
}

class DiagramFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitProgramVariables();
        InitSpringData();
        ResetMaterialRecord();
        InitConfigVariables();
        InitTableEngine();
        InitExprParser();
        IndexInit();
        InitMemoUnit();
        DbfFolder = test::ShippedTableCopy(tmp);
        TempFolder = tmp.path().string();
    }
    void TearDown() override { ShutdownTableEngine(); }

    std::string Export(void (*plot)(uint16_t), uint16_t mode, const std::string& name) {
        ScriptedDialogs dlg;
        AbortFlag = false;
        const std::string path = tmp.file(name);
        dlg.answers.push_back(ScriptedAnswer::Type(path));
        plot(mode);
        EXPECT_FALSE(AbortFlag) << name;
        return platform::ReadWholeFile(path).value_or("");
    }

    test::TempDir tmp;
};

TEST_F(DiagramFilesTest, DemoSpringsAsCadReadersSeeThem) {
    std::vector<fs::path> springs;
    for (const auto& e : fs::directory_iterator(std::string(KOR2_SOURCE_DIR) + "/data/TRAIN"))
        if (e.path().extension() == ".kr2") springs.push_back(e.path());
    std::sort(springs.begin(), springs.end());
    ASSERT_GE(springs.size(), 2u);
    for (const fs::path& spring : springs) {
        const std::string copy = tmp.file(spring.filename().string());
        fs::copy_file(spring, copy, fs::copy_options::overwrite_existing);
        ASSERT_TRUE(ReadSpringFile(copy)) << spring;
        ASSERT_FALSE(CalcErrorFlag) << spring;
        using Plot = void (*)(uint16_t);
        for (const auto& [plot, diagram] :
             {std::pair<Plot, std::string>{PlotGoodmanDiagram, "goodman"},
              std::pair<Plot, std::string>{PlotHaighDiagram, "haigh"}}) {
            for (int16_t conversion : {1, 2, 3}) {
                TextConversionOption = conversion;
                const std::string base =
                    spring.stem().string() + "_" + diagram + "_" + std::to_string(conversion);
                SCOPED_TRACE(base);
                const std::string dxf = Export(plot, kCadDxf, base + ".dxf");
                const std::string igs = Export(plot, kCadIges, base + ".igs");
                const std::string txt = Export(plot, kCadTextFile, base + ".txt");
                for (const std::string* file : {&dxf, &igs, &txt}) {
                    const bool ascii = file == &igs || conversion == 3;
                    if (ascii) {
                        EXPECT_TRUE(AllAscii(*file));
                        EXPECT_NE(file->find("kg/dm3"), std::string::npos);
                    }
                    // The material footer: no empty brackets of a missing name.
                    EXPECT_EQ(file->find("()"), std::string::npos);
                }

                const IgesFile iges = ReadIges(igs);
                ASSERT_GE(iges.global.size(), 4u);
                EXPECT_EQ(iges.global[3], base + ".igs");
                std::map<int, int> types;
                for (const IgesEntity& e : iges.entities) types[e.seq] = e.type;
                for (const IgesEntity& e : iges.entities)
                    EXPECT_TRUE(e.colour < 0 ? types[-e.colour] == 314
                                             : e.colour >= 1 && e.colour <= 8)
                        << e.seq << " " << e.colour;
                // Both carry the same ASCII texts only in the ASCII mode.
                EXPECT_EQ(IgesAnchors(iges, conversion == 3), DxfAnchors(dxf, conversion == 3));
            }
        }
        EXPECT_FALSE(CadIsOpen());
    }
}

}  // namespace
}  // namespace kor2
