#include "platform/videograb/TVideoSampleGrab.h"

#include <QPainter>

#include <algorithm>
#include <exception>

TVideoSampleGrab::TVideoSampleGrab(QWidget* parent)
    : QWidget(parent)
{
    // Every pixel is painted: black, or the frame.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

TVideoSampleGrab::~TVideoSampleGrab()
{
    if (backend_)
        backend_->SetSinks(nullptr, nullptr);
}

int TVideoSampleGrab::Fail(std::string text)
{
    error_ = std::move(text);
    return StatusFailed;
}

bool TVideoSampleGrab::HasDevice() { return backend_ && backend_->IsOpen(); }

int TVideoSampleGrab::Initialize()
{
    Terminate();
    backend_ = platform::MakeVideoBackend();
    backend_->SetSinks([this](const platform::TFrameView& view) { FrameArrived(view); }, [this] { DeviceLost(); });
    if (!backend_->OpenFirstDevice())
        return Fail(backend_->Error());
    ReadAmpRanges();
    return StatusOk;
}

int TVideoSampleGrab::Terminate()
{
    StopPreview();
    if (backend_) {
        backend_->CloseDevice();
        backend_->SetSinks(nullptr, nullptr);
        backend_.reset();
    }
    ampRanges_.fill({});
    return StatusOk;
}

int TVideoSampleGrab::GetDeviceNames(QVariant& names)
{
    names = QVariant();
    if (!backend_)
        return Fail("The capture control is not initialized");
    std::vector<std::string> list;
    if (!backend_->ListDevices(list))
        return Fail(backend_->Error());
    QVariantList variants;
    for (const std::string& name : list)
        variants.append(QString::fromStdString(name));
    names = variants;
    return StatusOk;
}

int TVideoSampleGrab::GetErrorString(QVariant& text)
{
    text = backend_ ? backend_->DescribeError(error_) : QVariant(QString::fromStdString(error_));
    return StatusOk;
}

int TVideoSampleGrab::GetVideoDefault(int& packed)
{
    packed = HasDevice() ? PackSize(backend_->Sizes().Default) : 0;
    return HasDevice() ? StatusOk : Fail("No capture device is open");
}

int TVideoSampleGrab::GetVideoMin(int& packed)
{
    packed = HasDevice() ? PackSize(backend_->Sizes().Min) : 0;
    return HasDevice() ? StatusOk : Fail("No capture device is open");
}

int TVideoSampleGrab::GetVideoMax(int& packed)
{
    packed = HasDevice() ? PackSize(backend_->Sizes().Max) : 0;
    return HasDevice() ? StatusOk : Fail("No capture device is open");
}

int TVideoSampleGrab::SetDevice(const QVariant& name)
{
    if (!backend_)
        return Fail("The capture control is not initialized");
    if (name.typeId() != QMetaType::QString)
        return Fail("The device name is not a text");
    StopPreview();
    const bool opened = backend_->OpenDevice(name.toString().toStdString());
    ReadAmpRanges();
    return opened ? StatusOk : Fail(backend_->Error());
}

int TVideoSampleGrab::SetVideoSize(int packed)
{
    if (!backend_)
        return Fail("The capture control is not initialized");
    const TSize size{packed % 10000, packed / 10000};
    if (size.cx <= 0 || size.cy <= 0)
        return Fail("The frame size " + std::to_string(packed) + " is not a size");
    backend_->SetFrameSize(size);
    return StatusOk;
}

int TVideoSampleGrab::StartPreview()
{
    if (!backend_)
        return Fail("The capture control is not initialized");
    if (previewing_)
        return StatusOk;
    if (!backend_->StartStreaming())
        return Fail(backend_->Error());
    previewing_ = true;
    return StatusOk;
}

int TVideoSampleGrab::StopPreview()
{
    if (previewing_) {
        backend_->StopStreaming();
        previewing_ = false;
    }
    if (!pendingGrabs_.empty()) {
        error_ = "The preview stopped before a frame was grabbed";
        FailPendingGrabs();
    }
    frame_ = {};
    update();
    return StatusOk;
}

int TVideoSampleGrab::SampleGrab(const QVariant& file)
{
    int status = StatusOk;
    if (file.typeId() != QMetaType::QString || file.toString().isEmpty())
        status = Fail("The grab has no file name");
    else if (!previewing_)
        status = Fail("The preview is not running, so there is no frame to grab");
    if (status != StatusOk) {
        PostGrabbed(status);
        PostError();
        return status;
    }
    pendingGrabs_.push_back(file.toString().toStdString());
    return StatusOk;
}

int TVideoSampleGrab::GetVideoAmp(int index, TVideoAmpRange*& record)
{
    if (index < 0 || index >= AMP_COUNT) {
        record = nullptr;
        return Fail("There is no video property " + std::to_string(index));
    }
    record = &ampRanges_[std::size_t(index)];
    return HasDevice() ? StatusOk : Fail("No capture device is open");
}

int TVideoSampleGrab::SetVideoAmp(int index, int value)
{
    if (index < 0 || index >= AMP_COUNT)
        return Fail("There is no video property " + std::to_string(index));
    if (!HasDevice())
        return Fail("No capture device is open");
    TVideoAmpRange& record = ampRanges_[std::size_t(index)];
    if (record.Min <= record.Max)
        value = std::clamp(value, record.Min, record.Max);
    int current = value;
    if (!backend_->WriteControl(index, value, current))
        return Fail(backend_->Error());
    record.Current = current;
    record.HasCurrent = 1;
    return StatusOk;
}

void TVideoSampleGrab::ReadAmpRanges()
{
    for (int index = 0; index < AMP_COUNT; ++index)
        backend_->ReadControl(index, ampRanges_[std::size_t(index)]);
}

void TVideoSampleGrab::FrameArrived(const platform::TFrameView& view)
{
    if (!platform::CopyFrame(view, frame_))
        return; // a torn frame is dropped; the next one will do
    ++frameSerial_;
    update();
    const std::vector<std::string> grabs = std::move(pendingGrabs_);
    pendingGrabs_.clear();
    for (const std::string& path : grabs) {
        try {
            backend_->WriteGrab(frame_, path);
            PostGrabbed(StatusOk);
        } catch (const std::exception& error) {
            error_ = error.what();
            PostGrabbed(StatusFailed);
            PostError();
        }
    }
}

void TVideoSampleGrab::DeviceLost()
{
    previewing_ = false;
    error_ = backend_->Error();
    if (pendingGrabs_.empty())
        PostError();
    FailPendingGrabs();
    frame_ = {};
    update();
}

void TVideoSampleGrab::FailPendingGrabs()
{
    for (std::size_t i = 0; i < pendingGrabs_.size(); ++i)
        PostGrabbed(StatusFailed);
    if (!pendingGrabs_.empty())
        PostError();
    pendingGrabs_.clear();
}

void TVideoSampleGrab::PostGrabbed(int status)
{
    QMetaObject::invokeMethod(this, [this, status] { emit OnSampleGrabbed(status); }, Qt::QueuedConnection);
}

void TVideoSampleGrab::PostError()
{
    QMetaObject::invokeMethod(this, [this] { emit OnError(StatusFailed); }, Qt::QueuedConnection);
}

void TVideoSampleGrab::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (frame_.Empty()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    if (view_.size() != size()) {
        view_ = QImage(size(), QImage::Format_RGB32);
        viewSerial_ = 0;
    }
    if (viewSerial_ != frameSerial_) {
        platform::ScaleFrame(frame_, view_);
        viewSerial_ = frameSerial_;
    }
    painter.drawImage(0, 0, view_);
}
