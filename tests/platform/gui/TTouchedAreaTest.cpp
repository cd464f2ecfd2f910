// The touched area: marks fall into tiles, are cut to the picture, and come
// back as runs of neighbouring tiles row by row.
#include "platform/gui/TTouchedArea.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

constexpr int T = TTouchedArea::kTileSize;

TEST(TTouchedArea, MarksComeBackAsRunsOfTilesCutToThePicture)
{
    struct Case {
        const char* what;
        void (*mark)(TTouchedArea&);
        std::vector<TRect> runs; // on a picture of 3.5 by 2.5 tiles
    };
    const Case cases[] = {
        {"nothing", [](TTouchedArea&) {}, {}},
        {"a pixel", [](TTouchedArea& a) { a.AddPixel(T + 1, 1); }, {{T, 0, 2 * T, T}}},
        {"a pixel in the last, partial tile", [](TTouchedArea& a) { a.AddPixel(3 * T + 2, 2 * T + 3); },
         {{3 * T, 2 * T, 3 * T + T / 2, 2 * T + T / 2}}},
        {"a span over three tiles", [](TTouchedArea& a) { a.AddSpan(T, 5, 2 * T + 5); }, {{0, T, 3 * T, 2 * T}}},
        {"two tiles apart in a row",
         [](TTouchedArea& a) {
             a.AddPixel(1, 1);
             a.AddPixel(2 * T + 1, 1);
         },
         {{0, 0, T, T}, {2 * T, 0, 3 * T, T}}},
        {"a box over two rows", [](TTouchedArea& a) { a.AddBox(T - 1, T - 1, T + 1, T + 1); },
         {{0, 0, 2 * T, T}, {0, T, 2 * T, 2 * T}}},
        {"an empty box and an empty span",
         [](TTouchedArea& a) {
             a.AddBox(5, 5, 5, 9);
             a.AddSpan(5, 9, 8);
         },
         {}},
        {"off the picture",
         [](TTouchedArea& a) {
             a.AddPixel(-1, 0);
             a.AddPixel(0, 3 * T);
             a.AddSpan(-1, 0, 10);
             a.AddBox(4 * T, 0, 5 * T, T);
         },
         {}},
        {"far beyond it on every side", [](TTouchedArea& a) { a.AddBox(INT64_MIN / 2, -5, INT64_MAX / 2, 1); },
         {{0, 0, 3 * T + T / 2, T}}},
    };
    for (const Case& c : cases) {
        TTouchedArea area;
        area.Reset(3 * T + T / 2, 2 * T + T / 2);
        c.mark(area);
        EXPECT_EQ(area.Empty(), c.runs.empty()) << c.what;
        EXPECT_EQ(area.Take(), c.runs) << c.what;
        EXPECT_TRUE(area.Empty()) << c.what << ": taking empties it";
        EXPECT_TRUE(area.Take().empty()) << c.what;
    }
}

TEST(TTouchedArea, BoundsHoldEveryTouchedTile)
{
    TTouchedArea area;
    area.Reset(10 * T, 10 * T);
    EXPECT_EQ(area.Bounds(), TRect{});
    area.AddPixel(3 * T, 2 * T);
    area.AddPixel(T + 4, 7 * T + 4);
    EXPECT_EQ(area.Bounds(), (TRect{T, 2 * T, 4 * T, 8 * T}));
    area.Take();
    EXPECT_EQ(area.Bounds(), TRect{});
    area.AddPixel(0, 0);
    EXPECT_EQ(area.Bounds(), (TRect{0, 0, T, T})) << "the bounds start afresh after taking";
}

TEST(TTouchedArea, ResettingForgetsTheMarksAndTakesTheNewSize)
{
    TTouchedArea area;
    area.Reset(4 * T, 4 * T);
    area.AddPixel(3 * T, 3 * T);
    area.Reset(2 * T, T);
    EXPECT_TRUE(area.Empty());
    area.AddPixel(3 * T, 0);
    EXPECT_TRUE(area.Empty()) << "beyond the new size";
    area.AddPixel(T, 0);
    EXPECT_EQ(area.Take(), (std::vector<TRect>{{T, 0, 2 * T, T}}));

    TTouchedArea none;
    none.Reset(-3, 0);
    none.AddBox(0, 0, 10, 10);
    EXPECT_TRUE(none.Empty());
}

} // namespace
