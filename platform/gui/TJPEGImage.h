// A JPEG picture as the program loads and saves it: read into a bitmap, or
// taken from a bitmap and written with the chosen quality.
#pragma once

#include <QImage>

#include <string>

class TBitmap;

class TJPEGImage {
public:
    // 1..100; the program saves with 100.
    int CompressionQuality = 90;

    int Width() const { return image_.width(); }
    int Height() const { return image_.height(); }
    bool Empty() const { return image_.isNull(); }

    // Throws platform::ImageError and then keeps the old picture.
    void LoadFromFile(const std::string& path);
    // Throws platform::ImageError.
    void SaveToFile(const std::string& path) const;

    void Assign(const TBitmap& bitmap);
    void AssignTo(TBitmap& bitmap) const;

    const QImage& Image() const { return image_; }

private:
    QImage image_;
};
