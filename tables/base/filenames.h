// File-name and file routines of the table engine: splitting and extending
// names, directory search, erasing, free space and temporary names. Used by
// Use, CreateDbf, AppendFrom and the data-set layer.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/hostfs.h"
#include "tables/base/enginefile.h"

namespace kor2 {

struct SplitName {
    std::string dir;   // with a trailing separator, or empty
    std::string name;  // without extension
    std::string ext;   // with its point, or empty
};
SplitName SplitFileName(const std::string& name);
std::string StripExtension(const std::string& name);
std::string DefaultExtension(const std::string& name, const std::string& ext);
std::string ForceExtension(const std::string& name, const std::string& ext);
std::string ExpandFileNameP(const std::string& name);
std::string ShortPathName(const std::string& path);
std::string NameWithoutDir(const std::string& path);

// Directory search; the last result stays in the record for the caller.
struct EngSearchRec {
    std::vector<platform::FoundFile> entries;
    size_t next = 0;
    platform::FoundFile found;
};
int EngFindFirst(const std::string& mask, uint32_t attr, EngSearchRec& rec);  // 0 or 18
int EngFindNext(EngSearchRec& rec);
void EngFindClose(EngSearchRec& rec);

int64_t FileDateOf(const std::string& name);  // seconds since 1970, 0 when unreadable
bool FileIsFromToday(const std::string& name);
bool FileExistsP(const std::string& name);
uint16_t EraseFileIfFree(const std::string& name);  // I/O result
void EraseFiles(const std::string& mask);
int64_t DiskFreeOfPath(const std::string& path);  // -1 when unknown
// Replaces the free-space query of DiskFreeOfPath (tests of a full disk).
inline std::function<int64_t(const std::string& path)> DiskFreeProc;
int64_t DiskFreeOfDrive(int drive);
std::string UniqueFilename();
// False after reporting 227 when `needed` bytes exceed `freeBytes` (counted
// in KBytes; an unknown free space, -1, is no refusal).
bool CheckRoom(int64_t freeBytes, int64_t needed, const std::string& routine);

// What a new file takes of the file it replaces: a table's own files keep
// its owner, group, mode and ACL whoever owns it (refused where a right
// would be lost); a document the user writes (an export) takes mode, group
// and ACL only from a file of the user's own, else the default mode.
enum class NewFileRights { KeepAll, OwnOnly };

// A new file beside `target` (same folder, unique name "KOR" and four hex
// digits ".TMP") that
// replaces the target by one rename once it is complete, so that a kill or
// a failure leaves the target as it was. Where the target is a link of this
// account or of its folder's owner, the new file goes beside the file the
// link leads to and replaces that one: the link stays; another account's
// link is refused (error 5 naming it). The new file is made by exclusive
// creation, never through a link, held open (so that no other program takes
// it for left over) and written, given its rights as `rights` says (never
// set-ID bits), and renamed through that handle; it is erased on every way
// out that does not commit it. A target this account may not write, or
// whose owner or group would lose a right on the new file, is refused
// before anything is written. The name is empty when no new file could be
// made (the error is reported then).
class FileBeside {
public:
    FileBeside(std::string target, const std::string& routine,
               NewFileRights rights = NewFileRights::KeepAll);
    ~FileBeside();
    FileBeside(const FileBeside&) = delete;
    FileBeside& operator=(const FileBeside&) = delete;
    const std::string& Name() const { return name_; }
    const std::string& Target() const { return target_; }
    // The new file for the engine's writes (share exclusive); nullptr with
    // the I/O result in io.
    std::unique_ptr<EngineFile> Open(uint16_t& io);
    // Renames the new file over the target, with the target's rights; false
    // after reporting the error (the new file is erased), 5 where the
    // target's owner or group would lose a right (its owner could not be
    // kept).
    bool Commit();

private:
    std::string target_;
    std::string routine_;
    NewFileRights rights_;
    std::string name_;
    platform::File file_;
};

// Checked before a change writes its first new file: false after reporting
// error 5 when `target` is another account's link, or exists and this
// account may not write it, or (KeepAll) a new file in its place would take
// a right from its owner or group; error 2 for a link that leads nowhere.
bool MayReplaceFile(const std::string& target, const std::string& routine,
                    NewFileRights rights = NewFileRights::KeepAll);
// Where a change of target writes: the file a link there leads to (a link
// of this account or of its folder's owner), or the name made absolute (an
// index given relative to the current folder is found from any other).
// Empty after reporting the error: 5 for another account's link, 2 for a
// link that leads nowhere.
std::string ReplacedFilePath(const std::string& target, const std::string& routine);
// Reports error 5: the new file in place of `target` could not keep what
// `lost` names of the old file's owner or group.
void ReportRightsNotKept(const std::string& lost, const std::string& target,
                         const std::string& routine);

}  // namespace kor2
