// Recording a fatal calculation message: the text goes to the error list and
// the calculation-error flag stops the chain. Used by every calculation file
// of the spring subsystem.
#pragma once

#include <string_view>

#include "common/globals.h"

namespace kor2 {

inline void AddFatalMessage(std::string_view text) {
    AddErrorMessage(text);
    CalcErrorFlag = true;
}

// Fatal messages outweigh errors, errors outweigh warnings and notes.
inline int MessageWeight(std::string_view text) {
    if (text.starts_with("Fatal")) return 3;
    if (text.starts_with("Fehler") || text.starts_with("Error")) return 2;
    return 1;
}

// A message that must reach the user after a full check, which empties the
// error list first: when the check filled the list, the last of its
// lightest messages gives way, unless that one outweighs the new message
// (a warning never displaces a fatal message or an error).
inline void AddMessageAfterCheck(std::string_view text) {
    if (ErrorList.count > kErrorListSlots) ErrorList.count = kErrorListSlots;
    if (ErrorList.count == kErrorListSlots) {
        const std::string_view key = text.substr(0, kErrorTextLen);
        int give = 1;
        for (int k = 1; k <= ErrorList.count; ++k) {
            if (ErrorList.slots[k] == key) return;  // listed already
            if (MessageWeight(ErrorList.slots[k].str()) <=
                MessageWeight(ErrorList.slots[give].str()))
                give = k;
        }
        if (MessageWeight(ErrorList.slots[give].str()) > MessageWeight(text)) return;
        for (int k = give; k < ErrorList.count; ++k) ErrorList.slots[k] = ErrorList.slots[k + 1];
        --ErrorList.count;
    }
    AddErrorMessage(text);
}

}  // namespace kor2
