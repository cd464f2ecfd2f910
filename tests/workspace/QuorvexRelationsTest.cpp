// The main window's relation list: one relation per pair of shapes, lookups
// by operands, drawing and values, and the order in which relations and the
// shapes they point at are freed.
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
        MShape* point = new LoggedPoint(Form->ImagePaint->Canvas(), at, &Freed);
        EXPECT_TRUE(Form->AddShape(point));
        return point;
    }

    // A relation the window does not own yet.
    TestRelation* NewRelation(MShape* first, MShape* second)
    {
        return new TestRelation(first, second, Form->ImagePaint->Canvas(), &Freed);
    }

    TestRelation* AddRelation(MShape* first, MShape* second)
    {
        TestRelation* relation = NewRelation(first, second);
        EXPECT_TRUE(Form->AddRelation(relation));
        return relation;
    }

    // Outlives the main window, which the fixture frees after each test.
    std::vector<std::string> Freed;
    TFormMeasure* Form = nullptr;
    MShape* a = nullptr;
    MShape* b = nullptr;
    MShape* c = nullptr;
};

TEST_F(QuorvexRelationsTest, AddRelationRefusesNullListedAndSameOperandRelations)
{
    TestRelation* ab = AddRelation(a, b);
    EXPECT_FALSE(Form->AddRelation(nullptr));
    EXPECT_FALSE(Form->AddRelation(ab));
    const std::unique_ptr<TestRelation> swapped(NewRelation(b, a));
    EXPECT_FALSE(Form->AddRelation(swapped.get()));
    EXPECT_EQ(Form->FindRelationLike(swapped.get()), ab);
    TestRelation* ac = AddRelation(a, c);
    EXPECT_EQ(Form->RelationList, (std::vector<MRelation*>{ab, ac}));
}

TEST_F(QuorvexRelationsTest, FindRelationBetweenTakesTheShapesInEitherOrder)
{
    TestRelation* ab = AddRelation(a, b);
    TestRelation* cb = AddRelation(c, b);
    EXPECT_EQ(Form->FindRelationBetween(a, b), ab);
    EXPECT_EQ(Form->FindRelationBetween(b, a), ab);
    EXPECT_EQ(Form->FindRelationBetween(b, c), cb);
    EXPECT_EQ(Form->FindRelationBetween(a, c), nullptr);
    EXPECT_EQ(Form->FindRelationBetween(a, nullptr), nullptr);
    EXPECT_EQ(Form->FindRelationBetween(nullptr, nullptr), nullptr);
}

TEST_F(QuorvexRelationsTest, DeletingAShapeFreesItsRelationsBeforeIt)
{
    TestRelation* ab = AddRelation(a, b);
    TestRelation* bc = AddRelation(b, c);
    TestRelation* ac = AddRelation(a, c);
    Form->SelectedRelation = ab;
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

TEST_F(QuorvexRelationsTest, RemoveRelationsOfFreesTheUnlistedSelectedRelationAndAnswersWhetherAnyListedWent)
{
    TestRelation* ab = AddRelation(a, b);
    Form->SelectedRelation = NewRelation(b, c);
    EXPECT_FALSE(Form->RemoveRelationsOf(c)) << "no listed relation uses P3";
    EXPECT_EQ(Freed, std::vector<std::string>{"relation P2 P3"});
    EXPECT_EQ(Form->SelectedRelation, nullptr);

    // A listed selected relation is only let go.
    Form->SelectedRelation = ab;
    EXPECT_TRUE(Form->ClearSelectedRelation());
    EXPECT_EQ(Form->SelectedRelation, nullptr);
    EXPECT_EQ(Form->RelationList, std::vector<MRelation*>{ab});

    EXPECT_TRUE(Form->RemoveRelationsOf(a));
    EXPECT_TRUE(Form->RelationList.empty());
    EXPECT_EQ(Freed.back(), "relation P1 P2");
}

TEST_F(QuorvexRelationsTest, DeleteAllShapesFreesEveryRelationFirst)
{
    AddRelation(a, b);
    AddRelation(b, c);
    Form->SelectedRelation = NewRelation(a, c);
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
    Form->SelectedRelation = NewRelation(a, c);
    // A point whose creation was abandoned belongs to Selected alone.
    auto* abandoned = new LoggedPoint(Form->ImagePaint->Canvas(), {50, 50}, &Freed);
    abandoned->number = 9;
    Form->Selected = abandoned;

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
    TestRelation* ab = AddRelation(a, b);
    Form->RedrawImage();
    // The dimension line runs 12 px above P1 and P2.
    const TCanvas* buffer = Form->BufferBitmap->Canvas();
    EXPECT_EQ(buffer->Pixels(150, 188), kMark);
    EXPECT_EQ(Form->RelationAt(150, 188), ab);
    EXPECT_EQ(Form->RelationAt(150, 300), nullptr);

    Form->SelectedRelation = ab;
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
    Form->SelectedRelation = AddRelation(a, b);
    Form->ShowRelationValues();
    EXPECT_EQ(FormValue->MemoItems->toPlainText(), "Test Relation: P1 P2\nDistance: 200 px");
}

} // namespace
