// Reading and writing picture files: BMP (1, 4, 8, 16, 24 and 32 bits per
// pixel, bottom-up and top-down; written as 24 bits) and JPEG through the
// libjpeg API. Decoded pictures are QImage::Format_RGB32.
//
// Files are untrusted input. Every decoder checks the header's dimensions
// against kMaxImagePixels before allocating, checks every offset and length
// against the data it was given, and reports a bad file by throwing
// ImageError; none of them ever aborts the process. A decoder builds its
// result in a temporary, so a caller that assigns only after a successful
// return keeps its old picture on failure.
#pragma once

#include <QImage>

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace platform {

// Largest picture accepted by the decoders: 100 megapixels. The fuzz targets
// build the decoders with a much smaller limit of their own, so that a
// hostile header costs them little and a run covers millions of inputs.
#ifndef QUORVEX_MAX_IMAGE_PIXELS
#define QUORVEX_MAX_IMAGE_PIXELS 100'000'000
#endif
inline constexpr std::int64_t kMaxImagePixels = QUORVEX_MAX_IMAGE_PIXELS;

// A picture file that cannot be read, decoded or written. The message is
// meant for the operator and names the file where one is involved; the
// reason is the cause alone, for an interface that words the rest itself.
class ImageError : public std::runtime_error {
public:
    explicit ImageError(const std::string& message)
        : std::runtime_error(message)
        , reason_(message)
    {
    }
    ImageError(const std::string& message, const std::string& why)
        : std::runtime_error(message)
        , reason_(why)
    {
    }
    const std::string& Reason() const { return reason_; }

private:
    std::string reason_;
};

// Random access to the bytes of a picture, so that a decoder reads what it
// needs where it needs it instead of holding the whole file.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Copies `count` bytes from `offset`, a range the caller has checked
    // against Size(); throws ImageError when they cannot be read.
    virtual void ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t count) = 0;
};

// In-memory decoders (also the entry points of the fuzz targets).
QImage DecodeBmp(const std::uint8_t* data, std::size_t size);
QImage DecodeJpeg(const std::uint8_t* data, std::size_t size);
// Decodes a BMP a block of rows at a time: besides the picture it holds
// its headers, its colour table and a buffer of about a quarter megabyte
// (or one row, when a row is longer).
QImage DecodeBmp(ByteSource& source);

// In-memory encoders. The picture may be in any QImage format.
std::vector<std::uint8_t> EncodeBmp(const QImage& image);
std::vector<std::uint8_t> EncodeJpeg(const QImage& image, int quality);

// File variants: a BMP is decoded as it is read, a JPEG file read whole and
// then decoded; encode, then write through WriteFileAtomically so a failed
// save leaves an existing file untouched.
QImage ReadBmpFile(const std::string& path);
QImage ReadJpegFile(const std::string& path);
void WriteBmpFile(const QImage& image, const std::string& path);
void WriteJpegFile(const QImage& image, const std::string& path, int quality);

} // namespace platform
