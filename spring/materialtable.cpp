// The material table "fedwst.dbf" through the procedural table interface:
// the record's 27 fields are read and written by number in table order.
// Called by the material dialog (LoadMaterialById) and the main menu.
#include "spring/materialtable.h"

#include <exception>
#include <stdexcept>
#include <string>

#include "common/globals.h"
#include "common/helptext.h"
#include "common/inputdlg.h"
#include "common/msgbox.h"
#include "common/numfmt.h"
#include "common/textutil.h"
#include "platform/oemtext.h"
#include "platform/progfiles.h"
#include "spring/formulas.h"
#include "spring/material.h"
#include "spring/springdata.h"
#include "tables/base/engineerror.h"
#include "tables/base/filenames.h"
#include "tables/browser/procedural.h"

namespace kor2 {

namespace {

constexpr const char* kIndexName = "fedwst";  // the key index, made in the temporary folder

// Engine codes of a failed write: a write error or a full disk.
bool IsWriteFailure(uint16_t code) {
    return code == 101 || code == 227 || code == 1004;
}

// Engine codes of a file that could not be made, found or opened.
bool IsFileFailure(uint16_t code) {
    return code == 2 || code == 3 || code == 4 || code == 5 || IsWriteFailure(code);
}

// The key index, a file the run makes in its own temporary folder, could
// not be made or opened: not the table's fault.
struct OwnIndexFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The engine's text of a full disk names no place: the index that could not
// be written in the temporary folder is added unless the text names it.
void NameIndexFile(std::string& cause) {
    std::string index;
    TempFolderFile(kIndexName, index);
    index = DefaultExtension(index, "NDX");
    if (cause.find(platform::DisplayPath(index)) == std::string::npos)
        cause += "\r\n" + CannotWriteText(index);
}

// The record's fields in table order: text, integer or real.
enum class Kind { Text, Int, Real };
struct FieldRef {
    Kind kind;
    std::string FEDWST_Record::*text;
    int32_t FEDWST_Record::*integer;
    Real48 FEDWST_Record::*real;
};
constexpr FieldRef T(std::string FEDWST_Record::*m) { return {Kind::Text, m, nullptr, nullptr}; }
constexpr FieldRef I(int32_t FEDWST_Record::*m) { return {Kind::Int, nullptr, m, nullptr}; }
constexpr FieldRef R(Real48 FEDWST_Record::*m) { return {Kind::Real, nullptr, nullptr, m}; }

using F = FEDWST_Record;
const FieldRef kFields[27] = {
    T(&F::Name1),           T(&F::Name2),           T(&F::Name3),
    T(&F::Name4),           I(&F::ShearModulus),    I(&F::YoungsModulus),
    R(&F::Density),         I(&F::Rm0),             R(&F::DR0),
    I(&F::RmMax),           I(&F::RmSlope),         R(&F::DRef),
    I(&F::TauO0),           I(&F::TauOSlope),       I(&F::TauH0),
    I(&F::TauHSlope),       R(&F::GoodmanSlope),    I(&F::TauO0Peened),
    I(&F::TauOSlopePeened), I(&F::TauH0Peened),     I(&F::TauHSlopePeened),
    R(&F::GoodmanSlopePeened), R(&F::DMin),         R(&F::DMax),
    I(&F::TMax),            T(&F::Note),            I(&F::MaterialNo),
};

}  // namespace

bool OpenMaterialTableOnly() {
    AbortFlag = false;
    DbfOpenTableChecked("fedwst.dbf");
    if (AbortFlag) {
        AddErrorMessage(kMaterialTableError);
        return false;
    }
    return true;
}

void ReadMaterialRecord() {
    if (AbortFlag) return;
    for (int i = 0; i < 27; ++i) {
        std::string s;
        DbfGetFieldStr(i + 1, s);
        const FieldRef& f = kFields[i];
        switch (f.kind) {
            case Kind::Text: AnsiToOemStr(s, MaterialRec.*f.text); break;
            case Kind::Int: MaterialRec.*f.integer = StrToIntDef0(s); break;
            case Kind::Real: MaterialRec.*f.real = Real48::FromExtended(StrToFloatDef0(s)); break;
        }
    }
}

void WriteMaterialRecord() {
    if (AbortFlag) return;
    for (int i = 0; i < 27; ++i) {
        const FieldRef& f = kFields[i];
        switch (f.kind) {
            case Kind::Text: DbfSetFieldStr(i + 1, OemToAnsi(MaterialRec.*f.text)); break;
            case Kind::Int: DbfSetFieldInt(i + 1, MaterialRec.*f.integer); break;
            case Kind::Real: DbfSetFieldReal(i + 1, MaterialRec.*f.real); break;
        }
    }
}

MaterialTableCloser::~MaterialTableCloser() {
    try {
        DbfCloseTable();
    } catch (...) {
        // closing after a failure: the first error is the one reported
    }
}

bool OpenMaterialTable() {
    if (!OpenMaterialTableOnly()) return false;
    try {
        std::string key;
        DbfGetFieldName(27, key);
        DbfCreateIndexInTemp(key, kIndexName);
    } catch (const std::exception& e) {
        MaterialTableCloser close;
        if (IsFileFailure(EngineErrorCode)) throw OwnIndexFailure(e.what());
        throw;
    } catch (...) {
        MaterialTableCloser close;
        throw;
    }
    return true;
}

bool LoadMaterialById(uint16_t number) {
    if (!OpenMaterialTable()) return false;
    MaterialTableCloser close;
    DbfFindKey(IntToStrPad(number, 9));
    const bool found = DbfFound();
    if (found) {
        ReadMaterialRecord();
        ApplyMaterialRecord();
    }
    return found;
}

std::string MaterialFailureText(const MaterialFailure& failure) {
    if (!failure.failed) return {};
    return failure.cause.empty() ? std::string(kMaterialTableError)
                                 : std::string(kMaterialTableError) + "\r\n" + failure.cause;
}

void LoadSpringFileMaterial() {
    SpringMaterialFailure = {};
    if (MaterialIndex != 0 && MaterialIndex != kOwnMaterialIndex) return;
    // A file stores an own material's Rm and tau zul but not its sigma z:
    // it follows from Rm as for a table material, not from the start-up value.
    if (MaterialIndex == kOwnMaterialIndex)
        PermBendingStress = BendingStressOfStrength(TensileStrength);
    const uint16_t number = MaterialRecNo;
    ResetMaterialRecord();
    MaterialRecNo = number;
    if (MaterialIndex == 0) {
        // Whatever keeps the spring's material from being read (no table, a
        // damaged or cut one, a number it does not hold, no room for the
        // index) is said, with the engine's own words where it raised an
        // error. The spring is still read, with the material values of its
        // file: a save then writes back what the file held.
        MaterialFailure failure;
        try {
            failure.failed = !LoadMaterialById(number);
        } catch (const OwnIndexFailure& e) {
            failure.failed = true;
            failure.cause = e.what();
            failure.writing = true;
            NameIndexFile(failure.cause);
        } catch (const std::exception& e) {
            failure.failed = true;
            failure.cause = e.what();
            failure.writing = IsWriteFailure(EngineErrorCode);
            if (failure.writing) NameIndexFile(failure.cause);
        }
        if (failure.failed) {
            ResetMaterialRecord();
            MaterialRecNo = number;
            MaterialStrengthFromFile = true;
            AddErrorMessage(kMaterialTableError);
            SpringMaterialFailure = std::move(failure);
        }
    }
    AbortFlag = false;
}

void SelectMaterial() {
    SetHelpNumber(4050);
    bool yes = false;
    AskYesNo("Neuen Werkstoff eintragen ?", yes);
    int32_t added = 0;
    if (yes) {
        added = EnterNewMaterial();
        if (AbortFlag) return;
    }
    if (!OpenMaterialTableOnly()) return;
    {
        MaterialTableCloser close;
        // A material just typed in is the record the browser opens on.
        if (added > 0) DbfGoRecord(added);
        SetHelpNumber(9590);
        DbfSetTitles("", "Material");
        DbfShowTable("", 0);
        ReadMaterialRecord();
    }
    RestoreCursor();
}

}  // namespace kor2
