// Float fields of a dBase data set under a German user's C library locale:
// their texts are those under "C", and the text the grid shows takes the
// program's decimal-comma option, never the host's locale.
#include <gtest/gtest.h>

#include "common/globals.h"
#include "ds_testutil.h"
#include "support/germanlocale.h"

namespace kor2::test {
namespace {

class DsLocale : public DsTest {
protected:
    void SetUp() override {
        DsTest::SetUp();
        if (!GermanLocaleInstalled()) GTEST_SKIP() << kNoGermanLocale;
    }
    void TearDown() override {
        DecimalCommaOption = 1;
        DsTest::TearDown();
    }
};

TEST_F(DsLocale, FloatFieldTextsAsUnderCAndShownWithTheProgramsDecimalSign) {
    const std::string path = Sample(3);
    for (const char* locale : {"C", kGermanLocale}) {
        SCOPED_TRACE(locale);
        ScopedCLocale scoped(locale);
        ASSERT_TRUE(scoped.Active());
        TTbDbf ds;
        OpenOn(ds, path);
        TField& price = ds.FieldByName("PRICE");
        EXPECT_EQ(price.AsString(), "1.5");
        DecimalCommaOption = 1;
        EXPECT_EQ(price.DisplayText(), "1.5");
        DecimalCommaOption = 2;
        EXPECT_EQ(price.DisplayText(), "1,5");
        EXPECT_EQ(price.AsString(), "1.5");

        // Both decimal signs are taken from a typed text.
        ds.Edit();
        price.SetAsString("7,85");
        ds.Post();
        EXPECT_EQ(Rows(path)[0][2], "    7.85");
        EXPECT_EQ(price.AsString(), "7.85");
        EXPECT_EQ(price.DisplayText(), "7,85");
        ds.Edit();
        price.SetAsString("1.5");
        ds.Post();
        EXPECT_EQ(Rows(path)[0][2], "    1.50");
        ds.Close();
    }
}

}  // namespace
}  // namespace kor2::test
