// Building index files from the records of the current work area (INDEX ON)
// with a key expression or a key-maker function, and rebuilding the open
// orders (REINDEX). Called by the command layer, the data-set layer and Pack.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tables/base/filenames.h"
#include "tables/index/ndxfile.h"

namespace kor2 {

// Keys sorted in memory at most; more go through sorted runs in a
// temporary file that are merged. Read buffer size for the table pass.
inline size_t IndexSortCapacity = 1 << 20;
inline size_t IndexReadBufferSize = 65512;
// Free space of the index file's drive in bytes; replaceable for tests.
inline std::function<int64_t(const std::string& path)> IndexDiskFreeProc;

// Progress of the following builds: proc is called about `steps` times.
void SetIndexProgressProc(std::function<void()> proc, int steps);

void Index_On(const std::string& expression, const std::string& nameWithOptions);
void IndexOnKeyMaker(const std::string& nameWithOptions, KeyMakerFn keyMaker, intptr_t context);
void MakeIndexFromExpr(const std::string& expression, const std::string& nameWithOptions);
void MakeIndexWithKeyMaker(const std::string& nameWithOptions, KeyMakerFn keyMaker,
                           intptr_t context);
// Creates and fills the index file; the result is in the engine error state.
void MakeIndex(const std::string& fileName, const std::string& expression, bool soundex, int order,
               bool unique, bool descending, KeyMakerFn keyMaker, intptr_t context);
void Reindex();
// Reindex in two steps, for Pack: every open order of the current work area
// built into a new file beside its own (false after reporting an error, with
// nothing left behind), then those files renamed into place and the orders
// opened on them, the controlling order kept; or the new files dropped.
bool PrepareRebuild();
bool CommitRebuild();
void DiscardRebuild();
// For Pack: the bytes a rebuild of every open order of the current work area
// writes for n records, and the change mark of every open order.
int64_t RebuildBytes(int32_t n);
bool MarkOrdersInChange(bool on);
// Rebuilds an open order from records 1 .. count of its table inside its own
// file (other programs may hold it open): the nodes from block 1 on, then the
// header without the change mark, then the file cut to its new end. False
// after reporting an error; the mark then stays for the next program.
bool RebuildOrderInPlace(IndexControlBlock& b);

}  // namespace kor2
