#include "platform/videograb/TV4l2Video.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <map>
#include <set>

namespace platform {

namespace {

constexpr std::array<std::uint32_t, AMP_COUNT> kControlIds{V4L2_CID_BRIGHTNESS, V4L2_CID_CONTRAST, V4L2_CID_HUE,
                                                           V4L2_CID_SATURATION};
constexpr std::array<const char*, AMP_COUNT> kControlNames{"brightness", "contrast", "hue", "saturation"};

// A driver that never ends its size list is not followed past this.
constexpr std::uint32_t kMostFrameSizes = 1000;

// What the node can do itself (its own capabilities, where the driver says).
std::uint32_t NodeCaps(const v4l2_capability& cap)
{
    return (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
}

std::string CardName(const v4l2_capability& cap)
{
    const auto* card = reinterpret_cast<const char*>(cap.card);
    std::string name(card, strnlen(card, sizeof(cap.card)));
    while (!name.empty() && (name.back() == ' ' || name.back() == '\n'))
        name.pop_back();
    return name;
}

int SideOf(std::uint32_t value) { return int(std::min<std::uint32_t>(value, TV4l2Video::kLargestSide)); }

std::int64_t Area(TSize size) { return std::int64_t(size.cx) * size.cy; }

// The size a format request asks for: at least one pixel each way.
TSize FormatSize(TSize size) { return {std::max(size.cx, 1), std::max(size.cy, 1)}; }

v4l2_format FormatOf(TSize size, std::uint32_t pixelFormat)
{
    v4l2_format format{};
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    format.fmt.pix.width = std::uint32_t(FormatSize(size).cx);
    format.fmt.pix.height = std::uint32_t(FormatSize(size).cy);
    format.fmt.pix.pixelformat = pixelFormat;
    format.fmt.pix.field = V4L2_FIELD_ANY;
    return format;
}

} // namespace

TV4l2Video::TV4l2Video(std::shared_ptr<TV4l2Io> io)
    : io_(std::move(io))
{
}

TV4l2Video::~TV4l2Video() { CloseDevice(); }

bool TV4l2Video::Fail(const std::string& what)
{
    const int error = errno;
    SetError(what + ": " + std::strerror(error));
    return false;
}

bool TV4l2Video::Scan(std::vector<TNode>& nodes)
{
    std::vector<std::string> paths;
    if (!io_->ListNodes(paths))
        return Fail("The video devices cannot be listed");
    nodes.clear();
    std::set<std::string> taken;
    for (const std::string& path : paths) {
        const int fd = io_->Open(path);
        if (fd < 0)
            continue;
        v4l2_capability cap{};
        const bool queried = io_->Ioctl(fd, VIDIOC_QUERYCAP, &cap) == 0;
        io_->Close(fd);
        // Metadata and output nodes of a camera share its name but give no picture.
        const std::uint32_t caps = queried ? NodeCaps(cap) : 0;
        if (!(caps & V4L2_CAP_VIDEO_CAPTURE) || !(caps & V4L2_CAP_STREAMING))
            continue;
        const std::string card = CardName(cap).empty() ? path : CardName(cap);
        std::string name = card;
        for (int number = 2; taken.count(name); ++number)
            name = card + " (" + std::to_string(number) + ")";
        taken.insert(name);
        nodes.push_back({name, path});
    }
    return true;
}

bool TV4l2Video::OpenFirstDevice()
{
    std::vector<TNode> nodes;
    if (!Scan(nodes))
        return false;
    if (nodes.empty()) {
        SetError("No capture device found");
        return false;
    }
    CloseDevice();
    return OpenNode(nodes.front());
}

bool TV4l2Video::ListDevices(std::vector<std::string>& names)
{
    std::vector<TNode> nodes;
    if (!Scan(nodes))
        return false;
    names.clear();
    for (const TNode& node : nodes)
        names.push_back(node.Name);
    return true;
}

bool TV4l2Video::OpenDevice(const std::string& name)
{
    std::vector<TNode> nodes;
    if (!Scan(nodes))
        return false;
    const auto found = std::find_if(nodes.begin(), nodes.end(), [&](const TNode& node) { return node.Name == name; });
    if (found == nodes.end()) {
        SetError("There is no capture device \"" + name + "\"");
        return false;
    }
    CloseDevice();
    return OpenNode(*found);
}

bool TV4l2Video::OpenNode(const TNode& node)
{
    fd_ = io_->Open(node.Path);
    if (fd_ < 0)
        return Fail("Cannot open " + node.Path);
    device_ = node;
    ReadSizes();
    frameSize_ = sizes_.Default;
    return true;
}

void TV4l2Video::ReadSizes()
{
    TSize current;
    v4l2_format format{};
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (io_->Ioctl(fd_, VIDIOC_G_FMT, &format) == 0)
        current = {SideOf(format.fmt.pix.width), SideOf(format.fmt.pix.height)};

    sizes_ = {current, current, current};
    v4l2_frmsizeenum size{};
    size.pixel_format = V4L2_PIX_FMT_RGB24;
    if (io_->Ioctl(fd_, VIDIOC_ENUM_FRAMESIZES, &size) == 0) {
        if (size.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
            std::vector<TSize> sizes;
            do
                sizes.push_back({SideOf(size.discrete.width), SideOf(size.discrete.height)});
            while (++size.index < kMostFrameSizes && io_->Ioctl(fd_, VIDIOC_ENUM_FRAMESIZES, &size) == 0
                   && size.type == V4L2_FRMSIZE_TYPE_DISCRETE);
            const auto byArea = [](TSize a, TSize b) { return Area(a) < Area(b); };
            sizes_.Min = *std::min_element(sizes.begin(), sizes.end(), byArea);
            sizes_.Max = *std::max_element(sizes.begin(), sizes.end(), byArea);
        } else {
            sizes_.Min = {SideOf(size.stepwise.min_width), SideOf(size.stepwise.min_height)};
            sizes_.Max = {SideOf(size.stepwise.max_width), SideOf(size.stepwise.max_height)};
        }
    }
    if (Area(sizes_.Default) == 0)
        sizes_.Default = sizes_.Max;
}

void TV4l2Video::CloseDevice()
{
    if (fd_ < 0)
        return;
    StopStreaming();
    io_->Close(fd_);
    fd_ = -1;
}

void TV4l2Video::ReadControl(int property, TVideoAmpRange& record)
{
    record = {};
    if (fd_ < 0 || property < 0 || property >= AMP_COUNT)
        return;
    v4l2_queryctrl query{};
    query.id = kControlIds[std::size_t(property)];
    if (io_->Ioctl(fd_, VIDIOC_QUERYCTRL, &query) != 0 || query.type != V4L2_CTRL_TYPE_INTEGER)
        return;
    record.Min = query.minimum;
    record.Max = query.maximum;
    record.Step = query.step;
    record.Default = query.default_value;
    record.Initial = query.default_value;
    record.Enabled = (query.flags & (V4L2_CTRL_FLAG_DISABLED | V4L2_CTRL_FLAG_READ_ONLY)) ? 0 : 1;
    v4l2_control control{};
    control.id = query.id;
    if (io_->Ioctl(fd_, VIDIOC_G_CTRL, &control) == 0) {
        record.HasCurrent = 1;
        record.Current = control.value;
    }
}

bool TV4l2Video::WriteControl(int property, int value, int& current)
{
    if (property < 0 || property >= AMP_COUNT) {
        SetError("There is no video property " + std::to_string(property));
        return false;
    }
    if (fd_ < 0) {
        SetError("No capture device is open");
        return false;
    }
    v4l2_control control{};
    control.id = kControlIds[std::size_t(property)];
    control.value = value;
    if (io_->Ioctl(fd_, VIDIOC_S_CTRL, &control) != 0)
        return Fail(std::string("Cannot set the ") + kControlNames[std::size_t(property)]);
    // The driver may have rounded or clamped the value: read what it took.
    current = io_->Ioctl(fd_, VIDIOC_G_CTRL, &control) == 0 ? control.value : value;
    return true;
}

bool TV4l2Video::StartStreaming()
{
    if (streaming_)
        return true;
    if (fd_ < 0) {
        // The device went away while streaming: it may be back.
        if (device_.Path.empty() || !OpenNode(device_)) {
            if (device_.Path.empty())
                SetError("No capture device is open");
            return false;
        }
    }
    // YUYV is taken as the camera sends it when it has the size asked for
    // in YUYV; any other camera format comes through libv4l2 as RGB24.
    v4l2_format format = FormatOf(frameSize_, V4L2_PIX_FMT_YUYV);
    const bool yuyv = io_->Ioctl(fd_, VIDIOC_TRY_FMT, &format) == 0 && format.fmt.pix.pixelformat == V4L2_PIX_FMT_YUYV
                      && TSize{int(format.fmt.pix.width), int(format.fmt.pix.height)} == FormatSize(frameSize_);
    const std::uint32_t pixelFormat = yuyv ? V4L2_PIX_FMT_YUYV : V4L2_PIX_FMT_RGB24;
    format = FormatOf(frameSize_, pixelFormat);
    if (io_->Ioctl(fd_, VIDIOC_S_FMT, &format) != 0)
        return Fail("Cannot set the frame size");
    if (format.fmt.pix.pixelformat != pixelFormat) {
        SetError("The capture device cannot deliver its frames as YUYV or RGB");
        return false;
    }
    if (format.fmt.pix.width == 0 || format.fmt.pix.height == 0 || format.fmt.pix.width > std::uint32_t(kLargestSide)
        || format.fmt.pix.height > std::uint32_t(kLargestSide)) {
        SetError("The capture device gave a frame size that cannot be used");
        return false;
    }
    streamFormat_ = yuyv ? TPixelFormat::Yuyv : TPixelFormat::Rgb24;
    streamSize_ = {int(format.fmt.pix.width), int(format.fmt.pix.height)};
    bytesPerLine_ = int(std::max<std::int64_t>(format.fmt.pix.bytesperline, RowBytes(streamFormat_, streamSize_.cx)));

    v4l2_requestbuffers request{};
    request.count = kBufferCount;
    request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    request.memory = V4L2_MEMORY_MMAP;
    if (io_->Ioctl(fd_, VIDIOC_REQBUFS, &request) != 0)
        return Fail("Cannot get capture buffers");
    if (request.count == 0) {
        SetError("The capture device gave no buffers");
        return false;
    }
    for (std::uint32_t index = 0; index < request.count; ++index) {
        v4l2_buffer buffer{};
        buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buffer.memory = V4L2_MEMORY_MMAP;
        buffer.index = index;
        if (io_->Ioctl(fd_, VIDIOC_QUERYBUF, &buffer) != 0) {
            Fail("Cannot query a capture buffer");
            FreeBuffers();
            return false;
        }
        void* start = io_->Map(fd_, buffer.length, buffer.m.offset);
        if (!start) {
            Fail("Cannot map a capture buffer");
            FreeBuffers();
            return false;
        }
        buffers_.push_back({start, buffer.length});
        if (io_->Ioctl(fd_, VIDIOC_QBUF, &buffer) != 0) {
            Fail("Cannot queue a capture buffer");
            FreeBuffers();
            return false;
        }
    }
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (io_->Ioctl(fd_, VIDIOC_STREAMON, &type) != 0) {
        Fail("Cannot start streaming");
        FreeBuffers();
        return false;
    }
    streaming_ = true;
    badFrames_ = 0;
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { ReadFrame(); });
    return true;
}

void TV4l2Video::StopStreaming()
{
    if (!streaming_)
        return;
    notifier_.reset();
    streaming_ = false;
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    io_->Ioctl(fd_, VIDIOC_STREAMOFF, &type);
    FreeBuffers();
}

void TV4l2Video::FreeBuffers()
{
    for (const TBuffer& buffer : buffers_)
        io_->Unmap(buffer.Start, buffer.Length);
    buffers_.clear();
    // Giving the buffers back lets another program (or the other capture
    // window) stream from the device.
    v4l2_requestbuffers request{};
    request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    request.memory = V4L2_MEMORY_MMAP;
    io_->Ioctl(fd_, VIDIOC_REQBUFS, &request);
}

void TV4l2Video::ReadFrame()
{
    v4l2_buffer buffer{};
    buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buffer.memory = V4L2_MEMORY_MMAP;
    if (io_->Ioctl(fd_, VIDIOC_DQBUF, &buffer) != 0) {
        const int error = errno;
        if (error == EAGAIN)
            return;
        // EIO is a bad frame (a glitch in the signal, a frame libv4l2 could
        // not convert): the stream goes on unless nothing but bad frames come.
        if (error == EIO && ++badFrames_ < kMostBadFrames)
            return;
        LoseDevice(std::string("The capture device stopped: ") + std::strerror(error));
        return;
    }
    badFrames_ = 0;
    if (buffer.index < buffers_.size() && !(buffer.flags & V4L2_BUF_FLAG_ERROR)) {
        const TBuffer& mapped = buffers_[buffer.index];
        const std::size_t used = buffer.bytesused ? std::min<std::size_t>(buffer.bytesused, mapped.Length) : mapped.Length;
        DeliverFrame({static_cast<const std::uint8_t*>(mapped.Start), used, streamSize_.cx, streamSize_.cy,
                      bytesPerLine_, streamFormat_});
        if (!streaming_)
            return;
    }
    if (io_->Ioctl(fd_, VIDIOC_QBUF, &buffer) != 0) {
        const int error = errno;
        LoseDevice(std::string("The capture device stopped: ") + std::strerror(error));
    }
}

void TV4l2Video::LoseDevice(const std::string& why)
{
    StopStreaming();
    io_->Close(fd_);
    fd_ = -1;
    SetError(why);
    ReportLost();
}

} // namespace platform

