// File-name and file routines of the table engine. All host access goes
// through the platform layer's path mapping.
#include "tables/base/filenames.h"

#include <sys/statvfs.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

#include "platform/filerights.h"
#include "platform/oemtext.h"
#include "platform/progfiles.h"
#include "platform/runtemp.h"
#include "platform/sysclock.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginefile.h"
#include "tables/base/enginestrings.h"

namespace kor2 {

namespace {

bool IsSep(char c) {
    return c == '\\' || c == '/';
}

size_t NameStart(const std::string& path) {
    size_t p = path.size();
    while (p > 0 && !IsSep(path[p - 1]) && path[p - 1] != ':') --p;
    return p;
}

size_t ExtStart(const std::string& path) {
    const size_t start = NameStart(path);
    const size_t dot = path.rfind('.');
    return dot != std::string::npos && dot >= start ? dot : std::string::npos;
}

std::string TrimRight(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

}  // namespace

SplitName SplitFileName(const std::string& name) {
    SplitName r;
    const size_t start = NameStart(name);
    const size_t ext = ExtStart(name);
    // Every part whole: a cut folder names another folder.
    r.dir = name.substr(0, start);
    r.name = name.substr(start, (ext == std::string::npos ? name.size() : ext) - start);
    r.ext = ext == std::string::npos ? std::string() : name.substr(ext);
    return r;
}

std::string StripExtension(const std::string& name) {
    const size_t ext = ExtStart(name);
    return ext == std::string::npos ? name : name.substr(0, ext);
}

std::string DefaultExtension(const std::string& name, const std::string& ext) {
    const std::string n = TrimRight(name);
    if (ExtStart(n) != std::string::npos) return n;
    return n + "." + ext;
}

std::string ForceExtension(const std::string& name, const std::string& ext) {
    return StripExtension(name) + "." + ext;
}

std::string ExpandFileNameP(const std::string& name) {
    if (name.empty()) return name;
    if (IsSep(name[0]) || (name.size() >= 2 && name[1] == ':')) return name;
    std::string cwd = platform::GetCurrentDir();
    if (!cwd.empty() && cwd.back() != '/') cwd += '/';
    std::string rest = name;
    while (rest.rfind(".\\", 0) == 0 || rest.rfind("./", 0) == 0) rest = rest.substr(2);
    return cwd + rest;
}

std::string ShortPathName(const std::string& path) {
    return path;
}

std::string NameWithoutDir(const std::string& path) {
    return path.substr(NameStart(path));
}

int EngFindFirst(const std::string& mask, uint32_t attr, EngSearchRec& rec) {
    rec.entries = platform::FindFiles(mask, attr);
    rec.next = 0;
    return EngFindNext(rec);
}

int EngFindNext(EngSearchRec& rec) {
    if (rec.next >= rec.entries.size()) return 18;
    rec.found = rec.entries[rec.next++];
    return 0;
}

void EngFindClose(EngSearchRec& rec) {
    rec.entries.clear();
    rec.next = 0;
}

int64_t FileDateOf(const std::string& name) {
    const auto t = platform::FileModTime(name);
    return t ? static_cast<int64_t>(*t) : 0;
}

bool FileIsFromToday(const std::string& name) {
    uint16_t io = 0;
    if (!OpenEngineFile(name, 0x40, io)) return false;
    const int64_t t = FileDateOf(name);
    FileDatePartsRec parts;
    FileDateParts(t, parts);
    const platform::DateTime now = platform::Now();
    return parts.year == now.year && parts.month == now.month && parts.day == now.day;
}

bool FileExistsP(const std::string& name) {
    return platform::FileExists(name);
}

uint16_t EraseFileIfFree(const std::string& name) {
    uint16_t io = 0;
    {
        auto f = OpenEngineFile(name, 0x12, io);
        if (!f) return io;
    }
    if (!platform::EraseFile(name)) return 5;
    return 0;
}

void EraseFiles(const std::string& mask) {
    if (mask.find_first_of("*?") == std::string::npos) {
        const uint16_t io = EraseFileIfFree(mask);
        if (io != 0)
            SetEngineError(io, "Fehler beim Löschen von "_oem + platform::DisplayPath(mask));
        return;
    }
    const std::string dir = SplitFileName(mask).dir;
    int failed = 0;
    for (const auto& f : platform::FindFiles(mask, platform::faAnyFile & ~platform::faDirectory))
        if (EraseFileIfFree(dir + f.name) != 0) ++failed;
    if (failed > 0)
        SetEngineError(
            5, std::to_string(failed) + " Datei(en) mit Namen wie " + platform::DisplayPath(mask));
}

int64_t DiskFreeOfPath(const std::string& path) {
    if (DiskFreeProc) return DiskFreeProc(path);
    std::string host = platform::HostPath(path);
    if (!platform::DirectoryExists(path)) {
        const size_t slash = host.rfind('/');
        host = slash == std::string::npos ? "." : (slash == 0 ? "/" : host.substr(0, slash));
    }
    struct statvfs st {};
    if (statvfs(host.c_str(), &st) != 0) return -1;
    return static_cast<int64_t>(st.f_bavail) * static_cast<int64_t>(st.f_frsize);
}

int64_t DiskFreeOfDrive(int /*drive*/) {
    return DiskFreeOfPath(platform::GetCurrentDir());
}

std::string UniqueFilename() {
    errno = 0;
    std::string name = platform::TempFileName(platform::CurrentPrivateTempFolder(), "TBP");
    if (name.empty())
        SetEngineError(IoCodeFromErrno(errno, 5),
                       "Fehler beim Anfordern des Dateinamens [UniqueFilename]");
    return name;
}

bool CheckRoom(int64_t freeBytes, int64_t needed, const std::string& routine) {
    if (freeBytes < 0 || needed / 1024 <= freeBytes / 1024) return true;
    SetEngineError(227, "Verfügbarer Plattenplatz: "_oem + std::to_string(freeBytes / 1024) +
                            " KBytes;" + "benötigt: "_oem + std::to_string(needed / 1024) +
                            " KBytes [" + routine + "]");
    return false;
}

std::string ReplacedFilePath(const std::string& target, const std::string& routine) {
    const platform::WriteTarget write = platform::WriteTargetOf(target);
    if (write.error != 0) {
        SetEngineError(write.error == EACCES ? 5 : 2,
                       write.error == EACCES
                           ? platform::WriteTargetRefusal(write) + " [" + routine + "]"
                           : "Ziel einer Verknüpfung fehlt: "_oem + platform::DisplayPath(target) +
                                 " [" + routine + "]");
        return std::string();
    }
    if (auto real = platform::ResolvedPath(write.path, platform::Lookup::Write)) return *real;
    return ExpandFileNameP(write.path);
}

void ReportRightsNotKept(const std::string& lost, const std::string& target,
                         const std::string& routine) {
    SetEngineError(5, "Eigentümer und Gruppe der Datei können nicht übernommen werden, "_oem +
                          lost + ": " + platform::DisplayPath(target) + " [" + routine + "]");
}

bool MayReplaceFile(const std::string& target, const std::string& routine, NewFileRights rights) {
    const std::string real = ReplacedFilePath(target, routine);
    if (real.empty()) return false;
    if (!platform::FileExists(real)) return true;
    if (!platform::MayWriteFile(real)) {
        SetEngineError(5, "Datei schreibgeschützt: "_oem + platform::DisplayPath(target) + " [" +
                              routine + "]");
        return false;
    }
    if (rights == NewFileRights::OwnOnly) return true;
    if (const std::string lost = platform::RightsLostByReplacing(real); !lost.empty()) {
        ReportRightsNotKept(lost, target, routine);
        return false;
    }
    return true;
}

FileBeside::FileBeside(std::string target, const std::string& routine, NewFileRights rights)
    : routine_(routine), rights_(rights) {
    const std::string shown = platform::DisplayPath(target);
    if (!MayReplaceFile(target, routine_, rights_)) return;
    target_ = ReplacedFilePath(target, routine_);
    if (target_.empty()) return;
    errno = 0;
    name_ =
        platform::CreateTempFile(SplitFileName(target_).dir, "KOR", file_, ShareExclusive & 0x70);
    if (name_.empty())
        SetEngineError(IoCodeFromErrno(errno, 5),
                       "Fehler beim Anfordern des Dateinamens " + shown + " [" + routine_ + "]");
}

FileBeside::~FileBeside() {
    if (!name_.empty()) file_.EraseAt(name_);
}

std::unique_ptr<EngineFile> FileBeside::Open(uint16_t& io) {
    return EngineFileOf(file_.Duplicate(), name_, io);
}

bool FileBeside::Commit() {
    if (name_.empty()) return false;
    // Only a file of the target's own spelling is the one replaced; a
    // document takes rights only from a file of this account's own.
    const bool replaces =
        platform::EntryKindOf(target_, platform::Lookup::Write) == platform::EntryKind::File &&
        (rights_ == NewFileRights::KeepAll ||
         platform::IsOwnFile(platform::HostPath(target_, platform::Lookup::Write)));
    if (std::string lost; replaces && !file_.TakeOwnerAndModeOf(target_, &lost) &&
                          rights_ == NewFileRights::KeepAll) {
        ReportRightsNotKept(lost, target_, routine_);
        return false;
    }
    errno = 0;
    if (!RenameEngineFile(file_, name_, target_)) {
        SetEngineError(IoCodeFromErrno(errno, 5),
                       "Fehler beim Umbenennen von " + platform::DisplayPath(name_) + " in " +
                           platform::DisplayPath(target_) + " [" + routine_ + "]");
        return false;
    }
    // In place now: its share is the opens' of the target again.
    name_.clear();
    file_.Close();
    return true;
}

}  // namespace kor2
