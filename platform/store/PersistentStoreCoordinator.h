#pragma once

#include "platform/store/ManagedObjectID.h"
#include "platform/store/ManagedObjectModel.h"
#include "platform/store/StoreError.h"

#include <QString>

#include <chrono>
#include <memory>
#include <optional>

class QSqlDatabase;

namespace platform {

/// Connects an object model to one SQLite store file laid out as the original
/// platform's object store lays it out: a "Z<ENTITY>" table per entity with
/// Z_PK, Z_ENT, Z_OPT and a "Z<ATTRIBUTE>" column per attribute, plus
/// Z_PRIMARYKEY and Z_METADATA (which holds the store's UUID). Stores written by
/// the original platform open too.
///
/// The file may be shared with another process: it is used in WAL journal mode,
/// and a lock held by another writer is waited for up to the busy timeout.
class PersistentStoreCoordinator
{
public:
    explicit PersistentStoreCoordinator(ManagedObjectModel model);
    ~PersistentStoreCoordinator();
    PersistentStoreCoordinator(const PersistentStoreCoordinator &) = delete;
    PersistentStoreCoordinator &operator=(const PersistentStoreCoordinator &) = delete;

    /// How long to wait for another writer's lock; set it before adding the store.
    /// The default is 5 seconds.
    void setBusyTimeout(std::chrono::milliseconds timeout);

    /// Opens the store file at `path`, creating it with the model's tables when it
    /// does not exist (its folder must). False with `error` set when the file
    /// cannot be opened or created (CannotOpen), or is not such a store or lacks
    /// one of the model's entities or attributes (ModelMismatch). One store per
    /// coordinator: a second call fails with InvalidRequest.
    bool addSQLiteStore(const QString &path, StoreError *error = nullptr);

    bool hasStore() const;
    const ManagedObjectModel &managedObjectModel() const;

    /// The store's identity, an upper-case hyphenated UUID; empty without a store.
    QString storeUUID() const;

    /// The ID that `uri` names when it names an object of this store's entities;
    /// none otherwise (another store, an unknown entity, not such a URI).
    std::optional<ManagedObjectID> managedObjectIDForURIRepresentation(const QString &uri) const;

    /// The open connection, for ManagedObjectContext.
    QSqlDatabase database() const;

    /// The Z_ENT number of `entityName` in this store; 0 when unknown.
    int entityNumber(const QString &entityName) const;

private:
    struct Private;
    std::unique_ptr<Private> const d;
};

} // namespace platform
