#include "VLStack.h"

#include "platform/core/AssertionHandler.h"
#include "platform/core/Exception.h"

namespace vl::detail {

void reportNilPush(const void *stack)
{
    platform::handleAssertionFailure(QStringLiteral("push:"), stack, QStringLiteral("VLStack"), 57,
                                     QStringLiteral("Attempt to push nil item on VLStack"));
}

void raiseEmptyPop()
{
    platform::raise(QString::fromLatin1(platform::ExceptionName::Range),
                    QStringLiteral("-[VLStack pop]: attempt to pop an empty stack"));
}

QString objectDescription(const char *className, const void *address)
{
    return QStringLiteral("<%1: 0x%2>")
        .arg(QString::fromLatin1(className))
        .arg(reinterpret_cast<quintptr>(address), 0, 16);
}

} // namespace vl::detail
