// Host file system access: path mapping with case-insensitive lookup, files
// with emulated share modes and open-file-description byte-range locks.
//
// Encoding of names: the program's path texts are code page 850, host names
// are UTF-8. A component that exists on disk is found by its raw bytes, by
// its UTF-8 form or regardless of case (folded per character of code page
// 850); a new component is written in UTF-8. Host names reach the program in
// code page 850; a name that code page cannot hold, or that holds the
// program's separator "\", is not offered to it (FindFiles leaves it out).
#include "platform/hostfs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <utility>

#include "platform/codepage.h"
#include "platform/filerights.h"
#include "platform/oemtext.h"
#include "platform/progfiles.h"

namespace kor2::platform {

namespace {

bool HasHighBytes(std::string_view s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// Whether s is well-formed UTF-8 (ASCII included).
bool IsValidUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        int extra = 0;
        uint32_t cp = 0, min = 0;
        if (b < 0x80) { ++i; continue; }
        if ((b & 0xE0) == 0xC0) { extra = 1; cp = b & 0x1F; min = 0x80; }
        else if ((b & 0xF0) == 0xE0) { extra = 2; cp = b & 0x0F; min = 0x800; }
        else if ((b & 0xF8) == 0xF0) { extra = 3; cp = b & 0x07; min = 0x10000; }
        else return false;
        if (i + extra >= s.size()) return false;
        for (int k = 1; k <= extra; ++k) {
            const auto c = static_cast<unsigned char>(s[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}

// A host name in the program's form where code page 850 holds it, else as
// stored (a name found on disk is still found again by its raw bytes).
std::string ProgramName(std::string_view hostName) {
    if (auto oem = HostToProgram(hostName)) return *std::move(oem);
    return std::string(hostName);
}

// Case folding of the program's code page, one byte per character: a letter
// whose upper case code page 1252 holds (as the platform's file system folds
// case) becomes that upper case where code page 850 holds it too; any other
// character is its own key.
const std::array<unsigned char, 256>& FoldTable() {
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> t{};
        for (int b = 0; b < 256; ++b) {
            t[b] = static_cast<unsigned char>(b);
            const std::string utf8 = OemToUtf8(std::string(1, static_cast<char>(b)));
            const std::string ansi = Utf8ToAnsi(utf8);
            if (AnsiToUtf8(ansi) != utf8) continue;
            const std::string upper = AnsiToUtf8(AnsiUpper(ansi));
            const std::string oem = Utf8ToOem(upper);
            if (OemToUtf8(oem) == upper) t[b] = static_cast<unsigned char>(oem[0]);
        }
        return t;
    }();
    return table;
}

// The key under which two names of the program are the same regardless of case.
std::string FoldProgramName(std::string_view oem) {
    std::string key(oem);
    for (char& c : key) c = static_cast<char>(FoldTable()[static_cast<unsigned char>(c)]);
    return key;
}

// The same key for a host name (UTF-8); nullopt for a name that code page 850
// cannot hold, which no name of the program folds to.
std::optional<std::string> FoldHostName(std::string_view utf8) {
    if (auto oem = HostToProgram(utf8)) return FoldProgramName(*oem);
    return std::nullopt;
}

bool EntryExists(const std::string& p) {
    struct stat st;
    return lstat(p.c_str(), &st) == 0;
}

std::string Join(const std::string& dir, std::string_view name) {
    if (dir.empty()) return std::string(name);
    if (dir.back() == '/') return dir + std::string(name);
    return dir + "/" + std::string(name);
}

// The current folder as the host writes it; "." when the host does not tell.
std::string HostCurrentDir() {
    std::string buf(4096, '\0');
    while (getcwd(buf.data(), buf.size()) == nullptr) {
        if (errno != ERANGE) return ".";
        buf.resize(buf.size() * 2);
    }
    buf.resize(std::strlen(buf.c_str()));
    return buf;
}

// The names of a host path, without empty and "." steps.
std::vector<std::string> Components(std::string_view path) {
    std::vector<std::string> parts;
    for (std::size_t i = 0; i < path.size();) {
        const std::size_t j = std::min(path.find('/', i), path.size());
        if (j > i && path.substr(i, j - i) != ".") parts.emplace_back(path.substr(i, j - i));
        i = j + 1;
    }
    return parts;
}

// Absolute host paths whose names the run has found on disk (the most recent
// last), so that their case is still known where a folder above them cannot
// be listed.
class ReachedPaths {
public:
    void Add(const std::string& path) {
        const std::lock_guard<std::mutex> hold(lock_);
        const auto at = std::find(paths_.begin(), paths_.end(), path);
        if (at != paths_.end())
            paths_.erase(at);
        else if (paths_.size() == kKept)
            paths_.erase(paths_.begin());
        paths_.push_back(path);
    }
    std::vector<std::string> All() {
        const std::lock_guard<std::mutex> hold(lock_);
        return paths_;
    }

private:
    static constexpr std::size_t kKept = 64;
    std::mutex lock_;
    std::vector<std::string> paths_;
};

ReachedPaths& Reached() {
    static ReachedPaths reached;
    return reached;
}

// For folder `dir`, which cannot be listed (passable only, mode 0711): the
// real name of `comp` in it, taken from a path the run knows by its real case
// and that runs through dir (the temporary, home, configuration and current
// folders, the executable's folder, paths found before); nullopt when none
// does.
std::optional<std::string> KnownComponent(const std::string& dir, std::string_view comp) {
    std::vector<std::string> known = {HostCurrentDir(), ExecutableFolder()};
    for (const char* var : {"TEMP", "TMPDIR", "HOME", "XDG_CONFIG_HOME"})
        if (const char* v = std::getenv(var); v != nullptr && v[0] == '/') known.emplace_back(v);
    for (std::string& path : Reached().All()) known.push_back(std::move(path));
    const std::vector<std::string> steps =
        Components(!dir.empty() && dir[0] == '/' ? dir : Join(known[0], dir));
    const std::string want = FoldProgramName(comp);
    for (const std::string& folder : known) {
        const std::vector<std::string> path = Components(folder);
        if (path.size() <= steps.size() || !std::equal(steps.begin(), steps.end(), path.begin()))
            continue;
        const std::string& name = path[steps.size()];
        if (FoldHostName(name) == want && EntryExists(Join(dir, name))) return name;
    }
    return std::nullopt;
}

// The name of an entry of folder `dir` (host path, "" = current folder) for
// the program's component `comp`, or nullopt when none matches. A name that
// exists as written is taken as written; otherwise the folder is listed for
// a name that differs only in case, or where it cannot be listed, the run's
// known folders tell.
// With ownSpelling only a name spelt as comp is taken (a decomposed form
// of it too), never one that differs in case.
std::optional<std::string> FindComponent(const std::string& dir, std::string_view comp,
                                         bool ownSpelling) {
    if (EntryExists(Join(dir, comp))) return std::string(comp);
    if (HasHighBytes(comp)) {
        std::string utf8 = OemToUtf8(comp);
        if (EntryExists(Join(dir, utf8))) return utf8;
    }
    DIR* d = opendir(dir.empty() ? "." : dir.c_str());
    if (d == nullptr) return ownSpelling ? std::nullopt : KnownComponent(dir, comp);
    const std::string want = ownSpelling ? std::string(comp) : FoldProgramName(comp);
    std::optional<std::string> best;
    while (dirent* e = readdir(d)) {
        const std::string_view name = e->d_name;
        if (name == "." || name == "..") continue;
        if ((ownSpelling ? HostToProgram(name) : FoldHostName(name)) == want) {
            // Several names differing only in case: take the smallest, so
            // that the choice does not depend on the directory order.
            if (!best || name < *best) best = std::string(name);
        }
    }
    closedir(d);
    return best;
}

// Splits "folder/pattern" (host separators) at the last "/".
std::pair<std::string, std::string> SplitLast(const std::string& p) {
    const auto slash = p.rfind('/');
    if (slash == std::string::npos) return {"", p};
    return {p.substr(0, slash + 1), p.substr(slash + 1)};
}

// Windows-style wildcard match, case-insensitive on folded texts.
bool WildMatch(std::string_view pat, std::string_view name) {
    std::size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pat.size() && (pat[p] == '?' || pat[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pat.size() && pat[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pat.size() && pat[p] == '*') ++p;
    return p == pat.size();
}

// Whether a folded name matches a folded pattern.
bool Matches(const std::string& pat, const std::string& nm) {
    if (pat == "*.*" || pat == "*") return true;
    if (WildMatch(pat, nm)) return true;
    // "NAME.*" also matches "NAME" without an extension, as on the platform.
    if (pat.size() >= 2 && pat.compare(pat.size() - 2, 2, ".*") == 0 &&
        nm.find('.') == std::string::npos)
        return WildMatch(pat.substr(0, pat.size() - 2), nm);
    return false;
}

uint32_t AttrOf(const struct stat& st, std::string_view name) {
    uint32_t a = 0;
    if (S_ISDIR(st.st_mode)) a |= faDirectory;
    else a |= faArchive;
    if ((st.st_mode & S_IWUSR) == 0) a |= faReadOnly;
    if (!name.empty() && name[0] == '.' && name != "." && name != "..") a |= faHidden;
    return a;
}

std::string BaseName(const std::string& host) {
    std::string p = host;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    const auto slash = p.rfind('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

// Share-mode emulation: every open holds read locks on marker bytes far
// beyond any data (the table engine locks records from 0x40000000):
// "open for reading", "open for writing", "denies reading", "denies writing".
// An open fails when a marker it is incompatible with is held by another
// open file description.
constexpr off_t kShareBase = 0x7FFF000000000000LL;
enum ShareByte { kHasRead = 0, kHasWrite = 1, kDenyRead = 2, kDenyWrite = 3 };

bool SetLock(int fd, short type, off_t start, off_t len) {
    struct flock fl;
    std::memset(&fl, 0, sizeof fl);
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = start;
    fl.l_len = len;
    return fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

// Whether another open file description holds a lock on the marker byte.
bool HeldByOther(int fd, ShareByte b) {
    struct flock fl;
    std::memset(&fl, 0, sizeof fl);
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = kShareBase + b;
    fl.l_len = 1;
    if (fcntl(fd, F_OFD_GETLK, &fl) != 0) return true;
    return fl.l_type != F_UNLCK;
}

// Takes the share markers for an open; false (errno EBUSY) on a conflict.
bool ApplyShareMode(int fd, bool fdReadable, bool reading, bool writing, int shareMode) {
    const int share = shareMode & 0x70;
    // 0x10 deny read/write, 0x20 deny write, 0x30 deny read; compatibility
    // (0) behaves like deny none (0x40), as Win32 treats OF_SHARE_COMPAT.
    const bool denyRead = share == 0x10 || share == 0x30;
    const bool denyWrite = share == 0x10 || share == 0x20;
    // A descriptor open only for writing cannot hold read locks: it can still
    // be refused, but does not refuse others (host-side write-only files only).
    auto take = [&](ShareByte b) { return !fdReadable || SetLock(fd, F_RDLCK, kShareBase + b, 1); };
    // Markers first, checks after: two opens racing each other both see the
    // other's markers, so neither slips through (at worst both fail).
    if ((reading && !take(kHasRead)) || (writing && !take(kHasWrite)) ||
        (denyRead && !take(kDenyRead)) || (denyWrite && !take(kDenyWrite))) {
        errno = EBUSY;  // a conflicting holder has the marker locked exclusively
        return false;
    }
    if ((reading && HeldByOther(fd, kDenyRead)) || (writing && HeldByOther(fd, kDenyWrite)) ||
        (denyRead && HeldByOther(fd, kHasRead)) || (denyWrite && HeldByOther(fd, kHasWrite))) {
        errno = EBUSY;
        return false;
    }
    return true;
}

bool WriteAll(int fd, const char* data, std::size_t len) {
    while (len > 0) {
        const ssize_t n = write(fd, data, len);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        len -= static_cast<std::size_t>(n);
    }
    return true;
}

std::atomic<unsigned> g_tempCounter{0};

}  // namespace

std::optional<std::string> HostToProgram(std::string_view host) {
    if (!HasHighBytes(host)) return std::string(host);
    if (!IsValidUtf8(host)) return std::nullopt;
    const std::string composed = ComposeLatin1Marks(host);
    std::string oem = Utf8ToOem(composed);
    if (OemToUtf8(oem) != composed) return std::nullopt;
    return oem;
}

std::string ExistingName(std::string_view path) {
    std::size_t start = path.find_last_of("\\/");
    start =
        start == std::string_view::npos ? (path.size() >= 2 && path[1] == ':' ? 2 : 0) : start + 1;
    const std::string_view given = path.substr(start);
    if (given.empty() || given == "." || given == "..") return std::string(path);
    const std::string onDisk = BaseName(HostPath(path));
    const auto spelt = HostToProgram(onDisk);
    if (!spelt || *spelt == given) return std::string(path);
    return std::string(path.substr(0, start)) + *spelt;
}

EntryKind EntryKindOf(std::string_view path, Lookup lookup) {
    struct stat st;
    const std::string host = HostPath(path, lookup);
    if ((lookup == Lookup::Read ? stat(host.c_str(), &st) : lstat(host.c_str(), &st)) != 0)
        return EntryKind::Missing;
    return EntryKindOfMode(st.st_mode);
}

EntryKind EntryKindOfMode(uint32_t mode) {
    if (S_ISREG(mode)) return EntryKind::File;
    if (S_ISDIR(mode)) return EntryKind::Folder;
    if (S_ISLNK(mode)) return EntryKind::Link;
    if (S_ISFIFO(mode)) return EntryKind::Fifo;
    if (S_ISCHR(mode) || S_ISBLK(mode)) return EntryKind::Device;
    if (S_ISSOCK(mode)) return EntryKind::Socket;
    return EntryKind::Other;
}

std::string HostPath(std::string_view path, Lookup lookup) {
    // "/" separators, no drive; the drive letter is ASCII whatever the
    // locale says a letter is.
    const bool given = !path.empty();
    if (path.size() >= 2 && path[1] == ':' &&
        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')))
        path.remove_prefix(2);
    std::string s(path);
    std::replace(s.begin(), s.end(), '\\', '/');
    if (s.empty()) return given ? std::string(".") : std::string();
    const bool absolute = s[0] == '/';
    const bool trailing = s.size() > 1 && s.back() == '/';

    std::string out = absolute ? "/" : "";
    bool resolving = true;  // false once a component is missing
    std::string reached;    // the absolute path of the components found
    bool plain = absolute;  // no "." or ".." step so far
    std::size_t i = 0;
    bool first = true;
    while (i < s.size()) {
        const std::size_t j = std::min(s.find('/', i), s.size());
        const std::string_view comp = std::string_view(s).substr(i, j - i);
        i = j + 1;
        if (comp.empty()) continue;  // repeated separators
        std::string name;
        if (comp == "." || comp == "..") {
            name = std::string(comp);
            plain = false;
        } else if (resolving) {
            const bool last = s.find_first_not_of('/', i) == std::string::npos;
            if (auto found = FindComponent(out, comp, last && lookup == Lookup::Write)) {
                name = *found;
                if (plain) reached = Join(out, name);
            } else {
                resolving = false;
                name = OemToUtf8(comp);
            }
        } else {
            name = OemToUtf8(comp);
        }
        if (!first && out.back() != '/') out += '/';
        out += name;
        first = false;
    }
    if (!reached.empty()) Reached().Add(reached);
    if (trailing && !out.empty() && out.back() != '/') out += '/';
    if (out.empty()) out = ".";
    return out;
}

int ProbeNewFile(std::string_view path) {
    const std::string host = HostPath(path, Lookup::Write);
    const int fd = open(host.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return errno;
    close(fd);
    unlink(host.c_str());
    return 0;
}

bool FileExists(std::string_view path) {
    struct stat st;
    return stat(HostPath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(std::string_view path) {
    struct stat st;
    return stat(HostPath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool EraseFile(std::string_view path) {
    const std::string host = HostPath(path);
    struct stat st;
    if (lstat(host.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    return unlink(host.c_str()) == 0;
}

bool RenameFile(std::string_view from, std::string_view to) {
    const std::string src = HostPath(from);
    if (!EntryExists(src)) return false;
    return rename(src.c_str(), HostPath(to, Lookup::Write).c_str()) == 0;
}

bool SameFile(std::string_view a, std::string_view b) {
    struct stat sa, sb;
    return stat(HostPath(a).c_str(), &sa) == 0 && stat(HostPath(b).c_str(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool CreateDir(std::string_view path) {
    return mkdir(HostPath(path, Lookup::Write).c_str(), 0777) == 0;
}
bool RemoveDir(std::string_view path) { return rmdir(HostPath(path).c_str()) == 0; }

std::optional<uint32_t> GetFileAttributes(std::string_view path) {
    const std::string host = HostPath(path);
    struct stat st;
    if (stat(host.c_str(), &st) != 0) return std::nullopt;
    return AttrOf(st, BaseName(host));
}

bool SetReadOnly(std::string_view path, bool readOnly) {
    const std::string host = HostPath(path);
    struct stat st;
    if (stat(host.c_str(), &st) != 0) return false;
    mode_t mode = st.st_mode & 07777;
    if (readOnly) mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    else mode |= S_IWUSR;
    return chmod(host.c_str(), mode) == 0;
}

bool CopyFileMode(std::string_view from, std::string_view to) {
    struct stat st;
    if (stat(HostPath(from).c_str(), &st) != 0) return false;
    return chmod(HostPath(to).c_str(), st.st_mode & 0777) == 0;
}

std::optional<int64_t> FileSizeOf(std::string_view path) {
    struct stat st;
    if (stat(HostPath(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return static_cast<int64_t>(st.st_size);
}

std::optional<std::time_t> FileModTime(std::string_view path) {
    struct stat st;
    if (stat(HostPath(path).c_str(), &st) != 0) return std::nullopt;
    return st.st_mtime;
}

std::string GetCurrentDir() {
    std::string buf = HostCurrentDir();
    if (buf.size() > 1 && buf.back() == '/') buf.pop_back();
    return ProgramName(buf);
}

bool SetCurrentDir(std::string_view path) { return chdir(HostPath(path).c_str()) == 0; }

std::vector<FoundFile> FindFiles(std::string_view pattern, uint32_t attrMask) {
    std::string p(pattern);
    std::replace(p.begin(), p.end(), '\\', '/');
    auto [folder, mask] = SplitLast(p);
    // A bare drive ("C:*.*") is the current folder of that drive: here ".".
    if (folder.empty() && mask.size() >= 2 && mask[1] == ':') mask.erase(0, 2);
    const std::string dir = folder.empty() ? std::string() : HostPath(folder);
    std::vector<FoundFile> found;
    if (mask.empty()) return found;
    const bool wild = mask.find_first_of("*?") != std::string::npos;
    const uint32_t exclude = ~attrMask & (faHidden | faSysFile | faVolumeID | faDirectory);
    const std::string maskKey = FoldProgramName(mask);

    DIR* d = opendir(dir.empty() ? "." : dir.c_str());
    if (d == nullptr) return found;
    while (dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        // Names the program cannot hold, and names holding its separator "\\",
        // which it would take for a folder and a name.
        if (name.find('\\') != std::string::npos) continue;
        const auto progName = HostToProgram(name);
        if (!progName) continue;
        const std::string key = FoldProgramName(*progName);
        if (wild ? !Matches(maskKey, key) : maskKey != key) continue;
        struct stat st;
        if (stat(Join(dir, name).c_str(), &st) != 0) continue;
        if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) continue;
        const uint32_t attr = AttrOf(st, name);
        if (attr & exclude) continue;
        found.push_back({*progName, S_ISDIR(st.st_mode) ? 0 : static_cast<int64_t>(st.st_size),
                         attr, st.st_mtime});
    }
    closedir(d);
    std::sort(found.begin(), found.end(), [](const FoundFile& a, const FoundFile& b) {
        const std::string fa = FoldProgramName(a.name), fb = FoldProgramName(b.name);
        return fa != fb ? fa < fb : a.name < b.name;
    });
    return found;
}

// ---------------------------------------------------------------- File

File::~File() { Close(); }

File::File(File&& other) noexcept { *this = std::move(other); }

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
        error_ = other.error_;
        pos_ = std::exchange(other.pos_, 0);
        canRead_ = other.canRead_;
        canWrite_ = other.canWrite_;
        fdReadable_ = other.fdReadable_;
        fdWritable_ = other.fdWritable_;
        dirFd_ = std::exchange(other.dirFd_, -1);
        createdAs_ = std::move(other.createdAs_);
        baseName_ = std::move(other.baseName_);
    }
    return *this;
}

void File::Close() {
    if (fd_ >= 0) close(fd_);  // releases every lock of this open
    fd_ = -1;
    pos_ = 0;
    if (dirFd_ >= 0) close(dirFd_);
    dirFd_ = -1;
    createdAs_.clear();
    baseName_.clear();
}

namespace {

// Opens the descriptor for reading and writing where possible, else with
// just the access asked for; -1 with errno on failure.
int OpenDescriptor(const std::string& host, bool reading, bool writing, int extraFlags,
                   bool& fdReadable, bool& fdWritable) {
    int fd = open(host.c_str(), O_RDWR | O_CLOEXEC | extraFlags, 0666);
    if (fd >= 0) {
        fdReadable = fdWritable = true;
        return fd;
    }
    if (errno == ENOENT || errno == EISDIR || (reading && writing)) return -1;
    fd = open(host.c_str(), (writing ? O_WRONLY : O_RDONLY) | O_CLOEXEC | extraFlags, 0666);
    fdReadable = fd >= 0 && !writing;
    fdWritable = fd >= 0 && writing;
    return fd;
}

}  // namespace

File File::Open(std::string_view path, OpenMode mode, int shareMode) {
    return OpenWith(path, mode, shareMode, 0);
}

File File::OpenWith(std::string_view path, OpenMode mode, int shareMode, int extraFlags) {
    File f;
    f.canRead_ = mode != OpenMode::Write;
    f.canWrite_ = mode != OpenMode::Read;
    const int fd = OpenDescriptor(HostPath(path), f.canRead_, f.canWrite_, extraFlags,
                                  f.fdReadable_, f.fdWritable_);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) ||
        ((extraFlags & O_NOFOLLOW) != 0 && !S_ISREG(st.st_mode))) {
        f.error_ = fd < 0 ? errno : EISDIR;
        if (fd >= 0) close(fd);
        return f;
    }
    if (!ApplyShareMode(fd, f.fdReadable_, f.canRead_, f.canWrite_, shareMode)) {
        f.error_ = errno;
        close(fd);
        return f;
    }
    f.fd_ = fd;
    return f;
}

File File::Create(std::string_view path, int shareMode) {
    File f;
    f.canRead_ = f.canWrite_ = true;
    const std::string host = HostPath(path, Lookup::Write);
    // Not O_TRUNC: an open that the share mode refuses must not empty the file.
    const int fd = OpenDescriptor(host, true, true, O_CREAT, f.fdReadable_, f.fdWritable_);
    if (fd < 0) {
        f.error_ = errno;
        return f;
    }
    if (!ApplyShareMode(fd, f.fdReadable_, true, true, shareMode) || ftruncate(fd, 0) != 0) {
        f.error_ = errno;
        close(fd);
        return f;
    }
    f.fd_ = fd;
    return f;
}

File File::CreateNew(std::string_view path, int shareMode) {
    File f;
    f.canRead_ = f.canWrite_ = true;
    const auto [dir, base] = SplitLast(HostPath(path, Lookup::Write));
    f.dirFd_ = open(dir.empty() ? "." : dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    const int fd = f.dirFd_ < 0 ? -1
                                : openat(f.dirFd_, base.c_str(),
                                         O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int error = errno;
        f.Close();
        f.error_ = error;
        return f;
    }
    f.fdReadable_ = f.fdWritable_ = true;
    f.fd_ = fd;
    f.createdAs_ = std::string(path);
    f.baseName_ = base;
    // Another program that cleared the name between the creation and the
    // share markers has it, or had it erased: the file is not ours then.
    if (!ApplyShareMode(fd, true, true, true, shareMode) || !f.IsAt(path)) {
        f.Close();
        f.error_ = EBUSY;
    }
    return f;
}

File File::Adopt(int fd, bool reading, bool writing, int shareMode, int dirFd,
                 std::string_view createdAs, std::string_view baseName) {
    File f;
    f.canRead_ = reading;
    f.canWrite_ = writing;
    f.fdReadable_ = reading || (fcntl(fd, F_GETFL) & O_ACCMODE) == O_RDWR;
    f.fdWritable_ = writing;
    f.dirFd_ = dirFd;
    if (!ApplyShareMode(fd, f.fdReadable_, reading, writing, shareMode)) {
        const int error = errno;
        close(fd);
        f.Close();
        f.error_ = error;
        return f;
    }
    f.fd_ = fd;
    f.createdAs_ = std::string(createdAs);
    f.baseName_ = std::string(baseName);
    return f;
}

File File::OpenNoLink(std::string_view path, OpenMode mode, int shareMode) {
    // Not waiting on a pipe put at the name: only a regular file is taken.
    return OpenWith(path, mode, shareMode, O_NOFOLLOW | O_NONBLOCK);
}

File File::Duplicate() const {
    File f;
    f.fd_ = fd_ >= 0 ? fcntl(fd_, F_DUPFD_CLOEXEC, 0) : -1;
    f.error_ = f.fd_ < 0 ? (fd_ < 0 ? EBADF : errno) : 0;
    f.canRead_ = canRead_;
    f.canWrite_ = canWrite_;
    f.fdReadable_ = fdReadable_;
    f.fdWritable_ = fdWritable_;
    return f;
}

bool File::InCreatedFolder(std::string_view path) const {
    return dirFd_ >= 0 && path == createdAs_;
}

namespace {

// The folder part of a path text ("\" or "/" separators), its separator included.
std::string_view FolderOf(std::string_view path) {
    const std::size_t sep = path.find_last_of("\\/");
    return sep == std::string_view::npos ? std::string_view() : path.substr(0, sep + 1);
}

}  // namespace

bool File::IsAt(std::string_view path) const {
    struct stat mine, named;
    const int got = InCreatedFolder(path)
                        ? fstatat(dirFd_, baseName_.c_str(), &named, AT_SYMLINK_NOFOLLOW)
                        : lstat(HostPath(path, Lookup::Write).c_str(), &named);
    return fd_ >= 0 && fstat(fd_, &mine) == 0 && got == 0 && mine.st_dev == named.st_dev &&
           mine.st_ino == named.st_ino;
}

bool File::TakeOwnerAndModeOf(std::string_view like, std::string* lost) {
    std::string why;
    const bool kept = fd_ >= 0 && KeepRightsOf(fd_, HostPath(like), why);
    if (lost != nullptr) *lost = fd_ >= 0 ? why : ErrnoText(EBADF);
    return kept;
}

bool File::ShareRightsOf(std::string_view like) {
    struct stat st;
    if (fd_ < 0 || stat(HostPath(like).c_str(), &st) != 0) return false;
    if (fchown(fd_, st.st_uid, st.st_gid) != 0)
        (void)!fchown(fd_, static_cast<uid_t>(-1), st.st_gid);
    // A file this account could not give away stays writable for it.
    struct stat mine;
    mode_t mode = st.st_mode & 0666;
    if (fstat(fd_, &mine) == 0 && mine.st_uid == geteuid()) mode |= S_IRUSR | S_IWUSR;
    return fchmod(fd_, mode) == 0;
}

bool File::RenameOver(std::string_view from, std::string_view to) {
    if (!IsAt(from)) {
        error_ = ESTALE;
        return false;
    }
    // Beside the target, the rename stays in the folder the file was made in.
    const bool beside = InCreatedFolder(from) && FolderOf(to) == FolderOf(createdAs_);
    const int done =
        beside ? renameat(dirFd_, baseName_.c_str(), dirFd_,
                          SplitLast(HostPath(to, Lookup::Write)).second.c_str())
               : rename(HostPath(from, Lookup::Write).c_str(), HostPath(to, Lookup::Write).c_str());
    if (done != 0) {
        error_ = errno;
        return false;
    }
    return true;
}

bool File::EraseAt(std::string_view from) {
    if (!IsAt(from)) return false;
    return InCreatedFolder(from) ? unlinkat(dirFd_, baseName_.c_str(), 0) == 0
                                 : unlink(HostPath(from, Lookup::Write).c_str()) == 0;
}

int64_t File::ReadAt(int64_t pos, void* buf, int64_t len) {
    if (fd_ < 0 || !canRead_ || pos < 0 || len < 0) {
        error_ = fd_ < 0 || !canRead_ ? EBADF : EINVAL;
        return -1;
    }
    auto* p = static_cast<char*>(buf);
    int64_t done = 0;
    while (done < len) {
        const ssize_t n = pread(fd_, p + done, static_cast<std::size_t>(len - done), pos + done);
        if (n < 0) {
            if (errno == EINTR) continue;
            error_ = errno;
            return -1;
        }
        if (n == 0) break;  // end of file
        done += n;
    }
    return done;
}

int64_t File::WriteAt(int64_t pos, const void* buf, int64_t len) {
    if (fd_ < 0 || !canWrite_ || pos < 0 || len < 0) {
        error_ = fd_ < 0 || !canWrite_ ? EBADF : EINVAL;
        return -1;
    }
    const auto* p = static_cast<const char*>(buf);
    int64_t done = 0;
    while (done < len) {
        const ssize_t n = pwrite(fd_, p + done, static_cast<std::size_t>(len - done), pos + done);
        if (n < 0) {
            if (errno == EINTR) continue;
            error_ = errno;
            return done > 0 ? done : -1;
        }
        done += n;
    }
    return done;
}

int64_t File::Read(void* buf, int64_t len) {
    const int64_t n = ReadAt(pos_, buf, len);
    if (n > 0) pos_ += n;
    return n;
}

int64_t File::Write(const void* buf, int64_t len) {
    const int64_t n = WriteAt(pos_, buf, len);
    if (n > 0) pos_ += n;
    return n;
}

bool File::Seek(int64_t pos) {
    if (fd_ < 0 || pos < 0) {
        error_ = fd_ < 0 ? EBADF : EINVAL;
        return false;
    }
    pos_ = pos;
    return true;
}

int64_t File::Position() const { return pos_; }

int64_t File::Size() const {
    struct stat st;
    if (fd_ < 0 || fstat(fd_, &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

bool File::Truncate(int64_t size) {
    if (fd_ < 0 || !canWrite_ || size < 0 || ftruncate(fd_, size) != 0) {
        error_ = fd_ < 0 || !canWrite_ ? EBADF : size < 0 ? EINVAL : errno;
        return false;
    }
    return true;
}

bool File::Flush() {
    if (fd_ < 0 || fsync(fd_) != 0) {
        error_ = fd_ < 0 ? EBADF : errno;
        return false;
    }
    return true;
}

bool File::SetRangeLock(int type, int64_t offset, int64_t length) {
    if (fd_ < 0 || offset < 0 || length <= 0) {
        error_ = fd_ < 0 ? EBADF : EINVAL;
        return false;
    }
    if (!SetLock(fd_, static_cast<short>(type), offset, length)) {
        error_ = errno;
        return false;
    }
    return true;
}

bool File::Lock(int64_t offset, int64_t length) {
    return SetRangeLock(fdWritable_ ? F_WRLCK : F_RDLCK, offset, length);
}

bool File::LockShared(int64_t offset, int64_t length) {
    return SetRangeLock(fdReadable_ ? F_RDLCK : F_WRLCK, offset, length);
}

bool File::Unlock(int64_t offset, int64_t length) {
    return SetRangeLock(F_UNLCK, offset, length);
}

// ---------------------------------------------------------------- whole files

std::optional<std::string> ReadWholeFile(std::string_view path) {
    const int fd = open(HostPath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return std::nullopt;
    }
    std::string data;
    data.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        data.append(buf, static_cast<std::size_t>(n));
    }
    close(fd);
    return data;
}

std::optional<std::string> ReadSmallFile(std::string_view path, int64_t maxBytes, int& error) {
    File f = File::OpenNoLink(path, OpenMode::Read);
    if (!f.IsOpen()) {
        error = f.Error();
        return std::nullopt;
    }
    const int64_t size = f.Size();
    if (size < 0 || size > maxBytes) {
        error = size < 0 ? f.Error() : EFBIG;
        return std::nullopt;
    }
    std::string data(static_cast<std::size_t>(size), '\0');
    if (f.ReadAt(0, data.data(), size) != size) {
        error = EIO;
        return std::nullopt;
    }
    return data;
}

std::optional<std::string> ResolvedPath(std::string_view path, Lookup lookup) {
    char* real = realpath(HostPath(path, lookup).c_str(), nullptr);
    if (real == nullptr) return std::nullopt;
    std::string out = ProgramName(real);
    std::free(real);
    return out;
}

bool EraseUnheldFile(std::string_view path) {
    File f = File::OpenNoLink(path, OpenMode::ReadWrite, 0x10);
    if (!f.IsOpen()) f = File::OpenNoLink(path, OpenMode::Read, 0x10);
    return f.IsOpen() && f.EraseAt(path);
}

bool MayWriteFile(std::string_view path) {
    return faccessat(AT_FDCWD, HostPath(path).c_str(), W_OK, AT_EACCESS) == 0;
}

std::string RightsLostByReplacing(std::string_view path) {
    return RightsLostReplacing(HostPath(path));
}

bool WriteFileReplacing(std::string_view path, std::string_view data, std::string* failure) {
    const auto fail = [&](int error, const std::string& text) {
        if (failure != nullptr) *failure = text;
        errno = error;
        return false;
    };
    // A link at the name is followed only where the link rule lets it; the
    // new file then replaces the file it leads to, and the link stays.
    const WriteTarget target = WriteTargetOf(path);
    if (target.error != 0) return fail(target.error, WriteTargetRefusal(target));
    const std::string host = HostPath(target.path, Lookup::Write);
    const auto [dir, name] = SplitLast(host);
    if (name.empty()) return fail(EISDIR, ErrnoText(EISDIR));
    struct stat old;
    const bool hadOld = lstat(host.c_str(), &old) == 0;
    if (hadOld && !S_ISREG(old.st_mode))
        return fail(EISDIR, "keine Datei: " + DisplayPath(ProgramName(host)));

    std::string temp;
    const int fd = CreateRandomFile(dir, "." + name + ".kor2tmp.", "", temp);
    if (fd < 0) {
        const int error = errno;
        return fail(error, "Hilfsdatei " + DisplayPath(ProgramName(temp)) +
                               " nicht angelegt: " + ErrnoText(error));
    }
    bool ok = WriteAll(fd, data.data(), data.size());
    int error = ok ? 0 : errno;
    // Rights only from a file of this account's own (its group as far as
    // this account belongs to it); else the default mode.
    std::string lost;
    if (ok && hadOld && old.st_uid == geteuid()) KeepRightsOf(fd, host, lost);
    const auto step = [&](bool done) {
        if (ok && !done) {
            ok = false;
            error = errno;
        }
    };
    step(!ok || fsync(fd) == 0);
    step(close(fd) == 0);
    step(!ok || rename(temp.c_str(), host.c_str()) == 0);
    if (!ok) {
        unlink(temp.c_str());
        // A full disk says itself what happened; anything else gets its cause.
        return fail(error, error == ENOSPC || error == EDQUOT ? std::string() : ErrnoText(error));
    }
    // Make the rename itself durable.
    const int dfd = open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        fsync(dfd);
        close(dfd);
    }
    return true;
}

std::string TempPath() {
    std::string dir;
    for (const char* var : {"TEMP", "TMPDIR"}) {
        const char* v = std::getenv(var);
        if (v != nullptr && *v != '\0') {
            dir = v;
            break;
        }
    }
    if (dir.empty()) dir = "/tmp";
    dir = ProgramName(dir);
    std::replace(dir.begin(), dir.end(), '/', '\\');
    if (dir.back() != '\\') dir += '\\';
    return dir;
}

std::string TempFileName(std::string_view folder, std::string_view prefix) {
    std::string base(folder);
    if (base.empty()) base = ".";
    if (base.back() != '\\' && base.back() != '/') base += '\\';
    const std::string pre(prefix.substr(0, 3));
    std::string made;
    const int fd = CreateRandomFile(HostPath(base), pre, ".TMP", made);
    if (fd < 0) return std::string();
    close(fd);
    return base + made.substr(made.rfind('/') + 1);
}

std::string CreateTempFile(std::string_view folder, std::string_view prefix, File& file,
                           int shareMode) {
    std::string base(folder);
    if (base.empty()) base = ".";
    if (base.back() != '\\' && base.back() != '/') base += '\\';
    const std::string pre(prefix.substr(0, 3));
    unsigned start = (static_cast<unsigned>(getpid()) * 2654435761u +
                      static_cast<unsigned>(time(nullptr)) + g_tempCounter.fetch_add(1)) & 0xFFFF;
    int takenOver = 0;
    for (unsigned k = 0; k < 0x10000; ++k) {
        const unsigned unique = (start + k) & 0xFFFF;
        if (unique == 0) continue;
        char name[16];
        std::snprintf(name, sizeof name, "%04X.TMP", unique);
        const std::string prog = base + pre + name;
        file = File::CreateNew(prog, shareMode);
        if (file.IsOpen()) return prog;
        // A name in use: the next. One another program took over at once
        // (or swapped for something else) is tried again a few times only.
        const int error = file.Error();
        if ((error != EEXIST && error != EBUSY) || (error == EBUSY && ++takenOver > 16)) {
            errno = error;
            return std::string();
        }
    }
    errno = EEXIST;
    return std::string();
}

}  // namespace kor2::platform
