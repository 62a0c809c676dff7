#include "platform/files/IconTheme.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QtEndian>

#include <mutex>

namespace platform {

namespace {

constexpr int MaximumInheritance = 8;
constexpr qint64 MaximumIconFileSize = 4 * 1024 * 1024;

struct Overrides
{
    std::mutex mutex;
    QStringList searchPaths;
    QString themeName;
};

Overrides &overrides()
{
    static Overrides instance;
    return instance;
}

QString environmentFolder(const char *variable, const QString &fallback)
{
    const QString value = qEnvironmentVariable(variable);
    return QDir::isAbsolutePath(value) ? value : fallback;
}

// A desktop-entry-style file ("[Group]", "key=value") as group → key → value.
QHash<QString, QHash<QString, QString>> readGroups(const QString &path)
{
    QHash<QString, QHash<QString, QString>> groups;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > 1024 * 1024)
        return groups;
    QString group;
    for (const QByteArray &raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            group = line.sliced(1, line.size() - 2);
        } else if (const qsizetype equals = line.indexOf(u'='); equals > 0 && !line.startsWith(u'#')) {
            groups[group].insert(line.first(equals).trimmed(), line.sliced(equals + 1).trimmed());
        }
    }
    return groups;
}

QString configuredTheme()
{
    const QString config = environmentFolder("XDG_CONFIG_HOME", QDir::homePath() + QStringLiteral("/.config"));
    const QString kde = readGroups(config + QStringLiteral("/kdeglobals"))
                            .value(QStringLiteral("Icons"))
                            .value(QStringLiteral("Theme"));
    if (!kde.isEmpty())
        return kde;
    const QString gtk = readGroups(config + QStringLiteral("/gtk-3.0/settings.ini"))
                            .value(QStringLiteral("Settings"))
                            .value(QStringLiteral("gtk-icon-theme-name"));
    return gtk.isEmpty() ? QStringLiteral("Adwaita") : gtk;
}

struct Theme
{
    QString name;
    QStringList folders; // <search path>/<name> that exist
    QStringList directories; // from index.theme
    QStringList inherits;
};

Theme loadTheme(const QString &name, const QStringList &searchPaths)
{
    Theme theme{name, {}, {}, {}};
    if (name.isEmpty() || name.contains(u'/') || name.startsWith(u'.'))
        return theme;
    for (const QString &base : searchPaths) {
        const QString folder = base + u'/' + name;
        if (!QFileInfo(folder).isDir())
            continue;
        theme.folders << folder;
        if (theme.directories.isEmpty()) {
            const auto index = readGroups(folder + QStringLiteral("/index.theme")).value(QStringLiteral("Icon Theme"));
            theme.directories = index.value(QStringLiteral("Directories")).split(u',', Qt::SkipEmptyParts);
            theme.inherits = index.value(QStringLiteral("Inherits")).split(u',', Qt::SkipEmptyParts);
        }
    }
    return theme;
}

// The theme, the themes it inherits from (breadth-first), then hicolor.
QList<Theme> themeChain(const QString &first, const QStringList &searchPaths)
{
    QList<Theme> chain;
    QStringList pending{first};
    QStringList seen;
    while (!pending.isEmpty() && chain.size() < MaximumInheritance) {
        const QString name = pending.takeFirst().trimmed();
        if (seen.contains(name))
            continue;
        seen << name;
        Theme theme = loadTheme(name, searchPaths);
        pending += theme.inherits;
        chain << std::move(theme);
    }
    if (!seen.contains(QStringLiteral("hicolor")))
        chain << loadTheme(QStringLiteral("hicolor"), searchPaths);
    return chain;
}

std::optional<QByteArray> readPng(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaximumIconFileSize)
        return std::nullopt;
    return file.readAll();
}

void take(QMap<int, QByteArray> &found, const QList<int> &sizes, const QString &path)
{
    const std::optional<QByteArray> png = readPng(path);
    const int size = png ? IconTheme::squarePngSize(*png) : 0;
    if (sizes.contains(size) && !found.contains(size))
        found.insert(size, *png);
}

} // namespace

QStringList IconTheme::themeSearchPaths()
{
    {
        std::lock_guard lock(overrides().mutex);
        if (!overrides().searchPaths.isEmpty())
            return overrides().searchPaths;
    }
    const QString home = QDir::homePath();
    QStringList paths{environmentFolder("XDG_DATA_HOME", home + QStringLiteral("/.local/share"))
                          + QStringLiteral("/icons"),
                      home + QStringLiteral("/.icons")};
    QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dataDirs.isEmpty())
        dataDirs = QStringLiteral("/usr/local/share:/usr/share");
    for (const QString &dir : dataDirs.split(u':', Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(dir))
            paths << dir + QStringLiteral("/icons");
    }
    return paths;
}

void IconTheme::setThemeSearchPaths(const QStringList &paths)
{
    std::lock_guard lock(overrides().mutex);
    overrides().searchPaths = paths;
}

QString IconTheme::themeName()
{
    {
        std::lock_guard lock(overrides().mutex);
        if (!overrides().themeName.isEmpty())
            return overrides().themeName;
    }
    return configuredTheme();
}

void IconTheme::setThemeName(const QString &name)
{
    std::lock_guard lock(overrides().mutex);
    overrides().themeName = name;
}

QMap<int, QByteArray> IconTheme::pngIcons(const QString &name, const QList<int> &sizes)
{
    QMap<int, QByteArray> found;
    if (name.isEmpty())
        return found;
    if (QDir::isAbsolutePath(name)) {
        take(found, sizes, name);
        return found;
    }
    if (name.contains(u'/'))
        return found;
    const QString file = name + QStringLiteral(".png");
    for (const Theme &theme : themeChain(themeName(), themeSearchPaths())) {
        for (const QString &folder : theme.folders) {
            for (const QString &directory : theme.directories) {
                if (!directory.contains(u"@")) // scaled directories hold larger images
                    take(found, sizes, folder + u'/' + directory + u'/' + file);
            }
        }
        if (found.size() == sizes.size())
            break;
    }
    return found;
}

int IconTheme::squarePngSize(const QByteArray &png)
{
    static const QByteArray signature("\x89PNG\r\n\x1a\n", 8);
    if (png.size() < 24 || !png.startsWith(signature) || png.mid(12, 4) != "IHDR")
        return 0;
    const quint32 width = qFromBigEndian<quint32>(png.constData() + 16);
    const quint32 height = qFromBigEndian<quint32>(png.constData() + 20);
    return width == height && width <= 4096 ? int(width) : 0;
}

} // namespace platform
