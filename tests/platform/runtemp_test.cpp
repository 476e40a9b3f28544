// The run's private temporary folder: its name and mode, its removal at
// every end of a real second process (exit, fatal exit, terminate, signals),
// and a file handed to a started viewer staying until the viewer is done.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/hostfs.h"
#include "platform/runtemp.h"
#include "platform/sysclock.h"
#include "support/tempdir.h"

namespace kor2::platform {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
    return names;
}

void Put(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Waits (on inotify events, not a fixed time) until path is gone; false
// when it is still there after the limit.
bool WaitUntilGone(const fs::path& path, std::chrono::seconds limit) {
    const int fd = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (fd < 0) return false;
    inotify_add_watch(fd, path.parent_path().c_str(), IN_DELETE | IN_MOVED_FROM);
    const auto end = std::chrono::steady_clock::now() + limit;
    bool gone = false;
    while (!(gone = !fs::exists(path))) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) > 0) {
            char buf[4096];
            while (read(fd, buf, sizeof buf) > 0) {
            }
        }
    }
    close(fd);
    return gone;
}

TEST(PrivateTempFolder, OneUniqueFolderOfMode0700PerBaseUntilTheEnd) {
    test::TempDir base, other;
    const std::string a = PrivateTempFolder(base.path().string());
    ASSERT_FALSE(a.empty());
    EXPECT_EQ(a.back(), '\\');
    EXPECT_EQ(PrivateTempFolder(base.path().string() + "/"), a);  // same base, same folder
    const std::vector<std::string> made = Entries(base.path());
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(made[0].rfind("kor2-", 0), 0u);
    struct stat st {};
    ASSERT_EQ(stat(HostPath(a).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    EXPECT_EQ(CurrentPrivateTempFolder(), a);

    // Another base gets a folder of its own; both go at the end of the run.
    const std::string b = PrivateTempFolder(other.path().string());
    ASSERT_FALSE(b.empty());
    EXPECT_NE(b, a);
    Put(HostPath(a + "$$$1.txt"), "report");
    fs::create_directory(HostPath(b + "sub"));
    Put(HostPath(b + "sub\\deep.ndx"), "index");
    EndPrivateTempFolders();
    EXPECT_EQ(Entries(base.path()), std::vector<std::string>{});
    EXPECT_EQ(Entries(other.path()), std::vector<std::string>{});

    // A folder removed by someone else is made anew; a base that cannot
    // hold one gives the empty text.
    const std::string again = PrivateTempFolder(base.path().string());
    EXPECT_NE(again, a);
    fs::remove_all(HostPath(again));
    EXPECT_NE(PrivateTempFolder(base.path().string()), "");
    EXPECT_EQ(PrivateTempFolder((base.path() / "missing").string()), "");
    EndPrivateTempFolders();
}

TEST(PrivateTempFolder, EveryBaseKeepsItsFolderHoweverManyARunUses) {
    std::array<test::TempDir, 20> bases;
    std::vector<std::string> made;
    for (const test::TempDir& b : bases) made.push_back(PrivateTempFolder(b.path().string()));
    for (std::size_t i = 0; i < bases.size(); ++i) {
        EXPECT_TRUE(fs::is_directory(HostPath(made[i]))) << i;
        EXPECT_EQ(PrivateTempFolder(bases[i].path().string()), made[i]) << i;
    }
    EndPrivateTempFolders();
    for (const test::TempDir& b : bases) EXPECT_EQ(Entries(b.path()), std::vector<std::string>{});
}

enum class End { Exit, FatalExit, Terminate, Abort, Term };

// A real second process makes its folder in base, writes a file there and
// ends as told; its status.
int ChildEndingBy(End how, const fs::path& base) {
    int ready[2];
    if (pipe(ready) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(ready[0]);
        const std::string folder = PrivateTempFolder(base.string());
        Put(HostPath(folder + "fedwst.NDX"), "index");
        if (write(ready[1], "x", 1) != 1) _exit(90);
        switch (how) {
            case End::Exit:
                std::exit(0);
            case End::FatalExit:
                std::exit(5);  // as the table engine ends after a fatal error
            case End::Terminate:
                std::terminate();  // as after an exception nobody catches
            case End::Abort:
                std::abort();
            case End::Term:
                pause();
        }
        _exit(91);
    }
    close(ready[1]);
    char c = 0;
    const bool started = read(ready[0], &c, 1) == 1;
    close(ready[0]);
    if (started && how == End::Term) kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

TEST(PrivateTempFolder, EveryEndOfASecondProcessRemovesItsFolderOnly) {
    test::TempDir base;
    // This process's own folder in the same base stays: the child inherits
    // its record but not its ownership.
    const std::string mine = PrivateTempFolder(base.path().string());
    ASSERT_FALSE(mine.empty());
    const fs::path mineHost = HostPath(mine);

    const struct {
        End how;
        bool exited;
        int code;
    } cases[] = {
        {End::Exit, true, 0},         {End::FatalExit, true, 5},
        {End::Terminate, false, SIGABRT}, {End::Abort, false, SIGABRT},
        {End::Term, false, SIGTERM},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.how));
        const int status = ChildEndingBy(c.how, base.path());
        if (c.exited) {
            ASSERT_TRUE(WIFEXITED(status));
            EXPECT_EQ(WEXITSTATUS(status), c.code);
        } else {
            ASSERT_TRUE(WIFSIGNALED(status));  // the signal's own end still follows
            EXPECT_EQ(WTERMSIG(status), c.code);
        }
        EXPECT_EQ(Entries(base.path()), std::vector<std::string>{mineHost.parent_path().filename()});
    }
    EXPECT_TRUE(fs::is_directory(mineHost));
    // So does the configuration folder the test program made for itself.
    EXPECT_TRUE(fs::is_directory(std::getenv("XDG_CONFIG_HOME")));
    EndPrivateTempFolders();
    EXPECT_EQ(Entries(base.path()), std::vector<std::string>{});
}

// A copy kept beyond the run lies beside the run's folder under a name of
// its own, holds the file whole, is its owner's alone and stays when the
// folder goes; the file itself stays in use until then.
TEST(PrivateTempFolder, AKeptCopyOutlivesTheRunAndIsTheOwnersAlone) {
    test::TempDir base;
    const std::string folder = PrivateTempFolder(base.path().string());
    ASSERT_FALSE(folder.empty());
    const std::string file = folder + "outwin.txt";
    const std::string text(100000, 'x');
    Put(HostPath(file), text);
    const std::string first = KeepCopyBeyondRun(file, "feder 1", ".txt");
    const std::string second = KeepCopyBeyondRun(file, "feder 1", ".txt");
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    EXPECT_NE(first, second);
    EXPECT_EQ(Slurp(HostPath(file)), text);
    EndPrivateTempFolders();
    EXPECT_FALSE(fs::exists(HostPath(folder)));
    for (const std::string& kept : {first, second}) {
        const fs::path host = HostPath(kept);
        EXPECT_EQ(host.parent_path(), base.path());
        EXPECT_EQ(host.filename().string().rfind("feder 1-", 0), 0u) << host;
        EXPECT_EQ(host.extension(), ".txt");
        EXPECT_EQ(Slurp(host), text);
        struct stat st {};
        ASSERT_EQ(stat(host.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0600u);
    }
    // A file that is not there gives no copy and leaves nothing behind.
    EXPECT_EQ(KeepCopyBeyondRun(folder + "fehlt.txt", "feder", ".txt"), "");
    EXPECT_EQ(Entries(base.path()).size(), 2u);
}

TEST(PrivateTempFolder, AFileHandedToAViewerStaysUntilTheViewerHasReadIt) {
    test::TempDir base, outside;
    SetHandOverGrace(0);
    const std::string folder = PrivateTempFolder(base.path().string());
    ASSERT_FALSE(folder.empty());
    const fs::path hostFolder = fs::path(HostPath(folder)).parent_path();
    const std::string report = HostPath(folder + "kor2.htm");
    Put(report, "<html>report</html>");
    const std::string fifo = outside.file("go");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string copy = outside.file("seen.htm");
    // An opener in the way of xdg-open: it ends at once and leaves the
    // viewer running, which reads the file only when told to.
    const std::string script = "( read x < '" + fifo + "'; cat '" + report + "' > '" + copy +
                               ".part' && mv '" + copy + ".part' '" + copy + "' ) &";
    ASSERT_TRUE(StartProgram("/bin/sh", {"-c", script}));

    EndPrivateTempFolders();  // the run ends while the viewer waits
    EXPECT_TRUE(fs::exists(report));
    {
        std::ofstream go(fifo);
        go << "x\n";
    }
    EXPECT_TRUE(WaitUntilGone(hostFolder, std::chrono::seconds(60)));
    EXPECT_EQ(Slurp(copy), "<html>report</html>");
    EXPECT_EQ(Entries(base.path()), std::vector<std::string>{});
    SetHandOverGrace(10);
}

}  // namespace
}  // namespace kor2::platform
