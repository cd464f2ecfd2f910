// The measuring document: the shapes the operator made, in drawing and
// hit-test order, the relations between two of them, the selected shape and
// the current relation. It has no widgets: the main window edits it through
// these operations, draws it onto its back buffer and shows it; the tests use
// it alone.
//
// Rules it keeps:
// - It owns every shape and relation it lists, and the two it may hold
//   without listing them: the shape under creation (`Selected` until
//   AddSelected lists it) and a relation shown but not kept
//   (`SelectedRelation` until AddSelectedRelation lists it). Shapes and
//   relations come in as unique_ptr; it frees them, nobody else does.
// - Every listed relation joins two listed shapes, and no two listed
//   relations join the same pair in either order: a shape's relations are
//   freed before the shape.
// - A new shape takes the smallest serial number from 1 to 999 that no
//   listed shape of its kind code carries.
// - `Selected` is null, listed, or the shape under creation;
//   `SelectedRelation` is null, listed, or the relation held unlisted.
// - Before it frees a shape or a relation it calls OnFreeing, so that
//   whoever keeps a pointer to it can let it go.
// - It knows shapes and relations only through MShape and MRelation and
//   their kind codes: a new kind needs no change here.
//
// A shape's `selected` and `marked` flags live on the shape: several shapes
// may be selected at once, and `Selected` is the one whose values are shown.
#pragma once

#include "shapes/MOwnedList.h"
#include "shapes/MRelation.h"
#include "shapes/MShape.h"

#include <functional>
#include <map>
#include <memory>
#include <vector>

class TCanvas;

class MDocument {
public:
    MDocument() = default;
    // Frees relations before shapes, without calling OnFreeing.
    ~MDocument();
    MDocument(const MDocument&) = delete;
    MDocument& operator=(const MDocument&) = delete;

    // Called with a shape or a relation just before it is freed.
    std::function<void(const MShape*)> OnFreeing;

    // ---- The lists ----
    const MOwnedList<MShape>& ShapeList() const { return shapes; }
    const MOwnedList<MRelation>& RelationList() const { return relations; }

    // ---- Shapes ----
    // Lists a new shape with the next serial number of its kind and returns
    // it; null for null.
    MShape* AddShape(std::unique_ptr<MShape> shape);
    // The same, returning the shape as the class it was made as.
    template <typename Shape>
    Shape* AddShape(std::unique_ptr<Shape> shape)
    {
        Shape* added = shape.get();
        return AddShape(std::unique_ptr<MShape>(std::move(shape))) ? added : nullptr;
    }
    // AddShape for the shape under creation, which stays Selected; false
    // when Selected is not a shape under creation.
    bool AddSelected();
    // The smallest number from 1 to 999 that no listed shape of the kind
    // carries (numbers outside that range are ignored); 1 when all are taken.
    int NextSerialNumber(int kind) const;
    bool IsInShapeList(const MShape* shape) const;
    // The first listed shape whose hit test at (x, y) is a point, its body
    // or a label; `hit` takes that hit code.
    MShape* ShapeAt(int x, int y, int* hit = nullptr) const;
    // Sets the shape's selected flag and, when exclusive, clears every other
    // listed shape's; null does nothing.
    void SelectShape(MShape* shape, bool exclusive);
    // The listed shapes with their selected flag set, in list order.
    std::vector<MShape*> SelectedShapes() const;
    // Frees a listed shape after its relations (ClearSelected first) and
    // nulls the pointer; false, changing nothing, for null or an unlisted one.
    bool DeleteShape(MShape*& shape);
    // ClearSelected, then frees every selected listed shape after its
    // relations; true when any was freed.
    bool DeleteSelectedShapes();
    // Frees every relation (the current one too), then the shape under
    // creation, then every listed shape.
    void DeleteAllShapes();

    // ---- The selected shape ----
    MShape* const& Selected() const { return selected.pointer; }
    // A listed shape, or null, becomes Selected; a shape under creation is
    // freed. False, changing nothing, for a shape that is not listed.
    bool SetSelected(MShape* listed);
    // A new shape under creation becomes Selected, held unlisted (a previous
    // one is freed); returns it.
    MShape* SetSelected(std::unique_ptr<MShape> creating);
    // False without a selected shape; else frees it when it is under creation
    // and sets Selected to null. The shapes' flags are left alone.
    bool ClearSelected();

    // ---- Relations ----
    // Lists a new relation and returns it; frees it and returns null for a
    // pair that a listed relation joins already.
    MRelation* AddRelation(std::unique_ptr<MRelation> relation);
    // The same, returning the relation as the class it was made as.
    template <typename Relation>
    Relation* AddRelation(std::unique_ptr<Relation> relation)
    {
        Relation* added = relation.get();
        return AddRelation(std::unique_ptr<MRelation>(std::move(relation))) ? added : nullptr;
    }
    // AddRelation for the relation held unlisted as SelectedRelation, which
    // stays current; false without one, or for a pair joined already (it
    // stays unlisted).
    bool AddSelectedRelation();
    // The reverse: the listed SelectedRelation leaves the list and stays
    // current, held unlisted; false when SelectedRelation is not listed.
    bool UnlistSelectedRelation();
    // The listed relation that is this one or joins the same two shapes.
    MRelation* FindRelationLike(const MRelation* relation) const;
    // The listed relation between a and b in either order; null when either
    // is null.
    MRelation* FindRelationBetween(const MShape* a, const MShape* b) const;
    // The first listed relation whose hit test at (x, y) is a point, its
    // body or its label; `hit` takes that hit code.
    MRelation* RelationAt(int x, int y, int* hit = nullptr) const;
    // ClearSelectedRelation, then frees every listed relation that uses the
    // shape; true when any was freed.
    bool RemoveRelationsOf(const MShape* shape);
    // ClearSelectedRelation, then frees every listed relation.
    void DeleteAllRelations();

    // ---- The current relation ----
    MRelation* const& SelectedRelation() const { return selectedRelation.pointer; }
    // A listed relation, or null, becomes SelectedRelation; a different
    // current one is let go first (ClearSelectedRelation). False, changing
    // nothing, for a relation that is not listed.
    bool SetSelectedRelation(MRelation* listed);
    // A new relation becomes SelectedRelation, held unlisted (the previous
    // one is let go first); returns it.
    MRelation* SetSelectedRelation(std::unique_ptr<MRelation> unlisted);
    // False without a current relation; else frees it when it is unlisted
    // and sets SelectedRelation to null.
    bool ClearSelectedRelation();

    // ---- Questions about the lists and flags ----
    int CountSelectedShapes() const;
    bool HasShapes() const { return !shapes.empty(); }
    bool HasRelations() const { return !relations.empty(); }
    bool HasSelectedShape() const;
    bool CanDelete() const { return HasSelectedShape(); }
    bool HasSelectedUnmarked() const;
    bool HasMarkedShape() const;
    bool HasUnmarkedShape() const;
    // SelectedRelation is listed and both its shapes are selected.
    bool IsRelationSelected() const;

    // ---- Drawing ----
    // The relations while marks are shown (the current one active while both
    // its shapes are selected; an unlisted one after the listed ones), then
    // every listed shape, then, with `selectedActive`, the selected shape
    // once more as active when its flag is set. With `magnifiedArea`, for a
    // view of that part of the picture in the magnifier while nothing has
    // changed since the last drawing of the whole document: what cannot
    // magnify anything into it (MShape::MayMagnifyInto) is left out.
    void Draw(TCanvas* canvas, bool marksShown, bool selectedActive, const TRect* magnifiedArea = nullptr);

private:
    // The selected shape or the current relation: a listed one, or one held
    // here unlisted (the shape under creation, a relation shown but not kept).
    template <typename T>
    struct Chosen {
        T* pointer = nullptr;
        std::unique_ptr<T> unlisted;
    };
    // A listed object, or null, is chosen; a different one held unlisted is
    // freed. False, changing nothing, for an object that is not listed.
    template <typename T>
    bool Choose(Chosen<T>& chosen, const MOwnedList<T>& list, T* listed);
    // A new object is chosen and held unlisted; the one chosen before is let go.
    template <typename T>
    T* Hold(Chosen<T>& chosen, std::unique_ptr<T> object);
    // False when none is chosen; else frees it when it is held unlisted, and
    // chooses none.
    template <typename T>
    bool LetGo(Chosen<T>& chosen);
    // Calls OnFreeing, then frees; Selected and SelectedRelation never keep
    // a freed object.
    void Free(std::unique_ptr<MShape> object);
    // Takes a listed shape out of the list and its number out of the tally.
    std::unique_ptr<MShape> Unlist(const MShape* shape);

    // The serial numbers the listed shapes carry, per kind.
    std::map<int, MSerialNumberTally> serialNumbers;
    MOwnedList<MShape> shapes;
    MOwnedList<MRelation> relations;
    Chosen<MShape> selected;
    Chosen<MRelation> selectedRelation;
};
