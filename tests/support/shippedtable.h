// A copy of the shipped material table in a folder of the test's own: the
// table is opened for writing and gets its probe and semaphore files beside
// it, which must never happen in the source tree that parallel tests share.
#pragma once

#include <filesystem>
#include <string>

#include "support/tempdir.h"

namespace kor2::test {

// The folder (inside tmp) that holds the copy of data/fedwst.dbf.
inline std::string ShippedTableCopy(const TempDir& tmp) {
    const std::filesystem::path folder = tmp.path() / "dbf";
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(std::string(KOR2_SOURCE_DIR) + "/data/fedwst.dbf",
                               folder / "fedwst.dbf",
                               std::filesystem::copy_options::overwrite_existing);
    return folder.string();
}

}  // namespace kor2::test
