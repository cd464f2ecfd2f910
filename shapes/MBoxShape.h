// What the circle and the ellipse share: a round outline inscribed in a box,
// a control point in the middle of each side of the box, and a plus mark at
// the centre. They are moved, hit, drawn, tested against a rubber band and
// derive their centre alike; each says how its outline is hit and how its
// box is created and reshaped.
#pragma once

#include "shapes/MShape.h"

#include <optional>

class MBoxShape : public MShape {
public:
    explicit MBoxShape(TCanvas* defaultCanvas);

    // Rebuilds centre and control points from `bounds`, normalized first:
    // the centre by the rounded midpoints, the control points by the
    // truncated ones, so for an odd size the centre lies a pixel beyond them.
    void UpdateFromBounds();

    void Move(int dx, int dy) override;
    // A control point (top, bottom, left, right; grabbed for reshaping),
    // else the outline, else a label.
    int HitTest(int x, int y) override;
    // Resize cursors over the grabbed control point.
    int GetCursor(int code) const override;
    // The box lies inside, borders included, also when it is inside out.
    bool InRect(int left, int top, int right, int bottom) const override;
    // The outline with its centre, and the control points when highlighted;
    // while reshaping, the preview box with the dragged point.
    void DrawBody(int mode, TCanvas* target) override;
    TPoint GetCenter() const override;
    // The centre as a new point for the first caption.
    std::vector<std::unique_ptr<MShape>> MakeDerivedShapes(TCanvas* shapeCanvas, int index) const override;

    // ---- Geometry: image pixels, y downwards ----
    TPoint top;    // on the top side of the box (the side of the first click, for an ellipse)
    TPoint left;   // on the left side
    TPoint bottom; // on the bottom side
    TPoint right;  // on the right side
    TPoint center;
    // The box. A circle's stays a square; an ellipse keeps its box as
    // clicked, with left and top on the first click's side, until a
    // numeric edit normalizes it.
    TRect bounds;
    TRect previewBounds; // the box shown while a control point is dragged

protected:
    // The control points from `bounds` by the truncated midpoints, as it is.
    void PlaceControlPoints();
    // The side whose control point is grabbed, tried in the order top,
    // bottom, left, right; none when grabPoint is none of them.
    std::optional<Side> GrabbedSide() const;
    // The mouse is within the tolerance of the outline.
    virtual bool NearOutline(TPoint mouse, int tolerance) const = 0;
};
