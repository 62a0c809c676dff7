#include "VLException.h"

#include "platform/core/StackTrace.h"

namespace {

QVariantMap withStackTrace(QVariantMap userInfo, const std::vector<quintptr> &addresses)
{
    QStringList hex;
    for (const quintptr address : addresses)
        hex << QStringLiteral("0x%1").arg(address, 0, 16);
    userInfo.insert(QStringLiteral("NSStackTraceKey"), hex.join(u' '));
    return userInfo;
}

} // namespace

VLException::VLException(const VLException &raised, std::vector<quintptr> returnAddresses)
    : platform::Exception(raised.name(), raised.reason(), withStackTrace(raised.userInfo(), returnAddresses))
    , m_returnAddresses(std::move(returnAddresses))
{
}

void VLException::raise() const
{
    throw VLException(*this, platform::captureCallStack());
}

QStringList VLException::callStackSymbols() const
{
    return platform::symbolizeCallStack(m_returnAddresses);
}
