// Pictures taken as the working image, and the magnifier: loading good,
// missing and corrupt files, and the magnifier's pixels against the whole
// picture rendered three times enlarged with every shape drawn on it.
#include "PaintBoxInput.h"
#include "tests/support/PatternPicture.h"

#include "platform/gui/ImageFile.h"
#include "platform/gui/TBitmap.h"
#include "platform/gui/TJPEGImage.h"
#include "shapes/MArc.h"
#include "shapes/MCircle.h"
#include "shapes/MEllipse.h"
#include "shapes/MLine.h"
#include "shapes/MPoint.h"
#include "shapes/MPolygon.h"
#include "shapes/MRect.h"
#include "shapes/MRelation.h"
#include "workspace/MZoom.h"

#include <QFile>
#include <QLabel>

#include <functional>

namespace {

void WritePicture(const QImage& picture, const std::string& path)
{
    TBitmap bitmap;
    bitmap.SetImage(picture);
    bitmap.SaveToFile(path);
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class QuorvexImageTest : public PaintBoxTest {
protected:

    // The picture in `file` three times enlarged, each image pixel a 3 x 3
    // cell, with the document drawn on it as the full redraw draws it, and
    // whatever `more` draws on top, all at magnifier coordinates. (The
    // working image carries the shapes while they are shown, so the plain
    // picture is read from its file.)
    QImage ThreeTimesPicture(const std::function<void(TCanvas*)>& more = {}, bool withDocument = true,
                             const std::string& file = "Images/Pattern.bmp")
    {
        const QImage picture = platform::ReadBmpFile(file);
        QImage enlarged(picture.width() * 3, picture.height() * 3, QImage::Format_RGB32);
        for (int y = 0; y < enlarged.height(); ++y)
            for (int x = 0; x < enlarged.width(); ++x)
                enlarged.setPixel(x, y, picture.pixel(x / 3, y / 3));
        TCanvas canvas(&enlarged);
        TBitmap scratch;
        scratch.SetImage(picture);
        MShape::SetZoomCanvas(&canvas);
        if (withDocument)
            for (MShape* shape : Form->ShapeList)
                shape->Draw(DRAW_NORMAL, scratch.Canvas());
        if (withDocument && Form->Mode != MODE_CREATE && Form->Selected && Form->Selected->selected)
            Form->Selected->Draw(DRAW_ACTIVE, scratch.Canvas());
        if (more)
            more(scratch.Canvas());
        MShape::SetZoomCanvas(nullptr);
        return enlarged;
    }

    // What the magnifier must show with the mouse at image position (x, y):
    // the block of the enlarged picture around it, with the cross-hair.
    static QImage ExpectedView(const QImage& enlarged, int x, int y)
    {
        const int width = enlarged.width() / 3, height = enlarged.height() / 3;
        const int cx = std::clamp(x, 30, width - 31), cy = std::clamp(y, 30, height - 31);
        QImage view = enlarged.copy(3 * (cx - 30), 3 * (cy - 30), 183, 183);
        const QRgb hair = ToQRgb(TColor(MParam::GetInstance()->GetColor(OPT_COLOR_NORMAL)));
        const int half = 2 * MParam::GetInstance()->GetActiveWidth();
        const int hx = 3 * (x - cx) + 91, hy = 3 * (y - cy) + 91;
        for (int i = std::max(hy - half, 0); i <= std::min(hy + half, 182); ++i)
            view.setPixel(hx, i, hair);
        for (int i = std::max(hx - half, 0); i <= std::min(hx + half, 182); ++i)
            view.setPixel(i, hy, hair);
        return view;
    }

    QImage ShownView() const { return FormZoom->PaintBoxZoom->ScreenImage().copy(0, 0, 183, 183); }

};

TEST_F(QuorvexImageTest, APictureTakenInSelectModeReplacesImageAndShapes)
{
    AddLine({10, 10}, {100, 10});
    WritePicture(PatternPicture(320, 240), "Images/Pattern.bmp");

    EXPECT_TRUE(Form->LoadImageFile("Images/Pattern.bmp"));
    EXPECT_EQ(Form->ImageBitmap->Image(), PatternPicture(320, 240));
    EXPECT_EQ(Form->ImagePaint->size(), QSize(320, 240));
    EXPECT_EQ(Form->BufferBitmap->Width(), 320);
    EXPECT_TRUE(Form->ShapeList.empty());
    EXPECT_EQ(MessagePanel(), "");
}

TEST_F(QuorvexImageTest, ShapesStayWithTheKeepOptionOrWhileDrawing)
{
    WritePicture(PatternPicture(320, 240), "Images/Pattern.bmp");
    AddLine({10, 10}, {100, 10});
    MParam::GetInstance()->SetBool(OPT_GRAB_SAVE_SHAPES, true, false);
    EXPECT_TRUE(Form->LoadImageFile("Images/Pattern.bmp"));
    EXPECT_EQ(Form->ShapeList.size(), 1u);

    MParam::GetInstance()->SetBool(OPT_GRAB_SAVE_SHAPES, false, false);
    Form->MenuLineClick();
    EXPECT_TRUE(Form->LoadImageFile("Images/Pattern.bmp"));
    EXPECT_EQ(Form->ShapeList.size(), 1u);
}

TEST_F(QuorvexImageTest, APictureTakenWhileDrawingOrCalibratingIsShownAtOnce)
{
    WritePicture(PatternPicture(320, 240), "Images/Pattern.bmp");
    for (QAction* command : {Form->MenuLine, Form->MenuRule}) {
        SCOPED_TRACE(command->objectName().toStdString());
        ASSERT_TRUE(Form->LoadImageFile(TFormMeasure::DefaultImageFile));
        command->trigger();

        EXPECT_TRUE(Form->LoadImageFile("Images/Pattern.bmp"));
        EXPECT_EQ(Form->ImagePaint->ScreenImage(), PatternPicture(320, 240));
        Form->SelectToolMode(MODE_SELECT);
    }
}

TEST_F(QuorvexImageTest, APictureThatCannotBeReadKeepsEverythingAndSaysWhy)
{
    WriteBytes(QStringLiteral("Images/Corrupt.bmp"), QByteArray("BM") + QByteArray(60, '\x7f'));
    WriteBytes(QStringLiteral("Images/Corrupt.jpg"), QByteArray("\xff\xd8\xff\xe0", 4) + QByteArray(100, '\x11'));
    WriteBytes(QStringLiteral("Images/Huge.bmp"), [] {
        QByteArray header("BM", 2);
        header.append(QByteArray(52, '\0'));
        header[14] = 40;          // info header size
        header[18 + 3] = 0x7f;    // width 0x7f000000
        header[22 + 3] = 0x7f;    // height likewise
        header[26] = 1;           // planes
        header[28] = 24;          // bits per pixel
        return header;
    }());
    WriteBytes(QStringLiteral("Images/Text.bmp"), QByteArray("Not a picture at all.\n"));
    // Real pictures cut off in the middle.
    WritePicture(PatternPicture(320, 240), "Images/Whole.bmp");
    TJPEGImage jpeg;
    TBitmap whole;
    ASSERT_NO_THROW(whole.LoadFromFile("Images/Whole.bmp"));
    jpeg.Assign(whole);
    jpeg.SaveToFile("Images/Whole.jpg");
    for (const char* suffix : {"bmp", "jpg"}) {
        QFile file(QStringLiteral("Images/Whole.%1").arg(QLatin1String(suffix)));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        WriteBytes(QStringLiteral("Images/Cut.%1").arg(QLatin1String(suffix)), bytes.left(bytes.size() / 2));
    }
    MShape* line = AddLine({10, 10}, {100, 10});
    const QImage before = Form->ImageBitmap->Image();

    // A file that is not there, and files that are there but hold no picture
    // that can be read.
    const std::pair<const char*, int> cases[] = {
        {"Images/Missing.bmp", 69}, {"Images/Missing.jpg", 69}, {"Images/Corrupt.bmp", 214},
        {"Images/Corrupt.jpg", 214}, {"Images/Huge.bmp", 214},   {"Images/Text.bmp", 214},
        {"Images/Cut.bmp", 214},    {"Images/Cut.jpg", 214}};
    for (const int language : {LAN_ENGLISH, LAN_CHINESE_SIMPLIFIED}) {
        Form->SetLanguage(language, false);
        for (const auto& [name, slot] : cases) {
            SCOPED_TRACE(name);
            Form->ShowStatus("", STATUS_MESSAGE);
            EXPECT_FALSE(Form->LoadImageFile(name));
            EXPECT_EQ(MessagePanel(), MLan::GetInstance()->Texts[slot]);
            ASSERT_EQ(Form->ShapeList.size(), 1u);
            EXPECT_EQ(Form->ShapeList[0], line);
            EXPECT_EQ(Form->ImageBitmap->Image(), before);
            EXPECT_EQ(Form->ImagePaint->size(), QSize(800, 600));
        }
    }
}

TEST_F(QuorvexImageTest, APictureTakenAfterAFailedOneClearsTheMessage)
{
    WritePicture(PatternPicture(320, 240), "Images/Pattern.bmp");
    ASSERT_FALSE(Form->LoadImageFile("Images/Missing.bmp"));
    ASSERT_EQ(MessagePanel(), MLan::GetInstance()->Texts[69]);

    // In select mode and while a tool is armed (where no redraw follows).
    for (QAction* command : {Form->MenuArrow, Form->MenuLine}) {
        SCOPED_TRACE(command->objectName().toStdString());
        command->trigger();
        ASSERT_FALSE(Form->LoadImageFile("Images/Missing.bmp"));
        EXPECT_TRUE(Form->LoadImageFile("Images/Pattern.bmp"));
        EXPECT_EQ(MessagePanel(), "");
    }
}

TEST_F(QuorvexImageTest, AMissingStartUpPictureSaysNothing)
{
    DestroyForms();
    ResetSingletons();
    ASSERT_TRUE(QFile::remove(QStringLiteral("Images/Default.bmp")));
    Form = &StartForms();
    Input = std::make_unique<PaintBoxInput>(*Form);

    EXPECT_EQ(MessagePanel(), "");
    EXPECT_EQ(Form->ImagePaint->size(), QSize(0, 0));
    Input->Move({0, 0});
    Form->DrawZoom(-1, -1);
}

TEST_F(QuorvexImageTest, TheMagnifierShowsTheThreeTimesPictureAtCornersAndCentre)
{
    WritePicture(PatternPicture(800, 600), "Images/Pattern.bmp");
    ASSERT_TRUE(Form->LoadImageFile("Images/Pattern.bmp"));
    ASSERT_TRUE(Form->IsZoomShown());
    AddLine({10, 10}, {100, 50});
    AddLine({5, 590}, {60, 540});
    AddLine({700, 595}, {795, 560});
    MShape* selected = AddLine({370, 280}, {390, 300});
    Input->Click({380, 290});
    ASSERT_EQ(Form->Selected, selected);
    const QImage enlarged = ThreeTimesPicture();

    const TPoint places[] = {{0, 0}, {799, 0}, {0, 599}, {799, 599}, {400, 300}, {2, 570}, {420, 1}};
    for (const TPoint place : places) {
        SCOPED_TRACE(testing::Message() << place.x << ", " << place.y);
        Input->Move({place.x, place.y});
        EXPECT_EQ(ShownView(), ExpectedView(enlarged, place.x, place.y));
    }
}

// A mouse move renders the magnifier's view drawing only what may reach it;
// the view must be the one the full redraw draws there.
TEST_F(QuorvexImageTest, AViewRenderedOnAMouseMoveIsTheOneTheFullRedrawDraws)
{
    WritePicture(PatternPicture(400, 300), "Images/Pattern.bmp");
    ASSERT_TRUE(Form->LoadImageFile("Images/Pattern.bmp"));
    MParam::GetInstance()->SetBool(OPT_VIEW_NAME, true, false);
    // Labelled shapes of every kind, their labels (and a circle's diameter
    // line with them) dragged every way, and relations whose dimension
    // lines cross the picture far from their shapes.
    TCanvas* canvas = Form->ImagePaint->Canvas();
    std::vector<MShape*> shapes;
    for (int i = 0; i < 48; ++i) {
        const int x = 30 + (i % 8) * 48;
        const int y = 35 + (i / 8) * 46;
        std::unique_ptr<MShape> shape;
        switch (i % 8) {
        case 0: shape = MPoint::Create(canvas, x, y); break;
        case 1: shape = MLine::Create(canvas, x - 30, y + 20, x + 40, y - 25); break;
        case 2: shape = MRect::Create(canvas, x - 20, y - 15, x + 30, y + 25); break;
        case 3: shape = MCircle::Create(canvas, {x - 25, y - 25, x + 25, y + 25}); break;
        case 4: shape = MEllipse::Create(canvas, {x - 35, y - 15, x + 35, y + 15}); break;
        case 5: shape = MArc::Create(canvas, {x + 30, y}, {x, y - 30}, {x - 30, y}); break;
        case 6: shape = MPolygon::Create(canvas, {{x - 20, y}, {x, y - 30}, {x + 25, y + 5}, {x, y + 20}}); break;
        default: shape = MPoint::Create(canvas, x + 10, y + 10); break;
        }
        shape->labelOffset1 = {(i * 37) % 140 - 70, (i * 53) % 140 - 70};
        shape->selected = false;
        shapes.push_back(Form->AddShape(std::move(shape)));
    }
    // Two points, a point and a line, two lines, a line and a circle, two
    // circles, each pair far apart.
    for (const auto& [a, b] : {std::pair{0, 47}, {8, 41}, {1, 33}, {9, 43}, {3, 35}})
        ASSERT_TRUE(Form->AddRelation(MRelation::Create(shapes[std::size_t(a)], shapes[std::size_t(b)], canvas)));
    Form->SelectShape(shapes[11], true);
    Form->Document.SetSelected(shapes[11]);
    Form->RedrawImage();

    for (int y = 2; y < 300; y += 19) {
        for (int x = 3; x < 400; x += 19) {
            SCOPED_TRACE(testing::Message() << x << ", " << y);
            Input->Move({x, y});
            const QImage rendered = Form->ZoomBackImage->Image().copy();
            Form->RedrawImage();
            ASSERT_EQ(rendered, Form->ZoomBackImage->Image());
        }
    }
}

// While a shape is dragged, it and the relations that read it are no longer
// where the last full redraw drew them: a new view shows them where they are.
TEST_F(QuorvexImageTest, AShapeDraggedIntoANewViewShowsInItWithItsRelations)
{
    WritePicture(PatternPicture(800, 600), "Images/Pattern.bmp");
    ASSERT_TRUE(Form->LoadImageFile("Images/Pattern.bmp"));
    TCanvas* canvas = Form->ImagePaint->Canvas();
    MShape* point = Form->AddShape(MPoint::Create(canvas, 200, 300));
    point->selected = false;
    MShape* line = AddLine({100, 100}, {300, 100});
    ASSERT_TRUE(Form->AddRelation(MRelation::Create(point, line, canvas)));
    Form->RedrawImage();
    Input->Move({150, 100});
    Input->Press({150, 100});
    Input->Move({150, 400});
    // The next view starts from the document with the line moved to y = 400
    // and the distance from the point measured to it (the move to
    // (201, 401) moves the line on after that).
    Input->Move({201, 401});
    const QImage moved = ThreeTimesPicture(
        [](TCanvas* canvas) {
            const std::unique_ptr<MPoint> point = MPoint::Create(canvas, 200, 300);
            point->selected = false;
            const std::unique_ptr<MLine> line = MLine::Create(canvas, 100, 400, 300, 400);
            MRelation::Create(point.get(), line.get(), canvas)->Draw(DRAW_NORMAL, canvas);
            point->Draw(DRAW_NORMAL, canvas);
            line->Draw(DRAW_NORMAL, canvas);
            line->Draw(DRAW_ACTIVE, canvas);
        },
        false);
    EXPECT_EQ(Form->ZoomBackImage->Image(), moved.copy(3 * (201 - 30), 3 * (401 - 30), 183, 183));
    Input->Release({201, 401});
}

TEST_F(QuorvexImageTest, TheShapeUnderCreationShowsInTheMagnifier)
{
    WritePicture(PatternPicture(800, 600), "Images/Pattern.bmp");
    ASSERT_TRUE(Form->LoadImageFile("Images/Pattern.bmp"));
    AddLine({390, 320}, {440, 320});
    Form->MenuLineClick();
    Input->Click({400, 300});
    Input->Move({430, 290});
    Input->Move({420, 310});

    const QImage plain = ThreeTimesPicture();
    const QImage withBand = ThreeTimesPicture([](TCanvas* canvas) {
        MLine band(canvas);
        band.CreateMouseDown(400, 300);
        band.CreateMouseMove(420, 310);
    });
    ASSERT_NE(ExpectedView(plain, 420, 310), ExpectedView(withBand, 420, 310));
    EXPECT_EQ(ShownView(), ExpectedView(withBand, 420, 310));

    // Finished, the line is part of the document's own view.
    Input->Click({420, 310});
    Input->Move({421, 311});
    EXPECT_EQ(ShownView(), ExpectedView(ThreeTimesPicture(), 421, 311));
}

TEST_F(QuorvexImageTest, ACalibrationRulerIsMagnifiedOverThePlainPicture)
{
    WritePicture(PatternPicture(800, 600), "Images/Pattern.bmp");
    ASSERT_TRUE(Form->LoadImageFile("Images/Pattern.bmp"));
    AddLine({390, 320}, {440, 320});
    Form->MenuRuleClick();
    ASSERT_EQ(Form->Mode, MODE_RULE);
    Input->Click({400, 300});
    Input->Move({425, 310});

    const QImage expected = ThreeTimesPicture(
        [](TCanvas* canvas) {
            MLineHori ruler(canvas);
            ruler.marked = false;
            ruler.CreateMouseDown(400, 300);
            ruler.CreateMouseMove(425, 310);
        },
        false);
    EXPECT_EQ(ShownView(), ExpectedView(expected, 425, 310));
}

TEST_F(QuorvexImageTest, AHiddenMagnifierIsNotRendered)
{
    ASSERT_TRUE(FormZoom->isVisible());
    EXPECT_EQ(FormZoom->windowTitle().toStdString(), MLan::GetInstance()->Texts[247]);
    FormZoom->close();
    EXPECT_FALSE(Form->MenuViewZoom->isChecked());
    EXPECT_FALSE(Form->IsZoomShown());

    AddLine({10, 10}, {100, 50});
    Input->Move({50, 30});
    Form->RedrawImage();
    EXPECT_EQ(MShape::GetZoomCanvas(), nullptr);

    Form->MenuViewZoom->trigger();
    EXPECT_TRUE(FormZoom->isVisible());
    Input->Move({200, 200});
    EXPECT_EQ(ShownView(), ExpectedView(ThreeTimesPicture({}, true, TFormMeasure::DefaultImageFile), 200, 200));
}

// The shapes, the highlight under the mouse, a shape dragged and a relation
// are all drawn over the working picture's own pixels: the magnifier, ruler
// mode and the picture itself find it as loaded.
TEST_F(QuorvexImageTest, EveryDrawingComesOffThePictureWhole)
{
    const QImage pattern = PatternPicture(800, 600);
    WritePicture(pattern, "Images/Pattern.bmp");
    ASSERT_TRUE(Form->LoadImageFile("Images/Pattern.bmp"));
    MShape* first = AddLine({100, 100}, {300, 100});
    MShape* second = AddLine({100, 200}, {300, 260});
    Form->RedrawImage();
    EXPECT_EQ(Form->BufferBitmap->Image().constBits(), Form->ImageBitmap->Image().constBits()) << "no copy";
    Input->Drag({200, 100}, {220, 140});
    Input->Click({200, 230});
    Input->Click({220, 140}, Qt::ShiftModifier);
    ASSERT_NE(Form->SelectedRelation, nullptr);
    ASSERT_TRUE(first->selected && second->selected);
    Input->Move({150, 140});
    Input->Move({210, 230});
    EXPECT_EQ(ShownView(), ExpectedView(ThreeTimesPicture(), 210, 230));
    // Whatever lies on screen when a relation is drawn on the shapes stays
    // out of what they keep of the picture.
    Form->ClearSelectedRelation();
    Form->RedrawImage();
    TCanvas* screen = Form->ImagePaint->Canvas();
    screen->Brush.Style = bsSolid;
    screen->Brush.Color = clYellow;
    screen->FillRect({0, 0, 800, 600});
    Form->BuildRelation(first, second);
    Form->RedrawImage();

    Form->MenuRuleClick();
    ASSERT_EQ(Form->Mode, MODE_RULE);
    EXPECT_EQ(Form->ImagePaint->ScreenImage(), pattern) << "ruler lines go on the plain picture";
    Form->SelectToolMode(MODE_SELECT);
    Form->RedrawImage();
    Input->Move({200, 140});
    Form->DeleteAllShapes();
    Form->RedrawImage();
    EXPECT_EQ(Form->ImageBitmap->Image(), pattern);
    EXPECT_EQ(Form->ImagePaint->ScreenImage(), pattern);
}

} // namespace
