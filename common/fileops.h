// File and folder operations of the program: existence and attribute tests,
// the write test of a folder, erasing and counting by mask, and copies. All
// go through the platform's file functions; a copy never leaves a half
// written target in place of the old one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/textfile.h"

namespace kor2 {

void AssignFileL(TextFile& f, std::string_view name);
// Closes f; a failure sets AbortFlag and gives false.
bool CloseFileChecked(TextFile& f);

bool FileExistsIO(std::string_view name);  // the file opens for reading
bool HasAttr(std::string_view name, uint32_t attr);
// Creates "x.$$$" in the folder and removes it again.
bool IsDirWritable(std::string_view dir);
bool DirHasFiles(std::string_view dir);
bool DirExists(std::string_view dir);
void EraseFileIfExists(std::string_view name);
void EraseMatchingFiles(std::string_view dir, std::string_view mask);
int32_t CountFiles(std::string_view mask);

// Copies source to dest (into it under the source's name when dest is a
// folder). False, with AbortFlag set, when the source cannot be read or the
// target cannot be written; an existing target is then left as it was.
bool CopyFileFmx(std::string_view source, std::string_view dest);
// Copies source under its own name into the folder of target, when it exists.
void CopyFileToDir(std::string_view source, std::string_view target);
// Every file of fromDir matching mask into toDir; AbortFlag set when none matched.
void CopyMatchingFiles(std::string_view mask, std::string_view fromDir, std::string_view toDir);
// Copies source to dest; any failure sets AbortFlag and keeps the old dest.
void CopyFileBlocks(std::string_view source, std::string_view dest);

// The run's own folder inside TempFolder (the host's temporary folder when
// none is configured), "\" at its end: every temporary file of the program
// goes there, so that runs at the same time never share a name. When it
// cannot be made, the run says so and ends with exit code 1.
std::string RunTempFolder();

}  // namespace kor2
