// Virtual files: tables whose records live only in memory, kept in order as a
// queue, a stack, by insertion place or by a key. The work-area layer reaches
// the dispatcher through VFileHook; the in-memory data set builds on it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tables/dbf/dbffile.h"

namespace kor2 {

enum VFileMode : uint8_t {
    VfFifo = 0,        // a new record goes after the last one
    VfLifo = 1,        // ... before the first one
    VfInsertion = 2,   // ... before the current one
    VfAscending = 3,   // ... by key, ascending
    VfDescending = 4,  // ... by key, descending
};

// Key of the record in the caller's buffer; called with the argument given to
// Set_VFileKey_To. At most VFileKeyLength characters are compared.
using VFileKeyFunction = std::function<std::string(void* argument)>;
constexpr size_t VFileKeyLength = 100;

// Puts VFileDispatch into VFileHook.
void InstallVFileHook();
// Serves the operation stored in area.vOperation (codes of VFileOp).
void VFileDispatch(DbfArea& area);

// Operations on the virtual file of the current work area.
bool AddStru(const std::vector<DbfFieldDef>& fieldList);
void PopRec();
void SnipRec();
void Set_VFileKey_To(VFileKeyFunction keyFunction, void* argument);
uint8_t Get_VFileMode();
void Set_VFileMode_To(uint8_t mode);
void SortVFile(uint8_t mode);

}  // namespace kor2
