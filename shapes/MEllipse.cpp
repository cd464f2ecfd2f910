#include "shapes/MEllipse.h"

#include "platform/gui/TCanvas.h"
#include "settings/MLan.h"
#include "settings/MParam.h"
#include "shapes/MData.h"
#include "shapes/MRuleTool.h"
#include "shapes/MTool.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <numbers>

namespace {

constexpr int kAreaSlot = 76;             // "Area"
constexpr int kHorizontalSlot = 82;       // "Horizontal Length"
constexpr int kVerticalSlot = 83;         // "Vertical Length"
constexpr int kTypeNameSlot = 111;        // "Ellipse"
constexpr int kCentreSlot = 296;          // "Center Point"
constexpr int kCreateSlot = 303;          // "Create "

// Label 1 sits this far right of the middle of the box, label 2 this far above.
constexpr int kLabelShift = 20;

double Span(int a, int b) { return double(std::abs(std::int64_t(a) - b)); }

} // namespace

MEllipse::MEllipse(TCanvas* defaultCanvas) : MBoxShape(defaultCanvas) { kind = KIND_ELLIPSE; }

std::unique_ptr<MEllipse> MEllipse::Create(TCanvas* defaultCanvas, const TRect& box)
{
    auto ellipse = std::make_unique<MEllipse>(defaultCanvas);
    ellipse->CreateMouseDown(box.left, box.top);
    ellipse->CreateMouseDown(box.right, box.bottom);
    return ellipse;
}

double MEllipse::GetHorizontalAxis() const { return Span(left.x, right.x); }

double MEllipse::GetVerticalAxis() const { return Span(top.y, bottom.y); }

std::string MEllipse::GetTypeName() const { return lan->Texts[kTypeNameSlot]; }

void MEllipse::BuildResults()
{
    const double a = GetHorizontalAxis();
    const double b = GetVerticalAxis();
    AddResult(lan->Texts[kHorizontalSlot], ruleTool->FormatLength(a));
    AddResult(lan->Texts[kVerticalSlot], ruleTool->FormatLength(b));
    AddResult(lan->Texts[kAreaSlot], ruleTool->FormatArea(std::numbers::pi * a * b * 0.25));
}

bool MEllipse::NearOutline(TPoint mouse, int tolerance) const { return MTool::NearEllipse(mouse, bounds, tolerance); }

void MEllipse::CreateMouseMove(int x, int y)
{
    if (clicks != 1)
        return;
    p2 = {x, y};
    bounds = {p1.x, p1.y, p2.x, p2.y};
    center = {TruncatedMidpoint(bounds.left, bounds.right), TruncatedMidpoint(bounds.top, bounds.bottom)};
    Draw(DRAW_CREATE);
}

void MEllipse::CreateMouseDown(int x, int y)
{
    if (clicks == 0) {
        clicks = 1;
        p1 = {x, y};
        return;
    }
    if (clicks != 1)
        return;
    clicks = 2;
    // At least one pixel wide and high. The far side is the one pushed, so a
    // click at the right or bottom edge of the int range goes the other way.
    p2 = {x, y};
    if (p2.x == p1.x)
        p2.x = p1.x < INT_MAX ? p1.x + 1 : p1.x - 1;
    if (p2.y == p1.y)
        p2.y = p1.y < INT_MAX ? p1.y + 1 : p1.y - 1;
    const std::int64_t dx = std::int64_t(p2.x) - p1.x;
    const std::int64_t dy = std::int64_t(p2.y) - p1.y;
    bounds = {p1.x, p1.y, p2.x, p2.y};
    center = {TruncatedMidpoint(bounds.left, bounds.right), TruncatedMidpoint(bounds.top, bounds.bottom)};
    // The halves truncate toward the first click.
    top = OffsetPoint(p1, dx / 2, 0);
    left = OffsetPoint(p1, 0, dy / 2);
    bottom = {top.x, p2.y};
    right = {p2.x, left.y};
    FinishCreate();
}

void MEllipse::ReshapeMove(int x, int y)
{
    const TPoint drag = MTool::SubtractPoints({x, y}, lastMouse);
    previewBounds = bounds;
    previewPoint = grabPoint;
    if (grabPoint == top) {
        previewBounds.top = Saturated(std::int64_t(bounds.top) + drag.y);
        previewPoint = OffsetPoint(previewPoint, 0, drag.y);
    } else if (grabPoint == bottom) {
        previewBounds.bottom = Saturated(std::int64_t(bounds.bottom) + drag.y);
        previewPoint = OffsetPoint(previewPoint, 0, drag.y);
    } else if (grabPoint == left) {
        previewBounds.left = Saturated(std::int64_t(bounds.left) + drag.x);
        previewPoint = OffsetPoint(previewPoint, drag.x, 0);
    } else if (grabPoint == right) {
        previewBounds.right = Saturated(std::int64_t(bounds.right) + drag.x);
        previewPoint = OffsetPoint(previewPoint, drag.x, 0);
    }
}

TPoint MEllipse::ReshapeEnd(int x, int y)
{
    const TPoint drag = MTool::SubtractPoints({x, y}, lastMouse);
    const std::int64_t hx = MTool::RoundToInt(drag.x * 0.5);
    const std::int64_t hy = MTool::RoundToInt(drag.y * 0.5);
    TPoint* moved = nullptr;
    if (grabPoint == top || grabPoint == bottom) {
        moved = grabPoint == top ? &top : &bottom;
        *moved = OffsetPoint(*moved, 0, 2 * hy);
        left = OffsetPoint(left, 0, hy);
        right = OffsetPoint(right, 0, hy);
    } else if (grabPoint == left || grabPoint == right) {
        moved = grabPoint == left ? &left : &right;
        *moved = OffsetPoint(*moved, 2 * hx, 0);
        top = OffsetPoint(top, hx, 0);
        bottom = OffsetPoint(bottom, hx, 0);
    }
    if (moved == nullptr)
        return {};
    // The box keeps a size of one pixel even when an axis has shrunk to 0.
    bounds = {left.x, top.y, right.x, bottom.y};
    if (bounds.left == bounds.right)
        bounds.right = Saturated(std::int64_t(bounds.right) + 1);
    if (bounds.top == bounds.bottom)
        bounds.bottom = Saturated(std::int64_t(bounds.bottom) + 1);
    center = {RoundedMidpoint(bounds.left, bounds.right), RoundedMidpoint(bounds.top, bounds.bottom)};
    return *moved;
}

void MEllipse::DrawLabel(int mode, TCanvas* target)
{
    label1 = "A:" + ruleTool->FormatValue(GetHorizontalAxis(), labelValues[0]);
    label2 = "B:" + ruleTool->FormatValue(GetVerticalAxis(), labelValues[1]);
    for (TPoint end : {left, right, top, bottom})
        DrawSegment(target, center, end);
    DrawArrowHead(target, left, right);
    DrawArrowHead(target, right, left);
    DrawArrowHead(target, top, bottom);
    DrawArrowHead(target, bottom, top);
    DrawLabelBox(mode, target, 1);
    DrawLabelBox(mode, target, 2);
}

TPoint MEllipse::GetLabelPos(int index) const
{
    const TPoint middle{TruncatedMidpoint(bounds.left, bounds.right), TruncatedMidpoint(bounds.top, bounds.bottom)};
    if (index == 1)
        return OffsetPoint(middle, kLabelShift, 0);
    if (index == 2)
        return OffsetPoint(middle, 0, -kLabelShift);
    return MShape::GetLabelPos(index);
}

std::string MEllipse::GetTag() const { return "E"; }

bool MEllipse::WriteData(MData& data, bool blank) const
{
    const std::string& centreCaption = lan->Texts[kCentreSlot];
    const std::string& horizontalCaption = lan->Texts[kHorizontalSlot];
    const std::string& verticalCaption = lan->Texts[kVerticalSlot];
    if (blank) {
        data.point.SetValue({0, 0}, centreCaption, false);
        data.length[0].SetValue(0.0, horizontalCaption);
        data.length[1].SetValue(0.0, verticalCaption);
    } else {
        data.point.SetValue(center, centreCaption, true);
        data.length[0].SetValue(Span(bounds.left, bounds.right), horizontalCaption);
        data.length[1].SetValue(Span(bounds.top, bounds.bottom), verticalCaption);
    }
    return true;
}

bool MEllipse::ReadData(MData data)
{
    const TPoint c = data.point.GetPoint();
    const double halfA = MTool::Round(data.length[0].GetValue() * 0.5);
    const double halfB = MTool::Round(data.length[1].GetValue() * 0.5);
    bounds = {MTool::TruncToInt(c.x - halfA), MTool::TruncToInt(c.y - halfB), MTool::TruncToInt(c.x + halfA),
              MTool::TruncToInt(c.y + halfB)};
    UpdateFromBounds();
    return true;
}

std::vector<std::string> MEllipse::GetDeriveCaptions() const
{
    return {lan->Texts[kCreateSlot] + lan->Texts[kCentreSlot]};
}
