#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

namespace platform {

/// The freedesktop.org icon themes, read without a GUI toolkit (the library and
/// the service are headless): PNG icons are found by name and by their real
/// pixel size, and their bytes are taken as they are. Scalable (SVG) icons are
/// not rendered, so a theme that has only those for a name gives nothing.
class IconTheme
{
public:
    /// The folders themes are looked for in: $XDG_DATA_HOME/icons, ~/.icons, each
    /// of $XDG_DATA_DIRS/icons, or what setThemeSearchPaths() set.
    static QStringList themeSearchPaths();
    /// Replaces the folders (process-wide; for tests); an empty list restores them.
    static void setThemeSearchPaths(const QStringList &paths);

    /// The theme the desktop chose: KDE's [Icons] Theme in kdeglobals, else GTK's
    /// gtk-icon-theme-name in gtk-3.0/settings.ini, else "Adwaita"; or what
    /// setThemeName() set.
    static QString themeName();
    /// Replaces the theme (process-wide; for tests); an empty name restores it.
    static void setThemeName(const QString &name);

    /// The PNG icon `name` for each of `sizes` (pixels, square) that the current
    /// theme, the themes it inherits from or "hicolor" have at exactly that size,
    /// first found first; an absolute path to a PNG file serves the size it has.
    /// Each value is the file's bytes.
    static QMap<int, QByteArray> pngIcons(const QString &name, const QList<int> &sizes);

    /// The width and height of PNG bytes (its IHDR chunk), or 0 when they are no PNG.
    static int squarePngSize(const QByteArray &png);
};

} // namespace platform
