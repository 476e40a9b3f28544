// The engine's number texts under a German user's C library locale, which
// the form library sets from LANG: reading a number text, a numeric index
// with decimals on the material table, a search value of a numeric field and
// the copy of a character field into a numeric one give what they give
// under "C", with the engine's own separators deciding the decimal point.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "support/germanlocale.h"
#include "tables/area/navigation.h"
#include "tables/area/search.h"
#include "tables/area/workareas.h"
#include "tables/base/enginedates.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginestrings.h"
#include "tables/index/ndx_testutil.h"
#include "tables/index/ndxbuild.h"
#include "tables/index/orders.h"

namespace kor2 {
namespace {

const char* const kLocales[] = {"C", test::kGermanLocale};

class NumbersUnderLocaleTest : public test::NdxTest {
protected:
    void SetUp() override {
        NdxTest::SetUp();
        if (!test::GermanLocaleInstalled()) GTEST_SKIP() << test::kNoGermanLocale;
    }
    static void PointSeparators() { test::PointSeparators(); }
    static void CommaSeparators() {
        DecimalSeparator = ',';
        ThousandsSeparator = '.';
    }
    // The material table shipped with the program, opened from a copy.
    void OpenMaterialTable() {
        const std::string copy = Path("fedwst.dbf");
        std::filesystem::copy_file(std::string(KOR2_SOURCE_DIR) + "/data/fedwst.dbf", copy);
        Select(1);
        ASSERT_TRUE(Use(copy + " EXCLUSIVE", nullptr, 0)) << EngineErrorMsg;
        density_ = FieldNo("DICHTE");
        ASSERT_GT(density_, 0);
    }
    std::string Density() { return AllTrim(FieldText(density_)); }
    int density_ = 0;
};

TEST_F(NumbersUnderLocaleTest, NumberTextsReadAsUnderC) {
    const std::vector<std::string> texts = {"7.85",   "-0.125", "1,234.5", "  +3.5e2", "12.5abc",
                                            "1e-3",   ".5",     "",        "abc",      "0.1",
                                            "-7.85-", "1e5000"};
    std::vector<Extended> underC;
    for (const std::string& t : texts) underC.push_back(TextToReal(t));
    EXPECT_EQ(underC[0], 7.85L);
    EXPECT_EQ(underC[2], 1234.5L);
    EXPECT_EQ(underC[3], 350.0L);
    EXPECT_EQ(underC[4], 12.5L);
    EXPECT_EQ(underC[9], 0.1L);
    EXPECT_EQ(underC[10], -7.85L);
    EXPECT_EQ(underC[11], 0.0L);  // beyond the range: no number
    {
        test::ScopedCLocale german(test::kGermanLocale);
        ASSERT_TRUE(german.Active());
        for (size_t i = 0; i < texts.size(); ++i)
            EXPECT_EQ(TextToReal(texts[i]), underC[i]) << '"' << texts[i] << '"';
        EXPECT_EQ(TextToIntPart("7.85"), 7);
        CommaSeparators();
        EXPECT_EQ(TextToReal("7,85"), 7.85L);
        EXPECT_EQ(TextToReal("1.234,5"), 1234.5L);
        EXPECT_EQ(TextToIntPart("1.234,5"), 1234);
    }
}

TEST_F(NumbersUnderLocaleTest, DensityIndexOfTheMaterialTableFindsEveryKey) {
    OpenMaterialTable();
    Index_On("DICHTE", Path("dichte"));
    ASSERT_EQ(EngineErrorCode, 0) << EngineErrorMsg;
    for (const char* locale : kLocales) {
        SCOPED_TRACE(locale);
        test::ScopedCLocale scoped(locale);
        ASSERT_TRUE(scoped.Active());
        PointSeparators();
        ASSERT_TRUE(Find("7.85"));
        EXPECT_EQ(Density(), "7.85");
        EXPECT_FALSE(Find("7.86"));
        // Every stored density is found, on a record that holds it.
        Set_Order_To(0);
        std::vector<std::string> keys;
        for (int32_t r = 1; r <= RecCount(); ++r) {
            Go(r);
            keys.push_back(Density());
        }
        Set_Order_To(1);
        for (const std::string& key : keys) {
            ASSERT_TRUE(Find(key)) << key;
            EXPECT_EQ(Density(), key);
        }
        // A German user of the engine writes the decimal comma.
        CommaSeparators();
        ASSERT_TRUE(Find("7,85"));
        EXPECT_EQ(Density(), "7,85");
    }
}

TEST_F(NumbersUnderLocaleTest, SearchValuesAndCopiesIntoNumericFields) {
    OpenMaterialTable();
    const std::string texts = Path("texte.dbf");
    test::MakeTable(texts, {{"DICHTE", 'C', 8, 0}, {"GMODUL", 'C', 10, 0}});
    test::AppendRaw(texts, {{" ", "7.85", "81500.5"}, {" ", "-0.25", "1,234.5"}});
    for (const char* locale : kLocales) {
        SCOPED_TRACE(locale);
        test::ScopedCLocale scoped(locale);
        ASSERT_TRUE(scoped.Active());
        PointSeparators();
        ASSERT_TRUE(Locate("DICHTE", "7.85", false, 1, false));
        EXPECT_EQ(Density(), "7.85");
        EXPECT_FALSE(Locate("DICHTE", "7.8", false, 1, true));
        // The character fields go into the numeric fields of the same names.
        const int32_t before = RecCount();
        ASSERT_TRUE(AppendFrom(texts, nullptr)) << EngineErrorMsg;
        ASSERT_EQ(RecCount(), before + 2);
        Go(RecCount() - 1);
        EXPECT_EQ(FieldText(density_), "  7.85");
        EXPECT_EQ(AllTrim(FieldText(FieldNo("GMODUL"))), "81500");
        Go(RecCount());
        EXPECT_EQ(FieldText(density_), " -0.25");
        EXPECT_EQ(AllTrim(FieldText(FieldNo("GMODUL"))), "1234");
    }
}

}  // namespace
}  // namespace kor2
