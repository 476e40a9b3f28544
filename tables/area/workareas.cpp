// Work areas: Select, Use/UseEx/UseVirtual, CloseArea, field access by
// number and name. Every command acts on the current work area.
#include "tables/area/workareas.h"

#include <cstring>

#include "platform/oemtext.h"
#include "platform/progfiles.h"
#include "platform/real48.h"
#include "tables/area/changes.h"
#include "tables/area/navigation.h"
#include "tables/area/search.h"
#include "tables/base/commandtext.h"
#include "tables/base/enginedates.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginestrings.h"
#include "tables/base/filenames.h"
#include "tables/dbf/hooks.h"

namespace kor2 {

namespace {

bool IsWordChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           c == '\\' || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}

// The field entry of field n of the current area, or nullptr after error 215/220.
const DbfFieldEntry* FieldOf(int n, const char* routine) {
    if (CheckAreaOpen(routine)) return nullptr;
    DbfArea* a = CurrentDbf();
    if (n < 1 || n > static_cast<int>(a->fields.size())) {
        SetEngineError(
            220, std::string("Ungültige Feldnr. ["_oem) + routine + "(" + std::to_string(n) + ")]");
        return nullptr;
    }
    return &a->fields[n - 1];
}

bool AliasInUse(const std::string& alias) {
    for (int i = 1; i <= UserAreaCount; ++i)
        if (i != CurrentArea && WorkAreas[i] && WorkAreas[i]->alias == alias) return true;
    return false;
}

std::string AliasMessage(const std::string& alias) {
    return "Alias-Name \"" + alias + "\" bereits benutzt.";
}

// Word after " ALIAS " in any case (up to the next blank, at most 64); the
// text is cut before it.
std::string TakeAlias(std::string& text) {
    const size_t p = UpperStr(text).find(" ALIAS ");
    if (p == std::string::npos) return {};
    std::string rest = AllTrim(text.substr(p + 7));
    text = text.substr(0, p);
    return rest.substr(0, rest.find(' ')).substr(0, 64);
}

// Frees the current area again when Use fails after installing the table,
// also when the failure is raised as an exception; the cleanup reports
// nothing and keeps the error of the failure.
class InstalledArea {
public:
    InstalledArea() = default;
    ~InstalledArea() {
        if (kept_) return;
        QuietEngineErrors quiet;
        CloseArea();
    }
    InstalledArea(const InstalledArea&) = delete;
    InstalledArea& operator=(const InstalledArea&) = delete;
    void Keep() { kept_ = true; }

private:
    bool kept_ = false;
};

}  // namespace

DbfArea* CurrentDbf() {
    return CurrentArea >= 1 && CurrentArea <= WorkAreaCount ? WorkAreas[CurrentArea].get()
                                                            : nullptr;
}

void Select(int n) {
    if (n >= 1 && n <= UserAreaCount) {
        CurrentArea = static_cast<uint8_t>(n);
        return;
    }
    if (n == 0) {
        for (int i = 1; i <= UserAreaCount; ++i)
            if (!WorkAreas[i]) {
                CurrentArea = static_cast<uint8_t>(i);
                return;
            }
        SetEngineError(220, "Kein Arbeitsbereich frei [Select(0)]");
        return;
    }
    SetEngineError(220, "Ungültiger Arbeitsbereich = [Select("_oem + std::to_string(n) + ")]");
}

uint8_t CurrentAreaNo() {
    return CurrentArea;
}

bool CheckAreaOpen(const std::string& routine) {
    if (CurrentDbf()) return false;
    SetEngineError(215, "Keine Datenbank (bzw.kein Arbeitsbereich) geöffnet. ["_oem + routine +
                            "]  WorkArea = " + std::to_string(CurrentArea));
    return true;
}

bool Use(const std::string& command, void* buffer, uint16_t size) {
    return UseEx(command, buffer, size, nullptr, nullptr);
}

bool UseEx(const std::string& command, void* buffer, uint16_t size, RecordConvProc afterRead,
           RecordConvProc beforeWrite) {
    EngineErrorCode = 0;
    CloseArea();
    const std::string given = AllTrim(command);
    if (given.empty()) return true;
    // The words of the command in any case; the file name as it is spelt,
    // and a name in double quotes whole, whatever words it holds.
    const CommandName cmd = SplitCommandName(given);
    if (!cmd.valid) {
        SetEngineError(220, MalformedNameText(given, "USE"));
        return false;
    }
    std::string text = cmd.options + " ";
    const std::string upper = UpperStr(text);
    if (upper.find("LINKED LIST") != std::string::npos ||
        upper.find("VIRTUAL FILE") != std::string::npos)
        return UseVirtual(given, buffer, size);
    if ((buffer == nullptr && size != 0) || (buffer != nullptr && size == 0)) {
        SetEngineError(220, "Puffer ist NIL oder Größe ist Null beim Öffnen von "_oem +
                                platform::DisplayPath(AllTrim(UpperStr(given))) + "  [USE]");
        return false;
    }
    bool exclusive = TakeKeyword(" EXCLUSIVE", text);
    text += ' ';
    std::string alias = TakeAlias(text);
    std::string name;
    if (!cmd.Finish(text, name)) {
        SetEngineError(220, MalformedNameText(given, "USE"));
        return false;
    }
    name = ExpandFileNameP(name);
    if (alias.empty()) alias = StripExtension(NameWithoutDir(name));
    alias = UpperStr(alias).substr(0, 64);
    name = DefaultExtension(name, "DBF");

    uint8_t mode = DefaultShareMode;
    if (mode == ShareExclusive) exclusive = true;
    if (!NetworkMode) exclusive = true;
    if (exclusive) mode = ShareExclusive;
    if (ForcedOpenMode < 65535) mode = static_cast<uint8_t>(ForcedOpenMode);

    auto area = std::make_unique<DbfArea>();
    area->fileName = name;
    area->oem = !AnsiTables;
    const uint8_t savedShare = EngShareMode, savedDefault = DefaultShareMode;
    EngShareMode = mode;
    const bool opened = OpenDbf(*area);
    EngShareMode = savedShare;
    DefaultShareMode = savedDefault;
    if (!opened) return false;
    area->alias = alias;
    area->exclusive = exclusive;
    area->isVirtual = false;

    const uint16_t typedSize = TypedRecordSize(*area);
    if (buffer == nullptr) {
        area->ownTypedStorage.assign(typedSize, 0);
        area->typedBuffer = area->ownTypedStorage.data();
        area->ownBuffer = true;
    } else if (size != typedSize) {
        CloseDbf(*area);
        SetEngineError(266, "Ungleiche Puffer- und Datensatzgröße der Datenbank: "_oem + given +
                                " [USE()]" + "\n\r" + "Record Size=" + std::to_string(typedSize) +
                                ", Buffer Size=" + std::to_string(size));
        return false;
    } else {
        area->typedBuffer = static_cast<uint8_t*>(buffer);
    }
    area->typedSize = typedSize;
    if (AliasInUse(alias)) {
        CloseDbf(*area);
        SetEngineError(220, AliasMessage(alias));
        return false;
    }
    area->afterRead = std::move(afterRead);
    area->beforeWrite = std::move(beforeWrite);
    area->swapBuffer.assign(typedSize, 0);
    const bool hasMemo = area->hasMemo;
    WorkAreas[CurrentArea] = std::move(area);
    InstalledArea installed;
    DbfArea& a = *WorkAreas[CurrentArea];
    if (a.recordCount < 1) {
        std::memset(a.typedBuffer, 0, a.typedSize);
        a.record.assign(a.recordLength, ' ');
        a.bof = a.eof = true;
    } else {
        GoTop();
        if (EngineErrorCode != 0) return false;
    }
    if (hasMemo && MemoHooks.open) {
        const uint16_t code = MemoHooks.open(StripExtension(a.fileName));
        if (code != 0) {
            CloseArea();
            SetEngineError(code, "Problem beim Öffnen der Memo-Datei [USE("_oem + given +
                                     ",<@Buffer>," + std::to_string(size) + ")]");
            return false;
        }
    }
    installed.Keep();
    return true;
}

bool UseVirtual(const std::string& command, void* buffer, uint16_t size) {
    const std::string given = AllTrim(command);
    if (!VFileHook) {
        SetEngineError(1101, "[USE(" + given + ",<@Buffer>,<size>)]");
        return false;
    }
    if (buffer == nullptr) {
        SetEngineError(220, "NIL Puffer-Zeiger [USE(" + given + ",Nil,<size>)]");
        return false;
    }
    const CommandName cmd = SplitCommandName(given);
    std::string text = UpperStr(cmd.options) + " ";
    TakeKeyword(" LINKED LIST", text);
    TakeKeyword(" VIRTUAL FILE", text);
    text += ' ';
    std::string alias = TakeAlias(text);
    uint8_t storage = 1;
    if (TakeKeyword(" TO EMS", text)) storage = 2;
    if (TakeKeyword(" TO EXT", text) || TakeKeyword(" TO XMS", text)) storage = 3;
    if (TakeKeyword(" TO HEAP", text)) storage = 1;
    if (TakeKeyword(" TO BIGGEST", text)) storage = 5;
    uint8_t order = 0;
    if (TakeKeyword(" FIFO", text)) order = 0;
    if (TakeKeyword(" LIFO", text)) order = 1;
    if (TakeKeyword(" INSERTION", text)) order = 2;
    if (TakeKeyword(" ASCENDING", text)) order = 3;
    if (TakeKeyword(" DESCENDING", text)) order = 4;
    std::string name;
    if (!cmd.Finish(text, name)) {
        SetEngineError(220, MalformedNameText(given, "USE"));
        return false;
    }
    text = UpperStr(name);
    if (alias.empty()) alias = text.substr(0, text.find_first_of(". "));
    alias = alias.substr(0, 64);
    if (AliasInUse(alias)) {
        SetEngineError(220, AliasMessage(alias));
        return false;
    }
    std::memset(buffer, 0, size);
    auto area = std::make_unique<DbfArea>();
    area->isVirtual = true;
    area->recordLength = size;
    area->typedBuffer = static_cast<uint8_t*>(buffer);
    area->typedSize = size;
    area->bof = area->eof = true;
    area->exclusive = true;
    area->alias = alias;
    area->fileName = text;
    area->vStorageKind = storage;
    area->vOrderKind = order;
    area->changeState = ChangeNone;
    WorkAreas[CurrentArea] = std::move(area);
    CallVFile(*WorkAreas[CurrentArea], VfStartEmpty);
    return EngineErrorCode == 0;
}

void CloseArea() {
    DbfArea* a = CurrentDbf();
    if (!a) return;
    if (IndexLinked && IndexHooks.closeAll) IndexHooks.closeAll();
    RefreshRecCount(*a);
    Unlock();
    a->swapBuffer.clear();
    if (a->hasMemo && MemoHooks.close) MemoHooks.close();
    DropPeekCache(a->alias);
    // The slot is freed before closing, so that a failure while closing
    // (reported as an exception in exception mode) never leaves it half-closed.
    std::unique_ptr<DbfArea> owned = std::move(WorkAreas[CurrentArea]);
    const bool changed =
        owned->changeState == ChangeRewritten || owned->changeState == ChangeAppended;
    if (changed && NetworkMode && !owned->exclusive && !owned->isVirtual && owned->file) {
        // The header of a shared table gets the count the file holds under
        // the lock appends take (released with the file), so that it never
        // goes back below what another program appended meanwhile.
        if (LockWithRetries(*owned->file, LockBase + 1, 1))
            RefreshRecCount(*owned);
        else
            owned->changeState = ChangeNone;
    }
    CloseDbf(*owned);
}

void CloseAllAreas() {
    for (int i = 1; i <= UserAreaCount; ++i) {
        CurrentArea = static_cast<uint8_t>(i);
        CloseArea();
    }
    CurrentArea = 1;
}

void CloseEngineAreas() {
    for (int i : {34, 35}) {
        CurrentArea = static_cast<uint8_t>(i);
        CloseArea();
    }
    CloseAllAreas();
}

int FieldCount() {
    if (CheckAreaOpen("FieldCount()")) return 0;
    return CurrentDbf()->fieldCount;
}

std::string Field(int n) {
    const DbfFieldEntry* f = FieldOf(n, "Field");
    return f ? f->name.substr(0, 10) : std::string();
}

int FieldNo(const std::string& name) {
    if (CheckAreaOpen("FieldNo()")) return 0;
    const std::string wanted = UpperStr(AllTrim(name)).substr(0, 10);
    const auto& fields = CurrentDbf()->fields;
    for (size_t i = 0; i < fields.size(); ++i)
        if (fields[i].name == wanted) return static_cast<int>(i) + 1;
    return 0;
}

char FieldType(int n) {
    const DbfFieldEntry* f = FieldOf(n, "FieldType");
    return f ? f->type : ' ';
}

int FieldLen(int n) {
    const DbfFieldEntry* f = FieldOf(n, "FieldLen");
    if (!f) return 0;
    if (f->type == 'D') return CenturyDisplay ? 10 : 8;
    return f->length;
}

int FieldDec(int n) {
    const DbfFieldEntry* f = FieldOf(n, "FieldDec");
    return f ? f->decimals : 0;
}

uint8_t* FieldAddress(int n) {
    if (n == 0) return CheckAreaOpen("FieldAddress") ? nullptr : CurrentDbf()->typedBuffer;
    if (!FieldOf(n, "FieldAddress")) return nullptr;
    DbfArea* a = CurrentDbf();
    return a->typedBuffer + TypedFieldOffset(*a, n - 1);
}

std::string FieldText(int n) {
    const DbfFieldEntry* f = FieldOf(n, "FieldText");
    if (!f) return {};
    const uint8_t* p = FieldAddress(n);
    switch (f->type) {
        case 'C':
        case 'D':
            return std::string(reinterpret_cast<const char*>(p + 1), p[0]);
        case 'L':
            return p[0] ? "Y" : "N";
        case 'M': {
            int32_t block;
            std::memcpy(&block, p, 4);
            return block == 0 ? "none" : (block > 0 ? "MEMO" : "BLOB");
        }
        default:
            if (f->decimals > 0)
                return RealToText(Real48::FromBytes(p).ToExtended(), f->length, f->decimals);
            int32_t v;
            std::memcpy(&v, p, 4);
            return IntToText(v, f->length);
    }
}

bool Deleted() {
    if (CheckAreaOpen("Deleted()")) return false;
    return CurrentDbf()->typedBuffer[0] != 0;
}

int32_t RecNo() {
    if (CheckAreaOpen("RecNo()")) return 0;
    return CurrentDbf()->currentRecord;
}

int RecSize() {
    if (CheckAreaOpen("RecSize()")) return 0;
    return CurrentDbf()->recordLength;
}

std::string AreaFileName() {
    const DbfArea* a = CurrentDbf();
    return a ? a->fileName : std::string();
}

std::string AreaAlias() {
    const DbfArea* a = CurrentDbf();
    return a ? a->alias : std::string();
}

void AreaRecordToBuffer(DbfArea& a) {
    if (!a.isVirtual && a.typedBuffer) RecordToUserBuffer(a, a.typedBuffer);
}

void BlankRecord(DbfArea& a) {
    if (a.isVirtual) {
        if (a.fields.empty() && a.typedBuffer) std::memset(a.typedBuffer, 0, a.typedSize);
        return;
    }
    a.record.assign(a.recordLength, ' ');
    AreaRecordToBuffer(a);
}

void RecordToBuffer() {
    if (DbfArea* a = CurrentDbf()) AreaRecordToBuffer(*a);
}

void BufferToRecord() {
    DbfArea* a = CurrentDbf();
    if (a && !a->isVirtual && a->typedBuffer) UserBufferToRecord(*a, a->typedBuffer);
}

void ClearRecord() {
    if (CheckAreaOpen("ClearRecord")) return;
    BlankRecord(*CurrentDbf());
}

bool TakeKeyword(const std::string& keyword, std::string& text) {
    std::string upper = UpperStr(text);  // one byte for one: positions match text's
    const std::string kw = UpperStr(keyword);
    bool found = false;
    size_t p = 0;
    while (!kw.empty() && (p = upper.find(kw, p)) != std::string::npos) {
        const size_t end = p + kw.size();
        if (end < upper.size() && IsWordChar(upper[end])) {
            ++p;
            continue;
        }
        upper.erase(p, kw.size());
        text.erase(p, kw.size());
        found = true;
    }
    text = AllTrim(text);
    return found;
}

}  // namespace kor2
