// What a picture held under marks drawn on its own pixels. Each tile is kept
// as it was just before the first mark on it (TTouchedArea::OnFirstTouch
// calls Keep), so the marks can be wiped, or the picture read as it was,
// without a second copy of the whole picture: the cost is the tiles the
// marks crossed.
#pragma once

#include "platform/gui/GuiTypes.h"

#include <QImage>

#include <memory>
#include <vector>

class TKeptTiles {
public:
    // Starts on these pixels (null: none); nothing is kept, and the memory
    // that held kept tiles is given back.
    void Watch(QImage* image);
    // Whether the marks were drawn on these very pixels.
    bool Holds(const QImage& image) const { return image_ == &image && image.constBits() == bits_; }

    // Keeps a tile of the picture (cut to it) before it is first drawn on.
    void Keep(const TRect& tile);
    // Notes that the marks were drawn on the pixels the picture has now: its
    // owner may have replaced them since, and the kept tiles then no longer
    // belong there.
    void NoteDrawn();
    // Puts the kept tiles back, when the picture still has the pixels the
    // marks were drawn on, and forgets them; their memory is kept for the
    // next marks.
    void PutBack();
    // Copies the kept pixels that fall in `block` over it, the block holding
    // the picture's pixels from `origin` on: the block then shows the picture
    // as it was under the marks.
    void CopyKeptInto(QImage& block, TPoint origin) const;

private:
    QImage* image_ = nullptr;
    // Where the pixels were when the marks were last drawn.
    const uchar* bits_ = nullptr;
    struct KeptTile {
        TRect rect;
        std::size_t offset; // of its pixels in pixels_, row by row
    };
    std::vector<KeptTile> kept_;
    // The kept pixels of every tile, one block for all: a redraw that keeps
    // the same tiles again takes no memory anew.
    std::unique_ptr<QRgb[]> pixels_;
    std::size_t used_ = 0;
    std::size_t capacity_ = 0;
};
