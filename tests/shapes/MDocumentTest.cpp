#include "ShapeTestSupport.h"

#include "shapes/MDocument.h"
#include "shapes/MLine.h"
#include "shapes/MPoint.h"
#include "tests/support/TestRelation.h"

#include <memory>
#include <string>
#include <vector>

namespace {

class MDocumentTest : public ShapeFixture {
protected:
    MDocumentTest()
    {
        // Every object the document frees, in order, by its display name.
        document.OnFreeing = [this](const MShape* shape) {
            Freed.push_back((shape->GetKind() == KIND_POINTPOINT ? "relation " : "shape ") + shape->GetDisplayName());
        };
    }

    MShape* AddPoint(int x, int y) { return document.AddShape(MPoint::Create(&canvas, x, y)); }
    MShape* AddLine(TPoint a, TPoint b) { return document.AddShape(MLine::Create(&canvas, a.x, a.y, b.x, b.y)); }
    std::unique_ptr<TestRelation> NewRelation(MShape* a, MShape* b)
    {
        return std::make_unique<TestRelation>(a, b, &canvas, &RelationsFreed);
    }
    MRelation* AddRelation(MShape* a, MShape* b) { return document.AddRelation(NewRelation(a, b)); }

    // Declared first: relations log into it while the document is destroyed.
    std::vector<std::string> RelationsFreed;
    std::vector<std::string> Freed;
    MDocument document;
};

TEST_F(MDocumentTest, NewShapeTakesTheSmallestFreeNumberOfItsKind)
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

TEST_F(MDocumentTest, NumbersOutsideTheRangeAreIgnoredAndAFullKindStartsAtOne)
{
    MShape* odd = AddPoint(10, 10);
    odd->number = 0;
    EXPECT_EQ(document.NextSerialNumber(KIND_POINT), 1);
    odd->number = 1000;
    EXPECT_EQ(document.NextSerialNumber(KIND_POINT), 1);

    for (int i = 1; i < 999; ++i)
        AddPoint(i % 150, 20);
    odd->number = 999;
    EXPECT_EQ(document.NextSerialNumber(KIND_POINT), 1);
    EXPECT_EQ(document.NextSerialNumber(KIND_LINE), 1);
}

TEST_F(MDocumentTest, ANumberIsFreeAgainOnceNoListedShapeCarriesIt)
{
    MShape* first = AddPoint(10, 10);
    MShape* second = AddPoint(20, 10);
    AddPoint(30, 10);
    document.DeleteShape(second); // points 1 and 3
    EXPECT_EQ(document.NextSerialNumber(KIND_POINT), 2);

    first->number = 7; // points 7 and 3
    EXPECT_EQ(AddPoint(40, 10)->number, 1);
    EXPECT_EQ(AddPoint(50, 10)->number, 2);
    EXPECT_EQ(AddPoint(60, 10)->number, 4);

    document.SelectShape(first, true);
    document.DeleteSelectedShapes(); // points 3, 1, 2 and 4
    EXPECT_EQ(document.NextSerialNumber(KIND_POINT), 5);
    first = AddPoint(70, 10);
    first->number = 0; // outside the range: 5 is free again
    EXPECT_EQ(document.NextSerialNumber(KIND_POINT), 5);

    document.DeleteAllShapes();
    EXPECT_EQ(document.NextSerialNumber(KIND_POINT), 1);
}

TEST_F(MDocumentTest, ShapesSharingANumberKeepItTakenUntilTheLastOfThemGoes)
{
    std::vector<MShape*> points;
    for (int i = 0; i < 999; ++i)
        points.push_back(AddPoint(i % 150, 20));
    MShape* secondOne = AddPoint(10, 30); // every number taken: 1 again
    ASSERT_EQ(secondOne->number, 1);

    document.DeleteShape(points[499]);
    EXPECT_EQ(document.NextSerialNumber(KIND_POINT), 500);
    document.DeleteShape(points[0]);
    EXPECT_EQ(document.NextSerialNumber(KIND_POINT), 500);
    document.DeleteShape(secondOne);
    EXPECT_EQ(document.NextSerialNumber(KIND_POINT), 1);
}

TEST_F(MDocumentTest, AddShapeRefusesNullAndListsEachShapeOnce)
{
    MShape* point = AddPoint(10, 10);
    EXPECT_EQ(document.AddShape(std::unique_ptr<MShape>()), nullptr);
    EXPECT_FALSE(document.AddSelected()) << "no shape under creation";
    const auto stranger = MPoint::Create(&canvas, 20, 20);
    EXPECT_EQ(document.ShapeList(), std::vector<MShape*>{point});
    EXPECT_TRUE(document.IsInShapeList(point));
    EXPECT_FALSE(document.IsInShapeList(stranger.get()));
    EXPECT_FALSE(document.IsInShapeList(nullptr));
}

TEST_F(MDocumentTest, TheShapeUnderCreationIsHeldUnlistedUntilAddShapeListsIt)
{
    AddPoint(10, 10)->selected = false;
    MShape* line = document.SetSelected(std::make_unique<MLine>(&canvas));
    EXPECT_EQ(document.Selected(), line);
    EXPECT_FALSE(document.IsInShapeList(line));
    EXPECT_FALSE(document.HasSelectedShape()) << "only listed shapes count";

    EXPECT_TRUE(document.AddSelected());
    EXPECT_EQ(document.Selected(), line) << "it stays selected";
    EXPECT_TRUE(document.IsInShapeList(line));
    EXPECT_EQ(line->number, 1);
    EXPECT_FALSE(document.AddSelected()) << "listed already";
    EXPECT_TRUE(Freed.empty());
}

TEST_F(MDocumentTest, ClearSelectedFreesOnlyAnAbandonedShape)
{
    EXPECT_FALSE(document.ClearSelected());
    MShape* listed = AddPoint(10, 10);
    ASSERT_TRUE(document.SetSelected(listed));
    EXPECT_TRUE(document.ClearSelected());
    EXPECT_EQ(document.Selected(), nullptr);
    EXPECT_TRUE(listed->selected); // flags are left alone
    EXPECT_TRUE(document.IsInShapeList(listed));
    EXPECT_TRUE(Freed.empty());

    document.SetSelected(MPoint::Create(&canvas, 30, 30))->number = 7; // under creation: freed
    EXPECT_TRUE(document.ClearSelected());
    EXPECT_EQ(document.Selected(), nullptr);
    EXPECT_EQ(Freed, std::vector<std::string>{"shape P7"});
}

TEST_F(MDocumentTest, SelectingAnotherShapeDropsTheShapeUnderCreationButNeverTakesAnUnlistedOne)
{
    MShape* listed = AddPoint(10, 10);
    document.SetSelected(MPoint::Create(&canvas, 30, 30))->number = 7;
    const auto stranger = MPoint::Create(&canvas, 20, 20);
    EXPECT_FALSE(document.SetSelected(stranger.get()));
    EXPECT_NE(document.Selected(), stranger.get());
    EXPECT_TRUE(Freed.empty());

    EXPECT_TRUE(document.SetSelected(listed));
    EXPECT_EQ(document.Selected(), listed);
    EXPECT_EQ(Freed, std::vector<std::string>{"shape P7"});
    EXPECT_TRUE(document.SetSelected(nullptr));
    EXPECT_EQ(document.Selected(), nullptr);
}

TEST_F(MDocumentTest, ShapeAtFindsTheFirstListedShapeUnderThePoint)
{
    MShape* line = AddLine({0, 100}, {150, 100});
    AddPoint(100, 100);
    int hit = HIT_NONE;
    EXPECT_EQ(document.ShapeAt(100, 100, &hit), line);
    EXPECT_EQ(hit, HIT_BODY);
    EXPECT_EQ(document.ShapeAt(0, 100, &hit), line);
    EXPECT_EQ(hit, HIT_POINT);
    EXPECT_EQ(document.ShapeAt(120, 100), line);
    EXPECT_EQ(document.ShapeAt(100, 140), nullptr);
}

TEST_F(MDocumentTest, SelectShapeExclusiveClearsTheOthers)
{
    MShape* a = AddPoint(10, 10);
    MShape* b = AddPoint(20, 10);
    MShape* c = AddPoint(30, 10);
    document.SelectShape(b, true);
    EXPECT_FALSE(a->selected);
    EXPECT_TRUE(b->selected);
    EXPECT_FALSE(c->selected);
    document.SelectShape(c, false);
    EXPECT_TRUE(b->selected);
    EXPECT_TRUE(c->selected);
    document.SelectShape(nullptr, true);
    EXPECT_TRUE(b->selected);
    EXPECT_EQ(document.SelectedShapes(), (std::vector<MShape*>{b, c}));
    EXPECT_EQ(document.CountSelectedShapes(), 2);
}

TEST_F(MDocumentTest, DeleteShapeFreesItsRelationsBeforeItAndNullsThePointer)
{
    MShape* a = AddPoint(10, 10);
    MShape* b = AddPoint(60, 10);
    MShape* c = AddPoint(30, 60);
    AddRelation(a, b);
    AddRelation(b, c);
    MRelation* ac = AddRelation(a, c);
    document.SetSelected(b);

    MShape* doomed = b;
    EXPECT_TRUE(document.DeleteShape(doomed));
    EXPECT_EQ(doomed, nullptr);
    EXPECT_EQ(document.Selected(), nullptr);
    EXPECT_EQ(Freed, (std::vector<std::string>{"relation P1 P2", "relation P2 P3", "shape P2"}));
    EXPECT_EQ(document.ShapeList(), (std::vector<MShape*>{a, c}));
    EXPECT_EQ(document.RelationList(), std::vector<MRelation*>{ac});

    MShape* none = nullptr;
    EXPECT_FALSE(document.DeleteShape(none));
    const auto stranger = MPoint::Create(&canvas, 20, 20);
    MShape* unlisted = stranger.get();
    EXPECT_FALSE(document.DeleteShape(unlisted));
    EXPECT_EQ(unlisted, stranger.get());
}

TEST_F(MDocumentTest, DeleteShapeTakesAReferenceThatOnFreeingClears)
{
    MShape* kept = AddPoint(10, 10);
    MShape* firstLine = AddLine({0, 50}, {100, 50});
    document.OnFreeing = [&](const MShape* shape) {
        if (shape == firstLine)
            firstLine = nullptr;
    };
    EXPECT_TRUE(document.DeleteShape(firstLine));
    EXPECT_EQ(firstLine, nullptr);
    EXPECT_EQ(document.ShapeList(), std::vector<MShape*>{kept});
}

TEST_F(MDocumentTest, DeleteSelectedShapesFreesEverySelectedShapeWithItsRelations)
{
    MShape* a = AddPoint(10, 10);
    MShape* b = AddPoint(60, 10);
    MShape* c = AddPoint(30, 60);
    AddRelation(a, b);
    MRelation* bc = AddRelation(b, c);
    document.SelectShape(a, true);
    document.SelectShape(c, false);
    document.SetSelected(c);

    EXPECT_TRUE(document.DeleteSelectedShapes());
    EXPECT_EQ(Freed, (std::vector<std::string>{"relation P1 P2", "shape P1", "relation P2 P3", "shape P3"}));
    EXPECT_EQ(document.ShapeList(), std::vector<MShape*>{b});
    EXPECT_TRUE(document.RelationList().empty());
    EXPECT_EQ(document.Selected(), nullptr);
    (void)bc;

    b->selected = false;
    EXPECT_FALSE(document.DeleteSelectedShapes());
    EXPECT_EQ(document.ShapeList().size(), 1u);
}

TEST_F(MDocumentTest, DeleteAllShapesFreesEveryRelationFirst)
{
    MShape* a = AddPoint(10, 10);
    MShape* b = AddPoint(60, 10);
    MShape* c = AddPoint(30, 60);
    AddRelation(a, b);
    AddRelation(b, c);
    document.SetSelectedRelation(NewRelation(a, c));
    document.SetSelected(MPoint::Create(&canvas, 90, 90))->number = 9;

    document.DeleteAllShapes();
    EXPECT_EQ(Freed, (std::vector<std::string>{"relation P1 P3", "relation P1 P2", "relation P2 P3", "shape P9",
                                               "shape P1", "shape P2", "shape P3"}));
    EXPECT_TRUE(document.ShapeList().empty());
    EXPECT_TRUE(document.RelationList().empty());
    EXPECT_EQ(document.Selected(), nullptr);
    EXPECT_EQ(document.SelectedRelation(), nullptr);
}

TEST_F(MDocumentTest, DestroyedItFreesRelationsBeforeTheShapesTheyRead)
{
    {
        MDocument doomed;
        MShape* a = doomed.AddShape(MPoint::Create(&canvas, 10, 10));
        MShape* b = doomed.AddShape(MPoint::Create(&canvas, 60, 10));
        doomed.AddRelation(NewRelation(a, b));
        doomed.SetSelected(MPoint::Create(&canvas, 90, 90));
        doomed.SetSelectedRelation(NewRelation(b, doomed.Selected()));
    }
    // A relation reads its operands while it is freed: the sanitizer would
    // stop a relation freed after its shapes.
    EXPECT_EQ(RelationsFreed.size(), 2u);
}

TEST_F(MDocumentTest, AddRelationRefusesNullListedAndSameOperandRelations)
{
    MShape* a = AddPoint(10, 10);
    MShape* b = AddPoint(60, 10);
    MShape* c = AddPoint(30, 60);
    MRelation* ab = AddRelation(a, b);
    ASSERT_NE(ab, nullptr);
    EXPECT_EQ(document.AddRelation(std::unique_ptr<MRelation>()), nullptr);
    document.SetSelectedRelation(ab);
    EXPECT_FALSE(document.AddSelectedRelation()) << "listed already";

    std::unique_ptr<TestRelation> swapped = NewRelation(b, a);
    EXPECT_EQ(document.FindRelationLike(swapped.get()), ab);
    EXPECT_EQ(document.AddRelation(std::move(swapped)), nullptr);
    EXPECT_EQ(Freed, std::vector<std::string>{"relation P1 P2"}) << "the refused relation is freed";

    MRelation* ac = AddRelation(a, c);
    EXPECT_EQ(document.RelationList(), (std::vector<MRelation*>{ab, ac}));
}

TEST_F(MDocumentTest, TheCurrentRelationIsHeldUnlistedUntilAddRelationKeepsIt)
{
    MShape* a = AddPoint(10, 10);
    MShape* b = AddPoint(60, 10);
    MShape* c = AddPoint(30, 60);
    MRelation* ab = AddRelation(a, b);
    MRelation* bc = document.SetSelectedRelation(NewRelation(b, c));
    EXPECT_EQ(document.SelectedRelation(), bc);
    EXPECT_EQ(document.FindRelationLike(bc), nullptr);
    EXPECT_TRUE(document.AddSelectedRelation());
    EXPECT_EQ(document.RelationList(), (std::vector<MRelation*>{ab, bc}));
    EXPECT_EQ(document.SelectedRelation(), bc);

    // A relation of a pair joined already is refused and stays unlisted.
    document.SetSelectedRelation(NewRelation(c, b));
    EXPECT_FALSE(document.AddSelectedRelation());
    EXPECT_TRUE(document.ClearSelectedRelation());
    EXPECT_EQ(Freed, std::vector<std::string>{"relation P2 P3"});
    EXPECT_EQ(document.RelationList().size(), 2u);
}

TEST_F(MDocumentTest, AnUnlistedCurrentRelationStaysCurrentAndIsFreedWhenLetGo)
{
    MShape* a = AddPoint(10, 10);
    MShape* b = AddPoint(60, 10);
    MShape* c = AddPoint(30, 60);
    MRelation* ab = AddRelation(a, b);
    MRelation* bc = AddRelation(b, c);
    EXPECT_FALSE(document.UnlistSelectedRelation()) << "no current relation";
    document.SetSelectedRelation(ab);

    EXPECT_TRUE(document.UnlistSelectedRelation());
    EXPECT_EQ(document.RelationList(), std::vector<MRelation*>{bc});
    EXPECT_EQ(document.SelectedRelation(), ab);
    EXPECT_FALSE(document.UnlistSelectedRelation()) << "unlisted already";
    EXPECT_TRUE(Freed.empty());

    // Kept again, and unlisted once more: then letting it go frees it.
    EXPECT_TRUE(document.AddSelectedRelation());
    EXPECT_EQ(document.RelationList(), (std::vector<MRelation*>{bc, ab}));
    EXPECT_TRUE(document.UnlistSelectedRelation());
    EXPECT_TRUE(document.ClearSelectedRelation());
    EXPECT_EQ(Freed, std::vector<std::string>{"relation P1 P2"});
    EXPECT_EQ(document.RelationList(), std::vector<MRelation*>{bc});
}

TEST_F(MDocumentTest, FindRelationBetweenTakesTheShapesInEitherOrder)
{
    MShape* a = AddPoint(10, 10);
    MShape* b = AddPoint(60, 10);
    MShape* c = AddPoint(30, 60);
    MRelation* ab = AddRelation(a, b);
    MRelation* cb = AddRelation(c, b);
    EXPECT_EQ(document.FindRelationBetween(a, b), ab);
    EXPECT_EQ(document.FindRelationBetween(b, a), ab);
    EXPECT_EQ(document.FindRelationBetween(b, c), cb);
    EXPECT_EQ(document.FindRelationBetween(a, c), nullptr);
    EXPECT_EQ(document.FindRelationBetween(a, nullptr), nullptr);
    EXPECT_EQ(document.FindRelationBetween(nullptr, nullptr), nullptr);
}

TEST_F(MDocumentTest, WithoutRelationsEveryRelationLookupAnswersNone)
{
    MShape* a = AddPoint(10, 10);
    MShape* b = AddPoint(20, 10);
    EXPECT_EQ(document.FindRelationBetween(a, b), nullptr);
    EXPECT_EQ(document.RelationAt(15, 10), nullptr);
    EXPECT_FALSE(document.ClearSelectedRelation());
    EXPECT_FALSE(document.RemoveRelationsOf(a));
    EXPECT_FALSE(document.HasRelations());
}

TEST_F(MDocumentTest, RemoveRelationsOfFreesTheUnlistedCurrentRelationAndAnswersWhetherAnyListedWent)
{
    MShape* a = AddPoint(10, 10);
    MShape* b = AddPoint(60, 10);
    MShape* c = AddPoint(30, 60);
    MRelation* ab = AddRelation(a, b);
    document.SetSelectedRelation(NewRelation(b, c));
    EXPECT_FALSE(document.RemoveRelationsOf(c)) << "no listed relation uses P3";
    EXPECT_EQ(Freed, std::vector<std::string>{"relation P2 P3"});
    EXPECT_EQ(document.SelectedRelation(), nullptr);

    // A listed current relation is only let go.
    EXPECT_TRUE(document.SetSelectedRelation(ab));
    EXPECT_TRUE(document.ClearSelectedRelation());
    EXPECT_EQ(document.SelectedRelation(), nullptr);
    EXPECT_EQ(document.RelationList(), std::vector<MRelation*>{ab});

    EXPECT_TRUE(document.RemoveRelationsOf(a));
    EXPECT_TRUE(document.RelationList().empty());
    EXPECT_EQ(Freed.back(), "relation P1 P2");
}

TEST_F(MDocumentTest, ChoosingAListedRelationLetsAnUnlistedCurrentOneGo)
{
    MShape* a = AddPoint(10, 10);
    MShape* b = AddPoint(60, 10);
    MShape* c = AddPoint(30, 60);
    MRelation* ab = AddRelation(a, b);
    document.SetSelectedRelation(NewRelation(b, c));
    const auto stranger = NewRelation(a, c);
    EXPECT_FALSE(document.SetSelectedRelation(stranger.get()));
    EXPECT_TRUE(Freed.empty());

    EXPECT_TRUE(document.SetSelectedRelation(ab));
    EXPECT_EQ(document.SelectedRelation(), ab);
    EXPECT_EQ(Freed, std::vector<std::string>{"relation P2 P3"});
    EXPECT_TRUE(document.SetSelectedRelation(ab));
    EXPECT_EQ(Freed.size(), 1u);
}

TEST_F(MDocumentTest, QuestionsAboutSelectionAndLabels)
{
    EXPECT_FALSE(document.HasShapes() || document.HasSelectedShape() || document.CanDelete() ||
                 document.HasMarkedShape() || document.HasUnmarkedShape() || document.HasSelectedUnmarked());

    MShape* a = AddPoint(10, 10);
    MShape* b = AddPoint(60, 10);
    const struct {
        bool aSelected, aMarked, bSelected, bMarked;
        bool selected, selectedUnmarked, marked, unmarked;
    } cases[] = {
        {false, true, false, true, false, false, true, false},
        {true, true, false, false, true, false, true, true},
        {true, false, false, true, true, true, true, true},
        {false, false, true, false, true, true, false, true},
    };
    for (const auto& c : cases) {
        a->selected = c.aSelected;
        a->marked = c.aMarked;
        b->selected = c.bSelected;
        b->marked = c.bMarked;
        EXPECT_TRUE(document.HasShapes());
        EXPECT_EQ(document.HasSelectedShape(), c.selected);
        EXPECT_EQ(document.CanDelete(), c.selected);
        EXPECT_EQ(document.HasSelectedUnmarked(), c.selectedUnmarked);
        EXPECT_EQ(document.HasMarkedShape(), c.marked);
        EXPECT_EQ(document.HasUnmarkedShape(), c.unmarked);
    }
}

TEST_F(MDocumentTest, ARelationIsSelectedWhileListedAndBothItsShapesAreSelected)
{
    MShape* a = AddPoint(10, 10);
    MShape* b = AddPoint(60, 10);
    MShape* c = AddPoint(30, 60);
    MRelation* ab = AddRelation(a, b);
    document.SetSelectedRelation(ab);
    EXPECT_TRUE(document.IsRelationSelected());
    b->selected = false;
    EXPECT_FALSE(document.IsRelationSelected());

    c->selected = true;
    document.SetSelectedRelation(NewRelation(b, c));
    b->selected = true;
    EXPECT_FALSE(document.IsRelationSelected()) << "not listed";
}

TEST_F(MDocumentTest, DrawingShowsRelationsOnlyWithMarksAndTheSelectedShapeActive)
{
    param->SetBool(OPT_VIEW_MARK, false, false);
    param->SetBool(OPT_VIEW_NAME, false, false);
    // P1 and P2 on row 80: the test relation's dimension line runs on row 68.
    MShape* a = AddPoint(20, 80);
    MShape* b = AddPoint(140, 80);
    MShape* line = AddLine({20, 120}, {140, 120});
    MRelation* ab = AddRelation(a, b);
    for (MShape* shape : {a, b, line})
        shape->selected = false;

    document.Draw(&canvas, false, true);
    EXPECT_EQ(At(80, 120), 'n');
    EXPECT_EQ(At(50, 68), '.') << "no relation without marks";

    document.Draw(&canvas, true, true);
    EXPECT_EQ(At(50, 68), 'm');

    // The current relation is active while both its shapes are selected.
    document.SetSelectedRelation(ab);
    a->selected = true;
    b->selected = true;
    document.Draw(&canvas, true, true);
    EXPECT_EQ(At(50, 68), 'a');

    // The selected shape: in its inverted colour, then once more active
    // unless the caller says otherwise.
    line->selected = true;
    document.SetSelected(line);
    document.Draw(&canvas, false, false);
    EXPECT_EQ(At(80, 120), 's');
    document.Draw(&canvas, false, true);
    EXPECT_EQ(At(80, 120), 'a');
}

} // namespace
