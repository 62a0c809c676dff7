#include "VLUUID.h"

VLUUID::VLUUID()
    : uuid(QUuid::createUuid())
{
}

QString VLUUID::string() const
{
    return uuid.toString(QUuid::WithoutBraces).toUpper();
}

QString VLUUID::UUIDString()
{
    return VLUUID().string();
}

QString VLUUID::UUIDStringWithPrefix(const QString &prefix)
{
    return QStringLiteral("%1:%2").arg(prefix, UUIDString());
}

QString VLUUID::UUIDStringWithSuffix(const QString &suffix)
{
    return QStringLiteral("%1:%2").arg(UUIDString(), suffix);
}
