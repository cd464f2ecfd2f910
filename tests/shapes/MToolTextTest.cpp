#include "shapes/MTool.h"
#include "tests/shapes/GuiTypesPrinting.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

class MToolTextTest : public ::testing::Test {
protected:
    void SetUp() override { MTool::ResetInstanceForTesting(); }
    void TearDown() override { MTool::ResetInstanceForTesting(); }
    MTool* tool = MTool::GetInstance();
};

TEST_F(MToolTextTest, FormatNumberWithFourDecimals)
{
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {2.0, "2"},
        {2.5, "2.5"},
        {1.234567, "1.2346"},
        {-0.00001, "0"},          // rounds to zero from below: no minus sign
        {0.00005, "0.0001"},      // a tie goes away from zero
        {-0.00005, "-0.0001"},
        {1.00005, "1.0001"},      // a tie as written, though the double lies just below it
        {1.00004999, "1"},
        {9.99996, "10"},
        {0.1 + 0.2, "0.3"},
        {-123.45, "-123.45"},
        {123456789.12345, "123456789.1235"},
        {1e20, "100000000000000000000"},
        {3000000000.0, "3000000000"},
        {0.0, "0"},
        {-0.0, "0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(tool->FormatNumber(c.value), c.text) << c.value;
    EXPECT_EQ(tool->NumberText(1.234567), "1.2346");
}

TEST_F(MToolTextTest, FormatNumberWritesAtMostFiveDecimals)
{
    const struct {
        int decimals;
        const char* pi;
        const char* tie;
    } cases[] = {
        {-1, "3", "3"},   {0, "3", "3"},       {1, "3.1", "2.5"},         {2, "3.14", "2.5"},
        {3, "3.142", "2.5"}, {4, "3.1416", "2.5"}, {5, "3.14159", "2.5"}, {9, "3.14159", "2.5"},
    };
    for (const auto& c : cases) {
        tool->SetDecimals(c.decimals);
        EXPECT_EQ(tool->FormatNumber(3.14159265), c.pi) << c.decimals;
        EXPECT_EQ(tool->FormatNumber(2.5), c.tie) << c.decimals;
    }
    tool->SetDecimals(0);
    EXPECT_EQ(tool->FormatNumber(0.5), "1");
    EXPECT_EQ(tool->FormatNumber(1.5), "2");
    EXPECT_EQ(tool->FormatNumber(-2.5), "-3");
    EXPECT_EQ(tool->FormatNumber(0.49999999999999994), "0");
    tool->SetDecimals(5);
    EXPECT_EQ(tool->FormatNumber(1e-7), "0");
    EXPECT_EQ(tool->FormatNumber(0.000005), "0.00001");
}

TEST_F(MToolTextTest, FormatNumberOfNonFiniteValuesNamesThem)
{
    EXPECT_EQ(tool->FormatNumber(std::numeric_limits<double>::quiet_NaN()), "NAN");
    EXPECT_EQ(tool->FormatNumber(std::numeric_limits<double>::infinity()), "INF");
    EXPECT_EQ(tool->FormatNumber(-std::numeric_limits<double>::infinity()), "-INF");
}

TEST(MToolAngleText, FormatAngleKeepsTwoDecimals)
{
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {359.999, "360"}, {12.345, "12.35"}, {-12.345, "-12.35"}, {1.005, "1.01"}, {30, "30"},
        {330.5, "330.5"}, {0.004, "0"},      {-0.004, "0"},       {0.005, "0.01"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MTool::FormatAngle(c.value), c.text) << c.value;
}

TEST(MToolAngleText, DegreesMinutesAndSecondsAreTruncatedTowardsZero)
{
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {30.5, "30°30′0″"},   {-10.5, "-10°-30′0″"}, {0, "0°0′0″"},
        {45.25, "45°15′0″"},  {12.5125, "12°30′45″"}, {1.99, "1°59′24″"},
        {359.9999, "359°59′59″"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MTool::FormatDegMinSec(c.value), c.text) << c.value;
}

TEST(MToolAngleText, AnAngleThatIsWholeInExactArithmeticShowsWhole)
{
    EXPECT_EQ(MTool::FormatDegMinSec(89.99999999999999), "90°0′0″");
    EXPECT_EQ(MTool::FormatDegMinSec(-89.99999999999999), "-90°0′0″");
    EXPECT_EQ(MTool::FormatDegMinSec(0.1 * 3 * 100), "30°0′0″"); // 30.000000000000004
    EXPECT_EQ(MTool::FormatDegMinSec(29.999999999999996), "30°0′0″");
}

TEST(MToolFiles, ExtensionsCompareWithoutCase)
{
    const struct {
        const char* name;
        bool jpeg;
    } cases[] = {
        {"PHOTO.JPG", true}, {"a.jpg", true}, {"dir/x.Jpg", true}, {".jpg", true},
        {"a.jpeg", false},   {"jpg", false},  {"a.bmp", false},    {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MTool::IsJpegFile(c.name), c.jpeg) << c.name;
    EXPECT_TRUE(MTool::HasExtension("abc.BMP", ".bmp"));
    EXPECT_FALSE(MTool::HasExtension("bmp", "abc.bmp"));
    EXPECT_TRUE(MTool::HasExtension("bmp", "BMP")); // shorter name: the whole name compares
    EXPECT_TRUE(MTool::HasExtension("测量图.JPG", ".jpg"));
}

TEST_F(MToolTextTest, TextWithoutCanvasIsSixByTwelvePixelsACharacter)
{
    EXPECT_EQ(tool->TextWidth("abc"), 18);
    EXPECT_EQ(tool->TextWidth(""), 0);
    // A wide character counts two columns: two CJK characters and three narrow ones.
    EXPECT_EQ(tool->TextWidth("长度 12"), 42);
    EXPECT_EQ(tool->TextWidth("ｍｍ°"), 30); // full-width forms are wide, the degree sign narrow
    EXPECT_EQ(tool->TextRect(0, 0, "角度"), (TRect{0, 0, 24, 12}));
    EXPECT_EQ(tool->TextRect(10, 20, "ab"), (TRect{10, 20, 22, 32}));
}

} // namespace

namespace {

TEST(MToolNumberReading, ReadsPointOrCommaAndRejectsTheRest)
{
    const struct {
        const char* text;
        bool ok;
        double value;
    } cases[] = {
        {"12.5", true, 12.5},  {"12,5", true, 12.5}, {" -3 ", true, -3},   {"+4", true, 4},
        {"1e3", true, 1000},   {".5", true, 0.5},    {"7", true, 7},       {"", false, 0},
        {"  ", false, 0},      {"abc", false, 0},    {"1.2.3", false, 0},  {"1,2,3", false, 0},
        {"1,234.5", false, 0}, {"12a", false, 0},    {"inf", false, 0},    {"nan", false, 0},
        {"1e400", false, 0},   {"-", false, 0},      {"+-5", false, 0},
    };
    for (const auto& c : cases) {
        double value = -99;
        EXPECT_EQ(MTool::TextToNumber(c.text, value), c.ok) << c.text;
        EXPECT_EQ(value, c.ok ? c.value : -99) << c.text;
    }
}

} // namespace
