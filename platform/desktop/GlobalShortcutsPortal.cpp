#include "GlobalShortcutsPortal.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace platform {

namespace {

// A version the portal sends as a uint; anything else offers nothing.
uint versionIn(const QDBusPendingCall &call)
{
    const QDBusPendingReply<QDBusVariant> reply = call;
    if (reply.isError())
        return 0;
    const QVariant value = reply.value().variant();
    return value.typeId() == QMetaType::UInt ? value.toUInt() : 0;
}

} // namespace

void GlobalShortcutsPortal::queryVersion(QObject *context, std::function<void(uint)> answer,
                                         std::chrono::milliseconds timeout)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.portal.Desktop"), QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    call << QStringLiteral("org.freedesktop.portal.GlobalShortcuts") << QStringLiteral("version");
    const QDBusPendingCall pending = QDBusConnection::sessionBus().asyncCall(call, int(timeout.count()));
    auto *watcher = new QDBusPendingCallWatcher(pending, context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [answer = std::move(answer)](QDBusPendingCallWatcher *finished) {
                         finished->deleteLater();
                         answer(versionIn(*finished));
                     });
}

} // namespace platform
