#include "shapes/MMark.h"

#include "platform/gui/TCanvas.h"
#include "settings/MLan.h"
#include "settings/MParam.h"
#include "shapes/MData.h"
#include "shapes/MTool.h"

namespace {

constexpr int kPointCaptionSlot = 296; // "Center Point"

} // namespace

MMark::MMark(TCanvas* defaultCanvas) : MShape(defaultCanvas), text("Text") { kind = KIND_MARK; }

TRect MMark::TextBox() const { return tool->TextRect(p1.x, p1.y, text); }

TPoint MMark::NearestUnderlineEnd(TPoint point) const
{
    const TRect box = TextBox();
    const TPoint left{box.left, box.bottom};
    const TPoint right{box.right, box.bottom};
    return MTool::Distance(point, right) < MTool::Distance(point, left) ? right : left;
}

void MMark::Move(int dx, int dy)
{
    p1 = MTool::AddPoints(p1, {dx, dy});
    p2 = MTool::AddPoints(p2, {dx, dy});
}

int MMark::HitTest(int x, int y)
{
    const int tolerance = param->GetActiveWidth();
    const TPoint mouse{x, y};
    if (MTool::NearPoint(p2, mouse, tolerance)) {
        grabPoint = p2;
        return HIT_POINT;
    }
    if (MTool::PointInRect(mouse, TextBox()))
        return HIT_BODY;
    if (MTool::NearSegment(p2, NearestUnderlineEnd(p2), mouse, tolerance))
        return HIT_BODY;
    return HIT_NONE;
}

bool MMark::InRect(int left, int top, int right, int bottom) const
{
    const TRect box = TextBox();
    if (box.left < left || box.right > right || box.top < top || box.bottom > bottom)
        return false;
    return MTool::PointInBounds(p2, left, top, right, bottom);
}

void MMark::CreateMouseDown(int x, int y)
{
    if (clicks != 0)
        return;
    clicks = 1;
    p1 = {x, y};
    // The target starts on the underline's left end: no leader yet.
    const TRect box = TextBox();
    p2 = {box.left, box.bottom};
    FinishCreate();
}

TPoint MMark::ReshapeEnd(int x, int y)
{
    if (grabPoint != p2)
        return {};
    p2 = MTool::AddPoints(p2, MTool::SubtractPoints({x, y}, lastMouse));
    return p2;
}

void MMark::DrawBody(int mode, TCanvas* target)
{
    if (target == nullptr)
        return;
    const int tolerance = param->GetActiveWidth();
    target->Pen.Style = psSolid;
    DrawTextAt(target, p1, text);

    const TRect box = TextBox();
    DrawSegment(target, {box.left, box.bottom}, {box.right, box.bottom});
    // A target on or next to the underline needs no leader.
    const TPoint end = NearestUnderlineEnd(p2);
    if (MTool::Distance(p2, end) > tolerance)
        DrawSegment(target, p2, end);

    if (mode == DRAW_ACTIVE) {
        DrawFrame(target, box);
        DrawCrossMark(target, p2.x, p2.y);
    } else if (mode == DRAW_RESHAPE && grabPoint == p2) {
        const TPoint preview = MTool::AddPoints(p2, MTool::SubtractPoints(curMouse, lastMouse));
        DrawSegment(target, NearestUnderlineEnd(preview), preview);
    }
}

bool MMark::WriteData(MData& data, bool blank) const
{
    if (blank)
        return false;
    data.point.SetValue(p2, lan->Texts[kPointCaptionSlot], true);
    return true;
}

bool MMark::ReadData(MData data)
{
    const TPoint offset = MTool::SubtractPoints(p1, p2);
    p2 = data.point.GetPoint();
    p1 = MTool::AddPoints(p2, offset);
    return true;
}
