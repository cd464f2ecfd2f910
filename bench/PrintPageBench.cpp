// Composing the printed page of a 5-megapixel picture (2592 x 1944) with the
// information block and 40 lines of shape attributes, as the preview shows
// it and the printer prints it; once at its own size and once magnified.
//   cmake --build build-bench --target print_page_bench && build-bench/bench/print_page_bench
// (configured as bench/CMakeLists.txt says). Must stay under 150 ms a page.
#include "bench/PatternPicture.h"
#include "bench/QtBenchmarkMain.h"
#include "workspace/MImagePrint.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

void ComposePage(benchmark::State& state)
{
    const QImage picture = bench::PatternPicture();
    TFormImagePrint page;
    page.ApplyLanguage();
    page.ShowInfo({"Wafer 7", "Lab 2", "Operator", "2026-12-10", "A-17", "1:35"});
    std::vector<std::string> lines;
    for (int i = 0; i < 40; ++i) {
        std::string line = std::to_string(i + 1);
        line.insert(0, 1, 'L');
        line.resize(20, ' ');
        line += '\t';
        line += std::to_string(i * 1.25);
        line += " mm\t\n";
        lines.push_back(std::move(line));
    }
    page.ShowAttributes(lines);
    // Range 0: unscaled; 1: magnified 1.5 times (3888 x 2916).
    using bench::kPictureHeight;
    using bench::kPictureWidth;
    const TSize size = state.range(0) == 0 ? TSize{kPictureWidth, kPictureHeight}
                                           : TFormImagePrint::MagnifiedSize(kPictureWidth, kPictureHeight, 52.5, 35.0);
    for (auto _ : state) {
        page.LayOut(size.cx, size.cy);
        const QImage image = page.GetFormImage(picture);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["megapixels"] = double(size.cx) * size.cy / 1e6;
}
BENCHMARK(ComposePage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv)
{
    return RunQtBenchmarks(argc, argv);
}
