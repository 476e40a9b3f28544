// The stand-in spreadsheet server, which writes its workbooks as SpreadsheetML
// 2003 files. Created by the shell's spreadsheet commands (app/spreadsheet.cpp).
#include "common/sheetapp.h"

#include "common/filepath.h"
#include "common/globals.h"
#include "common/msgbox.h"
#include "common/numfmt.h"
#include "common/report.h"
#include "platform/codepage.h"
#include "platform/hostfs.h"
#include "platform/oemtext.h"

namespace kor2 {

namespace {

// Windows text as XML character data in UTF-8. Control characters that XML
// does not allow become the replacement character.
std::string XmlText(std::string_view ansi) {
    // UTF-8 leaves bytes below 0x80 as they are, so control characters can be
    // replaced after the conversion.
    const std::string utf8 = platform::AnsiToUtf8(HtmlEscape(ansi));
    std::string out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
            out += "\xEF\xBF\xBD";
        else
            out += c;
    }
    return out;
}

}  // namespace

bool SpreadsheetFileApp::SetVisible(bool visible) {
    visible_ = visible;
    return true;
}

bool SpreadsheetFileApp::AddWorkbook() {
    books_.emplace_back();
    return true;
}

bool SpreadsheetFileApp::SetCellValue(int32_t row, int32_t column, std::string_view value) {
    if (books_.empty() || row < 1 || column < 1) return false;
    Sheet& sheet = books_.back();
    if (value.empty()) {
        const auto r = sheet.find(row);
        if (r != sheet.end()) {
            r->second.erase(column);
            if (r->second.empty()) sheet.erase(r);
        }
    } else {
        sheet[row][column].assign(value);
    }
    return true;
}

bool SpreadsheetFileApp::EndUpdate() {
    for (std::size_t k = 1; k <= books_.size(); ++k)
        if (!platform::WriteFileReplacing(WorkbookFileName(k), WorkbookXml(k))) return false;
    return true;
}

std::string SpreadsheetFileApp::WorkbookFileName(std::size_t k) const {
    if (k <= 1) return fileName_;
    const std::string folder = ExtractFilePathL(fileName_);
    const std::string name = fileName_.substr(folder.size());
    const std::size_t dot = name.rfind('.');
    const std::string number = IntToStrL(static_cast<int32_t>(k));
    if (dot == std::string::npos) return fileName_ + number;
    return folder + name.substr(0, dot) + number + name.substr(dot);
}

std::string SpreadsheetFileApp::WorkbookXml(std::size_t k) const {
    std::string x =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\"\n"
        " xmlns:ss=\"urn:schemas-microsoft-com:office:spreadsheet\">\n"
        " <Worksheet ss:Name=\"Tabelle1\">\n"
        "  <Table>\n";
    if (k >= 1 && k <= books_.size()) {
        for (const auto& [row, cells] : books_[k - 1]) {
            x += "   <Row ss:Index=\"" + IntToStrL(row) + "\">";
            for (const auto& [column, text] : cells)
                x += "<Cell ss:Index=\"" + IntToStrL(column) + "\"><Data ss:Type=\"String\">" +
                     XmlText(text) + "</Data></Cell>";
            x += "</Row>\n";
        }
    }
    x += "  </Table>\n </Worksheet>\n</Workbook>\n";
    return x;
}

}  // namespace kor2
