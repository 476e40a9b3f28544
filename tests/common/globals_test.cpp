// Tests of the program-wide variables and the error list.
#include "common/globals.h"
#include "platform/progfiles.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/oemtext.h"

namespace kor2 {
namespace {

class GlobalsTest : public ::testing::Test {
protected:
    void SetUp() override { InitProgramVariables(); }
};

TEST_F(GlobalsTest, DefaultsAfterStartUp) {
    EXPECT_FALSE(AbortFlag);
    EXPECT_FALSE(CalcErrorFlag);
    EXPECT_TRUE(MessageBoxesEnabled);
    EXPECT_EQ(ErrorList.count, 0);
    EXPECT_EQ(MainTitle.str(), "KOR2     Zugfederberechnung");
    EXPECT_EQ(ProgramVersion, "14.5");
    EXPECT_EQ(DataFileExt.str(), "kr2");
    EXPECT_EQ(DataFileName, "demo");
    EXPECT_EQ(DataFolder, "TRAIN");
    EXPECT_EQ(TextLines[1].str(), std::string(60, ' '));
    EXPECT_EQ(TextLines[kTextLineCount].str(), std::string(60, ' '));
    EXPECT_EQ(WrapLines[5].str(), std::string(64, ' '));
    EXPECT_EQ(ReportTitleLines[1].str(), "Berechnungsbeispiel");
    EXPECT_TRUE(ReportTitleLines[2].empty());
    EXPECT_EQ(PrecisionOption, 3);
    EXPECT_EQ(DecimalSepOption, 2);
    EXPECT_EQ(ScreenScalePercent, 102);
    EXPECT_EQ(HardcopyRotated, 'J');
    EXPECT_EQ(HtmlBrowserPath, "c:\\Programme\\Internet Explorer\\Iexplore.exe");
    EXPECT_FALSE(StartFolder.empty());
    EXPECT_EQ(StartFolder.find('/'), std::string::npos);
    // The configuration and state files are the user's, wherever the
    // program starts (the test process has a configuration folder of its own).
    EXPECT_EQ(ConfigDir, platform::UserConfigFolder());
    EXPECT_NE(ConfigDir, StartFolder);
}

TEST_F(GlobalsTest, InitResetsChangedValues) {
    AbortFlag = true;
    PrecisionOption = 7;
    TextLines[3] = "x";
    AddErrorMessage("A");
    CalcErrorFlag = true;
    InitProgramVariables();
    EXPECT_FALSE(AbortFlag);
    EXPECT_FALSE(CalcErrorFlag);
    EXPECT_EQ(PrecisionOption, 3);
    EXPECT_EQ(TextLines[3].str(), std::string(60, ' '));
    EXPECT_EQ(ErrorList.count, 0);
}

TEST_F(GlobalsTest, ShortBuffersCutWhereStored) {
    TextLines[1] = std::string(80, 'a');
    EXPECT_EQ(TextLines[1].size(), 65u);
    WrapLines[1] = std::string(70, 'b');
    EXPECT_EQ(WrapLines[1].size(), 64u);
    MainTitle = std::string(61, 'c');
    EXPECT_EQ(MainTitle.size(), 60u);
}

TEST_F(GlobalsTest, DuplicateAndLongMessagesStoredOnce) {
    const std::string fifty(50, 'x');
    AddErrorMessage(fifty);
    AddErrorMessage(fifty);
    ASSERT_EQ(ErrorList.count, 1);
    EXPECT_EQ(ErrorList.slots[1].str(), std::string(36, 'x'));
    // Differs only after character 36: the same key, not stored again.
    AddErrorMessage(std::string(36, 'x') + "yyy");
    EXPECT_EQ(ErrorList.count, 1);
    // Case and blanks count.
    AddErrorMessage("Fehler");
    AddErrorMessage("fehler");
    AddErrorMessage("Fehler ");
    EXPECT_EQ(ErrorList.count, 4);
    EXPECT_FALSE(CalcErrorFlag);  // AddErrorMessage sets no flag
}

TEST_F(GlobalsTest, FullListKeepsFirstEleven) {
    for (int i = 1; i <= 13; ++i) AddErrorMessage("Meldung " + std::to_string(i));
    ASSERT_EQ(ErrorList.count, 11);
    EXPECT_EQ(ErrorList.slots[1].str(), "Meldung 1");
    EXPECT_EQ(ErrorList.slots[11].str(), "Meldung 11");
    AddErrorMessage("Meldung 1");  // duplicate of a stored one: still 11
    EXPECT_EQ(ErrorList.count, 11);
}

TEST_F(GlobalsTest, ClearAfterFatalMessage) {
    AddErrorMessage("Fatal  : Drahtdurchmesser");
    CalcErrorFlag = true;
    AddErrorMessage("Warnung: etwas");
    ClearErrorList();
    EXPECT_EQ(ErrorList.count, 0);
    EXPECT_FALSE(CalcErrorFlag);
    AddErrorMessage("neu");
    EXPECT_EQ(ErrorList.count, 1);
    EXPECT_EQ(ErrorList.slots[1].str(), "neu");
}

TEST_F(GlobalsTest, MessagesAreCodePage850Bytes) {
    const std::string text = "Warnung: Überkrit. Bereich"_oem;
    ASSERT_EQ(text.size(), 26u);
    EXPECT_EQ(static_cast<unsigned char>(text[9]), 0x9A);  // position 10: Ü
    AddErrorMessage(text);
    EXPECT_EQ(ErrorList.slots[1].str(), text);
    // The cut at 36 counts code page 850 bytes: 35 ASCII bytes + ß + more.
    AddErrorMessage(std::string(35, 'a') + "ßxyz"_oem);
    ASSERT_EQ(ErrorList.count, 2);
    EXPECT_EQ(ErrorList.slots[2].size(), 36u);
    EXPECT_EQ(static_cast<unsigned char>(ErrorList.slots[2][35]), 0xE1);
}

TEST(CommandLineTest, KeepsParameters) {
    SetCommandLine({"demo.kr2", "/I"});
    ASSERT_EQ(CommandLineParams().size(), 2u);
    EXPECT_EQ(CommandLineParams()[1], "/I");
    InitProgramVariables();  // does not forget the command line
    EXPECT_EQ(CommandLineParams().size(), 2u);
    SetCommandLine({});
}

}  // namespace
}  // namespace kor2
