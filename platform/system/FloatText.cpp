#include "platform/system/FloatText.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <iterator>

namespace platform {
namespace {

constexpr int Precision = 15;

// Most numbers are typed or measured with a few decimals: for d of at most
// six, value x 10^d is then a whole number m below 10^15 and m / 10^d gives
// the value back. The decimal m x 10^-d then has at most fifteen digits and
// reads back as the value; a normal double is closer to such a decimal than
// to any other fifteen-digit number, so rounding the value to fifteen digits,
// as "%.15g" does, gives exactly those digits, without printing. Values below
// 1e-4, written with an exponent, are left to printing.
constexpr std::uint64_t Divisors[] = {1, 10, 100, 1000, 10000, 100000, 1000000};

// The d and m of such a value, m without its sign; false when it has none.
bool FewDecimalsOf(double value, std::size_t& d, std::uint64_t& digits)
{
    static constexpr double Scales[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6};
    for (d = 0; d < std::size(Scales); ++d) {
        const double scaled = value * Scales[d];
        if (!(std::fabs(scaled) < 1e15))
            return false;  // and so with more decimals
        // Below 1e15 a double is whole just when it survives the trip
        // through a 64-bit integer (and a whole value divided by 1 is itself).
        const auto whole = static_cast<std::int64_t>(scaled);
        if (static_cast<double>(whole) != scaled || (d > 0 && scaled / Scales[d] != value))
            continue;
        digits = static_cast<std::uint64_t>(whole < 0 ? -whole : whole);
        // Below 1 the digits are the fraction: below 1e-4, printing writes an exponent.
        return digits >= Divisors[d] || digits == 0 || digits * 10000 >= Divisors[d];
    }
    return false;
}

bool FewDecimals(double value, std::string& text)
{
    std::size_t d = 0;
    std::uint64_t digits = 0;
    if (!FewDecimalsOf(value, d, digits))
        return false;
    const std::uint64_t whole = digits / Divisors[d];
    std::uint64_t fraction = digits % Divisors[d];
    std::array<char, 24> buffer{};
    char* end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), whole).ptr;
    std::size_t places = d;
    while (places > 0 && fraction % 10 == 0) {
        fraction /= 10;
        --places;
    }
    if (places > 0) {
        *end++ = '.';
        char* last = end + places;
        for (char* p = last; p > end; fraction /= 10)
            *--p = static_cast<char>('0' + fraction % 10);
        end = last;
    }
    text.clear();
    if (std::signbit(value))
        text += '-';
    text.append(buffer.data(), end);
    return true;
}

} // namespace

std::string FloatToStr(double value)
{
    std::string text;
    if (FewDecimals(value, text))
        return text;
    std::array<char, 32> buffer{};
    const auto result =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::general, Precision);
    return std::string(buffer.data(), result.ptr);
}

bool FloatTextReadsBack(double value)
{
    // Below 1e9, a whole number of 64ths (a price, a reading to a quarter)
    // has at most nine digits before the point and six after: its text is
    // its exact value. Scaling by 64 is exact.
    if (std::fabs(value) < 1e9) {
        const double sixtyFourths = value * 64;
        if (static_cast<double>(static_cast<std::int64_t>(sixtyFourths)) == sixtyFourths)
            return true;
    }
    std::size_t d = 0;
    std::uint64_t digits = 0;
    return FewDecimalsOf(value, d, digits);
}

} // namespace platform
