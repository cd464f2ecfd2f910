// The capture control: lists capture devices, previews live video in its own
// area, writes one frame to a bitmap file and sets the video amplifier
// (brightness, contrast, hue, saturation). The capture window and the live
// compare window each hold one.
//
// Its members keep the control's fixed interface: every method answers a
// status, 0 on success and negative on failure (GetErrorString then tells
// why); sizes are packed into one integer, height * 10000 + width; device
// names, file names and error texts travel as variants holding a string.
// The two events, OnSampleGrabbed and OnError, always arrive from the event
// loop, never inside the call that caused them.
//
// Initialize opens the first device the backend finds (TVideoBackend.h says
// which backend that is) and must come before any other call; Terminate
// releases the device. Frames arrive on the GUI thread while the preview
// runs; a grab writes the next frame to arrive.
#pragma once

#include "platform/videograb/TVideoAmpRange.h"
#include "platform/videograb/TVideoBackend.h"
#include "platform/videograb/VideoFrame.h"

#include <QImage>
#include <QVariant>
#include <QWidget>

#include <array>
#include <memory>
#include <string>
#include <vector>

class TVideoSampleGrab : public QWidget {
    Q_OBJECT
public:
    // Statuses of the methods and events.
    static constexpr int StatusOk = 0;
    static constexpr int StatusFailed = -1;

    explicit TVideoSampleGrab(QWidget* parent = nullptr);
    ~TVideoSampleGrab() override;

    // A list of the device names (strings), or a null variant when the
    // devices cannot be listed.
    int GetDeviceNames(QVariant& names);
    // The text of the last failure.
    int GetErrorString(QVariant& text);
    int GetVideoDefault(int& packed);
    int GetVideoMin(int& packed); // the smallest size, also the step between sizes
    int GetVideoMax(int& packed);
    // Negative when there is no capture device.
    int Initialize();
    int Terminate();
    // Writes the next frame to the file; OnSampleGrabbed follows with 0 when
    // the file was written, with a negative status (and OnError) when not.
    int SampleGrab(const QVariant& file);
    int SetDevice(const QVariant& name);
    // Takes effect at the next StartPreview.
    int SetVideoSize(int packed);
    int StartPreview();
    int StopPreview();
    // The record of one property (AMP_BRIGHTNESS to AMP_SATURATION), owned
    // by the control and valid while it lives; null for another index.
    int GetVideoAmp(int index, TVideoAmpRange*& record);
    // Sets a property; its record's Current then holds what the device took.
    int SetVideoAmp(int index, int value);

    // Not of the control's interface: what it shows, and its backend, for
    // tests and benchmarks.
    const platform::TVideoFrame& Frame() const { return frame_; }
    platform::TVideoBackend* Backend() const { return backend_.get(); }
    bool IsPreviewing() const { return previewing_; }

    static int PackSize(TSize size) { return size.cy * 10000 + size.cx; }

signals:
    void OnSampleGrabbed(int status);
    void OnError(int code);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void FrameArrived(const platform::TFrameView& view);
    void DeviceLost();
    void ReadAmpRanges();
    // Ends every grab still waiting for a frame with a failure.
    void FailPendingGrabs();
    int Fail(std::string text);
    bool HasDevice();
    void PostGrabbed(int status);
    void PostError();

    std::unique_ptr<platform::TVideoBackend> backend_;
    std::array<TVideoAmpRange, AMP_COUNT> ampRanges_{};
    std::string error_;
    bool previewing_ = false;
    std::vector<std::string> pendingGrabs_; // files waiting for the next frame
    platform::TVideoFrame frame_;           // the last frame, shown in the control's area
    std::uint64_t frameSerial_ = 0;
    QImage view_;                           // the last frame scaled to the control's size
    std::uint64_t viewSerial_ = 0;
};
