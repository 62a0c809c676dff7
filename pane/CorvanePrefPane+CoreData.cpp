// The application store the pane shares with the service: the lazily built
// model, coordinator and context, the excluded list's filter and order, and the
// lookup of a record by an application's path.

#include "CorvanePrefPane.h"

#include "platform/core/Log.h"
#include "platform/store/ManagedObjectContext.h"
#include "platform/store/PersistentStoreCoordinator.h"
#include "SystemFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const QString ModelResource = QStringLiteral("Corvane");
const QString ModelType = QStringLiteral("model.json");
const QString StoreFileName = QStringLiteral("Corvane.db");
const QString LookupTemplate = QStringLiteral("applicationWithNameAndURL");

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
        presentStoreError(error, false);
    } else if (const bool neverCatalogued = !QFileInfo::exists(location);
               !_persistentStoreCoordinator->addSQLiteStore(location, &error)) {
        presentStoreError(error, neverCatalogued);
    }
    return _persistentStoreCoordinator;
}

void CorvanePrefPane::presentStoreError(const platform::StoreError &error, bool neverCatalogued)
{
    platform::log(QStringLiteral("cannot open the application store: %1").arg(error.toString()));
    // The service makes the store when it first runs: before that, the error says
    // nothing a user can act on.
    const QString message = neverCatalogued
                                ? localized("Corvane has not catalogued your applications yet: turn it on and the list fills")
                                : error.description;
    showAlertSheet("The excluded applications cannot be shown.", message);
    showInEmptyTable(neverCatalogued ? message : localized("The excluded applications cannot be shown."));
}

void CorvanePrefPane::showInEmptyTable(const QString &text)
{
    if (!_excludedApplicationsTable)
        return;
    QWidget *viewport = _excludedApplicationsTable->viewport();
    auto *label = new QLabel(text, viewport);
    label->setObjectName(QStringLiteral("_excludedApplicationsPlaceholder"));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignCenter);
    label->setEnabled(false); // drawn in the disabled colour, as a placeholder is
    auto *layout = new QVBoxLayout(viewport);
    layout->addWidget(label);
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
    if (!context) {
        platform::log(QStringLiteral("cannot look up %1: there is no application store").arg(path));
        return nullptr;
    }
    const auto request = managedObjectModel().fetchRequestFromTemplate(LookupTemplate, variables);
    if (!request) {
        platform::log(QStringLiteral("cannot look up %1: the object model has no fetch request template \"%2\"")
                          .arg(path, LookupTemplate));
        return nullptr;
    }
    platform::StoreError error;
    const auto results = context->executeFetchRequest(*request, &error);
    if (!results) {
        platform::log(error.toString());
        return nullptr;
    }
    return results->isEmpty() ? nullptr : results->first();
}
