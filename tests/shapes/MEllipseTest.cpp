#include "ShapeTestSupport.h"

#include "shapes/MData.h"
#include "shapes/MEllipse.h"

#include <climits>

namespace {

class MEllipseTest : public ShapeFixture {
protected:
    // Axes 80 and 40 around (60, 60): top (60, 40), left (20, 60),
    // bottom (60, 80), right (100, 60).
    std::unique_ptr<MEllipse> ellipse = MEllipse::Create(&canvas, {20, 40, 100, 80});
};

TEST_F(MEllipseTest, TwoClicksGiveTheBoxAndTheControlPoints)
{
    MEllipse fresh(&canvas);
    EXPECT_EQ(fresh.GetKind(), KIND_ELLIPSE);
    Click(fresh, 10, 10);
    Click(fresh, 41, 30);
    EXPECT_EQ(fresh.state, STATE_CREATED);
    EXPECT_EQ(fresh.bounds, (TRect{10, 10, 41, 30}));
    EXPECT_EQ(fresh.center, (TPoint{25, 20}));
    EXPECT_EQ(fresh.top, (TPoint{25, 10}));
    EXPECT_EQ(fresh.left, (TPoint{10, 20}));
    EXPECT_EQ(fresh.bottom, (TPoint{25, 30}));
    EXPECT_EQ(fresh.right, (TPoint{41, 20}));
    EXPECT_EQ(fresh.GetResults(), (std::vector<MItem>{{"Ellipse", "E1"},
                                                      {"Horizontal Length", "31 px"},
                                                      {"Vertical Length", "20 px"},
                                                      {"Area", "486.9469 px*px"}}));
    Calibrate(0.5, "mm");
    EXPECT_EQ(fresh.GetResults()[1].value, "15.5 mm");
    EXPECT_EQ(fresh.GetResults()[3].value, "121.7367 mm*mm");
    fresh.Draw(DRAW_NORMAL);
    EXPECT_EQ(fresh.label1, "A:15.5");
    EXPECT_EQ(fresh.label2, "B:10");
}

TEST_F(MEllipseTest, ClicksUpAndLeftKeepTheControlPointsOnTheFirstClicksEdges)
{
    MEllipse fresh(&canvas);
    Click(fresh, 40, 40);
    Click(fresh, 10, 20);
    EXPECT_EQ(fresh.bounds, (TRect{40, 40, 10, 20})) << "not normalized";
    EXPECT_EQ(fresh.top, (TPoint{25, 40})) << "on the lower edge on screen";
    EXPECT_EQ(fresh.bottom, (TPoint{25, 20}));
    EXPECT_EQ(fresh.left, (TPoint{40, 30}));
    EXPECT_EQ(fresh.right, (TPoint{10, 30}));
    EXPECT_EQ(fresh.GetResults()[1].value, "30 px");
    EXPECT_EQ(fresh.GetResults()[2].value, "20 px");
    ASSERT_EQ(fresh.HitTest(25, 40), HIT_POINT);
    EXPECT_EQ(fresh.GetCursor(HIT_POINT), crSizeNS);
    EXPECT_TRUE(fresh.InRect(10, 20, 40, 40));
    EXPECT_FALSE(fresh.InRect(11, 20, 40, 40));
    EXPECT_FALSE(fresh.InRect(10, 20, 40, 39));
}

TEST_F(MEllipseTest, ASecondClickOnTheFirstGivesAxesOfOnePixel)
{
    MEllipse dot(&canvas);
    Click(dot, 30, 30);
    Click(dot, 30, 30);
    EXPECT_EQ(dot.p2, (TPoint{31, 31}));
    EXPECT_EQ(dot.GetHorizontalAxis(), 1.0);
    EXPECT_EQ(dot.GetVerticalAxis(), 1.0);

    MEllipse edge(&canvas);
    Click(edge, INT_MAX, 30);
    Click(edge, INT_MAX, 40);
    EXPECT_EQ(edge.GetHorizontalAxis(), 1.0) << "pushed inward at the end of the range";
}

TEST_F(MEllipseTest, RubberBandAndDragDrawing)
{
    param->SetBool(OPT_DRAG_DRAW, true, false);
    MEllipse fresh(&canvas);
    fresh.MouseDown(Qt::LeftButton, Qt::NoModifier, 10, 10);
    fresh.MouseMove(Qt::NoModifier, 41, 30);
    EXPECT_EQ(fresh.state, STATE_CREATING);
    EXPECT_EQ(fresh.bounds, (TRect{10, 10, 41, 30}));
    EXPECT_EQ(At(25, 20), 'b') << "plus mark at the centre";
    EXPECT_EQ(At(10, 20), 'd');
    EXPECT_EQ(At(41, 20), 'd');
    EXPECT_EQ(At(25, 30), 'd');
    fresh.MouseUp(Qt::LeftButton, Qt::NoModifier, 41, 30);
    EXPECT_EQ(fresh.state, STATE_CREATED);
    EXPECT_EQ(fresh.right, (TPoint{41, 20}));
}

TEST_F(MEllipseTest, HitTestFindsControlPointsThenTheEllipseLineThenLabels)
{
    // Along the direction (2, 1) from the centre the outline lies at (28, 14);
    // straight up it lies at -19, the truncated -19.99.
    const struct {
        int x, y, hit;
        TPoint grab;
    } cases[] = {
        {63, 37, HIT_POINT, {60, 40}}, {57, 83, HIT_POINT, {60, 80}}, {17, 63, HIT_POINT, {20, 60}},
        {103, 57, HIT_POINT, {100, 60}}, {104, 60, HIT_NONE, {}},     {60, 44, HIT_BODY, {}},
        {60, 45, HIT_NONE, {}},
        {84, 72, HIT_NONE, {}},        {86, 73, HIT_BODY, {}},        {90, 75, HIT_BODY, {}},
        {92, 76, HIT_NONE, {}},        {60, 60, HIT_NONE, {}},
    };
    for (const auto& c : cases) {
        ellipse->grabPoint = {};
        EXPECT_EQ(ellipse->HitTest(c.x, c.y), c.hit) << c.x << "," << c.y;
        EXPECT_EQ(ellipse->grabPoint, c.grab) << c.x << "," << c.y;
    }

    // Label 1 "A:80" at (80, 60), label 2 "B:40" at (60, 40).
    EXPECT_EQ(ellipse->HitTest(90, 66), HIT_NONE);
    ellipse->Draw(DRAW_NORMAL);
    EXPECT_EQ(ellipse->HitTest(90, 66), HIT_LABEL);
    ellipse->MouseDown(Qt::LeftButton, Qt::NoModifier, 90, 66);
    EXPECT_EQ(ellipse->dragLabel, 1);
}

TEST_F(MEllipseTest, EachControlPointMovesOnlyItsEdge)
{
    // The preview moves the edge by the drag; the commit by twice the
    // rounded half of it.
    const struct {
        TPoint handle, drag;
        TRect preview, committed;
        TPoint moved, center;
    } cases[] = {
        {{100, 60}, {5, 0}, {20, 40, 105, 80}, {20, 40, 106, 80}, {106, 60}, {63, 60}},
        {{60, 40}, {0, -7}, {20, 33, 100, 80}, {20, 32, 100, 80}, {60, 32}, {60, 56}},
        {{60, 80}, {0, 5}, {20, 40, 100, 85}, {20, 40, 100, 86}, {60, 86}, {60, 63}},
        {{20, 60}, {-5, 0}, {15, 40, 100, 80}, {14, 40, 100, 80}, {14, 60}, {57, 60}},
        // Collapsed onto the other side: the axis reads 0, the box keeps a pixel.
        {{100, 60}, {-80, 0}, {20, 40, 20, 80}, {20, 40, 21, 80}, {20, 60}, {21, 60}},
    };
    for (const auto& c : cases) {
        auto shape = MEllipse::Create(&canvas, {20, 40, 100, 80});
        const TPoint to = MTool::AddPoints(c.handle, c.drag);
        shape->MouseDown(Qt::LeftButton, Qt::NoModifier, c.handle.x, c.handle.y);
        ASSERT_EQ(shape->GetEditState(), EDIT_RESHAPE) << c.handle;
        shape->MouseMove(Qt::NoModifier, to.x, to.y);
        EXPECT_EQ(shape->previewBounds, c.preview) << c.handle;
        EXPECT_EQ(shape->previewPoint, to) << c.handle;
        EXPECT_EQ(shape->MouseUp(Qt::LeftButton, Qt::NoModifier, to.x, to.y), c.moved) << c.handle;
        EXPECT_EQ(shape->bounds, c.committed) << c.handle;
        EXPECT_EQ(shape->center, c.center) << c.handle;
    }

    auto collapsed = MEllipse::Create(&canvas, {20, 40, 100, 80});
    Drag(*collapsed, {100, 60}, {20, 60});
    EXPECT_EQ(collapsed->GetResults()[1].value, "0 px");
    EXPECT_EQ(collapsed->GetResults()[3].value, "0 px*px");
    EXPECT_EQ(collapsed->GetResults()[2].value, "40 px");
}

TEST_F(MEllipseTest, ReshapePreviewAndCursors)
{
    ellipse->MouseDown(Qt::LeftButton, Qt::NoModifier, 100, 60);
    EXPECT_EQ(ellipse->GetCursor(EDIT_RESHAPE), crSizeWE);
    ellipse->MouseMove(Qt::NoModifier, 110, 60);
    EXPECT_EQ(At(110, 60), 'b') << "cross at the dragged point";
    EXPECT_EQ(At(107, 57), 'a');
    EXPECT_EQ(At(65, 40), 'a') << "the preview ellipse";
    EXPECT_EQ(ellipse->HitTest(60, 80), HIT_POINT);
    EXPECT_EQ(ellipse->GetCursor(HIT_POINT), crSizeNS);
    EXPECT_EQ(ellipse->GetCursor(HIT_BODY), crSizeAll);
    MEllipse fresh(&canvas);
    EXPECT_EQ(fresh.GetCursor(HIT_POINT), crCross) << "while creating";
}

TEST_F(MEllipseTest, DrawsOutlineCentreAxesAndHandles)
{
    ellipse->selected = false;
    ellipse->marked = false;
    ellipse->Draw(DRAW_NORMAL);
    for (TPoint on : {TPoint{60, 40}, TPoint{20, 60}, TPoint{60, 80}, TPoint{100, 60}})
        EXPECT_EQ(At(on.x, on.y), 'n') << on;
    EXPECT_EQ(At(101, 60), '.');
    EXPECT_EQ(At(60, 60), 'b');
    EXPECT_EQ(At(57, 60), 'n');
    EXPECT_EQ(At(40, 60), '.') << "no axes without labels";

    image.fill(ToQRgb(kBackground));
    ellipse->Draw(DRAW_ACTIVE);
    EXPECT_EQ(At(17, 57), 'a') << "handle at the left point";
    EXPECT_EQ(At(97, 57), 'a');

    image.fill(ToQRgb(kBackground));
    ellipse->marked = true;
    ellipse->Draw(DRAW_NORMAL);
    EXPECT_EQ(Row(60, 21, 79), std::string(59, 'm')) << "the horizontal axis, up to the label";
    EXPECT_EQ(Column(60, 48, 79), std::string(32, 'm')) << "the vertical axis, below the label";
    EXPECT_EQ(At(23, 59), 'm') << "arrowhead at the left point";
}

TEST_F(MEllipseTest, ShortAxesLoseTheirArrowheads)
{
    auto small = MEllipse::Create(&canvas, {10, 10, 19, 15}); // axes 9 and 5
    small->Draw(DRAW_NORMAL);
    EXPECT_EQ(Count(kMark), 10 + 6 - 1) << "only the two axis lines";

    image.fill(ToQRgb(kBackground));
    auto wider = MEllipse::Create(&canvas, {10, 10, 20, 15}); // a horizontal axis of 10
    wider->Draw(DRAW_NORMAL);
    EXPECT_GT(Count(kMark), 11 + 6 - 1) << "arrowheads on the horizontal axis";
}

TEST_F(MEllipseTest, MagnifierShowsTheEllipse)
{
    QImage zoomImage(100, 100, QImage::Format_RGB32);
    zoomImage.fill(ToQRgb(kBackground));
    TCanvas zoomCanvas(&zoomImage);
    MShape::SetZoomCanvas(&zoomCanvas, {0, 0});
    auto small = MEllipse::Create(&canvas, {2, 2, 20, 10});
    small->selected = false;
    small->marked = false;
    small->Draw(DRAW_NORMAL);
    // The left point (2, 6) is (7, 19) in the magnifier, the top (11, 2) is (34, 7).
    EXPECT_EQ(zoomImage.pixel(7, 19), ToQRgb(kNormal));
    EXPECT_EQ(zoomImage.pixel(6, 19), ToQRgb(kBackground));
    EXPECT_EQ(zoomImage.pixel(34, 7), ToQRgb(kNormal));
    EXPECT_EQ(zoomImage.pixel(34, 6), ToQRgb(kBackground));
}

TEST_F(MEllipseTest, MovingCarriesEverything)
{
    Drag(*ellipse, {90, 75}, {95, 70});
    EXPECT_EQ(ellipse->bounds, (TRect{25, 35, 105, 75}));
    EXPECT_EQ(ellipse->center, (TPoint{65, 55}));
    EXPECT_EQ(ellipse->right, (TPoint{105, 55}));
    EXPECT_EQ(ellipse->top, (TPoint{65, 35}));
}

TEST_F(MEllipseTest, RecordRoundTripGrowsAnOddAxisByOnePixel)
{
    auto odd = MEllipse::Create(&canvas, {10, 10, 41, 30});
    MData data;
    data.SetImageHeight(100);
    ASSERT_TRUE(odd->ToData(data, false));
    EXPECT_EQ(data.point.GetCaption(), "Center Point");
    EXPECT_EQ(data.length[0].GetCaption(), "Horizontal Length");
    EXPECT_EQ(data.length[1].GetCaption(), "Vertical Length");
    EXPECT_EQ(data.point.GetTextX(), "25");
    EXPECT_EQ(data.point.GetTextY(), "80");
    EXPECT_EQ(data.length[0].GetText(), "31");
    EXPECT_EQ(data.length[1].GetText(), "20");
    EXPECT_TRUE(odd->ReadData(data));
    EXPECT_EQ(odd->bounds, (TRect{9, 10, 41, 30}));
    EXPECT_EQ(odd->GetHorizontalAxis(), 32.0);
    EXPECT_EQ(odd->top, (TPoint{25, 10})) << "normalized: top is the upper edge";

    auto upward = MEllipse::Create(&canvas, {40, 40, 10, 20});
    ASSERT_TRUE(upward->ToData(data, false));
    data.length[1].SetText("30");
    EXPECT_TRUE(upward->FromData(data));
    EXPECT_EQ(upward->bounds, (TRect{10, 15, 40, 45}));
    EXPECT_EQ(upward->top, (TPoint{25, 15}));
    EXPECT_EQ(upward->left, (TPoint{10, 30}));
}

TEST_F(MEllipseTest, BlankRecordShowsZerosAndIsNotReadBack)
{
    MData data;
    ASSERT_TRUE(ellipse->ToData(data, true));
    EXPECT_EQ(data.point.GetTextX(), "0");
    EXPECT_EQ(data.length[0].GetText(), "0");
    EXPECT_EQ(data.length[1].GetText(), "0");
    EXPECT_FALSE(ellipse->FromData(data));
    EXPECT_EQ(ellipse->bounds, (TRect{20, 40, 100, 80}));
}

TEST_F(MEllipseTest, DerivesItsCentre)
{
    EXPECT_EQ(ellipse->DeriveCaptions(), std::vector<std::string>{"Create Center Point"});
    auto centre = ellipse->DeriveShapes(&canvas, 1);
    ASSERT_EQ(centre.size(), 1u);
    EXPECT_EQ(centre[0]->GetKind(), KIND_POINT);
    EXPECT_EQ(centre[0]->p1, (TPoint{60, 60}));
    EXPECT_TRUE(ellipse->DeriveShapes(&canvas, 2).empty());
}

TEST_F(MEllipseTest, CoordinatesFarOutsideThePictureSaturate)
{
    MData data;
    ASSERT_TRUE(ellipse->ToData(data, false));
    data.length[0].SetText("1e12");
    data.length[1].SetText("-1e12");
    EXPECT_TRUE(ellipse->FromData(data));
    EXPECT_EQ(ellipse->bounds, (TRect{INT_MIN, INT_MIN, INT_MAX, INT_MAX}));
    ellipse->Draw(DRAW_ACTIVE);
    ellipse->GetResults();
    EXPECT_EQ(ellipse->HitTest(60, 60), HIT_NONE);
    ellipse->Move(INT_MIN, INT_MAX);
    Drag(*ellipse, ellipse->top, {INT_MAX, INT_MAX});
    Drag(*ellipse, ellipse->left, {INT_MIN, INT_MIN});
    ellipse->Draw(DRAW_NORMAL);
}

} // namespace
