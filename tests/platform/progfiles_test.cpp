// Tests of finding the program's own files beside its executable and of path
// texts shown in the host's form.
#include "platform/progfiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "support/tempdir.h"

namespace kor2::platform {
namespace {

namespace fs = std::filesystem;

std::string Prog(std::string host) {
    std::replace(host.begin(), host.end(), '/', '\\');
    return host;
}

TEST(ProgramFiles, BuildTreeDataBesideTheExecutableElseTheInstalledFolder) {
    test::TempDir tmp;
    const fs::path bin = tmp.path() / "prefix" / "bin";
    fs::create_directories(bin);
    // Neither folder: the caller keeps the current folder.
    EXPECT_EQ(ProgramFilesFolder(bin.string(), "../share/kor2"), "");
    EXPECT_EQ(ProgramFilesFolder("", "../share/kor2"), "");

    fs::create_directories(tmp.path() / "prefix" / "share" / "kor2");
    EXPECT_EQ(ProgramFilesFolder(bin.string(), "../share/kor2"),
              Prog(tmp.file("prefix/share/kor2")) + "\\");
    // A trailing "/" of the executable's folder changes nothing.
    EXPECT_EQ(ProgramFilesFolder(bin.string() + "/", "../share/kor2"),
              Prog(tmp.file("prefix/share/kor2")) + "\\");

    // The build tree's "data" beside the executable comes first.
    fs::create_directories(bin / "data");
    EXPECT_EQ(ProgramFilesFolder(bin.string(), "../share/kor2"),
              Prog((bin / "data").string()) + "\\");
}

TEST(ProgramFiles, ExecutableFolderIsTheTestsOwn) {
    const std::string folder = ExecutableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(fs::exists(fs::path(folder) / "platform_tests"));
}

TEST(DisplayPathText, SlashesAndNoDrive) {
    EXPECT_EQ(DisplayPath("\\tmp\\kor2\\fedwst.dbf"), "/tmp/kor2/fedwst.dbf");
    EXPECT_EQ(DisplayPath("c:\\Programme\\Internet Explorer\\Iexplore.exe"),
              "/Programme/Internet Explorer/Iexplore.exe");
    EXPECT_EQ(DisplayPath("D:feder.kr2"), "feder.kr2");
    EXPECT_EQ(DisplayPath("TRAIN\\null.kr2"), "TRAIN/null.kr2");
    EXPECT_EQ(DisplayPath("/home/x/feder.kr2"), "/home/x/feder.kr2");  // host form stays
    EXPECT_EQ(DisplayPath("\\tmp\\M\x81ller\\"), "/tmp/M\x81ller/");   // code page kept
    EXPECT_EQ(DisplayPath(""), "");
    EXPECT_EQ(DisplayPath("C:"), "");
    EXPECT_EQ(DisplayPath(":x"), ":x");
}

TEST(DisplayPathText, ExistingNamesShowWithTheirRealCase) {
    test::TempDir tmp;
    fs::create_directories(tmp.path() / "Prüf" / "Tabellen");
    std::ofstream(tmp.path() / "Prüf" / "Tabellen" / "tabelle.htm") << "x";
    std::string upper = tmp.path().string() + "\\PR\x9A" "F\\TABELLEN\\TABELLE.HTM";
    std::replace(upper.begin(), upper.end(), '/', '\\');
    EXPECT_EQ(DisplayPath(upper), tmp.path().string() + "/Pr\x81" "f/Tabellen/tabelle.htm");
    // A name that does not exist yet keeps the case it was given.
    EXPECT_EQ(DisplayPath(tmp.path().string() + "\\PR\x9A" "F\\NEU.HTM"),
              tmp.path().string() + "/Pr\x81" "f/NEU.HTM");
}

}  // namespace
}  // namespace kor2::platform
