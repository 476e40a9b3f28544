// A spring file with a line that is no number: the value reads as 0, as the
// line readers take it, and the user learns which line of which file it was,
// in a message, on standard error and in the report of "/I".
#include <gtest/gtest.h>

#include <string>

#include "app/hostfile.h"
#include "app/shell.h"
#include "app/startup.h"
#include "common/errdesc.h"
#include "common/globals.h"
#include "common/numfmt.h"
#include "common/scriptdialogs.h"
#include "platform/hostfs.h"
#include "spring/springdata.h"
#include "spring/springfile.h"
#include "support/command.h"
#include "support/shippedtable.h"
#include "support/tempdir.h"
#include "tables/area/engine.h"

namespace kor2 {
namespace {

using test::ReadHostFile;
using test::ShellQuoted;

const std::string kData = std::string(KOR2_SOURCE_DIR) + "/data/";

// The text with its line `lineNo` (1-based) replaced.
std::string WithLine(std::string text, int lineNo, const std::string& line) {
    std::size_t at = 0;
    for (int k = 1; k < lineNo; ++k) at = text.find("\r\n", at) + 2;
    text.replace(at, text.find("\r\n", at) - at, line);
    return text;
}

// Line 64 holds the wire diameter.
TEST(NumberLine, CommandLineReportNamesTheLineThatIsNoNumber) {
    test::TempDir tmp;
    const std::string spring = tmp.file("feder.kr2");
    ASSERT_TRUE(platform::WriteFileReplacing(
        spring, WithLine(ReadHostFile(kData + "TRAIN/muster1.kr2"), 64, "abc")));
    int status = -1;
    // Standard error only; the program runs in the test folder without a display.
    const std::string err = test::CommandOutput(
        "cd " + ShellQuoted(tmp.path().string()) +
            " && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME=" +
            ShellQuoted(tmp.path().string()) + " XDG_CONFIG_HOME=" + ShellQuoted(tmp.file("cfg")) +
            " TMPDIR=" + ShellQuoted(tmp.path().string()) + " " + ShellQuoted(KOR2_PROGRAM) +
            " feder.kr2 /I 2>&1 >/dev/null",
        &status);
    EXPECT_EQ(status, 0) << err;
    EXPECT_NE(err.find("Zeile 64"), std::string::npos) << err;
    EXPECT_NE(err.find("feder.kr2"), std::string::npos) << err;
    const std::string report = ReadHostFile(tmp.file("feder.txt"));
    EXPECT_NE(report.find("Zeile 64"), std::string::npos) << report;
}

class NumberLineShell : public ::testing::Test {
protected:
    void SetUp() override {
        SetCommandLine({});
        InitAllUnits();
        TempFolder = ConfigDir = tmp.path().string();
        DbfFolder = test::ShippedTableCopy(tmp);
    }
    void TearDown() override {
        ShutdownTableEngine();
        AbortFlag = false;
    }
    test::TempDir tmp;
    ScriptedDialogs dialogs;
};

// Opened from the menu: the value is 0, the message names file and lines,
// and the error list keeps the line for the report.
TEST_F(NumberLineShell, OpenShowsWhichLinesWereNoNumbers) {
    std::string text = ReadHostFile(kData + "TRAIN/muster1.kr2");
    text = WithLine(WithLine(text, 64, "abc"), 58, "1,5x");  // d and F0
    const std::string file = tmp.file("feder.kr2");
    ASSERT_TRUE(platform::WriteFileReplacing(file, text));
    ASSERT_TRUE(ReadSpringFileValues(file));
    EXPECT_EQ(WireDiameter, 0);
    EXPECT_EQ(InitialTension, 0);

    ASSERT_TRUE(OpenSpringFile(file));
    const std::vector<ScriptedEvent> said = dialogs.Of("message");
    ASSERT_EQ(said.size(), 1u);
    EXPECT_NE(said[0].text.find(file), std::string::npos) << said[0].text;
    EXPECT_NE(said[0].text.find("Zeilen 58, 64"), std::string::npos) << said[0].text;
    int listed = 0;
    for (int k = 1; k <= ErrorList.count; ++k)
        if (ErrorList.slots[k].str() == "Warnung: Zeile 58 keine Zahl") listed = k;
    ASSERT_GT(listed, 0);
    // The messages window and the report describe it.
    PltFolder = kData;
    std::string cause, remedy;
    LookupErrDescription(static_cast<uint16_t>(listed), cause);
    LookupErrRemedy(static_cast<uint16_t>(listed), remedy);
    EXPECT_NE(cause.find("keine Zahl"), std::string::npos) << cause;
    EXPECT_FALSE(remedy.empty());
}

// The default spring read at start keeps the line in its messages.
TEST_F(NumberLineShell, DefaultSpringKeepsTheMessageOfItsLine) {
    ASSERT_TRUE(platform::WriteFileReplacing(
        tmp.file("null.kr2"), WithLine(ReadHostFile(kData + "TRAIN/null.kr2"), 64, "abc")));
    DataFolder = tmp.path().string();
    LoadDefaultSpring();
    ASSERT_EQ(dialogs.Of("message").size(), 1u);
    bool listed = false;
    for (int k = 1; k <= ErrorList.count; ++k)
        listed = listed || ErrorList.slots[k].str() == "Warnung: Zeile 64 keine Zahl";
    EXPECT_TRUE(listed);
}

// Numbers in every form the writers and older files use are no fault: the
// shipped springs and one with a decimal comma open without a message.
TEST_F(NumberLineShell, GoodFilesOpenWithoutAMessage) {
    for (const char* name : {"null.kr2", "muster1.kr2", "muster2.kr2"})
        ASSERT_TRUE(OpenSpringFile(kData + "TRAIN/" + name)) << name;
    const std::string file = tmp.file("komma.kr2");
    ASSERT_TRUE(platform::WriteFileReplacing(
        file, WithLine(ReadHostFile(kData + "TRAIN/muster1.kr2"), 64, "1,5000000")));
    ASSERT_TRUE(OpenSpringFile(file));
    EXPECT_EQ(WireDiameter, 1.5L);
    EXPECT_TRUE(dialogs.Of("message").empty()) << dialogs.Of("message")[0].text;
}

// A full list after the check: the reader's messages after it displace
// warnings of the check, and a warning never displaces a fatal message or
// an error (material 999 is not in the table and the file holds Rm and
// tau zul 0 in lines 13 and 14, line 34 is the frequency, 45 a temperature).
TEST_F(NumberLineShell, AFullListKeepsFatalMessagesAndErrors) {
    std::string text = ReadHostFile(kData + "TRAIN/muster2.kr2");
    text = WithLine(WithLine(WithLine(text, 13, "0"), 14, "0"), 45, "x");
    const std::string file = tmp.file("feder.kr2");
    ASSERT_TRUE(platform::WriteFileReplacing(file, WithLine(WithLine(text, 123, "999"), 34, "x")));
    ASSERT_TRUE(OpenSpringFile(file));
    ASSERT_EQ(ErrorList.count, kErrorListSlots);
    std::string listed;
    for (int k = 1; k <= ErrorList.count; ++k) listed += ErrorList.slots[k].str() + "\n";
    for (const char* kept : {"Fatal  : FEDWST DBF error", "Fatal  : Rm = 0 !",
                             "Fehler : tauk1>tauzul !", "Warnung: Zeile 34 keine Zahl"})
        EXPECT_NE(listed.find(std::string(kept) + "\n"), std::string::npos) << kept << "\n"
                                                                            << listed;
}

// The wire diameter read as 0 is estimated by the check: the message gives
// the value the calculation uses, and the remedy the file and the line.
TEST_F(NumberLineShell, TheMessageGivesTheValueUsedAndWhereToMendIt) {
    const std::string file = tmp.file("feder.kr2");
    ASSERT_TRUE(platform::WriteFileReplacing(
        file, WithLine(ReadHostFile(kData + "TRAIN/muster1.kr2"), 64, "abc")));
    ASSERT_TRUE(OpenSpringFile(file));
    ASSERT_GT(WireDiameter, 0);
    ASSERT_EQ(dialogs.Of("message").size(), 1u);
    const std::string said = dialogs.Of("message")[0].text;
    EXPECT_NE(said.find("gerechnet wird mit " + FloatToStrAuto(WireDiameter)), std::string::npos)
        << said;
    EXPECT_NE(said.find("Zeile 64 in " + file + " berichtigen"), std::string::npos) << said;
    EXPECT_EQ(said.find("als 0"), std::string::npos) << said;
    PltFolder = kData;
    std::string cause, remedy;
    LookupErrDescription(static_cast<uint16_t>(ErrorList.count), cause);
    LookupErrRemedy(static_cast<uint16_t>(ErrorList.count), remedy);
    EXPECT_EQ(cause.find("als 0"), std::string::npos) << cause;
    EXPECT_EQ(remedy.find("Eingabe"), std::string::npos) << remedy;
    EXPECT_NE(remedy.find("Datei"), std::string::npos) << remedy;
}

}  // namespace
}  // namespace kor2
