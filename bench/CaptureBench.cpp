// The live preview's cost per frame and the cost of a grab, for a 1920 x
// 1080 camera sending YUYV:
// - PreviewFrame: what one frame costs from the driver's buffer to the
//   screen: the control's copy of the frame, its conversion from YUYV to RGB
//   scaled into the view, and painting it. Target: under 8 ms median on one
//   core, so 30 frames a second leave the program responsive. Measured for
//   the capture window's fill view at its designed size and for real size.
// - GrabToBmp: writing a grabbed frame as a 24-bit bitmap through a
//   temporary file and a rename. Target: under 50 ms median.

#include "platform/videograb/TSyntheticVideo.h"
#include "platform/videograb/VideoFrame.h"

#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

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
    const std::vector<std::uint8_t> buffer = YuyvFrame();
    const QSize viewSize(int(state.range(0)), int(state.range(1)));
    QImage view(viewSize, QImage::Format_RGB32);
    QImage window(viewSize, QImage::Format_ARGB32_Premultiplied); // the backing store
    platform::TVideoFrame frame;
    for (auto _ : state) {
        platform::CopyFrame({buffer.data(), buffer.size(), kWidth, kHeight, kWidth * 2, platform::TPixelFormat::Yuyv},
                            frame);
        platform::ScaleFrame(frame, view);
        QPainter painter(&window);
        painter.drawImage(0, 0, view);
        benchmark::DoNotOptimize(window.constBits());
    }
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
