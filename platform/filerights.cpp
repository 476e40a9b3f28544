// Rights of the files the program writes where other accounts write too:
// the link rule for writes, random new names, and the owner, group, mode and
// POSIX ACL a replacing file keeps. The ACL is read and written as the
// kernel's "system.posix_acl_access" attribute (a version word, then entries
// of tag, permission and id, little-endian), so no ACL library is needed.
#include "platform/filerights.h"

#include <fcntl.h>
#include <grp.h>
#include <linux/capability.h>
#include <pwd.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "platform/hostfs.h"
#include "platform/oemtext.h"
#include "platform/progfiles.h"

namespace kor2::platform {

namespace {

constexpr const char* kAclName = "system.posix_acl_access";
// ACL entry tags and the attribute's version.
constexpr uint16_t kUserObj = 0x01, kUser = 0x02, kGroupObj = 0x04, kGroup = 0x08, kMask = 0x10,
                   kOther = 0x20;
constexpr uint32_t kAclVersion = 2;

std::string ProgramText(const std::string& host) {
    return HostToProgram(host).value_or(host);
}

// The folder part of a host path ("" for a bare name).
std::string FolderPart(const std::string& host) {
    const std::size_t slash = host.rfind('/');
    return slash == std::string::npos ? std::string() : host.substr(0, slash + 1);
}

struct AclEntry {
    uint16_t tag = 0;
    uint16_t perm = 0;
    uint32_t id = 0;
};

uint32_t Le32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// The entries of an ACL attribute; empty for none or one of another form.
std::vector<AclEntry> ParseAcl(const std::string& raw) {
    std::vector<AclEntry> entries;
    const auto* p = reinterpret_cast<const unsigned char*>(raw.data());
    if (raw.size() < 4 || (raw.size() - 4) % 8 != 0 || Le32(p) != kAclVersion) return entries;
    for (std::size_t at = 4; at < raw.size(); at += 8)
        entries.push_back({static_cast<uint16_t>(p[at] | (p[at + 1] << 8)),
                           static_cast<uint16_t>((p[at + 2] | (p[at + 3] << 8)) & 7),
                           Le32(p + at + 4)});
    return entries;
}

// The ACL attribute of a path (links followed) or of an open file; empty
// when it has none.
std::string ReadAcl(const std::string& host, int fd = -1) {
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ssize_t size = fd >= 0 ? fgetxattr(fd, kAclName, nullptr, 0)
                                     : getxattr(host.c_str(), kAclName, nullptr, 0);
        if (size <= 0) return std::string();
        std::string raw(static_cast<std::size_t>(size), '\0');
        const ssize_t got = fd >= 0 ? fgetxattr(fd, kAclName, raw.data(), raw.size())
                                    : getxattr(host.c_str(), kAclName, raw.data(), raw.size());
        if (got >= 0) {
            raw.resize(static_cast<std::size_t>(got));
            return raw;
        }
        if (errno != ERANGE) return std::string();  // grown in between: again
    }
    return std::string();
}

// What decides the rights on a file: owner, owning group, mode and ACL.
struct Rights {
    uid_t uid = 0;
    gid_t gid = 0;
    mode_t mode = 0;
    std::vector<AclEntry> acl;  // empty: the mode alone

    unsigned Entry(uint16_t tag, unsigned fromMode) const {
        for (const AclEntry& e : acl)
            if (e.tag == tag) return e.perm;
        return fromMode;
    }
    unsigned Mask() const { return Entry(kMask, 7); }
    // The rights of an account that is not the owner and has the given
    // groups: a named entry for it, else every group entry that matches,
    // else those of others (the kernel's order of checks).
    unsigned OfOther(const uid_t* uid, const std::vector<gid_t>& groups) const {
        const auto in = [&](gid_t g) {
            return std::find(groups.begin(), groups.end(), g) != groups.end();
        };
        if (uid != nullptr)
            for (const AclEntry& e : acl)
                if (e.tag == kUser && e.id == *uid) return e.perm & Mask();
        bool matched = false;
        unsigned perm = 0;
        if (in(gid)) {
            matched = true;
            perm |= Entry(kGroupObj, (mode >> 3) & 7) & Mask();
        }
        for (const AclEntry& e : acl)
            if (e.tag == kGroup && in(e.id)) {
                matched = true;
                perm |= e.perm & Mask();
            }
        return matched ? perm : Entry(kOther, mode & 7);
    }
    unsigned OfUser(uid_t user, const std::vector<gid_t>& groups) const {
        return user == uid ? Entry(kUserObj, (mode >> 6) & 7) : OfOther(&user, groups);
    }
    unsigned OfGroup(gid_t group) const { return OfOther(nullptr, {group}); }
};

// The groups of an account by the account and group lists.
std::vector<gid_t> GroupsOf(uid_t uid) {
    const passwd* pw = getpwuid(uid);
    if (pw == nullptr) return {};
    int n = 64;
    std::vector<gid_t> groups(static_cast<std::size_t>(n));
    while (getgrouplist(pw->pw_name, pw->pw_gid, groups.data(), &n) < 0 &&
           static_cast<std::size_t>(n) > groups.size())
        groups.resize(static_cast<std::size_t>(n));
    groups.resize(static_cast<std::size_t>(std::max(n, 0)));
    return groups;
}

bool OwnGroup(gid_t gid) {
    if (getegid() == gid) return true;
    std::vector<gid_t> groups(static_cast<std::size_t>(std::max(getgroups(0, nullptr), 0)));
    const int n = getgroups(static_cast<int>(groups.size()), groups.data());
    return std::find(groups.begin(), groups.begin() + std::max(n, 0), gid) !=
           groups.begin() + std::max(n, 0);
}

std::string UserName(uid_t uid) {
    const passwd* pw = getpwuid(uid);
    return pw != nullptr ? ProgramText(pw->pw_name) : std::to_string(uid);
}

std::string GroupName(gid_t gid) {
    const group* gr = getgrgid(gid);
    return gr != nullptr ? ProgramText(gr->gr_name) : std::to_string(gid);
}

// "Leserecht", "Lese- und Schreibrecht", "Lese-, Schreib- und Ausführungsrecht".
std::string RightsText(unsigned bits) {
    std::vector<std::string> stems;
    if (bits & 4) stems.emplace_back("Lese");
    if (bits & 2) stems.emplace_back("Schreib");
    if (bits & 1) stems.emplace_back("Ausführungs"_oem);
    std::string text;
    for (std::size_t i = 0; i < stems.size(); ++i)
        text += stems[i] + (i + 1 == stems.size()   ? "recht"
                            : i + 2 == stems.size() ? "- und "
                                                    : "-, ");
    return text;
}

// What the owner and the owning group of `before` lose on `after`, in German.
std::string Lost(const Rights& before, const Rights& after) {
    const std::vector<gid_t> ownerGroups = GroupsOf(before.uid);
    const unsigned owner =
        before.OfUser(before.uid, ownerGroups) & ~after.OfUser(before.uid, ownerGroups);
    const unsigned group = before.OfGroup(before.gid) & ~after.OfGroup(before.gid);
    std::string text;
    if (owner != 0)
        text = "Eigentümer "_oem + UserName(before.uid) + " verlöre "_oem + RightsText(owner);
    if (group != 0)
        text += (text.empty() ? "" : ", ") + std::string("Gruppe ") + GroupName(before.gid) +
                " verlöre "_oem + RightsText(group);
    return text;
}

bool RightsOfPath(const std::string& host, Rights& r, std::string& acl) {
    struct stat st;
    if (stat(host.c_str(), &st) != 0) return false;
    acl = ReadAcl(host);
    r = {st.st_uid, st.st_gid, static_cast<mode_t>(st.st_mode & 0777), ParseAcl(acl)};
    return true;
}

void RandomLetters(char* out, std::size_t n) {
    static constexpr char kLetters[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    constexpr unsigned kCount = sizeof kLetters - 1;
    std::size_t done = 0;
    while (done < n) {
        unsigned char bytes[16];
        if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
            static thread_local std::mt19937_64 fallback{std::random_device{}()};
            for (unsigned char& b : bytes) b = static_cast<unsigned char>(fallback());
        }
        // Bytes beyond the last whole round of letters are dropped: every letter as likely.
        for (unsigned char b : bytes)
            if (done < n && b < (256 / kCount) * kCount) out[done++] = kLetters[b % kCount];
    }
}

}  // namespace

bool LinkIsTrusted(const std::string& hostLink, uid_t linkOwner) {
    if (linkOwner == geteuid()) return true;
    const std::string folder = FolderPart(hostLink);
    struct stat dir;
    return stat(folder.empty() ? "." : folder.c_str(), &dir) == 0 && dir.st_uid == linkOwner;
}

WriteTarget WriteTargetOf(std::string_view path) {
    WriteTarget target;
    std::string host = HostPath(path, Lookup::Write);
    bool followed = false;
    for (int hops = 0;; ++hops) {
        struct stat st;
        if (lstat(host.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
        if (hops == 40) {
            target.error = ELOOP;
            return target;
        }
        const std::string folder = FolderPart(host);
        if (!LinkIsTrusted(host, st.st_uid)) {
            target.error = EACCES;
            target.refusedLink = ProgramText(host);
            return target;
        }
        std::string to(PATH_MAX, '\0');
        const ssize_t n = readlink(host.c_str(), to.data(), to.size());
        if (n < 0 || static_cast<std::size_t>(n) >= to.size()) {
            target.error = n < 0 ? errno : ENAMETOOLONG;
            return target;
        }
        to.resize(static_cast<std::size_t>(n));
        host = !to.empty() && to[0] == '/' ? to : folder + to;
        followed = true;
    }
    if (!followed) {
        target.path = std::string(path);
        return target;
    }
    char* real = realpath(host.c_str(), nullptr);
    if (real == nullptr) {
        target.error = ENOENT;
        return target;
    }
    target.path = ProgramText(real);
    std::free(real);
    return target;
}

std::string WriteTargetRefusal(const WriteTarget& target) {
    if (target.error == EACCES)
        return "Verknüpfung eines anderen Kontos wird nicht verfolgt: "_oem +
               DisplayPath(target.refusedLink);
    return "Ziel einer Verknüpfung: "_oem + ErrnoText(target.error);
}

int CreateRandomFile(const std::string& hostDir, std::string_view prefix, std::string_view suffix,
                     std::string& made) {
    std::string dir = hostDir;
    if (!dir.empty() && dir.back() != '/') dir += '/';
    // Eight of 36 letters: more names than any account can plant, so a name
    // in use only means drawing again.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        char letters[8];
        RandomLetters(letters, sizeof letters);
        made =
            dir + std::string(prefix) + std::string(letters, sizeof letters) + std::string(suffix);
        const int fd = open(made.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

std::string ErrnoText(int error) {
    switch (error) {
        case EEXIST:
            return "Name schon vergeben";
        case EACCES:
        case EPERM:
            return "Zugriff verweigert";
        case ENOENT:
            return "nicht vorhanden";
        case ENOTDIR:
            return "Ordner fehlt";
        case EISDIR:
            return "ist ein Ordner";
        case ELOOP:
            return "Verknüpfung"_oem;
        case ENOSPC:
            return "Platte voll";
        case EDQUOT:
            return "Kontingent erschöpft"_oem;
        case EROFS:
            return "Datenträger schreibgeschützt"_oem;
        case EFBIG:
            return "Datei zu groß"_oem;
        case ENAMETOOLONG:
            return "Name zu lang";
        case EMFILE:
        case ENFILE:
            return "zu viele offene Dateien";
        case EIO:
            return "Ein-/Ausgabefehler";
        default:
            return "Fehler " + std::to_string(error);
    }
}

bool MayGiveFilesAway() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (syscall(SYS_capget, &header, data) != 0) return geteuid() == 0;
    return (data[CAP_TO_INDEX(CAP_CHOWN)].effective & CAP_TO_MASK(CAP_CHOWN)) != 0;
}

std::string RightsLostReplacing(const std::string& hostOld) {
    Rights before;
    std::string acl;
    if (!RightsOfPath(hostOld, before, acl)) return std::string();
    Rights after = before;
    const bool giveAway = MayGiveFilesAway();
    if (!giveAway) after.uid = geteuid();
    if (!giveAway && !OwnGroup(before.gid)) {
        // A new file takes the group of a set-group-ID folder, else this account's.
        struct stat dir;
        const std::string folder = FolderPart(hostOld);
        after.gid =
            stat(folder.empty() ? "." : folder.c_str(), &dir) == 0 && (dir.st_mode & S_ISGID)
                ? dir.st_gid
                : getegid();
    }
    return Lost(before, after);
}

bool KeepRightsOf(int fd, const std::string& hostOld, std::string& lost) {
    Rights before;
    std::string acl;
    if (!RightsOfPath(hostOld, before, acl)) {
        lost = ErrnoText(errno);
        return false;
    }
    // The owner only where this account may give the file away; the group
    // where it belongs to it. Whether they were kept is read back below.
    if (fchown(fd, before.uid, before.gid) != 0)
        (void)fchown(fd, static_cast<uid_t>(-1), before.gid);
    if (fchmod(fd, before.mode) != 0) {
        lost = ErrnoText(errno);
        return false;
    }
    const bool aclSet =
        acl.empty() ? fremovexattr(fd, kAclName) == 0 || errno == ENODATA || errno == EOPNOTSUPP
                    : fsetxattr(fd, kAclName, acl.data(), acl.size(), 0) == 0;
    if (!aclSet) {
        lost = ErrnoText(errno);
        return false;
    }
    struct stat st;
    if (fstat(fd, &st) != 0) {
        lost = ErrnoText(errno);
        return false;
    }
    const Rights after{st.st_uid, st.st_gid, static_cast<mode_t>(st.st_mode & 0777),
                       ParseAcl(ReadAcl(std::string(), fd))};
    lost = Lost(before, after);
    return lost.empty();
}

bool IsOwnFile(const std::string& host) {
    struct stat st;
    return lstat(host.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid();
}

}  // namespace kor2::platform
