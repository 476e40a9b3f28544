// The change journal: its text, the writer's side (plan, begin, make, ready,
// put, finish) and the opener's (complete or clear a dead change's journal).
// All its files are reached through the folder's handle (platform/folder.h).
#include "tables/base/journal.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <optional>
#include <utility>

#include <unistd.h>

#include "platform/oemtext.h"
#include "platform/progfiles.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginestrings.h"
#include "tables/base/filenames.h"

namespace kor2 {

namespace {

// The journal: a first line, for each new file the lengths and bytes of its
// name and its target's ("<n>:<name>"), bare names of the journal's folder,
// then "END\n"; "READY\n" follows once every new file is whole.
constexpr std::string_view JournalHead = "KOR2 JOURNAL 2\n";
constexpr std::string_view JournalEnd = "END\n";
constexpr std::string_view JournalReady = "READY\n";
// The journal of the program's former version, written once every new file
// was whole; names outside its folder absolute. What it left is completed.
constexpr std::string_view FormerHead = "KOR2 RENAMES 1\n";
constexpr int64_t JournalMaxBytes = 1 << 16;
// A writer holds this byte of its journal locked while it lives.
constexpr int64_t JournalLiveAt = int64_t{1} << 40;

std::atomic<unsigned> nameCounter{0};

// The engine's name of a new file: "KOR", four upper-case hex digits, ".TMP".
bool IsNewFileName(const std::string& name) {
    if (name.size() != 11 || name.compare(0, 3, "KOR") != 0 || name.compare(7, 4, ".TMP") != 0)
        return false;
    return std::all_of(name.begin() + 3, name.begin() + 7,
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); });
}

bool IsBareName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("\\/:") == std::string::npos && name.find('\0') == std::string::npos;
}

std::string Field(const std::string& s) {
    return std::to_string(s.size()) + ":" + s;
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

struct JournalText {
    std::vector<std::pair<std::string, std::string>> pairs;  // new file, target
    bool whole = false;
    bool ready = false;
    bool foreign = false;  // something the engine never writes
    bool former = false;   // of the former version
};

bool IsAbsoluteName(const std::string& name) {
    return (!name.empty() && (name[0] == '/' || name[0] == '\\')) ||
           (name.size() >= 3 && name[1] == ':' && (name[2] == '\\' || name[2] == '/'));
}

JournalText ParseJournal(const std::string& text) {
    JournalText r;
    const auto cutIn = [&](std::string_view head) {
        return text.size() < head.size() && head.substr(0, text.size()) == text;
    };
    // Cut in its first line: nothing of it was done.
    if (cutIn(JournalHead) || cutIn(FormerHead)) return r;
    r.former = text.compare(0, FormerHead.size(), FormerHead) == 0;
    if (!r.former && text.compare(0, JournalHead.size(), JournalHead) != 0) {
        r.foreign = true;
        return r;
    }
    size_t pos = r.former ? FormerHead.size() : JournalHead.size();
    while (pos < text.size()) {
        if (text.compare(pos, JournalEnd.size(), JournalEnd) == 0) {
            r.whole = true;
            pos += JournalEnd.size();
            break;
        }
        std::string fresh, target;
        if (!ReadField(text, pos, fresh) || !ReadField(text, pos, target)) break;
        // The former version's renames in other folders (of indexes, which
        // carry their change mark) are not made.
        if (r.former && (IsAbsoluteName(fresh) || IsAbsoluteName(target))) continue;
        r.pairs.emplace_back(std::move(fresh), std::move(target));
    }
    if (r.whole) {
        const std::string rest = text.substr(pos);
        r.ready = r.former ? rest.empty() : rest == JournalReady;
        // A mark cut short is no mark.
        r.foreign = r.former ? !rest.empty() : rest.size() >= JournalReady.size() && !r.ready;
    }
    return r;
}

std::string Beside(const std::string& path, const char* ext) {
    return ForceExtension(path, ext);
}

}  // namespace

std::string TableJournalName(const std::string& table) {
    const auto real = platform::ResolvedPath(table);
    return Beside(real ? *real : ExpandFileNameP(table), "$RN");
}

std::string IndexJournalName(const std::string& index) {
    const auto real = platform::ResolvedPath(index, platform::Lookup::Write);
    return Beside(real ? *real : ExpandFileNameP(index), "$RI");
}

std::string UnfinishedChangeText(const std::string& table, const std::string& left,
                                 const std::string& routine) {
    return "Die Tabelle "_oem + platform::DisplayPath(table) +
           " wurde von einem beendeten Programm mitten in einer Änderung hinterlassen ("_oem +
           left + "). Sie muss einmal von einem Benutzer mit Schreibrecht geöffnet werden. ["_oem +
           routine + "]";
}

std::string JournalRefusalText(const JournalOutcome& found, const std::string& table,
                               const std::string& journal, const std::string& routine) {
    if (found.found == JournalFound::Refused)
        return "Umbenennungen nicht ausgeführt ("_oem + found.why +
               "): " + platform::DisplayPath(journal) + " [" + routine + "]";
    if (found.found == JournalFound::Unable)
        return UnfinishedChangeText(table, platform::DisplayPath(journal), routine);
    return std::string();
}

// ---- the writer's side

ChangeJournal::ChangeJournal(const std::string& journal, std::string routine, std::string failText)
    : folder_(SplitFileName(journal).dir),
      name_(NameWithoutDir(journal)),
      routine_(std::move(routine)),
      failText_(std::move(failText)) {}

ChangeJournal::~ChangeJournal() {
    if (!ready_)
        TakeBack();
    else
        Finish(false);
}

size_t ChangeJournal::Plan(const std::string& target) {
    Entry e;
    e.target = target;
    entries_.push_back(std::move(e));
    return entries_.size() - 1;
}

bool ChangeJournal::PlanFile(const std::string& file, size_t& entry) {
    const std::string real = ReplacedFilePath(file, routine_);
    if (real.empty()) return false;
    const SplitName p = SplitFileName(real);
    if (!platform::SameFile(p.dir.empty() ? "." : p.dir, folder_.Path())) {
        SetEngineError(5, platform::DisplayPath(file) + " liegt nicht im Ordner der Tabelle " +
                              platform::DisplayPath(folder_.Path()) + " [" + routine_ + "]");
        return false;
    }
    entry = Plan(p.name + p.ext);
    return true;
}

bool ChangeJournal::Begin() {
    const std::string journal = folder_.Path() + name_;
    if (!folder_.IsOpen()) {
        SetEngineError(IoCodeFromErrno(folder_.Error(), 3),
                       "Ordner nicht gefunden: " + platform::DisplayPath(folder_.Path()) + " [" +
                           routine_ + "]");
        return false;
    }
    // Refused before anything is written, naming the file in the way.
    for (const Entry& e : entries_)
        if (!folder_.MayReplace(e.target)) {
            SetEngineError(5, "Keine Berechtigung, die Datei zu ersetzen: "_oem +
                                  platform::DisplayPath(folder_.Path() + e.target) + " [" +
                                  routine_ + "]");
            return false;
        }
    if (const platform::FolderEntry j = folder_.Look(name_);
        j.kind != platform::EntryKind::Missing) {
        SetEngineError(5, (j.Plain() ? "Eine frühere Änderung ist nicht abgeschlossen: "_oem
                                     : "Im Weg liegt keine Datei des Programms: "_oem) +
                              platform::DisplayPath(journal) + " [" + routine_ + "]");
        return false;
    }
    // Names of new files that are free now; exclusive creation settles it.
    unsigned seed = (static_cast<unsigned>(getpid()) * 2654435761u +
                     static_cast<unsigned>(time(nullptr)) + nameCounter.fetch_add(97)) &
                    0xFFFF;
    for (Entry& e : entries_) {
        for (unsigned k = 0; k < 0x10000 && e.fresh.empty(); ++k) {
            const unsigned n = (seed + k) & 0xFFFF;
            char name[16];
            std::snprintf(name, sizeof name, "KOR%04X.TMP", n);
            const bool taken = std::any_of(entries_.begin(), entries_.end(),
                                           [&](const Entry& o) { return o.fresh == name; });
            if (n != 0 && !taken && folder_.Look(name).kind == platform::EntryKind::Missing)
                e.fresh = name;
        }
        seed += 7919;
        if (e.fresh.empty()) {
            SetEngineError(5, "Fehler beim Anfordern des Dateinamens " +
                                  platform::DisplayPath(folder_.Path() + e.target) + " [" +
                                  routine_ + "]");
            return false;
        }
    }
    std::string text(JournalHead);
    for (const Entry& e : entries_) text += Field(e.fresh) + Field(e.target);
    text += JournalEnd;
    held_ = folder_.CreateNew(name_, 0x40);
    uint16_t io = 0;
    if (!held_.IsOpen() || !held_.Lock(JournalLiveAt, 1)) {
        io = IoCodeFromErrno(held_.Error(), 5);
        held_.Close();
        SetEngineError(io, "Fehler beim Schreiben von " + platform::DisplayPath(journal) + " [" +
                               routine_ + "]");
        return false;
    }
    begun_ = true;
    heldFacts_ = platform::Folder::Facts(held_);
    auto file = EngineFileOf(held_.Duplicate(), journal, io);
    if (!file ||
        file->WriteAt(0, text.data(), static_cast<int64_t>(text.size())) !=
            static_cast<int64_t>(text.size()) ||
        !file->Flush()) {
        if (file) io = IoCodeFromErrno(file->Error(), 101);
        SetEngineError(io, WriteFailText(journal));
        TakeBack();
        return false;
    }
    return true;
}

std::string ChangeJournal::WriteFailText(const std::string& journal) const {
    return failText_.empty() ? "Fehler beim Schreiben von " + platform::DisplayPath(journal) +
                                   " [" + routine_ + "]"
                             : failText_;
}

std::string ChangeJournal::NewPath(size_t i) const {
    return folder_.Path() + entries_[i].fresh;
}

std::string ChangeJournal::TargetPath(size_t i) const {
    return folder_.Path() + entries_[i].target;
}

std::unique_ptr<EngineFile> ChangeJournal::Make(size_t i) {
    Entry& e = entries_[i];
    platform::File made =
        begun_ ? folder_.CreateNew(e.fresh, ShareExclusive & 0x70) : platform::File();
    uint16_t io = 0;
    std::unique_ptr<EngineFile> file;
    if (made.IsOpen()) {
        e.made = true;
        e.facts = platform::Folder::Facts(made);
        e.handle = made.Duplicate();
        file = EngineFileOf(std::move(made), NewPath(i), io);
    } else {
        io = IoCodeFromErrno(begun_ ? made.Error() : EINVAL, 5);
    }
    if (!file)
        SetEngineError(io, failText_.empty()
                               ? "Fehler beim Anlegen von " + platform::DisplayPath(NewPath(i)) +
                                     " [" + routine_ + "]"
                               : failText_);
    return file;
}

bool ChangeJournal::Ready() {
    if (begun_ && entries_.size() == 1) {
        ready_ = true;
        return true;
    }
    const std::string journal = folder_.Path() + name_;
    uint16_t io = 0;
    auto file = begun_ ? EngineFileOf(held_.Duplicate(), journal, io) : nullptr;
    const int64_t at = file ? file->Size() : -1;
    if (!file || at < 0 ||
        file->WriteAt(at, JournalReady.data(), static_cast<int64_t>(JournalReady.size())) !=
            static_cast<int64_t>(JournalReady.size()) ||
        !file->Flush()) {
        if (file) io = IoCodeFromErrno(file->Error(), 101);
        SetEngineError(io ? io : 5, WriteFailText(journal));
        // Whatever came of the mark, no rename has begun: the change goes.
        if (file) file->Truncate(at);
        return false;
    }
    ready_ = true;
    return true;
}

bool ChangeJournal::Put(size_t i) {
    Entry& e = entries_[i];
    if (!ready_ || !e.made) return false;
    // A table keeps its owner, group, mode and ACL, or is not replaced.
    if (std::string lost; folder_.Look(e.target).kind == platform::EntryKind::File &&
                          !e.handle.TakeOwnerAndModeOf(TargetPath(i), &lost)) {
        ReportRightsNotKept(lost, TargetPath(i), routine_);
        return false;
    }
    RenamePoint(TargetPath(i));
    // Only the file this change made takes the target's name.
    if (!folder_.Look(e.fresh).Same(e.facts)) {
        SetEngineError(5, "Neue Datei ausgetauscht: " + platform::DisplayPath(NewPath(i)) + " [" +
                              routine_ + "]");
        return false;
    }
    if (!folder_.Rename(e.fresh, e.target)) {
        SetEngineError(IoCodeFromErrno(folder_.Error(), 5),
                       "Fehler beim Umbenennen von " + platform::DisplayPath(NewPath(i)) + " in " +
                           platform::DisplayPath(TargetPath(i)) + " [" + routine_ + "]");
        return false;
    }
    e.put = true;
    e.handle.Close();
    return true;
}

void ChangeJournal::Finish(bool dropRest) {
    if (!begun_) return;
    const bool anyPut =
        std::any_of(entries_.begin(), entries_.end(), [](const Entry& e) { return e.put; });
    const bool allPut = std::all_of(entries_.begin(), entries_.end(),
                                    [](const Entry& e) { return e.put || !e.made; });
    if (!anyPut || dropRest) {
        TakeBack();
        return;
    }
    if (allPut) EraseOwn(name_, heldFacts_);
    // Else kept whole for the next opener; the live mark goes with the handle.
    held_.Close();
    begun_ = false;
}

void ChangeJournal::EraseOwn(const std::string& name, const platform::FolderEntry& made) {
    if (folder_.Look(name).Same(made)) folder_.Erase(name);
}

void ChangeJournal::TakeBack() {
    for (Entry& e : entries_)
        if (e.made && !e.put) {
            EraseOwn(e.fresh, e.facts);
            e.handle.Close();
            e.made = false;
        }
    if (begun_) EraseOwn(name_, heldFacts_);
    held_.Close();
    begun_ = false;
    ready_ = false;
}

// ---- the opener's side

JournalOutcome CompleteJournal(const JournalRules& rules) {
    JournalOutcome out;
    const SplitName parts = SplitFileName(rules.journal);
    const std::string name = parts.name + parts.ext;
    // Most opens end here: one look at one name.
    platform::Folder folder(parts.dir);
    const platform::FolderEntry j = folder.Look(name);
    // Anything but a plain file at the name is no journal the engine wrote.
    if (!j.Plain()) return out;
    const auto refuse = [&](std::string why) {
        out.found = JournalFound::Refused;
        out.why = std::move(why);
        return out;
    };
    if (j.size > JournalMaxBytes) return refuse("größer als 64 KB"_oem);
    platform::File file = folder.OpenPlain(name, platform::OpenMode::Read, 0x40);
    std::string text(static_cast<size_t>(j.size), '\0');
    if (!file.IsOpen() || file.ReadAt(0, text.data(), j.size) != j.size)
        return refuse("nicht lesbar");
    // A writer that lives holds its mark: its change is its own business.
    if (!file.LockShared(JournalLiveAt, 1)) {
        out.found = JournalFound::Live;
        return out;
    }
    file.Unlock(JournalLiveAt, 1);
    const JournalText t = ParseJournal(text);
    // The opener's own journal, or one of the table's owner.
    const auto tableOwner = [&]() -> std::optional<uint32_t> {
        const platform::Folder tableFolder(SplitFileName(rules.table).dir);
        const platform::FolderEntry e = tableFolder.Look(NameWithoutDir(rules.table));
        if (e.kind != platform::EntryKind::File) return std::nullopt;
        return e.owner;
    };
    const bool trusted = j.owner == platform::CurrentAccount() || tableOwner() == j.owner;
    const auto left = [&](const std::string& fresh) {
        return folder.Look(fresh).kind != platform::EntryKind::Missing;
    };
    if (!trusted) {
        // Another account's journal is not obeyed; only a ready one that
        // still names new files means the table may be half changed.
        if (!t.foreign && t.ready &&
            std::any_of(t.pairs.begin(), t.pairs.end(),
                        [&](const auto& p) { return left(p.first); })) {
            out.found = JournalFound::Unable;
            out.why = "Journal eines anderen Benutzers";
        }
        return out;
    }
    if (t.foreign) return refuse("kein Journal des Programms");
    for (const auto& [fresh, target] : t.pairs) {
        if (!IsBareName(fresh) || !IsBareName(target))
            return refuse("Name außerhalb des Ordners"_oem);
        // The former version named a memo file's new file after it.
        const bool formerMemo = t.former && fresh == StripExtension(target) + ".$$$" &&
                                (UpperStr(SplitFileName(target).ext) == ".DBT" ||
                                 UpperStr(SplitFileName(target).ext) == ".FPT");
        if (!IsNewFileName(fresh) && !formerMemo)
            return refuse(platform::DisplayPath(folder.Path() + fresh) +
                          " ist keine neue Datei des Programms");
        if (std::find(rules.targets.begin(), rules.targets.end(), target) == rules.targets.end())
            return refuse(platform::DisplayPath(folder.Path() + target) +
                          " ist keine Datei dieser Tabelle");
    }
    // A new file of this change: plain, the journal owner's.
    const auto ownNew = [&](const std::string& fresh) {
        const platform::FolderEntry e = folder.Look(fresh);
        return e.Plain() && e.owner == j.owner;
    };
    if (!t.ready) {
        // No rename was begun: the table is as it was. The change's own new
        // files go where this account may erase them.
        if (!folder.MayReplace(name)) return out;
        for (const auto& pair : t.pairs)
            if (ownNew(pair.first) && folder.MayReplace(pair.first)) folder.Erase(pair.first);
        folder.Erase(name);
        out.found = JournalFound::Cleared;
        return out;
    }
    std::vector<std::pair<std::string, std::string>> todo;
    for (const auto& pair : t.pairs)
        if (left(pair.first)) todo.push_back(pair);
    if (todo.empty()) {
        // Every rename was made; only the journal was left.
        if (folder.MayReplace(name)) folder.Erase(name);
        return out;
    }
    for (const auto& [fresh, target] : todo) {
        if (!ownNew(fresh))
            return refuse(platform::DisplayPath(folder.Path() + fresh) +
                          " ist keine Datei des Programms");
        platform::File f = folder.OpenPlain(fresh, platform::OpenMode::Read, 0x40);
        if (!f.IsOpen() || (rules.belongs && !rules.belongs(f)))
            return refuse(platform::DisplayPath(folder.Path() + target) +
                          " ist keine Datei dieser Tabelle");
        if (!folder.MayReplace(fresh) || !folder.MayReplace(target)) {
            out.found = JournalFound::Unable;
            out.why = "keine Berechtigung";
            return out;
        }
    }
    for (const auto& [fresh, target] : todo) {
        {
            platform::File f = folder.OpenPlain(fresh, platform::OpenMode::ReadWrite, 0x40);
            if (f.IsOpen() && folder.Look(target).kind == platform::EntryKind::File)
                f.TakeOwnerAndModeOf(folder.Path() + target);
        }
        if (!folder.Rename(fresh, target))
            return refuse("Umbenennen von "_oem + platform::DisplayPath(folder.Path() + fresh) +
                          " nicht möglich"_oem);
    }
    folder.Erase(name);
    out.found = JournalFound::Completed;
    return out;
}

}  // namespace kor2
