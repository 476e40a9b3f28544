// Virtual files: order modes, pop and snip, sorted inserts and replaces,
// delete/recall/pack, field lists, re-sorting and the layer's error texts,
// driven through the ordinary navigation and change commands.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "platform/oemtext.h"
#include "tables/area/changes.h"
#include "tables/area/navigation.h"
#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/dbf/hooks.h"
#include "tables/tbtestutil.h"
#include "tables/vfile/vfiles.h"

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
    // Appends one record per name, numbered by num.
    void Add(std::initializer_list<const char*> names, int32_t num = 0) {
        for (const char* n : names) {
            Put(n, num);
            Append();
            ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
        }
    }
    std::string Name() const {
        std::string s(reinterpret_cast<const char*>(&buf_[2]), buf_[1]);
        int32_t num;
        std::memcpy(&num, &buf_[7], 4);
        return num ? s + std::to_string(num) : s;
    }
    // Names of all records from the first, through the navigation commands.
    std::string All() {
        std::string s;
        for (GoTop(); !dEOF(); Skip(1)) s += Name() + (Deleted() ? "* " : " ");
        return s;
    }
    std::string PopAll() {
        std::string s;
        while (RecCount() > 0) {
            PopRec();
            s += Name();
        }
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

TEST_F(VFileTest, QueueStackAndInsertionOrders) {
    ASSERT_TRUE(Open("FIFO"));
    Add({"a", "b", "c"});
    EXPECT_EQ(PopAll(), "abc");
    EXPECT_TRUE(dEOF() && dBOF());
    PopRec();
    ExpectError(1100, "Leere virtuelle Datei: POP unmöglich von LIST [(PopRec) VFiles]"_oem);

    ASSERT_TRUE(Open("LIFO ALIAS stack"));
    Add({"a", "b", "c"});
    EXPECT_EQ(All(), "c b a ");
    EXPECT_EQ(PopAll(), "cba");

    ASSERT_TRUE(Open("INSERTION"));
    Add({"a", "b"});  // b before a
    Go(2);
    Add({"c"});  // before a
    EXPECT_EQ(RecNo(), 2);
    EXPECT_EQ(All(), "b c a ");
    PopRec();
    ExpectError(1100, "Datensatz POP unzulässig im Einfüge-ModusLIST [(PopRec) VFiles]"_oem);
}

TEST_F(VFileTest, SortedModesPlaceByKeyAndEqualKeysAtTheEnds) {
    ASSERT_TRUE(Open("ASCENDING"));
    Put("x");
    Append();
    ExpectError(1100,
                "LIST ist eine \"sortierte\" virtuelle Datei ohne Schlüsselfunktion. "
                "[Append/InsertRec/PushRec]"_oem);
    KeyByName();
    Add({"m", "c", "t", "p", "e", "r"});
    Add({"c", "t", "p"}, 1);  // equal first key: before; equal last: after; middle: after
    Add({"\x84"});            // code page 850 bytes compare above ASCII
    EXPECT_EQ(All(), "c1 c e m p p1 r t t1 \x84 ");

    ASSERT_TRUE(Open("DESCENDING"));
    KeyByName();
    Add({"b", "d", "a", "c"});
    EXPECT_EQ(All(), "d c b a ");
}

TEST_F(VFileTest, ReplaceMovesARecordOnlyInASortedList) {
    ASSERT_TRUE(Open("ASCENDING"));
    KeyByName();
    Add({"a", "b", "c", "d"});
    Go(2);
    Put("z");
    Replace();
    EXPECT_EQ(RecNo(), 4);
    EXPECT_EQ(All(), "a c d z ");

    ASSERT_TRUE(Open("FIFO"));
    Add({"a", "b", "c"});
    Go(2);
    Put("q");
    Replace();
    EXPECT_EQ(RecNo(), 2);
    EXPECT_EQ(All(), "a q c ");

    // A sorted replace that cannot place the record keeps the old one.
    ASSERT_TRUE(Open("FIFO"));
    Add({"a"});
    Set_VFileMode_To(VfAscending);  // one record: taken, but no key function
    Go(1);
    Put("b");
    Replace();
    EXPECT_EQ(EngineErrorCode, 1100);
    EXPECT_EQ(All(), "a ");
}

TEST_F(VFileTest, DeleteRecallPackAndSnip) {
    ASSERT_TRUE(Open("FIFO"));
    Add({"a", "b", "c", "d"});
    for (int n : {2, 4}) {
        Go(n);
        DeleteRec();
    }
    SetIgnoreDel(true);
    EXPECT_EQ(All(), "a c ");
    SetIgnoreDel(false);
    Go(4);
    RecallRec();
    EXPECT_EQ(All(), "a b* c d ");
    ASSERT_TRUE(Pack());
    EXPECT_EQ(RecNo(), 1);
    EXPECT_EQ(All(), "a c d ");
    Go(3);
    SnipRec();  // the last one: the previous becomes current
    EXPECT_EQ(RecNo(), 2);
    // Pack of deleted records only leaves an empty list at BOF and EOF.
    for (int n : {1, 2}) {
        Go(n);
        DeleteRec();
    }
    ASSERT_TRUE(Pack());
    EXPECT_EQ(RecCount(), 0);
    EXPECT_TRUE(dEOF() && dBOF());
    CallVFile(*CurrentDbf(), VfGo, 1);
    ExpectError(212,
                "Versuch auf ungültigen Datensatz zu positionieren 1  Anzahl Datensätze in "
                "Datenbank ist 0LIST [VFiles]"_oem);
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
    EXPECT_EQ(FieldLen(3), 1);
    EXPECT_EQ(std::string(1, FieldType(4)) + std::to_string(FieldLen(4)), "N10");  // a memo
    EXPECT_EQ(FieldAddress(5) - FieldAddress(0), 21);  // typed sizes 1 + 4 + 11 + 1 + 4

    EXPECT_FALSE(AddStru({{"x", 'N', 0, 0}}));
    ExpectError(
        211, "Ungültige Länge, Feldname: \"X\" in VFile-Felderliste. Alias= MEMORY [AddStru]"_oem);
    EXPECT_FALSE(AddStru({{"x", 'b', 4, 0}}));
    ExpectError(211, "Ungültiger Typ \"B\" in VFile-Felderliste. Alias= MEMORY [AddStru]"_oem);
    // Fields reaching beyond the caller's buffer are refused.
    EXPECT_FALSE(AddStru({{"x", 'C', 39, 0}}));
    EXPECT_EQ(EngineErrorCode, 266);
    EXPECT_EQ(FieldCount(), 5);
}

TEST_F(VFileTest, CommandsCheckTheirWorkAreaAndMode) {
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

    ASSERT_TRUE(Open("FIFO"));
    Add({"a", "b"});
    // With records in another order no sorted mode is taken, in either direction.
    Set_VFileMode_To(VfDescending);
    ExpectError(1100,
                "Sortiermodus kann nicht gesetzt werden: Virtuelle Datei enthält "
                "Datensätze. (LIST) [(Set_VFileMode_To) VFiles]"_oem);
    SortVFile(VfAscending);
    ExpectError(1100,
                "LIST hat keine Schlüsselfunktion.  Datensätze können nicht sortiert "
                "werden. [SortVFile]"_oem);
    KeyByName();
    SortVFile(VfInsertion);
    ExpectError(
        220,
        "Sortiermodus ist nicht aufsteigend oder absteigend für LIST [(SortVFile) VFiles]"_oem);
    SortVFile(VfAscending);
    Set_VFileMode_To(VfDescending);
    EXPECT_EQ(EngineErrorCode, 1100);
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
    Add({"d", "b", "e", "a", "c"});
    SortVFile(VfAscending);
    EXPECT_EQ(Get_VFileMode(), VfAscending);
    EXPECT_EQ(Name(), "c");  // the former last record stays current
    EXPECT_EQ(RecNo(), 3);
    Add({"bb"});
    EXPECT_EQ(All(), "a b bb c d e ");
    SortVFile(VfDescending);
    EXPECT_EQ(All(), "e d c bb b a ");
}

TEST_F(VFileTest, RecordsOfVaryingLength) {
    std::array<uint8_t, 16> b{};
    ASSERT_TRUE(Use("var LINKED LIST", b.data(), 0));
    auto put = [&](const std::string& s) {
        const auto len = static_cast<uint16_t>(s.size() + 1);  // deletion byte and text
        std::memcpy(b.data(), &len, 2);
        b[2] = 0;
        std::memcpy(&b[3], s.data(), s.size());
    };
    for (const char* s : {"x", "longer"}) {
        put(s);
        Append();
    }
    Go(1);
    put("middle");
    Replace();
    b.fill(0);
    Go(1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[3]), 6), "middle");
    DeleteRec();
    EXPECT_EQ(b[2], 1);
    ASSERT_TRUE(Pack());
    EXPECT_EQ(RecCount(), 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[3]), 6), "longer");
}

}  // namespace
}  // namespace kor2
