#include "VLDateOrStringFormatter.h"

std::optional<QString> VLDateOrStringFormatter::stringForObjectValue(const QVariant &value) const
{
    if (value.metaType() == QMetaType::fromType<QString>())
        return value.toString(); // shares the string held, as Qt's strings do
    return platform::DateFormatter::stringForObjectValue(value);
}
