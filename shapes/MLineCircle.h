// The relation of a line and a circle: whether the infinite line through the
// segment touches, cuts or misses the circle, whether it passes through the
// centre, the distance of the centre from the line and the chord it cuts.
// The perpendicular from the centre is drawn as a dimension, with the segment
// extended to its foot when the foot lies beyond it. It writes the foot into
// the value record and derives the foot and the perpendicular.
#pragma once

#include "shapes/MCircle.h"
#include "shapes/MLine.h"
#include "shapes/MRelation.h"

class MLineCircle : public MRelation {
public:
    // The line comes first, the circle second (horizontal and vertical lines
    // and three-point circles qualify). An operand of another kind leaves the
    // relation invalid.
    MLineCircle(MShape* a, MShape* b, TCanvas* defaultCanvas);

    std::string GetTypeName() const override;
    // The line has length.
    bool IsValid() const override;
    void BuildResults() override;
    int HitTest(int x, int y) override;
    void DrawBody(int mode, TCanvas* target) override;
    void DrawLabel(int mode, TCanvas* target) override;
    TPoint GetLabelPos(int index) const override;
    bool WriteData(MData& data, bool blank) const override;
    std::vector<std::string> GetDeriveCaptions() const override;
    std::vector<std::unique_ptr<MShape>> MakeDerivedShapes(TCanvas* shapeCanvas, int index) const override;

    MLine* line;     // not owned
    MCircle* circle; // not owned
    // As last computed: the foot of the perpendicular from the centre, and
    // the end of the segment nearer to it when it lies beyond the segment,
    // else (0, 0).
    TPoint foot, extEnd;

private:
    // The foot of the perpendicular from the centre, rounded to whole pixels.
    TPoint Foot() const;
    double Radius() const;
};
