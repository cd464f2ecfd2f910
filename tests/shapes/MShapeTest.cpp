#include "ShapeTestSupport.h"

#include "shapes/MArc.h"
#include "shapes/MData.h"
#include "shapes/MEllipse.h"
#include "shapes/MLine.h"
#include "shapes/MPolygon.h"
#include "shapes/MRect.h"

#include <algorithm>
#include <array>
#include <functional>

namespace {

// A shape whose hooks are set by the test, with the shared drawing routines
// opened up.
class ProbeShape : public MShape {
public:
    explicit ProbeShape(TCanvas* defaultCanvas) : MShape(defaultCanvas) {}

    using MShape::DragLabel;
    using MShape::DrawArc;
    using MShape::DrawArrowHead;
    using MShape::DrawCrossMark;
    using MShape::DrawDimension;
    using MShape::DrawEllipseRect;
    using MShape::DrawFrame;
    using MShape::DrawLabelBox;
    using MShape::DrawName;
    using MShape::DrawPerpendicularGuide;
    using MShape::DrawPlusMark;
    using MShape::DrawSegment;
    using MShape::DrawText;
    using MShape::FillPolygon;
    using MShape::HitLabel;

    std::string GetTypeName() const override { return typeName; }
    bool IsValid() const override { return valid; }
    void BuildResults() override { AddResult("Size", "7"); }
    std::string GetTag() const override { return tag; }
    TPoint GetCenter() const override { return centre; }
    TPoint GetLabelPos(int index) const override { return index == 1 ? anchor1 : index == 2 ? anchor2 : TPoint{}; }
    void DrawBody(int mode, TCanvas* target) override
    {
        bodyModes.push_back(mode);
        DrawSegment(target, {10, 10}, {20, 10});
    }
    void DrawLabel(int mode, TCanvas* target) override
    {
        ++labelDraws;
        DrawLabelBox(mode, target, 1);
        DrawLabelBox(mode, target, 2);
    }
    bool WriteData(MData& data, bool) const override
    {
        data.length[0].SetValue(5, "Size");
        return true;
    }
    bool ReadData(MData data) override
    {
        readLength = data.length[0].GetValue();
        return true;
    }
    std::vector<std::string> GetDeriveCaptions() const override { return {"Create Thing"}; }

    std::string typeName;
    std::string tag = "T";
    bool valid = true;
    TPoint centre;
    TPoint anchor1, anchor2;
    std::vector<int> bodyModes;
    int labelDraws = 0;
    double readLength = 0;
};

class MShapeTest : public ShapeFixture {
protected:
    ProbeShape shape{&canvas};
};

TEST_F(MShapeTest, ANewShapeIsBeingCreatedSelectedAndMarked)
{
    EXPECT_TRUE(shape.selected);
    EXPECT_TRUE(shape.marked);
    EXPECT_EQ(shape.number, 1);
    EXPECT_EQ(shape.state, STATE_CREATING);
    EXPECT_EQ(shape.GetEditState(), EDIT_RESHAPE);
    EXPECT_EQ(shape.clicks, 0);
    EXPECT_EQ(shape.canvas, &canvas);
    EXPECT_EQ(shape.labelOffset1, TPoint{});
    EXPECT_EQ(shape.labelOffset2, TPoint{});
    EXPECT_TRUE(shape.label1.empty());
    EXPECT_TRUE(shape.label2.empty());
    EXPECT_EQ(shape.dragLabel, 0);
    EXPECT_EQ(shape.dimOffset, 0);

    shape.FinishCreate();
    EXPECT_EQ(shape.state, STATE_CREATED);
    EXPECT_EQ(shape.GetEditState(), EDIT_IDLE);
}

TEST_F(MShapeTest, DisplayNameIsTheTagFollowedByTheNumber)
{
    shape.number = 12;
    EXPECT_EQ(shape.GetDisplayName(), "T12");
    shape.tag = "";
    EXPECT_EQ(shape.GetDisplayName(), "");
}

TEST_F(MShapeTest, ResultsStartWithTypeAndNameAndListValuesOnlyOfValidShapes)
{
    shape.number = 3;
    EXPECT_EQ(shape.GetResults(), (std::vector<MItem>{{"Size", "7"}})) << "no type name, no first item";

    shape.typeName = "Thing";
    EXPECT_EQ(shape.GetResults(), (std::vector<MItem>{{"Thing", "T3"}, {"Size", "7"}}));

    shape.valid = false;
    EXPECT_EQ(shape.GetResults(), (std::vector<MItem>{{"Thing", "T3"}}));
}

TEST_F(MShapeTest, CursorFollowsStateAndCode)
{
    for (int code : {HIT_NONE, HIT_BODY, EDIT_IDLE})
        EXPECT_EQ(shape.GetCursor(code), crCross) << "while creating, code " << code;
    shape.FinishCreate();
    const std::array<std::pair<int, int>, 7> cases{{{EDIT_RESHAPE, crCross},
                                                    {HIT_POINT, crCross},
                                                    {EDIT_MOVE, crSizeAll},
                                                    {HIT_BODY, crSizeAll},
                                                    {HIT_LABEL, crSizeAll},
                                                    {HIT_NONE, crDefault},
                                                    {EDIT_IDLE, crDefault}}};
    for (const auto& [code, cursor] : cases)
        EXPECT_EQ(shape.GetCursor(code), cursor) << "code " << code;
    EXPECT_EQ(CursorShapeOf(crCross), Qt::CrossCursor);
    EXPECT_EQ(CursorShapeOf(crSizeAll), Qt::SizeAllCursor);
    EXPECT_EQ(CursorShapeOf(crDefault), Qt::ArrowCursor);
}

TEST_F(MShapeTest, SegmentPaintsItsEndPixel)
{
    canvas.Pen.Color = kNormal;
    shape.DrawSegment(&canvas, {2, 5}, {7, 5});
    EXPECT_EQ(Row(5, 1, 8), ".nnnnnn.");
    shape.DrawSegment(&canvas, {3, 20}, {3, 20});
    EXPECT_EQ(Row(20, 2, 4), ".n.") << "a segment without length is its one pixel";
    shape.DrawSegment(nullptr, {2, 5}, {7, 5}); // no canvas, nothing to do
}

TEST_F(MShapeTest, MagnifierRepeatsSegmentsEllipsesArcsAndTrianglesAtItsOrigin)
{
    QImage zoomImage(100, 100, QImage::Format_RGB32);
    zoomImage.fill(ToQRgb(kBackground));
    TCanvas zoomCanvas(&zoomImage);
    zoomCanvas.Pen.Color = kDesign; // takes the pen of the main canvas
    MShape::SetZoomCanvas(&zoomCanvas, {3, 3});
    EXPECT_EQ(MShape::GetZoomCanvas(), &zoomCanvas);
    canvas.Pen.Color = kNormal;
    canvas.Brush.Style = bsClear;

    // Pixels 1..3 become cell centres 4..10, seen from the origin 3.
    shape.DrawSegment(&canvas, {1, 1}, {3, 1});
    EXPECT_EQ(Row(zoomImage, 1, 0, 8), ".nnnnnnn.");
    EXPECT_EQ(Row(1, 0, 4), ".nnn.");

    // The box 10..12 becomes 31..37, seen as 28..34.
    shape.DrawEllipseRect(&canvas, {12, 12, 10, 10});
    EXPECT_EQ(Column(zoomImage, 31, 27, 35), ".n.....n.");
    EXPECT_EQ(Row(zoomImage, 31, 27, 35), ".n.....n.");

    // The upper half, counter-clockwise from the right to the left.
    zoomImage.fill(ToQRgb(kBackground));
    shape.DrawArc(&canvas, {20, 10, 22, 12}, {22, 11}, {20, 11});
    EXPECT_EQ(Column(zoomImage, 61, 27, 35), ".n.......");
    EXPECT_EQ(Column(21, 9, 13), ".n...");

    // The arrowhead, tip at (20, 20): cell centre 61, seen at 58.
    zoomImage.fill(ToQRgb(kBackground));
    shape.DrawArrowHead(&canvas, {30, 20}, {20, 20});
    EXPECT_EQ(At(24, 20), 'n');
    EXPECT_EQ(Code(FromQRgb(zoomImage.pixel(58, 58))), 'n');
    EXPECT_EQ(Code(FromQRgb(zoomImage.pixel(70, 58))), 'n');

    // Larger polygons stay off the magnifier.
    zoomImage.fill(ToQRgb(kBackground));
    const std::array<TPoint, 4> square{{{50, 50}, {54, 50}, {54, 54}, {50, 54}}};
    shape.FillPolygon(&canvas, square);
    EXPECT_EQ(At(52, 52), 'n');
    EXPECT_EQ(Count(zoomImage, kNormal), 0);

    MShape::SetZoomCanvas(nullptr);
    shape.DrawSegment(&canvas, {1, 1}, {3, 1});
    EXPECT_EQ(Count(zoomImage, kNormal), 0);
}

TEST_F(MShapeTest, MarksAreSolidWithTheCentreInTheBrushColourAndRestoreThePen)
{
    canvas.Pen.Color = kActive;
    canvas.Pen.Style = psDot;
    shape.DrawCrossMark(&canvas, 10, 10, 2);
    EXPECT_EQ(Row(8, 7, 13), ".a...a.");
    EXPECT_EQ(Row(9, 7, 13), "..a.a..");
    EXPECT_EQ(Row(10, 7, 13), "...b...");
    EXPECT_EQ(Row(12, 7, 13), ".a...a.");
    EXPECT_EQ(canvas.Pen.Color, kActive);
    EXPECT_EQ(canvas.Pen.Style, psDot);

    shape.DrawPlusMark(&canvas, 30, 10, 2);
    EXPECT_EQ(Row(10, 27, 33), ".aabaa.");
    EXPECT_EQ(Column(30, 7, 13), ".aabaa.");
    EXPECT_EQ(canvas.Pen.Style, psDot);

    // Size 0 takes the pick tolerance.
    param->SetActiveWidth(4);
    shape.DrawCrossMark(&canvas, 50, 50, 0);
    EXPECT_EQ(Row(46, 45, 55), ".a.......a.");
}

TEST_F(MShapeTest, PerpendicularGuideCrossesBothEnds)
{
    canvas.Pen.Color = kNormal;
    shape.DrawPerpendicularGuide(&canvas, {10, 30}, {40, 30}, 5, false);
    EXPECT_EQ(Column(10, 24, 36), ".nnnnnnnnnnn.");
    EXPECT_EQ(Column(40, 24, 36), ".nnnnnnnnnnn.");
    EXPECT_EQ(Row(30, 11, 39), std::string(29, '.'));

    image.fill(ToQRgb(kBackground));
    canvas.Pen.Style = psSolid;
    canvas.Brush.Style = bsClear; // the gaps stay as they were
    shape.DrawPerpendicularGuide(&canvas, {10, 30}, {40, 30}, 5, true);
    EXPECT_EQ(Column(10, 24, 36), "...nnn...nnn.");
    EXPECT_EQ(canvas.Pen.Style, psSolid);

    // A line without length has no perpendicular.
    image.fill(ToQRgb(kBackground));
    shape.DrawPerpendicularGuide(&canvas, {10, 30}, {10, 30}, 5, false);
    EXPECT_EQ(Count(kNormal), 0);
}

TEST_F(MShapeTest, PerpendicularGuideIsAtMostFiveThousandPixelsEachWay)
{
    QImage tall(12, 12002, QImage::Format_RGB32);
    tall.fill(ToQRgb(kBackground));
    TCanvas tallCanvas(&tall);
    tallCanvas.Pen.Color = kNormal;
    shape.DrawPerpendicularGuide(&tallCanvas, {0, 6000}, {10, 6000}, 6000, false);
    EXPECT_EQ(Column(tall, 0, 999, 1001), ".nn");
    EXPECT_EQ(Column(tall, 0, 10999, 11001), "nn.");
}

TEST_F(MShapeTest, ArrowHeadNeedsTenPixels)
{
    canvas.Pen.Color = kMark;
    shape.DrawArrowHead(&canvas, {29, 20}, {20, 20});
    EXPECT_EQ(Count(kMark), 0);

    shape.DrawArrowHead(&canvas, {30, 20}, {20, 20});
    // Tip at (20, 20), base 8 px back, 2 px each side.
    EXPECT_EQ(Row(20, 19, 29), ".mmmmmmmmm.");
    EXPECT_EQ(Column(28, 17, 23), ".mmmmm.");
    EXPECT_EQ(canvas.Brush.Style, bsSolid);
    EXPECT_EQ(canvas.Brush.Color, kMark);
}

TEST_F(MShapeTest, FrameSurroundsItsRectangleBordersIncluded)
{
    canvas.Pen.Color = kMark;
    canvas.Brush.Style = bsSolid;
    shape.DrawFrame(&canvas, {20, 15, 10, 10});
    EXPECT_EQ(Row(10, 9, 21), ".mmmmmmmmmmm.");
    EXPECT_EQ(Row(12, 9, 21), ".m.........m.");
    EXPECT_EQ(Row(15, 9, 21), ".mmmmmmmmmmm.");
    EXPECT_EQ(Row(16, 9, 21), std::string(13, '.'));
    EXPECT_EQ(canvas.Brush.Style, bsSolid);
}

TEST_F(MShapeTest, TextTakesTheMarkFontColourAndOptionallyItsBackground)
{
    shape.DrawText(&canvas, 40, 40, "88");
    EXPECT_GT(Count(kMarkFont), 0);
    EXPECT_EQ(At(40, 40), '.');
    EXPECT_EQ(canvas.Brush.Style, bsClear);

    image.fill(ToQRgb(kBackground));
    param->SetBool(OPT_MARK_BG, true, false);
    shape.DrawText(&canvas, 40, 40, "88");
    EXPECT_EQ(At(40, 40), 'g');
    EXPECT_GT(Count(kMarkFont), 0);
    EXPECT_EQ(canvas.Brush.Style, bsSolid);
}

TEST_F(MShapeTest, LabelBoxIsFramedOnlyWhenActiveOrDragged)
{
    // Without a measuring canvas a text is 6 x 12 pixels a character.
    shape.label1 = "12";
    shape.anchor1 = {40, 40};
    shape.labelOffset1 = {10, 20};
    canvas.Pen.Color = kMark;
    for (int mode : {DRAW_NORMAL, DRAW_RESHAPE, DRAW_ACTIVE, DRAW_LABEL}) {
        image.fill(ToQRgb(kBackground));
        shape.DrawLabelBox(mode, &canvas, 1);
        const bool framed = mode == DRAW_ACTIVE || mode == DRAW_LABEL;
        EXPECT_EQ(Row(60, 49, 63), framed ? ".mmmmmmmmmmmmm." : "...............") << "mode " << mode;
        EXPECT_EQ(At(62, 72), framed ? 'm' : '.') << "mode " << mode;
        EXPECT_GT(Count(kMarkFont), 0) << "mode " << mode;
    }

    // No text, no label; an unknown index draws nothing.
    image.fill(ToQRgb(kBackground));
    shape.label1 = "";
    shape.DrawLabelBox(DRAW_ACTIVE, &canvas, 1);
    shape.label2 = "9";
    shape.DrawLabelBox(DRAW_ACTIVE, &canvas, 3);
    EXPECT_EQ(Count(kMark) + Count(kMarkFont), 0);
}

TEST_F(MShapeTest, NameIsDrawnUpAndLeftOfTheCentre)
{
    shape.centre = {60, 60};
    shape.number = 8;
    param->SetBool(OPT_MARK_BG, true, false);
    shape.DrawName(&canvas);
    EXPECT_EQ(At(45, 45), 'g');
    EXPECT_EQ(At(44, 45), '.');
    EXPECT_EQ(At(45, 44), '.');

    image.fill(ToQRgb(kBackground));
    shape.centre = {0, 0};
    shape.DrawName(&canvas);
    EXPECT_EQ(Count(kMarkBg), 0) << "a centre at (0, 0) has no name";
}

TEST_F(MShapeTest, ShortDimensionsPointInFromOutside)
{
    canvas.Pen.Color = kMark;
    shape.DrawDimension(&canvas, {20, 50}, {68, 50});
    EXPECT_EQ(shape.dimStart, (TPoint{20, 38}));
    EXPECT_EQ(shape.dimEnd, (TPoint{68, 38}));
    EXPECT_EQ(shape.dimAnchor, (TPoint{68, 38}));
    EXPECT_EQ(Row(38, 1, 3), ".mm") << "the line starts 18 px beyond the measured point";
    EXPECT_EQ(Row(38, 85, 87), "mm.");
    EXPECT_EQ(Column(20, 31, 45), ".mmmmmmmmmmmmm.") << "extension line 6 to 18 px off the point";

    image.fill(ToQRgb(kBackground));
    shape.DrawDimension(&canvas, {20, 50}, {69, 50});
    EXPECT_EQ(shape.dimAnchor, (TPoint{45, 38}));
    EXPECT_EQ(Row(38, 1, 19), std::string(19, '.'));
    EXPECT_EQ(Row(38, 20, 69), std::string(50, 'm'));
    EXPECT_EQ(Row(38, 70, 71), "..");

    // Measured from right to left the dimension still lies above.
    shape.DrawDimension(&canvas, {69, 100}, {20, 100});
    EXPECT_EQ(shape.dimStart, (TPoint{69, 88}));
}

TEST_F(MShapeTest, DimensionOnTheMeasuredPointsStillPointsAlongTheLine)
{
    canvas.Pen.Color = kMark;
    shape.dimOffset = -12;
    shape.DrawDimension(&canvas, {20, 50}, {68, 50});
    EXPECT_EQ(shape.dimStart, (TPoint{20, 50}));
    EXPECT_EQ(Row(50, 1, 3), ".mm");
    EXPECT_EQ(At(0, 0), '.');

    image.fill(ToQRgb(kBackground));
    shape.DrawDimension(&canvas, {30, 30}, {30, 30});
    EXPECT_EQ(shape.dimAnchor, (TPoint{30, 30}));
    EXPECT_EQ(Count(kMark), 0);
}

TEST_F(MShapeTest, DrawColoursFollowTheMode)
{
    const struct {
        int mode;
        bool selected;
        const char* row; // pixels 9..21 of the body's segment
    } cases[] = {
        {DRAW_CREATE, true, ".ddddddddddd."},
        {DRAW_NORMAL, true, ".sssssssssss."},
        {DRAW_NORMAL, false, ".nnnnnnnnnnn."},
        {DRAW_ACTIVE, true, ".aaaaaaaaaaa."},
        {DRAW_RESHAPE, true, ".aaaaaaaaaaa."},
        {DRAW_LABEL, false, ".aaaaaaaaaaa."},
        {DRAW_MOVE, true, ".nnn...nnn..."},
    };
    for (const auto& c : cases) {
        image.fill(ToQRgb(kBackground));
        shape.selected = c.selected;
        shape.Draw(c.mode);
        EXPECT_EQ(Row(10, 9, 21), c.row) << "mode " << c.mode;
        EXPECT_EQ(shape.bodyModes.back(), c.mode);
    }
}

TEST_F(MShapeTest, SelectedWhiteIsDrawnBlack)
{
    param->SetColor(OPT_COLOR_NORMAL, 0xFFFFFF);
    shape.Draw(DRAW_NORMAL, &canvas);
    EXPECT_EQ(canvas.Pixels(15, 10), clBlack);
    shape.selected = false;
    shape.Draw(DRAW_NORMAL, &canvas);
    EXPECT_EQ(canvas.Pixels(15, 10), clWhite);
}

TEST_F(MShapeTest, OptionsChangedBetweenDrawingsShowInTheNextOne)
{
    // Drawn once first, so that what is kept between drawings is in play.
    shape.selected = false;
    shape.label1 = "88";
    shape.anchor1 = {40, 40};
    shape.Draw(DRAW_NORMAL);
    const struct {
        const char* change;
        int option;
        int value;
        const char* body;  // pixels 9..21 of the body's segment
        bool labelShown;   // in the mark font colour
        char labelCorner;  // the label's top left pixel
    } cases[] = {
        {"normal colour", OPT_COLOR_NORMAL, int(kActive), ".aaaaaaaaaaa.", true, '.'},
        {"marks hidden", OPT_VIEW_MARK, 0, ".aaaaaaaaaaa.", false, '.'},
        {"marks shown", OPT_VIEW_MARK, 1, ".aaaaaaaaaaa.", true, '.'},
        {"label background", OPT_MARK_BG, 1, ".aaaaaaaaaaa.", true, 'g'},
        {"label background colour", OPT_COLOR_MARK_BG, int(kBrush), ".aaaaaaaaaaa.", true, 'b'},
    };
    for (const auto& c : cases) {
        param->SetInt(c.option, c.value, false);
        image.fill(ToQRgb(kBackground));
        shape.Draw(DRAW_NORMAL);
        EXPECT_EQ(Row(10, 9, 21), c.body) << c.change;
        EXPECT_EQ(Count(kMarkFont) > 0, c.labelShown) << c.change;
        EXPECT_EQ(At(40, 40), c.labelCorner) << c.change;
    }
}

TEST_F(MShapeTest, NamesAndLabelsAreLeftOutOfPreviewsOfCreationAndMoving)
{
    shape.centre = {80, 80};
    shape.label1 = "5";
    shape.anchor1 = {100, 100};
    for (int mode : {DRAW_CREATE, DRAW_MOVE}) {
        image.fill(ToQRgb(kBackground));
        shape.Draw(mode);
        EXPECT_EQ(shape.labelDraws, 0) << "mode " << mode;
        EXPECT_EQ(Count(kMarkFont), 0) << "mode " << mode;
    }
    shape.Draw(DRAW_ACTIVE);
    EXPECT_EQ(shape.labelDraws, 1);
    EXPECT_EQ(At(100, 100), 'm') << "label frame in the mark colour";
    EXPECT_GT(Count(kMarkFont), 0);

    param->SetBool(OPT_VIEW_MARK, false, false);
    shape.Draw(DRAW_ACTIVE);
    shape.marked = false;
    param->SetBool(OPT_VIEW_MARK, true, false);
    shape.Draw(DRAW_ACTIVE);
    EXPECT_EQ(shape.labelDraws, 1) << "no labels with marks hidden or the shape unmarked";
}

TEST_F(MShapeTest, InvalidShapeOrMissingCanvasDrawsNothing)
{
    shape.valid = false;
    shape.Draw(DRAW_NORMAL);
    ProbeShape orphan(nullptr);
    orphan.Draw(DRAW_NORMAL);
    EXPECT_TRUE(shape.bodyModes.empty());
    EXPECT_TRUE(orphan.bodyModes.empty());
    EXPECT_EQ(Count(kBackground), image.width() * image.height());
}

TEST_F(MShapeTest, LabelsAreHitOnlyWhileMarksAreShown)
{
    shape.FinishCreate();
    shape.label1 = "12"; // 12 x 12 pixels
    shape.anchor1 = {50, 50};
    shape.label2 = "3";
    shape.anchor2 = {80, 80};
    shape.labelOffset2 = {5, 0};
    EXPECT_EQ(shape.HitTest(62, 62), HIT_LABEL);
    EXPECT_EQ(shape.HitLabel(62, 62), 1);
    EXPECT_EQ(shape.HitTest(63, 55), HIT_NONE);
    EXPECT_EQ(shape.HitLabel(85, 80), 2);
    EXPECT_EQ(shape.HitLabel(84, 80), 0);

    param->SetBool(OPT_VIEW_MARK, false, false);
    EXPECT_EQ(shape.HitTest(55, 55), HIT_NONE);
    param->SetBool(OPT_VIEW_MARK, true, false);
    shape.marked = false;
    EXPECT_EQ(shape.HitTest(55, 55), HIT_NONE);
}

TEST_F(MShapeTest, LabelDragStopsBeyondThreeHundredPixels)
{
    shape.anchor1 = {10, 10};
    shape.DragLabel(180, 240, 1);
    EXPECT_EQ(shape.labelOffset1, (TPoint{180, 240})) << "exactly 300 px away";
    shape.DragLabel(0, 1, 1);
    EXPECT_EQ(shape.labelOffset1, (TPoint{180, 240})) << "300.8 px away";

    shape.DragLabel(-480, -240, 2);
    EXPECT_EQ(shape.labelOffset2, (TPoint{0, 0}));
    shape.DragLabel(301, 0, 2);
    EXPECT_EQ(shape.labelOffset2, (TPoint{0, 0}));
    shape.DragLabel(300, 0, 2);
    EXPECT_EQ(shape.labelOffset2, (TPoint{300, 0}));
}

TEST_F(MShapeTest, DraggingALabelWithTheMouseMovesOnlyTheLabel)
{
    shape.FinishCreate();
    shape.label1 = "12";
    shape.anchor1 = {50, 50};
    shape.MouseDown(Qt::LeftButton, Qt::NoModifier, 52, 52);
    EXPECT_EQ(shape.GetEditState(), EDIT_MOVE);
    EXPECT_EQ(shape.dragLabel, 1);
    shape.MouseMove(Qt::NoModifier, 60, 55);
    EXPECT_EQ(shape.labelOffset1, (TPoint{8, 3}));
    EXPECT_EQ(shape.bodyModes.back(), DRAW_LABEL);
    EXPECT_EQ(shape.MouseUp(Qt::LeftButton, Qt::NoModifier, 60, 55), (TPoint{0, 0}));
    EXPECT_EQ(shape.GetEditState(), EDIT_IDLE);
    EXPECT_EQ(shape.bodyModes.back(), DRAW_NORMAL);
}

TEST_F(MShapeTest, ReleaseWithoutADragDoesNothing)
{
    shape.FinishCreate();
    EXPECT_EQ(shape.MouseUp(Qt::LeftButton, Qt::NoModifier, 15, 10), (TPoint{0, 0}));
    shape.MouseDown(Qt::LeftButton, Qt::NoModifier, 100, 100); // a miss keeps the edit state
    EXPECT_EQ(shape.GetEditState(), EDIT_IDLE);
    EXPECT_EQ(shape.lastMouse, (TPoint{100, 100}));
    shape.MouseMove(Qt::NoModifier, 110, 110);
    EXPECT_EQ(shape.MouseUp(Qt::LeftButton, Qt::NoModifier, 110, 110), (TPoint{0, 0}));
    EXPECT_TRUE(shape.bodyModes.empty());
}

TEST_F(MShapeTest, RecordsAreWrittenForValidShapesAndReadOnlyWhenEdited)
{
    MData data;
    data.point.SetValue({1, 2}, "Old", false);
    data.SetEditable(false);
    EXPECT_TRUE(shape.ToData(data, false));
    EXPECT_FALSE(data.point.IsValid()) << "cleared first";
    EXPECT_TRUE(data.IsEditable());
    EXPECT_EQ(data.length[0].GetText(), "5");

    EXPECT_FALSE(shape.FromData(data));
    data.length[0].SetText("9");
    EXPECT_TRUE(shape.FromData(data));
    EXPECT_EQ(shape.readLength, 9.0);

    shape.valid = false;
    EXPECT_FALSE(shape.ToData(data, false));
    EXPECT_FALSE(data.length[0].IsValid());
}

TEST_F(MShapeTest, OnlyValidShapesOfferDerivations)
{
    EXPECT_EQ(shape.DeriveCaptions(), std::vector<std::string>{"Create Thing"});
    EXPECT_TRUE(shape.DeriveShapes(&canvas, 1).empty()) << "the base derives nothing";
    shape.valid = false;
    EXPECT_TRUE(shape.DeriveCaptions().empty());
}

// A shape far from the mouse is passed over without its pick tests, at
// the tolerance plus 2 pixels beyond the box of its points. Every pick of a
// body found on a dense grid lies at least a pixel inside that reach, so the
// short cut skips no shape that its tests would have picked.
TEST_F(MShapeTest, BodiesArePickedOnlyWellInsideTheReachThatPassesOverFarShapes)
{
    struct Kind {
        const char* name;
        std::function<std::unique_ptr<MShape>()> make;
        TRect box; // of the points the shape's tests use
    };
    // A concave star of ten points.
    const std::vector<TPoint> star{{90, 60}, {70, 66}, {69, 88}, {55, 70}, {35, 77},
                                   {48, 60}, {35, 43}, {55, 50}, {69, 32}, {70, 54}};
    const Kind kinds[] = {
        {"line", [&] { return MLine::Create(&canvas, 40, 50, 95, 71); }, {40, 50, 95, 71}},
        {"rectangle", [&] { return MRect::Create(&canvas, 45, 40, 90, 66); }, {45, 40, 90, 66}},
        {"circle", [&] { return MCircle::Create(&canvas, {41, 41, 82, 82}); }, {41, 41, 82, 82}},
        {"odd circle", [&] { return MCircle::Create(&canvas, {40, 40, 77, 77}); }, {40, 40, 77, 77}},
        {"ellipse", [&] { return MEllipse::Create(&canvas, {35, 48, 96, 71}); }, {35, 48, 96, 71}},
        {"arc", [&] { return MArc::Create(&canvas, {80, 60}, {60, 40}, {40, 60}); }, {40, 40, 80, 80}},
        {"polygon", [&] { return MPolygon::Create(&canvas, star); }, {35, 32, 90, 88}},
    };
    for (const int tolerance : {0, 3, 8}) {
        param->SetInt(OPT_ACTIVE_WIDTH, tolerance, false);
        for (const Kind& kind : kinds) {
            const std::unique_ptr<MShape> shape = kind.make();
            shape->marked = false; // the labels do not count here
            const TRect& box = kind.box;
            int picks = 0;
            for (int y = box.top - tolerance - 6; y <= box.bottom + tolerance + 6; ++y) {
                for (int x = box.left - tolerance - 6; x <= box.right + tolerance + 6; ++x) {
                    if (shape->HitTest(x, y) == HIT_NONE)
                        continue;
                    ++picks;
                    const int beyond = std::max({box.left - x, x - box.right, box.top - y, y - box.bottom, 0});
                    EXPECT_LE(beyond, tolerance + 1) << kind.name << " picked at " << x << "," << y
                                                     << " with tolerance " << tolerance;
                }
            }
            EXPECT_GT(picks, 0) << kind.name;
        }
    }
}

} // namespace
