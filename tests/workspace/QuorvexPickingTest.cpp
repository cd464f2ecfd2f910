// Relating two shapes on the main window, from the relation tool bar and by
// the mouse, keeping and dropping the relation shown, and the Edit menu's
// commands on many shapes at once with their questions.
#include "PaintBoxInput.h"

#include "settings/MLan.h"
#include "shapes/MCircle.h"
#include "shapes/MCircleCircle.h"
#include "shapes/MLine.h"
#include "shapes/MLineCircle.h"
#include "shapes/MLineLine.h"
#include "shapes/MPoint.h"
#include "shapes/MPointLine.h"
#include "shapes/MPointPoint.h"
#include "shapes/MRect.h"
#include "workspace/MValue.h"

#include <QToolBar>

#include <string>
#include <typeindex>
#include <typeinfo>
#include <vector>

namespace {

class QuorvexPickingTest : public PaintBoxTest {
protected:
    void SetUp() override
    {
        PaintBoxTest::SetUp();
        Form->SetLanguage(LAN_ENGLISH, false);
        TCanvas* canvas = Form->ImagePaint->Canvas();
        // Two of each kind that relations take, apart from each other, and a
        // rectangle that takes part in none.
        point1 = Add(MPoint::Create(canvas, 100, 100));
        point2 = Add(MPoint::Create(canvas, 200, 100));
        line1 = Add(MLine::Create(canvas, 100, 200, 200, 200));
        line2 = Add(MLine::Create(canvas, 100, 300, 200, 260));
        circle1 = Add(MCircle::Create(canvas, {300, 100, 360, 160}));
        circle2 = Add(MCircle::Create(canvas, {400, 100, 460, 160}));
        rect = Add(MRect::Create(canvas, 300, 250, 400, 300));
        Form->RedrawImage();
        Form->UpdateSelection(true);
    }

    MShape* Add(std::unique_ptr<MShape> shape)
    {
        MShape* added = Form->AddShape(std::move(shape));
        added->selected = false;
        return added;
    }

    // Where a click picks the shape: a point, a line's middle, a circle's
    // left edge, a rectangle's top edge.
    static QPoint PickAt(const MShape* shape)
    {
        switch (shape->GetKind()) {
        case KIND_LINE:
            return {(shape->p1.x + shape->p2.x) / 2, (shape->p1.y + shape->p2.y) / 2};
        case KIND_CIRCLE:
            return {300 + (shape->p1.x >= 400 ? 100 : 0), 130};
        case KIND_RECT:
            return {350, 250};
        default:
            return {shape->p1.x, shape->p1.y};
        }
    }

    void ClickButton(QAction* button)
    {
        QWidget* widget = Form->ToolBarRelation->widgetForAction(button);
        ASSERT_NE(widget, nullptr);
        QTest::mouseClick(widget, Qt::LeftButton);
    }

    // A click on no shape: nothing selected, nothing picked before.
    void ClickOff() { Input->Click({600, 400}); }

    // Only the two shapes selected, as a Shift click leaves them.
    void SelectTwo(MShape* a, MShape* b)
    {
        ClickOff();
        Input->Click(PickAt(a));
        Input->Click(PickAt(b), Qt::ShiftModifier);
    }

    std::vector<QAction*> KindButtons() const
    {
        return {Form->SBPointPoint, Form->SBPointLine, Form->SBLineLine, Form->SBLineCircle, Form->SBCircleCircle};
    }
    std::vector<bool> ButtonsDown() const
    {
        std::vector<bool> down;
        for (QAction* button : KindButtons())
            down.push_back(button->isChecked());
        return down;
    }

    std::string MessagePanel() const { return Form->StatusPanels[2]->text().toStdString(); }
    std::string Values() const { return FormValue->MemoItems->toPlainText().toStdString(); }

    // Answers every question with `answer` and keeps the questions asked.
    void Answer(bool answer)
    {
        Form->ConfirmBox = [this, answer](const QString& text) {
            Questions.push_back(text.toStdString());
            return answer;
        };
    }

public:
    // Public for the tables of cases below.
    MShape* point1 = nullptr;
    MShape* point2 = nullptr;
    MShape* line1 = nullptr;
    MShape* line2 = nullptr;
    MShape* circle1 = nullptr;
    MShape* circle2 = nullptr;
    MShape* rect = nullptr;
    std::vector<std::string> Questions;
};

// A kind button, a pair that fits it, the relation they make, and a pair
// that does not fit with the status text it gives.
struct KindCase {
    QAction* Ui::TFormMeasure::*button;
    MShape* QuorvexPickingTest::*a;
    MShape* QuorvexPickingTest::*b;
    std::type_index made;
    MShape* QuorvexPickingTest::*wrongA;
    MShape* QuorvexPickingTest::*wrongB;
    const char* message;
};

using T = QuorvexPickingTest;
using F = Ui::TFormMeasure;
const KindCase kKindCases[] = {
    {&F::SBPointPoint, &T::point1, &T::point2, typeid(MPointPoint), &T::point1, &T::line1, "Please select two points"},
    {&F::SBPointLine, &T::line1, &T::point1, typeid(MPointLine), &T::point1, &T::point2,
     "Please select a point and a line"},
    {&F::SBLineLine, &T::line1, &T::line2, typeid(MLineLine), &T::line1, &T::circle1, "Please select two lines"},
    {&F::SBLineCircle, &T::circle1, &T::line2, typeid(MLineCircle), &T::circle1, &T::circle2,
     "Please select a line and a circle"},
    {&F::SBCircleCircle, &T::circle1, &T::circle2, typeid(MCircleCircle), &T::rect, &T::circle2,
     "Please select two circles"},
};

TEST_F(QuorvexPickingTest, AKindButtonRelatesTheNextTwoShapesPickedOfItsKindAndKeepsTheRelation)
{
    for (const KindCase& kind : kKindCases) {
        QAction* button = Form->*kind.button;
        SCOPED_TRACE(button->objectName().toStdString());
        ClickOff();
        ClickButton(button);
        ASSERT_TRUE(button->isChecked());

        // A pair of other kinds: the status bar says what to pick.
        Input->Click(PickAt(this->*kind.wrongA));
        Input->Click(PickAt(this->*kind.wrongB));
        EXPECT_EQ(MessagePanel(), kind.message);
        EXPECT_TRUE(button->isChecked()) << "the button stays down";
        EXPECT_TRUE(Form->RelationList.empty());

        // The next pick would pair with the last one: start afresh.
        ClickOff();
        Input->Click(PickAt(this->*kind.a));
        Input->Click(PickAt(this->*kind.b));
        ASSERT_EQ(Form->RelationList.size(), 1u);
        MRelation* relation = Form->RelationList[0];
        EXPECT_EQ(std::type_index(typeid(*relation)), kind.made);
        EXPECT_EQ(Form->SelectedRelation, relation);
        EXPECT_TRUE((this->*kind.a)->selected && (this->*kind.b)->selected);
        EXPECT_EQ(ButtonsDown(), std::vector<bool>(5, false)) << "released once made";
        EXPECT_NE(Values().find(relation->GetTypeName() + ": " + relation->GetDisplayName()), std::string::npos)
            << Values();
        Form->DeleteAllRelations();
    }
}

TEST_F(QuorvexPickingTest, AKindButtonClickedWithTwoShapesSelectedRelatesThem)
{
    for (const KindCase& kind : kKindCases) {
        QAction* button = Form->*kind.button;
        SCOPED_TRACE(button->objectName().toStdString());
        SelectTwo(this->*kind.wrongA, this->*kind.wrongB);
        ClickButton(button);
        EXPECT_EQ(MessagePanel(), kind.message);
        EXPECT_TRUE(button->isChecked());
        EXPECT_TRUE(Form->RelationList.empty());

        ClickButton(button); // up again
        SelectTwo(this->*kind.a, this->*kind.b);
        ClickButton(button);
        ASSERT_EQ(Form->RelationList.size(), 1u);
        EXPECT_EQ(std::type_index(typeid(*Form->RelationList[0])), kind.made);
        EXPECT_FALSE(button->isChecked());
        Form->DeleteAllRelations();
    }
}

TEST_F(QuorvexPickingTest, APointAndALineAreRelatedPointFirstWhicheverIsPickedFirst)
{
    ClickButton(Form->SBPointLine);
    Input->Click(PickAt(line1));
    Input->Click(PickAt(point1));
    ASSERT_EQ(Form->RelationList.size(), 1u);
    EXPECT_EQ(Form->RelationList[0]->shapeA, point1);
    EXPECT_EQ(Form->RelationList[0]->shapeB, line1);
}

TEST_F(QuorvexPickingTest, TwoShapesRelatedAlreadyGiveTheirRelationBack)
{
    SelectTwo(point1, point2);
    ClickButton(Form->SBPointPoint);
    ASSERT_EQ(Form->RelationList.size(), 1u);
    MRelation* relation = Form->RelationList[0];

    ClickOff();
    ASSERT_EQ(Form->SelectedRelation, nullptr);
    ClickButton(Form->SBPointPoint);
    Input->Click(PickAt(point2));
    Input->Click(PickAt(point1));
    EXPECT_EQ(Form->RelationList, std::vector<MRelation*>{relation});
    EXPECT_EQ(Form->SelectedRelation, relation);
    EXPECT_FALSE(Form->SBPointPoint->isChecked());

    // The same under SBRelation.
    ClickButton(Form->SBRelation);
    Input->Click(PickAt(point1));
    Input->Click(PickAt(point2));
    EXPECT_EQ(Form->RelationList, std::vector<MRelation*>{relation});
    EXPECT_EQ(Form->SelectedRelation, relation);
}

TEST_F(QuorvexPickingTest, AKindButtonClickedWithThreeShapesSelectedWaitsForAPick)
{
    SelectTwo(point1, point2);
    Input->Click(PickAt(line1), Qt::ShiftModifier);
    ASSERT_EQ(Form->CountSelectedShapes(), 3);
    ClickButton(Form->SBPointPoint);
    EXPECT_TRUE(Form->RelationList.empty());
    EXPECT_TRUE(Form->SBPointPoint->isChecked());
    EXPECT_EQ(MessagePanel(), "");
}

TEST_F(QuorvexPickingTest, KindButtonsExcludeEachOtherAndMayAllBeUp)
{
    ClickButton(Form->SBPointPoint);
    ClickButton(Form->SBLineCircle);
    EXPECT_EQ(ButtonsDown(), (std::vector<bool>{false, false, false, true, false}));
    ClickButton(Form->SBLineCircle);
    EXPECT_EQ(ButtonsDown(), std::vector<bool>(5, false));
    // SBRelation is a group of its own.
    ClickButton(Form->SBCircleCircle);
    ClickButton(Form->SBRelation);
    EXPECT_TRUE(Form->SBRelation->isChecked());
    EXPECT_EQ(ButtonsDown(), (std::vector<bool>{false, false, false, false, true}));
}

TEST_F(QuorvexPickingTest, SBRelationShowsARelationThatMenuRelationKeepsAndDrops)
{
    ClickButton(Form->SBRelation);
    Input->Click(PickAt(circle1));
    Input->Click(PickAt(line1));
    MRelation* shown = Form->SelectedRelation;
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(std::type_index(typeid(*shown)), std::type_index(typeid(MLineCircle)));
    EXPECT_EQ(shown->shapeA, line1) << "the line before the circle";
    EXPECT_TRUE(Form->RelationList.empty()) << "shown, not kept";
    EXPECT_TRUE(Form->MenuRelation->isEnabled());
    EXPECT_FALSE(Form->MenuRelation->isChecked());
    EXPECT_TRUE(Form->SBRelation->isChecked()) << "it stays down for the next pair";

    Form->MenuRelation->trigger();
    EXPECT_EQ(Form->RelationList, std::vector<MRelation*>{shown});
    EXPECT_TRUE(Form->MenuRelation->isChecked());
    EXPECT_TRUE(Form->PMRelation->isChecked());
    EXPECT_TRUE(Form->SBMarkRelation->isChecked());

    // Dropped from the list, it stays shown until the next pick.
    Form->SBMarkRelation->trigger();
    EXPECT_TRUE(Form->RelationList.empty());
    EXPECT_EQ(Form->SelectedRelation, shown);
    EXPECT_FALSE(Form->MenuRelation->isChecked());
    Input->Click(PickAt(point1));
    Input->Click(PickAt(point2));
    EXPECT_NE(Form->SelectedRelation, shown);
    EXPECT_TRUE(Form->RelationList.empty());
}

TEST_F(QuorvexPickingTest, ShapesThatMakeNoRelationShowNothing)
{
    SelectTwo(point1, point2);
    Form->SBRelation->trigger();
    ASSERT_NE(Form->SelectedRelation, nullptr);
    ASSERT_FALSE(Values().empty());

    Input->Click(PickAt(rect));
    Input->Click(PickAt(circle1));
    EXPECT_EQ(Form->SelectedRelation, nullptr);
    EXPECT_TRUE(Form->RelationList.empty());
    EXPECT_EQ(Values(), "") << "the value window is emptied";
    EXPECT_EQ(MessagePanel(), "") << "without a message";
}

TEST_F(QuorvexPickingTest, ShiftPicksRelateTwoShapesWithoutAnyButton)
{
    SelectTwo(line1, line2);
    ASSERT_NE(Form->SelectedRelation, nullptr);
    EXPECT_EQ(std::type_index(typeid(*Form->SelectedRelation)), std::type_index(typeid(MLineLine)));
    EXPECT_TRUE(Form->RelationList.empty());
}

TEST_F(QuorvexPickingTest, SelectAllSelectsEveryShape)
{
    Form->MenuSelectAll->trigger();
    EXPECT_EQ(Form->CountSelectedShapes(), int(Form->ShapeList.size()));
    EXPECT_TRUE(Form->MenuDelete->isEnabled());
}

TEST_F(QuorvexPickingTest, ShowMarkShowsTheLabelsOfEverySelectedShapeOrHidesThemAll)
{
    point1->marked = true;
    point2->marked = false;
    line1->marked = false;
    SelectTwo(point1, point2);
    EXPECT_FALSE(Form->SBMarkShape->isChecked());
    Form->MenuShowMark->trigger();
    EXPECT_TRUE(point1->marked && point2->marked);
    EXPECT_FALSE(line1->marked) << "not selected";
    EXPECT_TRUE(Form->MenuShowMark->isChecked());
    EXPECT_TRUE(Form->SBMarkShape->isChecked());
    Form->PMShowMark->trigger();
    EXPECT_FALSE(point1->marked || point2->marked);
    EXPECT_FALSE(Form->PMShowMark->isChecked());

    // Nothing outside select mode.
    Form->MenuLineClick();
    Form->MenuShowMarkClick();
    EXPECT_FALSE(point1->marked || point2->marked);
}

TEST_F(QuorvexPickingTest, MarkAllMarkNoneAndRelationNoneActOnlyOnYes)
{
    struct Case {
        QAction* F::*command;
        const char* question;
    };
    const Case cases[] = {{&F::MenuMarkAll, "Mark All Shape"},
                          {&F::MenuMarkNone, "Remove All Shape Mark"},
                          {&F::MenuRelationNone, "Remove All Shape Relation"}};
    for (const Case& command : cases) {
        SCOPED_TRACE(command.question);
        for (bool yes : {false, true}) {
            // Half the shapes marked, two relations, one of them shown.
            for (std::size_t i = 0; i < Form->ShapeList.size(); ++i)
                Form->ShapeList[i]->marked = i % 2 == 0;
            Form->DeleteAllRelations();
            SelectTwo(point1, point2);
            Form->SBPointPoint->trigger();
            SelectTwo(line1, line2);
            ASSERT_EQ(Form->RelationList.size(), 1u);
            ASSERT_NE(Form->SelectedRelation, nullptr);
            const std::string shownRelation = Form->SelectedRelation->GetTypeName();
            Questions.clear();
            Answer(yes);

            (Form->*command.command)->trigger();
            EXPECT_EQ(Questions, std::vector<std::string>{command.question});
            int marked = 0;
            for (const MShape* shape : Form->ShapeList)
                marked += shape->marked;
            const int all = int(Form->ShapeList.size());
            const int expected = !yes                                 ? (all + 1) / 2
                                 : command.command == &F::MenuMarkAll  ? all
                                 : command.command == &F::MenuMarkNone ? 0
                                                                       : (all + 1) / 2;
            EXPECT_EQ(marked, expected);
            const bool relationsGone = yes && command.command == &F::MenuRelationNone;
            EXPECT_EQ(Form->RelationList.empty(), relationsGone);
            EXPECT_EQ(Form->SelectedRelation == nullptr, relationsGone);
            if (relationsGone) {
                EXPECT_EQ(Values().find(shownRelation), std::string::npos)
                    << "no values of a freed relation stay on show:\n" << Values();
                EXPECT_FALSE(Form->MenuRelationNone->isEnabled());
            }
        }
    }
}

TEST_F(QuorvexPickingTest, TheLockButtonFollowsTheMenuAndLockedShapesRefuseDragsAndNudges)
{
    Form->MenuLock->trigger();
    EXPECT_TRUE(Form->MenuLock->isChecked());
    EXPECT_TRUE(Form->SBLock->isChecked());

    const TPoint before = line1->p1;
    Input->Drag(PickAt(line1), PickAt(line1) + QPoint(30, 40));
    EXPECT_EQ(Form->Selected, line1) << "a locked shape can still be selected";
    EXPECT_EQ(line1->p1, before);
    Input->Key(Qt::Key_Left);
    EXPECT_EQ(line1->p1, before);

    Form->SBLock->trigger();
    EXPECT_FALSE(Form->MenuLock->isChecked());
    EXPECT_FALSE(Form->SBLock->isChecked());
    Input->Key(Qt::Key_Left);
    EXPECT_EQ(line1->p1, (TPoint{before.x - 1, before.y}));
}

TEST_F(QuorvexPickingTest, LockingInSelectModeTakesBackAResizeCursor)
{
    Input->Click(PickAt(line1));
    Input->Move({line1->p1.x, line1->p1.y});
    ASSERT_NE(Form->ImagePaint->cursor().shape(), Qt::ArrowCursor);
    Form->MenuLock->trigger();
    EXPECT_EQ(Form->ImagePaint->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(QuorvexPickingTest, TheAngleToolJoinsItsLinesThroughTheKeptRelation)
{
    // A relation already shown unlisted is let go for the angle's.
    SelectTwo(point1, point2);
    ASSERT_NE(Form->SelectedRelation, nullptr);
    Form->MenuLineAngleClick();
    for (QPoint click : {QPoint(500, 400), QPoint(600, 400), QPoint(500, 400), QPoint(600, 350)})
        Input->Click(click);
    ASSERT_EQ(Form->RelationList.size(), 1u);
    EXPECT_EQ(std::type_index(typeid(*Form->RelationList[0])), std::type_index(typeid(MLineLine)));
    EXPECT_EQ(Form->SelectedRelation, Form->RelationList[0]);
}

} // namespace
