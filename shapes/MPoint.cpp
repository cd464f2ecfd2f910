#include "shapes/MPoint.h"

#include "platform/gui/TCanvas.h"
#include "settings/MLan.h"
#include "settings/MParam.h"
#include "shapes/MData.h"
#include "shapes/MTool.h"

#include <cstdint>

namespace {

constexpr int kTypeNameSlot = 107;    // "Point"
constexpr int kPointCaptionSlot = 296; // "Center Point"

} // namespace

MPoint::MPoint(TCanvas* defaultCanvas) : MShape(defaultCanvas) { kind = KIND_POINT; }

std::unique_ptr<MPoint> MPoint::Create(TCanvas* defaultCanvas, int x, int y)
{
    auto point = std::make_unique<MPoint>(defaultCanvas);
    point->clicks = 1;
    point->p1 = {x, y};
    point->FinishCreate();
    return point;
}

std::string MPoint::GetTypeName() const { return lan->Texts[kTypeNameSlot]; }

void MPoint::Move(int dx, int dy) { p1 = MTool::AddPoints(p1, {dx, dy}); }

int MPoint::HitTest(int x, int y)
{
    const int tolerance = MTool::TruncToInt(double(param->GetActiveWidth()) + 1);
    return MTool::NearPoint({x, y}, p1, tolerance) ? HIT_BODY : HIT_NONE;
}

int MPoint::GetCursor(int code) const
{
    if (state != STATE_CREATING && (code == EDIT_MOVE || code == HIT_BODY))
        return crCross;
    return MShape::GetCursor(code);
}

bool MPoint::InRect(int left, int top, int right, int bottom) const
{
    return MTool::PointInBounds(p1, left, top, right, bottom);
}

void MPoint::CreateMouseDown(int x, int y)
{
    if (clicks != 0)
        return;
    clicks = 1;
    p1 = {x, y};
    FinishCreate();
}

void MPoint::DrawBody(int mode, TCanvas* target)
{
    if (target == nullptr)
        return;
    const int t = param->GetActiveWidth();
    target->Pen.Style = psSolid;
    if (IsHighlightMode(mode)) {
        DrawCrossMark(target, p1.x, p1.y, MTool::TruncToInt(double(t) + 1));
        return;
    }
    const std::int64_t s = t;
    DrawSegment(target, OffsetPoint(p1, -s, -s), OffsetPoint(p1, s, s));
    DrawSegment(target, OffsetPoint(p1, -s, s), OffsetPoint(p1, s, -s));
    DrawCrossMark(target, p1.x, p1.y, t);
}

std::string MPoint::GetTag() const { return "P"; }

TPoint MPoint::GetCenter() const { return p1; }

bool MPoint::WriteData(MData& data, bool blank) const
{
    const std::string& caption = lan->Texts[kPointCaptionSlot];
    if (blank)
        data.point.SetValue({0, 0}, caption, false);
    else
        data.point.SetValue(p1, caption, true);
    return true;
}

bool MPoint::ReadData(MData data)
{
    p1 = data.point.GetPoint();
    return true;
}
