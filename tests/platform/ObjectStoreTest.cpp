#include "platform/store/ManagedObjectContext.h"
#include "platform/store/PersistentStoreCoordinator.h"
#include "platform/plist/PropertyList.h"

#include "SqliteFile.h"
#include "TestSupport.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace platform;
using namespace std::chrono_literals;

namespace {

const QByteArray modelJson = R"({
  "entities": [ { "name": "Application", "attributes": [
      { "name": "name", "type": "String" }, { "name": "URL", "type": "String" },
      { "name": "excluded", "type": "Boolean" }, { "name": "added", "type": "Date" },
      { "name": "launches", "type": "Integer" } ] } ],
  "fetchRequestTemplates": { "applicationWithNameAndURL": { "entity": "Application",
      "predicate": "name == $APPNAME AND URL == $URL" } }
})";

ManagedObjectModel model()
{
    QString error;
    auto m = ManagedObjectModel::fromJson(modelJson, &error);
    EXPECT_TRUE(m) << qPrintable(error);
    return m.value_or(ManagedObjectModel());
}

class ObjectStore : public ::testing::Test
{
protected:
    QString storePath() const { return dir.path() + QStringLiteral("/Corvane.db"); }

    std::unique_ptr<ManagedObjectContext> open(std::chrono::milliseconds busy = 5000ms)
    {
        auto coordinator = std::make_shared<PersistentStoreCoordinator>(model());
        coordinator->setBusyTimeout(busy);
        StoreError error;
        EXPECT_TRUE(coordinator->addSQLiteStore(storePath(), &error)) << qPrintable(error.toString());
        return std::make_unique<ManagedObjectContext>(coordinator);
    }

    /// Inserts applications named `names` (the first `excludedCount` excluded) and saves.
    void populate(const QStringList &names, int excludedCount = 0)
    {
        auto context = open();
        for (int i = 0; i < names.size(); ++i) {
            auto app = context->insertNewObject(QStringLiteral("Application"));
            app->setValue(QStringLiteral("name"), names[i]);
            app->setValue(QStringLiteral("URL"), QStringLiteral("file:///apps/") + names[i]);
            app->setValue(QStringLiteral("excluded"), i < excludedCount);
        }
        ASSERT_TRUE(context->save());
    }

    QVariant sql(const QString &statement) { return corvane::test::sqlValue(storePath(), statement); }

    static FetchRequest excludedByName()
    {
        return {QStringLiteral("Application"), Predicate::parse(QStringLiteral("excluded == YES")),
                {{QStringLiteral("name"), true}}};
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(ObjectStore, SavedObjectsReadBackWithTheOriginalLayout)
{
    const QDateTime added = QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC);
    QString uri;
    {
        auto context = open();
        auto app = context->insertNewObject(QStringLiteral("Application"));
        EXPECT_TRUE(app->objectID().isTemporaryID());
        EXPECT_TRUE(app->setValue(QStringLiteral("name"), QStringLiteral("Mail")));
        EXPECT_TRUE(app->setValue(QStringLiteral("excluded"), true));
        EXPECT_TRUE(app->setValue(QStringLiteral("added"), added));
        EXPECT_TRUE(app->setValue(QStringLiteral("launches"), -5));
        EXPECT_FALSE(app->setValue(QStringLiteral("nosuchkey"), 1));
        ASSERT_TRUE(context->save());
        uri = app->objectID().uriRepresentation();
        EXPECT_EQ(uri, QStringLiteral("x-coredata://%1/Application/p1").arg(context->persistentStoreCoordinator()->storeUUID()));
        EXPECT_EQ(context->persistentStoreCoordinator()->storeUUID(), context->persistentStoreCoordinator()->storeUUID().toUpper());
    }
    EXPECT_EQ(sql(QStringLiteral("SELECT Z_OPT FROM ZAPPLICATION WHERE Z_PK = 1")).toInt(), 1);
    EXPECT_EQ(sql(QStringLiteral("SELECT ZEXCLUDED FROM ZAPPLICATION")).toInt(), 1);
    EXPECT_EQ(sql(QStringLiteral("SELECT Z_MAX FROM Z_PRIMARYKEY WHERE Z_NAME = 'Application'")).toInt(), 1);
    EXPECT_DOUBLE_EQ(sql(QStringLiteral("SELECT ZADDED FROM ZAPPLICATION")).toDouble(), 1700000000.0 - 978307200.0);
    EXPECT_EQ(sql(QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("wal"));
    const auto metadata = readPropertyList(sql(QStringLiteral("SELECT Z_PLIST FROM Z_METADATA")).toByteArray());
    EXPECT_EQ(metadata.value.toMap().value(QStringLiteral("NSStoreType")).toString(), QStringLiteral("SQLite"));

    auto context = open();
    const auto id = context->persistentStoreCoordinator()->managedObjectIDForURIRepresentation(uri);
    ASSERT_TRUE(id);
    auto app = context->existingObjectWithID(*id);
    ASSERT_TRUE(app);
    EXPECT_EQ(app->value(QStringLiteral("name")), QVariant(QStringLiteral("Mail")));
    EXPECT_EQ(app->value(QStringLiteral("added")).toDateTime(), added);
    EXPECT_EQ(app->value(QStringLiteral("launches")).toLongLong(), -5);
    EXPECT_FALSE(app->value(QStringLiteral("URL")).isValid()); // never set: no value

    app->setValue(QStringLiteral("excluded"), false);
    ASSERT_TRUE(context->save());
    EXPECT_EQ(sql(QStringLiteral("SELECT Z_OPT FROM ZAPPLICATION WHERE Z_PK = 1")).toInt(), 2);

    // URIs of another store, entity, shape or row name nothing here; UUIDs compare without case.
    auto *coordinator = context->persistentStoreCoordinator().get();
    for (const QString &other : {QString(uri).replace(QStringLiteral("/p1"), QStringLiteral("/p1x")),
                                 QStringLiteral("x-coredata://00000000-0000-0000-0000-000000000000/Application/p1"),
                                 QString(uri).replace(QStringLiteral("Application"), QStringLiteral("Other"))})
        EXPECT_FALSE(coordinator->managedObjectIDForURIRepresentation(other)) << qPrintable(other);
    EXPECT_TRUE(coordinator->managedObjectIDForURIRepresentation(QString(uri).replace(coordinator->storeUUID(), coordinator->storeUUID().toLower())));
    EXPECT_FALSE(context->existingObjectWithID(*coordinator->managedObjectIDForURIRepresentation(QString(uri).replace(QStringLiteral("/p1"), QStringLiteral("/p99")))));
}

TEST_F(ObjectStore, FetchesSeeUnsavedChangesAndTemplatesSelectOneRecord)
{
    populate({QStringLiteral("Terminal"), QStringLiteral("Calendar"), QStringLiteral("Mail"), QStringLiteral("Notes")}, 2);
    auto context = open();
    auto listed = [&] {
        QStringList names;
        const auto objects = context->executeFetchRequest(excludedByName());
        for (const auto &o : objects.value())
            names << o->value(QStringLiteral("name")).toString();
        return names;
    };
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("Calendar"), QStringLiteral("Terminal")}));

    const auto request = context->persistentStoreCoordinator()->managedObjectModel().fetchRequestFromTemplate(
        QStringLiteral("applicationWithNameAndURL"),
        {{QStringLiteral("APPNAME"), QStringLiteral("Mail")}, {QStringLiteral("URL"), QStringLiteral("file:///apps/Mail")}});
    ASSERT_TRUE(request);
    const auto found = context->executeFetchRequest(*request);
    ASSERT_TRUE(found);
    ASSERT_EQ(found->size(), 1);
    found->first()->setValue(QStringLiteral("excluded"), true);
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("Calendar"), QStringLiteral("Mail"), QStringLiteral("Terminal")}));

    context->refreshObject(found->first(), false);
    EXPECT_FALSE(found->first()->hasChanges());
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("Calendar"), QStringLiteral("Terminal")}));

    StoreError error;
    EXPECT_FALSE(context->executeFetchRequest({QStringLiteral("Nope"), {}, {}}, &error));
    EXPECT_EQ(error.code, StoreError::Code::InvalidRequest);
    EXPECT_FALSE(context->executeFetchRequest({QStringLiteral("Application"), Predicate::parse(QStringLiteral("size > 1")), {}}, &error));
}

TEST_F(ObjectStore, ConcurrentWritersNeverLoseOrCorrupt)
{
    populate({QStringLiteral("Mail")});
    auto pane = open(100ms);
    auto service = open();
    auto mine = pane->executeFetchRequest({QStringLiteral("Application"), {}, {}}).value().first();
    auto theirs = service->executeFetchRequest({QStringLiteral("Application"), {}, {}}).value().first();

    theirs->setValue(QStringLiteral("name"), QStringLiteral("Mail 2"));
    ASSERT_TRUE(service->save());
    mine->setValue(QStringLiteral("excluded"), true);
    StoreError error;
    EXPECT_FALSE(pane->save(&error)); // optimistic locking: the row moved on
    EXPECT_EQ(error.code, StoreError::Code::Conflict);
    EXPECT_TRUE(mine->value(QStringLiteral("excluded")).toBool()); // the change is kept in memory

    pane->refreshObject(mine, true); // fresh row, our change on top
    EXPECT_EQ(mine->value(QStringLiteral("name")), QVariant(QStringLiteral("Mail 2")));
    ASSERT_TRUE(pane->save());

    // A lock held past the busy timeout fails the save cleanly.
    {
        const corvane::test::SqliteFile locker(storePath());
        ASSERT_TRUE(locker.exec(QStringLiteral("BEGIN IMMEDIATE")));
        mine->setValue(QStringLiteral("excluded"), false);
        EXPECT_FALSE(pane->save(&error));
        EXPECT_EQ(error.code, StoreError::Code::StoreFailure);
        EXPECT_FALSE(mine->value(QStringLiteral("excluded")).toBool());
        locker.exec(QStringLiteral("ROLLBACK"));
    }
    EXPECT_TRUE(pane->save());
    EXPECT_EQ(sql(QStringLiteral("SELECT ZEXCLUDED FROM ZAPPLICATION")).toInt(), 0);
    EXPECT_EQ(sql(QStringLiteral("SELECT ZNAME FROM ZAPPLICATION")).toString(), QStringLiteral("Mail 2"));
}

TEST_F(ObjectStore, WhatIsNotSuchAStoreIsAModelMismatch)
{
    StoreError error;
    PersistentStoreCoordinator noFolder(model());
    EXPECT_FALSE(noFolder.addSQLiteStore(dir.path() + QStringLiteral("/Velora/Corvane/Corvane.db"), &error));
    EXPECT_EQ(error.code, StoreError::Code::CannotOpen);
    EXPECT_FALSE(noFolder.hasStore());
    corvane::test::writeFile(storePath(), "this is not a database, just text\n");
    PersistentStoreCoordinator notSqlite(model());
    EXPECT_FALSE(notSqlite.addSQLiteStore(storePath(), &error));
    EXPECT_EQ(error.code, StoreError::Code::ModelMismatch);

    QFile::remove(storePath());
    populate({QStringLiteral("Mail")});
    sql(QStringLiteral("ALTER TABLE ZAPPLICATION RENAME COLUMN ZEXCLUDED TO ZGONE"));
    PersistentStoreCoordinator missingColumn(model());
    EXPECT_FALSE(missingColumn.addSQLiteStore(storePath(), &error));
    EXPECT_EQ(error.code, StoreError::Code::ModelMismatch);
    EXPECT_TRUE(error.description.contains(QStringLiteral("ZEXCLUDED"))) << qPrintable(error.description);

    // The store's UUID is part of every object's URI: anything but the plain
    // hyphenated form would give URIs that name nothing.
    sql(QStringLiteral("ALTER TABLE ZAPPLICATION RENAME COLUMN ZGONE TO ZEXCLUDED"));
    for (const QString &uuid : {QStringLiteral("0D1C7F02-6E28-4A42-9E0F-2C3B1F6B7A11)"),
                                QStringLiteral("{0D1C7F02-6E28-4A42-9E0F-2C3B1F6B7A11}"),
                                QStringLiteral("0D1C7F02x6E28-4A42-9E0F-2C3B1F6B7A1)")}) {
        sql(QStringLiteral("UPDATE Z_METADATA SET Z_UUID = '%1'").arg(uuid));
        PersistentStoreCoordinator oddUUID(model());
        EXPECT_FALSE(oddUUID.addSQLiteStore(storePath(), &error)) << qPrintable(uuid);
        EXPECT_EQ(error.code, StoreError::Code::ModelMismatch);
    }
    sql(QStringLiteral("UPDATE Z_METADATA SET Z_UUID = '0d1c7f02-6e28-4a42-9e0f-2c3b1f6b7a11'"));
    PersistentStoreCoordinator lowerCase(model());
    EXPECT_TRUE(lowerCase.addSQLiteStore(storePath(), &error)) << qPrintable(error.toString());
}

TEST_F(ObjectStore, OpensAStoreWrittenElsewhereWithMoreEntitiesAndColumns)
{
    const QVariantMap metadata{{QStringLiteral("NSStoreType"), QStringLiteral("SQLite")},
                               {QStringLiteral("NSPersistenceFrameworkVersion"), qint64(641)},
                               {QStringLiteral("SomethingNew"), true}};
    const QByteArray plist = writePropertyList(metadata, PropertyListFormat::Binary).bytes;
    {
        const corvane::test::SqliteFile foreign(storePath());
        QSqlQuery q = foreign.query();
        for (const char *statement : {
                 "CREATE TABLE ZAPPLICATION ( Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, ZICONDATA BLOB, "
                 "ZEXCLUDED INTEGER, ZNAME VARCHAR, ZURL VARCHAR, ZADDED TIMESTAMP, ZLAUNCHES INTEGER )",
                 "CREATE TABLE ZFOLDER ( Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, ZPATH VARCHAR )",
                 "CREATE TABLE Z_PRIMARYKEY (Z_ENT INTEGER PRIMARY KEY, Z_NAME VARCHAR, Z_SUPER INTEGER, Z_MAX INTEGER)",
                 "CREATE TABLE Z_METADATA (Z_VERSION INTEGER PRIMARY KEY, Z_UUID VARCHAR(255), Z_PLIST BLOB)",
                 "INSERT INTO Z_PRIMARYKEY VALUES (1, 'Folder', 0, 0)",
                 "INSERT INTO Z_PRIMARYKEY VALUES (2, 'Application', 0, 7)",
                 "INSERT INTO ZAPPLICATION (Z_PK, Z_ENT, Z_OPT, ZEXCLUDED, ZNAME, ZURL) VALUES (7, 2, 4, 1, 'Chess', 'file:///Applications/Chess.app/')",
                 "INSERT INTO ZAPPLICATION (Z_PK, Z_ENT, Z_OPT, ZNAME) VALUES (-1, 2, 1, 'Hand-made')"}) {
            ASSERT_TRUE(q.exec(QString::fromUtf8(statement))) << statement;
        }
        q.prepare(QStringLiteral("INSERT INTO Z_METADATA VALUES (1, 'E8B22CEA-8316-45E7-BC08-3FBA516F962C', ?)"));
        q.addBindValue(plist);
        ASSERT_TRUE(q.exec());
    }

    auto context = open();
    // A row without a positive key is no object: no URI could name it.
    const auto all = context->executeFetchRequest({QStringLiteral("Application"), std::nullopt, {}});
    ASSERT_TRUE(all);
    EXPECT_EQ(all->size(), 1);
    const auto id = context->persistentStoreCoordinator()->managedObjectIDForURIRepresentation(
        QStringLiteral("x-coredata://E8B22CEA-8316-45E7-BC08-3FBA516F962C/Application/p7"));
    ASSERT_TRUE(id);
    auto chess = context->existingObjectWithID(*id);
    ASSERT_TRUE(chess);
    EXPECT_TRUE(chess->value(QStringLiteral("excluded")).toBool());
    chess->setValue(QStringLiteral("excluded"), false);
    auto added = context->insertNewObject(QStringLiteral("Application"));
    added->setValue(QStringLiteral("name"), QStringLiteral("Stocks"));
    ASSERT_TRUE(context->save());
    EXPECT_EQ(added->objectID().primaryKey(), 8); // Z_MAX never goes down
    EXPECT_EQ(sql(QStringLiteral("SELECT Z_OPT FROM ZAPPLICATION WHERE Z_PK = 7")).toInt(), 5);
    EXPECT_EQ(sql(QStringLiteral("SELECT Z_ENT FROM ZAPPLICATION WHERE Z_PK = 8")).toInt(), 2);
}

TEST_F(ObjectStore, ANewObjectCanBeChangedAndDeletedAfterItsFirstSave)
{
    auto context = open();
    auto app = context->insertNewObject(QStringLiteral("Application"));
    app->setValue(QStringLiteral("name"), QStringLiteral("Mail"));
    ASSERT_TRUE(context->save());
    EXPECT_FALSE(app->hasChanges());

    // The row was written with Z_OPT 1; the object must remember exactly that.
    app->setValue(QStringLiteral("excluded"), true);
    StoreError error;
    ASSERT_TRUE(context->save(&error)) << qPrintable(error.toString());
    EXPECT_EQ(sql(QStringLiteral("SELECT Z_OPT FROM ZAPPLICATION WHERE Z_PK = 1")).toInt(), 2);
    context->deleteObject(app);
    ASSERT_TRUE(context->save(&error)) << qPrintable(error.toString());
    EXPECT_EQ(sql(QStringLiteral("SELECT COUNT(*) FROM ZAPPLICATION")).toInt(), 0);
}

TEST_F(ObjectStore, DatesKeepTheirMillisecondsAndUnreadableOnesHaveNoValue)
{
    // Seconds since 2001 as a double: far from 2001 the sum back to milliseconds
    // lands just below the whole number.
    const QList<QDateTime> dates{QDateTime::fromMSecsSinceEpoch(328942020, Qt::UTC),
                                 QDateTime::fromMSecsSinceEpoch(-162040839080, Qt::UTC),
                                 QDateTime::fromMSecsSinceEpoch(47550183264, Qt::UTC)};
    {
        auto context = open();
        for (const QDateTime &date : dates) {
            auto app = context->insertNewObject(QStringLiteral("Application"));
            app->setValue(QStringLiteral("added"), date);
        }
        ASSERT_TRUE(context->save());
    }
    sql(QStringLiteral("INSERT INTO ZAPPLICATION (Z_PK, Z_ENT, Z_OPT, ZADDED) VALUES (10, 1, 1, 1e300)"));
    auto context = open();
    const auto all = context->executeFetchRequest({QStringLiteral("Application"), std::nullopt, {}});
    ASSERT_TRUE(all);
    ASSERT_EQ(all->size(), 4);
    for (int i = 0; i < dates.size(); ++i)
        EXPECT_EQ(all->at(i)->value(QStringLiteral("added")).toDateTime().toMSecsSinceEpoch(), dates[i].toMSecsSinceEpoch());
    EXPECT_FALSE(all->at(3)->value(QStringLiteral("added")).isValid());
}
