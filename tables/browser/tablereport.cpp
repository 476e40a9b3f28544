// TableReport: head, rows and end of a report table on the report writer's
// current device (6 tab-separated, 7 HTML, any other fixed-width text).
// Texts stay in code page 850; the writer converts HTML lines for Windows.
#include "tables/browser/tablereport.h"

#include "common/report.h"
#include "common/textutil.h"

namespace kor2 {
namespace {

constexpr uint16_t kTabDevice = 6;
constexpr uint16_t kHtmlDevice = 7;

}  // namespace

int TableReport::ColumnCount() const {
    int n = 2;
    while (n < kColumns && widths_[static_cast<std::size_t>(n)] != 0) ++n;
    return n;
}

void TableReport::Store(const Texts& texts) {
    for (std::size_t k = 0; k < texts_.size(); ++k)
        texts_[k] = std::string(texts[k].substr(0, kTextMax));
}

void TableReport::WriteTabLine() const {
    std::string line = texts_[0];
    for (int k = 1; k < ColumnCount(); ++k) line += '\t' + texts_[static_cast<std::size_t>(k)];
    ReportWriteLn(line);
}

// The texts cut or padded to their widths, starting at the left margin.
void TableReport::WriteTextLine() const {
    std::string line;
    for (int k = 0; k < ColumnCount(); ++k) {
        const auto i = static_cast<std::size_t>(k);
        line += PadRightTo(texts_[i], widths_[i]);
    }
    ReportWriteLn(line + ' ');
}

// The texts of columns from+1 .. ColumnCount, each escaped between open and close.
std::string TableReport::HtmlCells(int from, std::string_view open, std::string_view close) const {
    std::string cells;
    for (int k = from; k < ColumnCount(); ++k)
        cells += std::string(open) + HtmlEscape(texts_[static_cast<std::size_t>(k)]) +
                 std::string(close);
    return cells;
}

void TableReport::TableReportInit(const Widths& widths, const Texts& titles) {
    for (std::size_t k = 0; k < widths.size(); ++k) widths_[k] = widths[k];
    widths_[kColumns] = 0;
    Store(titles);
    rowRules_ = true;
    done_ = false;
    switch (GetReportDevice()) {
        case kTabDevice:
            WriteTabLine();
            break;
        case kHtmlDevice: {
            HtmlCloseTable();  // no table inside the writer's open one
            ReportWriteLn("<TABLE BORDER = \"1\" WIDTH= \"100%\">");
            ReportWriteLn("<TR>" + HtmlCells(0, "<TD><CENTER>", "</CENTER></TD>") + "</TR>");
            break;
        }
        default:
            ReportLine(DoubleRuleLine());
            WriteTextLine();
            ReportLine(DoubleRuleLine());
            break;
    }
}

void TableReport::TableReportRow(const Texts& cells) {
    if (done_) return;
    Store(cells);
    switch (GetReportDevice()) {
        case kTabDevice:
            WriteTabLine();
            break;
        case kHtmlDevice: {
            ReportWriteLn("<TR><TD>" + HtmlEscape(texts_[0]) + "</TD>" +
                          HtmlCells(1, "<TD><DIV ALIGN=RIGHT>", "</DIV></TD>") + "</TR>");
            break;
        }
        default:
            WriteTextLine();
            if (rowRules_) ReportLine(RuleLine());
            break;
    }
}

void TableReport::TableReportSetRowRules(bool flag) {
    rowRules_ = flag;
}

void TableReport::TableReportDone() {
    if (done_) return;
    done_ = true;
    if (!rowRules_) ReportLine(RuleLine());
    if (GetReportDevice() == kHtmlDevice) ReportWriteLn("</TABLE>");
}

}  // namespace kor2
