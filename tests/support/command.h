// Runs a shell command for the tests that compare with other programs (dBase
// readers and writers, PDF tools) and gives its standard output.
#pragma once

#include <cstdio>
#include <string>

namespace kor2::test {

// The command's standard output; status, when given, receives what pclose
// returns (-1 when the command could not be started).
inline std::string CommandOutput(const std::string& command, int* status = nullptr) {
    std::string out;
    if (status) *status = -1;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    const int rc = pclose(p);
    if (status) *status = rc;
    return out;
}

}  // namespace kor2::test
