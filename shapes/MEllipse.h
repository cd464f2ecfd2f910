// The axis-parallel measuring ellipse: two clicks give two opposite corners of
// its bounding rectangle. It reports its horizontal axis A = |left.x - right.x|,
// its vertical axis B = |top.y - bottom.y| and its area, shows both axes as
// double-headed arrows through the centre with "A:" and "B:" labels, and
// derives its centre as a point. Creation never gives a zero axis: the second
// corner is pushed one pixel away from the first.
#pragma once

#include "shapes/MBoxShape.h"

class MEllipse : public MBoxShape {
public:
    explicit MEllipse(TCanvas* defaultCanvas);

    // A finished ellipse of the given bounding rectangle, as clicked from
    // (left, top) to (right, bottom).
    static std::unique_ptr<MEllipse> Create(TCanvas* defaultCanvas, const TRect& box);

    // The two axes, full length, in pixels.
    double GetHorizontalAxis() const;
    double GetVerticalAxis() const;

    std::string GetTypeName() const override;
    void BuildResults() override;
    void CreateMouseMove(int x, int y) override;
    void CreateMouseDown(int x, int y) override;
    // Only the grabbed edge moves; the opposite edge stays.
    void ReshapeMove(int x, int y) override;
    // The grabbed edge moves by twice the rounded half of the drag.
    TPoint ReshapeEnd(int x, int y) override;
    void DrawLabel(int mode, TCanvas* target) override;
    TPoint GetLabelPos(int index) const override;
    std::string GetTag() const override;
    // Centre and both axes.
    bool WriteData(MData& data, bool blank) const override;
    bool ReadData(MData data) override;
    std::vector<std::string> GetDeriveCaptions() const override;

protected:
    bool NearOutline(TPoint mouse, int tolerance) const override;
};
