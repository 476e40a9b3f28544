// Delimited text export of the current work area's raw field images, and the
// start and end of the xBase layer. Called by the data-set layer, the table
// browser and the program's start-up and shut-down.
#include "tables/delim/delimited.h"

#include "platform/progfiles.h"
#include "tables/area/navigation.h"
#include "tables/area/workareas.h"
#include "tables/base/engineerror.h"
#include "tables/base/enginefile.h"
#include "tables/base/filenames.h"
#include "tables/dbf/hooks.h"

namespace kor2 {

bool HasDelimColumn(char type) {
    return type == 'C' || type == 'D' || type == 'F' || type == 'L' || type == 'N';
}

namespace {

// Line ends and the end-of-file mark inside a column would break the file
// into other records on reading; they are written as blanks.
std::string Sanitized(std::string s) {
    for (auto& c : s)
        if (c == '\r' || c == '\n' || c == DelimEndOfFile) c = ' ';
    return s;
}

// Between quotes, a quote inside the text doubled.
std::string Quoted(const std::string& s) {
    std::string out(1, DelimQuote);
    for (char c : s) {
        if (c == DelimQuote) out += DelimQuote;
        out += c;
    }
    return out + DelimQuote;
}

std::string TrimBlanksRight(const std::string& s) {
    const size_t e = s.find_last_not_of(' ');
    return e == std::string::npos ? std::string() : s.substr(0, e + 1);
}

std::string ColumnText(const DbfArea& a, const DbfFieldEntry& f) {
    const std::string stored =
        f.offset < a.record.size() ? Sanitized(a.record.substr(f.offset, f.length)) : std::string();
    std::string text;
    switch (f.type) {
        case 'C':
            return Quoted(TrimBlanksRight(stored));
        case 'D':
            text = TrimBlanksRight(stored);
            break;
        case 'L':
            text = stored.substr(0, 1);
            break;
        default: {
            // Trailing blanks of a left-aligned number go too.
            const size_t b = stored.find_first_not_of(' ');
            text = b == std::string::npos ? std::string() : TrimBlanksRight(stored.substr(b));
        }
    }
    // Damaged stored texts holding a separator or a quote keep their column.
    if (text.find_first_of(",\"") != std::string::npos) return Quoted(text);
    return text;
}

std::string RecordLine(const DbfArea& a, bool names) {
    std::string line;
    bool any = false;
    for (const auto& f : a.fields) {
        if (!HasDelimColumn(f.type)) continue;
        if (any) line += DelimSeparator;
        line += names ? Quoted(TrimBlanksRight(f.name)) : ColumnText(a, f);
        any = true;
    }
    return line + "\r\n";
}

// Collects output and writes it in blocks; the first failure is kept.
class DelimWriter {
public:
    DelimWriter(EngineFile& file, std::string name) : file_(file), name_(std::move(name)) {}
    bool Put(const std::string& s) {
        block_ += s;
        return block_.size() < kBlock || Flush();
    }
    bool Flush() {
        if (block_.empty()) return true;
        const auto size = static_cast<int64_t>(block_.size());
        const int64_t put = file_.WriteAt(pos_, block_.data(), size);
        if (put != size) {
            SetEngineError(put < 0 ? IoCodeFromErrno(file_.Error(), 101) : 101,
                           "Datei:  " + name_ + " [ExportText]");
            return false;
        }
        pos_ += size;
        block_.clear();
        return true;
    }

private:
    static constexpr size_t kBlock = 65536;
    EngineFile& file_;
    std::string name_;
    std::string block_;
    int64_t pos_ = 0;
};

}  // namespace

bool ExportText(const std::string& fileName) {
    return WriteDelimitedFile(fileName, false);
}

bool WriteDelimitedFile(const std::string& fileName, bool withHeader) {
    EngineErrorCode = 0;
    if (CheckAreaOpen("ExportText")) return false;
    DbfArea& a = *CurrentDbf();
    if (a.isVirtual) return false;
    const std::string name = DefaultExtension(fileName, DelimDefaultExt);
    // Written beside the name and renamed into place once whole: a failure
    // leaves a former file of the name as it was and no cut export.
    FileBeside beside(name, "ExportText", NewFileRights::OwnOnly);
    if (beside.Name().empty()) return false;
    uint16_t io = 0;
    std::unique_ptr<EngineFile> file = beside.Open(io);
    if (!file) {
        SetEngineError(io, "Datei:  " + platform::DisplayPath(name) + " [ExportText]");
        return false;
    }
    DelimWriter out(*file, name);
    if (withHeader && !out.Put(RecordLine(a, true))) return false;
    for (GoTop(); EngineErrorCode == 0 && !dEOF(); Skip(1))
        if (!out.Put(RecordLine(a, false))) return false;
    if (EngineErrorCode != 0) return false;
    if (!out.Put(std::string(1, DelimEndOfFile)) || !out.Flush()) return false;
    if (!file->Flush()) {
        SetEngineError(IoCodeFromErrno(file->Error(), 101),
                       "Datei:  " + platform::DisplayPath(name) + " [ExportText]");
        return false;
    }
    file.reset();
    return beside.Commit();
}

void StartXBaseLayer() {
    // Tables still open are closed properly rather than dropped, so that no
    // appended record loses its header count.
    XBaseLayerStarted = true;
    EndXBaseLayer();
    MemoHooks = {};
    DefaultShareMode = ShareDenyNone;
    XBaseLayerStarted = true;
}

void EndXBaseLayer() {
    if (!XBaseLayerStarted) return;
    const bool handling = SetErrorHandling(false);
    CloseEngineAreas();  // CloseArea releases each area's locks
    SetErrorHandling(handling);
    XBaseLayerStarted = false;
}

}  // namespace kor2
