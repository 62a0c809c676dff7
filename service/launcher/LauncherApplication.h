#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QUrl>

/// One application the launcher offers: a desktop entry that won its desktop-file
/// ID, or an app folder, with what search shows and matches, and the record the
/// store keeps for it (empty `uri` until it has one).
struct LauncherApplication
{
    /// The desktop-file ID ("org.example.Mail.desktop"), or the app folder's name.
    QString id;
    /// The absolute path of the entry file or the app folder.
    QString path;
    bool isAppFolder = false;

    /// The translated Name, else the bundle's name.
    QString name;
    QString genericName;
    QStringList keywords;
    /// The file name of the program that Exec starts.
    QString executable;
    /// An icon theme name or an absolute file.
    QString icon;

    QString uri;
    bool excluded = false;
    /// Invalid when it was never launched.
    QDateTime lastUsed;
    qint64 useCount = 0;

    /// The store's name of the record: the file name without its extension.
    QString storeName() const;
    /// The store's URL of the record: the file URL of `path`.
    QString url() const { return QUrl::fromLocalFile(path).toString(); }
};
