#include "platform/bus/Connection.h"

#include "platform/bus/DBusValueConversion_p.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QPointer>

#include <atomic>
#include <mutex>
#include <optional>
#include <vector>

namespace platform {

namespace {

// Longest wait for the bus to say whether a name has an owner: a live bus answers
// at once, and a wedged one must not freeze the caller for the default 25 s.
constexpr int NameLookupTimeoutMs = 3000;

class RootObject : public QDBusVirtualObject
{
    Q_OBJECT
public:
    RootObject(const Protocol &protocol, Connection::MessageHandler handler)
    {
        serve(protocol, std::move(handler));
    }

    // The bus may deliver from its own thread while the owner adds an interface.
    void serve(const Protocol &protocol, Connection::MessageHandler handler)
    {
        const std::lock_guard lock(m_mutex);
        m_interfaces.push_back({protocol, std::move(handler)});
    }

    QString introspect(const QString &) const override
    {
        const std::lock_guard lock(m_mutex);
        QString xml;
        for (const Interface &interface : m_interfaces)
            xml += interface.protocol.introspection();
        return xml;
    }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        if (message.type() != QDBusMessage::MethodCallMessage)
            return false;
        // Without an interface named, the first protocol that has the method.
        std::optional<ProtocolMethod> method;
        Connection::MessageHandler handler;
        {
            const std::lock_guard lock(m_mutex);
            for (const Interface &candidate : m_interfaces) {
                if (!message.interface().isEmpty() && message.interface() != candidate.protocol.interfaceName())
                    continue;
                if (const ProtocolMethod *found = candidate.protocol.method(message.member())) {
                    method = *found;
                    handler = candidate.handler;
                    break;
                }
            }
        }
        if (!method)
            return false;
        const auto arguments = convertedArguments(*method, message);
        if (!arguments) {
            if (message.isReplyRequired())
                connection.send(message.createErrorReply(QDBusError::InvalidArgs,
                                                         QStringLiteral("%1 takes (%2), not (%3)")
                                                             .arg(method->name, method->signature, message.signature())));
            return true;
        }
        // One-way messages: whoever nevertheless waits gets an empty answer at once.
        if (message.isReplyRequired())
            connection.send(message.createReply());
        // Handle on this object's thread, from its event loop, in arrival order. The
        // handler runs from a copy: it may end the connection, and with it this object.
        QMetaObject::invokeMethod(
            this,
            [name = method->name, values = *arguments, handler = std::move(handler)] { handler(name, values); },
            Qt::QueuedConnection);
        return true;
    }

private:
    static std::optional<QVariantList> convertedArguments(const ProtocolMethod &method, const QDBusMessage &message)
    {
        if (message.signature() != method.signature)
            return std::nullopt;
        QVariantList values;
        for (const QVariant &argument : message.arguments()) {
            auto value = dbus::propertyListValue(argument, true);
            if (!value)
                return std::nullopt;
            values.append(*value);
        }
        return values;
    }

    struct Interface
    {
        Protocol protocol;
        Connection::MessageHandler handler;
    };
    mutable std::mutex m_mutex;
    std::vector<Interface> m_interfaces;
};

} // namespace

class Connection::Private
{
public:
    Private(const QDBusConnection &bus, QString name, const Protocol &protocol, MessageHandler handler)
        : bus(bus)
        , name(std::move(name))
        , root(protocol, std::move(handler))
    {
    }

    QDBusConnection bus;
    QString name;
    RootObject root;
    bool objectRegistered = false;
    bool nameRegistered = false;
    // The name of the connection this one opened for itself, to be closed with it.
    QString ownConnectionName;
};

std::shared_ptr<DistantObject> Connection::rootProxyForConnectionWithRegisteredName(const QString &name,
                                                                                    const QString &host)
{
    return rootProxyForConnectionWithRegisteredName(name, host, QDBusConnection::sessionBus());
}

std::shared_ptr<DistantObject> Connection::rootProxyForConnectionWithRegisteredName(const QString &name,
                                                                                    const QString &host,
                                                                                    const QDBusConnection &bus)
{
    if (!host.isEmpty() || !dbus::isValidNameElement(name) || !bus.isConnected())
        return nullptr;
    auto query = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                QStringLiteral("/org/freedesktop/DBus"),
                                                QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    query << busName(name);
    QDBusConnection connection = bus;
    const QDBusMessage reply = connection.call(query, QDBus::Block, NameLookupTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1
        || !reply.arguments().constFirst().toBool())
        return nullptr;
    return std::make_shared<DistantObject>(bus, name);
}

// Qt opens the shared session connection, when the main thread first asks for it, with
// the delivery of calls held back until the event loop runs; calls that arrive while it
// is held can then reach their object after calls sent later (Qt 6.4 dispatches newly
// read calls before the held ones), which reorders the one-way messages of a protocol. A
// connection opened by name is not held back, so each registered name has one of its own.
std::unique_ptr<Connection> Connection::registerName(const QString &name, const Protocol &protocol,
                                                     MessageHandler handler)
{
    static std::atomic<int> opened = 0;
    const QString connectionName = QStringLiteral("corvane-registered-name-%1").arg(++opened);
    auto connection = registerName(name, protocol, std::move(handler),
                                   QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName));
    if (connection)
        connection->d->ownConnectionName = connectionName;
    else
        QDBusConnection::disconnectFromBus(connectionName);
    return connection;
}

std::unique_ptr<Connection> Connection::registerName(const QString &name, const Protocol &protocol,
                                                     MessageHandler handler, const QDBusConnection &bus)
{
    if (!dbus::isValidNameElement(name) || !bus.isConnected())
        return nullptr;
    std::unique_ptr<Connection> connection(
        new Connection(std::make_unique<Private>(bus, name, protocol, std::move(handler))));
    Private &p = *connection->d;
    // The object first, so that whoever sees the name appear finds it served.
    p.objectRegistered = p.bus.registerVirtualObject(objectPath(name), &p.root);
    if (!p.objectRegistered)
        return nullptr;
    p.nameRegistered = p.bus.registerService(busName(name));
    if (!p.nameRegistered)
        return nullptr;
    return connection;
}

Connection::Connection(std::unique_ptr<Private> d)
    : d(std::move(d))
{
}

Connection::~Connection()
{
    if (d->nameRegistered)
        d->bus.unregisterService(busName(d->name));
    if (d->objectRegistered)
        d->bus.unregisterObject(objectPath(d->name));
    if (!d->ownConnectionName.isEmpty())
        QDBusConnection::disconnectFromBus(d->ownConnectionName);
}

void Connection::serve(const Protocol &protocol, MessageHandler handler)
{
    d->root.serve(protocol, std::move(handler));
}

const QString &Connection::registeredName() const
{
    return d->name;
}

bool Connection::isValid() const
{
    return d->bus.isConnected();
}

QString Connection::sessionBusError()
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected())
        return {};
    const QString message = bus.lastError().message();
    return message.isEmpty() ? QStringLiteral("not connected to a session bus") : message;
}

QString Connection::busName(const QString &registeredName)
{
    return dbus::busName(registeredName);
}

QString Connection::objectPath(const QString &registeredName)
{
    return dbus::objectPath(registeredName);
}

} // namespace platform

#include "Connection.moc"
