// The procedural table interface: each Dbf... procedure forwards to the one
// browser model dbf4. Called by the material table code and the shell.
#include "tables/browser/procedural.h"

#include <map>

#include "common/fileops.h"
#include "common/filepath.h"
#include "common/globals.h"
#include "common/msgbox.h"
#include "common/textfile.h"
#include "common/textutil.h"
#include "graphics/window/graphwin.h"
#include "platform/hostfs.h"
#include "tables/browser/browsermodel.h"

namespace kor2 {

namespace {

// True when a text file can be created and written in folder (which ends
// in "\"); the probe file is removed again.
bool FolderWritable(const std::string& folder) {
    // A new file of its own name: another run's probe is never touched.
    const std::string probe = platform::TempFileName(folder, "TST");
    if (probe.empty()) return false;
    TextFile f;
    f.Assign(probe);
    const bool ok = f.Rewrite() && f.WriteLine("DBF Write Check") && f.Close();
    if (!ok) f.Discard();
    platform::EraseFile(probe);
    return ok;
}

// The working copies this run made in its own temporary folder, each with
// the table it copies (both upper-cased). The run goes on working on its
// copy: copying the table over it again would lose what was changed there.
std::map<std::string, std::string>& WorkingCopies() {
    static std::map<std::string, std::string> copies;
    return copies;
}

// Copies fileName from DbfFolder to the run's temporary folder and returns
// the copy's path (writable); empty with AbortFlag set when the copy failed.
// A copy of the same table made before in this run is used as it is.
std::string CopyToTemp(const std::string& fileName) {
    const std::string folder = RunTempFolder();
    const std::string target = folder + fileName;
    const std::string source = UpperCaseStr(AddBackslash(DbfFolder) + fileName);
    auto& copies = WorkingCopies();
    const auto made = copies.find(UpperCaseStr(target));
    if (made != copies.end() && made->second == source && platform::FileExists(target))
        return target;
    copies.erase(UpperCaseStr(target));
    // A read-only copy made earlier in this run would refuse the new one.
    if (platform::FileExists(target)) platform::SetReadOnly(target, false);
    CopyMatchingFiles(fileName, DbfFolder, folder);
    if (AbortFlag) return {};
    platform::SetReadOnly(target, false);
    copies[UpperCaseStr(target)] = source;
    return target;
}

}  // namespace

std::string CheckedTablePath(const std::string& fileName, bool copyReadOnly) {
    std::string name = fileName;
    if (name.find('.') == std::string::npos) name += ".dbf";
    const std::string folder = AddBackslash(DbfFolder);
    const std::string path = folder + name;
    CheckFileReadable(path);
    if (AbortFlag) return {};
    if (!FolderWritable(folder)) return CopyToTemp(name);
    if (copyReadOnly) {
        const auto attr = platform::GetFileAttributes(path);
        if (attr && (*attr & platform::faReadOnly)) return CopyToTemp(name);
    }
    return path;
}

// ---------------------------------------------------------------- opening and closing

void DbfOpenTableChecked(const std::string& fileName) {
    const std::string path = CheckedTablePath(fileName, true);
    if (!AbortFlag) DbfOpenTable(path);
}

void DbfOpenTable(const std::string& fileName) {
    DbfResetError();
    dbf4().OpenTable(fileName);
    DbfEndError();
    DbfGetError();
}

void DbfCloseTable() { dbf4().CloseTable(); }

// The titles stay in code page 850: the window converts them for display.
void DbfSetTitles(const std::string& title1, const std::string& title2) {
    dbf4().SetTitles(title1, title2);
}

void DbfShowTable(const std::string& action, int mode) { dbf4().ShowTable(action, mode); }

// ---------------------------------------------------------------- positioning

void DbfGoTop() { dbf4().GoTop(); }

void DbfGoRecord(int32_t n) {
    const int32_t count = dbf4().GetRecordCount();
    if (count == 0) return;  // no record to go to: the table stays at its end
    if (n < 1 || n > count) n = 1;
    dbf4().GoRecord(n);
}

void DbfGoRecordChecked(int32_t recNo) {
    DbfResetError();
    const int32_t count = dbf4().GetRecordCount();
    if (recNo > count) {
        AddErrorMessage("DBF #" + std::to_string(recNo) + " not found.");
        recNo = count;
    }
    DbfGoRecord(recNo);
    DbfEndError();
    DbfGetError();
}

void DbfSkip(int32_t n) { dbf4().SkipRecords(n); }
bool DbfEof() { return dbf4().IsEof(); }
int32_t DbfRecNo() { return dbf4().GetRecNo(); }
int32_t DbfRecordCount() { return dbf4().GetRecordCount(); }

void DbfAppendBlank() { dbf4().AppendBlankRecord(); }

// ---------------------------------------------------------------- indexes

void DbfCreateIndex(const std::string& keyExpr, const std::string& fileName) {
    SetHourglassCursor();
    dbf4().CreateIndexFile(keyExpr, fileName);
}

void TempFolderFile(const std::string& name, std::string& path) {
    path = RunTempFolder() + name;
}

void DbfCreateIndexInTemp(const std::string& keyExpr, const std::string& name) {
    std::string path;
    TempFolderFile(name, path);
    DbfCreateIndex(keyExpr, path);
    dbf4().SetIndexFile(path);
}

void DbfFindKey(const std::string& key) { dbf4().FindKey(key); }
bool DbfFound() { return dbf4().GetFound(); }

// ---------------------------------------------------------------- fields

void DbfGetFieldName(int fieldNo, std::string& name) { dbf4().GetFieldName(fieldNo, name); }
void DbfGetFieldStr(int fieldNo, std::string& s) { dbf4().GetFieldAsString(fieldNo, s); }
void DbfSetFieldStr(int fieldNo, const std::string& s) { dbf4().SetFieldAsString(fieldNo, s); }
void DbfSetFieldReal(int fieldNo, const Real48& value) { dbf4().SetFieldAsFloat(fieldNo, value); }
void DbfSetFieldInt(int fieldNo, int32_t value) { dbf4().SetFieldAsInteger(fieldNo, value); }

bool DbfGetFieldBoolByName(const std::string& name) {
    return dbf4().GetFieldAsBooleanByName(name);
}
void DbfSetFieldBoolByName(const std::string& name, bool value) {
    dbf4().SetFieldAsBooleanByName(name, value);
}
void DbfSetFieldStrByName(const std::string& name, const std::string& s) {
    dbf4().SetFieldAsStringByName(name, s);
}
void DbfSetFieldRealByName(const std::string& name, const Real48& value) {
    dbf4().SetFieldAsFloatByName(name, value);
}
void DbfSetFieldIntByName(const std::string& name, int32_t value) {
    dbf4().SetFieldAsIntegerByName(name, value);
}

void DbfResetError() { dbf4().ResetDbfError(); }
void DbfEndError() { dbf4().EndDbfError(); }
int DbfGetError() { return dbf4().GetDbfError(); }

}  // namespace kor2
