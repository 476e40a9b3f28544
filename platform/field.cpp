// Field objects of the data-set base: typed conversions between a field's
// native value in the record buffer and texts, numbers, Booleans and dates.
// Used by the data sets of the table engine and by data-aware controls.
#include "platform/field.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/codepage.h"
#include "platform/dataset.h"
#include "platform/numtext.h"
#include "platform/oemtext.h"

namespace kor2 {

void DatabaseError(const std::string& message) {
    throw EDatabaseError(message);
}

namespace {

bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}
int DaysInMonth(int y, int m) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

bool ParseInt(const std::string& s, int& v) {
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() && r.ptr == s.data() + s.size() && !s.empty();
}

std::string Trim(const std::string& s) {
    const auto b = s.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

}  // namespace

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month))
        return false;
    const int y = year - 1;
    int32_t days = y * 365 + y / 4 - y / 100 + y / 400;
    for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
    days += day;
    result = static_cast<TDateTime>(days - DateDelta);
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime r = 0;
    if (!TryEncodeDate(year, month, day, r)) throw EConvertError("Invalid date");
    return r;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
    year = month = day = 0;
    if (!std::isfinite(value)) return;
    const double whole = std::floor(value) + DateDelta;
    if (whole < 1 || whole > 3652059) return;  // 1 Jan 0001 .. 31 Dec 9999
    int32_t n = static_cast<int32_t>(whole) - 1;
    const int32_t d400 = 146097, d100 = 36524, d4 = 1461;
    int y = 1;
    y += 400 * (n / d400);
    n %= d400;
    int32_t c = n / d100;
    if (c == 4) c = 3;
    y += 100 * c;
    n -= c * d100;
    y += 4 * (n / d4);
    n %= d4;
    int32_t k = n / 365;
    if (k == 4) k = 3;
    y += k;
    n -= k * 365;
    int m = 1;
    while (n >= DaysInMonth(y, m)) n -= DaysInMonth(y, m++);
    year = y;
    month = m;
    day = n + 1;
}

std::string DateToStr(TDateTime value) {
    int y, m, d;
    DecodeDate(value, y, m, d);
    if (y == 0) return {};
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", d, m, y);
    return buf;
}

TDateTime StrToDate(const std::string& text) {
    const std::string t = Trim(text);
    std::vector<std::string> parts(1);
    for (char c : t) {
        if (c == '.' || c == '/' || c == '-') {
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    int d = 0, m = 0, y = 0;
    if (parts.size() != 3 || !ParseInt(parts[0], d) || !ParseInt(parts[1], m) ||
        !ParseInt(parts[2], y))
        throw EConvertError("'" + text + "' ist kein gültiges Datum"_oem);
    if (parts[2].size() <= 2) y += y < 30 ? 2000 : 1900;
    TDateTime r = 0;
    if (!TryEncodeDate(y, m, d, r))
        throw EConvertError("'" + text + "' ist kein gültiges Datum"_oem);
    return r;
}

int NativeDataSize(TFieldType type, int size) {
    switch (type) {
        case TFieldType::ftString:
            return size + 1;
        case TFieldType::ftInteger:
        case TFieldType::ftDate:
        case TFieldType::ftTime:
            return 4;
        case TFieldType::ftFloat:
        case TFieldType::ftDateTime:
            return 8;
        case TFieldType::ftBoolean:
            return 2;
        default:
            return 0;
    }
}

// ---------------------------------------------------------------- TField

TField::TField(TDataSet* dataSet, const std::string& name, TFieldType type, int size)
    : dataSet_(dataSet), name_(name), type_(type), size_(size) {}

int TField::Index() const {
    for (int i = 0; i < dataSet_->FieldCount(); ++i)
        if (&dataSet_->Fields(i) == this) return i;
    return -1;
}

bool TField::GetData(void* buffer) const {
    return dataSet_->GetFieldData(*this, buffer);
}

void TField::SetData(const void* buffer) {
    dataSet_->SetFieldData(*this, buffer);
}

bool TField::IsNull() const {
    std::vector<uint8_t> tmp(static_cast<size_t>(std::max(DataSize(), 1)));
    return !GetData(tmp.data());
}

void TField::AccessError(const char* kind) const {
    DatabaseError("Feld '" + name_ + "' kann nicht als " + kind + " verwendet werden");
}

std::string TField::AsString() const {
    AccessError("String");
}
void TField::SetAsString(const std::string&) {
    AccessError("String");
}
int32_t TField::AsInteger() const {
    AccessError("Integer");
}
void TField::SetAsInteger(int32_t) {
    AccessError("Integer");
}
double TField::AsFloat() const {
    AccessError("Float");
}
void TField::SetAsFloat(double) {
    AccessError("Float");
}
bool TField::AsBoolean() const {
    AccessError("Boolean");
}
void TField::SetAsBoolean(bool) {
    AccessError("Boolean");
}
TDateTime TField::AsDateTime() const {
    AccessError("DateTime");
}
void TField::SetAsDateTime(TDateTime) {
    AccessError("DateTime");
}

void TField::CheckTypeSize(int size) const {
    if (size != 0) DatabaseError("Ungültige Feldgröße"_oem);
}

void TField::Validate(const void* buffer) {
    if (OnValidate) OnValidate(*this, buffer);
}

void TField::Change() {
    if (OnChange) OnChange(*this);
}

// ---------------------------------------------------------------- TStringField

TStringField::TStringField(TDataSet* ds, const std::string& name, int size)
    : TField(ds, name, TFieldType::ftString, size) {}

void TStringField::CheckTypeSize(int size) const {
    if (size < 1 || size > 8192) DatabaseError("Ungültige Feldgröße"_oem);
}

std::string TStringField::AsString() const {
    std::vector<char> buf(static_cast<size_t>(Size()) + 1, '\0');
    if (!GetData(buf.data())) return {};
    buf.back() = '\0';
    return std::string(buf.data());
}

void TStringField::SetAsString(const std::string& text) {
    std::vector<char> buf(static_cast<size_t>(Size()) + 1, '\0');
    std::memcpy(buf.data(), text.data(),
                std::min<size_t>(text.size(), static_cast<size_t>(Size())));
    SetData(buf.data());
}

int32_t TStringField::AsInteger() const {
    int v = 0;
    const std::string t = Trim(AsString());
    if (!ParseInt(t, v)) throw EConvertError("'" + t + "' ist kein gültiger Integerwert"_oem);
    return v;
}

double TStringField::AsFloat() const {
    const std::string t = Trim(AsString());
    double v = 0;
    const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
    if (t.empty() || r.ec != std::errc() || r.ptr != t.data() + t.size())
        throw EConvertError("'" + t + "' ist kein gültiger Gleitkommawert"_oem);
    return v;
}

bool TStringField::AsBoolean() const {
    const std::string t = AsString();
    return !t.empty() &&
           (t[0] == 'T' || t[0] == 't' || t[0] == 'Y' || t[0] == 'y' || t[0] == 'J' || t[0] == 'j');
}

// ---------------------------------------------------------------- numbers

TIntegerField::TIntegerField(TDataSet* ds, const std::string& name, int size)
    : TField(ds, name, TFieldType::ftInteger, size) {}

int32_t TIntegerField::AsInteger() const {
    int32_t v = 0;
    return GetData(&v) ? v : 0;
}

std::string TIntegerField::AsString() const {
    int32_t v = 0;
    return GetData(&v) ? std::to_string(v) : std::string();
}

void TIntegerField::SetAsInteger(int32_t v) {
    SetData(&v);
}

void TIntegerField::SetAsFloat(double v) {
    if (!std::isfinite(v) || v < INT32_MIN || v > INT32_MAX)
        DatabaseError("Wert außerhalb des gültigen Bereichs"_oem);
    SetAsInteger(static_cast<int32_t>(std::llround(v)));
}

void TIntegerField::SetAsString(const std::string& text) {
    const std::string t = Trim(text);
    if (t.empty()) {
        Clear();
        return;
    }
    int v = 0;
    if (!ParseInt(t, v)) throw EConvertError("'" + t + "' ist kein gültiger Integerwert"_oem);
    SetAsInteger(v);
}

TFloatField::TFloatField(TDataSet* ds, const std::string& name, int size)
    : TField(ds, name, TFieldType::ftFloat, size) {}

double TFloatField::AsFloat() const {
    double v = 0;
    return GetData(&v) ? v : 0;
}

int32_t TFloatField::AsInteger() const {
    const double v = AsFloat();
    if (!std::isfinite(v) || v < INT32_MIN || v > INT32_MAX)
        DatabaseError("Wert außerhalb des gültigen Bereichs"_oem);
    return static_cast<int32_t>(std::llround(v));
}

std::string TFloatField::AsString() const {
    double v = 0;
    if (!GetData(&v)) return {};
    return platform::FormatSignificant(v, 15);
}

void TFloatField::SetAsFloat(double v) {
    SetData(&v);
}

bool ReadFloatText(const std::string& text, double& value, std::string* pointForm) {
    std::string t = Trim(text);
    std::replace(t.begin(), t.end(), ',', '.');
    double v = 0;
    const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
    if (t.empty() || r.ec != std::errc() || r.ptr != t.data() + t.size() || !std::isfinite(v))
        return false;
    value = v;
    if (pointForm != nullptr) *pointForm = std::move(t);
    return true;
}

void TFloatField::SetAsString(const std::string& text) {
    if (Trim(text).empty()) {
        Clear();
        return;
    }
    double v = 0;
    if (!ReadFloatText(text, v))
        throw EConvertError("'" + text + "' ist kein gültiger Gleitkommawert"_oem);
    SetAsFloat(v);
}

// ---------------------------------------------------------------- Boolean

TBooleanField::TBooleanField(TDataSet* ds, const std::string& name)
    : TField(ds, name, TFieldType::ftBoolean, 0) {}

bool TBooleanField::AsBoolean() const {
    uint16_t v = 0;
    return GetData(&v) && v != 0;
}

std::string TBooleanField::AsString() const {
    uint16_t v = 0;
    if (!GetData(&v)) return {};
    if (!displayValues_.empty()) return v ? trueText_ : falseText_;
    return v ? "True" : "False";
}

void TBooleanField::SetDisplayValues(const std::string& values) {
    displayValues_ = values;
    const auto semicolon = values.find(';');
    trueText_ = values.substr(0, semicolon);
    falseText_ = semicolon == std::string::npos ? std::string() : values.substr(semicolon + 1);
}

void TBooleanField::SetAsBoolean(bool v) {
    const uint16_t w = v ? 1 : 0;
    SetData(&w);
}

void TBooleanField::SetAsString(const std::string& text) {
    const std::string t = Trim(text);
    if (t.empty()) {
        Clear();
        return;
    }
    // Without case in the Windows character set of the texts, whatever the locale.
    const std::string upper = platform::AnsiUpper(t);
    auto same = [&upper](const std::string& other) {
        return !other.empty() && platform::AnsiUpper(other) == upper;
    };
    const char c = static_cast<char>(t[0] & ~0x20);
    if (same(trueText_)) {
        SetAsBoolean(true);
    } else if (same(falseText_)) {
        SetAsBoolean(false);
    } else if (c == 'T' || c == 'Y' || c == 'J' || t == "1") {
        SetAsBoolean(true);
    } else if (c == 'F' || c == 'N' || t == "0") {
        SetAsBoolean(false);
    } else {
        throw EConvertError("'" + text + "' ist kein gültiger Boolescher Wert"_oem);
    }
}

// ---------------------------------------------------------------- dates

TDateTimeField::TDateTimeField(TDataSet* ds, const std::string& name, TFieldType type)
    : TField(ds, name, type, 0) {}

TDateTime TDateTimeField::AsDateTime() const {
    switch (DataType()) {
        case TFieldType::ftDate: {
            int32_t d = 0;
            return GetData(&d) ? static_cast<TDateTime>(d - DateDelta) : 0;
        }
        case TFieldType::ftTime: {
            int32_t ms = 0;
            return GetData(&ms) ? ms / 86400000.0 : 0;
        }
        default: {
            double ms = 0;
            return GetData(&ms) ? ms / 86400000.0 - DateDelta : 0;
        }
    }
}

void TDateTimeField::SetAsDateTime(TDateTime v) {
    if (!std::isfinite(v) || v < -DateDelta || v > 2958466.0) DatabaseError("Invalid date");
    switch (DataType()) {
        case TFieldType::ftDate: {
            const int32_t d = static_cast<int32_t>(std::floor(v)) + DateDelta;
            SetData(&d);
            break;
        }
        case TFieldType::ftTime: {
            const int32_t ms =
                static_cast<int32_t>(std::llround((v - std::floor(v)) * 86400000.0)) % 86400000;
            SetData(&ms);
            break;
        }
        default: {
            const double ms = std::round((v + DateDelta) * 86400000.0);
            SetData(&ms);
        }
    }
}

std::string TDateTimeField::AsString() const {
    if (IsNull()) return {};
    return DateToStr(AsDateTime());
}

void TDateTimeField::SetAsString(const std::string& text) {
    if (Trim(text).empty()) {
        Clear();
        return;
    }
    SetAsDateTime(StrToDate(text));
}

TDateField::TDateField(TDataSet* ds, const std::string& name)
    : TDateTimeField(ds, name, TFieldType::ftDate) {}

// ---------------------------------------------------------------- memo

TMemoField::TMemoField(TDataSet* ds, const std::string& name, TFieldType type)
    : TField(ds, name, type, 0) {}

std::string TMemoField::AsString() const {
    auto stream =
        DataSet()->CreateBlobStream(const_cast<TMemoField&>(*this), TBlobStreamMode::bmRead);
    std::string out;
    if (!stream) return out;
    char buf[4096];
    for (int32_t n; (n = stream->Read(buf, sizeof buf)) > 0;)
        out.append(buf, static_cast<size_t>(n));
    return out;
}

void TMemoField::SetAsString(const std::string& text) {
    auto stream = DataSet()->CreateBlobStream(*this, TBlobStreamMode::bmWrite);
    if (!stream) return;
    size_t done = 0;
    while (done < text.size()) {
        const auto chunk = static_cast<int32_t>(std::min<size_t>(text.size() - done, 65536));
        const int32_t n = stream->Write(text.data() + done, chunk);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
}

}  // namespace kor2
