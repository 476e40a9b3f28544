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

// A message that must reach the user after a full check, which empties the
// error list first: when the check filled the list, its last message gives way.
inline void AddMessageAfterCheck(std::string_view text) {
    if (ErrorList.count >= kErrorListSlots) ErrorList.count = kErrorListSlots - 1;
    AddErrorMessage(text);
}

}  // namespace kor2
