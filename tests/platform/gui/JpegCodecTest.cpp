#include "platform/gui/ImageFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

using platform::DecodeJpeg;
using platform::EncodeJpeg;
using platform::ImageError;
using Bytes = std::vector<std::uint8_t>;

// Encodes raw samples with plain libjpeg, for inputs the program's encoder
// never writes (grey, CMYK, progressive).
Bytes EncodeSamples(int width, int height, int components, J_COLOR_SPACE space, const Bytes& samples,
                    bool progressive = false)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = components;
    info.in_color_space = space;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    if (progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(samples.data() + info.next_scanline * width * components);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes file(buffer, buffer + size);
    std::free(buffer);
    return file;
}

// Smooth gradients crossed by thin coloured lines: a picture like the ones
// the program saves.
QImage MeasurementLikePicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(40 + x * 150 / width, 60 + y * 120 / height, 90 + (x + y) % 50));
    for (int x = 0; x < width; ++x)
        image.setPixel(x, height / 2, qRgb(255, 255, 0));
    for (int y = 0; y < height; ++y)
        image.setPixel(width / 3, y, qRgb(0, 255, 0));
    return image;
}

int LargestChannelDifference(const QImage& a, const QImage& b)
{
    int largest = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                std::abs(qBlue(p) - qBlue(q))});
        }
    return largest;
}

TEST(JpegCodec, RoundTripAtQuality100StaysCloseToTheOriginal)
{
    const QImage picture = MeasurementLikePicture(67, 45);
    const Bytes file = EncodeJpeg(picture, 100);
    const QImage decoded = DecodeJpeg(file.data(), file.size());
    ASSERT_EQ(decoded.size(), picture.size());
    EXPECT_EQ(decoded.format(), QImage::Format_RGB32);
    EXPECT_LE(LargestChannelDifference(decoded, picture), 6)
        << "full colour resolution keeps the one-pixel lines";
}

TEST(JpegCodec, DecodedPixelsAreOpaque)
{
    const Bytes file = EncodeJpeg(MeasurementLikePicture(20, 10), 90);
    const QImage decoded = DecodeJpeg(file.data(), file.size());
    for (int y = 0; y < decoded.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(decoded.constScanLine(y));
        for (int x = 0; x < decoded.width(); ++x)
            ASSERT_EQ(qAlpha(row[x]), 255) << x << "," << y;
    }
}

TEST(JpegCodec, LowerQualityGivesASmallerFile)
{
    const QImage picture = MeasurementLikePicture(64, 64);
    EXPECT_LT(EncodeJpeg(picture, 50).size(), EncodeJpeg(picture, 100).size());
}

TEST(JpegCodec, EncodesAnyPictureFormat)
{
    const QImage picture = MeasurementLikePicture(16, 16).convertToFormat(QImage::Format_Indexed8);
    const Bytes file = EncodeJpeg(picture, 100);
    EXPECT_LE(LargestChannelDifference(DecodeJpeg(file.data(), file.size()), picture), 6);
}

TEST(JpegCodec, GreyJpegDecodesAsGreyRgb)
{
    Bytes samples(8 * 8);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::uint8_t>(i < 32 ? 40 : 200);
    const Bytes file = EncodeSamples(8, 8, 1, JCS_GRAYSCALE, samples);
    const QImage decoded = DecodeJpeg(file.data(), file.size());
    const QRgb top = decoded.pixel(3, 1), bottom = decoded.pixel(3, 6);
    EXPECT_EQ(qRed(top), qGreen(top));
    EXPECT_EQ(qRed(top), qBlue(top));
    EXPECT_NEAR(qRed(top), 40, 3);
    EXPECT_NEAR(qRed(bottom), 200, 3);
}

TEST(JpegCodec, AdobeCmykJpegDecodesWithInvertedInk)
{
    // Adobe's convention, which libjpeg follows when it writes CMYK: 255 means
    // no ink. Cyan-free, full magenta and yellow, no black: red.
    Bytes samples;
    for (int i = 0; i < 8 * 8; ++i)
        samples.insert(samples.end(), {255, 0, 0, 255});
    const Bytes file = EncodeSamples(8, 8, 4, JCS_CMYK, samples);
    const QImage decoded = DecodeJpeg(file.data(), file.size());
    const QRgb pixel = decoded.pixel(4, 4);
    EXPECT_NEAR(qRed(pixel), 255, 3);
    EXPECT_NEAR(qGreen(pixel), 0, 3);
    EXPECT_NEAR(qBlue(pixel), 0, 3);
}

Bytes GoodJpeg()
{
    return EncodeJpeg(MeasurementLikePicture(64, 48), 90);
}

std::string DecodeError(const Bytes& file)
{
    try {
        DecodeJpeg(file.data(), file.size());
    } catch (const ImageError& error) {
        return error.what();
    }
    return "no error";
}

// Offset of the first marker `code` (the byte after 0xFF) in a JPEG file.
std::size_t FindMarker(const Bytes& file, std::uint8_t code)
{
    for (std::size_t i = 0; i + 1 < file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] == code)
            return i;
    return file.size();
}

TEST(JpegCodec, TruncatedDataIsAnErrorNotAGreyBand)
{
    Bytes file = GoodJpeg();
    const std::size_t scanStart = FindMarker(file, 0xDA);
    ASSERT_LT(scanStart, file.size());
    file.resize(scanStart + (file.size() - scanStart) / 2);
    EXPECT_NE(DecodeError(file).find("truncated"), std::string::npos) << DecodeError(file);
}

TEST(JpegCodec, HeaderClaimingAHugePictureIsRejectedBeforeDecoding)
{
    for (const std::uint16_t side : {std::uint16_t{65500}, std::uint16_t{10001}}) {
        Bytes file = GoodJpeg();
        const std::size_t frame = FindMarker(file, 0xC0);
        ASSERT_LT(frame + 9, file.size());
        file[frame + 5] = file[frame + 7] = static_cast<std::uint8_t>(side >> 8);
        file[frame + 6] = file[frame + 8] = static_cast<std::uint8_t>(side);
        EXPECT_NE(DecodeError(file).find("too large"), std::string::npos) << side << ": " << DecodeError(file);
    }
}

TEST(JpegCodec, GarbageAndEmptyDataAreErrors)
{
    Bytes garbage(500);
    for (std::size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<std::uint8_t>(i * 7919 % 251);
    EXPECT_NE(DecodeError(garbage), "no error");
    EXPECT_NE(DecodeError({}), "no error");
    EXPECT_NE(DecodeError({0xFF, 0xD8}), "no error");
}

TEST(JpegCodec, ProcessKeepsWorkingAfterManyFailures)
{
    // libjpeg's own error handler would end the process at the first one.
    Bytes broken = GoodJpeg();
    broken.resize(broken.size() / 3);
    for (int i = 0; i < 50; ++i)
        EXPECT_THROW(DecodeJpeg(broken.data(), broken.size()), ImageError);
    const Bytes good = GoodJpeg();
    EXPECT_EQ(DecodeJpeg(good.data(), good.size()).size(), QSize(64, 48));
}

TEST(JpegCodec, ProgressiveJpegWithEndlesslyRepeatedScansIsRejected)
{
    Bytes samples(16 * 16 * 3, 128);
    const Bytes progressive = EncodeSamples(16, 16, 3, JCS_RGB, samples, true);
    ASSERT_EQ(DecodeJpeg(progressive.data(), progressive.size()).size(), QSize(16, 16));

    // Repeat the last scan until the file holds thousands of them.
    std::size_t lastScan = 0;
    for (std::size_t at = FindMarker(progressive, 0xDA); at < progressive.size();) {
        lastScan = at;
        const Bytes rest(progressive.begin() + static_cast<std::ptrdiff_t>(at) + 2, progressive.end());
        at = at + 2 + FindMarker(rest, 0xDA);
    }
    const std::size_t end = progressive.size() - 2; // before the end marker
    Bytes hostile(progressive.begin(), progressive.begin() + static_cast<std::ptrdiff_t>(end));
    for (int i = 0; i < 3000; ++i)
        hostile.insert(hostile.end(), progressive.begin() + static_cast<std::ptrdiff_t>(lastScan),
                       progressive.begin() + static_cast<std::ptrdiff_t>(end));
    hostile.insert(hostile.end(), {0xFF, 0xD9});
    EXPECT_NE(DecodeError(hostile).find("too many scans"), std::string::npos) << DecodeError(hostile);
}

TEST(JpegCodec, EncodingAnEmptyPictureIsAnError)
{
    EXPECT_THROW(EncodeJpeg(QImage(), 100), ImageError);
}

TEST(JpegCodec, PictureTooWideForJpegIsAnError)
{
    const QImage wide(70000, 1, QImage::Format_RGB32);
    try {
        EncodeJpeg(wide, 100);
        FAIL() << "JPEG holds at most 65500 pixels a side";
    } catch (const ImageError& error) {
        EXPECT_NE(std::string(error.what()).find("cannot encode"), std::string::npos) << error.what();
    }
}

} // namespace
