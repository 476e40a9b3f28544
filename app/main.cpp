// Program entry of kor2: sets every start-up default, reads the settings and
// evaluates the command line: "/I" writes the report of a spring file and
// ends; otherwise the default spring is read and checked.
#include <cstdio>
#include <string>
#include <vector>

#include "app/startup.h"
#include "common/globals.h"
#include "platform/codepage.h"

namespace {

void PrintOem(const std::string& text) { std::puts(kor2::platform::OemToUtf8(text).c_str()); }

}  // namespace

int main(int argc, char** argv) {
    kor2::SetCommandLine(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    kor2::InitAllUnits();
    const kor2::CommandLine cmd = kor2::ParseCommandLine(kor2::CommandLineParams());
    if (cmd.usage) {
        PrintOem(kor2::UsageText());
        return 0;
    }
    kor2::ReadSettings();
    if (cmd.writeReport) return kor2::RunBatchReport(cmd);

    PrintOem(kor2::MainTitle.str());
    PrintOem("Version " + kor2::ProgramVersion);
    if (!cmd.springFile.empty()) {
        if (!kor2::LoadCommandLineSpring(cmd.springFile)) return 1;
    } else {
        kor2::LoadDefaultSpring();
    }
    for (int k = 1; k <= kor2::ErrorList.count; ++k) PrintOem(kor2::ErrorList.slots[k].str());
    return 0;
}
