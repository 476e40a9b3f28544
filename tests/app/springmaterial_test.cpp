// A spring file of a table material read through the program's two ways in:
// the command line with "/I" and the menu's Open. Both check it with the
// material's record from the shipped material table.
#include <gtest/gtest.h>

#include <string>

#include "app/hostfile.h"
#include "app/shell.h"
#include "app/startup.h"
#include "common/globals.h"
#include "platform/hostfs.h"
#include "spring/material.h"
#include "spring/springdata.h"
#include "support/tempdir.h"
#include "tables/area/engine.h"

namespace kor2 {
namespace {

using test::ReadHostFile;

const std::string kData = std::string(KOR2_SOURCE_DIR) + "/data/";

class SpringMaterialTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetCommandLine({});
        InitAllUnits();
        TempFolder = tmp.path().string();
        DbfFolder = kData;  // the shipped material table
    }
    void TearDown() override {
        ShutdownTableEngine();
        AbortFlag = false;
        ClearErrorList();
    }
    // A shipped spring copied into the test folder, line 8 of its values
    // (MaterialIndex, the 15th line of the file) replaced when given.
    std::string CopySpring(const std::string& name, const std::string& materialIndex = "") {
        std::string text = ReadHostFile(kData + "TRAIN/" + name);
        if (!materialIndex.empty()) {
            std::size_t at = 0;
            for (int line = 1; line < 8; ++line) at = text.find("\r\n", at) + 2;
            text.replace(at, text.find("\r\n", at) - at, materialIndex);
        }
        const std::string path = tmp.file(name);
        EXPECT_TRUE(platform::WriteFileReplacing(path, text));
        return path;
    }
    test::TempDir tmp;
};

// The messages section of a command-line report.
std::string BatchReport(const std::string& spring, const std::string& report) {
    EXPECT_EQ(RunBatchReport(ParseCommandLine({spring, "/I"})), 0);
    return ReadHostFile(report);
}

void ExpectCheckedWithTheTableRecord(const std::string& report) {
    EXPECT_EQ(report.find("Fatal"), std::string::npos) << report;
    EXPECT_EQ(report.find("Rm = 0"), std::string::npos) << report;
    EXPECT_EQ(report.find("dmax (0)"), std::string::npos) << report;
    EXPECT_EQ(report.find("Tmax (0"), std::string::npos) << report;
}

TEST_F(SpringMaterialTest, CommandLineReportOfTheTableMaterialDemo) {
    const std::string report = BatchReport(CopySpring("muster2.kr2"), tmp.file("muster2.txt"));
    ASSERT_FALSE(report.empty());
    ExpectCheckedWithTheTableRecord(report);
    EXPECT_EQ(MaterialRec.MaterialNo, 4);
    EXPECT_GT(PermStrokeStress, 0);
}

// The own-material demo turned into a table material (number 3 in its file).
TEST_F(SpringMaterialTest, CommandLineReportOfAnOwnSpringMadeATableMaterial) {
    const std::string report = BatchReport(CopySpring("muster1.kr2", "0"), tmp.file("muster1.txt"));
    ASSERT_FALSE(report.empty());
    ExpectCheckedWithTheTableRecord(report);
    EXPECT_EQ(MaterialIndex, 0);
    EXPECT_EQ(MaterialRec.MaterialNo, 3);
}

TEST_F(SpringMaterialTest, MenuOpenChecksWithTheTableRecord) {
    ASSERT_TRUE(OpenSpringFile(CopySpring("muster2.kr2")));
    EXPECT_FALSE(CalcErrorFlag);
    EXPECT_EQ(MaterialRec.MaterialNo, 4);
    for (int k = 1; k <= ErrorList.count; ++k)
        EXPECT_EQ(ErrorList.slots[k].str().find("Fatal"), std::string::npos);
    // Then a spring of an own material: nothing of the table material stays.
    ASSERT_TRUE(OpenSpringFile(CopySpring("muster1.kr2")));
    EXPECT_EQ(MaterialIndex, kOwnMaterialIndex);
    EXPECT_TRUE(MaterialRec.Name1.empty());
    EXPECT_EQ(MaterialRec.TauO0, 0);
}

TEST_F(SpringMaterialTest, MissingTableIsReportedAndTheSpringStillShown) {
    DbfFolder = tmp.path().string();  // no material table here
    const std::string report = BatchReport(CopySpring("muster2.kr2"), tmp.file("muster2.txt"));
    EXPECT_NE(report.find("Fatal  : FEDWST DBF error"), std::string::npos) << report;
    EXPECT_NE(report.find("Demo-Zugfeder"), std::string::npos);
    EXPECT_EQ(ForceF2, 30);
}

}  // namespace
}  // namespace kor2
