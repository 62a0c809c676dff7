#pragma once

#include "platform/store/FetchRequest.h"
#include "platform/store/ManagedObject.h"
#include "platform/store/PersistentStoreCoordinator.h"
#include "platform/store/StoreError.h"

#include <QList>
#include <QMap>
#include <QVariantMap>

#include <memory>
#include <optional>

namespace platform {

/// A scratch pad of objects over a coordinator's store. Objects are fetched,
/// changed in memory, and written back together by save(); each object appears
/// once per context. Single-threaded: use a context on the thread that made it.
class ManagedObjectContext
{
public:
    explicit ManagedObjectContext(std::shared_ptr<PersistentStoreCoordinator> coordinator);
    ~ManagedObjectContext();
    ManagedObjectContext(const ManagedObjectContext &) = delete;
    ManagedObjectContext &operator=(const ManagedObjectContext &) = delete;

    const std::shared_ptr<PersistentStoreCoordinator> &persistentStoreCoordinator() const;

    /// The objects the request selects, sorted as it asks. Unsaved changes count:
    /// a changed object is matched by its in-memory values, an inserted one is
    /// included, a deleted one is not. Objects without unsaved changes take the
    /// store's current values. None, with `error`, when the store cannot be read
    /// or the request names an unknown entity or key.
    std::optional<QList<ManagedObjectPtr>> executeFetchRequest(const FetchRequest &request,
                                                              StoreError *error = nullptr);

    /// The object of `id`, from the context or else from the store; null when
    /// the store has no such object.
    ManagedObjectPtr existingObjectWithID(const ManagedObjectID &id, StoreError *error = nullptr);

    /// A new object of `entityName`, inserted on the next save; null for an unknown entity.
    ManagedObjectPtr insertNewObject(const QString &entityName);

    /// Marks `object` for deletion on the next save.
    void deleteObject(const ManagedObjectPtr &object);

    bool hasChanges() const;

    /// Writes every insertion, change and deletion in one transaction. A row that
    /// another writer changed or deleted since it was read fails the whole save
    /// (Conflict); a lock held past the busy timeout fails it too (StoreFailure).
    /// On failure nothing is written and the objects keep their unsaved changes.
    bool save(StoreError *error = nullptr);

    /// Writes `values` into the store row of `id` and adds `increments` to the
    /// numbers there (nil counting as 0), in one statement and outside save(): no
    /// optimistic lock and no new row version. For attributes that only this writer
    /// changes (counters, time stamps), so that another writer saving other
    /// attributes of the row at the same moment neither conflicts nor loses its
    /// values. The context's object of `id`, if any, takes the stored values of
    /// those attributes. False with `error` when the row is gone (Conflict), an
    /// attribute is unknown (InvalidRequest) or the store refuses (StoreFailure).
    bool updateInPlace(const ManagedObjectID &id, const QVariantMap &values, const QMap<QString, qint64> &increments,
                       StoreError *error = nullptr);

    /// Re-reads `object` from the store. Without `mergeChanges` its unsaved changes
    /// are discarded; with it they are kept on top of the fresh values. An object
    /// whose row is gone is forgotten by the context.
    void refreshObject(const ManagedObjectPtr &object, bool mergeChanges);

private:
    struct Private;
    std::unique_ptr<Private> const d;
};

} // namespace platform
