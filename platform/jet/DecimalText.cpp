#include "platform/jet/DecimalText.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace jet {
namespace {

// A decimal number as Digits x 10^Exponent: Digits without leading or
// trailing zeros (empty for zero).
struct Decimal {
    bool Negative = false;
    std::string Digits;
    long long Exponent = 0;
};

bool ParseDecimal(std::string_view text, Decimal& number)
{
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    std::size_t at = 0;
    number = Decimal();
    if (at < text.size() && (text[at] == '-' || text[at] == '+'))
        number.Negative = text[at++] == '-';
    bool anyDigit = false;
    long long fractionDigits = 0;
    bool inFraction = false;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (isDigit(c)) {
            anyDigit = true;
            if (!number.Digits.empty() || c != '0')
                number.Digits += c;
            if (inFraction)
                ++fractionDigits;
        } else if (c == '.' && !inFraction) {
            inFraction = true;
        } else {
            break;
        }
    }
    if (!anyDigit)
        return false;
    long long exponent = 0;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        bool negativeExponent = false;
        if (at < text.size() && (text[at] == '-' || text[at] == '+'))
            negativeExponent = text[at++] == '-';
        if (at == text.size() || !isDigit(text[at]))
            return false;
        for (; at < text.size() && isDigit(text[at]); ++at)
            exponent = std::min(exponent * 10 + (text[at] - '0'), 1000000000LL);  // far beyond any value
        if (negativeExponent)
            exponent = -exponent;
    }
    if (at != text.size())
        return false;
    number.Exponent = exponent - fractionDigits;
    while (!number.Digits.empty() && number.Digits.back() == '0') {
        number.Digits.pop_back();
        ++number.Exponent;
    }
    if (number.Digits.empty())
        number.Negative = false;
    return true;
}

int CompareMagnitudes(const Decimal& a, const Decimal& b)
{
    if (a.Digits.empty() || b.Digits.empty())
        return static_cast<int>(!a.Digits.empty()) - static_cast<int>(!b.Digits.empty());
    const long long orderA = static_cast<long long>(a.Digits.size()) + a.Exponent;
    const long long orderB = static_cast<long long>(b.Digits.size()) + b.Exponent;
    if (orderA != orderB)
        return orderA < orderB ? -1 : 1;
    const int digits = a.Digits.compare(b.Digits);
    return digits < 0 ? -1 : (digits > 0 ? 1 : 0);
}

} // namespace

std::string CurrencyText(std::int64_t tenThousandths)
{
    std::string text = CurrencyFixedText(tenThousandths, 4);
    while (text.back() == '0' && text.find('.') != std::string::npos)
        text.pop_back();
    if (text.back() == '.')
        text.pop_back();
    return text;
}

std::string CurrencyFixedText(std::int64_t tenThousandths, int decimals)
{
    decimals = std::clamp(decimals, 0, 4);
    const bool negative = tenThousandths < 0;
    std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(tenThousandths)
                                       : static_cast<std::uint64_t>(tenThousandths);
    std::uint64_t unit = 1;
    for (int i = decimals; i < 4; ++i)
        unit *= 10;
    // Half away from zero; the largest magnitude rounded up still fits.
    magnitude = magnitude / unit + (magnitude % unit >= (unit + 1) / 2 && unit > 1 ? 1 : 0);
    std::uint64_t scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    std::string text = std::to_string(magnitude / scale);
    if (decimals > 0) {
        char fraction[8];
        std::snprintf(fraction, sizeof fraction, "%0*llu", decimals,
                      static_cast<unsigned long long>(magnitude % scale));
        text += '.';
        text += fraction;
    }
    return negative && magnitude != 0 ? "-" + text : text;
}

DecimalRead ReadCurrencyText(std::string_view text, std::int64_t& tenThousandths)
{
    Decimal number;
    if (!ParseDecimal(text, number))
        return DecimalRead::NotANumber;
    const long long shift = number.Exponent + 4;  // digits x 10^shift ten-thousandths
    const long long count = static_cast<long long>(number.Digits.size());
    long long kept = shift >= 0 ? count : count + shift;  // digits before the rounding point
    if (kept + std::max(shift, 0LL) > 19)
        return DecimalRead::Overflow;
    std::uint64_t magnitude = 0;
    for (long long i = 0; i < kept; ++i)
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(number.Digits[static_cast<std::size_t>(i)] - '0');
    for (long long i = 0; i < shift; ++i) {
        if (magnitude > UINT64_MAX / 10)
            return DecimalRead::Overflow;
        magnitude *= 10;
    }
    if (kept >= 0 && kept < count && number.Digits[static_cast<std::size_t>(kept)] >= '5')
        ++magnitude;  // half away from zero
    const std::uint64_t limit = number.Negative ? std::uint64_t{1} << 63 : (std::uint64_t{1} << 63) - 1;
    if (magnitude > limit)
        return DecimalRead::Overflow;
    tenThousandths = number.Negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
    return DecimalRead::Value;
}

int CompareDecimalTexts(std::string_view a, std::string_view b)
{
    Decimal x, y;
    const bool numberA = ParseDecimal(a, x);
    const bool numberB = ParseDecimal(b, y);
    if (!numberA || !numberB) {
        if (numberA != numberB)
            return numberA ? -1 : 1;
        const int bytes = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
        if (bytes != 0)
            return bytes < 0 ? -1 : 1;
        return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
    }
    if (x.Negative != y.Negative)
        return x.Negative ? -1 : 1;
    const int magnitude = CompareMagnitudes(x, y);
    return x.Negative ? -magnitude : magnitude;
}

} // namespace jet
