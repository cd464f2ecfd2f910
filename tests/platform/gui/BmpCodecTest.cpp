#include "platform/gui/ImageFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using platform::DecodeBmp;
using platform::EncodeBmp;
using platform::ImageError;
using Bytes = std::vector<std::uint8_t>;

void PutU16(Bytes& bytes, std::size_t at, std::uint32_t value)
{
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void PutU32(Bytes& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t GetU32(const Bytes& bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | bytes[at + i];
    return value;
}

// How a test picture's pixels are stored in the file.
enum class Layout { Indexed, Rgb555, Masked16, Rgb24, Rgb32, Masked32 };

struct BmpCase {
    const char* name;
    std::uint32_t headerSize; // 12, 40, 108 or 124
    int bits;
    Layout layout;
    bool topDown;
};

constexpr std::uint32_t kBitfields = 3;

// Colours whose channels are all 0 or 255, so every layout holds them exactly.
const std::vector<QRgb> kColours = {qRgb(0, 0, 0),     qRgb(255, 255, 255), qRgb(255, 0, 0), qRgb(0, 255, 0),
                                    qRgb(0, 0, 255),   qRgb(255, 255, 0),   qRgb(0, 255, 255)};

// 5 x 3 pixels: odd widths make every bit depth need row padding.
constexpr int kWidth = 5;
constexpr int kHeight = 3;

int ColourCount(const BmpCase& c)
{
    return c.layout == Layout::Indexed ? std::min<int>(1 << c.bits, static_cast<int>(kColours.size()))
                                       : static_cast<int>(kColours.size());
}

int ColourIndexAt(const BmpCase& c, int x, int y)
{
    return (x + 2 * y) % ColourCount(c);
}

QImage ExpectedPicture(const BmpCase& c)
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            image.setPixel(x, y, kColours[ColourIndexAt(c, x, y)]);
    return image;
}

std::uint32_t Scale(int channel, int bits)
{
    return static_cast<std::uint32_t>(channel) >> (8 - bits);
}

// Writes one pixel at bit offset `bit` of `row`.
void PutPixel(const BmpCase& c, std::uint8_t* row, int x, int index)
{
    const QRgb colour = kColours[index];
    const int r = qRed(colour), g = qGreen(colour), b = qBlue(colour);
    switch (c.layout) {
    case Layout::Indexed: {
        const int bit = x * c.bits;
        row[bit / 8] |= static_cast<std::uint8_t>(index << (8 - c.bits - bit % 8));
        break;
    }
    case Layout::Rgb555: {
        const std::uint32_t v = Scale(r, 5) << 10 | Scale(g, 5) << 5 | Scale(b, 5);
        row[2 * x] = static_cast<std::uint8_t>(v);
        row[2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
        break;
    }
    case Layout::Masked16: { // 5-6-5
        const std::uint32_t v = Scale(r, 5) << 11 | Scale(g, 6) << 5 | Scale(b, 5);
        row[2 * x] = static_cast<std::uint8_t>(v);
        row[2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
        break;
    }
    case Layout::Rgb24:
        row[3 * x] = static_cast<std::uint8_t>(b);
        row[3 * x + 1] = static_cast<std::uint8_t>(g);
        row[3 * x + 2] = static_cast<std::uint8_t>(r);
        break;
    case Layout::Rgb32: // the fourth byte is not alpha and must be ignored
        row[4 * x] = static_cast<std::uint8_t>(b);
        row[4 * x + 1] = static_cast<std::uint8_t>(g);
        row[4 * x + 2] = static_cast<std::uint8_t>(r);
        row[4 * x + 3] = 0x5A;
        break;
    case Layout::Masked32: // red in the low byte, as the masks below say
        row[4 * x] = static_cast<std::uint8_t>(r);
        row[4 * x + 1] = static_cast<std::uint8_t>(g);
        row[4 * x + 2] = static_cast<std::uint8_t>(b);
        row[4 * x + 3] = 0x5A;
        break;
    }
}

Bytes BuildBmp(const BmpCase& c)
{
    const bool core = c.headerSize == 12;
    const bool masked = c.layout == Layout::Masked16 || c.layout == Layout::Masked32;
    const std::size_t maskBytes = masked && c.headerSize == 40 ? 12 : 0;
    const std::size_t paletteEntry = core ? 3 : 4;
    const std::size_t paletteBytes = c.layout == Layout::Indexed ? ColourCount(c) * paletteEntry : 0;
    const std::size_t stride = (kWidth * c.bits + 31) / 32 * 4;
    const std::size_t pixelOffset = 14 + c.headerSize + maskBytes + paletteBytes;
    Bytes file(pixelOffset + stride * kHeight, 0);

    file[0] = 'B';
    file[1] = 'M';
    PutU32(file, 2, static_cast<std::uint32_t>(file.size()));
    PutU32(file, 10, static_cast<std::uint32_t>(pixelOffset));
    PutU32(file, 14, c.headerSize);
    const int height = c.topDown ? -kHeight : kHeight;
    if (core) {
        PutU16(file, 18, kWidth);
        PutU16(file, 20, static_cast<std::uint32_t>(height));
        PutU16(file, 22, 1);
        PutU16(file, 24, static_cast<std::uint32_t>(c.bits));
    } else {
        PutU32(file, 18, kWidth);
        PutU32(file, 22, static_cast<std::uint32_t>(height));
        PutU16(file, 26, 1);
        PutU16(file, 28, static_cast<std::uint32_t>(c.bits));
        PutU32(file, 30, masked ? kBitfields : 0);
        if (c.layout == Layout::Indexed)
            PutU32(file, 46, static_cast<std::uint32_t>(ColourCount(c)));
        if (masked) {
            const bool wide = c.layout == Layout::Masked32;
            PutU32(file, 54, wide ? 0x000000FF : 0xF800);
            PutU32(file, 58, wide ? 0x0000FF00 : 0x07E0);
            PutU32(file, 62, wide ? 0x00FF0000 : 0x001F);
        }
    }
    std::size_t at = 14 + c.headerSize + maskBytes;
    for (int i = 0; i < ColourCount(c) && c.layout == Layout::Indexed; ++i, at += paletteEntry) {
        file[at] = static_cast<std::uint8_t>(qBlue(kColours[i]));
        file[at + 1] = static_cast<std::uint8_t>(qGreen(kColours[i]));
        file[at + 2] = static_cast<std::uint8_t>(qRed(kColours[i]));
    }
    for (int fileRow = 0; fileRow < kHeight; ++fileRow) {
        const int y = c.topDown ? fileRow : kHeight - 1 - fileRow;
        for (int x = 0; x < kWidth; ++x)
            PutPixel(c, file.data() + pixelOffset + fileRow * stride, x, ColourIndexAt(c, x, y));
    }
    return file;
}

class BmpBitDepth : public ::testing::TestWithParam<BmpCase> {};

TEST_P(BmpBitDepth, DecodesKnownColoursInTheRightPlaces)
{
    const Bytes file = BuildBmp(GetParam());
    const QImage image = DecodeBmp(file.data(), file.size());
    EXPECT_EQ(image.format(), QImage::Format_RGB32);
    EXPECT_EQ(image, ExpectedPicture(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(BmpCodec, BmpBitDepth,
                         ::testing::Values(BmpCase{"Indexed1", 40, 1, Layout::Indexed, false},
                                           BmpCase{"Indexed1TopDown", 40, 1, Layout::Indexed, true},
                                           BmpCase{"Indexed4", 40, 4, Layout::Indexed, false},
                                           BmpCase{"Indexed8", 40, 8, Layout::Indexed, false},
                                           BmpCase{"Indexed8TopDown", 40, 8, Layout::Indexed, true},
                                           BmpCase{"Indexed8CoreHeader", 12, 8, Layout::Indexed, false},
                                           BmpCase{"Rgb555", 40, 16, Layout::Rgb555, false},
                                           BmpCase{"Rgb565Bitfields", 40, 16, Layout::Masked16, false},
                                           BmpCase{"Rgb565V4Header", 108, 16, Layout::Masked16, true},
                                           BmpCase{"Rgb24", 40, 24, Layout::Rgb24, false},
                                           BmpCase{"Rgb24TopDown", 40, 24, Layout::Rgb24, true},
                                           BmpCase{"Rgb24CoreHeader", 12, 24, Layout::Rgb24, false},
                                           BmpCase{"Rgb32IgnoresFourthByte", 40, 32, Layout::Rgb32, false},
                                           BmpCase{"Rgb32Bitfields", 40, 32, Layout::Masked32, false},
                                           BmpCase{"Rgb32V5Header", 124, 32, Layout::Masked32, true}),
                         [](const auto& test) { return std::string(test.param.name); });

BmpCase Rgb24Case()
{
    return {"Rgb24", 40, 24, Layout::Rgb24, false};
}

TEST(BmpCodec, ScalesShortChannelsToTheFullRange)
{
    BmpCase c{"Rgb555", 40, 16, Layout::Rgb555, false};
    Bytes file = BuildBmp(c);
    // Bottom row, x = 0: red 16/31, green 31/31, blue 1/31.
    PutU16(file, GetU32(file, 10), 0x10 << 10 | 0x1F << 5 | 0x01);
    const QImage image = DecodeBmp(file.data(), file.size());
    EXPECT_EQ(image.pixel(0, kHeight - 1), qRgb(132, 255, 8));
}

TEST(BmpCodec, PaletteIndexBeyondTheColourTableReadsAsBlack)
{
    BmpCase c{"Indexed8", 40, 8, Layout::Indexed, false};
    Bytes file = BuildBmp(c);
    file[GetU32(file, 10)] = 200; // bottom-left pixel; the table has 7 entries
    const QImage image = DecodeBmp(file.data(), file.size());
    EXPECT_EQ(image.pixel(0, kHeight - 1), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(1, kHeight - 1), kColours[ColourIndexAt(c, 1, kHeight - 1)]);
}

// A 4 x 2 picture with a 3-colour table, compressed; `pixels` is the RLE stream.
Bytes RleBmp(std::uint32_t compression, const Bytes& pixels)
{
    Bytes file(14 + 40 + 3 * 4, 0);
    file[0] = 'B';
    file[1] = 'M';
    PutU32(file, 10, static_cast<std::uint32_t>(file.size()));
    PutU32(file, 14, 40);
    PutU32(file, 18, 4);
    PutU32(file, 22, 2);
    PutU16(file, 26, 1);
    PutU16(file, 28, compression == 1 ? 8 : 4);
    PutU32(file, 30, compression);
    PutU32(file, 46, 3);
    const QRgb table[] = {qRgb(0, 0, 255), qRgb(255, 0, 0), qRgb(0, 255, 0)};
    for (int i = 0; i < 3; ++i) {
        file[54 + 4 * i] = static_cast<std::uint8_t>(qBlue(table[i]));
        file[54 + 4 * i + 1] = static_cast<std::uint8_t>(qGreen(table[i]));
        file[54 + 4 * i + 2] = static_cast<std::uint8_t>(qRed(table[i]));
    }
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
}

QString Pixels(const QImage& image)
{
    const QRgb blue = qRgb(0, 0, 255), red = qRgb(255, 0, 0), green = qRgb(0, 255, 0), black = qRgb(0, 0, 0);
    QString text;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            text += p == blue ? 'B' : p == red ? 'R' : p == green ? 'G' : p == black ? '.' : '?';
        }
        text += '/';
    }
    return text;
}

TEST(BmpCodec, DecodesRle8RunsLiteralsAndEndOfLine)
{
    // Bottom row: a run of four red; top row: literal green, blue, red, then end.
    const Bytes file = RleBmp(1, {4, 1, 0, 0, 0, 3, 2, 0, 1, 0, 0, 1});
    EXPECT_EQ(Pixels(DecodeBmp(file.data(), file.size())), "GBR./RRRR/");
}

TEST(BmpCodec, DecodesRle4NibblesAndJumps)
{
    // Bottom row: four pixels alternating red, green; end of line, a jump one
    // column right, and a literal of three: blue, red, green.
    const Bytes file = RleBmp(2, {4, 0x12, 0, 0, 0, 2, 1, 0, 0, 3, 0x01, 0x20, 0, 1});
    EXPECT_EQ(Pixels(DecodeBmp(file.data(), file.size())), ".BRG/RGRG/");
}

TEST(BmpCodec, RejectsRleDataThatEndsBeforeThePicture)
{
    const Bytes file = RleBmp(1, {4, 1, 0});
    EXPECT_THROW(DecodeBmp(file.data(), file.size()), ImageError);
}

struct BrokenBmp {
    const char* name;
    std::function<void(Bytes&)> damage;
};

class BrokenBmpHeader : public ::testing::TestWithParam<BrokenBmp> {};

TEST_P(BrokenBmpHeader, IsRejectedWithImageError)
{
    Bytes file = BuildBmp(Rgb24Case());
    GetParam().damage(file);
    EXPECT_THROW(DecodeBmp(file.data(), file.size()), ImageError);
}

INSTANTIATE_TEST_SUITE_P(
    BmpCodec, BrokenBmpHeader,
    ::testing::Values(
        BrokenBmp{"WrongMagic", [](Bytes& f) { f[1] = 'A'; }},
        BrokenBmp{"Empty", [](Bytes& f) { f.clear(); }},
        BrokenBmp{"TruncatedFileHeader", [](Bytes& f) { f.resize(10); }},
        BrokenBmp{"TruncatedInfoHeader", [](Bytes& f) { f.resize(40); }},
        BrokenBmp{"UnknownHeaderSize", [](Bytes& f) { PutU32(f, 14, 41); }},
        BrokenBmp{"ZeroWidth", [](Bytes& f) { PutU32(f, 18, 0); }},
        BrokenBmp{"NegativeWidth", [](Bytes& f) { PutU32(f, 18, static_cast<std::uint32_t>(-5)); }},
        BrokenBmp{"ZeroHeight", [](Bytes& f) { PutU32(f, 22, 0); }},
        BrokenBmp{"HeightIntMin", [](Bytes& f) { PutU32(f, 22, static_cast<std::uint32_t>(INT_MIN)); }},
        BrokenBmp{"HugeDimensions",
                  [](Bytes& f) {
                      PutU32(f, 18, 100000);
                      PutU32(f, 22, 100000);
                  }},
        BrokenBmp{"MaximumDimensions",
                  [](Bytes& f) {
                      PutU32(f, 18, INT_MAX);
                      PutU32(f, 22, static_cast<std::uint32_t>(INT_MIN + 1));
                  }},
        BrokenBmp{"JustOverThePixelLimit",
                  [](Bytes& f) {
                      PutU32(f, 18, 10001);
                      PutU32(f, 22, 10000);
                  }},
        BrokenBmp{"PixelOffsetPastTheEnd", [](Bytes& f) { PutU32(f, 10, 100000); }},
        BrokenBmp{"PixelOffsetInsideTheHeader", [](Bytes& f) { PutU32(f, 10, 20); }},
        BrokenBmp{"RowDataTruncated", [](Bytes& f) { f.resize(f.size() - 5); }},
        BrokenBmp{"TallerThanTheData", [](Bytes& f) { PutU32(f, 22, 4); }},
        BrokenBmp{"BadBitDepth", [](Bytes& f) { PutU16(f, 28, 7); }},
        BrokenBmp{"EmbeddedJpeg", [](Bytes& f) { PutU32(f, 30, 4); }},
        BrokenBmp{"BitfieldsOn24Bits", [](Bytes& f) { PutU32(f, 30, kBitfields); }},
        BrokenBmp{"RleOnWrongBitDepth", [](Bytes& f) { PutU32(f, 30, 1); }},
        BrokenBmp{"ScatteredMask",
                  [](Bytes& f) {
                      PutU16(f, 28, 32);
                      PutU32(f, 30, kBitfields);
                      PutU32(f, 54, 0x00FF00FF);
                  }}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(BmpCodec, RejectsHugeDimensionsBeforeAllocating)
{
    Bytes file = BuildBmp(Rgb24Case());
    PutU32(file, 18, 100000);
    PutU32(file, 22, 100000);
    try {
        DecodeBmp(file.data(), file.size());
        FAIL() << "a 100000 x 100000 header must be rejected";
    } catch (const ImageError& error) {
        EXPECT_NE(std::string(error.what()).find("too large"), std::string::npos) << error.what();
    }
}

QImage NoisyPicture(int width, int height, QImage::Format format)
{
    QImage image(width, height, QImage::Format_ARGB32);
    std::uint32_t seed = 12345;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            seed = seed * 1103515245 + 12345;
            image.setPixel(x, y, seed >> 8 | 0xFF000000);
        }
    return image.convertToFormat(format);
}

TEST(BmpCodec, WritesBottomUp24BitsWithPaddingAnd72Dpi)
{
    const QImage picture = NoisyPicture(7, 3, QImage::Format_RGB32);
    const Bytes file = EncodeBmp(picture);

    const std::size_t stride = 24; // 7 * 3 = 21 bytes, padded to 24
    ASSERT_EQ(file.size(), 54 + 3 * stride);
    EXPECT_EQ(GetU32(file, 2), file.size());
    EXPECT_EQ(GetU32(file, 10), 54u);
    EXPECT_EQ(GetU32(file, 14), 40u);
    EXPECT_EQ(static_cast<std::int32_t>(GetU32(file, 22)), 3) << "positive height: bottom-up";
    EXPECT_EQ(file[28], 24);
    EXPECT_EQ(GetU32(file, 30), 0u) << "BI_RGB";
    EXPECT_EQ(GetU32(file, 38), 2835u);
    const QRgb bottomLeft = picture.pixel(0, 2);
    EXPECT_EQ(file[54], qBlue(bottomLeft));
    EXPECT_EQ(file[56], qRed(bottomLeft));
    EXPECT_EQ(file[54 + 21], 0) << "padding is zero";
}

class BmpRoundTrip : public ::testing::TestWithParam<QImage::Format> {};

TEST_P(BmpRoundTrip, ReadsBackWhatWasWritten)
{
    const QImage picture = NoisyPicture(13, 6, GetParam());
    const Bytes file = EncodeBmp(picture);
    EXPECT_EQ(DecodeBmp(file.data(), file.size()), picture.convertToFormat(QImage::Format_RGB32));
}

INSTANTIATE_TEST_SUITE_P(BmpCodec, BmpRoundTrip,
                         ::testing::Values(QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_RGB888,
                                           QImage::Format_Indexed8, QImage::Format_Grayscale8,
                                           QImage::Format_RGB16));

// 24-bit rows are converted eight pixels at a time: every width leaves a
// different remainder, alone or after whole groups, and the file ends right
// after the last pixel of its last row.
TEST(BmpCodec, Reads24BitRowsOfEveryWidthToTheirLastPixel)
{
    for (int width = 1; width <= 17; ++width) {
        const QImage picture = NoisyPicture(width, 3, QImage::Format_RGB32);
        Bytes file = EncodeBmp(picture);
        file.resize(file.size() - (4 - width * 3 % 4) % 4);
        EXPECT_EQ(DecodeBmp(file.data(), file.size()), picture) << "width " << width;
    }
}

TEST(BmpCodec, EncodingAnEmptyPictureIsAnError)
{
    EXPECT_THROW(EncodeBmp(QImage()), ImageError);
}

// A file in memory that notes how much the decoder asks for at a time.
class CountingSource : public platform::ByteSource {
public:
    explicit CountingSource(const Bytes& bytes) : bytes_(bytes) {}
    std::uint64_t Size() const override { return bytes_.size(); }
    void ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t count) override
    {
        ASSERT_LE(offset + count, bytes_.size()) << "a read beyond the file";
        std::memcpy(out, bytes_.data() + offset, count);
        largestRead = std::max(largestRead, count);
        totalRead += count;
    }

    std::size_t largestRead = 0;
    std::uint64_t totalRead = 0;

private:
    const Bytes& bytes_;
};

constexpr std::size_t kQuarterMegabyte = 256 * 1024;

TEST(BmpCodec, LargePictureIsReadABlockOfRowsAtATime)
{
    // 3003 bytes a row padded to 3004, 2.1 megabytes in all; the last row
    // lacks its padding, as some writers leave it.
    const QImage picture = NoisyPicture(1001, 700, QImage::Format_RGB32);
    Bytes file = EncodeBmp(picture);
    file.pop_back();
    CountingSource source(file);
    EXPECT_EQ(DecodeBmp(source), picture);
    EXPECT_LE(source.largestRead, kQuarterMegabyte);
    EXPECT_LE(source.totalRead, file.size() + 200) << "the headers, then every pixel byte once";
}

// Rows of literal runs of 200 palette indices: 1,000 pixels take 1,012 bytes.
Bytes LiteralRle8(int width, int height, QImage& expected)
{
    Bytes file(14 + 40 + 256 * 4, 0);
    file[0] = 'B';
    file[1] = 'M';
    PutU32(file, 10, static_cast<std::uint32_t>(file.size()));
    PutU32(file, 14, 40);
    PutU32(file, 18, static_cast<std::uint32_t>(width));
    PutU32(file, 22, static_cast<std::uint32_t>(height));
    PutU16(file, 26, 1);
    PutU16(file, 28, 8);
    PutU32(file, 30, 1);
    const auto colour = [](int index) { return qRgb(index, 255 - index, index / 2); };
    for (int i = 0; i < 256; ++i) {
        file[54 + 4 * i] = static_cast<std::uint8_t>(qBlue(colour(i)));
        file[54 + 4 * i + 1] = static_cast<std::uint8_t>(qGreen(colour(i)));
        file[54 + 4 * i + 2] = static_cast<std::uint8_t>(qRed(colour(i)));
    }
    expected = QImage(width, height, QImage::Format_RGB32);
    for (int row = 0; row < height; ++row) {
        const int y = height - 1 - row;
        for (int x0 = 0; x0 < width; x0 += 200) {
            file.push_back(0);
            file.push_back(200);
            for (int x = x0; x < x0 + 200; ++x) {
                const int index = (x * 7 + y * 3) % 256;
                file.push_back(static_cast<std::uint8_t>(index));
                expected.setPixel(x, y, colour(index));
            }
        }
        file.push_back(0);
        file.push_back(0);
    }
    file.push_back(0);
    file.push_back(1);
    return file;
}

TEST(BmpCodec, LargeCompressedPictureIsReadABlockAtATime)
{
    QImage expected;
    const Bytes file = LiteralRle8(1000, 600, expected);
    ASSERT_GT(file.size(), 2 * kQuarterMegabyte) << "runs cross the blocks";
    CountingSource source(file);
    EXPECT_EQ(DecodeBmp(source), expected);
    EXPECT_LE(source.largestRead, kQuarterMegabyte);

    Bytes cut = file;
    cut.resize(file.size() - 5000);
    CountingSource shortSource(cut);
    EXPECT_THROW(DecodeBmp(shortSource), ImageError);
}

} // namespace
