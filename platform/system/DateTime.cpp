#include "platform/system/DateTime.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <ctime>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace platform {
namespace {

constexpr std::array<int, 12> DaysInMonth{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

int MonthDays(int year, int month)
{
    return month == 2 && IsLeapYear(year) ? 29 : DaysInMonth[static_cast<std::size_t>(month - 1)];
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

bool SameLetters(std::string_view text, std::string_view word)
{
    if (text.size() != word.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(text[i])) != word[i])
            return false;
    return true;
}

// Reads a run of digits at `pos`; false when there is none.
bool ReadNumber(std::string_view text, std::size_t& pos, int& value, int& digits)
{
    std::size_t start = pos;
    long long number = 0;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])) && pos - start < 9)
        number = number * 10 + (text[pos++] - '0');
    if (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])))
        return false;  // too many digits
    digits = static_cast<int>(pos - start);
    value = static_cast<int>(number);
    return digits > 0;
}

void SkipBlanks(std::string_view text, std::size_t& pos)
{
    while (pos < text.size() && text[pos] == ' ')
        ++pos;
}

int FullYear(int year, int digits)
{
    if (digits > 2)
        return year;
    return year < 30 ? 2000 + year : 1900 + year;
}

// date := m/d/y | y-m-d ; returns false when the text at pos is not a date.
bool ReadDate(std::string_view text, std::size_t& pos, int& year, int& month, int& day)
{
    std::size_t p = pos;
    int a = 0, b = 0, c = 0, da = 0, db = 0, dc = 0;
    if (!ReadNumber(text, p, a, da) || p >= text.size())
        return false;
    const char separator = text[p];
    if (separator != DateSeparator && separator != '-')
        return false;
    ++p;
    if (!ReadNumber(text, p, b, db) || p >= text.size() || text[p] != separator)
        return false;
    ++p;
    if (!ReadNumber(text, p, c, dc))
        return false;
    if (separator == '-') {
        if (da != 4)
            return false;
        year = a;
        month = b;
        day = c;
    } else {
        month = a;
        day = b;
        year = FullYear(c, dc);
    }
    pos = p;
    return true;
}

// time := h:n[:s[.z]] [AM|PM]
bool ReadTime(std::string_view text, std::size_t& pos, int& hour, int& minute, int& second, int& msec)
{
    std::size_t p = pos;
    int digits = 0;
    minute = second = msec = 0;
    if (!ReadNumber(text, p, hour, digits) || p >= text.size() || text[p] != TimeSeparator)
        return false;
    ++p;
    if (!ReadNumber(text, p, minute, digits))
        return false;
    if (p < text.size() && text[p] == TimeSeparator) {
        ++p;
        if (!ReadNumber(text, p, second, digits))
            return false;
        if (p < text.size() && text[p] == '.') {
            ++p;
            int fraction = 0;
            if (!ReadNumber(text, p, fraction, digits))
                return false;
            while (digits > 3) {
                fraction /= 10;
                --digits;
            }
            while (digits < 3) {
                fraction *= 10;
                ++digits;
            }
            msec = fraction;
        }
    }
    std::size_t q = p;
    SkipBlanks(text, q);
    if (q + 2 <= text.size()) {
        const std::string_view designator = text.substr(q, 2);
        const bool am = SameLetters(designator, "AM");
        const bool pm = SameLetters(designator, "PM");
        if (am || pm) {
            if (hour > 12)
                return false;
            if (am && hour == 12)
                hour = 0;
            else if (pm && hour < 12)
                hour += 12;
            p = q + 2;
        }
    }
    pos = p;
    return true;
}

std::string TwoDigits(int value)
{
    if (value >= 0 && value < 100)  // every field of a date but the year: no formatting call needed
        return {static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d", value);
    return buffer;
}

} // namespace

bool TryStrToInt(std::string_view text, int& value)
{
    text = Trimmed(text);
    std::size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+'))
        negative = text[pos++] == '-';
    if (pos == text.size())
        return false;
    std::int64_t number = 0;
    for (; pos < text.size(); ++pos) {
        if (!std::isdigit(static_cast<unsigned char>(text[pos])))
            return false;
        number = number * 10 + (text[pos] - '0');
        if (number > 2147483648LL)
            return false;
    }
    if (negative)
        number = -number;
    if (number > 2147483647LL)
        return false;
    value = static_cast<int>(number);
    return true;
}

int StrToInt(std::string_view text)
{
    int value = 0;
    if (!TryStrToInt(text, value))
        throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
    return value;
}

bool IsLeapYear(int year)
{
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > MonthDays(year, month))
        return false;
    int dayNumber = day;
    for (int m = 1; m < month; ++m)
        dayNumber += MonthDays(year, m);
    const int y = year - 1;
    dayNumber += y * 365 + y / 4 - y / 100 + y / 400;
    result = dayNumber - DateDelta;
    return true;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& result)
{
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || millisecond < 0
        || millisecond > 999)
        return false;
    result = (((hour * 60 + minute) * 60 + second) * 1000.0 + millisecond) / MSecsPerDay;
    return true;
}

TDateTime EncodeDate(int year, int month, int day)
{
    TDateTime result = 0;
    if (!TryEncodeDate(year, month, day, result))
        throw EConvertError("Invalid argument to date encode");
    return result;
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond)
{
    TDateTime result = 0;
    if (!TryEncodeTime(hour, minute, second, millisecond, result))
        throw EConvertError("Invalid argument to time encode");
    return result;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day)
{
    int dayNumber = DateTimeToTimeStamp(value).Date;
    if (dayNumber <= 0) {
        year = month = day = 0;
        return;
    }
    // Days since 1 January of year 1, counted from 0.
    int days = dayNumber - 1;
    int y = 1;
    const int perCycle400 = 146097, perCycle100 = 36524, perCycle4 = 1461;
    y += (days / perCycle400) * 400;
    days %= perCycle400;
    int centuries = days / perCycle100;
    if (centuries == 4)
        centuries = 3;
    y += centuries * 100;
    days -= centuries * perCycle100;
    y += (days / perCycle4) * 4;
    days %= perCycle4;
    int years = days / 365;
    if (years == 4)
        years = 3;
    y += years;
    days -= years * 365;
    int m = 1;
    while (days >= MonthDays(y, m)) {
        days -= MonthDays(y, m);
        ++m;
    }
    year = y;
    month = m;
    day = days + 1;
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond)
{
    int ms = DateTimeToTimeStamp(value).Time;
    hour = ms / 3600000;
    ms %= 3600000;
    minute = ms / 60000;
    ms %= 60000;
    second = ms / 1000;
    millisecond = ms % 1000;
}

TDateTime Now()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    return EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday)
        + EncodeTime(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59), static_cast<int>(millis));
}

bool IsValidDateTime(TDateTime value)
{
    // Day -693594 is 31 December of year 0; a negative date counts its days
    // back and its time forward, so the whole of 1 January of year 1 lies
    // above it.
    return value > -693594.0 && value < 2958466.0;
}

TTimeStamp DateTimeToTimeStamp(TDateTime value)
{
    const std::int64_t total = std::llround(std::fabs(value) * MSecsPerDay);
    const std::int64_t days = total / MSecsPerDay;
    TTimeStamp stamp;
    stamp.Time = static_cast<int>(total % MSecsPerDay);
    stamp.Date = static_cast<int>(DateDelta + (value < 0 ? -days : days));
    return stamp;
}

TDateTime TimeStampToDateTime(const TTimeStamp& stamp)
{
    const double days = stamp.Date - DateDelta;
    const double fraction = static_cast<double>(stamp.Time) / MSecsPerDay;
    return days < 0 ? days - fraction : days + fraction;
}

std::string DateTimeToStr(TDateTime value)
{
    const TTimeStamp stamp = DateTimeToTimeStamp(value);
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
    DecodeDate(value, year, month, day);
    DecodeTime(value, hour, minute, second, msec);
    const std::string date = TwoDigits(month) + DateSeparator + TwoDigits(day) + DateSeparator
        + std::to_string(year);
    const std::string time = TwoDigits(hour) + TimeSeparator + TwoDigits(minute) + TimeSeparator
        + TwoDigits(second);
    if (stamp.Date == DateDelta && stamp.Time != 0)
        return time;
    if (stamp.Time == 0)
        return date;
    return date + ' ' + time;
}

bool TryStrToDateTime(std::string_view text, TDateTime& value)
{
    text = Trimmed(text);
    if (text.empty())
        return false;
    std::size_t pos = 0;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
    TDateTime date = 0, time = 0;
    const bool hasDate = ReadDate(text, pos, year, month, day);
    if (hasDate) {
        if (!TryEncodeDate(year, month, day, date))
            return false;
        if (pos < text.size() && (text[pos] == 'T' || text[pos] == 't'))
            ++pos;
        SkipBlanks(text, pos);
    }
    if (pos < text.size()) {
        if (!ReadTime(text, pos, hour, minute, second, msec) || !TryEncodeTime(hour, minute, second, msec, time))
            return false;
        SkipBlanks(text, pos);
        if (pos != text.size())
            return false;
    } else if (!hasDate) {
        return false;
    }
    value = date < 0 ? date - time : date + time;
    return true;
}

TDateTime StrToDateTime(std::string_view text)
{
    TDateTime value = 0;
    if (!TryStrToDateTime(text, value))
        throw EConvertError("'" + std::string(text) + "' is not a valid date and time");
    return value;
}

std::string FormatDateTime(std::string_view pattern, TDateTime value)
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
    DecodeDate(value, year, month, day);
    DecodeTime(value, hour, minute, second, msec);
    std::string out;
    bool afterHour = false;
    std::size_t i = 0;
    auto run = [&](char letter) {
        std::size_t n = 0;
        while (i + n < pattern.size() && std::tolower(static_cast<unsigned char>(pattern[i + n])) == letter)
            ++n;
        return n;
    };
    auto number = [&](int v, std::size_t width) {
        char buffer[16];
        if (v < 0) {
            std::snprintf(buffer, sizeof buffer, "%0*d", static_cast<int>(width), v);
            out += buffer;
            return;
        }
        // As "%0*d" writes it, without the cost of printf.
        const auto digits = static_cast<std::size_t>(std::to_chars(buffer, buffer + sizeof buffer, v).ptr - buffer);
        if (digits < width)
            out.append(width - digits, '0');
        out.append(buffer, digits);
    };
    while (i < pattern.size()) {
        const char c = pattern[i];
        const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (c == '"' || c == '\'') {
            const std::size_t end = pattern.find(c, i + 1);
            const std::size_t stop = end == std::string_view::npos ? pattern.size() : end;
            out.append(pattern.substr(i + 1, stop - i - 1));
            i = stop == pattern.size() ? stop : stop + 1;
            continue;
        }
        std::size_t n = 0;
        switch (lower) {
        case 'y':
            n = run('y');
            if (n <= 2)
                number(year % 100, 2);
            else
                number(year, 4);
            break;
        case 'm':
            n = std::min<std::size_t>(run('m'), 2);
            number(afterHour ? minute : month, n);
            afterHour = false;
            break;
        case 'd':
            n = std::min<std::size_t>(run('d'), 2);
            number(day, n);
            break;
        case 'h':
            n = std::min<std::size_t>(run('h'), 2);
            number(hour, n);
            afterHour = true;
            i += n;
            continue;
        case 'n':
            n = std::min<std::size_t>(run('n'), 2);
            number(minute, n);
            break;
        case 's':
            n = std::min<std::size_t>(run('s'), 2);
            number(second, n);
            break;
        case 'z':
            n = run('z');
            number(msec, n >= 3 ? 3 : 1);
            break;
        case '/':
            out += DateSeparator;
            n = 1;
            break;
        case ':':
            out += TimeSeparator;
            n = 1;
            i += n;
            continue;  // an hour followed by ":" still governs "mm"
        default:
            out += c;
            n = 1;
            break;
        }
        if (lower != 'h' && lower != ' ' && lower != '"')
            afterHour = false;
        i += n;
    }
    return out;
}

} // namespace platform
