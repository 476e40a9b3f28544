// Delimited files checked against an independent reader and writer: python3's
// csv module reads an export (texts with separators, quotes and umlauts) and
// writes files that the import reads. Skipped when python3 is missing.
#include <gtest/gtest.h>

#include "platform/hostfs.h"
#include "platform/oemtext.h"
#include "support/command.h"
#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/delim/delimited.h"
#include "tables/tbtestutil.h"

namespace kor2 {
namespace {

constexpr const char* kPython = "/usr/bin/python3";

class DelimInteropTest : public test::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        if (!platform::FileExists(kPython)) GTEST_SKIP() << "python3 is not installed";
    }
    // Runs a python3 script with one argument (a path); its standard output.
    std::string Python(const std::string& script, const std::string& arg) {
        test::WriteFileBytes(Path("script.py"), script);
        return test::CommandOutput(std::string(kPython) + " " +
                                   test::ShellQuoted(Path("script.py")) + " " +
                                   test::ShellQuoted(arg));
    }
    std::string Table(const std::string& name) {
        const std::string path = Path(name);
        test::MakeTable(
            path,
            {{"NAME", 'C', 12, 0}, {"VAL", 'N', 8, 2}, {"OK", 'L', 1, 0}, {"DAY", 'D', 8, 0}});
        return path;
    }
};

TEST_F(DelimInteropTest, PythonCsvReadsAnExport) {
    const std::string dbf = Table("a.dbf");
    test::AppendRaw(dbf, {{" ", "Straße, 3"_oem, "   -1.50", "T", "20240229"},
                          {" ", "sagt \"Öl\""_oem, "    0.00", "F", ""}});
    ASSERT_TRUE(Use(dbf + " EXCLUSIVE", nullptr, 0));
    ASSERT_TRUE(ExportText(Path("a.txt")));
    // Rows joined by "|", printed in code page 850 for comparison.
    const std::string out = Python(
        "import csv, sys\n"
        "text = open(sys.argv[1], encoding='cp1252', newline='').read().rstrip('\\x1a')\n"
        "for row in csv.reader(text.splitlines()):\n"
        "    sys.stdout.buffer.write(('|'.join(row) + '\\n').encode('cp850'))\n",
        Path("a.txt"));
    EXPECT_EQ(out, "Straße, 3|-1.50|T|20240229\nsagt \"Öl\"|0.00|F|\n"_oem);
}

TEST_F(DelimInteropTest, ImportReadsPythonCsvFiles) {
    for (const char* quoting : {"csv.QUOTE_MINIMAL", "csv.QUOTE_ALL"}) {
        const std::string txt = Path("p.txt");
        Python(std::string("import csv, sys\n"
                           "with open(sys.argv[1], 'w', encoding='cp1252', "
                           "newline='') as f:\n"
                           "    w = csv.writer(f, quoting=") +
                   quoting +
                   ")\n"
                   "    w.writerow(['Grüße, \"x\"', '2.25', 'T', '19991231'])\n"
                   "    w.writerow(['', '-7', 'F', ''])\n",
               txt);
        ASSERT_TRUE(platform::FileExists(txt)) << quoting;
        const std::string dbf = Table(std::string("b") + quoting + ".dbf");
        ASSERT_TRUE(Use(dbf + " EXCLUSIVE", nullptr, 0));
        ASSERT_TRUE(ImportText(txt, false)) << EngineErrorMsg;
        CloseArea();
        const auto rows = test::ReadAllRecords(dbf);
        ASSERT_EQ(rows.size(), 2u) << quoting;
        EXPECT_EQ(rows[0][1], std::string("Grüße, \"x\""_oem) + "  ") << quoting;
        EXPECT_EQ(rows[0][2], "    2.25");
        EXPECT_EQ(rows[0][3], "T");
        EXPECT_EQ(rows[0][4], "19991231");
        EXPECT_EQ(rows[1][1], std::string(12, ' '));
        EXPECT_EQ(rows[1][2], "   -7.00");
        EXPECT_EQ(rows[1][4], "        ");
    }
}

}  // namespace
}  // namespace kor2
