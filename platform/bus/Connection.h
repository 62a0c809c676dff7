#pragma once

#include "platform/bus/DistantObject.h"
#include "platform/bus/Protocol.h"

#include <QDBusConnection>
#include <QString>
#include <QVariantList>

#include <functional>
#include <memory>

namespace platform {

/// The counterpart of the original platform's distributed-objects connections, on
/// the D-Bus session bus. A connection registered as <name> is the well-known bus
/// name com.velora.<name> whose root object is /<name>; its protocol is the
/// interface com.velora.<protocol name> (see Protocol).
///
/// The serving side registers the name with registerName() and receives each
/// message of its protocol; the other side looks the name up with
/// rootProxyForConnectionWithRegisteredName() and sends through the DistantObject.
class Connection
{
public:
    /// Receives a message of the protocol with its arguments, converted to
    /// property-list values (a structure as the list of its members).
    using MessageHandler = std::function<void(const QString &method, const QVariantList &arguments)>;

    /// The root proxy of the connection registered as `name` on the local host,
    /// or none when no process owns that name, when `host` is not empty (only the
    /// local host is served), when `name` is not a valid name, or when the bus
    /// cannot be reached. Never throws; waits only for the bus's answer to whether
    /// the name has an owner, and a few seconds at most for a bus that does not
    /// answer. The proxy has no protocol declared yet.
    static std::shared_ptr<DistantObject> rootProxyForConnectionWithRegisteredName(const QString &name,
                                                                                  const QString &host = {});
    /// The same on `bus` instead of the session bus.
    static std::shared_ptr<DistantObject> rootProxyForConnectionWithRegisteredName(const QString &name,
                                                                                  const QString &host,
                                                                                  const QDBusConnection &bus);

    /// Registers `name` on the session bus (or `bus`) and serves `protocol` at its
    /// root object: each message of the protocol whose arguments have its exact
    /// types reaches `handler` on the event loop of the calling thread; any other
    /// message is refused with a D-Bus error (when its sender wants an answer at all).
    /// None when `name` is invalid, already owned by another connection, or the bus
    /// cannot be reached. The name is given up when the result is destroyed, which
    /// the handler itself may do.
    static std::unique_ptr<Connection> registerName(const QString &name, const Protocol &protocol,
                                                    MessageHandler handler);
    static std::unique_ptr<Connection> registerName(const QString &name, const Protocol &protocol,
                                                    MessageHandler handler, const QDBusConnection &bus);

    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    /// Serves a further protocol on the same root object: its messages reach
    /// `handler` as registerName()'s reach its handler. A message that names no
    /// interface goes to the first protocol, in the order served, that has its method.
    void serve(const Protocol &protocol, MessageHandler handler);

    const QString &registeredName() const;

    /// Whether the connection still serves: false once its bus has gone away (the
    /// session ended), after which no message can arrive any more.
    bool isValid() const;

    /// Why the session bus cannot be used (the bus library's words), or empty when
    /// it can: what a failed registerName() or lookup needs to tell apart from a
    /// name that another process owns.
    static QString sessionBusError();

    /// "com.velora.<name>": the well-known bus name of a registered name.
    static QString busName(const QString &registeredName);
    /// "/<name>": the path of its root object.
    static QString objectPath(const QString &registeredName);

private:
    class Private;
    explicit Connection(std::unique_ptr<Private> d);
    std::unique_ptr<Private> const d;
};

} // namespace platform
