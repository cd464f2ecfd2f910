// The angle tool end to end: two lines drawn by clicks are joined by a
// line-to-line relation that shows their angle and goes with either line.
#include "PaintBoxInput.h"

#include "settings/MLan.h"
#include "shapes/MLineLine.h"
#include "shapes/MTool.h"
#include "workspace/MValue.h"

#include <string>
#include <vector>

namespace {

class QuorvexAngleToolTest : public PaintBoxTest {
protected:
    // Draws the two lines of the angle tool by clicks.
    void DrawAngle(QPoint a1, QPoint a2, QPoint b1, QPoint b2)
    {
        Form->MenuLineAngleClick();
        Input->Click(a1);
        Input->Click(a2);
        Input->Click(b1);
        Input->Click(b2);
    }

    static std::string Slot(int slot) { return MLan::GetInstance()->Texts[slot]; }
    // A line of the value window: the name of the slot, then the value.
    static std::string Line(int nameSlot, const std::string& value) { return Slot(nameSlot) + ": " + value; }
    std::string Values() const { return FormValue->MemoItems->toPlainText().toStdString(); }
};

TEST_F(QuorvexAngleToolTest, TwoLinesDrawnWithTheAngleToolAreJoinedByOneSelectedLineLineRelation)
{
    DrawAngle({100, 300}, {300, 300}, {100, 300}, {300, 100});
    ASSERT_EQ(Form->ShapeList.size(), 2u);
    ASSERT_EQ(Form->RelationList.size(), 1u);
    auto* relation = dynamic_cast<MLineLine*>(Form->RelationList[0]);
    ASSERT_NE(relation, nullptr);
    EXPECT_EQ(relation->GetKind(), KIND_LINELINE);
    EXPECT_EQ(relation->lineA, Form->ShapeList[0]) << "the first line drawn is the first operand";
    EXPECT_EQ(relation->lineB, Form->ShapeList[1]);
    EXPECT_EQ(Form->SelectedRelation, relation);
    EXPECT_EQ(Form->AngleStep, 0);
    EXPECT_EQ(Form->Mode, MODE_SELECT);
    // The redraw placed the arc about the common end.
    EXPECT_EQ(relation->vertex, (TPoint{100, 300}));
}

TEST_F(QuorvexAngleToolTest, AClickOnTheAngleArcShowsTheAngleInTheValueWindow)
{
    DrawAngle({100, 300}, {300, 300}, {100, 300}, {300, 100});
    ASSERT_EQ(Form->RelationList.size(), 1u);
    MRelation* relation = Form->RelationList[0];
    Input->Click({500, 500}); // off every shape
    auto* angle = dynamic_cast<MLineLine*>(relation);
    ASSERT_NE(angle, nullptr);
    // On the arc near the first line, away from the label at the chord's middle.
    const TPoint onArc = MTool::PolarPoint(angle->vertex, MTool::Distance(angle->vertex, angle->dimStart), 352);
    ASSERT_EQ(relation->HitTest(onArc.x, onArc.y), HIT_LABEL);

    Input->Move({onArc.x, onArc.y});
    Input->Press({onArc.x, onArc.y});
    Input->Release({onArc.x, onArc.y});
    EXPECT_EQ(Form->SelectedRelation, relation);
    const std::string values = Values();
    const std::vector<std::string> expected{Line(116, "L1 L2"), Line(85, Slot(89)), Line(86, "45°0′0″"),
                                            Line(88, "135°0′0″")};
    for (const std::string& line : expected)
        EXPECT_NE(values.find(line), std::string::npos) << line << " in\n" << values;
}

TEST_F(QuorvexAngleToolTest, DeletingEitherLineRemovesTheRelation)
{
    DrawAngle({100, 300}, {300, 300}, {100, 300}, {100, 100});
    ASSERT_EQ(Form->RelationList.size(), 1u);
    MShape* second = Form->ShapeList[1];
    ASSERT_TRUE(Form->DeleteShape(second));
    EXPECT_TRUE(Form->RelationList.empty());
    EXPECT_EQ(Form->SelectedRelation, nullptr);
    EXPECT_EQ(Form->ShapeList.size(), 1u);
    Form->RedrawImage(); // nothing left pointing at the deleted line
}

TEST_F(QuorvexAngleToolTest, TheStickyAngleToolJoinsEachPairOfLines)
{
    Form->MenuLineAngleClick();
    Form->StickyTool = true;
    for (int row : {100, 300}) {
        Input->Click({100, row});
        Input->Click({300, row});
        Input->Click({100, row});
        Input->Click({200, row + 100});
    }
    ASSERT_EQ(Form->ShapeList.size(), 4u);
    ASSERT_EQ(Form->RelationList.size(), 2u);
    EXPECT_EQ(Form->AngleStep, 1);
    EXPECT_EQ(Form->RelationList[1]->shapeA, Form->ShapeList[2]);
    EXPECT_EQ(Form->RelationList[1]->shapeB, Form->ShapeList[3]);
}

} // namespace
