#include "platform/store/ManagedObject.h"

#include <QDateTime>

namespace platform {

namespace {

/// `value` as the attribute's type; a null QVariant stays null (no value).
std::optional<QVariant> converted(AttributeType type, const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return QVariant();
    switch (type) {
    case AttributeType::String:
        return value.canConvert<QString>() ? std::optional(QVariant(value.toString())) : std::nullopt;
    case AttributeType::Boolean:
        return value.canConvert<bool>() ? std::optional(QVariant(value.toBool())) : std::nullopt;
    case AttributeType::Integer: {
        bool ok = false;
        const qint64 v = value.toLongLong(&ok);
        return ok ? std::optional(QVariant(v)) : std::nullopt;
    }
    case AttributeType::Double: {
        bool ok = false;
        const double v = value.toDouble(&ok);
        return ok ? std::optional(QVariant(v)) : std::nullopt;
    }
    case AttributeType::Date:
        return value.typeId() == QMetaType::QDateTime ? std::optional(value) : std::nullopt;
    case AttributeType::Binary:
        return value.typeId() == QMetaType::QByteArray ? std::optional(value) : std::nullopt;
    }
    return std::nullopt;
}

} // namespace

ManagedObject::ManagedObject(Passkey, EntityDescription entity, ManagedObjectID id)
    : m_entity(std::move(entity))
    , m_id(std::move(id))
{
}

QVariant ManagedObject::value(const QString &key) const
{
    const auto change = m_changes.constFind(key);
    return change != m_changes.cend() ? *change : m_committed.value(key);
}

bool ManagedObject::setValue(const QString &key, const QVariant &value)
{
    const auto attribute = m_entity.attribute(key);
    if (!attribute)
        return false;
    const auto typed = converted(attribute->type, value);
    if (!typed)
        return false;
    m_changes.insert(key, *typed);
    return true;
}

} // namespace platform
