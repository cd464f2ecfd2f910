// Currency values as texts, exactly. A currency value is a 64-bit integer
// of ten-thousandths (922337203685477.5807 at most); no double holds every
// such value, so its texts are read and written digit by digit here.
//
// The engine stores currency fields as these texts, compared by the
// JET_CURRENCY collation (CompareDecimalTexts): by their value, so that SQL
// over a currency field (comparisons, ORDER BY, indexes, MIN and MAX) means
// what it says, and arithmetic on it reads the text as a number.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace jet {

// The shortest text of a currency value: "-12.5", "0", "922337203685477.5807".
std::string CurrencyText(std::int64_t tenThousandths);
// The same with exactly `decimals` decimals (0 to 4), rounded half away from
// zero: CurrencyFixedText(125000, 0) is "13".
std::string CurrencyFixedText(std::int64_t tenThousandths, int decimals);

enum class DecimalRead { Value, NotANumber, Overflow };
// A decimal number ("12.5", "-0.00005", "1.25e3", blanks around allowed) as
// ten-thousandths, rounded half away from zero; Overflow beyond the range of
// currency.
DecimalRead ReadCurrencyText(std::string_view text, std::int64_t& tenThousandths);

// Orders texts by the decimal numbers they hold, exactly, whatever their
// length; texts that are no numbers come after every number, in byte order.
int CompareDecimalTexts(std::string_view a, std::string_view b);

} // namespace jet
