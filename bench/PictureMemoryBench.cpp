// Peak resident memory with a 20-megapixel camera frame (5472 x 3648): the
// main window shown, the frame opened from a BMP file, a line drawn on it with
// the mouse and the mouse then hovering over the line, so that the line is
// highlighted. Reported as multiples of the picture's pixels at 32 bits:
// - resident/picture: the whole program at its peak, libraries included;
// - growth/picture: what the window, the picture and the drawing added to
//   the program resident before them.
// Target: under 2.5 times the picture. The picture takes 1 of it: the
// shapes and the highlight are drawn over its own pixels, keeping only the
// tiles they cross. The libraries and fonts loaded before the window take
// about 0.3 more, which is why both figures are given. The window adds about
// 0.2: the code pages and heap its widgets touch (0.13), its backing store at
// 1024 x 720 (0.04) and the Chinese font the interface, Chinese by default,
// falls back on (0.04).
//   cmake --build build-bench --target picture_memory_bench && build-bench/bench/picture_memory_bench
// (configured as bench/CMakeLists.txt says).
#include "CameraFrame.h"
#include "PeakMemory.h"
#include "QtBenchmarkMain.h"

#include "shapes/MLine.h"
#include "workspace/Quorvex.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kWidth = 5472;
constexpr int kHeight = 3648;
constexpr double kPictureBytes = double(kWidth) * kHeight * 4;

void DrawAndHover(TFormMeasure& form)
{
    const int x = kWidth / 2;
    const int y = kHeight / 2;
    form.MenuLineClick();
    for (const TPoint p : {TPoint{x, y}, TPoint{x + 300, y + 100}}) {
        form.ImagePaintMouseMove(0, p.x, p.y);
        form.ImagePaintMouseDown(mbLeft, ssLeft, p.x, p.y);
        form.ImagePaintMouseUp(mbLeft, 0, p.x, p.y);
    }
    QCoreApplication::processEvents();
    // Away from the line, then onto its middle.
    form.ImagePaintMouseMove(0, x, y + 400);
    form.ImagePaintMouseMove(0, x + 150, y + 50);
    QCoreApplication::processEvents();
}

void OpenDrawAndHover(benchmark::State& state)
{
    QTemporaryDir folder;
    const std::string frame = QDir(folder.path()).filePath("Frame.bmp").toStdString();
    WriteCameraFrame(frame, kWidth, kHeight);
    double growth = 0;
    for (auto _ : state) {
        bool drawn = false;
        growth = PeakGrowth([&] {
            TFormMeasure form;
            form.show();
            QCoreApplication::processEvents();
            if (!form.LoadImageFile(frame))
                return;
            QCoreApplication::processEvents();
            DrawAndHover(form);
            drawn = form.ShapeList.size() == 1;
        });
        if (!drawn) {
            state.SkipWithError("the frame did not load or the line was not drawn");
            return;
        }
    }
    state.counters["growth/picture"] = growth / kPictureBytes;
    state.counters["resident/picture"] = double(StatusKilobytes("VmHWM")) * 1024.0 / kPictureBytes;
}
BENCHMARK(OpenDrawAndHover)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return RunQtBenchmarks(argc, argv);
}
