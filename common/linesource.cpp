// Lines of a text file in memory and the value parsers of the line readers,
// for the readers that stage a whole file before committing it. Used by the
// spring file reader and the change-history and documents sections.
#include "common/linesource.h"

#include <algorithm>

#include "common/numfmt.h"
#include "common/textfile.h"

namespace kor2 {

bool LineSource::Load(std::string_view name, int64_t maxBytes) {
    lines_.clear();
    pos_ = 0;
    overrun_ = false;
    SharedTextFile.Assign(name);
    loadError_ = 0;
    if (!SharedTextFile.Reset(maxBytes)) {
        loadError_ = SharedTextFile.IOResult();
        return false;
    }
    std::string line;
    while (!SharedTextFile.Eof() && SharedTextFile.ReadLine(line)) lines_.push_back(line);
    SharedTextFile.Close();
    return true;
}

const std::string& LineSource::Next() {
    static const std::string empty;
    if (pos_ >= lines_.size()) {
        overrun_ = true;
        return empty;
    }
    return lines_[pos_++];
}

bool LineSource::RestIsBlank() const {
    for (std::size_t k = pos_; k < lines_.size(); ++k)
        if (lines_[k].find_first_not_of(" \t\x1A") != std::string::npos) return false;
    return true;
}

namespace {

// "," as decimal point anywhere in the line.
std::optional<Extended> ExtOfLine(std::string_view line) {
    std::string s(line);
    std::replace(s.begin(), s.end(), ',', '.');
    return ParseFloatText(s);
}

}  // namespace

Extended ExtFromLine(std::string_view line) {
    return ExtOfLine(line).value_or(0);
}

int32_t IntFromLine(std::string_view line) {
    return StrToIntDef0(line);
}

bool IsExtLine(std::string_view line) {
    return ExtOfLine(line).has_value();
}

bool IsIntLine(std::string_view line) {
    return ParseIntText(line).has_value();
}

char CharFromLine(std::string_view line) {
    return line.empty() ? ' ' : line[0];
}

bool TrueUnlessFalse(std::string_view line) {
    std::string s(line);
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s != "FALSE";
}

std::vector<std::string> SplitFieldList(std::string_view line, std::size_t count) {
    std::vector<std::string> fields(count);
    std::size_t from = 0;
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t bar = line.find('|', from);
        if (bar == std::string_view::npos) break;
        fields[k].assign(line.substr(from, bar - from));
        from = bar + 1;
    }
    return fields;
}

}  // namespace kor2
