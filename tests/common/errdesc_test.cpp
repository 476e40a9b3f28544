// Tests of the calculation-message window and the message description file:
// the choice loop, the 14-character keys, the lookups for reports and the
// saving of edited descriptions that never loses the file.
#include <gtest/gtest.h>

#include "common/errdesc.h"
#include "common/fileops.h"
#include "common/globals.h"
#include "common/scriptdialogs.h"
#include "files_testutil.h"
#include "platform/hostfs.h"
#include "support/tempdir.h"

namespace kor2 {
namespace {

using test::Put;
using test::Slurp;

namespace fs = std::filesystem;

const std::string kFile =
    "Warnung: Federrate zu klein\r\nCause A\r\nRemedy A\r\n"
    "Fehler : Drahtdurchmesser\r\nCause B\r\nRemedy B\r\n"
    "Warnung: Last\r\n";

class ErrDescTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitProgramVariables();
        SetCommandLine({});
        PltFolder = tmp.path().string();
        fs::create_directory(tmp.file("temp"));
        TempFolder = tmp.file("temp");
        Put(tmp.file("kor2.err"), kFile);
    }
    void Messages(std::initializer_list<const char*> texts) {
        ClearErrorList();
        for (const char* t : texts) AddErrorMessage(t);
    }
    ScriptedDialogs ui;
    test::TempDir tmp;
};

TEST_F(ErrDescTest, NoMessagesAndNoGui) {
    ShowCalcMessages();
    ASSERT_EQ(ui.events.size(), 1u);
    EXPECT_EQ(ui.events[0].text, "Berechnung erfolgreich ohne Fehlermeldungen");
    ui.events.clear();
    SetCommandLine({"demo.kr2", "/nogui"});
    ShowCalcMessages();
    Messages({"Warnung: Last"});
    ShowCalcMessages();
    EXPECT_TRUE(ui.events.empty());
}

TEST_F(ErrDescTest, ListFormByCountAndPreselectionByHelpLevel) {
    Messages({"m1", "m2", "m3", "m4", "m5", "m6", "m7"});
    ui.answers.push_back(ScriptedAnswer::Accept());
    ShowCalcMessages();
    ASSERT_EQ(ui.events[0].kind, "list");
    EXPECT_EQ(ui.events[0].items.size(), 8u);
    EXPECT_EQ(ui.events[0].items[7],
              "Weiter/zur\x81"
              "ck...");
    EXPECT_EQ(ui.events[0].sel, 8);  // Enter leaves at once
    EXPECT_EQ(ui.events.size(), 1u);
    EXPECT_EQ(ui.events[0].text,
              "Berechnungsmodul meldet Warnungen oder Fehler, siehe Ursache und Abhilfe.");

    ui.events.clear();
    Messages({"m1", "m2", "m3", "m4", "m5", "m6"});
    HelpLevel = 2;
    ui.answers.push_back(ScriptedAnswer::Cancel());
    ShowCalcMessages();
    EXPECT_EQ(ui.events[0].kind, "radio");
    EXPECT_EQ(ui.events[0].sel, 1);
    EXPECT_TRUE(AbortFlag);
}

TEST_F(ErrDescTest, PickingAMessageShowsItAndMovesOn) {
    Messages({"Warnung: Federrate zu klein", "Fehler : Drahtdurchmesser zu gross", "Warnung: x"});
    ui.answers.push_back(ScriptedAnswer::Choose(2));
    ui.answers.push_back(ScriptedAnswer::Accept());  // the description window
    ui.answers.push_back(ScriptedAnswer::Accept());  // list with message 3 preselected
    ShowCalcMessages();
    const auto lists = ui.Of("radio");
    ASSERT_EQ(lists.size(), 2u);
    EXPECT_EQ(lists[1].sel, 3);
    const auto windows = ui.Of("errwindow");
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(windows[0].caption, "Fehler : Drahtdurchmesser zu gross");
    EXPECT_EQ(windows[0].text, "Cause B");
    EXPECT_EQ(windows[0].items[0], "Remedy B");
    // Message 3 has no description; after it the sequence ends.
    EXPECT_EQ(ui.Of("message").size(), 1u);
    EXPECT_EQ(ui.Of("message")[0].caption, "Meldung");
    EXPECT_EQ(ui.Of("message")[0].text, "keine Beschreibung dieser Fehlermeldung vorhanden.");
}

TEST_F(ErrDescTest, LookupsForReports) {
    Messages({"Warnung: Federrate zu gross", "Warnung: Last", "other"});
    std::string text;
    LookupErrDescription(1, text);  // shares the first 14 characters
    EXPECT_EQ(text, "Cause A");
    LookupErrRemedy(1, text);
    EXPECT_EQ(text, "Remedy A");
    LookupErrDescription(2, text);  // key on the last line
    EXPECT_EQ(text, "keine Beschreibung dieser Fehlermeldung vorhanden.");
    LookupErrRemedy(3, text);
    EXPECT_EQ(text, "");
    text = "kept";
    AbortFlag = true;
    LookupErrDescription(1, text);
    EXPECT_EQ(text, "kept");
    AbortFlag = false;
    fs::remove(tmp.file("kor2.err"));
    LookupErrDescription(1, text);
    EXPECT_EQ(text, "");
    EXPECT_TRUE(ui.events.empty());

    ShowErrDescription(1);
    EXPECT_TRUE(AbortFlag);
    EXPECT_NE(ui.Of("message")[0].text.find("nicht gefunden oder kein Zugriffsrecht !"),
              std::string::npos);
}

TEST_F(ErrDescTest, DamagedDescriptionFiles) {
    Messages({"Warnung: Federrate"});
    const std::string cases[] = {"", std::string(100000, 'W'),
                                 std::string("Warnung: Feder\0\xff\n\xfe", 18),
                                 "Warnung: Federrate" + std::string(100000, 'z')};
    for (const std::string& data : cases) {
        Put(tmp.file("kor2.err"), data);
        std::string cause;
        LookupErrDescription(1, cause);
        EXPECT_LE(cause.size(), 100000u);
    }
}

TEST_F(ErrDescTest, SavingReplacesCauseAndRemedy) {
    ui.answers.push_back(ScriptedAnswer::Button(YesNoCancel::Yes));
    ErrWindowOk(true, "Fehler : Drahtdurchmesser zu gross", "New cause\r\nsecond", "New remedy");
    EXPECT_FALSE(AbortFlag);
    EXPECT_EQ(ui.Of("yesno")[0].text, "Save Changes ?");
    EXPECT_EQ(Slurp(tmp.file("kor2.err")),
              "Warnung: Federrate zu klein\r\nCause A\r\nRemedy A\r\n"
              "Fehler : Drahtdurchmesser\r\nNew cause second\r\nNew remedy\r\n"
              "Warnung: Last\r\n");

    // Unmodified or answered No: nothing is saved.
    ErrWindowOk(false, "Warnung: Federrate", "x", "y");
    ui.answers.push_back(ScriptedAnswer::Button(YesNoCancel::No));
    ErrWindowOk(true, "Warnung: Federrate", "x", "y");
    EXPECT_NE(Slurp(tmp.file("kor2.err")).find("Cause A"), std::string::npos);
}

// A failed save keeps the window open (false) for another try, which starts
// afresh; No then closes it without saving.
TEST_F(ErrDescTest, AFailedSaveKeepsTheWindowForAnotherTry) {
    fs::permissions(tmp.file("kor2.err"), fs::perms::owner_read);
    ui.answers.push_back(ScriptedAnswer::Button(YesNoCancel::Yes));
    EXPECT_FALSE(ErrWindowOk(true, "Fehler : Drahtdurchmesser", "C", "R"));
    EXPECT_TRUE(AbortFlag);
    fs::permissions(tmp.file("kor2.err"), fs::perms::owner_read | fs::perms::owner_write);
    ui.answers.push_back(ScriptedAnswer::Button(YesNoCancel::Yes));
    EXPECT_TRUE(ErrWindowOk(true, "Fehler : Drahtdurchmesser", "C", "R"));
    EXPECT_FALSE(AbortFlag);
    EXPECT_NE(Slurp(tmp.file("kor2.err")).find("Drahtdurchmesser\r\nC\r\nR\r\n"),
              std::string::npos);

    fs::permissions(tmp.file("kor2.err"), fs::perms::owner_read);
    ui.answers.push_back(ScriptedAnswer::Button(YesNoCancel::Yes));
    EXPECT_FALSE(ErrWindowOk(true, "Fehler : Drahtdurchmesser", "C2", "R2"));
    ui.answers.push_back(ScriptedAnswer::Button(YesNoCancel::No));
    EXPECT_TRUE(ErrWindowOk(true, "Fehler : Drahtdurchmesser", "C2", "R2"));
    EXPECT_FALSE(AbortFlag);
    fs::permissions(tmp.file("kor2.err"), fs::perms::owner_all);
    EXPECT_EQ(Slurp(tmp.file("kor2.err")).find("C2"), std::string::npos);
}

TEST_F(ErrDescTest, SavingTheLastGroupAndUnknownKeys) {
    Put(tmp.file("kor2.err"), "Warnung: Last\r\nc\r\nr");
    SaveErrDescription("Warnung: Last", "C2", "R2");
    EXPECT_EQ(Slurp(tmp.file("kor2.err")), "Warnung: Last\r\nC2\r\nR2\r\n\r\n");

    SaveErrDescription("Fatal  : unknown", "C", "R");
    EXPECT_EQ(ui.Of("message").back().text, "Fatal  : unknown not found.");
    EXPECT_EQ(ui.Of("message").back().style, MsgStyle::Plain);
    EXPECT_EQ(Slurp(tmp.file("kor2.err")), "Warnung: Last\r\nC2\r\nR2\r\n\r\n");
}

// The temporary folder is the folder of the description file, however it
// is spelt: the answer Yes saves the change into the file itself.
TEST_F(ErrDescTest, SavingWhenTheTemporaryFolderIsTheFilesFolder) {
    const std::string expected =
        "Warnung: Federrate zu klein\r\nCause A\r\nRemedy A\r\n"
        "Fehler : Drahtdurchmesser\r\nNew cause\r\nNew remedy\r\n"
        "Warnung: Last\r\n";
    for (const std::string& folder : {PltFolder + "\\", PltFolder + "\\.\\"}) {
        Put(tmp.file("kor2.err"), kFile);
        TempFolder = folder;
        AbortFlag = false;
        ui.answers.push_back(ScriptedAnswer::Button(YesNoCancel::Yes));
        ErrWindowOk(true, "Fehler : Drahtdurchmesser", "New cause", "New remedy");
        EXPECT_FALSE(AbortFlag) << folder;
        EXPECT_EQ(Slurp(tmp.file("kor2.err")), expected) << folder;
    }
    // A read-only file is not replaced behind the user's back.
    Put(tmp.file("kor2.err"), kFile);
    fs::permissions(tmp.file("kor2.err"), fs::perms::owner_read);
    AbortFlag = false;
    SaveErrDescription("Fehler : Drahtdurchmesser", "C", "R");
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(Slurp(tmp.file("kor2.err")), kFile);
    fs::permissions(tmp.file("kor2.err"), fs::perms::owner_all);
    int files = 0;
    for (const auto& e : fs::directory_iterator(tmp.path())) files += e.is_regular_file();
    EXPECT_EQ(files, 1);  // no work copy left beside the file
}

TEST_F(ErrDescTest, SavingNeverLosesTheFile) {
    // Work copy (named as the file) cannot be written: a folder stands where it should go.
    const std::string workCopy = platform::HostPath(RunTempFolder() + "kor2.err");
    fs::create_directory(workCopy);
    SaveErrDescription("Fehler : Drahtdurchmesser", "C", "R");
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(Slurp(tmp.file("kor2.err")), kFile);
    fs::remove(workCopy);
    // Each failure names the file that could not be written.
    ASSERT_EQ(ui.Of("message").size(), 1u);
    EXPECT_EQ(ui.Of("message")[0].text, "file write error: " + workCopy);

    // Description file read-only: the copy back fails, the file stays.
    AbortFlag = false;
    fs::permissions(tmp.file("kor2.err"), fs::perms::owner_read);
    SaveErrDescription("Fehler : Drahtdurchmesser", "C", "R");
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(Slurp(tmp.file("kor2.err")), kFile);
    ASSERT_EQ(ui.Of("message").size(), 2u);
    EXPECT_EQ(ui.Of("message")[1].text, "file write error: " + tmp.file("kor2.err"));
    EXPECT_EQ(fs::directory_iterator(tmp.path())->path().empty(), false);
    int files = 0;
    for (const auto& e : fs::directory_iterator(tmp.path())) files += e.is_regular_file();
    EXPECT_EQ(files, 1);  // kor2.err only: no stray temporary files
}

}  // namespace
}  // namespace kor2
