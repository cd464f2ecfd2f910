// The circular arc through three clicks: its first end point (p1), a point on
// the arc (`middle`) and its second end point (p2). It reports its arc angle,
// radius, the distance of the centre from the chord, the chord and the arc
// length; its labels show radius and angle along a radius line to the arc's
// midpoint (`anchor`). Either end point slides along the circle; four handles
// on the bounding square resize the circle about the opposite side and carry
// the ends along. It derives its circle centre and its chord.
//
// Angles are direction angles from the centre (0 right, 90 down: growing
// angles turn clockwise on screen). `clockwise` tells which of the two arcs
// between the ends is meant: true runs from p1 to p2 by growing angle, false
// from p2 to p1. On screen the arc is drawn counter-clockwise from its start
// radial, so the start is p2 for a clockwise arc and p1 otherwise.
#pragma once

#include "shapes/MShape.h"

#include <optional>

class MArc : public MShape {
public:
    explicit MArc(TCanvas* defaultCanvas);

    // A finished arc through the three points, as if clicked in this order.
    static std::unique_ptr<MArc> Create(TCanvas* defaultCanvas, TPoint first, TPoint onArc, TPoint last);

    // The arc's angle in degrees, 0 to 360, from the ends and the direction.
    double ComputeArcAngle() const;
    // The point of the circle at the middle angle of the arc.
    TPoint ComputeAnchor() const;
    // arcAngle x pi x the square's width / 360, in pixels.
    double GetArcLength() const;
    // Handles from `circleRect`, then arcAngle and anchor.
    void UpdateHandles();

    std::string GetTypeName() const override;
    void BuildResults() override;
    void Move(int dx, int dy) override;
    // An end point, then a handle (top, bottom, left, right), else the arc
    // itself between its ends, else a label.
    int HitTest(int x, int y) override;
    int GetCursor(int code) const override;
    // The box of the ends and of the circle's extreme points the arc passes.
    bool InRect(int left, int top, int right, int bottom) const override;
    void CreateMouseMove(int x, int y) override;
    void CreateMouseDown(int x, int y) override;
    // An end point previews snapped to the circle; a handle previews the
    // square resized about the opposite side.
    void ReshapeMove(int x, int y) override;
    TPoint ReshapeEnd(int x, int y) override;
    void DrawBody(int mode, TCanvas* target) override;
    void DrawLabel(int mode, TCanvas* target) override;
    TPoint GetLabelPos(int index) const override;
    // Both labels keep off the radius line and its arrowhead: the arc angle
    // beyond the arrow's tip, the radius on the side of the line it does not
    // cross.
    TRect PlaceLabel(int index, const TRect& box) const override;
    std::string GetTag() const override;
    // The arc's midpoint, where the name is drawn.
    TPoint GetCenter() const override;
    // Centre, radius and the begin and end angles, always for the arc taken
    // counter-clockwise (on screen) from begin to end: a clockwise arc is
    // written from its other side, so the record never depends on the flag.
    bool WriteData(MData& data, bool blank) const override;
    // Rebuilds the arc as the record describes it: from the begin angle to
    // the end angle, counter-clockwise on screen.
    bool ReadData(MData data) override;
    std::vector<std::string> GetDeriveCaptions() const override;
    std::vector<std::unique_ptr<MShape>> MakeDerivedShapes(TCanvas* shapeCanvas, int index) const override;

    // ---- Geometry: image pixels, y downwards ----
    TPoint handleTop;    // middle of the top side of the square
    TPoint handleLeft;   // middle of the left side
    TPoint handleBottom; // middle of the bottom side
    TPoint handleRight;  // middle of the right side
    TPoint centre;
    TRect circleRect;  // the circle's bounding square
    TRect previewRect; // shown while a handle is dragged
    // The second click; afterwards the snapped end shown while an end is dragged.
    TPoint middle;
    bool clockwise = false;
    double arcAngle = 0;
    TPoint anchor; // the arc's midpoint

private:
    // Nudges p2 until p1, middle and p2 are distinct and not collinear.
    void MakePointsUsable();
    // Centre and square of the circle through p1, middle and p2.
    void CircleThroughPoints();
    // The side whose handle is grabbed, in the order top, bottom, left,
    // right; none when grabPoint is none of them.
    std::optional<Side> GrabbedSide() const;
    // The angles of p1 and p2 seen from the centre.
    double StartAngle() const;
    double EndAngle() const;
    // Draws the arc on the circle from `from` to `to` in the arc's direction.
    void DrawArcBetween(TCanvas* target, TPoint from, TPoint to) const;
};
