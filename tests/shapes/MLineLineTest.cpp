#include "ShapeTestSupport.h"

#include "shapes/MData.h"
#include "shapes/MLine.h"
#include "shapes/MLineLine.h"

#include <array>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

class MLineLineTest : public ShapeFixture {
protected:
    MLineLineTest()
    {
        first->number = 1;
        second->number = 2;
    }

    void SetLines(TPoint a1, TPoint a2, TPoint b1, TPoint b2)
    {
        first->p1 = a1;
        first->p2 = a2;
        second->p1 = b1;
        second->p2 = b2;
    }

    // The results after the (type name, display name) item.
    std::vector<MItem> Measured()
    {
        const std::vector<MItem>& all = relation.GetResults();
        return {all.begin() + 1, all.end()};
    }

    std::unique_ptr<MLine> first = MLine::Create(&canvas, 0, 0, 100, 0);
    std::unique_ptr<MLine> second = MLine::Create(&canvas, 0, 20, 100, 20);
    MLineLine relation{first.get(), second.get(), &canvas};
};

TEST_F(MLineLineTest, TakesTheLinesInTheOrderPassed)
{
    MLineLine reversed{second.get(), first.get(), &canvas};
    EXPECT_EQ(reversed.GetKind(), KIND_LINELINE);
    EXPECT_EQ(reversed.lineA, second.get());
    EXPECT_EQ(reversed.lineB, first.get());
    EXPECT_EQ(reversed.shapeA, first.get()) << "ordered by number for the display name";
    EXPECT_EQ(reversed.GetDisplayName(), "L1 L2");
    EXPECT_EQ(reversed.state, STATE_CREATED);
    EXPECT_EQ(reversed.GetEditState(), EDIT_IDLE);
    EXPECT_EQ(reversed.arcOffset, 0);
    EXPECT_EQ(reversed.GetResults().front(), (MItem{"Line Line Relation", "L1 L2"}));
}

TEST_F(MLineLineTest, ReportsHowTheLinesLieAndTheAngleShown)
{
    const struct {
        TPoint a1, a2, b1, b2;
        std::vector<MItem> expected;
        const char* figure;
    } cases[] = {
        {{0, 0}, {100, 0}, {50, -50}, {50, 50},
         {{"Relation", "Perpendicular"}, {"Angle", "90°0′0″"}, {"Supplementary Angle", "90°0′0″"}},
         "cross at right angles"},
        {{0, 0}, {100, 0}, {0, 0}, {0, 100},
         {{"Relation", "Perpendicular"}, {"Angle", "90°0′0″"}, {"Supplementary Angle", "90°0′0″"}},
         "L meeting at the ends"},
        {{0, 0}, {100, 0}, {0, 0}, {-50, 50},
         {{"Relation", "Intersect"}, {"Angle", "135°0′0″"}, {"Supplementary Angle", "45°0′0″"}},
         "V: the angle between the segments"},
        {{0, 0}, {100, 0}, {0, -50}, {100, 50},
         {{"Relation", "Intersect"}, {"Angle", "45°0′0″"}, {"Supplementary Angle", "135°0′0″"}},
         "crossing interiors: the acute angle"},
        {{0, 0}, {100, 0}, {100, 0}, {50, 50},
         {{"Relation", "Intersect"}, {"Angle", "45°0′0″"}, {"Supplementary Angle", "135°0′0″"}},
         "acute V"},
        {{0, 0}, {100, 0}, {200, 0}, {250, -10},
         {{"Relation", "Intersect"}, {"Angle", "168°41′24″"}, {"Supplementary Angle", "11°18′35″"}},
         "meeting only when extended"},
        // A right angle at this slope computes to 89.99999999999999 degrees.
        {{0, 0}, {10, 20}, {0, 0}, {-20, 10},
         {{"Relation", "Perpendicular"}, {"Angle", "90°0′0″"}, {"Supplementary Angle", "90°0′0″"}},
         "L at a slope"},
        {{0, 0}, {100, 0}, {0, 20}, {100, 20},
         {{"Relation", "Parallel"}, {"Distance of parallel lines", "20 px"}},
         "parallel"},
    };
    for (const auto& c : cases) {
        SetLines(c.a1, c.a2, c.b1, c.b2);
        EXPECT_EQ(Measured(), c.expected) << c.figure;
    }
}

TEST_F(MLineLineTest, DirectionsHalfADegreeApartIntersect)
{
    // 1000 px along, 7 px across is 0.40 degrees; 9 px is 0.52 degrees.
    SetLines({0, 0}, {1000, 0}, {0, 50}, {1000, 57});
    EXPECT_EQ(Measured().front().value, "Parallel");
    SetLines({0, 0}, {1000, 0}, {0, 50}, {1000, 59});
    EXPECT_EQ(Measured().front().value, "Intersect");
    // Far outside the picture: the arc is clipped, its label computed.
    relation.Draw(DRAW_NORMAL);
    EXPECT_LT(relation.vertex.x, -5000);
    EXPECT_EQ(relation.label1, "0°30′56″");
}

TEST_F(MLineLineTest, ParallelLinesDrawTheirDistanceFromTheMiddleOfTheFirst)
{
    relation.Draw(DRAW_NORMAL);
    EXPECT_EQ(relation.mid, (TPoint{50, 0}));
    EXPECT_EQ(relation.vertex, (TPoint{50, 20}));
    EXPECT_EQ(relation.ext1, (TPoint{0, 0}));
    EXPECT_EQ(relation.label1, "20");

    SetLines({0, 0}, {100, 0}, {200, 20}, {300, 20});
    relation.Draw(DRAW_NORMAL);
    EXPECT_EQ(relation.vertex, (TPoint{50, 20}));
    EXPECT_EQ(relation.ext1, (TPoint{200, 20}));
    EXPECT_EQ(relation.HitTest(120, 20), HIT_BODY) << "on the extension";
    const TPoint onDimension = MTool::Midpoint(relation.dimStart, relation.dimEnd);
    EXPECT_EQ(relation.HitTest(onDimension.x, onDimension.y), HIT_LABEL);
}

TEST_F(MLineLineTest, IntersectingLinesAreExtendedToTheirIntersection)
{
    // The first line stops 50 px short of the second, which it meets inside.
    SetLines({20, 100}, {90, 100}, {140, 40}, {140, 150});
    relation.Draw(DRAW_NORMAL);
    EXPECT_EQ(relation.vertex, (TPoint{140, 100}));
    EXPECT_EQ(relation.ext1, (TPoint{90, 100}));
    EXPECT_EQ(relation.ext2, (TPoint{0, 0}));
    EXPECT_EQ(Row(100, 90, 140), std::string(51, 'm'));
    EXPECT_EQ(relation.HitTest(115, 100), HIT_BODY);
    EXPECT_EQ(relation.label1, "90°0′0″");
}

TEST_F(MLineLineTest, TheArcSweepsTheAngleShownBetweenTicksAndArrowheads)
{
    param->SetBool(OPT_VIEW_MARK, false, false);
    // An obtuse V: the first line runs right from (60, 100), the second
    // meets that end from the upper left if extended 28 px.
    SetLines({60, 100}, {140, 100}, {20, 60}, {40, 80});
    relation.Draw(DRAW_NORMAL);
    EXPECT_TRUE(relation.IsObtuse());
    EXPECT_EQ(relation.vertex, (TPoint{60, 100}));
    EXPECT_EQ(relation.ext2, (TPoint{40, 80}));
    EXPECT_EQ(At(50, 90), 'm') << "the second line's extension";

    // Radius half the first line's length: the arc passes straight above
    // the vertex and not below it.
    EXPECT_EQ(relation.arcOffset, 0);
    EXPECT_EQ(relation.dimStart, (TPoint{100, 100}));
    // Positions along a ray are truncated: (31.7, 71.7) becomes (31, 71).
    EXPECT_EQ(relation.dimEnd, (TPoint{31, 71}));
    EXPECT_EQ(At(60, 60), 'm');
    EXPECT_EQ(Column(60, 101, 159), std::string(59, '.'));
    EXPECT_EQ(Row(100, 94, 106), std::string(13, 'm')) << "tick on the first ray across the arc";
    EXPECT_EQ(relation.dimAnchor, MTool::Midpoint(relation.dimStart, relation.dimEnd));
}

TEST_F(MLineLineTest, TheMagnifierShowsTheTicksAndArrowheadsButNotTheArc)
{
    QImage zoomImage{160, 160, QImage::Format_RGB32};
    zoomImage.fill(ToQRgb(kBackground));
    TCanvas zoomCanvas{&zoomImage};
    // The magnifier window shows image pixels 33 to 86 in both directions,
    // the top of the arc (60, 60) at (81, 81).
    MShape::SetZoomCanvas(&zoomCanvas, {100, 100});
    SetLines({60, 100}, {140, 100}, {20, 60}, {40, 80});
    relation.Draw(DRAW_NORMAL);
    ASSERT_EQ(At(60, 60), 'm');
    EXPECT_EQ(Column(zoomImage, 81, 70, 92), std::string(23, '.'));
    EXPECT_GT(Count(zoomImage, kMark), 0);
}

TEST_F(MLineLineTest, ASmallArcIsWidenedToTwentyPixels)
{
    SetLines({0, 0}, {30, 0}, {0, 0}, {0, 30});
    relation.Draw(DRAW_NORMAL);
    EXPECT_EQ(relation.arcOffset, 5);
    // Counter-clockwise on screen from the downward ray to the rightward one.
    EXPECT_EQ(relation.dimStart, (TPoint{0, 20}));
    EXPECT_EQ(relation.dimEnd, (TPoint{20, 0}));
}

TEST_F(MLineLineTest, AnAcuteVMeetingAtTheSecondLinesFirstEndDrawsAFullArc)
{
    // The vertex is the second line's first end, so that end gives no ray.
    SetLines({40, 40}, {140, 40}, {40, 40}, {100, 100});
    relation.Draw(DRAW_NORMAL);
    EXPECT_EQ(relation.vertex, (TPoint{40, 40}));
    EXPECT_NEAR(MTool::Distance(relation.vertex, relation.dimStart), 50, 1);
    EXPECT_NEAR(MTool::Distance(relation.vertex, relation.dimEnd), 50, 1);
    EXPECT_NE(relation.dimStart, relation.dimEnd);
    EXPECT_EQ(relation.label1, "45°0′0″");
}

TEST_F(MLineLineTest, DraggingTheArcWidensItUpToThreeHundredPixels)
{
    SetLines({20, 100}, {140, 100}, {20, 100}, {20, 20});
    relation.Draw(DRAW_NORMAL);
    ASSERT_EQ(relation.arcOffset, 0);
    // The chord's middle lies up and right of the vertex.
    relation.Move(10, -10);
    EXPECT_EQ(relation.arcOffset, 14);
    relation.Move(-10, 10);
    EXPECT_EQ(relation.arcOffset, 0);
    relation.Move(1000, -1000);
    EXPECT_EQ(relation.arcOffset, MLineLine::kMaxArcOffset);
}

TEST_F(MLineLineTest, AMouseDragOnTheArcWidensItAndOneOnTheLabelMovesTheLabel)
{
    param->SetBool(OPT_VIEW_MARK, true, false);
    SetLines({20, 100}, {140, 100}, {20, 100}, {20, -20});
    relation.Draw(DRAW_NORMAL);
    const TPoint onArc = MTool::PolarPoint(relation.vertex, 60, 315);
    relation.MouseDown(Qt::LeftButton, Qt::NoModifier, onArc.x, onArc.y);
    EXPECT_EQ(relation.dragLabel, 0);
    relation.MouseMove(Qt::NoModifier, onArc.x + 10, onArc.y - 10);
    relation.MouseUp(Qt::LeftButton, Qt::NoModifier, onArc.x + 10, onArc.y - 10);
    EXPECT_EQ(relation.arcOffset, 14);
    EXPECT_EQ(relation.dimStart, (TPoint{94, 100})) << "radius 60 + 14";
    EXPECT_EQ(first->p1, (TPoint{20, 100})) << "the lines stay";

    const TPoint onLabel = MTool::AddPoints(relation.dimAnchor, {2, 2});
    relation.MouseDown(Qt::LeftButton, Qt::NoModifier, onLabel.x, onLabel.y);
    EXPECT_EQ(relation.dragLabel, 1);
    relation.MouseMove(Qt::NoModifier, onLabel.x + 5, onLabel.y);
    relation.MouseUp(Qt::LeftButton, Qt::NoModifier, onLabel.x + 5, onLabel.y);
    EXPECT_EQ(relation.labelOffset1, (TPoint{5, 0}));
    EXPECT_EQ(relation.arcOffset, 14);
}

TEST_F(MLineLineTest, DraggingParallelLinesMovesTheirDimensionLine)
{
    relation.Draw(DRAW_NORMAL);
    relation.Move(10, 0);
    EXPECT_EQ(std::abs(relation.dimOffset), 10);
    EXPECT_EQ(relation.arcOffset, 0);
}

TEST_F(MLineLineTest, AClickOnTheArcGrabsItAndOneInsideItMisses)
{
    SetLines({20, 100}, {140, 100}, {20, 100}, {20, -20});
    relation.Draw(DRAW_NORMAL);
    const double radius = MTool::Distance(relation.vertex, relation.dimStart);
    ASSERT_NEAR(radius, 60, 1);
    const TPoint onArc = MTool::PolarPoint(relation.vertex, radius, 350);
    EXPECT_EQ(relation.HitTest(onArc.x, onArc.y), HIT_LABEL);
    EXPECT_EQ(relation.GetCursor(HIT_LABEL), crSizeAll);
    EXPECT_EQ(relation.HitTest(50, 90), HIT_NONE) << "inside the sector, off the arc";
    const TPoint belowVertex = MTool::PolarPoint(relation.vertex, radius, 90);
    EXPECT_EQ(relation.HitTest(belowVertex.x, belowVertex.y), HIT_NONE) << "on the circle outside the sector";
}

TEST_F(MLineLineTest, RecordsTheIntersectionOfIntersectingLinesOnly)
{
    MData data;
    data.SetImageHeight(160);
    EXPECT_FALSE(relation.ToData(data, false)) << "parallel";
    EXPECT_FALSE(data.point.IsValid());

    SetLines({0, 40}, {100, 40}, {30, 0}, {30, 100});
    EXPECT_TRUE(relation.ToData(data, false));
    EXPECT_FALSE(data.IsEditable());
    EXPECT_EQ(data.point.GetCaption(), "Intersect");
    EXPECT_EQ(data.point.GetTextX(), "30");
    EXPECT_EQ(data.point.GetTextY(), "120");
    EXPECT_FALSE(relation.ToData(data, true));
}

TEST_F(MLineLineTest, DerivesTheIntersectionAndTheTwoBisectors)
{
    EXPECT_TRUE(relation.DeriveCaptions().empty()) << "parallel lines derive nothing";
    EXPECT_TRUE(relation.DeriveShapes(&canvas, 1).empty());

    SetLines({0, 50}, {40, 50}, {20, 20}, {20, 80});
    EXPECT_EQ(relation.DeriveCaptions(), (std::vector<std::string>{"Create Intersect", "Create Angle Bisector"}));
    const auto point = relation.DeriveShapes(&canvas, 1);
    ASSERT_EQ(point.size(), 1u);
    EXPECT_EQ(point[0]->GetKind(), KIND_POINT);
    EXPECT_EQ(point[0]->p1, (TPoint{20, 50}));

    const auto bisectors = relation.DeriveShapes(&canvas, 2);
    ASSERT_EQ(bisectors.size(), 2u);
    for (const auto& shape : bisectors) {
        const auto* line = dynamic_cast<const MLine*>(shape.get());
        ASSERT_NE(line, nullptr);
        EXPECT_NEAR(line->GetLength(), 50, 1.5);
        EXPECT_EQ(MTool::Midpoint(line->p1, line->p2), (TPoint{20, 50}));
    }
    // Directions 0 and 90 give bisectors at 45 and 135 degrees.
    EXPECT_EQ(bisectors[0]->p1, MTool::PolarPoint({20, 50}, 25, 45));
    EXPECT_EQ(bisectors[1]->p1, MTool::PolarPoint({20, 50}, 25, 135));
    EXPECT_TRUE(relation.DeriveShapes(&canvas, 3).empty());
}

TEST_F(MLineLineTest, ALineOfNoLengthMakesTheRelationInvalid)
{
    SetLines({10, 10}, {10, 10}, {0, 20}, {100, 20});
    EXPECT_FALSE(relation.IsValid());
    EXPECT_EQ(relation.GetResults().size(), 1u);
    relation.Draw(DRAW_NORMAL);
    EXPECT_EQ(Count(kMark), 0);
    MData data;
    EXPECT_FALSE(relation.ToData(data, false));
    EXPECT_TRUE(relation.DeriveCaptions().empty());
}

TEST_F(MLineLineTest, AnOperandThatIsNoLineMakesTheRelationInvalid)
{
    MShape notALine(&canvas);
    MLineLine odd{first.get(), &notALine, &canvas};
    EXPECT_EQ(odd.lineB, nullptr);
    EXPECT_FALSE(odd.IsValid());
    odd.Draw(DRAW_NORMAL);
    EXPECT_EQ(odd.HitTest(50, 0), HIT_NONE);
}

} // namespace

namespace {

TEST_F(MLineLineTest, TheAngleLabelStaysInsideThePictureByItsEdges)
{
    // Two lines meeting near each edge of the 160-pixel picture: the angle's
    // label would run off it.
    const std::pair<const char*, std::array<TPoint, 4>> corners[] = {
        {"right", {TPoint{60, 80}, TPoint{158, 80}, TPoint{158, 40}, TPoint{158, 120}}},
        {"bottom", {TPoint{80, 60}, TPoint{80, 158}, TPoint{40, 158}, TPoint{120, 158}}},
        {"bottom right", {TPoint{100, 158}, TPoint{158, 158}, TPoint{158, 100}, TPoint{158, 158}}}};
    for (const auto& [name, ends] : corners) {
        SCOPED_TRACE(name);
        SetLines(ends[0], ends[1], ends[2], ends[3]);
        image.fill(ToQRgb(kBackground));
        relation.Draw(DRAW_NORMAL);
        ASSERT_FALSE(relation.label1.empty());
        const TRect box = relation.LabelRect(1, &canvas);
        EXPECT_GE(box.left, 0);
        EXPECT_GE(box.top, 0);
        EXPECT_LE(box.right, image.width());
        EXPECT_LE(box.bottom, image.height());
        // Shown whole where it is hit.
        EXPECT_EQ(relation.HitTest(box.left + 1, box.top + 1), HIT_LABEL);
    }
}

} // namespace
