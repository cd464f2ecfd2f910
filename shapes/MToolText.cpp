// The toolbox's number and angle texts and file-name tests.

#include "shapes/MTool.h"

#include <QString>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace {

// The decimal digits and exponent of the shortest text that reads back as the
// same double: value = 0.d1d2d3... x 10^(exponent + 1), i.e. d1 sits at
// 10^exponent.
struct ShortestDecimal {
    std::string digits;
    int exponent = 0;
};

ShortestDecimal ShortestDecimalOf(double magnitude)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific);
    const std::string text(buffer, result.ptr);
    const std::size_t e = text.find('e');
    ShortestDecimal decimal;
    for (std::size_t i = 0; i < e; ++i)
        if (text[i] != '.')
            decimal.digits += text[i];
    decimal.exponent = std::stoi(text.substr(e + 1));
    return decimal;
}

// Adds one to a string of decimal digits.
void Increment(std::string& digits)
{
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    digits.insert(digits.begin(), '1');
}

// The value with at most `decimals` decimals, "." as separator whatever the
// locale, no trailing zeros and no minus sign on a value that rounds to zero.
//
// Rounding works on the shortest decimal text that reads back as the same
// double, ties away from zero. So a value the operator knows as 1.005 (held
// as 1.00499999999999989...) gives 1.01 with two decimals, as it reads, and
// 2.5 with none gives 3.
std::string FormatFixed(double value, int decimals)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";

    const ShortestDecimal decimal = ShortestDecimalOf(std::fabs(value));
    // Number of leading digits whose place is at least 10^-decimals.
    const long keep = long(decimal.exponent) + decimals + 1;
    // scaled = |value| x 10^decimals, rounded to an integer, as digits.
    std::string scaled;
    if (keep >= 0) {
        const std::size_t kept = std::min<std::size_t>(std::size_t(keep), decimal.digits.size());
        scaled = decimal.digits.substr(0, kept);
        scaled.append(std::size_t(keep) - kept, '0');
        if (std::size_t(keep) < decimal.digits.size() && decimal.digits[std::size_t(keep)] >= '5')
            Increment(scaled);
    }
    scaled.erase(0, std::min(scaled.find_first_not_of('0'), scaled.size()));
    if (scaled.empty())
        return "0";

    if (scaled.size() <= std::size_t(decimals))
        scaled.insert(0, std::size_t(decimals) + 1 - scaled.size(), '0');
    std::string text = scaled.substr(0, scaled.size() - std::size_t(decimals));
    std::string fraction = scaled.substr(scaled.size() - std::size_t(decimals));
    fraction.erase(fraction.find_last_not_of('0') + 1);
    if (!fraction.empty())
        text += '.' + fraction;
    return value < 0 ? '-' + text : text;
}

} // namespace

std::string MTool::FormatNumber(double value) const
{
    return FormatFixed(value, std::clamp(Decimals, 0, 5));
}

std::string MTool::NumberText(double value) const { return FormatNumber(value); }

std::string MTool::FormatAngle(double value) { return FormatFixed(value, 2); }

std::string MTool::FormatDegMinSec(double angle)
{
    // An angle computed as 89.99999999999999 is 90 degrees: the nudge towards
    // larger magnitude keeps truncation from showing it as 89°59′59″.
    const double a = angle + (angle < 0 ? -TRUNCATION_SLACK : TRUNCATION_SLACK);
    const int degrees = TruncToInt(a);
    const double minutesExact = (a - degrees) * 60;
    const int minutes = TruncToInt(minutesExact);
    const int seconds = TruncToInt((minutesExact - minutes) * 60);
    return std::to_string(degrees) + "°" + std::to_string(minutes) + "′" + std::to_string(seconds) + "″";
}

bool MTool::TextToNumber(const std::string& text, double& value)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return false;
    std::string number = text.substr(first, text.find_last_not_of(" \t") + 1 - first);
    // Old stored values and operators of some locales write a decimal comma.
    if (number.find('.') == std::string::npos && std::count(number.begin(), number.end(), ',') == 1)
        std::replace(number.begin(), number.end(), ',', '.');
    // from_chars reads no leading plus sign.
    if (number[0] == '+' && number.size() > 1 && number[1] != '-')
        number.erase(0, 1);
    double parsed = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), parsed);
    if (error != std::errc() || end != number.data() + number.size() || !std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}

std::string MTool::TrimText(const std::string& text)
{
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) < 33)
        ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) < 33)
        --last;
    return text.substr(first, last - first);
}

bool MTool::HasExtension(const std::string& fileName, const std::string& extension)
{
    const QString name = QString::fromStdString(fileName);
    const QString ext = QString::fromStdString(extension);
    const QString tail = name.size() < ext.size() ? name : name.right(ext.size());
    return tail.compare(ext, Qt::CaseInsensitive) == 0;
}

bool MTool::IsJpegFile(const std::string& fileName) { return HasExtension(fileName, ".jpg"); }
