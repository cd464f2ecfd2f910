// Relating two shapes, and the Edit menu's commands on many shapes at once.
//
// A relation is picked in two ways. SBRelation (or Shift and Ctrl in select
// mode) relates any two shapes whose kinds make a relation and shows it
// without keeping it: the operator keeps it with MenuRelation. A kind button
// (point-point to circle-circle) relates only a pair of its kind and keeps
// the relation at once; a pair that does not fit leaves the button down and
// says in the status bar what to pick. The kind buttons exclude each other
// and may all be up, which is kept here by hand.
#include "workspace/Quorvex.h"

#include "settings/MLan.h"
#include "shapes/MRelation.h"
#include "shapes/MShape.h"

#include <algorithm>
#include <vector>

namespace {

// A relation kind button, the kind it makes and the status text of its
// slot that asks for the right pair.
struct RelationButton {
    QAction* button;
    int kind;
    int pickSlot;
};

// In the order in which the first one down decides.
std::vector<RelationButton> RelationButtonsOf(const TFormMeasure& form)
{
    return {{form.SBPointPoint, KIND_POINTPOINT, 254},
            {form.SBPointLine, KIND_POINTLINE, 255},
            {form.SBLineLine, KIND_LINELINE, 256},
            {form.SBLineCircle, KIND_LINECIRCLE, 257},
            {form.SBCircleCircle, KIND_CIRCLECIRCLE, 258}};
}

} // namespace

void TFormMeasure::ConnectPickingCommands()
{
    for (const RelationButton& kind : RelationButtonsOf(*this)) {
        connect(kind.button, &QAction::triggered, this, [this, button = kind.button](bool down) {
            RelationButtonToggled(button, down);
            SBPointPointClick();
        });
    }
    // Alone in its group: a click presses or releases it.
    connect(SBRelation, &QAction::triggered, this, &TFormMeasure::SBRelationClick);

    for (QAction* command : {MenuRelation, PMRelation, SBMarkRelation})
        OnCommand(command, &TFormMeasure::MenuRelationClick);
    for (QAction* command : {MenuShowMark, PMShowMark, SBMarkShape})
        OnCommand(command, &TFormMeasure::MenuShowMarkClick);
    for (QAction* command : {MenuLock, SBLock})
        OnCommand(command, &TFormMeasure::MenuLockClick);
    OnCommand(MenuSelectAll, &TFormMeasure::MenuSelectAllClick);
    OnCommand(MenuMarkAll, &TFormMeasure::MenuMarkAllClick);
    OnCommand(MenuMarkNone, &TFormMeasure::MenuMarkNoneClick);
    OnCommand(MenuRelationNone, &TFormMeasure::MenuRelationNoneClick);
}

void TFormMeasure::RelationButtonToggled(QAction* button, bool down)
{
    if (!down)
        return;
    for (const RelationButton& other : RelationButtonsOf(*this)) {
        if (other.button == button)
            continue;
        const QSignalBlocker blocker(other.button);
        other.button->setChecked(false);
    }
}

bool TFormMeasure::IsRelationButtonDown() const
{
    const std::vector<RelationButton> kinds = RelationButtonsOf(*this);
    return std::any_of(kinds.begin(), kinds.end(), [](const RelationButton& kind) { return kind.button->isChecked(); });
}

void TFormMeasure::ReleaseRelationButtons()
{
    for (const RelationButton& kind : RelationButtonsOf(*this)) {
        const QSignalBlocker blocker(kind.button);
        kind.button->setChecked(false);
    }
}

// ---- Relating two shapes

void TFormMeasure::BuildRelation(MShape* a, MShape* b)
{
    // A shape makes no relation with itself.
    if (!a || !b || a == b)
        return;
    ClearSelectedRelation();
    if (MRelation* listed = FindRelationBetween(a, b))
        Document.SetSelectedRelation(listed);
    else if (std::unique_ptr<MRelation> made = MRelation::Create(a, b, ImagePaint->Canvas()))
        Document.SetSelectedRelation(std::move(made));
    ShowRelationValues();
}

bool TFormMeasure::BuildButtonRelation(MShape* a, MShape* b)
{
    if (!a || !b || a == b)
        return false;
    ClearSelectedRelation();
    if (MRelation* listed = FindRelationBetween(a, b)) {
        Document.SetSelectedRelation(listed);
        ReleaseRelationButtons();
        return true;
    }
    const std::vector<RelationButton> kinds = RelationButtonsOf(*this);
    const auto down = std::find_if(kinds.begin(), kinds.end(),
                                   [](const RelationButton& kind) { return kind.button->isChecked(); });
    if (down == kinds.end())
        return false;
    if (MRelation::KindFor(a, b) != down->kind) {
        ShowStatus(Lan->Texts[down->pickSlot], STATUS_HINT);
        return false;
    }
    KeepNewRelation(a, b);
    ReleaseRelationButtons();
    return true;
}

void TFormMeasure::KeepNewRelation(MShape* a, MShape* b)
{
    Document.SetSelectedRelation(MRelation::Create(a, b, ImagePaint->Canvas()));
    // A refused relation stays unlisted, so letting it go frees it.
    if (!Document.AddSelectedRelation())
        ClearSelectedRelation();
}

bool TFormMeasure::RelateSelectedByButton()
{
    if (!IsRelationButtonDown() || CountSelectedShapes() != 2)
        return false;
    const std::vector<MShape*> pair = Document.SelectedShapes();
    if (!BuildButtonRelation(pair[0], pair[1]))
        return false;
    RedrawImage();
    ShowRelationValues();
    return true;
}

bool TFormMeasure::RelateSelected()
{
    if (!SBRelation->isChecked() || CountSelectedShapes() != 2)
        return false;
    const std::vector<MShape*> pair = Document.SelectedShapes();
    BuildRelation(pair[0], pair[1]);
    RedrawImage();
    ShowRelationValues();
    return true;
}

void TFormMeasure::SBPointPointClick()
{
    RelateSelectedByButton();
}

void TFormMeasure::SBRelationClick()
{
    RelateSelected();
}

void TFormMeasure::DeleteAllRelations()
{
    Document.DeleteAllRelations();
}

void TFormMeasure::MenuRelationClick()
{
    if (!SelectedRelation)
        return;
    if (MenuRelation->isChecked()) {
        if (FindRelationLike(SelectedRelation) == SelectedRelation)
            Document.UnlistSelectedRelation();
    } else {
        Document.AddSelectedRelation();
    }
    UpdateEditCommands();
}

// ---- Commands on many shapes

void TFormMeasure::MenuSelectAllClick()
{
    for (MShape* shape : ShapeList)
        shape->selected = true;
    RedrawImage();
    UpdateSelection(true);
}

void TFormMeasure::MenuShowMarkClick()
{
    if (!IsSelectMode() || !HasSelectedShape())
        return;
    // Every selected shape shows its labels, unless all of them do already.
    const bool marked = HasSelectedUnmarked();
    for (MShape* shape : ShapeList)
        if (shape->selected)
            shape->marked = marked;
    RedrawImage();
    UpdateSelection(true);
}

void TFormMeasure::MenuMarkAllClick()
{
    MarkAllShapes(true, 15);
}

void TFormMeasure::MenuMarkNoneClick()
{
    MarkAllShapes(false, 16);
}

void TFormMeasure::MarkAllShapes(bool marked, int questionSlot)
{
    if (!AskConfirmation(Slot(questionSlot)))
        return;
    for (MShape* shape : ShapeList)
        shape->marked = marked;
    RedrawImage();
    UpdateSelection(true);
}

void TFormMeasure::MenuRelationNoneClick()
{
    if (!AskConfirmation(Slot(17)))
        return;
    DeleteAllRelations();
    RedrawImage();
    // The values of a relation just freed must not stay on show.
    UpdateSelection(true);
}

void TFormMeasure::MenuLockClick()
{
    const bool locked = !MenuLock->isChecked();
    for (QAction* twin : {MenuLock, SBLock}) {
        const QSignalBlocker blocker(twin);
        twin->setChecked(locked);
    }
    // No cursor promises a drag that the lock refuses.
    if (locked && Mode == MODE_SELECT)
        ImagePaint->unsetCursor();
}
