// The relation of two lines. Lines whose directions differ intersect: the
// relation reports the angle between them and its supplement, draws an angle
// arc with arrowheads about their intersection point and extends each segment
// to that point when it does not reach it. Lines whose directions agree are
// parallel: it reports their distance, drawn as a dimension line. It writes
// the intersection point into the value record and derives the intersection
// point and the two angle bisectors.
#pragma once

#include "shapes/MLine.h"
#include "shapes/MRelation.h"

class MLineLine : public MRelation {
public:
    // The lines keep the order passed; all geometry works on them. An
    // operand that is not a line leaves the relation invalid.
    MLineLine(MShape* a, MShape* b, TCanvas* defaultCanvas);

    std::string GetTypeName() const override;
    bool IsValid() const override;
    void BuildResults() override;
    // Intersecting lines: widens or narrows the angle arc; parallel lines:
    // moves the dimension line.
    void Move(int dx, int dy) override;
    int HitTest(int x, int y) override;
    void DrawBody(int mode, TCanvas* target) override;
    void DrawLabel(int mode, TCanvas* target) override;
    TPoint GetLabelPos(int index) const override;
    bool WriteData(MData& data, bool blank) const override;
    std::vector<std::string> GetDeriveCaptions() const override;
    std::vector<std::unique_ptr<MShape>> MakeDerivedShapes(TCanvas* shapeCanvas, int index) const override;

    // Which of the two angles at the intersection is shown: the angle between
    // the segments themselves when the intersection lies at or beyond an end
    // of both (a V or L figure) and that angle is 90 degrees or more; the
    // acute angle otherwise.
    bool IsObtuse() const;
    // The arc between the two rays from the intersection, with a tick and an
    // arrowhead at each end; sets dimStart, dimEnd and dimAnchor.
    void DrawAngleArc(TCanvas* target);

    // The farthest the arc can be dragged out beyond its natural radius
    // (half the distance from the intersection to lineA's farther end).
    static constexpr int kMaxArcOffset = 300;
    // The smallest arc radius drawn.
    static constexpr int kMinArcRadius = 20;

    MLine* lineA; // the first line passed; not owned
    MLine* lineB; // the second line passed; not owned
    // Of the last drawing. Intersecting lines: the intersection point and
    // the ends of lineA (ext1) and lineB (ext2) nearer to it when it lies
    // outside their segments. Parallel lines: the midpoint of lineA (mid),
    // the foot of the perpendicular from it on lineB (vertex) and the nearer
    // end of lineB when that foot lies outside it (ext1). (0, 0) when unset.
    TPoint vertex, ext1, mid, ext2;
    int arcOffset = 0; // dragged addition to the arc radius

private:
    bool Intersecting() const;
    bool Parallel() const;
    // The acute angle between the two directions, 0 to 90 degrees.
    double AcuteAngle() const;
    // The angle shown: the acute angle or its supplement (IsObtuse).
    double ShownAngle() const;
    // Distance of lineB's first end from the line through lineA.
    double ParallelDistance() const;
    TPoint Intersection() const;
    void DrawParallel(TCanvas* target);
    void DrawIntersecting(TCanvas* target);
    int HitIntersecting(int x, int y) const;
};
