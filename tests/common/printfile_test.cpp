// The PDF file of a print without a printer: after the spring, beside it,
// and never over an earlier print.
#include <gtest/gtest.h>

#include <string>

#include "common/globals.h"
#include "common/printfile.h"
#include "platform/hostfs.h"
#include "platform/progfiles.h"
#include "support/tempdir.h"

namespace kor2 {
namespace {

// The name as the user sees it.
std::string Pdf() {
    return platform::DisplayPath(PrintPdfFileName());
}

class PrintFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitProgramVariables();
        DataFolder = tmp.path().string();
        DataFileName = "feder";
    }
    test::TempDir tmp;
};

TEST_F(PrintFileTest, NamedAfterTheSpringAndNumberedPastEarlierPrints) {
    EXPECT_EQ(Pdf(), tmp.file("feder.pdf"));
    ASSERT_TRUE(platform::WriteFileReplacing(tmp.file("feder.pdf"), "1"));
    EXPECT_EQ(Pdf(), tmp.file("feder-2.pdf"));
    ASSERT_TRUE(platform::WriteFileReplacing(tmp.file("feder-2.pdf"), "2"));
    EXPECT_EQ(Pdf(), tmp.file("feder-3.pdf"));
    EXPECT_EQ(platform::ReadWholeFile(tmp.file("feder.pdf")), "1");

    // A name with dots keeps them; a spring without a name prints under the
    // program's name.
    DataFileName = "d1.6";
    EXPECT_EQ(Pdf(), tmp.file("d1.6.pdf"));
    DataFileName.clear();
    EXPECT_EQ(Pdf(), tmp.file(ProgramBaseName + ".pdf"));
}

TEST_F(PrintFileTest, CommandLineSpringPrintsBesideItsFile) {
    DataFolder = "/nirgends";
    DataFileName = tmp.path().string() + "/sub/feder";
    EXPECT_EQ(Pdf(), tmp.file("sub/feder.pdf"));
}

}  // namespace
}  // namespace kor2
