#include "platform/videograb/VideoFrame.h"

#include <algorithm>
#include <limits>

namespace platform {

namespace {

// The frame's bytes: every row but the last in full, and the pixels of the last.
bool FitsInto(std::size_t size, TPixelFormat format, int width, int height, int bytesPerLine)
{
    if (width <= 0 || height <= 0 || bytesPerLine < RowBytes(format, width))
        return false;
    const std::uint64_t needed =
        std::uint64_t(bytesPerLine) * std::uint64_t(height - 1) + std::uint64_t(RowBytes(format, width));
    return needed <= size;
}

inline int Clamp8(int value) { return value < 0 ? 0 : value > 255 ? 255 : value; }

// The BT.601 terms of each sample value, worked out once: a frame's worth of
// pixels then costs a few additions each.
struct TYuvTables {
    int Luma[256];      // 298 * (y - 16) + 128
    int RedV[256];      // 409 * (v - 128)
    int GreenUV[256][2]; // -100 * (u - 128), -208 * (v - 128)
    int BlueU[256];     // 516 * (u - 128)
    // A channel's sum, shifted down, clamped to 0..255: it runs from about
    // -300 to +560, indexed from kClampBias.
    static constexpr int kClampBias = 512;
    std::uint8_t Clamp[1536];

    TYuvTables()
    {
        for (int i = 0; i < 1536; ++i)
            Clamp[i] = std::uint8_t(Clamp8(i - kClampBias));
        for (int i = 0; i < 256; ++i) {
            Luma[i] = 298 * (i - 16) + 128;
            RedV[i] = 409 * (i - 128);
            GreenUV[i][0] = -100 * (i - 128);
            GreenUV[i][1] = -208 * (i - 128);
            BlueU[i] = 516 * (i - 128);
        }
    }
};

const TYuvTables& YuvTables()
{
    static const TYuvTables tables;
    return tables;
}

struct TChroma {
    int Red, Green, Blue;
};

inline TChroma ChromaOf(const TYuvTables& t, int u, int v)
{
    return {t.RedV[v], t.GreenUV[u][0] + t.GreenUV[v][1], t.BlueU[u]};
}

inline QRgb Pixel(const TYuvTables& t, int y, TChroma c)
{
    const int luma = t.Luma[y];
    const std::uint8_t* clamp = t.Clamp + TYuvTables::kClampBias;
    return qRgb(clamp[(luma + c.Red) >> 8], clamp[(luma + c.Green) >> 8], clamp[(luma + c.Blue) >> 8]);
}

// Scales one row: `column` holds, for each view pixel, the offset of its
// source pixel (RGB24) or of its source pixel pair (YUYV, with the low bit
// telling which of the two).
void ScaleRgbRow(const std::uint8_t* source, const std::vector<std::size_t>& columns, QRgb* target)
{
    for (std::size_t x = 0; x < columns.size(); ++x) {
        const std::uint8_t* p = source + columns[x];
        target[x] = qRgb(p[0], p[1], p[2]);
    }
}

void ScaleYuyvRow(const std::uint8_t* source, const std::vector<std::size_t>& columns, QRgb* target)
{
    const TYuvTables& t = YuvTables();
    for (std::size_t x = 0; x < columns.size(); ++x) {
        const std::uint8_t* pair = source + (columns[x] & ~std::size_t(1));
        target[x] = Pixel(t, pair[(columns[x] & 1) * 2], ChromaOf(t, pair[1], pair[3]));
    }
}

// A row shown at its own width: each pair's colour is worked out once for
// both its pixels.
void ConvertYuyvRow(const std::uint8_t* pair, int width, QRgb* target)
{
    const TYuvTables& t = YuvTables();
    int x = 0;
    for (; x + 1 < width; x += 2, pair += 4) {
        const TChroma chroma = ChromaOf(t, pair[1], pair[3]);
        target[x] = Pixel(t, pair[0], chroma);
        target[x + 1] = Pixel(t, pair[2], chroma);
    }
    if (x < width)
        target[x] = Pixel(t, pair[0], ChromaOf(t, pair[1], pair[3]));
}

} // namespace

std::int64_t RowBytes(TPixelFormat format, std::int64_t width)
{
    return format == TPixelFormat::Yuyv ? (width + 1) / 2 * 4 : width * 3;
}

QRgb YuvToRgb(int y, int u, int v)
{
    const TYuvTables& t = YuvTables();
    return Pixel(t, std::clamp(y, 0, 255), ChromaOf(t, std::clamp(u, 0, 255), std::clamp(v, 0, 255)));
}

bool CopyFrame(const TFrameView& view, TVideoFrame& frame)
{
    if (!view.Data || view.Width > std::numeric_limits<int>::max() / 4
        || !FitsInto(view.Size, view.Format, view.Width, view.Height, view.BytesPerLine))
        return false;
    const std::size_t rowBytes = std::size_t(RowBytes(view.Format, view.Width));
    frame.Width = view.Width;
    frame.Height = view.Height;
    frame.Format = view.Format;
    frame.BytesPerLine = int(rowBytes);
    frame.Pixels.resize(rowBytes * std::size_t(view.Height));
    if (view.BytesPerLine == int(rowBytes)) {
        std::copy_n(view.Data, frame.Pixels.size(), frame.Pixels.data());
    } else {
        for (int y = 0; y < view.Height; ++y)
            std::copy_n(view.Data + std::size_t(y) * std::size_t(view.BytesPerLine), rowBytes,
                        frame.Pixels.data() + std::size_t(y) * rowBytes);
    }
    return true;
}

QImage FrameToImage(const TVideoFrame& frame)
{
    if (frame.Empty())
        return {};
    QImage image(frame.Width, frame.Height, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    ScaleFrame(frame, image);
    return image;
}

void ScaleFrame(const TVideoFrame& frame, QImage& view)
{
    if (frame.Empty() || view.isNull() || view.format() != QImage::Format_RGB32)
        return;
    const int width = view.width();
    const int height = view.height();
    const bool yuyv = frame.Format == TPixelFormat::Yuyv;
    // Worked out once a frame: where in a source row each view pixel comes from.
    std::vector<std::size_t> columns(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x) {
        const std::size_t source = std::size_t(std::int64_t(x) * frame.Width / width);
        columns[std::size_t(x)] = yuyv ? source / 2 * 4 + (source & 1) : source * 3;
    }
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row =
            frame.Pixels.data() + std::size_t(std::int64_t(y) * frame.Height / height) * std::size_t(frame.BytesPerLine);
        auto* target = reinterpret_cast<QRgb*>(view.scanLine(y));
        if (yuyv && width == frame.Width)
            ConvertYuyvRow(row, width, target);
        else if (yuyv)
            ScaleYuyvRow(row, columns, target);
        else
            ScaleRgbRow(row, columns, target);
    }
}

} // namespace platform
