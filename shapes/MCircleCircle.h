// The relation of two circles: how they lie (apart, touching from outside,
// crossing, touching from inside, one inside the other), the common chord of
// crossing circles, and whether they share their centre or else how far apart
// the centres are, drawn as a dimension between them. It writes the midpoint
// of the centres into the value record and derives the common tangents and
// the common chord.
#pragma once

#include "shapes/MCircle.h"
#include "shapes/MRelation.h"

// How two circles lie; `MCircleCircle::GetPosition`.
inline constexpr int CC_NONE = 0;         // one circle twice: same centre, same radius
inline constexpr int CC_SEPARATE = 1;     // apart
inline constexpr int CC_CIRCUMSCRIBE = 2; // touching from outside
inline constexpr int CC_INTERSECT = 3;    // crossing
inline constexpr int CC_INSCRIBE = 4;     // touching from inside
inline constexpr int CC_INCLUDE = 5;      // one inside the other, not touching (concentric included)

class MCircleCircle : public MRelation {
public:
    // The circles keep the order passed (three-point circles qualify). An
    // operand that is not a circle leaves the relation invalid.
    MCircleCircle(MShape* a, MShape* b, TCanvas* defaultCanvas);

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

    // One of the CC_ constants. Touching is decided exactly on the pixel
    // grid: the centre distance equals the sum or difference of the radii.
    int GetPosition() const;
    bool IsConcentric() const;
    // Length of the common chord of two crossing circles; 0 when they do not
    // cross or share their centre.
    static double ChordLength(const MCircle& x, const MCircle& y);
    // The common tangents that do not pass between the circles, each from
    // its point of contact on the smaller circle to that on the larger; one
    // tangent at the touching point for circles touching from inside.
    std::vector<std::unique_ptr<MShape>> MakeOuterTangents(TCanvas* shapeCanvas) const;
    // The common tangents that pass between the circles; one tangent at the
    // touching point for circles touching from outside.
    std::vector<std::unique_ptr<MShape>> MakeInnerTangents(TCanvas* shapeCanvas) const;
    // The line joining the two crossing points.
    std::vector<std::unique_ptr<MShape>> MakeCommonChord(TCanvas* shapeCanvas) const;

    MCircle* circleA; // the first circle passed; not owned
    MCircle* circleB; // the second circle passed; not owned

private:
    double CentreDistance() const;
    // The constructions offered: none for a circle of no size, which has no
    // tangents of its own.
    bool OffersConstructions() const;
};
