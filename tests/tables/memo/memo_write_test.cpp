// Writing memos: appending in each format, rewriting from the memo pad (in
// place and through the free runs of dBase IV files), the memo text file,
// copying between formats, packing, the append lock and injected write faults.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/hostfs.h"
#include "platform/oemtext.h"
#include "tables/base/engineerror.h"
#include "tables/memo/memo_testutil.h"
#include "tables/memo/memoformat.h"

namespace kor2 {
namespace {

using test::Bytes;
using test::MemoTest;
using test::ReadFileBytes;

uint32_t Le32(const std::string& f, size_t at) {
    return static_cast<uint8_t>(f[at]) | static_cast<uint8_t>(f[at + 1]) << 8 |
           static_cast<uint8_t>(f[at + 2]) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(f[at + 3])) << 24;
}
uint32_t Be32(const std::string& f, size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(f[at])) << 24 |
           static_cast<uint8_t>(f[at + 1]) << 16 | static_cast<uint8_t>(f[at + 2]) << 8 |
           static_cast<uint8_t>(f[at + 3]);
}

struct Format {
    uint8_t version;
    const char* ext;
};
const Format kFormats[] = {{0x83, "dbt"}, {0x8B, "dbt"}, {0x8C, "dbt"}, {0xF5, "fpt"}};

class MemoWriteTest : public MemoTest {};

TEST_F(MemoWriteTest, AddMemoInEveryFormat) {
    for (const Format& fmt : kFormats) {
        SCOPED_TRACE(fmt.version);
        const std::string name = "a" + std::to_string(fmt.version);
        DbfArea& a = Open(MakeMemoTable(name + ".dbf", fmt.version));
        TMemoFileRec& m = Memo(a);
        const std::string memoPath = Path(name + "." + fmt.ext);
        const std::string before = ReadFileBytes(memoPath);
        // Blank and control-only texts are no memo and change nothing.
        EXPECT_EQ(AddMemo(m, ""), 0);
        EXPECT_EQ(AddMemo(m, "  \r\n\t "), 0);
        EXPECT_EQ(ReadFileBytes(memoPath), before);

        const int32_t b1 = AddMemo(m, "Größe\r\nzweite Zeile  \r\n"_oem);
        const int32_t b2 = AddMemo(m, std::string(600, 'q'));
        EXPECT_EQ(b1, 1);
        EXPECT_EQ(b2, 2);
        ASSERT_TRUE(GetMemo(m, b1));
        EXPECT_EQ(MemoPadLines, (std::vector<std::string>{"Größe"_oem, "zweite Zeile"}));
        ASSERT_TRUE(GetMemo(m, b2));
        EXPECT_EQ(test::PadAsText(), std::string(600, 'q'));

        const std::string f = ReadFileBytes(memoPath);
        const uint32_t next = fmt.version == 0xF5 ? Be32(f, 0) : Le32(f, 0);
        EXPECT_EQ(next, (f.size() + 511) / 512);
        if (fmt.version == 0x83) {
            EXPECT_EQ(f.size() % 512, 0u);
            EXPECT_EQ(f[512 + 19], '\x1A');  // "Größe\r\nzweite Zeile" + 0x1A
        } else {
            EXPECT_EQ(f.size(), 1024u + 8 + 600);  // the last memo is not padded
            const uint32_t len = fmt.version == 0xF5 ? Be32(f, 1024 + 4) : Le32(f, 1024 + 4);
            EXPECT_EQ(len, fmt.version == 0xF5 ? 600u : 608u);
        }
        Close(a);
    }
}

TEST_F(MemoWriteTest, AddMemoPadsAPartialBlockFirst) {
    DbfArea& a = Open(MakeMemoTable("p.dbf", 0x8B));
    std::string f = ReadFileBytes(Path("p.dbt"));
    f.resize(512, '\0');
    f += "stray";
    test::WriteFileBytes(Path("p.dbt"), f);
    EXPECT_EQ(AddMemo(Memo(a), "neu"), 2);
    const std::string g = ReadFileBytes(Path("p.dbt"));
    EXPECT_EQ(g.substr(512, 5), "stray");
    EXPECT_EQ(g.substr(517, 507), std::string(507, '\0'));
    EXPECT_EQ(g.substr(1024, 4), Bytes({0xFF, 0xFF, 0x08, 0x00}));
}

TEST_F(MemoWriteTest, HeaderUpdateAddsChunksReadToTheChangeCounter) {
    const std::string path = MakeTableWithMemos("c.dbf", 0x8B, {std::string(1100, 'r')});
    DbfArea& a = Open(path);
    TMemoFileRec& m = Memo(a);
    const uint32_t before = Le32(ReadFileBytes(Path("c.dbt")), memo::OffChangeCounter);
    ASSERT_TRUE(GetMemo(m, 1));  // 1100 bytes: three chunks of 512
    ASSERT_GT(AddMemo(m, "neu"), 0);
    EXPECT_EQ(Le32(ReadFileBytes(Path("c.dbt")), memo::OffChangeCounter), before + 3);
}

TEST_F(MemoWriteTest, EditMemoWritesWhereTheOldTextIsNot) {
    DbfArea& a = Open(MakeMemoTable("e.dbf", 0x8B));
    TMemoFileRec& m = Memo(a);
    int32_t block = AddMemo(m, std::string(1000, 'a'));  // blocks 1 and 2
    ASSERT_EQ(AddMemo(m, "dahinter"), 3);
    ASSERT_TRUE(GetMemo(m, block));
    MemoPadLines = {"kurz", "neu"};
    MemoPadLineEnds = {13, 0};
    ASSERT_TRUE(EditMemo(m, block));
    EXPECT_EQ(block, 4);  // fits the old blocks, yet goes beside them
    EXPECT_FALSE(MemoPadExists);
    ASSERT_TRUE(GetMemo(m, 4));
    EXPECT_EQ(MemoPadLines, (std::vector<std::string>{"kurz", "neu"}));
    ASSERT_TRUE(GetMemo(m, 1));  // the old text until the record points elsewhere
    EXPECT_EQ(MemoPadLines.size(), 4u);
    ASSERT_TRUE(GetMemo(m, 3));
    EXPECT_EQ(MemoPadLines, std::vector<std::string>{"dahinter"});

    MemoPadLines = {std::string(250, 'b'), std::string(250, 'c'), std::string(250, 'd'),
                    std::string(250, 'e'), std::string(250, 'f')};
    MemoPadLineEnds = {13, 13, 13, 13, 0};
    MemoPadExists = true;
    ASSERT_TRUE(EditMemo(m, block));
    EXPECT_EQ(block, 5);
    ASSERT_TRUE(GetMemo(m, block));
    EXPECT_EQ(MemoPadLines.size(), 5u);

    // An empty pad stores no memo.
    FreeMemoPad();
    ASSERT_TRUE(EditMemo(m, block));
    EXPECT_EQ(block, 0);
}

TEST_F(MemoWriteTest, EditMemoTakesAFreeRunOfAForeignFile) {
    // Block size 64; blocks 1-3 free (chain: header -> 1 -> end), block 4 a memo.
    std::string f(64, '\0');
    f[0] = 1;
    f[20] = 64;
    std::string run(64 * 3, '\0');
    run[0] = 5;  // next run: block 5 = end of the file
    run[4] = 3;  // 3 blocks long
    std::string memo4(64, '\0');
    memo4.replace(0, 12, Bytes({0xFF, 0xFF, 8, 0, 12, 0, 0, 0}) + "vier");
    const std::string path = MakeMemoTable("f.dbf", 0x8B);
    test::WriteFileBytes(Path("f.dbt"), f + run + memo4);
    DbfArea& a = Open(path);
    TMemoFileRec& m = Memo(a);
    ASSERT_EQ(m.blockSize, 64);
    MemoPadLines = {std::string(60, 'x')};  // 62 + 8 bytes: 2 blocks
    MemoPadLineEnds = {0};
    MemoPadExists = true;
    int32_t block = 0;
    ASSERT_TRUE(EditMemo(m, block));
    EXPECT_EQ(block, 1);
    ASSERT_TRUE(GetMemo(m, 1));
    EXPECT_EQ(MemoPadLines, std::vector<std::string>{std::string(60, 'x')});
    ASSERT_TRUE(GetMemo(m, 4));
    EXPECT_EQ(MemoPadLines, std::vector<std::string>{"vier"});
    // The header again points at the end of the file.
    EXPECT_EQ(Le32(ReadFileBytes(Path("f.dbt")), 0), 5u);
}

TEST_F(MemoWriteTest, TextFileRoundTrip) {
    DbfArea& a = Open(MakeMemoTable("t.dbf", 0x83));
    int32_t block = 0;
    MemoTextFile f;
    AssignMemo(f, a, block);
    ASSERT_EQ(f.Rewrite(), 0);
    const std::string longLine(300, 'L');  // split at 254 when written, joined when read
    EXPECT_EQ(f.WriteLn("erste"), 0);
    EXPECT_EQ(f.Write("zwe"), 0);
    EXPECT_EQ(f.WriteLn("ite"), 0);
    EXPECT_EQ(f.WriteLn(longLine), 0);
    EXPECT_EQ(f.Write("weich\x8D\r\nletzte"), 0);
    std::string line;
    EXPECT_EQ(f.ReadLn(line), 104);
    ASSERT_EQ(f.Close(), 0);
    EXPECT_GT(block, 0);
    EXPECT_FALSE(MemoPadExists);

    ASSERT_EQ(f.Reset(), 0);
    std::vector<std::string> lines;
    while (!f.Eof()) {
        ASSERT_EQ(f.ReadLn(line), 0);
        lines.push_back(line);
    }
    EXPECT_EQ(f.Close(), 0);
    // The soft return joins its line with the next, as reading a memo does.
    EXPECT_EQ(lines, (std::vector<std::string>{"erste", "zweite", longLine, "weichletzte"}));

    const int32_t first = block;
    ASSERT_EQ(f.Append(), 0);
    EXPECT_EQ(f.WriteLn("angefügt"_oem), 0);
    ASSERT_EQ(f.Close(), 0);
    EXPECT_NE(block, first);  // a dBase III memo is always written anew
    ASSERT_TRUE(GetMemo(Memo(a), block));
    EXPECT_EQ(MemoPadLines.back(), "angefügt"_oem);
    EXPECT_EQ(MemoPadLines.size(), 7u);
}

TEST_F(MemoWriteTest, TextFileLimits) {
    DbfArea& a = Open(MakeMemoTable("l.dbf", 0x8B));
    int32_t block = 0;
    MemoTextFile f;
    EXPECT_EQ(f.Reset(), 102);  // not assigned
    AssignMemo(f, a, block);
    ASSERT_EQ(f.Rewrite(), 0);
    int rc = 0;
    for (int i = 0; i < 1100 && rc == 0; ++i) rc = f.WriteLn("x");
    EXPECT_EQ(rc, 101);
    EXPECT_EQ(MemoPadLines.size(), 1024u);
    EXPECT_EQ(f.Close(), 101);  // the pending "x" is dropped, the full pad stored
    ASSERT_TRUE(GetMemo(Memo(a), block));
    EXPECT_EQ(MemoPadLines.size(), 1024u);
}

TEST_F(MemoWriteTest, CopyMemoBetweenFormats) {
    const std::string memoText = "Zeile\r\nÄrger"_oem;
    const std::string src3 = MakeTableWithMemos("s3.dbf", 0x83, {memoText});
    const std::string src4 = MakeTableWithMemos("s4.dbf", 0x8B, {memoText});
    const std::string srcF = MakeTableWithMemos("sf.dbf", 0xF5, {memoText}, 64);
    DbfArea& s3 = Open(src3);
    DbfArea& s4 = Open(src4);
    DbfArea& sf = Open(srcF);
    for (const Format& fmt : kFormats) {
        SCOPED_TRACE(fmt.version);
        DbfArea& d = Open(MakeMemoTable("d" + std::to_string(fmt.version) + ".dbf", fmt.version));
        for (DbfArea* s : {&s3, &s4, &sf}) {
            const int32_t nb = CopyMemo(*s, BlockOf(*s, 1), d, false);
            ASSERT_GT(nb, 0) << EngineErrorMsg;
            ASSERT_TRUE(GetMemo(Memo(d), nb));
            EXPECT_EQ(test::PadAsText(), memoText);
        }
        EXPECT_EQ(CopyMemo(s3, 0, d, false), 0);
        // The same block number as the source: block 8 of sf lies past d's end.
        const int32_t same = CopyMemo(sf, BlockOf(sf, 1), d, true);
        EXPECT_EQ(same, BlockOf(sf, 1));
        ASSERT_TRUE(GetMemo(Memo(d), same));
        EXPECT_EQ(test::PadAsText(), memoText);
    }
}

TEST_F(MemoWriteTest, PackKeepsOnlyReferencedMemos) {
    const std::string path =
        MakeTableWithMemos("k.dbf", 0x8B, {"eins", std::string(700, 'z'), "", "drei"});
    DbfArea& a = Open(path);
    TMemoFileRec& m = Memo(a);
    for (int i = 0; i < 5; ++i) AddMemo(m, std::string(900, 'm'));  // unreferenced
    const size_t before = ReadFileBytes(Path("k.dbt")).size();
    ASSERT_TRUE(PackMemofile(a)) << EngineErrorMsg;
    const std::string after = ReadFileBytes(Path("k.dbt"));
    EXPECT_LT(after.size(), before);
    EXPECT_EQ(after.size() % 512, 0u);
    EXPECT_EQ(Le32(after, 0), after.size() / 512);
    EXPECT_FALSE(platform::FileExists(Path("k.$$$")));
    const std::vector<std::string> expected = {"eins", std::string(700, 'z'), "", "drei"};
    for (int32_t r = 1; r <= 4; ++r) {
        TMemoFileRec& mm = Memo(a);  // reopened under the same name
        const int32_t b = BlockOf(a, r);
        EXPECT_EQ(b == 0, expected[r - 1].empty());
        ASSERT_TRUE(GetMemo(mm, b));
        EXPECT_EQ(test::PadAsText(), expected[r - 1]) << r;
    }
}

TEST_F(MemoWriteTest, PackWithBlockBeyondFileChangesNothing) {
    const std::string path = MakeTableWithMemos("x.dbf", 0x83, {"gut"});
    test::AppendRaw(path, {{" ", "2", "999"}});
    const std::string dbfBefore = ReadFileBytes(path);
    const std::string dbtBefore = ReadFileBytes(Path("x.dbt"));
    DbfArea& a = Open(path);
    EXPECT_FALSE(PackMemofile(a));
    ExpectError(1003, " Memo block # 999 Record # 2 [PackMemo]");
    EXPECT_EQ(ReadFileBytes(Path("x.dbt")), dbtBefore);
    EXPECT_FALSE(platform::FileExists(Path("x.$$$")));
    Close(a);
    areas_.clear();
    EXPECT_EQ(ReadFileBytes(path), dbfBefore);
}

TEST_F(MemoWriteTest, RecreateEmptiesTheMemoFile) {
    const std::string path = MakeTableWithMemos("r.dbf", 0xF5, {"alt"}, 64);
    DbfArea& a = Open(path);
    ASSERT_TRUE(RecreateMemofile(a, Path("r")));
    EXPECT_EQ(ReadFileBytes(Path("r.fpt")).size(), 512u);
    EXPECT_EQ(AddMemo(Memo(a), "neu"), 1);  // blocks of MemoBlockSize again
}

TEST_F(MemoWriteTest, MemoFileTakesTheCaseOfTheTableExtension) {
    const auto exists = [&](const std::string& name) {
        return std::filesystem::exists(Path(name));  // the exact name, whatever the case
    };
    MakeMemoTable("low.dbf", 0x83);
    MakeMemoTable("UP.DBF", 0x8B);
    MakeMemoTable("fox.dbf", 0xF5);
    EXPECT_TRUE(exists("low.dbt"));
    EXPECT_FALSE(exists("low.DBT"));
    EXPECT_TRUE(exists("UP.DBT"));
    EXPECT_TRUE(exists("fox.fpt"));
    EXPECT_FALSE(exists("fox.FPT"));

    // An existing memo file of another case is found and kept, also when
    // the memo file is made anew.
    std::filesystem::rename(Path("low.dbt"), Path("LOW.DBT"));
    DbfArea& a = Open(Path("LOW.DBF"));
    EXPECT_EQ(AddMemo(Memo(a), "Text"), 1);
    ASSERT_TRUE(RecreateMemofile(a, Path("LOW")));
    EXPECT_TRUE(exists("LOW.DBT"));
    EXPECT_FALSE(exists("low.dbt"));
}

TEST_F(MemoWriteTest, SharedFileLockedElsewhereIs1017) {
    DbfArea& a = Open(MakeMemoTable("s.dbf", 0x8B), false);
    uint16_t io = 0;
    auto other = OpenEngineFile(Path("s.dbt"), ShareDenyNone, io);
    ASSERT_TRUE(other && other->Lock(memo::LockOffset, 1));
    MemoLockRetries = 2;
    EXPECT_EQ(AddMemo(Memo(a), "text"), 0);
    MemoLockRetries = 1000;
    ExpectError(1017, "s.dbt [AddMemo]");
    other->Unlock(memo::LockOffset, 1);
    EXPECT_EQ(AddMemo(Memo(a), "text"), 1);
    EXPECT_EQ(EngineErrorCode, 0);
    EXPECT_FALSE(Memo(a).locked);
    // The lock was released after the append: another handle gets it.
    EXPECT_TRUE(other->Lock(memo::LockOffset, 1));
}

TEST_F(MemoWriteTest, WriteFaultsAreReportedAndReleaseTheLock) {
    const std::string path = MakeMemoTable("w.dbf", 0x8B);
    for (int n = 1; n <= 4; ++n) {
        SCOPED_TRACE(n);
        ScopedFaultPlan faults;
        DbfArea& a = Open(path, false);
        faults.plan().failWrite = n;
        const int32_t block = AddMemo(Memo(a), "Inhalt");
        EXPECT_EQ(block == 0, EngineErrorCode != 0);
        if (block == 0) {
            EXPECT_NE(EngineErrorMsg.find("w.dbt"), std::string::npos);
        }
        EXPECT_FALSE(Memo(a).locked);
        Close(a);
        areas_.clear();
    }
}

// A rewrite that fails at any of its writes (I/O error, no room) leaves the
// old text whole for every later reader; the failure is reported.
TEST_F(MemoWriteTest, RewriteFailingAtAnyWriteKeepsTheOldText) {
    const std::string oldText(441, 'o');
    for (const Format& fmt : kFormats) {
        for (int error : {EIO, ENOSPC}) {
            for (int n = 1;; ++n) {
                SCOPED_TRACE(std::to_string(fmt.version) + " error " + std::to_string(error) +
                             " at write " + std::to_string(n));
                const std::string path = MakeTableWithMemos("r.dbf", fmt.version, {oldText});
                bool done = false;
                int32_t block = 0;
                {
                    ScopedFaultPlan faults;
                    DbfArea& a = Open(path);
                    block = BlockOf(a, 1);
                    ASSERT_TRUE(GetMemo(Memo(a), block));
                    MemoPadLines = {"neu"};
                    MemoPadLineEnds = {0};
                    faults.plan().failWrite = n;
                    faults.plan().failAllAfter = true;
                    faults.plan().error = error;
                    done = EditMemo(Memo(a), block);
                    EXPECT_EQ(done, !faults.plan().failed);
                    if (!done) {
                        EXPECT_NE(EngineErrorCode, 0);
                    }
                    Close(a);
                    areas_.clear();
                }
                DbfArea& a = Open(path);
                ASSERT_TRUE(GetMemo(Memo(a), BlockOf(a, 1)));
                EXPECT_EQ(test::PadAsText(), oldText);
                if (done) {
                    ASSERT_TRUE(GetMemo(Memo(a), block));
                    EXPECT_EQ(MemoPadLines, std::vector<std::string>{"neu"});
                }
                Close(a);
                areas_.clear();
                if (done) break;
            }
        }
    }
}

}  // namespace
}  // namespace kor2
