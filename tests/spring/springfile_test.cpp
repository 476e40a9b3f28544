// Tests of the spring data file: the layout and its fixed line count, the
// round trip of every stored value, older versions that end early, refused
// files that change nothing, and a write that fails half-way.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "common/drawinginfo.h"
#include "common/fileio.h"
#include "common/files_testutil.h"
#include "common/globals.h"
#include "common/linesource.h"
#include "common/scriptdialogs.h"
#include "common/textfile.h"
#include "platform/codepage.h"
#include "platform/oemtext.h"
#include "spring/check.h"
#include "spring/examplespring.h"
#include "spring/material.h"
#include "spring/springdata.h"
#include "spring/springfile.h"
#include "support/childprocess.h"
#include "support/tempdir.h"

namespace kor2 {
namespace {

using test::Put;
using test::Slurp;

constexpr std::size_t kHeaderLines = 7;
// Header, table lines 1..84, the empty change section with the title block,
// the five documents and the 16 values after them.
constexpr std::size_t kEmptySpringLines = kHeaderLines + 84 + 8 + 18 + 16;

std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> out;
    std::size_t from = 0;
    while (from < bytes.size()) {
        const std::size_t end = bytes.find("\r\n", from);
        if (end == std::string::npos) {
            out.push_back(bytes.substr(from));
            break;
        }
        out.push_back(bytes.substr(from, end - from));
        from = end + 2;
    }
    return out;
}

std::string Join(const std::vector<std::string>& lines, std::size_t count) {
    std::string s;
    for (std::size_t k = 0; k < count && k < lines.size(); ++k) s += lines[k] + "\r\n";
    return s;
}

// A float as it comes back from its line, so that round trips are exact.
Extended AsWritten(Extended x) {
    return ExtFromLine(ExtLineText(x));
}

class SpringFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::SetUpExampleSpring();
        ResetDrawingInfo();
        DataFolder = tmp.path().string();
        CheckSpring();
    }
    void TearDown() override {
        SharedTextFile.Discard();
        ResetDrawingInfo();
    }
    // Writes the current spring to name (no question: the file is new).
    std::string Write(const std::string& name) {
        AbortFlag = false;
        const std::string path = tmp.file(name);
        WriteSpringFile(path);
        EXPECT_FALSE(AbortFlag) << name;
        return Slurp(path);
    }
    test::TempDir tmp;
    ScriptedDialogs dialogs;
};

// Every stored float and 16-bit code.
std::vector<Extended*> StoredFloats() {
    return {&ModulusE,
            &ModulusG,
            &Density,
            &TensileStrength,
            &PermShearStress,
            &WireTolerance,
            &TolDmPlus,
            &TolL0Plus,
            &TolF1Plus,
            &TolF2Plus,
            &TolF0Plus,
            &TolEyePositionPlus,
            &TolEyeOverhang,
            &OperatingFrequency,
            &Temperature,
            &EyePosition,
            &TempFrom,
            &TempTo,
            &InitialTension,
            &ForceF1,
            &ForceF2,
            &Stroke,
            &LengthL2,
            &MeanDiameter,
            &WireDiameter,
            &EyeHeight[1],
            &EyeOpening[1],
            &StatisticsSigma,
            &EyeHeight[2],
            &EyeOpening[2],
            &OuterDiameter,
            &InnerDiameter,
            &TolDmMinus,
            &TolL0Minus,
            &TolF1Minus,
            &TolF2Minus,
            &TolF0Minus,
            &TolEyePositionMinus,
            &ScrewedInCoils[1],
            &ScrewedInCoils[2],
            &DynamicRecord.AttachedMass,
            &WireHeight,
            &WireCornerRadius,
            &CoilGap,
            &StrengthTolMinus,
            &StrengthTolPlus};
}

std::vector<uint16_t*> StoredWords() {
    return {&MaterialIndex,       &MaterialKind, &WireStandard,      &TolGradeDm,
            &TolGradeL0,          &TolGradeF12,  &TolGradeF0,        &TolGradeEyePosition,
            &TolGradeEyeOverhang, &LoadingType,  &FormingMethod,     &InitialStressMethod,
            &SurfaceCode,         &EyeType[1],   &CoilingDirection,  &ProductionCompensation,
            &StatisticsGrade,     &EyeType[2],   &DiameterInputMode, &SavedFlag1,
            &MaterialRecNo,       &WireShape,    &RecalcLengthMode};
}

// Every stored value set to a value of its own, exact at the written precision.
void SetEveryStoredValue() {
    Extended next = 1.25L;
    for (Extended* p : StoredFloats()) {
        *p = AsWritten(next / 3);
        next += 1.5L;
    }
    TolF0Minus = -0.0001234L;  // below 1: seven decimals after the point
    TolF0Minus = AsWritten(TolF0Minus);
    TolL0Minus = -3;  // a whole number below 1
    uint16_t code = 3;
    for (uint16_t* p : StoredWords()) *p = code++;
    TolGradeDm = 5;  // typed-in tolerances
    TolGradeEyeOverhang = 4;
    CoilGapGiven = -7;
    ShotPeened = 'J';
    StatisticsFlag = 'X';
    DrawingFlag = 0;
    MaterialName = "Federstahl Größe 3"_oem;
    SurfaceProtection = "verzinkt";
    AdditionalInfo1 = "";
    AdditionalInfo2 = "Hinweis 2";
    SpringTitle = "Zugfeder";
    DrawingNumber = "Z-4711";
    EyeNames[1] = "halbe deutsche Öse"_oem;
    EyeNames[2] = "";
    SpringKindCode = "fed";
    DrawingName = "Muster";

    DrawingInfo& info = CurrentDrawingInfo;
    info.Changes = {{"a", "01.02.2003", "Me", "erste Zeile\r\nzweite\rdritte\nvierte"},
                    {"", "", "", ""}};
    info.TitleBlock = {"1.1.", "Prüfer"_oem, "2.2.",   "Norm", "3.3.",
                       "Vier", "4.4.",       "Bearb.", "alt",  "neu"};
    info.Texts = {{AsWritten(12.5L), 100, 2.5L, -90, "Text eins"}, {0, 0, 0, 0, ""}};
    info.Documents[0] = {"notepad", "C:\\DOC\\a.txt"};
    info.Documents[4] = {"", "b.doc"};
}

struct Stored {
    std::vector<Extended> floats;
    std::vector<uint16_t> words;
    std::vector<std::string> texts;
    int32_t gapGiven;
    char peened, statistics;
    uint8_t drawing;
    bool operator==(const Stored&) const = default;
};

Stored Capture() {
    Stored s;
    for (const Extended* p : StoredFloats()) s.floats.push_back(*p);
    for (const uint16_t* p : StoredWords()) s.words.push_back(*p);
    s.texts = {MaterialName.str(),    SurfaceProtection.str(), AdditionalInfo1.str(),
               AdditionalInfo2.str(), SpringTitle.str(),       DrawingNumber.str(),
               EyeNames[1].str(),     EyeNames[2].str(),       SpringKindCode,
               DrawingName.str()};
    s.gapGiven = CoilGapGiven;
    s.peened = ShotPeened;
    s.statistics = StatisticsFlag;
    s.drawing = DrawingFlag;
    return s;
}

TEST_F(SpringFileTest, LayoutPutsEachValueOnItsLine) {
    const std::vector<std::string> lines = Lines(Write("a.kr2"));
    ASSERT_EQ(lines.size(), kEmptySpringLines);
    auto at = [&](std::size_t tableLine) { return lines[kHeaderLines + tableLine - 1]; };
    EXPECT_EQ(lines[0], std::string(65, '-'));
    EXPECT_EQ(lines[2], "Version " + ProgramVersion);
    EXPECT_EQ(at(1), "0");  // table material
    EXPECT_EQ(at(2), MaterialName.str());
    EXPECT_EQ(at(29), "N");
    EXPECT_EQ(at(33), "-----------");
    EXPECT_EQ(at(41), "");
    EXPECT_EQ(at(52), "10.0000000");  // F1
    EXPECT_EQ(at(57), "1.2000000");   // d
    EXPECT_EQ(at(62), "Neue Werte ab Version 2.0");
    EXPECT_EQ(at(63), std::string(24, '-'));
    EXPECT_EQ(at(69), "Neue Werte ab Version 3.0");
    EXPECT_EQ(at(70), std::string(25, '-'));
    EXPECT_EQ(at(85), "ÄNDERUNGEN"_oem);
    EXPECT_EQ(at(86), "0");
    EXPECT_EQ(at(88), "||||||0||");  // empty title block, no free drawing texts
    EXPECT_EQ(at(93), "Dokumente");
    EXPECT_EQ(at(94), "5");
    EXPECT_EQ(lines[lines.size() - 3], "TRUE");  // DrawingFlag
    EXPECT_EQ(lines.back(), "5.0000000");        // StrengthTolPlus
}

TEST_F(SpringFileTest, LineCountIsFixedAndLineBreaksStayInTheirLine) {
    const std::size_t empty = Lines(Write("empty.kr2")).size();
    MaterialName = "zwei\r\nZeilen";
    SurfaceProtection = "CR\rallein";
    AdditionalInfo1 = "LF\nallein";
    SpringKindCode = "x\r\n\r\ny";
    ShotPeened = '\n';
    const std::string bytes = Write("breaks.kr2");
    const std::vector<std::string> lines = Lines(bytes);
    EXPECT_EQ(lines.size(), empty);
    EXPECT_EQ(lines[kHeaderLines + 1], "zwei|Zeilen");
    EXPECT_EQ(lines[kHeaderLines + 38], "CR|allein");
    EXPECT_EQ(lines[kHeaderLines + 42], "LF|allein");

    InitSpringData();
    ASSERT_TRUE(ReadSpringFileValues(tmp.file("breaks.kr2")));
    EXPECT_EQ(MaterialName.str(), "zwei|Zeilen");
    EXPECT_EQ(SpringKindCode, "x||y");
    EXPECT_EQ(ShotPeened, '|');
    EXPECT_EQ(Write("again.kr2"), bytes);
}

TEST_F(SpringFileTest, EveryStoredValueComesBackBitForBit) {
    SetEveryStoredValue();
    const Stored before = Capture();
    const std::string first = Write("all.kr2");
    const DrawingInfo info = CurrentDrawingInfo;
    // The description keeps its line breaks as "|" in memory as in the file.
    EXPECT_EQ(info.Changes[0].Description, "erste Zeile|zweite|dritte|vierte");

    InitSpringData();
    ResetDrawingInfo();
    ASSERT_TRUE(ReadSpringFileValues(tmp.file("all.kr2")));
    const Stored after = Capture();
    EXPECT_EQ(after.words, before.words);
    EXPECT_EQ(after.texts, before.texts);
    ASSERT_EQ(after.floats.size(), before.floats.size());
    for (std::size_t k = 0; k < before.floats.size(); ++k)
        EXPECT_EQ(after.floats[k], before.floats[k]) << "float " << k;
    EXPECT_TRUE(after == before);
    EXPECT_EQ(LengthL1, LengthL2 - Stroke);
    EXPECT_TRUE(CurrentDrawingInfo == info);
    EXPECT_EQ(Write("all2.kr2"), first);
}

TEST_F(SpringFileTest, CheckedSpringWritesTheSameFileAfterReading) {
    MaterialIndex = kOwnMaterialIndex;  // Rm as the last check left it; no table needed
    TolGradeF0 = 5;  // typed: the check keeps it
    TolF0Plus = 1.5L;
    TolF0Minus = -0.5L;
    CheckSpring();
    const std::string first = Write("a.kr2");
    ForceF1 = 99;  // the spring values come from the file
    ASSERT_TRUE(ReadSpringFile(tmp.file("a.kr2")));
    EXPECT_EQ(ForceF1, 10);
    EXPECT_EQ(TolF0Plus, 1.5L);
    EXPECT_EQ(TolF0Minus, -0.5L);
    EXPECT_EQ(Write("b.kr2"), first);

    // A result is not stored.
    SpringRate = 1234;
    EXPECT_EQ(Write("c.kr2"), first);
}

TEST_F(SpringFileTest, DecimalCommaFilesReadBack) {
    SetEveryStoredValue();
    const Stored before = Capture();
    DecimalCommaOption = 2;
    const std::string bytes = Write("comma.kr2");
    EXPECT_NE(Lines(bytes)[kHeaderLines + 2].find(','), std::string::npos);  // E
    DecimalCommaOption = 1;
    InitSpringData();
    ASSERT_TRUE(ReadSpringFileValues(tmp.file("comma.kr2")));
    EXPECT_TRUE(Capture() == before);
    EXPECT_EQ(CurrentDrawingInfo.Texts[0].X, 12.5L);
}

// Non-default values everywhere, so that "keeps its default" is visible.
void SetOtherSpring() {
    StatisticsFlag = 'J';
    StatisticsGrade = 3;
    EyeType[2] = 7;
    WireShape = 4;
    StrengthTolPlus = 9;
    CurrentDrawingInfo.Changes = {{"x", "y", "z", "w"}};
}

TEST_F(SpringFileTest, OlderVersionsAreReadAsFarAsTheyGo) {
    SetEveryStoredValue();
    const std::vector<std::string> lines = Lines(Write("full.kr2"));
    const Stored full = Capture();
    const std::size_t before2 = kHeaderLines + 61, before3 = kHeaderLines + 68;
    const std::size_t tailStart = lines.size() - 16;

    Put(tmp.file("v1.kr2"), Join(lines, before2));
    InitSpringData();
    SetOtherSpring();
    ASSERT_TRUE(ReadSpringFileValues(tmp.file("v1.kr2")));
    EXPECT_EQ(ModulusE, full.floats[0]);
    EXPECT_EQ(EyeOpening[1], full.floats[26]);
    EXPECT_EQ(StatisticsFlag, 'N');  // defaults from here on
    EXPECT_EQ(StatisticsGrade, 1);
    EXPECT_EQ(StatisticsSigma, 2.6L);
    EXPECT_EQ(EyeType[2], EyeType[1]);  // or what follows from the stored values
    EXPECT_EQ(EyeType[1], full.words[13]);
    EXPECT_EQ(DiameterInputMode, 3);
    EXPECT_EQ(TolL0Minus, -TolL0Plus);
    EXPECT_EQ(WireShape, 1);
    EXPECT_EQ(StrengthTolPlus, 5);
    EXPECT_TRUE(CurrentDrawingInfo.Changes.empty());

    Put(tmp.file("v2.kr2"), Join(lines, before3) + "\r\n  \r\n\x1A");
    InitSpringData();
    SetOtherSpring();
    ASSERT_TRUE(ReadSpringFileValues(tmp.file("v2.kr2")));
    EXPECT_EQ(StatisticsFlag, 'X');
    EXPECT_EQ(StatisticsSigma, full.floats[27]);
    EXPECT_EQ(EyeType[2], EyeType[1]);
    EXPECT_EQ(StrengthTolPlus, 5);

    // A 3.x file that ends after the spring kind code.
    Put(tmp.file("v3.kr2"), Join(lines, tailStart + 5));
    InitSpringData();
    SetOtherSpring();
    ASSERT_TRUE(ReadSpringFileValues(tmp.file("v3.kr2")));
    EXPECT_EQ(SpringKindCode, "fed");
    EXPECT_EQ(DynamicRecord.AttachedMass, full.floats[40]);
    EXPECT_EQ(EyeType[2], full.words[17]);
    EXPECT_EQ(MaterialRecNo, 3);  // not in the file: default
    EXPECT_EQ(WireShape, 1);
    EXPECT_EQ(CurrentDrawingInfo.Changes.size(), 2u);

    // Without its last line break the file is still whole.
    std::string whole = Join(lines, lines.size());
    whole.resize(whole.size() - 2);
    Put(tmp.file("noeol.kr2"), whole);
    InitSpringData();
    ASSERT_TRUE(ReadSpringFileValues(tmp.file("noeol.kr2")));
    EXPECT_TRUE(Capture() == full);
}

// A spring that an older version could describe: one eye type, Dm given,
// symmetric tolerances, every later value at what an older file implies.
void SetUpOlderVersionSpring() {
    MaterialIndex = kOwnMaterialIndex;  // its strength is stored in every version
    TensileStrength = 1800;
    PermShearStress = 810;
    DiameterInputMode = 3;
    MeanDiameter = 20;
    WireDiameter = 1.6L;
    EyeType = {0, 3, 3};
    EyeHeight = {0, 17, 17};
    EyeOpening = {0, 2.5L, 2.5L};
    TolGradeDm = 5;  // typed, symmetric
    TolDmPlus = 0.4L;
    TolDmMinus = -0.4L;
    TolGradeEyePosition = 4;
    TolEyePositionPlus = 12;
    TolEyePositionMinus = -12;
}

// A file cut at each place where an older version ended reads as the spring
// it describes: checked, it writes the same file as the whole one.
TEST_F(SpringFileTest, OlderVersionGivesTheSpringItDescribes) {
    SetUpOlderVersionSpring();
    CheckSpring();
    ASSERT_FALSE(CalcErrorFlag);
    const std::vector<std::string> lines = Lines(Write("current.kr2"));
    const std::size_t tailStart = lines.size() - 16;
    std::vector<std::size_t> cuts = {kHeaderLines + 61, kHeaderLines + 68};
    for (std::size_t k = 0; k < 16; ++k) cuts.push_back(tailStart + k);

    InitSpringData();
    ASSERT_TRUE(ReadSpringFileValues(tmp.file("current.kr2")));
    CheckSpring();
    const std::string current = Write("current-again.kr2");
    const Extended n = ActiveCoils, L0 = FreeLength;
    for (const std::size_t cut : cuts) {
        Put(tmp.file("old.kr2"), Join(lines, cut));
        InitSpringData();
        SetOtherSpring();
        ASSERT_TRUE(ReadSpringFileValues(tmp.file("old.kr2"))) << cut;
        CheckSpring();
        EXPECT_FALSE(CalcErrorFlag) << cut;
        EXPECT_EQ(MeanDiameter, 20) << cut;
        EXPECT_EQ(OuterDiameter, 21.6L) << cut;
        EXPECT_EQ(ActiveCoils, n) << cut;
        EXPECT_EQ(FreeLength, L0) << cut;
        const std::string again = Write("again" + std::to_string(cut) + ".kr2");
        EXPECT_TRUE(again == current) << cut;
    }

    // Only the minus strength tolerance stored: the plus one mirrors it.
    StrengthTolMinus = -7;
    std::vector<std::string> minusOnly = Lines(Write("minus.kr2"));
    minusOnly.pop_back();
    Put(tmp.file("minus.kr2"), Join(minusOnly, minusOnly.size()));
    InitSpringData();
    ASSERT_TRUE(ReadSpringFileValues(tmp.file("minus.kr2")));
    EXPECT_EQ(StrengthTolMinus, -7);
    EXPECT_EQ(StrengthTolPlus, 7);
}

TEST_F(SpringFileTest, ForeignOrDamagedFilesAreRefusedAndChangeNothing) {
    SetEveryStoredValue();
    const std::vector<std::string> lines = Lines(Write("good.kr2"));
    const std::string reference = Write("reference.kr2");
    const Stored before = Capture();
    const DrawingInfo info = CurrentDrawingInfo;

    std::vector<std::string> missingLine = lines;
    missingLine.erase(missingLine.begin() + kHeaderLines + 40);
    std::vector<std::string> tooManyChanges = lines;
    tooManyChanges[kHeaderLines + 85] = "26";
    std::vector<std::string> badDocuments = lines;
    badDocuments[lines.size() - 16 - 18] = "Dokument";
    const struct {
        const char* name;
        std::string bytes;
        const char* why;
    } cases[] = {
        {"empty", "", "keine Federdatei"},
        {"binary", std::string("\x00\x01\xFF\xFE\r\n\x1A garbage", 13), "keine Federdatei"},
        {"other text", "[Settings]\r\nA=1\r\n", "keine Federdatei"},
        {"header only", Join(lines, kHeaderLines), "Zeile 8"},
        {"cut inside the first part", Join(lines, kHeaderLines + 40), "Zeile 48"},
        {"a line missing", Join(missingLine, missingLine.size()), "Zeile 57"},
        {"26 changes", Join(tooManyChanges, lines.size()), "Zeile 93"},
        {"damaged documents", Join(badDocuments, lines.size()), ""},
        {"cut inside the changes", Join(lines, kHeaderLines + 90), ""},
    };
    for (const auto& c : cases) {
        Put(tmp.file("bad.kr2"), c.bytes);
        dialogs.events.clear();
        AbortFlag = false;
        EXPECT_FALSE(ReadSpringFile(tmp.file("bad.kr2"))) << c.name;
        EXPECT_TRUE(AbortFlag) << c.name;
        ASSERT_EQ(dialogs.Of("message").size(), 1u) << c.name;
        EXPECT_NE(dialogs.Of("message")[0].text.find(c.why), std::string::npos)
            << c.name << ": " << dialogs.Of("message")[0].text;
        EXPECT_TRUE(Capture() == before) << c.name;
        EXPECT_TRUE(CurrentDrawingInfo == info) << c.name;
    }
    AbortFlag = false;
    EXPECT_FALSE(ReadSpringFile(tmp.file("missing.kr2")));
    EXPECT_TRUE(AbortFlag);
    EXPECT_EQ(Write("after.kr2"), reference);
}

// What is no file, or far larger than any spring file, is refused for what
// it is before a byte of it is read: a FIFO would wait for a writer, and a
// sparse file of gigabytes costs its maker nothing. The read runs with an
// address space far smaller than such a file.
TEST_F(SpringFileTest, NoFilesAndHugeFilesAreRefusedForWhatTheyAreUnread) {
    namespace fs = std::filesystem;
    const std::string fifo = tmp.file("pipe.kr2"), folder = tmp.file("folder.kr2"),
                      huge = tmp.file("huge.kr2");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directory(folder);
    Put(huge, "");
    fs::resize_file(huge, 3ull << 30);
    const struct {
        std::string file;
        const char* says;
    } cases[] = {
        {fifo, "ist keine Federdatei, sondern eine benannte Pipe !"},
        {folder, "ist keine Federdatei, sondern ein Ordner !"},
        {"/dev/null", "ist keine Federdatei, sondern ein Gerät !"},
        {huge, "ist zu groß für eine Federdatei (3221225472 Bytes) !"},
    };
    const Stored before = Capture();
    EXPECT_EQ(test::RunForked(
                  [] {
                      const rlimit small = {512ull << 20, 512ull << 20};
                      return setrlimit(RLIMIT_AS, &small) == 0;
                  },
                  [&] {
                      for (const auto& c : cases) {
                          SCOPED_TRACE(c.file);
                          dialogs.events.clear();
                          AbortFlag = false;
                          EXPECT_FALSE(ReadSpringFile(c.file));
                          EXPECT_TRUE(AbortFlag);
                          ASSERT_EQ(dialogs.Of("message").size(), 1u);
                          EXPECT_EQ(dialogs.Of("message")[0].text,
                                    "Datei " + c.file + " " + platform::Utf8ToOem(c.says));
                          EXPECT_TRUE(Capture() == before);
                      }
                  }),
              0);
}

// Any single line replaced by garbage: the reader refuses the file or takes
// it, and the full check that follows never stores a non-finite value.
TEST_F(SpringFileTest, GarbageInAnyLineNeverBreaksTheReader) {
    SetEveryStoredValue();
    CurrentDrawingInfo.Texts.clear();
    const std::vector<std::string> lines = Lines(Write("good.kr2"));
    MessageBoxesEnabled = false;
    const std::string garbage[] = {"", "\xFF\xFE", "-99999999999", "1e4000", "|||||||||"};
    for (std::size_t k = 0; k < lines.size(); ++k) {
        for (const std::string& g : garbage) {
            std::vector<std::string> bad = lines;
            bad[k] = g;
            Put(tmp.file("bad.kr2"), Join(bad, bad.size()));
            AbortFlag = false;
            const bool taken = ReadSpringFile(tmp.file("bad.kr2"));
            EXPECT_EQ(taken, !AbortFlag) << k;
            for (const Extended* p : StoredFloats()) ASSERT_TRUE(std::isfinite(*p)) << k;
        }
    }
}

// The old file stays whole when the disk refuses the new one half-way.
TEST_F(SpringFileTest, FailedWriteKeepsTheOldFile) {
    const std::string path = tmp.file("keep.kr2");
    const std::string old = Write("keep.kr2");
    SetEveryStoredValue();
    // Saves over the old file in a child with a file size limit; the exit
    // code says 0 saved, 3 refused with the disk-full message, 4 otherwise.
    auto saveInChild = [&](rlim_t limit) {
        const pid_t child = fork();
        if (child == 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit r{limit, limit};
            setrlimit(RLIMIT_FSIZE, &r);
            dialogs.events.clear();
            dialogs.answers.push_back(ScriptedAnswer::Button(YesNoCancel::Yes));  // overwrite
            AbortFlag = false;
            WriteSpringFile(path);
            const auto messages = dialogs.Of("message");
            const bool diskFull =
                messages.size() == 1 && messages[0].text.find("voll") != std::string::npos;
            _exit(!AbortFlag ? 0 : diskFull ? 3 : 4);
        }
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(saveInChild(static_cast<rlim_t>(old.size() / 2)), 3);
    EXPECT_EQ(Slurp(path), old);
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(tmp.path())) ++files;
    EXPECT_EQ(files, 1u);  // no half-written file left beside it

    EXPECT_EQ(saveInChild(RLIM_INFINITY), 0);
    EXPECT_NE(Slurp(path), old);
}

}  // namespace
}  // namespace kor2
