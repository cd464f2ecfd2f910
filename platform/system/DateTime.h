// Dates and times as the old class library kept them, with this program's
// one text form for them.
//
// A TDateTime is an automation date: days since 30 December 1899 as a double,
// the fraction being the time of day (negative days count back, the fraction
// stays the time). A TTimeStamp is the library's pair of day number (1
// January of year 1 is day 1, so 30 December 1899 is DateDelta) and
// milliseconds since midnight.
//
// The text form is fixed, whatever the user's locale: month/day/year with "/"
// and a 24-hour time with ":" ("03/15/2024 14:05:09"). A date at midnight
// shows only its date, a time on day 0 only its time. Reading accepts that
// form with or without leading zeros and seconds, an AM or PM designator
// (12 AM is hour 0, 12 PM hour 12, 1-11 PM add 12), the ISO form
// "2024-03-15 14:05:09", and a time alone.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace platform {

using TDateTime = double;

struct TTimeStamp {
    int Time = 0;  // milliseconds since midnight
    int Date = 0;  // day number: 1 January of year 1 is 1
};

constexpr int DateDelta = 693594;  // day number of 30 December 1899
constexpr int MSecsPerDay = 86400000;
constexpr char DateSeparator = '/';
constexpr char TimeSeparator = ':';

// Raised for a text that is not a number or a date, and for a date or time
// that does not exist; the message is the class library's ("'x' is not a
// valid integer value", "'x' is not a valid date and time").
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Whole decimal integer, optional sign, blanks around allowed; EConvertError
// ("'%s' is not a valid integer value") otherwise.
int StrToInt(std::string_view text);
bool TryStrToInt(std::string_view text, int& value);

bool IsLeapYear(int year);
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& result);
// EConvertError for a date or time that does not exist.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond);

// The local date and time.
TDateTime Now();

// A date that exists: from 1 January of year 1 to the end of 31 December
// 9999 (neither an infinity nor NaN).
bool IsValidDateTime(TDateTime value);

TTimeStamp DateTimeToTimeStamp(TDateTime value);
TDateTime TimeStampToDateTime(const TTimeStamp& stamp);

// The text form described above.
std::string DateTimeToStr(TDateTime value);
// Reads the text form described above; EConvertError ("'x' is not a valid
// date and time") when it cannot.
TDateTime StrToDateTime(std::string_view text);
bool TryStrToDateTime(std::string_view text, TDateTime& value);

// Formats with the class library's pattern letters: yyyy, yy, m, mm, d, dd,
// h, hh, n, nn, s, ss, z, zzz; "m" and "mm" right after an hour mean
// minutes; text in double or single quotes
// is copied; "/" and ":" print DateSeparator and TimeSeparator; any other
// character is copied. Example: mm"/"dd"/"yyyy hh":"nn":"ss.
std::string FormatDateTime(std::string_view pattern, TDateTime value);

} // namespace platform
