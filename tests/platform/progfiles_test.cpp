// Tests of finding the program's own files beside its executable, the
// user's configuration folder and of path texts shown in the host's form.
#include "platform/progfiles.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "platform/oemtext.h"
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

// Sets an environment variable for a scope (nullopt: unset) and restores it.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* v = std::getenv(name)) saved_ = v;
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (saved_)
            setenv(name_, saved_->c_str(), 1);
        else
            unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> saved_;
};

TEST(UserConfig, XdgConfigHomeElseHomeElseTheAccountsHome) {
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", "/srv/conf/");
        EXPECT_EQ(UserConfigFolder(), "\\srv\\conf\\kor2");
    }
    {
        // A relative XDG_CONFIG_HOME is ignored, as the convention says.
        ScopedEnv xdg("XDG_CONFIG_HOME", "conf");
        ScopedEnv home("HOME", "/home/anna");
        EXPECT_EQ(UserConfigFolder(), "\\home\\anna\\.config\\kor2");
    }
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", "");
        ScopedEnv home("HOME", std::nullopt);
        const passwd* pw = getpwuid(getuid());
        ASSERT_NE(pw, nullptr);
        EXPECT_EQ(UserConfigFolder(), Prog(std::string(pw->pw_dir) + "/.config/kor2"));
    }
}

TEST(UserConfig, FoldersAreMadeWithTheirParentsForTheUserOnly) {
    test::TempDir tmp;
    const fs::path deep = tmp.path() / "a" / "b" / "kor2";
    EXPECT_TRUE(CreateFolders(Prog(deep.string())));
    EXPECT_TRUE(fs::is_directory(deep));
    EXPECT_EQ(fs::status(tmp.path() / "a").permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(fs::status(deep).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_TRUE(CreateFolders(Prog(deep.string())));  // already there
    // A file in the way, and nothing at all.
    std::ofstream(tmp.path() / "file") << "x";
    EXPECT_FALSE(CreateFolders(Prog((tmp.path() / "file" / "kor2").string())));
    EXPECT_FALSE(CreateFolders(""));
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
    std::string upper = tmp.path().string() + "\\PRÜF\\TABELLEN\\TABELLE.HTM"_oem;
    std::replace(upper.begin(), upper.end(), '/', '\\');
    EXPECT_EQ(DisplayPath(upper), tmp.path().string() + "/Prüf/Tabellen/tabelle.htm"_oem);
    // A name that does not exist yet keeps the case it was given.
    EXPECT_EQ(DisplayPath(tmp.path().string() + "\\PRÜF\\NEU.HTM"_oem),
              tmp.path().string() + "/Prüf/NEU.HTM"_oem);
}

}  // namespace
}  // namespace kor2::platform
