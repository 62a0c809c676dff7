#pragma once

#include "launcher/ApplicationLauncher.h"
#include "launcher/LauncherIndex.h"

#include <QObject>
#include <QString>

class ApplicationCatalogue;
class ServiceJournal;

/// What the launcher's window asks of the service: the catalogue's applications
/// searched and ordered by the current sort order, and an application launched
/// with its use counted in the store. The index follows the catalogue live
/// (added, removed and excluded applications, uses); resultsChanged() says when
/// the same query may now give other results.
class Launcher : public QObject
{
    Q_OBJECT
public:
    Launcher(ApplicationCatalogue &catalogue, ServiceJournal &journal, QObject *parent = nullptr);

    /// Takes up a stored "CVSortOrder" value; announces resultsChanged() when the order changes.
    void setSortOrder(const QString &preference);
    LauncherIndex::SortOrder sortOrder() const { return m_index.sortOrder(); }

    QList<LauncherApplication> search(const QString &query, qsizetype limit = -1) const;

    /// Starts `app` (see ApplicationLauncher) and counts the use; false, journalled,
    /// when it cannot be started.
    bool launch(const LauncherApplication &app, const QList<QUrl> &urls = {});

    /// The service's journal, for what a window has to tell.
    ServiceJournal &journal() const { return m_journal; }

Q_SIGNALS:
    /// The catalogue or the sort order changed.
    void resultsChanged();

private:
    ApplicationCatalogue &m_catalogue;
    ServiceJournal &m_journal;
    LauncherIndex m_index;
    ApplicationLauncher m_launcher;
};
