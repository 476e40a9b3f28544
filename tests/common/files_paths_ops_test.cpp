// Tests of the path routines and the file and folder operations on real
// files in a temporary folder.
#include <gtest/gtest.h>

#include "common/fileops.h"
#include "common/filepath.h"
#include "common/globals.h"
#include "files_testutil.h"
#include "support/childprocess.h"
#include "support/tempdir.h"

namespace kor2 {
namespace {

using test::Put;
using test::Slurp;

namespace fs = std::filesystem;

TEST(FilePaths, Backslashes) {
    EXPECT_EQ(AddBackslash("C:\\DATA"), "C:\\DATA\\");
    EXPECT_EQ(AddBackslash("C:\\DATA\\"), "C:\\DATA\\");
    EXPECT_EQ(AddBackslash("C:"), "C:");
    EXPECT_EQ(AddBackslash(""), "");
    EXPECT_EQ(AddBackslash("   "), "");
    EXPECT_EQ(AddBackslash("  dir  "), "dir\\");
    EXPECT_EQ(AddBackslash("a/"), "a/");
    EXPECT_EQ(AddBackslash("a."), "a.");
    // "." and ".." are folders: a name joined to them stays inside them.
    EXPECT_EQ(AddBackslash("."), ".\\");
    EXPECT_EQ(AddBackslash(" .. "), "..\\");
    EXPECT_EQ(AddBackslash("sub\\.."), "sub\\..\\");
    EXPECT_EQ(AddBackslash("sub/."), "sub/.\\");
    EXPECT_EQ(AddBackslash("C:."), "C:.\\");
    EXPECT_EQ(AddBackslash("a\\b."), "a\\b.");
    EXPECT_EQ(AddBackslash("..."), "...");
    EXPECT_EQ(AddBackslash("\x81"), "\x81");  // a DOS umlaut
    EXPECT_EQ(AddBackslash("x~"), "x~");      // code 126: not a name character here
    EXPECT_EQ(AddBackslashAlways("C:"), "C:\\");
    EXPECT_EQ(RemoveBackslash(" C:\\DATA\\ "), "C:\\DATA");
    EXPECT_EQ(RemoveBackslash("C:\\DATA"), "C:\\DATA");
}

TEST(FilePaths, NameParts) {
    EXPECT_EQ(ExtractBareFileName("C:\\TEMP\\spring.kr2"), "spring");
    EXPECT_EQ(ExtractBareFileName("name.txt"), "name");
    EXPECT_EQ(ExtractBareFileName("D:spring"), "spring");
    EXPECT_EQ(ExtractBareFileName("name."), "name.");  // a final "." is no extension
    EXPECT_EQ(ExtractFilePathL("C:\\a\\b.txt"), "C:\\a\\");
    EXPECT_EQ(ExtractFilePathL("a/b"), "a/");
    EXPECT_EQ(ExtractFilePathL("b.txt"), "");
    EXPECT_EQ(ExtractDrive("C:\\x"), "C:");
    EXPECT_EQ(ExtractDrive("\\x"), "");
    EXPECT_EQ(ExtractFileBaseName("C:\\a.b\\c.d.e"), "c.d");
    EXPECT_EQ(ExtractFileExtNoDot("a.b.c"), "b.c");
    EXPECT_EQ(ExtractFileExtNoDot("abc"), "");
}

class FileOpsTest : public ::testing::Test {
protected:
    void SetUp() override { InitProgramVariables(); }
    test::TempDir tmp;
    std::string Dir() const { return tmp.path().string(); }
};

TEST_F(FileOpsTest, DirWritableLeavesNoTestFile) {
    EXPECT_TRUE(IsDirWritable(Dir()));
    EXPECT_FALSE(fs::exists(tmp.file("x.$$$")));
    EXPECT_FALSE(IsDirWritable(Dir() + "\\missing"));
    EXPECT_FALSE(fs::exists(tmp.file("missing")));
    // Not even the superuser can create files here.
    EXPECT_FALSE(IsDirWritable("\\proc"));
    // Someone's own "x.$$$" is neither emptied nor erased by the test.
    Put(tmp.file("x.$$$"), "mine");
    EXPECT_TRUE(IsDirWritable(Dir()));
    EXPECT_EQ(Slurp(tmp.file("x.$$$")), "mine");
}

// Runs sharing a temporary folder test it at the same moment: another
// program's probe that comes and goes is no sign of a folder it cannot write.
TEST_F(FileOpsTest, DirWritableWhileAnotherProgramProbesTheSameFolder) {
    const std::string stop = tmp.file("stop");
    test::ChildSpec other;
    other.argv = {"sh", "-c", "while [ ! -e stop ]; do : > 'x.$$$'; rm -f 'x.$$$'; done"};
    other.folder = Dir();
    const pid_t pid = test::StartChild(other);
    ASSERT_GT(pid, 0);
    int refused = 0;
    for (int k = 0; k < 20000; ++k) refused += IsDirWritable(Dir()) ? 0 : 1;
    Put(stop, "");
    EXPECT_EQ(test::WaitChild(pid), 0);
    EXPECT_EQ(refused, 0);
}

TEST_F(FileOpsTest, ExistenceAttributesAndFolders) {
    Put(tmp.file("Data.TXT"), "x");
    fs::create_directory(tmp.file("sub"));
    EXPECT_TRUE(FileExistsIO(Dir() + "\\data.txt"));
    EXPECT_FALSE(FileExistsIO(Dir() + "\\sub"));
    EXPECT_FALSE(FileExistsIO(""));
    EXPECT_TRUE(HasAttr(Dir() + "\\sub", 16));
    EXPECT_FALSE(HasAttr(Dir() + "\\data.txt", 16));
    EXPECT_TRUE(DirExists(Dir() + "\\SUB\\"));
    EXPECT_FALSE(DirExists(Dir() + "\\data.txt"));
    EXPECT_FALSE(DirExists(""));
    EXPECT_TRUE(DirHasFiles(Dir()));
    EXPECT_FALSE(DirHasFiles(Dir() + "\\sub"));
    EXPECT_FALSE(DirHasFiles(Dir() + "\\nothere"));
    EXPECT_EQ(CountFiles(Dir() + "\\*.*"), 2);
    EXPECT_EQ(CountFiles(Dir() + "\\*.zzz"), 0);
}

TEST_F(FileOpsTest, EraseByNameAndMask) {
    Put(tmp.file("$a.dx$"), "1");
    Put(tmp.file("$b.dx$"), "2");
    Put(tmp.file("keep.txt"), "3");
    EraseMatchingFiles(Dir() + "\\", "$*.dx$");
    EXPECT_EQ(CountFiles(Dir() + "\\*.*"), 1);
    EraseFileIfExists(Dir() + "\\KEEP.TXT");
    EraseFileIfExists(Dir() + "\\none.txt");
    EXPECT_EQ(CountFiles(Dir() + "\\*.*"), 0);
}

TEST_F(FileOpsTest, CopiesIntoFoldersAndKeepOldTargetsOnFailure) {
    fs::create_directory(tmp.file("to"));
    Put(tmp.file("src.bin"), std::string(20000, 'q') + std::string("\0end", 4));
    EXPECT_TRUE(CopyFileFmx(Dir() + "\\src.bin", Dir() + "\\to"));
    EXPECT_EQ(Slurp(tmp.file("to/src.bin")), Slurp(tmp.file("src.bin")));

    CopyFileToDir(Dir() + "\\src.bin", Dir() + "\\to\\other.name");
    EXPECT_FALSE(AbortFlag);

    EXPECT_FALSE(CopyFileFmx(Dir() + "\\none.bin", Dir() + "\\to"));
    EXPECT_TRUE(AbortFlag);
    AbortFlag = false;

    Put(tmp.file("to/old.txt"), "old");
    CopyFileBlocks(Dir() + "\\none.bin", Dir() + "\\to\\old.txt");
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(Slurp(tmp.file("to/old.txt")), "old");
    AbortFlag = false;
    CopyFileBlocks(Dir() + "\\src.bin", Dir() + "\\to\\old.txt");
    EXPECT_FALSE(AbortFlag);
    EXPECT_EQ(Slurp(tmp.file("to/old.txt")), Slurp(tmp.file("src.bin")));
    CopyFileBlocks(Dir() + "\\src.bin", Dir() + "\\missing\\x.txt");
    EXPECT_TRUE(AbortFlag);
}

TEST_F(FileOpsTest, CopyMatchingReportsWhetherAnythingMatched) {
    fs::create_directory(tmp.file("a"));
    fs::create_directory(tmp.file("b"));
    Put(tmp.file("a/one.dbf"), "1");
    Put(tmp.file("a/two.dbf"), "2");
    Put(tmp.file("a/three.txt"), "3");
    AbortFlag = true;
    CopyMatchingFiles("*.dbf", Dir() + "\\a", Dir() + "\\b");
    EXPECT_FALSE(AbortFlag);
    EXPECT_EQ(CountFiles(Dir() + "\\b\\*.*"), 2);
    CopyMatchingFiles("*.ndx", Dir() + "\\a", Dir() + "\\b");
    EXPECT_TRUE(AbortFlag);
    // A copy that fails is not reported as success.
    CopyMatchingFiles("*.txt", Dir() + "\\a", Dir() + "\\nothere");
    EXPECT_TRUE(AbortFlag);
}

}  // namespace
}  // namespace kor2
