// Recovery from a writer that died in the middle of a change: the change mark
// every write puts on the open orders' headers, and the repair (cut of the
// unfinished append, rebuild of the marked orders) that the next change, the
// open of an index or a refresh runs. Called by orders.cpp through IndexHooks.
#pragma once

#include <vector>

#include "tables/index/ndxfile.h"

namespace kor2 {

// Hook slot 24: the semaphore's write lock, and the change marks inside it.
void ChangeProtection(int on);
// Before the first write of a change: every open order of the current area
// gets the mark. False after an error.
bool MarkOrders();
// Repairs the given orders of the current area when another program left
// its mark on them; the marks are read again under the write lock. With
// whenFree, only when no other program holds the append lock (a program
// that reads may not wait for it).
bool RepairForeignMarks(const std::vector<IndexControlBlock*>& orders, bool whenFree = false);
// After a refresh of the headers: repairs the orders of the current area
// whose mark is not this program's own, unless a change is under way. A
// program that does not hold the append lock gives up its reader
// registration until it has that lock (a holder repairs at the start of its
// change), then repairs what is still marked; true then: other programs may
// have changed the orders meanwhile.
bool RepairMarksOfDeadWriters();
// Start-up: no change under way in any area.
void ResetChangeScopes();

}  // namespace kor2
