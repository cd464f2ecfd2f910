// The V4L2 backend against a camera made of code: what it lists, the sizes
// and controls it maps, and streaming, including a camera pulled out while
// it streams.
#include "platform/videograb/TV4l2Video.h"
#include "tests/platform/videograb/FakeV4l2Io.h"

#include <QCoreApplication>
#include <QTest>
#include <gtest/gtest.h>

using platform::TFrameView;
using platform::TV4l2Video;
using platform::TVideoSizes;

namespace {

struct Fixture {
    std::shared_ptr<FakeV4l2Io> Io = std::make_shared<FakeV4l2Io>();
    TV4l2Video Video{Io};
    std::vector<std::vector<std::uint8_t>> Frames; // the first bytes of each frame delivered
    std::vector<TFrameView> Views;
    int Lost = 0;

    Fixture()
    {
        Video.SetSinks(
            [this](const TFrameView& view) {
                Views.push_back(view);
                Frames.emplace_back(view.Data, view.Data + std::min<std::size_t>(view.Size, 4));
            },
            [this] { ++Lost; });
    }
};

TEST(TV4l2VideoTest, ListsCaptureNodesOnlyWithEqualNamesToldApart)
{
    Fixture f;
    f.Io->Nodes = {{"/dev/video0", "USB Camera"},
                   {"/dev/video1", "USB Camera", V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING},
                   {"/dev/video2", "USB Camera"},
                   {"/dev/video3", "Gone", V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING, true},
                   {"/dev/video4", ""},
                   {"/dev/video5", "USB Camera"}};
    std::vector<std::string> names;
    ASSERT_TRUE(f.Video.ListDevices(names));
    EXPECT_EQ(names, (std::vector<std::string>{"USB Camera", "USB Camera (2)", "/dev/video4", "USB Camera (3)"}));
    EXPECT_TRUE(f.Io->OpenFds.empty()) << "every node opened to be listed is closed again";

    ASSERT_TRUE(f.Video.OpenDevice("USB Camera (2)"));
    ASSERT_TRUE(f.Video.StartStreaming());
    EXPECT_EQ(f.Io->StreamFd, *f.Io->OpenFds.begin());
}

TEST(TV4l2VideoTest, ListingFailuresAreReported)
{
    Fixture f;
    f.Io->ListFails = true;
    std::vector<std::string> names{"stale"};
    EXPECT_FALSE(f.Video.ListDevices(names));
    EXPECT_FALSE(f.Video.OpenFirstDevice());
    EXPECT_FALSE(f.Video.Error().empty());

    f.Io->ListFails = false;
    f.Io->Nodes = {{"/dev/video0", "Meta only", V4L2_CAP_META_CAPTURE}};
    EXPECT_FALSE(f.Video.OpenFirstDevice());
    EXPECT_EQ(f.Video.Error(), "No capture device found");
    EXPECT_FALSE(f.Video.OpenDevice("Elsewhere"));
}

TEST(TV4l2VideoTest, SizesComeFromTheFrameSizeEnumeration)
{
    struct Case {
        const char* Name;
        std::vector<v4l2_frmsizeenum> Sizes;
        std::uint32_t CurrentWidth;
        TVideoSizes Expected;
    };
    const Case cases[] = {
        {"discrete, smallest and largest by area",
         {FakeV4l2Io::Discrete(640, 480), FakeV4l2Io::Discrete(160, 120), FakeV4l2Io::Discrete(1920, 1080),
          FakeV4l2Io::Discrete(1280, 720)},
         640,
         {{640, 480}, {160, 120}, {1920, 1080}}},
        {"stepwise", {FakeV4l2Io::Stepwise(16, 16, 4096, 2160)}, 640, {{640, 480}, {16, 16}, {4096, 2160}}},
        {"continuous",
         {FakeV4l2Io::Stepwise(1, 1, 800, 600, V4L2_FRMSIZE_TYPE_CONTINUOUS)},
         640,
         {{640, 480}, {1, 1}, {800, 600}}},
        {"no enumeration: the current size only", {}, 640, {{640, 480}, {640, 480}, {640, 480}}},
        {"sides beyond a packed size are cut to 9999",
         {FakeV4l2Io::Stepwise(0, 0, 20000, 12000)},
         640,
         {{640, 480}, {0, 0}, {9999, 9999}}},
        {"no current size: the largest is the default",
         {FakeV4l2Io::Discrete(320, 240), FakeV4l2Io::Discrete(800, 600)},
         0,
         {{800, 600}, {320, 240}, {800, 600}}},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.Io->FrameSizes = c.Sizes;
        f.Io->CurrentWidth = c.CurrentWidth;
        ASSERT_TRUE(f.Video.OpenFirstDevice()) << c.Name;
        const TVideoSizes sizes = f.Video.Sizes();
        EXPECT_EQ(sizes.Default, c.Expected.Default) << c.Name;
        EXPECT_EQ(sizes.Min, c.Expected.Min) << c.Name;
        EXPECT_EQ(sizes.Max, c.Expected.Max) << c.Name;
    }
}

TEST(TV4l2VideoTest, ControlsMapOntoTheAmplifierRecords)
{
    Fixture f;
    f.Io->Controls[V4L2_CID_BRIGHTNESS] = {-64, 64, 1, 0, 12};
    f.Io->Controls[V4L2_CID_CONTRAST] = {0, 100, 5, 50, 35, V4L2_CTRL_FLAG_READ_ONLY};
    f.Io->Controls[V4L2_CID_HUE] = {-180, 180, 1, 0, 0, V4L2_CTRL_FLAG_DISABLED};
    f.Io->Controls[V4L2_CID_SATURATION] = {0, 255, 1, 128, 128, 0, V4L2_CTRL_TYPE_INTEGER, true};
    ASSERT_TRUE(f.Video.OpenFirstDevice());

    TVideoAmpRange record;
    f.Video.ReadControl(AMP_BRIGHTNESS, record);
    EXPECT_EQ(std::tuple(record.Min, record.Max, record.Step, record.Default, record.Initial, record.Enabled,
                         record.HasCurrent, record.Current),
              std::tuple(-64, 64, 1, 0, 0, 1, 1, 12));
    f.Video.ReadControl(AMP_CONTRAST, record);
    EXPECT_EQ(record.Enabled, 0) << "a read-only control cannot be set";
    EXPECT_EQ(record.Current, 35);
    f.Video.ReadControl(AMP_HUE, record);
    EXPECT_EQ(record.Enabled, 0);
    f.Video.ReadControl(AMP_SATURATION, record);
    EXPECT_EQ(std::tuple(record.Enabled, record.HasCurrent, record.Initial), std::tuple(1, 0, 128))
        << "without a readable value the record shows its initial position";

    f.Io->Controls.erase(V4L2_CID_BRIGHTNESS);
    f.Video.ReadControl(AMP_BRIGHTNESS, record);
    EXPECT_EQ(std::tuple(record.Enabled, record.Min, record.Max), std::tuple(0, 0, 0)) << "a missing control";
}

TEST(TV4l2VideoTest, WritingAControlAnswersWhatTheDriverTook)
{
    Fixture f;
    f.Io->Controls[V4L2_CID_CONTRAST] = {0, 100, 5, 50, 50};
    ASSERT_TRUE(f.Video.OpenFirstDevice());
    int current = 0;
    ASSERT_TRUE(f.Video.WriteControl(AMP_CONTRAST, 73, current));
    EXPECT_EQ(current, 70);
    EXPECT_FALSE(f.Video.WriteControl(AMP_CONTRAST, 200, current));
    EXPECT_NE(f.Video.Error().find("contrast"), std::string::npos) << f.Video.Error();
    EXPECT_FALSE(f.Video.WriteControl(AMP_HUE, 1, current)) << "no such control";
}

TEST(TV4l2VideoTest, StreamsRgbFramesOfTheGrantedSize)
{
    Fixture f;
    f.Io->PaddingPerLine = 8;
    ASSERT_TRUE(f.Video.OpenFirstDevice());
    f.Video.SetFrameSize({1600, 1200});
    ASSERT_TRUE(f.Video.StartStreaming());
    EXPECT_EQ(f.Io->LastFormat.fmt.pix.pixelformat, V4L2_PIX_FMT_RGB24);
    EXPECT_EQ(std::pair(f.Io->LastFormat.fmt.pix.width, f.Io->LastFormat.fmt.pix.height), std::pair(1600u, 1200u));
    EXPECT_EQ(f.Video.StreamSize(), (TSize{1280, 960}));
    EXPECT_EQ(f.Io->Mapped, 4u);

    ASSERT_TRUE(f.Io->PushFrame(7));
    ASSERT_TRUE(f.Io->PushFrame(9));
    QTRY_COMPARE(f.Frames.size(), std::size_t(2));
    EXPECT_EQ(f.Frames[0], std::vector<std::uint8_t>(4, 7));
    EXPECT_EQ(f.Frames[1], std::vector<std::uint8_t>(4, 9));
    EXPECT_EQ(std::tuple(f.Views[0].Width, f.Views[0].Height, f.Views[0].BytesPerLine),
              std::tuple(1280, 960, 1280 * 3 + 8));

    // Each buffer goes back to the driver after its frame: more frames than buffers stream on.
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(f.Io->PushFrame(std::uint8_t(i))) << i;
        QTRY_COMPARE(f.Frames.size(), std::size_t(3 + i));
    }
    EXPECT_EQ(f.Lost, 0);
}

TEST(TV4l2VideoTest, YuyvIsTakenAsSentWhereTheCameraHasTheSizeInYuyv)
{
    struct Case {
        TSize Asked;
        platform::TPixelFormat Format;
        TSize Granted;
    };
    const Case cases[] = {
        {{640, 480}, platform::TPixelFormat::Yuyv, {640, 480}},
        {{1280, 720}, platform::TPixelFormat::Rgb24, {1280, 720}}, // YUYV only at 640 x 480 and 320 x 240
        {{320, 240}, platform::TPixelFormat::Yuyv, {320, 240}},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.Io->YuyvSizes = {{640, 480}, {320, 240}};
        ASSERT_TRUE(f.Video.OpenFirstDevice());
        f.Video.SetFrameSize(c.Asked);
        ASSERT_TRUE(f.Video.StartStreaming()) << f.Video.Error();
        EXPECT_EQ(f.Video.StreamFormat(), c.Format) << c.Asked.cx;
        EXPECT_EQ(f.Video.StreamSize(), c.Granted) << c.Asked.cx;
        ASSERT_TRUE(f.Io->PushFrame(5));
        QTRY_COMPARE(f.Views.size(), std::size_t(1));
        EXPECT_EQ(f.Views[0].Format, c.Format);
        EXPECT_EQ(f.Views[0].BytesPerLine, c.Granted.cx * (c.Format == platform::TPixelFormat::Yuyv ? 2 : 3));
    }
}

TEST(TV4l2VideoTest, StoppingGivesTheBuffersBackSoTheDeviceCanRestart)
{
    Fixture f;
    ASSERT_TRUE(f.Video.OpenFirstDevice());
    ASSERT_TRUE(f.Video.StartStreaming());
    f.Video.StopStreaming();
    EXPECT_FALSE(f.Io->Streaming);
    EXPECT_EQ(f.Io->Mapped, 0u);
    f.Video.SetFrameSize({320, 240});
    ASSERT_TRUE(f.Video.StartStreaming()) << f.Video.Error();
    EXPECT_EQ(f.Video.StreamSize(), (TSize{320, 240}));
    f.Video.CloseDevice();
    EXPECT_TRUE(f.Io->OpenFds.empty());
    EXPECT_EQ(f.Io->Mapped, 0u);
}

TEST(TV4l2VideoTest, AFormatTheDeviceCannotDeliverFailsTheStart)
{
    Fixture f;
    f.Io->GrantedFormat = V4L2_PIX_FMT_MJPEG;
    ASSERT_TRUE(f.Video.OpenFirstDevice());
    EXPECT_FALSE(f.Video.StartStreaming());
    EXPECT_EQ(f.Video.Error(), "The capture device cannot deliver its frames as YUYV or RGB");
    EXPECT_FALSE(f.Video.IsStreaming());
}

TEST(TV4l2VideoTest, ACameraPulledOutWhileStreamingEndsTheStream)
{
    Fixture f;
    ASSERT_TRUE(f.Video.OpenFirstDevice());
    ASSERT_TRUE(f.Video.StartStreaming());
    ASSERT_TRUE(f.Io->PushFrame(1));
    QTRY_COMPARE(f.Frames.size(), std::size_t(1));

    f.Io->Unplug();
    QTRY_COMPARE(f.Lost, 1);
    EXPECT_FALSE(f.Video.IsStreaming());
    EXPECT_FALSE(f.Video.IsOpen());
    EXPECT_NE(f.Video.Error().find("No such device"), std::string::npos) << f.Video.Error();
    EXPECT_TRUE(f.Io->OpenFds.empty()) << "the dead descriptor is closed";
    EXPECT_EQ(f.Io->Mapped, 0u);
    QCoreApplication::processEvents();
    EXPECT_EQ(f.Lost, 1) << "reported once";

    // Still gone: starting again fails with a reason instead of streaming nothing.
    EXPECT_FALSE(f.Video.StartStreaming());
    EXPECT_FALSE(f.Video.Error().empty());
}

TEST(TV4l2VideoTest, BadFramesAreSkippedUntilNothingElseComes)
{
    Fixture f;
    ASSERT_TRUE(f.Video.OpenFirstDevice());
    ASSERT_TRUE(f.Video.StartStreaming());
    f.Io->BadFrames = 2;
    for (const std::uint8_t value : {1, 2, 3})
        ASSERT_TRUE(f.Io->PushFrame(value));
    QTRY_COMPARE(f.Frames.size(), std::size_t(1));
    EXPECT_EQ(f.Frames[0][0], 3);
    EXPECT_EQ(f.Lost, 0);

    f.Io->BadFrames = TV4l2Video::kMostBadFrames;
    for (int i = 0; i < TV4l2Video::kMostBadFrames; ++i) {
        ASSERT_EQ(f.Lost, 0) << i;
        ASSERT_TRUE(f.Io->PushFrame(0)) << i;
        QTRY_COMPARE(f.Io->BadFrames, TV4l2Video::kMostBadFrames - i - 1);
    }
    EXPECT_EQ(f.Lost, 1);
    EXPECT_NE(f.Video.Error().find("Input/output error"), std::string::npos) << f.Video.Error();
}

TEST(TV4l2VideoTest, ACameraPluggedBackInStreamsAgain)
{
    Fixture f;
    ASSERT_TRUE(f.Video.OpenFirstDevice());
    ASSERT_TRUE(f.Video.StartStreaming());
    f.Io->Unplug();
    QTRY_COMPARE(f.Lost, 1);
    // Plugged in again: a fresh fake camera under the same node.
    *f.Io = FakeV4l2Io();
    ASSERT_TRUE(f.Video.StartStreaming()) << f.Video.Error();
    EXPECT_TRUE(f.Io->Streaming);
    ASSERT_TRUE(f.Io->PushFrame(3));
    QTRY_COMPARE(f.Frames.size(), std::size_t(1));
}

} // namespace
