#include "FileIo.h"

#include "TestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// What `run` printed on standard output.
template<typename Run>
QByteArray standardOutputOf(Run run)
{
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("stdout")));
    std::fflush(stdout);
    const int saved = ::dup(1);
    const int capture = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(capture, 1);
    run();
    std::fflush(stdout);
    ::dup2(saved, 1);
    ::close(saved);
    ::close(capture);
    return corvane::test::readFile(QFile::decodeName(path)).value_or(QByteArray());
}

class FileIo : public ::testing::Test
{
protected:
    QByteArray path(const char *name) const { return QFile::encodeName(dir.filePath(QString::fromLatin1(name))); }
    QTemporaryDir dir;
};

TEST_F(FileIo, WritesPrivatelyAndReadsBack)
{
    const QByteArray file = path("secret.bin");
    const QByteArray bytes("\0binary\xff bytes", 14);
    EXPECT_EQ(writeFile(file.constData(), bytes), 0);
    struct stat status;
    ASSERT_EQ(::stat(file.constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    QByteArray back;
    EXPECT_EQ(readFile(file.constData(), back), 0);
    EXPECT_EQ(back, bytes);
    EXPECT_EQ(writeFile(file.constData(), "x"), 0); // truncates
    EXPECT_EQ(readFile(file.constData(), back), 0);
    EXPECT_EQ(back, "x");
}

TEST_F(FileIo, ErrorNumbersAndSentinels)
{
    QByteArray untouched = "untouched";
    EXPECT_EQ(readFile(path("missing/file").constData(), untouched), ENOENT);
    EXPECT_EQ(writeFile(path("missing/file").constData(), "x"), ENOENT);
    EXPECT_EQ(writeFile(QFile::encodeName(dir.path()).constData(), "x"), EISDIR);
    // A pipe can be sized but not positioned.
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    EXPECT_EQ(readFile(QByteArray("/proc/self/fd/" + QByteArray::number(ends[0])).constData(), untouched), -1);
    ::close(ends[0]);
    ::close(ends[1]);
    EXPECT_EQ(untouched, "untouched");
}

TEST_F(FileIo, ShortReadIsReported)
{
    // Files under /sys claim a page and hold a few bytes.
    const char *sysFile = "/sys/devices/system/cpu/online";
    struct stat status;
    if (::stat(sysFile, &status) != 0 || status.st_size <= 16)
        GTEST_SKIP() << sysFile << " is absent or tells its true size here";
    QByteArray bytes;
    int result = 0;
    EXPECT_EQ(standardOutputOf([&] { result = readFile(sysFile, bytes); }), "readFile: short read\n");
    EXPECT_EQ(result, EIO);
}

TEST_F(FileIo, ShortWriteIsReported)
{
    // A file-size limit makes the write stop short without failing at first: in a child,
    // so that the limit stays there, telling through a pipe, which the limit spares.
    const QByteArray file = path("limited.bin");
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    std::fflush(stdout); // nothing of ours may reach the child's output
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::dup2(ends[1], 1);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{10, RLIM_INFINITY};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(writeFile(file.constData(), QByteArray(100, 'w')));
    }
    ::close(ends[1]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    char printed[64] = {};
    const ssize_t length = ::read(ends[0], printed, sizeof printed - 1);
    ::close(ends[0]);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), EIO);
    EXPECT_EQ(QByteArray(printed, int(std::max<ssize_t>(length, 0))), "writeFile: short write\n");
}

} // namespace
