#include "platform/system/FloatText.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

namespace {

struct FloatCase {
    double value;
    const char* text;
};

TEST(FloatText, WritesTheShortestOfFifteenSignificantDigits)
{
    const FloatCase cases[] = {
        {0.0, "0"},     {100.0, "100"},          {0.01, "0.01"},
        {-2.5, "-2.5"}, {1.0 / 3.0, "0.333333333333333"}, {1e-05, "1e-05"},
        {0.1 + 0.2, "0.3"},
    };
    for (const FloatCase& c : cases)
        EXPECT_EQ(platform::FloatToStr(c.value), c.text) << c.text;
}

TEST(FloatText, WritesWhatPrintfWritesWithFifteenDigits)
{
    // Values of every magnitude and digit count: whole and decimal numbers as
    // typed, their neighbours, powers of ten at the format's turning points,
    // and random bit patterns.
    std::vector<double> values = {0.0,     -0.0,   1e15,   1e15 - 1, 999999999999999.0, 1e16, 1e-4, 1e-5,
                                  9.5e-5, 0.00015, 123456.789, 1e300,   -1e-300,           5e-324, 1.7976931348623157e308,
                                  0.1,    2.675,   1e21,   123456789012345.6, 0.3};
    std::mt19937_64 random(5);
    for (int i = 0; i < 20000; ++i) {
        const std::uint64_t bits = random();
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        if (std::isfinite(value))
            values.push_back(value);
        const double typed = static_cast<double>(static_cast<std::int64_t>(random() % 2000000) - 1000000)
            / std::pow(10.0, static_cast<double>(random() % 12));
        values.push_back(typed);
        values.push_back(std::nextafter(typed, 1e300));
        values.push_back(typed * std::pow(10.0, static_cast<double>(random() % 40) - 20));
    }
    for (double value : values) {
        char expected[64];
        std::snprintf(expected, sizeof expected, "%.15g", value);
        ASSERT_EQ(platform::FloatToStr(value), expected) << expected;
    }
}

TEST(FloatText, SaysWhichTextsReadBackAsTheirValue)
{
    const struct {
        double Value;
        bool ReadsBack;
    } cases[] = {{0.3, true},   {12345.25, true},  {-0.0, true},       {999999999999999.0, true}, {0.0001, true},
                 {0.1 + 0.2, false}, {1.0 / 3, false}, {1e-5, false}, {1e15, false}, {1e300, false},
                 {999999999.984375, true}, {-1.5, true}, {562949953421311.875, false}, {1e9 + 0.25, true}};
    for (const auto& c : cases)
        EXPECT_EQ(platform::FloatTextReadsBack(c.Value), c.ReadsBack) << platform::FloatToStr(c.Value);

    // Whenever it says so, the text reads back bit for bit.
    std::mt19937_64 random(11);
    int readBack = 0;
    for (int i = 0; i < 20000; ++i) {
        const double typed = static_cast<double>(static_cast<std::int64_t>(random() % 2000000000) - 1000000000)
            / std::pow(10.0, static_cast<double>(random() % 8));
        // Whole numbers of a power-of-two fraction, of every magnitude.
        const double binary = std::ldexp(static_cast<double>(random() % (std::uint64_t{1} << 53)),
                                         static_cast<int>(random() % 60) - 56);
        for (const double value : {typed, std::nextafter(typed, 1e300), binary}) {
            if (!platform::FloatTextReadsBack(value))
                continue;
            ++readBack;
            const double back = std::strtod(platform::FloatToStr(value).c_str(), nullptr);
            ASSERT_EQ(std::memcmp(&back, &value, sizeof value), 0) << platform::FloatToStr(value);
        }
    }
    EXPECT_GT(readBack, 15000) << "numbers typed with a few decimals read back";
}

TEST(FloatText, WritesAPointWhateverTheLocale)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German));
    const bool german = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    EXPECT_EQ(platform::FloatToStr(0.25), "0.25") << (german ? "C library in de_DE" : "Qt locale only");
    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(saved);
}

} // namespace
