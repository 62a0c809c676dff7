#include "LauncherApplication.h"

#include <QFileInfo>

QString LauncherApplication::storeName() const
{
    return QFileInfo(path).completeBaseName();
}
