// The picture the drawing benchmarks draw on: smooth stripes in three
// colours, 5 megapixels (2592 x 1944) unless asked otherwise.
#pragma once

#include <QImage>

namespace bench {

constexpr int kPictureWidth = 2592;
constexpr int kPictureHeight = 1944;

inline QImage PatternPicture(int width = kPictureWidth, int height = kPictureHeight)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = qRgb((x * 7) & 0xFF, (y * 3) & 0xFF, ((x + y) * 5) & 0xFF);
    }
    return image;
}

} // namespace bench
