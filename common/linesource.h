// The lines of a text file held in memory, for readers that check a file's
// whole layout before they change any value (the spring file reader and the
// shell's file sections). Values parse as the line readers of fileio.h do.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace kor2 {

class LineSource {
public:
    LineSource() = default;
    explicit LineSource(std::vector<std::string> lines) : lines_(std::move(lines)) {}

    // Reads the whole file through SharedTextFile; false (AbortFlag untouched)
    // when it cannot be opened or read, or holds more than maxBytes, with the
    // I/O result in LoadError.
    bool Load(std::string_view name, int64_t maxBytes = -1);
    int LoadError() const { return loadError_; }

    bool AtEnd() const { return pos_ >= lines_.size(); }
    // Nothing but blanks, tabs and the DOS end-of-file mark (Ctrl-Z) follows.
    bool RestIsBlank() const;
    // The next line; past the end an empty line, and Overrun() turns true.
    const std::string& Next();
    bool Overrun() const { return overrun_; }
    // 1-based number of the line Next returned last.
    std::size_t LineNo() const { return pos_; }
    std::size_t Count() const { return lines_.size(); }
    // Continues after the first pos lines.
    void Rewind(std::size_t pos) {
        pos_ = pos < lines_.size() ? pos : lines_.size();
        overrun_ = false;
    }

private:
    std::vector<std::string> lines_;
    std::size_t pos_ = 0;
    bool overrun_ = false;
    int loadError_ = 0;
};

// A line's value as ReadExtLine, ReadIntLine, ReadCharLine and ReadFalseLine
// take it.
Extended ExtFromLine(std::string_view line);
int32_t IntFromLine(std::string_view line);
char CharFromLine(std::string_view line);
bool TrueUnlessFalse(std::string_view line);
// Whether ExtFromLine and IntFromLine find a number in the line, rather than
// giving 0 for want of one.
bool IsExtLine(std::string_view line);
bool IsIntLine(std::string_view line);

// The texts between "|" separators of a field list (a|b|c|); missing fields
// are empty.
std::vector<std::string> SplitFieldList(std::string_view line, std::size_t count);

}  // namespace kor2
