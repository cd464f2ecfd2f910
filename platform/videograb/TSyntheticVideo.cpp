#include "platform/videograb/TSyntheticVideo.h"

#include "platform/system/AtomicFile.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace platform {

namespace {

constexpr int kGridSpacing = 50;   // pixels between the grid lines
constexpr int kSquareStep = 4;     // pixels the square moves each frame
constexpr int kCheckerCell = 4;    // cells of the moving square's checker

struct TRgb {
    int r, g, b;
};

// The eight bars from left to right: white, yellow, cyan, green, magenta,
// red, blue, black.
constexpr std::array<TRgb, 8> kBars{{{235, 235, 235},
                                     {235, 235, 16},
                                     {16, 235, 235},
                                     {16, 235, 16},
                                     {235, 16, 235},
                                     {235, 16, 16},
                                     {16, 16, 235},
                                     {16, 16, 16}}};

int Clamp8(double value) { return int(std::clamp(std::lround(value), 0L, 255L)); }

// BT.601 studio range, as cameras send YUYV.
std::uint8_t LumaOf(TRgb c) { return std::uint8_t(16 + ((66 * c.r + 129 * c.g + 25 * c.b + 128) >> 8)); }
std::uint8_t BlueDifferenceOf(TRgb c) { return std::uint8_t(128 + ((-38 * c.r - 74 * c.g + 112 * c.b + 128) >> 8)); }
std::uint8_t RedDifferenceOf(TRgb c) { return std::uint8_t(128 + ((112 * c.r - 94 * c.g - 18 * c.b + 128) >> 8)); }

constexpr std::uint8_t kBlackLuma = 16;
constexpr std::uint8_t kWhiteLuma = 235;
constexpr std::uint8_t kNoColour = 128;

// How far a control stands from its default, as a fraction of its range.
double Offset(const TSyntheticControl& control)
{
    if (!control.Present || control.Max <= control.Min)
        return 0;
    return double(control.Value - control.Default) / double(control.Max - control.Min);
}

// Brightness, contrast, hue and saturation as a camera applies them: on the
// luminance and on the colour difference around it.
class TColourAdjustment {
public:
    explicit TColourAdjustment(const std::array<TSyntheticControl, AMP_COUNT>& controls)
        : brightness_(Offset(controls[AMP_BRIGHTNESS]) * 255)
        , contrast_(std::max(0.0, 1 + 2 * Offset(controls[AMP_CONTRAST])))
        , saturation_(std::max(0.0, 1 + 2 * Offset(controls[AMP_SATURATION])))
    {
        const double hue = Offset(controls[AMP_HUE]) * 2 * std::numbers::pi;
        cos_ = std::cos(hue);
        sin_ = std::sin(hue);
    }

    TRgb Apply(TRgb colour) const
    {
        const double y = 0.299 * colour.r + 0.587 * colour.g + 0.114 * colour.b;
        const double u = colour.b - y;
        const double v = colour.r - y;
        const double u2 = (u * cos_ - v * sin_) * saturation_;
        const double v2 = (u * sin_ + v * cos_) * saturation_;
        const double y2 = (y - 128) * contrast_ + 128 + brightness_;
        const double r = y2 + v2;
        const double b = y2 + u2;
        return {Clamp8(r), Clamp8((y2 - 0.299 * r - 0.114 * b) / 0.587), Clamp8(b)};
    }

private:
    double brightness_;
    double contrast_;
    double saturation_;
    double cos_ = 1;
    double sin_ = 0;
};

void ShapeFrame(int width, int height, TVideoFrame& frame)
{
    frame.Width = width;
    frame.Height = height;
    frame.Format = TPixelFormat::Yuyv;
    frame.BytesPerLine = int(RowBytes(TPixelFormat::Yuyv, width));
    frame.Pixels.resize(std::size_t(frame.BytesPerLine) * std::size_t(height));
}

// Colour bars over the upper two thirds, a grey ramp below, a dark grid.
void DrawBackground(const std::array<TSyntheticControl, AMP_COUNT>& controls, TVideoFrame& frame)
{
    const TColourAdjustment adjust(controls);
    const int barsHeight = frame.Height * 2 / 3;
    const auto colourAt = [&](int x, int y) -> TRgb {
        if (x >= frame.Width)
            x = frame.Width - 1; // the unused half of a last, odd pair
        if (x % kGridSpacing == 0 || y % kGridSpacing == 0)
            return {40, 40, 40};
        if (y < barsHeight)
            return kBars[std::size_t(std::int64_t(x) * int(kBars.size()) / frame.Width)];
        const int grey = int(std::int64_t(x) * 255 / std::max(1, frame.Width - 1));
        return {grey, grey, grey};
    };
    for (int y = 0; y < frame.Height; ++y) {
        std::uint8_t* pair = frame.Pixels.data() + std::size_t(y) * std::size_t(frame.BytesPerLine);
        for (int x = 0; x < frame.Width; x += 2, pair += 4) {
            const TRgb left = adjust.Apply(colourAt(x, y));
            const TRgb right = adjust.Apply(colourAt(x + 1, y));
            const TRgb mean{(left.r + right.r) / 2, (left.g + right.g) / 2, (left.b + right.b) / 2};
            pair[0] = LumaOf(left);
            pair[1] = BlueDifferenceOf(mean);
            pair[2] = LumaOf(right);
            pair[3] = RedDifferenceOf(mean);
        }
    }
}

// A black and white checkered square crossing the frame from left to right
// on its middle row, a few pixels further each frame.
void DrawMovingSquare(int number, TVideoFrame& frame)
{
    const int side = std::max(8, frame.Height / 8);
    const int travel = std::max(1, frame.Width - side);
    const int left = int(std::int64_t(std::max(number, 0)) * kSquareStep % travel);
    const int top = std::max(0, (frame.Height - side) / 2);
    for (int y = top; y < std::min(frame.Height, top + side); ++y) {
        std::uint8_t* row = frame.Pixels.data() + std::size_t(y) * std::size_t(frame.BytesPerLine);
        for (int x = left; x < std::min(frame.Width, left + side); ++x) {
            const bool white = ((x - left) / kCheckerCell + (y - top) / kCheckerCell) % 2 == 0;
            std::uint8_t* pair = row + std::size_t(x / 2) * 4;
            pair[(x % 2) * 2] = white ? kWhiteLuma : kBlackLuma;
            pair[1] = kNoColour;
            pair[3] = kNoColour;
        }
    }
}

TSyntheticDevice MakeDevice(std::string name, TVideoSizes sizes)
{
    TSyntheticDevice device;
    device.Name = std::move(name);
    device.Sizes = sizes;
    return device;
}

std::string SizeText(TSize size) { return std::to_string(size.cx) + "x" + std::to_string(size.cy); }

} // namespace

TSyntheticSetup TSyntheticSetup::Standard()
{
    TSyntheticSetup setup;
    setup.Devices = {MakeDevice("Synthetic Camera", {{640, 480}, {160, 120}, {1280, 960}}),
                     MakeDevice("Synthetic Microscope", {{800, 600}, {200, 150}, {1600, 1200}})};
    return setup;
}

void DrawTestPattern(int number, const std::array<TSyntheticControl, AMP_COUNT>& controls, TVideoFrame& frame)
{
    if (frame.Empty())
        return;
    ShapeFrame(frame.Width, frame.Height, frame);
    DrawBackground(controls, frame);
    DrawMovingSquare(number, frame);
}

TSyntheticVideo::TSyntheticVideo(TSyntheticSetup setup, std::shared_ptr<TCallLog> log)
    : setup_(std::move(setup))
    , log_(log ? std::move(log) : std::make_shared<TCallLog>())
{
    timer_.setInterval(std::max(0, setup_.FrameInterval));
    QObject::connect(&timer_, &QTimer::timeout, [this] { NextFrame(); });
}

TSyntheticVideo::~TSyntheticVideo() = default;

bool TSyntheticVideo::OpenFirstDevice()
{
    Note("OpenFirstDevice");
    if (setup_.Devices.empty()) {
        SetError("No synthetic camera is set up");
        return false;
    }
    CloseDevice();
    device_ = &setup_.Devices.front();
    frameSize_ = device_->Sizes.Default;
    backgroundStale_ = true;
    return true;
}

bool TSyntheticVideo::ListDevices(std::vector<std::string>& names)
{
    Note("ListDevices");
    if (setup_.FailDeviceList) {
        SetError("The synthetic cameras cannot be listed");
        return false;
    }
    names.clear();
    for (const TSyntheticDevice& device : setup_.Devices)
        names.push_back(device.Name);
    return true;
}

bool TSyntheticVideo::OpenDevice(const std::string& name)
{
    Note("OpenDevice " + name);
    const auto found = std::find_if(setup_.Devices.begin(), setup_.Devices.end(),
                                    [&](const TSyntheticDevice& device) { return device.Name == name; });
    if (found == setup_.Devices.end()) {
        SetError("There is no synthetic camera \"" + name + "\"");
        return false;
    }
    CloseDevice();
    device_ = &*found;
    frameSize_ = device_->Sizes.Default;
    backgroundStale_ = true;
    return true;
}

void TSyntheticVideo::CloseDevice()
{
    if (!device_)
        return;
    Note("CloseDevice");
    StopStreaming();
    device_ = nullptr;
}

TVideoSizes TSyntheticVideo::Sizes() const { return device_ ? device_->Sizes : TVideoSizes{}; }

void TSyntheticVideo::SetFrameSize(TSize size)
{
    Note("SetFrameSize " + SizeText(size));
    frameSize_ = size;
}

void TSyntheticVideo::ReadControl(int property, TVideoAmpRange& record)
{
    record = {};
    if (!device_ || property < 0 || property >= AMP_COUNT)
        return;
    const TSyntheticControl& control = device_->Controls[std::size_t(property)];
    if (!control.Present)
        return;
    record.Min = control.Min;
    record.Max = control.Max;
    record.Step = control.Step;
    record.Default = control.Default;
    record.Initial = control.Default;
    record.Enabled = control.ReadOnly ? 0 : 1;
    record.HasCurrent = 1;
    record.Current = control.Value;
}

bool TSyntheticVideo::WriteControl(int property, int value, int& current)
{
    Note("WriteControl " + std::to_string(property) + " " + std::to_string(value));
    if (!device_ || property < 0 || property >= AMP_COUNT) {
        SetError("No synthetic camera is open");
        return false;
    }
    TSyntheticControl& control = device_->Controls[std::size_t(property)];
    if (!control.Present || control.ReadOnly) {
        SetError("The synthetic camera cannot set this property");
        return false;
    }
    const int step = std::max(1, control.Step);
    const std::int64_t clamped = std::clamp(value, control.Min, control.Max);
    const std::int64_t steps = (clamped - control.Min + step / 2) / step;
    control.Value = int(std::min<std::int64_t>(control.Min + steps * step, control.Max));
    current = control.Value;
    backgroundStale_ = true;
    return true;
}

bool TSyntheticVideo::StartStreaming()
{
    if (!device_) {
        SetError("No synthetic camera is open");
        return false;
    }
    const TVideoSizes& sizes = device_->Sizes;
    const TSize size{std::clamp(frameSize_.cx, std::max(1, sizes.Min.cx), std::max(1, sizes.Max.cx)),
                     std::clamp(frameSize_.cy, std::max(1, sizes.Min.cy), std::max(1, sizes.Max.cy))};
    Note("StartStreaming " + SizeText(size));
    if (setup_.FailStartStreaming) {
        SetError("The synthetic camera cannot start streaming");
        return false;
    }
    if (size.cx != background_.Width || size.cy != background_.Height)
        backgroundStale_ = true;
    ShapeFrame(size.cx, size.cy, background_);
    frameNumber_ = 0;
    timer_.start();
    return true;
}

void TSyntheticVideo::StopStreaming()
{
    if (!timer_.isActive())
        return;
    Note("StopStreaming");
    timer_.stop();
}

void TSyntheticVideo::NextFrame()
{
    if (!device_ || background_.Empty())
        return;
    if (setup_.LoseAfterFrames >= 0 && frameNumber_ >= setup_.LoseAfterFrames) {
        timer_.stop();
        device_ = nullptr;
        SetError("The synthetic camera was disconnected");
        ReportLost();
        return;
    }
    if (backgroundStale_) {
        DrawBackground(device_->Controls, background_);
        backgroundStale_ = false;
    }
    frame_ = background_;
    DrawMovingSquare(frameNumber_++, frame_);
    DeliverFrame({frame_.Pixels.data(), frame_.Pixels.size(), frame_.Width, frame_.Height, frame_.BytesPerLine,
                  frame_.Format});
}

void TSyntheticVideo::WriteGrab(const TVideoFrame& frame, const std::string& path)
{
    Note("WriteGrab " + path);
    if (!setup_.GrabError.empty())
        throw FileWriteError(setup_.GrabError);
    if (!setup_.GrabFileBytes.empty()) {
        WriteFileAtomically(path, setup_.GrabFileBytes);
        return;
    }
    TVideoBackend::WriteGrab(frame, path);
}

QVariant TSyntheticVideo::DescribeError(const std::string& text) const
{
    if (setup_.ErrorNotText)
        return QVariant(int(-1));
    return TVideoBackend::DescribeError(text);
}

} // namespace platform
