#pragma once

#include "ServiceJournal.h"
#include "launcher/ApplicationScanner.h"
#include "launcher/LauncherApplication.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>

namespace platform {
class ManagedObject;
class ManagedObjectContext;
using ManagedObjectPtr = std::shared_ptr<ManagedObject>;
}

/// The service's catalogue of applications in the store it shares with the pane,
/// <Application Support>/Velora/Corvane/Corvane.db: one "Application" record for
/// each application the launcher offers (see ApplicationScanner), with its name
/// (the file name without extension), URL (the file URL), `excluded` flag, and
/// usage (`lastUsed`, `useCount`).
///
/// refresh() runs at open() and whenever an application folder changes: new
/// applications get a record that is not excluded, known ones keep theirs
/// untouched (nothing is written when nothing changed), a record whose file gave
/// way to another file of the same desktop-file ID follows it with its flag and
/// usage, and records of applications that are gone are deleted and announced
/// with "CVApplicationRemovedFromLauncherNotification" ("ApplicationIDs": their
/// URIs). applicationsChanged() follows every change of what applications() gives.
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

    /// "LimitAppSearchesToSystemVolume": keep only applications on the file
    /// system of "/". Catalogues again when it changes.
    void setSystemVolumeOnly(bool only);

    /// The applications catalogued, with their records' values.
    const QList<LauncherApplication> &applications() const { return m_applications; }

    /// Counts a launch of the record `uri` at `when`: its use count goes up by one
    /// and its last use becomes `when`, written column by column so that a flag the
    /// pane saves at the same moment is kept. False (journalled) when the store
    /// refuses or has no such record.
    bool recordUse(const QString &uri, const QDateTime &when);

Q_SIGNALS:
    void applicationsChanged();

private:
    void watchFolders();
    void takeRecords(const QList<platform::ManagedObjectPtr> &records);

    ServiceJournal &m_journal;
    QString m_modelPath;
    bool m_systemVolumeOnly = false;
    QList<LauncherApplication> m_applications;
    std::unique_ptr<platform::ManagedObjectContext> m_context;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
};
