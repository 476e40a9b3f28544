// Search, Peek/Poke with the direct-read cache, Locate/Continue/LocateRecord
// and AppendFrom on the current work area. Called by the procedural table
// interface and the data-set layer.
#include "tables/area/search.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/codepage.h"
#include "platform/oemtext.h"
#include "platform/progfiles.h"
#include "platform/real48.h"
#include "tables/area/changes.h"
#include "tables/area/navigation.h"
#include "tables/area/workareas.h"
#include "tables/base/commandtext.h"
#include "tables/base/enginedates.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginestrings.h"
#include "tables/base/filenames.h"
#include "tables/dbf/hooks.h"

namespace kor2 {

namespace {

constexpr int64_t kMaxBlock = 65520;

// One block of whole raw records of one table.
struct PeekCacheBlock {
    std::string data;
    int32_t first = 0;
    int32_t count = 0;
    std::string alias;
};
PeekCacheBlock g_cache;

struct LocateState {
    int field = 0;
    std::string value;
    bool noCase = false;
    bool exact = false;
    bool contained = false;
} g_locate;

int64_t RecordPos(const DbfArea& a, int32_t n) {
    return static_cast<int64_t>(a.headerLength) + static_cast<int64_t>(n - 1) * a.recordLength;
}

// Offset and length of field n (0 = deletion byte) in a record.
bool FieldRange(const DbfArea& a, int field, int& offset, int& length) {
    if (field == 0) {
        offset = 0, length = 1;
        return true;
    }
    if (field < 1 || field > static_cast<int>(a.fields.size())) return false;
    offset = a.fields[field - 1].offset;
    length = a.fields[field - 1].length;
    return true;
}

bool RefuseVirtual(const DbfArea& a, const char* routine) {
    if (!a.isVirtual) return false;
    SetEngineError(
        1100, std::string("Search-Befehl bei virtuellen Dateien nicht erlaubt. [") + routine + "]");
    return true;
}

}  // namespace

bool Search(const std::string& text, int& fieldNo, bool fromTop) {
    return Search(std::vector<std::string>{text}, fieldNo, fromTop);
}

bool Search(const std::vector<std::string>& texts, int& fieldNo, bool fromTop) {
    EngineErrorCode = 0;
    const int limitTo = fieldNo;
    fieldNo = 0;
    if (CheckAreaOpen("Search")) return false;
    DbfArea& a = *CurrentDbf();
    if (RefuseVirtual(a, "Search") ||
        std::any_of(texts.begin(), texts.end(), [](const std::string& t) { return t.empty(); }))
        return false;
    RefreshRecCount(a);
    const int64_t rl = a.recordLength;
    const int64_t perBlock = std::max<int64_t>(kMaxBlock / rl, 1);
    std::string block;
    for (int64_t first = fromTop ? 1 : int64_t{a.currentRecord} + 1;
         first >= 1 && first <= a.recordCount; first += perBlock) {
        const int64_t n = std::min<int64_t>(perBlock, a.recordCount - first + 1);
        block.resize(static_cast<size_t>(n * rl));
        const int64_t got =
            a.file->ReadAt(RecordPos(a, static_cast<int32_t>(first)), block.data(), n * rl);
        if (got < rl) break;
        const int64_t records = got / rl;
        for (int64_t r = 0; r < records; ++r)
            TranslateRecord(TranslateDir::Read, a.oem, a.afterRead, a.recordLength,
                            block.data() + r * rl);
        for (int64_t from = 0; from < records * rl;) {
            // The first place where any of the texts stands.
            int64_t p = -1;
            for (const std::string& text : texts) {
                const int64_t at = BufferPosNoCase(text.data(), static_cast<int64_t>(text.size()),
                                                   block.data() + from, records * rl - from);
                if (at >= 0 && (p < 0 || at < p)) p = at;
            }
            if (p < 0) break;
            const int64_t hit = from + p;
            const int inRecord = static_cast<int>(hit % rl);
            int field = 0;
            for (size_t i = 0; i < a.fields.size(); ++i)
                if (inRecord >= a.fields[i].offset &&
                    inRecord < a.fields[i].offset + a.fields[i].length)
                    field = static_cast<int>(i) + 1;
            if (limitTo == 0 || field == limitTo) {
                Go(static_cast<int32_t>(first + hit / rl));
                fieldNo = field;
                return EngineErrorCode == 0;
            }
            from = hit + 1;
        }
    }
    return false;
}

void ResetSearchState() {
    g_cache = PeekCacheBlock{};
    g_locate = LocateState{};
}

void DropPeekCache(const std::string& alias) {
    if (alias.empty() || g_cache.alias == alias) g_cache = PeekCacheBlock{};
}

std::string Peek(int field, int32_t record) {
    if (CheckAreaOpen("Peek")) return {};
    DbfArea& a = *CurrentDbf();
    if (RefuseVirtual(a, "Peek")) return {};
    int offset, length;
    if (!FieldRange(a, field, offset, length) || record < 1) return {};
    if (record > a.recordCount) RefreshRecCount(a);
    if (record > a.recordCount) return {};
    const std::string where =
        "[Peek(" + std::to_string(field) + "," + std::to_string(record) + ")]";
    if (PeekCacheSize == 0) {
        std::string out(static_cast<size_t>(length), ' ');
        const int64_t got = a.file->ReadAt(RecordPos(a, record) + offset, out.data(), length);
        if (got != length) {
            SetEngineError(got < 0 ? IoCodeFromErrno(a.file->Error(), 100) : 100,
                           "DBF: " + a.alias + " " + where);
            return {};
        }
        return out;
    }
    if (g_cache.alias != a.alias) g_cache = PeekCacheBlock{};
    const int64_t want = std::min<int64_t>({PeekCacheSize, kMaxBlock});
    const int64_t records = std::min<int64_t>(want / a.recordLength, a.recordCount);
    if (records < 1) {
        SetEngineError(217, "Insufficient memory for cache [Peek]");
        return {};
    }
    if (record < g_cache.first || record >= g_cache.first + g_cache.count) {
        const int64_t n = std::min<int64_t>(records, a.recordCount - record + 1);
        g_cache.data.resize(static_cast<size_t>(n * a.recordLength));
        const int64_t got =
            a.file->ReadAt(RecordPos(a, record), g_cache.data.data(), n * a.recordLength);
        if (got < a.recordLength) {
            g_cache = PeekCacheBlock{};
            SetEngineError(got < 0 ? IoCodeFromErrno(a.file->Error(), 100) : 100,
                           "DBF: " + a.alias + " " + where);
            return {};
        }
        g_cache.first = record;
        g_cache.count = static_cast<int32_t>(got / a.recordLength);
        g_cache.alias = a.alias;
    }
    return g_cache.data.substr(
        static_cast<size_t>((record - g_cache.first) * static_cast<int64_t>(a.recordLength) +
                            offset),
        static_cast<size_t>(length));
}

namespace {

// Puts the stored form of bytes [offset, offset+len) of record n into the cache.
void CacheStore(const DbfArea& a, int32_t n, int offset, const std::string& stored) {
    if (g_cache.alias != a.alias || n < g_cache.first || n >= g_cache.first + g_cache.count) return;
    const size_t at =
        static_cast<size_t>((n - g_cache.first) * static_cast<int64_t>(a.recordLength) + offset);
    g_cache.data.replace(at, stored.size(), stored);
}

}  // namespace

void UpdatePeekCache() {
    const DbfArea* a = CurrentDbf();
    if (!a || a->isVirtual || g_cache.alias != a->alias) return;
    // The cache holds records as stored: the record buffer is converted back.
    std::string stored = a->record;
    TranslateRecord(TranslateDir::Write, a->oem, a->beforeWrite, a->recordLength, stored.data());
    CacheStore(*a, a->currentRecord, 0, stored);
}

void Poke(const std::string& text, int field, int32_t record) {
    EngineErrorCode = 0;
    if (CheckAreaOpen("Poke")) return;
    DbfArea& a = *CurrentDbf();
    if (RefuseVirtual(a, "Poke")) return;
    int offset, length;
    if (!FieldRange(a, field, offset, length) || record < 1) return;
    if (record > a.recordCount) RefreshRecCount(a);
    if (record > a.recordCount) return;
    if (NetworkMode && !a.exclusive && a.lockState != LockFile && !IsLocked(record)) {
        SetEngineError(1200, "Datensatz nicht gesperrt [Poke(" + std::to_string(field) + "," +
                                 std::to_string(record) + "," + text + ")]");
        return;
    }
    const std::string part = text.substr(0, static_cast<size_t>(length));
    const auto size = static_cast<int64_t>(part.size());
    if (a.file->WriteAt(RecordPos(a, record) + offset, part.data(), size) != size) {
        SetEngineError(101, "Datei:  " + platform::DisplayPath(a.fileName) + " [Poke]");
        return;
    }
    if (a.changeState != ChangeAppended) a.changeState = ChangeRewritten;
    CacheStore(a, record, offset, part);
}

int ParseLocateArgs(const std::string& text) {
    std::string t = UpperStr(text);
    g_locate.noCase = TakeKeyword(" NOCASE", t);
    g_locate.exact = TakeKeyword(" EXACT", t);
    g_locate.contained = TakeKeyword(" CONTAINED", t);
    if (t.empty()) {
        SetEngineError(220, "No field name specified [Locate/Count/Sum]");
        return 0;
    }
    const int n = FieldNo(t);
    if (n == 0) SetEngineError(220, "Unrecognized field name [Locate/Count/Sum(" + text + ")]");
    return n;
}

namespace {

// The search value in the stored form of field f.
std::string StoredSearchValue(const DbfFieldEntry& f, const std::string& value, bool exact) {
    switch (f.type) {
        case 'C':
            return exact ? PadRightStr(value, f.length).substr(0, f.length) : value;
        case 'D':
            return DateToDbf(value);
        case 'N':
        case 'F':
            return FitNumberText(f.decimals > 0 ? FormatStoredReal(TextToReal(value), 0, f.decimals)
                                                : std::to_string(TextToIntPart(value)),
                                 f.length);
        case 'L': {
            const char c = value.empty() ? 'F' : UpCaseChar(value[0]);
            return c == 'T' || c == 'Y' ? "T" : "F";
        }
        default:
            return value;
    }
}

bool Matches(std::string fieldValue, const std::string& wanted) {
    if (g_locate.noCase) fieldValue = UpperStr(fieldValue);
    if (g_locate.contained) return fieldValue.find(wanted) != std::string::npos;
    if (!g_locate.exact) fieldValue = fieldValue.substr(0, wanted.size());
    return fieldValue == wanted;
}

// Whether field (1-based) of record n holds the locate value.
bool RecordMatches(DbfArea& a, int field, int32_t n, const std::string& wanted) {
    const DbfFieldEntry& f = a.fields[field - 1];
    if (f.type == 'M') {
        if (!MemoHooks.memoLines) {
            SetEngineError(220, "MEMO unit not linked in [Count/Sum/Continue]");
            return false;
        }
        Go(n);
        for (std::string line : MemoHooks.memoLines(field)) {
            if (g_locate.noCase) line = UpperStr(line);
            if (line.find(wanted) != std::string::npos) return true;
        }
        return false;
    }
    std::string v = Peek(field, n);
    if (a.oem) v = platform::OemToChar(v);
    return Matches(v, wanted);
}

// Scans from record `from` on; makes the first visible match current.
bool ScanLocate(int64_t from) {
    DbfArea& a = *CurrentDbf();
    RefreshRecCount(a);
    for (int64_t r = std::max<int64_t>(from, 1); r <= a.recordCount; ++r) {
        const auto n = static_cast<int32_t>(r);
        const bool hit = RecordMatches(a, g_locate.field, n, g_locate.value);
        if (EngineErrorCode != 0) return false;
        if (!hit) continue;
        Go(n);
        if (RecordPassesCondition()) return !a.eof;
    }
    GoBottom();
    if (!a.eof) Skip(1);
    return false;
}

}  // namespace

bool Locate(const std::string& fieldAndOptions, const std::string& value, bool caseInsensitive,
            int32_t startRecord, bool exact) {
    EngineErrorCode = 0;
    if (CheckAreaOpen("Locate")) return false;
    DbfArea& a = *CurrentDbf();
    std::string args = fieldAndOptions;
    if (caseInsensitive) args += " NOCASE";
    if (exact) args += " EXACT";
    const int field = ParseLocateArgs(args);
    if (field == 0) return false;
    const DbfFieldEntry& f = a.fields[field - 1];
    if (a.isVirtual && f.type == 'M') {
        GoBottom();
        if (!a.eof) Skip(1);
        return false;
    }
    std::string wanted = StoredSearchValue(f, value, g_locate.exact);
    if (!g_locate.exact) wanted = TrimRightStr(wanted);
    if (g_locate.noCase) wanted = UpperStr(wanted);
    g_locate.field = field;
    g_locate.value = wanted;
    return ScanLocate(startRecord);
}

bool Continue() {
    EngineErrorCode = 0;
    if (CheckAreaOpen("Continue")) return false;
    if (g_locate.field == 0 || g_locate.field > static_cast<int>(CurrentDbf()->fields.size())) {
        SetEngineError(220, "Call to CONTINUE not preceeded by call to LOCATE. [Continue]");
        return false;
    }
    return ScanLocate(int64_t{CurrentDbf()->currentRecord} + 1);
}

bool LocateRecord(const std::string& fieldNames, const std::string& values, bool caseInsensitive,
                  bool move, bool exact) {
    EngineErrorCode = 0;
    if (CheckAreaOpen("LocateRecord")) return false;
    DbfArea& a = *CurrentDbf();
    const auto split = [](const std::string& s) {
        std::vector<std::string> parts;
        size_t start = 0;
        for (size_t p; (p = s.find(';', start)) != std::string::npos; start = p + 1)
            parts.push_back(s.substr(start, p - start));
        parts.push_back(s.substr(start));
        return parts;
    };
    const auto names = split(fieldNames);
    const auto vals = split(values);
    std::vector<std::pair<int, std::string>> wanted;
    for (size_t i = 0; i < names.size(); ++i) {
        const int field = FieldNo(names[i]);
        if (field == 0) {
            SetEngineError(220, "Unrecognized field name [Locate/Count/Sum(" + names[i] + ")]");
            return false;
        }
        g_locate.noCase = caseInsensitive;
        g_locate.exact = exact;
        g_locate.contained = false;
        std::string v =
            StoredSearchValue(a.fields[field - 1], i < vals.size() ? vals[i] : "", exact);
        if (!exact) v = TrimRightStr(v);
        if (caseInsensitive) v = UpperStr(v);
        wanted.emplace_back(field, v);
    }
    const int32_t former = a.currentRecord;
    RefreshRecCount(a);
    for (int32_t n = 1; n <= a.recordCount; ++n) {
        bool all = true;
        for (const auto& [field, v] : wanted) {
            if (!RecordMatches(a, field, n, v)) {
                all = false;
                break;
            }
        }
        if (EngineErrorCode != 0) break;
        if (!all) continue;
        Go(n);
        if (!RecordPassesCondition()) continue;
        if (!move && former >= 1 && former <= a.recordCount) Go(former);
        return true;
    }
    if (former >= 1 && former <= a.recordCount)
        Go(former);
    else
        Dbf4RawGo(former);
    return false;
}

namespace {

struct FieldPair {
    int target;  // 0-based field index in the target
    int source;  // 0-based field index in the source
};

char TypeClass(char t) {
    return t == 'F' ? 'N' : t;
}

std::string TypedText(const uint8_t* p) {
    return std::string(reinterpret_cast<const char*>(p + 1), p[0]);
}

void PutText(uint8_t* p, const std::string& s, size_t room) {
    const size_t n = std::min(s.size(), room);
    p[0] = static_cast<uint8_t>(n);
    std::memcpy(p + 1, s.data(), n);
}

Extended NumberOf(const DbfFieldEntry& f, const uint8_t* p) {
    if (f.decimals > 0) return Real48::FromBytes(p).ToExtended();
    int32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

void PutNumber(const DbfFieldEntry& f, uint8_t* p, Extended x) {
    if (f.decimals > 0) {
        const Real48 r = Real48::FromExtended(x);
        std::memcpy(p, r.Bytes().data(), 6);
    } else {
        const Extended t = x < 0 ? -std::floor(-x) : std::floor(x);
        const int32_t v =
            t > INT32_MAX ? INT32_MAX : (t < INT32_MIN ? INT32_MIN : static_cast<int32_t>(t));
        std::memcpy(p, &v, 4);
    }
}

// A date text cut to width: the century digits go first.
std::string CutDate(std::string text, size_t width) {
    if (text.size() > width && text.size() == 10) text.erase(DateFormatIndex == 1 ? 0 : 6, 2);
    return text.substr(0, width);
}

// Converts one field of the source's typed buffer into the target's.
void ConvertField(DbfArea& dst, const DbfFieldEntry& tf, uint8_t* tp, DbfArea& src,
                  const DbfFieldEntry& sf, const uint8_t* sp) {
    const char t = TypeClass(tf.type), s = TypeClass(sf.type);
    switch (t) {
        case 'C':
            if (s == 'C') PutText(tp, TypedText(sp), tf.length);
            if (s == 'N') {
                const std::string text =
                    sf.decimals > 0 ? FormatStoredReal(NumberOf(sf, sp), 0, sf.decimals)
                                    : std::to_string(static_cast<int32_t>(NumberOf(sf, sp)));
                PutText(tp, FitNumberText(text, tf.length), tf.length);
            }
            if (s == 'L') PutText(tp, sp[0] ? "T" : "F", tf.length);
            if (s == 'D') PutText(tp, CutDate(TypedText(sp), tf.length), tf.length);
            break;
        case 'N':
            if (s == 'C')
                PutNumber(
                    tf, tp,
                    tf.decimals > 0 ? TextToReal(TypedText(sp)) : TextToIntPart(TypedText(sp)));
            if (s == 'N') PutNumber(tf, tp, NumberOf(sf, sp));
            break;
        case 'L':
            tp[0] = s == 'L' ? sp[0] : 0;
            break;
        case 'D':
            if (s == 'C') {
                std::string text = TypedText(sp);
                PutText(tp, IsValidDate(text) ? text : EmptyDateText(DateFormatIndex),
                        tf.length + 2u);
            }
            if (s == 'D') PutText(tp, CutDate(TypedText(sp), tf.length + 2u), tf.length + 2u);
            break;
        case 'M': {
            int32_t block = 0;
            if (s == 'C' && MemoHooks.add) block = MemoHooks.add(TypedText(sp));
            if (s == 'M') {
                int32_t from;
                std::memcpy(&from, sp, 4);
                if (from != 0 && MemoHooks.copyAppend) block = MemoHooks.copyAppend(src, from, dst);
            }
            std::memcpy(tp, &block, 4);
            break;
        }
        default:
            break;
    }
}

bool SameStructure(const DbfArea& a, const DbfArea& b) {
    if (a.fields.size() != b.fields.size()) return false;
    for (size_t i = 0; i < a.fields.size(); ++i) {
        const auto &x = a.fields[i], &y = b.fields[i];
        if (x.name != y.name || x.type != y.type || x.length != y.length ||
            x.decimals != y.decimals)
            return false;
    }
    return true;
}

// Closes the engine's source area and makes the former area current again.
class SourceArea {
public:
    SourceArea(uint8_t former) : former_(former) {}
    ~SourceArea() {
        if (opened_) {
            QuietEngineErrors quiet;
            CurrentArea = AppendFromArea;
            CloseArea();
        }
        CurrentArea = former_;
    }
    SourceArea(const SourceArea&) = delete;
    SourceArea& operator=(const SourceArea&) = delete;
    bool opened_ = false;

private:
    uint8_t former_;
};

}  // namespace

bool AppendFrom(const std::string& source, const AppendProgressProc& progress) {
    EngineErrorCode = 0;
    if (CheckAreaOpen("AppendFrom")) return false;
    const uint8_t targetNo = CurrentArea;
    DbfArea& target = *CurrentDbf();
    const std::string where = "[AppendFrom(" + source + ")]";
    // A file name keeps its spelling; a name in double quotes is taken whole.
    const CommandName cmd = SplitCommandName(AllTrim(source));
    std::string text = cmd.options + " ";
    bool isVirtual = false;
    for (const char* kw : {" VIRTUAL FILE", " LINKED LIST", " VIRTUAL", " LINKED"})
        isVirtual = TakeKeyword(kw, text) || isVirtual;
    std::string name;
    if (!cmd.Finish(text, name)) {
        SetEngineError(220, MalformedNameText(source, "AppendFrom"));
        return false;
    }
    uint8_t sourceNo = 0;
    std::string path;
    if (isVirtual) {
        for (int i = 1; i <= WorkAreaCount && sourceNo == 0; ++i)
            if (WorkAreas[i] && WorkAreas[i]->isVirtual && WorkAreas[i]->alias == UpperStr(name))
                sourceNo = static_cast<uint8_t>(i);
        if (sourceNo == 0) {
            SetEngineError(220, "Virtual file must be open. " + where);
            return false;
        }
    } else {
        path = DefaultExtension(ExpandFileNameP(name), "DBF");
        const std::string hostPath = platform::HostPath(path);
        for (int i = 1; i <= UserAreaCount && sourceNo == 0; ++i)
            if (WorkAreas[i] && !WorkAreas[i]->isVirtual &&
                platform::HostPath(WorkAreas[i]->fileName) == hostPath)
                sourceNo = static_cast<uint8_t>(i);
    }
    if (sourceNo == targetNo) {
        SetEngineError(220, "Datei kann nicht an sich selbst angehängt werden. "_oem + where);
        return false;
    }
    SourceArea guard(targetNo);
    if (sourceNo == 0) {
        CurrentArea = AppendFromArea;
        if (!Use(QuoteName(path) + " ALIAS *FROMFILE", nullptr, 0)) return false;
        guard.opened_ = true;
        sourceNo = AppendFromArea;
    }
    DbfArea& src = *WorkAreas[sourceNo];
    if (src.hasMemo && !MemoLinked()) {
        SetEngineError(220, "Memo-Unit ist nicht ins Programm eingebunden. " + where);
        return false;
    }
    std::vector<FieldPair> pairs;
    for (size_t t = 0; t < target.fields.size(); ++t)
        for (size_t s = 0; s < src.fields.size(); ++s)
            if (target.fields[t].name == src.fields[s].name)
                pairs.push_back({static_cast<int>(t), static_cast<int>(s)});
    const bool whole = SameStructure(target, src) && !src.isVirtual;

    CurrentArea = sourceNo;
    GoTop();
    while (EngineErrorCode == 0 && !dEOF()) {
        if (progress && !progress()) break;
        CurrentArea = targetNo;
        ClearRecord();
        target.typedBuffer[0] = src.typedBuffer[0];
        if (whole) {
            std::memcpy(target.typedBuffer, src.typedBuffer, target.typedSize);
            for (size_t i = 0; i < target.fields.size(); ++i)
                if (target.fields[i].type == 'M') {
                    uint8_t* tp =
                        target.typedBuffer + TypedFieldOffset(target, static_cast<int>(i));
                    ConvertField(target, target.fields[i], tp, src, src.fields[i],
                                 src.typedBuffer + TypedFieldOffset(src, static_cast<int>(i)));
                }
        } else {
            for (const auto& p : pairs)
                ConvertField(target, target.fields[p.target],
                             target.typedBuffer + TypedFieldOffset(target, p.target), src,
                             src.fields[p.source],
                             src.typedBuffer + TypedFieldOffset(src, p.source));
        }
        Append();
        if (EngineErrorCode != 0) break;
        CurrentArea = sourceNo;
        Skip(1);
    }
    const bool ok = EngineErrorCode == 0;
    return ok;
}

}  // namespace kor2
