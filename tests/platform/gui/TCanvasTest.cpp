#include "platform/gui/TCanvas.h"

#include "platform/gui/TBitmap.h"

#include <QPainter>
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>
#include <numbers>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

constexpr TColor kPen = clRed;
constexpr TColor kBrush = clBlue;
constexpr TColor kGreen = 0x008000;

using Pixel = std::pair<int, int>;

// A white bitmap whose canvas has a red one-pixel pen and a clear brush.
class CanvasTest : public ::testing::Test {
protected:
    CanvasTest(int width = 20, int height = 20)
    {
        bitmap.SetSize(width, height);
        canvas = bitmap.Canvas();
        canvas->Pen.Color = kPen;
        canvas->Brush.Style = bsClear;
    }

    // Every pixel that is not white.
    std::set<Pixel> Painted() const
    {
        std::set<Pixel> pixels;
        for (int y = 0; y < bitmap.Height(); ++y)
            for (int x = 0; x < bitmap.Width(); ++x)
                if (canvas->Pixels(x, y) != clWhite)
                    pixels.insert({x, y});
        return pixels;
    }

    std::set<Pixel> PaintedIn(TColor color) const
    {
        std::set<Pixel> pixels;
        for (int y = 0; y < bitmap.Height(); ++y)
            for (int x = 0; x < bitmap.Width(); ++x)
                if (canvas->Pixels(x, y) == color)
                    pixels.insert({x, y});
        return pixels;
    }

    // Row y from x0 to x1 inclusive: '#' pen, 'o' brush, 'g' green, '.' white.
    std::string Row(int y, int x0, int x1) const
    {
        std::string text;
        for (int x = x0; x <= x1; ++x) {
            const TColor c = canvas->Pixels(x, y);
            text += c == kPen ? '#' : c == kBrush ? 'o' : c == kGreen ? 'g' : c == clWhite ? '.' : '?';
        }
        return text;
    }

    TBitmap bitmap;
    TCanvas* canvas = nullptr;
};

std::set<Pixel> Box(int left, int top, int right, int bottom)
{
    std::set<Pixel> pixels;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            pixels.insert({x, y});
    return pixels;
}

// ---------------------------------------------------------------- lines

TEST_F(CanvasTest, LineLeavesOutItsEndPixel)
{
    struct Case {
        TPoint from, to;
        std::set<Pixel> pixels;
    };
    const Case cases[] = {
        {{0, 0}, {5, 0}, {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}}},
        {{5, 0}, {0, 0}, {{5, 0}, {4, 0}, {3, 0}, {2, 0}, {1, 0}}},
        {{3, 1}, {3, 4}, {{3, 1}, {3, 2}, {3, 3}}},
        {{0, 0}, {3, 3}, {{0, 0}, {1, 1}, {2, 2}}},
        {{4, 4}, {4, 4}, {}},
    };
    for (const Case& c : cases) {
        canvas->Brush.Style = bsSolid;
        canvas->Brush.Color = clWhite;
        canvas->FillRect({0, 0, 20, 20});
        canvas->Brush.Style = bsClear;
        canvas->MoveTo(c.from.x, c.from.y);
        canvas->LineTo(c.to.x, c.to.y);
        EXPECT_EQ(Painted(), c.pixels) << c.from.x << "," << c.from.y << " -> " << c.to.x << "," << c.to.y;
        EXPECT_EQ(canvas->PenPos, c.to);
    }
}

TEST_F(CanvasTest, ExtraStepAfterTheEndPaintsTheEndPixel)
{
    canvas->MoveTo(0, 0);
    canvas->LineTo(5, 0);
    canvas->LineTo(6, 0);
    EXPECT_EQ(Row(0, 0, 7), "######..");
}

TEST_F(CanvasTest, SlopedLineTakesOnePixelPerStepOfItsLongerAxis)
{
    canvas->MoveTo(0, 0);
    canvas->LineTo(10, 4);
    const std::set<Pixel> pixels = Painted();
    ASSERT_EQ(pixels.size(), 10u);
    int lastY = 0;
    for (int x = 0; x < 10; ++x) {
        const int y = (2 * x * 4 + 10) / 20; // nearest row, halves rounded away from the start
        EXPECT_TRUE(pixels.count({x, y})) << x;
        EXPECT_LE(y - lastY, 1);
        lastY = y;
    }
}

TEST_F(CanvasTest, PenColourIsBlueGreenRed)
{
    canvas->Pen.Color = 0x0000FF;
    canvas->MoveTo(0, 0);
    canvas->LineTo(1, 0);
    EXPECT_EQ(bitmap.Image().pixel(0, 0), qRgb(255, 0, 0));
    canvas->Pen.Color = 0x123456;
    canvas->MoveTo(0, 1);
    canvas->LineTo(1, 1);
    EXPECT_EQ(bitmap.Image().pixel(0, 1), qRgb(0x56, 0x34, 0x12));
    EXPECT_EQ(canvas->Pixels(0, 1), 0x123456u);
}

TEST_F(CanvasTest, DottedPenPaintsThreeLeavesThreeAlongThePath)
{
    canvas->Pen.Style = psDot;
    canvas->MoveTo(0, 0);
    canvas->LineTo(14, 0);
    EXPECT_EQ(Row(0, 0, 14), "###...###...##.");

    // The pattern runs on across LineTo and restarts at MoveTo.
    canvas->MoveTo(0, 1);
    canvas->LineTo(4, 1);
    canvas->LineTo(14, 1);
    EXPECT_EQ(Row(1, 0, 14), "###...###...##.");
    canvas->MoveTo(0, 2);
    canvas->LineTo(4, 2);
    canvas->MoveTo(4, 2);
    canvas->LineTo(10, 2);
    EXPECT_EQ(Row(2, 0, 10), "###.###....");

    // It counts steps along a slanted line.
    canvas->MoveTo(0, 4);
    canvas->LineTo(7, 11);
    std::string diagonal;
    for (int i = 0; i < 8; ++i)
        diagonal += Row(4 + i, i, i);
    EXPECT_EQ(diagonal, "###...#.");
}

TEST_F(CanvasTest, DottedGapsTakeTheBrushColourWhenTheBrushIsSolid)
{
    canvas->Pen.Style = psDot;
    canvas->Brush.Style = bsSolid;
    canvas->Brush.Color = kGreen;
    canvas->MoveTo(0, 0);
    canvas->LineTo(8, 0);
    EXPECT_EQ(Row(0, 0, 8), "###ggg##.");
}

TEST_F(CanvasTest, ClearPenDrawsNoLineButMovesThePen)
{
    canvas->Pen.Style = psClear;
    canvas->MoveTo(0, 0);
    canvas->LineTo(10, 10);
    EXPECT_TRUE(Painted().empty());
    EXPECT_EQ(canvas->PenPos, (TPoint{10, 10}));
}

TEST_F(CanvasTest, XorPenDrawnTwiceRestoresThePicture)
{
    canvas->Brush.Style = bsSolid;
    canvas->Brush.Color = kGreen;
    canvas->FillRect({0, 0, 10, 20});
    const QImage before = bitmap.Image().copy();
    canvas->Pen.Mode = pmXor;
    canvas->Brush.Style = bsClear;
    for (int pass = 0; pass < 2; ++pass) {
        canvas->MoveTo(0, 5);
        canvas->LineTo(20, 5);
        if (pass == 0) {
            EXPECT_EQ(canvas->Pixels(3, 5), (kGreen ^ kPen)) << "xor on green";
        }
        canvas->Rectangle(2, 2, 15, 12);
    }
    EXPECT_EQ(bitmap.Image(), before);

    canvas->Pen.Mode = pmNot;
    canvas->MoveTo(0, 0);
    canvas->LineTo(2, 0);
    EXPECT_EQ(canvas->Pixels(0, 0), 0xFF7FFFu) << "inverted green";
    EXPECT_EQ(canvas->Pixels(15, 0), clWhite);

    canvas->Pen.Mode = pmNotXor;
    canvas->MoveTo(15, 0);
    canvas->LineTo(16, 0);
    EXPECT_EQ(canvas->Pixels(15, 0), kPen) << "not-xor of white keeps the pen colour";
}

TEST_F(CanvasTest, HugeCoordinatesAreClippedExactly)
{
    canvas->MoveTo(-2'000'000'000, 5);
    canvas->LineTo(2'000'000'000, 5);
    EXPECT_EQ(Painted(), Box(0, 5, 20, 6));

    canvas->Pen.Color = kBrush;
    canvas->MoveTo(-2'000'000'000, -2'000'000'000);
    canvas->LineTo(2'000'000'000, 2'000'000'000);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(canvas->Pixels(i, i), kBrush) << i;

    // Sloped lines keep their exact pixels where they enter through any edge.
    struct Sloped {
        TPoint from, to;
        std::set<Pixel> pixels;
    };
    const auto along = [](int first, int last, auto pixelAt) {
        std::set<Pixel> pixels;
        for (int i = first; i <= last; ++i)
            pixels.insert(pixelAt(i));
        return pixels;
    };
    const Sloped sloped[] = {
        // Through the left edge: y = floor((x + 1) / 2).
        {{-1'000'000'000, -500'000'000}, {1'000'000'000, 500'000'000},
         along(0, 19, [](int x) { return Pixel{x, (x + 1) / 2}; })},
        // Through the top edge at (9, 0): y = floor((x - 9) / 2).
        {{10 - 2'000'000'000, -1'000'000'000}, {10 + 2'000'000'000, 1'000'000'000},
         along(9, 19, [](int x) { return Pixel{x, (x - 9) / 2}; })},
        // Steep, through the left edge at (0, 9).
        {{-1'000'000'000, 10 - 2'000'000'000}, {1'000'000'000, 10 + 2'000'000'000},
         along(9, 19, [](int y) { return Pixel{(y - 9) / 2, y}; })},
        // Steep, leaving through the right edge after (19, 8).
        {{15 - 1'000'000'000, -2'000'000'000}, {15 + 1'000'000'000, 2'000'000'000},
         along(0, 19, [](int y) { return Pixel{15 + (y + 1) / 2, y}; })},
        // Leaving through the right edge, coming from below.
        {{2'000'000'000, -1'999'999'990}, {-2'000'000'000, 2'000'000'010},
         along(0, 19, [](int x) { return Pixel{x, 10 - x}; })},
    };
    for (const Sloped& line : sloped) {
        TBitmap picture;
        picture.SetSize(20, 20);
        picture.Canvas()->MoveTo(line.from.x, line.from.y);
        picture.Canvas()->LineTo(line.to.x, line.to.y);
        std::set<Pixel> painted;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x)
                if (picture.Canvas()->Pixels(x, y) != clWhite)
                    painted.insert({x, y});
        std::set<Pixel> visible;
        for (const Pixel& p : line.pixels)
            if (p.first >= 0 && p.first < 20 && p.second >= 0 && p.second < 20)
                visible.insert(p);
        EXPECT_EQ(painted, visible) << line.from.x << "," << line.from.y;
    }

    // Lines wholly outside, and shapes of any size, paint nothing wrong.
    canvas->Pen.Color = kPen;
    canvas->MoveTo(INT_MIN, INT_MIN);
    canvas->LineTo(INT_MAX, INT_MIN);
    canvas->MoveTo(INT_MAX, INT_MAX);
    canvas->LineTo(INT_MIN, INT_MAX);
    canvas->Rectangle(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    canvas->Ellipse(-2'000'000'000, -2'000'000'000, 2'000'000'000, 2'000'000'000);
    canvas->Arc(-2'000'000'000, -2'000'000'000, 2'000'000'000, 2'000'000'000, 1, 0, 0, 1);
    const TPoint triangle[] = {{-2'000'000'000, -2'000'000'000}, {2'000'000'000, 0}, {0, 2'000'000'000}};
    canvas->Polygon(triangle);
    canvas->TextOut(2'000'000'000, 2'000'000'000, "far");
    canvas->TextOut(INT_MIN, INT_MIN, "far");
    canvas->FillRect({INT_MIN, INT_MIN, INT_MAX, INT_MAX});
    canvas->Pen.Width = 3;
    canvas->MoveTo(-2'000'000'000, -3);
    canvas->LineTo(2'000'000'000, 3);
    canvas->Ellipse(-2'000'000'000, -2'000'000'000, 2'000'000'000, 2'000'000'000);
    SUCCEED();
}

// A line wholly inside the picture is drawn without clipping; one that
// crosses an edge is clipped. Both must give the same pixels where they meet.
TEST_F(CanvasTest, ALineCutByTheEdgeKeepsThePixelsOfTheWholeLine)
{
    constexpr int kSize = 20;
    constexpr int kMargin = 30;
    for (int i = 0; i < 60; ++i) {
        // Ends on a spiral reaching well outside the small picture.
        const TPoint from{(i * 7) % 50 - 15, (i * 13) % 50 - 15};
        const TPoint to{(i * 17) % 50 - 15, (i * 29) % 50 - 15};
        TBitmap cut;
        cut.SetSize(kSize, kSize);
        cut.Canvas()->MoveTo(from.x, from.y);
        cut.Canvas()->LineTo(to.x, to.y);
        TBitmap whole;
        whole.SetSize(kSize + 2 * kMargin, kSize + 2 * kMargin);
        whole.Canvas()->MoveTo(from.x + kMargin, from.y + kMargin);
        whole.Canvas()->LineTo(to.x + kMargin, to.y + kMargin);
        EXPECT_EQ(cut.Image(), whole.Image().copy(kMargin, kMargin, kSize, kSize))
            << from.x << "," << from.y << " -> " << to.x << "," << to.y;
    }
}

// ---------------------------------------------------------------- rectangles

TEST_F(CanvasTest, RectangleCoversLeftToRightMinusOne)
{
    canvas->Brush.Style = bsSolid;
    canvas->Brush.Color = kBrush;
    canvas->Rectangle(2, 1, 7, 5);
    EXPECT_EQ(Row(0, 0, 8), ".........");
    EXPECT_EQ(Row(1, 0, 8), "..#####..");
    EXPECT_EQ(Row(2, 0, 8), "..#ooo#..");
    EXPECT_EQ(Row(3, 0, 8), "..#ooo#..");
    EXPECT_EQ(Row(4, 0, 8), "..#####..");
    EXPECT_EQ(Row(5, 0, 8), ".........");
}

TEST_F(CanvasTest, RectangleWithClearBrushLeavesTheInside)
{
    canvas->Brush.Color = kBrush;
    canvas->Rectangle(TRect{2, 1, 7, 5});
    EXPECT_EQ(Row(2, 0, 8), "..#...#..");
    // Turned-round corners give the same box.
    canvas->Rectangle(6, 14, 1, 10);
    EXPECT_EQ(Row(10, 0, 7), ".#####..");
    EXPECT_EQ(Row(12, 0, 7), ".#...#..");
    EXPECT_EQ(Row(14, 0, 7), "........");
}

TEST_F(CanvasTest, OnePixelThinRectangleIsItsBox)
{
    canvas->Rectangle(2, 3, 3, 6);
    canvas->Rectangle(5, 1, 9, 2);
    std::set<Pixel> expected = Box(2, 3, 3, 6);
    expected.merge(Box(5, 1, 9, 2));
    EXPECT_EQ(Painted(), expected);
    canvas->Rectangle(12, 12, 12, 15);
    EXPECT_EQ(Painted(), expected) << "an empty box draws nothing";
}

TEST_F(CanvasTest, FillAndFrameRectUseTheBrush)
{
    canvas->Brush.Style = bsSolid;
    canvas->Brush.Color = kBrush;
    canvas->FillRect({1, 1, 4, 3});
    EXPECT_EQ(PaintedIn(kBrush), Box(1, 1, 4, 3));

    canvas->Brush.Color = kGreen;
    canvas->FrameRect({10, 10, 15, 14});
    EXPECT_EQ(PaintedIn(kGreen), [] {
        std::set<Pixel> frame = Box(10, 10, 15, 14);
        for (const Pixel& inside : Box(11, 11, 14, 13))
            frame.erase(inside);
        return frame;
    }());

    canvas->Brush.Style = bsClear;
    canvas->Brush.Color = kPen;
    canvas->FillRect({0, 0, 20, 20});
    canvas->FrameRect({0, 0, 20, 20});
    EXPECT_TRUE(PaintedIn(kPen).empty()) << "a clear brush paints nothing";
}

// ---------------------------------------------------------------- ellipses and arcs

class EllipseTest : public CanvasTest, public ::testing::WithParamInterface<TRect> {
protected:
    EllipseTest() : CanvasTest(40, 40) {}
};

TEST_P(EllipseTest, EllipseLiesInItsBoxTouchesEverySideAndIsSymmetric)
{
    const TRect box = GetParam();
    canvas->Ellipse(box);
    const std::set<Pixel> pixels = Painted();
    ASSERT_FALSE(pixels.empty());
    bool left = false, right = false, top = false, bottom = false;
    for (const auto& [x, y] : pixels) {
        EXPECT_TRUE(x >= box.left && x < box.right && y >= box.top && y < box.bottom) << x << "," << y;
        left |= x == box.left;
        right |= x == box.right - 1;
        top |= y == box.top;
        bottom |= y == box.bottom - 1;
        EXPECT_TRUE(pixels.count({box.left + box.right - 1 - x, y})) << "mirrored left-right " << x << "," << y;
        EXPECT_TRUE(pixels.count({x, box.top + box.bottom - 1 - y})) << "mirrored top-bottom " << x << "," << y;
    }
    EXPECT_TRUE(left && right && top && bottom);

    // Every outline pixel has a neighbour on the outline: no gaps.
    for (const auto& [x, y] : pixels) {
        int neighbours = 0;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                neighbours += (dx || dy) && pixels.count({x + dx, y + dy});
        if (pixels.size() > 1) {
            EXPECT_GE(neighbours, 1) << x << "," << y;
        }
    }
}

TEST_P(EllipseTest, SolidBrushFillsTheInsideOfTheOutline)
{
    const TRect box = GetParam();
    canvas->Brush.Style = bsSolid;
    canvas->Brush.Color = kBrush;
    canvas->Ellipse(box);
    const std::set<Pixel> outline = PaintedIn(kPen);
    for (const auto& [x, y] : PaintedIn(kBrush)) {
        // Inside: outline pixels on both sides in its row.
        bool before = false, after = false;
        for (const auto& [ox, oy] : outline)
            if (oy == y)
                (ox < x ? before : after) = true;
        EXPECT_TRUE(before && after) << x << "," << y;
    }
    if (box.Width() >= 5 && box.Height() >= 5) {
        EXPECT_EQ(canvas->Pixels((box.left + box.right) / 2, (box.top + box.bottom) / 2), kBrush);
    }
}

INSTANTIATE_TEST_SUITE_P(Boxes, EllipseTest,
                         ::testing::Values(TRect{0, 0, 11, 11}, TRect{0, 0, 10, 10}, TRect{3, 5, 30, 14},
                                           TRect{2, 2, 9, 33}, TRect{1, 1, 21, 4}, TRect{1, 1, 21, 3},
                                           TRect{5, 5, 7, 7}, TRect{5, 5, 6, 6}, TRect{4, 4, 5, 12},
                                           TRect{0, 0, 40, 40}),
                         [](const ::testing::TestParamInfo<TRect>& box) {
                             const TRect& r = box.param;
                             return "Box" + std::to_string(r.left) + "_" + std::to_string(r.top) + "_"
                                    + std::to_string(r.right) + "_" + std::to_string(r.bottom);
                         });

class ArcTest : public CanvasTest {
protected:
    ArcTest() : CanvasTest(21, 21) {}
    // The circle inscribed in the whole picture; centre (10, 10).
    void ArcFrom(TPoint start, TPoint end) { canvas->Arc(0, 0, 21, 21, start.x, start.y, end.x, end.y); }
};

TEST_F(ArcTest, ArcRunsCounterClockwiseOnScreen)
{
    ArcFrom({20, 10}, {10, 0}); // east to north: the upper-right quarter
    const std::set<Pixel> quarter = Painted();
    ASSERT_GT(quarter.size(), 10u);
    for (const auto& [x, y] : quarter)
        EXPECT_TRUE(x >= 10 && y <= 10) << x << "," << y;
    EXPECT_TRUE(quarter.count({20, 10}) && quarter.count({10, 0})) << "both ends are drawn";
}

TEST_F(ArcTest, SwappedEndsDrawTheOtherThreeQuarters)
{
    ArcFrom({10, 0}, {20, 10}); // north round through west and south to east
    const std::set<Pixel> pixels = Painted();
    for (const auto& [x, y] : pixels)
        EXPECT_FALSE(x > 11 && y < 9) << x << "," << y;
    EXPECT_TRUE(pixels.count({0, 10}) && pixels.count({10, 20}));
}

TEST_F(ArcTest, CoincidingRadialsDrawTheWholeEllipse)
{
    ArcFrom({20, 10}, {40, 10});
    const std::set<Pixel> arc = Painted();
    canvas->Pen.Color = kBrush;
    canvas->Ellipse(0, 0, 21, 21);
    EXPECT_EQ(PaintedIn(kBrush), arc);
    EXPECT_EQ(canvas->PenPos, (TPoint{0, 0})) << "an arc leaves the pen where it was";
}

TEST_F(ArcTest, ArcEndsAreRadialsNotPointsOnTheCurve)
{
    // Points far outside along the same directions give the same arc, also
    // so far out that the test of each pixel needs more than 64 bits; both
    // a quarter and, with the ends swapped, three quarters.
    struct Radials {
        TPoint start, end;
    };
    const Radials quarters[][3] = {
        {{{20, 10}, {10, 0}}, {{1000, 10}, {10, -1000}}, {{2'000'000'000, 10}, {10, -2'000'000'000}}},
        {{{10, 0}, {20, 10}}, {{10, -1000}, {1000, 10}}, {{10, -2'000'000'000}, {2'000'000'000, 10}}},
    };
    canvas->Brush.Color = clWhite;
    for (const auto& same : quarters) {
        std::optional<std::set<Pixel>> first;
        for (const Radials& radials : same) {
            canvas->Brush.Style = bsSolid;
            canvas->FillRect({0, 0, 21, 21});
            ArcFrom(radials.start, radials.end);
            const std::set<Pixel> arc = Painted();
            if (!first)
                first = arc;
            EXPECT_EQ(arc, *first) << radials.start.x << "," << radials.start.y;
        }
    }
}

// An arc and the arc from its end back to its start cover the whole outline
// between them, whatever part of it each takes: every row of an arc's pixels
// is drawn, also where the box is flat, tall, one pixel wide or off the
// picture, and where a radial is exactly upright or level.
TEST(ArcRows, AnArcAndItsComplementDrawTheWholeOutline)
{
    const TRect boxes[] = {{2, 3, 57, 47}, {2, 3, 58, 48}, {10, 10, 50, 22}, {20, 2, 30, 48},
                           {-25, 5, 40, 45}, {5, -9, 50, 30}, {30, 5, 31, 40}, {4, 20, 55, 21}};
    std::vector<TPoint> directions{{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
    for (int degrees = 10; degrees < 360; degrees += 25)
        directions.push_back({int(std::lround(100 * std::cos(degrees * std::numbers::pi / 180))),
                              int(std::lround(100 * std::sin(degrees * std::numbers::pi / 180)))});
    const auto drawn = [](const std::function<void(TCanvas&)>& draw) {
        TBitmap bitmap;
        bitmap.SetSize(60, 50);
        draw(*bitmap.Canvas());
        std::set<std::pair<int, int>> pixels;
        for (int y = 0; y < 50; ++y)
            for (int x = 0; x < 60; ++x)
                if (bitmap.Canvas()->Pixels(x, y) != clWhite)
                    pixels.insert({x, y});
        return pixels;
    };
    for (const TRect& box : boxes) {
        const TPoint centre{(box.left + box.right) / 2, (box.top + box.bottom) / 2};
        const auto outline = drawn([&](TCanvas& c) {
            c.Brush.Style = bsClear;
            c.Ellipse(box);
        });
        for (const TPoint from : directions) {
            for (const TPoint to : directions) {
                if (from == to)
                    continue;
                const TPoint start{centre.x + from.x, centre.y + from.y};
                const TPoint end{centre.x + to.x, centre.y + to.y};
                auto both = drawn([&](TCanvas& c) {
                    c.Arc(box.left, box.top, box.right, box.bottom, start.x, start.y, end.x, end.y);
                });
                both.merge(drawn([&](TCanvas& c) {
                    c.Arc(box.left, box.top, box.right, box.bottom, end.x, end.y, start.x, start.y);
                }));
                EXPECT_EQ(both, outline) << "box " << box.left << "," << box.top << "," << box.right << ","
                                         << box.bottom << " from " << from.x << "," << from.y << " to " << to.x
                                         << "," << to.y;
            }
        }
    }
}

// ---------------------------------------------------------------- polygons

TEST_F(CanvasTest, PolygonIsFilledAndOutlined)
{
    canvas->Brush.Style = bsSolid;
    canvas->Brush.Color = kBrush;
    const TPoint triangle[] = {{2, 2}, {12, 2}, {2, 12}};
    canvas->Polygon(triangle);
    EXPECT_EQ(canvas->Pixels(2, 2), kPen);
    EXPECT_EQ(canvas->Pixels(12, 2), kPen);
    EXPECT_EQ(canvas->Pixels(2, 12), kPen);
    EXPECT_EQ(canvas->Pixels(4, 4), kBrush);
    for (const auto& [x, y] : Painted())
        EXPECT_TRUE(x >= 2 && y >= 2 && x + y <= 14) << x << "," << y;
    EXPECT_EQ(Row(5, 0, 13), "..#oooooo#....");
}

TEST_F(CanvasTest, PolylineLeavesOutItsLastPointAndThePenPosition)
{
    canvas->MoveTo(19, 19);
    const TPoint path[] = {{0, 0}, {4, 0}, {4, 3}};
    canvas->Polyline(path);
    std::set<Pixel> expected = Box(0, 0, 4, 1);
    expected.merge(Box(4, 0, 5, 3));
    EXPECT_EQ(Painted(), expected);
    EXPECT_EQ(canvas->PenPos, (TPoint{19, 19}));
}

TEST_F(CanvasTest, WidePenIsSolidAndHasNoBlendedPixels)
{
    canvas->Pen.Width = 3;
    canvas->Pen.Style = psDot;
    canvas->MoveTo(2, 10);
    canvas->LineTo(17, 10);
    EXPECT_EQ(Row(9, 2, 16), std::string(15, '#'));
    EXPECT_EQ(Row(10, 2, 16), std::string(15, '#'));
    EXPECT_EQ(Row(11, 2, 16), std::string(15, '#'));
    EXPECT_EQ(Row(8, 0, 19), std::string(20, '.'));
    canvas->Ellipse(1, 1, 19, 19);
    for (const auto& [x, y] : Painted())
        EXPECT_EQ(canvas->Pixels(x, y), kPen) << x << "," << y;
}

// ---------------------------------------------------------------- text

class TextTest : public CanvasTest {
protected:
    TextTest() : CanvasTest(120, 40)
    {
        canvas->Font.Color = clBlack;
    }

    // The box around every pixel in `color`.
    TRect Bounds(TColor color) const
    {
        TRect bounds{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
        for (const auto& [x, y] : PaintedIn(color))
            bounds = {std::min(bounds.left, x), std::min(bounds.top, y), std::max(bounds.right, x + 1),
                      std::max(bounds.bottom, y + 1)};
        return bounds;
    }
};

TEST_F(TextTest, OpaqueTextFillsItsCellFromTheTopLeftCorner)
{
    canvas->Brush.Style = bsSolid;
    canvas->Brush.Color = clYellow;
    canvas->MoveTo(3, 4);
    canvas->TextOut(10, 5, "Ab");
    const TSize extent = canvas->TextExtent("Ab");
    EXPECT_GT(extent.cx, 0);
    EXPECT_GT(extent.cy, 0);
    EXPECT_EQ(Bounds(clYellow), (TRect{10, 5, 10 + extent.cx, 5 + extent.cy}));
    const TRect ink = Bounds(clBlack);
    EXPECT_GE(ink.left, 10);
    EXPECT_GE(ink.top, 5);
    EXPECT_LE(ink.right, 10 + extent.cx);
    EXPECT_LE(ink.bottom, 5 + extent.cy);
    EXPECT_EQ(Painted().size(), PaintedIn(clYellow).size() + PaintedIn(clBlack).size())
        << "text pixels are exactly the font colour";
    EXPECT_EQ(canvas->PenPos, (TPoint{3, 4}));
}

TEST_F(TextTest, TransparentTextPaintsOnlyItsGlyphs)
{
    canvas->Font.Color = kPen;
    canvas->TextOut(4, 3, "测量 Wg");
    const TSize extent = canvas->TextExtent("测量 Wg");
    const std::set<Pixel> painted = Painted();
    ASSERT_FALSE(painted.empty());
    EXPECT_EQ(painted, PaintedIn(kPen)) << "no antialiasing";
    const TRect ink = Bounds(kPen);
    EXPECT_GE(ink.left, 4);
    EXPECT_GE(ink.top, 3);
    EXPECT_LE(ink.right, 4 + extent.cx);
    EXPECT_LE(ink.bottom, 3 + extent.cy);
    EXPECT_GT(ink.Height(), extent.cy / 2) << "the extent is the height of what is drawn";
    EXPECT_GT(ink.Width(), extent.cx * 3 / 4) << "the extent is the width of what is drawn";
}

TEST_F(TextTest, ExtentFollowsTheFont)
{
    const TSize small = canvas->TextExtent("Measure");
    EXPECT_EQ(canvas->TextWidth("Measure"), small.cx);
    EXPECT_EQ(canvas->TextHeight("Measure"), small.cy);
    canvas->Font.Size = 18;
    const TSize large = canvas->TextExtent("Measure");
    EXPECT_GT(large.cx, small.cx);
    EXPECT_GT(large.cy, small.cy);
    EXPECT_EQ(canvas->TextExtent("").cx, 0);
    EXPECT_GT(canvas->TextWidth("测量"), canvas->TextWidth("ab"));
}

// Texts are rasterized once and then copied; the copy must give the pixels
// Qt draws for that text, also where the text is cut by the picture's edge
// and when the same text comes again in another colour.
TEST_F(TextTest, RepeatedAndClippedTextMatchesQtsOwnRendering)
{
    const std::string text = "L12: 3.5 mm 测量";
    const auto reference = [&](int x, int y, QColor color) {
        QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_RGB32);
        image.fill(Qt::white);
        QFont font(QString::fromStdString(canvas->Font.Name));
        font.setPixelSize(-canvas->Font.Height());
        font.setStyleStrategy(QFont::NoAntialias);
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(color);
        painter.drawText(QPoint(x, y + QFontMetrics(font).ascent()), QString::fromStdString(text));
        return image;
    };
    for (const auto& [x, y, color] : {std::tuple{2, 3, clBlack}, std::tuple{-9, -4, clRed}, std::tuple{70, 30, clBlue}}) {
        canvas->Brush.Style = bsSolid;
        canvas->Brush.Color = clWhite;
        canvas->FillRect({0, 0, bitmap.Width(), bitmap.Height()});
        canvas->Brush.Style = bsClear;
        canvas->Font.Color = color;
        canvas->TextOut(x, y, text);
        EXPECT_EQ(bitmap.Image(), reference(x, y, ToQColor(color))) << "text at " << x << ", " << y;
    }
}

// The shaped texts are shared and bounded: when a long session has drawn so
// many texts that they start afresh, every canvas, whatever its font, goes on
// drawing the same pixels.
TEST_F(TextTest, TextsDrawTheSameAfterTheSharedStoreStartsAfresh)
{
    TBitmap other;
    other.SetSize(120, 40);
    TCanvas* large = other.Canvas();
    large->Font.Size = 18;
    large->Font.Color = clBlack;
    const auto drawn = [](TBitmap& target, const std::string& text) {
        target.Canvas()->Brush.Style = bsSolid;
        target.Canvas()->Brush.Color = clWhite;
        target.Canvas()->FillRect({0, 0, target.Width(), target.Height()});
        target.Canvas()->Brush.Style = bsClear;
        target.Canvas()->TextOut(3, 2, text);
        return target.Image().copy();
    };
    const QImage smallBefore = drawn(bitmap, "P12 3.5");
    const QImage largeBefore = drawn(other, "测量 8");
    for (int i = 0; i < 9000; ++i)
        canvas->TextExtent(std::to_string(i));
    EXPECT_EQ(drawn(bitmap, "P12 3.5"), smallBefore);
    EXPECT_EQ(drawn(other, "测量 8"), largeBefore);
}

// A slot keeps a text's shaped form from one drawing to the next; it must
// never draw a text, a font or a store other than the ones in force.
TEST_F(TextTest, ATextSlotFollowsItsTextTheFontAndAFreshStore)
{
    const auto drawn = [&](const std::string& text, TTextSlot* slot) {
        canvas->Brush.Style = bsSolid;
        canvas->Brush.Color = clWhite;
        canvas->FillRect({0, 0, bitmap.Width(), bitmap.Height()});
        canvas->Brush.Style = bsClear;
        if (slot)
            canvas->TextOut(3, 2, text, *slot);
        else
            canvas->TextOut(3, 2, text);
        return bitmap.Image().copy();
    };
    TTextSlot slot;
    EXPECT_EQ(drawn("L1 12.5", &slot), drawn("L1 12.5", nullptr));
    EXPECT_EQ(drawn("L1 12.5", &slot), drawn("L1 12.5", nullptr)) << "drawn again from the slot";
    EXPECT_EQ(drawn("L1 13", &slot), drawn("L1 13", nullptr)) << "a new text";
    canvas->Font.Size = 16;
    EXPECT_EQ(drawn("L1 13", &slot), drawn("L1 13", nullptr)) << "a new font";
    for (int i = 0; i < 9000; ++i)
        canvas->TextExtent("fresh " + std::to_string(i));
    EXPECT_EQ(drawn("L1 13", &slot), drawn("L1 13", nullptr)) << "after the store started afresh";
}

TEST(TFont, HeightAndSizeFollowEachOtherAtNinetySixDpi)
{
    TFont font;
    EXPECT_EQ(font.Size, 9);
    EXPECT_EQ(font.Height(), -12);
    font.SetHeight(-16);
    EXPECT_EQ(font.Size, 12);
    font.SetHeight(0);
    EXPECT_EQ(font.Size, 12);
}

// ---------------------------------------------------------------- pictures

// A 2x2 checker: red, blue / blue, red.
void MakeChecker(TBitmap& checker)
{
    checker.SetSize(2, 2);
    checker.Canvas()->SetPixel(0, 0, kPen);
    checker.Canvas()->SetPixel(1, 0, kBrush);
    checker.Canvas()->SetPixel(0, 1, kBrush);
    checker.Canvas()->SetPixel(1, 1, kPen);
}

TEST_F(CanvasTest, StretchDrawScalesByNearestNeighbour)
{
    TBitmap checker;
    MakeChecker(checker);
    canvas->StretchDraw({1, 1, 7, 7}, checker);
    for (int y = 1; y < 4; ++y) {
        EXPECT_EQ(Row(y, 0, 7), ".###ooo.");
        EXPECT_EQ(Row(y + 3, 0, 7), ".ooo###.");
    }
    EXPECT_EQ(Row(7, 0, 7), "........");
}

TEST_F(CanvasTest, StretchDrawShrinksByTakingThePixelUnderEachCentre)
{
    TBitmap stripes;
    stripes.SetSize(6, 1);
    for (int x = 0; x < 6; ++x)
        stripes.Canvas()->SetPixel(x, 0, x % 3 == 1 ? kPen : clWhite);
    canvas->StretchDraw({0, 0, 2, 1}, stripes);
    EXPECT_EQ(Row(0, 0, 2), "##.");
}

TEST_F(CanvasTest, DrawCopiesOneToOneAndClips)
{
    TBitmap checker;
    MakeChecker(checker);
    canvas->Draw(3, 4, checker);
    EXPECT_EQ(Row(4, 2, 5), ".#o.");
    EXPECT_EQ(Row(5, 2, 5), ".o#.");
    canvas->Draw(-1, 19, checker);
    EXPECT_EQ(canvas->Pixels(0, 19), kBrush);
    canvas->Draw(INT_MAX, INT_MAX, checker);
    canvas->Draw(INT_MIN, INT_MIN, checker);
}

TEST_F(CanvasTest, CopyRectWithWhitenessWhitensTheRectangle)
{
    canvas->Brush.Style = bsSolid;
    canvas->Brush.Color = kBrush;
    canvas->FillRect({0, 0, 20, 20});
    const TCopyMode kept = canvas->CopyMode;
    canvas->CopyMode = cmWhiteness;
    canvas->CopyRect({2, 3, 6, 5}, *canvas, {2, 3, 6, 5});
    canvas->CopyMode = kept;
    EXPECT_EQ(Painted().size(), 400u - 8u);
    EXPECT_EQ(PaintedIn(clWhite), Box(2, 3, 6, 5));

    canvas->CopyMode = cmBlackness;
    canvas->CopyRect({0, 0, 1, 1}, *canvas, {0, 0, 1, 1});
    EXPECT_EQ(canvas->Pixels(0, 0), clBlack);
}

TEST_F(CanvasTest, CopyRectFromItselfReadsThePictureBeforeWriting)
{
    for (int x = 0; x < 5; ++x)
        canvas->SetPixel(x, 0, x % 2 ? kPen : kBrush);
    canvas->CopyRect({1, 0, 6, 1}, *canvas, {0, 0, 5, 1});
    EXPECT_EQ(Row(0, 0, 6), "oo#o#o.");
    canvas->CopyRect({0, 2, 15, 3}, *canvas, {0, 0, 5, 1}); // stretched three times
    EXPECT_EQ(Row(2, 0, 15), "oooooo###ooo###.");
}

TEST_F(CanvasTest, CopyRectMagnifiesAnotherCanvasThreeTimes)
{
    TBitmap checker;
    MakeChecker(checker);
    TBitmap zoom;
    zoom.SetSize(6, 6);
    zoom.Canvas()->CopyRect({0, 0, 6, 6}, *checker.Canvas(), {0, 0, 2, 2});
    canvas->Draw(0, 0, zoom);
    EXPECT_EQ(Row(0, 0, 6), "###ooo.");
    EXPECT_EQ(Row(5, 0, 6), "ooo###.");
}

TEST_F(CanvasTest, CopyRectLeavesPixelsWhoseSourceIsOutsideThePicture)
{
    TBitmap checker;
    MakeChecker(checker);
    canvas->CopyRect({0, 0, 4, 1}, *checker.Canvas(), {-1, 0, 3, 1});
    EXPECT_EQ(Row(0, 0, 4), ".#o..");
}

TEST_F(CanvasTest, PixelsOutsideTheTargetAreInvalidAndIgnored)
{
    canvas->SetPixel(3, 4, kGreen);
    EXPECT_EQ(canvas->Pixels(3, 4), kGreen);
    for (const auto& [x, y] : std::vector<Pixel>{{-1, 0}, {0, -1}, {20, 0}, {0, 20}, {INT_MIN, INT_MAX}}) {
        canvas->SetPixel(x, y, kPen);
        EXPECT_EQ(canvas->Pixels(x, y), clInvalid);
    }
    EXPECT_EQ(Painted(), (std::set<Pixel>{{3, 4}}));
}

TEST_F(CanvasTest, EveryDrawingOperationReportsAChange)
{
    int changes = 0;
    canvas->OnChange = [&] { ++changes; };
    TBitmap picture;
    picture.SetSize(2, 2);
    const TPoint points[] = {{0, 0}, {5, 5}, {0, 5}};
    canvas->MoveTo(1, 1);
    EXPECT_EQ(changes, 0) << "moving the pen changes no pixel";
    canvas->LineTo(5, 5);
    canvas->Rectangle(0, 0, 3, 3);
    canvas->FrameRect({0, 0, 3, 3});
    canvas->FillRect({0, 0, 3, 3});
    canvas->Ellipse(0, 0, 3, 3);
    canvas->Arc(0, 0, 3, 3, 0, 0, 3, 3);
    canvas->Polygon(points);
    canvas->Polyline(points);
    canvas->TextOut(0, 0, "a");
    canvas->Draw(0, 0, picture);
    canvas->StretchDraw({0, 0, 4, 4}, picture);
    canvas->CopyRect({0, 0, 2, 2}, *picture.Canvas(), {0, 0, 2, 2});
    canvas->SetPixel(100, 100, clRed);
    EXPECT_EQ(changes, 13);
}

TEST(TCanvas, CanvasWithoutTargetDrawsNothing)
{
    TCanvas canvas;
    canvas.MoveTo(0, 0);
    canvas.LineTo(10, 10);
    canvas.Rectangle(0, 0, 5, 5);
    canvas.Ellipse(0, 0, 5, 5);
    canvas.TextOut(0, 0, "x");
    canvas.SetPixel(0, 0, clRed);
    EXPECT_EQ(canvas.Pixels(0, 0), clInvalid);
    EXPECT_EQ(canvas.Width(), 0);
    EXPECT_GT(canvas.TextHeight("x"), 0) << "text is measured without a target";
}

TEST(TCanvas, TargetInAnotherFormatIsDrawnOnAsThirtyTwoBit)
{
    QImage image(4, 2, QImage::Format_RGB888);
    image.fill(Qt::white);
    TCanvas canvas(&image);
    canvas.Pen.Color = clRed;
    canvas.MoveTo(0, 1);
    canvas.LineTo(3, 1);
    EXPECT_EQ(image.format(), QImage::Format_RGB32);
    EXPECT_EQ(image.pixel(2, 1), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(3, 1), qRgb(255, 255, 255));
}

} // namespace

namespace {

// Lines, boxes, curves, a polygon and a text over a small picture.
void DrawSampleShapes(TCanvas& canvas)
{
    canvas.Pen.Color = clRed;
    canvas.Brush.Style = bsClear;
    canvas.MoveTo(1, 1);
    canvas.LineTo(30, 17);
    canvas.Rectangle(2, 3, 14, 9);
    canvas.Ellipse(10, 4, 29, 19);
    canvas.Arc(0, 0, 20, 20, 20, 10, 10, 0);
    const TPoint points[] = {{3, 18}, {12, 11}, {17, 19}};
    canvas.Brush.Style = bsSolid;
    canvas.Brush.Color = clBlue;
    canvas.Polygon(points);
    canvas.TextOut(4, 2, "12.5");
    canvas.SetPixel(31, 19, kGreen);
}

} // namespace

TEST(TCanvas, ABatchDrawsWhatSingleOperationsDrawAndLeavesSharedCopiesAlone)
{
    QImage single(32, 20, QImage::Format_RGB32);
    single.fill(Qt::white);
    TCanvas singleCanvas(&single);
    DrawSampleShapes(singleCanvas);

    // A target in another format, whose pixels a copy still shares when the
    // batch starts: the copy keeps the white picture.
    QImage batched(32, 20, QImage::Format_RGB888);
    batched.fill(Qt::white);
    const QImage sharedCopy = batched;
    TCanvas canvas(&batched);
    {
        const TCanvas::Batch batch(canvas);
        const TCanvas::Batch nested(canvas);
        EXPECT_EQ(canvas.Width(), 32);
        EXPECT_EQ(canvas.Height(), 20);
        DrawSampleShapes(canvas);
    }
    EXPECT_EQ(batched, single);
    EXPECT_EQ(sharedCopy.pixel(1, 1), qRgb(255, 255, 255));

    // After the batch, and with another target set during one, the canvas
    // draws on whatever its target is then.
    QImage other(8, 8, QImage::Format_RGB32);
    other.fill(Qt::white);
    {
        const TCanvas::Batch batch(canvas);
        canvas.SetTarget(&other);
        EXPECT_EQ(canvas.Width(), 8);
        canvas.SetPixel(7, 7, clRed);
        canvas.SetTarget(&batched);
    }
    EXPECT_EQ(other.pixel(7, 7), qRgb(255, 0, 0));
    batched = QImage(4, 4, QImage::Format_RGB32);
    batched.fill(Qt::white);
    canvas.SetPixel(3, 3, clRed);
    EXPECT_EQ(batched.pixel(3, 3), qRgb(255, 0, 0));
}
