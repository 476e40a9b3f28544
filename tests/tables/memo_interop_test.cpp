// Memo files written here read correctly in independent tools: python3-dbf
// (dBase III and FoxPro), Perl XBase's dbf_dump (also dBase IV) and
// LibreOffice (dBase III and IV). A tool that is not installed is skipped.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "platform/codepage.h"
#include "platform/hostfs.h"
#include "platform/oemtext.h"
#include "tables/memo_testutil.h"

namespace kor2 {
namespace {

using test::MemoTest;

std::string RunTool(const std::string& command, int& status) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    status = pclose(p);
    return out;
}

bool Available(const std::string& check) {
    int status = -1;
    RunTool(check + " >/dev/null 2>&1", status);
    return status == 0;
}

std::string Hex(const std::string& s) {
    static const char* digits = "0123456789abcdef";
    std::string h;
    for (unsigned char c : s) {
        h += digits[c >> 4];
        h += digits[c & 15];
    }
    return h;
}

// Memos that exercise lines, code page 850 and several blocks.
std::vector<std::string> Memos() {
    return {"Kurzer Text", "Zeile eins\r\nZeile zwei\r\nGröße Ärger"_oem, std::string(700, 'z'),
            "Ende"};
}

class MemoInteropTest : public MemoTest {};

TEST_F(MemoInteropTest, PythonDbfReadsOurDbase3AndFoxProMemos) {
    if (!Available("/usr/bin/python3 -c 'import dbf'"))
        GTEST_SKIP() << "python3-dbf is not installed (apt-get install python3-dbf)";
    const std::string script = Path("read.py");
    test::WriteFileBytes(script,
                         "import dbf, sys\n"
                         "t = dbf.Table(sys.argv[1], codepage='cp850')\n"
                         "t.open(dbf.READ_ONLY)\n"
                         "for r in t: print(r[1].encode('cp850').hex())\n"
                         "t.close()\n");
    for (const auto& [name, version, block] :
         {std::tuple{"PY3.DBF", 0x83, 512}, std::tuple{"PYF.DBF", 0xF5, 64}}) {
        SCOPED_TRACE(name);
        const std::string path = MakeTableWithMemos(name, static_cast<uint8_t>(version), Memos(),
                                                    static_cast<uint16_t>(block));
        int status = -1;
        const std::string out =
            RunTool("/usr/bin/python3 " + script + " " + path + " 2>&1", status);
        std::string expected;
        for (const auto& m : Memos()) expected += Hex(m) + "\n";
        EXPECT_EQ(out, expected);
    }
}

TEST_F(MemoInteropTest, PerlXBaseReadsOurMemosInEveryFormat) {
    if (!Available("test -x /usr/bin/dbf_dump"))
        GTEST_SKIP() << "Perl XBase is not installed (apt-get install libdbd-xbase-perl)";
    for (const auto& [name, version] :
         {std::pair{"PL3.DBF", 0x83}, std::pair{"PL4.DBF", 0x8B}, std::pair{"PLF.DBF", 0xF5}}) {
        SCOPED_TRACE(name);
        const std::string path = MakeTableWithMemos(name, static_cast<uint8_t>(version), Memos());
        int status = -1;
        const std::string out =
            RunTool("/usr/bin/dbf_dump --fs '<F>' --rs '<R>' --fields NOTE " + path, status);
        std::string expected;
        for (const auto& m : Memos()) expected += m + "<R>";
        EXPECT_EQ(out, expected);
    }
}

TEST_F(MemoInteropTest, LibreOfficeReadsOurDbase3AndDbase4Memos) {
    if (!Available("command -v soffice"))
        GTEST_SKIP() << "LibreOffice is not installed (apt-get install libreoffice-calc-nogui)";
    const std::string p3 = MakeTableWithMemos("LO3.DBF", 0x83, Memos());
    const std::string p4 = MakeTableWithMemos("LO4.DBF", 0x8B, Memos());
    const std::string dir = std::filesystem::path(p3).parent_path().string();
    // LibreOffice looks for the memo file under the extension ".dbt" in lower case.
    for (const char* base : {"/LO3", "/LO4"})
        std::filesystem::rename(dir + base + ".DBT", dir + base + ".dbt");
    int status = -1;
    RunTool("cd " + dir +
                " && timeout 180 soffice --headless --norestore -env:UserInstallation=file://" +
                dir + "/lo-profile --infilter='dBase:IBMPC_850' --convert-to " +
                "'csv:Text - txt - csv (StarCalc):44,34,76' LO3.DBF LO4.DBF 2>&1",
            status);
    for (const char* csv : {"LO3.csv", "LO4.csv"}) {
        SCOPED_TRACE(csv);
        const std::string text = test::ReadFileBytes(dir + "/" + csv);
        ASSERT_FALSE(text.empty()) << "LibreOffice wrote no " << csv;
        for (const auto& m : Memos()) {
            std::string utf8 = platform::OemToUtf8(m);
            // LibreOffice gives line ends inside a cell as LF.
            for (size_t at; (at = utf8.find("\r\n")) != std::string::npos;) utf8.erase(at, 1);
            EXPECT_NE(text.find(utf8), std::string::npos) << utf8.substr(0, 30);
        }
    }
}

}  // namespace
}  // namespace kor2
