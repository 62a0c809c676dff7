#include "platform/system/AutostartFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QStandardPaths>

namespace platform::AutostartFolders {

namespace {

const QString autostart = QStringLiteral("/autostart");

QStringList entryFileNames(const QString &folder)
{
    // Dot files too: some sessions start them, and an entry written for a name
    // beginning with a full stop must be found again to be removed.
    return QDir(folder).entryList({QStringLiteral("*.desktop")}, QDir::Files | QDir::Hidden | QDir::Readable,
                                  QDir::Name);
}

} // namespace

QString userFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + autostart;
}

QStringList systemFolders()
{
    QString dirs = qEnvironmentVariable("XDG_CONFIG_DIRS");
    if (dirs.isEmpty())
        dirs = QStringLiteral("/etc/xdg");
    QStringList folders;
    for (const QString &dir : dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(dir)) // relative entries are invalid and ignored
            folders << QDir::cleanPath(dir) + autostart;
    }
    return folders;
}

QList<Entry> effectiveEntries()
{
    QMap<QString, Entry> winners; // file name → the most important entry
    QStringList folders = systemFolders();
    folders.prepend(userFolder());
    for (qsizetype i = 0; i < folders.size(); ++i) {
        for (const QString &name : entryFileNames(folders[i])) {
            if (winners.contains(name))
                continue;
            const QString path = folders[i] + QLatin1Char('/') + name;
            auto entry = DesktopEntry::read(path);
            if (!entry) // unreadable or not an entry: it still hides the ones below it
                entry = DesktopEntry();
            winners.insert(name, Entry{name, path, i == 0, *entry});
        }
    }
    QList<Entry> entries;
    for (const Entry &e : std::as_const(winners)) {
        if (!e.entry.boolean(QStringLiteral("Hidden")))
            entries << e;
    }
    return entries;
}

bool systemEntryExists(const QString &fileName)
{
    const QStringList folders = systemFolders();
    return std::any_of(folders.cbegin(), folders.cend(),
                       [&](const QString &folder) { return QFileInfo::exists(folder + QLatin1Char('/') + fileName); });
}

bool writeUserEntry(const QString &fileName, const DesktopEntry &entry)
{
    if (!QDir().mkpath(userFolder()))
        return false;
    return entry.write(userFolder() + QLatin1Char('/') + fileName);
}

bool removeUserEntry(const QString &fileName)
{
    const QString path = userFolder() + QLatin1Char('/') + fileName;
    return QFile::remove(path) || !QFileInfo::exists(path);
}

} // namespace platform::AutostartFolders
