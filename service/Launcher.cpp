#include "Launcher.h"

#include "ApplicationCatalogue.h"
#include "ServiceJournal.h"

#include <QDateTime>

Launcher::Launcher(ApplicationCatalogue &catalogue, ServiceJournal &journal, QObject *parent)
    : QObject(parent)
    , m_catalogue(catalogue)
    , m_journal(journal)
{
    m_index.setApplications(catalogue.applications());
    connect(&catalogue, &ApplicationCatalogue::applicationsChanged, this,
            [this] {
                m_index.setApplications(m_catalogue.applications());
                Q_EMIT resultsChanged();
            });
    connect(&m_launcher, &ApplicationLauncher::activationFailed, this,
            [this](const QString &id, const QString &reason, bool started) {
                m_journal.write(QStringLiteral("activation-failed"),
                                {id, reason, started ? QStringLiteral("exec") : QStringLiteral("not-started")});
            });
}

void Launcher::setSortOrder(const QString &preference)
{
    const auto order = LauncherIndex::sortOrderFromPreference(preference);
    if (order == m_index.sortOrder())
        return;
    m_index.setSortOrder(order);
    Q_EMIT resultsChanged();
}

QList<LauncherApplication> Launcher::search(const QString &query, qsizetype limit) const
{
    return m_index.search(query, limit);
}

bool Launcher::launch(const LauncherApplication &app, const QList<QUrl> &urls)
{
    QString error;
    if (!m_launcher.launch(app, urls, &error)) {
        m_journal.write(QStringLiteral("error"), {QStringLiteral("launch %1: %2").arg(app.id, error)});
        return false;
    }
    m_journal.write(QStringLiteral("launched"), {app.id});
    if (!app.uri.isEmpty())
        m_catalogue.recordUse(app.uri, QDateTime::currentDateTimeUtc());
    return true;
}
