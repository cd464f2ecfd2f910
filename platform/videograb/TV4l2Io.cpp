#include "platform/videograb/TV4l2Io.h"

#include <QDir>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <libv4l2.h>
#include <sys/mman.h>

namespace platform {

namespace {

class TRealV4l2Io : public TV4l2Io {
public:
    bool ListNodes(std::vector<std::string>& nodes) override
    {
        const QDir devices(QStringLiteral("/dev"));
        if (!devices.exists() || !devices.isReadable())
            return false;
        static const QRegularExpression videoNode(QStringLiteral("^video(\\d+)$"));
        std::vector<std::pair<int, std::string>> numbered;
        for (const QString& name : devices.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
            const QRegularExpressionMatch match = videoNode.match(name);
            if (match.hasMatch())
                numbered.emplace_back(match.captured(1).toInt(), devices.filePath(name).toStdString());
        }
        std::sort(numbered.begin(), numbered.end());
        nodes.clear();
        for (auto& [number, node] : numbered)
            nodes.push_back(std::move(node));
        return true;
    }

    int Open(const std::string& node) override { return v4l2_open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC); }

    int Close(int fd) override { return v4l2_close(fd); }

    int Ioctl(int fd, unsigned long request, void* argument) override
    {
        int result;
        do
            result = v4l2_ioctl(fd, request, argument);
        while (result == -1 && errno == EINTR);
        return result;
    }

    void* Map(int fd, std::size_t length, std::int64_t offset) override
    {
        void* address = v4l2_mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, offset);
        return address == MAP_FAILED ? nullptr : address;
    }

    int Unmap(void* address, std::size_t length) override { return v4l2_munmap(address, length); }
};

} // namespace

std::shared_ptr<TV4l2Io> RealV4l2Io() { return std::make_shared<TRealV4l2Io>(); }

} // namespace platform
