// Shared set-up of the report tests: fresh globals in a temporary folder, a
// fixed clock, scripted dialogs and text-output hooks that keep what the
// writer hands to the text window and the printer.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/config.h"
#include "common/globals.h"
#include "common/report.h"
#include "common/reporthead.h"
#include "common/scriptdialogs.h"
#include "common/textfile.h"
#include "common/textout.h"
#include "files_testutil.h"
#include "platform/hostfs.h"
#include "platform/sysclock.h"
#include "support/runtempfile.h"
#include "support/tempdir.h"

namespace kor2::test {

class RecordingTextOutput : public TextOutputBackend {
public:
    RecordingTextOutput() { SetTextOutputBackend(this); }
    ~RecordingTextOutput() override { SetTextOutputBackend(nullptr); }
    RecordingTextOutput(const RecordingTextOutput&) = delete;
    RecordingTextOutput& operator=(const RecordingTextOutput&) = delete;

    void ShowTextWindow(const std::string& reportFile, bool copyAndClose) override {
        ++windows;
        shownReport = Slurp(platform::HostPath(reportFile));
        shownOutwin = Slurp(platform::HostPath(OutwinFileName()));
        copied = copyAndClose;
    }
    void PrintLines(const std::string& fileName, const std::vector<std::string>& lines,
                    int pageCount) override {
        printedFile = fileName;
        printedLines = lines;
        printedPages = pageCount;
    }
    ScreenFacts Screen() override { return {}; }

    int windows = 0;
    std::string shownReport, shownOutwin;
    bool copied = false;
    std::string printedFile;
    std::vector<std::string> printedLines;
    int printedPages = -1;
};

// Splits a report file at CR LF.
inline std::vector<std::string> ReportLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t end = text.find("\r\n", from);
        if (end == std::string::npos) {
            lines.push_back(text.substr(from));
            break;
        }
        lines.push_back(text.substr(from, end - from));
        from = end + 2;
    }
    return lines;
}

class ReportTestBase : public ::testing::Test {
protected:
    void SetUp() override {
        InitProgramVariables();
        InitConfigVariables();
        InitReportWriter();
        SetCommandLine({});
        TempFolder = tmp.path().string();
        PltFolder = tmp.path().string();
        DataFolder = "C:\\FEDERN";
        platform::SetClockOverride(platform::DateTime{2026, 3, 4, 13, 5, 0, 0, 0});
        AbortFlag = false;
    }
    void TearDown() override {
        platform::SetClockOverride(std::nullopt);
        SharedTextFile.Discard();
    }
    // Begins a report on device, opens the file and writes the first page header.
    void Begin(uint16_t device, int32_t layout = 0) {
        ReportBegin(device, "x.txt");
        ASSERT_FALSE(AbortFlag);
        ASSERT_TRUE(SharedTextFile.Rewrite());
        ReportPageHeader(1, layout);
    }
    std::string Temp(const std::string& name) const { return tmp.file(name); }
    // A file of the run's own folder inside TempFolder.
    std::string RunTemp(const std::string& name) const { return RunTempFile(name); }

    ScriptedDialogs ui;
    RecordingTextOutput out;
    TempDir tmp;
};

}  // namespace kor2::test
