// Text-output services of finished reports: outwin.txt copies, the page
// plan of printed text files and the hooks of the form layer. Called by the
// report writer at the end of a report and by the text window.
#include "common/textout.h"

#include <algorithm>

#include "common/fileops.h"
#include "common/filepath.h"
#include "common/globals.h"
#include "common/msgbox.h"
#include "common/textfile.h"
#include "common/textutil.h"
#include "platform/hostfs.h"
#include "platform/progfiles.h"
#include "platform/runtemp.h"
#include "platform/sysclock.h"

namespace kor2 {

namespace {

// Without a display: nothing is shown or printed.
class NoTextOutput : public TextOutputBackend {
public:
    void ShowTextWindow(const std::string&, bool) override {}
    void PrintLines(const std::string&, const std::vector<std::string>&, int) override {}
    ScreenFacts Screen() override { return {}; }
};

NoTextOutput& DefaultBackend() {
    static NoTextOutput backend;
    return backend;
}

TextOutputBackend* g_backend = nullptr;

bool IsFormFeedLine(const std::string& line) {
    return !line.empty() && line[0] == kFormFeed;
}

}  // namespace

TextOutputBackend& TextOutput() {
    return g_backend ? *g_backend : DefaultBackend();
}

void SetTextOutputBackend(TextOutputBackend* backend) {
    g_backend = backend;
}

int FontStyleToInt(const TFontStyles& style) {
    return (style.fsBold ? 1 : 0) | (style.fsItalic ? 2 : 0) | (style.fsUnderline ? 4 : 0) |
           (style.fsStrikeOut ? 8 : 0);
}

void IntToFontStyle(int n, TFontStyles& style) {
    if (n < 0 || n > 15) return;
    style.fsBold = (n & 1) != 0;
    style.fsItalic = (n & 2) != 0;
    style.fsUnderline = (n & 4) != 0;
    style.fsStrikeOut = (n & 8) != 0;
}

std::string OemToAnsiLine(std::string_view oem) {
    // OemToAnsi converts character by character but refuses long texts,
    // so a long line goes through in pieces.
    constexpr std::size_t kPiece = 200;
    std::string out;
    out.reserve(oem.size());
    while (!oem.empty()) {
        const std::string_view piece = oem.substr(0, kPiece);
        out += OemToAnsi(piece);
        oem.remove_prefix(piece.size());
    }
    return out;
}

std::string OutwinFileName() {
    return RunTempFolder() + "outwin.txt";
}

std::string NotepadProgram() {
    const std::string configured = TrimBlanks(platform::GetEnv("KOR2_NOTEPAD").value_or(""));
    return configured.empty() ? "xdg-open" : configured;
}

std::string KeepForTheUser(std::string_view file, bool copy) {
    const std::string spring = TrimBlanks(DataFileBareName(DataFileName));
    const std::string stem = spring.empty() ? ProgramBaseName : spring;
    const std::size_t nameAt = file.find_last_of("\\/:") + 1;  // npos + 1 is 0
    const std::size_t dot = file.rfind('.');
    const std::string ext(dot != std::string_view::npos && dot >= nameAt ? file.substr(dot) : "");
    return copy ? platform::KeepCopyBeyondRun(file, stem, ext)
                : platform::KeepBeyondRun(file, stem, ext);
}

void ShowInHostViewer(const std::string& file) {
    const std::string viewer = NotepadProgram();
    // A viewer that is missing and one that found nothing to show leave the
    // user in the same place: told where the file is.
    if (platform::StartProgramSettled(viewer, {platform::HostPath(file)}) == 0) return;
    const std::string failed =
        "Kein Programm zum Anzeigen gestartet (" + platform::DisplayPath(viewer) + "): ";
    if (!platform::InPrivateTempFolder(file)) {
        ShowErrorMessage(failed + "die Datei steht in " + platform::DisplayPath(file));
        return;
    }
    // The run's folder goes with the run: the user is sent to a copy that stays.
    const std::string kept = KeepForTheUser(file, true);
    if (kept.empty())
        ShowErrorMessage(failed + "die Datei steht bis zum Programmende in " +
                         platform::DisplayPath(file));
    else
        ShowErrorMessage(failed + "die Datei steht in " + platform::DisplayPath(kept));
}

std::string CopyOemFileToAnsi(std::string_view source, std::string_view target) {
    TextFile in;
    in.Assign(source);
    if (!in.Reset()) {
        AbortFlag = true;
        return std::string();
    }
    TextFile out;
    out.Assign(target);
    if (!out.Rewrite()) {
        AbortFlag = true;
        return out.FailureDetail();
    }
    std::string line;
    while (!in.Eof()) {
        if (!in.ReadLine(line) || !out.WriteLine(OemToAnsiLine(line))) {
            out.Discard();  // the target stays as it was
            AbortFlag = true;
            return std::string();
        }
    }
    in.Close();
    if (out.Close()) return std::string();
    AbortFlag = true;
    return out.FailureDetail();
}

int CountTextPages(const std::vector<std::string>& lines) {
    int pages = 0;
    bool textAfterLastFeed = false;
    for (const std::string& line : lines) {
        if (IsFormFeedLine(line)) {
            ++pages;
            textAfterLastFeed = false;
        } else {
            textAfterLastFeed = true;
        }
    }
    return textAfterLastFeed || pages == 0 ? pages + 1 : pages;
}

std::vector<std::vector<std::string>> PlanPrintedSheets(const std::vector<std::string>& lines,
                                                        int from, int to, int linesPerPage) {
    const auto perSheet = static_cast<std::size_t>(std::max(1, linesPerPage));
    std::vector<std::vector<std::string>> sheets(1);
    int page = 1;
    for (const std::string& line : lines) {
        if (IsFormFeedLine(line)) {
            ++page;
            if (page > from && page <= to) sheets.emplace_back();
            continue;
        }
        if (page < from || page > to) continue;
        if (sheets.back().size() >= perSheet) sheets.emplace_back();
        sheets.back().push_back(OemToAnsiLine(line));
    }
    return sheets;
}

void PrintTextFile(std::string_view fileName) {
    if (!platform::FileExists(fileName)) {
        ShowErrorMessage(platform::DisplayPath(fileName) + " not found !");
        return;
    }
    if (AbortFlag) return;
    TextFile in;
    in.Assign(fileName);
    if (!in.Reset()) {
        ShowErrorMessage(platform::DisplayPath(fileName) + " not found !");
        return;
    }
    std::vector<std::string> lines;
    std::string line;
    while (!in.Eof()) {
        in.ReadLine(line);
        lines.push_back(line);
    }
    in.Close();
    TextOutput().PrintLines(std::string(fileName), lines, CountTextPages(lines));
}

}  // namespace kor2
