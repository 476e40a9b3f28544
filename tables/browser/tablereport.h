// TableReport: a table of up to seven columns written into the report the
// text report writer has open, as fixed-width text with rules, a tab-separated
// line or an HTML table. The table browser and the spring reports call it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kor2 {

class TableReport {
public:
    static constexpr int kColumns = 7;
    static constexpr std::size_t kTextMax = 60;  // titles and cells are cut to this
    using Widths = std::array<int32_t, kColumns>;
    using Texts = std::array<std::string_view, kColumns>;

    // Stores widths and titles, switches row rules on and writes the head.
    void TableReportInit(const Widths& widths, const Texts& titles);
    // Stores the cells and writes one row.
    void TableReportRow(const Texts& cells);
    void TableReportSetRowRules(bool flag);
    // Writes the end of the table; later calls write nothing.
    void TableReportDone();

    // Columns written: 1, 2 and each following one up to the first zero width.
    int ColumnCount() const;

private:
    void Store(const Texts& texts);
    void WriteTabLine() const;
    void WriteTextLine() const;
    std::string HtmlCells(int from, std::string_view open, std::string_view close) const;

    std::array<int32_t, kColumns + 1> widths_{};  // the eighth stays 0
    std::array<std::string, kColumns> texts_;
    bool rowRules_ = true;
    bool done_ = false;
};

}  // namespace kor2
