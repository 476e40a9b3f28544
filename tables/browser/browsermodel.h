// The table browser's model: the one dBase table that the procedural table
// interface and the database menu work on, with its navigation, search, sort,
// export and print commands. The Qt window binds to it through Dbf4Window.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/dataset.h"
#include "platform/real48.h"
#include "tables/dataset/filedataset.h"

namespace kor2 {

class Tdbf4;

// How the browser window was left.
enum class BrowserResult { Ok, Cancelled };

// What only a window can do. The form layer registers one; without it
// (tests, batch runs) showing the browser returns at once as cancelled.
class Dbf4Window {
public:
    virtual ~Dbf4Window() = default;
    // Shows the browser modally over browser's table and returns when it is
    // closed. The window reads the mode from the model (caption, EditMode,
    // CloseOnPick, labels) and leaves through AcceptAndClose or
    // Button_cancelClick, which call CloseWindow.
    virtual BrowserResult ShowModal(Tdbf4& browser) = 0;
    // Closes the modal window with that result.
    virtual void CloseWindow(BrowserResult result) = 0;
    // The grid's current column and row (0-based), kept when leaving with OK.
    virtual int GridColumn() = 0;
    virtual int GridRow() = 0;
    // A message shown over the browser (code page 850).
    virtual void ShowMessage(std::string_view text) = 0;
    // Brings the browser back to the front (after a help picture).
    virtual void BringToFront() {}
};

// Registers the window (nullptr: none). The caller keeps it alive.
void SetDbf4Window(Dbf4Window* window);
Dbf4Window* GetDbf4Window();

class Tdbf4 {
public:
    Tdbf4();
    Tdbf4(const Tdbf4&) = delete;
    Tdbf4& operator=(const Tdbf4&) = delete;

    // ---- components that carry state ------------------------------------
    // Every text here is in code page 850, as everywhere inside the
    // program; the window converts at its widget boundary.
    TTbDbf tbdbf;        // the table
    TDataSource tbdbf0;  // the grid's and navigator's data source
    std::string Caption = "dbf4";
    std::string Label_title1;
    std::string Label_title2;
    std::string Label_filename;  // full path of the open table
    std::string Label_recno;     // "n/m": the current record and the record count
    std::string mi_helpdbfCaption;
    // Edit mode (any Mode but 1): all ten navigator buttons, the append and
    // edit menu items, grid editing. View mode: first/prior/next/last only.
    bool EditMode = true;
    bool CloseOnPick = false;
    std::string SearchTextValue;  // the last search text
    bool Found = false;           // outcome of the last key search
    // The field whose title click put the rows in their order; empty while
    // they are in another order (record order, an index set by a caller).
    // The window marks that title and no other.
    std::string SortField;

    // ---- methods of the procedural interface ----------------------------
    void OpenTable(const std::string& fileName);
    // The write check of DbfOpenTableChecked without the read-only test.
    void OpenTableChecked(const std::string& fileName);
    void EditTableFile(const std::string& fileName, uint16_t helpContext);
    // Mode 1 view and pick, else edit; Action "CLOSE": every pick closes.
    BrowserResult ShowTable(const std::string& action, int mode);
    void SetTitles(const std::string& title1, const std::string& title2);
    void AcceptAndClose();
    void GoRecord(int32_t recNo);
    void GoTop();
    void CloseTable();
    bool IsEof();
    void AppendBlankRecord();
    int32_t GetRecNo();
    void SkipRecords(int32_t n);
    int32_t GetRecordCount();
    void PackTable();
    int GetDbfError() { return 0; }
    void EndDbfError() {}
    void ResetDbfError() {}
    void SearchText(const std::string& text, bool& found, bool fromTop);
    void CreateIndexFile(const std::string& keyExpr, const std::string& fileName);
    void SetIndexFile(const std::string& name);
    void FindKey(const std::string& key);
    bool GetFound() const { return Found; }
    void GetFieldAsString(int fieldNo, std::string& s);
    void SetFieldAsString(int fieldNo, const std::string& value);
    void SetFieldAsFloat(int fieldNo, const Real48& value);
    void SetFieldAsInteger(int fieldNo, int32_t value);
    void SetFieldAsStringByName(const std::string& name, const std::string& value);
    void SetFieldAsFloatByName(const std::string& name, const Real48& value);
    void SetFieldAsIntegerByName(const std::string& name, int32_t value);
    void SetFieldAsBooleanByName(const std::string& name, bool value);
    void GetFieldName(int fieldNo, std::string& name);
    bool GetFieldAsBooleanByName(const std::string& name);
    int GetFieldCount();

    // ---- window events (the window forwards them) ------------------------
    // Failures of the data-set layer arrive as exceptions ("Dataset error: ")
    // and end the command; the window catches them and stays open.
    void FormShow();
    void Button_cancelClick();
    void Button_searchClick();
    void Button_SearchNextClick();
    void TbGrid1CellClick();
    void TbGrid1KeyDown(int key);
    // The keys on which TbGrid1KeyDown picks the record and closes; every
    // other key belongs to the grid (and to the cell being typed into).
    bool KeyPicks(int key) const;
    // Label_recno from the data set's position; the window calls it at
    // every move and change while it shows.
    void ShowRecordPosition();
    // The table could only be opened for reading (another account's table,
    // a file of mode 0444): it is shown, searched and exported, not changed.
    bool ReadOnlyTable() const { return tbdbf.ReadOnly; }
    // For a read-only table: tells the user that it cannot be changed and
    // gives true; the commands that change the table ask it first.
    bool RefusedAsReadOnly();
    // The close box or Alt+F4: a changed record is posted as OK posts it
    // (Ja), dropped as Abbrechen drops it (Nein), or the window stays open
    // (Abbrechen of the question).
    void FormCloseQuery();
    // Sort by the clicked column (0-based) through "$vrxtemp.ndx" in TempFolder.
    // A sort that cannot be done is told in words; the rows keep their order.
    void TbGrid1DepressTitle(int column);
    void mi_fileExportHtmlClick();
    // Writes the HTML export to fileName; false on an output error.
    bool ExportHtml(const std::string& fileName);
    void mi_fileSaveAsDelimitedClick();
    void mi_fileAppenddbfClick();
    void mi_fileAppendDelimitedClick();
    void mi_filePrintClick();
    void mi_editAppendClick();
    void mi_editPackClick();
    void mi_helpdbfClick();
    void mi_helpCommonClick();
    void mi_helphilfebildClick();
    void mi_helpDateiClick();

private:
    bool InRange(int fieldNo);
    void EnsureEditing();
    void Message(std::string_view text);
    void ClosePicked();
};

// The one browser instance, created on first use.
Tdbf4& dbf4();
// Start-up: closes a table left open and resets the browser's state.
void InitW32Tables();

}  // namespace kor2
