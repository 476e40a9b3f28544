// The browser model's print command: the table's first seven fields of every
// physical record as a table report through the report writer. Called by the
// browser window's File/Print item.
#include <algorithm>
#include <array>
#include <string>

#include "common/globals.h"
#include "common/msgbox.h"
#include "common/report.h"
#include "common/reporthead.h"
#include "common/textfile.h"
#include "platform/progfiles.h"
#include "tables/browser/browsermodel.h"
#include "tables/browser/tablereport.h"

namespace kor2 {

void Tdbf4::mi_filePrintClick() {
    FormatReportField(CaptionText + " V" + ProgramVersion,
                      platform::DisplayPath(tbdbf.DbfFileName()), Caption, "", Label_title1, 0);
    ReportBegin(0, DataFileName);
    if (AbortFlag) return;
    RewriteFileMsg(SharedTextFile);
    if (AbortFlag) return;
    ReportPageHeader(0, 0);
    if (AbortFlag) return;
    ReportLine("");
    if (AbortFlag) return;

    const int n = std::min(TableReport::kColumns, GetFieldCount());
    TableReport::Widths widths{};
    std::array<std::string, TableReport::kColumns> titles;
    for (int i = 1; i <= n; ++i) {
        GetFieldName(i, titles[i - 1]);
        widths[i - 1] = tbdbf.FieldLen(i) + 1;
    }
    auto views = [](const std::array<std::string, TableReport::kColumns>& texts) {
        TableReport::Texts v;
        for (int i = 0; i < TableReport::kColumns; ++i) v[i] = texts[i];
        return v;
    };
    TableReport report;
    report.TableReportInit(widths, views(titles));
    const int32_t count = GetRecordCount();
    std::array<std::string, TableReport::kColumns> cells;
    for (int32_t r = 1; r <= count; ++r) {
        for (int i = 1; i <= n; ++i) tbdbf.Peek(i, r, cells[i - 1]);
        report.TableReportRow(views(cells));
    }
    report.TableReportDone();
    ReportEnd();
}

}  // namespace kor2
