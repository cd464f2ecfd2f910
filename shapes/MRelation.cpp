#include "shapes/MRelation.h"

#include "platform/gui/TCanvas.h"
#include "settings/MLan.h"
#include "settings/MParam.h"
#include "shapes/MCircleCircle.h"
#include "shapes/MData.h"
#include "shapes/MLine.h"
#include "shapes/MLineCircle.h"
#include "shapes/MLineLine.h"
#include "shapes/MPoint.h"
#include "shapes/MPointLine.h"
#include "shapes/MPointPoint.h"
#include "shapes/MTool.h"

#include <algorithm>
#include <utility>

namespace {

constexpr int kCreateSlot = 303; // "Create "

constexpr int kDerivePoint = 1;
constexpr int kDeriveLine = 2;

// Side of the dimension line that MShape::DrawDimension takes for a line
// running at `angle` degrees.
bool DimensionSide(double angle) { return angle > 90 && angle < 270; }

} // namespace

MRelation::MRelation(MShape* a, MShape* b, TCanvas* defaultCanvas) : MShape(defaultCanvas), shapeA(a), shapeB(b)
{
    const bool sameKind = a && b && a->kind == b->kind;
    if (sameKind && b->number < a->number) {
        shapeA = b;
        shapeB = a;
    }
    FinishCreate();
}

int MRelation::KindFor(const MShape* a, const MShape* b)
{
    if (!a || !b)
        return 0;
    const int lower = std::min(a->GetKind(), b->GetKind());
    const int upper = std::max(a->GetKind(), b->GetKind());
    if (lower == KIND_POINT && upper == KIND_POINT)
        return KIND_POINTPOINT;
    if (lower == KIND_POINT && upper == KIND_LINE)
        return KIND_POINTLINE;
    if (lower == KIND_LINE && upper == KIND_LINE)
        return KIND_LINELINE;
    if (lower == KIND_LINE && upper == KIND_CIRCLE)
        return KIND_LINECIRCLE;
    if (lower == KIND_CIRCLE && upper == KIND_CIRCLE)
        return KIND_CIRCLECIRCLE;
    return 0;
}

std::unique_ptr<MRelation> MRelation::Create(MShape* a, MShape* b, TCanvas* defaultCanvas)
{
    const int kind = KindFor(a, b);
    // Of two kinds, the lower one (point, then line) goes first.
    if (kind != 0 && b->GetKind() < a->GetKind())
        std::swap(a, b);
    switch (kind) {
    case KIND_POINTPOINT: return std::make_unique<MPointPoint>(a, b, defaultCanvas);
    case KIND_POINTLINE: return std::make_unique<MPointLine>(a, b, defaultCanvas);
    case KIND_LINELINE: return std::make_unique<MLineLine>(a, b, defaultCanvas);
    case KIND_LINECIRCLE: return std::make_unique<MLineCircle>(a, b, defaultCanvas);
    case KIND_CIRCLECIRCLE: return std::make_unique<MCircleCircle>(a, b, defaultCanvas);
    default: return nullptr;
    }
}

std::string MRelation::GetDisplayName() const
{
    const auto nameOf = [](const MShape* operand) { return operand ? operand->GetDisplayName() : std::string(); };
    return nameOf(shapeA) + " " + nameOf(shapeB);
}

void MRelation::Move(int dx, int dy)
{
    const TPoint moved = OffsetPoint(dimStart, dx, dy);
    const double distance = MTool::PointLineDistance(dimStart, dimEnd, moved);
    const double lineAngle = MTool::VectorAngle(dimStart, dimEnd);
    const double dragAngle = MTool::VectorAngle(dimStart, moved);
    const int turn = MTool::TruncToInt(dragAngle - lineAngle + 360) % 360;
    // The drag goes away from the measured points when it turns to the side
    // on which the dimension line is drawn.
    const bool away = (turn < 180) == DimensionSide(lineAngle);
    dimOffset = MTool::TruncToInt(double(dimOffset) + (away ? distance : -distance));
}

int MRelation::GetCursor(int code) const
{
    return code == EDIT_MOVE || code == HIT_LABEL ? crSizeAll : crDefault;
}

void MRelation::Draw(int mode, TCanvas* target)
{
    target = DrawTarget(target);
    if (target == nullptr)
        return;
    BeginDrawing(mode);

    const int penOption = mode == DRAW_ACTIVE ? OPT_COLOR_ACTIVE : OPT_COLOR_MARK;
    const TColor penColor = static_cast<TColor>(param->GetColor(penOption));
    const auto setPen = [&] {
        target->Pen.Color = penColor;
        target->Pen.Style = psSolid;
        target->Brush.Style = bsClear;
    };
    setPen();
    target->Brush.Color = static_cast<TColor>(param->GetColor(OPT_COLOR_BRUSH));
    DrawBody(mode, target);
    // The body may have changed the pen and brush.
    setPen();
    if (param->BoolValue(OPT_VIEW_MARK)) {
        target->Font.Color = static_cast<TColor>(param->GetColor(OPT_COLOR_MARK));
        DrawLabel(mode, target);
    }
}

bool MRelation::NearDimensionLine(int x, int y) const
{
    return MTool::NearSegment(dimStart, dimEnd, {x, y}, param->GetActiveWidth());
}

void MRelation::DrawFootDimension(TCanvas* target, TPoint l1, TPoint l2, TPoint point, TPoint& foot,
                                  TPoint& extEnd)
{
    foot = MTool::FootOfPerpendicular(l1, l2, point);
    extEnd = MTool::NearerEndOutside(l1, l2, foot);
    if (!MTool::IsZeroPoint(extEnd))
        DrawSegment(target, foot, extEnd);
    DrawDimension(target, foot, point);
}

int MRelation::HitFootDimension(int x, int y, TPoint foot, TPoint extEnd)
{
    if (NearDimensionLine(x, y))
        return HIT_LABEL;
    if (!MTool::IsZeroPoint(extEnd) && MTool::NearSegment(extEnd, foot, {x, y}, param->GetActiveWidth()))
        return HIT_BODY;
    return MShape::HitTest(x, y);
}

bool MRelation::WritePoint(MData& data, bool blank, TPoint point, int captionSlot) const
{
    if (blank)
        return false;
    data.SetEditable(false);
    data.point.SetValue(point, lan->Texts[captionSlot], true);
    return true;
}

std::string MRelation::DeriveCaption(int slot) const { return lan->Texts[kCreateSlot] + lan->Texts[slot]; }

std::vector<std::string> MRelation::PointAndLineCaptions(int pointSlot, int lineSlot, TPoint from, TPoint to) const
{
    std::vector<std::string> captions{DeriveCaption(pointSlot)};
    if (!MTool::PointsEqual(from, to))
        captions.push_back(DeriveCaption(lineSlot));
    return captions;
}

std::vector<std::unique_ptr<MShape>> MRelation::MakePointOrLine(TCanvas* shapeCanvas, int index, TPoint at,
                                                                TPoint from, TPoint to)
{
    std::vector<std::unique_ptr<MShape>> shapes;
    if (index == kDerivePoint)
        shapes.push_back(MPoint::Create(shapeCanvas, at.x, at.y));
    else if (index == kDeriveLine && !MTool::PointsEqual(from, to))
        shapes.push_back(MLine::Create(shapeCanvas, from.x, from.y, to.x, to.y));
    return shapes;
}
