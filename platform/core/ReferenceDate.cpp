#include "platform/core/ReferenceDate.h"

#include <QTimeZone>

#include <cmath>

namespace platform {

namespace {

// A million years either side: far beyond any real date, far within QDateTime.
constexpr double LargestSeconds = 1e6 * 366 * 86400;

} // namespace

double secondsSinceReferenceDate(const QDateTime &date)
{
    return double(date.toMSecsSinceEpoch() - ReferenceDateMSecsSinceEpoch) / 1000.0;
}

std::optional<QDateTime> dateFromSecondsSinceReferenceDate(double seconds)
{
    // Rounded, not truncated: seconds made from milliseconds are often a hair
    // below the whole millisecond they came from.
    if (!std::isfinite(seconds) || std::fabs(seconds) > LargestSeconds)
        return std::nullopt;
    const auto msecs = qint64(std::llround(seconds * 1000.0)) + ReferenceDateMSecsSinceEpoch;
    return QDateTime::fromMSecsSinceEpoch(msecs, QTimeZone::utc());
}

} // namespace platform
