// Every test process gets a configuration folder of its own, so that no
// test reads or writes the user's real ~/.config/kor2. Called first by the
// entry points of the test executables.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "support/tempdir.h"

namespace kor2::test {

// Points XDG_CONFIG_HOME at a temporary folder that lives as long as the
// process. A test program that a test starts again as its child (often to
// kill it) takes its parent's folder where it may write there, since a
// killed child could not remove a folder of its own.
inline void UsePrivateConfigFolder() {
    constexpr const char* kInherited = "KOR2_TEST_CONFIG_HOME";
    if (const char* parent = std::getenv(kInherited);
        parent != nullptr && access(parent, W_OK | X_OK) == 0) {
        setenv("XDG_CONFIG_HOME", parent, 1);
        return;
    }
    static const TempDir folder;
    setenv("XDG_CONFIG_HOME", folder.path().c_str(), 1);
    setenv(kInherited, folder.path().c_str(), 1);
}

}  // namespace kor2::test
