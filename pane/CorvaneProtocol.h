#pragma once

#include "platform/bus/DistantObject.h"
#include "platform/bus/Protocol.h"

#include <QString>

#include <memory>

/// The service's remote interface as the pane sees it: seven one-way messages,
/// the D-Bus interface com.velora.CorvaneProtocol. Each message returns at once;
/// nothing is answered.
///
/// An instance wraps a service proxy (none when the service is not running, in
/// which case every message goes nowhere and returns false) and sends each message
/// with its exact argument types. It declares the protocol on the proxy.
class CorvaneProtocol
{
public:
    /// The declaration of the seven messages and their argument types.
    static const platform::Protocol &protocol();

    explicit CorvaneProtocol(std::shared_ptr<platform::DistantObject> proxy);

    /// Whether there is a proxy to send to.
    bool isConnected() const { return m_proxy != nullptr; }

    // Each returns whether the message was handed to the bus.
    bool userDefaultsChanged() const;
    bool terminateApp() const;
    /// The selected sort index.
    bool sortPreferenceChanged(qint32 sortIndex) const;
    bool limitApplicationSearchChanged(bool limit) const;
    /// The service takes the four corner values from its preferences domain.
    bool hotCornersChanged() const;
    /// The key combination: virtual key code and Carbon modifier mask (both −1 for
    /// the cleared combination).
    bool hotKeyChanged(qint16 keyCode, qint32 modifiers) const;
    /// The URI of the application's store object; an empty string stands for none.
    bool excludedApplicationsChanged(const QString &objectUri) const;

private:
    bool send(const QString &method, const QVariantList &arguments = {}) const;

    std::shared_ptr<platform::DistantObject> m_proxy;
};
