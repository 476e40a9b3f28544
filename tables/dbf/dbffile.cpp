// dBase table file: open, header parsing, record I/O, header rewrite, table
// and memo file creation, code-page and typed-buffer conversion of records.
// Called by the work-area commands; layout constants in dbfformat.h.
#include "tables/dbf/dbffile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "platform/codepage.h"
#include "platform/hostfs.h"
#include "platform/oemtext.h"
#include "platform/progfiles.h"
#include "platform/real48.h"
#include "platform/sysclock.h"
#include "tables/base/enginedates.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginestrings.h"
#include "tables/base/filenames.h"
#include "tables/base/journal.h"
#include "tables/dbf/dbfformat.h"
#include "tables/dbf/hooks.h"

namespace kor2 {

namespace {

uint16_t Get16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
void Put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

bool IsLevel7(uint8_t version) {
    return version == dbf::VerLevel7 || version == dbf::VerLevel7Memo;
}

bool IsMemoLike(char t) {
    return t == 'M' || t == 'B' || t == 'G' || t == 'P' || t == 'b' || t == 'g' || t == 'p';
}

int64_t RecordPos(const DbfArea& a, int32_t n) {
    return static_cast<int64_t>(a.headerLength) + static_cast<int64_t>(n - 1) * a.recordLength;
}

std::string NotDbase(const DbfArea& a) {
    return platform::DisplayPath(a.fileName) + " ist keine dBASE-Datenbank.";
}

// Frees what an unfinished open or create holds, then reports the error.
bool FailOpen(DbfArea& a, uint16_t code, const std::string& msg) {
    a.file.reset();
    a.record.clear();
    a.fields.clear();
    a.fieldCount = 0;
    a.changeState = ChangeClosed;
    SetEngineError(code, msg);
    return false;
}

std::string TodayText() {
    const platform::DateTime now = platform::Now();
    return Zero4(now.year) + Zero2(now.month) + Zero2(now.day);
}

std::string Trimmed(const char* text, size_t len) {
    size_t b = 0, e = len;
    while (b < e && static_cast<unsigned char>(text[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ') --e;
    return std::string(text + b, e - b);
}

}  // namespace

bool IsValidDbfVersion(uint8_t v) {
    switch (v) {
        case dbf::VerDbase2:
        case dbf::VerDbase3:
        case dbf::VerDbase3Memo:
        case dbf::VerDbase4Memo:
        case dbf::VerFoxProMemo:
        case dbf::VerLevel7:
        case dbf::VerLevel7Memo:
            return true;
        default:
            return (ExtraDbfVersion != 0 && v == ExtraDbfVersion) ||
                   (ExtraDbfMemoVersion != 0 && v == ExtraDbfMemoVersion);
    }
}

bool DbfHasMemo(uint8_t version, uint8_t flags) {
    if (ExtraDbfMemoVersion != 0) return version == ExtraDbfMemoVersion;
    if (version == dbf::VerVisualFox) return (flags & dbf::FlagHasMemo30) != 0;
    return (version & dbf::VerMemoBit) != 0;
}

namespace {

// What the journal beside a table may replace: the table and its memo file,
// by their names in the table's real folder; whose journal is obeyed: this
// account's and the table owner's.
JournalRules TableJournalRules(const std::string& table, const std::string& journal) {
    const auto real = platform::ResolvedPath(table);
    const std::string path = real ? *real : table;
    JournalRules rules;
    rules.journal = journal;
    for (const std::string& file :
         {path, MemoFileName(path, dbf::VerDbase4Memo), MemoFileName(path, dbf::VerFoxProMemo)})
        rules.targets.push_back(NameWithoutDir(file));
    rules.table = path;
    return rules;
}

}  // namespace

bool OpenDbf(DbfArea& a) {
    a.fileName = DefaultExtension(a.fileName, "DBF");
    uint16_t io = 0;
    a.file = OpenEngineFile(a.fileName, EngShareMode, io);
    // Found by another spelling, the table goes by the one on disk: its
    // changes replace this file, and the files that belong to it are named
    // as every opener names them.
    if (a.file) a.fileName = platform::ExistingName(a.fileName);
    // A dead change's journal beside the table is completed or taken back
    // before anything is read, and the table opened again: the open share
    // keeps out a writer that is still alive.
    if (a.file) {
        const std::string journal = TableJournalName(a.fileName);
        const JournalOutcome j = CompleteJournal(TableJournalRules(a.fileName, journal));
        if (j.found == JournalFound::Completed) {
            a.file.reset();
            a.file = OpenEngineFile(a.fileName, EngShareMode, io);
        }
        if (std::string refused = JournalRefusalText(j, a.fileName, journal, "USE/OpenDbf");
            !refused.empty())
            return FailOpen(a, 5, refused);
    }
    if (!a.file)
        return FailOpen(
            a, io,
            "Fehler beim Öffnen von "_oem + platform::DisplayPath(a.fileName) + " [USE/OpenDbf]");
    a.shareMode = EngShareMode;
    a.file->SetReadAhead((EngShareMode & 0x70) == 0x10);
    a.shortName = NameWithoutDir(ShortPathName(a.fileName)).substr(0, 12);
    const int64_t size = a.file->Size();
    if (!ReadDbfProlog(a, size < 0 ? 0 : size)) return false;
    a.changeState = ChangeNone;
    if (a.recordCount < 1) {
        a.currentRecord = 0;
        a.bof = a.eof = true;
    } else {
        a.currentRecord = 1;
        a.bof = a.eof = false;
    }
    return true;
}

bool ReadDbfProlog(DbfArea& a, int64_t fileSize) {
    std::memset(a.prolog, 0, sizeof a.prolog);
    const int64_t n = fileSize < dbf::PrologSize ? 0 : a.file->ReadAt(0, a.prolog, dbf::PrologSize);
    // A failed read is the read error, not a file too short for a table.
    if (n < 0)
        return FailOpen(
            a, IoCodeFromErrno(a.file->Error(), 100),
            "Fehler beim Lesen von " + platform::DisplayPath(a.fileName) + " [USE/OpenDBF]");
    if (n != dbf::PrologSize)
        return FailOpen(a, 210,
                        NotDbase(a) + " (" + "Prolog ist kleiner als 32 Bytes" + ") [USE/OpenDBF]");
    if (!IsValidDbfVersion(a.prolog[dbf::OffVersion]))
        return FailOpen(a, 210,
                        NotDbase(a) + "(" + "Versions-Byte ungültig"_oem + ") [USE/OpenDBF]");
    if (a.prolog[dbf::OffVersion] == dbf::VerDbase2 && ExtraDbfVersion == 0 &&
        ExtraDbfMemoVersion == 0)
        return ReadDbf2Header(a, fileSize);
    return ReadDbf3Header(a, fileSize);
}

namespace {

// Parses one descriptor; on a bad type returns false with the error text.
bool ParseDescriptor(const DbfArea& a, const uint8_t* desc, DbfFieldEntry& entry,
                     uint16_t& runningOffset, std::string& error) {
    const uint8_t version = a.prolog[dbf::OffVersion];
    int nameSize = dbf::DescNameSize, typeAt = dbf::DescType, lenAt = dbf::DescLength,
        decAt = dbf::DescDecimals;
    if (version == dbf::VerDbase2 && a.headerLength == dbf::Db2HeaderSize) {
        typeAt = dbf::Db2DescType, lenAt = dbf::Db2DescLength, decAt = dbf::Db2DescDecimals;
    } else if (IsLevel7(version)) {
        nameSize = dbf::DescNameSize7, typeAt = dbf::DescType7, lenAt = dbf::DescLength7,
        decAt = dbf::DescDecimals7;
    }
    std::string name;
    for (int i = 0; i < nameSize && desc[i] != 0; ++i) name += static_cast<char>(desc[i]);
    entry.name = UpperStr(name.substr(0, 11));
    char type = static_cast<char>(desc[typeAt]);
    if (IsMemoLike(type)) type = 'M';
    entry.type = type;
    entry.length = desc[lenAt];
    entry.decimals = desc[decAt];
    entry.offset = runningOffset;
    runningOffset = static_cast<uint16_t>(runningOffset + entry.length);
    if (std::string_view("CDFLMN").find(type) != std::string_view::npos) return true;
    error = "Field: " + entry.name + " [" + std::string(1, type) + "] in " +
            platform::DisplayPath(a.fileName) + " ist kein gültiger Feldtyp"_oem;
    return false;
}

}  // namespace

bool ParseFieldDescriptor(const DbfArea& a, const uint8_t* desc, DbfFieldEntry& entry,
                          uint16_t& runningOffset) {
    std::string error;
    if (ParseDescriptor(a, desc, entry, runningOffset, error)) return true;
    SetEngineError(211, error);
    return false;
}

namespace {

// Builds the field table from descriptors; shared by both header layouts.
bool ParseDescriptors(DbfArea& a, const std::vector<uint8_t>& descs, int descSize, int maxCount) {
    a.fields.clear();
    uint16_t offset = 1;
    for (int i = 0; i < maxCount; ++i) {
        const uint8_t* d = descs.data() + static_cast<size_t>(i) * descSize;
        if (d[0] == dbf::HeaderTerminator) break;
        DbfFieldEntry e;
        std::string error;
        if (!ParseDescriptor(a, d, e, offset, error)) return FailOpen(a, 211, error);
        a.fields.push_back(std::move(e));
    }
    if (a.fields.empty())
        return FailOpen(
            a, 222,
            "Fehler beim Lesen von " + platform::DisplayPath(a.fileName) + " [Use/OpenDbf]");
    a.fieldCount = static_cast<uint8_t>(a.fields.size());
    // Every field must lie inside the record, or record conversions would
    // reach past the record buffer.
    if (a.recordLength < 1 || offset > a.recordLength)
        return FailOpen(
            a, 210,
            NotDbase(a) + " (" + "Satzlänge kleiner als die Felder"_oem + ") [Use/OpenDbf]");
    a.record.assign(a.recordLength, ' ');
    return true;
}

// The whole records a table file of fileSize bytes holds after its header.
int32_t WholeRecords(const DbfArea& a, int64_t fileSize) {
    if (a.recordLength == 0 || fileSize <= a.headerLength) return 0;
    return static_cast<int32_t>(
        std::min<int64_t>((fileSize - a.headerLength) / a.recordLength, dbf::MaxRecordCount));
}

// How many of the whole records from `known` + 1 on are records: each must
// begin with a deletion flag. What another tool leaves after the records
// (block padding, an end mark, garbage) does not; the first such record ends
// the count. Read in blocks of whole records.
int32_t FlaggedRecordsFrom(DbfArea& a, int32_t known, int32_t whole) {
    constexpr int64_t BlockBytes = 64 * 1024;
    const int64_t perBlock = std::max<int64_t>(1, BlockBytes / a.recordLength);
    std::vector<char> block;
    int32_t n = known;
    while (n < whole) {
        const int64_t span = std::min<int64_t>(whole - n, perBlock);
        const int64_t bytes = (span - 1) * a.recordLength + 1;
        block.resize(static_cast<size_t>(bytes));
        if (a.file->ReadAt(RecordPos(a, n + 1), block.data(), bytes) != bytes) return n;
        for (int64_t i = 0; i < span; ++i, ++n) {
            const char flag = block[static_cast<size_t>(i * a.recordLength)];
            if (flag != dbf::PresentFlag && flag != dbf::DeletedFlag) return n;
        }
    }
    return n;
}

void SetCount(DbfArea& a, uint32_t count, int64_t fileSize) {
    if (CountFromFileSize && a.recordLength > 0)
        count = static_cast<uint32_t>(WholeRecords(a, fileSize));
    a.recordCount = static_cast<int32_t>(std::min<uint32_t>(count, dbf::MaxRecordCount));
}

}  // namespace

bool ReadDbf3Header(DbfArea& a, int64_t fileSize) {
    const uint8_t version = a.prolog[dbf::OffVersion];
    const bool level7 = IsLevel7(version);
    a.hasMemo = DbfHasMemo(version, a.prolog[dbf::OffFlags]);
    a.headerLength = Get16(a.prolog + dbf::OffHeaderLength);
    a.recordLength = Get16(a.prolog + dbf::OffRecordLength);
    const int descSize = level7 ? dbf::DescSize7 : dbf::DescSize;
    const int descStart = dbf::PrologSize + (level7 ? dbf::Level7BlockSize : 0);
    const int count = (static_cast<int>(a.headerLength) - descStart) / descSize;
    if (a.headerLength < descStart || count < 1 || count > dbf::MaxFields)
        return FailOpen(a, 210, NotDbase(a) + " (" + "Zu viele Datenfelder" + ") [Use/OpenDbf]");
    a.dateText = Zero4(1900 + a.prolog[dbf::OffYear]) + Zero2(a.prolog[dbf::OffMonth]) +
                 Zero2(a.prolog[dbf::OffDay]);
    SetCount(a, Get32(a.prolog + dbf::OffRecordCount), fileSize);
    // An exclusive writer that ended before its close left appends that
    // reported success beyond the count: they are the table's records.
    if (a.prolog[dbf::OffAppendsUncounted] == dbf::AppendsUncounted && a.recordLength > 0)
        a.recordCount = std::max(a.recordCount,
                                 FlaggedRecordsFrom(a, a.recordCount, WholeRecords(a, fileSize)));
    a.changeState = ChangeNone;
    const int64_t descBytes = a.headerLength - descStart;
    std::vector<uint8_t> descs(static_cast<size_t>(std::max<int64_t>(descBytes, 0)) + 1, 0);
    if (a.file->ReadAt(descStart, descs.data(), descBytes) != descBytes)
        return FailOpen(
            a, 100,
            "Fehler beim Lesen von " + platform::DisplayPath(a.fileName) + " [Use/OpenDbf]");
    return ParseDescriptors(a, descs, descSize, count);
}

bool ReadDbf2Header(DbfArea& a, int64_t fileSize) {
    a.hasMemo = false;
    a.headerLength = dbf::Db2HeaderSize;
    if (fileSize < dbf::Db2HeaderSize)
        return FailOpen(
            a, 210,
            NotDbase(a) + "(" + "Datenbank-Header ist kleiner als 521 Bytes" + ") [Use/OpenDBF]");
    a.recordLength = Get16(a.prolog + dbf::Db2OffRecordLength);
    a.dateText = Zero4(1900 + a.prolog[dbf::Db2OffYear]) + Zero2(a.prolog[dbf::Db2OffMonth]) +
                 Zero2(a.prolog[dbf::Db2OffDay]);
    SetCount(a, Get16(a.prolog + dbf::Db2OffRecordCount), fileSize);
    a.changeState = ChangeNone;
    std::vector<uint8_t> descs(dbf::Db2DescriptorArea + 1, dbf::HeaderTerminator);
    if (a.file->ReadAt(dbf::Db2OffDescriptors, descs.data(), dbf::Db2DescriptorArea) !=
        dbf::Db2DescriptorArea)
        return FailOpen(
            a, 100,
            "Fehler beim Lesen von " + platform::DisplayPath(a.fileName) + " [Use/OpenDbf]");
    return ParseDescriptors(a, descs, dbf::Db2DescSize, dbf::Db2MaxFields);
}

namespace {

// The end-of-file byte after the last counted record; false after reporting
// a failure under the routine's name.
bool WriteEndMark(DbfArea& a, const std::string& routine) {
    const uint8_t eof = dbf::EndOfFile;
    if (a.file->WriteAt(RecordPos(a, a.recordCount + 1), &eof, 1) == 1) return true;
    SetEngineError(IoCodeFromErrno(a.file->Error(), 101),
                   "Datei:  " + platform::DisplayPath(a.fileName) + " [" + routine + "]");
    return false;
}

}  // namespace

void CloseDbf(DbfArea& a) {
    if (a.isVirtual) {
        CallVFile(a, VfClose);
        a.changeState = ChangeClosed;
        return;
    }
    if (a.file && (a.changeState == ChangeRewritten || a.changeState == ChangeAppended)) {
        const bool appended = a.changeState == ChangeAppended;
        a.changeState = ChangeNone;
        if (WriteDbfHeader(a) && appended)
            WriteEndMark(a, "CloseDbf(" + platform::DisplayPath(a.fileName) + ")");
    }
    a.file.reset();
    a.changeState = ChangeClosed;
    a.record.clear();
    a.fields.clear();
}

bool GetDbfRecord(DbfArea& a, int32_t n) {
    if (n < 1 || n > a.recordCount) {
        SetEngineError(212, "Ungültige Datensatznr. = "_oem + std::to_string(n) + " (" +
                                platform::DisplayPath(a.fileName) + ")  [GetDbfRecord]");
        return false;
    }
    a.eof = a.bof = false;
    if (a.isVirtual) {
        CallVFile(a, VfGo, n);
        return EngineErrorCode == 0;
    }
    const int64_t got = a.file->ReadAt(RecordPos(a, n), a.record.data(), a.recordLength);
    if (got != a.recordLength) {
        uint16_t code = 213;
        if (got < 0) {
            a.eof = true;
            code = IoCodeFromErrno(a.file->Error(), 100);
        }
        SetEngineError(code, "Datei:  " + platform::DisplayPath(a.fileName) + "  [GetDbfRecord]");
        return false;
    }
    a.currentRecord = n;
    TranslateRecord(TranslateDir::Read, a.oem, a.afterRead, a.recordLength, a.record.data());
    return true;
}

namespace {

// Change state and count after record n was written; an append with
// FlushAfterWrite commits the header at once, a rewrite flushes the file.
bool RecordWritten(DbfArea& a, int32_t n, bool append) {
    if (append) {
        a.recordCount = n;
        a.currentRecord = n;
        a.changeState = ChangeAppended;
        return FlushAfterWrite ? CommitDbfHeader(a) : true;
    }
    if (a.changeState != ChangeAppended) a.changeState = ChangeRewritten;
    return FlushAfterWrite ? FlushFile(a) : true;
}

}  // namespace

bool PutDbfRecord(DbfArea& a, int32_t n) {
    const bool append = n > a.recordCount;
    if (append && a.recordCount >= dbf::MaxRecordCount) {
        SetEngineError(
            101, "Datei:  " + platform::DisplayPath(a.fileName) + " [Replace/Append/PutDbfRecord]");
        return false;
    }
    if (append) n = a.recordCount + 1;
    if (a.isVirtual) {
        CallVFile(a, VfWrite, n);
        return EngineErrorCode == 0;
    }
    // A header that counts more records than the file holds must not make
    // the append write far behind the end of the file.
    if (append && a.file->Size() < RecordPos(a, n)) {
        SetEngineError(
            213, "Datei:  " + platform::DisplayPath(a.fileName) + " [Replace/Append/PutDbfRecord]");
        return false;
    }
    // The record buffer stays in the Windows code page: a copy is converted.
    std::string out = a.record;
    TranslateRecord(TranslateDir::Write, a.oem, a.beforeWrite, a.recordLength, out.data());
    const int64_t put = a.file->WriteAt(RecordPos(a, n), out.data(), a.recordLength);
    if (put != a.recordLength) {
        SetEngineError(
            put < 0 ? IoCodeFromErrno(a.file->Error(), 101) : 101,
            "Datei:  " + platform::DisplayPath(a.fileName) + " [Replace/Append/PutDbfRecord]");
        return false;
    }
    a.currentRecord = n;
    return RecordWritten(a, n, append);
}

namespace {

// An exclusive table's count reaches its header only at close: before its
// first append the header says so, once, so that a program that ends
// without its close leaves no record that reported success uncounted.
bool MarkAppendsUncounted(DbfArea& a) {
    if (!a.exclusive || a.isVirtual || !a.file || a.prolog[dbf::OffVersion] == dbf::VerDbase2 ||
        a.prolog[dbf::OffAppendsUncounted] == dbf::AppendsUncounted)
        return true;
    const uint8_t mark = dbf::AppendsUncounted;
    if (a.file->WriteAt(dbf::OffAppendsUncounted, &mark, 1) != 1) {
        SetEngineError(IoCodeFromErrno(a.file->Error(), 101),
                       "Datei:  " + platform::DisplayPath(a.fileName) + " [Append]");
        return false;
    }
    a.prolog[dbf::OffAppendsUncounted] = mark;
    return true;
}

}  // namespace

bool AppendDbfRecord(DbfArea& a) {
    if (a.recordCount >= dbf::MaxRecordCount) {
        SetEngineError(
            101, "Datei:  " + platform::DisplayPath(a.fileName) + " [Replace/Append/PutDbfRecord]");
        return false;
    }
    return MarkAppendsUncounted(a) && PutDbfRecord(a, a.recordCount + 1);
}

bool WriteDeleteFlag(DbfArea& a, int32_t n) {
    const bool append = n > a.recordCount;
    if (append) n = a.recordCount < dbf::MaxRecordCount ? a.recordCount + 1 : a.recordCount;
    if (append && a.file->Size() < RecordPos(a, n)) {
        SetEngineError(213,
                       "Datei:  " + platform::DisplayPath(a.fileName) + " [DeleteRec/RecallRec]");
        return false;
    }
    if (a.file->WriteAt(RecordPos(a, n), a.record.data(), 1) != 1) {
        SetEngineError(IoCodeFromErrno(a.file->Error(), 101),
                       "Datei:  " + platform::DisplayPath(a.fileName) + " [DeleteRec/RecallRec]");
        return false;
    }
    return RecordWritten(a, n, append);
}

bool WriteDbfHeader(DbfArea& a) {
    const platform::DateTime now = platform::Now();
    a.dateText = TodayText();
    const auto year = static_cast<uint8_t>(std::clamp(now.year - 1900, 0, 255));
    int64_t wrote;
    int size;
    bool keptRead = true;
    if (a.prolog[dbf::OffVersion] == dbf::VerDbase2 && a.headerLength == dbf::Db2HeaderSize) {
        Put16(a.prolog + dbf::Db2OffRecordCount, static_cast<uint16_t>(a.recordCount));
        a.prolog[dbf::Db2OffMonth] = static_cast<uint8_t>(now.month);
        a.prolog[dbf::Db2OffDay] = static_cast<uint8_t>(now.day);
        a.prolog[dbf::Db2OffYear] = year;
        size = dbf::Db2HeaderWriteSize;
    } else {
        uint8_t kept[dbf::KeptReservedSize];
        keptRead = a.file->ReadAt(dbf::OffKeptReserved, kept, sizeof kept) ==
                   static_cast<int64_t>(sizeof kept);
        if (keptRead) std::memcpy(a.prolog + dbf::OffKeptReserved, kept, sizeof kept);
        a.prolog[dbf::OffYear] = year;
        a.prolog[dbf::OffMonth] = static_cast<uint8_t>(now.month);
        a.prolog[dbf::OffDay] = static_cast<uint8_t>(now.day);
        Put32(a.prolog + dbf::OffRecordCount, static_cast<uint32_t>(a.recordCount));
        a.prolog[dbf::OffAppendsUncounted] = 0;  // the count holds every record now
        size = dbf::PrologSize;
    }
    wrote = a.file->WriteAt(0, a.prolog, size);
    if (wrote != size) {
        SetEngineError(wrote < 0 ? IoCodeFromErrno(a.file->Error(), 101) : 101,
                       "Datei:  " + platform::DisplayPath(a.fileName) + " [WriteDbfHeader]");
        return false;
    }
    // The header went out with the bytes known from the open; the failed
    // re-read is still reported.
    if (!keptRead) {
        SetEngineError(IoCodeFromErrno(a.file->Error(), 100),
                       "Datei:  " + platform::DisplayPath(a.fileName) + " [WriteDbfHeader]");
        return false;
    }
    return true;
}

bool WriteDbfCount(DbfArea& a) {
    if (a.isVirtual || !a.file) return true;
    return WriteDbfHeader(a) && WriteEndMark(a, "WriteDbfHeader");
}

bool ReadRawRecord(DbfArea& a, int32_t n, std::string& raw) {
    raw.assign(a.recordLength, ' ');
    if (a.file->ReadAt(RecordPos(a, n), raw.data(), a.recordLength) == a.recordLength) return true;
    SetEngineError(IoCodeFromErrno(a.file->Error(), 100),
                   "Datei:  " + platform::DisplayPath(a.fileName) + "  [GetDbfRecord]");
    return false;
}

bool WriteRawRecord(DbfArea& a, int32_t n, const std::string& raw) {
    if (a.file->WriteAt(RecordPos(a, n), raw.data(), a.recordLength) == a.recordLength) return true;
    SetEngineError(
        IoCodeFromErrno(a.file->Error(), 101),
        "Datei:  " + platform::DisplayPath(a.fileName) + " [Replace/Append/PutDbfRecord]");
    return false;
}

int32_t StoredRecordCount(DbfArea& a) {
    const bool db2 =
        a.prolog[dbf::OffVersion] == dbf::VerDbase2 && a.headerLength == dbf::Db2HeaderSize;
    uint8_t count[4] = {};
    const int64_t at = db2 ? dbf::Db2OffRecordCount : dbf::OffRecordCount;
    const int64_t size = db2 ? 2 : 4;
    if (a.file->ReadAt(at, count, size) != size) {
        SetEngineError(IoCodeFromErrno(a.file->Error(), 100),
                       "Datei:  " + platform::DisplayPath(a.fileName) + " [StoredRecordCount]");
        return -1;
    }
    const uint32_t n = db2 ? Get16(count) : Get32(count);
    return static_cast<int32_t>(std::min<uint32_t>(n, dbf::MaxRecordCount));
}

int32_t RecordsInFile(DbfArea& a) {
    if (a.isVirtual || !a.file) return a.recordCount;
    const int64_t size = a.file->Size();
    if (size < 0 || a.recordLength == 0) return -1;
    return WholeRecords(a, size);
}

int32_t CountedRecords(DbfArea& a, int32_t known) {
    const int32_t whole = RecordsInFile(a);
    if (a.isVirtual || !a.file || whole <= std::max(known, 0)) return whole;
    return FlaggedRecordsFrom(a, std::max(known, 0), whole);
}

bool CutRecords(DbfArea& a, int32_t count) {
    if (a.isVirtual || !a.file) return true;
    // A file that ends before the cut (a damaged count) is never made longer.
    const int64_t size = a.file->Size();
    if (size >= 0 && size <= RecordPos(a, count + 1)) return true;
    const uint8_t eof = dbf::EndOfFile;
    if (!a.file->Truncate(RecordPos(a, count + 1)) ||
        a.file->WriteAt(RecordPos(a, count + 1), &eof, 1) != 1) {
        SetEngineError(IoCodeFromErrno(a.file->Error(), 101),
                       "Datei:  " + platform::DisplayPath(a.fileName) + " [CutRecords]");
        return false;
    }
    return true;
}

bool FlushFile(DbfArea& a) {
    if (!a.file->Flush()) {
        SetEngineError(IoCodeFromErrno(a.file->Error(), 101),
                       "Zurückschreiben (Flush) unmöglich für Datei [FlushFile]"_oem);
        return false;
    }
    return true;
}

bool CommitDbfHeader(DbfArea& a) {
    if (a.isVirtual || !a.file) return true;
    const uint8_t state = a.changeState;
    if (state == ChangeRewritten || state == ChangeAppended) {
        if (!WriteDbfHeader(a)) return false;
        if (state == ChangeAppended && !WriteEndMark(a, "Replace/Append/PutDbfRecord"))
            return false;
    }
    a.changeState = ChangeNone;
    return FlushFile(a);
}

std::string MemoFileExt(uint8_t version) {
    if (!IsValidDbfVersion(version)) version = DefaultCreateVersion;
    return version == dbf::VerFoxProMemo || version == dbf::VerVisualFox ? "FPT" : "DBT";
}

std::string MemoFileName(const std::string& tableFile, uint8_t version) {
    std::string ext = MemoFileExt(version);
    // The extension as the table file is stored (an existing file is found
    // whatever the case of the name given).
    const std::string stored = SplitFileName(NameWithoutDir(platform::HostPath(tableFile))).ext;
    const auto lower = [](unsigned char c) { return c >= 'a' && c <= 'z'; };
    const auto upper = [](unsigned char c) { return c >= 'A' && c <= 'Z'; };
    if (std::any_of(stored.begin(), stored.end(), lower) &&
        std::none_of(stored.begin(), stored.end(), upper))
        for (char& c : ext) c = static_cast<char>(c - 'A' + 'a');
    return ForceExtension(tableFile, ext);
}

bool CreateDbf(DbfArea& a, const std::string& name, int fieldCount,
               const std::vector<DbfFieldDef>& fields) {
    EngineErrorCode = 0;
    const uint8_t asked = ExtraDbfVersion != 0 || ExtraDbfMemoVersion != 0 ? dbf::VerDbase4Memo
                                                                           : DefaultCreateVersion;
    const bool blobTypes = asked == dbf::VerDbase4Memo || asked == dbf::VerLevel7Memo;
    const bool level7 = asked == dbf::VerLevel7Memo;
    const int descSize = level7 ? dbf::DescSize7 : dbf::DescSize;
    const int descStart = dbf::PrologSize + (level7 ? dbf::Level7BlockSize : 0);
    auto invalid = [&] { return FailOpen(a, 211, "Felddefinition ungültig [CreateDBF]"_oem); };
    if (fieldCount < 1 || fieldCount > dbf::MaxFields ||
        fieldCount > static_cast<int>(fields.size()))
        return invalid();
    const int headerLength = fieldCount * descSize + descStart + 1;
    std::vector<uint8_t> header(static_cast<size_t>(headerLength), 0);
    bool hasMemo = false;
    int recordLength = 1;
    for (int i = 0; i < fieldCount; ++i) {
        const DbfFieldDef& f = fields[i];
        uint8_t* d = header.data() + descStart + static_cast<size_t>(i) * descSize;
        const std::string fname = UpperStr(AllTrim(f.name)).substr(0, dbf::DescMaxName);
        char type = UpCaseChar(f.type);
        if (fname.empty()) return invalid();
        if (type == 'B' || type == 'G' || type == 'M' || type == 'P') {
            if (type != 'M' && !blobTypes) return invalid();
            hasMemo = true;
        }
        if (type == 'F' && asked == dbf::VerDbase3Memo) type = 'N';
        uint8_t length = f.length, decimals = 0;
        switch (type) {
            case 'D':
                length = dbf::DateFieldLength;
                break;
            case 'L':
                length = 1;
                break;
            case 'B':
            case 'G':
            case 'M':
            case 'P':
                length = dbf::MemoFieldLength;
                break;
            case 'C':
                if (length == 0) return invalid();
                break;
            case 'F':
            case 'N':
                if (length == 0) return invalid();
                decimals = f.decimals;
                break;
            default:
                return invalid();
        }
        std::memcpy(d, fname.data(), fname.size());
        d[level7 ? dbf::DescType7 : dbf::DescType] = static_cast<uint8_t>(type);
        d[level7 ? dbf::DescLength7 : dbf::DescLength] = length;
        d[level7 ? dbf::DescDecimals7 : dbf::DescDecimals] = decimals;
        recordLength += length;
    }
    if (recordLength > 65535) return invalid();
    header[headerLength - 1] = dbf::HeaderTerminator;
    Put16(header.data() + dbf::OffHeaderLength, static_cast<uint16_t>(headerLength));
    if (level7) std::memcpy(header.data() + dbf::PrologSize, dbf::Level7Signature, 8);
    uint8_t version;
    if (ExtraDbfVersion != 0 || ExtraDbfMemoVersion != 0)
        version = hasMemo ? ExtraDbfMemoVersion : ExtraDbfVersion;
    else if (!hasMemo)
        version = level7 ? dbf::VerLevel7 : dbf::VerDbase3;
    else
        version = asked;
    header[dbf::OffVersion] = version;
    Put16(header.data() + dbf::OffRecordLength, static_cast<uint16_t>(recordLength));

    a = DbfArea{};
    a.fileName = DefaultExtension(AllTrim(name), "DBF");
    uint16_t io = 0;
    a.file = CreateEngineFile(a.fileName, ShareExclusive, io);
    if (!a.file || a.file->WriteAt(0, header.data(), headerLength) != headerLength) {
        if (a.file) io = IoCodeFromErrno(a.file->Error(), 101);
        return FailOpen(
            a, io,
            "Fehler beim Schreiben von " + platform::DisplayPath(a.fileName) + ". [CreateDbf]");
    }
    std::memcpy(a.prolog, header.data(), dbf::PrologSize);
    a.headerLength = static_cast<uint16_t>(headerLength);
    a.recordLength = static_cast<uint16_t>(recordLength);
    a.hasMemo = hasMemo;
    a.recordCount = 0;
    a.dateText = TodayText();
    std::replace(a.dateText.begin(), a.dateText.end(), ' ', '0');
    a.changeState = ChangeAppended;
    CloseDbf(a);
    if (EngineErrorCode != 0) return false;
    if (hasMemo)
        return CreateMemoFile(MemoFileName(a.fileName, DefaultCreateVersion), DefaultCreateVersion,
                              MemoBlockSize, "CreateDbf()");
    return true;
}

namespace {

std::vector<uint8_t> MemoFileHeader(const std::string& name, uint8_t version, uint16_t blockSize) {
    std::vector<uint8_t> data;
    if (version == dbf::VerDbase3Memo) {
        data.assign(dbf::Dbt3HeaderSize, 0);
        data[0] = 1;
        data.back() = dbf::EndOfFile;
    } else if (version == dbf::VerFoxProMemo) {
        data.assign(dbf::FptHeaderSize, 0);
        const uint32_t next = blockSize > 0 ? 511u / blockSize + 1 : 1;
        Put32(data.data(), SwapLong(next));
        Put16(data.data() + dbf::FptOffBlockSize, SwapWord(blockSize));
    } else {
        data.assign(dbf::Dbt4HeaderSize, 0);
        Put32(data.data(), 1);
        const std::string base = StripExtension(NameWithoutDir(name)).substr(0, dbf::Dbt4NameSize);
        std::memcpy(data.data() + dbf::Dbt4OffName, base.data(), base.size());
        Put16(data.data() + dbf::Dbt4OffMark, dbf::Dbt4Mark);
        Put16(data.data() + dbf::Dbt4OffBlockSize, blockSize);
    }
    return data;
}

bool WriteMemoHeader(EngineFile* file, uint16_t io, const std::string& name, uint8_t version,
                     uint16_t blockSize, const std::string& caller) {
    const std::vector<uint8_t> data = MemoFileHeader(name, version, blockSize);
    const auto size = static_cast<int64_t>(data.size());
    if (!file || file->WriteAt(0, data.data(), size) != size) {
        if (file) io = IoCodeFromErrno(file->Error(), 101);
        SetEngineError(io ? io : 101, "Cannot create memo file " + platform::DisplayPath(name) +
                                          " [" + caller + "]");
        return false;
    }
    return true;
}

}  // namespace

bool CreateMemoFile(const std::string& name, uint8_t version, uint16_t blockSize,
                    const std::string& caller) {
    uint16_t io = 0;
    auto file = CreateEngineFile(name, 2, io);
    return WriteMemoHeader(file.get(), io, name, version, blockSize, caller);
}

bool WriteMemoFileHeader(EngineFile& file, const std::string& name, uint8_t version,
                         uint16_t blockSize, const std::string& caller) {
    return WriteMemoHeader(&file, 0, name, version, blockSize, caller);
}

void TranslateRecord(TranslateDir dir, bool oem, const RecordConvProc& proc, size_t length,
                     char* buffer) {
    if (length < 2) return;
    char* fields = buffer + 1;
    const size_t n = length - 1;
    if (dir == TranslateDir::Read) {
        if (proc) proc(fields, n);
        if (oem) platform::OemToCharBuff(fields, fields, n);
    } else {
        if (oem) platform::CharToOemBuff(fields, fields, n);
        if (proc) proc(fields, n);
    }
}

uint16_t TypedFieldSize(const DbfFieldEntry& f) {
    switch (f.type) {
        case 'C':
            return static_cast<uint16_t>(f.length + 1);
        case 'D':
            return static_cast<uint16_t>(f.length + 3);
        case 'L':
            return 1;
        case 'M':
            return 4;
        default:
            return f.decimals > 0 ? 6 : 4;
    }
}

uint16_t TypedRecordSize(const DbfArea& a) {
    uint32_t size = 1;
    for (const auto& f : a.fields) size += TypedFieldSize(f);
    return static_cast<uint16_t>(std::min<uint32_t>(size, 65535));
}

uint16_t TypedFieldOffset(const DbfArea& a, int fieldIndex) {
    uint32_t off = 1;
    for (int i = 0; i < fieldIndex && i < static_cast<int>(a.fields.size()); ++i)
        off += TypedFieldSize(a.fields[i]);
    return static_cast<uint16_t>(off);
}

double StoredNumberValue(const char* text, size_t len) {
    std::string t = Trimmed(text, len);
    if (!t.empty() && t[0] == '+') t.erase(0, 1);
    double v = 0;
    const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
    return r.ec == std::errc() && std::isfinite(v) ? v : 0;
}

int32_t StoredIntValue(const char* text, size_t len) {
    std::string t = Trimmed(text, len);
    if (!t.empty() && t[0] == '+') t.erase(0, 1);
    int64_t v = 0;
    const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
    if (r.ec == std::errc::result_out_of_range) {
        const double d = StoredNumberValue(text, len);
        return d < 0 ? INT32_MIN : INT32_MAX;
    }
    if (r.ec != std::errc()) return 0;
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

std::string FitNumberText(const std::string& text, int width) {
    if (static_cast<int>(text.size()) > width) return std::string(width, '*');
    return std::string(width - text.size(), ' ') + text;
}

std::string MemoReferenceText(int32_t block, int width) {
    // Other dBase programs read a stored 0 as a reference to the memo file's header.
    if (block == 0) return std::string(width, ' ');
    return FitNumberText(std::to_string(block), width);
}

Real48 Real48OfDouble(double d) {
    uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    // Zero, subnormal, infinite and NaN values take the general way.
    if (biased == 0 || biased == 0x7FF) return Real48::FromExtended(d);
    int exponent = biased - 1023 + 129;
    // The 52-bit fraction rounded to the 39 bits of the 6-byte real, ties to even.
    uint64_t q = (bits & ((uint64_t{1} << 52) - 1)) >> 13;
    const uint64_t rest = bits & 0x1FFF;
    if (rest > 0x1000 || (rest == 0x1000 && (q & 1) != 0)) ++q;
    if (q == uint64_t{1} << 39) {
        q = 0;
        ++exponent;
    }
    if (exponent < 1 || exponent > 255) return Real48::FromExtended(d);
    uint8_t b[6];
    b[0] = static_cast<uint8_t>(exponent);
    for (int i = 0; i < 5; ++i) b[1 + i] = static_cast<uint8_t>(q >> (8 * i));
    if (bits >> 63) b[5] |= 0x80;
    return Real48::FromBytes(b);
}

void RecordToUserBuffer(const DbfArea& a, uint8_t* buffer) {
    const char* rec = a.record.data();
    buffer[0] = rec[0] == dbf::DeletedFlag ? 1 : 0;
    size_t p = 1;
    for (const auto& f : a.fields) {
        const char* src = rec + f.offset;
        switch (f.type) {
            case 'C':
                buffer[p] = f.length;
                std::memcpy(buffer + p + 1, src, f.length);
                break;
            case 'D': {
                std::string t = DbfToDate(std::string(src, f.length));
                t.resize(std::min<size_t>(t.size(), f.length + 2u));
                buffer[p] = static_cast<uint8_t>(t.size());
                std::memcpy(buffer + p + 1, t.data(), t.size());
                break;
            }
            case 'L': {
                const char c = f.length > 0 ? src[0] : ' ';
                buffer[p] = c == 'T' || c == 't' || c == 'Y' || c == 'y';
                break;
            }
            case 'M': {
                const int32_t v = StoredIntValue(src, f.length);
                std::memcpy(buffer + p, &v, 4);
                break;
            }
            default:
                if (f.decimals > 0) {
                    const Real48 r = Real48OfDouble(StoredNumberValue(src, f.length));
                    std::memcpy(buffer + p, r.Bytes().data(), 6);
                } else {
                    const int32_t v = StoredIntValue(src, f.length);
                    std::memcpy(buffer + p, &v, 4);
                }
        }
        p += TypedFieldSize(f);
    }
}

void UserBufferToRecord(DbfArea& a, const uint8_t* buffer) {
    char* rec = a.record.data();
    rec[0] = buffer[0] ? dbf::DeletedFlag : dbf::PresentFlag;
    size_t p = 1;
    for (const auto& f : a.fields) {
        char* dst = rec + f.offset;
        std::string text;
        switch (f.type) {
            case 'C':
                text.assign(reinterpret_cast<const char*>(buffer + p + 1),
                            std::min<size_t>(buffer[p], f.length));
                break;
            case 'D': {
                const std::string t(reinterpret_cast<const char*>(buffer + p + 1),
                                    std::min<size_t>(buffer[p], f.length + 2u));
                text = IsEmptyDateText(t) ? std::string(8, ' ') : DateToDbf(t);
                break;
            }
            case 'L':
                text = buffer[p] ? "T" : "F";
                break;
            case 'M': {
                int32_t v;
                std::memcpy(&v, buffer + p, 4);
                text = MemoReferenceText(v, f.length);
                break;
            }
            default:
                if (f.decimals > 0) {
                    const Extended x = Real48::FromBytes(buffer + p).ToExtended();
                    text = FitNumberText(FormatStoredReal(x, 0, f.decimals), f.length);
                } else {
                    int32_t v;
                    std::memcpy(&v, buffer + p, 4);
                    text = FitNumberText(std::to_string(v), f.length);
                }
        }
        text.resize(f.length, ' ');
        std::memcpy(dst, text.data(), f.length);
        p += TypedFieldSize(f);
    }
}

uint32_t SwapLong(uint32_t v) {
    return (v >> 24) | ((v >> 8) & 0xFF00) | ((v << 8) & 0xFF0000) | (v << 24);
}
uint16_t SwapWord(uint16_t v) {
    return static_cast<uint16_t>((v >> 8) | (v << 8));
}

std::string Zero2(int n) {
    std::string s = std::to_string(n % 100);
    return s.size() < 2 ? "0" + s : s;
}

std::string Zero4(int n) {
    std::string s = std::to_string(n % 10000);
    return std::string(4 - s.size(), '0') + s;
}

std::string AreaNameOnly(const DbfArea& a) {
    return NameWithoutDir(a.fileName);
}
std::string AreaBaseName(const DbfArea& a) {
    return StripExtension(AreaNameOnly(a));
}

}  // namespace kor2
