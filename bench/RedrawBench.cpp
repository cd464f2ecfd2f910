// Full redraw of the main window over a 2592 x 1944 picture: the back buffer
// composed from the picture and every shape with its name and labels, then
// shown in the paint box.
// - Lines: 1,000 lines of every direction and length.
// - DistinctLabels: 10,000 lines whose labels all differ, more texts than the
//   canvases' shared cache of shaped texts holds.
// - MixedShapes: lines, rectangles, circles, ellipses, arcs and 12-point
//   polygons in turn, 1,000 and 10,000 of them.
//   cmake --build build-bench --target redraw_bench && taskset -c 2 build-bench/bench/redraw_bench
// (configured as bench/CMakeLists.txt says; one core). Targets, median:
// 1,000 shapes within 16 ms, 10,000 within 40 ms.
#include "bench/MixedShapes.h"
#include "bench/QtBenchmarkMain.h"
#include "platform/gui/TBitmap.h"
#include "settings/MParam.h"
#include "shapes/MLine.h"
#include "workspace/Quorvex.h"

#include <benchmark/benchmark.h>

namespace {

using bench::kPictureHeight;
using bench::kPictureWidth;

// Lines of every direction and length, spread over the picture.
std::unique_ptr<MShape> LineShape(TCanvas* canvas, int i)
{
    const int x = (i * 379) % (kPictureWidth - 300) + 50;
    const int y = (i * 211) % (kPictureHeight - 300) + 50;
    const int dx = (i * 37) % 240 - 120;
    const int dy = (i * 53) % 240 - 120;
    return MLine::Create(canvas, x, y, x + dx, y + dy + 1);
}

template <typename Make>
void Redraw(benchmark::State& state, Make make)
{
    TFormMeasure form;
    form.ImageBitmap->SetImage(bench::PatternPicture());
    MParam::GetInstance()->SetBool(OPT_VIEW_MARK, true, false);
    MParam::GetInstance()->SetBool(OPT_VIEW_NAME, true, false);
    for (int i = 0; i < state.range(0); ++i) {
        MShape* shape = form.AddShape(make(form.ImagePaint->Canvas(), i));
        shape->selected = false;
        shape->marked = true;
    }
    for (auto _ : state)
        form.RedrawImage();
    state.counters["shapes"] = double(form.ShapeList.size());
}

// Lines of 10,000 different lengths, so that every label is a text of its own.
std::unique_ptr<MShape> DistinctLine(TCanvas* canvas, int i)
{
    const int x = (i * 379) % (kPictureWidth - 300) + 50;
    const int y = (i * 211) % (kPictureHeight - 300) + 50;
    return MLine::Create(canvas, x, y, x + 40 + i % 200, y + 1 + i / 200);
}

void Lines(benchmark::State& state) { Redraw(state, LineShape); }
void DistinctLabels(benchmark::State& state) { Redraw(state, DistinctLine); }
void MixedShapes(benchmark::State& state) { Redraw(state, bench::MixedShape); }

BENCHMARK(Lines)->Arg(1000)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(DistinctLabels)->Arg(10000)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(MixedShapes)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv)
{
    return RunQtBenchmarks(argc, argv);
}
