// Number texts read and written the same way whatever the C library's locale
// is (the form library sets it from the user's LANG, where a German user's
// locale has a decimal comma). Used by the engine, the data-set fields and
// the HP-GL reader wherever the C library's conversions would follow it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/types.h"

namespace kor2::platform {

// The decimal number at the start of text as the C library reads it under
// the "C" locale: white space, a sign, digits with an optional point, an
// optional exponent ("inf" and "nan" too; no hexadecimal form, of which "0x10"
// reads the 0). used, when given, receives the
// characters taken. No number, or one too large for the type, reads as 0
// with nothing taken; one too small for its normal range reads as 0 of its
// sign with all its characters taken. Otherwise rounded once, to the nearest
// value of the type. Nothing beyond the end of text is read.
Extended ReadLeadingNumber(std::string_view text, std::size_t* used = nullptr);
double ReadLeadingDouble(std::string_view text, std::size_t* used = nullptr);

// printf's "%.<significant>g" of v under "C": '.' as the decimal point.
std::string FormatSignificant(double v, int significant);

}  // namespace kor2::platform
