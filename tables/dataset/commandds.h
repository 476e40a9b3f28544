// dBase-style commands on a data set (go, skip, search, append, pack, field
// texts) that keep grids and navigators in step with the work area. Base of
// the file data set and the in-memory data set.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/real48.h"
#include "tables/dataset/dbfdataset.h"

namespace kor2 {

// A key of the record in the data set's active buffer (sort and index keys).
using TTbKeyMaker = std::function<std::string()>;

class TTbCDataSet : public TTbDataSet {
public:
    // Notification methods: the first runs after every SyncWorkArea; all three
    // are cleared when the table is closed.
    std::function<void()> OnSync;
    std::function<void()> OnNotify2;
    std::function<void()> OnNotify3;
    // Set: the work area follows every scroll; clear: each command positions it first.
    bool SyncFlag = false;
    bool ReadOnly = false;

    void AppendRec();
    void AppendFrom(const std::string& fileName);
    bool Pack();
    void Field(int fieldNo, std::string& name);
    int FieldCount();
    int FieldLen(int fieldNo);
    void Go(int32_t recNo);
    void Search(const std::string& text, int& found, bool fromTop);
    // The first record that holds any of the texts.
    void Search(const std::vector<std::string>& texts, int& found, bool fromTop);
    void SField(int fieldNo, std::string& s);
    void Skip(int32_t n);
    void MoveFirst() { First(); }
    bool Eof() const { return TDataSet::Eof(); }
    int32_t RecCount();
    bool FieldAsBoolean(const std::string& name);
    void SetFieldString(const std::string& name, const std::string& value);
    void SetFieldBoolean(const std::string& name, bool value);
    void SetFieldInteger(const std::string& name, int32_t value);
    void SetFieldFloat(const std::string& name, const Real48& value);

    void SyncWorkArea() override;
    bool CanModify() override { return !ReadOnly; }

protected:
    // Calls a key maker with the work area's record loaded into the active
    // buffer, which is saved before and restored after.
    std::string KeyOfAreaRecord(const TTbKeyMaker& keyMaker);
    // Selects the work area and puts it on the current record unless the sync flag keeps it there.
    void PositionWorkArea(const std::string& context);
    void CloseDbfHook() override;
    void DoAfterScroll() override;
    void DoAfterCancel() override;

private:
    TField& EditField(const std::string& name);
};

}  // namespace kor2
