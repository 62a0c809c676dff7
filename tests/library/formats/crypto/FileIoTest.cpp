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
