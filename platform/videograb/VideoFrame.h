// A frame of live video as the capture control keeps it, and the two ways it
// leaves the control: scaled into the preview area on every repaint, and
// whole into a picture when a frame is grabbed.
//
// Every capture device hands its frames over as RGB24: three bytes a pixel
// (red, green, blue), rows BytesPerLine apart. libv4l2 converts a camera's
// own format (YUYV, MJPEG, ...) into it, and the synthetic device makes it
// directly.
#pragma once

#include <QImage>
#include <QSize>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

// A frame still in the device's buffer, valid during one delivery only.
struct TFrameView {
    const std::uint8_t* Data = nullptr;
    std::size_t Size = 0;
    int Width = 0;
    int Height = 0;
    int BytesPerLine = 0;
};

// A frame the control owns.
struct TVideoFrame {
    int Width = 0;
    int Height = 0;
    int BytesPerLine = 0;
    std::vector<std::uint8_t> Pixels;

    bool Empty() const { return Width <= 0 || Height <= 0; }
};

// Copies a device buffer into `frame`, reusing its storage. False, with the
// frame left as it was, when the buffer is too short for its size or the
// size makes no sense: a short buffer is a torn frame, never read past.
bool CopyFrame(const TFrameView& view, TVideoFrame& frame);

// The whole frame as a picture (Format_RGB32); null for an empty frame.
QImage FrameToImage(const TVideoFrame& frame);

// The frame scaled by nearest neighbour onto all of `view`, which keeps its
// size and must be Format_RGB32. Only the pixels shown are converted, so a
// large frame in a small view costs little.
void ScaleFrame(const TVideoFrame& frame, QImage& view);

} // namespace platform
