// Numbers in the table grid: a float field is shown and edited with the
// program's decimal sign (DecimalCommaOption), also under a German user's C
// library locale, and an unchanged number leaves the record unchanged.
#include <QTest>
#include <filesystem>
#include <memory>

#include "common/globals.h"
#include "forms_modal.h"
#include "platform/field.h"
#include "support/germanlocale.h"
#include "tables/forms/grid.h"
#include "tables_grid_fixture.h"

namespace kor2::test {
namespace {

class TablesGridNumbers : public TableFormTest {
protected:
    void Show() {
        const std::string path = Path("prices.dbf");
        std::filesystem::remove(path);
        {
            TTbDbf make;
            make.Name = "MAKE";
            make.DbfFields = {"NAME, C, 10, 0", "PRICE, N, 8, 2"};
            make.SetDbfFileName(path);
            make.Open();
            make.Append();
            make.FieldByName("NAME").SetAsString("Draht");
            make.FieldByName("PRICE").SetAsFloat(7.85);
            make.Post();
            make.Close();
        }
        OpenOn(ds, path);
        src.SetDataSet(&ds);
        grid = std::make_unique<TTbGrid>();
        grid->resize(400, 200);
        grid->SetDataSource(&src);
        grid->show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(grid.get(), kWaitLimitMs));
    }
    QString Cell(int role) { return grid->model()->index(0, 1).data(role).toString(); }
    void TearDown() override {
        grid.reset();
        ds.Close();
        DecimalCommaOption = 1;
        TableFormTest::TearDown();
    }

    TTbDbf ds;
    TDataSource src;
    std::unique_ptr<TTbGrid> grid;
};

TEST_F(TablesGridNumbers, FloatCellsFollowTheProgramsDecimalSign) {
    for (const char* locale : {"C", kGermanLocale}) {
        SCOPED_TRACE(locale);
        ScopedCLocale scoped(locale);
        if (!scoped.Active()) GTEST_SKIP() << kNoGermanLocale;
        Show();
        DecimalCommaOption = 1;
        EXPECT_EQ(Cell(Qt::DisplayRole), "7.85");
        EXPECT_EQ(Cell(Qt::EditRole), "7.85");
        DecimalCommaOption = 2;
        EXPECT_EQ(Cell(Qt::DisplayRole), "7,85");
        EXPECT_EQ(Cell(Qt::EditRole), "7,85");

        // The text the editor started with changes nothing; another is posted.
        const QModelIndex price = grid->model()->index(0, 1);
        EXPECT_TRUE(grid->model()->setData(price, "7,85", Qt::EditRole));
        EXPECT_EQ(ds.State(), TDataSetState::dsBrowse);
        EXPECT_TRUE(grid->model()->setData(price, "8,5", Qt::EditRole));
        EXPECT_EQ(ds.State(), TDataSetState::dsEdit);
        ds.Post();
        EXPECT_EQ(ds.FieldByName("PRICE").AsFloat(), 8.5);
        EXPECT_EQ(Cell(Qt::DisplayRole), "8,5");
        grid.reset();
        ds.Close();
        EXPECT_TRUE(errors.empty()) << errors.front();
    }
}

}  // namespace
}  // namespace kor2::test
