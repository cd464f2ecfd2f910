#include "shapes/MArc.h"

#include "platform/gui/TCanvas.h"
#include "settings/MLan.h"
#include "settings/MParam.h"
#include "shapes/MData.h"
#include "shapes/MLine.h"
#include "shapes/MPoint.h"
#include "shapes/MRuleTool.h"
#include "shapes/MTool.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>

namespace {

constexpr int kRadiusSlot = 79;          // "Radius"
constexpr int kChordSlot = 80;           // "Chord"
constexpr int kArcSlot = 81;             // "Arc"
constexpr int kArcAngleSlot = 87;        // "Arc Angle"
constexpr int kCentreDistanceSlot = 103; // "Distance of center to chord"
constexpr int kTypeNameSlot = 112;       // "Arc"
constexpr int kCentreSlot = 297;         // "Circle Center"
constexpr int kBeginAngleSlot = 298;     // "Begin Angle"
constexpr int kEndAngleSlot = 299;       // "End Angle"
constexpr int kCreateSlot = 303;         // "Create "
constexpr int kChordShapeSlot = 305;     // "Chord"

constexpr int kDeriveCentre = 1;
constexpr int kDeriveChord = 2;

double Span(int a, int b) { return double(std::abs(std::int64_t(a) - b)); }

} // namespace

MArc::MArc(TCanvas* defaultCanvas) : MShape(defaultCanvas) { kind = KIND_ARC; }

std::unique_ptr<MArc> MArc::Create(TCanvas* defaultCanvas, TPoint first, TPoint onArc, TPoint last)
{
    auto arc = std::make_unique<MArc>(defaultCanvas);
    arc->CreateMouseDown(first.x, first.y);
    arc->CreateMouseDown(onArc.x, onArc.y);
    arc->CreateMouseDown(last.x, last.y);
    return arc;
}

double MArc::StartAngle() const { return MTool::VectorAngle(centre, p1); }

double MArc::EndAngle() const { return MTool::VectorAngle(centre, p2); }

double MArc::ComputeArcAngle() const
{
    const double a1 = StartAngle();
    const double a2 = EndAngle();
    const double d = std::fabs(a1 - a2);
    if (clockwise)
        return a1 <= a2 ? d : 360 - d;
    return a1 >= a2 ? d : 360 - d;
}

TPoint MArc::ComputeAnchor() const
{
    const double a1 = StartAngle();
    const double a2 = EndAngle();
    double m = (a1 + a2) * 0.5;
    // The plain mean lies on the other arc when the arc passes 0 degrees.
    if ((clockwise && a1 > a2) || (!clockwise && a1 < a2))
        m += 180;
    return MTool::PolarPoint(centre, MTool::Distance(handleLeft, handleRight) * 0.5, m);
}

double MArc::GetArcLength() const
{
    return arcAngle * (std::numbers::pi * Span(circleRect.right, circleRect.left)) / 360;
}

void MArc::UpdateHandles()
{
    const int middleColumn = TruncatedMidpoint(circleRect.left, circleRect.right);
    const int middleRow = TruncatedMidpoint(circleRect.top, circleRect.bottom);
    handleTop = {middleColumn, circleRect.top};
    handleLeft = {circleRect.left, middleRow};
    handleBottom = {middleColumn, circleRect.bottom};
    handleRight = {circleRect.right, middleRow};
    arcAngle = ComputeArcAngle();
    anchor = ComputeAnchor();
}

void MArc::MakePointsUsable()
{
    if (p2 == middle)
        p2 = OffsetPoint(p2, 1, 0);
    if (p2 == p1)
        p2 = OffsetPoint(p2, 0, 1);
    if (p2 == middle)
        p2 = OffsetPoint(p2, 1, 0);
    if (MTool::PointLineDistance(p1, middle, p2) == 0)
        p2 = middle.x == p1.x ? OffsetPoint(p2, 2, 0) : OffsetPoint(p2, 0, 2);
}

void MArc::CircleThroughPoints()
{
    centre = MTool::CircleCentre(p1, middle, p2);
    const double r = MTool::Round(
        (MTool::Distance(p1, centre) + MTool::Distance(middle, centre) + MTool::Distance(p2, centre)) * (1.0 / 3.0));
    circleRect = {MTool::TruncToInt(centre.x - r), MTool::TruncToInt(centre.y - r), MTool::TruncToInt(centre.x + r),
                  MTool::TruncToInt(centre.y + r)};
}

std::string MArc::GetTypeName() const { return lan->Texts[kTypeNameSlot]; }

void MArc::BuildResults()
{
    const double r = Span(circleRect.right, circleRect.left) * 0.5;
    const double d = MTool::PointLineDistance(p1, p2, centre);
    const double chord = d < r ? 2 * std::sqrt(r * r - d * d) : 0.0;
    AddResult(lan->Texts[kArcAngleSlot], MTool::FormatDegMinSec(arcAngle));
    AddResult(lan->Texts[kRadiusSlot], ruleTool->FormatLength(r));
    AddResult(lan->Texts[kCentreDistanceSlot], ruleTool->FormatLength(d));
    AddResult(lan->Texts[kChordSlot], ruleTool->FormatLength(chord));
    AddResult(lan->Texts[kArcSlot], ruleTool->FormatLength(GetArcLength()));
}

void MArc::Move(int dx, int dy)
{
    const TPoint delta{dx, dy};
    for (TPoint* point : {&handleTop, &handleLeft, &handleBottom, &handleRight, &centre, &anchor, &p1, &p2})
        *point = MTool::AddPoints(*point, delta);
    const TPoint topLeft = MTool::AddPoints({circleRect.left, circleRect.top}, delta);
    const TPoint bottomRight = MTool::AddPoints({circleRect.right, circleRect.bottom}, delta);
    circleRect = {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
}

int MArc::HitTest(int x, int y)
{
    const int tolerance = param->GetActiveWidth();
    const TPoint mouse{x, y};
    // The curve is tested against `circleRect`.
    if (BeyondPickReach(mouse,
                        std::array{p1, p2, handleTop, handleBottom, handleLeft, handleRight,
                                   TPoint{circleRect.left, circleRect.top}, TPoint{circleRect.right, circleRect.bottom}},
                        tolerance))
        return MShape::HitTest(x, y);
    for (TPoint handle : {p1, p2, handleTop, handleBottom, handleLeft, handleRight}) {
        if (MTool::NearPoint(mouse, handle, tolerance)) {
            grabPoint = handle;
            return HIT_POINT;
        }
    }
    const double a1 = StartAngle();
    const double a = MTool::VectorAngle(centre, mouse);
    const double a2 = EndAngle();
    bool onArc;
    if (clockwise)
        onArc = a1 < a2 ? (a1 < a && a < a2) : (a > a1 || a < a2);
    else
        onArc = a1 < a2 ? (a > a2 || a < a1) : (a2 < a && a < a1);
    if (onArc && MTool::NearEllipse(mouse, circleRect, tolerance))
        return HIT_BODY;
    return MShape::HitTest(x, y);
}

int MArc::GetCursor(int code) const
{
    if (state == STATE_CREATING || (code != EDIT_RESHAPE && code != HIT_POINT))
        return MShape::GetCursor(code);
    if (grabPoint == p1 || grabPoint == p2)
        return crCross;
    if (grabPoint == handleTop || grabPoint == handleBottom)
        return crSizeNS;
    if (grabPoint == handleLeft || grabPoint == handleRight)
        return crSizeWE;
    return MShape::GetCursor(code);
}

bool MArc::InRect(int areaLeft, int areaTop, int areaRight, int areaBottom) const
{
    const double a1 = StartAngle();
    const double a2 = EndAngle();
    const double low = std::min(a1, a2);
    const double high = std::max(a1, a2);
    // The extreme points of the circle: the middles of the square's sides.
    const TRect square = MTool::NormalizeRect(circleRect);
    const int middleColumn = TruncatedMidpoint(square.left, square.right);
    const int middleRow = TruncatedMidpoint(square.top, square.bottom);
    const TPoint rightmost{square.right, middleRow};
    const TPoint lowest{middleColumn, square.bottom};
    const TPoint leftmost{square.left, middleRow};
    const TPoint highest{middleColumn, square.top};

    TRect box = MTool::NormalizeRect({p1.x, p1.y, p2.x, p2.y});
    const bool runsUpFromLow = (clockwise && a1 < a2) || (!clockwise && a1 >= a2);
    if (runsUpFromLow) {
        // From the lower angle to the higher without passing 0 degrees.
        if (low < 90 && 90 < high)
            MTool::ExtendRect(box, lowest);
        if (low < 180 && 180 < high)
            MTool::ExtendRect(box, leftmost);
        if (low < 270 && 270 < high)
            MTool::ExtendRect(box, highest);
    } else {
        MTool::ExtendRect(box, rightmost);
        if (low > 90 || high < 90)
            MTool::ExtendRect(box, lowest);
        if (low > 180 || high < 180)
            MTool::ExtendRect(box, leftmost);
        if (low > 270 || high < 270)
            MTool::ExtendRect(box, highest);
    }
    return box.left >= areaLeft && box.top >= areaTop && box.right <= areaRight && box.bottom <= areaBottom;
}

void MArc::CreateMouseMove(int x, int y)
{
    if (clicks == 1) {
        middle = {x, y};
        Draw(DRAW_CREATE);
    } else if (clicks == 2) {
        p2 = {x, y};
        MakePointsUsable();
        CircleThroughPoints();
        Draw(DRAW_CREATE);
    }
}

void MArc::CreateMouseDown(int x, int y)
{
    if (clicks == 0) {
        clicks = 1;
        p1 = {x, y};
    } else if (clicks == 1) {
        clicks = 2;
        middle = {x, y};
        if (middle == p1)
            middle = OffsetPoint(middle, 1, 0);
    } else if (clicks == 2) {
        clicks = 3;
        p2 = {x, y};
        MakePointsUsable();
        CircleThroughPoints();
        // The arc is the one of the two that passes the second click.
        const double a1 = StartAngle();
        const double aMiddle = MTool::VectorAngle(centre, middle);
        const double a2 = EndAngle();
        if (a2 <= a1)
            clockwise = aMiddle <= a2 || aMiddle >= a1;
        else
            clockwise = !(aMiddle <= a1 || aMiddle >= a2);
        UpdateHandles();
        FinishCreate();
    }
}

std::optional<MShape::Side> MArc::GrabbedSide() const { return SideAt(grabPoint, handleTop, handleBottom, handleLeft, handleRight); }

void MArc::ReshapeMove(int x, int y)
{
    previewRect = circleRect;
    previewPoint = grabPoint;
    if (grabPoint == p1 || grabPoint == p2)
        middle = MTool::SnapToCircle({x, y}, circleRect);
    else if (const std::optional<Side> side = GrabbedSide())
        previewRect = PreviewSquareDrag(circleRect, *side, x, y);
}

TPoint MArc::ReshapeEnd(int x, int y)
{
    const TRect old = circleRect;
    TPoint* moved = nullptr;
    if (grabPoint == p1 || grabPoint == p2) {
        moved = grabPoint == p1 ? &p1 : &p2;
        *moved = MTool::SnapToCircle({x, y}, circleRect);
    } else if (const std::optional<Side> side = GrabbedSide()) {
        // The dragged side moves by twice the rounded half of the drag, its
        // neighbours by the half, so the square stays square about the
        // opposite side.
        const TPoint drag = MTool::SubtractPoints({x, y}, lastMouse);
        const bool vertical = *side == Side::Top || *side == Side::Bottom;
        const std::int64_t half = MTool::RoundToInt((vertical ? drag.y : drag.x) * 0.5);
        circleRect = ResizeSquare(circleRect, *side, 2 * half, half);
        moved = *side == Side::Top      ? &handleTop
                : *side == Side::Bottom ? &handleBottom
                : *side == Side::Left   ? &handleLeft
                                        : &handleRight;
    } else {
        return {};
    }
    centre = {RoundedMidpoint(circleRect.left, circleRect.right), RoundedMidpoint(circleRect.top, circleRect.bottom)};
    if (circleRect != old) {
        // Both ends keep their direction from the centre and land on the new circle.
        p1 = MTool::SnapToCircle(MTool::MapCirclePoint(p1, old, circleRect), circleRect);
        p2 = MTool::SnapToCircle(MTool::MapCirclePoint(p2, old, circleRect), circleRect);
    }
    UpdateHandles();
    return *moved;
}

void MArc::DrawArcBetween(TCanvas* target, TPoint from, TPoint to) const
{
    // The canvas runs counter-clockwise on screen from its start radial.
    if (clockwise)
        DrawArc(target, circleRect, to, from);
    else
        DrawArc(target, circleRect, from, to);
}

void MArc::DrawBody(int mode, TCanvas* target)
{
    if (target == nullptr)
        return;
    target->Brush.Style = bsClear;
    if (mode == DRAW_CREATE) {
        target->Pen.Style = psDot;
        if (clicks == 1) {
            DrawSegment(target, p1, middle);
            DrawCrossMark(target, p1.x, p1.y);
        } else if (clicks == 2) {
            DrawEllipseRect(target, circleRect);
            DrawCrossMark(target, p1.x, p1.y);
            DrawCrossMark(target, middle.x, middle.y);
            DrawPlusMark(target, centre.x, centre.y);
        }
        return;
    }
    if (mode == DRAW_RESHAPE) {
        target->Pen.Style = psDot;
        DrawEllipseRect(target, previewRect);
        if (grabPoint != p1 && grabPoint != p2) {
            DrawCrossMark(target, previewPoint.x, previewPoint.y);
            return;
        }
        DrawCrossMark(target, middle.x, middle.y);
        // The arc from the fixed end to the snapped one.
        if (grabPoint == p1)
            DrawArcBetween(target, middle, p2);
        else
            DrawArcBetween(target, p1, middle);
        return;
    }
    DrawArcBetween(target, p1, p2);
    if (IsHighlightMode(mode)) {
        const TPenStyle style = target->Pen.Style;
        target->Pen.Style = psDot;
        DrawEllipseRect(target, circleRect);
        target->Pen.Style = style;
        for (TPoint handle : {handleTop, handleLeft, handleBottom, handleRight, p1, p2})
            DrawCrossMark(target, handle.x, handle.y);
    }
    DrawPlusMark(target, centre.x, centre.y);
}

void MArc::DrawLabel(int mode, TCanvas* target)
{
    label1 = ruleTool->FormatValue(Span(circleRect.right, circleRect.left) * 0.5, labelValues[0]);
    label2 = MTool::FormatDegMinSec(arcAngle);
    DrawSegment(target, centre, anchor);
    DrawArrowHead(target, centre, anchor);
    DrawLabelBox(mode, target, 1);
    DrawLabelBox(mode, target, 2);
}

TPoint MArc::GetLabelPos(int index) const
{
    if (index == 1)
        return MTool::Midpoint(centre, anchor);
    if (index == 2)
        return anchor;
    return MShape::GetLabelPos(index);
}

TRect MArc::PlaceLabel(int index, const TRect& box) const
{
    // Room between the angle and the name it stands beside.
    constexpr int kNameGap = 3;
    // A text box stands below and right of its point; it is turned about
    // that point to the left and/or upwards.
    const auto turned = [&box](bool left, bool up) {
        const std::int64_t width = std::int64_t(box.right) - box.left;
        const std::int64_t height = std::int64_t(box.bottom) - box.top;
        const std::int64_t x = left ? box.left - width : box.left;
        const std::int64_t y = up ? box.top - height : box.top;
        return TRect{Saturated(x), Saturated(y), Saturated(x + width), Saturated(y + height)};
    };
    const std::int64_t dx = std::int64_t(anchor.x) - centre.x;
    const std::int64_t dy = std::int64_t(anchor.y) - centre.y;
    if (index == 2) {
        // At the tip, on the side away from the centre, where neither the
        // radius line nor the arc passes; the name, drawn up and left of the
        // tip, keeps its place and the angle goes left of it.
        TRect outward = turned(dx < 0, dy < 0);
        if (dx < 0 && dy < 0) {
            const TRect name = NameRect();
            if (name.right > name.left && outward.left < name.right && name.left < outward.right &&
                outward.top < name.bottom && name.top < outward.bottom) {
                const std::int64_t shift = std::int64_t(outward.right) - name.left + kNameGap;
                outward = {Saturated(outward.left - shift), outward.top, Saturated(outward.right - shift),
                           outward.bottom};
            }
        }
        return outward;
    }
    if (index == 1 && (dx > 0) == (dy > 0) && dx != 0 && dy != 0) // a line falling to the right would cross it
        return turned(false, true);
    return box;
}

std::string MArc::GetTag() const { return "A"; }

TPoint MArc::GetCenter() const { return anchor; }

bool MArc::WriteData(MData& data, bool blank) const
{
    const std::string& centreCaption = lan->Texts[kCentreSlot];
    const std::string& radiusCaption = lan->Texts[kRadiusSlot];
    const std::string& beginCaption = lan->Texts[kBeginAngleSlot];
    const std::string& endCaption = lan->Texts[kEndAngleSlot];
    if (blank) {
        data.point.SetValue({0, 0}, centreCaption, false);
        data.length[0].SetValue(0.0, radiusCaption);
        data.angle[0].SetValue(0.0, beginCaption, false);
        data.angle[1].SetValue(0.0, endCaption, false);
        return true;
    }
    // A clockwise arc is the same arc taken from p2's side.
    const TPoint begin = clockwise ? p2 : p1;
    const TPoint end = clockwise ? p1 : p2;
    data.point.SetValue(centre, centreCaption, true);
    data.length[0].SetValue(MTool::Round(Span(circleRect.left, circleRect.right) * 0.5), radiusCaption);
    data.angle[0].SetValue(MTool::VectorAngle(centre, begin), beginCaption, true);
    data.angle[1].SetValue(MTool::VectorAngle(centre, end), endCaption, true);
    return true;
}

bool MArc::ReadData(MData data)
{
    centre = data.point.GetPoint();
    const double r = data.length[0].GetValue();
    p1 = MTool::PolarPoint(centre, r, data.angle[0].GetValue());
    p2 = MTool::PolarPoint(centre, r, data.angle[1].GetValue());
    circleRect = {MTool::RoundToInt(centre.x - r), MTool::RoundToInt(centre.y - r), MTool::RoundToInt(centre.x + r),
                  MTool::RoundToInt(centre.y + r)};
    clockwise = false;
    UpdateHandles();
    return true;
}

std::vector<std::string> MArc::GetDeriveCaptions() const
{
    std::vector<std::string> captions{lan->Texts[kCreateSlot] + lan->Texts[kCentreSlot]};
    if (p1 != p2)
        captions.push_back(lan->Texts[kCreateSlot] + lan->Texts[kChordShapeSlot]);
    return captions;
}

std::vector<std::unique_ptr<MShape>> MArc::MakeDerivedShapes(TCanvas* shapeCanvas, int index) const
{
    std::vector<std::unique_ptr<MShape>> shapes;
    if (index == kDeriveCentre)
        shapes.push_back(MPoint::Create(shapeCanvas, centre.x, centre.y));
    else if (index == kDeriveChord && p1 != p2)
        shapes.push_back(MLine::Create(shapeCanvas, p1.x, p1.y, p2.x, p2.y));
    return shapes;
}
