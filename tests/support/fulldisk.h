// Runs the subject of a test of a full disk: in a forked child with a mount
// namespace of its own, a folder becomes a small file system (tmpfs) filled
// to its last block, so every write into it fails for lack of room. The
// host's mounts never see it, and it ends with the child.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/childprocess.h"

namespace kor2::test {

namespace fulldisk_detail {

// A 64k memory file system on folder, filled by a file written until no
// byte is left; false when it cannot be mounted.
inline bool MountFilledTmpfs(const std::filesystem::path& folder) {
    if (mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k,mode=1777") != 0) return false;
    const std::string filler = (folder / ".filler").string();
    const int fd = open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0) return false;
    std::array<char, 4096> block{};
    while (write(fd, block.data(), block.size()) > 0) {
    }
    while (write(fd, block.data(), 1) > 0) {
    }
    close(fd);
    return true;
}

// In the child: a private mount namespace (through a user namespace of
// its own when not root), the small file system on folder, then a filler
// file written until no byte is left.
inline bool MountFullFileSystem(const std::filesystem::path& folder) {
    const uid_t uid = geteuid();
    const gid_t gid = getegid();
    if (uid != 0) {
        if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return false;
        std::ofstream("/proc/self/setgroups") << "deny";
        std::ofstream("/proc/self/uid_map") << "0 " << uid << " 1";
        std::ofstream("/proc/self/gid_map") << "0 " << gid << " 1";
    } else if (unshare(CLONE_NEWNS) != 0) {
        return false;
    }
    if (mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
    return MountFilledTmpfs(folder);
}

}  // namespace fulldisk_detail

// A full folder on the host's own mounts, for programs the test starts
// (root only, as in CI): mounted and filled at once, unmounted when the
// object ends.
class FullFolder {
public:
    // Mounts at folder (made if missing); Ok() tells whether that worked.
    explicit FullFolder(std::filesystem::path folder) : folder_(std::move(folder)) {
        std::filesystem::create_directories(folder_);
        mounted_ = geteuid() == 0 && fulldisk_detail::MountFilledTmpfs(folder_);
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

// The subject runs with folder full; a child that cannot mount (no root and
// no user namespaces) fails the test.
template <typename Subject>
void RunOnFullDisk(const std::filesystem::path& folder, Subject subject) {
    const int code =
        RunForked([&] { return fulldisk_detail::MountFullFileSystem(folder); }, subject);
    EXPECT_NE(code, kPrepareFailed) << "no small file system could be mounted on " << folder;
    EXPECT_EQ(code, 0) << "the subject's checks on the full disk failed (above)";
}

}  // namespace kor2::test
