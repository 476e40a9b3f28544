// The browser model without a real window: showing without a window, the
// view and edit modes, picking in close-on-pick mode, sorting by a column,
// search and HTML export. A stand-in window records what the model asks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>

#include "common/config.h"
#include "common/filepath.h"
#include "common/globals.h"
#include "common/helptext.h"
#include "platform/hostfs.h"
#include "platform/oemtext.h"
#include "platform/sysclock.h"
#include "procedural_testutil.h"
#include "support/asnobody.h"
#include "tables/base/enginestrings.h"

namespace kor2::test {
namespace {

namespace fs = std::filesystem;

// A window that runs a script while "shown" and records messages.
class FakeWindow : public Dbf4Window {
public:
    std::function<void(Tdbf4&)> whileShown;
    std::vector<std::string> messages;
    int shown = 0;
    bool open = false;
    BrowserResult closedWith = BrowserResult::Cancelled;
    int column = 2, row = 5;

    BrowserResult ShowModal(Tdbf4& browser) override {
        ++shown;
        open = true;
        browser.FormShow();
        if (whileShown) whileShown(browser);
        if (open) browser.Button_cancelClick();
        return closedWith;
    }
    void CloseWindow(BrowserResult result) override {
        open = false;
        closedWith = result;
    }
    int GridColumn() override { return column; }
    int GridRow() override { return row; }
    void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
};

class Browser : public DbfProcTest {
protected:
    void SetUp() override {
        DbfProcTest::SetUp();
        SetDbf4Window(&window);
    }
    // "names.dbf": NR N(3), NAME C(8); the names in the order 2, 4, 3, 1.
    std::string Names() {
        const std::string path = Path("names.dbf");
        MakeTable(path, {{"NR", 'N', 3, 0}, {"NAME", 'C', 8, 0}});
        AppendRaw(path, {{" ", "  1", "delta"},
                         {" ", "  2", "alpha"},
                         {" ", "  3", "charlie"},
                         {" ", "  4", "bravo"}});
        return path;
    }
    FakeWindow window;
};

TEST(BrowserNoWindow, ShowReturnsAtOnceAsCancelled) {
    SetDbf4Window(nullptr);
    AbortFlag = false;
    LastKeyCode = 0;
    EXPECT_EQ(dbf4().ShowTable("CLOSE", 1), BrowserResult::Cancelled);
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(LastKeyCode, 27);
    InitW32Tables();
}

TEST_F(Browser, ViewModeThenEditModeAndCaptions) {
    Sample(3);
    DbfOpenTableChecked("sample");
    // Titles stay in code page 850 up to the window.
    const std::string two = "Maß"_oem;
    DbfSetTitles("Eins", two);
    DbfShowTable("", 1);
    EXPECT_FALSE(dbf4().EditMode);
    EXPECT_EQ(dbf4().Caption, two + "   Eins");
    EXPECT_EQ(dbf4().mi_helpdbfCaption, two);
    EXPECT_TRUE(dbf4().tbdbf.HideDeletedRecs());
    EXPECT_TRUE(AbortFlag);  // left with cancel
    EXPECT_EQ(LastKeyCode, 27);
    DbfShowTable("", 0);
    EXPECT_TRUE(dbf4().EditMode);
    // The file as the host writes it.
    EXPECT_EQ(dbf4().Caption, two + "  Eins  (" + dir_.file("sample.dbf") + ")");
    EXPECT_FALSE(dbf4().tbdbf.HideDeletedRecs());
    EXPECT_TRUE(window.messages.empty());
    EXPECT_EQ(window.shown, 2);
}

TEST_F(Browser, TableFromTempFolderShowsNoticeEachEditShow) {
    const std::string original = Sample(2);
    platform::SetReadOnly(original, true);
    DbfOpenTableChecked("sample");
    platform::SetReadOnly(original, false);
    DbfShowTable("", 2);
    DbfShowTable("", 1);
    DbfShowTable("", 2);
    ASSERT_EQ(window.messages.size(), 2u);
    EXPECT_EQ(window.messages[0],
              "Kein Schreibrecht für dbf-Ordner !  Bearbeitung im Temporär-Ordner."_oem);
}

// Without TEMP the temporary folder is the host's, not the start folder: a
// table in a writable start folder is edited in place, without the notice.
TEST_F(Browser, TableInWritableStartFolderIsEditedInPlace) {
    Sample(2);
    const auto savedTemp = platform::GetEnv("TEMP");
    const auto savedTmpDir = platform::GetEnv("TMPDIR");
    unsetenv("TEMP");
    platform::SetEnv("TMPDIR", TempPath(""));
    StartFolder = DbfFolder;
    TempFolder.clear();
    CheckConfigFolders();
    if (savedTemp) platform::SetEnv("TEMP", *savedTemp);
    if (savedTmpDir) platform::SetEnv("TMPDIR", *savedTmpDir);
    else unsetenv("TMPDIR");
    DbfOpenTableChecked("sample");
    DbfShowTable("", 2);
    EXPECT_EQ(dbf4().Label_filename, AddBackslash(DbfFolder) + "sample.dbf");
    EXPECT_TRUE(window.messages.empty());
}

TEST_F(Browser, CloseOnPickFirstClickPicksRecord) {
    Sample(5);
    DbfOpenTableChecked("sample");
    window.whileShown = [](Tdbf4& b) {
        b.GoRecord(3);
        b.TbGrid1CellClick();
        EXPECT_EQ(b.Label_recno, "3/5");
    };
    DbfPickedRecNo = 0;
    DbfShowTable("CLOSE", 1);
    EXPECT_EQ(window.closedWith, BrowserResult::Ok);
    EXPECT_FALSE(AbortFlag);
    EXPECT_EQ(LastKeyCode, 13);
    EXPECT_EQ(DbfPickedRecNo, 3);
    EXPECT_EQ(BrowserGridState[0], 2);
    EXPECT_EQ(BrowserGridState[1], 5);

    // Without CLOSE a click only shows the position; arrow keys do nothing.
    window.whileShown = [](Tdbf4& b) {
        b.GoRecord(4);
        b.TbGrid1CellClick();
        b.TbGrid1KeyDown(40);
    };
    DbfShowTable("", 1);
    EXPECT_EQ(window.closedWith, BrowserResult::Cancelled);
    EXPECT_EQ(DbfPickedRecNo, 3);
}

TEST_F(Browser, OkPostsPendingEdit) {
    Sample(3);
    DbfOpenTableChecked("sample");
    window.whileShown = [](Tdbf4& b) {
        b.GoRecord(2);
        b.SetFieldAsStringByName("NAME", "edited");
        b.AcceptAndClose();
    };
    DbfShowTable("", 2);
    EXPECT_EQ(DbfPickedRecNo, 2);
    EXPECT_EQ(dbf4().tbdbf.State(), TDataSetState::dsBrowse);
    DbfCloseTable();
    EXPECT_EQ(Rows(Path("sample.dbf"))[1][1], "edited    ");
}

// The sort index is made in the run's own temporary folder, here inside one
// of over 100 characters that holds blanks.
TEST_F(Browser, TitleClickSortsAndKeepsRecord) {
    Names();
    TempFolder = TempPath("with space " + std::string(100, 'x'));
    fs::create_directory(TempFolder);
    DbfOpenTableChecked("names");
    DbfGoRecord(3);
    dbf4().TbGrid1DepressTitle(1);
    EXPECT_EQ(DbfRecNo(), 3);
    bool index = false;
    for (const auto& e : fs::directory_iterator(RunTempPath(""))) {
        std::string n = e.path().filename().string();
        for (char& c : n) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        index = index || n == "$vrxtemp.ndx";
    }
    EXPECT_TRUE(index);
    std::vector<int32_t> order;
    for (DbfGoTop(); !DbfEof(); DbfSkip(1)) order.push_back(DbfRecNo());
    EXPECT_EQ(order, (std::vector<int32_t>{2, 4, 3, 1}));
}

// An account that may read the table but not write it or its folder (as the
// installed material table): the sort index is the run's own, so the title
// click sorts without a semaphore file beside the table.
TEST_F(Browser, TitleClickSortsATableTheAccountMayOnlyRead) {
    const std::string path = Names();
    const auto readable = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    const auto passable = fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
    fs::permissions(path, readable);
    fs::permissions(dir_.path(), readable | passable);
    RunAsNobody({dir_.path(), temp_.path()}, [&] {
        dbf4().OpenTable(path);
        ASSERT_TRUE(dbf4().tbdbf.Active());
        EXPECT_TRUE(dbf4().ReadOnlyTable());
        DbfGoRecord(3);
        EXPECT_NO_THROW(dbf4().TbGrid1DepressTitle(1));
        EXPECT_EQ(dbf4().SortField, "NAME");
        EXPECT_EQ(DbfRecNo(), 3);
        std::vector<int32_t> order;
        for (DbfGoTop(); !DbfEof(); DbfSkip(1)) order.push_back(DbfRecNo());
        EXPECT_EQ(order, (std::vector<int32_t>{2, 4, 3, 1}));
        EXPECT_TRUE(window.messages.empty()) << ::testing::PrintToString(window.messages);
        dbf4().CloseTable();
        EXPECT_EQ(dbf4().SortField, "");
    });
    fs::permissions(dir_.path(), fs::perms::owner_all, fs::perm_options::add);
    for (const auto& e : fs::directory_iterator(dir_.path()))
        EXPECT_EQ(e.path().filename(), "names.dbf");
}

// A sort that cannot be done is told in words and the order stays as it was.
TEST_F(Browser, TitleClickThatCannotSortSaysSoAndKeepsTheOrder) {
    Names();
    DbfOpenTableChecked("names");
    // A folder where the sort index would be written: it cannot be made.
    fs::create_directory(platform::HostPath(RunTempPath("$vrxtemp.ndx")));
    EXPECT_NO_THROW(dbf4().TbGrid1DepressTitle(1));
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].rfind("Die Tabelle kann nicht nach NAME sortiert werden.", 0), 0u)
        << window.messages[0];
    EXPECT_EQ(dbf4().SortField, "");
    std::vector<int32_t> order;
    for (DbfGoTop(); !DbfEof(); DbfSkip(1)) order.push_back(DbfRecNo());
    EXPECT_EQ(order, (std::vector<int32_t>{1, 2, 3, 4}));
}

TEST_F(Browser, SearchAskedFoundNotFoundAndCancelled) {
    Sample(6);
    DbfOpenTableChecked("sample");
    DbfGoTop();
    dialogs.answers.push_back(ScriptedAnswer::Type("R4"));
    dbf4().Button_searchClick();
    EXPECT_EQ(DbfRecNo(), 4);
    EXPECT_EQ(dbf4().SearchTextValue, "R4");
    EXPECT_EQ(dialogs.Of("text").at(0).text, "Suchbegriff eingeben");

    dialogs.answers.push_back(ScriptedAnswer::Type("nowhere"));
    dbf4().Button_searchClick();
    EXPECT_EQ(DbfRecNo(), 4);
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0], "nowhere nicht gefunden");

    dialogs.answers.push_back(ScriptedAnswer::Cancel());
    dbf4().Button_searchClick();
    EXPECT_FALSE(AbortFlag);
    EXPECT_EQ(dbf4().SearchTextValue, "nowhere");
    EXPECT_EQ(HelpNumber, 0);
}

TEST_F(Browser, SearchNextStartsAfterCurrentRecord) {
    const std::string path = Path("dup.dbf");
    MakeTable(path, {{"NAME", 'C', 8, 0}});
    AppendRaw(path, {{" ", "x"}, {" ", "key"}, {" ", "y"}, {" ", "key"}});
    DbfOpenTableChecked("dup");
    dialogs.answers.push_back(ScriptedAnswer::Type("key"));
    dbf4().Button_searchClick();
    EXPECT_EQ(DbfRecNo(), 2);
    dbf4().Button_SearchNextClick();
    EXPECT_EQ(DbfRecNo(), 4);
    dbf4().Button_SearchNextClick();
    EXPECT_EQ(DbfRecNo(), 4);
    EXPECT_EQ(window.messages.size(), 1u);
}

TEST_F(Browser, SearchFindsWordsWithEveryUmlautAndSharpS) {
    // The table stores code page 850, as the search text arrives.
    const std::vector<std::string> words = {
        "plain",   "bär"_oem,  "böse"_oem, "büro"_oem,     "ÄRA"_oem,
        "ÖDE"_oem, "ÜBEL"_oem, "maß"_oem,  "vergütet"_oem, "ausgehärtet"_oem};
    const std::string path = Path("umlaut.dbf");
    MakeTable(path, {{"NAME", 'C', 12, 0}});
    std::vector<std::vector<std::string>> rows;
    for (const std::string& w : words) rows.push_back({" ", w});
    AppendRaw(path, rows);
    DbfOpenTableChecked("umlaut");
    for (size_t i = 1; i < words.size(); ++i) {
        DbfGoTop();
        dialogs.answers.push_back(ScriptedAnswer::Type(words[i]));
        dbf4().Button_searchClick();
        EXPECT_EQ(DbfRecNo(), static_cast<int32_t>(i + 1)) << i;
    }
    // Case is ignored for umlauts as for plain letters.
    DbfGoTop();
    dialogs.answers.push_back(ScriptedAnswer::Type("VERGÜTET"_oem));
    dbf4().Button_searchClick();
    EXPECT_EQ(DbfRecNo(), 9);
    dialogs.answers.push_back(ScriptedAnswer::Type("öde"_oem));
    dbf4().Button_searchClick();
    EXPECT_EQ(DbfRecNo(), 6);
    EXPECT_TRUE(window.messages.empty()) << window.messages.at(0);
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(Browser, HtmlExportWritesEveryPhysicalRecord) {
    const std::string path = Path("html.dbf");
    MakeTable(path, {{"A", 'C', 3, 0}, {"B", 'N', 2, 0}});
    AppendRaw(path, {{" ", "one", " 1"}, {"*", "two", " 2"}});
    CaptionText = "Prog";
    ProgramVersion = "1.0";
    DbfOpenTableChecked("html");
    const std::string out = TempPath("out.htm");
    ASSERT_TRUE(dbf4().ExportHtml(out));
    const std::string text = ReadText(out);
    EXPECT_EQ(text.rfind("<HTML>\r\n<head><META HTTP-EQUIV=\"Content-Type\" "
                         "CONTENT=\"text/html; charset=windows-1252\"><title>out</title></head>\r\n"
                         "<BODY BGCOLOR=\"C0C0C0\">\r\n<P>ProgV1.0</P>\r\n",
                         0),
              0u);
    EXPECT_NE(text.find("<TABLE BORDER = \"1\" WIDTH= \"100%\">\r\n"
                        "<TR><TD><CENTER>A</CENTER></TD><TD><CENTER>B</CENTER></TD></TR>\r\n"
                        "<TR><TD>one</TD><TD> 1</TD></TR>\r\n"
                        "<TR><TD>two</TD><TD> 2</TD></TR>\r\n</TABLE>\r\n</BODY>\r\n</HTML>\r\n"),
              std::string::npos);
    DbfCloseTable();

    // An empty table: the header row and no record rows.
    MakeTable(Path("empty.dbf"), {{"A", 'C', 3, 0}});
    DbfOpenTableChecked("empty");
    ASSERT_TRUE(dbf4().ExportHtml(out));
    EXPECT_NE(ReadText(out).find("<TR><TD><CENTER>A</CENTER></TD></TR>\r\n</TABLE>"),
              std::string::npos);
}

TEST_F(Browser, HtmlExportIsInTheWindowsCharacterSetAndOffersTheTableName) {
    const std::string path = Path("Werk.dbf");
    MakeTable(path, {{"NAME", 'C', 12, 0}, {"GRÖSSE"_oem, 'C', 4, 0}});
    AppendRaw(path, {{" ", "vergütet"_oem, "<1>"}, {" ", "Maß & Öl"_oem, "ß"_oem}});
    CaptionText = "Prüf"_oem;
    HtmlBrowserPath = "/bin/true";  // the page is opened in no real browser
    DbfOpenTableChecked("Werk");
    dialogs.answers.push_back(ScriptedAnswer::Type(TempPath("werk")));
    dbf4().mi_fileExportHtmlClick();
    ASSERT_EQ(dialogs.Of("save").size(), 1u);
    EXPECT_EQ(dialogs.Of("save")[0].items, (std::vector<std::string>{"Werk"}));
    const std::string text = ReadText(TempPath("werk.htm"));
    EXPECT_NE(text.find("charset=windows-1252"), std::string::npos);
    // Code page 1252 bytes: ü E4.. as the web browser reads them.
    EXPECT_NE(text.find("<P>Pr\xFC"
                        "fV"),
              std::string::npos);
    EXPECT_NE(text.find("<CENTER>GR\xD6SSE</CENTER>"), std::string::npos);
    EXPECT_NE(text.find("<TD>verg\xFCtet    </TD><TD>&lt;1&gt; </TD>"), std::string::npos);
    EXPECT_NE(text.find("<TD>Ma\xDF &amp; \xD6l    </TD><TD>\xDF   </TD>"), std::string::npos);
    // No code page 850 byte of an umlaut is left.
    for (const char c : {'\x81', '\x84', '\x94', '\x99', '\x9A', '\xE1'})
        EXPECT_EQ(text.find(c), std::string::npos) << int(static_cast<unsigned char>(c));
}

// A browser configured for another platform: the page goes to the host's
// viewer, and a viewer that cannot start is named in an error.
TEST_F(Browser, HtmlExportOpensTheHostViewerWhereTheBrowserIsMissing) {
    const std::string path = Path("Werk.dbf");
    MakeTable(path, {{"NAME", 'C', 12, 0}});
    AppendRaw(path, {{" ", "eins"}});
    DbfOpenTableChecked("Werk");
    HtmlBrowserPath = "c:\\Programme\\Internet Explorer\\Iexplore.exe";
    const auto saved = platform::GetEnv("KOR2_NOTEPAD");
    platform::SetEnv("KOR2_NOTEPAD", TempPath("no-viewer"));
    dialogs.answers.push_back(ScriptedAnswer::Type(TempPath("werk")));
    dbf4().mi_fileExportHtmlClick();
    if (saved)
        platform::SetEnv("KOR2_NOTEPAD", *saved);
    else
        unsetenv("KOR2_NOTEPAD");
    EXPECT_TRUE(platform::FileExists(TempPath("werk.htm")));
    ASSERT_EQ(dialogs.Of("message").size(), 1u);
    EXPECT_EQ(dialogs.Of("message")[0].text, "Kein Programm zum Anzeigen gestartet (" +
                                                 TempPath("no-viewer") + "): die Datei steht in " +
                                                 TempPath("werk.htm"));
}

TEST_F(Browser, DelimitedExportAndAppendFromTables) {
    Sample(2);
    MakeTable(Path("more.dbf"), {{"NAME", 'C', 10, 0}, {"QTY", 'N', 5, 0}});
    AppendRaw(Path("more.dbf"), {{" ", "M1", "    9"}});
    DbfOpenTableChecked("sample");
    dialogs.answers.push_back(ScriptedAnswer::Type(TempPath("out.txt")));
    dbf4().mi_fileSaveAsDelimitedClick();
    const std::string text = ReadText(TempPath("out.txt"));
    EXPECT_NE(text.find("\"R1\""), std::string::npos);
    EXPECT_NE(text.find("\"R2\""), std::string::npos);

    dialogs.answers.push_back(ScriptedAnswer::Type(Path("more.dbf")));
    dbf4().mi_fileAppenddbfClick();
    EXPECT_EQ(DbfRecordCount(), 3);
    dialogs.answers.push_back(ScriptedAnswer::Type(TempPath("out.txt")));
    dbf4().mi_fileAppendDelimitedClick();
    EXPECT_EQ(DbfRecordCount(), 5);
    // A cancelled dialog does nothing and leaves AbortFlag clear.
    dialogs.answers.push_back(ScriptedAnswer::Cancel());
    dbf4().mi_fileAppenddbfClick();
    EXPECT_FALSE(AbortFlag);
    EXPECT_EQ(DbfRecordCount(), 5);
    DbfCloseTable();
    const auto rows = Rows(Path("sample.dbf"));
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[2][1], "M1        ");
    EXPECT_EQ(rows[4][1], "R2        ");
}

// "Append Delimited" of a program file into the material table: refused with
// the engine's message before a record is written.
TEST_F(Browser, AppendDelimitedRefusesABinaryFile) {
    const std::string table = Path("fedwst.dbf");
    fs::copy_file(std::string(KOR2_SOURCE_DIR) + "/data/fedwst.dbf", table);
    const std::string before = ReadText(table);
    std::string binary = std::string(
                             "\x7F"
                             "ELF\x02\x01\x01",
                             7) +
                         std::string(9, '\0');
    std::mt19937 rng(18);
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>(rng());
    const std::string file = TempPath("kor2.bin");
    std::ofstream(file, std::ios::binary) << binary;

    DbfOpenTableChecked("fedwst");
    const int32_t records = DbfRecordCount();
    dialogs.answers.push_back(ScriptedAnswer::Type(file));
    try {
        dbf4().mi_fileAppendDelimitedClick();
        ADD_FAILURE() << "the binary file was taken";
    } catch (const ETableError& e) {
        EXPECT_NE(std::string(e.what()).find("Fehler Nr. 13 (Datenfehler)"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find(file + " ist keine Textdatei (Byte 02h an Stelle 5)"),
                  std::string::npos)
            << e.what();
    }
    EXPECT_EQ(DbfRecordCount(), records);
    DbfCloseTable();
    EXPECT_TRUE(ReadText(table) == before) << "the table file changed";
}

// Prints the table to the report file name.txt in TempFolder; its text.
std::string PrintToFile(ScriptedDialogs& dialogs, const std::string& name) {
    TextDevice = 3;
    AskTextDevice = false;
    dialogs.answers.push_back(ScriptedAnswer::Type(TempFolder + "\\" + name + ".txt"));
    dbf4().mi_filePrintClick();
    return ReadText(TempFolder + "/" + name + ".txt");
}

TEST_F(Browser, PrintShowsAtMostSevenFields) {
    std::vector<DbfFieldDef> fields;
    std::vector<std::string> row{" "};
    for (int i = 1; i <= 9; ++i) {
        fields.push_back({"FLD" + std::to_string(i), 'C', 4, 0});
        row.push_back("v" + std::to_string(i));
    }
    MakeTable(Path("wide.dbf"), fields);
    AppendRaw(Path("wide.dbf"), {row});
    DbfOpenTableChecked("wide");
    const std::string wide = PrintToFile(dialogs, "wide");
    ASSERT_FALSE(AbortFlag);
    EXPECT_NE(wide.find("FLD7"), std::string::npos);
    EXPECT_NE(wide.find("v7"), std::string::npos);
    EXPECT_EQ(wide.find("FLD8"), std::string::npos);
    EXPECT_EQ(wide.find("v8"), std::string::npos);
    DbfCloseTable();

    MakeTable(Path("narrow.dbf"), {{"AA", 'C', 2, 0}, {"BB", 'C', 2, 0}, {"CC", 'C', 2, 0}});
    AppendRaw(Path("narrow.dbf"), {{" ", "a1", "b1", "c1"}, {"*", "a2", "b2", "c2"}});
    DbfOpenTableChecked("narrow");
    const std::string narrow = PrintToFile(dialogs, "narrow");
    EXPECT_NE(narrow.find("CC"), std::string::npos);
    EXPECT_NE(narrow.find("c1"), std::string::npos);
    EXPECT_NE(narrow.find("c2"), std::string::npos);  // deleted records print too
}

// The page and the printed table name their files as the host writes them:
// "/" separators and the real case, whatever case the name was given in.
TEST_F(Browser, HtmlExportAndPrintShowPathsAsTheHostWritesThem) {
    // The print's title line holds the table's path only up to its width: the
    // table goes in a short folder, not in the temporary folder that may be long.
    const TempDir shortDir("/tmp");
    DbfFolder = shortDir.path().string();
    const std::string path = shortDir.file("Werk.dbf");
    MakeTable(path, {{"NAME", 'C', 12, 0}});
    AppendRaw(path, {{" ", "eins"}});
    DbfOpenTableChecked("WERK");
    std::string answer = TempPath("Seite");
    std::replace(answer.begin(), answer.end(), '/', '\\');
    dialogs.answers.push_back(ScriptedAnswer::Type(answer));
    dbf4().mi_fileExportHtmlClick();
    const std::string page = ReadText(TempPath("Seite.htm"));
    EXPECT_NE(page.find("<P>" + TempPath("Seite.htm") + "</P>"), std::string::npos) << page;
    EXPECT_EQ(page.find('\\'), std::string::npos) << page;

    const std::string printed = PrintToFile(dialogs, "liste");
    EXPECT_NE(printed.find(path + " "), std::string::npos) << printed;
    EXPECT_EQ(printed.find(UpperStr(path)), std::string::npos) << printed;
}

}  // namespace
}  // namespace kor2::test
