// Files the program writes in folders other accounts may write too: which
// link a write may follow, new files under random names that planted
// entries cannot block, and what a new file keeps of the file it replaces
// (mode without set-ID bits, group, owner, POSIX ACL). Used by hostfs
// (WriteFileReplacing, File) and the table engine's FileBeside.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace kor2::platform {

// Where a write of `path` goes. A name that is no link is written itself
// (path as given). A link is followed only when it belongs to this account
// or to the owner of the folder it lies in, and so is every link it leads
// through (the kernel's rule for sticky folders, applied in every folder);
// path is then the file it leads to (absolute, "/" separators). Otherwise
// error is EACCES and refusedLink the link of another account, or ENOENT
// for a link that leads nowhere, ELOOP for a chain too long.
struct WriteTarget {
    std::string path;
    int error = 0;
    std::string refusedLink;
};
WriteTarget WriteTargetOf(std::string_view path);
// The link at host path, owned by linkOwner, may be followed: it belongs to
// this account or to the owner of the folder it lies in.
bool LinkIsTrusted(const std::string& hostLink, uid_t linkOwner);
// Why a write target was refused, in German, naming the link.
std::string WriteTargetRefusal(const WriteTarget& target);

// Creates a new file hostDir + prefix + eight random letters and digits +
// suffix by exclusive creation, never through a link, with mode 0666 less
// the umask, open for writing; tries new names while the one drawn exists,
// so planted names cannot block it. The descriptor, the host name made in
// `made`; -1 with errno (and the last name tried in `made`) otherwise.
int CreateRandomFile(const std::string& hostDir, std::string_view prefix, std::string_view suffix,
                     std::string& made);

// The German words for why a file operation failed (errno), for messages.
std::string ErrnoText(int error);

// This account may give its files to another owner (CAP_CHOWN).
bool MayGiveFilesAway();

// What a new file of this account, put in place of the file at host path
// `old` and given its mode, ACL and (where it can) owner and group, would
// take from the old file's owner or owning group, in German ("Eigentümer
// anna verlöre Schreibrecht"); empty when nothing is lost. The ACL counts:
// a right kept through a named entry is not lost.
std::string RightsLostReplacing(const std::string& hostOld);

// Gives the new file fd the permission bits (never set-ID or sticky bits),
// ACL, group and owner of the file at host path `old`, as far as this
// account may. False with `lost` saying what the old file's owner or group
// would lose on it, or the error, when that is not all kept.
bool KeepRightsOf(int fd, const std::string& hostOld, std::string& lost);

// The file at host path is a regular file of this account.
bool IsOwnFile(const std::string& host);

}  // namespace kor2::platform
