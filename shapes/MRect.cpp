#include "shapes/MRect.h"

#include "platform/gui/TCanvas.h"
#include "settings/MLan.h"
#include "settings/MParam.h"
#include "shapes/MData.h"
#include "shapes/MPoint.h"
#include "shapes/MRuleTool.h"
#include "shapes/MTool.h"

#include <cstdint>
#include <cstdlib>

namespace {

constexpr int kWidthSlot = 74;     // "Width"
constexpr int kHeightSlot = 75;    // "Height"
constexpr int kAreaSlot = 76;      // "Area"
constexpr int kTypeNameSlot = 109; // "Rectangle"
constexpr int kCentreSlot = 296;   // "Center Point"
constexpr int kCreateSlot = 303;   // "Create "

constexpr int kDeriveCentre = 1;

} // namespace

MRect::MRect(TCanvas* defaultCanvas) : MShape(defaultCanvas) { kind = KIND_RECT; }

std::unique_ptr<MRect> MRect::Create(TCanvas* defaultCanvas, int x1, int y1, int x2, int y2)
{
    auto rect = std::make_unique<MRect>(defaultCanvas);
    rect->clicks = 2;
    rect->p1 = {x1, y1};
    rect->p2 = {x2, y2};
    rect->PlaceOtherCorners();
    rect->FinishCreate();
    return rect;
}

void MRect::PlaceOtherCorners()
{
    p3 = {p1.x, p2.y};
    p4 = {p2.x, p1.y};
}

double MRect::GetWidth() const { return double(std::abs(std::int64_t(p1.x) - p2.x)); }

double MRect::GetHeight() const { return double(std::abs(std::int64_t(p1.y) - p2.y)); }

std::string MRect::GetTypeName() const { return lan->Texts[kTypeNameSlot]; }

void MRect::BuildResults()
{
    AddResult(lan->Texts[kWidthSlot], ruleTool->FormatLength(GetWidth()));
    AddResult(lan->Texts[kHeightSlot], ruleTool->FormatLength(GetHeight()));
    AddResult(lan->Texts[kAreaSlot], ruleTool->FormatArea(GetWidth() * GetHeight()));
}

void MRect::Move(int dx, int dy)
{
    for (TPoint* corner : {&p1, &p2, &p3, &p4})
        *corner = MTool::AddPoints(*corner, {dx, dy});
}

int MRect::HitTest(int x, int y)
{
    const int tolerance = param->GetActiveWidth();
    const TPoint mouse{x, y};
    if (BeyondPickReach(mouse, std::array{p1, p2, p3, p4}, tolerance))
        return MShape::HitTest(x, y);
    for (TPoint corner : {p1, p2, p4, p3}) {
        if (MTool::NearPoint(mouse, corner, tolerance)) {
            grabPoint = corner;
            return HIT_POINT;
        }
    }
    if (MTool::NearSegment(p1, p3, mouse, tolerance) || MTool::NearSegment(p3, p2, mouse, tolerance) ||
        MTool::NearSegment(p2, p4, mouse, tolerance) || MTool::NearSegment(p4, p1, mouse, tolerance))
        return HIT_BODY;
    return MShape::HitTest(x, y);
}

bool MRect::InRect(int left, int top, int right, int bottom) const
{
    return MTool::PointInBounds(p1, left, top, right, bottom) && MTool::PointInBounds(p2, left, top, right, bottom);
}

void MRect::CreateMouseMove(int x, int y)
{
    if (clicks != 1)
        return;
    grabPoint = {x, y}; // the moving corner of the rubber band
    Draw(DRAW_CREATE);
}

void MRect::CreateMouseDown(int x, int y)
{
    if (clicks == 0) {
        clicks = 1;
        p1 = {x, y};
    } else if (clicks == 1) {
        clicks = 2;
        p2 = {x, y};
        PlaceOtherCorners();
        FinishCreate();
    }
}

TPoint MRect::ReshapeEnd(int x, int y)
{
    const TPoint delta = MTool::SubtractPoints({x, y}, lastMouse);
    // The dragged corner moves; of the two corners next to it, each follows
    // along the side it shares with the dragged one.
    const auto drag = [&](TPoint& corner, TPoint& sameColumn, TPoint& sameRow) {
        corner = MTool::AddPoints(corner, delta);
        sameColumn.x = corner.x;
        sameRow.y = corner.y;
        return corner;
    };
    if (grabPoint == p1)
        return drag(p1, p3, p4);
    if (grabPoint == p2)
        return drag(p2, p4, p3);
    if (grabPoint == p3)
        return drag(p3, p1, p2);
    if (grabPoint == p4)
        return drag(p4, p2, p1);
    return {};
}

void MRect::DrawBody(int mode, TCanvas* target)
{
    if (target == nullptr)
        return;
    if (mode == DRAW_RESHAPE) {
        // The preview corners A, B, C, D in drawing order, with the dragged
        // one moved by the mouse so far.
        const TPoint delta = MTool::SubtractPoints(curMouse, lastMouse);
        TPoint a = p1, b = p3, c = p2, d = p4;
        TPoint handle;
        if (grabPoint == p1 || grabPoint == p2) {
            if (grabPoint == p1)
                a = handle = MTool::AddPoints(p1, delta);
            else
                c = handle = MTool::AddPoints(p2, delta);
            b = {a.x, c.y};
            d = {c.x, a.y};
        } else if (grabPoint == p3 || grabPoint == p4) {
            if (grabPoint == p3)
                b = handle = MTool::AddPoints(p3, delta);
            else
                d = handle = MTool::AddPoints(p4, delta);
            a = {b.x, d.y};
            c = {d.x, b.y};
        } else {
            return;
        }
        DrawSegment(target, a, b);
        DrawSegment(target, b, c);
        DrawSegment(target, c, d);
        DrawSegment(target, d, a);
        DrawCrossMark(target, handle.x, handle.y);
        return;
    }
    const TPoint c = mode == DRAW_CREATE ? grabPoint : p2;
    const TPoint a{p1.x, c.y};
    const TPoint b{c.x, p1.y};
    DrawSegment(target, p1, a);
    DrawSegment(target, a, c);
    DrawSegment(target, c, b);
    DrawSegment(target, b, p1);
    if (IsHighlightMode(mode))
        for (TPoint corner : {p1, p3, p2, p4})
            DrawCrossMark(target, corner.x, corner.y);
}

void MRect::DrawLabel(int mode, TCanvas* target)
{
    label1 = "W:" + ruleTool->FormatValue(GetWidth(), labelValues[0]);
    label2 = "H:" + ruleTool->FormatValue(GetHeight(), labelValues[1]);
    DrawLabelBox(mode, target, 1);
    DrawLabelBox(mode, target, 2);
}

TPoint MRect::GetLabelPos(int index) const
{
    if (index == 1)
        return {TruncatedMidpoint(p1.x, p2.x), p1.y};
    if (index == 2)
        return {p1.x, TruncatedMidpoint(p1.y, p2.y)};
    return MShape::GetLabelPos(index);
}

std::string MRect::GetTag() const { return "R"; }

TPoint MRect::GetCenter() const { return {TruncatedMidpoint(p1.x, p2.x), TruncatedMidpoint(p1.y, p2.y)}; }

bool MRect::WriteData(MData& data, bool blank) const
{
    const std::string& centreCaption = lan->Texts[kCentreSlot];
    const std::string& widthCaption = lan->Texts[kWidthSlot];
    const std::string& heightCaption = lan->Texts[kHeightSlot];
    if (blank) {
        data.point.SetValue({0, 0}, centreCaption, false);
        data.length[0].SetValue(0.0, widthCaption);
        data.length[1].SetValue(0.0, heightCaption);
    } else {
        data.point.SetValue(MTool::Midpoint(p1, p2), centreCaption, true);
        data.length[0].SetValue(GetWidth(), widthCaption);
        data.length[1].SetValue(GetHeight(), heightCaption);
    }
    return true;
}

bool MRect::ReadData(MData data)
{
    const TPoint centre = data.point.GetPoint();
    const std::int64_t halfWidth = MTool::RoundToInt(data.length[0].GetValue() * 0.5);
    const std::int64_t halfHeight = MTool::RoundToInt(data.length[1].GetValue() * 0.5);
    p2 = OffsetPoint(centre, halfWidth, halfHeight);
    p1 = OffsetPoint(centre, -halfWidth, -halfHeight);
    PlaceOtherCorners();
    return true;
}

std::vector<std::string> MRect::GetDeriveCaptions() const
{
    return {lan->Texts[kCreateSlot] + lan->Texts[kCentreSlot]};
}

std::vector<std::unique_ptr<MShape>> MRect::MakeDerivedShapes(TCanvas* shapeCanvas, int index) const
{
    std::vector<std::unique_ptr<MShape>> shapes;
    if (index == kDeriveCentre) {
        const TPoint centre = MTool::Midpoint(p1, p2);
        shapes.push_back(MPoint::Create(shapeCanvas, centre.x, centre.y));
    }
    return shapes;
}
