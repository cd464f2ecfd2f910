#include "platform/videograb/VideoFrame.h"

#include <algorithm>
#include <limits>

namespace platform {

namespace {

constexpr int kBytesPerPixel = 3;

// The bytes a frame of this shape needs: every row but the last in full,
// and the pixels of the last.
bool FitsInto(std::size_t size, int width, int height, int bytesPerLine)
{
    if (width <= 0 || height <= 0 || bytesPerLine < width * std::int64_t{kBytesPerPixel})
        return false;
    const std::uint64_t needed =
        std::uint64_t(bytesPerLine) * std::uint64_t(height - 1) + std::uint64_t(width) * kBytesPerPixel;
    return needed <= size;
}

inline QRgb PixelAt(const std::uint8_t* p) { return qRgb(p[0], p[1], p[2]); }

} // namespace

bool CopyFrame(const TFrameView& view, TVideoFrame& frame)
{
    if (!view.Data || view.Width > std::numeric_limits<int>::max() / kBytesPerPixel
        || !FitsInto(view.Size, view.Width, view.Height, view.BytesPerLine))
        return false;
    const std::size_t rowBytes = std::size_t(view.Width) * kBytesPerPixel;
    frame.Width = view.Width;
    frame.Height = view.Height;
    frame.BytesPerLine = int(rowBytes);
    frame.Pixels.resize(rowBytes * std::size_t(view.Height));
    if (view.BytesPerLine == int(rowBytes)) {
        std::copy_n(view.Data, frame.Pixels.size(), frame.Pixels.data());
    } else {
        for (int y = 0; y < view.Height; ++y)
            std::copy_n(view.Data + std::size_t(y) * std::size_t(view.BytesPerLine), rowBytes,
                        frame.Pixels.data() + std::size_t(y) * rowBytes);
    }
    return true;
}

QImage FrameToImage(const TVideoFrame& frame)
{
    if (frame.Empty())
        return {};
    QImage image(frame.Width, frame.Height, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    ScaleFrame(frame, image);
    return image;
}

void ScaleFrame(const TVideoFrame& frame, QImage& view)
{
    if (frame.Empty() || view.isNull() || view.format() != QImage::Format_RGB32)
        return;
    const int width = view.width();
    const int height = view.height();
    // The source byte offset of each view column, worked out once a frame.
    std::vector<std::size_t> columns(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x)
        columns[std::size_t(x)] = std::size_t(std::int64_t(x) * frame.Width / width) * kBytesPerPixel;
    const bool sameWidth = width == frame.Width;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* source =
            frame.Pixels.data() + std::size_t(std::int64_t(y) * frame.Height / height) * std::size_t(frame.BytesPerLine);
        auto* target = reinterpret_cast<QRgb*>(view.scanLine(y));
        if (sameWidth) {
            for (int x = 0; x < width; ++x, source += kBytesPerPixel)
                target[x] = PixelAt(source);
        } else {
            for (int x = 0; x < width; ++x)
                target[x] = PixelAt(source + columns[std::size_t(x)]);
        }
    }
}

} // namespace platform
