// The text mark: an underlined text placed on the image, with a leader line
// from the nearer end of the underline to a target point. One click places
// it; the text is typed by the operator afterwards. It measures nothing, so
// it has no results, labels, tag or type name; its target is the one point
// the numeric entry window shows and edits, and the text follows the target.
#pragma once

#include "shapes/MShape.h"

#include <string>

class MMark : public MShape {
public:
    explicit MMark(TCanvas* defaultCanvas);

    void SetText(const std::string& newText) { text = newText; }
    const std::string& GetText() const { return text; }

    // The box the text occupies at the text position (p1).
    TRect TextBox() const;
    // The end of the underline nearer to `point`; the left end on a tie.
    TPoint NearestUnderlineEnd(TPoint point) const;

    // p1 is the text position, p2 the leader's target.
    void Move(int dx, int dy) override;
    // The target (grabbed for reshaping), else the text box, else the leader.
    int HitTest(int x, int y) override;
    // The whole text box and the target lie inside, borders included.
    bool InRect(int left, int top, int right, int bottom) const override;
    void CreateMouseDown(int x, int y) override;
    // Only the target is reshaped; any other grab changes nothing.
    TPoint ReshapeEnd(int x, int y) override;
    void DrawBody(int mode, TCanvas* target) override;
    // The target as the record's point; nothing for a captions-only record.
    bool WriteData(MData& data, bool blank) const override;
    // Moves the whole mark so that its target lands on the edited point.
    bool ReadData(MData data) override;

private:
    std::string text;
};
