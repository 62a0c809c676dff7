#include "platform/files/IconFamily.h"

#include "platform/files/BigEndian_p.h"
#include "platform/files/IconTheme.h"
#include "platform/system/DesktopEntry.h"

#include <QFileInfo>
#include <QMimeDatabase>

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

QList<int> elementSizes()
{
    QList<int> sizes;
    for (const Element &element : Elements)
        sizes << element.size;
    return sizes;
}

} // namespace

std::optional<QByteArray> IconFamily::fromPngs(const QMap<int, QByteArray> &pngBySize)
{
    QByteArray elements;
    for (const Element &element : Elements) {
        const QByteArray png = pngBySize.value(element.size);
        if (png.isEmpty())
            continue;
        elements += element.type;
        append<quint32>(elements, quint32(8 + png.size()));
        elements += png;
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
        if (std::optional<QByteArray> family = fromPngs(IconTheme::pngIcons(name, elementSizes())))
            return family;
    }
    return std::nullopt;
}

} // namespace platform
