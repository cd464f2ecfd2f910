#include "ShapeTestSupport.h"

#include "shapes/MCircle.h"
#include "shapes/MData.h"

#include <climits>

namespace {

class MCircleTest : public ShapeFixture {
protected:
    // A finished circle of diameter 40 around (60, 60).
    std::unique_ptr<MCircle> circle = MCircle::Create(&canvas, {40, 40, 80, 80});

    static std::vector<std::string> Values(MShape& shape)
    {
        std::vector<std::string> values;
        for (const MItem& item : shape.GetResults())
            values.push_back(item.value);
        return values;
    }
};

TEST_F(MCircleTest, TwoClicksGrowASquareTowardTheMouse)
{
    MCircle fresh(&canvas);
    EXPECT_EQ(fresh.GetKind(), KIND_CIRCLE);
    Click(fresh, 10, 10);
    EXPECT_EQ(fresh.state, STATE_CREATING);
    Click(fresh, 40, 25);
    EXPECT_EQ(fresh.state, STATE_CREATED);
    EXPECT_EQ(fresh.GetEditState(), EDIT_IDLE);
    EXPECT_EQ(fresh.bounds, (TRect{10, 10, 25, 25}));
    EXPECT_EQ(fresh.center, (TPoint{18, 18})) << "rounded midpoint";
    EXPECT_EQ(fresh.top, (TPoint{17, 10})) << "truncated midpoint";
    EXPECT_EQ(fresh.left, (TPoint{10, 17}));
    EXPECT_EQ(fresh.bottom, (TPoint{17, 25}));
    EXPECT_EQ(fresh.right, (TPoint{25, 17}));

    MCircle lowerLeft(&canvas);
    Click(lowerLeft, 40, 40);
    Click(lowerLeft, 10, 70);
    EXPECT_EQ(lowerLeft.bounds, (TRect{10, 40, 40, 70})) << "normalized at the second click";
    EXPECT_EQ(lowerLeft.center, (TPoint{25, 55}));
}

TEST_F(MCircleTest, ResultsOfASmallCircleInPixelsAndMillimetres)
{
    MCircle fresh(&canvas);
    Click(fresh, 10, 10);
    Click(fresh, 40, 25);
    EXPECT_EQ(fresh.GetResults(), (std::vector<MItem>{{"Circle", "C1"},
                                                      {"Radius", "8 px"},
                                                      {"Diameter", "15 px"},
                                                      {"Perimeter", "47.1239 px"},
                                                      {"Area", "176.7146 px*px"}}));
    fresh.Draw(DRAW_NORMAL);
    EXPECT_EQ(fresh.label1, "15");
    EXPECT_TRUE(fresh.label2.empty());

    Calibrate(0.5, "mm");
    EXPECT_EQ(Values(fresh), (std::vector<std::string>{"C1", "4 mm", "7.5 mm", "23.5619 mm", "44.1786 mm*mm"}))
        << "the radius is rounded in pixels before it is calibrated";
    fresh.Draw(DRAW_NORMAL);
    EXPECT_EQ(fresh.label1, "7.5");
}

TEST_F(MCircleTest, RubberBandShowsTheGrowingCircle)
{
    MCircle fresh(&canvas);
    fresh.MouseMove(Qt::NoModifier, 50, 50);
    EXPECT_EQ(Count(kDesign), 0) << "nothing before the first click";
    Click(fresh, 20, 20);
    fresh.MouseMove(Qt::NoModifier, 60, 40);
    EXPECT_EQ(fresh.bounds, (TRect{20, 20, 40, 40}));
    EXPECT_EQ(fresh.center, (TPoint{30, 30}));
    EXPECT_EQ(fresh.state, STATE_CREATING);
    EXPECT_NE(Row(20, 19, 41).find('d'), std::string::npos) << "touches the top of the square";
    EXPECT_NE(Column(40, 19, 41).find('d'), std::string::npos) << "and its right side";
    EXPECT_EQ(At(30, 30), 'b') << "plus mark at the centre";
    EXPECT_EQ(At(27, 30), 'd');
    EXPECT_EQ(At(42, 30), '.');
}

TEST_F(MCircleTest, DragDrawingMakesACircleByPressDragAndRelease)
{
    param->SetBool(OPT_DRAG_DRAW, true, false);
    MCircle fresh(&canvas);
    fresh.MouseDown(Qt::LeftButton, Qt::NoModifier, 10, 10);
    fresh.MouseMove(Qt::NoModifier, 30, 30);
    EXPECT_EQ(fresh.state, STATE_CREATING);
    fresh.MouseUp(Qt::LeftButton, Qt::NoModifier, 40, 30);
    EXPECT_EQ(fresh.state, STATE_CREATED);
    EXPECT_EQ(fresh.bounds, (TRect{10, 10, 30, 30}));
}

TEST_F(MCircleTest, ASecondClickOnTheFirstMakesACircleOfDiameterZero)
{
    for (TPoint second : {TPoint{30, 30}, TPoint{30, 70}, TPoint{5, 30}}) {
        MCircle dot(&canvas);
        Click(dot, 30, 30);
        Click(dot, second.x, second.y);
        EXPECT_EQ(dot.GetDiameter(), 0.0);
        EXPECT_EQ(dot.top, dot.center);
        EXPECT_EQ(dot.right, dot.center);
        dot.grabPoint = {};
        EXPECT_EQ(dot.HitTest(30, 30), HIT_POINT);
        EXPECT_EQ(dot.grabPoint, dot.top);
        EXPECT_EQ(Values(dot), (std::vector<std::string>{"C1", "0 px", "0 px", "0 px", "0 px*px"}));
    }

    MCircle dot(&canvas);
    Click(dot, 30, 30);
    Click(dot, 30, 30);
    dot.selected = false;
    dot.Draw(DRAW_NORMAL);
    EXPECT_EQ(dot.label1, "0");
    EXPECT_LE(Count(kMark), 1) << "a diameter line of one pixel, no arrowheads";
}

TEST_F(MCircleTest, HitTestFindsHandlesThenTheCircleLineThenTheLabel)
{
    // Handles top (60, 40), bottom (60, 80), left (40, 60), right (80, 60).
    const struct {
        int x, y, hit;
        TPoint grab;
    } cases[] = {
        {63, 37, HIT_POINT, {60, 40}}, {57, 83, HIT_POINT, {60, 80}}, {37, 63, HIT_POINT, {40, 60}},
        {83, 57, HIT_POINT, {80, 60}}, {60, 43, HIT_POINT, {60, 40}}, {64, 40, HIT_BODY, {}},
        {60, 36, HIT_NONE, {}},        {60, 44, HIT_NONE, {}},        {60, 84, HIT_NONE, {}},
        // Along the diagonal the distance from the centre, truncated, must lie
        // within 3 of the radius 20: 16.97, 18.38, 22.63 and 24.04.
        {72, 72, HIT_NONE, {}},        {73, 73, HIT_BODY, {}},        {76, 76, HIT_BODY, {}},
        {77, 77, HIT_NONE, {}},        {60, 60, HIT_NONE, {}},
    };
    for (const auto& c : cases) {
        circle->grabPoint = {};
        EXPECT_EQ(circle->HitTest(c.x, c.y), c.hit) << c.x << "," << c.y;
        EXPECT_EQ(circle->grabPoint, c.grab) << c.x << "," << c.y;
    }

    // Label "40" at (70, 50) once drawn.
    EXPECT_EQ(circle->HitTest(72, 52), HIT_NONE);
    circle->Draw(DRAW_NORMAL);
    EXPECT_EQ(circle->HitTest(72, 52), HIT_LABEL);
}

TEST_F(MCircleTest, EachHandleReshapesTheSquareAndKeepsItSquare)
{
    // An odd drag of 7: the preview moves the side by 7 and its neighbours by
    // 3; the commit moves the side by 8 and its neighbours by 4.
    const struct {
        TPoint handle, drag;
        TRect preview, committed;
        TPoint moved;
    } cases[] = {
        {{60, 40}, {0, 7}, {43, 47, 77, 80}, {44, 48, 76, 80}, {60, 48}},
        {{60, 80}, {0, -7}, {43, 40, 77, 73}, {44, 40, 76, 72}, {60, 72}},
        {{40, 60}, {7, 0}, {47, 43, 80, 77}, {48, 44, 80, 76}, {48, 60}},
        {{80, 60}, {-7, 0}, {40, 43, 73, 77}, {40, 44, 72, 76}, {72, 60}},
        {{80, 60}, {6, 0}, {40, 37, 86, 83}, {40, 37, 86, 83}, {86, 60}},
    };
    for (const auto& c : cases) {
        auto shape = MCircle::Create(&canvas, {40, 40, 80, 80});
        const TPoint to = MTool::AddPoints(c.handle, c.drag);
        shape->MouseDown(Qt::LeftButton, Qt::NoModifier, c.handle.x, c.handle.y);
        ASSERT_EQ(shape->GetEditState(), EDIT_RESHAPE);
        shape->MouseMove(Qt::NoModifier, to.x, to.y);
        EXPECT_EQ(shape->previewBounds, c.preview) << c.handle;
        EXPECT_EQ(shape->previewPoint, to) << c.handle;
        EXPECT_EQ(shape->bounds, (TRect{40, 40, 80, 80})) << "only previewed while dragging";
        EXPECT_EQ(shape->MouseUp(Qt::LeftButton, Qt::NoModifier, to.x, to.y), c.moved) << c.handle;
        EXPECT_EQ(shape->bounds, c.committed) << c.handle;
        EXPECT_EQ(shape->bounds.Width(), shape->bounds.Height()) << c.handle;
        EXPECT_EQ(shape->center, (TPoint{MShape::RoundedMidpoint(c.committed.left, c.committed.right),
                                         MShape::RoundedMidpoint(c.committed.top, c.committed.bottom)}));
    }
}

TEST_F(MCircleTest, ReshapePreviewDrawsTheNewCircleAndItsHandle)
{
    circle->MouseDown(Qt::LeftButton, Qt::NoModifier, 80, 60);
    circle->MouseMove(Qt::NoModifier, 90, 60);
    EXPECT_EQ(At(90, 60), 'b') << "cross at the dragged handle";
    EXPECT_EQ(At(87, 57), 'a');
    EXPECT_EQ(Column(65, 34, 36), ".a.") << "the preview square reaches up to row 35";
}

TEST_F(MCircleTest, ATopDraggedBelowTheBottomTurnsTheSquareInsideOut)
{
    Drag(*circle, {60, 40}, {60, 100});
    EXPECT_EQ(circle->bounds, (TRect{70, 100, 50, 80}));
    EXPECT_EQ(circle->top, (TPoint{60, 100}));
    EXPECT_EQ(Values(*circle)[2], "20 px") << "results stay positive";
    EXPECT_TRUE(circle->InRect(50, 80, 70, 100));
    EXPECT_FALSE(circle->InRect(50, 90, 70, 100));
    EXPECT_FALSE(circle->InRect(60, 80, 70, 100));
}

TEST_F(MCircleTest, CursorShowsWhichWayAHandleResizes)
{
    const struct {
        TPoint at;
        int cursor;
    } cases[] = {{{60, 40}, crSizeNS}, {{60, 80}, crSizeNS}, {{40, 60}, crSizeWE}, {{80, 60}, crSizeWE}};
    for (const auto& c : cases) {
        ASSERT_EQ(circle->HitTest(c.at.x, c.at.y), HIT_POINT);
        EXPECT_EQ(circle->GetCursor(HIT_POINT), c.cursor) << c.at;
        EXPECT_EQ(circle->GetCursor(EDIT_RESHAPE), c.cursor) << c.at;
    }
    EXPECT_EQ(circle->GetCursor(HIT_BODY), crSizeAll);
    EXPECT_EQ(circle->GetCursor(HIT_NONE), crDefault);
    MCircle fresh(&canvas);
    EXPECT_EQ(fresh.GetCursor(HIT_POINT), crCross) << "while creating";
}

TEST_F(MCircleTest, DraggingTheCircleLineMovesEverything)
{
    Drag(*circle, {74, 74}, {84, 64});
    EXPECT_EQ(circle->bounds, (TRect{50, 30, 90, 70}));
    EXPECT_EQ(circle->center, (TPoint{70, 50}));
    EXPECT_EQ(circle->top, (TPoint{70, 30}));
    EXPECT_EQ(circle->right, (TPoint{90, 50}));
    EXPECT_TRUE(circle->InRect(50, 30, 90, 70));
    EXPECT_FALSE(circle->InRect(51, 30, 90, 70));
    EXPECT_FALSE(circle->InRect(50, 30, 90, 69));
}

TEST_F(MCircleTest, DrawsCircleCentreHandlesAndDiameterLine)
{
    circle->selected = false;
    circle->marked = false;
    circle->Draw(DRAW_NORMAL);
    EXPECT_EQ(At(60, 40), 'n') << "top of the circle";
    EXPECT_EQ(At(60, 80), 'n') << "bottom row, the box's last";
    EXPECT_EQ(At(60, 81), '.');
    EXPECT_EQ(At(80, 60), 'n');
    EXPECT_EQ(At(81, 60), '.');
    EXPECT_EQ(At(60, 60), 'b') << "plus mark at the centre";
    EXPECT_EQ(At(63, 60), 'n');
    EXPECT_EQ(At(63, 63), '.') << "a plus, not a cross";
    EXPECT_EQ(At(57, 37), '.') << "no handles";
    EXPECT_EQ(Count(kMark), 0);

    circle->marked = true;
    circle->Draw(DRAW_NORMAL);
    EXPECT_EQ(At(50, 77), 'm') << "diameter line at 120 degrees";
    EXPECT_EQ(At(70, 43), 'm');
    EXPECT_EQ(At(60, 60), 'm');
    EXPECT_GT(Count(kMarkFont), 0) << "the label";

    image.fill(ToQRgb(kBackground));
    circle->selected = true;
    circle->Draw(DRAW_NORMAL);
    EXPECT_EQ(At(60, 40), 's') << "selected: the complement";

    image.fill(ToQRgb(kBackground));
    circle->marked = false; // the label would cover the right handle
    circle->Draw(DRAW_ACTIVE);
    for (TPoint handle : {TPoint{60, 40}, TPoint{40, 60}, TPoint{60, 80}, TPoint{80, 60}}) {
        EXPECT_EQ(At(handle.x, handle.y), 'b') << handle;
        EXPECT_EQ(At(handle.x - 3, handle.y - 3), 'a') << handle;
    }

    image.fill(ToQRgb(kBackground));
    circle->selected = false;
    circle->Draw(DRAW_NORMAL);
    const int solid = Count(kNormal);
    image.fill(ToQRgb(kBackground));
    circle->Draw(DRAW_MOVE);
    EXPECT_EQ(Count(kMark), 0) << "no label while moving";
    EXPECT_LT(Count(kNormal), solid * 2 / 3) << "dotted";
}

TEST_F(MCircleTest, DiameterLineTurnsTowardADraggedLabel)
{
    circle->selected = false;
    circle->labelOffset1 = {40, 0};
    circle->Draw(DRAW_NORMAL);
    EXPECT_EQ(Row(60, 40, 80), std::string(41, 'm')) << "horizontal from side to side";
    EXPECT_EQ(At(55, 69), '.') << "not at 120 degrees";
}

TEST_F(MCircleTest, MagnifierShowsTheCircle)
{
    QImage zoomImage(160, 160, QImage::Format_RGB32);
    zoomImage.fill(ToQRgb(kBackground));
    TCanvas zoomCanvas(&zoomImage);
    MShape::SetZoomCanvas(&zoomCanvas, {90, 90});
    auto small = MCircle::Create(&canvas, {40, 40, 60, 60});
    small->selected = false;
    small->Draw(DRAW_NORMAL);
    // Column 50 (x 151 in the magnifier) runs from row 40 (121) to row 60 (181).
    EXPECT_EQ(At(50, 40), 'n');
    EXPECT_EQ(zoomImage.pixel(151 - 90, 121 - 90), ToQRgb(kNormal));
    EXPECT_EQ(zoomImage.pixel(151 - 90, 120 - 90), ToQRgb(kBackground));
    EXPECT_EQ(Count(zoomImage, kMarkFont), 0) << "texts stay off the magnifier";
}

TEST_F(MCircleTest, RecordHoldsCentreAndRoundedRadius)
{
    MData data;
    data.SetImageHeight(100);
    ASSERT_TRUE(circle->ToData(data, false));
    EXPECT_EQ(data.point.GetCaption(), "Circle Center");
    EXPECT_EQ(data.length[0].GetCaption(), "Radius");
    EXPECT_EQ(data.point.GetTextX(), "60");
    EXPECT_EQ(data.point.GetTextY(), "40") << "y counted upwards";
    EXPECT_EQ(data.length[0].GetText(), "20");
    EXPECT_FALSE(data.length[1].IsValid());
    EXPECT_FALSE(data.angle[0].IsValid());

    EXPECT_TRUE(circle->ReadData(data));
    EXPECT_EQ(circle->bounds, (TRect{40, 40, 80, 80})) << "an even diameter comes back as it was";

    auto odd = MCircle::Create(&canvas, {0, 0, 5, 5});
    EXPECT_EQ(odd->center, (TPoint{3, 3}));
    EXPECT_EQ(odd->top, (TPoint{2, 0}));
    ASSERT_TRUE(odd->ToData(data, false));
    EXPECT_EQ(data.length[0].GetText(), "3");
    EXPECT_TRUE(odd->ReadData(data));
    EXPECT_EQ(odd->GetDiameter(), 6.0) << "an odd diameter D comes back as D + 1";
    EXPECT_EQ(odd->bounds, (TRect{0, 0, 6, 6}));
}

TEST_F(MCircleTest, EditedRecordRebuildsTheCircleInCalibratedUnits)
{
    Calibrate(0.5, "mm");
    MData data;
    ASSERT_TRUE(circle->ToData(data, false));
    EXPECT_EQ(data.length[0].GetText(), "10");
    EXPECT_FALSE(circle->FromData(data));
    data.length[0].SetText("5");
    data.point.SetText("10", "15");
    EXPECT_TRUE(circle->FromData(data));
    EXPECT_EQ(circle->center, (TPoint{20, 30}));
    EXPECT_EQ(circle->bounds, (TRect{10, 20, 30, 40}));
    EXPECT_EQ(circle->left, (TPoint{10, 30}));
}

TEST_F(MCircleTest, BlankRecordShowsZerosAndIsNotReadBack)
{
    MData data;
    ASSERT_TRUE(circle->ToData(data, true));
    EXPECT_EQ(data.point.GetCaption(), "Circle Center");
    EXPECT_EQ(data.point.GetTextX(), "0");
    EXPECT_EQ(data.point.GetTextY(), "0");
    EXPECT_EQ(data.length[0].GetText(), "0");
    EXPECT_FALSE(circle->FromData(data));
    EXPECT_EQ(circle->bounds, (TRect{40, 40, 80, 80}));
}

TEST_F(MCircleTest, DerivesItsCentre)
{
    EXPECT_EQ(circle->DeriveCaptions(), std::vector<std::string>{"Create Circle Center"});
    auto centre = circle->DeriveShapes(&canvas, 1);
    ASSERT_EQ(centre.size(), 1u);
    EXPECT_EQ(centre[0]->GetKind(), KIND_POINT);
    EXPECT_EQ(centre[0]->state, STATE_CREATED);
    EXPECT_EQ(centre[0]->p1, (TPoint{60, 60}));
    EXPECT_TRUE(circle->DeriveShapes(&canvas, 2).empty());
}

TEST_F(MCircleTest, CoordinatesFarOutsideThePictureSaturate)
{
    MData data;
    ASSERT_TRUE(circle->ToData(data, false));
    data.length[0].SetText("1e12");
    EXPECT_TRUE(circle->FromData(data));
    EXPECT_EQ(circle->bounds, (TRect{INT_MIN, INT_MIN, INT_MAX, INT_MAX}));
    circle->Draw(DRAW_ACTIVE);
    circle->GetResults();
    EXPECT_EQ(circle->HitTest(60, 60), HIT_NONE);

    MCircle far(&canvas);
    Click(far, INT_MAX - 5, INT_MIN + 5);
    far.MouseMove(Qt::NoModifier, INT_MIN, INT_MAX);
    Click(far, INT_MIN, INT_MAX);
    EXPECT_EQ(far.state, STATE_CREATED);
    far.Move(INT_MAX, INT_MAX);
    Drag(far, far.top, {INT_MIN, INT_MIN});
    far.Draw(DRAW_ACTIVE);
    far.GetResults();
}

// ---------------------------------------------------------------- three points

TEST_F(MCircleTest, ThreeClicksMakeTheCircleThroughThem)
{
    MCircleTriple triple(&canvas);
    EXPECT_EQ(triple.GetKind(), KIND_CIRCLE);
    Click(triple, 30, 50);
    triple.MouseMove(Qt::NoModifier, 50, 30);
    EXPECT_EQ(At(40, 40), 'd') << "rubber line to the mouse";
    EXPECT_EQ(At(30, 50), 'b') << "cross at the first click";

    Click(triple, 50, 30);
    image.fill(ToQRgb(kBackground));
    triple.MouseMove(Qt::NoModifier, 70, 50);
    EXPECT_EQ(triple.center, (TPoint{50, 50}));
    EXPECT_EQ(At(50, 50), 'b') << "plus mark at the centre";
    EXPECT_EQ(At(50, 70), 'd') << "rubber circle";
    EXPECT_EQ(triple.state, STATE_CREATING);

    Click(triple, 70, 50);
    EXPECT_EQ(triple.state, STATE_CREATED);
    EXPECT_EQ(triple.bounds, (TRect{30, 30, 70, 70}));
    EXPECT_EQ(triple.top, (TPoint{50, 30}));
    EXPECT_EQ(triple.right, (TPoint{70, 50}));
    EXPECT_EQ(triple.GetResults()[0], (MItem{"Circle", "C1"})) << "the same kind and series as a circle";
    EXPECT_EQ(Values(triple)[2], "40 px");
}

TEST_F(MCircleTest, ThreeClicksOnOnePointAreNudgedApart)
{
    MCircleTriple triple(&canvas);
    Click(triple, 20, 20);
    Click(triple, 20, 20);
    EXPECT_EQ(triple.second, (TPoint{21, 20}));
    Click(triple, 20, 20);
    EXPECT_EQ(triple.p2, (TPoint{20, 21}));
    EXPECT_EQ(triple.center, (TPoint{21, 21}));
    EXPECT_EQ(triple.bounds, (TRect{20, 20, 22, 22}));
    EXPECT_EQ(triple.GetDiameter(), 2.0);
}

TEST_F(MCircleTest, ThreeCollinearClicksPushTheThirdOffTheLine)
{
    const struct {
        TPoint a, b, c, nudged;
    } cases[] = {
        {{20, 20}, {20, 40}, {20, 60}, {22, 60}}, // a vertical line: to the right
        {{20, 20}, {40, 20}, {60, 20}, {60, 22}}, // otherwise: down
        {{20, 20}, {30, 30}, {40, 40}, {40, 42}},
        {{20, 20}, {30, 20}, {30, 20}, {31, 22}}, // on the second click, then collinear
    };
    for (const auto& c : cases) {
        MCircleTriple triple(&canvas);
        Click(triple, c.a.x, c.a.y);
        Click(triple, c.b.x, c.b.y);
        Click(triple, c.c.x, c.c.y);
        EXPECT_EQ(triple.p2, c.nudged) << c.c;
        EXPECT_EQ(triple.state, STATE_CREATED);
        EXPECT_FALSE(triple.center == TPoint{}) << "the circle exists";
        EXPECT_GT(triple.GetDiameter(), 0.0);
    }
}

TEST_F(MCircleTest, AThreePointCircleEditsLikeAnyCircle)
{
    MCircleTriple triple(&canvas);
    Click(triple, 30, 50);
    Click(triple, 50, 30);
    Click(triple, 70, 50);
    Drag(triple, {70, 50}, {76, 50});
    EXPECT_EQ(triple.bounds, (TRect{30, 27, 76, 73}));
    image.fill(ToQRgb(kBackground));
    triple.selected = false;
    triple.Draw(DRAW_NORMAL);
    EXPECT_EQ(At(76, 50), 'n') << "drawn as a circle, not a rubber band";
}

} // namespace
