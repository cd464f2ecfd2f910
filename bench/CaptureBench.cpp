// The live preview's cost per frame and the cost of a grab, for a 1920 x
// 1080 camera sending YUYV:
// - PreviewFrame: what one frame costs from the driver's buffer to the
//   screen: libv4l2's conversion of YUYV into RGB24 (libv4lconvert, run here
//   on the same code path it takes inside libv4l2), the control's copy of
//   the frame, scaling it into the view and painting it. Target: under 8 ms
//   median on one core, so 30 frames a second leave the program responsive.
//   Measured for the window's fill view and for the real-size view.
// - GrabToBmp: writing a grabbed frame as a 24-bit bitmap through a
//   temporary file and a rename. Target: under 50 ms median.

#include "platform/videograb/TSyntheticVideo.h"
#include "platform/videograb/VideoFrame.h"

#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cerrno>
#include <cstring>
#include <libv4l-plugin.h>
#include <libv4lconvert.h>
#include <linux/videodev2.h>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// libv4lconvert asks its device what it can do; this one is a YUYV camera.
int YuyvCameraIoctl(void*, int, unsigned long request, void* argument)
{
    if (request == VIDIOC_QUERYCAP) {
        auto* cap = static_cast<v4l2_capability*>(argument);
        std::memset(cap, 0, sizeof *cap);
        std::strcpy(reinterpret_cast<char*>(cap->driver), "bench");
        cap->capabilities = cap->device_caps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
        return 0;
    }
    if (request == VIDIOC_ENUM_FMT) {
        auto* format = static_cast<v4l2_fmtdesc*>(argument);
        if (format->index == 0) {
            format->pixelformat = V4L2_PIX_FMT_YUYV;
            return 0;
        }
    }
    errno = EINVAL;
    return -1;
}

v4l2_format Format(std::uint32_t pixelFormat, int bytesPerPixel)
{
    v4l2_format format{};
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    format.fmt.pix.width = kWidth;
    format.fmt.pix.height = kHeight;
    format.fmt.pix.pixelformat = pixelFormat;
    format.fmt.pix.field = V4L2_FIELD_NONE;
    format.fmt.pix.bytesperline = kWidth * bytesPerPixel;
    format.fmt.pix.sizeimage = kWidth * kHeight * bytesPerPixel;
    return format;
}

// A YUYV frame with detail in luma and chroma.
std::vector<std::uint8_t> YuyvFrame()
{
    std::vector<std::uint8_t> frame(std::size_t(kWidth) * kHeight * 2);
    std::uint32_t seed = 7;
    for (std::uint8_t& byte : frame) {
        seed = seed * 1103515245 + 12345;
        byte = std::uint8_t(seed >> 16);
    }
    return frame;
}

void PreviewFrame(benchmark::State& state)
{
    libv4l_dev_ops ops{};
    ops.ioctl = YuyvCameraIoctl;
    v4lconvert_data* converter = v4lconvert_create_with_dev_ops(3, nullptr, &ops);
    if (!converter) {
        state.SkipWithError("libv4lconvert cannot be set up");
        return;
    }
    v4l2_format source = Format(V4L2_PIX_FMT_YUYV, 2);
    v4l2_format target = Format(V4L2_PIX_FMT_RGB24, 3);
    std::vector<std::uint8_t> yuyv = YuyvFrame();
    std::vector<std::uint8_t> rgb(target.fmt.pix.sizeimage);
    const QSize viewSize(int(state.range(0)), int(state.range(1)));
    QImage view(viewSize, QImage::Format_RGB32);
    QImage window(viewSize, QImage::Format_ARGB32_Premultiplied); // the backing store
    platform::TVideoFrame frame;

    for (auto _ : state) {
        if (v4lconvert_convert(converter, &source, &target, yuyv.data(), int(yuyv.size()), rgb.data(),
                               int(rgb.size()))
            < 0) {
            state.SkipWithError(v4lconvert_get_error_message(converter));
            break;
        }
        platform::CopyFrame({rgb.data(), rgb.size(), kWidth, kHeight, kWidth * 3}, frame);
        platform::ScaleFrame(frame, view);
        QPainter painter(&window);
        painter.drawImage(0, 0, view);
        benchmark::DoNotOptimize(window.constBits());
    }
    v4lconvert_destroy(converter);
}
// The capture window's fill view at its designed size, and real size.
BENCHMARK(PreviewFrame)
    ->Args({707, 441})
    ->Args({kWidth, kHeight})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

void GrabToBmp(benchmark::State& state)
{
    QTemporaryDir folder;
    const std::string path = folder.filePath("Grabbed.bmp").toStdString();
    platform::TVideoFrame frame;
    frame.Width = kWidth;
    frame.Height = kHeight;
    platform::DrawTestPattern(1, platform::TSyntheticDevice{}.Controls, frame);
    platform::TSyntheticVideo video;
    for (auto _ : state)
        video.WriteGrab(frame, path);
}
BENCHMARK(GrabToBmp)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication application(argc, argv); // QPainter on images needs one
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
