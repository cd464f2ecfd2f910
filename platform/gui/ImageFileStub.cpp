// TEMPORARY until the libjpeg/BMP codec lands: the picture-file interface
// served by QImage's own readers and writers, so that the drawing layer links
// and its tests run. Delete this file when ImageFile.cpp arrives.

#include "platform/gui/ImageFile.h"

#include "platform/system/AtomicFile.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>

namespace platform {

namespace {

QImage Decode(const std::uint8_t* data, std::size_t size, const char* format)
{
    QImage image;
    if (data == nullptr || size == 0
        || !image.loadFromData(data, static_cast<int>(size), format))
        throw ImageError(std::string("Not a readable ") + format + " picture");
    if (std::int64_t(image.width()) * image.height() > kMaxImagePixels)
        throw ImageError("The picture is too large");
    return image.convertToFormat(QImage::Format_RGB32);
}

std::vector<std::uint8_t> Encode(const QImage& image, const char* format, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (image.isNull() || !image.convertToFormat(QImage::Format_RGB888).save(&buffer, format, quality))
        throw ImageError(std::string("Cannot encode the picture as ") + format);
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

QImage ReadFile(const std::string& path, const char* format)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        throw ImageError("Cannot open \"" + path + "\": " + file.errorString().toStdString());
    const QByteArray bytes = file.readAll();
    try {
        return Decode(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                      static_cast<std::size_t>(bytes.size()), format);
    } catch (const ImageError& error) {
        throw ImageError("\"" + path + "\": " + error.what());
    }
}

void WriteFile(const std::vector<std::uint8_t>& bytes, const std::string& path)
{
    try {
        WriteFileAtomically(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    } catch (const FileWriteError& error) {
        throw ImageError(error.what());
    }
}

} // namespace

QImage DecodeBmp(const std::uint8_t* data, std::size_t size) { return Decode(data, size, "BMP"); }
QImage DecodeJpeg(const std::uint8_t* data, std::size_t size) { return Decode(data, size, "JPEG"); }

std::vector<std::uint8_t> EncodeBmp(const QImage& image) { return Encode(image, "BMP", -1); }
std::vector<std::uint8_t> EncodeJpeg(const QImage& image, int quality) { return Encode(image, "JPEG", quality); }

QImage ReadBmpFile(const std::string& path) { return ReadFile(path, "BMP"); }
QImage ReadJpegFile(const std::string& path) { return ReadFile(path, "JPEG"); }

void WriteBmpFile(const QImage& image, const std::string& path) { WriteFile(EncodeBmp(image), path); }

void WriteJpegFile(const QImage& image, const std::string& path, int quality)
{
    WriteFile(EncodeJpeg(image, quality), path);
}

} // namespace platform
