#include "platform/store/ManagedObjectID.h"

#include <QRegularExpression>
#include <QUuid>

#include <atomic>

namespace platform {

ManagedObjectID ManagedObjectID::permanent(const QString &storeUUID, const QString &entityName, qint64 primaryKey)
{
    ManagedObjectID id;
    id.m_storeUUID = storeUUID;
    id.m_entityName = entityName;
    id.m_primaryKey = primaryKey;
    return id;
}

ManagedObjectID ManagedObjectID::temporary(const QString &entityName)
{
    static std::atomic<quint64> counter{1};
    static const QString session = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    ManagedObjectID id;
    id.m_entityName = entityName;
    id.m_temporaryTag = session + QString::number(counter++);
    return id;
}

std::optional<ManagedObjectID> ManagedObjectID::fromURIRepresentation(const QString &uri)
{
    static const QRegularExpression shape(QStringLiteral(
        R"(^x-coredata://([0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12})/([A-Za-z_][A-Za-z0-9_]*)/p([1-9][0-9]{0,17})$)"));
    const auto match = shape.match(uri);
    if (!match.hasMatch())
        return std::nullopt;
    return permanent(match.captured(1), match.captured(2), match.captured(3).toLongLong());
}

QString ManagedObjectID::uriRepresentation() const
{
    if (isTemporaryID())
        return QStringLiteral("x-coredata:///%1/t%2").arg(m_entityName, m_temporaryTag);
    return QStringLiteral("x-coredata://%1/%2/p%3").arg(m_storeUUID, m_entityName).arg(m_primaryKey);
}

} // namespace platform
