#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace platform {

/// Icon family data ('icns') made from freedesktop.org theme icons.
class IconFamily
{
public:
    /// The icns data of PNG images by pixel size: one element a size from 16
    /// to 512 (icp4, icp5, icp6, ic07, ic08, ic09), the PNG bytes unchanged. None
    /// when no image has one of those sizes.
    static std::optional<QByteArray> fromPngs(const QMap<int, QByteArray> &pngBySize);

    /// The names of the icons that stand for the item at `path`, best first: a
    /// desktop entry's Icon= (a theme name or an absolute file), "folder" for a
    /// folder, else the icon of the item's MIME type, then its generic icon, then
    /// "text-x-generic". Empty when nothing is at `path`.
    static QStringList iconNamesForPath(const QString &path);

    /// The icns data of the first of iconNamesForPath() that the icon theme has
    /// (IconTheme) at one of the sizes at least; none when it has none.
    static std::optional<QByteArray> forPath(const QString &path);
};

} // namespace platform
