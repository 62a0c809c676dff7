#pragma once

// Internal to the object store: how the original platform's SQLite layout names
// tables and columns and keeps values.

#include "platform/core/ReferenceDate.h"
#include "platform/store/ManagedObjectModel.h"

#include <QString>
#include <QVariant>

namespace platform {

/// "Application" → "ZAPPLICATION".
inline QString storeTable(const QString &entityName)
{
    return QLatin1Char('Z') + entityName.toUpper();
}

/// "excluded" → "ZEXCLUDED".
inline QString storeColumn(const QString &attributeName)
{
    return QLatin1Char('Z') + attributeName.toUpper();
}

inline QString storeColumnType(AttributeType type)
{
    switch (type) {
    case AttributeType::String: return QStringLiteral("VARCHAR");
    case AttributeType::Boolean: case AttributeType::Integer: return QStringLiteral("INTEGER");
    case AttributeType::Double: return QStringLiteral("FLOAT");
    case AttributeType::Date: return QStringLiteral("TIMESTAMP");
    case AttributeType::Binary: return QStringLiteral("BLOB");
    }
    return {};
}

/// A typed attribute value as SQLite keeps it.
inline QVariant toStoreValue(AttributeType type, const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return QVariant(QMetaType::fromType<QString>()); // binds as NULL
    switch (type) {
    case AttributeType::Boolean: return value.toBool() ? 1 : 0;
    case AttributeType::Date: return secondsSinceReferenceDate(value.toDateTime()); // as the original store keeps them
    default: return value;
    }
}

/// A column value as the attribute's type; NULL gives a null QVariant.
inline QVariant fromStoreValue(AttributeType type, const QVariant &column)
{
    if (column.isNull())
        return {};
    switch (type) {
    case AttributeType::String: return column.toString();
    case AttributeType::Boolean: return column.toLongLong() != 0;
    case AttributeType::Integer: return column.toLongLong();
    case AttributeType::Double: return column.toDouble();
    case AttributeType::Date: {
        const auto date = dateFromSecondsSinceReferenceDate(column.toDouble());
        return date ? QVariant(*date) : QVariant();
    }
    case AttributeType::Binary: return column.toByteArray();
    }
    return {};
}

} // namespace platform
