#pragma once

#include "PreferencePane.h"

#include <QPointer>

// Excluded applications.
#include "ManagedObject.h"
#include "ManagedObjectModel.h"
#include "Predicate.h"
#include "StoreError.h"
#include <chrono>
#include <memory>
#include <optional>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class VLOnOffButton;
class CorvaneProtocol;
class QFileDialog;
namespace platform {
class ArrayController;
class DistantObject;
class ManagedObjectContext;
class PersistentStoreCoordinator;
struct DistributedNotification;
}

/// The Corvane preference pane: the principal class of the bundle Corvane.prefPane.
///
/// Its on/off switch starts and quits the service (Corvane.app); the service's launch
/// and quit notifications keep the switch in step with the service's real state.
/// The pane keeps no copy of that state: each willSelect() asks the process list.
/// Everything runs on the main thread; turning the service off blocks it while the
/// service quits (up to 20 seconds).
class CorvanePrefPane : public platform::PreferencePane
{
    Q_OBJECT
public:
    explicit CorvanePrefPane(platform::Bundle bundle, QObject *parent = nullptr);
    /// Stops observing everything first: no notification reaches a destroyed pane.
    ~CorvanePrefPane() override;

    /// Wires the switch to toggleEnable(), shows the version and starts observing the
    /// service's distributed notifications. Called once, after the view is loaded.
    void mainViewDidLoad() override;
    /// Reads the service's preferences domain and state into the controls.
    void willSelect() override;
    /// Ends editing and saves the settings.
    void willUnselect() override;

    /// Sets the version label to "v" and the bundle's CFBundleShortVersionString.
    void updateVersionLabel();

    /// The service has started: the switch goes on.
    void appHasLaunched();
    /// The service is quitting: the switch goes off.
    void appIsQuitting();

    /// True when the service runs afterwards: it already ran, or its launch was accepted.
    bool enableService();
    /// True when the service is not running afterwards. Asks a running service to quit
    /// and waits for it (blocking, up to 20 s); then, whatever the outcome, removes
    /// its Services bundle and refreshes the Services menu.
    bool disableService();

    /// The "Service Not Enabled" sheet on the pane's window; returns at once.
    void showLaunchFailedAlertSheet();
    /// The "Service Not Disabled." sheet on the pane's window; returns at once.
    void showDisableFailedAlertSheet();

    /// Action of the switch (`sender`): state 1 enables the service, any other state
    /// disables it; on failure, shows the matching sheet and puts the switch back.
    Q_INVOKABLE void toggleEnable(QObject *sender);

protected:
    QWidget *createCustomWidget(const QString &className, QWidget *parent, const QString &name) override;
    void connectOutlets(QWidget *mainView) override;

private:
    // Outlets: widgets of the interface file, owned by the view.
    QPointer<QLabel> _versionLabel;
    QPointer<VLOnOffButton> _enableCheckbox;
    QPointer<QCheckBox> _enableAtStartupCheckbox;
    QPointer<QLineEdit> _hotKeyField;
    QPointer<QPushButton> _keybroadcaster;
    QPointer<QComboBox> _topLeftPicker;
    QPointer<QComboBox> _topRightPicker;
    QPointer<QComboBox> _bottomLeftPicker;
    QPointer<QComboBox> _bottomRightPicker;
    QPointer<QComboBox> _sortByPicker;
    QPointer<QTableView> _excludedApplicationsTable;
    QPointer<QCheckBox> _limitSearchCheckbox;

    // ===== Excluded applications and the application store =================
    // (CorvanePrefPane+CoreData.cpp, CorvanePrefPane+ExcludedApps.cpp)
    // The pane shares the service's store "Corvane.db" and only flips the
    // `excluded` flag of records the service made; it never creates or deletes one.
public:
    // CoreData.

    /// <user Application Support>/Velora/Corvane; empty when the user has no
    /// Application Support folder. Nothing is created here.
    QString applicationSupportFolder() const;
    /// The object model of Resources/Corvane.model.json, read on first use; an
    /// empty model (logged) when the file is missing or malformed.
    const platform::ManagedObjectModel &managedObjectModel();
    /// Built once: makes applicationSupportFolder() (one level only) when missing
    /// and adds the SQLite store Corvane.db in it. An error is presented to the user
    /// once, here; the coordinator then stays without a store.
    std::shared_ptr<platform::PersistentStoreCoordinator> persistentStoreCoordinator();
    /// Built once over persistentStoreCoordinator(); null when there is none.
    platform::ManagedObjectContext *managedObjectContext();
    /// "excluded == YES", parsed on first use.
    platform::Predicate excludedApplicationsFilterPredicate();
    /// Keeps `predicate` and announces it (excludedApplicationsFilterPredicateChanged);
    /// the excluded-applications controller applies it at once.
    void setExcludedApplicationsFilterPredicate(const platform::Predicate &predicate);
    /// Ascending on "name".
    QList<platform::SortDescriptor> excludedApplicationsSortDescriptors() const;
    /// The record of the application at `path` (an app folder or a desktop entry)
    /// through the template "applicationWithNameAndURL"; null when the store does
    /// not know it (a fetch error is logged). No record is ever created.
    platform::ManagedObjectPtr applicationWithPath(const QString &path);

    // ExcludedApps.

    /// Opens the open panel window-modal on the pane's window, in the system's
    /// applications folder, offering desktop entries and app folders; its end
    /// calls openPanelDidEnd().
    Q_INVOKABLE void addApplication(QObject *sender);
    /// Saves the context; on failure logs "unable to save excluded attribute: %@"
    /// and keeps the in-memory flags.
    void saveExcluded();
    /// The record's identifier across processes (its URI); empty for none.
    QString objectURLStringForApp(const platform::ManagedObjectPtr &app) const;
    /// The panel ended with `returnCode` (0: cancelled): a known application is
    /// excluded, saved and announced to the service; anything else changes nothing.
    void openPanelDidEnd(QFileDialog *panel, int returnCode, void *contextInfo);
    /// Clears the record's flag, saves and shows the list again.
    void removeApplicationObject(const platform::ManagedObjectPtr &app);
    /// Clears the flag of the first selected record and tells the service (an empty
    /// identifier when nothing was selected).
    Q_INVOKABLE void removeApplication(QObject *sender);
    /// The service removed applications: refreshes the records named under
    /// "ApplicationIDs" (identifiers naming nothing of this store are skipped), then
    /// fetches the list again.
    void appsRemoved(const platform::DistributedNotification &notification);

    /// The controller that feeds the excluded-applications table.
    platform::ArrayController *excludedApplications() const;
    /// The folder the open panel starts in (/usr/share/applications unless set).
    void setApplicationsFolder(const QString &folder) { _applicationsFolder = folder; }
    /// How long a save waits for the service's lock (5 s unless set before the
    /// store is first used).
    void setStoreBusyTimeout(std::chrono::milliseconds timeout) { _storeBusyTimeout = timeout; }

Q_SIGNALS:
    void excludedApplicationsFilterPredicateChanged();

private:
    void setUpExcludedApplications();
    void tearDownExcludedApplications();
    void presentStoreError(const platform::StoreError &error);
    std::shared_ptr<platform::DistantObject> excludedAppsServiceProxy() const;

    std::shared_ptr<platform::PersistentStoreCoordinator> _persistentStoreCoordinator;
    std::optional<platform::ManagedObjectModel> _managedObjectModel;
    std::unique_ptr<platform::ManagedObjectContext> _managedObjectContext;
    std::optional<platform::Predicate> _filterPredicate;
    QPointer<platform::ArrayController> _excludedApplications;
    QString _applicationsFolder = QStringLiteral("/usr/share/applications");
    std::chrono::milliseconds _storeBusyTimeout{5000};
    // ===== end of excluded applications ========================================
};
