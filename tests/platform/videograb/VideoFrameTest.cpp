// Frames from a device: copied only when the buffer holds the whole frame,
// and scaled by nearest neighbour into the preview.
#include "platform/videograb/VideoFrame.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

// A frame whose pixel (x, y) is (x, y, 7), rows padded to `bytesPerLine`.
std::vector<std::uint8_t> Numbered(int width, int height, int bytesPerLine)
{
    std::vector<std::uint8_t> bytes(std::size_t(bytesPerLine) * height, 0xEE);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = bytes.data() + y * bytesPerLine + x * 3;
            p[0] = std::uint8_t(x);
            p[1] = std::uint8_t(y);
            p[2] = 7;
        }
    return bytes;
}

TEST(VideoFrameTest, CopyDropsPaddingAndRefusesShortOrSenselessBuffers)
{
    const std::vector<std::uint8_t> padded = Numbered(3, 2, 12);
    TVideoFrame frame;
    ASSERT_TRUE(CopyFrame({padded.data(), padded.size(), 3, 2, 12}, frame));
    EXPECT_EQ(std::tuple(frame.Width, frame.Height, frame.BytesPerLine), std::tuple(3, 2, 9));
    EXPECT_EQ(frame.Pixels, (std::vector<std::uint8_t>{0, 0, 7, 1, 0, 7, 2, 0, 7, 0, 1, 7, 1, 1, 7, 2, 1, 7}));

    // The last row needs no padding after it.
    EXPECT_TRUE(CopyFrame({padded.data(), 12 + 9, 3, 2, 12}, frame));

    const TFrameView refused[] = {
        {padded.data(), 12 + 8, 3, 2, 12},  // one byte short
        {padded.data(), padded.size(), 3, 2, 8}, // rows shorter than their pixels
        {padded.data(), padded.size(), 0, 2, 12},
        {padded.data(), padded.size(), 3, -1, 12},
        {nullptr, padded.size(), 3, 2, 12},
        {padded.data(), padded.size(), 0x40000000, 1, 12}, // a width whose bytes overflow
    };
    for (const TFrameView& view : refused) {
        TVideoFrame kept;
        kept.Width = 5;
        EXPECT_FALSE(CopyFrame(view, kept)) << view.Width << "x" << view.Height << " in " << view.Size;
        EXPECT_EQ(kept.Width, 5) << "a refused buffer leaves the frame as it was";
    }
}

TEST(VideoFrameTest, ScalingPicksTheNearestSourcePixel)
{
    const std::vector<std::uint8_t> bytes = Numbered(4, 2, 12);
    TVideoFrame frame;
    ASSERT_TRUE(CopyFrame({bytes.data(), bytes.size(), 4, 2, 12}, frame));

    QImage smaller(2, 1, QImage::Format_RGB32);
    ScaleFrame(frame, smaller);
    EXPECT_EQ(smaller.pixel(0, 0), qRgb(0, 0, 7));
    EXPECT_EQ(smaller.pixel(1, 0), qRgb(2, 0, 7));

    QImage larger(8, 4, QImage::Format_RGB32);
    ScaleFrame(frame, larger);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(larger.pixel(x, y), qRgb(x / 2, y / 2, 7)) << x << "," << y;

    const QImage whole = FrameToImage(frame);
    ASSERT_EQ(whole.size(), QSize(4, 2));
    EXPECT_EQ(whole.pixel(3, 1), qRgb(3, 1, 7));
    EXPECT_TRUE(FrameToImage(TVideoFrame{}).isNull());
}

TEST(VideoFrameTest, YuyvPairsConvertWhereTheyAreShown)
{
    EXPECT_EQ(YuvToRgb(16, 128, 128), qRgb(0, 0, 0));
    EXPECT_EQ(YuvToRgb(235, 128, 128), qRgb(255, 255, 255));
    EXPECT_EQ(YuvToRgb(81, 90, 240), qRgb(255, 0, 0));
    EXPECT_EQ(YuvToRgb(145, 54, 34), qRgb(0, 255, 1));
    EXPECT_EQ(YuvToRgb(0, 0, 255), qRgb(184, 0, 0)) << "channels beyond 0..255 are clamped";

    // Two pairs: black and white sharing no colour, then two reds.
    const std::vector<std::uint8_t> bytes{16, 128, 235, 128, 81, 90, 81, 240, 0xEE, 0xEE};
    TVideoFrame frame;
    EXPECT_FALSE(CopyFrame({bytes.data(), 7, 4, 1, 8, TPixelFormat::Yuyv}, frame)) << "half a pair short";
    ASSERT_TRUE(CopyFrame({bytes.data(), bytes.size(), 4, 1, 10, TPixelFormat::Yuyv}, frame));
    EXPECT_EQ(frame.BytesPerLine, 8);

    QImage larger(8, 2, QImage::Format_RGB32);
    ScaleFrame(frame, larger);
    const QRgb expected[] = {qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(255, 0, 0), qRgb(255, 0, 0)};
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(larger.pixel(x, 1), expected[x / 2]) << x;
    QImage smaller(2, 1, QImage::Format_RGB32);
    ScaleFrame(frame, smaller);
    EXPECT_EQ(smaller.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(smaller.pixel(1, 0), qRgb(255, 0, 0));

    // An odd width still takes its last pixel from a whole pair.
    ASSERT_TRUE(CopyFrame({bytes.data(), 8, 3, 1, 8, TPixelFormat::Yuyv}, frame));
    EXPECT_EQ(FrameToImage(frame).pixel(2, 0), qRgb(255, 0, 0));
}

} // namespace
