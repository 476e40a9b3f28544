// Shared fixture of the grid, navigator and browser tests: the table engine
// in its own folder with German dates, engine message boxes recorded, and a
// dBase table written by the test through the file data set.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/tempdir.h"
#include "tables/area/engine.h"
#include "tables/base/enginedates.h"
#include "tables/base/engineerror.h"
#include "tables/dataset/filedataset.h"
#include "tables/dataset/primitiveds.h"
#include "tables/dbf/hooks.h"

namespace kor2::test {

class TableFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitTableEngine();
        ErrorHandling = true;
        SetDateFormat(4);  // GERMAN
        CenturyDisplay = true;
        SetEngineMessageBox([this](const std::string& text, const std::string&, unsigned) {
            boxes.push_back(text);
            return IDOK;
        });
        DataSetExceptionHandler = [this](std::exception_ptr p) {
            try {
                std::rethrow_exception(p);
            } catch (const std::exception& e) {
                errors.push_back(e.what());
            }
        };
    }
    void TearDown() override {
        DataSetExceptionHandler = nullptr;
        SetEngineMessageBox(nullptr);
        ErrorHandling = false;
        ShutdownTableEngine();
        ClearEngineHooks();
    }
    std::string Path(const std::string& name) const { return dir.file(name); }

    // NAME C(10), QTY N(5), OK L; record i has NAME "Rn", QTY i, OK for odd i.
    std::string WriteSample(int count) {
        const std::string path = Path("sample.dbf");
        TTbDbf ds;
        ds.Name = "MAKE";
        ds.DbfFields = {"NAME, C, 10, 0", "QTY, N, 5, 0", "OK, L, 1, 0"};
        ds.SetDbfFileName(path);
        ds.Open();
        for (int i = 1; i <= count; ++i) {
            ds.Append();
            ds.FieldByName("NAME").SetAsString("R" + std::to_string(i));
            ds.FieldByName("QTY").SetAsInteger(i);
            ds.FieldByName("OK").SetAsBoolean(i % 2 == 1);
            ds.Post();
        }
        ds.Close();
        return path;
    }
    void OpenOn(TTbDbf& ds, const std::string& path) {
        ds.Name = "TAB";
        ds.CreateIfNotFound = false;
        ds.SetDbfFileName(path);
        ds.Open();
    }

    TempDir dir;
    std::vector<std::string> boxes;
    std::vector<std::string> errors;
};

}  // namespace kor2::test
