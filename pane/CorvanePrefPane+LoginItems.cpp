// The start-at-login checkbox: the service application as a login item.

#include "CorvanePrefPane.h"

#include "CorvaneServiceHelper.h"
#include "VLLoginItemHelper.h"

#include <QCheckBox>
#include <QFileInfo>

namespace {

/// The login item's name: the application's last path component without its
/// extension ("…/Corvane.app" → "Corvane").
QString loginItemName(const QString &applicationPath)
{
    return QFileInfo(applicationPath).completeBaseName();
}

} // namespace

bool CorvanePrefPane::isServiceEnabledAtStartup() const
{
    const auto path = CorvaneServiceHelper::serviceApplicationPath();
    return path && VLLoginItemHelper::isNameInLoginItem(loginItemName(*path));
}

void CorvanePrefPane::toggleEnableAtStartup(QObject *sender)
{
    auto *checkbox = qobject_cast<QCheckBox *>(sender);
    const auto path = CorvaneServiceHelper::serviceApplicationPath();
    if (!checkbox || !path)
        return;
    const QString name = loginItemName(*path);
    const bool isItem = VLLoginItemHelper::isNameInLoginItem(name);
    if (checkbox->isChecked()) {
        if (!isItem && !VLLoginItemHelper::addLoginItem(*path, false))
            checkbox->setChecked(false);
    } else {
        if (isItem && !VLLoginItemHelper::removeLoginItem(name))
            checkbox->setChecked(true);
    }
}
