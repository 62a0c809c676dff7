#pragma once

#include "platform/store/ManagedObjectID.h"
#include "platform/store/ManagedObjectModel.h"

#include <QVariant>
#include <QVariantMap>

#include <memory>

namespace platform {

class ManagedObjectContext;

/// One object of a context: an entity's attribute values, the values last
/// saved or fetched and the changes made since. Created and owned by its
/// ManagedObjectContext; changes reach the store only when the context saves.
class ManagedObject
{
public:
    const ManagedObjectID &objectID() const { return m_id; }
    const QString &entityName() const { return m_entity.name; }

    /// The current value of attribute `key`: a QString, bool, qint64, double,
    /// QDateTime or QByteArray, or a null QVariant when it has none.
    QVariant value(const QString &key) const;

    /// Changes attribute `key`; false (and nothing changes) when the entity has
    /// no such attribute or the value does not convert to the attribute's type.
    bool setValue(const QString &key, const QVariant &value);

    bool hasChanges() const { return !m_changes.isEmpty() || m_inserted || m_deleted; }
    bool isInserted() const { return m_inserted; }
    bool isDeleted() const { return m_deleted; }
    /// The attributes changed since the last save or refresh, with their new values.
    const QVariantMap &changedValues() const { return m_changes; }

private:
    friend class ManagedObjectContext;
    struct Passkey { explicit Passkey() = default; };

public:
    ManagedObject(Passkey, EntityDescription entity, ManagedObjectID id);

private:
    EntityDescription m_entity;
    ManagedObjectID m_id;
    QVariantMap m_committed; // as last saved or fetched
    QVariantMap m_changes;
    qint64 m_opt = 0;        // the row's optimistic-locking counter when last read
    bool m_inserted = false;
    bool m_deleted = false;
};

using ManagedObjectPtr = std::shared_ptr<ManagedObject>;

} // namespace platform
