#include "ShapeTestSupport.h"

#include "shapes/MData.h"
#include "shapes/MPolygon.h"

#include <climits>

namespace {

class MPolygonTest : public ShapeFixture {
protected:
    // A square of side 40, clicked clockwise on screen from its upper left corner.
    std::unique_ptr<MPolygon> square = MPolygon::Create(&canvas, {{20, 20}, {60, 20}, {60, 60}, {20, 60}});
};

TEST_F(MPolygonTest, AreaOfOutlines)
{
    const struct {
        const char* name;
        std::vector<TPoint> vertices;
        double area;
    } cases[] = {
        {"square", {{0, 0}, {10, 0}, {10, 10}, {0, 10}}, 100},
        {"triangle", {{0, 0}, {10, 0}, {0, 10}}, 50},
        {"triangle the other way round", {{0, 10}, {10, 0}, {0, 0}}, 50},
        {"all on one vertical line", {{5, 0}, {5, 10}, {5, 20}}, 0},
        {"figure eight: the sum of both lobes", {{0, 0}, {10, 10}, {10, 0}, {0, 10}}, 50},
        {"square wound twice: inside twice is outside", {{0, 0}, {20, 0}, {20, 20}, {0, 20}, {0, 0}, {20, 0}, {20, 20}, {0, 20}}, 0},
        {"concave", {{0, 0}, {30, 0}, {30, 30}, {20, 30}, {20, 10}, {10, 10}, {10, 30}, {0, 30}}, 700},
        {"far right of the picture", {{9000, 0}, {9010, 0}, {9010, 10}, {9000, 10}}, 100},
    };
    for (const auto& c : cases) {
        auto polygon = MPolygon::Create(&canvas, c.vertices);
        EXPECT_DOUBLE_EQ(polygon->GetArea(), c.area) << c.name;
    }
}

TEST_F(MPolygonTest, EdgeCrossings)
{
    EXPECT_EQ(MPolygon::EdgeCrossing({5, 0}, {5, 10}, 5.0), MPolygon::kNoCrossing) << "vertical edge";
    EXPECT_EQ(MPolygon::EdgeCrossing({0, 3}, {10, 7}, 0.0), 3.0) << "at the start";
    EXPECT_EQ(MPolygon::EdgeCrossing({0, 3}, {10, 7}, 10.0), 7.0) << "at the end";
    EXPECT_EQ(MPolygon::EdgeCrossing({0, 3}, {10, 7}, 10.5), MPolygon::kNoCrossing);
    EXPECT_EQ(MPolygon::EdgeCrossing({10, 7}, {0, 3}, -0.5), MPolygon::kNoCrossing);
    EXPECT_DOUBLE_EQ(MPolygon::EdgeCrossing({0, 3}, {10, 7}, 2.5), 4.0);
    EXPECT_DOUBLE_EQ(MPolygon::EdgeCrossing({10, 7}, {0, 3}, 2.5), 4.0);
}

TEST_F(MPolygonTest, ResultsInPixelsAndMillimetres)
{
    EXPECT_EQ(square->GetResults(),
              (std::vector<MItem>{{"Polygon", "N1"}, {"Perimeter", "160 px"}, {"Area", "1600 px*px"}}));
    square->Draw(DRAW_NORMAL);
    EXPECT_EQ(square->label1, "160");
    Calibrate(0.5, "mm");
    EXPECT_EQ(square->GetResults(),
              (std::vector<MItem>{{"Polygon", "N1"}, {"Perimeter", "80 mm"}, {"Area", "400 mm*mm"}}));
    square->Draw(DRAW_NORMAL);
    EXPECT_EQ(square->label1, "80");
    EXPECT_EQ(square->GetLabelPos(1), (TPoint{40, 40}));
}

TEST_F(MPolygonTest, AClickNearTheFirstVertexClosesFromTheFourthClickOn)
{
    MPolygon fresh(&canvas);
    EXPECT_EQ(fresh.GetKind(), KIND_POLYGON);
    Click(fresh, 20, 20);
    Click(fresh, 22, 22); // near the first vertex, but only the second click
    Click(fresh, 60, 60);
    EXPECT_EQ(fresh.points.size(), 3u);
    EXPECT_EQ(fresh.state, STATE_CREATING);
    Click(fresh, 23, 17);
    EXPECT_EQ(fresh.state, STATE_CREATED) << "the fourth click, 3 px away";
    EXPECT_EQ(fresh.points, (std::vector<TPoint>{{20, 20}, {22, 22}, {60, 60}})) << "the closing click adds no vertex";
    EXPECT_EQ(fresh.p1, (TPoint{20, 20}));
    EXPECT_EQ(fresh.p2, (TPoint{23, 17}));
    EXPECT_DOUBLE_EQ(fresh.GetArea(), 0) << "a degenerate triangle";

    MPolygon four(&canvas);
    for (TPoint p : {TPoint{20, 20}, TPoint{60, 20}, TPoint{60, 60}, TPoint{24, 24}})
        Click(four, p.x, p.y);
    EXPECT_EQ(four.state, STATE_CREATING) << "4 px away is a vertex";
    EXPECT_EQ(four.points.size(), 4u);
    Click(four, 21, 19);
    EXPECT_EQ(four.state, STATE_CREATED);
    EXPECT_EQ(four.GetEditState(), EDIT_IDLE);
    EXPECT_EQ(four.points.size(), 4u);
    EXPECT_DOUBLE_EQ(four.GetArea(), 800);

    MPolygon cut(&canvas);
    for (TPoint p : {TPoint{20, 20}, TPoint{60, 20}, TPoint{60, 60}, TPoint{24, 60}, TPoint{20, 56}, TPoint{20, 20}})
        Click(cut, p.x, p.y);
    EXPECT_EQ(cut.state, STATE_CREATED);
    EXPECT_DOUBLE_EQ(cut.GetArea(), 1600 - 8) << "the square less a cut corner";
}

TEST_F(MPolygonTest, CursorTellsWhenAClickWouldClose)
{
    MPolygon fresh(&canvas);
    Click(fresh, 20, 20);
    Click(fresh, 60, 20);
    fresh.MouseMove(Qt::NoModifier, 21, 21);
    EXPECT_EQ(fresh.GetCursor(EDIT_RESHAPE), crCross) << "two vertices cannot close";
    Click(fresh, 60, 60);
    fresh.MouseMove(Qt::NoModifier, 23, 23);
    EXPECT_EQ(fresh.GetCursor(EDIT_RESHAPE), crUpArrow);
    fresh.MouseMove(Qt::NoModifier, 24, 23);
    EXPECT_EQ(fresh.GetCursor(EDIT_RESHAPE), crCross);
    EXPECT_EQ(square->GetCursor(HIT_BODY), crSizeAll) << "a finished polygon as any shape";
}

TEST_F(MPolygonTest, RubberBandRunsFromTheLastVertexWithoutTheClosingEdge)
{
    MPolygon fresh(&canvas);
    Click(fresh, 20, 20);
    Click(fresh, 60, 20);
    fresh.MouseMove(Qt::NoModifier, 60, 60);
    EXPECT_EQ(Row(20, 21, 60), std::string(40, 'd'));
    EXPECT_EQ(Column(60, 21, 60), std::string(40, 'd')) << "the band to the pointer";
    EXPECT_EQ(At(17, 17), 'd') << "cross at the first vertex";
    EXPECT_EQ(At(17, 23), 'd');
    EXPECT_EQ(At(40, 40), '.') << "no closing edge";
}

TEST_F(MPolygonTest, DragDrawingTakesEachReleaseAsAClick)
{
    param->SetBool(OPT_DRAG_DRAW, true, false);
    MPolygon fresh(&canvas);
    fresh.MouseDown(Qt::LeftButton, Qt::NoModifier, 20, 20);
    fresh.MouseUp(Qt::LeftButton, Qt::NoModifier, 60, 20);
    fresh.MouseDown(Qt::LeftButton, Qt::NoModifier, 60, 60);
    fresh.MouseUp(Qt::LeftButton, Qt::NoModifier, 21, 21);
    EXPECT_EQ(fresh.state, STATE_CREATED);
    EXPECT_DOUBLE_EQ(fresh.GetArea(), 800);
}

TEST_F(MPolygonTest, HitTestFindsVerticesThenEdgesThenTheLabel)
{
    const struct {
        int x, y, hit;
        TPoint grab;
    } cases[] = {
        {23, 17, HIT_POINT, {20, 20}}, {63, 63, HIT_POINT, {60, 60}}, {17, 63, HIT_POINT, {20, 60}},
        {24, 20, HIT_BODY, {}},        {16, 40, HIT_NONE, {}},        {17, 40, HIT_BODY, {}},
        {40, 57, HIT_BODY, {}},        {40, 56, HIT_NONE, {}},        {64, 64, HIT_NONE, {}},
    };
    for (const auto& c : cases) {
        square->grabPoint = {};
        EXPECT_EQ(square->HitTest(c.x, c.y), c.hit) << c.x << "," << c.y;
        EXPECT_EQ(square->grabPoint, c.grab) << c.x << "," << c.y;
    }
    // Label "160" at the centroid (40, 40).
    EXPECT_EQ(square->HitTest(44, 44), HIT_NONE);
    square->Draw(DRAW_NORMAL);
    EXPECT_EQ(square->HitTest(44, 44), HIT_LABEL);
}

TEST_F(MPolygonTest, DraggingAVertexReshapesAndRecomputesTheArea)
{
    square->MouseDown(Qt::LeftButton, Qt::NoModifier, 21, 21);
    EXPECT_EQ(square->GetEditState(), EDIT_RESHAPE);
    square->MouseMove(Qt::NoModifier, 41, 21);
    EXPECT_EQ(At(40, 20), 'b') << "cross at the preview vertex";
    EXPECT_EQ(At(50, 20), 'a') << "to the next vertex";
    EXPECT_EQ(At(30, 40), 'a') << "to the previous vertex, the last";
    EXPECT_EQ(At(60, 40), '.') << "the other edges are not previewed";
    EXPECT_EQ(square->points[0], (TPoint{20, 20}));
    EXPECT_EQ(square->MouseUp(Qt::LeftButton, Qt::NoModifier, 41, 21), (TPoint{40, 20}));
    EXPECT_EQ(square->points[0], (TPoint{40, 20}));
    EXPECT_DOUBLE_EQ(square->GetArea(), 1200);
    EXPECT_EQ(square->GetEditState(), EDIT_IDLE);
}

TEST_F(MPolygonTest, MovingKeepsTheArea)
{
    Drag(*square, {40, 21}, {45, 31});
    EXPECT_EQ(square->points, (std::vector<TPoint>{{25, 30}, {65, 30}, {65, 70}, {25, 70}}));
    EXPECT_DOUBLE_EQ(square->GetArea(), 1600);
    EXPECT_TRUE(square->InRect(25, 30, 65, 70));
    EXPECT_FALSE(square->InRect(26, 30, 65, 70));
    EXPECT_FALSE(square->InRect(25, 30, 65, 69));
}

TEST_F(MPolygonTest, DrawsTheClosedOutlineAndHandlesWhenActive)
{
    square->selected = false;
    square->marked = false;
    square->Draw(DRAW_NORMAL);
    EXPECT_EQ(Column(20, 19, 61), "." + std::string(41, 'n') + ".") << "the closing edge";
    EXPECT_EQ(Row(60, 19, 61), "." + std::string(41, 'n') + ".");
    EXPECT_EQ(At(17, 17), '.');

    image.fill(ToQRgb(kBackground));
    square->Draw(DRAW_ACTIVE);
    for (TPoint vertex : square->points) {
        EXPECT_EQ(At(vertex.x, vertex.y), 'b');
        EXPECT_EQ(At(vertex.x - 3, vertex.y + 3), 'a');
    }
}

TEST_F(MPolygonTest, MagnifierShowsTheOutline)
{
    QImage zoomImage(200, 200, QImage::Format_RGB32);
    zoomImage.fill(ToQRgb(kBackground));
    TCanvas zoomCanvas(&zoomImage);
    MShape::SetZoomCanvas(&zoomCanvas);
    auto small = MPolygon::Create(&canvas, {{2, 2}, {10, 2}, {2, 10}});
    small->selected = false;
    small->marked = false;
    small->Draw(DRAW_NORMAL);
    EXPECT_EQ(Row(zoomImage, 7, 6, 32), "." + std::string(25, 'n') + ".");
    EXPECT_EQ(Column(zoomImage, 7, 6, 32), "." + std::string(25, 'n') + ".");
}

TEST_F(MPolygonTest, RecordMovesTheCentroidToTheTypedPoint)
{
    auto triangle = MPolygon::Create(&canvas, {{0, 0}, {10, 0}, {0, 10}});
    EXPECT_EQ(triangle->GetCentroid(), (TPoint{3, 3})) << "10 / 3 truncated";
    MData data;
    data.SetImageHeight(100);
    ASSERT_TRUE(triangle->ToData(data, false));
    EXPECT_EQ(data.point.GetCaption(), "Center Point");
    EXPECT_EQ(data.point.GetTextY(), "97");
    EXPECT_FALSE(data.length[0].IsValid());
    data.point.SetText("13", "87");
    EXPECT_TRUE(triangle->FromData(data));
    EXPECT_EQ(triangle->points, (std::vector<TPoint>{{10, 10}, {20, 10}, {10, 20}}));
    EXPECT_DOUBLE_EQ(triangle->GetArea(), 50);

    MData blank;
    EXPECT_FALSE(triangle->ToData(blank, true)) << "no captions-only record";
    EXPECT_FALSE(blank.point.IsValid());
}

TEST_F(MPolygonTest, CoordinatesFarOutsideThePictureSaturate)
{
    MData data;
    ASSERT_TRUE(square->ToData(data, false));
    data.point.SetText("2147483640", "-2147483640");
    EXPECT_TRUE(square->FromData(data));
    EXPECT_EQ(square->points[2].x, INT_MAX) << "a vertex pushed beyond the range stops at its end";
    square->Draw(DRAW_ACTIVE);
    square->GetResults();
    Drag(*square, square->points[0], {square->points[0].x - 5, square->points[0].y + 5});
    EXPECT_GT(square->GetArea(), 0);
    square->Move(INT_MIN, INT_MAX);
    square->Draw(DRAW_NORMAL);
    square->GetResults();
}

TEST_F(MPolygonTest, DerivesItsCentroid)
{
    EXPECT_EQ(square->DeriveCaptions(), std::vector<std::string>{"Create Center Point"});
    auto centre = square->DeriveShapes(&canvas, 1);
    ASSERT_EQ(centre.size(), 1u);
    EXPECT_EQ(centre[0]->GetKind(), KIND_POINT);
    EXPECT_EQ(centre[0]->p1, (TPoint{40, 40}));
    EXPECT_TRUE(square->DeriveShapes(&canvas, 2).empty());
}

} // namespace
