// Clock, environment and starting other programs.
#include "platform/sysclock.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "platform/hostfs.h"
#include "platform/runtemp.h"

extern char** environ;

namespace kor2::platform {

namespace {

std::mutex g_clockMutex;
std::optional<DateTime> g_clockOverride;

// Day of the week (0 Sunday) of a proleptic Gregorian date.
int WeekDay(int y, int m, int d) {
    static const int t[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (m < 1 || m > 12) return 0;
    if (m < 3) --y;
    const int w = (y + y / 4 - y / 100 + y / 400 + t[m - 1] + d) % 7;
    return w < 0 ? w + 7 : w;
}

// The program name for the host: a path text is mapped like any file name,
// a bare name is looked up in PATH by posix_spawnp.
std::string ProgramPath(const std::string& program) {
    if (program.find_first_of("\\/") == std::string::npos) return program;
    return HostPath(program);
}

// Starts the program; its pid, or -1 with errno set.
pid_t Spawn(const std::string& program, const std::vector<std::string>& args, bool newSession) {
    const std::string path = ProgramPath(program);
    std::vector<char*> argv;
    argv.reserve(args.size() + 2);
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    posix_spawnattr_t attr;
    if (posix_spawnattr_init(&attr) != 0) return -1;
    // The child starts with no blocked signals and default dispositions,
    // whatever this program has set up for itself.
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
#ifdef POSIX_SPAWN_SETSID
    if (newSession) flags |= POSIX_SPAWN_SETSID;  // not hit by the terminal's Ctrl+C
#else
    (void)newSession;
#endif
    posix_spawnattr_setflags(&attr, flags);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, path.c_str(), nullptr, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) {
        errno = rc;
        return -1;
    }
    return pid;
}

int WaitFor(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

}  // namespace

DateTime Now() {
    {
        std::lock_guard<std::mutex> lock(g_clockMutex);
        if (g_clockOverride) return *g_clockOverride;
    }
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    localtime_r(&ts.tv_sec, &local);
    DateTime dt;
    dt.year = local.tm_year + 1900;
    dt.month = local.tm_mon + 1;
    dt.day = local.tm_mday;
    dt.hour = local.tm_hour;
    dt.minute = local.tm_min;
    dt.second = local.tm_sec > 59 ? 59 : local.tm_sec;  // no leap second
    dt.millisecond = static_cast<int>(ts.tv_nsec / 1000000);
    dt.dayOfWeek = local.tm_wday;
    return dt;
}

uint32_t GetTickCount() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

void SetClockOverride(std::optional<DateTime> when) {
    if (when) when->dayOfWeek = WeekDay(when->year, when->month, when->day);
    std::lock_guard<std::mutex> lock(g_clockMutex);
    g_clockOverride = when;
}

std::optional<std::string> GetEnv(std::string_view name) {
    const char* v = std::getenv(std::string(name).c_str());
    if (v == nullptr) return std::nullopt;
    return std::string(v);
}

bool SetEnv(std::string_view name, std::string_view value) {
    if (name.empty() || name.find('=') != std::string_view::npos) return false;
    return setenv(std::string(name).c_str(), std::string(value).c_str(), 1) == 0;
}

namespace {

// Starts the program in a session of its own, whose processes keep the
// files of the run's temporary folder that they were given while they run;
// its pid, or -1.
pid_t StartInSession(const std::string& program, const std::vector<std::string>& args) {
    const pid_t pid = Spawn(program, args, true);
#ifdef POSIX_SPAWN_SETSID
    if (pid >= 0) NoteStartedSession(pid);
#endif
    return pid;
}

// A detached thread reaps the child when it ends, so no zombie stays; it
// waits for this pid only and so never takes another's child.
void ReapWhenDone(pid_t pid) {
    try {
        std::thread([pid] { WaitFor(pid); }).detach();
    } catch (...) {
        // No thread to be had: the child still runs; it stays a zombie
        // after its end until this program exits.
    }
}

}  // namespace

std::vector<std::string> SplitCommandWords(std::string_view text) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false, any = false;
    for (const char c : text) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (any) words.push_back(word);
            word.clear();
            any = false;
        } else {
            word += c;
            any = true;
        }
    }
    if (any) words.push_back(word);
    return words;
}

bool StartProgram(const std::string& program, const std::vector<std::string>& args) {
    const pid_t pid = StartInSession(program, args);
    if (pid < 0) return false;
    ReapWhenDone(pid);
    return true;
}

int StartProgramSettled(const std::string& program, const std::vector<std::string>& args) {
    // Long enough for an opener to look for a viewer and give up, short
    // enough not to hold the window long when the viewer runs in its place.
    constexpr auto kSettle = std::chrono::seconds(3);
    const pid_t pid = StartInSession(program, args);
    if (pid < 0) return -1;
    const auto until = std::chrono::steady_clock::now() + kSettle;
    while (std::chrono::steady_clock::now() < until) {
        int status = 0;
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (r < 0 && errno != EINTR) return 0;  // no longer ours to wait for
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ReapWhenDone(pid);
    return 0;
}

int RunProgram(const std::string& program, const std::vector<std::string>& args) {
    const pid_t pid = Spawn(program, args, false);
    if (pid < 0) return -1;
    return WaitFor(pid);
}

}  // namespace kor2::platform
