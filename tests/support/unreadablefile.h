// A file that exists and opens but fails when it is read, as a file on a
// failing disk does: a link to a kernel attribute file whose read reports
// an error. For the tests of readers that must say an input/output error.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace kor2::test {

// Makes link a symbolic link to such a file; false when this host has none
// (the caller skips then).
inline bool MakeUnreadableFile(const std::filesystem::path& link) {
    for (const char* source : {"/sys/class/net/lo/speed", "/sys/class/net/lo/duplex"}) {
        const int fd = open(source, O_RDONLY);
        if (fd < 0) continue;
        char c;
        const bool fails = read(fd, &c, 1) < 0;
        close(fd);
        if (!fails) continue;
        std::error_code ec;
        std::filesystem::create_symlink(source, link, ec);
        return !ec;
    }
    return false;
}

}  // namespace kor2::test
