#include "FileManagerExtensions.h"

#include "platform/core/Log.h"

#include <QDir>
#include <QFileInfo>

namespace vl {

namespace {

/// The path without its last component: "/a/b" → "/a", "/a" → "/", "a" → "".
QString parentPath(const QString &path)
{
    QString trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith(QLatin1Char('/')))
        trimmed.chop(1);
    const qsizetype slash = trimmed.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return {};
    return slash == 0 ? QStringLiteral("/") : trimmed.left(slash);
}

/// The path as its components give it back: no repeated or trailing slashes
/// ("/tmp//x/" → "/tmp/x"); '.' and '..' stay, as a link may sit before them.
QString withoutExtraSlashes(const QString &path)
{
    const QString joined = path.split(QLatin1Char('/'), Qt::SkipEmptyParts).join(QLatin1Char('/'));
    return path.startsWith(QLatin1Char('/')) ? QLatin1Char('/') + joined : joined;
}

QString joined(const QString &folder, const QString &name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

} // namespace

std::optional<QString> createDirectoryPath(const QString &path)
{
    // A relative path would be made relative to whatever the working folder
    // happens to be; its ancestry also ends at the empty path, where we stop.
    if (path.isEmpty() || QDir::isRelativePath(path))
        return std::nullopt;
    const QFileInfo info(path);
    if (info.exists()) {
        if (info.isDir())
            return path;
        platform::log(QStringLiteral("%1 is a plain file not a folder").arg(path));
        return std::nullopt;
    }
    const QString parent = parentPath(path);
    if (parent != path)
        createDirectoryPath(parent); // a failure shows up in mkdir() below
    if (QDir().mkdir(path))
        return path;
    platform::log(QStringLiteral("Can't create directory: %1").arg(path));
    return std::nullopt;
}

bool ensureDirectoryPathExists(const QString &path)
{
    return !path.isEmpty() && createDirectoryPath(path).has_value();
}

bool ensureFilePathExists(const QString &path)
{
    return !path.isEmpty() && ensureDirectoryPathExists(parentPath(path));
}

std::optional<QStringList> fullPathDirectoryContentsAtPath(const QString &path)
{
    if (path.isEmpty())
        return std::nullopt;
    const QDir dir(path);
    if (!dir.exists() || !QFileInfo(path).isReadable())
        return std::nullopt;
    const auto filters = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    const QString folder = withoutExtraSlashes(path);
    QStringList paths;
    for (const QString &name : dir.entryList(filters, QDir::Unsorted))
        paths << joined(folder, name);
    return paths;
}

std::uint32_t directoryCountAtPath(const QString &path)
{
    const auto contents = fullPathDirectoryContentsAtPath(path);
    if (!contents)
        return DirectoryCountNotFound;
    return std::uint32_t(std::count_if(contents->cbegin(), contents->cend(),
                                       [](const QString &entry) { return QFileInfo(entry).isDir(); }));
}

std::optional<QString> uniqueFilename(const QString &name, const QString &folder)
{
    if (!QFileInfo::exists(folder))
        return std::nullopt;
    const QString lastComponent = QFileInfo(name).fileName();
    const qsizetype firstDot = lastComponent.indexOf(QLatin1Char('.'));
    const qsizetype lastDot = lastComponent.lastIndexOf(QLatin1Char('.'));
    const QString base = firstDot < 0 ? lastComponent : lastComponent.left(firstDot);
    const QString extension = lastDot < 0 ? QString() : lastComponent.mid(lastDot + 1);

    QString candidate = joined(folder, name);
    for (int counter = 1; QFileInfo::exists(candidate) || QFileInfo(candidate).isSymLink(); ++counter)
        candidate = joined(folder, base + QLatin1Char('-') + QString::number(counter) + QLatin1Char('.') + extension);
    return QFileInfo(candidate).fileName();
}

} // namespace vl
