// File-name and file routines of the table engine: splitting and extending
// names, directory search, erasing, free space and temporary names. Used by
// Use, CreateDbf, AppendFrom and the data-set layer.
#pragma once

#include <cstdint>
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
int64_t DiskFreeOfDrive(int drive);
std::string UniqueFilename();

}  // namespace kor2
