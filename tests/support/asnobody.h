// Runs the subject of a permission test under an account the permission
// bits bind. As root (CI runs as root) the subject runs in a forked child as
// the account "nobody", after the folders it uses are given to that account
// (their modes stay, so "owner" bits now bind nobody); otherwise it runs here.
// The child's failed checks are printed as they happen and fail the test
// through its exit code.
#pragma once

#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "support/childprocess.h"

namespace kor2::test {

template <typename Subject>
void RunAsNobody(const std::vector<std::filesystem::path>& folders, Subject subject) {
    if (geteuid() != 0) {
        subject();
        return;
    }
    const passwd* nobody = getpwnam("nobody");
    ASSERT_NE(nobody, nullptr) << "no account nobody";
    const uid_t uid = nobody->pw_uid;
    const gid_t gid = nobody->pw_gid;
    for (const std::filesystem::path& folder : folders) {
        ASSERT_EQ(lchown(folder.c_str(), uid, gid), 0) << folder;
        for (const auto& e : std::filesystem::recursive_directory_iterator(folder))
            ASSERT_EQ(lchown(e.path().c_str(), uid, gid), 0) << e.path();
    }
    EXPECT_EQ(
        RunForked(
            [&] { return setgroups(0, nullptr) == 0 && setgid(gid) == 0 && setuid(uid) == 0; },
            subject),
        0)
        << "the subject's checks as nobody failed (above)";
}

}  // namespace kor2::test
