#include "FileIo.h"

#include <cerrno>
#include <cstdio>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Both helpers go on past partial transfers (Linux moves at most about 2 GiB a call, and a
// signal may interrupt), so that only a true short count is reported as one.

namespace {

class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// Moves `length` bytes with `transfer` (a read or a write); how many moved, and whether the
// last call failed.
template<typename Transfer>
qsizetype transferAll(qsizetype length, bool &failed, Transfer transfer)
{
    qsizetype done = 0;
    failed = false;
    while (done < length) {
        const ssize_t moved = transfer(done);
        if (moved < 0 && errno == EINTR)
            continue;
        if (moved <= 0) {
            failed = moved < 0;
            break;
        }
        done += moved;
    }
    return done;
}

// A short count after some bytes moved is reported even when the next call then failed:
// the count came short, as one call that moved part of the bytes would show it.
int shortCount(qsizetype done, bool failed, const char *message)
{
    if (!failed || done > 0) {
        std::fputs(message, stdout);
        std::fflush(stdout);
    }
    return EIO;
}

} // namespace

int writeFile(const char *path, QByteArrayView bytes)
{
    const Descriptor fd(::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (fd.get() < 0)
        return errno;
    if (::lseek(fd.get(), 0, SEEK_SET) < 0)
        return errno;
    bool failed = false;
    const qsizetype written = transferAll(bytes.size(), failed, [&](qsizetype done) {
        return ::write(fd.get(), bytes.data() + done, std::size_t(bytes.size() - done));
    });
    return written == bytes.size() ? 0 : shortCount(written, failed, "writeFile: short write\n");
}

int readFile(const char *path, QByteArray &bytes)
{
    const Descriptor fd(::open(path, O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        return errno;
    struct stat status;
    if (::fstat(fd.get(), &status) != 0)
        return -1;
    QByteArray buffer;
    try {
        buffer.resize(qsizetype(status.st_size));
    } catch (const std::bad_alloc &) {
        return ENOMEM;
    }
    if (::lseek(fd.get(), 0, SEEK_SET) < 0)
        return -1;
    bool failed = false;
    const qsizetype read = transferAll(buffer.size(), failed, [&](qsizetype done) {
        return ::read(fd.get(), buffer.data() + done, std::size_t(buffer.size() - done));
    });
    if (read != buffer.size())
        return shortCount(read, failed, "readFile: short read\n");
    bytes = std::move(buffer);
    return 0;
}
