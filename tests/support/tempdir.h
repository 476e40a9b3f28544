// A temporary folder for one test, removed with everything in it at the end
// by the process that made it (a forked child that ends leaves it alone).
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

namespace kor2::test {

class TempDir {
public:
    TempDir();
    // Inside `base` instead of the temporary folder (TMPDIR), for a test that
    // needs a short path.
    explicit TempDir(const std::filesystem::path& base);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Host path of a file inside the folder.
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
    pid_t owner_;
};

}  // namespace kor2::test
