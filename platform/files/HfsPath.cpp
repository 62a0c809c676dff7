#include "platform/files/HfsPath.h"

#include "platform/files/Volume.h"

#include <QDir>
#include <QStringList>

namespace platform {

namespace {

QString joinPosix(const QString &base, const QStringList &components)
{
    QString path = base;
    for (const QString &component : components) {
        if (!path.endsWith(u'/'))
            path += u'/';
        path += component;
    }
    return path;
}

} // namespace

std::optional<QString> HfsPath::fromPath(const QString &path)
{
    if (!path.startsWith(u'/'))
        return std::nullopt;
    const QString clean = QDir::cleanPath(path);
    const std::optional<Volume> volume = Volume::containing(clean);
    if (!volume)
        return std::nullopt;
    QStringList components{swapDelimiters(volume->name())};
    for (const QString &component : clean.sliced(volume->mountPoint.size()).split(u'/', Qt::SkipEmptyParts))
        components.append(swapDelimiters(component));
    return components.size() == 1 ? components.front() + u':' : components.join(u':');
}

std::optional<HfsPath::Converted> HfsPath::toPath(const QString &hfsPath)
{
    if (hfsPath.isEmpty())
        return std::nullopt;
    Converted result;
    QString text = hfsPath;
    if (text.size() > 1 && text.endsWith(u':')) {
        result.isFolder = true;
        text.chop(1);
    }
    QStringList components = text.split(u':');
    QString top;
    QStringList below;
    if (components.front().isEmpty()) {
        // A partial path: "::" may climb above the current folder, up to "/".
        top = QStringLiteral("/");
        below = QDir::currentPath().split(u'/', Qt::SkipEmptyParts);
    } else {
        const std::optional<Volume> volume = Volume::named(swapDelimiters(components.front()));
        if (!volume)
            return std::nullopt;
        top = volume->mountPoint;
    }
    components.removeFirst();
    for (const QString &component : std::as_const(components)) {
        if (component.isEmpty()) {
            if (!below.isEmpty())
                below.removeLast();
        } else {
            below.append(swapDelimiters(component));
        }
    }
    result.path = QDir::cleanPath(joinPosix(top, below));
    result.isFolder = result.isFolder || result.path == top;
    return result;
}

QString HfsPath::swapDelimiters(QString component)
{
    for (QChar &c : component) {
        if (c == u':')
            c = u'/';
        else if (c == u'/')
            c = u':';
    }
    return component;
}

} // namespace platform
