// The axis-parallel measuring ellipse: two clicks give two opposite corners of
// its bounding rectangle. It reports its horizontal axis A = |left.x - right.x|,
// its vertical axis B = |top.y - bottom.y| and its area, shows both axes as
// double-headed arrows through the centre with "A:" and "B:" labels, and
// derives its centre as a point. Creation never gives a zero axis: the second
// corner is pushed one pixel away from the first.
#pragma once

#include "shapes/MShape.h"

class MEllipse : public MShape {
public:
    explicit MEllipse(TCanvas* defaultCanvas);

    // A finished ellipse of the given bounding rectangle, as clicked from
    // (left, top) to (right, bottom).
    static std::unique_ptr<MEllipse> Create(TCanvas* defaultCanvas, const TRect& box);

    // Rebuilds centre and control points from `bounds`, normalized first.
    void UpdateFromBounds();
    // The two axes, full length, in pixels.
    double GetHorizontalAxis() const;
    double GetVerticalAxis() const;

    std::string GetTypeName() const override;
    void BuildResults() override;
    void Move(int dx, int dy) override;
    // A control point (top, bottom, left, right; grabbed for reshaping),
    // else the ellipse line, else a label.
    int HitTest(int x, int y) override;
    // Resize cursors over the grabbed control point.
    int GetCursor(int code) const override;
    bool InRect(int left, int top, int right, int bottom) const override;
    void CreateMouseMove(int x, int y) override;
    void CreateMouseDown(int x, int y) override;
    // Only the grabbed edge moves; the opposite edge stays.
    void ReshapeMove(int x, int y) override;
    // The grabbed edge moves by twice the rounded half of the drag.
    TPoint ReshapeEnd(int x, int y) override;
    void DrawBody(int mode, TCanvas* target) override;
    void DrawLabel(int mode, TCanvas* target) override;
    TPoint GetLabelPos(int index) const override;
    std::string GetTag() const override;
    TPoint GetCenter() const override;
    // Centre and both axes.
    bool WriteData(MData& data, bool blank) const override;
    bool ReadData(MData data) override;
    std::vector<std::string> GetDeriveCaptions() const override;
    std::vector<std::unique_ptr<MShape>> MakeDerivedShapes(TCanvas* shapeCanvas, int index) const override;

    // ---- Geometry: image pixels, y downwards ----
    TPoint top;    // on the horizontal edge through the first click
    TPoint left;   // on the vertical edge through the first click
    TPoint bottom; // on the opposite horizontal edge
    TPoint right;  // on the opposite vertical edge
    TPoint center;
    // Left and top are the edges of `left` and `top`, not necessarily the
    // smaller coordinates.
    TRect bounds;
    TRect previewBounds; // shown while a control point is dragged
};
