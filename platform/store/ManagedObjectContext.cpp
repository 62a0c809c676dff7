#include "platform/store/ManagedObjectContext.h"

#include "platform/store/StoreSql_p.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

namespace platform {

struct ManagedObjectContext::Private
{
    std::shared_ptr<PersistentStoreCoordinator> coordinator;
    QHash<QString, QHash<qint64, ManagedObjectPtr>> registered; // entity → primary key → object
    QList<ManagedObjectPtr> inserted;

    static bool fail(StoreError *error, StoreError::Code code, const QString &description)
    {
        if (error)
            *error = {code, description};
        return false;
    }

    bool ready(StoreError *error) const
    {
        return coordinator && coordinator->hasStore()
               ? true
               : fail(error, StoreError::Code::InvalidRequest, QStringLiteral("the coordinator has no store"));
    }

    QString selectColumns(const EntityDescription &entity) const
    {
        QString columns = QStringLiteral("Z_PK, Z_OPT");
        for (const AttributeDescription &a : entity.attributes)
            columns += QStringLiteral(", ") + storeColumn(a.name);
        return columns;
    }

    /// The registered object of the current row, made or updated from the row.
    ManagedObjectPtr objectForRow(const EntityDescription &entity, const QSqlQuery &row)
    {
        const qint64 key = row.value(0).toLongLong();
        ManagedObjectPtr &object = registered[entity.name][key];
        if (!object) {
            object = std::make_shared<ManagedObject>(
                ManagedObject::Passkey(), entity,
                ManagedObjectID::permanent(coordinator->storeUUID(), entity.name, key));
        }
        if (object->m_changes.isEmpty() && !object->m_deleted)
            loadRow(*object, entity, row);
        return object;
    }

    static void loadRow(ManagedObject &object, const EntityDescription &entity, const QSqlQuery &row)
    {
        object.m_opt = row.value(1).toLongLong();
        object.m_committed.clear();
        for (int i = 0; i < entity.attributes.size(); ++i) {
            const QVariant value = fromStoreValue(entity.attributes[i].type, row.value(i + 2));
            if (value.isValid())
                object.m_committed.insert(entity.attributes[i].name, value);
        }
    }

    /// Takes the stored values of `names` into `object`'s committed values.
    void reloadAttributes(ManagedObject &object, const EntityDescription &entity, const QStringList &names)
    {
        QStringList columns;
        for (const QString &name : names)
            columns << storeColumn(name);
        QSqlQuery q(coordinator->database());
        q.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE Z_PK = ?").arg(columns.join(QStringLiteral(", ")), storeTable(entity.name)));
        q.addBindValue(object.objectID().primaryKey());
        if (!q.exec() || !q.next())
            return;
        for (int i = 0; i < names.size(); ++i) {
            const QVariant value = fromStoreValue(entity.attribute(names[i])->type, q.value(i));
            if (value.isValid())
                object.m_committed.insert(names[i], value);
            else
                object.m_committed.remove(names[i]);
        }
    }

    bool saveInsert(QSqlQuery &q, const ManagedObjectPtr &object, QHash<ManagedObject *, qint64> &newKeys);
    bool saveUpdate(QSqlQuery &q, const ManagedObjectPtr &object);
    bool saveDelete(QSqlQuery &q, const ManagedObjectPtr &object);
    void commitSaved(const QHash<ManagedObject *, qint64> &newKeys);
};

ManagedObjectContext::ManagedObjectContext(std::shared_ptr<PersistentStoreCoordinator> coordinator)
    : d(std::make_unique<Private>())
{
    d->coordinator = std::move(coordinator);
}

ManagedObjectContext::~ManagedObjectContext() = default;

const std::shared_ptr<PersistentStoreCoordinator> &ManagedObjectContext::persistentStoreCoordinator() const
{
    return d->coordinator;
}

std::optional<QList<ManagedObjectPtr>> ManagedObjectContext::executeFetchRequest(const FetchRequest &request,
                                                                                 StoreError *error)
{
    if (!d->ready(error))
        return std::nullopt;
    const auto entity = d->coordinator->managedObjectModel().entity(request.entityName);
    if (!entity) {
        d->fail(error, StoreError::Code::InvalidRequest, QStringLiteral("no entity %1").arg(request.entityName));
        return std::nullopt;
    }
    QStringList keys = request.predicate ? request.predicate->keys() : QStringList();
    for (const SortDescriptor &s : request.sortDescriptors)
        keys << s.key;
    for (const QString &key : std::as_const(keys)) {
        if (!entity->attribute(key)) {
            d->fail(error, StoreError::Code::InvalidRequest, QStringLiteral("entity %1 has no key %2").arg(entity->name, key));
            return std::nullopt;
        }
    }

    QVariantList bindings;
    // A row without a positive key is no object: no URI could name it again.
    QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE Z_PK > 0").arg(d->selectColumns(*entity), storeTable(entity->name));
    if (request.predicate)
        sql += QStringLiteral(" AND ") + request.predicate->toSql(storeColumn, bindings);
    QSqlQuery q(d->coordinator->database());
    q.setForwardOnly(true);
    q.prepare(sql);
    for (const QVariant &value : std::as_const(bindings))
        q.addBindValue(value);
    if (!q.exec()) {
        d->fail(error, StoreError::Code::StoreFailure, q.lastError().text());
        return std::nullopt;
    }

    const auto matches = [&](const ManagedObject &o) {
        return !request.predicate || request.predicate->evaluate([&](const QString &k) { return o.value(k); });
    };
    QList<ManagedObjectPtr> results;
    while (q.next()) {
        ManagedObjectPtr object = d->objectForRow(*entity, q);
        if (!object->m_deleted && (object->m_changes.isEmpty() || matches(*object)))
            results << object;
    }
    // Changed objects the store's values did not select may match in memory.
    for (const ManagedObjectPtr &object : std::as_const(d->registered[entity->name])) {
        if (!object->m_changes.isEmpty() && !object->m_deleted && !results.contains(object) && matches(*object))
            results << object;
    }
    for (const ManagedObjectPtr &object : std::as_const(d->inserted)) {
        if (object->entityName() == entity->name && matches(*object))
            results << object;
    }
    if (!request.sortDescriptors.isEmpty()) {
        std::stable_sort(results.begin(), results.end(), [&](const ManagedObjectPtr &a, const ManagedObjectPtr &b) {
            for (const SortDescriptor &s : request.sortDescriptors) {
                const QPartialOrdering c = QVariant::compare(a->value(s.key), b->value(s.key));
                if (c == QPartialOrdering::Less || c == QPartialOrdering::Greater)
                    return (c == QPartialOrdering::Less) == s.ascending;
            }
            return false;
        });
    }
    return results;
}

ManagedObjectPtr ManagedObjectContext::existingObjectWithID(const ManagedObjectID &id, StoreError *error)
{
    if (!d->ready(error) || id.isTemporaryID() || id.storeUUID() != d->coordinator->storeUUID())
        return nullptr;
    const auto entity = d->coordinator->managedObjectModel().entity(id.entityName());
    if (!entity)
        return nullptr;
    if (const ManagedObjectPtr known = d->registered.value(entity->name).value(id.primaryKey()))
        return known;
    QSqlQuery q(d->coordinator->database());
    q.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE Z_PK = ?").arg(d->selectColumns(*entity), storeTable(entity->name)));
    q.addBindValue(id.primaryKey());
    if (!q.exec()) {
        d->fail(error, StoreError::Code::StoreFailure, q.lastError().text());
        return nullptr;
    }
    return q.next() ? d->objectForRow(*entity, q) : nullptr;
}

ManagedObjectPtr ManagedObjectContext::insertNewObject(const QString &entityName)
{
    const auto entity = d->coordinator ? d->coordinator->managedObjectModel().entity(entityName) : std::nullopt;
    if (!entity)
        return nullptr;
    auto object = std::make_shared<ManagedObject>(ManagedObject::Passkey(), *entity,
                                                  ManagedObjectID::temporary(entityName));
    object->m_inserted = true;
    for (const AttributeDescription &a : entity->attributes) {
        if (a.defaultValue.isValid())
            object->setValue(a.name, a.defaultValue);
    }
    d->inserted << object;
    return object;
}

void ManagedObjectContext::deleteObject(const ManagedObjectPtr &object)
{
    if (!object)
        return;
    if (object->m_inserted) {
        d->inserted.removeAll(object);
        object->m_inserted = false;
        return;
    }
    object->m_deleted = true;
}

bool ManagedObjectContext::hasChanges() const
{
    if (!d->inserted.isEmpty())
        return true;
    for (const auto &objects : std::as_const(d->registered)) {
        for (const ManagedObjectPtr &object : objects) {
            if (object->hasChanges())
                return true;
        }
    }
    return false;
}

bool ManagedObjectContext::Private::saveInsert(QSqlQuery &q, const ManagedObjectPtr &object,
                                               QHash<ManagedObject *, qint64> &newKeys)
{
    const int number = coordinator->entityNumber(object->entityName());
    q.prepare(QStringLiteral("UPDATE Z_PRIMARYKEY SET Z_MAX = Z_MAX + 1 WHERE Z_ENT = ?"));
    q.addBindValue(number);
    if (!q.exec() || q.numRowsAffected() != 1)
        return false;
    q.prepare(QStringLiteral("SELECT Z_MAX FROM Z_PRIMARYKEY WHERE Z_ENT = ?"));
    q.addBindValue(number);
    if (!q.exec() || !q.next())
        return false;
    const qint64 key = q.value(0).toLongLong();

    QStringList columns{QStringLiteral("Z_PK"), QStringLiteral("Z_ENT"), QStringLiteral("Z_OPT")};
    QVariantList values{key, number, 1};
    for (const AttributeDescription &a : object->m_entity.attributes) {
        columns << storeColumn(a.name);
        values << toStoreValue(a.type, object->value(a.name));
    }
    q.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(storeTable(object->entityName()), columns.join(QStringLiteral(", ")),
                       QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", "))));
    for (const QVariant &v : std::as_const(values))
        q.addBindValue(v);
    newKeys.insert(object.get(), key);
    return q.exec();
}

bool ManagedObjectContext::Private::saveUpdate(QSqlQuery &q, const ManagedObjectPtr &object)
{
    QStringList assignments{QStringLiteral("Z_OPT = ?")};
    QVariantList values{object->m_opt + 1};
    for (auto it = object->m_changes.cbegin(); it != object->m_changes.cend(); ++it) {
        assignments << storeColumn(it.key()) + QStringLiteral(" = ?");
        values << toStoreValue(object->m_entity.attribute(it.key())->type, it.value());
    }
    q.prepare(QStringLiteral("UPDATE %1 SET %2 WHERE Z_PK = ? AND Z_OPT = ?")
                  .arg(storeTable(object->entityName()), assignments.join(QStringLiteral(", "))));
    for (const QVariant &v : std::as_const(values))
        q.addBindValue(v);
    q.addBindValue(object->objectID().primaryKey());
    q.addBindValue(object->m_opt);
    return q.exec() && q.numRowsAffected() == 1;
}

bool ManagedObjectContext::Private::saveDelete(QSqlQuery &q, const ManagedObjectPtr &object)
{
    q.prepare(QStringLiteral("DELETE FROM %1 WHERE Z_PK = ? AND Z_OPT = ?").arg(storeTable(object->entityName())));
    q.addBindValue(object->objectID().primaryKey());
    q.addBindValue(object->m_opt);
    return q.exec() && q.numRowsAffected() == 1;
}

void ManagedObjectContext::Private::commitSaved(const QHash<ManagedObject *, qint64> &newKeys)
{
    for (const ManagedObjectPtr &object : std::as_const(inserted)) {
        const qint64 key = newKeys.value(object.get());
        object->m_id = ManagedObjectID::permanent(coordinator->storeUUID(), object->entityName(), key);
        object->m_inserted = false;
        // The row was written with Z_OPT 1 and holds every value: nothing is
        // left to count as a change, or the next update would miss the row.
        object->m_opt = 1;
        for (auto c = object->m_changes.cbegin(); c != object->m_changes.cend(); ++c) {
            if (c.value().isValid())
                object->m_committed.insert(c.key(), c.value());
        }
        object->m_changes.clear();
        registered[object->entityName()].insert(key, object);
    }
    inserted.clear();
    for (auto &objects : registered) {
        for (auto it = objects.begin(); it != objects.end();) {
            ManagedObject &object = **it;
            if (object.m_deleted) {
                it = objects.erase(it);
                continue;
            }
            if (!object.m_changes.isEmpty()) {
                for (auto c = object.m_changes.cbegin(); c != object.m_changes.cend(); ++c) {
                    if (c.value().isValid())
                        object.m_committed.insert(c.key(), c.value());
                    else
                        object.m_committed.remove(c.key());
                }
                object.m_changes.clear();
                ++object.m_opt;
            }
            ++it;
        }
    }
}

bool ManagedObjectContext::save(StoreError *error)
{
    if (!hasChanges())
        return true;
    if (!d->ready(error))
        return false;
    QSqlQuery q(d->coordinator->database());
    // SQLite's own words ("database is locked"): a save's failure reaches the user.
    const auto sqliteReason = [&q] {
        const QSqlError sqlError = q.lastError();
        return sqlError.databaseText().isEmpty() ? sqlError.text() : sqlError.databaseText();
    };
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return d->fail(error, StoreError::Code::StoreFailure, sqliteReason());
    const auto abort = [&](StoreError::Code code, const QString &description) {
        const QString reason = description.isEmpty() ? sqliteReason() : description;
        QSqlQuery rollback(d->coordinator->database());
        rollback.exec(QStringLiteral("ROLLBACK"));
        return d->fail(error, code, reason);
    };

    QHash<ManagedObject *, qint64> newKeys;
    for (const ManagedObjectPtr &object : std::as_const(d->inserted)) {
        if (!d->saveInsert(q, object, newKeys))
            return abort(StoreError::Code::StoreFailure, {});
    }
    for (const auto &objects : std::as_const(d->registered)) {
        for (const ManagedObjectPtr &object : objects) {
            const bool written = object->m_deleted            ? d->saveDelete(q, object)
                                 : !object->m_changes.isEmpty() ? d->saveUpdate(q, object)
                                                                : true;
            if (written)
                continue;
            if (q.lastError().isValid())
                return abort(StoreError::Code::StoreFailure, {});
            return abort(StoreError::Code::Conflict,
                         QStringLiteral("%1 was changed or deleted by another writer").arg(object->objectID().uriRepresentation()));
        }
    }
    if (!q.exec(QStringLiteral("COMMIT")))
        return abort(StoreError::Code::StoreFailure, {});
    d->commitSaved(newKeys);
    return true;
}

bool ManagedObjectContext::updateInPlace(const ManagedObjectID &id, const QVariantMap &values,
                                         const QMap<QString, qint64> &increments, StoreError *error)
{
    if (!d->ready(error))
        return false;
    const auto entity = d->coordinator->managedObjectModel().entity(id.entityName());
    if (!entity || id.isTemporaryID() || id.storeUUID() != d->coordinator->storeUUID())
        return d->fail(error, StoreError::Code::InvalidRequest, QStringLiteral("no such object: %1").arg(id.uriRepresentation()));
    QStringList assignments;
    QVariantList bindings;
    QStringList names;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const auto attribute = entity->attribute(it.key());
        if (!attribute)
            return d->fail(error, StoreError::Code::InvalidRequest, QStringLiteral("no attribute %1").arg(it.key()));
        assignments << storeColumn(it.key()) + QStringLiteral(" = ?");
        bindings << toStoreValue(attribute->type, it.value());
        names << it.key();
    }
    for (auto it = increments.cbegin(); it != increments.cend(); ++it) {
        const auto attribute = entity->attribute(it.key());
        if (!attribute || attribute->type != AttributeType::Integer || values.contains(it.key()))
            return d->fail(error, StoreError::Code::InvalidRequest, QStringLiteral("cannot add to %1").arg(it.key()));
        assignments << QStringLiteral("%1 = coalesce(%1, 0) + ?").arg(storeColumn(it.key()));
        bindings << it.value();
        names << it.key();
    }
    if (assignments.isEmpty())
        return true;
    QSqlQuery q(d->coordinator->database());
    q.prepare(QStringLiteral("UPDATE %1 SET %2 WHERE Z_PK = ?").arg(storeTable(entity->name), assignments.join(QStringLiteral(", "))));
    for (const QVariant &v : std::as_const(bindings))
        q.addBindValue(v);
    q.addBindValue(id.primaryKey());
    if (!q.exec())
        return d->fail(error, StoreError::Code::StoreFailure, q.lastError().databaseText().isEmpty() ? q.lastError().text() : q.lastError().databaseText());
    if (q.numRowsAffected() != 1)
        return d->fail(error, StoreError::Code::Conflict, QStringLiteral("%1 was deleted by another writer").arg(id.uriRepresentation()));
    if (const ManagedObjectPtr object = d->registered.value(entity->name).value(id.primaryKey()))
        d->reloadAttributes(*object, *entity, names);
    return true;
}

void ManagedObjectContext::refreshObject(const ManagedObjectPtr &object, bool mergeChanges)
{
    if (!object || object->m_inserted || !d->ready(nullptr))
        return;
    if (!mergeChanges) {
        object->m_changes.clear();
        object->m_deleted = false;
    }
    const auto entity = d->coordinator->managedObjectModel().entity(object->entityName());
    QSqlQuery q(d->coordinator->database());
    q.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE Z_PK = ?").arg(d->selectColumns(*entity), storeTable(entity->name)));
    q.addBindValue(object->objectID().primaryKey());
    if (!q.exec())
        return;
    if (q.next())
        Private::loadRow(*object, *entity, q);
    else
        d->registered[entity->name].remove(object->objectID().primaryKey());
}

} // namespace platform
