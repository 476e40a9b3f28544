// Program entry of kor2: keeps the command line, sets every start-up default
// and reports who it is. The windows and the rest of the command line come with the application shell.
#include <cstdio>
#include <string>
#include <vector>

#include "common/globals.h"
#include "common/textutil.h"
#include "platform/codepage.h"
#include "spring/springdata.h"

int main(int argc, char** argv) {
    kor2::SetCommandLine(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));

    // Start-up defaults, in the documented order.
    kor2::InitProgramVariables();
    kor2::CmdLineGraphSwitch = kor2::HasCmdLineSwitch("/G");
    // --- Spring defaults are set here. ---
    kor2::InitSpringData();

    std::puts(kor2::platform::OemToUtf8(kor2::MainTitle.str()).c_str());
    std::puts(kor2::platform::OemToUtf8("Version " + kor2::ProgramVersion).c_str());
    return 0;
}
