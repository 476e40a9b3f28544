// Tables made by independent dBase tools read correctly here, and tables made
// here read correctly in those tools (shapelib, python3-dbfread, python3-dbf,
// LibreOffice). Tools that are not installed are skipped with a message; the
// checked-in files in tests/data cover the reading direction without them.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "platform/codepage.h"
#include "platform/hostfs.h"
#include "platform/oemtext.h"
#include "platform/real48.h"
#include "support/command.h"
#include "tables/base/engineerror.h"
#include "tables/tbtestutil.h"

namespace kor2 {
namespace {

using Rows = std::vector<std::vector<std::string>>;

using test::CommandOutput;

bool HasProgram(const char* path) {
    return platform::FileExists(path);
}

bool HasPythonModule(const char* module) {
    if (!HasProgram("/usr/bin/python3")) return false;
    int rc = -1;
    CommandOutput(std::string("/usr/bin/python3 -c 'import ") + module + "' 2>/dev/null", &rc);
    return rc == 0;
}

class InteropTest : public test::EngineTest {
protected:
    // A table with every field type, umlauts in code page 850 and a deleted record.
    std::string MakeSample() {
        const std::string path = Path("sample.dbf");
        test::MakeTable(path, {{"NAME", 'C', 10, 0},
                               {"NR", 'N', 5, 0},
                               {"WERT", 'N', 8, 2},
                               {"FL", 'F', 10, 3},
                               {"DATUM", 'D', 0, 0},
                               {"OK", 'L', 0, 0}});
        test::AppendRaw(path,
                        {{" ", "Müller"_oem, "   12", "   12.50", "     2.750", "19980317", "T"},
                         {" ", "Größe"_oem, "   -4", "   -0.25", " -1000.125", "        ", "F"},
                         {"*", "weg", "    3", "    0.00", "     0.000", "20240229", "?"}});
        return path;
    }
};

TEST_F(InteropTest, CheckedInShapelibTable) {
    const Rows rows = test::ReadAllRecords(test::DataDir() + "tables_shapelib.dbf");
    ASSERT_EQ(rows.size(), 3u) << EngineErrorMsg;
    EXPECT_EQ(rows[0], (std::vector<std::string>{" ", "Müller      "_oem, "   12", "     3.125"}));
    EXPECT_EQ(rows[1][2], "   -7");
    EXPECT_EQ(rows[2][1], std::string(12, ' '));
    EXPECT_EQ(rows[2][3], "  1234.500");
}

TEST_F(InteropTest, CheckedInPythonDbfTables) {
    const Rows rows = test::ReadAllRecords(test::DataDir() + "tables_pydbf_db3.dbf");
    ASSERT_EQ(rows.size(), 3u) << EngineErrorMsg;
    EXPECT_EQ(rows[0][2].substr(0, 6), "Müller"_oem);
    EXPECT_EQ(rows[0][3], "19980317");
    EXPECT_EQ(rows[0][4], "T");
    EXPECT_EQ(rows[1][2].substr(0, 5), "Größe"_oem);
    EXPECT_EQ(rows[1][3], "        ");
    EXPECT_EQ(rows[1][5], "   -0.25");
    EXPECT_EQ(rows[2][0], "*");

    DbfArea a;
    a.fileName = test::DataDir() + "tables_pydbf_empty.dbf";
    EngShareMode = 0x40;  // read-only sharing: the checked-in file is not changed
    ASSERT_TRUE(OpenDbf(a)) << EngineErrorMsg;
    EXPECT_EQ(a.recordCount, 0);
    EXPECT_TRUE(a.bof && a.eof);
    EXPECT_EQ(a.fieldCount, 2);
    CloseDbf(a);
}

TEST_F(InteropTest, CheckedInLibreOfficeTableWithTypedValues) {
    DbfArea a;
    a.fileName = test::DataDir() + "tables_lo850.dbf";
    EngShareMode = 0x40;
    ASSERT_TRUE(OpenDbf(a)) << EngineErrorMsg;
    ASSERT_EQ(a.recordCount, 2);
    a.oem = true;  // read as the engine reads tables opened by Use
    ASSERT_TRUE(GetDbfRecord(a, 2));
    std::vector<uint8_t> buf(TypedRecordSize(a));
    RecordToUserBuffer(a, buf.data());
    const uint8_t* name = buf.data() + TypedFieldOffset(a, 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(name + 1), 5), "\xC4rger");  // Windows form
    int32_t nr;
    std::memcpy(&nr, buf.data() + TypedFieldOffset(a, 1), 4);
    EXPECT_EQ(nr, -4);
    EXPECT_EQ(Real48::FromBytes(buf.data() + TypedFieldOffset(a, 2)).ToExtended(), 0.25L);
    const uint8_t* d = buf.data() + TypedFieldOffset(a, 3);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(d + 1), d[0]), "29.02.00");
    CloseDbf(a);
}

TEST_F(InteropTest, ShapelibReadsOurTable) {
    if (!HasProgram("/usr/bin/dbfdump")) GTEST_SKIP() << "shapelib's dbfdump is not installed";
    std::string out;
    for (char c : CommandOutput("/usr/bin/dbfdump -m " + test::ShellQuoted(MakeSample())))
        if (c != ' ' || out.empty() || out.back() != ' ') out += c;  // blanks collapsed
    // This dbfdump shows only character and number fields.
    EXPECT_NE(out.find("NAME: M\x81ller"), std::string::npos) << out;
    EXPECT_NE(out.find("WERT: 12.50"), std::string::npos) << out;
    EXPECT_NE(out.find("FL: -1000.125"), std::string::npos) << out;
    EXPECT_NE(out.find("NAME: weg \nNR: 3\nWERT: 0.00\nFL: 0.000\nDATUM: \nOK: (NULL)\n(DELETED)"),
              std::string::npos)
        << out;
}

TEST_F(InteropTest, DbfreadReadsOurTable) {
    if (!HasPythonModule("dbfread")) GTEST_SKIP() << "python3-dbfread is not installed";
    const std::string path = MakeSample();
    const std::string out = CommandOutput(
        "/usr/bin/python3 -c \"import dbfread,sys\n"
        "t=dbfread.DBF(sys.argv[1],encoding='cp850',load=True)\n"
        "for r in t.records: print(r['NAME'],r['NR'],r['WERT'],r['FL'],r['DATUM'],r['OK'])\n"
        "for r in t.deleted: print('deleted',r['NAME'])\n"
        "print(len(t.records))\" " +
        test::ShellQuoted(path) + " 2>&1");
    // The tool answers in UTF-8.
    EXPECT_EQ(out, platform::OemToUtf8("Müller 12 12.5 2.75 1998-03-17 True\n"
                                       "Größe -4 -0.25 -1000.125 None False\n"
                                       "deleted weg\n"
                                       "2\n"_oem));
    const std::string empty = Path("leer.dbf");
    test::MakeTable(empty, {{"A", 'C', 3, 0}, {"B", 'N', 4, 1}});
    EXPECT_EQ(CommandOutput("/usr/bin/python3 -c \"import dbfread,sys\n"
                            "t=dbfread.DBF(sys.argv[1],load=True)\n"
                            "print(len(t.records),t.field_names)\" " +
                            test::ShellQuoted(empty) + " 2>&1"),
              "0 ['A', 'B']\n");
}

TEST_F(InteropTest, LibreOfficeReadsOurTable) {
    if (!HasProgram("/usr/bin/soffice")) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    const std::string path = MakeSample();
    const std::string profile = test::FileUrl(Path("lo"));
    CommandOutput(
        "cd " + test::ShellQuoted(dir_.path().string()) +
        " && LC_ALL=C.UTF-8 /usr/bin/soffice --headless --norestore -env:UserInstallation=" +
        profile +
        " --infilter=dBase:IBMPC_850 --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76' " +
        test::ShellQuoted(path) + " >/dev/null 2>&1");
    const std::string csv = test::ReadFileBytes(Path("sample.csv"));
    if (csv.empty()) GTEST_SKIP() << "LibreOffice could not convert (dBase driver missing?)";
    EXPECT_NE(csv.find(platform::OemToUtf8("Müller,12,12.5"_oem)), std::string::npos) << csv;
    EXPECT_NE(csv.find(platform::OemToUtf8("Größe,-4,-0.25"_oem)), std::string::npos) << csv;
    EXPECT_EQ(csv.find("weg"), std::string::npos) << csv;  // deleted records are left out
}

TEST_F(InteropTest, TablesWrittenByShapelibAndPythonDbfNow) {
    const bool shp = HasProgram("/usr/bin/dbfcreate") && HasProgram("/usr/bin/dbfadd");
    const bool pydbf = HasPythonModule("dbf");
    if (!shp && !pydbf) GTEST_SKIP() << "neither shapelib nor python3-dbf is installed";
    if (shp) {
        const std::string p = Path("shp.dbf"), q = test::ShellQuoted(p);
        CommandOutput("/usr/bin/dbfcreate " + q + " -s T 6 -n N 7 2 && /usr/bin/dbfadd " + q +
                      " $(printf 'K\\204se') 3.25 && /usr/bin/dbfadd " + q + " x -0.5");
        const Rows rows = test::ReadAllRecords(p);
        ASSERT_EQ(rows.size(), 2u) << EngineErrorMsg;
        EXPECT_EQ(rows[0][1], "Käse  "_oem);
        EXPECT_EQ(rows[1][2], "  -0.50");
    }
    if (pydbf) {
        const std::string p = Path("py.dbf");
        CommandOutput(
            "/usr/bin/python3 -c \"import dbf,sys,datetime\n"
            "t=dbf.Table(sys.argv[1],'T C(6); D D; L L; N "
            "N(6,1)',dbf_type='db3',codepage='cp850')\n"
            "t.open(dbf.READ_WRITE)\n"
            "t.append(('Öse',datetime.date(2000,2,29),True,-2.5))\n"
            "t.append(('leer',None,False,0))\n"
            "dbf.delete(t[1])\n"
            "t.close()\" " +
            test::ShellQuoted(p));
        const Rows rows = test::ReadAllRecords(p);
        ASSERT_EQ(rows.size(), 2u) << EngineErrorMsg;
        EXPECT_EQ(rows[0],
                  (std::vector<std::string>{" ", "Öse   "_oem, "20000229", "T", "  -2.5"}));
        EXPECT_EQ(rows[1][0], "*");
    }
}

}  // namespace
}  // namespace kor2
