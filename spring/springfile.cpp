// Writer and reader of the spring data file. One layout function lists the
// stored values in file order; the writer, the layout check and the commit
// of the reader all walk it, so they cannot disagree. Called by the shell's
// file commands and the command-line start.
#include "spring/springfile.h"

#include <string>
#include <vector>

#include "common/drawinginfo.h"
#include "common/fileio.h"
#include "common/fileops.h"
#include "common/globals.h"
#include "common/inputdlg.h"
#include "common/linesource.h"
#include "common/msgbox.h"
#include "common/numfmt.h"
#include "common/textfile.h"
#include "platform/hostfs.h"
#include "platform/oemtext.h"
#include "platform/progfiles.h"
#include "spring/calcerror.h"
#include "spring/check.h"
#include "spring/material.h"
#include "spring/materialtable.h"
#include "spring/springdata.h"

namespace kor2 {

namespace {

constexpr std::string_view kSeparator = "-----------";  // 11 hyphens
constexpr std::string_view kVersion2 = "Neue Werte ab Version 2.0";
constexpr std::string_view kVersion2Rule = "------------------------";  // 24 hyphens
constexpr std::string_view kVersion3 = "Neue Werte ab Version 3.0";
constexpr std::string_view kVersion3Rule = "-------------------------";  // 25 hyphens
constexpr std::size_t kHeaderRuleLength = 65;

// What a file of an older version did not store follows from what it did:
// the version-3.0 values from the spring of one eye type, one given diameter
// (Dm) and symmetric tolerances; h from d; the plus strength tolerance from
// the minus one. Values without such a source keep their start-up defaults.
void FillVersion3Values() {
    EyeType[2] = EyeType[1];
    EyeHeight[2] = EyeHeight[1];
    EyeOpening[2] = EyeOpening[1];
    DiameterInputMode = 3;
    OuterDiameter = MeanDiameter + WireDiameter;
    InnerDiameter = MeanDiameter - WireDiameter;
    TolDmMinus = -TolDmPlus;
    TolL0Minus = -TolL0Plus;
    TolF1Minus = -TolF1Plus;
    TolF2Minus = -TolF2Plus;
    TolF0Minus = -TolF0Plus;
    TolEyePositionMinus = -TolEyePositionPlus;
}

void FillWireHeight() {
    WireHeight = WireDiameter;
}

void FillStrengthTolPlus() {
    StrengthTolPlus = -StrengthTolMinus;
}

// The stored values in file order, after the file header. v.EndAllowed()
// marks the places where the file of an older version may end (blank lines
// and a DOS end-of-file mark after the last value do not count); its fill,
// when given, sets the values up to the next mark that such a file lacks.
template <class V>
void SpringFileLayout(V& v) {
    v.Word(MaterialIndex);
    v.Text(MaterialName);
    v.Ext(ModulusE);
    v.Ext(ModulusG);
    v.Ext(Density);
    v.Ext(TensileStrength);
    v.Ext(PermShearStress);
    v.Word(MaterialKind);
    v.Word(WireStandard);
    v.Ext(WireTolerance);
    v.Word(TolGradeDm);
    v.Ext(TolDmPlus);
    v.Word(TolGradeL0);
    v.Ext(TolL0Plus);
    v.Word(TolGradeF12);
    v.Ext(TolF1Plus);
    v.Ext(TolF2Plus);
    v.Word(TolGradeF0);
    v.Ext(TolF0Plus);
    v.Word(TolGradeEyePosition);
    v.Ext(TolEyePositionPlus);
    v.Word(TolGradeEyeOverhang);
    v.Ext(TolEyeOverhang);
    v.Word(LoadingType);
    v.Word(FormingMethod);
    v.Word(InitialStressMethod);
    v.Ext(OperatingFrequency);
    v.Word(SurfaceCode);
    v.Char(ShotPeened);
    v.Ext(Temperature);
    v.Word(EyeType[1]);
    v.Ext(EyePosition);
    for (int k = 0; k < 3; ++k) v.Fixed(kSeparator);
    v.Word(CoilingDirection);
    v.Ext(TempFrom);
    v.Ext(TempTo);
    v.Text(SurfaceProtection);
    v.Word(ProductionCompensation);
    v.Unused();
    v.Unused();
    v.Text(AdditionalInfo1);
    v.Text(AdditionalInfo2);
    v.Text(SpringTitle);
    v.Text(DrawingNumber);
    for (int k = 0; k < 4; ++k) v.Fixed(kSeparator);
    v.Ext(InitialTension);
    v.Ext(ForceF1);
    v.Ext(ForceF2);
    v.Ext(Stroke);
    v.Ext(LengthL2);
    v.Ext(MeanDiameter);
    v.Ext(WireDiameter);
    v.Ext(EyeHeight[1]);
    v.Ext(EyeOpening[1]);
    v.Fixed(kSeparator);
    v.Fixed(kSeparator);

    v.EndAllowed();
    v.Fixed(kVersion2);
    v.Fixed(kVersion2Rule);
    v.Char(StatisticsFlag);
    v.Word(StatisticsGrade);
    v.Ext(StatisticsSigma);
    v.Fixed(kSeparator);
    v.Fixed(kSeparator);

    v.EndAllowed(FillVersion3Values);
    v.Fixed(kVersion3);
    v.Fixed(kVersion3Rule);
    v.Word(EyeType[2]);
    v.Ext(EyeHeight[2]);
    v.Ext(EyeOpening[2]);
    v.Word(DiameterInputMode);
    v.Ext(OuterDiameter);
    v.Ext(InnerDiameter);
    v.Ext(TolDmMinus);
    v.Ext(TolL0Minus);
    v.Ext(TolF1Minus);
    v.Ext(TolF2Minus);
    v.Ext(TolF0Minus);
    v.Ext(TolEyePositionMinus);
    v.Ext(ScrewedInCoils[1]);
    v.Ext(ScrewedInCoils[2]);
    v.Sections();

    // Values appended one by one in later versions.
    v.EndAllowed();
    v.Text(EyeNames[1]);
    v.EndAllowed();
    v.Text(EyeNames[2]);
    v.EndAllowed();
    v.Word(SavedFlag1);
    v.EndAllowed();
    v.Ext(DynamicRecord.AttachedMass);
    v.EndAllowed();
    v.Text(SpringKindCode);
    v.EndAllowed();
    v.Word(MaterialRecNo);
    v.EndAllowed();
    v.Text(DrawingName);
    v.EndAllowed();
    v.Word(WireShape);
    v.EndAllowed(FillWireHeight);
    v.Ext(WireHeight);
    v.EndAllowed();
    v.Ext(WireCornerRadius);
    v.EndAllowed();
    v.Word(RecalcLengthMode);
    v.EndAllowed();
    v.Long(CoilGapGiven);
    v.EndAllowed();
    v.Ext(CoilGap);
    v.EndAllowed();
    v.Bool(DrawingFlag);
    v.EndAllowed();
    v.Ext(StrengthTolMinus);
    v.EndAllowed(FillStrengthTolPlus);
    v.Ext(StrengthTolPlus);
}

// Writes each value with its line writer. A text with line breaks is
// written on one line, its breaks as "|".
struct LayoutWriter {
    void Word(uint16_t v) { WriteIntLine(v); }
    void Long(int32_t v) { WriteIntLine(v); }
    void Ext(Extended v) { WriteExtLine(v); }
    void Text(std::string_view s) { WriteLineL(LineBreaksToBars(s)); }
    void Char(char c) { Text(std::string_view(&c, 1)); }
    void Bool(uint8_t b) { WriteByteLine(b != 0); }
    void Fixed(std::string_view s) { WriteLineL(s); }
    void Unused() { WriteLineL(""); }
    void EndAllowed(void (*)() = nullptr) {}
    void Sections() {
        WriteChangesSection();
        WriteDocumentsSection();
    }
};

// Walks the layout over the lines of a file. Without commit it only checks
// the layout (separators, section markers, counts, where the file ends);
// with commit it stores the values, which then cannot fail.
class LayoutReader {
public:
    LayoutReader(LineSource& in, bool commit) : in_(in), commit_(commit) {}

    void Word(uint16_t& v) {
        if (Live()) Store(v, static_cast<uint16_t>(IntFromLine(Number(IsIntLine, v))));
    }
    void Long(int32_t& v) {
        if (Live()) Store(v, IntFromLine(Number(IsIntLine, v)));
    }
    void Ext(Extended& v) {
        if (Live()) Store(v, ExtFromLine(Number(IsExtLine, v)));
    }
    template <std::size_t N>
    void Text(ShortString<N>& s) {
        if (Live()) {
            const std::string& line = in_.Next();
            if (commit_) s = line;
        }
    }
    void Text(std::string& s) {
        if (Live()) Store(s, in_.Next());
    }
    void Char(char& c) {
        if (Live()) Store(c, CharFromLine(in_.Next()));
    }
    void Bool(uint8_t& b) {
        if (Live()) Store(b, static_cast<uint8_t>(TrueUnlessFalse(in_.Next()) ? 1 : 0));
    }
    void Fixed(std::string_view expected) {
        if (!Live()) return;
        std::string_view line = in_.Next();
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
        if (line != expected || in_.Overrun()) failed_ = true;
    }
    void Unused() {
        if (Live()) in_.Next();
    }
    // Once the file has ended, every later mark fills what it lacks.
    void EndAllowed(void (*fill)() = nullptr) {
        if (Live() && in_.RestIsBlank()) ended_ = true;
        if (ended_ && commit_ && fill != nullptr) fill();
    }
    void Sections() {
        if (!Live()) return;
        DrawingInfo staged;
        if (!ReadChangesSection(in_, staged) || !ReadDocumentsSection(in_, staged)) {
            failed_ = true;
            return;
        }
        if (commit_) CurrentDrawingInfo = std::move(staged);
    }

    // After the walk: the layout held to its end or to an allowed end.
    bool Ok() const { return !failed_ && !in_.Overrun(); }
    // The values that were no number (read as 0).
    const std::vector<NotNumberLine>& NotNumbers() const { return notNumbers_; }

private:
    // The next line, noted with its value's target when it holds no number.
    template <class T>
    const std::string& Number(bool (*isNumber)(std::string_view), const T& target) {
        const std::string& line = in_.Next();
        if (!in_.Overrun() && !isNumber(line))
            notNumbers_.push_back({in_.LineNo(), [&target] { return ValueText(target); }});
        return line;
    }
    static std::string ValueText(Extended v) { return FloatToStrAuto(v); }
    static std::string ValueText(int32_t v) { return IntToStrL(v); }
    bool Live() const { return !failed_ && !ended_; }
    template <class T, class U>
    void Store(T& target, U value) {
        if (commit_) target = std::move(value);
    }

    LineSource& in_;
    bool commit_;
    bool failed_ = false;
    bool ended_ = false;
    std::vector<NotNumberLine> notNumbers_;
};

// The file header that WriteFileHeader writes: rule, title, "Version ...",
// rule and three title lines.
bool HeaderOk(LineSource& in) {
    const std::string rule(kHeaderRuleLength, '-');
    if (in.Next() != rule) return false;
    in.Next();
    if (in.Next().rfind("Version ", 0) != 0) return false;
    if (in.Next() != rule) return false;
    for (int k = 0; k < kReportTitleLineCount; ++k) in.Next();
    return !in.Overrun();
}

void RefuseFile(std::string_view name, std::string_view why) {
    ShowErrorIfEnabled("Datei " + platform::DisplayPath(name) + " " + std::string(why) + " !");
    AbortFlag = true;
}

// Far above any spring file: every change entry and text at its longest
// stays well below it.
constexpr int64_t kMaxSpringFileBytes = 1 << 20;

// Why name cannot be a spring file, told before a byte of it is read (a
// FIFO would wait for a writer, a device or a sparse file of gigabytes
// would be read whole); empty when it may be one or does not exist.
std::string RefusalBeforeReading(std::string_view name) {
    switch (platform::EntryKindOf(name)) {
        case platform::EntryKind::Missing:
        case platform::EntryKind::File:
            break;
        case platform::EntryKind::Folder:
            return "ist keine Federdatei, sondern ein Ordner";
        case platform::EntryKind::Fifo:
            return "ist keine Federdatei, sondern eine benannte Pipe";
        case platform::EntryKind::Device:
            return "ist keine Federdatei, sondern ein Gerät"_oem;
        case platform::EntryKind::Socket:
            return "ist keine Federdatei, sondern ein Socket";
        default:
            return "ist keine Federdatei, sondern keine gewöhnliche Datei"_oem;
    }
    const auto size = platform::FileSizeOf(name);
    if (size && *size > kMaxSpringFileBytes)
        return "ist zu groß für eine Federdatei ("_oem + std::to_string(*size) + " Bytes)";
    return {};
}

}  // namespace

void WriteSpringFile(std::string name) {
    std::string fullName;
    SaveDataFileAs(std::move(name), fullName);
    if (AbortFlag) return;
    SetHourglassCursorDlg();
    SharedTextFile.Assign(fullName);
    RewriteFileMsg(SharedTextFile);
    if (!AbortFlag) {
        WriteFileHeader();
        LayoutWriter writer;
        SpringFileLayout(writer);
        if (AbortFlag) {
            // A line could not be written: the old file stays as it was.
            const int code = SharedTextFile.IOResult();
            SharedTextFile.Discard();
            ShowErrorIfEnabled(FileErrorText(IoErrorText(code), fullName));
        } else {
            CloseFileMsg(SharedTextFile);
        }
    }
    SetArrowCursorDlg();
}

bool ReadSpringFileValues(std::string_view name) {
    std::vector<NotNumberLine> notNumbers;
    return ReadSpringFileValues(name, notNumbers);
}

bool ReadSpringFileValues(std::string_view name, std::vector<NotNumberLine>& notNumbers) {
    if (const std::string why = RefusalBeforeReading(name); !why.empty()) {
        RefuseFile(name, why);
        return false;
    }
    LineSource lines;
    if (!lines.Load(name, kMaxSpringFileBytes)) {
        // A file that opens but fails when read (an input/output error) has
        // no message of CheckFileReadable: the failure is named here.
        if (FileExistsIO(name))
            RefuseFile(name, "kann nicht gelesen werden: " + IoErrorText(lines.LoadError()));
        else
            CheckFileReadable(name);
        AbortFlag = true;
        return false;
    }
    if (!HeaderOk(lines)) {
        RefuseFile(name, "ist keine Federdatei");
        return false;
    }
    const std::size_t bodyStart = lines.LineNo();
    {
        LayoutReader check(lines, false);
        SpringFileLayout(check);
        if (!check.Ok()) {
            const std::size_t at = lines.Overrun() ? lines.Count() + 1 : lines.LineNo();
            RefuseFile(name,
                       "ist beschädigt (Zeile "_oem + IntToStrL(static_cast<int32_t>(at)) + ")");
            return false;
        }
    }
    // The layout holds: start from the defaults and take the file's values.
    SetSpringDataDefaults();
    SpringDataPart2Init();
    DynamicRecord = DynamicValues{};
    ResetDrawingInfo();
    lines.Rewind(bodyStart);
    LayoutReader commit(lines, true);
    SpringFileLayout(commit);
    LengthL1 = LengthL2 - Stroke;  // L1 is not stored
    notNumbers = commit.NotNumbers();
    return true;
}

namespace {

// The values read as 0 because their lines held no number: after the
// check the user learns file and lines, the value the calculation uses for
// each (0, or what the check put in its place) and where to mend it; each
// line stays in the error list for the messages window and the report.
void ReportNotNumbers(std::string_view name, const std::vector<NotNumberLine>& lines) {
    if (lines.empty()) return;
    std::string list, used;
    for (const NotNumberLine& n : lines) {
        const std::string no = IntToStrL(static_cast<int32_t>(n.line));
        list += (list.empty() ? "" : ", ") + no;
        used += (used.empty() ? "" : ", ") + n.valueUsed() +
                (lines.size() == 1 ? "" : " (Zeile " + no + ")");
    }
    const bool one = lines.size() == 1;
    const std::string file = platform::DisplayPath(name);
    ShowWarningMessage("Datei " + file + ": " + (one ? "Zeile " : "Zeilen ") + list +
                       (one ? " ist keine Zahl" : " sind keine Zahlen") + ", gerechnet wird mit " +
                       used + ". Bitte " + (one ? "Zeile " : "Zeilen ") + list + " in " + file +
                       " berichtigen.");
    AddMessageAfterCheck("Warnung: Zeile " + IntToStrL(static_cast<int32_t>(lines[0].line)) +
                         " keine Zahl");
    for (std::size_t k = 1; k < lines.size(); ++k)
        AddErrorMessage("Warnung: Zeile " + IntToStrL(static_cast<int32_t>(lines[k].line)) +
                        " keine Zahl");
}

}  // namespace

bool ReadSpringFile(std::string_view name) {
    std::vector<NotNumberLine> notNumbers;
    if (!ReadSpringFileValues(name, notNumbers)) return false;
    ClearErrorList();
    LoadSpringFileMaterial();
    std::vector<std::string> tableMessages;
    for (int k = 1; k <= ErrorList.count; ++k) tableMessages.push_back(ErrorList.slots[k].str());
    CheckSpring();
    for (const std::string& text : tableMessages) AddMessageAfterCheck(text);
    ReportNotNumbers(name, notNumbers);
    return true;
}

}  // namespace kor2
