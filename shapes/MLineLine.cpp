#include "shapes/MLineLine.h"

#include "platform/gui/TCanvas.h"
#include "settings/MLan.h"
#include "settings/MParam.h"
#include "shapes/MData.h"
#include "shapes/MPoint.h"
#include "shapes/MRuleTool.h"
#include "shapes/MTool.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kRelationSlot = 85;          // "Relation"
constexpr int kAngleSlot = 86;             // "Angle"
constexpr int kSupplementSlot = 88;        // "Supplementary Angle"
constexpr int kIntersectSlot = 89;         // "Intersect"
constexpr int kPerpendicularSlot = 90;     // "Perpendicular"
constexpr int kParallelSlot = 91;          // "Parallel"
constexpr int kParallelDistanceSlot = 101; // "Distance of parallel lines"
constexpr int kTypeNameSlot = 116;         // "Line Line Relation"
constexpr int kIntersectionSlot = 301;     // "Intersect" (derive caption and record)
constexpr int kBisectorSlot = 307;         // "Angle Bisector"

constexpr int kDeriveIntersection = 1;
constexpr int kDeriveBisectors = 2;

// Slack of the end tests: an intersection within this of a segment's end
// counts as lying at that end.
constexpr double kEndSlack = 2.0;
// Half the tick drawn across each end of the arc.
constexpr double kTickHalf = 6.0;
// Where the arrowheads start: this far before the arc, and this long.
constexpr double kFirstArrowInset = 1.5;
constexpr double kSecondArrowInset = 2.0;
constexpr double kArrowReach = 20.0;

// The angle between the rays from `apex` through x and through y, 0 to 180.
double RayAngle(TPoint apex, TPoint x, TPoint y)
{
    const double g = std::fabs(MTool::VectorAngle(apex, x) - MTool::VectorAngle(apex, y));
    return g > 180 ? 360 - g : g;
}

// An angle computed as a right angle carries rounding error; it counts as
// one when its degree text would read 90°0′0″.
bool IsRightAngle(double degrees) { return std::fabs(degrees - 90) <= TRUNCATION_SLACK; }

// p lies inside the segment a-b, more than the slack away from both ends.
bool InsideSegment(TPoint a, TPoint b, TPoint p)
{
    const double toA = MTool::Distance(p, a);
    const double toB = MTool::Distance(p, b);
    return toA > kEndSlack && toB > kEndSlack && toA + toB <= MTool::Distance(a, b) + kEndSlack;
}

// The direction from p towards the end of a-b farther from it.
double FarDirection(TPoint a, TPoint b, TPoint p)
{
    return MTool::Distance(p, a) > MTool::Distance(p, b) ? MTool::VectorAngle(b, a) : MTool::VectorAngle(a, b);
}

} // namespace

MLineLine::MLineLine(MShape* a, MShape* b, TCanvas* defaultCanvas)
    : MRelation(a, b, defaultCanvas), lineA(dynamic_cast<MLine*>(a)), lineB(dynamic_cast<MLine*>(b))
{
    kind = KIND_LINELINE;
}

std::string MLineLine::GetTypeName() const { return lan->Texts[kTypeNameSlot]; }

bool MLineLine::IsValid() const
{
    return lineA && lineB && lineA->GetLength() > 0 && lineB->GetLength() > 0;
}

bool MLineLine::Intersecting() const { return MTool::IsIntersecting(lineA->p1, lineA->p2, lineB->p1, lineB->p2); }

bool MLineLine::Parallel() const { return MTool::IsParallel(lineA->p1, lineA->p2, lineB->p1, lineB->p2); }

TPoint MLineLine::Intersection() const
{
    return MTool::LineIntersection(lineA->p1, lineA->p2, lineB->p1, lineB->p2);
}

double MLineLine::AcuteAngle() const
{
    double delta = std::fabs(MTool::VectorAngle(lineA->p1, lineA->p2) - MTool::VectorAngle(lineB->p1, lineB->p2));
    if (delta > 180)
        delta -= 180;
    if (delta > 90)
        delta = 180 - delta;
    return delta;
}

double MLineLine::ShownAngle() const { return IsObtuse() ? 180 - AcuteAngle() : AcuteAngle(); }

double MLineLine::ParallelDistance() const { return MTool::PointLineDistance(lineA->p1, lineA->p2, lineB->p1); }

bool MLineLine::IsObtuse() const
{
    const TPoint i = Intersection();
    if (InsideSegment(lineA->p1, lineA->p2, i) || InsideSegment(lineB->p1, lineB->p2, i))
        return false;
    double d = std::fabs(FarDirection(lineA->p1, lineA->p2, i) - FarDirection(lineB->p1, lineB->p2, i));
    if (d > 180)
        d = 360 - d;
    return d >= 90;
}

void MLineLine::BuildResults()
{
    if (Intersecting()) {
        const double delta = AcuteAngle();
        const double shown = ShownAngle();
        AddResult(lan->Texts[kRelationSlot], lan->Texts[IsRightAngle(delta) ? kPerpendicularSlot : kIntersectSlot]);
        AddResult(lan->Texts[kAngleSlot], MTool::FormatDegMinSec(shown));
        AddResult(lan->Texts[kSupplementSlot], MTool::FormatDegMinSec(180 - shown));
    } else if (Parallel()) {
        AddResult(lan->Texts[kRelationSlot], lan->Texts[kParallelSlot]);
        AddResult(lan->Texts[kParallelDistanceSlot], ruleTool->FormatLength(ParallelDistance()));
    }
}

void MLineLine::Move(int dx, int dy)
{
    if (!IsValid() || Parallel()) {
        MRelation::Move(dx, dy);
        return;
    }
    const TPoint middle = MTool::Midpoint(dimStart, dimEnd);
    const TPoint moved = OffsetPoint(middle, dx, dy);
    const double distance = MTool::PointLineDistance(dimStart, dimEnd, moved);
    const double outward = MTool::VectorAngle(vertex, middle);
    const double drag = MTool::VectorAngle(middle, moved);
    const int turn = MTool::TruncToInt(drag - outward + 360) % 360;
    const bool away = turn < 90 || turn > 270;
    arcOffset = MTool::TruncToInt(double(arcOffset) + (away ? distance : -distance));
    arcOffset = std::min(arcOffset, kMaxArcOffset);
}

int MLineLine::HitTest(int x, int y)
{
    if (IsValid()) {
        if (Intersecting()) {
            const int hit = HitIntersecting(x, y);
            if (hit != HIT_NONE)
                return hit;
        } else if (Parallel()) {
            const int tolerance = param->GetActiveWidth();
            if (NearDimensionLine(x, y))
                return HIT_LABEL;
            if (!MTool::IsZeroPoint(ext1) && MTool::NearSegment(ext1, vertex, {x, y}, tolerance))
                return HIT_BODY;
        }
    }
    return MShape::HitTest(x, y);
}

int MLineLine::HitIntersecting(int x, int y) const
{
    const int tolerance = param->GetActiveWidth();
    const TPoint mouse{x, y};
    for (TPoint end : {ext1, ext2})
        if (!MTool::IsZeroPoint(end) && MTool::NearSegment(end, vertex, mouse, tolerance))
            return HIT_BODY;

    const double u = MTool::VectorAngle(vertex, dimStart);
    const double v = MTool::VectorAngle(vertex, dimEnd);
    const double w = MTool::VectorAngle(vertex, mouse);
    bool inSector;
    if (u <= v)
        inSector = v - u <= 180 ? (u < w && w < v) : (w < u || w > v);
    else
        inSector = u - v < 180 ? (v < w && w < u) : (w > u || w < v);
    if (!inSector)
        return HIT_NONE;
    const double radius = MTool::Distance(vertex, dimStart);
    const TRect square{MTool::TruncToInt(vertex.x - radius), MTool::TruncToInt(vertex.y - radius),
                       MTool::TruncToInt(vertex.x + radius), MTool::TruncToInt(vertex.y + radius)};
    return MTool::NearEllipse(mouse, square, tolerance) ? HIT_LABEL : HIT_NONE;
}

void MLineLine::DrawBody(int, TCanvas* target)
{
    if (target == nullptr || !IsValid())
        return;
    if (Intersecting())
        DrawIntersecting(target);
    else if (Parallel())
        DrawParallel(target);
}

void MLineLine::DrawIntersecting(TCanvas* target)
{
    vertex = Intersection();
    ext1 = MTool::NearerEndOutside(lineA->p1, lineA->p2, vertex);
    ext2 = MTool::NearerEndOutside(lineB->p1, lineB->p2, vertex);
    for (TPoint end : {ext1, ext2})
        if (!MTool::IsZeroPoint(end))
            DrawSegment(target, vertex, end);
    DrawAngleArc(target);
}

void MLineLine::DrawParallel(TCanvas* target)
{
    mid = MTool::Midpoint(lineA->p1, lineA->p2);
    vertex = MTool::FootOfPerpendicular(lineB->p1, lineB->p2, mid);
    ext1 = MTool::NearerEndOutside(lineB->p1, lineB->p2, vertex);
    if (!MTool::IsZeroPoint(ext1))
        DrawSegment(target, vertex, ext1);
    DrawDimension(target, mid, vertex);
}

void MLineLine::DrawAngleArc(TCanvas* target)
{
    if (target == nullptr || !IsValid())
        return;
    const TPoint a1 = lineA->p1, a2 = lineA->p2, b1 = lineB->p1, b2 = lineB->p2;
    const TPoint i = Intersection();
    const double toA1 = MTool::Distance(i, a1);
    const double toA2 = MTool::Distance(i, a2);

    // The two rays from the intersection that enclose the angle shown.
    TPoint rayA = MTool::FartherPoint(i, a1, a2);
    TPoint rayB = MTool::FartherPoint(i, b1, b2);
    if (!IsObtuse()) {
        // A segment the intersection lies inside offers both its ends; take
        // the one that makes an acute angle with the other line's ray.
        if (InsideSegment(a1, a2, i)) {
            const double g = RayAngle(i, a1, rayB);
            if (!IsRightAngle(g))
                rayA = g > 90 ? a2 : a1;
        } else if (InsideSegment(b1, b2, i)) {
            const double g = RayAngle(i, rayA, b1);
            if (!IsRightAngle(g))
                rayB = g > 90 ? b2 : b1;
        }
    }

    double radius = 0.5 * std::max(toA1, toA2) + arcOffset;
    if (radius < kMinArcRadius) {
        arcOffset = MTool::TruncToInt(arcOffset + kMinArcRadius - radius);
        radius = kMinArcRadius;
    }

    // The arc runs counter-clockwise on screen from the first ray to the
    // second, so the first is the one that sweeps the angle below 180.
    const double u = MTool::VectorAngle(i, rayA);
    const double v = MTool::VectorAngle(i, rayB);
    const bool firstIsA = (u > v && u - v < 180) || (u < v && v - u > 180);
    const TPoint first = firstIsA ? rayA : rayB;
    const TPoint second = firstIsA ? rayB : rayA;

    const auto drawEnd = [&](TPoint ray, double inset, bool side) {
        const TPoint tickEnd = MTool::PointAlong(i, ray, radius + kTickHalf);
        DrawSegment(target, MTool::PointAlong(i, ray, radius - kTickHalf), tickEnd);
        const TPoint base = MTool::PointAlong(i, ray, radius - inset);
        const TPoint tail = MTool::PerpendicularPoint(base, tickEnd, kArrowReach, side);
        const TPoint tip = MTool::PointAlong(i, ray, radius);
        DrawArrowHead(target, tail, tip);
        return tip;
    };
    dimStart = drawEnd(first, kFirstArrowInset, false);
    dimEnd = drawEnd(second, kSecondArrowInset, true);

    // The magnifier shows the ticks and arrowheads, not the arc.
    target->Arc(MTool::TruncToInt(i.x - radius), MTool::TruncToInt(i.y - radius), MTool::TruncToInt(i.x + radius),
                MTool::TruncToInt(i.y + radius), dimStart.x, dimStart.y, dimEnd.x, dimEnd.y);
    dimAnchor = MTool::Midpoint(dimStart, dimEnd);
}

void MLineLine::DrawLabel(int mode, TCanvas* target)
{
    if (!IsValid())
        return;
    if (Intersecting())
        label1 = MTool::FormatDegMinSec(ShownAngle());
    else if (Parallel())
        label1 = ruleTool->FormatValue(ParallelDistance(), labelValues[0]);
    DrawLabelBox(mode, target, 1);
}

TPoint MLineLine::GetLabelPos(int) const { return dimAnchor; }

bool MLineLine::WriteData(MData& data, bool blank) const
{
    if (blank || !IsValid())
        return false;
    if (!Intersecting()) {
        data.SetEditable(false);
        return false;
    }
    return WritePoint(data, blank, Intersection(), kIntersectionSlot);
}

std::vector<std::string> MLineLine::GetDeriveCaptions() const
{
    if (!IsValid() || !Intersecting())
        return {};
    return {DeriveCaption(kIntersectionSlot), DeriveCaption(kBisectorSlot)};
}

std::vector<std::unique_ptr<MShape>> MLineLine::MakeDerivedShapes(TCanvas* shapeCanvas, int index) const
{
    std::vector<std::unique_ptr<MShape>> shapes;
    if (!IsValid() || !Intersecting())
        return shapes;
    const TPoint i = Intersection();
    if (index == kDeriveIntersection) {
        shapes.push_back(MPoint::Create(shapeCanvas, i.x, i.y));
    } else if (index == kDeriveBisectors) {
        double direction =
            (MTool::VectorAngle(lineA->p1, lineA->p2) + MTool::VectorAngle(lineB->p1, lineB->p2)) * 0.5;
        const double halfLength = (lineA->GetLength() + lineB->GetLength()) * 0.25;
        for (int k = 0; k < 2; ++k, direction += 90) {
            const TPoint from = MTool::PolarPoint(i, halfLength, direction);
            const TPoint to = MTool::PolarPoint(i, halfLength, direction + 180);
            shapes.push_back(MLine::Create(shapeCanvas, from.x, from.y, to.x, to.y));
        }
    }
    return shapes;
}
