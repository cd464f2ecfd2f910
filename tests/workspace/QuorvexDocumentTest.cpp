// The document of the main window: serial numbers, list operations, tools
// and modes, redraw of the shapes, and the states of the edit commands.
#include "WorkspaceFixture.h"

#include "platform/gui/TBitmap.h"
#include "shapes/MLine.h"
#include "shapes/MPoint.h"
#include "workspace/MValue.h"

#include <QLabel>

namespace {

class QuorvexDocumentTest : public WorkspaceTest {
protected:
    void SetUp() override
    {
        WorkspaceTest::SetUp();
        Form = &StartForms();
    }

    // A finished point, listed.
    MShape* AddPoint(int x, int y)
    {
        MShape* point = MPoint::Create(Form->ImagePaint->Canvas(), x, y).release();
        EXPECT_TRUE(Form->AddShape(point));
        return point;
    }

    MShape* AddLine(TPoint a, TPoint b)
    {
        MShape* line = MLine::Create(Form->ImagePaint->Canvas(), a.x, a.y, b.x, b.y).release();
        EXPECT_TRUE(Form->AddShape(line));
        return line;
    }

    TFormMeasure* Form = nullptr;
};

TEST_F(QuorvexDocumentTest, NewShapeTakesTheSmallestFreeNumberOfItsKind)
{
    MShape* first = AddPoint(10, 10);
    MShape* second = AddPoint(20, 10);
    MShape* third = AddPoint(30, 10);
    EXPECT_EQ(first->number, 1);
    EXPECT_EQ(second->number, 2);
    EXPECT_EQ(third->number, 3);

    third->number = 4; // points 1, 2 and 4
    EXPECT_EQ(AddPoint(40, 10)->number, 3);
    EXPECT_EQ(AddPoint(50, 10)->number, 5);
    // Another kind counts on its own.
    EXPECT_EQ(AddLine({0, 50}, {100, 50})->number, 1);
}

TEST_F(QuorvexDocumentTest, NumbersOutsideTheRangeAreIgnoredAndAFullKindStartsAtOne)
{
    MShape* odd = AddPoint(10, 10);
    odd->number = 0;
    EXPECT_EQ(Form->NextSerialNumber(KIND_POINT), 1);
    odd->number = 1000;
    EXPECT_EQ(Form->NextSerialNumber(KIND_POINT), 1);

    for (int i = 1; i < 999; ++i)
        AddPoint(i % 700, 20);
    odd->number = 999;
    EXPECT_EQ(Form->NextSerialNumber(KIND_POINT), 1);
    EXPECT_EQ(Form->NextSerialNumber(KIND_LINE), 1);
}

TEST_F(QuorvexDocumentTest, AddShapeRefusesNullAndListedShapes)
{
    MShape* point = AddPoint(10, 10);
    EXPECT_FALSE(Form->AddShape(nullptr));
    EXPECT_FALSE(Form->AddShape(point));
    EXPECT_EQ(Form->ShapeList.size(), 1u);
    EXPECT_TRUE(Form->IsInShapeList(point));
}

TEST_F(QuorvexDocumentTest, ShapeAtFindsTheFirstListedShapeUnderThePoint)
{
    MShape* line = AddLine({0, 100}, {200, 100});
    MShape* point = AddPoint(100, 100);
    EXPECT_EQ(Form->ShapeAt(100, 100), line);
    EXPECT_EQ(Form->ShapeAt(150, 100), line);
    EXPECT_EQ(Form->ShapeAt(100, 300), nullptr);
    (void)point;
}

TEST_F(QuorvexDocumentTest, SelectShapeExclusiveClearsTheOthers)
{
    MShape* a = AddPoint(10, 10);
    MShape* b = AddPoint(20, 10);
    MShape* c = AddPoint(30, 10);
    Form->SelectShape(b, true);
    EXPECT_FALSE(a->selected);
    EXPECT_TRUE(b->selected);
    EXPECT_FALSE(c->selected);
    Form->SelectShape(c, false);
    EXPECT_TRUE(b->selected);
    EXPECT_TRUE(c->selected);
    Form->SelectShape(nullptr, true);
    EXPECT_TRUE(b->selected);
}

TEST_F(QuorvexDocumentTest, ClearSelectedFreesOnlyAnAbandonedShape)
{
    EXPECT_FALSE(Form->ClearSelected());
    MShape* listed = AddPoint(10, 10);
    Form->Selected = listed;
    EXPECT_TRUE(Form->ClearSelected());
    EXPECT_EQ(Form->Selected, nullptr);
    EXPECT_TRUE(listed->selected); // flags are left alone
    EXPECT_TRUE(Form->IsInShapeList(listed));

    Form->Selected = new MPoint(Form->ImagePaint->Canvas()); // under creation: freed
    EXPECT_TRUE(Form->ClearSelected());
    EXPECT_EQ(Form->Selected, nullptr);
}

TEST_F(QuorvexDocumentTest, DeleteShapeRemovesAListedShapeAndNullsThePointer)
{
    MShape* kept = AddPoint(10, 10);
    MShape* doomed = AddPoint(20, 10);
    Form->Selected = doomed;
    EXPECT_TRUE(Form->DeleteShape(doomed));
    EXPECT_EQ(doomed, nullptr);
    EXPECT_EQ(Form->Selected, nullptr);
    EXPECT_EQ(Form->ShapeList, std::vector<MShape*>{kept});

    MShape* none = nullptr;
    EXPECT_FALSE(Form->DeleteShape(none));
    auto stranger = std::make_unique<MPoint>(Form->ImagePaint->Canvas());
    MShape* unlisted = stranger.get();
    EXPECT_FALSE(Form->DeleteShape(unlisted));
    EXPECT_EQ(unlisted, stranger.get());
}

TEST_F(QuorvexDocumentTest, DeleteAllShapesEmptiesTheDocumentAndReturnsToSelection)
{
    AddPoint(10, 10);
    AddLine({0, 50}, {100, 50});
    Form->MenuPoint->trigger();
    ASSERT_EQ(Form->Mode, MODE_CREATE);
    Form->DeleteAllShapes();
    EXPECT_TRUE(Form->ShapeList.empty());
    EXPECT_TRUE(Form->RelationList.empty());
    EXPECT_EQ(Form->Selected, nullptr);
    EXPECT_EQ(Form->Mode, MODE_SELECT);
}

TEST_F(QuorvexDocumentTest, WithoutRelationsEveryRelationLookupAnswersNone)
{
    MShape* a = AddPoint(10, 10);
    MShape* b = AddPoint(20, 10);
    EXPECT_EQ(Form->FindRelationBetween(a, b), nullptr);
    EXPECT_EQ(Form->FindRelationBetween(nullptr, b), nullptr);
    EXPECT_EQ(Form->RelationAt(15, 10), nullptr);
    EXPECT_FALSE(Form->ClearSelectedRelation());
    EXPECT_FALSE(Form->AddRelation(nullptr));
}

TEST_F(QuorvexDocumentTest, ShapeToolArmsANewShapeInCreateMode)
{
    Form->SetLanguage(LAN_ENGLISH, false);
    Form->MenuPoint->trigger();
    EXPECT_EQ(Form->Mode, MODE_CREATE);
    ASSERT_NE(Form->Selected, nullptr);
    EXPECT_EQ(Form->Selected->GetKind(), KIND_POINT);
    EXPECT_FALSE(Form->IsInShapeList(Form->Selected));
    EXPECT_TRUE(Form->MenuPoint->isChecked());
    EXPECT_TRUE(Form->SBPoint->isChecked());
    EXPECT_EQ(Form->StatusPanels[0]->text(), "Draw");

    Form->SBLine->trigger();
    ASSERT_NE(Form->Selected, nullptr);
    EXPECT_EQ(Form->Selected->GetKind(), KIND_LINE);
    EXPECT_FALSE(Form->MenuPoint->isChecked());

    // The arrow drops the half-made shape.
    Form->MenuArrow->trigger();
    EXPECT_EQ(Form->Mode, MODE_SELECT);
    EXPECT_EQ(Form->Selected, nullptr);
    EXPECT_TRUE(Form->SBArrow->isChecked());
    EXPECT_EQ(Form->StatusPanels[0]->text(), "Ready");
}

TEST_F(QuorvexDocumentTest, TwoLinesWithAngleToolArmsALineAtStepOne)
{
    Form->MenuLineAngle->trigger();
    EXPECT_EQ(Form->AngleStep, 1);
    ASSERT_NE(Form->Selected, nullptr);
    EXPECT_EQ(Form->Selected->GetKind(), KIND_LINE);
}

TEST_F(QuorvexDocumentTest, ArrowAfterTheFirstLineOfAnAngleDeletesThatLine)
{
    MShape* first = AddLine({0, 50}, {100, 50});
    Form->AngleStep = 2;
    Form->AngleFirstLine = first;
    Form->SelectToolMode(MODE_SELECT);
    EXPECT_TRUE(Form->ShapeList.empty());
    EXPECT_EQ(Form->AngleStep, 0);
    EXPECT_EQ(Form->AngleFirstLine, nullptr);
}

TEST_F(QuorvexDocumentTest, RedrawDrawsListedShapesOnTheBufferAndShowsIt)
{
    const QImage plain = Form->BufferBitmap->Image().copy();
    AddLine({100, 100}, {300, 100});
    Form->RedrawImage();
    EXPECT_NE(Form->BufferBitmap->Image(), plain);
    EXPECT_EQ(Form->ImagePaint->ScreenImage(), Form->BufferBitmap->Image());
    // The working image itself is never drawn on.
    EXPECT_EQ(Form->ImageBitmap->Image(), plain);
}

TEST_F(QuorvexDocumentTest, SelectedShapeShowsItsValuesInTheValueWindow)
{
    MShape* line = AddLine({0, 50}, {100, 50});
    Form->SelectShape(line, true);
    Form->Selected = line;
    Form->UpdateSelection(true);
    const QString values = FormValue->MemoItems->toPlainText();
    ASSERT_FALSE(values.isEmpty());
    const std::vector<MItem>& results = line->GetResults();
    EXPECT_EQ(values.split('\n').size(), qsizetype(results.size()));
    EXPECT_EQ(values.split('\n').first(), QString::fromStdString(results.front().name + ": " + results.front().value));

    Form->Selected->selected = false;
    Form->UpdateSelection(true);
    EXPECT_TRUE(FormValue->MemoItems->toPlainText().isEmpty());
}

// The edit commands' states for a selection, as the menu item, its pop-up
// twin and its speed button show them.
TEST_F(QuorvexDocumentTest, EditCommandStatesFollowTheSelection)
{
    struct State {
        bool showMarkEnabled, showMarkChecked, deleteEnabled, clearEnabled, markAllEnabled, markNoneEnabled;
    };
    const auto current = [&] {
        return State{Form->MenuShowMark->isEnabled(), Form->MenuShowMark->isChecked(), Form->MenuDelete->isEnabled(),
                     Form->MenuClear->isEnabled(),    Form->MenuMarkAll->isEnabled(),  Form->MenuMarkNone->isEnabled()};
    };
    const auto expectTwins = [&] {
        EXPECT_EQ(Form->PMShowMark->isEnabled(), Form->MenuShowMark->isEnabled());
        EXPECT_EQ(Form->SBMarkShape->isEnabled(), Form->MenuShowMark->isEnabled());
        EXPECT_EQ(Form->SBMarkShape->isChecked(), Form->MenuShowMark->isChecked());
        EXPECT_EQ(Form->PMDelete->isEnabled(), Form->MenuDelete->isEnabled());
        EXPECT_EQ(Form->SBDelete->isEnabled(), Form->MenuDelete->isEnabled());
        EXPECT_FALSE(Form->MenuRelation->isEnabled());
        EXPECT_FALSE(Form->SBMarkRelation->isEnabled());
    };

    // Empty document: everything off.
    Form->UpdateEditCommands();
    State s = current();
    EXPECT_FALSE(s.showMarkEnabled || s.deleteEnabled || s.clearEnabled || s.markAllEnabled || s.markNoneEnabled);
    EXPECT_FALSE(Form->MenuSelectAll->isEnabled());
    EXPECT_FALSE(Form->MenuRelationNone->isEnabled());
    expectTwins();

    // One selected shape with hidden labels: enabled, unchecked.
    MShape* a = AddLine({0, 50}, {100, 50});
    Form->SelectShape(a, true);
    a->marked = false;
    Form->UpdateEditCommands();
    s = current();
    EXPECT_TRUE(s.showMarkEnabled);
    EXPECT_FALSE(s.showMarkChecked);
    EXPECT_TRUE(s.deleteEnabled && s.clearEnabled && s.markAllEnabled);
    EXPECT_FALSE(s.markNoneEnabled);
    expectTwins();

    // Its labels shown: the item is checked and the button pressed.
    a->marked = true;
    Form->UpdateEditCommands();
    EXPECT_TRUE(Form->MenuShowMark->isChecked());
    EXPECT_TRUE(Form->SBMarkShape->isChecked());
    expectTwins();

    // Two selected, one with labels and one without: enabled, unchecked.
    MShape* b = AddLine({0, 80}, {100, 80});
    b->marked = false;
    Form->SelectShape(b, false);
    Form->UpdateEditCommands();
    s = current();
    EXPECT_TRUE(s.showMarkEnabled);
    EXPECT_FALSE(s.showMarkChecked);
    EXPECT_TRUE(s.markAllEnabled && s.markNoneEnabled);
    expectTwins();

    // Locking changes none of them: it guards editing, not the commands.
    Form->MenuLock->setChecked(true);
    Form->UpdateEditCommands();
    s = current();
    EXPECT_TRUE(s.showMarkEnabled && s.deleteEnabled && s.clearEnabled);
    expectTwins();

    // Nothing selected: Delete off, Clear and Select All on.
    a->selected = false;
    b->selected = false;
    Form->UpdateEditCommands();
    EXPECT_FALSE(Form->MenuDelete->isEnabled());
    EXPECT_FALSE(Form->MenuShowMark->isEnabled());
    EXPECT_TRUE(Form->MenuClear->isEnabled());
    EXPECT_TRUE(Form->MenuSelectAll->isEnabled());
    expectTwins();
}

TEST_F(QuorvexDocumentTest, ArmingAToolDisablesTheEditCommands)
{
    MShape* a = AddLine({0, 50}, {100, 50});
    Form->SelectShape(a, true);
    Form->UpdateEditCommands();
    ASSERT_TRUE(Form->MenuDelete->isEnabled());
    Form->MenuPoint->trigger();
    for (QAction* command : {Form->MenuDelete, Form->MenuClear, Form->MenuSelectAll, Form->MenuShowMark,
                             Form->SBDelete, Form->SBMarkShape, Form->PMDelete})
        EXPECT_FALSE(command->isEnabled()) << command->objectName().toStdString();
    EXPECT_FALSE(Form->MenuShowMark->isChecked());
}

} // namespace
