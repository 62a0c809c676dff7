#include "CorvaneProtocol.h"

const platform::Protocol &CorvaneProtocol::protocol()
{
    // resources/com.velora.CorvaneProtocol.xml, built in; the service reads the same
    // file. Were it unreadable, no message could be sent.
    const QString name = QStringLiteral("CorvaneProtocol");
    static const platform::Protocol declaration =
        platform::Protocol::fromIntrospectionFile(name, QStringLiteral(":/corvane/com.velora.CorvaneProtocol.xml"))
            .value_or(platform::Protocol(name, {}));
    return declaration;
}

CorvaneProtocol::CorvaneProtocol(std::shared_ptr<platform::DistantObject> proxy)
    : m_proxy(std::move(proxy))
{
    if (m_proxy)
        m_proxy->setProtocolForProxy(protocol());
}

bool CorvaneProtocol::userDefaultsChanged() const
{
    return send(QStringLiteral("userDefaultsChanged"));
}

bool CorvaneProtocol::terminateApp() const
{
    return send(QStringLiteral("terminateApp"));
}

bool CorvaneProtocol::sortPreferenceChanged(qint32 sortIndex) const
{
    return send(QStringLiteral("sortPreferenceChanged"), {sortIndex});
}

bool CorvaneProtocol::limitApplicationSearchChanged(bool limit) const
{
    return send(QStringLiteral("limitApplicationSearchChanged"), {limit});
}

bool CorvaneProtocol::hotCornersChanged() const
{
    return send(QStringLiteral("hotCornersChanged"));
}

bool CorvaneProtocol::hotKeyChanged(qint16 keyCode, qint32 modifiers) const
{
    // A QVariant of its own: a bare list would be taken as the argument list.
    return send(QStringLiteral("hotKeyChanged"), {QVariant(QVariantList{keyCode, modifiers})});
}

bool CorvaneProtocol::excludedApplicationsChanged(const QString &objectUri) const
{
    return send(QStringLiteral("excludedApplicationsChanged"), {objectUri});
}

bool CorvaneProtocol::send(const QString &method, const QVariantList &arguments) const
{
    return m_proxy && m_proxy->sendOneway(method, arguments);
}
