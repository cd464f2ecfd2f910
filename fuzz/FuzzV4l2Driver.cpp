// A camera driver whose every answer comes from the fuzzer's bytes: device
// capabilities and names, frame sizes, controls, the format and buffers it
// grants and the buffers it hands back while streaming. The V4L2 backend
// must list, open, set up, stream and give up on such a driver without
// crashing, hanging or touching memory it does not own.

#include "platform/videograb/TV4l2Video.h"

#include <QCoreApplication>

#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <vector>

namespace {

class FuzzedDriver : public platform::TV4l2Io {
public:
    FuzzedDriver(const std::uint8_t* data, std::size_t size)
        : data_(data)
        , end_(data + size)
    {
    }
    ~FuzzedDriver() override
    {
        for (const int fd : fds_)
            ::close(fd);
    }

    bool ListNodes(std::vector<std::string>& nodes) override
    {
        const std::uint8_t count = Byte() % 4;
        nodes.clear();
        for (int i = 0; i < count; ++i)
            nodes.push_back("/dev/video" + std::to_string(i));
        return count != 3;
    }
    int Open(const std::string&) override
    {
        if (Byte() % 8 == 0)
            return Fail(ENOENT);
        // Always readable, so the socket notifier keeps asking for frames.
        const int fd = ::eventfd(1, EFD_NONBLOCK | EFD_CLOEXEC);
        fds_.push_back(fd);
        return fd;
    }
    int Close(int fd) override
    {
        std::erase(fds_, fd);
        return ::close(fd);
    }
    int Ioctl(int, unsigned long request, void* argument) override
    {
        if (data_ == end_ || Byte() % 4 == 0)
            return Fail(data_ == end_ ? EAGAIN : EINVAL);
        // Overwrite the answer with the fuzzer's bytes, as far as they go.
        const std::size_t length = std::min<std::size_t>(_IOC_SIZE(request), std::size_t(end_ - data_));
        std::memcpy(argument, data_, length);
        data_ += length;
        return 0;
    }
    void* Map(int, std::size_t length, std::int64_t) override
    {
        if (length == 0 || length > (1 << 20))
            return nullptr;
        auto& buffer = maps_[maps_.size()];
        buffer.assign(length, 0x5A);
        return buffer.data();
    }
    int Unmap(void*, std::size_t) override { return 0; }

private:
    std::uint8_t Byte() { return data_ == end_ ? 0 : *data_++; }
    static int Fail(int error)
    {
        errno = error;
        return -1;
    }

    const std::uint8_t* data_;
    const std::uint8_t* end_;
    std::vector<int> fds_;
    std::map<std::size_t, std::vector<std::uint8_t>> maps_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);

    auto driver = std::make_shared<FuzzedDriver>(data, size);
    platform::TV4l2Video video(driver);
    video.SetSinks([](const platform::TFrameView& view) {
        platform::TVideoFrame frame;
        platform::CopyFrame(view, frame);
    }, [] {});
    std::vector<std::string> names;
    video.ListDevices(names);
    if (!video.OpenFirstDevice())
        return 0;
    TVideoAmpRange record;
    for (int property = 0; property < AMP_COUNT; ++property)
        video.ReadControl(property, record);
    int current = 0;
    video.WriteControl(AMP_BRIGHTNESS, 10, current);
    video.SetFrameSize({640, 480});
    if (video.StartStreaming())
        for (int i = 0; i < 8 && video.IsStreaming(); ++i)
            QCoreApplication::processEvents();
    video.CloseDevice();
    return 0;
}
