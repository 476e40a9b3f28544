// Character indexes that another dBase program wrote with its keys as the
// records hold them (not folded as this engine folds them): they open, walk,
// go and search by the stored text; changes keep them in their own form
// where their keys are in byte order, and are refused before anything is
// written where they are not, as they are with an index that lacks the
// record's key.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "tables/area/changes.h"
#include "tables/area/navigation.h"
#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginestrings.h"
#include "tables/index/ndx_testutil.h"
#include "tables/index/ndxbuild.h"
#include "tables/index/orders.h"

namespace kor2 {
namespace {

class NdxForeignTest : public test::NdxTest {
protected:
    // The LibreOffice table and indexes, with the names "k" + three digits of
    // at least `from` written "K" + digits in the table and in the name
    // index, as a program that keeps keys unfolded stores them. The index
    // keeps its order by number, so with from > 0 its keys are not in byte
    // order (as under a collation that ignores case).
    void CopyUpperCased(int from) {
        for (const char* f : {"ndx_lo.dbf", "ndx_lo_name.ndx", "ndx_lo_nr.ndx"}) {
            std::string bytes = test::ReadFileBytes(test::DataDir() + "/" + f);
            if (std::string(f) != "ndx_lo_nr.ndx")
                for (size_t i = 0; i + 3 < bytes.size(); ++i)
                    if (bytes[i] == 'k' && std::isdigit(static_cast<unsigned char>(bytes[i + 1])) &&
                        std::isdigit(static_cast<unsigned char>(bytes[i + 2])) &&
                        std::isdigit(static_cast<unsigned char>(bytes[i + 3])) &&
                        std::stoi(bytes.substr(i + 1, 3)) >= from)
                        bytes[i] = 'K';
            test::WriteFileBytes(Path(f), bytes);
        }
    }
    void OpenBoth() {
        Select(1);
        ASSERT_TRUE(Use(Path("ndx_lo.dbf") + " EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
        Set_Index_To(std::vector<std::string>{Path("ndx_lo_name.ndx"), Path("ndx_lo_nr.ndx")});
    }
    std::string Name() { return AllTrim(FieldText(1)); }
    std::vector<std::string> NameWalk() {
        std::vector<std::string> names;
        for (int32_t r : test::WalkForward()) {
            Go(r);
            names.push_back(Name());
        }
        return names;
    }
    // The files of the table and both indexes.
    std::string Files() {
        std::string all;
        for (const char* f : {"ndx_lo.dbf", "ndx_lo_name.ndx", "ndx_lo_nr.ndx"})
            all += test::ReadFileBytes(Path(f));
        return all;
    }
};

TEST_F(NdxForeignTest, UnfoldedIndexOpensWalksFindsAndIsKeptInItsOwnForm) {
    CopyUpperCased(0);
    OpenBoth();
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    std::vector<std::string> names = NameWalk();
    ASSERT_EQ(names.size(), 60u);
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    Go(4);
    EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    EXPECT_EQ(Name(), "K011");

    // Searched by the text as stored.
    EXPECT_TRUE(Find("K013"));
    EXPECT_EQ(Name(), "K013");
    EXPECT_TRUE(Find("K03"));
    EXPECT_EQ(Name(), "K032");
    EXPECT_FALSE(Find("K012"));
    EXPECT_FALSE(Find("k013"));
    EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;

    // A change and an append go in as the other program writes keys.
    ASSERT_TRUE(Find("K013"));
    const int32_t changed = RecNo();
    test::SetT("K500");
    Replace();
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    ClearRecord();
    test::SetT("K001");
    test::SetN(7);
    Append();
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    CloseAllIndexes();
    Set_Index_To(std::vector<std::string>{Path("ndx_lo_name.ndx"), Path("ndx_lo_nr.ndx")});
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    names = NameWalk();
    ASSERT_EQ(names.size(), 61u);
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    EXPECT_EQ(names[1], "K001");
    EXPECT_EQ(names.back(), "K500");
    EXPECT_FALSE(Find("K013"));
    EXPECT_TRUE(Find("K500"));
    EXPECT_EQ(RecNo(), changed);
    Set_Order_To(2);
    EXPECT_EQ(test::WalkForward().size(), 61u);
}

TEST_F(NdxForeignTest, IndexNotInByteOrderRefusesKeyChangesBeforeWriting) {
    CopyUpperCased(50);
    OpenBoth();
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    const std::vector<std::string> names = NameWalk();
    ASSERT_EQ(names.size(), 60u);
    EXPECT_EQ(names.front(), "k000");
    EXPECT_EQ(names.back(), "K099");
    Go(3);
    EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    EXPECT_EQ(Name(), "K074");

    const std::string before = Files();
    test::SetT("k500");
    Replace();
    ExpectError(254, "nicht in Byte-Reihenfolge");
    EXPECT_EQ(Files(), before);
    ClearRecord();
    test::SetT("k001");
    Append();
    ExpectError(254, "nicht in Byte-Reihenfolge");
    EXPECT_EQ(RecCount(), 60);
    EXPECT_EQ(Files(), before);

    // A change that leaves the name alone keeps the index right.
    Go(3);
    test::SetN(99);
    Replace();
    EXPECT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    Set_Order_To(2);
    Go(3);
    Skip(1);
    EXPECT_TRUE(dEOF());
}

TEST_F(NdxForeignTest, IndexWithoutTheRecordsKeyRefusesAChangeBeforeWriting) {
    OpenRows({{"a", "1"}, {"b", "2"}, {"c", "3"}});
    Index_On("T", Path("t.ndx"));
    CloseAllIndexes();
    Go(2);
    test::SetT("x");  // the index does not learn of it
    Replace();
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    Set_Index_To(std::vector<std::string>{Path("t.ndx")});
    ExpectError(212, "nicht im Index");
    const std::string table = test::ReadFileBytes(Path("t.dbf"));
    const std::string index = test::ReadFileBytes(Path("t.ndx"));
    Go(2);
    test::SetT("y");
    Replace();
    ExpectError(212, "nicht im Index");
    EXPECT_EQ(test::ReadFileBytes(Path("t.dbf")), table);
    EXPECT_EQ(test::ReadFileBytes(Path("t.ndx")), index);
}

}  // namespace
}  // namespace kor2
