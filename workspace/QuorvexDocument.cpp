// The main window's document: the list operations on shapes through which
// every workspace command adds, finds, selects and removes them, and the
// order in which the document is freed.
#include "workspace/Quorvex.h"

#include "shapes/MShape.h"

#include <algorithm>
#include <bitset>

namespace {

// Serial numbers run from 1 to 999 per kind.
constexpr int kFirstSerialNumber = 1;
constexpr int kLastSerialNumber = 999;

} // namespace

bool TFormMeasure::AddShape(MShape* shape)
{
    if (!shape || IsInShapeList(shape))
        return false;
    shape->number = NextSerialNumber(shape->GetKind());
    ShapeList.push_back(shape);
    return true;
}

int TFormMeasure::NextSerialNumber(int kind) const
{
    std::bitset<kLastSerialNumber + 1> taken;
    for (const MShape* shape : ShapeList)
        if (shape->GetKind() == kind && shape->number >= kFirstSerialNumber && shape->number <= kLastSerialNumber)
            taken.set(std::size_t(shape->number));
    for (int number = kFirstSerialNumber; number <= kLastSerialNumber; ++number)
        if (!taken.test(std::size_t(number)))
            return number;
    return kFirstSerialNumber;
}

bool TFormMeasure::IsInShapeList(const MShape* shape) const
{
    return std::find(ShapeList.begin(), ShapeList.end(), shape) != ShapeList.end();
}

MShape* TFormMeasure::ShapeAt(int x, int y) const
{
    for (MShape* shape : ShapeList)
        if (IsHit(shape->HitTest(x, y)))
            return shape;
    return nullptr;
}

void TFormMeasure::SelectShape(MShape* shape, bool exclusive)
{
    if (!shape)
        return;
    shape->selected = true;
    if (exclusive)
        for (MShape* other : ShapeList)
            if (other != shape)
                other->selected = false;
}

bool TFormMeasure::ClearSelected()
{
    if (!Selected)
        return false;
    // A shape whose creation was abandoned belongs to Selected alone.
    if (!IsInShapeList(Selected))
        delete Selected;
    Selected = nullptr;
    return true;
}

bool TFormMeasure::DeleteShape(MShape*& shape)
{
    if (!shape || !IsInShapeList(shape))
        return false;
    // The reference may be one of the window's own fields (AngleFirstLine).
    MShape* doomed = shape;
    ClearSelected();
    RemoveRelationsOf(doomed);
    std::erase(ShapeList, doomed);
    ForgetShape(doomed);
    delete doomed;
    shape = nullptr;
    RedrawImage();
    return true;
}

void TFormMeasure::DeleteAllShapes()
{
    FreeShapes();
    // No first line of an angle is left to wait for a second one.
    SetAngleStep(0);
    ClearValues(true);
    if (Mode != MODE_RULE)
        SelectToolMode(MODE_SELECT);
}

void TFormMeasure::ForgetShape(const MShape* shape)
{
    if (AngleFirstLine == shape)
        SetAngleStep(0);
    if (DigitShape == shape)
        DigitShape = nullptr;
    if (Selected == shape)
        Selected = nullptr;
}

void TFormMeasure::FreeDocument()
{
    delete CalibrationRule;
    CalibrationRule = nullptr;
    // Every relation, listed or only current, goes before any shape it may
    // point at (an abandoned shape under creation included), so none is ever
    // left pointing at a freed shape.
    FreeShapes();
    AngleFirstLine = nullptr;
}

void TFormMeasure::FreeShapes()
{
    FreeRelations();
    ClearSelected();
    for (MShape* shape : ShapeList)
        delete shape;
    ShapeList.clear();
    DigitShape = nullptr;
}
