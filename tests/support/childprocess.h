// Starts the program (or any command) as a real child process in a folder of
// its own, with a changed environment and its output in files, for the tests
// of several runs at once and of runs under another account.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace kor2::test {

struct ChildSpec {
    std::vector<std::string> argv;  // argv[0] is looked up in PATH when it has no "/"
    std::string folder;             // working folder of the child
    // Variables set (a value) or removed (nullopt); the rest is inherited.
    std::map<std::string, std::optional<std::string>> env;
    std::string outFile = "/dev/null", errFile = "/dev/null";
};

// The pid of the started child, -1 when it could not be started.
inline pid_t StartChild(const ChildSpec& spec) {
    std::vector<std::string> envText;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        if (spec.env.count(entry.substr(0, entry.find('='))) == 0) envText.push_back(entry);
    }
    for (const auto& [name, value] : spec.env)
        if (value) envText.push_back(name + "=" + *value);
    std::vector<char*> envp, argv;
    for (auto& e : envText) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> args = spec.argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, spec.folder.c_str());
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, spec.outFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, spec.errFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

// Waits for the child: its exit code, 128 + signal when a signal ended it,
// -1 when it cannot be waited for.
inline int WaitChild(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

// Whether a check of the running test failed since it had `before` results:
// a forked child reports its own failures, not those it inherited.
inline int TestResultCount() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return info != nullptr ? info->result()->total_part_count() : 0;
}
inline bool FailedSince(int before) {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    if (info == nullptr) return false;
    const ::testing::TestResult* result = info->result();
    for (int k = before; k < result->total_part_count(); ++k)
        if (result->GetTestPartResult(k).failed()) return true;
    return false;
}

// Runs subject in a forked child once prepare() (run in the child first)
// returned true. The child's failed checks are printed as they happen and
// come back as its exit code: 0 passed, 1 a check failed, kPrepareFailed
// when prepare() did not succeed. Returns that code.
inline constexpr int kPrepareFailed = 3;
template <typename Prepare, typename Subject>
int RunForked(Prepare prepare, Subject subject) {
    std::cout.flush();
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        if (!prepare()) _exit(kPrepareFailed);
        const int before = TestResultCount();
        subject();
        std::cout.flush();
        std::fflush(nullptr);
        _exit(FailedSince(before) ? 1 : 0);
    }
    return WaitChild(pid);
}

// Runs subject in a forked child as RunForked does, and waits for it at most
// limit: a subject that may wait for good (on a pipe) ends the test all the
// same. The child's exit code as RunForked gives it, or kStillRunning when it
// had not ended by then; it is killed then.
inline constexpr int kStillRunning = 4;
template <typename Subject>
int RunForkedWithin(std::chrono::milliseconds limit, Subject subject) {
    std::cout.flush();
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        const int before = TestResultCount();
        subject();
        std::cout.flush();
        std::fflush(nullptr);
        _exit(FailedSince(before) ? 1 : 0);
    }
    // The pid's descriptor becomes readable when the child ends.
    const int pidFd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    pollfd ended{pidFd, POLLIN, 0};
    int ready = -1;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (pidFd >= 0 && ready < 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        ready = poll(&ended, 1, static_cast<int>(std::max<int64_t>(left.count(), 0)));
        if (ready < 0 && errno != EINTR) break;
    }
    if (pidFd >= 0) close(pidFd);
    if (ready == 0) {
        kill(pid, SIGKILL);
        WaitChild(pid);
        return kStillRunning;
    }
    return WaitChild(pid);
}

}  // namespace kor2::test
