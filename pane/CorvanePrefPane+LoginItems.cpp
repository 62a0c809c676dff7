// The start-at-login checkbox: the service application as a login item.

#include "CorvanePrefPane.h"

#include "ServiceLoginItem.h"

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
    // Without a service application the checkbox keeps the clicked state.
    if (ServiceLoginItem::setEnabled(on) == ServiceLoginItem::Change::Failed)
        checkbox->setChecked(!on);
}
