// The record list of a virtual table and the list operations shared by the
// dispatcher (vfiles.cpp) and the commands on the current work area
// (vfilecmds.cpp). Internal to the virtual-file layer.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "tables/dbf/dbffile.h"
#include "tables/vfile/vfiles.h"

namespace kor2 {

struct VFileList {
    // Record copies as the caller's buffer holds them: fixed-length records
    // begin with the deletion byte, varying-length ones with their length
    // word followed by the deletion byte.
    std::deque<std::vector<uint8_t>> records;
    size_t current = 0;  // index of the current record while there is one
    VFileKeyFunction keyFunction;
    void* keyArgument = nullptr;
};

namespace vfile {

VFileList& ListOf(DbfArea& a);
bool IsSortedMode(uint8_t mode);
// Copies a stored record into the caller's buffer.
void LoadToBuffer(DbfArea& a, const std::vector<uint8_t>& record);
// The key function's result for the record in the caller's buffer, cut.
std::string KeyOfBuffer(const VFileList& l);
// Index before which a record with the given key goes in a list of count
// records kept in order (ascending or not); keyAt(i) gives the key of record i.
size_t SortedPlace(size_t count, const std::string& key, bool ascending,
                   const std::function<std::string(size_t)>& keyAt);
// Area's count, record number, BOF and EOF from the list.
void SyncArea(DbfArea& a, const VFileList& l);

}  // namespace vfile

}  // namespace kor2
