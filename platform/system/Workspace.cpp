#include "platform/system/Workspace.h"

#include "platform/system/DesktopEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace platform {

namespace {

struct Launch
{
    QString program;
    QStringList arguments;
    QString workingDirectory;
};

bool isPlainFileName(const QString &name)
{
    return !name.isEmpty() && !name.contains(u'/') && name != u"." && name != u"..";
}

bool isExecutableFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

std::optional<Launch> launchForDesktopEntry(const QString &path)
{
    const auto entry = DesktopEntry::read(path);
    if (!entry || entry->value(QStringLiteral("Type")) != u"Application")
        return std::nullopt;
    auto arguments = DesktopEntry::splitExec(entry->value(QStringLiteral("Exec")));
    if (!arguments || arguments->isEmpty())
        return std::nullopt;
    QString program = arguments->takeFirst();
    if (!program.contains(u'/'))
        program = QStandardPaths::findExecutable(program);
    if (!isExecutableFile(program))
        return std::nullopt;
    return Launch{program, *arguments, entry->value(QStringLiteral("Path"))};
}

std::optional<Launch> launchFor(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir()) {
        if (info.suffix() != u"app")
            return std::nullopt;
        // Absolute: the program starts in another folder, where a relative path
        // would name something else.
        const QString executable = QDir(info.absoluteFilePath()).filePath(info.completeBaseName());
        if (!isExecutableFile(executable))
            return std::nullopt;
        return Launch{executable, {}, {}};
    }
    if (info.isFile() && info.suffix() == u"desktop")
        return launchForDesktopEntry(path);
    if (isExecutableFile(path))
        return Launch{info.absoluteFilePath(), {}, {}};
    return std::nullopt;
}

QStringList applicationFolders(bool withUserApplications)
{
    QStringList folders;
    if (withUserApplications)
        folders.append(QDir::homePath() + QStringLiteral("/Applications"));
    folders += QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
    return folders;
}

} // namespace

bool Workspace::openFile(const QString &path, qint64 *pid)
{
    const auto launch = launchFor(path);
    if (!launch)
        return false;
    return startDetached(QStringList{launch->program} + launch->arguments,
                         launch->workingDirectory.isEmpty() ? QDir::homePath() : launch->workingDirectory, pid);
}

bool Workspace::startDetached(const QStringList &command, const QString &workingDirectory, qint64 *pid)
{
    if (command.isEmpty())
        return false;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // The caller's tokens belong to its own window, not to what it starts.
    environment.remove(QStringLiteral("DESKTOP_STARTUP_ID"));
    environment.remove(QStringLiteral("XDG_ACTIVATION_TOKEN"));
    QProcess process;
    process.setProgram(command.first());
    process.setArguments(command.mid(1));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingDirectory);
    process.setStandardInputFile(QProcess::nullDevice());
    return process.startDetached(pid);
}

std::optional<QString> Workspace::fullPathForApplication(const QString &name)
{
    QString base = name;
    if (base.endsWith(QLatin1String(".app")))
        base.chop(4);
    if (!isPlainFileName(base))
        return std::nullopt;
    for (const QString &folder : applicationFolders(true)) {
        const QString app = folder + u'/' + base + QStringLiteral(".app");
        if (launchFor(app))
            return app;
        const QString entry = folder + u'/' + base + QStringLiteral(".desktop");
        if (QFileInfo(entry).isFile())
            return entry;
    }
    return std::nullopt;
}

std::optional<QString> Workspace::absolutePathForAppBundleWithIdentifier(const QString &identifier)
{
    if (!isPlainFileName(identifier))
        return std::nullopt;
    for (const QString &folder : applicationFolders(false)) {
        const QString entry = folder + u'/' + identifier + QStringLiteral(".desktop");
        if (QFileInfo(entry).isFile())
            return entry;
    }
    return std::nullopt;
}

} // namespace platform
