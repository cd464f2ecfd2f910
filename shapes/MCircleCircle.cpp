#include "shapes/MCircleCircle.h"

#include "settings/MLan.h"
#include "shapes/MLine.h"
#include "shapes/MRuleTool.h"
#include "shapes/MTool.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kChordSlot = 80;           // "Chord"
constexpr int kRelationSlot = 85;        // "Relation"
constexpr int kIntersectSlot = 89;       // "Intersect"
constexpr int kCircumscribeSlot = 93;    // "Circumscribe"
constexpr int kInscribeSlot = 94;        // "Inscribe"
constexpr int kSameCentreSlot = 97;      // "Two Circles Same Center"
constexpr int kIncludeSlot = 98;         // "One Include Another"
constexpr int kSeparateSlot = 99;        // "Seperate"
constexpr int kCentreDistanceSlot = 104; // "Distance of two centers"
constexpr int kTypeNameSlot = 118;       // "Circle Circle Relation"
constexpr int kMidpointSlot = 295;       // "Mid-Point"
constexpr int kOuterTangentSlot = 310;   // "Circumscribe Line"
constexpr int kInnerTangentSlot = 311;   // "Inscribe Line"
constexpr int kCommonChordSlot = 312;    // "Common Chord"

// What the two derive captions make, by position.
enum class Construction { None, OuterTangents, InnerTangents, CommonChord };

Construction ConstructionOf(int position, int index)
{
    switch (position) {
    case CC_SEPARATE:
    case CC_CIRCUMSCRIBE:
        return index == 1 ? Construction::OuterTangents
               : index == 2 ? Construction::InnerTangents
                            : Construction::None;
    case CC_INTERSECT:
        return index == 1 ? Construction::OuterTangents
               : index == 2 ? Construction::CommonChord
                            : Construction::None;
    case CC_INSCRIBE:
        return index == 1 ? Construction::OuterTangents : Construction::None;
    default:
        return Construction::None;
    }
}

int CaptionSlotOf(Construction construction)
{
    switch (construction) {
    case Construction::OuterTangents: return kOuterTangentSlot;
    case Construction::InnerTangents: return kInnerTangentSlot;
    default: return kCommonChordSlot;
    }
}

double RadiusOf(const MCircle& circle) { return circle.GetDiameter() * 0.5; }

// The angle, in degrees, whose sine is `ratio`; a ratio that rounding has
// carried past 1 counts as 1.
double AsinDegrees(double ratio) { return MTool::RadToDeg(std::asin(std::clamp(ratio, -1.0, 1.0))); }

// The line from `from` to `to`, as a new finished shape.
std::unique_ptr<MShape> NewLine(TCanvas* shapeCanvas, TPoint from, TPoint to)
{
    return MLine::Create(shapeCanvas, from.x, from.y, to.x, to.y);
}

// The segment through p at right angles to the direction `angle`,
// `halfLength` to either side of p: a tangent at a touching point, or a chord
// about its midpoint.
std::unique_ptr<MShape> SegmentAcross(TCanvas* shapeCanvas, TPoint p, double halfLength, double angle)
{
    return NewLine(shapeCanvas, MTool::PolarPoint(p, halfLength, angle + 90),
                   MTool::PolarPoint(p, halfLength, angle + 270));
}

} // namespace

MCircleCircle::MCircleCircle(MShape* a, MShape* b, TCanvas* defaultCanvas)
    : MRelation(a, b, defaultCanvas), circleA(dynamic_cast<MCircle*>(a)), circleB(dynamic_cast<MCircle*>(b))
{
    kind = KIND_CIRCLECIRCLE;
}

std::string MCircleCircle::GetTypeName() const { return lan->Texts[kTypeNameSlot]; }

bool MCircleCircle::IsValid() const { return circleA && circleB; }

double MCircleCircle::CentreDistance() const { return MTool::Distance(circleA->center, circleB->center); }

bool MCircleCircle::IsConcentric() const { return MTool::PointsEqual(circleA->center, circleB->center); }

int MCircleCircle::GetPosition() const
{
    const TPoint c1 = circleA->center;
    const TPoint c2 = circleB->center;
    const double r1 = RadiusOf(*circleA);
    const double r2 = RadiusOf(*circleB);
    const double sum = r1 + r2;
    const double difference = std::fabs(r1 - r2);
    const int toSum = MTool::CompareDistance(c1, c2, sum);
    if (toSum > 0)
        return CC_SEPARATE;
    if (toSum == 0)
        return sum == 0 ? CC_NONE : CC_CIRCUMSCRIBE;
    const int toDifference = MTool::CompareDistance(c1, c2, difference);
    if (toDifference > 0)
        return CC_INTERSECT;
    if (toDifference == 0)
        return difference == 0 ? CC_NONE : CC_INSCRIBE;
    return CC_INCLUDE;
}

double MCircleCircle::ChordLength(const MCircle& x, const MCircle& y)
{
    const double d = MTool::Distance(x.center, y.center);
    if (d == 0)
        return 0;
    const double larger = std::max(RadiusOf(x), RadiusOf(y));
    const double smaller = std::min(RadiusOf(x), RadiusOf(y));
    // Distance from the smaller circle's centre to the line of the chord.
    const double toChord = std::fabs((smaller * smaller - larger * larger + d * d) / (2 * d));
    if (toChord > smaller)
        return 0;
    return 2 * std::sqrt(smaller * smaller - toChord * toChord);
}

void MCircleCircle::BuildResults()
{
    const int position = GetPosition();
    const int positionSlots[] = {0, kSeparateSlot, kCircumscribeSlot, kIntersectSlot, kInscribeSlot, kIncludeSlot};
    if (position != CC_NONE)
        AddResult(lan->Texts[kRelationSlot], lan->Texts[positionSlots[position]]);
    if (position == CC_INTERSECT)
        AddResult(lan->Texts[kChordSlot], ruleTool->FormatLength(ChordLength(*circleA, *circleB)));
    if (IsConcentric())
        AddResult(lan->Texts[kRelationSlot], lan->Texts[kSameCentreSlot]);
    else
        AddResult(lan->Texts[kCentreDistanceSlot], ruleTool->FormatLength(CentreDistance()));
}

int MCircleCircle::HitTest(int x, int y)
{
    if (IsValid() && NearDimensionLine(x, y))
        return HIT_LABEL;
    return MShape::HitTest(x, y);
}

void MCircleCircle::DrawBody(int, TCanvas* target)
{
    if (target == nullptr || !IsValid())
        return;
    DrawDimension(target, circleA->center, circleB->center);
}

void MCircleCircle::DrawLabel(int mode, TCanvas* target)
{
    if (!IsValid())
        return;
    label1 = ruleTool->FormatValue(CentreDistance(), labelValues[0]);
    DrawLabelBox(mode, target, 1);
}

TPoint MCircleCircle::GetLabelPos(int) const { return dimAnchor; }

bool MCircleCircle::WriteData(MData& data, bool blank) const
{
    if (!IsValid())
        return false;
    return WritePoint(data, blank, MTool::Midpoint(circleA->center, circleB->center), kMidpointSlot);
}

bool MCircleCircle::OffersConstructions() const
{
    return IsValid() && circleA->GetDiameter() > 0 && circleB->GetDiameter() > 0;
}

std::vector<std::string> MCircleCircle::GetDeriveCaptions() const
{
    std::vector<std::string> captions;
    if (!OffersConstructions())
        return captions;
    const int position = GetPosition();
    for (int index = 1; index <= 2; ++index) {
        const Construction construction = ConstructionOf(position, index);
        if (construction != Construction::None)
            captions.push_back(DeriveCaption(CaptionSlotOf(construction)));
    }
    return captions;
}

std::vector<std::unique_ptr<MShape>> MCircleCircle::MakeDerivedShapes(TCanvas* shapeCanvas, int index) const
{
    if (!OffersConstructions())
        return {};
    switch (ConstructionOf(GetPosition(), index)) {
    case Construction::OuterTangents: return MakeOuterTangents(shapeCanvas);
    case Construction::InnerTangents: return MakeInnerTangents(shapeCanvas);
    case Construction::CommonChord: return MakeCommonChord(shapeCanvas);
    default: return {};
    }
}

std::vector<std::unique_ptr<MShape>> MCircleCircle::MakeOuterTangents(TCanvas* shapeCanvas) const
{
    const double r1 = RadiusOf(*circleA);
    const double r2 = RadiusOf(*circleB);
    // The first circle counts as the smaller one on equal radii.
    const bool firstSmaller = r1 <= r2;
    const TPoint small = firstSmaller ? circleA->center : circleB->center;
    const TPoint large = firstSmaller ? circleB->center : circleA->center;
    const double rs = std::min(r1, r2);
    const double rl = std::max(r1, r2);
    const double difference = std::fabs(r1 - r2);

    std::vector<std::unique_ptr<MShape>> lines;
    if (MTool::CompareDistance(small, large, difference) == 0) {
        // Touching from inside: the one tangent at the touching point.
        const double a = MTool::VectorAngle(large, small);
        lines.push_back(SegmentAcross(shapeCanvas, MTool::PolarPoint(large, rl, a), rl, a));
        return lines;
    }
    const double t = AsinDegrees(difference / MTool::Distance(small, large));
    const double a = MTool::VectorAngle(small, large);
    for (const double contact : {a + t + 90, a - t - 90})
        lines.push_back(NewLine(shapeCanvas, MTool::PolarPoint(small, rs, contact),
                                MTool::PolarPoint(large, rl, contact)));
    return lines;
}

std::vector<std::unique_ptr<MShape>> MCircleCircle::MakeInnerTangents(TCanvas* shapeCanvas) const
{
    const TPoint c1 = circleA->center;
    const TPoint c2 = circleB->center;
    const double r1 = RadiusOf(*circleA);
    const double r2 = RadiusOf(*circleB);
    const double rl = std::max(r1, r2);
    const double sum = r1 + r2;

    std::vector<std::unique_ptr<MShape>> lines;
    if (MTool::CompareDistance(c1, c2, sum) == 0) {
        // Touching from outside: the one tangent at the touching point.
        const double a = MTool::VectorAngle(c1, c2);
        lines.push_back(SegmentAcross(shapeCanvas, MTool::PolarPoint(c1, r1, a), rl, a));
        return lines;
    }
    const bool firstSmaller = r1 <= r2;
    const TPoint small = firstSmaller ? c1 : c2;
    const TPoint large = firstSmaller ? c2 : c1;
    const double rs = std::min(r1, r2);
    const double t = AsinDegrees(sum / MTool::Distance(c1, c2));
    const double a = MTool::VectorAngle(small, large);
    for (const double contact : {a - t + 90, a + t - 90})
        lines.push_back(NewLine(shapeCanvas, MTool::PolarPoint(small, rs, contact),
                                MTool::PolarPoint(large, rl, contact + 180)));
    return lines;
}

std::vector<std::unique_ptr<MShape>> MCircleCircle::MakeCommonChord(TCanvas* shapeCanvas) const
{
    std::vector<std::unique_ptr<MShape>> lines;
    const TPoint c1 = circleA->center;
    const TPoint c2 = circleB->center;
    const double r1 = RadiusOf(*circleA);
    const double r2 = RadiusOf(*circleB);
    const double d = MTool::Distance(c1, c2);
    if (r1 == 0 || d == 0)
        return lines;
    const double halfChord = ChordLength(*circleA, *circleB) * 0.5;
    // Signed distance from the first centre, towards the second, to the
    // chord's midpoint: negative when the first centre lies beyond the chord.
    const double toMiddle = (d * d + r1 * r1 - r2 * r2) / (2 * d);
    const double a = MTool::VectorAngle(c1, c2);
    lines.push_back(SegmentAcross(shapeCanvas, MTool::PolarPoint(c1, toMiddle, a), halfChord, a));
    return lines;
}
