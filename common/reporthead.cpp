// Page header, column titles and messages section of reports, in the text,
// tab and HTML modes of the report writer. Called by every report and by
// the page-full test of the writer; ReportCalcMessages by the main window.
#include "common/reporthead.h"

#include <string>

#include "common/errdesc.h"
#include "common/filepath.h"
#include "common/globals.h"
#include "common/msgbox.h"
#include "common/numfmt.h"
#include "common/report.h"
#include "common/textfile.h"
#include "common/textutil.h"
#include "platform/progfiles.h"

namespace kor2 {

namespace {

constexpr std::string_view kMessagesTitle = "BEMERKUNGEN, WARNUNGEN, FEHLERMELDUNGEN";

int FrameStyleOf() {
    return TextPrintMode >= 1 && TextPrintMode <= 3 ? TextPrintMode : 4;
}

bool IsFirstPage(int32_t pageNo) {
    return pageNo == 1 || (pageNo == 0 && ReportPageCount == 0);
}

std::string ProgramTitle() {
    return MainTitle + " V" + ProgramVersion;
}

// A header line framed at 1 and 70, texts inserted at their positions.
class FramedLine {
public:
    FramedLine() : line_(71, ' ') {
        line_[0] = ReportFrameChar();
        line_[69] = ReportFrameChar();
    }
    FramedLine& Put(std::string_view text, int32_t pos) {
        InsertAtCut(line_, text, pos, kReportLineWidth);
        return *this;
    }
    void Write() const { ReportLine(line_); }

private:
    std::string line_;
};

std::string HeaderDataFile() {
    if (CmdLineFileGiven) return platform::DisplayPath(DataFileName);
    const std::string nameExt = DataFileWithExt(DataFileName);
    if (DataFolder.size() + DataFileName.size() < 70)
        return platform::DisplayPath(AddBackslash(DataFolder) + nameExt);
    return platform::DisplayPath(nameExt);
}

// "--" would end an HTML comment early.
std::string CommentSafe(std::string s) {
    for (std::size_t p = s.find("--"); p != std::string::npos; p = s.find("--", p)) s.erase(p, 1);
    return s;
}

void TabPageHeader(int32_t pageNo) {
    if (IsFirstPage(pageNo)) {
        ReportLine(ProgramTitle() + '\t' + TodayToStr() + '\t' + TimeToStrHM());
        ReportLine(platform::DisplayPath(ReportUserFileName()));
        for (int k = 1; k <= kReportTitleLineCount; ++k) ReportLine(ReportTitleLines[k].str());
        ReportLine(" ");
    }
    ++ReportPageCount;
}

void HtmlPageHeader(int32_t pageNo) {
    if (IsFirstPage(pageNo)) {
        ReportWriteLn("<!-- " + CommentSafe(platform::DisplayPath(ReportUserFileName())) + " -->");
        ReportWriteLn("<HTML>");
        ReportWriteLn("<head><title>" + HtmlEscape(ProgramTitle()) + "</title></head>");
        ReportWriteLn("<BODY BGCOLOR=\"C0C0C0\">");
        ReportWriteLn("<hr>");
        ReportHtmlMarkupLine("<h4>" + HtmlEscape(ProgramTitle()) + "</h4>");
        ReportWriteLn("<hr>");
        for (const auto* line :
             {&ReportHeader.Line2, &ReportHeader.Line3, &ReportHeader.Line4, &ReportHeader.Line5})
            ReportWriteLn("<h5>" + HtmlEscape(line->str()) + "</h5>");
        ReportWriteLn("<hr>");
    }
    ++ReportPageCount;
}

void TextPageHeader(int32_t pageNo, int32_t layout) {
    AskInsertPaper();
    if (AbortFlag) return;
    const bool first = IsFirstPage(pageNo);
    if (PrintHeaderMode == 2 && !first) {
        ReportWriteLn(" ");
        return;
    }
    if (FrameStyleOf() == 4 && !first && ReportLineCount < LinesPerPage / 2) return;
    ReportLineCount = 0;
    ReportLayout = layout;
    ++ReportPageCount;
    if (pageNo == 0) pageNo = ReportPageCount;

    if (FrameStyleOf() == 4) ReportLine("");
    for (int32_t k = 0; k < HeaderSpaceLines; ++k) ReportLine("");
    ReportTopRule();

    FramedLine lineA;
    lineA.Put(ReportHeader.Line1, 6);
    if (PrintHeaderMode != 2) {
        if (ReportHeader.TotalPages != 0)
            lineA.Put(
                "Bl." + IntToStrPad(pageNo, 2) + "/" + IntToStrPad(ReportHeader.TotalPages, 2), 60);
        else
            lineA.Put("Bl." + IntToStrPad(pageNo, 2), 64);
    }
    lineA.Write();
    FramedLine().Put(TodayToStr(), 53).Put(TimeToStrHM(), 64).Write();
    FramedLine().Put(HeaderDataFile(), 6).Write();

    ReportMiddleRule();
    FramedLine().Put(ReportHeader.Line2, 6).Write();
    FramedLine().Put(ReportHeader.Line3, 6).Write();
    FramedLine().Put(ReportHeader.Line4, 6).Write();
    if (!ReportHeader.Line5.empty()) FramedLine().Put(ReportHeader.Line5, 6).Write();

    if (layout != 1) {
        ReportBottomRule();
    } else {
        ReportMiddleRule();
        ReportColumnTitleLine();
    }
}

}  // namespace

void InitReportHeader() {
    ReportHeader = ReportHeaderBlock{};
    ColumnTitle0 = "";
    ColumnTitle1 = "Zeichen";
    ColumnTitle2 = "Einheit";
    ColumnTitle3 = "1";
    ColumnTitle4 = "2";
}

void FormatReportField(std::string_view line1, std::string_view line2, std::string_view line3,
                       std::string_view line4, std::string_view line5, int32_t totalPages) {
    ReportHeader.Line1 = line1.empty() ? MainTitle + "  V" + ProgramVersion : std::string(line1);
    ReportHeader.Line2 = line2;
    ReportHeader.Line3 = line3;
    ReportHeader.Line4 = line4;
    ReportHeader.Line5 = line5;
    ReportHeader.TotalPages = totalPages;
    ReportPageCount = 0;
    ReportLineCount = 0;
}

void SetReportColumnTitles(std::string_view title0, std::string_view title1,
                           std::string_view title2, std::string_view title3,
                           std::string_view title4) {
    ColumnTitle0 = title0;
    ColumnTitle1 = title1;
    ColumnTitle2 = title2;
    ColumnTitle3 = title3;
    ColumnTitle4 = title4;
    ReportResetColumns();
}

void ReportPageHeader(int32_t pageNo, int32_t layout) {
    if (ReportTabMode())
        TabPageHeader(pageNo);
    else if (ReportHtmlMode())
        HtmlPageHeader(pageNo);
    else
        TextPageHeader(pageNo, layout);
}

void ReportColumnTitleLine() {
    if (ReportTabMode()) {
        ReportLine(ColumnTitle0 + '\t' + ColumnTitle1.str() + '\t' + ColumnTitle2.str() + '\t' +
                   ColumnTitle3.str() + '\t' + ColumnTitle4.str());
        return;
    }
    if (ReportHtmlMode()) {
        HtmlOpenTable();
        ReportWriteLn("<TR><TD><CENTER>" + HtmlEscape(ColumnTitle0.str()) + "</CENTER></TD>" +
                      "<TD>" + HtmlEscape(ColumnTitle1.str()) + "</TD>" + "<TD>" +
                      HtmlEscape(ColumnTitle2.str()) + "</TD>" + "<TD>" +
                      HtmlEscape(ColumnTitle3.str()) + "</TD>" + "<TD>" +
                      HtmlEscape(ColumnTitle4.str()) + "</TD>" + "</TR>");
        return;
    }
    std::string line(69, ' ');
    const std::string frame(1, ReportFrameChar());
    InsertAtCut(line, frame, 1, kReportLineWidth);
    InsertAtCut(line, ColumnTitle0.str(), 1, kReportLineWidth);
    InsertAtCut(line, ColumnTitle1.str(), 35, kReportLineWidth);
    InsertAtCut(line, ColumnTitle2.str(), 44, kReportLineWidth);
    InsertAtCut(line, ColumnTitle3.str(), 51, kReportLineWidth);
    InsertAtCut(line, ColumnTitle4.str(), 62, kReportLineWidth);
    InsertAtCut(line, frame, 70, kReportLineWidth);
    ReportLine(line);
    ReportBottomRule();
    ReportLine("");
}

void ReportMessagesSection() {
    if (ErrorList.count == 0) return;
    const bool tab = ReportTabMode(), html = ReportHtmlMode();
    ReportWriteLn("");
    ReportLine(kMessagesTitle);
    if (!tab) {
        ReportLine(DoubleRuleLine());
        ReportWriteLn("");
        ReportLine(RuleLine());
    }
    if (html) HtmlOpenTable();
    for (uint16_t k = 1; k <= ErrorList.count && k <= kErrorListSlots; ++k) {
        const std::string message = ErrorList.slots[k].str();
        std::string cause, remedy;
        LookupErrDescription(k, cause);
        LookupErrRemedy(k, remedy);
        if (tab) {
            ReportWriteLn(message + '\t' + cause + '\t' + remedy);
            continue;
        }
        ReportTableRow(message);
        ReportWrappedText(cause);
        ReportWrappedText(remedy);
        if (!html && FrameStyleOf() != 4) ReportLine(RuleLine());
        if (html) {
            HtmlCloseTable();
            ReportLine("");
            HtmlOpenTable();
        }
    }
    if (html) HtmlCloseTable();
}

void ReportMessagesHeader() {
    if (ErrorList.count == 0) return;
    ReportWriteLn("");
    ReportLine(kMessagesTitle);
    if (ReportHtmlMode()) HtmlOpenTable();
    for (uint16_t k = 1; k <= ErrorList.count && k <= kErrorListSlots; ++k)
        ReportLine(ErrorList.slots[k].str());
    if (ReportHtmlMode()) HtmlCloseTable();
}

void ReportMessagesPage() {
    if (ErrorList.count == 0) return;
    AskInsertPaper();
    if (AbortFlag) return;
    ReportPageHeader(0, 0);
    ReportMessagesSection();
    ReportNewPage();
}

void ReportCalcMessages() {
    AbortFlag = false;
    if (ErrorList.count == 0) {
        ShowInfo("Berechnung erfolgreich ohne Fehlermeldungen");
        return;
    }
    FormatReportField(CaptionText + " V" + ProgramVersion, "Error Messages",
                      ReportTitleLines[1].str(), ReportTitleLines[2].str(),
                      ReportTitleLines[3].str(), 1);
    if (CalcErrorFlag) {
        ShowCalcMessages();
        return;
    }
    ReportBegin(1, DataFileName + ".txt");
    if (AbortFlag) return;
    RewriteFileMsg(SharedTextFile);
    if (AbortFlag) return;
    ReportMessagesPage();
    ReportEnd();
}

}  // namespace kor2
