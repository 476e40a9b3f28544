// Program entry of kor2: sets every start-up default and evaluates the
// command line. With a display the main window runs the program; "/I"
// writes the report of a spring file and ends without any window; without a
// display the title, version and messages of the spring are printed.
#include <cstdio>
#include <string>
#include <vector>

#include <QApplication>
#include <QTimer>

#include "app/qt/mainwindow.h"
#include "app/shell.h"
#include "app/startup.h"
#include "common/errdesc.h"
#include "common/forms/qtdialogs.h"
#include "common/forms/textwindow.h"
#include "common/globals.h"
#include "common/msgbox.h"
#include "platform/codepage.h"
#include "platform/progfiles.h"
#include "platform/runtemp.h"
#include "platform/qt/hostlang.h"
#include "tables/forms/browserwindow.h"
#include "tables/forms/enginebox.h"
#include "tables/forms/progresswindow.h"

namespace {

void PrintOem(const std::string& text) {
    std::puts(kor2::platform::OemToUtf8(text).c_str());
}

int RunConsole(const kor2::CommandLine& cmd) {
    kor2::ReadSettings();
    PrintOem(kor2::MainTitle.str());
    PrintOem("Version " + kor2::ProgramVersion);
    if (!kor2::AcceptCommandLineNames(cmd)) return 1;
    if (!cmd.springFile.empty()) {
        if (!kor2::LoadCommandLineSpring(cmd.springFile)) return 1;
    } else {
        kor2::LoadDefaultSpring();
    }
    const bool materialRead = kor2::TellMaterialCause();
    for (int k = 1; k <= kor2::ErrorList.count; ++k) PrintOem(kor2::ErrorList.slots[k].str());
    return materialRead ? 0 : 1;
}

void ShowUsageWindow(int argc, char** argv) {
    QApplication app(argc, argv);
    kor2::platform::InstallHostTranslations(app);
    kor2::QtDialogs dialogs;
    kor2::SetDialogBackend(&dialogs);
    kor2::ShowMessageCaption(kor2::MainTitle.str(), kor2::UsageText());
    kor2::SetDialogBackend(nullptr);
}

int RunWindow(int argc, char** argv, const kor2::CommandLine& cmd) {
    QApplication app(argc, argv);
    app.setApplicationName("KOR2");
    kor2::platform::InstallHostTranslations(app);
    kor2::QtDialogs dialogs;
    kor2::QtTextOutput textOutput;
    kor2::SetDialogBackend(&dialogs);
    kor2::SetTextOutputBackend(&textOutput);
    kor2::InstallEngineQtMessageBox();
    kor2::InstallEngineProgressWindow();
    int rc = 0;
    {
        kor2::Thh mainWindow;
        // The table browser lives as long as the main window.
        const kor2::Dbf4MenuCaptions captions = mainWindow.BrowserMenuCaptions();
        const auto browser = kor2::InstallDbf4Window(&mainWindow, &captions);
        mainWindow.show();
        const bool showMessages = mainWindow.StartUp(cmd);
        if (showMessages) QTimer::singleShot(0, &mainWindow, [] { kor2::ShowCalcMessages(); });
        rc = app.exec();
    }
    kor2::SetTextOutputBackend(nullptr);
    kor2::SetDialogBackend(nullptr);
    return rc;
}

}  // namespace

int main(int argc, char** argv) {
    // Host file names are UTF-8; the program works in code page 850.
    const kor2::CommandLine cmd =
        kor2::TakeCommandLine(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    kor2::InitAllUnits();
    // The program's own files lie beside the executable ("data") or, once
    // installed, in the data folder of the installation.
    kor2::SetProgramFilesFolder(kor2::platform::ProgramFilesFolder(
        kor2::platform::ExecutableFolder(), KOR2_INSTALLED_FILES));
    int rc = 0;
    switch (kor2::DecideStartMode(cmd, kor2::DisplayAvailable())) {
        case kor2::StartMode::Usage:
            PrintOem(kor2::UsageText());
            if (kor2::DisplayAvailable()) ShowUsageWindow(argc, argv);
            break;
        case kor2::StartMode::BatchReport:
            kor2::ReadSettings();
            rc = kor2::RunBatchReport(cmd);
            break;
        case kor2::StartMode::Window:
            rc = RunWindow(argc, argv, cmd);
            break;
        case kor2::StartMode::Console:
            rc = RunConsole(cmd);
            break;
    }
    kor2::ShutdownAllUnits();
    // The run's temporary folder goes now; the other ends of the run (exit
    // after a fatal engine error, a fatal signal) are hooked where it is made.
    kor2::platform::EndPrivateTempFolders();
    return rc;
}
