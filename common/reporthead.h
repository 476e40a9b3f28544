// The parts every report shares: the header block of five title lines, the
// framed page header, the column-title line of table layouts and the section
// of calculation messages with cause and remedy; and the message report of
// the main window built from them. Written through the report writer.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/shortstring.h"

namespace kor2 {

inline constexpr std::size_t kHeaderLineLen = 65;

struct ReportHeaderBlock {
    ShortString<kHeaderLineLen> Line1, Line2, Line3, Line4, Line5;
    int32_t TotalPages = 0;  // 0: no page total
};
inline ReportHeaderBlock ReportHeader;

inline ShortString<30> ColumnTitle0;
inline ShortString<10> ColumnTitle1{"Zeichen"};
inline ShortString<10> ColumnTitle2{"Einheit"};
inline ShortString<10> ColumnTitle3{"1"};
inline ShortString<10> ColumnTitle4{"2"};

// Empty header block and the default column titles.
void InitReportHeader();

// Stores the header block (an empty line1 becomes MainTitle + "  V" +
// ProgramVersion) and sets page and line counts to 0. Before ReportBegin.
void FormatReportField(std::string_view line1, std::string_view line2, std::string_view line3,
                       std::string_view line4, std::string_view line5, int32_t totalPages);
// Stores the column titles and restores the default column positions.
void SetReportColumnTitles(std::string_view title0, std::string_view title1,
                           std::string_view title2, std::string_view title3,
                           std::string_view title4);

// The header of a page; pageNo 0 is the next page, layout 1 adds the
// column titles.
void ReportPageHeader(int32_t pageNo, int32_t layout);
void ReportColumnTitleLine();

// "BEMERKUNGEN, WARNUNGEN, FEHLERMELDUNGEN" with each message of ErrorList
// and its cause and remedy; nothing when the list is empty.
void ReportMessagesSection();
// The short form: the messages without descriptions.
void ReportMessagesHeader();
// A page of its own: header, messages section, end of page.
void ReportMessagesPage();
// The message report of the main window, on the screen.
void ReportCalcMessages();

}  // namespace kor2
