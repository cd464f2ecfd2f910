// The main window's relation list: relations between two listed shapes,
// found by their operands in either order, drawn while marks are shown, and
// always removed before the shapes they point at.
#include "workspace/Quorvex.h"

#include "platform/gui/TBitmap.h"
#include "shapes/MRelation.h"

#include <algorithm>

namespace {

bool SameOperands(const MRelation* a, const MRelation* b)
{
    return (a->shapeA == b->shapeA && a->shapeB == b->shapeB) || (a->shapeA == b->shapeB && a->shapeB == b->shapeA);
}

bool Relates(const MRelation* relation, const MShape* a, const MShape* b)
{
    return (relation->shapeA == a && relation->shapeB == b) || (relation->shapeA == b && relation->shapeB == a);
}

} // namespace

bool TFormMeasure::AddRelation(MRelation* relation)
{
    if (!relation || FindRelationLike(relation))
        return false;
    RelationList.push_back(relation);
    return true;
}

MRelation* TFormMeasure::FindRelationLike(const MRelation* relation) const
{
    for (MRelation* listed : RelationList)
        if (listed == relation || SameOperands(listed, relation))
            return listed;
    return nullptr;
}

MRelation* TFormMeasure::FindRelationBetween(const MShape* a, const MShape* b) const
{
    if (!a || !b)
        return nullptr;
    for (MRelation* listed : RelationList)
        if (Relates(listed, a, b))
            return listed;
    return nullptr;
}

MRelation* TFormMeasure::RelationAt(int x, int y) const
{
    for (MRelation* listed : RelationList) {
        const int hit = listed->HitTest(x, y);
        if (hit == HIT_POINT || hit == HIT_BODY || hit == HIT_LABEL)
            return listed;
    }
    return nullptr;
}

bool TFormMeasure::RemoveRelationsOf(const MShape* shape)
{
    ClearSelectedRelation();
    bool removed = false;
    std::erase_if(RelationList, [&](MRelation* relation) {
        if (relation->shapeA != shape && relation->shapeB != shape)
            return false;
        DeleteRelation(relation);
        removed = true;
        return true;
    });
    return removed;
}

bool TFormMeasure::ClearSelectedRelation()
{
    if (!SelectedRelation)
        return false;
    if (std::find(RelationList.begin(), RelationList.end(), SelectedRelation) == RelationList.end())
        DeleteRelation(SelectedRelation);
    SelectedRelation = nullptr;
    return true;
}

void TFormMeasure::FreeRelations()
{
    ClearSelectedRelation();
    for (MRelation* relation : RelationList)
        DeleteRelation(relation);
    RelationList.clear();
}

void TFormMeasure::DeleteRelation(MRelation* relation)
{
    // The numeric entry window may still show the relation's values.
    if (DigitShape == relation)
        DigitShape = nullptr;
    delete relation;
}

bool TFormMeasure::IsRelationSelected() const
{
    return SelectedRelation &&
           std::find(RelationList.begin(), RelationList.end(), SelectedRelation) != RelationList.end() &&
           SelectedRelation->shapeA && SelectedRelation->shapeA->selected && SelectedRelation->shapeB &&
           SelectedRelation->shapeB->selected;
}

void TFormMeasure::DrawRelations()
{
    if (!MenuViewMark->isChecked())
        return;
    const auto operandsSelected = [](const MRelation* relation) {
        return relation->shapeA && relation->shapeA->selected && relation->shapeB && relation->shapeB->selected;
    };
    TCanvas* canvas = BufferBitmap->Canvas();
    for (MRelation* relation : RelationList)
        relation->Draw(relation == SelectedRelation && operandsSelected(relation) ? DRAW_ACTIVE : DRAW_NORMAL, canvas);
    if (SelectedRelation && !FindRelationLike(SelectedRelation) && operandsSelected(SelectedRelation))
        SelectedRelation->Draw(DRAW_ACTIVE, canvas);
}

void TFormMeasure::ShowRelationValues()
{
    ClearValues(true);
    if (!SelectedRelation)
        return;
    for (const MItem& item : SelectedRelation->GetResults())
        AddValueLine(item.name, item.value);
    DigitShape = SelectedRelation;
    if (MenuViewMark->isChecked())
        SelectedRelation->Draw(DRAW_ACTIVE, BufferBitmap->Canvas());
}
