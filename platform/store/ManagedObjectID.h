#pragma once

#include <QString>

#include <optional>

namespace platform {

/// The identity of one object of a store: entity, store and primary key. A
/// newly inserted object has a temporary ID until its first save.
class ManagedObjectID
{
public:
    ManagedObjectID() = default;
    static ManagedObjectID permanent(const QString &storeUUID, const QString &entityName, qint64 primaryKey);
    static ManagedObjectID temporary(const QString &entityName);

    /// Parses "x-coredata://<store UUID>/<Entity>/p<primary key>"; none for
    /// anything else, temporary IDs included.
    static std::optional<ManagedObjectID> fromURIRepresentation(const QString &uri);

    /// The identifier other processes know the object by:
    /// "x-coredata://<store UUID>/<Entity>/p<key>", or
    /// "x-coredata:///<Entity>/t<UUID>" while temporary. Kept as text because URL
    /// types lower-case the host, and the UUID's case is part of the identifier.
    QString uriRepresentation() const;

    bool isTemporaryID() const { return m_primaryKey == 0; }
    bool isNull() const { return m_entityName.isEmpty(); }
    const QString &entityName() const { return m_entityName; }
    const QString &storeUUID() const { return m_storeUUID; }
    qint64 primaryKey() const { return m_primaryKey; }

    friend bool operator==(const ManagedObjectID &, const ManagedObjectID &) = default;

private:
    QString m_storeUUID;     // empty while temporary
    QString m_entityName;
    qint64 m_primaryKey = 0; // 0 while temporary
    QString m_temporaryTag;  // unique while temporary
};

} // namespace platform
