#include "ServiceLoginItem.h"

#include "CorvaneServiceHelper.h"
#include "VLLoginItemHelper.h"

#include <QFileInfo>

QString ServiceLoginItem::nameForApplication(const QString &applicationPath)
{
    return QFileInfo(applicationPath).completeBaseName();
}

bool ServiceLoginItem::isEnabled()
{
    const auto path = CorvaneServiceHelper::serviceApplicationPath();
    return path && VLLoginItemHelper::isNameInLoginItem(nameForApplication(*path));
}

ServiceLoginItem::Change ServiceLoginItem::setEnabled(bool on)
{
    const auto path = CorvaneServiceHelper::serviceApplicationPath();
    if (!path)
        return Change::NoService;
    const QString name = nameForApplication(*path);
    if (VLLoginItemHelper::isNameInLoginItem(name) == on)
        return Change::Done;
    const bool changed = on ? VLLoginItemHelper::addLoginItem(*path, false) : VLLoginItemHelper::removeLoginItem(name);
    return changed ? Change::Done : Change::Failed;
}
