#include "shapes/MDocument.h"

#include "platform/gui/TCanvas.h"

#include <algorithm>

namespace {

bool Joins(const MRelation* relation, const MShape* a, const MShape* b)
{
    return (relation->shapeA == a && relation->shapeB == b) || (relation->shapeA == b && relation->shapeB == a);
}

bool OperandsSelected(const MRelation* relation)
{
    return relation->shapeA && relation->shapeA->selected && relation->shapeB && relation->shapeB->selected;
}

} // namespace

MDocument::~MDocument()
{
    // Relations read their shapes to the end, so they go first.
    selectedRelation.unlisted.reset();
    relations.TakeAll();
    selected.unlisted.reset();
    shapes.TakeAll();
}

// ---- Shapes

MShape* MDocument::AddShape(std::unique_ptr<MShape> shape)
{
    if (!shape)
        return nullptr;
    MSerialNumberTally& tally = serialNumbers[shape->GetKind()];
    shape->number = tally.FirstFree();
    shape->number.TallyIn(&tally);
    return shapes.Add(std::move(shape));
}

bool MDocument::AddSelected()
{
    if (!selected.unlisted)
        return false;
    AddShape(std::move(selected.unlisted));
    return true;
}

int MDocument::NextSerialNumber(int kind) const
{
    const auto tally = serialNumbers.find(kind);
    return tally == serialNumbers.end() ? MSerialNumberTally::First : tally->second.FirstFree();
}

bool MDocument::IsInShapeList(const MShape* shape) const
{
    return shapes.Contains(shape);
}

MShape* MDocument::ShapeAt(int x, int y, int* hit) const
{
    for (MShape* shape : shapes) {
        const int code = shape->HitTest(x, y);
        if (IsHit(code)) {
            if (hit)
                *hit = code;
            return shape;
        }
    }
    return nullptr;
}

void MDocument::SelectShape(MShape* shape, bool exclusive)
{
    if (!shape)
        return;
    shape->selected = true;
    if (exclusive)
        for (MShape* other : shapes)
            if (other != shape)
                other->selected = false;
}

std::vector<MShape*> MDocument::SelectedShapes() const
{
    std::vector<MShape*> chosen;
    std::copy_if(shapes.begin(), shapes.end(), std::back_inserter(chosen),
                 [](const MShape* shape) { return shape->selected; });
    return chosen;
}

bool MDocument::DeleteShape(MShape*& shape)
{
    if (!shape || !IsInShapeList(shape))
        return false;
    // The reference may be a pointer that OnFreeing clears.
    MShape* doomed = shape;
    ClearSelected();
    RemoveRelationsOf(doomed);
    Free(Unlist(doomed));
    shape = nullptr;
    return true;
}

bool MDocument::DeleteSelectedShapes()
{
    ClearSelected();
    const std::vector<MShape*> doomed = SelectedShapes();
    for (MShape* shape : doomed) {
        RemoveRelationsOf(shape);
        Free(Unlist(shape));
    }
    return !doomed.empty();
}

void MDocument::DeleteAllShapes()
{
    DeleteAllRelations();
    ClearSelected();
    for (std::unique_ptr<MShape>& shape : shapes.TakeAll()) {
        shape->number.TallyIn(nullptr);
        Free(std::move(shape));
    }
}

// ---- The selected shape

bool MDocument::SetSelected(MShape* listed)
{
    return Choose(selected, shapes, listed);
}

MShape* MDocument::SetSelected(std::unique_ptr<MShape> creating)
{
    return Hold(selected, std::move(creating));
}

bool MDocument::ClearSelected()
{
    return LetGo(selected);
}

// ---- Relations

MRelation* MDocument::AddRelation(std::unique_ptr<MRelation> relation)
{
    if (!relation)
        return nullptr;
    if (FindRelationLike(relation.get())) {
        Free(std::move(relation));
        return nullptr;
    }
    return relations.Add(std::move(relation));
}

bool MDocument::AddSelectedRelation()
{
    if (!selectedRelation.unlisted || FindRelationLike(selectedRelation.unlisted.get()))
        return false;
    relations.Add(std::move(selectedRelation.unlisted));
    return true;
}

bool MDocument::UnlistSelectedRelation()
{
    std::unique_ptr<MRelation> taken = relations.Take(selectedRelation.pointer);
    if (!taken)
        return false;
    selectedRelation.unlisted = std::move(taken);
    return true;
}

MRelation* MDocument::FindRelationLike(const MRelation* relation) const
{
    for (MRelation* listed : relations)
        if (listed == relation || Joins(listed, relation->shapeA, relation->shapeB))
            return listed;
    return nullptr;
}

MRelation* MDocument::FindRelationBetween(const MShape* a, const MShape* b) const
{
    if (!a || !b)
        return nullptr;
    for (MRelation* listed : relations)
        if (Joins(listed, a, b))
            return listed;
    return nullptr;
}

MRelation* MDocument::RelationAt(int x, int y, int* hit) const
{
    for (MRelation* relation : relations) {
        const int code = relation->HitTest(x, y);
        if (IsHit(code)) {
            if (hit)
                *hit = code;
            return relation;
        }
    }
    return nullptr;
}

bool MDocument::RemoveRelationsOf(const MShape* shape)
{
    ClearSelectedRelation();
    std::vector<std::unique_ptr<MRelation>> doomed = relations.TakeIf(
        [shape](const MRelation* relation) { return relation->shapeA == shape || relation->shapeB == shape; });
    for (std::unique_ptr<MRelation>& relation : doomed)
        Free(std::move(relation));
    return !doomed.empty();
}

void MDocument::DeleteAllRelations()
{
    ClearSelectedRelation();
    for (std::unique_ptr<MRelation>& relation : relations.TakeAll())
        Free(std::move(relation));
}

// ---- The current relation

bool MDocument::SetSelectedRelation(MRelation* listed)
{
    return Choose(selectedRelation, relations, listed);
}

MRelation* MDocument::SetSelectedRelation(std::unique_ptr<MRelation> unlisted)
{
    return Hold(selectedRelation, std::move(unlisted));
}

bool MDocument::ClearSelectedRelation()
{
    return LetGo(selectedRelation);
}

// ---- Choosing one object of a list

template <typename T>
bool MDocument::Choose(Chosen<T>& chosen, const MOwnedList<T>& list, T* listed)
{
    if (listed && !list.Contains(listed))
        return false;
    if (listed != chosen.pointer)
        LetGo(chosen);
    chosen.pointer = listed;
    return true;
}

template <typename T>
T* MDocument::Hold(Chosen<T>& chosen, std::unique_ptr<T> object)
{
    LetGo(chosen);
    chosen.unlisted = std::move(object);
    chosen.pointer = chosen.unlisted.get();
    return chosen.pointer;
}

template <typename T>
bool MDocument::LetGo(Chosen<T>& chosen)
{
    if (!chosen.pointer)
        return false;
    if (chosen.unlisted)
        Free(std::move(chosen.unlisted));
    chosen.pointer = nullptr;
    return true;
}

// ---- Questions

int MDocument::CountSelectedShapes() const
{
    return int(std::count_if(shapes.begin(), shapes.end(), [](const MShape* shape) { return shape->selected; }));
}

bool MDocument::HasSelectedShape() const
{
    return std::any_of(shapes.begin(), shapes.end(), [](const MShape* shape) { return shape->selected; });
}

bool MDocument::HasSelectedUnmarked() const
{
    return std::any_of(shapes.begin(), shapes.end(),
                       [](const MShape* shape) { return shape->selected && !shape->marked; });
}

bool MDocument::HasMarkedShape() const
{
    return std::any_of(shapes.begin(), shapes.end(), [](const MShape* shape) { return shape->marked; });
}

bool MDocument::HasUnmarkedShape() const
{
    return std::any_of(shapes.begin(), shapes.end(), [](const MShape* shape) { return !shape->marked; });
}

bool MDocument::IsRelationSelected() const
{
    const MRelation* current = selectedRelation.pointer;
    return current && relations.Contains(current) && OperandsSelected(current);
}

// ---- Drawing

void MDocument::Draw(TCanvas* canvas, bool marksShown, bool selectedActive, const TRect* magnifiedArea)
{
    // Thousands of shapes draw a few pixels each: the canvas is made ready once.
    const TCanvas::Batch batch(*canvas);
    const auto mayMagnify = [&](const MShape* object) {
        return !magnifiedArea || object->MayMagnifyInto(*magnifiedArea);
    };
    // The selected shape is drawn twice, and its first drawing changes what
    // it noted: both are decided now.
    const bool selectedMayMagnify = selected.pointer && mayMagnify(selected.pointer);
    const auto draw = [&](MShape* object, int mode) {
        if (object == selected.pointer ? selectedMayMagnify : mayMagnify(object))
            object->Draw(mode, canvas);
    };
    MRelation* current = selectedRelation.pointer;
    if (marksShown) {
        for (MRelation* relation : relations)
            draw(relation, relation == current && OperandsSelected(relation) ? DRAW_ACTIVE : DRAW_NORMAL);
        if (current && !FindRelationLike(current) && OperandsSelected(current))
            draw(current, DRAW_ACTIVE);
    }
    for (MShape* shape : shapes)
        draw(shape, DRAW_NORMAL);
    if (selectedActive && selected.pointer && selected.pointer->selected)
        draw(selected.pointer, DRAW_ACTIVE);
}

// ---- Freeing

std::unique_ptr<MShape> MDocument::Unlist(const MShape* shape)
{
    std::unique_ptr<MShape> taken = shapes.Take(shape);
    if (taken)
        taken->number.TallyIn(nullptr);
    return taken;
}

void MDocument::Free(std::unique_ptr<MShape> object)
{
    if (!object)
        return;
    if (OnFreeing)
        OnFreeing(object.get());
    if (selected.pointer == object.get())
        selected.pointer = nullptr;
    if (selectedRelation.pointer == object.get())
        selectedRelation.pointer = nullptr;
}
