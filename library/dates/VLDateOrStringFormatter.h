#pragma once

#include "platform/calendar/DateFormatter.h"

/// A date formatter that also takes text: a string value is its own text
/// (the very same string, shared, not a copy), anything else is formatted as
/// the platform's formatter does.
class VLDateOrStringFormatter : public platform::DateFormatter
{
public:
    using platform::DateFormatter::DateFormatter;

    std::optional<QString> stringForObjectValue(const QVariant &value) const override;
};
