// Data-set base: the record-buffer window over a subclass's cursor, the
// browse/edit/insert states with their events, bookmarks and field lookup.
// The table engine's data sets derive from TDataSet; controls use TDataLink.
#include "platform/dataset.h"

#include <algorithm>
#include <cstring>

#include "platform/oemtext.h"

namespace kor2 {

namespace {

std::string UpperAscii(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return s;
}

}  // namespace

TDataSet::TDataSet() = default;

TDataSet::~TDataSet() {
    for (TDataSource* s : sources_) s->dataSet_ = nullptr;
}

// ---------------------------------------------------------------- fields

TField& TDataSet::Fields(int index) const {
    if (index < 0 || index >= FieldCount())
        DatabaseError("Listenindex überschreitet das Maximum"_oem);
    return *fields_[static_cast<size_t>(index)];
}

TField* TDataSet::FindField(const std::string& name) const {
    const std::string u = UpperAscii(name);
    for (const auto& f : fields_)
        if (UpperAscii(f->FieldName()) == u) return f.get();
    return nullptr;
}

TField& TDataSet::FieldByName(const std::string& name) const {
    TField* f = FindField(name);
    if (!f) DatabaseError(Name + ": Feld '" + name + "' nicht gefunden");
    return *f;
}

TField* TDataSet::FieldByNumber(int fieldNo) const {
    for (const auto& f : fields_)
        if (f->FieldNo() == fieldNo) return f.get();
    return nullptr;
}

TField& TDataSet::AddCalcField(const std::string& name, TFieldType type, int size) {
    CheckInactive();
    auto f = CreateFieldObject(TFieldDef{name, type, size, false});
    f->SetFieldKind(TFieldKind::fkCalculated);
    fields_.push_back(std::move(f));
    return *fields_.back();
}

std::unique_ptr<TField> TDataSet::CreateFieldObject(const TFieldDef& def) {
    switch (def.dataType) {
        case TFieldType::ftString:
            return std::make_unique<TStringField>(this, def.name, def.size);
        case TFieldType::ftInteger:
            return std::make_unique<TIntegerField>(this, def.name);
        case TFieldType::ftFloat:
            return std::make_unique<TFloatField>(this, def.name);
        case TFieldType::ftBoolean:
            return std::make_unique<TBooleanField>(this, def.name);
        case TFieldType::ftDate:
            return std::make_unique<TDateField>(this, def.name);
        case TFieldType::ftTime:
        case TFieldType::ftDateTime:
            return std::make_unique<TDateTimeField>(this, def.name, def.dataType);
        case TFieldType::ftMemo:
        case TFieldType::ftBlob:
            return std::make_unique<TMemoField>(this, def.name, def.dataType);
        default:
            DatabaseError("Feld '" + def.name + "' hat einen unbekannten Typ");
    }
}

void TDataSet::CreateFields() {
    for (const auto& def : fieldDefs_) {
        auto f = CreateFieldObject(def);
        f->CheckTypeSize(def.size);
        f->SetRequired(def.required);
        fields_.push_back(std::move(f));
    }
}

void TDataSet::BindFields(bool binding) {
    calcFieldsSize_ = 0;
    int fieldNo = 0;
    for (auto& f : fields_) {
        if (!binding) {
            f->SetFieldNo(0);
            continue;
        }
        if (f->Calculated()) {
            f->SetFieldNo(-1);
            f->SetOffset(calcFieldsSize_);
            calcFieldsSize_ += f->DataSize() + 1;
            continue;
        }
        const auto def = std::find_if(
            fieldDefs_.begin(), fieldDefs_.end(),
            [&](const TFieldDef& d) { return UpperAscii(d.name) == UpperAscii(f->FieldName()); });
        if (def == fieldDefs_.end()) DatabaseError("Feld '" + f->FieldName() + "' nicht gefunden");
        f->SetFieldNo(static_cast<int>(def - fieldDefs_.begin()) + 1);
        ++fieldNo;
    }
}

void TDataSet::DestroyDefaultFields() {
    std::erase_if(fields_, [](const std::unique_ptr<TField>& f) { return !f->Calculated(); });
    defaultFields_ = false;
}

bool TDataSet::HasCalcFields() const {
    return std::any_of(fields_.begin(), fields_.end(),
                       [](const auto& f) { return f->Calculated(); });
}

int TDataSet::BlobFieldCount() const {
    return static_cast<int>(
        std::count_if(fields_.begin(), fields_.end(), [](const auto& f) { return f->IsBlob(); }));
}

// ---------------------------------------------------------------- states

void TDataSet::CheckActive() const {
    if (state_ == TDataSetState::dsInactive)
        DatabaseError(Name + ": Operation bei geschlossener Datenmenge nicht möglich"_oem);
}

void TDataSet::CheckInactive() const {
    if (state_ != TDataSetState::dsInactive)
        DatabaseError(Name + ": Operation bei geöffneter Datenmenge nicht möglich"_oem);
}

void TDataSet::SetState(TDataSetState state) {
    if (state_ == state) return;
    state_ = state;
    modified_ = false;
    DataEvent(TDataEvent::deUpdateState, 0);
}

TDataSetState TDataSet::SetTempState(TDataSetState state) {
    const TDataSetState old = state_;
    state_ = state;
    return old;
}

void TDataSet::RestoreState(TDataSetState state) {
    state_ = state;
}

void TDataSet::SetActive(bool on) {
    if (on == Active()) return;
    if (on) {
        Fire(BeforeOpen);
        SetState(TDataSetState::dsOpening);
        bool opened = false;
        try {
            defaultFields_ = std::none_of(fields_.begin(), fields_.end(),
                                          [](const auto& f) { return !f->Calculated(); });
            InternalOpen();
            calcStorage_.assign(RecordBufferSize(), 0);
            eof_ = false;
            UpdateBufferCount();
            bof_ = true;
            if (recordCount_ == 0) eof_ = true;
            opened = true;
        } catch (...) {
            state_ = TDataSetState::dsInactive;
            DoInternalClose();
            DataEvent(TDataEvent::deUpdateState, 0);
            throw;
        }
        if (opened) {
            SetState(TDataSetState::dsBrowse);
            DoAfterOpen();
            if (!IsEmpty()) DoAfterScroll();
        }
    } else {
        Fire(BeforeClose);
        SetState(TDataSetState::dsInactive);
        DoInternalClose();
        Fire(AfterClose);
    }
}

void TDataSet::DoInternalClose() {
    ClearBuffers();
    buffers_.clear();
    bufferCount_ = 0;
    calcBuffer_ = nullptr;
    InternalClose();
    calcStorage_.clear();
    bof_ = eof_ = true;
}

void TDataSet::CheckOperation(void (TDataSet::*op)(), const TDataSetErrorEvent& handler) {
    for (;;) {
        try {
            UpdateCursorPos();
            (this->*op)();
            return;
        } catch (const std::exception& e) {
            TDataAction action = TDataAction::daFail;
            if (handler) handler(*this, e, action);
            if (action == TDataAction::daRetry) continue;
            if (action == TDataAction::daAbort) return;
            throw;
        }
    }
}

// ---------------------------------------------------------------- buffers

uint8_t* TDataSet::ActiveBuffer() const {
    if (buffers_.empty()) return nullptr;
    return buffers_[static_cast<size_t>(activeRecord_)].data();
}

void TDataSet::SetBufferCount(int n) {
    n = std::max(n, 1);
    if (n == bufferCount_) return;
    const size_t size = RecordBufferSize();
    if (n < bufferCount_ && recordCount_ > n) {
        // Keep the window around the active record.
        const int drop = std::min(activeRecord_, recordCount_ - n);
        if (drop > 0) {
            std::rotate(buffers_.begin(), buffers_.begin() + drop, buffers_.begin() + recordCount_);
            activeRecord_ -= drop;
            if (currentRecord_ >= 0)
                currentRecord_ = currentRecord_ >= drop ? currentRecord_ - drop : -1;
        }
        recordCount_ = n;
        if (currentRecord_ >= n) currentRecord_ = -1;
    }
    buffers_.resize(static_cast<size_t>(n) + 1);
    for (auto& b : buffers_)
        if (b.size() != size) b.assign(size, 0);
    bufferCount_ = n;
    if (IsCursorOpen() && recordCount_ > 0) {
        GetNextRecords();
        GetPriorRecords();
    } else if (IsCursorOpen() && recordCount_ == 0) {
        GetNextRecords();
    }
}

void TDataSet::UpdateBufferCount() {
    int n = 1;
    for (TDataSource* s : sources_) n = std::max(n, s->MaxBufferCount());
    SetBufferCount(n);
}

void TDataSet::ClearBuffers() {
    recordCount_ = 0;
    activeRecord_ = 0;
    currentRecord_ = -1;
    bof_ = true;
    eof_ = true;
}

void TDataSet::ResetBufferBookkeeping() {
    ClearBuffers();
}

void TDataSet::ActivateBuffers() {
    recordCount_ = 1;
    activeRecord_ = 0;
    currentRecord_ = 0;
    bof_ = false;
    eof_ = false;
}

void TDataSet::MoveBuffer(int from, int to) {
    if (from == to) return;
    auto b = buffers_.begin();
    if (from < to) {
        std::rotate(b + from, b + from + 1, b + to + 1);
    } else {
        std::rotate(b + to, b + from, b + from + 1);
    }
}

void TDataSet::SetCurrentRecord(int index) {
    if (currentRecord_ == index) return;
    uint8_t* buf = Buffer(index);
    switch (GetBookmarkFlag(buf)) {
        case TBookmarkFlag::bfCurrent:
        case TBookmarkFlag::bfInserted:
            InternalSetToRecord(buf);
            break;
        case TBookmarkFlag::bfBOF:
            InternalFirst();
            break;
        case TBookmarkFlag::bfEOF:
            InternalLast();
            break;
    }
    currentRecord_ = index;
}

bool TDataSet::GetNextRecord() {
    if (recordCount_ > 0) SetCurrentRecord(recordCount_ - 1);
    if (GetRecord(Buffer(recordCount_), TGetMode::gmNext, true) != TGetResult::grOK) {
        CursorPosChanged();
        return false;
    }
    if (recordCount_ == 0) {
        ActivateBuffers();
    } else if (recordCount_ < bufferCount_) {
        ++recordCount_;
    } else {
        MoveBuffer(0, recordCount_);
    }
    currentRecord_ = recordCount_ - 1;
    return true;
}

bool TDataSet::GetPriorRecord() {
    if (recordCount_ > 0) SetCurrentRecord(0);
    if (GetRecord(Buffer(recordCount_), TGetMode::gmPrior, true) != TGetResult::grOK) {
        CursorPosChanged();
        return false;
    }
    if (recordCount_ == 0) {
        ActivateBuffers();
    } else {
        MoveBuffer(recordCount_, 0);
        if (recordCount_ < bufferCount_) {
            ++recordCount_;
            ++activeRecord_;
        }
    }
    currentRecord_ = 0;
    return true;
}

int TDataSet::GetNextRecords() {
    int n = 0;
    while (recordCount_ < bufferCount_ && GetNextRecord()) ++n;
    return n;
}

int TDataSet::GetPriorRecords() {
    int n = 0;
    while (recordCount_ < bufferCount_ && GetPriorRecord()) ++n;
    return n;
}

void TDataSet::UpdateCursorPos() {
    if (recordCount_ > 0) SetCurrentRecord(activeRecord_);
}

void TDataSet::SetActiveRecordIndex(int index) {
    // Quiet on purpose: a grid points at each row in turn to paint it.
    if (index >= 0 && index < recordCount_) activeRecord_ = index;
}

void TDataSet::Resync(TResyncMode mode) {
    if (mode.exact) {
        CursorPosChanged();
        if (GetRecord(Buffer(recordCount_), TGetMode::gmCurrent, true) != TGetResult::grOK)
            DatabaseError("Datensatz nicht gefunden");
    } else if (GetRecord(Buffer(recordCount_), TGetMode::gmCurrent, false) != TGetResult::grOK &&
               GetRecord(Buffer(recordCount_), TGetMode::gmNext, false) != TGetResult::grOK &&
               GetRecord(Buffer(recordCount_), TGetMode::gmPrior, false) != TGetResult::grOK) {
        ClearBuffers();
        DataEvent(TDataEvent::deDataSetChange, 0);
        return;
    }
    int count = mode.center ? (bufferCount_ - 1) / 2 : activeRecord_;
    MoveBuffer(recordCount_, 0);
    ActivateBuffers();
    while (count > 0 && GetPriorRecord()) --count;
    GetNextRecords();
    GetPriorRecords();
    DataEvent(TDataEvent::deDataSetChange, 0);
}

// ---------------------------------------------------------------- navigation

void TDataSet::DoBeforeScroll() {
    Fire(BeforeScroll);
}

void TDataSet::DoAfterScroll() {
    Fire(AfterScroll);
}

bool TDataSet::IsEmpty() const {
    return recordCount_ == 0 && bof_ && eof_;
}

void TDataSet::First() {
    CheckBrowseMode();
    DoBeforeScroll();
    ClearBuffers();
    InternalFirst();
    GetNextRecord();
    GetNextRecords();
    bof_ = true;
    if (recordCount_ == 0) eof_ = true;
    DataEvent(TDataEvent::deDataSetChange, 0);
    DoAfterScroll();
}

void TDataSet::Last() {
    CheckBrowseMode();
    DoBeforeScroll();
    ClearBuffers();
    InternalLast();
    GetPriorRecord();
    GetPriorRecords();
    eof_ = true;
    if (recordCount_ == 0) bof_ = true;
    DataEvent(TDataEvent::deDataSetChange, 0);
    DoAfterScroll();
}

int TDataSet::MoveBy(int distance) {
    CheckBrowseMode();
    int moved = 0;
    DoBeforeScroll();
    if ((distance > 0 && !eof_) || (distance < 0 && !bof_)) {
        bof_ = eof_ = false;
        const int oldCount = recordCount_;
        int scroll = 0;
        while (distance > 0) {
            if (activeRecord_ < recordCount_ - 1) {
                ++activeRecord_;
            } else {
                const int shift = recordCount_ < bufferCount_ ? 0 : 1;
                if (!GetNextRecord()) {
                    eof_ = true;
                    break;
                }
                scroll -= shift;
                if (activeRecord_ < recordCount_ - 1) ++activeRecord_;
            }
            --distance;
            ++moved;
        }
        while (distance < 0) {
            if (activeRecord_ > 0) {
                --activeRecord_;
            } else {
                const int shift = recordCount_ < bufferCount_ ? 0 : 1;
                if (!GetPriorRecord()) {
                    bof_ = true;
                    break;
                }
                scroll += shift;
                if (activeRecord_ > 0) --activeRecord_;
            }
            ++distance;
            --moved;
        }
        if (recordCount_ != oldCount) {
            DataEvent(TDataEvent::deDataSetChange, 0);
        } else {
            DataEvent(TDataEvent::deDataSetScroll, scroll);
        }
    }
    DoAfterScroll();
    return moved;
}

int TDataSet::RecordCount() {
    return recordCount_;
}

int TDataSet::RecNo() {
    return -1;
}

bool TDataSet::Locate(const std::string&, const std::vector<std::string>&, TLocateOptions) {
    return false;
}

std::vector<std::string> TDataSet::Lookup(const std::string&, const std::vector<std::string>&,
                                          const std::string&) {
    return {};
}

std::unique_ptr<TStream> TDataSet::CreateBlobStream(TField&, TBlobStreamMode) {
    return nullptr;
}

// ---------------------------------------------------------------- bookmarks

TBookmark TDataSet::GetBookmark() {
    TBookmark b;
    if (state_ == TDataSetState::dsInactive || recordCount_ == 0 || BookmarkSize <= 0) return b;
    const uint8_t* buf = ActiveBuffer();
    if (GetBookmarkFlag(buf) != TBookmarkFlag::bfCurrent) return b;
    b.resize(static_cast<size_t>(BookmarkSize));
    GetBookmarkData(buf, b.data());
    return b;
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
    if (bookmark.empty()) return;
    if (static_cast<int>(bookmark.size()) != BookmarkSize)
        DatabaseError("Ungültige Positionsmarke");
    CheckBrowseMode();
    DoBeforeScroll();
    InternalGotoBookmark(bookmark.data());
    Resync(TResyncMode{true, true});
    DoAfterScroll();
}

bool TDataSet::BookmarkValid(const TBookmark&) {
    return false;
}

int TDataSet::CompareBookmarks(const TBookmark&, const TBookmark&) {
    return 0;
}

// ---------------------------------------------------------------- changes

void TDataSet::InitRecord(uint8_t* buffer) {
    InternalInitRecord(buffer);
    ClearCalcFields(buffer);
    SetBookmarkFlag(buffer, TBookmarkFlag::bfInserted);
}

void TDataSet::GetCalcFields(uint8_t* buffer) {
    if (!HasCalcFields() && !OnCalcFields) return;
    const TDataSetState saved = SetTempState(TDataSetState::dsCalcFields);
    uint8_t* savedBuf = calcBuffer_;
    calcBuffer_ = buffer;
    try {
        ClearCalcFields(buffer);
        Fire(OnCalcFields);
    } catch (...) {
        calcBuffer_ = savedBuf;
        RestoreState(saved);
        throw;
    }
    calcBuffer_ = savedBuf;
    RestoreState(saved);
}

void TDataSet::DoOnNewRecord() {
    Fire(OnNewRecord);
}

void TDataSet::Edit() {
    if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert) return;
    if (recordCount_ == 0) {
        Insert();
        return;
    }
    CheckBrowseMode();
    if (!CanModify()) DatabaseError(Name + ": Datenmenge kann nicht verändert werden"_oem);
    Fire(BeforeEdit);
    CheckOperation(&TDataSet::InternalEdit, OnEditError);
    GetCalcFields(ActiveBuffer());
    SetState(TDataSetState::dsEdit);
    DataEvent(TDataEvent::deRecordChange, 0);
    Fire(AfterEdit);
}

void TDataSet::BeginInsertAppend() {
    CheckBrowseMode();
    if (!CanModify()) DatabaseError(Name + ": Datenmenge kann nicht verändert werden"_oem);
    Fire(BeforeInsert);
    DoBeforeScroll();
}

void TDataSet::EndInsertAppend() {
    SetState(TDataSetState::dsInsert);
    try {
        DoOnNewRecord();
    } catch (...) {
        UpdateCursorPos();
        SetState(TDataSetState::dsBrowse);
        Resync(TResyncMode{});
        throw;
    }
    modified_ = false;
    DataEvent(TDataEvent::deDataSetChange, 0);
    Fire(AfterInsert);
    DoAfterScroll();
}

void TDataSet::Insert() {
    BeginInsertAppend();
    const TBookmark old = GetBookmark();
    MoveBuffer(recordCount_, activeRecord_);
    uint8_t* buf = ActiveBuffer();
    InitRecord(buf);
    if (recordCount_ == 0) {
        SetBookmarkFlag(buf, TBookmarkFlag::bfBOF);
    } else if (!old.empty()) {
        SetBookmarkData(buf, old.data());
    }
    if (recordCount_ < bufferCount_) ++recordCount_;
    // The buffers behind the new one moved: the cursor no longer matches them.
    CursorPosChanged();
    InternalInsert();
    EndInsertAppend();
}

void TDataSet::Append() {
    BeginInsertAppend();
    ClearBuffers();
    uint8_t* buf = Buffer(0);
    InitRecord(buf);
    SetBookmarkFlag(buf, TBookmarkFlag::bfEOF);
    recordCount_ = 1;
    bof_ = false;
    GetPriorRecords();
    InternalInsert();
    EndInsertAppend();
}

void TDataSet::Post() {
    UpdateRecord();
    if (state_ != TDataSetState::dsEdit && state_ != TDataSetState::dsInsert) return;
    DataEvent(TDataEvent::deCheckBrowseMode, 0);
    Fire(BeforePost);
    CheckOperation(&TDataSet::InternalPost, OnPostError);
    SetState(TDataSetState::dsBrowse);
    Resync(TResyncMode{});
    Fire(AfterPost);
}

void TDataSet::Cancel() {
    if (state_ != TDataSetState::dsEdit && state_ != TDataSetState::dsInsert) return;
    DataEvent(TDataEvent::deCheckBrowseMode, 0);
    Fire(BeforeCancel);
    UpdateCursorPos();
    if (state_ == TDataSetState::dsEdit) InternalCancel();
    SetState(TDataSetState::dsBrowse);
    Resync(TResyncMode{});
    DoAfterCancel();
}

void TDataSet::Delete() {
    CheckActive();
    if (state_ == TDataSetState::dsInsert || state_ == TDataSetState::dsSetKey) {
        Cancel();
        return;
    }
    if (recordCount_ == 0)
        DatabaseError(Name + ": Operation bei leerer Datenmenge nicht möglich"_oem);
    DataEvent(TDataEvent::deCheckBrowseMode, 0);
    Fire(BeforeDelete);
    DoBeforeScroll();
    CheckOperation(&TDataSet::InternalDelete, OnDeleteError);
    SetState(TDataSetState::dsBrowse);
    Resync(TResyncMode{});
    Fire(AfterDelete);
    DoAfterScroll();
}

void TDataSet::Refresh() {
    CheckBrowseMode();
    UpdateCursorPos();
    InternalRefresh();
    Resync(TResyncMode{});
}

void TDataSet::CheckBrowseMode() {
    CheckActive();
    DataEvent(TDataEvent::deCheckBrowseMode, 0);
    switch (state_) {
        case TDataSetState::dsEdit:
        case TDataSetState::dsInsert:
            UpdateRecord();
            if (modified_) {
                Post();
            } else {
                Cancel();
            }
            break;
        case TDataSetState::dsSetKey:
            Post();
            break;
        default:
            break;
    }
}

void TDataSet::UpdateRecord() {
    if (state_ != TDataSetState::dsEdit && state_ != TDataSetState::dsInsert &&
        state_ != TDataSetState::dsSetKey)
        return;
    DataEvent(TDataEvent::deUpdateRecord, 0);
}

// ---------------------------------------------------------------- notifications

void TDataSet::DisableControls() {
    if (disableCount_++ == 0) stateChangedWhileDisabled_ = false;
}

void TDataSet::EnableControls() {
    if (disableCount_ == 0 || --disableCount_ > 0) return;
    if (stateChangedWhileDisabled_) Notify(TDataEvent::deUpdateState, 0);
    if (Active()) Notify(TDataEvent::deDataSetChange, 0);
}

void TDataSet::DataEvent(TDataEvent event, intptr_t info) {
    if (event == TDataEvent::deFieldChange) {
        auto* field = reinterpret_cast<TField*>(info);
        if (field && field->FieldKind() == TFieldKind::fkData &&
            state_ != TDataSetState::dsCalcFields) {
            modified_ = true;
            if (state_ != TDataSetState::dsSetKey) GetCalcFields(ActiveBuffer());
        }
        if (field) field->Change();
    }
    if (disableCount_ > 0) {
        if (event == TDataEvent::deUpdateState) stateChangedWhileDisabled_ = true;
        // Edits must still reach the controls before a post.
        if (event != TDataEvent::deUpdateRecord && event != TDataEvent::deCheckBrowseMode) return;
    }
    Notify(event, info);
}

void TDataSet::Notify(TDataEvent event, intptr_t info) {
    const auto sources = sources_;
    for (TDataSource* s : sources)
        if (std::find(sources_.begin(), sources_.end(), s) != sources_.end())
            s->DataEvent(event, info);
}

void TDataSet::AddDataSource(TDataSource* s) {
    sources_.push_back(s);
    if (Active()) UpdateBufferCount();
}

void TDataSet::RemoveDataSource(TDataSource* s) {
    std::erase(sources_, s);
}

// ---------------------------------------------------------------- data source

TDataSource::~TDataSource() {
    SetDataSet(nullptr);
    for (TDataLink* l : links_) l->source_ = nullptr;
}

void TDataSource::SetDataSet(TDataSet* ds) {
    if (ds == dataSet_) return;
    if (dataSet_) dataSet_->RemoveDataSource(this);
    dataSet_ = ds;
    if (dataSet_) dataSet_->AddDataSource(this);
    for (TDataLink* l : links_) l->UpdateState();
    NotifyState();
}

void TDataSource::SetEnabled(bool on) {
    enabled_ = on;
    for (TDataLink* l : links_) l->UpdateState();
    NotifyState();
}

TDataSetState TDataSource::State() const {
    return dataSet_ && enabled_ ? dataSet_->State() : TDataSetState::dsInactive;
}

int TDataSource::MaxBufferCount() const {
    int n = 1;
    for (const TDataLink* l : links_) n = std::max(n, l->BufferCount());
    return n;
}

void TDataSource::NotifyState() {
    if (State() != lastState_) {
        lastState_ = State();
        if (OnStateChange) OnStateChange(*this);
    }
}

void TDataSource::DataEvent(TDataEvent event, intptr_t info) {
    if (!enabled_) return;
    if (event == TDataEvent::deUpdateState) {
        for (TDataLink* l : std::vector<TDataLink*>(links_)) l->UpdateState();
        NotifyState();
        return;
    }
    const auto links = links_;
    for (TDataLink* l : links)
        if (std::find(links_.begin(), links_.end(), l) != links_.end()) l->DataEvent(event, info);
    if (event == TDataEvent::deFieldChange || event == TDataEvent::deRecordChange ||
        event == TDataEvent::deDataSetChange || event == TDataEvent::deDataSetScroll ||
        event == TDataEvent::deLayoutChange) {
        if (OnDataChange)
            OnDataChange(*this, event == TDataEvent::deFieldChange ? reinterpret_cast<TField*>(info)
                                                                   : nullptr);
    } else if (event == TDataEvent::deUpdateRecord && OnUpdateData) {
        OnUpdateData(*this);
    }
}

// ---------------------------------------------------------------- data link

TDataLink::~TDataLink() {
    SetDataSource(nullptr);
}

void TDataLink::SetDataSource(TDataSource* source) {
    if (source == source_) return;
    if (source_) std::erase(source_->links_, this);
    source_ = source;
    if (source_) {
        source_->links_.push_back(this);
        if (TDataSet* ds = source_->DataSet(); ds && ds->Active()) ds->UpdateBufferCount();
    }
    UpdateState();
}

TDataSet* TDataLink::DataSet() const {
    return source_ ? source_->DataSet() : nullptr;
}

bool TDataLink::Active() const {
    return active_;
}

void TDataLink::SetBufferCount(int n) {
    bufferCount_ = std::max(n, 1);
    if (TDataSet* ds = DataSet(); ds && ds->Active()) {
        ds->UpdateBufferCount();
        AdjustFirst();
    }
}

void TDataLink::AdjustFirst() {
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active()) {
        firstRecord_ = 0;
        return;
    }
    const int active = ds->ActiveRecordIndex();
    if (active < firstRecord_) firstRecord_ = active;
    if (active >= firstRecord_ + bufferCount_) firstRecord_ = active - bufferCount_ + 1;
    firstRecord_ = std::clamp(firstRecord_, 0, std::max(0, ds->BufferRecordCount() - 1));
}

int TDataLink::ActiveRecord() const {
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active()) return 0;
    return ds->ActiveRecordIndex() - firstRecord_;
}

void TDataLink::SetActiveRecord(int n) {
    if (TDataSet* ds = DataSet(); ds && ds->Active()) ds->SetActiveRecordIndex(firstRecord_ + n);
}

int TDataLink::RecordCount() const {
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active()) return 0;
    return std::clamp(ds->BufferRecordCount() - firstRecord_, 0, bufferCount_);
}

bool TDataLink::Edit() {
    if (!active_) return false;
    TDataSet* ds = DataSet();
    if (!editing_) ds->Edit();
    return editing_;
}

void TDataLink::UpdateRecord() {
    updating_ = true;
    try {
        UpdateData();
    } catch (...) {
        updating_ = false;
        throw;
    }
    updating_ = false;
}

void TDataLink::UpdateState() {
    const TDataSetState st = source_ ? source_->State() : TDataSetState::dsInactive;
    const bool active = st != TDataSetState::dsInactive && st != TDataSetState::dsOpening;
    if (active != active_) {
        active_ = active;
        firstRecord_ = 0;
        ActiveChanged();
    }
    const bool editing = st == TDataSetState::dsEdit || st == TDataSetState::dsInsert ||
                         st == TDataSetState::dsSetKey;
    if (editing != editing_) {
        editing_ = editing;
        EditingChanged();
    }
}

void TDataLink::DataEvent(TDataEvent event, intptr_t info) {
    if (!active_ && event != TDataEvent::deUpdateState) return;
    switch (event) {
        case TDataEvent::deFieldChange:
        case TDataEvent::deRecordChange:
            if (!updating_) RecordChanged(reinterpret_cast<TField*>(info));
            break;
        case TDataEvent::deDataSetChange:
            AdjustFirst();
            DataSetChanged();
            break;
        case TDataEvent::deDataSetScroll: {
            const int before = firstRecord_;
            firstRecord_ += static_cast<int>(info);
            AdjustFirst();
            DataSetScrolled(firstRecord_ - before);
            break;
        }
        case TDataEvent::deLayoutChange:
            AdjustFirst();
            LayoutChanged();
            break;
        case TDataEvent::deUpdateRecord:
            UpdateRecord();
            break;
        case TDataEvent::deCheckBrowseMode:
            CheckBrowseMode();
            break;
        case TDataEvent::deFocusControl:
            FocusControl(reinterpret_cast<TField*>(info));
            break;
        case TDataEvent::deUpdateState:
            UpdateState();
            break;
    }
}

}  // namespace kor2
