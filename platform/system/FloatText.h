// Doubles as texts in the one general format every stored or shown raw number
// uses: the shortest text of up to 15 significant digits, "." as the decimal
// separator whatever the user's locale (0.01, 100, 1e-05).
#pragma once

#include <string>

namespace platform {

std::string FloatToStr(double value);
// True when the text FloatToStr gives reads back as exactly `value` (numbers
// with a few decimals, most stored numbers); false when that is not sure.
bool FloatTextReadsBack(double value);

} // namespace platform
