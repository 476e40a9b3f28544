// Delimited text import: appends one record per non-empty line of a text file
// to the current work area's table, the columns going to its C, D, F, L and N
// fields in order. Called by the data-set layer and the table browser.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/progfiles.h"
#include "platform/real48.h"
#include "tables/area/changes.h"
#include "tables/area/workareas.h"
#include "tables/base/enginedates.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginefile.h"
#include "tables/base/filenames.h"
#include "tables/dbf/dbffile.h"
#include "tables/delim/delimited.h"

namespace kor2 {

namespace {

// Whether a text file may hold the byte: the printable ones and the code
// page's letters, tab, the line and page controls, escape and the end-of-file
// mark. Binary files (programs, pictures, tables) hold the others, NUL first.
bool IsTextByte(int c) {
    return c >= 0x20 || (c >= 0x07 && c <= 0x0D) || c == 0x1B || c == DelimEndOfFile;
}

// Reads a file in blocks and hands out its lines. A line ends at LF, at CR
// (an LF right after it belongs to it) or at the end-of-file mark, which at
// the start of a line ends the file. Notes the first byte read that no text
// file holds.
class LineReader {
public:
    explicit LineReader(EngineFile& file) : file_(file), block_(kBlock) {}
    // False at the end of the file or after a read error (then Failed()).
    bool Next(std::string& line) {
        line.clear();
        int c = Get();
        if (c < 0 || c == DelimEndOfFile) {
            end_ = true;
            return false;
        }
        for (; c >= 0; c = Get()) {
            if (c == '\n' || c == DelimEndOfFile) break;
            if (c == '\r') {
                if (Peek() == '\n') Get();
                break;
            }
            if (line.size() < DelimMaxLine) line += static_cast<char>(c);
        }
        return !failed_;
    }
    bool Failed() const { return failed_; }
    // Offset of the first byte read that no text file holds, -1 before one.
    int64_t ForeignAt() const { return foreignAt_; }
    int ForeignByte() const { return foreignByte_; }

private:
    static constexpr size_t kBlock = 65520;
    int Peek() {
        if (at_ == len_ && !Fill()) return -1;
        return static_cast<uint8_t>(block_[at_]);
    }
    int Get() {
        const int c = Peek();
        if (c < 0) return c;
        if (foreignAt_ < 0 && !IsTextByte(c)) {
            foreignAt_ = pos_ - static_cast<int64_t>(len_) + static_cast<int64_t>(at_);
            foreignByte_ = c;
        }
        ++at_;
        return c;
    }
    bool Fill() {
        if (end_ || failed_) return false;
        const int64_t n = file_.ReadAt(pos_, block_.data(), static_cast<int64_t>(kBlock));
        if (n <= 0) {
            (n < 0 ? failed_ : end_) = true;
            return false;
        }
        pos_ += n;
        at_ = 0;
        len_ = static_cast<size_t>(n);
        return true;
    }

    EngineFile& file_;
    std::vector<char> block_;
    int64_t pos_ = 0;
    size_t at_ = 0, len_ = 0;
    bool end_ = false, failed_ = false;
    int64_t foreignAt_ = -1;
    int foreignByte_ = 0;
};

// Reads the whole file as the import will; false, with the reason reported,
// when a read fails or the file holds a byte no text file holds.
bool IsTextFile(EngineFile& file, const std::string& name) {
    LineReader scan(file);
    std::string line;
    while (scan.ForeignAt() < 0 && scan.Next(line)) {
    }
    if (scan.ForeignAt() >= 0) {
        static constexpr char kHex[] = "0123456789ABCDEF";
        const int b = scan.ForeignByte();
        const std::string byte{kHex[(b >> 4) & 15], kHex[b & 15]};
        SetEngineError(13, "Datei:  " + platform::DisplayPath(name) +
                               " ist keine Textdatei (Byte " + byte + "h an Stelle " +
                               std::to_string(scan.ForeignAt() + 1) + ") [ImportText]");
        return false;
    }
    return !scan.Failed();
}

// The progress bar of 100 steps over the file size, opened at the first line.
class ImportProgress {
public:
    ImportProgress(bool show, int64_t fileSize)
        : show_(show && MakeEngineProgress), step_(fileSize > 100 ? fileSize / 100 : 1) {}
    void Line(size_t length) {
        if (!show_) return;
        if (!window_) window_ = MakeEngineProgress("Appending...");
        if (!window_) return;
        total_ += static_cast<int64_t>(length);
        for (; shown_ < 100 && total_ >= (shown_ + 1) * step_; ++shown_) window_->Step();
    }

private:
    bool show_;
    int64_t step_;
    int64_t total_ = 0;
    int64_t shown_ = 0;
    std::unique_ptr<EngineProgress> window_;
};

bool AllDigits(const std::string& s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

void PutText(uint8_t* p, const std::string& s, size_t capacity) {
    const size_t n = std::min(s.size(), capacity);
    p[0] = static_cast<uint8_t>(n);
    std::memcpy(p + 1, s.data(), n);
}

// YYYYMMDD as a date text of the current format, with its century, so that
// the year is stored as read whatever the two-digit-year window says.
std::string DateTextWithCentury(const std::string& digits) {
    const bool century = CenturyDisplay;
    CenturyDisplay = true;
    std::string text = DbfToDate(digits);
    CenturyDisplay = century;
    return text;
}

// The date text of a date column: YYYYMMDD, or a date text of the current
// format. Anything else (digits of another length, a text that is no date)
// is refused and gives the empty date.
std::string ImportedDate(const std::string& col) {
    std::string text = AllDigits(col) && col.size() == 8 ? DateTextWithCentury(col) : col;
    std::string check = text;
    return IsValidDate(check) ? text : std::string();
}

void AssignColumn(const DbfFieldEntry& f, uint8_t* p, const std::string& col) {
    switch (f.type) {
        case 'C':
            PutText(p, col, f.length);
            break;
        case 'D':
            PutText(p, ImportedDate(col), f.length + 2u);
            break;
        case 'L':
            p[0] =
                !col.empty() && (col[0] == 'T' || col[0] == 'Y' || col[0] == 't' || col[0] == 'y');
            break;
        default:
            if (f.decimals > 0) {
                const Real48 r = Real48::FromExtended(StoredNumberValue(col.data(), col.size()));
                std::memcpy(p, r.Bytes().data(), 6);
            } else {
                const int32_t v = StoredIntValue(col.data(), col.size());
                std::memcpy(p, &v, 4);
            }
    }
}

void FillRecord(DbfArea& a, const std::string& line) {
    BlankRecord(a);
    if (a.isVirtual && a.typedBuffer) std::memset(a.typedBuffer, 0, a.typedSize);
    size_t pos = 0;
    for (size_t i = 0; i < a.fields.size() && pos < line.size(); ++i) {
        const DbfFieldEntry& f = a.fields[i];
        if (!HasDelimColumn(f.type)) continue;
        const std::string col = TakeDelimitedColumn(line, pos);
        AssignColumn(f, a.typedBuffer + TypedFieldOffset(a, static_cast<int>(i)), col);
    }
}

}  // namespace

std::string TakeDelimitedColumn(const std::string& line, size_t& pos) {
    size_t i = pos;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    std::string text;
    int quotes = 0;
    for (; i < line.size(); ++i) {
        const char c = line[i];
        if (c == DelimQuote) {
            // Inside quoted text a doubled quote stands for one quote.
            if (quotes == 1 && i + 1 < line.size() && line[i + 1] == DelimQuote) {
                text += DelimQuote;
                ++i;
            } else {
                ++quotes;
            }
            continue;
        }
        if (c == DelimSeparator && quotes != 1) {
            ++i;
            break;
        }
        text += c;
    }
    pos = i;
    return text;
}

bool ImportText(const std::string& fileName, bool showProgress) {
    EngineErrorCode = 0;
    if (CheckAreaOpen("ImportText")) return false;
    DbfArea& a = *CurrentDbf();
    if (!a.typedBuffer) return false;
    const std::string name = DefaultExtension(fileName, DelimDefaultExt);
    uint16_t io = 0;
    constexpr uint8_t kReadDenyNone = 0x40;
    std::unique_ptr<EngineFile> file = OpenEngineFile(name, kReadDenyNone, io);
    if (!file) return false;
    // A binary file would give a record for every stretch between its line
    // breaks: it is refused before a record is written.
    if (!IsTextFile(*file, name)) return false;
    ImportProgress progress(showProgress, file->Size());
    LineReader reader(*file);
    std::string line;
    while (reader.Next(line)) {
        progress.Line(line.size());
        if (line.empty()) continue;
        FillRecord(a, line);
        Append();
        if (EngineErrorCode != 0) return false;
    }
    return !reader.Failed();
}

}  // namespace kor2
