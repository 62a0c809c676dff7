#include "DateExtensions.h"

#include "Deprecation_p.h"

#include <cmath>

namespace vl {

QDateTime dateFromCalendarDate(const std::optional<platform::CalendarDate> &date)
{
    return date ? date->date() : QDateTime();
}

QDateTime dateWithTimeInterval(double seconds, const QDateTime &date)
{
    dates::reportDeprecatedCall(
        "Warning: +dateWithTimeInterval:sinceDate: is deprecated; use -addTimeInterval: instead.");
    // A million years each way; beyond that no date is meant.
    constexpr double limit = 1e6 * 365.25 * 86400;
    if (!date.isValid() || !std::isfinite(seconds) || std::fabs(seconds) > limit)
        return {};
    return date.addMSecs(qint64(std::llround(seconds * 1000.0)));
}

} // namespace vl
