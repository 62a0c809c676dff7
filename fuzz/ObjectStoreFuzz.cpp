// Fuzzes the store file the pane shares with another process: whatever that
// file holds (odd tables, columns of any type, broken metadata, rows that point
// at nothing), opening it either fails with an error or gives a store whose
// records can be fetched, changed, saved and looked up by URI without a crash,
// and a save that reports success is what a fresh context reads back.
//
// Input: an SQL script, run by SQLite on an empty file to make the store. The
// script may not reach other files (ATTACH and VACUUM INTO are refused) nor make
// triggers, and it runs for a bounded number of steps in bounded memory.

#include "platform/store/ManagedObject.h"
#include "platform/store/ManagedObjectContext.h"
#include "platform/store/ManagedObjectModel.h"
#include "platform/store/PersistentStoreCoordinator.h"
#include "platform/store/StoreError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

// The pane's model, as its bundle ships it.
const char ModelJson[] = R"({
  "entities": [ { "name": "Application", "attributes": [
      { "name": "name", "type": "String" }, { "name": "URL", "type": "String" },
      { "name": "excluded", "type": "Boolean" } ] } ],
  "fetchRequestTemplates": { "applicationWithNameAndURL": {
      "entity": "Application", "predicate": "name == $APPNAME AND URL == $URL" } }
})";

struct Harness
{
    std::unique_ptr<QCoreApplication> app;
    std::unique_ptr<QTemporaryDir> folder;
    platform::ManagedObjectModel model;
    QString path;
};

Harness &harness()
{
    static Harness *const h = new Harness;   // outlives Qt's globals at exit
    return *h;
}

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

// Other files are out of bounds, and so are triggers: a trigger may undo what a
// save wrote, which the file's author may do but this check could not tell apart.
int refuseOtherFilesAndTriggers(void *, int action, const char *, const char *, const char *, const char *)
{
    switch (action) {
    case SQLITE_ATTACH: case SQLITE_DETACH: case SQLITE_CREATE_TRIGGER: case SQLITE_CREATE_TEMP_TRIGGER:
        return SQLITE_DENY;
    default:
        return SQLITE_OK;
    }
}

int stopLongScripts(void *steps)
{
    return ++*static_cast<int *>(steps) > 2000;   // called every 1,000 instructions
}

void makeStore(const QByteArray &script)
{
    for (const char *suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(harness().path + QLatin1String(suffix));
    if (script.toLower().contains("vacuum"))
        return;
    sqlite3 *db = nullptr;
    if (sqlite3_open(QFile::encodeName(harness().path).constData(), &db) == SQLITE_OK) {
        int steps = 0;
        sqlite3_set_authorizer(db, refuseOtherFilesAndTriggers, nullptr);
        sqlite3_progress_handler(db, 1000, stopLongScripts, &steps);
        sqlite3_limit(db, SQLITE_LIMIT_LENGTH, 1 << 20);
        sqlite3_exec(db, script.constData(), nullptr, nullptr, nullptr);
    }
    sqlite3_close_v2(db);
}

platform::FetchRequest allApplications()
{
    return {QStringLiteral("Application"), std::nullopt, {{QStringLiteral("name"), true}}};
}

// Every operation the pane and the service perform on an open store.
void exercise(const std::shared_ptr<platform::PersistentStoreCoordinator> &coordinator)
{
    platform::ManagedObjectContext context(coordinator);
    const auto apps = context.executeFetchRequest(allApplications());
    if (!apps)
        return;
    for (const platform::ManagedObjectPtr &app : *apps) {
        const auto id = coordinator->managedObjectIDForURIRepresentation(app->objectID().uriRepresentation());
        if (!id || context.existingObjectWithID(*id) != app)
            fail("a fetched record is not found again by its URI");
    }
    if (const auto request = coordinator->managedObjectModel().fetchRequestFromTemplate(
            QStringLiteral("applicationWithNameAndURL"),
            {{QStringLiteral("APPNAME"), QStringLiteral("Mail")}, {QStringLiteral("URL"), QStringLiteral("file:///Mail.app")}}))
        context.executeFetchRequest(*request);
    if (apps->isEmpty())
        return;

    const platform::ManagedObjectPtr first = apps->first();
    const bool excluded = !first->value(QStringLiteral("excluded")).toBool();
    first->setValue(QStringLiteral("excluded"), excluded);
    const platform::ManagedObjectPtr added = context.insertNewObject(QStringLiteral("Application"));
    added->setValue(QStringLiteral("name"), QStringLiteral("Added"));
    if (apps->size() > 1)
        context.deleteObject(apps->last());
    if (!context.save())
        return;

    platform::ManagedObjectContext fresh(coordinator);
    const auto reread = fresh.existingObjectWithID(first->objectID());
    if (!reread || reread->value(QStringLiteral("excluded")).toBool() != excluded)
        fail("a saved flag does not read back");
    if (!fresh.existingObjectWithID(added->objectID()))
        fail("a saved new record does not read back");
    context.refreshObject(first, false);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    Harness &h = harness();
    h.app = std::make_unique<QCoreApplication>(*argc, *argv);
    // In memory where the system has such a folder: the store syncs every save.
    const QString shm = QStringLiteral("/dev/shm");
    h.folder = QDir(shm).exists() ? std::make_unique<QTemporaryDir>(shm + QStringLiteral("/fuzz-object-store-XXXXXX"))
                                  : std::make_unique<QTemporaryDir>();
    h.path = QDir(h.folder->path()).filePath(QStringLiteral("Corvane.db"));
    auto model = platform::ManagedObjectModel::fromJson(QByteArray(ModelJson));
    if (!model || !h.folder->isValid())
        fail("no model or no folder to work in");
    h.model = *model;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 64 * 1024)
        return 0;
    makeStore(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    auto coordinator = std::make_shared<platform::PersistentStoreCoordinator>(harness().model);
    coordinator->setBusyTimeout(std::chrono::milliseconds(0));
    platform::StoreError error;
    if (coordinator->addSQLiteStore(harness().path, &error))
        exercise(coordinator);
    else if (error.description.isEmpty())
        fail("a store that does not open gives no reason");
    return 0;
}
