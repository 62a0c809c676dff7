#include "ApplicationCatalogue.h"

#include "platform/bus/DistributedNotificationCenter.h"
#include "platform/core/Log.h"
#include "platform/store/ManagedObjectContext.h"
#include "platform/store/PersistentStoreCoordinator.h"
#include "platform/system/SearchPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QUrl>

namespace {

const QString Entity = QStringLiteral("Application");
const QString RemovedNotification = QStringLiteral("CVApplicationRemovedFromLauncherNotification");
// Installers touch a folder several times in a row: catalogue once they settle.
constexpr int SettleMs = 200;

// The desktop-file ID a record's URL had, from the entry folders; empty for an
// app folder or a file outside them.
QString idOfUrl(const QString &url, const ApplicationScanner::Options &options)
{
    const QString path = QUrl(url).toLocalFile();
    if (!path.endsWith(QLatin1String(".desktop")))
        return {};
    for (const QString &folder : options.entryFolders) {
        if (const QString id = ApplicationScanner::desktopFileId(folder, path); !id.isEmpty())
            return id;
    }
    return {};
}

} // namespace

ApplicationCatalogue::ApplicationCatalogue(ServiceJournal &journal, QString modelPath, QObject *parent)
    : QObject(parent)
    , m_journal(journal)
    , m_modelPath(std::move(modelPath))
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(SettleMs);
    connect(&m_settle, &QTimer::timeout, this, &ApplicationCatalogue::refresh);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_settle, qOverload<>(&QTimer::start));
}

ApplicationCatalogue::~ApplicationCatalogue() = default;

QString ApplicationCatalogue::storePath()
{
    return platform::searchPathForDirectoriesInDomains(platform::SearchPathDirectory::ApplicationSupport,
                                                       platform::SearchPathDomain::User, true)
               .value(0)
           + QStringLiteral("/Velora/Corvane/Corvane.db");
}

bool ApplicationCatalogue::open()
{
    QString reason;
    const auto model = platform::ManagedObjectModel::fromFile(m_modelPath, &reason);
    if (!model) {
        m_journal.write(QStringLiteral("error"), {QStringLiteral("object model: ") + reason});
        return false;
    }
    const QString path = storePath();
    QDir().mkpath(QFileInfo(path).absolutePath());   // the whole chain: the pane makes one level only
    auto coordinator = std::make_shared<platform::PersistentStoreCoordinator>(*model);
    platform::StoreError error;
    if (!coordinator->addSQLiteStore(path, &error)) {
        m_journal.write(QStringLiteral("error"), {QStringLiteral("store: ") + error.toString()});
        return false;
    }
    m_context = std::make_unique<platform::ManagedObjectContext>(std::move(coordinator));
    m_journal.write(QStringLiteral("store"), {path});
    refresh();
    return true;
}

void ApplicationCatalogue::refresh()
{
    if (!m_context)
        return;
    // Watched first: a catalogue that fails below is redone on the next change,
    // and a change made while this one runs is not missed.
    watchFolders();
    const ApplicationScanner::Options options = ApplicationScanner::options(m_systemVolumeOnly);
    QList<LauncherApplication> applications = ApplicationScanner::scan(options);
    QHash<QString, qsizetype> byUrl;
    for (qsizetype i = 0; i < applications.size(); ++i)
        byUrl.insert(applications.at(i).url(), i);

    platform::StoreError error;
    const auto records = m_context->executeFetchRequest({Entity, std::nullopt, {}}, &error);
    if (!records) {
        m_journal.write(QStringLiteral("error"), {QStringLiteral("fetch: ") + error.toString()});
        return;
    }
    // Records whose file is gone, by the ID that file had: another file of the
    // same ID (a user's copy over the system's, say) takes the record over.
    QHash<QString, platform::ManagedObjectPtr> vacated;
    QList<platform::ManagedObjectPtr> removed;
    for (const platform::ManagedObjectPtr &record : *records) {
        if (byUrl.remove(record->value(QStringLiteral("URL")).toString()) > 0)
            continue;
        const QString id = idOfUrl(record->value(QStringLiteral("URL")).toString(), options);
        if (!id.isEmpty() && !vacated.contains(id))
            vacated.insert(id, record);
        else
            removed.append(record);
    }
    qsizetype added = 0;
    for (const qsizetype index : std::as_const(byUrl)) {
        const LauncherApplication &app = applications.at(index);
        platform::ManagedObjectPtr record = vacated.take(app.id);
        if (!record) {
            record = m_context->insertNewObject(Entity);
            record->setValue(QStringLiteral("excluded"), false);
            ++added;
        }
        record->setValue(QStringLiteral("name"), app.storeName());
        record->setValue(QStringLiteral("URL"), app.url());
    }
    removed += vacated.values();
    for (const auto &record : std::as_const(removed))
        m_context->deleteObject(record);
    QStringList removedIDs;
    for (const auto &record : std::as_const(removed))
        removedIDs.append(record->objectID().uriRepresentation());
    if (m_context->hasChanges() && !m_context->save(&error)) {
        m_journal.write(QStringLiteral("error"), {QStringLiteral("save: ") + error.toString()});
        for (const auto &record : *records)
            m_context->refreshObject(record, false);
        return;
    }
    m_applications = std::move(applications);
    const auto saved = m_context->executeFetchRequest({Entity, std::nullopt, {}}, &error);
    takeRecords(saved.value_or(QList<platform::ManagedObjectPtr>()));
    m_journal.write(QStringLiteral("catalogued"),
                    {QString::number(m_applications.size()), QStringLiteral("added=%1").arg(added),
                     QStringLiteral("removed=%1").arg(removed.size())});
    if (!removedIDs.isEmpty()) {
        for (const QString &id : removedIDs)
            m_journal.write(QStringLiteral("removed"), {id});
        platform::DistributedNotificationCenter::defaultCenter().postNotificationName(
            RemovedNotification, QString(), {{QStringLiteral("ApplicationIDs"), removedIDs}});
        m_journal.write(QStringLiteral("posted"), {RemovedNotification});
    }
    Q_EMIT applicationsChanged();
}

void ApplicationCatalogue::takeRecords(const QList<platform::ManagedObjectPtr> &records)
{
    QHash<QString, platform::ManagedObjectPtr> byUrl;
    for (const auto &record : records)
        byUrl.insert(record->value(QStringLiteral("URL")).toString(), record);
    for (LauncherApplication &app : m_applications) {
        const platform::ManagedObjectPtr record = byUrl.value(app.url());
        if (!record)
            continue;
        app.uri = record->objectID().uriRepresentation();
        app.excluded = record->value(QStringLiteral("excluded")).toBool();
        app.lastUsed = record->value(QStringLiteral("lastUsed")).toDateTime();
        app.useCount = record->value(QStringLiteral("useCount")).toLongLong();
    }
}

void ApplicationCatalogue::setSystemVolumeOnly(bool only)
{
    if (std::exchange(m_systemVolumeOnly, only) != only)
        refresh();
}

bool ApplicationCatalogue::recordUse(const QString &uri, const QDateTime &when)
{
    const auto id = m_context ? m_context->persistentStoreCoordinator()->managedObjectIDForURIRepresentation(uri)
                              : std::nullopt;
    platform::StoreError error;
    if (!id || !m_context->updateInPlace(*id, {{QStringLiteral("lastUsed"), when}}, {{QStringLiteral("useCount"), 1}}, &error)) {
        m_journal.write(QStringLiteral("error"), {QStringLiteral("use of %1: %2").arg(uri, id ? error.toString() : QStringLiteral("no such record"))});
        return false;
    }
    const platform::ManagedObjectPtr record = m_context->existingObjectWithID(*id);
    for (LauncherApplication &app : m_applications) {
        if (app.uri == uri && record) {
            app.lastUsed = record->value(QStringLiteral("lastUsed")).toDateTime();
            app.useCount = record->value(QStringLiteral("useCount")).toLongLong();
            m_journal.write(QStringLiteral("used"), {uri, QString::number(app.useCount)});
        }
    }
    Q_EMIT applicationsChanged();
    return true;
}

void ApplicationCatalogue::excludedApplicationsChanged(const QString &uri)
{
    if (!m_context || uri.isEmpty()) {
        m_journal.write(QStringLiteral("excluded"), {uri, QStringLiteral("unknown")});
        return;
    }
    const auto id = m_context->persistentStoreCoordinator()->managedObjectIDForURIRepresentation(uri);
    platform::ManagedObjectPtr record = id ? m_context->existingObjectWithID(*id) : nullptr;
    if (record)
        m_context->refreshObject(record, false);   // the pane wrote it: take the store's value
    if (!record || record->isDeleted()) {
        m_journal.write(QStringLiteral("excluded"), {uri, QStringLiteral("unknown")});
        return;
    }
    const bool excluded = isExcluded(uri);
    m_journal.write(QStringLiteral("excluded"), {uri, excluded ? QStringLiteral("true") : QStringLiteral("false")});
    for (LauncherApplication &app : m_applications) {
        if (app.uri == uri)
            app.excluded = excluded;
    }
    Q_EMIT applicationsChanged();
}

bool ApplicationCatalogue::isExcluded(const QString &uri) const
{
    if (!m_context)
        return false;
    const auto id = m_context->persistentStoreCoordinator()->managedObjectIDForURIRepresentation(uri);
    const platform::ManagedObjectPtr record = id ? m_context->existingObjectWithID(*id) : nullptr;
    return record && record->value(QStringLiteral("excluded")).toBool();
}

void ApplicationCatalogue::watchFolders()
{
    QStringList folders;
    const QStringList watched = m_watcher.directories();
    for (const QString &folder : ApplicationScanner::foldersToWatch(ApplicationScanner::options())) {
        if (!watched.contains(folder))
            folders.append(folder);
    }
    if (!folders.isEmpty())
        m_watcher.addPaths(folders);
}
