// Translation of the program's "description|mask|..." filter lists into the
// host file dialog's "description (mask mask)" entries.
#include "common/filefilter.h"

#include <algorithm>

namespace kor2 {

namespace {

std::string_view Trimmed(std::string_view s) {
    const auto b = s.find_first_not_of(' ');
    if (b == std::string_view::npos) return {};
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// "*.HTM;*.HTML" as "*.HTM *.HTML".
std::string HostMask(std::string_view mask) {
    std::string out;
    std::size_t start = 0;
    while (start <= mask.size()) {
        const std::size_t semi = std::min(mask.find(';', start), mask.size());
        const std::string_view one = Trimmed(mask.substr(start, semi - start));
        if (!one.empty()) {
            if (!out.empty()) out += ' ';
            out += one;
        }
        start = semi + 1;
    }
    return out;
}

}  // namespace

std::vector<std::string> FileDialogFilters(std::string_view filter) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    while (start <= filter.size()) {
        const std::size_t bar = std::min(filter.find('|', start), filter.size());
        pieces.push_back(Trimmed(filter.substr(start, bar - start)));
        start = bar + 1;
    }
    std::vector<std::string> out;
    for (std::size_t i = 0; i < pieces.size(); i += 2) {
        const std::string_view description = pieces[i];
        const std::string_view mask = i + 1 < pieces.size() ? pieces[i + 1] : description;
        const std::string host = HostMask(mask);
        if (host.empty()) continue;
        out.push_back(std::string(description.empty() ? std::string_view(host) : description) +
                      " (" + host + ")");
    }
    return out;
}

std::string DefaultSuffix(std::string_view filter) {
    // One entry whose mask is "*.ext": "*.dxf (*.dxf)" or "Text (*.txt)".
    const std::vector<std::string> entries = FileDialogFilters(filter);
    if (entries.size() != 1) return {};
    const std::string& entry = entries[0];
    const std::size_t open = entry.rfind(" (*.");
    if (open == std::string::npos || entry.back() != ')') return {};
    const std::string ext = entry.substr(open + 4, entry.size() - open - 5);
    if (ext.empty() || ext.find_first_of("*?. ") != std::string::npos) return {};
    return ext;
}

}  // namespace kor2
