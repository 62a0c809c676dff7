#include "CorvanePrefPane.h"

#include "ApplicationStore.h"

#include "platform/ui/AlertSheet.h"
#include "platform/ui/ArrayController.h"
#include "platform/bus/ConnectionWatcher.h"
#include "CorvaneServiceHelper.h"
#include "platform/bus/DistributedNotificationCenter.h"
#include "platform/core/Log.h"
#include "platform/store/ManagedObjectContext.h"
#include "platform/core/NotificationCenter.h"
#include "platform/store/PersistentStoreCoordinator.h"
#include "platform/plist/PreferenceValue.h"
#include "platform/system/ProcessExitWatcher.h"
#include "platform/plist/UserDefaults.h"
#include "VLOnOffButton.h"
#include "platform/system/Workspace.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

namespace {

const QString StringsTable = QStringLiteral("Clipwell");
const QString AppIsQuitting = QStringLiteral("CorvaneAppIsQuittingNotification");
const QString AppHasLaunched = QStringLiteral("CorvaneAppHasLaunchedNotification");

} // namespace

CorvanePrefPane::CorvanePrefPane(platform::Bundle bundle, QObject *parent)
    : PreferencePane(std::move(bundle), parent)
{
    // Key names and "(None)" are resources of this bundle.
    KeyCombo::setResources(KeyComboResources::fromBundle(this->bundle()));
}

CorvanePrefPane::~CorvanePrefPane()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    // Context, coordinator and model, then the filter predicate.
    tearDownExcludedApplications();
    platform::DistributedNotificationCenter::defaultCenter().removeObserver(this);
    delete _serviceWatch;
    delete _launchWatch;
    // The view outlives this part of the pane (the base class deletes it).
    if (_hotKeyField)
        _hotKeyField->setDelegate(nullptr);
}

QWidget *CorvanePrefPane::createCustomWidget(const QString &className, QWidget *parent, const QString &name)
{
    QWidget *widget = nullptr;
    if (className == QLatin1String("VLOnOffButton")) {
        // The switch's artwork ships in this bundle's Resources.
        widget = new VLOnOffButton(bundle(), parent);
    } else if (className == QLatin1String("HotKeyField")) {
        auto *field = new HotKeyField(parent);
        field->setDelegate(this);
        widget = field;
    } else if (className == QLatin1String("KeyBroadcaster")) {
        widget = new KeyBroadcaster(parent);
    }
    if (widget)
        widget->setObjectName(name);
    return widget;
}

void CorvanePrefPane::connectOutlets(QWidget *view)
{
    auto outlet = [view]<class Widget>(QPointer<Widget> &field, const char *name) {
        field = view->findChild<Widget *>(QLatin1String(name));
    };
    outlet(_versionLabel, "_versionLabel");
    outlet(_enableCheckbox, "_enableCheckbox");
    outlet(_enableAtStartupCheckbox, "_enableAtStartupCheckbox");
    outlet(_hotKeyField, "_hotKeyField");
    outlet(_keybroadcaster, "_keybroadcaster");
    outlet(_topLeftPicker, "_topLeftPicker");
    outlet(_topRightPicker, "_topRightPicker");
    outlet(_bottomLeftPicker, "_bottomLeftPicker");
    outlet(_bottomRightPicker, "_bottomRightPicker");
    outlet(_sortByPicker, "_sortByPicker");
    outlet(_excludedApplicationsTable, "_excludedApplicationsTable");
    outlet(_limitSearchCheckbox, "_limitSearchCheckbox");
}

void CorvanePrefPane::updateVersionLabel()
{
    const QString version = bundle().objectForInfoDictionaryKey(QStringLiteral("CFBundleShortVersionString")).toString();
    if (_versionLabel)
        _versionLabel->setText(QStringLiteral("v%1").arg(version));
}

void CorvanePrefPane::mainViewDidLoad()
{
    if (_enableCheckbox) {
        _enableCheckbox->setTarget(this);
        _enableCheckbox->setAction("toggleEnable");
    }
    updateVersionLabel();
    setUpWaylandHotKeyRoute();

    // Observed for the pane's whole life, from any sender; the destructor stops it.
    auto &center = platform::DistributedNotificationCenter::defaultCenter();
    center.addObserver(this, AppIsQuitting, QString(), [this](const platform::DistributedNotification &) {
        appIsQuitting();
    });
    center.addObserver(this, AppHasLaunched, QString(), [this](const platform::DistributedNotification &) {
        appHasLaunched();
    });
    // "CVApplicationRemovedFromLauncherNotification" -> appsRemoved, third.
    setUpExcludedApplications();
    // Once more through the setter, so that the table's controller applies it.
    setExcludedApplicationsFilterPredicate(excludedApplicationsFilterPredicate());
}

void CorvanePrefPane::appHasLaunched()
{
    forgetLaunch();
    if (_enableCheckbox)
        _enableCheckbox->setState(1);
}

void CorvanePrefPane::appIsQuitting()
{
    if (_enableCheckbox)
        _enableCheckbox->setState(0);
}

void CorvanePrefPane::willSelect()
{
    // The service may have written since the last look.
    ServiceSettings settings = ServiceSettings::load();
    settings.migrateHotKey();
    const QVariantMap &preferences = settings.values();

    followServiceConnection(true); // before asking, so that no change falls between
    if (_enableCheckbox)
        _enableCheckbox->setState(CorvaneServiceHelper::isServiceRunning() ? 1 : 0);
    if (_enableAtStartupCheckbox)
        _enableAtStartupCheckbox->setChecked(isServiceEnabledAtStartup());

    const auto sortOrder = platform::PreferenceValue::integerValue(preferences.value(ServiceSettings::SortOrderKey));
    // An index the pop-up does not have would leave it showing nothing, and the
    // next save would store that.
    if (_sortByPicker && sortOrder && *sortOrder >= 0 && *sortOrder < _sortByPicker->count())
        _sortByPicker->setCurrentIndex(static_cast<int>(*sortOrder));
    transferHotKeysToUI(preferences);
    transferHotCornersToUI(preferences);

    if (_keybroadcaster) {
        auto &center = platform::NotificationCenter::defaultCenter();
        center.removeObserver(this, KeyBroadcasterKeyEvent, _keybroadcaster.data());
        center.addObserver(this, KeyBroadcasterKeyEvent, _keybroadcaster.data(),
                           [this](const platform::Notification &notification) { keyEvent(notification); });
    }

    if (const auto limitSearch = settings.limitSearch(); _limitSearchCheckbox && limitSearch)
        _limitSearchCheckbox->setChecked(*limitSearch);
}

void CorvanePrefPane::willUnselect()
{
    stopEditingHotKeys();
    save();
    followServiceConnection(false);
    if (_keybroadcaster)
        platform::NotificationCenter::defaultCenter().removeObserver(this, KeyBroadcasterKeyEvent, _keybroadcaster.data());
}

bool CorvanePrefPane::enableService()
{
    // launchService asks the process list itself, and launches nothing (pid 0)
    // when the service runs: one walk of it is enough.
    qint64 pid = 0;
    if (!CorvaneServiceHelper::launchService(&pid))
        return false;
    watchLaunch(pid);
    return true;
}

void CorvanePrefPane::watchLaunch(qint64 pid)
{
    forgetLaunch();
    if (pid <= 0)
        return;
    _launchWatch = new platform::ProcessExitWatcher(pid, this);
    connect(_launchWatch, &platform::ProcessExitWatcher::exited, this, &CorvanePrefPane::launchEndedEarly);
}

void CorvanePrefPane::forgetLaunch()
{
    if (_launchWatch)
        _launchWatch->deleteLater(); // it may be telling us right now
    _launchWatch = nullptr;
}

void CorvanePrefPane::launchEndedEarly()
{
    // A started process is no running service: it may fail on its own (no session
    // bus, say) after the launch was accepted.
    platform::log(QStringLiteral("The Corvane service (pid %1) quit before it announced its launch.")
                      .arg(_launchWatch ? _launchWatch->pid() : 0));
    forgetLaunch();
    showLaunchFailedAlertSheet();
    if (_enableCheckbox)
        _enableCheckbox->setState(0);
}

void CorvanePrefPane::followServiceConnection(bool follow)
{
    if (!follow) {
        delete _serviceWatch;
        return;
    }
    if (_serviceWatch)
        return;
    // The bus tells when the connection goes, however the service ended.
    _serviceWatch = new platform::ConnectionWatcher(QString(CorvaneServiceHelper::connectionName), this);
    connect(_serviceWatch, &platform::ConnectionWatcher::registered, this, [this] {
        if (_enableCheckbox)
            _enableCheckbox->setState(1);
    });
    connect(_serviceWatch, &platform::ConnectionWatcher::unregistered, this, [this] {
        if (_enableCheckbox)
            _enableCheckbox->setState(0);
    });
}

void CorvanePrefPane::disableService(VLOnOffButton *button)
{
    // The wait runs on the event loop, so every other control keeps working; the
    // switch takes no click meanwhile and shows why.
    button->setEnabled(false);
    button->setCursor(Qt::BusyCursor);
    CorvaneServiceHelper::beginStoppingService(this, [this, button = QPointer(button)](bool quit) {
        if (!button)
            return;
        button->setEnabled(true);
        button->unsetCursor();
        if (quit)
            return;
        showDisableFailedAlertSheet();
        button->setState(1);
    });
}

void CorvanePrefPane::toggleEnable(QObject *sender)
{
    auto *button = qobject_cast<VLOnOffButton *>(sender);
    if (!button)
        return;
    if (button->state() == 1) {
        if (enableService())
            return;
        showLaunchFailedAlertSheet();
        button->setState(0);
    } else {
        forgetLaunch(); // whatever a launch under way does now is no failure to show
        disableService(button);
    }
}

QString CorvanePrefPane::localized(const char *text) const
{
    return bundle().localizedString(QString::fromUtf8(text), QString(), StringsTable);
}

void CorvanePrefPane::showAlertSheet(const char *title, const QString &message)
{
    platform::beginAlertSheetWhenShown(mainView(), localized(title), message);
}

void CorvanePrefPane::showLaunchFailedAlertSheet()
{
    showAlertSheet("Service Not Enabled",
                   localized("The service application either could not be found or an error occurred during launch. "
                             "Locate and double-click the service application to see if there's a problem."));
}

void CorvanePrefPane::showDisableFailedAlertSheet()
{
    showAlertSheet("Service Not Disabled.", localized("Make sure all dialogs with the service application have been "
                                                      "dismissed, then try disabling again."));
}
