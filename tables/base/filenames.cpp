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
#include "tables/base/enginestrings.h"
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

namespace {

// The name itself is a link (in its own spelling).
bool IsLinkName(const std::string& path) {
    return platform::EntryKindOf(path, platform::Lookup::Write) == platform::EntryKind::Link;
}

// Where a change of target writes: the file a link there leads to (a link
// of this account or of its folder's owner), or the name made absolute (an
// index given relative to the current folder is found from any other).
// Empty after reporting the error: 5 for another account's link, 2 for a
// link that leads nowhere.
std::string RealTarget(const std::string& target, const std::string& routine) {
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

}  // namespace

bool MayReplaceFile(const std::string& target, const std::string& routine, NewFileRights rights) {
    const std::string real = RealTarget(target, routine);
    if (real.empty()) return false;
    if (!platform::FileExists(real)) return true;
    if (!platform::MayWriteFile(real)) {
        SetEngineError(5, "Datei schreibgeschützt: "_oem + platform::DisplayPath(target) + " [" +
                              routine + "]");
        return false;
    }
    if (rights == NewFileRights::OwnOnly) return true;
    if (const std::string lost = platform::RightsLostByReplacing(real); !lost.empty()) {
        SetEngineError(5, "Eigentümer und Gruppe der Datei können nicht übernommen werden, "_oem +
                              lost + ": " + platform::DisplayPath(target) + " [" + routine + "]");
        return false;
    }
    return true;
}

FileBeside::FileBeside(std::string target, const std::string& routine, const char* fixedExt,
                       NewFileRights rights)
    : routine_(routine), rights_(rights) {
    const std::string shown = platform::DisplayPath(target);
    if (!MayReplaceFile(target, routine_, rights_)) return;
    target_ = RealTarget(target, routine_);
    if (target_.empty()) return;
    errno = 0;
    if (fixedExt != nullptr) {
        const std::string name = ForceExtension(target_, fixedExt);
        file_ = platform::File::CreateNew(name, ShareExclusive & 0x70);
        if (file_.IsOpen()) name_ = name;
        errno = file_.Error();
    } else {
        name_ = platform::CreateTempFile(SplitFileName(target_).dir, "KOR", file_,
                                         ShareExclusive & 0x70);
    }
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
        SetEngineError(5, "Eigentümer und Gruppe der Datei können nicht übernommen werden, "_oem +
                              lost + ": " + platform::DisplayPath(target_) + " [" + routine_ + "]");
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

namespace {

// The journal: a first line, then for each rename the lengths and bytes of
// its two names ("<n>:<name>"), then an end line. A name in the journal's
// folder is kept without its folder, any other as an absolute path.
constexpr std::string_view JournalHead = "KOR2 RENAMES 1\n";
constexpr std::string_view JournalEnd = "END\n";
constexpr int64_t JournalMaxBytes = 1 << 20;

std::string JournalForm(const std::string& journal, const std::string& path) {
    const SplitName j = SplitFileName(journal), p = SplitFileName(path);
    return j.dir == p.dir ? p.name + p.ext : path;
}

bool IsAbsolute(const std::string& name) {
    return (!name.empty() && IsSep(name[0])) ||
           (name.size() >= 3 && name[1] == ':' && IsSep(name[2]));
}

bool HasDotStep(const std::string& name) {
    size_t start = 0;
    for (size_t i = 0; i <= name.size(); ++i)
        if (i == name.size() || IsSep(name[i])) {
            const std::string step = name.substr(start, i - start);
            if (step == "." || step == "..") return true;
            start = i + 1;
        }
    return false;
}

// A name of the journal as a path: a bare name lies in the journal's folder,
// anything else must be absolute without "." or ".." steps; empty otherwise.
std::string PathFromJournal(const std::string& journal, const std::string& name) {
    if (HasDotStep(name)) return std::string();
    if (NameStart(name) == 0) return SplitFileName(journal).dir + name;
    return IsAbsolute(name) ? name : std::string();
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
    bool foreign = false;  // a name the engine never writes there
};

ReadJournal ParseJournal(const std::string& journal, const std::string& text) {
    ReadJournal r;
    if (text.compare(0, JournalHead.size(), JournalHead) != 0) return r;
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
        if (one.from.empty() || one.to.empty()) r.foreign = true;
        r.renames.push_back(std::move(one));
    }
    return r;
}

// The engine's name of a new file: "KOR" and four upper-case hex digits,
// ".TMP", as it writes them.
bool IsNewFileName(const std::string& name) {
    if (name.size() != 11 || name.compare(0, 3, "KOR") != 0 || name.compare(7, 4, ".TMP") != 0)
        return false;
    return std::all_of(name.begin() + 3, name.begin() + 7,
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); });
}

// Names compared as the index header stores them, in the engine's upper case.
bool SameText(const std::string& a, const std::string& b) { return UpperStr(a) == UpperStr(b); }

// The file names the table (an index's header holds its table's name); only
// those bytes of it are read.
bool NamesTable(const std::string& index, const std::string& table) {
    platform::File f = platform::File::OpenNoLink(index, platform::OpenMode::Read);
    char stored[IndexTableNameSize] = {};
    const int64_t got = f.IsOpen() ? f.ReadAt(IndexTableNameAt, stored, sizeof stored) : -1;
    if (got <= 0) return false;
    const std::string name(stored, strnlen(stored, static_cast<size_t>(got)));
    return SameText(name, NameWithoutDir(table).substr(0, 12));
}

// Why a rename of the journal is none the engine makes for this table:
// empty when it is. The new file must have the engine's name form, lie
// beside its target and be no link; the target must be the table, its memo
// file or an index file (".NDX") whose new file names this table.
std::string ForeignRename(const PendingRename& r, const std::string& table,
                          const std::string& opened) {
    const SplitName from = SplitFileName(r.from), to = SplitFileName(r.to);
    if (from.dir != to.dir) return platform::DisplayPath(r.from) + " liegt nicht neben dem Ziel";
    if (IsLinkName(r.from)) return platform::DisplayPath(r.from) + " ist eine Verknüpfung"_oem;
    const std::string fromName = from.name + from.ext;
    const bool isTable = platform::SameFile(r.to, table);
    const bool isMemo = !isTable && (platform::SameFile(r.to, ForceExtension(table, "DBT")) ||
                                     platform::SameFile(r.to, ForceExtension(table, "FPT")));
    if (isMemo && fromName == to.name + ".$$$") return std::string();
    if (!IsNewFileName(fromName))
        return platform::DisplayPath(r.from) + " ist keine neue Datei des Programms";
    if (isTable || isMemo) return std::string();
    if (SameText(to.ext, ".NDX") && !IsLinkName(r.to) &&
        (!platform::FileExists(r.from) || NamesTable(r.from, table) || NamesTable(r.from, opened)))
        return std::string();
    return platform::DisplayPath(r.to) + " ist keine Datei dieser Tabelle";
}

}  // namespace

std::string RenameJournalName(const std::string& table) {
    const auto real = platform::ResolvedPath(table);
    return ForceExtension(real ? *real : table, "$RN");
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
        // Made new, never through a link at its name; a journal already
        // there is not this change's.
        platform::File made = platform::File::CreateNew(name_, ShareExclusive & 0x70);
        if (!made.IsOpen()) {
            io = IoCodeFromErrno(made.Error(), 5);
            renames_.clear();
            return false;
        }
        auto file = EngineFileOf(made.Duplicate(), name_, io);
        if (!file ||
            file->WriteAt(0, text.data(), static_cast<int64_t>(text.size())) !=
                static_cast<int64_t>(text.size()) ||
            !file->Flush()) {
            if (file) io = IoCodeFromErrno(file->Error(), 101);
            file.reset();
            made.EraseAt(name_);
            renames_.clear();
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

bool CompleteRenameJournal(const std::string& opened, std::string* refused) {
    const auto real = platform::ResolvedPath(opened);
    const std::string table = real ? *real : opened;
    const std::string journal = ForceExtension(table, "$RN");
    if (!platform::FileExists(journal) && !IsLinkName(journal)) return false;
    const auto refuse = [&](const std::string& why) {
        if (refused) *refused = why;
        return false;
    };
    int error = 0;
    const std::optional<std::string> text =
        platform::ReadSmallFile(journal, JournalMaxBytes, error);
    if (!text) {
        // A link at its name is none the engine wrote: nothing to complete.
        if (error == ENOENT || error == ELOOP) return false;
        return refuse(error == EFBIG ? "größer als 1 MB"_oem : "nicht lesbar");
    }
    const ReadJournal r = ParseJournal(journal, *text);
    if (r.foreign) return refuse("Name außerhalb des Ordners der Tabelle"_oem);
    for (const PendingRename& one : r.renames)
        if (const std::string why = ForeignRename(one, table, opened); !why.empty())
            return refuse(why);
    bool renamed = false, left = false;
    for (const PendingRename& one : r.renames) {
        platform::File from = platform::File::OpenNoLink(one.from, platform::OpenMode::Read);
        if (!from.IsOpen()) continue;
        if (!r.whole) {
            // None of its renames was begun: its new files go, where no
            // program holds them.
            from.Close();
            platform::EraseUnheldFile(one.from);
            continue;
        }
        if (platform::FileExists(one.to)) from.TakeOwnerAndModeOf(one.to);
        if (from.RenameOver(one.from, one.to))
            renamed = true;
        else
            left = true;
    }
    if (!left) platform::EraseFile(journal);
    return renamed;
}

void ClearLeftNewFiles(const std::string& opened) {
    const auto real = platform::ResolvedPath(opened);
    const std::string table = real ? *real : opened;
    const std::string dir = SplitFileName(table).dir;
    std::vector<std::string> left;
    for (const platform::FoundFile& f : platform::FindFiles(dir + "KOR????.TMP"))
        if (IsNewFileName(f.name)) left.push_back(dir + f.name);
    std::vector<std::string> memoNew = {ForceExtension(table, "$$$")};
    for (const char* ext : {"DBT", "FPT"})
        if (const auto memo = platform::ResolvedPath(ForceExtension(opened, ext)))
            memoNew.push_back(ForceExtension(*memo, "$$$"));
    for (const std::string& path : memoNew)
        if (platform::FileExists(path)) left.push_back(path);
    if (left.empty()) return;  // the usual open: no journal needs reading
    // The new files every journal beside it still names are not left over.
    std::vector<std::string> named;
    for (const platform::FoundFile& j : platform::FindFiles(dir + "*.$RN")) {
        int error = 0;
        if (const auto text = platform::ReadSmallFile(dir + j.name, JournalMaxBytes, error))
            for (const PendingRename& r : ParseJournal(dir + j.name, *text).renames)
                named.push_back(NameWithoutDir(r.from));
    }
    for (const std::string& path : left)
        if (std::find(named.begin(), named.end(), NameWithoutDir(path)) == named.end())
            platform::EraseUnheldFile(path);
}

}  // namespace kor2
