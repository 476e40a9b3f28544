// Writes a material table through the browser model's create and append
// code: the data set creates the file from its field list, and every row goes
// in as WriteMaterialRecord writes a new material.
#include <exception>

#include "common/numfmt.h"
#include "fedwst_rows.h"
#include "spring/material.h"
#include "spring/materialtable.h"
#include "tables/browser/browsermodel.h"
#include "tables/browser/procedural.h"

namespace kor2::test {

namespace {

void RowToRecord(const std::array<std::string, 27>& row) {
    FEDWST_Record& r = MaterialRec;
    auto i = [&](int n) { return StrToIntDef0(row[n - 1]); };
    auto f = [&](int n) { return Real48::FromExtended(StrToFloatDef0(row[n - 1])); };
    r.Name1 = row[0];
    r.Name2 = row[1];
    r.Name3 = row[2];
    r.Name4 = row[3];
    r.ShearModulus = i(5);
    r.YoungsModulus = i(6);
    r.Density = f(7);
    r.Rm0 = i(8);
    r.DR0 = f(9);
    r.RmMax = i(10);
    r.RmSlope = i(11);
    r.DRef = f(12);
    r.TauO0 = i(13);
    r.TauOSlope = i(14);
    r.TauH0 = i(15);
    r.TauHSlope = i(16);
    r.GoodmanSlope = f(17);
    r.TauO0Peened = i(18);
    r.TauOSlopePeened = i(19);
    r.TauH0Peened = i(20);
    r.TauHSlopePeened = i(21);
    r.GoodmanSlopePeened = f(22);
    r.DMin = f(23);
    r.DMax = f(24);
    r.TMax = i(25);
    r.Note = row[25];
    r.MaterialNo = i(27);
}

}  // namespace

bool WriteFedwstTable(const std::string& path,
                      const std::vector<std::array<std::string, 27>>& rows) {
    Tdbf4& b = dbf4();
    const FEDWST_Record saved = MaterialRec;
    bool ok = true;
    try {
        b.tbdbf.DbfFields = kFedwstFields;
        DbfOpenTable(path);
        b.tbdbf.DbfFields.clear();
        for (const auto& row : rows) {
            RowToRecord(row);
            DbfAppendBlank();
            WriteMaterialRecord();
            DbfSkip(0);
        }
        ok = DbfRecordCount() == static_cast<int32_t>(rows.size());
        DbfCloseTable();
    } catch (const std::exception&) {
        b.tbdbf.DbfFields.clear();
        if (b.tbdbf.Active()) DbfCloseTable();
        ok = false;
    }
    MaterialRec = saved;
    return ok;
}

}  // namespace kor2::test
