#include "shapes/MLine.h"

#include "platform/gui/TCanvas.h"
#include "settings/MLan.h"
#include "settings/MParam.h"
#include "shapes/MData.h"
#include "shapes/MPoint.h"
#include "shapes/MRuleTool.h"
#include "shapes/MTool.h"

namespace {

constexpr int kLengthSlot = 73;       // "Length"
constexpr int kTypeNameSlot = 108;    // "Line"
constexpr int kAngleSlot = 269;       // "Angle"
constexpr int kMidpointSlot = 295;    // "Mid-Point"
constexpr int kCreateSlot = 303;      // "Create "
constexpr int kBisectorSlot = 304;    // "Perpendicular Bisector"

constexpr int kDeriveMidpoint = 1;
constexpr int kDeriveBisector = 2;

} // namespace

// ---------------------------------------------------------------- MLine

MLine::MLine(TCanvas* defaultCanvas) : MShape(defaultCanvas) { kind = KIND_LINE; }

std::unique_ptr<MLine> MLine::Create(TCanvas* defaultCanvas, int x1, int y1, int x2, int y2)
{
    auto line = std::make_unique<MLine>(defaultCanvas);
    line->clicks = 2;
    line->p1 = {x1, y1};
    line->p2 = {x2, y2};
    line->FinishCreate();
    return line;
}

double MLine::GetLength() const { return MTool::Distance(p1, p2); }

std::string MLine::GetTypeName() const { return lan->Texts[kTypeNameSlot]; }

void MLine::BuildResults() { AddResult(lan->Texts[kLengthSlot], ruleTool->FormatLength(GetLength())); }

void MLine::Move(int dx, int dy)
{
    p1 = MTool::AddPoints(p1, {dx, dy});
    p2 = MTool::AddPoints(p2, {dx, dy});
}

int MLine::HitTest(int x, int y)
{
    const int tolerance = param->GetActiveWidth();
    const TPoint mouse{x, y};
    if (BeyondPickReach(mouse, std::array{p1, p2}, tolerance))
        return MShape::HitTest(x, y);
    if (MTool::NearPoint(mouse, p1, tolerance)) {
        grabPoint = p1;
        return HIT_POINT;
    }
    if (MTool::NearPoint(mouse, p2, tolerance)) {
        grabPoint = p2;
        return HIT_POINT;
    }
    if (MTool::NearSegment(p1, p2, mouse, tolerance))
        return HIT_BODY;
    return MShape::HitTest(x, y);
}

bool MLine::InRect(int left, int top, int right, int bottom) const
{
    return MTool::PointInBounds(p1, left, top, right, bottom) &&
           MTool::PointInBounds(p2, left, top, right, bottom);
}

void MLine::CreateMouseMove(int x, int y)
{
    if (clicks != 1)
        return;
    grabPoint = {x, y};
    Draw(DRAW_CREATE);
}

void MLine::CreateMouseDown(int x, int y)
{
    if (clicks == 0) {
        p1 = {x, y};
        clicks = 1;
    } else if (clicks == 1) {
        p2 = {x, y};
        clicks = 2;
        FinishCreate();
    }
}

TPoint MLine::ReshapeEnd(int x, int y)
{
    const TPoint delta = MTool::SubtractPoints({x, y}, lastMouse);
    if (grabPoint == p1) {
        p1 = MTool::AddPoints(p1, delta);
        return p1;
    }
    if (grabPoint == p2) {
        p2 = MTool::AddPoints(p2, delta);
        return p2;
    }
    return p1;
}

void MLine::DrawBody(int mode, TCanvas* target)
{
    if (target == nullptr)
        return;
    const int tolerance = param->GetActiveWidth();
    const bool guide = param->BoolValue(OPT_LINE_VERT);
    int guideSize = 0;
    param->GetInt(OPT_LINE_VERT_WIDTH, guideSize);
    const bool guideDotted = param->BoolValue(OPT_LINE_VERT_DOT);

    if (mode == DRAW_RESHAPE) {
        // The preview follows the mouse freely; the release applies the
        // variant's own direction.
        const TPoint delta = MTool::SubtractPoints(curMouse, lastMouse);
        const bool firstMoves = grabPoint == p1;
        const TPoint fixed = firstMoves ? p2 : p1;
        const TPoint moving = MTool::AddPoints(firstMoves ? p1 : p2, delta);
        DrawSegment(target, fixed, moving);
        DrawCrossMark(target, moving.x, moving.y, tolerance);
        if (guide)
            DrawPerpendicularGuide(target, fixed, moving, guideSize, guideDotted);
    } else if (mode == DRAW_CREATE) {
        if (guide)
            DrawPerpendicularGuide(target, p1, grabPoint, guideSize, guideDotted);
        DrawSegment(target, p1, grabPoint);
    } else {
        DrawSegment(target, p1, p2);
        if (IsHighlightMode(mode)) {
            DrawCrossMark(target, p1.x, p1.y, tolerance);
            DrawCrossMark(target, p2.x, p2.y, tolerance);
        }
    }
}

void MLine::DrawLabel(int mode, TCanvas* target)
{
    label1 = ruleTool->FormatValue(GetLength(), labelValues[0]);
    DrawLabelBox(mode, target, 1);
}

TPoint MLine::GetLabelPos(int index) const { return index == 1 ? MTool::Midpoint(p1, p2) : TPoint{}; }

std::string MLine::GetTag() const { return "L"; }

TPoint MLine::GetCenter() const { return MTool::Midpoint(p1, p2); }

bool MLine::WriteData(MData& data, bool blank) const
{
    const std::string& pointCaption = lan->Texts[kMidpointSlot];
    const std::string& lengthCaption = lan->Texts[kLengthSlot];
    const std::string& angleCaption = lan->Texts[kAngleSlot];
    if (blank) {
        data.point.SetValue({0, 0}, pointCaption, false);
        data.length[0].SetValue(0.0, lengthCaption);
        data.angle[0].SetValue(0.0, angleCaption, false);
    } else {
        data.point.SetValue(MTool::Midpoint(p1, p2), pointCaption, true);
        data.length[0].SetValue(GetLength(), lengthCaption);
        data.angle[0].SetValue(MTool::VectorAngle(p1, p2), angleCaption, true);
    }
    return true;
}

bool MLine::ReadData(MData data)
{
    const TPoint centre = data.point.GetPoint();
    const double halfLength = data.length[0].GetValue() * 0.5;
    const double angle = data.angle[0].GetValue();
    p2 = MTool::PolarPoint(centre, halfLength, angle);
    p1 = MTool::PolarPoint(centre, halfLength, angle + 180);
    return true;
}

std::vector<std::string> MLine::GetDeriveCaptions() const
{
    std::vector<std::string> captions{lan->Texts[kCreateSlot] + lan->Texts[kMidpointSlot]};
    if (GetLength() > 0)
        captions.push_back(lan->Texts[kCreateSlot] + lan->Texts[kBisectorSlot]);
    return captions;
}

std::vector<std::unique_ptr<MShape>> MLine::MakeDerivedShapes(TCanvas* shapeCanvas, int index) const
{
    std::vector<std::unique_ptr<MShape>> shapes;
    const TPoint middle = MTool::Midpoint(p1, p2);
    if (index == kDeriveMidpoint) {
        shapes.push_back(MPoint::Create(shapeCanvas, middle.x, middle.y));
    } else if (index == kDeriveBisector && GetLength() > 0) {
        const double halfLength = GetLength() * 0.5;
        // The midpoint of a short line can round onto p1; the perpendicular
        // is then taken towards p2, on the other side, to the same points.
        const bool towardsFirst = middle != p1;
        const TPoint reference = towardsFirst ? p1 : p2;
        const TPoint a = MTool::PerpendicularPoint(middle, reference, halfLength, towardsFirst);
        const TPoint b = MTool::PerpendicularPoint(middle, reference, halfLength, !towardsFirst);
        shapes.push_back(MLine::Create(shapeCanvas, a.x, a.y, b.x, b.y));
    }
    return shapes;
}

// ---------------------------------------------------------------- MLineHori

MLineHori::MLineHori(TCanvas* defaultCanvas) : MLine(defaultCanvas) {}

void MLineHori::CreateMouseMove(int x, int)
{
    if (clicks != 1)
        return;
    grabPoint = {x, p1.y};
    Draw(DRAW_CREATE);
}

void MLineHori::CreateMouseDown(int x, int y)
{
    if (clicks == 1) {
        p2 = {x, p1.y};
        clicks = 2;
        FinishCreate();
    } else {
        MLine::CreateMouseDown(x, y);
    }
}

TPoint MLineHori::ReshapeEnd(int x, int)
{
    const int dx = MTool::SubtractPoints({x, 0}, {lastMouse.x, 0}).x;
    if (grabPoint == p1) {
        p1 = MTool::AddPoints(p1, {dx, 0});
        return p1;
    }
    p2 = MTool::AddPoints(p2, {dx, 0});
    return p2;
}

// ---------------------------------------------------------------- MLineVert

MLineVert::MLineVert(TCanvas* defaultCanvas) : MLine(defaultCanvas) {}

void MLineVert::CreateMouseMove(int, int y)
{
    if (clicks != 1)
        return;
    grabPoint = {p1.x, y};
    Draw(DRAW_CREATE);
}

void MLineVert::CreateMouseDown(int x, int y)
{
    if (clicks == 1) {
        p2 = {p1.x, y};
        clicks = 2;
        FinishCreate();
    } else {
        MLine::CreateMouseDown(x, y);
    }
}

TPoint MLineVert::ReshapeEnd(int, int y)
{
    const int dy = MTool::SubtractPoints({0, y}, {0, lastMouse.y}).y;
    if (grabPoint == p1) {
        p1 = MTool::AddPoints(p1, {0, dy});
        return p1;
    }
    p2 = MTool::AddPoints(p2, {0, dy});
    return p2;
}
