#include "platform/gui/TBitmap.h"

#include "platform/gui/ImageFile.h"
#include "platform/gui/TJPEGImage.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
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
