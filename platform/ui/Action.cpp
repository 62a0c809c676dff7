#include "platform/ui/Action.h"

#include <QMetaObject>

namespace platform {

bool sendAction(const QByteArray &action, QObject *target, QObject *sender)
{
    if (!target || action.isEmpty())
        return false;
    return QMetaObject::invokeMethod(target, action.constData(), Qt::DirectConnection, Q_ARG(QObject *, sender));
}

} // namespace platform
