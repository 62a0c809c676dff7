#include "VLLog.h"

#include "platform/core/Log.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A pipe whose ends close with the test.
struct Pipe
{
    int read = -1, write = -1;
    Pipe()
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) == 0)
            read = fds[0], write = fds[1];
    }
    ~Pipe()
    {
        if (read >= 0)
            ::close(read);
        if (write >= 0)
            ::close(write);
    }
    QByteArray drain() const
    {
        QByteArray all;
        const int flags = ::fcntl(read, F_GETFL);
        ::fcntl(read, F_SETFL, flags | O_NONBLOCK);
        char buffer[65536];
        for (ssize_t n; (n = ::read(read, buffer, sizeof buffer)) > 0;)
            all.append(buffer, n);
        ::fcntl(read, F_SETFL, flags);
        return all;
    }
};

} // namespace

TEST(VLLogf, WritesOneLineWithDateNameAndPidKeepingTheMessageWhole)
{
    Pipe pipe;
    ASSERT_GE(pipe.write, 0);
    const QDateTime before = QDateTime::currentDateTime().addMSecs(-1);
    VLLogf(pipe.write, "value %d", 7);
    const QDateTime after = QDateTime::currentDateTime();
    const QByteArray written = pipe.drain();

    const QRegularExpression shape(
        QStringLiteral(R"(^(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}) (.+)\[(\d+)\] value 7\n$)"));
    const auto m = shape.match(QString::fromUtf8(written));
    ASSERT_TRUE(m.hasMatch()) << written.constData();
    EXPECT_EQ(m.captured(2), platform::processName());
    EXPECT_EQ(m.captured(3).toLongLong(), QCoreApplication::applicationPid());
    // The stamp is local time: it falls between the clock readings around the call.
    const QDateTime stamp = QDateTime::fromString(m.captured(1), QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    EXPECT_GE(stamp, before);
    EXPECT_LE(stamp, after);

    const QByteArray longText(5000, 'x');
    VLLogf(pipe.write, "%s|%s\n", longText.constData(), "\xc3\xa9");
    const QByteArray second = pipe.drain();
    EXPECT_TRUE(second.endsWith("] " + longText + "|\xc3\xa9\n\n")) << second.right(40).constData();
    EXPECT_EQ(second.count('\n'), 2); // the message's own line feed leaves an empty line
}

TEST(VLLogf, DropsTheLineInsteadOfWaiting)
{
    Pipe pipe;
    // Fill the pipe without blocking, then make the write end blocking again: a
    // logger that waited would hang here for good.
    ::fcntl(pipe.write, F_SETFL, ::fcntl(pipe.write, F_GETFL) | O_NONBLOCK);
    const QByteArray chunk(4096, 'f');
    qsizetype filled = 0;
    for (ssize_t n; (n = ::write(pipe.write, chunk.constData(), chunk.size())) > 0;)
        filled += n;
    for (ssize_t n; (n = ::write(pipe.write, "f", 1)) > 0;)
        filled += n;
    ASSERT_EQ(errno, EAGAIN);
    ::fcntl(pipe.write, F_SETFL, ::fcntl(pipe.write, F_GETFL) & ~O_NONBLOCK);

    VLLogf(pipe.write, "lost %d", 1);
    EXPECT_EQ(pipe.drain().size(), filled);
}

TEST(VLLogf, WorksWithDescriptorsBeyondTheSelectLimit)
{
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
    if (limit.rlim_cur < 1200 && limit.rlim_max >= 1200) {
        limit.rlim_cur = 1200;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
    Pipe pipe;
    const int high = ::fcntl(pipe.write, F_DUPFD_CLOEXEC, 1100);
    if (high < 0)
        GTEST_SKIP() << "descriptor limit below 1100";
    VLLogf(high, "high %d", high);
    ::close(high);
    EXPECT_TRUE(pipe.drain().endsWith(QByteArray("] high ") + QByteArray::number(high) + '\n'));
}

namespace {

// A connected pair of stream sockets whose ends close with the test.
struct SocketPair
{
    int fds[2] = {-1, -1};
    SocketPair() { ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds); }
    ~SocketPair()
    {
        for (int fd : fds)
            if (fd >= 0)
                ::close(fd);
    }
};

QByteArray readAvailable(int fd)
{
    QByteArray all;
    char buffer[65536];
    for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT)) > 0;)
        all.append(buffer, n);
    return all;
}

} // namespace

TEST(VLLogf, SocketsTakeTheLineButNeverWaitNorRaiseSigpipe)
{
    SocketPair pair;
    ASSERT_GE(pair.fds[0], 0);
    VLLogf(pair.fds[0], "to a socket %d", 1);
    EXPECT_TRUE(readAvailable(pair.fds[1]).endsWith("] to a socket 1\n"));

    // A blocking socket whose buffer is full drops the line.
    const QByteArray chunk(4096, 'f');
    ::fcntl(pair.fds[0], F_SETFL, O_NONBLOCK);
    while (::send(pair.fds[0], chunk.constData(), size_t(chunk.size()), 0) > 0) {
    }
    ::fcntl(pair.fds[0], F_SETFL, 0);
    VLLogf(pair.fds[0], "lost %d", 2);
    EXPECT_FALSE(readAvailable(pair.fds[1]).contains("lost"));

    // Its reader gone, the line is dropped and the process lives on with no SIGPIPE pending.
    ::close(pair.fds[1]);
    pair.fds[1] = -1;
    VLLogf(pair.fds[0], "lost %d", 3);
    sigset_t pending;
    sigpending(&pending);
    EXPECT_FALSE(sigismember(&pending, SIGPIPE));
}

TEST(VLLogf, ADescriptorNumberReusedForAnotherKindStillGetsItsLines)
{
    // The same number is a socket, a pipe, then a regular file: each gets its line.
    SocketPair pair;
    Pipe pipe;
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    const int number = ::fcntl(pair.fds[0], F_DUPFD_CLOEXEC, 900);
    if (number < 0)
        GTEST_SKIP() << "descriptor limit below 900";
    VLLogf(number, "first %d", 1);
    EXPECT_TRUE(readAvailable(pair.fds[1]).endsWith("] first 1\n"));

    ::dup3(pipe.write, number, O_CLOEXEC);
    VLLogf(number, "second %d", 2);
    EXPECT_TRUE(pipe.drain().endsWith("] second 2\n"));

    ::dup3(file.handle(), number, O_CLOEXEC);
    VLLogf(number, "third %d", 3);
    ::close(number);
    file.seek(0); // the offset is shared with the duplicate, which wrote
    EXPECT_TRUE(file.readAll().endsWith("] third 3\n"));
}

TEST(VLLogf, AForkedChildWritesItsOwnPid)
{
    Pipe pipe;
    VLLogf(pipe.write, "parent"); // the parent's pid is known before the fork
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        VLLogf(pipe.write, "child");
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    const QByteArray lines = pipe.drain();
    EXPECT_TRUE(lines.contains('[' + QByteArray::number(qint64(child)) + "] child\n")) << lines.constData();
    EXPECT_TRUE(lines.contains('[' + QByteArray::number(qint64(::getpid())) + "] parent\n")) << lines.constData();
}
