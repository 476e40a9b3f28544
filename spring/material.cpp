// Reset and transfer of the material record and the strength law Rm(d).
// Called at start-up, by the material dialog and table reader, and by the
// strength step of the calculation for every wire diameter.
#include "spring/material.h"

#include "common/checkmath.h"
#include "spring/calcerror.h"
#include "spring/springdata.h"

namespace kor2 {

const char* const kMaterialTableError = "Fatal  : FEDWST DBF error";

void ResetMaterialRecord() {
    MaterialRecNo = 3;
    MaterialStrengthFromFile = false;
    MaterialRec = FEDWST_Record{};
    MaterialRec.Density = Real48::FromExtended(7.8L);
    MaterialRec.DR0 = Real48::FromExtended(1.0L);
    MaterialRec.DRef = Real48::FromExtended(1.0L);
}

void ApplyMaterialRecord() {
    MaterialIndex = 0;
    MaterialKind = 0;
    MaterialStrengthFromFile = false;
    MaterialName = MaterialRec.Name1;  // a short string of 50 keeps the first 50
    ModulusE = MaterialRec.YoungsModulus;
    ModulusG = MaterialRec.ShearModulus;
    Density = MaterialRec.Density.ToExtended();
}

Extended RmAtDiameter(Extended d) {
    if (!(d > 0)) {
        AddFatalMessage("Fatal  : d <= 0 !");
        return 0.1L;
    }
    const Extended dr0 = MaterialRec.DR0.ToExtended();
    if (dr0 == 0) {
        AddFatalMessage("Fatal  : DR0 = 0 !");
        return 0.1L;
    }
    Extended rm = MaterialRec.Rm0 - Log10Checked(d / dr0) * MaterialRec.RmSlope;
    if (MaterialRec.RmMax > 1 && rm > MaterialRec.RmMax) rm = MaterialRec.RmMax;
    return rm;
}

}  // namespace kor2
