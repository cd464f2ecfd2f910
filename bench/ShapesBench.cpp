// Drawing labelled shapes of every measuring kind over a 5-megapixel picture
// (2592 x 1944), as the full redraw composes its back buffer: the picture is
// copied in, then every shape draws itself with its name and labels.
//   cmake --build build-bench --target shapes_bench && build-bench/bench/shapes_bench
// (configured as bench/CMakeLists.txt says). The redraw targets, median on
// one core: 1,000 shapes within 16 ms, 10,000 within 40 ms; this measures
// the part of them that the shapes and the canvas own.
// AddShapes: making 40,000 labelled mixed shapes and listing each in a
// document, where it takes the smallest free serial number of its kind,
// against 20,000, run alternately: twice as many must take at most 2.2 times
// as long (the ratio printed at the end).
#include "bench/Interleaved.h"
#include "bench/MixedShapes.h"
#include "platform/gui/TBitmap.h"
#include "settings/MLan.h"
#include "settings/MParam.h"
#include "shapes/MDocument.h"
#include "shapes/MTool.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

using bench::kPictureHeight;
using bench::kPictureWidth;
using bench::MixedShape;
using bench::ShapeOfKind;

TBitmap& Picture()
{
    static TBitmap picture;
    if (picture.Empty())
        picture.SetImage(bench::PatternPicture());
    return picture;
}

std::unique_ptr<MShape> LineShape(TCanvas* canvas, int i)
{
    const int x = (i * 379) % (kPictureWidth - 300) + 50;
    const int y = (i * 211) % (kPictureHeight - 300) + 50;
    auto line = MLine::Create(canvas, x, y, x + (i * 37) % 240 - 120, y + (i * 53) % 240 - 119);
    line->selected = false;
    line->number = i % 999 + 1;
    return line;
}

template<typename Make>
void DrawShapes(benchmark::State& state, Make make)
{
    MParam::ResetForTesting();
    MParam::GetInstance()->SetBool(OPT_VIEW_MARK, true, false);
    MParam::GetInstance()->SetBool(OPT_VIEW_NAME, true, false);
    TBitmap buffer;
    buffer.SetSize(kPictureWidth, kPictureHeight);
    TCanvas* canvas = buffer.Canvas();
    MTool::GetInstance()->SetCanvas(canvas);
    std::vector<std::unique_ptr<MShape>> shapes;
    for (int i = 0; i < state.range(0); ++i)
        shapes.push_back(make(canvas, i));
    for (auto _ : state) {
        canvas->Draw(0, 0, Picture());
        for (const auto& shape : shapes)
            shape->Draw(DRAW_NORMAL, canvas);
        benchmark::DoNotOptimize(buffer.Image().constBits());
    }
    state.counters["shapes"] = double(shapes.size());
    MTool::GetInstance()->SetCanvas(nullptr);
}

void MixedShapes(benchmark::State& state) { DrawShapes(state, MixedShape); }
void Lines(benchmark::State& state) { DrawShapes(state, LineShape); }
// Shapes of one kind (the second argument, in the order of ShapeOfKind), to
// see which kind costs what.
void OneKind(benchmark::State& state)
{
    const int kind = int(state.range(1));
    DrawShapes(state, [kind](TCanvas* canvas, int i) { return ShapeOfKind(canvas, kind, i); });
}

// The picture alone, the floor under every redraw.
void PictureOnly(benchmark::State& state)
{
    TBitmap buffer;
    buffer.SetSize(kPictureWidth, kPictureHeight);
    for (auto _ : state) {
        buffer.Canvas()->Draw(0, 0, Picture());
        benchmark::DoNotOptimize(buffer.Image().constBits());
    }
}

// Each shape is listed as soon as it is made, as when the operator draws
// them; the document is freed again. A: 40,000 shapes, B: 20,000.
void MakeAndList(int count)
{
    MDocument document;
    for (int i = 0; i < count; ++i)
        document.AddShape(MixedShape(nullptr, i));
}

void AddShapes(benchmark::State& state)
{
    bench::Interleave(state, "making and listing 40,000 shapes / 20,000", 2.2, [] { MakeAndList(40000); },
                      [] { MakeAndList(20000); });
}

BENCHMARK(PictureOnly)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(MixedShapes)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(Lines)->Arg(10000)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(AddShapes)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(15);
BENCHMARK(OneKind)
    ->ArgsProduct({{10000}, {0, 1, 2, 3, 4, 5}})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    MLan::GetInstance()->SetLanguage(LAN_ENGLISH);
    return bench::RunInterleavedBenchmarks(argc, argv);
}
