#include "platform/files/CompanionFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>

namespace platform {

namespace {

// Resource forks hold at most 16 MiB of data plus their map; a larger header
// file is no companion this layer wrote or can use.
constexpr qint64 MaximumCompanionSize = 64 * 1024 * 1024;

bool exists(const QString &path)
{
    struct stat info;
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

quint32 inodeTag(const QString &path)
{
    struct stat info;
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? quint32(info.st_ino) : 0;
}

} // namespace

std::optional<QString> CompanionFile::pathFor(const QString &path)
{
    const QString clean = QDir::cleanPath(path);
    const qsizetype slash = clean.lastIndexOf(u'/');
    const QString name = clean.sliced(slash + 1);
    if (name.isEmpty() || name == u"." || name == u".." || QFile::encodeName(name).size() > MaximumNameBytes)
        return std::nullopt;
    return clean.first(slash + 1) + QStringLiteral("._") + name;
}

std::optional<AppleDouble> CompanionFile::read(const QString &path)
{
    const std::optional<QString> companion = pathFor(path);
    if (!companion)
        return std::nullopt;
    QFile file(*companion);
    if (!file.open(QIODevice::ReadOnly))
        return file.exists() ? std::nullopt : std::optional(AppleDouble());
    if (file.size() > MaximumCompanionSize)
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return AppleDouble::parse(bytes);
}

bool CompanionFile::write(const QString &path, const AppleDouble &contents)
{
    const std::optional<QString> companion = pathFor(path);
    if (!companion)
        return false;
    if (contents.isEmpty())
        return !exists(*companion) || QFile::remove(*companion);
    QSaveFile file(*companion);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(contents.toBytes(inodeTag(path)));
    return file.commit();
}

bool CompanionFile::moveItem(const QString &from, const QString &to)
{
    const std::optional<QString> fromCompanion = pathFor(from);
    const std::optional<QString> toCompanion = pathFor(to);
    const bool hasCompanion = fromCompanion && exists(*fromCompanion);
    if (hasCompanion && !toCompanion)
        return false;
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        return false;
    if (hasCompanion)
        return std::rename(QFile::encodeName(*fromCompanion).constData(), QFile::encodeName(*toCompanion).constData())
               == 0;
    if (toCompanion && exists(*toCompanion))
        QFile::remove(*toCompanion);
    return true;
}

} // namespace platform
