#pragma once

#include "CorvaneProtocol.h"
#include "HotKeyField.h"
#include "KeyBroadcaster.h"
#include "KeyCombo.h"
#include "ServiceSettings.h"
#include "platform/store/ManagedObject.h"
#include "platform/store/ManagedObjectModel.h"
#include "platform/store/Predicate.h"
#include "platform/store/StoreError.h"
#include "platform/ui/PreferencePane.h"

#include <QPointer>
#include <QVariantMap>

#include <chrono>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class VLOnOffButton;
class ApplicationStore;
class CorvaneProtocol;
class QFileDialog;
namespace platform {
class ArrayController;
class ConnectionWatcher;
class ProcessExitWatcher;
class DistantObject;
class ManagedObjectContext;
class PersistentStoreCoordinator;
struct DistributedNotification;
}

/// The Corvane preference pane: the principal class of the bundle Corvane.prefPane.
///
/// Its on/off switch starts and quits the service (Corvane.app); the service's launch
/// and quit notifications keep the switch in step with the service's real state, and
/// while the pane is selected so does the service's connection coming and going (a
/// killed service sends no notification). The pane keeps no copy of that state: each
/// willSelect() asks the process list.
/// Everything runs on the main thread; turning the service off blocks it while the
/// service quits (up to 20 seconds).
class CorvanePrefPane : public platform::PreferencePane, public HotKeyFieldDelegate
{
    Q_OBJECT
public:
    // ===== The pane =========================================================

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

    /// The service has started: the switch goes on, and a launch under way has
    /// succeeded.
    void appHasLaunched();
    /// The service is quitting: the switch goes off.
    void appIsQuitting();

    /// True when the service runs afterwards: it already ran, or its launch was
    /// accepted. A launched service that ends before it announces its launch brings
    /// the "Service Not Enabled" sheet later and puts the switch back off; one that
    /// is still starting keeps it on.
    bool enableService();
    /// Asks a running service to quit and waits for it from the event loop (up to
    /// 20 s), `button` disabled with a busy cursor meanwhile; then, whatever the
    /// outcome, removes its Services bundle and refreshes the Services menu. When the
    /// service still runs, shows the "Service Not Disabled." sheet and puts `button`
    /// back on.
    void disableService(VLOnOffButton *button);

    /// The "Service Not Enabled" sheet on the pane's window; returns at once.
    void showLaunchFailedAlertSheet();
    /// The "Service Not Disabled." sheet on the pane's window; returns at once.
    void showDisableFailedAlertSheet();

    // Excluded applications and the application store (CorvanePrefPane+CoreData.cpp,
    // CorvanePrefPane+ExcludedApps.cpp). The pane shares the service's store
    // "Corvane.db" and only flips the `excluded` flag of records the service made;
    // it never creates or deletes one.

    /// <user Application Support>/Velora/Corvane; empty when the user has no
    /// Application Support folder. Nothing is created here.
    QString applicationSupportFolder() const;
    /// The object model of Resources/Corvane.model.json, read on first use; an
    /// empty model (logged) when the file is missing or malformed.
    const platform::ManagedObjectModel &managedObjectModel();
    /// Built once: makes applicationSupportFolder() (one level only) when missing
    /// and adds the SQLite store Corvane.db in it. An error is presented to the user
    /// once, on a sheet on the pane's window when it is shown, and the empty table
    /// says it too; where the service has never made its store the sentence says
    /// so. The coordinator then stays without a store.
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
    /// not know it. Why a lookup could not run (a fetch error, no template, no
    /// store) is logged. No record is ever created.
    platform::ManagedObjectPtr applicationWithPath(const QString &path);

    /// Saves the context. A save the store refuses (locked past the busy timeout,
    /// read-only) logs "unable to save excluded attribute: %@", discards the listed
    /// records' unsaved changes (they are read again from the store, so the table
    /// shows what the store has), tells the user on a sheet that the list is
    /// unchanged, and returns false.
    bool saveExcluded();
    /// The record's identifier across processes (its URI); empty for none.
    QString objectURLStringForApp(const platform::ManagedObjectPtr &app) const;
    /// The panel ended with `returnCode` (0: cancelled): a known application is
    /// excluded, saved and, once saved, announced to the service; anything else
    /// changes nothing.
    void openPanelDidEnd(QFileDialog *panel, int returnCode, void *contextInfo);
    /// Clears the record's flag (when there is a record), saves whatever is unsaved
    /// and shows the list again. False when the save was refused.
    bool removeApplicationObject(const platform::ManagedObjectPtr &app);
    /// The service removed applications: refreshes the records named under
    /// "ApplicationIDs" (identifiers naming nothing of this store are skipped), then
    /// fetches the list again.
    void appsRemoved(const platform::DistributedNotification &notification);

    /// The controller that feeds the excluded-applications table.
    platform::ArrayController *excludedApplications() const;

    // Settings (CorvanePrefPane+Settings.cpp). Every change leaves the pane the
    // same way: save() writes the whole preferences domain, then the matching
    // message goes to the service through proxy(); a service that is not running
    // reads the domain when it next starts.

    /// Writes every setting the pane shows into the service's preferences domain
    /// ("CVSortOrder", "ShowHideHotKey", the four corners,
    /// "LimitAppSearchesToSystemVolume"), keeping every other key of the domain as
    /// it is on disk, and returns once the domain file is written. A write that
    /// fails is told on a sheet with the file's path and the reason, once for each
    /// failing save; the file stays as it was.
    void save();
    /// Puts the four corner values into `preferences`: a boolean for each corner
    /// pop-up, item 0 false and item 1 true.
    void saveHotCorners(QVariantMap &preferences) const;
    /// Selects item 1 of each corner pop-up whose key in `preferences` is true; a
    /// false or absent value leaves the pop-up as it is.
    void transferHotCornersToUI(const QVariantMap &preferences);
    /// The running service's proxy with CorvaneProtocol declared; unconnected
    /// (every message goes nowhere) when the service is not running.
    CorvaneProtocol proxy() const;

    // Hot keys (CorvanePrefPane+HotKeys.cpp).

    /// The combination shown in the hot-key field; null before the first
    /// willSelect().
    std::shared_ptr<const KeyCombo> keyCombo() const { return _keyCombo; }
    /// Shows the cleared combination (an empty field) in `field`.
    void clearShortcutForField(QLineEdit *field);
    /// Ends any editing in the hot-key field by making its window the focus, so
    /// that an edit under way is saved and sent.
    void stopEditingHotKeys();
    /// Handles a key captured by the broadcaster: Delete or Forward Delete without
    /// modifiers clears the hot key; a reserved combination brings the "Hot Key Is
    /// Reserved" sheet and changes nothing; any other is shown. Nothing is saved
    /// here: that happens when editing ends.
    void keyEvent(const platform::Notification &notification);
    /// Stores the archive of the shown combination under "ShowHideHotKey"; leaves
    /// `preferences` alone when there is none yet.
    void saveHotKeys(QVariantMap &preferences) const;
    /// Shows the combination archived under "ShowHideHotKey"; the cleared one (an
    /// empty field) when there is none or it is not a combination's archive.
    void transferHotKeysToUI(const QVariantMap &preferences);
    /// Gives `preferences` a "ShowHideHotKey" when it has none: from the older
    /// "HotKeyCode" and "HotKeyModifiers" when both are non-zero and fit a key
    /// code (16 bits) and a mask (32 bits), else Command-Return. Only the dictionary changes; the next save() stores it.
    static void migrateHotKey(QVariantMap &preferences);

    /// In a Wayland session, shows under the hot-key field how the launcher
    /// receives the key there (the portal's global shortcuts when the session's
    /// portal offers them, else a desktop shortcut running "corvanectl show",
    /// which the pane adds on GNOME and KDE), and under the hot corners that
    /// they need the desktop's own support. Nothing elsewhere. Called once,
    /// after the view is loaded; the portal is asked without waiting.
    void setUpWaylandHotKeyRoute();
    /// Adds the desktop shortcut for the shown combination, off the interface's
    /// thread; a failure is told on a sheet (desktopShortcutAdded).
    void addDesktopShortcut();
    /// How the shortcut's addition ended: `failure` empty when the desktop kept it.
    void desktopShortcutAdded(const QString &failure);

    // HotKeyFieldDelegate: the broadcaster captures while the field edits.
    void didBecomeFirstResponder(HotKeyField *field) override;
    void controlTextDidChange(const platform::Notification &notification) override;
    /// Stops capturing, saves, and sends the shown combination to the service.
    void controlTextDidEndEditing(const platform::Notification &notification) override;

    // Login items (CorvanePrefPane+LoginItems.cpp).

    /// True when the service application is a login item (by its name).
    bool isServiceEnabledAtStartup() const;

public Q_SLOTS:
    // ===== Actions of the interface file; each takes the sending control =====

    /// Action of the switch (`sender`): state 1 enables the service, any other state
    /// disables it; on failure, shows the matching sheet and puts the switch back.
    void toggleEnable(QObject *sender);
    /// Opens the open panel window-modal on the pane's window, in the system's
    /// applications folder, offering desktop entries and app folders; its end
    /// calls openPanelDidEnd().
    void addApplication(QObject *sender);
    /// Clears the flag of the first selected record and, once saved, tells the
    /// service (an empty identifier when nothing was selected).
    void removeApplication(QObject *sender);
    /// A corner pop-up changed: save, then hotCornersChanged to the service.
    void changeHotCorner(QObject *sender);
    /// The sort pop-up changed: save, then sortPreferenceChanged with its index.
    void sortOrderChanged(QObject *sender);
    /// The search-limit checkbox changed: save, then limitApplicationSearchChanged.
    void limitSearchChanged(QObject *sender);
    /// The hot key's clear button: empties the field; the next save stores it.
    void clearHotKey(QObject *sender);

    /// The start-at-login checkbox was clicked: adds the service application as a
    /// login item when checked and it is not one yet, removes it when unchecked and
    /// it is one. When that fails, or there is no service application, puts the
    /// checkbox back and tells why in a sheet.
    void toggleEnableAtStartup(QObject *sender);

public:
    // ===== Test hooks ========================================================

    /// The folder the open panel starts in (/usr/share/applications unless set).
    void setApplicationsFolder(const QString &folder) { _applicationsFolder = folder; }
    /// How long a save waits for the service's lock (5 s unless set before the
    /// store is first used).
    void setStoreBusyTimeout(std::chrono::milliseconds timeout) { _storeBusyTimeout = timeout; }

Q_SIGNALS:
    void excludedApplicationsFilterPredicateChanged();

protected:
    QWidget *createCustomWidget(const QString &className, QWidget *parent, const QString &name) override;
    void connectOutlets(QWidget *mainView) override;

private:
    void watchLaunch(qint64 pid);
    void forgetLaunch();
    void launchEndedEarly();
    void followServiceConnection(bool follow);
    // The window-modal sheet on the pane's window; texts from the "Clipwell" table.
    void showAlertSheet(const char *title, const QString &message);
    QString localized(const char *text) const;
    void setUpExcludedApplications();
    void tearDownExcludedApplications();
    void presentStoreError(const platform::StoreError &error, bool neverCatalogued);
    void showInEmptyTable(const QString &text);
    // The corner keys with their pop-ups, made afresh for each use.
    std::vector<std::pair<ServiceSettings::Corner, QComboBox *>> _hotCornerPickers() const;
    void _setKeyCombo(std::shared_ptr<const KeyCombo> keyCombo, QLineEdit *field);
    void _keyComboChanged(QLineEdit *field, const KeyCombo *keyCombo);
    void showHotKeyRoute(uint portalVersion);

    // A service launched from the switch, until it announces its launch.
    QPointer<platform::ProcessExitWatcher> _launchWatch;
    // The service's connection, while the pane is selected.
    QPointer<platform::ConnectionWatcher> _serviceWatch;

    // Outlets: widgets of the interface file, owned by the view.
    QPointer<QLabel> _versionLabel;
    QPointer<VLOnOffButton> _enableCheckbox;
    QPointer<QCheckBox> _enableAtStartupCheckbox;
    QPointer<HotKeyField> _hotKeyField;
    QPointer<KeyBroadcaster> _keybroadcaster;
    // Made in a Wayland session only.
    QPointer<QLabel> _hotKeyRouteLabel;
    QPointer<QPushButton> _addDesktopShortcutButton;
    QPointer<QComboBox> _topLeftPicker;
    QPointer<QComboBox> _topRightPicker;
    QPointer<QComboBox> _bottomLeftPicker;
    QPointer<QComboBox> _bottomRightPicker;
    QPointer<QComboBox> _sortByPicker;
    QPointer<QTableView> _excludedApplicationsTable;
    QPointer<QCheckBox> _limitSearchCheckbox;

    std::optional<platform::ManagedObjectModel> _managedObjectModel;
    std::unique_ptr<ApplicationStore> _store;
    std::optional<platform::Predicate> _filterPredicate;
    QPointer<platform::ArrayController> _excludedApplications;
    QString _applicationsFolder = QStringLiteral("/usr/share/applications");
    std::chrono::milliseconds _storeBusyTimeout{5000};
    std::shared_ptr<const KeyCombo> _keyCombo;
};
