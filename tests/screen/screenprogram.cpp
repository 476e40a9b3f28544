// Start and end of the program under the screen test, in main()'s order.
#include "screen/screenprogram.h"

#include <QTest>
#include <algorithm>
#include <filesystem>

#include "app/qt/mainwindow.h"
#include "app/startup.h"
#include "common/dialogs.h"
#include "common/globals.h"
#include "common/textout.h"
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

}  // namespace kor2::test
