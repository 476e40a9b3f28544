// A folder on a file system of its own that has no room left: a small
// memory file system mounted for the test (root only, as in CI), filled up,
// and unmounted again when the object ends. For the tests of writers that
// must say that a disk is full, and where.
#pragma once

#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace kor2::test {

class FullFolder {
public:
    // Mounts at folder (made if missing); Ok() tells whether that worked.
    explicit FullFolder(std::filesystem::path folder) : folder_(std::move(folder)) {
        std::filesystem::create_directories(folder_);
        if (geteuid() != 0 ||
            mount("tmpfs", folder_.c_str(), "tmpfs", 0, "size=64k,mode=1777") != 0)
            return;
        mounted_ = true;
        // Fill every block; the folder itself and empty files still fit.
        std::ofstream fill(folder_ / ".fill", std::ios::binary);
        const std::vector<char> block(4096, 'x');
        for (int k = 0; k < 64 && fill.write(block.data(), block.size()); ++k) {
        }
    }
    ~FullFolder() {
        if (mounted_) umount2(folder_.c_str(), MNT_DETACH);
    }
    FullFolder(const FullFolder&) = delete;
    FullFolder& operator=(const FullFolder&) = delete;

    bool Ok() const { return mounted_; }
    const std::filesystem::path& path() const { return folder_; }

private:
    std::filesystem::path folder_;
    bool mounted_ = false;
};

}  // namespace kor2::test
