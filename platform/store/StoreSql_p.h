#pragma once

// Internal to the object store: how the original platform's SQLite layout names
// tables and columns and keeps values.

#include "platform/store/ManagedObjectModel.h"

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <cmath>

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

/// Dates are kept as seconds since 2001-01-01 00:00:00 UTC.
inline constexpr double referenceDateOffset = 978307200.0;

/// A typed attribute value as SQLite keeps it.
inline QVariant toStoreValue(AttributeType type, const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return QVariant(QMetaType::fromType<QString>()); // binds as NULL
    switch (type) {
    case AttributeType::Boolean: return value.toBool() ? 1 : 0;
    case AttributeType::Date: return double(value.toDateTime().toMSecsSinceEpoch()) / 1000.0 - referenceDateOffset;
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
        // Rounded, not truncated: the sum is often a hair below the whole
        // millisecond it was made from. Beyond a few million years (or not a
        // number) the column holds no date a QDateTime could carry.
        const double msecs = (column.toDouble() + referenceDateOffset) * 1000.0;
        if (!(std::abs(msecs) < 1e17))
            return {};
        return QDateTime::fromMSecsSinceEpoch(std::llround(msecs), Qt::UTC);
    }
    case AttributeType::Binary: return column.toByteArray();
    }
    return {};
}

} // namespace platform
