// The date, date-formatter and time-zone helpers.

#include "CalendarDateExtensions.h"
#include "DateExtensions.h"
#include "DateFormatterExtensions.h"
#include "DatesTestSupport.h"
#include "TimeZoneExtensions.h"
#include "VLDateOrStringFormatter.h"
#include "VLDateTitleFormatter.h"
#include "platform/core/Log.h"
#include "platform/core/NotificationCenter.h"

#include <QSet>

using namespace dates_test;
using namespace Qt::StringLiterals;

namespace {

using DateHelpersTest = DatesTest;

std::vector<platform::LogRecord> recordsOf(const std::function<void()> &action)
{
    std::vector<platform::LogRecord> records;
    const platform::ScopedLogSink sink([&](const platform::LogRecord &record) { records.push_back(record); });
    action();
    return records;
}

TEST_F(DateHelpersTest, ConversionsKeepTheInstantAndGiveNoneForNone)
{
    EXPECT_FALSE(vl::calendarDateFromDate(QDateTime()));
    EXPECT_FALSE(vl::dateFromCalendarDate(std::nullopt).isValid());
    const QDateTime instant = utc(2009, 3, 5, 22, 30);
    const auto date = vl::calendarDateFromDate(instant);
    ASSERT_TRUE(date);
    EXPECT_EQ(date->date(), instant);
    EXPECT_EQ(date->timeZone(), zone("Europe/Paris"));
    EXPECT_EQ(date->hourOfDay(), 23);
    EXPECT_EQ(vl::dateFromCalendarDate(date), instant);
    // A calendar date stays one, in its own zone.
    const auto tokyo = at(2009, 3, 5, 8, 0, 0, "Asia/Tokyo");
    EXPECT_TRUE(vl::calendarDateFromDate(tokyo).isSharedWith(tokyo));

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    QDateTime later;
    const auto records = recordsOf([&] { later = vl::dateWithTimeInterval(90.5, instant); });
#pragma GCC diagnostic pop
    EXPECT_EQ(later, instant.addMSecs(90500));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].message,
              "Warning: +dateWithTimeInterval:sinceDate: is deprecated; use -addTimeInterval: instead.");
}

TEST_F(DateHelpersTest, NextHourIsTheStartOfTheFollowingHour)
{
    struct Row
    {
        int hour, minute, second;
        int day, expectedHour;
    };
    const Row rows[] = {
        {10, 59, 30, 5, 11},
        {10, 0, 0, 5, 11}, // exactly on the hour: a full hour on
        {23, 59, 59, 6, 0},
    };
    for (const Row &row : rows) {
        const auto next = vl::dateToNextHour(at(2009, 3, 5, row.hour, row.minute, row.second, "Europe/Paris"));
        EXPECT_EQ(next, at(2009, 3, row.day, row.expectedHour, 0, 0, "Europe/Paris"))
            << row.hour << ":" << row.minute << ":" << row.second;
        EXPECT_EQ(next.timeZone(), zone("Europe/Paris"));
    }
    // Across the spring change the next hour is an hour of elapsed time later.
    EXPECT_EQ(vl::dateToNextHour(at(2025, 3, 30, 1, 30, 0, "Europe/Paris")), at(2025, 3, 30, 3, 0, 0, "Europe/Paris"));
}

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

TEST_F(DateHelpersTest, DateWithCurrentTimeKeepsTheDayInTheDefaultZone)
{
    const auto result = vl::dateWithCurrentTime(at(1999, 12, 31, 3, 4, 5, "Asia/Tokyo"));
    EXPECT_EQ(result.yearOfCommonEra() * 10000 + result.monthOfYear() * 100 + result.dayOfMonth(), 19991231);
    EXPECT_EQ(result.timeZone(), zone("Europe/Paris"));
}

TEST_F(DateHelpersTest, LeapYearsAndMonthLengthsFollowTheGregorianRuleAndReportDeprecation)
{
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const std::pair<int, bool> years[] = {{1900, false}, {2000, true}, {2004, true}, {2100, false}, {2009, false}};
    for (const auto &[year, leap] : years) {
        const auto records = recordsOf(
            [&, y = year, l = leap] { EXPECT_EQ(vl::isLeapYear(at(y, 6, 1, 12, 0, 0, "UTC")), l) << y; });
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].message, "-[NSCalendarDate isLeapYear] is deprecated; use NSCalendar instead.");
    }
    struct Row
    {
        int year, month, days;
    };
    const Row months[] = {{2009, 4, 30}, {2000, 2, 29}, {1900, 2, 28}, {2009, 12, 31}, {2009, 1, 31}, {2009, 9, 30}};
    for (const Row &row : months)
        EXPECT_EQ(vl::numberOfDaysInMonth(at(row.year, row.month, 1, 12, 0, 0, "UTC")), row.days)
            << row.year << "-" << row.month;
    const auto records = recordsOf([] { (void)vl::numberOfDaysInMonth(at(2009, 4, 1, 12, 0, 0, "UTC")); });
#pragma GCC diagnostic pop
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].kind, platform::LogRecord::Kind::Debugger);
    EXPECT_EQ(records[0].message, "-[NSCalendarDate numberOfDaysInMonth] is deprecated; use NSCalendar instead.");
}

TEST_F(DateHelpersTest, SecondsIntoTheDayAndTheHour)
{
    const auto date = at(2009, 3, 5, 1, 2, 3, "Asia/Kolkata");
    EXPECT_EQ(vl::secondOfDay(date), 3723);
    EXPECT_EQ(vl::secondOfHour(date), 123);
    EXPECT_EQ(vl::secondOfDay(at(2009, 3, 5, 23, 59, 59, "UTC")), 86399);
}

TEST_F(DateHelpersTest, FieldRemovalDropsTheFieldAndTheTextAfterIt)
{
    struct Row
    {
        QString format;
        char16_t letter;
        QString expected;
    };
    const Row rows[] = {
        {"h:mm a", u'a', "h:mm"},
        {"MMM d, yyyy h:mm a", u'y', "MMM d, h:mm a"},
        {"EEEE, MMMM d, y", u'E', "MMMM d, y"},
        {"h:mm a", u'Z', "h:mm a"}, // no zone field: nothing to remove
        {"  h:mm a, ", u'Z', "h:mm a"}, // only strips
        {"d.M.yy.", u'y', "d.M"},
        {u"h:mm:ss\u202Fa"_s, u'a', "h:mm:ss"}, // ICU's narrow no-break space
        {u"h:mm\u00A0a\u2009"_s, u'Z', "h:mm\u00A0a"}, // any space separator
        {" a", u'a', " a"}, // white space directly followed by the field: kept whole
        {"", u'a', ""},
    };
    for (const Row &row : rows)
        EXPECT_EQ(vl::dateFormatWithoutField(row.format, QChar(row.letter)), row.expected) << row.format.toStdString();
}

TEST_F(DateHelpersTest, FormatterFactoriesUseTheLocalesRealPatterns)
{
    const auto calendar = platform::Calendar::calendarWithIdentifier(QStringLiteral("gregorian"));
    const auto full = vl::dateFormatterWithCalendar(&*calendar, 2, 1);
    // ICU 72 puts a narrow no-break space before the day period.
    ASSERT_EQ(full->dateFormat(), u"MMM d, y, h:mm\u202Fa"_s);
    EXPECT_EQ(full->formatterBehavior(), platform::DateFormatter::Behavior10_4);
    EXPECT_EQ(vl::dateFormatterWithCalendar(&*calendar, 2, 1, "a")->dateFormat(), "MMM d, y, h:mm");
    EXPECT_EQ(vl::dateFormatterWithCalendar(&*calendar, 2, 1, "y")->dateFormat(), u"MMM d, h:mm\u202Fa"_s);
    EXPECT_EQ(vl::dateFormatterWithCalendar(&*calendar, 2, 1, "ay")->dateFormat(), "MMM d, h:mm");
    EXPECT_EQ(vl::dateFormatterWithCalendar(nullptr, 0, 2, "a")->dateFormat(), "h:mm:ss");

    const auto formatter = vl::dateFormatterWithCalendar(&*calendar, 2, 1, "y");
    EXPECT_EQ(formatter->stringFromDate(utc(2009, 3, 5, 13, 7)), u"Mar 5, 2:07\u202FPM"_s);
    EXPECT_EQ(vl::dateFormatterWithCalendar(nullptr, 0, 0)->stringFromDate(utc(2009, 3, 5)), "");
    // The subclass the factory was asked for.
    const auto either = vl::dateFormatterWithCalendar<VLDateOrStringFormatter>(nullptr, 1, 0);
    EXPECT_EQ(either->stringForObjectValue(QVariant(QStringLiteral("x"))), "x");
}

TEST_F(DateHelpersTest, DateOrStringFormatterPassesStringsThroughUnchanged)
{
    VLDateOrStringFormatter formatter;
    formatter.setDateStyle(platform::DateFormatter::ShortStyle);
    const QString text = QString::fromLatin1("Tomorrow"); // on the heap: literals share no data
    const std::optional<QString> same = formatter.stringForObjectValue(QVariant(text));
    ASSERT_TRUE(same);
    EXPECT_TRUE(same->isSharedWith(text));
    EXPECT_EQ(formatter.stringForObjectValue(QVariant(utc(2009, 3, 5, 12))), "3/5/09");
    EXPECT_EQ(formatter.stringForObjectValue(QVariant::fromValue(at(2009, 3, 5, 23, 30, 0, "Asia/Tokyo"))), "3/5/09");
    EXPECT_FALSE(formatter.stringForObjectValue(QVariant(42)));
}

TEST_F(DateHelpersTest, TitleFormatterSpeaksTheOlderCalendarFormat)
{
    const QDateTime date = at(2008, 3, 1, 14, 5, 9, "Europe/Paris").date().addMSecs(123);
    struct Row
    {
        QString format;
        QString expected;
    };
    const Row rows[] = {
        {"%Y-%m-%d %H:%M:%S.%F", "2008-03-01 14:05:09.123"}, // the log line's format
        {"%A, %B %e", "Saturday, March 1"},
        {"%a %b %d %y, %I:%M %p", "Sat Mar 01 08, 02:05 PM"},
        {"day %j, weekday %w", "day 061, weekday 6"},
        {"100%% at %H o'clock %z", "100% at 14 o'clock +0100"},
        {"%q%", "%q%"}, // unknown conversions and a lone percent sign are text
        {"", ""},
    };
    for (const Row &row : rows)
        EXPECT_EQ(VLDateTitleFormatter::stringForDate(date, row.format), row.expected) << row.format.toStdString();
    EXPECT_EQ(VLDateTitleFormatter::stringForDate(date, QString()), "Saturday, March 1, 2008");
    EXPECT_EQ(VLDateTitleFormatter::stringForDate(QDateTime(), QStringLiteral("%Y")), "");
}

TEST_F(DateHelpersTest, ZonesOrderByCurrentOffsetThenByNameIgnoringCase)
{
    using platform::ComparisonResult;
    EXPECT_EQ(vl::compare(zone("Etc/GMT+5"), zone("GMT")), ComparisonResult::OrderedAscending);
    EXPECT_EQ(vl::compare(zone("GMT"), zone("Etc/GMT-1")), ComparisonResult::OrderedAscending);
    EXPECT_EQ(vl::compare(zone("Etc/GMT-1"), zone("Etc/GMT+5")), ComparisonResult::OrderedDescending);
    // Same offset always: by name, where case would order them the other way.
    EXPECT_EQ(vl::compare(zone("posixrules"), zone("US/Eastern")), ComparisonResult::OrderedAscending);
    EXPECT_EQ(vl::compare(zone("US/Eastern"), zone("posixrules")), ComparisonResult::OrderedDescending);
    EXPECT_EQ(vl::compare(zone("GMT"), zone("GMT")), ComparisonResult::OrderedSame);

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
    EXPECT_TRUE(names.contains("US/Eastern"));
    EXPECT_TRUE(names.contains("GMT"));
    EXPECT_TRUE(names.contains("America/Ciudad_Juarez"));
    for (const QByteArray &name : names)
        EXPECT_FALSE(name.endsWith(".tab") || name.startsWith("posix")) << name.constData();
}

TEST_F(DateHelpersTest, KnownZoneNamesAreCompletedFromTheZoneFolder)
{
    const QStringList base = platform::knownTimeZoneNames();
    const QStringList names = vl::realKnownTimeZoneNames();
    ASSERT_FALSE(base.isEmpty());
    EXPECT_EQ(names.mid(0, base.size()), base);
    EXPECT_FALSE(base.contains("US/Eastern"));
    EXPECT_FALSE(base.contains("GMT"));
    const QStringList added = names.mid(base.size());
    const qsizetype us = added.indexOf("US/Eastern");
    const qsizetype canada = added.indexOf("Canada/Pacific");
    const qsizetype gmt = added.indexOf("GMT");
    EXPECT_GE(us, 0);
    EXPECT_GT(canada, us);
    EXPECT_EQ(gmt, added.size() - 1); // GMT is a file there: its own name, last
    EXPECT_EQ(QSet<QString>(names.cbegin(), names.cend()).size(), names.size());
}

TEST_F(DateHelpersTest, ChangingTheDefaultZoneIsAnnounced)
{
    int notifications = 0;
    QByteArray zoneSeen;
    const int observer = 0;
    platform::NotificationCenter::defaultCenter().addObserver(&observer, VLDefaultTimeZoneDidChangeNotification,
                                                              nullptr, [&](const platform::Notification &note) {
                                                                  ++notifications;
                                                                  EXPECT_EQ(note.object, nullptr);
                                                                  zoneSeen = platform::defaultTimeZone().id();
                                                              });
    vl::setDefaultTimeZoneAndNotify(zone("Asia/Tokyo"));
    platform::NotificationCenter::defaultCenter().removeObserver(&observer);
    EXPECT_EQ(notifications, 1);
    EXPECT_EQ(zoneSeen, "Asia/Tokyo");
    EXPECT_EQ(platform::CalendarDate::calendarDate().timeZone(), zone("Asia/Tokyo"));
}

} // namespace
