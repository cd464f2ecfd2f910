#include "platform/gui/TBitmap.h"

#include "platform/gui/ImageFile.h"
#include "platform/gui/TKeptTiles.h"
#include "platform/gui/TTouchedArea.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

struct TBitmap::Over {
    // A share of the pixels drawn over: the kept tiles go back there even
    // if this bitmap's view of them was ever detached.
    QImage picture;
    TTouchedArea touched;
    TKeptTiles kept;
    // Drawing on a copy of the picture instead: the last drawing covered
    // most of it.
    bool copied = false;
};

namespace {

// A view over the pixels of `picture` that draws on them; it keeps them
// alive for as long as it, or any copy of it, lives.
QImage ViewOver(const QImage& picture)
{
    // The pixels are lent to be drawn on; the picture's owner made sure no
    // one else shares them.
    uchar* bits = const_cast<uchar*>(picture.constBits());
    return QImage(
        bits, picture.width(), picture.height(), picture.bytesPerLine(), picture.format(),
        [](void* share) { delete static_cast<QImage*>(share); }, new QImage(picture));
}

// A copy of `picture` in memory that the system may back with large pages:
// shapes are drawn on it a few pixels per row down thousands of rows, and with
// small pages nearly every row of a shape costs a walk of the page tables. A
// picture smaller than one large page gains nothing and would take a whole one.
QImage CopyOnLargePages(const QImage& picture)
{
    constexpr std::size_t kLargePage = std::size_t(2) << 20;
    const std::size_t bytes = std::size_t(picture.sizeInBytes());
    if (bytes < kLargePage)
        return picture.copy();
    const std::size_t rounded = (bytes + kLargePage - 1) / kLargePage * kLargePage;
    void* memory = std::aligned_alloc(kLargePage, rounded);
    if (memory == nullptr)
        return picture.copy();
    madvise(memory, rounded, MADV_HUGEPAGE);
    std::memcpy(memory, picture.constBits(), bytes);
    QImage copy(static_cast<uchar*>(memory), picture.width(), picture.height(), picture.bytesPerLine(),
                picture.format(), [](void* pixels) { std::free(pixels); }, memory);
    // What QImage::copy() carries beside the pixels.
    copy.setColorTable(picture.colorTable());
    copy.setDotsPerMeterX(picture.dotsPerMeterX());
    copy.setDotsPerMeterY(picture.dotsPerMeterY());
    copy.setDevicePixelRatio(picture.devicePixelRatio());
    return copy;
}

// Whether more than `limit` tiles of `drawn` differ from `picture`, of the
// same size; it stops looking once they do, so a drawing that covered most
// of the picture is not compared whole.
bool MoreTilesChangedThan(const QImage& drawn, const QImage& picture, int limit)
{
    constexpr int size = TTouchedArea::kTileSize;
    const int columns = (drawn.width() + size - 1) / size;
    std::vector<std::uint8_t> changed(std::size_t(columns), 0);
    int count = 0;
    for (int y = 0; y < drawn.height(); ++y) {
        if (y % size == 0)
            std::fill(changed.begin(), changed.end(), 0);
        const uchar* a = drawn.constScanLine(y);
        const uchar* b = picture.constScanLine(y);
        for (int column = 0; column < columns; ++column) {
            if (changed[std::size_t(column)])
                continue;
            const int left = column * size;
            const std::size_t bytes = std::size_t(std::min(size, drawn.width() - left)) * sizeof(QRgb);
            if (std::memcmp(a + left * qsizetype(sizeof(QRgb)), b + left * qsizetype(sizeof(QRgb)), bytes) != 0) {
                changed[std::size_t(column)] = 1;
                if (++count > limit)
                    return true;
            }
        }
    }
    return false;
}

} // namespace

TBitmap::TBitmap() : canvas_(std::make_unique<TCanvas>(&image_)) {}

TBitmap::~TBitmap()
{
    LeaveOver();
}

void TBitmap::SetSize(int width, int height)
{
    LeaveOver();
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == Width() && height == Height())
        return;
    emptyWidth_ = width;
    emptyHeight_ = height;
    if (width == 0 || height == 0) {
        image_ = QImage();
        return;
    }
    QImage fresh(width, height, QImage::Format_RGB32);
    fresh.fill(Qt::white);
    image_ = fresh;
}

void TBitmap::Assign(const TBitmap& other)
{
    LeaveOver();
    image_ = other.image_;
    emptyWidth_ = other.emptyWidth_;
    emptyHeight_ = other.emptyHeight_;
}

void TBitmap::CopyPixels(const TBitmap& other)
{
    LeaveOver();
    const QImage& source = other.image_;
    if (source.isNull() || !image_.isDetached() || image_.size() != source.size() ||
        image_.format() != source.format() || image_.bytesPerLine() != source.bytesPerLine()) {
        Assign(other);
        return;
    }
    std::memcpy(image_.bits(), source.constBits(), std::size_t(source.sizeInBytes()));
}

void TBitmap::LoadFromFile(const std::string& path)
{
    SetImage(platform::ReadBmpFile(path));
}

void TBitmap::SaveToFile(const std::string& path) const
{
    platform::WriteBmpFile(image_, path);
}

void TBitmap::SetImage(const QImage& image)
{
    LeaveOver();
    image_ = image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
    emptyWidth_ = image_.width();
    emptyHeight_ = image_.height();
}

void TBitmap::DrawOver(TBitmap& picture)
{
    if (over_ && !picture.image_.isNull() && over_->picture.constBits() == picture.image_.constBits()) {
        DrawOverAgain();
        return;
    }
    LeaveOver();
    // Our share goes first, so that the picture's pixels are its own alone.
    image_ = QImage();
    emptyWidth_ = picture.Width();
    emptyHeight_ = picture.Height();
    if (picture.image_.isNull())
        return;
    // Should anyone else still share them, the picture takes its own copy
    // here, and only that one is drawn on.
    picture.image_.detach();
    over_ = std::make_unique<Over>();
    over_->picture = picture.image_;
    image_ = ViewOver(over_->picture);
    over_->touched.Reset(image_.width(), image_.height());
    over_->touched.OnFirstTouch = [kept = &over_->kept](const TRect& tile) { kept->Keep(tile); };
    over_->kept.Watch(&over_->picture);
    canvas_->RecordTouched(&over_->touched);
}

void TBitmap::DrawOverAgain()
{
    over_->kept.PutBack();
    // Keeping nearly every tile costs a copy of the picture anyway, and more
    // time than copying it whole: a drawing that covered most of the picture
    // goes on a copy next time, until one covers a quarter or less. On a copy
    // nothing is recorded while drawing; the tiles it changed tell.
    const int tiles = over_->touched.Tiles();
    const bool copy = over_->copied ? MoreTilesChangedThan(image_, over_->picture, tiles / 4)
                                    : over_->touched.Count() > tiles / 2;
    if (copy && !over_->copied) {
        over_->kept.Watch(nullptr);
        canvas_->RecordTouched(nullptr);
        image_ = CopyOnLargePages(over_->picture);
    } else if (copy) {
        std::memcpy(image_.bits(), over_->picture.constBits(), std::size_t(image_.sizeInBytes()));
    } else if (over_->copied) {
        image_ = ViewOver(over_->picture);
        over_->kept.Watch(&over_->picture);
        canvas_->RecordTouched(&over_->touched);
    }
    over_->copied = copy;
    over_->touched.Reset(image_.width(), image_.height());
}

bool TBitmap::DrawsOver(const TBitmap& picture) const
{
    // On a copy, or on a view that someone's copy of it detached, the bits
    // differ.
    return over_ && !picture.image_.isNull() && image_.constBits() == picture.image_.constBits();
}

void TBitmap::CopyKeptInto(QImage& block, TPoint origin) const
{
    if (over_)
        over_->kept.CopyKeptInto(block, origin);
}

void TBitmap::LeaveOver()
{
    if (!over_)
        return;
    over_->kept.PutBack();
    canvas_->RecordTouched(nullptr);
    image_ = over_->picture;
    over_.reset();
}
