#include "shapes/MPointLine.h"

#include "settings/MLan.h"
#include "shapes/MRuleTool.h"
#include "shapes/MTool.h"

namespace {

constexpr int kDistanceSlot = 100;          // "Distance of point to line"
constexpr int kTypeNameSlot = 115;          // "Point Line Relation"
constexpr int kPerpendicularSlot = 302;     // "Perpendicular"
constexpr int kPerpendicularLineSlot = 309; // "Perpendicular Line"

} // namespace

MPointLine::MPointLine(MShape* a, MShape* b, TCanvas* defaultCanvas)
    : MRelation(a, b, defaultCanvas), point(dynamic_cast<MPoint*>(a)), line(dynamic_cast<MLine*>(b))
{
    kind = KIND_POINTLINE;
}

std::string MPointLine::GetTypeName() const { return lan->Texts[kTypeNameSlot]; }

bool MPointLine::IsValid() const { return point && line && line->GetLength() > 0; }

double MPointLine::Distance() const { return MTool::PointLineDistance(line->p1, line->p2, point->p1); }

TPoint MPointLine::Foot() const { return MTool::FootOfPerpendicular(line->p1, line->p2, point->p1); }

void MPointLine::BuildResults() { AddResult(lan->Texts[kDistanceSlot], ruleTool->FormatLength(Distance())); }

int MPointLine::HitTest(int x, int y)
{
    if (!IsValid())
        return MShape::HitTest(x, y);
    return HitFootDimension(x, y, foot, extEnd);
}

void MPointLine::DrawBody(int, TCanvas* target)
{
    if (target == nullptr || !IsValid())
        return;
    DrawFootDimension(target, line->p1, line->p2, point->p1, foot, extEnd);
}

void MPointLine::DrawLabel(int mode, TCanvas* target)
{
    if (!IsValid())
        return;
    label1 = ruleTool->FormatValue(Distance(), labelValues[0]);
    DrawLabelBox(mode, target, 1);
}

TPoint MPointLine::GetLabelPos(int) const { return dimAnchor; }

bool MPointLine::WriteData(MData& data, bool blank) const
{
    if (!IsValid())
        return false;
    return WritePoint(data, blank, Foot(), kPerpendicularSlot);
}

std::vector<std::string> MPointLine::GetDeriveCaptions() const
{
    if (!IsValid())
        return {};
    return PointAndLineCaptions(kPerpendicularSlot, kPerpendicularLineSlot, point->p1, Foot());
}

std::vector<std::unique_ptr<MShape>> MPointLine::MakeDerivedShapes(TCanvas* shapeCanvas, int index) const
{
    if (!IsValid())
        return {};
    const TPoint f = Foot();
    return MakePointOrLine(shapeCanvas, index, f, point->p1, f);
}
