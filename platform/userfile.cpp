// Reading a file the user keeps as their own: its kind and the owner of a
// link are checked before it is opened, and again through the opened handle,
// so that nothing put at the name in between is read. Called by the report
// writer for the printer set-up codes.
#include "platform/userfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/filerights.h"
#include "platform/hostfs.h"

namespace kor2::platform {

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

bool SameEntry(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

std::optional<std::string> ReadUsersFile(std::string_view path, int64_t maxBytes, int& error) {
    const std::string host = HostPath(path);
    struct stat name, target;
    if (lstat(host.c_str(), &name) != 0) {
        error = errno;
        return std::nullopt;
    }
    const bool link = S_ISLNK(name.st_mode);
    if (link && !LinkIsTrusted(host, name.st_uid)) {
        error = EPERM;
        return std::nullopt;
    }
    if (!link) {
        target = name;
    } else if (stat(host.c_str(), &target) != 0) {
        error = errno;
        return std::nullopt;
    }
    if (!S_ISREG(target.st_mode)) {
        error = EINVAL;
        return std::nullopt;
    }
    // Without waiting, should a pipe have taken the name since.
    const Descriptor fd(
        open(host.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (link ? 0 : O_NOFOLLOW)));
    if (fd.get() < 0) {
        error = errno == ELOOP ? EAGAIN : errno;
        return std::nullopt;
    }
    struct stat opened, now;
    if (fstat(fd.get(), &opened) != 0 || !SameEntry(opened, target) ||
        lstat(host.c_str(), &now) != 0 || !SameEntry(now, name)) {
        error = EAGAIN;
        return std::nullopt;
    }
    if (opened.st_size > maxBytes) {
        error = EFBIG;
        return std::nullopt;
    }
    std::string data(static_cast<std::size_t>(opened.st_size), '\0');
    std::size_t got = 0;
    while (got < data.size()) {
        const ssize_t n =
            pread(fd.get(), data.data() + got, data.size() - got, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = errno;
            return std::nullopt;
        }
        if (n == 0) break;  // shorter than it was: what is there
        got += static_cast<std::size_t>(n);
    }
    data.resize(got);
    return data;
}

}  // namespace kor2::platform
