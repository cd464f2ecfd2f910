// Feeds frames of any shape and length, as a driver might hand them over, to
// the control's frame copy and preview scaling: a frame is either refused or
// copied and scaled, never read past its buffer.

#include "platform/videograb/VideoFrame.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The first bytes give the frame's and the view's shape, the rest is the buffer.
    struct Shape {
        std::int16_t Width, Height, BytesPerLine;
        std::uint8_t ViewWidth, ViewHeight, Format;
    } shape;
    if (size < sizeof shape)
        return 0;
    std::memcpy(&shape, data, sizeof shape);
    const platform::TFrameView view{data + sizeof shape, size - sizeof shape, shape.Width, shape.Height,
                                    shape.BytesPerLine,
                                    shape.Format % 2 ? platform::TPixelFormat::Yuyv : platform::TPixelFormat::Rgb24};
    platform::TVideoFrame frame;
    if (!platform::CopyFrame(view, frame))
        return 0;
    QImage preview(shape.ViewWidth + 1, shape.ViewHeight + 1, QImage::Format_RGB32);
    platform::ScaleFrame(frame, preview);
    if (std::int64_t(frame.Width) * frame.Height <= 1 << 16)
        platform::FrameToImage(frame);
    return 0;
}
