// Material table end to end: lookups by number on a table the test writes and
// on the shipped data/fedwst.dbf, the failure paths, and a new material
// entered through scripted dialogs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/globals.h"
#include "common/scriptdialogs.h"
#include "fedwst_rows.h"
#include "spring/goodman.h"
#include "spring/material.h"
#include "spring/materialtable.h"
#include "spring/springdata.h"
#include "spring/springfile.h"
#include "springtables.h"
#include "support/runtempfile.h"
#include "support/tempdir.h"
#include "tables/area/engine.h"
#include "tables/base/engineerror.h"
#include "tables/browser/browsermodel.h"
#include "tables/browser/procedural.h"
#include "tables/dataset/dbfdataset.h"
#include "tables/expr/expression.h"
#include "tables/index/orders.h"
#include "tables/memo/memoarea.h"

namespace kor2::test {
namespace {

namespace fs = std::filesystem;

class MaterialTable : public ::testing::Test {
protected:
    void SetUp() override {
        StartSpringTables();
        SetEngineMessageBox([this](const std::string& text, const std::string&, unsigned) {
            boxes.push_back(text);
            return IDOK;
        });
        fs::create_directory(dbfDir.path() / "dbf");
        DbfFolder = (dbfDir.path() / "dbf").string();
        TempFolder = tempDir.path().string();
    }
    void TearDown() override {
        InitW32Tables();
        SetEngineMessageBox(nullptr);
        ShutdownTableEngine();
    }
    std::string TablePath() const { return DbfFolder + "/fedwst.dbf"; }
    static bool InErrorList(const std::string& text) {
        for (int k = 1; k <= ErrorList.count; ++k)
            if (ErrorList.slots[k].str() == text) return true;
        return false;
    }
    // Every field of MaterialRec against row n (1-based) of the shipped rows.
    static void ExpectRecordIsRow(int n) {
        const auto& row = kFedwstRows[n - 1];
        const FEDWST_Record& r = MaterialRec;
        EXPECT_EQ(r.Name1.substr(0, row[0].size()), row[0]);
        EXPECT_EQ(r.Name2.substr(0, row[1].size()), row[1]);
        EXPECT_EQ(r.Name3.substr(0, row[2].size()), row[2]);
        EXPECT_EQ(r.Note.substr(0, row[25].size()), row[25]);
        EXPECT_EQ(r.ShearModulus, std::stoi(row[4]));
        EXPECT_EQ(r.YoungsModulus, std::stoi(row[5]));
        EXPECT_NEAR(static_cast<double>(r.Density.ToExtended()), std::stod(row[6]), 1e-9);
        EXPECT_EQ(r.Rm0, std::stoi(row[7]));
        EXPECT_EQ(r.RmMax, std::stoi(row[9]));
        EXPECT_EQ(r.RmSlope, std::stoi(row[10]));
        EXPECT_EQ(r.TauH0Peened, std::stoi(row[19]));
        EXPECT_NEAR(static_cast<double>(r.GoodmanSlope.ToExtended()), std::stod(row[16]), 1e-9);
        EXPECT_NEAR(static_cast<double>(r.DMin.ToExtended()), std::stod(row[22]), 1e-9);
        EXPECT_NEAR(static_cast<double>(r.DMax.ToExtended()), std::stod(row[23]), 1e-9);
        EXPECT_EQ(r.TMax, std::stoi(row[24]));
        EXPECT_EQ(r.MaterialNo, n);
    }

    TempDir dbfDir, tempDir;
    std::vector<std::string> boxes;
};

TEST_F(MaterialTable, LoadsByNumberAppliesAndCloses) {
    ASSERT_TRUE(WriteFedwstTable(TablePath()));
    ASSERT_TRUE(LoadMaterialById(6));
    ExpectRecordIsRow(6);
    // The umlaut of "ölschlussvergütet" arrives as the code page 850 byte.
    EXPECT_EQ(static_cast<unsigned char>(MaterialRec.Name2[0]), 0x94);
    EXPECT_EQ(MaterialIndex, 0);
    EXPECT_EQ(static_cast<double>(ModulusE), 206000.0);
    EXPECT_EQ(static_cast<double>(ModulusG), 79500.0);
    EXPECT_EQ(MaterialName.str().substr(0, 14), "EN 10270-2 FDC");
    EXPECT_FALSE(dbf4().tbdbf.Active());
    // The key index lies in the temporary folder (names compare without case).
    bool index = false;
    for (const auto& e : fs::directory_iterator(test::RunTempFile(""))) {
        std::string name = e.path().filename().string();
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        index = index || name == "fedwst.ndx";
    }
    EXPECT_TRUE(index);
    EXPECT_TRUE(boxes.empty());
    // The index is rebuilt at the next open; numbers on both ends of the table.
    ASSERT_TRUE(LoadMaterialById(1));
    ExpectRecordIsRow(1);
    ASSERT_TRUE(LoadMaterialById(19));
    ExpectRecordIsRow(19);
}

TEST_F(MaterialTable, UnknownNumberKeepsRecordWithoutMessage) {
    ASSERT_TRUE(WriteFedwstTable(TablePath()));
    ASSERT_TRUE(LoadMaterialById(3));
    EXPECT_FALSE(LoadMaterialById(20));
    EXPECT_FALSE(LoadMaterialById(0));
    ExpectRecordIsRow(3);
    EXPECT_EQ(ErrorList.count, 0);
    EXPECT_FALSE(dbf4().tbdbf.Active());
}

TEST_F(MaterialTable, MissingTableIsFatalAndKeepsRecord) {
    ScriptedDialogs dialogs;
    MaterialRec.Rm0 = 1234;
    EXPECT_FALSE(LoadMaterialById(1));
    EXPECT_TRUE(InErrorList("Fatal  : FEDWST DBF error"));
    EXPECT_EQ(MaterialRec.Rm0, 1234);
    EXPECT_FALSE(OpenMaterialTable());
    EXPECT_FALSE(dbf4().tbdbf.Active());
}

TEST_F(MaterialTable, TableWithoutKeyFieldRaisesAndIsClosed) {
    {
        Tdbf4& b = dbf4();
        b.tbdbf.DbfFields = {"NAME1, C, 10, 0", "NAME2, C, 10, 0"};
        DbfOpenTable(TablePath());
        b.tbdbf.DbfFields.clear();
        DbfCloseTable();
    }
    EXPECT_ANY_THROW(LoadMaterialById(1));
    EXPECT_FALSE(dbf4().tbdbf.Active());
}

TEST_F(MaterialTable, TextInNumericFieldReadsAsZero) {
    ASSERT_TRUE(WriteFedwstTable(TablePath(), {kFedwstRows[0]}));
    // Overwrite RM0 (6 characters after NAME1..4, G, E and density) of record 1.
    std::string bytes;
    {
        std::ifstream in(TablePath(), std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const int header = static_cast<unsigned char>(bytes[8]) | static_cast<unsigned char>(bytes[9]) << 8;
    const std::size_t rm0 = header + 1 + 50 + 30 + 20 + 20 + 7 + 7 + 6;
    ASSERT_EQ(bytes.substr(rm0, 6), "  1720");
    bytes.replace(rm0, 6, "  abc ");
    std::ofstream(TablePath(), std::ios::binary) << bytes;
    ASSERT_TRUE(LoadMaterialById(1));
    EXPECT_EQ(MaterialRec.Rm0, 0);
    EXPECT_EQ(MaterialRec.RmMax, 1720);
}

TEST_F(MaterialTable, ShippedTableHoldsEveryMaterial) {
    const fs::path shipped = fs::path(KOR2_SOURCE_DIR) / "data" / "fedwst.dbf";
    ASSERT_TRUE(fs::exists(shipped));
    fs::copy_file(shipped, TablePath());
    for (int n = 1; n <= static_cast<int>(kFedwstRows.size()); ++n) {
        SCOPED_TRACE(n);
        ASSERT_TRUE(LoadMaterialById(static_cast<uint16_t>(n)));
        ExpectRecordIsRow(n);
    }
    EXPECT_FALSE(LoadMaterialById(static_cast<uint16_t>(kFedwstRows.size() + 1)));
}

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The records of a table file without its header.
std::string RecordBytes(const std::string& bytes, int records) {
    const int header = static_cast<unsigned char>(bytes[8]) | static_cast<unsigned char>(bytes[9]) << 8;
    const int length = static_cast<unsigned char>(bytes[10]) | static_cast<unsigned char>(bytes[11]) << 8;
    return bytes.substr(header, static_cast<std::size_t>(length) * records);
}

TEST_F(MaterialTable, NewMaterialBecomesNextRecordOthersUnchanged) {
    const std::vector<std::array<std::string, 27>> twelve(kFedwstRows.begin(),
                                                          kFedwstRows.begin() + 12);
    ASSERT_TRUE(WriteFedwstTable(TablePath(), twelve));
    const std::string before = RecordBytes(FileBytes(TablePath()), 12);
    ScriptedDialogs dialogs;
    for (const char* a : {"Neu", "200000", "80000", "7.9", "n2", "n3", "n4",      // names, E, G, rho
                          "1", "2000", "10", "1500", "2500",                     // d0, Rm0, dx, Rmx, Rm max
                          "0.1", "10", "150",                                    // dmin, dmax, Tmax
                          "1000", "10", "800", "600", "400", "0"})               // stresses, tau u lim 0
        dialogs.answers.push_back(ScriptedAnswer::Type(a));
    EnterNewMaterial();
    ASSERT_FALSE(AbortFlag);
    EXPECT_EQ(MaterialIndex, 11);
    EXPECT_EQ(static_cast<double>(ModulusE), 200000.0);
    EXPECT_EQ(RecordBytes(FileBytes(TablePath()), 12), before);

    MaterialRec = FEDWST_Record{};
    ASSERT_TRUE(LoadMaterialById(13));
    const FEDWST_Record& r = MaterialRec;
    EXPECT_EQ(r.Name1.substr(0, 4), "Neu ");
    EXPECT_EQ(r.Name4.substr(0, 2), "n4");
    EXPECT_EQ(r.ShearModulus, 80000);
    EXPECT_EQ(r.Rm0, 2000);
    EXPECT_EQ(r.RmSlope, 500);  // Rm(10) = 1500
    EXPECT_EQ(r.RmMax, 2500);
    EXPECT_EQ(r.TauO0, 1000);
    EXPECT_EQ(r.TauOSlope, 200);
    EXPECT_EQ(r.TauH0, 600);
    EXPECT_EQ(r.TauHSlope, 200);
    EXPECT_EQ(static_cast<double>(r.GoodmanSlope.ToExtended()), 0.0);  // tau u lim 0
    EXPECT_EQ(r.TauO0Peened, 0);
    EXPECT_EQ(r.TMax, 150);
    EXPECT_EQ(r.MaterialNo, 13);
}

TEST_F(MaterialTable, CancelledEntryWritesNothing) {
    const std::vector<std::array<std::string, 27>> two(kFedwstRows.begin(),
                                                       kFedwstRows.begin() + 2);
    ASSERT_TRUE(WriteFedwstTable(TablePath(), two));
    const std::string before = FileBytes(TablePath());
    ScriptedDialogs dialogs;
    for (const char* a : {"Neu", "200000", "80000", "7.9", "n2"})
        dialogs.answers.push_back(ScriptedAnswer::Type(a));
    EnterNewMaterial();  // the sixth input finds no answer: cancelled
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(MaterialIndex, 11);  // the spring keeps the typed material
    EXPECT_EQ(FileBytes(TablePath()), before);
}

// A value the table's field cannot hold (EMODUL is N 7,0; the prompt allows
// up to 1E8, and a slope from two close diameters grows without bound) is
// refused with the width message, and the table stays as it was, also an
// empty one. A whole entry then goes in as before.
TEST_F(MaterialTable, RefusedValueLeavesTheTableAsItWas) {
    auto enter = [](const char* e, const char* rmx) {
        ScriptedDialogs dialogs;
        for (const char* a :
             {"Neu",  e,     "80000", "7.9", "n2",   "n3", "n4",  "1",   "2000", "1.0001", rmx,
              "2500", "0.1", "10",    "150", "1000", "10", "800", "600", "400",  "0"})
            dialogs.answers.push_back(ScriptedAnswer::Type(a));
        std::string refusal;
        try {
            EnterNewMaterial();
        } catch (const std::exception& ex) {
            refusal = ex.what();
        }
        EXPECT_FALSE(dbf4().tbdbf.Active());
        return refusal;
    };
    for (const int rows : {2, 0}) {
        SCOPED_TRACE(rows);
        fs::remove(TablePath());
        ASSERT_TRUE(
            WriteFedwstTable(TablePath(), std::vector<std::array<std::string, 27>>(
                                              kFedwstRows.begin(), kFedwstRows.begin() + rows)));
        const std::string before = FileBytes(TablePath());
        EXPECT_NE(enter("12345678", "1500").find("Feld EMODUL (N 7,0): 12345678 passt nicht"),
                  std::string::npos);
        EXPECT_EQ(FileBytes(TablePath()), before);
        EXPECT_NE(enter("200000", "1500").find("Feld RMSTEIG (N 6,0)"), std::string::npos);
        EXPECT_EQ(FileBytes(TablePath()), before);
        EXPECT_EQ(enter("200000", "1999"), "");
        MaterialRec = FEDWST_Record{};
        ASSERT_TRUE(LoadMaterialById(static_cast<uint16_t>(rows + 1)));
        EXPECT_EQ(MaterialRec.Name1.substr(0, 4), "Neu ");
        EXPECT_EQ(MaterialRec.RmSlope, 23027);  // 1 N/mm^2 over log10(1.0001)
        EXPECT_EQ(RecordBytes(FileBytes(TablePath()), rows), RecordBytes(before, rows));
    }
}

TEST_F(MaterialTable, BrowsingWithoutWindowLeavesRecordAndClosesTable) {
    ASSERT_TRUE(WriteFedwstTable(TablePath()));
    ScriptedDialogs dialogs;
    ScriptedAnswer no;
    no.janein = 'N';
    dialogs.answers.push_back(no);
    MaterialRec.Rm0 = 4321;
    SelectMaterial();
    EXPECT_EQ(MaterialRec.Rm0, 4321);
    EXPECT_FALSE(dbf4().tbdbf.Active());
}

std::vector<std::string> Messages() {
    std::vector<std::string> out;
    for (int k = 1; k <= ErrorList.count; ++k) out.push_back(ErrorList.slots[k].str());
    return out;
}

bool HasMessage(const std::string& text) {
    const std::vector<std::string> m = Messages();
    return std::find(m.begin(), m.end(), text) != m.end();
}

// Writes the current spring (default values, dynamic) under name in folder.
std::string WriteSpringAs(const TempDir& folder, const std::string& name, uint16_t materialIndex,
                          uint16_t number) {
    MaterialIndex = materialIndex;
    MaterialRecNo = number;
    TensileStrength = 1800;  // typed values of an own material
    PermShearStress = 810;
    const std::string path = folder.file(name);
    AbortFlag = false;
    WriteSpringFile(path);
    EXPECT_FALSE(AbortFlag);
    return path;
}

// A spring file of a table material takes its record from the table before
// the check: strength, diameter and temperature limits and fatigue lines.
TEST_F(MaterialTable, SpringFileOfATableMaterialIsCheckedWithItsRecord) {
    ASSERT_TRUE(WriteFedwstTable(TablePath()));
    const std::string file = WriteSpringAs(tempDir, "tdc.kr2", 0, 9);
    InitSpringData();
    ASSERT_TRUE(ReadSpringFile(file));
    EXPECT_FALSE(AbortFlag);
    EXPECT_FALSE(CalcErrorFlag) << ::testing::PrintToString(Messages());
    EXPECT_EQ(MaterialRecNo, 9);
    ExpectRecordIsRow(9);
    EXPECT_EQ(TensileStrength, RmAtDiameter(WireDiameter));
    EXPECT_GT(TensileStrength, 1800);
    EXPECT_FALSE(HasMessage("Fatal  : Rm = 0 !"));
    EXPECT_FALSE(HasMessage("Warnung: d>dmax (0)"));
    EXPECT_GT(PermStrokeStress, 0);  // from the fatigue lines
    EXPECT_FALSE(dbf4().tbdbf.Active());
}

// A number not in the table or a table that cannot be read: the spring is
// read all the same, checked without a record (nothing of an earlier one)
// but with the strength its file holds, and a missing table says so after
// the check's messages.
TEST_F(MaterialTable, SpringFileWithoutItsTableMaterialIsStillRead) {
    ASSERT_TRUE(WriteFedwstTable(TablePath()));
    ForceF2 = 33;
    const std::string file = WriteSpringAs(tempDir, "gone.kr2", 0, 99);
    ASSERT_TRUE(LoadMaterialById(6));  // browsed before
    InitSpringData();
    ASSERT_TRUE(ReadSpringFile(file));
    EXPECT_FALSE(AbortFlag);
    EXPECT_EQ(ForceF2, 33);
    EXPECT_EQ(MaterialRecNo, 99);
    EXPECT_TRUE(MaterialRec.Name1.empty());
    EXPECT_EQ(MaterialRec.Rm0, 0);
    EXPECT_EQ(TensileStrength, 1800);
    EXPECT_EQ(PermShearStress, 810);
    EXPECT_FALSE(HasMessage("Fatal  : Rm = 0 !"));
    EXPECT_FALSE(HasMessage("Warnung: d>dmax (0)"));

    fs::remove(TablePath());
    ScriptedDialogs dialogs;
    InitSpringData();
    ASSERT_TRUE(ReadSpringFile(file));
    EXPECT_FALSE(AbortFlag);
    EXPECT_EQ(ForceF2, 33);
    ASSERT_GT(ErrorList.count, 1);
    EXPECT_EQ(ErrorList.slots[ErrorList.count].str(), "Fatal  : FEDWST DBF error");
    EXPECT_EQ(TensileStrength, 1800);
}

// A typed-in material is checked the same whatever was browsed before: no
// name of a table material under its diagrams, no borrowed fatigue lines.
TEST_F(MaterialTable, SpringFileOfAnOwnMaterialForgetsWhatWasBrowsed) {
    ASSERT_TRUE(WriteFedwstTable(TablePath()));
    ShotPeened = 'J';
    const std::string file = WriteSpringAs(tempDir, "own.kr2", kOwnMaterialIndex, 3);
    std::vector<std::vector<std::string>> seen;
    for (const uint16_t browsed : {1, 3, 9}) {  // without and with peened lines
        ASSERT_TRUE(LoadMaterialById(browsed));
        ASSERT_TRUE(ReadSpringFile(file));
        EXPECT_EQ(MaterialIndex, kOwnMaterialIndex);
        EXPECT_EQ(MaterialRecNo, 3);
        EXPECT_EQ(TensileStrength, 1800);
        Extended tauO = 0, tauH = 0, slope = 0, knee = 0;
        std::string caption;
        GoodmanLimits(1, tauO, tauH, slope, knee, caption);
        EXPECT_EQ(caption.find("EN 10270"), std::string::npos) << caption;
        EXPECT_EQ(tauO, 0);
        ASSERT_TRUE(ReadSpringFile(file));
        seen.push_back(Messages());
    }
    EXPECT_EQ(seen[1], seen[0]);
    EXPECT_EQ(seen[2], seen[0]);
}

// With KOR2_WRITE_FEDWST set to a folder, writes the shipped table there.
TEST_F(MaterialTable, WritesShippedTableWhenAsked) {
    const char* target = std::getenv("KOR2_WRITE_FEDWST");
    if (target == nullptr) GTEST_SKIP() << "KOR2_WRITE_FEDWST not set";
    const std::string path = std::string(target) + "/fedwst.dbf";
    fs::remove(path);
    ASSERT_TRUE(WriteFedwstTable(path));
}

}  // namespace
}  // namespace kor2::test
