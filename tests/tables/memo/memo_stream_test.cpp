// Memo byte streams: reading by length or up to 0x1A, seeking, the text
// decision and code-page conversion, writing new memos (group header also in
// dBase III files), and the transform procedures with their 512-byte chunks.
#include <gtest/gtest.h>

#include "platform/oemtext.h"
#include "tables/base/engineerror.h"
#include "tables/memo/memo_testutil.h"
#include "tables/memo/memostream.h"

namespace kor2 {
namespace {

using test::Bytes;
using test::MemoTest;
using test::ReadFileBytes;

class MemoStreamTest : public MemoTest {
protected:
    std::string ReadAll(TMemoFileRec& m, int32_t piece = 7) {
        std::string out;
        char buf[64];
        int32_t n;
        while ((n = ReadBlobStream(m, buf, std::min<int32_t>(piece, sizeof buf))) > 0)
            out.append(buf, static_cast<size_t>(n));
        return out;
    }
};

TEST_F(MemoStreamTest, Dbase3TextEndsAtTerminatorAndSeekLearnsLength) {
    DbfArea& a = Open(MakeMemoTable("t.dbf", 0x83));
    test::WriteFileBytes(Path("t.dbt"), std::string(512, '\0') + "Hallo Welt\x1A" + "Rest");
    TMemoFileRec& m = Memo(a);
    ASSERT_EQ(CreateBlobDescriptor(m, false, 1, BlobRead), -1);  // negative in dBase III files
    EXPECT_EQ(m.blob.length, -1);
    EXPECT_EQ(SeekBlobStream(m, 0, 2), 10);  // read through to learn the length
    EXPECT_EQ(m.blob.length, 10);
    EXPECT_EQ(SeekBlobStream(m, -4, 1), 6);
    EXPECT_EQ(ReadAll(m), "Welt");
    EXPECT_EQ(SeekBlobStream(m, -100, 1), 0);                // never below 0
    EXPECT_EQ(SeekBlobStream(m, INT64_MAX, 1), 2147483639);  // nor past a 32-bit length
    EXPECT_EQ(ReadAll(m), "");
    EXPECT_EQ(SeekBlobStream(m, 0, 0), 0);
    EXPECT_EQ(ReadAll(m, 3), "Hallo Welt");
    EXPECT_TRUE(DestroyBlobDescriptor(m));
    // Without a 0x1A the memo runs to the end of the file.
    test::WriteFileBytes(Path("t.dbt"), std::string(512, '\0') + "ohne");
    ASSERT_NE(CreateBlobDescriptor(m, false, 1, BlobRead), 0);
    EXPECT_EQ(SeekBlobStream(m, 0, 2), 4);
    EXPECT_EQ(ReadAll(m), "");
    EXPECT_EQ(SeekBlobStream(m, 0, 0), 0);
    EXPECT_EQ(ReadAll(m), "ohne");
    DestroyBlobDescriptor(m);
}

TEST_F(MemoStreamTest, TextDecisionAndConversion) {
    const std::string text = "Größe\r\n\tÄrger"_oem;
    const std::string path = MakeTableWithMemos("c.dbf", 0x8B, {text, "x"});
    DbfArea& a = Open(path);
    TMemoFileRec& m = Memo(a);
    // The binary memo is added raw: AddMemo would cut the control bytes at its end.
    const std::string withZero = std::string(
                                     "ab\x07"
                                     "c") +
                                 '\0' + "d" + "Ä"_oem;
    ASSERT_NE(CreateBlobDescriptor(m, true, 0, BlobWrite), 0);
    m.blob.textDecision = 0;  // written as bytes
    ASSERT_EQ(WriteBlobStream(m, withZero.data(), static_cast<int32_t>(withZero.size())),
              static_cast<int32_t>(withZero.size()));
    const int32_t binBlock = m.blob.blockNo;
    ASSERT_TRUE(DestroyBlobDescriptor(m));

    ASSERT_NE(CreateBlobDescriptor(m, true, BlockOf(a, 1), BlobRead), 0);
    EXPECT_EQ(ReadAll(m),
              "Gr\xF6\xDF"
              "e\r\n\t\xC4rger");  // Windows character set
    EXPECT_EQ(m.blob.textDecision, 1);
    DestroyBlobDescriptor(m);
    ASSERT_NE(CreateBlobDescriptor(m, true, binBlock, BlobRead), 0);
    EXPECT_EQ(ReadAll(m), withZero);  // unconverted
    EXPECT_EQ(m.blob.textDecision, 0);
    DestroyBlobDescriptor(m);
    // Copied into a dBase III file the zero byte keeps the group header.
    DbfArea& d = Open(MakeMemoTable("d3.dbf", 0x83));
    const int32_t copied = CopyMemo(a, binBlock, d, false);
    ASSERT_LT(copied, 0);
    ASSERT_NE(CreateBlobDescriptor(Memo(d), false, copied, BlobRead), 0);
    EXPECT_EQ(ReadAll(Memo(d)), withZero);
    DestroyBlobDescriptor(Memo(d));
}

TEST_F(MemoStreamTest, WritingIntoDbase3CarriesAGroupHeader) {
    DbfArea& a = Open(MakeMemoTable("w.dbf", 0x83));
    TMemoFileRec& m = Memo(a);
    const std::string data = std::string("A\x1A") + "B\x1A" + std::string(600, 'c');
    const int32_t block = CreateBlobDescriptor(m, false, 0, BlobWrite);
    EXPECT_EQ(block, -1);
    EXPECT_EQ(WriteBlobStream(m, data.data(), 300), 300);
    EXPECT_EQ(WriteBlobStream(m, data.data() + 300, static_cast<int32_t>(data.size() - 300)),
              static_cast<int32_t>(data.size() - 300));
    EXPECT_EQ(ReadBlobStream(m, nullptr, 5), 0);  // not in read mode
    ASSERT_TRUE(DestroyBlobDescriptor(m));
    const std::string f = ReadFileBytes(Path("w.dbt"));
    EXPECT_EQ(f.substr(512, 8), Bytes({0xFF, 0xFF, 8, 0, 0x64, 2, 0, 0}));  // 604 + 8

    // Read back by its length, the 0x1A bytes included.
    ASSERT_EQ(CreateBlobDescriptor(m, false, block, BlobRead), -1);
    EXPECT_EQ(ReadAll(m, 64), data);
    EXPECT_EQ(SeekBlobStream(m, 0, 2), static_cast<int64_t>(data.size()));
    DestroyBlobDescriptor(m);
    // The memo pad reads such a memo as dBase IV data as well.
    ASSERT_TRUE(GetMemo(m, block));
    EXPECT_EQ(test::PadAsText(), data);
    // So does a copy into another dBase III file, which keeps the header.
    DbfArea& d = Open(MakeMemoTable("d.dbf", 0x83));
    const int32_t copied = CopyMemo(a, block, d, false);
    EXPECT_LT(copied, 0);
    ASSERT_NE(CreateBlobDescriptor(Memo(d), false, copied, BlobRead), 0);
    EXPECT_EQ(ReadAll(Memo(d), 64), data);
    DestroyBlobDescriptor(Memo(d));
}

TEST_F(MemoStreamTest, NoOtherAppendWhileAStreamWrites) {
    DbfArea& a = Open(MakeMemoTable("s.dbf", 0x8B));
    TMemoFileRec& m = Memo(a);
    ASSERT_EQ(CreateBlobDescriptor(m, false, 0, BlobWrite), 1);
    ASSERT_EQ(WriteBlobStream(m, "stream", 6), 6);
    EXPECT_EQ(AddMemo(m, "dazwischen"), 0);
    ExpectError(1017, "s.dbt [AddMemo]");
    ASSERT_TRUE(DestroyBlobDescriptor(m));
    EXPECT_EQ(AddMemo(m, "danach"), 2);
    ASSERT_TRUE(GetMemo(m, 1));
    EXPECT_EQ(MemoPadLines, std::vector<std::string>{"stream"});
}

TEST_F(MemoStreamTest, DestroyWithoutWritingLeavesNoHeader) {
    DbfArea& a = Open(MakeMemoTable("n.dbf", 0xF5));
    TMemoFileRec& m = Memo(a);
    const std::string before = ReadFileBytes(Path("n.fpt"));
    ASSERT_EQ(CreateBlobDescriptor(m, true, 0, BlobWrite), 1);
    EXPECT_TRUE(m.locked || !m.shared);
    ASSERT_TRUE(DestroyBlobDescriptor(m));
    EXPECT_EQ(ReadFileBytes(Path("n.fpt")), before);
    EXPECT_FALSE(m.locked);
}

TEST_F(MemoStreamTest, BlockOutsideTheFileIs1003) {
    DbfArea& a = Open(MakeTableWithMemos("o.dbf", 0x8B, {"eins"}));
    TMemoFileRec& m = Memo(a);
    EXPECT_EQ(CreateBlobDescriptor(m, false, 77, BlobRead), 0);
    ExpectError(1003, "o.dbt 77 Record # ");
    EXPECT_NE(EngineErrorMsg.find("[CreateBlobDescriptor]"), std::string::npos);
    EXPECT_EQ(ReadBlobStream(m, nullptr, 10), 0);
    // A length field beyond the file gives the bytes up to the file's end.
    std::string f = ReadFileBytes(Path("o.dbt"));
    f[512 + 4] = '\xFF';
    f[512 + 5] = '\xFF';
    test::WriteFileBytes(Path("o.dbt"), f);
    ASSERT_EQ(CreateBlobDescriptor(m, false, 1, BlobRead), 1);
    EXPECT_EQ(ReadAll(m), "eins");
    DestroyBlobDescriptor(m);
}

// An invertible transform that mixes in the position inside its chunk, so
// that chunks cut at other places than 512 bytes would not read back.
void Scramble(char* p, size_t n) {
    for (size_t i = 0; i < n; ++i) p[i] = static_cast<char>(p[i] ^ static_cast<char>(0x5A + i));
}

TEST_F(MemoStreamTest, TransformProceduresSeeChunksOf512) {
    DbfArea& a = Open(MakeMemoTable("x.dbf", 0x8B));
    SetMemoTransforms(a, Scramble, Scramble);
    TMemoFileRec& m = Memo(a);
    std::string data;
    for (int i = 0; i < 1300; ++i) data += static_cast<char>('a' + i % 26);
    const int32_t b1 = AddMemo(m, data);
    ASSERT_GT(b1, 0);
    const std::string f = ReadFileBytes(Path("x.dbt"));
    EXPECT_NE(f.substr(512 + 8, 20), data.substr(0, 20));  // stored transformed
    std::string plain = f.substr(512 + 8, data.size());
    for (size_t at = 0; at < plain.size(); at += 512)
        Scramble(plain.data() + at, std::min<size_t>(512, plain.size() - at));
    EXPECT_EQ(plain, data);
    ASSERT_TRUE(GetMemo(m, b1));
    EXPECT_EQ(test::PadAsText(), data);

    // The stream writes in odd pieces through its cache and reads the same bytes.
    const int32_t b2 = CreateBlobDescriptor(m, false, 0, BlobWrite);
    for (size_t at = 0; at < data.size(); at += 77)
        WriteBlobStream(m, data.data() + at,
                        static_cast<int32_t>(std::min<size_t>(77, data.size() - at)));
    ASSERT_TRUE(DestroyBlobDescriptor(m));
    ASSERT_TRUE(GetMemo(m, b2));
    EXPECT_EQ(test::PadAsText(), data);
    ASSERT_EQ(CreateBlobDescriptor(m, false, b2, BlobRead), b2);
    EXPECT_EQ(ReadAll(m, 33), data);
    DestroyBlobDescriptor(m);
}

}  // namespace
}  // namespace kor2
