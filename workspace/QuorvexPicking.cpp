// Relating two shapes picked with the mouse. The mouse editing hands the
// picked pair over here; which pairs of kinds make which relation is decided
// by the relation picking itself, which joins the main window with the
// relation classes. Until then no pair makes a relation.
#include "workspace/Quorvex.h"

#include "shapes/MShape.h"

#include <algorithm>

bool TFormMeasure::IsRelationButtonDown() const
{
    const QAction* const kinds[] = {SBPointPoint, SBPointLine, SBLineLine, SBLineCircle, SBCircleCircle};
    return std::any_of(std::begin(kinds), std::end(kinds), [](const QAction* button) { return button->isChecked(); });
}

void TFormMeasure::BuildRelation(MShape*, MShape*)
{
}

bool TFormMeasure::BuildButtonRelation(MShape*, MShape*)
{
    return false;
}
