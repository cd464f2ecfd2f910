#include "RelationTestSupport.h"

#include "shapes/MLine.h"
#include "shapes/MPoint.h"
#include "shapes/MPointLine.h"

#include <memory>
#include <string>
#include <vector>

namespace {

class MPointLineTest : public RelationFixture {
protected:
    MPointLineTest()
    {
        point->number = 4;
        line->number = 1;
    }

    void Set(TPoint p, TPoint l1, TPoint l2)
    {
        point->p1 = p;
        line->p1 = l1;
        line->p2 = l2;
    }

    std::unique_ptr<MPoint> point = MPoint::Create(&canvas, 120, 80);
    std::unique_ptr<MLine> line = MLine::Create(&canvas, 20, 40, 80, 40);
    MPointLine relation{point.get(), line.get(), &canvas};
};

TEST_F(MPointLineTest, ThePointComesFirst)
{
    EXPECT_EQ(relation.GetKind(), KIND_POINTLINE);
    EXPECT_EQ(relation.state, STATE_CREATED);
    EXPECT_EQ(relation.point, point.get());
    EXPECT_EQ(relation.line, line.get());
    EXPECT_EQ(relation.shapeA, point.get());
    EXPECT_EQ(relation.GetResults().front(), (MItem{"Point Line Relation", "P4 L1"}));

    MLineVert vertical(&canvas);
    vertical.p1 = {100, 0};
    vertical.p2 = {100, 50};
    MPointLine toVertical{point.get(), &vertical, &canvas};
    EXPECT_EQ(toVertical.GetResults().back(), (MItem{"Distance of point to line", "20 px"}));
}

TEST_F(MPointLineTest, MeasuresToTheInfiniteLineInPixelsAndInTheCalibratedUnit)
{
    const struct {
        TPoint p, l1, l2;
        const char* pixels;
        const char* millimetres; // at 0.01 mm a pixel
    } cases[] = {
        {{15, 10}, {10, 0}, {20, 0}, "10 px", "0.1 mm"},
        {{0, 10}, {10, 0}, {20, 0}, "10 px", "0.1 mm"},        // beyond the segment's end
        {{0, 10}, {0, 0}, {10, 10}, "7.0711 px", "0.0707 mm"}, // at a slant
        {{0, 1}, {0, 0}, {2, 1}, "0.8944 px", "0.0089 mm"},    // the rounded foot (0, 0) lies 1 px off
        {{5, 5}, {0, 0}, {10, 10}, "0 px", "0 mm"},            // on the line
    };
    for (const auto& c : cases) {
        Set(c.p, c.l1, c.l2);
        Calibrate(0, "");
        EXPECT_EQ(Measured(relation), (std::vector<MItem>{{"Distance of point to line", c.pixels}})) << c.pixels;
        Calibrate(0.01, "mm");
        EXPECT_EQ(Measured(relation), (std::vector<MItem>{{"Distance of point to line", c.millimetres}}))
            << c.pixels;
    }
}

TEST_F(MPointLineTest, ExtendsTheSegmentToAFootBeyondItsEnd)
{
    const struct {
        TPoint p;
        TPoint foot;
        TPoint extEnd;
        const char* figure;
    } cases[] = {
        {{120, 80}, {120, 40}, {80, 40}, "beyond the second end"},
        {{0, 80}, {0, 40}, {20, 40}, "beyond the first end"},
        {{50, 80}, {50, 40}, {0, 0}, "on the segment"},
        {{81, 80}, {81, 40}, {0, 0}, "1 px beyond, within the slack"},
        {{83, 80}, {83, 40}, {80, 40}, "3 px beyond"},
    };
    for (const auto& c : cases) {
        point->p1 = c.p;
        relation.Draw(DRAW_NORMAL);
        EXPECT_EQ(relation.foot, c.foot) << c.figure;
        EXPECT_EQ(relation.extEnd, c.extEnd) << c.figure;
    }
}

TEST_F(MPointLineTest, DrawsTheExtensionAndTheDimensionAlongThePerpendicular)
{
    param->SetBool(OPT_VIEW_MARK, false, false);
    relation.Draw(DRAW_NORMAL);
    EXPECT_EQ(Row(40, 80, 120), std::string(41, 'm')) << "the extension";
    EXPECT_EQ(Row(40, 21, 79), std::string(59, '.')) << "the line itself is not the relation's";
    // The dimension runs down from the foot, 12 px to its right.
    EXPECT_EQ(relation.dimStart, (TPoint{132, 40}));
    EXPECT_EQ(relation.dimEnd, (TPoint{132, 80}));
    EXPECT_EQ(Column(132, 40, 80), std::string(41, 'm'));

    EXPECT_EQ(relation.HitTest(133, 60), HIT_LABEL) << "on the dimension line";
    EXPECT_EQ(relation.HitTest(100, 41), HIT_BODY) << "on the extension";
    EXPECT_EQ(relation.HitTest(50, 40), HIT_NONE) << "on the line itself";
}

TEST_F(MPointLineTest, FollowsAnEditOfThePointOrTheLine)
{
    relation.Draw(DRAW_NORMAL);
    EXPECT_EQ(relation.label1, "40");

    line->Move(0, 20);
    EXPECT_EQ(Measured(relation), (std::vector<MItem>{{"Distance of point to line", "20 px"}}));
    point->Move(-70, 0);
    relation.Draw(DRAW_NORMAL);
    EXPECT_EQ(relation.label1, "20");
    EXPECT_EQ(relation.foot, (TPoint{50, 60}));
    EXPECT_EQ(relation.extEnd, (TPoint{0, 0}));
    EXPECT_EQ(relation.HitTest(100, 61), HIT_NONE) << "the old extension is gone";
    EXPECT_EQ(Recorded(relation), "Perpendicular 50, 40");
}

TEST_F(MPointLineTest, RecordsTheFoot)
{
    EXPECT_EQ(Recorded(relation), "Perpendicular 120, 60");
}

TEST_F(MPointLineTest, DerivesTheFootAndThePerpendicularFromThePoint)
{
    EXPECT_EQ(relation.DeriveCaptions(),
              (std::vector<std::string>{"Create Perpendicular", "Create Perpendicular Line"}));
    EXPECT_EQ(Derived(relation, 1), "P(120, 40)");
    EXPECT_EQ(Derived(relation, 2), "L(120, 80)-(120, 40)");

    point->p1 = {50, 40};
    EXPECT_EQ(relation.DeriveCaptions(), (std::vector<std::string>{"Create Perpendicular"}));
    EXPECT_EQ(Derived(relation, 2), "");
}

TEST_F(MPointLineTest, ALineOfNoLengthMakesTheRelationInvalid)
{
    Set({50, 80}, {30, 30}, {30, 30});
    ExpectInert(relation);
}

} // namespace
