#include "platform/bus/DistantObject.h"

#include "platform/bus/DBusValueConversion_p.h"

#include <QDBusMessage>

namespace platform {

DistantObject::DistantObject(const QDBusConnection &bus, QString registeredName)
    : m_bus(bus)
    , m_registeredName(std::move(registeredName))
{
}

bool DistantObject::sendOneway(const QString &method, const QVariantList &arguments) const
{
    if (!m_protocol)
        return false;
    const ProtocolMethod *declared = m_protocol->method(method);
    if (!declared)
        return false;
    const auto marshalled = Protocol::marshal(*declared, arguments);
    if (!marshalled || !m_bus.isConnected())
        return false;
    QDBusMessage message = QDBusMessage::createMethodCall(dbus::busName(m_registeredName),
                                                          dbus::objectPath(m_registeredName),
                                                          m_protocol->interfaceName(), method);
    message.setArguments(*marshalled);
    message.setAutoStartService(false);
    // send() marks a method call as expecting no reply, so the service sends none.
    return m_bus.send(message);
}

} // namespace platform
