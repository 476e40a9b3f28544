// A spring file of a table material read through the program's two ways in:
// the command line with "/I" and the menu's Open. Both check it with the
// material's record from the shipped material table.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "app/hostfile.h"
#include "app/pickingwindow.h"
#include "app/shell.h"
#include "app/startup.h"
#include "common/globals.h"
#include "common/scriptdialogs.h"
#include "platform/hostfs.h"
#include "platform/oemtext.h"
#include "spring/material.h"
#include "spring/materialtable.h"
#include "spring/springdata.h"
#include "support/asnobody.h"
#include "support/runtempfile.h"
#include "support/shippedtable.h"
#include "support/tempdir.h"
#include "tables/area/engine.h"
#include "tables/base/enginefile.h"

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
        DbfFolder = test::ShippedTableCopy(tmp);  // the shipped material table
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

// Material tables the lookup of the spring's material fails on, each said
// in the report: a copy cut short (as one left behind half-written), a cut
// header, a file that is no table, an empty one, and a table that lacks
// the spring's material number.
TEST_F(SpringMaterialTest, EveryFailedMaterialReadIsReported) {
    const std::string table = ReadHostFile(kData + "fedwst.dbf");
    ASSERT_GT(table.size(), 12u);
    const std::size_t header = static_cast<unsigned char>(table[8]) |
                               static_cast<unsigned char>(table[9]) << 8;
    const std::size_t record = static_cast<unsigned char>(table[10]) |
                               static_cast<unsigned char>(table[11]) << 8;
    const std::string cuts[] = {table.substr(0, header + 2 * record + 7),  // material 4 is cut off
                                table.substr(0, header), table.substr(0, 40),
                                std::string(700, 'x'), std::string()};
    std::filesystem::create_directory(tmp.file("dbf"));
    DbfFolder = tmp.file("dbf");
    const std::string spring = CopySpring("muster2.kr2");  // table material number 4
    for (const std::string& bytes : cuts) {
        SCOPED_TRACE(bytes.size());
        ASSERT_TRUE(platform::WriteFileReplacing(tmp.file("dbf/fedwst.dbf"), bytes));
        const std::string report = BatchReport(spring, tmp.file("muster2.txt"));
        EXPECT_NE(report.find("Fatal  : FEDWST DBF error"), std::string::npos) << report;
        EXPECT_NE(report.find("Demo-Zugfeder"), std::string::npos);
    }
    // A sound table without the spring's number.
    ASSERT_TRUE(platform::WriteFileReplacing(tmp.file("dbf/fedwst.dbf"), table));
    const std::string other = CopySpring("muster2.kr2");
    MaterialRecNo = 0;
    InitAllUnits();
    TempFolder = tmp.path().string();
    DbfFolder = tmp.file("dbf");
    ASSERT_TRUE(LoadCommandLineSpring(other));
    ASSERT_EQ(MaterialRec.MaterialNo, 4);
    MaterialRecNo = 999;
    ClearErrorList();
    LoadSpringFileMaterial();
    bool said = false;
    for (int k = 1; k <= ErrorList.count; ++k)
        said = said || ErrorList.slots[k].str() == "Fatal  : FEDWST DBF error";
    EXPECT_TRUE(said);
    EXPECT_EQ(MaterialRecNo, 999);
}

TEST_F(SpringMaterialTest, MissingTableIsReportedAndTheSpringStillShown) {
    DbfFolder = tmp.path().string();  // no material table here
    const std::string report = BatchReport(CopySpring("muster2.kr2"), tmp.file("muster2.txt"));
    EXPECT_NE(report.find("Fatal  : FEDWST DBF error"), std::string::npos) << report;
    EXPECT_NE(report.find("Demo-Zugfeder"), std::string::npos);
    EXPECT_EQ(ForceF2, 30);
}

// The material values muster2.kr2 holds (lines 6 and 7 of its values).
constexpr Extended kFileRm = 2165.0713782L, kFileTauZul = 974.2821202L;

// Whether a message shown to the user holds text.
bool Told(const ScriptedDialogs& dialogs, const std::string& text) {
    for (const ScriptedEvent& e : dialogs.Of("message"))
        if (e.text.find(text) != std::string::npos) return true;
    return false;
}

bool InErrorList(const std::string& text) {
    for (int k = 1; k <= ErrorList.count; ++k)
        if (ErrorList.slots[k].str().find(text) != std::string::npos) return true;
    return false;
}

// A table-material spring opened while the material table is cut short:
// the open says so, the spring keeps the material values of its file (not
// Rm 0 and what follows from it), and Speichern unter writes the file as
// it was read.
TEST_F(SpringMaterialTest, OpenWithACutTableTellsAndKeepsTheFileValuesForTheSave) {
    const std::string table = ReadHostFile(kData + "fedwst.dbf");
    ASSERT_TRUE(platform::WriteFileReplacing(tmp.file("dbf/fedwst.dbf"), table.substr(0, 200)));
    const std::string file = CopySpring("muster2.kr2");
    ScriptedDialogs dialogs;
    ASSERT_TRUE(OpenSpringFile(file));
    EXPECT_TRUE(Told(dialogs, "Fatal  : FEDWST DBF error"));
    EXPECT_EQ(TensileStrength, kFileRm);
    EXPECT_EQ(PermShearStress, kFileTauZul);
    EXPECT_EQ(MaterialIndex, 0);
    EXPECT_FALSE(InputModifiedFlag);
    EXPECT_TRUE(InErrorList("Fatal  : FEDWST DBF error"));
    EXPECT_FALSE(InErrorList("Rm = 0"));
    EXPECT_FALSE(InErrorList("dmax (0)"));  // no limits of a record that was not read

    dialogs.answers.push_back(ScriptedAnswer::Type(tmp.file("saved.kr2")));
    ASSERT_TRUE(SaveSpringAsCommand());
    EXPECT_EQ(ReadHostFile(tmp.file("saved.kr2")), ReadHostFile(file));
}

// No room for the material table's index in the temporary folder: the
// engine's cause reaches the user with the file it could not write, the
// spring keeps its file's material values, and the report run ends with 1.
TEST_F(SpringMaterialTest, NoRoomForTheTableIndexIsToldWithItsFileAndTheRunEndsWithOne) {
    ScriptedDialogs dialogs;
    ScopedFaultPlan fault;
    fault.plan().failWrite = 1;
    fault.plan().failAllAfter = true;
    fault.plan().error = ENOSPC;
    EXPECT_EQ(RunBatchReport(ParseCommandLine({CopySpring("muster2.kr2"), "/I"})), 1);
    EXPECT_TRUE(fault.plan().failed);
    EXPECT_TRUE(Told(dialogs, test::RunTempFile("fedwst.NDX"))) << dialogs.Of("message").size();
    EXPECT_EQ(TensileStrength, kFileRm);
    EXPECT_EQ(PermShearStress, kFileTauZul);
    EXPECT_FALSE(InErrorList("Rm = 0"));
}

// A folder in the way of the material table's index in the run's own
// temporary folder: the run could not read its material for want of a file
// it makes itself, says which, and ends with 1.
TEST_F(SpringMaterialTest, AnIndexThatCannotBeMadeInTheRunsFolderIsToldAndTheRunEndsWithOne) {
    ScriptedDialogs dialogs;
    const std::string spring = CopySpring("muster2.kr2");
    std::filesystem::create_directories(test::RunTempFile("fedwst.NDX") + "/in the way");
    EXPECT_EQ(RunBatchReport(ParseCommandLine({spring, "/I"})), 1);
    EXPECT_TRUE(Told(dialogs, "in " + test::RunTempFile("fedwst.NDX") + " [MakeIndex]"))
        << (dialogs.Of("message").empty() ? "-" : dialogs.Of("message").back().text);
    EXPECT_EQ(TensileStrength, kFileRm);
    EXPECT_FALSE(InErrorList("Rm = 0"));
    std::filesystem::remove_all(test::RunTempFile("fedwst.NDX"));
}

// Record 11 of the shipped table, and what the spring takes from it.
constexpr int32_t kTDSiCr = 11;

class MaterialMenuTest : public SpringMaterialTest {
protected:
    void SetUp() override {
        SpringMaterialTest::SetUp();
        SetDbf4Window(&window);
    }
    void TearDown() override {
        SetDbf4Window(nullptr);
        SpringMaterialTest::TearDown();
    }
    // The menu command: "Neuen Werkstoff eintragen ?" answered No, then the
    // browser left on the record.
    bool PickFromTheMenu(int32_t row, bool ok) {
        ScriptedAnswer no;
        no.janein = 'N';
        dialogs.answers.push_back(no);
        window.row = row;
        window.ok = ok;
        return SelectMaterialCommand();
    }
    // The menu command: "Neuen Werkstoff eintragen ?" answered Yes, the
    // material typed through every prompt with E as given, then the browser
    // left with OK where it opened.
    bool EnterFromTheMenu(const std::string& name, const std::string& e) {
        ScriptedAnswer yes;
        yes.janein = 'J';
        dialogs.answers.push_back(yes);
        for (const std::string& a : std::vector<std::string>{
                 name,   e,      "78000", "7.9",  "n2",   "n3", "n4",  // names, E, G, rho
                 "1",    "2000", "10",    "1000", "2500",              // d0, Rm0, dx, Rmx, Rm max
                 "0.1",  "10",   "120",                                // dmin, dmax, Tmax
                 "1000", "10",   "500",   "600",  "300",  "500"})      // stresses
            dialogs.answers.push_back(ScriptedAnswer::Type(a));
        window.row = 0;
        window.ok = true;
        return SelectMaterialCommand();
    }
    // Saves the spring over its file (the overwrite question answered Yes).
    void SaveOverTheFile() {
        dialogs.answers.push_back(ScriptedAnswer::Button(YesNoCancel::Yes));
        ASSERT_TRUE(SaveSpringCommand());
    }
    test::PickingWindow window;
    ScriptedDialogs dialogs;
};

// A table-material spring (SH) and an own-material spring both take TDSiCr
// whole: name, moduli, density, the strength law, and the saved file, so
// that opening it again gives TDSiCr.
TEST_F(MaterialMenuTest, PickedTableMaterialGoesIntoTheSpringAndItsFile) {
    for (const char* spring : {"muster2.kr2", "muster1.kr2"}) {
        SCOPED_TRACE(spring);
        const std::string file = CopySpring(spring);
        ASSERT_TRUE(OpenSpringFile(file));
        const std::string before = ReadHostFile(file);

        EXPECT_TRUE(PickFromTheMenu(kTDSiCr, true));
        EXPECT_FALSE(AbortFlag);
        EXPECT_EQ(MaterialName.str().rfind("EN 10270-2 TDSiCr", 0), 0u) << MaterialName.str();
        EXPECT_EQ(MaterialIndex, 0);
        EXPECT_EQ(MaterialRecNo, kTDSiCr);
        EXPECT_EQ(MaterialRec.MaterialNo, kTDSiCr);
        EXPECT_EQ(ModulusE, 206000);
        EXPECT_EQ(ModulusG, 79500);
        EXPECT_NEAR(static_cast<double>(Density), 7.85, 1e-9);
        EXPECT_EQ(TensileStrength, RmAtDiameter(WireDiameter));
        EXPECT_TRUE(InputModifiedFlag);

        SaveOverTheFile();
        const std::string saved = ReadHostFile(file);
        EXPECT_NE(saved, before);
        EXPECT_NE(saved.find("EN 10270-2 TDSiCr"), std::string::npos);
        EXPECT_NE(saved.find("\r\n79500.0000000\r\n"), std::string::npos);

        // Read back from the file alone.
        ResetMaterialRecord();
        InitSpringData();
        ASSERT_TRUE(OpenSpringFile(file));
        EXPECT_EQ(MaterialName.str().rfind("EN 10270-2 TDSiCr", 0), 0u);
        EXPECT_EQ(MaterialRecNo, kTDSiCr);
        EXPECT_EQ(MaterialRec.MaterialNo, kTDSiCr);
        EXPECT_EQ(ModulusG, 79500);
    }
}

// Abbrechen in the browser, on another record, leaves spring, record and
// file as they were.
TEST_F(MaterialMenuTest, CancelledBrowserChangesNothing) {
    for (const char* spring : {"muster2.kr2", "muster1.kr2"}) {
        SCOPED_TRACE(spring);
        const std::string file = CopySpring(spring);
        ASSERT_TRUE(OpenSpringFile(file));
        const std::string before = ReadHostFile(file);
        const std::string name = MaterialName.str();
        const Extended g = ModulusG, rm = TensileStrength;
        const int32_t recordNo = MaterialRec.MaterialNo, rm0 = MaterialRec.Rm0;
        const uint16_t number = MaterialRecNo, index = MaterialIndex;

        EXPECT_FALSE(PickFromTheMenu(kTDSiCr, false));
        EXPECT_EQ(MaterialName.str(), name);
        EXPECT_EQ(ModulusG, g);
        EXPECT_EQ(TensileStrength, rm);
        EXPECT_EQ(MaterialIndex, index);
        EXPECT_EQ(MaterialRecNo, number);
        EXPECT_EQ(MaterialRec.MaterialNo, recordNo);
        EXPECT_EQ(MaterialRec.Rm0, rm0);
        EXPECT_FALSE(InputModifiedFlag);

        AbortFlag = false;
        dialogs.answers.push_back(ScriptedAnswer::Button(YesNoCancel::Yes));
        ASSERT_TRUE(SaveSpringCommand());
        EXPECT_EQ(ReadHostFile(file), before);
    }
}

// A new material typed in and the browser then left: the spring has the
// typed material (as the entry leaves it) and is checked with it.
TEST_F(MaterialMenuTest, TypedNewMaterialIsCheckedEvenWhenTheBrowserIsCancelled) {
    const std::string table = tmp.file("fedwst.dbf");
    std::filesystem::copy_file(kData + "fedwst.dbf", table);
    DbfFolder = tmp.path().string();
    ASSERT_TRUE(OpenSpringFile(CopySpring("muster2.kr2")));
    ScriptedAnswer yes;
    yes.janein = 'J';
    dialogs.answers.push_back(yes);
    for (const char* a : {"Neuer Stahl", "200000", "78000", "7.9"})
        dialogs.answers.push_back(ScriptedAnswer::Type(a));
    // The next input finds no answer: the entry ends there, cancelled.
    window.ok = false;
    EXPECT_TRUE(SelectMaterialCommand());
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(MaterialIndex, kOwnMaterialIndex);
    EXPECT_EQ(MaterialName.str().rfind("Neuer Stahl", 0), 0u);
    EXPECT_EQ(ModulusG, 78000);
    EXPECT_TRUE(InputModifiedFlag);
    EXPECT_EQ(ReadHostFile(table), ReadHostFile(kData + "fedwst.dbf"));  // nothing appended
}

// A new material typed in whole, and the table then found damaged: the
// command fails, and the spring is either as before or, as here, has the
// typed material, is marked modified and is checked with it.
TEST_F(MaterialMenuTest, ATableErrorAfterTheEntryLeavesTheSpringCheckedAndModified) {
    ASSERT_TRUE(platform::WriteFileReplacing(tmp.file("fedwst.dbf"), std::string(700, 'x')));
    DbfFolder = tmp.path().string();
    ASSERT_TRUE(OpenSpringFile(CopySpring("muster2.kr2")));
    ScriptedAnswer yes;
    yes.janein = 'J';
    dialogs.answers.push_back(yes);
    for (const char* a : {"Mein Werkstoff",
                          "200000",
                          "78000",
                          "7.9",
                          "a",
                          "b",
                          "c",
                          "1",
                          "2000",
                          "10",
                          "1000",
                          "2500",
                          "0.1",
                          "10",
                          "120",
                          "1000",
                          "10",
                          "500",
                          "600",
                          "300",
                          "500"})
        dialogs.answers.push_back(ScriptedAnswer::Type(a));
    ClearErrorList();
    EXPECT_TRUE(SelectMaterialCommand());
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(MaterialIndex, kOwnMaterialIndex);
    EXPECT_EQ(MaterialName.str().rfind("Mein Werkstoff", 0), 0u);
    EXPECT_EQ(ModulusG, 78000);
    EXPECT_TRUE(InputModifiedFlag);
    bool checked = false;  // the check ran with the typed material
    for (int k = 1; k <= ErrorList.count; ++k)
        checked = checked || ErrorList.slots[k].str().rfind("Fatal  : FEDWST", 0) != 0;
    EXPECT_TRUE(checked);
    ASSERT_FALSE(dialogs.Of("message").empty());
    EXPECT_NE(dialogs.Of("message").back().text.find("210"), std::string::npos);
}

// A material typed in from the menu is the record the browser opens on, so
// OK (Return) gives the spring that material; the account that may write
// the table folder finds it appended there, one that may not finds it in
// its working copy, which every later open of the run uses.
TEST_F(MaterialMenuTest, TypedMaterialIsTheBrowsersRecordAndOkAppliesIt) {
    const std::string shipped = ReadHostFile(kData + "fedwst.dbf");
    const std::string name = "Testdraht Ä1"_oem;
    auto expectApplied = [&] {
        EXPECT_EQ(window.openedOn, 20);
        EXPECT_FALSE(AbortFlag);
        EXPECT_EQ(MaterialIndex, 0);
        EXPECT_EQ(MaterialRecNo, 20);
        EXPECT_EQ(MaterialRec.MaterialNo, 20);
        EXPECT_EQ(MaterialName.str().rfind(name, 0), 0u) << MaterialName.str();
        EXPECT_EQ(ModulusE, 200000);
        EXPECT_EQ(ModulusG, 78000);
        EXPECT_EQ(MaterialRec.Rm0, 2000);
        EXPECT_TRUE(InputModifiedFlag);
    };
    ASSERT_TRUE(EnterFromTheMenu(name, "200000"));
    expectApplied();
    EXPECT_TRUE(window.messages.empty());
    EXPECT_GT(ReadHostFile(DbfFolder + "/fedwst.dbf").size(), shipped.size());

    // The table folder the account may not write: the shipped table stays.
    const std::string folder = test::ShippedTableCopy(tmp);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    test::RunAsNobody({tmp.path()}, [&] {
        InputModifiedFlag = false;
        ASSERT_TRUE(EnterFromTheMenu(name, "200000"));
        expectApplied();
        EXPECT_EQ(window.messages,
                  std::vector<std::string>{
                      "Kein Schreibrecht für dbf-Ordner !  Bearbeitung im Temporär-Ordner."_oem});
        EXPECT_EQ(ReadHostFile(folder + "/fedwst.dbf"), shipped);
        // A spring of that number later in the run finds it.
        MaterialRec = FEDWST_Record{};
        ASSERT_TRUE(LoadMaterialById(20));
        EXPECT_EQ(MaterialRec.Name1.rfind(name, 0), 0u);
    });
    std::filesystem::permissions(folder, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
}

// The list after Nachrechnen of a spring whose table material could not be
// read keeps saying so while its material values come from its file, and no
// longer once a material of the table is chosen.
TEST_F(MaterialMenuTest, RecheckKeepsSayingTheMaterialComesFromTheFile) {
    DbfFolder = tmp.path().string();  // no material table here
    ASSERT_TRUE(OpenSpringFile(CopySpring("muster2.kr2")));
    ASSERT_TRUE(InErrorList("Fatal  : FEDWST DBF error"));
    RunCheckCommand();
    EXPECT_TRUE(InErrorList("Fatal  : FEDWST DBF error"));
    EXPECT_EQ(TensileStrength, kFileRm);

    DbfFolder = test::ShippedTableCopy(tmp);
    ASSERT_TRUE(PickFromTheMenu(kTDSiCr, true));
    RunCheckCommand();
    EXPECT_FALSE(InErrorList("Fatal  : FEDWST DBF error"));
}

}  // namespace
}  // namespace kor2
