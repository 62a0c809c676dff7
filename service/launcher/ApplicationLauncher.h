#pragma once

#include "LauncherApplication.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

/// Starts the launcher's applications. An app folder is opened by the workspace.
/// A desktop entry is started by freedesktop.org's desktop entry rules: its Exec
/// line expanded for the URLs given, in its Path folder (else the home folder),
/// through the user's terminal when Terminal=true ($TERMINAL, else
/// x-terminal-emulator, given "-e" and the command); one with DBusActivatable=true
/// is asked over the session bus (org.freedesktop.Application Activate, or Open
/// with URLs) and started from its Exec line only when that call fails. Programs
/// are started detached, never through a shell.
class ApplicationLauncher : public QObject
{
    Q_OBJECT
public:
    explicit ApplicationLauncher(QObject *parent = nullptr);

    /// True when the application was started or asked to activate; false, with
    /// the reason in `error`, when it cannot be (no such entry, an Exec line that
    /// does not parse, a program, terminal or Path folder that is missing).
    bool launch(const LauncherApplication &app, const QList<QUrl> &urls = {}, QString *error = nullptr);

    /// The terminal's command, to which "-e" and the command are added; empty
    /// when there is none.
    static QStringList terminalCommand();

    /// The object path an application's ID gives on the bus ("org.example.App" →
    /// "/org/example/App", '-' as '_').
    static QString objectPath(const QString &busName);

Q_SIGNALS:
    /// A D-Bus activation failed and the Exec line was tried instead (`started`).
    void activationFailed(const QString &id, const QString &reason, bool started);

private:
    bool activate(const LauncherApplication &app, const QList<QUrl> &urls);
    static bool startExec(const LauncherApplication &app, const QList<QUrl> &urls, QString *error);
};
