#include "platform/gui/TBitmap.h"

#include "platform/gui/ImageFile.h"

#include <algorithm>
#include <cstring>

TBitmap::TBitmap() : canvas_(std::make_unique<TCanvas>(&image_)) {}

TBitmap::~TBitmap() = default;

void TBitmap::SetSize(int width, int height)
{
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
    image_ = other.image_;
    emptyWidth_ = other.emptyWidth_;
    emptyHeight_ = other.emptyHeight_;
}

void TBitmap::CopyPixels(const TBitmap& other)
{
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
    image_ = image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
    emptyWidth_ = image_.width();
    emptyHeight_ = image_.height();
}
