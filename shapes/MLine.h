// The line segment, made by two clicks, and its two calibration variants that
// stay horizontal or vertical. A line measures its length, carries one label
// at its midpoint, and derives its midpoint and its perpendicular bisector.
#pragma once

#include "shapes/MShape.h"

class MLine : public MShape {
public:
    explicit MLine(TCanvas* defaultCanvas);

    // A finished line from (x1, y1) to (x2, y2), for derivations and presets.
    static std::unique_ptr<MLine> Create(TCanvas* defaultCanvas, int x1, int y1, int x2, int y2);

    // Length in pixels, not rounded.
    double GetLength() const;

    std::string GetTypeName() const override;
    void BuildResults() override;
    void Move(int dx, int dy) override;
    // An end within the pick tolerance (grabbed for reshaping), else the
    // segment, else a label.
    int HitTest(int x, int y) override;
    bool InRect(int left, int top, int right, int bottom) const override;
    void CreateMouseMove(int x, int y) override;
    void CreateMouseDown(int x, int y) override;
    TPoint ReshapeEnd(int x, int y) override;
    void DrawBody(int mode, TCanvas* target) override;
    void DrawLabel(int mode, TCanvas* target) override;
    TPoint GetLabelPos(int index) const override;
    std::string GetTag() const override;
    TPoint GetCenter() const override;
    bool WriteData(MData& data, bool blank) const override;
    bool ReadData(MData data) override;
    std::vector<std::string> GetDeriveCaptions() const override;
    std::vector<std::unique_ptr<MShape>> MakeDerivedShapes(TCanvas* shapeCanvas, int index) const override;
};

// A horizontal calibration length: its ends keep the y of the first click.
class MLineHori : public MLine {
public:
    explicit MLineHori(TCanvas* defaultCanvas);

    void CreateMouseMove(int x, int y) override;
    void CreateMouseDown(int x, int y) override;
    // Moves the grabbed end in x only.
    TPoint ReshapeEnd(int x, int y) override;
};

// A vertical calibration length: its ends keep the x of the first click.
class MLineVert : public MLine {
public:
    explicit MLineVert(TCanvas* defaultCanvas);

    void CreateMouseMove(int x, int y) override;
    void CreateMouseDown(int x, int y) override;
    // Moves the grabbed end in y only.
    TPoint ReshapeEnd(int x, int y) override;
};
