// The system calls the V4L2 backend makes, behind one interface, so that the
// backend can be tested against a device made of code. The real calls go
// through libv4l2, which converts whatever a camera sends into the RGB24
// frames the backend asks for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class TV4l2Io {
public:
    virtual ~TV4l2Io() = default;

    // The video device nodes ("/dev/video0", ...) in the order of their
    // numbers. False when the device folder cannot be read.
    virtual bool ListNodes(std::vector<std::string>& nodes) = 0;
    // Opened for reading and writing, non-blocking. -1 with errno set on failure.
    virtual int Open(const std::string& node) = 0;
    virtual int Close(int fd) = 0;
    // -1 with errno set on failure; an interrupted call is retried.
    virtual int Ioctl(int fd, unsigned long request, void* argument) = 0;
    // Shared, readable and writable. nullptr with errno set on failure.
    virtual void* Map(int fd, std::size_t length, std::int64_t offset) = 0;
    virtual int Unmap(void* address, std::size_t length) = 0;
};

// The real calls: the /dev folder and libv4l2.
std::shared_ptr<TV4l2Io> RealV4l2Io();

} // namespace platform
