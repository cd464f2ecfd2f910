// The synthetic camera: its pattern is the same for the same frame number,
// moves from frame to frame and follows the controls; it logs its calls and
// fails where it is set up to.
#include "platform/videograb/TSyntheticVideo.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace platform;

namespace {

TVideoFrame Pattern(int number, const std::array<TSyntheticControl, AMP_COUNT>& controls = TSyntheticDevice{}.Controls)
{
    TVideoFrame frame;
    frame.Width = 160;
    frame.Height = 120;
    DrawTestPattern(number, controls, frame);
    return frame;
}

TEST(TSyntheticVideoTest, PatternIsDeterministicMovesAndFollowsTheControls)
{
    EXPECT_EQ(Pattern(5).Pixels, Pattern(5).Pixels);
    EXPECT_NE(Pattern(5).Pixels, Pattern(6).Pixels);

    std::array<TSyntheticControl, AMP_COUNT> brighter = TSyntheticDevice{}.Controls;
    brighter[AMP_BRIGHTNESS].Value = 200;
    const TVideoFrame normal = Pattern(0);
    const TVideoFrame bright = Pattern(0, brighter);
    EXPECT_EQ(normal.Format, TPixelFormat::Yuyv);
    // The grey ramp's darkest corner (bottom left, off the grid) gets lighter:
    // the luma of pixel (3, 118), the second of its YUYV pair.
    const std::size_t corner = std::size_t(118 * normal.BytesPerLine + 4 + 2);
    EXPECT_GT(bright.Pixels[corner], normal.Pixels[corner] + 50);
}

TEST(TSyntheticVideoTest, StreamsLogsAndRoundsItsControls)
{
    TSyntheticSetup setup = TSyntheticSetup::Standard();
    setup.FrameInterval = 1;
    setup.Devices[1].Controls[AMP_CONTRAST] = {true, false, 0, 100, 10, 50, 50};
    auto log = std::make_shared<TCallLog>();
    TSyntheticVideo video(setup, log);
    int frames = 0;
    TSize size;
    video.SetSinks([&](const TFrameView& view) { ++frames, size = {view.Width, view.Height}; }, nullptr);

    ASSERT_TRUE(video.OpenFirstDevice());
    std::vector<std::string> names;
    ASSERT_TRUE(video.ListDevices(names));
    EXPECT_EQ(names, (std::vector<std::string>{"Synthetic Camera", "Synthetic Microscope"}));
    ASSERT_TRUE(video.OpenDevice("Synthetic Microscope"));
    video.SetFrameSize({5000, 100});
    ASSERT_TRUE(video.StartStreaming());
    QTRY_VERIFY(frames >= 2);
    EXPECT_EQ(size, (TSize{1600, 150})) << "clamped to the device's sizes";

    int current = 0;
    ASSERT_TRUE(video.WriteControl(AMP_CONTRAST, 74, current));
    EXPECT_EQ(current, 70);
    ASSERT_TRUE(video.WriteControl(AMP_CONTRAST, 500, current));
    EXPECT_EQ(current, 100);
    TVideoAmpRange record;
    video.ReadControl(AMP_CONTRAST, record);
    EXPECT_EQ(std::tuple(record.Min, record.Max, record.Step, record.Default, record.Current, record.Enabled),
              std::tuple(0, 100, 10, 50, 100, 1));
    video.CloseDevice();

    EXPECT_EQ(std::vector<std::string>(log->begin(), log->end()),
              (std::vector<std::string>{"OpenFirstDevice", "ListDevices", "OpenDevice Synthetic Microscope",
                                        "CloseDevice", "SetFrameSize 5000x100", "StartStreaming 1600x150", "WriteControl 1 74",
                                        "WriteControl 1 500", "CloseDevice", "StopStreaming"}));
}

TEST(TSyntheticVideoTest, FailsWhereItIsSetUpTo)
{
    TSyntheticSetup setup = TSyntheticSetup::Standard();
    setup.FailDeviceList = true;
    setup.FailStartStreaming = true;
    setup.ErrorNotText = true;
    TSyntheticVideo video(setup);
    ASSERT_TRUE(video.OpenFirstDevice());
    std::vector<std::string> names;
    EXPECT_FALSE(video.ListDevices(names));
    EXPECT_FALSE(video.StartStreaming());
    EXPECT_EQ(video.DescribeError(video.Error()).typeId(), QMetaType::Int);

    TSyntheticSetup none;
    TSyntheticVideo empty(none);
    EXPECT_FALSE(empty.OpenFirstDevice());
}

TEST(TSyntheticVideoTest, LosesItsDeviceAfterTheFramesItWasGiven)
{
    TSyntheticSetup setup = TSyntheticSetup::Standard();
    setup.LoseAfterFrames = 2;
    TSyntheticVideo video(setup);
    int frames = 0;
    int lost = 0;
    video.SetSinks([&](const TFrameView&) { ++frames; }, [&] { ++lost; });
    ASSERT_TRUE(video.OpenFirstDevice());
    ASSERT_TRUE(video.StartStreaming());
    for (int i = 0; i < 4; ++i)
        video.NextFrame();
    EXPECT_EQ(frames, 2);
    EXPECT_EQ(lost, 1);
    EXPECT_FALSE(video.IsOpen());
    EXPECT_FALSE(video.IsStreaming());
}

} // namespace
