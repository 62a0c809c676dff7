#pragma once

#include "PreferencePane.h"

#include <QPointer>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class VLOnOffButton;

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
};
