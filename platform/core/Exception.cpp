#include "platform/core/Exception.h"

#include <utility>

namespace platform {

Exception::Exception(QString name, QString reason, QVariantMap userInfo)
    : m_name(std::move(name))
    , m_reason(std::move(reason))
    , m_userInfo(std::move(userInfo))
    , m_what((m_name + QStringLiteral(": ") + m_reason).toUtf8())
{
}

void raise(const QString &name, const QString &reason)
{
    throw Exception(name, reason);
}

} // namespace platform
