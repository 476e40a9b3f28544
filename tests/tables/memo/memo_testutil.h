// Helpers of the memo file tests: a fixture that opens tables with their memo
// files directly on the table file layer, and copies of the checked-in files.
#pragma once

#include <list>
#include <string>
#include <vector>

#include "tables/dbf/dbffile.h"
#include "tables/memo/memofile.h"
#include "tables/tbtestutil.h"

namespace kor2::test {

class MemoTest : public EngineTest {
public:
    void TearDown() override;
    // Opens a table and its memo file; both are closed at the end of the test.
    DbfArea& Open(const std::string& path, bool exclusive = true);
    void Close(DbfArea& a);
    TMemoFileRec& Memo(DbfArea& a);
    // Copies tests/data/<base>.dbf and its memo file into the test folder.
    std::string CopyData(const std::string& base, const std::string& memoExt);
    // A new table NR N(3,0), NOTE M with the given version; its path.
    std::string MakeMemoTable(const std::string& name, uint8_t version, uint16_t blockSize = 512);
    // A table NR, NOTE whose records 1.. hold the memos (an empty text: block 0).
    std::string MakeTableWithMemos(const std::string& name, uint8_t version,
                                   const std::vector<std::string>& texts, uint16_t blockSize = 512);
    // The memo block number stored in field `field` (0-based) of record n.
    int32_t BlockOf(DbfArea& a, int32_t n, int field = 1);
    // Appends records NR = 1.. with the given memo block numbers.
    void AppendBlocks(const std::string& path, const std::vector<int32_t>& blocks);

    std::list<DbfArea> areas_;
};

// The memo as text again: the pad's lines, wrapped lines joined, ends as CR LF.
std::string PadAsText();

}  // namespace kor2::test
