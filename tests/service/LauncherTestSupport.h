#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

/// Desktop entries and folders of the launcher's tests, in the sandbox's XDG folders.
namespace corvane::test {

inline QString userApplications() { return qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/applications"); }
inline QString systemApplications() { return qEnvironmentVariable("XDG_DATA_DIRS") + QStringLiteral("/applications"); }

/// Writes `body` after the group header to `folder`/`relativePath`, making folders.
inline bool writeEntry(const QString &folder, const QString &relativePath, const QByteArray &body)
{
    const QString path = folder + u'/' + relativePath;
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).absolutePath()) && file.open(QIODevice::WriteOnly)
           && file.write("[Desktop Entry]\n" + body) > 0;
}

inline void clearApplications()
{
    QDir(userApplications()).removeRecursively();
    QDir(systemApplications()).removeRecursively();
    QDir(QDir::homePath() + QStringLiteral("/Applications")).removeRecursively();
}

} // namespace corvane::test
