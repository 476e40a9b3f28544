// In-memory data set: records live in a virtual file kept as a queue, stack,
// by insertion place or by key; loaded from a .dbf on open and written back on
// close when asked. TTbVFile is the component the table browser carries.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tables/dataset/commandds.h"

namespace kor2 {

enum LStatusType : uint8_t { FIFO, LIFO, INSERTION, ASCENDING, DESCENDING };

class TTbLLDataSet : public TTbCDataSet {
public:
    TTbLLDataSet() = default;
    ~TTbLLDataSet() override;

    // Load DbfFileName into memory on open; write the records back on close when changed.
    bool PopulateFromDisk = false;
    bool SaveToDisk = false;
    TTbKeyMaker KeyMaker;

    LStatusType AppendMode() const { return appendMode_; }
    void SetAppendMode(LStatusType mode);
    // Records changed since the last load or save.
    bool TableModified() const { return modified_; }

    // Loads DbfFileName (when it exists) into the virtual file.
    virtual void LoadFromDisk();
    // Writes the records to DbfFileName (when set), creating it anew.
    virtual void Save();

    bool IsVirtualTable() override { return true; }
    bool CanModify() override { return true; }

protected:
    bool OpenDbfFile(const std::string& fileName) override;
    void s_AppendWithLock() override;
    void s_DeleteWithLock() override;
    void s_RestoreWithLock() override;
    void s_ReplaceWithLock() override;
    void CloseDbfHook() override;
    void TableChanged() override { modified_ = true; }
    int32_t TbiClose() override;
    void DoAfterOpen() override;

private:
    void InstallKeyMaker();
    std::string MakeKey();
    bool CopyRecords(bool toDisk);  // false when a record could not be copied

    bool modified_ = false;
    LStatusType appendMode_ = FIFO;
    std::vector<uint8_t> recordBuffer_;  // the virtual file's record buffer
};

class TTbVFile : public TTbLLDataSet {};

}  // namespace kor2
