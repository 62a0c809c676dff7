#include "CorvanePrefPane.h"

#include "platform/ui/AlertSheet.h"
#include "platform/ui/ArrayController.h"
#include "CorvaneServiceHelper.h"
#include "platform/bus/DistributedNotificationCenter.h"
#include "platform/store/ManagedObjectContext.h"
#include "platform/core/NotificationCenter.h"
#include "platform/store/PersistentStoreCoordinator.h"
#include "PreferenceValue.h"
#include "platform/plist/UserDefaults.h"
#include "VLOnOffButton.h"
#include "platform/system/Workspace.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

namespace {

const QString StringsTable = QStringLiteral("Clipwell");
const QString AppIsQuitting = QStringLiteral("CorvaneAppIsQuittingNotification");
const QString AppHasLaunched = QStringLiteral("CorvaneAppHasLaunchedNotification");

// Removes what is at `path`; a symbolic link goes itself, never what it points to.
void removeItem(const QString &path)
{
    const QFileInfo item(path);
    if (item.isDir() && !item.isSymLink())
        QDir(path).removeRecursively();
    else
        QFile::remove(path);
}

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
    auto &defaults = platform::UserDefaults::standardUserDefaults();
    defaults.synchronize(); // the service may have written since the last look
    QVariantMap preferences = defaults.persistentDomainForName(ServiceBundleIdentifier).value_or(QVariantMap());
    migrateHotKey(preferences);

    if (_enableCheckbox)
        _enableCheckbox->setState(CorvaneServiceHelper::isServiceRunning() ? 1 : 0);
    if (_enableAtStartupCheckbox)
        _enableAtStartupCheckbox->setChecked(isServiceEnabledAtStartup());

    const auto sortOrder = PreferenceValue::integerValue(preferences.value(QStringLiteral("CVSortOrder")));
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

    const QVariant limitSearch = preferences.value(QStringLiteral("LimitAppSearchesToSystemVolume"));
    if (_limitSearchCheckbox && limitSearch.isValid())
        _limitSearchCheckbox->setChecked(PreferenceValue::boolValue(limitSearch));
}

void CorvanePrefPane::willUnselect()
{
    stopEditingHotKeys();
    save();
    if (_keybroadcaster)
        platform::NotificationCenter::defaultCenter().removeObserver(this, KeyBroadcasterKeyEvent, _keybroadcaster.data());
}

bool CorvanePrefPane::enableService()
{
    if (CorvaneServiceHelper::isServiceRunning())
        return true;
    return CorvaneServiceHelper::launchService();
}

bool CorvanePrefPane::disableService()
{
    if (!CorvaneServiceHelper::isServiceRunning())
        return true;
    CorvaneServiceHelper::quitService();
    const bool quit = CorvaneServiceHelper::waitForServiceToQuit();
    // The Services menu must forget the service whether or not it is gone.
    const auto servicesBundle = CorvaneServiceHelper::serviceBundlePath();
    if (servicesBundle && QFileInfo::exists(*servicesBundle))
        removeItem(*servicesBundle);
    platform::Workspace::updateDynamicServices();
    return quit;
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
        if (disableService())
            return;
        showDisableFailedAlertSheet();
        button->setState(1);
    }
}

void CorvanePrefPane::showLaunchFailedAlertSheet()
{
    const platform::Bundle &pane = bundle();
    platform::beginAlertSheet(
        mainView(), pane.localizedString(QStringLiteral("Service Not Enabled"), QString(), StringsTable),
        pane.localizedString(QStringLiteral("The service application either could not be found or an error occurred "
                                            "during launch. Locate and double-click the service application to see if "
                                            "there's a problem."),
                             QString(), StringsTable));
}

void CorvanePrefPane::showDisableFailedAlertSheet()
{
    const platform::Bundle &pane = bundle();
    platform::beginAlertSheet(
        mainView(), pane.localizedString(QStringLiteral("Service Not Disabled."), QString(), StringsTable),
        pane.localizedString(QStringLiteral("Make sure all dialogs with the service application have been dismissed, "
                                            "then try disabling again."),
                             QString(), StringsTable));
}
