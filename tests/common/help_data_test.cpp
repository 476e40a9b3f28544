// Tests of the shipped help files and help pictures in data/: every help
// number the sources use has an entry, the files keep the entry layout the
// lookup needs, every picture is well-formed HP-GL that draws inside the help
// window; and "Hilfebild" says so when an entry has no picture.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/filepath.h"
#include "common/globals.h"
#include "common/helptext.h"
#include "common/scriptdialogs.h"
#include "files_testutil.h"
#include "graphics/window/graphwin.h"
#include "graphics/window/hpgl.h"
#include "support/tempdir.h"

namespace kor2 {
namespace {

namespace fs = std::filesystem;
using test::Put;
using test::Slurp;

const fs::path kSource = KOR2_SOURCE_DIR;
const std::string kData = (kSource / "data").string();
const char* const kHelpFiles[] = {"quorvex.hlp", "kor2.hlp"};

// Source files of the program: every .cpp and .h outside tests, fuzzers,
// benchmarks and build folders.
std::vector<fs::path> ProgramSources() {
    std::vector<fs::path> out;
    for (const fs::directory_entry& top : fs::directory_iterator(kSource)) {
        const std::string name = top.path().filename().string();
        if (!top.is_directory() || name.empty() || name[0] == '.' || name == "tests" ||
            name == "fuzz" || name == "bench" || name == "data" ||
            fs::exists(top.path() / "CMakeCache.txt"))
            continue;
        for (const fs::directory_entry& e : fs::recursive_directory_iterator(top.path())) {
            const std::string ext = e.path().extension().string();
            if (e.is_regular_file() && (ext == ".cpp" || ext == ".h")) out.push_back(e.path());
        }
    }
    return out;
}

// Variables that only pass on a number set elsewhere.
const std::set<std::string> kPassedOn = {"HelpNumber", "savedHelp", "helpContext"};

struct HelpUse {
    int number = -1;
    std::string where;
};

// Every help number the sources give to the help calls, to HelpNumber and to
// EditTableFile: literals, and named constants through their definitions.
// A name that is neither passes the test only when listed in kPassedOn.
std::vector<HelpUse> HelpNumbersInSources(std::vector<std::string>& unresolved) {
    const std::regex use(
        R"(\b(?:SetHelpNumber|SetHelpNumberDlg|ShowHelpText|ShowHelpTextAlt|ShowHelp)\s*\(\s*([A-Za-z_0-9:]+)\s*[,)])"
        R"(|\bHelpNumber\s*=\s*([A-Za-z_0-9:]+)\s*;)"
        R"(|\bEditTableFile\s*\([^;()]*,\s*([A-Za-z_0-9:]+)\s*\))");
    const std::regex constant(R"(\b(k\w+)\s*=\s*([0-9]+)\s*;)");
    std::map<std::string, int> constants;
    std::vector<std::pair<std::string, std::string>> names;  // name, where
    std::vector<HelpUse> out;
    for (const fs::path& file : ProgramSources()) {
        const std::string where = fs::relative(file, kSource).string();
        if (where == "common/helptext.cpp") continue;  // the lookup passes its argument on
        const std::string src = Slurp(file.string());
        for (std::sregex_iterator it(src.begin(), src.end(), constant), end; it != end; ++it)
            constants[(*it)[1].str()] = std::stoi((*it)[2].str());
        for (std::sregex_iterator it(src.begin(), src.end(), use), end; it != end; ++it) {
            std::string arg;
            for (int g = 1; g <= 3 && arg.empty(); ++g) arg = (*it)[g].str();
            if (std::isdigit(static_cast<unsigned char>(arg[0])))
                out.push_back({std::stoi(arg), where});
            else
                names.emplace_back(arg, where);
        }
    }
    for (const auto& [name, where] : names) {
        const std::size_t colon = name.rfind(':');
        const std::string bare = colon == std::string::npos ? name : name.substr(colon + 1);
        if (auto c = constants.find(bare); c != constants.end())
            out.push_back({c->second, where + " (" + bare + ")"});
        else if (!kPassedOn.count(bare))
            unresolved.push_back(name + " in " + where);
    }
    return out;
}

// The lines of a shipped file without their CR LF ends.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) {
        if (!l.empty() && l.back() == '\r') l.pop_back();
        out.push_back(l);
    }
    return out;
}

struct ShippedEntry {
    int number = -1;
    std::string picture;
    std::string file;
};

// The entries of both shipped help files.
std::vector<ShippedEntry> ShippedEntries() {
    std::vector<ShippedEntry> out;
    for (const char* name : kHelpFiles) {
        for (const std::string& line : Lines(Slurp(kData + "/" + name))) {
            int32_t number = -1;
            std::string picture;
            ParseHelpLine(line, number, picture);
            if (number >= 0) out.push_back({number, picture, name});
        }
    }
    return out;
}

class HelpDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitProgramVariables();
        HelpNumber = 0;
        PltFolder = kData;
        GraphClear();
    }
    ScriptedDialogs ui;
};

TEST_F(HelpDataTest, EveryHelpNumberInTheSourcesHasAShippedEntry) {
    std::vector<std::string> unresolved;
    const std::vector<HelpUse> uses = HelpNumbersInSources(unresolved);
    for (const std::string& name : unresolved)
        ADD_FAILURE() << "help number neither a literal nor a constant: " << name;
    // The scan must see the dialogs, the message window, the browser and the menu.
    std::set<int> numbers;
    for (const HelpUse& u : uses) numbers.insert(u.number);
    for (int n : {0, 1000, 1210, 1970, 2450, 3210, 3520, 4050, 5050, 9590})
        EXPECT_TRUE(numbers.count(n)) << n << " not found by the scan";
    for (const HelpUse& u : uses) {
        ASSERT_LT(u.number, 65536) << u.where;
        const HelpEntry e = LookupHelpEntry(static_cast<uint16_t>(u.number));
        EXPECT_FALSE(e.lines[1].empty()) << u.number << " from " << u.where;
        EXPECT_NE(e.lines[1], HelpNotFoundText(static_cast<uint16_t>(u.number)))
            << u.number << " from " << u.where;
        EXPECT_EQ(e.lines[1].find("nicht gefunden"), std::string::npos)
            << u.number << " from " << u.where << ": " << e.lines[1];
    }
}

// The lookup finds an entry only in the file of its number, takes the first
// match, ends an entry at the next multiple of 5 and never examines the last
// line; each text line must be read as text, not as a number line.
TEST_F(HelpDataTest, ShippedFilesKeepTheEntryLayout) {
    for (const char* name : kHelpFiles) {
        const std::string text = Slurp(kData + "/" + name);
        ASSERT_FALSE(text.empty()) << name;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\n') {
                ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << name << " at " << i;
            }
        }
        EXPECT_EQ(text.find("\xC3"), std::string::npos) << name << " holds UTF-8, not cp850";
        const std::vector<std::string> lines = Lines(text);
        std::set<int> seen;
        int textLines = 0, last = -1;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            int32_t number = -1;
            std::string picture;
            ParseHelpLine(lines[i], number, picture);
            if (number < 0) {
                ASSERT_GE(last, 0) << name << ": text before the first entry";
                EXPECT_LE(++textLines, 5) << name << " entry " << last;
                EXPECT_LE(lines[i].size(), 72u) << name << ": " << lines[i];
                EXPECT_FALSE(lines[i].empty()) << name << " line " << i + 1;
                continue;
            }
            if (last >= 0) {
                EXPECT_GE(textLines, 1) << name << " entry " << last;
            }
            EXPECT_EQ(number % 5, 0) << name << ": " << lines[i];
            EXPECT_TRUE(seen.insert(number).second) << name << ": twice " << number;
            EXPECT_GT(number, last) << name << ": entries out of order at " << number;
            last = number;
            textLines = 0;
        }
        // The last entry is an end mark: the lookup never reaches its text.
        EXPECT_EQ(textLines, 1) << name;
        ASSERT_FALSE(seen.empty()) << name;
        for (int n : seen) {
            if (n == *seen.rbegin()) continue;
            EXPECT_EQ(HelpFileName(static_cast<uint16_t>(n)), AddBackslash(kData) + name)
                << n << " is in " << name << " but looked up elsewhere";
        }
    }
}

// A strict reading of a help picture: only the commands the reader draws,
// every parameter a number, point lists in pairs, every label terminated.
std::string HpglFault(const std::string& d) {
    const std::set<std::string> known = {"IN", "DF", "SP", "PU", "PD", "PA",
                                         "PR", "CI", "DI", "SI", "LB", "DT"};
    char term = '\x03';
    std::size_t p = 0;
    while (p < d.size()) {
        if (d[p] == '\r' || d[p] == '\n' || d[p] == ' ') {
            ++p;
            continue;
        }
        if (p + 1 >= d.size()) return "cut command at " + std::to_string(p);
        const std::string cmd = d.substr(p, 2);
        if (!known.count(cmd)) return "unknown command " + cmd + " at " + std::to_string(p);
        p += 2;
        if (cmd == "LB") {
            const std::size_t end = d.find(term, p);
            if (end == std::string::npos) return "label without terminator at " + std::to_string(p);
            for (std::size_t i = p; i < end; ++i)
                if (static_cast<unsigned char>(d[i]) < 0x20) return "control byte in label";
            p = end + 1;
            continue;
        }
        if (cmd == "DT") {
            if (p + 1 >= d.size() || d[p + 1] != ';') return "DT without terminator";
            term = d[p];
            p += 2;
            continue;
        }
        const std::size_t end = d.find(';', p);
        if (end == std::string::npos) return cmd + " without ';'";
        std::vector<std::string> params;
        std::stringstream ss(d.substr(p, end - p));
        for (std::string v; std::getline(ss, v, ',');) params.push_back(v);
        for (const std::string& v : params) {
            if (!std::regex_match(v, std::regex(R"(-?[0-9]+(\.[0-9]+)?)")))
                return cmd + " with parameter '" + v + "'";
        }
        const std::size_t n = params.size();
        if ((cmd == "PU" || cmd == "PD" || cmd == "PA" || cmd == "PR") && n % 2 != 0)
            return cmd + " with an odd number of coordinates";
        if ((cmd == "CI" && (n < 1 || n > 2)) || (cmd == "SP" && n != 1) ||
            (cmd == "SI" && n != 2) || (cmd == "DI" && n != 2 && n != 0) ||
            ((cmd == "IN" || cmd == "DF") && n != 0))
            return cmd + " with " + std::to_string(n) + " parameters";
        p = end + 1;
    }
    return "";
}

std::vector<std::string> ShippedPictures() {
    std::vector<std::string> out;
    for (const fs::directory_entry& e : fs::directory_iterator(kData))
        if (e.path().extension() == ".plt") out.push_back(e.path().stem().string());
    return out;
}

TEST_F(HelpDataTest, EveryPictureIsShippedAndDrawsInsideTheHelpWindow) {
    const std::vector<std::string> pictures = ShippedPictures();
    ASSERT_FALSE(pictures.empty());
    for (const ShippedEntry& e : ShippedEntries()) {
        if (e.picture == "NULL") continue;
        EXPECT_TRUE(fs::is_regular_file(kData + "/" + e.picture + ".plt"))
            << e.file << " entry " << e.number << " names " << e.picture;
    }
    for (const std::string& name : pictures) {
        const std::string data = Slurp(kData + "/" + name + ".plt");
        EXPECT_EQ(HpglFault(data), "") << name;
        GraphWindowModel w;
        w.Header(false, 0, 0, 160, 120);
        DrawHpgl(data, w);
        int lines = 0, texts = 0;
        auto inside = [](double x, double y) { return x >= 0 && x <= 160 && y >= 0 && y <= 120; };
        for (const GraphItem& it : w.Items()) {
            if (it.kind == GraphItem::Kind::Line) {
                ++lines;
                EXPECT_TRUE(inside(it.x1, it.y1) && inside(it.x2, it.y2))
                    << name << ": line " << it.x1 << "," << it.y1 << " " << it.x2 << "," << it.y2;
            } else if (it.kind == GraphItem::Kind::Circle) {
                EXPECT_TRUE(inside(it.x1 - it.x2, it.y1 - it.x2) &&
                            inside(it.x1 + it.x2, it.y1 + it.x2))
                    << name << ": circle at " << it.x1 << "," << it.y1;
            } else if (it.kind == GraphItem::Kind::Text) {
                ++texts;
                EXPECT_TRUE(inside(it.x1, it.y1) && inside(it.x1, it.y1 + it.height))
                    << name << ": text " << it.text;
            }
        }
        EXPECT_GT(lines, 20) << name;
        EXPECT_GT(texts, 3) << name;
    }
}

TEST_F(HelpDataTest, MessageListHelpShowsTheSpringWithItsDimensions) {
    ShowHelpText(1210, 2);
    EXPECT_TRUE(ui.Of("message").empty());
    std::set<std::string> labels;
    for (const GraphItem& it : GraphWindow.Items())
        if (it.kind == GraphItem::Kind::Text) labels.insert(it.text);
    for (const char* dim : {"d", "De", "Di", "Dm", "L0", "LK", "LH"})
        EXPECT_TRUE(labels.count(dim)) << dim;
}

// "Hilfebild" for an entry without a picture, with a missing picture file,
// for an unknown entry and without a help file: a message, and the graphics
// window keeps its drawing.
TEST(HelpPictureTest, WithoutAPictureHilfebildSaysSoAndKeepsTheDrawing) {
    InitProgramVariables();
    test::TempDir tmp;
    ScriptedDialogs ui;
    PltFolder = tmp.path().string();
    const std::string none = "Hilfetext Nr 1210: kein Hilfebild vorhanden.";
    const struct {
        const char* file;
        uint16_t number;
        std::string message;
    } cases[] = {
        {nullptr, 1210, none},
        {"1210\r\nText\r\n1215\r\nx\r\n", 1210, none},
        {"1200\r\nText\r\n1215\r\nx\r\n", 1210, none},
        {"1210:null\r\nText\r\n1215\r\nx\r\n", 1210, none},
        {"1210:fehlt\r\nText\r\n1215\r\nx\r\n", 1210, "Datei fehlt.plt nicht gefunden !"},
    };
    for (const auto& c : cases) {
        if (c.file) Put(tmp.file("quorvex.hlp"), c.file);
        GraphClear();
        GraphWindow.MoveTo(0, 0);
        GraphWindow.LineTo(10, 10);
        ui.events.clear();
        ShowHelpText(c.number, 2);
        const auto boxes = ui.Of("message");
        ASSERT_EQ(boxes.size(), 1u) << c.message;
        EXPECT_EQ(boxes[0].caption, "HILFEBILD Nr.1210");
        EXPECT_EQ(boxes[0].text, c.message);
        ASSERT_EQ(GraphWindow.Items().size(), 1u) << c.message;
        EXPECT_EQ(GraphWindow.Items()[0].kind, GraphItem::Kind::Line);
    }
    // With a picture there is no message.
    Put(tmp.file("quorvex.hlp"), "1210:bild\r\nText\r\n1215\r\nx\r\n");
    Put(tmp.file("bild.plt"), "IN;PU0,0;PD800,0;");
    ui.events.clear();
    ShowHelpText(1210, 2);
    EXPECT_TRUE(ui.Of("message").empty());
    const GraphItem& line = GraphWindow.Items().back();
    EXPECT_EQ(line.kind, GraphItem::Kind::Line);
    EXPECT_DOUBLE_EQ(line.x2, 20.0);
}

}  // namespace
}  // namespace kor2
