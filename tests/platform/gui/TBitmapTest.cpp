#include "platform/gui/TBitmap.h"

#include "platform/gui/ImageFile.h"
#include "platform/gui/TJPEGImage.h"
#include "tests/support/EveryKindOfMark.h"
#include "tests/support/PatternPicture.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

namespace {

// A 3x2 picture with a red and a blue pixel on white.
void MakeSample(TBitmap& bitmap)
{
    bitmap.SetSize(3, 2);
    bitmap.Canvas()->SetPixel(0, 0, clRed);
    bitmap.Canvas()->SetPixel(2, 1, clBlue);
}

TEST(TBitmap, NewSizeGivesAFreshWhitePicture)
{
    TBitmap bitmap;
    EXPECT_TRUE(bitmap.Empty());
    MakeSample(bitmap);
    bitmap.SetSize(4, 5);
    EXPECT_EQ(bitmap.Width(), 4);
    EXPECT_EQ(bitmap.Height(), 5);
    EXPECT_FALSE(bitmap.Empty());
    EXPECT_EQ(bitmap.Image().format(), QImage::Format_RGB32);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(bitmap.Canvas()->Pixels(x, y), clWhite) << x << "," << y;
}

TEST(TBitmap, SettingTheSameSizeKeepsThePicture)
{
    TBitmap bitmap;
    MakeSample(bitmap);
    bitmap.SetSize(3, 2);
    EXPECT_EQ(bitmap.Canvas()->Pixels(0, 0), clRed);
}

TEST(TBitmap, WidthThenHeightGiveAPictureOfBoth)
{
    TBitmap bitmap;
    bitmap.SetWidth(7);
    EXPECT_TRUE(bitmap.Empty());
    EXPECT_EQ(bitmap.Width(), 7);
    bitmap.SetHeight(3);
    EXPECT_EQ(bitmap.Width(), 7);
    EXPECT_EQ(bitmap.Height(), 3);
    EXPECT_EQ(bitmap.Canvas()->Pixels(6, 2), clWhite);

    bitmap.SetSize(-4, 2);
    EXPECT_EQ(bitmap.Width(), 0);
    EXPECT_TRUE(bitmap.Empty());
}

TEST(TBitmap, AssignMakesAnIndependentCopy)
{
    TBitmap source;
    MakeSample(source);
    TBitmap copy;
    copy.Assign(source);
    EXPECT_EQ(copy.Width(), 3);
    EXPECT_EQ(copy.Canvas()->Pixels(0, 0), clRed);
    copy.Canvas()->SetPixel(1, 1, clLime);
    source.Canvas()->SetPixel(0, 0, clYellow);
    EXPECT_EQ(source.Canvas()->Pixels(1, 1), clWhite);
    EXPECT_EQ(copy.Canvas()->Pixels(0, 0), clRed);
    copy.Assign(copy);
    EXPECT_EQ(copy.Canvas()->Pixels(1, 1), clLime);
}

// The back buffer takes the picture at every redraw: into the pixels it
// holds alone when the size fits, else as a shared copy as Assign makes.
TEST(TBitmap, CopyPixelsReusesThePixelsItHoldsAloneAndOtherwiseAssigns)
{
    TBitmap source;
    MakeSample(source);
    TBitmap buffer;
    buffer.SetSize(3, 2);
    const uchar* own = buffer.Image().constBits();
    buffer.CopyPixels(source);
    EXPECT_EQ(buffer.Image().constBits(), own);
    EXPECT_EQ(buffer.Canvas()->Pixels(0, 0), clRed);
    EXPECT_EQ(buffer.Canvas()->Pixels(2, 1), clBlue);

    // Shared with someone else, or of another size: the pixels are not
    // written under the other holder.
    const QImage shown = buffer.Image();
    source.Canvas()->SetPixel(1, 0, clLime);
    buffer.CopyPixels(source);
    EXPECT_EQ(shown.pixel(1, 0), QColor(Qt::white).rgb());
    EXPECT_EQ(buffer.Canvas()->Pixels(1, 0), clLime);
    TBitmap wide;
    wide.SetSize(5, 2);
    wide.CopyPixels(source);
    EXPECT_EQ(wide.Width(), 3);
    EXPECT_EQ(wide.Canvas()->Pixels(1, 0), clLime);
    buffer.Canvas()->SetPixel(1, 0, clYellow);
    EXPECT_EQ(source.Canvas()->Pixels(1, 0), clLime);
}

TEST(TBitmap, CanvasStaysTheSameObjectWithItsSettings)
{
    TBitmap bitmap;
    TCanvas* canvas = bitmap.Canvas();
    canvas->Pen.Color = clRed;
    canvas->Font.Size = 14;
    bitmap.SetSize(10, 10);
    TBitmap other;
    MakeSample(other);
    bitmap.Assign(other);
    bitmap.SetImage(QImage(5, 5, QImage::Format_ARGB32));
    EXPECT_EQ(bitmap.Canvas(), canvas);
    EXPECT_EQ(canvas->Pen.Color, clRed);
    EXPECT_EQ(canvas->Font.Size, 14);
    EXPECT_EQ(canvas->Width(), 5);
    EXPECT_EQ(bitmap.Image().format(), QImage::Format_RGB32);
    canvas->MoveTo(0, 0);
    canvas->LineTo(5, 0);
    EXPECT_EQ(bitmap.Canvas()->Pixels(4, 0), clRed);
}

TEST(TBitmap, SavedPictureLoadsBackPixelForPixel)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("sample.bmp").toStdString();
    TBitmap saved;
    MakeSample(saved);
    saved.SaveToFile(path);
    TBitmap loaded;
    loaded.LoadFromFile(path);
    EXPECT_EQ(loaded.Image(), saved.Image());
}

TEST(TBitmap, FailedLoadKeepsThePicture)
{
    QTemporaryDir dir;
    TBitmap bitmap;
    MakeSample(bitmap);
    const QImage before = bitmap.Image();
    EXPECT_THROW(bitmap.LoadFromFile(dir.filePath("missing.bmp").toStdString()), platform::ImageError);
    EXPECT_EQ(bitmap.Image(), before);
    EXPECT_EQ(bitmap.Width(), 3);
}

TEST(TBitmap, DrawingOverAPictureMarksItsOwnPixelsAndPutsThemBack)
{
    // The marks cover a quarter of it: they go on its own pixels.
    const QImage original = PatternPicture(600, 400);
    TBitmap picture;
    picture.SetImage(PatternPicture(600, 400));
    const uchar* pixels = picture.Image().constBits();
    TBitmap buffer;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        buffer.DrawOver(picture);
        ASSERT_TRUE(buffer.DrawsOver(picture));
        EXPECT_EQ(picture.Image(), original) << "drawing over again starts from the picture";
        DrawEveryKindOfMark(buffer.Canvas());
        EXPECT_EQ(picture.Image().constBits(), pixels) << "no copy of the picture";
        EXPECT_EQ(buffer.Image().constBits(), pixels);
        EXPECT_NE(picture.Image(), original);

        // Read through what was kept, any block is the picture as it was.
        for (const QRect block : {QRect(0, 0, 600, 400), QRect(37, 21, 61, 61), QRect(290, 190, 20, 20), QRect(590, 390, 10, 10)}) {
            QImage pixelsThere = picture.Image().copy(block);
            buffer.CopyKeptInto(pixelsThere, {block.x(), block.y()});
            EXPECT_EQ(pixelsThere, original.copy(block)) << block.x() << "," << block.y();
        }
    }
    TBitmap other;
    EXPECT_FALSE(buffer.DrawsOver(other));
}

TEST(TBitmap, TakingAPictureOfItsOwnLeavesThePictureDrawnOverAsItWas)
{
    const QImage original = PatternPicture(300, 200);
    TBitmap small;
    MakeSample(small);
    const struct {
        const char* name;
        std::function<void(TBitmap& buffer, const TBitmap& picture)> leave;
    } cases[] = {
        {"Assign", [&](TBitmap& buffer, const TBitmap&) { buffer.Assign(small); }},
        {"Assign the picture", [](TBitmap& buffer, const TBitmap& picture) { buffer.Assign(picture); }},
        {"CopyPixels", [](TBitmap& buffer, const TBitmap& picture) { buffer.CopyPixels(picture); }},
        {"SetSize, the same", [](TBitmap& buffer, const TBitmap&) { buffer.SetSize(300, 200); }},
        {"SetSize, another", [](TBitmap& buffer, const TBitmap&) { buffer.SetSize(30, 20); }},
        {"SetImage", [](TBitmap& buffer, const TBitmap&) { buffer.SetImage(PatternPicture(5, 5)); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TBitmap picture;
        picture.SetImage(original);
        TBitmap buffer;
        buffer.DrawOver(picture);
        DrawEveryKindOfMark(buffer.Canvas());
        c.leave(buffer, picture);
        EXPECT_EQ(picture.Image(), original);
        EXPECT_FALSE(buffer.DrawsOver(picture));
        DrawEveryKindOfMark(buffer.Canvas());
        EXPECT_EQ(picture.Image(), original) << "the buffer draws on its own pixels again";
    }
    TBitmap picture;
    picture.SetImage(original);
    {
        TBitmap buffer;
        buffer.DrawOver(picture);
        DrawEveryKindOfMark(buffer.Canvas());
    }
    EXPECT_EQ(picture.Image(), original) << "a buffer that goes puts the picture back";
}

// A picture of a few megabytes has its copy laid out apart from a small one's.
TEST(TBitmap, ADrawingOverMostOfThePictureSendsTheNextOntoACopyUntilOneCoversLittle)
{
    for (const QSize size : {QSize(300, 200), QSize(1000, 600)}) {
        SCOPED_TRACE(size.width());
        const int width = size.width();
        const int height = size.height();
        const QImage original = PatternPicture(width, height);
        TBitmap picture;
        picture.SetImage(PatternPicture(width, height));
        QImage kept; // outlives the buffer
        TBitmap buffer;
        const auto coverAll = [&] {
            buffer.Canvas()->Brush.Style = bsSolid;
            buffer.Canvas()->Brush.Color = clYellow;
            buffer.Canvas()->FillRect({0, 0, width, height});
        };
        buffer.DrawOver(picture);
        coverAll();
        for (int round = 0; round < 2; ++round) {
            SCOPED_TRACE(round);
            buffer.DrawOver(picture);
            EXPECT_EQ(picture.Image(), original);
            EXPECT_FALSE(buffer.DrawsOver(picture)) << "drawn on a copy";
            EXPECT_EQ(buffer.Image(), original);
            coverAll();
            EXPECT_EQ(picture.Image(), original);
        }
        buffer.DrawOver(picture);
        buffer.Canvas()->SetPixel(1, 1, clRed);
        buffer.DrawOver(picture);
        EXPECT_TRUE(buffer.DrawsOver(picture)) << "a small drawing goes on the picture again";
        EXPECT_EQ(buffer.Image(), original);
        DrawEveryKindOfMark(buffer.Canvas());
        buffer.DrawOver(picture);
        EXPECT_EQ(picture.Image(), original);

        // Someone keeps a drawing made on the copy: it stays as it was.
        coverAll();
        buffer.DrawOver(picture);
        ASSERT_FALSE(buffer.DrawsOver(picture));
        coverAll();
        kept = buffer.Image();
        buffer.DrawOver(picture);
        EXPECT_EQ(buffer.Image(), original);
        EXPECT_EQ(picture.Image(), original);
        EXPECT_EQ(kept.pixel(width - 1, height - 1), QColor(Qt::yellow).rgb());
    }
}

// Someone (a print page, say) keeps the marked pixels: they stay valid after
// the picture goes, and the picture never gets the marks drawn after.
TEST(TBitmap, AKeptViewOfThePictureDrawnOverOutlivesItAndTakesNoLaterMark)
{
    const QImage original = PatternPicture(300, 200);
    auto picture = std::make_unique<TBitmap>();
    picture->SetImage(original);
    TBitmap buffer;
    buffer.DrawOver(*picture);
    buffer.Canvas()->SetPixel(5, 5, clRed);
    const QImage kept = buffer.Image();
    DrawEveryKindOfMark(buffer.Canvas());
    EXPECT_EQ(FromQRgb(picture->Image().pixel(5, 5)), clRed);
    buffer.DrawOver(*picture);
    EXPECT_EQ(picture->Image(), original);

    picture.reset();
    EXPECT_EQ(kept.size(), QSize(300, 200));
    EXPECT_EQ(kept.pixel(299, 199), original.pixel(299, 199));
}

TEST(TJPEGImage, CarriesAPictureBetweenFileAndBitmap)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("sample.jpg").toStdString();
    TBitmap bitmap;
    bitmap.SetSize(16, 16);
    bitmap.Canvas()->Brush.Color = 0x3060C0;
    bitmap.Canvas()->FillRect({0, 0, 16, 16});

    TJPEGImage jpeg;
    EXPECT_EQ(jpeg.CompressionQuality, 90);
    jpeg.CompressionQuality = 100;
    jpeg.Assign(bitmap);
    EXPECT_EQ(jpeg.Width(), 16);
    jpeg.SaveToFile(path);

    TJPEGImage loaded;
    loaded.LoadFromFile(path);
    EXPECT_EQ(loaded.Height(), 16);
    TBitmap result;
    loaded.AssignTo(result);
    const TColor c = result.Canvas()->Pixels(8, 8);
    const auto near = [](int a, int b) { return std::abs(a - b) <= 3; };
    EXPECT_TRUE(near(c & 0xFF, 0xC0) && near((c >> 8) & 0xFF, 0x60) && near((c >> 16) & 0xFF, 0x30)) << std::hex << c;
}

TEST(TJPEGImage, FailedLoadKeepsThePicture)
{
    QTemporaryDir dir;
    TBitmap bitmap;
    MakeSample(bitmap);
    TJPEGImage jpeg;
    jpeg.Assign(bitmap);
    EXPECT_THROW(jpeg.LoadFromFile(dir.filePath("missing.jpg").toStdString()), platform::ImageError);
    EXPECT_EQ(jpeg.Width(), 3);
}

} // namespace
