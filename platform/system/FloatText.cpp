#include "platform/system/FloatText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <iterator>

namespace platform {
namespace {

constexpr int Precision = 15;

// "%.15g" from the value's shortest round-trip digits, when there are at most
// fifteen of them: a normal double is then closer to those digits than to any
// other fifteen-digit number, so rounding it to fifteen digits gives them back
// (a subnormal one has fewer bits than that and is left to printing).
// Finding the shortest digits costs a fraction of printing to a precision.
bool ShortestGeneral(double value, std::string& text)
{
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::scientific);
    const char* p = buffer.data();
    const bool negative = *p == '-';
    if (negative)
        ++p;
    std::array<char, 20> digits{};
    int count = 0;
    for (; p < result.ptr && *p != 'e'; ++p)
        if (*p != '.') {
            if (count == Precision)
                return false;
            digits[static_cast<std::size_t>(count++)] = *p;
        }
    int exponent = 0;
    if (p == result.ptr || std::from_chars(p + 1 + (p[1] == '+'), result.ptr, exponent).ec != std::errc())
        return false;
    text.clear();
    if (negative)
        text += '-';
    if (exponent < -4 || exponent >= Precision) {
        text += digits[0];
        if (count > 1) {
            text += '.';
            text.append(digits.data() + 1, static_cast<std::size_t>(count - 1));
        }
        text.append(p, static_cast<std::size_t>(result.ptr - p));  // "e+20", "e-05", as printf writes it
    } else if (exponent < 0) {
        text += "0.";
        text.append(static_cast<std::size_t>(-exponent - 1), '0');
        text.append(digits.data(), static_cast<std::size_t>(count));
    } else {
        const int whole = exponent + 1;
        text.append(digits.data(), static_cast<std::size_t>(std::min(count, whole)));
        if (count < whole)
            text.append(static_cast<std::size_t>(whole - count), '0');
        if (count > whole) {
            text += '.';
            text.append(digits.data() + whole, static_cast<std::size_t>(count - whole));
        }
    }
    return true;
}

// Most numbers are typed or measured with a few decimals: for d of at most
// six, value x 10^d is then a whole number m below 10^15 and m / 10^d gives
// the value back. The decimal m x 10^-d then has at most fifteen digits and
// reads back as the value, so it is what "%.15g" writes (as above), and its
// digits need no search. Left to the search: values below 1e-4, written with
// an exponent.
bool FewDecimals(double value, std::string& text)
{
    static constexpr double Scales[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6};
    static constexpr std::uint64_t Divisors[] = {1, 10, 100, 1000, 10000, 100000, 1000000};
    for (std::size_t d = 0; d < std::size(Scales); ++d) {
        const double scaled = value * Scales[d];
        if (!(std::fabs(scaled) < 1e15) || scaled != std::trunc(scaled) || scaled / Scales[d] != value)
            continue;
        const auto digits = static_cast<std::uint64_t>(std::fabs(scaled));
        const std::uint64_t whole = digits / Divisors[d];
        std::uint64_t fraction = digits % Divisors[d];
        if (whole == 0 && fraction != 0 && fraction * 10000 < Divisors[d])
            return false;  // below 1e-4
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
    return false;
}

} // namespace

std::string FloatToStr(double value)
{
    std::string text;
    if (FewDecimals(value, text))
        return text;
    if ((value == 0 || std::isnormal(value)) && ShortestGeneral(value, text))
        return text;
    std::array<char, 32> buffer{};
    const auto result =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::general, Precision);
    return std::string(buffer.data(), result.ptr);
}

} // namespace platform
