#include "RelationTestSupport.h"

#include "shapes/MLine.h"
#include "shapes/MPoint.h"
#include "shapes/MPointPoint.h"

#include <memory>
#include <string>
#include <vector>

namespace {

class MPointPointTest : public RelationFixture {
protected:
    static std::unique_ptr<MPoint> Numbered(int number, TPoint at)
    {
        auto point = MPoint::Create(nullptr, at.x, at.y);
        point->number = number;
        return point;
    }

    void SetPoints(TPoint a, TPoint b)
    {
        first->p1 = a;
        second->p1 = b;
    }

    std::unique_ptr<MPoint> first = Numbered(5, {10, 10});
    std::unique_ptr<MPoint> second = Numbered(2, {40, 50});
    MPointPoint relation{first.get(), second.get(), &canvas};
};

TEST_F(MPointPointTest, NamesThePointsByNumberButMeasuresFromTheFirstPassed)
{
    EXPECT_EQ(relation.GetKind(), KIND_POINTPOINT);
    EXPECT_EQ(relation.state, STATE_CREATED);
    EXPECT_EQ(relation.pointA, first.get());
    EXPECT_EQ(relation.pointB, second.get());
    EXPECT_EQ(relation.shapeA, second.get());
    EXPECT_EQ(relation.GetResults().front(), (MItem{"Point Point Relation", "P2 P5"}));
    EXPECT_EQ(Derived(relation, 2), "L(10, 10)-(40, 50)") << "from point 5, the first passed";
}

TEST_F(MPointPointTest, ReportsTheDistanceInPixelsAndInTheCalibratedUnit)
{
    const struct {
        TPoint a, b;
        const char* pixels;
        const char* millimetres; // at 0.01 mm a pixel
    } cases[] = {
        {{10, 10}, {40, 50}, "50 px", "0.5 mm"},
        {{0, 0}, {1, 1}, "1.4142 px", "0.0141 mm"},
        {{30, 30}, {30, 30}, "0 px", "0 mm"},
    };
    for (const auto& c : cases) {
        SetPoints(c.a, c.b);
        Calibrate(0, "");
        EXPECT_EQ(Measured(relation), (std::vector<MItem>{{"Distance", c.pixels}})) << c.pixels;
        Calibrate(0.01, "mm");
        EXPECT_EQ(Measured(relation), (std::vector<MItem>{{"Distance", c.millimetres}})) << c.pixels;
    }
}

TEST_F(MPointPointTest, FollowsAMoveOfEitherPoint)
{
    relation.Draw(DRAW_NORMAL);
    EXPECT_EQ(relation.label1, "50");

    second->Move(30, 40);
    EXPECT_EQ(Measured(relation), (std::vector<MItem>{{"Distance", "100 px"}}));
    first->Move(60, 80);
    EXPECT_EQ(Measured(relation), (std::vector<MItem>{{"Distance", "0 px"}}));
    relation.Draw(DRAW_NORMAL);
    EXPECT_EQ(relation.label1, "0");
    EXPECT_EQ(relation.dimAnchor, (TPoint{70, 90}));
    EXPECT_EQ(Recorded(relation), "Mid-Point 70, 10");
}

TEST_F(MPointPointTest, DrawsADimensionLineBetweenThePointsAndIsPickedOnIt)
{
    param->SetBool(OPT_VIEW_MARK, false, false);
    SetPoints({20, 80}, {140, 80});
    relation.Draw(DRAW_NORMAL);
    // 12 px above the points, arrows inside: the dimension line is row 68.
    EXPECT_EQ(relation.dimStart, (TPoint{20, 68}));
    EXPECT_EQ(relation.dimEnd, (TPoint{140, 68}));
    EXPECT_EQ(Row(68, 20, 140), std::string(121, 'm'));
    EXPECT_EQ(Row(80, 25, 135), std::string(111, '.')) << "the points are not joined";
    EXPECT_EQ(relation.dimAnchor, (TPoint{80, 68}));
    EXPECT_EQ(relation.HitTest(50, 69), HIT_LABEL);
    EXPECT_EQ(relation.HitTest(50, 80), HIT_NONE);
}

TEST_F(MPointPointTest, PointsAtOnePlaceDrawOnlyTheLabelThereAndLeaveNothingToPick)
{
    SetPoints({20, 80}, {140, 80});
    relation.Draw(DRAW_NORMAL);
    SetPoints({60, 60}, {60, 60});
    image.fill(ToQRgb(kBackground));
    relation.Draw(DRAW_NORMAL);
    EXPECT_EQ(Count(kMark), 0);
    EXPECT_GT(Count(kMarkFont), 0) << "the label 0";
    EXPECT_EQ(relation.dimAnchor, (TPoint{60, 60}));
    EXPECT_EQ(relation.HitTest(50, 68), HIT_NONE) << "where the earlier dimension line was";
}

TEST_F(MPointPointTest, RecordsTheMidpoint)
{
    EXPECT_EQ(Recorded(relation), "Mid-Point 25, 70");
}

TEST_F(MPointPointTest, DerivesTheMidpointAndTheLineThroughDistinctPoints)
{
    EXPECT_EQ(relation.DeriveCaptions(), (std::vector<std::string>{"Create Mid-Point", "Create Line Of Points"}));
    EXPECT_EQ(Derived(relation, 1), "P(25, 30)");
    EXPECT_EQ(Derived(relation, 3), "");

    SetPoints({30, 30}, {30, 30});
    EXPECT_EQ(relation.DeriveCaptions(), (std::vector<std::string>{"Create Mid-Point"}));
    EXPECT_EQ(Derived(relation, 1), "P(30, 30)");
    EXPECT_EQ(Derived(relation, 2), "");
}

TEST_F(MPointPointTest, AnOperandThatIsNoPointMakesTheRelationInvalid)
{
    const auto line = MLine::Create(&canvas, 0, 0, 50, 50);
    MPointPoint odd{first.get(), line.get(), &canvas};
    ExpectInert(odd);
}

} // namespace
