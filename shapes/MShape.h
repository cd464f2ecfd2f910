// The root classes of every measuring shape and every two-shape relation.
//
// MBase holds the result list (the (name, value) texts the value window, the
// summary and printing show) and the four service singletons. MShape adds
// what makes a shape drawable and editable with the mouse: kind, life and
// edit state, creation clicks, control points, two movable measurement
// labels, the mouse protocol (creation, reshape of a control point, move,
// label drag), hit testing, drawing with colours by draw mode, and the hooks
// through which a shape writes its values into a value record and rebuilds
// itself from an edited one. Concrete shapes and relations override the
// virtual operations; the drawing routines here are shared by all of them.
//
// The data fields are public: the main window reads and writes `selected`,
// `marked` and `number`, and relations read the geometry of their operands.
#pragma once

#include "platform/gui/GuiTypes.h"
#include "platform/gui/TTextSlot.h"
#include "shapes/MRuleTool.h"
#include "shapes/MSerialNumber.h"
#include "shapes/MTool.h"

#include <Qt>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

class MData;
class MLan;
class MParam;
class MTool;
class TCanvas;

// Kinds of shapes and relations.
inline constexpr int KIND_POINT = 1;         // MPoint
inline constexpr int KIND_LINE = 2;          // MLine, MLineHori, MLineVert
inline constexpr int KIND_RECT = 3;          // MRect
inline constexpr int KIND_CIRCLE = 4;        // MCircle, MCircleTriple
inline constexpr int KIND_ELLIPSE = 5;       // MEllipse
inline constexpr int KIND_ARC = 6;           // MArc
inline constexpr int KIND_MARK = 7;          // MMark
inline constexpr int KIND_POLYGON = 8;       // MPolygon
inline constexpr int KIND_POINTPOINT = 21;   // MPointPoint
inline constexpr int KIND_POINTLINE = 22;    // MPointLine
inline constexpr int KIND_LINELINE = 23;     // MLineLine
inline constexpr int KIND_LINECIRCLE = 24;   // MLineCircle
inline constexpr int KIND_CIRCLECIRCLE = 25; // MCircleCircle

// Life states: a shape goes from creating to created once and never back.
inline constexpr int STATE_CREATING = 101; // being created by clicks
inline constexpr int STATE_CREATED = 102;  // creation finished

// Edit states of a finished shape.
inline constexpr int EDIT_RESHAPE = 201; // a control point is dragged
inline constexpr int EDIT_MOVE = 202;    // the whole shape, or one of its labels, is dragged
inline constexpr int EDIT_IDLE = 203;    // no drag

// Draw modes.
inline constexpr int DRAW_CREATE = 301;  // shape under creation (rubber band)
inline constexpr int DRAW_NORMAL = 302;  // normal drawing
inline constexpr int DRAW_ACTIVE = 303;  // the selected shape
inline constexpr int DRAW_RESHAPE = 304; // preview while a control point is dragged
inline constexpr int DRAW_MOVE = 305;    // preview while the whole shape is dragged
inline constexpr int DRAW_LABEL = 306;   // preview while a label is dragged

// Hit results.
inline constexpr int HIT_NONE = 400;  // miss
inline constexpr int HIT_BODY = 401;  // on the outline
inline constexpr int HIT_POINT = 402; // on a control point
inline constexpr int HIT_LABEL = 403; // on a measurement label

// The hit code picks the shape: a control point, the body or a label.
inline bool IsHit(int hit)
{
    return hit == HIT_POINT || hit == HIT_BODY || hit == HIT_LABEL;
}

// Cursor codes answered by MShape::GetCursor (the old class library's ids).
inline constexpr int crDefault = 0;
inline constexpr int crCross = -3;
inline constexpr int crSizeNS = -7;  // resizing up and down
inline constexpr int crSizeWE = -9;  // resizing left and right
inline constexpr int crUpArrow = -10; // a click closes the outline
inline constexpr int crSizeAll = -22;

// The Qt cursor of a cursor code.
inline Qt::CursorShape CursorShapeOf(int cursor)
{
    switch (cursor) {
    case crCross: return Qt::CrossCursor;
    case crSizeNS: return Qt::SizeVerCursor;
    case crSizeWE: return Qt::SizeHorCursor;
    case crUpArrow: return Qt::UpArrowCursor;
    case crSizeAll: return Qt::SizeAllCursor;
    default: return Qt::ArrowCursor;
    }
}

// One line of a result list.
struct MItem {
    std::string name;
    std::string value;
    friend bool operator==(const MItem&, const MItem&) = default;
};

class MBase {
public:
    MBase();
    virtual ~MBase() = default;
    // A shape is one object on the image; copies would share nothing sensible.
    MBase(const MBase&) = delete;
    MBase& operator=(const MBase&) = delete;

    // Localized name of the kind; empty here.
    virtual std::string GetTypeName() const;
    // The geometry is usable; gates results, drawing, value records and
    // derivations.
    virtual bool IsValid() const;
    // Appends the measured quantities through AddResult; nothing here.
    virtual void BuildResults();
    // The name shown on the image and in the lists; empty here.
    virtual std::string GetDisplayName() const;

    // Rebuilds the list: (type name, display name) when the type name is not
    // empty, then the measured quantities when the geometry is valid.
    std::vector<MItem>& GetResults();
    void ClearResults();
    void AddResult(const std::string& name, const std::string& value);

protected:
    std::vector<MItem> results;
    // The service singletons; not owned.
    MParam* param;
    MLan* lan;
    MTool* tool;
    MRuleTool* ruleTool;
};

class MShape : public MBase {
public:
    // The default canvas takes the preview draws; not owned.
    explicit MShape(TCanvas* defaultCanvas);

    // Tag followed by `number`, or empty when the tag is empty.
    std::string GetDisplayName() const override;

    // ---- Virtual operations, in the order every shape class follows ----
    // Translates every point.
    virtual void Move(int dx, int dy);
    // Hit code at (x, y). Here: HIT_LABEL on a shown label, else HIT_NONE.
    virtual int HitTest(int x, int y);
    // Cursor for an edit state or a hit code.
    virtual int GetCursor(int code) const;
    // The shape lies wholly inside the rectangle, borders included.
    virtual bool InRect(int left, int top, int right, int bottom) const;
    // Draws the shape in the colours of the mode, on `target` or else on the
    // default canvas.
    virtual void Draw(int mode, TCanvas* target = nullptr);
    // Rubber band while creating.
    virtual void CreateMouseMove(int x, int y);
    // One creation click; calls FinishCreate on the last one.
    virtual void CreateMouseDown(int x, int y);
    // After a mouse-down on a finished shape.
    virtual void EditMouseDown(int x, int y);
    // Preview geometry while a control point is dragged.
    virtual void ReshapeMove(int x, int y);
    // Moves the grabbed control point by (x, y) - lastMouse and returns it;
    // here returns p1 and changes nothing.
    virtual TPoint ReshapeEnd(int x, int y);
    virtual void DrawBody(int mode, TCanvas* target);
    // Computes label1/label2 and draws them with DrawLabelBox.
    virtual void DrawLabel(int mode, TCanvas* target);
    // Anchor of label 1 or 2.
    virtual TPoint GetLabelPos(int index) const;
    // Where the text box of label 1 or 2 (`box`, at its anchor plus offset)
    // goes to keep clear of the shape's own marks; here it stays.
    virtual TRect PlaceLabel(int index, const TRect& box) const;
    // Short tag before the number ("P", "L", ...).
    virtual std::string GetTag() const;
    // Where the display name is drawn; (0, 0) draws none.
    virtual TPoint GetCenter() const;
    // Writes the shape's values; with `blank` only captions with zero values.
    virtual bool WriteData(MData& data, bool blank) const;
    // Rebuilds the geometry from an edited record.
    virtual bool ReadData(MData data);
    // Captions of the shapes that can be derived from this one.
    virtual std::vector<std::string> GetDeriveCaptions() const;
    // Finished new shapes for the chosen caption (1-based).
    virtual std::vector<std::unique_ptr<MShape>> MakeDerivedShapes(TCanvas* shapeCanvas, int index) const;

    // ---- Public non-virtual operations ----
    int GetKind() const { return kind; }
    int GetEditState() const { return editState; }

    // The magnifier canvas shared by all shapes, or null. While it is set,
    // every segment, ellipse, arc and filled triangle is drawn again on it at
    // magnifier coordinates (MTool::ZoomPoint) minus `origin`, so the canvas
    // may be a window onto any part of the magnified picture.
    static void SetZoomCanvas(TCanvas* magnifier, TPoint origin = {0, 0});
    static TCanvas* GetZoomCanvas() { return zoomCanvas; }
    // Whether drawing the shape now may magnify something within `area` of
    // the picture (right and bottom included): false only when everything the
    // magnifier received from the shape since its last normal drawing lay
    // outside it. So, while the shape is as it was then, a view of that area
    // needs no drawing of it. True before the shape was first drawn.
    bool MayMagnifyInto(const TRect& area) const;

    // The mouse protocol; (x, y) in image pixels. Button and modifiers are
    // not used. MouseUp returns the control point a reshape moved, else (0, 0).
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void MouseMove(Qt::KeyboardModifiers shift, int x, int y);
    TPoint MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);

    void FinishCreate();

    // Clears the record, then writes into it when the shape is valid.
    bool ToData(MData& data, bool blank) const;
    // Rebuilds the shape when the record was edited.
    bool FromData(const MData& data);
    std::vector<std::string> DeriveCaptions() const;
    std::vector<std::unique_ptr<MShape>> DeriveShapes(TCanvas* shapeCanvas, int index) const;

    // The text box of label 1 or 2 as it is drawn on `picture`: at its
    // anchor plus offset, placed by PlaceLabel, then moved into the picture
    // where it fits, so that no label runs off the picture's edge when it
    // need not.
    TRect LabelRect(int index, const TCanvas* picture) const;

    static bool IsHighlightMode(int mode);
    // p moved by (dx, dy), saturating at the int range.
    static TPoint OffsetPoint(TPoint p, std::int64_t dx, std::int64_t dy);
    // A sum or difference of coordinates brought back into the int range.
    static int Saturated(std::int64_t value);
    // The two midpoint rules of the shapes: (a + b) / 2 truncated towards
    // zero, and (a + b) x 0.5 rounded half away from zero.
    static int TruncatedMidpoint(int a, int b);
    static int RoundedMidpoint(int a, int b);

    // ---- Fields, with their values after construction ----
    bool selected = true;
    bool marked = true; // the measurement labels are shown
    MSerialNumber number = 1; // serial number after the tag, given by the main window
    int kind = 0;       // set by each concrete constructor
    int state = STATE_CREATING;
    int editState = EDIT_RESHAPE;
    int clicks = 0;     // creation clicks taken so far
    TCanvas* canvas;    // default canvas; not owned
    TPoint p1, p2;      // the first two defining points
    TPoint grabPoint;   // the control point hit last; the rubber-band end while creating
    TPoint lastMouse;   // mouse at the last mouse-down or move step
    TPoint curMouse;    // mouse during a reshape
    TPoint previewPoint; // preview of a dragged control point
    TPoint dimStart, dimEnd, dimAnchor; // dimension line ends and its label anchor
    int dimOffset = 0;  // distance of the dimension line from the measured points
    TPoint labelOffset1, labelOffset2; // offsets of the labels from their anchors
    std::string label1, label2; // label texts; empty means no label
    int dragLabel = 0;  // 0 while the whole shape is moved, else the dragged label
    TPoint scratch;     // working point of the label routines

protected:
    // The canvas a drawing goes to: the given one, else the default canvas;
    // null when there is none or the shape is not valid.
    TCanvas* DrawTarget(TCanvas* target) const;
    // A drawing in `mode` begins: a normal one starts the magnified extent
    // afresh, the others add to it.
    void BeginDrawing(int mode);
    // The value texts of labels 1 and 2 (MRuleTool::FormatValue).
    std::array<MKeptText, 2> labelValues;

    // ---- Squares resized by the handles in the middles of their sides ----
    enum class Side { Top, Bottom, Left, Right };
    // The square with one side moved by `shift` (down or right when
    // positive) and the two sides next to it by `half`, so that it stays a
    // square about the opposite side.
    static TRect ResizeSquare(const TRect& square, Side side, std::int64_t shift, std::int64_t half);
    // Which of the four side handles is at `point`, tried in the order top,
    // bottom, left, right; none when it is none of them.
    static std::optional<Side> SideAt(TPoint point, TPoint top, TPoint bottom, TPoint left, TPoint right);
    // The preview while the handle of `side` is dragged to (x, y) from
    // lastMouse: the square resized by the drag and its half truncated, and
    // previewPoint at the grabbed handle moved with its side.
    TRect PreviewSquareDrag(const TRect& square, Side side, int x, int y);

    // ---- Drawing routines for the shapes; each does nothing without a canvas ----
    // The segment including its end pixel.
    void DrawSegment(TCanvas* target, TPoint a, TPoint b) const;
    // An X (or +) of half size `size`, or of the pick tolerance when `size`
    // is 0, with the centre pixel in the brush colour option.
    void DrawCrossMark(TCanvas* target, int x, int y, int size = 0) const;
    void DrawPlusMark(TCanvas* target, int x, int y, int size = 0) const;
    // Two short perpendiculars through the ends of a-b while a line is drawn.
    void DrawPerpendicularGuide(TCanvas* target, TPoint a, TPoint b, int size, bool dotted) const;
    // A filled arrowhead with its tip at `to`, when from and to are 10 px apart or more.
    void DrawArrowHead(TCanvas* target, TPoint from, TPoint to) const;
    // Filled in the pen colour; the brush stays solid.
    void FillPolygon(TCanvas* target, std::span<const TPoint> points) const;
    void DrawEllipseRect(TCanvas* target, const TRect& rect) const;
    void DrawArc(TCanvas* target, const TRect& rect, TPoint start, TPoint end) const;
    void DrawFrame(TCanvas* target, const TRect& rect) const;
    // Text in the mark font colour, on the mark background when that option
    // is on; a text drawn at every redraw keeps its shaped form in a slot.
    void DrawText(TCanvas* target, int x, int y, const std::string& text, TTextSlot* slot = nullptr) const;
    void DrawTextAt(TCanvas* target, TPoint point, const std::string& text, TTextSlot* slot = nullptr) const;
    // The box the display name is drawn in; empty while names are hidden or
    // the shape draws none.
    TRect NameRect() const;
    // Label 1 or 2 in its LabelRect, framed in the active and label modes.
    void DrawLabelBox(int mode, TCanvas* target, int index);
    void DrawName(TCanvas* target) const;
    // The dimension line of a relation; sets dimStart, dimEnd and dimAnchor.
    void DrawDimension(TCanvas* target, TPoint a, TPoint b);
    // 1 or 2 for the label under (x, y), else 0.
    int HitLabel(int x, int y);
    // Whether `mouse` lies more than tolerance + 2 pixels, along x or y,
    // outside the box around `points`. The pick tests of points, segments,
    // circles and ellipses reach no farther than the tolerance beyond the
    // box of the points and rectangle corners they test (the truncations of
    // the circle and ellipse tests add less than 2), so a body so far away
    // is skipped without them; a crowded picture is looked through at every
    // mouse move.
    static bool BeyondPickReach(TPoint mouse, std::span<const TPoint> points, int tolerance);
    // The same for the box from (left, top) to (right, bottom), normalized.
    static bool BeyondPickReach(TPoint mouse, std::int64_t left, std::int64_t top, std::int64_t right,
                                std::int64_t bottom, int tolerance);
    // Moves the label's offset by (dx, dy) while it stays within reach of its anchor.
    void DragLabel(int dx, int dy, int index);

private:
    // The magnifier's copy of a point or rectangle.
    static TPoint Zoomed(TPoint p);
    static TRect Zoomed(const TRect& rect);
    // The magnifier canvas with the pen and brush of `source`, or null.
    static TCanvas* ZoomCanvasLike(const TCanvas* source);
    // Normalized, with right and bottom one further, as the canvas fills.
    static TRect BoxOf(const TRect& rect);
    // The strokes of DrawCrossMark (diagonal) and DrawPlusMark.
    void DrawMarkStrokes(TCanvas* target, int x, int y, int size, bool diagonal) const;

    // Adds a rectangle of the picture (right and bottom included) to what the
    // magnifier received from the shape.
    void NoteMagnified(const TRect& box) const;

    static TCanvas* zoomCanvas;
    static TPoint zoomOrigin;
    // The picture pixels around everything the magnifier received from the
    // shape since its last normal drawing; unknown before the first drawing.
    mutable TRect magnifiedExtent;
    bool magnifiedExtentKnown = false;
    // The shaped name and labels of the last drawing.
    mutable TTextSlot nameSlot;
    mutable std::array<TTextSlot, 2> labelSlots;
};

// Label boxes are placed through these at every mouse move, for every shape.
inline TPoint MShape::OffsetPoint(TPoint p, std::int64_t dx, std::int64_t dy)
{
    return {MTool::TruncToInt(double(p.x + dx)), MTool::TruncToInt(double(p.y + dy))};
}

inline int MShape::Saturated(std::int64_t value) { return MTool::TruncToInt(double(value)); }
