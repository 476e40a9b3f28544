// Index files shared with other programs: indexes written by LibreOffice's
// dBase driver are read, searched and kept up to date here, and the indexes
// written here are read in the same order by Perl XBase when it is installed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/command.h"
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

using test::NdxTest;

class NdxInteropTest : public NdxTest {
protected:
    void CopyData(const std::string& name) {
        std::filesystem::copy_file(test::DataDir() + "/" + name, Path(name));
    }
    // (trimmed key field, record) of every record in the controlling order.
    std::vector<std::pair<std::string, int32_t>> Walk(int field) {
        std::vector<std::pair<std::string, int32_t>> out;
        for (int32_t r : test::WalkForward()) {
            Go(r);
            out.emplace_back(AllTrim(FieldText(field)), r);
        }
        return out;
    }
};

TEST_F(NdxInteropTest, LibreOfficeIndexesAreReadSearchedAndKept) {
    for (const char* f : {"ndx_lo.dbf", "ndx_lo_name.ndx", "ndx_lo_nr.ndx"}) CopyData(f);
    Select(1);
    ASSERT_TRUE(Use(Path("ndx_lo.dbf") + " EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
    Set_Index_To(std::vector<std::string>{Path("ndx_lo_name.ndx"), Path("ndx_lo_nr.ndx")});
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    for (int order = 1; order <= 2; ++order) {
        Set_Order_To(order);
        const auto walk = Walk(order);
        ASSERT_EQ(walk.size(), 60u);
        for (size_t i = 1; i < walk.size(); ++i) {
            if (order == 1)
                EXPECT_LT(walk[i - 1].first, walk[i].first);
            else
                EXPECT_LE(std::stoi(walk[i - 1].first), std::stoi(walk[i].first));
        }
        for (const auto& [key, rec] : walk) {
            EXPECT_TRUE(Find(key)) << key;
            EXPECT_EQ(AllTrim(FieldText(order)), key);
        }
    }
    // Appends and changes go into LibreOffice's trees.
    for (int i = 0; i < 40; ++i) {
        ClearRecord();
        test::SetT("k" + std::to_string(500 + (i * 7) % 40));
        test::SetN(i - 20);
        Append();
        ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    }
    Go(5);
    test::SetT("a000");
    Replace();
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    CloseAllIndexes();
    Set_Index_To(std::vector<std::string>{Path("ndx_lo_name.ndx"), Path("ndx_lo_nr.ndx")});
    const auto names = Walk(1);
    ASSERT_EQ(names.size(), 100u);
    EXPECT_EQ(names.front(), std::make_pair(std::string("a000"), 5));
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end(),
                               [](const auto& a, const auto& b) { return a.first < b.first; }));
    Set_Order_To(2);
    EXPECT_EQ(Walk(2).size(), 100u);
}

// Lines "key record" of an index file as Perl XBase reads it; empty when
// Perl XBase is not installed.
std::string PerlRead(const std::string& file, const char* type) {
    if (std::system("perl -MXBase::Index -e 1 >/dev/null 2>&1") != 0) return {};
    const std::string cmd = "perl -MXBase::Index -e 'my $i = XBase::Index->new(\"" + file +
                            "\", type => \"" + type +
                            "\") or die; $i->prepare_select; "
                            "while (my @d = $i->fetch) { print \"@d\\n\" }'";
    return test::CommandOutput(cmd);
}

TEST_F(NdxInteropTest, PerlXBaseReadsOurIndexesInOurOrder) {
    std::vector<std::vector<std::string>> rows;
    for (int i = 0; i < 500; ++i)
        rows.push_back(
            {"w" + std::to_string((i * 7919) % 1000), std::to_string((i * 31) % 97 - 40)});
    OpenRows(rows);
    MakeIndexFromExpr("T", Path("t.ndx"));
    MakeIndexFromExpr("N", Path("n.ndx"));
    Set_Index_To(std::vector<std::string>{Path("t.ndx"), Path("n.ndx")});
    // Changes after the build: inserts with splits and deletes.
    for (int i = 0; i < 300; ++i) {
        Go(1 + (i * 13) % 500);
        test::SetT("v" + std::to_string(i));
        test::SetN(i % 50);
        Replace();
        ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    }
    std::ostringstream ours[3];
    for (int order = 1; order <= 2; ++order) {
        Set_Order_To(order);
        for (const auto& [key, rec] : Walk(order))
            ours[order] << (order == 1 ? key : std::to_string(std::stoi(key))) << ' ' << rec
                        << '\n';
    }
    CloseAllIndexes();
    const std::string names = PerlRead(Path("t.ndx"), "C");
    if (names.empty()) GTEST_SKIP() << "Perl XBase is not installed";
    // Perl shows the stored keys, which are the folded, blank-padded texts.
    std::istringstream in(names);
    std::ostringstream theirs;
    std::string key, rec;
    while (in >> key >> rec) theirs << key << ' ' << rec << '\n';
    EXPECT_EQ(theirs.str(), ours[1].str());
    EXPECT_EQ(PerlRead(Path("n.ndx"), "N"), ours[2].str());
}

}  // namespace
}  // namespace kor2
