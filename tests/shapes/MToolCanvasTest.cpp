#include "shapes/MTool.h"

#include "platform/gui/TBitmap.h"
#include "platform/gui/TCanvas.h"
#include "platform/gui/TJPEGImage.h"
#include "tests/shapes/GuiTypesPrinting.h"

#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <string>

namespace {

QImage WhiteImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

class MToolCanvasTest : public ::testing::Test {
protected:
    void SetUp() override { MTool::ResetInstanceForTesting(); }
    void TearDown() override { MTool::ResetInstanceForTesting(); }
    MTool* tool = MTool::GetInstance();
};

TEST_F(MToolCanvasTest, TextIsMeasuredOnTheCanvasOnceOneIsSet)
{
    QImage image = WhiteImage(100, 50);
    TCanvas canvas(&image);
    tool->SetCanvas(&canvas);
    const TSize extent = canvas.TextExtent("Length 12");
    ASSERT_GT(extent.cx, 0);
    EXPECT_EQ(tool->TextWidth("Length 12"), extent.cx);
    EXPECT_EQ(tool->TextRect(10, 20, "Length 12"), (TRect{10, 20, 10 + extent.cx, 20 + extent.cy}));
}

TEST_F(MToolCanvasTest, DrawLinePaintsTheEndPixelToo)
{
    QImage image = WhiteImage(10, 3);
    TCanvas canvas(&image);
    canvas.Pen.Color = clBlack;
    MTool::DrawLine(&canvas, {0, 0}, {5, 0});
    for (int x = 0; x < 10; ++x)
        EXPECT_EQ(canvas.Pixels(x, 0), x <= 5 ? clBlack : clWhite) << x;
    EXPECT_EQ(canvas.Pixels(0, 1), clWhite);
    MTool::DrawLine(nullptr, {0, 0}, {5, 0}); // nothing without a canvas
}

TEST_F(MToolCanvasTest, WhiteRectWhitensAndKeepsTheCopyMode)
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::black);
    TCanvas canvas(&image);
    canvas.CopyMode = cmSrcInvert;
    MTool::WhiteRect(&canvas, {2, 2, 5, 5});
    EXPECT_EQ(canvas.CopyMode, cmSrcInvert);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool inside = x >= 2 && x < 5 && y >= 2 && y < 5;
            EXPECT_EQ(canvas.Pixels(x, y), inside ? clWhite : clBlack) << x << "," << y;
        }
    MTool::ClearCanvas(&canvas, 8, 8);
    EXPECT_EQ(canvas.Pixels(0, 0), clWhite);
    EXPECT_EQ(canvas.Pixels(7, 7), clWhite);
    MTool::ClearCanvas(nullptr, 8, 8);
}

// Picture files made by the test: a 4 x 3 picture with a red corner, as
// bitmap and JPEG, and files that are not what their names say.
class MToolPictureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        TBitmap picture;
        picture.SetSize(4, 3);
        picture.Canvas()->SetPixel(0, 0, clRed);
        picture.SaveToFile(Path("good.bmp"));
        TJPEGImage jpeg;
        jpeg.CompressionQuality = 100;
        jpeg.Assign(picture);
        jpeg.SaveToFile(Path("good.JPG"));
        WriteFile("bad.bmp", QByteArray("BM") + QByteArray(60, '\x7f'));
        WriteFile("bad.jpg", QByteArray("\xFF\xD8\xFF\xE0", 4) + QByteArray(60, '\x13'));
        QFile::copy(QString::fromStdString(Path("good.bmp")), QString::fromStdString(Path("bitmap.jpg")));

        // The target holds a 2 x 2 blue picture before each load.
        target.SetSize(2, 2);
        target.Canvas()->SetPixel(1, 1, clBlue);
    }

    std::string Path(const std::string& name) const { return dir.filePath(QString::fromStdString(name)).toStdString(); }

    void WriteFile(const std::string& name, const QByteArray& bytes) const
    {
        QFile file(QString::fromStdString(Path(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    void ExpectTargetUnchanged() const
    {
        EXPECT_EQ(target.Width(), 2);
        EXPECT_EQ(target.Height(), 2);
        EXPECT_EQ(target.Canvas()->Pixels(1, 1), clBlue);
    }

    QTemporaryDir dir;
    TBitmap target;
};

TEST_F(MToolPictureTest, LoadsBitmapAndJpegFilesByName)
{
    ASSERT_TRUE(MTool::LoadBitmap(Path("good.bmp"), &target));
    EXPECT_EQ(target.Width(), 4);
    EXPECT_EQ(target.Height(), 3);
    EXPECT_EQ(target.Canvas()->Pixels(0, 0), clRed);

    TBitmap fromJpeg;
    ASSERT_TRUE(MTool::LoadBitmap(Path("good.JPG"), &fromJpeg));
    EXPECT_EQ(fromJpeg.Width(), 4);
    EXPECT_EQ(fromJpeg.Height(), 3);
}

TEST_F(MToolPictureTest, AFailedLoadLeavesTheBitmapAsItWas)
{
    for (const char* name : {"missing.bmp", "bad.bmp", "bad.jpg", "bitmap.jpg", "missing.jpg"}) {
        EXPECT_FALSE(MTool::LoadBitmap(Path(name), &target)) << name;
        ExpectTargetUnchanged();
    }
    EXPECT_FALSE(MTool::LoadBitmap(Path("good.bmp"), nullptr));
}

TEST_F(MToolPictureTest, LoadImageSizesTheLabelToThePicture)
{
    QLabel label;
    label.resize(50, 50);
    ASSERT_TRUE(MTool::LoadImage(Path("good.JPG"), &label));
    EXPECT_EQ(label.size(), QSize(4, 3));
    EXPECT_EQ(label.pixmap().size(), QSize(4, 3));
}

TEST_F(MToolPictureTest, LoadImageFailureLeavesTheLabelUntouched)
{
    QLabel label;
    ASSERT_TRUE(MTool::LoadImage(Path("good.bmp"), &label));
    const QImage before = label.pixmap().toImage();
    for (const char* name : {"", "missing.bmp", "bad.bmp", "bad.jpg"}) {
        EXPECT_FALSE(MTool::LoadImage(name[0] ? Path(name) : std::string(), &label)) << name;
        EXPECT_EQ(label.size(), QSize(4, 3));
        EXPECT_EQ(label.pixmap().toImage(), before);
    }
    EXPECT_FALSE(MTool::LoadImage(Path("good.bmp"), nullptr));
}

} // namespace
