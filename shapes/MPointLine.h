// The relation of a point and a line: the distance of the point from the
// infinite line through the segment, drawn as a dimension along the
// perpendicular from the point, with the segment extended to the foot of that
// perpendicular when the foot lies beyond it. It writes the foot into the
// value record and derives the foot and the perpendicular.
#pragma once

#include "shapes/MLine.h"
#include "shapes/MPoint.h"
#include "shapes/MRelation.h"

class MPointLine : public MRelation {
public:
    // The point comes first, the line second (a horizontal or vertical line
    // qualifies). An operand of another kind leaves the relation invalid.
    MPointLine(MShape* a, MShape* b, TCanvas* defaultCanvas);

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

    MPoint* point; // not owned
    MLine* line;   // not owned
    // Of the last drawing: the foot of the perpendicular from the point, and
    // the end of the segment nearer to it when it lies beyond the segment,
    // else (0, 0).
    TPoint foot, extEnd;

private:
    // Distance of the point from the infinite line, not from the rounded foot.
    double Distance() const;
    TPoint Foot() const;
};
