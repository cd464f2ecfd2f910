#include "shapes/MPointPoint.h"

#include "settings/MLan.h"
#include "shapes/MRuleTool.h"
#include "shapes/MTool.h"

namespace {

constexpr int kDistanceSlot = 84;  // "Distance"
constexpr int kTypeNameSlot = 114; // "Point Point Relation"
constexpr int kMidpointSlot = 295; // "Mid-Point"
constexpr int kLineSlot = 306;     // "Line Of Points"

} // namespace

MPointPoint::MPointPoint(MShape* a, MShape* b, TCanvas* defaultCanvas)
    : MRelation(a, b, defaultCanvas), pointA(dynamic_cast<MPoint*>(a)), pointB(dynamic_cast<MPoint*>(b))
{
    kind = KIND_POINTPOINT;
}

std::string MPointPoint::GetTypeName() const { return lan->Texts[kTypeNameSlot]; }

bool MPointPoint::IsValid() const { return pointA && pointB; }

double MPointPoint::Length() const { return MTool::Distance(pointA->p1, pointB->p1); }

void MPointPoint::BuildResults() { AddResult(lan->Texts[kDistanceSlot], ruleTool->FormatLength(Length())); }

int MPointPoint::HitTest(int x, int y)
{
    if (IsValid() && NearDimensionLine(x, y))
        return HIT_LABEL;
    return MShape::HitTest(x, y);
}

void MPointPoint::DrawBody(int, TCanvas* target)
{
    if (target == nullptr || !IsValid())
        return;
    DrawDimension(target, pointA->p1, pointB->p1);
}

void MPointPoint::DrawLabel(int mode, TCanvas* target)
{
    if (!IsValid())
        return;
    label1 = ruleTool->FormatValue(Length(), labelValues[0]);
    DrawLabelBox(mode, target, 1);
}

TPoint MPointPoint::GetLabelPos(int) const { return dimAnchor; }

bool MPointPoint::WriteData(MData& data, bool blank) const
{
    if (!IsValid())
        return false;
    return WritePoint(data, blank, MTool::Midpoint(pointA->p1, pointB->p1), kMidpointSlot);
}

std::vector<std::string> MPointPoint::GetDeriveCaptions() const
{
    if (!IsValid())
        return {};
    return PointAndLineCaptions(kMidpointSlot, kLineSlot, pointA->p1, pointB->p1);
}

std::vector<std::unique_ptr<MShape>> MPointPoint::MakeDerivedShapes(TCanvas* shapeCanvas, int index) const
{
    if (!IsValid())
        return {};
    const TPoint a = pointA->p1;
    const TPoint b = pointB->p1;
    return MakePointOrLine(shapeCanvas, index, MTool::Midpoint(a, b), a, b);
}
