// An off-screen picture with its own canvas: the back buffers, the loaded
// picture and the zoom images. The pixels are a QImage in Format_RGB32; the
// canvas belongs to the bitmap and keeps its identity (and its pen, brush
// and font) for the bitmap's whole life, whatever is loaded or assigned.
#pragma once

#include "platform/gui/TCanvas.h"

#include <QImage>

#include <memory>
#include <string>

class TBitmap {
public:
    TBitmap();
    ~TBitmap();
    // Copying would give two bitmaps one canvas; use Assign.
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    int Width() const { return image_.isNull() ? emptyWidth_ : image_.width(); }
    int Height() const { return image_.isNull() ? emptyHeight_ : image_.height(); }
    // No pixels: width or height is 0.
    bool Empty() const { return image_.isNull(); }
    // A new size makes a fresh white picture; the old pixels are not kept.
    // Setting the size it already has changes nothing. Negative sizes count
    // as 0.
    void SetSize(int width, int height);
    void SetWidth(int width) { SetSize(width, Height()); }
    void SetHeight(int height) { SetSize(Width(), height); }

    TCanvas* Canvas() const { return canvas_.get(); }

    // A picture of its own with the other bitmap's pixels.
    void Assign(const TBitmap& other);
    // As Assign, but into the pixels this bitmap already holds alone when
    // they have the other's size: no memory is taken or given back, and the
    // first drawing after it copies nothing.
    void CopyPixels(const TBitmap& other);
    // Reads a BMP file; throws platform::ImageError and then keeps the old
    // picture.
    void LoadFromFile(const std::string& path);
    // Writes a 24-bit BMP file; throws platform::ImageError.
    void SaveToFile(const std::string& path) const;

    // The pixels, for the Qt side (painting on screen, printing).
    const QImage& Image() const { return image_; }
    QImage& Image() { return image_; }
    // Takes the picture, converted to Format_RGB32.
    void SetImage(const QImage& image);

    // Draws from now on over the other bitmap's own pixels instead of a copy
    // of them, so that marking a large picture costs only the tiles the marks
    // cross: each is kept before the first mark on it. Meanwhile the other
    // bitmap shows the marks (CopyKeptInto reads it as it was). Drawing over
    // the same picture again puts back what was drawn (and after a drawing
    // that covered most of the picture, draws on a copy of it instead, which
    // is cheaper then); taking a picture of its own (Assign, SetSize, ...) or
    // going leaves the other bitmap as it was. Whoever draws over the marks
    // in place (a paint box showing this bitmap) must put its own drawing
    // back first.
    void DrawOver(TBitmap& picture);
    // Whether this bitmap draws over that one's pixels.
    bool DrawsOver(const TBitmap& picture) const;
    // While drawing over another bitmap: copies what the marks covered, as
    // it was, into `block`, a copy of the pixels from `origin` on.
    void CopyKeptInto(QImage& block, TPoint origin) const;

private:
    // Takes the last drawing off the picture drawn over.
    void DrawOverAgain();
    // Puts back what was drawn over another bitmap and shares its pixels
    // from then on, as Assign would.
    void LeaveOver();

    QImage image_;
    // The size of an empty bitmap, kept so that setting the width and then
    // the height gives a picture of both.
    int emptyWidth_ = 0;
    int emptyHeight_ = 0;
    std::unique_ptr<TCanvas> canvas_;
    // Set while drawing over another bitmap's pixels.
    struct Over;
    std::unique_ptr<Over> over_;
};
