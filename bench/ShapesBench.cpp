// Drawing labelled shapes of every measuring kind over a 5-megapixel picture
// (2592 x 1944), as the full redraw composes its back buffer: the picture is
// copied in, then every shape draws itself with its name and labels.
//   cmake --build build-bench --target shapes_bench && build-bench/bench/shapes_bench
// (configured as bench/CMakeLists.txt says). The redraw targets, median on
// one core: 1,000 shapes within 16 ms, 10,000 within 40 ms; this measures
// the part of them that the shapes and the canvas own.
#include "platform/gui/TBitmap.h"
#include "settings/MLan.h"
#include "settings/MParam.h"
#include "shapes/MArc.h"
#include "shapes/MCircle.h"
#include "shapes/MEllipse.h"
#include "shapes/MLine.h"
#include "shapes/MPolygon.h"
#include "shapes/MRect.h"
#include "shapes/MTool.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

namespace {

constexpr int kWidth = 2592;
constexpr int kHeight = 1944;
constexpr int kPolygonVertices = 12;

TBitmap& Picture()
{
    static TBitmap picture;
    if (picture.Empty()) {
        QImage image(kWidth, kHeight, QImage::Format_RGB32);
        for (int y = 0; y < kHeight; ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < kWidth; ++x)
                row[x] = qRgb((x * 7) & 0xFF, (y * 3) & 0xFF, ((x + y) * 5) & 0xFF);
        }
        picture.SetImage(image);
    }
    return picture;
}

constexpr int kKinds = 6; // line, rectangle, circle, ellipse, arc, polygon

// Shape i of the given kind, spread over the picture, 30 to 150 pixels
// across, with its name and labels shown and not selected.
std::unique_ptr<MShape> ShapeOfKind(TCanvas* canvas, int kind, int i)
{
    const int x = (i * 379) % (kWidth - 400) + 200;
    const int y = (i * 211) % (kHeight - 400) + 200;
    const int size = 30 + (i * 37) % 120;
    std::unique_ptr<MShape> shape;
    switch (kind) {
    case 0:
        shape = MLine::Create(canvas, x, y, x + size, y + (i * 53) % 240 - 120);
        break;
    case 1:
        shape = MRect::Create(canvas, x, y, x + size, y + size / 2 + 5);
        break;
    case 2:
        shape = MCircle::Create(canvas, {x, y, x + size, y + size});
        break;
    case 3:
        shape = MEllipse::Create(canvas, {x, y, x + size, y + size / 2 + 5});
        break;
    case 4:
        shape = MArc::Create(canvas, {x + size / 2, y}, {x, y + size / 2}, {x - size / 2, y});
        break;
    default: {
        std::vector<TPoint> vertices;
        for (int k = 0; k < kPolygonVertices; ++k) {
            const double angle = 2 * std::numbers::pi * k / kPolygonVertices;
            const double radius = size * (k % 2 == 0 ? 0.5 : 0.35);
            vertices.push_back({x + int(radius * std::cos(angle)), y + int(radius * std::sin(angle))});
        }
        shape = MPolygon::Create(canvas, std::move(vertices));
        break;
    }
    }
    shape->selected = false;
    shape->number = i / kKinds % 999 + 1;
    return shape;
}

// One shape of each kind in turn.
std::unique_ptr<MShape> MixedShape(TCanvas* canvas, int i) { return ShapeOfKind(canvas, i % kKinds, i); }

std::unique_ptr<MShape> LineShape(TCanvas* canvas, int i)
{
    const int x = (i * 379) % (kWidth - 300) + 50;
    const int y = (i * 211) % (kHeight - 300) + 50;
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
    buffer.SetSize(kWidth, kHeight);
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
    buffer.SetSize(kWidth, kHeight);
    for (auto _ : state) {
        buffer.Canvas()->Draw(0, 0, Picture());
        benchmark::DoNotOptimize(buffer.Image().constBits());
    }
}

BENCHMARK(PictureOnly)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(MixedShapes)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(Lines)->Arg(10000)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
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
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
