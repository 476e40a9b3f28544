// Reading memos: files written by python3-dbf, Perl XBase and LibreOffice
// (checked in under tests/data), line cutting of the memo pad, and damaged
// memo files given as short hex arrays.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/oemtext.h"
#include "tables/base/engineerror.h"
#include "tables/memo/memo_testutil.h"

namespace kor2 {
namespace {

using test::MemoTest;
using test::PadAsText;

std::string Words() {
    std::string s;
    char buf[16];
    for (int i = 0; i < 200; ++i) {
        std::snprintf(buf, sizeof buf, "Wort%03d ", i);
        s += buf;
    }
    return s;
}

// The five memos every peer file holds, in record order.
void ExpectPeerMemos(MemoTest& t, DbfArea& a, bool trailingBlankKept) {
    TMemoFileRec& m = *MemoFileOf(a);
    ASSERT_EQ(a.recordCount, 5);
    ASSERT_TRUE(GetMemo(m, t.BlockOf(a, 1)));
    EXPECT_EQ(MemoPadLines, std::vector<std::string>{"Kurzer Text"});

    ASSERT_TRUE(GetMemo(m, t.BlockOf(a, 2)));
    EXPECT_EQ(MemoPadLines,
              (std::vector<std::string>{"Zeile eins", "Zeile zwei", "Müller Größe Ärger"_oem}));
    EXPECT_EQ(MemoPadLineEnds, (std::vector<uint8_t>{13, 13, 0}));

    // 511 bytes: the terminator falls into the next block.
    ASSERT_TRUE(GetMemo(m, t.BlockOf(a, 3)));
    ASSERT_EQ(MemoPadLines.size(), 3u);
    EXPECT_EQ(MemoPadLines[0], std::string(253, 'A'));
    EXPECT_EQ(MemoPadLines[2], std::string(5, 'A'));

    // 1600 characters of words: wrapped at the last blank, joined back unchanged.
    ASSERT_TRUE(GetMemo(m, t.BlockOf(a, 4)));
    std::string words = Words();
    if (!trailingBlankKept) words.pop_back();
    EXPECT_EQ(PadAsText(), words);
    for (const auto& line : MemoPadLines) EXPECT_LE(line.size(), 253u);
    EXPECT_EQ(MemoPadLines[0].size(), 248u);

    ASSERT_TRUE(GetMemo(m, t.BlockOf(a, 5)));
    EXPECT_TRUE(MemoPadLines.empty());
}

class MemoReadTest : public MemoTest {};

TEST_F(MemoReadTest, PythonDbfDbase3) {
    DbfArea& a = Open(CopyData("memo_pydbf_db3", ".dbt"));
    EXPECT_EQ(Memo(a).memoType, 0x83);
    ExpectPeerMemos(*this, a, true);
}

TEST_F(MemoReadTest, PythonDbfFoxPro) {
    DbfArea& a = Open(CopyData("memo_pydbf_fp", ".fpt"));
    EXPECT_EQ(Memo(a).memoType, 0xF5);
    EXPECT_EQ(Memo(a).blockSize, 128);
    ExpectPeerMemos(*this, a, true);
}

TEST_F(MemoReadTest, PerlXBaseDbase4) {
    DbfArea& a = Open(CopyData("memo_xbase_db4", ".dbt"));
    EXPECT_EQ(Memo(a).memoType, 0x8B);
    EXPECT_EQ(Memo(a).blockSize, 512);
    ExpectPeerMemos(*this, a, true);
}

TEST_F(MemoReadTest, LibreOfficeDbase3) {
    DbfArea& a = Open(CopyData("memo_lo_db3", ".dbt"));
    ASSERT_EQ(a.recordCount, 2);
    ASSERT_TRUE(GetMemo(Memo(a), BlockOf(a, 1)));
    EXPECT_EQ(MemoPadLines, std::vector<std::string>{"Kurz"});
    ASSERT_TRUE(GetMemo(Memo(a), BlockOf(a, 2)));
    EXPECT_EQ(PadAsText(), "Zeile eins Müller "_oem + std::string(300, 'x'));
    ASSERT_EQ(MemoPadLines.size(), 3u);
    EXPECT_EQ(MemoPadLines[0], "Zeile eins Müller "_oem);  // wrapped after the last blank
    EXPECT_EQ(MemoPadLines[1], std::string(253, 'x'));     // then cut hard
}

// A dBase III file whose memos are laid out by hand after the 512-byte header.
std::string Dbt3(const std::string& memoBytes) {
    std::string f(512, '\0');
    f[0] = 2;
    return f + memoBytes;
}

class MemoPadTest : public MemoTest {
protected:
    // The memo file is replaced under the open table.
    TMemoFileRec& Db3(const std::string& memoBytes) {
        if (areas_.empty()) Open(MakeMemoTable("t.dbf", 0x83));
        test::WriteFileBytes(Path("t.dbt"), Dbt3(memoBytes));
        return Memo(areas_.back());
    }
};

TEST_F(MemoPadTest, LineEndsAndWidth) {
    TMemoFileRec& m =
        Db3("eins\r\nzwei\x8D\ndrei\rvier\nf\x8D"
            "f\x1A"
            "dahinter");
    ASSERT_TRUE(GetMemo(m, 1));
    EXPECT_EQ(MemoPadLines, (std::vector<std::string>{"eins", "zwei", "drei", "vier", "f", "f"}));
    EXPECT_EQ(MemoPadLineEnds, (std::vector<uint8_t>{13, 0x8D, 13, 13, 0x8D, 0}));

    // 300 characters without a blank: cut hard at 253.
    TMemoFileRec& m2 = Db3(std::string(300, 'x') + "\x1A");
    ASSERT_TRUE(GetMemo(m2, 1));
    ASSERT_EQ(MemoPadLines.size(), 2u);
    EXPECT_EQ(MemoPadLines[0].size(), 253u);
    EXPECT_EQ(MemoPadLines[1].size(), 47u);
    EXPECT_EQ(MemoPadLineEnds, (std::vector<uint8_t>{0, 0}));
}

TEST_F(MemoPadTest, WrapAtTheWidthLosesNoBlank) {
    // The 254th character is a blank: after a word, and after a line without one.
    const std::string afterWord = std::string(248, 'x') + " Fede rstahl";
    TMemoFileRec& m = Db3(afterWord + "\x1A");
    ASSERT_TRUE(GetMemo(m, 1));
    EXPECT_EQ(MemoPadLines, (std::vector<std::string>{std::string(248, 'x') + " ", "Fede rstahl"}));
    EXPECT_EQ(PadAsText(), afterWord);

    const std::string noBlank = std::string(253, 'y') + "  zwei Blanks";
    TMemoFileRec& m2 = Db3(noBlank + "\x1A");
    ASSERT_TRUE(GetMemo(m2, 1));
    EXPECT_EQ(MemoPadLines, (std::vector<std::string>{std::string(253, 'y'), "  zwei Blanks"}));
    EXPECT_EQ(PadAsText(), noBlank);
}

TEST_F(MemoPadTest, MemoWidthSwitch) {
    TMemoFileRec& m = Db3("aaa bbb ccc     ddd\x1A");
    MemoWidthOn = true;
    MemoWidth = 8;
    const bool ok = GetMemo(m, 1);
    MemoWidthOn = false;
    MemoWidth = 78;
    ASSERT_TRUE(ok);
    // Blanks at a break stay at the line's end as far as the width allows.
    EXPECT_EQ(MemoPadLines, (std::vector<std::string>{"aaa bbb ", "ccc     ", "ddd"}));
}

TEST_F(MemoPadTest, TooManyLinesIsError217) {
    std::string text;
    for (int i = 0; i < 1100; ++i) text += "z\r\n";
    TMemoFileRec& m = Db3(text + "\x1A");
    EXPECT_FALSE(GetMemo(m, 1));
    ExpectError(217, "Reading memo field in ");
    EXPECT_EQ(MemoPadLines.size(), 1024u);
}

// ---- damaged files ----

TEST_F(MemoPadTest, Dbase3WithoutTerminatorReadsToFileEnd) {
    TMemoFileRec& m = Db3("ohne Ende");
    ASSERT_TRUE(GetMemo(m, 1));
    EXPECT_EQ(MemoPadLines, std::vector<std::string>{"ohne Ende"});
}

TEST_F(MemoPadTest, BlockBeyondFileGivesEmptyPad) {
    TMemoFileRec& m = Db3("abc\x1A");
    for (int32_t block : {2, 5, 1000000, 2147483647, -2147483647 - 1, 0}) {
        ASSERT_TRUE(GetMemo(m, block)) << block;
        EXPECT_TRUE(MemoPadLines.empty()) << block;
    }
    ASSERT_TRUE(GetMemo(m, -1));  // a negative number counts as its absolute value
    EXPECT_EQ(MemoPadLines, std::vector<std::string>{"abc"});
}

class MemoDamageTest : public MemoTest {
protected:
    // A table of the version whose memo file holds bytes, opened afresh.
    TMemoFileRec& WithMemoFile(uint8_t version, const std::string& bytes) {
        const std::string base = version == 0xF5 ? "fox" : "db4";
        const std::string path = Path(base + ".dbf");
        if (!std::filesystem::exists(path)) MakeMemoTable(base + ".dbf", version);
        for (auto it = areas_.begin(); it != areas_.end();)
            it = it->fileName == path ? (Close(*it), areas_.erase(it)) : std::next(it);
        test::WriteFileBytes(Path(base + (version == 0xF5 ? ".fpt" : ".dbt")), bytes);
        return Memo(Open(path));
    }
};

TEST_F(MemoDamageTest, Dbase4LengthBeyondFileReadsToFileEnd) {
    // Block size 16; memo at block 2 claims 0x7FFFFFF0 bytes.
    const std::string f =
        test::Bytes({3, 0, 0,    0,    0, 0,  0,    0,    0,    0,    0,   0,   0,   0,  0,
                     0, 0, 0,    0,    0, 16, 0,    0,    0,    0,    0,   0,   0,   0,  0,
                     0, 0, 0xFF, 0xFF, 8, 0,  0xF0, 0xFF, 0xFF, 0x7F, 'k', 'u', 'r', 'z'});
    TMemoFileRec& m = WithMemoFile(0x8B, f);
    EXPECT_EQ(m.blockSize, 16);
    ASSERT_TRUE(GetMemo(m, 2));
    EXPECT_EQ(MemoPadLines, std::vector<std::string>{"kurz"});
    // A length field below 8 gives an empty memo.
    std::string g = f;
    g[36] = 3;
    g[37] = g[38] = g[39] = 0;
    test::WriteFileBytes(Path("db4.dbt"), g);
    ASSERT_TRUE(GetMemo(m, 2));
    EXPECT_TRUE(MemoPadLines.empty());
}

TEST_F(MemoDamageTest, FoxProLengthBeyondFileAndTruncatedHeader) {
    std::string f(512, '\0');
    f[3] = 3;
    f[7] = 64;  // block size 64: block 8 is the first after the header
    f += test::Bytes({0, 0, 0, 1, 0xFF, 0xFF, 0xFF, 0xFF, 'f', 'o', 'x'});
    TMemoFileRec& m = WithMemoFile(0xF5, f);
    EXPECT_EQ(m.blockSize, 64);
    ASSERT_TRUE(GetMemo(m, 8));
    EXPECT_EQ(MemoPadLines, std::vector<std::string>{"fox"});
    // The header ends inside the type word: nothing of it is taken as length.
    test::WriteFileBytes(Path("fox.fpt"), f.substr(0, 512 + 3));
    ASSERT_TRUE(GetMemo(m, 8));
    EXPECT_TRUE(MemoPadLines.empty());
}

TEST_F(MemoDamageTest, ShortOrZeroHeaderKeepsDefaultBlockSize) {
    EXPECT_EQ(WithMemoFile(0x8B, test::Bytes({1, 0, 0})).blockSize, 512);
    EXPECT_EQ(WithMemoFile(0xF5, "").blockSize, 512);
    EXPECT_EQ(WithMemoFile(0x8B, std::string(24, '\0')).blockSize, 512);
}

TEST_F(MemoDamageTest, Dbase4BlockWithoutGroupHeaderIsBlob) {
    std::string f(512, '\0');
    f[0] = 2;
    f[21] = 2;  // block size 512
    TMemoFileRec& m = WithMemoFile(0x8B, f + "plain text\x1A");
    ASSERT_TRUE(GetMemo(m, 1));
    EXPECT_EQ(MemoPadLines, std::vector<std::string>{"(BLOB)"});
}

TEST_F(MemoDamageTest, UnreadableBlockIsBlob) {
    std::string f(512, '\0');
    f[0] = 2;
    f[21] = 2;
    WithMemoFile(0x8B, f + test::Bytes({0xFF, 0xFF, 8, 0, 12, 0, 0, 0}) + "text");
    // The fault plan covers files opened from now on: the memo file is opened again.
    ScopedFaultPlan faults;
    DbfArea& a = areas_.back();
    ASSERT_TRUE(CloseMemofile(a));
    ASSERT_TRUE(OpenMemofile(a, Path("db4")));
    faults.plan().reads = 0;
    faults.plan().failRead = 1;
    ASSERT_TRUE(GetMemo(Memo(a), 1));
    EXPECT_EQ(MemoPadLines, std::vector<std::string>{"(BLOB)"});
    ASSERT_TRUE(GetMemo(Memo(a), 1));
    EXPECT_EQ(MemoPadLines, std::vector<std::string>{"text"});
}

TEST_F(MemoDamageTest, MissingMemoFileIsReported) {
    const std::string path = MakeMemoTable("n.dbf", 0x8B);
    std::remove(Path("n.dbt").c_str());
    DbfArea a;
    a.fileName = path;
    EngShareMode = ShareExclusive;
    ASSERT_TRUE(OpenDbf(a));
    EXPECT_FALSE(OpenMemofile(a, Path("n")));
    ExpectError(2, "Memo-Datei nicht gefunden: ");
    EXPECT_EQ(MemoFileOf(a), nullptr);
    CloseDbf(a);
}

TEST_F(MemoDamageTest, SecondOpenIs1007) {
    DbfArea& a = Open(MakeMemoTable("o.dbf", 0x83));
    EXPECT_FALSE(OpenMemofile(a, Path("o")));
    ExpectError(1007, " [USE]");
}

}  // namespace
}  // namespace kor2
