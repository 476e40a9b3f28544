#include "platform/hostfs.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/oemtext.h"
#include "support/asnobody.h"
#include "support/tempdir.h"

namespace kor2::platform {
namespace {

namespace fs = std::filesystem;

// A host path in the program's form ("\" separators).
std::string Prog(const std::string& host) {
    std::string s = host;
    std::replace(s.begin(), s.end(), '/', '\\');
    return s;
}

void WriteText(const fs::path& p, const std::string& text) {
    std::ofstream out(p, std::ios::binary);
    out << text;
}

std::string ReadText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Names in a folder, for checking that no temporary file is left behind.
std::vector<std::string> Listing(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Restores the current folder at the end of a test.
struct CwdGuard {
    std::string saved = GetCurrentDir();
    ~CwdGuard() { SetCurrentDir(saved); }
};

class HostFs : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(tmp.path() / "data");
        WriteText(tmp.path() / "data" / "fedwst.dbf", "fedwst");
    }
    std::string root() const { return Prog(tmp.path().string()); }
    test::TempDir tmp;
};

TEST_F(HostFs, FindsExistingComponentsRegardlessOfCase) {
    const std::string want = (tmp.path() / "data" / "fedwst.dbf").string();
    EXPECT_EQ(HostPath(root() + "\\Data\\FEDWST.DBF"), want);
    EXPECT_EQ(HostPath(root() + "\\DATA\\FedWst.Dbf"), want);
    File f = File::Open(root() + "\\Data\\FEDWST.DBF", OpenMode::Read);
    ASSERT_TRUE(f.IsOpen()) << f.Error();
    char buf[16] = {};
    EXPECT_EQ(f.Read(buf, sizeof buf), 6);
    EXPECT_EQ(std::string(buf), "fedwst");
    EXPECT_TRUE(FileExists(root() + "\\DATA\\FEDWST.DBF"));
    EXPECT_TRUE(DirectoryExists(root() + "\\DATA"));
    EXPECT_FALSE(DirectoryExists(root() + "\\DATA\\FEDWST.DBF"));
}

TEST_F(HostFs, DriveIsDropped) {
    const std::string want = (tmp.path() / "data" / "fedwst.dbf").string();
    EXPECT_EQ(HostPath("C:" + root() + "\\Data\\FEDWST.DBF"), want);
    EXPECT_EQ(HostPath("d:" + root() + "\\Data\\FEDWST.DBF"), want);
    EXPECT_EQ(HostPath("C:\\"), "/");
    EXPECT_EQ(HostPath("C:"), ".");
    EXPECT_EQ(HostPath(""), "");
    EXPECT_EQ(HostPath("\\tmp\\"), "/tmp/");
    EXPECT_TRUE(File::Open("C:" + root() + "\\DATA\\fedwst.DBF", OpenMode::Read).IsOpen());
}

TEST_F(HostFs, RelativePathsStayRelative) {
    CwdGuard guard;
    ASSERT_TRUE(SetCurrentDir(root()));
    EXPECT_EQ(GetCurrentDir(), fs::canonical(tmp.path()).string());
    EXPECT_EQ(HostPath("Data\\FEDWST.DBF"), "data/fedwst.dbf");
    EXPECT_EQ(HostPath("C:Data\\FEDWST.DBF"), "data/fedwst.dbf");
    EXPECT_EQ(HostPath(".\\DATA\\..\\Data\\Fedwst.dbf"), "./data/../data/fedwst.dbf");
    EXPECT_TRUE(FileExists("DATA\\FEDWST.DBF"));
}

TEST_F(HostFs, MissingComponentsKeptAsWritten) {
    EXPECT_EQ(HostPath(root() + "\\Data\\New\\File.TXT"),
              (tmp.path() / "data" / "New" / "File.TXT").string());
    File f = File::Open(root() + "\\Data\\MISSING.DBF", OpenMode::Read);
    EXPECT_FALSE(f.IsOpen());
    EXPECT_EQ(f.Error(), ENOENT);
    EXPECT_FALSE(FileExists(root() + "\\Data\\MISSING.DBF"));
    EXPECT_FALSE(ReadWholeFile(root() + "\\Data\\MISSING.DBF").has_value());
    EXPECT_FALSE(FileSizeOf(root() + "\\Data\\MISSING.DBF").has_value());
    EXPECT_FALSE(GetFileAttributes(root() + "\\Data\\MISSING.DBF").has_value());
}

TEST_F(HostFs, CreateInFolderOfOtherCase) {
    File f = File::Create(root() + "\\DATA\\NEW.DBF");
    ASSERT_TRUE(f.IsOpen()) << f.Error();
    EXPECT_EQ(f.Write("abc", 3), 3);
    f.Close();
    EXPECT_EQ(ReadText(tmp.path() / "data" / "NEW.DBF"), "abc");
    // Created by another spelling it is another file: the first stays.
    File g = File::Create(root() + "\\data\\new.dbf");
    ASSERT_TRUE(g.IsOpen());
    g.Close();
    EXPECT_EQ(Listing(tmp.path() / "data"),
              (std::vector<std::string>{"NEW.DBF", "fedwst.dbf", "new.dbf"}));
    EXPECT_EQ(ReadText(tmp.path() / "data" / "NEW.DBF"), "abc");
}

// A name that exists in another spelling only is found to read it, but a
// file is created, replaced or renamed onto only in its own spelling.
TEST_F(HostFs, OtherSpellingIsTakenOnlyToRead) {
    const fs::path dir = tmp.path() / "data";
    WriteText(dir / "e.txt", "old");
    const std::string upper = root() + "\\Data\\E.TXT";
    EXPECT_EQ(*ReadWholeFile(upper), "old");
    EXPECT_TRUE(FileExists(upper));
    EXPECT_EQ(HostPath(upper), (dir / "e.txt").string());
    EXPECT_EQ(HostPath(upper, Lookup::Write), (dir / "E.TXT").string());
    EXPECT_EQ(EntryKindOf(upper), EntryKind::File);
    EXPECT_EQ(EntryKindOf(upper, Lookup::Write), EntryKind::Missing);

    ASSERT_TRUE(WriteFileReplacing(upper, "replacing"));
    {
        File f = File::Create(root() + "\\Data\\E.Txt");
        ASSERT_TRUE(f.IsOpen()) << f.Error();
    }
    WriteText(dir / "moved", "moved");
    ASSERT_TRUE(RenameFile(root() + "\\data\\moved", root() + "\\DATA\\e.TXT"));
    ASSERT_TRUE(CreateDir(root() + "\\Data\\FEDWST.DBF"));
    EXPECT_EQ(Listing(dir), (std::vector<std::string>{"E.TXT", "E.Txt", "FEDWST.DBF", "e.TXT",
                                                      "e.txt", "fedwst.dbf"}));
    EXPECT_EQ(ReadText(dir / "e.txt"), "old");
    EXPECT_EQ(ReadText(dir / "fedwst.dbf"), "fedwst");
    // Now that they exist, each name finds its own file.
    EXPECT_EQ(*ReadWholeFile(upper), "replacing");
    EXPECT_EQ(*ReadWholeFile(root() + "\\data\\e.TXT"), "moved");
    EXPECT_EQ(ExistingName(upper), upper);
}

// The spelling of a file found by another one: what a program that opened
// it uses to replace it or to name the files that belong to it.
TEST_F(HostFs, ExistingNameGivesTheSpellingOnDisk) {
    WriteText(tmp.path() / "data" / "Müller.DBF", "x");
    EXPECT_EQ(ExistingName(root() + "\\DATA\\M\x9ALLER.dbf"), root() + "\\DATA\\M\x81ller.DBF");
    EXPECT_EQ(ExistingName("C:" + root() + "\\data\\FedWst.Dbf"),
              "C:" + root() + "\\data\\fedwst.dbf");
    EXPECT_EQ(ExistingName(root() + "\\data\\none.dbf"), root() + "\\data\\none.dbf");
    EXPECT_EQ(ExistingName(root() + "/data/FEDWST.DBF"), root() + "/data/fedwst.dbf");
}

TEST_F(HostFs, ExactMatchWins) {
    WriteText(tmp.path() / "abc", "lower");
    WriteText(tmp.path() / "ABC", "upper");
    EXPECT_EQ(*ReadWholeFile(root() + "\\abc"), "lower");
    EXPECT_EQ(*ReadWholeFile(root() + "\\ABC"), "upper");
    // No exact match: one of them, the same every time.
    EXPECT_EQ(HostPath(root() + "\\Abc"), (tmp.path() / "ABC").string());
}

TEST_F(HostFs, ProgramNamesInCodePage850MatchUtf8Names) {
    WriteText(tmp.path() / "Müller.txt", "x");
    // "\x9A" is "Ü", "\x81" is "ü", "\xE1" is "ß" in code page 850.
    EXPECT_EQ(HostPath(root() + "\\M\x9ALLER.TXT"), (tmp.path() / "Müller.txt").string());
    EXPECT_EQ(HostPath(root() + "\\M\x81ller.txt"), (tmp.path() / "Müller.txt").string());
    // A new name is written in UTF-8.
    EXPECT_EQ(HostPath(root() + "\\Ma\xE1.txt"), (tmp.path() / "Maß.txt").string());
    const auto found = FindFiles(root() + "\\m*.txt");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].name, "M\x81ller.txt");
    EXPECT_EQ(FindFiles(root() + "\\m\x9ALLER.TXT").size(), 1u);
}

TEST_F(HostFs, HostNamesThatCodePage850LacksAreNotOffered) {
    EXPECT_EQ(HostToProgram("Feder prüf größe.kr2"), std::string("Feder prüf größe.kr2"_oem));
    EXPECT_EQ(HostToProgram("/tmp/plain"), "/tmp/plain");
    EXPECT_EQ(HostToProgram("Feder \u03B1.kr2"), std::nullopt);  // Greek alpha
    EXPECT_EQ(HostToProgram("\u5F39\u7C27.kr2"), std::nullopt);  // CJK
    EXPECT_EQ(HostToProgram(std::string("pr\xFC") + "f.kr2"), std::nullopt);  // no UTF-8
    WriteText(tmp.path() / "Feder \u03B1.kr2", "x");
    WriteText(tmp.path() / "Feder ä.kr2", "x");
    WriteText(tmp.path() / "a\\b.kr2", "x");  // would read as folder "a" and file "b.kr2"
    const auto found = FindFiles(root() + "\\*.kr2");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].name, "Feder ä.kr2"_oem);
}

// Names copied from other systems often hold a letter and a combining mark
// ("u" and U+0308) where the program's code page has one character: such a
// name is the same name as the composed one, for reading and for writing.
TEST_F(HostFs, DecomposedNamesAreTheComposedOnes) {
    const std::string decomposed = "Mu\u0308ller A\u030Angstro\u0308m.kr2";
    EXPECT_EQ(HostToProgram(decomposed), std::string("Müller Ångström.kr2"_oem));
    EXPECT_EQ(HostToProgram("Cac\u0327a y\u0308 E\u0301"), std::string("Caça ÿ É"_oem));
    // A mark the code page has no composed character for stays refused.
    EXPECT_EQ(HostToProgram("q\u0308.kr2"), std::nullopt);
    EXPECT_EQ(HostToProgram("a\u0308\u0301.kr2"), std::nullopt);
    WriteText(tmp.path() / decomposed, "spring");
    const auto found = FindFiles(root() + "\\*.kr2");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].name, "Müller Ångström.kr2"_oem);
    const std::string name = root() + "\\" + found[0].name;
    EXPECT_EQ(*ReadWholeFile(name), "spring");
    EXPECT_EQ(HostPath(name, Lookup::Write), (tmp.path() / decomposed).string());
    ASSERT_TRUE(WriteFileReplacing(name, "saved"));
    EXPECT_EQ(ReadText(tmp.path() / decomposed), "saved");
    EXPECT_EQ(FindFiles(root() + "\\*.kr2").size(), 1u);
}

// Code page 850 holds characters that 1252 lacks (the dotless i, box
// drawing); each counts as one character, as in the program's texts.
TEST_F(HostFs, NamesOutsideCodePage1252MatchPerCharacter) {
    WriteText(tmp.path() / "Sıcak.kr2", "x");
    WriteText(tmp.path() / "a║b.txt", "x");
    for (const std::string mask : {"*.kr2", "*.KR2", "?????.kr2", "sı*.*"_oem}) {
        const auto found = FindFiles(root() + "\\" + mask);
        ASSERT_EQ(found.size(), 1u) << mask;
        EXPECT_EQ(found[0].name, "Sıcak.kr2"_oem);
    }
    EXPECT_TRUE(FindFiles(root() + "\\??????.kr2").empty());
    EXPECT_TRUE(FileExists(root() + "\\" + "SıCAK.KR2"_oem));
    EXPECT_EQ(HostPath(root() + "\\" + "A║B.TXT"_oem), (tmp.path() / "a║b.txt").string());
    EXPECT_EQ(FindFiles(root() + "\\A?B.*").size(), 1u);
}

// A folder that may be passed through but not listed (mode 0711, owned by
// another account) hides the case of what lies below it: the run's temporary
// folder, and a table the run has found before, are still found when their
// paths come upper-cased.
TEST_F(HostFs, PathBelowAFolderThatCannotBeListed) {
    const passwd* nobody = getpwnam("nobody");
    if (geteuid() != 0 || nobody == nullptr)
        GTEST_SKIP() << "needs root to run the lookup as the account nobody";
    const fs::path pass = tmp.path() / "pass";
    fs::create_directories(pass / "utmp" / "kor2-AbC");
    fs::create_directories(pass / "Shared");
    WriteText(pass / "utmp" / "kor2-AbC" / "fedwst.dbf", "fedwst");
    WriteText(pass / "Shared" / "Tab.dbf", "tab");
    fs::permissions(tmp.path(), fs::perms::owner_all | fs::perms::group_read |
                                    fs::perms::group_exec | fs::perms::others_read |
                                    fs::perms::others_exec);
    fs::permissions(pass, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    auto upper = [](std::string path) {
        std::transform(path.begin(), path.end(), path.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        return path;
    };
    const std::string temp = upper(root() + "\\PASS\\UTMP\\KOR2-ABC\\FEDWST.DBF");
    const std::string table = upper(root() + "\\PASS\\SHARED\\TAB.DBF");
    test::RunAsNobody({}, [&] {
        setenv("TMPDIR", (pass / "utmp").c_str(), 1);
        unsetenv("TEMP");
        EXPECT_TRUE(FileExists(temp));
        EXPECT_EQ(HostPath(temp), (pass / "utmp" / "kor2-AbC" / "fedwst.dbf").string());
        ASSERT_TRUE(FileExists(Prog((pass / "Shared" / "Tab.dbf").string())));
        EXPECT_TRUE(FileExists(table));
        EXPECT_EQ(HostPath(table), (pass / "Shared" / "Tab.dbf").string());
    });
}

TEST_F(HostFs, ReadWriteSeek) {
    File f = File::Create(root() + "\\rw.bin");
    ASSERT_TRUE(f.IsOpen());
    EXPECT_EQ(f.Write("0123456789", 10), 10);
    EXPECT_EQ(f.Position(), 10);
    EXPECT_EQ(f.Size(), 10);
    EXPECT_TRUE(f.Seek(4));
    char buf[8] = {};
    EXPECT_EQ(f.Read(buf, 3), 3);
    EXPECT_EQ(std::string(buf, 3), "456");
    EXPECT_EQ(f.Position(), 7);
    EXPECT_EQ(f.Read(buf, 8), 3);  // up to the end
    EXPECT_EQ(f.Read(buf, 8), 0);
    EXPECT_EQ(f.WriteAt(12, "xy", 2), 2);
    EXPECT_EQ(f.Size(), 14);
    EXPECT_EQ(f.ReadAt(10, buf, 4), 4);
    EXPECT_EQ(std::string(buf, 4), std::string("\0\0xy", 4));
    EXPECT_TRUE(f.Truncate(5));
    EXPECT_EQ(f.Size(), 5);
    EXPECT_TRUE(f.Flush());
    EXPECT_FALSE(f.Seek(-1));
    File moved = std::move(f);
    EXPECT_FALSE(f.IsOpen());
    EXPECT_TRUE(moved.IsOpen());
    EXPECT_EQ(moved.Size(), 5);
    moved.Close();
    EXPECT_EQ(moved.Read(buf, 1), -1);
    EXPECT_EQ(FileSizeOf(root() + "\\RW.BIN"), 5);
}

TEST_F(HostFs, OpenModes) {
    File r = File::Open(root() + "\\data\\fedwst.dbf", OpenMode::Read);
    ASSERT_TRUE(r.IsOpen());
    EXPECT_EQ(r.Write("x", 1), -1);
    File w = File::Open(root() + "\\data\\fedwst.dbf", OpenMode::Write);
    ASSERT_TRUE(w.IsOpen());
    char c;
    EXPECT_EQ(w.Read(&c, 1), -1);
    EXPECT_EQ(w.Write("F", 1), 1);
    EXPECT_EQ(r.Read(&c, 1), 1);
    EXPECT_EQ(c, 'F');
    EXPECT_FALSE(File::Open(root() + "\\data", OpenMode::Read).IsOpen());
}

TEST_F(HostFs, LocksContendBetweenOpensOfOneProcess) {
    const std::string path = root() + "\\Data\\FEDWST.DBF";
    File a = File::Open(path, OpenMode::ReadWrite);
    File b = File::Open(path, OpenMode::ReadWrite);
    ASSERT_TRUE(a.IsOpen() && b.IsOpen());
    const int64_t rec = 0x40000000 + 42;
    EXPECT_TRUE(a.Lock(rec, 1));
    EXPECT_TRUE(a.Lock(rec, 1));  // the holder may lock again
    EXPECT_FALSE(b.Lock(rec, 1));
    EXPECT_FALSE(b.Lock(rec - 10, 20));  // overlapping
    EXPECT_TRUE(b.Lock(rec + 1, 1));     // a different range
    EXPECT_FALSE(a.Lock(rec + 1, 1));
    EXPECT_TRUE(a.Unlock(rec, 1));
    EXPECT_TRUE(b.Lock(rec, 1));
    a.Close();
    b.Close();
    // Closing releases the locks.
    File c = File::Open(path, OpenMode::ReadWrite);
    EXPECT_TRUE(c.Lock(rec, 2));
}

TEST_F(HostFs, LockHeldByChildProcessRefusesParent) {
    const std::string path = root() + "\\Data\\FEDWST.DBF";
    const int64_t rec = 0x40000000 + 7;
    int toParent[2], toChild[2];
    ASSERT_EQ(pipe(toParent), 0);
    ASSERT_EQ(pipe(toChild), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        File f = File::Open(path, OpenMode::ReadWrite);
        const char ok = f.IsOpen() && f.Lock(rec, 1) ? 'L' : 'E';
        (void)!write(toParent[1], &ok, 1);
        char c;
        (void)!read(toChild[0], &c, 1);  // hold the lock until the parent is done
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(toParent[0], &c, 1), 1);
    ASSERT_EQ(c, 'L');
    File f = File::Open(path, OpenMode::ReadWrite);
    ASSERT_TRUE(f.IsOpen());
    EXPECT_FALSE(f.Lock(rec, 1));
    EXPECT_TRUE(f.Lock(rec + 1, 1));
    (void)!write(toChild[1], "x", 1);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(f.Lock(rec, 1));  // released with the child's exit
    for (int fd : {toParent[0], toParent[1], toChild[0], toChild[1]}) close(fd);
}

TEST_F(HostFs, DenyWriteRefusesSecondWriter) {
    const std::string path = root() + "\\Data\\FEDWST.DBF";
    File first = File::Open(path, OpenMode::Read, 0x20);
    ASSERT_TRUE(first.IsOpen());
    File writer = File::Open(path, OpenMode::Write, 0x40);
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_EQ(writer.Error(), EBUSY);
    EXPECT_FALSE(File::Open(path, OpenMode::ReadWrite, 0x40).IsOpen());
    EXPECT_TRUE(File::Open(path, OpenMode::Read, 0x40).IsOpen());
    EXPECT_TRUE(File::Open(path, OpenMode::Read, 0x20).IsOpen());
    // Nor may anyone truncate it.
    EXPECT_FALSE(File::Create(root() + "\\Data\\fedwst.dbf").IsOpen());
    EXPECT_EQ(ReadText(tmp.path() / "data" / "fedwst.dbf"), "fedwst");
    first.Close();
    EXPECT_TRUE(File::Open(path, OpenMode::Write, 0x40).IsOpen());
}

TEST_F(HostFs, DenyWriteRefusedWhileSomeoneWrites) {
    const std::string path = root() + "\\Data\\FEDWST.DBF";
    File writer = File::Open(path, OpenMode::ReadWrite, 0x40);
    ASSERT_TRUE(writer.IsOpen());
    EXPECT_FALSE(File::Open(path, OpenMode::Read, 0x20).IsOpen());
    EXPECT_FALSE(File::Open(path, OpenMode::Read, 0x10).IsOpen());
    EXPECT_TRUE(File::Open(path, OpenMode::Read, 0x40).IsOpen());
}

TEST_F(HostFs, ExclusiveOpen) {
    const std::string path = root() + "\\Data\\FEDWST.DBF";
    File excl = File::Open(path, OpenMode::ReadWrite, 0x10);
    ASSERT_TRUE(excl.IsOpen());
    EXPECT_FALSE(File::Open(path, OpenMode::Read, 0x40).IsOpen());
    EXPECT_FALSE(File::Open(path, OpenMode::Read, 0).IsOpen());
    // The share markers do not get in the way of the holder's record locks.
    EXPECT_TRUE(excl.Lock(0x40000000, 0x10000000));
    excl.Close();
    EXPECT_TRUE(File::Open(path, OpenMode::Read, 0x10).IsOpen());
}

TEST_F(HostFs, ExclusiveOpenInChildRefusesParent) {
    const std::string path = root() + "\\Data\\FEDWST.DBF";
    int toParent[2], toChild[2];
    ASSERT_EQ(pipe(toParent), 0);
    ASSERT_EQ(pipe(toChild), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        File f = File::Open(path, OpenMode::ReadWrite, 0x10);
        const char ok = f.IsOpen() ? 'O' : 'E';
        (void)!write(toParent[1], &ok, 1);
        char c;
        (void)!read(toChild[0], &c, 1);
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(toParent[0], &c, 1), 1);
    ASSERT_EQ(c, 'O');
    EXPECT_FALSE(File::Open(path, OpenMode::Read, 0x40).IsOpen());
    (void)!write(toChild[1], "x", 1);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(File::Open(path, OpenMode::Read, 0x40).IsOpen());
    for (int fd : {toParent[0], toParent[1], toChild[0], toChild[1]}) close(fd);
}

TEST_F(HostFs, CompatibilityModeSharesLikeDenyNone) {
    const std::string path = root() + "\\Data\\FEDWST.DBF";
    File a = File::Open(path, OpenMode::ReadWrite, 0);
    File b = File::Open(path, OpenMode::ReadWrite, 0);
    EXPECT_TRUE(a.IsOpen());
    EXPECT_TRUE(b.IsOpen());
}

TEST_F(HostFs, WriteFileReplacing) {
    const std::string path = root() + "\\Data\\fedwst.dbf";
    ASSERT_TRUE(WriteFileReplacing(path, "new contents"));
    EXPECT_EQ(ReadText(tmp.path() / "data" / "fedwst.dbf"), "new contents");
    ASSERT_TRUE(WriteFileReplacing(root() + "\\Data\\Fresh.txt", ""));
    EXPECT_EQ(Listing(tmp.path() / "data"), (std::vector<std::string>{"Fresh.txt", "fedwst.dbf"}));
    EXPECT_EQ(*ReadWholeFile(root() + "\\DATA\\FRESH.TXT"), "");
    EXPECT_FALSE(WriteFileReplacing(root() + "\\NoSuchFolder\\x.txt", "x"));
}

TEST_F(HostFs, WriteFileReplacingKeepsOldFileInReadOnlyFolder) {
    const fs::path dir = tmp.path() / "data";
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    test::RunAsNobody({tmp.path()}, [&] {
        EXPECT_FALSE(WriteFileReplacing(root() + "\\Data\\fedwst.dbf", "new"));
    });
    fs::permissions(dir, fs::perms::owner_all);
    EXPECT_EQ(ReadText(dir / "fedwst.dbf"), "fedwst");
    EXPECT_EQ(Listing(dir), (std::vector<std::string>{"fedwst.dbf"}));
}

TEST_F(HostFs, WriteFileReplacingKeepsOldFileWhenWriteFails) {
    // A file size limit makes the write fail even for root; in a child so
    // the limit does not outlive the test.
    const std::string path = root() + "\\Data\\fedwst.dbf";
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit lim = {16, 16};
        setrlimit(RLIMIT_FSIZE, &lim);
        _exit(WriteFileReplacing(path, std::string(1000, 'x')) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "WriteFileReplacing reported success";
    EXPECT_EQ(ReadText(tmp.path() / "data" / "fedwst.dbf"), "fedwst");
    EXPECT_EQ(Listing(tmp.path() / "data"), (std::vector<std::string>{"fedwst.dbf"}));
}

// The engine's own new files: made only where no file and no link has the
// name, written and renamed through their handle, never through a link.
TEST_F(HostFs, NewFilesAreNeverMadeOrChangedThroughALink) {
    const fs::path data = tmp.path() / "data";
    const std::string dangling = (data / "dangling").string(), elsewhere = (data / "made").string();
    fs::create_symlink(elsewhere, dangling);
    File f = File::CreateNew(dangling);
    EXPECT_FALSE(f.IsOpen());
    EXPECT_EQ(f.Error(), EEXIST);
    EXPECT_FALSE(fs::exists(elsewhere));
    EXPECT_EQ(File::OpenNoLink((data / "dangling").string(), OpenMode::Read).Error(), ELOOP);
    // A pipe another account put at the name is no file, and is not waited on.
    ASSERT_EQ(mkfifo((data / "pipe").c_str(), 0644), 0);
    fs::permissions(tmp.path(), fs::perms::owner_all | fs::perms::others_exec);
    fs::permissions(data, fs::perms::owner_all | fs::perms::others_exec);
    test::RunAsNobody({}, [&] {
        EXPECT_FALSE(File::OpenNoLink((data / "pipe").string(), OpenMode::Read).IsOpen());
    });

    File held;
    const std::string name = CreateTempFile(Prog(data.string()), "KOR", held);
    ASSERT_TRUE(held.IsOpen());
    EXPECT_EQ(name.substr(name.find_last_of("\\/") + 1).size(), 11u);
    EXPECT_EQ(File::CreateNew(name).Error(), EEXIST);
    // Held open: no other program takes it for left over.
    EXPECT_FALSE(EraseUnheldFile(name));
    EXPECT_EQ(held.Write("new", 3), 3);
    fs::permissions(data / "fedwst.dbf",
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_TRUE(held.TakeOwnerAndModeOf(root() + "\\data\\fedwst.dbf"));
    // Another file put at its name in between: the rename is refused.
    const fs::path moved = data / "moved";
    fs::rename(HostPath(name), moved);
    fs::create_symlink(data / "fedwst.dbf", HostPath(name));
    EXPECT_FALSE(held.RenameOver(name, root() + "\\data\\fedwst.dbf"));
    EXPECT_EQ(held.Error(), ESTALE);
    EXPECT_FALSE(held.EraseAt(name));
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(HostPath(name))));
    EXPECT_EQ(ReadText(data / "fedwst.dbf"), "fedwst");
    fs::remove(HostPath(name));
    fs::rename(moved, HostPath(name));
    ASSERT_TRUE(held.RenameOver(name, root() + "\\data\\fedwst.dbf"));
    EXPECT_EQ(ReadText(data / "fedwst.dbf"), "new");
    EXPECT_EQ(fs::status(data / "fedwst.dbf").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    held.Close();
    // Left over by a program gone: erased, a link at such a name is not.
    File left;
    const std::string leftName = CreateTempFile(Prog(data.string()), "KOR", left);
    left.Close();
    EXPECT_TRUE(EraseUnheldFile(leftName));
    EXPECT_FALSE(EraseUnheldFile(dangling));
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(dangling)));
}

// A folder swapped for a link to another one after the new file was made:
// the rename stays in the folder the file was made in.
TEST_F(HostFs, ANewFileIsRenamedInTheFolderItWasMadeIn) {
    const fs::path data = tmp.path() / "data", elsewhere = tmp.path() / "elsewhere";
    fs::create_directory(data / "sub");
    fs::create_directory(elsewhere);
    WriteText(data / "sub" / "t.dbf", "old");
    WriteText(elsewhere / "t.dbf", "elsewhere");
    const std::string made = (data / "sub" / "KOR0001.TMP").string();
    File f = File::CreateNew(made);
    ASSERT_TRUE(f.IsOpen());
    EXPECT_EQ(f.Write("new", 3), 3);
    fs::rename(data / "sub", data / "moved");
    fs::create_directory_symlink(elsewhere, data / "sub");
    EXPECT_TRUE(f.IsAt(made));
    ASSERT_TRUE(f.RenameOver(made, (data / "sub" / "t.dbf").string()));
    EXPECT_EQ(ReadText(data / "moved" / "t.dbf"), "new");
    EXPECT_EQ(ReadText(elsewhere / "t.dbf"), "elsewhere");
    EXPECT_EQ(Listing(elsewhere), std::vector<std::string>{"t.dbf"});
}

TEST_F(HostFs, SmallFilesAreReadOnlyWithinTheirLimitAndNotThroughALink) {
    const fs::path data = tmp.path() / "data";
    int error = 0;
    EXPECT_EQ(ReadSmallFile((data / "fedwst.dbf").string(), 6, error), "fedwst");
    EXPECT_FALSE(ReadSmallFile((data / "fedwst.dbf").string(), 5, error));
    EXPECT_EQ(error, EFBIG);
    fs::create_symlink(data / "fedwst.dbf", data / "link");
    EXPECT_FALSE(ReadSmallFile((data / "link").string(), 100, error));
    EXPECT_EQ(error, ELOOP);
    EXPECT_EQ(EntryKindOf((data / "link").string(), Lookup::Write), EntryKind::Link);
    EXPECT_EQ(ResolvedPath((data / "link").string()), fs::canonical(data / "fedwst.dbf").string());
}

TEST_F(HostFs, FindFiles) {
    const fs::path d = tmp.path() / "data";
    WriteText(d / "A.DBF", "12345");
    WriteText(d / "b.dbf", "1");
    WriteText(d / "c.txt", "");
    WriteText(d / "NOEXT", "");
    WriteText(d / ".hidden.dbf", "");
    fs::create_directory(d / "Sub.dbf");
    auto names = [](const std::vector<FoundFile>& v) {
        std::vector<std::string> n;
        for (const auto& f : v) n.push_back(f.name);
        return n;
    };
    const auto dbf = FindFiles(root() + "\\DATA\\*.DBF", faArchive | faReadOnly);
    EXPECT_EQ(names(dbf), (std::vector<std::string>{"A.DBF", "b.dbf", "fedwst.dbf"}));
    ASSERT_EQ(dbf.size(), 3u);
    EXPECT_EQ(dbf[0].size, 5);
    EXPECT_EQ(dbf[0].attr & faDirectory, 0u);
    EXPECT_EQ(names(FindFiles(root() + "\\DATA\\*.DBF")),
              (std::vector<std::string>{".hidden.dbf", "A.DBF", "b.dbf", "fedwst.dbf", "Sub.dbf"}));
    EXPECT_EQ(names(FindFiles(root() + "\\DATA\\*.*", faArchive)),
              (std::vector<std::string>{"A.DBF", "b.dbf", "c.txt", "fedwst.dbf", "NOEXT"}));
    EXPECT_EQ(names(FindFiles(root() + "\\DATA\\?.dbf", faArchive)),
              (std::vector<std::string>{"A.DBF", "b.dbf"}));
    EXPECT_EQ(names(FindFiles(root() + "\\DATA\\FEDWST.DBF")), (std::vector<std::string>{"fedwst.dbf"}));
    EXPECT_EQ(names(FindFiles(root() + "\\DATA\\noext.*", faArchive)), (std::vector<std::string>{"NOEXT"}));
    const auto sub = FindFiles(root() + "\\DATA\\sub.*", faDirectory);
    ASSERT_EQ(sub.size(), 1u);
    EXPECT_NE(sub[0].attr & faDirectory, 0u);
    EXPECT_TRUE(FindFiles(root() + "\\Missing\\*.*").empty());
    EXPECT_TRUE(FindFiles(root() + "\\DATA\\*.xyz").empty());
}

TEST_F(HostFs, AttributesAndFileOperations) {
    const std::string f = root() + "\\Data\\FEDWST.DBF";
    auto attr = GetFileAttributes(f);
    ASSERT_TRUE(attr);
    EXPECT_EQ(*attr & (faReadOnly | faDirectory), 0u);
    ASSERT_TRUE(SetReadOnly(f, true));
    EXPECT_NE(*GetFileAttributes(f) & faReadOnly, 0u);
    ASSERT_TRUE(SetReadOnly(f, false));
    EXPECT_EQ(*GetFileAttributes(f) & faReadOnly, 0u);
    EXPECT_NE(*GetFileAttributes(root() + "\\DATA") & faDirectory, 0u);
    EXPECT_TRUE(FileModTime(f).has_value());

    EXPECT_TRUE(CreateDir(root() + "\\Data\\Sub"));
    EXPECT_TRUE(DirectoryExists(root() + "\\DATA\\SUB"));
    EXPECT_TRUE(RemoveDir(root() + "\\DATA\\SUB"));
    EXPECT_FALSE(DirectoryExists(root() + "\\DATA\\SUB"));

    WriteText(tmp.path() / "data" / "other.dbf", "other");
    const std::string own = root() + "\\Data\\fedwst.dbf";
    EXPECT_TRUE(RenameFile(root() + "\\DATA\\OTHER.DBF", own));  // replaces the target
    EXPECT_EQ(ReadText(tmp.path() / "data" / "fedwst.dbf"), "other");
    EXPECT_FALSE(FileExists(root() + "\\DATA\\OTHER.DBF"));
    EXPECT_FALSE(RenameFile(root() + "\\DATA\\OTHER.DBF", own));
    EXPECT_TRUE(EraseFile(f));
    EXPECT_FALSE(EraseFile(f));
    EXPECT_FALSE(FileExists(f));
}

TEST(HostFsTemp, TempPathInProgramForm) {
    const char* oldTemp = std::getenv("TEMP");
    const std::string saved = oldTemp ? oldTemp : "";
    setenv("TEMP", "/var/tmp", 1);
    EXPECT_EQ(TempPath(), "\\var\\tmp\\");
    EXPECT_EQ(HostPath(TempPath()), "/var/tmp/");
    setenv("TEMP", "/var/tmp/", 1);
    EXPECT_EQ(TempPath(), "\\var\\tmp\\");
    // Without TEMP: TMPDIR, else /tmp; the start folder never stands in.
    const char* oldTmpDir = std::getenv("TMPDIR");
    const std::string savedTmpDir = oldTmpDir ? oldTmpDir : "";
    unsetenv("TEMP");
    setenv("TMPDIR", "/var/tmp", 1);
    EXPECT_EQ(TempPath(), "\\var\\tmp\\");
    unsetenv("TMPDIR");
    EXPECT_EQ(TempPath(), "\\tmp\\");
    if (oldTmpDir) setenv("TMPDIR", savedTmpDir.c_str(), 1);
    if (oldTemp) setenv("TEMP", saved.c_str(), 1);
    const std::string t = TempPath();
    ASSERT_FALSE(t.empty());
    EXPECT_EQ(t.back(), '\\');
    EXPECT_TRUE(DirectoryExists(t));
}

TEST(HostFsTemp, TempFileNameCreatesUniqueFiles) {
    test::TempDir tmp;
    const std::string folder = Prog(tmp.path().string());
    const std::string a = TempFileName(folder, "KORX");
    const std::string b = TempFileName(folder + "\\", "K");
    ASSERT_FALSE(a.empty());
    ASSERT_FALSE(b.empty());
    EXPECT_NE(a, b);
    EXPECT_TRUE(FileExists(a));
    EXPECT_TRUE(FileExists(b));
    const std::string nameA = a.substr(a.rfind('\\') + 1);
    EXPECT_EQ(nameA.size(), 3u + 8u + 4u) << nameA;  // KOR + 8 letters + .TMP
    EXPECT_EQ(nameA.substr(0, 3), "KOR");
    EXPECT_EQ(nameA.substr(11), ".TMP");
    EXPECT_EQ(a.substr(0, folder.size() + 1), folder + "\\");
    EXPECT_EQ(FileSizeOf(a), 0);
    EXPECT_TRUE(TempFileName(folder + "\\missing", "X").empty());
}

}  // namespace
}  // namespace kor2::platform
