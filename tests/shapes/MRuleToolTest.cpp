#include "shapes/MRuleTool.h"

#include "settings/MParam.h"
#include "shapes/MTool.h"
#include "tests/shapes/CalibrationFixture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class MRuleToolTest : public CalibrationFixture {
protected:
    MRuleTool* rule = MRuleTool::GetInstance();
};

TEST_F(MRuleToolTest, NotCalibratedCountsPixels)
{
    EXPECT_EQ(rule->GetScale(), 1.0);
    EXPECT_EQ(rule->GetUnitName(), "px");
    EXPECT_EQ(rule->FormatLength(10), "10 px");
    EXPECT_EQ(rule->FormatValue(10), "10");
    EXPECT_EQ(rule->FormatArea(12), "12 px*px");
    // A unit without a scale is no calibration.
    Calibrate(0, "mm", "um");
    EXPECT_EQ(rule->GetUnitName(), "px");
    EXPECT_EQ(rule->GetUnitFactor(), 1.0);
    EXPECT_EQ(rule->FormatLength(10), "10 px");
}

TEST_F(MRuleToolTest, UnitFactorsFromTheCalibrationUnitToTheDisplayUnit)
{
    const struct {
        const char* unit;
        const char* userUnit;
        double factor;
        const char* unitName;
        const char* thousandPixels; // at 0.01 mm (10 um) per pixel
    } cases[] = {
        {"mm", "mm", 1.0, "mm", "10 mm"},
        {"mm", "um", 1000.0, "um", "10000 um"},
        {"mm", "inch", 0.03937007874015748, "inch", "0.3937 inch"},
        {"mm", "mil", 39.37007874015748, "mil", "393.7008 mil"},
        {"mm", "u''", 39370.07874015748, "u''", "393700.7874 u''"},
        {"mm", "", 1.0, "mm", "10 mm"},
        {"mm", "px", 1.0, "mm", "10 mm"},
        {"mm", "MM", 1.0, "mm", "10 mm"},
        {"um", "mm", 0.001, "mm", "10 mm"},
        {"um", "um", 1.0, "um", "10000 um"},
        {"um", "inch", 3.9370078740157485e-05, "inch", "0.3937 inch"},
        {"um", "mil", 0.03937007874015748, "mil", "393.7008 mil"},
        {"um", "u''", 39.37007874015748, "u''", "393700.7874 u''"},
        {"um", "", 1.0, "um", "10000 um"},
        {"inch", "mm", 1.0, "mm", "10 mm"}, // no calibration dialog offers inch
        {"", "", 1.0, "", "10 "},
    };
    for (const auto& c : cases) {
        const bool micrometres = std::string(c.unit) == "um";
        Calibrate(micrometres ? 10.0 : 0.01, c.unit, c.userUnit);
        EXPECT_EQ(rule->GetUnitFactor(), c.factor) << c.unit << " to " << c.userUnit;
        EXPECT_EQ(rule->GetUnitName(), c.unitName) << c.unit << " to " << c.userUnit;
        EXPECT_EQ(rule->FormatLength(1000), c.thousandPixels) << c.unit << " to " << c.userUnit;
    }
}

TEST_F(MRuleToolTest, CalibrationIsReadAnewOnEveryCall)
{
    Calibrate(0.01, "mm", "um");
    EXPECT_EQ(rule->GetScale(), 10.0);
    EXPECT_EQ(rule->FormatLength(10), "100 um");
    EXPECT_EQ(rule->FormatValue(10), "100");
    Calibrate(0.02, "mm", "");
    EXPECT_EQ(rule->FormatLength(10), "0.2 mm");
}

TEST_F(MRuleToolTest, KeptValueTextFollowsTheValueTheCalibrationAndTheDecimals)
{
    MKeptText kept;
    EXPECT_EQ(rule->FormatValue(10, kept), "10");
    EXPECT_EQ(rule->FormatValue(10, kept), "10");
    EXPECT_EQ(rule->FormatValue(12.5, kept), "12.5");
    Calibrate(0.01, "mm", "um");
    EXPECT_EQ(rule->FormatValue(12.5, kept), "125");
    Calibrate(0.01, "mm", "mm");
    EXPECT_EQ(rule->FormatValue(12.5, kept), "0.125");
    MTool::GetInstance()->SetDecimals(1);
    EXPECT_EQ(rule->FormatValue(12.5, kept), "0.1");
    EXPECT_EQ(rule->FormatValue(std::nan(""), kept), "NAN");
    EXPECT_EQ(rule->FormatValue(-12.5, kept), "-0.1");
    MTool::GetInstance()->SetDecimals(4);
    EXPECT_EQ(rule->FormatValue(-12.5, kept), rule->FormatValue(-12.5));
}

TEST_F(MRuleToolTest, AreasUseTheSquareOfTheScale)
{
    Calibrate(0.5, "mm");
    EXPECT_EQ(rule->FormatArea(200), "50 mm*mm");
    Calibrate(0.01, "mm", "um");
    EXPECT_EQ(rule->FormatArea(3), "300 um*um");
}

TEST_F(MRuleToolTest, WithoutUnitsLengthsAndAreasAreBareNumbers)
{
    Calibrate(0.5, "mm");
    rule->SetShowUnit(false);
    EXPECT_EQ(rule->FormatLength(10), "5");
    EXPECT_EQ(rule->FormatArea(200), "50");
    rule->SetShowUnit(true);
    EXPECT_EQ(rule->FormatLength(10), "5 mm");
}

TEST_F(MRuleToolTest, TextsFollowTheToolboxDecimalsAndRoundTiesAwayFromZero)
{
    Calibrate(0.5, "mm");
    MTool::GetInstance()->SetDecimals(0);
    EXPECT_EQ(rule->FormatLength(5), "3 mm");
    EXPECT_EQ(rule->FormatLength(-5), "-3 mm");
    MTool::GetInstance()->SetDecimals(2);
    EXPECT_EQ(rule->FormatLength(1.0 / 3), "0.17 mm");
    MTool::GetInstance()->SetDecimals(9);
    EXPECT_EQ(rule->FormatValue(1.0 / 3), "0.16667");
}

TEST_F(MRuleToolTest, TypedValuesGoBackToPixels)
{
    EXPECT_EQ(rule->TextToLength("12.5"), 12.5);
    Calibrate(0.5, "mm");
    EXPECT_EQ(rule->TextToLength("12,5"), 25.0);
    EXPECT_EQ(rule->TextToLength("-3"), -6.0);
    EXPECT_EQ(rule->TextToLength("abc"), 0.0);
    EXPECT_EQ(rule->TextToLength(""), 0.0);
    Calibrate(0.01, "mm", "um");
    EXPECT_EQ(rule->TextToLength("100"), 10.0);
}

TEST(MRuleToolUnits, UnitNamesAndMillimetres)
{
    const struct {
        const char* unit;
        bool isUnit;
        double millimetres;
    } cases[] = {
        {"mm", true, 1.0},       {"um", true, 0.001},  {"inch", true, 25.4}, {"mil", true, 0.0254},
        {"u''", true, 2.54e-05}, {"px", false, 1.0},   {"", false, 1.0},     {"MM", false, 1.0},
        {"cm", false, 1.0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MRuleTool::IsUnitName(c.unit), c.isUnit) << c.unit;
        EXPECT_EQ(MRuleTool::UnitToMillimetre(c.unit), c.millimetres) << c.unit;
    }
}

TEST(MRuleToolInstance, IsCreatedOnceWithUnitsShown)
{
    MRuleTool* rule = MRuleTool::GetInstance();
    EXPECT_EQ(rule, MRuleTool::GetInstance());
    rule->SetShowUnit(false);
    MRuleTool::ResetInstanceForTesting();
    EXPECT_TRUE(rule->GetShowUnit());
}

} // namespace
