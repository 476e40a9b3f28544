// dBase data set: the cursor protocol over one work area of the table engine,
// with the conversion between the work area's field images and the data
// set's record buffer; field classes, table definitions and engine messages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tables/base/engineerror.h"
#include "tables/dataset/primitiveds.h"

namespace kor2 {

// Engine texts and settings the data-set layer sets at start.
inline std::string EngineYesText = "ja";
inline std::string EngineNoText = "nein";
inline std::string EngineTrueText = "Wahr";
inline std::string EngineFalseText = "Falsch";
inline int EngineMessageMode = 2;  // 2 = interactive: messages are shown
// Asked when a command runs on a closed data set and the engine raised nothing.
inline std::function<void()> ApplicationTerminateHook;

// Switches the engine's error handler off for a scope: errors are only recorded.
class EngineErrorsOff {
public:
    EngineErrorsOff() : saved_(SetErrorHandling(false)) {}
    ~EngineErrorsOff() { SetErrorHandling(saved_); }
    EngineErrorsOff(const EngineErrorsOff&) = delete;
    EngineErrorsOff& operator=(const EngineErrorsOff&) = delete;

private:
    bool saved_;
};

// Holds the file lock of a work area for a scope: appends to a shared table
// need it. End() releases it after the work and reports a failure; every
// other way out releases it quietly.
class AreaFileLock {
public:
    explicit AreaFileLock(uint8_t area);
    AreaFileLock(const AreaFileLock&) = delete;
    AreaFileLock& operator=(const AreaFileLock&) = delete;
    void End() { unlock_.End(); }

private:
    EndOfWork unlock_;
};

void InitEngineTexts();
// DATE setting from the platform's short date picture (ShortDatePicture).
void InitDateFormat();
void ShowEngineMessage(const std::string& text);
int SetMessageMode(int mode);  // a non-zero mode; returns the previous one

// A date text of the engine's DATE format as a date value; the blank date
// and (unless strict) an invalid text give 0; strict raises EConvertError.
TDateTime DateTextToDateTime(const std::string& text, bool strict);
// The engine's DATE text (with century) of a date value above 0.
std::string DateTimeToDateText(TDateTime value);

enum TTableLanguage { tlOem, tlAnsi };

struct TDTField {
    std::string Name;
    uint16_t Offset = 0;  // offset of the field image in the work area's record buffer
    char Type = 'C';
    uint8_t Length = 0;
    uint8_t Decimals = 0;
};

// The work area's record buffer and its field images; field 0 is the deleted flag.
struct TDbfFieldProps {
    std::vector<uint8_t> copy;  // design time: a copy of the record buffer
    uint8_t* record = nullptr;
    uint16_t length = 0;
    std::vector<TDTField> fields;
};

class TTbDateField : public TDateField {
public:
    TTbDateField(TDataSet* ds, const std::string& name) : TDateField(ds, name) {}
    std::string AsString() const override;
    void SetAsString(const std::string& text) override;
};
class TTbFloatField : public TFloatField {
public:
    TTbFloatField(TDataSet* ds, const std::string& name, int size) : TFloatField(ds, name, size) {}
    void CheckTypeSize(int size) const override;
    // The value with the program's decimal point or comma (DecimalCommaOption).
    std::string DisplayText() const override;
};
class TTbIntegerField : public TIntegerField {
public:
    TTbIntegerField(TDataSet* ds, const std::string& name, int size)
        : TIntegerField(ds, name, size) {}
    void CheckTypeSize(int size) const override;
};

// One field definition of DbfFields.
struct DbfFieldSpec {
    std::string name;
    char type = 'C';
    int length = 0;
    int decimals = 0;
};
// Splits "NAME, T, len, dec"; false unless the line has exactly three commas.
bool ParseFieldDef(const std::string& line, DbfFieldSpec& spec);

class TTbDataSet : public TTbPrimDataset {
public:
    TTbDataSet();
    ~TTbDataSet() override;

    std::vector<std::string> DbfFields;
    bool ShowProgress = true;
    TTableLanguage TableLanguage = tlOem;
    bool Designing = false;
    TDataSetNotifyEvent BeforeRestore, AfterRestore;

    const std::string& DbfFileName() const { return dbfFileName_; }
    void SetDbfFileName(const std::string& name);
    bool HideDeletedRecs() const { return hideDeleted_; }
    void SetHideDeletedRecs(bool on);
    uint8_t WorkArea() const { return workArea_; }

    // Opens or closes the table in the engine without changing the data-set state.
    void DirectOpenClose(bool open);
    bool IsRecordDeleted();
    void SetRecordDeleted(bool deleted);
    // Corrects a definition to what the engine stores; true when it changed.
    bool CheckFieldDef(DbfFieldSpec& spec);
    // Creates DbfFileName from DbfFields; true on success.
    bool CreateDbfFromFields();

    std::string GetErrorText(int32_t code) override;
    bool IsEmptyDbf() override;
    void Post() override;

    virtual void SelectWorkArea(const std::string& context);
    virtual bool IsVirtualTable() { return false; }
    virtual bool IsRunTime() { return !Designing; }
    // Puts the work area on the data set's current record.
    virtual void SyncWorkArea();

protected:
    virtual void DoBeforeRestore() { Fire(BeforeRestore); }
    virtual void DoAfterRestore() { Fire(AfterRestore); }
    virtual void TableChanged() {}
    virtual void CloseDbfHook() {}
    virtual bool OpenDbfFile(const std::string& fileName) = 0;
    virtual void s_AppendWithLock() = 0;
    virtual void s_DeleteWithLock() = 0;
    virtual void s_RestoreWithLock() = 0;
    virtual void s_ReplaceWithLock() = 0;

    int32_t TbiSetToBegin() override;
    int32_t TbiSetToEnd() override;
    int32_t TbiOpen() override;
    int32_t TbiClose() override;
    int32_t TbiGetRecordCount() override;
    int32_t TbiForceReread() override;
    int32_t TbiAppendRecord(uint8_t* buffer) override;
    int32_t TbiInsertRecord(uint8_t* buffer) override;
    int32_t TbiDeleteRecord() override;
    int32_t TbiInitRecord(uint8_t* buffer) override;
    int32_t TbiModifyRecord(uint8_t* buffer) override;
    int32_t TbiGetRecordSize() override;
    int32_t TbiGetCursorMode() override { return TbiCursorSequenced; }
    int32_t TbiGetRecord(uint8_t* buffer, int32_t& recNo) override;
    int32_t TbiGetNextRecord(uint8_t* buffer, int32_t& recNo) override;
    int32_t TbiGetPriorRecord(uint8_t* buffer, int32_t& recNo) override;
    int32_t TbiGetFieldData(const TField& field, const uint8_t* record, bool& isBlank,
                            void* buffer) override;
    int32_t TbiSetFieldData(TField& field, uint8_t* record, const void* buffer) override;
    int32_t TbiSetRecNo(int32_t recNo) override;
    bool TbiLocate(const std::string& keyFields, const std::vector<std::string>& keyValues,
                   TLocateOptions options) override;
    int32_t TbiLookup(const std::string& keyFields, const std::vector<std::string>& keyValues,
                      const std::string& resultFields, std::vector<std::string>& result) override;
    int32_t TbiGetBookmarkSize() override { return 4; }
    int32_t TbiSetToBookmark(const uint8_t* bookmark) override;
    int32_t TbiGetBookmark(uint8_t* bookmark) override;
    int32_t TbiCompareBookmarks(const uint8_t* b1, const uint8_t* b2, int& result) override;

    void InternalInitFieldDefs() override;
    void InternalCancel() override;
    std::unique_ptr<TField> CreateFieldObject(const TFieldDef& def) override;

    bool OpenDbfWorkArea(const std::string& fileName);
    void CloseDbfWorkArea();
    void DbfRecordToBuffer(uint8_t* buffer);
    // fieldNo 0: all fields, else that one field (1-based).
    void BufferToDbfRecord(const uint8_t* buffer, int fieldNo);
    void ResyncFromWorkArea();
    // A date value of field fieldNo with the century of the file's stored date.
    double WithStoredCentury(size_t fieldNo, double value) const;
    int32_t SafeGo(int32_t recNo);
    // Size of field i's image in the record buffer, and its offset.
    uint16_t FieldBufSize(const TDTField& f) const;
    uint16_t FieldBufOffset(int fieldNo) const;
    TDbfFieldProps* FieldProps() { return props_.get(); }
    uint16_t RecordDataSize();

    bool atBof_ = false;
    bool atEof_ = false;

private:
    void BuildDbfFields();
    std::string dbfFileName_;
    bool hideDeleted_ = false;
    uint8_t workArea_ = 0;
    uint16_t recordDataSize_ = 0;
    std::unique_ptr<TDbfFieldProps> props_;
    std::vector<uint16_t> fieldOffsets_;
    bool savedExceptionMode_ = false;
};

}  // namespace kor2
