// Entry of a new material: a chain of input dialogs whose answers become a
// new record at the end of the material table. Called by SelectMaterial.
#include <cmath>
#include <string>

#include "common/globals.h"
#include "common/helptext.h"
#include "common/inputdlg.h"
#include "common/numfmt.h"
#include "platform/oemtext.h"
#include "spring/material.h"
#include "spring/materialtable.h"
#include "spring/springdata.h"
#include "tables/browser/procedural.h"

namespace kor2 {

namespace {

int32_t Whole(Extended v) {
    const double d = static_cast<double>(v);
    if (!(d > -2147483648.0 && d < 2147483647.0)) return 0;
    return static_cast<int32_t>(std::lround(d));
}

// Fall per decade of d from (d0, y0) to (dx, yx); 0 unless d0, y0 and yx are
// non-zero. Equal diameters have no fall to derive and give 0 as well.
Extended Slope(Extended d0, Extended y0, Extended dx, Extended yx) {
    if (d0 == 0 || y0 == 0 || yx == 0) return 0;
    const double decades = std::log10(static_cast<double>(dx / d0));
    if (!(decades != 0) || !std::isfinite(decades)) return 0;
    return (y0 - yx) / decades;
}

// One checked number input with its default; false when cancelled.
bool Ask(const std::string& caption, Extended& value, Extended min, Extended max) {
    InputExtChecked(caption, value, min, max);
    return !AbortFlag;
}

bool AskText(const std::string& caption, int32_t maxLength, std::string& text) {
    InputText(caption, maxLength, text);
    return !AbortFlag;
}

}  // namespace

int32_t EnterNewMaterial() {
    // The current record's values are the defaults of the inputs.
    std::string name2 = MaterialRec.Name2, name3 = MaterialRec.Name3, name4 = MaterialRec.Name4;
    Extended rm0 = MaterialRec.Rm0;
    Extended d0 = MaterialRec.DR0.ToExtended();
    Extended rmMax = MaterialRec.RmMax;
    Extended dMin = MaterialRec.DMin.ToExtended();
    Extended dMax = MaterialRec.DMax.ToExtended();
    Extended tMax = MaterialRec.TMax;

    MaterialIndex = 11;
    SetHelpNumber(5050);
    std::string name = MaterialName.str();
    if (!AskText("Werkstoff", 50, name)) return 0;
    MaterialName = name;
    SetHelpNumber(5060);
    if (!Ask("Elastizitätsmodul E  [N/mm²]"_oem, ModulusE, 10, 1E8)) return 0;
    SetHelpNumber(5070);
    if (!Ask("Schubmodul G  [N/mm²]"_oem, ModulusG, 10, 1E8)) return 0;
    SetHelpNumber(5080);
    if (!Ask("Dichte rho  [kg/dm^3]", Density, 0.1L, 100)) return 0;

    ResetMaterialRecord();
    MaterialRec.Name1 = MaterialName.str();
    MaterialRec.ShearModulus = Whole(ModulusG);
    MaterialRec.YoungsModulus = Whole(ModulusE);
    MaterialRec.Density = Real48::FromExtended(Density);

    SetHelpNumber(4010);
    if (!AskText("Name 2", 30, name2) || !AskText("Name 3", 20, name3) ||
        !AskText("Name 4", 20, name4))
        return 0;

    SetHelpNumber(4020);
    Extended dx = 10, rmx = 500;
    if (!Ask("Drahtdurchmesser d0", d0, 0.01L, 100)) return 0;
    if (!Ask("Zugfestigkeit Rm0 bei d= " + FloatToStr3(d0) + " mm  [N/mm²]"_oem, rm0, 1, 10000))
        return 0;
    if (!Ask("Drahtdurchmesser dx", dx, 0.01L, 100)) return 0;
    if (!Ask("Zugfestigkeit Rmx bei d= " + FloatToStr3(dx) + " mm  [N/mm²]"_oem, rmx, 1, 10000))
        return 0;
    if (!Ask("Max. Zugfestigkeit Rm max (bei d=0.1mm) [N/mm²]"_oem, rmMax, 0, 10000)) return 0;

    SetHelpNumber(4030);
    if (!Ask("Drahtdurchmesser dmin [mm]", dMin, 0, 1000)) return 0;
    if (!Ask("Drahtdurchmesser dmax [mm]", dMax, dMin, 1000)) return 0;
    if (!Ask("Max. Betriebstemperatur Tmax [°C]"_oem, tMax, 0, 1000)) return 0;

    SetHelpNumber(4040);
    Extended tauo0 = 0.56L * rm0;
    if (!Ask("zul. Schubspannung tauo0 bei d = " + FloatToStr3(d0) + " mm  [N/mm²]"_oem, tauo0, 0,
             10000))
        return 0;
    Extended dx2 = dx;
    if (!Ask("Drahtdurchmesser dx", dx2, 0.01L, 100)) return 0;
    Extended tauox = 0.56L * rmx;
    if (!Ask("zul. Schubspannung tauo bei d = " + FloatToStr3(dx2) + " mm  [N/mm²]"_oem, tauox, 0,
             10000))
        return 0;
    Extended tauh0 = 0.3L * rm0;
    if (!Ask("zulässige Hubspannung tauh0 bei d="_oem + FloatToStr3(d0) +
                 ", tau u=0  [N/mm²]"_oem,
             tauh0, 0, 10000))
        return 0;
    Extended tauhx = 0.3L * rmx;
    if (!Ask("zulässige Hubspannung tauhx bei d = "_oem + FloatToStr3(dx2) + " mm  [N/mm²]"_oem,
             tauhx, 0, 10000))
        return 0;
    Extended tauULim = (tauo0 - tauh0) * 4 / 3;
    if (!Ask("zul. Schubspannung tau u lim. bei d = " + FloatToStr3(d0) + " mm  [N/mm²]"_oem,
             tauULim, 0, 10000))
        return 0;

    AbortFlag = false;
    if (!OpenMaterialTableOnly()) return 0;
    MaterialTableCloser close;

    FEDWST_Record& r = MaterialRec;
    r.Name2 = name2;
    r.Name3 = name3;
    r.Name4 = name4;
    r.Rm0 = Whole(rm0);
    r.DR0 = Real48::FromExtended(d0);
    r.RmMax = Whole(rmMax);
    r.RmSlope = Whole(Slope(d0, rm0, dx, rmx));
    r.DRef = Real48::FromExtended(d0);
    r.TauO0 = Whole(tauo0);
    r.TauOSlope = Whole(Slope(d0, tauo0, dx2, tauox));
    r.TauH0 = Whole(tauh0);
    r.TauHSlope = Whole(Slope(d0, tauh0, dx2, tauhx));
    r.GoodmanSlope = Real48::FromExtended(tauULim > 0 ? (tauo0 - tauh0) / tauULim : 0);
    r.DMin = Real48::FromExtended(dMin);
    r.DMax = Real48::FromExtended(dMax);
    r.TMax = Whole(tMax);
    r.Note.clear();
    r.MaterialNo = DbfRecordCount() + 1;

    // The fields go into the record buffer first, and the append stores
    // them as the new record: a value the table refuses (a number too wide
    // for its field) ends the entry before anything is appended, and the
    // close drops what was written into the buffer.
    WriteMaterialRecord();
    DbfAppendBlank();
    return DbfRecordCount() == r.MaterialNo ? DbfRecNo() : 0;
}

}  // namespace kor2
