#include "ShapeTestSupport.h"

#include "shapes/MData.h"
#include "shapes/MMark.h"

namespace {

class MMarkTest : public ShapeFixture {
protected:
    // A mark placed by one click at (20, 30). Without a text canvas "Text"
    // is 24 by 12 pixels, so the underline runs from (20, 42) to (44, 42).
    MMarkTest() { mark.MouseDown(Qt::LeftButton, Qt::NoModifier, 20, 30); }

    // Measures texts on the picture's own canvas, so the text box is the one
    // the glyphs fill.
    void MeasureOnCanvas() { MTool::GetInstance()->SetCanvas(&canvas); }

    MMark mark{&canvas};
};

TEST_F(MMarkTest, OneClickPlacesTextWithTheTargetOnTheUnderlinesLeftEnd)
{
    MMark fresh(&canvas);
    EXPECT_EQ(fresh.GetKind(), KIND_MARK);
    EXPECT_EQ(fresh.GetText(), "Text");
    fresh.MouseDown(Qt::LeftButton, Qt::NoModifier, 20, 30);
    EXPECT_EQ(fresh.state, STATE_CREATED);
    EXPECT_EQ(fresh.GetEditState(), EDIT_IDLE);
    EXPECT_EQ(fresh.clicks, 1);
    EXPECT_EQ(fresh.p1, (TPoint{20, 30}));
    EXPECT_EQ(fresh.p2, (TPoint{20, 42}));
    // A further click changes nothing.
    fresh.CreateMouseDown(70, 80);
    EXPECT_EQ(fresh.p1, (TPoint{20, 30}));
}

TEST_F(MMarkTest, MeasuresNothing)
{
    mark.number = 4;
    EXPECT_TRUE(mark.GetResults().empty());
    EXPECT_EQ(mark.GetDisplayName(), "");
    EXPECT_EQ(mark.GetCenter(), (TPoint{0, 0}));
    EXPECT_TRUE(mark.DeriveCaptions().empty());
}

TEST_F(MMarkTest, TextBoxWithoutACanvasIsSixPixelsACharacterByTwelve)
{
    const struct {
        const char* text;
        TRect box;
    } cases[] = {
        {"Text", {20, 30, 44, 42}},
        {"Hello", {20, 30, 50, 42}},
        {"", {20, 30, 20, 42}},
        {"中文", {20, 30, 44, 42}}, // a wide character counts two
    };
    for (const auto& c : cases) {
        mark.SetText(c.text);
        EXPECT_EQ(mark.TextBox(), c.box) << c.text;
    }
}

TEST_F(MMarkTest, NearestUnderlineEndIsTheLeftOneOnATie)
{
    const struct {
        TPoint point;
        TPoint end;
    } cases[] = {
        {{0, 90}, {20, 42}},
        {{60, 0}, {44, 42}},
        {{32, 90}, {20, 42}}, // straight below the middle
        {{33, 90}, {44, 42}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(mark.NearestUnderlineEnd(c.point), c.end) << c.point.x << "," << c.point.y;
}

TEST_F(MMarkTest, HitsTheTargetTheTextBoxAndTheLeader)
{
    mark.p2 = {100, 100}; // leader to the right end (44, 42)
    const struct {
        TPoint mouse;
        int hit;
    } cases[] = {
        {{100, 100}, HIT_POINT}, {{103, 97}, HIT_POINT},
        {{20, 30}, HIT_BODY},    {{44, 42}, HIT_BODY},   {{30, 36}, HIT_BODY}, // box, borders included
        {{72, 71}, HIT_BODY},    {{74, 70}, HIT_BODY},                       // along the leader
        {{72, 90}, HIT_NONE},    {{15, 36}, HIT_NONE},   {{104, 100}, HIT_NONE},
    };
    for (const auto& c : cases)
        EXPECT_EQ(mark.HitTest(c.mouse.x, c.mouse.y), c.hit) << c.mouse.x << "," << c.mouse.y;
}

TEST_F(MMarkTest, AClickInTheTextMovesTheMarkAndOnTheTargetReshapesIt)
{
    mark.MouseDown(Qt::LeftButton, Qt::NoModifier, 30, 36);
    EXPECT_EQ(mark.GetEditState(), EDIT_MOVE);
    mark.MouseMove(Qt::NoModifier, 40, 46);
    EXPECT_EQ(mark.MouseUp(Qt::LeftButton, Qt::NoModifier, 40, 46), (TPoint{0, 0}));
    EXPECT_EQ(mark.p1, (TPoint{30, 40}));
    EXPECT_EQ(mark.p2, (TPoint{30, 52}));

    mark.MouseDown(Qt::LeftButton, Qt::NoModifier, 31, 53);
    EXPECT_EQ(mark.GetEditState(), EDIT_RESHAPE);
    mark.MouseMove(Qt::NoModifier, 91, 113);
    EXPECT_EQ(mark.MouseUp(Qt::LeftButton, Qt::NoModifier, 91, 113), (TPoint{90, 112}));
    EXPECT_EQ(mark.p1, (TPoint{30, 40})) << "the text stays";
    EXPECT_EQ(mark.p2, (TPoint{90, 112}));
}

TEST_F(MMarkTest, ReshapeWithoutTheTargetGrabbedChangesNothing)
{
    mark.grabPoint = {0, 0};
    mark.lastMouse = {20, 42};
    EXPECT_EQ(mark.ReshapeEnd(60, 60), (TPoint{0, 0}));
    EXPECT_EQ(mark.p2, (TPoint{20, 42}));
}

TEST_F(MMarkTest, LiesInARectangleOnlyWithItsWholeTextAndItsTarget)
{
    mark.p2 = {60, 70};
    const struct {
        TRect band;
        bool inside;
    } cases[] = {
        {{20, 30, 60, 70}, true}, // borders included
        {{0, 0, 100, 100}, true},
        {{21, 30, 60, 70}, false}, // the text reaches out to the left
        {{20, 31, 60, 70}, false},
        {{20, 30, 43, 70}, false}, // the box's right edge is outside
        {{20, 30, 60, 69}, false}, // the target is outside
        {{20, 30, 59, 70}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(mark.InRect(c.band.left, c.band.top, c.band.right, c.band.bottom), c.inside)
            << c.band.left << "," << c.band.top << "," << c.band.right << "," << c.band.bottom;
}

TEST_F(MMarkTest, ANewMarkShowsItsTextUnderlinedWithoutALeader)
{
    MeasureOnCanvas();
    MMark fresh(&canvas);
    fresh.MouseDown(Qt::LeftButton, Qt::NoModifier, 20, 30);
    fresh.selected = false;
    const TRect box = fresh.TextBox();
    ASSERT_GT(box.right, box.left);
    fresh.Draw(DRAW_NORMAL);

    EXPECT_EQ(Row(box.bottom, box.left, box.right), std::string(box.right - box.left + 1, 'n'));
    EXPECT_EQ(At(box.left - 1, box.bottom), '.');
    EXPECT_EQ(At(box.right + 1, box.bottom), '.');
    EXPECT_EQ(Column(box.left, box.bottom + 1, box.bottom + 10), "..........") << "no leader";
    EXPECT_GT(Count(kMarkFont), 0) << "the text in the mark font colour";
    EXPECT_EQ(Count(kMarkBg), 0) << "on a transparent background";

    image.fill(ToQRgb(kBackground));
    param->SetBool(OPT_MARK_BG, true, false);
    fresh.Draw(DRAW_NORMAL);
    EXPECT_EQ(At(box.left, box.top), 'g');
    EXPECT_GT(Count(kMarkFont), 0);
}

TEST_F(MMarkTest, TheLeaderAppearsBeyondThePickToleranceFromTheNearerEnd)
{
    mark.selected = false;
    // Three pixels below the left end is within the tolerance.
    mark.p2 = {20, 45};
    mark.Draw(DRAW_NORMAL);
    EXPECT_EQ(Column(20, 43, 45), "...");

    image.fill(ToQRgb(kBackground));
    mark.p2 = {20, 46};
    mark.Draw(DRAW_NORMAL);
    EXPECT_EQ(Column(20, 43, 46), "nnnn");

    // Straight below the middle the leader goes to the left end.
    image.fill(ToQRgb(kBackground));
    mark.p2 = {32, 80};
    mark.Draw(DRAW_NORMAL);
    EXPECT_EQ(At(32, 80), 'n');
    EXPECT_EQ(At(26, 61), 'n');
    EXPECT_EQ(At(38, 61), '.');
}

TEST_F(MMarkTest, TheActiveMarkIsFramedWithACrossAtTheTarget)
{
    MeasureOnCanvas();
    MMark active(&canvas);
    active.MouseDown(Qt::LeftButton, Qt::NoModifier, 20, 30);
    active.p2 = {80, 100};
    const TRect box = active.TextBox();
    active.Draw(DRAW_ACTIVE);

    const std::string edge(box.right - box.left + 1, 'a');
    EXPECT_EQ(Row(box.top, box.left, box.right), edge);
    EXPECT_EQ(Row(box.bottom, box.left, box.right), edge);
    EXPECT_EQ(Column(box.left, box.top, box.bottom), std::string(box.bottom - box.top + 1, 'a'));
    EXPECT_EQ(Column(box.right, box.top, box.bottom), std::string(box.bottom - box.top + 1, 'a'));
    EXPECT_EQ(At(box.right + 1, box.top), '.');
    // The cross at the target, half size the pick tolerance.
    EXPECT_EQ(At(80, 100), 'b');
    EXPECT_EQ(At(77, 97), 'a');
    EXPECT_EQ(At(83, 103), 'a');
    EXPECT_EQ(At(76, 96), '.');

    // Drawn normally it has neither.
    image.fill(ToQRgb(kBackground));
    active.selected = false;
    active.Draw(DRAW_NORMAL);
    EXPECT_EQ(At(box.left, box.top), '.');
    EXPECT_EQ(At(77, 97), '.');
}

TEST_F(MMarkTest, DraggingTheTargetPreviewsTheNewLeader)
{
    mark.MouseDown(Qt::LeftButton, Qt::NoModifier, 20, 42);
    ASSERT_EQ(mark.GetEditState(), EDIT_RESHAPE);
    mark.MouseMove(Qt::NoModifier, 20, 120);
    // From the left end (20, 42) down to the preview target (20, 120).
    EXPECT_EQ(Column(20, 43, 120), std::string(78, 'a'));
    EXPECT_EQ(mark.p2, (TPoint{20, 42})) << "only the release moves the target";
}

TEST_F(MMarkTest, RecordShowsTheTargetAsCentrePointAndMovesTheWholeMark)
{
    MData data;
    data.SetImageHeight(100);
    mark.p2 = {60, 70};
    ASSERT_TRUE(mark.ToData(data, false));
    EXPECT_EQ(data.point.GetCaption(), "Center Point");
    EXPECT_EQ(data.point.GetTextX(), "60");
    EXPECT_EQ(data.point.GetTextY(), "30");
    EXPECT_FALSE(mark.FromData(data)) << "unedited";

    data.point.SetText("70", "20");
    EXPECT_TRUE(mark.FromData(data));
    EXPECT_EQ(mark.p2, (TPoint{70, 80}));
    EXPECT_EQ(mark.p1, (TPoint{30, 40}));

    MData blank;
    EXPECT_FALSE(mark.ToData(blank, true));
    EXPECT_FALSE(blank.point.IsValid());
}

} // namespace
