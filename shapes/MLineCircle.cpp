#include "shapes/MLineCircle.h"

#include "settings/MLan.h"
#include "shapes/MRuleTool.h"
#include "shapes/MTool.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kChordSlot = 80;              // "Chord"
constexpr int kRelationSlot = 85;           // "Relation"
constexpr int kIntersectSlot = 89;          // "Intersect"
constexpr int kTangentSlot = 92;            // "Tangent"
constexpr int kNotIntersectSlot = 95;       // "Not Intersect"
constexpr int kThroughCentreSlot = 96;      // "Line Pass Circle's Center"
constexpr int kDistanceSlot = 102;          // "Distance of center to line"
constexpr int kTypeNameSlot = 117;          // "Line Circle Relation"
constexpr int kPerpendicularSlot = 302;     // "Perpendicular"
constexpr int kPerpendicularLineSlot = 309; // "Perpendicular Line"

} // namespace

MLineCircle::MLineCircle(MShape* a, MShape* b, TCanvas* defaultCanvas)
    : MRelation(a, b, defaultCanvas), line(dynamic_cast<MLine*>(a)), circle(dynamic_cast<MCircle*>(b))
{
    kind = KIND_LINECIRCLE;
}

std::string MLineCircle::GetTypeName() const { return lan->Texts[kTypeNameSlot]; }

bool MLineCircle::IsValid() const { return line && circle && line->GetLength() > 0; }

TPoint MLineCircle::Foot() const { return MTool::FootOfPerpendicular(line->p1, line->p2, circle->center); }

double MLineCircle::Radius() const { return circle->GetDiameter() * 0.5; }

void MLineCircle::BuildResults()
{
    // The distance is measured to the rounded foot, as drawn.
    foot = Foot();
    const TPoint centre = circle->center;
    const double r = Radius();
    const double e = MTool::Distance(centre, foot);
    const int position = MTool::CompareDistance(centre, foot, r);
    const int text = position == 0 ? kTangentSlot : (position < 0 ? kIntersectSlot : kNotIntersectSlot);
    AddResult(lan->Texts[kRelationSlot], lan->Texts[text]);
    if (MTool::PointsEqual(centre, foot))
        AddResult(lan->Texts[kRelationSlot], lan->Texts[kThroughCentreSlot]);
    AddResult(lan->Texts[kDistanceSlot], ruleTool->FormatLength(e));
    if (position < 0)
        AddResult(lan->Texts[kChordSlot], ruleTool->FormatLength(2 * std::sqrt(std::max(0.0, r * r - e * e))));
}

int MLineCircle::HitTest(int x, int y)
{
    if (!IsValid())
        return MShape::HitTest(x, y);
    return HitFootDimension(x, y, foot, extEnd);
}

void MLineCircle::DrawBody(int, TCanvas* target)
{
    if (target == nullptr || !IsValid())
        return;
    DrawFootDimension(target, line->p1, line->p2, circle->center, foot, extEnd);
}

void MLineCircle::DrawLabel(int mode, TCanvas* target)
{
    if (!IsValid())
        return;
    label1 = ruleTool->FormatValue(MTool::Distance(circle->center, Foot()), labelValues[0]);
    DrawLabelBox(mode, target, 1);
}

TPoint MLineCircle::GetLabelPos(int) const { return dimAnchor; }

bool MLineCircle::WriteData(MData& data, bool blank) const
{
    if (!IsValid())
        return false;
    return WritePoint(data, blank, Foot(), kPerpendicularSlot);
}

std::vector<std::string> MLineCircle::GetDeriveCaptions() const
{
    if (!IsValid())
        return {};
    return PointAndLineCaptions(kPerpendicularSlot, kPerpendicularLineSlot, circle->center, Foot());
}

std::vector<std::unique_ptr<MShape>> MLineCircle::MakeDerivedShapes(TCanvas* shapeCanvas, int index) const
{
    if (!IsValid())
        return {};
    const TPoint f = Foot();
    return MakePointOrLine(shapeCanvas, index, f, circle->center, f);
}
