#include "HostExtensions.h"
#include "HostExtensions_p.h"

#include "platform/core/Log.h"
#include "platform/system/EthernetAddress.h"

namespace vl {

namespace {

struct MACAddressState
{
    QString root = QStringLiteral("/");
    std::optional<QString> cached;
};

MACAddressState &macAddressState()
{
    static MACAddressState state;
    return state;
}

QString formatted(const QByteArray &address)
{
    return QString::fromLatin1(address.toHex(':'));
}

} // namespace

std::optional<QString> MACAddress()
{
    MACAddressState &state = macAddressState();
    if (state.cached)
        return state.cached;
    const std::optional<QByteArray> address = platform::primaryEthernetAddress(state.root);
    if (!address) {
        // The original's status for "no interface matched" (KERN_FAILURE). Its other lines
        // report registry calls that have no counterpart here, so they are not written.
        constexpr int kernFailure = 5;
        platform::log(QStringLiteral("GetMACAddress returned 0x%1\n").arg(kernFailure, 8, 16, QLatin1Char('0')));
        return std::nullopt;
    }
    state.cached = formatted(*address);
    return state.cached;
}

void detail::setMACAddressRoot(const QString &root)
{
    macAddressState() = {root, std::nullopt};
}

} // namespace vl
