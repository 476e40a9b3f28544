// Commands run as another account (the account "nobody"): saving into a
// folder that account may not write says so and why.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/shell.h"
#include "common/globals.h"
#include "common/scriptdialogs.h"
#include "support/command.h"
#include "support/tempdir.h"

namespace kor2 {
namespace {

namespace fs = std::filesystem;

// Run by the next test as "nobody": Speichern unter into KOR2_START.
TEST(OtherAccount, DISABLED_ChildSavesIntoAFolderItMayNotWrite) {
    const char* start = std::getenv("KOR2_START");
    ASSERT_NE(start, nullptr);
    SetCommandLine({});
    InitAllUnits();
    TempFolder = ConfigDir = std::getenv("TMPDIR");
    DataFolder = start;
    ScriptedDialogs dialogs;
    std::string typed = std::string(start) + "/demo.kr2";
    std::replace(typed.begin(), typed.end(), '/', '\\');
    dialogs.answers.push_back(ScriptedAnswer::Type(typed));
    EXPECT_FALSE(SaveSpringAsCommand());
    ASSERT_EQ(dialogs.Of("message").size(), 1u);
    EXPECT_EQ(dialogs.Of("message")[0].text, "Datei " + std::string(start) +
                                                 "/demo.kr2 kann nicht geschrieben werden: " +
                                                 "kein Schreibrecht im Ordner " + start + " !");
}

TEST(OtherAccount, SavingIntoAFolderTheAccountMayNotWriteSaysWhy) {
    if (geteuid() != 0 || std::system("command -v runuser >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs root and runuser to run a second account";
    test::TempDir tmp;
    const auto open = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                      fs::perms::others_read | fs::perms::others_exec;
    fs::permissions(tmp.path(), open);
    const fs::path start = tmp.path() / "start", own = tmp.path() / "own";
    fs::create_directory(start);
    fs::permissions(start, open & ~fs::perms::owner_write);  // mode 0555
    fs::create_directory(own);
    fs::permissions(own, fs::perms::all);
    const std::string exe = fs::read_symlink("/proc/self/exe").string();
    int status = -1;
    const std::string out = test::CommandOutput(
        "runuser -u nobody -- env HOME=" + own.string() + " TMPDIR=" + own.string() +
            " XDG_CONFIG_HOME=" + own.string() + " KOR2_START=" + start.string() + " " + exe +
            " --gtest_also_run_disabled_tests"
            " --gtest_filter=OtherAccount.DISABLED_ChildSavesIntoAFolderItMayNotWrite 2>&1",
        &status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("[  PASSED  ] 1 test"), std::string::npos) << out;
    EXPECT_FALSE(fs::exists(start / "demo.kr2"));
}

}  // namespace
}  // namespace kor2
