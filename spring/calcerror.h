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

}  // namespace kor2
