// The one place where the program's path texts meet the host's file system.
// A path text uses "\" as separator and may start with a drive "X:"; here it
// becomes a host path ("/" separators, drive dropped) in which every component
// that already exists is found regardless of case. All file access of the
// program goes through these functions.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kor2::platform {

// Host path for a program path text. Existing components are matched
// case-insensitively (an exact match wins); the rest is kept as written,
// its names turned from code page 850 into UTF-8. In a folder that can be
// passed through but not listed, a name not found as written is matched
// only against the paths the run knows by their real case: the temporary,
// home, configuration and current folders, the executable's folder and the
// paths it has found on disk before (the most recent few).
//
// lookup says what the path is for. To read (or to change a file in place)
// the last name is found in its own spelling first, else in another case;
// to write a new file, replace one or rename onto one, only its own
// spelling counts (names that differ in case are other files then).
enum class Lookup { Read, Write };
std::string HostPath(std::string_view path, Lookup lookup = Lookup::Read);

// The path text with its last name as the file it reads is spelt on disk
// (code page 850), where that differs from the spelling given; else path as
// it is. A program that replaces a file it opened, or names the files that
// belong to it, uses this spelling.
std::string ExistingName(std::string_view path);

// A host name or path (UTF-8) as the program's text in code page 850,
// separators kept; nullopt when it holds a character that code page lacks
// (or is no UTF-8). Host names enter the program's texts through it.
std::optional<std::string> HostToProgram(std::string_view host);

// File attribute bits, as the program's file routines know them.
enum FileAttr : uint32_t {
    faReadOnly = 0x01,
    faHidden = 0x02,
    faSysFile = 0x04,
    faVolumeID = 0x08,
    faDirectory = 0x10,
    faArchive = 0x20,
    faAnyFile = 0x3F,
};

// What a path names. To read, links are followed (a dangling link is
// Missing); to write, the name itself counts, so a link is Link.
enum class EntryKind { Missing, File, Folder, Link, Fifo, Device, Socket, Other };
EntryKind EntryKindOf(std::string_view path, Lookup lookup = Lookup::Read);
// The kind of an entry by its mode bits (st_mode).
EntryKind EntryKindOfMode(uint32_t mode);

// Whether a new file of that name (in its own spelling) can be made: made
// exclusively, never through a link, and erased again. 0, else the errno.
int ProbeNewFile(std::string_view path);

bool FileExists(std::string_view path);       // an existing regular file
bool DirectoryExists(std::string_view path);  // an existing folder
bool EraseFile(std::string_view path);        // true when the file is gone afterwards and was there
bool RenameFile(std::string_view from, std::string_view to);  // replaces an existing target
// Both names lead to one existing file (however they are spelt).
bool SameFile(std::string_view a, std::string_view b);
bool CreateDir(std::string_view path);
bool RemoveDir(std::string_view path);
std::optional<uint32_t> GetFileAttributes(std::string_view path);  // FileAttr bits
bool SetReadOnly(std::string_view path, bool readOnly);
// Gives `to` the permission bits of `from`, set-ID and sticky bits left out.
bool CopyFileMode(std::string_view from, std::string_view to);
std::optional<int64_t> FileSizeOf(std::string_view path);
std::optional<std::time_t> FileModTime(std::string_view path);
std::string GetCurrentDir();  // "/" separators, no trailing "/", names in code page 850
bool SetCurrentDir(std::string_view path);

// One entry found by FindFiles: the name as stored on disk.
struct FoundFile {
    std::string name;
    int64_t size = 0;
    uint32_t attr = 0;
    std::time_t time = 0;
};
// Files of one folder whose names match the last component of pattern
// ("*" and "?" wildcards, case-insensitive, "*.*" matches every name).
// Entries whose attributes are not covered by attrMask (folders, hidden)
// are left out as the platform does, and so are names that code page 850
// cannot hold or that hold a "\". Sorted by name.
std::vector<FoundFile> FindFiles(std::string_view pattern, uint32_t attrMask = faAnyFile);

// How a file is opened. Share modes follow the platform's numbers:
// deny none 0x40, deny write 0x20, deny read/write 0x10, compatibility 0.
enum class OpenMode { Read, Write, ReadWrite };

// An open file; closes itself. Reads and writes report the number of bytes
// moved, -1 on error. Byte-range locks are open-file-description locks, so
// two opens of one file in one process contend as two handles would.
class Folder;

class File {
public:
    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens an existing file. shareMode: see above; exclusive share modes are
    // emulated with locks far beyond any data (from 0x7FFF000000000000) and
    // fail with Error() EBUSY when another open conflicts. Compatibility mode
    // (0) shares like deny none, as Win32 treats it.
    static File Open(std::string_view path, OpenMode mode, int shareMode = 0x40);
    // Creates (or truncates) a file for reading and writing.
    static File Create(std::string_view path, int shareMode = 0x40);
    // Creates a file that does not exist yet, for reading and writing; a
    // link at the name counts as existing (Error() EEXIST) and is never
    // followed. The share mode holds from before the file is written; when
    // another open took the file in between (Error() EBUSY) it is left to
    // that one.
    static File CreateNew(std::string_view path, int shareMode = 0x10);
    // Opens an existing file that is no link (Error() ELOOP for a link).
    static File OpenNoLink(std::string_view path, OpenMode mode, int shareMode = 0x40);
    // Another handle of this open file: it shares the file's locks and keeps
    // them while any of the two is open.
    File Duplicate() const;
    // The name leads to this very file (not to a link or another file).
    bool IsAt(std::string_view path) const;
    // Gives this file the permission bits (no set-ID or sticky bits), ACL
    // and group of `like`, and its owner where this account may; false when
    // like's owner or group would lose a right on it (said in `lost`, in
    // German) or the rights could not be set.
    bool TakeOwnerAndModeOf(std::string_view like, std::string* lost = nullptr);
    // Gives this file the read and write bits of `like` (never execute or
    // set-ID bits) and its owner and group where this account may, so that
    // every account that may write `like` may write this file too; a file
    // this account keeps stays readable and writable for it.
    bool ShareRightsOf(std::string_view like);
    // Renames `from`, which must still be this file, over `to`; false with
    // Error() set otherwise (ESTALE when another file took the name).
    bool RenameOver(std::string_view from, std::string_view to);
    // Erases `from` when it still is this file.
    bool EraseAt(std::string_view from);

    bool IsOpen() const { return fd_ >= 0; }
    int Error() const { return error_; }  // errno of the last failure
    void Close();

    int64_t Read(void* buf, int64_t len);
    int64_t Write(const void* buf, int64_t len);
    int64_t ReadAt(int64_t pos, void* buf, int64_t len);
    int64_t WriteAt(int64_t pos, const void* buf, int64_t len);
    bool Seek(int64_t pos);
    int64_t Position() const;
    int64_t Size() const;  // -1 on error
    bool Truncate(int64_t size);
    bool Flush();  // FlushFileBuffers
    // Exclusive byte-range lock without waiting; false when another holder has
    // it. (On a file the host lets us open only for reading it is a shared lock.)
    bool Lock(int64_t offset, int64_t length);
    // Shared byte-range lock without waiting: others may share it. On a
    // range this open holds exclusively it turns the lock back into a shared one.
    bool LockShared(int64_t offset, int64_t length);
    bool Unlock(int64_t offset, int64_t length);

private:
    friend class Folder;  // makes and opens files by their folder's handle
    static File OpenWith(std::string_view path, OpenMode mode, int shareMode, int extraFlags);
    // A file on an open descriptor (taken over; closed on failure) with the
    // share mode applied; dirFd (taken over too) and the names as CreateNew
    // keeps them, or -1.
    static File Adopt(int fd, bool reading, bool writing, int shareMode, int dirFd,
                      std::string_view createdAs, std::string_view baseName);
    bool SetRangeLock(int type, int64_t offset, int64_t length);  // fcntl lock type
    int fd_ = -1;
    int error_ = 0;
    int64_t pos_ = 0;
    // The access asked for; the descriptor itself is opened for reading and
    // writing where the host allows, so that locks work on every open.
    bool canRead_ = false;
    bool canWrite_ = false;
    bool fdWritable_ = false;  // the descriptor takes write locks
    bool fdReadable_ = false;  // the descriptor takes read locks
    // A file made by CreateNew: its folder, held open, and its name there,
    // so that it is checked, renamed and erased in the folder it was made
    // in whatever happens to the path above; createdAs_ is the path given.
    int dirFd_ = -1;
    std::string createdAs_;
    std::string baseName_;
    // The folder fd applies: `path` is the name the file was made as.
    bool InCreatedFolder(std::string_view path) const;
};

// Whole-file helpers.
std::optional<std::string> ReadWholeFile(std::string_view path);
// A file that is no link and holds at most maxBytes, read whole; nullopt
// with error set otherwise (ELOOP a link, EFBIG larger, checked before reading).
std::optional<std::string> ReadSmallFile(std::string_view path, int64_t maxBytes, int& error);
// The path a name leads to, links followed (absolute, "/" separators, the
// program's code page); nullopt when it leads nowhere. With Lookup::Write
// only the name in its own spelling counts.
std::optional<std::string> ResolvedPath(std::string_view path, Lookup lookup = Lookup::Read);
// Erases a regular file (no link) that no open of any program holds;
// false when it is held, gone or no regular file.
bool EraseUnheldFile(std::string_view path);
// Whether this account may write the existing file.
bool MayWriteFile(std::string_view path);
// What a new file of this account put in place of the existing one, with
// its mode and ACL, would take from its owner or group (where they cannot be
// given to the new file), in German; empty when none is lost.
std::string RightsLostByReplacing(std::string_view path);
// Writes data to a new file beside path (made under a random side name) and
// renames it over path only when the whole write succeeded, so a failed
// write never destroys the old file. A link at path is followed only by the
// link rule of WriteTargetOf (filerights.h), else refused (EACCES); the new
// file takes mode, group and ACL only from an old file of this account's
// own, else the default mode. False with errno and, when asked, in
// `failure` the cause in German naming the link or side file concerned.
bool WriteFileReplacing(std::string_view path, std::string_view data,
                        std::string* failure = nullptr);

// A temporary folder path in the program's form with a trailing "\" (the
// environment's TEMP, else TMPDIR, else "/tmp"), and a new unique file:
// prefix (its first three characters), eight random letters and digits,
// ".TMP", made exclusively, so that names planted in a shared folder never
// block it; empty (errno set) when the folder takes no new file.
std::string TempPath();
std::string TempFileName(std::string_view folder, std::string_view prefix);
// A new file named prefix (its first three characters), four hex digits and
// ".TMP" (the engine's new files), made by File::CreateNew with the share
// mode and kept open in `file`; empty when none could be made (errno set).
std::string CreateTempFile(std::string_view folder, std::string_view prefix, File& file,
                           int shareMode = 0x10);

}  // namespace kor2::platform
