// Memo files written here read correctly in independent tools: python3-dbf
// (dBase III and FoxPro), Perl XBase's dbf_dump (also dBase IV) and
// LibreOffice (dBase III and IV), both memo files laid out directly and whole
// tables the work-area commands wrote, empty memos included. A tool that is
// not installed is skipped.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "platform/codepage.h"
#include "platform/hostfs.h"
#include "platform/oemtext.h"
#include "support/command.h"
#include "tables/area/changes.h"
#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/memo/memo_testutil.h"
#include "tables/memo/memoarea.h"

namespace kor2 {
namespace {

using test::MemoTest;

using test::CommandOutput;

bool Available(const std::string& check) {
    int status = -1;
    CommandOutput(check + " >/dev/null 2>&1", &status);
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

// The memos of a table the work-area commands write: empty ones between,
// and one whose 254th character is a blank, read into the pad and written
// back (which ends its last line with CR LF).
std::vector<std::string> EngineMemos() {
    return {"Kurzer Text",
            "",
            "Zeile eins\r\nZeile zwei\r\nGröße Ärger"_oem,
            "",
            "Notiz 1: " + std::string(244, 'x') + " Federstahl\r\n",
            std::string(700, 'z'),
            "Ende"};
}

// Splits a tool's output at sep.
std::vector<std::string> Split(const std::string& text, const std::string& sep) {
    std::vector<std::string> parts;
    size_t from = 0;
    for (size_t at; (at = text.find(sep, from)) != std::string::npos; from = at + sep.size())
        parts.push_back(text.substr(from, at - from));
    if (from < text.size()) parts.push_back(text.substr(from));
    return parts;
}

// Every record as expected; a difference is shown by its start only.
void ExpectRecords(const std::vector<std::string>& got, const std::vector<std::string>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i)
        EXPECT_TRUE(got[i] == want[i]) << "record " << i + 1 << ": " << got[i].substr(0, 60);
}

class MemoInteropTest : public MemoTest {
protected:
    // A python3-dbf script that prints each record's memo as hex.
    std::string PythonMemoReader() {
        const std::string script = Path("read.py");
        test::WriteFileBytes(script,
                             "import dbf, sys\n"
                             "t = dbf.Table(sys.argv[1], codepage='cp850')\n"
                             "t.open(dbf.READ_ONLY)\n"
                             "for r in t: print(r[1].encode('cp850').hex())\n"
                             "t.close()\n");
        return script;
    }
    // LibreOffice converts the tables in dir to CSV files (UTF-8, comma).
    static void ConvertToCsv(const std::string& dir, const std::string& tables) {
        CommandOutput("cd " + test::ShellQuoted(dir) +
                      " && timeout 180 soffice --headless --norestore "
                      "-env:UserInstallation=" +
                      test::FileUrl(dir + "/lo-profile") +
                      " --infilter='dBase:IBMPC_850' --convert-to " +
                      "'csv:Text - txt - csv (StarCalc):44,34,76' " + tables + " 2>&1");
    }
    void TearDown() override {
        CloseAllAreas();
        MemoTest::TearDown();
    }
    // A new table with a lower-case name, its records appended with EngineMemos().
    std::string WriteThroughEngine(const std::string& name, uint8_t version) {
        InitMemoUnit();
        const std::string path = MakeMemoTable(name, version, version == 0xF5 ? 64 : 512);
        Select(1);
        EXPECT_TRUE(Use(path + " EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
        int32_t nr = 0;
        for (const std::string& text : EngineMemos()) {
            ClearRecord();
            ++nr;
            std::memcpy(FieldAddress(1), &nr, sizeof nr);
            int32_t block = AddMemo(text);
            if (text.size() > 253 && text[253] == ' ') {  // through the pad
                EXPECT_TRUE(GetMemo(block));
                EXPECT_TRUE(EditMemo(*CurrentMemoFile("EditMemo"), block));
            }
            std::memcpy(FieldAddress(2), &block, sizeof block);
            Append();
            EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
        }
        CloseArea();
        return path;
    }
};

TEST_F(MemoInteropTest, PythonDbfReadsOurDbase3AndFoxProMemos) {
    if (!Available("/usr/bin/python3 -c 'import dbf'"))
        GTEST_SKIP() << "python3-dbf is not installed (apt-get install python3-dbf)";
    const std::string script = PythonMemoReader();
    for (const auto& [name, version, block] :
         {std::tuple{"PY3.DBF", 0x83, 512}, std::tuple{"PYF.DBF", 0xF5, 64}}) {
        SCOPED_TRACE(name);
        const std::string path = MakeTableWithMemos(name, static_cast<uint8_t>(version), Memos(),
                                                    static_cast<uint16_t>(block));
        int status = -1;
        const std::string out = CommandOutput("/usr/bin/python3 " + test::ShellQuoted(script) +
                                                  " " + test::ShellQuoted(path) + " 2>&1",
                                              &status);
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
        const std::string out = CommandOutput(
            "/usr/bin/dbf_dump --fs '<F>' --rs '<R>' --fields NOTE " + test::ShellQuoted(path),
            &status);
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
    ConvertToCsv(dir, "LO3.DBF LO4.DBF");
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

TEST_F(MemoInteropTest, PythonDbfReadsEveryMemoOfATableTheEngineWrote) {
    if (!Available("/usr/bin/python3 -c 'import dbf'"))
        GTEST_SKIP() << "python3-dbf is not installed (apt-get install python3-dbf)";
    const std::string script = PythonMemoReader();
    std::vector<std::string> expected;
    for (const auto& m : EngineMemos()) expected.push_back(Hex(m));
    for (const auto& [name, version] : {std::pair{"py3.dbf", 0x83}, std::pair{"pyf.dbf", 0xF5}}) {
        SCOPED_TRACE(name);
        const std::string path = WriteThroughEngine(name, static_cast<uint8_t>(version));
        int status = -1;
        const std::string out = CommandOutput("/usr/bin/python3 " + test::ShellQuoted(script) +
                                                  " " + test::ShellQuoted(path) + " 2>&1",
                                              &status);
        ExpectRecords(Split(out, "\n"), expected);
    }
}

TEST_F(MemoInteropTest, PerlXBaseReadsEveryMemoOfATableTheEngineWrote) {
    if (!Available("test -x /usr/bin/dbf_dump"))
        GTEST_SKIP() << "Perl XBase is not installed (apt-get install libdbd-xbase-perl)";
    for (const auto& [name, version] :
         {std::pair{"pl3.dbf", 0x83}, std::pair{"pl4.dbf", 0x8B}, std::pair{"plf.dbf", 0xF5}}) {
        SCOPED_TRACE(name);
        const std::string path = WriteThroughEngine(name, static_cast<uint8_t>(version));
        int status = -1;
        const std::string out = CommandOutput(
            "/usr/bin/dbf_dump --fs '<F>' --rs '<R>' --fields NOTE " + test::ShellQuoted(path),
            &status);
        ExpectRecords(Split(out, "<R>"), EngineMemos());
    }
}

TEST_F(MemoInteropTest, LibreOfficeReadsEveryMemoOfATableTheEngineWrote) {
    if (!Available("command -v soffice"))
        GTEST_SKIP() << "LibreOffice is not installed (apt-get install libreoffice-calc-nogui)";
    WriteThroughEngine("lo3.dbf", 0x83);
    WriteThroughEngine("lo4.dbf", 0x8B);
    const std::string dir = dir_.path().string();
    ConvertToCsv(dir, "lo3.dbf lo4.dbf");
    // One CSV row per record: its number and the memo, quoted when it holds a
    // line end (given as LF).
    std::vector<std::string> expected = {"\"NR,N,3,0\",\"NOTE,M\""};
    int nr = 0;
    for (const auto& m : EngineMemos()) {
        std::string utf8 = platform::OemToUtf8(m);
        for (size_t at; (at = utf8.find("\r\n")) != std::string::npos;) utf8.erase(at, 1);
        if (utf8.find('\n') != std::string::npos) utf8 = "\"" + utf8 + "\"";
        expected.push_back(std::to_string(++nr) + "," + utf8);
    }
    for (const char* csv : {"lo3.csv", "lo4.csv"}) {
        SCOPED_TRACE(csv);
        const std::string text = test::ReadFileBytes(dir + "/" + csv);
        ASSERT_FALSE(text.empty()) << "LibreOffice wrote no " << csv;
        std::vector<std::string> rows;
        for (const std::string& line : Split(text, "\n")) {
            // A quoted cell goes on over its line ends.
            if (!rows.empty() && std::count(rows.back().begin(), rows.back().end(), '"') % 2 == 1)
                rows.back() += "\n" + line;
            else
                rows.push_back(line);
        }
        ExpectRecords(rows, expected);
    }
}

}  // namespace
}  // namespace kor2
