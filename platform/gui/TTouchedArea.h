// Where drawing has changed a picture since that was last asked: the screen
// image of a paint box records it so that wiping a rubber band, a highlight
// or a preview puts back only what they covered, not the whole picture. The
// picture is cut into square tiles; a pixel drawn marks its tile, so what is
// put back is at most a tile's width beyond what was drawn, and a line costs
// the tiles it crosses however long it is.
#pragma once

#include "platform/gui/GuiTypes.h"

#include <cstdint>
#include <functional>
#include <vector>

class TTouchedArea {
public:
    // Tiles are 2^kTileShift pixels square.
    static constexpr int kTileShift = 5;
    static constexpr int kTileSize = 1 << kTileShift;

    // Nothing touched, on a picture of this size (negative sizes count as 0).
    void Reset(int width, int height);
    bool Empty() const { return lastRow_ < firstRow_; }

    // Marks are clipped to the picture, so any coordinates are safe.
    void AddPixel(std::int64_t x, std::int64_t y);
    // Pixels x0 to x1 of row y, both included.
    void AddSpan(std::int64_t y, std::int64_t x0, std::int64_t x1);
    // The half-open box left..right-1, top..bottom-1.
    void AddBox(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom);

    // How many tiles are touched, and how many the picture has.
    int Count() const;
    int Tiles() const { return columns_ * rows_; }
    // The smallest rectangle around the touched tiles, cut to the picture;
    // an empty rectangle when nothing was touched.
    TRect Bounds() const;
    // The touched tiles as rectangles, each a run of neighbouring tiles in
    // one row of tiles, cut to the picture; afterwards nothing is touched.
    std::vector<TRect> Take();

    // Called with each tile (cut to the picture) as it is first touched
    // since the last Take or Reset, before the drawing that touches it.
    std::function<void(const TRect& tile)> OnFirstTouch;

private:
    void MarkTiles(int row, int firstColumn, int lastColumn);
    // The bounds hold nothing; the tiles are cleared by whoever calls it.
    void ForgetMarks();

    int width_ = 0;
    int height_ = 0;
    int columns_ = 0;
    int rows_ = 0;
    std::vector<std::uint8_t> tiles_; // row by row, 1 where touched
    // The rows and columns of tiles that hold every mark.
    int firstRow_ = 0;
    int lastRow_ = -1;
    int firstColumn_ = 0;
    int lastColumn_ = -1;
};
