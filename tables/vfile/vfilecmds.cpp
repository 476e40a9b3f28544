// Commands on the virtual file of the current work area: its field list
// without a disk table, pop and snip, the key function, the order mode and
// re-sorting by key. Called by the in-memory data set and by programs.
#include <algorithm>
#include <new>

#include "platform/oemtext.h"
#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginestrings.h"
#include "tables/dbf/hooks.h"
#include "tables/vfile/vfilelist.h"
#include "tables/vfile/vfiles.h"

namespace kor2 {

using namespace vfile;

namespace {

// The current area when it holds a virtual file, else nullptr after the error.
DbfArea* VirtualArea(const std::string& operation) {
    DbfArea* a = CurrentDbf();
    if (!a) {
        SetEngineError(215, "Keine Datenbank (bzw. kein Arbeitsbereich) geöffnet. ["_oem +
                                operation + "]  WorkArea = " + std::to_string(CurrentArea));
        return nullptr;
    }
    if (!a->isVirtual) {
        SetEngineError(1100, a->alias + " ist keine virtuelle Datei." + " [" + operation + "]");
        return nullptr;
    }
    return a;
}

void RunOperation(DbfArea& a, uint8_t operation) {
    a.vOperation = operation;
    VFileDispatch(a);
}

// Field entry of one line of a field list; false after error 211.
bool MakeField(const DbfArea& a, const DbfFieldDef& def, DbfFieldEntry& f) {
    f.name = UpperStr(AllTrim(def.name)).substr(0, 10);
    f.type = UpCaseChar(def.type);
    f.length = def.length;
    f.decimals = def.decimals;
    const std::string where = " in VFile-Felderliste. Alias= " + a.alias + " [AddStru]";
    switch (f.type) {
        case 'C':
        case 'F':
        case 'N':
            if (f.length != 0) return true;
            SetEngineError(211, "Ungültige Länge, Feldname: \""_oem + f.name + "\"" + where);
            return false;
        case 'D':
            f.length = 8;
            f.decimals = 0;
            return true;
        case 'L':
            f.length = 1;
            f.decimals = 0;
            return true;
        case 'M':
            f.type = 'N';
            f.length = 10;
            f.decimals = 0;
            return true;
        default:
            SetEngineError(211, "Ungültiger Typ \""_oem + std::string(1, f.type) + "\"" + where);
            return false;
    }
}

}  // namespace

bool AddStru(const std::vector<DbfFieldDef>& fieldList) {
    DbfArea* a = VirtualArea("AddStru");
    if (!a) return false;
    try {
        std::vector<DbfFieldEntry> fields(fieldList.size());
        uint32_t offset = 1;  // after the deletion byte
        for (size_t i = 0; i < fieldList.size(); ++i) {
            if (!MakeField(*a, fieldList[i], fields[i])) return false;
            fields[i].offset = static_cast<uint16_t>(std::min<uint32_t>(offset, 65535));
            offset += TypedFieldSize(fields[i]);
        }
        // The records are the caller's buffer: the fields must fit into it.
        if (fields.size() > 255 || offset > a->recordLength) {
            SetEngineError(266, "Felderliste passt nicht in den Datensatzpuffer: "_oem + a->alias +
                                    " [AddStru]" + "\n\r" +
                                    "Record Size=" + std::to_string(offset) +
                                    ", Buffer Size=" + std::to_string(a->recordLength));
            return false;
        }
        a->fields = std::move(fields);
        a->fieldCount = static_cast<uint8_t>(a->fields.size());
        a->hasMemo = false;
    } catch (const std::bad_alloc&) {
        SetEngineError(217, "Zu wenig Speicherplatz: Fehler bei Strukturerstellung " + a->alias +
                                " [AddStru]");
        return false;
    }
    return true;
}

void PopRec() {
    if (DbfArea* a = VirtualArea("PopRec")) RunOperation(*a, VfPop);
}

void SnipRec() {
    if (DbfArea* a = VirtualArea("SnipRec")) RunOperation(*a, VfSnip);
}

void Set_VFileKey_To(VFileKeyFunction keyFunction, void* argument) {
    DbfArea* a = VirtualArea("Set_VFileKey_To");
    if (!a) return;
    VFileList& l = ListOf(*a);
    l.keyFunction = std::move(keyFunction);
    l.keyArgument = argument;
}

uint8_t Get_VFileMode() {
    const DbfArea* a = VirtualArea("Get_VFileMode");
    return a ? a->vOrderKind : 0;
}

void Set_VFileMode_To(uint8_t mode) {
    DbfArea* a = VirtualArea("Set_VFileMode_To");
    if (!a) return;
    // Records kept in another order are not in key order: a sorted mode
    // (including the other direction) is only taken by an empty or
    // one-record list. SortVFile re-sorts instead.
    if (IsSortedMode(mode) && mode != a->vOrderKind && ListOf(*a).records.size() >= 2) {
        SetEngineError(1100,
                       "Sortiermodus kann nicht gesetzt werden: Virtuelle Datei enthält "
                       "Datensätze. ("_oem +
                           a->alias + ") [(Set_VFileMode_To) VFiles]");
        return;
    }
    a->vOrderKind = mode;
}

void SortVFile(uint8_t mode) {
    DbfArea* a = VirtualArea("SortVFile");
    if (!a) return;
    VFileList& l = ListOf(*a);
    if (!l.keyFunction) {
        SetEngineError(1100, a->alias +
                                 " hat keine Schlüsselfunktion.  Datensätze können nicht "_oem +
                                 "sortiert werden. [SortVFile]");
        return;
    }
    if (!IsSortedMode(mode)) {
        SetEngineError(220, "Sortiermodus ist nicht aufsteigend oder absteigend für "_oem +
                                a->alias + " [(SortVFile) VFiles]");
        return;
    }
    const size_t n = l.records.size();
    std::vector<std::string> keys;
    std::vector<size_t> order;  // order[j]: former index of the record that goes to j
    std::vector<bool> moved;
    try {
        keys.reserve(n);
        order.reserve(n);
        moved.assign(n, false);
        for (const auto& r : l.records) {
            LoadToBuffer(*a, r);
            keys.push_back(KeyOfBuffer(l));
        }
    } catch (const std::bad_alloc&) {
        SetEngineError(217, "Zu wenig Platz im Arbeitsspeicher zum Sortieren von " + a->alias +
                                " [SortVFile]");
        return;
    }
    // Each record is added in turn from the first, as an append in the sorted
    // mode would place it (equal keys included).
    const bool ascending = mode == VfAscending;
    for (size_t i = 0; i < n; ++i) {
        const size_t pos = order.empty() ? 0
                                         : SortedPlace(order.size(), keys[i], ascending,
                                                       [&](size_t j) { return keys[order[j]]; });
        order.insert(order.begin() + static_cast<std::ptrdiff_t>(pos), i);
    }
    // Apply the permutation in place, one cycle at a time.
    for (size_t start = 0; start < n; ++start) {
        if (moved[start]) continue;
        std::vector<uint8_t> held = std::move(l.records[start]);
        size_t j = start;
        for (;;) {
            moved[j] = true;
            const size_t from = order[j];
            if (from == start) {
                l.records[j] = std::move(held);
                break;
            }
            l.records[j] = std::move(l.records[from]);
            j = from;
        }
    }
    a->vOrderKind = mode;
    // As after the last add: the former last record is current and in the buffer.
    for (size_t j = 0; j < n; ++j)
        if (order[j] == n - 1) l.current = j;
    SyncArea(*a, l);
    if (n > 0) LoadToBuffer(*a, l.records[l.current]);
}

}  // namespace kor2
