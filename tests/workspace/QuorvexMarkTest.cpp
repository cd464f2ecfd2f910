// Text marks on the real main window: placing one with the text tool, typing
// its text in the box that opens on the picture, and editing the text of a
// listed mark in place by a double click.
#include "PaintBoxInput.h"

#include "platform/gui/TBitmap.h"
#include "platform/gui/TCanvas.h"
#include "shapes/MMark.h"

#include <QLineEdit>
#include <QScrollBar>

#include <functional>

namespace {

class QuorvexMarkTest : public PaintBoxTest {
protected:
    void Type(const QString& text) { QTest::keyClicks(Form->EditMark, text); }
    void Enter() { QTest::keyClick(Form->EditMark, Qt::Key_Return); }

    // A listed mark with the text, placed with the text tool at p.
    MMark* PlaceMark(QPoint p, const QString& text)
    {
        Form->MenuMarkClick();
        Input->Click(p);
        Form->EditMark->clear();
        Type(text);
        Enter();
        return Form->ShapeList.empty() ? nullptr : dynamic_cast<MMark*>(Form->ShapeList.back());
    }

    // How many pixels of the back buffer inside the rectangle have the colour.
    int BufferCount(const TRect& box, int colourOption) const
    {
        const TColor colour = TColor(MParam::GetInstance()->GetColor(colourOption));
        const TCanvas* buffer = Form->BufferBitmap->Canvas();
        int count = 0;
        for (int y = box.top; y <= box.bottom; ++y)
            for (int x = box.left; x <= box.right; ++x)
                count += buffer->Pixels(x, y) == colour ? 1 : 0;
        return count;
    }

    QString EditText() const { return Form->EditMark->text(); }
};

TEST_F(QuorvexMarkTest, TheTextToolTakesAClickAndTheTypedTextAndEnterListsTheMark)
{
    Form->SBMark->trigger();
    ASSERT_EQ(Form->Mode, MODE_CREATE);
    ASSERT_NE(Form->Selected, nullptr);
    EXPECT_EQ(Form->Selected->GetKind(), KIND_MARK);

    Input->Click({100, 120});
    EXPECT_TRUE(Form->TextEntry);
    EXPECT_TRUE(Form->EditMark->isVisible());
    EXPECT_EQ(Form->focusWidget(), Form->EditMark);
    EXPECT_EQ(Form->EditMark->pos(), QPoint(100, 120));
    EXPECT_TRUE(Form->ShapeList.empty()) << "listed once its text is confirmed";

    Type(QStringLiteral("Hole A"));
    Enter();

    ASSERT_EQ(Form->ShapeList.size(), 1u);
    auto* mark = dynamic_cast<MMark*>(Form->ShapeList[0]);
    ASSERT_NE(mark, nullptr);
    EXPECT_EQ(mark->GetText(), "Hole A");
    EXPECT_EQ(mark->number, 1);
    EXPECT_EQ(mark->p1, (TPoint{100, 120}));
    EXPECT_FALSE(Form->TextEntry);
    EXPECT_FALSE(Form->EditMark->isVisible());
    EXPECT_EQ(Form->Mode, MODE_SELECT);
    EXPECT_EQ(Form->Selected, mark);
    EXPECT_TRUE(mark->selected);

    // Drawn on the back buffer as the selected shape: its text, and the
    // frame around it.
    const TRect box = mark->TextBox();
    EXPECT_GT(box.right - box.left, 20);
    const TRect inside{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1};
    EXPECT_GT(BufferCount(inside, OPT_COLOR_MARK_FONT), 0);
    // (The target's cross sits on the bottom-left corner.)
    EXPECT_EQ(BufferCount({box.left, box.top, box.right, box.top}, OPT_COLOR_ACTIVE), box.right - box.left + 1);
    EXPECT_EQ(BufferCount({box.right, box.top, box.right, box.bottom}, OPT_COLOR_ACTIVE), box.bottom - box.top + 1);
}

TEST_F(QuorvexMarkTest, MarksAreNumberedByKindAndANewBoxKeepsTheLastText)
{
    AddLine({10, 10}, {60, 10});
    MMark* first = PlaceMark({100, 120}, QStringLiteral("A"));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->number, 1);

    Form->MenuMarkClick();
    Input->Click({200, 220});
    EXPECT_EQ(EditText(), QStringLiteral("A"));
    Type(QStringLiteral("B"));
    Enter();
    ASSERT_EQ(Form->ShapeList.size(), 3u);
    auto* second = dynamic_cast<MMark*>(Form->ShapeList[2]);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->GetText(), "AB");
    EXPECT_EQ(second->number, 2);
    EXPECT_FALSE(first->selected);
}

TEST_F(QuorvexMarkTest, ANewMarkLeftWithoutTextDisappears)
{
    Form->MenuMarkClick();
    Input->Click({100, 120});
    EXPECT_EQ(EditText(), QString());
    Enter();
    EXPECT_TRUE(Form->ShapeList.empty());
    EXPECT_EQ(Form->Selected, nullptr);
    EXPECT_EQ(Form->Mode, MODE_SELECT);
    EXPECT_FALSE(Form->EditMark->isVisible());
}

TEST_F(QuorvexMarkTest, AClickOnThePictureConfirmsTheTextAndPlacesNothingMore)
{
    Form->MenuMarkClick();
    Input->Click({100, 120});
    Type(QStringLiteral("Edge"));
    Input->Click({300, 300});
    ASSERT_EQ(Form->ShapeList.size(), 1u);
    EXPECT_EQ(dynamic_cast<MMark*>(Form->ShapeList[0])->GetText(), "Edge");
    EXPECT_EQ(Form->ShapeList[0]->p1, (TPoint{100, 120}));
    EXPECT_FALSE(Form->TextEntry);
    EXPECT_EQ(Form->Mode, MODE_SELECT);
}

TEST_F(QuorvexMarkTest, WithTheToolChosenUnderCtrlEachConfirmedMarkArmsTheNext)
{
    Form->CtrlDown = true;
    Form->MenuMarkClick();
    Form->CtrlDown = false;
    for (const QPoint p : {QPoint(100, 120), QPoint(100, 200)}) {
        Input->Click(p);
        Form->EditMark->clear();
        Type(QStringLiteral("M"));
        Enter();
        EXPECT_EQ(Form->Mode, MODE_CREATE);
        ASSERT_NE(Form->Selected, nullptr);
        EXPECT_EQ(Form->Selected->GetKind(), KIND_MARK);
        EXPECT_FALSE(Form->IsInShapeList(Form->Selected)) << "a fresh mark is armed";
    }
    ASSERT_EQ(Form->ShapeList.size(), 2u);
    EXPECT_EQ(Form->ShapeList[1]->number, 2);
    EXPECT_FALSE(Form->ShapeList[0]->selected);
    EXPECT_FALSE(Form->ShapeList[1]->selected);
}

TEST_F(QuorvexMarkTest, ChoosingAnotherToolWhileTypingDropsTheNewMark)
{
    Form->MenuMarkClick();
    Input->Click({100, 120});
    Type(QStringLiteral("gone"));
    Form->MenuLineClick();
    EXPECT_FALSE(Form->TextEntry);
    EXPECT_FALSE(Form->EditMark->isVisible());
    EXPECT_TRUE(Form->ShapeList.empty());
    ASSERT_NE(Form->Selected, nullptr);
    EXPECT_EQ(Form->Selected->GetKind(), KIND_LINE);
}

TEST_F(QuorvexMarkTest, NearTheRightOrBottomEdgeTheBoxOpensLeftOfOrAboveTheClick)
{
    const int width = Form->ImagePaint->Width();
    const int height = Form->ImagePaint->Height();
    const struct {
        QPoint click;
        QPoint box;
    } cases[] = {
        {{width - 10, 100}, {width - 10 - 150, 100}},
        {{100, height - 10}, {100, height - 10 - 21}},
        {{width - 150, height - 21}, {width - 150, height - 21}},
    };
    for (const auto& c : cases) {
        Form->MenuMarkClick();
        Input->Click(c.click);
        EXPECT_EQ(Form->EditMark->pos(), c.box) << c.click.x() << "," << c.click.y();
        Form->MenuArrowClick();
    }
}

TEST_F(QuorvexMarkTest, ADoubleClickOnAMarkEditsItsTextInPlace)
{
    MMark* mark = PlaceMark({100, 120}, QStringLiteral("Old"));
    ASSERT_NE(mark, nullptr);
    Form->MenuArrowClick();
    ASSERT_EQ(Form->Mode, MODE_SELECT);
    Form->EditMark->clear();

    Input->DoubleClick({105, 125});
    EXPECT_TRUE(Form->TextEntry) << "the double click's second press leaves the box open";
    EXPECT_TRUE(Form->EditMark->isVisible());
    EXPECT_EQ(Form->EditMark->pos(), QPoint(105, 125));
    EXPECT_EQ(EditText(), QStringLiteral("Old"));
    EXPECT_EQ(mark->p1, (TPoint{100, 120}));

    Form->EditMark->selectAll();
    Type(QStringLiteral("New"));
    Enter();
    EXPECT_EQ(mark->GetText(), "New");
    ASSERT_EQ(Form->ShapeList.size(), 1u);
    EXPECT_EQ(mark->number, 1);
    EXPECT_FALSE(Form->TextEntry);
    EXPECT_EQ(Form->Mode, MODE_SELECT);
    EXPECT_GT(BufferCount(mark->TextBox(), OPT_COLOR_MARK_FONT), 0);
}

TEST_F(QuorvexMarkTest, OnlyALeftDoubleClickOpensTheBoxOfAMark)
{
    MMark* mark = PlaceMark({100, 120}, QStringLiteral("Old"));
    ASSERT_NE(mark, nullptr);
    Form->MenuArrowClick();
    ASSERT_EQ(Form->Selected, mark);
    const QPoint p(105, 125);
    const auto send = [&](QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(type, QPointF(p), QPointF(Form->ImagePaint->mapToGlobal(p)), button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(Form->ImagePaint, &event);
    };
    for (const Qt::MouseButton button : {Qt::MiddleButton, Qt::RightButton}) {
        send(QEvent::MouseButtonPress, button, button);
        send(QEvent::MouseButtonRelease, button, Qt::NoButton);
        send(QEvent::MouseButtonDblClick, button, button);
        send(QEvent::MouseButtonRelease, button, Qt::NoButton);
        EXPECT_FALSE(Form->TextEntry) << button;
        EXPECT_FALSE(Form->EditMark->isVisible()) << button;
    }
}

TEST_F(QuorvexMarkTest, AnEditedMarkConfirmedEmptyKeepsItsText)
{
    MMark* mark = PlaceMark({100, 120}, QStringLiteral("Keep"));
    ASSERT_NE(mark, nullptr);
    Form->MenuArrowClick();
    Input->DoubleClick({105, 125});
    Form->EditMark->clear();
    Enter();
    EXPECT_EQ(mark->GetText(), "Keep");
    EXPECT_EQ(Form->ShapeList.size(), 1u);
    EXPECT_FALSE(Form->EditMark->isVisible());
}

TEST_F(QuorvexMarkTest, AClickElsewhereConfirmsAnEditedText)
{
    MMark* mark = PlaceMark({100, 120}, QStringLiteral("Old"));
    ASSERT_NE(mark, nullptr);
    Form->MenuArrowClick();
    Input->DoubleClick({105, 125});
    Form->EditMark->selectAll();
    Type(QStringLiteral("Other"));
    Input->Click({400, 400});
    EXPECT_EQ(mark->GetText(), "Other");
    EXPECT_FALSE(Form->TextEntry);
}

TEST_F(QuorvexMarkTest, ADoubleClickWithTheTextToolLeavesTheNewMarksBoxOpen)
{
    Form->MenuMarkClick();
    Input->DoubleClick({100, 120});
    EXPECT_TRUE(Form->TextEntry);
    EXPECT_TRUE(Form->EditMark->isVisible());
    EXPECT_TRUE(Form->ShapeList.empty());
    Type(QStringLiteral("Typed"));
    Enter();
    ASSERT_EQ(Form->ShapeList.size(), 1u);
    EXPECT_EQ(dynamic_cast<MMark*>(Form->ShapeList[0])->GetText(), "Typed");
    EXPECT_EQ(Form->ShapeList[0]->p1, (TPoint{100, 120}));
}

TEST_F(QuorvexMarkTest, WithAStickyToolADoubleClickConfirmsOneMarkAndPlacesTheNext)
{
    Form->CtrlDown = true;
    Form->MenuMarkClick();
    Form->CtrlDown = false;
    Input->Click({100, 120});
    Type(QStringLiteral("A"));

    Input->DoubleClick({200, 220});
    ASSERT_EQ(Form->ShapeList.size(), 1u) << "the armed mark is never listed unplaced";
    EXPECT_EQ(dynamic_cast<MMark*>(Form->ShapeList[0])->GetText(), "A");
    EXPECT_TRUE(Form->TextEntry);
    ASSERT_NE(Form->Selected, nullptr);
    EXPECT_FALSE(Form->IsInShapeList(Form->Selected));
    EXPECT_EQ(Form->Selected->state, STATE_CREATED);
    EXPECT_EQ(Form->Selected->p1, (TPoint{200, 220}));
}

TEST_F(QuorvexMarkTest, OnceTheBoxClosesTheKeysReachTheWindowAgain)
{
    ASSERT_NO_FATAL_FAILURE(ShowPictureLargerThanTheView());
    ASSERT_NE(PlaceMark({100, 120}, QStringLiteral("m1")), nullptr);
    MShape* line = AddLine({100, 300}, {200, 300});
    Input->Click({150, 300});
    Input->Move({400, 400}); // away from the line's ends

    for (int i = 0; i < 3; ++i)
        Input->Key(Qt::Key_Down);
    EXPECT_EQ(line->p1, (TPoint{100, 303}));
    EXPECT_EQ(Form->ScrollBoxPaint->verticalScrollBar()->value(), 0);
    Input->Key(Qt::Key_Right);
    EXPECT_EQ(Form->ScrollBoxPaint->horizontalScrollBar()->value(), 0);

    Input->Key(Qt::Key_Delete);
    ASSERT_EQ(Form->ShapeList.size(), 1u);
    EXPECT_EQ(Form->ShapeList[0]->GetKind(), KIND_MARK);
    EXPECT_EQ(MessagePanel(), MLan::GetInstance()->Texts[64]);
}

TEST_F(QuorvexMarkTest, ABoxClosedByAnotherToolOrAClickGivesTheKeysBackToo)
{
    const std::function<void()> closers[] = {
        [&] { Form->MenuArrowClick(); },          // a tool chosen while typing
        [&] { Input->Click({400, 400}); },        // a click elsewhere confirms
    };
    for (const auto& close : closers) {
        Form->MenuMarkClick();
        Input->Click({100, 120});
        ASSERT_EQ(Form->focusWidget(), Form->EditMark);
        Type(QStringLiteral("x"));
        close();
        EXPECT_FALSE(Form->EditMark->isVisible());
        EXPECT_EQ(Form->focusWidget(), nullptr);
    }
}

} // namespace
