// File and folder operations on program path texts, through the platform's
// file functions. Copies read the whole source and replace the target in
// one step, so a failed copy leaves the old target intact.
#include "common/fileops.h"

#include <cstdlib>

#include "common/filepath.h"
#include "common/textutil.h"
#include "common/globals.h"
#include "common/msgbox.h"
#include "platform/hostfs.h"
#include "platform/oemtext.h"
#include "platform/progfiles.h"
#include "platform/runtemp.h"

namespace kor2 {

void AssignFileL(TextFile& f, std::string_view name) {
    f.Assign(name);
}

bool CloseFileChecked(TextFile& f) {
    if (f.Close()) return true;
    AbortFlag = true;
    return false;
}

bool FileExistsIO(std::string_view name) {
    if (name.empty()) return false;
    return platform::File::Open(name, platform::OpenMode::Read).IsOpen();
}

bool HasAttr(std::string_view name, uint32_t attr) {
    const auto a = platform::GetFileAttributes(name);
    return a && (*a & attr) == attr;
}

bool IsDirWritable(std::string_view dir) {
    // The probe is a new file of a name no other run can have: runs sharing
    // the folder never take each other's probe for an unwritable folder.
    const std::string probe = platform::TempFileName(AddBackslash(dir), "x$$");
    if (probe.empty()) return false;
    platform::EraseFile(probe);
    return true;
}

bool DirHasFiles(std::string_view dir) {
    return !platform::FindFiles(AddBackslash(dir) + "*.*").empty();
}

bool DirExists(std::string_view dir) {
    const std::string d = RemoveBackslash(dir);
    return !d.empty() && platform::DirectoryExists(d);
}

void EraseFileIfExists(std::string_view name) {
    if (FileExistsIO(name)) platform::EraseFile(name);
}

void EraseMatchingFiles(std::string_view dir, std::string_view mask) {
    const std::string folder(dir);
    for (const platform::FoundFile& f : platform::FindFiles(folder + std::string(mask)))
        if (!(f.attr & platform::faDirectory)) platform::EraseFile(folder + f.name);
}

int32_t CountFiles(std::string_view mask) {
    return static_cast<int32_t>(platform::FindFiles(mask).size());
}

namespace {

std::string NamePart(std::string_view path) {
    const std::size_t p = path.find_last_of("\\/:");
    return std::string(p == std::string_view::npos ? path : path.substr(p + 1));
}

// The target of a copy: dest itself, or source's name inside the folder dest.
std::string CopyTarget(std::string_view source, std::string_view dest) {
    std::string target(dest);
    if (target.empty() || platform::DirectoryExists(target)) {
        if (!target.empty() && target.back() != '\\' && target.back() != '/' &&
            target.back() != ':')
            target += '\\';
        target += NamePart(source);
    }
    return target;
}

bool CopyWhole(std::string_view source, std::string_view dest) {
    const auto data = platform::ReadWholeFile(source);
    if (!data) return false;
    if (const auto attr = platform::GetFileAttributes(dest);
        attr && (*attr & (platform::faReadOnly | platform::faDirectory)))
        return false;
    return platform::WriteFileReplacing(dest, *data);
}

}  // namespace

bool CopyFileFmx(std::string_view source, std::string_view dest) {
    if (CopyWhole(source, CopyTarget(source, dest))) return true;
    AbortFlag = true;
    return false;
}

void CopyFileToDir(std::string_view source, std::string_view target) {
    if (FileExistsIO(source)) CopyFileFmx(source, AddBackslash(ExtractFilePathL(target)));
}

void CopyMatchingFiles(std::string_view mask, std::string_view fromDir, std::string_view toDir) {
    const std::string from = AddBackslashAlways(fromDir);
    const std::string to = AddBackslashAlways(toDir);
    const auto found = platform::FindFiles(from + std::string(mask));
    bool failed = false;
    for (const platform::FoundFile& f : found) {
        if (f.attr & platform::faDirectory) continue;
        AbortFlag = false;
        CopyFileToDir(from + f.name, to);
        failed = failed || AbortFlag;
    }
    // A failed copy is reported too, not only an empty match.
    AbortFlag = found.empty() || failed;
}

void CopyFileBlocks(std::string_view source, std::string_view dest) {
    if (!CopyWhole(source, dest)) AbortFlag = true;
}

std::string RunTempFolder() {
    const std::string base = TrimBlanks(TempFolder).empty() ? platform::TempPath() : TempFolder;
    const std::string folder = platform::PrivateTempFolder(base);
    if (!folder.empty()) return folder;
    // The fixed temporary names of the program must not meet another run's
    // in a shared folder: without a folder of its own the run cannot go on.
    ShowErrorMessage(std::string("Kein eigener Ordner für temporäre Dateien in "_oem) +
                     platform::DisplayPath(RemoveBackslash(base)) +
                     " möglich, Programm beendet."_oem);
    std::exit(1);
}

}  // namespace kor2
