// Windows and OS/2 bitmap files. The reader takes the core (OS/2 1.x),
// info, OS/2 2.x, V2, V3, V4 and V5 headers; 1, 4 and 8 bits per pixel with a
// colour table (also RLE4 and RLE8 compressed), 16 and 32 bits with the
// default layout or colour masks, and 24 bits; rows stored bottom-up or
// top-down. The writer always produces 24 bits per pixel, bottom-up.
//
// Every offset and length read from the file is checked against its size
// before it is used. The pixels are read a block at a time, so decoding a
// file never holds the whole of it. Palette indices beyond the colour table
// read as black, as do pixels an RLE picture skips: such files are common
// and harmless.

#include "platform/gui/ImageFile.h"

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstring>
#include <span>

namespace platform {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kOs2InfoHeaderSize = 64;
// The longest header (V5), which also covers an info header and its masks.
constexpr std::size_t kMaxHeadersSize = kFileHeaderSize + 124;
// About this many bytes of pixel data are read at a time.
constexpr std::size_t kBlockBytes = 256 * 1024;

// Values of the compression field.
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiAlphaBitfields = 6;

// 72 dots per inch, the resolution written into saved files.
constexpr std::int32_t kPixelsPerMetre = 2835;

constexpr QRgb kBlack = 0xFF000000;

[[noreturn]] void Fail(const std::string& reason)
{
    throw ImageError(reason);
}

std::uint16_t ReadU16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t ReadU32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8)
           | (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::int32_t ReadI32(const std::uint8_t* p)
{
    return static_cast<std::int32_t>(ReadU32(p));
}

// One colour channel given by a bit mask, scaled to 0..255.
class Channel {
public:
    Channel() = default;
    explicit Channel(std::uint32_t mask)
        : mask_(mask)
        , shift_(mask == 0 ? 0 : std::countr_zero(mask))
        , bits_(std::popcount(mask))
    {
        if (mask != 0 && !IsContiguous(mask >> shift_))
            Fail("the BMP colour masks are not contiguous bit ranges");
    }

    std::uint32_t Extract(std::uint32_t pixel) const
    {
        if (bits_ == 0)
            return 0;
        const std::uint32_t value = (pixel & mask_) >> shift_;
        if (bits_ >= 8)
            return value >> (bits_ - 8);
        const std::uint32_t maximum = (1u << bits_) - 1;
        return (value * 255 + maximum / 2) / maximum;
    }

private:
    static bool IsContiguous(std::uint32_t shifted) { return (shifted & (shifted + 1)) == 0; }

    std::uint32_t mask_ = 0;
    int shift_ = 0;
    int bits_ = 0;
};

struct Masks {
    std::uint32_t red = 0;
    std::uint32_t green = 0;
    std::uint32_t blue = 0;
};

class MaskedPixels {
public:
    explicit MaskedPixels(const Masks& masks)
        : red_(masks.red)
        , green_(masks.green)
        , blue_(masks.blue)
    {
    }

    QRgb ToRgb(std::uint32_t pixel) const
    {
        return qRgb(static_cast<int>(red_.Extract(pixel)), static_cast<int>(green_.Extract(pixel)),
                    static_cast<int>(blue_.Extract(pixel)));
    }

private:
    Channel red_;
    Channel green_;
    Channel blue_;
};

struct BmpHeader {
    std::uint32_t headerSize = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool topDown = false;
    int bitsPerPixel = 0;
    std::uint32_t compression = kBiRgb;
    std::uint32_t coloursUsed = 0;
    std::uint32_t pixelOffset = 0;
    // Where the colour table starts and how many bytes one entry takes.
    std::size_t paletteOffset = 0;
    std::size_t paletteEntrySize = 4;
    Masks masks;
};

bool IsKnownHeaderSize(std::uint32_t size)
{
    switch (size) {
    case kCoreHeaderSize:
    case kInfoHeaderSize:
    case 52: // V2: colour masks inside the header
    case 56: // V3: alpha mask as well
    case kOs2InfoHeaderSize:
    case 108: // V4
    case 124: // V5
        return true;
    default:
        return false;
    }
}

Masks DefaultMasks(int bitsPerPixel)
{
    if (bitsPerPixel == 16)
        return {0x7C00, 0x03E0, 0x001F};
    return {0x00FF0000, 0x0000FF00, 0x000000FF};
}

// `data` holds the first `size` bytes of a file of `fileSize` bytes: all of
// it, or at least kMaxHeadersSize bytes.
BmpHeader ParseHeader(const std::uint8_t* data, std::size_t size, std::uint64_t fileSize)
{
    if (size < 2 || data[0] != 'B' || data[1] != 'M')
        Fail("not a BMP file (wrong signature)");
    if (size < kFileHeaderSize + 4)
        Fail("the BMP header is truncated");

    BmpHeader header;
    header.pixelOffset = ReadU32(data + 10);
    header.headerSize = ReadU32(data + kFileHeaderSize);
    if (!IsKnownHeaderSize(header.headerSize))
        Fail("unsupported BMP header size " + std::to_string(header.headerSize));
    if (size < kFileHeaderSize + header.headerSize)
        Fail("the BMP header is truncated");

    const std::uint8_t* info = data + kFileHeaderSize;
    std::size_t headersEnd = kFileHeaderSize + header.headerSize;
    bool masked = false;
    if (header.headerSize == kCoreHeaderSize) {
        header.width = ReadU16(info + 4);
        header.height = ReadU16(info + 6);
        header.bitsPerPixel = ReadU16(info + 10);
        header.paletteEntrySize = 3;
    } else {
        header.width = ReadI32(info + 4);
        const std::int32_t height = ReadI32(info + 8);
        if (height == INT_MIN)
            Fail("the BMP height is out of range");
        header.topDown = height < 0;
        header.height = height < 0 ? -static_cast<std::int64_t>(height) : height;
        header.bitsPerPixel = ReadU16(info + 14);
        header.compression = ReadU32(info + 16);
        header.coloursUsed = ReadU32(info + 32);

        if (header.headerSize == kOs2InfoHeaderSize && header.compression > kBiRle4)
            Fail("unsupported OS/2 BMP compression " + std::to_string(header.compression));
        masked = header.compression == kBiBitfields || header.compression == kBiAlphaBitfields;
        if (masked) {
            // The info header is followed by the masks; later headers hold them.
            const std::uint8_t* masks = info + kInfoHeaderSize;
            if (header.headerSize == kInfoHeaderSize) {
                headersEnd += header.compression == kBiAlphaBitfields ? 16 : 12;
                if (size < headersEnd)
                    Fail("the BMP colour masks are truncated");
            }
            header.masks = {ReadU32(masks), ReadU32(masks + 4), ReadU32(masks + 8)};
        }
    }
    if (!masked)
        header.masks = DefaultMasks(header.bitsPerPixel);
    header.paletteOffset = headersEnd;

    if (header.width <= 0 || header.height <= 0)
        Fail("the BMP picture has no pixels (" + std::to_string(header.width) + " x "
             + std::to_string(header.height) + ")");
    if (header.width * header.height > kMaxImagePixels)
        Fail("the BMP picture is too large (" + std::to_string(header.width) + " x "
             + std::to_string(header.height) + " pixels)");
    if (header.pixelOffset < headersEnd || header.pixelOffset >= fileSize)
        Fail("the BMP pixel data offset lies outside the file");

    const int bits = header.bitsPerPixel;
    switch (header.compression) {
    case kBiRgb:
        if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
            Fail("unsupported BMP bit depth " + std::to_string(bits));
        break;
    case kBiRle8:
    case kBiRle4:
        if (bits != (header.compression == kBiRle8 ? 8 : 4))
            Fail("the BMP compression does not match its bit depth " + std::to_string(bits));
        if (header.topDown)
            Fail("a compressed BMP cannot be stored top-down");
        break;
    case kBiBitfields:
    case kBiAlphaBitfields:
        if (bits != 16 && bits != 32)
            Fail("BMP colour masks need 16 or 32 bits per pixel, not " + std::to_string(bits));
        break;
    default:
        Fail("unsupported BMP compression " + std::to_string(header.compression));
    }
    return header;
}

// The colour table as a lookup for every possible index: entries the file
// does not hold read as black.
std::vector<QRgb> ReadPalette(const BmpHeader& header, ByteSource& source)
{
    const std::size_t possible = std::size_t{1} << header.bitsPerPixel;
    std::vector<QRgb> palette(possible, kBlack);
    std::size_t count = header.coloursUsed == 0 ? possible : std::min<std::size_t>(header.coloursUsed, possible);
    const std::uint64_t tableEnd = std::min<std::uint64_t>(header.pixelOffset, source.Size());
    if (tableEnd > header.paletteOffset)
        count = std::min<std::uint64_t>(count, (tableEnd - header.paletteOffset) / header.paletteEntrySize);
    else
        count = 0;
    std::vector<std::uint8_t> table(count * header.paletteEntrySize);
    source.ReadAt(header.paletteOffset, table.data(), table.size());
    const std::uint8_t* entry = table.data();
    for (std::size_t i = 0; i < count; ++i, entry += header.paletteEntrySize)
        palette[i] = qRgb(entry[2], entry[1], entry[0]);
    return palette;
}

QImage AllocateImage(std::int64_t width, std::int64_t height)
{
    QImage image(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB32);
    if (image.isNull())
        Fail("not enough memory for a " + std::to_string(width) + " x " + std::to_string(height)
             + " picture");
    return image;
}

QRgb* ImageRow(QImage& image, std::int64_t fileRow, bool topDown)
{
    const std::int64_t y = topDown ? fileRow : image.height() - 1 - fileRow;
    return reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(y)));
}

void DecodeIndexedRow(const std::uint8_t* source, QRgb* target, int width, int bits,
                      const std::vector<QRgb>& palette)
{
    if (bits == 8) {
        for (int x = 0; x < width; ++x)
            target[x] = palette[source[x]];
        return;
    }
    const int perByte = 8 / bits;
    const unsigned indexMask = (1u << bits) - 1;
    for (int x = 0; x < width; ++x) {
        const int shift = 8 - bits * (x % perByte + 1);
        target[x] = palette[(source[x / perByte] >> shift) & indexMask];
    }
}

// A little-endian 64-bit value: one load where the machine is little-endian.
std::uint64_t ReadU64(const std::uint8_t* p)
{
    if constexpr (std::endian::native == std::endian::little) {
        std::uint64_t value = 0;
        std::memcpy(&value, p, sizeof value);
        return value;
    }
    return ReadU32(p) | (std::uint64_t{ReadU32(p + 4)} << 32);
}

// 24-bit pixels are blue, green, red bytes; a QRgb read as a little-endian
// word holds blue in its low byte too, so eight pixels come out of three
// 64-bit words with shifts alone. This is most of the work of opening a
// large picture.
void DecodeBgrRow(const std::uint8_t* source, QRgb* target, int width)
{
    constexpr QRgb opaque = 0xFF000000;
    const auto pixel = [](std::uint64_t bits) { return opaque | static_cast<QRgb>(bits); };
    int x = 0;
    for (; x + 8 <= width; x += 8, source += 24) {
        const std::uint64_t first = ReadU64(source);       // B0 G0 R0 B1 G1 R1 B2 G2
        const std::uint64_t second = ReadU64(source + 8);  // R2 B3 G3 R3 B4 G4 R4 B5
        const std::uint64_t third = ReadU64(source + 16);  // G5 R5 B6 G6 R6 B7 G7 R7
        target[x] = pixel(first);
        target[x + 1] = pixel(first >> 24);
        target[x + 2] = pixel((first >> 48) | (second << 16));
        target[x + 3] = pixel(second >> 8);
        target[x + 4] = pixel(second >> 32);
        target[x + 5] = pixel((second >> 56) | (third << 8));
        target[x + 6] = pixel(third >> 16);
        target[x + 7] = pixel(third >> 40);
    }
    // The last pixels are read by the byte: the row may end right after them.
    for (; x < width; ++x, source += 3)
        target[x] = qRgb(source[2], source[1], source[0]);
}

void DecodeTrueColourRow(const std::uint8_t* source, QRgb* target, int width, int bits,
                         const MaskedPixels& pixels)
{
    switch (bits) {
    case 16:
        for (int x = 0; x < width; ++x)
            target[x] = pixels.ToRgb(ReadU16(source + 2 * x));
        break;
    case 24:
        DecodeBgrRow(source, target, width);
        break;
    default:
        for (int x = 0; x < width; ++x)
            target[x] = pixels.ToRgb(ReadU32(source + 4 * x));
        break;
    }
}

QImage DecodeUncompressed(const BmpHeader& header, ByteSource& source)
{
    const std::int64_t stride = (header.width * header.bitsPerPixel + 31) / 32 * 4;
    const std::int64_t lastRowBytes = (header.width * header.bitsPerPixel + 7) / 8;
    // The last row may lack its padding; some writers leave it out.
    const std::int64_t needed = stride * (header.height - 1) + lastRowBytes;
    if (needed > static_cast<std::int64_t>(source.Size() - header.pixelOffset))
        Fail("the BMP pixel data is truncated");

    const int width = static_cast<int>(header.width);
    const bool indexed = header.bitsPerPixel <= 8;
    const std::vector<QRgb> palette = indexed ? ReadPalette(header, source) : std::vector<QRgb>();
    const MaskedPixels pixels(indexed ? Masks{} : header.masks); // checks the masks before allocating
    QImage image = AllocateImage(header.width, header.height);

    // Rows in file order, a block of them at a time.
    const std::int64_t rowsPerBlock = std::max<std::int64_t>(1, std::int64_t(kBlockBytes) / stride);
    std::vector<std::uint8_t> block(static_cast<std::size_t>(std::min(rowsPerBlock, header.height) * stride));
    for (std::int64_t first = 0; first < header.height; first += rowsPerBlock) {
        const std::int64_t rows = std::min(rowsPerBlock, header.height - first);
        const std::int64_t bytes = std::min(rows * stride, needed - first * stride);
        source.ReadAt(header.pixelOffset + std::uint64_t(first * stride), block.data(), std::size_t(bytes));
        const std::uint8_t* row = block.data();
        for (std::int64_t y = first; y < first + rows; ++y, row += stride) {
            QRgb* target = ImageRow(image, y, header.topDown);
            if (indexed)
                DecodeIndexedRow(row, target, width, header.bitsPerPixel, palette);
            else
                DecodeTrueColourRow(row, target, width, header.bitsPerPixel, pixels);
        }
    }
    return image;
}

// The pixel data of a compressed picture read front to back, a block at a time.
class PixelStream {
public:
    PixelStream(ByteSource& source, std::uint64_t start) : source_(source), next_(start) {}

    // The next `count` bytes; fails when the file ends first.
    std::span<const std::uint8_t> Take(std::size_t count)
    {
        if (buffered_.size() - position_ < count) {
            // Keep what is left, then top the buffer up from the file.
            buffered_.erase(buffered_.begin(), buffered_.begin() + std::ptrdiff_t(position_));
            position_ = 0;
            const std::uint64_t rest = source_.Size() - next_;
            const std::size_t more = std::size_t(std::min<std::uint64_t>(rest, kBlockBytes));
            const std::size_t kept = buffered_.size();
            buffered_.resize(kept + more);
            source_.ReadAt(next_, buffered_.data() + kept, more);
            next_ += more;
            if (buffered_.size() < count)
                Fail("the BMP pixel data is truncated");
        }
        const std::span<const std::uint8_t> taken(buffered_.data() + position_, count);
        position_ += count;
        return taken;
    }

private:
    ByteSource& source_;
    std::uint64_t next_; // file offset of the first byte not yet buffered
    std::vector<std::uint8_t> buffered_;
    std::size_t position_ = 0;
};

// RLE4 and RLE8: pairs of (count, value) runs, with escapes for end of
// line, end of picture, a jump ahead and literal runs padded to 16 bits.
QImage DecodeRunLength(const BmpHeader& header, ByteSource& source)
{
    const bool fourBit = header.compression == kBiRle4;
    const std::vector<QRgb> palette = ReadPalette(header, source);
    QImage image = AllocateImage(header.width, header.height);
    image.fill(kBlack);

    std::int64_t x = 0;
    std::int64_t y = 0; // counted from the bottom row
    auto put = [&](unsigned index) {
        if (x < header.width && y < header.height)
            ImageRow(image, y, false)[x] = palette[index];
        ++x;
    };

    PixelStream stream(source, header.pixelOffset);
    auto take = [&](std::size_t count) { return stream.Take(count); };

    while (y < header.height) {
        const auto pair = take(2);
        const unsigned count = pair[0];
        const unsigned value = pair[1];
        if (count > 0) {
            // A run past the right edge cannot come back into view: clip it.
            const std::int64_t visible = std::clamp<std::int64_t>(header.width - x, 0, count);
            for (std::int64_t i = 0; i < visible; ++i)
                put(fourBit ? (i % 2 == 0 ? value >> 4 : value & 0x0F) : value);
            x += count - visible;
            continue;
        }
        switch (value) {
        case 0: // end of line
            x = 0;
            ++y;
            break;
        case 1: // end of picture
            return image;
        case 2: { // jump right and up
            const auto delta = take(2);
            x += delta[0];
            y += delta[1];
            break;
        }
        default: { // a literal run of `value` pixels
            const std::size_t bytes = fourBit ? (value + 1) / 2 : value;
            const auto literal = take((bytes + 1) / 2 * 2);
            for (unsigned i = 0; i < value; ++i)
                put(fourBit ? (i % 2 == 0 ? literal[i / 2] >> 4 : literal[i / 2] & 0x0F) : literal[i]);
            break;
        }
        }
    }
    return image;
}

void WriteU16(std::uint8_t* p, std::uint16_t value)
{
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
}

void WriteU32(std::uint8_t* p, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

} // namespace

QImage DecodeBmp(ByteSource& source)
{
    std::array<std::uint8_t, kMaxHeadersSize> headers{};
    const std::size_t available = std::size_t(std::min<std::uint64_t>(source.Size(), headers.size()));
    source.ReadAt(0, headers.data(), available);
    const BmpHeader header = ParseHeader(headers.data(), available, source.Size());
    if (header.compression == kBiRle8 || header.compression == kBiRle4)
        return DecodeRunLength(header, source);
    return DecodeUncompressed(header, source);
}

QImage DecodeBmp(const std::uint8_t* data, std::size_t size)
{
    class MemorySource : public ByteSource {
    public:
        MemorySource(const std::uint8_t* bytes, std::size_t count) : bytes_(bytes), count_(count) {}
        std::uint64_t Size() const override { return count_; }
        void ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t count) override
        {
            if (count > 0)
                std::memcpy(out, bytes_ + offset, count);
        }

    private:
        const std::uint8_t* bytes_;
        std::size_t count_;
    };
    MemorySource source(data, size);
    return DecodeBmp(source);
}

std::vector<std::uint8_t> EncodeBmp(const QImage& image)
{
    if (image.isNull())
        Fail("there is no picture to save");
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    if (rgb.isNull())
        Fail("not enough memory to convert the picture");

    const std::int64_t width = rgb.width();
    const std::int64_t height = rgb.height();
    const std::int64_t stride = (width * 3 + 3) / 4 * 4;
    const std::int64_t pixelOffset = kFileHeaderSize + kInfoHeaderSize;
    const std::int64_t fileSize = pixelOffset + stride * height;
    if (fileSize > std::int64_t{UINT32_MAX})
        Fail("the picture is too large for a BMP file");

    std::vector<std::uint8_t> file(static_cast<std::size_t>(fileSize), 0);
    std::uint8_t* p = file.data();
    p[0] = 'B';
    p[1] = 'M';
    WriteU32(p + 2, static_cast<std::uint32_t>(fileSize));
    WriteU32(p + 10, static_cast<std::uint32_t>(pixelOffset));
    std::uint8_t* info = p + kFileHeaderSize;
    WriteU32(info, kInfoHeaderSize);
    WriteU32(info + 4, static_cast<std::uint32_t>(width));
    WriteU32(info + 8, static_cast<std::uint32_t>(height));
    WriteU16(info + 12, 1); // planes
    WriteU16(info + 14, 24);
    WriteU32(info + 16, kBiRgb);
    WriteU32(info + 20, static_cast<std::uint32_t>(stride * height));
    WriteU32(info + 24, kPixelsPerMetre);
    WriteU32(info + 28, kPixelsPerMetre);
    // Colours used and important stay 0: no colour table.

    for (std::int64_t y = 0; y < height; ++y) {
        const auto* source = reinterpret_cast<const QRgb*>(rgb.constScanLine(static_cast<int>(height - 1 - y)));
        std::uint8_t* target = p + pixelOffset + y * stride;
        for (std::int64_t x = 0; x < width; ++x, target += 3) {
            target[0] = static_cast<std::uint8_t>(qBlue(source[x]));
            target[1] = static_cast<std::uint8_t>(qGreen(source[x]));
            target[2] = static_cast<std::uint8_t>(qRed(source[x]));
        }
    }
    return file;
}

} // namespace platform
