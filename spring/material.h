// The material record: one row of the material table "fedwst.dbf", its reset,
// its transfer into the spring values and the strength law Rm(d). Used by the
// calculation, fatigue limits, material dialog and material table reader.
#pragma once

#include <cstdint>
#include <string>

#include "platform/real48.h"
#include "platform/types.h"

namespace kor2 {

// Fields 1..27 of the material table in table order. Stresses and moduli in
// N/mm^2, diameters in mm, density in kg/dm^3, temperature in degC; texts in
// code page 850.
struct FEDWST_Record {
    std::string Name1;          // 1  material name
    std::string Name2;          // 2
    std::string Name3;          // 3
    std::string Name4;          // 4
    int32_t ShearModulus = 0;   // 5  G
    int32_t YoungsModulus = 0;  // 6  E
    Real48 Density;             // 7
    int32_t Rm0 = 0;            // 8  tensile strength at DR0
    Real48 DR0;                 // 9
    int32_t RmMax = 0;          // 10 upper bound of Rm(d); 1 or less: none
    int32_t RmSlope = 0;        // 11 fall of Rm per decade of d
    Real48 DRef;                // 12 reference diameter of the fatigue lines
    int32_t TauO0 = 0;          // 13 not shot-peened: tau o at DRef
    int32_t TauOSlope = 0;      // 14 fall of tau o per decade
    int32_t TauH0 = 0;          // 15 tau h at tau u = 0, at DRef
    int32_t TauHSlope = 0;      // 16
    Real48 GoodmanSlope;        // 17 rise of tau o per unit of tau u
    int32_t TauO0Peened = 0;    // 18..22 the same, shot-peened
    int32_t TauOSlopePeened = 0;
    int32_t TauH0Peened = 0;
    int32_t TauHSlopePeened = 0;
    Real48 GoodmanSlopePeened;
    Real48 DMin;             // 23
    Real48 DMax;             // 24
    int32_t TMax = 0;        // 25
    std::string Note;        // 26
    int32_t MaterialNo = 0;  // 27 key of the table
};

// MaterialIndex of a material typed in by the user ("andere"); 0 is a
// material from the table.
inline constexpr uint16_t kOwnMaterialIndex = 11;

inline FEDWST_Record MaterialRec;
inline uint16_t MaterialRecNo = 3;  // number of the current material in the table
// Set while the spring's table material could not be read: its record is
// empty, so Rm and tau zul stay the values the spring file holds instead of
// following d through the record. Cleared when a record is reset or applied.
// Every full check says so with kMaterialTableError while it is set.
inline bool MaterialStrengthFromFile = false;
// The message of a material table that cannot be read.
extern const char* const kMaterialTableError;

// MaterialRecNo := 3, texts empty, Density 7.8, DR0 and DRef 1.0, all other
// numbers 0; MaterialStrengthFromFile cleared.
void ResetMaterialRecord();

// Copies name (first 50 characters), E, G and density into the spring values
// and marks the material as a table material (MaterialIndex and MaterialKind 0).
void ApplyMaterialRecord();

// Rm(d) = Rm0 - RmSlope * log10(d / DR0), cut at RmMax when RmMax > 1.
// d <= 0 or DR0 = 0 record a fatal message and give 0.1.
Extended RmAtDiameter(Extended d);

}  // namespace kor2
