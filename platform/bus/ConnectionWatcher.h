#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <memory>

namespace platform {

/// Follows whether a connection registered under a name (see Connection) exists: it
/// tells each time its bus name gains or loses its owner, which the bus itself
/// announces, so a server that is killed or crashes is told as gone as well as one
/// that quits in order.
class ConnectionWatcher : public QObject
{
    Q_OBJECT
public:
    /// Watches `registeredName` on the session bus (or `bus`). On a bus that cannot
    /// be reached nothing is ever told.
    explicit ConnectionWatcher(const QString &registeredName, QObject *parent = nullptr);
    ConnectionWatcher(const QString &registeredName, const QDBusConnection &bus, QObject *parent = nullptr);
    ~ConnectionWatcher() override;

Q_SIGNALS:
    /// A process has registered the name.
    void registered();
    /// The name has lost its owner: the server gave it up, quit or died.
    void unregistered();

private:
    struct Private;
    std::unique_ptr<Private> const d;
};

} // namespace platform
