// The procedural table interface: the checked open with its write check,
// positioning with the range rules, the key search with the decimal retry,
// and field access by number and by name.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/hostfs.h"
#include "procedural_testutil.h"
#include "support/asnobody.h"

namespace kor2::test {
namespace {

namespace fs = std::filesystem;

using DbfProc = DbfProcTest;

// No probe file of the write check is left in folder.
bool NoProbeLeft(const fs::path& folder) {
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().filename().string().rfind("TST", 0) == 0) return false;
    return true;
}

TEST_F(DbfProc, CheckedOpenAddsExtensionAndLeavesNoProbeFile) {
    Sample(3);
    DbfOpenTableChecked("sample");
    ASSERT_FALSE(AbortFlag);
    EXPECT_TRUE(dbf4().tbdbf.Active());
    EXPECT_EQ(DbfRecordCount(), 3);
    EXPECT_EQ(dbf4().Label_filename, DbfFolder + "\\sample.dbf");
    DbfCloseTable();
    // A name with a point is taken as it is.
    DbfOpenTableChecked("sample.dbf");
    EXPECT_TRUE(dbf4().tbdbf.Active());
    DbfCloseTable();
    EXPECT_TRUE(NoProbeLeft(dir_.path()));
    EXPECT_FALSE(fs::exists(temp_.path() / "sample.dbf"));
}

TEST_F(DbfProc, UnreadableTableSetsAbortAndOpensNothing) {
    DbfOpenTableChecked("missing");
    EXPECT_TRUE(AbortFlag);
    EXPECT_FALSE(dbf4().tbdbf.Active());
    const auto shown = dialogs.Of("message");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].text.find("nicht gefunden oder kein Zugriffsrecht !"), std::string::npos);
}

TEST_F(DbfProc, ReadOnlyTableIsEditedAsWritableCopyInTemp) {
    const std::string original = Sample(2);
    ASSERT_TRUE(platform::SetReadOnly(original, true));
    // A read-only copy made earlier in the run does not stop the new copy.
    fs::copy_file(original, RunTempPath("sample.dbf"));
    ASSERT_TRUE(platform::SetReadOnly(RunTempPath("sample.dbf"), true));
    DbfOpenTableChecked("sample");
    ASSERT_FALSE(AbortFlag);
    EXPECT_EQ(dbf4().Label_filename, RunTempFolder() + "sample.dbf");
    DbfSetFieldStrByName("NAME", "changed");
    DbfSkip(0);
    DbfCloseTable();
    const auto copyAttr = platform::GetFileAttributes(RunTempPath("sample.dbf"));
    const auto origAttr = platform::GetFileAttributes(original);
    ASSERT_TRUE(copyAttr && origAttr);
    EXPECT_EQ(*copyAttr & platform::faReadOnly, 0u);
    EXPECT_NE(*origAttr & platform::faReadOnly, 0u);
    EXPECT_EQ(Rows(RunTempPath("sample.dbf"))[0][1], "changed   ");
    EXPECT_EQ(Rows(original)[0][1], "R1        ");
    platform::SetReadOnly(original, false);
    EXPECT_TRUE(NoProbeLeft(dir_.path()));
}

TEST_F(DbfProc, UnwritableFolderOpensCopyInTemp) {
    Sample(2);
    fs::permissions(dir_.path(), fs::perms::owner_write, fs::perm_options::remove);
    test::RunAsNobody({dir_.path(), temp_.path()}, [&] {
        DbfOpenTableChecked("sample");
        ASSERT_FALSE(AbortFlag);
        EXPECT_EQ(dbf4().Label_filename, RunTempFolder() + "sample.dbf");
        DbfCloseTable();
        EXPECT_TRUE(NoProbeLeft(platform::HostPath(RunTempFolder())));
    });
    fs::permissions(dir_.path(), fs::perms::owner_write, fs::perm_options::add);
    EXPECT_TRUE(NoProbeLeft(dir_.path()));
}

// The run goes on working on its copy: a record appended there is found by
// the next open, as is a change; a table of the same name in another folder
// gets a copy of its own.
TEST_F(DbfProc, CopyInTempIsMadeOnceAndKeepsWhatWasChanged) {
    Sample(2);
    const std::string other = TempPath("other");
    fs::create_directory(other);
    fs::copy_file(dir_.path() / "sample.dbf", fs::path(other) / "sample.dbf");
    fs::permissions(dir_.path(), fs::perms::owner_write, fs::perm_options::remove);
    fs::permissions(other, fs::perms::owner_write, fs::perm_options::remove);
    test::RunAsNobody({dir_.path(), temp_.path()}, [&] {
        DbfOpenTableChecked("sample");
        ASSERT_FALSE(AbortFlag);
        DbfSetFieldStrByName("NAME", "neu");
        DbfAppendBlank();
        DbfCloseTable();
        DbfOpenTableChecked("SAMPLE.DBF");
        ASSERT_FALSE(AbortFlag);
        EXPECT_EQ(dbf4().Label_filename, RunTempFolder() + "SAMPLE.DBF");
        EXPECT_EQ(DbfRecordCount(), 3);
        DbfGoRecord(3);
        EXPECT_EQ(Str(1), "neu");
        DbfCloseTable();

        DbfFolder = other;
        DbfOpenTableChecked("sample");
        ASSERT_FALSE(AbortFlag);
        EXPECT_EQ(DbfRecordCount(), 2);
        DbfCloseTable();
    });
    fs::permissions(dir_.path(), fs::perms::owner_write, fs::perm_options::add);
    fs::permissions(other, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(Rows((dir_.path() / "sample.dbf").string()).size(), 2u);
}

TEST_F(DbfProc, GoRecordRangeRules) {
    Sample(10);
    DbfOpenTableChecked("sample");
    DbfGoRecordChecked(0);
    EXPECT_EQ(DbfRecNo(), 1);
    DbfGoRecordChecked(7);
    EXPECT_EQ(DbfRecNo(), 7);
    EXPECT_EQ(ErrorList.count, 0);
    DbfGoRecordChecked(15);
    EXPECT_EQ(DbfRecNo(), 10);
    EXPECT_EQ(ErrorList.count, 1);
    EXPECT_TRUE(InErrorList("DBF #15 not found."));
    DbfGoRecord(11);
    EXPECT_EQ(DbfRecNo(), 1);
    DbfGoRecord(-3);
    EXPECT_EQ(DbfRecNo(), 1);
}

TEST_F(DbfProc, PositioningAnEmptyTableIsHarmless) {
    MakeTable(Path("empty.dbf"), {{"A", 'C', 3, 0}});
    DbfOpenTableChecked("empty");
    DbfGoRecordChecked(1);
    EXPECT_TRUE(InErrorList("DBF #1 not found."));
    DbfGoRecord(0);
    DbfGoTop();
    DbfSkip(0);
    EXPECT_TRUE(DbfEof());
    EXPECT_EQ(DbfRecordCount(), 0);
    DbfCreateIndexInTemp("A", "empty");
    DbfFindKey("x");
    EXPECT_FALSE(DbfFound());
}

TEST_F(DbfProc, SkipMovesAndZeroRereads) {
    Sample(4);
    DbfOpenTableChecked("sample");
    DbfGoTop();
    DbfSkip(2);
    EXPECT_EQ(DbfRecNo(), 3);
    // Another writer changes record 3; Skip(0) stays and shows the change.
    {
        TTbDbf other;
        OpenOn(other, dir_.file("sample.dbf"));
        other.Go(3);
        other.SetFieldString("NAME", "other");
        other.Post();
        other.Close();
    }
    DbfSkip(0);
    EXPECT_EQ(DbfRecNo(), 3);
    EXPECT_EQ(Str(1), "other");
    DbfSkip(-2);
    EXPECT_EQ(DbfRecNo(), 1);
    int seen = 0;
    for (DbfGoTop(); !DbfEof(); DbfSkip(1)) ++seen;
    EXPECT_EQ(seen, 4);
}

TEST_F(DbfProc, FindKeyRetriesWithDecimalComma) {
    const std::string path = Path("keys.dbf");
    MakeTable(path, {{"KEY", 'C', 6, 0}, {"VAL", 'N', 4, 0}});
    AppendRaw(path, {{" ", "0,5", "1"}, {" ", "1,5", "2"}, {" ", "2.5", "3"}});
    DbfOpenTableChecked("keys.dbf");
    DbfCreateIndexInTemp("KEY", "keys");
    DbfFindKey("1.5");
    EXPECT_TRUE(DbfFound());
    EXPECT_EQ(Str(2), "2");
    // A key with a point that exists is found as it is.
    DbfFindKey("2.5");
    EXPECT_TRUE(DbfFound());
    EXPECT_EQ(Str(2), "3");
    DbfFindKey("7.5");
    EXPECT_FALSE(DbfFound());
    DbfCloseTable();
    EXPECT_TRUE(fs::exists(RunTempPath("keys.NDX")) || fs::exists(RunTempPath("keys.ndx")));
}

TEST_F(DbfProc, FieldAccessByNumberAndName) {
    const std::string path = Path("fields.dbf");
    MakeTable(path, {{"TEMPERATUR", 'N', 8, 2}, {"NAME", 'C', 8, 0}, {"OK", 'L', 1, 0}});
    AppendRaw(path, {{" ", "   12.50", "abc", "T"}, {" ", "    1.00", "def", "F"}});
    DbfOpenTableChecked("fields");
    std::string name;
    DbfGetFieldName(1, name);
    EXPECT_EQ(name, "TEMPERATUR");
    DbfGetFieldName(0, name);
    EXPECT_EQ(name, "");
    DbfGetFieldName(4, name);
    EXPECT_EQ(name, "");
    DbfGoRecord(1);
    std::string s;
    DbfGetFieldStr(1, s);
    EXPECT_EQ(s, "   12.50");
    EXPECT_TRUE(DbfGetFieldBoolByName("OK"));

    // Invalid numbers change nothing and leave the data set browsing.
    DbfSetFieldStr(0, "x");
    DbfSetFieldStr(4, "x");
    DbfSetFieldInt(-1, 5);
    EXPECT_EQ(dbf4().tbdbf.State(), TDataSetState::dsBrowse);

    // A name longer than 10 characters matches by its first 10.
    DbfSetFieldRealByName("TEMPERATURE", Real48::FromExtended(3.25L));
    DbfSetFieldStr(2, "xyz");
    DbfSetFieldBoolByName("OK", false);
    DbfSkip(0);
    DbfGoRecord(2);
    DbfSetFieldInt(1, 7);
    DbfSkip(0);
    DbfCloseTable();
    const auto rows = Rows(path);
    EXPECT_EQ(rows[0][1], "    3.25");
    EXPECT_EQ(rows[0][2], "xyz     ");
    EXPECT_EQ(rows[0][3], "F");
    EXPECT_EQ(rows[1][1], "    7.00");
}

TEST_F(DbfProc, AppendedRecordTakesWrittenFieldsOthersUnchanged) {
    Sample(3);
    DbfOpenTableChecked("sample");
    DbfGoRecord(2);
    DbfAppendBlank();
    EXPECT_EQ(DbfRecordCount(), 4);
    EXPECT_EQ(DbfRecNo(), 4);
    DbfSetFieldStrByName("NAME", "new");
    DbfSetFieldIntByName("QTY", 44);
    DbfSkip(0);
    DbfCloseTable();
    const auto rows = Rows(Path("sample.dbf"));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[1][1], "R2        ");
    EXPECT_EQ(rows[3][1], "new       ");
    EXPECT_EQ(rows[3][3], "   44");
}

// Fields assigned before the append go into the new record; the record
// that was current keeps what it had (no post of a pending edit into it).
TEST_F(DbfProc, AssignedThenAppendedValuesGoToNewRecordOnly) {
    Sample(3);
    const auto before = Rows(Path("sample.dbf"));
    DbfOpenTableChecked("sample");
    DbfGoRecord(2);
    DbfSetFieldStrByName("NAME", "assigned");
    DbfSetFieldIntByName("QTY", 77);
    DbfAppendBlank();
    EXPECT_EQ(DbfRecNo(), 4);
    EXPECT_EQ(Str(1), "assigned");
    DbfCloseTable();
    const auto rows = Rows(Path("sample.dbf"));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[1], before[1]);
    EXPECT_EQ(rows[3][0], " ");
    EXPECT_EQ(rows[3][1], "assigned  ");
    EXPECT_EQ(rows[3][3], "   77");
}

}  // namespace
}  // namespace kor2::test
