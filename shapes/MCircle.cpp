#include "shapes/MCircle.h"

#include "platform/gui/TCanvas.h"
#include "settings/MLan.h"
#include "settings/MParam.h"
#include "shapes/MData.h"
#include "shapes/MRuleTool.h"
#include "shapes/MTool.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <numbers>

namespace {

constexpr int kAreaSlot = 76;         // "Area"
constexpr int kDiameterSlot = 77;     // "Diameter"
constexpr int kPerimeterSlot = 78;    // "Perimeter"
constexpr int kRadiusSlot = 79;       // "Radius"
constexpr int kTypeNameSlot = 110;    // "Circle"
constexpr int kCentreSlot = 297;      // "Circle Center"
constexpr int kCreateSlot = 303;      // "Create "

// The diameter line points this way until the label is dragged elsewhere.
constexpr double kDefaultLabelDirection = 120.0;
// Label 1 sits this far right of and above the middle of the square.
constexpr int kLabelShift = 10;

// |a - b| of two coordinates, exactly.
double Span(int a, int b) { return double(std::abs(std::int64_t(a) - b)); }

} // namespace

// ---------------------------------------------------------------- MCircle

MCircle::MCircle(TCanvas* defaultCanvas) : MBoxShape(defaultCanvas) { kind = KIND_CIRCLE; }

std::unique_ptr<MCircle> MCircle::Create(TCanvas* defaultCanvas, const TRect& square)
{
    auto circle = std::make_unique<MCircle>(defaultCanvas);
    circle->clicks = 2;
    circle->p1 = {square.left, square.top};
    circle->p2 = {square.right, square.bottom};
    circle->bounds = square;
    circle->UpdateFromBounds();
    circle->FinishCreate();
    return circle;
}

double MCircle::GetDiameter() const { return Span(left.x, right.x); }

std::string MCircle::GetTypeName() const { return lan->Texts[kTypeNameSlot]; }

void MCircle::BuildResults()
{
    const double d = GetDiameter();
    AddResult(lan->Texts[kRadiusSlot], ruleTool->FormatLength(MTool::Round(d * 0.5)));
    AddResult(lan->Texts[kDiameterSlot], ruleTool->FormatLength(d));
    AddResult(lan->Texts[kPerimeterSlot], ruleTool->FormatLength(std::numbers::pi * d));
    AddResult(lan->Texts[kAreaSlot], ruleTool->FormatArea(std::numbers::pi * d * d * 0.25));
}

bool MCircle::NearOutline(TPoint mouse, int tolerance) const { return MTool::NearCircle(mouse, bounds, tolerance); }

void MCircle::CreateMouseMove(int x, int y)
{
    if (clicks != 1)
        return;
    SquareToward(x, y);
    center = {TruncatedMidpoint(bounds.left, bounds.right), TruncatedMidpoint(bounds.top, bounds.bottom)};
    Draw(DRAW_CREATE);
}

void MCircle::CreateMouseDown(int x, int y)
{
    if (clicks == 0) {
        clicks = 1;
        p1 = {x, y};
    } else if (clicks == 1) {
        clicks = 2;
        SquareToward(x, y);
        UpdateFromBounds();
        FinishCreate();
    }
}

void MCircle::SquareToward(int x, int y)
{
    // The square grows from the first click toward the mouse, its side the
    // smaller of the two distances.
    p2 = {x, y};
    const std::int64_t side = std::min(std::abs(std::int64_t(x) - p1.x), std::abs(std::int64_t(y) - p1.y));
    const TPoint corner = OffsetPoint(p1, x > p1.x ? side : -side, y > p1.y ? side : -side);
    bounds = {p1.x, p1.y, corner.x, corner.y};
}

void MCircle::ReshapeMove(int x, int y)
{
    previewBounds = bounds;
    previewPoint = grabPoint;
    if (const std::optional<Side> side = GrabbedSide())
        previewBounds = PreviewSquareDrag(bounds, *side, x, y);
}

TPoint MCircle::ReshapeEnd(int x, int y)
{
    const TPoint drag = MTool::SubtractPoints({x, y}, lastMouse);
    const std::int64_t hx = MTool::RoundToInt(drag.x * 0.5);
    const std::int64_t hy = MTool::RoundToInt(drag.y * 0.5);
    TPoint* moved = nullptr;
    if (grabPoint == top) {
        top = OffsetPoint(top, 0, 2 * hy);
        left = OffsetPoint(left, hy, hy);
        right = OffsetPoint(right, -hy, hy);
        moved = &top;
    } else if (grabPoint == bottom) {
        bottom = OffsetPoint(bottom, 0, 2 * hy);
        left = OffsetPoint(left, -hy, hy);
        right = OffsetPoint(right, hy, hy);
        moved = &bottom;
    } else if (grabPoint == left) {
        left = OffsetPoint(left, 2 * hx, 0);
        top = OffsetPoint(top, hx, hx);
        bottom = OffsetPoint(bottom, hx, -hx);
        moved = &left;
    } else if (grabPoint == right) {
        right = OffsetPoint(right, 2 * hx, 0);
        top = OffsetPoint(top, hx, -hx);
        bottom = OffsetPoint(bottom, hx, hx);
        moved = &right;
    }
    if (moved == nullptr)
        return {};
    // Not normalized: a side dragged across the opposite one turns the square
    // inside out, and the results take absolute values.
    bounds = {left.x, top.y, right.x, bottom.y};
    center = {RoundedMidpoint(bounds.left, bounds.right), RoundedMidpoint(bounds.top, bounds.bottom)};
    return *moved;
}

void MCircle::DrawLabel(int mode, TCanvas* target)
{
    const double d = GetDiameter();
    label1 = ruleTool->FormatValue(d, labelValues[0]);
    // The diameter line turns toward a label the operator has dragged away.
    const double direction = MTool::IsZeroPoint(labelOffset1) ? kDefaultLabelDirection
                                                               : MTool::VectorAngle({0, 0}, labelOffset1);
    const TPoint end1 = MTool::PolarPoint(center, d * 0.5, direction);
    const TPoint end2 = MTool::PolarPoint(center, d * 0.5, direction + 180);
    DrawSegment(target, center, end1);
    DrawSegment(target, center, end2);
    DrawArrowHead(target, center, end1);
    DrawArrowHead(target, center, end2);
    DrawLabelBox(mode, target, 1);
}

TPoint MCircle::GetLabelPos(int index) const
{
    if (index != 1)
        return MShape::GetLabelPos(index);
    return OffsetPoint({TruncatedMidpoint(bounds.left, bounds.right), TruncatedMidpoint(bounds.top, bounds.bottom)},
                       kLabelShift, -kLabelShift);
}

std::string MCircle::GetTag() const { return "C"; }

bool MCircle::WriteData(MData& data, bool blank) const
{
    const std::string& centreCaption = lan->Texts[kCentreSlot];
    const std::string& radiusCaption = lan->Texts[kRadiusSlot];
    if (blank) {
        data.point.SetValue({0, 0}, centreCaption, false);
        data.length[0].SetValue(0.0, radiusCaption);
    } else {
        data.point.SetValue(center, centreCaption, true);
        data.length[0].SetValue(MTool::Round(Span(bounds.left, bounds.right) * 0.5), radiusCaption);
    }
    return true;
}

bool MCircle::ReadData(MData data)
{
    const TPoint c = data.point.GetPoint();
    const double r = data.length[0].GetValue();
    bounds = {MTool::TruncToInt(c.x - r), MTool::TruncToInt(c.y - r), MTool::TruncToInt(c.x + r),
              MTool::TruncToInt(c.y + r)};
    UpdateFromBounds();
    return true;
}

std::vector<std::string> MCircle::GetDeriveCaptions() const
{
    return {lan->Texts[kCreateSlot] + lan->Texts[kCentreSlot]};
}

// ---------------------------------------------------------------- MCircleTriple

MCircleTriple::MCircleTriple(TCanvas* defaultCanvas) : MCircle(defaultCanvas) {}

void MCircleTriple::CreateMouseMove(int x, int y)
{
    if (clicks == 1) {
        second = {x, y};
        Draw(DRAW_CREATE);
    } else if (clicks == 2) {
        ThroughThirdPoint(x, y);
        Draw(DRAW_CREATE);
    }
}

void MCircleTriple::CreateMouseDown(int x, int y)
{
    if (clicks == 0) {
        clicks = 1;
        p1 = {x, y};
    } else if (clicks == 1) {
        clicks = 2;
        second = {x, y};
        if (second == p1)
            second = OffsetPoint(second, 1, 0);
    } else if (clicks == 2) {
        clicks = 3;
        ThroughThirdPoint(x, y);
        // The centre stays the circumcentre; only the handles follow the square.
        PlaceControlPoints();
        FinishCreate();
    }
}

void MCircleTriple::ThroughThirdPoint(int x, int y)
{
    // Distinct and not collinear after these nudges, so the circumcentre exists.
    p2 = {x, y};
    if (p2 == second)
        p2 = OffsetPoint(p2, 1, 0);
    if (p2 == p1)
        p2 = OffsetPoint(p2, 0, 1);
    if (p2 == second)
        p2 = OffsetPoint(p2, 1, 0);
    if (MTool::PointLineDistance(p1, second, p2) == 0)
        p2 = second.x == p1.x ? OffsetPoint(p2, 2, 0) : OffsetPoint(p2, 0, 2);

    center = MTool::CircleCentre(p1, second, p2);
    const double r = MTool::Round(
        (MTool::Distance(p1, center) + MTool::Distance(second, center) + MTool::Distance(p2, center)) * (1.0 / 3.0));
    bounds = {MTool::TruncToInt(center.x - r), MTool::TruncToInt(center.y - r), MTool::TruncToInt(center.x + r),
              MTool::TruncToInt(center.y + r)};
}

void MCircleTriple::DrawBody(int mode, TCanvas* target)
{
    if (mode != DRAW_CREATE) {
        MCircle::DrawBody(mode, target);
        return;
    }
    if (target == nullptr)
        return;
    target->Brush.Style = bsClear;
    if (clicks == 1) {
        DrawSegment(target, p1, second);
        DrawCrossMark(target, p1.x, p1.y);
    } else if (clicks == 2) {
        DrawEllipseRect(target, bounds);
        DrawCrossMark(target, p1.x, p1.y);
        DrawCrossMark(target, second.x, second.y);
        DrawPlusMark(target, center.x, center.y);
    }
}
