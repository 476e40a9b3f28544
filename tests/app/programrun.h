// Runs the built program as a user would, in a folder of its own without a
// display, for the shell tests that check what a real run writes.
#pragma once

#include <string>

#include "support/command.h"

namespace kor2::test {

// Standard error and output of the program started in folder with the
// (already quoted) arguments; its configuration and temporary files stay
// below folder. status receives what pclose returns.
inline std::string RunProgramIn(const std::string& folder, const std::string& args, int* status) {
    return CommandOutput(
        "cd " + ShellQuoted(folder) +
            " && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME=" + ShellQuoted(folder) +
            " XDG_CONFIG_HOME=" + ShellQuoted(folder + "/cfg") + " TMPDIR=" + ShellQuoted(folder) +
            " " + ShellQuoted(KOR2_PROGRAM) + " " + args + " 2>&1",
        status);
}

}  // namespace kor2::test
