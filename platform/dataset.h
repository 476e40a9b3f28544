// Non-visual data-set base: TDataSet keeps a window of record buffers over a
// cursor supplied by a subclass, with states, fields, events and bookmarks;
// TDataSource and TDataLink pass its changes to data-aware controls.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/field.h"

namespace kor2 {

enum class TDataSetState {
    dsInactive,
    dsBrowse,
    dsEdit,
    dsInsert,
    dsSetKey,
    dsCalcFields,
    dsFilter,
    dsOpening
};
enum class TGetMode { gmCurrent, gmNext, gmPrior };
enum class TGetResult { grOK, grBOF, grEOF, grError };
enum class TBookmarkFlag : uint8_t { bfCurrent = 0, bfBOF = 1, bfEOF = 2, bfInserted = 3 };
enum class TDataAction { daFail, daAbort, daRetry };
enum class TDataEvent {
    deFieldChange,
    deRecordChange,
    deDataSetChange,
    deDataSetScroll,
    deLayoutChange,
    deUpdateRecord,
    deUpdateState,
    deCheckBrowseMode,
    deFocusControl
};
enum class TBlobStreamMode { bmRead, bmWrite, bmReadWrite };

struct TResyncMode {
    bool exact = false;
    bool center = false;
};
struct TLocateOptions {
    bool caseInsensitive = false;
    bool partialKey = false;
};

// Bookmark bytes; empty means no bookmark.
using TBookmark = std::vector<uint8_t>;

struct TFieldDef {
    std::string name;
    TFieldType dataType = TFieldType::ftUnknown;
    int size = 0;
    bool required = false;
};

// Byte stream over a blob field (memo) of the current record.
class TStream {
public:
    virtual ~TStream() = default;
    virtual int32_t Read(void* buffer, int32_t count) = 0;
    virtual int32_t Write(const void* buffer, int32_t count) = 0;
    virtual int64_t Seek(int64_t offset, int origin) = 0;  // 0 start, 1 current, 2 end
};

class TDataSet;
class TDataSource;

// Binds a control to a data source: the control overrides the notifications.
class TDataLink {
public:
    TDataLink() = default;
    virtual ~TDataLink();
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;

    TDataSource* DataSource() const { return source_; }
    void SetDataSource(TDataSource* source);
    TDataSet* DataSet() const;
    bool Active() const;
    bool Editing() const { return editing_; }
    // Number of records the control shows; the data set keeps at least that many.
    int BufferCount() const { return bufferCount_; }
    void SetBufferCount(int n);
    // Index of the active record within the control's window; setting it is quiet.
    int ActiveRecord() const;
    void SetActiveRecord(int n);
    int RecordCount() const;
    // Puts the data set into edit state; false when that is not possible.
    bool Edit();
    void UpdateRecord();

protected:
    virtual void ActiveChanged() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled(int /*distance*/) { DataSetChanged(); }
    virtual void RecordChanged(TField* /*field*/) {}
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void EditingChanged() {}
    virtual void UpdateData() {}
    virtual void CheckBrowseMode() {}
    virtual void FocusControl(TField* /*field*/) {}

private:
    friend class TDataSource;
    void DataEvent(TDataEvent event, intptr_t info);
    void UpdateState();
    void AdjustFirst();

    TDataSource* source_ = nullptr;
    int bufferCount_ = 1;
    int firstRecord_ = 0;
    bool active_ = false;
    bool editing_ = false;
    bool updating_ = false;
};

class TDataSource {
public:
    TDataSource() = default;
    ~TDataSource();
    TDataSource(const TDataSource&) = delete;
    TDataSource& operator=(const TDataSource&) = delete;

    TDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TDataSet* ds);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on);
    TDataSetState State() const;

    std::function<void(TDataSource&)> OnStateChange;
    std::function<void(TDataSource&, TField*)> OnDataChange;
    std::function<void(TDataSource&)> OnUpdateData;

private:
    friend class TDataSet;
    friend class TDataLink;
    void DataEvent(TDataEvent event, intptr_t info);
    void NotifyState();
    int MaxBufferCount() const;

    TDataSet* dataSet_ = nullptr;
    std::vector<TDataLink*> links_;
    TDataSetState lastState_ = TDataSetState::dsInactive;
    bool enabled_ = true;
};

using TDataSetNotifyEvent = std::function<void(TDataSet&)>;
using TDataSetErrorEvent = std::function<void(TDataSet&, const std::exception&, TDataAction&)>;

class TDataSet {
public:
    TDataSet();
    virtual ~TDataSet();
    TDataSet(const TDataSet&) = delete;
    TDataSet& operator=(const TDataSet&) = delete;

    std::string Name;

    // Opening and closing.
    bool Active() const { return state_ != TDataSetState::dsInactive; }
    void SetActive(bool on);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    TDataSetState State() const { return state_; }

    // Fields.
    std::vector<TFieldDef>& FieldDefs() { return fieldDefs_; }
    int FieldCount() const { return static_cast<int>(fields_.size()); }
    TField& Fields(int index) const;
    TField* FindField(const std::string& name) const;
    TField& FieldByName(const std::string& name) const;
    TField* FieldByNumber(int fieldNo) const;
    // A persistent calculated field; OnCalcFields fills it.
    TField& AddCalcField(const std::string& name, TFieldType type, int size = 0);

    // Navigation.
    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    int MoveBy(int distance);
    bool Bof() const { return bof_; }
    bool Eof() const { return eof_; }
    bool IsEmpty() const;
    virtual int RecordCount();
    virtual int RecNo();
    virtual void SetRecNo(int /*n*/) {}
    bool FindFirst() { return FindRecord(true, true); }
    bool FindLast() { return FindRecord(true, false); }
    bool FindNext() { return FindRecord(false, true); }
    bool FindPrior() { return FindRecord(false, false); }
    bool Found() const { return found_; }
    virtual bool Locate(const std::string& keyFields, const std::vector<std::string>& keyValues,
                        TLocateOptions options);
    // Values (as texts) of the result fields of the first record matching the keys.
    virtual std::vector<std::string> Lookup(const std::string& keyFields,
                                            const std::vector<std::string>& keyValues,
                                            const std::string& resultFields);

    // Bookmarks.
    TBookmark GetBookmark();
    void GotoBookmark(const TBookmark& bookmark);
    virtual bool BookmarkValid(const TBookmark& bookmark);
    virtual int CompareBookmarks(const TBookmark& b1, const TBookmark& b2);

    // Changes.
    void Edit();
    void Insert();
    void Append();
    virtual void Post();
    void Cancel();
    void Delete();
    void Refresh();
    void CheckBrowseMode();
    void UpdateRecord();
    bool Modified() const { return modified_; }
    void SetModified(bool on) { modified_ = on; }
    virtual bool CanModify() { return true; }

    // Data-aware controls.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return disableCount_ > 0; }
    void Resync(TResyncMode mode);
    void UpdateCursorPos();
    void CursorPosChanged() { currentRecord_ = -1; }
    uint8_t* ActiveBuffer() const;
    uint8_t* CalcBuffer() const { return calcBuffer_; }
    int BufferCount() const { return bufferCount_; }
    int BufferRecordCount() const { return recordCount_; }
    int ActiveRecordIndex() const { return activeRecord_; }
    // Points the active record at another row of the window, without events
    // (a grid reads each row's fields so).
    void SetActiveRecordIndex(int index);

    // Field values of the current record.
    virtual bool GetFieldData(const TField& field, void* buffer) = 0;
    virtual void SetFieldData(TField& field, const void* buffer) = 0;
    virtual std::unique_ptr<TStream> CreateBlobStream(TField& field, TBlobStreamMode mode);
    virtual bool GetCurrentRecord(uint8_t* /*buffer*/) { return false; }

    // Events.
    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    TDataSetNotifyEvent OnCalcFields, OnNewRecord;
    TDataSetErrorEvent OnDeleteError, OnEditError, OnPostError;

    // Sends an event to every data source and link (and to the fields).
    void DataEvent(TDataEvent event, intptr_t info);

protected:
    // Buffer-level hooks supplied by the cursor subclass.
    virtual uint16_t RecordBufferSize() = 0;
    virtual void ClearCalcFields(uint8_t* /*buffer*/) {}
    virtual uint16_t GetRecordSize() = 0;
    virtual void GetBookmarkData(const uint8_t* buffer, uint8_t* data) = 0;
    virtual void SetBookmarkData(uint8_t* buffer, const uint8_t* data) = 0;
    virtual TBookmarkFlag GetBookmarkFlag(const uint8_t* buffer) = 0;
    virtual void SetBookmarkFlag(uint8_t* buffer, TBookmarkFlag flag) = 0;
    virtual TGetResult GetRecord(uint8_t* buffer, TGetMode mode, bool doCheck) = 0;
    virtual void InternalAddRecord(uint8_t* buffer, bool append) = 0;
    virtual void InternalDelete() = 0;
    virtual void InternalFirst() = 0;
    virtual void InternalLast() = 0;
    virtual void InternalGotoBookmark(const uint8_t* bookmark) = 0;
    virtual void InternalSetToRecord(uint8_t* buffer) = 0;
    virtual void InternalInitRecord(uint8_t* buffer) = 0;
    virtual void InternalPost() = 0;
    virtual void InternalOpen() = 0;
    virtual void InternalClose() = 0;
    virtual void InternalHandleException() {}
    virtual bool IsCursorOpen() = 0;
    virtual void InternalInitFieldDefs() = 0;
    virtual void InternalCancel() {}
    virtual void InternalEdit() {}
    virtual void InternalInsert() {}
    virtual void InternalRefresh() {}
    virtual bool FindRecord(bool /*restart*/, bool /*goForward*/) { return false; }
    virtual void DoOnNewRecord();
    // The field object for a definition; subclasses choose their own classes.
    virtual std::unique_ptr<TField> CreateFieldObject(const TFieldDef& def);

    void InitRecord(uint8_t* buffer);
    void GetCalcFields(uint8_t* buffer);
    void CreateFields();
    void BindFields(bool binding);
    void DestroyDefaultFields();
    bool DefaultFields() const { return defaultFields_; }
    bool HasCalcFields() const;
    int CalcFieldsSize() const { return calcFieldsSize_; }
    int BlobFieldCount() const;
    void SetState(TDataSetState state);
    TDataSetState SetTempState(TDataSetState state);
    void RestoreState(TDataSetState state);
    void CheckActive() const;
    void CheckInactive() const;
    void ClearBuffers();
    void ActivateBuffers();
    bool GetNextRecord();
    bool GetPriorRecord();
    int GetNextRecords();
    int GetPriorRecords();
    void SetCurrentRecord(int index);
    void SetBufferCount(int n);
    void UpdateBufferCount();
    uint8_t* Buffer(int index) const { return buffers_[static_cast<size_t>(index)].data(); }
    void SetCalcBuffer(uint8_t* buffer) { calcBuffer_ = buffer; }
    void SetFound(bool on) { found_ = on; }
    void SetBof(bool on) { bof_ = on; }
    void SetEof(bool on) { eof_ = on; }
    // Resets the window to no record (BOF and EOF set).
    void ResetBufferBookkeeping();
    virtual void DoBeforeScroll();
    virtual void DoAfterScroll();
    virtual void DoAfterCancel() { Fire(AfterCancel); }
    virtual void DoAfterOpen() { Fire(AfterOpen); }
    void Fire(const TDataSetNotifyEvent& e) {
        if (e) e(*this);
    }
    int BookmarkSize = 0;

private:
    friend class TDataSource;
    friend class TDataLink;
    void CheckOperation(void (TDataSet::*op)(), const TDataSetErrorEvent& handler);
    void DoInternalClose();
    void MoveBuffer(int from, int to);
    void BeginInsertAppend();
    void EndInsertAppend();
    void AddDataSource(TDataSource* s);
    void RemoveDataSource(TDataSource* s);
    void FreeFieldBuffers() {}
    void Notify(TDataEvent event, intptr_t info);

    TDataSetState state_ = TDataSetState::dsInactive;
    std::vector<TFieldDef> fieldDefs_;
    std::vector<std::unique_ptr<TField>> fields_;
    mutable std::vector<std::vector<uint8_t>> buffers_;
    std::vector<uint8_t> calcStorage_;
    uint8_t* calcBuffer_ = nullptr;
    std::vector<TDataSource*> sources_;
    int bufferCount_ = 0;
    int recordCount_ = 0;
    int activeRecord_ = 0;
    int currentRecord_ = -1;
    int calcFieldsSize_ = 0;
    int disableCount_ = 0;
    bool bof_ = true;
    bool eof_ = true;
    bool modified_ = false;
    bool found_ = false;
    bool defaultFields_ = false;
    bool stateChangedWhileDisabled_ = false;
};

}  // namespace kor2
