// The main window's side of its document: deleting all shapes, tools and
// modes, redraw of the shapes, and the states of the edit commands. The
// document's own rules are tested in tests/shapes/MDocumentTest.cpp.
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
    MShape* AddPoint(int x, int y) { return Form->AddShape(MPoint::Create(Form->ImagePaint->Canvas(), x, y)); }

    MShape* AddLine(TPoint a, TPoint b)
    {
        return Form->AddShape(MLine::Create(Form->ImagePaint->Canvas(), a.x, a.y, b.x, b.y));
    }

    TFormMeasure* Form = nullptr;
};

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
    // The shapes lie on the working image's own pixels and come off whole.
    Form->DeleteAllShapes();
    Form->RedrawImage();
    EXPECT_EQ(Form->ImageBitmap->Image(), plain);
}

TEST_F(QuorvexDocumentTest, SelectedShapeShowsItsValuesInTheValueWindow)
{
    MShape* line = AddLine({0, 50}, {100, 50});
    Form->SelectShape(line, true);
    Form->Document.SetSelected(line);
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
