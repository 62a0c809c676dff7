#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

class QIcon;

namespace platform {

/// Icon family data ('icns') made from freedesktop.org icons.
class IconFamily
{
public:
    /// The icon as icns data: one PNG element for each size from 16 to 512
    /// pixels that the icon has without scaling up (icp4, icp5, icp6, ic07, ic08,
    /// ic09). None for a null icon, or when the process has no QGuiApplication
    /// (images cannot be made without one).
    static std::optional<QByteArray> fromIcon(const QIcon &icon);

    /// The name of the theme icon that stands for the item at `path`, or an
    /// absolute image path: a desktop entry's Icon=, "folder" for a folder, else
    /// the icon of the item's MIME type, then its generic icon, then
    /// "text-x-generic". Empty when nothing is at `path`.
    static QStringList iconNamesForPath(const QString &path);

    /// fromIcon() of the first of iconNamesForPath() that the current icon
    /// theme (or its fallbacks) has; none when it has none.
    static std::optional<QByteArray> forPath(const QString &path);
};

} // namespace platform
