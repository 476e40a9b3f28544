// Start and end of the program under the screen test, in main()'s order.
#include "screen/screenprogram.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QTest>
#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "app/qt/mainwindow.h"
#include "app/startup.h"
#include "common/dialogs.h"
#include "common/globals.h"
#include "common/textout.h"
#include "support/command.h"
#include "tables/area/engine.h"
#include "tables/forms/browserwindow.h"
#include "tables/forms/enginebox.h"

namespace kor2::test {

std::string ProgramPath(std::string hostPath) {
    std::replace(hostPath.begin(), hostPath.end(), '/', '\\');
    return hostPath;
}

ScreenProgram::ScreenProgram() {
    std::filesystem::copy(std::string(KOR2_SOURCE_DIR) + "/data", tmp_.path() / "data",
                          std::filesystem::copy_options::recursive);
    data_ = (tmp_.path() / "data").string() + "/";
    SetCommandLine({});
    InitAllUnits();
    TempFolder = ConfigDir = CadFolder = ProgramPath(tmp_.path().string());
    PltFolder = DbfFolder = EdiFolder = ProgramPath(data_);
    DataFolder = ProgramPath(data_ + "TRAIN");
    SetDialogBackend(&dialogs_);
    SetTextOutputBackend(&textOutput_);
    InstallEngineQtMessageBox();
    window_ = std::make_unique<Thh>();
    const Dbf4MenuCaptions captions = window_->BrowserMenuCaptions();
    browser_ = InstallDbf4Window(window_.get(), &captions);
    window_->show();
    window_->StartUp(ParseCommandLine(CommandLineParams()));
    (void)QTest::qWaitForWindowExposed(window_.get());  // Inspect waits again and reports
}

ScreenProgram::~ScreenProgram() {
    InputModifiedFlag = false;
    browser_.reset();
    window_.reset();
    ShutdownTableEngine();
    SetTextOutputBackend(nullptr);
    SetDialogBackend(nullptr);
    AbortFlag = false;
}

std::string RunAsNobodyOnThisScreen(const std::filesystem::path& folder, const std::string& test,
                                    const std::string& env, int& status) {
    namespace fs = std::filesystem;
    fs::permissions(folder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
    const std::string own = (folder / "nobody").string();  // the account's own folder
    fs::create_directory(own);
    fs::permissions(own, fs::perms::all);
    // The X server's key, readable by the account.
    std::string xauth;
    if (const char* a = std::getenv("XAUTHORITY"); a != nullptr && fs::exists(a)) {
        xauth = (folder / "xauthority").string();
        fs::copy_file(a, xauth, fs::copy_options::overwrite_existing);
        fs::permissions(xauth,
                        fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
    }
    const char* display = std::getenv("DISPLAY");
    return CommandOutput(
        "runuser -u nobody -- env HOME=" + ShellQuoted(own) + " TMPDIR=" + ShellQuoted(own) +
            " XDG_CONFIG_HOME=" + ShellQuoted(own) + " XAUTHORITY=" + ShellQuoted(xauth) +
            " DISPLAY=" + (display != nullptr ? display : "") + " " + env + " " +
            ShellQuoted(fs::read_symlink("/proc/self/exe").string()) +
            " --gtest_also_run_disabled_tests --gtest_filter=" + test + " 2>&1",
        &status);
}

std::string NoSecondAccount() {
    if (geteuid() != 0 || std::system("command -v runuser >/dev/null 2>&1") != 0)
        return "needs root and runuser to run a second account";
    return {};
}

void ExpectPassesAsNobody(const std::filesystem::path& folder, const std::string& test,
                          const std::string& env) {
    int status = -1;
    const std::string out = RunAsNobodyOnThisScreen(folder, test, env, status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("[  PASSED  ] 1 test"), std::string::npos) << out;
}

}  // namespace kor2::test
