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

QString xdgFolder(const char *variable, const QString &fallback)
{
    const QString value = qEnvironmentVariable(variable);
    return QDir::isAbsolutePath(value) ? value : fallback;
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

QStringList ApplicationCatalogue::applicationFolders()
{
    const QString home = QDir::homePath();
    QStringList folders{xdgFolder("XDG_DATA_HOME", home + QStringLiteral("/.local/share")) + QStringLiteral("/applications")};
    QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dataDirs.isEmpty())
        dataDirs = QStringLiteral("/usr/local/share:/usr/share");
    for (const QString &dir : dataDirs.split(u':', Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(dir))
            folders.append(dir + QStringLiteral("/applications"));
    }
    folders.append(home + QStringLiteral("/Applications"));
    folders.removeDuplicates();
    return folders;
}

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
    // Every application on disk by URL; the first folder that has a file ID wins
    // only for launching, while each file is a record of its own here.
    QHash<QString, QString> found;
    for (const QString &folder : applicationFolders()) {
        const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
        for (const QFileInfo &entry : entries) {
            const bool desktopEntry = entry.isFile() && entry.suffix() == u"desktop";
            const bool appFolder = entry.isDir() && entry.suffix() == u"app";
            if (desktopEntry || appFolder)
                found.insert(QUrl::fromLocalFile(entry.absoluteFilePath()).toString(), entry.completeBaseName());
        }
    }

    platform::StoreError error;
    const auto records = m_context->executeFetchRequest({Entity, std::nullopt, {}}, &error);
    if (!records) {
        m_journal.write(QStringLiteral("error"), {QStringLiteral("fetch: ") + error.toString()});
        return;
    }
    QList<platform::ManagedObjectPtr> removed;
    for (const platform::ManagedObjectPtr &record : *records) {
        const QString url = record->value(QStringLiteral("URL")).toString();
        if (found.remove(url) == 0) {
            removed.append(record);
            m_context->deleteObject(record);
        }
    }
    for (auto it = found.cbegin(); it != found.cend(); ++it) {
        auto record = m_context->insertNewObject(Entity);
        record->setValue(QStringLiteral("name"), it.value());
        record->setValue(QStringLiteral("URL"), it.key());
        record->setValue(QStringLiteral("excluded"), false);
    }
    const qsizetype added = found.size();
    QStringList removedIDs;
    for (const auto &record : removed)
        removedIDs.append(record->objectID().uriRepresentation());
    if (m_context->hasChanges() && !m_context->save(&error)) {
        m_journal.write(QStringLiteral("error"), {QStringLiteral("save: ") + error.toString()});
        for (const auto &record : *records)
            m_context->refreshObject(record, false);
        return;
    }
    m_journal.write(QStringLiteral("catalogued"),
                    {QString::number(records->size() - removed.size() + added), QStringLiteral("added=%1").arg(added),
                     QStringLiteral("removed=%1").arg(removed.size())});
    if (!removedIDs.isEmpty()) {
        for (const QString &id : removedIDs)
            m_journal.write(QStringLiteral("removed"), {id});
        platform::DistributedNotificationCenter::defaultCenter().postNotificationName(
            RemovedNotification, QString(), {{QStringLiteral("ApplicationIDs"), removedIDs}});
        m_journal.write(QStringLiteral("posted"), {RemovedNotification});
    }
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
    m_journal.write(QStringLiteral("excluded"),
                    {uri, isExcluded(uri) ? QStringLiteral("true") : QStringLiteral("false")});
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
    for (const QString &folder : applicationFolders()) {
        if (QFileInfo(folder).isDir() && !m_watcher.directories().contains(folder))
            folders.append(folder);
    }
    if (!folders.isEmpty())
        m_watcher.addPaths(folders);
}
