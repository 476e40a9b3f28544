// File names inside the engine's text commands (Use, AppendFrom, Index_On,
// SetIndexTo and the lists of Set_Index_To): a name in double quotes is one
// name whatever it holds, and option words are read only after it. A text
// without quotes keeps the commands' own syntax, options anywhere in it.
#pragma once

#include <string>
#include <vector>

namespace kor2 {

// The name between double quotes, each double quote in it doubled: the form
// in which the program gives a file name to a text command.
std::string QuoteName(const std::string& name);

// A command text split at its file name.
struct CommandName {
    bool quoted = false;  // the text begins with a name in double quotes
    bool valid = true;    // false: its quote is not closed, or the name is empty
    std::string name;     // the name between the quotes, doubled quotes made single
    std::string options;  // where option words are looked for: the text after the
                          // closing quote behind a '"' that stands for the name,
                          // or the whole text when it has no quotes

    // The file name once the option words are taken out of `options`, which
    // left `rest`: a quoted name when nothing but its stand-in is left, else
    // the trimmed rest of a text without quotes. False when a quoted name is
    // malformed or followed by words that are no options.
    bool Finish(const std::string& rest, std::string& fileName) const;
};
CommandName SplitCommandName(const std::string& text);

// The message of error 220 for a text whose quoted name is malformed.
std::string MalformedNameText(const std::string& text, const std::string& routine);

// The names of a list separated by blanks; a word that begins with a double
// quote runs to its closing quote (and on to the next blank) and keeps its
// quotes, for SplitCommandName.
std::vector<std::string> SplitNameList(const std::string& text);

}  // namespace kor2
