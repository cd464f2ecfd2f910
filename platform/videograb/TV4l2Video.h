// Video capture from V4L2 cameras. The device list comes from the capture
// nodes (metadata-only nodes are left out; cameras of the same name are told
// apart by a number); frame sizes from the frame-size enumeration, discrete
// or stepwise; the amplifier properties from the brightness, contrast, hue
// and saturation controls. Frames stream through memory-mapped buffers,
// dequeued on the GUI thread whenever a socket notifier finds the device
// readable: YUYV as the camera sends it where it offers YUYV at the size
// chosen, and RGB24 converted by libv4l2 from any other format.
#pragma once

#include "platform/videograb/TV4l2Io.h"
#include "platform/videograb/TVideoBackend.h"

#include <QSocketNotifier>

#include <memory>
#include <string>
#include <vector>

namespace platform {

class TV4l2Video : public TVideoBackend {
public:
    // Buffers requested from the driver for streaming.
    static constexpr unsigned kBufferCount = 4;
    // Bad frames in a row after which the stream counts as dead.
    static constexpr int kMostBadFrames = 30;
    // Sizes are packed into height * 10000 + width, so no part may reach 10000.
    static constexpr int kLargestSide = 9999;

    explicit TV4l2Video(std::shared_ptr<TV4l2Io> io);
    ~TV4l2Video() override;

    bool OpenFirstDevice() override;
    bool ListDevices(std::vector<std::string>& names) override;
    bool OpenDevice(const std::string& name) override;
    void CloseDevice() override;
    bool IsOpen() const override { return fd_ >= 0; }
    TVideoSizes Sizes() const override { return sizes_; }
    void SetFrameSize(TSize size) override { frameSize_ = size; }
    void ReadControl(int property, TVideoAmpRange& record) override;
    bool WriteControl(int property, int value, int& current) override;
    bool StartStreaming() override;
    void StopStreaming() override;

    bool IsStreaming() const { return streaming_; }
    // The size and layout the driver granted for the running stream.
    TSize StreamSize() const { return streamSize_; }
    TPixelFormat StreamFormat() const { return streamFormat_; }

private:
    struct TNode {
        std::string Name; // unique among the nodes listed together
        std::string Path;
    };
    struct TBuffer {
        void* Start = nullptr;
        std::size_t Length = 0;
    };

    bool Scan(std::vector<TNode>& nodes);
    bool OpenNode(const TNode& node);
    void ReadSizes();
    void ReadFrame();
    void LoseDevice(const std::string& why);
    void FreeBuffers();
    // Sets the error to `what` followed by the text of errno; returns false.
    bool Fail(const std::string& what);

    std::shared_ptr<TV4l2Io> io_;
    int fd_ = -1;
    TNode device_; // the device in use, kept to reopen it after it went away
    TVideoSizes sizes_;
    TSize frameSize_;
    TSize streamSize_;
    TPixelFormat streamFormat_ = TPixelFormat::Rgb24;
    int bytesPerLine_ = 0;
    std::vector<TBuffer> buffers_;
    std::unique_ptr<QSocketNotifier> notifier_;
    bool streaming_ = false;
    int badFrames_ = 0; // bad frames since the last good one
};

} // namespace platform
