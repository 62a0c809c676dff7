#include "platform/files/FileIdentity.h"

#include <QFile>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace platform {

namespace {

// The inode's generation: asked of an open descriptor, so only of items that can
// be opened for reading (without blocking on a pipe or following a link).
std::optional<quint32> generationOf(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    int generation = 0;
    const bool ok = ::ioctl(fd, FS_IOC_GETVERSION, &generation) == 0;
    ::close(fd);
    return ok ? std::optional(quint32(generation)) : std::nullopt;
}

} // namespace

std::optional<FileIdentity> FileIdentity::of(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    struct statx info;
    if (native.isEmpty()
        || ::statx(AT_FDCWD, native.constData(), AT_SYMLINK_NOFOLLOW, STATX_INO | STATX_BTIME | STATX_TYPE, &info) != 0)
        return std::nullopt;
    FileIdentity identity;
    identity.device = makedev(info.stx_dev_major, info.stx_dev_minor);
    identity.inode = info.stx_ino;
    if (info.stx_mask & STATX_BTIME)
        identity.birth = BirthTime{info.stx_btime.tv_sec, info.stx_btime.tv_nsec};
    if (S_ISREG(info.stx_mode) || S_ISDIR(info.stx_mode))
        identity.generation = generationOf(native);
    return identity;
}

bool FileIdentity::matches(const FileIdentity &other) const
{
    const auto agree = [](const auto &a, const auto &b) { return !a || !b || *a == *b; };
    return device == other.device && inode == other.inode && agree(birth, other.birth)
           && agree(generation, other.generation);
}

} // namespace platform
