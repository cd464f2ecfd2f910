// The magnifier on a 20-megapixel camera frame (5472 x 3648): after the
// picture is loaded, with 200 labelled lines on it, the program's peak
// resident memory must stay under five times the picture at 32 bits a pixel,
// and one magnifier update on a mouse move must take under 2 ms (median).
//   cmake --build build-bench --target zoom_bench && build-bench/bench/zoom_bench
// (configured as bench/CMakeLists.txt says).
#include "settings/MParam.h"
#include "shapes/MLine.h"
#include "workspace/MZoom.h"
#include "workspace/Quorvex.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <memory>
#include <vector>

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

void PutLittleEndian(std::vector<char>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(char((value >> (8 * i)) & 0xFF));
}

// A 24-bit bitmap file written row by row, so that making it costs the
// program no picture in memory.
void WriteCameraFrame(const std::string& path)
{
    const std::uint32_t rowBytes = (kWidth * 3 + 3) & ~3u;
    const std::uint32_t pixelBytes = rowBytes * kHeight;
    std::vector<char> header;
    header.push_back('B');
    header.push_back('M');
    PutLittleEndian(header, 54 + pixelBytes, 4);
    PutLittleEndian(header, 0, 4);
    PutLittleEndian(header, 54, 4);
    PutLittleEndian(header, 40, 4);
    PutLittleEndian(header, kWidth, 4);
    PutLittleEndian(header, kHeight, 4);
    PutLittleEndian(header, 1, 2);
    PutLittleEndian(header, 24, 2);
    for (int i = 0; i < 6; ++i)
        PutLittleEndian(header, 0, 4);
    std::ofstream file(path, std::ios::binary);
    file.write(header.data(), std::streamsize(header.size()));
    std::vector<char> row(rowBytes, 0);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            row[std::size_t(x) * 3] = char((x * 7) & 0xFF);
            row[std::size_t(x) * 3 + 1] = char((y * 3) & 0xFF);
            row[std::size_t(x) * 3 + 2] = char(((x + y) * 5) & 0xFF);
        }
        file.write(row.data(), std::streamsize(row.size()));
    }
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
    WriteCameraFrame("Frame.bmp");

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
