// A picture whose every pixel differs from its neighbours, for tests that
// must tell where each pixel came from.
#pragma once

#include <QImage>

inline QImage PatternPicture(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, qRgb(x % 256, y % 256, (x * 7 + y * 13) % 256));
    return picture;
}
