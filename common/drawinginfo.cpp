// The change-history and linked-documents sections of the spring file and
// the drawing information they carry. WriteSpringFile writes them at their
// place in the file; the spring file reader stages them with the rest.
#include "common/drawinginfo.h"

#include <algorithm>

#include "common/fileio.h"
#include "common/numfmt.h"
#include "platform/oemtext.h"

namespace kor2 {

namespace {

constexpr std::string_view kChangesTitle = "ÄNDERUNGEN"_oem;
constexpr std::string_view kDocumentsTitle = "Dokumente";
constexpr std::string_view kSectionRule = "--------------------";  // 20 hyphens
constexpr std::string_view kEntryRule = "--------------";          // 14 hyphens
constexpr std::size_t kTitleBlockFields = 8;
constexpr std::size_t kDrawingTextFields = 6;

// A text inside a field list: one line, and a "|" of its own shown as the
// broken bar, so that it cannot split the field.
std::string FieldText(std::string_view text) {
    std::string one = LineBreaksToBars(text);
    std::string out;
    out.reserve(one.size());
    for (char c : one) {
        if (c == '|')
            out += "¦"_oem;
        else
            out += c;
    }
    return out;
}

bool IsLine(std::string_view line, std::string_view expected) {
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    return line == expected;
}

// A count line within 0..max.
bool ReadCount(LineSource& in, std::size_t max, std::size_t& count) {
    const int32_t n = IntFromLine(in.Next());
    if (n < 0 || static_cast<std::size_t>(n) > max) return false;
    count = static_cast<std::size_t>(n);
    return true;
}

}  // namespace

void ResetDrawingInfo() {
    CurrentDrawingInfo = DrawingInfo{};
}

std::string LineBreaksToBars(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            out += '|';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            out += '|';
        } else {
            out += c;
        }
    }
    return out;
}

void WriteChangesSection() {
    DrawingInfo& info = CurrentDrawingInfo;
    const std::size_t changes = std::min(info.Changes.size(), kMaxAendRecords);
    WriteLineL(kChangesTitle);
    WriteIntLine(static_cast<int32_t>(changes));
    WriteLineL(kSectionRule);
    for (std::size_t k = 0; k < changes; ++k) {
        AendRecord& e = info.Changes[k];
        WriteLineL(LineBreaksToBars(e.ChangeText));
        WriteLineL(LineBreaksToBars(e.Date));
        WriteLineL(LineBreaksToBars(e.Editor));
        e.Description = LineBreaksToBars(e.Description);
        WriteLineL(e.Description);
        WriteLineL(kEntryRule);
    }
    const TitleBlockInfo& t = info.TitleBlock;
    const std::size_t texts = std::min(info.Texts.size(), kMaxDrawingTexts);
    WriteFields8(FieldText(t.CheckedDate), FieldText(t.CheckedName), FieldText(t.StandardDate),
                 FieldText(t.StandardName), FieldText(t.Row4Date), FieldText(t.Row4Name),
                 IntToStrL(static_cast<int32_t>(texts)), "");
    WriteLineL(LineBreaksToBars(t.DrawnDate));
    WriteLineL(LineBreaksToBars(t.Replaces));
    WriteLineL(LineBreaksToBars(t.ReplacedBy));
    WriteLineL(LineBreaksToBars(t.DrawnName));
    for (std::size_t k = 0; k < texts; ++k) {
        const DrawingText& d = info.Texts[k];
        WriteFields6(FloatToStrData(d.X), FloatToStrData(d.Y), FloatToStrData(d.Height),
                     FloatToStrData(d.Angle), FieldText(d.Text), "");
    }
}

void WriteDocumentsSection() {
    WriteLineL(kDocumentsTitle);
    WriteIntLine(static_cast<int32_t>(kLinkedDocumentCount));
    WriteLineL(kSectionRule);
    for (const LinkedDocument& d : CurrentDrawingInfo.Documents) {
        WriteLineL(LineBreaksToBars(d.Program));
        WriteLineL(LineBreaksToBars(d.File));
        WriteLineL(kEntryRule);
    }
}

bool ReadChangesSection(LineSource& in, DrawingInfo& into) {
    std::size_t changes = 0;
    if (!IsLine(in.Next(), kChangesTitle) || !ReadCount(in, kMaxAendRecords, changes) ||
        !IsLine(in.Next(), kSectionRule))
        return false;
    into.Changes.clear();
    for (std::size_t k = 0; k < changes; ++k) {
        AendRecord e;
        e.ChangeText = in.Next();
        e.Date = in.Next();
        e.Editor = in.Next();
        e.Description = in.Next();
        if (!IsLine(in.Next(), kEntryRule)) return false;
        into.Changes.push_back(std::move(e));
    }
    const std::vector<std::string> f = SplitFieldList(in.Next(), kTitleBlockFields);
    TitleBlockInfo& t = into.TitleBlock;
    t.CheckedDate = f[0];
    t.CheckedName = f[1];
    t.StandardDate = f[2];
    t.StandardName = f[3];
    t.Row4Date = f[4];
    t.Row4Name = f[5];
    const int32_t texts = IntFromLine(f[6]);
    if (texts < 0 || static_cast<std::size_t>(texts) > kMaxDrawingTexts) return false;
    t.DrawnDate = in.Next();
    t.Replaces = in.Next();
    t.ReplacedBy = in.Next();
    t.DrawnName = in.Next();
    into.Texts.clear();
    for (int32_t k = 0; k < texts; ++k) {
        const std::vector<std::string> g = SplitFieldList(in.Next(), kDrawingTextFields);
        into.Texts.push_back(DrawingText{ExtFromLine(g[0]), ExtFromLine(g[1]), ExtFromLine(g[2]),
                                         ExtFromLine(g[3]), g[4]});
    }
    return !in.Overrun();
}

bool ReadDocumentsSection(LineSource& in, DrawingInfo& into) {
    std::size_t documents = 0;
    if (!IsLine(in.Next(), kDocumentsTitle) || !ReadCount(in, kLinkedDocumentCount, documents) ||
        !IsLine(in.Next(), kSectionRule))
        return false;
    into.Documents = {};
    for (std::size_t k = 0; k < documents; ++k) {
        into.Documents[k].Program = in.Next();
        into.Documents[k].File = in.Next();
        if (!IsLine(in.Next(), kEntryRule)) return false;
    }
    return !in.Overrun();
}

}  // namespace kor2
