#include "platform/calendar/IcuSupport_p.h"

#include <QTimeZone>

#include <cmath>

namespace platform::icu_support {

icu::Locale toIcuLocale(const QLocale &locale)
{
    if (locale.language() == QLocale::C)
        return icu::Locale("en_US_POSIX");
    return icu::Locale(locale.name().toLatin1().constData());
}

std::optional<QDateTime> fromUDate(UDate date)
{
    // A million years each way: far beyond any calendar question, well within
    // what both sides hold.
    constexpr double limit = 1e6 * 365.25 * 86400e3;
    if (!std::isfinite(date) || std::fabs(date) > limit)
        return std::nullopt;
    return QDateTime::fromMSecsSinceEpoch(qint64(std::floor(date)), QTimeZone::utc());
}

} // namespace platform::icu_support
