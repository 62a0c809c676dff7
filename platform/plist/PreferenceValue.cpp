#include "platform/plist/PreferenceValue.h"

#include <cmath>
#include <utility>

namespace platform::PreferenceValue {

bool boolValue(const QVariant &value)
{
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed();
        if (text.startsWith(QLatin1Char('Y'), Qt::CaseInsensitive) || text.startsWith(QLatin1Char('T'), Qt::CaseInsensitive))
            return true;
    }
    if (value.typeId() == QMetaType::ULong || value.typeId() == QMetaType::ULongLong)
        return value.toULongLong() != 0; // beyond integerValue()'s range, but still non-zero
    return integerValue(value).value_or(0) != 0 || (value.typeId() == QMetaType::Double && value.toDouble() != 0.0);
}

std::optional<qint64> integerValue(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? 1 : 0;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
        return value.toLongLong();
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
        // Above the signed range (a property list may hold such a number) it would
        // wrap to a negative one.
        const quint64 number = value.toULongLong();
        return std::in_range<qint64>(number) ? std::optional<qint64>(qint64(number)) : std::nullopt;
    }
    case QMetaType::Float:
    case QMetaType::Double: {
        const double real = std::trunc(value.toDouble());
        if (!std::isfinite(real) || std::fabs(real) >= 9.2e18)
            return std::nullopt;
        return static_cast<qint64>(real);
    }
    case QMetaType::QString: {
        bool ok = false;
        const qint64 number = value.toString().trimmed().toLongLong(&ok);
        return ok ? std::optional<qint64>(number) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

} // namespace platform::PreferenceValue
