// The axis-parallel measuring rectangle: two clicks give two opposite corners
// (p1 and p2), and it reports width, height and area. The corners are not
// normalized: p1 may be any corner, and a corner may be dragged across the
// opposite edges. p1, p3, p2, p4 run round the rectangle in drawing order.
#pragma once

#include "shapes/MShape.h"

class MRect : public MShape {
public:
    explicit MRect(TCanvas* defaultCanvas);

    // A finished rectangle with the corners (x1, y1) and (x2, y2).
    static std::unique_ptr<MRect> Create(TCanvas* defaultCanvas, int x1, int y1, int x2, int y2);

    // |p1.x - p2.x| and |p1.y - p2.y|, in pixels.
    double GetWidth() const;
    double GetHeight() const;

    std::string GetTypeName() const override;
    void BuildResults() override;
    void Move(int dx, int dy) override;
    // A corner (p1, p2, p4, p3; grabbed for reshaping), else an edge, else a label.
    int HitTest(int x, int y) override;
    bool InRect(int left, int top, int right, int bottom) const override;
    void CreateMouseMove(int x, int y) override;
    void CreateMouseDown(int x, int y) override;
    // Moves the grabbed corner and the two sides through it.
    TPoint ReshapeEnd(int x, int y) override;
    void DrawBody(int mode, TCanvas* target) override;
    // "W:" and "H:" at the middles of the two edges through p1.
    void DrawLabel(int mode, TCanvas* target) override;
    TPoint GetLabelPos(int index) const override;
    std::string GetTag() const override;
    TPoint GetCenter() const override;
    // Centre (rounded midpoint), width and height.
    bool WriteData(MData& data, bool blank) const override;
    // After an edit p1 is the upper left corner; an odd size grows by one.
    bool ReadData(MData data) override;
    std::vector<std::string> GetDeriveCaptions() const override;
    std::vector<std::unique_ptr<MShape>> MakeDerivedShapes(TCanvas* shapeCanvas, int index) const override;

    TPoint p3; // (p1.x, p2.y)
    TPoint p4; // (p2.x, p1.y)

private:
    // p3 and p4 from p1 and p2.
    void PlaceOtherCorners();
};
