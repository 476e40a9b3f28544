// Shared fixture of the procedural-interface and browser tests: the data-set
// fixture with the index and expression layers, a table folder and a
// temporary folder of their own, and the browser model reset around each test.
#pragma once

#include <filesystem>
#include <string>

#include "common/globals.h"
#include "common/scriptdialogs.h"
#include "support/runtempfile.h"
#include "tables/browser/browsermodel.h"
#include "tables/browser/procedural.h"
#include "tables/dataset/ds_testutil.h"
#include "tables/expr/expression.h"
#include "tables/index/orders.h"

namespace kor2::test {

class DbfProcTest : public DsTest {
protected:
    void SetUp() override {
        DsTest::SetUp();
        InitProgramVariables();
        InitExprParser();
        IndexInit();
        InitW32Tables();
        DbfFolder = dir_.path().string();
        TempFolder = temp_.path().string();
        AbortFlag = false;
    }
    void TearDown() override {
        InitW32Tables();
        SetDbf4Window(nullptr);
        DsTest::TearDown();
    }
    std::string TempPath(const std::string& name) const { return temp_.file(name); }
    // A file of the run's own folder inside TempFolder.
    std::string RunTempPath(const std::string& name) const { return RunTempFile(name); }
    bool InErrorList(const std::string& text) const {
        for (int k = 1; k <= ErrorList.count; ++k)
            if (ErrorList.slots[k].str() == text) return true;
        return false;
    }
    // The text of field n of the current record, trimmed of blanks.
    static std::string Str(int n) {
        std::string s;
        DbfGetFieldStr(n, s);
        const auto b = s.find_first_not_of(' ');
        if (b == std::string::npos) return {};
        return s.substr(b, s.find_last_not_of(' ') - b + 1);
    }

    ScriptedDialogs dialogs;
    TempDir temp_;
};

}  // namespace kor2::test
