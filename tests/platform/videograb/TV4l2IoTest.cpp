#include "platform/videograb/TV4l2Io.h"

#include <gtest/gtest.h>

#include <cerrno>

#include <linux/videodev2.h>

namespace {

// The real calls reach libv4l2, which is loaded when a camera is first
// looked for, and come back with the system's answers.
TEST(TV4l2Io, TheRealCallsReachTheCameraLibrary)
{
    const auto io = platform::RealV4l2Io();
    errno = 0;
    EXPECT_EQ(io->Open("/quorvex/no/such/video0"), -1);
    EXPECT_EQ(errno, ENOENT);
    v4l2_capability capability{};
    errno = 0;
    EXPECT_EQ(io->Ioctl(-1, VIDIOC_QUERYCAP, &capability), -1);
    EXPECT_EQ(errno, EBADF);
    errno = 0;
    EXPECT_EQ(io->Close(-1), -1);
    EXPECT_EQ(errno, EBADF);
}

} // namespace
