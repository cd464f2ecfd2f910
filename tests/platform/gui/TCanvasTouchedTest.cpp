// A canvas that records what it touches: every pixel any drawing operation
// writes lies in a marked tile, so putting the marked tiles back undoes the
// drawing; and a long line or a large outline marks the tiles along it, not
// the box around it.
#include "platform/gui/TBitmap.h"
#include "platform/gui/TCanvas.h"
#include "platform/gui/TTouchedArea.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 300;

// A grey picture with a canvas that marks what it draws.
struct TrackedPicture {
    TrackedPicture(int width = kWidth, int height = kHeight) : image(width, height, QImage::Format_RGB32)
    {
        image.fill(qRgb(128, 128, 128));
        before = image.copy();
        touched.Reset(width, height);
        canvas.RecordTouched(&touched);
        canvas.Pen.Color = clRed;
        canvas.Brush.Color = clBlue;
    }

    // The picture with the marked tiles put back from before the drawing.
    QImage PutBack()
    {
        QImage restored = image.copy();
        for (const TRect& run : touched.Take())
            for (int y = run.top; y < run.bottom; ++y)
                for (int x = run.left; x < run.right; ++x)
                    restored.setPixel(x, y, before.pixel(x, y));
        return restored;
    }

    // Pixels in marked tiles, as a share of the picture.
    double MarkedShare() const
    {
        TTouchedArea copy = touched;
        double pixels = 0;
        for (const TRect& run : copy.Take())
            pixels += double(run.Width()) * run.Height();
        return pixels / (double(image.width()) * image.height());
    }

    QImage image;
    QImage before;
    TTouchedArea touched;
    TCanvas canvas{&image};
};

TEST(TCanvasTouched, PuttingBackTheMarkedTilesUndoesEveryDrawingOperation)
{
    TBitmap checker;
    checker.SetSize(60, 40);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x)
            checker.Canvas()->SetPixel(x, y, (x + y) % 2 ? clBlack : clWhite);
    const TPoint star[] = {{200, 20}, {380, 280}, {10, 120}, {390, 120}, {20, 290}};

    struct Case {
        const char* what;
        std::function<void(TCanvas&)> draw;
    };
    const Case cases[] = {
        {"a line running off the picture", [](TCanvas& c) { c.MoveTo(-50, -20); c.LineTo(450, 310); }},
        {"a dotted line with gaps in the brush colour",
         [](TCanvas& c) {
             c.Pen.Style = psDot;
             c.MoveTo(5, 290);
             c.LineTo(395, 7);
         }},
        {"an exclusive-or line", [](TCanvas& c) { c.Pen.Mode = pmXor; c.MoveTo(0, 150); c.LineTo(399, 151); }},
        {"a wide line", [](TCanvas& c) { c.Pen.Width = 7; c.MoveTo(-30, 280); c.LineTo(420, 3); }},
        {"a wide polyline", [&](TCanvas& c) { c.Pen.Width = 4; c.Polyline(star); }},
        {"a filled rectangle", [](TCanvas& c) { c.Rectangle(30, 40, 370, 260); }},
        {"an outlined rectangle", [](TCanvas& c) { c.Brush.Style = bsClear; c.Rectangle(-5, 40, 370, 320); }},
        {"a wide rectangle",
         [](TCanvas& c) {
             c.Pen.Width = 6;
             c.Brush.Style = bsClear;
             c.Rectangle(30, 40, 370, 260);
         }},
        {"a rectangle one pixel high", [](TCanvas& c) { c.Rectangle(30, 40, 370, 41); }},
        {"a frame", [](TCanvas& c) { c.FrameRect({3, 5, 397, 295}); }},
        {"a filled box", [](TCanvas& c) { c.FillRect({-10, 100, 50, 400}); }},
        {"a filled ellipse", [](TCanvas& c) { c.Ellipse(20, 10, 380, 290); }},
        {"an ellipse outline", [](TCanvas& c) { c.Brush.Style = bsClear; c.Ellipse(-100, -40, 300, 120); }},
        {"a wide ellipse cut by the top edge",
         [](TCanvas& c) {
             c.Pen.Width = 9;
             c.Brush.Style = bsClear;
             c.Ellipse(-100, -12, 300, 120);
         }},
        {"a wide filled ellipse", [](TCanvas& c) { c.Pen.Width = 5; c.Ellipse(100, 100, 300, 400); }},
        {"an arc", [](TCanvas& c) { c.Arc(20, 10, 380, 290, 380, 150, 200, 10); }},
        {"a dotted arc", [](TCanvas& c) { c.Pen.Style = psDot; c.Arc(20, 10, 380, 290, 380, 150, 20, 150); }},
        {"a wide arc", [](TCanvas& c) { c.Pen.Width = 8; c.Arc(20, 10, 380, 290, 200, 290, 380, 150); }},
        {"a filled polygon", [&](TCanvas& c) { c.Polygon(star); }},
        {"text on its cell", [](TCanvas& c) { c.TextOut(-3, 280, "Length 12.5 mm"); }},
        {"text on a clear brush", [](TCanvas& c) { c.Brush.Style = bsClear; c.TextOut(390, 100, "L1"); }},
        {"a picture", [&](TCanvas& c) { c.Draw(370, -10, checker); }},
        {"a stretched picture", [&](TCanvas& c) { c.StretchDraw({50, 60, 350, 240}, checker); }},
        {"a copied block", [&](TCanvas& c) { c.CopyRect({10, 10, 70, 50}, *checker.Canvas(), {0, 0, 60, 40}); }},
        {"an inverted block", [&](TCanvas& c) { c.CopyMode = cmDstInvert; c.StretchDraw({90, 80, 100, 99}, checker); }},
        {"a pixel", [](TCanvas& c) { c.SetPixel(399, 299, clLime); }},
    };
    for (const Case& c : cases) {
        TrackedPicture picture;
        c.draw(picture.canvas);
        ASSERT_NE(picture.image, picture.before) << c.what << " draws nothing";
        EXPECT_TRUE(picture.PutBack() == picture.before) << c.what << " is not undone";
    }
}

TEST(TCanvasTouched, LongStrokesMarkTheTilesAlongThemNotTheBoxAroundThem)
{
    struct Case {
        const char* what;
        std::function<void(TCanvas&)> draw;
        double mostShare; // of a 2000 x 2000 picture
    };
    const Case cases[] = {
        {"a diagonal", [](TCanvas& c) { c.MoveTo(0, 0); c.LineTo(1999, 1999); }, 0.04},
        {"a wide diagonal", [](TCanvas& c) { c.Pen.Width = 5; c.MoveTo(0, 1999); c.LineTo(1999, 0); }, 0.1},
        {"a circle outline", [](TCanvas& c) { c.Brush.Style = bsClear; c.Ellipse(100, 100, 1900, 1900); }, 0.1},
        {"a wide circle outline",
         [](TCanvas& c) {
             c.Pen.Width = 5;
             c.Brush.Style = bsClear;
             c.Ellipse(100, 100, 1900, 1900);
         },
         0.15},
        {"a rubber band",
         [](TCanvas& c) {
             c.Pen.Style = psDot;
             c.Brush.Style = bsClear;
             c.Rectangle(5, 5, 1990, 1990);
         },
         0.07},
    };
    for (const Case& c : cases) {
        TrackedPicture picture(2000, 2000);
        c.draw(picture.canvas);
        EXPECT_LT(picture.MarkedShare(), c.mostShare) << c.what;
        EXPECT_TRUE(picture.PutBack() == picture.before) << c.what << " is not undone";
    }
}

} // namespace
