// Field objects of the non-visual data-set base: one TField per column with
// typed access (text, integer, float, Boolean, date) to the data set's current
// record buffer. Created by TDataSet from its field definitions.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kor2 {

class TDataSet;
class TField;

// Raised by the data-set base for misuse (closed set, unknown field, wrong state).
class EDatabaseError : public std::runtime_error {
public:
    explicit EDatabaseError(const std::string& msg) : std::runtime_error(msg) {}
};
// Raised when a text does not convert to a date.
class EConvertError : public std::runtime_error {
public:
    explicit EConvertError(const std::string& msg) : std::runtime_error(msg) {}
};
[[noreturn]] void DatabaseError(const std::string& message);

enum class TFieldType {
    ftUnknown,
    ftString,
    ftInteger,
    ftFloat,
    ftBoolean,
    ftDate,
    ftTime,
    ftDateTime,
    ftMemo,
    ftBlob
};
enum class TFieldKind { fkData, fkCalculated };

// Date and time as a day count since 30 Dec 1899 with the time as fraction.
using TDateTime = double;
constexpr int32_t DateDelta = 693594;  // days from 1 Jan 0001 to 30 Dec 1899, plus one
TDateTime EncodeDate(int year, int month, int day);  // throws EConvertError when invalid
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
void DecodeDate(TDateTime value, int& year, int& month, int& day);
// Day-month-year text "DD.MM.YYYY" of a date value (the platform's short date form).
std::string DateToStr(TDateTime value);
// Reads "D.M.Y", "D/M/Y" or "D-M-Y" (two-digit years in 1930..2029); throws EConvertError.
TDateTime StrToDate(const std::string& text);
// Reads a number as a float field takes it from a text ("8,25" and " 8.25"
// are 8.25); pointForm, when given, gets the trimmed text with a decimal
// point. False when the text is no finite number.
bool ReadFloatText(const std::string& text, double& value, std::string* pointForm = nullptr);

// Native value layouts passed through GetData / SetData:
//   ftString  Size + 1 bytes, NUL-terminated     ftInteger int32_t
//   ftFloat   double                            ftBoolean uint16_t (0 or 1)
//   ftDate    int32_t days (TDateTime + DateDelta)   ftTime int32_t milliseconds
//   ftDateTime double milliseconds since 1 Jan 0001 (days + DateDelta) * 86400000
int NativeDataSize(TFieldType type, int size);

class TField {
public:
    TField(TDataSet* dataSet, const std::string& name, TFieldType type, int size);
    virtual ~TField() = default;
    TField(const TField&) = delete;
    TField& operator=(const TField&) = delete;

    const std::string& FieldName() const { return name_; }
    TFieldType DataType() const { return type_; }
    int Size() const { return size_; }
    int FieldNo() const { return fieldNo_; }
    void SetFieldNo(int n) { fieldNo_ = n; }
    int Index() const;
    TFieldKind FieldKind() const { return kind_; }
    void SetFieldKind(TFieldKind k) { kind_ = k; }
    bool Calculated() const { return kind_ == TFieldKind::fkCalculated; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool v) { readOnly_ = v; }
    bool Required() const { return required_; }
    void SetRequired(bool v) { required_ = v; }
    bool IsBlob() const { return type_ == TFieldType::ftMemo || type_ == TFieldType::ftBlob; }
    TDataSet* DataSet() const { return dataSet_; }
    int DataSize() const { return NativeDataSize(type_, size_); }
    // Offset of a calculated field's value in the calculated area.
    int Offset() const { return offset_; }
    void SetOffset(int off) { offset_ = off; }

    // Copies the native value out of the current record; false when blank.
    bool GetData(void* buffer) const;
    // Stores a native value (nullptr clears the field).
    void SetData(const void* buffer);
    bool IsNull() const;
    void Clear() { SetData(nullptr); }

    virtual std::string AsString() const;
    virtual void SetAsString(const std::string& text);
    virtual int32_t AsInteger() const;
    virtual void SetAsInteger(int32_t v);
    virtual double AsFloat() const;
    virtual void SetAsFloat(double v);
    virtual bool AsBoolean() const;
    virtual void SetAsBoolean(bool v);
    virtual TDateTime AsDateTime() const;
    virtual void SetAsDateTime(TDateTime v);
    virtual std::string DisplayText() const { return AsString(); }

    // Checks a declared size; the numeric classes accept only 0.
    virtual void CheckTypeSize(int size) const;
    // Calls OnValidate with the value about to be stored.
    void Validate(const void* buffer);
    // Field-change notification: OnChange.
    void Change();

    std::function<void(TField&)> OnChange;
    std::function<void(TField&, const void* value)> OnValidate;

protected:
    [[noreturn]] void AccessError(const char* kind) const;

private:
    TDataSet* dataSet_;
    std::string name_;
    TFieldType type_;
    int size_;
    int fieldNo_ = 0;
    int offset_ = 0;
    TFieldKind kind_ = TFieldKind::fkData;
    bool readOnly_ = false;
    bool required_ = false;
};

class TStringField : public TField {
public:
    TStringField(TDataSet* ds, const std::string& name, int size);
    std::string AsString() const override;
    void SetAsString(const std::string& text) override;
    int32_t AsInteger() const override;
    void SetAsInteger(int32_t v) override { SetAsString(std::to_string(v)); }
    double AsFloat() const override;
    bool AsBoolean() const override;
    void SetAsBoolean(bool v) override { SetAsString(v ? "T" : "F"); }
    void CheckTypeSize(int size) const override;
};

class TIntegerField : public TField {
public:
    TIntegerField(TDataSet* ds, const std::string& name, int size = 0);
    std::string AsString() const override;
    void SetAsString(const std::string& text) override;
    int32_t AsInteger() const override;
    void SetAsInteger(int32_t v) override;
    double AsFloat() const override { return AsInteger(); }
    void SetAsFloat(double v) override;
    bool AsBoolean() const override { return AsInteger() != 0; }
};

class TFloatField : public TField {
public:
    TFloatField(TDataSet* ds, const std::string& name, int size = 0);
    std::string AsString() const override;
    void SetAsString(const std::string& text) override;
    int32_t AsInteger() const override;
    void SetAsInteger(int32_t v) override { SetAsFloat(v); }
    double AsFloat() const override;
    void SetAsFloat(double v) override;
};

class TBooleanField : public TField {
public:
    TBooleanField(TDataSet* ds, const std::string& name);
    // The value's text: the display values' texts when set, else True/False.
    std::string AsString() const override;
    // Takes the display values' texts (case ignored) and T/Y/J/1, F/N/0.
    void SetAsString(const std::string& text) override;
    bool AsBoolean() const override;
    void SetAsBoolean(bool v) override;
    int32_t AsInteger() const override { return AsBoolean() ? 1 : 0; }

    // "true text;false text"; empty for none.
    const std::string& DisplayValues() const { return displayValues_; }
    void SetDisplayValues(const std::string& values);
    // The two halves of the display values (empty when there are none).
    const std::string& TrueText() const { return trueText_; }
    const std::string& FalseText() const { return falseText_; }

private:
    std::string displayValues_, trueText_, falseText_;
};

class TDateTimeField : public TField {
public:
    TDateTimeField(TDataSet* ds, const std::string& name, TFieldType type = TFieldType::ftDateTime);
    std::string AsString() const override;
    void SetAsString(const std::string& text) override;
    TDateTime AsDateTime() const override;
    void SetAsDateTime(TDateTime v) override;
    double AsFloat() const override { return AsDateTime(); }
    void SetAsFloat(double v) override { SetAsDateTime(v); }
};

class TDateField : public TDateTimeField {
public:
    TDateField(TDataSet* ds, const std::string& name);
};

class TMemoField : public TField {
public:
    TMemoField(TDataSet* ds, const std::string& name, TFieldType type = TFieldType::ftMemo);
    // The whole memo through the data set's blob stream.
    std::string AsString() const override;
    void SetAsString(const std::string& text) override;
    std::string DisplayText() const override { return "(MEMO)"; }
};

}  // namespace kor2
