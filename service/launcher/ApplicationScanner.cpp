#include "ApplicationScanner.h"

#include "platform/system/Bundle.h"
#include "platform/system/DesktopEntry.h"
#include "platform/system/DesktopEntryExec.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>

#include <functional>

#include <sys/stat.h>

namespace ApplicationScanner {

namespace {

// Deep enough for any real tree, shallow enough that a looping tree ends.
constexpr int MaxDepth = 8;

bool isAppFolder(const QFileInfo &info)
{
    return info.isDir() && info.suffix() == u"app";
}

bool isInstalled(const QString &program)
{
    const QString path = QDir::isAbsolutePath(program) ? program : QStandardPaths::findExecutable(program);
    const QFileInfo info(path);
    return !path.isEmpty() && info.isFile() && info.isExecutable();
}

struct Scan
{
    const Options &options;
    QSet<QString> claimedIds;
    QList<LauncherApplication> found;
    dev_t rootDevice = 0;

    bool onSystemVolume(const QString &path) const
    {
        struct stat info{};
        return ::stat(QFile::encodeName(path).constData(), &info) == 0 && info.st_dev == rootDevice;
    }

    void add(LauncherApplication &&app)
    {
        if (options.systemVolumeOnly && !onSystemVolume(app.path))
            return;
        found.append(std::move(app));
    }

    void addAppFolder(const QFileInfo &info)
    {
        // An app folder's ID is its name: the first folder that has it wins, as for entries.
        if (claimedIds.contains(info.fileName()))
            return;
        claimedIds.insert(info.fileName());
        LauncherApplication app;
        app.id = info.fileName();
        app.path = info.absoluteFilePath();
        app.isAppFolder = true;
        const auto bundle = platform::Bundle::bundleWithPath(app.path);
        app.name = bundle ? bundle->name() : info.completeBaseName();
        app.executable = info.completeBaseName();
        add(std::move(app));
    }

    void addEntry(const QString &id, const QString &path)
    {
        if (claimedIds.contains(id))
            return;
        claimedIds.insert(id);   // whatever the winner holds: a hidden one hides the ID
        const auto entry = platform::DesktopEntry::read(path);
        if (!entry || !isOffered(*entry))
            return;
        LauncherApplication app;
        app.id = id;
        app.path = path;
        app.name = entry->localizedValue(QStringLiteral("Name"));
        app.genericName = entry->localizedValue(QStringLiteral("GenericName"));
        platform::DesktopEntry keywords;
        keywords.setValue(QStringLiteral("Keywords"), entry->localizedValue(QStringLiteral("Keywords")));
        app.keywords = keywords.stringList(QStringLiteral("Keywords"));
        app.icon = entry->value(QStringLiteral("Icon"));
        if (const auto exec = platform::DesktopEntryExec::parse(entry->value(QStringLiteral("Exec"))))
            app.executable = QFileInfo(exec->program()).fileName();
        if (app.name.isEmpty())
            app.name = app.storeName();
        add(std::move(app));
    }

    bool isOffered(const platform::DesktopEntry &entry) const
    {
        if (entry.value(QStringLiteral("Type")) != u"Application" || entry.boolean(QStringLiteral("Hidden"))
            || entry.boolean(QStringLiteral("NoDisplay")) || !entry.isShownIn(options.desktops))
            return false;
        const QString tryExec = entry.value(QStringLiteral("TryExec"));
        return tryExec.isEmpty() || isInstalled(tryExec);
    }

    void walk(const QString &root, const QString &folder, int depth)
    {
        const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        for (const QFileInfo &info : entries) {
            if (isAppFolder(info))
                addAppFolder(info);
            else if (info.isFile() && info.suffix() == u"desktop")
                addEntry(desktopFileId(root, info.absoluteFilePath()), info.absoluteFilePath());
            else if (info.isDir() && !info.isSymLink() && depth < MaxDepth)
                walk(root, info.absoluteFilePath(), depth + 1);
        }
    }
};

} // namespace

QStringList entryFolders()
{
    // Qt reads $XDG_DATA_HOME and $XDG_DATA_DIRS with their defaults, in order.
    QStringList folders;
    for (const QString &dir : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        folders.append(QDir::cleanPath(dir) + QStringLiteral("/applications"));
    folders.removeDuplicates();
    return folders;
}

QStringList currentDesktops()
{
    return qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts);
}

Options options(bool systemVolumeOnly)
{
    return {entryFolders(), {QDir::homePath() + QStringLiteral("/Applications")}, currentDesktops(), systemVolumeOnly};
}

QString desktopFileId(const QString &folder, const QString &path)
{
    const QString relative = QDir(folder).relativeFilePath(path);
    if (relative.startsWith(QLatin1String("../")) || QDir::isAbsolutePath(relative))
        return {};
    return QString(relative).replace(u'/', u'-');
}

QList<LauncherApplication> scan(const Options &options)
{
    Scan scan{options, {}, {}};
    struct stat root{};
    if (::stat("/", &root) == 0)
        scan.rootDevice = root.st_dev;
    for (const QString &folder : options.entryFolders)
        scan.walk(folder, folder, 0);
    for (const QString &folder : options.appFolderFolders) {
        const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        for (const QFileInfo &info : entries) {
            if (isAppFolder(info))
                scan.addAppFolder(info);
        }
    }
    return scan.found;
}

QStringList foldersToWatch(const Options &options)
{
    QStringList folders;
    std::function<void(const QString &, int)> collect = [&](const QString &folder, int depth) {
        folders << folder;
        if (depth >= MaxDepth)
            return;
        const QFileInfoList subfolders = QDir(folder).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks);
        for (const QFileInfo &info : subfolders) {
            if (!isAppFolder(info))
                collect(info.absoluteFilePath(), depth + 1);
        }
    };
    for (const QString &folder : options.entryFolders) {
        if (QFileInfo(folder).isDir())
            collect(folder, 0);
        else if (const QString parent = QFileInfo(folder).absolutePath(); QFileInfo(parent).isDir())
            folders << parent;   // made later, it shows there
    }
    for (const QString &folder : options.appFolderFolders) {
        if (QFileInfo(folder).isDir())
            folders << folder;
    }
    folders.removeDuplicates();
    return folders;
}

} // namespace ApplicationScanner
