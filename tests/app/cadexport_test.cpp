// Tests of exporting the fatigue diagrams as CAD files one after another:
// each output starts from the same layer, text style and cursor, so the
// same diagram gives the same file whatever was drawn before it.
#include <gtest/gtest.h>

#include <string>

#include "app/hostfile.h"
#include "common/config.h"
#include "common/globals.h"
#include "common/scriptdialogs.h"
#include "graphics/cadout.h"
#include "spring/check.h"
#include "spring/examplespring.h"
#include "spring/fatiguediag.h"
#include "support/tempdir.h"

namespace kor2 {
namespace {

class CadExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::SetUpExampleSpring();
        InitConfigVariables();
        CheckSpring();
        ASSERT_FALSE(CalcErrorFlag);
    }
    // Exports with `plot` in `mode` into a new file and gives its bytes.
    std::string Export(void (*plot)(uint16_t), uint16_t mode, const std::string& ext) {
        ScriptedDialogs dlg;
        AbortFlag = false;
        const std::string name = dir.file("out" + std::to_string(++runs) + "." + ext);
        dlg.answers.push_back(ScriptedAnswer::Type(name));
        plot(mode);
        EXPECT_FALSE(AbortFlag);
        return test::ReadHostFile(name);
    }
    test::TempDir dir;
    int runs = 0;
};

TEST_F(CadExportTest, TheSameDiagramTwiceGivesTheSameFile) {
    for (const auto& [mode, ext] : {std::pair<uint16_t, std::string>{kCadDxf, "dxf"},
                                    std::pair<uint16_t, std::string>{kCadTextFile, "txt"}}) {
        const std::string first = Export(PlotGoodmanDiagram, mode, ext);
        ASSERT_FALSE(first.empty()) << ext;
        EXPECT_EQ(Export(PlotGoodmanDiagram, mode, ext), first) << ext;
        // Another diagram in between, and a caller's own leftover state.
        Export(PlotHaighDiagram, mode, ext);
        CadSetLayer(23);
        CadSetTextStyle(3, 45, 7, 1);
        CadMoveTo(50, 50);
        EXPECT_EQ(Export(PlotGoodmanDiagram, mode, ext), first) << ext;
    }
}

}  // namespace
}  // namespace kor2
