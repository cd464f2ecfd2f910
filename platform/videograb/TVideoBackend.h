// What stands behind the capture control: one kind of capture device (V4L2
// cameras, or the synthetic test-pattern device). The control keeps the
// device-independent part (packed sizes, the amplifier records, the frame in
// view, grabs, events); a backend lists, opens and streams its devices and
// hands every frame to the control through a sink, from the event loop.
//
// Which backend a control gets is chosen when it is initialized: the
// synthetic device when the environment variable QUORVEX_CAMERA is
// "synthetic", V4L2 otherwise. Tests choose with SetVideoBackendFactoryForTesting.
#pragma once

#include "platform/gui/GuiTypes.h"
#include "platform/videograb/TVideoAmpRange.h"
#include "platform/videograb/VideoFrame.h"

#include <QVariant>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// The frame sizes a device offers: the size it starts with, the smallest
// (which the capture window also steps by) and the largest.
struct TVideoSizes {
    TSize Default;
    TSize Min;
    TSize Max;
};

class TVideoBackend {
public:
    // A frame arrived while streaming; valid during the call only.
    using FrameSink = std::function<void(const TFrameView&)>;
    // Streaming ended by itself (the device went away); Error() says why.
    using LostSink = std::function<void()>;

    virtual ~TVideoBackend() = default;

    void SetSinks(FrameSink frame, LostSink lost)
    {
        frameSink_ = std::move(frame);
        lostSink_ = std::move(lost);
    }

    // Opens the first capture device found. False when there is none.
    virtual bool OpenFirstDevice() = 0;
    // The names of the capture devices present, each one unique. False
    // when the devices cannot be listed.
    virtual bool ListDevices(std::vector<std::string>& names) = 0;
    // Closes the device in use and opens the named one; its frame size
    // becomes its default.
    virtual bool OpenDevice(const std::string& name) = 0;
    virtual void CloseDevice() = 0;
    virtual bool IsOpen() const = 0;

    virtual TVideoSizes Sizes() const = 0;
    // The frame size the next StartStreaming asks the device for.
    virtual void SetFrameSize(TSize size) = 0;

    // Fills the record of one amplifier property from the device; a property
    // the device lacks gives a disabled record.
    virtual void ReadControl(int property, TVideoAmpRange& record) = 0;
    // Sets a property and reads back what the device took into `current`.
    virtual bool WriteControl(int property, int value, int& current) = 0;

    virtual bool StartStreaming() = 0;
    // Never fails; stopping a device that has gone away only frees buffers.
    virtual void StopStreaming() = 0;

    // Writes a grabbed frame as a 24-bit bitmap file through a temporary
    // file and a rename. Throws ImageError or FileWriteError.
    virtual void WriteGrab(const TVideoFrame& frame, const std::string& path);

    // The text of the last failure, and how the control reports it.
    const std::string& Error() const { return error_; }
    virtual QVariant DescribeError(const std::string& text) const { return QString::fromStdString(text); }

protected:
    void SetError(std::string text) { error_ = std::move(text); }
    void DeliverFrame(const TFrameView& view) const
    {
        if (frameSink_)
            frameSink_(view);
    }
    void ReportLost() const
    {
        if (lostSink_)
            lostSink_();
    }

private:
    std::string error_;
    FrameSink frameSink_;
    LostSink lostSink_;
};

using TVideoBackendFactory = std::function<std::unique_ptr<TVideoBackend>()>;

// The backend a newly initialized capture control gets.
std::unique_ptr<TVideoBackend> MakeVideoBackend();
// Tests only: makes every later MakeVideoBackend call use `factory`; an
// empty factory restores the choice by environment.
void SetVideoBackendFactoryForTesting(TVideoBackendFactory factory);

// The environment variable that picks the synthetic device, and its value.
inline constexpr const char* kCameraVariable = "QUORVEX_CAMERA";
inline constexpr const char* kSyntheticCamera = "synthetic";

} // namespace platform
