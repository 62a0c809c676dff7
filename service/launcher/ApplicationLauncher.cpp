#include "ApplicationLauncher.h"

#include "platform/system/DesktopEntry.h"
#include "platform/system/DesktopEntryExec.h"
#include "platform/system/Workspace.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString ApplicationInterface = QStringLiteral("org.freedesktop.Application");

bool fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

QString executablePath(const QString &program)
{
    const QString path = program.contains(u'/') ? program : QStandardPaths::findExecutable(program);
    const QFileInfo info(path);
    return !path.isEmpty() && info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
}

} // namespace

ApplicationLauncher::ApplicationLauncher(QObject *parent)
    : QObject(parent)
{
}

QStringList ApplicationLauncher::terminalCommand()
{
    for (const QString &candidate : {qEnvironmentVariable("TERMINAL"), QStringLiteral("x-terminal-emulator")}) {
        if (candidate.isEmpty())
            continue;
        if (const QString path = executablePath(candidate); !path.isEmpty())
            return {path};
    }
    return {};
}

QString ApplicationLauncher::objectPath(const QString &busName)
{
    return u'/' + QString(busName).replace(u'.', u'/').replace(u'-', u'_');
}

bool ApplicationLauncher::launch(const LauncherApplication &app, const QList<QUrl> &urls, QString *error)
{
    if (app.isAppFolder)
        return platform::Workspace::openFile(app.path) || fail(error, QStringLiteral("cannot open ") + app.path);
    const auto entry = platform::DesktopEntry::read(app.path);
    if (!entry)
        return fail(error, QStringLiteral("cannot read ") + app.path);
    if (entry->boolean(QStringLiteral("DBusActivatable")) && app.id.endsWith(QLatin1String(".desktop")))
        return activate(app, urls);
    return startExec(app, urls, error);
}

bool ApplicationLauncher::activate(const LauncherApplication &app, const QList<QUrl> &urls)
{
    const QString busName = app.id.chopped(int(qstrlen(".desktop")));
    QDBusMessage call;
    const QVariantMap platformData;
    if (urls.isEmpty()) {
        call = QDBusMessage::createMethodCall(busName, objectPath(busName), ApplicationInterface, QStringLiteral("Activate"));
        call << platformData;
    } else {
        QStringList uris;
        for (const QUrl &url : urls)
            uris << url.toString(QUrl::FullyEncoded);
        call = QDBusMessage::createMethodCall(busName, objectPath(busName), ApplicationInterface, QStringLiteral("Open"));
        call << uris << platformData;
    }
    auto *watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, app, urls] {
        watcher->deleteLater();
        if (!watcher->isError())
            return;
        QString reason = watcher->error().message();
        const bool started = startExec(app, urls, &reason);
        Q_EMIT activationFailed(app.id, watcher->error().message(), started);
    });
    return true;
}

bool ApplicationLauncher::startExec(const LauncherApplication &app, const QList<QUrl> &urls, QString *error)
{
    const auto entry = platform::DesktopEntry::read(app.path);
    if (!entry)
        return fail(error, QStringLiteral("cannot read ") + app.path);
    const auto exec = platform::DesktopEntryExec::parse(entry->value(QStringLiteral("Exec")));
    if (!exec || exec->program().isEmpty())
        return fail(error, QStringLiteral("the Exec line of %1 does not parse").arg(app.path));
    const QString folder = entry->value(QStringLiteral("Path")).isEmpty() ? QDir::homePath() : entry->value(QStringLiteral("Path"));
    if (!QFileInfo(folder).isDir())
        return fail(error, QStringLiteral("the folder %1 does not exist").arg(folder));
    QStringList prefix;
    if (entry->boolean(QStringLiteral("Terminal"))) {
        prefix = terminalCommand();
        if (prefix.isEmpty())
            return fail(error, QStringLiteral("no terminal to run %1 in").arg(app.id));
        prefix << QStringLiteral("-e");
    }
    const platform::DesktopEntryExec::Context context{entry->value(QStringLiteral("Icon")),
                                                      entry->localizedValue(QStringLiteral("Name")), app.path};
    for (QStringList command : exec->commandLines(urls, context)) {
        const QString program = executablePath(command.first());
        if (program.isEmpty())
            return fail(error, QStringLiteral("the program %1 is not installed").arg(command.first()));
        command.first() = program;
        if (!platform::Workspace::startDetached(prefix + command, folder))
            return fail(error, QStringLiteral("cannot start ") + program);
    }
    return true;
}
