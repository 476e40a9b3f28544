// File-type filters of the open and save dialogs: the program writes them as
// "description|mask|description|mask..." with masks separated by ";"; the
// host's file dialog takes one "description (mask mask)" entry per pair.
// Used by the Qt dialog backend.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kor2 {

// One host filter per description/mask pair, in order. A description
// without its mask stands for both; empty pieces are skipped.
std::vector<std::string> FileDialogFilters(std::string_view filter);

// The extension a save dialog adds to a name typed without one: that of a
// filter that offers only one mask "*.ext" without wildcards ("dxf" of
// "*.dxf|*.dxf"); empty for several masks or filters ("All files|*.*").
std::string DefaultSuffix(std::string_view filter);

}  // namespace kor2
