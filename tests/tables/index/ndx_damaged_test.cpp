// Damaged index files give their error and never crash; a fault injected at
// every read and write of index work is reported and REINDEX repairs the
// file afterwards. Also the order commands' refusals and EXACT.
#include <gtest/gtest.h>

#include <algorithm>

#include <cstring>

#include "platform/oemtext.h"
#include "tables/area/changes.h"
#include "tables/area/navigation.h"
#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginefile.h"
#include "tables/index/ndx_testutil.h"
#include "tables/index/ndxbuild.h"
#include "tables/index/ndxformat.h"
#include "tables/index/orders.h"

namespace kor2 {
namespace {

using test::NdxTest;
using test::SetT;

struct Patch {
    size_t at;
    std::vector<uint8_t> bytes;
};

// A header for the character key "T" of length 8 (31 keys of 16 bytes per
// node), root 1, next free 2, and an empty root; then the patches.
std::string NdxFile(size_t blocks, std::initializer_list<Patch> patches) {
    std::string f(blocks * 512, '\0');
    const Patch header[] = {
        {0, {0x01, 0, 0, 0, 0x02, 0, 0, 0, 0, 'C', 0, 0, 0x08, 0, 0x1F, 0, 0, 0, 0x10, 0}},
        {24, {'T'}},
    };
    for (const Patch& p : header) std::memcpy(f.data() + p.at, p.bytes.data(), p.bytes.size());
    for (const Patch& p : patches)
        if (p.at + p.bytes.size() <= f.size())
            std::memcpy(f.data() + p.at, p.bytes.data(), p.bytes.size());
    return f;
}

// A leaf entry: child 0, record r, key "a" + blanks, at node n, entry i.
Patch Leaf(int node, int i, uint8_t rec, char key) {
    return {
        static_cast<size_t>(node * 512 + 4 + i * 16),
        {0, 0, 0, 0, rec, 0, 0, 0, static_cast<uint8_t>(key), ' ', ' ', ' ', ' ', ' ', ' ', ' '}};
}
Patch Count(int node, uint8_t n) {
    return {static_cast<size_t>(node * 512), {n, 0, 0, 0}};
}
Patch U32At(size_t at, uint8_t v) {
    return {at, {v, 0, 0, 0}};
}

class NdxDamagedTest : public NdxTest {
protected:
    void SetUp() override {
        NdxTest::SetUp();
        OpenRows({{"a", "1"}, {"b", "2"}, {"c", "3"}});
    }
    // Opens the bytes as an index; when that works, walks and seeks.
    bool OpenAndWalk(const std::string& bytes) {
        test::WriteFileBytes(Path("x.ndx"), bytes);
        if (!SetIndexTo(Path("x.ndx"), 1)) return false;
        Set_Order_To(1);
        uint16_t worst = EngineErrorCode;
        GoTop();
        for (int i = 0; i < 10 && !dEOF() && EngineErrorCode == 0; ++i) Skip(1);
        worst = std::max(worst, EngineErrorCode);
        GoBottom();
        worst = std::max(worst, EngineErrorCode);
        Find("b");
        worst = std::max(worst, EngineErrorCode);
        CloseAllIndexes();
        EngineErrorCode = worst;
        return true;
    }
};

TEST_F(NdxDamagedTest, BadHeadersAreRefusedOnOpen) {
    const std::string sound = NdxFile(2, {});
    const std::pair<const char*, std::string> cases[] = {
        {"short file", sound.substr(0, 700)},
        {"key length 0", NdxFile(2, {{12, {0, 0}}})},
        {"key length 101", NdxFile(2, {{12, {101, 0}}})},
        {"key type X", NdxFile(2, {{9, {'X'}}})},
        {"numeric key of 4 bytes", NdxFile(2, {{9, {'N'}}, {12, {4, 0}}})},
        {"entry smaller than key", NdxFile(2, {{18, {8, 0}}})},
        {"keys per node beyond the block", NdxFile(2, {{14, {200, 0}}})},
        {"root 0", NdxFile(2, {U32At(0, 0)})},
        {"root beyond the file", NdxFile(2, {U32At(0, 9)})},
    };
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        test::WriteFileBytes(Path("x.ndx"), bytes);
        EXPECT_FALSE(SetIndexTo(Path("x.ndx"), 1));
        ExpectError(222, "Kann Index nicht öffnen: "_oem);
        EXPECT_EQ(OrderBlock(1), nullptr);
    }
    test::WriteFileBytes(Path("x.ndx"), NdxFile(2, {{24, {'T', '+', 0}}}));
    EXPECT_FALSE(SetIndexTo(Path("x.ndx"), 1));
    ExpectError(222, "Ungültiger dBASE-Schlüsselausdruck oder Index-Datei beschädigt "_oem);
    test::WriteFileBytes(Path("x.ndx"), NdxFile(2, {{24, {'N', 0}}}));
    EXPECT_FALSE(SetIndexTo(Path("x.ndx"), 1)) << "numeric expression on a character index";
}

TEST_F(NdxDamagedTest, BadTreesGiveErrorsNotCrashes) {
    // A sound tree of two leaves under root 3 for comparison.
    const std::string sound = NdxFile(4, {U32At(0, 3),
                                          U32At(4, 4),
                                          Count(1, 2),
                                          Leaf(1, 0, 1, 'a'),
                                          Leaf(1, 1, 2, 'b'),
                                          Count(2, 1),
                                          Leaf(2, 0, 3, 'c'),
                                          Count(3, 1),
                                          U32At(3 * 512 + 4, 1),
                                          {3 * 512 + 12, {'b', ' ', ' ', ' ', ' ', ' ', ' ', ' '}},
                                          U32At(3 * 512 + 20, 2)});
    ASSERT_TRUE(OpenAndWalk(sound));
    EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;

    struct Case {
        const char* what;
        std::string bytes;
        uint16_t code;
    };
    auto patched = [&](std::initializer_list<Patch> p) {
        std::string f = sound;
        for (const Patch& x : p) std::memcpy(f.data() + x.at, x.bytes.data(), x.bytes.size());
        return f;
    };
    const Case cases[] = {
        {"count beyond the node", patched({Count(3, 40)}), 254},
        {"upper count bytes set", patched({{3 * 512 + 2, {1}}}), 254},
        {"child pointing to itself", patched({U32At(3 * 512 + 4, 3)}), 254},
        {"trailing pointer 0", patched({U32At(3 * 512 + 20, 0)}), 254},
        {"child beyond the file", patched({U32At(3 * 512 + 4, 60)}), 100},
        {"leaf count beyond the node", patched({Count(1, 33)}), 254},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (OpenAndWalk(c.bytes)) {
            EXPECT_EQ(EngineErrorCode, c.code) << EngineErrorMsg;
        } else {
            EXPECT_EQ(EngineErrorCode, c.code) << EngineErrorMsg;
            EXPECT_EQ(OrderBlock(1), nullptr);
        }
    }
    // Keys out of order and records beyond the table: wrong answers at worst.
    for (const std::string& bytes :
         {patched({Leaf(1, 0, 1, 'z')}), patched({Leaf(2, 0, 99, 'c')}), patched({Count(2, 0)})}) {
        OpenAndWalk(bytes);
        EngineErrorCode = 0;
    }
}

TEST_F(NdxDamagedTest, FaultAtEveryWriteIsReportedAndReindexRepairs) {
    MakeIndexFromExpr("T", Path("t.ndx"));
    for (int failAt = 1; failAt < 60; ++failAt) {
        SCOPED_TRACE(failAt);
        bool injected;
        {
            ScopedFaultPlan faults;
            ASSERT_TRUE(SetIndexTo(Path("t.ndx"), 1)) << EngineErrorMsg;
            Set_Order_To(1);
            faults.plan().failWrite = failAt;
            bool failed = false;
            for (int i = 0; i < 40 && !failed; ++i) {
                ClearRecord();
                SetT("k" + std::to_string((i * 37) % 41));
                Append();
                failed = EngineErrorCode != 0;
            }
            injected = faults.plan().failed;
            EXPECT_EQ(failed, injected) << EngineErrorMsg;
            CloseAllIndexes();
        }
        ASSERT_TRUE(SetIndexTo(Path("t.ndx"), 1)) << EngineErrorMsg;
        Set_Order_To(1);  // may find the table's last record missing
        Reindex();
        ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
        EXPECT_EQ(static_cast<int32_t>(test::WalkForward().size()), RecCount());
        CloseAllIndexes();
        if (!injected) break;
    }
}

TEST_F(NdxDamagedTest, FaultAtEveryReadOfABuildIsReported) {
    for (int failAt = 1; failAt < 20; ++failAt) {
        SCOPED_TRACE(failAt);
        ScopedFaultPlan faults;
        IndexSortCapacity = 256;
        faults.plan().failRead = failAt;
        Index_On("T", Path("r.ndx"));
        IndexSortCapacity = 1 << 20;
        const bool injected = faults.plan().failed;
        EXPECT_EQ(EngineErrorCode != 0, injected) << EngineErrorMsg;
        if (!injected) break;
    }
}

TEST_F(NdxDamagedTest, OrderCommandsAndTheirRefusals) {
    Set_Order_To(1);
    ExpectError(221, "Index nicht geöffnet.. (DBF="_oem);
    MakeIndexFromExpr("T", Path("t.ndx"));
    MakeIndexFromExpr("N", Path("n.ndx"));
    ASSERT_TRUE(SetIndexTo(Path("t.ndx"), 1));
    EXPECT_FALSE(SetIndexTo(Path("T.NDX"), 2));
    ExpectError(220, "Index-Datei bereits geöffnet: "_oem);
    EXPECT_FALSE(SetIndexTo(Path("n.ndx"), 17));
    ExpectError(220, "Parameter Index-Ordnung außerhalb des zulässigen Bereichs"_oem);
    EXPECT_FALSE(SetIndexTo("none", 2));  // looked for beside the table
    EXPECT_EQ(EngineErrorCode, 2);
    EXPECT_EQ(EngineErrorMsg, "Öffnungsversuch von none [SetIndexTo(...,2)]"_oem);
    // A name in the program's form reaches the message as the host writes it.
    std::string dos = "C:" + Path("none.ndx");
    std::replace(dos.begin(), dos.end(), '/', '\\');
    EXPECT_FALSE(SetIndexTo(dos, 2));
    EXPECT_EQ(EngineErrorMsg,
              "Öffnungsversuch von "_oem + Path("none.ndx") + " [SetIndexTo(...,2)]");
    ExpectError(2, "Öffnungsversuch von "_oem);
    Set_Order_To(17);
    ExpectError(220, "Ungültige Index-Ordnung angegeben: SET_ORDER_TO. [Set_Order_To(17)]"_oem);
    ASSERT_TRUE(SetIndexTo(Path("n.ndx"), 2));
    Set_Order_To(2);
    EXPECT_EQ(CurrentOrderNo(), 2);
    EXPECT_EQ(IndexOrderName(2), Path("n.ndx"));
    Set_Order_To(0);
    EXPECT_EQ(CurrentOrderNo(), 0);
    EXPECT_FALSE(Find("a"));
    ExpectError(254, "Find() mit Index-Ordnung 0 (natürliche Ordnung) nicht erlaubt [Find]"_oem);
    EXPECT_EQ(test::WalkForward(), (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(test::WalkBackward(), (std::vector<int32_t>{3, 2, 1}));
    Go(2);
    EXPECT_EQ(ControllingKeyText(), "Rec:         2");
    Set_Order_To(1);
    EXPECT_EQ(RecNo(), 2);
    EXPECT_EQ(ControllingKeyText(), "b       ");
    Select(2);
    EXPECT_FALSE(SetIndexTo(Path("t.ndx"), 1));
    ExpectError(215, "Index-Datei ohne geöffnete DBF-Datei."_oem);
}

TEST_F(NdxDamagedTest, ExactAndLeadingParts) {
    CloseArea();
    OpenRows({{"ABC", "1"}, {"ab", "2"}, {"Müller"_oem, "3"}}, "e.dbf");
    Index_On("T", Path("e.ndx"));
    EXPECT_TRUE(Find("AB"));
    EXPECT_EQ(RecNo(), 2);  // "ab" + blanks sorts before "abc"
    EXPECT_TRUE(Find("abc"));
    EXPECT_EQ(RecNo(), 1);
    EXPECT_FALSE(SetExactOn());
    EXPECT_FALSE(Find("a"));
    EXPECT_TRUE(dEOF());
    EXPECT_TRUE(Find("AB"));
    EXPECT_EQ(RecNo(), 2);
    EXPECT_TRUE(SetExactOff());
    EXPECT_TRUE(Find("mueller"));
    EXPECT_EQ(RecNo(), 3);
    EXPECT_FALSE(Find("zz"));
    EXPECT_TRUE(dEOF());
    EXPECT_EQ(RecNo(), 4);
    EXPECT_FALSE(IndexFoundFlag);
}

TEST_F(NdxDamagedTest, DeletingTheOnlyKeyLeavesAnEmptyIndex) {
    CloseArea();
    OpenRows({{"a", "1"}}, "o.dbf");
    Index_On("T", Path("o.ndx"));
    // The key leaves the index through a change to another key, then the
    // entry of the new key is deleted directly.
    IndexControlBlock* b = OrderBlock(1);
    ASSERT_NE(b, nullptr);
    std::string key;
    ASSERT_TRUE(CurrentRecordKey(*b, key));
    ASSERT_EQ(DeleteIndexKey(*b, key, 1), 0);
    EXPECT_EQ(b->hdr.root, 1u);
    EXPECT_EQ(b->hdr.nextFree, 2u);
    EXPECT_EQ(IndexGoTop(), 2);
    CloseAllIndexes();
    IndexFileInfo info;
    ASSERT_TRUE(IndexInfo(Path("o.ndx"), info));
    EXPECT_EQ(info.expression, "T");
    EXPECT_EQ(info.recordCount, 1);
    EXPECT_EQ(info.tableName, "O.DBF");
    std::string f = test::ReadFileBytes(Path("o.ndx"));
    f[ndx::HdrStampNot] ^= 1;
    test::WriteFileBytes(Path("o.ndx"), f);
    EXPECT_EQ(IndexRecCount(Path("o.ndx")), -1);
}

}  // namespace
}  // namespace kor2
