#include "platform/core/FileDescriptor.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <unistd.h>

using namespace platform;

TEST(FileDescriptor, WritabilityAndWritesToABrokenPipe)
{
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    EXPECT_TRUE(isDescriptorWritableNow(fds[1]));
    EXPECT_FALSE(isDescriptorWritableNow(-1));
    EXPECT_EQ(writeOnceWithoutSigpipe(fds[1], "abc"), 3);

    ::close(fds[0]);
    EXPECT_FALSE(isDescriptorWritableNow(fds[1]));
    // Straight to write: the process must survive the SIGPIPE, and none may be left pending.
    EXPECT_EQ(writeOnceWithoutSigpipe(fds[1], "abc"), -1);
    EXPECT_EQ(errno, EPIPE);
    sigset_t pending;
    sigpending(&pending);
    EXPECT_FALSE(sigismember(&pending, SIGPIPE));
    ::close(fds[1]);
    EXPECT_FALSE(isDescriptorWritableNow(fds[1]));    // closed
}
