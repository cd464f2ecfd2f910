// The point shape: one click makes it, it is moved but never reshaped, and it
// has no measured values of its own. It is the operand of the point relations.
#pragma once

#include "shapes/MShape.h"

class MPoint : public MShape {
public:
    explicit MPoint(TCanvas* defaultCanvas);

    // A finished point at (x, y), for derivations and presets.
    static std::unique_ptr<MPoint> Create(TCanvas* defaultCanvas, int x, int y);

    std::string GetTypeName() const override;
    void Move(int dx, int dy) override;
    // Anywhere within the pick tolerance plus one pixel, in x and in y.
    int HitTest(int x, int y) override;
    int GetCursor(int code) const override;
    bool InRect(int left, int top, int right, int bottom) const override;
    void CreateMouseDown(int x, int y) override;
    void DrawBody(int mode, TCanvas* target) override;
    std::string GetTag() const override;
    TPoint GetCenter() const override;
    bool WriteData(MData& data, bool blank) const override;
    bool ReadData(MData data) override;
};
