// Start-up defaults of the spring values: the first group (geometry, results,
// eyes, tolerances, statistics) and the second group (material, wire,
// production, texts). main() calls InitSpringData once; tests use it as reset.
#include "spring/springdata.h"

#include "spring/material.h"

namespace kor2 {

void SetSpringDataDefaults() {
    OuterDiameter = 10;
    InnerDiameter = 7.6L;
    MeanDiameter = 8.8L;
    DiameterInputMode = 1;
    ForceF1 = 10;
    ForceF2 = 20;
    ForceFn = 0;
    InitialTension = 10;
    ForceFnk = 0;
    DeflectionS1 = 0;
    DeflectionS2 = 0;
    Stroke = 11;
    DeflectionSn = 0;
    DeflectionSnk = 0;
    SpringRate = 0;
    FreeLength = 10;
    LengthL1 = 79;
    LengthL2 = 68;
    LengthLn = 0;
    LengthLnk = 0;
    BodyLength = 0;
    DrawingLength = 0;
    CoilGapGiven = 0;
    CoilGap = 0;
    CoilPitch = 0;
    SpringWork = {};

    ActiveCoils = 0;
    SpringIndex = 0;
    StressFactor = 0;
    InitialStress = 0;
    ShearStress1 = 0;
    ShearStress2 = 0;
    CorrectedStress1 = 0;
    CorrectedStress2 = 0;
    CorrectedStrokeStress = 0;
    EyeBendingFactor = 0;
    EyeBendingStress1 = 0;
    EyeBendingStress2 = 0;
    EyeBendingStrokeStress = 0;
    TensileStrength = 0;
    PermShearStress = 0;
    PermStrokeStress = 0;
    NaturalFrequency = 0;
    LoadCycles = 0;
    LoadCyclesLow = 0;
    LoadCyclesHigh = 0;
    SafetyFactor1 = 0;
    SafetyFactor2 = 0;
    SafetyFactorStroke = 0;
    WireLength = 0;
    SpringMass = 0;

    EyeType = {0, 2, 2};
    EyeNames = {};
    EyeHeight = {0, 6.5L, 6.5L};
    EyeOpening = {0, 1.5L, 1.5L};
    EyePosition = 0;
    ScrewedInCoils = {};

    TolGradeDm = TolGradeL0 = TolGradeF0 = TolGradeF12 = 2;
    TolGradeEyePosition = TolGradeEyeOverhang = 2;
    TolDmPlus = TolDmMinus = TolL0Plus = TolL0Minus = 0;
    TolF1Plus = TolF1Minus = TolF2Plus = TolF2Minus = 0;
    TolF0Plus = TolF0Minus = TolEyePositionPlus = TolEyePositionMinus = 0;
    TolEyeOverhang = 0;

    StatisticsFlag = 'N';
    StatisticsGrade = 1;
    StatisticsSigma = 2.6L;
    StatisticsResults = {};
}

void SpringDataPart2Init() {
    PermBendingStress = Real48::FromExtended(100);
    PermBendingStrokeStress = Real48::FromExtended(100);
    ModulusE = 210000;
    ModulusG = 80000;
    ModulusGT = 80000;
    Density = 7.85L;
    StrengthTolPlus = 5;
    StrengthTolMinus = -5;
    OperatingFrequency = 1;
    WireDiameter = 1.2L;
    WireHeight = 1.2L;
    WireCornerRadius = 0;
    WireShape = 1;
    WireStandard = 7;
    WireTolerance = 1.0L;
    MaterialIndex = 5;
    MaterialKind = 3;
    MaterialName = "";
    ShotPeened = 'N';
    LoadingType = 2;
    FormingMethod = 1;
    SurfaceCode = 1;
    Temperature = 20;
    TempFrom = 0;
    TempTo = 100;
    InitialStressMethod = 2;

    CoilingDirection = 3;
    ProductionCompensation = 6;
    SurfaceProtection = "";
    AdditionalInfo1 = "";
    AdditionalInfo2 = "";
    SpringTitle = "Feder";
    DrawingName = "";
    DrawingNumber = "";
    SpringKindCode = "fed";
    SavedFlag1 = 1;
    RecalcLengthMode = 1;
    GeometryMode = 2;
    WarningsOn = 1;
    LineResolution3D = 2.0L;
    UpperEyeView = 1;
    LowerEyeView = 2;
    DrawingFlag = 1;
    DrawingFlag2 = 1;
    OutputFlagA = 0;
    OutputFlagB = 1;
    ShortCode6 = "      ";

    LoadCollectiveOn = 0;
    LoadCollectiveFlag = 0;
    LoadCollectiveCycles = 0;
    LoadCollectiveHours = 0;
    LoadCollectiveFactor = 1.0L;
    LoadCollectiveAmplitude = 0;
    LoadCollectiveMean = 0;
    LoadCollectiveTexts = {};
}

void InitSpringData() {
    SetSpringDataDefaults();
    SpringDataPart2Init();
    DynamicRecord = DynamicValues{};
    RelaxationRecord = RelaxationValues{};
    ResetMaterialRecord();
    SpringTitle = kProgramSpringTitle;  // this program designs extension springs
}

}  // namespace kor2
