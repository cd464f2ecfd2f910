#include "ShapeTestSupport.h"

#include "shapes/MData.h"
#include "shapes/MLine.h"
#include "shapes/MPoint.h"

namespace {

class MLineTest : public ShapeFixture {
protected:
    // A finished horizontal line 40 px long, label anchor (40, 40).
    std::unique_ptr<MLine> line = MLine::Create(&canvas, 20, 40, 60, 40);
};

TEST_F(MLineTest, TwoClicksMakeALineWithARubberBandBetween)
{
    MLine fresh(&canvas);
    EXPECT_EQ(fresh.GetKind(), KIND_LINE);
    fresh.MouseMove(Qt::NoModifier, 70, 70);
    EXPECT_EQ(Count(kDesign), 0) << "no band before the first click";

    Click(fresh, 10, 10);
    EXPECT_EQ(fresh.clicks, 1);
    EXPECT_EQ(fresh.state, STATE_CREATING);
    fresh.MouseMove(Qt::NoModifier, 30, 10);
    EXPECT_EQ(fresh.grabPoint, (TPoint{30, 10}));
    EXPECT_EQ(Row(10, 9, 31), "." + std::string(21, 'd') + ".");

    Click(fresh, 40, 12);
    EXPECT_EQ(fresh.state, STATE_CREATED);
    EXPECT_EQ(fresh.GetEditState(), EDIT_IDLE);
    EXPECT_EQ(fresh.clicks, 2);
    EXPECT_EQ(fresh.p1, (TPoint{10, 10}));
    EXPECT_EQ(fresh.p2, (TPoint{40, 12}));

    fresh.CreateMouseDown(90, 90);
    EXPECT_EQ(fresh.p2, (TPoint{40, 12})) << "later clicks do nothing";
}

TEST_F(MLineTest, DragDrawingMakesALineByPressDragAndRelease)
{
    param->SetBool(OPT_DRAG_DRAW, true, false);
    MLine fresh(&canvas);
    fresh.MouseDown(Qt::LeftButton, Qt::NoModifier, 10, 10);
    fresh.MouseMove(Qt::NoModifier, 25, 30);
    fresh.MouseUp(Qt::LeftButton, Qt::NoModifier, 40, 10);
    EXPECT_EQ(fresh.state, STATE_CREATED);
    EXPECT_EQ(fresh.p1, (TPoint{10, 10}));
    EXPECT_EQ(fresh.p2, (TPoint{40, 10}));
}

TEST_F(MLineTest, LengthIsReportedInPixelsOrTheCalibratedUnit)
{
    EXPECT_EQ(line->GetResults(), (std::vector<MItem>{{"Line", "L1"}, {"Length", "40 px"}}));
    line->Draw(DRAW_NORMAL);
    EXPECT_EQ(line->label1, "40");

    Calibrate(0.01, "mm", "um");
    EXPECT_EQ(line->GetResults()[1], (MItem{"Length", "400 um"}));
    line->Draw(DRAW_NORMAL);
    EXPECT_EQ(line->label1, "400");

    Calibrate(0.5, "mm");
    EXPECT_EQ(line->GetResults()[1], (MItem{"Length", "20 mm"}));

    Calibrate(0, "");
    line->p2 = {21, 41};
    EXPECT_DOUBLE_EQ(line->GetLength(), std::sqrt(2.0));
    EXPECT_EQ(line->GetResults()[1], (MItem{"Length", "1.4142 px"}));
}

TEST_F(MLineTest, HitTestFindsEndsThenSegmentThenLabel)
{
    const struct {
        int x, y, hit;
        TPoint grab;
    } cases[] = {
        {23, 43, HIT_POINT, {20, 40}}, {17, 37, HIT_POINT, {20, 40}}, {63, 37, HIT_POINT, {60, 40}},
        {16, 40, HIT_NONE, {}},        {24, 44, HIT_NONE, {}},        {40, 43, HIT_BODY, {}},
        {40, 37, HIT_BODY, {}},        {40, 44, HIT_NONE, {}},        {64, 40, HIT_NONE, {}},
    };
    for (const auto& c : cases) {
        line->grabPoint = {};
        EXPECT_EQ(line->HitTest(c.x, c.y), c.hit) << c.x << "," << c.y;
        EXPECT_EQ(line->grabPoint, c.grab) << c.x << "," << c.y;
    }

    // The label "40" covers (40, 40)-(52, 52) once drawn.
    EXPECT_EQ(line->HitTest(50, 50), HIT_NONE);
    line->Draw(DRAW_NORMAL);
    EXPECT_EQ(line->HitTest(50, 50), HIT_LABEL);
    param->SetBool(OPT_VIEW_MARK, false, false);
    EXPECT_EQ(line->HitTest(50, 50), HIT_NONE);
}

TEST_F(MLineTest, ALineWithoutLengthIsStillAPoint)
{
    auto dot = MLine::Create(&canvas, 30, 30, 30, 30);
    EXPECT_EQ(dot->GetLength(), 0.0);
    EXPECT_EQ(dot->HitTest(30, 30), HIT_POINT);
    dot->Draw(DRAW_NORMAL);
    EXPECT_EQ(dot->label1, "0");
    EXPECT_EQ(dot->DeriveCaptions(), std::vector<std::string>{"Create Mid-Point"});
    EXPECT_TRUE(dot->DeriveShapes(&canvas, 2).empty());
}

TEST_F(MLineTest, DraggingAnEndReshapesTheLine)
{
    line->MouseDown(Qt::LeftButton, Qt::NoModifier, 61, 41);
    EXPECT_EQ(line->GetEditState(), EDIT_RESHAPE);
    EXPECT_EQ(line->GetCursor(EDIT_RESHAPE), crCross);

    line->MouseMove(Qt::NoModifier, 71, 51);
    EXPECT_EQ(line->p2, (TPoint{60, 40})) << "only previewed while dragging";
    EXPECT_EQ(At(70, 50), 'b') << "cross at the moving end";
    EXPECT_EQ(At(67, 47), 'a');
    EXPECT_EQ(At(20, 40), 'a') << "from the fixed end";

    EXPECT_EQ(line->MouseUp(Qt::LeftButton, Qt::NoModifier, 71, 51), (TPoint{70, 50}));
    EXPECT_EQ(line->p1, (TPoint{20, 40}));
    EXPECT_EQ(line->p2, (TPoint{70, 50}));
    EXPECT_EQ(line->GetEditState(), EDIT_IDLE);

    line->MouseDown(Qt::LeftButton, Qt::NoModifier, 19, 39);
    EXPECT_EQ(line->MouseUp(Qt::LeftButton, Qt::NoModifier, 9, 29), (TPoint{10, 30}));
    EXPECT_EQ(line->p1, (TPoint{10, 30}));
}

TEST_F(MLineTest, DraggingTheSegmentMovesBothEnds)
{
    line->selected = false;
    line->MouseDown(Qt::LeftButton, Qt::NoModifier, 40, 41);
    EXPECT_EQ(line->GetEditState(), EDIT_MOVE);
    EXPECT_EQ(line->dragLabel, 0);
    line->MouseMove(Qt::NoModifier, 45, 51);
    EXPECT_EQ(line->p1, (TPoint{25, 50}));
    EXPECT_EQ(line->p2, (TPoint{65, 50}));
    EXPECT_EQ(Row(50, 24, 36), ".nnn...nnn...") << "dotted while moving";
    EXPECT_EQ(line->MouseUp(Qt::LeftButton, Qt::NoModifier, 45, 51), (TPoint{0, 0}));
    EXPECT_EQ(line->GetEditState(), EDIT_IDLE);
}

TEST_F(MLineTest, LabelIsDraggedUpToThreeHundredPixelsFromTheMidpoint)
{
    line->Draw(DRAW_NORMAL);
    line->MouseDown(Qt::LeftButton, Qt::NoModifier, 45, 45);
    EXPECT_EQ(line->GetEditState(), EDIT_MOVE);
    EXPECT_EQ(line->dragLabel, 1);
    line->MouseMove(Qt::NoModifier, 45 + 180, 45 + 240);
    EXPECT_EQ(line->labelOffset1, (TPoint{180, 240})) << "300 px";
    line->MouseMove(Qt::NoModifier, 45 + 180, 45 + 241);
    EXPECT_EQ(line->labelOffset1, (TPoint{180, 240})) << "301 px is out of reach";
    line->MouseUp(Qt::LeftButton, Qt::NoModifier, 45 + 180, 45 + 241);
    EXPECT_EQ(line->p1, (TPoint{20, 40})) << "the line stays";
    // Beyond the 160-pixel picture, the label stands in its corner, where it
    // is drawn and hit.
    line->Draw(DRAW_NORMAL);
    EXPECT_EQ(line->HitTest(40 + 180, 40 + 240), HIT_NONE);
    EXPECT_EQ(line->HitTest(157, 157), HIT_LABEL);
}

TEST_F(MLineTest, HorizontalLineKeepsItsRow)
{
    MLineHori hori(&canvas);
    EXPECT_EQ(hori.GetKind(), KIND_LINE);
    Click(hori, 10, 20);
    hori.MouseMove(Qt::NoModifier, 30, 35);
    EXPECT_EQ(hori.grabPoint, (TPoint{30, 20}));
    EXPECT_EQ(Row(20, 9, 31), "." + std::string(21, 'd') + ".");
    Click(hori, 40, 50);
    EXPECT_EQ(hori.p2, (TPoint{40, 20}));

    hori.MouseDown(Qt::LeftButton, Qt::NoModifier, 40, 20);
    hori.MouseMove(Qt::NoModifier, 50, 30);
    EXPECT_EQ(At(50, 30), 'b') << "the preview follows the mouse both ways";
    EXPECT_EQ(hori.MouseUp(Qt::LeftButton, Qt::NoModifier, 50, 30), (TPoint{50, 20}));
    EXPECT_EQ(hori.p2, (TPoint{50, 20}));
    hori.MouseDown(Qt::LeftButton, Qt::NoModifier, 10, 20);
    EXPECT_EQ(hori.MouseUp(Qt::LeftButton, Qt::NoModifier, 5, 90), (TPoint{5, 20}));
    EXPECT_EQ(hori.p1, (TPoint{5, 20}));
}

TEST_F(MLineTest, VerticalLineKeepsItsColumn)
{
    MLineVert vert(&canvas);
    Click(vert, 20, 10);
    vert.MouseMove(Qt::NoModifier, 35, 30);
    EXPECT_EQ(vert.grabPoint, (TPoint{20, 30}));
    EXPECT_EQ(Column(20, 9, 31), "." + std::string(21, 'd') + ".");
    Click(vert, 50, 40);
    EXPECT_EQ(vert.p2, (TPoint{20, 40}));

    vert.MouseDown(Qt::LeftButton, Qt::NoModifier, 20, 40);
    EXPECT_EQ(vert.MouseUp(Qt::LeftButton, Qt::NoModifier, 30, 50), (TPoint{20, 50}));
    vert.MouseDown(Qt::LeftButton, Qt::NoModifier, 20, 10);
    EXPECT_EQ(vert.MouseUp(Qt::LeftButton, Qt::NoModifier, 90, 5), (TPoint{20, 5}));
    EXPECT_EQ(vert.p1, (TPoint{20, 5}));
}

TEST_F(MLineTest, RecordHoldsMidpointLengthAndAngle)
{
    auto ten = MLine::Create(&canvas, 0, 0, 10, 0);
    MData data;
    ASSERT_TRUE(ten->ToData(data, false));
    EXPECT_EQ(data.point.GetCaption(), "Mid-Point");
    EXPECT_EQ(data.length[0].GetCaption(), "Length");
    EXPECT_EQ(data.angle[0].GetCaption(), "Angle");
    EXPECT_EQ(data.point.GetTextX(), "5");
    EXPECT_EQ(data.length[0].GetText(), "10");
    EXPECT_EQ(data.angle[0].GetText(), "0");
    EXPECT_FALSE(data.length[1].IsValid());

    // Read back unedited, the line keeps its ends and their order.
    EXPECT_TRUE(ten->ReadData(data));
    EXPECT_EQ(ten->p1, (TPoint{0, 0}));
    EXPECT_EQ(ten->p2, (TPoint{10, 0}));
    ten->p1 = {10, 0};
    ten->p2 = {0, 0};
    ASSERT_TRUE(ten->ToData(data, false));
    EXPECT_EQ(data.angle[0].GetText(), "180");
    EXPECT_TRUE(ten->ReadData(data));
    EXPECT_EQ(ten->p1, (TPoint{10, 0}));
    EXPECT_EQ(ten->p2, (TPoint{0, 0}));

    // Angles are shown counter-clockwise, y upwards.
    auto down = MLine::Create(&canvas, 0, 0, 0, 10);
    data.SetImageHeight(100);
    ASSERT_TRUE(down->ToData(data, false));
    EXPECT_EQ(data.angle[0].GetText(), "270");
    EXPECT_EQ(data.point.GetTextY(), "95");
}

TEST_F(MLineTest, EditedRecordRebuildsTheLineAroundItsMidpoint)
{
    auto ten = MLine::Create(&canvas, 0, 0, 10, 0);
    MData data;
    ASSERT_TRUE(ten->ToData(data, false));
    EXPECT_FALSE(ten->FromData(data));
    data.length[0].SetText("20");
    EXPECT_TRUE(ten->FromData(data));
    EXPECT_EQ(ten->p1, (TPoint{-5, 0}));
    EXPECT_EQ(ten->p2, (TPoint{15, 0}));

    Calibrate(0.5, "mm");
    ASSERT_TRUE(ten->ToData(data, false));
    EXPECT_EQ(data.length[0].GetText(), "10");
    data.length[0].SetText("5");
    data.angle[0].SetText("270"); // pointing down on the screen
    EXPECT_TRUE(ten->FromData(data));
    EXPECT_EQ(ten->p1, (TPoint{5, -5}));
    EXPECT_EQ(ten->p2, (TPoint{5, 5}));
}

TEST_F(MLineTest, BlankRecordShowsZerosAndIsNotReadBack)
{
    MData data;
    ASSERT_TRUE(line->ToData(data, true));
    EXPECT_EQ(data.point.GetTextX(), "0");
    EXPECT_EQ(data.point.GetTextY(), "0");
    EXPECT_EQ(data.length[0].GetText(), "0");
    EXPECT_EQ(data.angle[0].GetText(), "0");
    EXPECT_FALSE(line->FromData(data));
    EXPECT_EQ(line->p2, (TPoint{60, 40}));
}

TEST_F(MLineTest, DerivesItsMidpointAndPerpendicularBisector)
{
    EXPECT_EQ(line->DeriveCaptions(),
              (std::vector<std::string>{"Create Mid-Point", "Create Perpendicular Bisector"}));

    auto midpoint = line->DeriveShapes(&canvas, 1);
    ASSERT_EQ(midpoint.size(), 1u);
    EXPECT_EQ(midpoint[0]->GetKind(), KIND_POINT);
    EXPECT_EQ(midpoint[0]->state, STATE_CREATED);
    EXPECT_EQ(midpoint[0]->p1, (TPoint{40, 40}));

    auto bisector = line->DeriveShapes(&canvas, 2);
    ASSERT_EQ(bisector.size(), 1u);
    EXPECT_EQ(bisector[0]->GetKind(), KIND_LINE);
    EXPECT_EQ(bisector[0]->state, STATE_CREATED);
    EXPECT_EQ(bisector[0]->p1, (TPoint{40, 20}));
    EXPECT_EQ(bisector[0]->p2, (TPoint{40, 60}));
    EXPECT_EQ(bisector[0]->canvas, &canvas);

    EXPECT_TRUE(line->DeriveShapes(&canvas, 3).empty());
    EXPECT_TRUE(line->DeriveShapes(&canvas, 0).empty());
}

TEST_F(MLineTest, BisectorOfALineWhoseMidpointRoundsOntoAnEnd)
{
    auto shortLine = MLine::Create(&canvas, 1, 0, 0, 0); // midpoint (1, 0) is p1
    auto bisector = shortLine->DeriveShapes(&canvas, 2);
    ASSERT_EQ(bisector.size(), 1u);
    EXPECT_EQ(bisector[0]->p1, (TPoint{1, 1}));
    EXPECT_EQ(bisector[0]->p2, (TPoint{1, -1}));
}

TEST_F(MLineTest, DrawsEndPixelHandlesAndFramedLabelWhenActive)
{
    line->selected = false;
    line->Draw(DRAW_NORMAL);
    EXPECT_EQ(Row(40, 19, 39), "." + std::string(20, 'n'));
    EXPECT_EQ(Row(40, 53, 61), "nnnnnnnn.") << "up to and including the end pixel";
    EXPECT_EQ(At(17, 37), '.');
    EXPECT_EQ(At(52, 52), '.') << "label not framed";
    EXPECT_GT(Count(kMarkFont), 0);

    image.fill(ToQRgb(kBackground));
    line->Draw(DRAW_ACTIVE);
    EXPECT_EQ(At(17, 37), 'a');
    EXPECT_EQ(At(63, 43), 'a');
    EXPECT_EQ(At(20, 40), 'b');
    EXPECT_EQ(At(60, 40), 'b');
    EXPECT_EQ(At(52, 52), 'm') << "label framed";
}

TEST_F(MLineTest, PerpendicularGuideFollowsTheRubberBand)
{
    param->SetBool(OPT_LINE_VERT, true, false);
    param->SetText(OPT_LINE_VERT_WIDTH, "5", false);
    param->SetBool(OPT_LINE_VERT_DOT, false, false);
    MLine fresh(&canvas);
    Click(fresh, 20, 20);
    fresh.MouseMove(Qt::NoModifier, 50, 20);
    EXPECT_EQ(Column(20, 14, 26), "." + std::string(11, 'd') + ".");
    EXPECT_EQ(Column(50, 14, 26), "." + std::string(11, 'd') + ".");

    image.fill(ToQRgb(kBackground));
    param->SetBool(OPT_LINE_VERT_DOT, true, false);
    fresh.MouseMove(Qt::NoModifier, 50, 20);
    EXPECT_EQ(Column(20, 14, 26), "...dddd..ddd.") << "dotted guide, the solid band across it";

    image.fill(ToQRgb(kBackground));
    param->SetBool(OPT_LINE_VERT, false, false);
    fresh.MouseMove(Qt::NoModifier, 50, 20);
    EXPECT_EQ(Column(20, 14, 26), "......d......");
}

TEST_F(MLineTest, MagnifierShowsTheLineAtItsOrigin)
{
    QImage zoomImage(40, 40, QImage::Format_RGB32);
    zoomImage.fill(ToQRgb(kBackground));
    TCanvas zoomCanvas(&zoomImage);
    MShape::SetZoomCanvas(&zoomCanvas, {57, 117});
    auto small = MLine::Create(&canvas, 20, 40, 22, 40);
    small->selected = false;
    small->Draw(DRAW_NORMAL);
    // Pixels 20..22 of row 40 are cell centres 61..67 of row 121.
    EXPECT_EQ(Row(zoomImage, 4, 3, 11), ".nnnnnnn.");
    EXPECT_EQ(Count(zoomImage, kMarkFont), 0) << "texts stay off the magnifier";
}

} // namespace
