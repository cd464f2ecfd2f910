#include "shapes/MShape.h"

#include "platform/gui/TCanvas.h"
#include "settings/MLan.h"
#include "settings/MParam.h"
#include "shapes/MData.h"
#include "shapes/MRuleTool.h"
#include "shapes/MTool.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace {

// Half-length limit of the perpendicular guide, whatever the option says.
constexpr int kGuideLimit = 5000;
// Where the display name sits relative to the shape's centre.
constexpr int kNameOffset = 15;
// Arrowheads: drawn from this distance on, this long and twice this wide.
constexpr double kArrowMinDistance = 10.0;
constexpr double kArrowLength = 8.0;
constexpr double kArrowHalfWidth = 2.0;
// Dimension lines: gap to the measured points, length of the extension
// lines, and the distance up to which the arrows point in from outside.
constexpr int kDimensionGap = 6;
constexpr int kDimensionExtension = 18;
constexpr double kDimensionInsideLimit = 48.0;

TColor ColorOption(MParam* param, int id) { return static_cast<TColor>(param->GetColor(id)); }

// The options every shape reads as it draws. A redraw draws thousands of
// shapes, so they are read and parsed once for as long as no option changes.
struct DrawOptions {
    TColor normal, design, active, brush, mark, markBackground, markFont;
    bool viewName, viewMark, markHasBackground;
    int activeWidth;
};

const DrawOptions& CurrentDrawOptions(MParam* param)
{
    static DrawOptions options;
    static std::uint64_t readAt = 0;
    if (readAt != MParam::Generation()) {
        options = {ColorOption(param, OPT_COLOR_NORMAL), ColorOption(param, OPT_COLOR_DESIGN),
                   ColorOption(param, OPT_COLOR_ACTIVE), ColorOption(param, OPT_COLOR_BRUSH),
                   ColorOption(param, OPT_COLOR_MARK), ColorOption(param, OPT_COLOR_MARK_BG),
                   ColorOption(param, OPT_COLOR_MARK_FONT), param->BoolValue(OPT_VIEW_NAME),
                   param->BoolValue(OPT_VIEW_MARK), param->BoolValue(OPT_MARK_BG), param->GetActiveWidth()};
        readAt = MParam::Generation();
    }
    return options;
}

} // namespace

// ---------------------------------------------------------------- MBase

MBase::MBase()
    : param(MParam::GetInstance()), lan(MLan::GetInstance()), tool(MTool::GetInstance()),
      ruleTool(MRuleTool::GetInstance())
{
}

std::string MBase::GetTypeName() const { return {}; }

bool MBase::IsValid() const { return true; }

void MBase::BuildResults() {}

std::string MBase::GetDisplayName() const { return {}; }

std::vector<MItem>& MBase::GetResults()
{
    ClearResults();
    const std::string name = GetTypeName();
    const std::string value = GetDisplayName();
    if (!name.empty())
        AddResult(name, value);
    if (IsValid())
        BuildResults();
    return results;
}

void MBase::ClearResults() { results.clear(); }

void MBase::AddResult(const std::string& name, const std::string& value) { results.push_back({name, value}); }

// ---------------------------------------------------------------- MShape

TCanvas* MShape::zoomCanvas = nullptr;
TPoint MShape::zoomOrigin;

MShape::MShape(TCanvas* defaultCanvas) : canvas(defaultCanvas) {}

std::string MShape::GetDisplayName() const
{
    const std::string tag = GetTag();
    return tag.empty() ? std::string() : tag + std::to_string(number);
}

void MShape::Move(int, int) {}

int MShape::HitTest(int x, int y)
{
    if (!param->BoolValue(OPT_VIEW_MARK) || !marked)
        return HIT_NONE;
    return HitLabel(x, y) != 0 ? HIT_LABEL : HIT_NONE;
}

int MShape::GetCursor(int code) const
{
    if (state == STATE_CREATING || code == EDIT_RESHAPE || code == HIT_POINT)
        return crCross;
    if (code == EDIT_MOVE || code == HIT_BODY || code == HIT_LABEL)
        return crSizeAll;
    return crDefault;
}

bool MShape::InRect(int, int, int, int) const { return false; }

TCanvas* MShape::DrawTarget(TCanvas* target) const
{
    if (!IsValid())
        return nullptr;
    return target != nullptr ? target : canvas;
}

void MShape::BeginDrawing(int mode)
{
    if (mode == DRAW_NORMAL || !magnifiedExtentKnown) {
        // Empty: any rectangle added makes it that rectangle.
        constexpr int most = std::numeric_limits<int>::max();
        constexpr int least = std::numeric_limits<int>::min();
        magnifiedExtent = {most, most, least, least};
        magnifiedExtentKnown = true;
    }
}

void MShape::Draw(int mode, TCanvas* target)
{
    target = DrawTarget(target);
    if (target == nullptr)
        return;
    BeginDrawing(mode);

    const DrawOptions& options = CurrentDrawOptions(param);
    TColor penColor = options.normal;
    if (mode == DRAW_CREATE)
        penColor = options.design;
    else if (IsHighlightMode(mode))
        penColor = options.active;
    else if (mode == DRAW_NORMAL && selected)
        penColor ^= 0xFFFFFF; // a selected shape stands out in the complement
    target->Pen.Color = penColor;
    target->Brush.Color = options.brush;
    target->Pen.Style = mode == DRAW_MOVE ? psDot : psSolid;
    target->Brush.Style = bsClear;

    const bool preview = mode == DRAW_CREATE || mode == DRAW_MOVE;
    if (!preview && options.viewName)
        DrawName(target);
    DrawBody(mode, target);
    if (!preview && options.viewMark && marked) {
        target->Font.Color = options.mark;
        target->Pen.Color = options.mark;
        target->Pen.Style = psSolid;
        DrawLabel(mode, target);
    }
}

void MShape::CreateMouseMove(int, int) {}

void MShape::CreateMouseDown(int, int) {}

void MShape::EditMouseDown(int, int) {}

void MShape::ReshapeMove(int, int) {}

TPoint MShape::ReshapeEnd(int, int) { return p1; }

void MShape::DrawBody(int, TCanvas*) {}

void MShape::DrawLabel(int, TCanvas*) {}

TPoint MShape::GetLabelPos(int) const { return {}; }

TRect MShape::PlaceLabel(int, const TRect& box) const { return box; }

std::string MShape::GetTag() const { return {}; }

TPoint MShape::GetCenter() const { return {}; }

bool MShape::WriteData(MData&, bool) const { return false; }

bool MShape::ReadData(MData) { return false; }

std::vector<std::string> MShape::GetDeriveCaptions() const { return {}; }

std::vector<std::unique_ptr<MShape>> MShape::MakeDerivedShapes(TCanvas*, int) const { return {}; }

// ---- Public non-virtual operations

void MShape::SetZoomCanvas(TCanvas* magnifier, TPoint origin)
{
    zoomCanvas = magnifier;
    zoomOrigin = origin;
}

bool MShape::MayMagnifyInto(const TRect& area) const
{
    if (!magnifiedExtentKnown)
        return true;
    const TRect& e = magnifiedExtent;
    return e.left <= area.right && area.left <= e.right && e.top <= area.bottom && area.top <= e.bottom;
}

void MShape::MouseDown(Qt::MouseButton, Qt::KeyboardModifiers, int x, int y)
{
    if (state == STATE_CREATING) {
        CreateMouseDown(x, y);
        return;
    }
    switch (HitTest(x, y)) {
    case HIT_POINT:
        editState = EDIT_RESHAPE;
        break;
    case HIT_BODY:
        editState = EDIT_MOVE;
        dragLabel = 0;
        break;
    case HIT_LABEL:
        editState = EDIT_MOVE;
        dragLabel = HitLabel(x, y);
        break;
    default:
        break;
    }
    lastMouse = {x, y};
    EditMouseDown(x, y);
}

void MShape::MouseMove(Qt::KeyboardModifiers, int x, int y)
{
    if (state == STATE_CREATING) {
        CreateMouseMove(x, y);
        return;
    }
    if (editState == EDIT_RESHAPE) {
        curMouse = {x, y};
        ReshapeMove(x, y);
        Draw(DRAW_RESHAPE);
    } else if (editState == EDIT_MOVE) {
        const TPoint delta = MTool::SubtractPoints({x, y}, lastMouse);
        lastMouse = {x, y};
        if (dragLabel == 1 || dragLabel == 2) {
            DragLabel(delta.x, delta.y, dragLabel);
            Draw(DRAW_LABEL);
        } else {
            Move(delta.x, delta.y);
            Draw(DRAW_MOVE);
        }
    }
}

TPoint MShape::MouseUp(Qt::MouseButton, Qt::KeyboardModifiers, int x, int y)
{
    if (state == STATE_CREATING) {
        // With drag drawing the release is the next click: press, drag, release.
        if (param->BoolValue(OPT_DRAG_DRAW))
            CreateMouseDown(x, y);
        return {};
    }
    TPoint moved;
    if (editState == EDIT_RESHAPE) {
        editState = EDIT_IDLE;
        moved = ReshapeEnd(x, y);
        Draw(DRAW_NORMAL);
    } else if (editState == EDIT_MOVE) {
        editState = EDIT_IDLE;
        Draw(DRAW_NORMAL);
    }
    return moved;
}

void MShape::FinishCreate()
{
    state = STATE_CREATED;
    editState = EDIT_IDLE;
}

bool MShape::ToData(MData& data, bool blank) const
{
    data.Clear();
    if (!IsValid())
        return false;
    return WriteData(data, blank);
}

bool MShape::FromData(const MData& data)
{
    if (!data.IsModified())
        return false;
    return ReadData(data);
}

std::vector<std::string> MShape::DeriveCaptions() const
{
    return IsValid() ? GetDeriveCaptions() : std::vector<std::string>();
}

std::vector<std::unique_ptr<MShape>> MShape::DeriveShapes(TCanvas* shapeCanvas, int index) const
{
    if (!IsValid())
        return {};
    return MakeDerivedShapes(shapeCanvas, index);
}

int MShape::TruncatedMidpoint(int a, int b) { return int((std::int64_t(a) + b) / 2); }

int MShape::RoundedMidpoint(int a, int b) { return MTool::RoundToInt((double(a) + b) * 0.5); }

TRect MShape::ResizeSquare(const TRect& square, Side side, std::int64_t shift, std::int64_t half)
{
    const TRect& s = square;
    switch (side) {
    case Side::Top:
        return {Saturated(s.left + half), Saturated(s.top + shift), Saturated(s.right - half), s.bottom};
    case Side::Bottom:
        return {Saturated(s.left - half), s.top, Saturated(s.right + half), Saturated(s.bottom + shift)};
    case Side::Left:
        return {Saturated(s.left + shift), Saturated(s.top + half), s.right, Saturated(s.bottom - half)};
    case Side::Right:
        return {s.left, Saturated(s.top - half), Saturated(s.right + shift), Saturated(s.bottom + half)};
    }
    return square;
}

std::optional<MShape::Side> MShape::SideAt(TPoint point, TPoint top, TPoint bottom, TPoint left, TPoint right)
{
    if (point == top)
        return Side::Top;
    if (point == bottom)
        return Side::Bottom;
    if (point == left)
        return Side::Left;
    if (point == right)
        return Side::Right;
    return std::nullopt;
}

TRect MShape::PreviewSquareDrag(const TRect& square, Side side, int x, int y)
{
    const TPoint drag = MTool::SubtractPoints({x, y}, lastMouse);
    const bool vertical = side == Side::Top || side == Side::Bottom;
    const std::int64_t along = vertical ? drag.y : drag.x;
    previewPoint = OffsetPoint(grabPoint, vertical ? 0 : along, vertical ? along : 0);
    return ResizeSquare(square, side, along, along / 2);
}

bool MShape::IsHighlightMode(int mode)
{
    return mode == DRAW_ACTIVE || mode == DRAW_RESHAPE || mode == DRAW_LABEL;
}

// ---- Drawing routines

TPoint MShape::Zoomed(TPoint p) { return MTool::SubtractPoints(MTool::ZoomPoint(p), zoomOrigin); }

TRect MShape::Zoomed(const TRect& rect)
{
    const TRect zoomed = MTool::ZoomRect(rect);
    const TPoint topLeft = MTool::SubtractPoints({zoomed.left, zoomed.top}, zoomOrigin);
    const TPoint bottomRight = MTool::SubtractPoints({zoomed.right, zoomed.bottom}, zoomOrigin);
    return {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
}

TCanvas* MShape::ZoomCanvasLike(const TCanvas* source)
{
    if (zoomCanvas == nullptr || zoomCanvas == source)
        return nullptr;
    zoomCanvas->Pen.Color = source->Pen.Color;
    zoomCanvas->Pen.Style = source->Pen.Style;
    zoomCanvas->Brush.Color = source->Brush.Color;
    zoomCanvas->Brush.Style = source->Brush.Style;
    return zoomCanvas;
}

TRect MShape::BoxOf(const TRect& rect)
{
    const TRect box = MTool::NormalizeRect(rect);
    const TPoint outer = MTool::AddPoints({box.right, box.bottom}, {1, 1});
    return {box.left, box.top, outer.x, outer.y};
}

void MShape::NoteMagnified(const TRect& box) const
{
    TRect& e = magnifiedExtent;
    e = {std::min(e.left, box.left), std::min(e.top, box.top), std::max(e.right, box.right),
         std::max(e.bottom, box.bottom)};
}

void MShape::DrawSegment(TCanvas* target, TPoint a, TPoint b) const
{
    if (target == nullptr)
        return;
    NoteMagnified(MTool::NormalizeRect({a.x, a.y, b.x, b.y}));
    MTool::DrawLine(target, a, b);
    if (TCanvas* zoom = ZoomCanvasLike(target))
        MTool::DrawLine(zoom, Zoomed(a), Zoomed(b));
}

void MShape::DrawCrossMark(TCanvas* target, int x, int y, int size) const
{
    DrawMarkStrokes(target, x, y, size, true);
}

void MShape::DrawPlusMark(TCanvas* target, int x, int y, int size) const
{
    DrawMarkStrokes(target, x, y, size, false);
}

void MShape::DrawMarkStrokes(TCanvas* target, int x, int y, int size, bool diagonal) const
{
    if (target == nullptr)
        return;
    const TColor oldColor = target->Pen.Color;
    const TPenStyle oldStyle = target->Pen.Style;
    target->Pen.Style = psSolid;
    const DrawOptions& options = CurrentDrawOptions(param);
    const std::int64_t s = size != 0 ? size : options.activeWidth;
    const TPoint centre{x, y};
    if (diagonal) {
        DrawSegment(target, OffsetPoint(centre, -s, -s), OffsetPoint(centre, s, s));
        DrawSegment(target, OffsetPoint(centre, -s, s), OffsetPoint(centre, s, -s));
    } else {
        DrawSegment(target, OffsetPoint(centre, -s, 0), OffsetPoint(centre, s, 0));
        DrawSegment(target, OffsetPoint(centre, 0, -s), OffsetPoint(centre, 0, s));
    }
    // The centre pixel in the fill colour marks the exact point.
    target->Pen.Color = options.brush;
    DrawSegment(target, centre, centre);
    target->Pen.Color = oldColor;
    target->Pen.Style = oldStyle;
}

void MShape::DrawPerpendicularGuide(TCanvas* target, TPoint a, TPoint b, int size, bool dotted) const
{
    // A line without length has no perpendicular; the toolbox would answer
    // with the image corner.
    if (target == nullptr || a == b)
        return;
    const TPenStyle oldStyle = target->Pen.Style;
    if (dotted)
        target->Pen.Style = psDot;
    const int half = std::clamp(size, 0, kGuideLimit);
    DrawSegment(target, MTool::PerpendicularPoint(a, b, half, true), MTool::PerpendicularPoint(a, b, half, false));
    DrawSegment(target, MTool::PerpendicularPoint(b, a, half, true), MTool::PerpendicularPoint(b, a, half, false));
    target->Pen.Style = oldStyle;
}

void MShape::DrawArrowHead(TCanvas* target, TPoint from, TPoint to) const
{
    if (target == nullptr)
        return;
    const double d = MTool::Distance(from, to);
    if (d < kArrowMinDistance)
        return;
    const double ux = (double(from.x) - to.x) / d;
    const double uy = (double(from.y) - to.y) / d;
    const TPoint base =
        OffsetPoint(to, MTool::RoundToInt(kArrowLength * ux), MTool::RoundToInt(kArrowLength * uy));
    const int wx = MTool::RoundToInt(kArrowHalfWidth * ux);
    const int wy = MTool::RoundToInt(kArrowHalfWidth * uy);
    const std::array<TPoint, 3> triangle{to, OffsetPoint(base, -wy, wx), OffsetPoint(base, wy, -wx)};
    FillPolygon(target, triangle);
}

void MShape::FillPolygon(TCanvas* target, std::span<const TPoint> points) const
{
    if (target == nullptr || points.empty())
        return;
    target->Brush.Color = target->Pen.Color;
    target->Brush.Style = bsSolid;
    target->Polygon(points);
    // The magnifier shows arrowheads, not the large polygons.
    if (points.size() <= 3) {
        for (TPoint p : points)
            NoteMagnified({p.x, p.y, p.x, p.y});
        if (TCanvas* zoom = ZoomCanvasLike(target)) {
            std::vector<TPoint> zoomed;
            for (TPoint p : points)
                zoomed.push_back(Zoomed(p));
            zoom->Polygon(zoomed);
        }
    }
}

void MShape::DrawEllipseRect(TCanvas* target, const TRect& rect) const
{
    if (target == nullptr)
        return;
    NoteMagnified(MTool::NormalizeRect(rect));
    target->Ellipse(BoxOf(rect));
    if (TCanvas* zoom = ZoomCanvasLike(target))
        zoom->Ellipse(BoxOf(Zoomed(rect)));
}

void MShape::DrawArc(TCanvas* target, const TRect& rect, TPoint start, TPoint end) const
{
    if (target == nullptr || start == end)
        return;
    NoteMagnified(MTool::NormalizeRect(rect));
    const TRect box = BoxOf(rect);
    target->Arc(box.left, box.top, box.right, box.bottom, start.x, start.y, end.x, end.y);
    if (TCanvas* zoom = ZoomCanvasLike(target)) {
        const TRect zoomBox = BoxOf(Zoomed(rect));
        const TPoint zoomStart = Zoomed(start);
        const TPoint zoomEnd = Zoomed(end);
        zoom->Arc(zoomBox.left, zoomBox.top, zoomBox.right, zoomBox.bottom, zoomStart.x, zoomStart.y, zoomEnd.x,
                  zoomEnd.y);
    }
}

void MShape::DrawFrame(TCanvas* target, const TRect& rect) const
{
    if (target == nullptr)
        return;
    const TBrushStyle oldStyle = target->Brush.Style;
    target->Brush.Style = bsClear;
    target->Rectangle(BoxOf(rect));
    target->Brush.Style = oldStyle;
}

void MShape::DrawText(TCanvas* target, int x, int y, const std::string& text, TTextSlot* slot) const
{
    if (target == nullptr)
        return;
    const DrawOptions& options = CurrentDrawOptions(param);
    if (options.markHasBackground) {
        target->Brush.Color = options.markBackground;
        target->Brush.Style = bsSolid;
    } else {
        target->Brush.Style = bsClear;
    }
    target->Font.Color = options.markFont;
    if (slot)
        target->TextOut(x, y, text, *slot);
    else
        target->TextOut(x, y, text);
}

void MShape::DrawTextAt(TCanvas* target, TPoint point, const std::string& text, TTextSlot* slot) const
{
    DrawText(target, point.x, point.y, text, slot);
}

TRect MShape::LabelRect(int index, const TCanvas* picture) const
{
    const std::string& text = index == 1 ? label1 : label2;
    const TPoint at = MTool::AddPoints(GetLabelPos(index), index == 1 ? labelOffset1 : labelOffset2);
    TRect box = PlaceLabel(index, tool->TextRect(at.x, at.y, text, &labelSlots[std::size_t(index - 1)]));
    if (picture == nullptr)
        return box;
    // Along each axis, back inside past whichever edge it crosses; a label
    // larger than the picture stays where it is.
    const auto shift = [](int& low, int& high, int size) {
        std::int64_t by = 0;
        if (high > size && std::int64_t(high) - low <= size)
            by = std::int64_t(size) - high;
        else if (low < 0 && std::int64_t(high) - low <= size)
            by = -std::int64_t(low);
        low = Saturated(low + by);
        high = Saturated(high + by);
    };
    const int width = picture->Width();
    const int height = picture->Height();
    if (width > 0 && height > 0) {
        shift(box.left, box.right, width);
        shift(box.top, box.bottom, height);
    }
    return box;
}

void MShape::DrawLabelBox(int mode, TCanvas* target, int index)
{
    if (target == nullptr || (index != 1 && index != 2))
        return;
    const std::string& text = index == 1 ? label1 : label2;
    if (text.empty())
        return;
    const TRect box = LabelRect(index, target);
    scratch = {box.left, box.top};
    DrawTextAt(target, scratch, text, &labelSlots[index - 1]);
    if (mode == DRAW_ACTIVE || mode == DRAW_LABEL)
        DrawFrame(target, box);
}

TRect MShape::NameRect() const
{
    const TPoint centre = GetCenter();
    if (!CurrentDrawOptions(param).viewName || MTool::IsZeroPoint(centre))
        return {};
    const TPoint at = OffsetPoint(centre, -kNameOffset, -kNameOffset);
    return tool->TextRect(at.x, at.y, GetDisplayName());
}

void MShape::DrawName(TCanvas* target) const
{
    if (target == nullptr)
        return;
    const TPoint centre = GetCenter();
    if (MTool::IsZeroPoint(centre))
        return;
    DrawTextAt(target, OffsetPoint(centre, -kNameOffset, -kNameOffset), GetDisplayName(), &nameSlot);
}

void MShape::DrawDimension(TCanvas* target, TPoint a, TPoint b)
{
    if (target == nullptr)
        return;
    if (a == b) {
        // Nothing to draw; a line drawn before must not stay pickable.
        dimStart = dimEnd = dimAnchor = a;
        return;
    }
    const double d = MTool::Distance(a, b);
    const double angle = MTool::VectorAngle(a, b);
    const bool side = angle > 90 && angle < 270;

    const int e1 = Saturated(std::int64_t(dimOffset) + kDimensionGap);
    const int e2 = Saturated(std::int64_t(dimOffset) + kDimensionExtension);
    const int farOffset = std::abs(std::int64_t(e2)) < std::abs(std::int64_t(e1)) ? e1 : e2;
    const int nearOffset = farOffset == 0 ? kDimensionGap : (farOffset > 0 ? kDimensionGap : -kDimensionGap);

    // Points off a and off b, on the perpendiculars through them.
    const auto offA = [&](double length) { return MTool::PerpendicularPoint(a, b, length, side); };
    const auto offB = [&](double length) { return MTool::PerpendicularPoint(b, a, length, !side); };
    DrawSegment(target, offA(nearOffset), offA(farOffset));
    DrawSegment(target, offB(nearOffset), offB(farOffset));
    dimStart = MTool::Midpoint(offA(e1), offA(e2));
    dimEnd = MTool::Midpoint(offB(e1), offB(e2));

    if (d <= kDimensionInsideLimit) {
        // Too short for arrows inside: they point in from beyond the ends.
        // A dimension line dragged onto the measured points has no
        // perpendicular there, so its outer ends follow the line itself.
        const TPoint outerStart =
            dimStart == a ? MTool::PolarPoint(dimStart, kDimensionExtension, MTool::VectorAngle(b, a))
                          : MTool::PerpendicularPoint(dimStart, a, kDimensionExtension, !side);
        const TPoint outerEnd = dimEnd == b ? MTool::PolarPoint(dimEnd, kDimensionExtension, angle)
                                            : MTool::PerpendicularPoint(dimEnd, b, kDimensionExtension, side);
        DrawSegment(target, outerStart, outerEnd);
        DrawArrowHead(target, outerStart, dimStart);
        DrawArrowHead(target, outerEnd, dimEnd);
        dimAnchor = side ? dimStart : dimEnd;
    } else {
        DrawSegment(target, dimStart, dimEnd);
        DrawArrowHead(target, dimStart, dimEnd);
        DrawArrowHead(target, dimEnd, dimStart);
        dimAnchor = MTool::Midpoint(dimStart, dimEnd);
    }
}

bool MShape::BeyondPickReach(TPoint mouse, std::span<const TPoint> points, int tolerance)
{
    if (points.empty())
        return false;
    std::int64_t left = points.front().x, right = left, top = points.front().y, bottom = top;
    for (const TPoint p : points.subspan(1)) {
        left = std::min<std::int64_t>(left, p.x);
        right = std::max<std::int64_t>(right, p.x);
        top = std::min<std::int64_t>(top, p.y);
        bottom = std::max<std::int64_t>(bottom, p.y);
    }
    return BeyondPickReach(mouse, left, top, right, bottom, tolerance);
}

bool MShape::BeyondPickReach(TPoint mouse, std::int64_t left, std::int64_t top, std::int64_t right,
                             std::int64_t bottom, int tolerance)
{
    const std::int64_t reach = std::int64_t(std::max(tolerance, 0)) + 2;
    return mouse.x < left - reach || mouse.x > right + reach || mouse.y < top - reach || mouse.y > bottom + reach;
}

int MShape::HitLabel(int x, int y)
{
    const TPoint mouse{x, y};
    // The labels stand where they are drawn, on a picture the size of the
    // default canvas.
    for (const int index : {1, 2}) {
        if ((index == 1 ? label1 : label2).empty())
            continue;
        const TRect box = LabelRect(index, canvas);
        scratch = {box.left, box.top};
        if (MTool::PointInRect(mouse, box))
            return index;
    }
    return 0;
}

void MShape::DragLabel(int dx, int dy, int index)
{
    if (index != 1 && index != 2)
        return;
    TPoint& offset = index == 1 ? labelOffset1 : labelOffset2;
    const TPoint anchor = GetLabelPos(index);
    const TPoint candidate = MTool::SumPoints(anchor, offset, {dx, dy});
    if (MTool::WithinReach(anchor, candidate))
        offset = MTool::SubtractPoints(candidate, anchor);
}
