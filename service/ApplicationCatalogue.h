#pragma once

#include "ServiceJournal.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>

namespace platform {
class ManagedObjectContext;
}

/// The service's catalogue of applications in the store it shares with the pane,
/// <Application Support>/Velora/Corvane/Corvane.db: one "Application" record for
/// each desktop entry and each `.app` folder in the application folders, with its
/// name (the file name without extension), URL (the file URL) and `excluded` flag.
///
/// refresh() runs at open() and whenever an application folder changes: new
/// applications get a record that is not excluded, known ones keep theirs
/// untouched (nothing is written when nothing changed), and records of
/// applications that are gone are deleted and announced with
/// "CVApplicationRemovedFromLauncherNotification" ("ApplicationIDs": their URIs).
class ApplicationCatalogue : public QObject
{
    Q_OBJECT
public:
    /// `modelPath`: the object model file shared with the pane.
    ApplicationCatalogue(ServiceJournal &journal, QString modelPath, QObject *parent = nullptr);
    ~ApplicationCatalogue() override;

    /// Creates the store's folder chain, opens the store and catalogues; false
    /// (journalled) when the model or the store cannot be opened.
    bool open();

    /// The folders searched, in order: $XDG_DATA_HOME/applications, each
    /// $XDG_DATA_DIRS/applications, ~/Applications.
    static QStringList applicationFolders();
    /// <Application Support>/Velora/Corvane/Corvane.db.
    static QString storePath();

    /// Brings the records in line with the application folders.
    void refresh();

    /// The pane changed the record `uri` (empty for none): its flag is read from
    /// the store again and journalled as "excluded <uri> true|false", or
    /// "excluded <uri> unknown" when the store has no such record.
    void excludedApplicationsChanged(const QString &uri);

    /// Whether the record `uri` is excluded, as this catalogue last read it.
    bool isExcluded(const QString &uri) const;

private:
    void watchFolders();

    ServiceJournal &m_journal;
    QString m_modelPath;
    std::unique_ptr<platform::ManagedObjectContext> m_context;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
};
