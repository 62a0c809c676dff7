#include "platform/bus/ConnectionWatcher.h"

#include "platform/bus/Connection.h"

#include <QDBusServiceWatcher>

namespace platform {

struct ConnectionWatcher::Private
{
    std::unique_ptr<QDBusServiceWatcher> watcher;
};

ConnectionWatcher::ConnectionWatcher(const QString &registeredName, QObject *parent)
    : ConnectionWatcher(registeredName, QDBusConnection::sessionBus(), parent)
{
}

ConnectionWatcher::ConnectionWatcher(const QString &registeredName, const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    d->watcher = std::make_unique<QDBusServiceWatcher>(Connection::busName(registeredName), bus,
                                                       QDBusServiceWatcher::WatchForOwnerChange);
    // A name handed from one owner straight to another is both.
    connect(d->watcher.get(), &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &oldOwner, const QString &newOwner) {
                if (!oldOwner.isEmpty())
                    Q_EMIT unregistered();
                if (!newOwner.isEmpty())
                    Q_EMIT registered();
            });
}

ConnectionWatcher::~ConnectionWatcher() = default;

} // namespace platform
