// The procedural table interface: plain Dbf... procedures through which the
// material code and the shell open one table in the browser model dbf4,
// position, search, read and write fields, show the browser and close.
#pragma once

#include <cstdint>
#include <string>

#include "platform/real48.h"

namespace kor2 {

// The write check of the checked open: the path to open for fileName (no
// folder; ".dbf" added when it has no point), a copy in TempFolder when
// DbfFolder is not writable or (with copyReadOnly) the file is read-only.
// The copy is made once in a run; later opens of the table find it with
// what was changed in it. Empty with AbortFlag set when the file cannot be
// read or copied.
std::string CheckedTablePath(const std::string& fileName, bool copyReadOnly);

// Opening and closing.
void DbfOpenTableChecked(const std::string& fileName);
void DbfOpenTable(const std::string& fileName);
void DbfCloseTable();
void DbfSetTitles(const std::string& title1, const std::string& title2);
void DbfShowTable(const std::string& action, int mode);

// Positioning.
void DbfGoTop();
void DbfGoRecord(int32_t n);
void DbfGoRecordChecked(int32_t recNo);
void DbfSkip(int32_t n);
bool DbfEof();
int32_t DbfRecNo();
int32_t DbfRecordCount();

// Appending.
void DbfAppendBlank();

// Indexes and key search.
void DbfCreateIndex(const std::string& keyExpr, const std::string& fileName);
void TempFolderFile(const std::string& name, std::string& path);
void DbfCreateIndexInTemp(const std::string& keyExpr, const std::string& name);
void DbfFindKey(const std::string& key);
bool DbfFound();

// Fields by number (1-based); invalid numbers are ignored.
void DbfGetFieldName(int fieldNo, std::string& name);
void DbfGetFieldStr(int fieldNo, std::string& s);
void DbfSetFieldStr(int fieldNo, const std::string& s);
void DbfSetFieldReal(int fieldNo, const Real48& value);
void DbfSetFieldInt(int fieldNo, int32_t value);

// Fields by name (cut to 10 characters).
bool DbfGetFieldBoolByName(const std::string& name);
void DbfSetFieldBoolByName(const std::string& name, bool value);
void DbfSetFieldStrByName(const std::string& name, const std::string& s);
void DbfSetFieldRealByName(const std::string& name, const Real48& value);
void DbfSetFieldIntByName(const std::string& name, int32_t value);

// Error bracket: the layer below raises exceptions instead.
void DbfResetError();
void DbfEndError();
int DbfGetError();

}  // namespace kor2
