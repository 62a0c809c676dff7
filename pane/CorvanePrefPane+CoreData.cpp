// The application store the pane shares with the service: the lazily built
// model, coordinator and context, the excluded list's filter and order, and the
// lookup of a record by an application's path.

#include "CorvanePrefPane.h"

#include "ApplicationStore.h"

#include "platform/core/Log.h"
#include "platform/store/ManagedObjectContext.h"
#include "platform/store/PersistentStoreCoordinator.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

namespace {

const QString ModelResource = QStringLiteral("Corvane");
const QString ModelType = QStringLiteral("model.json");

} // namespace

QString CorvanePrefPane::applicationSupportFolder() const
{
    return ApplicationStore::folder();
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
    if (_store)
        return _store->coordinator();
    _store = std::make_unique<ApplicationStore>(managedObjectModel(), _storeBusyTimeout);
    if (const auto failure = _store->open())
        presentStoreError(failure->error, failure->neverCatalogued);
    return _store->coordinator();
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
    persistentStoreCoordinator();
    return &_store->context();
}

platform::Predicate CorvanePrefPane::excludedApplicationsFilterPredicate()
{
    if (!_filterPredicate)
        _filterPredicate = ApplicationStore::excludedPredicate();
    return *_filterPredicate;
}

void CorvanePrefPane::setExcludedApplicationsFilterPredicate(const platform::Predicate &predicate)
{
    _filterPredicate = predicate;
    Q_EMIT excludedApplicationsFilterPredicateChanged();
}

QList<platform::SortDescriptor> CorvanePrefPane::excludedApplicationsSortDescriptors() const
{
    return ApplicationStore::byName();
}

platform::ManagedObjectPtr CorvanePrefPane::applicationWithPath(const QString &path)
{
    persistentStoreCoordinator();
    return _store->applicationWithPath(path);
}
