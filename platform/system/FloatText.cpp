#include "platform/system/FloatText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

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

} // namespace

std::string FloatToStr(double value)
{
    std::string text;
    if ((value == 0 || std::isnormal(value)) && ShortestGeneral(value, text))
        return text;
    std::array<char, 32> buffer{};
    const auto result =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::general, Precision);
    return std::string(buffer.data(), result.ptr);
}

} // namespace platform
