// A small table of names and numbers for the browser tests: NAME C(10) and
// D N(8,2), record i holding "Ri" and i + 0.25.
#pragma once

#include <string>

#include "tables/dataset/filedataset.h"

namespace kor2::test {

inline void WriteNumbersTable(const std::string& path, int count) {
    TTbDbf ds;
    ds.Name = "MAKE";
    ds.DbfFields = {"NAME, C, 10, 0", "D, N, 8, 2"};
    ds.SetDbfFileName(path);
    ds.Open();
    for (int i = 1; i <= count; ++i) {
        ds.Append();
        ds.FieldByName("NAME").SetAsString("R" + std::to_string(i));
        ds.FieldByName("D").SetAsFloat(i + 0.25);
        ds.Post();
    }
    ds.Close();
}

}  // namespace kor2::test
