// The text report writer: one report at a time, begun for an output device,
// filled with lines, value lines and rules, and ended, when the result goes
// to the device (text window, printer port, file, printer, text program,
// tab-separated file, HTML browser). Reports of the spring, the message
// report and the table engine's reports write through it. Texts are code
// page 850 until a device needs Windows characters.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kor2 {

// ---- Writer state (one report at a time) --------------------------------------------
inline uint16_t ReportDevice = 1;
inline std::string ReportFileName = "$out.tmp";
inline int32_t ReportLineCount = 0;  // lines on the current page
inline int32_t ReportPageCount = 0;  // pages begun
inline int32_t ReportLayout = 0;     // layout of the current page header (1: column titles)
inline bool ReportPause = false;     // wait for paper before each page (text printer)
inline bool HtmlTableOpen = false;
inline std::string ReportSavedExt;  // DataFileExt while a report file dialog runs

// 1-based column positions of value lines.
struct ReportColumnPositions {
    int32_t name = 1, symbol = 35, unit = 44, value = 56;
    int32_t value1 = 51, value2 = 62;  // two-value lines
};
inline ReportColumnPositions ReportColumns;

inline constexpr std::string_view kNoLineMarker = "$!$";
inline constexpr std::size_t kReportRuleWidth = 70;
inline constexpr std::size_t kReportLineWidth = 72;
inline constexpr uint16_t kDeviceListOnly = 90;  // ReportBegin: only fill the device names

// Where device 2 ("LPT" + n) goes: the environment variable KOR2_LPT<n>
// names a device or file the report is appended to, or, starting with
// "|", a command (words separated by blanks, run without a shell) that
// gets the name of the finished report file as its last argument.
std::string PrinterPortVariable(uint16_t port);

// The writer's state at program start.
void InitReportWriter();
// The writer's part of the program end: ReportFileName is cleared.
void ShutdownReportWriter();
void ReportResetColumns();

// ---- Begin and end ---------------------------------------------------------------------
// Starts a report on device (0 asks or takes TextDevice). Afterwards
// SharedTextFile is assigned to ReportFileName but not open: the caller
// rewrites it unless AbortFlag is set, writes the page header and lines
// and calls ReportEnd.
void ReportBegin(uint16_t device, std::string_view fileName);
void ReportEnd();
uint16_t GetReportDevice();
bool ReportTabMode();   // devices 6 and 9
bool ReportHtmlMode();  // device 7
// The file the user gets the report in, which the report header names:
// for the command-line report written to a temporary file first, the
// file it is copied to; else ReportFileName.
std::string ReportUserFileName();

// ---- Lines -------------------------------------------------------------------------------
// One report line of plain text: indented and paged in text mode, "<br>" +
// text (escaped for HTML) in HTML mode, as it is in tab mode; rules and
// "$!$" are left out where the mode has no rules.
void ReportLine(std::string_view text);
void ReportLineRaw(std::string_view text);  // the same without a line end
// Written as they are (markup in HTML mode, converted to Windows
// characters there), not counted for paging.
void ReportWriteLn(std::string_view text);
void ReportWrite(std::string_view text);
// HTML mode: a counted report line of markup ("<br>" + markup), closing an
// open table first, as ReportLine does for plain text.
void ReportHtmlMarkupLine(std::string_view markup);
void ReportValueLine(std::string_view name, std::string_view symbol, std::string_view unit,
                     std::string_view value);
void ReportValueLine2(std::string_view name, std::string_view symbol, std::string_view unit,
                      std::string_view value1, std::string_view value2);
void ReportTableRow(std::string_view text);
void ReportWrappedText(std::string_view text);
// Line := 72 blanks with text at 1 and "Nr.: " + number at 40.
void ReportNumberedLine(std::string_view text, std::string_view number, std::string& line);

// ---- Rules and frame ---------------------------------------------------------------------
void RuleLine(std::string& s);
void DoubleRuleLine(std::string& s);
std::string RuleLine();
std::string DoubleRuleLine();
std::string ReportTopRuleText();
std::string ReportBottomRuleText();
std::string ReportMiddleRuleText();
// Each writes its rule as a report line.
void ReportTopRule();
void ReportBottomRule();
void ReportMiddleRule();
char ReportFrameChar();

// ---- Pages and HTML tables --------------------------------------------------------------
void ReportNewPage();
// When the page is full: a new page with its header (or a form feed line
// when only the first page carries a header).
void ReportCheckPageFull();
void HtmlOpenTable();
void HtmlCloseTable();
// "&", "<", ">" and '"' as HTML entities.
std::string HtmlEscape(std::string_view text);

void AskInsertPaper();
// Opens an HTML file with the configured browser HtmlBrowserPath or, where
// that does not exist on this host (a path of another platform), with the
// host's viewer that also stands for "notepad"; started without a shell.
void OpenInBrowser(const std::string& file);
// The first of TempFolder\$OUT1.TMP .. $OUT11.TMP that can be created.
void ReportTempFileName(std::string& name);
// Copies a file byte by byte into SharedTextFile.
void CopyFileToReportOutput(std::string_view name);

// Text inserted into line at 1-based position pos (after the end when the
// line is shorter), the rest shifted, the result cut to width characters.
void InsertAtCut(std::string& line, std::string_view text, int32_t pos, std::size_t width);

}  // namespace kor2
