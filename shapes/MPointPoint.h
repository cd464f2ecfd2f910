// The relation of two points: their distance, drawn as a dimension line
// between them. It writes their midpoint into the value record and derives
// that midpoint and the line through both points.
#pragma once

#include "shapes/MPoint.h"
#include "shapes/MRelation.h"

class MPointPoint : public MRelation {
public:
    // The points keep the order passed; the derived line runs from the
    // first to the second. An operand that is not a point leaves the
    // relation invalid.
    MPointPoint(MShape* a, MShape* b, TCanvas* defaultCanvas);

    std::string GetTypeName() const override;
    bool IsValid() const override;
    void BuildResults() override;
    int HitTest(int x, int y) override;
    void DrawBody(int mode, TCanvas* target) override;
    void DrawLabel(int mode, TCanvas* target) override;
    TPoint GetLabelPos(int index) const override;
    bool WriteData(MData& data, bool blank) const override;
    std::vector<std::string> GetDeriveCaptions() const override;
    std::vector<std::unique_ptr<MShape>> MakeDerivedShapes(TCanvas* shapeCanvas, int index) const override;

    MPoint* pointA; // the first point passed; not owned
    MPoint* pointB; // the second point passed; not owned

private:
    double Length() const;
};
