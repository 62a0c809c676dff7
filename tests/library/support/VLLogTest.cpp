#include "VLLog.h"

#include "platform/core/Log.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/resource.h>
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
