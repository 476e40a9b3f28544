// Text-output services of finished reports: the Windows-character copy
// "outwin.txt", the page plan of a printed text file, font style numbers and
// the hooks through which the core reaches the text window, the printer and
// the screen facts. The report writer and the configuration reader call
// these; the form layer installs the Qt implementation of the hooks.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kor2 {

// ---- Font styles -----------------------------------------------------------------
struct TFontStyles {
    bool fsBold = false;
    bool fsItalic = false;
    bool fsUnderline = false;
    bool fsStrikeOut = false;
    friend bool operator==(const TFontStyles&, const TFontStyles&) = default;
};

// Bit 1 bold, 2 italic, 4 underline, 8 strike-out.
int FontStyleToInt(const TFontStyles& style);
// The set for n in 0..15; any other n leaves style as it was.
void IntToFontStyle(int n, TFontStyles& style);

// ---- Conversion and copies -----------------------------------------------------
// A code page 850 line in the Windows character set, whatever its length
// (OemToAnsi itself refuses texts of 255 characters or more).
std::string OemToAnsiLine(std::string_view oem);
// Copies source line by line into target, each line converted to the
// Windows character set. A file that cannot be opened or a line that
// cannot be read or written sets AbortFlag and stops the copy; target is
// then left as it was. Returns what made writing target fail where the
// code alone does not tell (a refused link, a side file not made), in
// German; empty otherwise.
std::string CopyOemFileToAnsi(std::string_view source, std::string_view target);
// TempFolder\ + "outwin.txt".
std::string OutwinFileName();
// The host's text viewer that stands for "notepad": the environment
// variable KOR2_NOTEPAD when set, else "xdg-open".
std::string NotepadProgram();
// Shows file in the host's viewer (NotepadProgram). When none could be
// started the user learns so and where the file is: for a file of the run's
// own temporary folder, a copy kept beyond the run (KeepForTheUser).
void ShowInHostViewer(const std::string& file);
// A file of the run's own temporary folder that a message sends the user
// to, kept beside that folder under the spring's name and a unique ending,
// so that it outlives the run: moved there, or copied (the copy readable by
// its owner alone) when the run still uses the file. The program path of
// the kept file; empty when none could be made.
std::string KeepForTheUser(std::string_view file, bool copy);

// ---- Printing ----------------------------------------------------------------------
inline constexpr char kFormFeed = '\f';

// The number of pages of a report file's lines: one per form-feed line, and
// one more when lines follow the last form feed (or the text has none).
int CountTextPages(const std::vector<std::string>& lines);
// The sheets that printing pages from..to of the lines gives: a form-feed
// line starts the next page and is not printed itself; the first sheet
// holds page "from". A page longer than linesPerPage continues on a new
// sheet instead of running off the paper. Lines come back converted to the
// Windows character set.
std::vector<std::vector<std::string>> PlanPrintedSheets(const std::vector<std::string>& lines,
                                                        int from, int to, int linesPerPage);
// Prints a text file on the platform printer (through the installed hooks):
// the message FileName + " not found !" when it is missing; nothing while
// AbortFlag is set.
void PrintTextFile(std::string_view fileName);

// ---- Hooks of the form layer --------------------------------------------------------
struct ScreenFacts {
    int width = 1024;
    int height = 768;
    int logicalDpi = 96;
};

class TextOutputBackend {
public:
    virtual ~TextOutputBackend() = default;
    // The text window for reportFile, showing OutwinFileName(). With
    // copyAndClose the window is shown, its whole text copied to the
    // clipboard and closed; otherwise it is shown modally.
    virtual void ShowTextWindow(const std::string& reportFile, bool copyAndClose) = 0;
    // The print dialog over pages 1..pageCount, then the chosen pages of
    // the code page 850 lines (PlanPrintedSheets) on the printer.
    virtual void PrintLines(const std::string& fileName, const std::vector<std::string>& lines,
                            int pageCount) = 0;
    virtual ScreenFacts Screen() = 0;
};

// The installed hooks; without a display they show and print nothing.
TextOutputBackend& TextOutput();
// Installs hooks (nullptr returns to the ones without a display); the
// caller keeps them alive while installed.
void SetTextOutputBackend(TextOutputBackend* backend);

}  // namespace kor2
