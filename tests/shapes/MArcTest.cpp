#include "ShapeTestSupport.h"

#include "shapes/MArc.h"
#include "shapes/MData.h"

#include <array>
#include <climits>
#include <utility>

namespace {

// On the circle of radius 25 around (60, 60): the ends at 36.87 and 143.13
// degrees, a point at 126.87 degrees between them (on the lower part) and one
// at 270 degrees (the top, on the upper part).
constexpr TPoint kFirst{80, 75};
constexpr TPoint kLower{45, 80};
constexpr TPoint kTop{60, 35};
constexpr TPoint kLast{40, 75};

class MArcTest : public ShapeFixture {
protected:
    // The lower arc: clockwise, by growing angle from the first end to the last.
    std::unique_ptr<MArc> arc = MArc::Create(&canvas, kFirst, kLower, kLast);

    // Whether the outline passes the bottom (60, 85) and the top (60, 35),
    // drawn without labels or handles.
    std::string Halves(MArc& shape)
    {
        image.fill(ToQRgb(kBackground));
        shape.selected = false;
        shape.marked = false;
        shape.Draw(DRAW_NORMAL);
        return std::string{At(60, 85), At(60, 35)};
    }
};

TEST_F(MArcTest, ThreeClicksMakeTheArcThroughTheSecondClick)
{
    MArc fresh(&canvas);
    EXPECT_EQ(fresh.GetKind(), KIND_ARC);
    Click(fresh, kFirst);
    Click(fresh, kLower);
    EXPECT_EQ(fresh.state, STATE_CREATING);
    Click(fresh, kLast);
    EXPECT_EQ(fresh.state, STATE_CREATED);
    EXPECT_EQ(fresh.centre, (TPoint{60, 60}));
    EXPECT_EQ(fresh.circleRect, (TRect{35, 35, 85, 85}));
    EXPECT_EQ(fresh.handleTop, (TPoint{60, 35}));
    EXPECT_EQ(fresh.handleLeft, (TPoint{35, 60}));
    EXPECT_EQ(fresh.handleBottom, (TPoint{60, 85}));
    EXPECT_EQ(fresh.handleRight, (TPoint{85, 60}));
    EXPECT_TRUE(fresh.clockwise);
    EXPECT_NEAR(fresh.arcAngle, 106.2602, 1e-4);
    EXPECT_EQ(fresh.anchor, (TPoint{60, 85})) << "the middle of the arc";
    EXPECT_EQ(fresh.GetCenter(), fresh.anchor);

    auto upper = MArc::Create(&canvas, kFirst, kTop, kLast);
    EXPECT_FALSE(upper->clockwise);
    EXPECT_NEAR(upper->arcAngle, 253.7398, 1e-4);
    EXPECT_EQ(upper->anchor, (TPoint{60, 35}));
}

TEST_F(MArcTest, ResultsInPixelsAndMillimetres)
{
    EXPECT_EQ(arc->GetResults(), (std::vector<MItem>{{"Arc", "A1"},
                                                    {"Arc Angle", "106°15′36″"},
                                                    {"Radius", "25 px"},
                                                    {"Distance of center to chord", "15 px"},
                                                    {"Chord", "40 px"},
                                                    {"Arc", "46.3648 px"}}));
    arc->Draw(DRAW_NORMAL);
    EXPECT_EQ(arc->label1, "25");
    EXPECT_EQ(arc->label2, "106°15′36″");

    Calibrate(0.5, "mm");
    const auto& results = arc->GetResults();
    EXPECT_EQ(results[1].value, "106°15′36″") << "angles are not calibrated";
    EXPECT_EQ(results[2].value, "12.5 mm");
    EXPECT_EQ(results[3].value, "7.5 mm");
    EXPECT_EQ(results[4].value, "20 mm");
    EXPECT_EQ(results[5].value, "23.1824 mm");
}

TEST_F(MArcTest, AHalfCircleThroughItsCentre)
{
    auto half = MArc::Create(&canvas, {85, 60}, {60, 85}, {35, 60});
    const auto& results = half->GetResults();
    EXPECT_EQ(results[1].value, "180°0′0″");
    EXPECT_EQ(results[3].value, "0 px") << "the chord passes through the centre";
    EXPECT_EQ(results[4].value, "50 px");
    EXPECT_EQ(results[5].value, "78.5398 px") << "pi R";
}

TEST_F(MArcTest, RunsCounterClockwiseOnScreenFromItsStartRadial)
{
    // Clockwise by angle from the first end: drawn from the last end
    // counter-clockwise on screen, through the bottom.
    EXPECT_EQ(Halves(*arc), "n.");
    EXPECT_EQ(At(75, 80), 'n');
    EXPECT_EQ(At(75, 40), '.');
    auto upper = MArc::Create(&canvas, kFirst, kTop, kLast);
    EXPECT_EQ(Halves(*upper), ".n");
    EXPECT_EQ(At(75, 40), 'n');
    EXPECT_EQ(At(60, 60), 'b') << "plus mark at the centre";
}

TEST_F(MArcTest, ClockwiseArcSurvivesABlankRecordAndRoundTripsThroughAFullOne)
{
    MData blank;
    ASSERT_TRUE(arc->ToData(blank, true));
    EXPECT_EQ(blank.point.GetCaption(), "Circle Center");
    EXPECT_EQ(blank.length[0].GetCaption(), "Radius");
    EXPECT_EQ(blank.angle[0].GetCaption(), "Begin Angle");
    EXPECT_EQ(blank.angle[1].GetCaption(), "End Angle");
    EXPECT_EQ(blank.angle[1].GetText(), "0");
    EXPECT_FALSE(arc->FromData(blank));
    EXPECT_NEAR(arc->arcAngle, 106.2602, 1e-4);
    EXPECT_EQ(Halves(*arc), "n.") << "still the lower arc, not its complement";
    EXPECT_NEAR(arc->ComputeArcAngle(), 106.2602, 1e-4);

    // The full record describes it counter-clockwise: from the last end to
    // the first, with the angles turned for the operator.
    MData data;
    data.SetImageHeight(100);
    ASSERT_TRUE(arc->ToData(data, false));
    EXPECT_EQ(data.point.GetTextY(), "40");
    EXPECT_EQ(data.length[0].GetText(), "25");
    EXPECT_EQ(data.angle[0].GetText(), "216.87");
    EXPECT_EQ(data.angle[1].GetText(), "323.13");
    EXPECT_TRUE(arc->ReadData(data));
    EXPECT_EQ(arc->p1, kLast);
    EXPECT_EQ(arc->p2, kFirst);
    EXPECT_FALSE(arc->clockwise);
    EXPECT_NEAR(arc->arcAngle, 106.2602, 1e-4);
    EXPECT_EQ(arc->anchor, (TPoint{60, 85}));
    EXPECT_EQ(Halves(*arc), "n.") << "the same arc";
}

TEST_F(MArcTest, EditedRecordBuildsTheArcFromBeginToEndAngle)
{
    auto upper = MArc::Create(&canvas, kFirst, kTop, kLast);
    MData data;
    ASSERT_TRUE(upper->ToData(data, false));
    EXPECT_EQ(data.angle[0].GetText(), "323.13");
    EXPECT_EQ(data.angle[1].GetText(), "216.87");
    data.angle[0].SetText("0");
    data.angle[1].SetText("90");
    data.length[0].SetText("20");
    EXPECT_TRUE(upper->FromData(data));
    EXPECT_EQ(upper->p1, (TPoint{80, 60}));
    EXPECT_EQ(upper->p2, (TPoint{60, 40})) << "90 degrees for the operator is up";
    EXPECT_EQ(upper->circleRect, (TRect{40, 40, 80, 80}));
    EXPECT_NEAR(upper->arcAngle, 90.0, 1e-9);
    EXPECT_EQ(upper->anchor, (TPoint{74, 46})) << "the upper right quarter";
}

TEST_F(MArcTest, HitTestFindsEndsAndHandlesThenTheArcItself)
{
    const struct {
        int x, y, hit;
        TPoint grab;
    } cases[] = {
        {83, 78, HIT_POINT, kFirst},   {37, 72, HIT_POINT, kLast},    {63, 32, HIT_POINT, {60, 35}},
        {57, 88, HIT_POINT, {60, 85}}, {32, 63, HIT_POINT, {35, 60}}, {88, 57, HIT_POINT, {85, 60}},
        {84, 79, HIT_NONE, {}},        {75, 80, HIT_BODY, {}},        {45, 80, HIT_BODY, {}},
        {75, 40, HIT_NONE, {}},        {45, 40, HIT_NONE, {}},        {77, 84, HIT_NONE, {}},
    };
    for (const auto& c : cases) {
        arc->grabPoint = {};
        EXPECT_EQ(arc->HitTest(c.x, c.y), c.hit) << c.x << "," << c.y;
        EXPECT_EQ(arc->grabPoint, c.grab) << c.x << "," << c.y;
    }
    auto upper = MArc::Create(&canvas, kFirst, kTop, kLast);
    EXPECT_EQ(upper->HitTest(75, 40), HIT_BODY);
    EXPECT_EQ(upper->HitTest(75, 80), HIT_NONE);

    // Label 1 "25" at the midpoint of centre and anchor, (60, 73).
    EXPECT_EQ(arc->HitTest(66, 76), HIT_NONE);
    arc->Draw(DRAW_NORMAL);
    EXPECT_EQ(arc->HitTest(66, 76), HIT_LABEL);
}

TEST_F(MArcTest, AnEndSlidesAlongTheCircle)
{
    arc->MouseDown(Qt::LeftButton, Qt::NoModifier, kFirst.x, kFirst.y);
    EXPECT_EQ(arc->GetCursor(EDIT_RESHAPE), crCross);
    arc->MouseMove(Qt::NoModifier, 95, 60);
    EXPECT_EQ(arc->middle, (TPoint{85, 60})) << "the preview end, snapped";
    EXPECT_EQ(At(88, 57), 'a') << "cross at the snapped end";
    EXPECT_EQ(arc->p1, kFirst);
    EXPECT_EQ(arc->MouseUp(Qt::LeftButton, Qt::NoModifier, 95, 60), (TPoint{85, 60}));
    EXPECT_EQ(arc->p1, (TPoint{85, 60}));
    EXPECT_EQ(arc->circleRect, (TRect{35, 35, 85, 85}));
    EXPECT_NEAR(arc->arcAngle, 143.1301, 1e-4);
}

TEST_F(MArcTest, AHandleResizesTheCircleAboutTheOppositeSide)
{
    arc->MouseDown(Qt::LeftButton, Qt::NoModifier, 60, 35);
    EXPECT_EQ(arc->GetCursor(EDIT_RESHAPE), crSizeNS);
    arc->MouseMove(Qt::NoModifier, 60, 42);
    EXPECT_EQ(arc->previewRect, (TRect{38, 42, 82, 85}));
    EXPECT_EQ(arc->previewPoint, (TPoint{60, 42}));
    EXPECT_EQ(At(60, 42), 'b') << "cross at the dragged handle";
    EXPECT_EQ(arc->MouseUp(Qt::LeftButton, Qt::NoModifier, 60, 42), (TPoint{60, 43}))
        << "the top moves by twice the rounded half of 7";
    EXPECT_EQ(arc->circleRect, (TRect{39, 43, 81, 85})) << "the bottom stays";
    EXPECT_EQ(arc->centre, (TPoint{60, 64}));
    EXPECT_EQ(arc->handleLeft, (TPoint{39, 64}));
    EXPECT_EQ(arc->p1, (TPoint{77, 77})) << "the ends keep their direction";
    EXPECT_EQ(arc->p2, (TPoint{43, 77}));
    EXPECT_TRUE(arc->clockwise);

    ASSERT_EQ(arc->HitTest(81, 64), HIT_POINT);
    EXPECT_EQ(arc->GetCursor(HIT_POINT), crSizeWE);
    EXPECT_EQ(arc->GetCursor(HIT_BODY), crSizeAll);
}

TEST_F(MArcTest, EveryHandleAndEndReshapes)
{
    // The square (35, 35, 85, 85): a side moves by twice the rounded half of
    // the drag and the sides next to it by the half; an end snaps onto the circle.
    const struct {
        TPoint from, to;
        TRect square;
        TPoint moved;
    } cases[] = {
        {{60, 35}, {60, 42}, {39, 43, 81, 85}, {60, 43}},
        {{60, 85}, {60, 92}, {31, 35, 89, 93}, {60, 93}},
        {{35, 60}, {28, 60}, {27, 31, 85, 89}, {27, 60}},
        {{85, 60}, {90, 60}, {35, 32, 91, 88}, {91, 60}},
        {kFirst, {95, 60}, {35, 35, 85, 85}, {85, 60}},
        {kLast, {20, 60}, {35, 35, 85, 85}, {35, 60}},
    };
    for (const auto& c : cases) {
        auto shape = MArc::Create(&canvas, kFirst, kLower, kLast);
        shape->MouseDown(Qt::LeftButton, Qt::NoModifier, c.from.x, c.from.y);
        ASSERT_EQ(shape->GetEditState(), EDIT_RESHAPE) << c.from;
        shape->MouseMove(Qt::NoModifier, c.to.x, c.to.y);
        EXPECT_EQ(shape->MouseUp(Qt::LeftButton, Qt::NoModifier, c.to.x, c.to.y), c.moved) << c.from;
        EXPECT_EQ(shape->circleRect, c.square) << c.from;
        EXPECT_EQ(shape->centre, (TPoint{MShape::RoundedMidpoint(c.square.left, c.square.right),
                                         MShape::RoundedMidpoint(c.square.top, c.square.bottom)}))
            << c.from;
        EXPECT_TRUE(shape->clockwise) << "the same side of the circle";
    }
}

TEST_F(MArcTest, ThreeCollinearClicksNeverFail)
{
    const struct {
        TPoint a, b, c, nudged;
    } cases[] = {
        {{20, 20}, {20, 40}, {20, 60}, {22, 60}}, // the first two share an x: along x
        {{20, 20}, {40, 20}, {60, 20}, {60, 22}}, // else along y
        {{20, 20}, {20, 20}, {22, 20}, {22, 22}}, // the second on the first moves right
    };
    for (const auto& c : cases) {
        auto shape = MArc::Create(&canvas, c.a, c.b, c.c);
        EXPECT_EQ(shape->p2, c.nudged) << c.c;
        EXPECT_EQ(shape->state, STATE_CREATED);
        EXPECT_GT(shape->circleRect.Width(), 0) << c.c;
    }
    auto onFirst = MArc::Create(&canvas, {20, 20}, {20, 20}, {50, 50});
    EXPECT_EQ(onFirst->middle, (TPoint{21, 20}));
}

TEST_F(MArcTest, RubberBandsWhileCreating)
{
    MArc fresh(&canvas);
    Click(fresh, kFirst);
    fresh.MouseMove(Qt::NoModifier, 80, 55);
    EXPECT_EQ(fresh.middle, (TPoint{80, 55}));
    EXPECT_EQ(Column(80, 55, 60), "ddd...") << "a dotted rubber line";
    EXPECT_EQ(At(80, 75), 'b') << "cross at the first click";

    Click(fresh, kLower);
    image.fill(ToQRgb(kBackground));
    fresh.MouseMove(Qt::NoModifier, kLast.x, kLast.y);
    EXPECT_EQ(fresh.centre, (TPoint{60, 60}));
    EXPECT_EQ(At(60, 60), 'b') << "plus mark at the centre";
    EXPECT_EQ(At(45, 80), 'b') << "cross at the second click";
    EXPECT_GT(Count(kDesign), 60) << "the whole circle, dotted";
    EXPECT_EQ(fresh.state, STATE_CREATING);
}

TEST_F(MArcTest, DragDrawingTakesEachReleaseAsAClick)
{
    param->SetBool(OPT_DRAG_DRAW, true, false);
    MArc fresh(&canvas);
    fresh.MouseDown(Qt::LeftButton, Qt::NoModifier, kFirst.x, kFirst.y);
    fresh.MouseUp(Qt::LeftButton, Qt::NoModifier, kLower.x, kLower.y);
    fresh.MouseDown(Qt::LeftButton, Qt::NoModifier, kLast.x, kLast.y);
    EXPECT_EQ(fresh.state, STATE_CREATED);
    EXPECT_TRUE(fresh.clockwise);
}

TEST_F(MArcTest, HighlightShowsTheWholeCircleAndAllHandles)
{
    arc->marked = false;
    arc->Draw(DRAW_ACTIVE);
    EXPECT_EQ(At(60, 35), 'b') << "handle on the upper part of the circle";
    EXPECT_EQ(At(57, 32), 'a');
    EXPECT_EQ(At(77, 72), 'a') << "cross at the first end";
    EXPECT_EQ(At(37, 72), 'a') << "cross at the last end";
    EXPECT_GT(Count(kActive), 0);
    EXPECT_EQ(At(60, 60), 'b');
}

TEST_F(MArcTest, LabelsHangOnTheRadiusToTheArcsMiddle)
{
    arc->selected = false;
    arc->Draw(DRAW_NORMAL);
    EXPECT_EQ(Column(60, 61, 72), std::string(12, 'm')) << "radius line down to label 1";
    EXPECT_EQ(arc->GetLabelPos(1), (TPoint{60, 73}));
    EXPECT_EQ(arc->GetLabelPos(2), (TPoint{60, 85}));
    EXPECT_GT(Count(kMarkFont), 0);
}

TEST_F(MArcTest, MovingCarriesEveryPoint)
{
    Drag(*arc, {75, 80}, {80, 70});
    EXPECT_EQ(arc->centre, (TPoint{65, 50}));
    EXPECT_EQ(arc->p1, (TPoint{85, 65}));
    EXPECT_EQ(arc->p2, (TPoint{45, 65}));
    EXPECT_EQ(arc->anchor, (TPoint{65, 75}));
    EXPECT_EQ(arc->circleRect, (TRect{40, 25, 90, 75}));
    EXPECT_EQ(arc->handleTop, (TPoint{65, 25}));
}

TEST_F(MArcTest, InRectTakesTheExtremePointsTheArcPasses)
{
    EXPECT_TRUE(arc->InRect(40, 75, 80, 85)) << "the ends and the bottom";
    EXPECT_FALSE(arc->InRect(41, 75, 80, 85));
    EXPECT_FALSE(arc->InRect(40, 75, 80, 84));

    auto upper = MArc::Create(&canvas, kFirst, kTop, kLast);
    EXPECT_TRUE(upper->InRect(35, 35, 85, 75)) << "through the left, the top and the right";
    EXPECT_FALSE(upper->InRect(35, 36, 85, 75));
    EXPECT_FALSE(upper->InRect(35, 35, 84, 75));
}

TEST_F(MArcTest, DerivesItsCentreAndItsChord)
{
    EXPECT_EQ(arc->DeriveCaptions(), (std::vector<std::string>{"Create Circle Center", "Create Chord"}));
    auto centre = arc->DeriveShapes(&canvas, 1);
    ASSERT_EQ(centre.size(), 1u);
    EXPECT_EQ(centre[0]->GetKind(), KIND_POINT);
    EXPECT_EQ(centre[0]->p1, (TPoint{60, 60}));
    auto chord = arc->DeriveShapes(&canvas, 2);
    ASSERT_EQ(chord.size(), 1u);
    EXPECT_EQ(chord[0]->GetKind(), KIND_LINE);
    EXPECT_EQ(chord[0]->p1, kFirst);
    EXPECT_EQ(chord[0]->p2, kLast);
    EXPECT_TRUE(arc->DeriveShapes(&canvas, 3).empty());

    arc->p2 = arc->p1;
    EXPECT_EQ(arc->DeriveCaptions(), std::vector<std::string>{"Create Circle Center"});
    EXPECT_TRUE(arc->DeriveShapes(&canvas, 2).empty());
}

TEST_F(MArcTest, MagnifierShowsTheArc)
{
    QImage zoomImage(300, 300, QImage::Format_RGB32);
    zoomImage.fill(ToQRgb(kBackground));
    TCanvas zoomCanvas(&zoomImage);
    MShape::SetZoomCanvas(&zoomCanvas);
    arc->selected = false;
    arc->marked = false;
    arc->Draw(DRAW_NORMAL);
    // The bottom (60, 85) is (181, 256) in the magnifier; the top (60, 35),
    // (181, 106), is not on the arc.
    EXPECT_EQ(zoomImage.pixel(181, 256), ToQRgb(kNormal));
    EXPECT_EQ(zoomImage.pixel(181, 106), ToQRgb(kBackground));
}

TEST_F(MArcTest, CoordinatesFarOutsideThePictureSaturate)
{
    MData data;
    ASSERT_TRUE(arc->ToData(data, false));
    data.length[0].SetText("1e12");
    EXPECT_TRUE(arc->FromData(data));
    EXPECT_EQ(arc->circleRect, (TRect{INT_MIN, INT_MIN, INT_MAX, INT_MAX}));
    arc->Draw(DRAW_ACTIVE);
    arc->GetResults();
    arc->HitTest(60, 60);
    arc->InRect(0, 0, 100, 100);
    Drag(*arc, arc->handleTop, {INT_MAX, INT_MAX});
    arc->Move(INT_MIN, INT_MIN);
    arc->Draw(DRAW_NORMAL);

    auto far = MArc::Create(&canvas, {INT_MAX, INT_MAX}, {INT_MIN, INT_MAX}, {INT_MIN, INT_MIN});
    far->Draw(DRAW_ACTIVE);
    far->GetResults();
}

} // namespace

namespace {

// Whether a text box's inside (its edge rows and columns left out) holds a
// point of the radius line or of the arrowhead at its tip.
bool CoversRadiusArrow(const TRect& box, TPoint centre, TPoint tip)
{
    const double length = MTool::Distance(centre, tip);
    const double ux = (tip.x - centre.x) / length;
    const double uy = (tip.y - centre.y) / length;
    for (double t = 0; t <= length; t += 0.25) {
        // The arrowhead: 8 pixels long, from its tip to 2 to each side.
        const double halfWidth = length - t <= 8 ? (length - t) / 4 : 0;
        for (double w = -halfWidth; w <= halfWidth; w += 0.5) {
            const double x = centre.x + t * ux - w * uy;
            const double y = centre.y + t * uy + w * ux;
            if (x > box.left + 1 && x < box.right - 1 && y > box.top + 1 && y < box.bottom - 1)
                return true;
        }
    }
    return false;
}

TEST_F(MArcTest, LabelsKeepOffTheRadiusLineAndItsArrowhead)
{
    // Quarter arcs of radius 20 whose middles lie up-left, up-right,
    // down-left and down-right of their centres: the arrow points that way.
    // Each lies where its labels have room in the picture.
    const auto quarterArc = [](TPoint centre, int sx, int sy) {
        return std::array<TPoint, 3>{TPoint{centre.x + 20 * sx, centre.y}, TPoint{centre.x + 14 * sx, centre.y + 14 * sy},
                                     TPoint{centre.x, centre.y + 20 * sy}};
    };
    const std::pair<const char*, std::array<TPoint, 3>> arcs[] = {
        {"up-left", quarterArc({100, 100}, -1, -1)}, {"up-right", quarterArc({60, 100}, 1, -1)},
        {"down-left", quarterArc({100, 60}, -1, 1)}, {"down-right", quarterArc({60, 60}, 1, 1)}};
    for (const auto& [pointing, points] : arcs) {
        SCOPED_TRACE(pointing);
        auto quarter = MArc::Create(&canvas, points[0], points[1], points[2]);
        quarter->Draw(DRAW_NORMAL); // gives the labels their texts
        ASSERT_FALSE(quarter->label1.empty());
        ASSERT_FALSE(quarter->label2.empty());
        for (const int index : {1, 2})
            EXPECT_FALSE(CoversRadiusArrow(quarter->LabelRect(index, &canvas), quarter->centre, quarter->anchor))
                << "label " << index;
        // Nor does the angle cover the name, up and left of the tip.
        const TRect angle = quarter->LabelRect(2, &canvas);
        const TRect name = MTool::GetInstance()->TextRect(quarter->anchor.x - 15, quarter->anchor.y - 15, "A1");
        EXPECT_FALSE(angle.left < name.right && name.left < angle.right && angle.top < name.bottom &&
                     name.top < angle.bottom);
    }
}

} // namespace
