#include "IconFamily.h"

#include "BigEndian_p.h"
#include "DesktopEntry.h"

#include <QBuffer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QMimeDatabase>
#include <QPixmap>

namespace platform {

namespace {

using namespace bigendian;

struct Element
{
    int size;
    const char *type;
};

constexpr Element Elements[] = {
    {16, "icp4"}, {32, "icp5"}, {64, "icp6"}, {128, "ic07"}, {256, "ic08"}, {512, "ic09"},
};

std::optional<QByteArray> png(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return std::nullopt;
    return bytes;
}

QIcon iconNamed(const QString &name)
{
    if (QFileInfo(name).isAbsolute())
        return QFileInfo::exists(name) ? QIcon(name) : QIcon();
    return QIcon::fromTheme(name);
}

} // namespace

std::optional<QByteArray> IconFamily::fromIcon(const QIcon &icon)
{
    if (icon.isNull() || !qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return std::nullopt;
    QByteArray elements;
    for (const Element &element : Elements) {
        const QSize size(element.size, element.size);
        // Qt gives an image no larger than asked, smaller when the icon has no
        // such size: those sizes are left out rather than scaled up.
        const QImage image = icon.pixmap(size).toImage();
        if (image.size() != size)
            continue;
        const std::optional<QByteArray> bytes = png(image);
        if (!bytes)
            return std::nullopt;
        elements += element.type;
        append<quint32>(elements, quint32(8 + bytes->size()));
        elements += *bytes;
    }
    if (elements.isEmpty())
        return std::nullopt;
    QByteArray family("icns");
    append<quint32>(family, quint32(8 + elements.size()));
    return family + elements;
}

QStringList IconFamily::iconNamesForPath(const QString &path)
{
    const QFileInfo file(path);
    if (!file.exists())
        return {};
    QStringList names;
    if (file.suffix() == u"desktop") {
        if (const std::optional<DesktopEntry> entry = DesktopEntry::read(path))
            names.append(entry->value(QStringLiteral("Icon")));
    }
    if (file.isDir()) {
        names.append(QStringLiteral("folder"));
    } else {
        const QMimeType type = QMimeDatabase().mimeTypeForFile(file);
        names << type.iconName() << type.genericIconName() << QStringLiteral("text-x-generic");
    }
    names.removeAll(QString());
    names.removeDuplicates();
    return names;
}

std::optional<QByteArray> IconFamily::forPath(const QString &path)
{
    for (const QString &name : iconNamesForPath(path)) {
        const QIcon icon = iconNamed(name);
        if (!icon.isNull())
            return fromIcon(icon);
    }
    return std::nullopt;
}

} // namespace platform
