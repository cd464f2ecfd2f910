// The common base of the two-shape relations (point-point, point-line,
// line-line, line-circle, circle-circle).
//
// A relation measures how two existing shapes lie to each other. It holds its
// operands without owning them and reads their geometry afresh on every
// draw, report and derivation, so it follows every edit of them; the main
// window deletes every relation that uses a shape before it deletes the
// shape. A relation is finished from its construction (no creation clicks)
// and its only editable state is where its dimension line and label sit.
//
// The base fixes what all kinds share: the operands in a stable order (for
// the display name and for the main window's lookups), the drawing colours,
// the cursor, the dimension-line drag, and helpers for the hit test, the
// value record and the derive captions. Each kind adds its typed operands,
// its geometry, its body, its label and its derived shapes.
#pragma once

#include "shapes/MShape.h"

class MRelation : public MShape {
public:
    // Operands of different kinds stay in the order passed (the caller puts
    // the point before the line and the line before the circle); operands of
    // one kind are ordered by number, `a` first on equal numbers.
    MRelation(MShape* a, MShape* b, TCanvas* defaultCanvas);

    // The kind of relation two shapes make, whichever comes first: two
    // points KIND_POINTPOINT, a point and a line KIND_POINTLINE, two lines
    // KIND_LINELINE, a line and a circle KIND_LINECIRCLE, two circles
    // KIND_CIRCLECIRCLE; 0 for any other pair (rectangles, ellipses, arcs,
    // polygons and text marks take part in none).
    static int KindFor(const MShape* a, const MShape* b);
    // That relation, with the point before the line and the line before the
    // circle; null for a pair that makes none.
    static std::unique_ptr<MRelation> Create(MShape* a, MShape* b, TCanvas* defaultCanvas);

    // The operands' display names joined by a blank: "P1 L3".
    std::string GetDisplayName() const override;
    // Moves the dimension line nearer to or farther from the measured points;
    // the operands never move.
    void Move(int dx, int dy) override;
    // Size-all while moving or over the dimension or label, else the default:
    // a relation has no control point.
    int GetCursor(int code) const override;
    // Body and label in the mark colour, or in the active colour when
    // selected; the label whenever marks are shown, in every mode.
    void Draw(int mode, TCanvas* target = nullptr) override;

    // The two operands after ordering; not owned.
    MShape* shapeA;
    MShape* shapeB;

protected:
    // (x, y) within the pick tolerance of the dimension line last drawn.
    bool NearDimensionLine(int x, int y) const;
    // The perpendicular from `point` to the line through l1 and l2, drawn as
    // a dimension from its foot to `point`. `foot` gets the foot, rounded to
    // whole pixels. When the foot lies beyond an end of the segment (by more
    // than 2 px of slack) `extEnd` gets the nearer end and the segment is
    // extended to the foot; else `extEnd` is (0, 0).
    void DrawFootDimension(TCanvas* target, TPoint l1, TPoint l2, TPoint point, TPoint& foot, TPoint& extEnd);
    // The hit test that goes with it: the dimension line (HIT_LABEL), the
    // extension (HIT_BODY), then the base test.
    int HitFootDimension(int x, int y, TPoint foot, TPoint extEnd);
    // The record of every kind: nothing for a blank record (false); else the
    // record made read-only and `point` written with the caption of
    // `captionSlot`, y mirrored for the operator (true).
    bool WritePoint(MData& data, bool blank, TPoint point, int captionSlot) const;
    // "Create " followed by the text of `slot`.
    std::string DeriveCaption(int slot) const;
    // The derivations of a relation that offers a point and a line: caption
    // 1 makes a point at `at`, caption 2 the line from `from` to `to`, which
    // is offered only while the two differ.
    std::vector<std::string> PointAndLineCaptions(int pointSlot, int lineSlot, TPoint from, TPoint to) const;
    static std::vector<std::unique_ptr<MShape>> MakePointOrLine(TCanvas* shapeCanvas, int index, TPoint at,
                                                                TPoint from, TPoint to);
};
