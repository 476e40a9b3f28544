// Tests of the shared text file and its line readers and writers: number
// forms, field lists, line ends, and that a write replaces a file only when
// it is complete.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "common/fileio.h"
#include "common/globals.h"
#include "common/textfile.h"
#include "files_testutil.h"
#include "support/asnobody.h"
#include "support/tempdir.h"

namespace kor2 {
namespace {

using test::Put;
using test::Slurp;

class TextFileTest : public ::testing::Test {
protected:
    void SetUp() override { InitProgramVariables(); }
    void TearDown() override { SharedTextFile.Discard(); }
    test::TempDir tmp;
};

TEST_F(TextFileTest, WritersUseTheFileFormatsWithCrLf) {
    SharedTextFile.Assign(tmp.file("a.txt"));
    ASSERT_TRUE(SharedTextFile.Rewrite());
    WriteExtLine(0);
    WriteExtLine(1);
    WriteExtLine(0.25);
    WriteExtLine(-3);
    WriteExtLine(12.5);
    WriteExtLine(-2.5);
    WriteIntLine(-42);
    WriteByteLine(true);
    WriteByteLine(false);
    WriteFields4("a", "b", "c", "d");
    WriteTextNoEol("end");
    ASSERT_TRUE(SharedTextFile.Close());
    EXPECT_FALSE(AbortFlag);
    EXPECT_EQ(Slurp(tmp.file("a.txt")),
              "0\r\n1.0000000\r\n0.2500000\r\n-3\r\n12.5000000\r\n-2.5000000\r\n-42\r\n"
              "TRUE\r\nFALSE\r\na|b|c|d|\r\nend");
}

TEST_F(TextFileTest, ReadersAcceptLfAndDecimalCommaAndParseFailuresGiveZero) {
    Put(tmp.file("r.txt"), "2,5\nx\ntrue\n\r\nabc\n12\r\n70000\nZrest\n3,25\na|b|c|d|\nonly|two\n");
    SharedTextFile.Assign(tmp.file("r.txt"));
    ASSERT_TRUE(SharedTextFile.Reset());
    Extended x = -1;
    ReadExtLine(x);
    EXPECT_EQ(x, 2.5L);
    ReadExtLine(x);
    EXPECT_EQ(x, 0.0L);
    EXPECT_FALSE(AbortFlag);
    bool b = false;
    ReadTrueLine(b);
    EXPECT_TRUE(b);
    b = false;
    ReadFalseLine(b);  // empty line
    EXPECT_TRUE(b);
    ReadTrueLine(b);  // "abc"
    EXPECT_FALSE(b);
    int32_t i = 0;
    ReadIntLine(i);
    EXPECT_EQ(i, 12);
    uint16_t w = 0;
    ReadWordLine(w);
    EXPECT_EQ(w, static_cast<uint16_t>(70000));
    char c = 0;
    ReadCharLine(c);
    EXPECT_EQ(c, 'Z');
    Real48 r;
    ReadRealLine(r);
    EXPECT_EQ(r.ToExtended(), 3.25L);
    std::string f1, f2, f3, f4;
    ReadFields4(f1, f2, f3, f4);
    EXPECT_EQ(f1 + f2 + f3 + f4, "abcd");
    ReadFields4(f1, f2, f3, f4);
    EXPECT_EQ(f1, "only");
    EXPECT_EQ(f2, "");
    EXPECT_EQ(f3, "");
    EXPECT_FALSE(AbortFlag);
    // Past the end: empty lines, not an input/output failure.
    std::string s = "old";
    ReadLineL(s);
    EXPECT_EQ(s, "");
    EXPECT_FALSE(AbortFlag);
    EXPECT_TRUE(SharedTextFile.Close());
}

TEST_F(TextFileTest, ReadingAClosedFileSetsAbortFlagAndKeepsBooleans) {
    bool b = true;
    ReadFalseLine(b);
    EXPECT_TRUE(AbortFlag);
    EXPECT_TRUE(b);
    AbortFlag = false;
    b = false;
    ReadTrueLine(b);
    EXPECT_TRUE(AbortFlag);
    EXPECT_FALSE(b);
    AbortFlag = false;
    WriteLineL("x");
    EXPECT_TRUE(AbortFlag);

    // The failures above are not read back; a following open that works
    // must not report them as its own.
    SharedTextFile.Assign(tmp.file("next.txt"));
    ASSERT_TRUE(SharedTextFile.Rewrite());
    EXPECT_EQ(SharedTextFile.IOResult(), ioOk);
}

TEST_F(TextFileTest, OldFileStaysUntilTheNewTextIsCompleteAndClosed) {
    const std::string path = tmp.file("spring.kr2");
    Put(path, "old contents\r\n");
    TextFile f;
    f.Assign(path);
    ASSERT_TRUE(f.Rewrite());
    f.WriteLine("new");
    EXPECT_EQ(Slurp(path), "old contents\r\n");
    f.Discard();  // an abandoned write
    EXPECT_EQ(Slurp(path), "old contents\r\n");
    ASSERT_TRUE(f.Rewrite());
    f.WriteLine("new");
    ASSERT_TRUE(f.Close());
    EXPECT_EQ(Slurp(path), "new\r\n");
    // Appending keeps what is there.
    ASSERT_TRUE(f.Append());
    f.WriteLine("more");
    ASSERT_TRUE(f.Close());
    EXPECT_EQ(Slurp(path), "new\r\nmore\r\n");
}

TEST_F(TextFileTest, RewriteFailsAtOnceForMissingFolderAndReadOnlyFile) {
    TextFile f;
    f.Assign(tmp.file("missing") + "\\x.txt");
    EXPECT_FALSE(f.Rewrite());
    EXPECT_NE(f.IOResult(), ioOk);
    EXPECT_EQ(f.IOResult(), ioOk);  // cleared by reading it

    const std::string ro = tmp.file("ro.txt");
    Put(ro, "keep");
    std::filesystem::permissions(ro, std::filesystem::perms::owner_read);
    f.Assign(ro);
    EXPECT_FALSE(f.Rewrite());
    EXPECT_EQ(f.IOResult(), ioAccessDenied);
    EXPECT_EQ(Slurp(ro), "keep");

    f.Assign(tmp.file("nothere.txt"));
    EXPECT_FALSE(f.Reset());
    EXPECT_EQ(f.IOResult(), ioFileNotFound);
    EXPECT_FALSE(std::filesystem::exists(tmp.file("nothere.txt")));
}

// In a folder all accounts may write, another account's link at the name is
// no way to elsewhere: writing and appending are refused, naming the link,
// and nothing is created or changed where it points. A link of the writer's
// own leads the write to the file it points to, and stays.
TEST_F(TextFileTest, ALinkAtTheNameIsFollowedOnlyWhenItIsTheWritersOwn) {
    namespace fs = std::filesystem;
    if (geteuid() != 0) GTEST_SKIP() << "planting as another account needs root";
    const fs::path shared = tmp.path() / "shared", victim = tmp.path() / "victim";
    fs::create_directories(shared);
    fs::create_directories(victim);
    fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
    Put((victim / "own").string(), "mine");
    fs::permissions(tmp.path(), fs::perms::others_exec, fs::perm_options::add);
    test::RunAsNobody({}, [&] {
        fs::create_symlink(victim / "nologin", shared / "f.txt");
        fs::create_symlink(victim / "own", shared / "g.txt");
    });
    fs::create_symlink(victim / "own", shared / "h.txt");
    for (const char* name : {"f.txt", "g.txt"}) {
        SCOPED_TRACE(name);
        TextFile f;
        f.Assign((shared / name).string());
        EXPECT_FALSE(f.Append());
        EXPECT_EQ(f.IOResult(), ioAccessDenied);
        EXPECT_FALSE(f.Rewrite());
        EXPECT_EQ(f.IOResult(), ioAccessDenied);
        EXPECT_NE(f.FailureDetail().find(name), std::string::npos) << f.FailureDetail();
        EXPECT_TRUE(fs::is_symlink(shared / name));
    }
    TextFile f;
    f.Assign((shared / "h.txt").string());
    ASSERT_TRUE(f.Rewrite());
    f.WriteLine("report");
    ASSERT_TRUE(f.Close());
    EXPECT_TRUE(fs::is_symlink(shared / "h.txt"));
    EXPECT_EQ(Slurp((victim / "own").string()), "report\r\n");
    EXPECT_FALSE(fs::exists(victim / "nologin"));
}

// A name is written in its own spelling: a file whose name differs only in
// case is another file, neither replaced nor in the way.
TEST_F(TextFileTest, WritesNeverReplaceAFileOfAnotherSpelling) {
    const std::string upper = tmp.file("A.txt"), lower = tmp.file("a.txt");
    Put(upper, "notes");
    std::filesystem::permissions(upper, std::filesystem::perms::owner_read);
    TextFile f;
    f.Assign(lower);
    ASSERT_TRUE(f.Rewrite());
    f.WriteLine("report");
    ASSERT_TRUE(f.Close());
    EXPECT_EQ(Slurp(upper), "notes");
    EXPECT_EQ(Slurp(lower), "report\r\n");
    f.Assign(tmp.file("b.txt"));
    Put(tmp.file("B.TXT"), "other");
    EXPECT_FALSE(f.Append());
    EXPECT_EQ(f.IOResult(), ioFileNotFound);
}

TEST_F(TextFileTest, FileHeaderBlock) {
    ReportTitleLines[1] = "Title one";
    ReportTitleLines[2] = "";
    ReportTitleLines[3] = "Three";
    SharedTextFile.Assign(tmp.file("h.kr2"));
    ASSERT_TRUE(SharedTextFile.Rewrite());
    WriteFileHeader();
    ASSERT_TRUE(SharedTextFile.Close());
    const std::string rule(65, '-');
    EXPECT_EQ(Slurp(tmp.file("h.kr2")), rule + "\r\n" + MainTitle.str() + "\r\nVersion " +
                                            ProgramVersion + "\r\n" + rule +
                                            "\r\nTitle one\r\n\r\nThree\r\n");
}

TEST_F(TextFileTest, HugeLinesAndBinaryBytesReadWithoutHarm) {
    std::string data(100000, 'A');
    data += "\r\n";
    data += '\0';
    data += "\xff\x1a\r\rB";
    Put(tmp.file("big.txt"), data);
    TextFile f;
    f.Assign(tmp.file("big.txt"));
    ASSERT_TRUE(f.Reset());
    std::string line;
    f.ReadLine(line);
    EXPECT_EQ(line.size(), 100000u);
    f.ReadLine(line);
    EXPECT_EQ(line, std::string("\0\xff\x1a", 3));
    f.ReadLine(line);
    EXPECT_EQ(line, "");
    f.ReadLine(line);
    EXPECT_EQ(line, "B");
    EXPECT_TRUE(f.Eof());
}

}  // namespace
}  // namespace kor2
