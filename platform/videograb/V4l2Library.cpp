// libv4l2, which opens cameras and converts their frames, loaded when a
// camera is first looked for: the functions of it that the capture layer
// calls, each forwarding to the library's own (platform/system/LazyLibrary.h
// says how).
#include "platform/system/LazyLibrary.h"

#include <cstdarg>
#include <cstdio>
#include <fcntl.h>

#include <libv4l2.h>

namespace {

platform::TLazyLibrary& Libv4l2()
{
    static platform::TLazyLibrary library("v4l2", 0);
    return library;
}

} // namespace

int v4l2_open(const char* file, int oflag, ...)
{
    // As for open(2): a mode follows only when a file may be created.
    mode_t mode = 0;
    if (oflag & (O_CREAT | O_TMPFILE)) {
        va_list arguments;
        va_start(arguments, oflag);
        mode = va_arg(arguments, mode_t);
        va_end(arguments);
    }
    return Libv4l2().Function<&v4l2_open>("v4l2_open")(file, oflag, mode);
}

int v4l2_close(int fd)
{
    return Libv4l2().Function<&v4l2_close>("v4l2_close")(fd);
}

int v4l2_ioctl(int fd, unsigned long int request, ...)
{
    // The argument after the request is always a pointer to the request's
    // structure.
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    return Libv4l2().Function<&v4l2_ioctl>("v4l2_ioctl")(fd, request, argument);
}

void* v4l2_mmap(void* start, size_t length, int prot, int flags, int fd, int64_t offset)
{
    return Libv4l2().Function<&v4l2_mmap>("v4l2_mmap")(start, length, prot, flags, fd, offset);
}

int v4l2_munmap(void* start, size_t length)
{
    return Libv4l2().Function<&v4l2_munmap>("v4l2_munmap")(start, length);
}
