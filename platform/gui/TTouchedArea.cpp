#include "platform/gui/TTouchedArea.h"

#include <algorithm>
#include <cstring>

void TTouchedArea::Reset(int width, int height)
{
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    columns_ = (width_ + kTileSize - 1) >> kTileShift;
    rows_ = (height_ + kTileSize - 1) >> kTileShift;
    tiles_.assign(std::size_t(columns_) * std::size_t(rows_), 0);
    ForgetMarks();
}

void TTouchedArea::ForgetMarks()
{
    firstRow_ = rows_;
    lastRow_ = -1;
    firstColumn_ = columns_;
    lastColumn_ = -1;
}

void TTouchedArea::MarkTiles(int row, int firstColumn, int lastColumn)
{
    std::uint8_t* tiles = &tiles_[std::size_t(row) * std::size_t(columns_)];
    if (OnFirstTouch) {
        for (int column = firstColumn; column <= lastColumn; ++column)
            if (!tiles[column])
                OnFirstTouch({column << kTileShift, row << kTileShift, std::min((column + 1) << kTileShift, width_),
                              std::min((row + 1) << kTileShift, height_)});
    }
    std::memset(tiles + firstColumn, 1, std::size_t(lastColumn - firstColumn + 1));
    firstRow_ = std::min(firstRow_, row);
    lastRow_ = std::max(lastRow_, row);
    firstColumn_ = std::min(firstColumn_, firstColumn);
    lastColumn_ = std::max(lastColumn_, lastColumn);
}

void TTouchedArea::AddPixel(std::int64_t x, std::int64_t y)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return;
    const int column = int(x >> kTileShift);
    const int row = int(y >> kTileShift);
    // Most pixels of a mark fall in a tile it touched already.
    if (!tiles_[std::size_t(row) * std::size_t(columns_) + std::size_t(column)])
        MarkTiles(row, column, column);
}

void TTouchedArea::AddSpan(std::int64_t y, std::int64_t x0, std::int64_t x1)
{
    AddBox(x0, y, x1 + 1, y + 1);
}

void TTouchedArea::AddBox(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom)
{
    left = std::max<std::int64_t>(left, 0);
    top = std::max<std::int64_t>(top, 0);
    right = std::min<std::int64_t>(right, width_);
    bottom = std::min<std::int64_t>(bottom, height_);
    if (left >= right || top >= bottom)
        return;
    const int firstColumn = int(left >> kTileShift);
    const int lastColumn = int((right - 1) >> kTileShift);
    for (int row = int(top >> kTileShift); row <= int((bottom - 1) >> kTileShift); ++row) {
        // Most marks fall on tiles touched already, which the bounds hold.
        const std::uint8_t* tiles = &tiles_[std::size_t(row) * std::size_t(columns_)];
        int column = firstColumn;
        while (column <= lastColumn && tiles[column])
            ++column;
        if (column <= lastColumn)
            MarkTiles(row, column, lastColumn);
    }
}

int TTouchedArea::Count() const
{
    return int(std::count(tiles_.begin(), tiles_.end(), std::uint8_t(1)));
}

TRect TTouchedArea::Bounds() const
{
    if (Empty())
        return {};
    return {firstColumn_ << kTileShift, firstRow_ << kTileShift,
            std::min((lastColumn_ + 1) << kTileShift, width_), std::min((lastRow_ + 1) << kTileShift, height_)};
}

std::vector<TRect> TTouchedArea::Take()
{
    std::vector<TRect> runs;
    for (int row = firstRow_; row <= lastRow_; ++row) {
        std::uint8_t* tiles = &tiles_[std::size_t(row) * std::size_t(columns_)];
        for (int column = firstColumn_; column <= lastColumn_; ++column) {
            if (!tiles[column])
                continue;
            const int first = column;
            while (column <= lastColumn_ && tiles[column])
                tiles[column++] = 0;
            runs.push_back({first << kTileShift, row << kTileShift, std::min(column << kTileShift, width_),
                            std::min((row + 1) << kTileShift, height_)});
        }
    }
    ForgetMarks();
    return runs;
}
