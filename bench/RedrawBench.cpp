// Full redraw of the main window over a 2592 x 1944 picture: the back buffer
// composed from the picture and every shape with its name and labels, then
// shown in the paint box. Each comparison runs A and B alternately:
// - labelled mixed shapes (lines, rectangles, circles, ellipses, arcs and
//   12-point polygons in turn), 10,000 of them against 1,000;
// - 10,000 lines whose labels all differ (more texts than the canvases'
//   shared cache of shaped texts holds) against 10,000 lines whose labels
//   repeat.
//   cmake --build build-bench --target redraw_bench && taskset -c 3 build-bench/bench/redraw_bench
// (configured as bench/CMakeLists.txt says; one core). Targets, median:
// 1,000 mixed shapes within 16 ms, 10,000 within 30 ms.
#include "bench/Interleaved.h"
#include "bench/MixedShapes.h"
#include "bench/QtBenchmarkMain.h"
#include "platform/gui/TBitmap.h"
#include "settings/MParam.h"
#include "shapes/MLine.h"
#include "workspace/Quorvex.h"

#include <benchmark/benchmark.h>

#include <memory>

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

// Lines of 10,000 different lengths, so that every label is a text of its own.
std::unique_ptr<MShape> DistinctLine(TCanvas* canvas, int i)
{
    const int x = (i * 379) % (kPictureWidth - 300) + 50;
    const int y = (i * 211) % (kPictureHeight - 300) + 50;
    return MLine::Create(canvas, x, y, x + 40 + i % 200, y + 1 + i / 200);
}

// The main window over the pattern picture with `count` shapes made by
// `make`, names and labels shown, none selected.
std::unique_ptr<TFormMeasure> WindowWith(int count, std::unique_ptr<MShape> (*make)(TCanvas*, int))
{
    auto form = std::make_unique<TFormMeasure>();
    form->ImageBitmap->SetImage(bench::PatternPicture());
    MParam::GetInstance()->SetBool(OPT_VIEW_MARK, true, false);
    MParam::GetInstance()->SetBool(OPT_VIEW_NAME, true, false);
    for (int i = 0; i < count; ++i) {
        MShape* shape = form->AddShape(make(form->ImagePaint->Canvas(), i));
        shape->selected = false;
        shape->marked = true;
    }
    form->RedrawImage();
    return form;
}

void Compare(benchmark::State& state, const char* what, TFormMeasure& a, TFormMeasure& b)
{
    bench::Interleave(state, what, 0, [&] { a.RedrawImage(); }, [&] { b.RedrawImage(); });
}

void MixedShapes(benchmark::State& state)
{
    const auto many = WindowWith(10000, bench::MixedShape);
    const auto few = WindowWith(1000, bench::MixedShape);
    Compare(state, "full redraw, 10,000 labelled mixed shapes / 1,000", *many, *few);
}

void DistinctLabels(benchmark::State& state)
{
    const auto distinct = WindowWith(10000, DistinctLine);
    const auto repeating = WindowWith(10000, LineShape);
    Compare(state, "full redraw, 10,000 lines with distinct labels / with repeating labels", *distinct, *repeating);
}

BENCHMARK(MixedShapes)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(40);
BENCHMARK(DistinctLabels)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(40);

} // namespace

int main(int argc, char** argv)
{
    return RunInterleavedQtBenchmarks(argc, argv, "Goals: 10,000 mixed shapes (A) within 30 ms, 1,000 (B) within 16 ms.");
}
