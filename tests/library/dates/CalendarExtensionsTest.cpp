// The calendar extensions' identifiers (the month grids are compared with ncal
// in ReferenceComparisonTest).

#include "CalendarExtensions.h"
#include "DatesTestSupport.h"
#include "platform/core/Log.h"

using namespace dates_test;

namespace {

using CalendarExtensionsTest = DatesTest;

std::vector<platform::LogRecord> recordsOf(const std::function<void()> &action)
{
    std::vector<platform::LogRecord> records;
    const platform::ScopedLogSink sink([&](const platform::LogRecord &record) { records.push_back(record); });
    action();
    return records;
}

TEST_F(CalendarExtensionsTest, CalendarIdentifiersMatchExactlyOrLogAWarning)
{
    for (const char *known : {"gregorian", "buddhist", "chinese", "hebrew", "islamic", "islamic-civil", "japanese"}) {
        std::optional<platform::Calendar> calendar;
        const auto records = recordsOf([&] { calendar = vl::calendarWithCalendarIdentifier(QLatin1String(known)); });
        ASSERT_TRUE(calendar) << known;
        EXPECT_EQ(calendar->calendarIdentifier(), QLatin1String(known));
        EXPECT_TRUE(records.empty()) << known;
    }
    // ICU would take the first three as Gregorian and knows the fourth: the
    // table does not.
    for (const char *unknown : {"Gregorian", "GREGORIAN", "gregorian ", "persian", ""}) {
        std::optional<platform::Calendar> calendar;
        const auto records = recordsOf([&] { calendar = vl::calendarWithCalendarIdentifier(QLatin1String(unknown)); });
        EXPECT_FALSE(calendar) << unknown;
        ASSERT_EQ(records.size(), 1u) << unknown;
        EXPECT_EQ(records[0].kind, platform::LogRecord::Kind::Log);
        EXPECT_EQ(records[0].message, QStringLiteral("Warning: Unknown calendar identifier %1 detected.").arg(unknown));
    }
}

} // namespace
