#include "CorvanePrefPane.h"

#include "AlertSheet.h"
#include "ArrayController.h"
#include "CorvaneServiceHelper.h"
#include "DistributedNotificationCenter.h"
#include "ManagedObjectContext.h"
#include "NotificationCenter.h"
#include "PersistentStoreCoordinator.h"
#include "UserDefaults.h"
#include "VLOnOffButton.h"
#include "Workspace.h"

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
}

CorvanePrefPane::~CorvanePrefPane()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    // Context, coordinator and model, then the filter predicate.
    tearDownExcludedApplications();
    platform::DistributedNotificationCenter::defaultCenter().removeObserver(this);
}

QWidget *CorvanePrefPane::createCustomWidget(const QString &className, QWidget *parent, const QString &name)
{
    if (className != QLatin1String("VLOnOffButton"))
        return nullptr;
    // The switch's artwork ships in this bundle's Resources.
    auto *button = new VLOnOffButton(bundle(), parent);
    button->setObjectName(name);
    return button;
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
    const QVariantMap preferences =
        platform::UserDefaults::standardUserDefaults().persistentDomainForName(ServiceBundleIdentifier).value_or(QVariantMap());
    // Hook: the hot-key migration of an absent "ShowHideHotKey" comes with hot keys.

    if (_enableCheckbox)
        _enableCheckbox->setState(CorvaneServiceHelper::isServiceRunning() ? 1 : 0);
    // Hook: the login check box follows isServiceEnabledAtStartup with login items.

    // An index the pop-up does not have (a damaged domain) would select nothing,
    // and the next save would write that: keep the pop-up as it is instead.
    bool isIndex = false;
    const int sortOrder = preferences.value(QStringLiteral("CVSortOrder")).toInt(&isIndex);
    if (isIndex && _sortByPicker && sortOrder >= 0 && sortOrder < _sortByPicker->count())
        _sortByPicker->setCurrentIndex(sortOrder);
    // Hooks: transferHotKeysToUI, transferHotCornersToUI and the observer of the key
    // broadcaster's events come with hot keys and settings.

    const QVariant limitSearch = preferences.value(QStringLiteral("LimitAppSearchesToSystemVolume"));
    if (limitSearch.isValid() && _limitSearchCheckbox)
        _limitSearchCheckbox->setChecked(limitSearch.toBool());
}

void CorvanePrefPane::willUnselect()
{
    // Hooks: stopEditingHotKeys, save, and removing the key broadcaster's observer
    // come with hot keys and settings.
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
