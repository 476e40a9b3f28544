// File-name and file routines of the table engine: splitting and extending
// names, directory search, erasing, free space and temporary names. Used by
// Use, CreateDbf, AppendFrom and the data-set layer.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/hostfs.h"

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

// A new file beside `target` (same folder, unique name) that replaces the
// target by one rename once it is complete, so that a kill or a failure
// leaves the target as it was. The new file is erased on every way out that
// does not commit it. The name is empty when none could be made (the error
// is reported then).
class FileBeside {
public:
    FileBeside(std::string target, const std::string& routine);
    ~FileBeside();
    FileBeside(const FileBeside&) = delete;
    FileBeside& operator=(const FileBeside&) = delete;
    const std::string& Name() const { return name_; }
    const std::string& Target() const { return target_; }
    // Renames the new file over the target, with the target's permission
    // bits; false after reporting the error (the new file is erased).
    bool Commit();

private:
    std::string target_;
    std::string routine_;
    std::string name_;
};

// A rename of a new file, written beside its target, into place.
struct PendingRename {
    std::string from;
    std::string to;
};

// The renames that put the new files of one change in place, listed in a
// file beside the table before the first of them, so that a program killed
// between them leaves the rest to the next program that opens the table.
class RenameJournal {
public:
    explicit RenameJournal(const std::string& table);
    ~RenameJournal();  // erases a journal that was begun but not written whole
    RenameJournal(const RenameJournal&) = delete;
    RenameJournal& operator=(const RenameJournal&) = delete;
    // Writes and flushes the list; false with the I/O result in io (nothing
    // of the journal is left then).
    bool Write(const std::vector<PendingRename>& renames, uint16_t& io);
    // Erases the journal once every rename it lists is made, else keeps it
    // for the next program that opens the table.
    void Finish();
    void Discard();

private:
    std::string name_;
    std::vector<PendingRename> renames_;
    bool whole_ = false;
};

// The journal's name beside a table.
std::string RenameJournalName(const std::string& table);
// Run where a table is opened, once its file is open with a share that no
// writer of a journal allows: makes the renames of a whole journal whose new
// files are still there, or erases the new files a cut journal names (none of
// its renames was begun), then erases the journal. True when a file was
// renamed: the table's name may stand for another file now.
bool CompleteRenameJournal(const std::string& table);

}  // namespace kor2
