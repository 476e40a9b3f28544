// The text report writer: devices, text, tab and HTML modes, rules and
// frames, paging, and the hand-over of the finished report to its device.
// Called by every report of the program and by the page header writer.
#include "common/report.h"

#include <algorithm>
#include <vector>

#include "common/fileio.h"
#include "common/fileops.h"
#include "common/filepath.h"
#include "common/globals.h"
#include "common/helptext.h"
#include "common/inputdlg.h"
#include "common/msgbox.h"
#include "common/numfmt.h"
#include "common/reporthead.h"
#include "common/textfile.h"
#include "common/textout.h"
#include "common/textutil.h"
#include "platform/hostfs.h"
#include "platform/oemtext.h"
#include "platform/progfiles.h"
#include "platform/sysclock.h"
#include "platform/userfile.h"

namespace kor2 {

namespace {

// Printer set-up codes (the file "TEXT.HXP" of the current folder) sent to the
// port before the report; a file of more than a megabyte holds no such codes.
constexpr const char* kPrinterSetUpFile = "TEXT.HXP";
constexpr int64_t kMaxPrinterSetUpBytes = 1 << 20;
std::string g_portPrefix;

const char* const kDeviceNames[7] = {
    "Bildschirm",
    "Textdrucker",
    "Datei",
    "Windows-Drucker",
    "externes Textprogramm",
    "TXT File (Excel, QPRO ...)",
    "HTML File (Netscape, Internet Explorer ...)",
};

int FrameStyle() {
    return TextPrintMode >= 1 && TextPrintMode <= 3 ? TextPrintMode : 4;
}

char BoxChar(const char* oem) {
    return oem[0];
}

bool IsNoLine(std::string_view text) {
    return text == kNoLineMarker || text == RuleLine() || text == DoubleRuleLine();
}

std::string TempName(std::string_view name) {
    return RunTempFolder() + std::string(name);
}

// Text mode: the report indentation.
constexpr std::string_view kIndent = "       ";

// An HTML line as ReportLine writes it, for markup given by the writer itself.
void HtmlReportLine(std::string_view markup, bool lineEnd) {
    HtmlCloseTable();
    ++ReportLineCount;
    if (!lineEnd) ReportCheckPageFull();
    if (IsNoLine(markup)) return;
    const std::string line = "<br>" + std::string(markup);
    if (lineEnd)
        ReportWriteLn(line);
    else
        ReportWrite(line);
}

// Asks for a report file with the extension ext in the save dialog; the
// spring's own name, folder and extension stay as they were (the header
// and the next save name the spring file, not the report).
bool AskReportFile(std::string_view ext) {
    const std::string savedExt = DataFileExt.str();
    const DataFileNaming spring;
    ReportSavedExt = savedExt;
    DataFileExt = ext;
    std::string full;
    SaveDataFileAs("", full);  // asks before an existing file is replaced
    DataFileExt = savedExt;
    spring.Restore();
    if (AbortFlag) return false;
    ReportFileName = full;
    return true;
}

// A temporary report file: created, tested and closed again.
void BeginTempReportFile(const std::string& name) {
    ReportFileName = name;
    SharedTextFile.Assign(name);
    RewriteFileMsg(SharedTextFile);
    if (!AbortFlag) SharedTextFile.Close();
}

// Hands the finished report of device 2 to the configured port target.
void SendToPrinterPort(const std::string& spool) {
    const std::string port = "LPT" + IntToStrL(PrinterPort);
    const std::string variable = PrinterPortVariable(PrinterPort);
    const std::string target = TrimBlanks(platform::GetEnv(variable).value_or(""));
    if (target.empty()) {
        ShowErrorMessage(port + " not found (" + variable + ")");
        AbortFlag = true;
        return;
    }
    if (target[0] == '|') {
        std::vector<std::string> words =
            platform::SplitCommandWords(std::string_view(target).substr(1));
        if (words.empty()) {
            ShowErrorMessage(port + " not found (" + variable + ")");
            AbortFlag = true;
            return;
        }
        const std::string program = words.front();
        words.erase(words.begin());
        std::string file = spool;
        if (!g_portPrefix.empty()) {
            // The set-up codes go first: a copy of the report behind them.
            const auto text = platform::ReadWholeFile(spool);
            file = spool + ".prn";
            if (!text || !platform::WriteFileReplacing(file, g_portPrefix + *text)) {
                ShowErrorMessage(port + ": " + platform::DisplayPath(file));
                AbortFlag = true;
                return;
            }
        }
        words.push_back(platform::HostPath(file));
        const int rc = platform::RunProgram(program, words);
        if (file != spool) platform::EraseFile(file);
        if (rc == -1) {
            ShowErrorMessage(platform::DisplayPath(program) + " not found");
            AbortFlag = true;
        } else if (rc != 0) {
            ShowErrorMessage(port + ": " + platform::DisplayPath(program) + " exit code " +
                             IntToStrL(rc));
            AbortFlag = true;
        }
        return;
    }
    const auto text = platform::ReadWholeFile(spool);
    if (!text) {
        AbortFlag = true;
        return;
    }
    const std::string data = g_portPrefix + *text;
    platform::File out = platform::FileExists(target)
                             ? platform::File::Open(target, platform::OpenMode::Write)
                             : platform::File::Create(target);
    if (out.IsOpen()) {
        const int64_t end = out.Size();
        if (end > 0) out.Seek(end);  // a file collects the reports; a device has no end
    }
    if (!out.IsOpen() || out.Write(data.data(), static_cast<int64_t>(data.size())) !=
                             static_cast<int64_t>(data.size())) {
        ShowErrorMessage(port + ": " + platform::DisplayPath(target) + " not found");
        AbortFlag = true;
    }
}

void StartWithFile(const std::string& program, const std::string& file) {
    if (!platform::FileExists(program) ||
        !platform::StartProgram(program, {platform::HostPath(file)}))
        ShowErrorMessage(platform::DisplayPath(program) + " not found");
}

// Whether the tab report of devices 6 and 9 is written to a temporary file
// of the writer's own (not one the user chose).
bool g_tabFileIsTemp = false;

// The file the command-line report is copied to.
std::string TabReportTarget() {
    return DataFileName + ".txt";
}

// The command-line report could not be copied to target: the report the
// writer made is not lost with the run's temporary folder but kept beside
// it, and the message says where.
void KeepUncopiedReport(const std::string& target, const std::string& why) {
    const std::string cannot = CannotWriteText(target) + (why.empty() ? "" : " (" + why + ")");
    std::string kept = g_tabFileIsTemp ? KeepForTheUser(ReportFileName, false) : ReportFileName;
    if (kept.empty()) {
        ShowErrorMessage(cannot);
        return;
    }
    ReportFileName = kept;
    ShowErrorMessage(cannot + ", der Bericht steht in " + platform::DisplayPath(kept));
}

// Guards the page-full test against itself while a new page is begun.
bool g_newPageRunning = false;

}  // namespace

void OpenInBrowser(const std::string& file) {
    if (platform::FileExists(HtmlBrowserPath)) {
        StartWithFile(HtmlBrowserPath, file);
        return;
    }
    ShowInHostViewer(file);
}

std::string PrinterPortVariable(uint16_t port) {
    return "KOR2_LPT" + IntToStrL(port);
}

void ReportResetColumns() {
    ReportColumns = ReportColumnPositions{};
}

void InitReportWriter() {
    ReportDevice = 1;
    ReportFileName = "$out.tmp";
    ReportLineCount = 0;
    ReportPageCount = 0;
    ReportLayout = 0;
    ReportPause = false;
    HtmlTableOpen = false;
    ReportSavedExt.clear();
    g_portPrefix.clear();
    ReportResetColumns();
    InitReportHeader();
}

void ShutdownReportWriter() {
    ReportFileName.clear();
}

uint16_t GetReportDevice() {
    return ReportDevice;
}
bool ReportTabMode() {
    return ReportDevice == 6 || ReportDevice == 9;
}
bool ReportHtmlMode() {
    return ReportDevice == 7;
}

void InsertAtCut(std::string& line, std::string_view text, int32_t pos, std::size_t width) {
    const std::size_t at = std::min(static_cast<std::size_t>(std::max(pos, 1) - 1), line.size());
    line.insert(at, text);
    if (line.size() > width) line.resize(width);
}

// ---- Rules -----------------------------------------------------------------------------

std::string RuleLine() {
    switch (FrameStyle()) {
        case 1:
            return std::string(kReportRuleWidth, '-');
        case 2:
            return std::string(kReportRuleWidth, BoxChar("─"_oem));
        case 3:
            return std::string(kReportRuleWidth, ' ');
        default:
            return std::string(kNoLineMarker);
    }
}

std::string DoubleRuleLine() {
    switch (FrameStyle()) {
        case 1:
            return std::string(kReportRuleWidth, '=');
        case 2:
            return std::string(kReportRuleWidth, BoxChar("═"_oem));
        case 3:
            return std::string(kReportRuleWidth, ' ');
        default:
            return std::string(kNoLineMarker);
    }
}

void RuleLine(std::string& s) {
    s = RuleLine();
}
void DoubleRuleLine(std::string& s) {
    s = DoubleRuleLine();
}

namespace {

std::string FrameRule(const char* left, const char* right) {
    switch (FrameStyle()) {
        case 1:
            return std::string(kReportRuleWidth, '*');
        case 2:
            return BoxChar(left) + std::string(kReportRuleWidth - 2, BoxChar("═"_oem)) +
                   BoxChar(right);
        case 3:
            return std::string(kReportRuleWidth, ' ');
        default:
            return std::string(kNoLineMarker);
    }
}

}  // namespace

std::string ReportTopRuleText() {
    return FrameRule("╔"_oem, "╗"_oem);
}
std::string ReportBottomRuleText() {
    return FrameRule("╚"_oem, "╝"_oem);
}
std::string ReportMiddleRuleText() {
    return FrameRule("╠"_oem, "╣"_oem);
}
void ReportTopRule() {
    ReportLine(ReportTopRuleText());
}
void ReportBottomRule() {
    ReportLine(ReportBottomRuleText());
}
void ReportMiddleRule() {
    ReportLine(ReportMiddleRuleText());
}

char ReportFrameChar() {
    switch (FrameStyle()) {
        case 1:
            return '*';
        case 2:
            return BoxChar("║"_oem);
        default:
            return ' ';
    }
}

// ---- Raw output ---------------------------------------------------------------------------

void ReportHtmlMarkupLine(std::string_view markup) {
    HtmlReportLine(markup, true);
}

void ReportWriteLn(std::string_view text) {
    if (ReportHtmlMode())
        WriteLineL(OemToAnsiLine(text));
    else
        WriteLineL(text);
}

void ReportWrite(std::string_view text) {
    if (ReportHtmlMode())
        WriteTextNoEol(OemToAnsiLine(text));
    else
        WriteTextNoEol(text);
}

std::string HtmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

void HtmlOpenTable() {
    HtmlCloseTable();
    ReportWriteLn("<TABLE BORDER = \"2\" WIDTH= \"100%\">");
    HtmlTableOpen = true;
}

void HtmlCloseTable() {
    if (!HtmlTableOpen) return;
    ReportWriteLn("</TABLE>");
    HtmlTableOpen = false;
}

// ---- Lines ---------------------------------------------------------------------------------

void ReportLine(std::string_view text) {
    if (ReportTabMode()) {
        if (!IsNoLine(text)) ReportWriteLn(text);
        return;
    }
    if (ReportHtmlMode()) {
        HtmlReportLine(HtmlEscape(text), true);
        return;
    }
    if (text == kNoLineMarker) return;
    ++ReportLineCount;
    ReportCheckPageFull();
    ReportWriteLn(std::string(kIndent) + std::string(text));
}

void ReportLineRaw(std::string_view text) {
    if (ReportTabMode()) {
        ReportWrite(text);
        return;
    }
    if (ReportHtmlMode()) {
        HtmlReportLine(HtmlEscape(text), false);
        return;
    }
    if (text == kNoLineMarker) return;
    ++ReportLineCount;
    ReportCheckPageFull();
    ReportWrite(std::string(kIndent) + std::string(text));
}

void ReportValueLine(std::string_view name, std::string_view symbol, std::string_view unit,
                     std::string_view value) {
    if (ReportTabMode()) {
        ReportWriteLn(std::string(name) + '\t' + std::string(symbol) + '\t' + std::string(unit) +
                      '\t' + LocalDecimalSep(value));
        return;
    }
    if (ReportHtmlMode()) {
        if (!HtmlTableOpen) HtmlOpenTable();
        ReportWriteLn("<TR><TD>" + HtmlEscape(name) + "</TD><TD>" + HtmlEscape(symbol) +
                      "</TD><TD>" + HtmlEscape(unit) + "</TD><TD><DIV ALIGN=RIGHT>" +
                      HtmlEscape(value) + "</DIV></TD></TR>");
        return;
    }
    std::string line(68, ' ');
    InsertAtCut(line, name, ReportColumns.name, kReportLineWidth);
    InsertAtCut(line, symbol, ReportColumns.symbol, kReportLineWidth);
    InsertAtCut(line, unit, ReportColumns.unit, kReportLineWidth);
    InsertAtCut(line, value, ReportColumns.value, kReportLineWidth);
    ReportLine(line);
    if (FrameStyle() != 4) ReportLine(RuleLine());
}

void ReportValueLine2(std::string_view name, std::string_view symbol, std::string_view unit,
                      std::string_view value1, std::string_view value2) {
    if (ReportTabMode()) {
        ReportWriteLn(std::string(name) + '\t' + std::string(symbol) + '\t' + std::string(unit) +
                      '\t' + LocalDecimalSep(value1) + '\t' + LocalDecimalSep(value2));
        return;
    }
    if (ReportHtmlMode()) {
        if (!HtmlTableOpen) ReportColumnTitleLine();
        ReportWriteLn("<TR><TD>" + HtmlEscape(name) + "</TD><TD>" + HtmlEscape(symbol) +
                      "</TD><TD>" + HtmlEscape(unit) + "</TD><TD>" + HtmlEscape(value1) +
                      "</TD><TD>" + HtmlEscape(value2) + "</TD></TR>");
        return;
    }
    std::string line(66, ' ');
    InsertAtCut(line, name, ReportColumns.name, kReportLineWidth);
    InsertAtCut(line, symbol, ReportColumns.symbol, kReportLineWidth);
    InsertAtCut(line, unit, ReportColumns.unit, kReportLineWidth);
    InsertAtCut(line, value1, ReportColumns.value1, kReportLineWidth);
    InsertAtCut(line, value2, ReportColumns.value2, kReportLineWidth);
    ReportLine(line);
    if (FrameStyle() != 4) ReportLine(RuleLine());
}

void ReportTableRow(std::string_view text) {
    if (!ReportHtmlMode()) {
        ReportLine(text);
        return;
    }
    if (!HtmlTableOpen) HtmlOpenTable();
    ReportWriteLn("<TR><TD>" + HtmlEscape(text) + "</TD></TR>");
}

void ReportWrappedText(std::string_view text) {
    if (text.empty()) return;
    if (ReportTabMode() || ReportHtmlMode() || text.size() <= kReportLineWidth) {
        ReportTableRow(text);
        return;
    }
    // SplitAtWidth fills at most five lines; a longer text is split again
    // from where it stopped, so that nothing of it is lost.
    while (!text.empty()) {
        int32_t maxLen = 0, count = 0;
        SplitAtWidth(text, ' ', 64, maxLen, count);
        std::size_t used = 0;
        for (int k = 1; k <= count; ++k) {
            const std::string piece = WrapLines[k].str();
            used += piece.size();
            ReportTableRow(piece);
        }
        if (used == 0) break;
        text.remove_prefix(std::min(used, text.size()));
    }
}

void ReportNumberedLine(std::string_view text, std::string_view number, std::string& line) {
    line.assign(kReportLineWidth, ' ');
    line.replace(0, std::min(text.size(), line.size()), text.substr(0, line.size()));
    const std::string nr = "Nr.: " + std::string(number);
    constexpr std::size_t kAt = 39;
    line.replace(kAt, std::min(nr.size(), line.size() - kAt), nr.substr(0, line.size() - kAt));
}

// ---- Pages ------------------------------------------------------------------------------------

void ReportNewPage() {
    if (ReportTabMode() || ReportHtmlMode()) return;
    if (FrameStyle() == 4 && ReportLineCount < LinesPerPage / 2) return;
    if (ReportDevice == 1 || ReportDevice == 4)
        WriteLineL(std::string(1, kFormFeed));
    else if (ReportDevice == 2)
        WriteTextNoEol(std::string(1, kFormFeed));
    ReportLineCount = 0;
}

void ReportCheckPageFull() {
    if (g_newPageRunning || ReportLineCount < LinesPerPage) return;
    if (PrintHeaderMode == 2) {
        ReportWriteLn(std::string(1, kFormFeed));
        ReportLineCount = 0;
        return;
    }
    g_newPageRunning = true;
    ReportNewPage();
    ReportLineCount = 0;  // tab and HTML pages have no end of their own
    ReportPageHeader(0, ReportLayout);
    ReportLine("");
    g_newPageRunning = false;
}

void AskInsertPaper() {
    if (ReportPause && !MessageBoxYesNo("Blatt in Drucker einlegen.  Fortfahren ?"))
        AbortFlag = true;
}

void ReportTempFileName(std::string& name) {
    std::string candidate;
    for (int n = 1; n <= 11; ++n) {
        candidate = TempName("$OUT" + IntToStrL(n) + ".TMP");
        platform::File f = platform::File::Create(candidate);
        if (f.IsOpen()) break;
    }
    // When none can be created the last one is named all the same: its test
    // then fails with a message, instead of the report going to the file of
    // an earlier report.
    name = candidate;
    ReportFileName = candidate;
}

void CopyFileToReportOutput(std::string_view name) {
    const auto bytes = platform::ReadWholeFile(name);
    if (!bytes) {
        AbortFlag = true;
        return;
    }
    WriteTextNoEol(*bytes);
}

std::string ReportUserFileName() {
    return ReportDevice == 9 && g_tabFileIsTemp ? TabReportTarget() : ReportFileName;
}

// ---- Begin and end -------------------------------------------------------------------------

void ReportBegin(uint16_t device, std::string_view /*fileName*/) {
    for (int k = 0; k < 7; ++k) TextLines[k + 1] = kDeviceNames[k];
    if (device == kDeviceListOnly) return;

    // Until a device names its file, the shared file names none: a caller
    // can never write the report over the file last used through it.
    SharedTextFile.Assign("");
    ReportDevice = TextDevice;
    SetHelpNumber(1050);
    if (device == 0) {
        if (AskTextDevice) {
            uint16_t choice = TextDevice;
            SelectFromList("Ausgabe auf ..", 7, choice);
            if (AbortFlag) return;
            ReportDevice = choice;
        }
    } else {
        ReportDevice = device;
    }
    HtmlTableOpen = false;
    g_portPrefix.clear();

    switch (ReportDevice) {
        case 0:
        case 1:
        case 4:
        case 5: {
            ReportPause = false;
            std::string name;
            ReportTempFileName(name);
            BeginTempReportFile(name);
            if (AbortFlag) return;
            break;
        }
        case 2: {
            SetHelpNumber(1060);
            ReportPause = MessageBoxYesNoL("Pause nach jeder Seite ?");
            if (AbortFlag) return;
            // The report is collected in a file and handed to the port at the end.
            BeginTempReportFile(TempName("$LPT" + IntToStrL(PrinterPort) + ".TMP"));
            if (AbortFlag) return;
            // Only the user's own set-up file: no other account's link, no pipe.
            int error = 0;
            g_portPrefix = platform::ReadUsersFile(kPrinterSetUpFile, kMaxPrinterSetUpBytes, error)
                               .value_or("");
            break;
        }
        case 3:
            ReportPause = false;
            SetHelpNumber(1070);
            if (!AskReportFile("txt")) return;
            break;
        case 6:
        case 9:
            SetHelpNumber(1070);
            g_tabFileIsTemp = !AskTextDevice;
            if (AskTextDevice) {
                if (!AskReportFile("txt")) return;
            } else {
                ReportFileName = TempName("$$$" + IntToStrL(TabFileCount + 1) + "." + "txt");
            }
            break;
        case 7:
            SetHelpNumber(1070);
            ReportSavedExt = DataFileExt.str();
            if (!HtmlBrowserPath.empty()) {
                ReportFileName = TempName(ProgramBaseName + ".htm");
                ConfirmOverwrite(ReportFileName);
                if (AbortFlag) return;
            } else if (!AskReportFile("htm")) {
                return;
            }
            break;
        case 8:
            ReportPause = false;
            BeginTempReportFile(TempName("OUTDOS.TXT"));
            if (AbortFlag) return;
            break;
        default:
            break;
    }
    if (ReportDevice == 3 || ReportDevice == 6 || ReportDevice == 7 || ReportDevice == 9)
        SharedTextFile.Assign(ReportFileName);
    ReportLineCount = 0;
    ReportPageCount = 0;
}

void ReportEnd() {
    const uint16_t device = ReportDevice;
    if ((device == 1 || device == 2 || device == 4) && ReportLineCount > 0 &&
        (PrintHeaderMode == 2 || FrameStyle() == 4))
        WriteTextNoEol(std::string(1, kFormFeed));
    if (ReportHtmlMode()) {
        HtmlCloseTable();
        ReportWriteLn("</BODY>");
        ReportWriteLn("</HTML>");
    }
    bool written = true;
    if (SharedTextFile.IsOpen() && !SharedTextFile.Close()) {
        // Named, since the report's file is often one the user never chose.
        ShowErrorIfEnabled(CannotWriteText(ReportFileName) + ": " +
                           CloseErrorText(SharedTextFile.IOResult()) + " !");
        AbortFlag = true;
        written = false;
    }
    written = written && platform::FileExists(ReportFileName);
    if (written) {
        switch (device) {
            case 1:
                CopyOemFileToAnsi(ReportFileName, OutwinFileName());
                TextOutput().ShowTextWindow(ReportFileName, ReportWindowMode == 1);
                EraseFileIfExists(ReportFileName);
                break;
            case 2:
                SendToPrinterPort(ReportFileName);
                EraseFileIfExists(ReportFileName);
                break;
            case 3:
            case 8:
                CopyOemFileToAnsi(ReportFileName, OutwinFileName());
                MessageBoxesEnabled = true;
                if (device == 3)
                    ShowInfo(platform::DisplayPath(ReportFileName) + " " + "und Windows-Datei" +
                             " outwin.txt " + "wurden angelegt." + ".");
                break;
            case 4:
                PrintTextFile(ReportFileName);
                EraseFileIfExists(ReportFileName);
                break;
            case 5:
                if (platform::FileExists(TextProgramPath)) {
                    CopyOemFileToAnsi(ReportFileName, OutwinFileName());
                    StartWithFile(TextProgramPath, OutwinFileName());
                } else {
                    ShowErrorMessage(platform::DisplayPath(TextProgramPath) + " not found");
                }
                break;
            case 6: {
                ++TabFileCount;
                const std::string copy = TempName("$$" + IntToStrL(TabFileCount) + ".txt");
                CopyOemFileToAnsi(ReportFileName, copy);
                if (AbortFlag) ShowErrorMessage(CannotWriteText(copy));
                break;
            }
            case 9: {
                ++TabFileCount;
                const std::string target = TabReportTarget();
                const std::string why = CopyOemFileToAnsi(ReportFileName, target);
                if (AbortFlag) {
                    KeepUncopiedReport(target, why);
                    break;
                }
                // The copy is the report; the writer's own file is done with.
                if (g_tabFileIsTemp) EraseFileIfExists(ReportFileName);
                break;
            }
            case 7:
                if (!HtmlBrowserPath.empty()) OpenInBrowser(ReportFileName);
                break;
            default:
                break;
        }
    }
    if (device == 7 && !ReportSavedExt.empty()) DataFileExt = ReportSavedExt;
    SetArrowCursorDlg();
}

}  // namespace kor2
