// The measuring circle and the circle through three points.
//
// A dragged circle grows a square from its first click toward the mouse, the
// side the smaller of the two distances; the circle through three points is
// the circle of three clicks. Once made, both are the same kind of shape: the
// same tag, type name, control points (the middles of the four sides of the
// bounding square), editing, results, label and value record, so the main
// window numbers them in one series. The circle reports radius, diameter,
// perimeter and area from its diameter D = |left.x - right.x|, shows D as a
// label with a double-headed diameter line, and derives its centre as a point.
//
// Relations read `center`, `left` and `right` directly.
#pragma once

#include "shapes/MBoxShape.h"

class MCircle : public MBoxShape {
public:
    explicit MCircle(TCanvas* defaultCanvas);

    // A finished circle of the given bounding square, for presets and tests.
    static std::unique_ptr<MCircle> Create(TCanvas* defaultCanvas, const TRect& square);

    // D = |left.x - right.x|, in pixels.
    double GetDiameter() const;

    std::string GetTypeName() const override;
    void BuildResults() override;
    void CreateMouseMove(int x, int y) override;
    void CreateMouseDown(int x, int y) override;
    // The preview moves the grabbed side by the drag and its neighbours by
    // the truncated half, so the square stays square.
    void ReshapeMove(int x, int y) override;
    // The commit moves the grabbed side by twice the rounded half of the
    // drag: an odd drag ends one pixel beyond the preview.
    TPoint ReshapeEnd(int x, int y) override;
    void DrawLabel(int mode, TCanvas* target) override;
    TPoint GetLabelPos(int index) const override;
    std::string GetTag() const override;
    // Centre and the rounded radius.
    bool WriteData(MData& data, bool blank) const override;
    bool ReadData(MData data) override;
    std::vector<std::string> GetDeriveCaptions() const override;

protected:
    bool NearOutline(TPoint mouse, int tolerance) const override;

private:
    // p2 and the square from p1 toward (x, y).
    void SquareToward(int x, int y);
};

// The circle through three clicks: p1, `second` and p2.
class MCircleTriple : public MCircle {
public:
    explicit MCircleTriple(TCanvas* defaultCanvas);

    void CreateMouseMove(int x, int y) override;
    void CreateMouseDown(int x, int y) override;
    // While creating: the rubber line to the second point, then the rubber
    // circle through all three; afterwards as any circle.
    void DrawBody(int mode, TCanvas* target) override;

    TPoint second; // the second click

private:
    // Takes the third point, pushes degenerate positions apart, and sets
    // centre and bounds of the circle through the three.
    void ThroughThirdPoint(int x, int y);
};
