// A folder held by its handle: the engine's own files in a table's folder are
// looked at, made, opened, renamed and erased through it by their names in
// their own spelling, never through a link and never by listing the folder.
// Used by the table engine's change journal (tables/base/journal.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/hostfs.h"

namespace kor2::platform {

// What an entry of a folder is, its name not followed when it is a link.
struct FolderEntry {
    EntryKind kind = EntryKind::Missing;
    uint64_t links = 0;
    uint32_t owner = 0;
    int64_t size = 0;
    uint64_t device = 0, inode = 0;
    // A regular file with one name, no link.
    bool Plain() const { return kind == EntryKind::File && links == 1; }
    // Both are the one file.
    bool Same(const FolderEntry& o) const {
        return kind != EntryKind::Missing && device == o.device && inode == o.inode;
    }
};

class Folder {
public:
    Folder() = default;
    // path: the folder's path text (program form); the folder is held from now on.
    explicit Folder(std::string_view path);
    ~Folder();
    Folder(Folder&& other) noexcept;
    Folder& operator=(Folder&& other) noexcept;
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    int Error() const { return error_; }
    // The path text given, with a trailing separator.
    const std::string& Path() const { return path_; }
    uint32_t Owner() const { return owner_; }

    // Names are bare names of this folder in the program's code page.
    FolderEntry Look(std::string_view name) const;
    // What an open file is (its name's facts as Look tells them).
    static FolderEntry Facts(const File& file);
    // A new file made exclusively (a link or anything at the name: EEXIST).
    File CreateNew(std::string_view name, int shareMode);
    // An existing plain file (no link, one name); Error() ELOOP otherwise.
    File OpenPlain(std::string_view name, OpenMode mode, int shareMode);
    bool Rename(std::string_view from, std::string_view to);
    bool Erase(std::string_view name);
    // Whether this account may rename over or erase the entry: it may write
    // the folder, and in a sticky folder it owns the entry or the folder.
    bool MayReplace(std::string_view name) const;

private:
    int fd_ = -1;
    int error_ = 0;
    uint32_t owner_ = 0;
    bool sticky_ = false;
    std::string path_;
};

// The account this program acts as.
uint32_t CurrentAccount();

}  // namespace kor2::platform
