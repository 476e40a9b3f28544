// Helpers of the memo file tests.
#include "tables/memo/memo_testutil.h"

#include <algorithm>

#include "platform/hostfs.h"
#include "tables/base/engineerror.h"
#include "tables/base/filenames.h"

namespace kor2::test {

void MemoTest::TearDown() {
    for (DbfArea& a : areas_) Close(a);
    areas_.clear();
    FreeMemoPad();
    EngineTest::TearDown();
}

DbfArea& MemoTest::Open(const std::string& path, bool exclusive) {
    DbfArea& a = areas_.emplace_back();
    a.fileName = path;
    a.exclusive = exclusive;
    EngShareMode = exclusive ? ShareExclusive : ShareDenyNone;
    EXPECT_TRUE(OpenDbf(a)) << EngineErrorMsg;
    EXPECT_TRUE(OpenMemofile(a, StripExtension(path))) << EngineErrorMsg;
    return a;
}

void MemoTest::Close(DbfArea& a) {
    CloseMemofile(a);
    if (a.file) CloseDbf(a);
}

TMemoFileRec& MemoTest::Memo(DbfArea& a) {
    TMemoFileRec* m = MemoFileOf(a);
    if (!m) throw std::runtime_error("no memo file open");
    return *m;
}

std::string MemoTest::CopyData(const std::string& base, const std::string& memoExt) {
    for (const std::string ext : {".dbf", memoExt.c_str()}) {
        const auto bytes = ReadFileBytes(DataDir() + base + ext);
        EXPECT_FALSE(bytes.empty()) << base + ext;
        WriteFileBytes(Path(base + ext), bytes);
    }
    return Path(base + ".dbf");
}

std::string MemoTest::MakeMemoTable(const std::string& name, uint8_t version, uint16_t blockSize) {
    const uint8_t savedVersion = DefaultCreateVersion;
    const uint16_t savedSize = MemoBlockSize;
    DefaultCreateVersion = version;
    MemoBlockSize = blockSize;
    const std::string path = Path(name);
    MakeTable(path, {{"NR", 'N', 3, 0}, {"NOTE", 'M', 0, 0}});
    DefaultCreateVersion = savedVersion;
    MemoBlockSize = savedSize;
    return path;
}

std::string MemoTest::MakeTableWithMemos(const std::string& name, uint8_t version,
                                         const std::vector<std::string>& texts,
                                         uint16_t blockSize) {
    const std::string path = MakeMemoTable(name, version, blockSize);
    std::vector<int32_t> blocks;
    {
        DbfArea a;
        a.fileName = path;
        a.exclusive = true;
        EngShareMode = ShareExclusive;
        EXPECT_TRUE(OpenDbf(a)) << EngineErrorMsg;
        EXPECT_TRUE(OpenMemofile(a, StripExtension(path))) << EngineErrorMsg;
        for (const auto& t : texts) blocks.push_back(AddMemo(*MemoFileOf(a), t));
        CloseMemofile(a);
        CloseDbf(a);
    }
    AppendBlocks(path, blocks);
    return path;
}

int32_t MemoTest::BlockOf(DbfArea& a, int32_t n, int field) {
    EXPECT_TRUE(GetDbfRecord(a, n)) << EngineErrorMsg;
    const DbfFieldEntry& f = a.fields[static_cast<size_t>(field)];
    return StoredIntValue(a.record.data() + f.offset, f.length);
}

void MemoTest::AppendBlocks(const std::string& path, const std::vector<int32_t>& blocks) {
    std::vector<std::vector<std::string>> rows;
    for (size_t i = 0; i < blocks.size(); ++i) {
        // Right-aligned, as the engine stores numbers (other readers rely on it).
        const std::string nr = std::to_string(i + 1), block = std::to_string(blocks[i]);
        rows.push_back({" ", std::string(3 - std::min<size_t>(3, nr.size()), ' ') + nr,
                        std::string(10 - std::min<size_t>(10, block.size()), ' ') + block});
    }
    AppendRaw(path, rows);
}

std::string PadAsText() {
    std::string text;
    for (size_t i = 0; i < MemoPadLines.size(); ++i) {
        text += MemoPadLines[i];
        if (MemoPadLineEnds[i] == 13) text += "\r\n";
        if (MemoPadLineEnds[i] == 0x8D) text += "\x8D\n";
    }
    return text;
}

}  // namespace kor2::test
