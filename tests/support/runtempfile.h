// Host path of a file in the run's private temporary folder (inside the
// TempFolder a test has set), where the program keeps its temporary files.
#pragma once

#include <string>

#include "common/fileops.h"
#include "platform/hostfs.h"

namespace kor2::test {

inline std::string RunTempFile(const std::string& name) {
    return platform::HostPath(RunTempFolder() + name);
}

}  // namespace kor2::test
