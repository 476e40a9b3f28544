// File-name and file routines of the table engine. All host access goes
// through the platform layer's path mapping.
#include "tables/base/filenames.h"

#include <sys/statvfs.h>

#include <cerrno>
#include <ctime>

#include "platform/oemtext.h"
#include "platform/progfiles.h"
#include "platform/runtemp.h"
#include "platform/sysclock.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginefile.h"

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

FileBeside::FileBeside(std::string target, const std::string& routine)
    : target_(std::move(target)), routine_(routine) {
    errno = 0;
    name_ = platform::TempFileName(SplitFileName(target_).dir, "KOR");
    if (name_.empty())
        SetEngineError(IoCodeFromErrno(errno, 5), "Fehler beim Anfordern des Dateinamens " +
                                                      platform::DisplayPath(target_) + " [" +
                                                      routine_ + "]");
}

FileBeside::~FileBeside() {
    if (!name_.empty()) platform::EraseFile(name_);
}

bool FileBeside::Commit() {
    if (name_.empty()) return false;
    // Only a file of the target's own spelling is the one replaced.
    if (platform::EntryKindOf(target_, platform::Lookup::Write) == platform::EntryKind::File)
        platform::CopyFileMode(target_, name_);
    errno = 0;
    if (!RenameEngineFile(name_, target_)) {
        SetEngineError(IoCodeFromErrno(errno, 5),
                       "Fehler beim Umbenennen von " + platform::DisplayPath(name_) + " in " +
                           platform::DisplayPath(target_) + " [" + routine_ + "]");
        return false;
    }
    name_.clear();
    return true;
}

namespace {

// The journal: a first line, then for each rename the lengths and bytes of
// its two names ("<n>:<name>"), then an end line. A name in the journal's
// folder is kept without its folder.
constexpr std::string_view JournalHead = "KOR2 RENAMES 1\n";
constexpr std::string_view JournalEnd = "END\n";
constexpr size_t JournalMaxBytes = 1 << 20;

std::string JournalForm(const std::string& journal, const std::string& path) {
    const SplitName j = SplitFileName(journal), p = SplitFileName(path);
    return j.dir == p.dir ? p.name + p.ext : path;
}

std::string PathFromJournal(const std::string& journal, const std::string& name) {
    return NameStart(name) == 0 ? SplitFileName(journal).dir + name : name;
}

// One "<n>:<bytes>" field from pos; false when the text ends before it is whole.
bool ReadField(const std::string& text, size_t& pos, std::string& out) {
    size_t len = 0, p = pos;
    while (p < text.size() && p - pos < 6 && text[p] >= '0' && text[p] <= '9')
        len = len * 10 + static_cast<size_t>(text[p++] - '0');
    if (p == pos || p >= text.size() || text[p] != ':' || len == 0 || len > text.size() - p - 1)
        return false;
    out = text.substr(p + 1, len);
    pos = p + 1 + len;
    return true;
}

struct ReadJournal {
    std::vector<PendingRename> renames;
    bool whole = false;
};

ReadJournal ParseJournal(const std::string& journal, const std::string& text) {
    ReadJournal r;
    if (text.size() > JournalMaxBytes || text.compare(0, JournalHead.size(), JournalHead) != 0)
        return r;
    size_t pos = JournalHead.size();
    while (pos < text.size()) {
        if (text.compare(pos, std::string::npos, JournalEnd) == 0) {
            r.whole = true;
            break;
        }
        PendingRename one;
        if (!ReadField(text, pos, one.from) || !ReadField(text, pos, one.to)) break;
        one.from = PathFromJournal(journal, one.from);
        one.to = PathFromJournal(journal, one.to);
        r.renames.push_back(std::move(one));
    }
    return r;
}

// A new file a cut journal names may go when it stands beside its target
// and is neither the table nor a target: nothing else can be erased through
// a damaged list.
bool MayErase(const std::vector<PendingRename>& renames, const PendingRename& r,
              const std::string& table) {
    if (r.from == r.to || r.from == table || SplitFileName(r.from).dir != SplitFileName(r.to).dir)
        return false;
    for (const PendingRename& other : renames)
        if (other.to == r.from) return false;
    return true;
}

}  // namespace

std::string RenameJournalName(const std::string& table) {
    return ForceExtension(table, "$RN");
}

RenameJournal::RenameJournal(const std::string& table) : name_(RenameJournalName(table)) {}

RenameJournal::~RenameJournal() {
    if (!whole_ && !renames_.empty()) platform::EraseFile(name_);
}

bool RenameJournal::Write(const std::vector<PendingRename>& renames, uint16_t& io) {
    renames_ = renames;
    std::string text(JournalHead);
    for (const PendingRename& r : renames)
        for (const std::string& path : {r.from, r.to}) {
            const std::string form = JournalForm(name_, path);
            text += std::to_string(form.size()) + ":" + form;
        }
    text += JournalEnd;
    io = 0;
    {
        auto file = CreateEngineFile(name_, ShareExclusive, io);
        if (!file) return false;
        if (file->WriteAt(0, text.data(), static_cast<int64_t>(text.size())) !=
                static_cast<int64_t>(text.size()) ||
            !file->Flush()) {
            io = IoCodeFromErrno(file->Error(), 101);
            file.reset();
            platform::EraseFile(name_);
            return false;
        }
    }
    whole_ = true;
    return true;
}

void RenameJournal::Finish() {
    if (!whole_) return;
    for (const PendingRename& r : renames_)
        if (platform::FileExists(r.from)) return;
    Discard();
}

void RenameJournal::Discard() {
    platform::EraseFile(name_);
    whole_ = false;
    renames_.clear();
}

bool CompleteRenameJournal(const std::string& table) {
    const std::string journal = RenameJournalName(table);
    if (!platform::FileExists(journal)) return false;
    const std::optional<std::string> text = platform::ReadWholeFile(journal);
    if (!text) return false;
    const ReadJournal r = ParseJournal(journal, *text);
    bool renamed = false, left = false;
    for (const PendingRename& one : r.renames) {
        if (!platform::FileExists(one.from)) continue;
        if (!r.whole) {
            if (MayErase(r.renames, one, table)) platform::EraseFile(one.from);
            continue;
        }
        if (platform::FileExists(one.to)) platform::CopyFileMode(one.to, one.from);
        if (platform::RenameFile(one.from, one.to))
            renamed = true;
        else
            left = true;
    }
    if (!left) platform::EraseFile(journal);
    return renamed;
}

}  // namespace kor2
