// The table file layer: creating every version, record I/O and the header,
// typed-buffer conversion, damaged files and injected I/O faults.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "platform/oemtext.h"
#include "platform/real48.h"
#include "tables/base/enginedates.h"
#include "tables/base/engineerror.h"
#include "tables/dbf/dbfformat.h"
#include "tables/tbtestutil.h"

namespace kor2 {
namespace {

using test::Bytes;
using test::ReadFileBytes;
using test::WriteFileBytes;

class DbfFileTest : public test::EngineTest {
protected:
    bool Open(DbfArea& a, const std::string& path) {
        a = DbfArea{};
        a.fileName = path;
        EngShareMode = ShareExclusive;
        return OpenDbf(a);
    }
};

const std::vector<DbfFieldDef> kFields = {{"name", 'C', 12, 0},
                                          {"nr", 'N', 5, 0},
                                          {"wert", 'N', 8, 2},
                                          {"datum", 'D', 0, 0},
                                          {"ok", 'L', 0, 0}};

TEST_F(DbfFileTest, NewTableIsHeaderPlusEofAndOpensEmpty) {
    const std::string path = Path("neu.dbf");
    test::MakeTable(path, kFields);
    const std::string bytes = ReadFileBytes(path);
    const int hl = 5 * 32 + 33;
    ASSERT_EQ(bytes.size(), static_cast<size_t>(hl + 1));
    EXPECT_EQ(bytes[0], 3);  // no memo: dBase III
    EXPECT_EQ(static_cast<uint8_t>(bytes[hl - 1]), dbf::HeaderTerminator);
    EXPECT_EQ(static_cast<uint8_t>(bytes.back()), dbf::EndOfFile);
    EXPECT_EQ(bytes.substr(32, 5), std::string("NAME\0", 5));
    DbfArea a;
    ASSERT_TRUE(Open(a, path)) << EngineErrorMsg;
    EXPECT_EQ(a.recordCount, 0);
    EXPECT_EQ(a.currentRecord, 0);
    EXPECT_TRUE(a.bof && a.eof);
    EXPECT_EQ(a.recordLength, 1 + 12 + 5 + 8 + 8 + 1);
    EXPECT_EQ(a.fields[3].offset, 1 + 12 + 5 + 8);
    EXPECT_EQ(TypedRecordSize(a), 1 + 13 + 4 + 6 + 11 + 1);
    CloseDbf(a);
}

TEST_F(DbfFileTest, TypedBufferRoundTrip) {
    const std::string path = Path("t.dbf");
    test::MakeTable(path, kFields);
    DbfArea a;
    ASSERT_TRUE(Open(a, path));
    std::vector<uint8_t> buf(TypedRecordSize(a), 0);
    const auto put = [&](int field, const std::string& s) {
        uint8_t* p = buf.data() + TypedFieldOffset(a, field);
        p[0] = static_cast<uint8_t>(s.size());
        std::memcpy(p + 1, s.data(), s.size());
    };
    put(0, "Müller"_oem);
    const int32_t nr = 123456;  // too wide for N(5): stored as stars
    std::memcpy(buf.data() + TypedFieldOffset(a, 1), &nr, 4);
    const Real48 r = Real48::FromExtended(-12.3456L);
    std::memcpy(buf.data() + TypedFieldOffset(a, 2), r.Bytes().data(), 6);
    put(3, "17.03.98");
    buf[TypedFieldOffset(a, 4)] = 1;
    a.oem = false;
    UserBufferToRecord(a, buf.data());
    EXPECT_EQ(a.record.substr(1, 12), "Müller      "_oem);
    EXPECT_EQ(a.record.substr(13, 5), "*****");
    EXPECT_EQ(a.record.substr(18, 8), "  -12.35");
    EXPECT_EQ(a.record.substr(26, 8), "19980317");
    EXPECT_EQ(a.record.substr(34, 1), "T");
    ASSERT_TRUE(AppendDbfRecord(a));

    // An empty date in any blank form is stored as blanks and read back blank.
    put(3, "  /  /    ");
    UserBufferToRecord(a, buf.data());
    EXPECT_EQ(a.record.substr(26, 8), "        ");
    ASSERT_TRUE(AppendDbfRecord(a));
    CloseDbf(a);

    ASSERT_TRUE(Open(a, path));
    ASSERT_TRUE(GetDbfRecord(a, 1));
    std::vector<uint8_t> back(TypedRecordSize(a), 0xEE);
    RecordToUserBuffer(a, back.data());
    const uint8_t* d = back.data() + TypedFieldOffset(a, 3);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(d + 1), d[0]), "17.03.98");
    EXPECT_NEAR(
        static_cast<double>(Real48::FromBytes(back.data() + TypedFieldOffset(a, 2)).ToExtended()),
        -12.35, 1e-9);
    EXPECT_EQ(back[TypedFieldOffset(a, 4)], 1);
    ASSERT_TRUE(GetDbfRecord(a, 2));
    RecordToUserBuffer(a, back.data());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(d + 1), d[0]), "  .  .  ");
    CloseDbf(a);
}

TEST(Real48OfDouble, SameAsTheGeneralConversion) {
    std::mt19937_64 rng(7);
    std::vector<double> values = {0.0,
                                  -0.0,
                                  1.0,
                                  -12.35,
                                  0.1,
                                  1e-39,
                                  1e-38,
                                  1.7e38,
                                  1e39,
                                  2.5,
                                  1234567.891,
                                  std::numeric_limits<double>::denorm_min(),
                                  std::numeric_limits<double>::infinity()};
    // Ties: exactly half way between two 6-byte values.
    values.push_back(1.0 + std::ldexp(1.0, -40));
    values.push_back(1.0 + 3 * std::ldexp(1.0, -40));
    values.push_back(2.0 - std::ldexp(1.0, -41));  // rounds up into the next exponent
    for (int i = 0; i < 20000; ++i) {
        double d;
        const uint64_t bits = rng();
        std::memcpy(&d, &bits, sizeof d);
        if (!std::isnan(d)) values.push_back(d);
    }
    for (double d : values)
        ASSERT_EQ(Real48OfDouble(d).Bytes(), Real48::FromExtended(d).Bytes()) << d;
}

TEST_F(DbfFileTest, OemConversionAppliesToFieldsOnly) {
    const std::string path = Path("oem.dbf");
    test::MakeTable(path, {{"T", 'C', 4, 0}});
    DbfArea a;
    ASSERT_TRUE(Open(a, path));
    a.oem = true;
    a.record = std::string(" ") + "\xE4\xF6\xFC\xDF";  // äöüß in the Windows character set
    ASSERT_TRUE(AppendDbfRecord(a));
    EXPECT_EQ(a.record, std::string(" ") + "\xE4\xF6\xFC\xDF");  // buffer stays in Windows form
    CloseDbf(a);
    const std::string bytes = ReadFileBytes(path);
    EXPECT_EQ(bytes.substr(32 + 33 + 1, 4), "äöüß"_oem);
}

TEST_F(DbfFileTest, RewriteUpdatesDateButWritesNoEofByte) {
    const std::string path = Path("rw.dbf");
    test::MakeTable(path, {{"T", 'C', 3, 0}});
    test::AppendRaw(path, {{" ", "abc"}, {" ", "def"}});
    std::string bytes = ReadFileBytes(path);
    bytes.pop_back();  // a file without the end byte, as some writers leave it
    bytes[1] = 80, bytes[2] = 1, bytes[3] = 2;
    WriteFileBytes(path, bytes);
    DbfArea a;
    ASSERT_TRUE(Open(a, path));
    EXPECT_EQ(a.dateText, "19800102");
    ASSERT_TRUE(GetDbfRecord(a, 2));
    a.record[1] = 'X';
    ASSERT_TRUE(PutDbfRecord(a, 2));
    EXPECT_EQ(a.changeState, ChangeRewritten);
    CloseDbf(a);
    const std::string after = ReadFileBytes(path);
    EXPECT_EQ(after.size(), bytes.size());
    EXPECT_NE(after[1], 80);
    EXPECT_EQ(after.substr(after.size() - 4), " Xef");
}

TEST_F(DbfFileTest, CreatedVersionsAndMemoFiles) {
    DefaultCreateVersion = 0x8C;
    test::MakeTable(Path("l7.dbf"), {{"A", 'C', 5, 0}});
    std::string b = ReadFileBytes(Path("l7.dbf"));
    EXPECT_EQ(b[0], 4);
    EXPECT_EQ(b.size(), 32u + 36 + 48 + 1 + 1);
    EXPECT_EQ(b.substr(32, 8), "DBWINWE0");
    EXPECT_EQ(b[32 + 36 + 32], 'C');
    DbfArea a;
    ASSERT_TRUE(Open(a, Path("l7.dbf"))) << EngineErrorMsg;
    EXPECT_EQ(a.fields[0].name, "A");
    EXPECT_EQ(a.fields[0].length, 5);
    CloseDbf(a);

    DefaultCreateVersion = 0x83;
    test::MakeTable(Path("d3.dbf"), {{"F", 'F', 6, 2}, {"M", 'M', 0, 0}});
    b = ReadFileBytes(Path("d3.dbf"));
    EXPECT_EQ(static_cast<uint8_t>(b[0]), 0x83);
    EXPECT_EQ(b[32 + 11], 'N');
    const std::string dbt = ReadFileBytes(Path("d3.dbt"));
    ASSERT_EQ(dbt.size(), 513u);
    EXPECT_EQ(dbt[0], 1);
    EXPECT_EQ(static_cast<uint8_t>(dbt[512]), 0x1A);

    DefaultCreateVersion = 0xF5;
    test::MakeTable(Path("fox.dbf"), {{"M", 'M', 0, 0}});
    const std::string fpt = ReadFileBytes(Path("fox.fpt"));
    ASSERT_EQ(fpt.size(), 512u);
    EXPECT_EQ(fpt.substr(0, 4), Bytes({0, 0, 0, 1}));
    EXPECT_EQ(fpt.substr(6, 2), Bytes({2, 0}));

    DefaultCreateVersion = 0x8B;
    test::MakeTable(Path("d4.dbf"), {{"G", 'G', 0, 0}});
    const std::string dbt4 = ReadFileBytes(Path("d4.dbt"));
    ASSERT_EQ(dbt4.size(), 24u);
    EXPECT_EQ(dbt4.substr(8, 8), std::string("d4\0\0\0\0\0\0", 8));
    EXPECT_EQ(dbt4.substr(18, 4), Bytes({2, 1, 0, 2}));
}

TEST_F(DbfFileTest, BadFieldDefinitionsAreRefused) {
    DbfArea a;
    EXPECT_FALSE(CreateDbf(a, Path("x.dbf"), 1, {{"C0", 'C', 0, 0}}));
    ExpectError(211, "Felddefinition ung");
    EXPECT_FALSE(CreateDbf(a, Path("x.dbf"), 1, {{"  ", 'N', 4, 0}}));
    EXPECT_FALSE(CreateDbf(a, Path("x.dbf"), 1, {{"Q", 'Q', 4, 0}}));
    DefaultCreateVersion = 0x83;
    EXPECT_FALSE(CreateDbf(a, Path("x.dbf"), 1, {{"B", 'B', 0, 0}}));  // blobs need dBase IV
    EXPECT_EQ(EngineErrorCode, 211);
}

TEST_F(DbfFileTest, FoxProBacklinkAfterTerminatorIsSkipped) {
    const std::string path = Path("fox.dbf");
    test::MakeTable(path, {{"A", 'C', 2, 0}});
    std::string b = ReadFileBytes(path);
    const int hl = 32 + 32 + 1 + 263;
    std::string fox = b.substr(0, 65) + std::string(263, '\0') + " xy" + "\x1A";
    fox[0] = static_cast<char>(0xF5);
    fox[4] = 1;
    fox[8] = static_cast<char>(hl & 0xFF), fox[9] = static_cast<char>(hl >> 8);
    WriteFileBytes(path, fox);
    const auto rows = test::ReadAllRecords(path);
    ASSERT_EQ(rows.size(), 1u) << EngineErrorMsg;
    EXPECT_EQ(rows[0][1], "xy");
}

TEST_F(DbfFileTest, DbaseTwoTableReads) {
    // dBase II: 521-byte header, two fields NAME C(4) and N N(3).
    std::string h(521, '\0');
    h[0] = 2, h[1] = 2, h[3] = 7, h[4] = 26, h[5] = 84, h[6] = 8;
    std::memcpy(&h[8], "NAME", 4), h[8 + 11] = 'C', h[8 + 12] = 4;
    std::memcpy(&h[24], "N", 1), h[24 + 11] = 'N', h[24 + 12] = 3;
    h[40] = 0x0D;
    WriteFileBytes(Path("d2.dbf"), h + " abcd 12*wxyz345" + "\x1A");
    DbfArea a;
    ASSERT_TRUE(Open(a, Path("d2.dbf"))) << EngineErrorMsg;
    EXPECT_EQ(a.dateText, "19840726");
    EXPECT_EQ(a.fieldCount, 2);
    ASSERT_TRUE(GetDbfRecord(a, 2));
    EXPECT_EQ(a.record, "*wxyz345");
    ASSERT_TRUE(GetDbfRecord(a, 1));
    a.record[0] = '*';
    ASSERT_TRUE(WriteDeleteFlag(a, 1));
    CloseDbf(a);
    const std::string after = ReadFileBytes(Path("d2.dbf"));
    EXPECT_EQ(after[1], 2);  // the 16-bit count stays
    EXPECT_EQ(after[6], 8);  // the record length stays
    EXPECT_EQ(after[521], '*');
}

// Damaged files: each must give its error and no read outside a buffer.
struct Damage {
    const char* what;
    std::string bytes;
    uint16_t openCode;  // 0: opens, then reading record 1 gives readCode
    uint16_t readCode;
};

std::string Table(uint8_t version, uint32_t count, uint16_t hl, uint16_t rl,
                  const std::string& descs, const std::string& data) {
    std::string p(32, '\0');
    p[0] = static_cast<char>(version);
    std::memcpy(&p[4], &count, 4);
    std::memcpy(&p[8], &hl, 2);
    std::memcpy(&p[10], &rl, 2);
    return p + descs + data;
}

std::string Desc(const char* name, char type, uint8_t len) {
    std::string d(32, '\0');
    std::memcpy(&d[0], name, std::strlen(name));
    d[11] = type;
    d[16] = static_cast<char>(len);
    return d;
}

TEST_F(DbfFileTest, DamagedFilesGiveTheirErrors) {
    const std::string one = Desc("A", 'C', 3) + "\x0D";
    const std::vector<Damage> cases = {
        {"shorter than a prolog", Bytes({3, 0x7A, 1, 1, 0, 0}), 210, 0},
        {"unknown version", Table(0x42, 0, 65, 4, one, ""), 210, 0},
        {"no field room", Table(3, 0, 40, 4, "\x0D", ""), 210, 0},
        {"header of 65535 bytes", Table(3, 0, 65535, 4, one, ""), 210, 0},
        {"more fields than the file holds", Table(3, 0, 32 * 5 + 33, 4, one, ""), 100, 0},
        {"header beyond the file", Table(3, 1, 2000, 4, Desc("A", 'C', 3) + Desc("B", 'C', 3), ""),
         100, 0},
        {"first descriptor is the terminator",
         Table(3, 0, 65, 4, std::string("\x0D") + std::string(32, ' '), ""), 222, 0},
        {"bad field type", Table(3, 0, 65, 4, Desc("A", 'X', 3) + "\x0D", ""), 211, 0},
        {"record length 0", Table(3, 1, 65, 0, one, " abc"), 210, 0},
        {"record length below the fields", Table(3, 1, 65, 3, one, " abc"), 210, 0},
        {"record length 65535", Table(3, 1, 65, 65535, one, " abc\x1A"), 0, 213},
        {"truncated last record", Table(3, 2, 65, 4, one, " abc a"), 0, 0},
        {"count larger than the file", Table(3, 1000, 65, 4, one, " abc\x1A"), 0, 0},
        {"dBase II shorter than its header",
         Bytes({2, 1, 0, 1, 1, 90, 4, 0}) + std::string(100, '\0'), 210, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = Path("bad.dbf");
        WriteFileBytes(path, c.bytes);
        EngineErrorCode = 0;
        DbfArea a;
        const bool opened = Open(a, path);
        EXPECT_EQ(EngineErrorCode, c.openCode) << EngineErrorMsg;
        EXPECT_EQ(opened, c.openCode == 0);
        if (!opened) {
            EXPECT_FALSE(a.file);  // closed after a failed open
            continue;
        }
        bool ok = true;
        for (int32_t n = 1; n <= a.recordCount && ok; ++n) ok = GetDbfRecord(a, n);
        if (c.readCode != 0) {
            EXPECT_EQ(EngineErrorCode, c.readCode);
        }
        if (!ok) {
            EXPECT_EQ(EngineErrorCode, 213) << EngineErrorMsg;
        }
        CloseDbf(a);
    }
}

TEST_F(DbfFileTest, AppendBehindAnOvercountedFileIsRefused) {
    const std::string path = Path("over.dbf");
    WriteFileBytes(path, Table(3, 100000, 65, 4, Desc("A", 'C', 3) + "\x0D", " abc\x1A"));
    DbfArea a;
    ASSERT_TRUE(Open(a, path));
    a.record = " new";
    EXPECT_FALSE(AppendDbfRecord(a));  // would leave a hole of 400 000 bytes
    EXPECT_EQ(EngineErrorCode, 213);
    CloseDbf(a);
    EXPECT_EQ(ReadFileBytes(path).size(), 65u + 4 + 1);
}

TEST_F(DbfFileTest, RecordNumberOutsideTheTable) {
    const std::string path = Path("r.dbf");
    test::MakeTable(path, {{"A", 'C', 1, 0}});
    test::AppendRaw(path, {{" ", "x"}});
    DbfArea a;
    ASSERT_TRUE(Open(a, path));
    EXPECT_FALSE(GetDbfRecord(a, 2));
    ExpectError(212, "Ungültige Datensatznr. = 2 ("_oem);
    EXPECT_FALSE(GetDbfRecord(a, 0));
    CloseDbf(a);
}

TEST_F(DbfFileTest, InjectedFaultsAreReportedAndTheTableStillOpens) {
    const std::string path = Path("f.dbf");
    test::MakeTable(path, {{"A", 'C', 4, 0}});
    test::AppendRaw(path, {{" ", "one"}, {" ", "two"}});
    for (int failAt = 1; failAt <= 4; ++failAt) {
        SCOPED_TRACE(failAt);
        {
            ScopedFaultPlan faults;
            faults.plan().failWrite = failAt;
            DbfArea a;
            ASSERT_TRUE(Open(a, path));
            a.record = " new";
            const bool appended = AppendDbfRecord(a);
            if (!appended) ExpectError(101, "[Replace/Append/PutDbfRecord]");
            EngineErrorCode = 0;
            CloseDbf(a);
        }
        const auto rows = test::ReadAllRecords(path);
        ASSERT_GE(rows.size(), 2u) << EngineErrorMsg;
        EXPECT_EQ(rows[0][1], "one ");
        EXPECT_EQ(rows[1][1], "two ");
    }
    ScopedFaultPlan faults;
    faults.plan().failRead = 2;  // the descriptors
    DbfArea a;
    EXPECT_FALSE(Open(a, path));
    EXPECT_EQ(EngineErrorCode, 100);
    // A failing first read is a read error, not a file too short for a table.
    faults.plan().reads = 0;
    faults.plan().failRead = 1;
    faults.plan().error = EIO;
    EXPECT_FALSE(Open(a, path));
    ExpectError(IoCodeFromErrno(EIO, 100), "Fehler beim Lesen von ");
    EXPECT_EQ(EngineErrorMsg.find("Prolog"), std::string::npos) << EngineErrorMsg;
}

}  // namespace
}  // namespace kor2
