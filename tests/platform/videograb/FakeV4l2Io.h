// A V4L2 camera made of code behind the backend's system-call seam: device
// nodes with their capabilities, frame sizes, controls, a stream of
// memory-mapped buffers whose readiness shows on a real file descriptor (an
// eventfd, so the socket notifier works as with a device), and unplugging.
#pragma once

#include "platform/videograb/TV4l2Io.h"

#include <linux/videodev2.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <map>
#include <set>
#include <tuple>
#include <string>
#include <vector>

class FakeV4l2Io : public platform::TV4l2Io {
public:
    struct Node {
        std::string Path;
        std::string Card;
        std::uint32_t Caps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
        bool OpenFails = false;
    };
    struct Control {
        std::int32_t Min = 0;
        std::int32_t Max = 255;
        std::int32_t Step = 1;
        std::int32_t Default = 128;
        std::int32_t Value = 128;
        std::uint32_t Flags = 0;
        std::uint32_t Type = V4L2_CTRL_TYPE_INTEGER;
        bool ReadFails = false;
    };

    // ---- The camera ----
    std::vector<Node> Nodes{{"/dev/video0", "Fake Camera"}};
    bool ListFails = false;
    std::uint32_t CurrentWidth = 640;
    std::uint32_t CurrentHeight = 480;
    std::vector<v4l2_frmsizeenum> FrameSizes; // empty: the enumeration fails
    std::map<std::uint32_t, Control> Controls;
    std::uint32_t GrantedFormat = V4L2_PIX_FMT_RGB24; // what the camera gives for anything but YUYV
    std::vector<std::pair<std::uint32_t, std::uint32_t>> YuyvSizes; // the sizes it sends natively as YUYV
    std::uint32_t PaddingPerLine = 0; // bytes the driver adds after each row
    std::uint32_t BufferCount = 4;
    int BadFrames = 0; // frames that are dequeued as EIO

    // ---- What happened ----
    std::vector<unsigned long> Requests; // every ioctl request, in order
    std::set<int> OpenFds;
    int StreamFd = -1;
    bool Streaming = false;
    std::size_t Mapped = 0; // buffers mapped and not unmapped
    v4l2_format LastFormat{};

    ~FakeV4l2Io() override
    {
        for (const int fd : OpenFds)
            ::close(fd);
    }

    static v4l2_frmsizeenum Discrete(std::uint32_t width, std::uint32_t height)
    {
        v4l2_frmsizeenum size{};
        size.type = V4L2_FRMSIZE_TYPE_DISCRETE;
        size.discrete = {width, height};
        return size;
    }
    static v4l2_frmsizeenum Stepwise(std::uint32_t minWidth, std::uint32_t minHeight, std::uint32_t maxWidth,
                                     std::uint32_t maxHeight, std::uint32_t type = V4L2_FRMSIZE_TYPE_STEPWISE)
    {
        v4l2_frmsizeenum size{};
        size.type = type;
        size.stepwise = {minWidth, maxWidth, 8, minHeight, maxHeight, 8};
        return size;
    }

    // Fills the next queued buffer with `value` in every byte and makes the
    // device readable. False when no buffer is queued.
    bool PushFrame(std::uint8_t value)
    {
        if (!Streaming || Queued.empty())
            return false;
        const std::uint32_t index = Queued.front();
        Queued.pop_front();
        std::memset(Buffers[index].data(), value, Buffers[index].size());
        Done.push_back(index);
        Signal();
        return true;
    }
    // The camera is pulled out: every later call on it fails with ENODEV,
    // and the stream's descriptor becomes readable so the backend notices.
    void Unplug()
    {
        Unplugged = true;
        Signal();
    }
    bool Has(unsigned long request) const
    {
        return std::find(Requests.begin(), Requests.end(), request) != Requests.end();
    }

    // ---- The seam ----
    bool ListNodes(std::vector<std::string>& nodes) override
    {
        if (ListFails)
            return false;
        nodes.clear();
        for (const Node& node : Nodes)
            nodes.push_back(node.Path);
        return true;
    }

    int Open(const std::string& path) override
    {
        const auto node = FindNode(path);
        if (node == Nodes.end() || node->OpenFails || Unplugged) {
            errno = ENOENT;
            return -1;
        }
        const int fd = ::eventfd(0, EFD_NONBLOCK | EFD_SEMAPHORE | EFD_CLOEXEC);
        OpenFds.insert(fd);
        FdNodes[fd] = path;
        return fd;
    }

    int Close(int fd) override
    {
        if (!OpenFds.erase(fd)) {
            errno = EBADF;
            return -1;
        }
        if (fd == StreamFd)
            StreamFd = -1;
        return ::close(fd);
    }

    int Ioctl(int fd, unsigned long request, void* argument) override
    {
        Requests.push_back(request);
        if (!OpenFds.count(fd))
            return Fail(EBADF);
        if (request == VIDIOC_QUERYCAP) {
            auto* cap = static_cast<v4l2_capability*>(argument);
            *cap = {};
            const Node& node = *FindNode(FdNodes[fd]);
            std::strncpy(reinterpret_cast<char*>(cap->card), node.Card.c_str(), sizeof(cap->card));
            cap->capabilities = node.Caps | V4L2_CAP_DEVICE_CAPS;
            cap->device_caps = node.Caps;
            return 0;
        }
        if (Unplugged)
            return Fail(ENODEV);
        switch (request) {
        case VIDIOC_G_FMT: {
            auto* format = static_cast<v4l2_format*>(argument);
            format->fmt.pix.width = CurrentWidth;
            format->fmt.pix.height = CurrentHeight;
            format->fmt.pix.pixelformat = V4L2_PIX_FMT_YUYV;
            return 0;
        }
        case VIDIOC_ENUM_FRAMESIZES: {
            auto* size = static_cast<v4l2_frmsizeenum*>(argument);
            if (size->pixel_format != V4L2_PIX_FMT_RGB24 || size->index >= FrameSizes.size())
                return Fail(EINVAL);
            const std::uint32_t index = size->index;
            *size = FrameSizes[index];
            size->index = index;
            size->pixel_format = V4L2_PIX_FMT_RGB24;
            return 0;
        }
        case VIDIOC_QUERYCTRL: {
            auto* query = static_cast<v4l2_queryctrl*>(argument);
            const auto control = Controls.find(query->id);
            if (control == Controls.end())
                return Fail(EINVAL);
            query->type = control->second.Type;
            query->minimum = control->second.Min;
            query->maximum = control->second.Max;
            query->step = control->second.Step;
            query->default_value = control->second.Default;
            query->flags = control->second.Flags;
            return 0;
        }
        case VIDIOC_G_CTRL: {
            auto* value = static_cast<v4l2_control*>(argument);
            const auto control = Controls.find(value->id);
            if (control == Controls.end() || control->second.ReadFails)
                return Fail(EINVAL);
            value->value = control->second.Value;
            return 0;
        }
        case VIDIOC_S_CTRL: {
            auto* value = static_cast<v4l2_control*>(argument);
            const auto control = Controls.find(value->id);
            if (control == Controls.end())
                return Fail(EINVAL);
            Control& c = control->second;
            if (value->value < c.Min || value->value > c.Max)
                return Fail(ERANGE);
            // This driver keeps only multiples of the step from the minimum.
            c.Value = c.Min + (value->value - c.Min) / c.Step * c.Step;
            return 0;
        }
        case VIDIOC_TRY_FMT:
            Grant(*static_cast<v4l2_format*>(argument));
            return 0;
        case VIDIOC_S_FMT: {
            if (!BufferStorage.empty())
                return Fail(EBUSY);
            auto* format = static_cast<v4l2_format*>(argument);
            LastFormat = *format;
            Grant(*format);
            Width = format->fmt.pix.width;
            Height = format->fmt.pix.height;
            BytesPerLine = format->fmt.pix.bytesperline;
            return 0;
        }
        case VIDIOC_REQBUFS: {
            auto* request = static_cast<v4l2_requestbuffers*>(argument);
            if (request->count == 0) {
                BufferStorage.clear();
                return 0;
            }
            if (Mapped)
                return Fail(EBUSY);
            request->count = std::min(request->count, BufferCount);
            BufferStorage.assign(request->count, std::vector<std::uint8_t>(std::size_t(BytesPerLine) * Height));
            Buffers = BufferStorage;
            return 0;
        }
        case VIDIOC_QUERYBUF: {
            auto* buffer = static_cast<v4l2_buffer*>(argument);
            if (buffer->index >= BufferStorage.size())
                return Fail(EINVAL);
            buffer->length = std::uint32_t(BufferStorage[buffer->index].size());
            buffer->m.offset = buffer->index * kOffsetStep;
            return 0;
        }
        case VIDIOC_QBUF: {
            const auto* buffer = static_cast<v4l2_buffer*>(argument);
            if (buffer->index >= BufferStorage.size())
                return Fail(EINVAL);
            Queued.push_back(buffer->index);
            return 0;
        }
        case VIDIOC_DQBUF: {
            auto* buffer = static_cast<v4l2_buffer*>(argument);
            std::uint64_t count = 0;
            if (::read(fd, &count, sizeof count) != sizeof count || Done.empty())
                return Fail(EAGAIN);
            if (BadFrames > 0) {
                --BadFrames;
                Queued.push_back(Done.front()); // the driver takes a bad buffer back itself
                Done.pop_front();
                return Fail(EIO);
            }
            buffer->index = Done.front();
            Done.pop_front();
            buffer->bytesused = std::uint32_t(Buffers[buffer->index].size());
            buffer->flags = 0;
            return 0;
        }
        case VIDIOC_STREAMON:
            Streaming = true;
            StreamFd = fd;
            return 0;
        case VIDIOC_STREAMOFF:
            Streaming = false;
            Queued.clear();
            Done.clear();
            return 0;
        default:
            return Fail(ENOTTY);
        }
    }

    void* Map(int fd, std::size_t length, std::int64_t offset) override
    {
        const std::size_t index = std::size_t(offset) / kOffsetStep;
        if (!OpenFds.count(fd) || index >= Buffers.size() || length > Buffers[index].size()) {
            errno = EINVAL;
            return nullptr;
        }
        ++Mapped;
        return Buffers[index].data();
    }

    int Unmap(void*, std::size_t) override
    {
        --Mapped;
        return 0;
    }

    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    std::uint32_t BytesPerLine = 0;

private:
    static constexpr std::size_t kOffsetStep = 1 << 20;

    std::vector<Node>::iterator FindNode(const std::string& path)
    {
        return std::find_if(Nodes.begin(), Nodes.end(), [&](const Node& node) { return node.Path == path; });
    }
    static int Fail(int error)
    {
        errno = error;
        return -1;
    }
    void Signal() const
    {
        if (StreamFd >= 0) {
            const std::uint64_t one = 1;
            [[maybe_unused]] const auto written = ::write(StreamFd, &one, sizeof one);
        }
    }

    // What the driver makes of a format request: YUYV at a size it has in
    // YUYV (the nearest: the first), else its other format at the nearest
    // size it has, here at most 1280 x 960.
    void Grant(v4l2_format& format) const
    {
        v4l2_pix_format& pix = format.fmt.pix;
        const std::pair size{pix.width, pix.height};
        if (pix.pixelformat == V4L2_PIX_FMT_YUYV && !YuyvSizes.empty()) {
            const bool listed = std::find(YuyvSizes.begin(), YuyvSizes.end(), size) != YuyvSizes.end();
            std::tie(pix.width, pix.height) = listed ? size : YuyvSizes.front();
            pix.bytesperline = pix.width * 2 + PaddingPerLine;
        } else {
            pix.pixelformat = GrantedFormat;
            pix.width = std::min<std::uint32_t>(pix.width, 1280);
            pix.height = std::min<std::uint32_t>(pix.height, 960);
            pix.bytesperline = pix.width * 3 + PaddingPerLine;
        }
        pix.sizeimage = pix.bytesperline * pix.height;
    }

    bool Unplugged = false;
    std::map<int, std::string> FdNodes;
    // The driver's buffers: BufferStorage is what REQBUFS allocated, Buffers
    // the memory the backend maps (kept after REQBUFS 0 until unmapped).
    std::vector<std::vector<std::uint8_t>> BufferStorage;
    std::vector<std::vector<std::uint8_t>> Buffers;
    std::deque<std::uint32_t> Queued;
    std::deque<std::uint32_t> Done;
};
