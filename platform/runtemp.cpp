// The run's private temporary folders and their removal at every end of the
// run. The removal also runs inside fatal-signal handlers and in a forked
// waiter, so everything it touches is a fixed-size record in blocks that are
// only ever added (made in the normal context), and every call it makes is
// async-signal-safe (no allocation, no stdio, raw syscalls).
#include "platform/runtemp.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include "platform/hostfs.h"

namespace kor2::platform {

namespace {

constexpr int kBlockFolders = 8;
constexpr int kMaxSessions = 32;
constexpr std::size_t kPathMax = PATH_MAX;
constexpr int kMaxDepth = 8;  // sub-folders removed below a private folder

// A private folder of the process `owner` (a forked child inherits the
// records of its parent and must leave those folders alone).
struct FolderRecord {
    volatile sig_atomic_t used = 0;
    pid_t owner = 0;
    char path[kPathMax] = {};  // absolute host path
};

// A program started by the process `owner` in a session of its own.
struct SessionRecord {
    volatile sig_atomic_t used = 0;
    pid_t owner = 0;
    pid_t sid = 0;
    time_t started = 0;  // monotonic seconds
};

// A folder's record with the base it was made in and its program path
// (these two are for the normal context only).
struct FolderSlot {
    FolderRecord record;
    std::string base, programPath;
};

// The folders of the run in blocks that are chained and never moved: a run
// may use any number of bases, and the removal walks the chain from signal
// handlers while a new block may be added.
struct FolderBlock {
    FolderSlot slots[kBlockFolders];
    std::atomic<FolderBlock*> next{nullptr};
    std::unique_ptr<FolderBlock> owned;  // the block next points to
    ~FolderBlock() { next.store(nullptr); }
};

FolderBlock g_folders;
SessionRecord g_sessions[kMaxSessions];
std::atomic<int> g_grace{10};
FolderSlot* g_current = nullptr;  // the folder given out last

// Calls visit(record) for every folder record (async-signal-safe).
template <typename Visit>
void ForEachRecord(Visit visit) {
    for (FolderBlock* b = &g_folders; b != nullptr; b = b->next.load(std::memory_order_acquire))
        for (FolderSlot& s : b->slots) visit(s.record);
}

time_t MonotonicSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec;
}

bool IsFolder(const char* path) {
    struct stat st;
    return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

// ---- Async-signal-safe removal ------------------------------------------------------------

// Layout of one record of getdents64: inode (8), offset (8), record length
// (2), type (1), then the name ending in a zero byte.
constexpr std::size_t kDentReclen = 16, kDentType = 18, kDentName = 19;

bool IsDotName(const char* n) {
    return n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'));
}

// Calls visit(name, type) for each entry but "." and ".." of the open
// folder fd, from its start; stops early when visit gives false.
template <typename Visit>
void ForEachEntry(int fd, Visit visit) {
    alignas(8) char buf[2048];
    lseek(fd, 0, SEEK_SET);
    for (;;) {
        const long n = syscall(SYS_getdents64, fd, buf, sizeof buf);
        if (n <= 0) return;
        for (long off = 0; off + static_cast<long>(kDentName) < n;) {
            unsigned short reclen = 0;
            std::memcpy(&reclen, buf + off + kDentReclen, sizeof reclen);
            if (reclen == 0) return;
            const unsigned char type = static_cast<unsigned char>(buf[off + kDentType]);
            const char* name = buf + off + kDentName;
            off += reclen;
            if (!IsDotName(name) && !visit(name, type)) return;
        }
    }
}

void EmptyFolder(int fd, int depth) {
    // Entries removed while reading may shift the rest: read again until a
    // pass finds nothing left (bounded, so a folder that refuses stays).
    for (int pass = 0; pass < 16; ++pass) {
        bool any = false;
        ForEachEntry(fd, [&](const char* name, unsigned char type) {
            any = true;
            if (type != DT_DIR && unlinkat(fd, name, 0) == 0) return true;
            if (depth >= kMaxDepth) return true;
            const int sub = openat(fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub < 0) return true;
            EmptyFolder(sub, depth + 1);
            close(sub);
            unlinkat(fd, name, AT_REMOVEDIR);
            return true;
        });
        if (!any) return;
    }
}

void RemoveFolder(const char* path) {
    const int fd = open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        EmptyFolder(fd, 0);
        close(fd);
    }
    rmdir(path);
}

// ---- Async-signal-safe session test -------------------------------------------------------

// Reads a decimal number at p; advances p past it.
long ParseLong(const char*& p, const char* end) {
    long v = 0;
    bool neg = false;
    if (p < end && *p == '-') {
        neg = true;
        ++p;
    }
    while (p < end && *p >= '0' && *p <= '9') v = v * 10 + (*p++ - '0');
    return neg ? -v : v;
}

// Session id of a process, -1 when it is gone; ended is set for a process
// that has ended but is not yet reaped (a zombie still names its session).
pid_t SessionOf(int procFd, const char* pidName, bool& ended) {
    char path[64];
    std::size_t len = std::strlen(pidName);
    if (len + 6 > sizeof path) return -1;
    std::memcpy(path, pidName, len);
    std::memcpy(path + len, "/stat", 6);
    const int fd = openat(procFd, path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    char buf[512];
    const ssize_t n = read(fd, buf, sizeof buf);
    close(fd);
    if (n <= 0) return -1;
    // "pid (name) state ppid pgrp session ...": the name may hold blanks
    // and parentheses, so the fields start after the last ')'.
    const char* end = buf + n;
    const char* p = end;
    while (p > buf && p[-1] != ')') --p;
    if (p == buf || end - p < 4) return -1;
    ++p;  // blank
    ended = *p == 'Z' || *p == 'X';
    p += 2;
    for (int field = 0; field < 2; ++field) {  // ppid, pgrp
        ParseLong(p, end);
        if (p < end) ++p;
    }
    return static_cast<pid_t>(ParseLong(p, end));
}

bool Tracked(pid_t owner, pid_t sid) {
    for (const SessionRecord& s : g_sessions)
        if (s.used && s.owner == owner && s.sid == sid) return true;
    return false;
}

enum class Scan { Alive, None, Unsure };

// One pass over /proc. The listing comes in batches, so a process forked
// while it runs can be missed: when a member of a session was seen ending
// during the pass, the pass proves nothing (Unsure).
Scan ScanSessions(pid_t owner) {
    const int procFd = open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (procFd < 0) return Scan::None;
    Scan result = Scan::None;
    ForEachEntry(procFd, [&](const char* name, unsigned char) {
        if (name[0] < '1' || name[0] > '9') return true;
        bool ended = false;
        const pid_t sid = SessionOf(procFd, name, ended);
        if (sid <= 0 || !Tracked(owner, sid)) return true;
        result = ended ? Scan::Unsure : Scan::Alive;
        return result != Scan::Alive;
    });
    close(procFd);
    return result;
}

// A process of a started program's session is alive: only two passes in a
// row that see no member, none of them ending, say no.
bool AnySessionAlive(pid_t owner) {
    const timespec step{0, 20 * 1000 * 1000};
    for (int quiet = 0, pass = 0; pass < 50; ++pass) {
        const Scan s = ScanSessions(owner);
        if (s == Scan::Alive) return true;
        quiet = s == Scan::None ? quiet + 1 : 0;
        if (quiet == 2) return false;
        nanosleep(&step, nullptr);
    }
    return true;  // members keep ending and starting: still in use
}

// A file of the owner's folders may still be wanted by a started program.
bool HandOverPending(pid_t owner) {
    const time_t now = MonotonicSeconds();
    bool tracked = false;
    for (const SessionRecord& s : g_sessions) {
        if (!s.used || s.owner != owner) continue;
        if (now - s.started < g_grace.load()) return true;
        tracked = true;
    }
    return tracked && AnySessionAlive(owner);
}

void RemoveOwnFolders(pid_t owner) {
    ForEachRecord([owner](FolderRecord& f) {
        if (!f.used || f.owner != owner) return;
        RemoveFolder(f.path);
        f.used = 0;
    });
}

// The detached waiter: holds none of the run's files or locks, waits until
// no started program of the run is left, then removes the folders.
[[noreturn]] void RunWaiter(pid_t owner) {
    setsid();
    const int nul = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (nul >= 0) {
        dup2(nul, 0);
        dup2(nul, 1);
        dup2(nul, 2);
    }
    if (close_range(3, ~0U, 0) != 0)
        for (int fd = 3; fd < 1024; ++fd) close(fd);
    const timespec step{0, 250 * 1000 * 1000};
    while (HandOverPending(owner)) nanosleep(&step, nullptr);
    RemoveOwnFolders(owner);
    _exit(0);
}

void EndFolders() {
    const pid_t self = getpid();
    bool any = false;
    ForEachRecord([&](const FolderRecord& f) { any = any || (f.used && f.owner == self); });
    if (!any) return;
    if (!HandOverPending(self)) {
        RemoveOwnFolders(self);
        return;
    }
    const pid_t waiter = _Fork();
    if (waiter == 0) RunWaiter(self);
    if (waiter > 0)
        ForEachRecord([self](FolderRecord& f) {
            if (f.used && f.owner == self) f.used = 0;  // the waiter's now
        });
    // No waiter to be had: the folders stay rather than vanish under a viewer.
}

// ---- Hooks at the ends of the run ---------------------------------------------------------

void AtExit() {
    EndFolders();
}

std::terminate_handler g_previousTerminate = nullptr;

[[noreturn]] void OnTerminate() {
    EndFolders();
    if (g_previousTerminate) g_previousTerminate();
    std::abort();
}

void OnFatalSignal(int sig) {
    const int saved = errno;
    EndFolders();
    errno = saved;
    raise(sig);  // the default action, restored by SA_RESETHAND
}

void InstallHooks() {
    std::atexit(AtExit);
    g_previousTerminate = std::set_terminate(OnTerminate);
    for (int sig : {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL}) {
        struct sigaction old {};
        if (sigaction(sig, nullptr, &old) != 0 || old.sa_handler != SIG_DFL) continue;
        struct sigaction act {};
        act.sa_handler = OnFatalSignal;
        sigemptyset(&act.sa_mask);
        act.sa_flags = SA_RESETHAND | SA_NODEFER;
        sigaction(sig, &act, nullptr);
    }
}

bool OwnedHere(const FolderSlot& slot) {
    return slot.record.used && slot.record.owner == getpid();
}

// A slot for a new folder: one that is free or whose folder is gone, else
// one of a new block (no living folder is given up).
FolderSlot& FreeSlot() {
    FolderBlock* last = &g_folders;
    for (FolderBlock* b = &g_folders; b != nullptr; b = b->next.load()) {
        for (FolderSlot& s : b->slots) {
            if (OwnedHere(s) && !IsFolder(s.record.path)) s.record.used = 0;
            if (!OwnedHere(s)) return s;
        }
        last = b;
    }
    last->owned = std::make_unique<FolderBlock>();
    last->next.store(last->owned.get(), std::memory_order_release);
    return last->owned->slots[0];
}

}  // namespace

std::string PrivateTempFolder(std::string_view base) {
    std::string program(base);
    while (!program.empty() && program.back() == ' ') program.pop_back();
    if (program.empty()) program = TempPath();
    if (program.back() != '\\' && program.back() != '/') program += '\\';
    std::string hostBase = HostPath(program);
    while (hostBase.size() > 1 && hostBase.back() == '/') hostBase.pop_back();

    for (FolderBlock* b = &g_folders; b != nullptr; b = b->next.load()) {
        for (FolderSlot& s : b->slots) {
            if (OwnedHere(s) && s.base == hostBase && IsFolder(s.record.path)) {
                g_current = &s;
                return s.programPath;
            }
        }
    }
    std::string pattern = hostBase + "/kor2-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) return {};  // mode 0700
    char absolute[PATH_MAX];
    if (realpath(pattern.c_str(), absolute) == nullptr ||
        std::strlen(absolute) >= kPathMax) {
        rmdir(pattern.c_str());
        return {};
    }
    FolderSlot& slot = FreeSlot();
    FolderRecord& f = slot.record;
    f.used = 0;
    f.owner = getpid();
    std::memcpy(f.path, absolute, std::strlen(absolute) + 1);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    f.used = 1;
    slot.base = hostBase;
    slot.programPath = program + pattern.substr(pattern.rfind('/') + 1) + '\\';
    g_current = &slot;

    static std::once_flag hooks;
    std::call_once(hooks, InstallHooks);
    return slot.programPath;
}

std::string CurrentPrivateTempFolder() {
    if (g_current != nullptr && OwnedHere(*g_current) && IsFolder(g_current->record.path))
        return g_current->programPath;
    return PrivateTempFolder(TempPath());
}

bool InPrivateTempFolder(std::string_view file) {
    std::string host = HostPath(std::string(file));
    const auto slash = host.rfind('/');
    host =
        slash == std::string::npos ? std::string(".") : host.substr(0, std::max<size_t>(slash, 1));
    char absolute[PATH_MAX];
    if (realpath(host.c_str(), absolute) == nullptr) return false;
    for (FolderBlock* b = &g_folders; b != nullptr; b = b->next.load())
        for (const FolderSlot& s : b->slots)
            if (OwnedHere(s) && std::strcmp(s.record.path, absolute) == 0) return true;
    return false;
}

void EndPrivateTempFolders() {
    EndFolders();
    g_current = nullptr;
}

namespace {

// A new empty file of mode 0600 in the folder above file's own folder,
// named stem + "-XXXXXX" + ext with the X made unique. Its descriptor is
// closed with the object; the file stays unless dropped.
class KeptFile {
public:
    KeptFile(std::string_view file, std::string_view stem, std::string_view ext) {
        const std::string name(file);
        const std::size_t own = name.find_last_of("\\/");
        if (own == std::string::npos || own == 0) return;
        const std::size_t above = name.find_last_of("\\/", own - 1);
        if (above == std::string::npos) return;
        const std::string pattern = name.substr(0, above + 1) + std::string(stem) + "-XXXXXX";
        host_ = HostPath(pattern) + std::string(ext);
        fd_ = mkostemps(host_.data(), static_cast<int>(ext.size()), O_CLOEXEC);
        if (fd_ < 0) return;
        const std::string unique = host_.substr(host_.size() - ext.size() - 6, 6);
        program_ = pattern.substr(0, pattern.size() - 6) + unique + std::string(ext);
    }
    ~KeptFile() { Close(); }
    KeptFile(const KeptFile&) = delete;
    KeptFile& operator=(const KeptFile&) = delete;

    bool Made() const { return fd_ >= 0; }
    const std::string& Host() const { return host_; }
    const std::string& Program() const { return program_; }

    bool Write(std::string_view data) {
        while (!data.empty()) {
            const ssize_t n = write(fd_, data.data(), data.size());
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            data.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }
    bool Close() {
        const int fd = std::exchange(fd_, -1);
        return fd < 0 || close(fd) == 0;
    }
    // Removes the file again: it did not become what it was made for.
    void Drop() {
        Close();
        unlink(host_.c_str());
    }

private:
    std::string host_, program_;
    int fd_ = -1;
};

}  // namespace

std::string KeepBeyondRun(std::string_view file, std::string_view stem, std::string_view ext) {
    KeptFile kept(file, stem, ext);
    if (!kept.Made()) return {};
    kept.Close();
    // Made private while still in the run's own folder, as it will lie where
    // others may look; the move keeps that mode.
    const std::string host = HostPath(file);
    if (chmod(host.c_str(), 0600) != 0 || rename(host.c_str(), kept.Host().c_str()) != 0) {
        kept.Drop();
        return {};
    }
    return kept.Program();
}

std::string KeepCopyBeyondRun(std::string_view file, std::string_view stem, std::string_view ext) {
    const std::optional<std::string> data = ReadWholeFile(file);
    if (!data) return {};
    KeptFile kept(file, stem, ext);
    if (!kept.Made()) return {};
    if (!kept.Write(*data) || !kept.Close()) {
        kept.Drop();
        return {};
    }
    return kept.Program();
}

void NoteStartedSession(pid_t session) {
    const pid_t self = getpid();
    int slot = 0;
    for (int i = 0; i < kMaxSessions; ++i) {
        const SessionRecord& s = g_sessions[i];
        if (!s.used || s.owner != self) {
            slot = i;
            break;
        }
        if (s.started < g_sessions[slot].started) slot = i;  // else the oldest gives way
    }
    SessionRecord& s = g_sessions[slot];
    s.used = 0;
    s.owner = self;
    s.sid = session;
    s.started = MonotonicSeconds();
    std::atomic_signal_fence(std::memory_order_seq_cst);
    s.used = 1;
}

void SetHandOverGrace(int seconds) {
    g_grace = seconds < 0 ? 0 : seconds;
}

}  // namespace kor2::platform
