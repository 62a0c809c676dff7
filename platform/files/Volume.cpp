#include "platform/files/Volume.h"
#include "platform/files/Volume_p.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <fcntl.h>
#include <linux/fs.h>
#include <mutex>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace platform {

namespace {

// mountinfo writes space, tab, newline and backslash as three octal digits.
QByteArray unescapeOctal(const QByteArray &field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int value = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok && value < 256) {
                out.append(char(value));
                i += 3;
                continue;
            }
        }
        out.append(field[i]);
    }
    return out;
}

std::optional<Volume> parseMountInfoLine(const QByteArray &line)
{
    const QList<QByteArray> fields = line.split(' ');
    const qsizetype separator = fields.indexOf("-");
    if (fields.size() < 6 || separator < 6 || separator + 2 >= fields.size())
        return std::nullopt;
    const QList<QByteArray> numbers = fields[2].split(':');
    if (numbers.size() != 2)
        return std::nullopt;
    Volume volume;
    volume.mountId = fields[0].toInt();
    volume.device = makedev(numbers[0].toUInt(), numbers[1].toUInt());
    volume.mountPoint = QFile::decodeName(unescapeOctal(fields[4]));
    volume.fileSystemType = QString::fromUtf8(fields[separator + 1]);
    volume.source = QFile::decodeName(unescapeOctal(fields[separator + 2]));
    return volume;
}

// udev writes unsafe characters of a label as "\xNN".
QString decodeUdevLabel(const QByteArray &name)
{
    QByteArray out;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x') {
            bool ok = false;
            const int value = name.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                out.append(char(value));
                i += 3;
                continue;
            }
        }
        out.append(name[i]);
    }
    return QString::fromUtf8(out);
}

QString labelFromFileSystem(const QString &mountPoint)
{
    const int fd = ::open(QFile::encodeName(mountPoint).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return QString();
    char label[FSLABEL_MAX + 1] = {};
    const bool ok = ::ioctl(fd, FS_IOC_GETFSLABEL, label) == 0;
    ::close(fd);
    return ok ? QString::fromUtf8(label) : QString();
}

QString labelFromUdev(quint64 device)
{
    const QDir labels(QStringLiteral("/dev/disk/by-label"));
    for (const QString &entry : labels.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        struct stat info;
        const QByteArray path = QFile::encodeName(labels.filePath(entry));
        if (::stat(path.constData(), &info) == 0 && S_ISBLK(info.st_mode) && info.st_rdev == device)
            return decodeUdevLabel(QFile::encodeName(entry));
    }
    return QString();
}

QString label(const Volume &volume)
{
    if (!volume.source.startsWith(u"/dev/"))
        return QString();
    const QString fromFileSystem = labelFromFileSystem(volume.mountPoint);
    return fromFileSystem.isEmpty() ? labelFromUdev(volume.device) : fromFileSystem;
}

// Labels do not change while a file system is mounted: ask once a mount.
QString cachedLabel(const Volume &volume)
{
    static std::mutex mutex;
    static QHash<QPair<int, quint64>, QString> labels;
    const QPair<int, quint64> key(volume.mountId, volume.device);
    {
        std::lock_guard lock(mutex);
        if (const auto found = labels.constFind(key); found != labels.constEnd())
            return *found;
    }
    const QString found = label(volume);
    std::lock_guard lock(mutex);
    labels.insert(key, found);
    return found;
}

} // namespace

QString Volume::name() const
{
    const QString label = cachedLabel(*this);
    if (!label.isEmpty())
        return label;
    if (mountPoint == u"/")
        return QStringLiteral("Root");
    return mountPoint.sliced(mountPoint.lastIndexOf(u'/') + 1);
}

qint16 Volume::reference() const
{
    return mountId > 0 && mountId <= 0x7FFF ? qint16(-mountId) : qint16(0);
}

QList<Volume> Volume::mounted()
{
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    struct stat root;
    if (!file.open(QIODevice::ReadOnly) || ::stat("/", &root) != 0)
        return {};
    return detail::volumesFromMountInfo(file.readAll(), root.st_dev);
}

QList<Volume> detail::volumesFromMountInfo(const QByteArray &mountInfo, quint64 rootDevice)
{
    QList<Volume> volumes;
    QSet<int> parents;
    for (const QByteArray &line : mountInfo.split('\n')) {
        std::optional<Volume> volume = parseMountInfoLine(line);
        if (!volume)
            continue;
        parents.insert(line.split(' ').value(1).toInt());
        volumes.removeIf([&](const Volume &earlier) { return earlier.mountPoint == volume->mountPoint; });
        volumes.append(std::move(*volume));
    }
    if (std::ranges::any_of(volumes, [](const Volume &v) { return v.mountPoint == u"/"; }))
        return volumes;
    for (const Volume &volume : std::as_const(volumes))
        parents.remove(volume.mountId);
    Volume root;
    root.mountId = parents.isEmpty() ? 0 : *std::ranges::min_element(parents);
    root.device = rootDevice;
    root.mountPoint = QStringLiteral("/");
    volumes.prepend(root);
    return volumes;
}

std::optional<Volume> Volume::containing(const QString &path)
{
    std::optional<Volume> best;
    for (Volume &volume : mounted()) {
        const QString &point = volume.mountPoint;
        const bool inside = point == u"/" || path == point || path.startsWith(point + u'/');
        if (inside && (!best || point.size() > best->mountPoint.size()))
            best = std::move(volume);
    }
    return best;
}

std::optional<Volume> Volume::named(const QString &name)
{
    const QList<Volume> volumes = mounted();
    for (const Volume &volume : volumes) {
        if (volume.mountPoint == u"/" && volume.name() == name)
            return volume;
    }
    for (const Volume &volume : volumes) {
        if (volume.name() == name)
            return volume;
    }
    return std::nullopt;
}

std::optional<Volume> Volume::withDevice(quint64 device)
{
    for (Volume &volume : mounted()) {
        if (volume.device == device)
            return std::move(volume);
    }
    return std::nullopt;
}

std::optional<Volume> Volume::withReference(qint16 reference)
{
    for (Volume &volume : mounted()) {
        if (reference != 0 && volume.reference() == reference)
            return std::move(volume);
    }
    return std::nullopt;
}

} // namespace platform
