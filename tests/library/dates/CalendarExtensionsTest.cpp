// The calendar extensions: month grids, names, identifiers, and the value
// semantics of date components.

#include "CalendarExtensions.h"
#include "DateComponentsExtensions.h"
#include "DatesTestSupport.h"
#include "platform/core/Log.h"

#include <QStringList>

#include <limits>

using namespace dates_test;

namespace {

using CalendarExtensionsTest = DatesTest;

platform::Calendar gregorian(int firstWeekday)
{
    auto calendar = platform::Calendar::calendarWithIdentifier(QStringLiteral("gregorian"));
    EXPECT_TRUE(calendar);
    calendar->setFirstWeekday(firstWeekday);
    return *calendar;
}

std::vector<platform::LogRecord> recordsOf(const std::function<void()> &action)
{
    std::vector<platform::LogRecord> records;
    const platform::ScopedLogSink sink([&](const platform::LogRecord &record) { records.push_back(record); });
    action();
    return records;
}

TEST_F(CalendarExtensionsTest, MonthGridStartsAtTheFirstWeekdayAndFillsTheRestWithMinusOne)
{
    struct Row
    {
        int year, month, firstWeekday, firstCell, days;
    };
    const Row rows[] = {
        {2009, 2, 1, 0, 28}, // 1 February 2009 is a Sunday
        {2009, 3, 1, 0, 31}, {2009, 3, 2, 6, 31}, // Monday first: the sixth row is used
        {2009, 2, 2, 6, 28}, {2000, 2, 1, 2, 29}, // a leap February, starting on a Tuesday
        {2009, 3, 7, 1, 31}, // Saturday first
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(testing::Message() << row.year << "-" << row.month << " first weekday " << row.firstWeekday);
        const auto layout = vl::layoutOfMonthForDate(gregorian(row.firstWeekday), utc(row.year, row.month, 15, 12));
        ASSERT_TRUE(layout);
        for (int cell = 0; cell < 42; ++cell) {
            const bool inMonth = cell >= row.firstCell && cell < row.firstCell + row.days;
            EXPECT_EQ((*layout)[size_t(cell)], inMonth ? cell - row.firstCell + 1 : -1) << "cell " << cell;
        }
    }
    EXPECT_FALSE(vl::layoutOfMonthForDate(gregorian(1), QDateTime()));
}

TEST_F(CalendarExtensionsTest, LastWeekdayIsTheDayBeforeTheFirst)
{
    const unsigned expected[] = {7, 1, 2, 3, 4, 5, 6};
    for (int first = 1; first <= 7; ++first)
        EXPECT_EQ(vl::lastWeekday(gregorian(first)), expected[first - 1]) << "first weekday " << first;
}

TEST_F(CalendarExtensionsTest, NamesComeInTheCalendarsOrder)
{
    EXPECT_EQ(vl::weekdayNames(gregorian(2)),
              (QStringList{"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"}));
    EXPECT_EQ(vl::shortWeekdayNames(gregorian(2)), (QStringList{"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"}));
    EXPECT_EQ(vl::weekdayNames(gregorian(1)).front(), "Sunday");
    EXPECT_EQ(vl::monthNames(gregorian(1)), (QStringList{"January", "February", "March", "April", "May", "June", "July",
                                                         "August", "September", "October", "November", "December"}));
    // Another calendar names its own months, still twelve of them.
    const auto islamic = vl::calendarWithCalendarIdentifier(QStringLiteral("islamic-civil"));
    ASSERT_TRUE(islamic);
    const QStringList islamicMonths = vl::monthNames(*islamic);
    ASSERT_EQ(islamicMonths.size(), 12);
    EXPECT_EQ(islamicMonths.front(), "Muharram");
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

TEST_F(CalendarExtensionsTest, CurrentCalendarIsTheLocalesAndTheDeprecatedAccessorReportsEachCall)
{
    EXPECT_FALSE(vl::isPreLeopard());
    EXPECT_EQ(vl::nonLeakyCurrentCalendar().calendarIdentifier(), "gregorian");
    EXPECT_EQ(vl::nonLeakyCurrentCalendar().timeZone(), zone("Europe/Paris"));
    QLocale::setDefault(QLocale(QLocale::Thai, QLocale::Thailand));
    EXPECT_EQ(vl::nonLeakyCurrentCalendar().calendarIdentifier(), "buddhist");
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(vl::nonLeakyCurrentCalendar().firstWeekday(), 2);

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const auto records = recordsOf([] {
        EXPECT_EQ(vl::fastCurrentCalendar().calendarIdentifier(), "gregorian");
        (void)vl::fastCurrentCalendar();
    });
#pragma GCC diagnostic pop
    ASSERT_EQ(records.size(), 2u);
    for (const platform::LogRecord &record : records) {
        EXPECT_EQ(record.kind, platform::LogRecord::Kind::Debugger);
        EXPECT_EQ(record.message, "-[NSCalendar fastCurrentCalendar] is deprecated and shouldn't be used anymore.");
    }
}

platform::DateComponents
components(std::initializer_list<std::pair<void (platform::DateComponents::*)(qint32), qint32>> fields)
{
    platform::DateComponents result;
    for (const auto &[setter, value] : fields)
        (result.*setter)(value);
    return result;
}

TEST_F(CalendarExtensionsTest, DateComponentsCompareFieldByFieldAndHashTheirSum)
{
    using C = platform::DateComponents;
    const C date = components({{&C::setYear, 2009}, {&C::setMonth, 3}, {&C::setDay, 5}});
    const C sameDate = components({{&C::setDay, 5}, {&C::setMonth, 3}, {&C::setYear, 2009}});
    const C withHour = components({{&C::setYear, 2009}, {&C::setMonth, 3}, {&C::setDay, 5}, {&C::setHour, 0}});
    struct Row
    {
        const char *what;
        C a, b;
        bool equal;
    };
    const Row rows[] = {
        {"same defined fields", date, sameDate, true},
        {"hour set against undefined", withHour, date, false},
        {"all undefined", C(), C(), true},
        {"one field apart", components({{&C::setWeekdayOrdinal, 1}}), components({{&C::setWeekdayOrdinal, 2}}), false},
    };
    for (const Row &row : rows) {
        EXPECT_EQ(vl::isEqual(row.a, row.b), row.equal) << row.what;
        EXPECT_EQ(vl::isEqual(row.a, QVariant::fromValue(row.b)), row.equal) << row.what;
        if (row.equal) {
            EXPECT_EQ(vl::hash(row.a), vl::hash(row.b)) << row.what;
        }
    }
    EXPECT_FALSE(vl::isEqual(date, QVariant(QStringLiteral("2009-03-05"))));
    EXPECT_FALSE(vl::isEqual(C(), QVariant()));

    EXPECT_EQ(vl::hash(C()), 0u);
    EXPECT_EQ(vl::hash(date), 2009u + 3 + 5);
    // Undefined counts as 0; the sum wraps.
    const qint32 large = std::numeric_limits<qint32>::max() - 1;
    EXPECT_EQ(vl::hash(components({{&C::setEra, large}, {&C::setYear, large}, {&C::setSecond, 4}})),
              quint32(2u * quint32(large) + 4u));
    EXPECT_EQ(vl::hash(components({{&C::setEra, -1}, {&C::setYear, 1}})), 0u);
}

TEST_F(CalendarExtensionsTest, DateComponentsDescribeEveryFieldInOrder)
{
    platform::DateComponents c;
    c.setYear(2009);
    c.setWeekday(5);
    const QString text = vl::description(c);
    const QStringList lines = text.split(u'\n');
    ASSERT_EQ(lines.size(), 11);
    EXPECT_TRUE(lines[0].startsWith("<NSDateComponents: 0x")) << text.toStdString();
    EXPECT_EQ(lines.mid(1), (QStringList{"era = 2147483647", "year = 2009", "month = 2147483647", "week = 2147483647",
                                         "day = 2147483647", "weekday = 5", "weekdayOrdinal = 2147483647",
                                         "hour = 2147483647", "minute = 2147483647", "second = 2147483647"}));
}

} // namespace
