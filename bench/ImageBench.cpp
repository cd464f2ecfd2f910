// Opening pictures and starting the program, each against a plain reference
// measured in the same run:
// - JPEG: the program's picture layer (a JPEG image object loads the file and
//   hands the picture to a bitmap) against bare libjpeg reading the same file
//   and decoding it with the same settings; both decode into a new picture
//   every time. Target: at most 1.3 times the bare time.
// - BMP: the program's bitmap loading against Qt's own BMP reader.
// (Start-up is startup_bench's: it starts the whole program as a process.)
// The pictures: a hard JPEG (5000 x 4000, quality 100, fine detail and
// noise), a camera-like JPEG (5472 x 3648, quality 92, colour subsampled
// 4:2:0, smooth light and soft detail) and the same camera picture as a
// 24-bit BMP; with --picture=FILE a .jpg or .bmp file of your own as well.
// Each comparison runs A and B alternately. Each load also reports its peak
// memory beyond what was resident before, as a multiple of the picture's
// pixels at 32 bits.
//   cmake --build build-bench --target image_bench && build-bench/bench/image_bench [--picture=FILE]
// (configured as bench/CMakeLists.txt says).

#include "Interleaved.h"
#include "PictureArgument.h"
#include "PeakMemory.h"

#include "platform/gui/ImageFile.h"
#include "platform/gui/TBitmap.h"
#include "platform/gui/TJPEGImage.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

constexpr int kHardWidth = 5000;
constexpr int kHardHeight = 4000;
constexpr int kCameraWidth = 5472;
constexpr int kCameraHeight = 3648;
constexpr int kCameraQuality = 92;

// ---------------------------------------------------------------- pictures

QTemporaryDir& Folder()
{
    static QTemporaryDir folder;
    return folder;
}

std::string InFolder(const char* name) { return Folder().filePath(QString::fromLatin1(name)).toStdString(); }

// Fine stripes and strong noise: about as hard to decode as a JPEG gets.
QImage HardPicture()
{
    QImage image(kHardWidth, kHardHeight, QImage::Format_RGB32);
    std::uint32_t seed = 1;
    for (int y = 0; y < kHardHeight; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kHardWidth; ++x) {
            seed = seed * 1664525 + 1013904223;
            const int noise = static_cast<int>(seed >> 27) - 16;
            const int stripes = ((x / 3 + y / 5) % 7) * 12;
            row[x] = qRgb(std::clamp(x * 200 / kHardWidth + stripes + noise, 0, 255),
                          std::clamp(y * 200 / kHardHeight + noise, 0, 255),
                          std::clamp((x ^ y) % 256 + noise / 2, 0, 255));
        }
    }
    return image;
}

// The camera picture: light falling off toward the corners, soft round
// detail as under a microscope, and a little sensor noise.
QImage CameraPicture()
{
    std::vector<double> wave(1024);
    for (std::size_t i = 0; i < wave.size(); ++i)
        wave[i] = std::sin(2 * 3.141592653589793 * double(i) / double(wave.size()));
    QImage image(kCameraWidth, kCameraHeight, QImage::Format_RGB32);
    std::uint32_t seed = 1;
    for (int y = 0; y < kCameraHeight; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        const double dy = (y - kCameraHeight / 2.0) / kCameraHeight;
        for (int x = 0; x < kCameraWidth; ++x) {
            seed = seed * 1664525 + 1013904223;
            const double dx = (x - kCameraWidth / 2.0) / kCameraWidth;
            const double light = 170 - 160 * (dx * dx + dy * dy);
            const double detail =
                25 * wave[std::size_t(x / 7 + y / 11) % 1024] * wave[std::size_t(x / 13 + y / 3) % 1024];
            const int value = int(light + detail) + int(seed >> 29) - 4;
            row[x] = qRgb(std::clamp(value + 10, 0, 255), std::clamp(value, 0, 255), std::clamp(value - 20, 0, 255));
        }
    }
    return image;
}

// Written with libjpeg's defaults for colour pictures, which subsample the
// colour 4:2:0 as cameras do (the program's own writer keeps full colour
// at this quality).
void WriteCameraJpeg(const QImage& picture, const std::string& path)
{
    FILE* out = std::fopen(path.c_str(), "wb");
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, out);
    info.image_width = JDIMENSION(picture.width());
    info.image_height = JDIMENSION(picture.height());
    info.input_components = 4;
    info.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, kCameraQuality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(picture.constScanLine(int(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(out);
}

bool IsJpeg(const std::string& path) { return QString::fromStdString(path).endsWith(".jpg", Qt::CaseInsensitive); }

// ---------------------------------------------------------------- loading

std::vector<std::uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

// The layer's settings: 32-bit output straight into the picture's rows,
// accurate integer DCT, several rows per call. The file is our own or the
// operator's choice; an error ends the run.
QImage DecodeWithBareLibjpeg(const std::vector<std::uint8_t>& file)
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
    QImage image(int(info.output_width), int(info.output_height), QImage::Format_RGB32);
    while (info.output_scanline < info.output_height) {
        JSAMPROW rows[16];
        const JDIMENSION first = info.output_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(16, info.output_height - first);
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = image.scanLine(int(first + i));
        jpeg_read_scanlines(&info, rows, count);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return image;
}

QImage LoadWithLayer(const std::string& path)
{
    TBitmap bitmap;
    if (IsJpeg(path)) {
        TJPEGImage jpeg;
        jpeg.LoadFromFile(path);
        jpeg.AssignTo(bitmap);
    } else {
        bitmap.LoadFromFile(path);
    }
    return bitmap.Image();
}

QImage LoadWithReference(const std::string& path)
{
    if (IsJpeg(path))
        return DecodeWithBareLibjpeg(ReadFile(path));
    return QImage(QString::fromStdString(path), "BMP");
}

// A: the layer, B: the reference, alternately. The peak memory of each
// load beyond what was resident, as a multiple of the picture's pixels at
// 32 bits, is measured once beforehand.
void Load(benchmark::State& state, const std::string& what, const std::string& path)
{
    QImage picture;
    const double growth = PeakGrowth([&] { picture = LoadWithLayer(path); });
    const double referenceGrowth = PeakGrowth([&] { picture = LoadWithReference(path); });
    if (picture.isNull()) {
        state.SkipWithError(("cannot load " + path).c_str());
        return;
    }
    const double pictureBytes = double(picture.width()) * picture.height() * 4;
    picture = QImage();
    const auto load = [&](QImage (*loader)(const std::string&)) {
        const QImage loaded = loader(path);
        benchmark::DoNotOptimize(loaded.constBits());
    };
    bench::Interleave(state, what, IsJpeg(path) ? 1.3 : 0, [&] { load(LoadWithLayer); },
                      [&] { load(LoadWithReference); });
    state.counters["peak/picture"] = growth / pictureBytes;
    state.counters["reference_peak/picture"] = referenceGrowth / pictureBytes;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::string ownPicture = bench::TakePictureArgument(argc, argv);
    QApplication application(argc, argv);

    std::cout << "Writing the pictures..." << std::endl;
    const std::string hard = InFolder("hard.jpg");
    platform::WriteJpegFile(HardPicture(), hard, 100);
    const std::string cameraJpeg = InFolder("camera.jpg");
    const std::string cameraBmp = InFolder("camera.bmp");
    {
        const QImage camera = CameraPicture();
        WriteCameraJpeg(camera, cameraJpeg);
        platform::WriteBmpFile(camera, cameraBmp);
    }

    std::vector<std::pair<std::string, std::string>> pictures{
        {"HardJpeg", hard}, {"CameraJpeg", cameraJpeg}, {"CameraBmp", cameraBmp}};
    if (!ownPicture.empty())
        pictures.emplace_back("OwnPicture", ownPicture);

    for (const auto& [name, path] : pictures) {
        const std::string what = "loading " + name + (IsJpeg(path) ? ", layer / bare libjpeg" : ", layer / Qt's reader");
        benchmark::RegisterBenchmark(("Load" + name).c_str(), Load, what, path)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime()
            ->Iterations(9);
    }
    const int result = bench::RunInterleavedBenchmarks(argc, argv);
    std::cout << "Targets: JPEG loading at most 1.3 times bare libjpeg.\n";
    return result;
}
