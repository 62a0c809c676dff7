// The application store the pane shares with the service: the lazily built
// model, coordinator and context, the excluded list's filter and order, and the
// lookup of a record by an application's path.

#include "CorvanePrefPane.h"

#include "platform/ui/AlertSheet.h"
#include "platform/core/Log.h"
#include "platform/store/ManagedObjectContext.h"
#include "platform/store/PersistentStoreCoordinator.h"
#include "SystemFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

const QString ModelResource = QStringLiteral("Corvane");
const QString ModelType = QStringLiteral("model.json");
const QString StoreFileName = QStringLiteral("Corvane.db");

} // namespace

QString CorvanePrefPane::applicationSupportFolder() const
{
    const auto support = vl::findSystemFolderType(vl::fourCharCode("asup"), vl::UserDomain);
    if (!support)
        return {};
    return QDir(QDir(*support).filePath(QStringLiteral("Velora"))).filePath(QStringLiteral("Corvane"));
}

const platform::ManagedObjectModel &CorvanePrefPane::managedObjectModel()
{
    if (_managedObjectModel)
        return *_managedObjectModel;
    QString error;
    const auto path = bundle().pathForResource(ModelResource, ModelType);
    std::optional<platform::ManagedObjectModel> model;
    if (path)
        model = platform::ManagedObjectModel::fromFile(*path, &error);
    else
        error = QStringLiteral("no object model in %1").arg(bundle().resourcePath());
    if (!model)
        platform::log(error);
    _managedObjectModel = model.value_or(platform::ManagedObjectModel());
    return *_managedObjectModel;
}

std::shared_ptr<platform::PersistentStoreCoordinator> CorvanePrefPane::persistentStoreCoordinator()
{
    if (_persistentStoreCoordinator)
        return _persistentStoreCoordinator;

    const QString folder = applicationSupportFolder();
    // One level only: the service makes the whole chain; the result shows below.
    if (!folder.isEmpty() && !QFileInfo::exists(folder))
        QDir().mkdir(folder);

    _persistentStoreCoordinator = std::make_shared<platform::PersistentStoreCoordinator>(managedObjectModel());
    _persistentStoreCoordinator->setBusyTimeout(_storeBusyTimeout);
    platform::StoreError error;
    const QString location = folder.isEmpty() ? QString() : QDir(folder).filePath(StoreFileName);
    if (location.isEmpty()) {
        error = {platform::StoreError::Code::CannotOpen, QStringLiteral("There is no Application Support folder.")};
        presentStoreError(error);
    } else if (!_persistentStoreCoordinator->addSQLiteStore(location, &error)) {
        presentStoreError(error);
    }
    return _persistentStoreCoordinator;
}

void CorvanePrefPane::presentStoreError(const platform::StoreError &error)
{
    // The application's own error presentation: an application-modal alert.
    platform::beginAlertSheet(nullptr, QStringLiteral("The excluded applications cannot be shown."),
                              error.description);
}

platform::ManagedObjectContext *CorvanePrefPane::managedObjectContext()
{
    if (_managedObjectContext)
        return _managedObjectContext.get();
    if (auto coordinator = persistentStoreCoordinator())
        _managedObjectContext = std::make_unique<platform::ManagedObjectContext>(std::move(coordinator));
    return _managedObjectContext.get();
}

platform::Predicate CorvanePrefPane::excludedApplicationsFilterPredicate()
{
    if (!_filterPredicate)
        _filterPredicate = platform::Predicate::parse(QStringLiteral("excluded == YES"));
    return *_filterPredicate;
}

void CorvanePrefPane::setExcludedApplicationsFilterPredicate(const platform::Predicate &predicate)
{
    _filterPredicate = predicate;
    Q_EMIT excludedApplicationsFilterPredicateChanged();
}

QList<platform::SortDescriptor> CorvanePrefPane::excludedApplicationsSortDescriptors() const
{
    return {{QStringLiteral("name"), true}};
}

platform::ManagedObjectPtr CorvanePrefPane::applicationWithPath(const QString &path)
{
    const QFileInfo file(path);
    const QVariantMap variables{{QStringLiteral("APPNAME"), file.completeBaseName()},
                                {QStringLiteral("URL"), QUrl::fromLocalFile(file.absoluteFilePath()).toString()}};
    platform::ManagedObjectContext *context = managedObjectContext();
    const auto request = managedObjectModel().fetchRequestFromTemplate(QStringLiteral("applicationWithNameAndURL"), variables);
    if (!context || !request)
        return nullptr;
    platform::StoreError error;
    const auto results = context->executeFetchRequest(*request, &error);
    if (!results) {
        platform::log(error.toString());
        return nullptr;
    }
    return results->isEmpty() ? nullptr : results->first();
}
