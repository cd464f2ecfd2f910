#include "ShapeTestSupport.h"

#include "shapes/MCircle.h"
#include "shapes/MCircleCircle.h"
#include "shapes/MData.h"
#include "shapes/MLine.h"
#include "shapes/MLineCircle.h"
#include "shapes/MLineLine.h"
#include "shapes/MPoint.h"
#include "shapes/MPointLine.h"
#include "shapes/MPointPoint.h"
#include "tests/support/TestRelation.h"

#include <memory>

namespace {

class MRelationTest : public ShapeFixture {
protected:
    std::unique_ptr<MPoint> Point(int number, TPoint at)
    {
        auto point = MPoint::Create(&canvas, at.x, at.y);
        point->number = number;
        return point;
    }

    // Two points 120 px apart on row 80: the dimension line runs 12 px above
    // them, on row 68, with its label "120" at (80, 68).
    std::unique_ptr<MPoint> left = Point(1, {20, 80});
    std::unique_ptr<MPoint> right = Point(2, {140, 80});
    TestRelation relation{left.get(), right.get(), &canvas};
};

TEST_F(MRelationTest, OperandsOfOneKindAreOrderedByNumberOthersKeepTheirOrder)
{
    const auto point2 = Point(2, {10, 10});
    const auto point3 = Point(3, {20, 10});
    const auto otherPoint3 = Point(3, {30, 10});
    const auto point4 = Point(4, {40, 10});
    const auto point5 = Point(5, {50, 10});
    const auto line1 = MLine::Create(&canvas, 0, 50, 100, 50);
    line1->number = 1;

    const struct {
        MShape* a;
        MShape* b;
        MShape* expectedA;
        const char* name;
    } cases[] = {
        {point5.get(), point2.get(), point2.get(), "P2 P5"},
        {point2.get(), point5.get(), point2.get(), "P2 P5"},
        {point3.get(), otherPoint3.get(), point3.get(), "P3 P3"},
        {otherPoint3.get(), point3.get(), otherPoint3.get(), "P3 P3"},
        {point4.get(), line1.get(), point4.get(), "P4 L1"},
        {line1.get(), point4.get(), line1.get(), "L1 P4"},
    };
    for (const auto& c : cases) {
        const TestRelation made(c.a, c.b, &canvas);
        const MShape* expectedB = c.expectedA == c.a ? c.b : c.a;
        EXPECT_EQ(made.shapeA, c.expectedA) << c.name;
        EXPECT_EQ(made.shapeB, expectedB) << c.name;
        EXPECT_EQ(made.GetDisplayName(), c.name);
        // The kind's own operands keep the order passed.
        EXPECT_EQ(made.first, c.a) << c.name;
        EXPECT_EQ(made.second, c.b) << c.name;
    }
}

TEST_F(MRelationTest, ARelationIsFinishedFromItsConstruction)
{
    const MRelation bare(left.get(), right.get(), &canvas);
    EXPECT_EQ(bare.state, STATE_CREATED);
    EXPECT_EQ(bare.GetEditState(), EDIT_IDLE);
    EXPECT_EQ(bare.dimOffset, 0);
    EXPECT_EQ(relation.state, STATE_CREATED);
    EXPECT_EQ(relation.GetKind(), KIND_POINTPOINT);

    // The result list starts with the kind and the operands' names.
    ASSERT_EQ(relation.GetResults().size(), 2u);
    EXPECT_EQ(relation.GetResults().front(), (MItem{"Test Relation", "P1 P2"}));
}

TEST_F(MRelationTest, PenIsTheMarkColourExceptWhenActiveAndSolidInEveryMode)
{
    relation.marked = false; // never consulted by a relation
    const struct {
        int mode;
        bool selected;
        char colour;
    } cases[] = {
        {DRAW_CREATE, true, 'm'}, {DRAW_NORMAL, true, 'm'},  {DRAW_NORMAL, false, 'm'}, {DRAW_ACTIVE, true, 'a'},
        {DRAW_RESHAPE, true, 'm'}, {DRAW_MOVE, true, 'm'}, {DRAW_LABEL, true, 'm'},
    };
    for (bool marksShown : {true, false}) {
        param->SetBool(OPT_VIEW_MARK, marksShown, false);
        for (const auto& c : cases) {
            image.fill(ToQRgb(kBackground));
            relation.selected = c.selected;
            relation.Draw(c.mode);
            EXPECT_EQ(Row(68, 30, 70), std::string(41, c.colour)) << "mode " << c.mode;
            EXPECT_EQ(Count(kMarkFont) > 0, marksShown) << "label in mode " << c.mode;
        }
    }
}

TEST_F(MRelationTest, LabelIsDrawnWithASolidPenWhateverTheBodyLeft)
{
    struct UntidyRelation : TestRelation {
        using TestRelation::TestRelation;
        void DrawBody(int mode, TCanvas* target) override
        {
            TestRelation::DrawBody(mode, target);
            target->Pen.Color = kDesign;
            target->Pen.Style = psDot;
            target->Brush.Style = bsSolid;
        }
    } untidy(left.get(), right.get(), &canvas);

    untidy.Draw(DRAW_ACTIVE);
    // The label's frame, from (80, 68) to (98, 80).
    EXPECT_EQ(Column(80, 69, 80), std::string(12, 'a'));
    EXPECT_EQ(Row(80, 80, 98), std::string(19, 'a'));
    EXPECT_EQ(Count(kDesign), 0);
}

TEST_F(MRelationTest, NothingIsDrawnWhenInvalidOrWithoutCanvas)
{
    struct InvalidRelation : TestRelation {
        using TestRelation::TestRelation;
        bool IsValid() const override { return false; }
    } invalid(left.get(), right.get(), &canvas);
    invalid.Draw(DRAW_ACTIVE);

    TestRelation homeless(left.get(), right.get(), nullptr);
    homeless.Draw(DRAW_ACTIVE);
    EXPECT_EQ(Count(kBackground), image.width() * image.height());

    homeless.Draw(DRAW_ACTIVE, &canvas);
    EXPECT_GT(Count(kActive), 0);
}

TEST_F(MRelationTest, CursorIsSizeAllOnlyForMovingAndTheLabelNeverTheCross)
{
    const struct {
        int code;
        int cursor;
    } cases[] = {
        {EDIT_MOVE, crSizeAll}, {HIT_LABEL, crSizeAll}, {HIT_BODY, crDefault}, {HIT_POINT, crDefault},
        {EDIT_RESHAPE, crDefault}, {HIT_NONE, crDefault}, {EDIT_IDLE, crDefault},
    };
    for (const auto& c : cases)
        EXPECT_EQ(relation.GetCursor(c.code), c.cursor) << "code " << c.code;
}

TEST_F(MRelationTest, DraggingTheDimensionAwayRaisesItsOffsetAndBackLowersIt)
{
    const struct {
        TPoint a, b;
    } cases[] = {
        {{20, 80}, {140, 80}}, // left to right: drawn above
        {{140, 80}, {20, 80}}, // right to left
        {{80, 20}, {80, 140}}, // downwards
        {{80, 140}, {80, 20}}, // upwards
    };
    for (const auto& c : cases) {
        left->p1 = c.a;
        right->p1 = c.b;
        relation.dimOffset = 0;
        relation.Draw(DRAW_NORMAL);
        // The drawn line lies 12 px off the measured points; 10 px further out is away.
        const TPoint out = MTool::SubtractPoints(relation.dimStart, c.a);
        const TPoint away{out.x * 10 / 12, out.y * 10 / 12};
        const TPoint start = relation.dimStart;

        relation.Move(away.x, away.y);
        EXPECT_EQ(relation.dimOffset, 10);
        relation.Move(-away.x, -away.y);
        EXPECT_EQ(relation.dimOffset, 0);
        relation.Move(away.y, away.x); // along the line
        EXPECT_EQ(relation.dimOffset, 0);

        relation.Move(away.x, away.y);
        relation.Draw(DRAW_NORMAL);
        EXPECT_EQ(relation.dimStart, MTool::AddPoints(start, away));
        EXPECT_EQ(left->p1, c.a);
        EXPECT_EQ(right->p1, c.b);
    }
}

TEST_F(MRelationTest, MouseDragsTheDimensionLineOrItsLabel)
{
    relation.Draw(DRAW_NORMAL);
    EXPECT_EQ(relation.HitTest(50, 68), HIT_LABEL) << "on the dimension line";
    EXPECT_EQ(relation.HitTest(85, 79), HIT_LABEL) << "on the label";
    EXPECT_EQ(relation.HitTest(50, 90), HIT_NONE);

    relation.MouseDown(Qt::LeftButton, {}, 50, 68);
    EXPECT_EQ(relation.GetEditState(), EDIT_MOVE);
    EXPECT_EQ(relation.dragLabel, 0);
    relation.MouseMove({}, 50, 58);
    relation.MouseUp(Qt::LeftButton, {}, 50, 58);
    EXPECT_EQ(relation.dimOffset, 10);
    EXPECT_EQ(relation.dimStart.y, 58) << "redrawn at the release";
    EXPECT_EQ(left->p1, (TPoint{20, 80}));

    relation.MouseDown(Qt::LeftButton, {}, 85, 64);
    EXPECT_EQ(relation.dragLabel, 1);
    relation.MouseMove({}, 95, 54);
    EXPECT_EQ(relation.labelOffset1, (TPoint{10, -10}));
    EXPECT_EQ(relation.dimOffset, 10);
}

TEST_F(MRelationTest, RecordHoldsOneReadOnlyPointUnlessBlank)
{
    left->p1 = {20, 40};
    right->p1 = {140, 40};
    MData data;
    data.SetImageHeight(160);
    EXPECT_FALSE(relation.ToData(data, true));
    EXPECT_TRUE(data.IsEditable());
    EXPECT_FALSE(data.point.IsValid());

    EXPECT_TRUE(relation.ToData(data, false));
    EXPECT_FALSE(data.IsEditable());
    EXPECT_EQ(data.point.GetCaption(), "Mid-Point");
    EXPECT_EQ(data.point.GetTextX(), "80");
    EXPECT_EQ(data.point.GetTextY(), "120") << "y counted from the bottom";
    EXPECT_FALSE(data.length[0].IsValid());
    EXPECT_FALSE(data.angle[0].IsValid());

    // A relation is never rebuilt from its record.
    data.point.SetText("10", "10");
    EXPECT_FALSE(relation.FromData(data));
}

TEST_F(MRelationTest, EveryPairOfKindsMakesItsRelationWithThePointBeforeTheLineBeforeTheCircle)
{
    const auto point = Point(7, {10, 10});
    const auto otherPoint = Point(8, {20, 10});
    const auto line = MLine::Create(&canvas, 0, 50, 100, 50);
    const auto otherLine = MLine::Create(&canvas, 50, 0, 50, 100);
    const auto circle = MCircle::Create(&canvas, {0, 0, 20, 20});
    const auto otherCircle = MCircle::Create(&canvas, {40, 0, 60, 20});
    MShape rectangle(&canvas);
    rectangle.kind = KIND_RECT;

    const struct {
        MShape* a;
        MShape* b;
        int kind;
        MShape* first; // shapeA: the point before the line before the circle
    } cases[] = {
        {point.get(), otherPoint.get(), KIND_POINTPOINT, point.get()},
        {point.get(), line.get(), KIND_POINTLINE, point.get()},
        {line.get(), point.get(), KIND_POINTLINE, point.get()},
        {line.get(), otherLine.get(), KIND_LINELINE, line.get()},
        {line.get(), circle.get(), KIND_LINECIRCLE, line.get()},
        {circle.get(), line.get(), KIND_LINECIRCLE, line.get()},
        {circle.get(), otherCircle.get(), KIND_CIRCLECIRCLE, circle.get()},
        {point.get(), circle.get(), 0, nullptr},
        {circle.get(), point.get(), 0, nullptr},
        {&rectangle, &rectangle, 0, nullptr},
        {line.get(), &rectangle, 0, nullptr},
        {point.get(), nullptr, 0, nullptr},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MRelation::KindFor(c.a, c.b), c.kind) << c.kind;
        const std::unique_ptr<MRelation> made = MRelation::Create(c.a, c.b, &canvas);
        if (c.kind == 0) {
            EXPECT_EQ(made, nullptr);
            continue;
        }
        ASSERT_NE(made, nullptr) << c.kind;
        EXPECT_EQ(made->GetKind(), c.kind);
        EXPECT_TRUE(made->IsValid()) << c.kind;
        EXPECT_EQ(made->shapeA, c.first) << c.kind;
        EXPECT_EQ(made->shapeB, c.first == c.a ? c.b : c.a) << c.kind;
        EXPECT_EQ(made->canvas, &canvas);
    }
    // The operands each kind takes first, as its own fields.
    EXPECT_EQ(dynamic_cast<MPointLine&>(*MRelation::Create(line.get(), point.get(), &canvas)).point, point.get());
    EXPECT_EQ(dynamic_cast<MLineCircle&>(*MRelation::Create(circle.get(), line.get(), &canvas)).line, line.get());
    EXPECT_EQ(dynamic_cast<MLineLine&>(*MRelation::Create(otherLine.get(), line.get(), &canvas)).lineA,
              otherLine.get());
    EXPECT_EQ(dynamic_cast<MPointPoint&>(*MRelation::Create(otherPoint.get(), point.get(), &canvas)).pointA,
              otherPoint.get());
    EXPECT_EQ(dynamic_cast<MCircleCircle&>(*MRelation::Create(otherCircle.get(), circle.get(), &canvas)).circleA,
              otherCircle.get());
}

TEST_F(MRelationTest, DeriveCaptionsStartWithCreate)
{
    EXPECT_EQ(relation.DeriveCaption(TestRelation::kMidpointSlot), "Create Mid-Point");
}

} // namespace
