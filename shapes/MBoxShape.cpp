#include "shapes/MBoxShape.h"

#include "platform/gui/TCanvas.h"
#include "settings/MParam.h"
#include "shapes/MPoint.h"
#include "shapes/MTool.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr int kDeriveCentre = 1;

} // namespace

MBoxShape::MBoxShape(TCanvas* defaultCanvas) : MShape(defaultCanvas) {}

void MBoxShape::UpdateFromBounds()
{
    bounds = MTool::NormalizeRect(bounds);
    center = {RoundedMidpoint(bounds.left, bounds.right), RoundedMidpoint(bounds.top, bounds.bottom)};
    PlaceControlPoints();
}

void MBoxShape::PlaceControlPoints()
{
    const int middleColumn = TruncatedMidpoint(bounds.left, bounds.right);
    const int middleRow = TruncatedMidpoint(bounds.top, bounds.bottom);
    top = {middleColumn, bounds.top};
    left = {bounds.left, middleRow};
    bottom = {middleColumn, bounds.bottom};
    right = {bounds.right, middleRow};
}

std::optional<MShape::Side> MBoxShape::GrabbedSide() const { return SideAt(grabPoint, top, bottom, left, right); }

void MBoxShape::Move(int dx, int dy)
{
    const TPoint delta{dx, dy};
    for (TPoint* point : {&top, &left, &bottom, &right, &center})
        *point = MTool::AddPoints(*point, delta);
    const TPoint topLeft = MTool::AddPoints({bounds.left, bounds.top}, delta);
    const TPoint bottomRight = MTool::AddPoints({bounds.right, bounds.bottom}, delta);
    bounds = {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
}

int MBoxShape::HitTest(int x, int y)
{
    const int tolerance = param->GetActiveWidth();
    const TPoint mouse{x, y};
    // The outline is tested against `bounds`, a circle's by its width alone:
    // the square on the box's centre with the box's longer side holds it
    // either way, and the handles lie on the box.
    const std::int64_t width = std::abs(std::int64_t(bounds.right) - bounds.left);
    const std::int64_t height = std::abs(std::int64_t(bounds.bottom) - bounds.top);
    const std::int64_t half = std::max(width, height) / 2 + 1;
    const std::int64_t centreX = (std::int64_t(bounds.left) + bounds.right) / 2;
    const std::int64_t centreY = (std::int64_t(bounds.top) + bounds.bottom) / 2;
    if (BeyondPickReach(mouse, centreX - half, centreY - half, centreX + half, centreY + half, tolerance))
        return MShape::HitTest(x, y);
    for (TPoint handle : {top, bottom, left, right}) {
        if (MTool::NearPoint(mouse, handle, tolerance)) {
            grabPoint = handle;
            return HIT_POINT;
        }
    }
    if (NearOutline(mouse, tolerance))
        return HIT_BODY;
    return MShape::HitTest(x, y);
}

int MBoxShape::GetCursor(int code) const
{
    if (state == STATE_CREATING || (code != EDIT_RESHAPE && code != HIT_POINT))
        return MShape::GetCursor(code);
    if (grabPoint == top || grabPoint == bottom)
        return crSizeNS;
    if (grabPoint == left || grabPoint == right)
        return crSizeWE;
    return MShape::GetCursor(code);
}

bool MBoxShape::InRect(int areaLeft, int areaTop, int areaRight, int areaBottom) const
{
    const TRect box = MTool::NormalizeRect(bounds);
    return box.left >= areaLeft && box.top >= areaTop && box.right <= areaRight && box.bottom <= areaBottom;
}

void MBoxShape::DrawBody(int mode, TCanvas* target)
{
    if (target == nullptr)
        return;
    target->Brush.Style = bsClear;
    if (mode == DRAW_RESHAPE) {
        DrawEllipseRect(target, previewBounds);
        DrawCrossMark(target, previewPoint.x, previewPoint.y);
        return;
    }
    DrawEllipseRect(target, bounds);
    DrawPlusMark(target, center.x, center.y);
    if (IsHighlightMode(mode))
        for (TPoint handle : {top, left, bottom, right})
            DrawCrossMark(target, handle.x, handle.y);
}

TPoint MBoxShape::GetCenter() const { return center; }

std::vector<std::unique_ptr<MShape>> MBoxShape::MakeDerivedShapes(TCanvas* shapeCanvas, int index) const
{
    std::vector<std::unique_ptr<MShape>> shapes;
    if (index == kDeriveCentre)
        shapes.push_back(MPoint::Create(shapeCanvas, center.x, center.y));
    return shapes;
}
