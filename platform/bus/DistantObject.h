#pragma once

#include "platform/bus/Protocol.h"

#include <QDBusConnection>
#include <QString>
#include <QVariantList>

#include <optional>

namespace platform {

/// The root proxy of a connection registered by another process (see Connection):
/// the D-Bus object /<name> of com.velora.<name>. It sends one-way messages only:
/// each returns at once, never waits for or reads a reply, and never starts a
/// service that is not running (the bus's auto-start is off for every message).
class DistantObject
{
public:
    DistantObject(const QDBusConnection &bus, QString registeredName);

    const QString &registeredName() const { return m_registeredName; }

    /// Declares the protocol the remote object answers: from now on only its
    /// messages, with arguments of its types, are sent.
    void setProtocolForProxy(const Protocol &protocol) { m_protocol = protocol; }
    const std::optional<Protocol> &protocolForProxy() const { return m_protocol; }

    /// Sends `method` with `arguments` (a structure as the list of its members) to
    /// the remote object and returns at once. True when the message was handed to
    /// the bus; whether it arrives is not known. False, with nothing sent, when the
    /// declared protocol has no such method or the arguments do not fit its types,
    /// when no protocol is declared (the argument types would be guesses), or when
    /// the bus cannot be reached.
    bool sendOneway(const QString &method, const QVariantList &arguments = {}) const;

private:
    QDBusConnection m_bus;
    QString m_registeredName;
    std::optional<Protocol> m_protocol;
};

} // namespace platform
