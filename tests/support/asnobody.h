// Runs the subject of a permission test under an account the permission
// bits bind. As root (CI runs as root) the subject runs in a forked child as
// the account "nobody", after the folders it uses are given to that account
// (their modes stay, so "owner" bits now bind nobody); otherwise it runs here.
// The child's failed checks are printed as they happen and fail the test
// through its exit code. StartAsNobody runs a subject beside the test (a
// second account acting on a shared folder while the test works in it).
#pragma once

#include <grp.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <pwd.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <vector>

#include "support/childprocess.h"

namespace kor2::test {

// Drops to the account nobody in a child; false when it does not exist.
inline bool BecomeNobody() {
    const passwd* nobody = getpwnam("nobody");
    return nobody != nullptr && setgroups(0, nullptr) == 0 && setgid(nobody->pw_gid) == 0 &&
           setuid(nobody->pw_uid) == 0;
}

// Drops to an account of its own (uid and gid `id`, no passwd entry) that
// belongs to nobody's group too, as a second member of a group shares a
// folder with nobody; false when that fails.
inline bool BecomeMemberOfNobodysGroup(uid_t id) {
    const passwd* nobody = getpwnam("nobody");
    if (nobody == nullptr) return false;
    const gid_t groups[] = {nobody->pw_gid};
    return setgroups(1, groups) == 0 && setgid(id) == 0 && setuid(id) == 0;
}

// Keeps the account but takes away its right to give files to others
// (CAP_CHOWN), as root has it under root squash on a network folder.
inline bool LoseChownRight() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (syscall(SYS_capget, &header, data) != 0) return false;
    data[CAP_TO_INDEX(CAP_CHOWN)].effective &= ~CAP_TO_MASK(CAP_CHOWN);
    data[CAP_TO_INDEX(CAP_CHOWN)].permitted &= ~CAP_TO_MASK(CAP_CHOWN);
    return syscall(SYS_capset, &header, data) == 0;
}

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
    EXPECT_EQ(RunForked(BecomeNobody, subject), 0)
        << "the subject's checks as nobody failed (above)";
}

// Starts subject in a child as nobody (as this account when not root) and
// returns at once; the subject runs until it returns or StopSubject.
class BackgroundSubject {
public:
    template <typename Subject>
    explicit BackgroundSubject(Subject subject) {
        std::cout.flush();
        std::fflush(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            if (geteuid() == 0 && !BecomeNobody()) _exit(kPrepareFailed);
            subject();
            _exit(0);
        }
    }
    ~BackgroundSubject() { Stop(); }
    BackgroundSubject(const BackgroundSubject&) = delete;
    BackgroundSubject& operator=(const BackgroundSubject&) = delete;
    bool Started() const { return pid_ > 0; }
    void Stop() {
        if (pid_ <= 0) return;
        kill(pid_, SIGKILL);
        WaitChild(pid_);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
};

}  // namespace kor2::test
