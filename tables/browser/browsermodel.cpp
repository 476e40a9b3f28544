// The table browser's model: opens the one table of the procedural interface,
// forwards its commands to the dBase table component and carries the logic of
// the browser window's buttons and menu items. The window binds through Dbf4Window.
#include "tables/browser/browsermodel.h"

#include <algorithm>
#include <string>
#include <vector>

#include "common/dialogs.h"
#include "common/fileops.h"
#include "common/filepath.h"
#include "common/globals.h"
#include "common/helptext.h"
#include "common/msgbox.h"
#include "common/textutil.h"
#include "graphics/window/graphwin.h"
#include "platform/codepage.h"
#include "platform/field.h"
#include "platform/oemtext.h"
#include "platform/progfiles.h"
#include "platform/sysclock.h"
#include "tables/area/workareas.h"
#include "tables/base/commandtext.h"
#include "tables/base/engineerror.h"
#include "tables/base/filenames.h"
#include "tables/browser/procedural.h"

namespace kor2 {

namespace {

Dbf4Window* g_window = nullptr;

constexpr uint16_t kAccessDenied = 5;  // the engine's "Dateizugriff verweigert"

// A record of the table is being edited or inserted.
bool Editing(TTbDbf& t) {
    return t.Active() &&
           (t.State() == TDataSetState::dsEdit || t.State() == TDataSetState::dsInsert);
}

// Hourglass for a scope; the arrow comes back on every way out.
class Hourglass {
public:
    Hourglass() { SetHourglassCursor(); }
    ~Hourglass() { SetArrowCursor(); }
    Hourglass(const Hourglass&) = delete;
    Hourglass& operator=(const Hourglass&) = delete;
};

bool SameFolder(std::string a, std::string b) {
    auto lower = [](std::string& s) {
        std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) {
            return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        });
    };
    lower(a);
    lower(b);
    return a == b;
}

}  // namespace

void SetDbf4Window(Dbf4Window* window) { g_window = window; }
Dbf4Window* GetDbf4Window() { return g_window; }

Tdbf4::Tdbf4() {
    tbdbf.Name = "tbdbf";
    tbdbf.SetHideDeletedRecs(false);
    tbdbf.TableLanguage = tlOem;
    tbdbf.ReadOnly = false;
    tbdbf.CreateIndex = ciNotFound;
    tbdbf.SetExclusive(false);
    tbdbf0.SetDataSet(&tbdbf);
}

Tdbf4& dbf4() {
    static Tdbf4 instance;
    return instance;
}

void InitW32Tables() {
    Tdbf4& b = dbf4();
    if (b.tbdbf.Active()) b.CloseTable();
    b.tbdbf.DbfFields.clear();
    b.Caption = "dbf4";
    b.Label_title1.clear();
    b.Label_title2.clear();
    b.Label_filename.clear();
    b.Label_recno.clear();
    b.mi_helpdbfCaption.clear();
    b.EditMode = true;
    b.CloseOnPick = false;
    b.SearchTextValue.clear();
    b.Found = false;
    b.SortField.clear();
}

// ---------------------------------------------------------------- opening

void Tdbf4::OpenTable(const std::string& fileName) {
    Hourglass busy;
    SortField.clear();
    tbdbf.SetDbfFileName(fileName);
    tbdbf.ReadOnly = false;
    try {
        tbdbf.SetActive(true);
    } catch (const std::exception&) {
        // A table this account may read but not write opens for reading.
        if (EngineErrorCode != kAccessDenied || tbdbf.Active()) throw;
        tbdbf.ReadOnly = true;
        tbdbf.SetActive(true);
    }
    Label_filename = fileName;
}

void Tdbf4::OpenTableChecked(const std::string& fileName) {
    const std::string path = CheckedTablePath(fileName, false);
    if (!AbortFlag) OpenTable(path);
}

void Tdbf4::EditTableFile(const std::string& fileName, uint16_t helpContext) {
    OpenTableChecked(fileName);
    if (AbortFlag) return;
    SetTitles("", fileName);
    HelpNumber = helpContext;
    ShowTable("", 2);
    CloseTable();
}

void Tdbf4::CloseTable() {
    SortField.clear();
    tbdbf.SetActive(false);
    tbdbf.ReadOnly = false;
    SetArrowCursor();
}

void Tdbf4::SetTitles(const std::string& title1, const std::string& title2) {
    Label_title1 = title1;
    Label_title2 = title2;
    mi_helpdbfCaption = title2;
}

// ---------------------------------------------------------------- the window

BrowserResult Tdbf4::ShowTable(const std::string& action, int mode) {
    mi_helpdbfCaption = Label_title2;
    EditMode = mode != 1;
    if (!EditMode) {
        Caption = Label_title2 + "   " + Label_title1;
        tbdbf.SetHideDeletedRecs(true);
    } else {
        Caption = Label_title2 + "  " + Label_title1 + "  (" + platform::DisplayPath(Label_filename) + ")";
        tbdbf.SetHideDeletedRecs(false);
        if (SameFolder(ExtractFilePathL(Label_filename), RunTempFolder()))
            Message("Kein Schreibrecht für dbf-Ordner !  Bearbeitung im Temporär-Ordner."_oem);
    }
    if (ReadOnlyTable()) Caption += "  [schreibgeschützt]"_oem;
    CloseOnPick = action == "CLOSE";
    if (g_window == nullptr) {
        AbortFlag = true;
        LastKeyCode = 27;
        return BrowserResult::Cancelled;
    }
    return g_window->ShowModal(*this);
}

void Tdbf4::AcceptAndClose() {
    AbortFlag = false;
    if (Editing(tbdbf)) tbdbf.Post();
    LastKeyCode = 13;
    DbfPickedRecNo = tbdbf.Active() ? GetRecNo() : 0;
    if (g_window != nullptr) {
        BrowserGridState[0] = g_window->GridColumn();
        BrowserGridState[1] = g_window->GridRow();
        g_window->CloseWindow(BrowserResult::Ok);
    }
}

void Tdbf4::Button_cancelClick() {
    AbortFlag = true;
    LastKeyCode = 27;
    // Leaving without OK drops a change also for callers that keep the table
    // open and read the current record afterwards.
    if (Editing(tbdbf)) tbdbf.Cancel();
    if (g_window != nullptr) g_window->CloseWindow(BrowserResult::Cancelled);
}

void Tdbf4::FormCloseQuery() {
    if (Editing(tbdbf) && tbdbf.Modified()) {
        AbortFlag = false;
        if (MessageBoxYesNo("Änderung des Datensatzes speichern ?"_oem)) {
            AcceptAndClose();
            return;
        }
        if (AbortFlag) {
            AbortFlag = false;  // the question's Abbrechen: the window stays open
            return;
        }
    }
    Button_cancelClick();
}

void Tdbf4::FormShow() {
    Label_recno.clear();
    ShowRecordPosition();
}

bool Tdbf4::RefusedAsReadOnly() {
    if (!ReadOnlyTable()) return false;
    Message("Die Tabelle ist schreibgeschützt: Ändern, Einfügen, Löschen und Packen sind "
            "nicht möglich."_oem);
    return true;
}

void Tdbf4::ShowRecordPosition() {
    // A record being inserted has no number yet: the counter keeps the last.
    if (tbdbf.Active() && tbdbf.State() != TDataSetState::dsInsert)
        Label_recno = std::to_string(GetRecNo()) + "/" + std::to_string(GetRecordCount());
}

void Tdbf4::TbGrid1CellClick() {
    ShowRecordPosition();
    if (CloseOnPick) AcceptAndClose();
}

bool Tdbf4::KeyPicks(int key) const { return CloseOnPick && (key == 38 || key == 40); }

void Tdbf4::TbGrid1KeyDown(int key) {
    if (KeyPicks(key)) AcceptAndClose();
}

void Tdbf4::Message(std::string_view text) {
    if (g_window != nullptr) {
        g_window->ShowMessage(text);
    } else {
        Dialogs().Message(MsgStyle::Plain, "", text);
    }
}

// ---------------------------------------------------------------- navigation

void Tdbf4::GoRecord(int32_t recNo) { tbdbf.Go(recNo); }
void Tdbf4::GoTop() { tbdbf.First(); }
bool Tdbf4::IsEof() { return tbdbf.Eof(); }
int32_t Tdbf4::GetRecNo() { return tbdbf.RecNo(); }
void Tdbf4::SkipRecords(int32_t n) { tbdbf.Skip(n); }
int32_t Tdbf4::GetRecordCount() { return tbdbf.RecCount(); }

void Tdbf4::AppendBlankRecord() {
    // Values assigned since the last post were written through to the work
    // area's record buffer: they go into the new record. The current record
    // stays as stored; its pending edit is cancelled rather than posted.
    if (Editing(tbdbf)) {
        tbdbf.SelectWorkArea("AppendBlankRecord");
        DbfArea* area = WorkAreas[tbdbf.WorkArea()].get();
        BufferToRecord();
        std::string pending = area != nullptr ? area->record : std::string();
        tbdbf.Cancel();
        tbdbf.SelectWorkArea("AppendBlankRecord");
        if (area != nullptr && !pending.empty() && pending.size() == area->record.size()) {
            pending[0] = ' ';  // the new record is not marked as deleted
            area->record = pending;
            RecordToBuffer();
        }
    }
    if (!tbdbf.ALock()) return;
    EndOfWork unlock([this] { tbdbf.UnLock(); });
    tbdbf.AppendRec();
    unlock.End();
}

void Tdbf4::PackTable() {
    Hourglass busy;
    tbdbf.Pack();
}

void Tdbf4::mi_editPackClick() {
    if (!RefusedAsReadOnly()) PackTable();
}

// ---------------------------------------------------------------- search and indexes

void Tdbf4::SearchText(const std::string& text, bool& found, bool fromTop) {
    int fieldSelector = 0;  // all fields
    // The engine meets records in the Windows character set (a DOS table's
    // records are translated as they are read); the text arrives in DOS.
    std::vector<std::string> texts{platform::OemToChar(text)};
    // A number is also found as the table stores it: "8,25" is read as an
    // edit of a number field reads it, and found where 8.25 stands.
    double value = 0;
    std::string number;
    if (ReadFloatText(text, value, &number) && number != text) texts.push_back(number);
    tbdbf.Search(texts, fieldSelector, fromTop);
    found = fieldSelector != 0;
}

void Tdbf4::CreateIndexFile(const std::string& keyExpr, const std::string& fileName) {
    Hourglass busy;
    SortField.clear();  // the new index is in control
    tbdbf.IndexOn(keyExpr, QuoteName(fileName));
}

void Tdbf4::SetIndexFile(const std::string& name) {
    Hourglass busy;
    SortField.clear();
    // The path as one name of the list: it may hold blanks.
    tbdbf.SetIndexTo(std::vector<std::string>{name + ".ndx"});
}

void Tdbf4::FindKey(const std::string& key) {
    Hourglass busy;
    const std::string k = key.substr(0, 100);
    Found = tbdbf.Find(k);
    if (!Found && k.find('.') != std::string::npos) {
        std::string comma = k;
        std::replace(comma.begin(), comma.end(), '.', ',');
        Found = tbdbf.Find(comma);
    }
}

void Tdbf4::Button_searchClick() {
    const uint16_t savedHelp = HelpNumber;
    HelpNumber = 2450;
    std::string text = SearchTextValue;
    // The standard text dialog (its header clashes with the engine's names).
    std::string edited = Dialogs().EditText("Suchbegriff eingeben", 50, text);
    if (!AbortFlag) {
        text = std::move(edited);
        SearchTextValue = text;
        bool found = false;
        {
            Hourglass busy;
            SearchText(text, found, true);
        }
        if (!found) Message(text + " " + "nicht gefunden");
    } else {
        AbortFlag = false;
    }
    HelpNumber = savedHelp;
    if (CloseOnPick) AcceptAndClose();
}

void Tdbf4::Button_SearchNextClick() {
    bool found = false;
    {
        Hourglass busy;
        SearchText(SearchTextValue, found, false);
    }
    if (!found) Message(SearchTextValue + " " + "nicht gefunden");
    if (CloseOnPick) AcceptAndClose();
}

void Tdbf4::TbGrid1DepressTitle(int column) {
    DbfPickedRecNo = GetRecNo();
    std::string name;
    GetFieldName(column + 1, name);
    if (name.empty()) return;
    const std::string base = RunTempFolder() + "$vrxtemp";
    try {
        Hourglass busy;
        tbdbf.IndexOn(name, QuoteName(base));
        tbdbf.SetIndexTo(std::vector<std::string>{base + ".ndx"});
    } catch (const std::exception& e) {
        // Rows in record order are sorted by no title; otherwise the index
        // in control before stays so.
        if (tbdbf.IsSequenced()) SortField.clear();
        Message("Die Tabelle kann nicht nach " + name + " sortiert werden.\r\n" + e.what());
        if (tbdbf.Active() && DbfPickedRecNo > 0) GoRecord(DbfPickedRecNo);
        return;
    }
    SortField = name;
    GoRecord(DbfPickedRecNo);
}

// ---------------------------------------------------------------- fields

bool Tdbf4::InRange(int fieldNo) { return fieldNo >= 1 && fieldNo <= GetFieldCount(); }

int Tdbf4::GetFieldCount() { return tbdbf.FieldCount(); }

void Tdbf4::GetFieldName(int fieldNo, std::string& name) {
    name.clear();
    if (InRange(fieldNo)) tbdbf.Field(fieldNo, name);
}

void Tdbf4::GetFieldAsString(int fieldNo, std::string& s) { tbdbf.SField(fieldNo, s); }

void Tdbf4::SetFieldAsString(int fieldNo, const std::string& value) {
    std::string name;
    GetFieldName(fieldNo, name);
    if (!name.empty()) SetFieldAsStringByName(name, value);
}

void Tdbf4::SetFieldAsFloat(int fieldNo, const Real48& value) {
    std::string name;
    GetFieldName(fieldNo, name);
    if (!name.empty()) SetFieldAsFloatByName(name, value);
}

void Tdbf4::SetFieldAsInteger(int fieldNo, int32_t value) {
    std::string name;
    GetFieldName(fieldNo, name);
    if (!name.empty()) SetFieldAsIntegerByName(name, value);
}

void Tdbf4::SetFieldAsStringByName(const std::string& name, const std::string& value) {
    tbdbf.SetFieldString(name.substr(0, 10), value);
}

void Tdbf4::SetFieldAsFloatByName(const std::string& name, const Real48& value) {
    tbdbf.SetFieldFloat(name.substr(0, 10), value);
}

void Tdbf4::SetFieldAsIntegerByName(const std::string& name, int32_t value) {
    tbdbf.SetFieldInteger(name.substr(0, 10), value);
}

void Tdbf4::SetFieldAsBooleanByName(const std::string& name, bool value) {
    tbdbf.SetFieldBoolean(name.substr(0, 10), value);
}

bool Tdbf4::GetFieldAsBooleanByName(const std::string& name) {
    return tbdbf.FieldAsBoolean(name.substr(0, 10));
}

}  // namespace kor2
