#include "RelationTestSupport.h"

#include "shapes/MCircle.h"
#include "shapes/MLine.h"
#include "shapes/MLineCircle.h"

#include <memory>
#include <string>
#include <vector>

namespace {

class MLineCircleTest : public RelationFixture {
protected:
    void SetLine(TPoint l1, TPoint l2)
    {
        line->p1 = l1;
        line->p2 = l2;
    }

    // Radius 20 about (50, 50); the line 30 px below the centre.
    std::unique_ptr<MCircle> circle = Circle({50, 50}, 40, 1);
    std::unique_ptr<MLine> line = MLine::Create(&canvas, 0, 80, 100, 80);
    MLineCircle relation{line.get(), circle.get(), &canvas};
};

TEST_F(MLineCircleTest, TheLineComesFirst)
{
    line->number = 3;
    EXPECT_EQ(relation.GetKind(), KIND_LINECIRCLE);
    EXPECT_EQ(relation.state, STATE_CREATED);
    EXPECT_EQ(relation.line, line.get());
    EXPECT_EQ(relation.circle, circle.get());
    EXPECT_EQ(relation.shapeA, line.get());
    EXPECT_EQ(relation.GetResults().front(), (MItem{"Line Circle Relation", "L3 C1"}));

    // A horizontal line and a three-point circle qualify.
    MLineHori horizontal(&canvas);
    horizontal.p1 = {0, 70};
    horizontal.p2 = {10, 70};
    MCircleTriple triple(&canvas);
    triple.center = {50, 50};
    triple.left = {30, 50};
    triple.right = {70, 50};
    MLineCircle other{&horizontal, &triple, &canvas};
    EXPECT_EQ(other.GetResults()[1], (MItem{"Relation", "Tangent"}));
}

TEST_F(MLineCircleTest, ReportsHowTheLineLiesInPixelsAndInTheCalibratedUnit)
{
    const struct {
        TPoint l1, l2;
        std::vector<MItem> pixels;
        std::vector<MItem> millimetres; // at 0.01 mm a pixel
        const char* figure;
    } cases[] = {
        {{0, 80}, {100, 80},
         {{"Relation", "Not Intersect"}, {"Distance of center to line", "30 px"}},
         {{"Relation", "Not Intersect"}, {"Distance of center to line", "0.3 mm"}},
         "missing"},
        {{0, 70}, {100, 70},
         {{"Relation", "Tangent"}, {"Distance of center to line", "20 px"}},
         {{"Relation", "Tangent"}, {"Distance of center to line", "0.2 mm"}},
         "touching"},
        {{62, 66}, {46, 78},
         {{"Relation", "Tangent"}, {"Distance of center to line", "20 px"}},
         {{"Relation", "Tangent"}, {"Distance of center to line", "0.2 mm"}},
         "touching at a slant"},
        {{0, 62}, {100, 62},
         {{"Relation", "Intersect"}, {"Distance of center to line", "12 px"}, {"Chord", "32 px"}},
         {{"Relation", "Intersect"}, {"Distance of center to line", "0.12 mm"}, {"Chord", "0.32 mm"}},
         "cutting"},
        {{0, 62}, {10, 62},
         {{"Relation", "Intersect"}, {"Distance of center to line", "12 px"}, {"Chord", "32 px"}},
         {{"Relation", "Intersect"}, {"Distance of center to line", "0.12 mm"}, {"Chord", "0.32 mm"}},
         "a short segment beside the circle: the infinite line cuts"},
        {{0, 50}, {100, 50},
         {{"Relation", "Intersect"},
          {"Relation", "Line Pass Circle's Center"},
          {"Distance of center to line", "0 px"},
          {"Chord", "40 px"}},
         {{"Relation", "Intersect"},
          {"Relation", "Line Pass Circle's Center"},
          {"Distance of center to line", "0 mm"},
          {"Chord", "0.4 mm"}},
         "through the centre"},
        {{0, 60}, {100, 30},
         {{"Relation", "Intersect"}, {"Distance of center to line", "5.099 px"}, {"Chord", "38.6782 px"}},
         {{"Relation", "Intersect"}, {"Distance of center to line", "0.051 mm"}, {"Chord", "0.3868 mm"}},
         "at a slant: measured to the rounded foot (49, 45), not the 4.789 px to the line"},
    };
    for (const auto& c : cases) {
        SetLine(c.l1, c.l2);
        Calibrate(0, "");
        EXPECT_EQ(Measured(relation), c.pixels) << c.figure;
        Calibrate(0.01, "mm");
        EXPECT_EQ(Measured(relation), c.millimetres) << c.figure;
    }
}

// A touching line is found on the pixel grid exactly, at every size.
TEST_F(MLineCircleTest, TouchingIsDecidedExactlyAtEverySize)
{
    const struct {
        int diameter;
        TPoint l1, l2;
        const char* relation;
        const char* figure;
    } cases[] = {
        {60000, {18000, 24000}, {14000, 27000}, "Tangent", "large, touching at a slant"},
        {60000, {30000, 1}, {29999, 30001}, "Not Intersect", "large, 0.000017 px away"},
        // Beyond 2^53 a squared distance no longer fits a double's mantissa.
        {200000000, {100000000, 1}, {99999999, 100000001}, "Not Intersect", "huge, 0.000000005 px away"},
    };
    for (const auto& c : cases) {
        const auto big = Circle({0, 0}, c.diameter);
        line->p1 = c.l1;
        line->p2 = c.l2;
        MLineCircle touching{line.get(), big.get(), &canvas};
        EXPECT_EQ(touching.GetResults()[1], (MItem{"Relation", c.relation})) << c.figure;
    }
}

TEST_F(MLineCircleTest, ACircleOfNoSizeOnTheLineTouchesItThroughItsCentre)
{
    const auto dot = Circle({50, 80}, 0);
    MLineCircle onLine{line.get(), dot.get(), &canvas};
    EXPECT_EQ(Measured(onLine), (std::vector<MItem>{{"Relation", "Tangent"},
                                                    {"Relation", "Line Pass Circle's Center"},
                                                    {"Distance of center to line", "0 px"}}));
}

TEST_F(MLineCircleTest, FollowsAnEditOfTheLineOrTheCircle)
{
    circle->Move(0, 20);
    EXPECT_EQ(Measured(relation)[0], (MItem{"Relation", "Intersect"}));
    EXPECT_EQ(Measured(relation)[1], (MItem{"Distance of center to line", "10 px"}));

    line->grabPoint = line->p2;
    line->lastMouse = line->p2;
    line->ReshapeEnd(100, 50);
    relation.Draw(DRAW_NORMAL);
    EXPECT_EQ(relation.foot, (TPoint{49, 65}));
    EXPECT_EQ(relation.label1, "5.099");
}

TEST_F(MLineCircleTest, DrawsThePerpendicularFromTheCentreAndExtendsTheSegmentToItsFoot)
{
    param->SetBool(OPT_VIEW_MARK, false, false);
    SetLine({0, 62}, {10, 62});
    relation.Draw(DRAW_NORMAL);
    EXPECT_EQ(relation.foot, (TPoint{50, 62}));
    EXPECT_EQ(relation.extEnd, (TPoint{10, 62}));
    EXPECT_EQ(Row(62, 10, 50), std::string(41, 'm')) << "the extension";
    EXPECT_EQ(Row(62, 1, 9), std::string(9, '.')) << "the segment itself is not the relation's";
    // From the foot up to the centre, 12 px long: arrows point in from outside.
    EXPECT_EQ(relation.dimStart.y, 62);
    EXPECT_EQ(relation.dimEnd.y, 50);
    EXPECT_EQ(relation.dimStart.x, relation.dimEnd.x);
    EXPECT_EQ(Column(relation.dimStart.x, 50, 62), std::string(13, 'm'));

    EXPECT_EQ(relation.HitTest(relation.dimStart.x, 56), HIT_LABEL) << "on the dimension line";
    EXPECT_EQ(relation.HitTest(30, 63), HIT_BODY) << "on the extension";
    EXPECT_EQ(relation.HitTest(5, 62), HIT_NONE) << "on the segment itself";
}

TEST_F(MLineCircleTest, ALineThroughTheCentreDrawsNoDimensionAndOffersOnlyTheFoot)
{
    SetLine({0, 50}, {100, 50});
    relation.Draw(DRAW_NORMAL);
    EXPECT_EQ(Count(kMark), 0);
    EXPECT_EQ(relation.dimAnchor, (TPoint{50, 50}));
    EXPECT_EQ(relation.label1, "0");
    EXPECT_EQ(relation.DeriveCaptions(), (std::vector<std::string>{"Create Perpendicular"}));
    EXPECT_EQ(Derived(relation, 1), "P(50, 50)");
    EXPECT_EQ(Derived(relation, 2), "");
}

TEST_F(MLineCircleTest, RecordsTheFoot)
{
    EXPECT_EQ(Recorded(relation), "Perpendicular 50, 20");
}

TEST_F(MLineCircleTest, DerivesTheFootAndThePerpendicularFromTheCentre)
{
    EXPECT_EQ(relation.DeriveCaptions(),
              (std::vector<std::string>{"Create Perpendicular", "Create Perpendicular Line"}));
    EXPECT_EQ(Derived(relation, 1), "P(50, 80)");
    EXPECT_EQ(Derived(relation, 2), "L(50, 50)-(50, 80)");
    EXPECT_EQ(Derived(relation, 3), "");
}

TEST_F(MLineCircleTest, ALineOfNoLengthMakesTheRelationInvalid)
{
    SetLine({30, 30}, {30, 30});
    ExpectInert(relation);

    MLineCircle twoLines{line.get(), line.get(), &canvas};
    EXPECT_FALSE(twoLines.IsValid()) << "an operand that is no circle";
}

} // namespace
