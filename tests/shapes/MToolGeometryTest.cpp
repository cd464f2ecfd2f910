#include "shapes/MTool.h"
#include "tests/shapes/GuiTypesPrinting.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

namespace {

TEST(MToolRound, HalvesAwayFromZero)
{
    const struct {
        double in;
        double out;
    } cases[] = {
        {0.5, 1},   {-0.5, -1}, {-0.4, 0},  {1.49, 1}, {2.5, 3},  {-2.5, -3}, {-2.4, -2},
        {-2.6, -3}, {1.5, 2},   {-1.5, -2}, {0.0, 0},  {7.0, 7},  {-7.0, -7},
        // floor(x + 0.5) would give 1 here: the sum rounds up in binary.
        {0.49999999999999994, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MTool::Round(c.in), c.out) << c.in;
}

TEST(MToolRound, ConversionToIntSaturatesAndMapsNanToZero)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double in;
        int out;
    } cases[] = {
        {2.9, 2},        {-2.9, -2},       {1e20, INT_MAX},         {-1e20, INT_MIN},
        {inf, INT_MAX},  {-inf, INT_MIN},  {nan, 0},                {2147483647.9, INT_MAX},
        {-2147483648.9, INT_MIN},          {2147483648.0, INT_MAX},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MTool::TruncToInt(c.in), c.out) << c.in;
    EXPECT_EQ(MTool::RoundToInt(-2.5), -3);
    EXPECT_EQ(MTool::RoundToInt(1e12), INT_MAX);
}

TEST(MToolNumbers, AnglesAndAbsoluteValues)
{
    EXPECT_EQ(MTool::ReverseAngle(0), 0);
    EXPECT_EQ(MTool::ReverseAngle(90), 270);
    EXPECT_EQ(MTool::ReverseAngle(330), 30);
    EXPECT_EQ(MTool::ReverseAngle(360), 0);
    EXPECT_DOUBLE_EQ(MTool::RadToDeg(std::acos(-1.0)), 180);
    EXPECT_EQ(MTool::AbsInt(-5), 5);
    EXPECT_EQ(MTool::AbsInt(INT_MIN), INT_MAX);
}

TEST(MToolInstance, IsCreatedOnceWithFourDecimalsAndNoCanvas)
{
    MTool::ResetInstanceForTesting();
    MTool* tool = MTool::GetInstance();
    EXPECT_EQ(tool, MTool::GetInstance());
    EXPECT_EQ(tool->GetDecimals(), 4);
    EXPECT_EQ(tool->GetCanvas(), nullptr);
    tool->SetDecimals(2);
    MTool::ResetInstanceForTesting();
    EXPECT_EQ(tool->GetDecimals(), 4);
}

TEST(MToolDistances, DistanceAndSquarePickTest)
{
    EXPECT_EQ(MTool::Distance({0, 0}, {3, 4}), 5);
    EXPECT_TRUE(MTool::NearPoint({0, 0}, {3, 3}, 3));
    EXPECT_TRUE(MTool::NearPoint({0, 0}, {-3, 3}, 3));
    EXPECT_FALSE(MTool::NearPoint({0, 0}, {4, 0}, 3));
    EXPECT_TRUE(MTool::WithinReach({0, 0}, {180, 240}));
    EXPECT_FALSE(MTool::WithinReach({0, 0}, {300, 1}));
}

TEST(MToolDistances, NearSegmentHasRoundEndsAndASideBand)
{
    const TPoint a{0, 0}, b{10, 0};
    const struct {
        TPoint p;
        bool near;
    } cases[] = {
        {{5, 2}, true},  {{5, 3}, false}, {{5, -2}, true}, {{12, 0}, true}, {{13, 0}, false},
        {{-2, 0}, true}, {{11, 2}, false}, // beyond b only within t of b itself
    };
    for (const auto& c : cases)
        EXPECT_EQ(MTool::NearSegment(a, b, c.p, 2), c.near) << c.p;
    // A segment of zero length is a point test of radius t.
    EXPECT_TRUE(MTool::NearSegment({5, 5}, {5, 5}, {6, 6}, 2));
    EXPECT_FALSE(MTool::NearSegment({5, 5}, {5, 5}, {7, 7}, 2));
}

TEST(MToolDistances, NearCircleTakesItsRadiusFromTheWidthOnly)
{
    const TRect rect{0, 0, 11, 20}; // centre (5, 10), radius 5
    EXPECT_TRUE(MTool::NearCircle({10, 10}, rect, 0));
    EXPECT_TRUE(MTool::NearCircle({13, 10}, rect, 3));
    EXPECT_FALSE(MTool::NearCircle({14, 10}, rect, 3));
    EXPECT_FALSE(MTool::NearCircle({5, 0}, rect, 3)); // on a circle of radius 10
}

TEST(MToolDistances, NearEllipse)
{
    const TRect rect{0, 0, 20, 10}; // centre (10, 5), semi-axes 10 and 5
    const struct {
        TPoint p;
        int t;
        bool near;
    } cases[] = {
        {{20, 5}, 2, true}, {{0, 5}, 2, true},    {{10, 0}, 2, true},
        {{10, 0}, 1, false}, {{10, -4}, 2, false}, {{10, 5}, 2, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MTool::NearEllipse(c.p, rect, c.t), c.near) << c.p << " t " << c.t;
    // No width and no height: the distance to the centre decides.
    EXPECT_TRUE(MTool::NearEllipse({7, 5}, {5, 5, 5, 5}, 2));
    EXPECT_FALSE(MTool::NearEllipse({8, 5}, {5, 5, 5, 5}, 2));
}

TEST(MToolDistances, PointLineDistance)
{
    EXPECT_EQ(MTool::PointLineDistance({0, 0}, {0, 0}, {3, 4}), 5);
    EXPECT_EQ(MTool::PointLineDistance({0, 0}, {10, 0}, {5, 7}), 7);
    EXPECT_EQ(MTool::PointLineDistance({0, 0}, {3, 4}, {4, -3}), 5);
    EXPECT_EQ(MTool::PointLineDistance({0, 0}, {10, 0}, {50, -7}), 7); // the line, not the segment
}

TEST(MToolDistances, CompareDistanceIsExactForHalfPixelLengths)
{
    const struct {
        TPoint a, b;
        double length;
        int expected;
    } cases[] = {
        {{0, 0}, {3, 4}, 5, 0},
        {{0, 0}, {3, 4}, 4.5, 1},
        {{0, 0}, {3, 4}, 5.5, -1},
        {{0, 0}, {0, 0}, 0, 0},
        {{0, 0}, {0, 0}, -0.5, 1},
        {{0, 0}, {1, 1}, 1.5, -1},
        {{0, 0}, {30000, 1}, 30000, 1}, // 0.000017 px longer
        // The diagonal of the whole coordinate range is 6074000998.54 px.
        {{INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}, 6074000999.0, -1},
        {{INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}, 6074000998.5, 1},
        // No whole number of half pixels: compared as doubles.
        {{0, 0}, {3, 4}, 5.25, -1},
        {{0, 0}, {3, 4}, 4.999, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MTool::CompareDistance(c.a, c.b, c.length), c.expected) << c.b.x << ", " << c.length;
}

TEST(MToolRects, PointInRectKeepsEdgesAndDoesNotNormalize)
{
    EXPECT_TRUE(MTool::PointInRect({0, 0}, {0, 0, 10, 10}));
    EXPECT_TRUE(MTool::PointInRect({10, 10}, {0, 0, 10, 10}));
    EXPECT_FALSE(MTool::PointInRect({11, 5}, {0, 0, 10, 10}));
    EXPECT_FALSE(MTool::PointInRect({5, 5}, {10, 10, 0, 0}));
    EXPECT_TRUE(MTool::PointInBounds({5, 5}, 0, 0, 10, 10));
}

TEST(MToolPoints, ArithmeticSaturatesInsteadOfOverflowing)
{
    EXPECT_EQ(MTool::AddPoints({1, 2}, {3, 4}), (TPoint{4, 6}));
    EXPECT_EQ(MTool::SumPoints({1, 2}, {3, 4}, {5, 6}), (TPoint{9, 12}));
    EXPECT_EQ(MTool::SubtractPoints({1, 2}, {3, 5}), (TPoint{-2, -3}));
    EXPECT_EQ(MTool::AddPoints({INT_MAX, INT_MIN}, {1, -1}), (TPoint{INT_MAX, INT_MIN}));
    EXPECT_EQ(MTool::SubtractPoints({INT_MIN, 0}, {1, INT_MIN}), (TPoint{INT_MIN, INT_MAX}));
    EXPECT_EQ(MTool::ZoomCoord(INT_MAX), INT_MAX);
    EXPECT_EQ(MTool::PackPoint({0, 300000}), INT_MAX);
    EXPECT_EQ(MTool::MirrorY(100, INT_MIN), INT_MAX);
}

TEST(MToolPoints, MidpointRoundsTheHalfAwayFromZero)
{
    const struct {
        TPoint a, b, mid;
    } cases[] = {
        {{1, 1}, {2, 2}, {2, 2}},
        {{-1, -1}, {-2, -2}, {-2, -2}},
        {{0, 0}, {3, -3}, {2, -2}},
        {{0, 0}, {4, 6}, {2, 3}},
        {{INT_MAX, INT_MIN}, {INT_MAX, INT_MIN}, {INT_MAX, INT_MIN}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MTool::Midpoint(c.a, c.b), c.mid) << c.a << c.b;
}

TEST(MToolPoints, ZeroEqualityAndRectangles)
{
    EXPECT_TRUE(MTool::IsZeroPoint(MTool::ZeroPoint()));
    EXPECT_FALSE(MTool::IsZeroPoint({0, 1}));
    EXPECT_TRUE(MTool::PointsEqual({3, 4}, {3, 4}));
    EXPECT_FALSE(MTool::PointsEqual({3, 4}, {4, 3}));
    EXPECT_EQ(MTool::NormalizeRect({10, 20, 0, 5}), (TRect{0, 5, 10, 20}));
    TRect rect{0, 0, 10, 10};
    EXPECT_EQ(MTool::ExtendRect(rect, {-5, 20}), (TRect{-5, 0, 10, 20}));
    EXPECT_EQ(rect, (TRect{-5, 0, 10, 20}));
    EXPECT_EQ(MTool::ExtendRect(rect, {3, 3}), (TRect{-5, 0, 10, 20}));
}

TEST(MToolPoints, PackingTruncatesTowardsZero)
{
    EXPECT_EQ(MTool::PackPoint({800, 600}), 6000800);
    TPoint p;
    MTool::UnpackPoint(6000800, p);
    EXPECT_EQ(p, (TPoint{800, 600}));
    MTool::UnpackPoint(-10005, p);
    EXPECT_EQ(p, (TPoint{-5, -1}));
}

TEST(MToolPoints, ZoomMirrorAndCentring)
{
    EXPECT_EQ(MTool::ZoomCoord(0), 1);
    EXPECT_EQ(MTool::ZoomCoord(1), 4);
    EXPECT_EQ(MTool::ZoomCoord(-1), -2);
    EXPECT_EQ(MTool::ZoomPoint({2, 3}), (TPoint{7, 10}));
    EXPECT_EQ(MTool::ZoomRect({0, 1, 2, 3}), (TRect{1, 4, 7, 10}));
    EXPECT_EQ(MTool::MirrorY(0, 7), 7);
    EXPECT_EQ(MTool::MirrorY(-3, 7), 7);
    EXPECT_EQ(MTool::MirrorY(480, 7), 473);
    EXPECT_EQ(MTool::CenterOffset(100, 30), 35);
    EXPECT_EQ(MTool::CenterOffset(100, 31), 34);
    EXPECT_EQ(MTool::CenterOffset(100, 100), 0);
    EXPECT_EQ(MTool::CenterOffset(30, 100), 0);
}

TEST(MToolDirections, VectorAngleRunsClockwiseOnScreen)
{
    const struct {
        TPoint b;
        double angle;
    } cases[] = {
        {{5, 0}, 0},    {{5, 5}, 45},   {{0, 5}, 90},    {{-5, 5}, 135}, {{-5, 0}, 180},
        {{-5, -5}, 225}, {{0, -5}, 270}, {{5, -5}, 315}, {{0, 0}, 0},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(MTool::VectorAngle({0, 0}, c.b), c.angle) << c.b;
}

TEST(MToolDirections, OnlyAnglesWithinAThousandthOfNinetyAreSnapped)
{
    EXPECT_EQ(MTool::VectorAngle({0, 0}, {1, 100000}), 90.0);
    EXPECT_NE(MTool::VectorAngle({0, 0}, {1, 1000}), 90.0);
    EXPECT_NEAR(MTool::VectorAngle({0, 0}, {1, 1000}), 89.94, 0.01);
    EXPECT_NE(MTool::VectorAngle({0, 0}, {1, -100000}), 270.0);
}

TEST(MToolDirections, PolarPoint)
{
    const struct {
        TPoint origin;
        double length, angle;
        TPoint out;
    } cases[] = {
        {{10, 10}, 5.7, 90, {10, 15}},   // along an axis the length is truncated
        {{10, 10}, 5.7, 0, {15, 10}},    {{10, 10}, 5.7, 180, {5, 10}}, {{10, 10}, 5.7, 270, {10, 5}},
        {{10, 10}, 5.7, 450, {10, 15}},  // 450 is the axis case 90
        {{10, 10}, 5.7, 90.5, {10, 16}}, // general formula, sum rounded
        {{10, 10}, 6, -90, {10, 4}},     // -90 is no axis case
        {{0, 0}, 10, 45, {7, 7}},        {{0, 0}, 10, 30, {9, 5}},
        {{0, 0}, 10, 135, {-7, 7}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MTool::PolarPoint(c.origin, c.length, c.angle), c.out) << c.length << " at " << c.angle;
}

TEST(MToolDirections, PolarPointOfDistanceAndAngleLandsOnTheTarget)
{
    const TPoint a{100, 50};
    for (const TPoint b : {TPoint{130, 90}, TPoint{60, 20}, TPoint{100, 0}, TPoint{37, 50}, TPoint{101, 51}}) {
        const TPoint p = MTool::PolarPoint(a, MTool::Distance(a, b), MTool::VectorAngle(a, b));
        EXPECT_LE(std::abs(p.x - b.x), 1) << b;
        EXPECT_LE(std::abs(p.y - b.y), 1) << b;
    }
}

TEST(MToolDirections, PolarPointKeepsComputedWholeLengthsWhole)
{
    const double almostFive = 4.9999999999999991; // 5 in exact arithmetic
    EXPECT_EQ(MTool::PolarPoint({0, 0}, almostFive, 90), (TPoint{0, 5}));
    EXPECT_EQ(MTool::PolarPoint({0, 0}, almostFive, 180), (TPoint{-5, 0}));
    EXPECT_EQ(MTool::PolarPoint({0, 0}, -almostFive, 0), (TPoint{-5, 0}));
}

TEST(MToolDirections, PolarPointOfHugeOrUndefinedLengthsStaysDefined)
{
    EXPECT_EQ(MTool::PolarPoint({0, 0}, 1e300, 45), (TPoint{INT_MAX, INT_MAX}));
    EXPECT_EQ(MTool::PolarPoint({0, 0}, 1e300, 90), (TPoint{0, INT_MAX}));
    EXPECT_EQ(MTool::PolarPoint({0, 0}, std::numeric_limits<double>::quiet_NaN(), 45), (TPoint{0, 0}));
}

TEST(MToolConstructions, CircleCentre)
{
    const struct {
        TPoint a, b, c, centre;
    } cases[] = {
        {{0, 0}, {2, 0}, {0, 2}, {1, 1}},
        {{0, 0}, {10, 0}, {0, 5}, {5, 3}},      // 2.5 rounds up
        {{0, 0}, {-10, 0}, {0, -5}, {-5, -3}},  // -2.5 rounds away from zero
        {{0, 0}, {1, 1}, {2, 2}, {0, 0}},       // collinear
        {{3, 3}, {3, 3}, {7, 1}, {0, 0}},       // two equal points
    };
    for (const auto& c : cases)
        EXPECT_EQ(MTool::CircleCentre(c.a, c.b, c.c), c.centre) << c.a << c.b << c.c;
}

TEST(MToolConstructions, ProductsOfCameraFrameCoordinatesDoNotOverflow)
{
    // Each of these forms products beyond 32 bits on a 4000 x 3000 frame.
    EXPECT_EQ(MTool::CircleCentre({3000, 2000}, {2000, 3000}, {1000, 2000}), (TPoint{2000, 2000}));
    EXPECT_EQ(MTool::FootOfPerpendicular({0, 0}, {4000, 3000}, {3000, 4000}), (TPoint{3840, 2880}));
    EXPECT_EQ(MTool::LineIntersection({0, 0}, {4000, 3000}, {0, 3000}, {4000, 0}), (TPoint{2000, 1500}));
    EXPECT_NEAR(MTool::PointLineDistance({0, 50000}, {50000, 0}, {50000, 50000}), 35355.339, 0.001);
    // Even extreme typed coordinates stay defined.
    const TPoint centre = MTool::CircleCentre({INT_MAX, 0}, {0, INT_MAX}, {INT_MIN, 0});
    EXPECT_LE(std::abs(centre.x), 1);
    EXPECT_LE(std::abs(centre.y), 1);
}

TEST(MToolConstructions, FootOfPerpendicular)
{
    EXPECT_EQ(MTool::FootOfPerpendicular({0, 0}, {10, 0}, {3, 7}), (TPoint{3, 0}));
    EXPECT_EQ(MTool::FootOfPerpendicular({0, 0}, {10, 10}, {0, 10}), (TPoint{5, 5}));
    EXPECT_EQ(MTool::FootOfPerpendicular({0, 0}, {2, 1}, {1, 0}), (TPoint{1, 0})); // (0.8, 0.4)
    EXPECT_EQ(MTool::FootOfPerpendicular({4, 4}, {4, 4}, {1, 0}), (TPoint{0, 0}));
}

TEST(MToolConstructions, PerpendicularPointSides)
{
    EXPECT_EQ(MTool::PerpendicularPoint({0, 0}, {10, 0}, 5, true), (TPoint{0, 5}));
    EXPECT_EQ(MTool::PerpendicularPoint({0, 0}, {10, 0}, 5, false), (TPoint{0, -5}));
    EXPECT_EQ(MTool::PerpendicularPoint({10, 10}, {10, 20}, 3, true), (TPoint{7, 10}));
    EXPECT_EQ(MTool::PerpendicularPoint({10, 10}, {10, 20}, 3, false), (TPoint{13, 10}));
    EXPECT_EQ(MTool::PerpendicularPoint({0, 0}, {3, 4}, 2.5, true), (TPoint{-2, 2})); // (-2, 1.5)
    EXPECT_EQ(MTool::PerpendicularPoint({4, 4}, {4, 4}, 5, true), (TPoint{0, 0}));
}

TEST(MToolConstructions, LineIntersection)
{
    EXPECT_EQ(MTool::LineIntersection({0, 0}, {10, 0}, {5, -5}, {5, 5}), (TPoint{5, 0}));
    EXPECT_EQ(MTool::LineIntersection({0, 0}, {10, 10}, {0, 10}, {10, 0}), (TPoint{5, 5}));
    EXPECT_EQ(MTool::LineIntersection({0, 0}, {1, 0}, {0, 1}, {1, 2}), (TPoint{-1, 0})); // beyond the segments
    EXPECT_EQ(MTool::LineIntersection({0, 0}, {10, 0}, {0, 5}, {10, 5}), (TPoint{0, 0}));
    EXPECT_EQ(MTool::LineIntersection({0, 0}, {10, 0}, {2, 0}, {7, 0}), (TPoint{0, 0}));
}

TEST(MToolConstructions, ParallelBelowHalfADegree)
{
    // 0.2865 degrees apart, with directions almost opposite.
    EXPECT_TRUE(MTool::IsParallel({0, 0}, {1000, 0}, {1000, 10}, {0, 5}));
    EXPECT_FALSE(MTool::IsIntersecting({0, 0}, {1000, 0}, {1000, 10}, {0, 5}));
    // 0.5729 degrees apart.
    EXPECT_TRUE(MTool::IsIntersecting({0, 0}, {100, 0}, {0, 0}, {100, 1}));
    EXPECT_FALSE(MTool::IsParallel({0, 0}, {100, 0}, {0, 0}, {100, 1}));
    EXPECT_TRUE(MTool::IsIntersecting({0, 0}, {10, 0}, {0, 0}, {0, 10}));
    // A line of zero length is neither.
    EXPECT_FALSE(MTool::IsIntersecting({0, 0}, {0, 0}, {0, 0}, {0, 10}));
    EXPECT_FALSE(MTool::IsParallel({0, 0}, {10, 0}, {5, 5}, {5, 5}));
}

TEST(MToolConstructions, NearerEndOutsideAllowsTwoPixelsOfDetour)
{
    const TPoint a{0, 0}, b{10, 0};
    EXPECT_EQ(MTool::NearerEndOutside(a, b, {5, 0}), (TPoint{0, 0}));
    EXPECT_EQ(MTool::NearerEndOutside(a, b, {5, 2}), (TPoint{0, 0}));
    EXPECT_EQ(MTool::NearerEndOutside(a, b, {13, 0}), b);
    EXPECT_EQ(MTool::NearerEndOutside(a, b, {-3, 1}), a);
    EXPECT_EQ(MTool::NearerEndOutside(a, b, {5, 10}), b); // a tie gives b
}

TEST(MToolConstructions, PointAlongTruncatesAndFartherPointPrefersB)
{
    EXPECT_EQ(MTool::PointAlong({0, 0}, {10, 0}, 3.9), (TPoint{3, 0}));
    EXPECT_EQ(MTool::PointAlong({0, 0}, {-10, 0}, 3.9), (TPoint{-3, 0}));
    EXPECT_EQ(MTool::PointAlong({0, 0}, {3, 4}, 10), (TPoint{6, 8}));
    EXPECT_EQ(MTool::PointAlong({2, 2}, {2, 2}, 5), (TPoint{0, 0}));
    EXPECT_EQ(MTool::FartherPoint({0, 0}, {1, 0}, {2, 0}), (TPoint{2, 0}));
    EXPECT_EQ(MTool::FartherPoint({0, 0}, {3, 0}, {2, 0}), (TPoint{3, 0}));
    EXPECT_EQ(MTool::FartherPoint({0, 0}, {1, 0}, {0, 1}), (TPoint{0, 1}));
}

TEST(MToolConstructions, SnapToCircle)
{
    const struct {
        TPoint p;
        TRect rect;
        TPoint out;
    } cases[] = {
        {{30, 10}, {0, 0, 20, 20}, {20, 10}},
        {{13, 14}, {0, 0, 20, 20}, {16, 18}},
        {{-5, 10}, {0, 0, 20, 20}, {0, 10}},
        {{10, 10}, {0, 0, 20, 20}, {10, 0}},  // at the centre: the top
        {{10, 10}, {20, 20, 0, 0}, {10, 0}},  // normalized first
        {{40, 10}, {0, 0, 40, 20}, {30, 10}}, // radius from the height
    };
    for (const auto& c : cases)
        EXPECT_EQ(MTool::SnapToCircle(c.p, c.rect), c.out) << c.p;
}

TEST(MToolConstructions, MapCirclePointScalesByTheRadii)
{
    EXPECT_EQ(MTool::MapCirclePoint({20, 10}, {0, 0, 20, 20}, {0, 0, 40, 40}), (TPoint{40, 20}));
    EXPECT_EQ(MTool::MapCirclePoint({10, 0}, {0, 0, 20, 20}, {10, 10, 30, 30}), (TPoint{20, 10}));
}

TEST(MToolConstructions, MapCirclePointFromACircleOfNoRadiusGivesTheTop)
{
    EXPECT_EQ(MTool::MapCirclePoint({5, 5}, {5, 5, 5, 5}, {0, 0, 40, 40}), (TPoint{20, 0}));
    EXPECT_EQ(MTool::MapCirclePoint({9, 3}, {0, 5, 10, 5}, {40, 40, 0, 0}), (TPoint{20, 0}));
}

} // namespace
