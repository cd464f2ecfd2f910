// The synthetic capture device: a camera made of code, for machines without
// one and for tests. It sends YUYV frames, as most cameras do, of a
// deterministic moving test pattern (colour
// bars, a grey ramp, a millimetre-like grid and a square that moves a few
// pixels every frame), reacts to its brightness, contrast, hue and
// saturation controls, and can be set up with any devices, sizes, controls
// and failures. Every call it receives is written to a call log that tests
// read.
//
// Chosen by QUORVEX_CAMERA=synthetic (never by default), with the standard
// setup of two devices.
#pragma once

#include "platform/videograb/TVideoBackend.h"

#include <QTimer>

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// One amplifier control of a synthetic device. Values set are clamped to
// Min..Max and rounded to a multiple of Step from Min, as cameras do.
struct TSyntheticControl {
    bool Present = true;
    bool ReadOnly = false;
    int Min = 0;
    int Max = 255;
    int Step = 1;
    int Default = 128;
    int Value = 128;
};

struct TSyntheticDevice {
    std::string Name;
    TVideoSizes Sizes{{640, 480}, {160, 120}, {1280, 960}};
    // Brightness, contrast, hue, saturation.
    std::array<TSyntheticControl, AMP_COUNT> Controls{
        TSyntheticControl{}, TSyntheticControl{}, TSyntheticControl{true, false, -180, 180, 1, 0, 0},
        TSyntheticControl{}};
};

struct TSyntheticSetup {
    std::vector<TSyntheticDevice> Devices;
    int FrameInterval = 33; // milliseconds between frames
    // Failures, each off by default.
    bool FailDeviceList = false;     // listing the devices fails
    bool FailStartStreaming = false; // no device starts streaming
    std::string GrabError;           // not empty: writing a grab fails with this text
    bool ErrorNotText = false;       // the error is reported as a number, not a text
    std::string GrabFileBytes;       // not empty: a grab writes these bytes instead of a picture
    int LoseAfterFrames = -1;        // 0 or more: the device goes away after this many frames

    // Two devices, "Synthetic Camera" (640 x 480 by default, 160 x 120 up
    // to 1280 x 960) and "Synthetic Microscope" (800 x 600, 200 x 150 up to
    // 1600 x 1200), a frame every 33 ms.
    static TSyntheticSetup Standard();
};

// The log's lines: "OpenFirstDevice", "ListDevices", "OpenDevice <name>",
// "CloseDevice", "SetFrameSize <w>x<h>", "WriteControl <property> <value>",
// "StartStreaming <w>x<h>", "StopStreaming", "WriteGrab <path>".
using TCallLog = std::vector<std::string>;

class TSyntheticVideo : public TVideoBackend {
public:
    explicit TSyntheticVideo(TSyntheticSetup setup = TSyntheticSetup::Standard(),
                             std::shared_ptr<TCallLog> log = std::make_shared<TCallLog>());
    ~TSyntheticVideo() override;

    bool OpenFirstDevice() override;
    bool ListDevices(std::vector<std::string>& names) override;
    bool OpenDevice(const std::string& name) override;
    void CloseDevice() override;
    bool IsOpen() const override { return device_ != nullptr; }
    TVideoSizes Sizes() const override;
    void SetFrameSize(TSize size) override;
    void ReadControl(int property, TVideoAmpRange& record) override;
    bool WriteControl(int property, int value, int& current) override;
    bool StartStreaming() override;
    void StopStreaming() override;
    void WriteGrab(const TVideoFrame& frame, const std::string& path) override;
    QVariant DescribeError(const std::string& text) const override;

    const TCallLog& Log() const { return *log_; }
    bool IsStreaming() const { return timer_.isActive(); }
    // The device in use; null when none is open.
    const TSyntheticDevice* Device() const { return device_; }
    // Makes and delivers the next frame at once, as the timer does.
    void NextFrame();

private:
    void Note(std::string line) { log_->push_back(std::move(line)); }

    TSyntheticSetup setup_;
    std::shared_ptr<TCallLog> log_;
    TSyntheticDevice* device_ = nullptr; // an entry of setup_.Devices
    TSize frameSize_;
    QTimer timer_;
    int frameNumber_ = 0;
    TVideoFrame background_;        // the still part of the pattern, adjusted by the controls
    TVideoFrame frame_;             // the frame being delivered
    bool backgroundStale_ = true;
};

// The test pattern of frame `number` at the frame's size, with the controls'
// values applied: the same number always gives the same pixels.
void DrawTestPattern(int number, const std::array<TSyntheticControl, AMP_COUNT>& controls, TVideoFrame& frame);

} // namespace platform
