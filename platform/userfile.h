// Reading a file that the user keeps as their own in a folder others may
// write too (the printer set-up codes of the current folder): a regular file,
// or one reached through a link of this account or of the folder's owner.
// Called by the report writer; the rule of links is the kernel's for sticky folders.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kor2::platform {

// The file at path, read whole when it is a regular file of at most maxBytes
// and, when path is a link, the link belongs to this account or to the owner
// of the folder holding it. A link of another account, a pipe, a device or a
// folder is never opened to read, so nothing waits on a pipe. nullopt with
// error set otherwise: ENOENT none, EPERM another account's link, EINVAL no
// regular file, EFBIG larger, EAGAIN the name changed while it was opened.
std::optional<std::string> ReadUsersFile(std::string_view path, int64_t maxBytes, int& error);

}  // namespace kor2::platform
