// Work areas of the table engine in the manner of the xBase languages: 35
// numbered areas, one of them current, each holding at most one open table.
// Select, Use (tables and virtual tables), closing, and field access through
// the caller's typed record buffer. Navigation, changes and search build on it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "tables/dbf/dbffile.h"

namespace kor2 {

constexpr int WorkAreaCount = 35;  // 1..33 for callers, 34 and 35 the engine's own
constexpr int UserAreaCount = 33;
constexpr int AppendFromArea = 35;

inline std::array<std::unique_ptr<DbfArea>, WorkAreaCount + 1> WorkAreas;  // [0] unused
inline uint8_t CurrentArea = 1;
inline uint8_t DefaultShareMode = ShareDenyNone;
inline uint16_t ForcedOpenMode = 65535;  // 65535 = none

DbfArea* CurrentDbf();  // the table of the current area, nullptr when free
void Select(int n);
uint8_t CurrentAreaNo();
// True when no table is open in the current area, after reporting error 215.
bool CheckAreaOpen(const std::string& routine);

// Opens a table (or a virtual table) in the current area; buffer may be null
// with size 0, then the engine keeps its own typed buffer.
bool Use(const std::string& command, void* buffer, uint16_t size);
bool UseEx(const std::string& command, void* buffer, uint16_t size, RecordConvProc afterRead,
           RecordConvProc beforeWrite);
bool UseVirtual(const std::string& command, void* buffer, uint16_t size);
void CloseArea();
void CloseAllAreas();
void CloseEngineAreas();  // shut-down: 34 and 35 first, then all others

int FieldCount();
std::string Field(int n);
int FieldNo(const std::string& name);
char FieldType(int n);
int FieldLen(int n);
int FieldDec(int n);
uint8_t* FieldAddress(int n);
std::string FieldText(int n);
bool Deleted();
int32_t RecNo();
int RecSize();
std::string AreaFileName();
std::string AreaAlias();

void RecordToBuffer();
void BufferToRecord();
void ClearRecord();
// Removes every free-standing occurrence of keyword, in any case, from the
// text and trims it; the rest keeps its case (a file name in it is a name of
// its own spelling). True when there was one.
bool TakeKeyword(const std::string& keyword, std::string& text);

// Helpers shared by the command layer: fill the typed buffer from the record
// buffer of an area and blank both.
void AreaRecordToBuffer(DbfArea& a);
void BlankRecord(DbfArea& a);

}  // namespace kor2
