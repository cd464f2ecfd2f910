// Editing with the mouse and the keys on the real main window: drawing lines
// by clicks and by dragging, selection by click and rubber band, moving,
// reshaping and nudging, the lock, and the two delete commands.
#include "PaintBoxInput.h"

#include "platform/gui/TBitmap.h"
#include "shapes/MLine.h"
#include "tests/support/TestRelation.h"
#include "workspace/MValue.h"

#include <QLabel>
#include <QScrollBar>

namespace {

class QuorvexMouseTest : public PaintBoxTest {
protected:
    std::string Slot(int slot) const { return MLan::GetInstance()->Texts[slot]; }

    static std::pair<TPoint, TPoint> Ends(const MShape* shape) { return {shape->p1, shape->p2}; }

    // The confirmation box answers `answer` and keeps the questions asked.
    void AnswerConfirmations(bool answer)
    {
        Form->ConfirmBox = [this, answer](const QString& text) {
            Questions.push_back(text.toStdString());
            return answer;
        };
    }

    std::vector<std::string> Questions;
};

using EndPair = std::pair<TPoint, TPoint>;

TEST_F(QuorvexMouseTest, TwoClicksDrawALineThatJoinsTheDocumentSelectedWithTheNextNumber)
{
    MShape* first = AddLine({10, 10}, {60, 10});
    first->selected = true;
    Form->MenuLineClick();
    ASSERT_EQ(Form->Mode, MODE_CREATE);

    Input->Click({100, 100});
    Input->Move({180, 140});
    EXPECT_EQ(Form->ShapeList.size(), 1u) << "listed only once finished";
    Input->Click({200, 150});

    ASSERT_EQ(Form->ShapeList.size(), 2u);
    MShape* line = Form->ShapeList.back();
    EXPECT_EQ(Ends(line), EndPair({100, 100}, {200, 150}));
    EXPECT_EQ(line->number, 2);
    EXPECT_EQ(Form->Selected, line);
    EXPECT_TRUE(line->selected);
    EXPECT_FALSE(first->selected);
    EXPECT_EQ(Form->Mode, MODE_SELECT);
    EXPECT_TRUE(Form->MenuArrow->isChecked());
}

TEST_F(QuorvexMouseTest, WithDragDrawingOnePressDragAndReleaseDrawALine)
{
    MParam::GetInstance()->SetBool(OPT_DRAG_DRAW, true, false);
    Form->MenuLineClick();
    Input->Drag({50, 60}, {250, 60});

    ASSERT_EQ(Form->ShapeList.size(), 1u);
    EXPECT_EQ(Ends(Form->ShapeList[0]), EndPair({50, 60}, {250, 60}));
    EXPECT_EQ(Form->Mode, MODE_SELECT);
}

TEST_F(QuorvexMouseTest, WithoutDragDrawingAReleaseIsNoClick)
{
    Form->MenuLineClick();
    Input->Drag({50, 60}, {250, 60});
    EXPECT_TRUE(Form->ShapeList.empty());
    EXPECT_EQ(Form->Mode, MODE_CREATE);
    Input->Click({250, 90});
    ASSERT_EQ(Form->ShapeList.size(), 1u);
    EXPECT_EQ(Ends(Form->ShapeList[0]), EndPair({50, 60}, {250, 90}));
}

TEST_F(QuorvexMouseTest, APendingLineStaysInSightAfterItsClicksAndRedraws)
{
    MParam::GetInstance()->SetColor(OPT_COLOR_DESIGN, int(clRed));
    const auto onScreen = [&](int x, int y) { return FromQRgb(Form->ImagePaint->ScreenImage().pixel(x, y)); };
    ASSERT_NE(onScreen(150, 60), clRed);
    Form->MenuLineClick();

    // Without drag drawing the press is the first click and the release none.
    Input->Drag({50, 60}, {250, 60});
    EXPECT_EQ(onScreen(150, 60), clRed) << "after the release";
    Input->Key(Qt::Key_A); // a key the window does nothing with redraws the picture
    EXPECT_EQ(onScreen(150, 60), clRed) << "after a full redraw";
    Form->SetViewOption(OPT_VIEW_MARK, false);
    EXPECT_EQ(onScreen(150, 60), clRed) << "after a view switch";

    Input->Click({250, 90});
    ASSERT_EQ(Form->ShapeList.size(), 1u);
    EXPECT_EQ(Ends(Form->ShapeList[0]), EndPair({50, 60}, {250, 90}));
}

TEST_F(QuorvexMouseTest, EscapeTakesBackAHalfDrawnLineAndTheToolStaysArmed)
{
    MParam::GetInstance()->SetColor(OPT_COLOR_DESIGN, int(clRed));
    Form->MenuLineClick();
    Input->Click({50, 60});
    Input->Move({250, 60});
    ASSERT_EQ(FromQRgb(Form->ImagePaint->ScreenImage().pixel(150, 60)), clRed);

    Input->Key(Qt::Key_Escape);
    EXPECT_EQ(Form->ImagePaint->ScreenImage(), Form->BufferBitmap->Image()) << "the band is gone";
    EXPECT_EQ(Form->Mode, MODE_CREATE);
    EXPECT_TRUE(Form->MenuLine->isChecked());

    Input->Click({100, 200}); // the first click of a new line
    EXPECT_TRUE(Form->ShapeList.empty());
    Input->Click({300, 200});
    ASSERT_EQ(Form->ShapeList.size(), 1u);
    EXPECT_EQ(Ends(Form->ShapeList[0]), EndPair({100, 200}, {300, 200}));
}

TEST_F(QuorvexMouseTest, AToolChosenWithCtrlHeldArmsAgainAfterEachShape)
{
    Form->CtrlDown = true;
    Form->MenuLineClick();
    Form->CtrlDown = false;
    for (int y : {100, 200}) {
        Input->Click({100, y});
        Input->Click({300, y});
        EXPECT_EQ(Form->Mode, MODE_CREATE);
        EXPECT_NE(Form->Selected, nullptr);
        EXPECT_FALSE(Form->IsInShapeList(Form->Selected)) << "a fresh line is armed";
    }
    ASSERT_EQ(Form->ShapeList.size(), 2u);
    EXPECT_EQ(Form->ShapeList[1]->number, 2);
    Form->MenuArrowClick();
    EXPECT_EQ(Form->Selected, nullptr) << "the armed line goes with the tool";
    EXPECT_EQ(Form->ShapeList.size(), 2u);
}

TEST_F(QuorvexMouseTest, TheAngleToolTakesTwoLinesThenHandsOverToSelection)
{
    Form->MenuLineAngleClick();
    EXPECT_EQ(Form->AngleStep, 1);
    Input->Click({100, 100});
    Input->Click({300, 100});
    ASSERT_EQ(Form->ShapeList.size(), 1u);
    EXPECT_EQ(Form->AngleStep, 2);
    EXPECT_EQ(Form->AngleFirstLine, Form->ShapeList[0]);
    EXPECT_EQ(Form->Mode, MODE_CREATE);

    Input->Click({100, 100});
    Input->Click({250, 250});
    EXPECT_EQ(Form->ShapeList.size(), 2u);
    EXPECT_EQ(Form->AngleStep, 0);
    EXPECT_EQ(Form->AngleFirstLine, nullptr);
    EXPECT_EQ(Form->Mode, MODE_SELECT);
    EXPECT_EQ(Form->Selected, Form->ShapeList[1]);
}

TEST_F(QuorvexMouseTest, TheSelectedShapeWinsOverAnEarlierShapeUnderTheClick)
{
    MShape* across = AddLine({100, 200}, {500, 200});
    MShape* down = AddLine({300, 50}, {300, 400});
    Input->Click({300, 100});
    EXPECT_EQ(Form->Selected, down);

    Input->Click({300, 200}); // both lines are under the click
    EXPECT_EQ(Form->Selected, down);
    EXPECT_TRUE(down->selected);
    EXPECT_FALSE(across->selected);
}

TEST_F(QuorvexMouseTest, ShiftOrCtrlAddsToTheSelection)
{
    MShape* a = AddLine({100, 100}, {200, 100});
    MShape* b = AddLine({100, 200}, {200, 200});
    MShape* c = AddLine({100, 300}, {200, 300});
    Input->Click({150, 100});
    Input->Click({150, 200}, Qt::ShiftModifier);
    Input->Click({150, 300}, Qt::ControlModifier);
    EXPECT_TRUE(a->selected && b->selected && c->selected);
    EXPECT_EQ(Form->Selected, c);
    // A plain click on another shape selects it alone.
    MShape* d = AddLine({100, 400}, {200, 400});
    Input->Click({150, 400});
    EXPECT_TRUE(!a->selected && !b->selected && !c->selected && d->selected);
}

TEST_F(QuorvexMouseTest, HoveringHighlightsAShapeOnlyWhileTheMouseIsOverIt)
{
    AddLine({100, 100}, {200, 100});
    Form->RedrawImage();
    // Off the middle, where the length label sits.
    const auto pixel = [&] { return FromQRgb(Form->ImagePaint->ScreenImage().pixel(120, 100)); };
    const TColor normal = pixel();
    const TColor active = TColor(MParam::GetInstance()->GetColor(OPT_COLOR_ACTIVE));
    ASSERT_NE(normal, active);

    Input->Move({120, 101});
    EXPECT_EQ(pixel(), active);
    EXPECT_EQ(Form->ImagePaint->cursor().shape(), Qt::SizeAllCursor);
    Input->Move({120, 140});
    EXPECT_EQ(pixel(), normal);
    EXPECT_EQ(Form->ImagePaint->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(QuorvexMouseTest, TheRightButtonLeavesTheDocumentAlone)
{
    MShape* line = AddLine({100, 100}, {200, 100});
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(150, 100), QPointF(150, 100), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Form->ImagePaint, &press);
    EXPECT_EQ(Form->Selected, nullptr);
    EXPECT_FALSE(line->selected);
    EXPECT_FALSE(Form->Banding);
}

TEST_F(QuorvexMouseTest, ARubberBandSelectsWhatItEncloses)
{
    MShape* a = AddLine({100, 100}, {150, 100});
    MShape* b = AddLine({200, 100}, {250, 100});
    MShape* c = AddLine({300, 100}, {350, 100});

    Input->Drag({90, 90}, {160, 110});
    EXPECT_EQ(Form->Selected, a);
    EXPECT_TRUE(a->selected);
    EXPECT_FALSE(b->selected);

    Input->Drag({400, 150}, {50, 50}); // dragged up and left
    EXPECT_EQ(Form->Selected, nullptr) << "three shapes inside: none is the current one";
    EXPECT_TRUE(a->selected && b->selected && c->selected);

    Input->Drag({500, 300}, {600, 400});
    EXPECT_EQ(Form->Selected, nullptr);
    EXPECT_FALSE(a->selected || b->selected || c->selected);
    EXPECT_FALSE(Form->Banding);
}

TEST_F(QuorvexMouseTest, DraggingABodyMovesTheShape)
{
    MShape* line = AddLine({100, 100}, {200, 100});
    Input->Drag({150, 100}, {170, 130});
    EXPECT_EQ(Form->Selected, line);
    EXPECT_EQ(Ends(line), EndPair({120, 130}, {220, 130}));
    EXPECT_EQ(line->GetEditState(), EDIT_IDLE);
}

TEST_F(QuorvexMouseTest, DraggingASelectedBodyMovesEverySelectedShapeTogether)
{
    MShape* a = AddLine({100, 100}, {200, 100});
    MShape* b = AddLine({100, 200}, {200, 200});
    MShape* other = AddLine({100, 300}, {200, 300});
    Input->Drag({90, 90}, {210, 210});
    ASSERT_TRUE(a->selected && b->selected && !other->selected);

    Input->Move({150, 100});
    Input->Press({150, 100});
    EXPECT_TRUE(Form->GroupMove);
    Input->Move({160, 105});
    Input->Move({170, 110});
    EXPECT_EQ(Ends(a), EndPair({120, 110}, {220, 110})) << "previewed at every step";
    Input->Release({170, 110});

    EXPECT_FALSE(Form->GroupMove);
    EXPECT_EQ(Ends(a), EndPair({120, 110}, {220, 110}));
    EXPECT_EQ(Ends(b), EndPair({120, 210}, {220, 210}));
    EXPECT_EQ(Ends(other), EndPair({100, 300}, {200, 300}));
}

TEST_F(QuorvexMouseTest, DraggingAnEndReshapesTheLine)
{
    MShape* line = AddLine({100, 100}, {200, 100});
    Input->Click({150, 100});
    Input->Drag({200, 100}, {240, 160});
    EXPECT_EQ(Ends(line), EndPair({100, 100}, {240, 160}));
    EXPECT_EQ(Form->Selected, line);
}

TEST_F(QuorvexMouseTest, ArrowKeysNudgeTheSelectionOnePixelOnTheScreen)
{
    MShape* line = AddLine({100, 100}, {200, 100});
    MShape* other = AddLine({100, 300}, {200, 300});
    Input->Click({150, 100});
    Input->Move({400, 400}); // away from every control point

    Input->Key(Qt::Key_Up);
    EXPECT_EQ(Ends(line), EndPair({100, 99}, {200, 99}));
    Input->Key(Qt::Key_Right);
    EXPECT_EQ(Ends(line), EndPair({101, 99}, {201, 99}));
    Input->Key(Qt::Key_Down);
    Input->Key(Qt::Key_Left);
    EXPECT_EQ(Ends(line), EndPair({100, 100}, {200, 100}));
    Input->Key(Qt::Key_A);
    EXPECT_EQ(Ends(line), EndPair({100, 100}, {200, 100}));
    EXPECT_EQ(Ends(other), EndPair({100, 300}, {200, 300}));
}

TEST_F(QuorvexMouseTest, ArrowKeysNudgeWithoutScrollingThePicture)
{
    ASSERT_NO_FATAL_FAILURE(ShowPictureLargerThanTheView());
    MShape* line = AddLine({100, 100}, {200, 100});
    Input->Click({150, 100});
    Input->Move({400, 400});

    Input->Key(Qt::Key_Right);
    Input->Key(Qt::Key_Down);
    EXPECT_EQ(Ends(line), EndPair({101, 101}, {201, 101}));
    EXPECT_EQ(Form->ScrollBoxPaint->horizontalScrollBar()->value(), 0);
    EXPECT_EQ(Form->ScrollBoxPaint->verticalScrollBar()->value(), 0);
}

TEST_F(QuorvexMouseTest, AnArrowKeyMovesOnlyTheHoveredControlPoint)
{
    MShape* line = AddLine({100, 100}, {200, 100});
    Input->Click({150, 100});
    Input->Move({200, 100});
    ASSERT_EQ(Form->HoverPoint, (TPoint{200, 100}));

    Input->Key(Qt::Key_Right);
    EXPECT_EQ(Ends(line), EndPair({100, 100}, {201, 100}));
    EXPECT_EQ(Form->HoverPoint, (TPoint{201, 100}));
    Input->Key(Qt::Key_Up);
    EXPECT_EQ(Ends(line), EndPair({100, 100}, {201, 99}));
    EXPECT_EQ(Form->StatusPanels[1]->text(), QStringLiteral(" X:201 Y:501"));
}

TEST_F(QuorvexMouseTest, AnArrowKeyWhileDrawingPlacesNoPointOfTheNewShape)
{
    AddLine({100, 100}, {200, 100});
    Input->Click({150, 100});
    Input->Move({200, 100});
    ASSERT_EQ(Form->HoverPoint, (TPoint{200, 100}));
    Form->MenuLineClick(); // from the menu: the mouse never crosses the picture

    Input->Key(Qt::Key_Right);
    Input->Click({300, 300});
    Input->Click({400, 300});

    ASSERT_EQ(Form->ShapeList.size(), 2u);
    EXPECT_EQ(Ends(Form->ShapeList.back()), EndPair({300, 300}, {400, 300}));
}

TEST_F(QuorvexMouseTest, LockedShapesAreSelectedButNeitherDraggedNorNudged)
{
    MShape* line = AddLine({100, 100}, {200, 100});
    Form->MenuLock->setChecked(true);
    Input->Drag({150, 100}, {170, 130});
    EXPECT_EQ(Form->Selected, line);
    EXPECT_TRUE(line->selected);
    Input->Drag({150, 100}, {170, 130});
    Input->Drag({200, 100}, {240, 160});
    Input->Key(Qt::Key_Up);
    EXPECT_EQ(Ends(line), EndPair({100, 100}, {200, 100}));
}

TEST_F(QuorvexMouseTest, DeleteRemovesTheSelectedShapesAndSaysSo)
{
    MShape* a = AddLine({100, 100}, {200, 100});
    AddLine({100, 200}, {200, 200});
    MShape* kept = AddLine({100, 300}, {200, 300});
    Input->Drag({90, 90}, {210, 210});
    Form->MenuDelete->trigger();
    ASSERT_EQ(Form->ShapeList.size(), 1u);
    EXPECT_EQ(Form->ShapeList[0], kept);
    EXPECT_EQ(MessagePanel(), Slot(64));
    EXPECT_FALSE(Form->IsInShapeList(a));
    // Nothing selected: nothing to delete, nothing said.
    Form->ShowStatus("", STATUS_MESSAGE);
    Form->MenuDeleteClick();
    EXPECT_EQ(Form->ShapeList.size(), 1u);
    EXPECT_EQ(MessagePanel(), "");
}

TEST_F(QuorvexMouseTest, DeletingLockedShapesAsksFirst)
{
    AddLine({100, 100}, {200, 100});
    Form->MenuLock->setChecked(true);
    Input->Click({150, 100});

    AnswerConfirmations(false);
    Form->MenuDeleteClick();
    EXPECT_EQ(Form->ShapeList.size(), 1u);
    AnswerConfirmations(true);
    Form->MenuDeleteClick();
    EXPECT_TRUE(Form->ShapeList.empty());
    EXPECT_EQ(Questions, (std::vector<std::string>{Slot(66), Slot(66)}));
}

TEST_F(QuorvexMouseTest, DeleteAllAsksAndOnlyYesEmptiesTheDocument)
{
    AddLine({100, 100}, {200, 100});
    AddLine({100, 200}, {200, 200});
    Input->Click({150, 100});

    AnswerConfirmations(false);
    Form->MenuClear->trigger();
    EXPECT_EQ(Form->ShapeList.size(), 2u);
    EXPECT_EQ(MessagePanel(), "");

    AnswerConfirmations(true);
    Form->MenuClear->trigger();
    EXPECT_TRUE(Form->ShapeList.empty());
    EXPECT_EQ(Form->Selected, nullptr);
    EXPECT_EQ(MessagePanel(), Slot(63));
    EXPECT_EQ(Questions, (std::vector<std::string>{Slot(61), Slot(61)}));
}

TEST_F(QuorvexMouseTest, DeletedShapesLeaveNoPointerBehind)
{
    MShape* line = AddLine({100, 100}, {200, 100});
    Input->Click({150, 100});
    ASSERT_EQ(Form->DigitShape, line);
    Form->MenuDeleteClick();
    EXPECT_EQ(Form->DigitShape, nullptr);
    EXPECT_EQ(Form->Selected, nullptr);

    // The angle tool waiting for its second line starts over when every
    // shape goes.
    Form->MenuLineAngleClick();
    Input->Click({100, 100});
    Input->Click({300, 100});
    ASSERT_EQ(Form->AngleStep, 2);
    Form->DeleteAllShapes();
    EXPECT_EQ(Form->AngleStep, 0);
    EXPECT_EQ(Form->AngleFirstLine, nullptr);
    EXPECT_EQ(Form->Selected, nullptr);
    EXPECT_EQ(Form->Mode, MODE_SELECT);
}

TEST_F(QuorvexMouseTest, AClickOnARelationSelectsItsTwoShapesAndADragMovesItsLabel)
{
    MShape* a = AddLine({100, 300}, {100, 400});
    MShape* b = AddLine({300, 300}, {300, 400});
    MRelation* relation = Form->AddRelation(std::make_unique<TestRelation>(a, b, Form->ImagePaint->Canvas()));
    ASSERT_TRUE(relation);
    Form->RedrawImage();
    const TPoint onDimension = MTool::Midpoint(relation->dimStart, relation->dimEnd);
    ASSERT_EQ(Form->ShapeAt(onDimension.x, onDimension.y), nullptr);

    Input->Move({onDimension.x, onDimension.y});
    Input->Press({onDimension.x, onDimension.y});
    EXPECT_EQ(Form->SelectedRelation, relation);
    EXPECT_EQ(Form->Selected, nullptr);
    EXPECT_TRUE(a->selected && b->selected);
    EXPECT_TRUE(FormValue->MemoItems->toPlainText().contains(QStringLiteral("Distance")));
    EXPECT_FALSE(Form->Banding);

    // The label sits on the middle of the dimension line.
    Input->Move({onDimension.x, onDimension.y - 20});
    Input->Release({onDimension.x, onDimension.y - 20});
    EXPECT_EQ(relation->labelOffset1, (TPoint{0, -20}));
    EXPECT_EQ(relation->GetEditState(), EDIT_IDLE);
    EXPECT_EQ(Form->SelectedRelation, relation);

    // Deleting one of its shapes takes the relation with it.
    Input->Click({100, 350});
    Form->MenuDeleteClick();
    EXPECT_TRUE(Form->RelationList.empty());
    EXPECT_EQ(Form->SelectedRelation, nullptr);
}

TEST_F(QuorvexMouseTest, MovingTheMouseShowsThePositionCountedUpFromTheBottom)
{
    Input->Move({10, 590});
    EXPECT_EQ(Form->StatusPanels[1]->text(), QStringLiteral(" X:10 Y:10"));
}

TEST_F(QuorvexMouseTest, TheMarkEditorOpensAtTheClickAndClosesWithEnter)
{
    Form->OpenMarkEditor(100, 120, false);
    EXPECT_TRUE(Form->TextEntry);
    EXPECT_TRUE(Form->EditMark->isVisible());
    EXPECT_EQ(Form->EditMark->pos(), QPoint(100, 120));
    EXPECT_EQ(Form->EditMark->maxLength(), 100);

    // Near the right and bottom edges it opens to the left of and above it.
    Form->OpenMarkEditor(790, 590, false);
    EXPECT_EQ(Form->EditMark->pos(), QPoint(790 - 150, 590 - 21));

    // Keys go to the box, not to the nudging.
    MShape* line = AddLine({100, 100}, {200, 100});
    line->selected = true;
    QTest::keyClick(Form->EditMark, Qt::Key_X);
    EXPECT_EQ(Form->EditMark->text(), QStringLiteral("x"));
    Input->Key(Qt::Key_Up);
    EXPECT_EQ(Ends(line), EndPair({100, 100}, {200, 100}));

    QTest::keyClick(Form->EditMark, Qt::Key_Return);
    EXPECT_FALSE(Form->TextEntry);
    EXPECT_FALSE(Form->EditMark->isVisible());
}

} // namespace
