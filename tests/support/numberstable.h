// A small table of names and numbers for the browser tests: NAME C(10) and
// D N(8,2), record i holding "Ri" and i + 0.25; and a long table of one
// character field written without the engine.
#pragma once

#include <cstdint>
#include <fstream>
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

// A table of count records of one character field, written as dBase
// stores it (header, one field descriptor, records, end mark).
inline void WriteLongTable(const std::string& path, int32_t count) {
    std::string d(32, '\0');
    d[0] = 3;
    d[1] = 124, d[2] = 1, d[3] = 1;
    for (int i = 0; i < 4; ++i) d[4 + i] = static_cast<char>((count >> (8 * i)) & 0xFF);
    d[8] = 65, d[10] = 2;  // header of 65 bytes, records of 2
    std::string field(32, '\0');
    field.replace(0, 1, "N");
    field[11] = 'C';
    field[16] = 1;
    d += field + '\r';
    for (int32_t i = 0; i < count; ++i) d += " x";
    d += '\x1A';
    std::ofstream(path, std::ios::binary) << d;
}

}  // namespace kor2::test
