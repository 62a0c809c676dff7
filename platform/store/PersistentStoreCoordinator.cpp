#include "platform/store/PersistentStoreCoordinator.h"

#include "platform/plist/PropertyList.h"
#include "platform/store/StoreSql_p.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>

#include <atomic>

namespace platform {

QString StoreError::toString() const
{
    static const char *const names[] = {"cannot open", "model mismatch", "conflict", "store failure", "invalid request"};
    return description + QStringLiteral(" (") + QLatin1String(names[int(code)]) + QLatin1Char(')');
}

struct PersistentStoreCoordinator::Private
{
    ManagedObjectModel model;
    std::chrono::milliseconds busyTimeout{5000};
    QString connectionName;
    QString uuid;
    QMap<QString, int> entityNumbers;
    bool open = false;

    bool fail(StoreError *error, StoreError::Code code, const QString &description)
    {
        if (error)
            *error = {code, description};
        return false;
    }

    QSqlDatabase db() const { return QSqlDatabase::database(connectionName, false); }
    bool createSchema(StoreError *error);
    bool validateSchema(StoreError *error);
    bool addColumns(const QString &entityName, const QList<AttributeDescription> &attributes, StoreError *error);
    QByteArray metadataPlist() const;
};

namespace {

QString newConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("platform-object-store-%1").arg(++counter);
}

// Whether Z_PK is the table's row id, its only key column with no index of its own.
// Only then is every key an integer, as each object's URI needs; a key declared
// otherwise (another type, DESC, a table without row ids) takes any value.
bool keyIsRowId(const QSqlDatabase &database, const QString &table)
{
    QSqlQuery q(database);
    q.prepare(QStringLiteral("SELECT group_concat(upper(name)) FROM pragma_table_info(?) WHERE pk > 0"));
    q.addBindValue(table);
    if (!q.exec() || !q.next() || q.value(0).toString() != QLatin1String("Z_PK"))
        return false;
    q.prepare(QStringLiteral("SELECT count(*) FROM pragma_index_list(?) WHERE origin = 'pk'"));
    q.addBindValue(table);
    return q.exec() && q.next() && q.value(0).toInt() == 0;
}

// A default value as SQL text, for a column's DEFAULT clause, which takes no
// bound parameters.
QString sqlLiteral(const QVariant &value)
{
    switch (value.metaType().id()) {
    case QMetaType::Bool: return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::Int: case QMetaType::LongLong: return QString::number(value.toLongLong());
    case QMetaType::Double: return QString::number(value.toDouble(), 'g', 17);
    default: return QLatin1Char('\'') + value.toString().replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
    }
}

} // namespace

PersistentStoreCoordinator::PersistentStoreCoordinator(ManagedObjectModel model)
    : d(std::make_unique<Private>())
{
    d->model = std::move(model);
    d->connectionName = newConnectionName();
}

PersistentStoreCoordinator::~PersistentStoreCoordinator()
{
    if (QSqlDatabase::contains(d->connectionName)) {
        QSqlDatabase::database(d->connectionName, false).close();
        QSqlDatabase::removeDatabase(d->connectionName);
    }
}

void PersistentStoreCoordinator::setBusyTimeout(std::chrono::milliseconds timeout)
{
    d->busyTimeout = timeout;
}

bool PersistentStoreCoordinator::addSQLiteStore(const QString &path, StoreError *error)
{
    if (d->open || QSqlDatabase::contains(d->connectionName))
        return d->fail(error, StoreError::Code::InvalidRequest, QStringLiteral("the coordinator already has a store"));
    const QFileInfo file(path);
    if (!file.dir().exists())
        return d->fail(error, StoreError::Code::CannotOpen,
                       QStringLiteral("the folder of the store %1 does not exist").arg(path));

    const bool isNew = !file.exists() || file.size() == 0; // before opening makes the file
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), d->connectionName);
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(d->busyTimeout.count()));
    // A failed attempt gives the connection up, so that the coordinator has no
    // store and may be given one again.
    const auto giveUp = [&] {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(d->connectionName);
        d->uuid.clear();
        d->entityNumbers.clear();
        return false;
    };
    if (!db.open()) {
        d->fail(error, StoreError::Code::CannotOpen,
                QStringLiteral("cannot open the store %1: %2").arg(path, db.lastError().text()));
        return giveUp();
    }

    QSqlQuery(QStringLiteral("PRAGMA journal_mode=WAL"), db).finish();
    if (!(isNew ? d->createSchema(error) : d->validateSchema(error)))
        return giveUp();
    d->open = true;
    return true;
}

bool PersistentStoreCoordinator::Private::createSchema(StoreError *error)
{
    QSqlDatabase database = db();
    QSqlQuery q(database);
    if (!q.exec(QStringLiteral("PRAGMA auto_vacuum=2")) || !q.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return fail(error, StoreError::Code::CannotOpen, q.lastError().text());
    // Another process may have made the store while we waited for the lock.
    if (database.tables().contains(QStringLiteral("Z_METADATA"))) {
        q.exec(QStringLiteral("ROLLBACK"));
        return validateSchema(error);
    }
    QStringList statements{
        QStringLiteral("CREATE TABLE Z_PRIMARYKEY (Z_ENT INTEGER PRIMARY KEY, Z_NAME VARCHAR, Z_SUPER INTEGER, Z_MAX INTEGER)"),
        QStringLiteral("CREATE TABLE Z_METADATA (Z_VERSION INTEGER PRIMARY KEY, Z_UUID VARCHAR(255), Z_PLIST BLOB)"),
        QStringLiteral("CREATE TABLE Z_MODELCACHE (Z_CONTENT BLOB)")};
    int number = 0;
    for (const EntityDescription &entity : model.entities()) {
        QString columns = QStringLiteral("Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER");
        for (const AttributeDescription &a : entity.attributes)
            columns += QStringLiteral(", ") + storeColumn(a.name) + QLatin1Char(' ') + storeColumnType(a.type);
        statements << QStringLiteral("CREATE TABLE %1 (%2)").arg(storeTable(entity.name), columns);
        entityNumbers.insert(entity.name, ++number);
    }
    for (const QString &statement : std::as_const(statements)) {
        if (!q.exec(statement)) {
            const QString reason = q.lastError().text();
            q.exec(QStringLiteral("ROLLBACK"));
            return fail(error, StoreError::Code::CannotOpen, reason);
        }
    }
    uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    bool ok = true;
    for (auto it = entityNumbers.cbegin(); it != entityNumbers.cend(); ++it) {
        q.prepare(QStringLiteral("INSERT INTO Z_PRIMARYKEY (Z_ENT, Z_NAME, Z_SUPER, Z_MAX) VALUES (?, ?, 0, 0)"));
        q.addBindValue(it.value());
        q.addBindValue(it.key());
        ok = ok && q.exec();
    }
    q.prepare(QStringLiteral("INSERT INTO Z_METADATA (Z_VERSION, Z_UUID, Z_PLIST) VALUES (1, ?, ?)"));
    q.addBindValue(uuid);
    q.addBindValue(metadataPlist());
    ok = ok && q.exec() && q.exec(QStringLiteral("COMMIT"));
    if (!ok) {
        const QString reason = q.lastError().text();
        q.exec(QStringLiteral("ROLLBACK"));
        return fail(error, StoreError::Code::CannotOpen, reason);
    }
    return true;
}

bool PersistentStoreCoordinator::Private::validateSchema(StoreError *error)
{
    const auto mismatch = [&](const QString &why) {
        return fail(error, StoreError::Code::ModelMismatch,
                    QStringLiteral("the store does not match the object model: %1").arg(why));
    };
    QSqlDatabase database = db();
    QSqlQuery q(database);
    if (!q.exec(QStringLiteral("SELECT Z_UUID, Z_PLIST FROM Z_METADATA WHERE Z_VERSION = 1")) || !q.next())
        return mismatch(QStringLiteral("no store metadata (%1)").arg(q.lastError().text()));
    uuid = q.value(0).toString().toUpper();
    const auto metadata = readPropertyList(q.value(1).toByteArray());
    const QVariantMap plist = metadata.value.toMap();
    // Only the plain hyphenated form: the UUID goes into every object's URI,
    // which names nothing when it is braced or trails other characters.
    if (uuid.size() != 36 || QUuid::fromString(uuid).isNull() || plist.value(QStringLiteral("NSStoreType")).toString() != QLatin1String("SQLite"))
        return mismatch(QStringLiteral("the metadata is not that of an SQLite object store"));

    if (!q.exec(QStringLiteral("SELECT Z_ENT, Z_NAME FROM Z_PRIMARYKEY")))
        return mismatch(QStringLiteral("no primary-key table"));
    while (q.next())
        entityNumbers.insert(q.value(1).toString(), q.value(0).toInt());
    for (const EntityDescription &entity : model.entities()) {
        if (!entityNumbers.contains(entity.name))
            return mismatch(QStringLiteral("no entity %1").arg(entity.name));
        const QSqlRecord columns = database.record(storeTable(entity.name));
        QList<AttributeDescription> added;
        for (const QString &column : {QStringLiteral("Z_PK"), QStringLiteral("Z_ENT"), QStringLiteral("Z_OPT")}) {
            if (!columns.contains(column))
                return mismatch(QStringLiteral("entity %1 has no column %2").arg(entity.name, column));
        }
        for (const AttributeDescription &a : entity.attributes) {
            if (columns.contains(storeColumn(a.name)))
                continue;
            if (!a.canBeAddedToStore())
                return mismatch(QStringLiteral("entity %1 has no column %2").arg(entity.name, storeColumn(a.name)));
            added << a;
        }
        if (!added.isEmpty() && !addColumns(entity.name, added, error))
            return false;
        if (!keyIsRowId(database, storeTable(entity.name)))
            return mismatch(QStringLiteral("the Z_PK of entity %1 is not its row id").arg(entity.name));
    }
    return true;
}

// A store written before the model gained `attributes`: their columns are added
// in one transaction, old rows taking the default (or nil), every row and value
// kept. Another process may add them first while this one waits for the lock.
bool PersistentStoreCoordinator::Private::addColumns(const QString &entityName,
                                                     const QList<AttributeDescription> &attributes, StoreError *error)
{
    QSqlDatabase database = db();
    QSqlQuery q(database);
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return fail(error, StoreError::Code::CannotOpen, q.lastError().text());
    const QString table = storeTable(entityName);
    const QSqlRecord columns = database.record(table);
    for (const AttributeDescription &a : attributes) {
        if (columns.contains(storeColumn(a.name)))
            continue;
        QString statement = QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3").arg(table, storeColumn(a.name), storeColumnType(a.type));
        if (a.defaultValue.isValid())
            statement += QStringLiteral(" DEFAULT ") + sqlLiteral(toStoreValue(a.type, a.defaultValue));
        if (!q.exec(statement)) {
            const QString reason = q.lastError().text();
            q.exec(QStringLiteral("ROLLBACK"));
            return fail(error, StoreError::Code::CannotOpen, reason);
        }
    }
    if (!q.exec(QStringLiteral("COMMIT"))) {
        const QString reason = q.lastError().text();
        q.exec(QStringLiteral("ROLLBACK"));
        return fail(error, StoreError::Code::CannotOpen, reason);
    }
    return true;
}

QByteArray PersistentStoreCoordinator::Private::metadataPlist() const
{
    // The original framework's version hashes are undocumented; ours are SHA-256
    // over each entity's attribute names and types, so they change with the model.
    QVariantMap hashes;
    for (const EntityDescription &entity : model.entities()) {
        QByteArray description = entity.name.toUtf8();
        for (const AttributeDescription &a : entity.attributes)
            description += '|' + a.name.toUtf8() + ':' + QByteArray::number(int(a.type));
        hashes.insert(entity.name, QCryptographicHash::hash(description, QCryptographicHash::Sha256));
    }
    const QVariantMap metadata{
        {QStringLiteral("NSPersistenceFrameworkVersion"), qint64(1)},
        {QStringLiteral("NSStoreModelVersionHashes"), hashes},
        {QStringLiteral("NSStoreModelVersionHashesVersion"), qint64(3)},
        {QStringLiteral("NSStoreModelVersionIdentifiers"), QVariantList{QString()}},
        {QStringLiteral("NSStoreType"), QStringLiteral("SQLite")},
        {QStringLiteral("_NSAutoVacuumLevel"), QStringLiteral("2")},
    };
    return writePropertyList(metadata, PropertyListFormat::Binary).bytes;
}

bool PersistentStoreCoordinator::hasStore() const
{
    return d->open;
}

const ManagedObjectModel &PersistentStoreCoordinator::managedObjectModel() const
{
    return d->model;
}

QString PersistentStoreCoordinator::storeUUID() const
{
    return d->uuid;
}

std::optional<ManagedObjectID> PersistentStoreCoordinator::managedObjectIDForURIRepresentation(const QString &uri) const
{
    const auto id = ManagedObjectID::fromURIRepresentation(uri);
    if (!d->open || !id || id->storeUUID().compare(d->uuid, Qt::CaseInsensitive) != 0
        || !d->model.entity(id->entityName()))
        return std::nullopt;
    return ManagedObjectID::permanent(d->uuid, id->entityName(), id->primaryKey());
}

QSqlDatabase PersistentStoreCoordinator::database() const
{
    return d->db();
}

int PersistentStoreCoordinator::entityNumber(const QString &entityName) const
{
    return d->entityNumbers.value(entityName);
}

} // namespace platform
