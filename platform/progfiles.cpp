// The program's own files beside its executable, and path texts in the
// host's form for display (see progfiles.h).
#include "platform/progfiles.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/hostfs.h"

namespace kor2::platform {

namespace {

// A host path as a program path text ("\" separators, code page 850).
std::string ProgramText(const std::string& hostPath) {
    std::string path = HostToProgram(hostPath).value_or(hostPath);
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

// Drops "." and "name/.." steps of a host path, so that the folder shown to
// the user reads plainly.
std::string Tidy(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t i = 0;
    while (i <= path.size()) {
        const std::size_t slash = std::min(path.find('/', i), path.size());
        const std::string part = path.substr(i, slash - i);
        if (part == "..") {
            if (!parts.empty() && parts.back() != "..")
                parts.pop_back();
            else if (path.empty() || path[0] != '/')
                parts.push_back(part);
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = slash + 1;
    }
    std::string out = !path.empty() && path[0] == '/' ? "/" : "";
    for (std::size_t k = 0; k < parts.size(); ++k) out += (k ? "/" : "") + parts[k];
    return out.empty() ? "." : out;
}

}  // namespace

std::string ExecutableFolder() {
    std::string buf(4096, '\0');
    const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n <= 0) return {};
    buf.resize(static_cast<std::size_t>(n));
    const std::size_t slash = buf.rfind('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? "/" : buf.substr(0, slash);
}

std::string ProgramFilesFolder(std::string_view exeFolder, std::string_view installedRelative) {
    if (exeFolder.empty()) return {};
    const std::string base(exeFolder);
    for (const std::string& candidate :
         {base + "/data", base + "/" + std::string(installedRelative)}) {
        const std::string folder = Tidy(candidate);
        // Host paths contain no "\"; the program's text of one is found again as written.
        if (DirectoryExists(ProgramText(folder))) return ProgramText(folder) + "\\";
    }
    return {};
}

std::string UserConfigFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') return ProgramText(Tidy(std::string(xdg) + "/kor2"));
    std::string home;
    if (const char* h = std::getenv("HOME"); h != nullptr && h[0] == '/') {
        home = h;
    } else if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr) {
        home = pw->pw_dir;
    }
    if (home.empty() || home[0] != '/') return {};
    return ProgramText(Tidy(home + "/.config/kor2"));
}

bool CreateFolders(std::string_view path) {
    const std::string host = HostPath(path);
    if (host.empty()) return false;
    for (std::size_t slash = host.find('/', 1);; slash = host.find('/', slash + 1)) {
        const std::string part = host.substr(0, slash);
        if (!part.empty() && part.back() != '/' && mkdir(part.c_str(), 0700) != 0 &&
            errno != EEXIST)
            return false;
        if (slash == std::string::npos) break;
    }
    return DirectoryExists(path);
}

std::string DisplayPath(std::string_view path) {
    // Resolved as a file call resolves it, so that existing names show with
    // their real case, then back in the program's code page.
    const std::string host = HostPath(path);
    if (host == "." && path.size() == 2 && path[1] == ':') return {};  // a bare drive
    return HostToProgram(host).value_or(host);
}

}  // namespace kor2::platform
