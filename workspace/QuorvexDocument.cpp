// The window's side of the document: what it does after the document has
// deleted shapes, and the pointers of its own that it lets go when the
// document frees a shape or a relation.
#include "workspace/Quorvex.h"

bool TFormMeasure::DeleteShape(MShape*& shape)
{
    if (!Document.DeleteShape(shape))
        return false;
    RedrawImage();
    return true;
}

void TFormMeasure::DeleteAllShapes()
{
    Document.DeleteAllShapes();
    // No first line of an angle is left to wait for a second one.
    SetAngleStep(0);
    ClearValues(true);
    if (Mode != MODE_RULE)
        SelectToolMode(MODE_SELECT);
}

void TFormMeasure::ShapeFreeing(const MShape* shape)
{
    if (AngleFirstLine == shape)
        SetAngleStep(0);
    // The numeric entry window may still show its values.
    if (DigitShape == shape)
        DigitShape = nullptr;
}
