#include "platform/system/FloatText.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <clocale>

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
