// The current spring: every input and result of the calculation as a global
// value, with the dynamic and relaxation records and the load collective; read
// and written by the calculation, spring file, dialogs and outputs.
#pragma once

// Units: mm, N, N/mm^2, kg/dm^3, degC, 1/s, degrees, N*mm, g.
// Arrays that the calculation numbers from 1 (the two eyes, the statistics
// results) are sized one larger and leave element 0 unused, so that
// EyeType[1] is eye 1; ScrewedInCoils uses element 0 for the sum.
// InitSpringData sets the start-up defaults.

#include <array>
#include <cstdint>
#include <string>

#include "common/shortstring.h"
#include "platform/real48.h"
#include "platform/types.h"

namespace kor2 {

inline constexpr int kEyeCount = 2;               // eyes 1 and 2
inline constexpr int kStatisticsResultCount = 7;  // StatisticsResults 1..7
inline constexpr int kLoadCollectiveTexts = 20;   // text buffers of the load collective
inline constexpr std::size_t kLoadCollectiveTextLen = 50;

// ---- First group: coil diameters, forces, lengths ---------------------------
inline Extended OuterDiameter;      // De
inline Extended InnerDiameter;      // Di
inline Extended MeanDiameter;       // Dm; De = Dm + d, Di = Dm - d
inline uint16_t DiameterInputMode;  // diameter the user gave: 1 De, 2 Di, 3 Dm
inline Extended ForceF1;
inline Extended ForceF2;
inline Extended ForceFn;         // force at the permissible shear stress
inline Extended InitialTension;  // F0
inline Extended ForceFnk;        // Fn / k
inline Extended DeflectionS1;    // L1 - L0
inline Extended DeflectionS2;    // L2 - L0
inline Extended Stroke;          // sh = L2 - L1
inline Extended DeflectionSn;
inline Extended DeflectionSnk;
inline Extended SpringRate;  // R, N/mm
inline Extended FreeLength;  // L0, inside the eyes
inline Extended LengthL1;
inline Extended LengthL2;
inline Extended LengthLn;
inline Extended LengthLnk;
inline Extended BodyLength;     // LK
inline Extended DrawingLength;  // copy of L2 made by every full check
inline int32_t CoilGapGiven;
inline Extended CoilGap;                    // a, gap between the coils at L0
inline Extended CoilPitch;                  // (LK - d) / n
inline std::array<Extended, 3> SpringWork;  // [0] Wh (L1..L2), [1] W1, [2] W2

// ---- First group: coils, index, stresses (results) --------------------------
inline Extended ActiveCoils;    // n
inline Extended SpringIndex;    // w = Dm / d
inline Extended StressFactor;   // k(w)
inline Extended InitialStress;  // tau0
inline Extended ShearStress1;   // tau1, uncorrected
inline Extended ShearStress2;
inline Extended CorrectedStress1;  // tauk1 = k * tau1
inline Extended CorrectedStress2;
inline Extended CorrectedStrokeStress;  // tauk2 - tauk1
inline Extended EyeBendingFactor;       // q
inline Extended EyeBendingStress1;
inline Extended EyeBendingStress2;
inline Extended EyeBendingStrokeStress;
inline Extended TensileStrength;   // Rm at the current d
inline Extended PermShearStress;   // tau zul
inline Extended PermStrokeStress;  // tau hzul (fatigue)
inline Extended NaturalFrequency;  // fe
inline Extended LoadCycles;
inline Extended LoadCyclesLow;
inline Extended LoadCyclesHigh;
inline Extended SafetyFactor1;
inline Extended SafetyFactor2;
inline Extended SafetyFactorStroke;
inline Extended WireLength;  // developed length L
inline Extended SpringMass;  // g

// ---- First group: eyes ----------------------------------------------------------
inline std::array<uint16_t, kEyeCount + 1> EyeType;          // shape codes 1..13
inline std::array<ShortString<50>, kEyeCount + 1> EyeNames;  // copied by the full check
inline std::array<Extended, kEyeCount + 1> EyeHeight;        // LH
inline std::array<Extended, kEyeCount + 1> EyeOpening;       // m
inline Extended EyePosition;                                 // angle between the eye planes
inline std::array<Extended, kEyeCount + 1> ScrewedInCoils;   // [0] = [1] + [2]

// ---- First group: tolerances (grades 1..3 DIN 2097, 4 DIN 2096, 5 typed) ----
inline uint16_t TolGradeDm;
inline uint16_t TolGradeL0;
inline uint16_t TolGradeF0;
inline uint16_t TolGradeF12;
inline uint16_t TolGradeEyePosition;  // 4 = typed
inline uint16_t TolGradeEyeOverhang;  // 4 = typed
inline Extended TolDmPlus, TolDmMinus;
inline Extended TolL0Plus, TolL0Minus;
inline Extended TolF1Plus, TolF1Minus;
inline Extended TolF2Plus, TolF2Minus;
inline Extended TolF0Plus, TolF0Minus;
inline Extended TolEyePositionPlus, TolEyePositionMinus;
inline Extended TolEyeOverhang;

// ---- First group: statistics ------------------------------------------------
inline char StatisticsFlag;  // 'N' off, anything else on
inline uint16_t StatisticsGrade;
inline Extended StatisticsSigma;
// 1..3 per cent outside the drawing tolerance of F1, F2, Dm; 4..6 production
// spread of F1, F2, Dm; 7 per cent outside +/- sigma.
inline std::array<Extended, kStatisticsResultCount + 1> StatisticsResults;

// ---- Second group: material, strengths, operating case ----------------------
inline Real48 PermBendingStress;        // sigma z, eyes
inline Real48 PermBendingStrokeStress;  // sigma hz, eyes
inline Extended ModulusE;
inline Extended ModulusG;   // at 20 degC
inline Extended ModulusGT;  // at the working temperature
inline Extended Density;
inline Extended StrengthTolPlus;  // per cent
inline Extended StrengthTolMinus;
inline Extended OperatingFrequency;
inline Extended WireDiameter;      // d
inline Extended WireHeight;        // h, second side of a non-round section
inline Extended WireCornerRadius;  // r, section shape 6
inline uint16_t WireShape;         // 1..6
inline uint16_t WireStandard;      // 1..11
inline Extended WireTolerance;
inline uint16_t MaterialIndex;  // 0 table material, 11 own material, below 11 Rm follows d
inline uint16_t MaterialKind;
inline ShortString<50> MaterialName;
inline char ShotPeened;         // 'N' no, 'J' yes
inline uint16_t LoadingType;    // 1 static, 2 dynamic
inline uint16_t FormingMethod;  // 1 cold, 2 and 3 hot
inline uint16_t SurfaceCode;
inline Extended Temperature;
inline Extended TempFrom;
inline Extended TempTo;
inline uint16_t InitialStressMethod;  // 1, 2 strength based, 3 none, 4 from F0

// ---- Second group: production, drawing texts, options -----------------------
inline uint16_t CoilingDirection;
inline uint16_t ProductionCompensation;
inline ShortString<255> SurfaceProtection;
inline ShortString<255> AdditionalInfo1;
inline ShortString<255> AdditionalInfo2;
inline ShortString<25> SpringTitle;
inline ShortString<30> DrawingName;
inline ShortString<18> DrawingNumber;
inline std::string SpringKindCode;
inline uint16_t SavedFlag1;
inline uint16_t RecalcLengthMode;  // 1 const LH, var L0/LK; 2 const L0/LK, var LH
inline uint16_t GeometryMode;      // 1 pre-dimensioning, 2 design, 3 recalculation
inline uint16_t WarningsOn;        // 1 = material-limit and eye-height warnings
inline Extended LineResolution3D;
inline uint16_t UpperEyeView;
inline uint16_t LowerEyeView;
inline uint8_t DrawingFlag;
inline uint8_t DrawingFlag2;
inline uint8_t OutputFlagA;  // read only by outputs
inline uint8_t OutputFlagB;
inline ShortString<6> ShortCode6;

// ---- Second group: load collective ------------------------------------------
inline uint16_t LoadCollectiveOn;  // 0 = none
inline uint8_t LoadCollectiveFlag;
inline Extended LoadCollectiveCycles;
inline Extended LoadCollectiveHours;
inline Extended LoadCollectiveFactor;     // 1.0 at start
inline Extended LoadCollectiveAmplitude;  // 0 at start
inline Extended LoadCollectiveMean;       // 0 at start
inline std::array<ShortString<kLoadCollectiveTextLen>, kLoadCollectiveTexts> LoadCollectiveTexts;

// ---- Dynamic record: the spring with an attached mass ------------------------
// Eleven values in the order the reports and the spring file number them 1..11.
struct DynamicValues {
    Extended OmegaNatural = 0;              // 1: natural angular frequency with the mass, 1/s
    Extended OmegaExcitation = 0;           // 2: 2*pi*f
    Extended AttachedMass = 0;              // 3: external mass in kg, the only input
    Extended SpringMassKg = 0;              // 4: moving mass of the spring, kg
    Extended RateNPerM = 0;                 // 5: spring rate, N/m
    Extended ForceAmplitude = 0;            // 6: (F2 - F1) / 2
    Extended Amplitude = 0;                 // 7: dynamic deflection amplitude, mm
    Extended Magnification = 0;             // 8
    Extended Frequency = 0;                 // 9: natural frequency with the mass, 1/s
    Extended AmplitudeIncrease = 0;         // 10: over the static half stroke, mm
    Extended AmplitudeIncreasePercent = 0;  // 11
};
inline DynamicValues DynamicRecord;

// ---- Relaxation record --------------------------------------------------------
struct RelaxationValues {
    int32_t T1relax = 0;               // lower temperature of the material's relaxation data
    int32_t T2relax = 0;               // upper temperature
    std::array<Extended, 8> Values{};  // loss values of the relaxation output
};
inline RelaxationValues RelaxationRecord;

// Sets the first group (diameters, forces, lengths, results, eyes, tolerances,
// statistics) to its defaults.
void SetSpringDataDefaults();
// Sets the second group (material, strengths, wire, operating case,
// production, texts, options, load collective) to its defaults.
void SpringDataPart2Init();
// The spring kind's title that the program identity sets at start.
inline constexpr const char* kProgramSpringTitle = "Zugfeder";

// Start-up of the spring values: both groups, a zeroed dynamic record and a
// zeroed relaxation record, the reset material record, then SpringTitle
// kProgramSpringTitle in place of the group default "Feder".
void InitSpringData();

}  // namespace kor2
