// The magnifier on a 20-megapixel camera frame (5472 x 3648): after the
// picture is loaded, with 200 labelled lines on it, the program's peak
// resident memory must stay under five times the picture at 32 bits a pixel,
// and one magnifier update on a mouse move must take under 2 ms (median).
//   cmake --build build-bench --target zoom_bench && build-bench/bench/zoom_bench
// (configured as bench/CMakeLists.txt says).
#include "CameraFrame.h"

#include "settings/MParam.h"
#include "shapes/MLine.h"
#include "workspace/MZoom.h"
#include "workspace/Quorvex.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdio>
#include <memory>

namespace {

constexpr int kWidth = 5472;
constexpr int kHeight = 3648;
constexpr int kLines = 200;
constexpr double kPictureBytes = double(kWidth) * kHeight * 4;

double PeakResidentBytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) * 1024.0; // kilobytes on Linux
}

TFormMeasure* Form = nullptr;

// Positions along a diagonal, one pixel apart: every update shows a new block.
TPoint NextPosition()
{
    static int step = 0;
    step = (step + 1) % (kHeight - 200);
    return {100 + step, 100 + step};
}

void MagnifierUpdate(benchmark::State& state)
{
    for (auto _ : state) {
        const TPoint p = NextPosition();
        Form->DrawZoom(p.x, p.y);
    }
}
BENCHMARK(MagnifierUpdate)->Unit(benchmark::kMicrosecond)->MinTime(0.5)->Repetitions(9)->ReportAggregatesOnly(true);

// The whole mouse move over free image: cursor position, paint box refresh
// and the magnifier.
void MouseMove(benchmark::State& state)
{
    for (auto _ : state) {
        const TPoint p = NextPosition();
        Form->ImagePaintMouseMove(0, p.x, p.y + 40);
    }
}
BENCHMARK(MouseMove)->Unit(benchmark::kMicrosecond)->MinTime(0.5)->Repetitions(9)->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir folder;
    QDir::setCurrent(folder.path());
    WriteCameraFrame("Frame.bmp", kWidth, kHeight);

    const double before = PeakResidentBytes();
    auto form = std::make_unique<TFormMeasure>();
    Form = form.get();
    FormZoom = new TFormZoom;
    FormZoom->show();
    MParam::GetInstance()->SetBool(OPT_GRAB_SAVE_SHAPES, true, false);
    for (int i = 0; i < kLines; ++i) {
        const int x = (i * 379) % (kWidth - 300) + 50;
        const int y = (i * 211) % (kHeight - 300) + 50;
        form->AddShape(MLine::Create(form->ImagePaint->Canvas(), x, y, x + (i * 37) % 240 - 120, y + 60))->selected =
            false;
    }
    if (!form->LoadImageFile("Frame.bmp")) {
        std::fprintf(stderr, "the camera frame did not load\n");
        return 1;
    }
    // A hover highlight and a drag preview make the paint box's own copy.
    MShape* first = form->ShapeList.front();
    form->ImagePaintMouseMove(0, first->p1.x, first->p1.y);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const double peak = PeakResidentBytes();
    std::printf("picture at 32 bpp: %.1f MB; peak resident memory: %.1f MB before the window, %.1f MB in all "
                "(limit %.1f MB): %s\n",
                kPictureBytes / 1e6, before / 1e6, peak / 1e6, 5 * kPictureBytes / 1e6,
                peak < 5 * kPictureBytes ? "holds" : "EXCEEDED");
    delete FormZoom;
    FormZoom = nullptr;
    return peak < 5 * kPictureBytes ? 0 : 1;
}
