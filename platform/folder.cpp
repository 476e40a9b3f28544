// A folder held by its handle (O_PATH): fstatat, openat, renameat and unlinkat
// on the names of the engine's own files, in their own spelling only.
#include "platform/folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/codepage.h"

namespace kor2::platform {

namespace {

// A bare name of the folder, as the host spells it; empty for anything else.
std::string HostName(std::string_view name) {
    if (name.empty() || name == "." || name == ".." ||
        name.find_first_of("/\\") != std::string_view::npos ||
        name.find('\0') != std::string_view::npos)
        return std::string();
    return OemToUtf8(name);
}

FolderEntry FactsOf(const struct stat& st) {
    FolderEntry e;
    e.kind = EntryKindOfMode(st.st_mode);
    e.links = st.st_nlink;
    e.owner = st.st_uid;
    e.size = st.st_size;
    e.device = st.st_dev;
    e.inode = st.st_ino;
    return e;
}

}  // namespace

Folder::Folder(std::string_view path) : path_(path) {
    if (!path_.empty() && path_.back() != '\\' && path_.back() != '/') path_ += '\\';
    const std::string host = HostPath(path_.empty() ? std::string_view(".") : path_);
    fd_ = open(host.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    struct stat st {};
    if (fd_ < 0 || fstat(fd_, &st) != 0) {
        error_ = errno;
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
        return;
    }
    owner_ = st.st_uid;
    sticky_ = (st.st_mode & S_ISVTX) != 0;
}

Folder::~Folder() {
    if (fd_ >= 0) close(fd_);
}

Folder::Folder(Folder&& other) noexcept {
    *this = std::move(other);
}

Folder& Folder::operator=(Folder&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        error_ = other.error_;
        owner_ = other.owner_;
        sticky_ = other.sticky_;
        path_ = std::move(other.path_);
    }
    return *this;
}

FolderEntry Folder::Look(std::string_view name) const {
    FolderEntry e;
    const std::string host = HostName(name);
    struct stat st {};
    if (fd_ < 0 || host.empty() || fstatat(fd_, host.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return e;
    return FactsOf(st);
}

FolderEntry Folder::Facts(const File& file) {
    struct stat st {};
    if (file.fd_ < 0 || fstat(file.fd_, &st) != 0) return FolderEntry();
    return FactsOf(st);
}

File Folder::CreateNew(std::string_view name, int shareMode) {
    const std::string host = HostName(name);
    const int fd =
        fd_ < 0 || host.empty()
            ? -1
            : openat(fd_, host.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        File f;
        f.error_ = host.empty() ? EINVAL : errno;
        return f;
    }
    const int dirFd = fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    return File::Adopt(fd, true, true, shareMode, dirFd, path_ + std::string(name), host);
}

File Folder::OpenPlain(std::string_view name, OpenMode mode, int shareMode) {
    const std::string host = HostName(name);
    const bool writing = mode != OpenMode::Read;
    // Not waiting on a pipe put at the name: only a regular file is taken.
    int fd = fd_ < 0 || host.empty()
                 ? -1
                 : openat(fd_, host.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 && !writing && fd_ >= 0 && !host.empty() && errno != ELOOP)
        fd = openat(fd_, host.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    File f;
    struct stat st {};
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1) {
        f.error_ = fd < 0 ? (host.empty() ? EINVAL : errno) : ELOOP;
        if (fd >= 0) close(fd);
        return f;
    }
    return File::Adopt(fd, mode != OpenMode::Write, writing, shareMode, -1, {}, {});
}

bool Folder::Rename(std::string_view from, std::string_view to) {
    const std::string a = HostName(from), b = HostName(to);
    if (fd_ < 0 || a.empty() || b.empty()) {
        error_ = EINVAL;
        return false;
    }
    if (renameat(fd_, a.c_str(), fd_, b.c_str()) != 0) {
        error_ = errno;
        return false;
    }
    return true;
}

bool Folder::Erase(std::string_view name) {
    const std::string host = HostName(name);
    if (fd_ < 0 || host.empty() || unlinkat(fd_, host.c_str(), 0) != 0) {
        error_ = host.empty() ? EINVAL : errno;
        return false;
    }
    return true;
}

bool Folder::MayReplace(std::string_view name) const {
    if (fd_ < 0 || faccessat(fd_, ".", W_OK | X_OK, AT_EACCESS) != 0) return false;
    if (!sticky_ || geteuid() == 0) return true;
    const FolderEntry e = Look(name);
    return e.kind == EntryKind::Missing || e.owner == geteuid() || owner_ == geteuid();
}

uint32_t CurrentAccount() {
    return geteuid();
}

}  // namespace kor2::platform
