// Full redraw of the main window: a 2592 x 1944 picture with 1,000 lines,
// their labels shown, composed in the back buffer and copied to the paint box.
//   cmake --build build-bench --target redraw_bench && build-bench/bench/redraw_bench
// (configured as bench/CMakeLists.txt says). Must stay under 16 ms a redraw.
#include "bench/QtBenchmarkMain.h"
#include "platform/gui/TBitmap.h"
#include "settings/MParam.h"
#include "shapes/MLine.h"
#include "workspace/Quorvex.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kWidth = 2592;
constexpr int kHeight = 1944;
constexpr int kLines = 1000;

void RedrawImage(benchmark::State& state)
{
    TFormMeasure form;
    QImage picture(kWidth, kHeight, QImage::Format_RGB32);
    for (int y = 0; y < kHeight; ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < kWidth; ++x)
            row[x] = qRgb((x * 7) & 0xFF, (y * 3) & 0xFF, ((x + y) * 5) & 0xFF);
    }
    form.ImageBitmap->SetImage(picture);
    MParam::GetInstance()->SetBool(OPT_VIEW_MARK, true, false);
    MParam::GetInstance()->SetBool(OPT_VIEW_NAME, true, false);
    // Lines of every direction and length, spread over the picture, each
    // with its length label; none selected.
    for (int i = 0; i < kLines; ++i) {
        const int x = (i * 379) % (kWidth - 300) + 50;
        const int y = (i * 211) % (kHeight - 300) + 50;
        const int dx = (i * 37) % 240 - 120;
        const int dy = (i * 53) % 240 - 120;
        MShape* line = form.AddShape(MLine::Create(form.ImagePaint->Canvas(), x, y, x + dx, y + dy + 1));
        line->selected = false;
        line->marked = true;
    }
    for (auto _ : state)
        form.RedrawImage();
    state.counters["shapes"] = double(form.ShapeList.size());
}
BENCHMARK(RedrawImage)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv)
{
    return RunQtBenchmarks(argc, argv);
}
