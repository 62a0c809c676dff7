#include "platform/system/SearchPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>

namespace platform {

namespace {

QString &localDomainRoot()
{
    static QString root;
    return root;
}

// An XDG base folder: the variable when it holds an absolute path (the XDG rules
// say to ignore a relative one), else its default below the home folder.
QString xdgFolder(const char *variable, const QString &fallbackBelowHome)
{
    const QString value = qEnvironmentVariable(variable);
    if (QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return QDir::homePath() + u'/' + fallbackBelowHome;
}

QString userFolder(SearchPathDirectory directory)
{
    switch (directory) {
    case SearchPathDirectory::Library:
    case SearchPathDirectory::ApplicationSupport:
        return xdgFolder("XDG_DATA_HOME", QStringLiteral(".local/share"));
    case SearchPathDirectory::Logs:
        return xdgFolder("XDG_STATE_HOME", QStringLiteral(".local/state"));
    }
    return {};
}

QString localFolder(SearchPathDirectory directory)
{
    const QString path = directory == SearchPathDirectory::Logs ? QStringLiteral("/var/log")
                                                                 : QStringLiteral("/usr/local/share");
    return localDomainRoot().isEmpty() ? path : QDir::cleanPath(localDomainRoot() + path);
}

QString withTilde(const QString &path)
{
    const QString home = QDir::homePath();
    if (path == home)
        return QStringLiteral("~");
    if (home != u"/" && path.startsWith(home + u'/'))
        return u'~' + path.mid(home.size());
    return path;
}

} // namespace

QStringList searchPathForDirectoriesInDomains(SearchPathDirectory directory, SearchPathDomains domains,
                                              bool expandTilde)
{
    QStringList folders;
    if (domains.testFlag(SearchPathDomain::User))
        folders.append(userFolder(directory));
    if (domains.testFlag(SearchPathDomain::Local))
        folders.append(localFolder(directory));
    if (!expandTilde) {
        for (QString &folder : folders)
            folder = withTilde(folder);
    }
    return folders;
}

QString installedFolder(InstalledFolder folder)
{
    // The folders relative to this library's own come from the install layout.
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void *>(&installedFolder), &info) == 0 || !info.dli_fname
        || *info.dli_fname == '\0')
        return {};
    const QString libraryFolder = QFileInfo(QFile::decodeName(info.dli_fname)).absolutePath();
    const QString relative = folder == InstalledFolder::PreferencePanes
                                 ? QStringLiteral(CORVANE_INSTALLED_PANES_FROM_PLATFORM)
                                 : QStringLiteral(CORVANE_INSTALLED_SERVICES_FROM_PLATFORM);
    return QDir::cleanPath(libraryFolder + u'/' + relative);
}

ScopedLocalDomainRoot::ScopedLocalDomainRoot(const QString &root)
    : ScopedRestore(localDomainRoot(), root)
{
}

} // namespace platform
