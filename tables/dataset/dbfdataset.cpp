// dBase data set over one work area: opening the table in a free area, the
// cursor operations, record conversion between the work area's field images
// and the data-set buffer, field definitions and the engine's message texts.
#include "tables/dataset/dbfdataset.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <utility>

#include "common/globals.h"
#include "common/numfmt.h"
#include "platform/oemtext.h"
#include "platform/real48.h"
#include "tables/area/changes.h"
#include "tables/area/navigation.h"
#include "tables/area/search.h"
#include "tables/area/workareas.h"
#include "tables/base/enginedates.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginestrings.h"

namespace kor2 {

namespace {

// Data sets alive: the first switches the engine to exception mode, the last
// restores the mode it found.
int g_liveDataSets = 0;
bool g_savedExceptionMode = false;

int ToInt(const std::string& s) {
    const std::string t = AllTrim(s);
    int v = 0;
    std::from_chars(t.data(), t.data() + t.size(), v);
    return v;
}

std::string Join(const std::vector<std::string>& v, char sep) {
    std::string out;
    for (size_t i = 0; i < v.size(); ++i) {
        if (i) out += sep;
        out += v[i];
    }
    return out;
}

}  // namespace

AreaFileLock::AreaFileLock(uint8_t area) {
    Select(area);
    FLock();
    unlock_.Arm([area] {
        Select(area);
        Unlock();
    });
}

// ---------------------------------------------------------------- engine texts

void InitEngineTexts() {
    EngineYesText = "ja";
    EngineNoText = "nein";
    EngineTrueText = "Wahr";
    EngineFalseText = "Falsch";
}

void InitDateFormat() {
    const std::string pic = ShortDatePicture;
    const std::string upper = UpperStr(pic);
    CenturyDisplay = upper.find("YYYY") != std::string::npos;
    const char first = pic.empty() ? ' ' : pic[0];
    unsigned format = 0;  // AMERICAN
    if (first == 'D' || first == 'd') {
        const auto sep = pic.find_first_not_of("Dd");
        const char s = sep == std::string::npos ? ' ' : pic[sep];
        format = s == '-' ? 3 : s == '.' ? 4 : 2;  // ITALIAN, GERMAN, BRITISH
    } else if (first == 'Y' || first == 'y') {
        format = 1;  // ANSI
    }
    const bool century = CenturyDisplay;
    SetDateFormat(format);
    CenturyDisplay = century;
}

void ShowEngineMessage(const std::string& text) {
    if (EngineMessageMode == 2) MessageBoxShort(LStrOemToAnsi(text), "", MB_OK);
}

int SetMessageMode(int mode) {
    const int previous = EngineMessageMode;
    if (mode != 0) EngineMessageMode = mode;
    return previous;
}

TDateTime DateTextToDateTime(const std::string& text, bool strict) {
    if (IsEmptyDateText(text)) return 0;
    std::string t = text;
    const std::string n = NormalizeDate(t);  // MM/DD/YY or MM/DD/YYYY
    bool ok = IsValidDate(t) && (n.size() == 8 || n.size() == 10);
    TDateTime result = 0;
    if (ok) {
        std::string year = n.substr(6);
        if (year.size() == 2) year = CenturyOf(year) + year;
        ok = TryEncodeDate(ToInt(year), ToInt(n.substr(0, 2)), ToInt(n.substr(3, 2)), result);
    }
    if (!ok && strict) throw EConvertError("'" + text + "' ist kein gültiges Datum"_oem);
    return ok ? result : 0;
}

std::string DateTimeToDateText(TDateTime value) {
    int y, m, d;
    DecodeDate(value, y, m, d);
    if (y == 0) return EmptyDateText(DateFormatIndex);
    const std::string year = CenturyDisplay ? Zero4(y) : Zero2(y % 100);
    return DenormalizeDate(Zero2(m) + "/" + Zero2(d) + "/" + year);
}

// ---------------------------------------------------------------- field classes

std::string TTbDateField::AsString() const {
    if (IsNull()) return {};
    // The date in the engine's DATE order, always with its century.
    const bool century = CenturyDisplay;
    CenturyDisplay = true;
    std::string t = DateTimeToDateText(AsDateTime());
    CenturyDisplay = century;
    std::string check = t;
    if (IsValidDate(check) && t.size() > 10) t.resize(10);
    return t;
}

void TTbDateField::SetAsString(const std::string& text) {
    if (text == EmptyDateText(DateFormatIndex) || IsEmptyDateText(text)) {
        Clear();
        return;
    }
    SetAsDateTime(DateTextToDateTime(text, true));
}

void TTbFloatField::CheckTypeSize(int size) const {
    if (size < 0 || size > 20) DatabaseError("Ungültige Feldgröße"_oem);
}

std::string TTbFloatField::DisplayText() const {
    const std::string text = AsString();
    return DecimalCommaOption == 2 ? PointToComma(text) : text;
}

void TTbIntegerField::CheckTypeSize(int size) const {
    if (size < 0 || size > 20) DatabaseError("Ungültige Feldgröße"_oem);
}

bool ParseFieldDef(const std::string& line, DbfFieldSpec& spec) {
    if (std::count(line.begin(), line.end(), ',') != 3) return false;
    std::vector<std::string> items;
    size_t start = 0;
    for (size_t p; (p = line.find(',', start)) != std::string::npos; start = p + 1)
        items.push_back(line.substr(start, p - start));
    items.push_back(line.substr(start));
    spec.name = AllTrim(items[0]).substr(0, 10);
    const std::string type = AllTrim(items[1]);
    spec.type = type.empty() ? ' ' : UpCaseChar(type[0]);
    spec.length = ToInt(items[2]);
    spec.decimals = ToInt(items[3]);
    return true;
}

// ---------------------------------------------------------------- data set

TTbDataSet::TTbDataSet() {
    if (g_liveDataSets++ == 0) g_savedExceptionMode = SetExceptionMode(true);
}

TTbDataSet::~TTbDataSet() {
    // Close here while the overrides still exist; an error while closing
    // must not leave the destructor.
    try {
        if (Active()) Close();
    } catch (...) {
    }
    if (workArea_ != 0) {
        EngineErrorsOff quiet;
        Select(workArea_);
        CloseArea();
        workArea_ = 0;
    }
    if (--g_liveDataSets == 0) SetExceptionMode(g_savedExceptionMode);
}

void TTbDataSet::SelectWorkArea(const std::string& context) {
    // The data-set layer is active: engine errors are raised, never a halt,
    // even when the engine was started again after this data set was made.
    ExceptionMode = true;
    if (workArea_ != 0) {
        // A table closed behind the data set's back is not used again.
        const DbfArea* a = WorkAreas[workArea_].get();
        if (!a || (props_ && a->typedBuffer != props_->record)) {
            workArea_ = 0;
            props_.reset();
        }
    }
    if (workArea_ == 0) {
        SetEngineError(1103, "Datenbank ist nicht offen [" + Name + "." + context + "]");
        // Only reached when the engine raised nothing: never act on another table.
        if (ApplicationTerminateHook) ApplicationTerminateHook();
        throw std::runtime_error("Dataset error: " + EngineErrorText(1103) + " [" + Name + "." +
                                 context + "]");
    }
    Select(workArea_);
    AnsiTables = TableLanguage == tlAnsi;
}

std::string TTbDataSet::GetErrorText(int32_t /*code*/) {
    return LastErrorText();
}

bool TTbDataSet::IsEmptyDbf() {
    if (workArea_ == 0) return true;
    SelectWorkArea("IsEmptyDbf");
    DbfArea* a = CurrentDbf();
    if (!a || RecCount() < 1) return true;
    return a->skipDeleted && a->bof && a->eof;
}

void TTbDataSet::SetDbfFileName(const std::string& name) {
    std::string n = AllTrim(name);
    if (!n.empty() && n.back() != '.') {
        const size_t slash = n.find_last_of("\\/:");
        const size_t dot = n.rfind('.');
        if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) n += ".DBF";
    }
    if (IsVirtualTable() && IsRunTime()) {
        dbfFileName_ = n;
        TableChanged();
        return;
    }
    const bool wasActive = Active();
    if (wasActive) Close();
    dbfFileName_ = n;
    if (wasActive) Open();
}

void TTbDataSet::SetHideDeletedRecs(bool on) {
    hideDeleted_ = on;
    if (!Active() || !IsRunTime()) return;
    // The work area goes onto the current record whatever the sync setting of
    // a derived set: the engine re-checks its position from there.
    TTbDataSet::SyncWorkArea();
    SetIgnoreDel(on);
    ResyncAfterChange();
    ResyncFromWorkArea();
}

// ---------------------------------------------------------------- field definitions

bool TTbDataSet::CheckFieldDef(DbfFieldSpec& spec) {
    const DbfFieldSpec old = spec;
    char& t = spec.type;
    if (t == 'B' || t == 'G' || t == 'P') t = 'M';
    if (std::string("CDFLMN").find(t) == std::string::npos) t = 'C';
    if (t == 'N') {
        spec.length = std::min(spec.length, 20);
        spec.decimals = std::min(spec.decimals, 18);
        if (spec.decimals > 0 && spec.length - spec.decimals < 2)
            spec.decimals = std::max(spec.length - 2, 0);
    }
    if (t == 'C' && spec.length > 254) {
        spec.length = 254;
        spec.decimals = 0;
    }
    const bool changed =
        old.type != spec.type || old.length != spec.length || old.decimals != spec.decimals;
    if (changed) {
        ShowEngineMessage("Invalid field definition for " + Name + ": " + old.name + "," +
                          std::string(1, old.type) + "," + std::to_string(old.length) + "," +
                          std::to_string(old.decimals) + ". Will use corrected definition: " +
                          spec.name + "," + std::string(1, spec.type) + "," +
                          std::to_string(spec.length) + "," + std::to_string(spec.decimals));
    }
    return changed;
}

void TTbDataSet::BuildDbfFields() {
    DbfFields.clear();
    const DbfArea* a = CurrentDbf();
    if (!a) return;
    for (const auto& f : a->fields) {
        DbfFieldSpec spec{AllTrim(f.name.substr(0, 10)), f.type, f.length, f.decimals};
        CheckFieldDef(spec);
        DbfFields.push_back(spec.name + ", " + std::string(1, spec.type) + ", " +
                            std::to_string(spec.length) + ", " + std::to_string(spec.decimals));
    }
}

bool TTbDataSet::CreateDbfFromFields() {
    if (DbfFields.empty()) {
        ShowEngineMessage("FieldList.Count ist <= 0 beim Versuch, eine Datenbank zu erzeugen");
        return false;
    }
    std::vector<DbfFieldDef> defs;
    for (const auto& line : DbfFields) {
        DbfFieldSpec spec;
        if (!ParseFieldDef(line, spec)) return false;
        if (spec.type == 'X') continue;
        if (IsVirtualTable() && spec.type == 'M') spec = {spec.name, 'N', 10, 0};
        CheckFieldDef(spec);
        if (defs.size() < 255)
            defs.push_back(DbfFieldDef{spec.name, spec.type,
                                       static_cast<uint8_t>(std::clamp(spec.length, 0, 255)),
                                       static_cast<uint8_t>(std::clamp(spec.decimals, 0, 255))});
    }
    EngineErrorsOff quiet;
    EngineErrorCode = 0;
    {
        DbfArea area;
        CreateDbf(area, dbfFileName_, static_cast<int>(defs.size()), defs);
    }
    return EngineErrorCode == 0;
}

void TTbDataSet::InternalInitFieldDefs() {
    if (!props_) DatabaseError(Name + ".DbfFields undefined. Set Active to TRUE");
    auto& defs = FieldDefs();
    defs.clear();
    for (size_t i = 1; i < props_->fields.size(); ++i) {
        const TDTField& f = props_->fields[i];
        TFieldDef d;
        d.name = f.Name;
        switch (f.Type) {
            case 'C':
                d.dataType = TFieldType::ftString;
                d.size = f.Length;
                break;
            case 'D':
                d.dataType = TFieldType::ftDate;
                break;
            case 'L':
                d.dataType = TFieldType::ftBoolean;
                break;
            case 'M':
                d.dataType = IsVirtualTable() ? TFieldType::ftInteger : TFieldType::ftMemo;
                break;
            default:
                d.dataType = f.Decimals > 0 ? TFieldType::ftFloat : TFieldType::ftInteger;
                d.size = f.Length;
        }
        defs.push_back(d);
    }
}

std::unique_ptr<TField> TTbDataSet::CreateFieldObject(const TFieldDef& def) {
    switch (def.dataType) {
        case TFieldType::ftInteger:
            return std::make_unique<TTbIntegerField>(this, def.name, def.size);
        case TFieldType::ftFloat:
            return std::make_unique<TTbFloatField>(this, def.name, def.size);
        case TFieldType::ftDate:
            return std::make_unique<TTbDateField>(this, def.name);
        default:
            return TTbPrimDataset::CreateFieldObject(def);
    }
}

uint16_t TTbDataSet::FieldBufSize(const TDTField& f) const {
    switch (f.Type) {
        case 'C':
            return static_cast<uint16_t>(f.Length + 1);
        case 'D':
            return 8;
        case 'L':
            return 2;
        case 'M':
            return 4;
        default:
            return f.Decimals > 0 ? 8 : 4;
    }
}

uint16_t TTbDataSet::FieldBufOffset(int fieldNo) const {
    return fieldNo >= 1 && fieldNo < static_cast<int>(fieldOffsets_.size())
               ? fieldOffsets_[static_cast<size_t>(fieldNo)]
               : 0;
}

uint16_t TTbDataSet::RecordDataSize() {
    if (recordDataSize_ == 0 && props_) {
        uint32_t size = 1;
        for (size_t i = 1; i < props_->fields.size(); ++i) size += FieldBufSize(props_->fields[i]);
        recordDataSize_ = static_cast<uint16_t>(std::min<uint32_t>(size, 65535));
    }
    return recordDataSize_;
}

// ---------------------------------------------------------------- opening

bool TTbDataSet::OpenDbfWorkArea(const std::string& fileName) {
    props_.reset();
    recordDataSize_ = 0;
    const uint8_t remembered = CurrentAreaNo();
    EngineErrorCode = 0;
    Select(0);
    if (EngineErrorCode != 0) {
        Select(remembered);
        return false;
    }
    AnsiTables = TableLanguage == tlAnsi;
    if (!OpenDbfFile(fileName) || EngineErrorCode != 0 || !CurrentDbf()) {
        // The area was free: whatever the failed open left there goes.
        const uint16_t code = EngineErrorCode;
        const std::string msg = EngineErrorMsg;
        if (CurrentDbf()) CloseArea();
        EngineErrorCode = PendingErrorCode = code;
        EngineErrorMsg = msg;
        Select(remembered);
        return false;
    }
    DbfArea& a = *CurrentDbf();
    if (!a.isVirtual)
        SetIgnoreDel(hideDeleted_);
    else
        a.skipDeleted = hideDeleted_;
    BuildDbfFields();
    workArea_ = CurrentAreaNo();
    props_ = std::make_unique<TDbfFieldProps>();
    props_->record = a.typedBuffer;
    props_->length = a.typedSize;
    props_->fields.push_back(TDTField{"", 0, 'C', 1, 0});
    fieldOffsets_.assign(1, 0);
    uint32_t ofs = 1;
    for (size_t i = 0; i < a.fields.size(); ++i) {
        const DbfFieldEntry& f = a.fields[i];
        props_->fields.push_back(TDTField{AllTrim(f.name.substr(0, 10)),
                                          TypedFieldOffset(a, static_cast<int>(i)), f.type,
                                          f.length, f.decimals});
        fieldOffsets_.push_back(static_cast<uint16_t>(std::min<uint32_t>(ofs, 65535)));
        ofs += FieldBufSize(props_->fields.back());
    }
    return true;
}

void TTbDataSet::CloseDbfWorkArea() {
    if (workArea_ == 0) return;
    Select(workArea_);
    CloseDbfHook();
    CloseArea();
    workArea_ = 0;
    props_.reset();
}

void TTbDataSet::DirectOpenClose(bool open) {
    if (!Active()) {
        SetEngineError(1103, "DataSet must be active. " + Name);
        throw std::runtime_error("DataSet must be active. " + Name);
    }
    if (open) {
        if (workArea_ == 0) OpenDbfWorkArea(dbfFileName_);
    } else {
        CloseDbfWorkArea();
    }
}

// ---------------------------------------------------------------- conversion

double TTbDataSet::WithStoredCentury(size_t fieldNo, double value) const {
    // A DATE setting without century shows only two digits of the year; the
    // file's own YYYYMMDD gives the century when it is the same date.
    if (value == 0 || workArea_ == 0 || workArea_ > WorkAreaCount) return value;
    const DbfArea* a = WorkAreas[workArea_].get();
    if (!a || a->isVirtual || a->typedBuffer != props_->record || fieldNo - 1 >= a->fields.size())
        return value;
    const DbfFieldEntry& fe = a->fields[fieldNo - 1];
    if (fe.length < 8 || static_cast<size_t>(fe.offset) + 8 > a->record.size()) return value;
    const std::string raw = a->record.substr(fe.offset, 8);
    if (raw.find_first_not_of("0123456789") != std::string::npos) return value;
    const int y = ToInt(raw.substr(0, 4)), m = ToInt(raw.substr(4, 2)), d = ToInt(raw.substr(6, 2));
    int y2, m2, d2;
    DecodeDate(value, y2, m2, d2);
    TDateTime stored = 0;
    if (m == m2 && d == d2 && y % 100 == y2 % 100 && TryEncodeDate(y, m, d, stored)) return stored;
    return value;
}

void TTbDataSet::DbfRecordToBuffer(uint8_t* buffer) {
    if (!props_ || !props_->record) return;
    const uint8_t* rec = props_->record;
    buffer[0] = rec[0];
    for (size_t i = 1; i < props_->fields.size(); ++i) {
        const TDTField& f = props_->fields[i];
        const uint8_t* src = rec + f.Offset;
        uint8_t* dst = buffer + fieldOffsets_[i];
        switch (f.Type) {
            case 'C': {
                const uint8_t len = std::min(src[0], f.Length);
                dst[0] = len;
                std::memcpy(dst + 1, src + 1, len);
                break;
            }
            case 'D': {
                const std::string text(reinterpret_cast<const char*>(src + 1),
                                       std::min<size_t>(src[0], f.Length + 2u));
                const double v = WithStoredCentury(i, DateTextToDateTime(text, false));
                std::memcpy(dst, &v, 8);
                break;
            }
            case 'L':
                dst[0] = src[0];
                dst[1] = 0;
                break;
            case 'M':
                std::memcpy(dst, src, 4);
                break;
            default:
                if (f.Decimals > 0) {
                    // Limited to the field's decimals, as the table shows it.
                    const Extended x = Real48::FromBytes(src).ToExtended();
                    const std::string t = FormatStoredReal(x, 0, f.Decimals);
                    double v = 0;
                    std::from_chars(t.data(), t.data() + t.size(), v);
                    std::memcpy(dst, &v, 8);
                } else {
                    std::memcpy(dst, src, 4);
                }
        }
    }
}

void TTbDataSet::BufferToDbfRecord(const uint8_t* buffer, int fieldNo) {
    if (!props_ || !props_->record) return;
    uint8_t* rec = props_->record;
    rec[0] = buffer[0] ? 1 : 0;
    for (size_t i = 1; i < props_->fields.size(); ++i) {
        if (fieldNo != 0 && static_cast<size_t>(fieldNo) != i) continue;
        const TDTField& f = props_->fields[i];
        uint8_t* dst = rec + f.Offset;
        const uint8_t* src = buffer + fieldOffsets_[i];
        switch (f.Type) {
            case 'C': {
                const uint8_t len = std::min(src[0], f.Length);
                dst[0] = len;
                std::memcpy(dst + 1, src + 1, len);
                break;
            }
            case 'D': {
                double v = 0;
                std::memcpy(&v, src, 8);
                std::string text = EmptyDateText(DateFormatIndex);
                if (v != 0 && std::isfinite(v)) {
                    // Always with its century, which a two-digit DATE setting would lose.
                    const bool century = std::exchange(CenturyDisplay, true);
                    std::string t = DateTimeToDateText(v);
                    const bool valid = IsValidDate(t) && !IsEmptyDateText(t);
                    CenturyDisplay = century;
                    if (valid) {
                        text = t;
                    } else {
                        MessageBoxShort("        Invalid date       ", "", MB_OK);
                    }
                }
                text.resize(std::min<size_t>(text.size(), f.Length + 2u));
                dst[0] = static_cast<uint8_t>(text.size());
                std::memcpy(dst + 1, text.data(), text.size());
                break;
            }
            case 'L':
                dst[0] = src[0];
                break;
            case 'M':
                std::memcpy(dst, src, 4);
                break;
            default:
                if (f.Decimals > 0) {
                    double v = 0;
                    std::memcpy(&v, src, 8);
                    if (!std::isfinite(v)) v = 0;
                    const auto bytes = Real48::FromExtended(v).Bytes();
                    std::memcpy(dst, bytes.data(), bytes.size());
                } else {
                    std::memcpy(dst, src, 4);
                }
        }
    }
}

// ---------------------------------------------------------------- cursor

int32_t TTbDataSet::TbiSetToBegin() {
    SelectWorkArea("TbiSetToBegin");
    if (RecCount() > 0) GoTop();
    atBof_ = true;
    atEof_ = false;
    return TbiOk;
}

int32_t TTbDataSet::TbiSetToEnd() {
    SelectWorkArea("TbiSetToEnd");
    if (RecCount() > 0) GoBottom();
    atEof_ = true;
    atBof_ = false;
    return TbiOk;
}

int32_t TTbDataSet::TbiOpen() {
    if (dbfFileName_.empty() && !IsVirtualTable()) return TbiNoFileName;
    bool ok;
    {
        EngineErrorsOff quiet;
        EngineErrorCode = 0;
        ok = OpenDbfWorkArea(dbfFileName_);
    }
    if (ok) return TbiOk;
    return EngineErrorCode != 0 ? EngineErrorCode : TbiCannotOpen;
}

int32_t TTbDataSet::TbiClose() {
    CloseDbfWorkArea();
    return TbiOk;
}

int32_t TTbDataSet::TbiGetRecordCount() {
    if (!IsRunTime()) return 1;
    SelectWorkArea("TbiGetRecordCount");
    return RecCount();
}

int32_t TTbDataSet::TbiForceReread() {
    SelectWorkArea("TbiForceReread");
    if (RecCount() > 0) Skip(0);
    return TbiOk;
}

int32_t TTbDataSet::TbiAppendRecord(uint8_t* buffer) {
    SelectWorkArea("TbiAppendRecord");
    buffer[0] = 0;
    BufferToDbfRecord(buffer, 0);
    s_AppendWithLock();
    atBof_ = atEof_ = false;
    return TbiOk;
}

int32_t TTbDataSet::TbiInsertRecord(uint8_t* buffer) {
    return TbiAppendRecord(buffer);
}

int32_t TTbDataSet::TbiDeleteRecord() {
    SelectWorkArea("TbiDeleteRecord");
    s_DeleteWithLock();
    if (IsEmptyDbf()) atBof_ = atEof_ = true;
    return TbiOk;
}

int32_t TTbDataSet::TbiInitRecord(uint8_t* buffer) {
    SelectWorkArea("TbiInitRecord");
    ClearRecord();
    DbfRecordToBuffer(buffer);
    buffer[0] = 0;
    return TbiOk;
}

int32_t TTbDataSet::TbiModifyRecord(uint8_t* buffer) {
    if (atBof_) return TbiBof;
    if (atEof_) return TbiEof;
    SelectWorkArea("TbiModifyRecord");
    BufferToDbfRecord(buffer, 0);
    s_ReplaceWithLock();
    return TbiOk;
}

int32_t TTbDataSet::TbiGetRecordSize() {
    return RecordDataSize();
}

int32_t TTbDataSet::TbiGetRecord(uint8_t* buffer, int32_t& recNo) {
    if (atBof_) return TbiBof;
    if (atEof_) return TbiEof;
    SelectWorkArea("TbiGetRecord");
    if (buffer) {
        if (RecCount() > 0) Skip(0);
        DbfRecordToBuffer(buffer);
    }
    recNo = kor2::RecNo();
    return TbiOk;
}

int32_t TTbDataSet::TbiGetNextRecord(uint8_t* buffer, int32_t& recNo) {
    if (atEof_) return TbiEof;
    SelectWorkArea("TbiGetNextRecord");
    const bool any = RecCount() > 0;
    if (atBof_) {
        if (any) Skip(0);
        atBof_ = false;
    } else if (any && !dEOF()) {
        Skip(1);
    }
    if (!any || dEOF()) {
        if (any && !dBOF()) Skip(-1);
        atEof_ = true;
        return TbiEof;
    }
    if (buffer) DbfRecordToBuffer(buffer);
    recNo = kor2::RecNo();
    return TbiOk;
}

int32_t TTbDataSet::TbiGetPriorRecord(uint8_t* buffer, int32_t& recNo) {
    if (atBof_) return TbiBof;
    SelectWorkArea("TbiGetPriorRecord");
    const bool any = RecCount() > 0;
    bool atStart = false;
    if (atEof_) {
        if (any) Skip(0);
        atEof_ = false;
        atStart = !any || dEOF();
    } else if (any) {
        // The engine stays on the first record when it reaches its start.
        if (dBOF()) {
            atStart = true;
        } else {
            Skip(-1);
            atStart = dBOF();
        }
    }
    if (!any || atStart || dEOF()) {
        atBof_ = true;
        return TbiBof;
    }
    if (buffer) DbfRecordToBuffer(buffer);
    recNo = kor2::RecNo();
    return TbiOk;
}

int32_t TTbDataSet::TbiGetFieldData(const TField& field, const uint8_t* record, bool& isBlank,
                                    void* buffer) {
    isBlank = true;
    const int n = field.FieldNo();
    if (!props_ || n < 1 || n >= static_cast<int>(props_->fields.size())) return TbiOk;
    const TDTField& f = props_->fields[static_cast<size_t>(n)];
    const uint8_t* src = record + fieldOffsets_[static_cast<size_t>(n)];
    const size_t size = static_cast<size_t>(field.DataSize());
    if (size == 0) {
        isBlank = false;
        return TbiOk;
    }
    std::memset(buffer, 0, size);
    auto* dst = static_cast<uint8_t*>(buffer);
    if (f.Type == 'C') {
        std::string s(reinterpret_cast<const char*>(src + 1), std::min(src[0], f.Length));
        s = TrimRightStr(s);
        std::memcpy(dst, s.data(), std::min(s.size(), size - 1));
        isBlank = false;
        return TbiOk;
    }
    if (f.Type == 'D') {
        double v = 0;
        std::memcpy(&v, src, 8);
        if (v == 0 || !std::isfinite(v)) return TbiOk;
        isBlank = false;
        switch (field.DataType()) {
            case TFieldType::ftDate: {
                const int32_t d = static_cast<int32_t>(std::floor(v)) + DateDelta;
                std::memcpy(dst, &d, std::min<size_t>(4, size));
                break;
            }
            case TFieldType::ftTime: {
                const int32_t ms =
                    static_cast<int32_t>(std::llround((v - std::floor(v)) * 86400000.0));
                std::memcpy(dst, &ms, std::min<size_t>(4, size));
                break;
            }
            default: {
                const double ms = std::round((v + DateDelta) * 86400000.0);
                std::memcpy(dst, &ms, std::min<size_t>(8, size));
            }
        }
        return TbiOk;
    }
    std::memcpy(dst, src, std::min<size_t>(FieldBufSize(f), size));
    isBlank = false;
    return TbiOk;
}

namespace {

// The text a number field stores for the value in buffer (a double with
// decimals, else a 32-bit integer), as the table file writes it.
std::string StoredNumberText(const TDTField& f, const void* buffer, int size) {
    if (f.Decimals > 0 && size >= 8) {
        double v = 0;
        std::memcpy(&v, buffer, 8);
        if (!std::isfinite(v)) v = 0;
        return FormatStoredReal(Real48::FromExtended(v).ToExtended(), 0, f.Decimals);
    }
    int32_t v = 0;
    std::memcpy(&v, buffer, static_cast<size_t>(std::clamp(size, 0, 4)));
    return std::to_string(v);
}

// Refuses a number the field cannot hold: the file would keep only
// asterisks, which read back as 0.
void CheckNumberFits(const TDTField& f, const void* buffer, int size) {
    const std::string text = StoredNumberText(f, buffer, size);
    if (static_cast<int>(text.size()) <= f.Length) return;
    const int decimals = f.Decimals;
    const int whole = f.Length - (decimals > 0 ? decimals + 1 : 0);  // digits before the point
    const double step = std::pow(10.0, -decimals);
    const double largest = std::max(0.0, std::pow(10.0, whole) - step);
    const double smallest = whole > 1 ? -(std::pow(10.0, whole - 1) - step) : 0.0;
    DatabaseError("Feld " + f.Name + " (" + std::string(1, f.Type) + " " +
                  std::to_string(f.Length) + "," + std::to_string(decimals) + "): " + text +
                  " passt nicht, möglich sind "_oem + FormatStoredReal(smallest, 0, decimals) +
                  " bis " + FormatStoredReal(largest, 0, decimals));
}

}  // namespace

int32_t TTbDataSet::TbiSetFieldData(TField& field, uint8_t* record, const void* buffer) {
    const int n = field.FieldNo();
    if (!props_ || n < 1 || n >= static_cast<int>(props_->fields.size())) return TbiOk;
    const TDTField& f = props_->fields[static_cast<size_t>(n)];
    uint8_t* dst = record + fieldOffsets_[static_cast<size_t>(n)];
    const size_t imageSize = FieldBufSize(f);
    if (!buffer) {
        std::memset(dst, 0, imageSize);
    } else if (f.Type == 'C') {
        const auto* s = static_cast<const char*>(buffer);
        const size_t len = strnlen(s, static_cast<size_t>(field.DataSize()));
        dst[0] = static_cast<uint8_t>(std::min<size_t>(len, f.Length));
        std::memcpy(dst + 1, s, dst[0]);
    } else if (f.Type == 'D') {
        double v = 0;
        switch (field.DataType()) {
            case TFieldType::ftDate: {
                int32_t d = 0;
                std::memcpy(&d, buffer, 4);
                v = static_cast<double>(d) - DateDelta;
                break;
            }
            case TFieldType::ftTime: {
                int32_t ms = 0;
                std::memcpy(&ms, buffer, 4);
                v = ms / 86400000.0;
                break;
            }
            default: {
                double ms = 0;
                std::memcpy(&ms, buffer, 8);
                v = ms / 86400000.0 - DateDelta;
            }
        }
        std::memcpy(dst, &v, 8);
    } else {
        if (f.Type != 'L' && f.Type != 'M') CheckNumberFits(f, buffer, field.DataSize());
        std::memset(dst, 0, imageSize);
        std::memcpy(dst, buffer,
                    std::min<size_t>(imageSize, static_cast<size_t>(field.DataSize())));
    }
    // The work area's record follows the field at once.
    SelectWorkArea("TbiSetFieldData");
    BufferToDbfRecord(record, n);
    return TbiOk;
}

int32_t TTbDataSet::SafeGo(int32_t recNo) {
    SelectWorkArea("SafeGo");
    if (recNo >= 1 && recNo <= RecCount()) {
        Go(recNo);
        atBof_ = atEof_ = false;
        return TbiOk;
    }
    // A record number that no longer exists: stand at the end, report EOF.
    TbiSetToEnd();
    return TbiEof;
}

int32_t TTbDataSet::TbiSetRecNo(int32_t recNo) {
    return SafeGo(recNo);
}

bool TTbDataSet::TbiLocate(const std::string& keyFields, const std::vector<std::string>& keyValues,
                           TLocateOptions options) {
    SelectWorkArea("TbiLocate");
    const bool found = LocateRecord(keyFields, Join(keyValues, ';'), options.caseInsensitive, true,
                                    !options.partialKey);
    if (found) atBof_ = atEof_ = false;
    return found;
}

int32_t TTbDataSet::TbiLookup(const std::string& keyFields,
                              const std::vector<std::string>& keyValues,
                              const std::string& resultFields, std::vector<std::string>& result) {
    SelectWorkArea("TbiLookup");
    const int32_t former = kor2::RecNo();
    result.clear();
    if (LocateRecord(keyFields, Join(keyValues, ';'), false, true, true)) {
        std::vector<uint8_t> calc(RecBufSize(), 0);
        DbfRecordToBuffer(calc.data());
        const TDataSetState saved = SetTempState(TDataSetState::dsCalcFields);
        uint8_t* savedCalc = CalcBuffer();
        SetCalcBuffer(calc.data());
        try {
            ClearCalcFields(calc.data());
            Fire(OnCalcFields);
            size_t start = 0;
            for (;;) {
                const size_t p = resultFields.find(';', start);
                result.push_back(FieldByName(AllTrim(resultFields.substr(
                                                 start, p == std::string::npos ? p : p - start)))
                                     .AsString());
                if (p == std::string::npos) break;
                start = p + 1;
            }
        } catch (...) {
            SetCalcBuffer(savedCalc);
            RestoreState(saved);
            SafeGo(former);
            throw;
        }
        SetCalcBuffer(savedCalc);
        RestoreState(saved);
    }
    SafeGo(former);
    return TbiOk;
}

int32_t TTbDataSet::TbiSetToBookmark(const uint8_t* bookmark) {
    int32_t n = 0;
    std::memcpy(&n, bookmark, 4);
    return SafeGo(n);
}

int32_t TTbDataSet::TbiGetBookmark(uint8_t* bookmark) {
    int32_t n = 1;
    if (IsRunTime()) {
        SelectWorkArea("TbiGetBookmark");
        n = kor2::RecNo();
    }
    std::memcpy(bookmark, &n, 4);
    return TbiOk;
}

int32_t TTbDataSet::TbiCompareBookmarks(const uint8_t* b1, const uint8_t* b2, int& result) {
    int32_t a = 0, b = 0;
    std::memcpy(&a, b1, 4);
    std::memcpy(&b, b2, 4);
    result = a < b ? -1 : a > b ? 1 : 0;
    return TbiOk;
}

// ---------------------------------------------------------------- overrides

void TTbDataSet::InternalCancel() {
    if (uint8_t* buf = ActiveBuffer()) std::memset(buf, 0, RecordSize());
}

void TTbDataSet::Post() {
    const TDataSetState st = State();
    if (st != TDataSetState::dsEdit && st != TDataSetState::dsInsert &&
        st != TDataSetState::dsSetKey)
        return;
    TTbPrimDataset::Post();
    if (IsEmptyDbf()) Resync(TResyncMode{});
}

void TTbDataSet::SyncWorkArea() {
    SelectWorkArea("SyncWorkArea");
    if (State() == TDataSetState::dsInsert) {
        if (uint8_t* buf = ActiveBuffer()) BufferToDbfRecord(buf, 0);
        return;
    }
    if (BufferRecordCount() > 0 && GetBookmarkFlag(ActiveBuffer()) == TBookmarkFlag::bfCurrent) {
        int32_t n = 0;
        std::memcpy(&n, ActiveBuffer() + BookmarkOffset(), 4);
        if (n != kor2::RecNo()) SafeGo(n);
        CursorPosChanged();
    }
}

void TTbDataSet::ResyncFromWorkArea() {
    if (EngineErrorCode != 0 || !Active()) return;
    if (State() == TDataSetState::dsEdit || State() == TDataSetState::dsInsert)
        SetState(TDataSetState::dsBrowse);
    if (IsEmptyDbf()) {
        if (uint8_t* buf = ActiveBuffer()) std::memset(buf, 0, RecordSize());
        atBof_ = atEof_ = true;
        Resync(TResyncMode{});
    } else {
        SelectWorkArea("ResyncFromWorkArea");
        atBof_ = atEof_ = false;
        if (dEOF() && RecCount() > 0) GoBottom();
        Resync(TResyncMode{true, false});
    }
    DoAfterScroll();
}

bool TTbDataSet::IsRecordDeleted() {
    if (!Active() || BufferRecordCount() == 0) return false;
    const uint8_t* buf = GetActiveRecBuf();
    return buf != nullptr && buf[0] != 0;
}

void TTbDataSet::SetRecordDeleted(bool deleted) {
    CheckActive();
    if (deleted) {
        if (!IsRecordDeleted() && !IsEmptyDbf()) Delete();
        return;
    }
    if (State() == TDataSetState::dsInsert || State() == TDataSetState::dsSetKey) {
        Cancel();
        return;
    }
    CheckBrowseMode();
    if (BufferRecordCount() == 0) return;
    DoBeforeRestore();
    TTbDataSet::SyncWorkArea();  // restore the record the user sees, not the one read last
    s_RestoreWithLock();
    SetState(TDataSetState::dsBrowse);
    Resync(TResyncMode{});
    DoAfterRestore();
}

}  // namespace kor2
