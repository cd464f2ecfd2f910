#include "shapes/MData.h"

#include "settings/MParam.h"
#include "shapes/MRuleTool.h"
#include "shapes/MTool.h"
#include "tests/shapes/GuiTypesPrinting.h"
#include "tests/shapes/CalibrationFixture.h"

#include <gtest/gtest.h>

namespace {

class MDataTest : public CalibrationFixture {
protected:
    MData data;
};

TEST_F(MDataTest, PointIsShownWithYCountedUpwards)
{
    data.SetImageHeight(480);
    data.point.SetValue({10, 100}, "Centre", true);
    EXPECT_TRUE(data.point.IsValid());
    EXPECT_EQ(data.point.GetCaption(), "Centre");
    EXPECT_EQ(data.point.GetTextX(), "10");
    EXPECT_EQ(data.point.GetTextY(), "380");
    EXPECT_EQ(data.point.GetPoint(), (TPoint{10, 100}));
    EXPECT_FALSE(data.IsModified());
}

TEST_F(MDataTest, PointTextsAreCalibrated)
{
    Calibrate(0.5, "mm");
    data.SetImageHeight(480);
    data.point.SetValue({11, 101}, "P", true);
    EXPECT_EQ(data.point.GetTextX(), "5.5");
    EXPECT_EQ(data.point.GetTextY(), "189.5");
    EXPECT_EQ(data.point.GetPoint(), (TPoint{11, 101}));
    data.point.SetText("5", "190");
    EXPECT_EQ(data.point.GetPoint(), (TPoint{10, 100}));
}

TEST_F(MDataTest, WithoutImageHeightYIsNotMirrored)
{
    data.point.SetValue({10, 100}, "P", true);
    EXPECT_EQ(data.point.GetTextY(), "100");
    EXPECT_EQ(data.point.GetPoint(), (TPoint{10, 100}));
}

TEST_F(MDataTest, EditedCoordinatesAreTruncatedTowardsZero)
{
    const struct {
        const char* x;
        const char* y;
        TPoint point;
    } cases[] = {
        {"12.7", "380.9", {12, 100}}, // y 380 shown upwards is row 100
        {"-12.7", "480", {-12, 0}},
        {"12,7", "0,5", {12, 480}},   // a decimal comma reads too
    };
    for (const auto& c : cases) {
        data.SetImageHeight(480);
        data.point.SetValue({10, 100}, "P", true);
        data.point.SetText(c.x, c.y);
        EXPECT_TRUE(data.IsModified()) << c.x;
        EXPECT_EQ(data.point.GetPoint(), c.point) << c.x << " " << c.y;
    }
}

TEST_F(MDataTest, TextsThatAreNoNumbersAreIgnored)
{
    data.point.SetValue({10, 100}, "P", false);
    data.point.SetText("abc", "5");
    data.point.SetText("5", "");
    EXPECT_EQ(data.point.GetEditX(), "10");
    EXPECT_EQ(data.point.GetEditY(), "100");
    data.length[0].SetValue(10, "L");
    data.length[0].SetText("12");
    data.length[0].SetText("twelve");
    EXPECT_EQ(data.length[0].GetEdit(), "12");
    data.angle[0].SetValue(30, "A", false);
    data.angle[0].SetText("1.2.3");
    EXPECT_EQ(data.angle[0].GetEdit(), "30");
}

TEST_F(MDataTest, UnchangedValuesComeBackExactlyNotFromTheirRoundedTexts)
{
    data.length[0].SetValue(10.123456, "L");
    EXPECT_EQ(data.length[0].GetText(), "10.1235");
    EXPECT_EQ(data.length[0].GetValue(), 10.123456);
    data.angle[0].SetValue(30.123456, "A", true);
    EXPECT_EQ(data.angle[0].GetText(), "329.88");
    EXPECT_NEAR(data.angle[0].GetValue(), 30.123456, 1e-12);
}

TEST_F(MDataTest, LengthsAreCalibratedBothWays)
{
    Calibrate(0.5, "mm");
    data.length[1].SetValue(10, "Radius");
    EXPECT_EQ(data.length[1].GetText(), "5");
    data.length[1].SetText("7.5");
    EXPECT_TRUE(data.length[1].IsModified());
    EXPECT_EQ(data.length[1].GetValue(), 15.0);
}

TEST_F(MDataTest, EditingATextToTheSameTextIsNoChange)
{
    data.length[0].SetValue(10, "L");
    data.length[0].SetText("10");
    EXPECT_FALSE(data.length[0].IsModified());
    EXPECT_FALSE(data.IsModified());
    data.length[0].SetText("10.0"); // the same number, but typed
    EXPECT_TRUE(data.IsModified());
}

TEST_F(MDataTest, AnglesAreShownCountedTheOtherWayRound)
{
    const struct {
        double degrees;
        const char* text;
    } cases[] = {
        {30, "330"}, {0, "0"}, {90, "270"}, {270, "90"}, {359.999, "0"}, {12.345, "347.66"},
    };
    for (const auto& c : cases) {
        data.angle[0].SetValue(c.degrees, "A", true);
        EXPECT_EQ(data.angle[0].GetText(), c.text) << c.degrees;
        EXPECT_NEAR(data.angle[0].GetValue(), c.degrees, 1e-12) << c.degrees;
    }
    data.angle[0].SetValue(30, "A", true);
    EXPECT_EQ(data.angle[0].GetValue(), 30.0);
    data.angle[1].SetValue(30, "A", true);
    data.angle[1].SetText("45");
    EXPECT_EQ(data.angle[1].GetValue(), 315.0);
}

TEST_F(MDataTest, AnglesAreNotCalibrated)
{
    Calibrate(0.5, "mm");
    data.angle[0].SetValue(30, "A", false);
    EXPECT_EQ(data.angle[0].GetText(), "30");
}

TEST_F(MDataTest, ABlankRecordShowsZeros)
{
    data.SetImageHeight(480);
    data.point.SetValue({0, 0}, "Start", false);
    data.length[0].SetValue(0, "Length");
    data.angle[0].SetValue(0, "Angle", false);
    EXPECT_EQ(data.point.GetTextX(), "0");
    EXPECT_EQ(data.point.GetTextY(), "0");
    EXPECT_EQ(data.length[0].GetText(), "0");
    EXPECT_EQ(data.angle[0].GetText(), "0");
}

TEST_F(MDataTest, ClearInvalidatesEveryValueAndMakesTheRecordEditable)
{
    data.point.SetValue({1, 2}, "P", false);
    data.length[0].SetValue(3, "L");
    data.length[1].SetValue(4, "L");
    data.angle[0].SetValue(5, "A", false);
    data.angle[1].SetValue(6, "A", false);
    data.angle[1].SetText("7");
    data.SetEditable(false);
    data.Clear();
    EXPECT_FALSE(data.point.IsValid());
    EXPECT_FALSE(data.length[0].IsValid());
    EXPECT_FALSE(data.length[1].IsValid());
    EXPECT_FALSE(data.angle[0].IsValid());
    EXPECT_FALSE(data.angle[1].IsValid());
    EXPECT_FALSE(data.IsModified()); // an invalid value is never modified
    EXPECT_TRUE(data.IsEditable());
}

TEST_F(MDataTest, AnyEditedValueModifiesTheRecord)
{
    for (int which = 0; which < 5; ++which) {
        data.Clear();
        data.point.SetValue({1, 2}, "P", false);
        data.length[0].SetValue(3, "L");
        data.length[1].SetValue(4, "L");
        data.angle[0].SetValue(5, "A", false);
        data.angle[1].SetValue(6, "A", false);
        EXPECT_FALSE(data.IsModified());
        switch (which) {
        case 0: data.point.SetText("1", "3"); break;
        case 1: data.length[0].SetText("9"); break;
        case 2: data.length[1].SetText("9"); break;
        case 3: data.angle[0].SetText("9"); break;
        case 4: data.angle[1].SetText("9"); break;
        }
        EXPECT_TRUE(data.IsModified()) << which;
    }
}

} // namespace
