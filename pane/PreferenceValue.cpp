#include "PreferenceValue.h"

#include <cmath>

namespace PreferenceValue {

bool boolValue(const QVariant &value)
{
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed();
        if (text.startsWith(QLatin1Char('Y'), Qt::CaseInsensitive) || text.startsWith(QLatin1Char('T'), Qt::CaseInsensitive))
            return true;
    }
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
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        return value.toLongLong();
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

} // namespace PreferenceValue
