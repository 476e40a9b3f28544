// Navigation and record visibility of the current work area. Called by the
// data-set layer and by the change and search commands.
#include "tables/area/navigation.h"

#include <algorithm>

#include "platform/oemtext.h"
#include "platform/progfiles.h"
#include "tables/area/changes.h"
#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/dbf/dbffile.h"
#include "tables/dbf/dbfformat.h"
#include "tables/dbf/hooks.h"

namespace kor2 {

namespace {

bool Visible(const DbfArea& a) {
    if (!a.skipDeleted) return true;
    if (a.isVirtual) return a.typedBuffer == nullptr || a.typedBuffer[0] == 0;
    return a.record.empty() || a.record[0] != dbf::DeletedFlag;
}

void SetBof(DbfArea& a) {
    a.bof = true;
    if (IndexInControl() && IndexHooks.markBof) IndexHooks.markBof();
}

void SetEof(DbfArea& a) {
    a.eof = true;
    if (IndexInControl() && IndexHooks.markEof) IndexHooks.markEof();
}

void SaveKey(bool index) {
    if (index && IndexHooks.saveKey) IndexHooks.saveKey();
}

void SyncIndex(bool index) {
    if (index && IndexHooks.syncToCurrent) IndexHooks.syncToCurrent();
}

}  // namespace

// A shared table counts the records in the file, so that records other
// programs appended become visible: those its count already held, and after
// them each whole record that begins with a deletion flag. Every program
// counts so, those that may only read as well: a writer that ended before
// it counted its appends in the header left records that reported success
// there, which the next program that may write keeps.
void RefreshRecCount(DbfArea& a) {
    if (a.exclusive) return;
    if (const int32_t n = CountedRecords(a, a.recordCount); n >= 0) a.recordCount = n;
}

bool ReadRecord(DbfArea& a, int32_t n) {
    if (!GetDbfRecord(a, n)) return false;
    AreaRecordToBuffer(a);
    return true;
}

std::string QuotedTableName(const DbfArea& a) {
    return "\"" + platform::DisplayPath(a.fileName) + "\"";
}

void NoRecordState(DbfArea& a) {
    BlankRecord(a);
    a.currentRecord = a.recordCount + 1;
    a.bof = a.eof = true;
}

bool RecordPassesCondition() {
    const DbfArea* a = CurrentDbf();
    return a != nullptr && Visible(*a);
}

void Dbf4RawGo(int32_t n) {
    if (CheckAreaOpen("Dbf4RawGo")) return;
    DbfArea& a = *CurrentDbf();
    if (n > a.recordCount) {
        a.currentRecord = a.recordCount + 1;
        a.eof = true;
        BlankRecord(a);
    } else if (n >= 1) {
        ReadRecord(a, n);
    } else {
        SetEngineError(212, " [Dbf4RawGo]");
    }
}

void RawGoTo(int32_t n) {
    Dbf4RawGo(n);
}

void GoTop() {
    EngineErrorCode = 0;
    if (CheckAreaOpen("GoTop")) return;
    DbfArea& a = *CurrentDbf();
    const bool index = IndexInControl();
    // The count is read under the protection, so that it holds every record
    // the order can name.
    IndexProtection guard(IndexProtection::Read, index);
    RefreshRecCount(a);
    if (a.recordCount < 1) return guard.End();
    int32_t n = 1;
    if (index && IndexHooks.firstKey) {
        n = IndexHooks.firstKey();
        if (n == a.recordCount + 1) {
            NoRecordState(a);
            guard.End();
            return;
        }
    }
    if (!ReadRecord(a, n)) return;
    while (!Visible(a) && !a.eof && EngineErrorCode == 0) {
        if (index && IndexHooks.nextKey) {
            n = IndexHooks.nextKey();
            if (IndexHooks.pastEnd && IndexHooks.pastEnd()) n = a.recordCount + 1;
        } else {
            ++n;
        }
        if (n > a.recordCount) {
            NoRecordState(a);
            SyncIndex(index);
            break;
        }
        if (!ReadRecord(a, n)) return;
    }
    SaveKey(index);
    guard.End();
}

void GoBottom() {
    EngineErrorCode = 0;
    if (CheckAreaOpen("GoBottom")) return;
    DbfArea& a = *CurrentDbf();
    const bool index = IndexInControl();
    // The count is read under the protection, so that it holds every record
    // the order can name.
    IndexProtection guard(IndexProtection::Read, index);
    RefreshRecCount(a);
    if (a.recordCount < 1) return guard.End();
    int32_t n = a.recordCount;
    if (index && IndexHooks.lastKey) {
        n = IndexHooks.lastKey();
        if (n == a.recordCount + 1) {
            NoRecordState(a);
            guard.End();
            return;
        }
    }
    if (!ReadRecord(a, n)) return;
    while (!Visible(a) && EngineErrorCode == 0) {
        bool atStart;
        if (index && IndexHooks.prevKey) {
            n = IndexHooks.prevKey();
            atStart = IndexHooks.beforeStart && IndexHooks.beforeStart();
        } else {
            --n;
            atStart = n < 1;
        }
        if (atStart) {
            NoRecordState(a);
            if (index) {
                SyncIndex(true);
                SetBof(a);
                SetEof(a);
            }
            break;
        }
        if (!ReadRecord(a, n)) return;
    }
    SaveKey(index);
    guard.End();
}

void Go(int32_t n) {
    EngineErrorCode = 0;
    if (CheckAreaOpen("GO()")) return;
    DbfArea& a = *CurrentDbf();
    if (n > a.recordCount) RefreshRecCount(a);
    if (a.recordCount < 1) {
        a.bof = a.eof = true;
        BlankRecord(a);
    } else if (n >= 1 && n <= a.recordCount) {
        a.bof = a.eof = false;
        const bool index = IndexInControl();
        IndexProtection guard(IndexProtection::Read, index);
        if (ReadRecord(a, n)) {
            SyncIndex(index);
            SaveKey(index);
        }
        guard.End();
        return;
    } else {
        a.currentRecord = a.recordCount + 1;
        a.eof = true;
        BlankRecord(a);
    }
    SetEngineError(212, "Ungültige Datensatznr. = "_oem + std::to_string(n) + " Datenbank " +
                            QuotedTableName(a) + " [GO]");
}

bool GoIfValid(int32_t n) {
    if (n < 1 || n > RecCount()) return false;
    Go(n);
    return EngineErrorCode == 0;
}

void GoFirst() {
    if (RecCount() > 0) GoTop();
}

void GoLast() {
    if (RecCount() > 0) GoBottom();
}

void Skip(int32_t n) {
    EngineErrorCode = 0;
    if (CheckAreaOpen("SKIP()")) return;
    DbfArea& a = *CurrentDbf();
    if (n == 0) {
        if (a.recordCount > 0 && !a.eof && a.currentRecord >= 1)
            ReadRecord(a, a.currentRecord);
        else
            BlankRecord(a);
        return;
    }
    if (a.recordCount < 1) RefreshRecCount(a);
    if (a.recordCount < 1) {
        a.bof = a.eof = true;
        SetEngineError(212, "Datenbank " + QuotedTableName(a) + " ist leer." + " [SKIP]");
        return;
    }
    if (a.eof && n >= 1) {
        SetEngineError(212, "Datenbank " + QuotedTableName(a) + " ist hinter EOF." + " [SKIP]");
        return;
    }
    if (n < 0 && dBOF()) return;
    a.bof = a.eof = false;
    const bool index = IndexInControl();
    enum class End { None, Forward, Backward } end = End::None;
    {
        IndexProtection guard(IndexProtection::Read, index);
        // The end position moves behind records other programs appended, so
        // that its number never names one of them.
        const bool fromEnd = a.currentRecord > a.recordCount;
        RefreshRecCount(a);
        if (fromEnd) a.currentRecord = a.recordCount + 1;
        const int64_t wanted = n < 0 ? -static_cast<int64_t>(n) : n;
        int64_t moved = 0;
        int32_t cur = a.currentRecord;
        while (moved < wanted) {
            int32_t next;
            bool atEnd;
            if (n < 0) {
                if (index && IndexHooks.prevKey) {
                    next = IndexHooks.prevKey();
                    atEnd = next == cur;
                } else {
                    atEnd = cur <= 1;
                    next = atEnd ? 1 : cur - 1;
                }
            } else if (index && IndexHooks.nextKey) {
                next = IndexHooks.nextKey();
                atEnd = next == cur;
            } else {
                RefreshRecCount(a);
                atEnd = cur >= a.recordCount;
                next = atEnd ? a.recordCount : cur + 1;
            }
            // The order may hold records another program appended since the count was read.
            if (next > a.recordCount) RefreshRecCount(a);
            if (next < 1 || next > a.recordCount)
                atEnd = true;
            else if (!ReadRecord(a, next))
                return;
            if (atEnd) {
                end = n < 0 ? End::Backward : End::Forward;
                break;
            }
            cur = next;
            if (Visible(a)) ++moved;
        }
        if (end == End::Forward) {
            a.currentRecord = a.recordCount + 1;
            BlankRecord(a);
            a.bof = false;
            SetEof(a);
            SyncIndex(index);
        }
        guard.End();
    }
    if (end == End::Backward) {
        GoTop();
        SetBof(a);
    }
    SaveKey(index);
}

bool dEOF() {
    DbfArea* a = CurrentDbf();
    if (!a) return true;
    RefreshRecCount(*a);
    if (a->currentRecord > a->recordCount) a->eof = true;
    if (IndexInControl() && IndexHooks.pastEnd) return IndexHooks.pastEnd();
    return a->eof;
}

bool dBOF() {
    DbfArea* a = CurrentDbf();
    if (!a) return true;
    if (IndexInControl() && IndexHooks.beforeStart) return IndexHooks.beforeStart();
    return a->bof;
}

int32_t RecCount() {
    if (CheckAreaOpen("RecCount()")) return 0;
    DbfArea& a = *CurrentDbf();
    RefreshRecCount(a);
    return a.recordCount;
}

bool SetIgnoreDel(bool on) {
    if (CheckAreaOpen("SetIgnoreDel")) return false;
    DbfArea& a = *CurrentDbf();
    const bool previous = a.skipDeleted;
    a.skipDeleted = on;
    Skip(0);
    return previous;
}

bool ResyncAfterChange() {
    DbfArea* a = CurrentDbf();
    if (!a || Visible(*a)) return false;
    Unlock();
    const int32_t former = a->currentRecord;
    Skip(1);
    if (a->eof) {
        Go(former);
        Skip(-1);
    }
    return true;
}

}  // namespace kor2
