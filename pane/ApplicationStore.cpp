#include "ApplicationStore.h"

#include "SystemFolders.h"
#include "platform/core/Log.h"
#include "platform/store/ManagedObjectContext.h"
#include "platform/store/PersistentStoreCoordinator.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

const QString StoreFileName = QStringLiteral("Corvane.db");
const QString LookupTemplate = QStringLiteral("applicationWithNameAndURL");
const QString Entity = QStringLiteral("Application");
const QString ExcludedKey = QStringLiteral("excluded");

} // namespace

QString ApplicationStore::folder()
{
    const auto support = vl::findSystemFolderType(vl::fourCharCode("asup"), vl::UserDomain);
    if (!support)
        return {};
    return QDir(QDir(*support).filePath(QStringLiteral("Velora"))).filePath(QStringLiteral("Corvane"));
}

ApplicationStore::ApplicationStore(platform::ManagedObjectModel model, std::chrono::milliseconds busyTimeout)
    : m_model(std::move(model))
    , m_coordinator(std::make_shared<platform::PersistentStoreCoordinator>(m_model))
{
    m_coordinator->setBusyTimeout(busyTimeout);
}

// The context needs the coordinator: it goes first.
ApplicationStore::~ApplicationStore()
{
    m_context.reset();
}

std::optional<ApplicationStore::OpenError> ApplicationStore::open()
{
    const QString where = folder();
    if (where.isEmpty())
        return OpenError{{platform::StoreError::Code::CannotOpen, QStringLiteral("There is no Application Support folder.")}};
    if (!QFileInfo::exists(where))
        QDir().mkdir(where); // the outcome shows below
    const QString location = QDir(where).filePath(StoreFileName);
    const bool neverCatalogued = !QFileInfo::exists(location);
    platform::StoreError error;
    if (!m_coordinator->addSQLiteStore(location, &error))
        return OpenError{error, neverCatalogued};
    return std::nullopt;
}

platform::ManagedObjectContext &ApplicationStore::context()
{
    if (!m_context)
        m_context = std::make_unique<platform::ManagedObjectContext>(m_coordinator);
    return *m_context;
}

platform::ManagedObjectPtr ApplicationStore::applicationWithPath(const QString &path)
{
    const QFileInfo file(path);
    const QVariantMap variables{{QStringLiteral("APPNAME"), file.completeBaseName()},
                                {QStringLiteral("URL"), QUrl::fromLocalFile(file.absoluteFilePath()).toString()}};
    const auto request = m_model.fetchRequestFromTemplate(LookupTemplate, variables);
    if (!request) {
        platform::log(QStringLiteral("cannot look up %1: the object model has no fetch request template \"%2\"")
                          .arg(path, LookupTemplate));
        return nullptr;
    }
    platform::StoreError error;
    const auto results = context().executeFetchRequest(*request, &error);
    if (!results) {
        platform::log(error.toString());
        return nullptr;
    }
    return results->isEmpty() ? nullptr : results->first();
}

std::optional<QList<platform::ManagedObjectPtr>> ApplicationStore::excludedApplications(platform::StoreError *error)
{
    return context().executeFetchRequest({Entity, excludedPredicate(), byName()}, error);
}

bool ApplicationStore::save(platform::StoreError *error)
{
    return context().save(error);
}

platform::Predicate ApplicationStore::excludedPredicate()
{
    return *platform::Predicate::parse(QStringLiteral("excluded == YES"));
}

QList<platform::SortDescriptor> ApplicationStore::byName()
{
    return {{QStringLiteral("name"), true}};
}

QString ApplicationStore::objectURLString(const platform::ManagedObjectPtr &app)
{
    return app ? app->objectID().uriRepresentation() : QString();
}

QString ApplicationStore::path(const platform::ManagedObject &app)
{
    return QUrl(app.value(QStringLiteral("URL")).toString()).toLocalFile();
}

void ApplicationStore::setExcluded(const platform::ManagedObjectPtr &app, bool excluded)
{
    app->setValue(ExcludedKey, excluded);
}

bool ApplicationStore::isExcluded(const platform::ManagedObject &app)
{
    return app.value(ExcludedKey).toBool();
}
