// Tests of the run-time data files in data/: the help file and the message
// description file parse and cover what the program asks of them, and the
// spring files are exactly what the program's own writer produces.
// With KOR2_WRITE_DATA=1 set the spring files are (re)written into data/.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "app/hostfile.h"
#include "app/startup.h"
#include "common/errdesc.h"
#include "common/globals.h"
#include "common/helptext.h"
#include "platform/codepage.h"
#include "platform/hostfs.h"
#include "spring/check.h"
#include "spring/goodman.h"
#include "spring/material.h"
#include "spring/materialtable.h"
#include "spring/springdata.h"
#include "spring/springfile.h"
#include "support/shippedtable.h"
#include "support/tempdir.h"
#include "tables/area/engine.h"

namespace kor2 {
namespace {

const std::string kData = std::string(KOR2_SOURCE_DIR) + "/data/";

using test::ReadHostFile;
namespace fs = std::filesystem;

class DataFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetCommandLine({});
        InitAllUnits();
        TempFolder = tmp.path().string();
        PltFolder = kData;
    }
    void TearDown() override {
        ShutdownTableEngine();
        AbortFlag = false;
        ClearErrorList();
    }
    test::TempDir tmp;
};

// Every help number that the program's dialogs and menus set.
TEST_F(DataFilesTest, HelpFileHasAnEntryForEveryHelpNumberInUse) {
    for (uint16_t n : {1000, 1010, 1020, 1030, 1050, 1060, 1070, 1210, 1970, 3055}) {
        const HelpEntry e = LookupHelpEntry(n);
        EXPECT_FALSE(e.lines[1].empty()) << n;
        EXPECT_NE(e.lines[1], HelpNotFoundText(n)) << n;
        EXPECT_EQ(e.lines[1].find("nicht gefunden"), std::string::npos) << e.lines[1];
    }
    // An entry ends at the next one: 1060 has two lines, not those of 1070.
    const HelpEntry e = LookupHelpEntry(1060);
    EXPECT_FALSE(e.lines[2].empty());
    EXPECT_TRUE(e.lines[3].empty());
}

TEST_F(DataFilesTest, DataFilesAreCodePage850WithCrLf) {
    for (const char* name :
         {"quorvex.hlp", "kor2.err", "TRAIN/null.kr2", "TRAIN/muster1.kr2", "TRAIN/muster2.kr2"}) {
        const std::string text = ReadHostFile(kData + name);
        ASSERT_FALSE(text.empty()) << name;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\n') {
                ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << name << " at " << i;
            }
        }
        // No UTF-8 sequences: "ä" would be 0xC3 0xA4 there, 0x84 in code page 850.
        EXPECT_EQ(text.find("\xC3\xA4"), std::string::npos) << name;
        EXPECT_EQ(text.find("\xC3\xB6"), std::string::npos) << name;
        EXPECT_EQ(text.find("\xC3\xBC"), std::string::npos) << name;
    }
    EXPECT_NE(ReadHostFile(kData + "kor2.err")
                  .find("Warnung: \x9A"
                        "berkrit."),
              std::string::npos);
}

// The calculation's message texts as written in the sources of the
// calculation and the common services, every file of both folders; texts
// that are completed at run time are given in their completed form.
std::vector<std::string> CalculationMessages() {
    std::set<std::string> out;
    const std::regex literal(
        "\"((Fatal  : |Fehler : |Warnung: |Drahtdurchmesser nicht|Error: )[^\"]*)\"");
    for (const char* folder : {"spring", "common"}) {
        for (const auto& entry :
             fs::recursive_directory_iterator(fs::path(KOR2_SOURCE_DIR) / folder)) {
            if (entry.path().extension() != ".cpp") continue;
            const std::string src = ReadHostFile(entry.path().string());
            for (std::sregex_iterator it(src.begin(), src.end(), literal), end; it != end; ++it) {
                std::string text = platform::Utf8ToOem((*it)[1].str());
                if (text == "Fehler : ") continue;  // the message box caption
                if (text == "Fehler : AF") text += " (pow)";  // PowerChecked appends it
                out.insert(text);
            }
        }
    }
    return {out.begin(), out.end()};
}

TEST_F(DataFilesTest, EveryCalculationMessageHasCauseAndRemedy) {
    const std::vector<std::string> messages = CalculationMessages();
    ASSERT_GT(messages.size(), 50u);
    for (const std::string& m : messages) {
        EXPECT_GE(m.size(), kErrKeyLength) << m;  // a shorter key would match too much
        ClearErrorList();
        AddErrorMessage(m);
        AbortFlag = false;
        std::string cause, remedy;
        LookupErrDescription(1, cause);
        LookupErrRemedy(1, remedy);
        EXPECT_NE(cause, "keine Beschreibung dieser Fehlermeldung vorhanden.") << m;
        EXPECT_FALSE(cause.empty()) << m;
        EXPECT_FALSE(remedy.empty()) << m;
    }
}

// Messages that share the characters the lookup compares share one
// description; its key is a beginning they all have, so the entry is written
// for all of them and names none of them alone.
TEST_F(DataFilesTest, MessagesSharingAKeyShareOneDescriptionForAll) {
    std::map<std::string, std::vector<std::string>> groups;
    for (const std::string& m : CalculationMessages()) groups[m.substr(0, kErrKeyLength)].push_back(m);
    std::istringstream in(ReadHostFile(kData + "kor2.err"));
    std::map<std::string, std::string> keys;  // first characters -> key line
    int n = 0;
    for (std::string l; std::getline(in, l); ++n) {
        if (!l.empty() && l.back() == '\r') l.pop_back();
        if (n % 3 == 0) keys[l.substr(0, kErrKeyLength)] = l;
    }
    int shared = 0;
    for (const auto& [prefix, members] : groups) {
        if (members.size() < 2) continue;
        ++shared;
        ASSERT_EQ(keys.count(prefix), 1u) << prefix;
        for (const std::string& m : members)
            EXPECT_EQ(m.rfind(keys[prefix], 0), 0u) << "key \"" << keys[prefix] << "\" names only some of " << m;
    }
    EXPECT_GE(shared, 8);
}

TEST_F(DataFilesTest, MessageFileIsGroupsOfKeyCauseRemedyWithDistinctKeys) {
    std::istringstream in(ReadHostFile(kData + "kor2.err"));
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) {
        ASSERT_FALSE(l.empty());
        ASSERT_EQ(l.back(), '\r');
        l.pop_back();
        lines.push_back(l);
    }
    ASSERT_EQ(lines.size() % 3, 0u);
    std::set<std::string> keys;
    for (std::size_t i = 0; i < lines.size(); i += 3)
        EXPECT_TRUE(keys.insert(lines[i].substr(0, kErrKeyLength)).second) << lines[i];
    // A cause or remedy line must never be taken for a key.
    for (std::size_t i = 0; i < lines.size(); i += 3) {
        for (std::size_t k : {i + 1, i + 2})
            EXPECT_EQ(keys.count(lines[k].substr(0, kErrKeyLength)), 0u) << lines[k];
    }
}

// The spring files of data/TRAIN, set up from the program's defaults: the
// default spring and two demo springs under dynamic loading, one of an own
// material and one of a table material whose fatigue lines the Goodman
// diagram draws.
enum class DataSpring { Default, OwnMaterialDemo, TableMaterialDemo };

constexpr uint16_t kDemoTableMaterial = 4;  // EN 10270-1 SH, with fatigue lines

void SetUpDataSpring(DataSpring kind) {
    MaterialIndex = 11;  // own material: Rm and tau zul as typed
    MaterialName = "Federstahldraht EN 10270-1 SH";
    ModulusE = 206000;
    ModulusG = 81500;
    Density = 7.85L;
    TensileStrength = 1970;
    PermShearStress = 886;
    if (kind == DataSpring::TableMaterialDemo) {
        ASSERT_TRUE(LoadMaterialById(kDemoTableMaterial));
        MaterialRecNo = kDemoTableMaterial;
    }
    WireDiameter = 1.2L;
    OuterDiameter = 10;
    DiameterInputMode = 1;
    ForceF1 = 15;
    ForceF2 = 30;
    Stroke = 16;
    EyeType = {0, 2, 2};
    EyeHeight = {0, 7.5L, 7.5L};
    LoadingType = 1;
    if (kind != DataSpring::Default) {
        SpringTitle = "Demo-Zugfeder";
        DrawingNumber = kind == DataSpring::TableMaterialDemo ? "DEMO-002" : "DEMO-001";
        LoadingType = 2;
        OperatingFrequency = 5;
    }
}

TEST_F(DataFilesTest, SpringFilesAreWrittenByTheProgramAndReadBackWithoutFatalMessage) {
    const bool regenerate = std::getenv("KOR2_WRITE_DATA") != nullptr;
    const struct {
        DataSpring kind;
        const char* name;
    } springs[] = {{DataSpring::Default, "null.kr2"},
                   {DataSpring::OwnMaterialDemo, "muster1.kr2"},
                   {DataSpring::TableMaterialDemo, "muster2.kr2"}};
    for (const auto& spring : springs) {
        const std::string name = std::string("TRAIN/") + spring.name;
        InitAllUnits();
        TempFolder = tmp.path().string();
        DbfFolder = test::ShippedTableCopy(tmp);
        SetUpDataSpring(spring.kind);
        CheckSpring();
        const std::string written = regenerate ? kData + name : tmp.file(spring.name);
        if (regenerate) std::remove(written.c_str());  // no replace question
        WriteSpringFile(written);
        ASSERT_FALSE(AbortFlag) << name;
        EXPECT_EQ(ReadHostFile(written), ReadHostFile(kData + name)) << name;

        InitAllUnits();
        TempFolder = tmp.path().string();
        DbfFolder = test::ShippedTableCopy(tmp);
        PltFolder = kData;
        ASSERT_TRUE(ReadSpringFile(kData + name)) << name;
        EXPECT_FALSE(CalcErrorFlag) << name;
        EXPECT_DOUBLE_EQ(static_cast<double>(WireDiameter), 1.2);
        EXPECT_EQ(SpringTitle.str(), spring.kind == DataSpring::Default ? "Zugfeder"
                                                                           : "Demo-Zugfeder");
        if (spring.kind == DataSpring::TableMaterialDemo) {
            EXPECT_EQ(MaterialIndex, 0);
            EXPECT_EQ(MaterialRec.MaterialNo, kDemoTableMaterial);
            Extended tauO = 0, tauH = 0, slope = 0, knee = 0;
            std::string caption;
            GoodmanLimits(1, tauO, tauH, slope, knee, caption);
            EXPECT_GT(tauO, 0);
            EXPECT_GT(tauH, 0);
            EXPECT_GT(slope, 0);
            EXPECT_GT(PermStrokeStress, 0);
        }
    }
}

// The program starts under the name "demo" in the data folder; a save right
// after start must not replace a shipped spring.
TEST_F(DataFilesTest, NoShippedSpringUnderTheStartName) {
    InitAllUnits();
    const std::string start = DataFolder + "/" + DataFileName + "." + DataFileExt.str();
    EXPECT_FALSE(platform::FileExists(kData + start)) << start;
}

}  // namespace
}  // namespace kor2
