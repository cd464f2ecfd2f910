#include "platform/gui/TKeptTiles.h"

#include <algorithm>
#include <cstring>

void TKeptTiles::Watch(QImage* image)
{
    image_ = image;
    bits_ = image ? image->constBits() : nullptr;
    kept_.clear();
    pixels_.reset();
    used_ = 0;
    capacity_ = 0;
}

void TKeptTiles::Keep(const TRect& tile)
{
    if (!image_)
        return;
    const std::size_t offset = used_;
    const std::size_t width = std::size_t(tile.Width());
    used_ += width * std::size_t(tile.Height());
    if (used_ > capacity_) {
        capacity_ = std::max(used_, 2 * capacity_);
        auto grown = std::make_unique_for_overwrite<QRgb[]>(capacity_);
        if (offset > 0)
            std::memcpy(grown.get(), pixels_.get(), offset * sizeof(QRgb));
        pixels_ = std::move(grown);
    }
    QRgb* to = pixels_.get() + offset;
    for (int y = tile.top; y < tile.bottom; ++y, to += width)
        std::memcpy(to, image_->constScanLine(y) + tile.left * qsizetype(sizeof(QRgb)), width * sizeof(QRgb));
    kept_.push_back({tile, offset});
}

void TKeptTiles::NoteDrawn()
{
    if (image_)
        bits_ = image_->constBits();
}

void TKeptTiles::PutBack()
{
    if (image_ && image_->constBits() == bits_) {
        // Written through the pixels themselves: they may be another
        // picture's, lent to draw on, and a detached copy would leave the
        // marks on the lender.
        uchar* pixels = const_cast<uchar*>(image_->constBits());
        const qsizetype stride = image_->bytesPerLine();
        for (const KeptTile& kept : kept_) {
            const QRgb* from = pixels_.get() + kept.offset;
            for (int y = kept.rect.top; y < kept.rect.bottom; ++y, from += kept.rect.Width())
                std::memcpy(pixels + y * stride + kept.rect.left * qsizetype(sizeof(QRgb)), from,
                            std::size_t(kept.rect.Width()) * sizeof(QRgb));
        }
    }
    kept_.clear();
    used_ = 0;
}

void TKeptTiles::CopyKeptInto(QImage& block, TPoint origin) const
{
    if (block.isNull())
        return;
    const TRect area{origin.x, origin.y, origin.x + block.width(), origin.y + block.height()};
    for (const KeptTile& kept : kept_) {
        const int left = std::max(kept.rect.left, area.left);
        const int right = std::min(kept.rect.right, area.right);
        const int top = std::max(kept.rect.top, area.top);
        const int bottom = std::min(kept.rect.bottom, area.bottom);
        if (left >= right || top >= bottom)
            continue;
        for (int y = top; y < bottom; ++y) {
            const QRgb* from = pixels_.get() + kept.offset +
                               std::size_t(y - kept.rect.top) * std::size_t(kept.rect.Width()) +
                               std::size_t(left - kept.rect.left);
            std::memcpy(block.scanLine(y - origin.y) + (left - origin.x) * qsizetype(sizeof(QRgb)), from,
                        std::size_t(right - left) * sizeof(QRgb));
        }
    }
}
