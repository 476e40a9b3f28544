// Virtual files: order modes, pop and snip, sorted inserts and replaces,
// delete/recall/pack, field lists, re-sorting, the layer's error texts, and a
// virtual file driven through the ordinary navigation and change commands.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "platform/oemtext.h"
#include "tables/dbf4.h"
#include "tables/dbf4change.h"
#include "tables/dbf4nav.h"
#include "tables/dbf4search.h"
#include "tables/tbcommon.h"
#include "tables/tbhooks.h"
#include "tables/tbtestutil.h"
#include "tables/vfiles.h"

namespace kor2 {
namespace {

// Record: deletion byte, NAME C 5 (length byte + 5), NUM N 4 0 (int32).
constexpr uint16_t kSize = 11;

class VFileTest : public test::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        InstallVFileHook();
    }
    bool Open(const std::string& options) {
        if (!Use("list LINKED LIST " + options, buf_.data(), kSize)) return false;
        return AddStru({{"name", 'c', 5, 0}, {"Num", 'N', 4, 0}});
    }
    void Put(const std::string& name, int32_t num = 0) {
        buf_.fill(0);
        buf_[1] = static_cast<uint8_t>(name.size());
        std::memcpy(&buf_[2], name.data(), name.size());
        std::memcpy(&buf_[7], &num, 4);
    }
    void Add(const std::string& name, int32_t num = 0) {
        Put(name, num);
        Append();
        ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    }
    std::string Name() const {
        return std::string(reinterpret_cast<const char*>(&buf_[2]), buf_[1]);
    }
    // Names of all records from the first, through the navigation commands.
    std::string All() {
        std::string s;
        for (GoTop(); !dEOF(); Skip(1)) s += Name() + (Deleted() ? "*" : "") + " ";
        return s;
    }
    void KeyByName() {
        Set_VFileKey_To(
            [](void* arg) {
                const auto* b = static_cast<const uint8_t*>(arg);
                return std::string(reinterpret_cast<const char*>(b + 2), b[1]);
            },
            buf_.data());
    }

    std::array<uint8_t, kSize> buf_{};
};

TEST_F(VFileTest, QueueAndStackPopInTheirOrder) {
    ASSERT_TRUE(Open("FIFO"));
    for (const char* n : {"a", "b", "c"}) Add(n);
    std::string popped;
    for (int i = 0; i < 3; ++i) {
        PopRec();
        popped += Name();
    }
    EXPECT_EQ(popped, "abc");
    EXPECT_EQ(RecCount(), 0);
    EXPECT_TRUE(dEOF() && dBOF());
    PopRec();
    ExpectError(1100, "Leere virtuelle Datei: POP unmöglich von LIST [(PopRec) VFiles]"_oem);

    ASSERT_TRUE(Open("LIFO ALIAS stack"));
    for (const char* n : {"a", "b", "c"}) Add(n);
    EXPECT_EQ(All(), "c b a ");
    popped.clear();
    for (int i = 0; i < 3; ++i) {
        PopRec();
        popped += Name();
    }
    EXPECT_EQ(popped, "cba");
}

TEST_F(VFileTest, InsertionGoesBeforeTheCurrentRecord) {
    ASSERT_TRUE(Open("INSERTION"));
    Add("a");
    Add("b");  // before a
    EXPECT_EQ(RecNo(), 1);
    Go(2);
    Add("c");  // before a, record 2
    EXPECT_EQ(RecNo(), 2);
    EXPECT_EQ(Name(), "c");
    EXPECT_EQ(All(), "b c a ");
    PopRec();
    ExpectError(1100, "Datensatz POP unzulässig im Einfüge-ModusLIST [(PopRec) VFiles]"_oem);
    EXPECT_EQ(RecCount(), 3);
}

TEST_F(VFileTest, SortedModesPlaceByKeyAndEqualKeysAtTheEnds) {
    ASSERT_TRUE(Open("ASCENDING"));
    Put("x");
    Append();
    ExpectError(1100,
                "LIST ist eine \"sortierte\" virtuelle Datei ohne Schlüsselfunktion. "
                "[Append/InsertRec/PushRec]"_oem);
    EXPECT_EQ(RecCount(), 0);
    KeyByName();
    for (const char* n : {"m", "c", "t", "p", "e", "r"}) Add(n);
    EXPECT_EQ(All(), "c e m p r t ");
    Add("c", 1);  // equal to the first key: before it
    Add("t", 1);  // equal to the last key: after it
    Add("p", 1);  // equal to a middle key: after that record
    Add("\x84");  // code page 850 bytes compare above ASCII
    std::string nums;
    for (GoTop(); !dEOF(); Skip(1)) {
        int32_t v;
        std::memcpy(&v, &buf_[7], 4);
        nums += Name() + std::to_string(v) + " ";
    }
    EXPECT_EQ(nums,
              "c1 c0 e0 m0 p0 p1 r0 t0 t1 \x84"
              "0 ");

    ASSERT_TRUE(Open("DESCENDING"));
    KeyByName();
    for (const char* n : {"b", "d", "a", "c"}) Add(n);
    EXPECT_EQ(All(), "d c b a ");
}

TEST_F(VFileTest, ReplaceMovesARecordInASortedListAndOverwritesOtherwise) {
    ASSERT_TRUE(Open("ASCENDING"));
    KeyByName();
    for (const char* n : {"a", "b", "c", "d"}) Add(n);
    Go(2);
    Put("z");
    Replace();
    EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    EXPECT_EQ(RecNo(), 4);
    EXPECT_EQ(All(), "a c d z ");

    ASSERT_TRUE(Open("FIFO"));
    for (const char* n : {"a", "b", "c"}) Add(n);
    Go(2);
    Put("q", 7);
    Replace();
    EXPECT_EQ(RecNo(), 2);
    EXPECT_EQ(All(), "a q c ");
    // Writing past the last record adds one.
    Put("n");
    CallVFile(*CurrentDbf(), VfWrite, 9);
    EXPECT_EQ(All(), "a q c n ");
}

TEST_F(VFileTest, SortedReplaceWithoutKeyKeepsTheRecord) {
    ASSERT_TRUE(Open("FIFO"));
    Add("a");
    Set_VFileMode_To(VfAscending);  // one record: taken
    EXPECT_EQ(Get_VFileMode(), VfAscending);
    Go(1);
    Put("b");
    Replace();
    EXPECT_EQ(EngineErrorCode, 1100);
    EXPECT_EQ(All(), "a ");
}

TEST_F(VFileTest, DeleteRecallPackAndSnip) {
    ASSERT_TRUE(Open("FIFO"));
    for (const char* n : {"a", "b", "c", "d"}) Add(n);
    Go(2);
    DeleteRec();
    EXPECT_TRUE(Deleted());
    Go(4);
    DeleteRec();
    Go(1);
    EXPECT_FALSE(Deleted());
    EXPECT_EQ(All(), "a b* c d* ");
    Go(4);
    RecallRec();
    EXPECT_FALSE(Deleted());
    ASSERT_TRUE(Pack());
    EXPECT_EQ(RecNo(), 1);
    EXPECT_EQ(Name(), "a");
    EXPECT_EQ(All(), "a c d ");
    Go(3);
    SnipRec();  // the last one: the previous becomes current
    EXPECT_EQ(RecNo(), 2);
    Go(1);
    SnipRec();
    EXPECT_EQ(RecNo(), 1);
    EXPECT_EQ(All(), "c ");

    for (int i = 1; i <= RecCount(); ++i) {
        Go(i);
        DeleteRec();
    }
    Add("e");
    DeleteRec();
    ASSERT_TRUE(Pack());
    EXPECT_EQ(RecCount(), 0);
    EXPECT_TRUE(dEOF());
    EXPECT_TRUE(dBOF());
}

TEST_F(VFileTest, NavigationHidesDeletedRecordsAndStopsAtTheEnds) {
    ASSERT_TRUE(Open("FIFO"));
    for (const char* n : {"a", "b", "c"}) Add(n);
    Go(2);
    DeleteRec();
    SetIgnoreDel(true);
    EXPECT_EQ(All(), "a c ");
    GoBottom();
    EXPECT_EQ(Name(), "c");
    Skip(-1);
    EXPECT_EQ(Name(), "a");
    Skip(-1);
    EXPECT_TRUE(dBOF());
    CallVFile(*CurrentDbf(), VfGo, 4);
    ExpectError(212,
                "Versuch auf ungültigen Datensatz zu positionieren 4  Anzahl Datensätze in "
                "Datenbank ist 3LIST [VFiles]"_oem);
    CallVFile(*CurrentDbf(), VfZap);
    EXPECT_EQ(RecCount(), 0);
    EXPECT_TRUE(dEOF());
}

TEST_F(VFileTest, FieldListsBecomeTypedFields) {
    std::array<uint8_t, 40> big{};
    ASSERT_TRUE(Use("memory VIRTUAL FILE", big.data(), big.size()));
    ASSERT_TRUE(AddStru({{"  a_very_long_name ", 'c', 3, 0},
                         {"d", 'd', 0, 0},
                         {"l", 'L', 0, 0},
                         {"m", 'M', 0, 0},
                         {"f", 'F', 8, 2}}));
    ASSERT_EQ(FieldCount(), 5);
    EXPECT_EQ(Field(1), "A_VERY_LON");
    EXPECT_EQ(FieldLen(2), 8);
    EXPECT_EQ(FieldType(3), 'L');
    EXPECT_EQ(FieldLen(3), 1);
    EXPECT_EQ(FieldType(4), 'N');  // a memo is a 10-digit number
    EXPECT_EQ(FieldLen(4), 10);
    EXPECT_EQ(FieldDec(4), 0);
    // Typed layout: 1 + 4 + 11 + 1 + 4 before the 6-byte real.
    EXPECT_EQ(FieldAddress(5) - FieldAddress(0), 21);
    big[16] = 1;
    EXPECT_EQ(FieldText(3), "Y");

    EXPECT_FALSE(AddStru({{"x", 'N', 0, 0}}));
    ExpectError(
        211, "Ungültige Länge, Feldname: \"X\" in VFile-Felderliste. Alias= MEMORY [AddStru]"_oem);
    EXPECT_FALSE(AddStru({{"x", 'b', 4, 0}}));
    ExpectError(211, "Ungültiger Typ \"B\" in VFile-Felderliste. Alias= MEMORY [AddStru]"_oem);
    EXPECT_EQ(FieldCount(), 5);  // a refused list leaves the old one
    // A field list larger than the caller's buffer would reach beyond it.
    EXPECT_FALSE(AddStru({{"x", 'C', 39, 0}}));
    EXPECT_EQ(EngineErrorCode, 266);
    EXPECT_EQ(FieldCount(), 5);
}

TEST_F(VFileTest, CommandsCheckTheirWorkArea) {
    Select(5);
    SnipRec();
    ExpectError(215,
                "Keine Datenbank (bzw. kein Arbeitsbereich) geöffnet. [SnipRec]  WorkArea = 5"_oem);
    EXPECT_EQ(Get_VFileMode(), 0);
    const std::string path = Path("disk.dbf");
    test::MakeTable(path, {{"A", 'C', 3, 0}});
    ASSERT_TRUE(Use(path, nullptr, 0));
    PopRec();
    ExpectError(1100, "DISK ist keine virtuelle Datei. [PopRec]");
    EXPECT_FALSE(AddStru({}));

    ASSERT_TRUE(Open("FIFO"));
    Add("a");
    Add("b");
    Set_VFileMode_To(VfDescending);
    ExpectError(1100,
                "Sortiermodus kann nicht gesetzt werden: Virtuelle Datei enthält "
                "Datensätze. (LIST) [(Set_VFileMode_To) VFiles]"_oem);
    EXPECT_EQ(Get_VFileMode(), VfFifo);
    Set_VFileMode_To(VfLifo);
    EXPECT_EQ(Get_VFileMode(), VfLifo);
    SortVFile(VfAscending);
    ExpectError(1100,
                "LIST hat keine Schlüsselfunktion.  Datensätze können nicht sortiert "
                "werden. [SortVFile]"_oem);
    KeyByName();
    SortVFile(VfInsertion);
    ExpectError(
        220,
        "Sortiermodus ist nicht aufsteigend oder absteigend für LIST [(SortVFile) VFiles]"_oem);
    Set_VFileMode_To(7);
    Put("c");
    Append();
    ExpectError(1100,
                "7 ist ein ungültiger VFile-Mode für LIST [(AddLL) VFiles INTERNAL ERROR]"_oem);
    EXPECT_EQ(RecCount(), 2);
}

TEST_F(VFileTest, SortVFileReordersAndKeepsTheModeForLaterAdds) {
    ASSERT_TRUE(Open("FIFO"));
    KeyByName();
    for (const char* n : {"d", "b", "e", "a", "c"}) Add(n);
    SortVFile(VfAscending);
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    EXPECT_EQ(Get_VFileMode(), VfAscending);
    EXPECT_EQ(RecNo(), 3);  // the former last record, "c"
    EXPECT_EQ(Name(), "c");
    EXPECT_EQ(All(), "a b c d e ");
    Add("bb");
    EXPECT_EQ(All(), "a b bb c d e ");
    SortVFile(VfDescending);
    EXPECT_EQ(All(), "e d c bb b a ");
}

TEST_F(VFileTest, RecordsOfVaryingLength) {
    std::array<uint8_t, 16> b{};
    ASSERT_TRUE(Use("var LINKED LIST", b.data(), 0));
    auto put = [&](const std::string& s) {
        const uint16_t len = static_cast<uint16_t>(s.size() + 1);
        std::memcpy(b.data(), &len, 2);
        b[2] = 0;
        std::memcpy(&b[3], s.data(), s.size());
    };
    auto text = [&] {
        uint16_t len;
        std::memcpy(&len, b.data(), 2);
        return std::string(reinterpret_cast<const char*>(&b[3]), len - 1u);
    };
    put("x");
    Append();
    put("longer");
    Append();
    Go(1);
    put("middle");
    Replace();
    b.fill(0);
    Go(1);
    EXPECT_EQ(text(), "middle");
    DeleteRec();
    EXPECT_EQ(b[2], 1);
    Go(2);
    EXPECT_EQ(text(), "longer");
    ASSERT_TRUE(Pack());
    EXPECT_EQ(RecCount(), 1);
    EXPECT_EQ(text(), "longer");
}

TEST_F(VFileTest, RecordsCopyToADiskTableByFieldName) {
    ASSERT_TRUE(Open("ASCENDING ALIAS mem"));
    KeyByName();
    Add("zeta", 3);
    Add("alpha", -12);
    const std::string path = Path("out.dbf");
    test::MakeTable(path, {{"NUM", 'N', 5, 0}, {"NAME", 'C', 8, 0}});
    Select(2);
    ASSERT_TRUE(Use(path + " EXCLUSIVE", nullptr, 0));
    ASSERT_TRUE(AppendFrom("mem VIRTUAL FILE", nullptr)) << EngineErrorMsg;
    CloseAllAreas();
    const auto rows = test::ReadAllRecords(path);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][1] + rows[0][2], "  -12alpha   ");
    EXPECT_EQ(rows[1][1] + rows[1][2], "    3zeta    ");
}

}  // namespace
}  // namespace kor2
