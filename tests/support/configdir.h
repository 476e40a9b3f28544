// Every test process gets a configuration folder of its own, so that no
// test reads or writes the user's real ~/.config/kor2. Called first by the
// entry points of the test executables.
#pragma once

#include <cstdlib>

#include "support/tempdir.h"

namespace kor2::test {

// Points XDG_CONFIG_HOME at a temporary folder that lives as long as the
// process (child processes the tests start inherit it).
inline void UsePrivateConfigFolder() {
    static const TempDir folder;
    setenv("XDG_CONFIG_HOME", folder.path().c_str(), 1);
}

}  // namespace kor2::test
