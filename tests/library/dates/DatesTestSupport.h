#pragma once

// What the tests of the dates area share: a fixed locale and default zone, and
// short ways to name zones and dates.

#include "TestSupport.h"
#include "platform/calendar/CalendarDate.h"
#include "platform/calendar/TimeZones.h"

#include <QLocale>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <ostream>

namespace platform {
inline void PrintTo(const CalendarDate &date, std::ostream *os)
{
    *os << date.description().toStdString();
}
} // namespace platform

QT_BEGIN_NAMESPACE
inline void PrintTo(const QDateTime &date, std::ostream *os)
{
    *os << date.toString(Qt::ISODateWithMs).toStdString();
}
QT_END_NAMESPACE

namespace dates_test {

/// The system's zone of that name; the test fails when there is none.
inline QTimeZone zone(const char *name)
{
    const auto found = platform::timeZoneWithName(QString::fromLatin1(name));
    EXPECT_TRUE(found) << name;
    return found.value_or(QTimeZone::utc());
}

/// That wall time in the named zone.
inline platform::CalendarDate at(int year, int month, int day, int hour, int minute, int second, const char *zoneName)
{
    const auto date = platform::CalendarDate::dateWithYear(year, month, day, hour, minute, second, zone(zoneName));
    EXPECT_TRUE(date);
    return date.value_or(platform::CalendarDate());
}

inline QDateTime utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second), QTimeZone::utc());
}

/// Every test of the area runs in American English with Paris as the default
/// zone, whatever the machine's settings.
class DatesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        platform::setDefaultTimeZone(zone("Europe/Paris"));
    }
};

} // namespace dates_test
