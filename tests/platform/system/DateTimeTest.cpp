#include "platform/system/DateTime.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

using namespace platform;

namespace {

TEST(DateTime, DayZeroIsTheThirtiethOfDecember1899)
{
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(2024, 3, 15), 45366.0);
    EXPECT_EQ(DateTimeToTimeStamp(0.5).Date, DateDelta);
    EXPECT_EQ(DateTimeToTimeStamp(0.5).Time, MSecsPerDay / 2);
    EXPECT_EQ(DateTimeToTimeStamp(EncodeDate(1, 1, 1)).Date, 1);
}

TEST(DateTime, EncodeAndDecodeRoundTripAcrossTheCalendar)
{
    const int dates[][3] = {{1, 1, 1}, {1600, 2, 29}, {1899, 12, 29}, {1900, 3, 1}, {2000, 2, 29},
                            {2023, 12, 31}, {9999, 12, 31}};
    for (const auto& d : dates) {
        int y = 0, m = 0, day = 0;
        DecodeDate(EncodeDate(d[0], d[1], d[2]), y, m, day);
        EXPECT_EQ(y * 10000 + m * 100 + day, d[0] * 10000 + d[1] * 100 + d[2]);
    }
    TDateTime unused = 0;
    EXPECT_FALSE(TryEncodeDate(1900, 2, 29, unused));
    EXPECT_FALSE(TryEncodeDate(2024, 13, 1, unused));
    EXPECT_THROW(EncodeDate(2003, 2, 30), EConvertError);
}

TEST(DateTime, NegativeDatesKeepTheTimeAsAPositiveFraction)
{
    // -1.25 is 29 December 1899 at 06:00, as automation dates count.
    const TTimeStamp stamp = DateTimeToTimeStamp(-1.25);
    EXPECT_EQ(stamp.Date, DateDelta - 1);
    EXPECT_EQ(stamp.Time, 6 * 3600000);
    EXPECT_DOUBLE_EQ(TimeStampToDateTime(stamp), -1.25);
}

TEST(DateTime, TextsAreMonthDayYearWithA24HourTime)
{
    const TDateTime afternoon = EncodeDate(2003, 1, 2) + EncodeTime(13, 5, 9, 0);
    EXPECT_EQ(DateTimeToStr(afternoon), "01/02/2003 13:05:09");
    EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 3, 15)), "03/15/2024");
    EXPECT_EQ(DateTimeToStr(EncodeTime(9, 5, 7, 0)), "09:05:07");
}

struct ParseCase {
    const char* text;
    int year, month, day, hour, minute, second;
};

TEST(DateTime, ReadsTheTextFormsWithAmAndPm)
{
    const ParseCase cases[] = {
        {"03/15/2024", 2024, 3, 15, 0, 0, 0},
        {"3/5/2024 14:05:09", 2024, 3, 5, 14, 5, 9},
        {"1/2/2003 1:05:09 PM", 2003, 1, 2, 13, 5, 9},
        {"1/2/2003 12:30:00 PM", 2003, 1, 2, 12, 30, 0},
        {"1/2/2003 12:30:00 AM", 2003, 1, 2, 0, 30, 0},
        {"1/2/2003 11:59pm", 2003, 1, 2, 23, 59, 0},
        {"2024-03-15 08:00:00", 2024, 3, 15, 8, 0, 0},
        {"2024-03-15T08:00", 2024, 3, 15, 8, 0, 0},
        {"5/6/29", 2029, 5, 6, 0, 0, 0},
        {"5/6/30", 1930, 5, 6, 0, 0, 0},
        {"10:20 PM", 1899, 12, 30, 22, 20, 0},
    };
    for (const ParseCase& c : cases) {
        const TDateTime value = StrToDateTime(c.text);
        int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
        DecodeDate(value, y, mo, d);
        DecodeTime(value, h, mi, s, ms);
        EXPECT_EQ((std::array{y, mo, d, h, mi, s}), (std::array{c.year, c.month, c.day, c.hour, c.minute, c.second}))
            << c.text;
    }
}

TEST(DateTime, RefusesTextsThatAreNoDate)
{
    for (const char* text : {"", "abc", "2/30/2003", "13/1/2003", "1/2/2003 25:00", "1/2/2003 13:00 PM",
                             "1/2/2003 10:00 xyz", "12345678901/1/1"}) {
        TDateTime unused = 0;
        EXPECT_FALSE(TryStrToDateTime(text, unused)) << text;
    }
    EXPECT_THROW(StrToDateTime("nonsense"), EConvertError);
}

TEST(DateTime, FormatsWithTheLibrarysPatternLetters)
{
    const TDateTime value = EncodeDate(2001, 3, 15) + EncodeTime(14, 5, 9, 7);
    EXPECT_EQ(FormatDateTime("mm\"/\"dd\"/\"yyyy", value), "03/15/2001");
    EXPECT_EQ(FormatDateTime("hh\":\"nn\":\"ss", value), "14:05:09");
    EXPECT_EQ(FormatDateTime("mm\"/\"dd\"/\"yyyy hh\":\"nn\":\"ss", value), "03/15/2001 14:05:09");
    EXPECT_EQ(FormatDateTime("hh:mm", value), "14:05");
    EXPECT_EQ(FormatDateTime("d/m/yy zzz", value), "15/3/01 007");
}

TEST(DateTime, StrToIntTakesWholeNumbersOnly)
{
    EXPECT_EQ(StrToInt(" -42 "), -42);
    EXPECT_EQ(StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
    for (const char* text : {"", "1.5", "2147483648", "12a", "-"}) {
        int unused = 0;
        EXPECT_FALSE(TryStrToInt(text, unused)) << text;
    }
    try {
        StrToInt("x1");
        FAIL();
    } catch (const EConvertError& error) {
        EXPECT_STREQ(error.what(), "'x1' is not a valid integer value");
    }
}

} // namespace
