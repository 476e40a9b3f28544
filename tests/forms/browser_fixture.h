// The table browser window over a temporary folder of the test's own, with
// the engine started as the program starts it; the browser tests' fixture.
#pragma once

#include <memory>

#include "common/globals.h"
#include "support/tempdir.h"
#include "tables/base/progress.h"
#include "tables/browser/browsermodel.h"
#include "tables/expr/expression.h"
#include "tables/forms/browserwindow.h"
#include "tables/index/orders.h"
#include "tables_grid_fixture.h"

namespace kor2::test {

class BrowserFormTest : public TableFormTest {
protected:
    void SetUp() override {
        TableFormTest::SetUp();
        InitProgramVariables();
        InitExprParser();
        IndexInit();
        InitW32Tables();
        TempFolder = temp.path().string();
        AbortFlag = false;
        form = InstallDbf4Window();
    }
    void TearDown() override {
        form.reset();
        InitW32Tables();
        MakeEngineProgress = nullptr;
        TableFormTest::TearDown();
    }

    TempDir temp;
    std::unique_ptr<Tdbf4Form> form;
};

}  // namespace kor2::test
