#include "shapes/MPolygon.h"

#include "platform/gui/TCanvas.h"
#include "settings/MLan.h"
#include "settings/MParam.h"
#include "shapes/MData.h"
#include "shapes/MPoint.h"
#include "shapes/MRuleTool.h"
#include "shapes/MTool.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

constexpr int kAreaSlot = 76;      // "Area"
constexpr int kPerimeterSlot = 78; // "Perimeter"
constexpr int kTypeNameSlot = 113; // "Polygon"
constexpr int kCentreSlot = 296;   // "Center Point"
constexpr int kCreateSlot = 303;   // "Create "

constexpr int kDeriveCentre = 1;

// Clicks counted before a click may close the outline.
constexpr int kClosingClicks = 3;

} // namespace

MPolygon::MPolygon(TCanvas* defaultCanvas) : MShape(defaultCanvas) { kind = KIND_POLYGON; }

std::unique_ptr<MPolygon> MPolygon::Create(TCanvas* defaultCanvas, std::vector<TPoint> vertices)
{
    auto polygon = std::make_unique<MPolygon>(defaultCanvas);
    polygon->points = std::move(vertices);
    polygon->clicks = kClosingClicks;
    if (!polygon->points.empty()) {
        polygon->p1 = polygon->points.front();
        polygon->p2 = polygon->points.back();
    }
    polygon->ComputeArea();
    polygon->FinishCreate();
    return polygon;
}

template<typename Edge>
void MPolygon::ForEachEdge(Edge edge) const
{
    if (points.empty())
        return;
    for (std::size_t i = 0; i + 1 < points.size(); ++i)
        edge(points[i], points[i + 1]);
    edge(points.back(), points.front());
}

double MPolygon::GetPerimeter() const
{
    double perimeter = 0;
    ForEachEdge([&](TPoint a, TPoint b) { perimeter += MTool::Distance(a, b); });
    return perimeter;
}

TPoint MPolygon::GetCentroid() const
{
    if (points.empty())
        return {0, 0};
    std::int64_t sumX = 0;
    std::int64_t sumY = 0;
    for (TPoint p : points) {
        sumX += p.x;
        sumY += p.y;
    }
    const auto count = std::int64_t(points.size());
    return {Saturated(sumX / count), Saturated(sumY / count)};
}

double MPolygon::EdgeCrossing(TPoint start, TPoint end, double x)
{
    if (start.x == end.x)
        return kNoCrossing;
    if (start.x == x)
        return start.y;
    if (end.x == x)
        return end.y;
    if ((start.x > x && end.x > x) || (start.x < x && end.x < x))
        return kNoCrossing;
    const std::int64_t dy = std::int64_t(end.y) - start.y;
    const std::int64_t dx = std::int64_t(end.x) - start.x;
    const std::int64_t constant = std::int64_t(start.y) * end.x - std::int64_t(start.x) * end.y;
    return (double(dy) * x + double(constant)) / double(dx);
}

void MPolygon::ComputeArea()
{
    area = 0;
    if (points.empty())
        return;
    // Scan lines outside the vertices' columns cross no edge, so the scan
    // covers just those columns.
    const auto [lowest, highest] =
        std::minmax_element(points.begin(), points.end(), [](TPoint a, TPoint b) { return a.x < b.x; });
    const double maxX = highest->x;
    std::vector<double> crossings;
    for (double x = lowest->x + 0.5; x < maxX; x += 1.0) {
        crossings.clear();
        ForEachEdge([&](TPoint a, TPoint b) {
            const double y = EdgeCrossing(a, b, x);
            if (y != kNoCrossing)
                crossings.push_back(y);
        });
        std::sort(crossings.begin(), crossings.end());
        // Inside between the first and second crossing, the third and fourth, ...
        for (std::size_t i = 0; i + 1 < crossings.size(); i += 2)
            area += std::fabs(crossings[i + 1] - crossings[i]);
    }
}

std::string MPolygon::GetTypeName() const { return lan->Texts[kTypeNameSlot]; }

void MPolygon::BuildResults()
{
    AddResult(lan->Texts[kPerimeterSlot], ruleTool->FormatLength(GetPerimeter()));
    AddResult(lan->Texts[kAreaSlot], ruleTool->FormatArea(area));
}

void MPolygon::Move(int dx, int dy)
{
    for (TPoint& p : points)
        p = MTool::AddPoints(p, {dx, dy});
}

int MPolygon::HitTest(int x, int y)
{
    const int tolerance = param->GetActiveWidth();
    const TPoint mouse{x, y};
    if (BeyondPickReach(mouse, points, tolerance))
        return MShape::HitTest(x, y);
    for (TPoint vertex : points) {
        if (MTool::NearPoint(mouse, vertex, tolerance)) {
            grabPoint = vertex;
            return HIT_POINT;
        }
    }
    bool onEdge = false;
    ForEachEdge([&](TPoint a, TPoint b) { onEdge = onEdge || MTool::NearSegment(a, b, mouse, tolerance); });
    if (onEdge)
        return HIT_BODY;
    return MShape::HitTest(x, y);
}

int MPolygon::GetCursor(int code) const
{
    if (state == STATE_CREATING && code == EDIT_RESHAPE && clicks >= kClosingClicks && !points.empty() &&
        MTool::NearPoint(grabPoint, points.front(), param->GetActiveWidth()))
        return crUpArrow;
    return MShape::GetCursor(code);
}

bool MPolygon::InRect(int left, int top, int right, int bottom) const
{
    return std::all_of(points.begin(), points.end(),
                       [&](TPoint p) { return MTool::PointInBounds(p, left, top, right, bottom); });
}

void MPolygon::CreateMouseMove(int x, int y)
{
    if (clicks <= 0)
        return;
    grabPoint = {x, y};
    Draw(DRAW_CREATE);
}

void MPolygon::CreateMouseDown(int x, int y)
{
    const TPoint click{x, y};
    if (clicks == 0) {
        clicks = 1;
        p1 = click;
        points.push_back(click);
    } else if (clicks < kClosingClicks) {
        ++clicks;
        p2 = click;
        points.push_back(click);
    } else {
        p2 = click;
        if (MTool::NearPoint(click, points.front(), param->GetActiveWidth())) {
            // The closing click adds no vertex.
            ComputeArea();
            FinishCreate();
        } else {
            points.push_back(click);
        }
    }
}

std::ptrdiff_t MPolygon::GrabbedIndex() const
{
    const auto found = std::find(points.begin(), points.end(), grabPoint);
    return found == points.end() ? -1 : found - points.begin();
}

TPoint MPolygon::ReshapeEnd(int x, int y)
{
    const std::ptrdiff_t index = GrabbedIndex();
    if (index < 0)
        return {};
    TPoint& vertex = points[std::size_t(index)];
    vertex = MTool::AddPoints(vertex, MTool::SubtractPoints({x, y}, lastMouse));
    ComputeArea();
    return vertex;
}

void MPolygon::DrawBody(int mode, TCanvas* target)
{
    if (target == nullptr || points.empty())
        return;
    if (mode == DRAW_RESHAPE) {
        const std::ptrdiff_t index = GrabbedIndex();
        if (index < 0)
            return;
        const std::size_t i = std::size_t(index);
        const TPoint preview = MTool::AddPoints(grabPoint, MTool::SubtractPoints(curMouse, lastMouse));
        const TPoint previous = points[i == 0 ? points.size() - 1 : i - 1];
        const TPoint next = points[i + 1 == points.size() ? 0 : i + 1];
        DrawSegment(target, preview, previous);
        DrawSegment(target, preview, next);
        DrawCrossMark(target, preview.x, preview.y);
        return;
    }
    if (mode == DRAW_CREATE) {
        // The open outline with a rubber band to the pointer.
        DrawCrossMark(target, points.front().x, points.front().y);
        for (std::size_t i = 0; i + 1 < points.size(); ++i)
            DrawSegment(target, points[i], points[i + 1]);
        DrawSegment(target, points.back(), grabPoint);
        return;
    }
    ForEachEdge([&](TPoint a, TPoint b) { DrawSegment(target, a, b); });
    if (IsHighlightMode(mode))
        for (TPoint vertex : points)
            DrawCrossMark(target, vertex.x, vertex.y);
}

void MPolygon::DrawLabel(int mode, TCanvas* target)
{
    label1 = ruleTool->FormatValue(GetPerimeter(), labelValues[0]);
    DrawLabelBox(mode, target, 1);
}

TPoint MPolygon::GetLabelPos(int index) const
{
    return index == 1 ? GetCentroid() : MShape::GetLabelPos(index);
}

std::string MPolygon::GetTag() const { return "N"; }

TPoint MPolygon::GetCenter() const { return GetCentroid(); }

bool MPolygon::WriteData(MData& data, bool blank) const
{
    if (blank)
        return false;
    data.point.SetValue(GetCentroid(), lan->Texts[kCentreSlot], true);
    return true;
}

bool MPolygon::ReadData(MData data)
{
    const TPoint shift = MTool::SubtractPoints(data.point.GetPoint(), GetCentroid());
    Move(shift.x, shift.y);
    return true;
}

std::vector<std::string> MPolygon::GetDeriveCaptions() const
{
    return {lan->Texts[kCreateSlot] + lan->Texts[kCentreSlot]};
}

std::vector<std::unique_ptr<MShape>> MPolygon::MakeDerivedShapes(TCanvas* shapeCanvas, int index) const
{
    std::vector<std::unique_ptr<MShape>> shapes;
    if (index == kDeriveCentre) {
        const TPoint centre = GetCentroid();
        shapes.push_back(MPoint::Create(shapeCanvas, centre.x, centre.y));
    }
    return shapes;
}
