// A paint box: a widget that shows a screen image and hands its mouse events
// to the form. The image is what the old platform's paint box canvas drew on:
// the form copies its back buffer there and draws transient marks (rubber
// bands, hover highlights, drag previews) through Canvas(); the next copy of
// the back buffer wipes them. That copy puts back only what the canvas has
// drawn over since the buffer was shown, so wiping costs what the marks
// covered, not the picture's size. The widget repaints what each drawing
// touched and never asks the form to recompose: an expose shows the image as
// it is.
//
// A large back buffer can also be shown in place (ShowImageInPlace): the
// canvas then draws on the buffer's own pixels, keeping what each tile held
// before its first mark, and wiping puts those tiles back, so no second copy
// of the picture is ever made.
#pragma once

#include "platform/gui/TCanvas.h"
#include "platform/gui/TKeptTiles.h"
#include "platform/gui/TTouchedArea.h"

#include <QImage>
#include <QWidget>

#include <functional>

// Mouse buttons and shift states as the old platform reported them.
enum TMouseButton { mbLeft, mbRight, mbMiddle };
using TShiftState = unsigned;
inline constexpr TShiftState ssShift = 0x01;
inline constexpr TShiftState ssAlt = 0x02;
inline constexpr TShiftState ssCtrl = 0x04;
inline constexpr TShiftState ssLeft = 0x08;
inline constexpr TShiftState ssRight = 0x10;
inline constexpr TShiftState ssMiddle = 0x20;
inline constexpr TShiftState ssDouble = 0x40;

// The shift state of Qt's modifier keys and held buttons.
TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons = Qt::NoButton);
// Back to Qt, for code that takes Qt's types (the shapes' mouse operations).
Qt::MouseButton QtButtonOf(TMouseButton button);
Qt::KeyboardModifiers ModifiersOf(TShiftState shift);

class TPaintBox : public QWidget {
    Q_OBJECT
public:
    explicit TPaintBox(QWidget* parent = nullptr);

    // The canvas onto the screen image; it keeps its pen, brush and font for
    // the box's whole life, whatever size the image takes.
    TCanvas* Canvas() { return &canvas_; }
    // The image shown; sized with the box.
    const QImage& ScreenImage() const { return shared_ ? *shared_ : screen_; }

    int Width() const { return width(); }
    int Height() const { return height(); }
    // Sizes box and screen image (fixed size, for a scroll area); the image's
    // old pixels are kept where they still fit.
    void SetSize(int width, int height);
    // Takes the box's size from the picture and shows it at (0, 0). The
    // pixels are shared until either side draws, so showing a finished back
    // buffer costs no copy. Shown again while unchanged, the picture is only
    // put back where the canvas drew over it since.
    void ShowImage(const QImage& image);
    // Shows the owner's picture itself, drawing the marks on its pixels. Shown
    // again, the tiles the canvas drew over are put back as they were (unless
    // the picture's pixels were replaced meanwhile), so the owner finds its
    // picture as it left it. The picture must stay alive until the box lets
    // go of it (LetGoOfImage, ShowImage, or showing another one in place).
    void ShowImageInPlace(QImage& image);
    // Lets go of the pixels shown, keeping the box's size, so that the one
    // who shares them can draw the next picture into them without a copy.
    // Nothing is painted until the next ShowImage.
    void LetGoOfImage();
    // For a picture shown in place: copies what the canvas drew over, as it
    // was, into `block`, a copy of the picture's pixels from `origin` on.
    void CopyKeptInto(QImage& block, TPoint origin) const { kept_.CopyKeptInto(block, origin); }

    // Handlers the form installs, with positions in image pixels.
    std::function<void(TMouseButton, TShiftState, int x, int y)> OnMouseDown;
    std::function<void(TShiftState, int x, int y)> OnMouseMove;
    std::function<void(TMouseButton, TShiftState, int x, int y)> OnMouseUp;
    std::function<void()> OnDblClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // Qt replaces the second press of a double click by this event; the old
    // platform delivered the double click first and then the second press.
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // Copies the picture's pixels over what the canvas touched.
    void PutBack(const QImage& image);
    // Puts the kept tiles back into the picture shown in place, when its
    // pixels are still the ones the canvas drew on, and repaints them.
    void PutBackKept();
    // Back to the box's own screen image, leaving the picture as it was.
    void LeaveInPlace();

    QImage screen_;
    TCanvas canvas_;
    // What the canvas drew on since the screen image last showed a picture
    // whole or put one back.
    TTouchedArea touched_;
    // The cache key the picture shown last had then; 0 when the screen shows
    // none as it was.
    qint64 shownKey_ = 0;

    // The picture shown in place; not owned. Null when the box shows its own
    // screen image.
    QImage* shared_ = nullptr;
    // What the canvas drew over on it.
    TKeptTiles kept_;
};
