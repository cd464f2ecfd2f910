// The main window's relations: drawing and values, and the order in which
// relations and the shapes they point at are freed when the window deletes
// shapes or closes. The relation list's own rules are tested in
// tests/shapes/MDocumentTest.cpp.
#include "WorkspaceFixture.h"

#include "platform/gui/TBitmap.h"
#include "platform/gui/TCanvas.h"
#include "shapes/MPoint.h"
#include "tests/support/TestRelation.h"
#include "workspace/MValue.h"

#include <memory>
#include <string>
#include <vector>

namespace {

// A finished point that logs its destruction.
class LoggedPoint : public MPoint {
public:
    LoggedPoint(TCanvas* defaultCanvas, TPoint at, std::vector<std::string>* freedLog)
        : MPoint(defaultCanvas), freed(freedLog)
    {
        CreateMouseDown(at.x, at.y);
    }
    ~LoggedPoint() override { freed->push_back("shape " + GetDisplayName()); }

private:
    std::vector<std::string>* freed;
};

class QuorvexRelationsTest : public WorkspaceTest {
protected:
    void SetUp() override
    {
        WorkspaceTest::SetUp();
        Form = &StartForms();
        // P1, P2 and P3: P1 and P2 on one row, P3 below them.
        a = AddPoint({100, 200});
        b = AddPoint({300, 200});
        c = AddPoint({200, 400});
    }

    MShape* AddPoint(TPoint at)
    {
        return Form->AddShape(std::make_unique<LoggedPoint>(Form->ImagePaint->Canvas(), at, &Freed));
    }

    std::unique_ptr<TestRelation> NewRelation(MShape* first, MShape* second)
    {
        return std::make_unique<TestRelation>(first, second, Form->ImagePaint->Canvas(), &Freed);
    }

    MRelation* AddRelation(MShape* first, MShape* second)
    {
        MRelation* relation = Form->AddRelation(NewRelation(first, second));
        EXPECT_TRUE(relation);
        return relation;
    }

    // Outlives the main window, which the fixture frees after each test.
    std::vector<std::string> Freed;
    TFormMeasure* Form = nullptr;
    MShape* a = nullptr;
    MShape* b = nullptr;
    MShape* c = nullptr;
};

TEST_F(QuorvexRelationsTest, DeletingAShapeFreesItsRelationsBeforeIt)
{
    MRelation* ab = AddRelation(a, b);
    MRelation* bc = AddRelation(b, c);
    MRelation* ac = AddRelation(a, c);
    Form->Document.SetSelectedRelation(ab);
    Form->ShowRelationValues();
    ASSERT_EQ(Form->DigitShape, ab);

    MShape* doomed = b;
    EXPECT_TRUE(Form->DeleteShape(doomed));
    EXPECT_EQ(Freed, (std::vector<std::string>{"relation P1 P2", "relation P2 P3", "shape P2"}));
    EXPECT_EQ(doomed, nullptr);
    EXPECT_EQ(Form->RelationList, std::vector<MRelation*>{ac});
    EXPECT_EQ(Form->SelectedRelation, nullptr);
    EXPECT_EQ(Form->DigitShape, nullptr) << "the freed relation's values are forgotten";
    (void)bc;
}

TEST_F(QuorvexRelationsTest, DeleteAllShapesFreesEveryRelationFirst)
{
    AddRelation(a, b);
    AddRelation(b, c);
    Form->Document.SetSelectedRelation(NewRelation(a, c));
    Form->DeleteAllShapes();
    EXPECT_EQ(Freed, (std::vector<std::string>{"relation P1 P3", "relation P1 P2", "relation P2 P3", "shape P1",
                                               "shape P2", "shape P3"}));
    EXPECT_TRUE(Form->RelationList.empty());
    EXPECT_EQ(Form->SelectedRelation, nullptr);
}

TEST_F(QuorvexRelationsTest, ClosingTheProgramFreesRelationsBeforeAnyShape)
{
    AddRelation(a, b);
    AddRelation(c, b);
    Form->Document.SetSelectedRelation(NewRelation(a, c));
    // A point whose creation was abandoned belongs to Selected alone.
    Form->Document.SetSelected(std::make_unique<LoggedPoint>(Form->ImagePaint->Canvas(), TPoint{50, 50}, &Freed))
        ->number = 9;

    DestroyForms();
    EXPECT_EQ(Freed, (std::vector<std::string>{"relation P1 P3", "relation P1 P2", "relation P2 P3", "shape P9",
                                               "shape P1", "shape P2", "shape P3"}));
}

TEST_F(QuorvexRelationsTest, RelationsAreDrawnInTheMarkColourAndTheSelectedOneActive)
{
    constexpr TColor kMark = 0x008080;
    constexpr TColor kActive = 0xFF0000;
    Form->Param->SetColor(OPT_COLOR_MARK, int(kMark));
    Form->Param->SetColor(OPT_COLOR_ACTIVE, int(kActive));
    MRelation* ab = AddRelation(a, b);
    Form->RedrawImage();
    // The dimension line runs 12 px above P1 and P2.
    const TCanvas* buffer = Form->BufferBitmap->Canvas();
    EXPECT_EQ(buffer->Pixels(150, 188), kMark);
    EXPECT_EQ(Form->RelationAt(150, 188), ab);
    EXPECT_EQ(Form->RelationAt(150, 300), nullptr);

    Form->Document.SetSelectedRelation(ab);
    Form->RedrawImage();
    EXPECT_EQ(buffer->Pixels(150, 188), kActive);
    EXPECT_TRUE(Form->IsRelationSelected());

    // With one operand out of the selection it is drawn as any other.
    b->selected = false;
    Form->RedrawImage();
    EXPECT_EQ(buffer->Pixels(150, 188), kMark);
    EXPECT_FALSE(Form->IsRelationSelected());
}

TEST_F(QuorvexRelationsTest, SelectedRelationShowsItsValues)
{
    Form->SetLanguage(LAN_ENGLISH, false);
    Form->Document.SetSelectedRelation(AddRelation(a, b));
    Form->ShowRelationValues();
    EXPECT_EQ(FormValue->MemoItems->toPlainText(), "Test Relation: P1 P2\nDistance: 200 px");
}

} // namespace
