// The excluded-applications list: the add and remove actions, saving the flag,
// telling the service, and the refresh when the service drops applications.

#include "CorvanePrefPane.h"

#include "ApplicationOpenPanel.h"
#include "ApplicationStore.h"
#include "platform/ui/ArrayController.h"
#include "CorvaneProtocol.h"
#include "platform/system/DesktopEntry.h"
#include "platform/bus/DistributedNotificationCenter.h"
#include "platform/core/Log.h"
#include "platform/store/ManagedObjectContext.h"
#include "platform/store/PersistentStoreCoordinator.h"
#include "platform/plist/PropertyList.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHash>
#include <QHeaderView>
#include <QTableView>
#include <QUrl>

namespace {

const QString RemovedNotification = QStringLiteral("CVApplicationRemovedFromLauncherNotification");
const QString ApplicationIDsKey = QStringLiteral("ApplicationIDs");

// The icon an application names: a desktop entry's Icon (a theme name or a file),
// or an app folder's CFBundleIconFile in its Resources.
QIcon applicationIcon(const QString &path)
{
    if (path.endsWith(QLatin1String(".desktop"))) {
        const auto entry = platform::DesktopEntry::read(path);
        const QString icon = entry ? entry->value(QStringLiteral("Icon")) : QString();
        if (icon.isEmpty())
            return {};
        return QDir::isAbsolutePath(icon) ? QIcon(icon) : QIcon::fromTheme(icon);
    }
    const QString resources = path + QStringLiteral("/Resources/");
    QFile infoFile(resources + QStringLiteral("Info.plist"));
    if (!infoFile.open(QIODevice::ReadOnly))
        return {};
    const auto info = platform::readPropertyList(infoFile.read(1 << 20));
    const QString iconFile = info.value.toMap().value(QStringLiteral("CFBundleIconFile")).toString();
    if (iconFile.isEmpty() || iconFile.contains(u'/'))
        return {};
    return QFileInfo::exists(resources + iconFile) ? QIcon(resources + iconFile) : QIcon();
}

} // namespace

void CorvanePrefPane::setUpExcludedApplications()
{
    auto *controller = new platform::ArrayController(
        QStringLiteral("Application"), {QStringLiteral("name")}, [this] { return managedObjectContext(); }, this);
    _excludedApplications = controller;
    controller->setColumnTitles({tr("Application")});
    // Looking icons up reads files: once per application for the pane's life.
    auto icons = std::make_shared<QHash<QString, QIcon>>();
    controller->setIconProvider([icons](const platform::ManagedObject &app) {
        const QString url = app.value(QStringLiteral("URL")).toString();
        auto found = icons->find(url);
        if (found == icons->end())
            found = icons->insert(url, applicationIcon(QUrl(url).toLocalFile()));
        return *found;
    });
    connect(this, &CorvanePrefPane::excludedApplicationsFilterPredicateChanged, controller,
            [this, controller] {
                controller->setFilterPredicate(_filterPredicate);
                // The first binding access: builds the store stack.
                if (!controller->hasFetched())
                    controller->fetch();
            });
    controller->setSortDescriptors(excludedApplicationsSortDescriptors());
    if (_excludedApplicationsTable) {
        _excludedApplicationsTable->setModel(controller);
        _excludedApplicationsTable->setSelectionModel(controller->selectionModel());
        _excludedApplicationsTable->setSelectionBehavior(QAbstractItemView::SelectRows);
        _excludedApplicationsTable->setSelectionMode(QAbstractItemView::SingleSelection);
        _excludedApplicationsTable->horizontalHeader()->setStretchLastSection(true);
    }
    platform::DistributedNotificationCenter::defaultCenter().addObserver(
        this, RemovedNotification, QString(),
        [this](const platform::DistributedNotification &notification) { appsRemoved(notification); });
}

void CorvanePrefPane::tearDownExcludedApplications()
{
    platform::DistributedNotificationCenter::defaultCenter().removeObserver(this, RemovedNotification, QString());
    if (_excludedApplications) {
        if (_excludedApplicationsTable)
            _excludedApplicationsTable->setModel(nullptr);
        _excludedApplications->clear();
    }
    // Context, coordinator, model: each needs the next.
    _store.reset();
    _managedObjectModel.reset();
    _filterPredicate.reset();
}

void CorvanePrefPane::addApplication(QObject *)
{
    QWidget *window = mainView() ? mainView()->window() : nullptr;
    auto *panel = new ApplicationOpenPanel(_applicationsFolder, window);
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setWindowModality(Qt::WindowModal);
    connect(panel, &QFileDialog::finished, this, [this, panel](int result) { openPanelDidEnd(panel, result, nullptr); });
    panel->open();
}

void CorvanePrefPane::openPanelDidEnd(QFileDialog *panel, int returnCode, void *)
{
    if (returnCode == 0 || !panel)
        return;
    const auto *applicationPanel = qobject_cast<const ApplicationOpenPanel *>(panel);
    const QString chosen = applicationPanel ? applicationPanel->chosenApplication() : panel->selectedFiles().value(0);
    if (chosen.isEmpty())
        return;
    const platform::ManagedObjectPtr app = applicationWithPath(chosen);
    if (!app)
        return;   // the service does not know it: nothing to exclude
    app->setValue(QStringLiteral("excluded"), true);
    if (_excludedApplications)
        _excludedApplications->rearrangeObjects();
    if (saveExcluded())
        ServiceSettings::announceExcludedApplication(objectURLStringForApp(app));
}

void CorvanePrefPane::removeApplication(QObject *)
{
    const auto selected = _excludedApplications ? _excludedApplications->selectedObjects() : QList<platform::ManagedObjectPtr>();
    const platform::ManagedObjectPtr app = selected.value(0);
    if (removeApplicationObject(app))
        ServiceSettings::announceExcludedApplication(objectURLStringForApp(app));
}

bool CorvanePrefPane::removeApplicationObject(const platform::ManagedObjectPtr &app)
{
    // Without a record this still saves: whatever is unsaved gets another try.
    if (app)
        app->setValue(QStringLiteral("excluded"), false);
    const bool saved = saveExcluded();
    if (_excludedApplications)
        _excludedApplications->rearrangeObjects();
    if (_excludedApplicationsTable)
        _excludedApplicationsTable->viewport()->update();
    return saved;
}

bool CorvanePrefPane::saveExcluded()
{
    platform::ManagedObjectContext *context = managedObjectContext();
    if (!context)
        return false;
    platform::StoreError error;
    if (context->save(&error)) {
        if (_excludedApplications)
            _excludedApplications->rearrangeObjects();
        return true;
    }
    platform::log(QStringLiteral("unable to save excluded attribute: %1").arg(error.toString()));
    // A change the store refused is no change: show the list as the store has it,
    // or the next opening of the pane would contradict this one.
    if (_excludedApplications) {
        for (const platform::ManagedObjectPtr &app : _excludedApplications->arrangedObjects()) {
            if (app->hasChanges())
                context->refreshObject(app, false);
        }
        _excludedApplications->rearrangeObjects();
    }
    showAlertSheet("Excluded Applications Not Changed",
                   localized("The application store could not be saved: %1. The list of excluded applications is "
                             "unchanged.")
                       .arg(error.description));
    return false;
}

QString CorvanePrefPane::objectURLStringForApp(const platform::ManagedObjectPtr &app) const
{
    return ApplicationStore::objectURLString(app);
}

void CorvanePrefPane::appsRemoved(const platform::DistributedNotification &notification)
{
    platform::ManagedObjectContext *context = managedObjectContext();
    const QVariantList identifiers = notification.userInfo.value(ApplicationIDsKey).toList();
    for (const QVariant &identifier : identifiers) {
        if (!context || identifier.metaType().id() != QMetaType::QString)
            continue;
        const auto id = context->persistentStoreCoordinator()->managedObjectIDForURIRepresentation(identifier.toString());
        if (!id)
            continue;   // names nothing of this store
        if (const platform::ManagedObjectPtr app = context->existingObjectWithID(*id))
            context->refreshObject(app, false);
    }
    if (_excludedApplications)
        _excludedApplications->fetch();
}

platform::ArrayController *CorvanePrefPane::excludedApplications() const
{
    return _excludedApplications;
}
