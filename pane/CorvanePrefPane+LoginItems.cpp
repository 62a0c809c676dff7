// The start-at-login checkbox: the service application as a login item.

#include "CorvanePrefPane.h"

#include "ServiceLoginItem.h"

#include "platform/system/AutostartFolders.h"

#include <QCheckBox>

bool CorvanePrefPane::isServiceEnabledAtStartup() const
{
    return ServiceLoginItem::isEnabled();
}

void CorvanePrefPane::toggleEnableAtStartup(QObject *sender)
{
    auto *checkbox = qobject_cast<QCheckBox *>(sender);
    if (!checkbox)
        return;
    const bool on = checkbox->isChecked();
    const ServiceLoginItem::Change change = ServiceLoginItem::setEnabled(on);
    if (change == ServiceLoginItem::Change::Done)
        return;
    // Nothing changed, so the click is undone: a ticked box would promise a start at
    // login that will not happen.
    checkbox->setChecked(!on);
    const QString reason = change == ServiceLoginItem::Change::NoService
                               ? localized("Unable to locate Velora Corvane service application.")
                               : localized("The login item could not be changed in %1.")
                                     .arg(platform::AutostartFolders::userFolder());
    showAlertSheet(on ? "Login Item Not Added" : "Login Item Not Removed", reason);
}
