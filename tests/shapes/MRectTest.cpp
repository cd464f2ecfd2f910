#include "ShapeTestSupport.h"

#include "shapes/MData.h"
#include "shapes/MRect.h"

#include <climits>

namespace {

class MRectTest : public ShapeFixture {
protected:
    // Clicked at (50, 80) and (10, 20): p1 is the lower right corner.
    std::unique_ptr<MRect> rect = MRect::Create(&canvas, 50, 80, 10, 20);
};

TEST_F(MRectTest, TwoClicksGiveOppositeCornersWithARubberBandBetween)
{
    MRect fresh(&canvas);
    EXPECT_EQ(fresh.GetKind(), KIND_RECT);
    Click(fresh, 50, 80);
    fresh.MouseMove(Qt::NoModifier, 10, 20);
    EXPECT_EQ(fresh.grabPoint, (TPoint{10, 20}));
    EXPECT_EQ(Row(20, 9, 51), "." + std::string(41, 'd') + ".");
    EXPECT_EQ(Column(10, 19, 81), "." + std::string(61, 'd') + ".");
    EXPECT_EQ(fresh.state, STATE_CREATING);

    Click(fresh, 10, 20);
    EXPECT_EQ(fresh.state, STATE_CREATED);
    EXPECT_EQ(fresh.GetEditState(), EDIT_IDLE);
    EXPECT_EQ(fresh.p1, (TPoint{50, 80}));
    EXPECT_EQ(fresh.p2, (TPoint{10, 20}));
    EXPECT_EQ(fresh.p3, (TPoint{50, 20}));
    EXPECT_EQ(fresh.p4, (TPoint{10, 80}));
    EXPECT_EQ(fresh.GetLabelPos(1), (TPoint{30, 80}));
    EXPECT_EQ(fresh.GetLabelPos(2), (TPoint{50, 50}));
    EXPECT_EQ(fresh.GetCenter(), (TPoint{30, 50}));
}

TEST_F(MRectTest, DragDrawingMakesARectangleByPressDragAndRelease)
{
    param->SetBool(OPT_DRAG_DRAW, true, false);
    MRect fresh(&canvas);
    fresh.MouseDown(Qt::LeftButton, Qt::NoModifier, 10, 10);
    fresh.MouseMove(Qt::NoModifier, 20, 30);
    fresh.MouseUp(Qt::LeftButton, Qt::NoModifier, 30, 40);
    EXPECT_EQ(fresh.state, STATE_CREATED);
    EXPECT_EQ(fresh.p2, (TPoint{30, 40}));
    EXPECT_EQ(fresh.p4, (TPoint{30, 10}));
}

TEST_F(MRectTest, ResultsOfASmallRectangleInPixelsAndMillimetres)
{
    EXPECT_EQ(rect->GetResults(), (std::vector<MItem>{
                                      {"Rectangle", "R1"}, {"Width", "40 px"}, {"Height", "60 px"}, {"Area", "2400 px*px"}}));
    rect->Draw(DRAW_NORMAL);
    EXPECT_EQ(rect->label1, "W:40");
    EXPECT_EQ(rect->label2, "H:60");

    Calibrate(0.01, "mm");
    EXPECT_EQ(rect->GetResults(), (std::vector<MItem>{
                                      {"Rectangle", "R1"}, {"Width", "0.4 mm"}, {"Height", "0.6 mm"}, {"Area", "0.24 mm*mm"}}));
    rect->Draw(DRAW_NORMAL);
    EXPECT_EQ(rect->label1, "W:0.4");
}

TEST_F(MRectTest, ARectangleWithoutWidthStillHitsAndMeasures)
{
    auto flat = MRect::Create(&canvas, 20, 20, 20, 60);
    EXPECT_EQ(flat->HitTest(22, 40), HIT_BODY);
    EXPECT_EQ(flat->GetResults(),
              (std::vector<MItem>{{"Rectangle", "R1"}, {"Width", "0 px"}, {"Height", "40 px"}, {"Area", "0 px*px"}}));
}

TEST_F(MRectTest, HitTestFindsCornersInTheirOrderThenEdgesThenLabels)
{
    // Corners p1 (50, 80), p2 (10, 20), p3 (50, 20), p4 (10, 80).
    const struct {
        int x, y, hit;
        TPoint grab;
    } cases[] = {
        {53, 83, HIT_POINT, {50, 80}}, {7, 17, HIT_POINT, {10, 20}}, {47, 23, HIT_POINT, {50, 20}},
        {13, 77, HIT_POINT, {10, 80}}, {54, 80, HIT_NONE, {}},      {30, 23, HIT_BODY, {}},
        {30, 24, HIT_NONE, {}},        {7, 50, HIT_BODY, {}},        {6, 50, HIT_NONE, {}},
        {53, 50, HIT_BODY, {}},        {30, 50, HIT_NONE, {}},
    };
    for (const auto& c : cases) {
        rect->grabPoint = {};
        EXPECT_EQ(rect->HitTest(c.x, c.y), c.hit) << c.x << "," << c.y;
        EXPECT_EQ(rect->grabPoint, c.grab) << c.x << "," << c.y;
    }

    // When two corners qualify, p1, p2, p4, p3 decides.
    auto tiny = MRect::Create(&canvas, 10, 10, 12, 12); // p3 (10, 12), p4 (12, 10)
    EXPECT_EQ(tiny->HitTest(11, 11), HIT_POINT);
    EXPECT_EQ(tiny->grabPoint, (TPoint{10, 10}));
    EXPECT_EQ(tiny->HitTest(14, 11), HIT_POINT);
    EXPECT_EQ(tiny->grabPoint, (TPoint{12, 12})) << "p2 before p4";
    EXPECT_EQ(tiny->HitTest(8, 11), HIT_POINT);
    EXPECT_EQ(tiny->grabPoint, (TPoint{10, 10})) << "p1 before p3";

    // Label 1 "W:40" at (30, 80) once drawn: a corner or edge still comes first.
    EXPECT_EQ(rect->HitTest(40, 88), HIT_NONE);
    rect->Draw(DRAW_NORMAL);
    EXPECT_EQ(rect->HitTest(40, 88), HIT_LABEL);
    EXPECT_EQ(rect->HitTest(32, 82), HIT_BODY);
}

TEST_F(MRectTest, EachCornerReshapesItsTwoSides)
{
    const struct {
        TPoint corner, to;
        TPoint p1, p2, p3, p4;
    } cases[] = {
        {{50, 80}, {55, 73}, {55, 73}, {10, 20}, {55, 20}, {10, 73}},
        {{10, 20}, {15, 13}, {50, 80}, {15, 13}, {50, 13}, {15, 80}},
        {{50, 20}, {55, 13}, {55, 80}, {10, 13}, {55, 13}, {10, 80}},
        {{10, 80}, {15, 73}, {50, 73}, {15, 20}, {50, 20}, {15, 73}},
        {{10, 80}, {70, 10}, {50, 10}, {70, 20}, {50, 20}, {70, 10}}, // across the opposite edges
    };
    for (const auto& c : cases) {
        auto shape = MRect::Create(&canvas, 50, 80, 10, 20);
        shape->MouseDown(Qt::LeftButton, Qt::NoModifier, c.corner.x + 1, c.corner.y - 1);
        ASSERT_EQ(shape->GetEditState(), EDIT_RESHAPE) << c.corner;
        shape->MouseMove(Qt::NoModifier, c.to.x + 1, c.to.y - 1);
        EXPECT_EQ(shape->p1, (TPoint{50, 80})) << "only previewed while dragging";
        const TPoint moved = shape->MouseUp(Qt::LeftButton, Qt::NoModifier, c.to.x + 1, c.to.y - 1);
        EXPECT_EQ(moved, c.to) << c.corner;
        EXPECT_EQ(shape->p1, c.p1) << c.corner;
        EXPECT_EQ(shape->p2, c.p2) << c.corner;
        EXPECT_EQ(shape->p3, c.p3) << c.corner;
        EXPECT_EQ(shape->p4, c.p4) << c.corner;
    }
}

TEST_F(MRectTest, ReshapePreviewDrawsTheMovedRectangleWithOneHandle)
{
    rect->MouseDown(Qt::LeftButton, Qt::NoModifier, 10, 80); // p4
    rect->MouseMove(Qt::NoModifier, 15, 73);
    EXPECT_EQ(At(15, 73), 'b') << "cross at the dragged corner";
    EXPECT_EQ(At(12, 70), 'a');
    EXPECT_EQ(Row(73, 16, 49), std::string(34, 'a')) << "the moved bottom edge";
    EXPECT_EQ(Column(50, 21, 72), std::string(52, 'a')) << "the fixed right edge, shortened";
    EXPECT_EQ(At(50, 76), '.');
    EXPECT_EQ(At(47, 17), '.') << "no handle at the other corners";
}

TEST_F(MRectTest, DrawsEdgesAndHandlesWhenActive)
{
    rect->selected = false;
    rect->marked = false;
    rect->Draw(DRAW_NORMAL);
    EXPECT_EQ(Row(20, 9, 51), "." + std::string(41, 'n') + ".");
    EXPECT_EQ(Row(80, 9, 51), "." + std::string(41, 'n') + ".");
    EXPECT_EQ(Column(50, 19, 81), "." + std::string(61, 'n') + ".");
    EXPECT_EQ(At(13, 23), '.');

    image.fill(ToQRgb(kBackground));
    rect->Draw(DRAW_ACTIVE);
    for (TPoint corner : {TPoint{50, 80}, TPoint{10, 20}, TPoint{50, 20}, TPoint{10, 80}}) {
        EXPECT_EQ(At(corner.x, corner.y), 'b') << corner;
        EXPECT_EQ(At(corner.x + 3, corner.y + 3), 'a') << corner;
    }

    image.fill(ToQRgb(kBackground));
    rect->marked = true;
    rect->Draw(DRAW_ACTIVE);
    EXPECT_GT(Count(kMarkFont), 0);
    EXPECT_GT(Count(kMark), 0) << "the labels are framed";
}

TEST_F(MRectTest, DraggingAnEdgeMovesAllCorners)
{
    Drag(*rect, {30, 21}, {35, 26});
    EXPECT_EQ(rect->p1, (TPoint{55, 85}));
    EXPECT_EQ(rect->p2, (TPoint{15, 25}));
    EXPECT_EQ(rect->p3, (TPoint{55, 25}));
    EXPECT_EQ(rect->p4, (TPoint{15, 85}));
    EXPECT_TRUE(rect->InRect(15, 25, 55, 85));
    EXPECT_FALSE(rect->InRect(16, 25, 55, 85));
    EXPECT_FALSE(rect->InRect(15, 25, 55, 84));
}

TEST_F(MRectTest, LabelsAreDraggedApart)
{
    rect->Draw(DRAW_NORMAL);
    Drag(*rect, {45, 90}, {45, 110}); // label 1 "W:40" lies at (30, 80)
    EXPECT_EQ(rect->labelOffset1, (TPoint{0, 20}));
    EXPECT_EQ(rect->labelOffset2, (TPoint{0, 0}));
    EXPECT_EQ(rect->p1, (TPoint{50, 80}));
}

TEST_F(MRectTest, MagnifierShowsTheEdges)
{
    QImage zoomImage(100, 100, QImage::Format_RGB32);
    zoomImage.fill(ToQRgb(kBackground));
    TCanvas zoomCanvas(&zoomImage);
    MShape::SetZoomCanvas(&zoomCanvas, {0, 0});
    auto small = MRect::Create(&canvas, 2, 2, 5, 4);
    small->selected = false;
    small->marked = false;
    small->Draw(DRAW_NORMAL);
    // Row 2 from x 2 to 5 is row 7 from x 7 to 16 in the magnifier.
    EXPECT_EQ(Row(zoomImage, 7, 6, 17), ".nnnnnnnnnn.");
    EXPECT_EQ(Row(zoomImage, 13, 6, 17), ".nnnnnnnnnn.");
}

TEST_F(MRectTest, RecordRoundTripGrowsAnOddSizeByOnePixel)
{
    auto seven = MRect::Create(&canvas, 0, 0, 7, 7);
    MData data;
    ASSERT_TRUE(seven->ToData(data, false));
    EXPECT_EQ(data.point.GetCaption(), "Center Point");
    EXPECT_EQ(data.length[0].GetCaption(), "Width");
    EXPECT_EQ(data.length[1].GetCaption(), "Height");
    EXPECT_EQ(data.point.GetTextX(), "4") << "the rounded midpoint";
    EXPECT_EQ(seven->GetCenter(), (TPoint{3, 3})) << "the truncated one";
    EXPECT_EQ(data.length[0].GetText(), "7");
    EXPECT_TRUE(seven->ReadData(data));
    EXPECT_EQ(seven->p1, (TPoint{0, 0}));
    EXPECT_EQ(seven->p2, (TPoint{8, 8}));
    EXPECT_EQ(seven->p3, (TPoint{0, 8}));
    EXPECT_EQ(seven->p4, (TPoint{8, 0}));

    // An edited record makes p1 the upper left corner.
    MData edit;
    edit.SetImageHeight(100);
    ASSERT_TRUE(rect->ToData(edit, false));
    EXPECT_EQ(edit.point.GetTextY(), "50");
    edit.length[1].SetText("20");
    EXPECT_TRUE(rect->FromData(edit));
    EXPECT_EQ(rect->p1, (TPoint{10, 40}));
    EXPECT_EQ(rect->p2, (TPoint{50, 60}));
}

TEST_F(MRectTest, BlankRecordShowsZerosAndIsNotReadBack)
{
    MData data;
    ASSERT_TRUE(rect->ToData(data, true));
    EXPECT_EQ(data.point.GetTextX(), "0");
    EXPECT_EQ(data.length[0].GetText(), "0");
    EXPECT_EQ(data.length[1].GetText(), "0");
    EXPECT_EQ(data.length[1].GetCaption(), "Height");
    EXPECT_FALSE(rect->FromData(data));
    EXPECT_EQ(rect->p1, (TPoint{50, 80}));
}

TEST_F(MRectTest, DerivesItsCentre)
{
    EXPECT_EQ(rect->DeriveCaptions(), std::vector<std::string>{"Create Center Point"});
    auto centre = rect->DeriveShapes(&canvas, 1);
    ASSERT_EQ(centre.size(), 1u);
    EXPECT_EQ(centre[0]->GetKind(), KIND_POINT);
    EXPECT_EQ(centre[0]->p1, (TPoint{30, 50}));
    EXPECT_TRUE(rect->DeriveShapes(&canvas, 2).empty());
}

TEST_F(MRectTest, CoordinatesFarOutsideThePictureSaturate)
{
    MData data;
    ASSERT_TRUE(rect->ToData(data, false));
    data.length[0].SetText("1e12");
    EXPECT_TRUE(rect->FromData(data));
    EXPECT_LT(rect->p1.x, -2'000'000'000);
    EXPECT_EQ(rect->p2.x, INT_MAX);
    rect->Draw(DRAW_ACTIVE);
    rect->Move(INT_MAX, INT_MIN);
    Drag(*rect, rect->p3, {INT_MIN, INT_MAX});
    rect->GetResults();
}

} // namespace
