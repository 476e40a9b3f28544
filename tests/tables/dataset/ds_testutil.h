// Shared fixture of the data-set tests: an engine in its own folder with the
// error handler on (the data sets raise), German dates with century, message
// boxes recorded instead of shown, and a sample table of ten records.
#pragma once

#include <string>
#include <vector>

#include "tables/base/enginedates.h"
#include "tables/base/engineerror.h"
#include "tables/dataset/filedataset.h"
#include "tables/tbtestutil.h"

namespace kor2::test {

class DsTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        ErrorHandling = true;
        SetDateFormat(4);  // GERMAN
        CenturyDisplay = true;
        SetEngineMessageBox([this](const std::string& text, const std::string&, unsigned) {
            boxes.push_back(text);
            return IDOK;
        });
    }
    void TearDown() override {
        SetEngineMessageBox(nullptr);
        EngineTest::TearDown();
    }
    // NAME C(10), PRICE N(8,2), QTY N(5), DAY D, OK L; record i has NAME "Rn", QTY i.
    std::string Sample(int count = 10) {
        const std::string path = Path("sample.dbf");
        MakeTable(path, {{"NAME", 'C', 10, 0},
                         {"PRICE", 'N', 8, 2},
                         {"QTY", 'N', 5, 0},
                         {"DAY", 'D', 8, 0},
                         {"OK", 'L', 1, 0}});
        std::vector<std::vector<std::string>> rows;
        for (int i = 1; i <= count; ++i)
            rows.push_back(
                {" ", "R" + std::to_string(i), std::to_string(i) + ".50", std::to_string(i),
                 "202001" + std::string(i < 10 ? "0" : "") + std::to_string(i), i % 2 ? "T" : "F"});
        AppendRaw(path, rows);
        return path;
    }
    // Opens the data set on path, named TAB.
    void OpenOn(TTbDbf& ds, const std::string& path) {
        ds.Name = "TAB";
        ds.CreateIfNotFound = false;
        ds.SetDbfFileName(path);
        ds.Open();
    }

    // Every record's stored texts (deletion flag first), read while the data set holds the table.
    static std::vector<std::vector<std::string>> Rows(const std::string& path) {
        std::vector<std::vector<std::string>> rows;
        DbfArea a;
        a.fileName = path;
        EngShareMode = ShareDenyNone;
        if (!OpenDbf(a)) return rows;
        for (int32_t n = 1; n <= a.recordCount && GetDbfRecord(a, n); ++n) {
            std::vector<std::string> row{a.record.substr(0, 1)};
            for (const auto& f : a.fields) row.push_back(a.record.substr(f.offset, f.length));
            rows.push_back(row);
        }
        CloseDbf(a);
        return rows;
    }

    std::vector<std::string> boxes;
};

}  // namespace kor2::test
