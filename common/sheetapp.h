// The spreadsheet automation object (ExcelApp) as an interface with the calls
// the program makes, and a stand-in that writes the cells as a SpreadsheetML
// 2003 workbook file. ExportTextToSpreadsheet (common/sheetexport.h) fills
// the cells; the shell's spreadsheet commands (app/spreadsheet.h) create it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kor2 {

// The calls made on the spreadsheet server. Texts are in the Windows
// character set. Each returns false when the server refuses the call.
class SpreadsheetAutomation {
public:
    virtual ~SpreadsheetAutomation() = default;
    virtual bool SetVisible(bool visible) = 0;  // property "visible"
    virtual bool AddWorkbook() = 0;             // "workbooks", then "add"
    // cells(row, column).value := value on the active sheet; rows and
    // columns count from 1.
    virtual bool SetCellValue(int32_t row, int32_t column, std::string_view value) = 0;
    // The caller has finished a run of cell writes: a live server has
    // nothing to do, the stand-in writes its workbook file.
    virtual bool EndUpdate() = 0;
};

// The program's automation object, created by the shell's first spreadsheet
// command and kept until the end; empty before.
inline std::unique_ptr<SpreadsheetAutomation> ExcelApp;

// Creates the server for the shell; a null result means it cannot be
// started. Unset, the shell creates a SpreadsheetFileApp beside the spring
// file (same folder and name, extension "xml").
inline std::function<std::unique_ptr<SpreadsheetAutomation>()> ExcelAppFactory;

// The stand-in server: keeps the cells of each workbook and writes workbook
// k (1-based) to the file given, the second and later ones with k before the
// extension. The file is a SpreadsheetML 2003 XML workbook in UTF-8 with one
// sheet "Tabelle1" of text cells, which spreadsheet programs open directly.
class SpreadsheetFileApp : public SpreadsheetAutomation {
public:
    explicit SpreadsheetFileApp(std::string fileName) : fileName_(std::move(fileName)) {}

    bool SetVisible(bool visible) override;
    bool AddWorkbook() override;
    bool SetCellValue(int32_t row, int32_t column, std::string_view value) override;
    bool EndUpdate() override;

    bool Visible() const { return visible_; }
    std::size_t WorkbookCount() const { return books_.size(); }
    std::string WorkbookFileName(std::size_t k) const;  // program path text, k from 1
    // The XML text of workbook k.
    std::string WorkbookXml(std::size_t k) const;

private:
    using Sheet = std::map<int32_t, std::map<int32_t, std::string>>;  // row -> column -> text
    std::string fileName_;
    bool visible_ = false;
    std::vector<Sheet> books_;
};

}  // namespace kor2
