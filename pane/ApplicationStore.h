#pragma once

#include "platform/store/ManagedObject.h"
#include "platform/store/ManagedObjectModel.h"
#include "platform/store/StoreError.h"

#include <QList>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>

namespace platform {
class ManagedObjectContext;
class PersistentStoreCoordinator;
}

/// The application store that the pane and corvanectl share with the service:
/// <user Application Support>/Velora/Corvane/Corvane.db, whose "Application"
/// records the service makes. Its users only flip a record's `excluded` flag;
/// nothing here creates or deletes a record.
class ApplicationStore
{
public:
    /// Why open() failed; `neverCatalogued` when the store file did not exist,
    /// that is when the service has not run yet.
    struct OpenError
    {
        platform::StoreError error;
        bool neverCatalogued = false;
    };

    /// <user Application Support>/Velora/Corvane; empty when the user has no
    /// Application Support folder. Nothing is created here.
    static QString folder();

    ApplicationStore(platform::ManagedObjectModel model, std::chrono::milliseconds busyTimeout);
    ~ApplicationStore();
    ApplicationStore(const ApplicationStore &) = delete;
    ApplicationStore &operator=(const ApplicationStore &) = delete;

    /// Makes folder() when missing (one level only: the service makes the chain)
    /// and adds the SQLite store in it. Call once; on failure the coordinator
    /// stays without a store and every fetch fails.
    std::optional<OpenError> open();

    const std::shared_ptr<platform::PersistentStoreCoordinator> &coordinator() const { return m_coordinator; }
    /// Built on first use over coordinator().
    platform::ManagedObjectContext &context();

    /// The record of the application at `path` (an app folder or a desktop entry),
    /// found by its name and file URL; null when the store does not know it. Why a
    /// lookup could not run is logged.
    platform::ManagedObjectPtr applicationWithPath(const QString &path);
    /// The excluded records by name; none when the fetch fails (`error` says why).
    std::optional<QList<platform::ManagedObjectPtr>> excludedApplications(platform::StoreError *error = nullptr);
    /// Saves every change in one transaction; false with `error` when refused.
    bool save(platform::StoreError *error = nullptr);

    /// "excluded == YES".
    static platform::Predicate excludedPredicate();
    static QList<platform::SortDescriptor> byName();
    /// The record's identifier across processes (its URI); empty for none.
    static QString objectURLString(const platform::ManagedObjectPtr &app);
    /// The local path of a record's URL.
    static QString path(const platform::ManagedObject &app);
    static void setExcluded(const platform::ManagedObjectPtr &app, bool excluded);
    static bool isExcluded(const platform::ManagedObject &app);

private:
    platform::ManagedObjectModel m_model;
    std::shared_ptr<platform::PersistentStoreCoordinator> m_coordinator;
    std::unique_ptr<platform::ManagedObjectContext> m_context;
};
