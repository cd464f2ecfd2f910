// A frame of live video as the capture control keeps it, and the two ways it
// leaves the control: scaled into the preview area on every repaint, and
// whole into a picture when a frame is grabbed.
//
// Frames come in one of two layouts. YUYV (two pixels in four bytes: Y0 U
// Y1 V, BT.601 studio range) is what most USB and microscope cameras send;
// it is taken as it comes and converted only where it is shown, so a large
// frame in a small view costs little. Any other camera format (MJPEG, ...)
// reaches the control as RGB24 (three bytes a pixel: red, green, blue),
// converted by libv4l2.
#pragma once

#include <QImage>
#include <QSize>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

enum class TPixelFormat { Rgb24, Yuyv };

// A frame still in the device's buffer, valid during one delivery only.
struct TFrameView {
    const std::uint8_t* Data = nullptr;
    std::size_t Size = 0;
    int Width = 0;
    int Height = 0;
    int BytesPerLine = 0;
    TPixelFormat Format = TPixelFormat::Rgb24;
};

// A frame the control owns.
struct TVideoFrame {
    int Width = 0;
    int Height = 0;
    int BytesPerLine = 0;
    TPixelFormat Format = TPixelFormat::Rgb24;
    std::vector<std::uint8_t> Pixels;

    bool Empty() const { return Width <= 0 || Height <= 0; }
};

// The bytes one row of pixels takes (a YUYV row holds whole pixel pairs).
std::int64_t RowBytes(TPixelFormat format, std::int64_t width);

// Copies a device buffer into `frame`, reusing its storage. False, with the
// frame left as it was, when the buffer is too short for its size or the
// size makes no sense: a short buffer is a torn frame, never read past.
bool CopyFrame(const TFrameView& view, TVideoFrame& frame);

// The whole frame as a picture (Format_RGB32); null for an empty frame.
QImage FrameToImage(const TVideoFrame& frame);

// The frame scaled by nearest neighbour onto all of `view`, which keeps its
// size and must be Format_RGB32. Only the pixels shown are converted.
void ScaleFrame(const TVideoFrame& frame, QImage& view);

// One YUYV sample as RGB (BT.601, studio range), for the synthetic camera's
// pattern and for tests.
QRgb YuvToRgb(int y, int u, int v);

} // namespace platform
