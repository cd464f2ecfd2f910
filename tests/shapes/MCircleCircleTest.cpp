#include "RelationTestSupport.h"

#include "shapes/MCircle.h"
#include "shapes/MCircleCircle.h"
#include "shapes/MLine.h"

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

class MCircleCircleTest : public RelationFixture {
protected:
    // Circle 3, passed first, and circle 1.
    void SetCircles(TPoint c1, int d1, TPoint c2, int d2)
    {
        first = Circle(c1, d1, 3);
        second = Circle(c2, d2, 1);
        relation = std::make_unique<MCircleCircle>(first.get(), second.get(), &canvas);
    }

    std::unique_ptr<MCircle> first, second;
    std::unique_ptr<MCircleCircle> relation;
};

TEST_F(MCircleCircleTest, NamesTheCirclesByNumberButConstructsFromTheFirstPassed)
{
    SetCircles({0, 0}, 20, {30, 0}, 20);
    EXPECT_EQ(relation->GetKind(), KIND_CIRCLECIRCLE);
    EXPECT_EQ(relation->state, STATE_CREATED);
    EXPECT_EQ(relation->circleA, first.get());
    EXPECT_EQ(relation->shapeA, second.get());
    EXPECT_EQ(relation->GetResults().front(), (MItem{"Circle Circle Relation", "C1 C3"}));
    // On equal radii the first circle passed counts as the smaller one: the
    // tangents run from it.
    EXPECT_EQ(Derived(*relation, 1), "L(0, 10)-(30, 10) L(0, -10)-(30, -10)");

    MCircleTriple triple(&canvas);
    triple.center = {30, 0};
    triple.left = {20, 0};
    triple.right = {40, 0};
    MCircleCircle withTriple{first.get(), &triple, &canvas};
    EXPECT_EQ(withTriple.GetPosition(), CC_SEPARATE) << "a three-point circle qualifies";
}

TEST_F(MCircleCircleTest, ReportsEveryPositionInPixelsAndInTheCalibratedUnit)
{
    const struct {
        TPoint c1;
        int d1;
        TPoint c2;
        int d2;
        int position;
        std::vector<MItem> pixels;
        std::vector<MItem> millimetres; // at 0.01 mm a pixel
    } cases[] = {
        {{0, 0}, 20, {30, 0}, 20, CC_SEPARATE,
         {{"Relation", "Seperate"}, {"Distance of two centers", "30 px"}},
         {{"Relation", "Seperate"}, {"Distance of two centers", "0.3 mm"}}},
        {{0, 0}, 20, {20, 0}, 20, CC_CIRCUMSCRIBE,
         {{"Relation", "Circumscribe"}, {"Distance of two centers", "20 px"}},
         {{"Relation", "Circumscribe"}, {"Distance of two centers", "0.2 mm"}}},
        {{0, 0}, 20, {12, 16}, 20, CC_CIRCUMSCRIBE,
         {{"Relation", "Circumscribe"}, {"Distance of two centers", "20 px"}},
         {{"Relation", "Circumscribe"}, {"Distance of two centers", "0.2 mm"}}},
        {{0, 0}, 20, {10, 0}, 20, CC_INTERSECT,
         {{"Relation", "Intersect"}, {"Chord", "17.3205 px"}, {"Distance of two centers", "10 px"}},
         {{"Relation", "Intersect"}, {"Chord", "0.1732 mm"}, {"Distance of two centers", "0.1 mm"}}},
        {{0, 0}, 10, {5, 0}, 20, CC_INSCRIBE,
         {{"Relation", "Inscribe"}, {"Distance of two centers", "5 px"}},
         {{"Relation", "Inscribe"}, {"Distance of two centers", "0.05 mm"}}},
        {{3, 4}, 20, {0, 0}, 30, CC_INSCRIBE,
         {{"Relation", "Inscribe"}, {"Distance of two centers", "5 px"}},
         {{"Relation", "Inscribe"}, {"Distance of two centers", "0.05 mm"}}},
        {{1, 0}, 10, {0, 0}, 40, CC_INCLUDE,
         {{"Relation", "One Include Another"}, {"Distance of two centers", "1 px"}},
         {{"Relation", "One Include Another"}, {"Distance of two centers", "0.01 mm"}}},
        {{0, 0}, 10, {0, 0}, 20, CC_INCLUDE,
         {{"Relation", "One Include Another"}, {"Relation", "Two Circles Same Center"}},
         {{"Relation", "One Include Another"}, {"Relation", "Two Circles Same Center"}}},
        {{0, 0}, 20, {0, 0}, 20, CC_NONE,
         {{"Relation", "Two Circles Same Center"}},
         {{"Relation", "Two Circles Same Center"}}},
        {{7, 7}, 0, {7, 7}, 0, CC_NONE,
         {{"Relation", "Two Circles Same Center"}},
         {{"Relation", "Two Circles Same Center"}}},
    };
    for (const auto& c : cases) {
        SetCircles(c.c1, c.d1, c.c2, c.d2);
        const std::string figure = "diameters " + std::to_string(c.d1) + " and " + std::to_string(c.d2) + " at "
                                   + std::to_string(c.c2.x - c.c1.x) + ", " + std::to_string(c.c2.y - c.c1.y);
        EXPECT_EQ(relation->GetPosition(), c.position) << figure;
        Calibrate(0, "");
        EXPECT_EQ(Measured(*relation), c.pixels) << figure;
        Calibrate(0.01, "mm");
        EXPECT_EQ(Measured(*relation), c.millimetres) << figure;
    }
}

// Touching is decided on the pixel grid, where a radius is a whole number of
// half pixels and a squared centre distance a whole number: exactly, at every
// size, with no slack that would let a near miss of large circles touch.
TEST_F(MCircleCircleTest, TouchingIsDecidedExactlyAtEverySize)
{
    const struct {
        TPoint c1;
        int d1;
        TPoint c2;
        int d2;
        int position;
        const char* figure;
    } cases[] = {
        {{0, 0}, 30000, {18000, 24000}, 30000, CC_CIRCUMSCRIBE, "large, touching at a slant"},
        {{0, 0}, 30000, {30000, 1}, 30000, CC_SEPARATE, "large, 0.000017 px apart"},
        {{0, 0}, 30000, {30000, 0}, 30001, CC_INTERSECT, "large, overlapping by half a pixel"},
        {{0, 0}, 60000, {9000, 12000}, 30000, CC_INSCRIBE, "large, touching from inside at a slant"},
        {{0, 0}, 60000, {15000, 1}, 30000, CC_INTERSECT, "large, 0.000033 px from touching inside"},
        // Beyond 2^53 a squared distance no longer fits a double's mantissa.
        {{0, 0}, 100000000, {100000000, 1}, 100000000, CC_SEPARATE, "huge, 0.000000005 px apart"},
    };
    for (const auto& c : cases) {
        SetCircles(c.c1, c.d1, c.c2, c.d2);
        EXPECT_EQ(relation->GetPosition(), c.position) << c.figure;
    }
}

TEST_F(MCircleCircleTest, FollowsAnEditOfEitherCircle)
{
    SetCircles({40, 40}, 20, {100, 40}, 20);
    EXPECT_EQ(Measured(*relation).front(), (MItem{"Relation", "Seperate"}));
    second->Move(-40, 0);
    EXPECT_EQ(Measured(*relation).front(), (MItem{"Relation", "Circumscribe"}));
    first->Move(10, 0);
    EXPECT_EQ(Measured(*relation).front(), (MItem{"Relation", "Intersect"}));
    relation->Draw(DRAW_NORMAL);
    EXPECT_EQ(relation->label1, "10");
}

TEST_F(MCircleCircleTest, DrawsTheCentreDistanceAsADimension)
{
    param->SetBool(OPT_VIEW_MARK, false, false);
    SetCircles({20, 80}, 20, {140, 80}, 40);
    relation->Draw(DRAW_NORMAL);
    EXPECT_EQ(relation->dimStart, (TPoint{20, 68}));
    EXPECT_EQ(relation->dimEnd, (TPoint{140, 68}));
    EXPECT_EQ(Row(68, 20, 140), std::string(121, 'm'));
    EXPECT_EQ(relation->HitTest(80, 69), HIT_LABEL);
    EXPECT_EQ(relation->HitTest(80, 80), HIT_NONE);

    param->SetBool(OPT_VIEW_MARK, true, false);
    SetCircles({60, 60}, 10, {60, 60}, 40);
    image.fill(ToQRgb(kBackground));
    relation->Draw(DRAW_NORMAL);
    EXPECT_EQ(Count(kMark), 0) << "concentric: no dimension";
    EXPECT_EQ(relation->dimAnchor, (TPoint{60, 60}));
    EXPECT_EQ(relation->label1, "0");
}

TEST_F(MCircleCircleTest, RecordsTheMidpointOfTheCentres)
{
    SetCircles({20, 30}, 20, {41, 50}, 20);
    EXPECT_EQ(Recorded(*relation), "Mid-Point 31, 60");
}

TEST_F(MCircleCircleTest, OffersAndMakesTheConstructionsOfEachPosition)
{
    const struct {
        TPoint c2;
        int d1, d2;
        std::vector<std::string> captions;
        const char* first;
        const char* second;
        const char* figure;
    } cases[] = {
        {{30, 0}, 20, 20, {"Create Circumscribe Line", "Create Inscribe Line"},
         "L(0, 10)-(30, 10) L(0, -10)-(30, -10)", "L(7, 7)-(23, -7) L(7, -7)-(23, 7)",
         "apart: the inner tangents cross between the circles"},
        {{20, 0}, 20, 20, {"Create Circumscribe Line", "Create Inscribe Line"},
         "L(0, 10)-(20, 10) L(0, -10)-(20, -10)", "L(10, 10)-(10, -10)",
         "touching outside: one inner tangent, through the touching point"},
        {{10, 0}, 20, 20, {"Create Circumscribe Line", "Create Common Chord"},
         "L(0, 10)-(10, 10) L(0, -10)-(10, -10)", "L(5, 8)-(5, -8)",
         "crossing: the chord on x = 5"},
        {{5, 0}, 10, 20, {"Create Circumscribe Line"}, "L(-5, -10)-(-5, 10)", "",
         "touching inside: one outer tangent, through the touching point"},
        {{1, 0}, 10, 40, {}, "", "", "one inside the other"},
        {{0, 0}, 10, 20, {}, "", "", "concentric"},
        {{0, 0}, 20, 20, {}, "", "", "one circle twice"},
    };
    for (const auto& c : cases) {
        SetCircles({0, 0}, c.d1, c.c2, c.d2);
        EXPECT_EQ(relation->DeriveCaptions(), c.captions) << c.figure;
        EXPECT_EQ(Derived(*relation, 1), c.first) << c.figure;
        EXPECT_EQ(Derived(*relation, 2), c.second) << c.figure;
        EXPECT_EQ(Derived(*relation, 3), "") << c.figure;
    }
}

// The first centre beyond the chord, inside the second circle: the chord
// lies behind it, where the circles cross, not between the centres.
TEST_F(MCircleCircleTest, TheCommonChordJoinsTheCrossingPointsBehindTheFirstCentre)
{
    SetCircles({0, 0}, 60, {30, 0}, 100);
    const auto chord = relation->DeriveShapes(&canvas, 2);
    ASSERT_EQ(chord.size(), 1u);
    for (const TPoint end : {chord[0]->p1, chord[0]->p2}) {
        EXPECT_LT(end.x, 0) << end;
        EXPECT_NEAR(MTool::Distance(end, {0, 0}), 30, 1.5) << end;
        EXPECT_NEAR(MTool::Distance(end, {30, 0}), 50, 1.5) << end;
    }
}

// A circle of no size has no tangents of its own: nothing is offered, and no
// construction divides by a zero radius or a zero centre distance.
TEST_F(MCircleCircleTest, CirclesOfNoSizeOfferNoConstruction)
{
    const struct {
        TPoint c2;
        int d1, d2;
    } cases[] = {
        {{30, 0}, 0, 20}, // a dot apart from a circle
        {{30, 0}, 20, 0},
        {{10, 0}, 0, 20}, // a dot on the circle
        {{30, 40}, 0, 0}, // two dots apart
        {{0, 0}, 0, 0},   // two dots at one place
    };
    for (const auto& c : cases) {
        SetCircles({0, 0}, c.d1, c.c2, c.d2);
        EXPECT_TRUE(relation->DeriveCaptions().empty()) << c.c2 << " " << c.d1 << " " << c.d2;
        for (int index : {1, 2})
            EXPECT_EQ(Derived(*relation, index), "") << c.c2 << " " << c.d1 << " " << c.d2;
    }
}

// Far from the image corner, a construction that went wrong (a NaN turned
// into the point (0, 0)) would stand out: every derived line stays near the
// circles, in every position the radii and distances below give.
TEST_F(MCircleCircleTest, EveryConstructionStaysWithTheCircles)
{
    const TPoint origin{5000, 5000};
    for (int d1 : {2, 20, 40})
        for (int d2 : {2, 20, 40})
            for (int dx = 0; dx <= 40; dx += 3)
                for (int dy : {0, 7}) {
                    SetCircles(origin, d1, {origin.x + dx, origin.y + dy}, d2);
                    const double reach = MTool::Distance(origin, second->center) + d1 + d2;
                    for (int index : {1, 2})
                        for (const auto& line : relation->DeriveShapes(&canvas, index))
                            for (const TPoint end : {line->p1, line->p2})
                                EXPECT_LE(MTool::Distance(end, origin), reach)
                                    << d1 << " " << d2 << " " << dx << " " << dy << " caption " << index;
                }
}

TEST_F(MCircleCircleTest, AnOperandThatIsNoCircleMakesTheRelationInvalid)
{
    SetCircles({0, 0}, 20, {30, 0}, 20);
    const auto line = MLine::Create(&canvas, 0, 0, 50, 50);
    MCircleCircle odd{first.get(), line.get(), &canvas};
    ExpectInert(odd);
}

} // namespace
