// Navigation of the current work area: to a record number, to the first or
// last visible record, by a number of visible records; BOF, EOF and the record
// count. Follows an index order through the index hooks when one controls it.
#pragma once

#include <cstdint>

#include "tables/dbf/dbffile.h"

namespace kor2 {

void Go(int32_t n);
bool GoIfValid(int32_t n);
void Dbf4RawGo(int32_t n);
void RawGoTo(int32_t n);
void GoTop();
void GoBottom();
void Skip(int32_t n);
void GoFirst();
void GoLast();
bool dEOF();
bool dBOF();
int32_t RecCount();
bool RecordPassesCondition();
bool SetIgnoreDel(bool on);
bool ResyncAfterChange();

// Shared tables: the count from the file size, so that records appended by
// other programs become visible. Exclusive and virtual tables keep theirs.
void RefreshRecCount(DbfArea& a);
// Reads record n into the record and typed buffers.
bool ReadRecord(DbfArea& a, int32_t n);
// No visible record: blank record, current = count + 1, BOF and EOF.
void NoRecordState(DbfArea& a);
// The table's file name in quotes, as the host writes it, for messages.
std::string QuotedTableName(const DbfArea& a);

}  // namespace kor2
