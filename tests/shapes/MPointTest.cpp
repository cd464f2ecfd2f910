#include "ShapeTestSupport.h"

#include "shapes/MData.h"
#include "shapes/MPoint.h"

namespace {

class MPointTest : public ShapeFixture {
protected:
    // A point finished at (40, 50).
    std::unique_ptr<MPoint> point = MPoint::Create(&canvas, 40, 50);
};

TEST_F(MPointTest, OneClickMakesAPoint)
{
    MPoint fresh(&canvas);
    EXPECT_EQ(fresh.GetKind(), KIND_POINT);
    fresh.MouseMove(Qt::NoModifier, 5, 5);
    EXPECT_EQ(fresh.state, STATE_CREATING);
    fresh.MouseDown(Qt::LeftButton, Qt::NoModifier, 12, 34);
    EXPECT_EQ(fresh.state, STATE_CREATED);
    EXPECT_EQ(fresh.GetEditState(), EDIT_IDLE);
    EXPECT_EQ(fresh.clicks, 1);
    EXPECT_EQ(fresh.p1, (TPoint{12, 34}));
    EXPECT_EQ(fresh.MouseUp(Qt::LeftButton, Qt::NoModifier, 20, 20), (TPoint{0, 0}));
    EXPECT_EQ(fresh.p1, (TPoint{12, 34}));
}

TEST_F(MPointTest, DragDrawingTakesThePressNotTheRelease)
{
    param->SetBool(OPT_DRAG_DRAW, true, false);
    MPoint fresh(&canvas);
    fresh.MouseDown(Qt::LeftButton, Qt::NoModifier, 12, 34);
    fresh.MouseUp(Qt::LeftButton, Qt::NoModifier, 20, 20);
    EXPECT_EQ(fresh.p1, (TPoint{12, 34}));
    EXPECT_EQ(fresh.clicks, 1);
}

TEST_F(MPointTest, ResultsAreTypeAndNameOnly)
{
    point->number = 3;
    EXPECT_EQ(point->GetResults(), (std::vector<MItem>{{"Point", "P3"}}));
    EXPECT_EQ(point->GetCenter(), (TPoint{40, 50}));
    EXPECT_TRUE(point->DeriveCaptions().empty());
}

TEST_F(MPointTest, IsHitWithinTheToleranceAndOnePixelMore)
{
    const struct {
        int dx, dy, hit;
    } cases[] = {
        {0, 0, HIT_BODY}, {4, 4, HIT_BODY}, {-4, -4, HIT_BODY}, {4, -4, HIT_BODY},
        {5, 0, HIT_NONE}, {0, -5, HIT_NONE}, {5, 5, HIT_NONE},
    };
    for (const auto& c : cases)
        EXPECT_EQ(point->HitTest(40 + c.dx, 50 + c.dy), c.hit) << c.dx << "," << c.dy;

    param->SetActiveWidth(0);
    EXPECT_EQ(point->HitTest(41, 51), HIT_BODY);
    EXPECT_EQ(point->HitTest(42, 50), HIT_NONE);
}

TEST_F(MPointTest, IsMovedNeverReshaped)
{
    point->MouseDown(Qt::LeftButton, Qt::NoModifier, 42, 52);
    EXPECT_EQ(point->GetEditState(), EDIT_MOVE);
    EXPECT_EQ(point->GetCursor(EDIT_MOVE), crCross);
    point->MouseMove(Qt::NoModifier, 52, 47);
    EXPECT_EQ(point->p1, (TPoint{50, 45}));
    // The preview of the moved point, in the normal colour.
    EXPECT_EQ(At(47, 42), 'n');
    EXPECT_EQ(At(50, 45), 'b');
    EXPECT_EQ(point->MouseUp(Qt::LeftButton, Qt::NoModifier, 52, 47), (TPoint{0, 0}));
    EXPECT_EQ(point->GetEditState(), EDIT_IDLE);
    EXPECT_EQ(point->p1, (TPoint{50, 45}));
}

TEST_F(MPointTest, CursorIsTheCrossOverThePoint)
{
    EXPECT_EQ(point->GetCursor(HIT_BODY), crCross);
    EXPECT_EQ(point->GetCursor(HIT_NONE), crDefault);
    EXPECT_EQ(point->GetCursor(HIT_LABEL), crSizeAll);
}

TEST_F(MPointTest, LiesInARectangleBordersIncluded)
{
    EXPECT_TRUE(point->InRect(40, 50, 40, 50));
    EXPECT_TRUE(point->InRect(0, 0, 100, 100));
    EXPECT_FALSE(point->InRect(41, 0, 100, 100));
    EXPECT_FALSE(point->InRect(0, 0, 100, 49));
}

TEST_F(MPointTest, DrawsAnXWithTheCentreInTheBrushColour)
{
    point->selected = false;
    point->Draw(DRAW_NORMAL);
    EXPECT_EQ(Row(47, 36, 44), ".n.....n.");
    EXPECT_EQ(Row(50, 36, 44), "....b....");
    EXPECT_EQ(Row(53, 36, 44), ".n.....n.");
    EXPECT_EQ(Row(54, 36, 44), ".........");

    // Highlighted it grows by one pixel.
    image.fill(ToQRgb(kBackground));
    point->Draw(DRAW_ACTIVE);
    EXPECT_EQ(Row(46, 35, 45), ".a.......a.");
    EXPECT_EQ(Row(50, 35, 45), ".....b.....");
}

TEST_F(MPointTest, NameIsDrawnUnlessTurnedOff)
{
    param->SetBool(OPT_MARK_BG, true, false);
    point->Draw(DRAW_NORMAL);
    EXPECT_EQ(At(25, 35), 'g');
    image.fill(ToQRgb(kBackground));
    param->SetBool(OPT_VIEW_NAME, false, false);
    point->Draw(DRAW_NORMAL);
    EXPECT_EQ(At(25, 35), '.');
}

TEST_F(MPointTest, RecordShowsYCountedUpwardsAndRebuildsTheEditedPoint)
{
    MData data;
    data.SetImageHeight(100);
    ASSERT_TRUE(point->ToData(data, false));
    EXPECT_EQ(data.point.GetCaption(), "Center Point");
    EXPECT_EQ(data.point.GetTextX(), "40");
    EXPECT_EQ(data.point.GetTextY(), "50");
    EXPECT_FALSE(point->FromData(data)) << "unedited";

    point->p1 = {10, 30};
    ASSERT_TRUE(point->ToData(data, false));
    EXPECT_EQ(data.point.GetTextY(), "70");
    data.point.SetText("12.7", "80");
    EXPECT_TRUE(point->FromData(data));
    EXPECT_EQ(point->p1, (TPoint{12, 20}));

    ASSERT_TRUE(point->ToData(data, true));
    EXPECT_EQ(data.point.GetTextX(), "0");
    EXPECT_EQ(data.point.GetTextY(), "0");
}

TEST_F(MPointTest, RecordIsInTheCalibratedUnit)
{
    Calibrate(0.5, "mm");
    MData data;
    ASSERT_TRUE(point->ToData(data, false));
    EXPECT_EQ(data.point.GetTextX(), "20");
    data.point.SetText("30", "25");
    EXPECT_TRUE(point->FromData(data));
    EXPECT_EQ(point->p1, (TPoint{60, 50}));
}

} // namespace
