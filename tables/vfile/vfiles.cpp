// Dispatcher of the virtual-file layer: serves the record operations the
// work-area layer forwards through VFileHook (go, append, write, delete,
// recall, pack, pop, snip, zap, close) on a table kept only in memory.
#include "tables/vfile/vfiles.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/oemtext.h"
#include "tables/base/engineerror.h"
#include "tables/dbf/hooks.h"
#include "tables/vfile/vfilelist.h"

namespace kor2 {

using Record = std::vector<uint8_t>;

namespace vfile {

VFileList& ListOf(DbfArea& a) {
    if (!a.vList) a.vList = std::make_shared<VFileList>();
    return *a.vList;
}

bool IsSortedMode(uint8_t mode) {
    return mode == VfAscending || mode == VfDescending;
}

void LoadToBuffer(DbfArea& a, const Record& record) {
    if (a.typedBuffer && !record.empty()) std::memcpy(a.typedBuffer, record.data(), record.size());
}

std::string KeyOfBuffer(const VFileList& l) {
    std::string key = l.keyFunction(l.keyArgument);
    if (key.size() > VFileKeyLength) key.resize(VFileKeyLength);
    return key;
}

size_t SortedPlace(size_t count, const std::string& key, bool ascending,
                   const std::function<std::string(size_t)>& keyAt) {
    // An equal first key puts the record before it, an equal last key after it.
    const std::string first = keyAt(0);
    if (ascending ? key <= first : key >= first) return 0;
    const std::string last = keyAt(count - 1);
    if (ascending ? key >= last : key <= last) return count;
    // Now key(lo) < key < key(hi) in list order: halve until they meet.
    size_t lo = 0, hi = count - 1;
    while (hi - lo > 1) {
        const size_t mid = lo + (hi - lo) / 2;
        const std::string k = keyAt(mid);
        if (k == key) return mid + 1;
        if (ascending ? key < k : key > k)
            hi = mid;
        else
            lo = mid;
    }
    return lo + 1;
}

void SyncArea(DbfArea& a, const VFileList& l) {
    a.recordCount = static_cast<int32_t>(l.records.size());
    if (l.records.empty()) {
        a.currentRecord = 0;
        a.bof = a.eof = true;
        return;
    }
    a.currentRecord = static_cast<int32_t>(l.current + 1);
    a.bof = a.eof = false;
}

}  // namespace vfile

namespace {

using namespace vfile;

size_t DeletionByte(const DbfArea& a) {
    return a.recordLength == 0 ? 2 : 0;
}

// Copy of the caller's buffer: the record length, or for varying-length
// records the length word + 2 bytes.
Record CopyOfBuffer(const DbfArea& a) {
    size_t n = a.recordLength;
    if (n == 0) {
        uint16_t word;
        std::memcpy(&word, a.typedBuffer, sizeof word);
        n = size_t{word} + 2;
    }
    return Record(a.typedBuffer, a.typedBuffer + n);
}

// The checks of an add and the copy of the buffer; false after the error.
bool PrepareAdd(DbfArea& a, const VFileList& l, Record& copy) {
    const uint8_t mode = a.vOrderKind;
    if (mode > VfDescending) {
        SetEngineError(1100, std::to_string(mode) + " ist ein ungültiger VFile-Mode für "_oem +
                                 a.alias + " [(AddLL) VFiles INTERNAL ERROR]");
        return false;
    }
    if (IsSortedMode(mode) && !l.keyFunction) {
        SetEngineError(1100, a.alias + " ist eine \"sortierte\" virtuelle Datei ohne " +
                                 "Schlüsselfunktion. [Append/InsertRec/PushRec]"_oem);
        return false;
    }
    if (!a.typedBuffer) {
        SetEngineError(1102, a.alias + " [VFiles]");
        return false;
    }
    try {
        copy = CopyOfBuffer(a);
    } catch (const std::bad_alloc&) {
        SetEngineError(
            217, "HEAP-Speicher ungenügend zum Datensatz-Anhängen an "_oem + a.alias + " [VFiles]");
        return false;
    }
    return true;
}

// Links a prepared copy into the list by the order mode; it becomes current.
// The caller's buffer holds the new record afterwards.
bool Link(DbfArea& a, VFileList& l, Record&& copy) {
    size_t pos = 0;
    const size_t count = l.records.size();
    if (count > 0) {
        switch (a.vOrderKind) {
            case VfFifo:
                pos = count;
                break;
            case VfLifo:
                pos = 0;
                break;
            case VfInsertion:
                pos = std::min(l.current, count);
                break;
            default: {
                // Keys of stored records are taken through the caller's buffer.
                const std::string key = KeyOfBuffer(l);
                pos = SortedPlace(count, key, a.vOrderKind == VfAscending, [&](size_t i) {
                    LoadToBuffer(a, l.records[i]);
                    return KeyOfBuffer(l);
                });
                LoadToBuffer(a, copy);
            }
        }
    }
    try {
        l.records.insert(l.records.begin() + static_cast<std::ptrdiff_t>(pos), std::move(copy));
    } catch (const std::bad_alloc&) {
        SetEngineError(
            217, "Zu wenig HEAP um Zeiger zu alloziieren. Neuer Datensatz nicht anhängbar an "_oem +
                     a.alias + " [VFiles]");
        return false;
    }
    l.current = pos;
    SyncArea(a, l);
    return true;
}

bool AddLL(DbfArea& a, VFileList& l) {
    Record copy;
    return PrepareAdd(a, l, copy) && Link(a, l, std::move(copy));
}

// Removes record i; the next record becomes current, or the previous one
// when the last was removed.
void RemoveAt(DbfArea& a, VFileList& l, size_t i) {
    if (i >= l.records.size()) return;
    l.records.erase(l.records.begin() + static_cast<std::ptrdiff_t>(i));
    l.current = l.records.empty() ? 0 : std::min(i, l.records.size() - 1);
    SyncArea(a, l);
}

bool ValidPosition(const DbfArea& a, const VFileList& l, int32_t n) {
    if (n >= 1 && static_cast<size_t>(n) <= l.records.size()) return true;
    SetEngineError(212, "Versuch auf ungültigen Datensatz zu positionieren "_oem +
                            std::to_string(n) + "  Anzahl Datensätze in Datenbank ist "_oem +
                            std::to_string(l.records.size()) + a.alias + " [VFiles]");
    return false;
}

void GoTo(DbfArea& a, VFileList& l, int32_t n) {
    if (!ValidPosition(a, l, n)) return;
    l.current = static_cast<size_t>(n - 1);
    LoadToBuffer(a, l.records[l.current]);
    SyncArea(a, l);
}

void WriteRecord(DbfArea& a, VFileList& l, int32_t n) {
    if (n > 0 && static_cast<size_t>(n) > l.records.size()) {
        AddLL(a, l);
        return;
    }
    if (!ValidPosition(a, l, n)) return;
    l.current = static_cast<size_t>(n - 1);
    Record copy;
    if (IsSortedMode(a.vOrderKind)) {
        // The record moves to its sorted place; it is only taken out once
        // the new copy can be linked in, so a refused add loses nothing.
        if (!PrepareAdd(a, l, copy)) return;
        RemoveAt(a, l, l.current);
        Link(a, l, std::move(copy));
        return;
    }
    try {
        copy = CopyOfBuffer(a);
    } catch (const std::bad_alloc&) {
        SetEngineError(
            217, "HEAP-Speicher ungenügend zum Datensatz-Anhängen an "_oem + a.alias + " [VFiles]");
        return;
    }
    l.records[l.current] = std::move(copy);
    SyncArea(a, l);
}

void SetDeletion(DbfArea& a, VFileList& l, uint8_t value) {
    if (l.records.empty()) return;
    const size_t at = DeletionByte(a);
    Record& r = l.records[l.current];
    if (at < r.size()) r[at] = value;
    if (a.typedBuffer) a.typedBuffer[at] = value;
}

void PackList(DbfArea& a, VFileList& l) {
    const size_t at = DeletionByte(a);
    std::erase_if(l.records, [at](const Record& r) { return at < r.size() && r[at] != 0; });
    l.current = 0;
    SyncArea(a, l);
    if (!l.records.empty()) LoadToBuffer(a, l.records.front());
}

void Pop(DbfArea& a, VFileList& l) {
    if (l.records.empty()) {
        SetEngineError(
            1100, "Leere virtuelle Datei: POP unmöglich von "_oem + a.alias + " [(PopRec) VFiles]");
        return;
    }
    if (a.vOrderKind == VfInsertion) {
        SetEngineError(
            1100, "Datensatz POP unzulässig im Einfüge-Modus"_oem + a.alias + " [(PopRec) VFiles]");
        return;
    }
    LoadToBuffer(a, l.records.front());
    RemoveAt(a, l, 0);
}

void StartEmpty(DbfArea& a, VFileList& l) {
    l.records.clear();
    l.current = 0;
    SyncArea(a, l);
}

}  // namespace

void InstallVFileHook() {
    VFileHook = VFileDispatch;
}

void VFileDispatch(DbfArea& a) {
    if (a.vOperation == VfClose) {
        a.vList.reset();
        a.fields.clear();
        a.fieldCount = 0;
        a.recordCount = 0;
        return;
    }
    EngineErrorCode = 0;
    VFileList& l = ListOf(a);
    switch (a.vOperation) {
        case VfDelete:
            SetDeletion(a, l, 1);
            break;
        case VfRecall:
            SetDeletion(a, l, 0);
            break;
        case VfGo:
            GoTo(a, l, a.vRecordArg);
            break;
        case VfStartEmpty:
        case VfZap:
            StartEmpty(a, l);
            break;
        case VfPack:
            PackList(a, l);
            break;
        case VfPop:
            Pop(a, l);
            break;
        case VfAppend:
            if (AddLL(a, l)) a.eof = false;
            break;
        case VfWrite:
            WriteRecord(a, l, a.vRecordArg);
            break;
        case VfSnip:
            if (!l.records.empty()) RemoveAt(a, l, l.current);
            break;
        default:
            break;
    }
}

}  // namespace kor2
