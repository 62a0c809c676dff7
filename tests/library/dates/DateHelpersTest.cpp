// The date, date-formatter and time-zone helpers.

#include "CalendarDateExtensions.h"
#include "DateExtensions.h"
#include "DateFormatterExtensions.h"
#include "DatesTestSupport.h"
#include "TimeZoneExtensions.h"

#include <QSet>

using namespace dates_test;
using namespace Qt::StringLiterals;

namespace {

using DateHelpersTest = DatesTest;

TEST_F(DateHelpersTest, WithoutCurrentTimeIsNoonGmtOfTheDayTheDateShows)
{
    struct Row
    {
        int day, hour, minute;
        const char *zoneName;
        int expectedDay;
    };
    const Row rows[] = {
        {5, 23, 30, "Etc/GMT-2", 5}, // 21:30 GMT: still the 5th
        {6, 0, 30, "Etc/GMT-2", 6}, // 22:30 GMT on the 5th, but the 6th at GMT+2
        {5, 1, 0, "America/New_York", 5},
        {5, 12, 0, "UTC", 5},
    };
    for (const Row &row : rows) {
        const auto result = vl::dateWithoutCurrentTime(at(2009, 3, row.day, row.hour, row.minute, 0, row.zoneName));
        EXPECT_EQ(result, at(2009, 3, row.expectedDay, 12, 0, 0, "UTC")) << row.zoneName << " " << row.day;
        EXPECT_EQ(result.timeZone(), platform::gmtTimeZone());
        EXPECT_EQ(result.hourOfDay(), 12);
    }
    const auto noon = vl::dateWithoutCurrentTime(at(2009, 3, 5, 23, 30, 0, "Etc/GMT-2"));
    EXPECT_TRUE(vl::dateWithoutCurrentTime(noon).isSharedWith(noon));
    // Noon in another zone at offset 0 is not noon GMT.
    const auto london = at(2009, 3, 5, 12, 0, 0, "Europe/London");
    EXPECT_FALSE(vl::dateWithoutCurrentTime(london).isSharedWith(london));
    EXPECT_EQ(vl::dateWithoutCurrentTime(london), noon);
}

TEST_F(DateHelpersTest, ZonesOrderByCurrentOffsetThenByNameIgnoringCase)
{
    using platform::ComparisonResult;
    EXPECT_EQ(vl::compare(zone("Etc/GMT+5"), zone("GMT")), ComparisonResult::OrderedAscending);
    EXPECT_EQ(vl::compare(zone("GMT"), zone("Etc/GMT-1")), ComparisonResult::OrderedAscending);
    EXPECT_EQ(vl::compare(zone("Etc/GMT-1"), zone("Etc/GMT+5")), ComparisonResult::OrderedDescending);
    // Same offset always: by name, where case would order them the other way.
    EXPECT_EQ(vl::compare(zone("posixrules"), zone("US/Eastern")), ComparisonResult::OrderedAscending);

    const QList<QTimeZone> sorted = vl::sortedKnownTimeZones();
    ASSERT_GT(sorted.size(), 300);
    QSet<QByteArray> names;
    for (qsizetype i = 0; i < sorted.size(); ++i) {
        names.insert(sorted[i].id());
        if (i > 0) {
            EXPECT_NE(vl::compare(sorted[i - 1], sorted[i]), ComparisonResult::OrderedDescending)
                << sorted[i - 1].id().constData() << " then " << sorted[i].id().constData();
        }
    }
    EXPECT_TRUE(names.contains("America/Ciudad_Juarez")); // the system's zones, not ICU's
    for (const QByteArray &name : names)
        EXPECT_FALSE(name.endsWith(".tab") || name.startsWith("posix")) << name.constData();
}

} // namespace
