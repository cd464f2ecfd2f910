// Mouse moves while a line is drawn: its rubber band follows the mouse over a
// 5-megapixel camera frame (2592 x 1944) and a 64-megapixel picture
// (8000 x 8000), with the magnifier shown, the picture carrying 10,000 lines
// (A) against 200 (B), run alternately. One move must take under 2 ms
// (median) on the first and under 8 ms on the second, since a move puts back
// only what the last band covered and the magnifier draws only what reaches
// its view.
//   cmake --build build-bench --target drawing_bench && taskset -c 3 build-bench/bench/drawing_bench
// (configured as bench/CMakeLists.txt says).
#include "CameraFrame.h"
#include "Interleaved.h"
#include "QtBenchmarkMain.h"

#include "shapes/MLine.h"
#include "workspace/MZoom.h"
#include "workspace/Quorvex.h"

#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

namespace {

// A main window over the picture with `lines` lines on it and a line being
// drawn from its middle; `angle` steps the mouse round 400 pixels from
// there, so the band and the magnifier's block change at every move.
class DrawingALine {
public:
    DrawingALine(const std::string& picture, int width, int height, int lines) : cx_(width / 2), cy_(height / 2)
    {
        if (!form_.LoadImageFile(picture))
            return;
        for (int i = 0; i < lines; ++i) {
            const int x = (i * 379) % (width - 300) + 50;
            const int y = (i * 211) % (height - 300) + 50;
            form_.AddShape(MLine::Create(form_.ImagePaint->Canvas(), x, y, x + (i * 37) % 240 - 120, y + 60))
                ->selected = false;
        }
        form_.RedrawImage();
        form_.MenuLineClick();
        form_.ImagePaintMouseMove(0, cx_, cy_);
        form_.ImagePaintMouseDown(mbLeft, ssLeft, cx_, cy_);
        form_.ImagePaintMouseUp(mbLeft, 0, cx_, cy_);
    }
    bool Drawing() const { return form_.PendingShape() != nullptr; }
    void Move()
    {
        angle_ += 0.01;
        form_.ImagePaintMouseMove(0, cx_ + int(400 * std::cos(angle_)), cy_ + int(400 * std::sin(angle_)));
    }

private:
    TFormMeasure form_;
    int cx_, cy_;
    double angle_ = 0;
};

void MoveWhileDrawingALine(benchmark::State& state)
{
    const int width = int(state.range(0));
    const int height = int(state.range(1));
    QTemporaryDir folder;
    const std::string frame = QDir(folder.path()).filePath("Frame.bmp").toStdString();
    WriteCameraFrame(frame, width, height);
    FormZoom = new TFormZoom;
    FormZoom->show();
    {
        DrawingALine many(frame, width, height, 10000);
        DrawingALine few(frame, width, height, 200);
        if (!many.Drawing() || !few.Drawing()) {
            state.SkipWithError("no line was being drawn");
        } else {
            const std::string what = "a move while drawing a line on " + std::to_string(width) + " x " +
                                     std::to_string(height) + ", 10,000 lines / 200";
            bench::Interleave(state, what, 0, [&] { many.Move(); }, [&] { few.Move(); });
        }
    }
    delete FormZoom;
    FormZoom = nullptr;
}
BENCHMARK(MoveWhileDrawingALine)
    ->Args({2592, 1944})
    ->Args({8000, 8000})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(2000);

} // namespace

int main(int argc, char** argv)
{
    return RunInterleavedQtBenchmarks(argc, argv, "Goals, A: under 2 ms a move on 2592 x 1944, under 8 ms on 8000 x 8000.");
}
