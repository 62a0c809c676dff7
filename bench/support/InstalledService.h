#pragma once

#include "platform/system/SearchPaths.h"

#include <QDir>
#include <QFile>
#include <QString>

/// Links the service application `app` where the pane looks first, the user's
/// Services folder, in place of whatever stood there; true when linked.
inline bool installServiceLink(const QString &app)
{
    const QString folder = platform::searchPathForDirectoriesInDomains(platform::SearchPathDirectory::Library,
                                                                       platform::SearchPathDomain::User, true)
                               .value(0)
                           + QStringLiteral("/Services");
    QDir().mkpath(folder);
    QFile::remove(folder + QStringLiteral("/Corvane.app"));
    return QFile::link(app, folder + QStringLiteral("/Corvane.app"));
}
