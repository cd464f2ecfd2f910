#include "platform/gui/TJPEGImage.h"

#include "platform/gui/ImageFile.h"
#include "platform/gui/TBitmap.h"

void TJPEGImage::LoadFromFile(const std::string& path)
{
    image_ = platform::ReadJpegFile(path);
}

void TJPEGImage::SaveToFile(const std::string& path) const
{
    platform::WriteJpegFile(image_, path, CompressionQuality);
}

void TJPEGImage::Assign(const TBitmap& bitmap)
{
    image_ = bitmap.Image();
}

void TJPEGImage::AssignTo(TBitmap& bitmap) const
{
    bitmap.SetImage(image_);
}
