// Loading a large JPEG through the program's picture layer against bare
// libjpeg decoding the same file with the same settings. The layer decodes
// straight into the picture's scanlines, so it should cost little more than
// libjpeg itself; the target is at most 1.3 times the bare time, printed as
// "layer / bare libjpeg" at the end of the run.

#include "platform/gui/ImageFile.h"
#include "platform/gui/TBitmap.h"
#include "platform/gui/TJPEGImage.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

constexpr int kWidth = 5000;
constexpr int kHeight = 4000;
constexpr int kQuality = 100; // what the program saves with

const char* const kLayerName = "LayerJpegIntoBitmap";
const char* const kBareName = "BareLibjpegFromFile";

// Soft gradients, fine stripes and noise: enough detail that the file is
// about as hard to decode as a camera picture.
QImage DetailedPicture()
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    std::uint32_t seed = 1;
    for (int y = 0; y < kHeight; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kWidth; ++x) {
            seed = seed * 1664525 + 1013904223;
            const int noise = static_cast<int>(seed >> 27) - 16;
            const int stripes = ((x / 3 + y / 5) % 7) * 12;
            row[x] = qRgb(std::clamp(x * 200 / kWidth + stripes + noise, 0, 255),
                          std::clamp(y * 200 / kHeight + noise, 0, 255),
                          std::clamp((x ^ y) % 256 + noise / 2, 0, 255));
        }
    }
    return image;
}

// Written once per run, removed with the temporary folder at exit.
const std::string& JpegPath()
{
    static QTemporaryDir dir;
    static const std::string path = [] {
        const std::string file = dir.filePath("bench.jpg").toStdString();
        platform::WriteJpegFile(DetailedPicture(), file, kQuality);
        return file;
    }();
    return path;
}

std::vector<std::uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

// The same settings as the layer: BGRA output, accurate integer DCT,
// several rows per call. Errors end the benchmark; the file is our own.
void DecodeWithBareLibjpeg(const std::vector<std::uint8_t>& file, std::vector<std::uint8_t>& pixels)
{
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_BGRA;
    info.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&info);
    const std::size_t stride = std::size_t{info.output_width} * 4;
    pixels.resize(stride * info.output_height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW rows[16];
        const JDIMENSION first = info.output_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(16, info.output_height - first);
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = pixels.data() + (first + i) * stride;
        jpeg_read_scanlines(&info, rows, count);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
}

// What the picture layer hands to the bitmap: the RGB32 picture of the file.
// The program's own road: a JPEG image object loads the file and hands the
// picture to the bitmap that the workspace draws on.
void LayerJpegIntoBitmap(benchmark::State& state)
{
    const std::string& path = JpegPath();
    for (auto _ : state) {
        TBitmap bitmap;
        TJPEGImage jpeg;
        jpeg.LoadFromFile(path);
        jpeg.AssignTo(bitmap);
        benchmark::DoNotOptimize(bitmap.Image().constBits());
    }
    state.counters["file MB"] = static_cast<double>(ReadFile(path).size()) / 1e6;
    state.counters["megapixels/s"] =
        benchmark::Counter(double{kWidth} * kHeight / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

// Reads the file and decodes it into a buffer kept between iterations, so
// this side does not even pay for allocating the pixels.
void BareLibjpegFromFile(benchmark::State& state)
{
    const std::string& path = JpegPath();
    std::vector<std::uint8_t> pixels;
    for (auto _ : state) {
        const std::vector<std::uint8_t> file = ReadFile(path);
        DecodeWithBareLibjpeg(file, pixels);
        benchmark::DoNotOptimize(pixels.data());
    }
    state.counters["megapixels/s"] =
        benchmark::Counter(double{kWidth} * kHeight / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(LayerJpegIntoBitmap)->Name(kLayerName)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BareLibjpegFromFile)->Name(kBareName)->Unit(benchmark::kMillisecond)->MinTime(3);

// Prints as usual and remembers each benchmark's time for the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter()
        : ConsoleReporter(OO_Tabular)
    {
    }

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration)
                times_[run.run_name.function_name] = run.GetAdjustedRealTime();
    }

    void PrintRatio() const
    {
        const auto layer = times_.find(kLayerName);
        const auto bare = times_.find(kBareName);
        if (layer == times_.end() || bare == times_.end())
            return;
        std::cout << "layer / bare libjpeg: " << layer->second / bare->second << " (target: at most 1.3)\n";
    }

private:
    std::map<std::string, double> times_;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio();
    benchmark::Shutdown();
    return 0;
}
