// The program as main() starts it, for the screen test: the Qt dialogs and
// text window, the table browser and the main window, on a private copy of
// the data folder.
#pragma once

#include <memory>
#include <string>

#include "common/forms/qtdialogs.h"
#include "common/forms/textwindow.h"
#include "support/tempdir.h"

class QWidget;

namespace kor2 {

class Thh;

namespace test {

class ScreenProgram {
public:
    ScreenProgram();  // shown, started up and on the screen
    ~ScreenProgram();
    ScreenProgram(const ScreenProgram&) = delete;
    ScreenProgram& operator=(const ScreenProgram&) = delete;

    Thh& Window() { return *window_; }
    // Host paths of the temporary folder and of the data copy ("/" at the end).
    const std::filesystem::path& Folder() const { return tmp_.path(); }
    const std::string& Data() const { return data_; }

private:
    TempDir tmp_;
    std::string data_;
    QtDialogs dialogs_;
    QtTextOutput textOutput_;
    std::unique_ptr<Thh> window_;
    std::unique_ptr<QWidget> browser_;
};

// A host path in the program's form ("\" separators).
std::string ProgramPath(std::string hostPath);

// Runs the disabled test `test` of this executable as the account "nobody"
// on the same X server, with folder/nobody (made here, open to all) as its
// home, configuration and temporary folder and the variables env ("NAME=value
// ..."); folder is opened to others (mode 0755). Returns the child's output; status
// receives its exit status. Needs root and runuser (the caller skips without).
std::string RunAsNobodyOnThisScreen(const std::filesystem::path& folder, const std::string& test,
                                    const std::string& env, int& status);

// Why a second account cannot be run here (not root, or no runuser); empty
// when it can.
std::string NoSecondAccount();

// Runs the disabled test as "nobody" (RunAsNobodyOnThisScreen) and expects
// it to pass.
void ExpectPassesAsNobody(const std::filesystem::path& folder, const std::string& test,
                          const std::string& env);

}  // namespace test
}  // namespace kor2
