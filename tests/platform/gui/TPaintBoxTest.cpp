// The paint box: its canvas draws on the shown screen image, and a double
// click arrives in the old platform's order.
#include "platform/gui/TPaintBox.h"
#include "tests/support/EveryKindOfMark.h"
#include "tests/support/PatternPicture.h"

#include <QTest>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(TPaintBoxTest, CanvasDrawsOnTheScreenImageAndKeepsItWhenGrowing)
{
    TPaintBox box;
    box.SetSize(20, 10);
    box.Canvas()->SetPixel(3, 4, clRed);
    box.SetSize(30, 15);
    EXPECT_EQ(box.Width(), 30);
    EXPECT_EQ(box.ScreenImage().height(), 15);
    EXPECT_EQ(box.Canvas()->Pixels(3, 4), clRed);
    EXPECT_EQ(box.Canvas()->Pixels(25, 12), clWhite);
}

TEST(TPaintBoxTest, ShownImageTakesItsSizeAndMarksNeverReachTheSource)
{
    TPaintBox box;
    QImage buffer(40, 30, QImage::Format_RGB32);
    buffer.fill(Qt::black);
    box.ShowImage(buffer);
    EXPECT_EQ(box.Width(), 40);
    EXPECT_EQ(box.Height(), 30);
    EXPECT_EQ(box.Canvas()->Pixels(5, 5), clBlack);

    box.Canvas()->SetPixel(5, 5, clRed);
    EXPECT_EQ(box.Canvas()->Pixels(5, 5), clRed);
    EXPECT_EQ(buffer.pixel(5, 5), qRgb(0, 0, 0));
}

TEST(TPaintBoxTest, DoubleClickComesBeforeTheSecondPress)
{
    TPaintBox box;
    box.SetSize(50, 50);
    std::vector<std::string> events;
    box.OnMouseDown = [&](TMouseButton, TShiftState shift, int x, int y) {
        events.push_back("down " + std::to_string(x) + "," + std::to_string(y) +
                         ((shift & ssDouble) ? " double" : ""));
    };
    box.OnMouseUp = [&](TMouseButton, TShiftState, int, int) { events.push_back("up"); };
    box.OnDblClick = [&] { events.push_back("dblclick"); };

    // What a widget receives for a double click: the second press comes as
    // the double-click event.
    QTest::mousePress(&box, Qt::LeftButton, Qt::NoModifier, QPoint(7, 9));
    QTest::mouseRelease(&box, Qt::LeftButton, Qt::NoModifier, QPoint(7, 9));
    QTest::mouseDClick(&box, Qt::LeftButton, Qt::NoModifier, QPoint(7, 9));
    QTest::mouseRelease(&box, Qt::LeftButton, Qt::NoModifier, QPoint(7, 9));

    const std::vector<std::string> expected{"down 7,9", "up", "dblclick", "down 7,9 double", "up"};
    EXPECT_EQ(events, expected);
}

TEST(TPaintBoxTest, ButtonsAndModifiersGoBackToQtUnchanged)
{
    for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        TMouseButton reported = mbLeft;
        TPaintBox box;
        box.SetSize(5, 5);
        box.OnMouseDown = [&](TMouseButton b, TShiftState, int, int) { reported = b; };
        QTest::mousePress(&box, button, Qt::NoModifier, QPoint(1, 1));
        EXPECT_EQ(QtButtonOf(reported), button);
    }
    const Qt::KeyboardModifiers all = Qt::ShiftModifier | Qt::AltModifier | Qt::ControlModifier;
    for (const Qt::KeyboardModifiers modifiers : {Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::ShiftModifier),
                                                   Qt::KeyboardModifiers(Qt::ControlModifier), all})
        EXPECT_EQ(ModifiersOf(ShiftStateOf(modifiers, Qt::LeftButton)), modifiers);
}

TEST(TPaintBoxTest, ShowingThePictureAgainPutsBackOnlyWhatTheCanvasDrewOver)
{
    TPaintBox box;
    const QImage picture = PatternPicture(300, 200);
    box.ShowImage(picture);
    TCanvas* canvas = box.Canvas();
    canvas->Pen.Color = clRed;
    canvas->MoveTo(10, 10);
    canvas->LineTo(250, 180);
    canvas->TextOut(100, 20, "band");
    ASSERT_NE(box.ScreenImage(), picture);

    box.ShowImage(picture);
    EXPECT_EQ(box.ScreenImage(), picture);
    EXPECT_NE(box.ScreenImage().constBits(), picture.constBits())
        << "the screen keeps its own pixels: it takes back the marks, not the picture";

    // And so on, mark after mark.
    canvas->Rectangle(40, 40, 120, 90);
    box.ShowImage(picture);
    EXPECT_EQ(box.ScreenImage(), picture);
}

TEST(TPaintBoxTest, AChangedOrAnotherPictureIsShownWhole)
{
    TPaintBox box;
    QImage picture = PatternPicture(120, 80);
    box.ShowImage(picture);
    box.Canvas()->SetPixel(3, 3, clRed);

    // Changed where the canvas never drew.
    picture.setPixel(100, 70, qRgb(1, 2, 3));
    box.ShowImage(picture);
    EXPECT_EQ(box.ScreenImage(), picture);

    // Another picture of the same size, and one of another size.
    box.Canvas()->SetPixel(3, 3, clRed);
    const QImage other = PatternPicture(120, 80).mirrored();
    box.ShowImage(other);
    EXPECT_EQ(box.ScreenImage(), other);
    const QImage larger = PatternPicture(130, 90);
    box.ShowImage(larger);
    EXPECT_EQ(box.ScreenImage(), larger);
    EXPECT_EQ(box.size(), QSize(130, 90));

    // Resized in between: what it shows is no longer the picture as it was.
    box.SetSize(60, 40);
    box.ShowImage(larger);
    EXPECT_EQ(box.ScreenImage(), larger);
}

} // namespace

TEST(TPaintBoxTest, LettingGoOfTheImageLeavesThePictureToItsOwnerUntilTheNextShow)
{
    TPaintBox box;
    QImage picture = PatternPicture(120, 80);
    box.ShowImage(picture);
    box.Canvas()->SetPixel(3, 3, clRed);

    box.LetGoOfImage();
    EXPECT_TRUE(picture.isDetached()) << "the owner may draw into its pixels without a copy";
    EXPECT_EQ(box.size(), QSize(120, 80));
    box.Canvas()->SetPixel(5, 5, clRed); // onto nothing

    picture.setPixel(3, 3, qRgb(1, 2, 3));
    box.ShowImage(picture);
    EXPECT_EQ(box.ScreenImage(), picture);
}

TEST(TPaintBoxTest, APictureShownInPlaceTakesTheMarksOnItsOwnPixelsAndGetsItsTilesBack)
{
    TPaintBox box;
    QImage buffer = PatternPicture(300, 200);
    const QImage original = buffer.copy();
    const uchar* pixels = buffer.constBits();
    box.ShowImageInPlace(buffer);
    EXPECT_EQ(box.size(), QSize(300, 200));
    EXPECT_EQ(box.ScreenImage().constBits(), pixels) << "no copy of the picture";

    // Mark after mark, each wiped by showing the picture again.
    for (int round = 0; round < 2; ++round) {
        DrawEveryKindOfMark(box.Canvas());
        EXPECT_EQ(buffer.constBits(), pixels) << "drawn in place";
        EXPECT_NE(buffer, original);
        box.ShowImageInPlace(buffer);
        EXPECT_EQ(buffer, original) << "round " << round;
    }

    // Letting go, or showing something else, also leaves the picture clean.
    DrawEveryKindOfMark(box.Canvas());
    box.LetGoOfImage();
    EXPECT_EQ(buffer, original);
    box.ShowImageInPlace(buffer);
    DrawEveryKindOfMark(box.Canvas());
    const QImage other = PatternPicture(120, 80);
    box.ShowImage(other);
    EXPECT_EQ(buffer, original);
    EXPECT_EQ(box.ScreenImage(), other);
    box.Canvas()->SetPixel(3, 3, clRed);
    EXPECT_EQ(buffer, original) << "the box draws on its own image again";
}

TEST(TPaintBoxTest, APictureShownInPlaceWhosePixelsTheOwnerReplacedIsShownAsItIsNow)
{
    TPaintBox box;
    QImage buffer = PatternPicture(300, 200);
    box.ShowImageInPlace(buffer);
    DrawEveryKindOfMark(box.Canvas());

    // The owner composes a new picture into the same image object.
    const QImage recomposed = PatternPicture(300, 200).mirrored();
    buffer = recomposed.copy();
    box.ShowImageInPlace(buffer);
    EXPECT_EQ(buffer, recomposed) << "no tile of the old picture is put back";

    // A picture the owner still shares with someone is copied before the
    // first mark, so the other holder never sees it.
    const QImage sharedWithOwner = buffer;
    DrawEveryKindOfMark(box.Canvas());
    EXPECT_EQ(sharedWithOwner, recomposed);
    box.ShowImageInPlace(buffer);
    EXPECT_EQ(buffer, recomposed);
}
