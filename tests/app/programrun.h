// Runs the built program as a user would, in a folder of its own without a
// display, for the shell tests that check what a real run writes.
#pragma once

#include <string>

#include "support/command.h"

namespace kor2::test {

inline std::string Quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Standard error and output of the program started in folder with the
// (already quoted) arguments; its configuration and temporary files stay
// below folder. status receives what pclose returns.
inline std::string RunProgramIn(const std::string& folder, const std::string& args, int* status) {
    return CommandOutput(
        "cd " + Quoted(folder) + " && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME=" +
            Quoted(folder) + " XDG_CONFIG_HOME=" + Quoted(folder + "/cfg") +
            " TMPDIR=" + Quoted(folder) + " " + Quoted(KOR2_PROGRAM) + " " + args + " 2>&1",
        status);
}

}  // namespace kor2::test
