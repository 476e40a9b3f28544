// The grid's stored column layout "savedColumns": lines "key=value" that
// recreate the columns with their colours, widths, fonts, alignments and
// titles. Read by TTbGrid::ReadSavedColumns when a layout is loaded.
#include <QHeaderView>
#include <algorithm>
#include <charconv>
#include <optional>

#include "platform/codepage.h"
#include "tables/forms/grid.h"

namespace kor2 {

namespace {

constexpr int MaxSavedColumn = 255;  // more columns than a table has fields

std::string TrimBlanks(const std::string& s) {
    const auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

// The layout's words in the Windows character set's case, whatever the locale.
std::string Upper(const std::string& s) {
    return platform::AnsiUpper(s);
}

std::optional<long> ToNumber(const std::string& text) {
    const std::string t = TrimBlanks(text);
    long v = 0;
    const bool hex = !t.empty() && t[0] == '$';
    const char* b = t.data() + (hex ? 1 : 0);
    const char* e = t.data() + t.size();
    if (b == e) return std::nullopt;
    auto [p, ec] = std::from_chars(b, e, v, hex ? 16 : 10);
    if (ec != std::errc() || p != e) return std::nullopt;
    return v;
}

// A colour by name ("clRed") or number (blue in the high byte, red in the low).
QColor ToColor(const std::string& text) {
    static const std::pair<const char*, QRgb> names[] = {
        {"CLBLACK", 0x000000},  {"CLMAROON", 0x800000},  {"CLGREEN", 0x008000},
        {"CLOLIVE", 0x808000},  {"CLNAVY", 0x000080},    {"CLPURPLE", 0x800080},
        {"CLTEAL", 0x008080},   {"CLGRAY", 0x808080},    {"CLSILVER", 0xC0C0C0},
        {"CLRED", 0xFF0000},    {"CLLIME", 0x00FF00},    {"CLYELLOW", 0xFFFF00},
        {"CLBLUE", 0x0000FF},   {"CLFUCHSIA", 0xFF00FF}, {"CLAQUA", 0x00FFFF},
        {"CLWHITE", 0xFFFFFF},  {"CLWINDOW", 0xFFFFFF},  {"CLWINDOWTEXT", 0x000000},
        {"CLBTNFACE", 0xC0C0C0}};
    const std::string u = Upper(TrimBlanks(text));
    for (const auto& [name, rgb] : names)
        if (u == name) return QColor(rgb);
    if (auto v = ToNumber(text); v && *v >= 0 && *v <= 0xFFFFFF)
        return QColor(static_cast<int>(*v & 0xFF), static_cast<int>((*v >> 8) & 0xFF),
                      static_cast<int>((*v >> 16) & 0xFF));
    return {};
}

Qt::Alignment ToAlignment(const std::string& text, Qt::Alignment old) {
    const std::string u = Upper(TrimBlanks(text));
    if (u == "TALEFTJUSTIFY") return Qt::AlignLeft;
    if (u == "TARIGHTJUSTIFY") return Qt::AlignRight;
    if (u == "TACENTER") return Qt::AlignHCenter;
    return old;
}

// "name,colour,number": size in the low byte, 256 bold, 512 italic, 1024
// underline, 2048 strike-out.
void ToFont(const std::string& text, QFont& font, QColor& colour) {
    const auto c1 = text.find(',');
    const auto c2 = c1 == std::string::npos ? c1 : text.find(',', c1 + 1);
    if (c2 == std::string::npos) return;
    const std::string name = TrimBlanks(text.substr(0, c1));
    if (!name.empty()) font.setFamily(QString::fromLatin1(name.c_str()));
    if (QColor c = ToColor(text.substr(c1 + 1, c2 - c1 - 1)); c.isValid()) colour = c;
    if (auto n = ToNumber(text.substr(c2 + 1))) {
        if ((*n & 0xFF) > 0) font.setPointSize(static_cast<int>(*n & 0xFF));
        font.setBold(*n & 256);
        font.setItalic(*n & 512);
        font.setUnderline(*n & 1024);
        font.setStrikeOut(*n & 2048);
    }
}

}  // namespace

void TTbGrid::ReadSavedColumns(const std::vector<std::string>& lines) {
    // Columns made from the fields, or a lone empty one, give way to the layout.
    if (!customColumns_ ||
        (columns_.size() == 1 && columns_[0].FieldName.empty() && columns_[0].TitleCaption.empty()))
        columns_.clear();
    int current = -1;
    for (const std::string& raw : lines) {
        const std::string line = TrimBlanks(raw);
        const auto eq = line.find('=');
        const std::string key =
            eq == std::string::npos ? std::string() : TrimBlanks(line.substr(0, eq));
        const std::string value = eq == std::string::npos ? line : line.substr(eq + 1);
        static const char* const keys[] = {
            "cvColumn",        "cvColorStr",        "cvWidthStr",
            "cvFontStr",       "cvAlignmentStr",    "cvReadOnlyStr",
            "cvTitleColorStr", "cvTitleCaptionStr", "cvTitleAlignmentStr",
            "cvTitleFontStr",  "cvFieldNameStr"};
        const auto known = std::find(std::begin(keys), std::end(keys), key);
        if (known == std::begin(keys) || known == std::end(keys)) {
            // A column index: columns are added until it exists.
            const auto n = ToNumber(value);
            if (!n || *n < 0 || *n > MaxSavedColumn) continue;
            while (static_cast<long>(columns_.size()) <= *n) {
                TTbColumn c;
                c.Font = font();
                c.TitleFont = font();
                c.Index = static_cast<int>(columns_.size());
                columns_.push_back(c);
            }
            current = static_cast<int>(*n);
            continue;
        }
        if (current < 0) continue;
        TTbColumn& c = columns_[static_cast<size_t>(current)];
        const std::string k = key;
        if (k == "cvColorStr") {
            if (QColor col = ToColor(value); col.isValid()) c.Color = col;
        } else if (k == "cvWidthStr") {
            if (auto w = ToNumber(value); w && *w >= 0 && *w < 10000)
                c.Width = static_cast<int>(*w);
        } else if (k == "cvFontStr") {
            ToFont(value, c.Font, c.FontColor);
        } else if (k == "cvAlignmentStr") {
            c.Alignment = ToAlignment(value, c.Alignment);
        } else if (k == "cvReadOnlyStr") {
            c.ReadOnly = Upper(TrimBlanks(value)) == "TRUE";
        } else if (k == "cvTitleColorStr") {
            if (QColor col = ToColor(value); col.isValid()) c.TitleColor = col;
        } else if (k == "cvTitleCaptionStr") {
            c.TitleCaption = value;
        } else if (k == "cvTitleAlignmentStr") {
            c.TitleAlignment = ToAlignment(value, c.TitleAlignment);
        } else if (k == "cvTitleFontStr") {
            ToFont(value, c.TitleFont, c.TitleFontColor);
        } else if (k == "cvFieldNameStr") {
            c.FieldName = TrimBlanks(value);
        }
    }
    customColumns_ = true;
    ApplyColumns();
    if (current >= 0) SetSelectedIndex(current);
}

}  // namespace kor2
