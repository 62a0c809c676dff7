#include "CorvanePrefPane.h"

#include "AlertSheet.h"
#include "ArrayController.h"
#include "ManagedObjectContext.h"
#include "PersistentStoreCoordinator.h"
#include "VLOnOffButton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

namespace {

const QString StringsTable = QStringLiteral("Clipwell");

} // namespace

CorvanePrefPane::CorvanePrefPane(platform::Bundle bundle, QObject *parent)
    : PreferencePane(std::move(bundle), parent)
{
}

CorvanePrefPane::~CorvanePrefPane()
{
    tearDownExcludedApplications();
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
    setUpExcludedApplications();
    // Once more through the setter, so that the table's controller applies it.
    setExcludedApplicationsFilterPredicate(excludedApplicationsFilterPredicate());
}

void CorvanePrefPane::willSelect()
{
}

void CorvanePrefPane::willUnselect()
{
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
